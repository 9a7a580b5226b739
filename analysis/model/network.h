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

#include "analysis/model/part.h"
#include "analysis/model/resonance.h"
#include "analysis/readers/measured_load.h"
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
    // The pads' capacitance to ground, pF, at every node of the ladder: the
    // two port nodes and each junction between consecutive series parts,
    // where the shunt parts between them connect. A network of s series
    // parts has s + 1 nodes and so s + 1 pads. 0: no pads (ideal layout).
    // The pads belong to the board, not to the parts: they are never
    // snapped, varied or tuned, and the element list does not show them.
    double padPf = 0;

    // The pad of a node as the cascade appends it: a shunt capacitor.
    Part Pad() const { return Part::Placed(Capacitor{}, Placement::Shunt, padPf); }
};

// Calls visit(part) for each section of the ladder's cascade from port 1 to
// port 2 (or from port 2 when `fromPort2`): the parts and the pads at the
// nodes, a pad ahead of the first part (the first port's node) and after
// each series part (the next node). The absorbed load's reactance is not
// among them.
template <class Visit> void ForEachSection(const Network &network, bool fromPort2, Visit &&visit)
{
    const bool pads = network.padPf > 0;
    const Part pad = pads ? network.Pad() : Part{};
    if (pads)
        visit(pad);
    const auto step = [&](const Part &part) {
        visit(part);
        if (pads && !part.shunt())
            visit(pad);
    };
    if (fromPort2)
        for (auto part = network.parts.rbegin(); part != network.parts.rend(); ++part)
            step(*part);
    else
        for (const Part &part : network.parts)
            step(part);
}

// The parts as they will be built, as the options ask for them: every
// inductor or every capacitor of the network's parts (an absorbed load's
// reactance stays ideal) gets the chip model or the finite Q of its kind,
// with a Q's loss fixed at the centre frequency or following the frequency,
// and the ladder's nodes the pads. An absent Q and model mean ideal parts.
struct LossModel
{
    std::optional<double> inductorQ;
    std::optional<double> capacitorQ;
    double centreHz = 0;
    QModel model = QModel::Centre;
    std::optional<ChipInductor> inductorChip = std::nullopt;
    std::optional<ChipCapacitor> capacitorChip = std::nullopt;
    double padPf = 0;
    // How far above the band's top a chip part's resonance must lie, percent
    // (resonance.h): it bounds the largest value a chip model may take.
    double srfMarginPercent = kDefaultSrfMarginPercent;

    // Ideal parts and no pads: the network as the synthesis drew it.
    bool lossless() const
    {
        return !inductorQ && !capacitorQ && !inductorChip && !capacitorChip && padPf == 0;
    }
};

// True when every part of the network is ideal (pads are lossless too):
// |S11|^2 and the power lost are then the same figure, 1 - G_T.
bool AllPartsIdeal(const Network &network);
// Ideal parts and no pads: the network as the synthesis drew it, whose
// figures and files are written as they always were.
bool IdealAsDrawn(const Network &network);

// The ranges narrowed so that every chip part's resonance keeps the models'
// margin above the band's top (ResonanceRule::ForChipModels, never less than
// 5 %): an inductor's value at most
// the one whose CP resonates there, a capacitor's at most the one whose ESL
// does. Near and above resonance a large inductor is a small capacitor and a
// large capacitor a small inductor, parts no one would buy for that.
// Unchanged without chip models.
PartRanges WithinSelfResonance(PartRanges ranges, const LossModel &models, double highestHz);

// The network with each part given the loss model's chip model or Q (or
// made ideal where the model has none for its kind) and the model's pads;
// the load's reactance untouched.
Network WithLosses(const Network &network, const LossModel &losses);

// The index in the design's element table (terminations included) of the row
// that is the absorbed load's reactance, or nothing when none is absorbed.
std::optional<std::size_t> AbsorbedRow(const DesignResult &design);

// The part's name in every export: "L" or "C" and its place among the
// network's parts counted from port 1 ("C2"), as the SPICE subcircuit names it.
std::string PartName(const Network &network, std::size_t index);

} // namespace tevmar::analysis
