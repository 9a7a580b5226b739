// Candidate networks for a load: every figure checked against a cascade
// written here from the parts in source-to-load order and the true load.

#include "analysis/search/candidates.h"
#include "analysis/search/tune_design.h"
#include "analysis_fixture.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

// The true load at the load's port: the typed model, or the data.
Complex TrueLoad(const DesignInputs &in, const MeasuredLoad *measured, double hz)
{
    if (measured)
        return measured->ImpedanceAt(hz);
    const double w = 2 * std::numbers::pi * hz;
    const double value = in.absorb ? std::stod(in.absorbText) : 0;
    const bool inductive = IsInductiveLoad(in.loadType);
    const Complex x = value == 0  ? Complex(0)
                      : inductive ? Complex(0, w * value * 1e-9)
                                  : Complex(0, -1 / (w * value * 1e-12));
    if (IsSeriesLoad(in.loadType) || value == 0)
        return std::stod(in.zlowText) + x;
    return 1.0 / (1 / std::stod(in.zhighText) + 1.0 / x);
}

// Max |S11| over 4001 points, the source's resistance looking into the parts
// (source side first) ending in the true load.
double CascadeGammaMax(const std::vector<Part> &parts, double sourceOhms,
                       const std::function<Complex(double)> &load, const Band &band)
{
    double worst = 0;
    for (int k = 0; k <= 4000; ++k) {
        const double hz = band.lowHz + (band.highHz - band.lowHz) * k / 4000.0;
        const double w = 2 * std::numbers::pi * hz;
        Complex z = load(hz);
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
            const Complex x = it->inductor() ? Complex(0, w * it->value * 1e-9)
                                             : Complex(0, -1 / (w * it->value * 1e-12));
            z = it->shunt() ? 1.0 / (1.0 / z + 1.0 / x) : z + x;
        }
        worst = std::max(worst, std::abs((z - sourceOhms) / (z + sourceOhms)));
    }
    return worst;
}

void ExpectSoundSet(const CandidateSet &set, const DesignInputs &in, const MeasuredLoad *measured,
                    double sourceOhms)
{
    // Some 23 shapes, fewer once ladders that are smaller ones with parts
    // at their range ends are folded into those.
    ASSERT_GE(set.candidates.size(), 12u);
    const auto load = [&](double hz) { return TrueLoad(in, measured, hz); };
    double previous = 0;
    for (const Candidate &c : set.candidates) {
        SCOPED_TRACE(std::string(TopologyName(c.topology)) + " " + std::to_string(c.parts));
        const std::vector<Part> parts = SourceToLoad(c.tuned.network);
        for (const Network *network :
             {&c.tuned.network, c.standard ? &c.standard->network : nullptr})
            for (const Part &e : network ? network->parts : std::vector<Part>{}) {
                const auto [low, high] = e.RangeIn(set.ranges);
                EXPECT_GE(e.value, low) << e.label;
                EXPECT_LE(e.value, high) << e.label;
            }
        const double cascade = CascadeGammaMax(parts, sourceOhms, load, c.problem.band);
        EXPECT_LE(cascade, c.tuned.gammaMax * (1 + 1e-6) + 1e-9);
        EXPECT_GE(cascade, c.tuned.gammaMax * 0.99 - 1e-6);
        EXPECT_LE(c.tuned.gammaMax, c.tuned.startGammaMax);
        EXPECT_GE(c.tuned.gammaMax, previous);
        previous = c.tuned.gammaMax;
        if (c.standard) {
            EXPECT_LE(c.standard->gammaMax, c.standard->snappedGammaMax);
        }

        // DC: a lowpass ladder passes it both ways, a highpass one blocks it
        // behind a series capacitor or shorts it through a shunt inductor.
        if (c.topology == Topology::Lowpass) {
            EXPECT_EQ(c.sourceDc, DcPath::Passes);
            EXPECT_EQ(c.loadDc, DcPath::Passes);
        }
        if (c.topology == Topology::Highpass) {
            EXPECT_EQ(c.sourceDc, c.firstSeries ? DcPath::Blocks : DcPath::Grounds);
            const bool lastSeries = !parts.back().shunt();
            EXPECT_EQ(c.loadDc, lastSeries ? DcPath::Blocks : DcPath::Grounds);
        }
        for (const Part &e : parts)
            EXPECT_EQ(e.inductor(), c.topology == Topology::Lowpass    ? !e.shunt()
                                    : c.topology == Topology::Highpass ? e.shunt()
                                                                       : e.inductor());
    }
    if (set.bodeFanoGamma) {
        EXPECT_GE(set.candidates.front().tuned.gammaMax, *set.bodeFanoGamma * 0.999);
    }
}

