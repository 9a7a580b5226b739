#include "analysis/model/network_gradient.h"

#include "analysis/model/board_line.h"
#include "analysis/model/two_port.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <complex>
#include <functional>
#include <numbers>

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

double ValueOf(const Part &part)
{
    return std::max(part.si(), kSmallestElementSi);
}

// The ladder the free functions evaluate, one per thread, its storage kept
// from call to call.
LadderPower &ThreadLadder()
{
    thread_local LadderPower power;
    return power;
}

// S11 and 1/D of the ladder closed by z2, from the two rows of its cascade
// (numerator and denominator), the share of the available power from a
// source of impedance z1 delivered to z2, and the objective's value: |S11|^2,
// or the power not delivered.
struct PortFigure
{
    Complex gamma;
    Complex perDenominator;
    double delivered;
    double value;
};

template <class Row>
PortFigure PortFigures(const Row &rowN, const Row &rowD, Complex z1, Complex z2, bool reflected)
{
    const Complex numerator = rowN.first * z2 + rowN.second;
    const Complex perDenominator = Reciprocal(rowD.first * z2 + rowD.second);
    const Complex gamma = Mul(numerator, perDenominator);
    const double delivered = std::clamp(4.0 * std::max(z1.real(), 0.0) * std::max(z2.real(), 0.0) *
                                            std::norm(perDenominator),
                                        0.0, 1.0);
    return {gamma, perDenominator, delivered, reflected ? std::norm(gamma) : 1.0 - delivered};
}

} // namespace

void LadderPower::Add(const Part &section, bool hasEntry, std::size_t partIndex)
{
    // The loops below append series impedances and shunt admittances only; a
    // section with an ABCD of its own needs its case there first.
    assert(section.immittanceSection() || section.isLine());
    sections_.push_back(Section{&section, ValueOf(section), partIndex, hasEntry, section.shunt(),
                                section.immittanceGrowsWithValue()});
}

void LadderPower::Assign(const Network &ladder, bool remember)
{
    ladder_ = &ladder;
    pad_ = ladder.Pad();
    sections_.clear();
    // The sections in cascade order from the source, and for each its part's
    // index in ladder.parts (none for the load's reactance). Into the
    // model: port 1 to port 2, a shunt load's reactance ahead of the parts at
    // port 1, a series load's after them at port 2. Into a measured load: from
    // the source's port to the load's, the data taking the place of the
    // port's resistance and reactance. The pads stand between the parts as
    // sections of their own, with no entry in the gradient.
    const auto add = [&](const Part &section) {
        const Part *first = ladder.parts.data();
        const bool own = std::less_equal<const Part *>{}(first, &section) &&
                         std::less<const Part *>{}(&section, first + ladder.parts.size());
        if (own)
            Add(section, true, static_cast<std::size_t>(&section - first));
        else
            Add(pad_, false, 0);
    };
    sourceAtPort2_ = false;
    if (const MeasuredLoad *measured = ladder.measured.get()) {
        ForEachSection(ladder, measured->port != 2, add);
    } else if (SourceAtPort2(ladder)) {
        // The source drives port 2 of a shunt load's network: from there,
        // the parts, then the load's reactance across port 1's resistance.
        sourceAtPort2_ = true;
        ForEachSection(ladder, true, add);
        Add(ladder.load->element, false, 0);
    } else {
        const LoadReactance *load = ladder.load ? &*ladder.load : nullptr;
        if (load && load->port() == 1)
            Add(load->element, false, 0);
        ForEachSection(ladder, false, add);
        if (load && load->port() == 2)
            Add(load->element, false, 0);
    }
    lossless_ = std::all_of(sections_.begin(), sections_.end(),
                            [](const Section &s) { return s.part->lossless(); });
    partsIdeal_ = AllPartsIdeal(ladder);
    lines_ = std::any_of(sections_.begin(), sections_.end(),
                         [](const Section &s) { return s.part->isLine(); });
    const std::size_t n = sections_.size();
    aheadN_.resize(n);
    aheadD_.resize(n);
    susceptance_.resize(n);
    immittance_.resize(n);

    if (ladder.measured) {
        source_ = SourceTerminationOf(ladder);
        load_ = LoadTerminationOf(ladder);
    }
    remember_ = remember && ladder.measured;
    if (!remember_) {
        measured_ = nullptr;
    } else if (ladder.measured != measured_) {
        measured_ = ladder.measured;
        if (!remembered_)
            remembered_ = std::make_unique<std::array<Remembered, kRemembered>>();
        for (Remembered &slot : *remembered_)
            slot.key = kEmpty;
    }
}

