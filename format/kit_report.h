#pragma once

// Candidates built from a kit's measured parts: the lines after the pane and
// what the JSON document gains.

#include "analysis/search/candidates.h"
#include "analysis/search/kit_search.h"
#include "format/json_number.h"

#include <string>
#include <vector>

namespace tevmar::format {

// The candidates on kit parts, best first by in-band loss: for each its
// figures as built, the ideal network's and the plain snap's, and its parts
// from the source's side with their part numbers. `choices` follow the
// candidates' order.
std::vector<std::string> KitCandidateLines(const analysis::CandidateSet &set,
                                           const std::vector<analysis::KitChoice> &choices);

// Each candidate's entry of CandidatesJson on the kit parts chosen for it:
// its elements carrying "part" (their "value" the nominal value),
// "lossDbMax", and the ideal and snapped networks' figures.
// With `pathHz`, each entry's "path" follows its kit network there, the
// network it stood for keeping its own under "ideal".
void PutCandidatesOnKitJson(Json &candidates, const std::vector<analysis::KitChoice> &choices,
                            double pathHz = 0);

// A network's kit parts from its port 1, each named by its part number.
Json KitNetworkElementsJson(const analysis::Network &network);

// The tuned part of TunedJson on the kit parts chosen for it.
void PutTunedOnKitJson(Json &tuned, const analysis::KitChoice &choice);

// The document (a tree from DesignDocument, with its candidates) with them on
// their kit parts and "kit", the parts usable over the band.
void AddKitJson(Json &document, const analysis::Kit &kit,
                const std::vector<analysis::KitChoice> &choices);

// The tuned network on kit parts: its figures as built against the ideal
// network's and the plain snap's, and its parts with their numbers.
std::vector<std::string> KitTunedLines(const analysis::KitChoice &choice);

// The document's "tuned" gains "lossDbMax" and "kit": the built network's
// figures and elements (each with "part"), and the snapped network's.
void AddTunedKitJson(Json &document, const analysis::KitChoice &choice);

} // namespace tevmar::format
