// The SPICE netlist of a network as built: chip inductors and capacitors
// (their frequency-dependent loss written with ngspice's `hertz`), finite-Q
// parts and the pads at every node, run by ngspice against the cascade.

#include "analysis/model/circuit_expression.h"
#include "analysis/figures/network_analysis.h"
#include "format/export_spice.h"
#include "tests/analysis/ngspice_run.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace tevmar::format {
using namespace analysis;
namespace {

using test_ngspice::ReadPrintTables;
using test_ngspice::RunNgspice;

const Band kBand{2.0e9, 3.0e9, std::sqrt(6.0) * 1e9};

// Series and shunt parts of each kind between 50 and 20 ohms, with the load's
// series inductance held outside the subcircuit.
Network Ladder()
{
    Network n;
    n.port1Ohms = 50;
    n.port2Ohms = 20;
    n.parts = {{ElementKind::ShuntCapacitor, 1.2, "C1"},
               {ElementKind::SeriesInductor, 3.9, "L2"},
               {ElementKind::ShuntInductor, 6.8, "L3"},
               {ElementKind::SeriesCapacitor, 4.7, "C4"},
               {ElementKind::ShuntCapacitor, 0.8, "C5"}};
    n.load = LoadReactance{{ElementKind::SeriesInductor, 2.7, "L"}, LoadType::SeriesRL};
    return n;
}

void ExpectNgspiceAgrees(const Network &ladder)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    const std::string netlist = SpiceNetlist(ladder, kBand, 101);
    test_files::TempDir dir;
    test_files::WriteBytes(dir / "net.cir", netlist);
    auto columns = ReadPrintTables(RunNgspice(TEVMAR_NGSPICE, dir / "net.cir"));
    const std::vector<double> f = BandGrid(kBand, 101);
    ASSERT_EQ(columns["vm(s11)"].size(), f.size()) << netlist;
    ASSERT_EQ(columns["vm(s21)"].size(), f.size()) << netlist;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const SweepPoint p = Evaluate(ladder, f[i]);
        EXPECT_NEAR(columns["vm(s11)"][i], std::abs(p.s.s11), 1e-4) << f[i] << "\n" << netlist;
        EXPECT_NEAR(columns["vm(s21)"][i], std::abs(p.s.s21), 1e-4) << f[i];
    }
}

