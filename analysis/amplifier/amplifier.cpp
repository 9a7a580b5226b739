#include "analysis/amplifier/amplifier.h"

#include "analysis/model/two_port.h"
#include "analysis/search/kit_search.h"
#include "analysis/search/kit_walk.h"
#include "report/number_format.h"
#include "units/quantity.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <nlopt.hpp>
#include <numbers>
#include <stdexcept>
#include <tuple>

namespace tevmar::analysis {

using Complex = std::complex<double>;

SideMatrix SideAbcd(const Network &side, double frequencyHz)
{
    const Abcd m = PartsAbcd(side, frequencyHz);
    return SideMatrix{m.A, m.B, m.C, m.D};
}

double AmplifierPortOhms(const Termination &termination, double referenceOhms)
{
    if (const auto *r = std::get_if<PortResistance>(&termination.kind))
        return r->ohms;
    return referenceOhms;
}

Network AmplifierNetwork(std::vector<Part> parts, double port1Ohms, double port2Ohms, double padPf)
{
    Network network;
    network.port1Ohms = port1Ohms;
    network.port2Ohms = port2Ohms;
    network.parts = std::move(parts);
    network.padPf = padPf;
    return network;
}

const char *AmplifierGoalName(AmplifierGoal goal)
{
    return goal == AmplifierGoal::Noise ? "noise" : "gain";
}

namespace {

// Below this a power ratio is taken as none at all: 300 dB down.
constexpr double kLeastPower = 1e-30;
// Below this |S21| a device has no forward gain to speak of: -120 dB.
constexpr double kLeastTransmission = 1e-6;

// Frequencies in increasing order, those within a part in 10^9 of another
// taken once: a grid point that falls on a data frequency is that frequency.
void SortDistinct(std::vector<double> &hz)
{
    std::ranges::sort(hz);
    // std::unique rather than its ranges form: clang 14 (the fuzz build's
    // compiler) cannot instantiate the subrange the latter returns.
    hz.erase(std::unique(hz.begin(), hz.end(),
                         [](double a, double b) { return std::abs(a - b) <= 1e-9 * b; }),
             hz.end());
}

double PowerDb(double ratio)
{
    return 10 * std::log10(std::max(ratio, kLeastPower));
}

// Return loss of a reflection, dB; a perfect match is reported as 240 dB.
double ReturnLossDb(double gamma)
{
    return -20 * std::log10(std::max(gamma, 1e-12));
}

// The return loss a termination of impedance `zt` sees through a matching
// network, whose chain terms are given from the termination's side, into a
// device port of reflection g (referred to z0): the power-wave reflection
// against the termination's own impedance, in reflection form so that a
// device port of |Gamma| = 1 needs no infinity.
double ReturnLossThrough(Complex a, Complex b, Complex c, Complex d, Complex g, double z0,
                         Complex zt)
{
    const Complex num = a * z0 * (1.0 + g) + b * (1.0 - g);
    const Complex den = c * z0 * (1.0 + g) + d * (1.0 - g);
    const double gamma = std::abs((num - std::conj(zt) * den) / (num + zt * den));
    return ReturnLossDb(std::isfinite(gamma) ? gamma : 1);
}

Complex Reflection(Complex z, double referenceOhms)
{
    return (z - referenceOhms) / (z + referenceOhms);
}

// The reflections the two networks present to the device at one frequency.
struct Presented
{
    Complex gammaS, gammaL;
    SideMatrix in, out;
};

Presented PresentedAt(const Network &input, const Network &output, double frequencyHz,
                      double referenceOhms, const Termination &sourceEnd,
                      const Termination &loadEnd)
{
    Presented p;
    p.in = SideAbcd(input, frequencyHz);
    p.out = SideAbcd(output, frequencyHz);
    // Looking back into the input network's device end with the source
    // behind it, and into the output network's device end with the load
    // behind it.
    const Complex source = sourceEnd.ImpedanceAt(frequencyHz),
                  load = loadEnd.ImpedanceAt(frequencyHz);
    const Complex zs = (p.in.d * source + p.in.b) / (p.in.c * source + p.in.a);
    const Complex zl = (p.out.a * load + p.out.b) / (p.out.c * load + p.out.d);
    p.gammaS = Reflection(zs, referenceOhms);
    p.gammaL = Reflection(zl, referenceOhms);
    return p;
}

// The device's figures between the presented reflections.
struct Core
{
    double gt = 0;
    Complex gammaIn, gammaOut;
};

Core CoreOf(const TwoPortMatrix &s, Complex gs, Complex gl)
{
    Core c;
    const Complex loop = s.s12 * s.s21;
    c.gammaIn = s.s11 + loop * gl / (1.0 - s.s22 * gl);
    c.gammaOut = s.s22 + loop * gs / (1.0 - s.s11 * gs);
    const Complex den = (1.0 - s.s11 * gs) * (1.0 - s.s22 * gl) - loop * gs * gl;
    c.gt = std::norm(s.s21) * (1 - std::norm(gs)) * (1 - std::norm(gl)) / std::norm(den);
    return c;
}

// The device's noise factor (a power ratio) from a source of reflection gs.
std::optional<double> NoiseFactor(const std::optional<DeviceNoise> &noise, Complex gs,
                                  double referenceOhms)
{
    if (!noise)
        return std::nullopt;
    const double fmin = std::pow(10.0, noise->nfMinDb / 10);
    const double rn = noise->rnOhms / referenceOhms;
    const double f = fmin + 4 * rn * std::norm(gs - noise->gammaOpt) /
                                ((1 - std::norm(gs)) * std::norm(1.0 + noise->gammaOpt));
    return std::isfinite(f) ? std::optional(f) : std::nullopt;
}

std::optional<double> NoiseDb(const std::optional<DeviceNoise> &noise, Complex gs,
                              double referenceOhms)
{
    const std::optional<double> f = NoiseFactor(noise, gs, referenceOhms);
    return f ? std::optional(PowerDb(*f)) : std::nullopt;
}

// The device's ABCD matrix from its scattering matrix at `z0`; unset where it
// has no transmission forward.
std::optional<SideMatrix> DeviceAbcd(const TwoPortMatrix &s, double z0)
{
    if (std::abs(s.s21) == 0)
        return std::nullopt;
    const Complex twice = 2.0 * s.s21, loop = s.s12 * s.s21;
    return SideMatrix{((1.0 + s.s11) * (1.0 - s.s22) + loop) / twice,
                      z0 * ((1.0 + s.s11) * (1.0 + s.s22) - loop) / twice,
                      ((1.0 - s.s11) * (1.0 - s.s22) - loop) / (twice * z0),
                      ((1.0 - s.s11) * (1.0 + s.s22) + loop) / twice};
}

SideMatrix Times(const SideMatrix &x, const SideMatrix &y)
{
    return SideMatrix{x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c,
                      x.c * y.b + x.d * y.d};
}

// The scattering matrix of a cascade between real port resistances.
std::optional<TwoPortMatrix> ScatteringOf(const SideMatrix &m, double z1, double z2)
{
    const Complex den = m.a * z2 + m.b + m.c * z1 * z2 + m.d * z1;
    if (std::abs(den) == 0)
        return std::nullopt;
    TwoPortMatrix s;
    s.s11 = (m.a * z2 + m.b - m.c * z1 * z2 - m.d * z1) / den;
    s.s21 = 2.0 * std::sqrt(z1 * z2) / den;
    s.s12 = s.s21 * (m.a * m.d - m.b * m.c);
    s.s22 = (-m.a * z2 + m.b - m.c * z1 * z2 + m.d * z1) / den;
    return s;
}

// Edwards-Sinsky mu of the cascade between the source and load resistances.
std::optional<double> MuOf(const SideMatrix &m, double z1, double z2)
{
    const std::optional<TwoPortMatrix> s = ScatteringOf(m, z1, z2);
    if (!s)
        return std::nullopt;
    const Complex s11 = s->s11, s12 = s->s12, s21 = s->s21, s22 = s->s22;
    const Complex delta = s11 * s22 - s12 * s21;
    const double below = std::abs(s22 - std::conj(s11) * delta) + std::abs(s12 * s21);
    const double mu = (1 - std::norm(s11)) / below;
    return below > 0 && std::isfinite(mu) ? std::optional(mu) : std::nullopt;
}

// The available-power gain of a network, chain terms from its driven end,
// fed from impedance zs: 1 for a lossless one, below 1 by what its parts
// dissipate.
double AvailableGain(const SideMatrix &m, Complex zs)
{
    const Complex drive = m.a + m.c * zs;
    const Complex zout = (m.d * zs + m.b) / drive;
    return zs.real() / (std::norm(drive) * zout.real());
}

// The figures of one frequency the design and the sweep read.
struct Evaluated
{
    Presented p;
    Core c;
    std::optional<double> nfDb;
};

Evaluated EvaluateAt(const Network &in, const Network &out, double frequencyHz,
                     const TwoPortMatrix &s, const std::optional<DeviceNoise> &noise, double z0,
                     const Termination &source, const Termination &load)
{
    Evaluated e;
    e.p = PresentedAt(in, out, frequencyHz, z0, source, load);
    e.c = CoreOf(s, e.p.gammaS, e.p.gammaL);
    if (AllPartsIdeal(in) && AllPartsIdeal(out)) {
        e.nfDb = NoiseDb(noise, e.p.gammaS, z0);
        return e;
    }
    // Lossy networks: the power the load takes of what the source has
    // available, through the whole chain, ...
    const Complex zs = source.ImpedanceAt(frequencyHz), zl = load.ImpedanceAt(frequencyHz);
    e.c.gt = 0;
    const std::optional<SideMatrix> device = DeviceAbcd(s, z0);
    if (device) {
        const SideMatrix m = Times(Times(e.p.in, *device), e.p.out);
        const double gt =
            4 * zs.real() * zl.real() / std::norm(m.a * zl + m.b + m.c * zs * zl + m.d * zs);
        e.c.gt = std::isfinite(gt) ? gt : 0;
    }
    // ... and the noise of the three stages in turn (Friis): the input
    // network's factor is its loss 1 / G_A, the device's that of the source
    // the network presents, the output network's its loss from the device's
    // output impedance, divided by the gain available ahead of it.
    const std::optional<double> fDevice = NoiseFactor(noise, e.p.gammaS, z0);
    const double gIn = AvailableGain(e.p.in, zs);
    if (!fDevice || !(gIn > 0) || !std::isfinite(gIn))
        return e;
    double f = (1 / gIn) + (*fDevice - 1) / gIn;
    const Complex gs = e.p.gammaS, gout = e.c.gammaOut;
    const double gDevice = std::norm(s.s21) * (1 - std::norm(gs)) /
                           (std::norm(1.0 - s.s11 * gs) * (1 - std::norm(gout)));
    const double gOut = AvailableGain(e.p.out, z0 * (1.0 + gout) / (1.0 - gout));
    const double outputTerm = (1 / gOut - 1) / (gIn * gDevice);
    if (gDevice > 0 && gOut > 0 && std::isfinite(outputTerm))
        f += outputTerm;
    if (std::isfinite(f))
        e.nfDb = PowerDb(f);
    return e;
}

// A network as the design's search holds it: its parts and the family it is
// a ladder of, which decides the parts it grows by.
struct Drawn
{
    Topology topology = Topology::Lowpass;
    Network network;
};

// The network with the parts as built: each given its kind's model or Q,
// and the ladder the pads.
Drawn AsBuilt(Drawn side, const LossModel &built)
{
    if (!built.lossless())
        side.network = WithLosses(side.network, built);
    return side;
}

} // namespace

AmplifierPoint AmplifierPointAt(double frequencyHz, const TwoPortMatrix &s,
                                const std::optional<DeviceNoise> &noise, double referenceOhms,
                                const Network &input, const Network &output,
                                const Termination &source, const Termination &load)
{
    const Evaluated e =
        EvaluateAt(input, output, frequencyHz, s, noise, referenceOhms, source, load);
    const Presented &p = e.p;
    const Core &c = e.c;
    AmplifierPoint point;
    point.frequencyHz = frequencyHz;
    point.gammaS = p.gammaS;
    point.gammaL = p.gammaL;
    point.gtDb = PowerDb(c.gt);
    point.nfDb = e.nfDb;
    point.gammaInMagnitude = std::abs(c.gammaIn);
    point.gammaOutMagnitude = std::abs(c.gammaOut);
    // What the source sees through the input network into the device's input,
    // and the load through the output network into the device's output, in
    // reflection form so that a device port of |Gamma| = 1 needs no infinity.
    const double z0 = referenceOhms;
    point.inputReturnLossDb = ReturnLossThrough(p.in.a, p.in.b, p.in.c, p.in.d, c.gammaIn, z0,
                                                source.ImpedanceAt(frequencyHz));
    point.outputReturnLossDb = ReturnLossThrough(p.out.d, p.out.b, p.out.c, p.out.a, c.gammaOut, z0,
                                                 load.ImpedanceAt(frequencyHz));
    if (const std::optional<SideMatrix> device = DeviceAbcd(s, z0))
        // Unconditional stability is the two-port's own, whatever the
        // reference; a measured termination's side is referred to the data's.
        point.mu = MuOf(Times(Times(p.in, *device), p.out), AmplifierPortOhms(source, z0),
                        AmplifierPortOhms(load, z0));
    if (!std::isfinite(point.gammaInMagnitude))
        point.gammaInMagnitude = HUGE_VAL;
    return point;
}

std::optional<TwoPortMatrix> AmplifierScattering(double frequencyHz, const TwoPortMatrix &s,
                                                 double referenceOhms, const Network &input,
                                                 const Network &output, double port1Ohms,
                                                 double port2Ohms)
{
    const std::optional<SideMatrix> device = DeviceAbcd(s, referenceOhms);
    if (!device)
        return std::nullopt;
    const SideMatrix whole =
        Times(Times(SideAbcd(input, frequencyHz), *device), SideAbcd(output, frequencyHz));
    return ScatteringOf(whole, port1Ohms, port2Ohms);
}

std::vector<AmplifierPoint> AmplifierSweep(const TwoPortData &data, double fromHz, double toHz,
                                           const Network &input, const Network &output,
                                           const Termination &source, const Termination &load)
{
    std::vector<AmplifierPoint> points;
    for (std::size_t i = 0; i < data.frequenciesHz.size(); ++i) {
        const double f = data.frequenciesHz[i];
        if (f >= fromHz && f <= toHz)
            points.push_back(AmplifierPointAt(f, data.s[i], NoiseAt(data.noise, f),
                                              data.referenceOhms, input, output, source, load));
    }
    return points;
}

namespace {

double Omega(double frequencyHz)
{
    return 2 * std::numbers::pi * frequencyHz;
}

// A part with series reactance or shunt susceptance `immittance` (ohms or
// siemens, signed as the part makes it).
Part PartOf(bool series, double immittance, double omega)
{
    return Part::WithImmittance(series, immittance, omega);
}

// A part that barely touches the match at the centre: the tune grows it where
// it helps.
Part NeutralPart(bool series, Topology topology, double z0, double omega)
{
    constexpr double kNeutral = 0.2;
    const double sign = topology == Topology::Lowpass ? 1 : -1;
    return PartOf(series, sign * (series ? kNeutral * z0 : kNeutral / z0), omega);
}

void Relabel(std::vector<Part> &parts)
{
    for (std::size_t i = 0; i < parts.size(); ++i)
        parts[i].label = parts[i].letter() + std::to_string(i + 1);
}

// One frequency the search looks at: a data frequency, or a point between
// two of them with the device's data interpolated.
struct SearchPoint
{
    double hz = 0;
    TwoPortMatrix s;
    std::optional<DeviceNoise> noise;
    bool inBand = false;
    // In band, G_T is held at or below the device's own most stable gain, dB
    // (none where it has no finite one).
    double capDb = HUGE_VAL;
    // Both loops are held at or below this, squared.
    double loopLimit = 1;
};

// How good a pair of networks is: within the margins at every point the
// search looks at first, then the goal's figure.
struct Score
{
    bool stable = false;
    double gainDb = -HUGE_VAL; // in-band minimum G_T
    double noiseDb = HUGE_VAL; // in-band maximum NF
};

// Whether `a` is a better design than `b` for the goal. Noise figures within
// a hundredth of a dB count as equal, and the gain decides.
bool Better(const Score &a, const Score &b, AmplifierGoal goal)
{
    if (a.stable != b.stable)
        return a.stable;
    if (goal == AmplifierGoal::Noise && std::abs(a.noiseDb - b.noiseDb) > 0.01)
        return a.noiseDb < b.noiseDb;
    return a.gainDb > b.gainDb + 1e-6;
}

struct Pair
{
    Drawn input, output;
    Score score;
};

// A constraint met within this is met: the solver's own tolerance.
constexpr double kSlack = 1e-6;
// The search holds G_T this far below the device's most stable gain, dB.
constexpr double kCapAllowanceDb = 0.02;

// The most gain the device gives with passive terminations and no
// regeneration: MAG where it is unconditionally stable, MSG elsewhere.
double MostStableGainDb(const TwoPortMatrix &s, double z0)
{
    const DevicePoint figures = DeviceFiguresAt(0, s, std::nullopt, z0, {});
    if (figures.magDb)
        return *figures.magDb;
    return figures.msgDb ? *figures.msgDb : HUGE_VAL;
}

// The loops |GammaS Gamma in| and |GammaL Gamma out| of the device between
// the reflections presented; a loop with no finite value is taken as huge.
std::pair<double, double> Loops(const TwoPortMatrix &s, Complex gammaS, Complex gammaL)
{
    const Core c = CoreOf(s, gammaS, gammaL);
    double in = std::abs(gammaS * c.gammaIn), out = std::abs(gammaL * c.gammaOut);
    if (!std::isfinite(in))
        in = HUGE_VAL;
    if (!std::isfinite(out))
        out = HUGE_VAL;
    return {in, out};
}

bool StopAsked(const AmplifierOptions &options)
{
    return options.stop && options.stop->load(std::memory_order_relaxed);
}

void ThrowIfStopped(const AmplifierOptions &options)
{
    if (StopAsked(options))
        throw TuneCancelled();
}

// The joint tune of both networks: every part's value as a logarithm, one
// sweep per evaluation over the frequencies the search looks at.
class Search
{
  public:
    Search(const TwoPortData &data, double fromHz, double toHz, const AmplifierOptions &options)
        : options_(options), data_(data), z0_(data.referenceOhms)
    {
        // A long file is searched at some of its frequencies, evenly picked
        // with the band's ends among them, and at points between them; the
        // final checks look at every one and a dense grid besides.
        constexpr std::size_t kMostInBand = 64, kMostOutside = 96, kMostBetween = 32,
                              kBandGrid = 25;
        std::vector<double> inside, outside;
        const std::vector<double> &f = data.frequenciesHz;
        for (std::size_t i = 0; i < f.size(); ++i)
            (f[i] >= fromHz && f[i] <= toHz ? inside : outside).push_back(f[i]);
        std::vector<double> between;
        for (std::size_t i = 0; i + 1 < f.size(); ++i) {
            const double mid = 0.5 * (f[i] + f[i + 1]);
            if (mid < fromHz || mid > toHz)
                between.push_back(mid);
        }
        const auto pick = [](const std::vector<double> &all, std::size_t most) {
            if (all.size() <= most)
                return all;
            std::vector<double> picked;
            for (std::size_t k = 0; k < most; ++k)
                picked.push_back(all[k * (all.size() - 1) / (most - 1)]);
            return picked;
        };
        std::vector<double> band = pick(inside, kMostInBand);
        for (std::size_t k = 0; k < kBandGrid; ++k)
            band.push_back(fromHz + (toHz - fromHz) * static_cast<double>(k) / (kBandGrid - 1));
        SortDistinct(band);
        for (const double hz : band)
            Add(hz, true);
        for (const double hz : pick(outside, kMostOutside))
            Add(hz, false);
        for (const double hz : pick(between, kMostBetween))
            Add(hz, false);
    }

