#pragma once

// A quantity typed with its unit ("1.6mm", "35um", "62 mil", "2.4GHz") read
// into its value type. This is the one reader of such text: every option or
// argument that takes a length or a frequency with its unit comes here, so
// that the units understood and the wording of a slip are the same
// everywhere. Numbers are read without the locale (a decimal point, always).

#include "units/quantity.h"

#include <cctype>
#include <charconv>
#include <cmath>
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

struct UnitFactor
{
    const char *name;
    double factor; // SI per unit
};

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
    static constexpr detail::UnitFactor kUnits[] = {
        {"mm", 1e-3}, {"um", 1e-6}, {"\xC2\xB5m", 1e-6}, {"mil", 25.4e-6}, {"cm", 1e-2}, {"m", 1}};
    return detail::Read<Length>(text, kUnits, "length", "1.6mm");
}

// A frequency in Hz, kHz, MHz or GHz, in any case: "2.4GHz", "900 MHz".
inline UnitRead<Frequency> ReadFrequency(std::string_view text)
{
    static constexpr detail::UnitFactor kUnits[] = {
        {"GHz", 1e9}, {"MHz", 1e6}, {"kHz", 1e3}, {"Hz", 1}};
    return detail::Read<Frequency>(text, kUnits, "frequency", "2.4GHz");
}

} // namespace tevmar::units
