// Several bands at once (--band, --reject), checked from outside: 10 ohm
// matched to 50 ohm at 0.9 and 1.8 GHz together, each candidate's figures
// recomputed band by band by a cascade written here, a harmonic band scored
// as attenuation, and one --band the very run --f1 and --f2 give.

#include "tests/cli/cli_in_process.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string>
#include <vector>

namespace tevmar::cli {
namespace {

using Complex = std::complex<double>;
using test_files::TempDir;

const std::vector<std::string> kTwoBands{"--band",  "0.88:0.92", "--band", "1.76:1.84",
                                         "--zhigh", "50",        "--zlow", "10"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string> &more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

struct Piece
{
    bool shunt = false;
    bool inductor = false;
    double value = 0; // nH or pF
};

std::vector<Piece> PiecesOf(const nlohmann::json &elements)
{
    std::vector<Piece> parts;
    for (const auto &e : elements) {
        const std::string kind = e.at("kind");
        parts.push_back({kind.rfind("shunt", 0) == 0, e.at("unit") == "nH", e.at("value")});
    }
    return parts;
}

// |S11| at the 50 ohm source through the parts (source side first) into
// 10 ohm, ideal parts: |S21|^2 = 1 - |S11|^2.
double Gamma(const std::vector<Piece> &parts, double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    Complex z = 10;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        const Complex x = it->inductor ? Complex(0, w * it->value * 1e-9)
                                       : Complex(0, -1 / (w * it->value * 1e-12));
        z = it->shunt ? 1.0 / (1.0 / z + 1.0 / x) : z + x;
    }
    return std::abs((z - 50.0) / (z + 50.0));
}

// The largest of a figure over a band, on 4001 points.
template <class F> double MaxOver(double lowGhz, double highGhz, F figure)
{
    double worst = 0;
    for (int k = 0; k <= 4000; ++k)
        worst = std::max(worst, figure((lowGhz + (highGhz - lowGhz) * k / 4000) * 1e9));
    return worst;
}

// A claimed in-band maximum against the dense grid's: never below it, and
// above it only by what the grid steps over.
void ExpectClaimed(double claimed, double grid, const std::string &what)
{
    EXPECT_GE(claimed, grid * (1 - 1e-6) - 1e-9) << what;
    EXPECT_LE(claimed, grid * (1 + 2e-3) + 1e-6) << what;
}

// The two-band L-section worked by hand: from 10 to 50 ohm an L-section
// needs 20 ohm in series and 0.04 S across; a series LC of -20 ohm at
// 0.9 GHz and +20 ohm at 1.8 GHz (wL = 20, 1/wC = 40 at 0.9 GHz) and a
// parallel LC of -0.04 S and +0.04 S (wC = 0.04, 1/wL = 0.08) give the
// highpass section in the lower band and the lowpass one in the upper.
// Its worse band's in-band max |S11|.
double ClosedFormTwoBandSection()
{
    const double w = 2 * std::numbers::pi * std::sqrt(0.88e9 * 0.92e9);
    const std::vector<Piece> parts{{true, true, 1 / (0.08 * w) * 1e9},
                                   {true, false, 0.04 / w * 1e12},
                                   {false, true, 20 / w * 1e9},
                                   {false, false, 1 / (40 * w) * 1e12}};
    const auto gamma = [&](double hz) { return Gamma(parts, hz); };
    return std::max(MaxOver(0.88, 0.92, gamma), MaxOver(1.76, 1.84, gamma));
}

TEST(Bands, TwoBandsAreMatchedAtOnceAndEveryFigureHoldsInBoth)
{
    TempDir dir;
    const CliRun run = RunCliIn(With(kTwoBands, {"--json"}), dir);
    ASSERT_EQ(run.exitCode, 6) << run.err; // no textbook design; candidates instead
    EXPECT_NE(run.err.find("no textbook design or report for several bands"), std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "tevmar.prt"));
    const auto document = nlohmann::json::parse(run.out);
    EXPECT_FALSE(document.contains("elements")); // no textbook network
    ASSERT_EQ(document["inputs"]["bands"].size(), 2u);
    EXPECT_DOUBLE_EQ(document["inputs"]["bands"][1]["f1GHz"].get<double>(), 1.76);
    EXPECT_TRUE(document["inputs"]["rejectBands"].empty());

