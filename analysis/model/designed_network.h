#pragma once

// A network as it was designed: the networks every figure is computed from,
// and the figures they are checked against. For the synthesis these are its
// closed-form figures and the element table turned into networks once, where
// the design run's result enters analysis; for a candidate or a re-tuned
// network, its own network and figures. Analysis, views and exports take
// this and never go back to the report's element table.

#include "analysis/figures/bode_fano.h"
#include "analysis/figures/sweep.h"
#include "analysis/model/network.h"
#include "engine/design_result.h"

namespace tevmar::analysis {

struct DesignedNetwork
{
    Band band;
    Network full; // the values as designed
    // The same parts at the values the report prints (0.001 nH / pF), the
    // absorbed load at its typed value: worked out when asked for, as most
    // design runs (the pane and the report alone) never ask.
    Network Printed() const;
    // False for a network no report prints (an amplifier's side): its
    // printed values are then its values as built.
    bool roundedAsReported = true;
    // The in-band |S11| extremes the network was designed for, and the VSWR
    // of the maximum: the synthesis's closed-form figures, or a candidate's
    // own in-band extremes.
    double gammaMax = 0;
    double gammaMin = 0;
    double vswrMax = 1;
    BodeFanoLimit bodeFano; // for the load this network absorbs
};

// The synthesis's result as analysis takes it: the port resistances as the
// boxes read, the element table's parts (full precision and as printed), and
// for an absorbing design the load's reactance (the table's last element for
// a series load, its first for a shunt load) as `load` with the typed value.
// Called once per design run. Throws std::invalid_argument for a design that
// is not solved, a table that does not start and end with a termination, or
// a port resistance that is not positive.
DesignedNetwork DesignedNetworkOf(const DesignResult &design);

// The network with each part at the value the report prints (0.001 nH or
// pF); the absorbed load keeps its typed value.
Network AsPrinted(const Network &network);

} // namespace tevmar::analysis
