// The five boxes with the order, the load and absorption through one
// Calculate to the report lines, as the window and tevmar-cli run it.

#include "report/line.h"
#include "session/run/calculation.h"
#include "tests/fuzz/fuzz_input.h"

#include <cstdlib>

using namespace tevmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::size_t used = 0;
    const DesignInputs inputs = fuzz::DesignFromLines(fuzz::SplitLines(data, size), used);
    const session::CalculateOutcome outcome = session::Calculate(inputs);

    if (!outcome.solved()) {
        // No design: nothing to show or save, and the error box says so.
        if (!outcome.report.pane.empty() || !outcome.report.file.empty() ||
            outcome.boxes.errorText != session::kOutOfRangeMessage)
            std::abort();
        return 0;
    }
    std::string pane;
    for (std::size_t i = 0; i < outcome.report.pane.size(); ++i)
        ComposeLine(outcome.report.pane[i], pane, "\n");
    // A solved design shows lines and saves a file of whole CR LF lines.
    const std::string &file = outcome.report.file;
    if (pane.empty() || file.size() < 2 || !file.ends_with("\r\n") ||
        !outcome.boxes.errorText.empty())
        std::abort();
    // Every figure on the pane is a number (the pane, unlike the file, holds
    // no typed text): a design whose arithmetic overflowed must end as "no
    // solution", not as a report of "inf" or "nan".
    for (const char *word : {"inf", "nan", "INF", "NAN"})
        if (pane.find(word) != std::string::npos)
            std::abort();
    return 0;
}
