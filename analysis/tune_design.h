#pragma once

// The tuning problem of a design: the network's parts with the absorbed
// reactance taken out as the load's own, and a starting design for loads the
// synthesis cannot absorb.

#include "analysis/tuner.h"
#include "engine/design_inputs.h"
#include "engine/design_result.h"

#include <optional>

namespace tevmar::analysis {

// The parts of a solved design and its band. An absorbed reactance (the last
// part for a series load, the first for a shunt load) becomes the load's
// reactance, with `loadValue` in its place when given (nH or pF): the true
// load where the design was made for another. Throws std::invalid_argument
// for a design that is not solved.
TuneProblem TuneProblemOf(const DesignResult &design, std::optional<double> loadValue = {});

// A design the synthesis can make for a load it cannot absorb: the largest
// value of the same load kind below the typed one, found to 0.1 %, that
// solves. Empty when the typed inputs solve already, nothing is absorbed, or
// no smaller value solves either.
struct RelaxedDesign
{
    DesignInputs inputs; // the typed inputs with the relaxed value in the box
    DesignResult design;
    double relaxedValue = 0; // nH or pF
    double loadValue = 0;    // the typed value, the load's true reactance
};
std::optional<RelaxedDesign> RelaxedDesignFor(const DesignInputs &inputs);

} // namespace tevmar::analysis
