#include "analysis/model/two_port.h"

#include "analysis/model/termination.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tevmar::analysis {
namespace {

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

Abcd Times(const Abcd &x, const Abcd &y)
{
    return {Mul(x.A, y.A) + Mul(x.B, y.C), Mul(x.A, y.B) + Mul(x.B, y.D),
            Mul(x.C, y.A) + Mul(x.D, y.C), Mul(x.C, y.B) + Mul(x.D, y.D)};
}

Complex Reciprocal(Complex z)
{
    const double perNorm = 1.0 / (z.real() * z.real() + z.imag() * z.imag());
    return {z.real() * perNorm, -z.imag() * perNorm};
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

// Appends one part to the cascade m: a shunt admittance or a series
// impedance. A lossless part's immittance is j b, and the product with it
// takes two multiplications where a full complex product takes four.
void Append(Abcd &m, const Part &part, double omega)
{
    if (!part.immittanceSection()) { // a two-port section of its own
        m = Times(m, part.SectionAt(omega));
        return;
    }
    const Complex w = part.ImmittanceAt(omega);
    if (part.lossless()) {
        const double b = w.imag();
        if (part.shunt()) {
            m.A = {m.A.real() - m.B.imag() * b, m.A.imag() + m.B.real() * b};
            m.C = {m.C.real() - m.D.imag() * b, m.C.imag() + m.D.real() * b};
        } else {
            m.B = {m.B.real() - m.A.imag() * b, m.B.imag() + m.A.real() * b};
            m.D = {m.D.real() - m.C.imag() * b, m.D.imag() + m.C.real() * b};
        }
        return;
    }
    if (part.shunt()) {
        m.A += Mul(m.B, w);
        m.C += Mul(m.D, w);
    } else {
        m.B += Mul(m.A, w);
        m.D += Mul(m.C, w);
    }
}

Abcd Cascade(const Network &network, double frequencyHz, bool withLoad)
{
    const double omega = 2.0 * std::numbers::pi * frequencyHz;
    const LoadReactance *load = withLoad && network.load ? &*network.load : nullptr;
    Abcd m;
    if (load && load->port() == 1)
        Append(m, load->element, omega);
    ForEachSection(network, false, [&](const Part &part) { Append(m, part, omega); });
    if (load && load->port() == 2)
        Append(m, load->element, omega);
    return m;
}

// A network with a measured load as the source sees it: the parts in order
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

// The source's and the measured load's impedances at one frequency.
Complex SourceOhmsAt(const Network &network, double frequencyHz)
{
    return SourceTerminationOf(network).ImpedanceAt(frequencyHz);
}

// The cascade as the response reads it: the parts with the absorbed load's
// reactance between the port resistances, or, into a measured load, the
// parts alone in order from the source's port.
Abcd ResponseCascade(const Network &network, double frequencyHz)
{
    if (!network.measured)
        return Cascade(network, frequencyHz, true);
    const double omega = 2.0 * std::numbers::pi * frequencyHz;
    Abcd m;
    ForEachSection(network, network.measured->port != 2,
                   [&](const Part &part) { Append(m, part, omega); });
    return m;
}

SourceView SourceViewOf(const Network &network, double frequencyHz, const Abcd &m)
{
    SourceView view;
    view.m = m;
    view.sourceOhms = SourceOhmsAt(network, frequencyHz);
    view.loadOhms = LoadTerminationOf(network).ImpedanceAt(frequencyHz);
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
    point.insertionLossDb = InsertionLossDbOf(point.s.s21);
    point.s21PhaseDeg = std::arg(point.s.s21) * 180.0 / std::numbers::pi;
    return point;
}

// The figures of one frequency from the response's cascade there.
SweepPoint PointFrom(const Network &network, double frequencyHz, const Abcd &m);

// |S11| of one frequency from the response's cascade there.
double ReflectionFrom(const Network &network, double frequencyHz, const Abcd &m);

} // namespace

bool SourceAtPort2(const Network &network)
{
    return !network.measured && network.load && network.load->port() == 1 && !IdealAsDrawn(network);
}

namespace {

double ReflectionFrom(const Network &network, double frequencyHz, const Abcd &m)
{
    if (network.measured) {
        const SourceView v = SourceViewOf(network, frequencyHz, m);
        const double reflected =
            std::norm(v.t.p - std::conj(v.sourceOhms) * v.t.q) / std::norm(v.t.delta);
        return std::min(std::sqrt(reflected), 1.0);
    }
    const PortTerms t = PortTermsOf(m, network.port1Ohms, network.port2Ohms);
    if (SourceAtPort2(network)) {
        const SParameters s = SParametersOf(m, network.port1Ohms, network.port2Ohms);
        return std::min(std::abs(s.s22), 1.0);
    }
    const double reflected = std::norm(t.p - network.port1Ohms * t.q) / std::norm(t.delta);
    return std::min(std::sqrt(reflected), 1.0);
}

// S21 of one frequency from the response's cascade there.
Complex S21From(const Network &network, double frequencyHz, const Abcd &m)
{
    if (network.measured)
        return MeasuredSParameters(SourceViewOf(network, frequencyHz, m)).s21;
    return SParametersOf(m, network.port1Ohms, network.port2Ohms).s21;
}

// The group delay from S21 a step above and below the frequency: the phase
// change over the step, unwrapped by taking it from the ratio.
double GroupDelayFrom(Complex s21Above, Complex s21Below, double step)
{
    const double dPhase = std::arg(s21Above / s21Below);
    return -dPhase / (2.0 * std::numbers::pi * 2.0 * step);
}

// The cascade over a grid, one array per real and imaginary part of each
// ABCD entry, so that a part is appended to every frequency in one loop the
// compiler vectorises. Kept per thread and reused: a tolerance run cascades
// thousands of networks on one grid without allocating.
class GridCascade
{
  public:
    // Cascades the response's parts (as ResponseCascade orders them) at
    // every frequency: block by block of the grid, every part in turn, so
    // that a block's arrays stay in the processor's nearest cache.
    void Run(const Network &network, std::span<const double> frequenciesHz)
    {
        Resize(frequenciesHz.size());
        for (std::size_t k = 0; k < n_; ++k)
            omega_[k] = 2.0 * std::numbers::pi * frequenciesHz[k];
        // The sections in cascade order, pads included: copies, since a pad
        // is made as the ladder is walked.
        order_.clear();
        const auto append = [this](const Part &part) { order_.push_back(part); };
        if (network.measured) {
            ForEachSection(network, network.measured->port != 2, append);
        } else {
            const LoadReactance *load = network.load ? &*network.load : nullptr;
            if (load && load->port() == 1)
                order_.push_back(load->element);
            ForEachSection(network, false, append);
            if (load && load->port() == 2)
                order_.push_back(load->element);
        }
        for (std::size_t from = 0; from < n_; from += kBlock) {
            const std::size_t count = std::min(kBlock, n_ - from);
            for (const Part &part : order_)
                Append(part, from, count);
        }
    }

