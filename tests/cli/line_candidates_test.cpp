// tevmar-cli --candidates --lines ideal: the line families an engineer
// weighs, each checked against the textbook (the single stub's solutions,
// the quarter-wave transformer's bandwidth, the three-section Chebyshev
// transformer's equal ripple) and every figure claimed re-derived by a
// cascade of the JSON's elements written here.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>
#include <set>
#include <string>
#include <vector>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;
using Json = nlohmann::json;
using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

struct Load
{
    double ohms;
    double seriesPf; // a capacitor in series with it; 0 for none
    Complex At(double hz) const
    {
        return seriesPf > 0 ? Complex{ohms, -1 / (2 * kPi * hz * seriesPf * 1e-12)}
                            : Complex{ohms, 0};
    }
};

// |S11| of a candidate's elements (from the source's side) into the load at
// one frequency: each element's chain matrix, cascaded, the input impedance
// against the source's resistance. Lines are `degrees` long at the band's
// arithmetic centre `centreHz` and grow with frequency.
double Reflection(const Json &elements, double sourceOhms, const Load &load, double hz,
                  double centreHz)
{
    const Complex j{0, 1};
    const double w = 2 * kPi * hz;
    Complex a{1}, b{0}, c{0}, d{1};
    const auto then = [&](Complex a2, Complex b2, Complex c2, Complex d2) {
        const Complex na = a * a2 + b * c2, nb = a * b2 + b * d2, nc = c * a2 + d * c2,
                      nd = c * b2 + d * d2;
        a = na, b = nb, c = nc, d = nd;
    };
    for (const Json &e : elements) {
        const std::string kind = e["kind"];
        const double value = e["value"];
        if (e.contains("z0Ohms")) {
            const double z0 = e["z0Ohms"];
            const double theta = e["degrees"].get<double>() * kPi / 180 * hz / centreHz;
            if (kind == "series line")
                then(std::cos(theta), j * z0 * std::sin(theta), j * std::sin(theta) / z0,
                     std::cos(theta));
            else if (kind == "shunt open stub")
                then(1, 0, j * std::tan(theta) / z0, 1);
            else if (kind == "shunt short stub")
                then(1, 0, -j / (std::tan(theta) * z0), 1);
            else
                ADD_FAILURE() << kind;
            continue;
        }
        const Complex z = e["unit"] == "nH" ? j * w * value * 1e-9 : 1.0 / (j * w * value * 1e-12);
        if (kind.starts_with("series"))
            then(1, z, 0, 1);
        else
            then(1, 0, 1.0 / z, 1);
    }
    const Complex zl = load.At(hz);
    const Complex zin = (a * zl + b) / (c * zl + d);
    return std::abs((zin - sourceOhms) / (zin + sourceOhms));
}

// |S11| over the band on a fine grid.
std::vector<double> Over(const Json &elements, double sourceOhms, const Load &load, double f1,
                         double f2, int points = 2001)
{
    std::vector<double> out;
    for (int k = 0; k < points; ++k) {
        const double hz = f1 + (f2 - f1) * k / (points - 1);
        out.push_back(Reflection(elements, sourceOhms, load, hz, 0.5 * (f1 + f2)));
    }
    return out;
}

Json Candidates(const Args &args)
{
    TempDir dir;
    const CliRun run = RunCliIn(args, dir);
    EXPECT_TRUE(run.exitCode == kExitDesigned || run.exitCode == kExitTuned) << run.err;
    return Json::parse(run.out)["candidates"];
}

bool HasLine(const Json &c)
{
    return std::any_of(c["elements"].begin(), c["elements"].end(),
                       [](const Json &e) { return e.contains("z0Ohms"); });
}

// Every line candidate's claimed worst in-band |S11| is the one the cascade
// finds; every line lies within the lengths and impedances allowed.
void ExpectClaimsHold(const Json &candidates, double sourceOhms, const Load &load, double f1,
                      double f2)
{
    for (const Json &c : candidates) {
        if (!HasLine(c))
            continue;
        const std::vector<double> s11 = Over(c["elements"], sourceOhms, load, f1, f2);
        const double worst = *std::max_element(s11.begin(), s11.end());
        const double claimed = c["gammaMax"];
        EXPECT_NEAR(worst, claimed, 0.002 * claimed + 1e-5) << c;
        for (const Json &e : c["elements"])
            if (e.contains("z0Ohms")) {
                EXPECT_GE(e["degrees"].get<double>(), 1 - 1e-9) << e;
                EXPECT_LE(e["degrees"].get<double>(), 180 + 1e-9) << e;
                EXPECT_GE(e["z0Ohms"].get<double>(), 20 - 1e-9) << e;
                EXPECT_LE(e["z0Ohms"].get<double>(), 120 + 1e-9) << e;
            }
    }
}

