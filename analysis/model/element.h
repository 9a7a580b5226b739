#pragma once

// What an element of a matching network is, apart from where it stands.
//
// An element kind (an inductor, a capacitor) says everything that follows
// from what it is: the SI quantity of its nominal value and the unit that
// value is written in, how its reactance follows the frequency, the range a
// tuner may move it in, which of the loss model's Q and chip model it takes,
// and the words and letters its descriptions use. Where it stands (in series
// with the line, across it, or as a two-port section of its own) is a
// Placement, kept apart. `Element` is the variant of the kinds: code that
// must treat them differently visits it with an overload set, so a kind
// left out is a compile error rather than a case missed at run time.
//
// A new kind (a resistor, a transmission line, a stub) is a new struct here
// with the same members, an alternative of `Element`, and the cases its
// visitors then ask for (part.cpp for its section, export_spice.cpp for its
// cards, network.cpp for its loss model).

#include "analysis/lines/substrate.h"
#include "units/quantity.h"

#include <complex>
#include <optional>
#include <utility>
#include <variant>

namespace tevmar::analysis {

using Complex = std::complex<double>;

// The chain matrix of a two-port section, or of a cascade of them.
struct Abcd
{
    Complex A{1, 0}, B{0, 0}, C{0, 0}, D{1, 0};
};

// Where an element stands in the ladder: in series with the line, or across
// it to ground.
enum class Placement { Series, Shunt };

// The values a tuned part may take, in nH and pF: by default what chip parts
// span, 0.1 nH to 10 uH and 0.1 pF to 100 nF.
struct PartRanges
{
    double inductorLowNh = 0.1;
    double inductorHighNh = 10'000;
    double capacitorLowPf = 0.1;
    double capacitorHighPf = 100'000;
    // A length of line, in degrees at the band's centre: a line or stub
    // longer than half a wavelength only repeats what a shorter one does.
    double lineLowDegrees = 1;
    double lineHighDegrees = 180;
    // A line's characteristic impedance, ohms: what a board can etch.
    double lineLowZ0Ohms = 20;
    double lineHighZ0Ohms = 120;
    // Every line's characteristic impedance held at this, when given.
    std::optional<double> fixedLineZ0Ohms = std::nullopt;
    // Whether the candidates may use lengths of line and stubs at all.
    bool lines = false;
    // Lines etched on this board rather than ideal TEM lines: each line's
    // width stays within lineLowWidth and lineHighWidth (m), and its drawn
    // length is snapped to a multiple of lineLengthStep (m) once tuned.
    std::optional<lines::Substrate> board = std::nullopt;
    double lineLowWidth = units::Length::FromMillimetres(0.15).metres();
    double lineHighWidth = units::Length::FromMillimetres(5).metres();
    double lineLengthStep = units::Length::FromMillimetres(0.05).metres();

