#include "report/line.h"
#include "report/report_lines.h"
#include "tests/report/test_files.h"

#include <gtest/gtest.h>

namespace tevmar {
namespace {

using Lines = std::vector<std::string>;

// The physical lines of the last line of a list.
Lines Composed(const LineList &list)
{
    Lines out;
    ComposeLine(list[list.size() - 1], out);
    return out;
}

TEST(ComposeLine, ColumnsPadToTheirStops)
{
    LineList list;
    list.NewLine().Text("LP=").Column(6).Number(12.5).Column(15).Text(" Nano-Henry");
    EXPECT_EQ(Composed(list), Lines{"LP=   12.5     Nano-Henry"});
    // A stop at the current position adds nothing; spaces add their count.
    list.NewLine().Text("abcd").Column(5).Text("x").Spaces(3).Text("y");
    EXPECT_EQ(Composed(list), Lines{"abcdx   y"});
    // A negative number takes the sign position.
    list.NewLine().Text("CS=").Column(6).Number(-1.5);
    EXPECT_EQ(Composed(list), Lines{"CS=  -1.5 "});
}

// The element rows: a number of up to nine characters with its blanks fits
// between the stops; a tenth passes the unit's stop and the unit starts a new
// physical line at that stop, in the pane (6, 15) and in the file (15, 24).
TEST(ComposeLine, NumberPastTheUnitStopBreaksTheLine)
{
    LineList list;
    list.NewLine().Text("CS=").Column(6).Number(123.456).Column(15).Text(" Pico-Farad");
    EXPECT_EQ(Composed(list), Lines{"CS=   123.456  Pico-Farad"});
    list.NewLine().Text("LP=").Column(6).Number(1234.567).Column(15).Text(" Nano-Henry");
    EXPECT_EQ(Composed(list), (Lines{"LP=   1234.567 ", std::string(14, ' ') + " Nano-Henry"}));
    list.NewLine().Spaces(9).Text("LP=").Column(15).Number(1234.567).Column(24).Text(" Nano-Henry");
    EXPECT_EQ(Composed(list),
              (Lines{"         LP=   1234.567 ", std::string(23, ' ') + " Nano-Henry"}));
}

TEST(ComposeLine, LinesKeepTheirOwnItems)
{
    LineList list;
    list.NewLine().Text("first").Append(" part");
    list.NewLine(); // an empty line
    list.NewLine().Append("ab").Column(2).Text("c");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(ComposeLines(list), (Lines{"first part", "", "ab", " c"}));

    std::string text;
    for (std::size_t i = 0; i < list.size(); ++i)
        ComposeLine(list[i], text, "\r\n");
    EXPECT_EQ(text, "first part\r\n\r\nab\r\n c\r\n");
}

// Text composed as it is written gives the bytes that composing the same
// lines afterwards gives, stop breaks included.
TEST(ComposedText, MatchesComposedLines)
{
    LineList list;
    std::string bytes;
    ComposedText text(bytes, "\r\n");
    const auto row = [](auto &lines, double value) {
        lines.NewLine().Spaces(9).Text("LP=").Column(15).Number(value).Column(24).Append(" nH");
    };
    row(list, 1.5);
    row(text, 1.5);
    row(list, -1234.567);
    row(text, -1234.567);
    list.NewLine();
    text.NewLine();
    text.Finish();

    std::string expected;
    for (std::size_t i = 0; i < list.size(); ++i)
        ComposeLine(list[i], expected, "\r\n");
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes, "         LP=   1.5      nH\r\n"
                     "         LP=  -1234.567 \r\n" +
                         std::string(23, ' ') + " nH\r\n\r\n");

