#include "ui/device_window.h"

#include "report/number_format.h"
#include "report/printable_text.h"
#include "session/views/smith_circles.h"
#include "session/views/smith_path.h"
#include "ui/amplifier_panel.h"
#include "ui/device_chart.h"
#include "ui/device_plot.h"
#include "units/unit_text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
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

    // The figures between the data frequencies too, the device interpolated
    // as the planes and the amplifier's design interpolate it.
    const session::DeviceSweep sweep = session::DeviceFiguresDense(device_);
    DevicePlotData data;
    data.measured = sweep.measured;
    for (const analysis::DevicePoint &p : sweep.points) {
        data.frequencyGhz.push_back(units::Frequency::FromHz(p.frequencyHz).ghz());
        data.k.push_back(Or(p.k));
        data.mu.push_back(Or(p.mu));
        data.muPrime.push_back(Or(p.muPrime));
        data.msgDb.push_back(Or(p.msgDb));
        data.magDb.push_back(Or(p.magDb));
    }
    plot_->SetData(std::move(data));

    // Between the data frequencies: a slider over the band in 200 steps.
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("deviceSlider"));
    slider_->setRange(0, 200);
    slider_->setMinimumWidth(160);
    slider_->setEnabled(device_.points.size() > 1);
    slider_->setToolTip(QStringLiteral("Any frequency of the band, the data interpolated"));
    sliderText_ = new QLabel(this);
    family_ = new QCheckBox(QStringLiteral("Across the &band"), this);
    family_->setObjectName(QStringLiteral("deviceFamily"));
    family_->setToolTip(QStringLiteral("The circles of %1 frequencies from the band's lowest to "
                                       "its highest at once, light to dark")
                            .arg(kFamily));
    family_->setEnabled(device_.points.size() > 1);
    const auto level = [this](const QString &name, double step, const QString &suffix) {
        auto *box = new QDoubleSpinBox(this);
        box->setObjectName(name);
        box->setRange(-1, 60);
        box->setDecimals(2);
        box->setSingleStep(step);
        box->setSuffix(suffix);
        box->setSpecialValueText(QStringLiteral("auto"));
        box->setValue(-1);
        return box;
    };
    gainLevel_ = level(QStringLiteral("deviceGainLevel"), 0.5, QStringLiteral(" dB"));
    noiseLevel_ = level(QStringLiteral("deviceNoiseLevel"), 0.1, QStringLiteral(" dB"));
    gainLevel_->setToolTip(QStringLiteral("The gain circles' level; auto: 1, 2 and 3 dB below "
                                          "MAG or MSG (across the band, 1 dB below the least)"));
    noiseLevel_->setToolTip(QStringLiteral("The noise-figure circles' level; auto: 0.25, 0.5 and "
                                           "1 dB above NFmin (across the band, 0.5 dB above "
                                           "the most)"));
    auto *choose = new QHBoxLayout;
    auto *circlesAt = new QLabel(QStringLiteral("&Circles at"), this);
    circlesAt->setBuddy(frequency_);
    choose->addWidget(circlesAt);
    choose->addWidget(frequency_);
    choose->addWidget(slider_, 1);
    choose->addWidget(sliderText_);
    choose->addWidget(family_);
    auto *gainText = new QLabel(QStringLiteral("&Gain circle"), this);
    gainText->setBuddy(gainLevel_);
    auto *noiseText = new QLabel(QStringLiteral("&Noise circle"), this);
    noiseText->setBuddy(noiseLevel_);
    choose->addWidget(gainText);
    choose->addWidget(gainLevel_);
    choose->addWidget(noiseText);
    choose->addWidget(noiseLevel_);
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
    connect(slider_, &QSlider::valueChanged, this,
            [this](int position) { ChooseHz(SliderHz(position)); });
    connect(family_, &QCheckBox::toggled, this, &DeviceWindow::ShowFamily);
    // The Amplifier page's design: its terminations across its band on the planes.
    amplifier_->OnShown([this] {
        const session::AmplifierView *view = amplifier_->plot().view();
        sourceChart_->SetDesign(view ? view->designGammaS : std::vector<session::Complex>{});
        loadChart_->SetDesign(view ? view->designGammaL : std::vector<session::Complex>{});
        // And the path through each side's parts at the band's centre, read
        // from the transistor toward the source or the load as the planes are.
        const std::optional<session::AmplifierOutcome> &outcome = amplifier_->outcome();
        const double z0 = outcome ? outcome->data.referenceOhms : 50;
        sourceChart_->SetPath(outcome ? session::AmplifierPlanePath(*outcome, 1) : std::nullopt,
                              z0);
        loadChart_->SetPath(outcome ? session::AmplifierPlanePath(*outcome, 2) : std::nullopt, z0);
    });
    for (QDoubleSpinBox *box : {gainLevel_, noiseLevel_})
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { ShowPlanes(); });
    if (!device_.points.empty())
        ChooseFrequency(FirstStable(device_.points));
    resize(1380, 640);
}

