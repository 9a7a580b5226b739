#include "session/run/tuning.h"

#include "analysis/two_port.h"
#include "format/analysis_text.h"
#include "format/tuned_report.h"
#include "session/run/measured_match.h"
#include "session/views/schematic.h"

#include <stdexcept>

namespace tevmar::session {

analysis::NetworkAnalysis TunedAnalysis(const analysis::TunedNetwork &tuned,
                                        const DesignResult &tunedResult,
                                        const analysis::AnalysisOptions &options)
{
    // Tolerance trials of a network tuned without a design pass below its own
    // maximum VSWR x 1.1: the relaxed design's figure is for another load.
    analysis::AnalysisOptions tunedOptions = options;
    if (tuned.relaxed && tunedOptions.monteCarlo && tunedOptions.monteCarlo->vswrLimit == 0)
        tunedOptions.monteCarlo->vswrLimit =
            analysis::VswrOf(tuned.tuned.gammaMax) * analysis::kDefaultYieldVswrFactor;
    analysis::NetworkAnalysis a = analysis::AnalyseDesign(tunedResult, tunedOptions);
    a.tuned = true;
    if (tuned.standard && a.standardValues) {
        a.standardValues->ladder = tuned.standard->network;
        a.standardValues->figures = analysis::PassbandFiguresOf(a.standardValues->ladder, a.band);
    }
    return a;
}

TunedResponse TuneForWindow(const CalculateOutcome &design, const ResponseSettings &settings,
                            const std::atomic<bool> *stop)
{
    TunedResponse r;
    try {
        r.tuned = analysis::TuneDesign(design.inputs, design.result, settings.eseries, stop,
                                       design.measuredLoad, settings.tuneRanges,
                                       PartModelsOf(AnalysisSettingsOf(settings)));
        if (!r.tuned) {
            // Tuning a network without its load would answer another question.
            r.problem = design.solved() ? "There is no network to tune."
                                        : "No design absorbs this load, nor any value of it "
                                          "with lower load Q: there is no network to tune.";
            return r;
        }
        const AnalysisSettings analysisSettings = AnalysisSettingsOf(settings);
        r.figures = TunedAnalysis(*r.tuned, analysis::TunedDesignResult(*r.tuned, design.result),
                                  AnalysisOptionsFor(design, analysisSettings));
        r.lines = format::TunedLines(*r.tuned, &*r.figures);
    } catch (const analysis::TuneCancelled &) {
        r = TunedResponse{};
        r.cancelled = true;
        r.problem = "Tuning was cancelled.";
    } catch (const std::exception &e) {
        r = TunedResponse{};
        r.problem = std::string("The network cannot be tuned: ") + e.what() + ".";
    }
    return r;
}

namespace {

std::string StandardName(const analysis::StandardTuneResult &standard)
{
    return "Tuned, " + analysis::SeriesName(standard.series) + " values";
}

} // namespace

void AddTuned(Response &response, const analysis::TunedNetwork &tuned,
              const analysis::NetworkAnalysis *figures)
{
    response.tunePending = false;
    if (figures)
        response.tunedFigures = *figures;
    response.curves.push_back(
        CurveOf("Tuned", tuned.tuned.network, response.frequenciesHz, {}, CurveRole::Tuned));
    response.tuned.push_back({"Tuned", tuned.tuned.gammaMax});
    if (const auto &standard = tuned.standard) {
        response.curves.push_back(CurveOf(StandardName(*standard), standard->network,
                                          response.frequenciesHz, {}, CurveRole::TunedStandard));
        response.tuned.push_back({StandardName(*standard), standard->gammaMax});
    }
}

std::vector<TunedValueRow> TunedValueRows(const analysis::TunedNetwork &tuned)
{
    const analysis::Network &start = tuned.problem.network;
    const analysis::Network &network = tuned.tuned.network;
    std::vector<TunedValueRow> rows;
    for (std::size_t i = 0; i < network.parts.size() && i < start.parts.size(); ++i) {
        TunedValueRow row{analysis::PartName(network, i),
                          PrintedValue(start.parts[i]),
                          PrintedValue(network.parts[i]),
                          {}};
        if (analysis::AtRangeLimit(network.parts[i], tuned.problem.ranges))
            row.tuned += " (range limit)";
        if (tuned.standard)
            row.standard = StandardValue(tuned.standard->network.parts[i]);
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string TunedValuesText(const TunedResponse &t)
{
    if (!t.tuned)
        return {};
    std::string text;
    for (const std::string &line : t.lines)
        text += line + "\n";
    text += "\nPart\tDesign\tTuned";
    if (t.tuned->standard)
        text += "\t" + StandardName(*t.tuned->standard);
    text += "\n";
    for (const TunedValueRow &row : TunedValueRows(*t.tuned))
        text += row.part + "\t" + row.design + "\t" + row.tuned +
                (row.standard.empty() ? "" : "\t" + row.standard) + "\n";
    return text;
}

} // namespace tevmar::session
