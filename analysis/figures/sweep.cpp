#include "analysis/figures/sweep.h"

#include "units/quantity.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tevmar::analysis {

Band BandOf(const BandParameters &state)
{
    // The design run's band is in MHz.
    const double a = units::Frequency::FromMHz(state.F1).hz();
    const double b = units::Frequency::FromMHz(state.F2).hz();
    return Band{std::min(a, b), std::max(a, b), units::Frequency::FromMHz(state.F0).hz()};
}

SweepPlan DefaultSweep(const Band &band)
{
    return SweepPlan{band.lowHz / 2.0, band.highHz * 2.0, 401, true, band.lowHz, band.highHz};
}

namespace {

// Fewer points than this are swept on the plain grid.
constexpr int kMinDenseSweep = 7;

bool MakesBandDense(const SweepPlan &plan)
{
    return plan.logarithmic && plan.points >= kMinDenseSweep && plan.startHz < plan.denseLowHz &&
           plan.denseLowHz < plan.denseHighHz && plan.denseHighHz < plan.stopHz;
}

// `count` points from `from` towards `to` in equal ratios, `from` included and `to` not.
void LogSteps(std::vector<double> &f, double from, double to, int count)
{
    for (int i = 0; i < count; ++i)
        f.push_back(from * std::pow(to / from, static_cast<double>(i) / count));
}

// Half the points (rounded up) evenly over the band, the rest shared between
// the two skirts by their logarithmic length, at least one on each side.
std::vector<double> DenseBandFrequencies(const SweepPlan &plan)
{
    const int inBand = DensePoints(plan);
    const int outside = plan.points - inBand;
    const double below = std::log(plan.denseLowHz / plan.startHz);
    const double above = std::log(plan.stopHz / plan.denseHighHz);
    const int low = std::clamp(static_cast<int>(std::lround(outside * below / (below + above))), 1,
                               outside - 1);
    std::vector<double> f;
    f.reserve(static_cast<std::size_t>(plan.points));
    LogSteps(f, plan.startHz, plan.denseLowHz, low);
    const double step = (plan.denseHighHz - plan.denseLowHz) / (inBand - 1);
    for (int i = 0; i < inBand; ++i)
        f.push_back(i + 1 == inBand ? plan.denseHighHz : plan.denseLowHz + step * i);
    const int high = outside - low;
    for (int i = 1; i <= high; ++i)
        f.push_back(plan.denseHighHz *
                    std::pow(plan.stopHz / plan.denseHighHz, static_cast<double>(i) / high));
    return f;
}

} // namespace

int DensePoints(const SweepPlan &plan)
{
    return MakesBandDense(plan) ? (plan.points + 1) / 2 : 0;
}

std::string SweepPlanError(const SweepPlan &plan)
{
    if (!std::isfinite(plan.startHz) || !std::isfinite(plan.stopHz) || plan.startHz <= 0 ||
        plan.stopHz <= 0)
        return "the sweep's frequencies must be positive";
    if (plan.startHz > plan.stopHz)
        return "the sweep's start lies above its stop";
    if (plan.points < 1 || plan.points > kMaxSweepPoints)
        return "the sweep needs 1 to " + std::to_string(kMaxSweepPoints) + " points";
    if (plan.points == 1 && plan.startHz != plan.stopHz)
        return "a sweep of one point needs equal start and stop";
    return {};
}

std::vector<double> SweepFrequencies(const SweepPlan &plan)
{
    if (const std::string error = SweepPlanError(plan); !error.empty())
        throw std::invalid_argument(error);
    if (MakesBandDense(plan)) {
        std::vector<double> f = DenseBandFrequencies(plan);
        f.back() = plan.stopHz;
        return f;
    }
    const auto n = static_cast<std::size_t>(plan.points);
    std::vector<double> f(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = n == 1 ? 0.0 : static_cast<double>(i) / static_cast<double>(n - 1);
        f[i] = plan.logarithmic ? plan.startHz * std::pow(plan.stopHz / plan.startHz, t)
                                : plan.startHz + (plan.stopHz - plan.startHz) * t;
    }
    f.back() = plan.stopHz;
    return f;
}

std::vector<SweepPoint> Sweep(const Network &network, const SweepPlan &plan)
{
    return EvaluateOver(network, SweepFrequencies(plan));
}

std::vector<double> BandGrid(const Band &band, int points)
{
    return SweepFrequencies(SweepPlan{band.lowHz, band.highHz, points, false});
}

namespace {

struct Sample
{
    double frequencyHz;
    double value;
};

// Golden-section search for the largest value of sign * response on [a, b];
// returns the best sample it met. The response is smooth between grid steps
// except at the zeros of |S11|, where it has a corner the search closes in on.
Sample GoldenSearch(const std::function<double(double)> &response, double a, double b, double sign)
{
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double x1 = b - ratio * (b - a);
    double x2 = a + ratio * (b - a);
    double v1 = sign * response(x1);
    double v2 = sign * response(x2);
    for (int i = 0; i < 200 && (b - a) > 1e-15 * b; ++i) {
        if (v1 >= v2) {
            b = x2;
            x2 = x1;
            v2 = v1;
            x1 = b - ratio * (b - a);
            v1 = sign * response(x1);
        } else {
            a = x1;
            x1 = x2;
            v1 = v2;
            x2 = a + ratio * (b - a);
            v2 = sign * response(x2);
        }
    }
    return v1 >= v2 ? Sample{x1, sign * v1} : Sample{x2, sign * v2};
}

} // namespace

Extremes FindExtremes(const std::function<double(double)> &response, const Band &band,
                      int gridPoints)
{
    return FindExtremes(
        response, band,
        [&response](std::span<const double> f, std::span<double> values) {
            for (std::size_t k = 0; k < f.size(); ++k)
                values[k] = response(f[k]);
        },
        gridPoints);
}

Extremes FindExtremes(const std::function<double(double)> &response, const Band &band,
                      const GridResponse &onGrid, int gridPoints)
{
    const std::vector<double> frequencies = BandGrid(band, std::max(gridPoints, 3));
    std::vector<double> values(frequencies.size());
    onGrid(frequencies, values);
    std::vector<Sample> grid;
    grid.reserve(frequencies.size());
    for (std::size_t k = 0; k < frequencies.size(); ++k)
        grid.push_back(Sample{frequencies[k], values[k]});

    Sample best[2] = {grid.front(), grid.front()}; // largest, smallest
    const auto consider = [&best](Sample s) {
        if (s.value > best[0].value)
            best[0] = s;
        if (s.value < best[1].value)
            best[1] = s;
    };
    const std::size_t last = grid.size() - 1;
    for (std::size_t i = 0; i <= last; ++i) {
        consider(grid[i]);
        const double before = i > 0 ? grid[i - 1].value : grid[i].value;
        const double after = i < last ? grid[i + 1].value : grid[i].value;
        const double a = grid[i > 0 ? i - 1 : 0].frequencyHz;
        const double b = grid[i < last ? i + 1 : last].frequencyHz;
        const double v = grid[i].value;
        if ((v > before && v >= after) || (v >= before && v > after))
            consider(GoldenSearch(response, a, b, 1.0));
        if ((v < before && v <= after) || (v <= before && v < after))
            consider(GoldenSearch(response, a, b, -1.0));
    }
    return Extremes{best[0].value, best[0].frequencyHz, best[1].value, best[1].frequencyHz};
}

} // namespace tevmar::analysis
