#pragma once

// Several bands at once as text and JSON: the line that says why there is
// no textbook design, each candidate's figure band by band, and the bands in
// the document's inputs.

#include "analysis/figures/goal.h"
#include "format/json_number.h"

#include <string>
#include <vector>

namespace tevmar::format {

// "0.88-0.92 GHz" for a band.
std::string BandText(const analysis::Band &band);

// Whether the score is the worst |S11| of every band itself (no limit, no
// weight, nothing to reject), so that a table may head it "|S11|max".
bool ScoreIsGamma(const analysis::Goal &goal);

// The one line the pane gives in place of the textbook design: "Bands
// 0.88-0.92 and 1.76-1.84 GHz: no textbook design or report for several
// bands; the candidates are matched over every band".
std::string GoalNote(const analysis::Goal &goal);

// A candidate's figures band by band, for the line under its row:
// "0.88-0.92 GHz |S11| 0.0123, 1.76-1.84 GHz |S11| 0.0456 (limit 0.178),
// reject 4.8-5 GHz |S21| -23.4 dB (at most -20 dB)".
std::string BandFiguresText(const analysis::Goal &goal,
                            const std::vector<analysis::GoalBandFigure> &figures);

// The goal's bands as the document's inputs give them: "bands" (each with
// f1GHz, f2GHz, weight and, where written, limitDb) and "rejectBands" (each
// with f1GHz, f2GHz and attenuationDb).
void AddGoalInputsJson(Json &document, const analysis::Goal &goal);

// A candidate's figures band by band: each band's edges, kind ("pass" or
// "reject"), its worst figure (gammaMax, or lossDbMax with lossy parts, or
// s21Max) and where, and its share of the score.
Json BandFiguresJson(const analysis::Goal &goal,
                     const std::vector<analysis::GoalBandFigure> &figures);

} // namespace tevmar::format
