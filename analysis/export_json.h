#pragma once

// The design and its analysis as one JSON document.

#include "analysis/network_analysis.h"
#include "engine/design_inputs.h"

#include <string>

namespace tevmar::analysis {

// Inputs as typed and as read, band parameters, Q values, the achieved ratio,
// loss and VSWR figures, topology and the element table (printed and
// full-precision values), then the analysis figures that `analysis` holds.
// A design that found no solution gives the inputs and the status only; a
// non-empty `reportError` says why the report file was not saved.
// Throws std::domain_error should any figure be infinite or NaN.
std::string DesignJson(const DesignInputs &inputs, const DesignResult &design,
                       const std::string &reportError, const NetworkAnalysis *analysis);

} // namespace tevmar::analysis
