#pragma once

// Touchstone 1.1 two-port file (.s2p) of the matching network alone.

#include "analysis/ladder.h"

#include <string>
#include <vector>

namespace tevmar::analysis {

constexpr double kDefaultTouchstoneOhms = 50.0;

// The network's reactive elements without its terminations, both ports
// referred to referenceOhms: comment lines, the option line
// "# HZ S RI R <ohms>", then one line per frequency with f and the real and
// imaginary parts of S11 S21 S12 S22. frequenciesHz must rise and be positive;
// referenceOhms must be positive (std::invalid_argument otherwise).
std::string TouchstoneText(const Ladder &ladder, const std::vector<double> &frequenciesHz,
                           double referenceOhms = kDefaultTouchstoneOhms);

} // namespace tevmar::analysis