DesignInputs Inputs(const char *f1, const char *f2, const char *zhigh, const char *zlow,
                    LoadType type, const char *absorb)
{
    return InputsOf({"", f1, f2, zhigh, zlow, 4, type, absorb});
}

TEST(Candidates, TypedLoadsTheSynthesisCannotAndCanAbsorb)
{
    // 30 ohms + 2 nH over 1.8-2.2 GHz has no bandpass design at any order.
    const DesignInputs antenna = Inputs("1.8", "2.2", "50", "30", SRL, "2");
    CandidateOptions options;
    options.series = ESeries::E24;
    const CandidateSet set = BuildCandidates(antenna, tevmar::RunDesign(antenna), nullptr, options);
    ExpectSoundSet(set, antenna, nullptr, 50);
    EXPECT_LT(set.candidates.front().tuned.gammaMax, 0.05);

    // Where the synthesis absorbs the load, each bandpass candidate is at
    // least as good, with the true load, as the synthesis's own network of
    // its size (one of its starts).
    const DesignInputs shunt = Inputs("1", "2", "50", "10", PRC, "1");
    const CandidateSet shuntSet = BuildCandidates(shunt, tevmar::RunDesign(shunt), nullptr);
    ExpectSoundSet(shuntSet, shunt, nullptr, 10);
    int compared = 0;
    for (const int order : {4, 8, 12}) {
        DesignInputs atOrder = shunt;
        atOrder.networkOrder = order;
        const DesignResult textbook = tevmar::RunDesign(atOrder);
        if (!textbook.solved)
            continue;
        const TuneProblem problem = TuneProblemOf(textbook);
        const double textbookGamma = InBandGammaMax(problem, problem.network);
        for (const Candidate &c : shuntSet.candidates)
            if (c.topology == Topology::Bandpass && c.parts == order - 1) {
                EXPECT_LE(c.tuned.gammaMax, textbookGamma * (1 + 1e-6)) << order;
                ++compared;
            }
    }
    EXPECT_GE(compared, 2);
}

// Narrow ranges hold every part of every candidate, the bandpass ones
// included, and a ladder that is a smaller one with parts at their range
// ends (a series capacitor or shunt inductor at its largest, a series
// inductor or shunt capacitor at its smallest) appears as the smaller one.
TEST(Candidates, KeepTheRangesAndListEachNetworkOnce)
{
    const DesignInputs antenna = Inputs("1.8", "2.2", "50", "30", SRL, "2");
    CandidateOptions options;
    options.ranges = {0.5, 100, 0.5, 100};
    const CandidateSet narrow =
        BuildCandidates(antenna, tevmar::RunDesign(antenna), nullptr, options);
    EXPECT_EQ(narrow.ranges, options.ranges);
    ExpectSoundSet(narrow, antenna, nullptr, 50);

    const DesignInputs high = Inputs("0.9", "0.95", "1000", "50", PRC, "2");
    const CandidateSet set = BuildCandidates(high, tevmar::RunDesign(high), nullptr);
    int variants = 0;
    for (const Candidate &c : set.candidates) {
        if (c.topology == Topology::Bandpass)
            continue;
        const std::vector<Part> parts = SourceToLoad(c.tuned.network);
        // No end part does nothing where the smaller ladder is listed.
        for (const std::size_t end : {std::size_t{0}, parts.size() - 1}) {
            const Part &e = parts[end];
            const bool vanishes =
                AtRangeLimit(e, set.ranges) &&
                (e.kind == ElementKind::SeriesCapacitor || e.kind == ElementKind::ShuntInductor
                     ? e.value > 1
                     : e.value < 1);
            const bool smallerListed = std::ranges::any_of(set.candidates, [&](const Candidate &o) {
                return o.topology == c.topology && o.parts + 1 == c.parts &&
                       o.firstSeries == (end == 0 ? !parts[1].shunt() : c.firstSeries);
            });
            EXPECT_FALSE(vanishes && smallerListed) << c.parts << " " << e.label;
        }
        for (const DcVariant &v : c.dcVariants) {
            ++variants;
            EXPECT_TRUE(v.sourceDc != c.sourceDc || v.loadDc != c.loadDc);
            for (const Part &e : v.parts)
                EXPECT_TRUE(AtRangeLimit(e, set.ranges)) << e.value;
        }
    }
    // 1000 ohms across 2 pF: highpass ladders with a 100 nF series capacitor
    // or a 10 uH shunt inductor at an end are the smaller ones with a DC path.
    EXPECT_GE(variants, 1);
    // Of the families (the ladders of other sequences come on top where they
    // match better).
    EXPECT_LE(
        std::ranges::count_if(set.candidates,
                              [](const Candidate &c) { return c.topology != Topology::Ladder; }),
        16);
}

