// The one study every front end runs: a stage asked again with the same
// inputs answers from what it found, a stop ends a long search at once, and
// the window's way through the stages gives the command line's figures.

#include "format/analysis_text.h"
#include "format/candidates_report.h"
#include "format/tuned_report.h"
#include "session/run/run.h"
#include "session/run/study.h"
#include "session/run/tuning.h"
#include "session/views/candidates.h"
#include "session/views/response.h"
#include "session/views/response_state.h"
#include "tests/common/gaas_fet.h"
#include "tests/report/test_files.h"

#include <atomic>
#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace tevmar::session {
namespace {

// 30 ohms with 2 nH in series into 50 ohms: the synthesis cannot absorb the
// inductance, a tune and the candidates can.
DesignInputs Unabsorbed(int order = 4)
{
    return {"1.8", "2.2 GHz", "50", "30", order, LoadType::SeriesRL, true, "2"};
}
DesignInputs Order4()
{
    return {"1", "2", "50", "10", 4, LoadType::SeriesRL, false, " 0.0"};
}

// The window's settings and the command line's, asking the same thing.
ResponseSettings WindowSettings()
{
    ResponseSettings settings;
    settings.eseries = analysis::ESeries::E24;
    settings.trials = 200;
    return settings;
}
Request CommandLine(const DesignInputs &design, const ResponseSettings &window)
{
    Request request;
    request.design = design;
    request.settings = AnalysisSettingsOf(window);
    request.figures = true;
    return request;
}

TEST(Study, AStageAskedAgainWithTheSameInputsIsNotRunAgain)
{
    Study study;
    const CalculateOutcome design = study.Design(Unabsorbed());
    EXPECT_EQ(study.Design(Unabsorbed()).report.pane.size(), design.report.pane.size());
    EXPECT_EQ(study.runs(Stage::Design), 1);

    const SearchChoices e24{analysis::ESeries::E24, {}, {}};
    const std::optional<analysis::TunedNetwork> tuned = study.Tune(design, e24);
    ASSERT_TRUE(tuned);
    const std::optional<analysis::TunedNetwork> again = study.Tune(design, e24);
    EXPECT_EQ(again->tuned.gammaMax, tuned->tuned.gammaMax);
    EXPECT_EQ(study.runs(Stage::Tune), 1);
    // Another series is another question.
    study.Tune(design, SearchChoices{analysis::ESeries::E12, {}, {}});
    EXPECT_EQ(study.runs(Stage::Tune), 2);

    const analysis::CandidateSet set = study.Candidates(design, e24);
    ASSERT_FALSE(set.candidates.empty());
    EXPECT_EQ(study.Candidates(design, e24).candidates.size(), set.candidates.size());
    EXPECT_EQ(study.runs(Stage::Candidates), 1);
    // Other boxes are another design.
    study.Candidates(study.Design(Unabsorbed(8)), e24);
    EXPECT_EQ(study.runs(Stage::Candidates), 2);
    EXPECT_EQ(study.runs(Stage::Design), 2);
}

// A front end that keeps its study (the window, a script) runs a request again
// without searching again, and gets the same bytes.
TEST(Study, ARequestRunAgainInTheSameStudyReusesEveryStage)
{
    Study study;
    Request request = CommandLine(Unabsorbed(), WindowSettings());
    request.tune = true;
    request.candidates = true;
    request.json = true;
    request.study = &study;
    const Outcome first = session::Run(request);
    ASSERT_EQ(first.status, ExitStatus::Tuned);
    const int tunes = study.runs(Stage::Tune), searches = study.runs(Stage::Candidates);
    EXPECT_EQ(tunes, 1);
    EXPECT_EQ(searches, 1);

    const Outcome second = session::Run(request);
    EXPECT_EQ(second.standardOutput, first.standardOutput);
    EXPECT_EQ(study.runs(Stage::Tune), tunes);
    EXPECT_EQ(study.runs(Stage::Candidates), searches);
    EXPECT_EQ(study.runs(Stage::Design), 1);
}

// An amplifier asked again with the same request and files is not designed
// again; a changed setting, or the device's file rewritten, designs anew.
TEST(Study, AnAmplifierIsDesignedAgainOnlyWhenItsSettingsOrFilesChange)
{
    test_files::TempDir dir;
    const std::string fet = (dir / "fet.s2p").string();
    test_files::WriteBytes(fet, test::kGaasFet);
    Study study;
    Request request;
    request.design.f1Text = "3.9";
    request.design.f2Text = "4.1";
    request.amplifier = AmplifierInput{};
    request.amplifier->filePath = fet;
    request.json = true;
    request.study = &study;
    const Outcome first = session::Run(request);
    ASSERT_EQ(first.status, ExitStatus::Designed) << first.standardOutput;
    const Outcome again = session::Run(request);
    EXPECT_EQ(again.standardOutput, first.standardOutput);
    EXPECT_EQ(study.runs(Stage::Amplifier), 1);

    request.amplifier->goal = AmplifierGoal::Noise;
    const Outcome noise = session::Run(request);
    EXPECT_EQ(study.runs(Stage::Amplifier), 2);
    EXPECT_NE(noise.standardOutput, first.standardOutput);
    EXPECT_NE(noise.standardOutput.find("\"goal\": \"noise\""), std::string::npos);

    // The device's gain 1 dB lower at 4 GHz: the file is read again.
    request.amplifier->goal = AmplifierGoal::Gain;
    std::string lower = test::kGaasFet;
    const std::string row = "4.0 0.72 -116 2.60 76";
    ASSERT_NE(lower.find(row), std::string::npos);
    lower.replace(lower.find(row), row.size(), "4.0 0.72 -116 2.317 76");
    test_files::WriteBytes(fet, lower + "! rewritten\n");
    const Outcome rewritten = session::Run(request);
    EXPECT_EQ(study.runs(Stage::Amplifier), 3);
    ASSERT_EQ(rewritten.status, ExitStatus::Designed) << rewritten.standardOutput;
    EXPECT_NE(rewritten.standardOutput, first.standardOutput);

    // A file gone is looked for, and its problem told, on every ask.
    std::filesystem::remove(fet);
    EXPECT_EQ(session::Run(request).status, ExitStatus::BadUsage);
    EXPECT_EQ(session::Run(request).status, ExitStatus::BadUsage);
    EXPECT_EQ(study.runs(Stage::Amplifier), 5);
}

// The window recomputes on every change of a setting: a change of the sweep
// alone draws new curves from the figures it had.
TEST(Study, TheWindowAnalysesADesignOnceWhileOnlyTheSweepChanges)
{
    ResponseState state;
    const CalculateOutcome design = state.study->Design(Order4());
    const Response before = ComputeResponse(design, state.settings, Trials::Later, &*state.study);
    state.settings.points = 51;
    const Response after = ComputeResponse(design, state.settings, Trials::Later, &*state.study);
    EXPECT_EQ(state.study->runs(Stage::Analysis), 1);
    EXPECT_EQ(after.frequenciesHz.size(), 51u);
    EXPECT_EQ(format::AnalysisLines(after.analysis), format::AnalysisLines(before.analysis));

    state.settings.eseries = analysis::ESeries::E12; // the snapped network is another
    ComputeResponse(design, state.settings, Trials::Later, &*state.study);
    EXPECT_EQ(state.study->runs(Stage::Analysis), 2);
}

// The window's Stop: a long search of order-12 candidates ends soon after
// the flag is raised, keeps nothing, and the next ask searches afresh.
TEST(Study, AStopEndsALongCandidatesSearchPromptly)
{
    Study study;
    const CalculateOutcome design = study.Design(Unabsorbed(12));
    std::atomic<bool> stop = false;
    std::atomic<int> steps = 0;
    auto search = std::async(std::launch::async, [&] {
        return FindCandidates(study, design, WindowSettings(), &stop, [&](int, int) { ++steps; });
    });
    // Let the search get going before stopping it.
    const auto started = std::chrono::steady_clock::now();
    while (steps == 0 && std::chrono::steady_clock::now() - started < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_EQ(search.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout)
        << "the search ended before it could be stopped: not a long search";
    const auto raised = std::chrono::steady_clock::now();
    stop = true;
    const std::optional<analysis::CandidateSet> found = search.get();
    const auto stopped = std::chrono::steady_clock::now() - raised;
    EXPECT_FALSE(found);
    EXPECT_LT(stopped, std::chrono::milliseconds(500));
    EXPECT_EQ(study.runs(Stage::Candidates), 1);

    // Nothing of the stopped search was kept.
    Request request;
    request.design = Unabsorbed(12);
    request.candidates = true;
    request.study = &study;
    request.stop = &stop;
    EXPECT_EQ(session::Run(request).status, ExitStatus::Stopped);
    EXPECT_EQ(study.runs(Stage::Candidates), 2);
}

// The same request through the window's calls and through the command
// line's run: the same figures, the same tune, the same candidates.
TEST(Study, TheWindowAndTheCommandLineGiveTheSameFigures)
{
    const ResponseSettings window = WindowSettings();
    const Outcome cli = session::Run(CommandLine(Order4(), window));
    ASSERT_TRUE(cli.analysis);
    const CalculateOutcome design = Calculate(Order4());
    const Response shown = ComputeResponse(design, window, Trials::Now);
    EXPECT_EQ(format::AnalysisLines(shown.analysis), format::AnalysisLines(*cli.analysis));

    Request tuneAndSearch = CommandLine(Unabsorbed(), window);
    tuneAndSearch.tune = true;
    tuneAndSearch.candidates = true;
    const Outcome both = session::Run(tuneAndSearch);
    ASSERT_TRUE(both.tuned && both.candidates);
    ResponseState state;
    state.settings = window;
    const CalculateOutcome unsolved = state.study->Design(Unabsorbed());
    const TunedResponse tuned = TuneForWindow(*state.study, unsolved, window);
    ASSERT_TRUE(tuned.tuned);
    EXPECT_EQ(format::TunedLines(*tuned.tuned), format::TunedLines(*both.tuned));
    const std::optional<analysis::CandidateSet> set =
        FindCandidates(*state.study, unsolved, window);
    ASSERT_TRUE(set);
    EXPECT_EQ(format::CandidateLines(*set), format::CandidateLines(*both.candidates));

    // A candidate picked in the window is the network the command line's
    // --pick writes, and says where it came from.
    const CalculateOutcome picked = CandidateOutcome(unsolved, set->candidates.at(1), 2);
    EXPECT_EQ(picked.origin.source, NetworkSource::Candidate);
    EXPECT_EQ(picked.origin.rank, 2);
    EXPECT_EQ(design.origin.source, NetworkSource::Synthesis);
    EXPECT_EQ(TuneForWindow(*state.study, picked, window).tuned->tuned.gammaMax,
              set->candidates.at(1).tuned.gammaMax);
    EXPECT_EQ(state.study->runs(Stage::Tune), 1) << "a candidate is its own tune";
}

} // namespace
} // namespace tevmar::session
