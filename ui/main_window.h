#pragma once

#include "report/print_routine.h"
#include "session/types.h"
#include "session/views/design_state.h"
#include "ui/about_window.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tevmar {

class FlatStyle;
class OutputPane;
class ResultTools;

// The main window: the design's inputs, the load-type and network-order
// choices, the Calculate, Print and About commands, the output pane and the
// error box, laid out at fixed positions in a fixed-size window. Calculate
// reads the boxes and options as typed, runs the design and shows its outcome.
class MainWindow final : public QWidget
{
  public:
    // Makes the printer for one Print command, or says in `whyNot` why there
    // is none.
    using PrinterSource = std::function<std::unique_ptr<LinePrinter>(QString &whyNot)>;

    // The system's default printer through Qt.
    static std::unique_ptr<LinePrinter> DefaultPrinter(QString &whyNot);

    // The window shows and changes `state`, the application's design state;
    // without one it has a state of its own.
    explicit MainWindow(PrinterSource printers = &MainWindow::DefaultPrinter,
                        std::shared_ptr<session::DesignState> state = nullptr);
    ~MainWindow() override;

    // The design as the boxes and options hold it now.
    DesignInputs Inputs() const;

    // The commands behind the buttons.
    void Calculate();
    // Designs for the load measured in a one-port file over the band and order
    // the boxes hold: the boxes take the fitted ports and load, Calculate runs
    // as always, and the Response window shows every figure into the data.
    // Returns why there is no design, or empty.
    // A non-empty `sourceFile` is a measured source in place of sourceOhms.
    std::string MatchMeasuredLoad(const QString &filePath, double sourceOhms,
                                  std::optional<LoadType> kind, const QString &sourceFile = {});
    // Asks for the file, the source and the kind, then matches; says what went wrong.
    void AskAndMatchMeasuredLoad();
    void Print();
    void ShowAbout();
    // Runs when LC_abs or a load type is clicked: the unit prompt follows the
    // load type, and unticking the box resets the absorbed value.
    void ApplyAbsorptionRule();

    OutputPane &pane() const { return *pane_; }
    // The open About window, or null.
    AboutPellmark *about() const { return about_; }
    // The output pane's context menu and the Response window.
    ResultTools &tools() const { return *tools_; }

  private:
    enum class Box { F1, F2, Zhigh, Zlow, AbsorbValue, UnitPrompt, Error };

    void BuildBrand();
    void BuildInputs();
    void BuildAbsorption();
    void BuildChoices();
    void BuildCommands();
    void BuildResults();
    void SetTabOrder();
    void ApplyFlatLook();
    QLineEdit *BoxOf(Box box) const;
    void SetBoxText(Box box, std::string_view text);
    void ShowOutcome(const session::CalculateOutcome &outcome);
    // Shows the outcome, and makes it the state's latest run.
    void Present(const session::Request &request, const session::Outcome &outcome);
    void WriteInputs(const DesignInputs &inputs);
    void Tell(const QString &message);
    // After a Calculate that left the saved report of an earlier design, asks
    // whether to print that report anyway; true to go on.
    bool ConfirmEarlierReport();

    PrinterSource printers_;
    std::shared_ptr<session::DesignState> state_;
    std::unique_ptr<FlatStyle> flat_;
    QPointer<AboutPellmark> about_;

    QLineEdit *boxes_[7] = {};
    QRadioButton *loads_[4] = {};  // in the order of LoadType
    QRadioButton *orders_[3] = {}; // orders 4, 8 and 12
    QCheckBox *lcAbs_ = nullptr;
    QPushButton *printOut_ = nullptr;
    QPushButton *calcBp_ = nullptr;
    QPushButton *getAbout_ = nullptr;
    OutputPane *pane_ = nullptr;
    std::unique_ptr<ResultTools> tools_;
};

} // namespace tevmar
