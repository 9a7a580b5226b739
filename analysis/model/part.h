#pragma once

// One part of a matching network: what element it is (element.h), where it
// stands (in series with the line or across it), the model it follows, its
// nominal value and its label. Everything an analysis asks of a part is
// answered here or by its element kind: the immittance the cascade adds at
// each frequency of a grid and the section it makes, the value a tuner moves
// and the range it may move in, how a tolerance trial and a snap to standard
// values change it, and how a SPICE netlist writes its value. A new model of
// a part (a chip inductor with its self-resonance, a capacitor with its ESL
// and ESR, a vendor's measured part) is a new alternative of PartModel and the
// cases of part.cpp and export_spice.cpp; a new element kind is a new
// alternative of Element (element.h).

#include "analysis/model/element.h"
#include "engine/design_result.h"
#include "units/quantity.h"

#include <complex>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>

namespace tevmar::analysis {

using Complex = std::complex<double>;

enum class ESeries; // analysis/eseries.h

// How a finite Q turns into loss across frequency.
enum class QModel {
    Centre,  // the loss resistance fixed by Q at the centre frequency (Q rises with f for L)
    Constant // the same Q at every frequency
};

// The models a part may follow.
//
// Ideal: a pure reactance, jwL or 1/(jwC).
struct Ideal
{
    friend bool operator==(const Ideal &, const Ideal &) = default;
};

// A finite Q: an inductor gets the series loss resistance w0 L / Q, a
// capacitor the parallel conductance w0 C / Q, where w0 is the centre
// frequency's (QModel::Centre) or the frequency's own (QModel::Constant).
struct FiniteQ
{
    double q = 0;
    QModel model = QModel::Centre;
    units::Frequency centre;

    friend bool operator==(const FiniteQ &, const FiniteQ &) = default;
};

// A kit's measured part (analysis/part_kit.h): its impedance at any
// frequency is its data's, interpolated; the nominal value only names it.
// The data are shared by every copy of a network.
struct KitPart;
struct Measured
{
    std::shared_ptr<const KitPart> part;

    friend bool operator==(const Measured &, const Measured &) = default;
};

// A chip inductor as its maker describes it: the winding's loss, a series
// resistance R(f) = (2 pi F L / Q) sqrt(f / F) that gives the quoted Q at F
// and rises as the skin effect does, and the capacitance between its turns,
// CP, across L and R together, which sets the self-resonance. A tolerance
// draw or a snap moves L (and so R, Q staying as quoted); CP stays.
struct ChipInductor
{
    double q = 0;                // at `at`
    units::Frequency at;         // where Q is quoted
    units::Capacitance parallel; // CP across the winding

    friend bool operator==(const ChipInductor &, const ChipInductor &) = default;
};

// A chip capacitor as its maker describes it: C in series with the
// inductance of its body and pads (ESL) and its loss resistance, ESR at F
// rising as sqrt(f / F). Above the series resonance it behaves as an
// inductor. A tolerance draw or a snap moves C only.
struct ChipCapacitor
{
    units::Inductance esl;
    units::Resistance esr; // at `at`
    units::Frequency at;

    friend bool operator==(const ChipCapacitor &, const ChipCapacitor &) = default;
};

using PartModel = std::variant<Ideal, FiniteQ, ChipInductor, ChipCapacitor, Measured>;

// Below 0.1 nH or 0.1 pF no chip part is made: such an element needs a
// printed structure or a different design.
inline constexpr double kSmallestChipValue = 0.1;

// What a length of line is besides its length: its characteristic
// impedance and the frequency at which the part's value is its electrical
// length in degrees (an ideal TEM line's length grows in proportion to
// frequency). Read only for parts whose element is a Line.
struct LineShape
{
    double z0Ohms = 50;
    double referenceHz = units::Frequency::FromGHz(1).hz();
    // A strip etched on a board (analysis/model/board_line.h): its section
    // then follows the microstrip model at every frequency (dispersive Z0
    // and eps_eff, conductor and dielectric loss), the part's degrees are
    // its electrical length at referenceHz (an open stub's including its
    // end's extension) and z0Ohms its impedance there. Ideal TEM when empty.
    std::optional<lines::BoardLine> board = std::nullopt;

