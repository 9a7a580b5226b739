#include "design_fixture.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tevmar {
namespace {

constexpr const char *kOutOfRange = "  SOLUTION OUT OF RANGE";

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
        labels.push_back(row.label);
    return labels;
}

TEST(DesignRun, BandParametersFromEitherEdgeOrder)
{
    for (auto [f1, f2] : {std::pair{"1", "2"}, std::pair{"2", "1"}}) {
        WorkedWindow w;
        w.window.Type(TextBox::F1_text, f1);
        w.window.Type(TextBox::F2_text, f2);
        const DesignResult r = w.Run();
        ASSERT_EQ(r.status, DesignStatus::Solved);
        ExpectNear(w.state.F0, 1414.2136);
        ExpectNear(w.state.Qt, 1.4142136);
        ExpectNear(w.state.F0GHz, 1.4142136);
        ExpectNear(std::fmin(w.state.F1, w.state.F2), 1000);
        // After synthesis BW holds the bandwidth in rad/s.
        ExpectNear(w.state.BW, 2 * 3.1415926 * 1000e6, 1e-12);
        ExpectNear(r.x, 0.79033);
    }
}

TEST(DesignRun, OrderFourWithNothingAbsorbed)
{
    WorkedWindow w(Option::N4, Option::PRL);
    const DesignResult r = w.Run();
    ASSERT_EQ(r.status, DesignStatus::Solved);
    EXPECT_EQ(r.passes, 7);
    EXPECT_EQ(r.n, 2);
    ExpectNear(r.x, 0.79033);
    ExpectNear(r.SourceQ, 1.1177, 1e-4);
    EXPECT_EQ(r.reportedLoadQ, r.SourceQ);
    const double g[] = {1, 0.79033, 0.60224, 0.63265, 0.83023, 1.31231};
    for (int i = 0; i <= 5; ++i)
        ExpectNear(r.prototype[i], g[i]);
    ExpectNear(w.state.NortonRatio[1], 1.95194);
    ExpectNear(r.Dplus, 1.78940);
    EXPECT_EQ(r.Dminus, 0);
    ExpectNear(r.f, 5, 1e-9);
    ExpectNear(r.GammaMax, 0.135064);
    ExpectNear(r.Lmax, 0.079957);
    ExpectNear(r.Smax, 1.3123, 1e-4);
    EXPECT_EQ(r.GammaMin, 0);
    EXPECT_EQ(r.Smin, 1);
    EXPECT_FALSE(r.absorbed);
}

TEST(DesignRun, OrderEightShuntRcAbsorbed)
{
    WorkedWindow w(Option::N8, Option::PRC, "1");
    const DesignResult r = w.Run();
    ASSERT_EQ(r.status, DesignStatus::Solved);
    EXPECT_EQ(r.passes, 5);
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
    EXPECT_EQ(w.window.ReadText(TextBox::LC_label), "C(pF)=");
}

TEST(DesignRun, SeriesLoadTurnsPrototypeEndForEnd)
{
    WorkedWindow shunt(Option::N8, Option::PRC, "1");
    WorkedWindow series(Option::N8, Option::SRL, "0.5");
    const DesignResult s = shunt.Run();
    const DesignResult r = series.Run();
    ASSERT_EQ(r.status, DesignStatus::Solved);
    ExpectNear(r.LoadQ, s.LoadQ, 1e-7);
    ExpectNear(r.prototype[1], r.x, 1e-15);
    ExpectNear(r.x, 0.35595, 3e-5);
    ExpectNear(r.prototype[4], 0.31140, 3e-5);
    // The pair factors are those of the shunt design in the opposite order.
    ExpectNear(series.state.NortonRatio[1], shunt.state.NortonRatio[2], 1e-6);
    ExpectNear(series.state.NortonRatio[2], shunt.state.NortonRatio[1], 1e-6);
}

