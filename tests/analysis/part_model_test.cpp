// Chip inductors, chip capacitors and pads: each model's impedance against
// the maker's formula written out by hand, the cascade against an
// independent ladder solver that places the pads itself, the tuner's
// gradients against finite differences, and the tuned and ranked figures
// (|S11| and transducer loss) against that independent solver.

#include "analysis/search/candidates.h"
#include "analysis/model/eseries.h"
#include "analysis/figures/network_analysis.h"
#include "analysis/model/network_gradient.h"
#include "analysis/search/tuner.h"
#include "analysis/model/two_port.h"
#include "engine/design.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace tevmar::analysis {
namespace {

using C = std::complex<double>;
constexpr double kTwoPi = 2 * std::numbers::pi;
const C j{0, 1};

// 55 at 1.5 GHz with 0.157 pF across; 0.45 nH and 0.12 ohms at 1 GHz.
const ChipInductor kInductor{55, units::Frequency::FromGHz(1.5),
                             units::Capacitance::FromPicofarads(0.157)};
const ChipCapacitor kCapacitor{units::Inductance::FromNanohenries(0.45),
                               units::Resistance::FromOhms(0.12), units::Frequency::FromGHz(1)};

// The maker's formulas, written out: (L + R(f)) || CP and C + ESL + ESR(f).
C InductorOhms(double nh, double hz)
{
    const double l = nh * 1e-9, w = kTwoPi * hz;
    const double r = kTwoPi * 1.5e9 * l / 55 * std::sqrt(hz / 1.5e9);
    const C winding = r + j * w * l;
    const C cp = 1.0 / (j * w * 0.157e-12);
    return winding * cp / (winding + cp);
}

C CapacitorOhms(double pf, double hz)
{
    const double w = kTwoPi * hz;
    return 1.0 / (j * w * pf * 1e-12) + j * w * 0.45e-9 + 0.12 * std::sqrt(hz / 1e9);
}

TEST(ChipModels, ImpedanceIsTheMakersFormulaInSeriesAndAcross)
{
    for (const double hz : {0.3e9, 2.45e9, 5.8e9, 11e9}) {
        const double w = kTwoPi * hz;
        const Part seriesL{ElementKind::SeriesInductor, 8.2, "L", kInductor};
        const Part shuntL{ElementKind::ShuntInductor, 8.2, "L", kInductor};
        const Part seriesC{ElementKind::SeriesCapacitor, 3.3, "C", kCapacitor};
        const Part shuntC{ElementKind::ShuntCapacitor, 3.3, "C", kCapacitor};
        const auto near = [](C got, C want) {
            return std::abs(got - want) <= 1e-12 * std::abs(want);
        };
        EXPECT_TRUE(near(seriesL.ImmittanceAt(w), InductorOhms(8.2, hz))) << hz;
        EXPECT_TRUE(near(shuntL.ImmittanceAt(w), 1.0 / InductorOhms(8.2, hz))) << hz;
        EXPECT_TRUE(near(seriesC.ImmittanceAt(w), CapacitorOhms(3.3, hz))) << hz;
        EXPECT_TRUE(near(shuntC.ImmittanceAt(w), 1.0 / CapacitorOhms(3.3, hz))) << hz;
    }
    // The quoted Q at the quoted frequency, with CP negligible there for a
    // small L: X / R = Q.
    const Part small{ElementKind::SeriesInductor, 1.0, "L",
                     ChipInductor{55, units::Frequency::FromGHz(1.5), {}}};
    const C z = small.ImmittanceAt(kTwoPi * 1.5e9);
    EXPECT_NEAR(z.imag() / z.real(), 55, 1e-9);
    // 22 nH with 0.157 pF resonates near 1 / (2 pi sqrt(L CP)) = 2.70 GHz:
    // inductive below, capacitive above.
    const Part big{ElementKind::SeriesInductor, 22, "L", kInductor};
    EXPECT_GT(big.ImmittanceAt(kTwoPi * 2.6e9).imag(), 0);
    EXPECT_LT(big.ImmittanceAt(kTwoPi * 2.8e9).imag(), 0);
    // 10 pF with 0.45 nH: series resonance near 2.37 GHz.
    const Part c10{ElementKind::SeriesCapacitor, 10, "C", kCapacitor};
    EXPECT_LT(c10.ImmittanceAt(kTwoPi * 2.3e9).imag(), 0);
    EXPECT_GT(c10.ImmittanceAt(kTwoPi * 2.45e9).imag(), 0);
}

TEST(ChipModels, TrialsAndSnapsMoveTheValueAndKeepTheParasitics)
{
    const Part l{ElementKind::ShuntInductor, 8.0, "L", kInductor};
    const Part scaled = l.Scaled(1.05);
    EXPECT_DOUBLE_EQ(scaled.value, 8.4);
    EXPECT_EQ(scaled.model, PartModel{kInductor});
    const Part snapped =
        Part{ElementKind::SeriesCapacitor, 3.21, "C", kCapacitor}.Snapped(ESeries::E24);
    EXPECT_DOUBLE_EQ(snapped.value, 3.3);
    EXPECT_EQ(snapped.model, PartModel{kCapacitor});
    // The log-derivative each model gives the tuner, against a central
    // difference of the immittance.
    for (const Part &p : {l, Part{ElementKind::SeriesInductor, 8.0, "L", kInductor},
                          Part{ElementKind::SeriesCapacitor, 3.3, "C", kCapacitor},
                          Part{ElementKind::ShuntCapacitor, 3.3, "C", kCapacitor},
                          Part{ElementKind::SeriesInductor, 5.0, "L",
                               FiniteQ{40, QModel::Constant, units::Frequency::FromGHz(2)}}}) {
        const double w = kTwoPi * 2.2e9, h = 1e-6;
        const C numeric =
            (p.Scaled(std::exp(h)).ImmittanceAt(w) - p.Scaled(std::exp(-h)).ImmittanceAt(w)) /
            (2 * h);
        EXPECT_LT(std::abs(p.ImmittanceByLogValueAt(w) - numeric), 1e-6 * std::abs(numeric))
            << p.label;
    }
}

// An independent ladder solver: nodes from port 1, a pad at the first node
// and at each node a series part opens; each part's impedance by the formulas
// above. Returns S11 (power wave at the source) and G_T between resistances.
struct Figures
{
    double gamma, gainT;
};

Figures Solve(const Network &n, double hz)
{
    const double w = kTwoPi * hz;
    const auto z = [&](const Part &p) -> C {
        if (std::holds_alternative<ChipInductor>(p.model))
            return InductorOhms(p.value, hz);
        if (std::holds_alternative<ChipCapacitor>(p.model))
            return CapacitorOhms(p.value, hz);
        return p.inductor() ? j * w * p.value * 1e-9 : 1.0 / (j * w * p.value * 1e-12);
    };
    // ABCD from port 1.
    C a = 1, b = 0, c = 0, d = 1;
    const auto shunt = [&](C y) {
        a += b * y;
        c += d * y;
    };
    const auto series = [&](C zz) {
        b += a * zz;
        d += c * zz;
    };
    const C pad = j * w * n.padPf * 1e-12;
    shunt(pad);
    for (const Part &p : n.parts) {
        if (p.shunt()) {
            shunt(1.0 / z(p));
        } else {
            series(z(p));
            shunt(pad);
        }
    }
    if (n.load)
        series(z(n.load->element));
    const double r1 = n.port1Ohms, r2 = n.port2Ohms;
    const C zin = (a * r2 + b) / (c * r2 + d);
    const C delta = a * r2 + b + r1 * (c * r2 + d);
    return {std::abs((zin - r1) / (zin + r1)), 4 * r1 * r2 / std::norm(delta)};
}

// A series RL load of 20 ohms + 2.7 nH from 50 ohms at 2.4 to 2.5 GHz through
// a lowpass pi: chip parts and 0.05 pF pads.
Network Antenna()
{
    Network n;
    n.port1Ohms = 50;
    n.port2Ohms = 20;
    n.parts = {{ElementKind::ShuntCapacitor, 1.2, "C1"},
               {ElementKind::SeriesInductor, 3.9, "L2"},
               {ElementKind::ShuntCapacitor, 2.2, "C3"}};
    n.load = LoadReactance{{ElementKind::SeriesInductor, 2.7, "L"}, LoadType::SeriesRL};
    LossModel m;
    m.inductorChip = kInductor;
    m.capacitorChip = kCapacitor;
    m.padPf = 0.05;
    return WithLosses(n, m);
}

const Band kBand{2.4e9, 2.5e9, std::sqrt(2.4e9 * 2.5e9)};

TEST(Pads, OneAtEveryNodeAsTheCascadeAndTheIndependentSolverPlaceThem)
{
    const Network n = Antenna();
    for (const double hz : {1e9, 2.45e9, 6e9}) {
        const Figures want = Solve(n, hz);
        const SweepPoint got = Evaluate(n, hz);
        EXPECT_NEAR(std::abs(got.s.s11), want.gamma, 1e-12) << hz;
        EXPECT_NEAR(std::norm(got.s.s21), want.gainT, 1e-12) << hz;
    }
    // Two series parts give three nodes; ten times the pad moves the match.
    Network bigger = n;
    bigger.padPf = 0.5;
    EXPECT_NEAR(std::abs(Evaluate(bigger, 2.45e9).s.s11), Solve(bigger, 2.45e9).gamma, 1e-12);
    EXPECT_GT(std::abs(Solve(bigger, 2.45e9).gamma - Solve(n, 2.45e9).gamma), 1e-3);
}

TEST(LossyGradient, ReflectedAndLostPowerFollowFiniteDifferences)
{
    const Network n = Antenna();
    for (auto *objective : {&ReflectedPower, &LostPower}) {
        std::vector<double> gradient(n.parts.size());
        const double value = (*objective)(n, 2.45e9, gradient);
        EXPECT_GT(value, 0);
        for (std::size_t i = 0; i < n.parts.size(); ++i) {
            const double h = 1e-6;
            Network up = n, down = n;
            up.parts[i] = n.parts[i].Scaled(std::exp(h));
            down.parts[i] = n.parts[i].Scaled(std::exp(-h));
            const double numeric =
                ((*objective)(up, 2.45e9, {}) - (*objective)(down, 2.45e9, {})) / (2 * h);
            EXPECT_NEAR(gradient[i], numeric, 1e-6 + 1e-5 * std::abs(numeric)) << i;
        }
    }
    // The power lost is 1 - G_T, the solver's own.
    EXPECT_NEAR(LostPower(n, 2.45e9), 1 - Solve(n, 2.45e9).gainT, 1e-12);
}

// The claimed in-band maxima of a network, checked on a fine grid of the
// independent solver: the claim is at least what the grid sees and within
// the passband search's precision of it.
void ExpectClaims(const Network &n, double gammaMax, double lossDbMax)
{
    double gamma = 0, loss = 0;
    for (int k = 0; k <= 2000; ++k) {
        const double hz = kBand.lowHz + (kBand.highHz - kBand.lowHz) * k / 2000;
        const Figures f = Solve(n, hz);
        gamma = std::max(gamma, f.gamma);
        loss = std::max(loss, -10 * std::log10(f.gainT));
    }
    EXPECT_NEAR(gammaMax, gamma, 1e-4 + 1e-3 * gamma);
    EXPECT_NEAR(lossDbMax, loss, 1e-4 + 1e-3 * loss);
}

TEST(LossyTune, LowersTheLossWithTheParasiticsInTheLoop)
{
    Network ideal = Antenna();
    for (Part &p : ideal.parts)
        p.model = Ideal{};
    ideal.padPf = 0;
    TuneProblem problem{ideal, kBand, {}};
    problem.built.inductorChip = kInductor;
    problem.built.capacitorChip = kCapacitor;
    problem.built.padPf = 0.05;
    const TuneResult tuned = Tune(problem);
    // The tuned network carries the models and pads.
    EXPECT_EQ(tuned.network.padPf, 0.05);
    for (const Part &p : tuned.network.parts)
        EXPECT_FALSE(p.lossless());
    ExpectClaims(tuned.network, tuned.gammaMax, tuned.lossDbMax);
    // Tuning the ideal network and building it afterwards loses more.
    const TuneResult blind = Tune(TuneProblem{ideal, kBand, {}});
    Network builtAfter = blind.network;
    builtAfter = WithLosses(builtAfter, problem.built);
    const double blindLoss =
        LossDbMaxOf(builtAfter, kBand, PassbandFiguresOf(builtAfter, kBand).gammaMax);
    EXPECT_LT(tuned.lossDbMax, blindLoss);
    EXPECT_LT(tuned.lossDbMax, 0.5);
}

TEST(LossyCandidates, RankedByLossWithEveryClaimTrueByTheIndependentSolver)
{
    DesignInputs inputs;
    inputs.f1Text = "2.4";
    inputs.f2Text = "2.5";
    inputs.zhighText = "50";
    inputs.zlowText = "20";
    inputs.networkOrder = 4;
    inputs.loadType = LoadType::SeriesRL;
    inputs.absorb = true;
    inputs.absorbText = "2.7";
    const DesignResult design = RunDesign(inputs);
    CandidateOptions options;
    options.built.inductorChip = kInductor;
    options.built.capacitorChip = kCapacitor;
    options.built.padPf = 0.05;
    const CandidateSet set = BuildCandidates(inputs, design, nullptr, options);
    ASSERT_GE(set.candidates.size(), 10u);
    double previous = 0;
    for (const Candidate &c : set.candidates) {
        EXPECT_GE(c.tuned.lossDbMax, previous);
        previous = c.tuned.lossDbMax;
        EXPECT_EQ(c.tuned.network.padPf, 0.05);
    }
    // The independent check of the claims, for the best few.
    for (std::size_t k = 0; k < 4; ++k)
        ExpectClaims(set.candidates[k].tuned.network, set.candidates[k].tuned.gammaMax,
                     set.candidates[k].tuned.lossDbMax);
}

} // namespace
} // namespace tevmar::analysis
