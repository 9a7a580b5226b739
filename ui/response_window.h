#pragma once

#include "session/run/calculation.h"
#include "session/run/tuning.h"
#include "session/types.h"
#include "session/views/candidate_view_state.h"
#include "session/views/candidates.h"
#include "session/views/part_choice.h"
#include "session/views/part_steps.h"
#include "session/views/response.h"
#include "session/views/response_state.h"

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;
class QTableWidget;

namespace tevmar {

class ResponsePlot;
class YieldLimitBox;
class ResponseViews;
template <class Result> class BackgroundRun;

// The Response window: the plot of return loss and VSWR of the latest solved
// design, the controls for the sweep, standard values, component Q and its
// model, tolerance and the trials' pass limit, and the figures table beside
// the plot. It shows one design at a
// time and says so plainly when a later Calculate found no solution, so that
// the design it shows is no longer the current one.
class ResponseWindow final : public QWidget
{
  public:
    static constexpr const char *kTitle = "Tevmar Z-Match \u2013 Response";

    // `changed` hears of every change the engineer makes to the controls.
    using SettingsChanged = std::function<void(const session::ResponseSettings &)>;

    explicit ResponseWindow(const session::ResponseSettings &settings,
                            SettingsChanged changed = {});

    // A new current design: drawn and figured at once.
    void ShowDesign(const session::CalculateOutcome &design);
    // Inputs the synthesis has no design for: the candidates are found for
    // them, and the best is drawn once they are.
    void ShowCandidatesFor(const session::CalculateOutcome &unsolved);
    // One side of a designed amplifier, drawn in every view in place of a
    // design: its network as built between its real terminations. The
    // controls that act on designs (parts, tune, kit, bands, candidates)
    // stand aside until a design is shown again.
    void ShowAmplifierSide(const session::AmplifierSideNetwork &side);
    // The amplifier's side drawn, if one is.
    const std::optional<session::AmplifierSideNetwork> &amplifierSide() const
    {
        return state_.side;
    }
    // Finds the candidates for the design shown (or the inputs without one).
    void FindCandidates();
    // Draws candidate `index` (0 = the best) in every view.
    void PickCandidate(std::size_t index);
    // Draws the design again in place of a candidate.
    void ShowOwnDesign();
    bool candidatesRunning() const;
    const std::optional<session::CandidateSet> &candidates() const
    {
        return state_.view.candidates();
    }
    // The candidate drawn, 1 = the best; empty while the design is.
    std::optional<int> pickedRank() const;
    // What the candidates were found for: the design, or inputs without one.
    const std::optional<session::CalculateOutcome> &candidatesFor() const
    {
        return state_.view.candidatesFor();
    }
    QTableWidget &candidateTable() const { return *candidateTable_; }
    // The latest Calculate failed (true) or succeeded (false).
    void MarkStale(bool stale);

    bool stale() const { return state_.stale; }
    const session::ResponseSettings &settings() const { return state_.settings; }
    // Why the Bands or Reject box was not taken; empty when they were.
    QString bandsProblem() const;
    const session::Response &response() const { return state_.response; }
    // What every view draws: the design, or the candidate picked in its place.
    const std::optional<session::CalculateOutcome> &design() const { return state_.view.drawn(); }
    ResponsePlot &plot() const { return *plot_; }
    // The Smith chart, schematic, marker table and menu bar.
    ResponseViews &views() const { return *views_; }
    // Whether tolerance trials are still running for the shown settings.
    bool trialsRunning() const;
    // Stops the tolerance trials under way: their rows then say they were
    // cancelled until the next change of design or settings starts them again.
    void CancelTrials();
    // Whether a tune of the shown design is under way.
    bool tuneRunning() const;
    // The latest tune of the shown design, when one has finished.
    const std::optional<session::TunedResponse> &tuned() const { return state_.tuned; }
    // Milliseconds the last recomputation of sweep and figures took.
    double lastComputeMs() const { return lastComputeMs_; }

    // The parts the networks are built from: ideal, or chip models as
    // tevmar-cli's --l-model, --c-model and --pad take them. Remembered
    // between sessions. A choice that cannot be read keeps the parts before
    // and says why under the box.
    void SetPartChoice(const session::PartChoice &choice);
    const session::PartChoice &partChoice() const { return state_.partChoice; }
    QString partProblem() const;

    // Stepping the shown network's parts by hand: the part selected (in the
    // schematic or the step table) and a step of it up (+1) or down (-1) by
    // `percent`; every view follows at once.
    void SelectPart(std::optional<std::size_t> index);
    void StepPart(int direction, double percent);
    void ClearSteps();
    const session::PartSteps &steps() const { return state_.steps; }
    // Undo: the values before the latest step, wheel notch, drag or return
    // to the tune. Back to tuned: every part at the tune's value (at its
    // drawn value without a tune), itself undoable.
    void UndoStep();
    void BackToTuned();
    const session::ValueHistory &history() const { return state_.history; }
    // Milliseconds the last step took, from the step to every view redrawn.
    double lastStepMs() const { return lastStepMs_; }

