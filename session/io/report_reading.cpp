#include "session/io/report_reading.h"

#include "session/io/safe_file.h"

#include <system_error>

namespace tevmar::session {

ReportFileText ReadReportFile(const std::filesystem::path &reportPath)
{
    ReportFileText file;
    std::error_code error;
    // A dangling link or a missing folder on the way is no report either.
    if (!std::filesystem::exists(reportPath, error)) {
        file.reason = error ? error.message() : "no such file";
        return file;
    }
    file.found = true;
    BoundedRead read = ReadFileBounded(reportPath, kMaxReportBytes);
    if (!read.error.empty()) {
        file.reason = read.error;
        return file;
    }
    file.read = true;
    file.text = std::move(read.text);
    return file;
}

PrintResult PrintReport(LinePrinter &printer, const std::filesystem::path &reportPath)
{
    return tevmar::PrintReport(printer, ReadReportFile(reportPath), reportPath);
}

} // namespace tevmar::session
