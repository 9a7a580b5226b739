#pragma once

// The design part of tevmar-cli: the window's inputs given as options, and the
// outcome of one Calculate written the way the command line reports it.

#include "cli/cli_options.h"
#include "engine/design_inputs.h"
#include "session/calculation.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::cli {

// Exit status of tevmar-cli.
enum ExitCode : int {
    kExitDesigned = 0,       // design on standard output, report saved
    kExitNoSolution = 1,     // "  SOLUTION OUT OF RANGE"
    kExitBadUsage = 2,       // the arguments could not be understood; nothing done
    kExitReportNotSaved = 3, // design on standard output, report file not written
    kExitOutputFailed = 4,   // standard output could not be written
    kExitFileNotSaved = 5,   // the design succeeded but an analysis file was not written
    kExitTuned = 6,          // no textbook design; --tune wrote the tuned network instead
};

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
};

// Those three options, filling `arguments`.
OptionTable MeasuredLoadOptions(MeasuredLoadArguments &arguments);

// The design options a measured load replaces.
inline constexpr const char *kReplacedByMeasuredLoad[] = {"--zhigh", "--zlow", "--load",
                                                          "--absorb"};

// The error box and, as "tevmar-cli: no solution: REASON", why there is no design.
void WriteNoSolution(const session::CalculateOutcome &outcome, std::ostream &err);

// Writes the pane lines on `out` unless there is no solution, the error box
// and the reason for an unsaved report on `err`; returns the exit status.
int WriteOutcome(const session::CalculateOutcome &outcome, std::ostream &out, std::ostream &err);

// The exit status of a design whose text went to `out` (pane lines or JSON),
// telling on `err` what went wrong.
int DesignExitCode(const session::CalculateOutcome &outcome, std::ostream &out, std::ostream &err);

} // namespace tevmar::cli
