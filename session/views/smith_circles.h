#pragma once

// The Smith chart's circles and grids, without Qt: the contour of constant
// node Q that a band of a given width allows, the admittance grid laid over
// the impedance one, and the circles of a transistor's planes across a band.
// Every point is a reflection coefficient, for the front end to place.

#include "analysis/amplifier/device_figures.h"
#include "session/run/device.h"
#include "session/views/smith.h"

#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// The node Q a band allows: its centre over its width, f0 / (f2 - f1). A
// ladder whose points stray outside the contour of this Q rings narrower than
// the band asked. Unset for a band without width.
std::optional<double> BandQ(double lowHz, double highHz, double centreHz);

// The contour where |X| / R = q (q > 0), as two arcs from the short to the
// open: the inductive one (X > 0, upper half) first, then the capacitive one.
// Each arc holds `samples` + 1 reflections, its ends exactly -1 and +1.
struct QContour
{
    double q = 0;
    std::vector<Complex> inductive, capacitive;
};
QContour ConstantQContour(double q, int samples = 240);

// One line of the chart's grid: a circle of constant resistance (or
// conductance) or an arc of constant reactance (or susceptance), normalised
// to the reference, traced as reflections inside the rim.
struct GridLine
{
    enum class Kind { Resistance, Reactance, Conductance, Susceptance };
    Kind kind;
    double value = 0; // normalised; a reactance or susceptance with its sign
    std::vector<Complex> gamma;
};

// The values the grid draws: 0.2, 0.5, 1, 2 and 5 times the reference.
inline constexpr double kSmithGridValues[] = {0.2, 0.5, 1.0, 2.0, 5.0};

// The impedance grid (resistance circles and reactance arcs of each value,
// both signs), or the admittance grid: the same lines turned half a turn
// about the centre, since y = 1 / z maps gamma to -gamma.
std::vector<GridLine> SmithGridLines(bool admittance, int samples = 400);

// Where a grid value's circle meets the real axis away from the rim: for the
// impedance grid at gamma = (r - 1) / (r + 1), for the admittance grid at its
// negative.
Complex GridAxisCrossing(double value, bool admittance);

// A transistor's plane across its band, for the window to draw as a family:
// the figures at `count` frequencies evenly spaced over the outcome's points
// (the data interpolated between its frequencies as the amplifier's design
// interpolates them), each with the gain and noise circles at the levels
// asked. A count of 1 gives the band's lowest frequency.
std::vector<analysis::DevicePoint> DeviceFamily(const DeviceOutcome &device, int count,
                                                const analysis::DeviceLevels &levels);

// The figures at any frequency within the device's band (the slider's),
// interpolated likewise; clamped to the band's ends.
analysis::DevicePoint DeviceFiguresBetween(const DeviceOutcome &device, double frequencyHz,
                                           const analysis::DeviceLevels &levels);

// The figures (without circles) over the device's band for its plot: at each
// data frequency and, between two of them further apart than a 400th of the
// span, at points that far apart, interpolated as above; `measured` flags the
// data frequencies, the points a plot marks.
struct DeviceSweep
{
    std::vector<analysis::DevicePoint> points;
    std::vector<bool> measured;
};
DeviceSweep DeviceFiguresDense(const DeviceOutcome &device, int steps = 400);

// Levels every frequency of the band can draw: the gain circle a whole dB
// below the least of the band's best gains (MAG where it exists, else MSG),
// and the noise circle half a dB above the band's largest NFmin (unset
// without noise data).
analysis::DeviceLevels FamilyLevels(const DeviceOutcome &device);

} // namespace tevmar::session
