#include "ui/response_window.h"

#include "format/analysis_text.h"
#include "session/options/part_model_options.h"
#include "session/run/tuning.h"
#include "session/types.h"
#include "session/views/drag.h"
#include "session/views/response_bands.h"
#include "session/views/smith_path.h"
#include "ui/background_run.h"
#include "ui/curve_look.h"
#include "ui/plot_widget.h"
#include "ui/response_views.h"
#include "ui/smith_chart.h"
#include "units/quantity.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>
#include <tuple>

namespace tevmar {

// The tolerance trials' pass limit, a VSWR above 1. Its minimum, 1, stands
// for the automatic limit, the design's own maximum VSWR x 1.1, which the box
// then shows as "auto" with its value; typing "auto" or clearing the box
// returns to it. Stepping from the automatic limit starts at its value.
class YieldLimitBox final : public QDoubleSpinBox
{
  public:
    using QDoubleSpinBox::QDoubleSpinBox;

    // The automatic limit for the design shown, or 0 before any design.
    void SetAutomatic(double vswr)
    {
        automatic_ = vswr;
        const QString factor = QString::fromStdString(Figure(session::kDefaultYieldVswrFactor));
        setSpecialValueText(vswr > minimum()
                                ? QStringLiteral("auto: %1 (design \u00D7 %2)")
                                      .arg(QString::fromStdString(Figure(vswr, 5)), factor)
                                : QStringLiteral("auto (design \u00D7 %1)").arg(factor));
    }

    bool automatic() const { return value() <= minimum(); }

    QValidator::State validate(QString &text, int &position) const override
    {
        const QString word = text.trimmed();
        if (word.isEmpty() || word.compare(QStringLiteral("auto"), Qt::CaseInsensitive) == 0 ||
            text == specialValueText())
            return QValidator::Acceptable;
        if (QStringLiteral("auto").startsWith(word, Qt::CaseInsensitive))
            return QValidator::Intermediate;
        return QDoubleSpinBox::validate(text, position);
    }

    double valueFromText(const QString &text) const override
    {
        const QString word = text.trimmed();
        if (word.isEmpty() || word.compare(QStringLiteral("auto"), Qt::CaseInsensitive) == 0 ||
            text == specialValueText())
            return minimum();
        return QDoubleSpinBox::valueFromText(text);
    }

    void stepBy(int steps) override
    {
        if (automatic() && automatic_ > minimum()) {
            const QSignalBlocker quiet(this); // one change, not two
            setValue(automatic_);
        }
        QDoubleSpinBox::stepBy(steps);
    }

  protected:
    StepEnabled stepEnabled() const override
    {
        StepEnabled enabled = QDoubleSpinBox::stepEnabled();
        if (automatic() && automatic_ > minimum())
            enabled |= StepDownEnabled;
        return enabled;
    }

  private:
    double automatic_ = 0;
};

namespace {

constexpr int kControlColumnWidth = 430;

// The tool reads and writes numbers with "." as the decimal point under every
// locale, as the main window's boxes do.
QLocale NumberLocale()
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

QDoubleSpinBox *NumberBox(QWidget *parent, const char *name, double low, double high, int decimals,
                          double step, const QString &suffix = {})
{
    auto *box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setLocale(NumberLocale());
    box->setRange(low, high);
    box->setDecimals(decimals);
    box->setSingleStep(step);
    box->setSuffix(suffix);
    box->setKeyboardTracking(false); // a typed value counts once it is complete
    return box;
}

QSpinBox *CountBox(QWidget *parent, const char *name, int low, int high, int step)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setLocale(NumberLocale());
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setKeyboardTracking(false);
    return box;
}

// A Q box: 0 stands for an ideal, lossless part.
QDoubleSpinBox *QualityBox(QWidget *parent, const char *name)
{
    QDoubleSpinBox *box = NumberBox(parent, name, 0, 1e6, 1, 10);
    box->setSpecialValueText(QStringLiteral("ideal"));
    return box;
}

std::optional<double> QualityOf(const QDoubleSpinBox *box)
{
    return box->value() > 0 ? std::optional<double>(box->value()) : std::nullopt;
}

// Where the part choice is remembered between sessions, beside the
// measured-load dialog's files.
const QString kPartSourceKey = QStringLiteral("responseParts/source");
const QString kInductorModelKey = QStringLiteral("responseParts/inductorModel");
const QString kCapacitorModelKey = QStringLiteral("responseParts/capacitorModel");
const QString kPadKey = QStringLiteral("responseParts/pad");
const QString kKitFolderKey = QStringLiteral("responseParts/kitFolder");

// The choice's place in the Built from box.
int SourceIndex(session::PartSource source)
{
    switch (source) {
    case session::PartSource::ChipModels:
        return 1;
    case session::PartSource::Kit:
        return 2;
    case session::PartSource::Ideal:
        break;
    }
    return 0;
}

session::PartSource SourceAt(int index)
{
    return index == 1   ? session::PartSource::ChipModels
           : index == 2 ? session::PartSource::Kit
                        : session::PartSource::Ideal;
}

session::PartChoice RecalledPartChoice()
{
    const QSettings settings;
    session::PartChoice choice;
    const QString source = settings.value(kPartSourceKey).toString();
    choice.source = source == QStringLiteral("chip")  ? session::PartSource::ChipModels
                    : source == QStringLiteral("kit") ? session::PartSource::Kit
                                                      : session::PartSource::Ideal;
    choice.kitFolder = settings.value(kKitFolderKey).toString().toStdString();
    choice.inductorModel = settings.value(kInductorModelKey).toString().toStdString();
    choice.capacitorModel = settings.value(kCapacitorModelKey).toString().toStdString();
    choice.pad = settings.value(kPadKey).toString().toStdString();
    return choice;
}

void RememberPartChoice(const session::PartChoice &choice)
{
    QSettings settings;
    settings.setValue(kPartSourceKey,
                      choice.source == session::PartSource::ChipModels ? QStringLiteral("chip")
                      : choice.source == session::PartSource::Kit      ? QStringLiteral("kit")
                                                                       : QStringLiteral("ideal"));
    settings.setValue(kKitFolderKey, QString::fromStdString(choice.kitFolder));
    settings.setValue(kInductorModelKey, QString::fromStdString(choice.inductorModel));
    settings.setValue(kCapacitorModelKey, QString::fromStdString(choice.capacitorModel));
    settings.setValue(kPadKey, QString::fromStdString(choice.pad));
}

// The choice the settings hold, when they come with chip models already
// (from the command line's options): those win over the remembered one.
std::optional<session::PartChoice> PartChoiceOf(const session::ResponseSettings &s)
{
    if (!s.inductorChip && !s.capacitorChip && s.padPf <= 0)
        return std::nullopt;
    session::PartChoice choice{session::PartSource::ChipModels};
    if (s.inductorChip)
        choice.inductorModel = session::InductorModelText(*s.inductorChip);
    if (s.capacitorChip)
        choice.capacitorModel = session::CapacitorModelText(*s.capacitorChip);
    if (s.padPf > 0)
        choice.pad = Figure(s.padPf) + "pF";
    return choice;
}

QLineEdit *ModelBox(QWidget *parent, const char *name, const QString &example, const QString &tip)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setPlaceholderText(example);
    box->setToolTip(tip);
    return box;
}

const session::ESeries kSeries[] = {session::ESeries::E12, session::ESeries::E24,
                                    session::ESeries::E48, session::ESeries::E96};

// Several bands: each shaded, its limit drawn over it, and the in-band
// maximum the worst passband's (none in closed form to set beside it).
PlotData WithBands(PlotData data, const session::Response &response)
{
    data.rippleGamma.reset();
    double worst = 0;
    bool lossy = false;
    for (std::size_t k = 0; k < response.goal.bands.size(); ++k) {
        const auto &b = response.goal.bands[k];
        PlotBand band{units::Frequency::FromHz(b.band.lowHz).ghz(),
                      units::Frequency::FromHz(b.band.highHz).ghz(), b.reject, std::nullopt};
        if (b.reject || b.limitGiven)
            band.lineDb = -20 * std::log10(b.level);
        data.bands.push_back(band);
        if (!b.reject && k < response.bandFigures.size()) {
            worst = std::max(worst, response.bandFigures[k].worst);
            lossy = lossy || response.bandFigures[k].lossy;
        }
    }
    // With lossy parts a band's figure is the lost power's root, no |S11|.
    if (worst > 0 && !lossy)
        data.rippleGamma = worst;
    data.rippleName = QString::fromStdString(
        response.candidate.empty() ? "worst band's max" : response.candidate + " worst band's max");
    return data;
}

