#include "analysis/monte_carlo.h"
#include "engine/design_run.h"
#include "engine/memory_window.h"

#include <benchmark/benchmark.h>

namespace {

using tevmar::Option;
using tevmar::TextBox;
namespace analysis = tevmar::analysis;

struct Order12Design
{
    tevmar::DesignState state;
    tevmar::DesignResult result;
};

// Order 12 over 11 to 31 GHz, 381 to 99 ohms.
Order12Design SolveOrder12()
{
    tevmar::MemoryWindow window;
    window.Type(TextBox::F1_text, "11");
    window.Type(TextBox::F2_text, "31");
    window.Type(TextBox::Zhigh_text, "381");
    window.Type(TextBox::Zlow_text, "99");
    window.Select(Option::N12);
    Order12Design d;
    tevmar::NullReportSink report;
    d.result = tevmar::Calc_BP_Click(window, d.state, report);
    return d;
}

// A 1001-point logarithmic sweep with every figure of every point.
void Sweep1001Order12(benchmark::State &bench)
{
    const Order12Design d = SolveOrder12();
    const analysis::Ladder ladder = analysis::FromDesign(d.result, analysis::Precision::Full);
    analysis::SweepPlan plan = analysis::DefaultSweep(analysis::BandOf(d.state));
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
    const Order12Design d = SolveOrder12();
    const analysis::Ladder ladder = analysis::FromDesign(d.result, analysis::Precision::Full);
    const analysis::YieldOptions options{1000, 5.0, 1, d.result.Smax * 1.1, 201};
    for (auto _ : bench) {
        const auto yield = analysis::RunMonteCarlo(ladder, analysis::BandOf(d.state), options);
        benchmark::DoNotOptimize(yield.passed);
    }
}
BENCHMARK(MonteCarlo1000x201Order12)->Unit(benchmark::kMillisecond);

} // namespace
