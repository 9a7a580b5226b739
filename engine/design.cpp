#include "engine/design.h"

#include "engine/absorption.h"
#include "engine/decimal_round.h"
#include "engine/lenient_number.h"

#include <array>
#include <cmath>
#include <utility>

namespace tevmar {

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

using Array = std::array<double, 26>;

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

// The terms of the three prototype orders (2, 4 and 6) with the design's
// seven-decimal pi, worked out once: constants, like the table of a handbook.
const ChebyshevTerms &TermsForOrder(int n)
{
    static const std::array<ChebyshevTerms, 3> terms{ChebyshevTermsOf(2, 3.1415926),
                                                     ChebyshevTermsOf(4, 3.1415926),
                                                     ChebyshevTermsOf(6, 3.1415926)};
    return terms[static_cast<std::size_t>(n / 2 - 1)];
}

// One design. The members are the design's variables; the member functions
// are its phases, which share them.
class DesignRun
{
  public:
    explicit DesignRun(const DesignInputs &inputs) : in_(inputs) {}

    DesignResult Run();

  private:
    bool ReadInputs();
    void ReadBand();
    bool Solve();
    void EvaluateNetwork();
    void BuildPrototype();
    void ReversePrototype();
    bool PassbandLoss();
    void ResonatorsAndNortonSteps();
    void Denormalise();
    bool FinishElements();
    void ElementTable();
    bool PrototypeFinite() const;
    DesignResult Fail() const;
    DesignResult Finish();

    const DesignInputs &in_;
    BandParameters band_;

    double pi = 3.1415926;
    int n = 0;
    double Zhigh = 0, Zlow = 0;
    double LC_value = 0;
    double ZRatio = 0;
    double LoadQ = 0;
    double g1 = 0;
    double x = 0, x0 = 0, x1 = 0;
    double f = 0, f0 = 0, f1 = 0, e = 0;
    double Dplus = 0, Dminus = 0;
    int passes = 0;
    bool OutOfRange = false;
    bool numericFault = false; // an intermediate became infinite or NaN
    double GammaMax = 0, GammaMin = 0, Lmax = 0, Lmin = 0, Smax = 0, Smin = 0;
    const ChebyshevTerms *chebyshev_ = nullptr;

