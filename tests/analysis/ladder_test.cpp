// The ladder model of a design and its two-port response: element order and
// units, power conservation and reciprocity, and finite component Q.

#include "analysis/sweep.h"
#include "analysis_fixture.h"

#include <gtest/gtest.h>

namespace tevmar::analysis {
namespace {

TEST(FromDesign, KeepsTableOrderKindsAndUnits)
{
    // N = 4, shunt RL: R = 50, LP = 5.034 nH, CS = 5.158 pF, CP = 4.91 pF, LS = 1.258 nH, R = 10.
    const Design d = RunDesign(kDesigns[0]);
    const Ladder printed = FromDesign(d.result, Precision::Printed);
    EXPECT_EQ(printed.port1Ohms, 50.0);
    EXPECT_EQ(printed.port2Ohms, 10.0);
    ASSERT_EQ(printed.elements.size(), 4u);
    const ElementKind kinds[] = {ElementKind::ShuntInductor, ElementKind::SeriesCapacitor,
                                 ElementKind::ShuntCapacitor, ElementKind::SeriesInductor};
    const double value[] = {5.034, 5.158, 4.91, 1.258}; // nH or pF as the table says
    const double si[] = {5.034e-9, 5.158e-12, 4.91e-12, 1.258e-9};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(printed.elements[i].kind, kinds[i]) << i;
        EXPECT_EQ(printed.elements[i].value, value[i]) << i;
        EXPECT_NEAR(SiValue(printed.elements[i]), si[i], si[i] * 1e-15) << i;
    }

    const Ladder full = FromDesign(d.result, Precision::Full);
    EXPECT_EQ(full.elements[0].value, d.result.table[1].fullValue);
    EXPECT_NE(full.elements[0].value, printed.elements[0].value);
    EXPECT_NEAR(full.port2Ohms, 10.0, 1e-6);
}

TEST(FromDesign, AbsorbedElementStandsAtTheLoadEnd)
{
    // Shunt loads sit at the high-impedance port, series loads at the low one.
    const Ladder shunt = FromDesign(RunDesign(kDesigns[3]).result, Precision::Full); // 1 pF
    EXPECT_EQ(shunt.elements.front().kind, ElementKind::ShuntCapacitor);
    EXPECT_NEAR(shunt.elements.front().value, 1.0, 1e-9);

    const Ladder series = FromDesign(RunDesign(kDesigns[2]).result, Precision::Full); // 0.5 nH
    EXPECT_EQ(series.elements.back().kind, ElementKind::SeriesInductor);
    EXPECT_NEAR(series.elements.back().value, 0.5, 1e-8);
}

TEST(FromDesign, RejectsATableWithoutTerminations)
{
    DesignResult d = RunDesign(kDesigns[0]).result;
    DesignResult noEnd = d;
    noEnd.table.pop_back();
    EXPECT_THROW(FromDesign(noEnd, Precision::Full), std::invalid_argument);
    DesignResult zeroPort = d;
    zeroPort.table.back().value = 0;
    EXPECT_THROW(FromDesign(zeroPort, Precision::Printed), std::invalid_argument);
    EXPECT_THROW(FromDesign(DesignResult{}, Precision::Full), std::invalid_argument);
}

class EveryDesign : public testing::TestWithParam<DesignCase>
{
};

TEST_P(EveryDesign, IdealNetworkIsLosslessAndReciprocal)
{
    const Design d = RunDesign(GetParam());
    ASSERT_TRUE(d.result.solved);
    const Ladder ladder = FromDesign(d.result, Precision::Full);
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
    const Ladder ladder = FromDesign(d.result, Precision::Full);
    const Band band = BandOf(d.result.band);
    const auto loss = [&](std::optional<double> q) { return LossModel{q, q, band.centreHz}; };
    for (const double f : BandGrid(band, 21)) {
        const double ideal = std::abs(Evaluate(ladder, f).s.s21);
        const double q200 = std::abs(Evaluate(ladder, f, loss(200)).s.s21);
        const double q20 = std::abs(Evaluate(ladder, f, loss(20)).s.s21);
        EXPECT_LT(q200, ideal) << f;
        EXPECT_LT(q20, q200) << f;
        const SweepPoint nearlyIdeal = Evaluate(ladder, f, loss(1e12));
        EXPECT_NEAR(std::abs(nearlyIdeal.s.s21), ideal, 1e-9) << f;
        EXPECT_NEAR(std::abs(nearlyIdeal.s.s11), std::abs(Evaluate(ladder, f).s.s11), 1e-9) << f;
    }
}

INSTANTIATE_TEST_SUITE_P(Designs, EveryDesign, testing::ValuesIn(kDesigns),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(Evaluate, OnlyInductorLossOrOnlyCapacitorLossEachCost)
{
    const Design d = RunDesign(kDesigns[0]);
    const Ladder ladder = FromDesign(d.result, Precision::Full);
    const Band band = BandOf(d.result.band);
    const double ideal = Evaluate(ladder, band.centreHz).insertionLossDb;
    const double lOnly = Evaluate(ladder, band.centreHz, {50.0, {}, band.centreHz}).insertionLossDb;
    const double cOnly = Evaluate(ladder, band.centreHz, {{}, 50.0, band.centreHz}).insertionLossDb;
    const double both =
        Evaluate(ladder, band.centreHz, {50.0, 50.0, band.centreHz}).insertionLossDb;
    EXPECT_GT(lOnly, ideal + 0.01);
    EXPECT_GT(cOnly, ideal + 0.01);
    EXPECT_GT(both, std::max(lOnly, cOnly));
}

TEST(Evaluate, ElementPrintedAsZeroBlocksWithoutNaN)
{
    // Far above 10 GHz a series capacitor can print as 0 pF: an open circuit.
    Ladder open{50, 50, {{ElementKind::SeriesCapacitor, 0.0, "CS="}}};
    Ladder shorted{50, 50, {{ElementKind::ShuntInductor, 0.0, "LP="}}};
    for (const Ladder &ladder : {open, shorted}) {
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
    const SweepPoint p = Evaluate(Ladder{50, 10, {}}, 1e9);
    EXPECT_NEAR(p.s.s11.real(), -2.0 / 3.0, 1e-15);
    EXPECT_NEAR(p.s.s22.real(), 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(p.vswr, 5.0, 1e-12);
    EXPECT_NEAR(p.s.s21.real(), 2 * std::sqrt(500.0) / 60, 1e-15);
    EXPECT_NEAR(p.mismatchLossDb, -10 * std::log10(1 - 4.0 / 9), 1e-12);
}

} // namespace
} // namespace tevmar::analysis
