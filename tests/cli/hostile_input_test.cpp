// tevmar-cli against measured terminations no network can match: lossless
// ones however the file rounds them, as load or as source, and |S11| a hair
// above 1 from an analyser's noise.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"
#include "tests/session/chip_antenna.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;

// 2 to 3 GHz in 10 MHz steps, each point's line from `point(i, ghz)`.
template <typename Point> std::string OnePort(const std::string &options, Point point)
{
    std::string text = options + "\n";
    for (int i = 0; i <= 100; ++i) {
        const double ghz = 2.0 + i * 0.01;
        text += std::to_string(ghz) + " " + point(i, ghz) + "\n";
    }
    return text;
}

// Lossless files as an analyser or a simulator writes them: |S11| exactly 1
// (phase 140 to 120 degrees, a reactance that round-off leaves 1e-16 ohms of
// resistance), Re Z written as 0, |S11| a little below 1, |S11| a little
// above it (noise), and a reactance with loss at a single point that the
// fit's mean resistance leaves lossless.
std::vector<std::pair<std::string, std::string>> LosslessFiles()
{
    return {
        {"unit magnitude",
         OnePort("# GHz S MA R 50",
                 [](int i, double) { return "1 " + std::to_string(140 - i / 5.0); })},
        {"zero resistance",
         OnePort("# GHz Z RI R 1",
                 [](int, double ghz) { return "0 " + std::to_string(10 * ghz); })},
        {"just below unity",
         OnePort("# GHz S MA R 50",
                 [](int i, double) { return "0.9999999999 " + std::to_string(140 - i / 5.0); })},
        {"noise above unity", OnePort("# GHz S MA R 50",
                                      [](int i, double) {
                                          return (i % 2 ? "1.0000004 " : "1 ") +
                                                 std::to_string(140 - i / 5.0);
                                      })},
        {"loss at one point", OnePort("# GHz Z RI R 1",
                                      [](int i, double ghz) {
                                          return (i == 50 ? "0.0001 " : "0 ") +
                                                 std::to_string(10 * ghz);
                                      })},
    };
}

TEST(LosslessTermination, RefusedAsLoadOrSourceWithCandidatesOrNotWhateverTheRounding)
{
    TempDir dir;
    const std::string antenna = (dir / "antenna.s1p").string();
    test_files::WriteBytes(antenna, test_files::ChipAntennaS1p());
    const std::string path = (dir / "lossless.s1p").string();
    const Args band{"--f1", "2.3", "--f2", "2.6"};
    for (const auto &[name, text] : LosslessFiles()) {
        test_files::WriteBytes(path, text);
        for (const bool candidates : {false, true}) {
            Args load = band, source = band;
            load.insert(load.end(), {"--load-s1p", path, "--source", "50"});
            source.insert(source.end(), {"--load-s1p", antenna, "--source-s1p", path});
            if (candidates) {
                load.push_back("--candidates");
                source.push_back("--candidates");
            }
            const CliRun asLoad = RunCliIn(load, dir), asSource = RunCliIn(source, dir);
            EXPECT_EQ(asLoad.exitCode, kExitBadUsage) << name << asLoad.err;
            EXPECT_NE(asLoad.err.find("tevmar-cli: --load-s1p: " + path +
                                      ": the load has no resistance in the band 2.3 to 2.6 GHz"),
                      std::string::npos)
                << name << asLoad.err;
            EXPECT_NE(asLoad.err.find("which no network can deliver power into"),
                      std::string::npos);
            EXPECT_EQ(asSource.exitCode, kExitBadUsage) << name << asSource.err;
            EXPECT_NE(asSource.err.find("tevmar-cli: --source-s1p: " + path +
                                        ": the source has no resistance in the band"),
                      std::string::npos)
                << name << asSource.err;
            EXPECT_EQ(asLoad.out + asSource.out, "") << name;
        }
    }
    // By the fit, not the data, where only the fit's mean resistance is lossless.
    const std::string onePoint = LosslessFiles().back().second;
    test_files::WriteBytes(path, onePoint);
    const CliRun fit =
        RunCliIn({"--f1", "2", "--f2", "3", "--load-s1p", path, "--source", "50"}, dir);
    EXPECT_NE(fit.err.find("no resistance in the band 2 to 3 GHz by its shunt RL fit"),
              std::string::npos)
        << fit.err;
    std::vector<std::string> left;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        left.push_back(entry.path().filename().string());
    std::ranges::sort(left);
    EXPECT_EQ(left, (std::vector<std::string>{"antenna.s1p", "lossless.s1p"}));
}

