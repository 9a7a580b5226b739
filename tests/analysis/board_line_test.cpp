// Lengths of microstrip as elements of a network: their sections against the
// line's own two-port, the drawn length and the open end's extension, the
// tuner's derivatives with respect to width and length, the layout grid and
// the etching tolerances of a trial.

#include "analysis/figures/network_analysis.h"
#include "analysis/lines/microstrip.h"
#include "analysis/model/board_line.h"
#include "analysis/model/network_gradient.h"
#include "analysis/model/two_port.h"
#include "analysis/search/tuner.h"
#include "tests/common/fr4_board.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

constexpr double kCentreHz = 2.4e9;
constexpr double kSpeedOfLight = 299'792'458.0;

using test::Fr4;
using test::Strip;

Network Between(double port1, double port2, std::vector<Part> parts)
{
    Network n;
    n.port1Ohms = port1;
    n.port2Ohms = port2;
    n.parts = std::move(parts);
    return n;
}

TEST(BoardLine, SeriesStripCascadesAsTheLinesOwnTwoPort)
{
    // 25 mm of 3 mm strip between 50 ohm ports, to 10 GHz: the network's
    // cascade (cosh and sinh of gamma l) against the line's S-parameters
    // written with exp(-gamma l).
    const Part line = Strip(LineEnd::Through, 3e-3, 25e-3);
    EXPECT_NEAR(DrawnLengthOf(line), 25e-3, 1e-15);
    EXPECT_EQ(EndExtensionOf(line), 0.0);
    const lines::Microstrip strip(Fr4(), 3e-3);
    const Network n = Between(50, 50, {line});
    for (const double f : {0.1e9, 1e9, 2.4e9, 5e9, 10e9}) {
        const Abcd m = PartsAbcd(n, f);
        const Complex s21 = 2.0 / (m.A + m.B / 50.0 + m.C * 50.0 + m.D);
        const lines::LineSParameters s = strip.SParameters(f, 25e-3, 50);
        EXPECT_NEAR(std::abs(s21 - s.s21), 0, 1e-12) << f;
        // Lossy: less than all the power gets through.
        EXPECT_LT(std::norm(s.s21) + std::norm(s.s11), 1.0);
    }
}

TEST(BoardLine, OpenStubIsDrawnShorterByItsEndsExtension)
{
    const Part stub = Strip(LineEnd::Open, 1.5e-3, 10e-3);
    const lines::Microstrip strip(Fr4(), 1.5e-3);
    EXPECT_NEAR(DrawnLengthOf(stub), 10e-3, 1e-15);
    EXPECT_DOUBLE_EQ(EndExtensionOf(stub), strip.OpenEndExtension());
    const double electrical = 10e-3 + strip.OpenEndExtension();
    EXPECT_NEAR(ElectricalLengthOf(stub), electrical, 1e-15);
    // Its degrees are that electrical length's at the centre.
    const double degrees =
        360 * electrical * kCentreHz * std::sqrt(strip.EpsEff(kCentreHz)) / kSpeedOfLight;
    EXPECT_NEAR(stub.value, degrees, 1e-9);
    EXPECT_NEAR(stub.line.z0Ohms, strip.Z0(kCentreHz), 1e-12);
    // Its admittance is that of its line into an open at the electrical length.
    for (const double f : {1e9, 2.4e9, 4e9}) {
        const Complex gl = strip.PropagationConstant(f) * electrical;
        const Complex y = std::tanh(gl) / strip.CharacteristicImpedance(f);
        EXPECT_NEAR(std::abs(stub.SectionAt(2 * std::numbers::pi * f).C - y), 0, 1e-12);
    }
    // A shorted stub has no extension: its strip runs to the via.
    const Part shorted = Strip(LineEnd::Short, 1.5e-3, 10e-3);
    EXPECT_EQ(EndExtensionOf(shorted), 0.0);
    EXPECT_NEAR(ElectricalLengthOf(shorted), 10e-3, 1e-15);
}