PlotData PlotDataOf(const session::Response &response)
{
    PlotData data;
    data.message = QString::fromStdString(response.problem);
    if (!response.problem.empty())
        return data;
    for (const double f : response.frequenciesHz)
        data.frequencyGhz.push_back(units::Frequency::FromHz(f).ghz());
    data.logarithmic = response.plan.logarithmic;
    data.bandLowGhz = units::Frequency::FromHz(response.analysis.band.lowHz).ghz();
    data.bandHighGhz = units::Frequency::FromHz(response.analysis.band.highHz).ghz();
    for (std::size_t k = 0; k < response.curves.size(); ++k) {
        const session::ResponseCurve &curve = response.curves[k];
        PlotSeries s;
        s.name = QString::fromStdString(curve.name);
        const CurveLook look = LookOfCurve(curve);
        s.colour = look.colour;
        s.style = look.style;
        for (const session::SweepPoint &p : curve.points) {
            s.returnLossDb.push_back(p.returnLossDb);
            s.vswr.push_back(p.vswr);
            s.s21Db.push_back(-p.insertionLossDb);
        }
        s.groupDelayNs = curve.groupDelayNs;
        data.series.push_back(std::move(s));
    }
    // With parts as built, the network as built is drawn over the others
    // (the printed and snapped values run close to it), last in the legend.
    const auto ideal = std::find_if(
        response.curves.begin(), response.curves.end(),
        [](const session::ResponseCurve &c) { return c.role == session::CurveRole::Ideal; });
    if (ideal != response.curves.end() && !data.series.empty())
        std::rotate(data.series.begin(), data.series.begin() + 1,
                    data.series.begin() + static_cast<std::ptrdiff_t>(response.curves.size()));
    if (const auto &lossy = response.withLosses) {
        PlotSeries s;
        s.name = QString::fromStdString(lossy->name);
        s.colour = QColor(200, 0, 120);
        s.style = Qt::DotLine;
        s.transmissionOnly = true;
        for (const session::SweepPoint &p : lossy->points)
            s.s21Db.push_back(-p.insertionLossDb);
        s.groupDelayNs = lossy->groupDelayNs;
        data.series.push_back(std::move(s));
    }
    if (response.load && !response.load->measuredHz.empty()) {
        const auto [low, high] =
            std::minmax_element(response.load->measuredHz.begin(), response.load->measuredHz.end());
        data.measuredLowGhz = units::Frequency::FromHz(*low).ghz();
        data.measuredHighGhz = units::Frequency::FromHz(*high).ghz();
    }
    data.rippleGamma = response.analysis.selfCheck.designGammaMax;
    data.rippleName = QString::fromStdString(session::InBandMaxName(response));
    if (!response.goal.empty())
        return WithBands(std::move(data), response);
    if (response.analysis.bodeFano.applicable)
        data.limitGamma = response.analysis.bodeFano.gammaLimit;
    return data;
}

} // namespace

ResponseWindow::ResponseWindow(const session::ResponseSettings &settings, SettingsChanged changed)
    : QWidget(nullptr, Qt::Window), changed_(std::move(changed))
{
    state_.settings = settings;
    setObjectName(QStringLiteral("ResponseWindow"));
    setWindowTitle(QString::fromUtf8(kTitle));

    banner_ = new QLabel(this);
    banner_->setObjectName(QStringLiteral("designBanner"));
    banner_->setTextFormat(Qt::PlainText);
    banner_->setWordWrap(true);
    banner_->setMargin(6);
    banner_->setAutoFillBackground(true);

    plot_ = new ResponsePlot(this);
    plot_->setObjectName(QStringLiteral("responsePlot"));

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("settingsProblem"));
    problem_->setWordWrap(true);
    problem_->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    problem_->hide();

    figures_ = new QTableWidget(0, 3, this);
    figures_->setObjectName(QStringLiteral("figures"));
    figures_->setHorizontalHeaderLabels(
        {QStringLiteral("In-band maximum"), QStringLiteral("|S11|"), QStringLiteral("VSWR")});
    figures_->verticalHeader()->hide();
    figures_->horizontalHeader()->setStretchLastSection(true);
    figures_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    figures_->setSelectionMode(QAbstractItemView::NoSelection);
    figures_->setFocusPolicy(Qt::NoFocus);
    figures_->setWordWrap(true); // a long text row takes a second line
    // Row heights follow the text's wrapping, which follows the column widths.
    // The header tells of a stretched column before the table sees its new
    // width, so the rows are measured once the resizing is done.
    connect(figures_->horizontalHeader(), &QHeaderView::sectionResized, figures_,
            &QTableWidget::resizeRowsToContents, Qt::QueuedConnection);

    auto *column = new QVBoxLayout;
    column->addWidget(BuildSweepControls());
    partControls_ = BuildPartControls();
    column->addWidget(partControls_);
    column->addWidget(BuildToleranceControls());
    column->addWidget(problem_);
    column->addWidget(figures_, 1);
    auto *side = new QWidget(this);
    side->setLayout(column);
    side->setFixedWidth(kControlColumnWidth);
    column->setContentsMargins(0, 0, 0, 0);

    views_ = new ResponseViews(*this, *plot_);
    candidateRun_ = new BackgroundRun<session::CandidateSet>(this);
    views_->tabs().addTab(BuildCandidatesTab(), QStringLiteral("Candidates"));
    laterFigures_ = new BackgroundRun<session::LaterFigures>(this);
    tuner_ = new BackgroundRun<session::TunedResponse>(this);
    trialsBusy_ = new QWidget(this);
    trialsBusy_->setObjectName(QStringLiteral("trialsBusy"));
    auto *busyRow = new QHBoxLayout(trialsBusy_);
    busyRow->setContentsMargins(0, 0, 0, 0);
    busyRow->addWidget(new QLabel(QStringLiteral("Trials"), trialsBusy_));
    trialsProgress_ = new QProgressBar(trialsBusy_);
    trialsProgress_->setObjectName(QStringLiteral("trialsProgress"));
    trialsProgress_->setFormat(QStringLiteral("%v of %m"));
    busyRow->addWidget(trialsProgress_, 1);
    auto *cancelTrials = new QPushButton(QStringLiteral("Cancel"), trialsBusy_);
    cancelTrials->setObjectName(QStringLiteral("cancelTrials"));
    cancelTrials->setToolTip(QStringLiteral("Stop the tolerance trials; the curves stay"));
    connect(cancelTrials, &QPushButton::clicked, this, &ResponseWindow::CancelTrials);
    busyRow->addWidget(cancelTrials);
    trialsBusy_->hide();
    column->insertWidget(column->indexOf(figures_), trialsBusy_);
    trialsTimer_ = new QTimer(this);
    trialsTimer_->setInterval(100);
    connect(trialsTimer_, &QTimer::timeout, this, &ResponseWindow::ShowTrialsProgress);

    auto *body = new QHBoxLayout;
    body->addWidget(views_->widget(), 1);
    body->addWidget(side);
    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(views_->menuBar());
    layout->addWidget(banner_);
    layout->addLayout(body, 1);

    views_->OnSteps({[this](std::optional<std::size_t> part) { SelectPart(part); },
                     [this](int direction) { StepPart(direction, views_->stepPercent()); },
                     [this] { ClearSteps(); }, [this] { UndoStep(); }, [this] { BackToTuned(); }});
    views_->smith().OnPartDrag(
        {[this](const std::string &part) { return StartDrag(part); },
         [this](session::Complex gamma, double referenceOhms) { DragTo(gamma, referenceOhms); },
         [this] { EndDrag(); }});

    state_.partChoice = PartChoiceOf(state_.settings).value_or(RecalledPartChoice());
    WriteControls();
    ReadControls(); // the remembered parts, when they read
    ShowBanner();
    resize(1000, 680); // fits a 1024 x 768 screen
}

