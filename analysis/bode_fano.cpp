#include "analysis/bode_fano.h"

#include "analysis/two_port.h"

#include <cmath>
#include <numbers>

namespace tevmar::analysis {

double BodeFanoReflection(double g1)
{
    return g1 > 0 ? std::exp(-std::numbers::pi / g1) : 0.0;
}

BodeFanoLimit BodeFanoOf(const DesignResult &design, double Qt)
{
    BodeFanoLimit limit;
    limit.designGammaMax = design.GammaMax;
    if (!design.absorbed || !(Qt > 0) || !(design.LoadQ > 0))
        return limit;
    limit.applicable = true;
    limit.g1 = design.LoadQ / Qt;
    limit.gammaLimit = BodeFanoReflection(limit.g1);
    limit.vswrLimit = VswrOf(limit.gammaLimit);
    limit.mismatchLossDb = MismatchLossDbOf(limit.gammaLimit);
    return limit;
}

} // namespace tevmar::analysis
