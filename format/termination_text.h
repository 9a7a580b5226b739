#pragma once

// What the files say about a termination: the header line that names it and
// the cards that stand for it in a SPICE test bench. One std::visit per job
// over the termination's kinds, so that a new kind fails to compile here
// until it says how it is written.

#include "analysis/model/termination.h"

#include <string>
#include <vector>

namespace tevmar::format {

// The header line about the load, without a comment prefix: "Load: series
// RC, 20 pF in series with the 5 ohms at port 2; the load's own reactance,
// not part of this network", "Load: resistive, nothing absorbed", the
// circuit as typed, the measured points' span, or the transistor's port.
std::string TerminationLine(const analysis::Termination &load);

// The card of an absorbed load's reactance alone ("Lload" or "Cload") on
// `nodes` ("p2 r2"), outside the network's subcircuit.
std::string SpiceLoadReactanceCard(const analysis::LoadReactance &load, const std::string &nodes);

// A termination's cards in a test bench, from node `a` (the network's port
// `port`) to node `b` (ground). The resistors that take its power are listed
// so that the bench can read S21 as the power each takes; `innerNodes` are
// the nodes of its own, which a bench gives a path to ground at DC. A
// termination a netlist cannot hold (measured data, a transistor's port) has
// no cards: `held` is false and `text` a comment that says so.
struct SpiceTerminationCards
{
    struct Resistor
    {
        std::string a, b;
        double ohms = 0;
    };
    std::string text;
    std::vector<Resistor> resistors;
    std::vector<std::string> innerNodes;
    bool held = true;
};
SpiceTerminationCards TerminationSpiceCards(const analysis::Termination &termination, int port,
                                            const std::string &a, const std::string &b);

} // namespace tevmar::format
