// tevmar-cli's words where an engineer reads them: why there is no design,
// the candidates' table, and the part lists of the files of a tuned network.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"

#include <gtest/gtest.h>
#include <regex>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;

// 30 ohms + 2 nH from 50 ohms over 1.8-2.2 GHz: no textbook design at any order.
const Args kNoOrder{"--f1",   "1.8", "--f2",   "2.2",       "--zhigh",  "50",
                    "--zlow", "30",  "--load", "series-rl", "--absorb", "2"};

TEST(Wording, TheNoSolutionReasonNamesAnotherOrderOnlyWhereOneSolves)
{
    TempDir dir;
    const CliRun none = RunCliIn(kNoOrder, dir);
    EXPECT_EQ(none.exitCode, kExitNoSolution);
    EXPECT_NE(none.err.find("at order 4; a smaller reactance or a narrower band may solve\n"),
              std::string::npos)
        << none.err;
    EXPECT_EQ(none.err.find("another order"), std::string::npos) << none.err;

    // 1 nH absorbed: order 8 cannot, order 4 can (and order 12 cannot either).
    const Args absorbed{"--f1",   "2",  "--f2",   "3",         "--zhigh",  "50",
                        "--zlow", "10", "--load", "series-rl", "--absorb", "1"};
    Args order8 = absorbed;
    order8.insert(order8.end(), {"--order", "8"});
    const CliRun other = RunCliIn(order8, dir);
    EXPECT_EQ(other.exitCode, kExitNoSolution);
    EXPECT_NE(other.err.find("at order 8; order 4 absorbs it\n"), std::string::npos) << other.err;
    EXPECT_EQ(RunCliIn(absorbed, dir).exitCode, kExitDesigned);
}

TEST(Wording, TheCandidatesTableReadsInEngineeringUnitsAndDistanceAboveTheLimit)
{
    TempDir dir;
    Args args = kNoOrder;
    args.insert(args.end(), {"--candidates", "--l-range", "0.5:20000", "--c-range", "0.5:200000"});
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitTuned) << run.err;
    const std::vector<std::string> lines = test_files::LinesOf(run.out, "\n");
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(lines[1].ends_with("DC source/load  above Bode-Fano limit")) << lines[1];
    const std::regex value(R"([LC][0-9]+ ([0-9.]+) ([a-zA-Z]+))");
    for (std::size_t i = 2; i < lines.size(); ++i) {
        for (std::sregex_iterator m(lines[i].begin(), lines[i].end(), value), end; m != end; ++m) {
            const std::string unit = (*m)[2];
            EXPECT_TRUE(unit == "nH" || unit == "uH" || unit == "pF" || unit == "nF") << lines[i];
            const double number = std::stod((*m)[1]);
            // No 1e+04 nH: beyond a thousand the next prefix reads it.
            EXPECT_LT(number, 1000) << lines[i];
        }
        EXPECT_EQ(lines[i].find("e+"), std::string::npos) << lines[i];
        // A candidate's row begins with its rank; its parts and any DC
        // variants follow on lines of their own.
        if (std::regex_search(lines[i], std::regex(R"(^ +[0-9]+ )"))) {
            EXPECT_TRUE(lines[i].ends_with(" dB") || lines[i].ends_with(" -")) << lines[i];
        }
    }
}

TEST(Wording, ATunedNetworksFilesNameEachPartOnce)
{
    TempDir dir;
    const std::string s2p = (dir / "t.s2p").string(), cir = (dir / "t.cir").string();
    const CliRun run = RunCliIn({"--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10",
                                 "--absorb", "0.5", "--tune", "--touchstone", s2p, "--spice", cir},
                                dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const std::string touchstone = test_files::ReadBytes(s2p);
    EXPECT_NE(touchstone.find("! L1 "), std::string::npos) << touchstone;
    EXPECT_FALSE(std::regex_search(touchstone, std::regex(R"(! ([LC][0-9]+) \1 )"))) << touchstone;
    const std::string netlist = test_files::ReadBytes(cir);
    EXPECT_FALSE(std::regex_search(netlist, std::regex(R"(\n([LC][0-9]+) .* ; \1\n)"))) << netlist;
}

} // namespace
} // namespace tevmar::cli
