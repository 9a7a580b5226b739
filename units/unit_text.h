#pragma once

// Text with a unit, both ways. Reading: a quantity typed with its unit
// ("1.6mm", "35um", "62 mil", "2.4GHz", "0.157pF") into its value type, and
// the SI prefixes of a part written as a circuit ("2.7n", "1k"). Writing: a
// value with the prefix an engineer would pick ("10 uH", "1.5 kohm") and a
// frequency in GHz. This is the one place that knows the names of units and
// the factors behind them, so that the units understood, the wording of a
// slip and the text written are the same everywhere. Numbers are read and
// written without the locale (a decimal point, always).

#include "units/quantity.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace tevmar::units {

// The value, or what is wrong with the text (without naming the option the
// caller took it from).
template <class Q> struct UnitRead
{
    std::optional<Q> value;
    std::string problem;
};

// A unit's name and its size in the SI unit of its kind.
struct UnitFactor
{
    const char *name;
    double factor; // SI per unit
};

inline constexpr UnitFactor kHertz{"Hz", 1}, kKilohertz{"kHz", 1e3}, kMegahertz{"MHz", 1e6},
    kGigahertz{"GHz", 1e9};
inline constexpr UnitFactor kNanohenry{"nH", kSiPerNanohenry};
inline constexpr UnitFactor kPicofarad{"pF", kSiPerPicofarad};
inline constexpr UnitFactor kMetre{"m", 1}, kCentimetre{"cm", 1e-2}, kMillimetre{"mm", 1e-3},
    kMicrometre{"um", 1e-6}, kMicrometreSign{"\xC2\xB5m", 1e-6}, kMil{"mil", 25.4e-6};

namespace detail {

inline std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

inline bool SameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Text quoted for a message, cut short and with anything unprintable
// replaced, so that a message never carries a control byte.
inline std::string Quote(std::string_view text)
{
    constexpr std::size_t kMostShown = 40;
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size() && i < kMostShown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        quoted += (c < 0x20 || c >= 0x7f) ? '?' : static_cast<char>(c);
    }
    if (text.size() > kMostShown)
        quoted += "...";
    return quoted + "\"";
}

struct Split
{
    std::optional<double> number;
    std::string_view unit;
};

// The leading number and the unit after it (spaces between allowed).
inline Split SplitNumber(std::string_view text)
{
    text = Trimmed(text);
    const char *begin = text.data();
    const char *end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin; // from_chars takes no plus sign
    double value = 0;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc{} || !std::isfinite(value))
        return {};
    return {value, Trimmed(std::string_view(stop, static_cast<std::size_t>(end - stop)))};
}

template <class Q, std::size_t N>
UnitRead<Q> Read(std::string_view text, const UnitFactor (&units)[N], const char *kind,
                 const char *example)
{
    const Split split = SplitNumber(text);
    if (!split.number)
        return {std::nullopt, Quote(text) + " is not a " + kind + " such as " + example};
    if (split.unit.empty())
        return {std::nullopt, Quote(text) + " has no unit; write the " + kind + " with its unit, " +
                                  "such as " + example};
    for (const UnitFactor &unit : units)
        if (SameLetters(split.unit, unit.name))
            return {Q::FromSi(*split.number * unit.factor), {}};
    std::string known;
    for (const UnitFactor &unit : units)
        known += (known.empty() ? "" : ", ") + std::string(unit.name);
    return {std::nullopt, Quote(text) + ": " + Quote(split.unit) + " is not a unit of " + kind +
                              " (" + known + ")"};
}

} // namespace detail

// A length in m, cm, mm, um (or µm) or mil, in any case: "1.6mm", "35um".
inline UnitRead<Length> ReadLength(std::string_view text)
{
    static constexpr UnitFactor kUnits[] = {kMillimetre, kMicrometre, kMicrometreSign,
                                            kMil,        kCentimetre, kMetre};
    return detail::Read<Length>(text, kUnits, "length", "1.6mm");
}

// A frequency in Hz, kHz, MHz or GHz, in any case: "2.4GHz", "900 MHz".
inline UnitRead<Frequency> ReadFrequency(std::string_view text)
{
    static constexpr UnitFactor kUnits[] = {kGigahertz, kMegahertz, kKilohertz, kHertz};
    return detail::Read<Frequency>(text, kUnits, "frequency", "2.4GHz");
}

// A number written straight against its unit, with nothing between ("1.5GHz",
// "0.157pF"), as the part models' compact forms take it: the whole of what
// precedes the unit must be a number in full. The units are tried in order
// and matched in any case.
struct SuffixRead
{
    enum class Outcome {
        Read,          // `written` is the number, `unit` the unit it carries
        NotANumber,    // a unit was found but what precedes it is not a number
        MissingUnit,   // a bare number: none of the units follows it
        NoNumberOrUnit // neither a number nor a number with one of the units
    };
    Outcome outcome = Outcome::NoNumberOrUnit;
    double written = 0;               // in the unit found
    const UnitFactor *unit = nullptr; // the unit found (NotANumber too)

    // The value in the SI unit of its kind.
    double Si() const { return written * unit->factor; }
};

SuffixRead ReadSuffixed(const std::string &text, std::initializer_list<const UnitFactor *> units);

// The size of an SI prefix ("f", "p", "n", "u" or a micro sign, "m", "k" or
// "K", "M", "G"; an empty prefix is 1), as a part in a circuit is written.
// "M" is mega here; SPICE's own "M" for milli is never written by us.
std::optional<double> PrefixScale(std::string_view prefix);

// The prefixes PrefixScale reads, for a message: "f, p, n, u, m, k, M or G".
inline constexpr const char *kPrefixNames = "f, p, n, u, m, k, M or G";

// `value` in SI units (henries, farads, ohms) with `unit` ("H", "F", "ohm")
// to `digits` significant digits, the prefix chosen from f, p, n, u, m, k, M,
// G: "2.7 nH", "10 uH", "100 nF", "1.5 kohm". No prefix below
// 10^lowestExponent is used: parts are read in nH and pF, so 0.5 nH stays
// "0.5 nH" rather than "500 pH". Zero is "0 <unit>", a value that is not
// finite "-".
std::string EngineeringValue(double value, const char *unit, int digits = 4,
                             int lowestExponent = -15);

// A part's value as the tables give it (nH for an inductor, pF for a
// capacitor) in its engineering unit, never below nH or pF.
std::string PartValue(double value, bool inductor, int digits = 4);

// A frequency as the reports and messages write it: its figure in GHz to
// `digits` significant digits, without ("2.45") or with its unit ("2.45 GHz").
std::string GhzFigure(Frequency f, int digits = 6);
std::string GhzText(Frequency f, int digits = 6);

// A length in mm to `digits` significant digits, with its unit ("1.524 mm").
std::string MillimetreText(Length l, int digits);

} // namespace tevmar::units
