#pragma once

// A microstrip line on a substrate worked out for every front end alike: its
// width for an impedance (or the impedance of a width), and at each frequency
// asked its impedance, effective permittivity, loss and, for a length of it,
// its scattering parameters between two ports.

#include "analysis/lines/microstrip.h"
#include "analysis/lines/substrate.h"
#include "format/microstrip_report.h"
#include "units/quantity.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// The most frequencies one run works out, and the widest range of them.
inline constexpr std::size_t kMaxLineFrequencies = 10'000;
inline constexpr units::Frequency kMostLineFrequency = units::Frequency::FromGHz(1000);
// The longest line and the thickest board the calculator takes, metres:
// beyond them the figures mean nothing on a circuit board.
inline constexpr double kMostLineLength = 10.0;
inline constexpr double kMostSubstrateHeight = 0.1;
// The formulas for the static values are published up to er 128.
inline constexpr double kMostPermittivity = 128;

struct MicrostripInput
{
    analysis::lines::Substrate substrate;
    // One of the two: the impedance whose width is wanted, or the width.
    std::optional<double> impedanceOhms;
    std::optional<double> width; // m
    std::vector<double> frequenciesHz;
    std::optional<double> length; // m: the line's S-parameters between the ports
    double portOhms = 50;
};

struct MicrostripOutcome
{
    analysis::lines::Microstrip line;
    format::MicrostripReport report;
};

// The outcome, or why there is none (a substrate that is no substrate, an
// impedance no width gives, a width beyond the formulas, a frequency or
// length out of range); warnings where the formulas are used beyond their
// published accuracy.
struct MicrostripRun
{
    std::optional<MicrostripOutcome> outcome;
    std::string problem;
    std::vector<std::string> warnings;
};
MicrostripRun RunMicrostrip(const MicrostripInput &input);

// The first thing that makes `substrate` no substrate (er below 1, a height
// not above 0, copper as thick as the board, ...), in the key names --substrate takes;
// empty when it is sound.
std::string SubstrateProblem(const analysis::lines::Substrate &substrate);

// The figures of `line` at `hz`, and of a `length` of it between ports of
// `portOhms` where one is given.
format::MicrostripPoint MicrostripPointAt(const analysis::lines::Microstrip &line, double hz,
                                          std::optional<double> length, double portOhms);

} // namespace tevmar::session
