#pragma once

// SPICE netlist of the matching network: a subcircuit with the element values
// at full precision, and a test bench that ngspice runs unchanged.

#include "analysis/figures/sweep.h"

#include <cstddef>
#include <functional>
#include <string>

namespace tevmar::format {

constexpr const char *kSpiceSubcircuit = "tevmar_match";

// The subcircuit "tevmar_match p1 p2" (p1 the high-impedance port, ground is
// node 0) of the network's parts alone, with values in SPICE units (n for nH,
// p for pF). The test bench drives p1 from a 2 V source through the port-1
// resistor, loads p2 with the port-2 resistor, attaches an absorbed load's
// reactance as the load ("Lload" or "Cload": across p1 for a shunt load, in
// series between p2 and the port-2 resistor for a series load) and sweeps the
// band linearly in `points` steps with `.ac`;
// node s11 then carries S11 and node s21 carries S21 referred to the two port
// resistances, and `.print` lists vm and vdb of both. A load known as a
// circuit (the network's measured load made from one) is attached as typed
// instead, part by part, and driven from the other port's resistance: s11 is
// the reflection at the source and s21 S21 into the circuit's resistor, or
// with several resistors s21_1, s21_2, ... each one's share. Part numbers and
// labels stand only in comments, escaped to one line. Throws
// std::invalid_argument for a band or point count that cannot be swept.
std::string SpiceNetlist(const analysis::Network &ladder, const analysis::Band &band,
                         int points = 201);

// The card name of the ladder's part at `index` and what follows its first
// card: " ; text\n" or "\n".
struct SpiceCardName
{
    std::string name, comment;
};
using SpiceNaming = std::function<SpiceCardName(std::size_t index)>;

// The subcircuit "NAME p1 p2" of the ladder's parts as they will be built
// (ground is node 0): each part as its model makes it (its L or C with the
// loss and parasitics beside it, a kit part as its fitted equivalent circuit)
// and a pad to ground at every node where the figures' cascade puts one.
std::string SpiceSubcircuit(const analysis::Network &ladder, const std::string &name,
                            const SpiceNaming &naming);

// The header's comment lines that say how the parts are built, ending in a
// newline; empty for ideal parts as drawn.
std::string SpiceBuiltNote(const analysis::Network &ladder);

} // namespace tevmar::format
