// Lengths of line as elements of a network: their sections against the
// transmission-line formulas, the textbook matches they make, and the tuner
// moving their lengths and impedances.

#include "analysis/model/network_gradient.h"
#include "analysis/model/two_port.h"
#include "analysis/search/tuner.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

using std::numbers::pi;
constexpr double kF0 = 2e9;

// Input impedance of a line of Z0 and length theta ending in ZL:
// Z0 (ZL + j Z0 tan theta) / (Z0 + j ZL tan theta).
Complex LineInput(double z0, double theta, Complex zl)
{
    const Complex j{0, 1};
    return z0 * (zl + j * z0 * std::tan(theta)) / (z0 + j * zl * std::tan(theta));
}

// The impedance at port 1 of a cascade ending in zl.
Complex InputOf(const Abcd &m, Complex zl)
{
    return (m.A * zl + m.B) / (m.C * zl + m.D);
}

Network Between(double port1, double port2, std::vector<Part> parts)
{
    Network n;
    n.port1Ohms = port1;
    n.port2Ohms = port2;
    n.parts = std::move(parts);
    return n;
}

TEST(LineElement, SectionsFollowTheLineFormulasAcrossFrequency)
{
    const Part line = Part::LineOf(LineEnd::Through, 75, 60, kF0);
    const Part open = Part::LineOf(LineEnd::Open, 40, 30, kF0);
    const Part shorted = Part::LineOf(LineEnd::Short, 90, 50, kF0);
    EXPECT_FALSE(line.shunt());
    EXPECT_TRUE(open.shunt() && shorted.shunt());
    EXPECT_EQ(open.Description(), "shunt open stub");
    EXPECT_TRUE(shorted.groundsDc());
    EXPECT_FALSE(open.groundsDc());
    const Complex zl{30, -20};
    for (const double f : {0.5e9, 2e9, 3.7e9}) {
        const double omega = 2 * pi * f;
        // The electrical length grows with frequency from its degrees at f0.
        const double scale = f / kF0;
        const Abcd m = line.SectionAt(omega);
        EXPECT_NEAR(std::abs(InputOf(m, zl) - LineInput(75, pi / 3 * scale, zl)), 0, 1e-9);
        EXPECT_NEAR(std::abs(m.A * m.D - m.B * m.C - 1.0), 0, 1e-12); // reciprocal
        // A stub is the input admittance of its own line into an open or a short.
        const Complex yOpen = 1.0 / LineInput(40, pi / 6 * scale, Complex{1e18, 0});
        const Complex yShort = 1.0 / LineInput(90, 5 * pi / 18 * scale, Complex{0, 0});
        EXPECT_NEAR(std::abs(open.SectionAt(omega).C - yOpen), 0, 1e-12);
        EXPECT_NEAR(std::abs(shorted.SectionAt(omega).C - yShort), 0, 1e-12);
    }
    // The cascade of a network applies the same section.
    const Network alone = Between(50, 30, {line});
    const Abcd cascade = PartsAbcd(alone, 1.3e9);
    const Abcd section = line.SectionAt(2 * pi * 1.3e9);
    EXPECT_NEAR(std::abs(cascade.B - section.B), 0, 1e-9);
    EXPECT_NEAR(std::abs(cascade.C - section.C), 0, 1e-15);
}

TEST(LineElement, QuarterWaveTransformerMatchesAtItsCentreOnly)
{
    // 100 ohms to 50 through sqrt(100 * 50) ohms, a quarter wave at f0.
    const double z1 = std::sqrt(100.0 * 50.0);
    const Network transformer = Between(100, 50, {Part::LineOf(LineEnd::Through, z1, 90, kF0)});
    EXPECT_LT(ReflectionMagnitude(transformer, kF0), 1e-12);
    // Off centre, the small-reflection result in closed form:
    // |G| = |ZL - Z0| / sqrt((ZL + Z0)^2 + 4 ZL Z0 tan^2 theta), here seen from 100 ohms.
    for (const double f : {1.4e9, 1.8e9, 2.6e9}) {
        const double theta = pi / 2 * f / kF0;
        const double expected =
            50.0 / std::sqrt(150.0 * 150.0 + 4 * 100 * 50 * std::tan(theta) * std::tan(theta));
        EXPECT_NEAR(ReflectionMagnitude(transformer, f), expected, 1e-12) << f;
    }
    // At twice the frequency the line is a half wave and passes 50 ohms
    // straight through to the 100 ohm port: |G| = 1/3.
    EXPECT_NEAR(ReflectionMagnitude(transformer, 2 * kF0), 1.0 / 3, 1e-9);
}

// The textbook single shunt stub for ZL = 60 - j80 on 50 ohm line at 2 GHz,
// the stub open: two solutions, the line d and the stub l in wavelengths.
struct StubMatch
{
    double d, l;
};

std::array<StubMatch, 2> SingleStub(double z0, Complex zl)
{
    const double r = zl.real(), x = zl.imag();
    const double root = std::sqrt(r * ((z0 - r) * (z0 - r) + x * x) / z0);
    std::array<StubMatch, 2> out{};
    for (int k = 0; k < 2; ++k) {
        const double t = (x + (k == 0 ? root : -root)) / (r - z0);
        double d = std::atan(t) / (2 * pi);
        if (d < 0)
            d += 0.5;
        // Susceptance at the stub: B = (RL^2 t - (Z0 - XL t)(XL + Z0 t)) / (Z0 (RL^2 + (XL + Z0
        // t)^2)).
        const double b = (r * r * t - (z0 - x * t) * (x + z0 * t)) /
                         (z0 * (r * r + (x + z0 * t) * (x + z0 * t)));
        double l = -std::atan(b * z0) / (2 * pi); // an open stub of susceptance -B
        if (l < 0)
            l += 0.5;
        out[static_cast<std::size_t>(k)] = {d, l};
    }
    return out;
}

