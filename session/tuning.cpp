#include "session/tuning.h"

#include "analysis/tuned_report.h"

#include <stdexcept>

namespace tevmar::session {

analysis::NetworkAnalysis TunedAnalysis(const analysis::TunedNetwork &tuned,
                                        const DesignResult &tunedResult,
                                        const analysis::AnalysisOptions &options)
{
    analysis::NetworkAnalysis a = analysis::AnalyseDesign(tunedResult, options);
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
                                       design.measuredLoad);
        if (!r.tuned) {
            r.problem = "There is no network to tune.";
            return r;
        }
        const DesignResult &start = r.tuned->relaxed ? r.tuned->relaxed->design : design.result;
        const analysis::Band band = analysis::BandOf(start.band);
        if (const std::string problem = SettingsProblem(settings, band); !problem.empty()) {
            r.problem = problem;
            return r;
        }
        const std::vector<double> frequencies =
            analysis::SweepFrequencies(SweepPlanOf(AnalysisSettingsOf(settings).sweep, band));
        r.curves.push_back(CurveOf("Tuned", r.tuned->tuned.network, frequencies));
        if (const auto &standard = r.tuned->standard)
            r.curves.push_back(
                CurveOf("Tuned, " + analysis::SeriesName(standard->series) + " values",
                        standard->network, frequencies));
        r.lines = analysis::TunedLines(*r.tuned);
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

} // namespace tevmar::session
