#include "analysis/two_port.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tevmar::analysis {
namespace {

// A printed value of 0 (a part too small for three decimals) would make a
// series capacitor an open circuit or a shunt inductor a short: both block the
// network completely. The nearly-zero stand-in gives that blocking response in
// finite numbers, where an exact zero would divide by zero.
constexpr double kSmallestElementSi = 1e-30;

// Keeps every logarithm and ratio finite when |S11| reaches 1 or 0 in double
// precision: -3000 dB of power, far below anything a network can show.
constexpr double kSmallestPowerRatio = 1e-300;

// Plain complex product and reciprocal. The sweep spends its time here, and
// std::complex's operators guard every result against NaN at some cost; the
// values here are finite by construction.
Complex Mul(Complex a, Complex b)
{
    return {a.real() * b.real() - a.imag() * b.imag(), a.real() * b.imag() + a.imag() * b.real()};
}

Complex Reciprocal(Complex z)
{
    const double perNorm = 1.0 / (z.real() * z.real() + z.imag() * z.imag());
    return {z.real() * perNorm, -z.imag() * perNorm};
}

// The series impedance or shunt admittance of an element, as the cascade needs it.
Complex ElementImmittance(const LadderElement &element, double omega, const LossModel &losses)
{
    const double lossOmega =
        losses.model == QModel::Constant ? omega : 2.0 * std::numbers::pi * losses.centreHz;
    const double value = std::max(SiValue(element), kSmallestElementSi);
    if (IsInductor(element.kind)) {
        const double r = losses.inductorQ ? lossOmega * value / *losses.inductorQ : 0.0;
        const Complex z{r, omega * value};
        return IsShunt(element.kind) ? Reciprocal(z) : z;
    }
    const double g = losses.capacitorQ ? lossOmega * value / *losses.capacitorQ : 0.0;
    const Complex y{g, omega * value};
    return IsShunt(element.kind) ? y : Reciprocal(y);
}

// The common terms of the port formulas: with P = A z2 + B and Q = C z2 + D the
// input impedance at port 1 is P / Q.
struct PortTerms
{
    Complex p, q, delta;
};

// z1 is the source's impedance, z2 the port-2 resistance or a measured
// load's complex impedance; both are real between plain port resistances.
PortTerms PortTermsOf(const Abcd &m, Complex z1, Complex z2)
{
    const Complex p = m.A * z2 + m.B;
    const Complex q = m.C * z2 + m.D;
    return PortTerms{p, q, p + z1 * q};
}

// 1 - |S11|^2 from the real parts of the source and input impedances rather
// than by subtraction, which keeps its relative precision far outside the
// passband where |S11| is within 1e-12 of 1: with the power-wave reflection
// (Zin - Zs*) / (Zin + Zs), 1 - |S11|^2 = 4 Re Zs Re Zin / |Zin + Zs|^2.
double OneMinusGammaSquared(const PortTerms &t, double sourceResistance)
{
    const double delivered =
        4.0 * sourceResistance * Mul(t.p, std::conj(t.q)).real() / std::norm(t.delta);
    return std::clamp(delivered, kSmallestPowerRatio, 1.0);
}

// Appends one element to the cascade m: a shunt admittance or a series impedance.
void Append(Abcd &m, const LadderElement &element, double omega, const LossModel &losses)
{
    const Complex w = ElementImmittance(element, omega, losses);
    if (IsShunt(element.kind)) {
        m.A += Mul(m.B, w);
        m.C += Mul(m.D, w);
    } else {
        m.B += Mul(m.A, w);
        m.D += Mul(m.C, w);
    }
}

Abcd Cascade(const Ladder &ladder, double frequencyHz, const LossModel &losses, bool withLoad)
{
    const double omega = 2.0 * std::numbers::pi * frequencyHz;
    const LoadReactance *load = withLoad && ladder.load ? &*ladder.load : nullptr;
    const LossModel ideal;
    Abcd m;
    if (load && load->port() == 1)
        Append(m, load->element, omega, ideal);
    for (const LadderElement &element : ladder.elements)
        Append(m, element, omega, losses);
    if (load && load->port() == 2)
        Append(m, load->element, omega, ideal);
    return m;
}

// A ladder with a measured load as the source sees it: the parts in order
// from the source's port to the load's, the source's impedance (its port
// resistance, or a measured source's data) and the load's at the frequency.
// A ladder of series and shunt parts read from its other end is the same
// parts in reverse order.
struct SourceView
{
    Abcd m;
    Complex sourceOhms;
    Complex loadOhms;
    PortTerms t; // with the source as port 1 and the load as port 2
};

SourceView SourceViewOf(const Ladder &ladder, double frequencyHz, const LossModel &losses)
{
    const MeasuredLoad &load = *ladder.measured;
    const double omega = 2.0 * std::numbers::pi * frequencyHz;
    SourceView view;
    if (load.port == 2) {
        for (const LadderElement &element : ladder.elements)
            Append(view.m, element, omega, losses);
    } else {
        for (auto element = ladder.elements.rbegin(); element != ladder.elements.rend(); ++element)
            Append(view.m, *element, omega, losses);
    }
    view.sourceOhms = load.source ? load.source->ImpedanceAt(frequencyHz)
                                  : Complex{load.port == 2 ? ladder.port1Ohms : ladder.port2Ohms};
    view.loadOhms = load.ImpedanceAt(frequencyHz);
    view.t = PortTermsOf(view.m, view.sourceOhms, view.loadOhms);
    return view;
}

// S11 the power-wave reflection at the source, (Zin - Zs*) / (Zin + Zs),
// which is S11 referred to the source resistance when the source is one; S21
// = S12 the transducer gain's amplitude 2 sqrt(Re Zs Re ZL) / (A ZL + B + Zs
// (C ZL + D)), whose square is the power reaching the load over the source's
// available power; S22 the power-wave reflection at the load, (Zout - ZL*) /
// (Zout + ZL) with Zout = (D Zs + B) / (C Zs + A).
SParameters MeasuredSParameters(const SourceView &v)
{
    const Abcd &m = v.m;
    const PortTerms &t = v.t;
    const Complex zs = v.sourceOhms;
    const Complex perDelta = Reciprocal(t.delta);
    const double resistances = std::max(zs.real(), 0.0) * std::max(v.loadOhms.real(), 0.0);
    const Complex s21 = 2.0 * std::sqrt(resistances) * perDelta;
    return SParameters{
        Mul(t.p - std::conj(zs) * t.q, perDelta),
        s21,
        s21,
        Mul(m.D * zs + m.B - std::conj(v.loadOhms) * (m.C * zs + m.A), perDelta),
    };
}

// The figures of one frequency from its S-parameters and port terms.
SweepPoint PointOf(double frequencyHz, const SParameters &s, const PortTerms &t, double z1)
{
    SweepPoint point;
    point.frequencyHz = frequencyHz;
    point.s = s;
    const double gamma = std::min(std::sqrt(std::norm(point.s.s11)), 1.0);
    const double oneMinusGammaSq = OneMinusGammaSquared(t, z1);
    point.s11Db = 20.0 * std::log10(std::max(gamma, std::sqrt(kSmallestPowerRatio)));
    point.returnLossDb = -point.s11Db;
    point.vswr = (1.0 + gamma) * (1.0 + gamma) / oneMinusGammaSq;
    point.mismatchLossDb = -10.0 * std::log10(oneMinusGammaSq);
    point.insertionLossDb =
        -10.0 * std::log10(std::max(std::norm(point.s.s21), kSmallestPowerRatio));
    point.s21PhaseDeg = std::arg(point.s.s21) * 180.0 / std::numbers::pi;
    return point;
}

} // namespace