QWidget *ResponseWindow::BuildSweepControls()
{
    auto *group = new QGroupBox(QStringLiteral("Sweep"), this);
    followBand_ =
        new QCheckBox(QStringLiteral("Half the lower to twice the upper band edge"), group);
    followBand_->setObjectName(QStringLiteral("sweepFollowsBand"));
    from_ = NumberBox(group, "sweepFrom", 0.0001, 10000, 4, 0.1, QStringLiteral(" GHz"));
    to_ = NumberBox(group, "sweepTo", 0.0001, 10000, 4, 0.1, QStringLiteral(" GHz"));
    points_ = CountBox(group, "sweepPoints", session::kMinResponsePoints,
                       session::kMaxResponsePoints, 100);
    logarithmic_ = new QCheckBox(QStringLiteral("Logarithmic steps"), group);
    logarithmic_->setObjectName(QStringLiteral("sweepLogarithmic"));

    // Range and steps share lines, so that the figures below keep their room.
    auto *range = new QHBoxLayout;
    range->addWidget(from_, 1);
    auto *toLabel = new QLabel(QStringLiteral("to"), group);
    toLabel->setBuddy(to_);
    range->addWidget(toLabel);
    range->addWidget(to_, 1);
    auto *steps = new QHBoxLayout;
    steps->addWidget(points_, 1);
    steps->addWidget(logarithmic_, 1);

    // Several bands at once, as tevmar-cli's --band and --reject take them.
    bands_ = ModelBox(group, "bands", QStringLiteral("0.88:0.92, 1.76:1.84@-15dB"),
                      QStringLiteral("Passbands in GHz matched at once, each with its own |S11| "
                                     "limit (@-15dB) or weight (@w2).\nOnly the candidates run "
                                     "over several bands, the best drawn; the main window's design "
                                     "keeps its band.\nEmpty: the main window's band. As "
                                     "tevmar-cli's --band."));
    reject_ = ModelBox(group, "reject", QStringLiteral("2.6:2.8@20dB"),
                       QStringLiteral("Bands in GHz the network must reject, each by its "
                                      "attenuation in dB.\nAs tevmar-cli's --reject."));
    auto *bandRow = new QHBoxLayout;
    bandRow->addWidget(bands_, 3);
    auto *rejectLabel = new QLabel(QStringLiteral("Reject"), group);
    rejectLabel->setBuddy(reject_);
    bandRow->addWidget(rejectLabel);
    bandRow->addWidget(reject_, 2);
    bandsProblem_ = new QLabel(group);
    bandsProblem_->setObjectName(QStringLiteral("bandsProblem"));
    bandsProblem_->setWordWrap(true);
    bandsProblem_->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    bandsProblem_->hide();

    auto *form = new QFormLayout(group);
    form->addRow(followBand_);
    form->addRow(QStringLiteral("From"), range);
    form->addRow(QStringLiteral("Points"), steps);
    form->addRow(QStringLiteral("Bands"), bandRow);
    form->addRow(bandsProblem_);

    const auto read = [this] { ReadControls(); };
    for (QLineEdit *box : {bands_, reject_})
        connect(box, &QLineEdit::editingFinished, this, read);
    connect(followBand_, &QCheckBox::toggled, this, read);
    connect(from_, &QDoubleSpinBox::valueChanged, this, read);
    connect(to_, &QDoubleSpinBox::valueChanged, this, read);
    connect(points_, &QSpinBox::valueChanged, this, read);
    connect(logarithmic_, &QCheckBox::toggled, this, read);
    return group;
}

QWidget *ResponseWindow::BuildPartControls()
{
    auto *group = new QGroupBox(QStringLiteral("Parts"), this);
    series_ = new QComboBox(group);
    series_->setObjectName(QStringLiteral("eseries"));
    series_->addItem(QStringLiteral("none (exact values)"));
    for (const session::ESeries s : kSeries)
        series_->addItem(QString::fromStdString(session::SeriesName(s)));
    inductorQ_ = QualityBox(group, "inductorQ");
    capacitorQ_ = QualityBox(group, "capacitorQ");
    // In the order of session::QModel.
    qModel_ = new QComboBox(group);
    qModel_->setObjectName(QStringLiteral("qModel"));
    qModel_->addItem(QStringLiteral("Loss fixed by Q at centre"));
    qModel_->addItem(QStringLiteral("Same Q at every frequency"));
    qModel_->setToolTip(QStringLiteral(
        "Centre: each part's loss resistance is set by its Q at the centre frequency.\n"
        "Constant: each part keeps its Q at every frequency."));
    tune_ = new QCheckBox(QStringLiteral("Re-tune the values for the least in-band |S11|"), group);
    tune_->setObjectName(QStringLiteral("tune"));
    tune_->setToolTip(QStringLiteral(
        "Keeps the parts and their places, and the load as it is, and searches their values\n"
        "for the smallest largest |S11| in the band; on the standard series when one is set."));

    // What chip parts span by default, for the re-tune and the candidates
    // alike; a tuned part that ends at a limit is marked in the Tuned Values tab.
    const auto rangeRow = [group](QDoubleSpinBox *&low, QDoubleSpinBox *&high, const char *name,
                                  const QString &unit) {
        low = NumberBox(group, (std::string(name) + "Low").c_str(), 0.001, 1e6, 3, 0.1, unit);
        high = NumberBox(group, (std::string(name) + "High").c_str(), 0.001, 1e6, 3, 10, unit);
        auto *row = new QWidget(group);
        auto *layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(low);
        layout->addWidget(new QLabel(QStringLiteral("to"), row));
        layout->addWidget(high);
        return row;
    };
    QWidget *inductorRange =
        rangeRow(inductorLow_, inductorHigh_, "inductorRange", QStringLiteral(" nH"));
    QWidget *capacitorRange =
        rangeRow(capacitorLow_, capacitorHigh_, "capacitorRange", QStringLiteral(" pF"));

    // What the networks are built from: ideal parts, or chip parts as their
    // makers give them, in the texts tevmar-cli takes.
    partSource_ = new QComboBox(group);
    partSource_->setObjectName(QStringLiteral("partSource"));
    partSource_->addItem(QStringLiteral("Ideal parts"));
    partSource_->addItem(QStringLiteral("Chip models"));
    partSource_->addItem(QStringLiteral("Kit folder"));
    // A folder of the kit's measured parts (.s2p, and parts.csv when it has
    // one), as tevmar-cli's --parts takes it.
    kitFolder_ = ModelBox(group, "kitFolder", QStringLiteral("folder of .s2p files"),
                          QStringLiteral("The candidates and the tune are put on this kit's "
                                         "measured parts.\nAs tevmar-cli's --parts."));
    auto *chooseKit = new QPushButton(QStringLiteral("Choose\u2026"), group);
    chooseKit->setObjectName(QStringLiteral("chooseKit"));
    connect(chooseKit, &QPushButton::clicked, this, [this] {
        const QString folder = QFileDialog::getExistingDirectory(this, QStringLiteral("Kit folder"),
                                                                 kitFolder_->text());
        if (folder.isEmpty())
            return;
        kitFolder_->setText(folder);
        if (partSource_->currentIndex() != 2)
            partSource_->setCurrentIndex(2); // reads the controls
        else
            ReadControls();
    });
    auto *kitRow = new QHBoxLayout;
    kitRow->addWidget(kitFolder_, 1);
    kitRow->addWidget(chooseKit);
    inductorModel_ = ModelBox(group, "inductorModel", QStringLiteral("55@1.5GHz,0.157pF"),
                              QStringLiteral("Every inductor a chip inductor: Q at F (its loss "
                                             "rising as \u221Af) and CP across it.\n"
                                             "Empty: ideal inductors. As tevmar-cli's --l-model."));
    capacitorModel_ = ModelBox(group, "capacitorModel", QStringLiteral("0.45nH,0.12@1GHz"),
                               QStringLiteral("Every capacitor a chip capacitor: ESL and ESR "
                                              "(ohms, at F, rising as \u221Af) in series.\n"
                                              "Empty: ideal capacitors. As tevmar-cli's "
                                              "--c-model."));
    pad_ = ModelBox(group, "pad", QStringLiteral("0.05pF"),
                    QStringLiteral("A pad's capacitance to ground at every node of the ladder, "
                                   "the two ports' included.\nEmpty: no pads. As tevmar-cli's "
                                   "--pad."));
    auto *built = new QHBoxLayout;
    built->addWidget(partSource_, 1);
    auto *padLabel = new QLabel(QStringLiteral("Pad"), group);
    padLabel->setBuddy(pad_);
    built->addWidget(padLabel);
    built->addWidget(pad_, 1);
    auto *chips = new QHBoxLayout;
    chips->addWidget(inductorModel_, 1);
    auto *capacitorLabel = new QLabel(QStringLiteral("C"), group);
    capacitorLabel->setBuddy(capacitorModel_);
    chips->addWidget(capacitorLabel);
    chips->addWidget(capacitorModel_, 1);
    srfMargin_ = NumberBox(group, "srfMargin", 0, session::kMaxResponseSrfMarginPercent, 1, 5,
                           QStringLiteral(" %"));
    srfMargin_->setToolTip(
        QStringLiteral("How far above the band's top a part's self-resonance (inductor) or "
                       "series resonance (capacitor) must lie:\nthe chip models' value ranges and "
                       "the kit's parts follow it. 0: anywhere above the band. As tevmar-cli's "
                       "--srf-margin."));
    auto *seriesRow = new QHBoxLayout;
    seriesRow->addWidget(series_, 1);
    auto *marginLabel = new QLabel(QStringLiteral("Srf margin"), group);
    marginLabel->setBuddy(srfMargin_);
    seriesRow->addWidget(marginLabel);
    seriesRow->addWidget(srfMargin_);
    partProblem_ = new QLabel(group);
    partProblem_->setObjectName(QStringLiteral("partProblem"));
    partProblem_->setWordWrap(true);
    partProblem_->setStyleSheet(QStringLiteral("color: rgb(200, 0, 0);"));
    partProblem_->hide();

    auto *form = new QFormLayout(group);
    form->addRow(QStringLiteral("Built from"), built);
    form->addRow(QStringLiteral("Chip L"), chips);
    form->addRow(QStringLiteral("Kit"), kitRow);
    form->addRow(partProblem_);
    form->addRow(QStringLiteral("Standard values"), seriesRow);
    // Both kinds' Q on one line, so that the column keeps its height with the
    // bands' row above.
    auto *qualities = new QHBoxLayout;
    qualities->addWidget(inductorQ_, 1);
    auto *capacitorQLabel = new QLabel(QStringLiteral("Capacitor Q"), group);
    capacitorQLabel->setBuddy(capacitorQ_);
    qualities->addWidget(capacitorQLabel);
    qualities->addWidget(capacitorQ_, 1);
    form->addRow(QStringLiteral("Inductor Q"), qualities);
    form->addRow(QStringLiteral("Q model"), qModel_);
    form->addRow(tune_);
    form->addRow(QStringLiteral("Tuned L"), inductorRange);
    form->addRow(QStringLiteral("Tuned C"), capacitorRange);

    const auto read = [this] { ReadControls(); };
    connect(series_, &QComboBox::currentIndexChanged, this, read);
    connect(inductorQ_, &QDoubleSpinBox::valueChanged, this, read);
    connect(capacitorQ_, &QDoubleSpinBox::valueChanged, this, read);
    connect(qModel_, &QComboBox::currentIndexChanged, this, read);
    connect(srfMargin_, &QDoubleSpinBox::valueChanged, this, read);
    connect(tune_, &QCheckBox::toggled, this, read);
    connect(partSource_, &QComboBox::currentIndexChanged, this, read);
    for (QLineEdit *box : {inductorModel_, capacitorModel_, pad_, kitFolder_})
        connect(box, &QLineEdit::editingFinished, this, read);
    for (QDoubleSpinBox *box : {inductorLow_, inductorHigh_, capacitorLow_, capacitorHigh_})
        connect(box, &QDoubleSpinBox::valueChanged, this, read);
    return group;
}