const Json *First(const Json &candidates, const std::string &topology, std::size_t parts)
{
    for (const Json &c : candidates)
        if (c["topology"] == topology && c["parts"].get<std::size_t>() == parts)
            return &c;
    return nullptr;
}

TEST(LineCandidates, ComplexLoadGetsEveryFamilyRankedWithTheLaddersAndEachFigureHolds)
{
    // 60 - j80 ohms at 2 GHz (a 60 ohm resistance behind 0.9947 pF) from 50
    // ohms over 1.9-2.1 GHz.
    const Load load{60, 0.99472};
    const Json candidates = Candidates({"--f1", "1.9", "--f2", "2.1", "--zhigh", "50", "--zlow",
                                        "60", "--load", "series-rc", "--absorb", "0.99472",
                                        "--candidates", "--lines", "ideal", "--json"});
    std::set<std::string> topologies;
    double previous = 0;
    for (const Json &c : candidates) {
        topologies.insert(c["topology"].get<std::string>());
        EXPECT_EQ(c["elements"].size(), c["parts"].get<std::size_t>());
        // One ranking for lines, parts and both.
        EXPECT_GE(c["gammaMax"].get<double>(), previous);
        previous = c["gammaMax"];
    }
    for (const char *t : {"stub", "2-stub", "quarter", "stepped", "mixed", "lowpass", "highpass"})
        EXPECT_EQ(topologies.count(t), 1u) << t;
    ExpectClaimsHold(candidates, 50, load, 1.9e9, 2.1e9);

    // The quarter-wave transformer behind a line to a real point, and the
    // stepped ones of 2 to 4 sections behind it too.
    const Json *quarter = First(candidates, "quarter", 2);
    ASSERT_TRUE(quarter);
    for (std::size_t n = 3; n <= 5; ++n)
        EXPECT_TRUE(First(candidates, "stepped", n)) << n;
    // The double stub: two open stubs, a spacing and a feed line.
    const Json *doubleStub = First(candidates, "2-stub", 4);
    ASSERT_TRUE(doubleStub);
    EXPECT_EQ((*doubleStub)["elements"][0]["kind"], "shunt open stub");
    EXPECT_EQ((*doubleStub)["elements"][2]["kind"], "shunt open stub");
    // A feed line and a shunt capacitor.
    bool capacitorAndLine = false;
    for (const Json &c : candidates)
        capacitorAndLine |= c["topology"] == "mixed" && c["parts"] == 2 &&
                            c["elements"][0]["kind"] == "shunt capacitor" &&
                            c["elements"][1]["kind"] == "series line";
    EXPECT_TRUE(capacitorAndLine);
}

TEST(LineCandidates, TheTableKeepsItsColumnsWhereALineNamesItsImpedance)
{
    // A line's cell ("T4 35.57 deg 120 ohm") is wider than a part's: the
    // columns widen for it, so every row's DC column starts where its
    // heading does.
    TempDir dir;
    const CliRun run =
        RunCliIn({"--f1", "1.9", "--f2", "2.1", "--zhigh", "50", "--zlow", "60", "--load",
                  "series-rc", "--absorb", "0.99472", "--candidates", "--lines", "ideal"},
                 dir);
    const auto lines = test_files::LinesOf(run.out, "\n");
    const auto head = std::ranges::find_if(
        lines, [](const std::string &l) { return l.find("DC source/load") != std::string::npos; });
    ASSERT_NE(head, lines.end()) << run.out;
    const std::size_t column = head->find("DC source/load");
    int rows = 0, lineRows = 0;
    for (auto it = head + 1; it != lines.end(); ++it) {
        if (it->size() < 4 || (*it)[2] == ' ')
            continue; // a row's values or its DC variants
        ++rows;
        lineRows += it->find(" deg ") != std::string::npos;
        const std::size_t dc = it->find_first_of("pbg", column);
        EXPECT_EQ(dc, column) << *it;
        EXPECT_EQ((*it)[column - 1], ' ') << *it;
    }
    EXPECT_GT(lineRows, 3);
    EXPECT_GT(rows, lineRows);
}

