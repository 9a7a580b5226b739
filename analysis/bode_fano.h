#pragma once

// The Bode-Fano limit on matching a reactive load over a band.

#include "engine/design_result.h"

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

} // namespace tevmar::analysis
