#pragma once

// The design part of tevmar-cli: the window's inputs given as options, and one
// design run on an in-memory window, exactly as the Calculate command runs it.

#include "cli/cli_options.h"
#include "engine/design_result.h"
#include "engine/design_state.h"
#include "engine/memory_window.h"

#include <filesystem>
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
};

// The window's inputs as given on the command line.
using DesignRequest = TypedInputs;

// The options --f1, --f2, --zhigh, --zlow, --order, --load and --absorb, filling `request`.
OptionTable DesignOptions(DesignRequest &request);

// One design run and what it left on the window.
struct DesignOutcome
{
    DesignResult result;
    DesignState state;
    std::vector<std::string> paneLines; // composed into character columns
    std::string errorText;              // Error_text after the run
};

// Runs the design and saves its report to `reportPath`, as Calculate does.
DesignOutcome RunDesign(const DesignRequest &request, const std::filesystem::path &reportPath);

// Writes the outcome the way tevmar-cli reports it and returns the exit status:
// the pane lines on `out` unless there is no solution, Error_text and the
// reason for an unsaved report on `err`.
int WriteOutcome(const DesignOutcome &outcome, std::ostream &out, std::ostream &err);

} // namespace tevmar::cli
