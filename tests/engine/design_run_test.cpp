#include "design_fixture.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tevmar {
namespace {

// Agreement to the five or six significant digits that the worked designs quote.
void ExpectNear(double actual, double expected, double relative = 2e-5)
{
    EXPECT_NEAR(actual, expected, std::fabs(expected) * relative + 1e-12)
        << "expected " << expected;
}

std::vector<double> Printed(const DesignResult &result)
{
    std::vector<double> values;
    for (const ElementRow &row : result.table)
        values.push_back(row.value);
    return values;
}

std::vector<std::string> Labels(const DesignResult &result)
{
    std::vector<std::string> labels;
    for (const ElementRow &row : result.table)
        labels.emplace_back(row.label);
    return labels;
}

TEST(DesignRun, BandParametersFromEitherEdgeOrder)
{
    for (auto [f1, f2] : {std::pair{"1", "2"}, std::pair{"2", "1"}}) {
        DesignInputs inputs = WorkedInputs();
        inputs.f1Text = f1;
        inputs.f2Text = f2;
        const DesignResult r = RunDesign(inputs);
        ASSERT_TRUE(r.solved);
        ExpectNear(r.band.F0, 1414.2136);
        ExpectNear(r.band.Qt, 1.4142136);
        ExpectNear(r.band.F0GHz, 1.4142136);
        ExpectNear(std::fmin(r.band.F1, r.band.F2), 1000);
        ExpectNear(r.band.BW, 1000, 1e-12); // MHz
        ExpectNear(r.x, 0.79033);
    }
}

TEST(DesignRun, OrderFourWithNothingAbsorbed)
{
    const DesignResult r = RunDesign(WorkedInputs(4, LoadType::ShuntRL));
    ASSERT_TRUE(r.solved);
    EXPECT_EQ(r.n, 2);
    ExpectNear(r.x, 0.79033);
    ExpectNear(r.SourceQ, 1.1177, 1e-4);
    EXPECT_EQ(r.reportedLoadQ, r.SourceQ);
    const double g[] = {1, 0.79033, 0.60224, 0.63265, 0.83023, 1.31231};
    for (int i = 0; i <= 5; ++i)
        ExpectNear(r.prototype[i], g[i]);
    ExpectNear(r.Dplus, 1.78940);
    EXPECT_EQ(r.Dminus, 0);
    ExpectNear(r.f, 5, 1e-9);
    ExpectNear(r.GammaMax, 0.135064);
    ExpectNear(r.Lmax, 0.079957);
    ExpectNear(r.Smax, 1.3123, 1e-4);
    EXPECT_EQ(r.GammaMin, 0);
    EXPECT_EQ(r.Smin, 1);
    EXPECT_FALSE(r.absorbed);
    EXPECT_TRUE(r.inductive);
}

TEST(DesignRun, OrderEightShuntRcAbsorbed)
{
    const DesignResult r = RunDesign(WorkedInputs(8, LoadType::ShuntRC, "1"));
    ASSERT_TRUE(r.solved);
    ExpectNear(r.x, 0.35595, 3e-5);
    ExpectNear(r.g1, 0.31416, 3e-5);
    ExpectNear(r.prototype[1], r.g1, 1e-15);
    ExpectNear(r.Dplus, 2.29323);
    ExpectNear(r.Dminus, -0.14301, 5e-5);
    ExpectNear(r.GammaMax, 0.0044150, 5e-5);
    ExpectNear(r.GammaMin, 0.0022757, 5e-5);
    ExpectNear(r.Lmax, 0.0000847, 1e-3);
    ExpectNear(r.Lmin, 0.0000225, 3e-3);
    ExpectNear(r.Smax, 1.00887, 1e-5);
    ExpectNear(r.Smin, 1.00456, 1e-5);
    EXPECT_TRUE(r.absorbed);
    EXPECT_FALSE(r.inductive);
}

TEST(DesignRun, SeriesLoadTurnsPrototypeEndForEnd)
{
    const DesignResult s = RunDesign(WorkedInputs(8, LoadType::ShuntRC, "1"));
    const DesignResult r = RunDesign(WorkedInputs(8, LoadType::SeriesRL, "0.5"));
    ASSERT_TRUE(r.solved);
    ExpectNear(r.LoadQ, s.LoadQ, 1e-7);
    ExpectNear(r.prototype[1], r.x, 1e-15);
    ExpectNear(r.x, 0.35595, 3e-5);
    ExpectNear(r.prototype[4], 0.31140, 3e-5);
    // Turned end for end, the same prototype meets the same passband.
    ExpectNear(r.GammaMax, s.GammaMax, 1e-6);
    ExpectNear(r.GammaMin, s.GammaMin, 1e-6);
}

struct TableCase
{
    const char *name;
    int order;
    LoadType load;
    const char *absorb;
    std::vector<std::string> labels;
    std::vector<double> values;
};

class ElementTableTest : public testing::TestWithParam<TableCase>
{
};

TEST_P(ElementTableTest, MatchesWorkedDesign)
{
    const TableCase &c = GetParam();
    const DesignResult r = RunDesign(WorkedInputs(c.order, c.load, c.absorb));
    ASSERT_TRUE(r.solved);
    EXPECT_EQ(Labels(r), c.labels);
    EXPECT_EQ(Printed(r), c.values);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedDesigns, ElementTableTest,
    testing::Values(
        TableCase{"Order4ShuntRl",
                  4,
                  LoadType::ShuntRL,
                  nullptr,
                  {"R =", "LP=", "CS=", "CP=", "LS=", "R ="},
                  {50, 5.034, 5.158, 4.91, 1.258, 10}},
        TableCase{"Order4ShuntRc",
                  4,
                  LoadType::ShuntRC,
                  nullptr,
                  {"R =", "CP=", "LS=", "LP=", "CS=", "R ="},
                  {50, 2.516, 2.455, 2.579, 10.069, 10}},
        TableCase{"Order8SeriesRl",
                  8,
                  LoadType::SeriesRL,
                  "0.5",
                  {"R =", "LP=", "CS=", "CP=", "LS=", "LP=", "CS=", "CP=", "LS=", "R ="},
                  {50, 11.178, 3.262, 1.736, 2.534, 2.33, 17.433, 7.898, 0.5, 10}},
        TableCase{"Order8ShuntRc",
                  8,
                  LoadType::ShuntRC,
                  "1",
                  {"R =", "CP=", "LS=", "LP=", "CS=", "CP=", "LS=", "LP=", "CS=", "R ="},
                  {50, 1, 3.949, 8.716, 4.66, 5.068, 0.868, 1.631, 22.356, 10}}),
    [](const testing::TestParamInfo<TableCase> &info) { return info.param.name; });

TEST(DesignRun, OrderSelectsPrototypeOrderAndTableLength)
{
    for (auto [order, n] : {std::pair{4, 2}, std::pair{8, 4}, std::pair{12, 6}}) {
        const DesignResult r = RunDesign(WorkedInputs(order));
        ASSERT_TRUE(r.solved);
        EXPECT_EQ(r.n, n);
        EXPECT_EQ(r.table.size(), static_cast<std::size_t>(2 + 2 * n));
        EXPECT_EQ(r.table.front().value, 50);
        EXPECT_EQ(r.table.back().value, 10);
    }
}

// The design works with pi to seven decimals. Full pi moves every element by
// a few parts in 10^8 or more, and in this design it turns the printed LP= of
// the first pair from 165.352 into 165.353. The full values pin each place pi
// enters: the load's Q, the prototype's angles, the band scaling and the dual.
TEST(DesignRun, WorksWithSevenDecimalPi)
{
    DesignInputs inputs = WorkedInputs(12, LoadType::SeriesRC, "10");
    inputs.f1Text = "0.5";
    inputs.zhighText = "75";
    inputs.zlowText = "12.5";
    const DesignResult r = RunDesign(inputs);
    ASSERT_TRUE(r.solved);
    EXPECT_EQ(Printed(r), (std::vector<double>{75, 0.151, 2.423, 165.352, 10.608, 0.7, 4.154,
                                               32.055, 6.888, 1.251, 2.968, 17.283, 10, 12.5}));
    const double full[] = {75,
                           0.15097760967687088,
                           2.422728796737194,
                           165.35245872261783,
                           10.608465113485126,
                           0.6995577683792341,
                           4.153833996997953,
                           32.05517963949891,
                           6.888261421777677,
                           1.2508295317991776,
                           2.9680368609852112,
                           17.282761613788722,
                           9.99999999996977,
                           12.500000000037787};
    ASSERT_EQ(r.table.size(), std::size(full));
    for (std::size_t i = 0; i < r.table.size(); ++i)
        ExpectNear(r.table[i].fullValue, full[i], 1e-10);
}

TEST(DesignRun, CapacitiveTableIsDualOfInductiveAtCentre)
{
    const DesignResult l = RunDesign(WorkedInputs(12, LoadType::ShuntRL));
    const DesignResult c = RunDesign(WorkedInputs(12, LoadType::ShuntRC));
    ASSERT_TRUE(l.solved && c.solved);
    const double w0 = 2 * 3.1415926 * l.band.F0 * 1e6;
    for (std::size_t i = 1; i + 1 < l.table.size(); ++i)
        ExpectNear(c.table[i].fullValue * l.table[i].fullValue, 1e21 / (w0 * w0), 1e-12);
}

TEST(DesignRun, AbsorbedElementStandsAtTheLoadEnd)
{
    const DesignResult l = RunDesign(WorkedInputs(8, LoadType::ShuntRL, "12"));
    const DesignResult c = RunDesign(WorkedInputs(8, LoadType::SeriesRC, "20"));
    ASSERT_TRUE(l.solved);
    ASSERT_TRUE(c.solved);
    EXPECT_EQ(l.table[1].label, "LP=");
    ExpectNear(l.table[1].fullValue, 12, 1e-9);
    EXPECT_EQ(c.table[c.table.size() - 2].label, "CS=");
    ExpectNear(c.table[c.table.size() - 2].fullValue, 20, 1e-6);
}

// With the box unticked a value left in it is ignored: both ends are equally
// terminated and the design is the one with nothing typed there.
TEST(DesignRun, UntickedAbsorptionIgnoresTheTypedValue)
{
    DesignInputs typed = WorkedInputs();
    typed.absorbText = "7";
    const DesignResult r = RunDesign(typed);
    ASSERT_TRUE(r.solved);
    EXPECT_EQ(r.LoadQ, 0.2);
    EXPECT_FALSE(r.absorbed);
    EXPECT_EQ(Printed(r), Printed(RunDesign(WorkedInputs())));
}

TEST(DesignRun, LoadQOfSeriesRl)
{
    const DesignResult r = RunDesign(WorkedInputs(4, LoadType::SeriesRL, "5"));
    ExpectNear(r.LoadQ, 4.4428829, 1e-7);
}

TEST(DesignRun, NegligibleReactanceIsDropped)
{
    const DesignResult r = RunDesign(WorkedInputs(4, LoadType::ShuntRC, "0.01"));
    ASSERT_TRUE(r.solved);
    ExpectNear(r.LoadQ, 0.0044429, 1e-4);
    EXPECT_FALSE(r.absorbed);
    EXPECT_EQ(r.Dminus, 0);
    EXPECT_EQ(Printed(r), Printed(RunDesign(WorkedInputs(4, LoadType::ShuntRC))));
}

TEST(DesignRun, ZeroOrNegativeAbsorbedValueAbsorbsNothing)
{
    for (const char *text : {"0", "-3", "pF"}) {
        const DesignResult r = RunDesign(WorkedInputs(4, LoadType::SeriesRC, text));
        EXPECT_TRUE(r.solved) << text;
        EXPECT_EQ(r.LoadQ, 0.2) << text;
        EXPECT_FALSE(r.absorbed) << text;
    }
}

struct FailCase
{
    const char *name;
    const char *f1, *f2, *zhigh, *zlow;
    LoadType load;
    const char *absorb;
};

class FailedDesignTest : public testing::TestWithParam<FailCase>
{
};

// Every way a design cannot exist ends alike: no solution and no element table.
TEST_P(FailedDesignTest, HasNoSolution)
{
    const FailCase &c = GetParam();
    DesignInputs inputs = WorkedInputs(8, c.load, c.absorb);
    inputs.f1Text = c.f1;
    inputs.f2Text = c.f2;
    inputs.zhighText = c.zhigh;
    inputs.zlowText = c.zlow;
    const DesignResult r = RunDesign(inputs);
    EXPECT_FALSE(r.solved);
    EXPECT_TRUE(r.table.empty());
}

constexpr LoadType SRL = LoadType::SeriesRL;
constexpr LoadType SRC = LoadType::SeriesRC;
constexpr LoadType PRL = LoadType::ShuntRL;
constexpr LoadType PRC = LoadType::ShuntRC;

INSTANTIATE_TEST_SUITE_P(
    Inputs, FailedDesignTest,
    testing::Values(FailCase{"EqualPorts", "1", "2", "50", "50", SRL, nullptr},
                    FailCase{"HighBelowLow", "1", "2", "10", "50", SRL, nullptr},
                    FailCase{"EmptyZlow", "1", "2", "50", "", SRL, nullptr},
                    FailCase{"ZeroZlow", "1", "2", "50", "0", PRL, nullptr},
                    FailCase{"ZeroZhigh", "1", "2", "0", "10", SRL, nullptr},
                    FailCase{"EmptyEverything", "", "", "", "", SRL, nullptr},
                    FailCase{"EqualEdges", "2", "2", "50", "10", SRL, nullptr},
                    FailCase{"EdgesOfOppositeSign", "-1", "2", "50", "10", SRL, nullptr},
                    FailCase{"BandFromZero", "0", "2", "50", "10", SRL, nullptr},
                    FailCase{"EdgeTooLarge", "1e400", "2", "50", "10", SRL, nullptr},
                    FailCase{"ZhighTooLarge", "1", "2", "1e400", "10", SRL, nullptr},
                    FailCase{"ZlowTooLarge", "1", "2", "50", "1e400", SRL, nullptr},
                    FailCase{"AbsorbedTooLarge", "1", "2", "50", "10", SRC, "1e400"},
                    FailCase{"ZeroLoadInSeriesRl", "1", "2", "50", "0", SRL, "1"},
                    FailCase{"ZeroTrialValue", "1", "2", "1e-320", "1e-321", PRC, "0.002"},
                    FailCase{"NegativePorts", "1", "2", "-50", "-10", PRC, "1"}),
    [](const testing::TestParamInfo<FailCase> &info) { return info.param.name; });

} // namespace
} // namespace tevmar
