#pragma once

// The design part of tevmar-cli: the window's inputs given as options, and the
// outcome of one Calculate written the way the command line reports it.

#include "cli/cli_options.h"
#include "engine/design_inputs.h"
#include "session/run.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::cli {

// Exit status of tevmar-cli.
inline constexpr int kExitDesigned = static_cast<int>(session::ExitStatus::Designed);
inline constexpr int kExitNoSolution = static_cast<int>(session::ExitStatus::NoSolution);
inline constexpr int kExitBadUsage = static_cast<int>(session::ExitStatus::BadUsage);
inline constexpr int kExitReportNotSaved = static_cast<int>(session::ExitStatus::ReportNotSaved);
inline constexpr int kExitOutputFailed = static_cast<int>(session::ExitStatus::OutputFailed);
inline constexpr int kExitFileNotSaved = static_cast<int>(session::ExitStatus::FileNotSaved);
inline constexpr int kExitTuned = static_cast<int>(session::ExitStatus::Tuned);

// The options --f1, --f2, --zhigh, --zlow, --order, --load and --absorb,
// filling `inputs`; an option left out is an empty box (or the window's
// initial choice). A box text that is not a plain number is taken as the
// window takes it, with a line for `warnings` ("--f1: \"2,5\" read as 2").
OptionTable DesignOptions(DesignInputs &inputs, std::vector<std::string> &warnings);

// --load-s1p, --source and --load-kind: a measured load in place of the
// port impedances and the load model.
struct MeasuredLoadArguments
{
    std::optional<std::string> filePath;
    std::optional<double> sourceOhms;
    std::optional<LoadType> loadKind;
    std::optional<std::string> sourcePath; // --source-s1p, in place of --source
    std::optional<LoadType> sourceKind;
};

// Those options, filling `arguments`.
OptionTable MeasuredLoadOptions(MeasuredLoadArguments &arguments);

// The design options a measured load replaces.
inline constexpr const char *kReplacedByMeasuredLoad[] = {"--zhigh", "--zlow", "--load",
                                                          "--absorb"};

// Writes the run's standard output and its messages (on `err`, as the command
// line words them); returns the exit status.
int WriteOutcome(const session::Outcome &outcome, std::ostream &out, std::ostream &err);

} // namespace tevmar::cli
