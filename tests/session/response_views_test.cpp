// The Response window's views without Qt: where impedances land on the Smith
// chart, what the schematic draws for each kind of load, marker readings and
// the tolerance trials left for another thread.

#include "session/views/candidates.h"
#include "session/views/markers.h"
#include "session/views/response.h"
#include "session/views/schematic.h"
#include "session/views/smith.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::session {
namespace {

CalculateOutcome Absorbing(LoadType type, const char *value)
{
    return Calculate({"1", "2", "50", "10", 8, type, true, value});
}

TEST(SmithChart, KnownImpedancesLandWhereTheChartShowsThem)
{
    // A 200 px chart centred at (300, 250), y growing downwards.
    const auto at = [](Complex z, double z0) {
        return ChartPosition(ReflectionOf(z, z0), 300, 250, 200);
    };
    const ChartPoint match = at({50, 0}, 50);
    EXPECT_NEAR(match.x, 300, 1e-9);
    EXPECT_NEAR(match.y, 250, 1e-9);
    const ChartPoint shortCircuit = at({0, 0}, 10); // each port against its own resistance
    EXPECT_NEAR(shortCircuit.x, 100, 1e-9);
    EXPECT_NEAR(shortCircuit.y, 250, 1e-9);
    const ChartPoint open = at({std::numeric_limits<double>::infinity(), 0}, 50);
    EXPECT_NEAR(open.x, 500, 1e-9);
    const ChartPoint inductive = at({0, 50}, 50); // +j z0: top of the chart
    EXPECT_NEAR(inductive.x, 300, 1e-9);
    EXPECT_NEAR(inductive.y, 50, 1e-9);
    const ChartPoint twiceZ0 = at({100, 0}, 50); // the r = 2 circle crosses at 1/3
    EXPECT_NEAR(twiceZ0.x, 300 + 200.0 / 3, 1e-9);

    // The hover readout turns the screen position back into the impedance.
    const Complex gamma = GammaAt(at({25, -40}, 50), 300, 250, 200);
    const Complex z = ImpedanceOf(gamma, 50);
    EXPECT_NEAR(z.real(), 25, 1e-9);
    EXPECT_NEAR(z.imag(), -40, 1e-9);
    const std::string readout = SmithReadout(1.5e9, gamma, 50);
    EXPECT_EQ(readout.substr(0, readout.rfind('\n')), "1.5 GHz\nZ = 25 \u2212 j40 \u03A9");
}

TEST(SmithChart, BothPortsOfTheSolvedNetworkSitNearTheCentreInBand)
{
    const CalculateOutcome design = Absorbing(LoadType::ShuntRC, "1");
    ASSERT_TRUE(design.solved());
    const Response r = ComputeResponse(design, {});
    ASSERT_TRUE(r.problem.empty());
    for (std::size_t i = 0; i < r.frequenciesHz.size(); ++i) {
        const double f = r.frequenciesHz[i];
        if (f < r.analysis.band.lowHz || f > r.analysis.band.highHz)
            continue;
        const analysis::SParameters &s = r.curves[0].points[i].s;
        EXPECT_LE(std::abs(s.s11), design.result.GammaMax * 1.01 + 1e-6) << f;
        // A lossless two-port reflects alike at both ports.
        EXPECT_NEAR(std::abs(s.s22), std::abs(s.s11), 1e-9) << f;
    }
}

// The load's reactance goes into the load's box, never among the parts, and
// the parts run from port 1 in the order of the element table.
TEST(Schematic, PartsInOrderWithTheLoadInItsBoxForEachLoadType)
{
    struct Case
    {
        LoadType type;
        int loadPort;
        Symbol loadSymbol;
        const char *loadValue;
    };
    for (const Case c : {Case{LoadType::SeriesRL, 2, Symbol::SeriesInductor, "0.5 nH"},
                         Case{LoadType::SeriesRC, 2, Symbol::SeriesCapacitor, "20 pF"},
                         Case{LoadType::ShuntRL, 1, Symbol::ShuntInductor, "40 nH"},
                         Case{LoadType::ShuntRC, 1, Symbol::ShuntCapacitor, "1 pF"}}) {
        const std::string value = std::string(c.loadValue).substr(0, c.loadValue[1] == '.' ? 3 : 2);
        const CalculateOutcome design = Absorbing(c.type, value.c_str());
        ASSERT_TRUE(design.solved()) << c.loadValue;
        const analysis::Network printed = design.network->Printed();
        const Schematic s = SchematicOf(printed);
        SCOPED_TRACE(c.loadValue);

        const SchematicPort &withLoad = c.loadPort == 1 ? s.source : s.load;
        const SchematicPort &without = c.loadPort == 1 ? s.load : s.source;
        ASSERT_TRUE(withLoad.load);
        EXPECT_FALSE(without.load);
        EXPECT_EQ(withLoad.load->symbol, c.loadSymbol);
        EXPECT_EQ(withLoad.load->value, c.loadValue);
        EXPECT_EQ(s.source.label + " " + s.source.resistance, "Port 1 50 \u03A9");
        EXPECT_EQ(s.load.label + " " + s.load.resistance, "Port 2 10 \u03A9");

        // Every printed table row but the terminations and the load's is a part.
        std::vector<const ElementRow *> rows;
        const auto loadRow = analysis::AbsorbedRow(design.result);
        for (std::size_t k = 0; k < design.result.table.size(); ++k)
            if (design.result.table[k].kind != ElementKind::Termination && k != loadRow)
                rows.push_back(&design.result.table[k]);
        ASSERT_EQ(s.parts.size(), rows.size());
        for (std::size_t k = 0; k < rows.size(); ++k) {
            EXPECT_EQ(s.parts[k].symbol, SymbolOf(rows[k]->kind));
            const bool inductor = analysis::Part{rows[k]->kind}.inductor();
            EXPECT_EQ(s.parts[k].name, (inductor ? "L" : "C") + std::to_string(k + 1));
            char printedValue[32];
            std::snprintf(printedValue, sizeof printedValue, "%.3f %s", rows[k]->value,
                          inductor ? "nH" : "pF");
            EXPECT_EQ(s.parts[k].value, printedValue);
            EXPECT_TRUE(s.parts[k].standard.empty());
        }
    }
}

TEST(Schematic, StandardValuesBesideThePrintedOnes)
{
    const CalculateOutcome design = Absorbing(LoadType::SeriesRC, "20");
    ResponseSettings settings;
    settings.eseries = analysis::ESeries::E12;
    const Response r = ComputeResponse(design, settings);
    ASSERT_TRUE(r.analysis.standardValues);
    const Schematic s =
        SchematicOf(r.analysis.printed, {&r.analysis.standardValues->ladder, "E12", true});
    EXPECT_EQ(s.standardSeries, "E12");
    for (const SchematicPart &part : s.parts)
        EXPECT_FALSE(part.standard.empty()) << part.name;
    // The load is the load: 20 pF stays 20 pF, though E12 has 22 and 18.
    EXPECT_EQ(s.load.load->value, "20 pF");
}

// The Candidates tab writes a candidate as the command line does: parts in
// their engineering unit (a 10 uH choke, not "1e+04 nH") and marked at a
// range limit, and the distance to the Bode-Fano limit in dB above it,
// "> 60 dB" where the limit bounds nothing.
TEST(CandidateTable, WritesPartsAndTheBodeFanoDistanceAsTheCommandLineDoes)
{
    analysis::Candidate c;
    c.topology = analysis::Topology::Lowpass;
    c.parts = 3;
    c.tuned.network.port1Ohms = 50;
    c.tuned.network.port2Ohms = 10;
    c.tuned.network.parts = {{ElementKind::SeriesInductor, 10000, "L1"},
                             {ElementKind::ShuntCapacitor, 100000, "C2"},
                             {ElementKind::SeriesInductor, 2.7, "L3"}};
    c.tuned.gammaMax = 0.0367;
    analysis::CandidateSet set;
    set.candidates = {c};
    const std::vector<std::string> heads = CandidateHeads(set);
    const auto column = [&](const char *head) {
        const auto at = std::find(heads.begin(), heads.end(), head);
        EXPECT_NE(at, heads.end()) << head;
        return static_cast<std::size_t>(at - heads.begin());
    };
    const std::size_t largest = column("Largest"), above = column("Above Bode-Fano limit");

    std::vector<CandidateCell> row = CandidateRows(set).front();
    EXPECT_EQ(row[column("Smallest")].text, "L3 2.7 nH");
    EXPECT_EQ(row[largest].text, "C2 100 nF");
    // L1 and C2 stand at the tops of the default ranges, marked as on the command line.
    EXPECT_EQ(row.back().text, "L1 10 uH (upper limit), C2 100 nF (upper limit), L3 2.7 nH");
    EXPECT_EQ(row[above].text, "-"); // a load with no reactance has no limit

    set.bodeFanoGamma = 0.001;
    row = CandidateRows(set).front();
    EXPECT_EQ(row[above].text, "31.3 dB");
    EXPECT_NEAR(row[above].sortKey, 31.29, 0.01);
    set.bodeFanoGamma = 1e-9;
    EXPECT_EQ(CandidateRows(set).front()[above].text, "> 60 dB");
}

TEST(ResponseLaterFigures, LeftForLaterAndGivenUpWhenStopped)
{
    const CalculateOutcome design = Absorbing(LoadType::ShuntRC, "1");
    const ResponseSettings settings;
    const Response now = ComputeResponse(design, settings);
    const Response later = ComputeResponse(design, settings, Trials::Later);
    ASSERT_TRUE(now.analysis.yield);
    EXPECT_FALSE(later.analysis.yield);
    EXPECT_TRUE(later.trialsPending);
    const std::vector<FigureRow> rows = FigureRows(later);
    EXPECT_EQ(rows.back().figure + ": " + rows.back().text, "Tolerance trials: running\u2026");

    EXPECT_TRUE(later.analysis.sensitivity.empty());

    // Run apart, the trials and the sensitivity give what the window computed in one go.
    std::atomic<bool> stop{false};
    const auto figures = RunLaterFigures(stop, design, settings);
    ASSERT_TRUE(figures);
    const analysis::YieldResult &yield = figures->yield;
    EXPECT_EQ(yield.passed, now.analysis.yield->passed);
    EXPECT_EQ(yield.vswrP90, now.analysis.yield->vswrP90);
    EXPECT_EQ(yield.options.vswrLimit, now.analysis.yield->options.vswrLimit);
    ASSERT_EQ(figures->sensitivity.size(), now.analysis.sensitivity.size());
    EXPECT_EQ(figures->sensitivity.front().index, now.analysis.sensitivity.front().index);

    // A newer change stops the older run: it gives nothing.
    stop = true;
    EXPECT_FALSE(RunLaterFigures(stop, design, settings));
}

TEST(Markers, ReadingsAtTheBandEdgesMatchTheDesignRipple)
{
    const CalculateOutcome design = Absorbing(LoadType::ShuntRC, "1");
    ResponseSettings settings;
    settings.inductorQ = 50;
    const Response r = ComputeResponse(design, settings);
    const std::vector<MarkerReading> m =
        ReadMarkers(r, {r.analysis.band.lowHz, r.analysis.band.centreHz, -1.0});
    ASSERT_EQ(m.size(), 2u);
    // With lossy parts the reading is the network as built, seen from the
    // source (at port 2 for a shunt load), as the passband figures see it.
    EXPECT_NEAR(m[0].gamma, analysis::ReflectionMagnitude(r.analysis.full, r.analysis.band.lowHz),
                1e-12);
    // With ideal parts, an equal-ripple match reaches its ripple maximum at
    // the band edge.
    const Response ideal = ComputeResponse(design, ResponseSettings{});
    EXPECT_NEAR(ReadMarkers(ideal, {ideal.analysis.band.lowHz})[0].gamma, design.result.GammaMax,
                design.result.GammaMax * 0.01);
    EXPECT_NEAR(m[0].vswr, analysis::VswrOf(m[0].gamma), 1e-9);
    // With Q 50 inductors the centre passes less than all of the power.
    EXPECT_LT(m[1].s21Db, -0.05);
    EXPECT_GT(m[1].groupDelayNs, 0);
    const std::string text = MarkerTableText(m);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "Marker\tGHz\t|S11|\tRL (dB)\tVSWR\tS21 (dB)\tDelay (ns)");
    EXPECT_EQ(text.substr(text.find("\nM2\t") + 1, 10), "M2\t1.41421");
}

} // namespace
} // namespace tevmar::session
