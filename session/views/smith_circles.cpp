#include "session/views/smith_circles.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tevmar::session {

std::optional<double> BandQ(double lowHz, double highHz, double centreHz)
{
    const double width = highHz - lowHz;
    if (!(width > 0) || !(centreHz > 0) || !std::isfinite(width) || !std::isfinite(centreHz))
        return std::nullopt;
    return centreHz / width;
}

QContour ConstantQContour(double q, int samples)
{
    QContour contour;
    contour.q = q;
    samples = std::max(samples, 2);
    // Where X = q R on the chart: the arc through the short and the open of
    // the circle about (0, -1/q) of radius sqrt(1 + 1/q^2), sampled evenly
    // by angle so that a high Q's arc near the rim is as smooth as a low
    // one's; the capacitive arc is its mirror in the real axis.
    const double radius = std::sqrt(1 + 1 / (q * q));
    const double edge = std::atan(1 / q); // the open's angle about the centre
    contour.inductive.push_back({-1, 0});
    for (int k = 1; k < samples; ++k) {
        const double angle = std::numbers::pi - edge - (std::numbers::pi - 2 * edge) * k / samples;
        contour.inductive.push_back(Complex(0, -1 / q) + std::polar(radius, angle));
    }
    contour.inductive.push_back({1, 0});
    for (const Complex gamma : contour.inductive)
        contour.capacitive.push_back(std::conj(gamma));
    return contour;
}

Complex GridAxisCrossing(double value, bool admittance)
{
    const Complex gamma = ReflectionOf({value, 0}, 1);
    return admittance ? -gamma : gamma;
}

std::vector<GridLine> SmithGridLines(bool admittance, int samples)
{
    samples = std::max(samples, 2);
    using Kind = GridLine::Kind;
    std::vector<GridLine> lines;
    const auto trace = [&](Kind kind, double value, auto z) {
        GridLine line{kind, value, {}};
        for (int k = 0; k <= samples; ++k) {
            const Complex gamma = ReflectionOf(z(static_cast<double>(k) / samples), 1);
            line.gamma.push_back(admittance ? -gamma : gamma);
        }
        lines.push_back(std::move(line));
    };
    // A circle: the reactance from -inf to +inf through a tangent; an arc:
    // the resistance from 0 to +inf.
    constexpr double kHalfPi = std::numbers::pi / 2;
    for (const double r : kSmithGridValues)
        trace(admittance ? Kind::Conductance : Kind::Resistance, r,
              [r](double t) { return Complex(r, std::tan((2 * t - 1) * kHalfPi * 0.9995)); });
    for (const double x : kSmithGridValues)
        for (const double sign : {1.0, -1.0})
            trace(admittance ? Kind::Susceptance : Kind::Reactance, sign * x, [x, sign](double t) {
                return Complex(std::tan(t * kHalfPi * 0.9995), sign * x);
            });
    // Turned half a turn, the point drawn for r + jx is the impedance whose
    // normalised admittance is r + jx: a positive susceptance (a capacitive
    // load) lands in the lower half, where capacitive impedances lie.
    return lines;
}

namespace {

analysis::DevicePoint FiguresAt(const DeviceOutcome &device, double hz,
                                const analysis::DeviceLevels &levels)
{
    return analysis::DeviceFiguresAt(hz, analysis::DeviceScatteringAt(device.data, hz),
                                     analysis::NoiseAt(device.data.noise, hz),
                                     device.data.referenceOhms, levels);
}

} // namespace

analysis::DevicePoint DeviceFiguresBetween(const DeviceOutcome &device, double frequencyHz,
                                           const analysis::DeviceLevels &levels)
{
    if (device.points.empty())
        return FiguresAt(device, frequencyHz, levels);
    const double low = device.points.front().frequencyHz;
    const double high = device.points.back().frequencyHz;
    return FiguresAt(device, std::clamp(frequencyHz, low, high), levels);
}

std::vector<analysis::DevicePoint> DeviceFamily(const DeviceOutcome &device, int count,
                                                const analysis::DeviceLevels &levels)
{
    std::vector<analysis::DevicePoint> family;
    if (device.points.empty() || count < 1)
        return family;
    const double low = device.points.front().frequencyHz;
    const double high = device.points.back().frequencyHz;
    const int n = high > low ? count : 1;
    for (int k = 0; k < n; ++k) {
        // The last exactly the band's top, not a rounding short of it.
        const double hz = k == 0 ? low : k + 1 == n ? high : low + (high - low) * k / (n - 1);
        family.push_back(FiguresAt(device, hz, levels));
    }
    return family;
}

DeviceSweep DeviceFiguresDense(const DeviceOutcome &device, int steps)
{
    DeviceSweep sweep;
    const std::vector<analysis::DevicePoint> &data = device.points;
    if (data.empty())
        return sweep;
    const double step = (data.back().frequencyHz - data.front().frequencyHz) / std::max(steps, 1);
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0 && step > 0) {
            const double from = data[i - 1].frequencyHz, to = data[i].frequencyHz;
            const int between = static_cast<int>(std::ceil((to - from) / step - 1e-6)) - 1;
            for (int k = 1; k <= between; ++k) {
                sweep.points.push_back(
                    FiguresAt(device, from + (to - from) * k / (between + 1), {}));
                sweep.measured.push_back(false);
            }
        }
        sweep.points.push_back(data[i]);
        sweep.measured.push_back(true);
    }
    return sweep;
}

analysis::DeviceLevels FamilyLevels(const DeviceOutcome &device)
{
    analysis::DeviceLevels levels;
    std::optional<double> leastBest, mostNfMin;
    for (const analysis::DevicePoint &p : device.points) {
        if (const std::optional<double> best = p.magDb ? p.magDb : p.msgDb)
            leastBest = leastBest ? std::min(*leastBest, *best) : *best;
        if (p.noise)
            mostNfMin = mostNfMin ? std::max(*mostNfMin, p.noise->nfMinDb) : p.noise->nfMinDb;
    }
    if (leastBest)
        levels.gainDb.push_back(std::floor(*leastBest) - 1);
    if (mostNfMin)
        levels.noiseDb.push_back(std::ceil((*mostNfMin + 0.5) * 10 - 1e-9) / 10);
    return levels;
}

} // namespace tevmar::session
