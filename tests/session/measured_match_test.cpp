// One "match a measured load" run as the window will make it: the chip
// antenna's file fitted and designed for, its response and tuning into the
// data, and files that describe the network alone.

#include "analysis/readers/touchstone_reader.h"
#include "session/run/exports.h"
#include "session/run/measured_match.h"
#include "session/run/tuning.h"
#include "tests/session/chip_antenna.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tevmar::session {
namespace {

MeasuredMatch MatchAntenna(int order, const char *f1 = "2.3", const char *f2 = "2.6",
                           int digits = 0)
{
    MeasuredLoadRequest request;
    request.f1Text = f1;
    request.f2Text = f2;
    request.f1 = units::Frequency::FromGHz(std::stod(f1));
    request.f2 = units::Frequency::FromGHz(std::stod(f2));
    request.sourceOhms = 50;
    request.networkOrder = order;
    return MatchMeasuredLoad(
        request,
        analysis::ReadOnePort(test_files::ChipAntennaS1p(2.0, 3.0, 10.0, digits), "antenna.s1p"),
        "antenna.s1p");
}

TEST(MatchMeasuredLoad, ChipAntennaOrder4DesignedForTheFitAndTunedIntoTheData)
{
    const MeasuredMatch match = MatchAntenna(4);
    ASSERT_TRUE(match.ok()) << match.problem;
    EXPECT_EQ(match.fit.pointsInBand, 31u);
    EXPECT_EQ(match.fit.chosen.type, LoadType::SeriesRL);
    // The fit's series resistance stands at the low-impedance port.
    const DesignInputs &inputs = match.outcome.inputs;
    EXPECT_EQ(inputs.zhighText, "50");
    EXPECT_EQ(inputs.zlowText, "20.1709");
    EXPECT_EQ(inputs.absorbText, "1.19582");
    EXPECT_TRUE(inputs.absorb);
    ASSERT_TRUE(match.outcome.solved());
    ASSERT_TRUE(match.outcome.measuredLoad);
    EXPECT_EQ(match.outcome.measuredLoad->port, 2);

    // The window's figures and curves are into the measured antenna: 0.049,
    // where the fitted model alone promises 0.041.
    const Response response = ComputeResponse(match.outcome, ResponseSettings{});
    ASSERT_TRUE(response.problem.empty()) << response.problem;
    EXPECT_NEAR(match.outcome.result.GammaMax, 0.0414, 0.0005);
    EXPECT_NEAR(response.analysis.selfCheck.full.gammaMax, 0.049, 0.0005);
    double curveMax = 0;
    for (const analysis::SweepPoint &p : response.curves.front().points)
        if (p.frequencyHz >= 2.3e9 && p.frequencyHz <= 2.6e9)
            curveMax = std::max(curveMax, std::abs(p.s.s11));
    EXPECT_GT(curveMax, 0.045);

    const TunedResponse tuned = TuneForWindow(match.outcome, ResponseSettings{});
    ASSERT_TRUE(tuned.tuned) << tuned.problem;
    EXPECT_LE(tuned.tuned->tuned.gammaMax, 0.024);
}

// The same antenna written with 6 to 17 significant digits is the same
// load: at order 8 (no design absorbs the fitted 1.196 nH) each file tunes,
// through the relaxed design, to figures within 25 % of each other.
TEST(MatchMeasuredLoad, SameAntennaTunesAlikeWhateverDigitsTheFileHolds)
{
    double lowest = HUGE_VAL, highest = 0;
    for (int digits = 6; digits <= 17; ++digits) {
        const MeasuredMatch match = MatchAntenna(8, "2.3", "2.6", digits);
        ASSERT_TRUE(match.ok()) << match.problem;
        ASSERT_FALSE(match.outcome.solved());
        const TunedResponse tuned = TuneForWindow(match.outcome, ResponseSettings{});
        ASSERT_TRUE(tuned.tuned) << tuned.problem;
        ASSERT_TRUE(tuned.tuned->relaxed);
        const double gamma = tuned.tuned->tuned.gammaMax;
        lowest = std::min(lowest, gamma);
        highest = std::max(highest, gamma);
    }
    EXPECT_TRUE(highest <= 1.25 * lowest || highest < 1e-3) << lowest << " to " << highest;
}

TEST(MatchMeasuredLoad, RefusesABandWithTooFewPointsOrAKindOnTheWrongSide)
{
    const MeasuredMatch narrow = MatchAntenna(4, "2.301", "2.325");
    EXPECT_EQ(narrow.problem, "antenna.s1p: 2 measured points lie in the band 2.301 to 2.325 "
                              "GHz; the fit needs at least 3");
    MeasuredLoadRequest request;
    request.f1Text = "2.3";
    request.f2Text = "2.6";
    request.f1 = units::Frequency::FromGHz(2.3);
    request.f2 = units::Frequency::FromGHz(2.6);
    request.sourceOhms = 15; // the series fit's 20 ohms cannot be the low-impedance port
    request.loadKind = LoadType::SeriesRL;
    const MeasuredMatch forced = MatchMeasuredLoad(
        request, analysis::ReadOnePort(test_files::ChipAntennaS1p(), "a.s1p"), "a.s1p");
    EXPECT_EQ(forced.problem, "the series RL fit's 20.17 ohms is not below the source's 15 ohms, "
                              "as a series load must be");
}

TEST(MatchMeasuredLoad, TheNetworkFilesDescribeTheFittedModelTheSweepTheData)
{
    const MeasuredMatch match = MatchAntenna(4);
    ASSERT_TRUE(match.outcome.solved());
    const CalculateOutcome model = Calculate(match.outcome.inputs);
    const AnalysisSettings settings;
    const analysis::NetworkAnalysis intoData = analysis::AnalyseDesign(
        DesignedOf(match.outcome), AnalysisOptionsFor(match.outcome, settings));
    const analysis::NetworkAnalysis intoModel =
        analysis::AnalyseDesign(DesignedOf(model), AnalysisOptionsFor(model, settings));
    const std::vector<double> sweepHz{1.5e9, 2.45e9, 3.0e9};
    // The Touchstone files hold the network alone against the fitted resistance.
    for (const ExportKind kind : {ExportKind::Touchstone, ExportKind::TouchstoneV2})
        EXPECT_EQ(ExportText(kind, match.outcome, intoData, sweepHz),
                  ExportText(kind, model, intoModel, sweepHz))
            << FormatOf(kind).title;
    // The SPICE bench is the fitted model's, and its header says so.
    std::string bench = ExportText(ExportKind::Spice, match.outcome, intoData, sweepHz);
    const std::size_t note = bench.find('\n') + 1;
    const std::size_t noteEnd = bench.find("* Subcircuit pins");
    ASSERT_LT(note, noteEnd);
    EXPECT_TRUE(bench.substr(note, noteEnd - note)
                    .starts_with("* The bench terminates the "
                                 "network in the fitted model"));
    bench.erase(note, noteEnd - note);
    EXPECT_EQ(bench, ExportText(ExportKind::Spice, model, intoModel, sweepHz));
    // The sweep is into the data where they reach, into the model beyond.
    const std::string data = ExportText(ExportKind::SweepCsv, match.outcome, intoData, sweepHz);
    const std::string fitted = ExportText(ExportKind::SweepCsv, model, intoModel, sweepHz);
    const auto row = [](const std::string &text, int k) {
        std::size_t at = 0;
        for (int i = 0; i < k; ++i)
            at = text.find('\n', at) + 1;
        return text.substr(at, text.find('\n', at) - at);
    };
    EXPECT_TRUE(row(data, 0).ends_with(",termination"));
    EXPECT_EQ(row(data, 1), row(fitted, 1) + ",fitted_model"); // 1.5 GHz: below the data
    EXPECT_TRUE(row(data, 2).ends_with(",measured"));
    EXPECT_NE(row(data, 2), row(fitted, 2) + ",measured");
}

} // namespace
} // namespace tevmar::session
