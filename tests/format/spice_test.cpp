// The SPICE netlist: its element lines, and the test bench run by ngspice,
// whose S11 and S21 across the band must agree with the library's sweep.

#include "analysis/search/load_fit.h"
#include "analysis/figures/network_analysis.h"
#include "format/export_json.h"
#include "format/export_spice.h"
#include "report/number_format.h"
#include "tests/analysis/analysis_fixture.h"
#include "tests/analysis/ngspice_run.h"
#include "tests/report/test_files.h"
#include "tests/session/chip_antenna.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>

namespace tevmar::format {
using namespace analysis;
namespace {

using test_ngspice::ReadPrintTables;
using test_ngspice::RunNgspice;

constexpr int kBenchPoints = 201;

TEST(SpiceNetlist, ElementLinesCarryFullPrecisionInNanoAndPico)
{
    const Design d = RunDesign(kDesigns[0]); // LP, CS, CP, LS
    const Network ladder = DesignedNetworkOf(d.result).full;
    const std::string netlist = SpiceNetlist(ladder, BandOf(d.result.band));
    const std::regex element(R"(^([LC])(\d+) (\w+) (\w+) ([0-9.]+)([np]) ; (\S+)$)");
    std::vector<std::smatch> found;
    std::vector<std::string> lines = test_files::LinesOf(netlist, "\n");
    for (const std::string &line : lines) {
        std::smatch m;
        if (std::regex_match(line, m, element))
            found.push_back(m);
    }
    ASSERT_EQ(found.size(), 4u);
    const char *nodes[][2] = {{"p1", "0"}, {"p1", "n2"}, {"n2", "0"}, {"n2", "p2"}};
    for (std::size_t i = 0; i < 4; ++i) {
        const Part &e = ladder.parts[i];
        EXPECT_EQ(found[i][1], e.inductor() ? "L" : "C");
        EXPECT_EQ(found[i][3], nodes[i][0]);
        EXPECT_EQ(found[i][4], nodes[i][1]);
        EXPECT_EQ(std::stod(found[i][5]), e.value) << "not full precision";
        EXPECT_EQ(found[i][6], e.inductor() ? "n" : "p");
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
    const Network ladder = DesignedNetworkOf(d.result).full;
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
    const Network ladder = DesignedNetworkOf(d.result).full;
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
        SpiceNetlist(DesignedNetworkOf(d.result).full, BandOf(d.result.band));
    EXPECT_NE(netlist.find("\nRport1 drive p1 50\n"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("\nCload p2 r2 20p ; "), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("\nRport2 r2 0 5\n"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("* Port 2: low-impedance end, terminated in 5 ohms\n"),
              std::string::npos);
}

// An engineer reads "C3" in the document and looks for it in the netlist: the
// parts of the design's table carry the netlist's names and values, in its
// order, with the absorbed load at either port left out of the count.
TEST(SpiceNetlist, DocumentNamesEachPartAsTheNetlistDoes)
{
    for (const DesignCase &c : kAbsorbingDesigns) {
        const Design d = RunDesign(c);
        const std::string netlist =
            SpiceNetlist(DesignedNetworkOf(d.result).full, BandOf(d.result.band));
        std::vector<std::pair<std::string, double>> cards;
        const std::regex card(R"(^([LC]\d+) \w+ \w+ ([0-9.e+-]+)([np]).*$)");
        for (const std::string &line : test_files::LinesOf(netlist, "\n"))
            if (std::smatch m; std::regex_match(line, m, card))
                cards.emplace_back(m[1], std::stod(m[2]));
        const auto document = nlohmann::json::parse(DesignJson(d.inputs, d.result, "", nullptr));
        std::vector<std::pair<std::string, double>> named;
        for (const auto &element : document["elements"])
            if (element.contains("part"))
                named.emplace_back(element["part"], element["full"]);
        ASSERT_EQ(named.size(), cards.size()) << c.name << "\n" << netlist;
        for (std::size_t i = 0; i < cards.size(); ++i) {
            EXPECT_EQ(named[i].first, cards[i].first) << c.name;
            EXPECT_NEAR(named[i].second, cards[i].second, 1e-9 * cards[i].second) << c.name;
        }
    }
}

TEST(SpiceNetlist, ShuntElementAfterTheLastSeriesStandsAtPortTwo)
{
    const Network ladder{
        50,
        10,
        {{ElementKind::SeriesInductor, 1.0, "LS="}, {ElementKind::ShuntCapacitor, 2.0, "CP="}}};
    const std::string netlist = SpiceNetlist(ladder, Band{1e9, 2e9, std::sqrt(2.0) * 1e9});
    EXPECT_NE(netlist.find("L1 p1 p2 1n ; LS=\n"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("C2 p2 0 2p ; CP=\n"), std::string::npos) << netlist;
}

// The measured-load figures against an independent simulator with the
// physical load: the chip antenna (18 ohms + 1.2 nH, 0.2 pF across its pads)
// measured on a 1 MHz grid, the order-4 network designed for its series RL
// fit. The exported subcircuit driving the antenna's own circuit in ngspice
// gives the in-band |S11| maximum the analysis computes into the data.
TEST(SpiceNetlist, NetworkIntoAMeasuredAntennaAgreesWithItsCircuitInNgspice)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    const OnePortData data = ReadOnePort(test_files::ChipAntennaS1p(2.0, 3.0, 1.0), "antenna.s1p");
    const LoadFit fit = FitLoad(PointsInBand(data, 2.3e9, 2.6e9), LoadType::SeriesRL);
    const std::string zlow = SignificantNumber(fit.resistanceOhms, 6);
    const std::string absorb = SignificantNumber(fit.reactiveValue, 6);
    const Design d = RunDesign(
        {"antenna", "2.3", "2.6", "50", zlow.c_str(), 4, LoadType::SeriesRL, absorb.c_str()});
    ASSERT_TRUE(d.result.solved);
    Network ladder = DesignedNetworkOf(d.result).full;
    const Band band = BandOf(d.result.band);
    auto measured = std::make_shared<MeasuredLoad>();
    measured->frequenciesHz = data.frequenciesHz;
    measured->impedanceOhms = data.impedanceOhms;
    ladder.measured = measured;
    const double ours = PassbandFiguresOf(ladder, band).gammaMax;
    EXPECT_NEAR(ours, 0.049, 0.0005);

    // With a 2 V source behind 50 ohms, S11 = V(p1) - 1.
    const std::string netlist = SpiceNetlist(ladder, band, 2001);
    const std::size_t start = netlist.find(".subckt");
    const std::size_t end = netlist.find("\n", netlist.find(".ends")) + 1;
    const std::string bench = "* the network into the chip antenna's circuit\n" +
                              netlist.substr(start, end - start) +
                              "Vdrive drive 0 dc 0 ac 2\n"
                              "Rport1 drive p1 50\n"
                              "Xmatch p1 p2 tevmar_match\n"
                              "Lchip p2 chip 1.2n\n"
                              "Rchip chip 0 18\n"
                              "Cpads p2 0 0.2p\n"
                              "Vincident incident 0 dc 0 ac 1\n"
                              "Ereflected s11 0 p1 incident 1\n"
                              ".ac lin 2001 2.3e9 2.6e9\n"
                              ".print ac vm(s11)\n"
                              ".end\n";
    test_files::TempDir dir;
    test_files::WriteBytes(dir / "antenna.cir", bench);
    const std::vector<double> s11 =
        ReadPrintTables(RunNgspice(TEVMAR_NGSPICE, dir / "antenna.cir"))["vm(s11)"];
    ASSERT_EQ(s11.size(), 2001u) << bench;
    EXPECT_NEAR(*std::max_element(s11.begin(), s11.end()), ours, 0.005 * ours) << bench;
}

} // namespace
} // namespace tevmar::format
