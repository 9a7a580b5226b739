// tevmar-cli on wrong but plausible arguments: refused before anything is
// written (exit 2), or run as before with a word on standard error.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "session/options/design_options.h"
#include "session/run/calculation.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"
#include "tests/session/chip_antenna.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tevmar::cli {
namespace {

using namespace ::tevmar::session;

using test_files::ReadBytes;
using test_files::TempDir;
using Args = std::vector<std::string>;

Args Join(Args first, const Args &second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(BadInputOptions, NoOutputMayReplaceTheMeasuredFile)
{
    TempDir dir;
    const std::string measured = (dir / "m.s1p").string();
    test_files::WriteBytes(measured, test_files::ChipAntennaS1p());
    std::filesystem::create_symlink("m.s1p", dir / "alias.s1p");
    const Args load{"--f1", "2.3", "--f2", "2.6", "--load-s1p", measured, "--source", "50"};
    const std::pair<Args, std::string> rows[] = {
        {{"--report", measured}, "--report: \""},
        {{"--sweep", (dir / "alias.s1p").string()}, "--sweep: \""},
        {{"--touchstone", (dir / "." / "m.s1p").string()}, "--touchstone: \""},
    };
    for (const auto &[outputs, start] : rows) {
        const CliRun run = RunCliIn(Join(load, outputs), dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage);
        EXPECT_TRUE(run.err.starts_with("tevmar-cli: " + start)) << run.err;
        EXPECT_NE(run.err.find("is the file --load-s1p reads"), std::string::npos) << run.err;
        EXPECT_EQ(ReadBytes(measured), test_files::ChipAntennaS1p());
        EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"alias.s1p", "m.s1p"}));
    }
}

TEST(BadInputOptions, JsonIsAlwaysJsonOrNothingIsWritten)
{
    TempDir dir;
    const Args design{"--f2",   "2.2",     "--zhigh",
                      "50",     "--zlow",  "10",
                      "--json", "--sweep", (dir / "s.csv").string()};
    const CliRun bad = RunCliIn(Join({"--f1", "2\xff"}, design), dir);
    EXPECT_EQ(bad.exitCode, kExitBadUsage);
    EXPECT_EQ(bad.out, "");
    EXPECT_TRUE(bad.err.starts_with("tevmar-cli: --f1: \"2\\xff\" is not UTF-8 text")) << bad.err;
    const CliRun badPath = RunCliIn(Join({"--f1", "1.8", "--report", "r\xfe.prt"}, design), dir);
    EXPECT_EQ(badPath.exitCode, kExitBadUsage);
    EXPECT_TRUE(dir.Entries().empty());

    // Control characters are JSON's to escape: the document parses and keeps them.
    const CliRun odd = RunCliIn(Join({"--f1", "1.8\x1b[31m\x7f"}, design), dir);
    EXPECT_EQ(odd.exitCode, kExitDesigned) << odd.err;
    EXPECT_EQ(nlohmann::json::parse(odd.out)["inputs"]["typed"]["F1_text"], "1.8\x1b[31m\x7f");
    EXPECT_NE(odd.err.find("--f1: \"1.8\\x1b[31m\\x7f\" read as 1.8"), std::string::npos)
        << odd.err;
}

TEST(BadInputOptions, ValuesTheRunCannotUseAreRefusedBeforeTheReport)
{
    TempDir dir;
    const Args design{"--f1", "1.8", "--f2", "2.2", "--zhigh", "50", "--zlow", "10", "--json"};
    const std::string touchstone = (dir / "n.s2p").string();
    const std::pair<Args, std::string> rows[] = {
        {{"--q-l", "1e-154"}, "--q-l: \"1e-154\" is not a Q of 0.001 or more"},
        {{"--q-c", "1e-154"}, "--q-c: \"1e-154\" is not a Q"},
        {{"--touchstone", touchstone, "--touchstone-r", "1e155"}, "--touchstone-r: \"1e155\""},
        {{"--touchstone", touchstone, "--from", "2.5", "--to", "2.5", "--points", "3"},
         "--from and --to are equal; a sweep of 3 points needs --from below --to"},
        {{"--touchstone", touchstone, "--from", "1e-300"}, "--from: \"1e-300\" is not a freq"},
    };
    for (const auto &[extra, start] : rows) {
        const CliRun run = RunCliIn(Join(design, extra), dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << start;
        EXPECT_TRUE(run.err.starts_with("tevmar-cli: " + start)) << run.err;
        EXPECT_TRUE(dir.Entries().empty()) << start; // no report, no file
    }
    // A band whose default sweep falls below 1 Hz is found before the report too.
    const CliRun tiny = RunCliIn({"--f1", "1e-12", "--f2", "2e-12", "--zhigh", "50", "--zlow", "10",
                                  "--sweep", (dir / "s.csv").string()},
                                 dir);
    EXPECT_EQ(tiny.exitCode, kExitBadUsage);
    EXPECT_TRUE(dir.Entries().empty());
    // The smallest values allowed run to the end, every figure finite.
    const CliRun edge = RunCliIn(Join(design, {"--q-l", "0.001", "--touchstone", touchstone,
                                               "--touchstone-r", "1e9", "--from", "1e-9"}),
                                 dir);
    EXPECT_EQ(edge.exitCode, kExitDesigned) << edge.err;
}

TEST(BadInputOptions, PlausibleSlipsAreSaidAndNoSolutionSaysWhy)
{
    TempDir dir;
    const Args ports{"--zhigh", "50", "--zlow", "10"};
    const auto err = [&](const Args &args) { return RunCliIn(Join(args, ports), dir).err; };
    EXPECT_EQ(err({"--f1", "1.8", "--f2", "2.2", "--absorb", "-5"}),
              "tevmar-cli: warning: the absorbed value -5 nH is negative; nothing is absorbed\n");
    EXPECT_NE(err({"--f1", "2.2", "--f2", "1.8"}).find("the band edges are swapped"),
              std::string::npos);
    EXPECT_NE(err({"--f1", "1800", "--f2", "2200"}).find("(MHz typed as GHz?)"), std::string::npos);

    // The report of a swapped band is the window's, word for word.
    TempDir window;
    const CliRun swapped = RunCliIn(Join({"--f1", "2.2", "--f2", "1.8"}, ports), window);
    EXPECT_EQ(swapped.exitCode, kExitDesigned);
    DesignInputs typed;
    typed.f1Text = "2.2";
    typed.f2Text = "1.8";
    typed.zhighText = "50";
    typed.zlowText = "10";
    EXPECT_EQ(ReadBytes(window / "tevmar.prt"), session::Calculate(typed).report.file);

    const CliRun negative =
        RunCliIn({"--f1", "1.8", "--f2", "2.2", "--zhigh", "50", "--zlow", "-10"}, dir);
    EXPECT_EQ(negative.exitCode, kExitNoSolution);
    EXPECT_EQ(negative.err, "  SOLUTION OUT OF RANGE\ntevmar-cli: no solution: a negative "
                            "impedance: Zlow reads -10 ohms\n");
}

} // namespace
} // namespace tevmar::cli
