// The ladder model of a design and its two-port response: element order and
// units, power conservation and reciprocity, and finite component Q.

#include "analysis/figures/monte_carlo.h"
#include "analysis/figures/network_analysis.h"
#include "analysis/figures/sweep.h"
#include "analysis_fixture.h"

#include <gtest/gtest.h>

namespace tevmar::analysis {
namespace {

TEST(DesignedNetwork, KeepsTableOrderKindsAndUnits)
{
    // N = 4, shunt RL: R = 50, LP = 5.034 nH, CS = 5.158 pF, CP = 4.91 pF, LS = 1.258 nH, R = 10.
    const Design d = RunDesign(kDesigns[0]);
    const Network printed = DesignedNetworkOf(d.result).Printed();
    EXPECT_EQ(printed.port1Ohms, 50.0);
    EXPECT_EQ(printed.port2Ohms, 10.0);
    ASSERT_EQ(printed.parts.size(), 4u);
    const ElementKind kinds[] = {ElementKind::ShuntInductor, ElementKind::SeriesCapacitor,
                                 ElementKind::ShuntCapacitor, ElementKind::SeriesInductor};
    const double value[] = {5.034, 5.158, 4.91, 1.258}; // nH or pF as the table says
    const double si[] = {5.034e-9, 5.158e-12, 4.91e-12, 1.258e-9};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(printed.parts[i].kind, kinds[i]) << i;
        EXPECT_EQ(printed.parts[i].value, value[i]) << i;
        EXPECT_NEAR(printed.parts[i].si(), si[i], si[i] * 1e-15) << i;
    }

