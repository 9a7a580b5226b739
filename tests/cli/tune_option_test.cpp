// tevmar-cli --tune in-process: the tuned part of the JSON, the files carrying
// the tuned network, and the network written where no design exists.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "session/options/design_options.h"
#include "tests/analysis/ngspice_run.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tevmar::cli {
namespace {

using namespace ::tevmar::session;

using test_files::ReadBytes;
using test_files::TempDir;
using Args = std::vector<std::string>;

// The largest in-band |S11| of the CSV sweep's first network (the one the
// other files carry), from its dB column.
double CsvGammaMax(const std::string &csv, double lowHz, double highHz)
{
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line); // header
    double worst = 0;
    while (std::getline(lines, line)) {
        const double f = std::stod(line);
        const double db = std::stod(line.substr(line.find(',') + 1));
        if (f >= lowHz && f <= highHz)
            worst = std::max(worst, std::pow(10.0, db / 20));
    }
    return worst;
}

// 2 to 3 GHz, 50 to 8 ohms, order 8, series RC absorbing 10 pF: |S11| 0.042 by design.
const Args kSeriesRc{"--f1", "2",       "--f2", "3",      "--zhigh",   "50",       "--zlow",
                     "8",    "--order", "8",    "--load", "series-rc", "--absorb", "10"};

TEST(TuneOption, JsonGainsTheTunedNetworkAndTheFilesCarryIt)
{
    TempDir dir;
    Args args = kSeriesRc;
    const std::string csv = (dir / "sweep.csv").string();
    for (const char *extra : {"--tune", "--json", "--eseries", "E24", "--lin", "--points", "1001",
                              "--from", "2", "--to", "3", "--sweep"})
        args.push_back(extra);
    args.push_back(csv);
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;

    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["status"], "solved");
    const auto &tuned = json["tuned"];
    EXPECT_NEAR(tuned["startGammaMax"].get<double>(), 0.042, 0.0005);
    EXPECT_LE(tuned["gammaMax"].get<double>(), 0.0080);
    EXPECT_EQ(tuned["absorbedLoad"]["value"], 10.0);
    EXPECT_EQ(tuned["absorbedLoad"]["port"], 2);
    EXPECT_EQ(tuned["absorbedLoad"]["absorbedLoad"], true);
    EXPECT_EQ(tuned["elements"].size(), 7u) << "the load's 10 pF is not a part";
    EXPECT_GT(tuned["bodeFano"]["returnLossShortOfLimitDb"].get<double>(), 0.0);
    const auto &standard = tuned["standardValues"];
    EXPECT_LE(standard["gammaMax"].get<double>(), standard["snappedGammaMax"].get<double>());

    // The sweep's network is the tuned one with the 10 pF load, not the design.
    EXPECT_LE(CsvGammaMax(ReadBytes(csv), 2e9, 3e9), 0.0081);
    EXPECT_NE(ReadBytes(dir / "tevmar.prt").find("Pico-Farad"), std::string::npos);
}

// The engineer's check of the file: ngspice runs the exported standard-value
// network with the load the bench attaches and finds the JSON's figure.
TEST(TuneOption, SpiceFileHoldsTheTunedStandardValueNetworkWithoutTheLoad)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    TempDir dir;
    Args args = kSeriesRc;
    const std::string spice = (dir / "match.cir").string();
    for (const char *extra : {"--tune", "--json", "--eseries", "E24", "--spice"})
        args.push_back(extra);
    args.push_back(spice);
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const auto standard = nlohmann::json::parse(run.out)["tuned"]["standardValues"];

    const std::string netlist = ReadBytes(spice);
    const std::size_t start = netlist.find(".subckt");
    const std::string subcircuit = netlist.substr(start, netlist.find(".ends") - start);
    EXPECT_EQ(subcircuit.find("load"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("\nCload p2 r2 10p "), std::string::npos) << netlist;
    // Each part's line holds its standard value: "C1 p1 0 0.039p ; CP=".
    for (const auto &part : standard["elements"]) {
        const std::size_t line = subcircuit.find("\n" + part["part"].get<std::string>() + " ");
        ASSERT_NE(line, std::string::npos) << part;
        std::istringstream words(subcircuit.substr(line));
        std::string name, from, to, value;
        words >> name >> from >> to >> value;
        EXPECT_DOUBLE_EQ(std::stod(value), part["standard"].get<double>()) << part;
    }

    const std::vector<double> s11 =
        test_ngspice::ReadPrintTables(test_ngspice::RunNgspice(TEVMAR_NGSPICE, spice))["vm(s11)"];
    ASSERT_FALSE(s11.empty());
    // 201 points across the band come within a few percent of each ripple peak.
    const double worst = *std::max_element(s11.begin(), s11.end());
    const double expected = standard["gammaMax"].get<double>();
    EXPECT_LE(worst, expected * 1.001);
    EXPECT_GE(worst, expected * 0.95);
}