    const auto &candidates = document.at("candidates");
    ASSERT_GE(candidates.size(), 5u);
    double previous = 0;
    bool twoResonators = false;
    for (const auto &c : candidates) {
        const std::vector<Piece> parts = PiecesOf(c.at("elements"));
        const auto &bands = c.at("bands");
        ASSERT_EQ(bands.size(), 2u);
        double worst = 0;
        for (const auto &band : bands) {
            const double f1 = band["f1GHz"], f2 = band["f2GHz"];
            const double grid = MaxOver(f1, f2, [&](double hz) { return Gamma(parts, hz); });
            ExpectClaimed(band["gammaMax"], grid, c.at("topology").get<std::string>());
            worst = std::max(worst, band["gammaMax"].get<double>());
        }
        // The row's figure is the worse band's, and the rows are in its order.
        EXPECT_NEAR(c["gammaMax"].get<double>(), worst, 1e-12 + 1e-9 * worst);
        EXPECT_GE(c["gammaMax"].get<double>(), previous * (1 - 1e-12));
        previous = c["gammaMax"];
        // A parallel LC across and a series LC: the two-band L-section.
        const auto pair = [&](std::size_t i) {
            return parts[i].shunt == parts[i + 1].shunt &&
                   parts[i].inductor != parts[i + 1].inductor;
        };
        if (parts.size() == 4 && pair(0) && pair(2) && parts[0].shunt != parts[2].shunt) {
            twoResonators = true;
            EXPECT_LE(c["gammaMax"].get<double>(), ClosedFormTwoBandSection() * (1 + 1e-9));
        }
    }
    EXPECT_TRUE(twoResonators) << "no series LC with a shunt parallel LC among the candidates";
    // The best matches both bands far better than any two parts can.
    EXPECT_LT(candidates.front()["gammaMax"].get<double>(), 1e-3);
}

TEST(Bands, ThePaneSaysWhyThereIsNoDesignAndListsEachBand)
{
    TempDir dir;
    const CliRun run = RunCliIn(kTwoBands, dir);
    ASSERT_EQ(run.exitCode, 6) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
              "Bands 0.88-0.92, 1.76-1.84 GHz: no textbook design or report for several bands; "
              "the candidates are matched over every band");
    EXPECT_NE(run.out.find("per band: 0.88-0.92 GHz |S11| "), std::string::npos);
    EXPECT_EQ(run.out.find("SOLUTION"), std::string::npos);
}

TEST(Bands, ARejectionBandIsScoredAsAttenuation)
{
    TempDir dir;
    const CliRun run = RunCliIn(
        With(kTwoBands, {"--reject", "2.6:2.8@20dB", "--band", "3.5:3.6@-10dB", "--json"}), dir);
    ASSERT_EQ(run.exitCode, 6) << run.err;
    const auto document = nlohmann::json::parse(run.out);
    ASSERT_EQ(document["inputs"]["rejectBands"].size(), 1u);
    EXPECT_DOUBLE_EQ(document["inputs"]["rejectBands"][0]["attenuationDb"].get<double>(), 20);
    EXPECT_NEAR(document["inputs"]["bands"][2]["limitDb"].get<double>(), -10, 1e-12);
    const auto &candidates = document.at("candidates");
    ASSERT_FALSE(candidates.empty());
    for (const auto &c : candidates) {
        const std::vector<Piece> parts = PiecesOf(c.at("elements"));
        double score = 0;
        for (const auto &band : c.at("bands")) {
            const double f1 = band["f1GHz"], f2 = band["f2GHz"];
            if (band["kind"] == "reject") {
                const double leak = MaxOver(f1, f2, [&](double hz) {
                    const double g = Gamma(parts, hz);
                    return std::sqrt(std::max(0.0, 1 - g * g));
                });
                ExpectClaimed(band["s21Max"], leak, "reject");
                EXPECT_NEAR(band["score"].get<double>(), band["s21Max"].get<double>() / 0.1, 1e-9);
            } else {
                const double limit = f1 > 3 ? std::pow(10, -10.0 / 20) : 1;
                EXPECT_NEAR(band["score"].get<double>(), band["gammaMax"].get<double>() / limit,
                            1e-9);
            }
            score = std::max(score, band["score"].get<double>());
        }
        EXPECT_NEAR(c["gammaMax"].get<double>(), score, 1e-9 * score);
    }
    // The best leaks less than a tenth of the volts at the harmonic.
    for (const auto &band : candidates.front()["bands"]) {
        if (band["kind"] == "reject") {
            EXPECT_LT(band["s21Max"].get<double>(), 0.1);
        }
    }
}

