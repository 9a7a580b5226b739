#include "engine/design_run.h"
#include "engine/memory_window.h"

#include <benchmark/benchmark.h>

namespace {

using tevmar::Option;
using tevmar::TextBox;

// One Calculate on band 1 to 2 GHz, 50 to 10 ohms, without the report file.
void DesignRun(benchmark::State &bench, Option order, bool absorb)
{
    tevmar::MemoryWindow window;
    window.Type(TextBox::F1_text, "1");
    window.Type(TextBox::F2_text, "2");
    window.Type(TextBox::Zhigh_text, "50");
    window.Type(TextBox::Zlow_text, "10");
    window.Select(order);
    if (absorb) {
        window.Select(Option::PRC);
        window.SetCheckBox(1);
        window.Type(TextBox::LC_text, "1");
    }
    tevmar::DesignState state;
    tevmar::NullReportSink report;
    for (auto _ : bench) {
        const auto result = tevmar::Calc_BP_Click(window, state, report);
        benchmark::DoNotOptimize(result.x);
    }
}

BENCHMARK_CAPTURE(DesignRun, order4, Option::N4, false);
BENCHMARK_CAPTURE(DesignRun, order4_absorb, Option::N4, true);
BENCHMARK_CAPTURE(DesignRun, order8, Option::N8, false);
BENCHMARK_CAPTURE(DesignRun, order8_absorb, Option::N8, true);
BENCHMARK_CAPTURE(DesignRun, order12, Option::N12, false);
BENCHMARK_CAPTURE(DesignRun, order12_absorb, Option::N12, true);

} // namespace
