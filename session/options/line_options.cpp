#include "session/options/line_options.h"

#include "report/number_format.h"
#include "report/printable_text.h"
#include "units/unit_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tevmar::session {

namespace {

using analysis::lines::Substrate;

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The comma-separated items of a list, each trimmed.
std::vector<std::string_view> Items(std::string_view text)
{
    std::vector<std::string_view> items;
    while (true) {
        const std::size_t comma = std::min(text.find(','), text.size());
        items.push_back(Trim(text.substr(0, comma)));
        if (comma == text.size())
            return items;
        text.remove_prefix(comma + 1);
    }
}

// The keys of a substrate, each with where its value goes and whether it is
// a length.
struct SubstrateKey
{
    const char *name;
    double Substrate::*field;
    bool length;
};
constexpr SubstrateKey kSubstrateKeys[] = {
    {"er", &Substrate::relativePermittivity, false},
    {"h", &Substrate::height, true},
    {"t", &Substrate::thickness, true},
    {"tand", &Substrate::lossTangent, false},
    {"rho", &Substrate::resistivity, false},
    {"rough", &Substrate::roughness, true},
};

constexpr const char *kSubstrateExample = "er=4.4,h=1.6mm,t=35um,tand=0.02";

} // namespace

SubstrateRead ReadSubstrate(std::string_view text)
{
    Substrate substrate;
    std::vector<std::string> seen;
    for (const std::string_view item : Items(text)) {
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            return {std::nullopt,
                    Quoted(item) + " is not key=value; expected such as " + kSubstrateExample};
        const std::string key = Lower(Trim(item.substr(0, equals)));
        const std::string_view value = Trim(item.substr(equals + 1));
        const auto known = std::ranges::find_if(
            kSubstrateKeys, [&](const SubstrateKey &k) { return key == k.name; });
        if (known == std::end(kSubstrateKeys))
            return {std::nullopt,
                    "unknown key " + Quoted(key) + "; the keys are er, h, t, tand, rho and rough"};
        if (std::ranges::find(seen, key) != seen.end())
            return {std::nullopt, key + " given more than once"};
        seen.push_back(key);
        if (known->length) {
            const units::UnitRead<units::Length> read = units::ReadLength(value);
            if (!read.value)
                return {std::nullopt, key + ": " + read.problem};
            substrate.*known->field = read.value->metres();
        } else {
            const std::optional<double> number = ParseNumber(std::string(value));
            if (!number)
                return {std::nullopt, key + ": " + Quoted(value) + " is not a plain number" +
                                          (key == "rho" ? " (ohm metres, such as 1.72e-8)" : "")};
            substrate.*known->field = *number;
        }
    }
    for (const char *required : {"er", "h"})
        if (std::ranges::find(seen, required) == seen.end())
            return {std::nullopt,
                    std::string("needs ") + required + "; expected such as " + kSubstrateExample};
    if (std::string problem = SubstrateProblem(substrate); !problem.empty())
        return {std::nullopt, std::move(problem)};
    return {substrate, {}};
}

FrequencyListRead ReadFrequencyList(std::string_view text)
{
    FrequencyListRead list;
    for (const std::string_view item : Items(text)) {
        if (list.hz.size() == kMaxLineFrequencies)
            return {{}, "more than " + std::to_string(kMaxLineFrequencies) + " frequencies"};
        const units::UnitRead<units::Frequency> read = units::ReadFrequency(item);
        if (!read.value)
            return {{}, read.problem};
        const double hz = read.value->hz();
        if (!(hz > 0 && hz <= kMostLineFrequency.hz()))
            return {{},
                    Quoted(item) + "; expected above 0 and at most " +
                        units::GhzText(kMostLineFrequency)};
        list.hz.push_back(hz);
    }
    return list;
}

OptionTable LineOptions(LineArguments &a)
{
    return {
        {"--substrate", "ER,H,...",
         "the board under a microstrip line: er=4.4,h=1.6mm and optionally t=35um, tand=0.02, "
         "rho=1.72e-8 (ohm m, copper by default), rough=0.15um",
         [&a](const std::string &value) -> std::string {
             SubstrateRead read = ReadSubstrate(value);
             a.substrate = read.substrate;
             return read.problem;
         }},
        {"--microstrip", "OHMS|WIDTH",
         "with --substrate: the width of a line of this impedance (50), or the line of this "
         "width (3mm), at the --at frequencies",
         [&a](const std::string &value) -> std::string {
             if (const std::optional<double> ohms = ParseNumber(value)) {
                 if (!(*ohms > 0))
                     return Quoted(value) + " is not an impedance above 0 ohms";
                 a.impedanceOhms = ohms;
                 return {};
             }
             const units::UnitRead<units::Length> read = units::ReadLength(value);
             if (!read.value)
                 return Quoted(value) +
                        " is neither an impedance in ohms (50) nor a width with its unit (3mm)";
             if (!(read.value->metres() > 0))
                 return Quoted(value) + " is not a width above 0";
             a.width = read.value->metres();
             return {};
         }},
        {"--at", "FREQ,FREQ,...", "with --microstrip: the frequencies, with their unit (2.4GHz)",
         [&a](const std::string &value) -> std::string {
             FrequencyListRead read = ReadFrequencyList(value);
             if (!read.problem.empty())
                 return read.problem;
             a.frequenciesHz = std::move(read.hz);
             return {};
         }},
        {"--length", "LENGTH",
         "with --microstrip: add the S-parameters of this length of line (25mm) between "
         "50 ohm ports",
         [&a](const std::string &value) -> std::string {
             const units::UnitRead<units::Length> read = units::ReadLength(value);
             if (!read.value)
                 return read.problem;
             const double metres = read.value->metres();
             if (!(metres > 0 && metres <= kMostLineLength))
                 return Quoted(value) + "; expected above 0 and at most " +
                        Figure(kMostLineLength) + " m";
             a.length = metres;
             return {};
         }},
    };
}

std::string CheckLineArguments(const LineArguments &a, const std::vector<std::string> &given,
                               const OptionNaming &n)
{
    const bool line = a.impedanceOhms || a.width;
    if (!line) {
        // --lines microstrip draws its strips on the --substrate board too
        // (checked with the analysis options).
        const bool board = std::ranges::find(given, "--lines") != given.end();
        for (const char *option : {"--substrate", "--at", "--length"})
            if (std::ranges::find(given, option) != given.end() &&
                !(board && std::string_view(option) == "--substrate"))
                return n(option) + " applies to " + n("--microstrip") + "; give it";
        return {};
    }
    for (const std::string &name : given)
        if (std::ranges::find(kMicrostripOptions, name) == std::end(kMicrostripOptions))
            return n(name) + " does not apply to " + n("--microstrip") +
                   ", which works out a line on a substrate";
    if (!a.substrate)
        return n("--microstrip") + " needs " + n("--substrate") + ", such as " + kSubstrateExample;
    if (!a.frequenciesHz)
        return n("--microstrip") + " needs " + n("--at") + ", the frequencies (2.4GHz)";
    return {};
}

MicrostripInput MicrostripInputOf(const LineArguments &a)
{
    MicrostripInput input;
    input.substrate = a.substrate.value_or(analysis::lines::Substrate{});
    input.impedanceOhms = a.impedanceOhms;
    input.width = a.width;
    input.frequenciesHz = a.frequenciesHz.value_or(std::vector<double>{});
    input.length = a.length;
    return input;
}

} // namespace tevmar::session