TEST(BoardLine, GradientOfLengthsAndWidthsAgreesWithDifferences)
{
    Network n = Between(50, 25,
                        {Strip(LineEnd::Open, 1.2e-3, 7e-3), Strip(LineEnd::Through, 4e-3, 11e-3),
                         Part::Placed(Inductor{}, Placement::Series, 1.5)});
    LadderPower power(n);
    std::vector<double> byValue(3), byWidth(3);
    const double f = 2.45e9;
    const double base = power.Lost(f, byValue, byWidth);
    const auto lost = [f](const Network &moved) {
        LadderPower p(moved);
        return p.Lost(f, std::span<double>{}, std::span<double>{});
    };
    const double h = 1e-6;
    for (std::size_t i = 0; i < 3; ++i) {
        Network moved = n;
        moved.parts[i].value *= std::exp(h);
        EXPECT_NEAR((lost(moved) - base) / h, byValue[i], 1e-4) << i;
        if (!n.parts[i].isLine()) {
            EXPECT_EQ(byWidth[i], 0.0);
            continue;
        }
        moved = n;
        moved.parts[i] = WithWidthAtDegrees(n.parts[i], n.parts[i].line.board->width * std::exp(h));
        EXPECT_NEAR((lost(moved) - base) / h, byWidth[i], 1e-4) << i;
    }
}

TEST(BoardLine, TunedStripsStayOnTheBoardsWidthsAndTheLengthGrid)
{
    // A shorted stub and a line on FR-4 into 25 + j50 ohms at 2.4 GHz.
    TuneProblem problem;
    problem.network = Between(50, 25,
                              {Part::LineOf(LineEnd::Short, 50, 40, kCentreHz),
                               Part::LineOf(LineEnd::Through, 50, 30, kCentreHz)});
    problem.network.load = LoadReactance{Part::Placed(Inductor{}, Placement::Series, 3.3157)};
    problem.band = Band{2.38e9, 2.42e9, kCentreHz};
    problem.ranges.lines = true;
    problem.ranges.board = Fr4();
    problem.ranges.lineLowWidth = 0.3e-3;
    problem.ranges.lineHighWidth = 4e-3;
    problem.ranges.lineLengthStep = 0.1e-3;
    const TuneResult tuned = Tune(problem);
    EXPECT_LT(tuned.gammaMax, 0.1);
    for (const Part &p : tuned.network.parts) {
        ASSERT_TRUE(p.line.board);
        EXPECT_GE(p.line.board->width, 0.3e-3 * (1 - 1e-12));
        EXPECT_LE(p.line.board->width, 4e-3 * (1 + 1e-12));
        const double steps = DrawnLengthOf(p) / 0.1e-3;
        EXPECT_NEAR(steps, std::round(steps), 1e-6);
    }
    // The figure is the drawn network's.
    EXPECT_NEAR(tuned.gammaMax, PassbandFiguresOf(tuned.network, problem.band).gammaMax, 1e-9);

    // A width range the formulas do not cover, or no grid, is no problem to tune.
    problem.ranges.lineLowWidth = 1e-7;
    EXPECT_FALSE(TuneProblemError(problem).empty());
    problem.ranges.lineLowWidth = 0.3e-3;
    problem.ranges.lineLengthStep = 0;
    EXPECT_FALSE(TuneProblemError(problem).empty());
}

TEST(BoardLine, TrialsEtchWithinTheWidthAndLengthTolerances)
{
    const Part stub = Strip(LineEnd::Open, 1.2e-3, 7e-3);
    for (const double w : {-1.0, -0.3, 0.0, 0.999})
        for (const double l : {-1.0, 0.5, 0.999}) {
            const Part trial = TrialOf(stub, w, l);
            EXPECT_NEAR(trial.line.board->width, 1.2e-3 + w * kWidthTolerance, 1e-15);
            EXPECT_NEAR(DrawnLengthOf(trial), 7e-3 + l * kLengthTolerance, 1e-12);
        }
}

} // namespace
} // namespace tevmar::analysis
