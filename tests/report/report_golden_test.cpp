// The whole report of each worked design, byte for byte, against golden files
// written by hand from the report layout: CR LF lines in the file, the pane's
// lines one per line of the .pane file.

#include "tests/report/test_files.h"
#include "tests/report/worked_designs.h"

#include <clocale>
#include <gtest/gtest.h>

namespace tevmar {
namespace {

using namespace test_files;

void ExpectGoldenReport(const WorkedDesign &design)
{
    TempDir dir;
    MemoryWindow window;
    TypeDesign(window, design);
    const DesignResult result = Calculate(window, dir / "tevmar.prt");

    ASSERT_EQ(result.status, DesignStatus::Solved) << result.reportError;
    EXPECT_EQ(window.ReadText(TextBox::Error_text), "");
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), ReadBytes(GoldenPath(design, ".prt")));
    EXPECT_EQ(window.pane(), LinesOf(ReadBytes(GoldenPath(design, ".pane")), "\n"));
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
