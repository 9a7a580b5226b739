#pragma once

// A transistor's figures as text: the table tevmar-cli --device prints and
// its JSON document.

#include "analysis/amplifier/device_figures.h"
#include "format/json_number.h"

#include <string>
#include <vector>

namespace tevmar::format {

struct DeviceReport
{
    std::string fileName;
    double referenceOhms = 50;
    std::vector<analysis::DevicePoint> points;
    // Points thinned out of a long file: the data frequencies in the band,
    // of which `points` are one in every `stride` and the last.
    std::size_t pointsInBand = 0;
    std::size_t stride = 1;
};

// The table: stability and gain, the matching and noise terminations, then
// every circle at each frequency. Reflections as magnitude @ angle in degrees.
std::vector<std::string> DeviceLines(const DeviceReport &report);

// {"device": {"file", "referenceOhms", "points": [...]}}; complex values as
// [re, im] and null where a figure does not exist.
std::string DeviceJson(const DeviceReport &report);
// The same document as a tree.
Json DeviceDocumentJson(const DeviceReport &report);

} // namespace tevmar::format
