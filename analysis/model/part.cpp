#include "analysis/model/part.h"

#include "analysis/model/board_line.h"
#include "analysis/readers/part_kit.h"
#include "report/number_format.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>

namespace tevmar::analysis {
namespace {

// A printed value of 0 (a part too small for three decimals) would make a
// series capacitor an open circuit or a shunt inductor a short: both block the
// network completely. The nearly-zero stand-in gives that blocking response in
// finite numbers, where an exact zero would divide by zero.
constexpr double kSmallestElementSi = 1e-30;

Complex Reciprocal(Complex z)
{
    const double perNorm = 1.0 / (z.real() * z.real() + z.imag() * z.imag());
    return {z.real() * perNorm, -z.imag() * perNorm};
}

} // namespace

namespace {

// A chip inductor's winding, (R(f) + j w L), and the admittance of the whole
// part, the winding with CP across it.
struct ChipInductorTerms
{
    Complex winding;
    Complex admittance;
};

ChipInductorTerms ChipInductorAt(const ChipInductor &m, double henries, double omega)
{
    const double omegaQ = m.at.omega();
    const double resistance = omegaQ * henries / m.q * std::sqrt(omega / omegaQ);
    const Complex winding{resistance, omega * henries};
    return {winding, Reciprocal(winding) + Complex{0.0, omega * m.parallel.si()}};
}

// A chip capacitor's series impedance ESR(f) + j (w ESL - 1 / (w C)).
Complex ChipCapacitorAt(const ChipCapacitor &m, double farads, double omega)
{
    const double resistance = m.esr.ohms() * std::sqrt(omega / m.at.omega());
    return {resistance, omega * m.esl.si() - 1.0 / (omega * farads)};
}

} // namespace

namespace {

// A stub's admittance to ground at omega: j tan(theta) / Z0 with its far end
// open, -j cot(theta) / Z0 shorted. At a resonance the stub is a short
// (open end, a quarter wave) or an open (shorted end, a half wave): the
// tangent's pole is held finite so that a tuner stepping across it sees a
// steep but finite response rather than an infinity.
Complex StubAdmittance(const Part &stub, double omega)
{
    const double theta = stub.RadiansAt(omega / (2 * std::numbers::pi));
    const double s = std::sin(theta);
    double c = std::cos(theta);
    constexpr double kNearestPole = 1e-12;
    if (stub.kind == ElementKind::ShuntOpenStub) {
        if (std::abs(c) < kNearestPole)
            c = std::copysign(kNearestPole, c);
        return {0.0, s / (c * stub.line.z0Ohms)};
    }
    const double sine = std::abs(s) < kNearestPole ? std::copysign(kNearestPole, s) : s;
    return {0.0, -c / (sine * stub.line.z0Ohms)};
}

} // namespace

Part Part::LineOf(LineEnd end, double z0Ohms, double degrees, double referenceHz, std::string label)
{
    Part part = Placed(Line{end}, end == LineEnd::Through ? Placement::Series : Placement::Shunt,
                       degrees, std::move(label));
    part.line = LineShape{z0Ohms, referenceHz};
    return part;
}

Complex Part::ImmittanceAt(double omega) const
{
    // A stub is a shunt admittance; a series line has no single immittance
    // (its ABCD is SectionAt's), and its input impedance into a match, j Z0
    // tan(theta), stands for it.
    if (isLine()) {
        if (line.board)
            return BoardImmittanceAt(*this, omega);
        if (shunt())
            return StubAdmittance(*this, omega);
        return {0.0, line.z0Ohms * std::tan(RadiansAt(omega / (2 * std::numbers::pi)))};
    }
    // A measured part: its series impedance, or that impedance's admittance
    // to ground across the line.
    if (const Measured *m = std::get_if<Measured>(&model)) {
        const Complex z = m->part->ImpedanceAt(omega / (2 * std::numbers::pi));
        return shunt() ? Reciprocal(z) : z;
    }
    // Chip models give an impedance of their own; a series part adds it, a
    // shunt part its reciprocal, the admittance to ground.
    if (const ChipInductor *chip = std::get_if<ChipInductor>(&model)) {
        const ChipInductorTerms terms =
            ChipInductorAt(*chip, std::max(si(), kSmallestElementSi), omega);
        return shunt() ? terms.admittance : Reciprocal(terms.admittance);
    }
    if (const ChipCapacitor *chip = std::get_if<ChipCapacitor>(&model)) {
        const Complex z = ChipCapacitorAt(*chip, std::max(si(), kSmallestElementSi), omega);
        return shunt() ? Reciprocal(z) : z;
    }

    const double v = std::max(si(), kSmallestElementSi);
    // An inductor's impedance r + jwL, a capacitor's admittance g + jwC; the
    // loss term is written as the product of the three factors, in this order.
    double loss = 0.0;
    if (const FiniteQ *q = std::get_if<FiniteQ>(&model)) {
        const double lossOmega = q->model == QModel::Constant ? omega : q->centre.omega();
        loss = lossOmega * v / q->q;
    }
    const Complex own{loss, omega * v};
    // A series inductor and a shunt capacitor add their own immittance; a
    // shunt inductor and a series capacitor its reciprocal.
    return immittanceGrowsWithValue() ? own : Reciprocal(own);
}

Complex Part::ImmittanceByLogValueAt(double omega) const
{
    // A kit's part has no value to move continuously: its data are what they
    // are, and a search steps it to another part of the kit instead.
    if (std::holds_alternative<Measured>(model))
        return {0.0, 0.0};
    // A stub's admittance moves with its length as theta d/dtheta of
    // j tan(theta) / Z0 (open) or -j cot(theta) / Z0 (shorted):
    // j theta / (Z0 cos^2) and j theta / (Z0 sin^2).
    if (isLine() && line.board)
        return BoardSectionByLogLength(*this, omega).C;
    if (isLine()) {
        const double theta = RadiansAt(omega / (2 * std::numbers::pi));
        const double edge = kind == ElementKind::ShuntOpenStub ? std::cos(theta) : std::sin(theta);
        const double square = std::max(edge * edge, 1e-24);
        return {0.0, theta / (line.z0Ohms * square)};
    }
    const double v = std::max(si(), kSmallestElementSi);
    if (const ChipInductor *chip = std::get_if<ChipInductor>(&model)) {
        // The winding is proportional to L (its R follows L at a fixed Q):
        // d(1/Zw) = -1/Zw, so dY = -1/Zw and dZ = -dY / Y^2.
        const ChipInductorTerms terms = ChipInductorAt(*chip, v, omega);
        const Complex dAdmittance = -Reciprocal(terms.winding);
        if (shunt())
            return dAdmittance;
        const Complex perY = Reciprocal(terms.admittance);
        return -dAdmittance * perY * perY;
    }
    if (const ChipCapacitor *chip = std::get_if<ChipCapacitor>(&model)) {
        // Only the 1 / (j w C) term moves with C: its log-derivative is its
        // negative, + j / (w C).
        const Complex dImpedance{0.0, 1.0 / (omega * v)};
        if (!shunt())
            return dImpedance;
        const Complex perZ = Reciprocal(ChipCapacitorAt(*chip, v, omega));
        return -dImpedance * perZ * perZ;
    }
    // An ideal part and a finite Q are proportional to the value (or to its
    // reciprocal): the log-derivative is plus or minus the immittance.
    const Complex w = ImmittanceAt(omega);
    return immittanceGrowsWithValue() ? w : -w;
}

Complex Part::ImmittanceByLogValueAt(double omega, Complex immittance) const
{
    if (!isLine() &&
        (std::holds_alternative<Ideal>(model) || std::holds_alternative<FiniteQ>(model)))
        return immittanceGrowsWithValue() ? immittance : -immittance;
    return ImmittanceByLogValueAt(omega);
}

void Part::SusceptanceOver(std::span<const double> omega, std::span<double> b) const
{
    assert(lossless() && b.size() == omega.size());
    const double v = std::max(si(), kSmallestElementSi);
    const std::size_t n = omega.size();
    if (immittanceGrowsWithValue()) {
        for (std::size_t k = 0; k < n; ++k)
            b[k] = omega[k] * v;
        return;
    }
    // The reciprocal of j x is -j x / x^2, rounded as the complex reciprocal
    // of a lossy part is, so that a part with and without a Q of infinity
    // agree to the last bit.
    for (std::size_t k = 0; k < n; ++k) {
        const double x = omega[k] * v;
        b[k] = -x * (1.0 / (x * x));
    }
}

void Part::ImmittanceOver(std::span<const double> omega, std::span<double> re,
                          std::span<double> im) const
{
    assert(re.size() == omega.size() && im.size() == omega.size());
    if (lossless()) {
        SusceptanceOver(omega, im);
        std::fill(re.begin(), re.end(), 0.0);
        return;
    }
    for (std::size_t k = 0; k < omega.size(); ++k) {
        const Complex w = ImmittanceAt(omega[k]);
        re[k] = w.real();
        im[k] = w.imag();
    }
}

Part Part::Placed(const Element &element, Placement at, double value, std::string label,
                  PartModel model)
{
    return Part{KindOf(element, at), value, std::move(label), std::move(model)};
}

ElementKind Part::KindOf(const Element &element, Placement at)
{
    const bool shunt = at == Placement::Shunt;
    return std::visit(
        Overloaded{[&](Inductor) {
                       return shunt ? ElementKind::ShuntInductor : ElementKind::SeriesInductor;
                   },
                   [&](Capacitor) {
                       return shunt ? ElementKind::ShuntCapacitor : ElementKind::SeriesCapacitor;
                   },
                   [&](Line l) {
                       if (l.end == LineEnd::Open)
                           return ElementKind::ShuntOpenStub;
                       if (l.end == LineEnd::Short)
                           return ElementKind::ShuntShortStub;
                       return ElementKind::SeriesLine;
                   }},
        element);
}

std::string Part::Description() const
{
    if (kind == ElementKind::ShuntOpenStub)
        return "shunt open stub";
    if (kind == ElementKind::ShuntShortStub)
        return "shunt short stub";
    return std::string(shunt() ? "shunt " : "series ") + noun();
}

Part Part::WithImmittance(bool series, double immittance, double omega)
{
    const Placement at = series ? Placement::Series : Placement::Shunt;
    const Element element = ElementWithImmittanceSign(at, immittance);
    return Placed(element, at,
                  std::visit([&](auto e) { return e.ValueFor(at, immittance, omega); }, element));
}

Abcd Part::SectionAt(double omega) const
{
    // A series line of Z0 and electrical length theta:
    // [cos theta, j Z0 sin theta; j sin theta / Z0, cos theta]. A strip on
    // a board follows the microstrip model (board_line.h).
    if (isLine() && line.board)
        return BoardSectionAt(*this, omega);
    if (kind == ElementKind::SeriesLine) {
        const double theta = RadiansAt(omega / (2 * std::numbers::pi));
        const double c = std::cos(theta);
        const double s = std::sin(theta);
        return Abcd{{c, 0.0}, {0.0, line.z0Ohms * s}, {0.0, s / line.z0Ohms}, {c, 0.0}};
    }
    const Complex w = ImmittanceAt(omega);
    Abcd m;
    (shunt() ? m.C : m.B) = w;
    return m;
}

Part Part::Scaled(double factor) const
{
    return WithValue(value * factor);
}

Part Part::WithValue(double newValue) const
{
    Part part = *this;
    part.value = newValue;
    return part;
}

Part Part::WithQ(const std::optional<double> &inductorQ, const std::optional<double> &capacitorQ,
                 QModel qModel, units::Frequency centre) const
{
    Part part = *this;
    const std::optional<double> &q = Visit(
        [&](auto e) -> const std::optional<double> & { return e.QOf(inductorQ, capacitorQ); });
    if (q)
        part.model = FiniteQ{*q, qModel, centre};
    else
        part.model = Ideal{};
    return part;
}

Part Part::WithChipModel(const std::optional<ChipInductor> &inductorChip,
                         const std::optional<ChipCapacitor> &capacitorChip) const
{
    Part part = *this;
    const auto take = [&](const auto &chip) {
        if (chip)
            part.model = *chip;
    };
    Visit(Overloaded{[&](Inductor) { take(inductorChip); }, [&](Capacitor) { take(capacitorChip); },
                     [](Line) {}});
    return part;
}

std::pair<double, double> Part::RangeIn(const PartRanges &ranges) const
{
    return Visit([&](auto e) { return e.Range(ranges); });
}

std::optional<double> Part::ResonanceHz() const
{
    if (isLine())
        return std::nullopt;
    // 1 / (2 pi sqrt(main parasitic)), where the parasitic is there at all.
    const auto resonance = [](double main, double parasitic) -> std::optional<double> {
        if (!(main > 0) || !(parasitic > 0))
            return std::nullopt;
        return 1 / (2 * std::numbers::pi * std::sqrt(main * parasitic));
    };
    return std::visit(
        Overloaded{[&](const ChipInductor &m) { return resonance(si(), m.parallel.si()); },
                   [&](const ChipCapacitor &m) { return resonance(si(), m.esl.si()); },
                   [](const Measured &m) { return m.part ? m.part->resonanceHz : std::nullopt; },
                   [](const auto &) -> std::optional<double> { return std::nullopt; }},
        model);
}

std::string Part::SpiceValue() const
{
    return FixedNumber(value) + Visit([](auto e) { return e.spiceSuffix; });
}

} // namespace tevmar::analysis
