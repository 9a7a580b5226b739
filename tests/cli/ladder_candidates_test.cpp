// Candidates of every ladder sequence, checked from outside on the chip
// antenna ((20 ohm + 2.7 nH) with 0.3 pF across, 2.4-2.5 GHz, from 50 ohm):
// each offered figure recomputed by a cascade written here, and the best
// offered network of each size against a search of this test's own over
// every sequence of series and shunt inductors and capacitors of that size.

#include "tests/cli/cli_in_process.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>
#include <string>
#include <vector>

namespace tevmar::cli {
namespace {

using Complex = std::complex<double>;

const std::vector<std::string> kAntenna{
    "--f1",     "2.4", "--f2",         "2.5",   "--load-circuit", "(20 + 2.7nH) || 0.3pF",
    "--source", "50",  "--candidates", "--json"};

Complex Antenna(double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    const Complex radiator{20, w * 2.7e-9};
    return 1.0 / (Complex{0, w * 0.3e-12} + 1.0 / radiator);
}

// A part as this test sees it: across the line or in series, inductor or
// capacitor, nH or pF.
struct Piece
{
    bool shunt = false;
    bool inductor = false;
    double value = 0;
};

// The in-band max |S11| from 50 ohm through the parts (source side first)
// into the antenna, at `points` + 1 frequencies across 2.4-2.5 GHz.
double GammaMax(const std::vector<Piece> &parts, int points = 2000)
{
    double worst = 0;
    for (int k = 0; k <= points; ++k) {
        const double hz = 2.4e9 + 0.1e9 * k / points;
        const double w = 2 * std::numbers::pi * hz;
        Complex z = Antenna(hz);
        for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
            const Complex x = it->inductor ? Complex(0, w * it->value * 1e-9)
                                           : Complex(0, -1 / (w * it->value * 1e-12));
            z = it->shunt ? 1.0 / (1.0 / z + 1.0 / x) : z + x;
        }
        worst = std::max(worst, std::abs((z - 50.0) / (z + 50.0)));
    }
    return worst;
}

std::vector<Piece> PiecesOf(const nlohmann::json &elements)
{
    std::vector<Piece> parts;
    for (const auto &e : elements) {
        const std::string kind = e.at("kind");
        parts.push_back({kind.rfind("shunt", 0) == 0, e.at("unit") == "nH", e.at("value")});
    }
    return parts;
}

// The ranges the command line gives by default, nH and pF.
constexpr double kLow = 0.1, kInductorHigh = 1e4, kCapacitorHigh = 1e5;

double Clamped(const Piece &p, double value)
{
    return std::clamp(value, kLow, p.inductor ? kInductorHigh : kCapacitorHigh);
}

// The least in-band max |S11| this test finds for one sequence: every part
// on a grid of log values (two parts), or from a few starts, then a
// Nelder-Mead simplex on the log values, restarted until it stalls.
double BestOf(std::vector<Piece> parts)
{
    const std::size_t n = parts.size();
    const auto figure = [&](const std::vector<double> &logs) {
        std::vector<Piece> trial = parts;
        for (std::size_t i = 0; i < n; ++i)
            trial[i].value = Clamped(trial[i], std::exp(logs[i]));
        return GammaMax(trial, 24);
    };
    std::vector<std::vector<double>> starts;
    if (n == 2) {
        // Every pair on a grid of 0.1 to 1000 (nH or pF), 25 steps a decade.
        double best = HUGE_VAL;
        std::vector<double> at(2);
        for (int a = 0; a <= 100; ++a)
            for (int b = 0; b <= 100; ++b) {
                const std::vector<double> logs{std::log(0.1) + a * std::log(10.0) / 25,
                                               std::log(0.1) + b * std::log(10.0) / 25};
                if (const double f = figure(logs); f < best) {
                    best = f;
                    at = logs;
                }
            }
        starts.push_back(at);
    } else {
        // Reactances or susceptances of 50 ohm's order and wide about it.
        for (const double scale : {0.4, 2.5})
            for (const double tilt : {-1.0, 1.0}) {
                std::vector<double> logs;
                for (std::size_t i = 0; i < n; ++i) {
                    // A series reactance of `ohms`, or a shunt susceptance of
                    // 1 / `ohms`: L = ohms / w, C = 1 / (w ohms) either way.
                    const double w = 2 * std::numbers::pi * 2.45e9;
                    const double ohms =
                        50 * scale * std::exp(tilt * (static_cast<double>(i) - 1.5) * 0.7);
                    logs.push_back(
                        std::log(parts[i].inductor ? ohms / w * 1e9 : 1 / (w * ohms) * 1e12));
                }
                starts.push_back(logs);
            }
    }
    double best = HUGE_VAL;
    for (std::vector<double> x : starts) {
        double fx = figure(x);
        for (int restart = 0; restart < 4; ++restart) {
            std::vector<std::vector<double>> simplex{x};
            std::vector<double> values{fx};
            for (std::size_t i = 0; i < n; ++i) {
                std::vector<double> y = x;
                y[i] += 0.5 / (restart + 1);
                simplex.push_back(y);
                values.push_back(figure(y));
            }
            for (int step = 0; step < 120 * static_cast<int>(n); ++step) {
                std::vector<std::size_t> order(n + 1);
                for (std::size_t i = 0; i <= n; ++i)
                    order[i] = i;
                std::sort(order.begin(), order.end(),
                          [&](std::size_t a, std::size_t b) { return values[a] < values[b]; });
                const std::size_t worst = order[n];
                std::vector<double> centre(n, 0.0);
                for (std::size_t i = 0; i < n; ++i)
                    for (std::size_t j = 0; j < n; ++j)
                        centre[j] += simplex[order[i]][j] / static_cast<double>(n);
                const auto toward = [&](double t) {
                    std::vector<double> y(n);
                    for (std::size_t j = 0; j < n; ++j)
                        y[j] = centre[j] + t * (simplex[worst][j] - centre[j]);
                    return y;
                };
                const std::vector<double> reflected = toward(-1);
                const double fr = figure(reflected);
                if (fr < values[order[0]]) {
                    const std::vector<double> expanded = toward(-2);
                    const double fe = figure(expanded);
                    simplex[worst] = fe < fr ? expanded : reflected;
                    values[worst] = std::min(fe, fr);
                } else if (fr < values[order[n - 1]]) {
                    simplex[worst] = reflected;
                    values[worst] = fr;
                } else {
                    const std::vector<double> contracted = toward(0.5);
                    const double fc = figure(contracted);
                    if (fc < values[worst]) {
                        simplex[worst] = contracted;
                        values[worst] = fc;
                    } else {
                        for (std::size_t i = 1; i <= n; ++i) {
                            std::vector<double> &y = simplex[order[i]];
                            for (std::size_t j = 0; j < n; ++j)
                                y[j] = simplex[order[0]][j] + 0.5 * (y[j] - simplex[order[0]][j]);
                            values[order[i]] = figure(y);
                        }
                    }
                }
            }
            const auto lowest = std::min_element(values.begin(), values.end());
            const std::size_t at = static_cast<std::size_t>(lowest - values.begin());
            const bool gained = *lowest < fx * (1 - 1e-4);
            x = simplex[at];
            fx = *lowest;
            if (!gained && restart > 0)
                break;
        }
        std::vector<Piece> found = parts;
        for (std::size_t i = 0; i < n; ++i)
            found[i].value = Clamped(found[i], std::exp(x[i]));
        best = std::min(best, GammaMax(found));
    }
    return best;
}

// Every sequence of `n` parts, each a series or shunt inductor or
// capacitor, redundant ones included: 4^n of them.
std::vector<std::vector<Piece>> EverySequence(std::size_t n)
{
    std::vector<std::vector<Piece>> out;
    std::size_t count = 1;
    for (std::size_t i = 0; i < n; ++i)
        count *= 4;
    for (std::size_t code = 0; code < count; ++code) {
        std::vector<Piece> parts;
        for (std::size_t i = 0, c = code; i < n; ++i, c /= 4)
            parts.push_back({(c & 1) != 0, (c & 2) != 0, 1});
        out.push_back(parts);
    }
    return out;
}

std::string NameOf(const std::vector<Piece> &parts)
{
    std::string name;
    for (const Piece &p : parts)
        name += std::string(name.empty() ? "" : ", ") + (p.shunt ? "shunt " : "series ") +
                (p.inductor ? "L" : "C");
    return name;
}

class LadderCandidates : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        dir_ = new test_files::TempDir;
        const CliRun run = RunCliIn(kAntenna, *dir_);
        ASSERT_EQ(run.exitCode, 6) << run.err;
        candidates_ = new nlohmann::json(nlohmann::json::parse(run.out).at("candidates"));
    }
    static void TearDownTestSuite()
    {
        delete candidates_;
        delete dir_;
    }
    // The best offered candidate of `n` parts.
    static const nlohmann::json &BestOfSize(std::size_t n)
    {
        for (const auto &c : *candidates_)
            if (c.at("parts").get<std::size_t>() == n)
                return c;
        ADD_FAILURE() << "no candidate of " << n << " parts";
        return candidates_->front();
    }
    static test_files::TempDir *dir_;
    static nlohmann::json *candidates_;
};
test_files::TempDir *LadderCandidates::dir_ = nullptr;
nlohmann::json *LadderCandidates::candidates_ = nullptr;

