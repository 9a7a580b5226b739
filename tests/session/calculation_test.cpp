// What one Calculate leaves for the user: the boxes, the pane's lines and the
// saved report. A new report replaces the old one whole, a failed design
// leaves it alone, and a report that cannot be written says so and keeps the
// old one. No temporary file is ever left.

#include "report/line.h"
#include "session/io/report_reading.h"
#include "session/run/calculation.h"
#include "tests/report/test_files.h"
#include "tests/session/worked_designs.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace tevmar {
namespace {

using namespace test_files;
using session::Calculate;
using session::CalculateOutcome;
using session::ReportSaving;

const WorkedDesign &Order4()
{
    return kWorkedDesigns[0];
}
const WorkedDesign &Order8()
{
    return kWorkedDesigns[3];
}
const std::string kOldReport = "            TEVMAR\r\n         an earlier design\r\n\r\n";

std::vector<std::string> GoldenPane(const WorkedDesign &design)
{
    return LinesOf(ReadBytes(GoldenPath(design, ".pane")), "\n");
}

TEST(Calculate, NewReportReplacesALongerOneWhole)
{
    TempDir dir;
    WriteBytes(dir / "tevmar.prt", ReadBytes(GoldenPath(Order8(), ".prt")));
    const CalculateOutcome outcome = Calculate(InputsOf(Order4()), dir / "tevmar.prt");
    ASSERT_EQ(outcome.saving, ReportSaving::Saved) << outcome.reportError;

    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), ReadBytes(GoldenPath(Order4(), ".prt")));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tevmar.prt"});
    // An ordinary document: readable by whoever may read the directory.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(std::filesystem::status(dir / "tevmar.prt").permissions(),
              static_cast<std::filesystem::perms>(0644 & ~mask));
}

TEST(Calculate, WithoutAReportPathTouchesNoFile)
{
    const CalculateOutcome outcome = Calculate(InputsOf(Order4()));
    EXPECT_EQ(outcome.saving, ReportSaving::NotAsked);
    EXPECT_EQ(outcome.report.file, ReadBytes(GoldenPath(Order4(), ".prt")));
    EXPECT_EQ(ComposeLines(outcome.report.pane), GoldenPane(Order4()));
}

// Zhigh below Zlow has no solution: the error box says so, the pane is
// emptied, and the report file and Print keep the last design that succeeded.
TEST(Calculate, FailedDesignLeavesTheReportAndEmptiesThePane)
{
    TempDir dir;
    ASSERT_EQ(Calculate(InputsOf(Order4()), dir / "tevmar.prt").saving, ReportSaving::Saved);
    const std::string saved = ReadBytes(dir / "tevmar.prt");

    const CalculateOutcome outcome = Calculate(InputsOf(Order4(), "10", "50"), dir / "tevmar.prt");
    EXPECT_FALSE(outcome.solved());
    EXPECT_EQ(outcome.saving, ReportSaving::Untouched);
    EXPECT_EQ(outcome.boxes.errorText, "  SOLUTION OUT OF RANGE");
    EXPECT_TRUE(ComposeLines(outcome.report.pane).empty());
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), saved);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tevmar.prt"});

    struct Recorder final : LinePrinter
    {
        std::vector<std::string> lines;
        void PrintLine(std::string_view text) override { lines.emplace_back(text); }
        bool EndDocument() override { return true; }
    } printer;
    EXPECT_EQ(session::PrintReport(printer, dir / "tevmar.prt").status, PrintStatus::Printed);
    EXPECT_EQ(printer.lines, LinesOf(saved, "\r\n"));
}

TEST(Calculate, FailedDesignCreatesNoReport)
{
    TempDir dir;
    const CalculateOutcome outcome = Calculate(InputsOf(Order4(), "50", "50"), dir / "tevmar.prt");
    EXPECT_EQ(outcome.saving, ReportSaving::Untouched);
    EXPECT_TRUE(dir.Entries().empty());
}

