#pragma once

// Minimax re-tuning of a matching network: the same parts in the same places,
// with values chosen to make the largest in-band |S11| as small as the
// topology allows, with the load's own reactance held as it is.

#include "analysis/figures/goal.h"
#include "analysis/figures/sweep.h"
#include "analysis/model/eseries.h"
#include "analysis/model/network.h"

#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace tevmar::analysis {

// The widest range a part may be given, nH or pF: beyond it the search would
// only wander into values no circuit holds.
inline constexpr double kLowestRangeLimit = 1e-6;
inline constexpr double kHighestRangeLimit = 1e9;

// Why the ranges cannot be searched, or empty: each limit within the widest
// range, the lower below the upper.
std::string PartRangesError(const PartRanges &ranges);

// A value within 1e-6 of its range's lower or upper limit (or beyond it): a
// part the search would have moved further had the range allowed it.
bool AtRangeLimit(const Part &part, const PartRanges &ranges);

struct TuneProblem
{
    // The parts to tune (`network.parts`) between the two port
    // resistances, with the true load: an absorbed reactance in
    // `network.load` is held as it is.
    Network network;
    Band band;         // the band |S11| is minimised over
    PartRanges ranges; // every tuned value stays within these
    // The parts as they will be built: with a chip model, a Q or pads the
    // values are tuned with the parasitics in the loop, for the least
    // in-band maximum transducer loss, and the tuned network carries them.
    LossModel built = {};
    // Several bands at once: the tune minimises the goal's score over all
    // of them (passbands' weighted |S11| over their limits, rejection
    // bands' |S21| over what they allow) instead of the one band's |S11|;
    // `band` then spans the passbands. Empty: `band` alone.
    Goal goal = {};
};

// Thrown by a tune whose stop flag was raised: it ends within one round of
// the minimax solve (milliseconds), so a window can drop a tune it no longer
// needs.
struct TuneCancelled : std::runtime_error
{
    TuneCancelled() : std::runtime_error("tuning cancelled") {}
};

struct TuneOptions
{
    std::uint64_t seed = 1; // same seed, same network, on every machine
    int restarts = 16;      // perturbed starts besides the given values
    int hops = 8;           // global stage: perturbations of the best so far
    int finalists = 3;      // the best distinct networks found, polished long
    // Steps of each minimax solve in the long polish (a polish is up to
    // eight solves, each on the peaks found afresh). A ladder's response
    // often reaches its best only along a narrow curved valley of the part
    // values, which the solver follows in hundreds of steps; cut short, each
    // solve ends partway and the next begins without the curvature learnt.
    int polishSteps = 500;
    // A polish ends at the first round that lowers the highest peak by less
    // than this fraction of it. A tune follows its basin's floor to the
    // printed digits; a polish that only has to rank a start may stop once
    // the gains become small.
    double polishStall = 1e-4;
    // Rounds of the long polish, each a solve on the peaks found afresh.
    int polishRounds = 8;
    // A restart whose first round of screening leaves its in-band maximum
    // |S11| more than this many times the best screened so far is screened
    // no further: it is out of the running, and the rounds go to others.
    // Zero screens every restart in full.
    double screenCutoff = 0;
    // The effort further rounds of wide restarts may take, in responses
    // worked out (one frequency each): a budget of work rather than of time,
    // so the same options give the same network on every machine. Rounds
    // stop when one no longer pays; zero gives one round only.
    std::uint64_t evaluations = 0;
    // Read between rounds; when it holds true the tune throws TuneCancelled.
    const std::atomic<bool> *stop = nullptr;
};

struct TuneResult
{
    Network network;          // the tuned parts (the start's kinds, labels and order), same load
    double startGammaMax = 0; // in-band max |S11| of the starting values
    // The same for the tuned values; within the ranges, never above
    // startGammaMax for a start within them (with ideal parts). With a
    // goal, both are its score (GoalScoreOf) rather than one band's |S11|.
    double gammaMax = 0;
    // In-band maximum transducer loss, dB, of the tuned values. With lossy
    // parts the tune lowers this (gammaMax is then reported alongside and
    // may rise); with ideal parts it follows gammaMax. With a goal, the
    // largest over its passbands.
    double lossDbMax = 0;
    std::uint64_t evaluations = 0; // responses worked out, one frequency each
    // Tuned to a goal of several bands: gammaMax is its score, and networks
    // are compared by it alone.
    bool scored = false;
};

// Why the problem cannot be tuned, or empty: positive finite port resistances
// and band edges, the lower below the upper, at least one part, every value positive
// and finite, a load reactance of the kind its load type takes, sound ranges.
std::string TuneProblemError(const TuneProblem &problem);

// The in-band maximum of |S11| of a network with its load over the problem's
// band, measured as the passband figures measure it; for lossy parts the
// figure the tune minimises instead, sqrt of the in-band maximum 1 - G_T.
// With a goal, its score over every band (GoalScoreOf).
double InBandGammaMax(const TuneProblem &problem, const Network &network);

// Minimises the in-band maximum |S11| over the part values within the
// problem's ranges (a part that starts outside its range starts at the
// nearest limit, and the result may then be worse than the given values,
// never than those brought within the ranges): from the problem's values, from
// perturbed copies of them and, as a global stage, from perturbations of the
// best networks found so far, each polished by a minimax solve, then, within
// the options' evaluation budget, further rounds of wide restarts while they
// pay; the same options give the same network, never worse than the start. Throws
// std::invalid_argument for a problem TuneProblemError rejects, negative
// restarts or hops, or no finalist or polish step.
TuneResult Tune(const TuneProblem &problem, const TuneOptions &options = {});

// A tuned network on standard values.
struct StandardTuneResult
{
    ESeries series = ESeries::E24;
    Network snapped; // every part snapped to its nearest series value, the load as it is
    double snappedGammaMax = 0;
    Network network;     // after the search over neighbouring series values
    double gammaMax = 0; // never above snappedGammaMax (for ideal parts)
    double snappedLossDbMax = 0;
    double lossDbMax = 0; // never above snappedLossDbMax
};

// Snaps the parts to the series, then searches the neighbouring series
// values: one part one or two steps up or down, or, when no such move helps,
// two parts one step each, taking moves that lower the in-band maximum |S11|
// until none does. Every value stays a series value within the problem's
// ranges. `network` is a network of the problem (tuned values, the
// same load). Throws std::invalid_argument for one TuneProblemError rejects,
// TuneCancelled when `stop` is raised.
StandardTuneResult TuneToSeries(const TuneProblem &problem, const Network &network, ESeries series,
                                const std::atomic<bool> *stop = nullptr);

} // namespace tevmar::analysis
