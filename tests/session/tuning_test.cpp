// What the Response window gets from a tune run off its GUI thread: the tuned
// curves at its sweep, the relaxed network where no design exists, and a
// tune dropped by its stop flag.

#include "session/tuning.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tevmar::session {
namespace {

DesignInputs SeriesInputs(const char *f1, const char *f2, const char *zlow, LoadType load,
                          const char *value)
{
    DesignInputs inputs;
    inputs.f1Text = f1;
    inputs.f2Text = f2;
    inputs.zhighText = "50";
    inputs.zlowText = zlow;
    inputs.networkOrder = 8;
    inputs.loadType = load;
    inputs.absorb = true;
    inputs.absorbText = value;
    return inputs;
}

// The largest |S11| of a curve's points inside the band.
double InBandMax(const ResponseCurve &curve, double lowHz, double highHz)
{
    double worst = 0;
    for (const analysis::SweepPoint &p : curve.points)
        if (p.frequencyHz >= lowHz && p.frequencyHz <= highHz)
            worst = std::max(worst, std::abs(p.s.s11));
    return worst;
}

TEST(TuneForWindow, TunedAndStandardCurvesAtTheWindowsSweep)
{
    // 2 to 3 GHz, 50 to 8 ohms, series RC absorbing 10 pF: |S11| 0.042 by design.
    const CalculateOutcome design =
        Calculate(SeriesInputs("2", "3", "8", LoadType::SeriesRC, "10"));
    ResponseSettings settings;
    settings.eseries = analysis::ESeries::E24;
    settings.sweepFollowsBand = false;
    settings.fromGhz = 2;
    settings.toGhz = 3;
    settings.points = 2001;
    settings.logarithmic = false;
    const TunedResponse r = TuneForWindow(design, settings);
    ASSERT_EQ(r.problem, "");
    ASSERT_EQ(r.curves.size(), 2u);
    EXPECT_EQ(r.curves[0].name, "Tuned");
    EXPECT_EQ(r.curves[1].name, "Tuned, E24 values");
    EXPECT_EQ(r.curves[0].points.size(), 2001u);
    // The curves are of the networks with the load, as the figures say.
    EXPECT_LE(InBandMax(r.curves[0], 2e9, 3e9), r.tuned->tuned.gammaMax * 1.0001);
    EXPECT_GE(InBandMax(r.curves[0], 2e9, 3e9), r.tuned->tuned.gammaMax * 0.99);
    EXPECT_LE(r.tuned->tuned.gammaMax, 0.008);
    EXPECT_LE(InBandMax(r.curves[1], 2e9, 3e9), r.tuned->standard->gammaMax * 1.0001);
    EXPECT_FALSE(r.lines.empty());
}

TEST(TuneForWindow, RelaxedNetworkWhereNoDesignAbsorbsTheLoad)
{
    // 1 to 1.3 GHz, 50 to 12 ohms, series RL with 2.5 nH: out of range.
    const CalculateOutcome design =
        Calculate(SeriesInputs("1", "1.3", "12", LoadType::SeriesRL, "2.5"));
    ASSERT_FALSE(design.solved());
    const TunedResponse r = TuneForWindow(design, ResponseSettings{});
    ASSERT_EQ(r.problem, "");
    ASSERT_TRUE(r.tuned && r.tuned->relaxed);
    EXPECT_EQ(r.tuned->tuned.network.load->element.value, 2.5);
    EXPECT_LE(r.tuned->tuned.gammaMax, 0.040);
    EXPECT_EQ(r.curves.size(), 1u);
}

TEST(TuneForWindow, ARaisedStopFlagDropsTheTune)
{
    const CalculateOutcome design =
        Calculate(SeriesInputs("2", "3", "8", LoadType::SeriesRC, "10"));
    const std::atomic<bool> stop{true};
    const TunedResponse r = TuneForWindow(design, ResponseSettings{}, &stop);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.tuned);
    EXPECT_TRUE(r.curves.empty());
}

} // namespace
} // namespace tevmar::session
