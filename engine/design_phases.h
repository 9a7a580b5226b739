#pragma once

// The phases of one design run, each a function of the values the phases
// before it produced: the setup read from the boxes, the solved prototype,
// the passband loss, the ladder after the Norton steps, the ladder scaled to
// the band and the ports, and the element table. RunDesign chains them.

#include "engine/design_inputs.h"
#include "engine/design_result.h"

#include <array>
#include <optional>
#include <vector>

namespace tevmar::design {

// The design works with pi to seven decimals in every formula: the load's Q,
// the prototype's angle terms and the scaling to the band. The printed element
// values depend on it (0.5 to 2 GHz, 75 to 12.5 ohms, 10 pF series RC, order
// 12 prints LP= 165.352 where full pi gives 165.353), so it stays as it is.
inline constexpr double kPi = 3.1415926;

// One value per position of the ladder, in the layout of DesignResult::prototype:
// slot 0 the source end, 1 ... n the prototype's elements, n+1 ... 2n their
// resonator partners, 2n+1 the load end. Order 12 (n = 6) fills all 14.
inline constexpr int kMaxPrototypeOrder = 6;
using Slots = std::array<double, 2 * kMaxPrototypeOrder + 2>;

// The boxes read once: the band, the ports, the load's reactance and Q, the
// prototype order and where the solver starts.
struct DesignSetup
{
    InputValues typed; // the boxes' numbers, as read
    BandParameters band;
    double zhigh = 0; // ohms
    double zlow = 0;  // ohms
    double ratio = 0; // Zhigh / Zlow, the transformation the network must make
    // The reactance absorbed into the network, nH (RL) or pF (RC); 0 when
    // nothing is absorbed or the reactance is too small to matter.
    double absorbedValue = 0;
    double loadQ = 0;  // Q of the load's reactance at F0 (0.2 when nothing is absorbed)
    double g1 = 0;     // first prototype element the load fixes, LoadQ / Qt
    double xStart = 0; // the solver's first trial of gn * g(n+1)
    int n = 0;         // prototype order: network order / 2
    LoadType loadType = LoadType::SeriesRL;
    bool valid = false; // a band, a ratio and a load a design can be made for
};

DesignSetup ReadSetup(const DesignInputs &inputs);

// The Chebyshev impedance-transforming prototype for one trial x = gn * g(n+1),
// with what the solver and the later phases need of it.
struct Prototype
{
    double x = 0;
    double g1 = 0; // the load's element, or x when both ends are equally terminated
    double Dplus = 0;
    double Dminus = 0;
    Slots g{}; // g0 ... gn, partners 1 / (Qt^2 gk), g(n+1) at 2n+1
    // Per pair of resonators j = 1 ... n/2 the Norton factor 1 + Qt^2 g(2j-1) g(2j).
    std::array<double, kMaxPrototypeOrder / 2> pairFactor{};
    double ratio = 0;        // the transformation ratio this prototype makes
    double error = 0;        // Zhigh / Zlow less that ratio
    bool outOfRange = false; // an element below 0.001
    bool finite = false;     // every element and figure is a finite number
};

Prototype EvaluatePrototype(const DesignSetup &setup, double x);

// The solver's answer: the prototype that meets the ratio, if one was found.
struct Solution
{
    Prototype prototype;
    int passes = 0;
    bool found = false;
};

Solution SolvePrototype(const DesignSetup &setup);

// Largest and smallest mismatch loss in the passband and the VSWR at each.
struct PassbandLoss
{
    double GammaMax = 0, GammaMin = 0;
    double Lmax = 0, Lmin = 0; // dB
    double Smax = 0, Smin = 0;
    bool finite = false;
};

PassbandLoss PassbandLossOf(const Prototype &prototype, int n);

// The normalised bandpass ladder: every prototype element a resonator, each
// pair's shunt capacitor removed by its Norton step.
struct NortonSteps
{
    Slots g{};     // the resonators' normalised elements
    Slots shunt{}; // at the even slots: the shunt capacitor each step creates
};

NortonSteps ApplyNortonSteps(const Prototype &prototype, int n);

// The same ladder scaled to the band and to the high port's impedance.
struct ScaledLadder
{
    Slots si{};    // terminations in ohms, capacitors in F, inductors in H
    Slots shunt{}; // the Norton steps' shunt capacitors, F
};

ScaledLadder Denormalise(const NortonSteps &steps, const DesignSetup &setup);

// The element table's values in ohms, nH and pF, in the topology of the load
// type, by slot.
struct ElementTable
{
    Slots full{};    // before rounding
    Slots printed{}; // rounded to 0.001 as printed
};

// Nothing when a value is not a finite number.
std::optional<ElementTable> ElementValues(const ScaledLadder &ladder, const DesignSetup &setup);

// The element table's rows in print order, the ladder's physical order from
// the high-impedance port.
std::vector<ElementRow> TableRows(const ElementTable &table, int n, LoadType loadType);

} // namespace tevmar::design
