#pragma once

// Networks put on a kit's measured parts, as tevmar-cli's --parts does and
// the Response window alike: each candidate's tuned values snapped to the
// kit and the candidates ranked again by the in-band loss of what would be
// soldered, since lossy parts can buy a low |S11| with power burnt in them.

#include "analysis/search/candidates.h"
#include "analysis/search/kit_search.h"

#include <atomic>
#include <string>
#include <vector>

namespace tevmar::session {

// Each candidate's network on kit parts (its |S11| that of the parts as
// built), the candidates then ranked by their in-band loss, best first. The
// kit choices follow the candidates' new order. Against a goal of several
// bands the parts are chosen and the candidates ranked by the goal's score,
// each candidate's per-band figures those of its kit network. Throws TuneCancelled when
// `stop` is raised.
std::vector<analysis::KitChoice> PutCandidatesOnKit(analysis::CandidateSet &set,
                                                    const analysis::Kit &kit,
                                                    const std::atomic<bool> *stop = nullptr);

// "LQW15_2N7 (2.7 nH)" for a kit part, empty for a part of any other model.
std::string KitPartText(const analysis::Part &part);

} // namespace tevmar::session
