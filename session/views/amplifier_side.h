#pragma once

// One side of an amplifier as the network shown: its matching network as
// built, between the terminations it really works between, and its files
// through the writers every other network takes. The input network stands
// between the source (port 1) and the transistor's input (port 2), as the
// output network and the load behind the device make that input; the output
// network between the transistor's output (port 1), as the input network and
// the source behind the device make it, and the load (port 2). Every figure
// of a side is its network's between those two impedances, as power waves:
// S11 is the reflection the source (or the device's output) sees, |S21|^2
// the transducer gain of the network alone from its port-1 termination into
// its port-2 one.

#include "analysis/figures/sweep.h"
#include "analysis/model/network.h"
#include "session/run/amplifier.h"
#include "session/run/calculation.h"
#include "session/run/exports.h"
#include "session/views/network_view.h"
#include "session/views/response.h"

#include <string>
#include <vector>

namespace tevmar::session {

enum class AmplifierSide { Input = 1, Output = 2 };

struct AmplifierSideNetwork
{
    // NetworkSource::AmplifierSide; its rank is the side (1 the input, 2 the
    // output) and its topology the side's family ("bandpass").
    NetworkOrigin origin;
    AmplifierSide side = AmplifierSide::Input;
    std::string title;   // "Input network (source to device), bandpass"
    analysis::Band band; // the band the amplifier was designed for
    // The side's parts as built, port 1 first, its port resistances the
    // amplifier's. Its `measured` holds both terminations exactly (the
    // transistor's port as a function of frequency, never interpolated), so
    // that the common figures and the CSV sweep are between them; the
    // Touchstone and SPICE files describe the network alone, as for any
    // network.
    analysis::Network network;
    // The frequencies the amplifier's own sweep is at: every data frequency
    // of the device's file and the dense grid over the band.
    std::vector<double> frequenciesHz;
    double referenceOhms = 50; // the device data's: the Touchstone 1.1 file's reference
    // Whether a stabilising resistor stands between the network and the
    // transistor at this side: the device's port then includes it.
    bool stabiliser = false;
};

// The side of a designed amplifier.
AmplifierSideNetwork AmplifierSideOf(const AmplifierOutcome &outcome, AmplifierSide side);

// The side's S-parameters at each frequency, each port referred to the
// termination that stands there (NetworkSParameters).
std::vector<TwoPortS> AmplifierSideSParameters(const AmplifierSideNetwork &side,
                                               const std::vector<double> &frequenciesHz);

// The side's file of `kind` over its frequencies: Touchstone 1.1 referred
// to the device data's resistance, Touchstone 2.0 with each port referred to
// its resistance, the CSV sweep between its terminations, or the SPICE
// netlist over the band. Throws std::invalid_argument for another kind.
std::string AmplifierSideFile(const AmplifierSideNetwork &side, ExportKind kind);

// The side as the Response window draws it: an outcome whose network is the
// side's as built between its terminations (both held exactly, as a measured
// load and source are), origin NetworkSource::AmplifierSide, checked against
// its own in-band |S11| extremes over the amplifier's band. The figures
// every view computes from it are therefore the side's into its real ends.
CalculateOutcome AmplifierSideShown(const AmplifierSideNetwork &side);

// The settings a side is figured under in the Response window: the sweep,
// the tolerance and its trials as set; the parts as the amplifier built them
// (no extra Q, chip models, pads, standard series or kit), one band, no tune.
// Those belong to designs, whose parts the window may still choose.
ResponseSettings AmplifierSideSettings(const ResponseSettings &settings);

} // namespace tevmar::session
