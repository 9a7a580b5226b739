// An amplifier's side shown as a network of its own: its figures between the
// source (or the device's output) and the device's input (or the load),
// re-derived here by a cascade of the parts' own impedances and the device's
// S-parameters from the file, and against the amplifier's own return losses.

#include "session/views/amplifier_side.h"
#include "session/views/amplifier_view.h"
#include "tests/common/gaas_fet.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <sstream>

namespace tevmar::session {
namespace {

using C = std::complex<double>;

struct Abcd
{
    C a{1}, b{0}, c{0}, d{1};
};

Abcd Times(const Abcd &x, const Abcd &y)
{
    return {x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c,
            x.c * y.b + x.d * y.d};
}

// Ideal parts, port 1 first: a series part's impedance, a shunt part's
// admittance.
Abcd Cascade(const analysis::Network &network, double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    Abcd m;
    for (const analysis::Part &p : network.parts) {
        const C z = p.inductor() ? C(0, w * p.si()) : C(0, -1 / (w * p.si()));
        m = Times(m, p.shunt() ? Abcd{1, 0, 1.0 / z, 1} : Abcd{1, z, 0, 1});
    }
    return m;
}

C Reflection(C z, double z0)
{
    return (z - z0) / (z + z0);
}

C ZOf(C gamma, double z0)
{
    return z0 * (1.0 + gamma) / (1.0 - gamma);
}

// Looking into port 1 with zl at port 2, and into port 2 with zs at port 1.
C InputZ(const Abcd &m, C zl)
{
    return (m.a * zl + m.b) / (m.c * zl + m.d);
}
C OutputZ(const Abcd &m, C zs)
{
    return (m.d * zs + m.b) / (m.c * zs + m.a);
}

// Power delivered into zl over the power zs makes available.
double TransducerGain(const Abcd &m, C zs, C zl)
{
    return 4 * zs.real() * zl.real() / std::norm(m.a * zl + m.b + zs * (m.c * zl + m.d));
}

class AmplifierSideTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const std::string path = (dir_ / "fet.s2p").string();
        test_files::WriteBytes(path, test::kGaasFet);
        DeviceInput input;
        input.filePath = path;
        DeviceRun device = RunDevice(input, {}, {});
        ASSERT_TRUE(device.outcome) << device.problem;
        device_ = std::move(*device.outcome);
        AmplifierRun run =
            RunAmplifierFromBoxes(device_, {AmplifierGoal::Gain, "3.5", "4.5", "50", "75"});
        ASSERT_TRUE(run.outcome) << run.problem;
        outcome_ = std::move(*run.outcome);
    }

    test_files::TempDir dir_;
    DeviceOutcome device_;
    AmplifierOutcome outcome_;
};

