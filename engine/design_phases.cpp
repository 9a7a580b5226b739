#include "engine/design_phases.h"

#include "engine/design.h"

#include <cmath>
#include <string_view>
#include <utility>

// The figures must come out to the last bit as they always have: the goldens
// hold the printed values, so every formula keeps its order of operations.

namespace tevmar::design {

namespace {

// The hyperbolic functions of the loss formulas, from exp, sqrt and log.
double Cosh(double x)
{
    return (std::exp(x) + std::exp(-x)) / 2;
}
double Sinh(double x)
{
    return (std::exp(x) - std::exp(-x)) / 2;
}
double Asinh(double x)
{
    return std::log(x + std::sqrt(x * x + 1));
}

// The angle terms of the prototype formula. They depend only on the order, so
// every evaluation of the solver reuses them.
struct ChebyshevTerms
{
    double s = 0; // sin(pi / 2n)
    std::array<double, 7> numerator{}, sinSquared{}, cosine{};
};

ChebyshevTerms ChebyshevTermsOf(int n, double pi)
{
    ChebyshevTerms terms;
    terms.s = std::sin(pi / (2 * n));
    for (int j = 1; j < n; ++j) {
        const double sj = std::sin(j * pi / n);
        terms.numerator[j] =
            4 * std::sin((2 * j - 1) * pi / (2 * n)) * std::sin((2 * j + 1) * pi / (2 * n));
        terms.sinSquared[j] = sj * sj;
        terms.cosine[j] = std::cos(j * pi / n);
    }
    return terms;
}

// The terms of the three prototype orders (2, 4 and 6), worked out once:
// constants, like the table of a handbook.
const ChebyshevTerms &TermsForOrder(int n)
{
    static const std::array<ChebyshevTerms, 3> terms{
        ChebyshevTermsOf(2, kPi), ChebyshevTermsOf(4, kPi), ChebyshevTermsOf(6, kPi)};
    return terms[static_cast<std::size_t>(n / 2 - 1)];
}

BandParameters ReadBand(const InputValues &typed)
{
    BandParameters band;
    band.F1 = typed.f1Ghz * 1000;
    band.F2 = typed.f2Ghz * 1000;
    band.BW = std::fabs(band.F2 - band.F1);
    band.F0 = std::sqrt(band.F1 * band.F2);
    band.Qt = band.F0 / band.BW;
    band.F0GHz = band.F0 / 1000;
    return band;
}

// Q of the load's reactance at the centre frequency; 0.2 when nothing is absorbed.
double LoadQOf(const DesignSetup &setup, double reactance)
{
    if (!(reactance > 0.001))
        return 0.2;
    // w * L (nH) is a reactance in ohms; w * C (pF) * 0.001 a susceptance in siemens.
    const double w = 2 * kPi * setup.band.F0GHz;
    switch (setup.loadType) {
    case LoadType::SeriesRL:
        return w * reactance / setup.zlow;
    case LoadType::SeriesRC:
        return 1 / (w * reactance * 0.001 * setup.zlow);
    case LoadType::ShuntRL:
        return setup.zhigh / (w * reactance);
    case LoadType::ShuntRC:
        return w * reactance * 0.001 * setup.zhigh;
    }
    return 0; // not reached: every load type is listed
}

// A series load sits at the low-impedance end: turn the prototype end for end
// and rescale so that the element the load fixed lands next to that end.
void ReverseEndForEnd(Slots &g, int n)
{
    std::array<double, kMaxPrototypeOrder + 2> turned{};
    for (int k = 0; k <= n + 1; ++k)
        turned[k] = g[n + 1 - k];
    for (int k = 1; k <= n - 1; k += 2) {
        g[k] = turned[k] * turned[0];
        g[k + 1] = turned[k + 1] / turned[0];
    }
    g[0] = 1;
    g[n + 1] = turned[0];
}

// g0 ... g(n+1) from the end parameters: g[k] first holds the product
// g(k-1) gk of neighbouring elements.
void PrototypeElements(Prototype &p, const ChebyshevTerms &terms, int n)
{
    Slots &g = p.g;
    for (int k = 2; k <= n; ++k) {
        const int j = k - 1;
        g[k] = terms.numerator[j] / (p.Dplus * p.Dplus + p.Dminus * p.Dminus + terms.sinSquared[j] -
                                     2 * p.Dplus * p.Dminus * terms.cosine[j]);
    }
    g[0] = 1;
    g[1] = p.g1;
    // g[k] holds g(k-1) * gk; dividing in increasing order leaves gk.
    for (int k = 2; k <= n; ++k)
        g[k] = g[k] / g[k - 1];
    g[n + 1] = p.x / g[n];
    for (int i = 0; i <= n + 1; ++i)
        if (g[i] < 0.001)
            p.outOfRange = true;
}

// The resonator partners, the Norton factor of each pair and the ratio the
// ladder transforms by.
void PartnersAndRatio(Prototype &p, const DesignSetup &setup)
{
    const int n = setup.n;
    const double Qt = setup.band.Qt;
    Slots &g = p.g;
    g[2 * n + 1] = g[n + 1];
    for (int k = 1; k <= n; ++k)
        g[n + k] = 1 / (Qt * Qt * g[k]);

    double prod = 1;
    for (int k = 2; k <= n; k += 2) {
        double &a = p.pairFactor[static_cast<std::size_t>(k / 2 - 1)];
        a = 1 + Qt * Qt * g[k] * g[k - 1];
        prod = prod * (a * a);
    }
    p.ratio = prod * g[2 * n + 1];
    p.error = setup.ratio - p.ratio;
}

bool AllFinite(const Prototype &p, int n)
{
    for (int i = 0; i <= 2 * n + 1; ++i)
        if (!std::isfinite(p.g[i]))
            return false;
    return std::isfinite(p.ratio) && std::isfinite(p.error) && std::isfinite(p.Dplus) &&
           std::isfinite(p.Dminus);
}

// The element table's values in ohms and in the SI units of the ladder, by
// slot, before the load type picks nH and pF.
Slots TableSlots(const ScaledLadder &ladder, int n)
{
    Slots out{};
    const Slots &SI = ladder.si;
    out[0] = SI[0];
    for (int i = 2; i <= n; i += 2) {
        out[n + i - 1] = SI[n + i - 1];
        out[i - 1] = SI[i]; // the eliminated capacitor SI[i - 1] is dropped
        out[i] = ladder.shunt[i];
        out[n + i] = SI[n + i];
    }
    out[2 * n + 1] = SI[2 * n + 1];
    return out;
}

// What stands at each position of a resonator pair in the element table:
// the shunt element of the first resonator, the series element, the shunt
// element the Norton step created, and the series element of the second
// resonator. An RL load takes the inductive pair, an RC load its dual.
struct Position
{
    std::string_view label;
    std::string_view unit;
    ElementKind kind;
};

constexpr std::string_view kNanoHenry = " Nano-Henry";
constexpr std::string_view kPicoFarad = " Pico-Farad";
constexpr Position kTermination{"R =", " Ohms", ElementKind::Termination};
constexpr std::array<Position, 4> kInductivePair{{
    {"LP=", kNanoHenry, ElementKind::ShuntInductor},
    {"CS=", kPicoFarad, ElementKind::SeriesCapacitor},
    {"CP=", kPicoFarad, ElementKind::ShuntCapacitor},
    {"LS=", kNanoHenry, ElementKind::SeriesInductor},
}};
constexpr std::array<Position, 4> kCapacitivePair{{
    {"CP=", kPicoFarad, ElementKind::ShuntCapacitor},
    {"LS=", kNanoHenry, ElementKind::SeriesInductor},
    {"LP=", kNanoHenry, ElementKind::ShuntInductor},
    {"CS=", kPicoFarad, ElementKind::SeriesCapacitor},
}};

} // namespace

// Inputs, band parameters, load Q, prototype order and the solver's start.
DesignSetup ReadSetup(const DesignInputs &inputs)
{
    DesignSetup setup;
    setup.typed = ReadInputValues(inputs);
    setup.band = ReadBand(setup.typed);
    setup.loadType = inputs.loadType;
    double reactance = setup.typed.absorbedValue;
    setup.zhigh = setup.typed.zhighOhms;
    setup.zlow = setup.typed.zlowOhms;
    setup.ratio = setup.zhigh / setup.zlow;
    setup.loadQ = LoadQOf(setup, reactance);

    const BandParameters &b = setup.band;
    const bool valueFinite = std::isfinite(reactance);
    if (setup.loadQ / b.Qt <= 0.02)
        reactance = 0; // a reactance this small is not worth absorbing
    setup.absorbedValue = reactance;

    setup.n = inputs.networkOrder == 8 ? 4 : inputs.networkOrder == 12 ? 6 : 2;
    setup.g1 = setup.loadQ / b.Qt;
    setup.xStart = 2 * setup.loadQ / b.Qt;

    // A band needs two distinct edges of the same sign, and the ratio two
    // finite, non-zero port impedances; anything else has no design.
    const bool bandValid = std::isfinite(b.F0) && b.F0 > 0 && std::isfinite(b.BW) && b.BW > 0 &&
                           std::isfinite(b.Qt) && b.Qt > 0;
    const bool ratioValid = std::isfinite(setup.ratio) && setup.ratio != 0;
    const bool loadValid = (valueFinite || reactance == 0) && std::isfinite(setup.loadQ) &&
                           std::isfinite(setup.g1) && std::isfinite(setup.xStart);
    setup.valid = bandValid && ratioValid && loadValid;
    return setup;
}

// The Chebyshev impedance-transforming prototype g0 ... g(n+1) for the trial x,
// turned end for end for a series load.
Prototype EvaluatePrototype(const DesignSetup &setup, double x)
{
    Prototype p;
    p.x = x;
    if (!std::isfinite(x) || x == 0)
        return p; // the end parameters divide by x
    const ChebyshevTerms &terms = TermsForOrder(setup.n);
    const double s = terms.s;
    if (setup.absorbedValue <= 0.001) {
        // Nothing absorbed: both ends equally terminated.
        p.Dplus = (2 / x) * s;
        p.Dminus = 0;
        p.g1 = x;
    } else {
        p.g1 = setup.g1;
        p.Dplus = (1 / x + 1 / p.g1) * s;
        p.Dminus = (1 / x - 1 / p.g1) * s;
    }
    PrototypeElements(p, terms, setup.n);
    if (IsSeriesLoad(setup.loadType))
        ReverseEndForEnd(p.g, setup.n);
    PartnersAndRatio(p, setup);
    p.finite = AllFinite(p, setup.n);
    return p;
}

// Secant search on x = gn * g(n+1) until the prototype's transformation ratio
// meets Zhigh / Zlow. The slope is taken between x0 and 1.00001 x0 and the
// correction is applied to x0; the answer is the prototype at 1.00001 x0.
Solution SolvePrototype(const DesignSetup &setup)
{
    Solution solution;
    double x0 = setup.xStart;
    bool outOfRange = false; // once an element falls below 0.001 the search stops
    for (;;) {
        const Prototype p0 = EvaluatePrototype(setup, x0);
        Prototype p1 = EvaluatePrototype(setup, std::fabs(1.00001 * x0));
        ++solution.passes;
        outOfRange = outOfRange || p0.outOfRange || p1.outOfRange;
        if (!p0.finite || !p1.finite)
            return solution;
        if (std::fabs(p1.error / setup.ratio) < 0.000000001) {
            solution.prototype = std::move(p1);
            solution.found = true;
            return solution;
        }
        if (p0.ratio == p1.ratio || solution.passes > 100 || outOfRange)
            return solution;
        x0 = x0 + 0.00001 * x0 * p1.error / (p1.ratio - p0.ratio);
    }
}

// In closed form from the Chebyshev end parameters.
PassbandLoss PassbandLossOf(const Prototype &prototype, int n)
{
    PassbandLoss loss;
    const double A = Asinh(prototype.Dplus);
    const double B = Asinh(prototype.Dminus);
    loss.GammaMax = std::fabs(Cosh(n * B) / Cosh(n * A));
    loss.GammaMin = std::fabs(Sinh(n * B) / Sinh(n * A));
    loss.Lmax = -10 * std::log(1 - loss.GammaMax * loss.GammaMax) / std::log(10.0);
    loss.Lmin = -10 * std::log(1 - loss.GammaMin * loss.GammaMin) / std::log(10.0);
    loss.Smax = (1 + loss.GammaMax) / (1 - loss.GammaMax);
    loss.Smin = (1 + loss.GammaMin) / (1 - loss.GammaMin);
    loss.finite = true;
    for (double v : {loss.GammaMax, loss.GammaMin, loss.Lmax, loss.Lmin, loss.Smax, loss.Smin})
        if (!std::isfinite(v))
            loss.finite = false;
    return loss;
}

// Every prototype element becomes a resonator; the Norton step of each pair
// removes the shunt capacitor of the pair and yields the impedance step.
NortonSteps ApplyNortonSteps(const Prototype &prototype, int n)
{
    NortonSteps steps;
    Slots &G = steps.g;
    G = prototype.g;
    // Odd elements stay shunt resonators; even ones become series resonators.
    for (int i = 2; i <= n; i += 2)
        std::swap(G[i], G[n + i]);
    for (int i = 2; i <= n; i += 2) {
        const double a = prototype.pairFactor[static_cast<std::size_t>(i / 2 - 1)];
        const double t = G[i];
        G[i - 1] = G[i - 1] + (1 - a) * t;
        G[i] = a * t;
        steps.shunt[i] = a * (a - 1) * t;
        // The rest of the ladder sees the impedance raised by a^2.
        for (int j = i; j <= n; j += 2) {
            G[n + j] = G[n + j] / (a * a);
            if (j != i) {
                G[n + j - 1] = G[n + j - 1] / (a * a);
                G[j] = G[j] * (a * a);
                G[j - 1] = G[j - 1] * (a * a);
            }
        }
        G[2 * n + 1] = G[2 * n + 1] * (a * a);
    }
    return steps;
}

// Scales the normalised network to the band (rad/s) and the high port (ohms).
ScaledLadder Denormalise(const NortonSteps &steps, const DesignSetup &setup)
{
    ScaledLadder ladder;
    Slots &SI = ladder.si;
    const Slots &G = steps.g;
    const int n = setup.n;
    const double dw = 2 * kPi * setup.band.BW * 1e6;
    const double R = setup.zhigh;
    for (int i = 2; i <= n; i += 2) {
        SI[i - 1] = G[i - 1] / dw / R;
        SI[i] = G[i] / dw / R;
        ladder.shunt[i] = steps.shunt[i] / dw / R;
        SI[n + i] = G[n + i] * R / dw;
        SI[n + i - 1] = G[n + i - 1] * R / dw;
    }
    SI[0] = G[0] * R;
    SI[2 * n + 1] = R / G[2 * n + 1];
    return ladder;
}

// The element table in nH and pF, in the topology of the load type, rounded
// to 0.001 as it is printed.
std::optional<ElementTable> ElementValues(const ScaledLadder &ladder, const DesignSetup &setup)
{
    const int n = setup.n;
    ElementTable table;
    Slots &out = table.full;
    out = TableSlots(ladder, n);
    if (IsInductiveLoad(setup.loadType)) {
        for (int i = 2; i <= n; i += 2) {
            out[n + i - 1] = out[n + i - 1] * 1e9;
            out[n + i] = out[n + i] * 1e9;
            out[i - 1] = out[i - 1] * 1e12;
            out[i] = out[i] * 1e12;
        }
    } else {
        // The dual network: each element becomes the other kind with the same
        // reactance magnitude at the centre frequency.
        const double w0 = 2 * kPi * setup.band.F0 * 1e6;
        const double w = 1 / (w0 * w0);
        for (int i = 2; i <= n; i += 2) {
            out[n + i - 1] = 1e12 * w / out[n + i - 1];
            out[i - 1] = 1e9 * w / out[i - 1];
            out[i] = 1e9 * w / out[i];
            out[n + i] = 1e12 * w / out[n + i];
        }
    }
    for (int i = 0; i <= 2 * n + 1; ++i) {
        if (!std::isfinite(out[i]))
            return std::nullopt;
        table.printed[i] = PrintedElementValue(out[i]);
    }
    return table;
}

// The terminations at both ends, and between them each resonator pair in turn.
std::vector<ElementRow> TableRows(const ElementTable &table, int n, LoadType loadType)
{
    const std::array<Position, 4> &pair =
        IsInductiveLoad(loadType) ? kInductivePair : kCapacitivePair;
    std::vector<ElementRow> rows;
    rows.reserve(static_cast<std::size_t>(2 * n + 2));
    const auto add = [&](const Position &position, int index) {
        const auto i = static_cast<std::size_t>(index);
        rows.push_back(ElementRow{position.label, position.unit, position.kind, table.printed[i],
                                  table.full[i]});
    };
    add(kTermination, 0);
    for (int k = 1; k <= n / 2; ++k) {
        add(pair[0], n + 2 * k - 1);
        add(pair[1], 2 * k - 1);
        add(pair[2], 2 * k);
        add(pair[3], n + 2 * k);
    }
    add(kTermination, 2 * n + 1);
    return rows;
}

} // namespace tevmar::design
