#pragma once

// What stands at a port of a matching network: the source that drives it or
// the load it matches. Every figure that needs a termination's impedance asks
// it here, whatever the termination is: a plain port resistance, a resistance
// with the reactance the synthesis absorbs (series or shunt RL or RC), a small
// circuit of ideal parts, a one-port measured by a network analyser, or the
// port of a transistor. A new kind of termination is one more alternative of
// TerminationKind; every std::visit over it (here, and the header and
// test-bench text in format/termination_text.cpp) then fails to compile until
// it says what the new kind is.

#include "analysis/model/circuit_expression.h"
#include "analysis/model/network.h"
#include "analysis/readers/measured_load.h"

#include <complex>
#include <functional>
#include <memory>
#include <span>
#include <variant>

namespace tevmar::analysis {

// A real resistance, the port's reference as typed.
struct PortResistance
{
    double ohms = 50;
};

// A resistance with the load's own inductor or capacitor in series with it (a
// series RL or RC load) or across it (a shunt RL or RC load): the four loads
// whose reactance a network absorbs.
struct ReactiveLoad
{
    double resistanceOhms = 50;
    LoadReactance reactance;

    bool series() const { return IsSeriesLoad(reactance.type); }
    // The load's Q at angular frequency omega: |X| / R in series, R / |X|
    // across, the figure the Bode-Fano limit starts from.
    double QualityAt(double omega) const;
};

// A circuit of ideal parts as the engineer typed it: exact at every
// frequency.
struct CircuitLoad
{
    std::shared_ptr<const Circuit> circuit;
};

// A one-port known by its points: linear between them, the end values held
// beyond (MeasuredLoad::ImpedanceAt).
struct MeasuredPort
{
    std::shared_ptr<const MeasuredLoad> data;
};

// A transistor's port as the network sees it: the reflection the device
// shows there (its own S11 or S22, or with the other side's termination its
// input or output reflection), referred to the device data's resistance.
struct DevicePort
{
    std::function<std::complex<double>(double)> reflectionAt;
    double referenceOhms = 50;
    int port = 1; // 1: the device's input, 2: its output
};

using TerminationKind =
    std::variant<PortResistance, ReactiveLoad, CircuitLoad, MeasuredPort, DevicePort>;

struct Termination
{
    TerminationKind kind = PortResistance{};

    // The impedance in ohms at a frequency above zero.
    std::complex<double> ImpedanceAt(double frequencyHz) const;
    // The same at every frequency of a grid (each value ImpedanceAt's).
    void ImpedanceOver(std::span<const double> frequenciesHz,
                       std::span<std::complex<double>> impedance) const;
    // A plain resistance: the figures between two of them are the classic
    // ones, referred to real port resistances.
    bool resistive() const { return std::holds_alternative<PortResistance>(kind); }
};

// A resistance's termination.
Termination ResistanceTermination(double ohms);
// A measured one-port's termination: its circuit where it was typed as one,
// its points otherwise (a null pointer gives nothing: check first).
Termination MeasuredTermination(std::shared_ptr<const MeasuredLoad> data);

// The port the network's load stands at: the measured load's, the absorbed
// reactance's, or port 2, the low-impedance port, for plain resistances.
int LoadPortOf(const Network &network);
// The load the network is matched to: the measured data or circuit where it
// has one, the port resistance with the absorbed reactance where it absorbs
// one, the load's port resistance otherwise.
Termination LoadTerminationOf(const Network &network);
// The load as the synthesis modelled it, measured data or not: the port
// resistance with the absorbed reactance, or the port resistance alone.
Termination ModelLoadTerminationOf(const Network &network);
// The source that drives the other port: a measured source where the network
// has one, that port's resistance otherwise.
Termination SourceTerminationOf(const Network &network);

} // namespace tevmar::analysis
