#pragma once

// The path a match takes on the Smith chart, part by part, as the windows
// draw it and scripts read it: start at the load, and after each part toward
// the source the impedance looking toward the load at the band's centre,
// joined by each part's own arc (its reactance or susceptance growing from
// none to its own; a through line's length growing from none to its own).

#include "session/run/amplifier.h"
#include "session/views/response.h"

#include <complex>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

struct SmithPathPoint
{
    std::string after;      // "load", or the part just passed as the exports name it ("C2")
    std::string label;      // "load", or the part with its value: "C2 1.5 pF"
    std::complex<double> z; // ohms; infinite for an open circuit
};

struct SmithPathArc
{
    std::string part;                    // "C2"
    std::string label;                   // "C2 1.5 pF"
    std::vector<std::complex<double>> z; // from the point before to the point after
};

struct SmithPath
{
    double frequencyHz = 0;
    std::vector<SmithPathPoint> points; // the load, then one per part toward the source
    std::vector<SmithPathArc> arcs;     // one per part, in the same order
};

// The path through a network's parts at a frequency, from the load it is
// matched to (measured data, the absorbed reactance with its resistance, or
// the load's resistance) to the source's port. `referenceOhms` is the chart's
// reference, which sets how finely the arcs are sampled; 0 takes the load's
// port resistance. Throws std::invalid_argument for a frequency that is not
// positive and finite.
SmithPath PathThroughParts(const analysis::Network &network, double frequencyHz,
                           double referenceOhms = 0);

// The path of the network the Response window draws, at the band's centre:
// the tuned network once there is one, else the network as built (with the
// parts' models) or as drawn, with any steps made by hand. Unset when there
// is no response to show.
std::optional<SmithPath> ResponsePath(const Response &response, double referenceOhms);

// The tune's curve the path follows when nothing is stepped: the tune on
// kit parts or standard values where there is one, else the tune itself;
// null without a tune.
const ResponseCurve *TunedCurveOf(const Response &response);

// One side of an amplifier at the band's geometric centre: the input network
// (side 1) from the transistor's input, as the output network and the load
// terminate it, to the source; the output network (side 2) from the load to
// the transistor's output, whose last point is the impedance the transistor
// sees. Referred, for the arcs' sampling, to the device data's resistance.
SmithPath AmplifierSidePath(const AmplifierOutcome &outcome, int side);

// One side's path as the transistor's reflection plane reads it, at the same
// centre frequency: every impedance looking from the transistor toward the
// termination, so that the last point is what the transistor sees (the
// design's Gamma S on the source plane, Gamma L on the load plane). The load
// plane's path is the output side's (AmplifierSidePath, side 2). The input
// side's, walked from the transistor to the source, looks toward the
// transistor: a point of the source's reflection, not of Gamma S. The source
// plane's path therefore starts at the source (its first point named
// "source") and walks the input network's parts toward the transistor.
// Unset with a stabilising resistor between a network and the transistor,
// whose planes then describe terminals the networks do not reach.
std::optional<SmithPath> AmplifierPlanePath(const AmplifierOutcome &outcome, int side);

} // namespace tevmar::session
