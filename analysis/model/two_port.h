#pragma once

// Two-port response of a network by ABCD cascade in complex double precision,
// at one frequency or over a grid of them. The grid forms cascade every part
// over the whole grid at once (one array per real and imaginary entry of the
// ABCD matrix), which the compiler turns into vector instructions; both forms
// give the same numbers to the last bit.

#include "analysis/model/network.h"

#include <complex>
#include <optional>
#include <span>
#include <vector>

namespace tevmar::analysis {

using Complex = std::complex<double>;

struct SParameters
{
    Complex s11, s21, s12, s22;
};

// The figures of one frequency with the network's own terminations as port
// references: port 1 the high-impedance end, port 2 the low-impedance end.
// With a measured load, port 1 is the source's port (referred to the source
// resistance) and port 2 the load's: S11 the reflection the source sees, S21 =
// S12 the transducer gain's amplitude, S22 the power-wave reflection at the
// load. With a measured source too, S11 is the power-wave reflection at the
// source, (Zin - Zs*) / (Zin + Zs), so that |S11|^2 = 1 - G_T for a lossless
// network. For a lossless network |S11| = |S22| either way.
struct SweepPoint
{
    double frequencyHz = 0;
    SParameters s;
    double s11Db = 0;           // 20 log10 |S11|, at most 0
    double returnLossDb = 0;    // -s11Db
    double vswr = 1;            // (1 + |S11|) / (1 - |S11|)
    double mismatchLossDb = 0;  // -10 log10 (1 - |S11|^2)
    double insertionLossDb = 0; // -20 log10 |S21|
    double s21PhaseDeg = 0;     // arg S21 in degrees, -180 to 180
};

// The cascade of the network's parts alone: terminations and an absorbed
// load's reactance excluded. frequencyHz must be positive.
Abcd PartsAbcd(const Network &network, double frequencyHz);

// The network's parts with the absorbed load's reactance at its port, so that
// between the two port resistances it gives the response into the true load.
// Without an absorbed load, the same as PartsAbcd.
Abcd LoadedAbcd(const Network &network, double frequencyHz);

// S-parameters of a two-port between real reference resistances z1 and z2 (ohms).
SParameters SParametersOf(const Abcd &abcd, double z1Ohms, double z2Ohms);

// The network with the true load (LoadedAbcd) between the port resistances,
// or, when the network has one, between the source and the measured load.
SweepPoint Evaluate(const Network &network, double frequencyHz);
// The same at every frequency of a grid (each positive).
std::vector<SweepPoint> EvaluateOver(const Network &network, std::span<const double> frequenciesHz);

// Whether the match is read at port 2: a shunt load stands at port 1, so the
// source drives port 2, and with lossy parts (or pads) the reflection the
// source sees differs from port 1's. For ideal parts |S11| = |S22| and the
// figures keep reading port 1.
bool SourceAtPort2(const Network &network);

// |S11| alone, the figure the passband checks and the tolerance trials need;
// of the network with the true load.
double ReflectionMagnitude(const Network &network, double frequencyHz);
// With SourceAtPort2 both read |S22|, the reflection at the source.
// |S11| at every frequency of a grid, into `gamma` (one per frequency).
void ReflectionOver(const Network &network, std::span<const double> frequenciesHz,
                    std::span<double> gamma);

// S21 alone, as Evaluate gives it, at one frequency and at every frequency
// of a grid: the transducer gain's amplitude, which the match figure of
// lossy parts reads.
Complex TransmissionAt(const Network &network, double frequencyHz);
void TransmissionOver(const Network &network, std::span<const double> frequenciesHz,
                      std::span<Complex> s21);

// The insertion loss of a point, dB, from its S21 as Evaluate forms it.
double InsertionLossDbOf(Complex s21);

// Group delay of S21, -d(arg S21)/dw in seconds, of the network with the true
// load: a central difference over +-1 ppm of the frequency.
double GroupDelaySeconds(const Network &network, double frequencyHz);
std::vector<double> GroupDelayOver(const Network &network, std::span<const double> frequenciesHz);

double VswrOf(double reflectionMagnitude);
double MismatchLossDbOf(double reflectionMagnitude);

} // namespace tevmar::analysis
