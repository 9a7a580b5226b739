#pragma once

// A single-stage amplifier around a transistor's two-port file: both
// matching networks designed together over a band, for every front end alike.

#include "analysis/amplifier/amplifier.h"
#include "analysis/readers/touchstone_reader.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

using analysis::AmplifierGoal;

// The terminations an amplifier takes, ohms: beyond them no chip network
// reaches a transistor's port, and the reflections round to the chart's edge.
inline constexpr double kLeastTerminationOhms = 1e-3;
inline constexpr double kMostTerminationOhms = 1e6;

struct AmplifierInput
{
    std::string filePath;
    std::optional<analysis::TwoPortData> data; // already read; unset: the file is read
    AmplifierGoal goal = AmplifierGoal::Gain;
    double sourceOhms = 50, loadOhms = 50; // the resistances, unless measured
    std::string label = "--device";        // how messages name the file
    // A source or load measured in a one-port Touchstone file in place of
    // its resistance, and how messages name each.
    std::optional<std::string> sourceS1p, loadS1p;
    std::string sourceLabel = "--source-s1p", loadLabel = "--load-s1p";
    // The parts as they will be built (models, Q, pads); ideal by default.
    analysis::LossModel built;
    // Both loops held at or below its square in band; between 0 and 1.
    double stabilityMargin = 0.9;
    // Each part also checked moved alone by this, percent (0: the 2 % alone).
    double tolerancePercent = 0;
    // A folder of measured chip parts both networks are built from, and how
    // messages name it.
    std::optional<std::string> partsFolder;
    std::string partsLabel = "--parts";
    // The device loaded with resistors until unconditionally stable first.
    bool stabilise = false;
};

struct AmplifierOutcome
{
    std::string fileName;
    // The data the networks were designed around: the file's, or with
    // --stabilise the file's cascaded with the stabilising resistors.
    analysis::TwoPortData data;
    analysis::Amplifier amplifier;
    // The resistances, or the measured source and load in their place.
    analysis::Termination source, load;
    // The whole amplifier at every data frequency of the file and on the
    // dense grid over the band, for the CSV sweep and the window.
    std::vector<analysis::AmplifierPoint> whole;
};

// Either the design, or why there is none: `usage` for a file that cannot be
// read, a band the data do not cover or terminations that are not positive
// (the request itself is wrong), otherwise no design keeps the device stable
// or the noise goal has no noise data in the band.
struct AmplifierRun
{
    std::optional<AmplifierOutcome> outcome;
    std::string problem; // without the label
    bool usage = false;
    bool aboutFile = false; // the problem is the file's or the band's: messages name the file
    std::vector<std::string> warnings;
};

// Designs the amplifier over the band f1Text..f2Text (GHz as the boxes read
// them; both needed). Throws analysis::TuneCancelled when `stop` is raised
// before the networks are found.
AmplifierRun RunAmplifier(const AmplifierInput &input, const std::string &f1Text,
                          const std::string &f2Text, const std::atomic<bool> *stop = nullptr);

// "gain" or "noise".
std::optional<AmplifierGoal> AmplifierGoalOf(const std::string &name);

} // namespace tevmar::session
