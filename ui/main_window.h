#pragma once

#include "engine/design_state.h"
#include "engine/window_services.h"
#include "report/print_routine.h"
#include "ui/about_window.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

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
// error box, laid out at fixed positions in a fixed-size window. It hosts the
// values a design run keeps between runs and gives the design run its window
// services on the real controls.
class Tevmar final : public QWidget, public WindowServices
{
  public:
    // Makes the printer for one Print command, or says in `whyNot` why there
    // is none.
    using PrinterSource = std::function<std::unique_ptr<LinePrinter>(QString &whyNot)>;

    // The system's default printer through Qt.
    static std::unique_ptr<LinePrinter> DefaultPrinter(QString &whyNot);

    explicit Tevmar(PrinterSource printers = &Tevmar::DefaultPrinter);
    ~Tevmar() override;

    // Window services used by the design run.
    std::string ReadText(TextBox box) const override;
    void WriteText(TextBox box, std::string_view text) override;
    bool IsSelected(Option option) const override;
    int CheckBoxState() const override;
    double LC_value() const override { return lcValue_; }
    void SetLC_value(double value) override { lcValue_ = value; }
    void ClearPane() override;
    void PrintLine(const Line &line) override;

    // The click handlers.
    void Calc_BP_Click();
    void PrintOut_Click();
    void GetAbout_Click();
    void LC_abs_Click();
    void SRL_Click() { LC_abs_Click(); }
    void SRC_Click() { LC_abs_Click(); }
    void PRL_Click() { LC_abs_Click(); }
    void PRC_Click() { LC_abs_Click(); }

    OutputPane &pane() const { return *pane_; }
    // The open About window, or null.
    AboutPellmark *about() const { return about_; }
    // The output pane's context menu and the Response window.
    ResultTools &tools() const { return *tools_; }

  private:
    void BuildBrand();
    void BuildInputs();
    void BuildAbsorption();
    void BuildChoices();
    void BuildCommands();
    void BuildResults();
    void SetTabOrder();
    void ApplyFlatLook();
    QLineEdit *Box(TextBox box) const;
    QRadioButton *OptionButton(Option option) const;
    void Tell(const QString &message);

    PrinterSource printers_;
    std::unique_ptr<FlatStyle> flat_;
    DesignState state_;
    double lcValue_ = 0;
    QPointer<AboutPellmark> about_;

    QLineEdit *boxes_[7] = {};
    QRadioButton *options_[7] = {};
    QCheckBox *lcAbs_ = nullptr;
    QPushButton *printOut_ = nullptr;
    QPushButton *calcBp_ = nullptr;
    QPushButton *getAbout_ = nullptr;
    OutputPane *pane_ = nullptr;
    std::unique_ptr<ResultTools> tools_;
};

} // namespace tevmar