    Abcd At(std::size_t k) const
    {
        return Abcd{{ar_[k], ai_[k]}, {br_[k], bi_[k]}, {cr_[k], ci_[k]}, {dr_[k], di_[k]}};
    }

    // |S11| at every point between the port resistances z1 and z2, as
    // ReflectionFrom forms it, in one loop over the grid.
    void ReflectionBetween(double z1, double z2, double *__restrict__ gamma) const
    {
        const double *__restrict__ ar = ar_.data(), *__restrict__ ai = ai_.data();
        const double *__restrict__ br = br_.data(), *__restrict__ bi = bi_.data();
        const double *__restrict__ cr = cr_.data(), *__restrict__ ci = ci_.data();
        const double *__restrict__ dr = dr_.data(), *__restrict__ di = di_.data();
        for (std::size_t k = 0; k < n_; ++k) {
            const Terms t = TermsAt(ar[k], ai[k], br[k], bi[k], cr[k], ci[k], dr[k], di[k], z1, z2);
            const double xr = t.pr - z1 * t.qr;
            const double xi = t.pi - z1 * t.qi;
            const double root = std::sqrt((xr * xr + xi * xi) / (t.dr * t.dr + t.di * t.di));
            gamma[k] = 1.0 < root ? 1.0 : root; // std::min(root, 1.0)
        }
    }

