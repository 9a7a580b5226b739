// What the design run does to the saved report: a new report replaces the old
// one whole, a failed solve leaves it alone, and a report that cannot be
// written says so and keeps the old one. No temporary file is ever left.

#include "report/print_routine.h"
#include "tests/report/test_files.h"
#include "tests/report/worked_designs.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace tevmar {
namespace {

using namespace test_files;

const WorkedDesign &Order4()
{
    return kWorkedDesigns[0];
}
const WorkedDesign &Order8()
{
    return kWorkedDesigns[3];
}
const std::string kOldReport = "            TEVMAR\r\n         an earlier design\r\n\r\n";

TEST(ReportFile, NewReportReplacesALongerOneWhole)
{
    TempDir dir;
    WriteBytes(dir / "tevmar.prt", ReadBytes(GoldenPath(Order8(), ".prt")));
    MemoryWindow window;
    TypeDesign(window, Order4());
    ASSERT_EQ(Calculate(window, dir / "tevmar.prt").status, DesignStatus::Solved);

    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), ReadBytes(GoldenPath(Order4(), ".prt")));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tevmar.prt"});
    // An ordinary document: readable by whoever may read the directory.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(std::filesystem::status(dir / "tevmar.prt").permissions(),
              static_cast<std::filesystem::perms>(0644 & ~mask));
}

TEST(ReportFile, FailedSolveLeavesReportAndClearsPane)
{
    TempDir dir;
    MemoryWindow window;
    TypeDesign(window, Order4());
    ASSERT_EQ(Calculate(window, dir / "tevmar.prt").status, DesignStatus::Solved);
    const std::string saved = ReadBytes(dir / "tevmar.prt");
    ASSERT_FALSE(window.pane().empty());

    // Zhigh below Zlow has no solution.
    TypeDesign(window, Order4(), "10", "50");
    EXPECT_EQ(Calculate(window, dir / "tevmar.prt").status, DesignStatus::OutOfRange);
    EXPECT_EQ(window.ReadText(TextBox::Error_text), "  SOLUTION OUT OF RANGE");
    EXPECT_TRUE(window.pane().empty());
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), saved);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tevmar.prt"});

    // Print still gives the last design that succeeded.
    struct Recorder final : LinePrinter
    {
        std::vector<std::string> lines;
        void PrintLine(std::string_view text) override { lines.emplace_back(text); }
        bool EndDocument() override { return true; }
    } printer;
    EXPECT_EQ(PrintOut_Click(printer, dir / "tevmar.prt").status, PrintStatus::Printed);
    EXPECT_EQ(printer.lines, LinesOf(saved, "\r\n"));
}

TEST(ReportFile, FailedSolveCreatesNoReport)
{
    TempDir dir;
    MemoryWindow window;
    TypeDesign(window, Order4(), "50", "50");
    EXPECT_EQ(Calculate(window, dir / "tevmar.prt").status, DesignStatus::OutOfRange);
    EXPECT_TRUE(dir.Entries().empty());
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

TEST(ReportFile, ReportThatCannotBeWrittenSaysSoAndKeepsTheOldOne)
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

        MemoryWindow window;
        TypeDesign(window, Order4());
        DesignResult result;
        {
            std::optional<FileSizeLimit> full;
            if (c.obstacle == Obstacle::DiskFull)
                full.emplace(100);
            result = Calculate(window, report);
        }

        EXPECT_EQ(result.status, DesignStatus::ReportNotSaved) << result.reportError;
        EXPECT_FALSE(result.reportError.empty());
        EXPECT_EQ(window.ReadText(TextBox::Error_text), "  REPORT NOT SAVED");
        EXPECT_EQ(window.pane(), LinesOf(ReadBytes(GoldenPath(Order4(), ".pane")), "\n"));
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
