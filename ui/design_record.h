#pragma once

#include "analysis/design_inputs.h"
#include "engine/design_result.h"
#include "engine/design_state.h"

namespace tevmar {

// One solved design as the window's later tools need it: the inputs as typed
// before the run, the run's figures and element table, and the band
// parameters it left behind.
struct DesignRecord
{
    analysis::DesignInputs inputs;
    DesignResult result;
    DesignState state;
};

} // namespace tevmar
