#pragma once

// Number text of the report: decimal rounding, the four masks and bare numbers.
// All of it is locale-independent: "." is the decimal point under every locale.

#include "engine/decimal_round.h"

#include <string>

namespace tevmar {

// The report's masks. Each writes the decimal point always, drops trailing
// zeros of the fraction and never cuts digits before the point.
enum class Mask {
    Q,      // "#0.####": Qt, source and load Q, loss in dB
    Ratio,  // "###.####": transformation ratio; no 0 before the point
    Vswr,   // "##.##"
    Element // "#0.###": element values rounded to 0.001
};

std::string FormatMask(double value, Mask mask);

// The magnitude of a value in its shortest decimal form that reads back to the
// same double, in plain digits; a magnitude below 1 keeps its leading zero.
std::string BareNumber(double value);

// The text of a number item: sign position (blank or "-"), bare number, blank.
std::string NumberItemText(double value);
void AppendNumberItem(std::string &out, double value);

} // namespace tevmar