struct TableCase
{
    const char *name;
    Option order;
    Option load;
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
    WorkedWindow w(c.order, c.load, c.absorb);
    const DesignResult r = w.Run();
    ASSERT_EQ(r.status, DesignStatus::Solved);
    EXPECT_EQ(Labels(r), c.labels);
    EXPECT_EQ(Printed(r), c.values);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedDesigns, ElementTableTest,
    testing::Values(
        TableCase{"Order4ShuntRl",
                  Option::N4,
                  Option::PRL,
                  nullptr,
                  {"R =", "LP=", "CS=", "CP=", "LS=", "R ="},
                  {50, 5.034, 5.158, 4.91, 1.258, 10}},
        TableCase{"Order4ShuntRc",
                  Option::N4,
                  Option::PRC,
                  nullptr,
                  {"R =", "CP=", "LS=", "LP=", "CS=", "R ="},
                  {50, 2.516, 2.455, 2.579, 10.069, 10}},
        TableCase{"Order8SeriesRl",
                  Option::N8,
                  Option::SRL,
                  "0.5",
                  {"R =", "LP=", "CS=", "CP=", "LS=", "LP=", "CS=", "CP=", "LS=", "R ="},
                  {50, 11.178, 3.262, 1.736, 2.534, 2.33, 17.433, 7.898, 0.5, 10}},
        TableCase{"Order8ShuntRc",
                  Option::N8,
                  Option::PRC,
                  "1",
                  {"R =", "CP=", "LS=", "LP=", "CS=", "CP=", "LS=", "LP=", "CS=", "R ="},
                  {50, 1, 3.949, 8.716, 4.66, 5.068, 0.868, 1.631, 22.356, 10}}),
    [](const testing::TestParamInfo<TableCase> &info) { return info.param.name; });

TEST(DesignRun, OrderSelectsPrototypeOrderAndTableLength)
{
    for (auto [order, n] :
         {std::pair{Option::N4, 2}, std::pair{Option::N8, 4}, std::pair{Option::N12, 6}}) {
        WorkedWindow w(order);
        const DesignResult r = w.Run();
        ASSERT_EQ(r.status, DesignStatus::Solved);
        EXPECT_EQ(r.n, n);
        EXPECT_EQ(r.table.size(), static_cast<std::size_t>(2 + 2 * n));
        for (int j = n / 2 + 1; j <= 10; ++j)
            EXPECT_EQ(w.state.NortonRatio[j], 1);
    }
}

TEST(DesignRun, CapacitiveTableIsDualOfInductiveAtCentre)
{
    WorkedWindow inductive(Option::N12, Option::PRL);
    WorkedWindow capacitive(Option::N12, Option::PRC);
    const DesignResult l = inductive.Run();
    const DesignResult c = capacitive.Run();
    const double w0 = 2 * 3.1415926 * inductive.state.F0 * 1e6;
    for (std::size_t i = 1; i + 1 < l.table.size(); ++i)
        ExpectNear(c.table[i].fullValue * l.table[i].fullValue, 1e21 / (w0 * w0), 1e-12);
}

TEST(DesignRun, AbsorbedElementStandsAtTheLoadEnd)
{
    WorkedWindow shuntL(Option::N8, Option::PRL, "12");
    WorkedWindow seriesC(Option::N8, Option::SRC, "20");
    const DesignResult l = shuntL.Run();
    const DesignResult c = seriesC.Run();
    ASSERT_EQ(l.status, DesignStatus::Solved);
    ASSERT_EQ(c.status, DesignStatus::Solved);
    EXPECT_EQ(l.table[1].label, "LP=");
    ExpectNear(l.table[1].fullValue, 12, 1e-9);
    EXPECT_EQ(c.table[c.table.size() - 2].label, "CS=");
    ExpectNear(c.table[c.table.size() - 2].fullValue, 20, 1e-6);
}

TEST(DesignRun, AbsorptionOffResetsTextAndStartsEqualTerminations)
{
    WorkedWindow w;
    w.window.Type(TextBox::LC_text, "7");
    const DesignResult r = w.Run();
    EXPECT_EQ(w.window.ReadText(TextBox::LC_text), " 0.0");
    EXPECT_EQ(w.window.ReadText(TextBox::LC_label), "");
    EXPECT_EQ(w.window.LC_value(), 0);
    EXPECT_EQ(r.LoadQ, 0.2);
}

TEST(DesignRun, LoadQOfSeriesRl)
{
    WorkedWindow w(Option::N4, Option::SRL, "5");
    const DesignResult r = w.Run();
    ExpectNear(r.LoadQ, 4.4428829, 1e-7);
    EXPECT_EQ(w.window.ReadText(TextBox::LC_label), "L(nH)=");
}

TEST(DesignRun, NegligibleReactanceIsDropped)
{
    WorkedWindow w(Option::N4, Option::PRC, "0.01");
    const DesignResult r = w.Run();
    ASSERT_EQ(r.status, DesignStatus::Solved);
    ExpectNear(r.LoadQ, 0.0044429, 1e-4);
    EXPECT_EQ(w.window.LC_value(), 0);
    EXPECT_FALSE(r.absorbed);
    EXPECT_EQ(r.Dminus, 0);
    EXPECT_EQ(w.window.pane()[1], "0 dB offset case");
}

