// A transistor's figures against published textbook examples, and every
// circle in a second form: the gains, noise figure and reflections computed
// from their defining formulas at points sampled on the circle.

#include "analysis/amplifier/device_figures.h"

#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

Complex Polar(double magnitude, double degrees)
{
    return std::polar(magnitude, degrees * std::numbers::pi / 180);
}

double Degrees(Complex value)
{
    return std::arg(value) * 180 / std::numbers::pi;
}

TwoPortMatrix Matrix(Complex s11, Complex s21, Complex s12, Complex s22)
{
    return {s11, s12, s21, s22};
}

// A GaAs HFET at 2 GHz, potentially unstable: K 0.607, |Delta| 0.696, load
// circle 1.361 at 47 deg radius 0.50, source circle 1.132 at 68 deg radius
// 0.199, both with the chart's centre on the stable side.
const TwoPortMatrix kHfet =
    Matrix(Polar(0.894, -60.6), Polar(3.122, 123.6), Polar(0.020, 62.4), Polar(0.781, -27.6));
// A GaAs FET at 4 GHz, unconditionally stable: conjugate match Gamma S
// 0.872 at 123 deg, Gamma L 0.876 at 61 deg, transducer gain 16.7 dB.
const TwoPortMatrix kFet =
    Matrix(Polar(0.72, -116), Polar(2.60, 76), Polar(0.03, 57), Polar(0.73, -54));
// A low-noise GaAs FET at 4 GHz: NFmin 1.6 dB, Gamma opt 0.62 at 100 deg, Rn
// 20 ohms; its 2 dB circle has centre 0.56 at 100 deg and radius 0.24.
const TwoPortMatrix kLowNoiseFet =
    Matrix(Polar(0.6, -60), Polar(1.9, 81), Polar(0.05, 26), Polar(0.5, -60));
const DeviceNoise kLowNoise{1.6, Polar(0.62, 100), 20};

// The defining formulas, written out afresh.
Complex GammaIn(const TwoPortMatrix &s, Complex gl)
{
    return s.s11 + s.s12 * s.s21 * gl / (1.0 - s.s22 * gl);
}
Complex GammaOut(const TwoPortMatrix &s, Complex gs)
{
    return s.s22 + s.s12 * s.s21 * gs / (1.0 - s.s11 * gs);
}
double Db(double ratio)
{
    return 10 * std::log10(ratio);
}
double AvailableGainDb(const TwoPortMatrix &s, Complex gs)
{
    return Db(std::norm(s.s21) * (1 - std::norm(gs)) /
              (std::norm(1.0 - s.s11 * gs) * (1 - std::norm(GammaOut(s, gs)))));
}
double OperatingGainDb(const TwoPortMatrix &s, Complex gl)
{
    return Db(std::norm(s.s21) * (1 - std::norm(gl)) /
              (std::norm(1.0 - s.s22 * gl) * (1 - std::norm(GammaIn(s, gl)))));
}
double TransducerGainDb(const TwoPortMatrix &s, Complex gs, Complex gl)
{
    return Db(std::norm(s.s21) * (1 - std::norm(gs)) * (1 - std::norm(gl)) /
              std::norm((1.0 - s.s11 * gs) * (1.0 - s.s22 * gl) - s.s12 * s.s21 * gs * gl));
}
double NoiseFigureDb(const DeviceNoise &n, Complex gs, double z0)
{
    const double fMin = std::pow(10.0, n.nfMinDb / 10);
    return Db(fMin + 4 * n.rnOhms / z0 * std::norm(gs - n.gammaOpt) /
                         ((1 - std::norm(gs)) * std::norm(1.0 + n.gammaOpt)));
}

// Points around a circle, those inside the chart only where `inChart`.
std::vector<Complex> OnCircle(const Circle &c, bool inChart)
{
    std::vector<Complex> points;
    for (int i = 0; i < 24; ++i) {
        const Complex p = c.center + std::polar(c.radius, 2 * std::numbers::pi * i / 24);
        if (!inChart || std::abs(p) < 0.999)
            points.push_back(p);
    }
    return points;
}

