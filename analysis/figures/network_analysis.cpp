#include "analysis/figures/network_analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <span>
#include <stdexcept>
#include <vector>

namespace tevmar::analysis {

PassbandFigures PassbandFiguresOf(const Network &network, const Band &band)
{
    const Extremes e = FindExtremes([&](double f) { return ReflectionMagnitude(network, f); }, band,
                                    [&](std::span<const double> f, std::span<double> gamma) {
                                        ReflectionOver(network, f, gamma);
                                    });
    return PassbandFigures{e.max, e.maxAtHz, e.min, e.minAtHz, VswrOf(e.max), VswrOf(e.min)};
}

namespace {

// The extremes over the band of a figure read from S21 alone: S21 over the
// grid at once, and alone at each point of the refinement, each value the
// one a full evaluation of the point has.
template <class Figure>
Extremes TransmissionExtremes(const Network &network, const Band &band, Figure figure)
{
    return FindExtremes([&](double f) { return figure(TransmissionAt(network, f)); }, band,
                        [&](std::span<const double> f, std::span<double> values) {
                            thread_local std::vector<Complex> s21;
                            s21.resize(f.size());
                            TransmissionOver(network, f, s21);
                            for (std::size_t k = 0; k < f.size(); ++k)
                                values[k] = figure(s21[k]);
                        });
}

} // namespace

double LossDbMaxOf(const Network &network, const Band &band, double gammaMax)
{
    if (AllPartsIdeal(network))
        return MismatchLossDbOf(gammaMax);
    return TransmissionExtremes(network, band, InsertionLossDbOf).max;
}

double MatchFigureOf(const Network &network, const Band &band)
{
    if (AllPartsIdeal(network))
        return PassbandFiguresOf(network, band).gammaMax;
    // The square root of the power lost, 1 - |S21|^2.
    const auto lost = [](Complex s21) {
        return std::sqrt(std::clamp(1.0 - std::norm(s21), 0.0, 1.0));
    };
    return TransmissionExtremes(network, band, lost).max;
}

bool ReflectionAgrees(double measured, double design)
{
    return std::abs(measured - design) <= 0.005 * std::abs(design) + 1e-6;
}

LossModel LossModelOf(const AnalysisOptions &options, const Band &band)
{
    for (const auto &q : {options.built.inductorQ, options.built.capacitorQ})
        if (q && !(std::isfinite(*q) && *q > 0))
            throw std::invalid_argument("a component Q must be positive");
    LossModel models = options.built;
    models.centreHz = band.centreHz;
    return models;
}

std::vector<PartSensitivity> SensitivityOf(const Network &network, const Band &band)
{
    const double nominal = PassbandFiguresOf(network, band).gammaMax;
    std::vector<PartSensitivity> parts;
    Network raised = network;
    for (std::size_t i = 0; i < network.parts.size(); ++i) {
        raised.parts[i] = network.parts[i].Scaled(1.01);
        parts.push_back(
            {i, network.parts[i].label, PassbandFiguresOf(raised, band).gammaMax - nominal});
        raised.parts[i] = network.parts[i];
    }
    // Most sensitive first; a change that is not a number last.
    const auto magnitude = [](const PartSensitivity &p) {
        const double change = std::abs(p.gammaMaxChangePerPercent);
        return std::isnan(change) ? -1.0 : change;
    };
    std::stable_sort(parts.begin(), parts.end(), [&magnitude](const auto &a, const auto &b) {
        return magnitude(a) > magnitude(b);
    });
    return parts;
}

namespace {

FiniteQLoss FiniteQOf(const Network &network, const Band &band, const LossModel &losses)
{
    const auto insertionLoss = [](const Network &n) {
        return [&n](double f) { return Evaluate(n, f).insertionLossDb; };
    };
    const Network lossyNetwork = WithLosses(network, losses);
    const Network idealNetwork = WithLosses(network, LossModel{});
    const Extremes lossy = FindExtremes(insertionLoss(lossyNetwork), band);
    const Extremes ideal = FindExtremes(insertionLoss(idealNetwork), band);
    return FiniteQLoss{losses, lossy.max, lossy.min,
                       Evaluate(lossyNetwork, band.centreHz).insertionLossDb, ideal.max};
}

} // namespace

NetworkAnalysis AnalyseDesign(const DesignedNetwork &design, const AnalysisOptions &options)
{
    NetworkAnalysis a;
    a.band = design.band;
    a.full = design.full;
    a.printed = design.Printed();
    a.full.measured = options.measuredLoad;
    a.printed.measured = options.measuredLoad;
    const LossModel losses = LossModelOf(options, a.band);

    SelfCheck &check = a.selfCheck;
    check.designGammaMax = design.gammaMax;
    check.designGammaMin = design.gammaMin;
    check.full = PassbandFiguresOf(a.full, a.band);
    check.printed = PassbandFiguresOf(a.printed, a.band);
    check.measuredLoad = options.measuredLoad != nullptr;
    check.agrees = ReflectionAgrees(check.full.gammaMax, design.gammaMax) &&
                   ReflectionAgrees(check.full.gammaMin, design.gammaMin);

    a.bodeFano = design.bodeFano;
    // The self-check compares the ideal network with the synthesis; every
    // figure after it is for the parts as they will be built.
    if (!losses.lossless()) {
        a.full = WithLosses(a.full, losses);
        a.printed = WithLosses(a.printed, losses);
        const PassbandFigures built = PassbandFiguresOf(a.full, a.band);
        a.asBuilt = AsBuiltFigures{built, LossDbMaxOf(a.full, a.band, built.gammaMax)};
    }
    if (options.sensitivity)
        a.sensitivity = SensitivityOf(a.full, a.band);
    if (options.eseries) {
        Network snapped = SnapNetwork(a.full, *options.eseries);
        const PassbandFigures figures = PassbandFiguresOf(snapped, a.band);
        a.standardValues = StandardValues{*options.eseries, std::move(snapped), figures};
    }
    if (options.finiteQ())
        a.finiteQ = FiniteQOf(a.full, a.band, losses);
    if (options.monteCarlo) {
        YieldOptions yield = *options.monteCarlo;
        if (yield.vswrLimit == 0)
            yield.vswrLimit = design.vswrMax * kDefaultYieldVswrFactor;
        a.yield = RunMonteCarlo(a.full, a.band, yield);
    }
    return a;
}

} // namespace tevmar::analysis
