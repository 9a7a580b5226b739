#include "analysis/figures/impedance_path.h"

#include "analysis/model/termination.h"

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

namespace tevmar::analysis {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

bool Open(Complex z)
{
    return !std::isfinite(z.real()) || !std::isfinite(z.imag());
}

Complex AdmittanceOf(Complex z)
{
    if (Open(z))
        return {0, 0};
    if (z == Complex{0, 0})
        return {kInfinity, 0};
    return 1.0 / z;
}

Complex ImpedanceOfAdmittance(Complex y)
{
    return AdmittanceOf(y); // the same reciprocal, with an open and a short swapped
}

Complex Reflection(Complex z, double referenceOhms)
{
    if (Open(z))
        return {1, 0};
    return (z - referenceOhms) / (z + referenceOhms);
}

// What a section makes of the impedance z behind it when grown to the
// fraction t of itself: a lumped part's (or a stub's) immittance scaled by
// t, a through line's length scaled by t.
using Growth = std::function<Complex(double t)>;

Growth GrowthOf(const Part &part, Complex z, bool loadAtPort2, double omega)
{
    // A two-port of its own in the signal path (a length of line): its
    // length grows. Its section is not one added impedance.
    if (!part.shunt() && !part.immittanceSection())
        return [part, z, loadAtPort2, omega](double t) {
            return ImpedanceThrough(part.WithValue(t * part.value).SectionAt(omega), z,
                                    loadAtPort2);
        };
    // A shunt section [1 0; Y 1] adds its admittance Y, a series one
    // [1 Z; 0 1] its impedance Z, whichever end the load is at.
    const Abcd section = part.SectionAt(omega);
    if (part.shunt()) {
        const Complex y = AdmittanceOf(z), added = section.C;
        return [y, added](double t) { return ImpedanceOfAdmittance(y + t * added); };
    }
    const Complex added = section.B;
    return [z, added](double t) { return Open(z) ? z : z + t * added; };
}

// The locus of a growth from t = 0 to 1, the steps halved where the
// reflection moves by more than `step` between samples.
void Sample(const Growth &grow, double referenceOhms, std::vector<Complex> &out)
{
    constexpr int kStart = 16;
    constexpr int kDeepest = 10; // at most 16 * 1024 steps
    constexpr double kStep = 0.01;
    const std::function<void(double, Complex, double, Complex, int)> between =
        [&](double ta, Complex za, double tb, Complex zb, int depth) {
            if (depth < kDeepest &&
                std::abs(Reflection(za, referenceOhms) - Reflection(zb, referenceOhms)) > kStep) {
                const double tm = 0.5 * (ta + tb);
                const Complex zm = grow(tm);
                between(ta, za, tm, zm, depth + 1);
                between(tm, zm, tb, zb, depth + 1);
                return;
            }
            out.push_back(zb);
        };
    Complex previous = grow(0);
    if (out.empty())
        out.push_back(previous);
    for (int k = 1; k <= kStart; ++k) {
        const double t = static_cast<double>(k) / kStart;
        const Complex z = grow(t);
        between(static_cast<double>(k - 1) / kStart, previous, t, z, 0);
        previous = z;
    }
}

} // namespace

Complex ImpedanceThrough(const Abcd &m, Complex z, bool loadAtPort2)
{
    if (Open(z))
        return loadAtPort2 ? m.A / m.C : m.D / m.C;
    return loadAtPort2 ? (m.A * z + m.B) / (m.C * z + m.D) : (m.D * z + m.B) / (m.C * z + m.A);
}

ImpedancePath ImpedancePathFrom(const Network &ladder, Complex loadOhms, bool loadAtPort2,
                                double frequencyHz, double referenceOhms)
{
    ImpedancePath path;
    path.frequencyHz = frequencyHz;
    path.points.push_back({std::nullopt, loadOhms});
    if (ladder.parts.empty())
        return path;
    const double omega = 2 * std::numbers::pi * frequencyHz;
    Complex z = loadOhms;
    const auto grow = [&](const Part &section, std::vector<Complex> &samples) {
        Sample(GrowthOf(section, z, loadAtPort2, omega), referenceOhms, samples);
        z = samples.back();
    };
    // The sections as the cascade has them (ForEachSection), walked from
    // the load: the pad at the load's node opens the first part's arc, the
    // pad at the node a series part reaches closes that part's.
    const bool pads = ladder.padPf > 0;
    const Part pad = ladder.Pad();
    std::vector<Complex> opening{loadOhms};
    if (pads)
        grow(pad, opening);
    const std::size_t count = ladder.parts.size();
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t index = loadAtPort2 ? count - 1 - k : k;
        const Part &part = ladder.parts[index];
        PathArc arc{index, k == 0 ? std::move(opening) : std::vector<Complex>{}};
        grow(part, arc.z);
        if (pads && !part.shunt())
            grow(pad, arc.z);
        path.points.push_back({index, z});
        path.arcs.push_back(std::move(arc));
    }
    return path;
}

ImpedancePath ImpedancePathOf(const Network &network, double frequencyHz, double referenceOhms)
{
    const int loadPort = LoadPortOf(network);
    const bool atPort2 = loadPort == 2;
    if (referenceOhms <= 0)
        referenceOhms = atPort2 ? network.port2Ohms : network.port1Ohms;
    return ImpedancePathFrom(network, LoadTerminationOf(network).ImpedanceAt(frequencyHz), atPort2,
                             frequencyHz, referenceOhms);
}

} // namespace tevmar::analysis