QWidget *ResponseWindow::BuildToleranceControls()
{
    auto *group = new QGroupBox(QStringLiteral("Tolerance trials"), this);
    tolerance_ = NumberBox(group, "tolerance", 0, 99.9, 2, 1, QStringLiteral(" %"));
    tolerance_->setPrefix(QStringLiteral("\u00B1 "));
    trials_ = CountBox(group, "trials", 1, session::kMaxResponseTrials, 100);
    yieldLimit_ = new YieldLimitBox(group);
    yieldLimit_->setObjectName(QStringLiteral("yieldVswr"));
    yieldLimit_->setLocale(NumberLocale());
    yieldLimit_->setRange(1, 100);
    yieldLimit_->setDecimals(4);
    yieldLimit_->setSingleStep(0.05);
    yieldLimit_->setKeyboardTracking(false);
    yieldLimit_->SetAutomatic(0);
    yieldLimit_->setToolTip(
        QStringLiteral("A trial passes while its in-band VSWR stays below this limit.\n"
                       "auto, or an empty box: the design's maximum VSWR \u00D7 1.1."));

    auto *spread = new QHBoxLayout;
    spread->addWidget(tolerance_, 1);
    auto *trialsLabel = new QLabel(QStringLiteral("Trials"), group);
    trialsLabel->setBuddy(trials_);
    spread->addWidget(trialsLabel);
    spread->addWidget(trials_, 1);

    auto *form = new QFormLayout(group);
    form->addRow(QStringLiteral("Element tolerance"), spread);
    form->addRow(QStringLiteral("Pass below VSWR"), yieldLimit_);

    const auto read = [this] { ReadControls(); };
    connect(tolerance_, &QDoubleSpinBox::valueChanged, this, read);
    connect(trials_, &QSpinBox::valueChanged, this, read);
    connect(yieldLimit_, &QDoubleSpinBox::valueChanged, this, read);
    return group;
}

// Puts the settings into the controls without taking the change back as the
// engineer's; the range boxes show the band's default while they follow it.
void ResponseWindow::WriteControls()
{
    const QList<QWidget *> controls = {
        followBand_,    from_,           to_,           points_,       logarithmic_,   series_,
        inductorQ_,     capacitorQ_,     qModel_,       tune_,         tolerance_,     trials_,
        yieldLimit_,    inductorLow_,    inductorHigh_, capacitorLow_, capacitorHigh_, partSource_,
        inductorModel_, capacitorModel_, pad_,          srfMargin_,    bands_,         reject_};
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QWidget *control : controls)
        blockers.push_back(std::make_unique<QSignalBlocker>(control));

    const session::ResponseSettings &s = state_.settings;
    followBand_->setChecked(s.sweepFollowsBand);
    double fromGhz = s.fromGhz;
    double toGhz = s.toGhz;
    if (s.sweepFollowsBand && (state_.view.drawn() || s.bands.several())) {
        // Several bands: from half the lowest edge to twice the highest.
        const session::SweepPlan plan = session::DefaultSweep(
            s.bands.several() && !state_.side ? s.bands.goal.Span()
                                              : session::BandOf(state_.view.drawn()->result.band));
        fromGhz = units::Frequency::FromHz(plan.startHz).ghz();
        toGhz = units::Frequency::FromHz(plan.stopHz).ghz();
    }
    from_->setValue(fromGhz);
    to_->setValue(toGhz);
    from_->setEnabled(!s.sweepFollowsBand);
    to_->setEnabled(!s.sweepFollowsBand);
    points_->setValue(s.points);
    logarithmic_->setChecked(s.logarithmic);
    int index = 0;
    for (std::size_t k = 0; k < std::size(kSeries); ++k)
        if (s.eseries == kSeries[k])
            index = static_cast<int>(k) + 1;
    series_->setCurrentIndex(index);
    inductorQ_->setValue(s.inductorQ.value_or(0));
    capacitorQ_->setValue(s.capacitorQ.value_or(0));
    qModel_->setCurrentIndex(s.qModel == session::QModel::Constant ? 1 : 0);
    qModel_->setEnabled(s.inductorQ || s.capacitorQ); // ideal parts have no loss to model
    // A chip model gives its kind's loss: that kind's Q box stands aside.
    inductorQ_->setEnabled(!s.inductorChip);
    capacitorQ_->setEnabled(!s.capacitorChip);
    WritePartChoice();
    tune_->setChecked(s.tune);
    tune_->setEnabled(!s.bands.several()); // a tune answers one band
    srfMargin_->setValue(s.srfMarginPercent);
    if (bandsProblem_->isHidden()) { // a text the engineer is mending stays
        bands_->setText(QString::fromStdString(s.bands.bandsText));
        reject_->setText(QString::fromStdString(s.bands.rejectText));
    }
    inductorLow_->setValue(s.tuneRanges.inductorLowNh);
    inductorHigh_->setValue(s.tuneRanges.inductorHighNh);
    capacitorLow_->setValue(s.tuneRanges.capacitorLowPf);
    capacitorHigh_->setValue(s.tuneRanges.capacitorHighPf);
    tolerance_->setValue(s.tolerancePercent);
    trials_->setValue(s.trials);
    yieldLimit_->SetAutomatic(
        state_.view.drawn() ? session::AutomaticYieldVswr(*state_.view.drawn()) : 0);
    yieldLimit_->setValue(s.yieldVswr.value_or(yieldLimit_->minimum()));
}

