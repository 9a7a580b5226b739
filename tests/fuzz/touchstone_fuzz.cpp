// The one-port Touchstone reader on any bytes, read from a file as
// --load-s1p reads it: it reads a measurement or refuses the file with a
// TouchstoneError, nothing else, and no message or warning carries a control
// byte to the terminal. A measurement it
// reads has rising frequencies and finite, passive impedances, and is then
// matched from 50 ohms over its whole span: the fit, the design and the
// figures into the data must stay finite all the way to the JSON document.

#include "analysis/readers/touchstone_reader.h"
#include "analysis/search/load_fit.h"
#include "format/export_json.h"
#include "format/load_fit_report.h"
#include "report/number_format.h"
#include "session/run/measured_match.h"
#include "tests/fuzz/run_checks.h"
#include "tests/fuzz/scratch_file.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <unistd.h>

using namespace tevmar;

namespace {

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::string path = fuzz::WriteScratchFile(text);
    analysis::OnePortData measured;
    try {
        measured = session::ReadOnePortFile(path);
    } catch (const analysis::TouchstoneError &e) {
        fuzz::RequirePrintable(e.what());
        return 0;
    }
    for (const std::string &warning : measured.warnings)
        fuzz::RequirePrintable(warning);
    const std::size_t points = measured.frequenciesHz.size();
    if (points == 0 || measured.impedanceOhms.size() != points)
        std::abort();
    for (std::size_t i = 0; i < points; ++i) {
        const std::complex<double> z = measured.impedanceOhms[i];
        if (!std::isfinite(z.real()) || !std::isfinite(z.imag()) || z.real() < 0 ||
            (i > 0 && !(measured.frequenciesHz[i] > measured.frequenciesHz[i - 1])))
            std::abort();
    }

    session::MeasuredLoadRequest request;
    request.f1Text = ShortestNumber(measured.frequenciesHz.front() / 1e9);
    request.f2Text = ShortestNumber(measured.frequenciesHz.back() / 1e9);
    request.f1 = units::Frequency::FromGHz(measured.frequenciesHz.front() / 1e9);
    request.f2 = units::Frequency::FromGHz(measured.frequenciesHz.back() / 1e9);
    request.sourceOhms = 50;
    const session::MeasuredMatch match =
        session::MatchMeasuredLoad(request, std::move(measured), "fuzz.s1p");
    if (!match.ok() || !match.outcome.solved())
        return 0;
    try {
        const analysis::NetworkAnalysis a = analysis::AnalyseDesign(
            session::DesignedOf(match.outcome), session::AnalysisOptionsFor(match.outcome, {}));
        format::Json document =
            format::DesignDocument(match.outcome.inputs, match.outcome.result, {}, &a);
        format::AddFitJson(document, match.fit);
        const std::string json = format::DocumentText(document);
        if (!nlohmann::json::accept(json))
            std::abort();
    } catch (const std::domain_error &) {
        std::abort(); // a figure into the data that is not finite
    } catch (const std::invalid_argument &) {
        // A design whose table the analysis cannot build a ladder from.
    }
    return 0;
}