    // One more frequency to look at: where the final checks found the design
    // wanting.
    void Add(double hz, bool inBand)
    {
        SearchPoint p;
        p.hz = hz;
        p.s = DeviceScatteringAt(data_, hz);
        p.noise = NoiseAt(data_.noise, hz);
        p.inBand = inBand;
        const double margin = options_.stabilityMargin * options_.stabilityMargin;
        const double limit = inBand ? margin : std::max(margin, kOutOfBandLoop);
        p.loopLimit = limit * limit;
        if (inBand) {
            p.capDb = MostStableGainDb(p.s, z0_);
            band_.push_back(points_.size());
        }
        points_.push_back(p);
    }

    double ReferenceOhms() const { return z0_; }

    // Whether the design is no longer wanted (AmplifierOptions::stop).
    bool Stopped() const { return StopAsked(options_); }

    // The band's data frequency nearest its geometric centre.
    SearchPoint Centre(double fromHz, double toHz) const
    {
        const double centre = std::sqrt(fromHz * toHz);
        const std::vector<double> &f = data_.frequenciesHz;
        std::size_t best = f.size();
        for (std::size_t i = 0; i < f.size(); ++i)
            if (f[i] >= fromHz && f[i] <= toHz &&
                (best == f.size() ||
                 std::abs(std::log(f[i] / centre)) < std::abs(std::log(f[best] / centre))))
                best = i;
        return {f[best], data_.s[best], NoiseAt(data_.noise, f[best]), true};
    }