TEST(TuneOption, WritesTheTunedNetworkWhereNoDesignAbsorbsTheLoad)
{
    // 1 to 1.3 GHz, 50 to 12 ohms, order 8, series RL with 2.5 nH: out of range.
    TempDir dir;
    test_files::WriteBytes(dir / "tevmar.prt", "previous report\n");
    const std::string spice = (dir / "match.cir").string();
    const Args args{"--f1",     "1",   "--f2",    "1.3",    "--zhigh", "50",
                    "--zlow",   "12",  "--order", "8",      "--load",  "series-rl",
                    "--absorb", "2.5", "--tune",  "--json", "--spice", spice};
    const CliRun run = RunCliIn(args, dir);
    EXPECT_EQ(run.exitCode, kExitTuned);
    EXPECT_NE(run.err.find("SOLUTION OUT OF RANGE"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("tuned network was written"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), "previous report\n");

    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["status"], "solution out of range");
    EXPECT_LE(json["tuned"]["gammaMax"].get<double>(), 0.040);
    EXPECT_LT(json["tuned"]["startingDesign"]["absorbedValue"].get<double>(), 2.5);
    // The bench attaches the true 2.5 nH to the tuned parts.
    EXPECT_NE(ReadBytes(spice).find("\nLload p2 r2 2.5n "), std::string::npos);

    // Without --tune the same inputs stay a plain failure that writes nothing.
    const CliRun plain = RunCliIn(Args(args.begin(), args.end() - 4), dir);
    EXPECT_EQ(plain.exitCode, kExitNoSolution);

    // 50 to 49.999 ohms has no design for any value of the load: nothing is
    // tuned without it, and the engineer is told so.
    const CliRun none = RunCliIn({"--f1", "1", "--f2", "3", "--zhigh", "50", "--zlow", "49.999",
                                  "--order", "4", "--load", "series-rc", "--absorb", "1", "--tune",
                                  "--spice", (dir / "none.cir").string()},
                                 dir);
    EXPECT_EQ(none.exitCode, kExitNoSolution);
    EXPECT_NE(none.err.find("nothing was tuned"), std::string::npos) << none.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "none.cir"));
}

