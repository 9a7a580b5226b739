#pragma once

// A run's outcome as tevmar-cli writes it: standard output, its messages on
// standard error, and the exit status.

#include "session/run/run.h"

#include <iosfwd>

namespace tevmar::cli {

// Exit status of tevmar-cli.
inline constexpr int kExitDesigned = static_cast<int>(session::ExitStatus::Designed);
inline constexpr int kExitNoSolution = static_cast<int>(session::ExitStatus::NoSolution);
inline constexpr int kExitBadUsage = static_cast<int>(session::ExitStatus::BadUsage);
inline constexpr int kExitReportNotSaved = static_cast<int>(session::ExitStatus::ReportNotSaved);
inline constexpr int kExitOutputFailed = static_cast<int>(session::ExitStatus::OutputFailed);
inline constexpr int kExitFileNotSaved = static_cast<int>(session::ExitStatus::FileNotSaved);
inline constexpr int kExitTuned = static_cast<int>(session::ExitStatus::Tuned);

// Writes the run's standard output and its messages (on `err`, as the command
// line words them); returns the exit status.
int WriteOutcome(const session::Outcome &outcome, std::ostream &out, std::ostream &err);

} // namespace tevmar::cli
