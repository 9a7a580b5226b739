#pragma once

// Tolerance yield: how many networks built from parts within +-t % of their
// nominal values still meet a VSWR limit over the whole passband.

#include "analysis/figures/sweep.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tevmar::analysis {

struct YieldOptions
{
    int trials = 1000;
    double tolerancePercent = 5.0; // each element uniform within +-t % of nominal
    std::uint64_t seed = 1;        // same seed, same trials, on every machine
    // A trial passes when its in-band VSWR stays below this. AnalyseDesign
    // puts the design's own maximum VSWR x 1.1 in place of 0.
    double vswrLimit = 0;
    int bandPoints = 201; // evenly spaced from the lower to the upper band edge
};

// A million trials take some 20 s: more would only narrow the yield's
// confidence interval below what the parts' own tolerance justifies.
constexpr int kMaxTrials = 1'000'000;

// Why the options cannot be run, or empty: trials 1 to kMaxTrials, tolerance
// from 0 up to (not including) 100 %, a finite limit above 1, at least 2 points.
std::string YieldOptionsError(const YieldOptions &options);

struct YieldResult
{
    YieldOptions options;
    int passed = 0;
    double yieldPercent = 0;
    double nominalVswr = 0; // in-band maximum of the untoleranced network, same grid
    // Percentiles of the trials' in-band maximum VSWR, by nearest rank.
    double vswrP50 = 0;
    double vswrP90 = 0;
    double vswrP99 = 0;
    double worstVswr = 0;
};

// Throws std::invalid_argument for options YieldOptionsError rejects.
YieldResult RunMonteCarlo(const Network &nominal, const Band &band, const YieldOptions &options);

// The same trials, given up between two trials once `stop` is set (a newer
// question has made the answer useless): nothing when stopped. With
// `trialsDone`, the count of trials done so far is stored there every few
// hundred trials and at the end, for another thread to show.
std::optional<YieldResult> RunMonteCarloUnless(const std::atomic<bool> &stop,
                                               const Network &nominal, const Band &band,
                                               const YieldOptions &options,
                                               std::atomic<int> *trialsDone = nullptr);

// The in-band maximum VSWR of a network over the given frequencies.
double MaxVswr(const Network &network, std::span<const double> frequenciesHz);

// The nearest-rank percentile (0 < p <= 100) of values sorted in increasing order.
double NearestRankPercentile(const std::vector<double> &sorted, double percent);

} // namespace tevmar::analysis
