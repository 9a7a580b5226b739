// Every candidate for a measured load built from a kit of measured parts:
// the chip antenna (20 ohm + 2.7 nH with a 0.3 pF pad across) from 50 ohm at
// 2.4 to 2.5 GHz. The kit of 100 parts is the synthetic 0402 kit; those of
// 1000 and 4096 parts a vendor's whole range each (tests/common/synthetic_kit.h),
// read from their files' text.

#include "analysis/search/candidates.h"
#include "analysis/search/kit_search.h"
#include "engine/design.h"
#include "session/run/kit_parts.h"
#include "tests/common/synthetic_kit.h"

#include <benchmark/benchmark.h>

namespace {

namespace analysis = tevmar::analysis;
namespace kit = tevmar::test_kit;

std::vector<analysis::KitFile> KitFiles(int parts)
{
    std::vector<analysis::KitFile> files;
    for (auto &[name, text] : parts == 100 ? kit::SyntheticKitFiles() : kit::DenseKitFiles(parts))
        files.push_back({std::move(name), std::move(text), {}});
    return files;
}

std::shared_ptr<analysis::MeasuredLoad> Antenna()
{
    auto data = std::make_shared<analysis::MeasuredLoad>();
    for (int k = 0; k <= 300; ++k) {
        const double hz = 1e9 + 1e7 * k, w = 2 * 3.14159265358979 * hz;
        data->frequenciesHz.push_back(hz);
        data->impedanceOhms.push_back(1.0 / (std::complex<double>{0, w * 0.3e-12} +
                                             1.0 / std::complex<double>{20, w * 2.7e-9}));
    }
    return data;
}

// The kit's reading, the candidates and the kit search for each, as one run
// of tevmar-cli --load-s1p --candidates --parts does them (the load's fit and
// the reading of the files from disk aside). The argument is the kit's size;
// the processor time is that of every thread.
void CandidatesOnKitMeasuredLoad(benchmark::State &bench)
{
    const std::vector<analysis::KitFile> files = KitFiles(static_cast<int>(bench.range(0)));
    const auto data = Antenna();
    // The fit of this load: 30.24 ohm with 3.117 nH in series.
    const tevmar::DesignInputs inputs{
        "2.4", "2.5", "50", "30.2404", 4, tevmar::LoadType::SeriesRL, true, "3.11746"};
    const tevmar::DesignResult design = tevmar::RunDesign(inputs);
    double best = 0, measured = 0;
    for (auto _ : bench) {
        const analysis::KitReading reading =
            analysis::BuildKit(files, std::nullopt, "kit", 2.4e9, 2.5e9);
        analysis::CandidateSet set = analysis::BuildCandidates(inputs, design, data);
        const std::vector<analysis::KitChoice> choices =
            tevmar::session::PutCandidatesOnKit(set, reading.kit);
        best = choices.empty() ? 0 : choices.front().figures.lossDbMax;
        measured = 0;
        for (const analysis::KitChoice &c : choices)
            measured += static_cast<double>(c.networksMeasured);
        benchmark::DoNotOptimize(best);
    }
    bench.counters["bestLossDb"] = best;
    bench.counters["networksMeasured"] = measured;
}
BENCHMARK(CandidatesOnKitMeasuredLoad)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace
