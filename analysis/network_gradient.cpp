#include "analysis/network_gradient.h"

#include "analysis/two_port.h"

#include <algorithm>
#include <cassert>
#include <complex>
#include <functional>
#include <numbers>
#include <vector>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

// Plain complex product: the values are finite by construction, and the
// guarded library product costs more than the rest of the pass.
Complex Mul(Complex a, Complex b)
{
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

Complex Reciprocal(Complex z)
{
    const double perNorm = 1.0 / (z.real() * z.real() + z.imag() * z.imag());
    return {z.real() * perNorm, -z.imag() * perNorm};
}

// z times the imaginary number j b.
Complex MulJ(Complex z, double b)
{
    return {-z.imag() * b, z.real() * b};
}

// The same stand-in for a zero value the response uses: a blocking part in
// finite numbers.
constexpr double kSmallestElementSi = 1e-30;

// Series impedance or shunt admittance; both are imaginary for ideal parts.
// An inductor's jwL and a shunt capacitor's jwC grow with the value (their
// log-derivative is +1 times themselves), a series capacitor's 1/(jwC) and a
// shunt inductor's 1/(jwL) shrink with it (-1 times themselves).
double ImmittanceImag(const Part &element, double omega)
{
    const double value = std::max(element.si(), kSmallestElementSi);
    return element.immittanceGrowsWithValue() ? omega * value : -1.0 / (omega * value);
}

// A row vector [r0 r1] times one section, and one section times a column [c0 c1]:
// a series section is [[1 Z] [0 1]], a shunt section [[1 0] [Y 1]].
struct Pair
{
    Complex first, second;
};

// The sections of the cascade from the source and the two terminations at
// one frequency: the source's impedance z1 and the load's z2.
struct Sections
{
    const std::vector<const Part *> &sections;
    const std::vector<std::size_t> &partOf;
    Complex z1, z2;
    bool lossless = true; // every section an ideal part
};

constexpr std::size_t kNoPart = static_cast<std::size_t>(-1);

Sections Collect(const Network &ladder, double frequencyHz, const Part &pad)
{

    // The sections in cascade order from the source, and for each its part's
    // index in ladder.parts (none for the load's reactance). Into the
    // model: port 1 to port 2, a shunt load's reactance ahead of the parts at
    // port 1, a series load's after them at port 2. Into a measured load: from
    // the source's port to the load's, the data taking the place of the
    // port's resistance and reactance.
    thread_local std::vector<const Part *> sections;
    thread_local std::vector<std::size_t> partOf;
    sections.clear();
    partOf.clear();
    Complex z1 = ladder.port1Ohms;
    Complex z2 = ladder.port2Ohms;
    // The pads stand between the parts as sections of their own, with no
    // entry in the gradient.
    const auto add = [&](const Part &section) {
        const Part *first = ladder.parts.data();
        const bool own = std::less_equal<const Part *>{}(first, &section) &&
                         std::less<const Part *>{}(&section, first + ladder.parts.size());
        sections.push_back(own ? &section : &pad);
        partOf.push_back(own ? static_cast<std::size_t>(&section - first) : kNoPart);
    };
    if (const MeasuredLoad *measured = ladder.measured.get()) {
        ForEachSection(ladder, measured->port != 2, add);
        z1 = measured->source ? measured->source->ImpedanceAt(frequencyHz)
                              : Complex{measured->port == 2 ? ladder.port1Ohms : ladder.port2Ohms};
        z2 = measured->ImpedanceAt(frequencyHz);
    } else if (SourceAtPort2(ladder)) {
        // The source drives port 2 of a shunt load's network: from there,
        // the parts, then the load's reactance across port 1's resistance.
        ForEachSection(ladder, true, add);
        sections.push_back(&ladder.load->element);
        partOf.push_back(kNoPart);
        z1 = ladder.port2Ohms;
        z2 = ladder.port1Ohms;
    } else {
        const LoadReactance *load = ladder.load ? &*ladder.load : nullptr;
        if (load && load->port() == 1) {
            sections.push_back(&load->element);
            partOf.push_back(kNoPart);
        }
        ForEachSection(ladder, false, add);
        if (load && load->port() == 2) {
            sections.push_back(&load->element);
            partOf.push_back(kNoPart);
        }
    }
    bool lossless = true;
    for (const Part *section : sections)
        lossless = lossless && section->lossless();
    return Sections{sections, partOf, z1, z2, lossless};
}

enum class Objective {
    Reflected, // |S11|^2, the power-wave reflection at the source squared
    Lost       // 1 - G_T, the share of the available power that misses the load
};

// The same pass for parts with loss or parasitics: every section's
// immittance and its log-derivative are complex. Lost power: G_T = 4 Re z1
// Re z2 / |D|^2, so d(1 - G_T) = 2 G_T Re(dD / D).
double LossyPass(const Sections &c, double omega, Objective objective, std::span<double> byLogValue)
{
    const std::size_t n = c.sections.size();
    thread_local std::vector<Pair> aheadN, aheadD;
    thread_local std::vector<Complex> immittance;
    aheadN.resize(n + 1);
    aheadD.resize(n + 1);
    immittance.resize(n);
    aheadN[0] = {1.0, -std::conj(c.z1)};
    aheadD[0] = {1.0, c.z1};
    for (std::size_t i = 0; i < n; ++i) {
        const Complex w = c.sections[i]->ImmittanceAt(omega);
        immittance[i] = w;
        const bool shunt = c.sections[i]->shunt();
        for (auto *row : {&aheadN, &aheadD}) {
            const Pair r = (*row)[i];
            (*row)[i + 1] = shunt ? Pair{r.first + Mul(r.second, w), r.second}
                                  : Pair{r.first, Mul(r.first, w) + r.second};
        }
    }
    const Complex numerator = aheadN[n].first * c.z2 + aheadN[n].second;
    const Complex denominator = aheadD[n].first * c.z2 + aheadD[n].second;
    const Complex perDenominator = Reciprocal(denominator);
    const Complex gamma = Mul(numerator, perDenominator);
    const double delivered = std::clamp(4.0 * std::max(c.z1.real(), 0.0) *
                                            std::max(c.z2.real(), 0.0) * std::norm(perDenominator),
                                        0.0, 1.0);
    const double value = objective == Objective::Reflected ? std::norm(gamma) : 1.0 - delivered;
    if (byLogValue.empty())
        return value;

    Pair behind{c.z2, Complex{1.0, 0.0}};
    const Complex weight = Mul(std::conj(gamma), perDenominator);
    for (std::size_t k = n; k-- > 0;) {
        const Complex w = immittance[k];
        const Part &part = *c.sections[k];
        const bool shunt = part.shunt();
        if (c.partOf[k] != kNoPart) {
            const Complex dw = part.ImmittanceByLogValueAt(omega);
            const Complex column = shunt ? behind.first : behind.second;
            const Complex rowN = shunt ? aheadN[k].second : aheadN[k].first;
            const Complex rowD = shunt ? aheadD[k].second : aheadD[k].first;
            const Complex dD = Mul(Mul(rowD, column), dw);
            byLogValue[c.partOf[k]] =
                objective == Objective::Reflected
                    ? 2.0 * Mul(weight, Mul(Mul(rowN, column), dw) - Mul(gamma, dD)).real()
                    : 2.0 * delivered * Mul(dD, perDenominator).real();
        }
        behind = shunt ? Pair{behind.first, Mul(behind.first, w) + behind.second}
                       : Pair{behind.first + Mul(behind.second, w), behind.second};
    }
    return value;
}

} // namespace

