// The path through the parts on the Smith chart: each point against an
// impedance walk written here from the textbook formulas (a series part adds
// its impedance, a shunt part its admittance, a line transforms), for a
// synthesised design, a candidate, a network of measured kit parts, lines and
// stubs, and both sides of an amplifier; and each arc a smooth locus from one
// point to the next along the circle the part moves on.

#include "analysis/amplifier/device_figures.h"
#include "analysis/readers/part_kit.h"
#include "analysis/search/kit_search.h"
#include "session/views/amplifier_view.h"
#include "session/views/candidates.h"
#include "session/views/smith.h"
#include "session/views/smith_path.h"
#include "tests/common/gaas_fet.h"
#include "tests/report/test_files.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <stdexcept>

namespace tevmar::session {
namespace {

using Z = std::complex<double>;
using analysis::Part;
constexpr Z j{0, 1};

// One section added to the impedance z looking toward the load, at f.
Z Walk(const Part &p, Z z, double f)
{
    const double w = 2 * std::numbers::pi * f;
    const auto shunt = [&](Z y) { return 1.0 / (1.0 / z + y); };
    if (const analysis::KitPart *kit = analysis::KitPartOf(p)) {
        const Z zk = kit->ImpedanceAt(f);
        return p.shunt() ? shunt(1.0 / zk) : z + zk;
    }
    const double beta = p.value * std::numbers::pi / 180 * f / p.line.referenceHz;
    const double z0 = p.line.z0Ohms;
    switch (p.kind) {
    case ElementKind::SeriesInductor:
        return z + j * w * p.value * 1e-9;
    case ElementKind::SeriesCapacitor:
        return z + 1.0 / (j * w * p.value * 1e-12);
    case ElementKind::ShuntInductor:
        return shunt(1.0 / (j * w * p.value * 1e-9));
    case ElementKind::ShuntCapacitor:
        return shunt(j * w * p.value * 1e-12);
    case ElementKind::SeriesLine:
        return z0 * (z + j * z0 * std::tan(beta)) / (z0 + j * z * std::tan(beta));
    case ElementKind::ShuntOpenStub:
        return shunt(j * std::tan(beta) / z0);
    case ElementKind::ShuntShortStub:
        return shunt(-j / (z0 * std::tan(beta)));
    default:
        ADD_FAILURE() << "no such part";
        return z;
    }
}

// The walk from `load` through the parts in the order given.
std::vector<Z> Walked(Z load, const std::vector<Part> &fromLoad, double f)
{
    std::vector<Z> z{load};
    for (const Part &p : fromLoad)
        z.push_back(Walk(p, z.back(), f));
    return z;
}

std::vector<Part> Reversed(std::vector<Part> parts)
{
    return {parts.rbegin(), parts.rend()};
}

void ExpectNear(Z a, Z b, const std::string &where)
{
    EXPECT_NEAR(std::abs(a - b), 0, 1e-9 * std::max(1.0, std::abs(b)))
        << where << ": " << a << " vs " << b;
}

// The path's points are the walk's, and its arcs join them: each starts at
// the point before and ends at its own, successive samples close on the
// chart, and a lumped part's arc keeps the resistance (in series) or the
// conductance (across the line) of its start.
void ExpectPath(const SmithPath &path, const std::vector<Z> &walked,
                const std::vector<Part> &fromLoad, double z0)
{
    ASSERT_EQ(path.points.size(), walked.size());
    ASSERT_EQ(path.arcs.size(), fromLoad.size());
    EXPECT_EQ(path.points.front().after, "load");
    for (std::size_t k = 0; k < walked.size(); ++k)
        ExpectNear(path.points[k].z, walked[k], "point " + path.points[k].after);
    for (std::size_t k = 0; k < path.arcs.size(); ++k) {
        const SmithPathArc &arc = path.arcs[k];
        EXPECT_EQ(arc.part, path.points[k + 1].after);
        EXPECT_EQ(arc.label.rfind(arc.part + " ", 0), 0u) << arc.label;
        ASSERT_GE(arc.z.size(), 2u);
        ExpectNear(arc.z.front(), walked[k], "start of " + arc.part);
        ExpectNear(arc.z.back(), walked[k + 1], "end of " + arc.part);
        double largestStep = 0;
        for (std::size_t i = 1; i < arc.z.size(); ++i)
            largestStep = std::max(
                largestStep, std::abs(ReflectionOf(arc.z[i], z0) - ReflectionOf(arc.z[i - 1], z0)));
        EXPECT_LE(largestStep, 0.0101) << arc.part;
        const Part &p = fromLoad[k];
        if (p.isLine() || !p.lossless())
            continue;
        for (const Z z : arc.z) {
            if (p.shunt())
                EXPECT_NEAR((1.0 / z).real(), (1.0 / walked[k]).real(), 1e-12) << arc.part;
            else
                EXPECT_NEAR(z.real(), walked[k].real(), 1e-9) << arc.part;
        }
    }
}

TEST(SmithPath, DesignWalksFromItsLoadWhicheverPortTheLoadIsAt)
{
    // A series RL load at port 2: the walk runs from port 2 to port 1.
    const CalculateOutcome series =
        Calculate({"1", "2", "50", "10", 8, LoadType::SeriesRL, true, "1"});
    ASSERT_TRUE(series.network);
    const analysis::Network &a = series.network->full;
    const double f = series.network->band.centreHz;
    const Z loadA = 10.0 + j * 2.0 * std::numbers::pi * f * 1e-9;
    const SmithPath pathA = PathThroughParts(a, f);
    ExpectPath(pathA, Walked(loadA, Reversed(a.parts), f), Reversed(a.parts), 10);
    EXPECT_EQ(pathA.points[1].after, "C" + std::to_string(a.parts.size()))
        << "the part next to the load is the last from port 1";
    // The last point is what the source sees: a match within the design's ripple.
    EXPECT_LE(std::abs(ReflectionOf(pathA.points.back().z, 50)), series.network->gammaMax * 1.0001);

    // A shunt RC load at port 1: from port 1 to port 2.
    const CalculateOutcome shunt =
        Calculate({"1", "2", "50", "10", 8, LoadType::ShuntRC, true, "1"});
    ASSERT_TRUE(shunt.network);
    const analysis::Network &b = shunt.network->full;
    const Z loadB = 1.0 / (1.0 / 50 + j * 2.0 * std::numbers::pi * f * 1e-12);
    const SmithPath pathB = PathThroughParts(b, f);
    ExpectPath(pathB, Walked(loadB, b.parts, f), b.parts, 50);
    EXPECT_EQ(pathB.points[1].after, std::string(b.parts.front().letter()) + "1");
    EXPECT_LE(std::abs(ReflectionOf(pathB.points.back().z, 10)), shunt.network->gammaMax * 1.0001);

    EXPECT_THROW(PathThroughParts(a, 0), std::invalid_argument);
    EXPECT_THROW(PathThroughParts(a, NAN), std::invalid_argument);
}

TEST(SmithPath, ACandidateAndTheWindowsNetworkFollowTheSameWalk)
{
    // 30 ohms + 2 nH from 50 ohms: no synthesis absorbs it; the candidates do.
    const CalculateOutcome design =
        Calculate({"1.8", "2.2", "50", "30", 4, LoadType::SeriesRL, true, "2"});
    ResponseSettings settings;
    const std::optional<analysis::CandidateSet> set = FindCandidates(design, settings);
    ASSERT_TRUE(set && !set->candidates.empty());
    const analysis::Candidate &best = set->candidates.front();
    const analysis::Network &n = best.tuned.network;
    const double f = best.problem.band.centreHz;
    const Z load = 30.0 + j * 2.0 * std::numbers::pi * f * 2e-9;
    const SmithPath path = PathThroughParts(n, f);
    ExpectPath(path, Walked(load, Reversed(n.parts), f), Reversed(n.parts), 30);
    EXPECT_LE(std::abs(ReflectionOf(path.points.back().z, 50)), best.tuned.gammaMax * 1.0001);

    // Drawn in the Response window, the candidate's own network at its band's centre.
    const CalculateOutcome drawn = CandidateOutcome(design, best, 1);
    const std::optional<SmithPath> shown = ResponsePath(ComputeResponse(drawn, settings), 50);
    ASSERT_TRUE(shown);
    ASSERT_EQ(shown->points.size(), path.points.size());
    ExpectNear(shown->points.back().z, path.points.back().z, "the window's last point");
}

TEST(SmithPath, MeasuredKitPartsLinesAndStubsTakeTheirOwnImpedance)
{
    // Two measured parts whose data are not an ideal L or C: a lossy inductor
    // in series and a capacitor with its own inductance across the line.
    const auto kitPart = [](bool inductor, double nominal, auto impedance) {
        auto part = std::make_shared<analysis::KitPart>();
        part->inductor = inductor;
        part->nominal = nominal;
        for (double f = 0.5e9; f <= 3e9; f += 0.25e9) {
            part->data.frequenciesHz.push_back(f);
            part->data.impedanceOhms.push_back(impedance(f));
        }
        return part;
    };
    const auto coil = kitPart(
        true, 8.2, [](double f) { return Z(1.5 + f * 1e-9, 2 * std::numbers::pi * f * 8.4e-9); });
    const auto cap = kitPart(false, 2.2, [](double f) {
        const double w = 2 * std::numbers::pi * f;
        return Z(0.3, w * 0.5e-9 - 1 / (w * 2.2e-12));
    });
    analysis::Network kit;
    kit.port1Ohms = 50;
    kit.port2Ohms = 20;
    kit.parts = {Part::Placed(analysis::Capacitor{}, analysis::Placement::Shunt, 2.2, "",
                              analysis::Measured{cap}),
                 Part::Placed(analysis::Inductor{}, analysis::Placement::Series, 8.2, "",
                              analysis::Measured{coil})};
    const double f = 1.37e9; // between the data points: interpolated
    ExpectPath(PathThroughParts(kit, f), Walked(20, Reversed(kit.parts), f), Reversed(kit.parts),
               20);

    // A quarter-wave transformer from 100 to 50 ohms lands on the centre; a
    // stub of each end beside it moves the point round a conductance circle.
    analysis::Network lines;
    lines.port1Ohms = 50;
    lines.port2Ohms = 100;
    lines.parts = {Part::LineOf(analysis::LineEnd::Short, 50, 60, 1e9),
                   Part::LineOf(analysis::LineEnd::Open, 50, 30, 1e9),
                   Part::LineOf(analysis::LineEnd::Through, std::sqrt(5000.0), 90, 1e9)};
    const SmithPath quarter = PathThroughParts(lines, 1e9, 50);
    ExpectPath(quarter, Walked(100, Reversed(lines.parts), 1e9), Reversed(lines.parts), 50);
    ExpectNear(quarter.points[1].z, 50, "after the quarter wave");
    EXPECT_EQ(quarter.points[1].after, "T3");
    // The line's arc turns the point half way round a chart referred to
    // the line's own impedance, on a circle about its centre.
    for (const Z z : quarter.arcs[0].z)
        EXPECT_NEAR(std::abs(ReflectionOf(z, std::sqrt(5000.0))),
                    (100 - std::sqrt(5000.0)) / (100 + std::sqrt(5000.0)), 1e-12);

    // A pad at each node is folded into the arcs beside it.
    analysis::Network padded = kit;
    padded.padPf = 0.3;
    const Part pad = padded.Pad();
    const SmithPath withPads = PathThroughParts(padded, f);
    const Z afterL = Walk(pad, Walk(kit.parts[1], Walk(pad, 20, f), f), f);
    ExpectNear(withPads.points[1].z, afterL, "the series part with the pads of both its nodes");
    ExpectNear(withPads.points[2].z, Walk(kit.parts[0], afterL, f), "the shunt part");
    ExpectNear(withPads.arcs[0].z.front(), 20, "the first arc starts at the load");
}

TEST(SmithPath, BothSidesOfAnAmplifierWalkFromTheirLoads)
{
    test_files::TempDir dir;
    const std::string file = (dir / "fet.s2p").string();
    test_files::WriteBytes(file,
                           std::string(test::kGaasFetNetworkData) + test::kGaasFetNoiseFrom4GHz);
    DeviceInput input;
    input.filePath = file;
    DeviceRun device = RunDevice(input, {}, {});
    ASSERT_TRUE(device.outcome) << device.problem;
    const AmplifierRun run =
        RunAmplifierFromBoxes(*device.outcome, {AmplifierGoal::Gain, "3.9", "4.1", "50", "50"});
    ASSERT_TRUE(run.outcome) << run.problem;
    const AmplifierOutcome &o = *run.outcome;
    const double f = std::sqrt(3.9e9 * 4.1e9);
    const double z0 = o.data.referenceOhms;

    // The output network from the load (its last part) to the transistor.
    const std::vector<Part> out = Reversed(o.amplifier.output.parts);
    const std::vector<Z> walkedOut = Walked(50, out, f);
    ExpectPath(AmplifierSidePath(o, 2), walkedOut, out, z0);

    // The input network from the transistor's input, loaded by that output
    // network, to the source.
    const analysis::TwoPortMatrix s = analysis::DeviceScatteringAt(o.data, f);
    const Z gammaL = (walkedOut.back() - z0) / (walkedOut.back() + z0);
    const Z gammaIn = s.s11 + s.s12 * s.s21 * gammaL / (1.0 - s.s22 * gammaL);
    const std::vector<Part> in = Reversed(o.amplifier.input.parts);
    const std::vector<Z> walkedIn = Walked(z0 * (1.0 + gammaIn) / (1.0 - gammaIn), in, f);
    const SmithPath inputPath = AmplifierSidePath(o, 1);
    ExpectPath(inputPath, walkedIn, in, z0);
    // A gain design matches the source: the walk ends near its 50 ohms.
    EXPECT_LT(std::abs(ReflectionOf(inputPath.points.back().z, 50)), 0.5);

    // On the transistor's planes, each looking from the transistor toward
    // its termination: the output side as above; the input side walked the
    // other way, from the 50 ohm source through its parts from port 1.
    const std::optional<SmithPath> loadPlane = AmplifierPlanePath(o, 2);
    ASSERT_TRUE(loadPlane);
    ExpectPath(*loadPlane, walkedOut, out, z0);
    const std::optional<SmithPath> sourcePlane = AmplifierPlanePath(o, 1);
    ASSERT_TRUE(sourcePlane);
    const std::vector<Z> fromSource = Walked(50, o.amplifier.input.parts, f);
    ASSERT_EQ(sourcePlane->points.size(), fromSource.size());
    EXPECT_EQ(sourcePlane->points.front().label, "source");
    for (std::size_t k = 0; k < fromSource.size(); ++k)
        ExpectNear(sourcePlane->points[k].z, fromSource[k],
                   "source plane point " + std::to_string(k));
    for (std::size_t k = 0; k < sourcePlane->arcs.size(); ++k)
        EXPECT_EQ(sourcePlane->arcs[k].part, sourcePlane->points[k + 1].after);
    // A gain design matches both ports at once: Gamma S, where the source
    // plane's path ends, is near the conjugate of the device's input.
    EXPECT_LT(std::abs(ReflectionOf(fromSource.back(), z0) - std::conj(gammaIn)), 0.2);

    // With a resistor between a network and the transistor, the planes
    // describe terminals the networks do not reach: no path.
    AmplifierBoxes boxes{AmplifierGoal::Gain, "3.5", "4.5", "50", "50"};
    boxes.stabilise = true;
    const AmplifierRun stabilised = RunAmplifierFromBoxes(*device.outcome, boxes);
    ASSERT_TRUE(stabilised.outcome) << stabilised.problem;
    ASSERT_TRUE(stabilised.outcome->amplifier.stabiliser);
    EXPECT_FALSE(AmplifierPlanePath(*stabilised.outcome, 1));
    EXPECT_FALSE(AmplifierPlanePath(*stabilised.outcome, 2));
}

} // namespace
} // namespace tevmar::session
