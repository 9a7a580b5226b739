// tevmar-cli's argument parsing and the checks between options, one argument
// a line. Nothing is run, so nothing is written.

#include "session/options/command_line.h"
#include "tests/fuzz/fuzz_input.h"

#include <cstdlib>

using namespace tevmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::string> args = fuzz::SplitLines(data, size);
    const session::CommandLine c = session::ParseCommandLine(args, "tevmar.prt");
    if (!c.problem.empty() || c.help || c.version)
        return 0;
    // Accepted arguments give settings the analysis can take as they are.
    const session::AnalysisSettings settings = session::SettingsOf(c.analysis);
    if (settings.sweep.points < 1 ||
        (settings.tolerance &&
         (settings.tolerance->trials < 1 || settings.tolerance->tolerancePercent < 0 ||
          settings.tolerance->tolerancePercent >= 100)))
        std::abort();
    return 0;
}
