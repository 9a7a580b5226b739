#include "session/views/response.h"

#include "analysis/model/termination.h"
#include "engine/design.h"
#include "format/analysis_text.h"
#include "format/goal_report.h"
#include "session/run/measured_match.h"
#include "session/run/study.h"
#include "units/quantity.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace tevmar::session {

AnalysisSettings AnalysisSettingsOf(const ResponseSettings &s)
{
    AnalysisSettings settings;
    if (!s.sweepFollowsBand) {
        settings.sweep.fromGhz = s.fromGhz;
        settings.sweep.toGhz = s.toGhz;
    }
    settings.sweep.points = s.points;
    settings.sweep.logarithmic = s.logarithmic;
    settings.eseries = s.eseries;
    settings.inductorQ = s.inductorQ;
    settings.capacitorQ = s.capacitorQ;
    settings.qModel = s.qModel;
    settings.tolerance = ToleranceSettings{s.trials, s.tolerancePercent, kDefaultSeed, s.yieldVswr};
    settings.tuneRanges = s.tuneRanges;
    settings.inductorChip = s.inductorChip;
    settings.capacitorChip = s.capacitorChip;
    settings.padPf = s.padPf;
    settings.srfMarginPercent = s.srfMarginPercent;
    return settings;
}

std::string SettingsProblem(const ResponseSettings &s, const analysis::Band &band)
{
    if (s.points < kMinResponsePoints || s.points > kMaxResponsePoints)
        return "The sweep needs " + std::to_string(kMinResponsePoints) + " to " +
               std::to_string(kMaxResponsePoints) + " points.";
    const analysis::SweepPlan plan = SweepPlanOf(AnalysisSettingsOf(s).sweep, band);
    const bool positive = std::isfinite(plan.startHz) && std::isfinite(plan.stopHz) &&
                          plan.startHz > 0 && plan.stopHz > 0;
    if (positive && plan.startHz >= plan.stopHz)
        return "The sweep's start must lie below its stop.";
    if (const std::string problem = analysis::SweepPlanError(plan); !problem.empty())
        return "The sweep cannot be made: " + problem + ".";
    for (const std::optional<double> &q : {s.inductorQ, s.capacitorQ})
        if (q && !(std::isfinite(*q) && *q > 0))
            return "A component Q must be a positive number.";
    if (s.trials < 1 || s.trials > kMaxResponseTrials)
        return "The tolerance trials must number 1 to " + std::to_string(kMaxResponseTrials) + ".";
    if (!(s.tolerancePercent >= 0 && s.tolerancePercent < 100))
        return "The tolerance must be at least 0 and below 100 %.";
    if (s.yieldVswr && !YieldVswrProblem(*s.yieldVswr).empty())
        return "The yield limit must be a VSWR above 1.";
    if (!(s.srfMarginPercent >= 0 && s.srfMarginPercent <= analysis::kHighestSrfMarginPercent))
        return "The resonance margin must be 0 to " + Figure(analysis::kHighestSrfMarginPercent) +
               " %.";
    return {};
}

std::string SettingsProblem(const ResponseSettings &settings, const CalculateOutcome &design)
{
    // Several bands: the sweep reaches from the lowest to the highest.
    if (settings.bands.several())
        return SettingsProblem(settings, settings.bands.goal.Span());
    return SettingsProblem(settings, design.network ? design.network->band
                                                    : analysis::BandOf(design.result.band));
}

bool InPassband(const Response &response, double hz)
{
    if (response.goal.empty())
        return hz >= response.analysis.band.lowHz && hz <= response.analysis.band.highHz;
    return std::ranges::any_of(response.goal.bands, [hz](const analysis::GoalBand &b) {
        return !b.reject && hz >= b.band.lowHz && hz <= b.band.highHz;
    });
}

