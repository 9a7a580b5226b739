#include "session/run/tuning.h"

#include "analysis/model/two_port.h"
#include "format/analysis_text.h"
#include "format/tuned_report.h"
#include "report/number_format.h"
#include "session/run/kit_parts.h"
#include "session/run/measured_match.h"
#include "session/views/candidates.h"
#include "session/views/schematic.h"

#include <stdexcept>

namespace tevmar::session {

analysis::DesignedNetwork TunedDesign(const analysis::TunedNetwork &tuned,
                                      const CalculateOutcome &design)
{
    analysis::DesignedNetwork d;
    if (tuned.relaxed) {
        const DesignResult &start = tuned.relaxed->design;
        d.band = analysis::BandOf(start.band);
        d.gammaMax = start.GammaMax;
        d.gammaMin = start.GammaMin;
        d.vswrMax = start.Smax;
        // The limit is the true load's, over the relaxed design's band.
        d.bodeFano =
            analysis::BodeFanoOf(tuned.problem.network, d.band, start.band.Qt, start.GammaMax);
    } else if (!design.network && tuned.problem.network.measured) {
        // No design shown (a measured load its fitted kind does not
        // describe): the tuned network's own figures stand in for one.
        d.band = tuned.problem.band;
        d.gammaMax = tuned.tuned.gammaMax;
        d.vswrMax = analysis::VswrOf(d.gammaMax);
        d.bodeFano =
            analysis::BodeFanoOf(tuned.problem.network, d.band,
                                 d.band.centreHz / (d.band.highHz - d.band.lowHz), d.gammaMax);
    } else {
        d = DesignedOf(design);
    }
    d.full = tuned.tuned.network;
    d.full.measured = nullptr;
    return d;
}

analysis::NetworkAnalysis TunedAnalysis(const analysis::TunedNetwork &tuned,
                                        const CalculateOutcome &design,
                                        const analysis::AnalysisOptions &options)
{
    // Tolerance trials of a network tuned without a design pass below its own
    // maximum VSWR x 1.1: the relaxed design's figure is for another load.
    analysis::AnalysisOptions tunedOptions = options;
    if ((tuned.relaxed || !design.network) && tunedOptions.monteCarlo &&
        tunedOptions.monteCarlo->vswrLimit == 0)
        tunedOptions.monteCarlo->vswrLimit =
            analysis::VswrOf(tuned.tuned.gammaMax) * analysis::kDefaultYieldVswrFactor;
    analysis::NetworkAnalysis a = analysis::AnalyseDesign(TunedDesign(tuned, design), tunedOptions);
    a.tuned = true;
    if (tuned.standard && a.standardValues) {
        a.standardValues->ladder = tuned.standard->network;
        a.standardValues->figures = analysis::PassbandFiguresOf(a.standardValues->ladder, a.band);
    }
    return a;
}

TunedResponse TuneForWindow(Study &study, const CalculateOutcome &design,
                            const ResponseSettings &settings, const std::atomic<bool> *stop)
{
    TunedResponse r;
    const bool onKit = !settings.partsFolder.empty();
    const SearchChoices choices = SearchChoicesOf(settings);
    try {
        r.tuned = study.Tune(design, choices, stop);
        if (!r.tuned) {
            // Tuning a network without its load would answer another question.
            r.problem = design.solved() ? "There is no network to tune."
                                        : "No design absorbs this load, nor any value of it "
                                          "with lower load Q: there is no network to tune.";
            return r;
        }
        const AnalysisSettings analysisSettings = AnalysisSettingsOf(settings);
        r.figures = TunedAnalysis(*r.tuned, design, AnalysisOptionsFor(design, analysisSettings));
        r.lines = format::TunedLines(*r.tuned, &*r.figures);
        if (onKit) {
            const analysis::Band &band = r.tuned->problem.band;
            const analysis::KitReading kit =
                study.Kit(settings.partsFolder, band, settings.srfMarginPercent);
            if (!kit.problem.empty()) {
                r.lines.push_back("Not on the kit's parts: " + kit.problem);
            } else {
                r.kit = study.TunedOnKit(design, choices, *r.tuned, settings.partsFolder, kit.kit,
                                         stop);
                r.lines.push_back("On the kit's parts: in-band max |S11| " +
                                  Figure(r.kit->figures.gammaMax, 4) + ", loss " +
                                  Figure(r.kit->figures.lossDbMax, 3) + " dB");
            }
        }
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

TunedResponse TuneForWindow(const CalculateOutcome &design, const ResponseSettings &settings,
                            const std::atomic<bool> *stop)
{
    Study study;
    return TuneForWindow(study, design, settings, stop);
}

namespace {

constexpr const char *kKitTunedName = "Tuned, kit parts";

std::string StandardName(const analysis::StandardTuneResult &standard)
{
    return "Tuned, " + analysis::SeriesName(standard.series) + " values";
}

} // namespace

void AddTuned(Response &response, const analysis::TunedNetwork &tuned,
              const analysis::NetworkAnalysis *figures, const analysis::KitChoice *kit)
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
    if (kit) {
        // Past a kit part's data its impedance holds at the last measured
        // point, as a measured load's does: every curve keeps the one sweep.
        response.curves.push_back(CurveOf(kKitTunedName, kit->network, response.frequenciesHz, {},
                                          CurveRole::TunedStandard));
        response.tuned.push_back({kKitTunedName, kit->figures.gammaMax});
    }
}

std::vector<TunedValueRow> TunedValueRows(const analysis::TunedNetwork &tuned,
                                          const analysis::KitChoice *kit)
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
        // A part near its resonance's limit is marked as one at a range limit.
        constexpr const char *kNear = " (near resonance)";
        if (format::NearResonanceLimit(network.parts[i], tuned.problem))
            row.tuned += kNear;
        const analysis::Part *built = nullptr;
        if (kit && i < kit->network.parts.size()) {
            built = &kit->network.parts[i];
            row.standard = KitPartText(*built);
        } else if (tuned.standard) {
            built = &tuned.standard->network.parts[i];
            row.standard = StandardValue(*built);
        }
        if (built && format::NearResonanceLimit(*built, tuned.problem))
            row.standard += kNear;
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
    if (t.kit)
        text += "\t" + std::string(kKitTunedName);
    else if (t.tuned->standard)
        text += "\t" + StandardName(*t.tuned->standard);
    text += "\n";
    for (const TunedValueRow &row : TunedValueRows(*t.tuned, t.kit ? &*t.kit : nullptr))
        text += row.part + "\t" + row.design + "\t" + row.tuned +
                (row.standard.empty() ? "" : "\t" + row.standard) + "\n";
    return text;
}

} // namespace tevmar::session
