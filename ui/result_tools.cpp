#include "ui/result_tools.h"

#include "session/io/report_reading.h"
#include "session/io/safe_file.h"
#include "session/views/response_bands.h"
#include "ui/amplifier_panel.h"
#include "ui/device_window.h"
#include "ui/response_views.h"
#include "ui/response_window.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <stdexcept>

namespace tevmar {

using session::ExportKind;

namespace {

std::filesystem::path PathOf(const QString &name)
{
    return std::filesystem::path(name.toStdU16String());
}

} // namespace

QString ResultTools::AskSavePath(QWidget *parent, const session::ExportFormat &format)
{
    QFileDialog dialog(parent, QString::fromUtf8(format.title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QString::fromUtf8(format.filter));
    dialog.setDefaultSuffix(QString::fromLatin1(format.suffix));
    dialog.selectFile(QString::fromLatin1(format.suggestedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

ResultTools::ResultTools(QWidget &window, QAbstractScrollArea &pane,
                         const session::DesignState &state, std::filesystem::path reportPath,
                         SavePathAsker askSavePath)
    : window_(window), pane_(&pane), reportPath_(std::move(reportPath)),
      askSavePath_(std::move(askSavePath)), menu_(std::make_unique<QMenu>()), state_(state)
{
    menu_->setObjectName(QStringLiteral("paneMenu"));
    responseAction_ = menu_->addAction(QStringLiteral("Response\u2026"));
    responseAction_->setObjectName(QStringLiteral("responseAction"));
    copyReportAction_ = menu_->addAction(QStringLiteral("Copy Report"));
    copyReportAction_->setObjectName(QStringLiteral("copyReportAction"));
    connect(responseAction_, &QAction::triggered, this, &ResultTools::ShowResponse);
    connect(copyReportAction_, &QAction::triggered, this, &ResultTools::CopyReport);
    // Every export the session offers, named by its dialog's title; the
    // ellipsis says that the command asks for a file name first.
    for (const ExportKind kind : session::kExportKinds) {
        const session::ExportFormat &format = session::FormatOf(kind);
        QAction *action = menu_->addAction(QString::fromUtf8(format.title) + QChar(0x2026));
        action->setObjectName(QStringLiteral("export-") +
                              QString::fromLatin1(format.suggestedName));
        connect(action, &QAction::triggered, this, [this, kind] { Export(kind); });
        exportActions_.emplace_back(kind, action);
    }
    connect(menu_.get(), &QMenu::aboutToShow, this, &ResultTools::UpdateActions);
    // A transistor's figures need no design: always offered.
    menu_->addSeparator();
    QAction *device = menu_->addAction(QStringLiteral("Transistor &Figures\u2026"));
    device->setObjectName(QStringLiteral("deviceAction"));
    connect(device, &QAction::triggered, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            &window_, QStringLiteral("Open a Transistor's Two-Port File"), QString(),
            QStringLiteral("Touchstone two-port (*.s2p *.S2P *.ts);;All files (*)"));
        if (!path.isEmpty())
            OpenDevice(path);
    });

    // From anywhere in the main window, without finding the pane's menu
    // first: Ctrl+R opens the Response window, Ctrl+T a transistor's file.
    // The menu shows the keys beside its entries, where a newcomer reads them.
    responseAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    device->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    for (QAction *a : {responseAction_, device}) {
        a->setShortcutContext(Qt::WindowShortcut);
        a->setShortcutVisibleInContextMenu(true);
        window_.addAction(a);
    }
    if (pane.toolTip().isEmpty())
        pane.setToolTip(QStringLiteral("Right-click or the menu key: the Response window "
                                       "(Ctrl+R), exports and a transistor's figures (Ctrl+T)"));

    // Right click lands on the viewport, the menu key on the pane itself.
    pane.installEventFilter(this);
    pane.viewport()->installEventFilter(this);
    state_.Observe([this] { Follow(); });
    UpdateActions();
}

ResultTools::~ResultTools() = default;

QAction *ResultTools::action(Command command) const
{
    return command == Command::Response ? responseAction_ : copyReportAction_;
}

QAction *ResultTools::exportAction(ExportKind kind) const
{
    for (const auto &[k, action] : exportActions_)
        if (k == kind)
            return action;
    return nullptr;
}

void ResultTools::Follow()
{
    if (state_.current())
        candidateRequest_.reset(); // a design again: the candidates were for inputs before
    // A hidden Response window catches up when it is shown again.
    if (response_ && response_->isVisible())
        ShowLatestInResponse();
    UpdateActions();
}

void ResultTools::ShowLatestInResponse()
{
    // An amplifier's side drawn stays until there is a design to draw instead.
    if (response_->amplifierSide() && !state_.hasDesign())
        return;
    if (responseSerial_ != state_.serial()) {
        response_->ShowDesign(state_.design());
        responseSerial_ = state_.serial();
    }
    response_->MarkStale(!state_.current());
}

void ResultTools::UpdateActions()
{
    std::error_code ignored;
    action(Command::Response)->setEnabled(state_.hasDesign());
    action(Command::CopyReport)
        ->setEnabled(!state_.reportBehind() &&
                     std::filesystem::is_regular_file(reportPath_, ignored));
    const bool candidate = response_ && response_->pickedRank() &&
                           (candidateRequest_ || (state_.hasDesign() && state_.current()));
    const bool side = response_ && response_->amplifierSide();
    for (const auto &[kind, action] : exportActions_)
        action->setEnabled((state_.hasDesign() && state_.current()) || candidate || side);
}

void ResultTools::ShowMenu(const QPoint &globalPosition)
{
    if (!menu_->isVisible())
        menu_->popup(globalPosition);
}

bool ResultTools::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ContextMenu) {
        ShowMenu(static_cast<QContextMenuEvent *>(event)->globalPos());
        return true;
    }
    if (event->type() == QEvent::KeyPress && pane_ && watched == pane_.data()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool menuKey = key->key() == Qt::Key_Menu ||
                             (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
        if (menuKey) {
            ShowMenu(pane_->mapToGlobal(QPoint(8, 8)));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void ResultTools::ShowResponse()
{
    if (!state_.hasDesign())
        return;
    if (!response_) {
        response_ = std::make_unique<ResponseWindow>(
            settings_, [this](const session::ResponseSettings &settings) { settings_ = settings; });
        AddResponseMenus();
    }
    ShowLatestInResponse();
    response_->show();
    response_->raise();
    response_->activateWindow();
}

ResponseWindow &ResultTools::Response()
{
    if (!response_) {
        response_ = std::make_unique<ResponseWindow>(
            settings_, [this](const session::ResponseSettings &settings) { settings_ = settings; });
        AddResponseMenus();
    }
    return *response_;
}

void ResultTools::ShowAmplifierSide(const session::AmplifierSideNetwork &side)
{
    ResponseWindow &window = Response();
    window.ShowAmplifierSide(side);
    responseSerial_ = -1; // the next Response command draws the design again
    window.show();
    window.raise();
    window.activateWindow();
    UpdateActions();
}

bool ResultTools::ExportsShownSide() const
{
    return response_ && response_->amplifierSide() && response_->isActiveWindow();
}

// A side's files are its own: its network as built between its terminations,
// as the Transistor window's schematic menu writes them, with any steps made
// by hand in the Response window.
// A file name chosen for an export: none (the dialog was cancelled), or the
// report file of the design run, which an export must never replace.
bool ResultTools::AcceptsExportPath(const QString &title, const QString &name)
{
    if (name.isEmpty())
        return false;
    if (!session::SameFile(PathOf(name), reportPath_))
        return true;
    Warn(title, QStringLiteral("%1 is the report file of the design run; the export would "
                               "replace the report.\n\nNothing was written. Choose another "
                               "name.")
                    .arg(name));
    return false;
}

void ResultTools::ExportSide(session::ExportKind kind)
{
    const session::ExportFormat &format = session::FormatOf(kind);
    const QString title = QString::fromUtf8(format.title);
    if (kind != session::ExportKind::Touchstone && kind != session::ExportKind::TouchstoneV2 &&
        kind != session::ExportKind::Spice && kind != session::ExportKind::SweepCsv) {
        Warn(title, QStringLiteral("An amplifier's side is written as Touchstone, SPICE or a CSV "
                                   "sweep; this file is written for designs.\n\nNothing "
                                   "was written."));
        return;
    }
    session::AmplifierSideNetwork side = *response_->amplifierSide();
    if (response_->steps().any() && response_->response().problem.empty())
        side.network.parts = response_->response().analysis.full.parts;
    const QString name = askSavePath_(response_.get(), format);
    if (!AcceptsExportPath(title, name))
        return;
    const std::filesystem::path path = PathOf(name);
    std::string text, error;
    try {
        text = session::AmplifierSideFile(side, kind);
    } catch (const std::exception &e) {
        Warn(title, QStringLiteral("Nothing was written: ") + QString::fromStdString(e.what()));
        return;
    }
    if (!session::WriteFileSafely(path, text, error))
        Warn(title, QStringLiteral("%1 could not be written: %2.\n\nAny earlier file of that "
                                   "name is unchanged.")
                        .arg(name, QString::fromStdString(error)));
}

void ResultTools::ShowCandidatesFor(const session::CalculateOutcome &unsolved,
                                    const session::Request &request)
{
    if (!response_) {
        response_ = std::make_unique<ResponseWindow>(
            settings_, [this](const session::ResponseSettings &settings) { settings_ = settings; });
        AddResponseMenus();
    }
    candidateRequest_ = request;
    candidateRequest_->reportPath.reset(); // the exports never touch the report
    response_->ShowCandidatesFor(unsolved);
    response_->show();
    response_->raise();
    response_->activateWindow();
    UpdateActions();
}

std::optional<session::Request> ResultTools::CandidateExportRequest(session::ExportKind kind,
                                                                    const std::string &path) const
{
    const std::optional<int> pick = response_ ? response_->pickedRank() : std::nullopt;
    if (!pick)
        return std::nullopt;
    std::optional<session::Request> request;
    if (candidateRequest_) {
        request = candidateRequest_;
        request->settings = session::AnalysisSettingsOf(settings_);
        request->files = {{kind, path, session::FormatOf(kind).title}};
        request->figures = request->tune = request->json = false;
    } else {
        request = state_.ExportRequest(kind, path, session::AnalysisSettingsOf(settings_));
    }
    if (request) {
        request->candidates = true;
        request->pick = pick;
        // Over several bands the candidate picked is one of theirs.
        session::OverBands(*request, settings_.bands);
    }
    return request;
}

void ResultTools::CopyReport()
{
    const ReportFileText file = session::ReadReportFile(reportPath_);
    if (!file.read) {
        Warn(QStringLiteral("Copy Report"),
             QStringLiteral("The report file %1 could not be read: %2.\n\nNothing was copied.")
                 .arg(QString::fromStdU16String(reportPath_.u16string()),
                      QString::fromStdString(file.reason)));
        return;
    }
    QGuiApplication::clipboard()->setText(QString::fromUtf8(file.text));
}

void ResultTools::Export(session::ExportKind kind)
{
    if (ExportsShownSide())
        return ExportSide(kind);
    const bool own = state_.hasDesign() && state_.current();
    if (!own && !(response_ && response_->pickedRank() && candidateRequest_))
        return;
    const session::ExportFormat &format = session::FormatOf(kind);
    const QString title = QString::fromUtf8(format.title);
    const QString name = askSavePath_(&window_, format);
    if (!AcceptsExportPath(title, name))
        return;
    const std::filesystem::path path = PathOf(name);
    std::string problem = own ? session::SettingsProblem(settings_, state_.design()) : "";
    session::Outcome outcome;
    if (problem.empty()) {
        const std::optional<session::Request> candidate =
            CandidateExportRequest(kind, path.string());
        session::Request request =
            candidate ? *candidate
                      : *state_.ExportRequest(kind, path.string(),
                                              session::AnalysisSettingsOf(settings_));
        // Parts stepped or dragged by hand in the Response window: the network
        // files carry the network as it now stands there.
        if (response_ && response_->steps().any() && response_->response().problem.empty())
            request.network = response_->response().analysis.full;
        outcome = session::Run(request);
        for (const session::Message &message : outcome.messages)
            problem += (problem.empty() ? "" : " ") + message.text;
    }
    if (outcome.files.empty()) {
        Warn(title, QStringLiteral("%1 was not written: %2").arg(name, QString::fromUtf8(problem)));
        return;
    }
    if (const std::string &error = outcome.files.front().error; !error.empty())
        Warn(title, QStringLiteral("%1 could not be written: %2.\n\nAny earlier file of that name "
                                   "is unchanged.")
                        .arg(name, QString::fromStdString(error)));
}

// The Response window's File and Edit menus offer the pane menu's exports and
// Copy Report: the same actions, so that they write the same files.
void ResultTools::AddResponseMenus()
{
    QMenu *file = response_->views().fileMenu();
    QAction *first = file->actions().isEmpty() ? nullptr : file->actions().constFirst();
    for (QAction *a : menu_->actions())
        if (a != action(Command::Response) && a != action(Command::CopyReport) && !a->isSeparator())
            file->insertAction(first, a);
    file->insertSeparator(first);
    if (matchMeasuredLoad_) {
        QAction *match = new QAction(QStringLiteral("&Match a Measured Load\u2026"), file);
        match->setObjectName(QStringLiteral("matchMeasuredLoadAction"));
        connect(match, &QAction::triggered, this, [this] { matchMeasuredLoad_(); });
        file->insertAction(file->actions().constFirst(), match);
        file->insertSeparator(file->actions().at(1));
    }
    QMenu *edit = response_->views().editMenu();
    edit->insertAction(edit->actions().isEmpty() ? nullptr : edit->actions().constFirst(),
                       action(Command::CopyReport));
    connect(file, &QMenu::aboutToShow, this, &ResultTools::UpdateActions);
    connect(edit, &QMenu::aboutToShow, this, &ResultTools::UpdateActions);
}

void ResultTools::OpenDevice(const QString &path)
{
    session::DeviceInput input;
    input.filePath = path.toStdString();
    session::DeviceRun run = session::RunDevice(input, {}, {});
    if (!run.outcome) {
        Warn(QStringLiteral("Transistor Figures"), QString::fromStdString(run.problem));
        return;
    }
    device_ = std::make_unique<DeviceWindow>(std::move(*run.outcome));
    device_->amplifier().SetSideShower(
        [this](const session::AmplifierSideNetwork &side) { ShowAmplifierSide(side); });
    device_->show();
    device_->raise();
    device_->activateWindow();
}

void ResultTools::Warn(const QString &title, const QString &message)
{
    QMessageBox::warning(&window_, title, message);
}

} // namespace tevmar
