// The Smith chart's circles as an engineer reads them: every point of the
// band's Q contour has the reactance-to-resistance ratio the band allows, the
// admittance grid's lines are lines of constant conductance and susceptance
// (the impedance grid turned half a turn), and a transistor's circles across
// its band hold the gain and noise figure they are labelled with, re-derived
// here from the scattering and noise parameters by the textbook formulas.

#include "session/views/smith.h"
#include "session/views/smith_circles.h"
#include "tests/common/gaas_fet.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::session {
namespace {

using Z = std::complex<double>;

TEST(SmithCircles, TheBandsQIsItsCentreOverItsWidth)
{
    EXPECT_DOUBLE_EQ(*BandQ(0.9e9, 1.1e9, 1e9), 5.0);
    EXPECT_NEAR(*BandQ(2.4e9, 2.5e9, std::sqrt(2.4e9 * 2.5e9)), 24.4949, 1e-4);
    EXPECT_FALSE(BandQ(1e9, 1e9, 1e9)); // a spot frequency allows any Q
    EXPECT_FALSE(BandQ(1.1e9, 0.9e9, 1e9));
    EXPECT_FALSE(BandQ(0.9e9, 1.1e9, 0));
}

TEST(SmithCircles, EveryPointOfAQContourHasThatRatioOfReactanceToResistance)
{
    for (const double q : {0.5, 1.0, 3.7, 25.0}) {
        const QContour c = ConstantQContour(q, 120);
        ASSERT_EQ(c.inductive.size(), 121u);
        ASSERT_EQ(c.capacitive.size(), 121u);
        // From the short to the open, on either side of the real axis.
        EXPECT_EQ(c.inductive.front(), Z(-1, 0));
        EXPECT_EQ(c.inductive.back(), Z(1, 0));
        EXPECT_EQ(c.capacitive.front(), Z(-1, 0));
        EXPECT_EQ(c.capacitive.back(), Z(1, 0));
        for (std::size_t i = 1; i + 1 < c.inductive.size(); ++i) {
            // Referred to any resistance the ratio is the same: take 37 ohms.
            const Z zl = 37.0 * (1.0 + c.inductive[i]) / (1.0 - c.inductive[i]);
            const Z zc = 37.0 * (1.0 + c.capacitive[i]) / (1.0 - c.capacitive[i]);
            EXPECT_NEAR(zl.imag() / zl.real(), q, 1e-9 * q) << i;
            EXPECT_NEAR(zc.imag() / zc.real(), -q, 1e-9 * q) << i;
            EXPECT_LE(std::abs(c.inductive[i]), 1 + 1e-12);
            // The textbook circle: centre (0, -1/q), radius sqrt(1 + 1/q^2).
            EXPECT_NEAR(std::abs(c.inductive[i] - Z(0, -1 / q)), std::sqrt(1 + 1 / (q * q)), 1e-9);
        }
        // The samples follow the arc without a gap a reader could see.
        for (std::size_t i = 1; i < c.inductive.size(); ++i)
            EXPECT_LT(std::abs(c.inductive[i] - c.inductive[i - 1]), 0.06) << q << " " << i;
    }
}

TEST(SmithCircles, TheAdmittanceGridIsTheImpedanceGridTurnedHalfATurn)
{
    const std::vector<GridLine> z = SmithGridLines(false, 200);
    const std::vector<GridLine> y = SmithGridLines(true, 200);
    ASSERT_EQ(z.size(), 15u); // five circles, five arcs of each sign
    ASSERT_EQ(y.size(), z.size());
    for (std::size_t l = 0; l < z.size(); ++l) {
        ASSERT_EQ(y[l].gamma.size(), z[l].gamma.size());
        EXPECT_EQ(y[l].value, z[l].value);
        for (std::size_t i = 0; i < z[l].gamma.size(); ++i)
            EXPECT_EQ(y[l].gamma[i], -z[l].gamma[i]);
        // Each admittance line read back at 50 ohms: G or B times 50 is its value.
        for (std::size_t i = 0; i < y[l].gamma.size(); i += 7) {
            const Z gamma = y[l].gamma[i];
            const Z admittance = (1.0 - gamma) / (1.0 + gamma) / 50.0; // siemens
            if (y[l].kind == GridLine::Kind::Conductance) {
                EXPECT_NEAR(admittance.real() * 50, y[l].value, 1e-6 * (1 + y[l].value));
            } else {
                ASSERT_EQ(y[l].kind, GridLine::Kind::Susceptance);
                EXPECT_NEAR(admittance.imag() * 50, y[l].value, 1e-6 * (1 + std::abs(y[l].value)));
                // A capacitive susceptance lies where capacitive impedances do.
                if (std::abs(gamma.imag()) > 1e-9) {
                    EXPECT_EQ(y[l].value > 0, gamma.imag() < 0);
                }
            }
        }
    }
    // A conductance of 2 (25 ohms shunt) crosses the axis where a resistance of 0.5 does.
    EXPECT_NEAR(std::abs(GridAxisCrossing(2, true) - GridAxisCrossing(0.5, false)), 0, 1e-15);
    EXPECT_NEAR(GridAxisCrossing(2, true).real(), -1.0 / 3, 1e-15);
}

// The GaAs FET's planes from 3.9 to 5 GHz (unconditionally stable there).
class DeviceFamilyTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const std::string path = (dir_ / "fet.s2p").string();
        test_files::WriteBytes(path, test::kGaasFet);
        DeviceInput input;
        input.filePath = path;
        DeviceRun run = RunDevice(input, "3.9", "5");
        ASSERT_TRUE(run.outcome) << run.problem;
        device_ = std::move(*run.outcome);
    }
    test_files::TempDir dir_;
    DeviceOutcome device_;
};

