#include "analysis/amplifier/amplifier_stabiliser.h"

#include "analysis/amplifier/device_figures.h"
#include "report/number_format.h"
#include "units/quantity.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tevmar::analysis {

using Complex = std::complex<double>;

namespace {

// Two two-ports in cascade, both referred to the same resistance.
TwoPortMatrix Cascade(const TwoPortMatrix &a, const TwoPortMatrix &b)
{
    const Complex den = 1.0 - a.s22 * b.s11;
    TwoPortMatrix s;
    s.s11 = a.s11 + a.s12 * a.s21 * b.s11 / den;
    s.s21 = a.s21 * b.s21 / den;
    s.s12 = a.s12 * b.s12 / den;
    s.s22 = b.s22 + b.s21 * b.s12 * a.s22 / den;
    return s;
}

// A series resistor of r = R / z0, and a shunt conductance of g = G z0.
TwoPortMatrix SeriesResistor(double r)
{
    return {r / (r + 2), 2 / (r + 2), 2 / (r + 2), r / (r + 2)};
}

TwoPortMatrix ShuntConductance(double g)
{
    return {-g / (g + 2), 2 / (g + 2), 2 / (g + 2), -g / (g + 2)};
}

// Edwards-Sinsky mu; above 1 no passive load makes the input reflect more
// than it receives, nor any passive source the output.
double Mu(const TwoPortMatrix &s)
{
    const Complex delta = s.s11 * s.s22 - s.s12 * s.s21;
    const double below = std::abs(s.s22 - std::conj(s.s11) * delta) + std::abs(s.s12 * s.s21);
    const double mu = (1 - std::norm(s.s11)) / below;
    return std::isfinite(mu) ? mu : HUGE_VAL;
}

struct LeastMu
{
    double mu = HUGE_VAL, hz = 0;
};

LeastMu LeastMuOf(const TwoPortData &data, const Stabiliser &stabiliser)
{
    LeastMu least;
    for (std::size_t i = 0; i < data.frequenciesHz.size(); ++i) {
        const double mu = Mu(StabilisedScattering(data.s[i], data.referenceOhms, stabiliser));
        if (mu < least.mu)
            least = {mu, data.frequenciesHz[i]};
    }
    return least;
}

// The most gain a device gives between passive terminations without
// regeneration, dB: MAG where it is unconditionally stable, MSG elsewhere; a
// device without feedback its unilateral maximum, and none at all (infinite)
// where one of its ports alone gives back more than it receives.
double MostStableGainDb(const TwoPortMatrix &s, const DevicePoint &d)
{
    if (d.magDb || d.msgDb)
        return d.magDb ? *d.magDb : *d.msgDb;
    if (std::norm(s.s11) < 1 && std::norm(s.s22) < 1)
        return 10 * std::log10(std::max(std::norm(s.s21), 1e-30) /
                               ((1 - std::norm(s.s11)) * (1 - std::norm(s.s22))));
    return HUGE_VAL;
}

// The band's least most stable gain at its data frequencies, dB.
double LeastStableGainDb(const TwoPortData &data, double fromHz, double toHz,
                         const Stabiliser &stabiliser)
{
    double least = HUGE_VAL;
    for (std::size_t i = 0; i < data.frequenciesHz.size(); ++i) {
        const double f = data.frequenciesHz[i];
        if (f < fromHz || f > toHz)
            continue;
        const TwoPortMatrix s = StabilisedScattering(data.s[i], data.referenceOhms, stabiliser);
        const DevicePoint d = DeviceFiguresAt(f, s, std::nullopt, data.referenceOhms, {});
        least = std::min(least, MostStableGainDb(s, d));
    }
    return least;
}

// A value rounded to three significant figures, up or down: the resistor
// as ordered, on the stable side.
double Rounded(double ohms, bool up)
{
    const double scale = std::pow(10.0, std::floor(std::log10(ohms)) - 2);
    const double steps = ohms / scale;
    return (up ? std::ceil(steps - 1e-9) : std::floor(steps + 1e-9)) * scale;
}

// The choice of resistors: those that keep mu at or above the margin with
// each at the less loading end of its spread, for the most gain left.
class Chooser
{
  public:
    Chooser(const TwoPortData &data, double fromHz, double toHz, double spread)
        : data_(data), fromHz_(fromHz), toHz_(toHz), spread_(spread)
    {
    }

