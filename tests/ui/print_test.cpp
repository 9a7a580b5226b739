#include "session/io/report_reading.h"
#include "ui/main_window.h"
#include "ui/qt_line_printer.h"
#include "ui_test_support.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace tevmar::test {
namespace {

using Window = ::tevmar::MainWindow;
using session::PrintReport;
using Document = std::vector<std::string>;

// Keeps what reaches the printer, one document per EndDocument.
struct PrintLog
{
    std::vector<Document> documents;
    Document open;
    int printersMade = 0;
    bool acceptDocuments = true;
};

class RecordingPrinter final : public LinePrinter
{
  public:
    explicit RecordingPrinter(PrintLog &log) : log_(log) {}
    void PrintLine(std::string_view text) override { log_.open.emplace_back(text); }
    bool EndDocument() override
    {
        log_.documents.push_back(std::move(log_.open));
        log_.open.clear();
        return log_.acceptDocuments;
    }

  private:
    PrintLog &log_;
};

Window::PrinterSource Recording(PrintLog &log)
{
    return [&log](QString &) -> std::unique_ptr<LinePrinter> {
        ++log.printersMade;
        return std::make_unique<RecordingPrinter>(log);
    };
}

class Print : public InScratchDirectory
{
  protected:
    static void Design(Window &w, const char *zlow)
    {
        Type(w, "F1_text", "1");
        Type(w, "F2_text", "2");
        Type(w, "Zhigh_text", "50");
        Type(w, "Zlow_text", QString::fromLatin1(zlow));
        Click(w, "Calc_BP");
    }
    Document SavedLines() const { return SplitReportLines(ReadFile(Here() / "tevmar.prt")); }
};

TEST_F(Print, SendsTheSavedFileLineByLineAsOneDocumentPerClick)
{
    PrintLog log;
    Window w(Recording(log));
    Design(w, "10");
    EXPECT_EQ(MessageFrom([&] { Click(w, "PrintOut"); }), "(no message)");
    EXPECT_EQ(MessageFrom([&] { Click(w, "PrintOut"); }), "(no message)");

    ASSERT_EQ(log.documents.size(), 2u);
    const Document &printed = log.documents[0];
    EXPECT_EQ(printed, SavedLines());
    EXPECT_EQ(log.documents[1], printed);
    // The file version, not the pane: title block first, nine-space
    // indentation kept, the final empty line printed as an empty line.
    ASSERT_GE(printed.size(), 3u);
    EXPECT_EQ(printed.front(), "            TEVMAR");
    EXPECT_EQ(printed[3], "         1 to 2 GHz");
    EXPECT_EQ(printed.back(), "");
}

// Answers the question `action` asks with the button captioned `answer`;
// returns the question, or "(no question)".
QString Answer(const QString &answer, const std::function<void()> &action)
{
    QString text = QStringLiteral("(no question)");
    QTimer answering;
    answering.setInterval(0);
    QObject::connect(&answering, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        text = box->text();
        for (QAbstractButton *button : box->buttons())
            if (button->text().remove(QLatin1Char('&')) == answer) {
                button->click();
                return;
            }
        ADD_FAILURE() << "no button " << answer.toStdString();
        box->reject();
    });
    answering.start();
    action();
    answering.stop();
    return text;
}

// The saved report is the last good design's; after a run without solution
// Print says so and prints it only when told to.
TEST_F(Print, AfterAFailedRunAsksBeforePrintingTheEarlierReport)
{
    PrintLog log;
    Window w(Recording(log));
    Design(w, "10");
    const Document good = SavedLines();
    Design(w, "0");
    ASSERT_EQ(BoxText(w, "Error_text"), "  SOLUTION OUT OF RANGE");

    const QString question = Answer(QStringLiteral("Cancel"), [&] { Click(w, "PrintOut"); });
    EXPECT_EQ(question, "The last Calculate found no solution. The saved report is of the "
                        "design before it.");
    EXPECT_EQ(log.printersMade, 0);
    EXPECT_TRUE(log.documents.empty());

    Answer(QStringLiteral("Print"), [&] { Click(w, "PrintOut"); });
    ASSERT_EQ(log.documents.size(), 1u);
    EXPECT_EQ(log.documents[0], good);

    // A good run again: Print prints without asking.
    Design(w, "10");
    EXPECT_EQ(Answer(QStringLiteral("Cancel"), [&] { Click(w, "PrintOut"); }), "(no question)");
    EXPECT_EQ(log.documents.size(), 2u);
}

TEST_F(Print, WithoutASavedReportSaysSoAndStartsNoDocument)
{
    PrintLog log;
    Window w(Recording(log));
    EXPECT_EQ(MessageFrom([&] { Click(w, "PrintOut"); }), QString::fromLatin1(kNoReportMessage));
    EXPECT_EQ(log.printersMade, 0);
    EXPECT_TRUE(log.documents.empty());
}