    friend bool operator==(const LineShape &, const LineShape &) = default;
};

struct Part
{
    // What the part is and where it stands, together, as the element table
    // writes it; never Termination. element() and placement() give the two
    // apart, and everything below asks them.
    ElementKind kind = ElementKind::SeriesInductor;
    // The nominal value as the element table, the standard series and the
    // part ranges write it: nH for an inductor, pF for a capacitor. The
    // standard values are exact decimals in these units (0.68 nH), so a
    // part keeps that number and gives its SI value on demand.
    double value = 0;
    std::string label = {}; // the element table's label, "LP=", "CS=", ...
    PartModel model = Ideal{};
    LineShape line = {}; // a line's Z0 and the frequency its degrees are at

    // A length of line in its place: `degrees` long at `referenceHz`.
    static Part LineOf(LineEnd end, double z0Ohms, double degrees, double referenceHz,
                       std::string label = {});

    // A part of the given kind, place, value, label and model.
    static Part Placed(const Element &element, Placement at, double value, std::string label = {},
                       PartModel model = Ideal{});
    // The element table's kind of an element in a place.
    static ElementKind KindOf(const Element &element, Placement at);

    Element element() const
    {
        if (kind == ElementKind::ShuntInductor || kind == ElementKind::SeriesInductor)
            return Inductor{};
        if (kind == ElementKind::SeriesLine)
            return Line{LineEnd::Through};
        if (kind == ElementKind::ShuntOpenStub)
            return Line{LineEnd::Open};
        if (kind == ElementKind::ShuntShortStub)
            return Line{LineEnd::Short};
        return Capacitor{};
    }
    Placement placement() const
    {
        return kind == ElementKind::ShuntInductor || kind == ElementKind::ShuntCapacitor ||
                       kind == ElementKind::ShuntOpenStub || kind == ElementKind::ShuntShortStub
                   ? Placement::Shunt
                   : Placement::Series;
    }
    bool isLine() const { return std::holds_alternative<Line>(element()); }
    // A line's electrical length in radians at a frequency.
    double RadiansAt(double frequencyHz) const
    {
        return Line::Si(value) * frequencyHz / line.referenceHz;
    }
    // Calls f with the part's element kind (Inductor or Capacitor): f is an
    // overload set or a generic lambda reading the kind's members.
    template <class F> decltype(auto) Visit(F &&f) const
    {
        return std::visit(std::forward<F>(f), element());
    }

    bool shunt() const { return placement() == Placement::Shunt; }
    // A strip on a board loses power in its copper and dielectric.
    bool lossless() const { return std::holds_alternative<Ideal>(model) && !line.board; }

    // A way of asking the kind kept for the amplifier's ladder, which builds
    // its parts from the element table and names them by it; to retire when
    // the amplifier's sides are networks of this model. Everything else asks
    // the element.
    bool inductor() const { return std::holds_alternative<Inductor>(element()); }

    units::Inductance inductance() const { return units::Inductance::FromNanohenries(value); }
    units::Capacitance capacitance() const { return units::Capacitance::FromPicofarads(value); }
    // Henries or farads.
    double si() const
    {
        return Visit([&](auto e) { return e.Si(value); });
    }
    // "nH" or "pF", the unit of `value`.
    const char *unit() const
    {
        return Visit([](auto e) { return e.unit; });
    }
    // "L" or "C", as a SPICE netlist and the part names begin.
    const char *letter() const
    {
        return Visit([](auto e) { return e.letter; });
    }
    // "inductor" or "capacitor".
    const char *noun() const
    {
        return Visit([](auto e) { return e.noun; });
    }
    // Where it stands and what it is, "series inductor", "shunt capacitor".
    std::string Description() const;
    bool belowChipRange() const { return value < kSmallestChipValue; }

    // Direct current through the ladder: a series part that stops it (a
    // capacitor), a shunt part that shorts it to ground (an inductor).
    bool blocksDc() const
    {
        return !shunt() && !Visit([](auto e) { return e.conductsDc; });
    }
    bool groundsDc() const
    {
        // An open stub's far end leaves direct current alone.
        if (kind == ElementKind::ShuntOpenStub)
            return false;
        return shunt() && Visit([](auto e) { return e.conductsDc; });
    }

    // The reactance of the part's own L or C at angular frequency omega,
    // w L or -1 / (w C) in ohms, and its susceptance, -1 / (w L) or w C, in
    // siemens: what the closed-form sections and the load's Q read.
    double ReactanceAt(double omega) const
    {
        return Visit([&](auto e) { return e.Reactance(omega, si()); });
    }
    double SusceptanceAt(double omega) const
    {
        return Visit([&](auto e) { return e.Susceptance(omega, si()); });
    }

