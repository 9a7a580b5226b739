// tevmar-cli --candidates in-process: the table and the JSON for a load the
// synthesis cannot absorb and for a measured one, the picked network in the
// files (checked by ngspice), and the combinations refused.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "tests/analysis/ngspice_run.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"
#include "tests/session/chip_antenna.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>

namespace tevmar::cli {
namespace {

using test_files::ReadBytes;
using test_files::TempDir;
using Args = std::vector<std::string>;

// 30 ohms + 2 nH from 50 ohms over 1.8-2.2 GHz: no bandpass design at any order.
const Args kAntenna{"--f1",   "1.8", "--f2",   "2.2",       "--zhigh",  "50",
                    "--zlow", "30",  "--load", "series-rl", "--absorb", "2"};

Args With(Args args, const std::vector<std::string> &extra)
{
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// Every part within the ranges in force (nH, then pF), marked at a limit.
void ExpectSoundCandidates(const nlohmann::json &candidates, double lLow = 0.1, double lHigh = 1e4,
                           double cLow = 0.1, double cHigh = 1e5)
{
    ASSERT_GE(candidates.size(), 12u);
    for (const auto &c : candidates)
        for (const char *list : {"elements", "standardValues"}) {
            if (!c.contains(list))
                continue;
            const auto &elements = std::string(list) == "elements" ? c[list] : c[list]["elements"];
            for (const auto &e : elements) {
                const bool inductor = e["unit"] == "nH";
                const double v = e["value"], low = inductor ? lLow : cLow,
                             high = inductor ? lHigh : cHigh;
                EXPECT_GE(v, low * (1 - 1e-9)) << e;
                EXPECT_LE(v, high * (1 + 1e-9)) << e;
                EXPECT_EQ(e["atLimit"].get<bool>(), v <= low * (1 + 1e-6) || v >= high * (1 - 1e-6))
                    << e;
            }
        }
    const std::set<std::string> kinds{"series inductor", "series capacitor", "shunt inductor",
                                      "shunt capacitor"};
    double previous = 0;
    for (const auto &c : candidates) {
        const std::string topology = c["topology"];
        // A family's name, or a ladder's parts in order ("shunt C, series C").
        EXPECT_TRUE(topology == "bandpass" || topology == "lowpass" || topology == "highpass" ||
                    topology.rfind("series ", 0) == 0 || topology.rfind("shunt ", 0) == 0)
            << topology;
        EXPECT_EQ(c["elements"].size(), c["parts"].get<std::size_t>());
        for (const auto &e : c["elements"])
            EXPECT_EQ(kinds.count(e["kind"].get<std::string>()), 1u) << e;
        EXPECT_GE(c["gammaMax"].get<double>(), previous);
        EXPECT_LE(c["gammaMax"].get<double>(), c["startGammaMax"].get<double>());
        previous = c["gammaMax"].get<double>();
    }
}

TEST(CandidatesOption, LoadWithoutTextbookDesignGetsRankedCandidatesAndThePickedSpiceFile)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    TempDir dir;
    test_files::WriteBytes(dir / "tevmar.prt", "previous report\n");
    const std::string spice = (dir / "match.cir").string();
    const CliRun run =
        RunCliIn(With(kAntenna, {"--candidates", "--json", "--pick", "3", "--spice", spice}), dir);
    EXPECT_EQ(run.exitCode, kExitTuned) << run.err;
    EXPECT_NE(run.err.find("candidate networks were written"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(dir / "tevmar.prt"), "previous report\n");
    const auto candidates = nlohmann::json::parse(run.out)["candidates"];
    ExpectSoundCandidates(candidates);
    EXPECT_LT(candidates[0]["gammaMax"].get<double>(), 0.01);

    // The file holds candidate 3 with the 2 nH the bench attaches; ngspice
    // finds its figure.
    const auto &picked = candidates[2];
    const std::string netlist = ReadBytes(spice);
    for (const auto &e : picked["elements"])
        EXPECT_NE(netlist.find("\n" + e["name"].get<std::string>() + " "), std::string::npos)
            << netlist;
    const std::vector<double> s11 =
        test_ngspice::ReadPrintTables(test_ngspice::RunNgspice(TEVMAR_NGSPICE, spice))["vm(s11)"];
    ASSERT_FALSE(s11.empty());
    const double worst = *std::max_element(s11.begin(), s11.end());
    EXPECT_LE(worst, picked["gammaMax"].get<double>() * 1.001);
    EXPECT_GE(worst, picked["gammaMax"].get<double>() * 0.9);
}

TEST(CandidatesOption, TableFollowsThePaneLinesOfAMeasuredLoad)
{
    TempDir dir;
    const std::string path = (dir / "antenna.s1p").string();
    test_files::WriteBytes(path, test_files::ChipAntennaS1p());
    const Args args{"--f1", "2.3", "--f2", "2.6", "--load-s1p", path, "--source", "50"};
    const CliRun text = RunCliIn(With(args, {"--candidates"}), dir);
    ASSERT_TRUE(text.exitCode == kExitDesigned || text.exitCode == kExitTuned) << text.err;
    const std::size_t table = text.out.find("Candidates, best first");
    ASSERT_NE(table, std::string::npos) << text.out;
    EXPECT_NE(text.out.find("\n  1   "), std::string::npos) << text.out;

    const CliRun json = RunCliIn(With(args, {"--candidates", "--json"}), dir);
    ExpectSoundCandidates(nlohmann::json::parse(json.out)["candidates"]);
}

// The ranges typed hold every candidate's parts; parts at a limit are named
// in the table; a ladder that is a smaller one with a part at its range end
// doing nothing but block DC or feed it appears once, with the DC path noted.
TEST(CandidatesOption, KeepTheRangesTypedAndListEachNetworkOnce)
{
    TempDir dir;
    const Args narrow = With(kAntenna, {"--l-range", "0.5:100", "--c-range", "0.5:100"});
    const CliRun json = RunCliIn(With(narrow, {"--candidates", "--json"}), dir);
    EXPECT_EQ(json.exitCode, kExitTuned) << json.err;
    ExpectSoundCandidates(nlohmann::json::parse(json.out)["candidates"], 0.5, 100, 0.5, 100);
    const CliRun text = RunCliIn(With(narrow, {"--candidates"}), dir);
    EXPECT_NE(text.out.find(" (lower limit)"), std::string::npos) << text.out;

    const Args highImpedance{"--f1",   "0.9", "--f2",   "0.95",     "--zhigh",  "1000",
                             "--zlow", "50",  "--load", "shunt-rc", "--absorb", "2"};
    const CliRun high = RunCliIn(With(highImpedance, {"--candidates", "--json"}), dir);
    const auto candidates = nlohmann::json::parse(high.out)["candidates"];
    ExpectSoundCandidates(candidates);
    int variants = 0;
    for (const auto &c : candidates) {
        if (!c.contains("dcVariants"))
            continue;
        for (const auto &v : c["dcVariants"]) {
            ++variants;
            EXPECT_TRUE(v["dc"] != c["dc"]) << v;
            for (const auto &e : v["parts"])
                EXPECT_TRUE(e["atLimit"].get<bool>()) << e;
        }
    }
    EXPECT_GE(variants, 1);
    const CliRun table = RunCliIn(With(highImpedance, {"--candidates"}), dir);
    EXPECT_NE(table.out.find("(at the range limit; the match unchanged)"), std::string::npos)
        << table.out;
}

TEST(CandidatesOption, RefusesPickWithoutCandidatesOrBeyondThem)
{
    TempDir dir;
    for (const Args &args :
         {With(kAntenna, {"--pick", "1"}), With(kAntenna, {"--candidates", "--pick", "99"}),
          With(kAntenna, {"--candidates", "--order", "5"})}) {
        const CliRun run = RunCliIn(args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << run.err;
        EXPECT_TRUE(run.out.empty());
        EXPECT_FALSE(std::filesystem::exists(dir / "tevmar.prt"));
    }
}

} // namespace
} // namespace tevmar::cli
