#include "analysis/tune_design.h"

#include "analysis/sweep.h"
#include "engine/absorption.h"
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

namespace {

// The load's Q at the band's geometric centre: |X| / R in series at port 2,
// R / |X| in parallel at port 1.
double LoadQOf(const TuneProblem &problem)
{
    const LadderElement &e = problem.load->element;
    const double omega = 2 * std::numbers::pi * std::sqrt(problem.lowHz * problem.highHz);
    const double reactance = IsInductor(e.kind) ? omega * SiValue(e) : 1 / (omega * SiValue(e));
    return problem.load->port == LoadPort::Port2 ? reactance / problem.network.port2Ohms
                                                 : problem.network.port1Ohms / reactance;
}

} // namespace

std::optional<double> BodeFanoGammaOf(const TuneProblem &problem)
{
    if (!problem.load)
        return std::nullopt;
    const double bandQ =
        std::sqrt(problem.lowHz * problem.highHz) / (problem.highHz - problem.lowHz);
    return std::exp(-std::numbers::pi * bandQ / LoadQOf(problem));
}

std::optional<TunedNetwork> TuneDesign(const DesignInputs &inputs, const DesignResult &design,
                                       std::optional<ESeries> series)
{
    TunedNetwork t;
    if (design.solved) {
        t.problem = TuneProblemOf(design);
    } else {
        t.relaxed = RelaxedDesignFor(inputs);
        if (!t.relaxed)
            return std::nullopt;
        t.problem = TuneProblemOf(t.relaxed->design, t.relaxed->loadValue);
    }
    t.tuned = Tune(t.problem);
    if (series)
        t.standard = TuneToSeries(t.problem, t.tuned.network, *series);
    return t;
}

DesignResult TunedDesignResult(const TunedNetwork &tuned, const DesignResult &design)
{
    DesignResult result = tuned.relaxed ? tuned.relaxed->design : design;
    const Ladder chain = TunedChain(tuned, tuned.tuned.network);
    for (std::size_t i = 0; i < chain.elements.size(); ++i) {
        ElementRow &row = result.table.at(i + 1);
        row.fullValue = chain.elements[i].value;
        row.value = PrintedElementValue(row.fullValue);
    }
    if (tuned.relaxed) {
        result.absorbedValue = tuned.relaxed->loadValue;
        result.LoadQ = LoadQOf(tuned.problem); // the Bode-Fano figure reads it
    }
    return result;
}

Ladder TunedChain(const TunedNetwork &tuned, const Ladder &parts)
{
    return NetworkWithLoad(tuned.problem, parts);
}

} // namespace tevmar::analysis
