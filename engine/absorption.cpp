#include "engine/absorption.h"

#include "engine/lenient_number.h"

namespace tevmar {

void LC_abs_Click(WindowServices &window)
{
    if (window.CheckBoxState() == 0) {
        window.SetLC_value(0.0);
        window.WriteText(TextBox::LC_text, " 0.0");
        return;
    }
    if (window.IsSelected(Option::SRL) || window.IsSelected(Option::PRL)) {
        window.WriteText(TextBox::LC_label, "L(nH)=");
        window.SetLC_value(ReadNumber(window.ReadText(TextBox::LC_text)));
    }
    if (window.IsSelected(Option::SRC) || window.IsSelected(Option::PRC)) {
        window.WriteText(TextBox::LC_label, "C(pF)=");
        window.SetLC_value(ReadNumber(window.ReadText(TextBox::LC_text)));
    }
}

} // namespace tevmar
