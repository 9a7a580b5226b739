// Dragging a part's point on the Response window's Smith chart, without Qt:
// the value follows the pointer along the part's arc one way only, never
// leaves the part's range or the kit, lands the path's point where the
// pointer is, and Undo and Back to tuned put back exact values.

#include "analysis/figures/impedance_path.h"
#include "analysis/search/kit_search.h"
#include "session/run/part_kit_folder.h"
#include "session/run/run.h"
#include "session/run/tuning.h"
#include "session/types.h"
#include "session/views/drag.h"
#include "session/views/part_choice.h"
#include "session/views/smith_path.h"
#include "tests/common/synthetic_kit.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>
#include <unistd.h>

namespace tevmar::session {
namespace {

using analysis::Complex;

CalculateOutcome Design(int order)
{
    return Calculate({"1", "2", "50", "10", order, LoadType::ShuntRC, true, "1"});
}

ResponseSettings ChipSettings()
{
    return ApplyPartChoice(
               {PartSource::ChipModels, "55@1.5GHz,0.157pF", "0.45nH,0.12@1GHz", "0.05pF"}, {})
        .settings;
}

Complex GammaOf(Complex z, double reference)
{
    return (z - reference) / (z + reference);
}

// The chart's point after part `index` with the part at `value`: read off
// the path the chart draws, not the drag's own walk.
Complex PointAfter(analysis::Network network, std::size_t index, double value, double hz,
                   double reference)
{
    network.parts[index] = network.parts[index].WithValue(value);
    for (const analysis::PathPoint &p : analysis::ImpedancePathOf(network, hz, reference).points)
        if (p.part == index)
            return GammaOf(p.z, reference);
    ADD_FAILURE() << "no point after part " << index;
    return {};
}

TEST(Drag, TheValueFollowsThePointerAlongTheArcOneWayAndStaysInRange)
{
    const CalculateOutcome design = Design(8);
    ASSERT_TRUE(design.network);
    const double hz = 1.5e9, reference = 50;
    const analysis::PartRanges ranges;
    for (const bool chips : {false, true}) {
        const Response drawn = ComputeResponse(design, chips ? ChipSettings() : ResponseSettings{});
        ASSERT_EQ(drawn.problem, "");
        const analysis::Network &network = drawn.curves.front().network;
        for (std::size_t i = 0; i < network.parts.size(); ++i) {
            SCOPED_TRACE((chips ? "chip models, " : "ideal, ") + analysis::PartName(network, i));
            const auto [low, high] = network.parts[i].RangeIn(ranges);
            // Points along the arc, each the path's point for a value: the
            // drag gives that value back, so a pointer moved along the arc
            // moves the value one way only. Values near a chip model's
            // resonance turn the arc back on itself; keep to the part's use.
            double before = 0;
            for (double value = std::max(low, network.parts[i].value / 20);
                 value <= std::min(high, network.parts[i].value * 20); value *= 1.25) {
                const double dragged =
                    DraggedValue(network, i, hz, PointAfter(network, i, value, hz, reference),
                                 reference, {low, high});
                EXPECT_NEAR(dragged, value, value * 1e-6);
                EXPECT_GT(dragged, before);
                before = dragged;
            }
            // Past either end of the range the value stays at that end.
            const Complex beyondHigh = PointAfter(network, i, high * 30, hz, reference);
            const Complex beyondLow = PointAfter(network, i, low / 30, hz, reference);
            EXPECT_EQ(DraggedValue(network, i, hz, beyondHigh, reference, {low, high}), high);
            EXPECT_EQ(DraggedValue(network, i, hz, beyondLow, reference, {low, high}), low);
            // Anywhere on the chart (the rim, the centre, a short) the value
            // is a value the part may take.
            for (const Complex g : {Complex{1, 0}, Complex{-1, 0}, Complex{0, 0}, Complex{0, 1},
                                    Complex{0.3, -0.9}}) {
                const double v = DraggedValue(network, i, hz, g, reference, {low, high});
                EXPECT_GE(v, low);
                EXPECT_LE(v, high);
            }
        }
    }
}

TEST(Drag, ASeriesInductorTakesTheReactanceOfItsConstantResistanceCircle)
{
    // An independent reading of the chart: from the point before a series
    // inductor, a point j X further along its circle of constant
    // resistance needs L = X / omega, whatever the resistance.
    const CalculateOutcome design = Design(4);
    ASSERT_TRUE(design.network);
    const analysis::Network network = design.network->full;
    const double hz = 1.4e9, omega = 2 * std::numbers::pi * hz, reference = 50;
    const analysis::ImpedancePath path = analysis::ImpedancePathOf(network, hz, reference);
    int checked = 0;
    for (std::size_t k = 1; k < path.points.size(); ++k) {
        const std::size_t index = *path.points[k].part;
        if (network.parts[index].kind != ElementKind::SeriesInductor)
            continue;
        const Complex before = path.points[k - 1].z;
        for (const double nh : {0.5, 2.0, 7.5, 30.0}) {
            const Complex target = before + Complex{0, omega * nh * 1e-9};
            EXPECT_NEAR(DraggedValue(network, index, hz, GammaOf(target, reference), reference,
                                     {0.1, 10'000}),
                        nh, nh * 1e-6);
        }
        ++checked;
    }
    EXPECT_GT(checked, 0) << "the design has a series inductor";
}

TEST(Drag, ThePathsPointLandsUnderThePointerAtOrder12WithChipModels)
{
    const CalculateOutcome design = Design(12);
    ASSERT_TRUE(design.network);
    const Response drawn = ComputeResponse(design, ChipSettings(), Trials::Later);
    ASSERT_EQ(drawn.problem, "");
    PartSteps steps;
    steps.Reset(drawn.analysis.full.parts.size());
    const analysis::Network &network = drawn.curves.front().network;
    const double reference = 50, hz = drawn.analysis.band.centreHz;
    const std::size_t index = 3;
    const double wanted = network.parts[index].value * 1.37;
    const Complex pointer = PointAfter(network, index, wanted, hz, reference);
    ASSERT_TRUE(DragPart(steps, drawn, index, pointer, reference, {}));
    EXPECT_NEAR(steps.factor(index), 1.37, 1e-6);
    EXPECT_FALSE(DragPart(steps, drawn, index, pointer, reference, {})) << "no move, no change";

    // The path the chart draws of the shown response puts that part's point
    // where the pointer was, and the shown response says what moved.
    const Response shown = SteppedResponse(drawn, steps);
    const std::optional<SmithPath> path = ResponsePath(shown, reference);
    ASSERT_TRUE(path);
    const std::string name = analysis::PartName(network, index);
    bool found = false;
    for (const SmithPathPoint &p : path->points)
        if (p.after == name) {
            EXPECT_LT(std::abs(GammaOf(p.z, reference) - pointer), 1e-6);
            found = true;
        }
    EXPECT_TRUE(found);
    ASSERT_TRUE(shown.stepped);
    EXPECT_EQ(shown.stepped->parts, name + " +37 %");
    EXPECT_EQ(PartNamed(network, name), index);
    EXPECT_FALSE(PartNamed(network, "L99"));
}

TEST(Drag, UndoAndBackToTunedPutBackExactValues)
{
    const CalculateOutcome design = Design(8);
    ResponseSettings settings;
    settings.tune = true;
    const Response drawn = ComputeResponse(design, settings);
    ASSERT_EQ(drawn.problem, "");
    const TunedResponse tune = TuneForWindow(design, settings);
    ASSERT_TRUE(tune.tuned);
    Response shown = drawn;
    AddTuned(shown, *tune.tuned);
    const analysis::Network &network = drawn.curves.front().network;

    PartSteps steps;
    steps.Reset(network.parts.size());
    ValueHistory history;
    const PartStepValues start = steps.values();
    // Two drags and a wheel's two notches, each kept whole for Undo.
    PartStepValues before = steps.values();
    ASSERT_TRUE(DragPart(steps, drawn, 1, {0.2, 0.4}, 50, {}));
    history.Push(before, steps.values());
    const PartStepValues afterFirst = steps.values();
    before = steps.values();
    ASSERT_TRUE(DragPart(steps, drawn, 2, {-0.3, -0.2}, 50, {}));
    history.Push(before, steps.values());
    const PartStepValues afterSecond = steps.values();
    before = steps.values();
    ASSERT_TRUE(WheelPart(steps, 0, -2, 1));
    history.Push(before, steps.values());
    EXPECT_DOUBLE_EQ(steps.factor(0), 1 / (1.01 * 1.01));
    history.Push(steps.values(), steps.values()); // no change: nothing kept
    EXPECT_EQ(history.size(), 3u);

    ASSERT_TRUE(history.Undo(steps));
    EXPECT_EQ(steps.values(), afterSecond);
    ASSERT_TRUE(history.Undo(steps));
    EXPECT_EQ(steps.values(), afterFirst);
    ASSERT_TRUE(history.Undo(steps));
    EXPECT_EQ(steps.values(), start);
    EXPECT_FALSE(history.Undo(steps));

    // Back to tuned: every part at the tune's value exactly, and the path
    // the chart draws is the tune's own.
    ASSERT_TRUE(steps.Restore(TunedValues(steps, shown, drawn)));
    const analysis::Network &tuned = TunedCurveOf(shown)->network;
    const analysis::Network applied = steps.Apply(network);
    for (std::size_t i = 0; i < tuned.parts.size(); ++i)
        EXPECT_EQ(applied.parts[i].value, tuned.parts[i].value) << i;
    Response after = shown;
    ApplySteps(after, drawn, steps);
    const std::optional<SmithPath> stepped = ResponsePath(after, 50);
    const std::optional<SmithPath> own = ResponsePath(shown, 50);
    ASSERT_TRUE(stepped && own);
    ASSERT_EQ(stepped->points.size(), own->points.size());
    for (std::size_t k = 0; k < own->points.size(); ++k)
        EXPECT_EQ(stepped->points[k].z, own->points[k].z) << k;
    // Without a tune, back to tuned is back to the drawn values.
    EXPECT_EQ(TunedValues(steps, drawn, drawn), start);
    // Values of a network of another shape are not taken.
    PartSteps other;
    other.Reset(3);
    EXPECT_FALSE(other.Restore(start));
}

TEST(Drag, AKitPartSnapsToTheKitPartUnderThePointerInTheKitsOrder)
{
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::path(testing::TempDir()) / ("tevmar-drag-kit-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    test_kit::WriteSyntheticKit(folder);
    const analysis::Band band{1e9, 2e9};
    const analysis::KitReading reading = ReadPartKit(folder.string(), band.lowHz, band.highHz);
    fs::remove_all(folder);
    ASSERT_EQ(reading.problem, "");
    const auto kit = std::make_shared<const analysis::Kit>(reading.kit);
    const CalculateOutcome design = Design(8);
    ASSERT_TRUE(design.network);
    const analysis::Network network =
        analysis::ChooseKitParts(design.network->full, band, *kit).network;
    PartSteps steps;
    steps.Reset(network, kit);
    const double hz = std::sqrt(band.lowHz * band.highHz), reference = 50;
    for (std::size_t i = 0; i < network.parts.size(); ++i) {
        const std::vector<analysis::KitPartRef> *choices = steps.kitChoices(i);
        ASSERT_NE(choices, nullptr);
        SCOPED_TRACE(analysis::PartName(network, i));
        // The pointer on each kit part's own point picks that part: in the
        // kit's order as the pointer moves along.
        for (std::size_t k = 0; k < choices->size(); ++k) {
            analysis::Network placed = network;
            placed.parts[i] = analysis::KitPartAs(network.parts[i], (*choices)[k]);
            const Complex pointer = PointAfter(placed, i, placed.parts[i].value, hz, reference);
            EXPECT_EQ(DraggedKitPart(network, i, hz, pointer, reference, *choices), k);
        }
        // Anywhere else: a part of the kit, and the steps take it.
        const std::size_t k = DraggedKitPart(network, i, hz, {0.1, -0.7}, reference, *choices);
        ASSERT_LT(k, choices->size());
        ASSERT_TRUE(steps.SetKitPart(i, static_cast<int>(k)));
        EXPECT_EQ(analysis::KitPartOf(steps.Apply(network).parts[i])->partNumber,
                  (*choices)[k]->partNumber);
        EXPECT_FALSE(steps.SetFactor(i, 1.05)) << "a kit part has no value between";
        EXPECT_FALSE(steps.SetKitPart(i, static_cast<int>(choices->size())));
    }
}

TEST(Drag, TheDraggedNetworkExportsLikeAnyNetwork)
{
    const CalculateOutcome design = Design(8);
    const Response drawn = ComputeResponse(design, {});
    ASSERT_EQ(drawn.problem, "");
    Request request;
    request.design = design.inputs;
    request.settings = AnalysisSettingsOf({});
    const auto exported = [&](ExportKind kind, std::optional<analysis::Network> network) {
        request.files = {{kind, kStandardOutputPath, "export"}};
        request.network = std::move(network);
        return session::Run(request).standardOutput;
    };
    // The network as drawn writes the same bytes as the design's own export.
    const std::string plain = exported(ExportKind::Touchstone, std::nullopt);
    ASSERT_FALSE(plain.empty());
    EXPECT_EQ(exported(ExportKind::Touchstone, drawn.analysis.full), plain);

    PartSteps steps;
    steps.Reset(drawn.analysis.full.parts.size());
    ASSERT_TRUE(DragPart(steps, drawn, 1, {0.2, 0.4}, 50, {}));
    const Response shown = SteppedResponse(drawn, steps);
    EXPECT_NE(exported(ExportKind::Touchstone, shown.analysis.full), plain);
    // The netlist's card of the dragged part carries its new value.
    const std::string spice = exported(ExportKind::Spice, shown.analysis.full);
    const std::string card = " " + shown.analysis.full.parts[1].SpiceValue() + " ;";
    EXPECT_NE(spice.find(card), std::string::npos) << card << " in\n" << spice;
    EXPECT_EQ(exported(ExportKind::Spice, std::nullopt).find(card), std::string::npos);
}

} // namespace
} // namespace tevmar::session
