// Minimax tuning with the load's reactance held fixed, measured by a cascade
// written here from the element values alone.

#include "analysis/model/network_gradient.h"
#include "analysis/search/tune_design.h"
#include "analysis/model/two_port.h"
#include "analysis_fixture.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

// In-band max |S11| of the network's parts with the design's true load: the
// impedance seen at port 1, built up from the low-impedance termination one
// element at a time, on a 4001-point grid. The load's reactance is the typed
// value (not the ladder's), placed in series at port 2 (series loads) or in
// parallel at port 1 (shunt loads).
double MeasuredGammaMax(const Network &parts, double loadValue, LoadType loadType, double lowHz,
                        double highHz)
{
    struct Section
    {
        bool shunt, inductor;
        double value;
    };
    std::vector<Section> chain;
    for (const Part &e : parts.parts)
        chain.push_back({e.shunt(), e.inductor(), e.value});
    if (loadValue > 0) {
        const Section load{!IsSeriesLoad(loadType), IsInductiveLoad(loadType), loadValue};
        chain.insert(load.shunt ? chain.begin() : chain.end(), load);
    }
    double worst = 0;
    for (int k = 0; k <= 4000; ++k) {
        const double w = 2 * std::numbers::pi * (lowHz + (highHz - lowHz) * k / 4000.0);
        std::complex<double> z = parts.port2Ohms;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            const std::complex<double> x =
                it->inductor ? std::complex<double>(0, w * it->value * 1e-9)
                             : 1.0 / std::complex<double>(0, w * it->value * 1e-12);
            z = it->shunt ? 1.0 / (1.0 / z + 1.0 / x) : z + x;
        }
        worst = std::max(worst, std::abs((z - parts.port1Ohms) / (z + parts.port1Ohms)));
    }
    return worst;
}

double MeasuredGammaMax(const Network &parts, const DesignResult &design, const TuneProblem &p)
{
    return MeasuredGammaMax(parts, design.absorbedValue, design.loadType, p.band.lowHz,
                            p.band.highHz);
}

struct TuneCase
{
    DesignCase design;
    double minimumGain; // start max / tuned max at least this; 1 for designs already optimal
};

class TuningOf : public testing::TestWithParam<TuneCase>
{
};

// The tuned parts with the true load are never worse than the design, and the
// flat-ripple absorbed designs, one or more per load type, improve many times.
TEST_P(TuningOf, NeverWorseAndManyTimesBetterOnFlatRipple)
{
    const Design d = RunDesign(GetParam().design);
    ASSERT_TRUE(d.result.solved);
    TuneProblem problem = TuneProblemOf(d.result);
    // A design with parts beyond the chip ranges (11-31 GHz at 381 ohms) is
    // tuned within ranges that hold them: the tune keeps every part within
    // the ranges in force.
    if (std::ranges::any_of(problem.network.parts, [&](const Part &part) {
            const auto [low, high] = part.RangeIn(problem.ranges);
            return part.value < low || part.value > high;
        }))
        problem.ranges = {kLowestRangeLimit, kHighestRangeLimit, kLowestRangeLimit,
                          kHighestRangeLimit};
    const TuneResult tuned = Tune(problem);

    ASSERT_EQ(tuned.network.parts.size(), problem.network.parts.size());
    EXPECT_EQ(tuned.network.load.has_value(), d.result.absorbed);
    if (tuned.network.load) {
        EXPECT_EQ(tuned.network.load->element.value, d.result.absorbedValue) << "the load is held";
    }
    for (std::size_t i = 0; i < tuned.network.parts.size(); ++i) {
        EXPECT_EQ(tuned.network.parts[i].kind, problem.network.parts[i].kind);
        EXPECT_EQ(tuned.network.parts[i].label, problem.network.parts[i].label);
    }
    const double before = MeasuredGammaMax(problem.network, d.result, problem);
    const double after = MeasuredGammaMax(tuned.network, d.result, problem);
    EXPECT_NEAR(before, d.result.GammaMax, 0.005 * d.result.GammaMax + 1e-6);
    EXPECT_LE(after, before * (1 + 1e-4) + 1e-9);
    EXPECT_NEAR(after, tuned.gammaMax, 1e-3 * tuned.gammaMax + 1e-9);
    EXPECT_GE(before / after, GetParam().minimumGain) << "start " << before << " tuned " << after;
}

