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
    // The reactance to absorb: nH for RL loads, pF for RC loads; 0 for none.
    double absorbedValue = 0;
};

// Unticked: nothing is absorbed and the value box shows " 0.0". Ticked: the
// prompt shows the unit of the load type ("L(nH)=" or "C(pF)=") and the value
// is the number at the start of the box's text.
AbsorptionPrompt AbsorptionRule(bool absorb, LoadType loadType, std::string_view absorbText);

} // namespace tevmar
