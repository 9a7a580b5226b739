#pragma once

#include <string_view>

namespace tevmar {

// Reads the number at the start of a text box's text, the way the engineer
// expects a calculator field to behave: leading blanks are skipped, then an
// optional sign, digits with an optional "." and fraction, and an optional
// exponent. Whatever follows is ignored ("3.3nH" reads 3.3). A text that does
// not start with a number reads 0. "." is the decimal point under every locale;
// "inf", "nan" and hexadecimal are not numbers here. A numeral beyond the range
// of a double reads as an infinity of its sign, one too small for it as zero.
double ReadNumber(std::string_view text);

struct NumberReading
{
    double value; // as ReadNumber reads it
    // The text is that number and nothing else, blanks around it aside, and
    // the number fits a double: what was typed is what is used.
    bool plain;
};

NumberReading ExamineNumber(std::string_view text);

} // namespace tevmar