ResponseCurve CurveOf(std::string name, const analysis::Network &ladder,
                      const std::vector<double> &frequenciesHz, const analysis::LossModel &losses,
                      CurveRole role)
{
    // The curve keeps the network as designed; its points carry the loss.
    // Without a loss model the points are the network's own, its parts'
    // models included, so that a mark evaluated on the network lies on them.
    ResponseCurve curve{std::move(name), ladder, {}, {}, role};
    const analysis::Network evaluated =
        losses.lossless() ? ladder : analysis::WithLosses(ladder, losses);
    curve.points = analysis::EvaluateOver(evaluated, frequenciesHz);
    for (const double seconds : analysis::GroupDelayOver(evaluated, frequenciesHz))
        curve.groupDelayNs.push_back(units::Nanoseconds(seconds));
    return curve;
}

namespace {

// The fitted model's impedance: the port resistance with the absorbed
// reactance in series (port 2) or across it (port 1).
analysis::Complex ModelLoadOhms(const analysis::Network &model, double frequencyHz)
{
    return analysis::ModelLoadTerminationOf(model).ImpedanceAt(frequencyHz);
}

// A fitted kind's impedance at a frequency: R + jX in series, R and jX across.
analysis::Complex FitOhms(const analysis::LoadFit &fit, double frequencyHz)
{
    const analysis::Complex x(
        0, analysis::FittedReactanceOhms(fit, 2 * std::numbers::pi * frequencyHz));
    return IsSeriesLoad(fit.type) ? fit.resistanceOhms + x
                                  : fit.resistanceOhms * x / (fit.resistanceOhms + x);
}

// The measured source and its fit, conjugated, for the Smith chart.
void AddSource(LoadTraces &load, const CalculateOutcome &design,
               const std::vector<double> &frequenciesHz)
{
    const analysis::MeasuredLoad *source = design.measuredLoad->source.get();
    if (!source)
        return;
    load.sourceHz = source->frequenciesHz;
    for (const analysis::Complex z : source->impedanceOhms)
        load.sourceConjugateOhms.push_back(std::conj(z));
    if (design.measuredSourceFit)
        for (const double f : frequenciesHz)
            load.sourceModelConjugateOhms.push_back(
                std::conj(FitOhms(*design.measuredSourceFit, f)));
}

// The network into the fitted model beside the curves into the data, and the
// load itself for the Smith chart.
void AddFittedModel(Response &r, const CalculateOutcome &design)
{
    analysis::Network model = r.analysis.full;
    model.measured = nullptr;
    r.curves.push_back(
        CurveOf("Into the fitted model", model, r.frequenciesHz, {}, CurveRole::FittedModel));
    r.intoFittedModel = analysis::PassbandFiguresOf(model, r.analysis.band);
    if (!model.load)
        return;
    const analysis::MeasuredLoad &measured = *design.measuredLoad;
    LoadTraces load;
    load.referenceOhms = measured.port == 2 ? model.port1Ohms : model.port2Ohms;
    load.measuredHz = measured.frequenciesHz;
    load.measuredOhms = measured.impedanceOhms;
    for (const double f : r.frequenciesHz)
        load.modelOhms.push_back(ModelLoadOhms(model, f));
    load.fitLines = design.fitLines;
    AddSource(load, design, r.frequenciesHz);
    r.load = std::move(load);
}

} // namespace

