#include "ui/response_views.h"

#include "format/analysis_text.h"
#include "session/types.h"
#include "session/views/markers.h"
#include "session/views/schematic.h"
#include "ui/plot_widget.h"
#include "ui/schematic_view.h"
#include "ui/smith_chart.h"
#include "units/quantity.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <functional>

namespace tevmar {

namespace {

struct PanelChoice
{
    const char *text;
    const char *name;
    ResponsePlot::PanelKind kind;
};

const PanelChoice kPanelChoices[] = {
    {"&Return Loss", "viewReturnLoss", ResponsePlot::ReturnLossPanel},
    {"&VSWR", "viewVswr", ResponsePlot::VswrPanel},
    {"&Insertion Loss (S21)", "viewTransmission", ResponsePlot::TransmissionPanel},
    {"&Group Delay", "viewDelay", ResponsePlot::DelayPanel},
};

// A value and its unit kept on one line where the text wraps: the space
// between a number and the unit after it made non-breaking.
QString KeepUnitsWithValues(QString text)
{
    static const QRegularExpression space(
        QStringLiteral("(\\d) (?=(?:nH|pF|\u00B5H|uH|nF|\u03A9|ohms?|GHz|MHz|kHz|Hz|dB|ns|%)"
                       "(?![A-Za-z]))"));
    return text.replace(space, QStringLiteral("\\1\u00A0"));
}

} // namespace

ResponseViews::ResponseViews(QWidget &window, ResponsePlot &plot)
    : QObject(&window), window_(window), plot_(plot)
{
    body_ = new QWidget(&window);
    tabs_ = new QTabWidget(body_);
    tabs_->setObjectName(QStringLiteral("responseTabs"));
    tabs_->addTab(&plot, QStringLiteral("Frequency"));
    smith_ = new SmithChart(tabs_);
    smith_->setObjectName(QStringLiteral("smithChart"));
    tabs_->addTab(smith_, QStringLiteral("Smith Chart"));
    schematic_ = new SchematicView(tabs_);
    schematic_->setObjectName(QStringLiteral("schematic"));
    tabs_->addTab(schematic_, QStringLiteral("Schematic"));
    tabs_->addTab(BuildTunedTab(), QStringLiteral("Tuned Values"));

    markers_ = new QTableWidget(0, static_cast<int>(session::MarkerColumns().size()), body_);
    markers_->setObjectName(QStringLiteral("markerTable"));
    QStringList heads;
    for (const std::string &head : session::MarkerColumns())
        heads << QString::fromStdString(head);
    markers_->setHorizontalHeaderLabels(heads);
    markers_->verticalHeader()->hide();
    markers_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    markers_->setMaximumHeight(130);
    markers_->setToolTip(QStringLiteral("Click a panel to place a marker (up to four), drag it "
                                        "to move it, right-click it to remove it."));
    markers_->hide();

    auto *column = new QVBoxLayout(body_);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(tabs_, 1);
    column->addWidget(markers_);

    plot_.OnMarkersChanged([this] { ShowMarkers(); });
    BuildMenus();
}

QAction *ResponseViews::viewAction(const char *objectName) const
{
    return menuBar_->findChild<QAction *>(QString::fromLatin1(objectName));
}

void ResponseViews::BuildMenus()
{
    menuBar_ = new QMenuBar(&window_);
    menuBar_->setObjectName(QStringLiteral("responseMenuBar"));
    file_ = menuBar_->addMenu(QStringLiteral("&File"));
    edit_ = menuBar_->addMenu(QStringLiteral("&Edit"));
    QMenu *view = menuBar_->addMenu(QStringLiteral("&View"));

    QAction *save = new QAction(QStringLiteral("Save &Schematic\u2026"), menuBar_);
    save->setObjectName(QStringLiteral("saveSchematicAction"));
    connect(save, &QAction::triggered, this, &ResponseViews::SaveSchematicAs);
    file_->addAction(save);
    file_->addSeparator();
    QAction *close = file_->addAction(QStringLiteral("&Close"), &window_, &QWidget::close);
    close->setShortcut(QKeySequence::Close);

    QAction *copyValues = new QAction(QStringLiteral("Copy &Values"), menuBar_);
    copyValues->setObjectName(QStringLiteral("copyValuesAction"));
    copyValues->setShortcut(QKeySequence::Copy);
    connect(copyValues, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(ValuesText()); });
    edit_->addAction(copyValues);
    QAction *copyTuned = new QAction(QStringLiteral("Copy &Tuned Values"), menuBar_);
    copyTuned->setObjectName(QStringLiteral("copyTunedValuesAction"));
    connect(copyTuned, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(TunedValuesText()); });
    edit_->addAction(copyTuned);
    QAction *copySchematic = new QAction(QStringLiteral("Copy Schematic as &Image"), menuBar_);
    copySchematic->setObjectName(QStringLiteral("copySchematicAction"));
    connect(copySchematic, &QAction::triggered, this, &ResponseViews::CopySchematic);
    edit_->addAction(copySchematic);
    QAction *clear = edit_->addAction(QStringLiteral("Clear &Markers"), &plot_,
                                      [this] { plot_.SetMarkers({}); });
    clear->setObjectName(QStringLiteral("clearMarkersAction"));
    edit_->addSeparator();
    undo_ = new QAction(QStringLiteral("&Undo Step"), menuBar_);
    undo_->setObjectName(QStringLiteral("undoStepAction"));
    undo_->setShortcut(QKeySequence::Undo);
    undo_->setEnabled(false);
    connect(undo_, &QAction::triggered, this, [this] {
        if (steps_.undo)
            steps_.undo();
    });
    edit_->addAction(undo_);

    for (const PanelChoice &c : kPanelChoices) {
        QAction *a = view->addAction(QString::fromUtf8(c.text));
        a->setObjectName(QString::fromLatin1(c.name));
        a->setCheckable(true);
        a->setChecked(plot_.panels() & c.kind);
        connect(a, &QAction::toggled, this, [this, kind = c.kind](bool on) {
            const unsigned panels = on ? plot_.panels() | kind : plot_.panels() & ~unsigned(kind);
            plot_.SetPanels(panels);
            for (const PanelChoice &other : kPanelChoices) // the last panel stays
                viewAction(other.name)->setChecked(plot_.panels() & other.kind);
            tabs_->setCurrentWidget(&plot_);
        });
    }
    view->addSeparator();
    auto *ports = new QActionGroup(view);
    const struct
    {
        int port;
        const char *text;
        const char *name;
    } smithViews[] = {
        {1, "Smith Chart of S&11", "viewSmithS11"},
        {2, "Smith Chart of S&22", "viewSmithS22"},
        {SmithChart::kLoadView, "Smith Chart of the Measured &Load", "viewSmithLoad"}};
    for (const auto &[port, text, name] : smithViews) {
        QAction *a = view->addAction(QString::fromLatin1(text));
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        a->setChecked(port == smith_->port());
        ports->addAction(a);
        connect(a, &QAction::triggered, this, [this, port = port] {
            smith_->SetPort(port);
            tabs_->setCurrentWidget(smith_);
        });
    }
    // The path through the parts over either port's chart.
    QAction *path = view->addAction(QStringLiteral("Smith Chart &Path Through the Parts"));
    path->setObjectName(QStringLiteral("viewSmithPath"));
    path->setCheckable(true);
    path->setChecked(smith_->showsPath());
    connect(path, &QAction::toggled, this, [this](bool on) {
        smith_->SetShowPath(on);
        tabs_->setCurrentWidget(smith_);
    });
    // The chart's overlays: the contour of the Q the band allows, and the
    // admittance grid for reading shunt parts off the chart.
    const auto overlay = [this, view](const char *text, const char *name, bool on,
                                      std::function<void(bool)> show) {
        QAction *a = view->addAction(QString::fromLatin1(text));
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        a->setChecked(on);
        connect(a, &QAction::toggled, this, [this, show = std::move(show)](bool checked) {
            show(checked);
            tabs_->setCurrentWidget(smith_);
        });
    };
    overlay("Smith Chart Constant-&Q Contour of the Band", "viewSmithQ", smith_->showsQ(),
            [this](bool on) { smith_->SetShowQ(on); });
    overlay("Smith Chart &Admittance Grid", "viewSmithAdmittance", smith_->showsAdmittance(),
            [this](bool on) { smith_->SetShowAdmittance(on); });
    QAction *schematic = view->addAction(QStringLiteral("S&chematic"));
    schematic->setObjectName(QStringLiteral("viewSchematic"));
    connect(schematic, &QAction::triggered, this, [this] { tabs_->setCurrentWidget(schematic_); });
}

