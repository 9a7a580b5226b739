#pragma once

// The re-tuned network in the design's JSON document and as terminal lines.

#include "analysis/tune_design.h"

#include <string>
#include <vector>

namespace tevmar::format {

// `designJson` (a document from DesignJson) with a "tuned" object added: the
// starting and tuned values of each part, the load's reactance and port, the
// in-band max |S11| and VSWR before and after, the distance to the Bode-Fano
// limit where a load reactance sets one, the standard-value network when
// there is one, and the relaxed design tuning started from where the typed
// inputs have none.
std::string WithTunedJson(const std::string &designJson, const analysis::TunedNetwork &tuned);

// The same figures as plain lines: the in-band max |S11| and VSWR before and
// after, the tuned values, and the standard values when there are some.
std::vector<std::string> TunedLines(const analysis::TunedNetwork &tuned);

} // namespace tevmar::format
