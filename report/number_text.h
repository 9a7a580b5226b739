#pragma once

// Number text of the report: decimal rounding, the four masks and bare numbers.
// All of it is locale-independent: "." is the decimal point under every locale.

#include <string>

namespace tevmar {

// A value rounded to a number of decimals, as decimal digits.
struct DecimalText
{
    bool negative = false;      // never set when every digit is zero
    std::string integerDigits;  // without leading zeros; empty when below 1
    std::string fractionDigits; // without trailing zeros
};

// Rounds the value's 15-significant-digit decimal form to `decimals` places,
// halves away from zero. Rounding the decimal text rather than the binary
// double keeps 2.675 at 2.68 and 0.00005 at 0.0001, as an engineer reads them.
// Throws std::domain_error for infinity and NaN.
DecimalText RoundDecimal(double value, int decimals);

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
