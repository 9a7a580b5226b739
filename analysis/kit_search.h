#pragma once

// A network built from a kit's measured parts: each ideal part of a tuned
// network snapped to the kit part of its kind with the nearest nominal value,
// then neighbouring kit values tried, one part and two parts at a time, for
// the least in-band maximum transducer loss computed with the parts' own
// data. With lossy parts a network can look matched by burning power in its
// parts: what reaches the load is what counts, so the loss leads and the
// reflection only breaks ties.

#include "analysis/part_kit.h"
#include "analysis/sweep.h"

#include <atomic>

namespace tevmar::analysis {

// The in-band maxima of a built network with its load: the power-wave
// reflection at the source, |Zin - Zs*| / |Zin + Zs| (|S11| of Evaluate), and
// the transducer loss -10 log10 G_T in dB, G_T = |S21|^2.
struct BuiltFigures
{
    double gammaMax = 0;
    double lossDbMax = 0;
};

BuiltFigures BuiltFiguresOf(const Network &network, const Band &band);

struct KitChoice
{
    Network ideal; // the tuned network the kit parts stand in for
    BuiltFigures idealFigures;
    Network snapped; // each part the kit part of the nearest nominal value
    BuiltFigures snappedFigures;
    Network network; // after the search over neighbouring kit values
    BuiltFigures figures;
};

// The kit part standing in `place` (its position, kind and label kept): its
// nominal value and its measured data.
Part KitPartAs(const Part &place, const KitPartRef &part);

// The kit part a network's part is, or null for a part of any other model.
const KitPart *KitPartOf(const Part &part);

// The network's parts on kit parts, over the band (which the kit's data
// cover). Throws TuneCancelled when `stop` is raised.
KitChoice ChooseKitParts(const Network &ideal, const Band &band, const Kit &kit,
                         const std::atomic<bool> *stop = nullptr);

} // namespace tevmar::analysis
