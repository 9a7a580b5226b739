#pragma once

// tevmar-cli run in-process with its report in a scratch directory: the exit
// status and what it wrote on standard output and standard error.

#include "cli/cli_main.h"
#include "tests/report/test_files.h"

#include <sstream>
#include <string>
#include <vector>

namespace tevmar::cli {

struct CliRun
{
    int exitCode;
    std::string out, err;
};

inline CliRun RunCliIn(const std::vector<std::string> &args, const test_files::TempDir &dir)
{
    std::ostringstream out, err;
    const int code = RunCli(args, out, err, dir / "tevmar.prt");
    return {code, out.str(), err.str()};
}

} // namespace tevmar::cli