    std::string none;
    ComposedText(none, "\r\n").Finish();
    EXPECT_EQ(none, "");
}

// Indented lines, long runs of blanks and wide columns give the bytes of
// the same items composed afterwards, for every line end a writer uses and
// for one it does not, and for indents and gaps past any short run of blanks.
TEST(ComposedText, IndentsAndGapsOfAnyWidth)
{
    for (const std::string_view lineEnd : {"\r\n", "\n", "|"}) {
        for (const int indent : {0, 1, 9, 63, 64, 65, 200}) {
            LineList list;
            std::string bytes;
            ComposedText text(bytes, lineEnd);
            // A first line indented, a second one, an empty one, and a line
            // whose column lies past the text and then behind it.
            list.NewLine().Spaces(indent).Text("a");
            text.NewLine(indent).Text("a");
            list.NewLine().Spaces(indent).Text("bc").Column(indent + 70).Text("d");
            text.NewLine(indent).Text("bc").Column(indent + 70).Text("d");
            list.NewLine().Spaces(indent);
            text.NewLine(indent);
            list.NewLine().Text("efgh").Spaces(indent).Column(3).Text("i");
            text.NewLine().Text("efgh").Spaces(indent).Column(3).Text("i");
            text.Finish();

            std::string expected;
            for (std::size_t i = 0; i < list.size(); ++i)
                ComposeLine(list[i], expected, lineEnd);
            EXPECT_EQ(bytes, expected) << "line end '" << lineEnd << "', indent " << indent;
            const std::string blanks(static_cast<std::size_t>(indent), ' ');
            const std::string end(lineEnd);
            EXPECT_EQ(bytes.substr(0, blanks.size() + 1 + end.size()), blanks + "a" + end);
            // The column behind the text breaks the line: two blanks to column 3.
            EXPECT_EQ(bytes.substr(bytes.size() - 3 - 2 * end.size()), end + "  i" + end);
        }
    }
}

// A made-up solved design, so that the layout is checked apart from the solver.
DesignResult Figures(bool absorbed)
{
    DesignResult d;
    d.solved = true;
    d.band = {1000, 2000, 1000, 1414.2136, 1.4142136, 1.4142136};
    d.SourceQ = 1.1177;
    d.reportedLoadQ = absorbed ? 0.4443 : 1.1177;
    d.f = 5;
    d.Lmax = 0.079957;
    d.Smax = 1.3123;
    d.Smin = 1;
    d.absorbed = absorbed;
    d.table = {{"R =", " Ohms", ElementKind::Termination, 50, 50},
               {"LP=", " Nano-Henry", ElementKind::ShuntInductor, 1234.567, 1234.5671},
               {"R =", " Ohms", ElementKind::Termination, 10, 10}};
    return d;
}

TEST(DesignReport, PlacesLossLinesAndElementRows)
{
    DesignInputs inputs;
    inputs.f1Text = "1";
    inputs.f2Text = " 2.0";
    inputs.zhighText = "50";
    inputs.zlowText = "10 ohm";
    const ReportLines report = DesignReport(inputs, Figures(false));
    const Lines pane = ComposeLines(report.pane);
    const Lines file = test_files::LinesOf(report.file, "\r\n");

    ASSERT_EQ(pane.size(), 17u);
    EXPECT_EQ(pane[1], "0 dB offset case");
    // Pane: label at 1, loss at 15, "VSWR=" at 25, VSWR at 32.
    EXPECT_EQ(pane[7], "Max Loss(dB)= 0.08      VSWR=  1.31:1");
    EXPECT_EQ(pane[8], "Min Loss(dB)= 0.        VSWR=  1.:1");
    EXPECT_EQ(pane[12], "R =   50       Ohms");
    EXPECT_EQ(pane[13], "LP=   1234.567 ");
    EXPECT_EQ(pane[14], std::string(14, ' ') + " Nano-Henry");
    EXPECT_EQ(pane.back(), "");

    // File: nine spaces, then stops at 24, 34 and 40; the band and ports as typed.
    EXPECT_EQ(file[3], "         1 to  2.0 GHz");
    EXPECT_EQ(file[10], "         50 to 10 ohm Ohms");
    EXPECT_EQ(file[13], "         Max Loss(dB)= 0.08      VSWR= 1.31:1");
    EXPECT_EQ(file[15], "         ");
    EXPECT_EQ(file.back(), "");
}

TEST(DesignReport, AbsorbingDropsTheOffsetLine)
{
    const ReportLines plain = DesignReport({}, Figures(false));
    const ReportLines absorbing = DesignReport({}, Figures(true));
    EXPECT_EQ(absorbing.pane.size() + 1, plain.pane.size());
    EXPECT_EQ(test_files::LinesOf(absorbing.file, "\r\n").size() + 1,
              test_files::LinesOf(plain.file, "\r\n").size());
    for (const std::string &line : test_files::LinesOf(absorbing.file, "\r\n"))
        EXPECT_EQ(line.find("offset"), std::string::npos) << line;
    EXPECT_EQ(ComposeLines(absorbing.pane)[2], "Load   Q=0.4443");
}

} // namespace
} // namespace tevmar
