#include "units/unit_text.h"

#include "report/number_format.h"

namespace tevmar::units {
namespace {

// The whole text as a finite number, or nothing: no spaces, no sign but a
// minus, nothing after it.
std::optional<double> WholeNumber(std::string_view text)
{
    double value = 0;
    const char *end = text.data() + text.size();
    const auto [stop, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

SuffixRead ReadSuffixed(const std::string &text, std::initializer_list<const UnitFactor *> units)
{
    const std::string_view whole = text;
    for (const UnitFactor *unit : units) {
        const std::string_view name = unit->name;
        if (whole.size() <= name.size() ||
            !detail::SameLetters(whole.substr(whole.size() - name.size()), name))
            continue;
        const std::optional<double> number =
            WholeNumber(whole.substr(0, whole.size() - name.size()));
        if (!number)
            return {SuffixRead::Outcome::NotANumber, 0, unit};
        return {SuffixRead::Outcome::Read, *number, unit};
    }
    if (const std::optional<double> number = WholeNumber(whole))
        return {SuffixRead::Outcome::MissingUnit, *number, nullptr};
    return {};
}

std::optional<double> PrefixScale(std::string_view prefix)
{
    static constexpr struct
    {
        const char *text;
        double scale;
    } kPrefixes[] = {{"f", 1e-15},       {"p", 1e-12},       {"n", 1e-9},
                     {"u", 1e-6},        {"\xC2\xB5", 1e-6}, // micro sign
                     {"\xCE\xBC", 1e-6},                     // Greek mu
                     {"m", 1e-3},        {"k", 1e3},         {"K", 1e3},
                     {"M", 1e6},         {"G", 1e9},         {"", 1}};
    for (const auto &p : kPrefixes)
        if (prefix == p.text)
            return p.scale;
    return std::nullopt;
}

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
    return inductor ? EngineeringValue(value * kSiPerNanohenry, "H", digits, -9)
                    : EngineeringValue(value * kSiPerPicofarad, "F", digits, -12);
}

std::string GhzFigure(Frequency f, int digits)
{
    return Figure(f.ghz(), digits);
}

std::string GhzText(Frequency f, int digits)
{
    return GhzFigure(f, digits) + " GHz";
}

std::string MillimetreText(Length l, int digits)
{
    return Figure(l.millimetres(), digits) + " mm";
}

} // namespace tevmar::units
