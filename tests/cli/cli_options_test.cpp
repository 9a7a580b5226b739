// tevmar-cli in-process: the option table, bad usage, --help and --version,
// and the texts passed through to the report as typed.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "session/options/design_options.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"

#include <gtest/gtest.h>
#include <sstream>

namespace tevmar::cli {
namespace {

using namespace ::tevmar::session;

using test_files::LinesOf;
using test_files::ReadBytes;
using test_files::TempDir;
using Args = std::vector<std::string>;

struct ParseCase
{
    const char *name;
    Args args;
    std::string problem; // empty: accepted
};

TEST(ParseArguments, AcceptsAndRefuses)
{
    const ParseCase cases[] = {
        {"nothing", {}, ""},
        {"all options",
         {"--f1", "1", "--f2", "2", "--zhigh", "50", "--zlow", "10", "--order", "12", "--load",
          "shunt-rc", "--absorb", "1"},
         ""},
        {"joined value", {"--f1=1", "--order=8"}, ""},
        {"value starting with a minus", {"--f1", "-2"}, ""},
        {"empty value", {"--zlow", ""}, ""},
        {"unknown option", {"--frequency", "1"}, "unknown option \"--frequency\""},
        {"single dash", {"-f1", "1"}, "unknown option \"-f1\""},
        {"stray argument", {"1"}, "unexpected argument \"1\""},
        {"missing value", {"--f2"}, "--f2 needs a value"},
        {"given twice", {"--f1", "1", "--f1", "2"}, "--f1 given more than once"},
        {"order 6", {"--order", "6"}, "--order: \"6\" is not one of 4, 8, 12"},
        {"order with blank", {"--order", " 8"}, "--order: \" 8\" is not one of 4, 8, 12"},
        {"unknown load",
         {"--load", "series-lc"},
         "--load: \"series-lc\" is not one of series-rl, series-rc, shunt-rl, shunt-rc"},
        {"line feed",
         {"--f1", "1\n2"},
         "--f1: the text holds a line break, which no text box can hold"},
        {"carriage return",
         {"--zlow=10\r"},
         "--zlow: the text holds a line break, which no text box can hold"},
        {"line break in absorb",
         {"--absorb", "\n"},
         "--absorb: the text holds a line break, which no text box can hold"},
    };
    std::vector<std::string> warnings;
    for (const ParseCase &c : cases) {
        DesignInputs request;
        EXPECT_EQ(ParseArguments(c.args, DesignOptions(request, warnings)), c.problem) << c.name;
    }
}

TEST(ParseArguments, FillsTheRequestAsTyped)
{
    std::vector<std::string> warnings;
    DesignInputs request;
    ASSERT_EQ(ParseArguments({"--f1", " 1.0", "--f2=2 GHz", "--zhigh", "-50", "--order", "12",
                              "--load", "shunt-rl", "--absorb", "3.3nH"},
                             DesignOptions(request, warnings)),
              "");
    EXPECT_EQ(request.f1Text, " 1.0");
    EXPECT_EQ(request.f2Text, "2 GHz");
    EXPECT_EQ(request.zhighText, "-50");
    EXPECT_EQ(request.zlowText, "");
    EXPECT_EQ(request.networkOrder, 12);
    EXPECT_EQ(request.loadType, LoadType::ShuntRL);
    EXPECT_TRUE(request.absorb);
    EXPECT_EQ(request.absorbText, "3.3nH");

    // Left out: the window's initial state.
    DesignInputs defaults;
    ASSERT_EQ(ParseArguments({}, DesignOptions(defaults, warnings)), "");
    EXPECT_EQ(defaults.networkOrder, 4);
    EXPECT_EQ(defaults.loadType, LoadType::SeriesRL);
    EXPECT_FALSE(defaults.absorb);
    EXPECT_EQ(defaults.absorbText, " 0.0");
}

TEST(RunCli, BadUsageIsOneLineAndTouchesNothing)
{
    const Args cases[] = {{"--bogus"},       {"--f1"},       {"--order", "6"}, {"--load", "RL"},
                          {"--f1", "1\r\n"}, {"--help=yes"}, {"extra"}};
    for (const Args &args : cases) {
        TempDir dir;
        const CliRun run = RunCliIn(args, dir);
        EXPECT_EQ(run.exitCode, 2) << args[0];
        EXPECT_EQ(run.out, "") << args[0];
        EXPECT_TRUE(run.err.starts_with("tevmar-cli: ")) << run.err;
        EXPECT_TRUE(run.err.ends_with(" (see \"tevmar-cli --help\")\n")) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_TRUE(dir.Entries().empty()) << args[0];
    }
}

TEST(RunCli, HelpAndVersionDesignNothing)
{
    TempDir dir;
    const CliRun version = RunCliIn({"--version"}, dir);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "0.09\n");

