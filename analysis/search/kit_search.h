#pragma once

// A network built from a kit's measured parts: each ideal part of a tuned
// network snapped to the kit part of its kind with the nearest nominal value,
// then neighbouring kit values tried, one part and two parts at a time, for
// the least in-band maximum transducer loss computed with the parts' own
// data. With lossy parts a network can look matched by burning power in its
// parts: what reaches the load is what counts, so the loss leads and the
// reflection only breaks ties.

#include "analysis/figures/goal.h"
#include "analysis/figures/sweep.h"
#include "analysis/readers/part_kit.h"

#include <atomic>
#include <cstddef>

namespace tevmar::analysis {

// The in-band maxima of a built network with its load: the power-wave
// reflection at the source, |Zin - Zs*| / |Zin + Zs| (|S11| of Evaluate), and
// the transducer loss -10 log10 G_T in dB, G_T = |S21|^2.
// Against a goal of several bands the maxima are over its passbands and
// `score` is the goal's score (GoalScoreOf), which ranks first; with one band
// it stays 0.
struct BuiltFigures
{
    double gammaMax = 0;
    double lossDbMax = 0;
    double score = 0;
};

BuiltFigures BuiltFiguresOf(const Network &network, const Band &band);
BuiltFigures BuiltFiguresOf(const Network &network, const Goal &goal);

// Whether a network of kit parts with figures `a` is better than one with
// `b`: a lower goal score (equal with one band), then less loss, compared in fixed steps of about a
// hundredth of a millidecibel (below anything a bench resolves), then less reflection; a figure
// that is not a number counts as worse than any number. A strict weak order, so a search that moves
// only to better networks cannot come back to one it left.
bool BuiltBefore(const BuiltFigures &a, const BuiltFigures &b);

struct KitChoice
{
    Network ideal; // the tuned network the kit parts stand in for
    BuiltFigures idealFigures;
    Network snapped; // each part the kit part of the nearest nominal value
    BuiltFigures snappedFigures;
    Network network; // after the search over neighbouring kit values
    BuiltFigures figures;
    std::size_t networksMeasured = 0; // cascades the search measured
};

// The most cascades ChooseKitParts measures for a network of `parts` parts
// on `kit`: the search's steps are bounded, and the bound grows only with the
// logarithm of the kit's size.
std::size_t MostKitSearchMeasures(std::size_t parts, const Kit &kit);

// The kit part standing in `place` (its position, kind and label kept): its
// nominal value and its measured data.
Part KitPartAs(const Part &place, const KitPartRef &part);

// The kit part a network's part is, or null for a part of any other model.
const KitPart *KitPartOf(const Part &part);

// The network's parts on kit parts, over the band (which the kit's data
// cover). Kit parts are searched in the order of their reactance at the
// band's centre: in a large kit from coarse steps to single ones, and a
// network of two parts over every pair of the parts nearest its ideal
// reactances. Throws TuneCancelled when `stop` is raised.
KitChoice ChooseKitParts(const Network &ideal, const Band &band, const Kit &kit,
                         const std::atomic<bool> *stop = nullptr);

// The same search against a goal of several bands: the parts chosen for the
// least goal score with the parts' own data (a lossy passband scored by the
// square root of the power lost, a rejection band by its leak), the loss over
// the passbands breaking ties. The kit's data must cover every band.
KitChoice ChooseKitParts(const Network &ideal, const Goal &goal, const Kit &kit,
                         const std::atomic<bool> *stop = nullptr);

} // namespace tevmar::analysis