    // |S11| at every point from a source into a load of the given impedances
    // (a measured termination's at each point), as ReflectionFrom forms it
    // with complex products, in one loop over the grid. Where that gives
    // no number (an overflow on the way), the complex library's product
    // may differ from the plain one, and the point is left to the caller.
    void ReflectionInto(const Complex *source, const Complex *load, double *__restrict__ gamma)
    {
        for (std::vector<double> *v : {&sr_, &si_, &lr_, &li_})
            v->resize(n_);
        for (std::size_t k = 0; k < n_; ++k) {
            sr_[k] = source[k].real();
            si_[k] = source[k].imag();
            lr_[k] = load[k].real();
            li_[k] = load[k].imag();
        }
        ReflectionIntoOver(n_, ar_.data(), ai_.data(), br_.data(), bi_.data(), cr_.data(),
                           ci_.data(), dr_.data(), di_.data(), sr_.data(), si_.data(), lr_.data(),
                           li_.data(), gamma);
    }

    // Every figure of every point between the port resistances z1 and z2, as
    // PointFrom forms it: the arithmetic in one loop over the grid that the
    // compiler vectorises, then the logarithms and the phase point by point.
    void PointsBetween(double z1, double z2, std::span<const double> frequenciesHz,
                       std::vector<SweepPoint> &points)
    {
        for (std::vector<double> *v : {&s11r_, &s11i_, &s21r_, &s21i_, &s12r_, &s12i_, &s22r_,
                                       &s22i_, &gamma_, &power_, &vswr_, &s21Power_})
            v->resize(n_);
        Figures(z1, z2);
        points.clear();
        points.reserve(n_);
        // Each point is built with every figure at once: a point made empty
        // first and then filled in costs a clearing of its bytes per point,
        // a fifth of the sweep's own work.
        const double smallestGamma = std::sqrt(kSmallestPowerRatio);
        for (std::size_t k = 0; k < n_; ++k) {
            const double s11Db = 20.0 * std::log10(std::max(gamma_[k], smallestGamma));
            points.push_back(
                SweepPoint{frequenciesHz[k],
                           SParameters{{s11r_[k], s11i_[k]},
                                       {s21r_[k], s21i_[k]},
                                       {s12r_[k], s12i_[k]},
                                       {s22r_[k], s22i_[k]}},
                           s11Db, -s11Db, vswr_[k], -10.0 * std::log10(power_[k]),
                           -10.0 * std::log10(std::max(s21Power_[k], kSmallestPowerRatio)),
                           std::atan2(s21i_[k], s21r_[k]) * 180.0 / std::numbers::pi});
        }
    }

  private:
    // The port terms of PortTermsOf with z1 and z2 as complex numbers of zero
    // imaginary part, each product formed as the complex product forms it:
    // P = A z2 + B, Q = C z2 + D and Delta = P + z1 Q.
    struct Terms
    {
        double pr, pi, qr, qi, dr, di;
    };
    static Terms TermsAt(double ar, double ai, double br, double bi, double cr, double ci,
                         double dr, double di, double z1, double z2)
    {
        Terms t;
        t.pr = (ar * z2 - ai * 0.0) + br;
        t.pi = (ar * 0.0 + ai * z2) + bi;
        t.qr = (cr * z2 - ci * 0.0) + dr;
        t.qi = (cr * 0.0 + ci * z2) + di;
        t.dr = t.pr + (z1 * t.qr - 0.0 * t.qi);
        t.di = t.pi + (z1 * t.qi + 0.0 * t.qr);
        return t;
    }

