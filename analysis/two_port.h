#pragma once

// Two-port response of a ladder by ABCD cascade in complex double precision.

#include "analysis/ladder.h"

#include <complex>
#include <optional>

namespace tevmar::analysis {

using Complex = std::complex<double>;

// How a finite Q turns into loss across frequency.
enum class QModel {
    Centre,  // the loss resistance fixed by Q at the centre frequency (Q rises with f for L)
    Constant // the same Q at every frequency
};

// Finite component Q of the network's parts (an absorbed load's reactance stays
// ideal). With the centre model an inductor gets the series loss resistance
// w0 L / Q and a capacitor the parallel conductance w0 C / Q; with the constant
// model w takes the place of w0. An absent Q means an ideal, lossless part.
struct LossModel
{
    std::optional<double> inductorQ;
    std::optional<double> capacitorQ;
    double centreHz = 0;
    QModel model = QModel::Centre;

    bool lossless() const { return !inductorQ && !capacitorQ; }
};

struct Abcd
{
    Complex A{1, 0}, B{0, 0}, C{0, 0}, D{1, 0};
};

struct SParameters
{
    Complex s11, s21, s12, s22;
};

// The figures of one frequency with the ladder's own terminations as port
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
Abcd LadderAbcd(const Ladder &ladder, double frequencyHz, const LossModel &losses = {});

// The network's parts with the absorbed load's reactance at its port, so that
// between the two port resistances it gives the response into the true load.
// Without an absorbed load, the same as LadderAbcd.
Abcd LoadedAbcd(const Ladder &ladder, double frequencyHz, const LossModel &losses = {});

// S-parameters of a two-port between real reference resistances z1 and z2 (ohms).
SParameters SParametersOf(const Abcd &abcd, double z1Ohms, double z2Ohms);

// The network with the true load (LoadedAbcd) between the port resistances,
// or, when the ladder has one, between the source and the measured load.
SweepPoint Evaluate(const Ladder &ladder, double frequencyHz, const LossModel &losses = {});

// |S11| alone, the figure the passband checks and the tolerance trials need;
// of the network with the true load.
double ReflectionMagnitude(const Ladder &ladder, double frequencyHz, const LossModel &losses = {});

// Group delay of S21, -d(arg S21)/dw in seconds, of the network with the true
// load: a central difference over +-1 ppm of the frequency.
double GroupDelaySeconds(const Ladder &ladder, double frequencyHz, const LossModel &losses = {});

double VswrOf(double reflectionMagnitude);
double MismatchLossDbOf(double reflectionMagnitude);

} // namespace tevmar::analysis
