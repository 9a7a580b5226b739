// One request in, one outcome out, and the design state the windows follow.

#include "session/run/run.h"
#include "session/views/design_state.h"
#include "tests/report/test_files.h"
#include "tests/session/chip_antenna.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tevmar::session {
namespace {

using test_files::ReadBytes;
using test_files::TempDir;
using test_files::WriteBytes;

DesignInputs Order4()
{
    return {"1", "2", "50", "10", 4, LoadType::SeriesRL, false, " 0.0"};
}
DesignInputs Swapped()
{
    return {"1", "2", "10", "50", 4, LoadType::SeriesRL, false, " 0.0"};
}

Request MeasuredAntenna(const std::filesystem::path &file)
{
    Request request;
    request.design = {"2.3", "2.6", "", "", 4, LoadType::SeriesRL, false, ""};
    request.measuredLoad = MeasuredLoadInput{};
    request.measuredLoad->filePath = file.string();
    request.measuredLoad->sourceOhms = 50;
    return request;
}

// The window's Calculate and tevmar-cli's plain run are one run: the pane
// lines of the design on standard output and its report saved; without a
// solution the error box speaks and the earlier report stays.
TEST(Run, CalculatesSavesAndLeavesTheReportOfAnEarlierDesign)
{
    TempDir dir;
    Request request;
    request.design = Order4();
    request.reportPath = dir / "tevmar.prt";
    const Outcome designed = session::Run(request);
    EXPECT_EQ(designed.status, ExitStatus::Designed);
    EXPECT_EQ(designed.design.saving, ReportSaving::Saved);
    EXPECT_FALSE(designed.standardOutput.empty());
    const std::string report = ReadBytes(dir / "tevmar.prt");
    EXPECT_EQ(report, designed.design.report.file);

    request.design = Swapped();
    const Outcome failed = session::Run(request);
    EXPECT_EQ(failed.status, ExitStatus::NoSolution);
    ASSERT_FALSE(failed.messages.empty());
    EXPECT_EQ(failed.messages.front().kind, Message::Kind::Box);
    EXPECT_EQ(failed.messages.front().text, "  SOLUTION OUT OF RANGE");
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), report);
}

// A file asked for on standard output is rendered, not written; a file that
// cannot be written is named by its label and the status says so.
TEST(Run, RendersStandardOutputAndNamesAFileNotWritten)
{
    TempDir dir;
    Request request;
    request.design = Order4();
    request.files = {{ExportKind::Spice, kStandardOutputPath, "--spice"}};
    const Outcome piped = session::Run(request);
    EXPECT_EQ(piped.status, ExitStatus::Designed);
    EXPECT_NE(piped.standardOutput.find(".subckt"), std::string::npos);

    std::filesystem::create_directory(dir / "taken.csv");
    request.files = {{ExportKind::SweepCsv, (dir / "taken.csv").string(), "--sweep"}};
    const Outcome refused = session::Run(request);
    EXPECT_EQ(refused.status, ExitStatus::FileNotSaved);
    ASSERT_EQ(refused.files.size(), 1u);
    EXPECT_FALSE(refused.files[0].error.empty());
    ASSERT_FALSE(refused.messages.empty());
    EXPECT_EQ(refused.messages.back().text.rfind("--sweep: ", 0), 0u);
    EXPECT_EQ(StatusAfterOutputFailure(ExitStatus::Designed), ExitStatus::OutputFailed);
    EXPECT_EQ(StatusAfterOutputFailure(ExitStatus::ReportNotSaved), ExitStatus::ReportNotSaved);
}

// The state keeps what a measured load's design was made from: once the
// measurement file is gone, its export is still the same file.
TEST(DesignState, ExportsAMeasuredDesignFromTheDataItKept)
{
    TempDir dir;
    WriteBytes(dir / "antenna.s1p", test_files::ChipAntennaS1p());
    const Request request = MeasuredAntenna(dir / "antenna.s1p");
    const Outcome outcome = session::Run(request);
    ASSERT_TRUE(outcome.match) << (outcome.messages.empty() ? "" : outcome.messages[0].text);

    DesignState state;
    int heard = 0;
    state.Observe([&heard] { ++heard; });
    state.Follow(request, outcome);
    EXPECT_EQ(heard, 1);
    ASSERT_TRUE(state.hasDesign());
    const auto before = state.ExportRequest(ExportKind::Json, kStandardOutputPath, {});
    ASSERT_TRUE(before);
    const std::string json = session::Run(*before).standardOutput;
    std::filesystem::remove(dir / "antenna.s1p");
    EXPECT_EQ(session::Run(*before).standardOutput, json);
    EXPECT_NE(json.find("\"measuredLoad\""), std::string::npos);
}

// A later run without a solution leaves the design shown but stale: nothing
// may export it as the boxes' design; a report not saved puts the file behind.
TEST(DesignState, FollowsFailedRunsAndReportsNotSaved)
{
    TempDir dir;
    DesignState state;
    Request request;
    request.design = Order4();
    state.Follow(request, session::Run(request));
    EXPECT_TRUE(state.current());
    EXPECT_EQ(state.serial(), 1);
    EXPECT_FALSE(state.reportBehind());

    request.design = Swapped();
    state.Follow(request, session::Run(request));
    EXPECT_TRUE(state.hasDesign());
    EXPECT_FALSE(state.current());
    EXPECT_EQ(state.serial(), 1);
    EXPECT_FALSE(state.ExportRequest(ExportKind::Spice, "x.cir", {}));
    EXPECT_EQ(state.design().inputs.zhighText, "50");

    std::filesystem::create_directory(dir / "tevmar.prt");
    request.design = Order4();
    request.reportPath = dir / "tevmar.prt";
    state.Follow(request, session::Run(request));
    EXPECT_TRUE(state.current());
    EXPECT_TRUE(state.reportBehind());
    EXPECT_EQ(state.lastSaving(), ReportSaving::NotSaved);
    EXPECT_FALSE(state.request().reportPath); // an export never touches the report
}

} // namespace
} // namespace tevmar::session
