#include "engine/decimal_round.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace tevmar {

namespace {

constexpr int kSignificantDigits = 15;
constexpr double kPowersOfTen[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};

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

DecimalText RoundThroughText(double value, int decimals)
{
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

// The rounded value as a count of units in the last decimal place, when
// binary arithmetic gives the same answer as rounding the decimal text. The
// 15-digit text lies within 5e-15 (relative) of the value, so only a value
// that close to a half unit needs the text. Large values keep all 15 digits
// and go through the text too.
bool RoundQuickly(double magnitude, int decimals, std::uint64_t &units)
{
    if (!(magnitude < 1e9))
        return false;
    const double scaled = magnitude * kPowersOfTen[decimals];
    // Below 1e13, so the whole part converts exactly.
    const auto below = static_cast<std::uint64_t>(scaled);
    const double fraction = scaled - static_cast<double>(below);
    if (std::fabs(fraction - 0.5) <= scaled * 1e-14 + 1e-300)
        return false;
    units = below + (fraction > 0.5 ? 1 : 0);
    return true;
}

void CheckDecimals(int decimals)
{
    if (decimals < 0 || decimals > 6)
        throw std::invalid_argument("decimals out of range");
}

} // namespace

DecimalText RoundDecimal(double value, int decimals)
{
    RequireFinite(value);
    CheckDecimals(decimals);
    std::uint64_t units = 0;
    if (!RoundQuickly(std::fabs(value), decimals, units))
        return RoundThroughText(value, decimals);

    DecimalText result;
    const auto scale = static_cast<std::uint64_t>(kPowersOfTen[decimals]);
    char digits[24];
    if (const std::uint64_t whole = units / scale; whole != 0) {
        const auto end = std::to_chars(digits, digits + sizeof digits, whole).ptr;
        result.integerDigits.assign(digits, end);
    }
    std::uint64_t fraction = units % scale;
    if (fraction != 0) {
        int width = decimals;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --width;
        }
        result.fractionDigits.assign(static_cast<std::size_t>(width), '0');
        for (int i = width - 1; i >= 0; --i, fraction /= 10)
            result.fractionDigits[static_cast<std::size_t>(i)] =
                static_cast<char>('0' + fraction % 10);
    }
    result.negative = value < 0 && units != 0;
    return result;
}

double RoundedValue(double value, int decimals)
{
    RequireFinite(value);
    CheckDecimals(decimals);
    std::uint64_t units = 0;
    if (RoundQuickly(std::fabs(value), decimals, units)) {
        // Both operands are exact, so the quotient is the double nearest the decimal.
        const double magnitude = static_cast<double>(units) / kPowersOfTen[decimals];
        return units == 0 ? 0.0 : value < 0 ? -magnitude : magnitude;
    }
    const DecimalText d = RoundThroughText(value, decimals);
    const std::string text = (d.integerDigits.empty() ? "0" : d.integerDigits) + "." +
                             (d.fractionDigits.empty() ? "0" : d.fractionDigits);
    double magnitude = 0;
    std::from_chars(text.data(), text.data() + text.size(), magnitude);
    return d.negative ? -magnitude : magnitude;
}

} // namespace tevmar