    // The S-parameters, |S11|, 1 - |S11|^2, the VSWR and |S21|^2 of every
    // point, each as SParametersWith and PointOf form them.
    void Figures(double z1, double z2)
    {
        FiguresOver(n_, ar_.data(), ai_.data(), br_.data(), bi_.data(), cr_.data(), ci_.data(),
                    dr_.data(), di_.data(), z1, z2, s11r_.data(), s11i_.data(), s21r_.data(),
                    s21i_.data(), s12r_.data(), s12i_.data(), s22r_.data(), s22i_.data(),
                    gamma_.data(), power_.data(), vswr_.data(), s21Power_.data());
    }

    static void FiguresOver(std::size_t n, const double *__restrict__ ar,
                            const double *__restrict__ ai, const double *__restrict__ br,
                            const double *__restrict__ bi, const double *__restrict__ cr,
                            const double *__restrict__ ci, const double *__restrict__ dr,
                            const double *__restrict__ di, double z1, double z2,
                            double *__restrict__ s11r, double *__restrict__ s11i,
                            double *__restrict__ s21r, double *__restrict__ s21i,
                            double *__restrict__ s12r, double *__restrict__ s12i,
                            double *__restrict__ s22r, double *__restrict__ s22i,
                            double *__restrict__ gamma, double *__restrict__ power,
                            double *__restrict__ vswr, double *__restrict__ s21Power)
    {
        const double twoRoot = 2.0 * std::sqrt(z1 * z2);
        const double z12 = z1 * z2;
        for (std::size_t k = 0; k < n; ++k) {
            const Terms t = TermsAt(ar[k], ai[k], br[k], bi[k], cr[k], ci[k], dr[k], di[k], z1, z2);
            const double perNorm = 1.0 / (t.dr * t.dr + t.di * t.di);
            const double er = t.dr * perNorm, ei = -t.di * perNorm; // 1 / Delta
            const double ur = t.pr - z1 * t.qr, ui = t.pi - z1 * t.qi;
            s11r[k] = ur * er - ui * ei;
            s11i[k] = ur * ei + ui * er;
            const double tr = twoRoot * er, ti = twoRoot * ei;
            s21r[k] = tr;
            s21i[k] = ti;
            const double detr = (ar[k] * dr[k] - ai[k] * di[k]) - (br[k] * cr[k] - bi[k] * ci[k]);
            const double deti = (ar[k] * di[k] + ai[k] * dr[k]) - (br[k] * ci[k] + bi[k] * cr[k]);
            s12r[k] = tr * detr - ti * deti;
            s12i[k] = tr * deti + ti * detr;
            const double vr = (((-ar[k]) * z2 + br[k]) - cr[k] * z12) + dr[k] * z1;
            const double vi = (((-ai[k]) * z2 + bi[k]) - ci[k] * z12) + di[k] * z1;
            s22r[k] = vr * er - vi * ei;
            s22i[k] = vr * ei + vi * er;
            // std::min and std::clamp written out on values, so that the
            // loop has no branch.
            const double root = std::sqrt(s11r[k] * s11r[k] + s11i[k] * s11i[k]);
            const double g = 1.0 < root ? 1.0 : root;
            const double delivered =
                4.0 * z1 * (t.pr * t.qr - t.pi * -t.qi) / (t.dr * t.dr + t.di * t.di);
            const double high = 1.0 < delivered ? 1.0 : delivered;
            const double p = delivered < kSmallestPowerRatio ? kSmallestPowerRatio : high;
            gamma[k] = g;
            power[k] = p;
            vswr[k] = (1.0 + g) * (1.0 + g) / p;
            s21Power[k] = tr * tr + ti * ti;
        }
    }

