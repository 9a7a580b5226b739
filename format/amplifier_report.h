#pragma once

// An amplifier's two matching networks and its figures over the band as
// text: the lines tevmar-cli --amplifier prints, its JSON document, the CSV
// sweep of the whole amplifier, its Touchstone files and the networks' SPICE
// netlist.

#include "analysis/amplifier/amplifier.h"
#include "analysis/figures/impedance_path.h"
#include "format/json_number.h"

#include <optional>
#include <string>
#include <vector>

namespace tevmar::format {

struct AmplifierReport
{
    std::string fileName; // the device's file
    double referenceOhms = 50;
    analysis::Termination source, load;
    analysis::Amplifier amplifier;
    // The files of a measured source and load; empty for a resistance.
    std::string sourceFile, loadFile;
    // Each network's path through its parts at the band's centre
    // (AmplifierSidePath), given as each side's "path" where set.
    std::optional<analysis::ImpedancePath> inputPath = std::nullopt, outputPath = std::nullopt;
};

std::vector<std::string> AmplifierLines(const AmplifierReport &report);

// The lines that close AmplifierLines: the margin held in band, the loops
// over the whole data at the parts' tolerance, and whether the amplifier is
// unconditionally stable or, where the device is not, that it is stable only
// with these terminations.
std::vector<std::string> StabilityLines(const analysis::Amplifier &amplifier);

// What --stabilise did: the loaded device's least mu, the resistors' spread
// checked and the gain they cost, or that no resistor was needed.
std::string StabiliserLine(const analysis::Stabiliser &stabiliser);

// {"amplifier": {"goal", "device", "referenceOhms", "sourceOhms", "loadOhms"
// (null where measured), "sourceS1p", "loadS1p" (the files, or null),
// "input": {"topology", "elements", "path"}, "output": {...}, "sweep": [...],
// "gtDbMin", "gtDbMax", "nfDbMax", "stable", "stability": {"marginAsked",
// "worstLoopInBand", "worstLoopOverData", "atFrequencyHz", "toleranceChecked"
// (percent)}, and with the stabilising resistors "stabiliser":
// {"inputSeriesOhms", "outputShuntOhms" (null where none), "leastMu",
// "leastMuAtHz", "muAsked", "toleranceChecked", "deviceGainDb",
// "stabilisedGainDb", "gainCostDb"}}}; the resistors also stand in the
// elements beside the device, {"name", "kind", "value", "unit": "ohm",
// "stabiliser": true}; complex values as [re, im], null where a figure does
// not exist. On a kit's parts each element carries "part", its number, and
// the document gains "kit": {"designed": {"input", "output", "gtDbMin",
// "gtDbMax", "nfDbMax"}, "choicesScored", "choiceTaken"}. Each network's
// "path" (where the report has one) lists the impedance looking toward the
// device or the load after each part, as PathJson: [{"after": "load" or the
// part, "z": [re, im]}], the input network's "load" the device's input with
// the output network and the load behind it, the output network's the load.
std::string AmplifierJson(const AmplifierReport &report);
// The same document as a tree.
Json AmplifierDocumentJson(const AmplifierReport &report);

// One row per point: frequency, G_T, NF, the presented reflections, the
// return losses, the device's port reflections and mu.
std::string AmplifierCsv(const std::vector<analysis::AmplifierPoint> &points);

// The whole amplifier's scattering matrix at each of the device's data
// frequencies, version 1.1, real and imaginary parts, both ports referred to
// `portOhms`.
std::string AmplifierTouchstone(const analysis::TwoPortData &device,
                                const analysis::Amplifier &amplifier, double portOhms);

// The whole amplifier as Touchstone 2.0, each port referred to its own
// termination as [Reference] says: port 1 to the source resistance, port 2 to
// the load resistance (a measured termination's port to the data's
// resistance, since a reference is a real resistance). Between resistive
// terminations |S21|^2 is then the transducer gain and |S11| and |S22| the
// return losses the sweep gives. Keywords as the matching network's 2.0 file:
// data order 12_21, real and imaginary parts.
std::string AmplifierTouchstoneV2(const AmplifierReport &report,
                                  const analysis::TwoPortData &device);

// The bill of materials of both networks: the rows BomCsv writes for each,
// under a first column "network" (input or output); a network's positions
// count from its own first part, the source's end of the input network and
// the device's end of the output network.
std::string AmplifierBomCsv(const analysis::Amplifier &amplifier);

inline constexpr const char *kAmplifierInputSubcircuit = "tevmar_amp_input";
inline constexpr const char *kAmplifierOutputSubcircuit = "tevmar_amp_output";

// The two networks as SPICE subcircuits "tevmar_amp_input p1 p2" (p1 at the
// source, p2 at the device's input) and "tevmar_amp_output p1 p2" (p1 at the
// device's output, p2 at the load). SPICE has no element for the device's
// measured S-parameters, so the header says the device is not in the netlist
// and names the terminations each network was designed between. A test bench
// drives 1 A into each network's device end with its resistive termination
// behind the other end, over the band's data frequencies, so that nodes zs
// and zl carry the impedances the networks present to the device; a
// measured termination has no bench.
std::string AmplifierSpice(const AmplifierReport &report, int points = 201);

} // namespace tevmar::format