TEST(DeviceFigures, PotentiallyUnstableHfetMatchesTheTextbook)
{
    const DevicePoint p = DeviceFiguresAt(2e9, kHfet, std::nullopt, 50, {});
    ASSERT_TRUE(p.k);
    EXPECT_NEAR(*p.k, 0.607, 0.0005);
    EXPECT_NEAR(p.delta, 0.696, 0.0005);
    EXPECT_LT(*p.mu, 1);
    EXPECT_LT(*p.muPrime, 1);
    EXPECT_NEAR(*p.msgDb, Db(3.122 / 0.020), 1e-9);
    // No maximum available gain and no simultaneous match where it may oscillate.
    EXPECT_FALSE(p.magDb);
    EXPECT_FALSE(p.gammaS);
    EXPECT_FALSE(p.gammaL);
    ASSERT_TRUE(p.loadStability && p.sourceStability);
    EXPECT_NEAR(std::abs(p.loadStability->circle.center), 1.361, 0.002);
    EXPECT_NEAR(Degrees(p.loadStability->circle.center), 47, 0.5);
    EXPECT_NEAR(p.loadStability->circle.radius, 0.50, 0.001);
    EXPECT_NEAR(std::abs(p.sourceStability->circle.center), 1.132, 0.001);
    EXPECT_NEAR(Degrees(p.sourceStability->circle.center), 68, 0.5);
    EXPECT_NEAR(p.sourceStability->circle.radius, 0.199, 0.001);
    // |S11| and |S22| below 1 and the chart's centre outside both circles:
    // outside is stable.
    EXPECT_FALSE(p.loadStability->stableInside);
    EXPECT_FALSE(p.sourceStability->stableInside);
}

TEST(DeviceFigures, UnconditionallyStableFetMatchesTheTextbook)
{
    const DevicePoint p = DeviceFiguresAt(4e9, kFet, std::nullopt, 50, {{16.71, 20}, {}});
    EXPECT_NEAR(*p.k, 1.195, 0.0005);
    EXPECT_NEAR(p.delta, 0.488, 0.0005);
    EXPECT_GT(*p.mu, 1);
    EXPECT_GT(*p.muPrime, 1);
    ASSERT_TRUE(p.gammaS && p.gammaL && p.magDb);
    EXPECT_NEAR(std::abs(*p.gammaS), 0.872, 0.0005);
    EXPECT_NEAR(Degrees(*p.gammaS), 123.4, 0.05);
    EXPECT_NEAR(std::abs(*p.gammaL), 0.876, 0.0005);
    EXPECT_NEAR(Degrees(*p.gammaL), 61.0, 0.05);
    EXPECT_NEAR(*p.magDb, 16.7, 0.05);
    // At the simultaneous match both ports are conjugately matched and the
    // transducer gain is MAG.
    EXPECT_LT(std::abs(GammaIn(kFet, *p.gammaL) - std::conj(*p.gammaS)), 1e-12);
    EXPECT_LT(std::abs(GammaOut(kFet, *p.gammaS) - std::conj(*p.gammaL)), 1e-12);
    EXPECT_NEAR(TransducerGainDb(kFet, *p.gammaS, *p.gammaL), *p.magDb, 1e-9);
    // The circle at (about) MAG shrinks to the match; above MAG there is none.
    ASSERT_TRUE(p.availableGain[0].circle);
    EXPECT_LT(std::abs(p.availableGain[0].circle->center - *p.gammaS), 0.01);
    EXPECT_LT(p.availableGain[0].circle->radius, 0.01);
    EXPECT_LT(std::abs(p.operatingGain[0].circle->center - *p.gammaL), 0.01);
    EXPECT_FALSE(p.availableGain[1].circle);
    EXPECT_FALSE(p.operatingGain[1].circle);
    // Unconditionally stable: the whole chart on the stable side.
    for (const auto &s : {*p.sourceStability, *p.loadStability}) {
        EXPECT_FALSE(s.stableInside);
        EXPECT_GT(std::abs(s.circle.center) - s.circle.radius, 1);
    }
}

TEST(DeviceFigures, LowNoiseFetNoiseCircleMatchesTheTextbook)
{
    const DevicePoint p = DeviceFiguresAt(4e9, kLowNoiseFet, kLowNoise, 50, {{}, {2, 1.5}});
    ASSERT_TRUE(p.noiseFigure[0].circle);
    EXPECT_NEAR(std::abs(p.noiseFigure[0].circle->center), 0.56, 0.005);
    EXPECT_NEAR(Degrees(p.noiseFigure[0].circle->center), 100, 1e-6);
    // The textbook carries N rounded (0.0986 against 0.1019 unrounded), which
    // puts its radius 0.005 below the exact 0.2454.
    EXPECT_NEAR(p.noiseFigure[0].circle->radius, 0.24, 0.006);
    EXPECT_NEAR(p.noiseFigure[0].circle->radius, 0.2454, 0.0001);
    EXPECT_FALSE(p.noiseFigure[1].circle); // below NFmin
    // Without noise data the circles are listed without a circle.
    const DevicePoint bare = DeviceFiguresAt(4e9, kLowNoiseFet, std::nullopt, 50, {{}, {2}});
    ASSERT_EQ(bare.noiseFigure.size(), 1u);
    EXPECT_FALSE(bare.noiseFigure[0].circle);
}

