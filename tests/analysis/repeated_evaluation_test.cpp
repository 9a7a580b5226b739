// A ladder evaluated again and again (as a tuner moves its values, or over a
// whole grid at once) gives, at every frequency and for every move, the
// figures and gradients a fresh evaluation at that one frequency gives, to
// the bit: the tuned values depend on every last digit of them.

#include "analysis/figures/network_analysis.h"
#include "analysis/model/network_gradient.h"
#include "analysis/model/two_port.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

// A measured termination: a resistance rising across the sweep behind an
// inductance, at 41 points from 1.5 to 2.5 GHz.
std::shared_ptr<MeasuredLoad> Data(double ohms, double nh, int port)
{
    auto data = std::make_shared<MeasuredLoad>();
    for (int k = 0; k <= 40; ++k) {
        const double hz = 1.5e9 + k * 2.5e7;
        data->frequenciesHz.push_back(hz);
        data->impedanceOhms.emplace_back(ohms + 5e-9 * (hz - 1.5e9),
                                         2 * std::numbers::pi * hz * nh * 1e-9);
    }
    data->port = port;
    return data;
}

struct Case
{
    std::string name;
    Network ladder;
};

// Each way the cascade is ordered and each kind of part: a series load's
// reactance after the parts, a shunt load's network with lossy parts seen
// from port 2, pads between chip parts, and measured data at either port,
// one with a measured source.
std::vector<Case> Cases()
{
    std::vector<Case> cases;
    Network series;
    series.port1Ohms = 50;
    series.port2Ohms = 12;
    series.parts = {{ElementKind::ShuntCapacitor, 3.0, "C1"},
                    {ElementKind::SeriesInductor, 4.0, "L2"},
                    {ElementKind::ShuntCapacitor, 6.0, "C3"},
                    {ElementKind::SeriesCapacitor, 9.0, "C4"}};
    series.load = LoadReactance{{ElementKind::SeriesInductor, 2.0, "L"}, LoadType::SeriesRL};
    cases.push_back({"ideal, series load", series});

    Network shunt;
    shunt.port1Ohms = 200;
    shunt.port2Ohms = 50;
    shunt.parts = {{ElementKind::SeriesInductor, 12.0, "L1"},
                   {ElementKind::ShuntCapacitor, 2.0, "C2"},
                   {ElementKind::ShuntInductor, 8.0, "L3"}};
    shunt.load = LoadReactance{{ElementKind::ShuntCapacitor, 1.5, "C"}, LoadType::ShuntRC};
    LossModel q;
    q.inductorQ = 40;
    q.capacitorQ = 150;
    q.centreHz = 2e9;
    cases.push_back({"finite Q, shunt load", WithLosses(shunt, q)});

    LossModel chips;
    chips.inductorChip =
        ChipInductor{35, units::Frequency::FromGHz(1), units::Capacitance::FromPicofarads(0.12)};
    chips.capacitorChip =
        ChipCapacitor{units::Inductance::FromNanohenries(0.5), units::Resistance::FromOhms(0.15),
                      units::Frequency::FromGHz(1)};
    chips.padPf = 0.08;
    Network measured = WithLosses(series, chips);
    measured.load.reset();
    auto load = Data(8, 1.2, 1);
    load->source = Data(20, 0.6, 2);
    measured.measured = load;
    cases.push_back({"chip parts and pads, measured source and load", measured});

    Network padded = series;
    padded.load.reset();
    padded.padPf = 0.2;
    padded.measured = Data(10, 2.0, 2);
    cases.push_back({"ideal parts and pads, measured load", padded});
    return cases;
}

// Beyond both ends of the data, on its points and between them; more
// frequencies than the evaluator remembers, so that some displace others.
std::vector<double> Frequencies()
{
    std::vector<double> f;
    for (int k = 0; k < 700; ++k)
        f.push_back(1.4e9 + k * 1.7e6);
    f.push_back(2.0e9);
    f.push_back(1.5e9);
    return f;
}

TEST(LadderPower, EveryMoveAndFrequencyGivesTheFreshLaddersFiguresToTheBit)
{
    const std::vector<double> frequencies = Frequencies();
    for (Case &c : Cases()) {
        Network &ladder = c.ladder;
        LadderPower power(ladder);
        const std::size_t n = ladder.parts.size();
        std::vector<double> got(n), want(n);
        for (int move = 0; move < 3; ++move) {
            // Forward on the first move, backward after: the remembered
            // terminations are read in another order than they were filled.
            for (std::size_t j = 0; j < frequencies.size(); ++j) {
                const double f = frequencies[move == 0 ? j : frequencies.size() - 1 - j];
                const bool gradient = j % 3 == 0;
                const std::span<double> g = gradient ? std::span(got) : std::span<double>{};
                const std::span<double> w = gradient ? std::span(want) : std::span<double>{};
                ASSERT_EQ(power.Reflected(f, g), ReflectedPower(ladder, f, w)) << c.name << f;
                ASSERT_EQ(got, want) << c.name << f;
                ASSERT_EQ(power.Lost(f, g), LostPower(ladder, f, w)) << c.name << f;
                ASSERT_EQ(got, want) << c.name << f;
            }
            for (std::size_t i = 0; i < n; ++i)
                ladder.parts[i].value *= 1.0 + 0.07 * static_cast<double>(i + 1) * (move ? -1 : 1);
            power.ValuesMoved();
        }
        // A lossy ladder loses power that is not reflected; an ideal one
        // loses exactly the reflected power.
        const double f = 2.05e9;
        const bool ideal = AllPartsIdeal(ladder);
        EXPECT_EQ(ideal, power.Lost(f) == power.Reflected(f)) << c.name;
        EXPECT_GE(power.Lost(f), power.Reflected(f)) << c.name;
    }
}

