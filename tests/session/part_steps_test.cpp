// The Response window's parts without Qt: the chip models read as the
// command line reads them, the curves of the network as built beside the
// ideal one, and parts stepped by hand with every curve following.

#include "report/number_format.h"
#include "session/options/part_model_options.h"
#include "session/types.h"
#include "session/views/part_choice.h"
#include "session/views/part_steps.h"
#include "session/views/schematic.h"

#include <gtest/gtest.h>

namespace tevmar::session {
namespace {

CalculateOutcome Design()
{
    return Calculate({"1", "2", "50", "10", 8, LoadType::ShuntRC, true, "1"});
}

const ResponseCurve *CurveWith(const Response &r, CurveRole role)
{
    for (const ResponseCurve &curve : r.curves)
        if (curve.role == role)
            return &curve;
    return nullptr;
}

TEST(PartChoice, ChipModelsAreReadAndRefusedAsTheCommandLineDoes)
{
    ResponseSettings before;
    before.inductorQ = 40;
    before.capacitorQ = 300;
    const PartChoice chips{PartSource::ChipModels, "55@1.5GHz,0.157pF", "", "0.05pF"};
    const PartChoiceReading read = ApplyPartChoice(chips, before);
    ASSERT_EQ(read.problem, "");
    ASSERT_TRUE(read.settings.inductorChip);
    EXPECT_EQ(read.settings.inductorChip->q, 55);
    EXPECT_NEAR(read.settings.inductorChip->parallel.picofarads(), 0.157, 1e-12);
    EXPECT_FALSE(read.settings.capacitorChip);
    EXPECT_EQ(read.settings.padPf, 0.05);
    // The chip model gives the inductors' loss; the capacitors keep their Q.
    EXPECT_FALSE(read.settings.inductorQ);
    EXPECT_EQ(read.settings.capacitorQ, 300);
    EXPECT_EQ(PartChoiceSummary(read.settings), "chip L 55@1.5GHz,0.157pF, C Q 300, pads 0.05 pF");

    // A text the command line refuses is refused with its words, and the
    // settings stay as they were.
    const PartChoice badPad{PartSource::ChipModels, "", "0.45nH,0.12@1GHz", "0.05"};
    const PartChoiceReading refused = ApplyPartChoice(badPad, read.settings);
    EXPECT_EQ(refused.problem, "--pad: " + std::get<std::string>(ParsePad("0.05")));
    EXPECT_EQ(refused.settings, read.settings);
    const PartChoiceReading badModel =
        ApplyPartChoice({PartSource::ChipModels, "55@1.5GHz", "", ""}, before);
    EXPECT_EQ(badModel.problem,
              "--l-model: " + std::get<std::string>(ParseInductorModel("55@1.5GHz")));

    // Back to ideal parts: the models and pads go, whatever the texts hold.
    PartChoice ideal = chips;
    ideal.source = PartSource::Ideal;
    const PartChoiceReading plain = ApplyPartChoice(ideal, read.settings);
    EXPECT_FALSE(plain.settings.inductorChip || plain.settings.capacitorChip);
    EXPECT_EQ(plain.settings.padPf, 0);
}

TEST(PartChoice, TheNetworkAsBuiltIsDrawnBesideTheIdealOne)
{
    const CalculateOutcome design = Design();
    ASSERT_TRUE(design.solved());
    const Response ideal = ComputeResponse(design, {});
    EXPECT_EQ(CurveWith(ideal, CurveRole::Ideal), nullptr); // one network, no second curve

    const ResponseSettings chips =
        ApplyPartChoice({PartSource::ChipModels, "30@1.5GHz,0.2pF", "0.45nH,0.3@1GHz", "0.05pF"},
                        {})
            .settings;
    const Response built = ComputeResponse(design, chips);
    ASSERT_EQ(built.problem, "");
    const ResponseCurve *asBuilt = CurveWith(built, CurveRole::Full);
    const ResponseCurve *idealParts = CurveWith(built, CurveRole::Ideal);
    ASSERT_TRUE(asBuilt && idealParts);
    EXPECT_EQ(asBuilt->name, "Full precision, as built");
    EXPECT_EQ(idealParts->name, "Full precision, ideal parts");
    EXPECT_FALSE(built.withLosses); // the curve as built already carries the loss
    // The ideal curve is the ideal response exactly; the built one loses power.
    for (std::size_t i = 0; i < built.frequenciesHz.size(); ++i) {
        EXPECT_EQ(idealParts->points[i].returnLossDb, ideal.curves[0].points[i].returnLossDb);
        const double f = built.frequenciesHz[i];
        if (f >= built.analysis.band.lowHz && f <= built.analysis.band.highHz) {
            EXPECT_GT(asBuilt->points[i].insertionLossDb,
                      idealParts->points[i].insertionLossDb + 0.01);
        }
    }
    const std::vector<FigureRow> rows = FigureRows(built);
    const auto row = [&rows](const std::string &name) {
        for (const FigureRow &r : rows)
            if (r.figure == name)
                return r;
        return FigureRow{};
    };
    ASSERT_TRUE(built.analysis.asBuilt);
    EXPECT_EQ(row("As built").gamma, Figure(built.analysis.asBuilt->figures.gammaMax, 4));
    EXPECT_NE(row("As built, loss").text.find(" dB at most"), std::string::npos);
}

TEST(PartSteps, StepsMoveOnePartAndComeBackExactly)
{
    PartSteps steps;
    steps.Reset(3);
    EXPECT_FALSE(steps.any());
    EXPECT_TRUE(steps.Step(1, +1, 5));
    EXPECT_DOUBLE_EQ(steps.factor(1), 1.05);
    EXPECT_EQ(steps.factor(0), 1);
    EXPECT_TRUE(steps.Step(1, +1, 1));
    EXPECT_TRUE(steps.Step(1, -1, 1));
    EXPECT_TRUE(steps.Step(1, -1, 5));
    EXPECT_EQ(steps.factor(1), 1); // exactly, so the drawn network is drawn again
    EXPECT_FALSE(steps.any());

    EXPECT_FALSE(steps.Step(3, +1, 5)); // no such part
    EXPECT_FALSE(steps.Step(0, +1, 0));
    EXPECT_FALSE(steps.Step(0, 0, 5));
    steps.Select(7);
    EXPECT_FALSE(steps.selected());
    steps.Select(2);
    EXPECT_EQ(steps.selected(), 2u);
    steps.Step(2, -1, 5);
    steps.Clear();
    EXPECT_FALSE(steps.any());
    EXPECT_EQ(steps.selected(), 2u); // the selection outlives a clear
}

TEST(PartSteps, EveryCurveOfTheShownNetworkFollowsAStep)
{
    const CalculateOutcome design = Design();
    ResponseSettings settings =
        ApplyPartChoice({PartSource::ChipModels, "40@1.5GHz,0.1pF", "", ""}, {}).settings;
    settings.eseries = ESeries::E24;
    const Response drawn = ComputeResponse(design, settings);
    ASSERT_EQ(drawn.problem, "");
    PartSteps steps;
    steps.Reset(drawn.analysis.full.parts.size());
    EXPECT_FALSE(SteppedResponse(drawn, steps).stepped); // nothing stepped: nothing to say

    steps.Step(0, +1, 5);
    const Response stepped = SteppedResponse(drawn, steps);
    ASSERT_TRUE(stepped.stepped);
    const std::string first = analysis::PartName(drawn.analysis.full, 0);
    EXPECT_EQ(stepped.stepped->parts, first + " +5 %");

    // Independently: the first part at 1.05 times its value, by hand.
    analysis::Network byHand = drawn.analysis.full;
    byHand.parts[0] = byHand.parts[0].WithValue(byHand.parts[0].value * 1.05);
    const std::vector<analysis::SweepPoint> expected =
        analysis::EvaluateOver(byHand, drawn.frequenciesHz);
    const ResponseCurve *built = CurveWith(stepped, CurveRole::Full);
    ASSERT_TRUE(built);
    bool moved = false;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(built->points[i].returnLossDb, expected[i].returnLossDb, 1e-9);
        moved = moved || built->points[i].returnLossDb != drawn.curves[0].points[i].returnLossDb;
    }
    EXPECT_TRUE(moved);
    EXPECT_NE(CurveWith(stepped, CurveRole::Ideal)->points[5].s.s11,
              CurveWith(drawn, CurveRole::Ideal)->points[5].s.s11);
    // The standard values belong to the network as drawn.
    EXPECT_EQ(CurveWith(stepped, CurveRole::Standard)->points[5].s.s11,
              CurveWith(drawn, CurveRole::Standard)->points[5].s.s11);
    EXPECT_EQ(stepped.analysis.asBuilt->figures.gammaMax, stepped.stepped->figures.gammaMax);
    EXPECT_EQ(stepped.stepped->figures.gammaMax,
              analysis::PassbandFiguresOf(byHand, drawn.analysis.band).gammaMax);