TEST_F(Print, WithoutAPrinterSaysWhy)
{
    WriteFile(Here() / "tevmar.prt", "         report\r\n");
    Window w([](QString &whyNot) -> std::unique_ptr<LinePrinter> {
        whyNot = QStringLiteral("No default printer is set up.");
        return nullptr;
    });
    EXPECT_EQ(MessageFrom([&] { Click(w, "PrintOut"); }), "No default printer is set up.");
}

TEST_F(Print, TheSystemsMissingDefaultPrinterIsReportedPlainly)
{
    if (!QPrinterInfo::defaultPrinter().isNull())
        GTEST_SKIP() << "a default printer is set up here";
    WriteFile(Here() / "tevmar.prt", "         report\r\n");
    Window w;
    const QString message = MessageFrom([&] { Click(w, "PrintOut"); });
    EXPECT_TRUE(message.startsWith("No default printer")) << message.toStdString();
}

TEST_F(Print, APrinterThatRefusesTheDocumentIsReported)
{
    PrintLog log;
    log.acceptDocuments = false;
    Window w(Recording(log));
    Design(w, "10");
    EXPECT_EQ(MessageFrom([&] { Click(w, "PrintOut"); }), "The printer did not accept the report.");
}

// --- The Qt printer, through a PDF read back as text -------------------------------

std::string PdfText(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return "(pdftotext failed)";
    return process.readAllStandardOutput().toStdString();
}

int PdfPages(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdf});
    process.waitForFinished(20000);
    for (const QByteArray &line : process.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The text pdftotext -layout reads back, as lines without trailing blanks and
// form feeds, and without the blank lines it adds at the end of each page.
// It measures indentation from the leftmost text on the page, so lines that
// all share the nine-space indentation come back without it.
Document PrintedLines(const std::string &text)
{
    Document lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::erase(line, '\f');
        line.erase(line.find_last_not_of(' ') + 1);
        lines.push_back(line);
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    return lines;
}

// A report's lines as they should read back from paper: trailing blanks and
// the final empty lines go, and so does the indentation all lines share.
Document TrimmedLines(Document lines, bool removeSharedIndent)
{
    std::size_t shared = std::string::npos;
    for (std::string &line : lines) {
        line.erase(line.find_last_not_of(' ') + 1);
        if (!line.empty())
            shared = std::min(shared, line.find_first_not_of(' '));
    }
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    if (removeSharedIndent && shared != std::string::npos)
        for (std::string &line : lines)
            line.erase(0, std::min(shared, line.size()));
    return lines;
}

// The first page's lines rebuilt from where pdftotext -bbox finds each word:
// in a fixed-pitch font a word that starts k character widths right of the
// printable area's left edge starts at column k + 1, so the indentation is
// measured from the paper's margin, not from the leftmost text.
Document LinesFromWordPositions(const QString &pdf, double leftMarginPt)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-l"),
                                                QStringLiteral("1"), pdf, QStringLiteral("-")});
    process.waitForFinished(20000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression wordPattern(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    struct Word
    {
        double x, y;
        QString text;
    };
    std::vector<Word> words;
    double advance = 0; // the font's character width, from the longest word
    int longest = 0;
    for (const QRegularExpressionMatch &m : wordPattern.globalMatch(html)) {
        QString text = m.captured(4);
        text.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
            .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
            .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
            .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        const double x = m.captured(1).toDouble();
        words.push_back({x, m.captured(2).toDouble(), text});
        if (text.size() > longest) {
            longest = int(text.size());
            advance = (m.captured(3).toDouble() - x) / double(text.size());
        }
    }
    if (words.empty() || advance <= 0)
        return {};
    double spacing = 1e9; // the smallest step between two lines
    for (std::size_t i = 1; i < words.size(); ++i)
        if (words[i].y - words[i - 1].y > 0.5)
            spacing = std::min(spacing, words[i].y - words[i - 1].y);
    Document lines;
    for (const Word &word : words) {
        const auto row = std::size_t(std::lround((word.y - words.front().y) / spacing));
        const auto column = std::size_t(std::lround((word.x - leftMarginPt) / advance));
        if (lines.size() <= row)
            lines.resize(row + 1);
        if (lines[row].size() < column)
            lines[row].resize(column, ' ');
        lines[row] += word.text.toStdString();
    }
    return lines;
}

double LeftMarginPt(const QPrinter &printer)
{
    return printer.pageLayout().paintRect(QPageLayout::Point).left();
}

class QtPrinter : public InScratchDirectory
{
  protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    }
    QString Pdf() const { return QString::fromStdString((Here() / "printout.pdf").string()); }
    PrintResult PrintToPdf(const std::filesystem::path &report)
    {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(Pdf());
        leftMarginPt = LeftMarginPt(*printer);
        QtLinePrinter lines(std::move(printer));
        return PrintReport(lines, report);
    }
    double leftMarginPt = 0;
};