    // The ideal part of the given place whose series reactance (series) or
    // shunt susceptance (shunt) at omega is `immittance`, signed as the part
    // makes it: an inductor for a positive one in series or a negative one
    // across the line, a capacitor otherwise.
    static Part WithImmittance(bool series, double immittance, double omega);

    // The immittance the cascade adds at angular frequency omega: the series
    // impedance of a series part, the admittance of a shunt part.
    Complex ImmittanceAt(double omega) const;

    // The part's two-port section at omega: a series impedance Z is
    // [1 Z; 0 1], a shunt admittance Y is [1 0; Y 1]. The cascades append
    // the immittance directly, which gives the same numbers with fewer
    // products; a section that is neither (a length of line) has only this.
    Abcd SectionAt(double omega) const;
    // Is the section a series impedance or a shunt admittance (every lumped
    // part), which the cascades append as ImmittanceAt gives it?
    bool immittanceSection() const
    {
        return Visit([](auto e) { return e.immittanceSection; });
    }

    // How the immittance changes per relative change of the nominal value,
    // d ImmittanceAt / d ln(value): a part's parasitics held, its L or C
    // moved. The tuner's gradient of a lossy network reads it.
    Complex ImmittanceByLogValueAt(double omega) const;
    // The same, given the part's immittance at omega as ImmittanceAt gives
    // it: an ideal part's and a finite Q's is that immittance or its
    // negative, with nothing more to work out.
    Complex ImmittanceByLogValueAt(double omega, Complex immittance) const;

    // A lossless part's immittance is j b, b = Im of ImmittanceAt; the grid
    // form fills b for each angular frequency. Only for a lossless part.
    void SusceptanceOver(std::span<const double> omega, std::span<double> b) const;
    // The full immittance over a grid, real and imaginary parts apart.
    void ImmittanceOver(std::span<const double> omega, std::span<double> re,
                        std::span<double> im) const;

    // Does the immittance grow with the value (a series inductor's jwL, a
    // shunt capacitor's jwC) or shrink (a series capacitor's 1/(jwC), a shunt
    // inductor's 1/(jwL))? Its log-derivative is then +1 or -1 times itself.
    bool immittanceGrowsWithValue() const
    {
        return Visit([](auto e) { return e.impedanceGrowsWithValue; }) != shunt();
    }
    // An ideal part's immittance at omega from its SI value (henries or
    // farads) and immittanceGrowsWithValue: w v where it grows, -1 / (w v)
    // where it shrinks. For loops that hold the two apart from the part.
    static double IdealImmittance(bool grows, double omega, double si)
    {
        return grows ? omega * si : -1.0 / (omega * si);
    }

    // The same part at `factor` times its nominal value: a tolerance trial's
    // draw, a sensitivity step.
    Part Scaled(double factor) const;
    // The same part at another nominal value (nH or pF): the tuner's move.
    Part WithValue(double newValue) const;
    // The nearest standard value of the series (analysis/eseries.cpp).
    Part Snapped(ESeries series) const;
    // The same part with the finite Q of its kind, or ideal when absent.
    Part WithQ(const std::optional<double> &inductorQ, const std::optional<double> &capacitorQ,
               QModel model, units::Frequency centre) const;
    // The same part with the chip model of its kind when the options give
    // one, its model otherwise.
    Part WithChipModel(const std::optional<ChipInductor> &inductorChip,
                       const std::optional<ChipCapacitor> &capacitorChip) const;

    // The lower and upper value a tuner may give this part, nH or pF.
    std::pair<double, double> RangeIn(const PartRanges &ranges) const;

    // The frequency, Hz, where the part stops being its kind: a chip
    // inductor's self-resonance 1 / (2 pi sqrt(L CP)), a chip capacitor's
    // series resonance 1 / (2 pi sqrt(C ESL)), a kit part's as its data show
    // it. Nothing for an ideal part, a finite Q or a length of line.
    std::optional<double> ResonanceHz() const;

    // The value as a SPICE card writes it, in the unit its suffix names
    // ("2.2n", "0.5p"); SPICE reads "M" as milli, so no other suffix is used.
    std::string SpiceValue() const;
};

} // namespace tevmar::analysis
