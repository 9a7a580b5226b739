#pragma once

// What the Transistor window shows of an amplifier, without Qt: the request
// its boxes make, both networks' schematics (each between the termination
// and the transistor's port it was designed for) and the whole amplifier's
// gain, noise figure and return losses against frequency.

#include "session/run/amplifier.h"
#include "session/run/device.h"
#include "session/views/schematic.h"

#include <complex>
#include <string>
#include <vector>

namespace tevmar::session {

class Study;

// The window's boxes: the band in GHz and the terminations in ohms, as typed.
struct AmplifierBoxes
{
    AmplifierGoal goal = AmplifierGoal::Gain;
    std::string f1Ghz, f2Ghz;
    std::string sourceOhms = "50", loadOhms = "50";
    std::string stabilityMargin = "0.9"; // both loops held at its square in band
    bool stabilise = false;              // the device loaded until unconditionally stable first
};

// The design from the device the window already holds; a source or load that
// is not a plain number in ohms, or a margin that is not a number above 0 and
// below 1, is refused with the reason, as tevmar-cli refuses it. With a
// study, the same boxes over the same device answer from its last design.
// Throws analysis::TuneCancelled when `stop` is raised before the design ends.
AmplifierRun RunAmplifierFromBoxes(const DeviceOutcome &device, const AmplifierBoxes &boxes,
                                   Study *study = nullptr, const std::atomic<bool> *stop = nullptr);

// The band the boxes start with: the data frequencies next to the first
// unconditionally stable one (the whole data where none is), in GHz.
std::pair<std::string, std::string> StartingBand(const DeviceOutcome &device);

struct AmplifierView
{
    Schematic input;                     // the source on the left, the device's input on the right
    Schematic output;                    // the device's output on the left, the load on the right
    std::string inputTitle, outputTitle; // "Input network (source to device), bandpass"
    // At every data frequency of the file, on the band's dense grid and, as
    // finely as a 400th of the file's span, between data frequencies outside
    // the band (the data interpolated as the design interpolates them); NaN
    // where a figure does not exist.
    std::vector<double> frequencyGhz, gtDb, nfDb, inputReturnLossDb, outputReturnLossDb;
    // Whether each point is one of the file's data frequencies (the rest are
    // interpolated): only they are marked on the curves.
    std::vector<bool> measured;
    double bandLowGhz = 0, bandHighGhz = 0; // the band designed for
    // The terminations the networks present to the transistor across the
    // band (the dense grid), referred to the device data's resistance, for
    // the source and load planes; empty where a stabilising resistor stands
    // between them and the transistor the planes describe.
    std::vector<std::complex<double>> designGammaS, designGammaL;
    std::string summary; // the gain and noise over the band, and whether it is stable
};

AmplifierView AmplifierViewOf(const AmplifierOutcome &outcome);

} // namespace tevmar::session
