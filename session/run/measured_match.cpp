#include "session/run/measured_match.h"

#include "analysis/figures/bode_fano.h"
#include "analysis/model/circuit_expression.h"
#include "engine/lenient_number.h"
#include "format/analysis_text.h"
#include "format/load_fit_report.h"
#include "report/number_format.h"
#include "report/printable_text.h"
#include "session/io/safe_file.h"
#include "units/unit_text.h"

#include <algorithm>
#include <memory>
#include <numbers>

namespace tevmar::session {

namespace {

// A box's text for a fitted value: six significant digits, far finer than the
// fit's own accuracy, without the noise digits of a full double.
std::string BoxText(double value)
{
    return SignificantNumber(value, 6);
}

// The band's edges as the boxes read, in Hz.
std::pair<double, double> BandHz(const MeasuredLoadRequest &request)
{
    return {request.f1.hz(), request.f2.hz()};
}

// Why a measurement cannot be fitted over the band: too few points in it.
std::string TooFewPoints(const std::string &fileName, std::size_t inBand,
                         const MeasuredLoadRequest &request)
{
    return fileName + ": " + std::to_string(inBand) + " measured points lie in the band " +
           request.f1Text + " to " + request.f2Text + " GHz; the fit needs at least " +
           std::to_string(kMinFitPoints);
}

// Why a termination cannot be matched: it has no resistance in the band, by
// its data or by the fit the design would be made for.
std::string NoResistance(const std::string &fileName, bool source,
                         const MeasuredLoadRequest &request, const analysis::LoadFit *fit)
{
    return fileName + ": the " + (source ? "source" : "load") + " has no resistance in the band " +
           request.f1Text + " to " + request.f2Text + " GHz" +
           (fit ? std::string(" by its ") + NamesOf(fit->type).phrase + " fit" : "") +
           " (Re Z at most " + Figure(analysis::kLosslessFraction) +
           " of |Z| at every point): a lossless termination, which no network can " +
           (source ? "draw power from" : "deliver power into") +
           "; expected a measurement with loss";
}

// Why a measurement cannot be matched over the band: the band reaches past
// its frequencies, where nothing is known of the termination.
std::string BandPastTheData(const analysis::FitSummary &s, const MeasuredLoadRequest &request)
{
    return s.fileName + ": the band " + request.f1Text + " to " + request.f2Text +
           " GHz reaches past the data (" + units::GhzFigure(s.first) + " to " +
           units::GhzFigure(s.last) + " GHz); expected data covering the band";
}

analysis::FitSummary SummaryOf(const analysis::OnePortData &data, const std::string &fileName)
{
    analysis::FitSummary summary;
    summary.fileName = fileName;
    summary.points = data.frequenciesHz.size();
    summary.first = units::Frequency::FromHz(data.frequenciesHz.front());
    summary.last = units::Frequency::FromHz(data.frequenciesHz.back());
    return summary;
}

// The mean resistance of the in-band points, in ohms.
double MeanResistance(const analysis::InBandPoints &points)
{
    double sum = 0;
    for (const std::complex<double> z : points.impedanceOhms)
        sum += z.real();
    return sum / static_cast<double>(points.impedanceOhms.size());
}

bool PastTheData(const analysis::FitSummary &s, double f1Hz, double f2Hz)
{
    return std::min(f1Hz, f2Hz) < s.first.hz() || std::max(f1Hz, f2Hz) > s.last.hz();
}

// The source's fit: every kind, the one asked for or the best by rms
// relative error. No kind with a reactance fits a source without one; it is
// then its mean in-band resistance, which a resistive file gives exactly.
std::string FitSource(const MeasuredSourceRequest &request, const MeasuredLoadRequest &load,
                      SourceMatch &source, std::vector<std::string> &warnings)
{
    const auto [f1Hz, f2Hz] = BandHz(load);
    analysis::FitSummary &summary = source.fit;
    summary = SummaryOf(source.data, request.filePath);
    summary.circuit = request.exact != nullptr;
    if (PastTheData(summary, f1Hz, f2Hz))
        return BandPastTheData(summary, load);
    const analysis::InBandPoints points = analysis::PointsInBand(source.data, f1Hz, f2Hz);
    summary.pointsInBand = points.frequenciesHz.size();
    if (summary.pointsInBand < kMinFitPoints)
        return TooFewPoints(request.filePath, summary.pointsInBand, load);
    if (analysis::WithoutResistance(points))
        return NoResistance(request.filePath, true, load, nullptr);
    for (const std::string &warning : source.data.warnings)
        warnings.push_back(warning);
    summary.fits = analysis::FitAllLoads(points);
    for (const analysis::LoadFit &fit : summary.fits)
        summary.problems.push_back(
            fit.valid ? "" : "no " + std::string(NamesOf(fit.type).phrase) + " fits the data");
    for (const analysis::LoadFit &fit : summary.fits)
        if (fit.valid && (!request.kind || fit.type == *request.kind) &&
            (!summary.chosen.valid || fit.rmsRelativeError < summary.chosen.rmsRelativeError))
            summary.chosen = fit;
    summary.forced = request.kind.has_value();
    if (summary.chosen.valid && analysis::WithoutResistance(summary.chosen, points))
        return NoResistance(request.filePath, true, load, &summary.chosen);
    if (summary.chosen.valid && summary.chosen.rmsRelativeError <= kSimpleModelError) {
        summary.sourceOhms = summary.chosen.resistanceOhms;
        return {};
    }
    if (!summary.chosen.valid && request.kind)
        return request.filePath + ": " + summary.problems[static_cast<std::size_t>(*request.kind)];
    summary.sourceOhms = MeanResistance(points);
    if (summary.chosen.valid) {
        // The fit is another source than the one measured: the data stand
        // for it, and the port starts from their own mean resistance.
        summary.dataOnly = true;
        const std::optional<analysis::ResonantModel> resonance = analysis::FitResonance(points);
        if (resonance && resonance->rmsRelativeError <= kSimpleModelError)
            summary.resonance = resonance;
    } else {
        source.resistive = true;
    }
    if (!(summary.sourceOhms > 0))
        return request.filePath + ": the source's resistance in the band is not positive";
    return {};
}

// The Q of a fitted kind's reactance: X / R in series, R / |X| across.
double FitQ(const analysis::LoadFit &fit, units::Frequency frequency)
{
    const double x = std::abs(analysis::FittedReactanceOhms(fit, frequency.omega()));
    return IsSeriesLoad(fit.type) ? x / fit.resistanceOhms : fit.resistanceOhms / x;
}

// Which end's Bode-Fano limit binds, when both ends are simple models: each
// end's reactance bounds the match over the band on its own, and a resistive
// source bounds nothing.
void CompareBodeFano(SourceMatch &source, const analysis::LoadFit &load, const DesignResult &design)
{
    const analysis::LoadFit &fit = source.fit.chosen;
    const double qt = design.band.Qt;
    if (!design.solved || !(qt > 0) || load.rmsRelativeError > kSimpleModelError ||
        (!source.resistive && fit.rmsRelativeError > kSimpleModelError)) {
        source.bodeFano = "Bode-Fano: no closed-form limit between the two measurements (a fit "
                          "is off its data by more than " +
                          Figure(100 * kSimpleModelError) + " %)";
        return;
    }
    const units::Frequency centre = units::Frequency::FromMHz(design.band.F0);
    source.closedForm = true;
    source.loadGammaLimit = analysis::BodeFanoReflection(FitQ(load, centre) / qt);
    source.sourceGammaLimit =
        source.resistive ? 0.0 : analysis::BodeFanoReflection(FitQ(fit, centre) / qt);
    const bool sourceBinds = source.sourceGammaLimit > source.loadGammaLimit;
    source.bodeFano = "Bode-Fano between the two fits: the source's limit |S11| " +
                      Figure(source.sourceGammaLimit) + ", the load's " +
                      Figure(source.loadGammaLimit) + "; the " +
                      (sourceBinds ? "source's" : "load's") + " binds";
}

// The measured source read and fitted; its problem, or empty.
std::string MatchSource(const MeasuredLoadRequest &request, MeasuredMatch &match)
{
    const MeasuredSourceRequest &asked = *request.source;
    SourceMatch source;
    try {
        source.data = asked.data ? *asked.data : ReadOnePortFile(asked.filePath);
    } catch (const analysis::TouchstoneError &e) {
        return e.what();
    }
    std::string problem = FitSource(asked, request, source, match.warnings);
    match.source = std::move(source);
    return problem;
}

// A design for a fit that does not describe its data would be a network for
// another load. The outcome keeps the inputs for the fit (the start the
// tuner and the candidates take, every figure of theirs into the data) but
// no design, report or network of it.
void WithholdDesign(CalculateOutcome &outcome, std::string reason)
{
    DesignResult withheld;
    withheld.typed = outcome.result.typed;
    withheld.band = outcome.result.band;
    withheld.n = outcome.result.n;
    withheld.loadType = outcome.result.loadType;
    outcome.result = std::move(withheld);
    outcome.network.reset();
    outcome.networkProblem.clear();
    outcome.report = {};
    outcome.boxes.errorText = kDataOnlyMessage;
    outcome.boxes.errorReason = std::move(reason);
}

// A fit too far off its data: the load is its data alone, its Bode-Fano
// limit that of the data's own resonance where a fit of it is close.
void UseDataDirectly(const analysis::InBandPoints &points, const analysis::Band &band,
                     analysis::FitSummary &summary, analysis::MeasuredLoad &load)
{
    summary.dataOnly = true;
    load.modelDescribes = false;
    const std::optional<analysis::ResonantModel> resonance = analysis::FitResonance(points);
    if (resonance && resonance->rmsRelativeError <= kSimpleModelError) {
        summary.resonance = resonance;
        summary.resonanceGammaLimit = analysis::ResonanceGammaLimit(*resonance, band);
        load.resonance = resonance;
    }
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

std::string ReadTouchstoneText(const std::string &path, const char *expected)
{
    BoundedRead read = ReadFileBounded(path, kMaxOnePortFileBytes);
    if (!read.error.empty()) {
        std::string where = PrintableText(path);
        if (read.midRead)
            where += ":" + std::to_string(std::ranges::count(read.text, '\n') + 1);
        throw analysis::TouchstoneError(where + ": cannot be read (" + read.error + "); expected " +
                                        expected + " of at most " +
                                        std::to_string(kMaxOnePortFileBytes >> 20) + " MiB");
    }
    return std::move(read.text);
}

analysis::OnePortData ReadOnePortFile(const std::string &path)
{
    return analysis::ReadOnePort(ReadTouchstoneText(path, "a one-port Touchstone file"), path);
}

analysis::OnePortData CircuitTermination(const std::string &circuit,
                                         const MeasuredLoadRequest &band,
                                         std::function<std::complex<double>(double)> &exact)
{
    // Points enough for a fit whose error is the model's, not the sampling's.
    constexpr std::size_t kPoints = 201;
    auto parsed = std::make_shared<const analysis::Circuit>(analysis::Circuit::Parse(circuit));
    const auto [f1Hz, f2Hz] = BandHz(band);
    analysis::CircuitSamples samples = analysis::SampleCircuit(*parsed, f1Hz, f2Hz, kPoints);
    analysis::OnePortData data;
    data.frequenciesHz = std::move(samples.frequenciesHz);
    data.impedanceOhms = std::move(samples.impedanceOhms);
    exact = analysis::CircuitImpedance{std::move(parsed)};
    return data;
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
    if (request.source) {
        match.problem = MatchSource(request, match);
        if (!match.ok()) {
            match.problemInSource = true;
            return match;
        }
    }
    // A fitted source resistance goes into the box as a fitted load's does, to
    // six digits; the design, its report and its files then agree.
    const double sourceOhms =
        match.source ? ReadNumber(BoxText(match.source->fit.sourceOhms)) : request.sourceOhms;
    analysis::FitSummary &summary = match.fit;
    summary = SummaryOf(match.data, fileName);
    summary.sourceOhms = sourceOhms;
    summary.circuit = request.exact != nullptr;

    const auto [f1Hz, f2Hz] = BandHz(request);
    if (PastTheData(summary, f1Hz, f2Hz)) {
        match.problem = BandPastTheData(summary, request);
        return match;
    }
    const analysis::InBandPoints points = analysis::PointsInBand(match.data, f1Hz, f2Hz);
    summary.pointsInBand = points.frequenciesHz.size();
    if (summary.pointsInBand < kMinFitPoints) {
        match.problem = TooFewPoints(fileName, summary.pointsInBand, request);
        return match;
    }
    if (analysis::WithoutResistance(points)) {
        match.problem = NoResistance(fileName, false, request, nullptr);
        return match;
    }

    summary.fits = analysis::FitAllLoads(points);
    for (const analysis::LoadFit &fit : summary.fits)
        summary.problems.push_back(analysis::FitProblem(fit, sourceOhms));
    const std::optional<analysis::LoadFit> chosen =
        analysis::ChooseFit(summary.fits, sourceOhms, request.loadKind);
    if (!chosen) {
        match.problem = request.loadKind
                            ? summary.problems[static_cast<std::size_t>(*request.loadKind)]
                            : "no load kind fits the data on the right side of the source's " +
                                  Figure(sourceOhms) +
                                  " ohms (a series kind below it, a shunt kind above it)";
        return match;
    }
    summary.chosen = *chosen;
    summary.forced = request.loadKind.has_value();
    if (analysis::WithoutResistance(*chosen, points)) {
        match.problem = NoResistance(fileName, false, request, &*chosen);
        return match;
    }

    const DesignInputs inputs = InputsForFit(*chosen, sourceOhms, request);
    match.outcome = Calculate(inputs);
    const analysis::Band band = analysis::BandOf(match.outcome.result.band);
    auto load = std::make_shared<analysis::MeasuredLoad>();
    load->frequenciesHz = match.data.frequenciesHz;
    load->impedanceOhms = match.data.impedanceOhms;
    load->referenceOhms = match.data.referenceOhms;
    load->port = IsSeriesLoad(chosen->type) ? 2 : 1;
    load->exact = request.exact;
    if (chosen->rmsRelativeError > kSimpleModelError)
        UseDataDirectly(points, band, summary, *load);
    analysis::FitSummary *sourceFit = match.source ? &match.source->fit : nullptr;
    if (sourceFit && sourceFit->resonance)
        sourceFit->resonanceGammaLimit = analysis::ResonanceGammaLimit(*sourceFit->resonance, band);
    if (match.dataUsedDirectly()) {
        std::string reason;
        if (sourceFit && sourceFit->dataOnly)
            reason = format::DataOnlyReason(*sourceFit, "source");
        if (summary.dataOnly)
            reason += (reason.empty() ? "" : "; ") + format::DataOnlyReason(summary);
        WithholdDesign(match.outcome, std::move(reason));
    }
    match.outcome.fitLines = format::FitLines(summary, sourceFit);
    if (match.source) {
        auto source = std::make_shared<analysis::MeasuredLoad>();
        source->frequenciesHz = match.source->data.frequenciesHz;
        source->impedanceOhms = match.source->data.impedanceOhms;
        source->referenceOhms = match.source->data.referenceOhms;
        source->port = 3 - load->port;
        source->exact = request.source->exact;
        source->modelDescribes = !sourceFit->dataOnly;
        source->resonance = sourceFit->resonance;
        load->source = std::move(source);
        match.outcome.measuredSourceFile = sourceFit->fileName;
        // The window draws a fit beside its data only where it describes them.
        if (!match.source->resistive && !sourceFit->dataOnly)
            match.outcome.measuredSourceFit = sourceFit->chosen;
        CompareBodeFano(*match.source, *chosen, match.outcome.result);
        const std::vector<std::string> lines =
            format::SourceFitLines(*sourceFit, match.source->resistive);
        match.outcome.fitLines.insert(match.outcome.fitLines.begin(), lines.begin(), lines.end());
    }
    match.outcome.measuredLoad = std::move(load);
    match.outcome.measuredLoadFile = fileName;
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