    const std::vector<SteppedValueRow> rows = SteppedValueRows(drawn.analysis.full, steps);
    ASSERT_EQ(rows.size(), drawn.analysis.full.parts.size());
    EXPECT_EQ(rows[0].stepped, PrintedValue(byHand.parts[0]) + " (+5 %)");
    EXPECT_EQ(rows[1].stepped, rows[1].drawn);
}

TEST(PartSteps, StepsInPlaceKeepWhatCameLaterAndComeBackToTheDrawnCurves)
{
    const CalculateOutcome design = Design();
    const Response drawn = ComputeResponse(design, {}, Trials::Later);
    // What the window adds after the sweep: a tune's curve and the trials.
    Response shown = drawn;
    shown.curves.push_back(
        CurveOf("Tuned", drawn.analysis.full, drawn.frequenciesHz, {}, CurveRole::Tuned));
    shown.curves.back().points[3].returnLossDb = 123; // a mark to find again
    shown.trialsPending = false;
    shown.analysis.yield = analysis::YieldResult{};

    PartSteps steps;
    steps.Reset(drawn.analysis.full.parts.size());
    steps.Step(2, -1, 5);
    ApplySteps(shown, drawn, steps);
    ASSERT_TRUE(shown.stepped);
    EXPECT_EQ(shown.curves.back().points[3].returnLossDb, 123);
    EXPECT_TRUE(shown.analysis.yield);
    EXPECT_NE(shown.curves[0].points[7].s.s11, drawn.curves[0].points[7].s.s11);
    EXPECT_NEAR(shown.analysis.full.parts[2].value, drawn.analysis.full.parts[2].value / 1.05,
                1e-12);

    steps.Step(2, +1, 5);
    ApplySteps(shown, drawn, steps);
    EXPECT_FALSE(shown.stepped);
    EXPECT_EQ(shown.analysis.full.parts[2].value, drawn.analysis.full.parts[2].value);
    for (std::size_t c = 0; c < drawn.curves.size(); ++c)
        for (std::size_t i = 0; i < drawn.frequenciesHz.size(); ++i)
            ASSERT_EQ(shown.curves[c].points[i].s.s11, drawn.curves[c].points[i].s.s11);
}

} // namespace
} // namespace tevmar::session
