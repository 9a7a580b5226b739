#include "analysis/search/line_candidates.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>

namespace tevmar::analysis {

namespace {

using Complex = std::complex<double>;

constexpr double kDegreesPerRadian = 180 / std::numbers::pi;

// An angle in radians as a line's length in degrees within (0, 180]: a line
// half a wavelength longer transforms the same way.
double HalfTurnDegrees(double radians)
{
    double degrees = std::fmod(radians * kDegreesPerRadian, 180.0);
    if (degrees <= 0)
        degrees += 180;
    return degrees;
}

// What a lossless line of z0, theta long, shows at its input with `load` at
// its far end.
Complex InputImpedance(double z0, double theta, Complex load)
{
    const Complex jt{0, std::tan(theta)};
    return z0 * (load + z0 * jt) / (z0 + load * jt);
}

// A line's Z0 as the board allows it: the fixed one, or within the range.
double Z0Within(const PartRanges &ranges, double ohms)
{
    return ranges.fixedLineZ0Ohms.value_or(
        std::clamp(ohms, ranges.lineLowZ0Ohms, ranges.lineHighZ0Ohms));
}

// The length in degrees of a stub of normalised susceptance b: an open stub
// of Y0 j tan(theta), a shorted one of -j Y0 cot(theta).
double StubDegrees(double b, LineEnd end)
{
    return end == LineEnd::Open ? HalfTurnDegrees(std::atan(b))
                                : HalfTurnDegrees(std::atan(-1 / b));
}

// Where a line of z0 from the load brings the admittance's real part to
// 1 / z0: the line's length (radians) and the normalised susceptance a shunt
// element there must cancel, for both solutions.
struct StubPoint
{
    double theta = 0;
    double susceptance = 0; // normalised, of the line's input
};

std::vector<StubPoint> StubPoints(double z0, Complex load)
{
    std::vector<StubPoint> out;
    const double r = load.real(), x = load.imag();
    if (!(r > 0) || !std::isfinite(r) || !std::isfinite(x) || !(z0 > 0))
        return out;
    // tan(beta d) = (X +- sqrt(R ((Z0 - R)^2 + X^2) / Z0)) / (R - Z0); on a
    // load of R = Z0 one root goes to infinity (a quarter wave, which turns
    // the load into 1 + jX / Z0) and the other is tan(beta d) = -X / (2 Z0).
    const double root = std::sqrt(r * ((z0 - r) * (z0 - r) + x * x) / z0);
    const bool matchedR = std::abs(r - z0) < 1e-9 * z0;
    for (const double sign : {1.0, -1.0}) {
        const double theta = matchedR ? (sign > 0 ? std::numbers::pi / 2 : std::atan(-x / (2 * z0)))
                                      : std::atan((x + sign * root) / (r - z0));
        const Complex y = z0 / InputImpedance(z0, theta, load);
        out.push_back({theta, y.imag()});
    }
    return out;
}

// The real points on a line of z0 from a complex load: the line's length
// (radians) to the impedance's maximum and to its minimum, and the
// resistance there. A real load is its own real point, with no line.
struct RealPoint
{
    std::optional<double> theta; // none for a real load
    double ohms = 0;
};

std::vector<RealPoint> RealPoints(double z0, Complex load)
{
    if (std::abs(load.imag()) <= 1e-9 * load.real())
        return {{std::nullopt, load.real()}};
    const Complex gamma = (load - z0) / (load + z0);
    const double magnitude = std::min(std::abs(gamma), 1 - 1e-9);
    // Gamma e^{-2j theta} is real and positive at theta = arg(Gamma) / 2
    // (the maximum, z0 (1 + |G|) / (1 - |G|)), negative a quarter wave on.
    const double toMax = std::arg(gamma) / 2;
    return {{toMax, z0 * (1 + magnitude) / (1 - magnitude)},
            {toMax + std::numbers::pi / 2, z0 * (1 - magnitude) / (1 + magnitude)}};
}

double Binomial(int n, int k)
{
    double c = 1;
    for (int i = 1; i <= k; ++i)
        c = c * (n - k + i) / i;
    return c;
}

// The sections' impedances from reflection coefficients Gamma_0..Gamma_N of
// the steps, ln(Z_{n+1} / Z_n) = 2 Gamma_n.
std::vector<double> SectionsFromSteps(double fromOhms, const std::vector<double> &steps)
{
    std::vector<double> sections;
    double z = fromOhms;
    for (std::size_t n = 0; n + 1 < steps.size(); ++n) {
        z *= std::exp(2 * steps[n]);
        sections.push_back(z);
    }
    return sections;
}

// A stepped transformer from the source (or a single quarter-wave section)
// with the feed line to the real point, when there is one, at the load's end.
std::vector<Part> Transformer(const std::vector<double> &sections, const RealPoint &point,
                              double feedZ0, double centreHz, const PartRanges &ranges)
{
    std::vector<Part> parts;
    for (const double z : sections)
        parts.push_back(Part::LineOf(LineEnd::Through, Z0Within(ranges, z), 90, centreHz));
    if (point.theta)
        parts.push_back(
            Part::LineOf(LineEnd::Through, feedZ0, HalfTurnDegrees(*point.theta), centreHz));
    return parts;
}

// The double stub: a stub at the source's end, a fixed spacing of line, a
// second stub, and a feed line to the load. For a spacing of t = tan(beta d)
// the admittance at the second stub must have g <= (1 + t^2) / t^2
// (normalised) for the pair to match; the feed line is the shortest that
// brings it inside that, with a margin. The second stub's susceptance from
// b_B = -b + (1 +- sqrt((1 + t^2) g - g^2 t^2)) / t, and the first stub's
// cancels what is left after the spacing.
std::vector<std::vector<Part>> DoubleStubStarts(double z0, Complex load, double centreHz)
{
    std::vector<std::vector<Part>> starts;
    for (const double spacingDegrees : {45.0, 135.0}) {
        const double t = std::tan(spacingDegrees / kDegreesPerRadian);
        const double reach = (1 + t * t) / (t * t);
        std::optional<double> feed;
        Complex y;
        for (int degrees = 1; degrees <= 180 && !feed; ++degrees) {
            y = z0 / InputImpedance(z0, degrees / kDegreesPerRadian, load);
            if (y.real() > 0 && y.real() <= 0.8 * reach)
                feed = degrees;
        }
        if (!feed)
            continue;
        const double g = y.real(), b = y.imag();
        for (const double sign : {1.0, -1.0}) {
            const double bB = -b + (1 + sign * std::sqrt((1 + t * t) * g - g * g * t * t)) / t;
            const Complex after{g, b + bB};
            const Complex jt{0, t};
            const Complex there = (after + jt) / (1.0 + jt * after);
            if (!(std::abs(there.real() - 1) < 1e-6))
                continue;
            const double bA = -there.imag();
            starts.push_back(
                {Part::LineOf(LineEnd::Open, z0, StubDegrees(bA, LineEnd::Open), centreHz),
                 Part::LineOf(LineEnd::Through, z0, spacingDegrees, centreHz),
                 Part::LineOf(LineEnd::Open, z0, StubDegrees(bB, LineEnd::Open), centreHz),
                 Part::LineOf(LineEnd::Through, z0, *feed, centreHz)});
        }
    }
    return starts;
}

// A shunt part (a chip capacitor or inductor on its pad) of normalised
// susceptance b on line of z0.
Part ShuntPart(double b, double z0, double omega)
{
    return Part::WithImmittance(false, b / z0, omega);
}

} // namespace

std::vector<std::pair<double, double>> SingleStubMatches(double z0, Complex load, LineEnd end)
{
    std::vector<std::pair<double, double>> out;
    for (const StubPoint &p : StubPoints(z0, load)) {
        const double b = -p.susceptance; // the stub's, cancelling the line's
        out.emplace_back(HalfTurnDegrees(p.theta), StubDegrees(b, end));
    }
    return out;
}

std::vector<double> BinomialSections(double fromOhms, double toOhms, int sections)
{
    const double half = 0.5 * std::log(toOhms / fromOhms);
    std::vector<double> steps;
    for (int n = 0; n <= sections; ++n)
        steps.push_back(half * Binomial(sections, n) / std::pow(2.0, sections));
    return SectionsFromSteps(fromOhms, steps);
}

std::vector<double> ChebyshevSections(double fromOhms, double toOhms, int sections,
                                      double fractionalBandwidth)
{
    // The band's edges at theta_m and pi - theta_m, with theta = pi / 2 at
    // the centre: theta_m = pi / 2 (1 - bandwidth / 2).
    const double width = std::clamp(fractionalBandwidth, 1e-6, 2 - 1e-6);
    const double sec = 1 / std::cos(std::numbers::pi / 2 * (1 - width / 2));
    // T_N's coefficients of x^k, by T_{n+1} = 2 x T_n - T_{n-1}.
    std::vector<double> previous{1}, current{0, 1};
    for (int n = 1; n < sections; ++n) {
        std::vector<double> next(current.size() + 1, 0.0);
        for (std::size_t k = 0; k < current.size(); ++k)
            next[k + 1] += 2 * current[k];
        for (std::size_t k = 0; k < previous.size(); ++k)
            next[k] -= previous[k];
        previous = std::move(current);
        current = std::move(next);
    }
    double atSec = 0;
    for (std::size_t k = current.size(); k-- > 0;)
        atSec = atSec * sec + current[k];
    const double a = 0.5 * std::log(toOhms / fromOhms) / atSec;
    // cos^k theta = 2^-k sum_j C(k, j) cos((k - 2 j) theta): the term of
    // cos((N - 2 n) theta) is Gamma_n's.
    std::vector<double> steps(static_cast<std::size_t>(sections) + 1, 0.0);
    for (int k = 0; k < static_cast<int>(current.size()); ++k) {
        if (current[static_cast<std::size_t>(k)] == 0 || (sections - k) % 2 != 0)
            continue;
        const double term = current[static_cast<std::size_t>(k)] * std::pow(sec / 2, k);
        for (int j = 0; j <= k; ++j)
            steps[static_cast<std::size_t>((sections - k) / 2 + j)] += a * term * Binomial(k, j);
    }
    return SectionsFromSteps(fromOhms, steps);
}

std::vector<LineFamily> LineFamilies(double sourceOhms, Complex loadOhms, double lowHz,
                                     double highHz, const PartRanges &ranges)
{
    std::vector<LineFamily> families;
    if (!(loadOhms.real() > 0) || !std::isfinite(loadOhms.real()) ||
        !std::isfinite(loadOhms.imag()) || !(sourceOhms > 0) || !(lowHz > 0) || !(highHz > lowHz))
        return families;
    const double centreHz = 0.5 * (lowHz + highHz);
    const double omega = 2 * std::numbers::pi * centreHz;
    // The textbook's lines are of the system's impedance: the source's.
    const double z0 = Z0Within(ranges, sourceOhms);

    // A line to the load and a stub at the source's end, from both
    // single-stub solutions.
    for (const LineEnd end : {LineEnd::Open, LineEnd::Short}) {
        LineFamily family{Topology::Stub, {}};
        for (const auto &[lineDegrees, stubDegrees] : SingleStubMatches(z0, loadOhms, end))
            family.starts.push_back({Part::LineOf(end, z0, stubDegrees, centreHz),
                                     Part::LineOf(LineEnd::Through, z0, lineDegrees, centreHz)});
        families.push_back(std::move(family));
    }

    // Two open stubs an eighth or three eighths of a wavelength apart.
    families.push_back({Topology::DoubleStub, DoubleStubStarts(z0, loadOhms, centreHz)});

    // The quarter-wave transformer, from each real point of a complex load,
    // and stepped transformers of 2 to 4 sections, binomial and Chebyshev.
    const std::vector<RealPoint> points = RealPoints(z0, loadOhms);
    LineFamily quarter{Topology::QuarterWave, {}};
    for (const RealPoint &p : points)
        quarter.starts.push_back(
            Transformer({std::sqrt(sourceOhms * p.ohms)}, p, z0, centreHz, ranges));
    families.push_back(std::move(quarter));
    const double bandwidth = (highHz - lowHz) / centreHz;
    for (int sections = 2; sections <= 4; ++sections) {
        LineFamily stepped{Topology::Stepped, {}};
        for (const RealPoint &p : points) {
            stepped.starts.push_back(Transformer(BinomialSections(sourceOhms, p.ohms, sections), p,
                                                 z0, centreHz, ranges));
            stepped.starts.push_back(
                Transformer(ChebyshevSections(sourceOhms, p.ohms, sections, bandwidth), p, z0,
                            centreHz, ranges));
        }
        families.push_back(std::move(stepped));
    }

    // Lines with chip parts: a shunt capacitor (or inductor) and a feed line
    // to the load, the part where the stub would stand; two capacitors on
    // their pads joined by a line; a capacitor between two lines.
    const std::vector<StubPoint> stubPoints = StubPoints(z0, loadOhms);
    const Part neutralC = ShuntPart(0.2, z0, omega);
    for (const bool capacitor : {true, false}) {
        LineFamily mixed{Topology::Mixed, {}};
        for (const StubPoint &p : stubPoints) {
            // The part that cancels the susceptance where it has the sign
            // this part makes; of the other solution, a part of the line's
            // own admittance.
            const double b =
                (-p.susceptance > 0) == capacitor ? -p.susceptance : (capacitor ? 1 : -1);
            mixed.starts.push_back(
                {ShuntPart(b, z0, omega),
                 Part::LineOf(LineEnd::Through, z0, HalfTurnDegrees(p.theta), centreHz)});
        }
        families.push_back(std::move(mixed));
    }
    LineFamily padsJoined{Topology::Mixed, {}}, between{Topology::Mixed, {}};
    for (const StubPoint &p : stubPoints) {
        const Part feed = Part::LineOf(LineEnd::Through, z0, HalfTurnDegrees(p.theta), centreHz);
        const Part c = -p.susceptance > 0 ? ShuntPart(-p.susceptance, z0, omega) : neutralC;
        padsJoined.starts.push_back({c, feed, neutralC});
        between.starts.push_back({Part::LineOf(LineEnd::Through, z0, 10, centreHz), c, feed});
    }
    // A quarter wave between two small pads: the transformer with its pads'
    // capacitance taken in.
    for (const RealPoint &p : points)
        if (!p.theta)
            padsJoined.starts.push_back(
                {neutralC,
                 Part::LineOf(LineEnd::Through, Z0Within(ranges, std::sqrt(sourceOhms * p.ohms)),
                              90, centreHz),
                 neutralC});
    families.push_back(std::move(padsJoined));
    families.push_back(std::move(between));

    std::erase_if(families, [](const LineFamily &f) { return f.starts.empty(); });
    return families;
}

} // namespace tevmar::analysis
