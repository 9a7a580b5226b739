// The SPICE netlist of a line candidate, run through ngspice, against the
// tool's own figures of the same network (its Touchstone 2.0 file, each
// port referred to its termination): ideal lines as ngspice's lossless T,
// strips on FR-4 as sections of its lossy LTRA line with the dielectric's
// conductance at the joints.

#include "cli/outcome_writer.h"
#include "tests/analysis/ngspice_run.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;

// 50 ohms into 20 over 2.3-2.5 GHz.
const Args kMatch{"--f1", "2.3", "--f2", "2.5", "--zhigh", "50", "--zlow", "20", "--candidates"};
constexpr int kPoints = 5;

Args With(Args args, const Args &extra)
{
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

// |S11| and |S21| at each frequency of a two-port Touchstone 2.0 file in
// real and imaginary parts, S11 S12 S21 S22 on each row.
struct Figures
{
    std::vector<double> hz, s11, s21;
};

Figures FromTouchstone(const std::string &text)
{
    Figures f;
    std::istringstream lines(text);
    bool data = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("[Network Data]")) {
            data = true;
            continue;
        }
        if (!data || line.empty() || line[0] == '!' || line[0] == '[')
            continue;
        std::istringstream row(line);
        double v[9];
        for (double &x : v)
            row >> x;
        f.hz.push_back(v[0]);
        f.s11.push_back(std::abs(std::complex<double>(v[1], v[2])));
        f.s21.push_back(std::abs(std::complex<double>(v[5], v[6])));
    }
    return f;
}

// The first candidate of each topology, written as a netlist and a
// Touchstone file over the band at kPoints frequencies; ngspice's sweep of
// the netlist's bench at the same frequencies agrees within the bounds.
struct Agreement
{
    double s11 = 0, s21 = 0; // the worst differences
    std::string netlist;
};

std::vector<Agreement> ExpectNgspiceAgrees(const Args &match,
                                           const std::vector<std::string> &topologies,
                                           double s11Bound, double s21Bound)
{
    TempDir dir;
    const CliRun list = RunCliIn(With(match, {"--json"}), dir);
    EXPECT_TRUE(list.exitCode == kExitDesigned || list.exitCode == kExitTuned) << list.err;
    const nlohmann::json candidates = nlohmann::json::parse(list.out).at("candidates");
    std::vector<Agreement> agreements;
    for (const std::string &topology : topologies) {
        std::size_t pick = 0;
        for (std::size_t i = 0; i < candidates.size() && pick == 0; ++i)
            if (candidates[i].at("topology") == topology)
                pick = i + 1;
        EXPECT_GT(pick, 0u) << topology;
        if (pick == 0)
            continue;

        const std::string spice = (dir / (topology + ".cir")).string();
        const std::string s2p = (dir / (topology + ".s2p")).string();
        const CliRun files =
            RunCliIn(With(match, {"--pick", std::to_string(pick), "--spice", spice,
                                  "--touchstone-v2", s2p, "--lin", "--from", "2.3", "--to", "2.5",
                                  "--points", std::to_string(kPoints)}),
                     dir);
        EXPECT_TRUE(files.exitCode == kExitDesigned || files.exitCode == kExitTuned) << files.err;
        Agreement agreement{0, 0, test_files::ReadBytes(spice)};
        const Figures tool = FromTouchstone(test_files::ReadBytes(s2p));
        EXPECT_EQ(tool.hz.size(), static_cast<std::size_t>(kPoints));

        auto tables =
            test_ngspice::ReadPrintTables(test_ngspice::RunNgspice(TEVMAR_NGSPICE, spice));
        const std::vector<double> &hz = tables["frequency"], &s11 = tables["vm(s11)"],
                                  &s21 = tables["vm(s21)"];
        EXPECT_EQ(hz.size(), 201u); // the bench's sweep of the band
        for (std::size_t i = 0; i < tool.hz.size() && hz.size() == 201; ++i) {
            const std::size_t k = i * (hz.size() - 1) / (kPoints - 1);
            EXPECT_NEAR(hz[k], tool.hz[i], 1);
            EXPECT_NEAR(s11[k], tool.s11[i], s11Bound) << topology << " at " << tool.hz[i];
            EXPECT_NEAR(s21[k], tool.s21[i], s21Bound) << topology << " at " << tool.hz[i];
            agreement.s11 = std::max(agreement.s11, std::abs(s11[k] - tool.s11[i]));
            agreement.s21 = std::max(agreement.s21, std::abs(s21[k] - tool.s21[i]));
        }
        // The candidate's claimed worst |S11| is the worst ngspice finds.
        if (!s11.empty()) {
            const double claimed = candidates[pick - 1].at("gammaMax").get<double>();
            EXPECT_NEAR(*std::max_element(s11.begin(), s11.end()), claimed,
                        s11Bound + 1e-3 * claimed)
                << topology;
        }
        agreements.push_back(agreement);
    }
    return agreements;
}

TEST(LineSpice, IdealLinesAsTCardsGiveTheToolsFigures)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    const Args ideal = With(kMatch, {"--lines", "ideal"});
    // A stub, a stepped transformer and a line with a part: ngspice's
    // lossless line is the ideal line exactly, to its printed digits.
    ExpectNgspiceAgrees(ideal, {"stub", "stepped", "mixed"}, 1e-5, 1e-5);
}

TEST(LineSpice, StripsAsLtraSectionsFollowTheMicrostripModel)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    // Lossless copper and dielectric: the sections' L and C at the centre
    // carry the strips' Z0 and delay; what remains is the dispersion left
    // out over a 8 % band.
    const Args lossless = With(
        kMatch, {"--lines", "microstrip", "--substrate", "er=4.4,h=1.6mm,t=35um,tand=0,rho=0"});
    ExpectNgspiceAgrees(lossless, {"stub"}, 1e-3, 1e-4);

    // FR-4 as it is: the copper's loss in R, the dielectric's across the
    // joints, as the tool's own strip has them. As run the two part by
    // 0.0005 in |S11| and 0.0001 in |S21| at most, the loss's growth and the
    // dispersion over the band the netlist leaves out.
    const Args fr4 =
        With(kMatch, {"--lines", "microstrip", "--substrate", "er=4.4,h=1.6mm,t=35um,tand=0.02"});
    const std::vector<Agreement> agreements =
        ExpectNgspiceAgrees(fr4, {"stub", "mixed"}, 0.002, 0.0005);
    EXPECT_EQ(agreements.size(), 2u);
    for (const Agreement &a : agreements) {
        // The header says what the cards leave out.
        for (const char *words : {"LTRA", "dispersion", "growth with frequency", "end extension"})
            EXPECT_NE(a.netlist.find(words), std::string::npos) << words << "\n" << a.netlist;
    }
}

} // namespace
} // namespace tevmar::cli
