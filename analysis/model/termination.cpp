#include "analysis/model/termination.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;

// A reflection of 1 is an open circuit: held at kOpenCircuitOhms so that
// every figure that follows stays finite.
Complex ImpedanceOfReflection(Complex gamma, double referenceOhms)
{
    const Complex denominator = 1.0 - gamma;
    if (std::abs(denominator) * kOpenCircuitOhms <= referenceOhms * std::abs(1.0 + gamma))
        return Complex{kOpenCircuitOhms};
    return referenceOhms * (1.0 + gamma) / denominator;
}

} // namespace

double ReactiveLoad::QualityAt(double omega) const
{
    const double x = std::abs(reactance.element.ReactanceAt(omega));
    return series() ? x / resistanceOhms : resistanceOhms / x;
}

Complex Termination::ImpedanceAt(double frequencyHz) const
{
    return std::visit(
        Overloaded{
            [](const PortResistance &r) { return Complex{r.ohms}; },
            [&](const ReactiveLoad &load) {
                const double omega = 2 * std::numbers::pi * frequencyHz;
                const Part &e = load.reactance.element;
                if (load.series())
                    return Complex{load.resistanceOhms} + Complex(0, e.ReactanceAt(omega));
                // Across the resistance: the admittances add.
                const Complex y(1 / load.resistanceOhms, e.SusceptanceAt(omega));
                return 1.0 / y;
            },
            [&](const CircuitLoad &c) { return c.circuit->ImpedanceAt(frequencyHz); },
            [&](const MeasuredPort &m) { return m.data->ImpedanceAt(frequencyHz); },
            [&](const DevicePort &d) {
                return ImpedanceOfReflection(d.reflectionAt(frequencyHz), d.referenceOhms);
            },
        },
        kind);
}

void Termination::ImpedanceOver(std::span<const double> frequenciesHz,
                                std::span<Complex> impedance) const
{
    // Measured points are interpolated in one walk along the data; a
    // resistance is the same everywhere; the rest point by point.
    if (const auto *m = std::get_if<MeasuredPort>(&kind)) {
        m->data->ImpedanceOver(frequenciesHz, impedance);
        return;
    }
    if (const auto *r = std::get_if<PortResistance>(&kind)) {
        std::fill(impedance.begin(), impedance.begin() + frequenciesHz.size(), Complex{r->ohms});
        return;
    }
    for (std::size_t k = 0; k < frequenciesHz.size(); ++k)
        impedance[k] = ImpedanceAt(frequenciesHz[k]);
}

Termination ResistanceTermination(double ohms)
{
    return Termination{PortResistance{ohms}};
}

Termination MeasuredTermination(std::shared_ptr<const MeasuredLoad> data)
{
    // A circuit's termination keeps its points only for the fit: the
    // circuit itself gives the impedance, as MeasuredLoad::ImpedanceAt does.
    if (const CircuitImpedance *circuit =
            data->exact ? data->exact.target<CircuitImpedance>() : nullptr)
        return Termination{CircuitLoad{circuit->circuit}};
    return Termination{MeasuredPort{std::move(data)}};
}

int LoadPortOf(const Network &network)
{
    if (network.measured)
        return network.measured->port;
    return network.load ? network.load->port() : 2;
}

Termination ModelLoadTerminationOf(const Network &network)
{
    if (network.load) {
        const double ohms = network.load->port() == 2 ? network.port2Ohms : network.port1Ohms;
        return Termination{ReactiveLoad{ohms, *network.load}};
    }
    return ResistanceTermination(LoadPortOf(network) == 2 ? network.port2Ohms : network.port1Ohms);
}

Termination LoadTerminationOf(const Network &network)
{
    if (network.measured)
        return MeasuredTermination(network.measured);
    return ModelLoadTerminationOf(network);
}

Termination SourceTerminationOf(const Network &network)
{
    if (network.measured && network.measured->source)
        return MeasuredTermination(network.measured->source);
    return ResistanceTermination(LoadPortOf(network) == 2 ? network.port1Ohms : network.port2Ohms);
}

} // namespace tevmar::analysis