QWidget *ResponseViews::BuildTunedTab()
{
    tunedTab_ = new QWidget(tabs_);
    tunedLines_ = new QLabel(tunedTab_);
    tunedLines_->setObjectName(QStringLiteral("tunedLines"));
    tunedLines_->setWordWrap(true);
    tunedLines_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tunedTable_ = new QTableWidget(0, 4, tunedTab_);
    tunedTable_->setObjectName(QStringLiteral("tunedValues"));
    tunedTable_->verticalHeader()->hide();
    tunedTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tunedTable_->horizontalHeader()->setStretchLastSection(true);
    auto *copy = new QPushButton(QStringLiteral("Copy Tuned Values"), tunedTab_);
    copy->setObjectName(QStringLiteral("copyTunedValues"));
    connect(copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(TunedValuesText()); });
    auto *column = new QVBoxLayout(tunedTab_);
    column->addWidget(BuildStepBox(tunedTab_));
    column->addWidget(tunedLines_);
    column->addWidget(tunedTable_, 1);
    column->addWidget(copy, 0, Qt::AlignRight);
    return tunedTab_;
}

// The shown network's parts, each steppable to a neighbouring value: what an
// engineer does on the bench with a drawer of parts, here without solder.
QWidget *ResponseViews::BuildStepBox(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral("Step the shown network's parts"), parent);
    auto *hint = new QLabel(QStringLiteral("Select a part here or in the Schematic, then step it: "
                                           "the buttons, or + and \u2212 in the Schematic, or the "
                                           "wheel over its symbol; or drag its point along its "
                                           "arc on the Smith chart."),
                            box);
    hint->setWordWrap(true);
    stepSize_ = new QComboBox(box);
    stepSize_->setObjectName(QStringLiteral("stepSize"));
    for (const double percent : session::kStepPercents)
        stepSize_->addItem(QStringLiteral("\u00B1%1 %").arg(percent), percent);
    stepDown_ = new QPushButton(QStringLiteral("\u2212 Step down"), box);
    stepDown_->setObjectName(QStringLiteral("stepDown"));
    stepUp_ = new QPushButton(QStringLiteral("+ Step up"), box);
    stepUp_->setObjectName(QStringLiteral("stepUp"));
    stepReset_ = new QPushButton(QStringLiteral("Back to the drawn values"), box);
    stepReset_->setObjectName(QStringLiteral("stepReset"));
    stepUndo_ = new QPushButton(QStringLiteral("Undo"), box);
    stepUndo_->setObjectName(QStringLiteral("stepUndo"));
    stepUndo_->setToolTip(QStringLiteral("The values before the latest step or drag (Ctrl+Z)"));
    stepUndo_->setEnabled(false);
    backToTuned_ = new QPushButton(QStringLiteral("Back to tuned"), box);
    backToTuned_->setObjectName(QStringLiteral("backToTuned"));
    backToTuned_->setToolTip(
        QStringLiteral("Every part at the tune's value; without a tune, at its drawn value"));
    stepTable_ = new QTableWidget(0, 3, box);
    stepTable_->setObjectName(QStringLiteral("stepTable"));
    stepTable_->setHorizontalHeaderLabels(
        {QStringLiteral("Part"), QStringLiteral("Drawn"), QStringLiteral("Stepped")});
    stepTable_->verticalHeader()->hide();
    stepTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    stepTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    stepTable_->setSelectionMode(QAbstractItemView::SingleSelection);
    stepTable_->horizontalHeader()->setStretchLastSection(true);
    stepTable_->setMaximumHeight(190);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(stepSize_);
    buttons->addWidget(stepDown_);
    buttons->addWidget(stepUp_);
    buttons->addStretch(1);
    // The ways back on a row of their own, so that the window keeps its
    // width on a small screen.
    auto *back = new QHBoxLayout;
    back->addStretch(1);
    back->addWidget(stepUndo_);
    back->addWidget(backToTuned_);
    back->addWidget(stepReset_);
    auto *column = new QVBoxLayout(box);
    column->addWidget(hint);
    column->addLayout(buttons);
    column->addLayout(back);
    column->addWidget(stepTable_);

    connect(stepTable_, &QTableWidget::itemSelectionChanged, this, [this] {
        const QList<QTableWidgetItem *> chosen = stepTable_->selectedItems();
        const std::optional<std::size_t> part =
            chosen.isEmpty() ? std::nullopt : std::optional<std::size_t>(chosen.front()->row());
        schematic_->SetSelected(part);
        if (steps_.select)
            steps_.select(part);
    });
    connect(stepDown_, &QPushButton::clicked, this, [this] {
        if (steps_.step)
            steps_.step(-1);
    });
    connect(stepUp_, &QPushButton::clicked, this, [this] {
        if (steps_.step)
            steps_.step(+1);
    });
    connect(stepReset_, &QPushButton::clicked, this, [this] {
        if (steps_.reset)
            steps_.reset();
    });
    connect(stepUndo_, &QPushButton::clicked, this, [this] {
        if (steps_.undo)
            steps_.undo();
    });
    connect(backToTuned_, &QPushButton::clicked, this, [this] {
        if (steps_.backToTuned)
            steps_.backToTuned();
    });
    schematic_->OnSelect([this](std::optional<std::size_t> part) {
        if (steps_.select)
            steps_.select(part);
    });
    schematic_->OnStep([this](int direction) {
        if (steps_.step)
            steps_.step(direction);
    });
    return box;
}