const TuneCase kTuneCases[] = {
    {{"SeriesRC_2To3GHz_10pF", "2", "3", "50", "8", 8, SRC, "10"}, 5},
    {{"SeriesRL_N12_1nH", "1", "2", "50", "10", 12, SRL, "1"}, 5},
    {{"ShuntRL_20nH", "1", "2", "50", "10", 8, PRL, "20"}, 5},
    {{"ShuntRC_N12_2pF", "1", "2", "50", "10", 12, PRC, "2"}, 5},
    {{"SeriesRC_N12_20pF", "2", "4", "50", "5", 12, SRC, "20"}, 5},
    {kDesigns[0], 1},
    {kDesigns[3], 1},
    {kDesigns[4], 1},
};

INSTANTIATE_TEST_SUITE_P(Designs, TuningOf, testing::ValuesIn(kTuneCases),
                         [](const auto &info) { return std::string(info.param.design.name); });

TEST(Tune, ReachesUnderOnePercentOnTheSeriesRcExample)
{
    // 2 to 3 GHz, 50 to 8 ohms, order 8, series RC absorbing 10 pF: 0.042 by design.
    const Design d = RunDesign(kTuneCases[0].design);
    const TuneProblem problem = TuneProblemOf(d.result);
    EXPECT_NEAR(d.result.GammaMax, 0.042, 0.0005);
    EXPECT_LE(MeasuredGammaMax(Tune(problem).network, d.result, problem), 0.0080);
}

TEST(Tune, MatchesALoadTheSynthesisCannotAbsorb)
{
    // 1 to 1.3 GHz, 50 to 12 ohms, order 8, series RL with 2.5 nH: no design.
    // Tuned from the largest inductance that solves, with the true 2.5 nH load.
    const DesignInputs inputs = InputsOf({"", "1", "1.3", "50", "12", 8, SRL, "2.5"});
    ASSERT_FALSE(tevmar::RunDesign(inputs).solved);
    const std::optional<RelaxedDesign> relaxed = RelaxedDesignFor(inputs);
    ASSERT_TRUE(relaxed);
    EXPECT_LT(relaxed->relaxedValue, 2.5);
    EXPECT_TRUE(relaxed->design.solved);
    DesignInputs slightlyMore = relaxed->inputs;
    slightlyMore.absorbText = std::to_string(relaxed->relaxedValue * 1.01);
    EXPECT_FALSE(tevmar::RunDesign(slightlyMore).solved) << "the nearest value that solves";

    const TuneProblem problem = TuneProblemOf(relaxed->design, relaxed->loadValue);
    ASSERT_TRUE(problem.network.load);
    EXPECT_EQ(problem.network.load->element.value, 2.5);
    const TuneResult tuned = Tune(problem);
    EXPECT_LE(MeasuredGammaMax(tuned.network, 2.5, SRL, problem.band.lowHz, problem.band.highHz),
              0.040);
    // Nothing to relax where the typed value solves or nothing is absorbed.
    EXPECT_FALSE(RelaxedDesignFor(InputsOf(kTuneCases[0].design)));
    EXPECT_FALSE(RelaxedDesignFor(InputsOf(kDesigns[0])));
}

// Each load kind where the synthesis cannot absorb it: the relaxed design
// lowers the load's Q (smaller series L and shunt C, larger series C and shunt
// L), still absorbs it, and the tuned network with the true load attached
// gives, by the cascade here, the figure the tuner claims.
TEST(Tune, TunesIntoTheTrueLoadOfEachKindWhereNoDesignAbsorbsIt)
{
    struct Fault
    {
        DesignCase design;
        bool larger;      // the relaxed value lies above the typed one
        double mostGamma; // the tuned figure with the true load stays at or below
    };
    const Fault faults[] = {
        {{"SeriesRC", "1", "1.3", "50", "12", 8, SRC, "0.5"}, true, 0.99},
        {{"ShuntRL", "3", "4", "50", "20", 8, PRL, "2"}, true, 0.031},
        {{"SeriesRL", "1", "1.3", "50", "12", 8, SRL, "2.5"}, false, 0.0125},
        {{"ShuntRC", "1", "2", "50", "10", 8, PRC, "5"}, false, 0.23},
    };
    for (const Fault &f : faults) {
        SCOPED_TRACE(f.design.name);
        const DesignInputs inputs = InputsOf(f.design);
        ASSERT_FALSE(tevmar::RunDesign(inputs).solved);
        const std::optional<RelaxedDesign> relaxed = RelaxedDesignFor(inputs);
        ASSERT_TRUE(relaxed);
        EXPECT_TRUE(relaxed->design.absorbed);
        EXPECT_EQ(relaxed->relaxedValue > relaxed->loadValue, f.larger) << relaxed->relaxedValue;

        const std::optional<TunedNetwork> t =
            TuneDesign(inputs, tevmar::RunDesign(inputs), std::nullopt);
        ASSERT_TRUE(t);
        ASSERT_TRUE(t->tuned.network.load);
        EXPECT_EQ(t->tuned.network.load->element.value, relaxed->loadValue);
        const double real = MeasuredGammaMax(t->tuned.network, relaxed->loadValue, f.design.load,
                                             t->problem.band.lowHz, t->problem.band.highHz);
        EXPECT_NEAR(real, t->tuned.gammaMax, 1e-3 * real);
        EXPECT_LE(real, f.mostGamma);
        const double start = MeasuredGammaMax(t->problem.network, relaxed->loadValue, f.design.load,
                                              t->problem.band.lowHz, t->problem.band.highHz);
        EXPECT_LT(real, start);
    }
}

