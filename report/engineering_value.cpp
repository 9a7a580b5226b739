#include "report/engineering_value.h"

#include "report/number_format.h"

#include <charconv>
#include <cmath>

namespace tevmar {

std::string EngineeringValue(double value, const char *unit, int digits, int lowestExponent)
{
    if (!std::isfinite(value))
        return "-";
    if (value == 0)
        return std::string("0 ") + unit;
    static constexpr struct
    {
        int exponent;
        const char *prefix;
    } prefixes[] = {{-15, "f"}, {-12, "p"}, {-9, "n"}, {-6, "u"}, {-3, "m"},
                    {0, ""},    {3, "k"},   {6, "M"},  {9, "G"}};
    // Round first, so that 999.96 nH at four digits is "1 uH", not "1000 nH".
    const std::string text = SignificantNumber(std::abs(value), digits);
    double rounded = 0;
    std::from_chars(text.data(), text.data() + text.size(), rounded);
    std::size_t pick = 0;
    for (std::size_t i = 0; i < std::size(prefixes); ++i)
        if (prefixes[i].exponent >= lowestExponent &&
            (rounded >= std::pow(10.0, prefixes[i].exponent) * (1 - 1e-12) ||
             prefixes[i].exponent == lowestExponent))
            pick = i;
    const double scaled = value / std::pow(10.0, prefixes[pick].exponent);
    return SignificantNumber(scaled, digits) + " " + prefixes[pick].prefix + unit;
}

std::string PartValue(double value, bool inductor, int digits)
{
    return inductor ? EngineeringValue(value * 1e-9, "H", digits, -9)
                    : EngineeringValue(value * 1e-12, "F", digits, -12);
}

} // namespace tevmar
