#include "analysis/search/tune_design.h"

#include "analysis/figures/bode_fano.h"
#include "analysis/model/designed_network.h"
#include "engine/design.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace tevmar::analysis {

TuneProblem TuneProblemOf(const DesignResult &design, std::optional<double> loadValue)
{
    if (!design.solved)
        throw std::invalid_argument("a design without a solution has no network to tune");
    TuneProblem problem{DesignedNetworkOf(design).full, BandOf(design.band), {}};
    if (problem.network.load && loadValue)
        problem.network.load->element.value = *loadValue;
    return problem;
}

namespace {

// The value box's text for a value: shortest round-trip form, no locale.
void SetValue(DesignInputs &inputs, double value)
{
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    inputs.absorbText.assign(text, end);
}

DesignResult RunWithValue(DesignInputs &inputs, double value)
{
    SetValue(inputs, value);
    return RunDesign(inputs);
}

} // namespace

namespace {

// The load's Q falls as its value falls for series RL (X = wL over R) and
// shunt RC (R over 1 / wC) loads, and as its value rises for series RC and
// shunt RL loads.
bool QFallsWithValue(LoadType type)
{
    return IsSeriesLoad(type) == IsInductiveLoad(type);
}

// Steps of 5 % reach a factor of about 17 000 either way.
constexpr int kMostRelaxSteps = 200;
// The smallest reactance value the synthesis absorbs (nH or pF).
constexpr double kSmallestAbsorbed = 0.001;

} // namespace

std::optional<RelaxedDesign> RelaxedDesignFor(const DesignInputs &inputs)
{
    const DesignResult asTyped = RunDesign(inputs);
    const double typed = asTyped.typed.absorbedValue;
    if (!(typed > 0) || asTyped.solved)
        return std::nullopt;

    // In 5 % steps towards lower load Q to the first value that solves, then
    // bisection between it and the step before, which does not. A value the
    // synthesis no longer absorbs is no design for this load.
    const double factor = QFallsWithValue(inputs.loadType) ? 0.95 : 1 / 0.95;
    DesignInputs trial = inputs;
    double failing = typed;
    double solving = typed;
    DesignResult design;
    for (int step = 0;; ++step) {
        solving *= factor;
        if (step == kMostRelaxSteps || !(solving > kSmallestAbsorbed) || !std::isfinite(solving))
            return std::nullopt;
        design = RunWithValue(trial, solving);
        if (design.solved)
            break;
        failing = solving;
    }
    while (std::abs(failing - solving) > 1e-3 * solving) {
        const double middle = 0.5 * (failing + solving);
        DesignResult d = RunWithValue(trial, middle);
        if (d.solved) {
            solving = middle;
            design = std::move(d);
        } else {
            failing = middle;
        }
    }
    if (!design.absorbed)
        return std::nullopt;
    SetValue(trial, solving);
    return RelaxedDesign{trial, design, solving, typed};
}

std::optional<double> BodeFanoGammaOf(const TuneProblem &problem)
{
    if (const auto dataOnly = DataOnlyGammaLimit(problem.network, problem.band))
        return *dataOnly;
    if (!problem.network.load)
        return std::nullopt;
    const Band &band = problem.band;
    const double bandQ = band.centreHz / (band.highHz - band.lowHz);
    return BodeFanoReflection(AbsorbedLoadQ(problem.network, band) / bandQ);
}

std::optional<TunedNetwork> TuneDesign(const DesignInputs &inputs, const DesignResult &design,
                                       std::optional<ESeries> series, const std::atomic<bool> *stop,
                                       std::shared_ptr<const MeasuredLoad> measured,
                                       const PartRanges &ranges, const LossModel &built)
{
    TunedNetwork t;
    if (design.solved) {
        t.problem = TuneProblemOf(design);
    } else if (const DesignResult withheld = RunDesign(inputs); withheld.solved) {
        // A design the outcome withholds (a measured load its fitted kind
        // does not describe) still starts the tune into the data.
        t.problem = TuneProblemOf(withheld);
    } else {
        t.relaxed = RelaxedDesignFor(inputs);
        if (!t.relaxed)
            return std::nullopt;
        t.problem = TuneProblemOf(t.relaxed->design, t.relaxed->loadValue);
    }
    t.problem.network.measured = std::move(measured);
    t.problem.ranges = ranges;
    t.problem.built = built;
    TuneOptions options;
    options.stop = stop;
    t.tuned = Tune(t.problem, options);
    if (series)
        t.standard = TuneToSeries(t.problem, t.tuned.network, *series, stop);
    return t;
}

} // namespace tevmar::analysis