// Every tuned and standard value stays within the part ranges, the default
// chip range or narrower ones, and a part held at a limit is marked.
TEST(Tune, KeepsEveryPartWithinItsRange)
{
    TuneProblem problem = TuneProblemOf(RunDesign(kTuneCases[0].design).result);
    const PartRanges narrow{0.5, 10, 0.3, 5}; // nH, then pF: the design's values lie within
    for (const PartRanges &ranges : {PartRanges{}, narrow}) {
        problem.ranges = ranges;
        const TuneResult tuned = Tune(problem);
        const StandardTuneResult standard = TuneToSeries(problem, tuned.network, ESeries::E24);
        bool atLimit = false;
        for (const Network *network : {&tuned.network, &standard.network})
            for (const Part &part : network->parts) {
                const auto [low, high] = part.RangeIn(ranges);
                EXPECT_GE(part.value, low) << part.label;
                EXPECT_LE(part.value, high) << part.label;
                atLimit = atLimit || AtRangeLimit(part, ranges);
            }
        // C1 wants to fall below 0.1 pF here (0.045 pF without a range).
        EXPECT_TRUE(atLimit);
        EXPECT_TRUE(AtRangeLimit(tuned.network.parts[0], ranges));
        if (ranges == PartRanges{}) {
            EXPECT_LE(tuned.gammaMax, 0.0075);
        }
    }
    // Ranges the design's own values lie outside: every tuned part comes
    // within them all the same, the start's figure the design's.
    problem.ranges = {1, 3, 1, 3};
    const TuneResult held = Tune(problem);
    EXPECT_EQ(held.startGammaMax, InBandGammaMax(problem, problem.network));
    for (const Part &part : held.network.parts) {
        EXPECT_GE(part.value, 1.0) << part.label;
        EXPECT_LE(part.value, 3.0) << part.label;
    }
    problem.ranges.capacitorHighPf = problem.ranges.capacitorLowPf;
    EXPECT_THROW(Tune(problem), std::invalid_argument);
}

// A budget buys further rounds only while they pay: more effort never ends
// worse, and the same budget gives the same network.
TEST(Tune, FurtherRoundsWithinAnEvaluationBudget)
{
    const TuneProblem problem = TuneProblemOf(RunDesign(kTuneCases[0].design).result);
    TuneOptions few;
    few.restarts = 2;
    few.hops = 1;
    const TuneResult one = Tune(problem, few);
    few.evaluations = one.evaluations + 200'000;
    const TuneResult more = Tune(problem, few);
    const TuneResult again = Tune(problem, few);
    EXPECT_GT(more.evaluations, one.evaluations);
    EXPECT_LE(more.gammaMax, one.gammaMax);
    EXPECT_EQ(more.gammaMax, again.gammaMax);
    EXPECT_EQ(more.evaluations, again.evaluations);
}

TEST(Tune, GivesTheSameNetworkForTheSameInput)
{
    const TuneProblem problem = TuneProblemOf(RunDesign(kTuneCases[2].design).result);
    const TuneResult a = Tune(problem);
    const TuneResult b = Tune(problem);
    for (std::size_t i = 0; i < a.network.parts.size(); ++i)
        EXPECT_EQ(a.network.parts[i].value, b.network.parts[i].value) << i;
    EXPECT_EQ(a.gammaMax, b.gammaMax);
}

