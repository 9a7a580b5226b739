#pragma once

// Standard component values (IEC 60063 E series) and snapping to them.

#include "analysis/model/network.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tevmar::analysis {

enum class ESeries { E12, E24, E48, E96 };

// The series' values of one decade, from 1.0 up to (not including) 10.
std::span<const double> SeriesValues(ESeries series);

// mantissa * 10^exponent for a series mantissa (or 10), as the series writes
// it: the double nearest 0.68 for 6.8 and -1, so that files and tables show
// "0.68".
double SeriesValueAt(double mantissa, int exponent);

std::string SeriesName(ESeries series);
// "E12", "E24", "E48" or "E96", upper or lower case.
std::optional<ESeries> ParseSeries(std::string_view name);

// The series value nearest to `value` in log distance (ratio), in any decade.
// Between two neighbours a and b the choice changes at the geometric mean
// sqrt(a b); a value exactly there takes the larger one. A value that is not
// positive and finite comes back unchanged.
double SnapToSeries(double value, ESeries series);

// The network with every part snapped in its table unit (nH or pF).
Network SnapNetwork(const Network &network, ESeries series);

} // namespace tevmar::analysis
