#include "ui/amplifier_panel.h"

#include "session/io/safe_file.h"
#include "session/run/study.h"
#include "ui/device_plot.h"
#include "ui/result_tools.h"
#include "ui/schematic_view.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace tevmar {

namespace {

constexpr double kMostReturnLossShownDb = 40;

bool IsDark(const QPalette &p)
{
    return p.color(QPalette::Base).lightness() < 128;
}

// The finite values' span, rounded out to `step`.
std::pair<double, double> Span(std::initializer_list<const std::vector<double> *> curves,
                               double step)
{
    double low = HUGE_VAL, high = -HUGE_VAL;
    for (const std::vector<double> *values : curves)
        for (const double v : *values)
            if (std::isfinite(v)) {
                low = std::min(low, v);
                high = std::max(high, v);
            }
    if (low > high)
        return {0, step};
    low = std::floor(low / step) * step;
    return {low, std::max(low + step, std::ceil(high / step) * step)};
}

QLineEdit *Box(const QString &name, const QString &text, QWidget *parent)
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(name);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000.0000")) + 16);
    return box;
}

} // namespace

AmplifierPlot::AmplifierPlot(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void AmplifierPlot::SetView(const session::AmplifierView *view)
{
    view_ = view;
    update();
}

void AmplifierPlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QString empty = QStringLiteral("No amplifier designed yet: set the band and Design.");
    if (!view_) {
        PaintFrequencyPanels(painter, rect(), palette(), {}, {}, std::nullopt, std::nullopt, empty);
        return;
    }
    const session::AmplifierView &v = *view_;
    const bool dark = IsDark(palette());
    const QColor blue = dark ? QColor(100, 160, 255) : QColor(20, 80, 200);
    const QColor orange = dark ? QColor(255, 170, 60) : QColor(200, 100, 0);
    const QColor green = dark ? QColor(110, 210, 110) : QColor(20, 140, 40);
    // Far outside the band the gain falls away and the noise figure climbs:
    // keep the scales to what the band's neighbourhood shows.
    auto [gainLow, gainHigh] = Span({&v.gtDb}, 5);
    gainLow = std::max(gainLow, gainHigh - 40);
    auto [nfLow, nfHigh] = Span({&v.nfDb}, 1);
    nfLow = 0;
    nfHigh = std::min(nfHigh, 20.0);
    auto [rlLow, rlHigh] = Span({&v.inputReturnLossDb, &v.outputReturnLossDb}, 10);
    rlLow = 0;
    // A near-perfect match reads tens of dB: past 40 dB it is drawn at the top.
    const bool clipped = rlHigh > kMostReturnLossShownDb;
    rlHigh = std::min(rlHigh, kMostReturnLossShownDb);
    const std::vector<PlotPanel> panels = {
        {gainLow,
         gainHigh,
         QStringLiteral("Transducer gain (dB), source to load"),
         {{&v.gtDb, QStringLiteral("GT"), blue, Qt::SolidLine}},
         std::nullopt},
        {nfLow,
         nfHigh,
         QStringLiteral("Noise figure (dB), where the file has noise data"),
         {{&v.nfDb, QStringLiteral("NF"), orange, Qt::SolidLine}},
         std::nullopt},
        {rlLow,
         rlHigh,
         clipped ? QStringLiteral("Return loss (dB; above 40 dB drawn at the top)")
                 : QStringLiteral("Return loss (dB)"),
         {{&v.inputReturnLossDb, QStringLiteral("at the source"), blue, Qt::SolidLine},
          {&v.outputReturnLossDb, QStringLiteral("at the load"), green, Qt::DashLine}},
         std::nullopt},
    };
    PaintFrequencyPanels(painter, rect(), palette(), v.frequencyGhz, panels, std::nullopt,
                         std::pair(v.bandLowGhz, v.bandHighGhz), empty, &v.measured);
}

