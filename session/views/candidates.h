#pragma once

// The candidate networks as the window shows them: found off the GUI thread
// for the design the window shows (or the inputs the synthesis could not
// design), and the chosen one made into a design every view can draw.

#include "analysis/search/candidates.h"
#include "session/run/calculation.h"
#include "session/run/study.h"
#include "session/views/response.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// Every candidate for the outcome's load, typed or measured, within the
// settings' part ranges and on their standard series when one is set. Empty
// when `stop` was raised. `study` keeps what it found for the next ask.
std::optional<analysis::CandidateSet>
FindCandidates(Study &study, const CalculateOutcome &design, const ResponseSettings &settings,
               const std::atomic<bool> *stop = nullptr,
               std::function<void(int done, int total)> progress = {});
// The same, in a study of its own.
std::optional<analysis::CandidateSet>
FindCandidates(const CalculateOutcome &design, const ResponseSettings &settings,
               const std::atomic<bool> *stop = nullptr,
               std::function<void(int done, int total)> progress = {});

// The outcome with candidate `c` (of rank `rank`, 1 = the best) in place of
// its network: the candidate's tuned network with the true load, its own
// in-band extremes and VSWR as the figures it is checked against, and the
// Bode-Fano limit of its own load over its band. The design run (its result,
// report lines and boxes) stays as it was: the pane and the report are not
// the candidate's to change.
// The choices the window's tune and candidates search under.
SearchChoices SearchChoicesOf(const ResponseSettings &settings);

CalculateOutcome CandidateOutcome(const CalculateOutcome &design, const analysis::Candidate &c,
                                  int rank);

// The window's table: its heads and each candidate's cells, and each cell's
// number for sorting (the rank for text columns).
std::vector<std::string> CandidateHeads(const analysis::CandidateSet &set);
struct CandidateCell
{
    std::string text;
    double sortKey = 0;
};
std::vector<std::vector<CandidateCell>> CandidateRows(const analysis::CandidateSet &set);

// Whether candidates may match where the synthesis found no design: a load
// with a reactance to absorb, typed or measured.
bool CandidatesMayHelp(const CalculateOutcome &outcome);

// "Candidate 3: lowpass, 4 parts, in-band max |S11| 0.0079 (RL 42 dB)".
// Against several bands its score, and with `perBand` its figure in each.
std::string CandidateSummary(const analysis::CandidateSet &set, std::size_t index,
                             bool perBand = true);

} // namespace tevmar::session