TEST_F(LadderCandidates, EveryOfferedFigureIsItsNetworksAndTheRowsNameTheirParts)
{
    ASSERT_GE(candidates_->size(), 10u);
    double previous = 0;
    for (const auto &c : *candidates_) {
        const std::vector<Piece> parts = PiecesOf(c.at("elements"));
        const double claimed = c.at("gammaMax");
        EXPECT_NEAR(GammaMax(parts), claimed, 1e-3 * claimed + 1e-6) << c.at("topology");
        EXPECT_GE(claimed, previous);
        previous = claimed;
        const std::string topology = c.at("topology");
        if (topology != "bandpass" && topology != "lowpass" && topology != "highpass") {
            EXPECT_EQ(topology, NameOf(parts));
        }
        // No two side by side of one kind in one place: one part would do.
        for (std::size_t i = 1; i < parts.size(); ++i)
            EXPECT_FALSE(parts[i].shunt == parts[i - 1].shunt &&
                         parts[i].inductor == parts[i - 1].inductor)
                << topology;
    }
}

TEST_F(LadderCandidates, TheTwoCapacitorLSectionIsTheBestOfEveryTwoPartNetwork)
{
    const nlohmann::json &offered = BestOfSize(2);
    EXPECT_EQ(offered.at("topology"), "shunt C, series C");
    const double claimed = offered.at("gammaMax");
    EXPECT_LT(claimed, 0.035);
    double best = HUGE_VAL;
    std::string bestName;
    for (const std::vector<Piece> &parts : EverySequence(2)) {
        const double f = BestOf(parts);
        if (f < best) {
            best = f;
            bestName = NameOf(parts);
        }
    }
    EXPECT_EQ(bestName, "shunt C, series C");
    EXPECT_LE(claimed, best * 1.01);
    // And the two-part ladders of before are all worse by a quarter.
    for (const char *before : {"lowpass", "highpass"})
        for (const auto &c : *candidates_)
            if (c.at("parts") == 2 && c.at("topology") == before) {
                EXPECT_GT(c.at("gammaMax").get<double>(), 1.25 * claimed) << before;
            }
}

TEST_F(LadderCandidates, TheBestOfThreePartsIsWithinFivePerCentOfEverySequence)
{
    for (const std::size_t n : {3u}) {
        double best = HUGE_VAL;
        std::string bestName;
        for (const std::vector<Piece> &parts : EverySequence(n)) {
            const double f = BestOf(parts);
            if (f < best) {
                best = f;
                bestName = NameOf(parts);
            }
        }
        const double claimed = BestOfSize(n).at("gammaMax");
        EXPECT_LE(claimed, best * 1.05) << n << " parts: " << bestName << " reaches " << best;
    }
}

} // namespace
} // namespace tevmar::cli
