// tevmar-cli --device in-process: a transistor's file as the table and the
// JSON document, the band choosing the points, and the ways of asking for it
// wrongly.

#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;

// A potentially unstable HFET at 2 GHz and an unconditionally stable FET
// at 4 GHz, with noise parameters at 4 GHz only.
constexpr const char *kTwoFets = "! two GaAs FETs\n"
                                 "# GHz S MA R 50\n"
                                 "2.0 0.894 -60.6 3.122 123.6 0.020 62.4 0.781 -27.6\n"
                                 "4.0 0.72 -116 2.60 76 0.03 57 0.73 -54\n"
                                 "4.0 1.6 0.62 100 0.4\n";

std::string Write(const TempDir &dir, const char *name, const std::string &text)
{
    const std::string path = (dir / name).string();
    test_files::WriteBytes(path, text);
    return path;
}

TEST(DeviceOption, TableListsFiguresAndCirclesAtEachFrequency)
{
    TempDir dir;
    const std::string path = Write(dir, "fets.s2p", kTwoFets);
    const CliRun run =
        RunCliIn({"--device", path, "--gain-circles", "14,17", "--noise-circles", "2"}, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char *line : {
             "  f (GHz)        K   |Delta|        mu       mu'  MSG (dB)  MAG (dB)\n"
             "   2.0000    0.607     0.696     0.863     0.933     21.93         -\n"
             "   4.0000    1.195     0.488     1.040     1.042     19.38     16.71\n",
             "   4.0000  0.872 @ 123.4     0.876 @ 61.0            1.60  0.620 @ 100.0          "
             "20.00\n",
             "   2.0000  source stability          1.132 @ 68.5       0.199   stable outside\n",
             "           available gain 17 dB      above the most gain\n",
             "           noise figure 2 dB         no noise data\n",
             "           noise figure 2 dB         0.563 @ 100.0      0.245\n",
         })
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\nin\n" << run.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "tevmar.prt")); // no design, no report
}

TEST(DeviceOption, JsonNamesEveryFigureAndNullWhereNoneExists)
{
    TempDir dir;
    const std::string path = Write(dir, "fets.s2p", kTwoFets);
    const CliRun run = RunCliIn({"--device", path, "--json", "--gain-circles", "14"}, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const auto device = nlohmann::ordered_json::parse(run.out)["device"];
    EXPECT_EQ(device["referenceOhms"], 50.0);
    ASSERT_EQ(device["points"].size(), 2u);
    const auto &unstable = device["points"][0];
    std::vector<std::string> keys;
    for (const auto &[key, value] : unstable.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"frequencyHz", "k", "delta", "mu", "muPrime", "msgDb",
                                              "magDb", "gammaS", "gammaL", "nfMinDb", "gammaOpt",
                                              "rnOhms", "circles"}));
    for (const char *none : {"magDb", "gammaS", "gammaL", "nfMinDb", "gammaOpt", "rnOhms"})
        EXPECT_TRUE(unstable[none].is_null()) << none;
    EXPECT_EQ(unstable["circles"]["noise"], nlohmann::ordered_json::array());
    EXPECT_FALSE(unstable["circles"]["loadStability"]["stableInside"].get<bool>());
    const auto &stable = device["points"][1];
    EXPECT_NEAR(stable["magDb"].get<double>(), 16.71, 0.005);
    EXPECT_EQ(stable["gammaS"].size(), 2u); // [re, im]
    EXPECT_NEAR(stable["rnOhms"].get<double>(), 20, 1e-12);
    EXPECT_EQ(stable["circles"]["availableGain"][0]["db"], 14.0);
    EXPECT_NEAR(stable["circles"]["availableGain"][0]["radius"].get<double>(), 0.306, 0.0005);
}

TEST(DeviceOption, TheBandChoosesThePointsAndMustLieInTheData)
{
    TempDir dir;
    const std::string path = Write(dir, "fets.s2p", kTwoFets);
    const CliRun band = RunCliIn({"--device", path, "--json", "--f1", "3", "--f2", "4"}, dir);
    ASSERT_EQ(band.exitCode, kExitDesigned) << band.err;
    const auto points = nlohmann::json::parse(band.out)["device"]["points"];
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0]["frequencyHz"], 4e9);

    const CliRun past = RunCliIn({"--device", path, "--f1", "3", "--f2", "5"}, dir);
    EXPECT_EQ(past.exitCode, kExitBadUsage);
    EXPECT_EQ(past.err, "tevmar-cli: --device: " + path +
                            ": the band 3 to 5 GHz reaches past the data (2 to 4 GHz); expected "
                            "data covering the band\n");
    const CliRun between = RunCliIn({"--device", path, "--f1", "2.5", "--f2", "3.5"}, dir);
    EXPECT_EQ(between.exitCode, kExitBadUsage);
    EXPECT_NE(between.err.find("no data frequency lies in the band 2.5 to 3.5 GHz"),
              std::string::npos)
        << between.err;
}

TEST(DeviceOption, RefusesFilesAndOptionsThatDoNotFit)
{
    TempDir dir;
    const std::string device = Write(dir, "fets.s2p", kTwoFets);
    const std::string onePort = Write(dir, "load.s1p", "# GHz S MA R 50\n1 0.5 30\n2 0.5 40\n");
    const std::string badNoise = Write(dir, "noise.s2p",
                                       "# GHz S MA R 50\n"
                                       "2 0.5 0 2 0 0.1 0 0.5 0\n"
                                       "1 1.5 0.5 30\n");
    const struct
    {
        Args args;
        std::string err;
    } cases[] = {
        {{"--device", onePort},
         "tevmar-cli: --device: " + onePort +
             ":2: 3 numbers on the line; expected 9, the frequency and four complex values of a "
             "two-port (a one-port file?)\n"},
        {{"--device", badNoise},
         "tevmar-cli: --device: " + badNoise +
             ":3: 4 numbers on the noise line; expected 5: the frequency, NFmin (dB), |Gamma "
             "opt|, its angle (degrees) and Rn\n"},
        {{"--device", (dir / "missing.s2p").string()}, ""},
        {{"--gain-circles", "14"},
         "tevmar-cli: --gain-circles applies to --device; give it (see \"tevmar-cli --help\")\n"},
        {{"--device", device, "--zhigh", "50"},
         "tevmar-cli: --zhigh does not apply to --device, which shows the transistor's figures "
         "(see \"tevmar-cli --help\")\n"},
        {{"--device", device, "--f1", "2"},
         "tevmar-cli: --device: give both --f1 and --f2 for the points in a band, or neither for "
         "all (see \"tevmar-cli --help\")\n"},
        {{"--device", device, "--gain-circles", "14,,16"},
         "tevmar-cli: --gain-circles: \"\" is not a number; expected levels in dB such as "
         "14,15,16 (see \"tevmar-cli --help\")\n"},
        {{"--device", device, "--gain-circles", "14,1e308"},
         "tevmar-cli: --gain-circles: a level of 1e+308 dB; expected at most 200 dB either way "
         "(see \"tevmar-cli --help\")\n"},
        {{"--device", device, "--noise-circles", "-1"},
         "tevmar-cli: --noise-circles: a level of -1 dB; expected 0 dB or more (see "
         "\"tevmar-cli --help\")\n"},
    };
    for (const auto &c : cases) {
        const CliRun run = RunCliIn(c.args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << c.args.back();
        EXPECT_EQ(run.out, "");
        if (!c.err.empty())
            EXPECT_EQ(run.err, c.err);
        else
            EXPECT_NE(run.err.find("cannot be read"), std::string::npos) << run.err;
    }
}

} // namespace
} // namespace tevmar::cli
