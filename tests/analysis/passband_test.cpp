// The built network against the design's own figures, the passband search and
// the sweep plans.

#include "analysis/figures/network_analysis.h"
#include "analysis_fixture.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace tevmar::analysis {
namespace {

class SelfCheckOf : public testing::TestWithParam<DesignCase>
{
};

TEST_P(SelfCheckOf, FullPrecisionNetworkReproducesGammaMaxAndMin)
{
    const Design d = RunDesign(GetParam());
    ASSERT_TRUE(d.result.solved);
    const NetworkAnalysis a = AnalyseDesign(DesignedNetworkOf(d.result), {});
    const SelfCheck &c = a.selfCheck;
    EXPECT_TRUE(c.agrees);
    EXPECT_NEAR(c.full.gammaMax, d.result.GammaMax, 0.005 * d.result.GammaMax + 1e-6);
    EXPECT_NEAR(c.full.gammaMin, d.result.GammaMin, 0.005 * d.result.GammaMin + 1e-6);
    EXPECT_NEAR(c.full.vswrMax, d.result.Smax, 0.005 * d.result.Smax);
    // Every extreme lies inside the band.
    for (const double f : {c.full.gammaMaxAtHz, c.full.gammaMinAtHz}) {
        EXPECT_GE(f, a.band.lowHz);
        EXPECT_LE(f, a.band.highHz);
    }
    // The printed network is reported beside it, never better than a perfect match.
    EXPECT_GT(c.printed.gammaMax, 0.0);
    EXPECT_GE(c.printed.gammaMax, c.printed.gammaMin);
}

INSTANTIATE_TEST_SUITE_P(Designs, SelfCheckOf, testing::ValuesIn(kDesigns),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(SelfCheck, RoundingToPrintedValuesSpoilsAMillimetreWaveDesign)
{
    // Order 12, 11 to 31 GHz, 381 to 99 ohms: Gamma max 0.000215 by design, but
    // the values as printed (0.001 nH / pF) reflect over fifty times more.
    const Design d = RunDesign(kDesigns[4]);
    const SelfCheck c = AnalyseDesign(DesignedNetworkOf(d.result), {}).selfCheck;
    EXPECT_NEAR(d.result.GammaMax, 0.000215, 0.000001);
    EXPECT_TRUE(c.agrees);
    EXPECT_GT(c.printed.gammaMax, 50 * c.full.gammaMax);
}

TEST(SelfCheck, DisagreesWhenTheTableIsWrong)
{
    Design d = RunDesign(kDesigns[0]);
    d.result.table[2].fullValue *= 1.02; // a 2 % error in the series capacitor
    EXPECT_FALSE(AnalyseDesign(DesignedNetworkOf(d.result), {}).selfCheck.agrees);
}

TEST(ReflectionAgrees, AllowsHalfAPercentPlusOneMillionth)
{
    EXPECT_TRUE(ReflectionAgrees(0.1005, 0.1));
    EXPECT_FALSE(ReflectionAgrees(0.1006, 0.1));
    EXPECT_TRUE(ReflectionAgrees(0.000001, 0.0));
    EXPECT_FALSE(ReflectionAgrees(0.0000011, 0.0));
}

TEST(FindExtremes, FindsAZeroBetweenGridPointsAndTheEdges)
{
    // |f - 1.2345678901 GHz| has its minimum between grid points and its
    // maximum at an edge.
    const Band band{1e9, 2e9, std::sqrt(2.0) * 1e9};
    const Extremes e = FindExtremes([](double f) { return std::abs(f - 1.2345678901e9); }, band);
    EXPECT_LT(e.min, 1e-9 * 1e9);
    EXPECT_NEAR(e.minAtHz, 1.2345678901e9, 1.0);
    EXPECT_EQ(e.max, 2e9 - 1.2345678901e9);
    EXPECT_EQ(e.maxAtHz, 2e9);
    // A peak just inside an edge is found too.
    const Extremes peak =
        FindExtremes([](double f) { return -std::abs(f - 1.0000001e9); }, band, 11);
    EXPECT_NEAR(peak.maxAtHz, 1.0000001e9, 1.0);
}

TEST(SweepPlan, DefaultPutsHalfOfItsPointsEvenlyOverTheBand)
{
    BandParameters band;
    band.F1 = 2000; // typed in the other order
    band.F2 = 1000;
    band.F0 = std::sqrt(2.0) * 1000;
    const SweepPlan plan = DefaultSweep(BandOf(band));
    EXPECT_EQ(plan.startHz, 0.5e9);
    EXPECT_EQ(plan.stopHz, 4e9);
    EXPECT_EQ(plan.points, 401);
    EXPECT_TRUE(plan.logarithmic);
    const std::vector<double> f = SweepFrequencies(plan);
    ASSERT_EQ(f.size(), 401u);
    EXPECT_EQ(f.front(), 0.5e9);
    EXPECT_EQ(f.back(), 4e9);
    EXPECT_TRUE(std::is_sorted(f.begin(), f.end()));
    EXPECT_EQ(std::adjacent_find(f.begin(), f.end()), f.end()); // no frequency twice
    const auto inBand =
        std::count_if(f.begin(), f.end(), [](double hz) { return hz >= 1e9 && hz <= 2e9; });
    EXPECT_EQ(inBand, 201);
    EXPECT_EQ(DensePoints(plan), 201);
    // Both band edges are swept, 5 MHz apart inside; the skirts, an octave
    // each, share the other 200 points in equal ratios.
    const auto low = std::find(f.begin(), f.end(), 1e9);
    ASSERT_NE(low, f.end());
    EXPECT_NEAR(*(low + 1) - *low, 5e6, 1e-3);
    EXPECT_EQ(*(low + 200), 2e9);
    EXPECT_EQ(low - f.begin(), 100);
    EXPECT_NEAR(f[1] / f[0], std::pow(2.0, 1.0 / 100), 1e-12);

    // Any total keeps its meaning, the band taking half; a few points, or
    // linear steps, sweep the plain grid.
    SweepPlan fewer = plan;
    fewer.points = 51;
    EXPECT_EQ(SweepFrequencies(fewer).size(), 51u);
    EXPECT_EQ(DensePoints(fewer), 26);
    fewer.points = 5;
    EXPECT_EQ(DensePoints(fewer), 0);
    EXPECT_NEAR(SweepFrequencies(fewer)[2], std::sqrt(0.5e9 * 4e9), 1e-3);
    SweepPlan linear = plan;
    linear.logarithmic = false;
    EXPECT_EQ(SweepFrequencies(linear)[200], 2.25e9);
}

TEST(SweepPlan, LinearStepsAndSinglePoint)
{
    const std::vector<double> f = SweepFrequencies({1e9, 2e9, 5, false});
    EXPECT_EQ(f, (std::vector<double>{1e9, 1.25e9, 1.5e9, 1.75e9, 2e9}));
    EXPECT_EQ(SweepFrequencies({3e9, 3e9, 1, true}), std::vector<double>{3e9});
}

TEST(SweepPlan, RejectsPlansThatCannotBeSwept)
{
    const struct
    {
        const char *name;
        SweepPlan plan;
    } rows[] = {
        {"zero start", {0, 1e9, 10, false}},
        {"negative stop", {1e9, -2e9, 10, true}},
        {"start above stop", {2e9, 1e9, 10, true}},
        {"no points", {1e9, 2e9, 0, true}},
        {"too many points", {1e9, 2e9, kMaxSweepPoints + 1, true}},
        {"one point, two frequencies", {1e9, 2e9, 1, false}},
        {"infinite", {1e9, std::numeric_limits<double>::infinity(), 10, false}},
        {"NaN", {std::nan(""), 2e9, 10, false}},
    };
    for (const auto &row : rows) {
        EXPECT_FALSE(SweepPlanError(row.plan).empty()) << row.name;
        EXPECT_THROW(SweepFrequencies(row.plan), std::invalid_argument) << row.name;
    }
}

} // namespace
} // namespace tevmar::analysis
