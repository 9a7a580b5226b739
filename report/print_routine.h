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

// The Print command: reads the report file whole and then prints each of its lines
// in order and ends the document. Reading first means a file that fails half
// way never yields half a printout.
PrintResult PrintReport(LinePrinter &printer,
                        const std::filesystem::path &reportPath = kReportFileName);

} // namespace tevmar
