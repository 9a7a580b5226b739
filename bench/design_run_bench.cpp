#include "report/report_lines.h"
#include "session/run/calculation.h"

#include <benchmark/benchmark.h>

namespace {

using tevmar::DesignInputs;
using tevmar::LoadType;

// One Calculate on band 1 to 2 GHz, 50 to 10 ohms: the design, its pane and
// file lines and the report file's bytes, without writing the file.
void DesignRun(benchmark::State &bench, int order, bool absorb)
{
    DesignInputs inputs;
    inputs.f1Text = "1";
    inputs.f2Text = "2";
    inputs.zhighText = "50";
    inputs.zlowText = "10";
    inputs.networkOrder = order;
    if (absorb) {
        inputs.loadType = LoadType::ShuntRC;
        inputs.absorb = true;
        inputs.absorbText = "1";
    }
    for (auto _ : bench) {
        const tevmar::session::CalculateOutcome outcome = tevmar::session::Calculate(inputs);
        benchmark::DoNotOptimize(outcome.report.file.data());
    }
}

BENCHMARK_CAPTURE(DesignRun, order4, 4, false);
BENCHMARK_CAPTURE(DesignRun, order4_absorb, 4, true);
BENCHMARK_CAPTURE(DesignRun, order8, 8, false);
BENCHMARK_CAPTURE(DesignRun, order8_absorb, 8, true);
BENCHMARK_CAPTURE(DesignRun, order12, 12, false);
BENCHMARK_CAPTURE(DesignRun, order12_absorb, 12, true);

} // namespace
