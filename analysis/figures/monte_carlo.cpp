#include "analysis/figures/monte_carlo.h"

#include "analysis/model/board_line.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <stdexcept>

namespace tevmar::analysis {

std::string YieldOptionsError(const YieldOptions &o)
{
    if (o.trials < 1 || o.trials > kMaxTrials)
        return "the number of trials must be 1 to " + std::to_string(kMaxTrials);
    if (!std::isfinite(o.tolerancePercent) || o.tolerancePercent < 0 || o.tolerancePercent >= 100)
        return "the tolerance must be at least 0 and below 100 %";
    if (!std::isfinite(o.vswrLimit) || o.vswrLimit <= 1)
        return "the VSWR limit must be above 1";
    if (o.bandPoints < 2 || o.bandPoints > kMaxSweepPoints)
        return "the passband needs 2 to " + std::to_string(kMaxSweepPoints) + " points";
    return {};
}

double MaxVswr(const Network &network, std::span<const double> frequenciesHz)
{
    thread_local std::vector<double> gamma;
    gamma.resize(frequenciesHz.size());
    ReflectionOver(network, frequenciesHz, gamma);
    double worst = 0;
    for (const double g : gamma)
        worst = std::max(worst, g);
    return VswrOf(worst);
}

double NearestRankPercentile(const std::vector<double> &sorted, double percent)
{
    if (sorted.empty())
        throw std::invalid_argument("percentile of no values");
    const double rank = std::ceil(percent / 100.0 * static_cast<double>(sorted.size()));
    const auto index = static_cast<std::size_t>(std::clamp(rank, 1.0, double(sorted.size()))) - 1;
    return sorted[index];
}

YieldResult RunMonteCarlo(const Network &nominal, const Band &band, const YieldOptions &options)
{
    const std::atomic<bool> never{false};
    return *RunMonteCarloUnless(never, nominal, band, options);
}

std::optional<YieldResult> RunMonteCarloUnless(const std::atomic<bool> &stop,
                                               const Network &nominal, const Band &band,
                                               const YieldOptions &options,
                                               std::atomic<int> *trialsDone)
{
    if (const std::string error = YieldOptionsError(options); !error.empty())
        throw std::invalid_argument(error);
    const std::vector<double> grid = BandGrid(band, options.bandPoints);
    // mt19937_64 and the explicit mapping to [-1, 1) below are fully specified,
    // unlike the standard distributions, so a seed gives the same trials everywhere.
    std::mt19937_64 random(options.seed);
    const double spread = options.tolerancePercent / 100.0;

    YieldResult result;
    result.options = options;
    result.nominalVswr = MaxVswr(nominal, grid);

    std::vector<double> worst;
    worst.reserve(static_cast<std::size_t>(options.trials));
    Network trial = nominal;
    for (int t = 0; t < options.trials; ++t) {
        if (stop.load(std::memory_order_relaxed))
            return std::nullopt;
        // Often enough for a progress bar, rarely enough to cost nothing.
        if (trialsDone && t % 256 == 0)
            trialsDone->store(t, std::memory_order_relaxed);
        for (std::size_t i = 0; i < trial.parts.size(); ++i) {
            const double unit = static_cast<double>(random() >> 11) * 0x1.0p-53; // [0, 1)
            // A strip on a board varies as it is etched: its width and its
            // length, each by what the process holds to, not by a percent.
            if (nominal.parts[i].line.board) {
                const double other = static_cast<double>(random() >> 11) * 0x1.0p-53;
                trial.parts[i] = TrialOf(nominal.parts[i], 2 * unit - 1, 2 * other - 1);
                continue;
            }
            trial.parts[i] = nominal.parts[i].Scaled(1.0 + spread * (2 * unit - 1));
        }
        worst.push_back(MaxVswr(trial, grid));
        if (worst.back() < options.vswrLimit)
            ++result.passed;
    }
    if (trialsDone)
        trialsDone->store(options.trials, std::memory_order_relaxed);
    std::sort(worst.begin(), worst.end());
    result.yieldPercent = 100.0 * result.passed / options.trials;
    result.vswrP50 = NearestRankPercentile(worst, 50);
    result.vswrP90 = NearestRankPercentile(worst, 90);
    result.vswrP99 = NearestRankPercentile(worst, 99);
    result.worstVswr = worst.back();
    return result;
}

} // namespace tevmar::analysis
