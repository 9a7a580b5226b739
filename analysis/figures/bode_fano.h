#pragma once

// The Bode-Fano limit on matching a reactive load over a band.

#include "analysis/figures/sweep.h"
#include "analysis/model/network.h"
#include "engine/design_result.h"

#include <optional>

namespace tevmar::analysis {

// The smallest |reflection| that any lossless network can hold constant over
// the band, for a load whose normalised first prototype element is g1 =
// LoadQ / Qt: exp(-pi / g1). The same for all four load types.
double BodeFanoReflection(double g1);

struct BodeFanoLimit
{
    bool applicable = false; // only when a load reactance is absorbed
    double g1 = 0;
    double gammaLimit = 0;
    double vswrLimit = 1;
    double mismatchLossDb = 0;
    double designGammaMax = 0; // the design's own ripple maximum, for comparison
};

BodeFanoLimit BodeFanoOf(const DesignResult &design, double Qt);

// The smallest |reflection| any lossless network can hold constant over the
// band into a resonant load (R, L and C in series or side by side). Each
// reactive element bounds the match on its own: a series L by
// integral ln(1/|G|) dw <= pi R / L, a series C by the same integral of
// ln(1/|G|) / w^2 <= pi R C; across, a C by pi / (R C) and an L by the
// 1/w^2 integral <= pi L / R. The tighter of the two is the limit.
double ResonanceGammaLimit(const ResonantModel &model, const Band &band);

// The limit for a network whose measured load, or measured source, its
// fitted kind does not describe (MeasuredLoad::modelDescribes): the larger of
// the ends' own limits, such data's by their resonance fit and a load its fit
// describes by its absorbed reactance; empty without any. Unset when neither
// end is such data.
std::optional<std::optional<double>> DataOnlyGammaLimit(const Network &network, const Band &band);

// The Q of a network's absorbed load reactance at the band's geometric
// centre: X / R for a series load, R / |X| for a shunt one. Only for a
// network with a load.
double AbsorbedLoadQ(const Network &network, const Band &band);

// The limit for the load a network itself absorbs, over a band of Q `bandQ`
// (the load's Q over the band's), beside `designGammaMax`, the network's own
// in-band maximum. Not applicable without an absorbed load.
BodeFanoLimit BodeFanoOf(const Network &network, const Band &band, double bandQ,
                         double designGammaMax);

} // namespace tevmar::analysis