void LadderPower::ValuesMoved()
{
    for (Section &section : sections_)
        if (section.hasEntry)
            section.si = ValueOf(*section.part);
}

LadderPower::Terminations LadderPower::TerminationsAt(double frequencyHz)
{
    const Network &ladder = *ladder_;
    const MeasuredLoad *measured = ladder.measured.get();
    if (!measured)
        return sourceAtPort2_ ? Terminations{ladder.port2Ohms, ladder.port1Ohms}
                              : Terminations{ladder.port1Ohms, ladder.port2Ohms};
    const auto interpolated = [&] {
        return Terminations{source_.ImpedanceAt(frequencyHz), load_.ImpedanceAt(frequencyHz)};
    };
    Terminations z;
    const auto key = std::bit_cast<std::uint64_t>(frequencyHz);
    if (!remember_ || key == kEmpty) {
        z = interpolated();
    } else {
        Remembered &slot = (*remembered_)[(key * 0x9E3779B97F4A7C15ULL) >> 56];
        static_assert(kRemembered == 256);
        if (slot.key != key)
            slot = Remembered{key, interpolated()};
        z = slot.z;
    }
    return z;
}

// S11 = N / D with N = [1 -z1*] M [z2 1]^T and D = [1 z1] M [z2 1]^T, M the
// product of the sections: the power-wave reflection at a complex source
// z1, the plain one at a resistive source. Forward: the two row vectors ahead of each
// section; backward: the column vector behind it. The derivative of N with
// respect to section i is the row ahead times dSection times the column behind.
// Every section is ideal here: its immittance is j b.
double LadderPower::IdealPass(double frequencyHz, std::span<double> byLogValue)
{
    const double omega = 2.0 * std::numbers::pi * frequencyHz;
    const Terminations z = TerminationsAt(frequencyHz);
    const Complex z1 = z.source;
    const Complex z2 = z.load;
    const std::size_t n = sections_.size();
    const bool gradient = !byLogValue.empty();

    // An inductor's jwL and a shunt capacitor's jwC grow with the value
    // (their log-derivative is +1 times themselves), a series capacitor's
    // 1/(jwC) and a shunt inductor's 1/(jwL) shrink with it (-1 times
    // themselves).
    Pair rowN{1.0, -std::conj(z1)};
    Pair rowD{1.0, z1};
    for (std::size_t i = 0; i < n; ++i) {
        const Section &s = sections_[i];
        const double b = Part::IdealImmittance(s.grows, omega, s.si);
        if (gradient) {
            aheadN_[i] = rowN;
            aheadD_[i] = rowD;
            susceptance_[i] = b;
        }
        if (s.shunt) {
            rowN = Pair{rowN.first + MulJ(rowN.second, b), rowN.second};
            rowD = Pair{rowD.first + MulJ(rowD.second, b), rowD.second};
        } else {
            rowN = Pair{rowN.first, MulJ(rowN.first, b) + rowN.second};
            rowD = Pair{rowD.first, MulJ(rowD.first, b) + rowD.second};
        }
    }
    const Complex numerator = rowN.first * z2 + rowN.second;
    const Complex denominator = rowD.first * z2 + rowD.second;
    const Complex perDenominator = Reciprocal(denominator);
    const Complex gamma = Mul(numerator, perDenominator);
    const double power = std::norm(gamma);
    if (!gradient)
        return power;

    Pair behind{z2, Complex{1.0, 0.0}};
    // d|S11|^2 = 2 Re(conj(S11) dS11) with dS11 = (dN - S11 dD) / D.
    const Complex weight = Mul(std::conj(gamma), perDenominator);
    for (std::size_t k = n; k-- > 0;) {
        const Section &s = sections_[k];
        const double b = susceptance_[k];
        if (s.hasEntry) {
            const double db = s.grows ? b : -b;
            // Series: [r0 r1] [[0 1] [0 0]] [c0 c1]^T = r0 c1; shunt: r1 c0.
            const Complex column = s.shunt ? behind.first : behind.second;
            const Complex aheadN = s.shunt ? aheadN_[k].second : aheadN_[k].first;
            const Complex aheadD = s.shunt ? aheadD_[k].second : aheadD_[k].first;
            const Complex dGammaTimesD = MulJ(Mul(aheadN - Mul(gamma, aheadD), column), db);
            byLogValue[s.partIndex] = 2.0 * Mul(weight, dGammaTimesD).real();
        }
        behind = s.shunt ? Pair{behind.first, MulJ(behind.first, b) + behind.second}
                         : Pair{behind.first + MulJ(behind.second, b), behind.second};
    }
    return power;
}