double ReflectedPower(const Network &ladder, double frequencyHz, std::span<double> byLogValue)
{
    const double omega = 2.0 * std::numbers::pi * frequencyHz;
    assert(byLogValue.empty() || byLogValue.size() == ladder.parts.size());
    const Part pad = ladder.Pad();
    const Sections collected = Collect(ladder, frequencyHz, pad);
    if (!collected.lossless)
        return LossyPass(collected, omega, Objective::Reflected, byLogValue);
    const std::vector<const Part *> &sections = collected.sections;
    const std::vector<std::size_t> &partOf = collected.partOf;
    const Complex z1 = collected.z1;
    const Complex z2 = collected.z2;
    const std::size_t n = sections.size();

    // S11 = N / D with N = [1 -z1*] M [z2 1]^T and D = [1 z1] M [z2 1]^T, M the
    // product of the sections: the power-wave reflection at a complex source
    // z1, the plain one at a resistive source. Forward: the two row vectors ahead of each
    // section; backward: the column vector behind it. The derivative of N with
    // respect to section i is the row ahead times dSection times the column behind.
    thread_local std::vector<Pair> aheadN, aheadD;
    thread_local std::vector<double> immittance;
    aheadN.resize(n + 1);
    aheadD.resize(n + 1);
    immittance.resize(n);
    aheadN[0] = {1.0, -std::conj(z1)};
    aheadD[0] = {1.0, z1};
    for (std::size_t i = 0; i < n; ++i) {
        const double b = ImmittanceImag(*sections[i], omega);
        immittance[i] = b;
        const bool shunt = sections[i]->shunt();
        for (auto *row : {&aheadN, &aheadD}) {
            const Pair r = (*row)[i];
            (*row)[i + 1] = shunt ? Pair{r.first + MulJ(r.second, b), r.second}
                                  : Pair{r.first, MulJ(r.first, b) + r.second};
        }
    }
    const Complex numerator = aheadN[n].first * z2 + aheadN[n].second;
    const Complex denominator = aheadD[n].first * z2 + aheadD[n].second;
    const Complex perDenominator = Reciprocal(denominator);
    const Complex gamma = Mul(numerator, perDenominator);
    const double power = std::norm(gamma);
    if (byLogValue.empty())
        return power;

    Pair behind{z2, Complex{1.0, 0.0}};
    // d|S11|^2 = 2 Re(conj(S11) dS11) with dS11 = (dN - S11 dD) / D.
    const Complex weight = Mul(std::conj(gamma), perDenominator);
    for (std::size_t k = n; k-- > 0;) {
        const double b = immittance[k];
        const Part &part = *sections[k];
        const bool shunt = part.shunt();
        if (partOf[k] != kNoPart) {
            const double db = part.immittanceGrowsWithValue() ? b : -b;
            // Series: [r0 r1] [[0 1] [0 0]] [c0 c1]^T = r0 c1; shunt: r1 c0.
            const Complex column = shunt ? behind.first : behind.second;
            const Complex rowN = shunt ? aheadN[k].second : aheadN[k].first;
            const Complex rowD = shunt ? aheadD[k].second : aheadD[k].first;
            const Complex dGammaTimesD = MulJ(Mul(rowN - Mul(gamma, rowD), column), db);
            byLogValue[partOf[k]] = 2.0 * Mul(weight, dGammaTimesD).real();
        }
        behind = shunt ? Pair{behind.first, MulJ(behind.first, b) + behind.second}
                       : Pair{behind.first + MulJ(behind.second, b), behind.second};
    }
    return power;
}

double LostPower(const Network &ladder, double frequencyHz, std::span<double> byLogValue)
{
    assert(byLogValue.empty() || byLogValue.size() == ladder.parts.size());
    // Ideal parts (and pads) lose nothing: the power lost is the power
    // reflected, computed as the ideal pass computes it.
    if (AllPartsIdeal(ladder))
        return ReflectedPower(ladder, frequencyHz, byLogValue);
    const Part pad = ladder.Pad();
    const Sections collected = Collect(ladder, frequencyHz, pad);
    return LossyPass(collected, 2.0 * std::numbers::pi * frequencyHz, Objective::Lost, byLogValue);
}

} // namespace tevmar::analysis
