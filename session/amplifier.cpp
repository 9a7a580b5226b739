#include "session/amplifier.h"

#include "engine/lenient_number.h"
#include "report/number_format.h"
#include "session/device.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tevmar::session {

AmplifierRun RunAmplifier(const AmplifierInput &input, const std::string &f1Text,
                          const std::string &f2Text)
{
    AmplifierRun run;
    run.usage = true;
    if (f1Text.empty() || f2Text.empty()) {
        run.problem = "the amplifier needs its band: F1 and F2 in GHz";
        return run;
    }
    const analysis::AmplifierTerminations &t = input.terminations;
    constexpr double kLeastOhms = kLeastTerminationOhms, kMostOhms = kMostTerminationOhms;
    for (const double ohms : {t.sourceOhms, t.loadOhms})
        if (!(ohms >= kLeastOhms && ohms <= kMostOhms)) {
            run.problem = "a source or load of " + Figure(ohms) + " ohms; expected " +
                          Figure(kLeastOhms) + " to " + Figure(kMostOhms) + " ohms";
            return run;
        }
    // Reading the file and checking the band are the device's own.
    DeviceInput device;
    device.filePath = input.filePath;
    device.data = input.data;
    DeviceRun read = RunDevice(device, f1Text, f2Text);
    run.warnings = std::move(read.warnings);
    if (!read.outcome) {
        run.problem = read.problem;
        run.aboutFile = true;
        return run;
    }
    run.usage = false;
    const double a = ReadNumber(f1Text) * 1e9, b = ReadNumber(f2Text) * 1e9;
    analysis::AmplifierOptions options;
    options.goal = input.goal;
    options.terminations = t;
    const analysis::AmplifierDesign design =
        analysis::DesignAmplifier(read.outcome->data, std::min(a, b), std::max(a, b), options);
    if (!design.amplifier) {
        run.problem = design.problem;
        return run;
    }
    AmplifierOutcome outcome;
    outcome.fileName = input.filePath;
    outcome.data = std::move(read.outcome->data);
    outcome.amplifier = *design.amplifier;
    outcome.whole = analysis::AmplifierSweep(outcome.data, 0, HUGE_VAL, outcome.amplifier.input,
                                             outcome.amplifier.output, t);
    run.outcome = std::move(outcome);
    return run;
}

std::optional<AmplifierGoal> AmplifierGoalOf(const std::string &name)
{
    if (name == "gain")
        return AmplifierGoal::Gain;
    if (name == "noise")
        return AmplifierGoal::Noise;
    return std::nullopt;
}

} // namespace tevmar::session
