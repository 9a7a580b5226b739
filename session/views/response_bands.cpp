#include "session/views/response_bands.h"

#include "format/goal_report.h"
#include "session/options/band_options.h"
#include "session/run/study.h"

#include <algorithm>

namespace tevmar::session {

namespace {

// The boxes as the window names them in every message.
constexpr const char *kBandsBox = "Bands";
constexpr const char *kRejectBox = "Reject";

std::string Trimmed(const std::string &text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

BandsReading ReadResponseBands(const std::string &bandsText, const std::string &rejectText)
{
    BandsReading reading;
    reading.bands.bandsText = bandsText;
    reading.bands.rejectText = rejectText;
    BandArguments arguments;
    arguments.bandsName = kBandsBox;
    arguments.rejectName = kRejectBox;
    // The command line's own readers of --band and --reject.
    const OptionTable table = BandOptions(arguments);
    for (const OptionSpec &spec : table) {
        const bool bands = spec.name == "--band";
        const std::string text = Trimmed(bands ? bandsText : rejectText);
        if (text.empty())
            continue;
        if (std::string problem = spec.apply(text); !problem.empty()) {
            reading.problem = std::string(bands ? kBandsBox : kRejectBox) + ": " + problem;
            return reading;
        }
    }
    if (!arguments.Given())
        return reading;
    if (std::string problem = CheckBands(arguments, {}, OptionNaming{}); !problem.empty()) {
        reading.problem = problem;
        return reading;
    }
    if (arguments.Plain()) {
        reading.problem = std::string(kBandsBox) +
                          ": one band without a limit or a weight is the main window's F1 "
                          "and F2; give two bands or more, a limit (@-15dB) or a band to reject";
        return reading;
    }
    if (std::string problem = analysis::GoalError(arguments.GoalOf()); !problem.empty()) {
        reading.problem = std::string(kBandsBox) + ": " + problem;
        return reading;
    }
    const auto lowest = std::ranges::min_element(
        arguments.bands, {}, [](const BandText &b) { return b.band.band.lowHz; });
    const auto highest = std::ranges::max_element(
        arguments.bands, {}, [](const BandText &b) { return b.band.band.highHz; });
    reading.bands.goal = arguments.GoalOf();
    reading.bands.f1Text = lowest->f1Text;
    reading.bands.f2Text = highest->f2Text;
    return reading;
}

std::string BandsProblem(const ResponseBands &bands, const CalculateOutcome &given)
{
    if (bands.several() && given.measuredLoad)
        return std::string(kBandsBox) +
               ": a measured load's fit is made for the main window's band; match it over "
               "several bands with tevmar-cli --load-s1p and --band";
    return {};
}

CalculateOutcome BandsDesign(Study &study, const CalculateOutcome &given,
                             const ResponseBands &bands)
{
    DesignInputs inputs = given.inputs;
    inputs.f1Text = bands.f1Text;
    inputs.f2Text = bands.f2Text;
    return study.Design(inputs);
}

std::string BandsNote(const ResponseBands &bands, const CalculateOutcome &given)
{
    return format::GoalNote(bands.goal) + ". The main window's design keeps its band, " +
           given.inputs.f1Text + " to " + given.inputs.f2Text + " GHz.";
}

void OverBands(Request &request, const ResponseBands &bands)
{
    if (!bands.several())
        return;
    request.design.f1Text = bands.f1Text;
    request.design.f2Text = bands.f2Text;
    request.goal = bands.goal;
    request.candidates = true;
    request.tune = false;
    request.reportPath.reset();
}

} // namespace tevmar::session
