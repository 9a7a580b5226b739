#include "session/measured_match.h"

#include "engine/lenient_number.h"
#include "format/analysis_text.h"
#include "format/load_fit_report.h"
#include "report/number_format.h"
#include "report/printable_text.h"
#include "session/safe_file.h"

#include <algorithm>
#include <memory>

namespace tevmar::session {

namespace {

// A box's text for a fitted value: six significant digits, far finer than the
// fit's own accuracy, without the noise digits of a full double.
std::string BoxText(double value)
{
    return SignificantNumber(value, 6);
}

} // namespace

DesignInputs InputsForFit(const analysis::LoadFit &fit, double sourceOhms,
                          const MeasuredLoadRequest &request)
{
    DesignInputs inputs;
    inputs.f1Text = request.f1Text;
    inputs.f2Text = request.f2Text;
    const std::string source = ShortestNumber(sourceOhms);
    const std::string load = BoxText(fit.resistanceOhms);
    const bool series = IsSeriesLoad(fit.type);
    inputs.zhighText = series ? source : load;
    inputs.zlowText = series ? load : source;
    inputs.networkOrder = request.networkOrder;
    inputs.loadType = fit.type;
    inputs.absorb = true;
    inputs.absorbText = BoxText(fit.reactiveValue);
    return inputs;
}

analysis::OnePortData ReadOnePortFile(const std::string &path)
{
    const BoundedRead read = ReadFileBounded(path, kMaxOnePortFileBytes);
    if (!read.error.empty()) {
        std::string where = PrintableText(path);
        if (read.midRead)
            where += ":" + std::to_string(std::ranges::count(read.text, '\n') + 1);
        throw analysis::TouchstoneError(where + ": cannot be read (" + read.error +
                                        "); expected a one-port Touchstone file of at most " +
                                        std::to_string(kMaxOnePortFileBytes >> 20) + " MiB");
    }
    return analysis::ReadOnePort(read.text, path);
}

MeasuredMatch MatchMeasuredLoad(const MeasuredLoadRequest &request)
{
    try {
        analysis::OnePortData data = ReadOnePortFile(request.filePath);
        return MatchMeasuredLoad(request, std::move(data), request.filePath);
    } catch (const analysis::TouchstoneError &e) {
        MeasuredMatch match;
        match.problem = e.what();
        return match;
    }
}

MeasuredMatch MatchMeasuredLoad(const MeasuredLoadRequest &request, analysis::OnePortData data,
                                const std::string &fileName)
{
    MeasuredMatch match;
    match.data = std::move(data);
    match.warnings = match.data.warnings;
    analysis::FitSummary &summary = match.fit;
    summary.fileName = fileName;
    summary.points = match.data.frequenciesHz.size();
    summary.firstHz = match.data.frequenciesHz.front();
    summary.lastHz = match.data.frequenciesHz.back();
    summary.sourceOhms = request.sourceOhms;

    const double f1Hz = ReadNumber(request.f1Text) * 1e9;
    const double f2Hz = ReadNumber(request.f2Text) * 1e9;
    const analysis::InBandPoints points = analysis::PointsInBand(match.data, f1Hz, f2Hz);
    summary.pointsInBand = points.frequenciesHz.size();
    if (summary.pointsInBand < kMinFitPoints) {
        match.problem = fileName + ": " + std::to_string(summary.pointsInBand) +
                        " measured points lie in the band " + request.f1Text + " to " +
                        request.f2Text + " GHz; the fit needs at least " +
                        std::to_string(kMinFitPoints);
        return match;
    }
    if (std::min(f1Hz, f2Hz) < summary.firstHz || std::max(f1Hz, f2Hz) > summary.lastHz)
        match.warnings.push_back(
            "the band reaches past the measurement (" + Figure(summary.firstHz / 1e9) + " to " +
            Figure(summary.lastHz / 1e9) + " GHz); the load is held at its end values there");

    summary.fits = analysis::FitAllLoads(points);
    for (const analysis::LoadFit &fit : summary.fits)
        summary.problems.push_back(analysis::FitProblem(fit, request.sourceOhms));
    const std::optional<analysis::LoadFit> chosen =
        analysis::ChooseFit(summary.fits, request.sourceOhms, request.loadKind);
    if (!chosen) {
        match.problem = request.loadKind
                            ? summary.problems[static_cast<std::size_t>(*request.loadKind)]
                            : "no load kind fits the data on the right side of the source's " +
                                  Figure(request.sourceOhms) +
                                  " ohms (a series kind below it, a shunt kind above it)";
        return match;
    }
    summary.chosen = *chosen;
    summary.forced = request.loadKind.has_value();

    const DesignInputs inputs = InputsForFit(*chosen, request.sourceOhms, request);
    match.outcome = Calculate(inputs);
    auto load = std::make_shared<analysis::MeasuredLoad>();
    load->frequenciesHz = match.data.frequenciesHz;
    load->impedanceOhms = match.data.impedanceOhms;
    load->port = IsSeriesLoad(chosen->type) ? 2 : 1;
    match.outcome.measuredLoad = std::move(load);
    match.outcome.measuredLoadFile = fileName;
    match.outcome.fitLines = format::FitLines(summary);
    return match;
}

analysis::AnalysisOptions AnalysisOptionsFor(const CalculateOutcome &outcome,
                                             const AnalysisSettings &settings)
{
    analysis::AnalysisOptions options = AnalysisOptionsOf(settings);
    options.measuredLoad = outcome.measuredLoad;
    return options;
}

} // namespace tevmar::session
