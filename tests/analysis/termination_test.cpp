// What terminates a port: each kind's impedance against the formula an
// engineer would work out by hand, over a grid as at a point, and the load
// and source a network's figures see.

#include "analysis/figures/bode_fano.h"
#include "analysis/model/termination.h"
#include "analysis/model/two_port.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>
#include <vector>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;
constexpr double kTwoPi = 2 * std::numbers::pi;

void ExpectClose(Complex z, Complex expected)
{
    EXPECT_NEAR(z.real(), expected.real(), 1e-9 * std::abs(expected) + 1e-12);
    EXPECT_NEAR(z.imag(), expected.imag(), 1e-9 * std::abs(expected) + 1e-12);
}

Termination Reactive(LoadType type, double ohms, const Element &element, Placement at, double value)
{
    return Termination{ReactiveLoad{ohms, LoadReactance{Part::Placed(element, at, value), type}}};
}

TEST(Termination, EachKindHasTheImpedanceWorkedOutByHand)
{
    const double f = 1e9, w = kTwoPi * f;
    ExpectClose(ResistanceTermination(50).ImpedanceAt(f), 50);

    // 10 ohms with 2 nH in series: R + j w L.
    ExpectClose(Reactive(LoadType::SeriesRL, 10, Inductor{}, Placement::Series, 2).ImpedanceAt(f),
                Complex(10, w * 2e-9));
    // 8 ohms with 5 pF in series: R - j / (w C).
    ExpectClose(Reactive(LoadType::SeriesRC, 8, Capacitor{}, Placement::Series, 5).ImpedanceAt(f),
                Complex(8, -1 / (w * 5e-12)));
    // 100 ohms with 1 pF across: 1 / (1/R + j w C) = 71.70 - j 45.05 at 1 GHz.
    ExpectClose(Reactive(LoadType::ShuntRC, 100, Capacitor{}, Placement::Shunt, 1).ImpedanceAt(f),
                Complex(71.69568003248978, -45.047724336838854));
    // 100 ohms with 10 nH across: R j w L / (R + j w L).
    const Complex jwl(0, w * 10e-9);
    ExpectClose(Reactive(LoadType::ShuntRL, 100, Inductor{}, Placement::Shunt, 10).ImpedanceAt(f),
                100.0 * jwl / (100.0 + jwl));

    // A chip antenna typed as a circuit: (20 + j w 2.7 nH) || 0.3 pF, at 2.4 GHz
    // 29.69 + j 46.62 ohms.
    auto antenna = std::make_shared<MeasuredLoad>();
    antenna->frequenciesHz = {2e9, 3e9};
    antenna->impedanceOhms = {1.0, 1.0}; // the points only serve a fit
    antenna->exact =
        CircuitImpedance{std::make_shared<Circuit>(Circuit::Parse("(20 + 2.7nH) || 0.3pF"))};
    const Termination circuit = MeasuredTermination(antenna);
    EXPECT_TRUE(std::holds_alternative<CircuitLoad>(circuit.kind));
    ExpectClose(circuit.ImpedanceAt(2.4e9), Complex(29.68542166355445, 46.615254365614426));

    // Measured points: linear between them, the end values held beyond.
    auto measured = std::make_shared<MeasuredLoad>();
    measured->frequenciesHz = {1e9, 2e9};
    measured->impedanceOhms = {Complex(10, 5), Complex(20, -5)};
    const Termination data = MeasuredTermination(measured);
    EXPECT_TRUE(std::holds_alternative<MeasuredPort>(data.kind));
    ExpectClose(data.ImpedanceAt(1.5e9), Complex(15, 0));
    ExpectClose(data.ImpedanceAt(0.5e9), Complex(10, 5));
    ExpectClose(data.ImpedanceAt(3e9), Complex(20, -5));

    // A transistor's port: Z0 (1 + G) / (1 - G); G = 0.5 is 3 Z0, G = j is
    // j Z0, and G = 1 an open circuit held finite.
    const auto device = [](Complex gamma) {
        return Termination{DevicePort{[gamma](double) { return gamma; }, 50, 1}};
    };
    ExpectClose(device(0.5).ImpedanceAt(f), 150);
    ExpectClose(device(Complex(0, 1)).ImpedanceAt(f), Complex(0, 50));
    EXPECT_EQ(device(1.0).ImpedanceAt(f), Complex(kOpenCircuitOhms));
}