TEST(Bands, LossyPartsAreRankedByTheWorstBandsLoss)
{
    TempDir dir;
    const CliRun run = RunCliIn(With(kTwoBands, {"--q-l", "30", "--json"}), dir);
    ASSERT_EQ(run.exitCode, 6) << run.err;
    const auto candidates = nlohmann::json::parse(run.out).at("candidates");
    ASSERT_FALSE(candidates.empty());
    for (const auto &c : candidates) {
        double worst = 0;
        for (const auto &band : c.at("bands")) {
            EXPECT_FALSE(band.contains("gammaMax")); // lost power, not reflection
            worst = std::max(worst, band.at("lossDbMax").get<double>());
        }
        // The row's loss is its worse band's, and its score that loss's root.
        EXPECT_NEAR(c.at("lossDbMax").get<double>(), worst, 1e-3 * worst + 1e-6);
        const double root = c.at("gammaMax").get<double>();
        EXPECT_NEAR(-10 * std::log10(1 - root * root), worst, 1e-3 * worst + 1e-6);
    }
}

TEST(Bands, OneBandIsTheRunOfF1AndF2)
{
    TempDir a, b;
    const std::vector<std::string> rest{"--zhigh", "50", "--zlow", "30", "--candidates", "--json"};
    const CliRun edges = RunCliIn(With({"--f1", "1.8", "--f2", "2.2"}, rest), a);
    const CliRun band = RunCliIn(With({"--band", "1.8:2.2"}, rest), b);
    EXPECT_EQ(edges.exitCode, 0) << edges.err;
    EXPECT_EQ(band.exitCode, edges.exitCode);
    EXPECT_EQ(band.out, edges.out);
    EXPECT_EQ(band.err, edges.err);
    EXPECT_EQ(test_files::ReadBytes(b / "tevmar.prt"), test_files::ReadBytes(a / "tevmar.prt"));
}

TEST(Bands, BadBandsAreRefusedNamingTheOption)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--band", "1:2", "--f1", "1"}, "--band replaces --f1 and --f2"},
        {{"--band", "2:1"}, "--band: \"2:1\": the lower edge comes first"},
        {{"--band", "1:1"}, "--band: \"1:1\""},
        {{"--band", "1:2", "--band", "1.5:3"}, "--band: 1.5:3 overlaps or touches --band 1:2"},
        {{"--band", "1:2", "--reject", "2:3@20dB"}, "--reject: 2:3 overlaps or touches --band"},
        {{"--band", "1:2@5dB"}, "--band: \"1:2@5dB\": an |S11| limit is below 0 dB"},
        {{"--band", "1:2@w-1"}, "--band: \"1:2@w-1\": a weight is a number above 0"},
        {{"--band", "1:2", "--reject", "3:4"}, "--reject: \"3:4\" needs the attenuation"},
        {{"--reject", "3:4@20dB"}, "--reject needs the passbands"},
        {{"--band", "1:1.1", "--band", "2:2.1", "--tune"}, "--tune works on one band"},
        {{"--band", "1:1.1", "--band", "2:2.1", "--report", "x.prt"}, "--report works on one band"},
    };
    for (const auto &[args, message] : cases) {
        TempDir dir;
        const CliRun run = RunCliIn(With(args, {"--zhigh", "50", "--zlow", "10"}), dir);
        EXPECT_EQ(run.exitCode, 2) << args[1];
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty());
    }
}

} // namespace
} // namespace tevmar::cli
