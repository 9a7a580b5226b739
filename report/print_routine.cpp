#include "report/print_routine.h"

namespace tevmar {

std::vector<std::string> SplitReportLines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        if (lf != std::string_view::npos && line.ends_with('\r'))
            line.remove_suffix(1);
        lines.emplace_back(line);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    }
    return lines;
}

PrintResult PrintReport(LinePrinter &printer, const ReportFileText &file,
                        const std::filesystem::path &reportPath)
{
    PrintResult result;
    if (!file.found) {
        result.status = PrintStatus::NoReport;
        result.message = kNoReportMessage;
        return result;
    }
    if (!file.read) {
        result.status = PrintStatus::Unreadable;
        result.message = "The saved report " + reportPath.string() +
                         " cannot be read: " + file.reason + ". Nothing was printed.";
        return result;
    }
    for (const std::string &line : SplitReportLines(file.text)) {
        printer.PrintLine(line);
        ++result.lineCount;
    }
    if (!printer.EndDocument()) {
        result.status = PrintStatus::PrinterFailed;
        result.message = "The printer did not accept the report.";
        return result;
    }
    result.status = PrintStatus::Printed;
    return result;
}

} // namespace tevmar