    // P = A zl + B, Q = C zl + D, Delta = P + zs Q and the reflected wave
    // P - zs* Q, each complex product as the complex product forms it.
    static void ReflectionIntoOver(std::size_t n, const double *__restrict__ ar,
                                   const double *__restrict__ ai, const double *__restrict__ br,
                                   const double *__restrict__ bi, const double *__restrict__ cr,
                                   const double *__restrict__ ci, const double *__restrict__ dr,
                                   const double *__restrict__ di, const double *__restrict__ sr,
                                   const double *__restrict__ si, const double *__restrict__ lr,
                                   const double *__restrict__ li, double *__restrict__ gamma)
    {
        for (std::size_t k = 0; k < n; ++k) {
            const double pr = (ar[k] * lr[k] - ai[k] * li[k]) + br[k];
            const double pi = (ar[k] * li[k] + ai[k] * lr[k]) + bi[k];
            const double qr = (cr[k] * lr[k] - ci[k] * li[k]) + dr[k];
            const double qi = (cr[k] * li[k] + ci[k] * lr[k]) + di[k];
            const double deltaR = pr + (sr[k] * qr - si[k] * qi);
            const double deltaI = pi + (sr[k] * qi + si[k] * qr);
            const double conjI = -si[k];
            const double xr = pr - (sr[k] * qr - conjI * qi);
            const double xi = pi - (sr[k] * qi + conjI * qr);
            const double root =
                std::sqrt((xr * xr + xi * xi) / (deltaR * deltaR + deltaI * deltaI));
            gamma[k] = 1.0 < root ? 1.0 : root; // std::min(root, 1.0)
        }
    }

    void Resize(std::size_t n)
    {
        n_ = n;
        for (std::vector<double> *v :
             {&omega_, &ar_, &ai_, &br_, &bi_, &cr_, &ci_, &dr_, &di_, &wr_, &wi_})
            v->resize(n);
        std::fill(ar_.begin(), ar_.end(), 1.0);
        std::fill(dr_.begin(), dr_.end(), 1.0);
        for (std::vector<double> *v : {&ai_, &br_, &bi_, &cr_, &ci_, &di_})
            std::fill(v->begin(), v->end(), 0.0);
    }

    // A shunt part adds B w to A and D w to C, a series part A w to B and
    // C w to D: the same update with the roles of the rows swapped.
    void Append(const Part &part, std::size_t from, std::size_t count)
    {
        if (!part.immittanceSection()) { // a two-port section of its own, point by point
            for (std::size_t k = from; k < from + count; ++k) {
                const Abcd m = Times(At(k), part.SectionAt(omega_[k]));
                ar_[k] = m.A.real(), ai_[k] = m.A.imag(), br_[k] = m.B.real(), bi_[k] = m.B.imag();
                cr_[k] = m.C.real(), ci_[k] = m.C.imag(), dr_[k] = m.D.real(), di_[k] = m.D.imag();
            }
            return;
        }
        const bool shunt = part.shunt();
        Rows rows{
            (shunt ? ar_.data() : br_.data()) + from, (shunt ? ai_.data() : bi_.data()) + from,
            (shunt ? cr_.data() : dr_.data()) + from, (shunt ? ci_.data() : di_.data()) + from,
            (shunt ? br_.data() : ar_.data()) + from, (shunt ? bi_.data() : ai_.data()) + from,
            (shunt ? dr_.data() : cr_.data()) + from, (shunt ? di_.data() : ci_.data()) + from};
        const std::span<const double> omega(omega_.data() + from, count);
        const std::span<double> wi(wi_.data(), count);
        if (part.lossless()) {
            part.SusceptanceOver(omega, wi);
            AddTimesJ(count, rows.xr, rows.xi, rows.yr, rows.yi, rows.ur, rows.ui, rows.vr, rows.vi,
                      wi_.data());
            return;
        }
        const std::span<double> wr(wr_.data(), count);
        part.ImmittanceOver(omega, wr, wi);
        AddTimes(count, rows.xr, rows.xi, rows.yr, rows.yi, rows.ur, rows.ui, rows.vr, rows.vi,
                 wr_.data(), wi_.data());
    }

    // The rows updated (x, y) and the rows read (u, v), real and imaginary.
    struct Rows
    {
        double *xr, *xi, *yr, *yi;
        const double *ur, *ui, *vr, *vi;
    };