TEST(Candidates, MeasuredLoadIsTunedIntoTheData)
{
    // The data: the 30 ohm + 2 nH load with a resistance rising across the
    // band, which no model of the four kinds reproduces exactly.
    const DesignInputs in = Inputs("1.8", "2.2", "50", "30", SRL, "2");
    auto data = std::make_shared<MeasuredLoad>();
    for (int k = 0; k <= 60; ++k) {
        const double hz = 1.5e9 + k * 1e7;
        data->frequenciesHz.push_back(hz);
        data->impedanceOhms.push_back(
            Complex(25 + 5e-9 * (hz - 1.5e9) / 0.1, 2 * std::numbers::pi * hz * 2e-9));
    }
    const CandidateSet set = BuildCandidates(in, tevmar::RunDesign(in), data);
    ExpectSoundSet(set, in, data.get(), 50);

    // The starts are tuned side by side: however the threads fall, the
    // same candidates come back to the last bit, in the same order.
    const CandidateSet again = BuildCandidates(in, tevmar::RunDesign(in), data);
    ASSERT_EQ(again.candidates.size(), set.candidates.size());
    for (std::size_t k = 0; k < set.candidates.size(); ++k) {
        const Network &a = set.candidates[k].tuned.network, &b = again.candidates[k].tuned.network;
        ASSERT_EQ(a.parts.size(), b.parts.size()) << k;
        for (std::size_t i = 0; i < a.parts.size(); ++i)
            EXPECT_EQ(a.parts[i].value, b.parts[i].value) << k << " " << a.parts[i].label;
        EXPECT_EQ(set.candidates[k].tuned.gammaMax, again.candidates[k].tuned.gammaMax) << k;
    }
}

TEST(Candidates, LSectionMatchesAtItsFrequencyAndPlainMultiStartDoesNoBetter)
{
    for (const Topology t : {Topology::Lowpass, Topology::Highpass})
        for (const bool firstSeries : {true, false}) {
            const auto section = LSection(50, Complex(10, 5), 1e9, t, firstSeries);
            if (!section)
                continue;
            const Band point{1e9, 1e9 * (1 + 1e-9), 1e9};
            EXPECT_LT(CascadeGammaMax(
                          *section, 50, [](double) { return Complex(10, 5); }, point),
                      1e-6);
        }
    // From 10 ohms (the load) to 50: only the orientation with the shunt part
    // at the source (the higher resistance) exists for a resistive load.
    EXPECT_FALSE(LSection(50, 10, 1e9, Topology::Lowpass, true));
    EXPECT_TRUE(LSection(50, 10, 1e9, Topology::Lowpass, false));

    const DesignInputs in = Inputs("1.8", "2.2", "50", "30", SRL, "2");
    const CandidateSet set = BuildCandidates(in, tevmar::RunDesign(in), nullptr);
    for (const Candidate &c : set.candidates) {
        if (c.topology != Topology::Lowpass || c.parts != 4 || c.firstSeries)
            continue;
        // A plain multi-start minimax from every part at 1 nH or 1 pF.
        TuneProblem plain = c.problem;
        for (Part &e : plain.network.parts)
            e.value = 1;
        TuneOptions many;
        many.restarts = 32;
        EXPECT_LE(set.candidates.front().tuned.gammaMax, 1.15 * Tune(plain, many).gammaMax);
        EXPECT_LE(c.tuned.gammaMax, 1.15 * Tune(plain, many).gammaMax);
    }
}

} // namespace
} // namespace tevmar::analysis