Network StubNetwork(double dWavelengths, double lWavelengths, LineEnd end)
{
    // Source, the stub, then the line to the load 60 ohms with -j80 in series.
    Network n = Between(50, 60,
                        {Part::LineOf(end, 50, lWavelengths * 360, kF0),
                         Part::LineOf(LineEnd::Through, 50, dWavelengths * 360, kF0)});
    const double farads = 1 / (2 * pi * kF0 * 80);
    n.load = LoadReactance{Part::Placed(Capacitor{}, Placement::Series, farads * 1e12),
                           LoadType::SeriesRC};
    return n;
}

TEST(LineElement, SingleStubMatchesAComplexLoadAsTheTextbookSolves)
{
    const auto solutions = SingleStub(50, Complex{60, -80});
    // The worked example's lengths (a microwave engineering text's chapter
    // on matching): the stub at d = 0.110 and 0.260 wavelengths from the
    // load, 0.095 and 0.405 wavelengths long with its end shorted; an open
    // stub is a quarter wave longer or shorter.
    const std::array<StubMatch, 2> shorted{{{0.110, 0.095}, {0.260, 0.405}}};
    for (std::size_t k = 0; k < 2; ++k) {
        const StubMatch &s = solutions[k];
        const double shortL = s.l >= 0.25 ? s.l - 0.25 : s.l + 0.25;
        EXPECT_NEAR(s.d, shorted[k].d, 0.005);
        EXPECT_NEAR(shortL, shorted[k].l, 0.005);
        EXPECT_LT(ReflectionMagnitude(StubNetwork(s.d, s.l, LineEnd::Open), kF0), 1e-9);
        EXPECT_LT(ReflectionMagnitude(StubNetwork(s.d, shortL, LineEnd::Short), kF0), 1e-9);
        // Away from f0 the match is lost: a stub match is narrow.
        EXPECT_GT(ReflectionMagnitude(StubNetwork(s.d, s.l, LineEnd::Open), 1.5e9), 0.2);
    }
}

TEST(LineElement, GradientOfLengthsAndImpedancesAgreesWithDifferences)
{
    Network n = StubNetwork(0.13, 0.11, LineEnd::Open);
    n.parts[1].line.z0Ohms = 65;
    n.parts.push_back(Part::Placed(Inductor{}, Placement::Series, 2.2));
    LadderPower power(n);
    std::vector<double> byValue(3), byZ0(3);
    const double f = 2.1e9;
    const double base = power.Lost(f, byValue, byZ0);
    EXPECT_NEAR(base, std::pow(ReflectionMagnitude(n, f), 2), 1e-12);
    const double h = 1e-6;
    for (std::size_t i = 0; i < 3; ++i) {
        Network moved = n;
        moved.parts[i].value *= std::exp(h);
        EXPECT_NEAR((std::pow(ReflectionMagnitude(moved, f), 2) - base) / h, byValue[i], 1e-4) << i;
        if (!n.parts[i].isLine()) {
            EXPECT_EQ(byZ0[i], 0.0);
            continue;
        }
        moved = n;
        moved.parts[i].line.z0Ohms *= std::exp(h);
        EXPECT_NEAR((std::pow(ReflectionMagnitude(moved, f), 2) - base) / h, byZ0[i], 1e-4) << i;
    }
}

TEST(LineElement, TunerFindsTheStubMatchFromAPoorStartWithinItsRanges)
{
    TuneProblem problem;
    problem.network = StubNetwork(0.16, 0.06, LineEnd::Open);
    problem.network.parts[0].line.z0Ohms = 70;
    problem.band = Band{1.98e9, 2.02e9, std::sqrt(1.98e9 * 2.02e9)};
    // Over a 2 % band the better of the textbook's two open stubs is the bar
    // the tuner must reach or pass.
    double textbook = 1;
    for (const StubMatch &s : SingleStub(50, Complex{60, -80}))
        textbook =
            std::min(textbook, InBandGammaMax(problem, StubNetwork(s.d, s.l, LineEnd::Open)));
    const TuneResult free = Tune(problem);
    EXPECT_LT(free.gammaMax, free.startGammaMax);
    EXPECT_LT(free.gammaMax, textbook + 1e-4);
    for (const Part &p : free.network.parts) {
        EXPECT_GE(p.line.z0Ohms, 20 - 1e-9);
        EXPECT_LE(p.line.z0Ohms, 120 + 1e-9);
        EXPECT_LE(p.value, 180 + 1e-9);
        EXPECT_GE(p.value, 1 - 1e-9);
    }
    EXPECT_LT(ReflectionMagnitude(free.network, 2e9), free.gammaMax);

    // With every line held at 50 ohms the lengths alone reach the textbook match.
    problem.ranges.fixedLineZ0Ohms = 50;
    const TuneResult fixed = Tune(problem);
    EXPECT_LT(fixed.gammaMax, textbook + 1e-4);
    EXPECT_LE(free.gammaMax, fixed.gammaMax + 1e-4);
    for (const Part &p : fixed.network.parts)
        EXPECT_EQ(p.line.z0Ohms, 50);
    problem.ranges.fixedLineZ0Ohms = -3;
    EXPECT_FALSE(TuneProblemError(problem).empty());
}

} // namespace
} // namespace tevmar::analysis
