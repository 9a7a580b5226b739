// Every candidate for a measured load built from a kit of 100 measured parts:
// the chip antenna (20 ohm + 2.7 nH with a 0.3 pF pad across) from 50 ohm at
// 2.4 to 2.5 GHz, the synthetic 0402 kit read from its files' text.

#include "analysis/candidates.h"
#include "analysis/kit_search.h"
#include "engine/design.h"
#include "tests/common/synthetic_kit.h"

#include <benchmark/benchmark.h>

namespace {

namespace analysis = tevmar::analysis;
namespace kit = tevmar::test_kit;

std::vector<analysis::KitFile> KitFiles()
{
    std::vector<analysis::KitFile> files;
    for (const double nh : kit::InductorValuesNh())
        files.push_back(
            {kit::InductorNumber(nh) + ".s2p",
             kit::SeriesThroughFile([nh](double hz) { return kit::InductorImpedance(nh, hz); }),
             {}});
    for (const double pf : kit::CapacitorValuesPf())
        files.push_back(
            {kit::CapacitorNumber(pf) + ".s2p",
             kit::SeriesThroughFile([pf](double hz) { return kit::CapacitorImpedance(pf, hz); }),
             {}});
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
// of tevmar-cli --load-s1p --candidates --parts does them (the load's fit aside).
void CandidatesOnKitMeasuredLoad(benchmark::State &bench)
{
    const std::vector<analysis::KitFile> files = KitFiles();
    const auto data = Antenna();
    // The fit of this load: 30.24 ohm with 3.117 nH in series.
    const tevmar::DesignInputs inputs{
        "2.4", "2.5", "50", "30.2404", 4, tevmar::LoadType::SeriesRL, true, "3.11746"};
    const tevmar::DesignResult design = tevmar::RunDesign(inputs);
    double best = 0;
    for (auto _ : bench) {
        const analysis::KitReading reading =
            analysis::BuildKit(files, std::nullopt, "kit", 2.4e9, 2.5e9);
        const analysis::CandidateSet set = analysis::BuildCandidates(inputs, design, data);
        best = 1e300;
        for (const analysis::Candidate &c : set.candidates)
            best = std::min(best,
                            analysis::ChooseKitParts(c.tuned.network, c.problem.band, reading.kit)
                                .figures.lossDbMax);
        benchmark::DoNotOptimize(best);
    }
    bench.counters["bestLossDb"] = best;
}
BENCHMARK(CandidatesOnKitMeasuredLoad)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->UseRealTime();

} // namespace
