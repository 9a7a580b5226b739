#include "cli/cli_main.h"

#include "cli/analysis_options.h"
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
OptionTable AllOptions(DesignInputs &request, AnalysisRequest &analysis, Flags &flags)
{
    OptionTable table = DesignOptions(request);
    const OptionTable analysisTable = AnalysisOptionTable(analysis);
    table.insert(table.end(), analysisTable.begin(), analysisTable.end());
    table.push_back({"--help", "", "show this help and exit", SetFlag(flags.help)});
    table.push_back({"--version", "", "show the version and exit", SetFlag(flags.version)});
    return table;
}

} // namespace

std::string UsageText()
{
    DesignInputs request;
    AnalysisRequest analysis;
    Flags flags;
    return "Usage: tevmar-cli --f1 TEXT --f2 TEXT --zhigh TEXT --zlow TEXT [--order 4|8|12]\n"
           "                  [--load series-rl|series-rc|shunt-rl|shunt-rc] [--absorb TEXT]\n"
           "                  [analysis options]\n"
           "\n"
           "Designs a Chebyshev bandpass impedance-matching network as the window's\n"
           "Calculate command does: saves the report \"tevmar.prt\" in the current\n"
           "directory and prints the window's result lines on standard output.\n"
           "\n"
           "Options:\n" +
           OptionListText(AllOptions(request, analysis, flags)) +
           "\n"
           "Each TEXT is taken as typed into the window's box: its leading number counts,\n"
           "with \".\" as the decimal point, and the band and port texts appear verbatim in\n"
           "the report. An option left out is an empty box. Without --absorb nothing is\n"
           "absorbed.\n"
           "\n" +
           AnalysisUsageText() +
           "\n"
           "Exit status: 0 designed and saved, 1 no solution (\"  SOLUTION OUT OF RANGE\"),\n"
           "2 bad usage, 3 report not saved, 4 standard output could not be written,\n"
           "5 an analysis file could not be written, 6 no textbook design but --tune\n"
           "wrote the tuned network.\n";
}

int RunCli(const std::vector<std::string> &args, std::ostream &out, std::ostream &err,
           const std::filesystem::path &reportPath)
{
    DesignInputs request;
    AnalysisRequest analysis;
    Flags flags;
    std::string problem = ParseArguments(args, AllOptions(request, analysis, flags));
    if (problem.empty() && !flags.help && !flags.version)
        problem = CheckAnalysisRequest(analysis, reportPath);
    if (!problem.empty()) {
        err << "tevmar-cli: " << problem << " (see \"tevmar-cli --help\")\n";
        return kExitBadUsage;
    }
    if (flags.help || flags.version) {
        out << (flags.help ? UsageText() : std::string(TEVMAR_VERSION) + "\n");
        out.flush();
        return out ? kExitDesigned : kExitOutputFailed;
    }
    if (analysis.Any())
        return RunDesignWithAnalysis(request, analysis, reportPath, out, err);
    return WriteOutcome(session::Calculate(request, reportPath), out, err);
}

} // namespace tevmar::cli