    // At the frequencies the search looks at.
    Score ScoreOf(const Network &in, const Network &out) const
    {
        Score score;
        score.stable = true;
        score.gainDb = HUGE_VAL;
        score.noiseDb = -HUGE_VAL;
        for (const SearchPoint &p : points_) {
            const Evaluated e =
                EvaluateAt(in, out, p.hz, p.s, p.noise, z0_, options_.source, options_.load);
            const auto [loopIn, loopOut] = Loops(p.s, e.p.gammaS, e.p.gammaL);
            if (!(loopIn * loopIn <= p.loopLimit + kSlack) ||
                !(loopOut * loopOut <= p.loopLimit + kSlack))
                score.stable = false;
            if (!p.inBand)
                continue;
            const double gt = PowerDb(e.c.gt);
            if (gt > p.capDb - kCapAllowanceDb + kSlack)
                score.stable = false;
            score.gainDb = std::min(score.gainDb, gt);
            score.noiseDb = std::max(score.noiseDb, e.nfDb.value_or(HUGE_VAL));
        }
        return score;
    }

    // Tunes both networks for the goal, within the budget left.
    Pair Tune(const Drawn &input, const Drawn &output)
    {
        Pair pair{AsBuilt(input, options_.built), AsBuilt(output, options_.built), {}};
        pair.score = ScoreOf(pair.input.network, pair.output.network);
        if (options_.goal == AmplifierGoal::Noise) {
            pair = Solve(pair, Mode::LeastNoise, 0);
            if (pair.score.noiseDb < HUGE_VAL)
                pair = Solve(pair, Mode::MostGain, pair.score.noiseDb + 0.005);
        } else {
            pair = Solve(pair, Mode::MostGain, 0);
        }
        return pair;
    }

    bool BudgetLeft() const { return spent_ < options_.evaluationBudget; }
    // A further allowance of steps, for a tune after the final checks.
    void Allow(int steps) { spent_ = std::min(spent_, options_.evaluationBudget - steps); }

  private:
    enum class Mode { MostGain, LeastNoise };

    // The raw figures of one evaluation: G_T in dB and NF in dB at each
    // in-band point, both loops squared at every point.
    void Figures(const double *x, std::vector<double> &out)
    {
        std::size_t k = 0;
        for (Network *side : {&in_, &out_})
            for (Part &e : side->parts)
                e.value = std::exp(x[k++]);
        out.clear();
        for (const std::size_t i : band_) {
            const SearchPoint &p = points_[i];
            const Evaluated e =
                EvaluateAt(in_, out_, p.hz, p.s, p.noise, z0_, options_.source, options_.load);
            out.push_back(PowerDb(e.c.gt));
            out.push_back(e.nfDb.value_or(0));
        }
        for (const SearchPoint &p : points_) {
            const Presented pr = PresentedAt(in_, out_, p.hz, z0_, options_.source, options_.load);
            const auto [loopIn, loopOut] = Loops(p.s, pr.gammaS, pr.gammaL);
            out.push_back(std::min(loopIn * loopIn, 1e6));
            out.push_back(std::min(loopOut * loopOut, 1e6));
        }
        for (double &v : out)
            if (!std::isfinite(v))
                v = 1e6;
    }

    struct Pass
    {
        Search *search;
        Mode mode;
        double noiseCap; // MostGain with a noise cap above 0
        std::size_t n;
        std::vector<double> base, stepped;
        std::vector<double> bestX;
        double bestValue;
    };