// Data changed between two evaluations by the free functions is read
// afresh: only an evaluator made for one search remembers.
TEST(LadderPower, TheFreeFunctionsReadDataThatChangedSinceTheLastCall)
{
    Network ladder = Cases()[3].ladder;
    auto data = std::make_shared<MeasuredLoad>(*ladder.measured);
    ladder.measured = data;
    const double before = ReflectedPower(ladder, 2e9);
    for (Complex &z : data->impedanceOhms)
        z *= 1.5;
    const double after = ReflectedPower(ladder, 2e9);
    EXPECT_NE(before, after);
    LadderPower fresh(ladder);
    EXPECT_EQ(fresh.Reflected(2e9), after);
}

// |S11| over a grid into measured data is each point's own |S11|: on an
// ascending grid beyond both ends of the data, on one that jumps back and
// forth, and into a termination known exactly rather than by its points.
TEST(ReflectionOver, IntoMeasuredDataIsEveryPointsOwnReflectionToTheBit)
{
    std::vector<double> ascending = Frequencies();
    std::sort(ascending.begin(), ascending.end());
    std::vector<double> jumping;
    for (int k = 0; k < 200; ++k)
        jumping.push_back(1.45e9 + std::fmod(k * 0.37, 1.0) * 1.1e9);
    jumping.push_back(1.5e9);
    jumping.push_back(2.5e9);
    std::vector<Case> cases = Cases();
    Network exact = cases[3].ladder;
    auto circuit = std::make_shared<MeasuredLoad>(*exact.measured);
    circuit->exact = [](double hz) { return Complex(10, 2 * std::numbers::pi * hz * 2e-9); };
    exact.measured = circuit;
    cases.push_back({"exact termination", exact});
    for (const Case &c : cases) {
        if (!c.ladder.measured)
            continue;
        for (const std::vector<double> *grid : {&ascending, &jumping}) {
            std::vector<double> gamma(grid->size());
            ReflectionOver(c.ladder, *grid, gamma);
            for (std::size_t k = 0; k < grid->size(); ++k)
                ASSERT_EQ(gamma[k], ReflectionMagnitude(c.ladder, (*grid)[k]))
                    << c.name << " " << (*grid)[k];
        }
    }
}

// S21 alone, at a point and over a grid, is the S21 of the full evaluation,
// for every kind of ladder: the lossy parts' match figure reads it.
TEST(TransmissionOver, IsEveryPointsFullEvaluationsS21ToTheBit)
{
    std::vector<double> grid = Frequencies();
    grid.push_back(1.9e9);
    for (const Case &c : Cases()) {
        std::vector<Complex> s21(grid.size());
        TransmissionOver(c.ladder, grid, s21);
        for (std::size_t k = 0; k < grid.size(); ++k) {
            const Complex want = Evaluate(c.ladder, grid[k]).s.s21;
            ASSERT_EQ(TransmissionAt(c.ladder, grid[k]), want) << c.name << " " << grid[k];
            ASSERT_EQ(s21[k], want) << c.name << " " << grid[k];
        }
    }
}

// The lossy figures read from S21 alone are those of the full evaluation at
// every point of the grid and of its refinement.
TEST(TransmissionOver, LossyFiguresAreThoseOfTheFullEvaluation)
{
    const Band band{1.8e9, 2.3e9, std::sqrt(1.8e9 * 2.3e9)};
    for (const Case &c : Cases()) {
        if (AllPartsIdeal(c.ladder))
            continue;
        const Network &n = c.ladder;
        const double loss =
            FindExtremes([&](double f) { return Evaluate(n, f).insertionLossDb; }, band).max;
        const double lost = FindExtremes(
                                [&](double f) {
                                    const Complex s21 = Evaluate(n, f).s.s21;
                                    return std::sqrt(std::clamp(1.0 - std::norm(s21), 0.0, 1.0));
                                },
                                band)
                                .max;
        EXPECT_EQ(LossDbMaxOf(n, band, 0.0), loss) << c.name;
        EXPECT_EQ(MatchFigureOf(n, band), lost) << c.name;
    }
}

// The data interpolated over a grid in one walk: each value ImpedanceAt's.
TEST(MeasuredLoad, ImpedanceOverAGridIsImpedanceAtEachFrequency)
{
    const std::shared_ptr<MeasuredLoad> data = Data(10, 2.0, 2);
    std::vector<double> grid = Frequencies();
    // Back again, a repeat, a jump forward and back beyond the data.
    grid.insert(grid.end(), {1.9e9, 1.9e9, 2.6e9, 1.0e9, 1.55e9, 1.525e9});
    std::vector<Complex> z(grid.size());
    data->ImpedanceOver(grid, z);
    for (std::size_t k = 0; k < grid.size(); ++k)
        ASSERT_EQ(z[k], data->ImpedanceAt(grid[k])) << grid[k];
}

} // namespace
} // namespace tevmar::analysis
