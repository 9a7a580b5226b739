#pragma once

// The analysis figures as plain lines for a terminal or a text pane.

#include "analysis/figures/network_analysis.h"
#include "report/number_format.h"

#include <string>
#include <vector>

namespace tevmar::format {

// A part's value in the engineering unit of its kind: "2.2 nH", "10 uH"
// rather than "10000 nH", to `digits` significant digits.
std::string PartValueText(const analysis::Part &part, int digits = 4);

// The finite-Q insertion loss over the band: "0.1234 to 0.2345".
std::string InsertionLossRange(const analysis::FiniteQLoss &q);

// The tolerance trials' outcome: "98.5 % below VSWR 1.4433", the limit to
// `vswrDigits` significant digits.
std::string YieldBelowLimit(const analysis::YieldResult &y, int vswrDigits = 6);

// Passband check, Bode-Fano limit, and each analysis that was asked for.
std::vector<std::string> AnalysisLines(const analysis::NetworkAnalysis &analysis);

// The finite-Q and tolerance lines of AnalysisLines alone (none when neither
// was asked for): the figures of a network's own parts.
std::vector<std::string> PartFiguresLines(const analysis::NetworkAnalysis &a);

// The network's parts below 0.1 nH or 0.1 pF, "C3 0.026 pF, L4 0.08 nH", or
// empty when every part can be a chip.
std::string BelowChipRangeParts(const analysis::Network &ladder);

} // namespace tevmar::format