// The antenna with one point's |S11| replaced.
std::string AntennaWithMagnitude(const char *magnitude)
{
    std::string text = test_files::ChipAntennaS1p();
    text += "3.5 0 " + std::string(magnitude) + "\n";
    return text;
}

TEST(NoiseAboveUnity, ReadAsOneWithAWarningNamingTheFileOnceBeyondItRefused)
{
    TempDir dir;
    const std::string path = (dir / "noisy.s1p").string();
    const std::string antenna = (dir / "antenna.s1p").string();
    test_files::WriteBytes(antenna, test_files::ChipAntennaS1p());
    test_files::WriteBytes(path, AntennaWithMagnitude("1.0000001"));
    const std::string warning = path + ":104: |S11| 1.0000001 is above 1 by less than 1e-06, "
                                       "measurement noise; read as 1 (no resistance) here and "
                                       "wherever else it is\n";
    const CliRun load =
        RunCliIn({"--f1", "2.3", "--f2", "2.6", "--load-s1p", path, "--source", "50"}, dir);
    EXPECT_EQ(load.exitCode, kExitDesigned) << load.err;
    EXPECT_EQ(load.err, "tevmar-cli: warning: " + warning + "tevmar-cli: measured load " + path +
                            ": series RL fit, rms error 0.682 %\n");
    // As a source, the file is named once, as the load's warnings name theirs.
    test_files::WriteBytes(path, test_files::PaOutputS1p() + "3.5 0 1.0000001\n");
    const CliRun source =
        RunCliIn({"--f1", "2.3", "--f2", "2.6", "--load-s1p", antenna, "--source-s1p", path}, dir);
    EXPECT_NE(source.err.find("tevmar-cli: warning: " + path + ":104: |S11| 1.0000001"),
              std::string::npos)
        << source.err;
    EXPECT_EQ(source.err.find(path + ": " + path), std::string::npos) << source.err;

    for (const char *beyond : {"1.0000015", "1.00001", "1.5"}) {
        test_files::WriteBytes(path, AntennaWithMagnitude(beyond));
        const CliRun run =
            RunCliIn({"--f1", "2.3", "--f2", "2.6", "--load-s1p", path, "--source", "50"}, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage);
        EXPECT_EQ(run.err, "tevmar-cli: --load-s1p: " + path + ":104: |S11| " + beyond +
                               " is above 1, a negative resistance; expected a passive load, "
                               "|S11| <= 1\n");
    }
}

TEST(SizeBounds, NamedInTheHelpAndRefusedBeforeAnyTrialRuns)
{
    TempDir dir;
    const CliRun help = RunCliIn({"--help"}, dir);
    EXPECT_NE(help.out.find("--monte-carlo N            tolerance trials, at most 1000000 "
                            "(default 1000)\n"),
              std::string::npos)
        << help.out;
    EXPECT_NE(help.out.find("points of the sweep in all, at most 1000000 (default 401)\n"),
              std::string::npos);
    const CliRun over = RunCliIn(
        {"--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10", "--monte-carlo", "1000001"},
        dir);
    EXPECT_EQ(over.exitCode, kExitBadUsage);
    EXPECT_EQ(over.out, "");
}

} // namespace
} // namespace tevmar::cli
