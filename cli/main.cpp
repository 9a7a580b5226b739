// tevmar-cli: the design run of the window, driven from arguments, for
// scripting and batch work.

#include "cli/cli_main.h"
#include "report/report_file.h"

#include <iostream>

int main(int argc, char **argv)
{
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    return tevmar::cli::RunCli(args, std::cout, std::cerr, tevmar::kReportFileName);
}
