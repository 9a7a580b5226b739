// tevmar-cli's analysis options in-process: values refused with the option's
// name, the files written (and not written), JSON on standard output.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "session/options/analysis_options.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tevmar::cli {
namespace {

using namespace ::tevmar::session;

using test_files::ReadBytes;
using test_files::TempDir;
using Args = std::vector<std::string>;

const Args kDesign{"--f1", "1", "--f2", "2", "--zhigh", "50", "--zlow", "10"};

Args With(Args extra, const Args &base = kDesign)
{
    Args all = base;
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
}

TEST(AnalysisOptions, HelpDocumentsEveryOne)
{
    const std::string help = UsageText();
    AnalysisRequest request;
    for (const OptionSpec &spec : AnalysisOptionTable(request))
        EXPECT_NE(help.find("\n  " + spec.name + " "), std::string::npos) << spec.name;
}

TEST(AnalysisOptions, BadValuesAreBadUsageNamingTheOption)
{
    TempDir dir;
    const std::string sweep = (dir / "s.csv").string();
    const std::string report = (dir / "tevmar.prt").string();
    const struct
    {
        Args args;
        std::string start; // the message after "tevmar-cli: "
    } rows[] = {
        {{"--points", "0", "--sweep", sweep}, "--points: \"0\" is not a whole number"},
        {{"--points", "12x", "--sweep", sweep}, "--points: \"12x\""},
        {{"--from", "-1", "--sweep", sweep}, "--from: \"-1\" is not a frequency from"},
        {{"--to", "inf", "--sweep", sweep}, "--to: \"inf\""},
        {{"--from", "1 ", "--sweep", sweep}, "--from: \"1 \""},
        {{"--touchstone-r", "0", "--touchstone", sweep}, "--touchstone-r: \"0\""},
        {{"--eseries", "E6"}, "--eseries: \"E6\" is not one of E12, E24, E48, E96"},
        {{"--q-l", "0"}, "--q-l: \"0\" is not a Q of 0.001 or more"},
        {{"--q-c", "nan"}, "--q-c: \"nan\""},
        {{"--monte-carlo", "0"}, "--monte-carlo: \"0\""},
        {{"--monte-carlo", "1000001"},
         "--monte-carlo: \"1000001\" is not a whole number from 1 to 1000000"},
        {{"--tolerance", "100"}, "--tolerance: \"100\" is not a percentage"},
        {{"--tolerance", "-0.5"}, "--tolerance: \"-0.5\""},
        {{"--seed", "-1"}, "--seed: \"-1\""},
        {{"--sweep", ""}, "--sweep: needs a file name"},
        {{"--sweep", sweep, "--log", "--lin"}, "--log and --lin exclude each other"},
        {{"--points", "11"}, "--points shapes the sweep of --sweep, --touchstone or"},
        {{"--yield-vswr", "1"}, "--yield-vswr: \"1\" is not a VSWR above 1"},
        {{"--yield-vswr", "1.5x"}, "--yield-vswr: \"1.5x\""},
        {{"--q-l", "50", "--q-model", "flat"}, "--q-model: \"flat\" is not one of centre"},
        {{"--q-model", "constant"}, "--q-model applies to --q-l and --q-c"},
        {{"--touchstone-v2", sweep, "--sweep", sweep}, "--touchstone-v2: \"" + sweep + "\" is"},
        {{"--lin"}, "--lin shapes the sweep"},
        {{"--touchstone-r", "75"}, "--touchstone-r applies to --touchstone only"},
        {{"--spice", report}, "--spice: \"" + report + "\" is the report file"},
        {{"--sweep", sweep, "--touchstone", sweep}, "--touchstone: \"" + sweep + "\" is already"},
        // The default stop is twice the upper band edge, 4 GHz.
        {{"--sweep", sweep, "--from", "5"}, "--from: 5 GHz lies above the sweep's stop, 4 GHz"},
        {{"--sweep", sweep, "--to", "0.2"}, "--to: 0.2 GHz lies below the sweep's start, 0.5 GHz"},
        {{"--sweep", sweep, "--from", "3", "--to", "2"}, "--from: 3 GHz lies above --to, 2 GHz"},
        {{"--sweep", sweep, "--points", "1"}, "--points: a sweep of 1 point needs"},
        // Standard output carries one thing.
        {{"--sweep", "-", "--spice", "-"}, "--spice -: --sweep already writes standard output"},
        {{"--touchstone", "-", "--json"}, "--touchstone -: --json already writes standard output"},
        {{"--report", "-"}, "--report: the report cannot go to standard output"},
        {{"--report", sweep, "--sweep", sweep}, "--sweep: \"" + sweep + "\" is the report file"},
    };
    for (const auto &row : rows) {
        const CliRun run = RunCliIn(With(row.args), dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << row.start;
        EXPECT_TRUE(run.err.starts_with("tevmar-cli: " + row.start)) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(dir.Entries().empty()) << row.start; // no report, no file
    }
}

TEST(AnalysisOptions, FailedDesignWritesNoneOfTheFiles)
{
    TempDir dir;
    const Args files{"--sweep", (dir / "s.csv").string(), "--touchstone", (dir / "n.s2p").string(),
                     "--spice", (dir / "n.cir").string(), "--json"};
    const CliRun run =
        RunCliIn(With(files, {"--f1", "1", "--f2", "2", "--zhigh", "50", "--zlow", "50"}), dir);
    EXPECT_EQ(run.exitCode, kExitNoSolution);
    EXPECT_TRUE(run.err.starts_with("  SOLUTION OUT OF RANGE\ntevmar-cli: no solution: Zhigh and "
                                    "Zlow are equal (50 ohms)"))
        << run.err;
    EXPECT_TRUE(dir.Entries().empty());
    EXPECT_EQ(nlohmann::json::parse(run.out)["status"], "solution out of range");
}

TEST(AnalysisOptions, DesignOutputStaysAndFilesAndFiguresFollow)
{
    TempDir plain, dir;
    const CliRun reference = RunCliIn(kDesign, plain);
    ASSERT_EQ(reference.exitCode, 0);

    const CliRun run = RunCliIn(With({"--sweep",
                                      (dir / "s.csv").string(),
                                      "--points",
                                      "11",
                                      "--lin",
                                      "--from",
                                      "1",
                                      "--to",
                                      "2",
                                      "--touchstone",
                                      (dir / "n.s2p").string(),
                                      "--touchstone-r",
                                      "75",
                                      "--spice",
                                      (dir / "n.cir").string(),
                                      "--eseries",
                                      "E12",
                                      "--q-l",
                                      "60",
                                      "--monte-carlo",
                                      "50",
                                      "--tolerance",
                                      "1",
                                      "--seed",
                                      "9"}),
                                dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), ReadBytes(plain / "tevmar.prt"));
    ASSERT_TRUE(run.out.starts_with(reference.out + "\n"));
    const std::string figures = run.out.substr(reference.out.size());
    for (const char *expected :
         {"Network check over 1 GHz to 2 GHz:", "Standard values E12, the design's parts:",
          "inductors 60, ideal capacitors", "Tolerance +-1 % (50 trials, seed 9)",
          "Bode-Fano limit: nothing absorbed"})
        EXPECT_NE(figures.find(expected), std::string::npos) << expected;

    const std::string csv = ReadBytes(dir / "s.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 12); // header and 11 points
    EXPECT_NE(csv.find(",snapped_s11_db,"), std::string::npos);
    EXPECT_NE(csv.find(",full_with_q_insertion_loss_db,"), std::string::npos);
    EXPECT_NE(csv.find(",full_with_q_group_delay_ns\n"), std::string::npos);
    EXPECT_NE(csv.find("\n1000000000,"), std::string::npos);
    EXPECT_NE(csv.find("\n1100000000,"), std::string::npos); // linear steps
    EXPECT_NE(ReadBytes(dir / "n.s2p").find("\n# HZ S RI R 75\n"), std::string::npos);
    EXPECT_NE(ReadBytes(dir / "n.cir").find(".subckt tevmar_match p1 p2\n"), std::string::npos);
}

TEST(AnalysisOptions, JsonReplacesThePaneLines)
{
    TempDir dir;
    const CliRun run = RunCliIn(With({"--json", "--monte-carlo", "20"},
                                     With({"--order", "8", "--load", "shunt-rc", "--absorb", "1"})),
                                dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["status"], "solved");
    EXPECT_EQ(j["inputs"]["typed"]["LC_text"], "1");
    EXPECT_EQ(j["elements"].size(), 10u);
    EXPECT_EQ(j["analysis"]["monteCarlo"]["trials"], 20);
    EXPECT_EQ(j["analysis"]["monteCarlo"]["tolerancePercent"], 5.0);
    EXPECT_EQ(j["analysis"]["monteCarlo"]["seed"], 1);
    EXPECT_EQ(j["analysis"]["monteCarlo"]["vswrLimit"], j["loss"]["maxVswr"].get<double>() * 1.1);
    EXPECT_FALSE(j["analysis"].contains("standardValues"));
    EXPECT_FALSE(ReadBytes(dir / "tevmar.prt").empty()); // the report is saved as always
}

TEST(AnalysisOptions, UnwritableFileIsExitFiveAndTheOthersAreWritten)
{
    TempDir dir;
    const CliRun run = RunCliIn(With({"--sweep", (dir / "missing" / "s.csv").string(), "--spice",
                                      (dir / "n.cir").string()}),
                                dir);
    EXPECT_EQ(run.exitCode, kExitFileNotSaved);
    EXPECT_TRUE(run.err.starts_with("tevmar-cli: --sweep: ")) << run.err;
    EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"n.cir", "tevmar.prt"}));

    TempDir other;
    const CliRun v2 =
        RunCliIn(With({"--touchstone-v2", (other / "missing" / "n.s2p").string()}), other);
    EXPECT_EQ(v2.exitCode, kExitFileNotSaved);
    EXPECT_TRUE(v2.err.starts_with("tevmar-cli: --touchstone-v2: ")) << v2.err;
}

