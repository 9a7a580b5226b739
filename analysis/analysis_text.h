#pragma once

// The analysis figures as plain lines for a terminal or a text pane.

#include "analysis/network_analysis.h"

#include <string>
#include <vector>

namespace tevmar::analysis {

// A figure to `digits` significant digits in its shortest form: "0.135064",
// "1.3123", "2.1e-05". Locale-independent.
std::string Figure(double value, int digits = 6);

// The finite-Q insertion loss over the band: "0.1234 to 0.2345".
std::string InsertionLossRange(const FiniteQLoss &q);

// The tolerance trials' outcome: "98.5 % below VSWR 1.4433", the limit to
// `vswrDigits` significant digits.
std::string YieldBelowLimit(const YieldResult &y, int vswrDigits = 6);

// Passband check, Bode-Fano limit, and each analysis that was asked for.
std::vector<std::string> AnalysisLines(const NetworkAnalysis &analysis);

// The finite-Q and tolerance lines of AnalysisLines alone (none when neither
// was asked for): the figures of a network's own parts.
std::vector<std::string> PartFiguresLines(const NetworkAnalysis &a);

// The network's parts below 0.1 nH or 0.1 pF, "C3 0.026 pF, L4 0.08 nH", or
// empty when every part can be a chip.
std::string BelowChipRangeParts(const Ladder &ladder);

} // namespace tevmar::analysis