TEST_F(AmplifierSideTest, EachSidesFiguresAreItsNetworkBetweenItsRealTerminations)
{
    const AmplifierSideNetwork in = AmplifierSideOf(outcome_, AmplifierSide::Input);
    const AmplifierSideNetwork out = AmplifierSideOf(outcome_, AmplifierSide::Output);
    EXPECT_EQ(in.origin.source, NetworkSource::AmplifierSide);
    EXPECT_EQ(in.origin.rank, 1);
    EXPECT_EQ(out.origin.rank, 2);
    EXPECT_EQ(in.title.rfind("Input network (source to device), ", 0), 0u) << in.title;
    EXPECT_EQ(out.title.rfind("Output network (device to load), ", 0), 0u) << out.title;
    EXPECT_EQ(in.band.lowHz, 3.5e9);
    EXPECT_EQ(in.band.highHz, 4.5e9);

    const analysis::TwoPortData &data = outcome_.data;
    const double z0 = data.referenceOhms;
    std::vector<double> checked;
    for (std::size_t i = 0; i < data.frequenciesHz.size(); ++i) {
        const double hz = data.frequenciesHz[i];
        if (hz < 3.5e9 || hz > 4.5e9)
            continue;
        checked.push_back(hz);
        const auto &s = data.s[i];
        const Abcd mi = Cascade(outcome_.amplifier.input, hz);
        const Abcd mo = Cascade(outcome_.amplifier.output, hz);
        // What each network presents to the device, and the device's ports
        // with the other side behind them.
        const C gammaS = Reflection(OutputZ(mi, 50), z0);
        const C gammaL = Reflection(InputZ(mo, 75), z0);
        const C gammaIn = s.s11 + s.s12 * s.s21 * gammaL / (1.0 - s.s22 * gammaL);
        const C gammaOut = s.s22 + s.s12 * s.s21 * gammaS / (1.0 - s.s11 * gammaS);
        const C zIn = ZOf(gammaIn, z0), zOut = ZOf(gammaOut, z0);

        const TwoPortS a = AmplifierSideSParameters(in, {hz}).front();
        const TwoPortS b = AmplifierSideSParameters(out, {hz}).front();
        EXPECT_NEAR(std::abs(a.z2 - zIn), 0, 1e-9 * std::abs(zIn)) << hz;
        EXPECT_NEAR(std::abs(b.z1 - zOut), 0, 1e-9 * std::abs(zOut)) << hz;
        const C s11 = (InputZ(mi, zIn) - 50.0) / (InputZ(mi, zIn) + 50.0);
        const C s22 = (OutputZ(mo, zOut) - 75.0) / (OutputZ(mo, zOut) + 75.0);
        EXPECT_NEAR(std::abs(a.s11), std::abs(s11), 1e-9) << hz;
        EXPECT_NEAR(std::abs(b.s22), std::abs(s22), 1e-9) << hz;
        EXPECT_NEAR(std::norm(a.s21), TransducerGain(mi, 50, zIn), 1e-9) << hz;
        EXPECT_NEAR(std::norm(b.s21), TransducerGain(mo, zOut, 75), 1e-9) << hz;
        // Ideal parts lose nothing: what is not reflected arrives.
        EXPECT_NEAR(std::norm(a.s21) + std::norm(a.s11), 1, 1e-9) << hz;

        // The amplifier's own return losses at the source and at the load
        // are these sides' reflections at their outer ports.
        const auto p = std::ranges::find_if(outcome_.whole, [hz](const auto &q) {
            return std::abs(q.frequencyHz - hz) <= 1e-9 * hz;
        });
        ASSERT_NE(p, outcome_.whole.end());
        EXPECT_NEAR(-20 * std::log10(std::abs(a.s11)), p->inputReturnLossDb, 1e-6) << hz;
        EXPECT_NEAR(-20 * std::log10(std::abs(b.s22)), p->outputReturnLossDb, 1e-6) << hz;
    }
    EXPECT_GE(checked.size(), 3u);
}

// The files come from the writers every network takes: the CSV's figures
// are the side's between its terminations, the Touchstone and SPICE files
// describe its parts alone.
TEST_F(AmplifierSideTest, EachSidesFilesAreTheCommonWritersOverTheAmplifiersFrequencies)
{
    const AmplifierSideNetwork in = AmplifierSideOf(outcome_, AmplifierSide::Input);
    ASSERT_EQ(in.frequenciesHz.size(), outcome_.whole.size());

    std::istringstream csv(AmplifierSideFile(in, ExportKind::SweepCsv));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line.rfind("frequency_hz,input_s11_db,", 0), 0u) << line;
    std::size_t rows = 0;
    while (std::getline(csv, line)) {
        const double hz = std::stod(line.substr(0, line.find(',')));
        const double s11Db = std::stod(line.substr(line.find(',') + 1));
        const TwoPortS s = AmplifierSideSParameters(in, {hz}).front();
        EXPECT_NEAR(s11Db, 20 * std::log10(std::abs(s.s11)), 1e-9) << line;
        ++rows;
    }
    EXPECT_EQ(rows, in.frequenciesHz.size());

    // The headers name the side's real ends, not a matching network's.
    const std::string touchstone = AmplifierSideFile(in, ExportKind::Touchstone);
    EXPECT_NE(touchstone.find("# HZ S RI R 50"), std::string::npos);
    EXPECT_NE(touchstone.find("! Port 1: the source, 50 ohms\n! Port 2: the transistor's input, "
                              "with the output network and the load behind it; referred to 50 "
                              "ohms\n"),
              std::string::npos)
        << touchstone;
    EXPECT_EQ(touchstone.find("high-impedance"), std::string::npos);
    const std::string v2 = AmplifierSideFile(AmplifierSideOf(outcome_, AmplifierSide::Output),
                                             ExportKind::TouchstoneV2);
    EXPECT_NE(v2.find("! Port 2: the load, 75 ohms\n"), std::string::npos) << v2;
    EXPECT_NE(v2.find("[Reference] 50 75"), std::string::npos);
    const std::string spice = AmplifierSideFile(in, ExportKind::Spice);
    EXPECT_NE(spice.find(".subckt"), std::string::npos);
    EXPECT_NE(spice.find("* Port 1: the source, 50 ohms\n"), std::string::npos) << spice;
    for (const analysis::Part &p : outcome_.amplifier.input.parts)
        EXPECT_NE(spice.find(p.label), std::string::npos) << p.label;
    EXPECT_THROW(AmplifierSideFile(in, ExportKind::Json), std::invalid_argument);
}

} // namespace
} // namespace tevmar::session