    const Network full = DesignedNetworkOf(d.result).full;
    EXPECT_EQ(full.parts[0].value, d.result.table[1].fullValue);
    EXPECT_NE(full.parts[0].value, printed.parts[0].value);
    EXPECT_NEAR(full.port2Ohms, 10.0, 1e-6);
}

TEST(DesignedNetwork, AbsorbedReactanceIsTheLoadNotAPart)
{
    // Shunt loads sit at the high-impedance port, series loads at the low one;
    // at either precision the load keeps the value typed.
    const DesignedNetwork shuntDesign = DesignedNetworkOf(RunDesign(kDesigns[3]).result);  // 1 pF
    const DesignedNetwork seriesDesign = DesignedNetworkOf(RunDesign(kDesigns[2]).result); // 0.5 nH
    const Network shunts[] = {shuntDesign.full, shuntDesign.Printed()};
    const Network serieses[] = {seriesDesign.full, seriesDesign.Printed()};
    for (int i = 0; i < 2; ++i) {
        const Network &shunt = shunts[i];
        ASSERT_TRUE(shunt.load);
        EXPECT_EQ(shunt.load->element.kind, ElementKind::ShuntCapacitor);
        EXPECT_EQ(shunt.load->element.value, 1.0);
        EXPECT_EQ(shunt.load->port(), 1);
        EXPECT_EQ(shunt.parts.size(), 7u);
        EXPECT_EQ(shunt.parts.front().kind, ElementKind::SeriesInductor);

        const Network &series = serieses[i];
        ASSERT_TRUE(series.load);
        EXPECT_EQ(series.load->element.kind, ElementKind::SeriesInductor);
        EXPECT_EQ(series.load->element.value, 0.5);
        EXPECT_EQ(series.load->port(), 2);
        EXPECT_EQ(series.parts.size(), 7u);
    }
    EXPECT_FALSE(DesignedNetworkOf(RunDesign(kDesigns[0]).result).full.load);
}

// Finite Q, snapping and tolerances act on the parts; the load's own reactance
// stays as typed and ideal.
TEST(LoadModel, SnappingLossAndTolerancesLeaveTheLoadAlone)
{
    const Design d = RunDesign(kAbsorbingDesigns[1]); // series RC, 20 pF
    AnalysisOptions options;
    options.eseries = ESeries::E12; // 20 would snap to 22
    options.monteCarlo = YieldOptions{};
    const NetworkAnalysis a = AnalyseDesign(DesignedNetworkOf(d.result), options);
    ASSERT_TRUE(a.standardValues->ladder.load);
    EXPECT_EQ(a.standardValues->ladder.load->element.value, 20.0);
    EXPECT_EQ(a.standardValues->ladder.parts.size(), 11u);
    // The yield default limit stays the design's VSWR x 1.1.
    EXPECT_EQ(a.yield->options.vswrLimit, d.result.Smax * 1.1);

    // A load with no network at all: a lossy model puts no loss into it, so
    // |S11|^2 + |S21|^2 stays 1, and every tolerance trial is the nominal one.
    const Network loadOnly{50, 50, {}, LoadReactance{{ElementKind::SeriesInductor, 5, "LS="}}};
    const SweepPoint p = Evaluate(WithLosses(loadOnly, LossModel{10, 10, 1e9}), 1e9);
    EXPECT_NEAR(std::norm(p.s.s11) + std::norm(p.s.s21), 1.0, 1e-12);
    // |S11| = X / |2R + jX| with X = 2 pi 1 GHz 5 nH = 31.416 ohms: 31.416 / 104.82 = 0.29972.
    EXPECT_NEAR(std::abs(p.s.s11), 0.29972, 1e-5);
    const YieldResult y =
        RunMonteCarlo(loadOnly, Band{0.9e9, 1.1e9, 1e9}, YieldOptions{50, 20, 1, 2});
    EXPECT_EQ(y.worstVswr, y.nominalVswr);
}

// One series 10 nH between 50 ohm ports at 1 GHz, by hand: S21 = 2R / (2R + jwL),
// wL / 2R = 0.62832, so arg S21 = -atan(0.62832) = -32.142 deg and the group
// delay is (L / 2R) / (1 + 0.62832^2) = 1e-10 s / 1.39478 = 71.696 ps.
// With Q 50 at 1 GHz, at 2 GHz the centre model keeps r = w0 L / Q = 1.2566
// ohms, the constant model doubles it to 2.5133 ohms; with wL = 125.66 ohms,
// IL = 20 log10 |(2R + r + jwL) / 2R| = 20 log10 (161.38 / 100) = 4.1571 dB
// and 20 log10 (161.98 / 100) = 4.1996 dB.
TEST(TwoPort, PhaseGroupDelayAndQModelByHand)
{
    const Network ladder{50, 50, {{ElementKind::SeriesInductor, 10, "LS="}}};
    EXPECT_NEAR(Evaluate(ladder, 1e9).s21PhaseDeg, -32.142, 1e-3);
    EXPECT_NEAR(GroupDelaySeconds(ladder, 1e9), 71.696e-12, 1e-15);
    const LossModel centre{50, std::nullopt, 1e9, QModel::Centre};
    const LossModel constant{50, std::nullopt, 1e9, QModel::Constant};
    EXPECT_NEAR(Evaluate(WithLosses(ladder, centre), 2e9).insertionLossDb, 4.1571, 1e-4);
    EXPECT_NEAR(Evaluate(WithLosses(ladder, constant), 2e9).insertionLossDb, 4.1996, 1e-4);
    EXPECT_EQ(Evaluate(WithLosses(ladder, centre), 1e9).insertionLossDb,
              Evaluate(WithLosses(ladder, constant), 1e9).insertionLossDb);
}

TEST(DesignedNetwork, RejectsATableWithoutTerminationsOrSolution)
{
    DesignResult d = RunDesign(kDesigns[0]).result;
    DesignResult noEnd = d;
    noEnd.table.pop_back();
    EXPECT_THROW(DesignedNetworkOf(noEnd), std::invalid_argument);
    DesignResult zeroPort = d;
    zeroPort.zlowOhms = 0;
    EXPECT_THROW(DesignedNetworkOf(zeroPort), std::invalid_argument);
    EXPECT_THROW(DesignedNetworkOf(DesignResult{}), std::invalid_argument);
}

class EveryDesign : public testing::TestWithParam<DesignCase>
{
};

TEST_P(EveryDesign, IdealNetworkIsLosslessAndReciprocal)
{
    const Design d = RunDesign(GetParam());
    ASSERT_TRUE(d.result.solved);
    const Network ladder = DesignedNetworkOf(d.result).full;
    for (const SweepPoint &p : Sweep(ladder, DefaultSweep(BandOf(d.result.band)))) {
        EXPECT_NEAR(std::abs(p.s.s12 - p.s.s21), 0.0, 1e-12) << p.frequencyHz;
        EXPECT_NEAR(std::norm(p.s.s11) + std::norm(p.s.s21), 1.0, 1e-12) << p.frequencyHz;
        EXPECT_NEAR(std::norm(p.s.s22) + std::norm(p.s.s12), 1.0, 1e-12) << p.frequencyHz;
        // Without loss, insertion loss is all mismatch loss.
        EXPECT_NEAR(p.insertionLossDb, p.mismatchLossDb, 1e-6 + 1e-9 * p.mismatchLossDb);
        EXPECT_GE(p.vswr, 1.0);
    }
}

TEST_P(EveryDesign, FiniteQLowersTransmissionInBandMoreForLowerQ)
{
    const Design d = RunDesign(GetParam());
    const Network ladder = DesignedNetworkOf(d.result).full;
    const Band band = BandOf(d.result.band);
    const auto loss = [&](std::optional<double> q) { return LossModel{q, q, band.centreHz}; };
    for (const double f : BandGrid(band, 21)) {
        const double ideal = std::abs(Evaluate(ladder, f).s.s21);
        const double q200 = std::abs(Evaluate(WithLosses(ladder, loss(200)), f).s.s21);
        const double q20 = std::abs(Evaluate(WithLosses(ladder, loss(20)), f).s.s21);
        EXPECT_LT(q200, ideal) << f;
        EXPECT_LT(q20, q200) << f;
        const SweepPoint nearlyIdeal = Evaluate(WithLosses(ladder, loss(1e12)), f);
        EXPECT_NEAR(std::abs(nearlyIdeal.s.s21), ideal, 1e-9) << f;
        EXPECT_NEAR(std::abs(nearlyIdeal.s.s11), std::abs(Evaluate(ladder, f).s.s11), 1e-9) << f;
    }
}

INSTANTIATE_TEST_SUITE_P(Designs, EveryDesign, testing::ValuesIn(kDesigns),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Evaluate, OnlyInductorLossOrOnlyCapacitorLossEachCost)
{
    const Design d = RunDesign(kDesigns[0]);
    const Network ladder = DesignedNetworkOf(d.result).full;
    const Band band = BandOf(d.result.band);
    const double ideal = Evaluate(ladder, band.centreHz).insertionLossDb;
    const double lOnly =
        Evaluate(WithLosses(ladder, {50.0, {}, band.centreHz}), band.centreHz).insertionLossDb;
    const double cOnly =
        Evaluate(WithLosses(ladder, {{}, 50.0, band.centreHz}), band.centreHz).insertionLossDb;
    const double both =
        Evaluate(WithLosses(ladder, {50.0, 50.0, band.centreHz}), band.centreHz).insertionLossDb;
    EXPECT_GT(lOnly, ideal + 0.01);
    EXPECT_GT(cOnly, ideal + 0.01);
    EXPECT_GT(both, std::max(lOnly, cOnly));
}

TEST(Evaluate, ElementPrintedAsZeroBlocksWithoutNaN)
{
    // Far above 10 GHz a series capacitor can print as 0 pF: an open circuit.
    Network open{50, 50, {{ElementKind::SeriesCapacitor, 0.0, "CS="}}};
    Network shorted{50, 50, {{ElementKind::ShuntInductor, 0.0, "LP="}}};
    for (const Network &ladder : {open, shorted}) {
        const SweepPoint p = Evaluate(ladder, 1e9);
        EXPECT_NEAR(std::abs(p.s.s11), 1.0, 1e-12);
        EXPECT_LT(std::abs(p.s.s21), 1e-12);
        for (const double v : {p.s11Db, p.vswr, p.mismatchLossDb, p.insertionLossDb})
            EXPECT_TRUE(std::isfinite(v));
    }
}

TEST(Evaluate, UnequalPortsWithoutNetworkGiveTheirMismatch)
{
    // 50 ohms straight into 10 ohms: S11 = (10 - 50) / 60, VSWR 5, S21 = 2 sqrt(500) / 60.
    const SweepPoint p = Evaluate(Network{50, 10, {}}, 1e9);
    EXPECT_NEAR(p.s.s11.real(), -2.0 / 3.0, 1e-15);
    EXPECT_NEAR(p.s.s22.real(), 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(p.vswr, 5.0, 1e-12);
    EXPECT_NEAR(p.s.s21.real(), 2 * std::sqrt(500.0) / 60, 1e-15);
    EXPECT_NEAR(p.mismatchLossDb, -10 * std::log10(1 - 4.0 / 9), 1e-12);
}

} // namespace
} // namespace tevmar::analysis
