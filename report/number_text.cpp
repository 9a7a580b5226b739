#include "report/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace tevmar {

namespace {

void RequireFinite(double value)
{
    if (!std::isfinite(value))
        throw std::domain_error("non-finite value in report text");
}

} // namespace

std::string FormatMask(double value, Mask mask)
{
    int decimals = 4;
    bool zeroBeforePoint = true;
    switch (mask) {
    case Mask::Q:
        break;
    case Mask::Ratio:
        zeroBeforePoint = false;
        break;
    case Mask::Vswr:
        decimals = 2;
        zeroBeforePoint = false;
        break;
    case Mask::Element:
        decimals = 3;
        break;
    }
    const DecimalText d = RoundDecimal(value, decimals);
    std::string text = d.negative ? "-" : "";
    text += d.integerDigits.empty() && zeroBeforePoint ? "0" : d.integerDigits;
    text += '.';
    text += d.fractionDigits;
    return text;
}

void AppendBareNumber(std::string &out, double value)
{
    RequireFinite(value);
    char buffer[400]; // fixed notation of the largest double needs 309 digits
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    if (ec != std::errc{})
        throw std::domain_error("value cannot be written as decimal text");
    out.append(buffer, end);
}

std::string BareNumber(double value)
{
    std::string text;
    AppendBareNumber(text, value);
    return text;
}

void AppendNumberItem(std::string &out, double value)
{
    out += value < 0 ? '-' : ' ';
    AppendBareNumber(out, value);
    out += ' ';
}

std::string NumberItemText(double value)
{
    std::string text;
    AppendNumberItem(text, value);
    return text;
}

} // namespace tevmar
