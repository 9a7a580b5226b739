#pragma once

// tevmar-cli: the arguments parsed into a run, the run's outcome written.

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace tevmar::cli {

// tevmar-cli: parses the arguments (program name excluded), runs the design
// and writes the report to the path of --report or else `defaultReportPath`,
// the pane lines to `out` and problems to `err`. Returns the exit status.
int RunCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
           const std::filesystem::path &defaultReportPath);

// The text of --help.
std::string UsageText();

} // namespace tevmar::cli
