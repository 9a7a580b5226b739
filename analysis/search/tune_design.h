#pragma once

// The tuning problem of a design (its network with the true load, over its
// band), and a starting design for loads the synthesis cannot absorb.

#include "analysis/search/tuner.h"
#include "engine/design_inputs.h"
#include "engine/design_result.h"

#include <memory>
#include <optional>

namespace tevmar::analysis {

// The full-precision network of a solved design with its load, and its band.
// `loadValue` (nH or pF), when given, replaces the absorbed load's value: the
// true load where the design was made for another. Throws
// std::invalid_argument for a design that is not solved.
TuneProblem TuneProblemOf(const DesignResult &design, std::optional<double> loadValue = {});

// A design the synthesis can make for a load it cannot absorb: the nearest
// value of the same load kind, found to 0.1 %, that solves, searched in the
// direction that lowers the load's Q (smaller for series RL and shunt RC
// loads, larger for series RC and shunt RL). Empty when the typed inputs
// solve already, nothing is absorbed, or no value solves before the design
// would no longer absorb the load.
struct RelaxedDesign
{
    DesignInputs inputs; // the typed inputs with the relaxed value in the box
    DesignResult design;
    double relaxedValue = 0; // nH or pF
    double loadValue = 0;    // the typed value, the load's true reactance
};
std::optional<RelaxedDesign> RelaxedDesignFor(const DesignInputs &inputs);

// The smallest |S11| any lossless network can hold over the problem's band
// with its load (Bode-Fano, exp(-pi / g1) with g1 the load's Q at the
// geometric centre over the band's Q); empty without a load reactance.
std::optional<double> BodeFanoGammaOf(const TuneProblem &problem);

// A design's network re-tuned, and on standard values when a series is given.
struct TunedNetwork
{
    TuneProblem problem; // the true load, the starting values
    TuneResult tuned;
    std::optional<StandardTuneResult> standard;
    // Set where the typed inputs have no design: the design tuning started from.
    std::optional<RelaxedDesign> relaxed;
};

// Tunes a solved design within the part ranges; for one without solution,
// tunes the relaxed design of its inputs with the true load. Empty when there
// is nothing to tune (no solution and no relaxed design). With `measured`,
// the network is tuned into the measured load in place of the fitted model
// the design was made for. Throws TuneCancelled when `stop` is raised,
// std::invalid_argument for ranges PartRangesError rejects. With `built`
// (part models, Q, pads) the values are tuned for the parts as built.
std::optional<TunedNetwork> TuneDesign(const DesignInputs &inputs, const DesignResult &design,
                                       std::optional<ESeries> series,
                                       const std::atomic<bool> *stop = nullptr,
                                       std::shared_ptr<const MeasuredLoad> measured = nullptr,
                                       const PartRanges &ranges = {}, const LossModel &built = {});

} // namespace tevmar::analysis
