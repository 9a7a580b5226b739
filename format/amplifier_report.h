#pragma once

// An amplifier's two matching networks and its figures over the band as
// text: the lines tevmar-cli --amplifier prints, its JSON document, the CSV
// sweep of the whole amplifier and its Touchstone file.

#include "analysis/amplifier.h"

#include <string>
#include <vector>

namespace tevmar::format {

struct AmplifierReport
{
    std::string fileName; // the device's file
    double referenceOhms = 50;
    analysis::AmplifierTerminations terminations;
    analysis::Amplifier amplifier;
    // The files of a measured source and load; empty for a resistance.
    std::string sourceFile, loadFile;
};

std::vector<std::string> AmplifierLines(const AmplifierReport &report);

// {"amplifier": {"goal", "device", "referenceOhms", "sourceOhms", "loadOhms"
// (null where measured), "sourceS1p", "loadS1p" (the files, or null),
// "input": {"topology", "elements"}, "output": {...}, "sweep": [...],
// "gtDbMin", "gtDbMax", "nfDbMax", "stable"}}; complex values as [re, im],
// null where a figure does not exist.
std::string AmplifierJson(const AmplifierReport &report);

// One row per point: frequency, G_T, NF, the presented reflections, the
// return losses, the device's port reflections and mu.
std::string AmplifierCsv(const std::vector<analysis::AmplifierPoint> &points);

// The whole amplifier's scattering matrix at each of the device's data
// frequencies, version 1.1, real and imaginary parts, both ports referred to
// `portOhms`.
std::string AmplifierTouchstone(const analysis::TwoPortData &device,
                                const analysis::Amplifier &amplifier, double portOhms);

} // namespace tevmar::format