    // The in-band gain cap as the solver takes it: a little below the
    // device's own, so that the gain between the points it looks at stays
    // below it too; a device without one is held at a level no gain reaches.
    double CapOf(const SearchPoint &p) const { return std::min(p.capDb - kCapAllowanceDb, 1e3); }

    static void Constraints(unsigned m, double *result, unsigned dims, const double *v,
                            double *grad, void *data)
    {
        Pass &pass = *static_cast<Pass *>(data);
        Search &s = *pass.search;
        if (s.Stopped())
            throw nlopt::forced_stop(); // ends the solve; Solve then throws TuneCancelled
        ++s.spent_;
        const std::size_t n = pass.n;
        const double t = v[n];
        s.Figures(v, pass.base);
        const auto assemble = [&](const std::vector<double> &f, double *row, double tv) {
            std::size_t k = 0;
            const std::size_t bands = s.band_.size();
            for (std::size_t b = 0; b < bands; ++b) {
                const double gt = f[2 * b], nf = f[2 * b + 1];
                if (pass.mode == Mode::MostGain) {
                    row[k++] = tv - gt;
                    if (pass.noiseCap > 0)
                        row[k++] = nf - pass.noiseCap;
                } else {
                    row[k++] = nf - tv;
                }
                row[k++] = gt - s.CapOf(s.points_[s.band_[b]]);
            }
            for (std::size_t g = 2 * bands; g < f.size(); ++g)
                row[k++] = f[g] - s.points_[(g - 2 * bands) / 2].loopLimit;
        };
        assemble(pass.base, result, t);
        if (grad) {
            std::vector<double> shifted(m);
            std::vector<double> x(v, v + dims);
            constexpr double kStep = 1e-6;
            for (std::size_t i = 0; i < n; ++i) {
                x[i] = v[i] + kStep;
                s.Figures(x.data(), pass.stepped);
                assemble(pass.stepped, shifted.data(), t);
                for (unsigned k = 0; k < m; ++k)
                    grad[k * dims + i] = (shifted[k] - result[k]) / kStep;
                x[i] = v[i];
            }
            // The epigraph variable enters each level constraint with one sign.
            std::vector<double> tShift(m);
            assemble(pass.base, tShift.data(), t + 1);
            for (unsigned k = 0; k < m; ++k)
                grad[k * dims + n] = tShift[k] - result[k];
        }
        // Keep the best feasible point the solver passes through.
        bool feasible = true;
        double value = pass.mode == Mode::MostGain ? HUGE_VAL : -HUGE_VAL;
        const std::size_t bands = s.band_.size();
        for (std::size_t b = 0; b < bands; ++b) {
            const double gt = pass.base[2 * b], nf = pass.base[2 * b + 1];
            if (gt > s.CapOf(s.points_[s.band_[b]]) + kSlack)
                feasible = false;
            if (pass.mode == Mode::MostGain) {
                value = std::min(value, gt);
                if (pass.noiseCap > 0 && nf > pass.noiseCap + 1e-9)
                    feasible = false;
            } else {
                value = std::max(value, nf);
            }
        }
        for (std::size_t g = 2 * bands; g < pass.base.size(); ++g)
            if (pass.base[g] > s.points_[(g - 2 * bands) / 2].loopLimit + kSlack)
                feasible = false;
        const bool better =
            pass.mode == Mode::MostGain ? value > pass.bestValue : value < pass.bestValue;
        if (feasible && better) {
            pass.bestValue = value;
            pass.bestX.assign(v, v + n);
        }
    }

    Pair Solve(const Pair &start, Mode mode, double noiseCap)
    {
        in_ = start.input.network;
        out_ = start.output.network;
        std::vector<double> x, lower, upper;
        for (const Network *side : {&in_, &out_})
            for (const Part &e : side->parts) {
                const auto [low, high] = e.RangeIn(options_.ranges);
                const double value = std::clamp(e.value, low, high);
                x.push_back(std::log(value));
                lower.push_back(std::log(low));
                upper.push_back(std::log(high));
            }
        const std::size_t n = x.size();
        Pass pass{this, mode, noiseCap, n, {}, {}, {}, 0};
        pass.bestValue = mode == Mode::MostGain ? -HUGE_VAL : HUGE_VAL;
        Figures(x.data(), pass.base);
        double t = 0;
        {
            double level = mode == Mode::MostGain ? HUGE_VAL : -HUGE_VAL;
            for (std::size_t b = 0; b < band_.size(); ++b)
                level = mode == Mode::MostGain ? std::min(level, pass.base[2 * b])
                                               : std::max(level, pass.base[2 * b + 1]);
            t = level;
        }
        const std::size_t constraints =
            band_.size() * (mode == Mode::MostGain && noiseCap > 0 ? 3 : 2) + 2 * points_.size();
        nlopt::opt opt(nlopt::LD_SLSQP, static_cast<unsigned>(n + 1));
        lower.push_back(-400);
        upper.push_back(400);
        opt.set_lower_bounds(lower);
        opt.set_upper_bounds(upper);
        const double sign = mode == Mode::MostGain ? -1 : 1;
        opt.set_min_objective(
            [](unsigned dims, const double *v, double *grad, void *data) {
                const double s = *static_cast<const double *>(data);
                if (grad) {
                    std::fill_n(grad, dims, 0.0);
                    grad[dims - 1] = s;
                }
                return s * v[dims - 1];
            },
            const_cast<double *>(&sign));
        opt.add_inequality_mconstraint(&Search::Constraints, &pass,
                                       std::vector<double>(constraints, 1e-9));
        opt.set_ftol_abs(1e-6);
        opt.set_xtol_abs(1e-7);
        const int remaining = options_.evaluationBudget - spent_;
        opt.set_maxeval(std::max(1, std::min(kSolveEvaluations, remaining)));
        std::vector<double> v = x;
        v.push_back(std::clamp(t, -399.0, 399.0));
        double objective = 0;
        try {
            opt.optimize(v, objective);
        } catch (const std::exception &) {
            // Round-off and failed steps end the solve; the best values seen stay.
        }
        if (Stopped())
            throw TuneCancelled();
        Pair result = start;
        if (!pass.bestX.empty()) {
            std::size_t k = 0;
            for (Drawn *side : {&result.input, &result.output})
                for (Part &e : side->network.parts)
                    e.value = std::exp(pass.bestX[k++]);
        }
        result.score = ScoreOf(result.input.network, result.output.network);
        return Better(result.score, start.score, options_.goal) ? result : start;
    }

    static constexpr int kSolveEvaluations = 400;

