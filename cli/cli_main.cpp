#include "cli/cli_main.h"

#include "cli/design_command.h"

#include <ostream>

#ifndef TEVMAR_VERSION
#error "TEVMAR_VERSION must be defined by the build"
#endif

namespace tevmar::cli {

namespace {

struct Flags
{
    bool help = false;
    bool version = false;
};

// Every option of the program, in the order --help lists them.
OptionTable AllOptions(DesignRequest &request, Flags &flags)
{
    OptionTable table = DesignOptions(request);
    table.push_back({"--help", "", "show this help and exit", SetFlag(flags.help)});
    table.push_back({"--version", "", "show the version and exit", SetFlag(flags.version)});
    return table;
}

} // namespace

std::string UsageText()
{
    DesignRequest request;
    Flags flags;
    return "Usage: tevmar-cli --f1 TEXT --f2 TEXT --zhigh TEXT --zlow TEXT [--order 4|8|12]\n"
           "                  [--load series-rl|series-rc|shunt-rl|shunt-rc] [--absorb TEXT]\n"
           "\n"
           "Designs a Chebyshev bandpass impedance-matching network as the window's\n"
           "Calculate command does: saves the report \"tevmar.prt\" in the current\n"
           "directory and prints the window's result lines on standard output.\n"
           "\n"
           "Options:\n" +
           OptionListText(AllOptions(request, flags)) +
           "\n"
           "Each TEXT is taken as typed into the window's box: its leading number counts,\n"
           "with \".\" as the decimal point, and the band and port texts appear verbatim in\n"
           "the report. An option left out is an empty box. Without --absorb nothing is\n"
           "absorbed.\n"
           "\n"
           "Exit status: 0 designed and saved, 1 no solution (\"  SOLUTION OUT OF RANGE\"),\n"
           "2 bad usage, 3 report not saved, 4 standard output could not be written.\n";
}

int RunCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
           const std::filesystem::path &reportPath)
{
    DesignRequest request;
    Flags flags;
    if (const std::string problem = ParseArguments(args, AllOptions(request, flags));
        !problem.empty()) {
        err << "tevmar-cli: " << problem << " (see \"tevmar-cli --help\")\n";
        return kExitBadUsage;
    }
    if (flags.help || flags.version) {
        out << (flags.help ? UsageText() : std::string(TEVMAR_VERSION) + "\n");
        out.flush();
        return out ? kExitDesigned : kExitOutputFailed;
    }
    return WriteOutcome(RunDesign(request, reportPath), out, err);
}

} // namespace tevmar::cli