TEST(DesignRun, ZeroOrNegativeAbsorbedValueKeepsUnitPrompt)
{
    for (const char *text : {"0", "-3"}) {
        WorkedWindow w(Option::N4, Option::SRC, text);
        const DesignResult r = w.Run();
        EXPECT_EQ(r.LoadQ, 0.2);
        EXPECT_FALSE(r.absorbed);
        EXPECT_EQ(w.window.ReadText(TextBox::LC_label), "C(pF)=");
    }
}

TEST(DesignRun, NextRunClearsPreviousMessage)
{
    WorkedWindow w;
    w.window.Type(TextBox::Zhigh_text, "10");
    EXPECT_EQ(w.Run().status, DesignStatus::OutOfRange);
    EXPECT_EQ(w.window.ReadText(TextBox::Error_text), kOutOfRange);
    w.window.Type(TextBox::Zhigh_text, "50");
    EXPECT_EQ(w.Run().status, DesignStatus::Solved);
    EXPECT_EQ(w.window.ReadText(TextBox::Error_text), "");
    EXPECT_EQ(w.sink.finished, 1);
}

struct FailCase
{
    const char *name;
    const char *f1, *f2, *zhigh, *zlow;
    Option load;
    const char *absorb;
};

class FailedDesignTest : public testing::TestWithParam<FailCase>
{
};

// Every way a design cannot exist ends alike: the message, an empty pane and
// nothing sent to the report file.
TEST_P(FailedDesignTest, EndsWithOutOfRange)
{
    const FailCase &c = GetParam();
    WorkedWindow w(Option::N8, c.load, c.absorb);
    w.window.Type(TextBox::F1_text, c.f1);
    w.window.Type(TextBox::F2_text, c.f2);
    w.window.Type(TextBox::Zhigh_text, c.zhigh);
    w.window.Type(TextBox::Zlow_text, c.zlow);
    w.window.PrintLine({Text("from an earlier run")});
    const DesignResult r = w.Run();
    EXPECT_EQ(r.status, DesignStatus::OutOfRange);
    EXPECT_EQ(w.window.ReadText(TextBox::Error_text), kOutOfRange);
    EXPECT_TRUE(w.window.pane().empty());
    EXPECT_EQ(w.sink.finished, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, FailedDesignTest,
    testing::Values(FailCase{"EqualPorts", "1", "2", "50", "50", Option::SRL, nullptr},
                    FailCase{"HighBelowLow", "1", "2", "10", "50", Option::SRL, nullptr},
                    FailCase{"EmptyZlow", "1", "2", "50", "", Option::SRL, nullptr},
                    FailCase{"ZeroZlow", "1", "2", "50", "0", Option::PRL, nullptr},
                    FailCase{"ZeroZhigh", "1", "2", "0", "10", Option::SRL, nullptr},
                    FailCase{"EmptyEverything", "", "", "", "", Option::SRL, nullptr},
                    FailCase{"EqualEdges", "2", "2", "50", "10", Option::SRL, nullptr},
                    FailCase{"EdgesOfOppositeSign", "-1", "2", "50", "10", Option::SRL, nullptr},
                    FailCase{"BandFromZero", "0", "2", "50", "10", Option::SRL, nullptr},
                    FailCase{"EdgeTooLarge", "1e400", "2", "50", "10", Option::SRL, nullptr},
                    FailCase{"ZhighTooLarge", "1", "2", "1e400", "10", Option::SRL, nullptr},
                    FailCase{"ZlowTooLarge", "1", "2", "50", "1e400", Option::SRL, nullptr},
                    FailCase{"AbsorbedTooLarge", "1", "2", "50", "10", Option::SRC, "1e400"},
                    FailCase{"ZeroLoadInSeriesRl", "1", "2", "50", "0", Option::SRL, "1"},
                    FailCase{"ZeroTrialValue", "1", "2", "1e-320", "1e-321", Option::PRC, "0.002"},
                    FailCase{"NegativePorts", "1", "2", "-50", "-10", Option::PRC, "1"}),
    [](const testing::TestParamInfo<FailCase> &info) { return info.param.name; });

} // namespace
} // namespace tevmar
