#pragma once

// The path a match takes on the Smith chart at one frequency: start at the
// load and, part by part toward the source, the impedance seen looking into
// the ladder toward the load. A series part moves the point along a circle of
// constant resistance, a shunt part along one of constant conductance, a
// length of line turns it about the line's own impedance; the last point is
// what the source sees. Each step is drawn as the part's own locus: its
// reactance (in series) or susceptance (across the line) growing from none
// to its own, or a through line's length growing from none to its own, so
// that every arc starts where the one before it ends.

#include "analysis/model/network.h"

#include <complex>
#include <cstddef>
#include <optional>
#include <vector>

namespace tevmar::analysis {

struct PathPoint
{
    // The part just passed, its index among network.parts (port 1 first);
    // unset for the load itself.
    std::optional<std::size_t> part;
    Complex z; // ohms, looking toward the load; infinite for an open circuit
};

// One part's arc: from the point before it to the point after it, sampled
// closely enough to draw (successive points within about 0.01 in reflection
// against the chart's reference).
struct PathArc
{
    std::size_t part = 0;
    std::vector<Complex> z;
};

struct ImpedancePath
{
    double frequencyHz = 0;
    std::vector<PathPoint> points; // the load first, then one per part toward the source
    std::vector<PathArc> arcs;     // one per part, in the same order
};

// The path through a network's parts at a frequency, from the load it is
// matched to (LoadTerminationOf: measured data, an absorbed reactance with
// its resistance, or the load's port resistance) to the source's port. The
// pads at the ladder's nodes are folded into the arcs of the parts beside
// them: each point is the impedance at a node, its pad included.
// `referenceOhms` sets how finely the arcs are sampled (the chart's
// reference); 0 takes the load's port resistance.
ImpedancePath ImpedancePathOf(const Network &network, double frequencyHz, double referenceOhms = 0);

// The same from a given load impedance at one end of the ladder: the end of
// port 2 (`loadAtPort2`) or port 1; the network's own terminations unused.
// For a ladder whose load is not one of its terminations: a transistor's
// port.
ImpedancePath ImpedancePathFrom(const Network &ladder, Complex loadOhms, bool loadAtPort2,
                                double frequencyHz, double referenceOhms);

// The impedance looking into a two-port section toward an impedance z at its
// far end: through port 1 to z at port 2 (`loadAtPort2`), or through port 2
// to z at port 1 (the same section read backwards). An infinite z is an open
// circuit.
Complex ImpedanceThrough(const Abcd &section, Complex z, bool loadAtPort2);

} // namespace tevmar::analysis
