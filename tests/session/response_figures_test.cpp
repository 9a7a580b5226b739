// What the Response window will show and offer, without Qt: the figures rows
// for sensitivity, parts too small for a chip and a chosen yield limit, and
// the Touchstone 2.0 export beside the others.

#include "session/run/exports.h"
#include "session/views/response.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tevmar::session {
namespace {

CalculateOutcome SmallPartDesign()
{
    // 6 to 18 GHz, 20 to 5 ohms, shunt RC absorbing 0.9 pF: its first part is
    // a 0.091 nH series inductor.
    DesignInputs inputs;
    inputs.f1Text = "6";
    inputs.f2Text = "18";
    inputs.zhighText = "20";
    inputs.zlowText = "5";
    inputs.loadType = LoadType::ShuntRC;
    inputs.absorb = true;
    inputs.absorbText = "0.9";
    return Calculate(inputs);
}

std::string TextOf(const std::vector<FigureRow> &rows, const std::string &figure)
{
    for (const FigureRow &row : rows)
        if (row.figure == figure)
            return row.text;
    return "(no row)";
}

TEST(ResponseFigures, SensitivityChipRangeAndYieldLimit)
{
    const CalculateOutcome design = SmallPartDesign();
    ASSERT_TRUE(design.solved());
    ResponseSettings settings;
    settings.yieldVswr = 1.3;
    settings.trials = 50;
    const Response response = ComputeResponse(design, settings);
    ASSERT_EQ(response.problem, "");
    const std::vector<FigureRow> rows = FigureRows(response);

    EXPECT_EQ(TextOf(rows, "Below chip range"), "L1 0.091 nH: no chip part this small");
    const std::string sensitive = TextOf(rows, "Most sensitive, per +1 %");
    EXPECT_TRUE(sensitive.ends_with(" in |S11| max")) << sensitive;
    EXPECT_EQ(std::count(sensitive.begin(), sensitive.end(), ','), 2) << "all three parts";
    EXPECT_TRUE(TextOf(rows, "Yield \u00B15 %, 50 trials").ends_with("below VSWR 1.3"));

    settings.yieldVswr = 1.0;
    EXPECT_EQ(ComputeResponse(design, settings).problem, "The yield limit must be a VSWR above 1.");
}

TEST(ResponseFigures, ACandidateDrawnIsNamedAndHasNoTextbookFigures)
{
    const CalculateOutcome design = SmallPartDesign();
    Response response = ComputeResponse(design, ResponseSettings{});
    ASSERT_EQ(response.problem, "");
    EXPECT_EQ(InBandMaxName(response), "design ripple max");
    NameAsCandidate(response, "Candidate 3");
    // The level marked on the frequency panels is the candidate's own.
    EXPECT_EQ(InBandMaxName(response), "Candidate 3 in-band max");
    const std::vector<FigureRow> rows = FigureRows(response);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0].figure, "Candidate 3");
    EXPECT_FALSE(rows[0].gamma.empty());
    for (const FigureRow &row : rows)
        for (const char *textbook :
             {"Design ripple", "Full precision", "As printed", "Network check"})
            EXPECT_NE(row.figure, textbook);
    std::vector<std::string> curves;
    for (const ResponseCurve &curve : response.curves)
        curves.push_back(curve.name);
    EXPECT_EQ(std::count(curves.begin(), curves.end(), "Candidate 3"), 1);
    EXPECT_EQ(std::count(curves.begin(), curves.end(), "As printed"), 0);
}

TEST(ResponseFigures, TouchstoneTwoIsOfferedWithTheOtherExports)
{
    const CalculateOutcome design = SmallPartDesign();
    const Response response = ComputeResponse(design, ResponseSettings{});
    EXPECT_NE(std::find(std::begin(kExportKinds), std::end(kExportKinds), ExportKind::TouchstoneV2),
              std::end(kExportKinds));
    const std::string text =
        ExportText(ExportKind::TouchstoneV2, design, response.analysis, response.frequenciesHz);
    EXPECT_TRUE(text.starts_with("[Version] 2.0\n"));
    EXPECT_NE(text.find("\n[Reference] 20 5\n"), std::string::npos);
}

} // namespace
} // namespace tevmar::session
