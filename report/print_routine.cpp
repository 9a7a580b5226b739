#include "report/print_routine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tevmar {

namespace {

struct FileText
{
    bool found = false;
    bool read = false;
    std::string text;
    std::string reason; // why it could not be read
};

FileText ReadWholeFile(const std::filesystem::path &path)
{
    FileText result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.found = errno != ENOENT && errno != ENOTDIR;
        result.reason = std::strerror(errno);
        return result;
    }
    result.found = true;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            // A directory by the report's name opens but does not read.
            result.reason = std::strerror(errno);
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        result.text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    result.read = true;
    return result;
}

} // namespace

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

PrintResult PrintReport(LinePrinter &printer, const std::filesystem::path &reportPath)
{
    PrintResult result;
    const FileText file = ReadWholeFile(reportPath);
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