TEST(LineCandidates, NarrowBandStubLandsOnATextbookSolution)
{
    // Over 2 GHz +- 0.5 % on 50 ohm line the tuned single stub is one of the
    // textbook's two, within 0.005 wavelength: the line d from
    // tan(beta d) = (X +- sqrt(R ((Z0 - R)^2 + X^2) / Z0)) / (R - Z0), the
    // stub cancelling the susceptance there.
    const double z0 = 50, r = 60, x = -80;
    const Json candidates = Candidates(
        {"--f1", "1.99", "--f2", "2.01", "--zhigh", "50", "--zlow", "60", "--load", "series-rc",
         "--absorb", "0.99472", "--candidates", "--lines", "ideal", "--line-z0", "50", "--json"});
    int stubs = 0;
    for (const Json &c : candidates) {
        if (c["topology"] != "stub")
            continue;
        ++stubs;
        const Json &stub = c["elements"][0], &line = c["elements"][1];
        const bool open = stub["kind"] == "shunt open stub";
        EXPECT_LT(c["gammaMax"].get<double>(), 0.05);
        double nearest = 1;
        for (const double sign : {1.0, -1.0}) {
            const double t =
                (x + sign * std::sqrt(r * ((z0 - r) * (z0 - r) + x * x) / z0)) / (r - z0);
            const double b = (r * r * t - (z0 - x * t) * (x + z0 * t)) /
                             (z0 * (r * r + (x + z0 * t) * (x + z0 * t)));
            const auto folded = [](double v) { return v - std::floor(v / 0.5) * 0.5; };
            const double d = folded(std::atan(t) / (2 * kPi));
            const double l =
                folded(open ? -std::atan(b * z0) / (2 * kPi) : std::atan(1 / (b * z0)) / (2 * kPi));
            nearest =
                std::min(nearest, std::max(std::abs(line["degrees"].get<double>() / 360 - d),
                                           std::abs(stub["degrees"].get<double>() / 360 - l)));
        }
        EXPECT_LT(nearest, 0.005) << c;
    }
    EXPECT_EQ(stubs, 2);
}

TEST(LineCandidates, QuarterWaveTransformerReachesTheTextbookBandwidth)
{
    // 100 ohms into 50 with |Gamma| no more than 0.1: the band is
    // 2 - (4 / pi) acos(Gm / sqrt(1 - Gm^2) 2 sqrt(Z0 ZL) / |ZL - Z0|) of f0.
    const double gm = 0.1, z0 = 100, zl = 50, f0 = 2e9;
    const double width =
        2 - 4 / kPi * std::acos(gm / std::sqrt(1 - gm * gm) * 2 * std::sqrt(z0 * zl) / (z0 - zl));
    const double f1 = f0 * (1 - width / 2), f2 = f0 * (1 + width / 2);
    const Json candidates =
        Candidates({"--f1", std::to_string(f1 / 1e9), "--f2", std::to_string(f2 / 1e9), "--zhigh",
                    "100", "--zlow", "50", "--candidates", "--lines", "ideal", "--json"});
    const Json *quarter = First(candidates, "quarter", 1);
    ASSERT_TRUE(quarter);
    EXPECT_NEAR((*quarter)["gammaMax"].get<double>(), gm, 0.002);
    const Json &section = (*quarter)["elements"][0];
    EXPECT_NEAR(section["z0Ohms"].get<double>(), std::sqrt(z0 * zl), 0.5);
    EXPECT_NEAR(section["degrees"].get<double>(), 90, 1);
    ExpectClaimsHold(candidates, z0, Load{zl, 0}, f1, f2);
}

TEST(LineCandidates, ThreeSectionChebyshevTransformerRipplesEquallyOverItsBand)
{
    // 100 ohms into 50 over 1-3 GHz (theta_m = 45 degrees): the equal-ripple
    // level ln(ZL / Z0) / 2 / T3(sec theta_m), T3(x) = 4x^3 - 3x.
    const double sec = std::sqrt(2.0);
    const double level = 0.5 * std::log(2.0) / (4 * sec * sec * sec - 3 * sec);
    const Json candidates = Candidates({"--f1", "1", "--f2", "3", "--zhigh", "100", "--zlow", "50",
                                        "--candidates", "--lines", "ideal", "--json"});
    const Json *stepped = First(candidates, "stepped", 3);
    ASSERT_TRUE(stepped);
    EXPECT_NEAR((*stepped)["gammaMax"].get<double>() / level, 1, 0.05);
    // Every ripple's peak within 5 % of the level: the two edges and the two
    // peaks inside the band.
    const std::vector<double> s11 = Over((*stepped)["elements"], 100, Load{50, 0}, 1e9, 3e9);
    std::vector<double> peaks{s11.front(), s11.back()};
    for (std::size_t k = 1; k + 1 < s11.size(); ++k)
        if (s11[k] > s11[k - 1] && s11[k] >= s11[k + 1])
            peaks.push_back(s11[k]);
    EXPECT_EQ(peaks.size(), 4u);
    for (const double p : peaks)
        EXPECT_NEAR(p / level, 1, 0.05);
    ExpectClaimsHold(candidates, 100, Load{50, 0}, 1e9, 3e9);
}

} // namespace
} // namespace tevmar::cli
