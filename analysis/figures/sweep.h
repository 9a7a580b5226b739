#pragma once

// Frequency sweeps of a network, and the extremes of a response over the passband.

#include "analysis/model/two_port.h"
#include "engine/design_result.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tevmar::analysis {

// The design's passband in Hz; the edges may have been typed in either order.
struct Band
{
    double lowHz = 0;
    double highHz = 0;
    double centreHz = 0; // geometric centre
};

Band BandOf(const BandParameters &band);

struct SweepPlan
{
    double startHz = 0;
    double stopHz = 0;
    int points = 401;
    bool logarithmic = true;
    // A logarithmic sweep that spans the band puts half its points, evenly
    // spaced, from the lower to the upper band edge, so that the in-band
    // ripple and the band-edge peaks are resolved; zeros: no such band.
    double denseLowHz = 0;
    double denseHighHz = 0;
};

constexpr int kMaxSweepPoints = 1'000'000;

// 401 points from half the lower band edge to twice the upper: 201 evenly
// spaced over the band, the rest in logarithmic steps outside it.
SweepPlan DefaultSweep(const Band &band);

// How many of the plan's points lie within the band it makes dense (0 when
// it makes none dense).
int DensePoints(const SweepPlan &plan);

// Why the plan cannot be swept, or empty when it can: both ends positive and
// finite, start not above stop, 1 to kMaxSweepPoints points (one point needs
// start equal to stop).
std::string SweepPlanError(const SweepPlan &plan);

// The plan's frequencies in increasing order, both ends exact.
// Throws std::invalid_argument for a plan SweepPlanError rejects.
std::vector<double> SweepFrequencies(const SweepPlan &plan);

std::vector<SweepPoint> Sweep(const Network &network, const SweepPlan &plan);

// Evenly spaced frequencies from the lower to the upper band edge.
std::vector<double> BandGrid(const Band &band, int points);

struct Extremes
{
    double max = 0;
    double maxAtHz = 0;
    double min = 0;
    double minAtHz = 0;
};

// Largest and smallest value of a response over the band. The response is
// sampled at gridPoints even steps and every local extreme of the samples is
// refined by golden-section search between its neighbours, so that the zeros
// of an equal-ripple response are found to within 1e-9 rather than to a step.
Extremes FindExtremes(const std::function<double(double frequencyHz)> &response, const Band &band,
                      int gridPoints = 1001);

// The same, with the grid's samples taken in one call of `onGrid` (the
// response at each frequency of the span, into the second): a network
// cascades a whole grid far faster than point by point. `onGrid` must give
// what `response` gives at each frequency.
using GridResponse =
    std::function<void(std::span<const double> frequenciesHz, std::span<double> values)>;
Extremes FindExtremes(const std::function<double(double frequencyHz)> &response, const Band &band,
                      const GridResponse &onGrid, int gridPoints = 1001);

} // namespace tevmar::analysis