void ResponseWindow::ReadControls()
{
    session::ResponseSettings s = state_.settings;
    s.sweepFollowsBand = followBand_->isChecked();
    // While the range follows the band its boxes show the band's default, so
    // leaving the default starts from the range the engineer saw.
    s.fromGhz = from_->value();
    s.toGhz = to_->value();
    s.points = points_->value();
    s.logarithmic = logarithmic_->isChecked();
    const int index = series_->currentIndex();
    s.eseries = index >= 1 && index <= static_cast<int>(std::size(kSeries))
                    ? std::optional<session::ESeries>(kSeries[index - 1])
                    : std::nullopt;
    s.inductorQ = QualityOf(inductorQ_);
    s.capacitorQ = QualityOf(capacitorQ_);
    s.qModel = qModel_->currentIndex() == 1 ? session::QModel::Constant : session::QModel::Centre;
    s.tune = tune_->isChecked();
    s.srfMarginPercent = srfMargin_->value();
    ReadBands(s);
    // A range whose ends cross keeps the one before.
    const session::PartRanges ranges{inductorLow_->value(), inductorHigh_->value(),
                                     capacitorLow_->value(), capacitorHigh_->value()};
    if (ranges.inductorLowNh < ranges.inductorHighNh &&
        ranges.capacitorLowPf < ranges.capacitorHighPf)
        s.tuneRanges = ranges;
    s.tolerancePercent = tolerance_->value();
    s.trials = trials_->value();
    s.yieldVswr =
        yieldLimit_->automatic() ? std::nullopt : std::optional<double>(yieldLimit_->value());
    // The part models through the command line's own reading; a text it
    // refuses keeps the models before, and the message says why.
    const session::PartChoice choice = PartChoiceOfControls();
    // A kit folder newly chosen is read for the band drawn, so that one that
    // cannot serve it is refused here, in the kit reader's words.
    const std::optional<session::Band> kitBand =
        choice.source == session::PartSource::Kit &&
                (choice != state_.partChoice || !partProblem_->isHidden())
            ? DrawnKitBand()
            : std::nullopt;
    const session::PartChoiceReading read =
        session::ApplyPartChoice(choice, s, kitBand ? &*kitBand : nullptr);
    partProblem_->setText(QString::fromStdString(read.problem));
    partProblem_->setVisible(!read.problem.empty());
    kitProblemShown_ = false;
    if (read.problem.empty()) {
        s = read.settings;
        if (choice != state_.partChoice) {
            state_.partChoice = choice;
            RememberPartChoice(choice);
        }
    }
    if (s == state_.settings) {
        WritePartChoice(); // the edits' enabling follows the choice
        return;
    }
    const bool partsChanged = !session::SameParts(s, state_.settings);
    const session::ResponseBands &was = state_.settings.bands;
    const bool bandsChanged = std::tie(s.bands.goal, s.bands.f1Text, s.bands.f2Text) !=
                              std::tie(was.goal, was.f1Text, was.f2Text);
    state_.settings = s;
    WriteControls();
    if (changed_)
        changed_(state_.settings);
    if (bandsChanged) {
        ApplyBands();
        return;
    }
    Recompute();
    // Candidates found with other parts rank networks that will not be
    // built: they are found again with these.
    if (partsChanged && state_.view.candidates() && !candidateRun_->running())
        FindCandidates();
}

// The band a kit is read for: the drawn network's, or over several bands
// them all, as for the candidates; none while nothing sound is drawn.
std::optional<session::Band> ResponseWindow::DrawnKitBand() const
{
    if (!state_.view.drawn() || !state_.drawn.problem.empty() || state_.drawn.frequenciesHz.empty())
        return std::nullopt;
    return state_.settings.bands.several() ? state_.settings.bands.goal.Span()
                                           : state_.drawn.analysis.band;
}

// A kit chosen before whose folder has gone since (deleted, emptied, made
// unreadable) builds no network: the part line says why in the command
// line's words, rather than the candidates and the tune on the kit coming
// back empty without a word. A kit that serves again takes the line back.
void ResponseWindow::ShowKitProblem(const session::Band &band)
{
    const std::string problem = session::KitProblem(*state_.study, state_.settings, band);
    if (!problem.empty()) {
        partProblem_->setText(QString::fromStdString(problem));
        partProblem_->show();
        kitProblemShown_ = true;
    } else if (kitProblemShown_) {
        partProblem_->clear();
        partProblem_->hide();
        kitProblemShown_ = false;
    }
}

void ResponseWindow::ReadBands(session::ResponseSettings &s)
{
    const std::string bands = bands_->text().trimmed().toStdString();
    const std::string reject = reject_->text().trimmed().toStdString();
    if (bands == s.bands.bandsText && reject == s.bands.rejectText && bandsProblem_->isHidden())
        return;
    // The command line's own reading, through the session.
    session::BandsReading reading = session::ReadResponseBands(bands, reject);
    if (reading.problem.empty() && state_.given)
        reading.problem = session::BandsProblem(reading.bands, *state_.given);
    bandsProblem_->setText(QString::fromStdString(reading.problem));
    bandsProblem_->setVisible(!reading.problem.empty());
    if (reading.problem.empty())
        s.bands = reading.bands;
}

QString ResponseWindow::bandsProblem() const
{
    return bandsProblem_->isHidden() ? QString() : bandsProblem_->text();
}

void ResponseWindow::ApplyBands()
{
    if (!state_.given)
        return;
    if (state_.settings.bands.several())
        StartBands();
    else if (state_.given->solved())
        ShowDesign(*state_.given);
    else
        ShowCandidatesFor(*state_.given);
}

bool ResponseWindow::GivenFollowsBands(const session::CalculateOutcome &given)
{
    if (!state_.given || &*state_.given != &given)
        state_.given = given;
    if (!state_.settings.bands.several())
        return true;
    const std::string problem = session::BandsProblem(state_.settings.bands, given);
    if (problem.empty())
        return false;
    // Bands this outcome cannot take: its own band, and the message says why.
    state_.settings.bands = {};
    bandsProblem_->setText(QString::fromStdString(problem));
    bandsProblem_->show();
    if (changed_) // the exports leave the bands too
        changed_(state_.settings);
    return true;
}

// Several bands: nothing is drawn until the candidates over them are found,
// then the best, as the command line's candidates-only run stands in for the
// design.
void ResponseWindow::StartBands()
{
    tuner_->Stop();
    laterFigures_->Stop();
    trialsTimer_->stop();
    trialsBusy_->hide();
    state_.tuned.reset();
    state_.steps.Reset(0);
    state_.history.Clear();
    candidateRun_->Stop(); // candidates of the band or bands before
    state_.view.CandidatesOnly(
        session::BandsDesign(*state_.study, *state_.given, state_.settings.bands));
    state_.stale = false;
    WriteControls();
    ShowBanner();
    plot_->SetData(PlotData{});
    FindCandidates();
}

session::PartChoice ResponseWindow::PartChoiceOfControls() const
{
    return {SourceAt(partSource_->currentIndex()), inductorModel_->text().trimmed().toStdString(),
            capacitorModel_->text().trimmed().toStdString(), pad_->text().trimmed().toStdString(),
            kitFolder_->text().trimmed().toStdString()};
}

// The choice into its boxes, unless the engineer is part way through one.
void ResponseWindow::WritePartChoice()
{
    const std::vector<std::unique_ptr<QSignalBlocker>> blockers = [this] {
        std::vector<std::unique_ptr<QSignalBlocker>> b;
        for (QWidget *w : std::initializer_list<QWidget *>{partSource_, inductorModel_,
                                                           capacitorModel_, pad_, kitFolder_})
            b.push_back(std::make_unique<QSignalBlocker>(w));
        return b;
    }();
    if (partProblem_->isHidden()) {
        partSource_->setCurrentIndex(SourceIndex(state_.partChoice.source));
        kitFolder_->setText(QString::fromStdString(state_.partChoice.kitFolder));
        inductorModel_->setText(QString::fromStdString(state_.partChoice.inductorModel));
        capacitorModel_->setText(QString::fromStdString(state_.partChoice.capacitorModel));
        pad_->setText(QString::fromStdString(state_.partChoice.pad));
    }
    const bool editing = partSource_->currentIndex() == 1;
    for (QLineEdit *box : {inductorModel_, capacitorModel_, pad_})
        box->setEnabled(editing);
}