// Every circle against its defining formula, on the three devices and a
// device with |S11| above 1 (whose stable side is inside the load circle).
TEST(DeviceFigures, PointsOnEachCircleGiveBackItsLevel)
{
    const TwoPortMatrix negativeInput =
        Matrix(Polar(1.2, -40), Polar(2.0, 100), Polar(0.1, 30), Polar(0.6, -50));
    const TwoPortMatrix devices[] = {kHfet, kFet, kLowNoiseFet, negativeInput};
    const DeviceLevels levels{{6, 10, 14, 15, 16}, {1.8, 2, 2.5, 4}};
    for (const TwoPortMatrix &s : devices) {
        const DevicePoint p = DeviceFiguresAt(4e9, s, kLowNoise, 50, levels);
        for (const Complex c : OnCircle(p.loadStability->circle, false))
            EXPECT_NEAR(std::abs(GammaIn(s, c)), 1, 1e-9);
        for (const Complex c : OnCircle(p.sourceStability->circle, false))
            EXPECT_NEAR(std::abs(GammaOut(s, c)), 1, 1e-9);
        // The side said to be stable is: a point just inside the circle.
        const auto inside = [](const StabilityCircle &sc) {
            return sc.circle.center + Complex(0.5 * sc.circle.radius, 0);
        };
        EXPECT_EQ(std::abs(GammaIn(s, inside(*p.loadStability))) < 1,
                  p.loadStability->stableInside);
        EXPECT_EQ(std::abs(GammaOut(s, inside(*p.sourceStability))) < 1,
                  p.sourceStability->stableInside);
        for (std::size_t i = 0; i < levels.gainDb.size(); ++i) {
            const double db = levels.gainDb[i];
            if (const auto &c = p.availableGain[i].circle) {
                for (const Complex gs : OnCircle(*c, true))
                    EXPECT_NEAR(AvailableGainDb(s, gs), db, 1e-9) << "G_A " << db;
            }
            if (const auto &c = p.operatingGain[i].circle) {
                for (const Complex gl : OnCircle(*c, true))
                    EXPECT_NEAR(OperatingGainDb(s, gl), db, 1e-9) << "G_P " << db;
            }
        }
        for (std::size_t i = 0; i < levels.noiseDb.size(); ++i)
            if (const auto &c = p.noiseFigure[i].circle) {
                for (const Complex gs : OnCircle(*c, true))
                    EXPECT_NEAR(NoiseFigureDb(kLowNoise, gs, 50), levels.noiseDb[i], 1e-9);
            }
    }
    // With |S11| > 1 the chart's centre is unstable and the load circle's
    // stable side is its inside.
    EXPECT_TRUE(
        DeviceFiguresAt(1, negativeInput, std::nullopt, 50, {}).loadStability->stableInside);
}

TEST(DeviceFigures, NoiseBetweenTheFilesNoisePointsAndNowhereElse)
{
    const std::vector<NoisePoint> noise{{2e9, 1.0, Polar(0.5, 90), 10},
                                        {4e9, 2.0, Polar(0.5, -90), 30}};
    EXPECT_FALSE(NoiseAt(noise, 1.9e9));
    EXPECT_FALSE(NoiseAt(noise, 4.1e9));
    const DeviceNoise mid = *NoiseAt(noise, 3e9);
    EXPECT_DOUBLE_EQ(mid.nfMinDb, 1.5);
    EXPECT_LT(std::abs(mid.gammaOpt), 1e-12);
    EXPECT_DOUBLE_EQ(mid.rnOhms, 20);
    EXPECT_DOUBLE_EQ(NoiseAt(noise, 4e9)->rnOhms, 30);
    // Without feedback K has no value, yet mu and the gain circles do.
    const DevicePoint unilateral =
        DeviceFiguresAt(1e9, Matrix(0.5, 2.0, 0.0, 0.5), std::nullopt, 50, {{6}, {}});
    EXPECT_FALSE(unilateral.k);
    EXPECT_FALSE(unilateral.msgDb);
    EXPECT_DOUBLE_EQ(*unilateral.mu, 2); // 1 / |S22| without feedback
    ASSERT_TRUE(unilateral.availableGain[0].circle);
}

} // namespace
} // namespace tevmar::analysis
