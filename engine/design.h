#pragma once

#include "engine/design_inputs.h"
#include "engine/design_result.h"

namespace tevmar {

// The whole design for one press of Calculate: band parameters, the Chebyshev
// impedance-transforming prototype, passband loss and VSWR, and the bandpass
// network's element table. A pure function of the inputs; an input that
// leaves no band, ratio or load, or a solver that does not converge, gives a
// result that is not solved. The phases, each a value the next one takes,
// are in engine/design_phases.h.
DesignResult RunDesign(const DesignInputs &inputs);

// The element table's value as printed: rounded to 0.001 the way the report
// rounds it, from its 15-significant-digit decimal form.
double PrintedElementValue(double value);

} // namespace tevmar
