// Tolerance yield by Monte Carlo, and the Bode-Fano limit.

#include "analysis/figures/network_analysis.h"
#include "analysis_fixture.h"

#include <gtest/gtest.h>

namespace tevmar::analysis {
namespace {

YieldResult Trials(const Design &d, double tolerancePercent, std::uint64_t seed, int trials = 300)
{
    AnalysisOptions options;
    options.monteCarlo = YieldOptions{trials, tolerancePercent, seed};
    return *AnalyseDesign(DesignedNetworkOf(d.result), options).yield;
}

TEST(MonteCarlo, ZeroToleranceYieldsAllTrialsAtTheNominalVswr)
{
    const Design d = RunDesign(kDesigns[3]);
    const YieldResult y = Trials(d, 0.0, 7);
    EXPECT_EQ(y.passed, 300);
    EXPECT_EQ(y.yieldPercent, 100.0);
    EXPECT_NEAR(y.options.vswrLimit, d.result.Smax * 1.1, 1e-12);
    EXPECT_NEAR(y.nominalVswr, d.result.Smax, 0.005 * d.result.Smax);
    for (const double v : {y.vswrP50, y.vswrP90, y.vswrP99, y.worstVswr})
        EXPECT_EQ(v, y.nominalVswr);
}

TEST(MonteCarlo, SameSeedSameFiguresOtherSeedOtherTrials)
{
    const Design d = RunDesign(kDesigns[0]);
    const YieldResult a = Trials(d, 5.0, 42);
    const YieldResult b = Trials(d, 5.0, 42);
    EXPECT_EQ(a.passed, b.passed);
    EXPECT_EQ(a.vswrP50, b.vswrP50);
    EXPECT_EQ(a.vswrP99, b.vswrP99);
    EXPECT_NE(Trials(d, 5.0, 43).vswrP50, a.vswrP50);
}

TEST(MonteCarlo, WiderToleranceLowersYieldAndRaisesPercentiles)
{
    const Design d = RunDesign(kDesigns[0]);
    const YieldResult tight = Trials(d, 1.0, 1);
    const YieldResult loose = Trials(d, 10.0, 1);
    EXPECT_GT(tight.yieldPercent, loose.yieldPercent);
    EXPECT_LT(tight.vswrP90, loose.vswrP90);
    for (const YieldResult &y : {tight, loose}) {
        EXPECT_LE(y.vswrP50, y.vswrP90);
        EXPECT_LE(y.vswrP90, y.vswrP99);
        EXPECT_LE(y.vswrP99, y.worstVswr);
        EXPECT_NEAR(y.yieldPercent, 100.0 * y.passed / 300, 1e-12);
    }
}

TEST(MonteCarlo, CountingTheTrialsDoneLeavesTheFiguresAsTheyWere)
{
    const Design d = RunDesign(kDesigns[0]);
    const Network ladder = DesignedNetworkOf(d.result).full;
    const YieldOptions options{1000, 5, 3, 2.0};
    const YieldResult plain = RunMonteCarlo(ladder, BandOf(d.result.band), options);
    const std::atomic<bool> go{false};
    std::atomic<int> done{-1};
    const std::optional<YieldResult> counted =
        RunMonteCarloUnless(go, ladder, BandOf(d.result.band), options, &done);
    ASSERT_TRUE(counted);
    EXPECT_EQ(done.load(), 1000) << "a finished run has counted every trial";
    EXPECT_EQ(counted->passed, plain.passed);
    EXPECT_EQ(counted->vswrP99, plain.vswrP99);

    const std::atomic<bool> stopped{true};
    done = -1;
    EXPECT_FALSE(RunMonteCarloUnless(stopped, ladder, BandOf(d.result.band), options, &done));
    EXPECT_EQ(done.load(), -1) << "a run stopped before its first trial counts none";
}

TEST(MonteCarlo, RejectsOptionsItCannotRun)
{
    const Design d = RunDesign(kDesigns[0]);
    const Network ladder = DesignedNetworkOf(d.result).full;
    const struct
    {
        const char *name;
        YieldOptions options;
    } rows[] = {
        {"no trials", {0, 5, 1, 2.0}},
        {"negative tolerance", {10, -1, 1, 2.0}},
        {"tolerance of 100 %", {10, 100, 1, 2.0}},
        {"NaN tolerance", {10, std::nan(""), 1, 2.0}},
        {"limit of 1", {10, 5, 1, 1.0}},
        {"one band point", {10, 5, 1, 2.0, 1}},
    };
    for (const auto &row : rows) {
        EXPECT_FALSE(YieldOptionsError(row.options).empty()) << row.name;
        EXPECT_THROW(RunMonteCarlo(ladder, BandOf(d.result.band), row.options),
                     std::invalid_argument)
            << row.name;
    }
}

TEST(NearestRankPercentile, CountsRanksFromOne)
{
    const std::vector<double> v{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(NearestRankPercentile(v, 50), 5);
    EXPECT_EQ(NearestRankPercentile(v, 90), 9);
    EXPECT_EQ(NearestRankPercentile(v, 99), 10);
    EXPECT_EQ(NearestRankPercentile(v, 1), 1);
    EXPECT_EQ(NearestRankPercentile({3.5}, 99), 3.5);
}

TEST(BodeFano, ReferenceValues)
{
    EXPECT_NEAR(BodeFanoReflection(1.0), 0.0432, 0.00005);
    EXPECT_EQ(BodeFanoReflection(0.0), 0.0);

    // 20 ohms in parallel with 0.9 pF over 6 to 18 GHz.
    const Design d = RunDesign(kDesigns[6]);
    ASSERT_TRUE(d.result.solved);
    const BodeFanoLimit b = AnalyseDesign(DesignedNetworkOf(d.result), {}).bodeFano;
    ASSERT_TRUE(b.applicable);
    EXPECT_NEAR(b.g1, 1.3572, 0.00005);
    EXPECT_NEAR(b.gammaLimit, 0.0988, 0.00005);
    EXPECT_DOUBLE_EQ(b.vswrLimit, VswrOf(b.gammaLimit));
    EXPECT_DOUBLE_EQ(b.mismatchLossDb, -10 * std::log10(1 - b.gammaLimit * b.gammaLimit));
    EXPECT_EQ(b.designGammaMax, d.result.GammaMax);
}

TEST(BodeFano, EveryAbsorbingDesignStaysAboveTheLimitAndOthersHaveNone)
{
    for (const DesignCase &c : kDesigns) {
        const Design d = RunDesign(c);
        const BodeFanoLimit b = AnalyseDesign(DesignedNetworkOf(d.result), {}).bodeFano;
        EXPECT_EQ(b.applicable, d.result.absorbed) << c.name;
        if (b.applicable) {
            EXPECT_GT(d.result.GammaMax, b.gammaLimit) << c.name;
        }
    }
}

} // namespace
} // namespace tevmar::analysis
