#include "session/run/calculation.h"

#include "engine/absorption.h"
#include "engine/design.h"
#include "session/io/safe_file.h"
#include "session/options/input_checks.h"

#include <stdexcept>

namespace tevmar::session {

namespace {

// The run empties the error box and the unit prompt first, then applies the
// absorption rule, so a ticked box shows its unit again and an unticked one
// resets the value box.
BoxUpdates BoxesAfter(const DesignInputs &inputs, bool solved)
{
    BoxUpdates boxes;
    const AbsorptionPrompt prompt = AbsorptionRule(inputs.absorb, inputs.loadType);
    if (prompt.unitPrompt)
        boxes.unitPrompt = *prompt.unitPrompt;
    if (prompt.absorbText)
        boxes.absorbText = std::string(*prompt.absorbText);
    if (!solved)
        boxes.errorText = kOutOfRangeMessage;
    return boxes;
}

} // namespace

const analysis::DesignedNetwork &DesignedOf(const CalculateOutcome &outcome)
{
    if (!outcome.network)
        throw std::invalid_argument(outcome.networkProblem.empty() ? "there is no design"
                                                                   : outcome.networkProblem);
    return *outcome.network;
}

CalculateOutcome Calculate(const DesignInputs &inputs)
{
    CalculateOutcome outcome;
    outcome.inputs = inputs;
    outcome.result = RunDesign(inputs);
    if (outcome.result.solved) {
        outcome.report = DesignReport(inputs, outcome.result);
        try {
            outcome.network = analysis::DesignedNetworkOf(outcome.result);
        } catch (const std::invalid_argument &e) {
            outcome.networkProblem = e.what(); // the figures say why they are missing
        }
    }
    outcome.boxes = BoxesAfter(inputs, outcome.result.solved);
    outcome.boxes.errorReason = NoSolutionReason(inputs, outcome.result);
    return outcome;
}

void SaveReport(CalculateOutcome &outcome, const std::filesystem::path &reportPath)
{
    if (!outcome.solved()) {
        outcome.saving = ReportSaving::Untouched;
        return;
    }
    if (WriteFileSafely(reportPath, outcome.report.file, outcome.reportError)) {
        outcome.saving = ReportSaving::Saved;
    } else {
        outcome.saving = ReportSaving::NotSaved;
        outcome.boxes.errorText = kReportNotSavedMessage;
    }
}

CalculateOutcome Calculate(const DesignInputs &inputs, const std::filesystem::path &reportPath)
{
    CalculateOutcome outcome = Calculate(inputs);
    SaveReport(outcome, reportPath);
    return outcome;
}

} // namespace tevmar::session
