#pragma once

// Decimal rounding as an engineer reads a printed value: the value's
// 15-significant-digit decimal form is rounded, halves away from zero, so
// that 2.675 rounds to 2.68 and 0.00005 to 0.0001. Locale-independent.

#include <string>

namespace tevmar {

// A value rounded to a number of decimals, as decimal digits.
struct DecimalText
{
    bool negative = false;      // never set when every digit is zero
    std::string integerDigits;  // without leading zeros; empty when below 1
    std::string fractionDigits; // without trailing zeros
};

// Throws std::domain_error for infinity and NaN; `decimals` is 0 to 6.
DecimalText RoundDecimal(double value, int decimals);

// The double nearest to the rounded decimal: what reading the rounded text
// back would give. Zero is never negative.
double RoundedValue(double value, int decimals);

} // namespace tevmar