AmplifierPanel::AmplifierPanel(const session::DeviceOutcome &device, QWidget *parent)
    : QWidget(parent), device_(device), study_(std::make_shared<session::Study>()),
      askSavePath_(&ResultTools::AskSavePath)
{
    const auto [f1, f2] = session::StartingBand(device_);
    f1_ = Box(QStringLiteral("amplifierF1"), QString::fromStdString(f1), this);
    f2_ = Box(QStringLiteral("amplifierF2"), QString::fromStdString(f2), this);
    source_ = Box(QStringLiteral("amplifierSource"), QStringLiteral("50"), this);
    load_ = Box(QStringLiteral("amplifierLoad"), QStringLiteral("50"), this);
    margin_ = Box(QStringLiteral("amplifierMargin"), QStringLiteral("0.9"), this);
    margin_->setToolTip(QStringLiteral("In band both loops, |\u0393S\u00B7\u0393in| and "
                                       "|\u0393L\u00B7\u0393out|, stay at or below its square"));
    stabilise_ = new QCheckBox(QStringLiteral("Stabilise"), this);
    stabilise_->setObjectName(QStringLiteral("amplifierStabilise"));
    stabilise_->setToolTip(QStringLiteral("Load the device with a series resistor at its input "
                                          "and/or a shunt resistor across its output until it is "
                                          "unconditionally stable, then match it"));
    goal_ = new QComboBox(this);
    goal_->setObjectName(QStringLiteral("amplifierGoal"));
    goal_->addItem(QStringLiteral("Most gain (flat GT over the band)"));
    goal_->addItem(QStringLiteral("Least noise figure, then gain"));
    design_ = new QPushButton(QStringLiteral("Design"), this);
    design_->setObjectName(QStringLiteral("amplifierDesign"));
    status_ = new QLabel(
        QStringLiteral("Both networks are designed together: the device's feedback makes "
                       "the input's match depend on the output's."),
        this);
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    inputTitle_ = new QLabel(QStringLiteral("Input network (source to device)"), this);
    outputTitle_ = new QLabel(QStringLiteral("Output network (device to load)"), this);
    inputView_ = new SchematicView(this);
    outputView_ = new SchematicView(this);
    plot_ = new AmplifierPlot(this);

    auto *boxes = new QHBoxLayout;
    const auto add = [&](const QString &text, QWidget *widget) {
        boxes->addWidget(new QLabel(text, this));
        boxes->addWidget(widget);
    };
    add(QStringLiteral("F1"), f1_);
    add(QStringLiteral("F2 (GHz)"), f2_);
    add(QStringLiteral("Source (\u03A9)"), source_);
    add(QStringLiteral("Load (\u03A9)"), load_);
    add(QStringLiteral("Margin"), margin_);
    add(QStringLiteral("Goal"), goal_);
    boxes->addWidget(stabilise_);
    boxes->addWidget(design_);
    boxes->addStretch(1);

    auto *networks = new QVBoxLayout;
    networks->addWidget(inputTitle_);
    networks->addWidget(inputView_, 1);
    networks->addWidget(outputTitle_);
    networks->addWidget(outputView_, 1);
    auto *pictures = new QHBoxLayout;
    pictures->addLayout(networks, 6);
    pictures->addWidget(plot_, 5);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(boxes);
    layout->addWidget(status_);
    layout->addLayout(pictures, 1);

    inputView_->hide();
    outputView_->hide();
    // Each side's network on its own, between its real ends, for a
    // simulator or a network analyser's comparison.
    for (const session::AmplifierSide side :
         {session::AmplifierSide::Input, session::AmplifierSide::Output}) {
        SchematicView *view = side == session::AmplifierSide::Input ? inputView_ : outputView_;
        view->setContextMenuPolicy(Qt::ActionsContextMenu);
        view->setToolTip(QStringLiteral("Right-click: this network in the Response window, or "
                                        "its Touchstone, SPICE or CSV sweep between its source, "
                                        "device port and load"));
        auto *show = new QAction(QStringLiteral("Show in Response window"), view);
        show->setObjectName(side == session::AmplifierSide::Input ? QStringLiteral("input-show")
                                                                  : QStringLiteral("output-show"));
        connect(show, &QAction::triggered, this, [this, side] {
            if (outcome_ && showSide_)
                showSide_(session::AmplifierSideOf(*outcome_, side));
        });
        view->addAction(show);
        (side == session::AmplifierSide::Input ? showInput_ : showOutput_) = show;
        for (const session::ExportKind kind :
             {session::ExportKind::Touchstone, session::ExportKind::TouchstoneV2,
              session::ExportKind::Spice, session::ExportKind::SweepCsv}) {
            const session::ExportFormat &format = session::FormatOf(kind);
            auto *action = new QAction(QString::fromUtf8(format.title) + QChar(0x2026), view);
            action->setObjectName((side == session::AmplifierSide::Input
                                       ? QStringLiteral("input-")
                                       : QStringLiteral("output-")) +
                                  QString::fromLatin1(format.suggestedName));
            connect(action, &QAction::triggered, this, [this, side, kind] {
                const QString problem = ExportSide(side, kind);
                if (!problem.isEmpty())
                    QMessageBox::warning(this, QString::fromUtf8(session::FormatOf(kind).title),
                                         problem);
            });
            view->addAction(action);
            exports_.emplace_back(side, kind, action);
        }
    }
    connect(design_, &QPushButton::clicked, this, [this] { Design(); });
    for (QLineEdit *box : {f1_, f2_, source_, load_, margin_})
        connect(box, &QLineEdit::returnPressed, this, [this] { Design(); });
}