Abcd LadderAbcd(const Ladder &ladder, double frequencyHz, const LossModel &losses)
{
    return Cascade(ladder, frequencyHz, losses, false);
}

Abcd LoadedAbcd(const Ladder &ladder, double frequencyHz, const LossModel &losses)
{
    return Cascade(ladder, frequencyHz, losses, true);
}

SParameters SParametersOf(const Abcd &m, double z1, double z2)
{
    const PortTerms t = PortTermsOf(m, z1, z2);
    const Complex perDelta = Reciprocal(t.delta);
    const Complex s21 = 2.0 * std::sqrt(z1 * z2) * perDelta;
    return SParameters{
        Mul(t.p - z1 * t.q, perDelta),
        s21,
        Mul(s21, Mul(m.A, m.D) - Mul(m.B, m.C)),
        Mul(-m.A * z2 + m.B - m.C * (z1 * z2) + m.D * z1, perDelta),
    };
}

double VswrOf(double gamma)
{
    const double g = std::clamp(gamma, 0.0, 1.0);
    return (1.0 + g) * (1.0 + g) / std::max(1.0 - g * g, kSmallestPowerRatio);
}

double MismatchLossDbOf(double gamma)
{
    const double g = std::clamp(gamma, 0.0, 1.0);
    return -10.0 * std::log10(std::max(1.0 - g * g, kSmallestPowerRatio));
}

SweepPoint Evaluate(const Ladder &ladder, double frequencyHz, const LossModel &losses)
{
    if (ladder.measured) {
        const SourceView v = SourceViewOf(ladder, frequencyHz, losses);
        return PointOf(frequencyHz, MeasuredSParameters(v), v.t, v.sourceOhms.real());
    }
    const double z1 = ladder.port1Ohms;
    const double z2 = ladder.port2Ohms;
    const Abcd m = LoadedAbcd(ladder, frequencyHz, losses);
    const PortTerms t = PortTermsOf(m, z1, z2);
    return PointOf(frequencyHz, SParametersOf(m, z1, z2), t, z1);
}

double ReflectionMagnitude(const Ladder &ladder, double frequencyHz, const LossModel &losses)
{
    if (ladder.measured) {
        const SourceView v = SourceViewOf(ladder, frequencyHz, losses);
        const double reflected =
            std::norm(v.t.p - std::conj(v.sourceOhms) * v.t.q) / std::norm(v.t.delta);
        return std::min(std::sqrt(reflected), 1.0);
    }
    const Abcd m = LoadedAbcd(ladder, frequencyHz, losses);
    const PortTerms t = PortTermsOf(m, ladder.port1Ohms, ladder.port2Ohms);
    const double reflected = std::norm(t.p - ladder.port1Ohms * t.q) / std::norm(t.delta);
    return std::min(std::sqrt(reflected), 1.0);
}

double GroupDelaySeconds(const Ladder &ladder, double frequencyHz, const LossModel &losses)
{
    const double step = frequencyHz * 1e-6;
    const auto s21 = [&](double f) {
        if (ladder.measured)
            return MeasuredSParameters(SourceViewOf(ladder, f, losses)).s21;
        const Abcd m = LoadedAbcd(ladder, f, losses);
        return SParametersOf(m, ladder.port1Ohms, ladder.port2Ohms).s21;
    };
    // The phase change over the step, unwrapped by taking it from the ratio.
    const double dPhase = std::arg(s21(frequencyHz + step) / s21(frequencyHz - step));
    return -dPhase / (2.0 * std::numbers::pi * 2.0 * step);
}

} // namespace tevmar::analysis
