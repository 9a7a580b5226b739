#pragma once

namespace tevmar {

// The report file every solved design saves in the working directory, and
// that Print sends to the printer. Its lines end with CR LF.
inline constexpr const char *kReportFileName = "tevmar.prt";

} // namespace tevmar
