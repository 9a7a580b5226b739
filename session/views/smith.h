#pragma once

// The Smith chart's arithmetic, without Qt: where an impedance or a
// reflection coefficient lies on the chart, and the readout of a point.

#include "analysis/model/two_port.h"

#include <string>

namespace tevmar::session {

using analysis::Complex;

// The reflection coefficient of impedance z against the real reference z0.
// An open circuit (infinite z) gives 1.
Complex ReflectionOf(Complex z, double z0Ohms);

// The impedance that reflects gamma against z0; infinite at gamma = 1.
Complex ImpedanceOf(Complex gamma, double z0Ohms);

struct ChartPoint
{
    double x = 0;
    double y = 0;
};

// Where gamma lies on a chart drawn as a circle of `radius` around
// (centreX, centreY) on a screen whose y grows downwards: a match at the
// centre, a short at the left edge, an open at the right edge, inductive
// impedances in the upper half.
ChartPoint ChartPosition(Complex gamma, double centreX, double centreY, double radius);

// The reflection coefficient at a screen position of the same chart.
Complex GammaAt(ChartPoint point, double centreX, double centreY, double radius);

// "1.5 GHz\nZ = 49.8 + j1.23 Ohm\n|G| 0.0123 at 45.6 deg": a trace point as the
// chart's hover box shows it, with Z referred to z0.
std::string SmithReadout(double frequencyHz, Complex gamma, double z0Ohms);

// What a point of the chart stands for, as the readout under the pointer
// gives it: "Z = 25 + j10 Ω", "Y = 34.48 − j13.79 mS", "Γ = 0.3604 ∠ 123.7°",
// "VSWR 2.127", "Q 0.4" (|X| / R), one a line; an open circuit's Z and a
// short's Y read "open" and "short", a point on or beyond the rim has no
// VSWR ("VSWR ∞").
std::string ChartPointReadout(Complex gamma, double z0Ohms);

} // namespace tevmar::session
