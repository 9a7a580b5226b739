#pragma once

// The saved report file read back, for Print and Copy Report alike.

#include "report/print_routine.h"

#include <filesystem>

namespace tevmar::session {

// Reports are a few kilobytes; anything past this is not one.
inline constexpr std::size_t kMaxReportBytes = 16u << 20;

// The report file whole, or why not: missing (`found` false), or there but
// not readable (a directory, a device, a read error, too large).
ReportFileText ReadReportFile(const std::filesystem::path &reportPath = kReportFileName);

// Print: the report file read whole, then printed line by line.
PrintResult PrintReport(LinePrinter &printer,
                        const std::filesystem::path &reportPath = kReportFileName);

} // namespace tevmar::session
