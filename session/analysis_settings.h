#pragma once

// The engineer's choices for analysing a design, with their defaults and
// their validation, shared by the Response window and tevmar-cli.

#include "analysis/eseries.h"
#include "analysis/network_analysis.h"
#include "analysis/sweep.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tevmar::session {

inline constexpr int kDefaultSweepPoints = 401;
inline constexpr int kDefaultTrials = 1000;
inline constexpr double kDefaultTolerancePercent = 5.0;
inline constexpr std::uint64_t kDefaultSeed = 1;

struct SweepSettings
{
    // Unset: half the lower band edge and twice the upper, following the design.
    std::optional<double> fromGhz, toGhz;
    int points = kDefaultSweepPoints;
    bool logarithmic = true;
};

struct ToleranceSettings
{
    int trials = kDefaultTrials;
    double tolerancePercent = kDefaultTolerancePercent; // each part uniform within +-t %
    std::uint64_t seed = kDefaultSeed;
};

struct AnalysisSettings
{
    SweepSettings sweep;
    std::optional<analysis::ESeries> eseries;    // no snapped network when unset
    std::optional<double> inductorQ, capacitorQ; // ideal parts when unset
    std::optional<ToleranceSettings> tolerance;  // no tolerance trials when unset
};

// Which setting a sweep problem lies with.
enum class SweepSetting { From, To, Points };

struct SweepProblem
{
    SweepSetting setting = SweepSetting::Points;
    std::string text; // "3 GHz lies above the sweep's stop, 2 GHz (twice the upper band edge)"
};

// How a front end names the sweep's two ends in its messages ("--from", "the start").
struct SweepEndNames
{
    const char *from;
    const char *to;
};

// The sweep over the design's band, or why it cannot be made.
analysis::SweepPlan SweepPlanOf(const SweepSettings &sweep, const analysis::Band &band);
std::optional<SweepProblem> CheckSweep(const SweepSettings &sweep, const analysis::Band &band,
                                       const SweepEndNames &names);

// What the analysis library is asked for; the trials' pass limit is the
// design's own maximum VSWR x 1.1.
analysis::AnalysisOptions AnalysisOptionsOf(const AnalysisSettings &settings);

} // namespace tevmar::session
