#pragma once

// --device and its circle levels: a transistor's figures in place of a design.

#include "session/options/command_options.h"
#include "session/run/amplifier.h"

#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

struct DeviceArguments
{
    std::optional<std::string> filePath;
    std::optional<std::vector<double>> gainDb;  // --gain-circles
    std::optional<std::vector<double>> noiseDb; // --noise-circles
    bool amplifier = false;                     // --amplifier: both matching networks
    std::optional<AmplifierGoal> goal;          // --goal
    std::optional<double> loadOhms;             // --load-ohms
    std::optional<double> stabilityMargin;      // --stability-margin
    bool stabilise = false;                     // --stabilise
};

// The options, filling `arguments`.
OptionTable DeviceOptions(DeviceArguments &arguments);

// The options that still apply with --device; every other is refused.
inline constexpr const char *kDeviceOptions[] = {"--device", "--gain-circles", "--noise-circles",
                                                 "--f1",     "--f2",           "--json"};

// The options that apply with --device --amplifier (--source is the
// measured load's option, taken here as the amplifier's source resistance).
inline constexpr const char *kAmplifierOptions[] = {
    "--device",        "--amplifier",  "--goal",
    "--source",        "--source-s1p", "--load-ohms",
    "--load-s1p",      "--f1",         "--f2",
    "--json",          "--sweep",      "--touchstone",
    "--touchstone-v2", "--spice",      "--q-l",
    "--q-c",           "--q-model",    "--l-model",
    "--c-model",       "--pad",        "--stability-margin",
    "--tolerance",     "--parts",      "--bom",
    "--stabilise",     "--srf-margin"};

// The circle levels as "14,15,16": at most kMaxCircleLevels finite numbers,
// none below `lowest`. Returns the problem, or empty.
inline constexpr std::size_t kMaxCircleLevels = 20;
inline constexpr double kMostLevelDb = 200; // no device or circle lies beyond
// The lowest gain level, and the lowest noise figure: below 0 dB a device
// would remove noise.
inline constexpr double kLowestGainLevelDb = -kMostLevelDb;
inline constexpr double kLowestNoiseLevelDb = 0;
std::string ParseLevels(const std::string &text, double lowest, std::vector<double> &levels);

// The same levels given as numbers (a script's list): refused for the same
// reasons, a level that is no finite number as its text would be.
std::string CheckLevels(const std::vector<double> &levels, double lowest);

} // namespace tevmar::session
