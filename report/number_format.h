#pragma once

// Number text for the exported files: locale-independent, shortest form that
// reads back to the same double. Each throws std::domain_error for infinity
// and NaN, so that neither can reach a file.

#include <string>

namespace tevmar {

// A figure for a person to read, to `digits` significant digits in its
// shortest form ("0.135064", "1.3123", "2.1e-05"), and "-" for a value that
// is not finite. Locale-independent.
std::string Figure(double value, int digits = 6);

// The value to `digits` significant digits in its shortest form ("0.135064",
// "2.1e-05"); never "-0".
std::string SignificantNumber(double value, int digits);

// Shortest round-trip text, fixed or exponent form as std::to_chars picks:
// "50", "0.135", "1e-05". Negative zero is written as "0".
std::string ShortestNumber(double value);

// As ShortestNumber, but always with a decimal point, for readers that take a
// bare integer for a different type: "0.0", "50.0", "1.0e-05".
std::string DecimalNumber(double value);

// Shortest round-trip text in plain digits, never an exponent, for SPICE values
// and frequencies in Hz: "5.0344474654", "1000000000".
std::string FixedNumber(double value);

} // namespace tevmar