// The available gain with the source reflecting gs, and the noise figure.
double AvailableGainDb(const analysis::TwoPortMatrix &s, Z gs)
{
    const Z out = s.s22 + s.s12 * s.s21 * gs / (1.0 - s.s11 * gs);
    const double ga = std::norm(s.s21) * (1 - std::norm(gs)) /
                      (std::norm(1.0 - s.s11 * gs) * (1 - std::norm(out)));
    return 10 * std::log10(ga);
}

double NoiseFigureDb(const analysis::DeviceNoise &n, Z gs, double z0)
{
    const double fmin = std::pow(10, n.nfMinDb / 10);
    const double f = fmin + 4 * n.rnOhms / z0 * std::norm(gs - n.gammaOpt) /
                                ((1 - std::norm(gs)) * std::norm(1.0 + n.gammaOpt));
    return 10 * std::log10(f);
}

TEST_F(DeviceFamilyTest, CirclesAcrossTheBandHoldTheirLevelAtEveryFrequency)
{
    const analysis::DeviceLevels levels = FamilyLevels(device_);
    // MAG falls from 3.9 to 5 GHz; the least is at 5 GHz, the circle a whole dB below.
    ASSERT_EQ(levels.gainDb.size(), 1u);
    ASSERT_EQ(levels.noiseDb.size(), 1u);
    const double leastMag = *device_.points.back().magDb;
    EXPECT_EQ(levels.gainDb[0], std::floor(leastMag) - 1);
    EXPECT_NEAR(levels.noiseDb[0], 2.3, 1e-12); // NFmin 1.8 dB at 5 GHz, half a dB above

    const std::vector<analysis::DevicePoint> family = DeviceFamily(device_, 5, levels);
    ASSERT_EQ(family.size(), 5u);
    EXPECT_EQ(family.front().frequencyHz, 3.9e9);
    EXPECT_EQ(family.back().frequencyHz, 5e9);
    EXPECT_NEAR(family[2].frequencyHz, 4.45e9, 1);
    for (const analysis::DevicePoint &p : family) {
        // Data magnitude and angle interpolated between the file's points:
        // S21 at 4.45 GHz lies between 4.1 and 4.5 GHz's 2.55 and 2.35.
        const analysis::TwoPortMatrix s = analysis::DeviceScatteringAt(device_.data, p.frequencyHz);
        ASSERT_EQ(p.availableGain.size(), 1u);
        ASSERT_TRUE(p.availableGain[0].circle);
        ASSERT_EQ(p.noiseFigure.size(), 1u);
        ASSERT_TRUE(p.noiseFigure[0].circle);
        ASSERT_TRUE(p.noise);
        for (int k = 0; k < 12; ++k) {
            const Z unit = std::polar(1.0, k * std::numbers::pi / 6);
            const analysis::Circle &g = *p.availableGain[0].circle;
            EXPECT_NEAR(AvailableGainDb(s, g.center + g.radius * unit), levels.gainDb[0], 1e-6)
                << p.frequencyHz;
            const analysis::Circle &n = *p.noiseFigure[0].circle;
            EXPECT_NEAR(NoiseFigureDb(*p.noise, n.center + n.radius * unit, 50), levels.noiseDb[0],
                        1e-6)
                << p.frequencyHz;
        }
    }
    EXPECT_GT(std::abs(family[2].s.s21), 2.35);
    EXPECT_LT(std::abs(family[2].s.s21), 2.55);
    // At a data frequency the family's figures are the file's own.
    EXPECT_EQ(family.front().s.s21, device_.points.front().s.s21);
}