TEST_F(QtPrinter, PrintsTheReportsLinesInOrderWithTheirIndentation)
{
    const std::filesystem::path report = Golden("order8_shunt_rc_1pF.prt");
    const PrintResult result = PrintToPdf(report);
    ASSERT_EQ(result.status, PrintStatus::Printed) << result.message;
    const Document lines = SplitReportLines(ReadFile(report));
    EXPECT_EQ(PrintedLines(PdfText(Pdf())), TrimmedLines(lines, true));
    EXPECT_EQ(LinesFromWordPositions(Pdf(), leftMarginPt), TrimmedLines(lines, false));
    EXPECT_EQ(PdfPages(Pdf()), 1);
}

TEST_F(QtPrinter, StartsANewPageWhenThePageIsFull)
{
    std::string text;
    Document expected;
    for (int i = 1; i <= 150; ++i) {
        const std::string line = "         line " + std::to_string(i);
        text += line + "\r\n";
        expected.push_back(line);
    }
    WriteFile(Here() / "long.prt", text);
    ASSERT_EQ(PrintToPdf(Here() / "long.prt").status, PrintStatus::Printed);
    EXPECT_GE(PdfPages(Pdf()), 2);
    Document printed = PrintedLines(PdfText(Pdf()));
    std::erase(printed, std::string()); // the blank lines between pages
    EXPECT_EQ(printed, TrimmedLines(expected, true));
}

TEST_F(QtPrinter, AnEmptyReportStillEndsTheDocument)
{
    WriteFile(Here() / "empty.prt", "");
    const PrintResult result = PrintToPdf(Here() / "empty.prt");
    EXPECT_EQ(result.status, PrintStatus::Printed);
    EXPECT_EQ(result.lineCount, 0u);
    EXPECT_EQ(PdfPages(Pdf()), 1);
    EXPECT_EQ(PrintedLines(PdfText(Pdf())), Document{});
}

TEST_F(QtPrinter, APrinterThatCannotStartIsReported)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QStringLiteral("/proc/no-such-dir/printout.pdf"));
    QtLinePrinter lines(std::move(printer));
    WriteFile(Here() / "tevmar.prt", "         report\r\n");
    const PrintResult result = PrintReport(lines, Here() / "tevmar.prt");
    EXPECT_EQ(result.status, PrintStatus::PrinterFailed);
    EXPECT_FALSE(lines.error().isEmpty());
}

// --- End to end through the system's default printer -------------------------------

// The device of a CUPS queue, as lpstat reports it ("device for PDF: cups-pdf:/").
QString DeviceOf(const QString &queue)
{
    QProcess lpstat;
    lpstat.start(QStringLiteral("lpstat"), {QStringLiteral("-v"), queue});
    if (!lpstat.waitForFinished(5000))
        return {};
    const QString out = QString::fromLocal8Bit(lpstat.readAllStandardOutput()).trimmed();
    return out.section(QStringLiteral(": "), 1).trimmed();
}

QFileInfo NewestPdfSince(const QDir &dir, const QDateTime &since)
{
    QFileInfo newest;
    for (const QFileInfo &file : dir.entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
        if (file.lastModified() >= since &&
            (!newest.exists() || file.lastModified() > newest.lastModified()))
            newest = file;
    return newest;
}

TEST_F(Print, ReachesARealPrintQueueAsTheSavedReport)
{
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (printer.isNull())
        GTEST_SKIP() << "no default printer: start cupsd with a cups-pdf queue as the "
                        "default (.ci/run does) to print end to end";
    // Never put paper through a real printer from a test.
    if (!DeviceOf(printer.printerName()).startsWith(QStringLiteral("cups-pdf:")))
        GTEST_SKIP() << "the default printer " << printer.printerName().toStdString()
                     << " is not a cups-pdf queue";

    const QDir out(QDir::homePath() + QStringLiteral("/PDF"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    Window w;
    Design(w, "10");
    ASSERT_EQ(MessageFrom([&] { Click(w, "PrintOut"); }), "(no message)");

    // cups-pdf writes the job a moment after the print ends.
    QFileInfo pdf;
    for (int waited = 0; waited < 100 && !pdf.exists(); ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pdf = NewestPdfSince(out, before);
    }
    ASSERT_TRUE(pdf.exists()) << "no PDF arrived in " << out.path().toStdString();
    std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let it finish writing
    const Document saved = SavedLines();
    EXPECT_EQ(PrintedLines(PdfText(pdf.filePath())), TrimmedLines(saved, true));
    EXPECT_EQ(LinesFromWordPositions(pdf.filePath(),
                                     LeftMarginPt(QPrinter(printer, QPrinter::HighResolution))),
              TrimmedLines(saved, false));
    QFile::remove(pdf.filePath()); // the queue's output is ours to tidy
}

} // namespace
} // namespace tevmar::test
