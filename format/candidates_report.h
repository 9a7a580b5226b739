#pragma once

// The candidate networks for a load as terminal lines and in the JSON document.

#include "analysis/search/candidates.h"
#include "format/json_number.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tevmar::format {

// The candidates' table, best first: number, topology, parts, in-band max
// |S11| and return loss with the true load, the smallest and largest part,
// the standard-value |S11| when a series was set, DC at each port and the
// distance to the Bode-Fano limit; each row followed by its parts from the
// source's side.
std::vector<std::string> CandidateLines(const analysis::CandidateSet &set);

// The width the candidates' tables give their topology column: the family
// names' nine, or more for a ladder whose parts name it.
std::size_t TopologyColumnWidth(std::span<const analysis::Candidate> candidates);

// A candidate's part as its table lists it, "L4 0.1 nH (lower limit)": its
// label, its value in its engineering unit and the range limit it stands at,
// as the tuned network marks it; with `rule`, a part whose resonance lies
// within 10 % of the lowest the margin allows marked as ResonanceMark does.
std::string CandidatePartText(const analysis::Part &part, const analysis::PartRanges &ranges,
                              const std::optional<analysis::ResonanceRule> &rule = std::nullopt);

// " (resonates at 3.2 GHz, near the limit)" for a resonance that ResonanceRule
// finds near its limit (or within it), nothing for one clear of it or unknown.
std::string ResonanceMark(const std::optional<double> &resonanceHz, analysis::Clearance clearance);

// How far above the Bode-Fano limit a return loss lies, dB: 20 log10 of
// the in-band max |S11| over the limit; empty with no limit.
std::optional<double> ShortOfLimitDb(double gammaMax, const std::optional<double> &limit);

// The same distance as the table writes it: "31.3 dB"; "> 60 dB" where the limit is a
// return loss far past any practical match and bounds nothing; "-" with no
// limit.
std::string AboveBodeFanoText(double gammaMax, const std::optional<double> &limit);

// A document's "candidates" array, best first: each
// with its topology, part count, in-band max |S11| with the true load, its
// parts from the source's side to the load's, and the other figures of the
// table.
// The document's "candidates", best first, each part from the source's side.
Json CandidatesJson(const analysis::CandidateSet &set);

// The document (a tree from DesignDocument) with "candidates" added.
void AddCandidatesJson(Json &document, const analysis::CandidateSet &set);

} // namespace tevmar::format
