#include "session/options/analysis_settings.h"

#include "format/analysis_text.h"
#include "units/quantity.h"

#include <cmath>

namespace tevmar::session {

analysis::SweepPlan SweepPlanOf(const SweepSettings &sweep, const analysis::Band &band)
{
    analysis::SweepPlan plan = analysis::DefaultSweep(band);
    if (sweep.fromGhz)
        plan.startHz = units::Frequency::FromGHz(*sweep.fromGhz).hz();
    if (sweep.toGhz)
        plan.stopHz = units::Frequency::FromGHz(*sweep.toGhz).hz();
    plan.points = sweep.points;
    plan.logarithmic = sweep.logarithmic;
    // A range or steps of the engineer's own are swept exactly as asked.
    if (sweep.fromGhz || sweep.toGhz || !sweep.logarithmic)
        plan.denseLowHz = plan.denseHighHz = 0;
    return plan;
}

std::optional<SweepProblem> CheckSweep(const SweepSettings &sweep, const analysis::Band &band,
                                       const SweepEndNames &names)
{
    const analysis::SweepPlan plan = SweepPlanOf(sweep, band);
    if (plan.startHz > plan.stopHz) {
        const std::string from = Figure(units::Frequency::FromHz(plan.startHz).ghz()) + " GHz";
        const std::string to = Figure(units::Frequency::FromHz(plan.stopHz).ghz()) + " GHz";
        if (sweep.fromGhz && sweep.toGhz)
            return SweepProblem{SweepSetting::From, from + " lies above " + names.to + ", " + to};
        if (sweep.fromGhz)
            return SweepProblem{SweepSetting::From, from + " lies above the sweep's stop, " + to +
                                                        " (twice the upper band edge)"};
        return SweepProblem{SweepSetting::To, to + " lies below the sweep's start, " + from +
                                                  " (half the lower band edge)"};
    }
    // Beyond these ends the figures lose their digits (a log step from 1e-300 Hz).
    for (const double hz : {plan.startHz, plan.stopHz}) {
        if (!std::isfinite(hz) || hz <= 0)
            break; // SweepPlanError below names it
        if (hz < units::Frequency::FromGHz(kLowestSweepGhz).hz() ||
            hz > units::Frequency::FromGHz(kHighestSweepGhz).hz()) {
            const SweepSetting setting = hz == plan.startHz ? SweepSetting::From : SweepSetting::To;
            return SweepProblem{setting,
                                Figure(units::Frequency::FromHz(hz).ghz()) +
                                    " GHz lies outside the sweep's range, 1 Hz to 1e9 GHz"};
        }
    }
    if (plan.points > 1 && plan.startHz == plan.stopHz) {
        const std::string points = std::to_string(plan.points);
        return SweepProblem{SweepSetting::Points, "a sweep of " + points + " points needs " +
                                                      names.from + " below " + names.to};
    }
    if (plan.points == 1 && plan.startHz != plan.stopHz)
        return SweepProblem{SweepSetting::Points, std::string("a sweep of 1 point needs ") +
                                                      names.from + " and " + names.to + " equal"};
    if (std::string problem = analysis::SweepPlanError(plan); !problem.empty()) {
        const SweepSetting setting = sweep.fromGhz ? SweepSetting::From
                                     : sweep.toGhz ? SweepSetting::To
                                                   : SweepSetting::Points;
        return SweepProblem{setting, std::move(problem)};
    }
    return std::nullopt;
}

analysis::AnalysisOptions AnalysisOptionsOf(const AnalysisSettings &settings)
{
    analysis::AnalysisOptions options;
    options.eseries = settings.eseries;
    options.built = PartModelsOf(settings);
    if (settings.tolerance)
        options.monteCarlo = analysis::YieldOptions{
            settings.tolerance->trials, settings.tolerance->tolerancePercent,
            settings.tolerance->seed, settings.tolerance->vswrLimit.value_or(0)};
    return options;
}

analysis::LossModel PartModelsOf(const AnalysisSettings &settings)
{
    analysis::LossModel models;
    models.inductorQ = settings.inductorQ;
    models.capacitorQ = settings.capacitorQ;
    models.model = settings.qModel;
    models.inductorChip = settings.inductorChip;
    models.capacitorChip = settings.capacitorChip;
    models.padPf = settings.padPf;
    models.srfMarginPercent = settings.srfMarginPercent;
    return models;
}

std::string YieldVswrProblem(double vswrLimit)
{
    return std::isfinite(vswrLimit) && vswrLimit > 1 ? ""
                                                     : "the yield limit must be a VSWR above 1";
}

const char *QModelWord(analysis::QModel model)
{
    return model == analysis::QModel::Constant ? "constant" : "centre";
}

std::optional<analysis::QModel> QModelFromWord(std::string_view word)
{
    for (const analysis::QModel model : {analysis::QModel::Centre, analysis::QModel::Constant})
        if (word == QModelWord(model))
            return model;
    return std::nullopt;
}

} // namespace tevmar::session