void ResponseViews::OnSteps(StepHandlers handlers)
{
    steps_ = std::move(handlers);
}

void ResponseViews::ShowUndo(bool canUndo)
{
    stepUndo_->setEnabled(canUndo);
    if (undo_)
        undo_->setEnabled(canUndo);
}

double ResponseViews::stepPercent() const
{
    return stepSize_->currentData().toDouble();
}

void ResponseViews::ShowSteps(const std::vector<session::SteppedValueRow> &rows,
                              std::optional<std::size_t> selected)
{
    const QSignalBlocker quiet(stepTable_);
    stepTable_->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string cells[] = {rows[r].part, rows[r].drawn, rows[r].stepped};
        for (int c = 0; c < 3; ++c) {
            const QString text = QString::fromStdString(cells[c]);
            QTableWidgetItem *item = stepTable_->item(static_cast<int>(r), c);
            if (item)
                item->setText(text);
            else
                stepTable_->setItem(static_cast<int>(r), c, new QTableWidgetItem(text));
        }
    }
    if (selected && *selected < rows.size())
        stepTable_->selectRow(static_cast<int>(*selected));
    else
        stepTable_->clearSelection();
    stepTable_->resizeColumnsToContents();
    schematic_->SetSelected(selected);
    const bool any = selected && *selected < rows.size();
    stepDown_->setEnabled(any);
    stepUp_->setEnabled(any);
}

void ResponseViews::Show(const session::Response &response, const session::CalculateOutcome &design,
                         const std::optional<session::TunedResponse> *tuned)
{
    response_ = &response;
    design_ = &design;
    tuned_ = tuned;
    // Into a measured load S22 is a power wave referred to the load's own
    // complex impedance, which no chart of real references shows truly; the
    // load's own chart takes its place.
    const bool measured = response.load.has_value();
    viewAction("viewSmithLoad")->setEnabled(measured);
    viewAction("viewSmithS22")->setEnabled(!measured);
    if (smith_->port() == (measured ? 2 : SmithChart::kLoadView))
        viewAction("viewSmithS11")->trigger();
    smith_->SetResponse(response);
    const session::NetworkAnalysis &a = response.analysis;
    if (response.problem.empty()) {
        session::SchematicValues standard, tunedValues;
        if (a.standardValues)
            standard = {&a.standardValues->ladder, session::SeriesName(a.standardValues->series),
                        true};
        if (tuned && *tuned && (*tuned)->tuned) {
            const session::TunedNetwork &t = *(*tuned)->tuned;
            tunedValues =
                t.standard
                    ? session::SchematicValues{&t.standard->network,
                                               "Tuned " + session::SeriesName(t.standard->series),
                                               true}
                    : session::SchematicValues{&t.tuned.network, "Tuned", false};
        }
        schematic_->SetSchematic(session::SchematicOf(a.printed, standard, tunedValues));
    }
    ShowMarkers();
    ShowTuned();
}

