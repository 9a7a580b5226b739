#include "report/line.h"
#include "report/report_lines.h"

#include <gtest/gtest.h>

namespace tevmar {
namespace {

using Lines = std::vector<std::string>;

TEST(ComposeLine, ColumnPadsToItsStop)
{
    EXPECT_EQ(ComposeLine({Text("LP="), Column(6), Number(12.5), Column(15), Text(" Nano-Henry")}),
              Lines{"LP=   12.5     Nano-Henry"});
}

TEST(ComposeLine, ColumnAtCurrentPositionAddsNothing)
{
    EXPECT_EQ(ComposeLine({Text("abcd"), Column(5), Text("x")}), Lines{"abcdx"});
}

TEST(ComposeLine, NineCharacterNumberStaysOnItsLine)
{
    // " 123.456 " fills columns 6 to 14, just before the stop at 15.
    EXPECT_EQ(
        ComposeLine({Text("CS="), Column(6), Number(123.456), Column(15), Text(" Pico-Farad")}),
        Lines{"CS=   123.456  Pico-Farad"});
}

TEST(ComposeLine, TenCharacterNumberSendsUnitToNewLine)
{
    // " 1234.567 " runs to column 15, past the stop: the unit starts a new line at column 15.
    EXPECT_EQ(
        ComposeLine({Text("LP="), Column(6), Number(1234.567), Column(15), Text(" Nano-Henry")}),
        (Lines{"LP=   1234.567 ", std::string(14, ' ') + " Nano-Henry"}));
}

TEST(ComposeLine, FileRowBreaksAtColumn24)
{
    const Line row{Spaces(9),        Text("LP="), Column(15),
                   Number(1234.567), Column(24),  Text(" Nano-Henry")};
    EXPECT_EQ(ComposeLine(row),
              (Lines{"         LP=   1234.567 ", std::string(23, ' ') + " Nano-Henry"}));
}

TEST(ComposeLine, EmptyLineIsOneEmptyString)
{
    EXPECT_EQ(ComposeLine({}), Lines{""});
}

TEST(ReportLines, LossLinePlacesItsFourParts)
{
    const ReportLines lines = LossLines({0.079957, 1.3123, 0.0, 1.0});
    // Pane: label at 1, loss at 15, "VSWR=" at 25, VSWR at 32.
    EXPECT_EQ(ComposeLine(lines.pane[0]), Lines{"Max Loss(dB)= 0.08      VSWR=  1.31:1"});
    EXPECT_EQ(ComposeLine(lines.pane[1]), Lines{"Min Loss(dB)= 0.        VSWR=  1.:1"});
    // File: nine spaces, then 10, 24, 34 and 40.
    EXPECT_EQ(ComposeLine(lines.file[0]), Lines{"         Max Loss(dB)= 0.08      VSWR= 1.31:1"});
    EXPECT_EQ(ComposeLine(lines.file[2]), Lines{"         "});
}

TEST(ReportLines, HeaderOmitsOffsetLineWhenAbsorbing)
{
    HeaderFigures figures{1.4142136, false, 0.5034, 0.4443, 5.0, "1", "2", "50", "10"};
    EXPECT_EQ(HeaderLines(figures).pane.size(), 6u);
    EXPECT_EQ(HeaderLines(figures).file.size(), 12u);
    figures.zeroDbOffset = true;
    EXPECT_EQ(HeaderLines(figures).pane.size(), 7u);
    EXPECT_EQ(ComposeLine(HeaderLines(figures).file[3]), Lines{"         1 to 2 GHz"});
}

} // namespace
} // namespace tevmar