Response ComputeResponse(const CalculateOutcome &design, const ResponseSettings &settings,
                         Trials trials, Study *study)
{
    Response r;
    r.problem = SettingsProblem(settings, design);
    if (!r.problem.empty())
        return r;
    try {
        const analysis::DesignedNetwork &designed = DesignedOf(design);
        const analysis::Band &band = designed.band;
        const AnalysisSettings analysisSettings = AnalysisSettingsOf(settings);
        const bool several = settings.bands.several();
        // Several bands: the sweep spans them all, as the command line's.
        r.plan = SweepPlanOf(analysisSettings.sweep, several ? settings.bands.goal.Span() : band);
        analysis::AnalysisOptions options = AnalysisOptionsFor(design, analysisSettings);
        if (several) {
            // The trials and the sensitivity judge one band's |S11|: over
            // several bands each band's own figure is given instead.
            options.monteCarlo.reset();
            options.sensitivity = false;
            r.goal = settings.bands.goal;
            r.bandFigures = analysis::GoalFiguresOf(designed.full, r.goal);
        } else if (trials == Trials::Later) {
            options.monteCarlo.reset();
            options.sensitivity = false;
            r.trialsPending = true;
        }
        r.analysis = study ? study->Analyse(design, designed, options)
                           : analysis::AnalyseDesign(designed, options);
        r.frequenciesHz = analysis::SweepFrequencies(r.plan);
        r.curves.push_back(CurveOf("Full precision", r.analysis.full, r.frequenciesHz));
        // With part models `full` is the network as built: the same values
        // with ideal parts are drawn beside it, and the legend says which.
        if (r.analysis.asBuilt) {
            r.curves.back().name = "Full precision, as built";
            r.curves.push_back(CurveOf("Full precision, ideal parts",
                                       analysis::WithLosses(r.analysis.full, {}), r.frequenciesHz,
                                       {}, CurveRole::Ideal));
        }
        r.curves.push_back(
            CurveOf("As printed", r.analysis.printed, r.frequenciesHz, {}, CurveRole::Printed));
        if (const auto &snapped = r.analysis.standardValues)
            r.curves.push_back(CurveOf(analysis::SeriesName(snapped->series) + " values",
                                       snapped->ladder, r.frequenciesHz, {}, CurveRole::Standard));
        // An amplifier's side is between a source and a transistor's port,
        // not a fitted load: there is no model to draw beside its data.
        if (design.measuredLoad && design.origin.source != NetworkSource::AmplifierSide)
            AddFittedModel(r, design);
        // A side is named as itself: it has no synthesis to be checked
        // against and no values rounded for a report.
        if (design.origin.source == NetworkSource::AmplifierSide)
            NameAsCandidate(r, design.origin.rank == 1 ? "Input network" : "Output network");
        if (const auto &q = r.analysis.finiteQ; q && !r.analysis.asBuilt)
            r.withLosses = CurveOf("Full precision with Q", r.analysis.full, r.frequenciesHz,
                                   q->losses, CurveRole::Full);
    } catch (const std::exception &e) {
        r = Response{};
        r.problem = std::string("The response cannot be computed: ") + e.what() + ".";
    }
    return r;
}

double AutomaticYieldVswr(const CalculateOutcome &design)
{
    return design.network ? design.network->vswrMax * analysis::kDefaultYieldVswrFactor : 0;
}

std::optional<LaterFigures> RunLaterFigures(const std::atomic<bool> &stop,
                                            const CalculateOutcome &design,
                                            const ResponseSettings &settings,
                                            std::atomic<int> *trialsDone)
{
    if (!design.network || settings.bands.several() || !SettingsProblem(settings, design).empty())
        return std::nullopt;
    const analysis::Band &band = design.network->band;
    const analysis::AnalysisOptions options = AnalysisOptionsOf(AnalysisSettingsOf(settings));
    analysis::YieldOptions yield = *options.monteCarlo;
    if (yield.vswrLimit == 0)
        yield.vswrLimit = design.network->vswrMax * analysis::kDefaultYieldVswrFactor;
    try {
        analysis::Network full = design.network->full;
        full.measured = design.measuredLoad;
        std::optional<analysis::YieldResult> trials =
            analysis::RunMonteCarloUnless(stop, full, band, yield, trialsDone);
        if (!trials)
            return std::nullopt;
        return LaterFigures{std::move(*trials), analysis::SensitivityOf(full, band)};
    } catch (const std::exception &) {
        return std::nullopt; // the figures say why when the curves are computed
    }
}