    // x += u (j b), y += v (j b) at every point.
    static void AddTimesJ(std::size_t n, double *__restrict__ xr, double *__restrict__ xi,
                          double *__restrict__ yr, double *__restrict__ yi,
                          const double *__restrict__ ur, const double *__restrict__ ui,
                          const double *__restrict__ vr, const double *__restrict__ vi,
                          const double *__restrict__ b)
    {
        for (std::size_t k = 0; k < n; ++k) {
            xr[k] = xr[k] - ui[k] * b[k];
            xi[k] = xi[k] + ur[k] * b[k];
            yr[k] = yr[k] - vi[k] * b[k];
            yi[k] = yi[k] + vr[k] * b[k];
        }
    }

    // x += u w, y += v w at every point, each product as the scalar cascade
    // forms it.
    static void AddTimes(std::size_t n, double *__restrict__ xr, double *__restrict__ xi,
                         double *__restrict__ yr, double *__restrict__ yi,
                         const double *__restrict__ ur, const double *__restrict__ ui,
                         const double *__restrict__ vr, const double *__restrict__ vi,
                         const double *__restrict__ wr, const double *__restrict__ wi)
    {
        for (std::size_t k = 0; k < n; ++k) {
            xr[k] = xr[k] + (ur[k] * wr[k] - ui[k] * wi[k]);
            xi[k] = xi[k] + (ur[k] * wi[k] + ui[k] * wr[k]);
            yr[k] = yr[k] + (vr[k] * wr[k] - vi[k] * wi[k]);
            yi[k] = yi[k] + (vr[k] * wi[k] + vi[k] * wr[k]);
        }
    }

    // Points per block: the block's eleven arrays take 22 kB.
    static constexpr std::size_t kBlock = 256;