    // Each phase writes the entries 0 to 2n + 1 of its arrays before a later
    // one reads them, so only the arrays that are copied whole start at zero.
    Array G{};         // prototype elements, then the normalised bandpass elements
    Array NortonRatio; // pair factors 1 + Qt^2 g(2j-1) g(2j)
    Array GScratch;    // the unreversed prototype read backwards (series loads)
    Array NortonShunt; // shunt capacitors created by the Norton steps
    Array ElementSI;   // terminations in ohms, capacitors in F, inductors in H
    Array ElementOut;  // the element table: ohms, nH and pF, rounded to 0.001
    Array prototype{}; // G as the solver left it
    Array unrounded;   // the element table before rounding to 0.001
    std::vector<ElementRow> table_;
};

DesignResult DesignRun::Run()
{
    if (!ReadInputs() || !Solve())
        return Fail();
    prototype = G;
    if (!PassbandLoss())
        return Fail();
    ResonatorsAndNortonSteps();
    Denormalise();
    if (!FinishElements())
        return Fail();
    ElementTable();
    return Finish();
}

// Inputs, band parameters, load Q, prototype order and the solver's start.
// Returns false when an input leaves no meaningful band, ratio or load.
bool DesignRun::ReadInputs()
{
    ReadBand();
    LC_value = AbsorptionRule(in_.absorb, in_.loadType, in_.absorbText).absorbedValue;
    Zhigh = ReadNumber(in_.zhighText);
    Zlow = ReadNumber(in_.zlowText);
    ZRatio = Zhigh / Zlow;

    const bool absorbing = LC_value > 0.001;
    if (!absorbing) {
        LoadQ = 0.2;
    } else {
        // w * L (nH) is a reactance in ohms; w * C (pF) * 0.001 a susceptance in siemens.
        const double w = 2 * pi * band_.F0GHz;
        switch (in_.loadType) {
        case LoadType::SeriesRL:
            LoadQ = w * LC_value / Zlow;
            break;
        case LoadType::SeriesRC:
            LoadQ = 1 / (w * LC_value * 0.001 * Zlow);
            break;
        case LoadType::ShuntRL:
            LoadQ = Zhigh / (w * LC_value);
            break;
        case LoadType::ShuntRC:
            LoadQ = w * LC_value * 0.001 * Zhigh;
            break;
        }
    }
    const bool valueFinite = std::isfinite(LC_value);
    if (LoadQ / band_.Qt <= 0.02)
        LC_value = 0; // a reactance this small is not worth absorbing

    n = in_.networkOrder == 8 ? 4 : in_.networkOrder == 12 ? 6 : 2;
    chebyshev_ = &TermsForOrder(n);
    g1 = LoadQ / band_.Qt;
    x0 = 2 * LoadQ / band_.Qt;
    passes = 0;
    x = x0;

    // A band needs two distinct edges of the same sign, and the ratio two
    // finite, non-zero port impedances; anything else has no design.
    const BandParameters &b = band_;
    const bool bandValid = std::isfinite(b.F0) && b.F0 > 0 && std::isfinite(b.BW) && b.BW > 0 &&
                           std::isfinite(b.Qt) && b.Qt > 0;
    const bool ratioValid = std::isfinite(ZRatio) && ZRatio != 0;
    const bool loadValid = (valueFinite || LC_value == 0) && std::isfinite(LoadQ) &&
                           std::isfinite(g1) && std::isfinite(x0);
    return bandValid && ratioValid && loadValid;
}

void DesignRun::ReadBand()
{
    band_.F1 = ReadNumber(in_.f1Text) * 1000;
    band_.F2 = ReadNumber(in_.f2Text) * 1000;
    band_.BW = std::fabs(band_.F2 - band_.F1);
    band_.F0 = std::sqrt(band_.F1 * band_.F2);
    band_.Qt = band_.F0 / band_.BW;
    band_.F0GHz = band_.F0 / 1000;
}

// Secant search on x = gn * g(n+1) until the prototype's transformation ratio
// meets Zhigh / Zlow. The slope is taken between x0 and 1.00001 x0 and the
// correction is applied to x0.
bool DesignRun::Solve()
{
    OutOfRange = false;
    for (;;) {
        x = x0;
        EvaluateNetwork();
        f0 = f;
        x1 = std::fabs(1.00001 * x0);
        x = x1;
        EvaluateNetwork();
        f1 = f;
        ++passes;
        if (numericFault)
            return false;
        if (std::fabs(e / ZRatio) < 0.000000001)
            return true;
        if (f0 == f1 || passes > 100 || OutOfRange)
            return false;
        x0 = x0 + 0.00001 * x0 * e / (f1 - f0);
    }
}

void DesignRun::EvaluateNetwork()
{
    BuildPrototype();
    if (numericFault)
        return;
    const double Qt = band_.Qt;
    G[2 * n + 1] = G[n + 1];
    for (int k = 1; k <= n; ++k)
        G[n + k] = 1 / (Qt * Qt * G[k]);

    double prod = 1;
    for (int j = 1; j <= 10; ++j)
        NortonRatio[j] = 1;
    for (int k = 2; k <= n; k += 2) {
        NortonRatio[k / 2] = 1 + Qt * Qt * G[k] * G[k - 1];
        prod = prod * (NortonRatio[k / 2] * NortonRatio[k / 2]);
    }
    f = prod * G[2 * n + 1];
    e = ZRatio - f;
    if (!PrototypeFinite())
        numericFault = true;
}

bool DesignRun::PrototypeFinite() const
{
    for (int i = 0; i <= 2 * n + 1; ++i)
        if (!std::isfinite(G[i]))
            return false;
    return std::isfinite(f) && std::isfinite(e) && std::isfinite(Dplus) && std::isfinite(Dminus);
}

// The Chebyshev impedance-transforming prototype g0 ... g(n+1) for the trial x:
// G[k] first holds the product g(k-1) gk of neighbouring elements.
void DesignRun::BuildPrototype()
{
    if (!std::isfinite(x) || x == 0) {
        numericFault = true; // the end parameters divide by x
        return;
    }
    const double s = chebyshev_->s;
    Dplus = (1 / x + 1 / g1) * s;
    Dminus = (1 / x - 1 / g1) * s;
    if (LC_value <= 0.001) {
        // Nothing absorbed: both ends equally terminated.
        Dplus = (2 / x) * s;
        Dminus = 0;
        g1 = x;
    }
    for (int k = 2; k <= n; ++k) {
        const int j = k - 1;
        G[k] = chebyshev_->numerator[j] /
               (Dplus * Dplus + Dminus * Dminus + chebyshev_->sinSquared[j] -
                2 * Dplus * Dminus * chebyshev_->cosine[j]);
    }
    G[0] = 1;
    G[1] = g1;
    // G[k] holds g(k-1) * gk; dividing in increasing order leaves gk.
    for (int k = 2; k <= n; ++k)
        G[k] = G[k] / G[k - 1];
    G[n + 1] = x / G[n];
    for (int i = 0; i <= n + 1; ++i)
        if (G[i] < 0.001)
            OutOfRange = true;
    if (IsSeriesLoad(in_.loadType))
        ReversePrototype();
}

// A series load sits at the low-impedance end: turn the prototype end for end
// and rescale so that the element the load fixed lands next to that end.
void DesignRun::ReversePrototype()
{
    for (int k = 0; k <= n + 1; ++k)
        GScratch[k] = G[n + 1 - k];
    for (int k = 1; k <= n - 1; k += 2) {
        G[k] = GScratch[k] * GScratch[0];
        G[k + 1] = GScratch[k + 1] / GScratch[0];
    }
    G[0] = 1;
    G[n + 1] = GScratch[0];
}

// Largest and smallest mismatch loss in the passband and the VSWR at each,
// in closed form from the Chebyshev end parameters.
bool DesignRun::PassbandLoss()
{
    const double A = Asinh(Dplus);
    const double B = Asinh(Dminus);
    GammaMax = std::fabs(Cosh(n * B) / Cosh(n * A));
    GammaMin = std::fabs(Sinh(n * B) / Sinh(n * A));
    Lmax = -10 * std::log(1 - GammaMax * GammaMax) / std::log(10.0);
    Lmin = -10 * std::log(1 - GammaMin * GammaMin) / std::log(10.0);
    Smax = (1 + GammaMax) / (1 - GammaMax);
    Smin = (1 + GammaMin) / (1 - GammaMin);
    for (double v : {GammaMax, GammaMin, Lmax, Lmin, Smax, Smin})
        if (!std::isfinite(v))
            return false;
    return true;
}

// Every prototype element becomes a resonator; the Norton step of each pair
// removes the shunt capacitor of the pair and yields the impedance step.
void DesignRun::ResonatorsAndNortonSteps()
{
    // Odd elements stay shunt resonators; even ones become series resonators.
    for (int i = 2; i <= n; i += 2)
        std::swap(G[i], G[n + i]);
    for (int i = 2; i <= n; i += 2) {
        const double a = NortonRatio[i / 2];
        const double t = G[i];
        G[i - 1] = G[i - 1] + (1 - a) * t;
        G[i] = a * t;
        NortonShunt[i] = a * (a - 1) * t;
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
}

// Scales the normalised network to the band (rad/s) and the high port (ohms).
void DesignRun::Denormalise()
{
    auto &SI = ElementSI;
    const double dw = 2 * pi * band_.BW * 1e6;
    const double R = Zhigh;
    for (int i = 2; i <= n; i += 2) {
        SI[i - 1] = G[i - 1] / dw / R;
        SI[i] = G[i] / dw / R;
        NortonShunt[i] = NortonShunt[i] / dw / R;
        SI[n + i] = G[n + i] * R / dw;
        SI[n + i - 1] = G[n + i - 1] * R / dw;
    }
    SI[0] = G[0] * R;
    SI[2 * n + 1] = R / G[2 * n + 1];
}

// The element table in nH and pF, in the topology of the load type, rounded
// to 0.001 as it is printed. Returns false if a value is not finite.
bool DesignRun::FinishElements()
{
    auto &out = ElementOut;
    const auto &SI = ElementSI;
    out[0] = SI[0];
    for (int i = 2; i <= n; i += 2) {
        out[n + i - 1] = SI[n + i - 1];
        out[i - 1] = SI[i]; // the eliminated capacitor SI[i - 1] is dropped
        out[i] = NortonShunt[i];
        out[n + i] = SI[n + i];
    }
    out[2 * n + 1] = SI[2 * n + 1];

    if (IsInductiveLoad(in_.loadType)) {
        for (int i = 2; i <= n; i += 2) {
            out[n + i - 1] = out[n + i - 1] * 1e9;
            out[n + i] = out[n + i] * 1e9;
            out[i - 1] = out[i - 1] * 1e12;
            out[i] = out[i] * 1e12;
        }
    } else {
        // The dual network: each element becomes the other kind with the same
        // reactance magnitude at the centre frequency.
        const double w0 = 2 * pi * band_.F0 * 1e6;
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
            return false;
        unrounded[i] = out[i];
        out[i] = PrintedElementValue(out[i]);
    }
    return true;
}

// The element table in print order, which is the physical order of the
// ladder from the high-impedance port: per pair the shunt element of the
// first resonator, the series element, the shunt element the Norton step
// created, and the series element of the second resonator.
void DesignRun::ElementTable()
{
    const bool inductive = IsInductiveLoad(in_.loadType);
    const char *const nh = " Nano-Henry";
    const char *const pf = " Pico-Farad";
    struct Slot
    {
        const char *label;
        const char *unit;
        ElementKind kind;
    };
    const Slot A = inductive ? Slot{"LP=", nh, ElementKind::ShuntInductor}
                             : Slot{"CP=", pf, ElementKind::ShuntCapacitor};
    const Slot B = inductive ? Slot{"CS=", pf, ElementKind::SeriesCapacitor}
                             : Slot{"LS=", nh, ElementKind::SeriesInductor};
    const Slot C = inductive ? Slot{"CP=", pf, ElementKind::ShuntCapacitor}
                             : Slot{"LP=", nh, ElementKind::ShuntInductor};
    const Slot D = inductive ? Slot{"LS=", nh, ElementKind::SeriesInductor}
                             : Slot{"CS=", pf, ElementKind::SeriesCapacitor};
    const Slot R{"R =", " Ohms", ElementKind::Termination};

    table_.reserve(static_cast<std::size_t>(2 * n + 2));
    const auto add = [this](const Slot &slot, int index) {
        const auto i = static_cast<std::size_t>(index);
        table_.push_back(ElementRow{slot.label, slot.unit, slot.kind, ElementOut[i], unrounded[i]});
    };
    add(R, 0);
    for (int k = 1; k <= n / 2; ++k) {
        add(A, n + 2 * k - 1);
        add(B, 2 * k - 1);
        add(C, 2 * k);
        add(D, n + 2 * k);
    }
    add(R, 2 * n + 1);
}

// What a run that found no design can tell: the band, order, ratio and load Q.
DesignResult DesignRun::Fail() const
{
    DesignResult result;
    result.solved = false;
    result.band = band_;
    result.n = n;
    result.passes = passes;
    result.ZRatio = ZRatio;
    result.zhighOhms = Zhigh;
    result.zlowOhms = Zlow;
    result.LoadQ = LoadQ;
    return result;
}

DesignResult DesignRun::Finish()
{
    DesignResult r = Fail();
    r.solved = true;
    r.g1 = g1;
    r.x = x;
    r.SourceQ = x * band_.Qt;
    r.reportedLoadQ = g1 * band_.Qt;
    r.Dplus = Dplus;
    r.Dminus = Dminus;
    r.f = f;
    r.GammaMax = GammaMax;
    r.GammaMin = GammaMin;
    r.Lmax = Lmax;
    r.Lmin = Lmin;
    r.Smax = Smax;
    r.Smin = Smin;
    r.absorbed = LC_value > 0.001;
    r.absorbedValue = r.absorbed ? LC_value : 0;
    r.loadType = in_.loadType;
    r.inductive = IsInductiveLoad(in_.loadType);
    r.prototype = prototype;
    r.table = std::move(table_);
    return r;
}

} // namespace

DesignResult RunDesign(const DesignInputs &inputs)
{
    return DesignRun(inputs).Run();
}

double PrintedElementValue(double value)
{
    return RoundedValue(value, 3);
}

} // namespace tevmar
