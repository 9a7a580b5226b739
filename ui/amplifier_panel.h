#pragma once

#include "session/run/exports.h"
#include "session/views/amplifier_side.h"
#include "session/views/amplifier_view.h"
#include "ui/background_run.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tevmar {

namespace session {
class Study;
}

class SchematicView;

// The whole amplifier against frequency at every data frequency of the file:
// transducer gain G_T, noise figure and the return losses at the source and
// at the load, with the band it was designed for shaded.
class AmplifierPlot final : public QWidget
{
  public:
    explicit AmplifierPlot(QWidget *parent = nullptr);

    void SetView(const session::AmplifierView *view); // null: nothing designed yet
    const session::AmplifierView *view() const { return view_; }

    QSize sizeHint() const override { return {560, 520}; }
    QSize minimumSizeHint() const override { return {320, 360}; }

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    const session::AmplifierView *view_ = nullptr;
};

// The Transistor window's amplifier: the band, the goal and the terminations
// as the engineer sets them, both networks designed together off the GUI
// thread (a design takes a noticeable fraction of a second), their
// schematics and the whole amplifier's figures against frequency.
class AmplifierPanel final : public QWidget
{
  public:
    explicit AmplifierPanel(const session::DeviceOutcome &device, QWidget *parent = nullptr);

    // Starts a design with the boxes as they stand; a newer one stops it.
    // The same boxes again answer from the study without designing again.
    void Design();
    bool designing() const { return run_.running(); }
    int designsShown() const { return run_.delivered(); }

    QLineEdit &f1Box() const { return *f1_; }
    QLineEdit &f2Box() const { return *f2_; }
    QLineEdit &sourceBox() const { return *source_; }
    QLineEdit &loadBox() const { return *load_; }
    QLineEdit &marginBox() const { return *margin_; }
    QComboBox &goalBox() const { return *goal_; }
    QCheckBox &stabiliseBox() const { return *stabilise_; }
    QPushButton &designButton() const { return *design_; }
    QLabel &status() const { return *status_; }
    SchematicView &inputSchematic() const { return *inputView_; }
    SchematicView &outputSchematic() const { return *outputView_; }
    AmplifierPlot &plot() const { return *plot_; }
    // The design shown, if any.
    const std::optional<session::AmplifierOutcome> &outcome() const { return outcome_; }
    // Called after each design or failure is shown (the transistor's planes
    // follow the design's terminations).
    void OnShown(std::function<void()> shown) { shown_ = std::move(shown); }
    // The study the designs are run through, shared with the runs in flight.
    const session::Study &study() const { return *study_; }

    // Writes one side's network of the design shown to a file the engineer
    // names (each schematic's context menu): its Touchstone, SPICE or CSV
    // sweep, as session::AmplifierSideFile writes it. Returns the problem,
    // or empty when written or cancelled.
    QString ExportSide(session::AmplifierSide side, session::ExportKind kind);
    // The context menu's action for a side's file.
    QAction *exportAction(session::AmplifierSide side, session::ExportKind kind) const;
    // Shows one side's network in the Response window (each schematic's
    // context menu), as session::AmplifierSideOf builds it.
    using SideShower = std::function<void(const session::AmplifierSideNetwork &)>;
    void SetSideShower(SideShower show) { showSide_ = std::move(show); }
    // The context menu's action that shows a side in the Response window.
    QAction *showAction(session::AmplifierSide side) const
    {
        return side == session::AmplifierSide::Input ? showInput_ : showOutput_;
    }
    // Asks where to save; an empty answer means the engineer cancelled.
    using SavePathAsker = std::function<QString(QWidget *, const session::ExportFormat &)>;
    void SetSavePathAsker(SavePathAsker ask) { askSavePath_ = std::move(ask); }

  private:
    void Show(const session::AmplifierRun &run);

    const session::DeviceOutcome &device_;
    QLineEdit *f1_, *f2_, *source_, *load_, *margin_;
    QComboBox *goal_;
    QCheckBox *stabilise_;
    QPushButton *design_;
    QLabel *status_, *inputTitle_, *outputTitle_;
    SchematicView *inputView_, *outputView_;
    AmplifierPlot *plot_;
    std::optional<session::AmplifierOutcome> outcome_;
    session::AmplifierView view_;
    std::shared_ptr<session::Study> study_;
    BackgroundRun<session::AmplifierRun> run_;
    std::function<void()> shown_;
    SavePathAsker askSavePath_;
    SideShower showSide_;
    QAction *showInput_ = nullptr, *showOutput_ = nullptr;
    std::vector<std::tuple<session::AmplifierSide, session::ExportKind, QAction *>> exports_;
};

} // namespace tevmar
