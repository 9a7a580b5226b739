#pragma once

// The re-tuned network in the design's JSON document and as terminal lines.

#include "analysis/figures/network_analysis.h"
#include "analysis/model/resonance.h"
#include "analysis/search/tune_design.h"
#include "format/json_number.h"

#include <string>
#include <vector>

namespace tevmar::format {

// The "tuned" object of the design's document: the
// starting and tuned values of each part, the load's reactance and port, the
// in-band max |S11| and VSWR before and after, the distance to the Bode-Fano
// limit where a load reactance sets one, the standard-value network when
// there is one, and the relaxed design tuning started from where the typed
// inputs have none.
// With `analysis` (the tuned network's, session::TunedAnalysis), also its
// sensitivity and, where asked for, its finite-Q and tolerance figures.
Json TunedJson(const analysis::TunedNetwork &tuned,
               const analysis::NetworkAnalysis *analysis = nullptr);

// The document (a tree from DesignDocument) with "tuned" added.
void AddTunedJson(Json &document, const analysis::TunedNetwork &tuned,
                  const analysis::NetworkAnalysis *analysis = nullptr);

// "L2 10000 nH (upper limit), C5 0.1 pF (lower limit)" for the parts of a
// network at a range limit; empty when none is.
std::string AtLimitParts(const analysis::Network &network, const analysis::PartRanges &ranges);

// "L2 12 nH (resonates at 2.751 GHz, near the limit)" for the chip parts of a
// network whose resonance lies within 10 % of the lowest `rule` allows, as
// the candidates mark them; empty when none does.
std::string NearResonanceParts(const analysis::Network &network,
                               const analysis::ResonanceRule &rule);

// True for a part of the tuned network, of its standard-value version or of
// its kit version whose resonance lies within 10 % of the lowest allowed: a
// kit part by the verdict its kit gave it, a chip part by the rule the tune
// held it under.
bool NearResonanceLimit(const analysis::Part &part, const analysis::TuneProblem &problem);

// The same figures as plain lines: the in-band max |S11| and VSWR before and
// after, the tuned values, and the standard values when there are some.
// Parts at a range limit and parts near their resonance's limit are named; with `analysis`, the
// tuned network's finite-Q and tolerance lines follow.
std::vector<std::string> TunedLines(const analysis::TunedNetwork &tuned,
                                    const analysis::NetworkAnalysis *analysis = nullptr);

} // namespace tevmar::format
