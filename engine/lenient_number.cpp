#include "engine/lenient_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace tevmar {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

struct Scanner
{
    std::string_view text;
    std::size_t pos = 0;

    bool at(char c) const { return pos < text.size() && text[pos] == c; }
    bool atDigit() const { return pos < text.size() && IsDigit(text[pos]); }
    std::size_t skipDigits()
    {
        const std::size_t start = pos;
        while (atDigit())
            ++pos;
        return pos - start;
    }
};

// The decimal order of magnitude of a numeral that from_chars could not hold:
// positive means it overflows, otherwise it underflows.
long OrderOfMagnitude(std::string_view numeral)
{
    long order = 0;
    bool seenNonZero = false;
    bool afterPoint = false;
    std::size_t i = 0;
    for (; i < numeral.size() && numeral[i] != 'e' && numeral[i] != 'E'; ++i) {
        const char c = numeral[i];
        if (c == '.') {
            afterPoint = true;
        } else if (!seenNonZero && c == '0') {
            if (afterPoint)
                --order;
        } else if (!seenNonZero) {
            seenNonZero = true;
            if (afterPoint)
                --order;
        } else if (!afterPoint) {
            ++order;
        }
    }
    if (i < numeral.size()) {
        long exponent = 0;
        std::string_view digits = numeral.substr(i + 1);
        const bool negative = !digits.empty() && digits[0] == '-';
        if (!digits.empty() && (digits[0] == '-' || digits[0] == '+'))
            digits.remove_prefix(1);
        for (char c : digits)
            exponent = std::min(exponent * 10 + (c - '0'), 100000L);
        order += negative ? -exponent : exponent;
    }
    return order;
}

} // namespace

NumberReading ExamineNumber(std::string_view text)
{
    Scanner s{text};
    const auto skipBlanks = [&s] {
        while (s.at(' ') || s.at('\t'))
            ++s.pos;
    };
    skipBlanks();
    bool negative = false;
    if (s.at('+') || s.at('-')) {
        negative = s.at('-');
        ++s.pos;
    }
    const std::size_t numeralStart = s.pos;
    std::size_t mantissaDigits = s.skipDigits();
    if (s.at('.')) {
        ++s.pos;
        mantissaDigits += s.skipDigits();
    }
    if (mantissaDigits == 0)
        return {0.0, false};
    if (s.at('e') || s.at('E')) {
        const std::size_t beforeExponent = s.pos;
        ++s.pos;
        if (s.at('+') || s.at('-'))
            ++s.pos;
        if (s.skipDigits() == 0)
            s.pos = beforeExponent; // "2e" or "2e+" : the exponent is not part of the number
    }

    const std::string_view numeral = text.substr(numeralStart, s.pos - numeralStart);
    skipBlanks();
    bool plain = s.pos == text.size();
    double magnitude = 0.0;
    const auto [end, ec] = std::from_chars(numeral.data(), numeral.data() + numeral.size(),
                                           magnitude, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        magnitude = OrderOfMagnitude(numeral) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        plain = false;
    } else if (ec != std::errc{} || end != numeral.data() + numeral.size()) {
        return {0.0, false};
    }
    return {negative ? -magnitude : magnitude, plain};
}

double ReadNumber(std::string_view text)
{
    return ExamineNumber(text).value;
}

} // namespace tevmar
