#pragma once

#include "engine/window_services.h"

namespace tevmar {

// LC_abs_Click: the absorption rule, run when LC_abs or a load type is clicked
// and again at the start of every design run. Unchecked: nothing is absorbed
// and LC_text shows " 0.0" (the unit prompt stays). Checked: the prompt shows
// the unit of the selected load type and LC_value takes the number in LC_text.
void LC_abs_Click(WindowServices &window);

} // namespace tevmar
