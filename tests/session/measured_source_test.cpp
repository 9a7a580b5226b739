// A measured source into the measured chip antenna, as a run makes it: a
// resistive source file against the typed source resistance, and a power
// amplifier's output tuned between the two data sets.

#include "analysis/readers/touchstone_reader.h"
#include "format/analysis_text.h"
#include "format/tuned_report.h"
#include "session/run/run.h"
#include "tests/session/chip_antenna.h"

#include <gtest/gtest.h>

namespace tevmar::session {
namespace {

Request AntennaRun(std::optional<MeasuredSourceInput> source, double sourceOhms = 50)
{
    Request request;
    request.design.f1Text = "2.3";
    request.design.f2Text = "2.6";
    request.design.networkOrder = 4;
    request.measuredLoad = MeasuredLoadInput{};
    request.measuredLoad->filePath = "antenna.s1p";
    request.measuredLoad->data = analysis::ReadOnePort(test_files::ChipAntennaS1p(), "antenna.s1p");
    request.measuredLoad->sourceOhms = sourceOhms;
    request.measuredLoad->source = std::move(source);
    request.tune = true;
    request.settings.eseries = analysis::ESeries::E24;
    return request;
}

MeasuredSourceInput SourceData(const std::string &text)
{
    return MeasuredSourceInput{"source.s1p", analysis::ReadOnePort(text, "source.s1p"), {}};
}

TEST(MeasuredSource, AResistiveFileGivesExactlyTheFiguresOfTheTypedResistance)
{
    const Outcome typed = session::Run(AntennaRun(std::nullopt));
    // A file of a plain 50 ohms: no kind with a reactance fits it.
    const Outcome filed = session::Run(AntennaRun(SourceData(test_files::PaOutputS1p(50, 0))));
    ASSERT_EQ(typed.status, ExitStatus::Designed);
    ASSERT_EQ(filed.status, ExitStatus::Designed);
    ASSERT_TRUE(filed.match && filed.match->source && filed.match->source->resistive);
    EXPECT_EQ(filed.design.inputs.zhighText, "50");
    EXPECT_EQ(format::AnalysisLines(*filed.analysis), format::AnalysisLines(*typed.analysis));
    ASSERT_TRUE(typed.tuned && filed.tuned);
    EXPECT_EQ(format::TunedLines(*filed.tuned), format::TunedLines(*typed.tuned));
    EXPECT_NE(filed.standardOutput.find("Measured source source.s1p: 101 points"),
              std::string::npos);
}

TEST(MeasuredSource, PaOutputIntoTheAntennaTunedBetweenBothDataSetsNeverWorse)
{
    const Outcome run = session::Run(AntennaRun(SourceData(test_files::PaOutputS1p())));
    ASSERT_EQ(run.status, ExitStatus::Designed) << run.standardOutput;
    const SourceMatch &source = *run.match->source;
    EXPECT_EQ(source.fit.chosen.type, LoadType::SeriesRL);
    EXPECT_NEAR(source.fit.sourceOhms, 8, 1e-9);
    EXPECT_NEAR(source.fit.chosen.reactiveValue, 0.5, 1e-9);
    // The antenna's shunt fit (37 ohms) lies above the 8 ohm source: it stands at port 1.
    EXPECT_EQ(run.match->fit.chosen.type, LoadType::ShuntRL);
    EXPECT_EQ(run.design.inputs.zlowText, "8");
    ASSERT_TRUE(source.closedForm);
    EXPECT_NE(source.bodeFano.find("the source's binds"), std::string::npos) << source.bodeFano;

    // The source's 0.5 nH, left to the tuner, spoils the textbook design; the
    // tuner wins the match back and its figure holds between the data sets.
    ASSERT_TRUE(run.tuned);
    const analysis::TuneResult &tuned = run.tuned->tuned;
    EXPECT_GT(tuned.startGammaMax, 0.3);
    EXPECT_LE(tuned.gammaMax, tuned.startGammaMax);
    EXPECT_LT(tuned.gammaMax, 0.05);
    ASSERT_TRUE(tuned.network.measured && tuned.network.measured->source);
    double worst = 0;
    for (double f = 2.3e9; f <= 2.6e9; f += 1e6)
        worst = std::max(worst, analysis::ReflectionMagnitude(tuned.network, f));
    EXPECT_NEAR(worst, tuned.gammaMax, 2e-3);
}

TEST(MeasuredSource, NoTextbookDesignButATunedNetworkExitsAsForTheLoad)
{
    Request request = AntennaRun(SourceData(test_files::PaOutputS1p(30)));
    request.design.networkOrder = 8;
    const Outcome run = session::Run(request);
    EXPECT_EQ(run.status, ExitStatus::Tuned);
    ASSERT_TRUE(run.tuned && run.tuned->relaxed);
    EXPECT_LE(run.tuned->tuned.gammaMax, run.tuned->tuned.startGammaMax);
    EXPECT_NE(run.standardOutput.find("Measured source source.s1p"), std::string::npos);
}

TEST(MeasuredSource, ASourceKindThatDoesNotFitNamesTheSourceFile)
{
    Request kind = AntennaRun(SourceData(test_files::PaOutputS1p()));
    kind.measuredLoad->source->kind = LoadType::SeriesRC;
    const Outcome wrongKind = session::Run(kind);
    EXPECT_EQ(wrongKind.status, ExitStatus::BadUsage);
    ASSERT_FALSE(wrongKind.messages.empty());
    EXPECT_EQ(wrongKind.messages.back().text, "source.s1p: no series RC fits the data");
    // A front end's name for the file leads the message.
    kind.measuredLoad->source->label = "source_s1p";
    EXPECT_EQ(session::Run(kind).messages.back().text,
              "source_s1p: source.s1p: no series RC fits the data");
}

} // namespace
} // namespace tevmar::session