// The same pass for parts with loss or parasitics: every section's
// immittance and its log-derivative are complex. Lost power: G_T = 4 Re z1
// Re z2 / |D|^2, so d(1 - G_T) = 2 G_T Re(dD / D).
double LadderPower::LossyPass(double frequencyHz, Objective objective, std::span<double> byLogValue)
{
    const double omega = 2.0 * std::numbers::pi * frequencyHz;
    const Terminations z = TerminationsAt(frequencyHz);
    const Complex z1 = z.source;
    const Complex z2 = z.load;
    const std::size_t n = sections_.size();
    const bool gradient = !byLogValue.empty();

    Pair rowN{1.0, -std::conj(z1)};
    Pair rowD{1.0, z1};
    for (std::size_t i = 0; i < n; ++i) {
        const Section &s = sections_[i];
        const Complex w = s.part->ImmittanceAt(omega);
        if (gradient) {
            aheadN_[i] = rowN;
            aheadD_[i] = rowD;
            immittance_[i] = w;
        }
        if (s.shunt) {
            rowN = Pair{rowN.first + Mul(rowN.second, w), rowN.second};
            rowD = Pair{rowD.first + Mul(rowD.second, w), rowD.second};
        } else {
            rowN = Pair{rowN.first, Mul(rowN.first, w) + rowN.second};
            rowD = Pair{rowD.first, Mul(rowD.first, w) + rowD.second};
        }
    }
    const PortFigure port = PortFigures(rowN, rowD, z1, z2, objective == Objective::Reflected);
    const Complex gamma = port.gamma, perDenominator = port.perDenominator;
    const double delivered = port.delivered, value = port.value;
    if (!gradient)
        return value;

    Pair behind{z2, Complex{1.0, 0.0}};
    const Complex weight = Mul(std::conj(gamma), perDenominator);
    for (std::size_t k = n; k-- > 0;) {
        const Section &s = sections_[k];
        const Complex w = immittance_[k];
        if (s.hasEntry) {
            const Complex dw = s.part->ImmittanceByLogValueAt(omega, w);
            const Complex column = s.shunt ? behind.first : behind.second;
            const Complex aheadN = s.shunt ? aheadN_[k].second : aheadN_[k].first;
            const Complex aheadD = s.shunt ? aheadD_[k].second : aheadD_[k].first;
            const Complex dD = Mul(Mul(aheadD, column), dw);
            byLogValue[s.partIndex] =
                objective == Objective::Reflected
                    ? 2.0 * Mul(weight, Mul(Mul(aheadN, column), dw) - Mul(gamma, dD)).real()
                    : 2.0 * delivered * Mul(dD, perDenominator).real();
        }
        behind = s.shunt ? Pair{behind.first, Mul(behind.first, w) + behind.second}
                         : Pair{behind.first + Mul(behind.second, w), behind.second};
    }
    return value;
}

