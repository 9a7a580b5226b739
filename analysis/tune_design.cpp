#include "analysis/tune_design.h"

#include "analysis/sweep.h"
#include "engine/absorption.h"
#include "engine/design.h"

#include <charconv>
#include <stdexcept>

namespace tevmar::analysis {

TuneProblem TuneProblemOf(const DesignResult &design, std::optional<double> loadValue)
{
    if (!design.solved)
        throw std::invalid_argument("a design without a solution has no network to tune");
    TuneProblem problem;
    problem.network = FromDesign(design, Precision::Full);
    const Band band = BandOf(design.band);
    problem.lowHz = band.lowHz;
    problem.highHz = band.highHz;
    if (!design.absorbed)
        return problem;

    auto &parts = problem.network.elements;
    const bool atPort1 = !IsSeriesLoad(design.loadType);
    const auto absorbed = atPort1 ? parts.begin() : parts.end() - 1;
    LadderElement element = *absorbed;
    element.value = loadValue.value_or(design.absorbedValue);
    parts.erase(absorbed);
    problem.load = LoadReactance{atPort1 ? LoadPort::Port1 : LoadPort::Port2, element};
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

std::optional<RelaxedDesign> RelaxedDesignFor(const DesignInputs &inputs)
{
    const double typed =
        AbsorptionRule(inputs.absorb, inputs.loadType, inputs.absorbText).absorbedValue;
    if (!(typed > 0) || RunDesign(inputs).solved)
        return std::nullopt;

    // Down in 5 % steps to the first value that solves, then bisection
    // between it and the step above, which does not.
    DesignInputs trial = inputs;
    double failing = typed;
    double solving = typed;
    DesignResult design;
    for (int step = 0;; ++step) {
        if (step == 200)
            return std::nullopt;
        solving *= 0.95;
        design = RunWithValue(trial, solving);
        if (design.solved)
            break;
        failing = solving;
    }
    while (failing - solving > 1e-3 * solving) {
        const double middle = 0.5 * (failing + solving);
        DesignResult d = RunWithValue(trial, middle);
        if (d.solved) {
            solving = middle;
            design = std::move(d);
        } else {
            failing = middle;
        }
    }
    SetValue(trial, solving);
    return RelaxedDesign{trial, design, solving, typed};
}

} // namespace tevmar::analysis