    bool Holds(std::optional<double> series, std::optional<double> shunt)
    {
        Stabiliser corner;
        if (series)
            corner.inputSeriesOhms = *series * (1 - spread_);
        if (shunt)
            corner.outputShuntOhms = *shunt * (1 + spread_);
        const LeastMu least = LeastMuOf(data_, corner);
        if (least.mu > best_.mu || best_.hz == 0)
            best_ = least;
        return least.mu >= kStabilisedMu;
    }

    // The largest shunt resistor (the least loading) that holds with this
    // series one; unset with none needed, or none found.
    std::optional<std::optional<double>> LargestShunt(std::optional<double> series)
    {
        if (Holds(series, std::nullopt))
            return std::optional<double>();
        return Boundary([&](double r) { return Holds(series, r); }, kMostShuntStabiliserOhms,
                        kLeastShuntStabiliserOhms);
    }

    // The smallest series resistor that holds alone.
    std::optional<double> SmallestSeries()
    {
        const auto r = Boundary([&](double ohms) { return Holds(ohms, std::nullopt); },
                                kLeastSeriesStabiliserOhms, kMostSeriesStabiliserOhms);
        return r ? std::optional(*r) : std::nullopt;
    }

    // Keeps the candidate if it leaves more gain than the best so far.
    void Consider(std::optional<double> series, std::optional<double> shunt)
    {
        if (series)
            series = Rounded(*series, true);
        if (shunt)
            shunt = Rounded(*shunt, false);
        if (!Holds(series, shunt))
            return;
        Stabiliser s;
        s.inputSeriesOhms = series;
        s.outputShuntOhms = shunt;
        const double gain = LeastStableGainDb(data_, fromHz_, toHz_, s);
        // A second resistor is worth its place for a tenth of a dB.
        if (!chosen_ || gain > chosenGainDb_ + 0.1) {
            chosen_ = s;
            chosenGainDb_ = gain;
        }
    }

    const std::optional<Stabiliser> &Chosen() const { return chosen_; }
    double ChosenGainDb() const { return chosenGainDb_; }
    LeastMu BestSeen() const { return best_; }

  private:
    // Walking from `from` toward `to` in even steps of the logarithm, the
    // first value that holds, refined against its neighbour that does not.
    template <class Test> std::optional<double> Boundary(Test &&holds, double from, double to)
    {
        constexpr int kSteps = 48, kHalvings = 24;
        double before = from;
        for (int k = 0; k <= kSteps; ++k) {
            const double r = from * std::pow(to / from, static_cast<double>(k) / kSteps);
            if (!holds(r)) {
                before = r;
                continue;
            }
            if (k == 0)
                return r;
            double fails = before, passes = r;
            for (int h = 0; h < kHalvings; ++h) {
                const double mid = std::sqrt(fails * passes);
                (holds(mid) ? passes : fails) = mid;
            }
            return passes;
        }
        return std::nullopt;
    }

