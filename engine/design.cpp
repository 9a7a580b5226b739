#include "engine/design.h"

#include "engine/decimal_round.h"
#include "engine/design_phases.h"

#include <algorithm>

namespace tevmar {

using namespace design;

namespace {

// What a run that found no design can tell: the band, order, ratio and load Q.
DesignResult Unsolved(const DesignSetup &setup, int passes)
{
    DesignResult result;
    result.solved = false;
    result.typed = setup.typed;
    result.band = setup.band;
    result.n = setup.n;
    result.passes = passes;
    result.ZRatio = setup.ratio;
    result.zhighOhms = setup.zhigh;
    result.zlowOhms = setup.zlow;
    result.LoadQ = setup.loadQ;
    return result;
}

DesignResult Solved(const DesignSetup &setup, const Solution &solution, const PassbandLoss &loss,
                    const ElementTable &table)
{
    const Prototype &p = solution.prototype;
    DesignResult r = Unsolved(setup, solution.passes);
    r.solved = true;
    r.g1 = p.g1;
    r.x = p.x;
    r.SourceQ = p.x * setup.band.Qt;
    r.reportedLoadQ = p.g1 * setup.band.Qt;
    r.Dplus = p.Dplus;
    r.Dminus = p.Dminus;
    r.f = p.ratio;
    r.GammaMax = loss.GammaMax;
    r.GammaMin = loss.GammaMin;
    r.Lmax = loss.Lmax;
    r.Lmin = loss.Lmin;
    r.Smax = loss.Smax;
    r.Smin = loss.Smin;
    r.absorbed = setup.absorbedValue > 0.001;
    r.absorbedValue = r.absorbed ? setup.absorbedValue : 0;
    r.loadType = setup.loadType;
    r.inductive = IsInductiveLoad(setup.loadType);
    std::copy(p.g.begin(), p.g.end(), r.prototype.begin());
    r.table = TableRows(table, setup.n, setup.loadType);
    return r;
}

} // namespace

DesignResult RunDesign(const DesignInputs &inputs)
{
    const DesignSetup setup = ReadSetup(inputs);
    if (!setup.valid)
        return Unsolved(setup, 0);
    const Solution solution = SolvePrototype(setup);
    if (!solution.found)
        return Unsolved(setup, solution.passes);
    const PassbandLoss loss = PassbandLossOf(solution.prototype, setup.n);
    if (!loss.finite)
        return Unsolved(setup, solution.passes);
    const NortonSteps steps = ApplyNortonSteps(solution.prototype, setup.n);
    const std::optional<ElementTable> table = ElementValues(Denormalise(steps, setup), setup);
    if (!table)
        return Unsolved(setup, solution.passes);
    return Solved(setup, solution, loss, *table);
}

double PrintedElementValue(double value)
{
    return RoundedValue(value, 3);
}

} // namespace tevmar