void DeviceWindow::ChooseFrequency(std::size_t index)
{
    if (index >= device_.points.size())
        return;
    chosen_ = index;
    fromData_ = true;
    shownHz_ = device_.points[index].frequencyHz;
    if (frequency_->currentIndex() != static_cast<int>(index))
        frequency_->setCurrentIndex(static_cast<int>(index));
    // The slider to the data frequency's place, without choosing again.
    const double low = device_.points.front().frequencyHz;
    const double high = device_.points.back().frequencyHz;
    if (high > low) {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(static_cast<int>(std::lround((shownHz_ - low) / (high - low) * 200)));
    }
    ShowPlanes();
}

double DeviceWindow::SliderHz(int position) const
{
    if (device_.points.empty())
        return 0;
    const double low = device_.points.front().frequencyHz;
    const double high = device_.points.back().frequencyHz;
    return position >= 200 ? high : low + (high - low) * position / 200.0;
}

void DeviceWindow::ChooseHz(double frequencyHz)
{
    if (device_.points.empty())
        return;
    const double low = device_.points.front().frequencyHz;
    const double high = device_.points.back().frequencyHz;
    shownHz_ = std::clamp(frequencyHz, low, high);
    // A data frequency is the file's own, not interpolated.
    fromData_ = false;
    for (std::size_t i = 0; i < device_.points.size(); ++i)
        if (std::abs(device_.points[i].frequencyHz - shownHz_) <= 1e-9 * shownHz_) {
            chosen_ = i;
            fromData_ = true;
            const QSignalBlocker quiet(frequency_);
            frequency_->setCurrentIndex(static_cast<int>(i));
        }
    ShowPlanes();
}

void DeviceWindow::ShowFamily(bool family)
{
    if (family_->isChecked() != family)
        family_->setChecked(family); // toggles back here
    else
        ShowPlanes();
}

analysis::DeviceLevels DeviceWindow::Levels(const analysis::DeviceLevels &automatic) const
{
    analysis::DeviceLevels levels = automatic;
    if (gainLevel_->value() > gainLevel_->minimum())
        levels.gainDb = {gainLevel_->value()};
    if (noiseLevel_->value() > noiseLevel_->minimum())
        levels.noiseDb = {noiseLevel_->value()};
    return levels;
}

void DeviceWindow::ShowPlanes()
{
    if (device_.points.empty())
        return;
    const bool family = family_->isChecked();
    frequency_->setEnabled(!family);
    slider_->setEnabled(!family && device_.points.size() > 1);
    DevicePlotData data = plot_->data();
    if (family) {
        const std::vector<analysis::DevicePoint> points =
            session::DeviceFamily(device_, kFamily, Levels(session::FamilyLevels(device_)));
        sourceChart_->SetFamily(points);
        loadChart_->SetFamily(points);
        sliderText_->setText(QStringLiteral("band"));
        data.chosenGhz.reset();
    } else {
        const analysis::DevicePoint bare =
            fromData_ ? device_.points[chosen_]
                      : session::DeviceFiguresBetween(device_, shownHz_, {});
        const analysis::DeviceLevels levels = Levels(session::PictureLevels(bare));
        const analysis::DevicePoint point =
            fromData_ ? session::DevicePointAt(device_, chosen_, levels)
                      : session::DeviceFiguresBetween(device_, shownHz_, levels);
        sourceChart_->SetPoint(point);
        loadChart_->SetPoint(point);
        sliderText_->setText(
            QString::fromStdString(units::GhzFigure(units::Frequency::FromHz(shownHz_))) +
            QStringLiteral(" GHz"));
        data.chosenGhz = units::Frequency::FromHz(shownHz_).ghz();
    }
    plot_->SetData(std::move(data));
}

} // namespace tevmar