    std::size_t n_ = 0;
    std::vector<Part> order_; // the sections in cascade order
    std::vector<double> omega_, ar_, ai_, br_, bi_, cr_, ci_, dr_, di_, wr_, wi_;
    std::vector<double> s11r_, s11i_, s21r_, s21i_, s12r_, s12i_, s22r_, s22i_;
    std::vector<double> gamma_, power_, vswr_, s21Power_;
    std::vector<double> sr_, si_, lr_, li_; // the terminations' impedances
};

GridCascade &ThreadGrid()
{
    thread_local GridCascade grid;
    return grid;
}

} // namespace

Abcd PartsAbcd(const Network &network, double frequencyHz)
{
    return Cascade(network, frequencyHz, false);
}

Abcd LoadedAbcd(const Network &network, double frequencyHz)
{
    return Cascade(network, frequencyHz, true);
}

namespace {

// The S-parameters between resistances z1 and z2 from the port terms of m.
SParameters SParametersWith(const Abcd &m, const PortTerms &t, double z1, double z2)
{
    const Complex perDelta = Reciprocal(t.delta);
    const Complex s21 = 2.0 * std::sqrt(z1 * z2) * perDelta;
    return SParameters{
        Mul(t.p - z1 * t.q, perDelta),
        s21,
        Mul(s21, Mul(m.A, m.D) - Mul(m.B, m.C)),
        Mul(-m.A * z2 + m.B - m.C * (z1 * z2) + m.D * z1, perDelta),
    };
}

} // namespace

SParameters SParametersOf(const Abcd &m, double z1, double z2)
{
    return SParametersWith(m, PortTermsOf(m, z1, z2), z1, z2);
}

double InsertionLossDbOf(Complex s21)
{
    return -10.0 * std::log10(std::max(std::norm(s21), kSmallestPowerRatio));
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

namespace {

SweepPoint PointFrom(const Network &network, double frequencyHz, const Abcd &m)
{
    if (network.measured) {
        const SourceView v = SourceViewOf(network, frequencyHz, m);
        return PointOf(frequencyHz, MeasuredSParameters(v), v.t, v.sourceOhms.real());
    }
    const double z1 = network.port1Ohms;
    const double z2 = network.port2Ohms;
    const PortTerms t = PortTermsOf(m, z1, z2);
    return PointOf(frequencyHz, SParametersWith(m, t, z1, z2), t, z1);
}

} // namespace

SweepPoint Evaluate(const Network &network, double frequencyHz)
{
    return PointFrom(network, frequencyHz, ResponseCascade(network, frequencyHz));
}

std::vector<SweepPoint> EvaluateOver(const Network &network, std::span<const double> frequenciesHz)
{
    GridCascade &grid = ThreadGrid();
    grid.Run(network, frequenciesHz);
    std::vector<SweepPoint> points;
    if (!network.measured) {
        grid.PointsBetween(network.port1Ohms, network.port2Ohms, frequenciesHz, points);
        return points;
    }
    points.reserve(frequenciesHz.size());
    for (std::size_t k = 0; k < frequenciesHz.size(); ++k)
        points.push_back(PointFrom(network, frequenciesHz[k], grid.At(k)));
    return points;
}

double ReflectionMagnitude(const Network &network, double frequencyHz)
{
    return ReflectionFrom(network, frequencyHz, ResponseCascade(network, frequencyHz));
}

void ReflectionOver(const Network &network, std::span<const double> frequenciesHz,
                    std::span<double> gamma)
{
    GridCascade &grid = ThreadGrid();
    grid.Run(network, frequenciesHz);
    // The vector loop reads the reflection at port 1, or at the source's port
    // into measured data; a source at port 2 (a shunt load with lossy parts)
    // goes point by point.
    if (network.measured) {
        const std::size_t n = frequenciesHz.size();
        thread_local std::vector<Complex> source, loadOhms;
        source.resize(n);
        loadOhms.resize(n);
        LoadTerminationOf(network).ImpedanceOver(frequenciesHz, loadOhms);
        SourceTerminationOf(network).ImpedanceOver(frequenciesHz, source);
        grid.ReflectionInto(source.data(), loadOhms.data(), gamma.data());
        for (std::size_t k = 0; k < n; ++k)
            if (std::isnan(gamma[k]))
                gamma[k] = ReflectionFrom(network, frequenciesHz[k], grid.At(k));
        return;
    }
    if (!SourceAtPort2(network)) {
        grid.ReflectionBetween(network.port1Ohms, network.port2Ohms, gamma.data());
        return;
    }
    for (std::size_t k = 0; k < frequenciesHz.size(); ++k)
        gamma[k] = ReflectionFrom(network, frequenciesHz[k], grid.At(k));
}

Complex TransmissionAt(const Network &network, double frequencyHz)
{
    return S21From(network, frequencyHz, ResponseCascade(network, frequencyHz));
}

void TransmissionOver(const Network &network, std::span<const double> frequenciesHz,
                      std::span<Complex> s21)
{
    GridCascade &grid = ThreadGrid();
    grid.Run(network, frequenciesHz);
    for (std::size_t k = 0; k < frequenciesHz.size(); ++k)
        s21[k] = S21From(network, frequenciesHz[k], grid.At(k));
}

double GroupDelaySeconds(const Network &network, double frequencyHz)
{
    const double step = frequencyHz * 1e-6;
    const auto s21 = [&](double f) { return S21From(network, f, ResponseCascade(network, f)); };
    return GroupDelayFrom(s21(frequencyHz + step), s21(frequencyHz - step), step);
}

std::vector<double> GroupDelayOver(const Network &network, std::span<const double> frequenciesHz)
{
    const std::size_t n = frequenciesHz.size();
    std::vector<double> delay(n);
    std::vector<double> shifted(n);
    std::vector<Complex> above(n);
    GridCascade &grid = ThreadGrid();
    for (const double sign : {1.0, -1.0}) {
        for (std::size_t k = 0; k < n; ++k) {
            const double step = frequenciesHz[k] * 1e-6;
            shifted[k] = sign > 0 ? frequenciesHz[k] + step : frequenciesHz[k] - step;
        }
        grid.Run(network, shifted);
        for (std::size_t k = 0; k < n; ++k) {
            const Complex s21 = S21From(network, shifted[k], grid.At(k));
            if (sign > 0)
                above[k] = s21;
            else
                delay[k] = GroupDelayFrom(above[k], s21, frequenciesHz[k] * 1e-6);
        }
    }
    return delay;
}

} // namespace tevmar::analysis
