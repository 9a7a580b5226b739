#include "analysis/design_inputs.h"

namespace tevmar::analysis {

DesignInputs CaptureInputs(const WindowServices &window)
{
    DesignInputs in;
    in.F1_text = window.ReadText(TextBox::F1_text);
    in.F2_text = window.ReadText(TextBox::F2_text);
    in.Zhigh_text = window.ReadText(TextBox::Zhigh_text);
    in.Zlow_text = window.ReadText(TextBox::Zlow_text);
    in.LC_text = window.ReadText(TextBox::LC_text);
    for (const auto &[option, name] :
         {std::pair{Option::SRL, "SRL"}, std::pair{Option::SRC, "SRC"},
          std::pair{Option::PRL, "PRL"}, std::pair{Option::PRC, "PRC"}})
        if (window.IsSelected(option))
            in.loadType = name;
    // The design run's own rule: N12 wins over N8, and order 4 is the default.
    in.networkOrder = window.IsSelected(Option::N12) ? 12 : window.IsSelected(Option::N8) ? 8 : 4;
    in.absorb = window.CheckBoxState() != 0;
    return in;
}

} // namespace tevmar::analysis
