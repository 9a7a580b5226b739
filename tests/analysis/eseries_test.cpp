// Standard value series and snapping to them.

#include "analysis/model/eseries.h"
#include "analysis/figures/network_analysis.h"
#include "analysis_fixture.h"
#include "report/number_format.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace tevmar::analysis {
namespace {

std::vector<double> Values(ESeries s)
{
    const auto v = SeriesValues(s);
    return {v.begin(), v.end()};
}

TEST(SeriesValues, HoldTheStandardValues)
{
    EXPECT_EQ(Values(ESeries::E12),
              (std::vector<double>{1.0, 1.2, 1.5, 1.8, 2.2, 2.7, 3.3, 3.9, 4.7, 5.6, 6.8, 8.2}));
    // E24 keeps its historic values that do not follow the rounded geometric rule.
    EXPECT_EQ(Values(ESeries::E24),
              (std::vector<double>{1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0, 2.2, 2.4, 2.7, 3.0,
                                   3.3, 3.6, 3.9, 4.3, 4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1}));
    const std::vector<double> e48 = Values(ESeries::E48);
    const std::vector<double> e96 = Values(ESeries::E96);
    ASSERT_EQ(e48.size(), 48u);
    ASSERT_EQ(e96.size(), 96u);
    // E48 is every other E96 value, and E96 is 10^(i/96) to three figures.
    for (std::size_t i = 0; i < 96; ++i) {
        if (i % 2 == 0) {
            EXPECT_EQ(e48[i / 2], e96[i]) << i;
        }
        const double ideal = std::round(100 * std::pow(10.0, i / 96.0)) / 100;
        EXPECT_NEAR(e96[i], ideal, 1e-9) << i;
    }
    // E12 is every other E24 value.
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_EQ(Values(ESeries::E12)[i], Values(ESeries::E24)[2 * i]) << i;
}

TEST(SnapToSeries, PicksTheNearestValueInLogDistance)
{
    const struct
    {
        const char *name;
        double value;
        ESeries series;
        double expected;
    } rows[] = {
        {"standard value stays", 4.7, ESeries::E12, 4.7},
        {"power of ten stays", 1000.0, ESeries::E12, 1000.0},
        {"small decade", 0.00483, ESeries::E24, 0.0047},
        {"small decade, upper neighbour", 0.00493, ESeries::E24, 0.0051},
        {"large decade", 5034.4, ESeries::E24, 5100.0},
        {"tenths of a pF", 0.218, ESeries::E12, 0.22},
        // 1.1 is halfway between 1.0 and 1.2 on a linear scale, but nearer 1.2
        // in ratio (1.2 / 1.1 < 1.1 / 1.0).
        {"arithmetic midpoint goes up", 1.1, ESeries::E12, 1.2},
        {"just below the geometric mean", std::sqrt(1.0 * 1.2) * (1 - 1e-12), ESeries::E12, 1.0},
        {"just above the geometric mean", std::sqrt(1.0 * 1.2) * (1 + 1e-12), ESeries::E12, 1.2},
        {"above the top value rolls into the next decade", 9.6, ESeries::E12, 10.0},
        {"below the first value", 0.95, ESeries::E12, 1.0},
        {"E96 fine step", 2.218, ESeries::E96, 2.21},
        {"E48 fine step", 2.218, ESeries::E48, 2.26},
    };
    for (const auto &row : rows)
        EXPECT_DOUBLE_EQ(SnapToSeries(row.value, row.series), row.expected) << row.name;
}

// A snapped value is written as the series writes it: 0.68, never
// 0.6799999999999999, in every decade a part takes.
TEST(SnapToSeries, GivesValuesThatPrintAsTheSeriesWritesThem)
{
    for (const ESeries series : {ESeries::E12, ESeries::E24, ESeries::E96})
        for (const double mantissa : SeriesValues(series))
            for (int exponent = -2; exponent <= 4; ++exponent) {
                const double value = SnapToSeries(mantissa * std::pow(10.0, exponent), series);
                EXPECT_EQ(ShortestNumber(value),
                          ShortestNumber(std::stod(SignificantNumber(value, 3))))
                    << mantissa << "e" << exponent;
            }
    EXPECT_EQ(ShortestNumber(SnapToSeries(0.6799, ESeries::E24)), "0.68");
    EXPECT_EQ(ShortestNumber(SnapToSeries(110.2, ESeries::E24)), "110");
}

TEST(SnapToSeries, LeavesValuesThatAreNotPositiveAlone)
{
    EXPECT_EQ(SnapToSeries(0.0, ESeries::E12), 0.0);
    EXPECT_EQ(SnapToSeries(-4.7, ESeries::E12), -4.7);
    EXPECT_TRUE(std::isnan(SnapToSeries(std::nan(""), ESeries::E12)));
}

TEST(ParseSeries, TakesTheFourNamesInEitherCase)
{
    EXPECT_EQ(ParseSeries("E12"), ESeries::E12);
    EXPECT_EQ(ParseSeries("e24"), ESeries::E24);
    EXPECT_EQ(ParseSeries("E48"), ESeries::E48);
    EXPECT_EQ(ParseSeries("E96"), ESeries::E96);
    for (const char *bad : {"", "E6", "E192", "E2", "12", "E12 ", "X12"})
        EXPECT_EQ(ParseSeries(bad), std::nullopt) << bad;
    EXPECT_EQ(SeriesName(ESeries::E96), "E96");
}

TEST(StandardValues, SnappedNetworkUsesSeriesValuesAndReportsItsMatch)
{
    const Design d = RunDesign(kDesigns[0]);
    AnalysisOptions options;
    options.eseries = ESeries::E12;
    const NetworkAnalysis a = AnalyseDesign(DesignedNetworkOf(d.result), options);
    ASSERT_TRUE(a.standardValues);
    // LP 5.034 nH -> 4.7, CS 5.158 pF -> 5.6, CP 4.91 pF -> 4.7, LS 1.258 nH -> 1.2.
    const double expected[] = {4.7, 5.6, 4.7, 1.2};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_DOUBLE_EQ(a.standardValues->ladder.parts[i].value, expected[i]) << i;
    // Snapping costs match but the figures stay those of a real network.
    EXPECT_GT(a.standardValues->figures.gammaMax, d.result.GammaMax);
    EXPECT_LT(a.standardValues->figures.gammaMax, 1.0);
    EXPECT_DOUBLE_EQ(a.standardValues->figures.vswrMax, VswrOf(a.standardValues->figures.gammaMax));
}

} // namespace
} // namespace tevmar::analysis
