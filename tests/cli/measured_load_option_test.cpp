// tevmar-cli --load-s1p in-process: the chip antenna's file matched from the
// command line, and the ways of asking for it wrongly.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "session/options/design_options.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"
#include "tests/session/chip_antenna.h"

#include <complex>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>

namespace tevmar::cli {
namespace {

using namespace ::tevmar::session;

using test_files::TempDir;
using Args = std::vector<std::string>;

// The antenna's file in `dir`, and the arguments that match it over 2.3 to 2.6 GHz.
Args AntennaArgs(const TempDir &dir)
{
    const std::string path = (dir / "antenna.s1p").string();
    test_files::WriteBytes(path, test_files::ChipAntennaS1p());
    return {"--f1", "2.3", "--f2", "2.6", "--load-s1p", path, "--source", "50"};
}

TEST(LoadS1pOption, ChipAntennaFittedDesignedAndTunedIntoTheData)
{
    TempDir dir;
    Args args = AntennaArgs(dir);
    for (const char *extra : {"--json", "--tune"})
        args.push_back(extra);
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    const auto &chosen = json["measuredLoad"]["chosen"];
    EXPECT_EQ(chosen["kind"], "series-rl");
    EXPECT_NEAR(chosen["resistanceOhms"].get<double>(), 20.17, 0.005);
    EXPECT_NEAR(chosen["inductanceNh"].get<double>(), 1.196, 0.0005);
    EXPECT_NEAR(chosen["rmsRelativeError"].get<double>(), 0.0068, 0.0001);
    EXPECT_EQ(json["measuredLoad"]["fits"].size(), 4u);
    EXPECT_EQ(json["inputs"]["typed"]["Zlow_text"], "20.1709");
    const auto &check = json["analysis"]["selfCheck"];
    EXPECT_TRUE(check["intoMeasuredLoad"].get<bool>());
    EXPECT_NEAR(check["fullPrecision"]["gammaMax"].get<double>(), 0.049, 0.0005);
    EXPECT_LE(json["tuned"]["gammaMax"].get<double>(), 0.024);
    EXPECT_TRUE(std::filesystem::exists(dir / "tevmar.prt"));

    // Order 8 has no design for the fitted load: tuned from a relaxed start.
    args.insert(args.end(), {"--order", "8"});
    const CliRun order8 = RunCliIn(args, dir);
    ASSERT_EQ(order8.exitCode, kExitTuned) << order8.err;
    const auto tuned = nlohmann::json::parse(order8.out)["tuned"];
    EXPECT_LE(tuned["gammaMax"].get<double>(), 0.006);

    // A tuned part too small for a chip is named in the lines, as in the JSON.
    std::vector<std::string> flagged;
    for (const auto &element : tuned["elements"])
        if (element["belowChipRange"].get<bool>())
            flagged.push_back(element["part"].get<std::string>() + " ");
    std::erase(args, std::string("--json"));
    const CliRun text = RunCliIn(args, dir);
    const std::size_t at = text.out.find("  Below chip range: ");
    ASSERT_EQ(at != std::string::npos, !flagged.empty()) << text.out;
    const std::string line =
        at == std::string::npos ? "" : text.out.substr(at, text.out.find('\n', at) - at);
    for (const std::string &part : flagged)
        EXPECT_NE(line.find(part), std::string::npos) << line;
}

TEST(LoadS1pOption, PaneLinesThenTheFitThenTheFiguresIntoTheData)
{
    TempDir dir;
    const CliRun run = RunCliIn(AntennaArgs(dir), dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const std::size_t fit = run.out.find("  series RL: R 20.1709 ohms, L 1.19582 nH");
    const std::size_t check = run.out.find("  into the measured load:");
    EXPECT_LT(run.out.find("R =   20.171   Ohms"), fit);
    EXPECT_LT(fit, check);
    EXPECT_NE(check, std::string::npos);
    EXPECT_EQ(run.err, "");
}

struct UsageCase
{
    const char *name;
    Args extra; // after the antenna's arguments; "-" drops --source
    const char *message;
};

TEST(LoadS1pOption, BadUsageExitsTwoSayingWhy)
{
    const UsageCase cases[] = {
        {"MixedWithZlow",
         {"--zlow", "10"},
         "--load-s1p replaces --zhigh, --zlow, --load and --absorb; --zlow was given too"},
        {"MixedWithLoad", {"--load", "shunt-rc"}, "--load was given too"},
        {"WithoutSource", {"-"}, "--load-s1p needs --source"},
        {"TooFewPointsInBand",
         {"--f1", "2.301", "--f2", "2.325"},
         "2 measured points lie in the band 2.301 to 2.325 GHz; the fit needs at least 3"},
        {"UnknownKind", {"--load-kind", "series-rlc"}, "\"series-rlc\" is not one of series-rl"},
        {"KindOnTheWrongSide",
         {"--load-kind", "shunt-rl"},
         "the shunt RL fit's 36.93 ohms is not above the source's 50 ohms"},
    };
    for (const UsageCase &c : cases) {
        TempDir dir;
        Args args = AntennaArgs(dir);
        if (c.extra == Args{"-"}) {
            args.resize(args.size() - 2);
        } else if (c.extra.front() == "--f1") {
            args[1] = c.extra[1];
            args[3] = c.extra[3];
        } else {
            args.insert(args.end(), c.extra.begin(), c.extra.end());
        }
        const CliRun run = RunCliIn(args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << c.name;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
        EXPECT_EQ(run.out, "") << c.name;
    }
    TempDir dir;
    const CliRun sourceAlone = RunCliIn({"--f1", "1", "--f2", "2", "--source", "50"}, dir);
    EXPECT_EQ(sourceAlone.exitCode, kExitBadUsage);
    EXPECT_NE(sourceAlone.err.find("--source applies to --load-s1p"), std::string::npos);
    const CliRun missing =
        RunCliIn({"--f1", "1", "--f2", "2", "--load-s1p", "none.s1p", "--source", "50"}, dir);
    EXPECT_EQ(missing.exitCode, kExitBadUsage);
    EXPECT_NE(missing.err.find("none.s1p: cannot be read"), std::string::npos);
}

// The PA's output as a one-port file in `dir`.
std::string PaFile(const TempDir &dir)
{
    const std::string path = (dir / "pa.s1p").string();
    test_files::WriteBytes(path, test_files::PaOutputS1p());
    return path;
}

TEST(SourceS1pOption, PaIntoTheAntennaTunedWithMeasuredSourceInTheJson)
{
    TempDir dir;
    Args args = AntennaArgs(dir);
    args.resize(args.size() - 2);
    const std::string pa = PaFile(dir);
    args.insert(args.end(), {"--source-s1p", pa, "--tune", "--json", "--touchstone-v2",
                             (dir / "n.s2p").string()});
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["measuredSource"]["file"], pa);
    EXPECT_EQ(doc["measuredSource"]["chosen"]["kind"], "series-rl");
    EXPECT_NEAR(doc["measuredSource"]["resistanceOhms"].get<double>(), 8, 1e-3);
    EXPECT_EQ(doc["measuredLoad"]["chosen"]["kind"], "shunt-rl");
    const std::string s2p = test_files::ReadBytes((dir / "n.s2p").string());
    EXPECT_NE(s2p.find("each port is referred to the fitted resistance at its end"),
              std::string::npos);
}

TEST(SourceS1pOption, RefusedAsTheLoadFileIsAndNeverOverwritten)
{
    TempDir dir;
    const Args load = AntennaArgs(dir);
    const Args noSource(load.begin(), load.end() - 2);
    const std::string pa = PaFile(dir);
    const std::pair<Args, std::string> usage[] = {
        {{"--source", "50", "--source-s1p", pa}, "--source-s1p replaces --source"},
        {{"--source", "50", "--source-kind", "series-rl"}, "--source-kind applies to --source-s1p"},
        {{"--source-s1p", pa, "--source-kind", "rlc"}, "\"rlc\" is not one of series-rl"},
        {{"--source-s1p", pa, "--report", pa}, "is the file --source-s1p reads"},
    };
    for (const auto &[extra, message] : usage) {
        Args args = extra.front() == "--source" ? load : noSource;
        args.insert(args.end(), extra.begin() + (extra.front() == "--source" ? 2 : 0), extra.end());
        const CliRun run = RunCliIn(args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << message;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
    EXPECT_EQ(RunCliIn({"--f1", "2", "--f2", "3", "--source-s1p", pa}, dir).exitCode,
              kExitBadUsage);

    // A file the reader refuses gets the load's message, under the source's option.
    for (const char *text : {"# GHz S RI R 50\n2.0 0.1 0.2 0.3 0.4\n", "", "# GHz S XX R 50\n"}) {
        const std::string bad = (dir / "bad.s1p").string();
        test_files::WriteBytes(bad, text);
        Args asLoad = noSource, asSource = noSource;
        asLoad[5] = bad;
        asLoad.insert(asLoad.end(), {"--source", "50"});
        asSource.insert(asSource.end(), {"--source-s1p", bad});
        const CliRun l = RunCliIn(asLoad, dir), s = RunCliIn(asSource, dir);
        EXPECT_EQ(s.exitCode, kExitBadUsage);
        ASSERT_TRUE(l.err.starts_with("tevmar-cli: --load-s1p: ")) << l.err;
        EXPECT_EQ(s.err, "tevmar-cli: --source-s1p: " + l.err.substr(24)) << text;
    }
    Args missingArgs = noSource;
    missingArgs.insert(missingArgs.end(), {"--source-s1p", "none.s1p"});
    const CliRun missing = RunCliIn(missingArgs, dir);
    EXPECT_NE(missing.err.find("--source-s1p: none.s1p: cannot be read"), std::string::npos);
}

} // namespace
} // namespace tevmar::cli