void ResponseWindow::SetPartChoice(const session::PartChoice &choice)
{
    {
        const QSignalBlocker a(partSource_), b(inductorModel_), c(capacitorModel_), d(pad_);
        const QSignalBlocker e(kitFolder_);
        partSource_->setCurrentIndex(SourceIndex(choice.source));
        kitFolder_->setText(QString::fromStdString(choice.kitFolder));
        inductorModel_->setText(QString::fromStdString(choice.inductorModel));
        capacitorModel_->setText(QString::fromStdString(choice.capacitorModel));
        pad_->setText(QString::fromStdString(choice.pad));
    }
    ReadControls();
}

QString ResponseWindow::partProblem() const
{
    return partProblem_->text();
}

void ResponseWindow::SelectPart(std::optional<std::size_t> index)
{
    state_.steps.Select(index);
    ShowSteps();
}

void ResponseWindow::StepPart(int direction, double percent)
{
    const std::optional<std::size_t> part = state_.steps.selected();
    if (!part || !state_.view.drawn() || !state_.response.problem.empty())
        return;
    QElapsedTimer clock;
    clock.start();
    const session::PartStepValues before = state_.steps.values();
    if (!state_.steps.Step(*part, direction, percent))
        return;
    state_.history.Push(before, state_.steps.values());
    session::ApplySteps(state_.response, state_.drawn, state_.steps);
    ShowResponse();
    lastStepMs_ = units::Milliseconds(static_cast<double>(clock.nsecsElapsed()));
}

void ResponseWindow::ClearSteps()
{
    if (!state_.steps.any())
        return;
    const session::PartStepValues before = state_.steps.values();
    state_.steps.Clear();
    state_.history.Push(before, state_.steps.values());
    session::ApplySteps(state_.response, state_.drawn, state_.steps);
    if (state_.view.drawn())
        ShowResponse();
}

void ResponseWindow::UndoStep()
{
    if (dragPart_ || !state_.view.drawn() || !state_.history.Undo(state_.steps))
        return;
    session::ApplySteps(state_.response, state_.drawn, state_.steps);
    ShowResponse();
}

void ResponseWindow::BackToTuned()
{
    if (dragPart_ || !state_.view.drawn() || !state_.response.problem.empty())
        return;
    const session::PartStepValues before = state_.steps.values();
    state_.steps.Restore(session::TunedValues(state_.steps, state_.response, state_.drawn));
    if (state_.steps.values() == before)
        return;
    state_.history.Push(before, state_.steps.values());
    session::ApplySteps(state_.response, state_.drawn, state_.steps);
    ShowResponse();
}

// A press on a part's point on the Smith chart. The chart draws the tune
// while nothing is stepped: the drag starts from the tune's values, so that
// the path stays where it was and only the part held moves.
bool ResponseWindow::StartDrag(const std::string &partName)
{
    const tevmar::analysis::Network *network = session::DrawnNetworkOf(state_.drawn);
    if (!network || !state_.view.drawn() || !state_.response.problem.empty())
        return false;
    const std::optional<std::size_t> part = session::PartNamed(*network, partName);
    if (!part || *part >= state_.steps.size())
        return false;
    dragPart_ = part;
    dragBefore_ = state_.steps.values();
    if (!state_.steps.any() && session::TunedCurveOf(state_.response))
        state_.steps.Restore(session::TunedValues(state_.steps, state_.response, state_.drawn));
    state_.steps.Select(part);
    session::ApplySteps(state_.response, state_.drawn, state_.steps);
    ShowResponse();
    return true;
}

void ResponseWindow::DragTo(session::Complex gamma, double referenceOhms)
{
    if (!dragPart_)
        return;
    QElapsedTimer clock;
    clock.start();
    if (!session::DragPart(state_.steps, state_.drawn, *dragPart_, gamma, referenceOhms,
                           state_.settings.tuneRanges))
        return;
    session::ApplySteps(state_.response, state_.drawn, state_.steps);
    ShowResponse();
    lastStepMs_ = units::Milliseconds(static_cast<double>(clock.nsecsElapsed()));
}

// The whole drag is one change for Undo.
void ResponseWindow::EndDrag()
{
    if (!dragPart_)
        return;
    dragPart_.reset();
    state_.history.Push(dragBefore_, state_.steps.values());
    ShowSteps();
}

void ResponseWindow::ShowSteps()
{
    views_->ShowSteps(state_.response.problem.empty()
                          ? session::SteppedValueRows(state_.drawn.analysis.full, state_.steps)
                          : std::vector<session::SteppedValueRow>{},
                      state_.steps.selected());
    views_->ShowUndo(!state_.history.empty());
}

void ResponseWindow::ShowDesign(const session::CalculateOutcome &design)
{
    state_.side.reset();
    if (!GivenFollowsBands(design)) {
        EnableDesignControls();
        return StartBands();
    }
    state_.steps.Reset(0);
    state_.history.Clear();
    state_.view.NewDesign(design);
    candidateRun_->Stop(); // candidates of the design before
    ShowCandidateTable();
    tuner_->Stop(); // a tune of the design before
    state_.tuned.reset();
    state_.stale = false;
    WriteControls();
    EnableDesignControls();
    ShowBanner();
    Recompute();
    if (const std::optional<session::Band> band = DrawnKitBand())
        ShowKitProblem(*band);
}

void ResponseWindow::ShowAmplifierSide(const session::AmplifierSideNetwork &side)
{
    state_.side = side;
    state_.steps.Reset(0);
    state_.history.Clear();
    state_.view.NewDesign(session::AmplifierSideShown(side));
    candidateRun_->Stop();
    ShowCandidateTable();
    tuner_->Stop();
    state_.tuned.reset();
    state_.stale = false;
    WriteControls();
    EnableDesignControls();
    ShowBanner();
    Recompute();
}

void ResponseWindow::EnableDesignControls()
{
    const bool design = !state_.side;
    const QString aside = design ? QString()
                                 : QStringLiteral("Applies to designs: an amplifier's side is "
                                                  "shown with its parts as built.");
    for (QWidget *w : {partControls_, static_cast<QWidget *>(bands_),
                       static_cast<QWidget *>(reject_), static_cast<QWidget *>(findCandidates_)}) {
        w->setEnabled(design);
        w->setToolTip(aside);
    }
    ShowCandidateTable(); // Find Candidates as the candidates' state has it
}

void ResponseWindow::MarkStale(bool stale)
{
    if (state_.stale == stale)
        return;
    state_.stale = stale;
    ShowBanner();
}

void ResponseWindow::ShowBanner()
{
    QPalette palette = banner_->palette();
    // The palette's own text on its own base, light or dark.
    const auto plain = [&palette] {
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
        palette.setColor(QPalette::WindowText, palette.color(QPalette::Text));
    };
    // A candidate drawn in place of the design: pale green behind black.
    const auto candidate = [&palette] {
        palette.setColor(QPalette::Window, QColor(225, 245, 225));
        palette.setColor(QPalette::WindowText, Qt::black);
    };
    const std::optional<session::CalculateOutcome> &own = state_.view.candidatesFor();
    // Several bands: the line the command line's pane gives first, then what is drawn.
    const bool several = state_.settings.bands.several() && state_.given && !state_.side;
    QString bands =
        several ? QString::fromStdString(session::BandsNote(state_.settings.bands, *state_.given))
                : QString();
    if (several && state_.stale)
        bands += QStringLiteral(" The latest Calculate found no solution: the bands start from "
                                "the design before it.");
    if (several) {
        const auto showing = state_.view.showing();
        banner_->setText(
            bands + QStringLiteral("\n") +
            (showing == session::CandidateViewState::Showing::Candidate
                 ? QString::fromStdString(session::CandidateSummary(*state_.view.candidates(),
                                                                    *state_.view.picked(), false))
             : showing == session::CandidateViewState::Showing::Searching
                 ? QStringLiteral("Finding candidate networks over every band\u2026")
             : showing == session::CandidateViewState::Showing::NoneFound
                 ? QStringLiteral("No candidate network matches over the bands within the part "
                                  "ranges.")
                 : QStringLiteral("The search over the bands was stopped: Find Candidates starts "
                                  "it again.")));
        if (showing == session::CandidateViewState::Showing::Candidate)
            candidate();
        else
            plain();
    } else
        switch (state_.view.showing()) {
        case session::CandidateViewState::Showing::Candidate:
            banner_->setText(
                QString::fromStdString(
                    session::CandidateSummary(*state_.view.candidates(), *state_.view.picked())) +
                (own && own->solved()
                     ? QStringLiteral(". The main window's design is unchanged.")
                     : QStringLiteral(". The synthesis has no design for these inputs.")));
            candidate();
            break;
        case session::CandidateViewState::Showing::Searching:
            banner_->setText(
                QStringLiteral("No textbook design for these inputs: finding candidate "
                               "networks tuned into the true load…"));
            plain();
            break;
        case session::CandidateViewState::Showing::NoneFound:
            banner_->setText(
                QStringLiteral("No textbook design for these inputs, and no candidate "
                               "network matches the true load within the part ranges."));
            plain();
            break;
        case session::CandidateViewState::Showing::Nothing:
            banner_->setText(state_.stale
                                 ? QStringLiteral("No design: the latest Calculate found no "
                                                  "solution for these inputs.")
                                 : QStringLiteral("No design yet: press Calculate in the main "
                                                  "window."));
            plain();
            break;
        case session::CandidateViewState::Showing::Design:
            if (state_.stale) {
                banner_->setText(
                    QStringLiteral("NOT THE CURRENT DESIGN: the latest Calculate found "
                                   "no solution. Shown is the design before it: ") +
                    QString::fromStdString(session::DesignSummary(*state_.view.drawn())));
                palette.setColor(QPalette::Window, QColor(255, 215, 215));
                palette.setColor(QPalette::WindowText, QColor(170, 0, 0));
            } else {
                banner_->setText(
                    QString::fromStdString(session::DesignSummary(*state_.view.drawn())));
                palette.setColor(QPalette::Window, QColor(225, 238, 255));
                palette.setColor(QPalette::WindowText, Qt::black);
            }
            break;
        }
    banner_->setPalette(palette);
    QFont font = banner_->font();
    font.setBold(state_.stale);
    banner_->setFont(font);
    setWindowTitle(QString::fromUtf8(kTitle) +
                   (state_.stale ? QStringLiteral(" (not the current design)") : QString()));
}

