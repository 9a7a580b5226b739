#include "ui/plot_widget.h"

#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace tevmar::test {
namespace {

TEST(AxisTicks, StepsOfOneTwoFiveWithinTheRange)
{
    struct Row
    {
        const char *name;
        double low, high;
        bool logarithmic;
        int wanted;
        std::vector<double> ticks;
    };
    const Row rows[] = {
        {"return loss 0 to 100 dB", 0, 100, false, 5, {0, 20, 40, 60, 80, 100}},
        {"VSWR 1 to 1.05", 1, 1.05, false, 5, {1, 1.01, 1.02, 1.03, 1.04, 1.05}},
        {"VSWR 1 to 1.2", 1, 1.2, false, 5, {1, 1.05, 1.1, 1.15, 1.2}},
        {"linear GHz, ends between ticks", 0.55, 3.9, false, 6, {1, 2, 3}},
        {"log, under a decade", 0.5, 4, true, 6, {0.5, 0.6, 0.8, 1, 1.5, 2, 3, 4}},
        {"log, three decades", 0.1, 100, true, 6, {0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100}},
        {"log, many decades", 1e-3, 1e3, true, 6, {1e-3, 1e-2, 1e-1, 1, 10, 100, 1000}},
        {"log, a narrow band", 5.5, 6.5, true, 6, {5.6, 5.8, 6.0, 6.2, 6.4}},
        {"empty range", 2, 2, false, 6, {}},
        {"reversed range", 3, 2, true, 6, {}},
        {"not a number", std::nan(""), 2, false, 6, {}},
    };
    for (const Row &row : rows) {
        const std::vector<double> ticks = AxisTicks(row.low, row.high, row.logarithmic, row.wanted);
        ASSERT_EQ(ticks.size(), row.ticks.size()) << row.name;
        for (std::size_t i = 0; i < ticks.size(); ++i)
            EXPECT_NEAR(ticks[i], row.ticks[i], 1e-9 * std::abs(row.ticks[i]) + 1e-12)
                << row.name << " tick " << i;
    }
}

TEST(AxisTicks, LabelsAreShortAndUseThePoint)
{
    EXPECT_EQ(TickLabel(0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(TickLabel(1.05), QStringLiteral("1.05"));
    EXPECT_EQ(TickLabel(100), QStringLiteral("100"));
    EXPECT_EQ(TickLabel(-0.0), QStringLiteral("0"));
}

PlotData ThreePoints()
{
    PlotData data;
    data.frequencyGhz = {1, 1.5, 2};
    data.logarithmic = false;
    data.bandLowGhz = 1.2;
    data.bandHighGhz = 1.8;
    data.series.push_back({QStringLiteral("Full precision"),
                           Qt::blue,
                           Qt::SolidLine,
                           {10, 40, 10},
                           {1.9249, 1.0202, 1.9249},
                           {},
                           {}});
    return data;
}

TEST(ResponsePlot, ScalesFollowWhatIsDrawnInTheBand)
{
    ResponsePlot plot;
    PlotData data = ThreePoints();
    data.rippleGamma = 0.01; // 40 dB
    plot.SetData(data);
    EXPECT_EQ(plot.returnLossTopDb(), 45); // a little beyond the deepest in-band 40 dB
    // Only the in-band VSWR (1.0202) sets the scale; the skirts may run off it.
    EXPECT_EQ(plot.vswrTop(), 1.1);

    data.series[0].returnLossDb = {80, 52, 80}; // deep skirts do not count
    plot.SetData(data);
    EXPECT_EQ(plot.returnLossTopDb(), 55);
    data.series[0].returnLossDb[1] = 95; // a reflection zero: the scale stops at 60 dB
    data.limitGamma = 1e-5;              // and so does the 100 dB Bode-Fano line
    plot.SetData(data);
    EXPECT_EQ(plot.returnLossTopDb(), 60);
    plot.SetReturnLossCeiling(120); // unless a deeper scale is asked for
    EXPECT_EQ(plot.returnLossTopDb(), 105);
    plot.SetReturnLossCeiling(60);
    data.series[0].returnLossDb = {3, 12, 3}; // a poor match keeps a 20 dB scale
    data.rippleGamma.reset();
    data.limitGamma.reset();
    plot.SetData(data);
    EXPECT_EQ(plot.returnLossTopDb(), 20);

    data.series[0].vswr[1] = 1.5; // a poor in-band match widens the scale
    plot.SetData(data);
    EXPECT_EQ(plot.vswrTop(), 3.0);
}

TEST(ResponsePlot, HoverShowsTheNearestFrequencyAndEachCurve)
{
    ResponsePlot plot;
    plot.resize(600, 400);
    PlotData data = ThreePoints();
    data.series.push_back({QStringLiteral("As printed"),
                           Qt::red,
                           Qt::DashLine,
                           {11, 38.5, 9},
                           {1.785, 1.024, 2.0965},
                           {},
                           {}});
    plot.SetData(data);
    plot.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plot));
    EXPECT_EQ(plot.hoverText(), QString());

    QTest::mouseMove(&plot, QPoint(plot.width() / 2 + 20, plot.height() / 2));
    EXPECT_EQ(plot.hoverText(), QStringLiteral("1.5 GHz\n"
                                               "Full precision: RL 40 dB, VSWR 1.0202\n"
                                               "As printed: RL 38.5 dB, VSWR 1.024"));
    QTest::mouseMove(&plot, QPoint(plot.width() - 30, plot.height() / 2));
    EXPECT_TRUE(plot.hoverText().startsWith(QStringLiteral("2 GHz\n")));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&plot, &leave);
    EXPECT_EQ(plot.hoverText(), QString());
    plot.SetData(PlotData{}); // nothing to show: no hover either
    QTest::mouseMove(&plot, QPoint(plot.width() / 2, plot.height() / 2));
    EXPECT_EQ(plot.hoverText(), QString());
}

} // namespace
} // namespace tevmar::test
