#pragma once

// Minimax re-tuning of a matching network: the same parts in the same places,
// with values chosen to make the largest in-band |S11| as small as the
// topology allows, with the load's own reactance held as it is.

#include "analysis/eseries.h"
#include "analysis/ladder.h"

#include <cstdint>
#include <optional>

namespace tevmar::analysis {

// Where the load's reactance sits: in parallel with the high-impedance
// termination at port 1, ahead of the network's parts, or in series with the
// low-impedance termination at port 2, after them.
enum class LoadPort { Port1, Port2 };

// The load's own reactance, which tuning never changes. At port 1 it is a
// shunt element, at port 2 a series element.
struct LoadReactance
{
    LoadPort port = LoadPort::Port2;
    LadderElement element; // value in nH or pF
};

struct TuneProblem
{
    // The tunable parts, in order from port 1, between the two port
    // resistances (port1Ohms, port2Ohms); the load's reactance is not among them.
    Ladder network;
    std::optional<LoadReactance> load;
    double lowHz = 0; // the band |S11| is minimised over
    double highHz = 0;
};

struct TuneOptions
{
    std::uint64_t seed = 1; // same seed, same network, on every machine
    int restarts = 12;      // perturbed starts besides the given values
    // Each part stays within this factor of its starting value, either way.
    double valueRange = 10.0;
};

struct TuneResult
{
    Ladder network;           // the tuned parts: the start's kinds, labels and order
    double startGammaMax = 0; // in-band max |S11| of the starting values
    double gammaMax = 0;      // the same for the tuned values, never above startGammaMax
};

// Why the problem cannot be tuned, or empty: positive finite port resistances
// and band edges with lowHz < highHz, at least one part, every value positive
// and finite, a load element of the kind its port takes.
std::string TuneProblemError(const TuneProblem &problem);

// The whole cascade the response is measured on: the load's reactance, when
// there is one, placed before or after the parts.
Ladder NetworkWithLoad(const TuneProblem &problem, const Ladder &network);

// The in-band maximum of |S11| with the given parts in the problem's place,
// measured as the passband figures measure it: a dense grid with every local
// peak refined.
double InBandGammaMax(const TuneProblem &problem, const Ladder &network);

// Minimises the in-band maximum |S11| over the part values, from the
// problem's values and from perturbed copies of them, each polished by a
// minimax solve; the same options give the same network. Throws
// std::invalid_argument for a problem TuneProblemError rejects, a value range
// not above 1 or negative restarts.
TuneResult Tune(const TuneProblem &problem, const TuneOptions &options = {});

// A tuned network on standard values.
struct StandardTuneResult
{
    ESeries series = ESeries::E24;
    Ladder snapped; // every part snapped to its nearest series value
    double snappedGammaMax = 0;
    Ladder network;      // after the search over neighbouring series values
    double gammaMax = 0; // never above snappedGammaMax
};

// Snaps the parts to the series, then searches the neighbouring series
// values: one part one or two steps up or down, or, when no such move helps,
// two parts one step each, taking moves that lower the in-band maximum |S11|
// until none does. Throws std::invalid_argument for parts TuneProblemError
// rejects.
StandardTuneResult TuneToSeries(const TuneProblem &problem, const Ladder &network, ESeries series);

} // namespace tevmar::analysis
