#include "report/report_lines.h"
#include "session/run/calculation.h"
#include "session/views/drag.h"
#include "session/views/part_choice.h"
#include "session/views/part_steps.h"
#include "session/views/schematic.h"
#include "session/views/smith_path.h"

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

// One part stepped by hand in the Response window, the work off Qt: the
// network as built and the ideal one swept again over the default 401
// points, the figures as built, the figures table, the step table and the
// schematic's labels. The window has 16 ms for a step and its repaint.
namespace {

// The Response window's design on band 1 to 2 GHz, 50 to 10 ohms into a
// shunt RC, drawn with ideal parts or with chip models.
struct DrawnDesign
{
    tevmar::session::ResponseSettings settings;
    tevmar::session::Response drawn;
};

DrawnDesign Drawn(int order, bool chipModels)
{
    namespace session = tevmar::session;
    const session::CalculateOutcome design =
        session::Calculate({"1", "2", "50", "10", order, LoadType::ShuntRC, true, "1"});
    const session::PartChoice chips{session::PartSource::ChipModels, "55@1.5GHz,0.157pF",
                                    "0.45nH,0.12@1GHz", "0.05pF"};
    DrawnDesign d;
    d.settings =
        chipModels ? session::ApplyPartChoice(chips, {}).settings : session::ResponseSettings{};
    d.drawn = session::ComputeResponse(design, d.settings, session::Trials::Later);
    return d;
}

void PartStep(benchmark::State &bench, int order, bool chipModels)
{
    namespace session = tevmar::session;
    const DrawnDesign d = Drawn(order, chipModels);
    const session::Response &drawn = d.drawn;
    session::Response shown = drawn;
    session::PartSteps steps;
    steps.Reset(drawn.analysis.full.parts.size());
    steps.Select(1);
    int direction = 1;
    for (auto _ : bench) {
        steps.Step(1, direction, 5);
        direction = -direction;
        session::ApplySteps(shown, drawn, steps);
        const auto rows = session::FigureRows(shown);
        const auto values = session::SteppedValueRows(drawn.analysis.full, steps);
        const session::Schematic schematic = session::SchematicOf(shown.analysis.printed);
        benchmark::DoNotOptimize(rows.data());
        benchmark::DoNotOptimize(values.data());
        benchmark::DoNotOptimize(schematic.parts.data());
    }
}

BENCHMARK_CAPTURE(PartStep, order8_ideal, 8, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PartStep, order8_chip_models, 8, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PartStep, order12_chip_models, 12, true)->Unit(benchmark::kMillisecond);

} // namespace

// One move of a part's point dragged along its arc on the Smith chart, the
// work off Qt: the pointer mapped to the part's value, then everything a step
// redraws and the path through the parts. The pointer swings between two
// points of the part's arc (its value x 0.8 and x 1.25), so every move is a
// change.
namespace {

void DragStep(benchmark::State &bench, int order, bool chipModels)
{
    namespace session = tevmar::session;
    const DrawnDesign d = Drawn(order, chipModels);
    const session::ResponseSettings &settings = d.settings;
    const session::Response &drawn = d.drawn;
    session::Response shown = drawn;
    session::PartSteps steps;
    steps.Reset(drawn.analysis.full.parts.size());
    const std::size_t part = 1;
    const double reference = 50;
    // The pointer's two places: the path's point after the part at the two values.
    std::vector<tevmar::analysis::Complex> pointer;
    for (const double factor : {0.8, 1.25}) {
        steps.SetFactor(part, factor);
        session::ApplySteps(shown, drawn, steps);
        const session::SmithPath path = *session::ResponsePath(shown, reference);
        const std::string name = tevmar::analysis::PartName(drawn.analysis.full, part);
        for (const session::SmithPathPoint &p : path.points)
            if (p.after == name)
                pointer.push_back((p.z - reference) / (p.z + reference));
    }
    steps.Clear();
    std::size_t swing = 0;
    for (auto _ : bench) {
        session::DragPart(steps, drawn, part, pointer.at(swing), reference, settings.tuneRanges);
        swing = 1 - swing;
        session::ApplySteps(shown, drawn, steps);
        const auto rows = session::FigureRows(shown);
        const auto values = session::SteppedValueRows(drawn.analysis.full, steps);
        const session::Schematic schematic = session::SchematicOf(shown.analysis.printed);
        const std::optional<session::SmithPath> path = session::ResponsePath(shown, reference);
        benchmark::DoNotOptimize(rows.data());
        benchmark::DoNotOptimize(values.data());
        benchmark::DoNotOptimize(schematic.parts.data());
        benchmark::DoNotOptimize(path->points.data());
    }
}

BENCHMARK_CAPTURE(DragStep, order8_ideal, 8, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DragStep, order12_chip_models, 12, true)->Unit(benchmark::kMillisecond);

} // namespace
