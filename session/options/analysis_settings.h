#pragma once

// The engineer's choices for analysing a design, with their defaults and
// their validation, shared by the Response window and tevmar-cli.

#include "analysis/figures/network_analysis.h"
#include "analysis/figures/sweep.h"
#include "analysis/model/eseries.h"
#include "analysis/search/tuner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tevmar::session {

inline constexpr int kDefaultSweepPoints = 401;
// A sweep of more points than this would be no finer to the eye and only
// slower to write and read.
inline constexpr int kMaxSweepPoints = 1'000'000;
inline constexpr int kDefaultTrials = 1000;
inline constexpr double kDefaultTolerancePercent = 5.0;
inline constexpr std::uint64_t kDefaultSeed = 1;

// What the figures can be computed for without losing every digit: a sweep
// from 1 Hz to 1e9 GHz, a part's Q from 0.001 up (its loss resistance is X/Q),
// and a Touchstone reference from 1 micro-ohm to 1 gigaohm, as the one-port
// reader takes a load.
inline constexpr double kLowestSweepGhz = 1e-9;
inline constexpr double kHighestSweepGhz = 1e9;
inline constexpr double kLowestComponentQ = 1e-3;
inline constexpr double kLowestTouchstoneOhms = 1e-6;
inline constexpr double kHighestTouchstoneOhms = 1e9;

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
    // A trial passes below this in-band VSWR; unset: the design's own maximum
    // VSWR x 1.1, which follows each new design.
    std::optional<double> vswrLimit = std::nullopt;
};

// Why a yield limit cannot be used, or empty: it must be a finite VSWR above 1.
std::string YieldVswrProblem(double vswrLimit);

struct AnalysisSettings
{
    SweepSettings sweep;
    std::optional<analysis::ESeries> eseries;    // no snapped network when unset
    std::optional<double> inductorQ, capacitorQ; // ideal parts when unset
    analysis::QModel qModel = analysis::QModel::Centre;
    std::optional<ToleranceSettings> tolerance; // no tolerance trials when unset
    analysis::PartRanges tuneRanges;            // where a tuned part's value may lie
    // Chip models of the parts and the pads; ideal parts, no pads when unset.
    std::optional<analysis::ChipInductor> inductorChip;
    std::optional<analysis::ChipCapacitor> capacitorChip;
    double padPf = 0;
    // How far above the band's top a chip model's or a kit part's resonance
    // must lie, percent (analysis/model/resonance.h).
    double srfMarginPercent = analysis::kDefaultSrfMarginPercent;
};

// The parts as built that the settings describe, for the tuner and the
// candidates (a Q fixed at the centre takes the tuned band's centre).
analysis::LossModel PartModelsOf(const AnalysisSettings &settings);

// "centre" or "constant", the words of the Q models.
const char *QModelWord(analysis::QModel model);
std::optional<analysis::QModel> QModelFromWord(std::string_view word);

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

// What the analysis library is asked for; unless the settings give one, the
// trials' pass limit is the design's own maximum VSWR x 1.1.
analysis::AnalysisOptions AnalysisOptionsOf(const AnalysisSettings &settings);

} // namespace tevmar::session