// The four load kinds where no design absorbs the load: tevmar-cli tunes
// into the true load, and ngspice, running the exported network with the load
// the bench attaches, finds the figure the JSON claims. The tuned network's
// own tolerance trials and sensitivity come with it.
TEST(TuneOption, WritesTheTunedNetworkIntoTheTrueLoadOfEveryKind)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    struct Fault
    {
        Args band;
        const char *load, *absorb, *loadLine;
        double mostGamma;
    };
    const Fault faults[] = {
        {{"--f1", "1", "--f2", "1.3", "--zlow", "12"},
         "series-rc",
         "0.5",
         "Cload p2 r2 0.5p",
         0.99},
        {{"--f1", "3", "--f2", "4", "--zlow", "20"}, "shunt-rl", "2", "Lload p1 0 2n", 0.031},
        {{"--f1", "1", "--f2", "1.3", "--zlow", "12"},
         "series-rl",
         "2.5",
         "Lload p2 r2 2.5n",
         0.0125},
        {{"--f1", "1", "--f2", "2", "--zlow", "10"}, "shunt-rc", "5", "Cload p1 0 5p", 0.23},
    };
    for (const Fault &f : faults) {
        SCOPED_TRACE(f.load);
        TempDir dir;
        const std::string spice = (dir / "match.cir").string();
        Args args = f.band;
        for (const char *extra : {"--zhigh", "50", "--order", "8", "--load", f.load, "--absorb",
                                  f.absorb, "--tune", "--json", "--monte-carlo", "100", "--spice"})
            args.push_back(extra);
        args.push_back(spice);
        const CliRun run = RunCliIn(args, dir);
        ASSERT_EQ(run.exitCode, kExitTuned) << run.err;
        const auto tuned = nlohmann::json::parse(run.out)["tuned"];
        const double gamma = tuned["gammaMax"].get<double>();
        EXPECT_LE(gamma, f.mostGamma);
        EXPECT_EQ(tuned["monteCarlo"]["trials"], 100);
        EXPECT_EQ(tuned["sensitivity"].size(), tuned["elements"].size());

        const std::string netlist = ReadBytes(spice);
        EXPECT_NE(netlist.find(std::string("\n") + f.loadLine + " "), std::string::npos) << netlist;
        EXPECT_EQ(netlist.find("nothing absorbed"), std::string::npos) << netlist;
        const std::vector<double> s11 = test_ngspice::ReadPrintTables(
            test_ngspice::RunNgspice(TEVMAR_NGSPICE, spice))["vm(s11)"];
        ASSERT_FALSE(s11.empty());
        const double worst = *std::max_element(s11.begin(), s11.end());
        EXPECT_LE(worst, gamma * 1.001);
        EXPECT_GE(worst, gamma * 0.95);
    }
}

// --l-range and --c-range bound every tuned part; a part held at a limit is
// named in the lines and marked in the JSON; the CSV says its columns are the
// tuned network's.
TEST(TuneOption, KeepsThePartsWithinTheRangesAndMarksALimit)
{
    TempDir dir;
    Args args = kSeriesRc;
    const std::string csv = (dir / "sweep.csv").string();
    for (const char *extra :
         {"--tune", "--json", "--l-range", "0.5:10", "--c-range", "0.3:5", "--sweep"})
        args.push_back(extra);
    args.push_back(csv);
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const auto tuned = nlohmann::json::parse(run.out)["tuned"];
    int atLimit = 0;
    for (const auto &part : tuned["elements"]) {
        const double value = part["tuned"].get<double>();
        const bool inductor = part["unit"] == "nH";
        EXPECT_GE(value, inductor ? 0.5 : 0.3) << part;
        EXPECT_LE(value, inductor ? 10 : 5) << part;
        atLimit += part["atLimit"].get<bool>();
    }
    EXPECT_GE(atLimit, 1);
    EXPECT_EQ(ReadBytes(csv).rfind("frequency_hz,tuned_full_s11_db,", 0), 0u);

    args.erase(std::find(args.begin(), args.end(), "--json"));
    args.insert(args.end(), {"--monte-carlo", "50"});
    const CliRun lines = RunCliIn(args, dir);
    EXPECT_NE(lines.out.find("  At a range limit: C1 0.3 pF (lower limit)"), std::string::npos)
        << lines.out;
    EXPECT_NE(lines.out.find("\nTuned network: Tolerance +-5 % (50 trials, seed 1)"),
              std::string::npos)
        << lines.out;

    for (const char *bad : {"5:1", "1e-300:1", "1:1e300", "1", "a:2", "0:1"})
        EXPECT_EQ(RunCliIn({"--l-range", bad}, dir).exitCode, kExitBadUsage) << bad;
    Args untuned = kSeriesRc;
    untuned.insert(untuned.end(), {"--c-range", "1:2"});
    const CliRun refused = RunCliIn(untuned, dir);
    EXPECT_EQ(refused.exitCode, kExitBadUsage);
    EXPECT_NE(refused.err.find("--c-range applies to --tune"), std::string::npos) << refused.err;
}

} // namespace
} // namespace tevmar::cli
