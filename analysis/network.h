#pragma once

// A matching network: its parts, in physical order from the high-impedance
// port (port 1) to the low-impedance port (port 2), between two
// terminations. Each port is terminated by its resistance as typed; the
// absorbed load's own reactance (`load`) stands at the outer end of one of
// them, and measured data (`measured`, a load and perhaps a source) may take
// the place of a port's termination. Every analysis (sweeps, passband
// figures, tuning, standard values, trials, sensitivity, exports, views)
// takes a Network; what each part does is its model's business (part.h).
//
// A design that absorbs a reactive load carries the load's own reactance as
// the outermost row of its element table. That reactance belongs to the load,
// not to the network: the network keeps it apart as `load`, so that snapping,
// component loss and tolerances touch the network's parts only, and the
// exports can describe the network alone.

#include "analysis/measured_load.h"
#include "analysis/part.h"
#include "engine/design_result.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::analysis {

// The reactance of a load that the network absorbs, standing at the outer end
// of one port: a series RL or RC load is the port-2 resistance with an
// inductor or capacitor in series (kind SeriesInductor or SeriesCapacitor),
// a shunt RL or RC load is the port-1 resistance with an inductor or
// capacitor across it (kind ShuntInductor or ShuntCapacitor). The value is the
// one the engineer typed, in nH or pF; it is always ideal and never snapped,
// given loss or varied.
struct LoadReactance
{
    Part element;
    LoadType type = LoadType::SeriesRL;

    // 1 for a shunt load (at the high-impedance port), 2 for a series load.
    int port() const { return IsSeriesLoad(type) ? 2 : 1; }
};

struct Network
{
    double port1Ohms = 0;                             // high-impedance termination, as typed
    double port2Ohms = 0;                             // low-impedance termination, as typed
    std::vector<Part> parts;                          // port 1 to port 2
    std::optional<LoadReactance> load = std::nullopt; // the absorbed load's reactance, if any
    // A measured load, when the design was made for a fit to one: it then
    // terminates its port in place of that port's resistance and `load`, and
    // the response is the source's view through the network into the data.
    // The exports ignore it and describe the network alone. Shared, because
    // every copy of a network (snapped, perturbed, tuned) sees the same data.
    std::shared_ptr<const MeasuredLoad> measured = nullptr;
};

// Finite component Q as the options ask for it: every inductor or every
// capacitor of the network's parts (an absorbed load's reactance stays
// ideal) gets the Q of its kind, with the loss fixed at the centre frequency
// or following the frequency. An absent Q means ideal, lossless parts.
struct LossModel
{
    std::optional<double> inductorQ;
    std::optional<double> capacitorQ;
    double centreHz = 0;
    QModel model = QModel::Centre;

    bool lossless() const { return !inductorQ && !capacitorQ; }
};

// The network with each part given the loss model's Q (or made ideal where
// the model has none for its kind); the load's reactance untouched.
Network WithLosses(const Network &network, const LossModel &losses);

// The index in the design's element table (terminations included) of the row
// that is the absorbed load's reactance, or nothing when none is absorbed.
std::optional<std::size_t> AbsorbedRow(const DesignResult &design);

// The part's name in every export: "L" or "C" and its place among the
// network's parts counted from port 1 ("C2"), as the SPICE subcircuit names it.
std::string PartName(const Network &network, std::size_t index);

} // namespace tevmar::analysis
