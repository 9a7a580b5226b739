#pragma once

#include "cli/analysis_options.h"
#include "session/types.h"

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace tevmar::cli {

// The arguments understood, before anything is run or written.
struct CommandLine
{
    DesignInputs design;
    MeasuredLoadArguments measured;
    std::string replacedOption; // the first of kReplacedByMeasuredLoad given
    AnalysisRequest analysis;
    bool help = false, version = false;
    std::filesystem::path reportPath;
    std::vector<std::string> warnings; // box texts not read as typed
    std::string problem;               // bad usage; empty when the arguments are fine
};

// Parses the arguments (program name excluded) and checks them against each
// other; the report goes to --report's path or else `defaultReportPath`.
CommandLine ParseCommandLine(const std::vector<std::string> &args,
                             const std::filesystem::path &defaultReportPath);

// tevmar-cli: parses the arguments (program name excluded), runs the design
// and writes the report to the path of --report or else `defaultReportPath`,
// the pane lines to `out` and problems to `err`. Returns the exit status (see
// ExitCode).
int RunCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
           const std::filesystem::path &defaultReportPath);

// The text of --help.
std::string UsageText();

} // namespace tevmar::cli
