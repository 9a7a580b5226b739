#include "session/io/report_reading.h"
#include "tests/report/test_files.h"

#include <gtest/gtest.h>

namespace tevmar {
namespace {

using session::PrintReport;

using test_files::ReadBytes;
using test_files::TempDir;
using test_files::WriteBytes;
using Lines = std::vector<std::string>;

// Records every document it is given, line by line.
class RecordingPrinter final : public LinePrinter
{
  public:
    void PrintLine(std::string_view text) override { current_.emplace_back(text); }
    bool EndDocument() override
    {
        documents.push_back(std::move(current_));
        current_.clear();
        return acceptsDocuments;
    }

    bool acceptsDocuments = true;
    std::vector<Lines> documents;
    bool HasOpenLines() const { return !current_.empty(); }

  private:
    Lines current_;
};

struct SplitCase
{
    const char *name;
    std::string text;
    Lines lines;
};

TEST(SplitReportLines, LineEnds)
{
    const SplitCase cases[] = {
        {"empty text has no line", "", {}},
        {"CR LF ends each line", "a\r\nb\r\n", {"a", "b"}},
        {"lone LF ends a line", "a\nb\n", {"a", "b"}},
        {"mixed ends", "a\r\nb\nc\r\n", {"a", "b", "c"}},
        {"last line without an end", "a\r\nb", {"a", "b"}},
        {"empty lines kept", "\r\n\r\nx\r\n\r\n", {"", "", "x", ""}},
        {"nine leading spaces kept",
         "         R =\r\n         \r\n",
         {"         R =", "         "}},
        {"lone CR is text", "a\rb\n", {"a\rb"}},
    };
    for (const SplitCase &c : cases)
        EXPECT_EQ(SplitReportLines(c.text), c.lines) << c.name;
}

TEST(PrintReport, PrintsTheSavedReportLineByLineAsOneDocument)
{
    TempDir dir;
    const std::string report = ReadBytes(TEVMAR_GOLDEN_DIR "/order4_shunt_rl.prt");
    WriteBytes(dir / "tevmar.prt", report);

    RecordingPrinter printer;
    const PrintResult result = PrintReport(printer, dir / "tevmar.prt");

    EXPECT_EQ(result.status, PrintStatus::Printed);
    EXPECT_TRUE(result.message.empty());
    ASSERT_EQ(printer.documents.size(), 1u);
    const Lines &lines = printer.documents[0];
    EXPECT_EQ(lines, test_files::LinesOf(report, "\r\n"));
    EXPECT_EQ(result.lineCount, lines.size());
    ASSERT_EQ(lines.size(), 25u);
    EXPECT_EQ(lines.front(), "            TEVMAR");
    EXPECT_EQ(lines[9], "         "); // a line of nine spaces prints as a blank line
    EXPECT_EQ(lines[18], "         R =   50       Ohms");
    EXPECT_EQ(lines.back(), ""); // the closing empty line is printed too
}

TEST(PrintReport, TwoPrintsGiveTwoIdenticalDocuments)
{
    TempDir dir;
    WriteBytes(dir / "tevmar.prt", ReadBytes(TEVMAR_GOLDEN_DIR "/order8_shunt_rc_1pF.prt"));
    RecordingPrinter printer;
    PrintReport(printer, dir / "tevmar.prt");
    PrintReport(printer, dir / "tevmar.prt");
    ASSERT_EQ(printer.documents.size(), 2u);
    EXPECT_EQ(printer.documents[0], printer.documents[1]);
    EXPECT_EQ(printer.documents[0].size(), 28u);
}

TEST(PrintReport, EmptyReportEndsAnEmptyDocument)
{
    TempDir dir;
    WriteBytes(dir / "tevmar.prt", "");
    RecordingPrinter printer;
    const PrintResult result = PrintReport(printer, dir / "tevmar.prt");
    EXPECT_EQ(result.status, PrintStatus::Printed);
    EXPECT_EQ(result.lineCount, 0u);
    EXPECT_EQ(printer.documents, std::vector<Lines>{Lines{}});
}

TEST(PrintReport, NothingToReadStartsNoDocument)
{
    TempDir dir;
    std::filesystem::create_directory(dir / "tevmar.prt");
    struct Case
    {
        const char *name;
        std::filesystem::path path;
        PrintStatus status;
    };
    const Case cases[] = {
        {"no report yet", dir / "missing.prt", PrintStatus::NoReport},
        {"directory not there", dir / "gone" / "tevmar.prt", PrintStatus::NoReport},
        {"a directory named like the report", dir / "tevmar.prt", PrintStatus::Unreadable},
    };
    for (const Case &c : cases) {
        RecordingPrinter printer;
        const PrintResult result = PrintReport(printer, c.path);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.lineCount, 0u) << c.name;
        EXPECT_TRUE(printer.documents.empty()) << c.name;
        EXPECT_FALSE(printer.HasOpenLines()) << c.name;
        EXPECT_FALSE(result.message.empty()) << c.name;
    }
    RecordingPrinter printer;
    EXPECT_EQ(PrintReport(printer, dir / "missing.prt").message,
              "No saved report to print. Press Calculate first.");
}

TEST(PrintReport, PrinterThatRefusesTheDocumentIsReported)
{
    TempDir dir;
    WriteBytes(dir / "tevmar.prt", "a\r\nb\r\n");
    RecordingPrinter printer;
    printer.acceptsDocuments = false;
    const PrintResult result = PrintReport(printer, dir / "tevmar.prt");
    EXPECT_EQ(result.status, PrintStatus::PrinterFailed);
    EXPECT_FALSE(result.message.empty());
}

} // namespace
} // namespace tevmar
