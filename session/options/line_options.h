#pragma once

// --substrate, --microstrip, --at and --length: a microstrip line on a board
// worked out in place of a design. Lengths and frequencies carry their unit
// ("1.6mm", "2.4GHz"), read by units/unit_text.h, the one reader of such
// text.

#include "analysis/lines/substrate.h"
#include "session/options/command_options.h"
#include "session/run/microstrip.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tevmar::session {

struct LineArguments
{
    std::optional<analysis::lines::Substrate> substrate;
    std::optional<double> impedanceOhms; // --microstrip 50
    std::optional<double> width;         // --microstrip 3mm, m
    std::optional<std::vector<double>> frequenciesHz;
    std::optional<double> length; // m
};

// The options, filling `arguments`.
OptionTable LineOptions(LineArguments &arguments);

// The options that apply with --microstrip; every other is refused.
inline constexpr const char *kMicrostripOptions[] = {"--substrate", "--microstrip", "--at",
                                                     "--length", "--json"};

// "er=4.4,h=1.6mm,t=35um,tand=0.02,rho=1.72e-8,rough=0.15um": er and h
// required, the rest optional (copper, smooth, lossless dielectric, a thin
// strip); lengths with their unit, rho in ohm metres. The substrate, or the
// problem: an unknown or repeated key, a length without its unit, a value
// no board has.
struct SubstrateRead
{
    std::optional<analysis::lines::Substrate> substrate;
    std::string problem;
};
SubstrateRead ReadSubstrate(std::string_view text);

// "2.4GHz" or "1GHz,2.4GHz,5.8GHz": frequencies with their unit.
struct FrequencyListRead
{
    std::vector<double> hz;
    std::string problem;
};
FrequencyListRead ReadFrequencyList(std::string_view text);

// The options checked against each other once all are read: the line needs
// its substrate, its impedance or width and its frequencies, and takes no
// option of a design. Returns the problem, or empty. `given` lists every
// option given.
std::string CheckLineArguments(const LineArguments &arguments,
                               const std::vector<std::string> &given, const OptionNaming &naming);

// The run the options ask for (CheckLineArguments passed).
MicrostripInput MicrostripInputOf(const LineArguments &arguments);

} // namespace tevmar::session