TEST(Tune, RejectsAMisplacedLoadAndAnEmptyNetwork)
{
    TuneProblem problem = TuneProblemOf(RunDesign(kTuneCases[0].design).result);
    problem.network.load->type = LoadType::ShuntRC; // a series part cannot sit across port 1
    EXPECT_THROW(Tune(problem), std::invalid_argument);
    problem = TuneProblemOf(RunDesign(kTuneCases[0].design).result);
    problem.network.parts.clear();
    EXPECT_THROW(Tune(problem), std::invalid_argument);
    // Options that leave nothing to polish.
    problem = TuneProblemOf(RunDesign(kTuneCases[0].design).result);
    TuneOptions options;
    options.polishSteps = 0;
    EXPECT_THROW(Tune(problem, options), std::invalid_argument);
    options = {};
    for (const double stall : {-0.1, 1.0, std::nan("")}) {
        options.polishStall = stall;
        EXPECT_THROW(Tune(problem, options), std::invalid_argument) << stall;
    }
    options = {};
    options.polishRounds = 0;
    EXPECT_THROW(Tune(problem, options), std::invalid_argument);
    options = {};
    for (const double cutoff : {-1.0, HUGE_VAL, std::nan("")}) {
        options.screenCutoff = cutoff;
        EXPECT_THROW(Tune(problem, options), std::invalid_argument) << cutoff;
    }
}

// Snapping alone loses most of what tuning gained; the neighbour search gets
// part of it back on standard parts and never ends above plain snapping.
TEST(TuneToSeries, NeverEndsWorseThanPlainSnappingAndUsesOnlySeriesValues)
{
    for (const TuneCase &c : {kTuneCases[0], kTuneCases[2], kTuneCases[4]}) {
        const Design d = RunDesign(c.design);
        const TuneProblem problem = TuneProblemOf(d.result);
        const Network tuned = Tune(problem).network;
        for (const ESeries series : {ESeries::E12, ESeries::E24, ESeries::E96}) {
            const StandardTuneResult s = TuneToSeries(problem, tuned, series);
            const double snapped = MeasuredGammaMax(SnapNetwork(tuned, series), d.result, problem);
            const double searched = MeasuredGammaMax(s.network, d.result, problem);
            EXPECT_LE(searched, snapped * (1 + 1e-4)) << c.design.name << " " << SeriesName(series);
            EXPECT_LE(s.gammaMax, s.snappedGammaMax);
            for (const Part &e : s.network.parts)
                EXPECT_DOUBLE_EQ(SnapToSeries(e.value, series), e.value);
            if (series == ESeries::E24 && c.design.name == kTuneCases[0].design.name) {
                EXPECT_LT(searched, 0.5 * snapped) << "the search improves E24 parts twofold";
            }
        }
    }
}

// The sensitivities the minimax solver steps along, against central
// differences, for every kind of part, without a load and with a load at
// either port; the power itself against the response's own cascade.
TEST(ReflectedPower, GradientMatchesFiniteDifferences)
{
    Network ladder{50, 8, {}};
    ladder.parts = {
        {ElementKind::ShuntCapacitor, 0.8, "CP="}, {ElementKind::SeriesInductor, 2.1, "LS="},
        {ElementKind::ShuntInductor, 6.5, "LP="},  {ElementKind::SeriesCapacitor, 2.4, "CS="},
        {ElementKind::ShuntCapacitor, 2.2, "CP="}, {ElementKind::SeriesCapacitor, 9.0, "CS="}};
    const std::optional<LoadReactance> loads[] = {
        std::nullopt, LoadReactance{{ElementKind::SeriesCapacitor, 10, "CS="}, LoadType::SeriesRC},
        LoadReactance{{ElementKind::ShuntInductor, 20, "LP="}, LoadType::ShuntRL}};
    for (const std::optional<LoadReactance> &load : loads) {
        ladder.load = load;
        for (const double f : {2.0e9, 2.5e9, 3.1e9}) {
            std::vector<double> gradient(ladder.parts.size());
            const double power = ReflectedPower(ladder, f, gradient);
            EXPECT_NEAR(power, std::pow(ReflectionMagnitude(ladder, f), 2), 1e-12);
            for (std::size_t i = 0; i < ladder.parts.size(); ++i) {
                const double h = 1e-6;
                Network up = ladder, down = ladder;
                up.parts[i].value *= std::exp(h);
                down.parts[i].value *= std::exp(-h);
                const double numeric = (ReflectedPower(up, f) - ReflectedPower(down, f)) / (2 * h);
                EXPECT_NEAR(gradient[i], numeric, 1e-6 * std::abs(numeric) + 1e-9) << f << " " << i;
            }
        }
    }
}

} // namespace
} // namespace tevmar::analysis