namespace {

FigureRow NetworkRow(const std::string &figure, double gamma, double vswr)
{
    return {figure, Figure(gamma, 4), Figure(vswr, 5), {}};
}

FigureRow TextRow(const std::string &figure, const std::string &text)
{
    return {figure, {}, {}, text};
}

std::string QText(const std::optional<double> &q)
{
    return q ? Figure(*q, 4) : std::string("ideal");
}

void AddFiniteQ(std::vector<FigureRow> &rows, const analysis::FiniteQLoss &q,
                const std::string &prefix = {})
{
    const analysis::LossModel &m = q.losses;
    const std::string parts = m.inductorChip || m.capacitorChip || m.padPf > 0
                                  ? "Loss, parts as built"
                                  : "Loss, QL " + QText(m.inductorQ) + " QC " + QText(m.capacitorQ);
    rows.push_back(TextRow(prefix + parts, format::InsertionLossRange(q) + " dB in band"));
    rows.push_back(TextRow(prefix + "Loss at centre", Figure(q.centreInsertionLossDb, 4) + " dB"));
}

void AddYield(std::vector<FigureRow> &rows, const analysis::YieldResult &y,
              const std::string &prefix = {})
{
    rows.push_back(TextRow(prefix + "Yield \u00B1" + Figure(y.options.tolerancePercent, 4) +
                               " %, " + std::to_string(y.options.trials) + " trials",
                           format::YieldBelowLimit(y, 5)));
    rows.push_back(TextRow(prefix + "VSWR 50/90/99 %", Figure(y.vswrP50, 5) + " / " +
                                                           Figure(y.vswrP90, 5) + " / " +
                                                           Figure(y.vswrP99, 5)));
}

// The three parts that move the in-band |S11| maximum most.
void AddSensitivity(std::vector<FigureRow> &rows, const analysis::NetworkAnalysis &a,
                    const std::string &prefix = {})
{
    std::string text;
    for (std::size_t i = 0; i < a.sensitivity.size() && i < 3; ++i) {
        const analysis::PartSensitivity &p = a.sensitivity[i];
        const double change = p.gammaMaxChangePerPercent;
        text += (i ? ", " : "") + analysis::PartName(a.full, p.index) + " " +
                (change >= 0 ? "+" : "") + Figure(change, 2);
    }
    if (!text.empty())
        rows.push_back(TextRow(prefix + "Most sensitive, per +1 %", text + " in |S11| max"));
}

void AddBelowChipRange(std::vector<FigureRow> &rows, const analysis::Network &ladder)
{
    const std::string text = format::BelowChipRangeParts(ladder);
    if (!text.empty())
        rows.push_back(TextRow("Below chip range", text + ": no chip part this small"));
}

} // namespace

void NameAsCandidate(Response &response, const std::string &name)
{
    response.candidate = name;
    std::erase_if(response.curves,
                  [](const ResponseCurve &c) { return c.role == CurveRole::Printed; });
    for (ResponseCurve &curve : response.curves)
        if (curve.role == CurveRole::Full)
            curve.name = name;
}

std::string InBandMaxName(const Response &response)
{
    return response.candidate.empty() ? "design ripple max" : response.candidate + " in-band max";
}

