// The SPICE netlist: its element lines, and the test bench run by ngspice,
// whose S11 and S21 across the band must agree with the library's sweep.

#include "analysis/export_spice.h"
#include "analysis_fixture.h"
#include "tests/analysis/ngspice_run.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#include <sstream>

namespace tevmar::analysis {
namespace {

using test_ngspice::ReadPrintTables;
using test_ngspice::RunNgspice;

constexpr int kBenchPoints = 201;

std::vector<std::string> Lines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(SpiceNetlist, ElementLinesCarryFullPrecisionInNanoAndPico)
{
    const Design d = RunDesign(kDesigns[0]); // LP, CS, CP, LS
    const Ladder ladder = FromDesign(d.result, Precision::Full);
    const std::string netlist = SpiceNetlist(ladder, BandOf(d.result.band));
    const std::regex element(R"(^([LC])(\d+) (\w+) (\w+) ([0-9.]+)([np]) ; (\S+)$)");
    std::vector<std::smatch> found;
    std::vector<std::string> lines = Lines(netlist);
    for (const std::string &line : lines) {
        std::smatch m;
        if (std::regex_match(line, m, element))
            found.push_back(m);
    }
    ASSERT_EQ(found.size(), 4u);
    const char *nodes[][2] = {{"p1", "0"}, {"p1", "n2"}, {"n2", "0"}, {"n2", "p2"}};
    for (std::size_t i = 0; i < 4; ++i) {
        const LadderElement &e = ladder.elements[i];
        EXPECT_EQ(found[i][1], IsInductor(e.kind) ? "L" : "C");
        EXPECT_EQ(found[i][3], nodes[i][0]);
        EXPECT_EQ(found[i][4], nodes[i][1]);
        EXPECT_EQ(std::stod(found[i][5]), e.value) << "not full precision";
        EXPECT_EQ(found[i][6], IsInductor(e.kind) ? "n" : "p");
        EXPECT_EQ(found[i][7], e.label);
    }
    EXPECT_EQ(lines.back(), ".end");
    EXPECT_NE(netlist.find(".subckt tevmar_match p1 p2\n"), std::string::npos);
    EXPECT_NE(netlist.find("Rport1 drive p1 50\n"), std::string::npos);
    EXPECT_NE(netlist.find(".ac lin 201 1000000000 2000000000\n"), std::string::npos);
}

class NgspiceRun : public testing::TestWithParam<DesignCase>
{
};

TEST_P(NgspiceRun, AgreesWithTheSweepAcrossTheBand)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    const Design d = RunDesign(GetParam());
    const Ladder ladder = FromDesign(d.result, Precision::Full);
    const Band band = BandOf(d.result.band);

    test_files::TempDir dir;
    test_files::WriteBytes(dir / "net.cir", SpiceNetlist(ladder, band));
    const std::string output = RunNgspice(TEVMAR_NGSPICE, dir / "net.cir");
    auto columns = ReadPrintTables(output);
    const std::vector<double> f = BandGrid(band, kBenchPoints);
    ASSERT_EQ(columns["frequency"].size(), f.size()) << output;
    ASSERT_EQ(columns["vm(s11)"].size(), f.size()) << output;
    ASSERT_EQ(columns["vm(s21)"].size(), f.size()) << output;
    for (std::size_t i = 0; i < f.size(); ++i) {
        EXPECT_NEAR(columns["frequency"][i], f[i], 1e-6 * f[i]);
        const SweepPoint p = Evaluate(ladder, f[i]);
        EXPECT_NEAR(columns["vm(s11)"][i], std::abs(p.s.s11), 1e-4) << f[i];
        EXPECT_NEAR(columns["vm(s21)"][i], std::abs(p.s.s21), 1e-4) << f[i];
    }
}

INSTANTIATE_TEST_SUITE_P(Designs, NgspiceRun, testing::ValuesIn(kDesigns),
                         [](const auto &info) { return std::string(info.param.name); });

class NgspiceWithTheTrueLoad : public testing::TestWithParam<DesignCase>
{
};

// The engineer's check: the exported subcircuit, which leaves the load's
// reactance out, with the real load attached by the bench, gives the design's
// own in-band |S11| maximum. A grid of 2001 points lies within 0.01 % of each
// ripple peak, which is flat at its top.
TEST_P(NgspiceWithTheTrueLoad, ReproducesTheDesignsRippleMaximum)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    const Design d = RunDesign(GetParam());
    ASSERT_TRUE(d.result.absorbed);
    const Ladder ladder = FromDesign(d.result, Precision::Full);
    const std::string netlist = SpiceNetlist(ladder, BandOf(d.result.band), 2001);

    // The subcircuit holds the network's parts only; the load stands outside it.
    const std::size_t start = netlist.find(".subckt");
    const std::string subcircuit = netlist.substr(start, netlist.find(".ends") - start);
    EXPECT_EQ(subcircuit.find("load"), std::string::npos) << netlist;
    EXPECT_EQ(std::count(subcircuit.begin(), subcircuit.end(), ';'),
              static_cast<long>(d.result.table.size() - 3));
    EXPECT_NE(netlist.find(IsInductiveLoad(GetParam().load) ? "\nLload " : "\nCload "),
              std::string::npos);

    test_files::TempDir dir;
    test_files::WriteBytes(dir / "net.cir", netlist);
    const std::string output = RunNgspice(TEVMAR_NGSPICE, dir / "net.cir");
    const std::vector<double> s11 = ReadPrintTables(output)["vm(s11)"];
    ASSERT_EQ(s11.size(), 2001u) << output;
    const double worst = *std::max_element(s11.begin(), s11.end());
    EXPECT_NEAR(worst, d.result.GammaMax, 0.005 * d.result.GammaMax) << netlist;
}

INSTANTIATE_TEST_SUITE_P(LoadTypes, NgspiceWithTheTrueLoad, testing::ValuesIn(kAbsorbingDesigns),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(SpiceNetlist, TerminationsAreThePortValuesAsTyped)
{
    // 50 to 5 ohms: the design run's own port-2 figure is 5.0000000004.
    const Design d = RunDesign(kAbsorbingDesigns[1]);
    const std::string netlist =
        SpiceNetlist(FromDesign(d.result, Precision::Full), BandOf(d.result.band));
    EXPECT_NE(netlist.find("\nRport1 drive p1 50\n"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("\nCload p2 r2 20p ; "), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("\nRport2 r2 0 5\n"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("* Port 2: low-impedance end, terminated in 5 ohms\n"),
              std::string::npos);
}

TEST(SpiceNetlist, ShuntElementAfterTheLastSeriesStandsAtPortTwo)
{
    const Ladder ladder{
        50,
        10,
        {{ElementKind::SeriesInductor, 1.0, "LS="}, {ElementKind::ShuntCapacitor, 2.0, "CP="}}};
    const std::string netlist = SpiceNetlist(ladder, Band{1e9, 2e9, std::sqrt(2.0) * 1e9});
    EXPECT_NE(netlist.find("L1 p1 p2 1n ; LS=\n"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("C2 p2 0 2p ; CP=\n"), std::string::npos) << netlist;
}

} // namespace
} // namespace tevmar::analysis
