#include "analysis/monte_carlo.h"
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

} // namespace