    const CliRun help = RunCliIn({"--help"}, dir);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(
        help.out.starts_with("Usage: tevmar-cli --f1 TEXT --f2 TEXT --zhigh TEXT --zlow TEXT"));
    for (const char *option : {"--f1", "--f2", "--zhigh", "--zlow", "--order", "--load", "--absorb",
                               "--help", "--version"})
        EXPECT_NE(help.out.find(std::string("\n  ") + option + " "), std::string::npos) << option;
    EXPECT_EQ(help.err, "");
    EXPECT_TRUE(dir.Entries().empty());
}

TEST(RunCli, TextsReachTheReportAsTyped)
{
    TempDir dir;
    const CliRun run =
        RunCliIn({"--f1", " 1.0", "--f2", "2 GHz", "--zhigh", "50.0 ", "--zlow", "10ohm"}, dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> file = LinesOf(ReadBytes(dir / "tevmar.prt"), "\r\n");
    ASSERT_GT(file.size(), 10u);
    EXPECT_EQ(file[3], "          1.0 to 2 GHz GHz");
    EXPECT_EQ(file[10], "         50.0  to 10ohm Ohms");
    // Blanks around a number are no surprise; words after it are.
    EXPECT_EQ(run.err, "tevmar-cli: warning: --f2: \"2 GHz\" read as 2\n"
                       "tevmar-cli: warning: --zlow: \"10ohm\" read as 10\n");
}

// A text the box reads differently from what was typed is named on standard
// error; the design, its report and the exit status are those of the number read.
TEST(RunCli, WarnsOfTextsNotReadAsTyped)
{
    TempDir plainDir, sloppyDir;
    const CliRun plain = RunCliIn({"--f1", "2", "--f2", "0", "--zhigh", "50", "--zlow", "10",
                                   "--load", "shunt-rc", "--absorb", "0"},
                                  plainDir);
    const CliRun sloppy = RunCliIn({"--f1", "2,5", "--f2", "abc", "--zhigh", "50", "--zlow", "10",
                                    "--load", "shunt-rc", "--absorb", ""},
                                   sloppyDir);
    EXPECT_EQ(sloppy.exitCode, plain.exitCode);
    EXPECT_EQ(sloppy.out, plain.out);
    EXPECT_EQ(sloppy.err, "tevmar-cli: warning: --f1: \"2,5\" read as 2\n"
                          "tevmar-cli: warning: --f2: \"abc\" read as 0\n"
                          "tevmar-cli: warning: --absorb: \"\" read as 0\n" +
                              plain.err);

    TempDir dir;
    const CliRun exact = RunCliIn(
        {"--f1", " 1e0", "--f2", "2.", "--zhigh", "+50", "--zlow", "1E1\t", "--absorb", ".5"}, dir);
    EXPECT_EQ(exact.exitCode, 0);
    EXPECT_EQ(exact.err, "");
    const CliRun huge = RunCliIn({"--f1", "1", "--f2", "1e999"}, dir);
    EXPECT_TRUE(huge.err.starts_with("tevmar-cli: warning: --f2: \"1e999\" read as inf\n"))
        << huge.err;
}

TEST(RunCli, LeftOutChoicesAreTheWindowsInitialOnes)
{
    TempDir implicit, explicitDir;
    const Args design{"--f1", "1", "--f2", "2", "--zhigh", "50", "--zlow", "10"};
    Args spelled = design;
    spelled.insert(spelled.end(), {"--order", "4", "--load", "series-rl"});
    const CliRun a = RunCliIn(design, implicit);
    const CliRun b = RunCliIn(spelled, explicitDir);
    ASSERT_EQ(a.exitCode, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(ReadBytes(implicit / "tevmar.prt"), ReadBytes(explicitDir / "tevmar.prt"));
    EXPECT_NE(a.out.find("\nLP="), std::string::npos); // series RL: the inductive table
}

} // namespace
} // namespace tevmar::cli
