#include "report/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
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

namespace {

// A magnitude that is exactly the double nearest a whole number of
// thousandths, as every printed element value is, has that decimal as its
// shortest round-trip form (no shorter decimal of 15 digits or fewer reads
// back to the same double); write it from the integer without the general
// shortest-form search.
bool AppendThousandths(std::string &out, double magnitude)
{
    if (!(magnitude < 1e9))
        return false;
    // A wrong guess at the nearest count of thousandths fails the exactness
    // test below and takes the general path.
    auto whole = static_cast<std::uint64_t>(magnitude * 1000 + 0.5);
    if (static_cast<double>(whole) / 1000 != magnitude)
        return false;
    std::uint64_t fraction = whole % 1000;
    whole /= 1000;
    char digits[32];
    char *end = std::to_chars(digits, digits + 20, whole).ptr;
    if (fraction != 0) {
        *end++ = '.';
        int width = 3;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --width;
        }
        for (int i = width - 1; i >= 0; --i, fraction /= 10)
            end[i] = static_cast<char>('0' + fraction % 10);
        end += width;
    }
    // By length, not by a pair of pointers: the pointer form goes through the
    // general replace, a third of this function's time.
    out.append(digits, static_cast<std::size_t>(end - digits));
    return true;
}

} // namespace

void AppendBareNumber(std::string &out, double value)
{
    RequireFinite(value);
    if (AppendThousandths(out, std::fabs(value)))
        return;
    char buffer[400]; // fixed notation of the largest double needs 309 digits
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed);
    if (ec != std::errc{})
        throw std::domain_error("value cannot be written as decimal text");
    out.append(buffer, static_cast<std::size_t>(end - buffer));
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
