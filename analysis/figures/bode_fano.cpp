#include "analysis/figures/bode_fano.h"

#include "analysis/model/termination.h"
#include "analysis/model/two_port.h"

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

double AbsorbedLoadQ(const Network &network, const Band &band)
{
    const Termination load = ModelLoadTerminationOf(network);
    return std::get<ReactiveLoad>(load.kind).QualityAt(2 * std::numbers::pi * band.centreHz);
}

BodeFanoLimit BodeFanoOf(const Network &network, const Band &band, double bandQ,
                         double designGammaMax)
{
    BodeFanoLimit limit;
    limit.designGammaMax = designGammaMax;
    if (!network.load || !(bandQ > 0))
        return limit;
    const double loadQ = AbsorbedLoadQ(network, band);
    if (!(loadQ > 0) || !std::isfinite(loadQ))
        return limit;
    limit.applicable = true;
    limit.g1 = loadQ / bandQ;
    limit.gammaLimit = BodeFanoReflection(limit.g1);
    limit.vswrLimit = VswrOf(limit.gammaLimit);
    limit.mismatchLossDb = MismatchLossDbOf(limit.gammaLimit);
    return limit;
}

} // namespace tevmar::analysis
