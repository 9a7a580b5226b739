// The JSON, Touchstone, SPICE and CSV texts of a design and its analysis. The
// design comes from the box lines, the analysis from tevmar-cli's analysis
// options on the lines after them (one argument a line), held small enough for
// many runs a second. The texts are made and checked, never written.

#include "format/export_touchstone.h"
#include "session/options/analysis_options.h"
#include "session/options/analysis_settings.h"
#include "session/run/exports.h"
#include "tests/fuzz/fuzz_input.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <nlohmann/json.hpp>

using namespace tevmar;

namespace {

std::size_t CountLines(const std::string &text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::string> lines = fuzz::SplitLines(data, size);
    std::size_t used = 0;
    const DesignInputs inputs = fuzz::DesignFromLines(lines, used);
    session::AnalysisRequest request;
    const std::vector<std::string> args(lines.begin() + static_cast<std::ptrdiff_t>(used),
                                        lines.end());
    if (!session::ParseArguments(args, session::AnalysisOptionTable(request)).empty())
        return 0;
    if (request.points)
        request.points = std::min(*request.points, 64);
    if (request.trials)
        request.trials = std::min(*request.trials, 16);
    const session::AnalysisSettings settings = session::SettingsOf(request);

    const session::CalculateOutcome outcome = session::Calculate(inputs);
    if (!outcome.solved())
        return 0;
    const analysis::Band band = analysis::BandOf(outcome.result.band);
    if (session::CheckSweep(settings.sweep, band, {"--from", "--to"}))
        return 0;
    const std::vector<double> sweepHz =
        analysis::SweepFrequencies(session::SweepPlanOf(settings.sweep, band));
    if (sweepHz.size() != static_cast<std::size_t>(settings.sweep.points))
        std::abort();

    try {
        const analysis::NetworkAnalysis a = analysis::AnalyseDesign(
            session::DesignedOf(outcome), session::AnalysisOptionsOf(settings));
        const double ohms = request.touchstoneOhms.value_or(format::kDefaultTouchstoneOhms);
        const std::string json = session::ExportText(session::ExportKind::Json, outcome, a, {});
        if (!nlohmann::json::accept(json))
            std::abort();
        const std::string csv =
            session::ExportText(session::ExportKind::SweepCsv, outcome, a, sweepHz);
        if (CountLines(csv) != sweepHz.size() + 1) // the header, then one row a frequency
            std::abort();
        const std::string touchstone =
            session::ExportText(session::ExportKind::Touchstone, outcome, a, sweepHz, ohms);
        const std::string spice = session::ExportText(session::ExportKind::Spice, outcome, a, {});
        if (touchstone.empty() || spice.empty())
            std::abort();
    } catch (const std::exception &) {
        // The exports refuse figures that are not finite, by throwing.
    }
    return 0;
}
