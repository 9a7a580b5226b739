#pragma once

// A part value as an engineer writes it: the SI prefix that leaves one to
// three digits before the point, "10 uH" rather than "1e+04 nH" and "100 nF"
// rather than "100000 pF".

#include <string>

namespace tevmar {

// `value` in SI units (henries, farads, ohms) with `unit` ("H", "F", "ohm")
// to `digits` significant digits, the prefix chosen from f, p, n, u, m, k, M,
// G: "2.7 nH", "10 uH", "100 nF", "1.5 kohm". No prefix below
// 10^lowestExponent is used: parts are read in nH and pF, so 0.5 nH stays
// "0.5 nH" rather than "500 pH". Zero is "0 <unit>", a value that is not
// finite "-".
std::string EngineeringValue(double value, const char *unit, int digits = 4,
                             int lowestExponent = -15);

// A part's value as the tables give it (nH for an inductor, pF for a
// capacitor) in its engineering unit, never below nH or pF.
std::string PartValue(double value, bool inductor, int digits = 4);

} // namespace tevmar
