#pragma once

// A transistor's figures from its scattering matrix (and noise parameters)
// at each measured frequency: how stable it is, how much gain it can give,
// the terminations that give it, and the circles in the source and load
// reflection planes that an amplifier designer places the matching on. Every
// reflection is referred to the resistance the data are referred to.

#include "analysis/readers/touchstone_reader.h"

#include <complex>
#include <optional>
#include <vector>

namespace tevmar::analysis {

struct Circle
{
    std::complex<double> center;
    double radius = 0;
};

// Where |Gamma in| = 1 (load plane) or |Gamma out| = 1 (source plane).
struct StabilityCircle
{
    Circle circle;
    bool stableInside = false; // the terminations inside keep the other port's |Gamma| below 1
};

// A circle of constant gain or noise figure; unset where no termination
// reaches that level (above the most gain, below the least noise figure).
struct LevelCircle
{
    double db = 0;
    std::optional<Circle> circle;
};

// The noise parameters at a frequency (interpolated between the file's
// noise points).
struct DeviceNoise
{
    double nfMinDb = 0;
    std::complex<double> gammaOpt;
    double rnOhms = 0;
};

struct DevicePoint
{
    double frequencyHz = 0;
    TwoPortMatrix s;
    std::optional<double> k;       // Rollett; unset where S12 S21 = 0 (no feedback)
    double delta = 0;              // |S11 S22 - S12 S21|
    std::optional<double> mu;      // Edwards-Sinsky, at the input
    std::optional<double> muPrime; // at the output
    std::optional<double> msgDb;   // |S21 / S12|; unset where S12 = 0
    std::optional<double> magDb;   // only where K > 1 and |Delta| < 1
    std::optional<std::complex<double>> gammaS, gammaL; // simultaneous conjugate match, likewise
    std::optional<DeviceNoise> noise;
    // Unset where the circle degenerates into a line.
    std::optional<StabilityCircle> sourceStability, loadStability;
    std::vector<LevelCircle> availableGain; // source plane, one per level asked
    std::vector<LevelCircle> operatingGain; // load plane
    std::vector<LevelCircle> noiseFigure;   // source plane; unset circles without noise data
};

struct DeviceLevels
{
    std::vector<double> gainDb;  // available and operating gain circles
    std::vector<double> noiseDb; // noise-figure circles
};

// The noise parameters at `frequencyHz`: the file's own at one of its noise
// frequencies, linear between two of them (NFmin in dB, Gamma opt in real
// and imaginary parts, Rn), and unset outside their span.
std::optional<DeviceNoise> NoiseAt(const std::vector<NoisePoint> &noise, double frequencyHz);

// The device's scattering matrix at `frequencyHz` within the data's span:
// the file's own at a data frequency, between two of them each parameter's
// magnitude and angle linear in frequency (the angle the short way round),
// held at the end values beyond them. A transistor's parameters turn with
// frequency: magnitude and angle follow them between points where real and
// imaginary parts would cut the chord and understate every reflection.
TwoPortMatrix DeviceScatteringAt(const TwoPortData &data, double frequencyHz);

// Every figure at one frequency.
DevicePoint DeviceFiguresAt(double frequencyHz, const TwoPortMatrix &s,
                            const std::optional<DeviceNoise> &noise, double referenceOhms,
                            const DeviceLevels &levels);

// The figures at each of the data's frequencies from `fromHz` to `toHz`.
std::vector<DevicePoint> DeviceFigures(const TwoPortData &data, const DeviceLevels &levels,
                                       double fromHz, double toHz);

} // namespace tevmar::analysis
