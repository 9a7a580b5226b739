#include "session/run/amplifier.h"

#include "analysis/amplifier/amplifier_stabiliser.h"
#include "engine/lenient_number.h"
#include "report/number_format.h"
#include "session/run/device.h"
#include "session/run/measured_match.h"
#include "session/run/part_kit_folder.h"
#include "units/unit_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

namespace tevmar::session {

namespace {

// A network of measured parts is known only where their data are: the
// device's data are cut to where the data of every part of the kit lie, as a
// matching network's sweep is, and the reason says so (empty where nothing is
// cut). The kit covers the band, so the band keeps its points.
std::string WithinKitData(const analysis::Kit &kit, analysis::TwoPortData &data)
{
    double lowHz = 0, highHz = std::numeric_limits<double>::infinity();
    for (const std::vector<analysis::KitPartRef> *parts : {&kit.inductors, &kit.capacitors})
        for (const analysis::KitPartRef &part : *parts) {
            lowHz = std::max(lowHz, part->data.frequenciesHz.front());
            highHz = std::min(highHz, part->data.frequenciesHz.back());
        }
    analysis::TwoPortData cut = data;
    cut.frequenciesHz.clear();
    cut.s.clear();
    for (std::size_t i = 0; i < data.frequenciesHz.size(); ++i)
        if (data.frequenciesHz[i] >= lowHz && data.frequenciesHz[i] <= highHz) {
            cut.frequenciesHz.push_back(data.frequenciesHz[i]);
            cut.s.push_back(data.s[i]);
        }
    if (cut.frequenciesHz.size() == data.frequenciesHz.size() || cut.frequenciesHz.empty())
        return {};
    data = std::move(cut);
    return "the device's data are used from " +
           units::GhzFigure(units::Frequency::FromHz(data.frequenciesHz.front())) + " to " +
           units::GhzFigure(units::Frequency::FromHz(data.frequenciesHz.back())) +
           " GHz only, where the data of every kit part lie: the stability beyond is not checked";
}

} // namespace

AmplifierRun RunAmplifier(const AmplifierInput &input, const std::string &f1Text,
                          const std::string &f2Text, const std::atomic<bool> *stop)
{
    AmplifierRun run;
    run.usage = true;
    if (f1Text.empty() || f2Text.empty()) {
        run.problem = "the amplifier needs its band: F1 and F2 in GHz";
        return run;
    }
    constexpr double kLeastOhms = kLeastTerminationOhms, kMostOhms = kMostTerminationOhms;
    if (!(input.stabilityMargin > 0 && input.stabilityMargin < 1)) {
        run.problem = "a stability margin of " + Figure(input.stabilityMargin) +
                      "; expected a reflection margin above 0 and below 1";
        return run;
    }
    for (const double ohms : {input.sourceOhms, input.loadOhms})
        if (!(ohms >= kLeastOhms && ohms <= kMostOhms)) {
            run.problem = "a source or load of " + Figure(ohms) + " ohms; expected " +
                          Figure(kLeastOhms) + " to " + Figure(kMostOhms) + " ohms";
            return run;
        }
    analysis::Termination source = analysis::ResistanceTermination(input.sourceOhms),
                          load = analysis::ResistanceTermination(input.loadOhms);
    for (const bool isSource : {true, false}) {
        const std::optional<std::string> &path = isSource ? input.sourceS1p : input.loadS1p;
        if (!path)
            continue;
        auto measured = std::make_shared<analysis::MeasuredLoad>();
        try {
            analysis::OnePortData data = ReadOnePortFile(*path);
            measured->frequenciesHz = std::move(data.frequenciesHz);
            measured->impedanceOhms = std::move(data.impedanceOhms);
            run.warnings.insert(run.warnings.end(), data.warnings.begin(), data.warnings.end());
        } catch (const analysis::TouchstoneError &e) {
            run.problem = (isSource ? input.sourceLabel : input.loadLabel) + ": " + e.what();
            return run;
        }
        (isSource ? source : load) = analysis::MeasuredTermination(std::move(measured));
    }
    // Reading the file and checking the band are the device's own.
    DeviceInput device;
    device.filePath = input.filePath;
    device.data = input.data;
    DeviceRun read = RunDevice(device, f1Text, f2Text);
    run.warnings.insert(run.warnings.end(), read.warnings.begin(), read.warnings.end());
    if (!read.outcome) {
        run.problem = read.problem;
        run.aboutFile = true;
        return run;
    }
    const double a = units::Frequency::FromGHz(ReadNumber(f1Text)).hz(),
                 b = units::Frequency::FromGHz(ReadNumber(f2Text)).hz();
    std::shared_ptr<const analysis::Kit> kit;
    if (input.partsFolder) {
        analysis::KitReading reading = ReadPartKit(*input.partsFolder, std::min(a, b),
                                                   std::max(a, b), input.built.srfMarginPercent);
        for (std::string &warning : reading.warnings)
            run.warnings.push_back(input.partsLabel + ": " + std::move(warning));
        if (!reading.problem.empty()) {
            run.problem = input.partsLabel + ": " + reading.problem;
            return run;
        }
        kit = std::make_shared<const analysis::Kit>(std::move(reading.kit));
        if (std::string cut = WithinKitData(*kit, read.outcome->data); !cut.empty())
            run.warnings.push_back(input.partsLabel + ": " + cut);
    }
    // Reading a kit takes a while: a design no longer wanted ends here.
    if (stop && stop->load())
        throw analysis::TuneCancelled();
    run.usage = false;
    analysis::AmplifierOptions options;
    options.kit = kit;
    options.goal = input.goal;
    options.source = source;
    options.load = load;
    options.built = input.built;
    options.stabilityMargin = input.stabilityMargin;
    options.tolerancePercent = input.tolerancePercent;
    options.stop = stop;
    analysis::TwoPortData designedAround = std::move(read.outcome->data);
    analysis::AmplifierDesign design;
    if (input.stabilise) {
        analysis::StabilisedDesign stabilised = analysis::DesignStabilisedAmplifier(
            designedAround, std::min(a, b), std::max(a, b), options);
        design = std::move(stabilised.design);
        designedAround = std::move(stabilised.device);
    } else {
        design = analysis::DesignAmplifier(designedAround, std::min(a, b), std::max(a, b), options);
    }
    if (!design.amplifier) {
        run.problem = design.problem;
        return run;
    }
    AmplifierOutcome outcome;
    outcome.fileName = input.filePath;
    outcome.source = source;
    outcome.load = load;
    outcome.data = std::move(designedAround);
    outcome.amplifier = *design.amplifier;
    outcome.whole = analysis::AmplifierDenseSweep(outcome.data, std::min(a, b), std::max(a, b),
                                                  outcome.amplifier.input, outcome.amplifier.output,
                                                  source, load);
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