    const TwoPortData &data_;
    double fromHz_, toHz_, spread_;
    std::optional<Stabiliser> chosen_;
    double chosenGainDb_ = -HUGE_VAL;
    LeastMu best_;
};

std::string Ghz(double hz)
{
    return Figure(units::Frequency::FromHz(hz).ghz()) + " GHz";
}

struct Choice
{
    std::optional<Stabiliser> stabiliser;
    std::string problem;
};

Choice Choose(const TwoPortData &data, double fromHz, double toHz, double spreadPercent)
{
    Choice choice;
    const LeastMu own = LeastMuOf(data, {});
    if (own.mu >= kStabilisedMu) {
        Stabiliser none;
        none.leastMu = own.mu;
        none.leastMuHz = own.hz;
        none.deviceGainDb = none.stabilisedGainDb = LeastStableGainDb(data, fromHz, toHz, {});
        choice.stabiliser = none;
        return choice;
    }
    Chooser chooser(data, fromHz, toHz, spreadPercent / 100);
    // The series resistor alone, the shunt alone, and the pairs between:
    // each series value below the one that holds alone with the largest
    // shunt that completes it.
    const std::optional<double> series = chooser.SmallestSeries();
    if (series)
        chooser.Consider(series, std::nullopt);
    if (const auto shunt = chooser.LargestShunt(std::nullopt); shunt && *shunt)
        chooser.Consider(std::nullopt, *shunt);
    constexpr int kPairs = 32;
    const double top = series ? *series : kMostSeriesStabiliserOhms;
    for (int k = 0; k < kPairs; ++k) {
        const double r = kLeastSeriesStabiliserOhms * std::pow(top / kLeastSeriesStabiliserOhms,
                                                               static_cast<double>(k) / kPairs);
        if (const auto shunt = chooser.LargestShunt(r); shunt && *shunt)
            chooser.Consider(r, *shunt);
    }
    if (!chooser.Chosen()) {
        const LeastMu best = chooser.BestSeen();
        choice.problem =
            "no series resistor at the device's input (" + Figure(kLeastSeriesStabiliserOhms) +
            " to " + Figure(kMostSeriesStabiliserOhms) +
            " ohms) or shunt resistor across its output (" + Figure(kLeastShuntStabiliserOhms) +
            " to " + Figure(kMostShuntStabiliserOhms) +
            " ohms), alone or together, makes its mu reach " + Figure(kStabilisedMu) +
            " at every data frequency: at best " + Figure(best.mu, 3) + " at " + Ghz(best.hz);
        return choice;
    }
    Stabiliser s = *chooser.Chosen();
    const LeastMu least = LeastMuOf(data, s);
    s.leastMu = least.mu;
    s.leastMuHz = least.hz;
    s.deviceGainDb = LeastStableGainDb(data, fromHz, toHz, {});
    s.stabilisedGainDb = chooser.ChosenGainDb();
    choice.stabiliser = s;
    return choice;
}

// The device's noise in chain form, normalised to 4kT df: the input-referred
// noise voltage's power (ohms), the current's (siemens) and their
// correlation.
struct Correlation
{
    double vv = 0, ii = 0;
    Complex vi;
};

Correlation CorrelationOf(const NoisePoint &n, double z0)
{
    const Complex yOpt = (1.0 - n.gammaOpt) / ((1.0 + n.gammaOpt) * z0);
    const double fMin = std::pow(10.0, n.nfMinDb / 10);
    return {n.rnOhms, n.rnOhms * std::norm(yOpt), (fMin - 1) / 2 - n.rnOhms * std::conj(yOpt)};
}

NoisePoint NoiseOf(const Correlation &c, double frequencyHz, double z0)
{
    NoisePoint n;
    n.frequencyHz = frequencyHz;
    n.rnOhms = c.vv;
    const double bOpt = c.vi.imag() / c.vv;
    const double gOpt = std::sqrt(std::max(c.ii / c.vv - bOpt * bOpt, 0.0));
    const Complex yOpt(gOpt, bOpt);
    n.gammaOpt = (1.0 - yOpt * z0) / (1.0 + yOpt * z0);
    n.nfMinDb = 10 * std::log10(1 + 2 * (c.vi.real() + c.vv * gOpt));
    return n;
}

} // namespace

TwoPortMatrix StabilisedScattering(const TwoPortMatrix &s, double z0, const Stabiliser &stabiliser)
{
    TwoPortMatrix loaded = s;
    if (stabiliser.inputSeriesOhms)
        loaded = Cascade(SeriesResistor(*stabiliser.inputSeriesOhms / z0), loaded);
    if (stabiliser.outputShuntOhms)
        loaded = Cascade(loaded, ShuntConductance(z0 / *stabiliser.outputShuntOhms));
    return loaded;
}

