#include "report/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace tevmar {

namespace {

constexpr int kSignificantDigits = 15;

void RequireFinite(double value)
{
    if (!std::isfinite(value))
        throw std::domain_error("non-finite value in report text");
}

// The 15 significant digits of |value| and the decimal exponent of the first one.
struct Significand
{
    std::string digits;
    int exponent = 0;
};

Significand DecimalSignificand(double magnitude)
{
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                         std::chars_format::scientific, kSignificantDigits - 1);
    if (ec != std::errc{})
        throw std::domain_error("value cannot be written as decimal text");
    // Form: d.dddddddddddddde[+-]xx
    const std::string_view text(buffer.data(), static_cast<std::size_t>(end - buffer.data()));
    const std::size_t e = text.find('e');
    Significand result;
    result.digits.reserve(kSignificantDigits + 1);
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.')
            result.digits += text[i];
    std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                    result.exponent);
    return result;
}

// Keeps the first `keep` digits, rounding half away from zero on the next one.
void RoundDigits(Significand &s, int keep)
{
    if (keep >= static_cast<int>(s.digits.size()))
        return;
    const bool roundUp = s.digits[static_cast<std::size_t>(keep)] >= '5';
    s.digits.resize(static_cast<std::size_t>(keep));
    if (!roundUp)
        return;
    for (auto it = s.digits.rbegin(); it != s.digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    // Every kept digit was 9 (or none was kept): the carry adds a leading 1.
    s.digits.insert(s.digits.begin(), '1');
    ++s.exponent;
}

} // namespace

DecimalText RoundDecimal(double value, int decimals)
{
    RequireFinite(value);
    DecimalText result;
    if (value == 0.0)
        return result;

    Significand s = DecimalSignificand(std::fabs(value));
    const int keep = s.exponent + decimals + 1;
    if (keep < 0)
        return result; // below half of the last place
    RoundDigits(s, keep);

    // The first digit stands at place 10^exponent.
    if (s.exponent >= 0) {
        const auto integerCount = static_cast<std::size_t>(s.exponent) + 1;
        result.integerDigits = s.digits.substr(0, integerCount);
        result.integerDigits.resize(integerCount, '0');
        if (s.digits.size() > integerCount)
            result.fractionDigits = s.digits.substr(integerCount);
    } else {
        result.fractionDigits =
            std::string(static_cast<std::size_t>(-s.exponent - 1), '0') + s.digits;
    }
    while (!result.fractionDigits.empty() && result.fractionDigits.back() == '0')
        result.fractionDigits.pop_back();
    const std::size_t firstNonZero = result.integerDigits.find_first_not_of('0');
    result.integerDigits.erase(0, firstNonZero == std::string::npos ? result.integerDigits.size()
                                                                    : firstNonZero);
    result.negative = value < 0 && !(result.integerDigits.empty() && result.fractionDigits.empty());
    return result;
}

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
