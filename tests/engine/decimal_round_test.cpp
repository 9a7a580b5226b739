// Rounding as the report prints it: the value's 15-significant-digit decimal
// text rounded half away from zero. RoundDecimal and RoundedValue take a
// binary shortcut where it cannot change the answer; these tests hold them to
// the decimal text on values where a shortcut could go wrong.

#include "engine/decimal_round.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <iomanip>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>

namespace tevmar {
namespace {

// "-12.5", "0.0001", "0": sign, integer digits (0 when none), point and fraction.
std::string TextOf(const DecimalText &d)
{
    std::string text = d.negative ? "-" : "";
    text += d.integerDigits.empty() ? "0" : d.integerDigits;
    if (!d.fractionDigits.empty())
        text += "." + d.fractionDigits;
    return text;
}

double Read(const std::string &text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

void ExpectRounds(double value, int decimals, const std::string &expected)
{
    SCOPED_TRACE(testing::Message() << std::setprecision(17) << value << " to " << decimals);
    EXPECT_EQ(TextOf(RoundDecimal(value, decimals)), expected);
    const double rounded = RoundedValue(value, decimals);
    EXPECT_EQ(rounded, Read(expected));
    EXPECT_FALSE(std::signbit(rounded) && rounded == 0) << "negative zero";
}

TEST(RoundDecimal, TrickyValues)
{
    const struct
    {
        double value;
        int decimals;
        const char *text;
    } rows[] = {
        // Decimal halves that binary stores just below the half.
        {2.675, 2, "2.68"},
        {-2.675, 2, "-2.68"},
        {1.0005, 3, "1.001"},
        {0.00005, 4, "0.0001"},
        {0.0005, 3, "0.001"},
        {123456.1234565, 6, "123456.123457"},
        // Exact binary halves go away from zero.
        {0.125, 2, "0.13"},
        {-0.125, 2, "-0.13"},
        {2.5, 0, "3"},
        {-2.5, 0, "-3"},
        {0.5, 0, "1"},
        // Beside a half: the next double below 2.675 still reads 2.67500000000000
        // to 15 digits; further away the text falls below the half.
        {std::nextafter(2.675, 0.0), 2, "2.68"},
        {2.6749999999999, 2, "2.67"},
        {2.67499, 2, "2.67"},
        {2.6750001, 2, "2.68"},
        {0.000049999, 4, "0"},
        {0.0004, 3, "0"},
        {0.0000005, 6, "0.000001"},
        {0.00000049999, 6, "0"},
        // Carries across the point.
        {9.99996, 4, "10"},
        {99.9999999, 3, "100"},
        {999999999.9995, 3, "1000000000"},
        // Large values keep 15 significant digits.
        {1234567890.125, 2, "1234567890.13"},
        {123456789012.5, 0, "123456789013"},
        {123456789012.5, 1, "123456789012.5"},
        {1e20, 2, "100000000000000000000"},
        // Zero never carries a sign.
        {0.0, 3, "0"},
        {-0.0, 3, "0"},
        {-0.00001, 4, "0"},
        {-0.00005, 4, "-0.0001"},
        {1e-300, 6, "0"},
        {-1e-300, 0, "0"},
        // Trailing zeros of the fraction are dropped.
        {1.2000, 3, "1.2"},
        {12.3456, 3, "12.346"},
    };
    for (const auto &row : rows)
        ExpectRounds(row.value, row.decimals, row.text);
}

TEST(RoundDecimal, SplitsDigitsAroundThePoint)
{
    const DecimalText d = RoundDecimal(-1234.56789, 3);
    EXPECT_TRUE(d.negative);
    EXPECT_EQ(d.integerDigits, "1234");
    EXPECT_EQ(d.fractionDigits, "568");
    EXPECT_EQ(RoundDecimal(0.5, 3).integerDigits, "");
}

TEST(RoundDecimal, RefusesWhatItCannotRound)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_THROW(RoundDecimal(inf, 2), std::domain_error);
    EXPECT_THROW(RoundedValue(-inf, 2), std::domain_error);
    EXPECT_THROW(RoundedValue(std::nan(""), 2), std::domain_error);
    EXPECT_THROW(RoundDecimal(1.0, 7), std::invalid_argument);
    EXPECT_THROW(RoundedValue(1.0, -1), std::invalid_argument);
}

// The rule itself, written out on the digits of the 15-significant-digit text
// with integer arithmetic. Values below 1e9 only, so that no product overflows.
std::string RoundTheText(double value, int decimals)
{
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                   std::chars_format::scientific, 14)
                         .ptr;
    const std::string text(buffer, end); // d.dddddddddddddde+xx
    const std::size_t e = text.find('e');
    const std::uint64_t mantissa = std::stoull(text.substr(0, 1) + text.substr(2, e - 2));
    const int shift = std::stoi(text.substr(e + 1)) - 14 + decimals;

    auto power = [](int n) {
        std::uint64_t p = 1;
        while (n-- > 0)
            p *= 10;
        return p;
    };
    std::uint64_t units = 0; // the rounded value in units of the last decimal
    if (value == 0) {
        units = 0;
    } else if (shift >= 0) {
        units = mantissa * power(shift);
    } else if (-shift <= 15) {
        const std::uint64_t divisor = power(-shift);
        units = mantissa / divisor + (mantissa % divisor * 2 >= divisor ? 1 : 0);
    }
    const std::uint64_t scale = power(decimals);
    std::string fraction = decimals == 0 ? "" : std::to_string(units % scale);
    fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    std::string result = value < 0 && units != 0 ? "-" : "";
    result += std::to_string(units / scale);
    if (!fraction.empty())
        result += "." + fraction;
    return result;
}

TEST(RoundDecimal, AgreesWithTheDecimalTextOnManyValues)
{
    std::mt19937_64 random(20261207);
    std::uniform_int_distribution<int> decimalsOf(0, 6);
    std::uniform_real_distribution<double> exponentOf(-8, 9);
    std::uniform_int_distribution<int> ulps(-4, 4);
    int failures = 0;
    for (int i = 0; i < 100000; ++i) {
        const int decimals = decimalsOf(random);
        double value = std::pow(10.0, exponentOf(random));
        if (i % 2 == 0) {
            // A decimal half of the last place, give or take a few ulps.
            const double scale = std::pow(10.0, decimals);
            value = (std::floor(value * scale) + 0.5) / scale;
            for (int step = ulps(random); step != 0; step += step < 0 ? 1 : -1)
                value = std::nextafter(value, step < 0 ? 0.0 : 1e300);
        }
        if (i % 3 == 0)
            value = -value;
        if (std::fabs(value) >= 1e9)
            continue;
        const std::string expected = RoundTheText(value, decimals);
        if (TextOf(RoundDecimal(value, decimals)) != expected ||
            RoundedValue(value, decimals) != Read(expected)) {
            ADD_FAILURE() << "value " << std::hexfloat << value << " to " << decimals
                          << " decimals should be " << expected;
            if (++failures > 10)
                break;
        }
    }
}

} // namespace
} // namespace tevmar
