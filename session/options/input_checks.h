#pragma once

// What the design boxes say that the engineer may not have meant, and why a
// design has no solution, in the same words for the window and tevmar-cli.
// Neither changes what is designed, printed or saved.

#include "engine/design_inputs.h"
#include "engine/design_result.h"

#include <string>
#include <vector>

namespace tevmar::session {

// A band edge above this is far beyond any part the network is built from:
// most likely a frequency in MHz typed into a box in GHz.
inline constexpr double kHighestPlausibleGhz = 1000;

// Values read as typed but likely meant otherwise: a negative absorbed value
// or one too small to absorb (nothing is absorbed either way), swapped band
// edges, a band edge above kHighestPlausibleGhz.
std::vector<std::string> DesignInputWarnings(const DesignInputs &inputs);

// Why `result` (the design run of `inputs`) has no solution: no band, a
// negative or zero impedance, swapped ports, a load Q the synthesis cannot
// absorb, or else the ratio and order it found no prototype for. Empty for a
// solved design.
std::string NoSolutionReason(const DesignInputs &inputs, const DesignResult &result);

} // namespace tevmar::session
