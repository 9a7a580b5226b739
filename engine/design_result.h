#pragma once

#include "engine/design_inputs.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tevmar {

// The band as the design reads it from the two edges, which may be typed in
// either order.
struct BandParameters
{
    double F1 = 0;    // lower band edge as typed, MHz
    double F2 = 0;    // upper band edge as typed, MHz
    double BW = 0;    // bandwidth |F2 - F1|, MHz
    double F0 = 0;    // geometric centre frequency, MHz
    double Qt = 0;    // band Q, F0 / BW
    double F0GHz = 0; // centre frequency, GHz
};

// Where an element of the ladder stands and what it is.
enum class ElementKind {
    Termination,
    ShuntInductor,
    ShuntCapacitor,
    SeriesInductor,
    SeriesCapacitor,
    // Lengths of line, which the synthesis never makes: a tuned network's
    // line in series and its stubs to an open or a shorted end.
    SeriesLine,
    ShuntOpenStub,
    ShuntShortStub
};

// One row of the element table, in physical order from the high-impedance port.
struct ElementRow
{
    std::string_view label; // "R =", "LP=", "CP=", "CS=", "LS="
    std::string_view unit;  // " Ohms", " Nano-Henry", " Pico-Farad"
    ElementKind kind = ElementKind::Termination;
    double value = 0;     // as printed: ohms, nH or pF rounded to 0.001
    double fullValue = 0; // the same quantity before rounding
};

// The figures of one design. Everything past `band` is meaningful only when
// the design was solved.
struct DesignResult
{
    bool solved = false; // false: "  SOLUTION OUT OF RANGE"
    InputValues typed;   // the boxes' numbers as this run read them, solved or not
    BandParameters band;

    int n = 0;      // prototype order: network order / 2
    int passes = 0; // solver passes made
    double ZRatio = 0;
    double zhighOhms = 0; // the port impedances as the boxes read, not back-computed
    double zlowOhms = 0;
    double LoadQ = 0; // Q of the load's reactance at F0 (0.2 when nothing is absorbed)
    double g1 = 0;
    double x = 0; // solution: gn * g(n+1)
    double SourceQ = 0;
    double reportedLoadQ = 0; // g1 * Qt
    double Dplus = 0;
    double Dminus = 0;
    double f = 0; // achieved transformation ratio
    double GammaMax = 0;
    double GammaMin = 0;
    double Lmax = 0;       // dB
    double Lmin = 0;       // dB
    double Smax = 0;       // VSWR at maximum loss
    double Smin = 0;       // VSWR at minimum loss
    bool absorbed = false; // a load reactance above 0.001 is absorbed: its table row is the load's
    double absorbedValue = 0; // the load's reactance as typed: nH (RL) or pF (RC); 0 when none
    bool inductive = false;   // LP, CS, CP, LS pairs (RL loads); CP, LS, LP, CS otherwise
    LoadType loadType =
        LoadType::SeriesRL; // where an absorbed reactance sits: low port (series) or high (shunt)

    // The solved prototype g0, g1 ... gn, partners, and g(n+1) at index 2n+1.
    std::array<double, 26> prototype{};

    std::vector<ElementRow> table;
};

} // namespace tevmar
