#pragma once

#include "engine/window_services.h"

#include <array>
#include <string>
#include <vector>

namespace tevmar {

// The window services held in memory, starting in the main window's initial
// state: order 4, series RL, absorption off, LC_text " 0.0", the rest empty.
// The pane keeps each printed line composed into character columns.
class MemoryWindow final : public WindowServices
{
  public:
    MemoryWindow();

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
