#include "analysis/monte_carlo.h"
#include "analysis/tune_design.h"
#include "engine/design.h"

#include <benchmark/benchmark.h>

namespace {

namespace analysis = tevmar::analysis;

// Order 12 over 11 to 31 GHz, 381 to 99 ohms.
tevmar::DesignResult SolveOrder12()
{
    tevmar::DesignInputs inputs;
    inputs.f1Text = "11";
    inputs.f2Text = "31";
    inputs.zhighText = "381";
    inputs.zlowText = "99";
    inputs.networkOrder = 12;
    return tevmar::RunDesign(inputs);
}

// A 1001-point logarithmic sweep with every figure of every point.
void Sweep1001Order12(benchmark::State &bench)
{
    const tevmar::DesignResult d = SolveOrder12();
    const analysis::Ladder ladder = analysis::FromDesign(d, analysis::Precision::Full);
    analysis::SweepPlan plan = analysis::DefaultSweep(analysis::BandOf(d.band));
    plan.points = 1001;
    for (auto _ : bench) {
        const auto points = analysis::Sweep(ladder, plan);
        benchmark::DoNotOptimize(points.data());
    }
}
BENCHMARK(Sweep1001Order12)->Unit(benchmark::kMicrosecond);

// 1000 tolerance trials of 201 passband points each.
void MonteCarlo1000x201Order12(benchmark::State &bench)
{
    const tevmar::DesignResult d = SolveOrder12();
    const analysis::Ladder ladder = analysis::FromDesign(d, analysis::Precision::Full);
    const analysis::YieldOptions options{1000, 5.0, 1, d.Smax * 1.1, 201};
    for (auto _ : bench) {
        const auto yield = analysis::RunMonteCarlo(ladder, analysis::BandOf(d.band), options);
        benchmark::DoNotOptimize(yield.passed);
    }
}
BENCHMARK(MonteCarlo1000x201Order12)->Unit(benchmark::kMillisecond);

// Order 12 over 2 to 4 GHz, 50 to 5 ohms, series RC absorbing 20 pF: a design
// whose ripple comes out flat across the band, the kind tuning improves most.
tevmar::DesignResult SolveFlatRippleOrder12()
{
    tevmar::DesignInputs inputs;
    inputs.f1Text = "2";
    inputs.f2Text = "4";
    inputs.zhighText = "50";
    inputs.zlowText = "5";
    inputs.networkOrder = 12;
    inputs.loadType = tevmar::LoadType::SeriesRC;
    inputs.absorb = true;
    inputs.absorbText = "20";
    return tevmar::RunDesign(inputs);
}

// A whole minimax tune with the default restarts.
void TuneFlatRippleOrder12(benchmark::State &bench)
{
    const analysis::TuneProblem problem = analysis::TuneProblemOf(SolveFlatRippleOrder12());
    double gamma = 0;
    for (auto _ : bench) {
        gamma = analysis::Tune(problem).gammaMax;
        benchmark::DoNotOptimize(gamma);
    }
    bench.counters["gammaMax"] = gamma;
}
BENCHMARK(TuneFlatRippleOrder12)->Unit(benchmark::kMillisecond);

// Snapping the tuned network to E24 and searching the neighbouring values.
void TuneToE24Order12(benchmark::State &bench)
{
    const analysis::TuneProblem problem = analysis::TuneProblemOf(SolveFlatRippleOrder12());
    const analysis::Ladder tuned = analysis::Tune(problem).network;
    for (auto _ : bench) {
        const auto standard = analysis::TuneToSeries(problem, tuned, analysis::ESeries::E24);
        benchmark::DoNotOptimize(standard.gammaMax);
    }
}
BENCHMARK(TuneToE24Order12)->Unit(benchmark::kMillisecond);

} // namespace