void ResponseViews::ShowTuned()
{
    const session::TunedResponse *t = tuned_ && *tuned_ ? &**tuned_ : nullptr;
    if (!tuned_)
        tunedLines_->setText(QStringLiteral("Tick \u201CRe-tune the values\u201D to tune the "
                                            "network and compare it with the design."));
    else if (!t)
        tunedLines_->setText(QStringLiteral("Tuning\u2026"));
    else if (!t->tuned)
        tunedLines_->setText(QString::fromStdString(t->problem));
    else {
        QStringList lines;
        for (const std::string &line : t->lines)
            lines << QString::fromStdString(line);
        tunedLines_->setText(KeepUnitsWithValues(lines.join(QLatin1Char('\n'))));
    }
    const std::vector<session::TunedValueRow> rows =
        t && t->tuned ? session::TunedValueRows(*t->tuned, t->kit ? &*t->kit : nullptr)
                      : std::vector<session::TunedValueRow>{};
    const bool standard = t && t->tuned && t->tuned->standard;
    QStringList heads = {QStringLiteral("Part"), QStringLiteral("Design"), QStringLiteral("Tuned")};
    if (t && t->tuned && t->kit)
        heads << QStringLiteral("Kit part");
    else if (standard)
        heads << QStringLiteral("Tuned, ") +
                     QString::fromStdString(session::SeriesName(t->tuned->standard->series));
    tunedTable_->setColumnCount(static_cast<int>(heads.size()));
    tunedTable_->setHorizontalHeaderLabels(heads);
    tunedTable_->setRowCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string cells[] = {rows[r].part, rows[r].design, rows[r].tuned, rows[r].standard};
        for (int c = 0; c < heads.size(); ++c)
            tunedTable_->setItem(static_cast<int>(r), c,
                                 new QTableWidgetItem(QString::fromStdString(cells[c])));
    }
    tunedTable_->resizeColumnsToContents();
}

QString ResponseViews::TunedValuesText() const
{
    return tuned_ && *tuned_ ? QString::fromStdString(session::TunedValuesText(**tuned_))
                             : QString();
}

void ResponseViews::ShowMarkers()
{
    std::vector<double> hz;
    for (const double ghz : plot_.markersGhz())
        hz.push_back(units::Frequency::FromGHz(ghz).hz());
    const std::vector<session::MarkerReading> readings =
        response_ ? session::ReadMarkers(*response_, hz) : std::vector<session::MarkerReading>{};
    markers_->setRowCount(static_cast<int>(readings.size()));
    for (std::size_t r = 0; r < readings.size(); ++r) {
        const std::vector<std::string> cells = session::MarkerCells(readings[r]);
        for (std::size_t c = 0; c < cells.size(); ++c)
            markers_->setItem(static_cast<int>(r), static_cast<int>(c),
                              new QTableWidgetItem(QString::fromStdString(cells[c])));
    }
    markers_->resizeColumnsToContents();
    markers_->setVisible(!readings.empty());
}

QString ResponseViews::ValuesText() const
{
    if (!response_ || !design_ || !response_->problem.empty())
        return {};
    std::string text = session::DesignSummary(*design_) + "\n\nIn-band maximum\t|S11|\tVSWR\n";
    for (const session::FigureRow &row : session::FigureRows(*response_))
        text +=
            row.figure + "\t" + (row.text.empty() ? row.gamma + "\t" + row.vswr : row.text) + "\n";
    std::vector<double> hz;
    for (const double ghz : plot_.markersGhz())
        hz.push_back(units::Frequency::FromGHz(ghz).hz());
    if (!hz.empty())
        text += "\n" + session::MarkerTableText(session::ReadMarkers(*response_, hz));
    if (tuned_ && *tuned_)
        text += "\n" + session::TunedValuesText(**tuned_);
    return QString::fromStdString(text);
}

void ResponseViews::SaveSchematicAs()
{
    QFileDialog dialog(&window_, QStringLiteral("Save Schematic"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(
        {QStringLiteral("SVG drawing (*.svg)"), QStringLiteral("PNG image (*.png)")});
    dialog.setDefaultSuffix(QStringLiteral("svg"));
    dialog.selectFile(QStringLiteral("network.svg"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString name = dialog.selectedFiles().constFirst();
    // Files are drawn on white whatever the desktop's colours, as for print.
    const QString problem = SaveSchematic(schematic_->schematic(), name, PaperPalette());
    if (!problem.isEmpty())
        QMessageBox::warning(&window_, QStringLiteral("Save Schematic"),
                             QStringLiteral("%1 was not saved: %2.").arg(name, problem));
}

void ResponseViews::CopySchematic()
{
    QGuiApplication::clipboard()->setImage(
        SchematicImage(schematic_->schematic(), PaperPalette(), 2));
}

} // namespace tevmar
