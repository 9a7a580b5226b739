#pragma once

// A transistor given by its two-port Touchstone file: its stability, gain and
// noise figures and circles at each of its data frequencies, for every front
// end alike.

#include "analysis/amplifier/device_figures.h"
#include "analysis/readers/touchstone_reader.h"

#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

struct DeviceInput
{
    std::string filePath;
    std::optional<analysis::TwoPortData> data; // already read; unset: the file is read
    analysis::DeviceLevels levels;             // the gain and noise circles asked for
    std::string label = "--device";            // how messages name the file
};

// The most data frequencies whose figures a run gives. A vector network
// analyser's sweep is at most some tens of thousands of points; a file of a
// million would take gigabytes as a table and its JSON, so the figures are
// then given at every Nth of them, the band's last point included, and the
// run says so.
inline constexpr std::size_t kMaxDevicePoints = 10'000;

struct DeviceOutcome
{
    std::string fileName;
    analysis::TwoPortData data;
    // The data frequencies in the band: each of them, or every `stride`th
    // and the last when there are more than kMaxDevicePoints.
    std::vector<analysis::DevicePoint> points;
    std::size_t pointsInBand = 0; // the data frequencies in the band
    std::size_t stride = 1;       // 1: every one of them
};

// The two-port file at `path`, read as ReadOnePortFile reads a one-port one.
analysis::TwoPortData ReadTwoPortFile(const std::string &path);

// The figures, or why there are none: the file cannot be read, or the band
// (both texts as the boxes read them, in GHz; both empty for every point)
// reaches past the data or holds none of its frequencies.
struct DeviceRun
{
    std::optional<DeviceOutcome> outcome;
    std::string problem; // without the label
    std::vector<std::string> warnings;
};
DeviceRun RunDevice(const DeviceInput &input, const std::string &f1Text, const std::string &f2Text);

// The circle names tevmar.device's circles() takes: "source stability",
// "load stability", "available gain", "operating gain", "noise".
enum class DeviceCircleKind { SourceStability, LoadStability, AvailableGain, OperatingGain, Noise };
std::optional<DeviceCircleKind> DeviceCircleKindOf(const std::string &name);

// One circle at one of the data's frequencies (within a part in 1e9), at
// `levelDb` for the gain and noise circles; a problem where the frequency
// is not one of the data's or the circle does not exist there.
struct DeviceCircleResult
{
    std::optional<analysis::Circle> circle;
    std::optional<bool> stableInside; // the stability circles'
    std::string problem;
};
DeviceCircleResult DeviceCircleAt(const DeviceOutcome &device, DeviceCircleKind kind,
                                  double levelDb, double frequencyHz);

// The figures at the device's `index`th point with the circles at `levels`.
analysis::DevicePoint DevicePointAt(const DeviceOutcome &device, std::size_t index,
                                    const analysis::DeviceLevels &levels);

// The circles a picture of one frequency shows unasked: gain 1, 2 and 3 dB
// below the most the device gives there in whole dB (MAG where it exists,
// else MSG), noise figure 0.25, 0.5 and 1 dB above NFmin where the noise
// parameters are known.
analysis::DeviceLevels PictureLevels(const analysis::DevicePoint &point);

} // namespace tevmar::session