void AmplifierPanel::Design()
{
    session::AmplifierBoxes boxes;
    boxes.goal =
        goal_->currentIndex() == 1 ? session::AmplifierGoal::Noise : session::AmplifierGoal::Gain;
    boxes.f1Ghz = f1_->text().trimmed().toStdString();
    boxes.f2Ghz = f2_->text().trimmed().toStdString();
    boxes.sourceOhms = source_->text().trimmed().toStdString();
    boxes.loadOhms = load_->text().trimmed().toStdString();
    boxes.stabilityMargin = margin_->text().trimmed().toStdString();
    boxes.stabilise = stabilise_->isChecked();
    status_->setText(QStringLiteral("Designing both networks\u2026"));
    // The device's data are copied into the run and the study is shared
    // with it, so that the window may close while it works; a newer press
    // raises the stop flag, which ends the searches within a solver step.
    run_.Start(
        [device = device_, boxes,
         study = study_](const std::atomic<bool> &stop) -> std::optional<session::AmplifierRun> {
            try {
                return session::RunAmplifierFromBoxes(device, boxes, study.get(), &stop);
            } catch (const analysis::TuneCancelled &) {
                return std::nullopt;
            }
        },
        [this](const session::AmplifierRun &run) { Show(run); });
}

QAction *AmplifierPanel::exportAction(session::AmplifierSide side, session::ExportKind kind) const
{
    for (const auto &[s, k, action] : exports_)
        if (s == side && k == kind)
            return action;
    return nullptr;
}

QString AmplifierPanel::ExportSide(session::AmplifierSide side, session::ExportKind kind)
{
    if (!outcome_)
        return QStringLiteral("No amplifier designed yet: set the band and Design.");
    const QString name = askSavePath_(this, session::FormatOf(kind));
    if (name.isEmpty())
        return {};
    const std::filesystem::path path(name.toStdU16String());
    // The device's file is what the design was made from: never replaced.
    if (session::SameFile(path, std::filesystem::path(device_.fileName)))
        return QStringLiteral("%1 is the transistor's own file.\n\nNothing was written. Choose "
                              "another name.")
            .arg(name);
    std::string text, error;
    try {
        text = session::AmplifierSideFile(session::AmplifierSideOf(*outcome_, side), kind);
    } catch (const std::exception &e) {
        return QStringLiteral("Nothing was written: ") + QString::fromStdString(e.what());
    }
    if (!session::WriteFileSafely(path, text, error))
        return QStringLiteral("%1 could not be written: %2")
            .arg(name, QString::fromStdString(error));
    return {};
}

void AmplifierPanel::Show(const session::AmplifierRun &run)
{
    if (!run.outcome) {
        // Nothing of an earlier design stays beside the reason there is none.
        outcome_.reset();
        plot_->SetView(nullptr);
        for (QWidget *w : {static_cast<QWidget *>(inputView_), static_cast<QWidget *>(outputView_)})
            w->hide();
        inputTitle_->setText(QStringLiteral("Input network (source to device)"));
        outputTitle_->setText(QStringLiteral("Output network (device to load)"));
        status_->setText(QStringLiteral("No amplifier: ") + QString::fromStdString(run.problem));
        if (shown_)
            shown_();
        return;
    }
    outcome_ = run.outcome;
    view_ = session::AmplifierViewOf(*outcome_);
    inputTitle_->setText(QString::fromStdString(view_.inputTitle));
    outputTitle_->setText(QString::fromStdString(view_.outputTitle));
    inputView_->SetSchematic(view_.input);
    outputView_->SetSchematic(view_.output);
    inputView_->show();
    outputView_->show();
    plot_->SetView(&view_);
    status_->setText(QString::fromStdString(view_.summary));
    if (shown_)
        shown_();
}

} // namespace tevmar
