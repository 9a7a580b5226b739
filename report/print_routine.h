#pragma once

// The Print command: sends the saved report file to a printer line by line,
// as one document. It prints the file, not the pane, so the printout carries
// the title block, band and port lines and the nine-space indentation.

#include "report/report_file.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tevmar {

// A printer fed one line of text at a time. The Qt window implements it on the
// default printer; tests record what it receives.
class LinePrinter
{
  public:
    virtual ~LinePrinter() = default;
    // Prints the text as one line; the next line starts at the left margin below it.
    virtual void PrintLine(std::string_view text) = 0;
    // Hands the document to the printer as one job. Returns false when the
    // printer did not take it.
    virtual bool EndDocument() = 0;
};

enum class PrintStatus {
    Printed,       // every line sent and the document ended
    NoReport,      // no report file: nothing printed, no document started
    Unreadable,    // the report file exists but could not be read: nothing printed
    PrinterFailed, // the lines were sent but the printer did not take the document
};

struct PrintResult
{
    PrintStatus status = PrintStatus::NoReport;
    std::size_t lineCount = 0; // lines sent to the printer
    std::string message;       // for the user; empty when printed
};

inline constexpr const char *kNoReportMessage = "No saved report to print. Press Calculate first.";

// The lines of a report file's text: CR LF or a lone LF ends a line, and a last
// line without a line end is still a line. An empty text has no line.
std::vector<std::string> SplitReportLines(std::string_view text);

// The saved report as read from its file (session::ReadReportFile reads it).
struct ReportFileText
{
    bool found = false; // a file is there, readable or not
    bool read = false;  // the whole file was read into `text`
    std::string text;
    std::string reason; // why it could not be read
};

// The Print command on a report read whole beforehand: each of its lines in
// order, then the end of the document. Reading first means a file that fails
// half way never yields half a printout. `reportPath` names the file in
// messages.
PrintResult PrintReport(LinePrinter &printer, const ReportFileText &file,
                        const std::filesystem::path &reportPath);

} // namespace tevmar
