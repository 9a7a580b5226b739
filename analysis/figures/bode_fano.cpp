#include "analysis/figures/bode_fano.h"

#include "analysis/model/termination.h"
#include "analysis/model/two_port.h"

#include <algorithm>
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

double ResonanceGammaLimit(const ResonantModel &model, const Band &band)
{
    const double w1 = 2 * std::numbers::pi * band.lowHz;
    const double w2 = 2 * std::numbers::pi * band.highHz;
    const double pi = std::numbers::pi;
    // The largest ln(1/|G|) each element allows held constant over w1..w2.
    const double fromL = model.series ? pi * model.ohms / (model.henries * (w2 - w1))
                                      : pi * model.henries / (model.ohms * (1 / w1 - 1 / w2));
    const double fromC = model.series ? pi * model.ohms * model.farads / (1 / w1 - 1 / w2)
                                      : pi / (model.ohms * model.farads * (w2 - w1));
    return std::exp(-std::min(fromL, fromC));
}

std::optional<std::optional<double>> DataOnlyGammaLimit(const Network &network, const Band &band)
{
    if (!network.measured)
        return std::nullopt;
    const MeasuredLoad &load = *network.measured;
    const MeasuredLoad *source = load.source.get();
    const bool sourceData = source && !source->modelDescribes;
    if (load.modelDescribes && !sourceData)
        return std::nullopt;
    if (!(band.highHz > band.lowHz) || !(band.lowHz > 0))
        return std::optional<double>{};
    // Each end bounds the match on its own, the larger limit binding: a
    // termination known only by its data by its own resonance where a fit
    // of it is close, a load its fit describes by its absorbed reactance.
    double limit = 0;
    if (!load.modelDescribes && load.resonance)
        limit = ResonanceGammaLimit(*load.resonance, band);
    if (load.modelDescribes && network.load) {
        const double loadQ = AbsorbedLoadQ(network, band);
        const double bandQ = band.centreHz / (band.highHz - band.lowHz);
        if (loadQ > 0 && std::isfinite(loadQ))
            limit = BodeFanoReflection(loadQ / bandQ);
    }
    if (sourceData && source->resonance)
        limit = std::max(limit, ResonanceGammaLimit(*source->resonance, band));
    return limit > 0 ? std::optional<double>{limit} : std::optional<double>{};
}

namespace {

BodeFanoLimit LimitOfGamma(double gammaLimit, double designGammaMax)
{
    BodeFanoLimit limit;
    limit.designGammaMax = designGammaMax;
    limit.applicable = true;
    limit.g1 = std::numbers::pi / std::log(1 / gammaLimit);
    limit.gammaLimit = gammaLimit;
    limit.vswrLimit = VswrOf(limit.gammaLimit);
    limit.mismatchLossDb = MismatchLossDbOf(limit.gammaLimit);
    return limit;
}

} // namespace

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
    // Data the fitted kind does not describe: their own resonance bounds
    // the match, not the kind's reactance.
    if (const auto dataOnly = DataOnlyGammaLimit(network, band))
        return *dataOnly && **dataOnly > 0 ? LimitOfGamma(**dataOnly, designGammaMax) : limit;
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