TEST(SpiceNetlistAsBuilt, ChipPartsAndPadsAgreeWithTheCascadeInNgspice)
{
    LossModel m;
    m.inductorChip =
        ChipInductor{55, units::Frequency::FromGHz(1.5), units::Capacitance::FromPicofarads(0.157)};
    m.capacitorChip =
        ChipCapacitor{units::Inductance::FromNanohenries(0.45), units::Resistance::FromOhms(0.12),
                      units::Frequency::FromGHz(1)};
    m.padPf = 0.05;
    const Network built = WithLosses(Ladder(), m);
    ExpectNgspiceAgrees(built);
    // Two series parts make three nodes (p1, the junction n2 between them
    // where L3 stands, p2 where C5 stands): a pad at each.
    const std::string netlist = SpiceNetlist(built, kBand);
    EXPECT_NE(netlist.find("CPAD1 p1 0 0.05p ; pad\n"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("CPAD2 n2 0 0.05p ; pad\n"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("CPAD3 p2 0 0.05p ; pad\n"), std::string::npos) << netlist;
    EXPECT_EQ(netlist.find("CPAD4"), std::string::npos) << netlist;
    EXPECT_NE(netlist.find("* Parts as built"), std::string::npos);
}

TEST(SpiceNetlistAsBuilt, FiniteQAtTheCentreAndAtEveryFrequencyAgreeInNgspice)
{
    for (const QModel model : {QModel::Centre, QModel::Constant}) {
        LossModel m;
        m.inductorQ = 30;
        m.capacitorQ = 80;
        m.centreHz = kBand.centreHz;
        m.model = model;
        ExpectNgspiceAgrees(WithLosses(Ladder(), m));
    }
}

// A load written as a circuit is in the bench part by part: nested groups, a
// resistor of no ohms, resistors that share the power and a series capacitor
// that leaves the port without a path to ground at DC. With lossy parts
// ngspice gives the cascade's S11 and, summed over the load's resistors, its
// G_T.
TEST(SpiceNetlistAsBuilt, ACircuitLoadIsSimulatedAsTypedWithEveryResistorsShare)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    LossModel m;
    m.inductorQ = 30;
    m.capacitorQ = 80;
    m.centreHz = kBand.centreHz;
    m.padPf = 0.05;
    Network built = WithLosses(Ladder(), m);
    auto load = std::make_shared<MeasuredLoad>();
    load->frequenciesHz = {kBand.lowHz, kBand.highHz};
    load->impedanceOhms = {20, 20};
    load->exact = CircuitImpedance{std::make_shared<const Circuit>(
        Circuit::Parse("((15 + 2.7nH) || (300 + 0.5pF)) + 0 + (1k || 4nH) + 3pF"))};
    load->port = 2;
    built.measured = load;

    const std::string netlist = SpiceNetlist(built, kBand, 101);
    EXPECT_EQ(netlist.find("Lload"), std::string::npos) << netlist;
    test_files::TempDir dir;
    test_files::WriteBytes(dir / "net.cir", netlist);
    auto columns = ReadPrintTables(RunNgspice(TEVMAR_NGSPICE, dir / "net.cir"));
    const std::vector<double> f = BandGrid(kBand, 101);
    ASSERT_EQ(columns["vm(s11)"].size(), f.size()) << netlist;
    for (std::size_t i = 0; i < f.size(); ++i) {
        const SweepPoint p = Evaluate(built, f[i]);
        EXPECT_NEAR(columns["vm(s11)"][i], std::abs(p.s.s11), 1e-4) << f[i] << "\n" << netlist;
        double gain = 0;
        for (const char *share : {"vm(s21_1)", "vm(s21_2)", "vm(s21_3)"}) {
            ASSERT_EQ(columns[share].size(), f.size()) << share << "\n" << netlist;
            gain += columns[share][i] * columns[share][i];
        }
        EXPECT_NEAR(gain, std::norm(p.s.s21), 1e-4) << f[i];
    }
}

} // namespace
} // namespace tevmar::format

namespace tevmar::format {
using namespace analysis;
namespace {

// Every part's first card, under every model, and the load's card carry the
// value as the part writes it for SPICE ("3.9n", "1.2p"): one writer of a
// part's value, whatever builds the cards around it.
TEST(SpiceNetlistAsBuilt, EveryModelsCardCarriesThePartsOwnValue)
{
    const units::Frequency centre = units::Frequency::FromGHz(2.4);
    const ChipInductor chipL{40, units::Frequency::FromGHz(1),
                             units::Capacitance::FromPicofarads(0.1)};
    const ChipCapacitor chipC{units::Inductance::FromNanohenries(0.5),
                              units::Resistance::FromOhms(0.2), units::Frequency::FromGHz(1)};
    for (const PartModel &model :
         {PartModel{Ideal{}}, PartModel{FiniteQ{50, QModel::Centre, centre}},
          PartModel{FiniteQ{50, QModel::Constant, centre}}, PartModel{chipL}, PartModel{chipC}}) {
        Network n = Ladder();
        for (Part &part : n.parts)
            part.model = model;
        const std::string netlist = SpiceNetlist(n, kBand);
        for (std::size_t i = 0; i < n.parts.size(); ++i) {
            const std::string card = "\n" + PartName(n, i) + " ";
            const std::size_t at = netlist.find(card);
            ASSERT_NE(at, std::string::npos) << card;
            const std::string line = netlist.substr(at + 1, netlist.find('\n', at + 1) - at - 1);
            EXPECT_NE(line.find(" " + n.parts[i].SpiceValue()), std::string::npos) << line;
        }
        EXPECT_NE(netlist.find("\nLload "), std::string::npos);
        EXPECT_NE(netlist.find(" " + n.load->element.SpiceValue() + " ; the load's reactance"),
                  std::string::npos);
    }
    EXPECT_EQ(Ladder().parts[1].SpiceValue(), "3.9n");
    EXPECT_EQ(Ladder().parts[0].SpiceValue(), "1.2p");
}

} // namespace
} // namespace tevmar::format
