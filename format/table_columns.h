#pragma once

// Fixed-width columns of the transistor's and the amplifier's tables: a
// figure to a number of decimals, a reflection as magnitude and angle, and
// "-" where the figure does not exist.

#include <complex>
#include <optional>
#include <string>

namespace tevmar::format {

// A figure with `decimals` places, right-aligned in `width`; "-" where it
// does not exist or is not finite. A value that rounds to zero prints as 0,
// never "-0".
std::string Fixed(const std::optional<double> &value, int decimals, int width);

// A reflection as "0.872 @ 123.4" (degrees), left-aligned in `width`; "-"
// where it does not exist. A reflection at the chart's centre prints angle 0.
std::string Polar(const std::optional<std::complex<double>> &value, int width);

} // namespace tevmar::format
