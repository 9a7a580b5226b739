#include "ui/device_window.h"

#include "report/number_format.h"
#include "report/printable_text.h"
#include "ui/amplifier_panel.h"
#include "ui/device_chart.h"
#include "ui/device_plot.h"
#include "units/unit_text.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace tevmar {

namespace {

double Or(const std::optional<double> &value)
{
    return value.value_or(std::numeric_limits<double>::quiet_NaN());
}

// The first frequency where the device is unconditionally stable (where an
// amplifier is easiest to start), else the first.
std::size_t FirstStable(const std::vector<analysis::DevicePoint> &points)
{
    for (std::size_t i = 0; i < points.size(); ++i)
        if (points[i].magDb)
            return i;
    return 0;
}

} // namespace

DeviceWindow::DeviceWindow(session::DeviceOutcome device, QWidget *parent)
    : QWidget(parent, Qt::Window), device_(std::move(device))
{
    setWindowTitle(QStringLiteral("Transistor \u2014 ") +
                   QString::fromStdString(PrintableText(device_.fileName)));
    frequency_ = new QComboBox(this);
    frequency_->setObjectName(QStringLiteral("deviceFrequency"));
    for (const analysis::DevicePoint &p : device_.points)
        frequency_->addItem(
            QString::fromStdString(units::GhzFigure(units::Frequency::FromHz(p.frequencyHz))) +
            QStringLiteral(" GHz"));
    plot_ = new DevicePlot(this);
    sourceChart_ = new DeviceChart(DeviceChart::Plane::Source, this);
    loadChart_ = new DeviceChart(DeviceChart::Plane::Load, this);

    DevicePlotData data;
    for (const analysis::DevicePoint &p : device_.points) {
        data.frequencyGhz.push_back(units::Frequency::FromHz(p.frequencyHz).ghz());
        data.k.push_back(Or(p.k));
        data.mu.push_back(Or(p.mu));
        data.muPrime.push_back(Or(p.muPrime));
        data.msgDb.push_back(Or(p.msgDb));
        data.magDb.push_back(Or(p.magDb));
    }
    plot_->SetData(std::move(data));

    auto *choose = new QHBoxLayout;
    choose->addWidget(new QLabel(QStringLiteral("Circles at"), this));
    choose->addWidget(frequency_);
    choose->addWidget(new QLabel(QStringLiteral("(gain 1, 2 and 3 dB below MAG or MSG; noise "
                                                "figure 0.25, 0.5 and 1 dB above NFmin)"),
                                 this));
    choose->addStretch(1);
    auto *charts = new QHBoxLayout;
    charts->addWidget(plot_, 5);
    charts->addWidget(sourceChart_, 5);
    charts->addWidget(loadChart_, 5);
    auto *figures = new QWidget(this);
    auto *figuresLayout = new QVBoxLayout(figures);
    figuresLayout->addLayout(choose);
    figuresLayout->addLayout(charts, 1);
    amplifier_ = new AmplifierPanel(device_, this);
    pages_ = new QTabWidget(this);
    pages_->addTab(figures, QStringLiteral("Figures and circles"));
    pages_->addTab(amplifier_, QStringLiteral("Amplifier"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(pages_);

    connect(frequency_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            ChooseFrequency(static_cast<std::size_t>(index));
    });
    if (!device_.points.empty())
        ChooseFrequency(FirstStable(device_.points));
    resize(1380, 640);
}

void DeviceWindow::ChooseFrequency(std::size_t index)
{
    if (index >= device_.points.size())
        return;
    chosen_ = index;
    if (frequency_->currentIndex() != static_cast<int>(index))
        frequency_->setCurrentIndex(static_cast<int>(index));
    const analysis::DevicePoint point =
        session::DevicePointAt(device_, index, session::PictureLevels(device_.points[index]));
    sourceChart_->SetPoint(point);
    loadChart_->SetPoint(point);
    DevicePlotData data = plot_->data();
    data.chosenGhz = units::Frequency::FromHz(point.frequencyHz).ghz();
    plot_->SetData(std::move(data));
}

} // namespace tevmar
