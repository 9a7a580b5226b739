#pragma once

// Two-port response of a ladder by ABCD cascade in complex double precision.

#include "analysis/ladder.h"

#include <complex>
#include <optional>

namespace tevmar::analysis {

using Complex = std::complex<double>;

// Finite component Q, each fixed at the centre frequency: an inductor gets the
// series loss resistance w0 L / Q, a capacitor the parallel conductance
// w0 C / Q. An absent Q means an ideal, lossless component.
struct LossModel
{
    std::optional<double> inductorQ;
    std::optional<double> capacitorQ;
    double centreHz = 0;

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
struct SweepPoint
{
    double frequencyHz = 0;
    SParameters s;
    double s11Db = 0;           // 20 log10 |S11|, at most 0
    double returnLossDb = 0;    // -s11Db
    double vswr = 1;            // (1 + |S11|) / (1 - |S11|)
    double mismatchLossDb = 0;  // -10 log10 (1 - |S11|^2)
    double insertionLossDb = 0; // -20 log10 |S21|
};

// The cascade of the ladder's reactive elements alone, terminations excluded.
// frequencyHz must be positive.
Abcd LadderAbcd(const Ladder &ladder, double frequencyHz, const LossModel &losses = {});

// S-parameters of a two-port between real reference resistances z1 and z2 (ohms).
SParameters SParametersOf(const Abcd &abcd, double z1Ohms, double z2Ohms);

SweepPoint Evaluate(const Ladder &ladder, double frequencyHz, const LossModel &losses = {});

// |S11| alone, the figure the passband checks and the tolerance trials need.
double ReflectionMagnitude(const Ladder &ladder, double frequencyHz, const LossModel &losses = {});

double VswrOf(double reflectionMagnitude);
double MismatchLossDbOf(double reflectionMagnitude);

} // namespace tevmar::analysis