TEST(AnalysisOptions, YieldLimitAndQModelReachTheFigures)
{
    TempDir dir;
    const CliRun run = RunCliIn(
        With({"--json", "--yield-vswr", "1.25", "--q-l", "40", "--q-model", "constant"}), dir);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto j = nlohmann::json::parse(run.out);
    EXPECT_EQ(j["analysis"]["monteCarlo"]["vswrLimit"], 1.25);
    EXPECT_EQ(j["analysis"]["monteCarlo"]["trials"], 1000); // the limit alone runs the trials
    EXPECT_EQ(j["analysis"]["finiteQ"]["qModel"], "constant");
}

// "-" puts that file on standard output in place of the pane lines, byte for
// byte what the file would hold; the report and the other files are saved.
TEST(AnalysisOptions, DashWritesTheFileToStandardOutput)
{
    TempDir files;
    const Args sweep{"--points", "21", "--eseries", "E24"};
    ASSERT_EQ(RunCliIn(With({"--sweep", (files / "s.csv").string(), "--touchstone",
                             (files / "n.s2p").string(), "--spice", (files / "n.cir").string()},
                            With(sweep)),
                       files)
                  .exitCode,
              0);
    for (const auto &[option, name] :
         {std::pair{"--sweep", "s.csv"}, std::pair{"--touchstone", "n.s2p"},
          std::pair{"--spice", "n.cir"}}) {
        TempDir dir;
        const std::string other = option == std::string("--spice") ? "--sweep" : "--spice";
        const CliRun run =
            RunCliIn(With({option, "-", other, (dir / "other").string()}, With(sweep)), dir);
        EXPECT_EQ(run.exitCode, 0) << option << run.err;
        EXPECT_EQ(run.err, "") << option;
        EXPECT_EQ(run.out, ReadBytes(files / name)) << option;
        EXPECT_EQ(dir.Entries(), (std::vector<std::string>{"other", "tevmar.prt"})) << option;
    }
}

TEST(AnalysisOptions, ReportGoesWhereReportSays)
{
    TempDir dir, elsewhere;
    const std::string report = (elsewhere / "design.prt").string();
    const CliRun run = RunCliIn(With({"--report", report, "--json"}), dir);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(dir.Entries().empty());
    TempDir plain;
    ASSERT_EQ(RunCliIn(kDesign, plain).exitCode, 0);
    EXPECT_EQ(ReadBytes(report), ReadBytes(plain / "tevmar.prt"));

    // The design stands when only the report cannot be saved.
    const CliRun unsaved =
        RunCliIn(With({"--report", (dir / "missing" / "r.prt").string(), "--sweep", "-"}), dir);
    EXPECT_EQ(unsaved.exitCode, kExitReportNotSaved);
    EXPECT_TRUE(unsaved.out.starts_with("frequency_hz,")) << unsaved.out.substr(0, 80);
    EXPECT_TRUE(unsaved.err.starts_with("  REPORT NOT SAVED\n")) << unsaved.err;
}

} // namespace
} // namespace tevmar::cli
