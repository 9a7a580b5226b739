#pragma once

#include "session/run/calculation.h"
#include "session/run/tuning.h"
#include "session/views/part_steps.h"
#include "session/views/response.h"

#include <QObject>
#include <functional>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QMenu;
class QMenuBar;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace tevmar {

class ResponsePlot;
class SchematicView;
class SmithChart;

// The Response window's views beside the figures: the frequency panels, the
// Smith chart and the schematic as tabs, the marker table under them, and the
// window's menu bar (File, Edit, View). The window hands it each response.
class ResponseViews final : public QObject
{
  public:
    // `plot` becomes the first tab; `window` owns everything made here.
    ResponseViews(QWidget &window, ResponsePlot &plot);

    QWidget *widget() const { return body_; }
    QMenuBar *menuBar() const { return menuBar_; }
    QMenu *fileMenu() const { return file_; }
    QMenu *editMenu() const { return edit_; }

    // A new response of `design`, which the window keeps alive; `tuned`, when
    // the tuned network is asked for, the latest tune (empty while it runs).
    void Show(const session::Response &response, const session::CalculateOutcome &design,
              const std::optional<session::TunedResponse> *tuned = nullptr);

    SmithChart &smith() const { return *smith_; }
    SchematicView &schematic() const { return *schematic_; }
    QTabWidget &tabs() const { return *tabs_; }
    QTableWidget &markerTable() const { return *markers_; }
    QTableWidget &tunedTable() const { return *tunedTable_; }
    QAction *viewAction(const char *objectName) const;

    // Stepping the shown network's parts: the table of its values and the
    // step buttons in the Tuned Values tab, and a click or a key in the
    // schematic, each tell the window through these.
    struct StepHandlers
    {
        std::function<void(std::optional<std::size_t>)> select;
        std::function<void(int)> step; // +1 or -1, by stepPercent()
        std::function<void()> reset;
        std::function<void()> undo;        // the values before the latest change by hand
        std::function<void()> backToTuned; // every part at the tune's value
    };
    void OnSteps(StepHandlers handlers);
    // The parts' values drawn and stepped, and the part selected.
    void ShowSteps(const std::vector<session::SteppedValueRow> &rows,
                   std::optional<std::size_t> selected);
    // Whether there is a change by hand to undo.
    void ShowUndo(bool canUndo);
    double stepPercent() const;
    QTableWidget &stepTable() const { return *stepTable_; }

    // What Copy values puts on the clipboard: the figures, the markers and
    // the tuned values when they are shown.
    QString ValuesText() const;
    // What Copy Tuned Values puts on the clipboard; empty without a tune.
    QString TunedValuesText() const;
    // Asks for a file name and saves the schematic there.
    void SaveSchematicAs();
    void CopySchematic();

  private:
    void BuildMenus();
    void ShowMarkers();
    QWidget *BuildTunedTab();
    QWidget *BuildStepBox(QWidget *parent);
    void ShowTuned();

    QWidget &window_;
    ResponsePlot &plot_;
    QWidget *body_ = nullptr;
    QTabWidget *tabs_ = nullptr;
    SmithChart *smith_ = nullptr;
    SchematicView *schematic_ = nullptr;
    QTableWidget *markers_ = nullptr;
    QWidget *tunedTab_ = nullptr;
    QLabel *tunedLines_ = nullptr;
    QTableWidget *tunedTable_ = nullptr;
    QTableWidget *stepTable_ = nullptr;
    QComboBox *stepSize_ = nullptr;
    QPushButton *stepDown_ = nullptr, *stepUp_ = nullptr, *stepReset_ = nullptr;
    QPushButton *stepUndo_ = nullptr, *backToTuned_ = nullptr;
    QAction *undo_ = nullptr;
    StepHandlers steps_;
    QMenuBar *menuBar_ = nullptr;
    QMenu *file_ = nullptr;
    QMenu *edit_ = nullptr;
    const session::Response *response_ = nullptr;
    const session::CalculateOutcome *design_ = nullptr;
    const std::optional<session::TunedResponse> *tuned_ = nullptr;
};

} // namespace tevmar