    friend bool operator==(const PartRanges &, const PartRanges &) = default;
};

// Calls F on an overload set: `std::visit(Overloaded{[](Inductor) {...},
// [](Capacitor) {...}}, element)`.
template <class... F> struct Overloaded : F...
{
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

struct Inductor
{
    static constexpr const char *letter = "L";      // SPICE cards and part names begin with it
    static constexpr const char *unit = "nH";       // the unit of a part's nominal value
    static constexpr const char *noun = "inductor"; // the bill of materials' and JSON's word
    static constexpr const char *spiceSuffix = "n"; // SPICE reads "M" as milli: only n is used
    static constexpr const char *siSymbol = "H";
    static constexpr double siPerUnit = units::kSiPerNanohenry;
    static constexpr int unitExponent = -9;
    // j w L grows with L: its impedance in series, and shrinks as the
    // admittance 1 / (j w L) across the line.
    static constexpr bool impedanceGrowsWithValue = true;
    // An inductor passes direct current: in series it lets it through, across
    // the line it shorts it to ground.
    static constexpr bool conductsDc = true;
    // Its section is a series impedance or a shunt admittance, which the
    // cascades append directly; a kind whose section is a two-port of its
    // own (a length of line) says false and gives its ABCD.
    static constexpr bool immittanceSection = true;

    static double Si(double nanohenries)
    {
        return units::Inductance::FromNanohenries(nanohenries).si();
    }
    // The nominal value (nH) of an inductor whose series reactance (series)
    // or shunt susceptance (shunt) at omega is `immittance`.
    static double ValueFor(Placement at, double immittance, double omega)
    {
        return units::Inductance::FromHenries(at == Placement::Series ? immittance / omega
                                                                      : -1 / (omega * immittance))
            .nanohenries();
    }
    static double Reactance(double omega, double henries) { return omega * henries; }
    static double Susceptance(double omega, double henries) { return -1 / (omega * henries); }
    static std::pair<double, double> Range(const PartRanges &r)
    {
        return {r.inductorLowNh, r.inductorHighNh};
    }
    // Of a loss model's two Qs, the one an inductor takes.
    static const std::optional<double> &QOf(const std::optional<double> &inductorQ,
                                            const std::optional<double> &)
    {
        return inductorQ;
    }
};

struct Capacitor
{
    static constexpr const char *letter = "C";
    static constexpr const char *unit = "pF";
    static constexpr const char *noun = "capacitor";
    static constexpr const char *spiceSuffix = "p";
    static constexpr const char *siSymbol = "F";
    static constexpr double siPerUnit = units::kSiPerPicofarad;
    static constexpr int unitExponent = -12;
    // 1 / (j w C) shrinks as C grows: in series; across the line its
    // admittance j w C grows.
    static constexpr bool impedanceGrowsWithValue = false;
    // A capacitor blocks direct current in series and leaves it alone across
    // the line.
    static constexpr bool conductsDc = false;
    static constexpr bool immittanceSection = true;

    static double Si(double picofarads)
    {
        return units::Capacitance::FromPicofarads(picofarads).si();
    }
    static double ValueFor(Placement at, double immittance, double omega)
    {
        return units::Capacitance::FromFarads(at == Placement::Series ? -1 / (omega * immittance)
                                                                      : immittance / omega)
            .picofarads();
    }
    static double Reactance(double omega, double farads) { return -1 / (omega * farads); }
    static double Susceptance(double omega, double farads) { return omega * farads; }
    static std::pair<double, double> Range(const PartRanges &r)
    {
        return {r.capacitorLowPf, r.capacitorHighPf};
    }
    static const std::optional<double> &QOf(const std::optional<double> &,
                                            const std::optional<double> &capacitorQ)
    {
        return capacitorQ;
    }
};

// A length of TEM line: in series with the signal path (`Through`), or
// across it as a stub whose far end is open or shorted to ground. Its
// nominal value is its electrical length in degrees at the frequency its
// part names; its characteristic impedance is the part's too (part.h).
enum class LineEnd { Through, Open, Short };

struct Line
{
    LineEnd end = LineEnd::Through;

    static constexpr const char *letter = "T"; // SPICE's transmission line
    static constexpr const char *unit = "deg";
    static constexpr const char *noun = "line";
    static constexpr const char *spiceSuffix = "";
    static constexpr const char *siSymbol = "rad";
    static constexpr double siPerUnit = 0.017453292519943295; // radians per degree
    static constexpr int unitExponent = 0;
    // A longer stub or line turns the impedance further round the chart; the
    // direction depends on where it starts, so a line does not say.
    static constexpr bool impedanceGrowsWithValue = true;
    // A series line passes direct current; which stubs ground it depends on
    // the end, which Part::groundsDc reads.
    static constexpr bool conductsDc = true;
    // A line is a two-port of its own, even a stub (its admittance is not
    // proportional to its length): the cascades take its ABCD.
    static constexpr bool immittanceSection = false;

    static double Si(double degrees) { return degrees * siPerUnit; }
    static double ValueFor(Placement, double, double) { return 90; }
    // No lumped reactance: a line's figures come from its ABCD.
    static double Reactance(double, double) { return 0; }
    static double Susceptance(double, double) { return 0; }
    static std::pair<double, double> Range(const PartRanges &r)
    {
        return {r.lineLowDegrees, r.lineHighDegrees};
    }
    // A line takes no Q of the lumped parts' loss model.
    static const std::optional<double> &QOf(const std::optional<double> &,
                                            const std::optional<double> &)
    {
        static const std::optional<double> none;
        return none;
    }
};

using Element = std::variant<Inductor, Capacitor, Line>;

// The element kind whose immittance at omega has the sign of `immittance` in
// the given place: a positive series reactance or a positive shunt
// susceptance needs the kind whose immittance there grows with its value.
inline Element ElementWithImmittanceSign(Placement at, double immittance)
{
    const bool growing = immittance > 0;
    // In series the impedance grows with an inductor's value; across the line
    // the admittance grows with a capacitor's.
    if (growing == (at == Placement::Series))
        return Inductor{};
    return Capacitor{};
}

} // namespace tevmar::analysis