namespace {

// Against several bands: the drawn network's figure in each band, as the
// command line's candidates give it; the figures of one band's |S11| (the
// trials, the sensitivity, the loss over F1 to F2) answer another question.
// One network's figure in each band of the goal, its rows named `name`.
void AddBandRows(std::vector<FigureRow> &rows, const std::string &name, const analysis::Goal &goal,
                 const std::vector<analysis::GoalBandFigure> &figures, bool limits)
{
    for (std::size_t k = 0; k < goal.bands.size() && k < figures.size(); ++k) {
        const analysis::GoalBand &b = goal.bands[k];
        const analysis::GoalBandFigure &f = figures[k];
        const std::string band = format::BandText(b.band);
        if (b.reject)
            rows.push_back(TextRow(name + ", reject " + band,
                                   "|S21| " + Figure(20 * std::log10(f.worst), 3) +
                                       " dB at most (allowed " +
                                       Figure(20 * std::log10(b.level), 3) + " dB)"));
        else if (f.lossy)
            rows.push_back(TextRow(name + ", " + band,
                                   "loss " + Figure(-10 * std::log10(1 - f.worst * f.worst), 4) +
                                       " dB at most"));
        else
            rows.push_back(NetworkRow(name + ", " + band, f.worst, analysis::VswrOf(f.worst)));
        if (limits && !b.reject && b.limitGiven)
            rows.push_back(TextRow("  limit", "|S11| " + Figure(b.level, 4)));
    }
}

// Against several bands: the drawn network's figure in each band, as the
// command line's candidates give it, and the network with parts stepped by
// hand beside it; the figures of one band's |S11| (the trials, the
// sensitivity, the loss over F1 to F2) answer another question.
std::vector<FigureRow> BandRows(const Response &response)
{
    std::vector<FigureRow> rows;
    AddBandRows(rows, response.candidate.empty() ? "Network" : response.candidate, response.goal,
                response.bandFigures, true);
    if (const auto &stepped = response.stepped)
        AddBandRows(rows, "Stepped: " + stepped->parts, response.goal,
                    analysis::GoalFiguresOf(response.analysis.full, response.goal), false);
    rows.push_back(TextRow("Bode\u2013Fano limit", "none in closed form for several bands"));
    AddBelowChipRange(rows, response.analysis.full);
    rows.push_back(TextRow("Tolerance trials", "one band at a time; not run over several bands"));
    return rows;
}

} // namespace

std::vector<FigureRow> FigureRows(const Response &response)
{
    if (!response.goal.empty())
        return BandRows(response);
    const analysis::NetworkAnalysis &a = response.analysis;
    const double designed = a.selfCheck.designGammaMax;
    const bool candidate = !response.candidate.empty();
    std::vector<FigureRow> rows;
    if (candidate) {
        rows.push_back(
            NetworkRow(response.candidate, a.selfCheck.full.gammaMax, a.selfCheck.full.vswrMax));
    } else {
        rows.push_back(NetworkRow("Design ripple", designed, analysis::VswrOf(designed)));
        rows.push_back(
            NetworkRow("Full precision", a.selfCheck.full.gammaMax, a.selfCheck.full.vswrMax));
        rows.push_back(
            NetworkRow("As printed", a.selfCheck.printed.gammaMax, a.selfCheck.printed.vswrMax));
    }
    if (const auto &built = a.asBuilt) {
        rows.push_back(NetworkRow("As built", built->figures.gammaMax, built->figures.vswrMax));
        rows.push_back(TextRow("As built, loss", Figure(built->lossDbMax, 4) + " dB at most"));
    }
    if (const auto &stepped = response.stepped)
        rows.push_back(NetworkRow("Stepped: " + stepped->parts, stepped->figures.gammaMax,
                                  stepped->figures.vswrMax));
    if (const auto &v = a.standardValues)
        rows.push_back(NetworkRow(analysis::SeriesName(v->series) + " values", v->figures.gammaMax,
                                  v->figures.vswrMax));
    for (const TunedFigure &t : response.tuned)
        rows.push_back(NetworkRow(t.name, t.gammaMax, analysis::VswrOf(t.gammaMax)));
    if (response.tunePending)
        rows.push_back(TextRow("Tuned network", "tuning\u2026"));
    if (a.bodeFano.applicable)
        rows.push_back(
            NetworkRow("Bode\u2013Fano limit", a.bodeFano.gammaLimit, a.bodeFano.vswrLimit));
    else
        rows.push_back(TextRow("Bode\u2013Fano limit", "none: nothing absorbed"));
    if (const auto &model = response.intoFittedModel) {
        rows.push_back(NetworkRow("Into the fitted model", model->gammaMax, model->vswrMax));
        rows.push_back(
            TextRow("Network check", "into the measured load; the design is for its fit"));
    } else if (!candidate) {
        rows.push_back(TextRow("Network check", a.selfCheck.agrees ? "agrees with the design"
                                                                   : "DISAGREES with the design"));
    }
    if (response.trialsCancelled)
        rows.push_back(TextRow("Most sensitive, per +1 %", "cancelled"));
    else if (response.trialsPending)
        rows.push_back(TextRow("Most sensitive, per +1 %", "running\u2026"));
    else
        AddSensitivity(rows, a);
    AddBelowChipRange(rows, a.full);
    if (a.finiteQ)
        AddFiniteQ(rows, *a.finiteQ);
    if (a.yield)
        AddYield(rows, *a.yield);
    else if (response.trialsCancelled)
        rows.push_back(TextRow("Tolerance trials", "cancelled"));
    else if (response.trialsPending)
        rows.push_back(TextRow("Tolerance trials", "running\u2026"));
    if (const auto &t = response.tunedFigures) {
        const std::string tuned = "Tuned: ";
        AddSensitivity(rows, *t, tuned);
        if (t->finiteQ)
            AddFiniteQ(rows, *t->finiteQ, tuned);
        if (t->yield)
            AddYield(rows, *t->yield, tuned);
    }
    return rows;
}

