#pragma once

// Touchstone two-port files (.s2p) of the matching network alone: its parts,
// without the port resistances and without an absorbed load's reactance.

#include "analysis/model/network.h"

#include <string>
#include <vector>

namespace tevmar::format {

constexpr double kDefaultTouchstoneOhms = 50.0;

// Touchstone 1.1, both ports referred to referenceOhms: comment lines naming
// the ports and the parts, the option line "# HZ S RI R <ohms>", then one line
// per frequency with f and the real and imaginary parts of S11 S21 S12 S22.
// frequenciesHz must rise and be positive; referenceOhms must be positive
// (std::invalid_argument otherwise).
std::string TouchstoneText(const analysis::Network &ladder,
                           const std::vector<double> &frequenciesHz,
                           double referenceOhms = kDefaultTouchstoneOhms);

// Touchstone 2.0 with each port referred to its own termination: port 1 to
// the high-impedance termination, port 2 to the low-impedance one, as
// [Reference] says. Keywords [Version] 2.0, the option line, [Number of Ports]
// 2, [Two-Port Data Order] 12_21 (each line: f, S11 S12 S21 S22 as real and
// imaginary parts), [Number of Frequencies], [Reference], [Network Data] and
// [End]. The same checks on frequenciesHz as TouchstoneText.
std::string TouchstoneV2Text(const analysis::Network &ladder,
                             const std::vector<double> &frequenciesHz);

} // namespace tevmar::format