void ResponseWindow::Recompute()
{
    if (!state_.view.drawn())
        return;
    QElapsedTimer clock;
    clock.start();
    // The curves show at once; the tolerance trials, the sensitivity and a
    // tune follow from other threads.
    const session::ResponseSettings settings = state_.Shown();
    state_.response = session::ComputeResponse(*state_.view.drawn(), settings,
                                               session::Trials::Later, state_.study.get());
    if (const std::optional<std::size_t> picked = state_.view.picked())
        session::NameAsCandidate(state_.response, "Candidate " + std::to_string(*picked + 1));
    // Steps made by hand stay through a change of the settings, on the same
    // network; a network of another shape starts afresh.
    state_.drawn = state_.response;
    const bool partsChangedForSteps = state_.stepsKitFolder != settings.partsFolder;
    state_.stepsKitFolder = settings.partsFolder;
    if (state_.steps.size() != state_.drawn.analysis.full.parts.size() || partsChangedForSteps) {
        // Kit parts step to the kit's neighbouring values.
        state_.steps.Reset(state_.drawn.analysis.full,
                           session::KitForSteps(settings, settings.bands.several()
                                                              ? settings.bands.goal.Span()
                                                              : state_.drawn.analysis.band));
        state_.history.Clear();
    }
    session::ApplySteps(state_.response, state_.drawn, state_.steps);
    // A tune and the trials answer one band: over several, each band's figure.
    const bool oneBand = !settings.bands.several();
    if (state_.response.problem.empty() && settings.tune && oneBand)
        FollowTune();
    else
        tuner_->Stop();
    ShowResponse();
    if (state_.response.problem.empty() && oneBand) {
        StartTrials();
    } else {
        laterFigures_->Stop();
        trialsTimer_->stop();
        trialsBusy_->hide();
    }
    lastComputeMs_ = units::Milliseconds(static_cast<double>(clock.nsecsElapsed()));
}

void ResponseWindow::StartTrials()
{
    // A fresh counter for each run: an older run still winding down on its
    // thread keeps counting into its own.
    trialsDone_ = std::make_shared<std::atomic<int>>(0);
    laterFigures_->Start(
        [design = *state_.view.drawn(), settings = state_.Shown(),
         done = trialsDone_](const std::atomic<bool> &stop) {
            return session::RunLaterFigures(stop, design, settings, done.get());
        },
        [this](const session::LaterFigures &later) {
            state_.response.analysis.yield = later.yield;
            state_.response.analysis.sensitivity = later.sensitivity;
            state_.response.trialsPending = false;
            trialsTimer_->stop();
            trialsBusy_->hide();
            ShowFigures();
        });
    trialsProgress_->setRange(0, state_.settings.trials);
    trialsProgress_->setValue(0);
    trialsBusy_->show();
    trialsTimer_->start();
}

void ResponseWindow::ShowTrialsProgress()
{
    if (trialsDone_)
        trialsProgress_->setValue(trialsDone_->load(std::memory_order_relaxed));
}

void ResponseWindow::CancelTrials()
{
    if (!laterFigures_->running())
        return;
    laterFigures_->Stop();
    trialsTimer_->stop();
    trialsBusy_->hide();
    state_.response.trialsPending = false;
    state_.response.trialsCancelled = true;
    ShowFigures();
}

// The tuned network depends on the design, the standard series and the parts alone: a
// tune already done for them is swept again at once, a tune under way is
// left to finish, and anything else starts one.
void ResponseWindow::FollowTune()
{
    const bool same = state_.TuneFollowsSettings();
    if (state_.tuned && same) {
        if (state_.tuned->tuned)
            session::AddTuned(state_.response, *state_.tuned->tuned,
                              state_.tuned->figures ? &*state_.tuned->figures : nullptr,
                              state_.tuned->kit ? &*state_.tuned->kit : nullptr);
        return;
    }
    state_.response.tunePending = true;
    if (tuner_->running() && same)
        return;
    state_.TuneStarted();
    tuner_->Start(
        [design = *state_.view.drawn(), settings = state_.settings,
         study = state_.study](const std::atomic<bool> &stop) {
            session::TunedResponse r = session::TuneForWindow(*study, design, settings, &stop);
            return r.cancelled ? std::nullopt : std::optional<session::TunedResponse>(r);
        },
        [this](const session::TunedResponse &tuned) {
            state_.tuned = tuned;
            state_.response.tunePending = false;
            if (state_.tuned->tuned)
                ShowKitProblem(state_.tuned->tuned->problem.band);
            if (state_.tuned->tuned && state_.response.problem.empty())
                session::AddTuned(state_.response, *state_.tuned->tuned,
                                  state_.tuned->figures ? &*state_.tuned->figures : nullptr,
                                  state_.tuned->kit ? &*state_.tuned->kit : nullptr);
            ShowResponse();
        });
}

void ResponseWindow::ShowResponse()
{
    plot_->SetData(PlotDataOf(state_.response));
    views_->Show(state_.response, *state_.view.drawn(),
                 state_.Shown().tune ? &state_.tuned : nullptr);
    ShowFigures();
    ShowSteps();
}

bool ResponseWindow::tuneRunning() const
{
    return tuner_->running();
}

bool ResponseWindow::trialsRunning() const
{
    return laterFigures_->running();
}

void ResponseWindow::ShowFigures()
{
    problem_->setText(QString::fromStdString(state_.response.problem));
    problem_->setVisible(!state_.response.problem.empty());
    const std::vector<session::FigureRow> rows = state_.response.problem.empty()
                                                     ? session::FigureRows(state_.response)
                                                     : std::vector<session::FigureRow>{};
    figures_->clearSpans();
    figures_->setRowCount(0);
    figures_->setRowCount(static_cast<int>(rows.size()));
    const auto cell = [](const std::string &text) {
        return new QTableWidgetItem(QString::fromStdString(text)); // the table owns it
    };
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const int row = static_cast<int>(k);
        const session::FigureRow &r = rows[k];
        figures_->setItem(row, 0, cell(r.figure));
        if (r.text.empty()) {
            figures_->setItem(row, 1, cell(r.gamma));
            figures_->setItem(row, 2, cell(r.vswr));
        } else {
            figures_->setSpan(row, 1, 1, 2);
            // A word joiner after each bar keeps "|S11|" whole where the text wraps.
            QString text = QString::fromStdString(r.text);
            text.replace(QStringLiteral("|"), QStringLiteral("|\u2060"));
            figures_->setItem(row, 1, new QTableWidgetItem(text));
            figures_->item(row, 1)->setToolTip(QString::fromStdString(r.text));
        }
    }
    figures_->resizeColumnToContents(0);
    // Room for the widest figure, a small one in exponent form included.
    figures_->setColumnWidth(
        1, figures_->fontMetrics().horizontalAdvance(QStringLiteral("0.0000e-00")) + 8);
    figures_->resizeRowsToContents();
}

} // namespace tevmar