namespace {

std::string LoadText(LoadType type, double value)
{
    return std::string(NamesOf(type).phrase) + " " + Figure(value, 6) +
           (IsInductiveLoad(type) ? " nH" : " pF") + " absorbed";
}

} // namespace

std::string DesignSummary(const CalculateOutcome &d)
{
    const analysis::Band band = d.network ? d.network->band : analysis::BandOf(d.result.band);
    const std::string edges = ", " + Figure(units::Frequency::FromHz(band.lowHz).ghz(), 6) +
                              " to " + Figure(units::Frequency::FromHz(band.highHz).ghz(), 6) +
                              " GHz";
    std::string text;
    if (d.origin.source == NetworkSource::AmplifierSide && d.network) {
        const bool input = d.origin.rank == 1;
        return std::string(input ? "Amplifier input network (source to device), "
                                 : "Amplifier output network (device to load), ") +
               d.origin.topology + ", " + std::to_string(d.origin.parts) + " parts" + edges +
               (input ? "; figures between the source and the transistor's input, with the "
                        "output network and the load behind it"
                      : "; figures between the transistor's output, with the input network and "
                        "the source behind it, and the load") +
               ". Its parts are shown as built: tune, candidates, kit and bands apply to designs.";
    }
    if (d.origin.candidate() && d.network) {
        const analysis::Network &network = d.network->full;
        text = "Candidate " + std::to_string(d.origin.rank) + ", " + d.origin.topology + ", " +
               std::to_string(d.origin.parts) + " parts" + edges + ", " +
               Figure(PrintedElementValue(network.port1Ohms), 6) + " \u03A9 to " +
               Figure(PrintedElementValue(network.port2Ohms), 6) + " \u03A9";
        text += network.load ? ", " + LoadText(network.load->type, network.load->element.value)
                             : ", nothing absorbed";
    } else {
        const std::vector<ElementRow> &table = d.result.table;
        text = "Order " + std::to_string(2 * d.result.n) + edges;
        if (table.size() >= 2)
            text += ", " + Figure(table.front().value, 6) + " \u03A9 to " +
                    Figure(table.back().value, 6) + " \u03A9";
        text += d.result.absorbed ? ", " + LoadText(d.inputs.loadType, d.result.typed.absorbedValue)
                                  : ", nothing absorbed";
    }
    if (d.measuredLoad)
        text += (d.measuredSourceFile.empty()
                     ? "; figures into the load measured in "
                     : "; figures between the source measured in " + d.measuredSourceFile +
                           " and the load measured in ") +
                d.measuredLoadFile;
    return text;
}

} // namespace tevmar::session
