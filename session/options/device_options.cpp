#include "session/options/device_options.h"

#include "report/number_format.h"

#include <cmath>

namespace tevmar::session {

namespace {

// Why one level of a list cannot be taken, or empty.
std::string LevelProblem(double value, double lowest)
{
    if (value < lowest)
        return "a level of " + Figure(value) + " dB; expected " + Figure(lowest) + " dB or more";
    if (std::abs(value) > kMostLevelDb)
        return "a level of " + Figure(value) + " dB; expected at most " + Figure(kMostLevelDb) +
               " dB either way";
    return {};
}

std::string NotANumber(const std::string &item)
{
    return "\"" + item + "\" is not a number; expected levels in dB such as 14,15,16";
}

} // namespace

std::string ParseLevels(const std::string &text, double lowest, std::vector<double> &levels)
{
    levels.clear();
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        const std::optional<double> value = ParseNumber(item);
        if (!value)
            return NotANumber(item);
        if (std::string problem = LevelProblem(*value, lowest); !problem.empty())
            return problem;
        if (levels.size() == kMaxCircleLevels)
            return "more than " + std::to_string(kMaxCircleLevels) + " levels";
        levels.push_back(*value);
        if (comma == text.size())
            return {};
        start = comma + 1;
    }
}

std::string CheckLevels(const std::vector<double> &levels, double lowest)
{
    // An empty list is the empty text, which holds no number.
    if (levels.empty())
        return NotANumber("");
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const double value = levels[i];
        if (!std::isfinite(value))
            return NotANumber(std::isnan(value) ? "nan" : value > 0 ? "inf" : "-inf");
        if (std::string problem = LevelProblem(value, lowest); !problem.empty())
            return problem;
        if (i == kMaxCircleLevels)
            return "more than " + std::to_string(kMaxCircleLevels) + " levels";
    }
    return {};
}

OptionTable DeviceOptions(DeviceArguments &d)
{
    const auto levels = [](std::optional<std::vector<double>> &target, double lowest) {
        return [&target, lowest](const std::string &value) -> std::string {
            std::vector<double> parsed;
            if (std::string problem = ParseLevels(value, lowest, parsed); !problem.empty())
                return problem;
            target = std::move(parsed);
            return {};
        };
    };
    return {
        {"--device", "FILE.s2p",
         "show a transistor's stability, gain and noise figures from its two-port file",
         [&d](const std::string &value) -> std::string {
             if (value.empty() || HasLineBreak(value))
                 return "needs a file name";
             d.filePath = value;
             return {};
         }},
        {"--gain-circles", "DB,DB,...",
         "with --device: available and operating gain circles at these levels",
         levels(d.gainDb, kLowestGainLevelDb)},
        // A noise figure below 0 dB would be a device that removes noise.
        {"--noise-circles", "DB,DB,...", "with --device: noise-figure circles at these levels",
         levels(d.noiseDb, kLowestNoiseLevelDb)},
        {"--amplifier", "", "with --device: design both matching networks of an amplifier",
         SetFlag(d.amplifier)},
        {"--goal", "gain|noise", "with --amplifier: most flat gain (default) or least noise figure",
         [&d](const std::string &value) -> std::string {
             d.goal = AmplifierGoalOf(value);
             return d.goal ? std::string() : "\"" + value + "\" is not one of gain, noise";
         }},
        {"--load-ohms", "OHMS", "with --amplifier: the load resistance (default 50)",
         StorePositive(d.loadOhms)},
        {"--stabilise", "",
         "with --amplifier: load the device with a series resistor at its input and/or a shunt "
         "resistor across its output until unconditionally stable, then match it",
         SetFlag(d.stabilise)},
        {"--stability-margin", "M",
         "with --amplifier: in band both loops |GammaS Gamma in|, |GammaL Gamma out| at most "
         "M squared (default 0.9; above 0, below 1)",
         [&d](const std::string &value) -> std::string {
             const std::optional<double> number = ParseNumber(value);
             if (!number || !(*number > 0 && *number < 1))
                 return "\"" + value + "\" is not a margin above 0 and below 1";
             d.stabilityMargin = number;
             return {};
         }},
    };
}

} // namespace tevmar::session
