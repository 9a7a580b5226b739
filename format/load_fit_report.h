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
// With a measured `source` whose data are used directly there is no design
// for the load's fit either, and the lines say so.
std::vector<std::string> FitLines(const analysis::FitSummary &summary,
                                  const analysis::FitSummary *source = nullptr);

// The standard-error line every fit gives: the file and the chosen kind's
// rms error in percent ("measured load antenna.s1p: series RL fit, rms error
// 0.68 %"); `what` is "load" or "source".
std::string FitErrorLine(const analysis::FitSummary &summary, const char *what);

// Why there is no design for a fit too far off its data (FitSummary::dataOnly);
// `what` is "load" or "source".
std::string DataOnlyReason(const analysis::FitSummary &summary, const char *what = "load");

// The document's "inputs" and "status" where a termination's data are used
// directly: the boxes that would hold that termination's fit (its port
// resistance, and for the load its kind and L or C) are null, and
// inputs.measuredLoad / inputs.measuredSource describe the data instead: the
// file, its points, the fit's error and that the fit is not used. `source`
// is null without a measured source; nothing changes where every fit is used.
void DescribeDataInInputs(Json &document, const analysis::FitSummary &load,
                          const analysis::FitSummary *source);

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
