#pragma once

#include "report/report_file.h"
#include "session/run/exports.h"
#include "session/views/amplifier_side.h"
#include "session/views/design_state.h"
#include "session/views/response.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QAbstractScrollArea;
class QAction;
class QMenu;
class QWidget;

namespace tevmar {

class ResponseWindow;
class DeviceWindow;

// What the engineer does with a design after Calculate, offered by the output
// pane's context menu: the Response window, the report text on the clipboard
// and the exported files, all of the design the state holds. It follows the
// state, so that nothing passes an earlier design off as the current one.
class ResultTools final : public QObject
{
  public:
    // The commands besides the exports, which follow session::kExportKinds.
    enum class Command { Response, CopyReport };

    // Asks where to save an export; an empty answer means the engineer cancelled.
    using SavePathAsker =
        std::function<QString(QWidget *parent, const session::ExportFormat &format)>;
    static QString AskSavePath(QWidget *parent, const session::ExportFormat &format);

    // Adds the context menu to `pane`; dialogs and messages open over `window`.
    ResultTools(QWidget &window, QAbstractScrollArea &pane, const session::DesignState &state,
                std::filesystem::path reportPath = kReportFileName,
                SavePathAsker askSavePath = &ResultTools::AskSavePath);
    ~ResultTools() override;

    // What File -> Match a Measured Load does in the Response window (the main
    // window asks for the file and designs for it); set before the window opens.
    void SetMeasuredLoadMatcher(std::function<void()> match)
    {
        matchMeasuredLoad_ = std::move(match);
    }

    // Where exports ask for their file name from now on (tests answer for the engineer).
    void SetSavePathAsker(SavePathAsker askSavePath) { askSavePath_ = std::move(askSavePath); }

    QAction *action(Command command) const;
    QAction *exportAction(session::ExportKind kind) const;
    QMenu &menu() const { return *menu_; }
    // Sets each command's enabled state for the latest run and the report file.
    void UpdateActions();
    void ShowMenu(const QPoint &globalPosition);

    // The Response window once it has been opened, or null. Closing it hides
    // it; the next Response command shows it again with its settings.
    ResponseWindow *responseWindow() const { return response_.get(); }
    const session::ResponseSettings &settings() const { return settings_; }

    void ShowResponse();
    // Opens the Response window on one side of the Transistor window's
    // amplifier; the next design shown there replaces it.
    void ShowAmplifierSide(const session::AmplifierSideNetwork &side);
    // Opens the Response window on the candidates for inputs the synthesis
    // has no design for; `request` is the run that found none, which the
    // exports of a chosen candidate repeat.
    void ShowCandidatesFor(const session::CalculateOutcome &unsolved,
                           const session::Request &request);
    void CopyReport();
    void Export(session::ExportKind kind);

    // Opens the Transistor window on the two-port file at `path` (a warning
    // says why where it cannot be read); it needs no design.
    void OpenDevice(const QString &path);
    DeviceWindow *deviceWindow() const { return device_.get(); }

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    // The state changed: the Response window and the commands catch up.
    void Follow();
    void ShowLatestInResponse();
    // The request that writes the chosen candidate's file, or empty when the
    // Response window shows none the exports may write.
    std::optional<session::Request> CandidateExportRequest(session::ExportKind kind,
                                                           const std::string &path) const;
    void AddResponseMenus();
    // The Response window, made with the remembered settings when it is not yet.
    ResponseWindow &Response();
    // Whether an export asked now is of the amplifier side the Response
    // window shows: it does, and the engineer is working in it.
    bool ExportsShownSide() const;
    void ExportSide(session::ExportKind kind);
    bool AcceptsExportPath(const QString &title, const QString &name);
    void Warn(const QString &title, const QString &message);

    QWidget &window_;
    QPointer<QAbstractScrollArea> pane_;
    std::filesystem::path reportPath_;
    SavePathAsker askSavePath_;
    std::function<void()> matchMeasuredLoad_;
    std::unique_ptr<QMenu> menu_;
    QAction *responseAction_ = nullptr;
    QAction *copyReportAction_ = nullptr;
    std::vector<std::pair<session::ExportKind, QAction *>> exportActions_;

    const session::DesignState &state_;
    int responseSerial_ = 0; // the design the Response window shows
    session::ResponseSettings settings_;
    std::unique_ptr<ResponseWindow> response_;
    std::unique_ptr<DeviceWindow> device_;
    // The run without a design whose candidates the Response window shows.
    std::optional<session::Request> candidateRequest_;
};

} // namespace tevmar