TEST_F(DeviceFamilyTest, TheSlidersFrequencyIsInterpolatedAndHeldToTheBand)
{
    const analysis::DeviceLevels none;
    const analysis::DevicePoint at = DeviceFiguresBetween(device_, 4.05e9, none);
    EXPECT_EQ(at.frequencyHz, 4.05e9);
    // Halfway between 4.0 and 4.1 GHz: |S21| halfway between 2.60 and 2.55.
    EXPECT_NEAR(std::abs(at.s.s21), 2.575, 1e-12);
    ASSERT_TRUE(at.noise);
    EXPECT_NEAR(at.noise->nfMinDb, 1.61, 1e-12);
    // Beyond the band: its end.
    EXPECT_EQ(DeviceFiguresBetween(device_, 9e9, none).frequencyHz, 5e9);
    EXPECT_EQ(DeviceFiguresBetween(device_, 1e9, none).frequencyHz, 3.9e9);
    // A family of one is the band's lowest frequency.
    EXPECT_EQ(DeviceFamily(device_, 1, none).front().frequencyHz, 3.9e9);
    EXPECT_TRUE(DeviceFamily(device_, 0, none).empty());
}

// The plot's figures between the data frequencies: Rollett's K re-derived
// from the interpolated scattering parameters, and only the file's
// frequencies flagged for marking.
TEST_F(DeviceFamilyTest, ThePlotsFiguresFillTheGapsBetweenDataFrequencies)
{
    const DeviceSweep sweep = DeviceFiguresDense(device_);
    ASSERT_EQ(sweep.points.size(), sweep.measured.size());
    // 3.9, 4.0, 4.1, 4.5 and 5 GHz, and between them points 2.75 MHz apart
    // at most (a 400th of 1.1 GHz).
    EXPECT_EQ(std::ranges::count(sweep.measured, true), 5);
    EXPECT_GT(sweep.points.size(), 400u);
    for (std::size_t i = 1; i < sweep.points.size(); ++i)
        EXPECT_LE(sweep.points[i].frequencyHz - sweep.points[i - 1].frequencyHz, 2.75e6 + 1);
    for (std::size_t i = 0; i < sweep.points.size(); i += 37) {
        const analysis::DevicePoint &p = sweep.points[i];
        const analysis::TwoPortMatrix &s = p.s;
        EXPECT_EQ(s.s21, analysis::DeviceScatteringAt(device_.data, p.frequencyHz).s21);
        const double delta = std::abs(s.s11 * s.s22 - s.s12 * s.s21);
        const double k = (1 - std::norm(s.s11) - std::norm(s.s22) + delta * delta) /
                         (2 * std::abs(s.s12 * s.s21));
        ASSERT_TRUE(p.k);
        EXPECT_NEAR(*p.k, k, 1e-12) << p.frequencyHz;
    }
}

} // namespace
} // namespace tevmar::session