namespace {

// Row [r0 r1] times a chain matrix, and a chain matrix times column [c0 c1].
std::pair<Complex, Complex> RowTimes(Complex r0, Complex r1, const Abcd &m)
{
    return {Mul(r0, m.A) + Mul(r1, m.C), Mul(r0, m.B) + Mul(r1, m.D)};
}
Complex RowMatrixColumn(Complex r0, Complex r1, const Abcd &m, Complex c0, Complex c1)
{
    return Mul(r0, Mul(m.A, c0) + Mul(m.B, c1)) + Mul(r1, Mul(m.C, c0) + Mul(m.D, c1));
}

// How a section's chain matrix moves per relative change of its length (or
// lumped value), and of a line's characteristic impedance.
Abcd SectionByLogValue(const Part &part, double omega)
{
    Abcd d{{0, 0}, {0, 0}, {0, 0}, {0, 0}};
    if (part.isLine() && part.line.board)
        return BoardSectionByLogLength(part, omega);
    if (part.kind == ElementKind::SeriesLine) {
        // theta d/dtheta of [cos, j Z0 sin; j sin / Z0, cos].
        const double theta = part.RadiansAt(omega / (2 * std::numbers::pi));
        const double z0 = part.line.z0Ohms;
        const double c = std::cos(theta) * theta;
        const double s = std::sin(theta) * theta;
        return Abcd{{-s, 0}, {0, z0 * c}, {0, c / z0}, {-s, 0}};
    }
    const Complex dw = part.isLine() ? part.ImmittanceByLogValueAt(omega)
                                     : part.ImmittanceByLogValueAt(omega, part.ImmittanceAt(omega));
    (part.shunt() ? d.C : d.B) = dw;
    return d;
}

// For a strip on a board the tuner moves its width in place of its Z0.
Abcd SectionByLogZ0(const Part &part, double omega)
{
    Abcd d{{0, 0}, {0, 0}, {0, 0}, {0, 0}};
    if (part.isLine() && part.line.board)
        return BoardSectionByLogWidth(part, omega);
    if (part.kind == ElementKind::SeriesLine) {
        const double theta = part.RadiansAt(omega / (2 * std::numbers::pi));
        const double z0 = part.line.z0Ohms;
        const double s = std::sin(theta);
        return Abcd{{0, 0}, {0, z0 * s}, {0, -s / z0}, {0, 0}};
    }
    // A stub's admittance goes as 1 / Z0.
    if (part.isLine())
        d.C = -part.ImmittanceAt(omega);
    return d;
}

} // namespace

