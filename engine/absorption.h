#pragma once

#include "engine/design_inputs.h"

#include <optional>
#include <string_view>

namespace tevmar {

// What the absorption box and its prompt show after the LC Absorption box or a
// load type is clicked, and at the start of every design run.
struct AbsorptionPrompt
{
    // The unit prompt beside the value box; unset leaves the prompt as it was,
    // so unticking the box keeps the last unit shown.
    std::optional<std::string_view> unitPrompt;
    // The value box's new text; unset leaves what the engineer typed.
    std::optional<std::string_view> absorbText;
};

// Unticked: nothing is absorbed and the value box shows " 0.0". Ticked: the
// prompt shows the unit of the load type ("L(nH)=" or "C(pF)="). The value
// itself is read with the other boxes (ReadInputValues).
AbsorptionPrompt AbsorptionRule(bool absorb, LoadType loadType);

} // namespace tevmar