    const AmplifierOptions &options_;
    const TwoPortData &data_;
    double z0_;
    std::vector<SearchPoint> points_;
    std::vector<std::size_t> band_;
    Network in_, out_;
    int spent_ = 0;
};

// The two-part sections that present `target` (a reflection at the device,
// referred to z0) from `terminationOhms`, listed from the termination toward
// the device; two neutral parts where no section exists.
std::vector<Drawn> Sections(double terminationOhms, Complex target, double z0, double frequencyHz)
{
    std::vector<Drawn> sides;
    const Complex z = z0 * (1.0 + target) / (1.0 - target);
    for (const Topology topology : {Topology::Lowpass, Topology::Highpass})
        for (const bool firstSeries : {true, false}) {
            // A lossless section that matches the termination to conj(z)
            // shows z back toward the termination's side.
            auto parts =
                LSection(terminationOhms, std::conj(z), frequencyHz, topology, firstSeries);
            if (!parts && std::abs(target) < 1e-3) {
                const double omega = Omega(frequencyHz);
                parts = std::vector<Part>{NeutralPart(firstSeries, topology, z0, omega),
                                          NeutralPart(!firstSeries, topology, z0, omega)};
            }
            if (parts && std::ranges::all_of(*parts, [](const Part &e) {
                    return std::isfinite(e.value) && e.value > 0;
                }))
                sides.push_back({topology, AmplifierNetwork(*parts, terminationOhms, z0)});
        }
    return sides;
}

Drawn Reversed(Drawn side)
{
    std::ranges::reverse(side.network.parts);
    std::swap(side.network.port1Ohms, side.network.port2Ohms);
    return side;
}

// The side with one more part at one of its ends, of the family's kind.
Drawn Grown(Drawn side, bool atEnd, double z0, double omega)
{
    std::vector<Part> &parts = side.network.parts;
    const Part &edge = atEnd ? parts.back() : parts.front();
    const Part part = NeutralPart(edge.shunt(), side.topology, z0, omega);
    if (atEnd)
        parts.push_back(part);
    else
        parts.insert(parts.begin(), part);
    return side;
}

// The side as a bandpass ladder: each part given a partner of the other kind
// in the same place, of small reactance (a large series capacitor beside a
// series inductor, a large shunt inductor beside a shunt capacitor, and the
// like), so that series parts become series resonators and shunt parts
// tanks that barely change the match at the centre.
Drawn Resonated(const Drawn &side, double z0, double omega)
{
    constexpr double kSmall = 0.05;
    Drawn resonated{Topology::Bandpass, side.network};
    resonated.network.parts.clear();
    for (const Part &e : side.network.parts) {
        const bool series = !e.shunt();
        resonated.network.parts.push_back(e);
        // Opposite in sign to the part's own reactance or susceptance.
        const double sign =
            (e.kind == ElementKind::SeriesInductor || e.kind == ElementKind::ShuntCapacitor) ? -1
                                                                                             : 1;
        resonated.network.parts.push_back(
            PartOf(series, sign * (series ? kSmall * z0 : kSmall / z0), omega));
    }
    return resonated;
}

// The starting reflections at the centre: the simultaneous conjugate match
// (gain) or the noise match with the output conjugate to what the device then
// shows (noise); where the device is only conditionally stable, the
// conjugates of its own port reflections, halved toward the centre of the
// chart so that the start lies in the stable regions.
std::pair<Complex, Complex> Targets(const SearchPoint &centre, double z0, AmplifierGoal goal)
{
    const DevicePoint figures = DeviceFiguresAt(centre.hz, centre.s, centre.noise, z0, {});
    const TwoPortMatrix &s = centre.s;
    if (goal == AmplifierGoal::Noise && centre.noise) {
        const Complex gs = centre.noise->gammaOpt;
        const Complex gout = s.s22 + s.s12 * s.s21 * gs / (1.0 - s.s11 * gs);
        return {gs, std::abs(gout) < 1 ? std::conj(gout) : 0.5 * std::conj(s.s22)};
    }
    if (figures.gammaS && figures.gammaL)
        return {*figures.gammaS, *figures.gammaL};
    return {0.5 * std::conj(s.s11), 0.5 * std::conj(s.s22)};
}

// Every frequency the final checks look at over the whole data: each data
// frequency and points evenly between each pair of them, the device's data
// interpolated.
struct GridPoint
{
    double hz = 0;
    TwoPortMatrix s;
};

std::vector<GridPoint> WholeGrid(const TwoPortData &data)
{
    constexpr std::size_t kMostPoints = 4000, kMostBetween = 15;
    const std::vector<double> &f = data.frequenciesHz;
    const std::size_t gaps = f.size() - 1;
    const std::size_t between =
        gaps == 0 ? 0 : std::clamp<std::size_t>(kMostPoints / gaps, 1, kMostBetween);
    std::vector<GridPoint> grid;
    for (std::size_t i = 0; i < f.size(); ++i) {
        grid.push_back({f[i], data.s[i]});
        if (i + 1 == f.size())
            break;
        for (std::size_t k = 1; k <= between; ++k) {
            const double hz = f[i] + (f[i + 1] - f[i]) * static_cast<double>(k) /
                                         static_cast<double>(between + 1);
            grid.push_back({hz, DeviceScatteringAt(data, hz)});
        }
    }
    return grid;
}

double BandGridHz(double fromHz, double toHz, int k)
{
    return fromHz + (toHz - fromHz) * k / (kDenseBandPoints - 1);
}

std::string Ghz(double hz)
{
    return Figure(units::Frequency::FromHz(hz).ghz()) + " GHz";
}

// What the final checks found: the figures of a design that passes, or the
// first check it fails, where, and the frequencies to look at again.
struct Checked
{
    AmplifierStability stability;
    std::string problem;
    std::vector<std::pair<double, bool>> lookAgain; // frequency, in band
};

// The design's checks: in band, on the dense grid, both loops within the
// margin and G_T at or below the device's most stable gain; over the whole
// data, both loops below 1 with the parts as designed and with each moved
// alone by each tolerance.
Checked Check(const TwoPortData &data, double fromHz, double toHz, const Network &in,
              const Network &out, const AmplifierOptions &options,
              const std::vector<GridPoint> &grid)
{
    Checked checked;
    AmplifierStability &st = checked.stability;
    const Termination &source = options.source, &load = options.load;
    const double z0 = data.referenceOhms;
    st.marginAsked = options.stabilityMargin;
    st.bandFromHz = fromHz;
    st.bandToHz = toHz;
    st.dataFromHz = data.frequenciesHz.front();
    st.dataToHz = data.frequenciesHz.back();
    const double allowed = options.stabilityMargin * options.stabilityMargin;
    double worstCapHz = 0, worstCapExcess = 0, capDb = 0;
    for (int k = 0; k < kDenseBandPoints; ++k) {
        const double hz = BandGridHz(fromHz, toHz, k);
        const TwoPortMatrix s = DeviceScatteringAt(data, hz);
        const Evaluated e = EvaluateAt(in, out, hz, s, std::nullopt, z0, source, load);
        const auto [a, b] = Loops(s, e.p.gammaS, e.p.gammaL);
        if (std::max(a, b) > st.worstLoopInBand) {
            st.worstLoopInBand = std::max(a, b);
            st.worstLoopInBandHz = hz;
        }
        const double cap = MostStableGainDb(s, z0);
        const double excess = PowerDb(e.c.gt) - cap;
        if (excess > worstCapExcess) {
            worstCapExcess = excess;
            worstCapHz = hz;
            capDb = cap;
        }
    }
    if (!(st.worstLoopInBand <= allowed + kSlack)) {
        checked.problem = "no network of the candidates' families keeps both loops (|GammaS Gamma "
                          "in| and |GammaL Gamma out|) at or below " +
                          Figure(allowed, 4) + " over the band: " + Figure(st.worstLoopInBand, 3) +
                          " at " + Ghz(st.worstLoopInBandHz);
        checked.lookAgain.emplace_back(st.worstLoopInBandHz, true);
    } else if (worstCapExcess > 1e-3) {
        checked.problem = "no network of the candidates' families keeps G_T at or below the "
                          "device's most stable gain over the band: " +
                          Figure(capDb + worstCapExcess, 4) + " dB against " + Figure(capDb, 4) +
                          " dB at " + Ghz(worstCapHz);
        checked.lookAgain.emplace_back(worstCapHz, true);
    }
    // The parts as designed, then each alone at each tolerance.
    std::vector<double> spreads{kPartSpreadPercent};
    if (options.tolerancePercent > 0 && options.tolerancePercent != kPartSpreadPercent)
        spreads.push_back(options.tolerancePercent);
    st.toleranceChecked = *std::ranges::max_element(spreads);
    struct Variant
    {
        Network in, out;
        std::string what;
    };
    std::vector<Variant> variants{{in, out, ""}};
    for (const double spread : spreads)
        for (const bool inputSide : {true, false}) {
            const Network &side = inputSide ? in : out;
            for (std::size_t i = 0; i < side.parts.size(); ++i)
                for (const double sign : {-1.0, 1.0}) {
                    Variant v{in, out, ""};
                    Part &part = (inputSide ? v.in : v.out).parts[i];
                    part = SpreadPart(part, 1 + sign * spread / 100);
                    v.what = std::string(inputSide ? "the input's " : "the output's ") +
                             side.parts[i].label + (sign > 0 ? " +" : " -") + Figure(spread) + " %";
                    variants.push_back(std::move(v));
                }
        }
    std::string worstWhat;
    for (const Variant &v : variants) {
        ThrowIfStopped(options);
        for (const GridPoint &p : grid) {
            const Presented pr = PresentedAt(v.in, v.out, p.hz, z0, source, load);
            const auto [a, b] = Loops(p.s, pr.gammaS, pr.gammaL);
            if (std::max(a, b) > st.worstLoopOverData) {
                st.worstLoopOverData = std::max(a, b);
                st.atFrequencyHz = p.hz;
                worstWhat = v.what;
            }
        }
    }
    if (checked.problem.empty() && !(st.worstLoopOverData < 1)) {
        checked.problem = "no network of the candidates' families keeps both loops below 1 over "
                          "the whole data" +
                          std::string(worstWhat.empty() ? "" : " with each part at its tolerance") +
                          ": " + Figure(st.worstLoopOverData, 4) + " at " + Ghz(st.atFrequencyHz) +
                          (worstWhat.empty() ? "" : " (" + worstWhat + ")");
        const bool inBand = st.atFrequencyHz >= fromHz && st.atFrequencyHz <= toHz;
        checked.lookAgain.emplace_back(st.atFrequencyHz, inBand);
    }
    // The device's own stability, at its data frequencies.
    for (std::size_t i = 0; i < data.frequenciesHz.size(); ++i) {
        const DevicePoint d =
            DeviceFiguresAt(data.frequenciesHz[i], data.s[i], std::nullopt, z0, {});
        // Without a finite mu (no feedback and a port that neither gives
        // nor takes) the point says nothing of the device's stability.
        if (!d.mu || !std::isfinite(*d.mu))
            continue;
        const double mu = *d.mu;
        if (!(mu > 1) && (st.deviceUnconditional || mu < st.deviceLeastMu)) {
            st.deviceUnconditional = false;
            st.deviceLeastMu = mu;
            st.deviceLeastMuHz = data.frequenciesHz[i];
        }
    }
    return checked;
}

// The design's figures: at the band's data frequencies and on its dense
// grid, and whether the whole amplifier is unconditionally stable at every
// data frequency.
Amplifier Assembled(const TwoPortData &data, double fromHz, double toHz, const Drawn &input,
                    const Drawn &output, const AmplifierOptions &options, const Checked &checked)
{
    const Termination &source = options.source, &load = options.load;
    const double z0 = data.referenceOhms;
    Amplifier amplifier;
    amplifier.goal = options.goal;
    amplifier.input = input.network;
    amplifier.output = output.network;
    amplifier.inputTopology = input.topology;
    amplifier.outputTopology = output.topology;
    amplifier.input.port1Ohms = AmplifierPortOhms(source, z0);
    amplifier.input.port2Ohms = z0;
    amplifier.output.port1Ohms = z0;
    amplifier.output.port2Ohms = AmplifierPortOhms(load, z0);
    Relabel(amplifier.input.parts);
    Relabel(amplifier.output.parts);
    amplifier.band =
        AmplifierSweep(data, fromHz, toHz, amplifier.input, amplifier.output, source, load);
    for (int k = 0; k < kDenseBandPoints; ++k) {
        const double hz = BandGridHz(fromHz, toHz, k);
        amplifier.dense.push_back(
            AmplifierPointAt(hz, DeviceScatteringAt(data, hz), NoiseAt(data.noise, hz),
                             data.referenceOhms, amplifier.input, amplifier.output, source, load));
    }
    amplifier.gtDbMin = HUGE_VAL;
    amplifier.gtDbMax = -HUGE_VAL;
    for (const std::vector<AmplifierPoint> *points : {&amplifier.band, &amplifier.dense})
        for (const AmplifierPoint &p : *points) {
            amplifier.gtDbMin = std::min(amplifier.gtDbMin, p.gtDb);
            amplifier.gtDbMax = std::max(amplifier.gtDbMax, p.gtDb);
            if (p.nfDb)
                amplifier.nfDbMax = std::max(amplifier.nfDbMax.value_or(-HUGE_VAL), *p.nfDb);
        }
    const std::vector<AmplifierPoint> whole =
        AmplifierSweep(data, 0, HUGE_VAL, amplifier.input, amplifier.output, source, load);
    amplifier.stable =
        std::ranges::all_of(whole, [](const AmplifierPoint &p) { return p.mu && *p.mu > 1; });
    amplifier.stability = checked.stability;
    return amplifier;
}

// A kit's parts of one kind in the order of their reactance at the band's
// centre: a part near its resonance acts larger (an inductor) or smaller (a
// capacitor) than marked, and neighbours in this order are the next choices
// on the board.
struct KitKind
{
    std::vector<KitPartRef> parts;
    std::vector<double> reactance; // ohms at the centre, rising
};

KitKind KitKindOf(const std::vector<KitPartRef> &parts, double centreHz)
{
    const auto reactance = [centreHz](const KitPartRef &p) {
        const double x = p->ImpedanceAt(centreHz).imag();
        return std::isfinite(x) ? x : HUGE_VAL;
    };
    KitKind kind{parts, {}};
    std::ranges::stable_sort(kind.parts, {}, reactance);
    for (const KitPartRef &p : kind.parts)
        kind.reactance.push_back(reactance(p));
    return kind;
}

// The index of `values` nearest `wanted` in the ratio of their magnitudes.
std::size_t NearestRatio(const std::vector<double> &values, double wanted)
{
    std::size_t best = 0;
    double bestDistance = HUGE_VAL;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const double d = std::abs(
            std::log(std::max(std::abs(values[k]), 1e-300) / std::max(std::abs(wanted), 1e-300)));
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

// The designed networks put on a kit's parts: each position holds a kit part
// of its kind, the choices scored as the design's search scores a pair of
// networks (the margins first, then the goal), from the kit parts nearest
// each designed part by reactance at the centre and by marked value, then
// moved to neighbouring kit parts while that helps.
class KitChoices
{
  public:
    KitChoices(const Search &search, const Drawn &input, const Drawn &output, const Kit &kit,
               double centreHz, AmplifierGoal goal)
        : search_(search), input_(input), output_(output), goal_(goal)
    {
        for (const Element element : {Element{Inductor{}}, Element{Capacitor{}}})
            kinds_[element.index()] = KitKindOf(kit.Of(element), centreHz);
        const double omega = Omega(centreHz);
        for (const Drawn *side : {&input_, &output_})
            for (const Part &part : side->network.parts) {
                const KitKind &kind = kinds_[part.element().index()];
                // The reactance the part shows in its place: in series its
                // impedance's, across the line its admittance's reciprocal's.
                const Complex w = part.ImmittanceAt(omega);
                const double wanted = (part.shunt() ? 1.0 / w : w).imag();
                effective_.push_back(NearestRatio(kind.reactance, wanted));
                std::vector<double> nominal;
                for (const KitPartRef &p : kind.parts)
                    nominal.push_back(p->nominal);
                marked_.push_back(NearestRatio(nominal, part.value));
            }
    }

    // The sides of one choice, the designed parts' places and labels kept.
    std::pair<Drawn, Drawn> Sides(const std::vector<std::size_t> &ranks) const
    {
        std::pair<Drawn, Drawn> sides{input_, output_};
        std::size_t k = 0;
        for (Drawn *side : {&sides.first, &sides.second})
            for (Part &part : side->network.parts) {
                part = KitPartAs(part, kinds_[part.element().index()].parts[ranks[k]]);
                ++k;
            }
        return sides;
    }

    // Both starts, each descended; then every choice scored, best first.
    std::vector<std::vector<std::size_t>> Ranked()
    {
        Descend(effective_);
        if (marked_ != effective_)
            Descend(marked_);
        std::vector<std::pair<std::vector<std::size_t>, Score>> all(scored_.begin(), scored_.end());
        // Noise figures in hundredths of a dB, then the gain; the choice
        // itself breaks ties, so that the order is the same on every run.
        const auto key = [this](const std::pair<std::vector<std::size_t>, Score> &e) {
            const Score &s = e.second;
            const double noise = goal_ == AmplifierGoal::Noise ? std::round(s.noiseDb * 100) : 0;
            return std::tuple{!s.stable, noise, -s.gainDb, e.first};
        };
        std::ranges::sort(all, {}, key);
        std::vector<std::vector<std::size_t>> ranked;
        for (auto &e : all)
            ranked.push_back(std::move(e.first));
        return ranked;
    }

    std::size_t Measured() const { return scored_.size(); }

  private:
    std::optional<Score> Measure(const std::vector<std::size_t> &ranks)
    {
        if (const auto known = scored_.find(ranks); known != scored_.end())
            return known->second;
        if (scored_.size() >= kMostKitChoicesScored)
            return std::nullopt;
        if (search_.Stopped())
            throw TuneCancelled();
        const auto [in, out] = Sides(ranks);
        const Score score = search_.ScoreOf(in.network, out.network);
        scored_.emplace(ranks, score);
        return score;
    }

    // Moves of one part by one to three kit parts either way, the best taken;
    // when none helps, of two parts by one each, the first that helps.
    void Descend(std::vector<std::size_t> ranks)
    {
        std::optional<Score> current = Measure(ranks);
        if (!current)
            return;
        const std::size_t n = ranks.size();
        const auto moved = [&](std::size_t i, int step, std::vector<std::size_t> &to) {
            const long k = static_cast<long>(to[i]) + step;
            const std::size_t size = kinds_[PartAt(i).element().index()].parts.size();
            if (k < 0 || k >= static_cast<long>(size))
                return false;
            to[i] = static_cast<std::size_t>(k);
            return true;
        };
        constexpr std::size_t kMostMovesPerPart = 16;
        for (std::size_t move = 0; move < kMostMovesPerPart * n; ++move) {
            Score bestScore = *current;
            std::vector<std::size_t> best = BetterNeighbour(
                ranks, bestScore, moved,
                [&](const std::vector<std::size_t> &trial) { return Measure(trial); },
                [&](const Score &a, const Score &b) { return Better(a, b, goal_); },
                PairedMoves::FirstThatHelps);
            if (best.empty())
                return;
            ranks = std::move(best);
            current = bestScore;
        }
    }

    const Part &PartAt(std::size_t position) const
    {
        const std::vector<Part> &in = input_.network.parts, &out = output_.network.parts;
        return position < in.size() ? in[position] : out[position - in.size()];
    }

    const Search &search_;
    const Drawn &input_, &output_;
    AmplifierGoal goal_;
    std::array<KitKind, std::variant_size_v<Element>> kinds_; // by element kind
    std::vector<std::size_t> effective_, marked_;
    std::map<std::vector<std::size_t>, Score> scored_;
};

// The chip values the design may use: those the kit spans, within the ranges
// asked where they overlap.
PartRanges WithinKit(PartRanges ranges, const Kit &kit)
{
    const auto narrowed = [](double &low, double &high, const std::vector<KitPartRef> &parts) {
        if (parts.empty())
            return;
        const double least = parts.front()->nominal, most = parts.back()->nominal;
        if (std::max(low, least) < std::min(high, most)) {
            low = std::max(low, least);
            high = std::min(high, most);
        } else {
            low = least;
            high = most;
        }
    };
    narrowed(ranges.inductorLowNh, ranges.inductorHighNh, kit.inductors);
    narrowed(ranges.capacitorLowPf, ranges.capacitorHighPf, kit.capacitors);
    return ranges;
}

// The design on the parts it is tuned with, then on the kit's: the choices
// of kit parts best first put through every final check in turn, the first
// that passes taken.
AmplifierDesign DesignOnKit(const TwoPortData &data, double fromHz, double toHz,
                            const AmplifierOptions &asked)
{
    const Kit &kit = *asked.kit;
    AmplifierOptions options = asked;
    options.kit = nullptr;
    if (PartRangesError(WithinKit(options.ranges, kit)).empty())
        options.ranges = WithinKit(options.ranges, kit);
    AmplifierDesign design = DesignAmplifier(data, fromHz, toHz, options);
    if (!design.amplifier)
        return design;
    const Amplifier designed = std::move(*design.amplifier);
    design.amplifier.reset();
    for (const Network *side : {&designed.input, &designed.output})
        for (const Part &part : side->parts)
            if (kit.Of(part.element()).empty()) {
                design.problem = std::string("the kit has no ") + part.noun() + " for the " +
                                 (side == &designed.input ? "input" : "output") + " network's " +
                                 part.label;
                return design;
            }
    if (options.built.centreHz == 0)
        options.built.centreHz = std::sqrt(fromHz * toHz);
    const Search search(data, fromHz, toHz, options);
    const Drawn designedInput{designed.inputTopology, designed.input},
        designedOutput{designed.outputTopology, designed.output};
    KitChoices choices(search, designedInput, designedOutput, kit, options.built.centreHz,
                       options.goal);
    const std::vector<std::vector<std::size_t>> ranked = choices.Ranked();
    const std::vector<GridPoint> grid = WholeGrid(data);
    std::string firstProblem;
    std::size_t checkedCount = 0;
    for (const std::vector<std::size_t> &ranks : ranked) {
        if (checkedCount == kMostKitChoicesChecked)
            break;
        ThrowIfStopped(options);
        ++checkedCount;
        const auto [in, out] = choices.Sides(ranks);
        const Checked checked = Check(data, fromHz, toHz, in.network, out.network, options, grid);
        if (!checked.problem.empty()) {
            if (firstProblem.empty())
                firstProblem = checked.problem;
            continue;
        }
        Amplifier amplifier = Assembled(data, fromHz, toHz, in, out, options, checked);
        AmplifierKitChoice &choice = amplifier.kit.emplace();
        choice.designedInput = designed.input;
        choice.designedOutput = designed.output;
        choice.designedGtDbMin = designed.gtDbMin;
        choice.designedGtDbMax = designed.gtDbMax;
        choice.designedNfDbMax = designed.nfDbMax;
        choice.networksMeasured = choices.Measured();
        choice.choicesChecked = checkedCount;
        design.amplifier = std::move(amplifier);
        return design;
    }
    design.problem = "on the kit's parts, no choice passes the checks (" +
                     std::to_string(checkedCount) + " checked of " +
                     std::to_string(choices.Measured()) + " scored); the best: " + firstProblem;
    return design;
}
} // namespace

std::vector<AmplifierPoint> AmplifierDenseSweep(const TwoPortData &data, double fromHz, double toHz,
                                                const Network &input, const Network &output,
                                                const Termination &source, const Termination &load)
{
    std::vector<double> hz;
    for (const double f : data.frequenciesHz)
        hz.push_back(f);
    for (int k = 0; k < kDenseBandPoints; ++k)
        hz.push_back(BandGridHz(fromHz, toHz, k));
    SortDistinct(hz);
    std::vector<AmplifierPoint> points;
    for (const double f : hz)
        points.push_back(AmplifierPointAt(f, DeviceScatteringAt(data, f), NoiseAt(data.noise, f),
                                          data.referenceOhms, input, output, source, load));
    return points;
}

Part SpreadPart(const Part &part, double factor)
{
    const KitPart *kit = KitPartOf(part);
    if (!kit)
        return part.Scaled(factor);
    auto moved = std::make_shared<KitPart>(*kit);
    moved->fitted.main *= factor;
    for (std::size_t i = 0; i < moved->data.frequenciesHz.size(); ++i) {
        const double hz = moved->data.frequenciesHz[i];
        const Complex change = moved->fitted.ImpedanceAt(kit->inductor, hz) -
                               kit->fitted.ImpedanceAt(kit->inductor, hz);
        // At 0 Hz a capacitor's change has no finite value; the part passes
        // nothing there either way.
        if (std::isfinite(change.real()) && std::isfinite(change.imag()))
            moved->data.impedanceOhms[i] += change;
    }
    Part spread = part.Scaled(factor);
    spread.model = Measured{std::move(moved)};
    return spread;
}

AmplifierDesign DesignAmplifier(const TwoPortData &data, double fromHz, double toHz,
                                const AmplifierOptions &asked)
{
    if (const std::string problem = PartRangesError(asked.ranges); !problem.empty())
        throw std::invalid_argument(problem);
    if (!(asked.stabilityMargin > 0 && asked.stabilityMargin < 1))
        throw std::invalid_argument("the stability margin must lie between 0 and 1");
    if (asked.kit)
        return DesignOnKit(data, fromHz, toHz, asked);
    // The parts' Q is quoted at the band's centre; a chip part is kept below
    // its own resonance over the band.
    AmplifierOptions options = asked;
    if (options.built.centreHz == 0)
        options.built.centreHz = std::sqrt(fromHz * toHz);
    options.ranges = WithinSelfResonance(options.ranges, options.built, toHz);
    const Termination &source = options.source, &load = options.load;
    for (const Termination *end : {&source, &load})
        if (const auto *r = std::get_if<PortResistance>(&end->kind);
            r && !(r->ohms > 0 && std::isfinite(r->ohms)))
            throw std::invalid_argument("the source and load resistances must be positive");
    // A measured termination must deliver or take power at every data
    // frequency: a lossless one has no available power to amplify.
    for (const double f : data.frequenciesHz)
        if (!(source.ImpedanceAt(f).real() > 0) || !(load.ImpedanceAt(f).real() > 0)) {
            AmplifierDesign none;
            none.problem = "the measured source or load has no resistance at " +
                           Figure(units::Frequency::FromHz(f).ghz()) + " GHz";
            return none;
        }
    AmplifierDesign design;
    bool inBand = false;
    bool noiseInBand = true;
    for (std::size_t i = 0; i < data.frequenciesHz.size(); ++i)
        if (data.frequenciesHz[i] >= fromHz && data.frequenciesHz[i] <= toHz) {
            inBand = true;
            if (!NoiseAt(data.noise, data.frequenciesHz[i]))
                noiseInBand = false;
            // Nothing to amplify: any gain claimed would be round-off.
            if (!(std::abs(data.s[i].s21) >= kLeastTransmission)) {
                design.problem = "the device has no forward gain at " + Ghz(data.frequenciesHz[i]) +
                                 " (|S21| below -120 dB): no amplifier";
                return design;
            }
        }
    if (!inBand) {
        design.problem = "the band holds none of the device's data frequencies";
        return design;
    }
    if (options.goal == AmplifierGoal::Noise && !noiseInBand) {
        design.problem = "the noise goal needs the device's noise parameters over the band, "
                         "and the file has none there";
        return design;
    }
    Search search(data, fromHz, toHz, options);
    const double z0 = search.ReferenceOhms();
    const SearchPoint &centre = search.Centre(fromHz, toHz);
    const auto [gammaS, gammaL] = Targets(centre, z0, options.goal);
    // A measured termination's resistance at the centre sets the sections;
    // the tune takes in its reactance and its change over the band.
    const std::vector<Drawn> inputs =
        Sections(source.ImpedanceAt(centre.hz).real(), gammaS, z0, centre.hz);
    std::vector<Drawn> outputs;
    for (const Drawn &side : Sections(load.ImpedanceAt(centre.hz).real(), gammaL, z0, centre.hz))
        outputs.push_back(Reversed(side));

    // Every pair of the closed-form sections, tuned together.
    std::optional<Pair> best;
    for (const Drawn &in : inputs)
        for (const Drawn &out : outputs) {
            if (!search.BudgetLeft())
                break;
            Pair tuned = search.Tune(in, out);
            if (!best || Better(tuned.score, best->score, options.goal))
                best = std::move(tuned);
        }
    if (!best) {
        design.problem = "no matching section reaches the device's match at the band's centre";
        return design;
    }
    // Grown a part at a time on the side that gains most, while it helps;
    // once with the plain ladders only and once with the bandpass ones too,
    // since a resonator taken early can shut off the better plain path.
    constexpr std::size_t kMostParts = 6;
    const double omega = Omega(centre.hz);
    const auto grow = [&](Pair from, bool bandpass) {
        while (search.BudgetLeft()) {
            std::optional<Pair> step;
            for (const bool inputSide : {true, false}) {
                const Drawn &side = inputSide ? from.input : from.output;
                // A bandpass side grows only as a whole resonator pair.
                if (side.topology == Topology::Bandpass ||
                    side.network.parts.size() >= kMostParts || !search.BudgetLeft())
                    continue;
                for (const bool atEnd : {true, false}) {
                    const Drawn grown = Grown(side, atEnd, z0, omega);
                    Pair tuned = inputSide ? search.Tune(grown, from.output)
                                           : search.Tune(from.input, grown);
                    if (!step || Better(tuned.score, step->score, options.goal))
                        step = std::move(tuned);
                }
            }
            // The bandpass ladders of the sections (four or six parts).
            for (const bool inputSide : {true, false}) {
                const Drawn &side = inputSide ? from.input : from.output;
                if (!bandpass || side.topology == Topology::Bandpass ||
                    2 * side.network.parts.size() > kMostParts || !search.BudgetLeft())
                    continue;
                const Drawn resonated = Resonated(side, z0, omega);
                Pair tuned = inputSide ? search.Tune(resonated, from.output)
                                       : search.Tune(from.input, resonated);
                if (!step || Better(tuned.score, step->score, options.goal))
                    step = std::move(tuned);
            }
            // A part is worth its place for a tenth of a dB.
            const bool worth =
                step && Better(step->score, from.score, options.goal) &&
                (step->score.stable != from.score.stable ||
                 (options.goal == AmplifierGoal::Gain
                      ? step->score.gainDb > from.score.gainDb + 0.1
                      : step->score.noiseDb < from.score.noiseDb - 0.1 ||
                            (std::abs(step->score.noiseDb - from.score.noiseDb) <= 0.01 &&
                             step->score.gainDb > from.score.gainDb + 0.1)));
            if (!worth)
                break;
            from = std::move(*step);
        }
        return from;
    };
    const Pair plain = grow(*best, false);
    const Pair resonant = grow(*best, true);
    best = Better(resonant.score, plain.score, options.goal) ? resonant : plain;
    // The search looked at some frequencies; the checks look at all of them.
    // Where a check fails, its frequency joins the search's and the networks
    // are tuned again, a few times at most.
    const std::vector<GridPoint> grid = WholeGrid(data);
    constexpr int kRetunes = 4, kRetuneSteps = 2000;
    Checked checked =
        Check(data, fromHz, toHz, best->input.network, best->output.network, options, grid);
    for (int round = 0; round < kRetunes && !checked.problem.empty(); ++round) {
        for (const auto &[hz, within] : checked.lookAgain)
            search.Add(hz, within);
        search.Allow(kRetuneSteps);
        Pair retuned = search.Tune(best->input, best->output);
        const Checked again =
            Check(data, fromHz, toHz, retuned.input.network, retuned.output.network, options, grid);
        best = std::move(retuned);
        checked = again;
    }
    if (!checked.problem.empty()) {
        design.problem = checked.problem;
        return design;
    }
    design.amplifier = Assembled(data, fromHz, toHz, best->input, best->output, options, checked);
    return design;
}

WorstLoop AmplifierWorstLoop(const TwoPortData &data, const Network &input, const Network &output,
                             const Termination &source, const Termination &load)
{
    WorstLoop worst;
    for (const GridPoint &p : WholeGrid(data)) {
        const Presented pr = PresentedAt(input, output, p.hz, data.referenceOhms, source, load);
        const auto [a, b] = Loops(p.s, pr.gammaS, pr.gammaL);
        if (std::max(a, b) > worst.loop || worst.frequencyHz == 0) {
            worst.loop = std::max(a, b);
            worst.frequencyHz = p.hz;
        }
    }
    return worst;
}

Termination AmplifierDevicePort(const TwoPortData &data, const Amplifier &amplifier,
                                const Termination &source, const Termination &load, int port)
{
    // The reflection the device shows at one port is its own S11 (S22)
    // moved by what the other network and its termination present to the
    // other port, through the device's feedback S12 S21.
    const double z0 = data.referenceOhms;
    const Network &other = port == 1 ? amplifier.output : amplifier.input;
    const Termination &behind = port == 1 ? load : source;
    auto reflectionAt = [data, other, behind, z0, port](double hz) {
        const SideMatrix m = SideAbcd(other, hz);
        const Complex zt = behind.ImpedanceAt(hz);
        // Looking into the other network's device end with its termination behind it.
        const Complex z =
            port == 1 ? (m.a * zt + m.b) / (m.c * zt + m.d) : (m.d * zt + m.b) / (m.c * zt + m.a);
        const Complex g = Reflection(z, z0);
        const TwoPortMatrix s = DeviceScatteringAt(data, hz);
        const Core c = port == 1 ? CoreOf(s, 0, g) : CoreOf(s, g, 0);
        return port == 1 ? c.gammaIn : c.gammaOut;
    };
    return Termination{DevicePort{std::move(reflectionAt), z0, port}};
}

ImpedancePath AmplifierSidePath(const TwoPortData &data, const Amplifier &amplifier,
                                const Termination &source, const Termination &load, int side,
                                double frequencyHz)
{
    // Both networks list their parts from port 1, and each path starts at
    // port 2: the device's input for the input network, the load for the
    // output network.
    const Network &network = side == 1 ? amplifier.input : amplifier.output;
    const Termination start =
        side == 1 ? AmplifierDevicePort(data, amplifier, source, load, 1) : load;
    return ImpedancePathFrom(network, start.ImpedanceAt(frequencyHz), true, frequencyHz,
                             data.referenceOhms);
}

} // namespace tevmar::analysis