TEST(Termination, OverAGridEveryKindGivesItsPointValues)
{
    auto measured = std::make_shared<MeasuredLoad>();
    measured->frequenciesHz = {1e9, 2e9, 3e9};
    measured->impedanceOhms = {Complex(10, 5), Complex(20, -5), Complex(30, 0)};
    const std::vector<Termination> terminations{
        ResistanceTermination(12.5),
        Reactive(LoadType::ShuntRL, 75, Inductor{}, Placement::Shunt, 4.7),
        MeasuredTermination(measured),
        Termination{DevicePort{[](double hz) { return Complex(0.1 * hz / 1e9, -0.2); }, 50, 2}},
    };
    const std::vector<double> grid{0.5e9, 1.25e9, 2e9, 2.9e9, 3.5e9};
    for (const Termination &t : terminations) {
        std::vector<Complex> z(grid.size());
        t.ImpedanceOver(grid, z);
        for (std::size_t k = 0; k < grid.size(); ++k)
            EXPECT_EQ(z[k], t.ImpedanceAt(grid[k])) << "index " << t.kind.index() << " at " << k;
    }
}

// A network's load and source: a shunt load stands at port 1 and the source
// then drives port 2; a measured load takes the model's place, a measured
// source the port resistance's.
TEST(Termination, ANetworkNamesItsLoadAndSource)
{
    Network network;
    network.port1Ohms = 50;
    network.port2Ohms = 8;
    network.parts = {Part::Placed(Inductor{}, Placement::Series, 3),
                     Part::Placed(Capacitor{}, Placement::Shunt, 4)};
    EXPECT_EQ(LoadPortOf(network), 2);
    ExpectClose(LoadTerminationOf(network).ImpedanceAt(1e9), 8);
    ExpectClose(SourceTerminationOf(network).ImpedanceAt(1e9), 50);

    network.load = LoadReactance{Part::Placed(Capacitor{}, Placement::Shunt, 2), LoadType::ShuntRC};
    EXPECT_EQ(LoadPortOf(network), 1);
    const double w = kTwoPi * 1e9;
    ExpectClose(LoadTerminationOf(network).ImpedanceAt(1e9), 1.0 / Complex(1 / 50.0, w * 2e-12));
    ExpectClose(SourceTerminationOf(network).ImpedanceAt(1e9), 8);
    // The load's Q across its resistance is R w C, which the Bode-Fano limit reads.
    EXPECT_NEAR(AbsorbedLoadQ(network, Band{0.9e9, 1.1e9, 1e9}), 50 * w * 2e-12, 1e-12);

    auto load = std::make_shared<MeasuredLoad>();
    load->frequenciesHz = {1e9};
    load->impedanceOhms = {Complex(30, 10)};
    load->port = 2;
    auto source = std::make_shared<MeasuredLoad>(*load);
    source->impedanceOhms = {Complex(45, -3)};
    load->source = source;
    network.measured = load;
    ExpectClose(LoadTerminationOf(network).ImpedanceAt(1e9), Complex(30, 10));
    ExpectClose(SourceTerminationOf(network).ImpedanceAt(1e9), Complex(45, -3));
    // The model the synthesis drew stays at hand for the fitted curves.
    ExpectClose(ModelLoadTerminationOf(network).ImpedanceAt(1e9),
                1.0 / Complex(1 / 50.0, w * 2e-12));

    // Into a conjugate match through no parts at all the whole power arrives.
    Network wire;
    wire.port1Ohms = 50;
    wire.port2Ohms = 50;
    auto conjugate = std::make_shared<MeasuredLoad>();
    conjugate->frequenciesHz = {1e9};
    conjugate->impedanceOhms = {Complex(40, 15)};
    auto drive = std::make_shared<MeasuredLoad>(*conjugate);
    drive->impedanceOhms = {Complex(40, -15)};
    conjugate->source = drive;
    wire.measured = conjugate;
    EXPECT_NEAR(std::abs(Evaluate(wire, 1e9).s.s21), 1.0, 1e-12);
    EXPECT_NEAR(ReflectionMagnitude(wire, 1e9), 0.0, 1e-12);
}

} // namespace
} // namespace tevmar::analysis