// Every Calculate empties the error box first: a design after a failed one
// shows no message.
TEST(Calculate, SolvedDesignClearsTheErrorBox)
{
    EXPECT_EQ(Calculate(InputsOf(Order4(), "10", "50")).boxes.errorText, "  SOLUTION OUT OF RANGE");
    EXPECT_EQ(Calculate(InputsOf(Order4())).boxes.errorText, "");
}

TEST(Calculate, AbsorptionBoxes)
{
    // Unticked: the value box is reset, whatever was typed, and the prompt is
    // left blank as the run found it.
    DesignInputs unticked = InputsOf(Order4());
    unticked.absorbText = "7";
    const CalculateOutcome plain = Calculate(unticked);
    EXPECT_EQ(plain.boxes.absorbText, " 0.0");
    EXPECT_EQ(plain.boxes.unitPrompt, "");
    EXPECT_EQ(plain.inputs.absorbText, "7"); // the inputs as typed

    // Ticked: the unit of the load type, and the typed value stays.
    const CalculateOutcome inductive = Calculate(InputsOf(kWorkedDesigns[2])); // series RL
    EXPECT_EQ(inductive.boxes.unitPrompt, "L(nH)=");
    EXPECT_FALSE(inductive.boxes.absorbText.has_value());
    const CalculateOutcome capacitive = Calculate(InputsOf(kWorkedDesigns[3])); // shunt RC
    EXPECT_EQ(capacitive.boxes.unitPrompt, "C(pF)=");
    EXPECT_FALSE(capacitive.boxes.absorbText.has_value());

    // The prompt is shown even when the design fails.
    const CalculateOutcome failed = Calculate(InputsOf(kWorkedDesigns[3], "50", "50"));
    EXPECT_FALSE(failed.solved());
    EXPECT_EQ(failed.boxes.unitPrompt, "C(pF)=");
}

// Makes every file write of this process beyond `bytes` fail, as a full disk does.
class FileSizeLimit
{
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(Calculate, ReportThatCannotBeWrittenSaysSoAndKeepsTheOldOne)
{
    enum class Obstacle { DirectoryInItsPlace, NoSuchDirectory, DiskFull };
    const struct
    {
        const char *name;
        Obstacle obstacle;
    } cases[] = {
        {"a directory named tevmar.prt", Obstacle::DirectoryInItsPlace},
        {"a directory that does not exist", Obstacle::NoSuchDirectory},
        {"a disk that fills up", Obstacle::DiskFull},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::filesystem::path report = dir / "tevmar.prt";
        if (c.obstacle == Obstacle::DirectoryInItsPlace) {
            std::filesystem::create_directory(report);
            WriteBytes(report / "kept", kOldReport);
        } else if (c.obstacle == Obstacle::NoSuchDirectory) {
            report = dir / "gone" / "tevmar.prt";
        } else {
            WriteBytes(report, kOldReport);
        }

        CalculateOutcome outcome;
        {
            std::optional<FileSizeLimit> full;
            if (c.obstacle == Obstacle::DiskFull)
                full.emplace(100);
            outcome = Calculate(InputsOf(Order4()), report);
        }

        EXPECT_TRUE(outcome.solved());
        EXPECT_EQ(outcome.saving, ReportSaving::NotSaved);
        EXPECT_FALSE(outcome.reportError.empty());
        EXPECT_EQ(outcome.boxes.errorText, "  REPORT NOT SAVED");
        EXPECT_EQ(ComposeLines(outcome.report.pane), GoldenPane(Order4()));
        if (c.obstacle == Obstacle::DirectoryInItsPlace) {
            EXPECT_TRUE(std::filesystem::is_directory(report));
            EXPECT_EQ(ReadBytes(report / "kept"), kOldReport);
        } else if (c.obstacle == Obstacle::DiskFull) {
            EXPECT_EQ(ReadBytes(report), kOldReport);
        }
        const std::vector<std::string> expected = c.obstacle == Obstacle::NoSuchDirectory
                                                      ? std::vector<std::string>{}
                                                      : std::vector<std::string>{"tevmar.prt"};
        EXPECT_EQ(dir.Entries(), expected) << "temporary file left";
    }
}

} // namespace
} // namespace tevmar
