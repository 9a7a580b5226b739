#include "report/number_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace tevmar {
namespace {

std::string ToChars(double value, std::chars_format format, int precision = -1)
{
    if (!std::isfinite(value))
        throw std::domain_error("a number that is not finite cannot be exported");
    if (value == 0)
        value = 0;                  // drops the sign of negative zero
    std::array<char, 400> buffer{}; // fixed form of the largest double has 309 digits
    char *const first = buffer.data();
    char *const last = first + buffer.size();
    const auto [end, ec] = precision < 0 ? std::to_chars(first, last, value, format)
                                         : std::to_chars(first, last, value, format, precision);
    if (ec != std::errc{})
        throw std::domain_error("number too long to export");
    return std::string(buffer.data(), end);
}

} // namespace

std::string Figure(double value, int digits)
{
    return std::isfinite(value) ? SignificantNumber(value, digits) : "-";
}

std::string SignificantNumber(double value, int digits)
{
    return ToChars(value, std::chars_format::general, digits);
}

std::string ShortestNumber(double value)
{
    return ToChars(value, std::chars_format::general);
}

std::string DecimalNumber(double value)
{
    std::string text = ShortestNumber(value);
    if (text.find('.') == std::string::npos) {
        const std::size_t exponent = text.find('e');
        text.insert(exponent == std::string::npos ? text.size() : exponent, ".0");
    }
    return text;
}

std::string FixedNumber(double value)
{
    return ToChars(value, std::chars_format::fixed);
}

} // namespace tevmar