namespace tevmar {

namespace {

// A cell sorted by its number rather than its text.
// Where the first cell of a candidate's row keeps the candidate's index.
constexpr int kCandidateIndexRole = Qt::UserRole + 1;

class SortedItem final : public QTableWidgetItem
{
  public:
    SortedItem(const QString &text, double key) : QTableWidgetItem(text)
    {
        setData(Qt::UserRole, key);
    }
    bool operator<(const QTableWidgetItem &other) const override
    {
        return data(Qt::UserRole).toDouble() < other.data(Qt::UserRole).toDouble();
    }
};

} // namespace

QWidget *ResponseWindow::BuildCandidatesTab()
{
    auto *tab = new QWidget(this);
    tab->setObjectName(QStringLiteral("candidatesTab"));
    findCandidates_ = new QPushButton(QStringLiteral("Find Candidates"), tab);
    findCandidates_->setObjectName(QStringLiteral("findCandidates"));
    findCandidates_->setToolTip(
        QStringLiteral("Tunes bandpass ladders of order 4, 8 and 12 and lowpass and highpass\n"
                       "ladders of 2 to 6 parts into the true load, ranked by in-band |S11|."));
    ownDesignButton_ = new QPushButton(QStringLiteral("Show the Design"), tab);
    ownDesignButton_->setObjectName(QStringLiteral("showOwnDesign"));
    candidateProgress_ = new QProgressBar(tab);
    candidateProgress_->setObjectName(QStringLiteral("candidateProgress"));
    candidateProgress_->hide();
    candidateNote_ = new QLabel(tab);
    candidateNote_->setWordWrap(true);
    candidateNote_->setText(QStringLiteral(
        "Choose a row to draw that network in every view; File \u2192 Export then writes it."));
    candidateTable_ = new QTableWidget(0, 0, tab);
    candidateTable_->setObjectName(QStringLiteral("candidateTable"));
    candidateTable_->verticalHeader()->hide();
    candidateTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    candidateTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    candidateTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    candidateTable_->horizontalHeader()->setStretchLastSection(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(findCandidates_);
    buttons->addWidget(ownDesignButton_);
    buttons->addWidget(candidateProgress_, 1);
    auto *column = new QVBoxLayout(tab);
    column->addLayout(buttons);
    column->addWidget(candidateNote_);
    column->addWidget(candidateTable_, 1);

    connect(findCandidates_, &QPushButton::clicked, this, [this] { FindCandidates(); });
    connect(ownDesignButton_, &QPushButton::clicked, this, [this] { ShowOwnDesign(); });
    // The row's first cell holds the candidate's index, whatever the sorting.
    connect(candidateTable_, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem *> chosen = candidateTable_->selectedItems();
        if (chosen.isEmpty())
            return;
        const QTableWidgetItem *rank = candidateTable_->item(chosen.front()->row(), 0);
        const auto index = static_cast<std::size_t>(rank->data(kCandidateIndexRole).toULongLong());
        if (state_.view.picked() != index)
            PickCandidate(index);
    });
    ShowCandidateTable();
    return tab;
}

void ResponseWindow::ShowCandidatesFor(const session::CalculateOutcome &unsolved)
{
    state_.side.reset();
    EnableDesignControls();
    if (!GivenFollowsBands(unsolved))
        return StartBands();
    tuner_->Stop();
    laterFigures_->Stop();
    trialsTimer_->stop();
    trialsBusy_->hide();
    state_.tuned.reset();
    state_.steps.Reset(0);
    state_.history.Clear();
    state_.view.NoDesign(unsolved);
    candidateRun_->Stop(); // candidates of the inputs before
    state_.stale = false;
    ShowBanner();
    plot_->SetData(PlotData{});
    views_->tabs().setCurrentWidget(candidateTable_->parentWidget());
    FindCandidates();
}

void ResponseWindow::FindCandidates()
{
    if (state_.side)
        return; // candidates are found for designs
    const std::optional<int> ticket = state_.view.StartSearch();
    if (!ticket)
        return;
    candidateProgress_->setRange(0, 0);
    candidateProgress_->show();
    findCandidates_->setEnabled(false);
    QPointer<QProgressBar> bar(candidateProgress_);
    candidateRun_->Start(
        [design = *state_.view.candidatesFor(), settings = state_.settings, study = state_.study,
         bar](const std::atomic<bool> &stop) {
            return session::FindCandidates(*study, design, settings, &stop,
                                           [bar](int done, int total) {
                                               QMetaObject::invokeMethod(
                                                   QCoreApplication::instance(),
                                                   [bar, done, total] {
                                                       if (bar) {
                                                           bar->setRange(0, total);
                                                           bar->setValue(done);
                                                       }
                                                   },
                                                   Qt::QueuedConnection);
                                           });
        },
        [this, ticket = *ticket](const session::CandidateSet &set) {
            const std::optional<std::size_t> before = state_.view.picked();
            const bool drewDesign =
                state_.view.showing() == session::CandidateViewState::Showing::Design;
            if (!state_.view.CandidatesFound(ticket, set))
                return;
            // Whether the kit could serve the band the candidates were
            // sought over (none found on one that cannot).
            if (!set.goal.empty())
                ShowKitProblem(set.goal.Span());
            else if (!set.candidates.empty())
                ShowKitProblem(set.candidates.front().problem.band);
            else if (state_.view.candidatesFor())
                ShowKitProblem(session::BandOf(state_.view.candidatesFor()->result.band));
            const bool drawsDesign =
                state_.view.showing() == session::CandidateViewState::Showing::Design;
            if (state_.view.picked() != before || drawsDesign != drewDesign)
                DrawAnotherNetwork();
            else
                ShowBanner(); // no candidate at all: the banner says so
            ShowCandidateTable();
        });
    ShowCandidateTable();
}

bool ResponseWindow::candidatesRunning() const
{
    return candidateRun_->running();
}

std::optional<int> ResponseWindow::pickedRank() const
{
    const std::optional<std::size_t> picked = state_.view.picked();
    return picked ? std::optional<int>(static_cast<int>(*picked) + 1) : std::nullopt;
}

void ResponseWindow::PickCandidate(std::size_t index)
{
    if (!state_.view.Pick(index))
        return;
    DrawAnotherNetwork();
    ShowCandidateTable();
}

void ResponseWindow::ShowOwnDesign()
{
    if (!state_.view.ShowDesign())
        return;
    DrawAnotherNetwork();
    ShowCandidateTable();
}

// The network drawn is now another: a tune belongs to the network it started
// from, and every view and figure follows the new one.
void ResponseWindow::DrawAnotherNetwork()
{
    state_.steps.Reset(0);
    state_.history.Clear();
    tuner_->Stop();
    state_.tuned.reset();
    WriteControls();
    ShowBanner();
    Recompute();
}

void ResponseWindow::ShowCandidateTable()
{
    const bool running = candidateRun_->running();
    findCandidates_->setEnabled(state_.view.candidatesFor().has_value() && !running &&
                                !state_.side);
    ownDesignButton_->setEnabled(state_.view.canShowDesign());
    if (!running)
        candidateProgress_->hide();
    const QSignalBlocker quiet(candidateTable_);
    candidateTable_->setSortingEnabled(false);
    candidateTable_->clear();
    const std::optional<session::CandidateSet> &candidates = state_.view.candidates();
    if (!candidates) {
        candidateTable_->setRowCount(0);
        candidateTable_->setColumnCount(0);
        return;
    }
    QStringList heads;
    for (const std::string &head : session::CandidateHeads(*candidates))
        heads.push_back(QString::fromStdString(head));
    const auto rows = session::CandidateRows(*candidates);
    candidateTable_->setColumnCount(static_cast<int>(heads.size()));
    candidateTable_->setHorizontalHeaderLabels(heads);
    candidateTable_->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const double key = c == 0 ? static_cast<double>(r) : rows[r][c].sortKey;
            auto *item = new SortedItem(QString::fromStdString(rows[r][c].text), key);
            if (c == 0)
                item->setData(kCandidateIndexRole, static_cast<qulonglong>(r));
            candidateTable_->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    candidateTable_->resizeColumnsToContents();
    candidateTable_->setSortingEnabled(true);
    if (const std::optional<std::size_t> picked = state_.view.picked()) {
        for (int row = 0; row < candidateTable_->rowCount(); ++row)
            if (candidateTable_->item(row, 0)->data(kCandidateIndexRole).toULongLong() == *picked)
                candidateTable_->selectRow(row);
    }
}

} // namespace tevmar