double LadderPower::LinePass(double frequencyHz, Objective objective, std::span<double> byLogValue,
                             std::span<double> byLogZ0)
{
    const double omega = 2.0 * std::numbers::pi * frequencyHz;
    const Terminations z = TerminationsAt(frequencyHz);
    const Complex z1 = z.source;
    const Complex z2 = z.load;
    const std::size_t n = sections_.size();
    const bool gradient = !byLogValue.empty() || !byLogZ0.empty();
    abcd_.resize(n);

    Pair rowN{1.0, -std::conj(z1)};
    Pair rowD{1.0, z1};
    for (std::size_t i = 0; i < n; ++i) {
        abcd_[i] = sections_[i].part->SectionAt(omega);
        aheadN_[i] = rowN;
        aheadD_[i] = rowD;
        const auto [n0, n1] = RowTimes(rowN.first, rowN.second, abcd_[i]);
        const auto [d0, d1] = RowTimes(rowD.first, rowD.second, abcd_[i]);
        rowN = Pair{n0, n1};
        rowD = Pair{d0, d1};
    }
    const PortFigure port = PortFigures(rowN, rowD, z1, z2, objective == Objective::Reflected);
    const Complex gamma = port.gamma, perDenominator = port.perDenominator;
    const double delivered = port.delivered, value = port.value;
    if (!gradient)
        return value;

    // d|S11|^2 = 2 Re(conj(S11) (dN - S11 dD) / D); d(1 - G_T) = 2 G_T Re(dD / D).
    const Complex weight = Mul(std::conj(gamma), perDenominator);
    const auto derivative = [&](std::size_t k, const Abcd &dS, Pair behind) {
        const Complex dN =
            RowMatrixColumn(aheadN_[k].first, aheadN_[k].second, dS, behind.first, behind.second);
        const Complex dD =
            RowMatrixColumn(aheadD_[k].first, aheadD_[k].second, dS, behind.first, behind.second);
        return objective == Objective::Reflected ? 2.0 * Mul(weight, dN - Mul(gamma, dD)).real()
                                                 : 2.0 * delivered * Mul(dD, perDenominator).real();
    };
    Pair behind{z2, Complex{1.0, 0.0}};
    for (std::size_t k = n; k-- > 0;) {
        const Section &s = sections_[k];
        if (s.hasEntry) {
            if (!byLogValue.empty())
                byLogValue[s.partIndex] = derivative(k, SectionByLogValue(*s.part, omega), behind);
            if (!byLogZ0.empty())
                byLogZ0[s.partIndex] =
                    s.part->isLine() ? derivative(k, SectionByLogZ0(*s.part, omega), behind) : 0.0;
        }
        const Abcd &m = abcd_[k];
        behind = Pair{Mul(m.A, behind.first) + Mul(m.B, behind.second),
                      Mul(m.C, behind.first) + Mul(m.D, behind.second)};
    }
    return value;
}

double LadderPower::Lost(double frequencyHz, std::span<double> byLogValue,
                         std::span<double> byLogZ0)
{
    assert(byLogZ0.empty() || byLogZ0.size() == ladder_->parts.size());
    if (!lines_ && !byLogZ0.empty())
        std::fill(byLogZ0.begin(), byLogZ0.end(), 0.0);
    if (!lines_)
        return Lost(frequencyHz, byLogValue);
    return LinePass(frequencyHz, partsIdeal_ ? Objective::Reflected : Objective::Lost, byLogValue,
                    byLogZ0);
}

double LadderPower::Reflected(double frequencyHz, std::span<double> byLogValue)
{
    assert(byLogValue.empty() || byLogValue.size() == ladder_->parts.size());
    if (lines_)
        return LinePass(frequencyHz, Objective::Reflected, byLogValue, {});
    return lossless_ ? IdealPass(frequencyHz, byLogValue)
                     : LossyPass(frequencyHz, Objective::Reflected, byLogValue);
}

double LadderPower::Lost(double frequencyHz, std::span<double> byLogValue)
{
    assert(byLogValue.empty() || byLogValue.size() == ladder_->parts.size());
    // Ideal parts (and pads) lose nothing: the power lost is the power
    // reflected, computed as the ideal pass computes it.
    if (partsIdeal_)
        return Reflected(frequencyHz, byLogValue);
    if (lines_)
        return LinePass(frequencyHz, Objective::Lost, byLogValue, {});
    return LossyPass(frequencyHz, Objective::Lost, byLogValue);
}

double ReflectedPower(const Network &ladder, double frequencyHz, std::span<double> byLogValue)
{
    LadderPower &power = ThreadLadder();
    power.Assign(ladder, false);
    return power.Reflected(frequencyHz, byLogValue);
}

double LostPower(const Network &ladder, double frequencyHz, std::span<double> byLogValue)
{
    LadderPower &power = ThreadLadder();
    power.Assign(ladder, false);
    return power.Lost(frequencyHz, byLogValue);
}

} // namespace tevmar::analysis
