#include "session/run/result_tree.h"

#include "format/candidates_report.h"
#include "format/device_report.h"
#include "format/export_json.h"
#include "format/kit_report.h"
#include "format/load_fit_report.h"
#include "format/tuned_report.h"

#include <cmath>

namespace tevmar::session {

ResultTree DesignElementsTree(const Outcome &outcome)
{
    if (!outcome.design.solved())
        return nullptr;
    return format::DesignElementsJson(outcome.design.result);
}

ResultTree MeasuredLoadTree(const Outcome &outcome)
{
    if (!outcome.match)
        return nullptr;
    return format::MeasuredLoadJson(outcome.match->fit);
}

ResultTree MeasuredSourceTree(const Outcome &outcome)
{
    if (!outcome.match || !outcome.match->source)
        return nullptr;
    const SourceMatch &source = *outcome.match->source;
    ResultTree document = ResultTree::object();
    format::AddSourceFitJson(document, source.fit, source.resistive, source.bodeFano);
    ResultTree measured = std::move(document["measuredSource"]);
    measured["dataUsedDirectly"] = source.fit.dataOnly;
    return measured;
}

ResultTree TunedTree(const Outcome &outcome)
{
    if (!outcome.tuned)
        return nullptr;
    ResultTree tuned = format::TunedJson(*outcome.tuned);
    if (outcome.tunedKit)
        format::PutTunedOnKitJson(tuned, *outcome.tunedKit);
    return tuned;
}

ResultTree TunedKitElementsTree(const Outcome &outcome)
{
    if (!outcome.tunedKit)
        return nullptr;
    return format::KitNetworkElementsJson(outcome.tunedKit->network);
}

ResultTree CandidatesTree(const Outcome &outcome)
{
    if (!outcome.candidates)
        return ResultTree::array();
    ResultTree candidates = format::CandidatesJson(*outcome.candidates);
    if (outcome.kit)
        format::PutCandidatesOnKitJson(
            candidates, outcome.kitChoices,
            outcome.kit->lowHz > 0 ? std::sqrt(outcome.kit->lowHz * outcome.kit->highHz) : 0);
    return candidates;
}

format::AmplifierReport AmplifierReportOf(const AmplifierInput &input, const AmplifierOutcome &a)
{
    format::AmplifierReport report{a.fileName,
                                   a.data.referenceOhms,
                                   a.source,
                                   a.load,
                                   a.amplifier,
                                   input.sourceS1p.value_or(""),
                                   input.loadS1p.value_or("")};
    // Each network's path at the band's geometric centre, as the Smith
    // charts draw it.
    const double centreHz =
        std::sqrt(a.amplifier.stability.bandFromHz * a.amplifier.stability.bandToHz);
    if (std::isfinite(centreHz) && centreHz > 0) {
        report.inputPath =
            analysis::AmplifierSidePath(a.data, a.amplifier, a.source, a.load, 1, centreHz);
        report.outputPath =
            analysis::AmplifierSidePath(a.data, a.amplifier, a.source, a.load, 2, centreHz);
    }
    return report;
}

ResultTree AmplifierTree(const Request &request, const Outcome &outcome)
{
    if (!request.amplifier || !outcome.amplifier)
        return nullptr;
    return format::AmplifierDocumentJson(AmplifierReportOf(*request.amplifier, *outcome.amplifier));
}

ResultTree DeviceTree(const Outcome &outcome)
{
    if (!outcome.device)
        return nullptr;
    const DeviceOutcome &d = *outcome.device;
    return format::DeviceDocumentJson(
        {d.fileName, d.data.referenceOhms, d.points, d.pointsInBand, d.stride});
}

std::string ResultText(const ResultTree &tree)
{
    return format::DocumentText(tree);
}

void AnalyseDesign(const Request &request, Outcome &outcome)
{
    if (outcome.analysis || !outcome.design.solved())
        return;
    outcome.analysis = analysis::AnalyseDesign(
        DesignedOf(outcome.design), AnalysisOptionsFor(outcome.design, request.settings));
}

std::string ResultDocument(const Request &request, Outcome &outcome)
{
    if (request.json || !outcome.document.empty())
        return outcome.document;
    if (!outcome.design.solved())
        return format::DesignJson(outcome.design.inputs, outcome.design.result, {}, nullptr);
    AnalyseDesign(request, outcome);
    return ExportText(ExportKind::Json, outcome.design, *outcome.analysis, {});
}

} // namespace tevmar::session