  private:
    QWidget *BuildSweepControls();
    QWidget *BuildPartControls();
    QWidget *BuildToleranceControls();
    void WriteControls();
    // The design-only controls are enabled for a design, not for a side.
    void EnableDesignControls();
    void ReadControls();
    std::optional<session::Band> DrawnKitBand() const;
    void ShowKitProblem(const session::Band &band);
    void Recompute();
    void FollowTune();
    void ShowResponse();
    void ShowFigures();
    void ShowBanner();
    void StartTrials();
    void ShowTrialsProgress();
    QWidget *BuildCandidatesTab();
    void ShowCandidateTable();
    void DrawAnotherNetwork();
    void ShowSteps();
    // A part's point dragged on the Smith chart: held, moved, let go.
    bool StartDrag(const std::string &partName);
    void DragTo(session::Complex gamma, double referenceOhms);
    void EndDrag();
    void WritePartChoice();
    session::PartChoice PartChoiceOfControls() const;
    // The bands as the settings hold them: with several, the candidates are
    // found over them all and the best drawn; without, the main window's
    // outcome is drawn again.
    void ApplyBands();
    void StartBands();
    // Keeps what the main window gave; false when several bands are set, so
    // that their candidates run from it instead of drawing it.
    bool GivenFollowsBands(const session::CalculateOutcome &given);
    // The Bands and Reject boxes read into `s`; boxes that cannot be read
    // leave its bands as they were, and the message under them says why.
    void ReadBands(session::ResponseSettings &s);

    SettingsChanged changed_;
    session::ResponseState state_; // everything shown, apart from the widgets
    double lastStepMs_ = 0;
    std::optional<std::size_t> dragPart_; // the part being dragged on the Smith chart
    session::PartStepValues dragBefore_;  // the values when it was taken hold of
    double lastComputeMs_ = 0;

    QLabel *banner_ = nullptr;
    ResponsePlot *plot_ = nullptr;
    ResponseViews *views_ = nullptr;
    BackgroundRun<session::LaterFigures> *laterFigures_ = nullptr;
    BackgroundRun<session::TunedResponse> *tuner_ = nullptr;
    // The trials' progress bar and Cancel button, shown while they run; the
    // worker counts the trials it has done and a timer here shows the count.
    QWidget *trialsBusy_ = nullptr;
    QProgressBar *trialsProgress_ = nullptr;
    QTimer *trialsTimer_ = nullptr;
    std::shared_ptr<std::atomic<int>> trialsDone_;
    QCheckBox *followBand_ = nullptr;
    QDoubleSpinBox *from_ = nullptr;
    QDoubleSpinBox *to_ = nullptr;
    QSpinBox *points_ = nullptr;
    QCheckBox *logarithmic_ = nullptr;
    // Several bands at once, in the command line's --band and --reject texts.
    QLineEdit *bands_ = nullptr, *reject_ = nullptr;
    QLabel *bandsProblem_ = nullptr;
    QComboBox *series_ = nullptr;
    QDoubleSpinBox *inductorQ_ = nullptr;
    QDoubleSpinBox *capacitorQ_ = nullptr;
    QComboBox *qModel_ = nullptr;
    QComboBox *partSource_ = nullptr;
    QLineEdit *inductorModel_ = nullptr, *capacitorModel_ = nullptr, *pad_ = nullptr;
    QLineEdit *kitFolder_ = nullptr;
    QLabel *partProblem_ = nullptr;
    bool kitProblemShown_ = false; // the part line tells of the kit in use, not of a box
    // How far above the band a part's resonance must lie, percent.
    QDoubleSpinBox *srfMargin_ = nullptr;
    QCheckBox *tune_ = nullptr;
    // The values a tuned part may take: inductors in nH, capacitors in pF.
    QDoubleSpinBox *inductorLow_ = nullptr, *inductorHigh_ = nullptr;
    QDoubleSpinBox *capacitorLow_ = nullptr, *capacitorHigh_ = nullptr;
    QDoubleSpinBox *tolerance_ = nullptr;
    QSpinBox *trials_ = nullptr;
    YieldLimitBox *yieldLimit_ = nullptr;
    QWidget *partControls_ = nullptr; // the parts, tune and kit: for designs
    QLabel *problem_ = nullptr;
    QTableWidget *figures_ = nullptr;

    BackgroundRun<session::CandidateSet> *candidateRun_ = nullptr;
    QPushButton *findCandidates_ = nullptr;
    QPushButton *ownDesignButton_ = nullptr;
    QProgressBar *candidateProgress_ = nullptr;
    QLabel *candidateNote_ = nullptr;
    QTableWidget *candidateTable_ = nullptr;
};

} // namespace tevmar
