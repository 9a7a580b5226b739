#pragma once

// A measured load's fit as the engineer reads it: in lines after the pane and
// in the design's JSON document.

#include "analysis/search/load_fit.h"
#include "format/json_number.h"

#include <string>
#include <vector>

namespace tevmar::format {

// "R 20.1709 ohms, L 1.19582 nH": a fit's values in words.
std::string FitValuesText(const analysis::LoadFit &fit);

// The summary as plain lines: the file, each kind's fit, the kind chosen.
std::vector<std::string> FitLines(const analysis::FitSummary &summary);

// The standard-error line every fit gives: the file and the chosen kind's
// rms error in percent ("measured load antenna.s1p: series RL fit, rms error
// 0.68 %"); `what` is "load" or "source".
std::string FitErrorLine(const analysis::FitSummary &summary, const char *what);

// Why there is no design for a fit too far off its data (FitSummary::dataOnly).
std::string DataOnlyReason(const analysis::FitSummary &summary);

// The document's "measuredLoad": the file, the fits tried and the one chosen.
Json MeasuredLoadJson(const analysis::FitSummary &summary);

// The document (a tree from DesignDocument) with "measuredLoad" added.
void AddFitJson(Json &document, const analysis::FitSummary &summary);

// A measured source's fit as plain lines: the file, each kind's fit, the
// kind chosen (or, for a `resistive` source, its mean resistance) and that
// the figures are between the two measurements.
std::vector<std::string> SourceFitLines(const analysis::FitSummary &summary, bool resistive);

// The document with a "measuredSource" object added, as AddFitJson adds
// "measuredLoad": the file, every kind's fit and the resistance designed for.
void AddSourceFitJson(Json &document, const analysis::FitSummary &summary, bool resistive,
                      const std::string &bodeFano);

} // namespace tevmar::format
