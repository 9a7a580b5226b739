#include "analysis/amplifier/amplifier.h"
#include "analysis/figures/monte_carlo.h"
#include "analysis/model/designed_network.h"
#include "analysis/search/candidates.h"
#include "analysis/search/tune_design.h"
#include "engine/design.h"

#include <benchmark/benchmark.h>

namespace {

namespace analysis = tevmar::analysis;

// An order-12 design of the band (GHz) and ports (ohms), absorbing `absorbText`
// of a load of `type` when given.
tevmar::DesignResult SolveOrder12(const char *f1, const char *f2, const char *zhigh,
                                  const char *zlow, tevmar::LoadType type = {},
                                  const char *absorbText = nullptr)
{
    tevmar::DesignInputs inputs{
        f1, f2, zhigh, zlow, 12, type, absorbText != nullptr, absorbText ? absorbText : " 0.0"};
    return tevmar::RunDesign(inputs);
}

// Order 12 over 11 to 31 GHz, 381 to 99 ohms.
tevmar::DesignResult SolveOrder12()
{
    return SolveOrder12("11", "31", "381", "99");
}

// A 1001-point logarithmic sweep with every figure of every point.
void Sweep1001Order12(benchmark::State &bench)
{
    const tevmar::DesignResult d = SolveOrder12();
    const analysis::Network ladder = analysis::DesignedNetworkOf(d).full;
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
    const analysis::Network ladder = analysis::DesignedNetworkOf(d).full;
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
    return SolveOrder12("2", "4", "50", "5", tevmar::LoadType::SeriesRC, "20");
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
    const analysis::Network tuned = analysis::Tune(problem).network;
    for (auto _ : bench) {
        const auto standard = analysis::TuneToSeries(problem, tuned, analysis::ESeries::E24);
        benchmark::DoNotOptimize(standard.gammaMax);
    }
}
BENCHMARK(TuneToE24Order12)->Unit(benchmark::kMillisecond);

// Every candidate for a measured load: an antenna-like 30 ohm + 2 nH whose
// resistance rises across the sweep, read at 101 points, matched from 50 ohms
// over 1.8 to 2.2 GHz (no bandpass design absorbs it at any order).
void CandidatesMeasuredLoad(benchmark::State &bench)
{
    auto data = std::make_shared<analysis::MeasuredLoad>();
    for (int k = 0; k <= 100; ++k) {
        const double hz = 1.5e9 + k * 1e7;
        data->frequenciesHz.push_back(hz);
        data->impedanceOhms.emplace_back(25 + 10 * (hz - 1.5e9) / 1e9,
                                         2 * 3.14159265358979 * hz * 2e-9);
    }
    const tevmar::DesignInputs inputs{"1.8", "2.2", "50", "30", 4, tevmar::LoadType::SeriesRL,
                                      true,  "2"};
    const tevmar::DesignResult design = tevmar::RunDesign(inputs);
    std::size_t count = 0;
    double best = 0;
    for (auto _ : bench) {
        const analysis::CandidateSet set = analysis::BuildCandidates(inputs, design, data);
        count = set.candidates.size();
        best = set.candidates.empty() ? 0 : set.candidates.front().tuned.gammaMax;
        benchmark::DoNotOptimize(best);
    }
    bench.counters["candidates"] = static_cast<double>(count);
    bench.counters["bestGammaMax"] = best;
}
BENCHMARK(CandidatesMeasuredLoad)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();

// Both networks of an amplifier around a GaAs FET given at 401 points from 2
// to 6 GHz, its gain falling 6 dB an octave, for the most flat gain over 3 to
// 5 GHz: the whole search, every start and growth step.
void AmplifierGain401Points(benchmark::State &bench)
{
    analysis::TwoPortData data;
    for (int k = 0; k <= 400; ++k) {
        const double ratio = 0.5 + k / 400.0, turn = -0.7 * (ratio - 1);
        const auto polar = [](double m, double degrees) {
            return std::polar(m, degrees / 57.29578);
        };
        analysis::TwoPortMatrix m{polar(0.72, -116), polar(0.03, 57), polar(2.60, 76),
                                  polar(0.73, -54)};
        m.s11 *= std::polar(1.0, turn);
        m.s22 *= std::polar(1.0, turn);
        m.s21 *= std::polar(1.0 / ratio, turn);
        m.s12 *= std::polar(ratio, turn);
        data.frequenciesHz.push_back(ratio * 4e9);
        data.s.push_back(m);
    }
    double gain = 0;
    for (auto _ : bench) {
        const analysis::AmplifierDesign design = analysis::DesignAmplifier(data, 3e9, 5e9, {});
        gain = design.amplifier ? design.amplifier->gtDbMin : 0;
        benchmark::DoNotOptimize(gain);
    }
    bench.counters["gtDbMin"] = gain;
}
BENCHMARK(AmplifierGain401Points)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// The synthesis's element table of an order-12 design turned into its
// networks (full precision and as printed), as every design run does once.
void DesignedNetworkOrder12(benchmark::State &bench)
{
    const tevmar::DesignResult d = SolveOrder12();
    for (auto _ : bench) {
        const analysis::DesignedNetwork network = analysis::DesignedNetworkOf(d);
        benchmark::DoNotOptimize(network.full.parts.data());
    }
}
BENCHMARK(DesignedNetworkOrder12);

} // namespace
