#pragma once

// The operations through which the design run reaches the main window. The Qt
// window implements them on its real controls; MemoryWindow implements them
// in memory for the command line and the tests.

#include "report/line.h"

#include <string>
#include <string_view>

namespace tevmar {

enum class TextBox { F1_text, F2_text, Zhigh_text, Zlow_text, LC_text, LC_label, Error_text };

// The load-type group (SRL, SRC, PRL, PRC) and the network-order group (N4, N8, N12).
enum class Option { SRL, SRC, PRL, PRC, N4, N8, N12 };

class WindowServices
{
  public:
    virtual ~WindowServices() = default;

    // The box's text character for character, blanks included.
    virtual std::string ReadText(TextBox box) const = 0;
    // Used on LC_text, LC_label and Error_text only.
    virtual void WriteText(TextBox box, std::string_view text) = 0;
    virtual bool IsSelected(Option option) const = 0;
    // The LC_abs check box: 0 unchecked, 1 checked.
    virtual int CheckBoxState() const = 0;
    // The load reactance to absorb, nH for RL loads and pF for RC loads.
    virtual double LC_value() const = 0;
    virtual void SetLC_value(double value) = 0;
    // Empties the output pane; the next line starts at its top-left corner.
    virtual void ClearPane() = 0;
    // Draws a line below the previous one on the output pane.
    virtual void PrintLine(const Line &line) = 0;
};

} // namespace tevmar
