#pragma once

#include "engine/window_services.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tevmar {

// What the engineer types and picks before pressing Calculate, texts exactly
// as typed. Left out, each is the window's initial state.
struct TypedInputs
{
    std::string f1Text, f2Text, zhighText, zlowText;
    Option order = Option::N4;
    Option loadType = Option::SRL;
    std::optional<std::string> absorbText; // set: LC_abs ticked, this text in LC_text
};

// The window services held in memory, starting in the main window's initial
// state: order 4, series RL, absorption off, LC_text " 0.0", the rest empty.
// The pane keeps each printed line composed into character columns.
class MemoryWindow final : public WindowServices
{
  public:
    MemoryWindow();
    // The initial window with `inputs` typed and picked into it.
    explicit MemoryWindow(const TypedInputs &inputs);

    std::string ReadText(TextBox box) const override;
    void WriteText(TextBox box, std::string_view text) override;
    bool IsSelected(Option option) const override;
    int CheckBoxState() const override { return absorb_; }
    double LC_value() const override { return lcValue_; }
    void SetLC_value(double value) override { lcValue_ = value; }
    void ClearPane() override { pane_.clear(); }
    void PrintLine(const Line &line) override;

    // What the user does: type into a box, pick an option, tick the box.
    void Type(TextBox box, std::string_view text) { WriteText(box, text); }
    void Select(Option option);
    void SetCheckBox(int state) { absorb_ = state; }

    const std::vector<std::string> &pane() const { return pane_; }

  private:
    std::array<std::string, 7> texts_;
    Option loadType_ = Option::SRL;
    Option order_ = Option::N4;
    int absorb_ = 0;
    double lcValue_ = 0.0;
    std::vector<std::string> pane_;
};

} // namespace tevmar