TwoPortData StabilisedData(const TwoPortData &data, const Stabiliser &stabiliser)
{
    TwoPortData loaded = data;
    const double z0 = data.referenceOhms;
    for (TwoPortMatrix &s : loaded.s)
        s = StabilisedScattering(s, z0, stabiliser);
    for (NoisePoint &n : loaded.noise) {
        Correlation c = CorrelationOf(n, z0);
        // A series resistor ahead of the device: the device's noise seen
        // through it, and its own noise voltage added.
        if (stabiliser.inputSeriesOhms) {
            const double r = *stabiliser.inputSeriesOhms;
            c = {c.vv + 2 * r * c.vi.real() + r * r * c.ii, c.ii, c.vi + r * c.ii};
            c.vv += r;
        }
        // A shunt resistor after it: its noise current referred back to the
        // input through the chain matrix ahead of it (B and D).
        if (stabiliser.outputShuntOhms) {
            const TwoPortMatrix s = DeviceScatteringAt(data, n.frequencyHz);
            const Complex twice = 2.0 * s.s21, loop = s.s12 * s.s21;
            const Complex d = ((1.0 - s.s11) * (1.0 + s.s22) + loop) / twice;
            Complex b = z0 * ((1.0 + s.s11) * (1.0 + s.s22) - loop) / twice;
            b += stabiliser.inputSeriesOhms.value_or(0) * d;
            const double g = 1 / *stabiliser.outputShuntOhms;
            c.vv += g * std::norm(b);
            c.ii += g * std::norm(d);
            c.vi += g * b * std::conj(d);
        }
        n = NoiseOf(c, n.frequencyHz, z0);
    }
    return loaded;
}

StabilisedDesign DesignStabilisedAmplifier(const TwoPortData &data, double fromHz, double toHz,
                                           const AmplifierOptions &options)
{
    StabilisedDesign result;
    const double spread = std::max(kPartSpreadPercent, options.tolerancePercent);
    Choice choice = Choose(data, fromHz, toHz, spread);
    if (!choice.stabiliser) {
        result.design.problem = choice.problem;
        result.device = data;
        return result;
    }
    Stabiliser &stabiliser = *choice.stabiliser;
    result.device = StabilisedData(data, stabiliser);
    result.design = DesignAmplifier(result.device, fromHz, toHz, options);
    if (!result.design.amplifier)
        return result;
    Amplifier &amplifier = *result.design.amplifier;
    // Each resistor moved alone by the parts' spread and the tolerance, the
    // networks as designed: both loops still below 1 over the whole data.
    std::vector<double> spreads{kPartSpreadPercent};
    if (options.tolerancePercent > 0 && options.tolerancePercent != kPartSpreadPercent)
        spreads.push_back(options.tolerancePercent);
    AmplifierStability &st = amplifier.stability;
    for (const double percent : spreads)
        for (const bool input : {true, false}) {
            std::optional<double> &ohms =
                input ? stabiliser.inputSeriesOhms : stabiliser.outputShuntOhms;
            if (!ohms)
                continue;
            for (const double sign : {-1.0, 1.0}) {
                Stabiliser moved = stabiliser;
                (input ? moved.inputSeriesOhms : moved.outputShuntOhms) =
                    *ohms * (1 + sign * percent / 100);
                const WorstLoop worst =
                    AmplifierWorstLoop(StabilisedData(data, moved), amplifier.input,
                                       amplifier.output, options.source, options.load);
                if (!(worst.loop < 1)) {
                    result.design.problem =
                        "no network of the candidates' families keeps both loops below 1 over "
                        "the whole data with the stabilising resistors at their tolerance: " +
                        Figure(worst.loop, 4) + " at " + Ghz(worst.frequencyHz) + " (the " +
                        (input ? "input's series" : "output's shunt") + " resistor " +
                        (sign > 0 ? "+" : "-") + Figure(percent) + " %)";
                    result.design.amplifier.reset();
                    return result;
                }
                if (worst.loop > st.worstLoopOverData) {
                    st.worstLoopOverData = worst.loop;
                    st.atFrequencyHz = worst.frequencyHz;
                }
            }
        }
    stabiliser.toleranceChecked = *std::ranges::max_element(spreads);
    amplifier.stabiliser = stabiliser;
    return result;
}

} // namespace tevmar::analysis
