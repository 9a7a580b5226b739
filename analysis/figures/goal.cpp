#include "analysis/figures/goal.h"

#include "analysis/figures/network_analysis.h"
#include "analysis/model/two_port.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace tevmar::analysis {

Band Goal::PassSpan() const
{
    Band span;
    bool first = true;
    for (const GoalBand &b : bands) {
        if (b.reject)
            continue;
        span.lowHz = first ? b.band.lowHz : std::min(span.lowHz, b.band.lowHz);
        span.highHz = first ? b.band.highHz : std::max(span.highHz, b.band.highHz);
        first = false;
    }
    span.centreHz = std::sqrt(span.lowHz * span.highHz);
    return span;
}

Band Goal::Span() const
{
    Band span = bands.front().band;
    for (const GoalBand &b : bands) {
        span.lowHz = std::min(span.lowHz, b.band.lowHz);
        span.highHz = std::max(span.highHz, b.band.highHz);
    }
    span.centreHz = std::sqrt(span.lowHz * span.highHz);
    return span;
}

std::vector<GoalBandFigure> GoalFiguresOf(const Network &network, const Goal &goal)
{
    std::vector<GoalBandFigure> figures;
    for (const GoalBand &b : goal.bands) {
        GoalBandFigure figure;
        if (b.reject) {
            // What leaks through: the largest |S21| over the band.
            const Extremes e =
                FindExtremes([&](double f) { return std::abs(TransmissionAt(network, f)); }, b.band,
                             [&](std::span<const double> f, std::span<double> values) {
                                 std::vector<Complex> s21(f.size());
                                 TransmissionOver(network, f, s21);
                                 for (std::size_t k = 0; k < f.size(); ++k)
                                     values[k] = std::abs(s21[k]);
                             });
            figure.worst = e.max;
            figure.worstAtHz = e.maxAtHz;
        } else if (AllPartsIdeal(network)) {
            const PassbandFigures p = PassbandFiguresOf(network, b.band);
            figure.worst = p.gammaMax;
            figure.worstAtHz = p.gammaMaxAtHz;
        } else {
            // The square root of the power lost, 1 - |S21|^2, as the tune
            // scores lossy parts, and where it is largest.
            const Extremes e = FindExtremes(
                [&](double f) {
                    return std::sqrt(
                        std::clamp(1.0 - std::norm(TransmissionAt(network, f)), 0.0, 1.0));
                },
                b.band);
            figure.worst = e.max;
            figure.worstAtHz = e.maxAtHz;
            figure.lossy = true;
        }
        figure.score = figure.worst * b.Scale();
        figures.push_back(figure);
    }
    return figures;
}

double GoalScoreOf(const Network &network, const Goal &goal)
{
    double score = 0;
    for (const GoalBandFigure &f : GoalFiguresOf(network, goal)) {
        if (std::isnan(f.score))
            return f.score;
        score = std::max(score, f.score);
    }
    return score;
}

std::string GoalError(const Goal &goal)
{
    bool pass = false;
    for (std::size_t i = 0; i < goal.bands.size(); ++i) {
        const GoalBand &a = goal.bands[i];
        if (!(std::isfinite(a.band.lowHz) && a.band.lowHz > 0 && std::isfinite(a.band.highHz) &&
              a.band.lowHz < a.band.highHz))
            return "each band needs two positive edges, the lower below the upper";
        if (!(std::isfinite(a.level) && a.level > 0 && std::isfinite(a.weight) && a.weight > 0))
            return "each band's limit and weight must be positive";
        pass = pass || !a.reject;
        for (std::size_t j = 0; j < i; ++j) {
            const Band &b = goal.bands[j].band;
            if (a.band.lowHz <= b.highHz && b.lowHz <= a.band.highHz)
                return "two bands overlap";
        }
    }
    return pass || goal.bands.empty() ? "" : "the goal needs a passband";
}

} // namespace tevmar::analysis
