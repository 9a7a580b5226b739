// The whole report of each worked design, byte for byte, against golden files
// written by hand from the report layout: CR LF lines in the file, the pane's
// lines one per line of the .pane file.

#include "report/line.h"
#include "session/run/calculation.h"
#include "tests/report/test_files.h"
#include "tests/session/worked_designs.h"

#include <clocale>
#include <gtest/gtest.h>

namespace tevmar {
namespace {

using namespace test_files;

void ExpectGoldenReport(const WorkedDesign &design)
{
    TempDir dir;
    const session::CalculateOutcome outcome =
        session::Calculate(InputsOf(design), dir / "tevmar.prt");

    ASSERT_TRUE(outcome.solved());
    ASSERT_EQ(outcome.saving, session::ReportSaving::Saved) << outcome.reportError;
    EXPECT_EQ(outcome.boxes.errorText, "");
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), ReadBytes(GoldenPath(design, ".prt")));
    EXPECT_EQ(ComposeLines(outcome.report.pane),
              LinesOf(ReadBytes(GoldenPath(design, ".pane")), "\n"));
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tevmar.prt"}) << "temporary file left";
}

class WorkedReport : public ::testing::TestWithParam<WorkedDesign>
{
};

TEST_P(WorkedReport, FileAndPaneMatchTheGoldenReport)
{
    ExpectGoldenReport(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Designs, WorkedReport, ::testing::ValuesIn(kWorkedDesigns),
                         [](const auto &info) { return std::string(info.param.name); });

// Under a German locale printf would write "0,08"; the report must not change.
class GermanLocale : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        for (const char *name : {"de_DE.UTF-8", "de_DE.utf8"})
            if (std::setlocale(LC_ALL, name) != nullptr)
                return;
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(GermanLocale, ReportsAreTheSameBytes)
{
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    for (const WorkedDesign &design : kWorkedDesigns) {
        SCOPED_TRACE(design.name);
        ExpectGoldenReport(design);
    }
}

} // namespace
} // namespace tevmar
