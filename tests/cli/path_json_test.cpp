// The path through the parts in tevmar-cli's JSON: every candidate and the
// tuned network list the impedance looking toward the load after each part
// at the band's centre, from the load, and each point is re-derived here by
// walking the listed parts from the load with the textbook formulas.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"
#include "tests/common/synthetic_kit.h"
#include "tests/report/test_files.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>

namespace tevmar::cli {
namespace {

using Z = std::complex<double>;
using Args = std::vector<std::string>;
constexpr Z j{0, 1};

// A lumped part of the JSON ("series inductor", value in nH or pF) added to
// the impedance z looking toward the load.
Z Walk(const std::string &kind, double value, Z z, double f)
{
    const double w = 2 * std::numbers::pi * f;
    const Z immittance = kind.ends_with("inductor")   ? j * w * value * 1e-9
                         : kind.starts_with("series") ? 1.0 / (j * w * value * 1e-12)
                                                      : j * w * value * 1e-12;
    if (kind == "series inductor" || kind == "series capacitor")
        return z + immittance;
    return 1.0 / (1.0 / z + (kind == "shunt inductor" ? 1.0 / immittance : immittance));
}

Z ZOf(const nlohmann::json &point)
{
    return {point["z"][0].get<double>(), point["z"][1].get<double>()};
}

// The path against the walk from `load` through the elements, listed from
// the source's side (so walked last to first); names from `nameKey` and the
// value from `valueKey`. Returns the last point.
Z ExpectWalk(const nlohmann::json &path, const nlohmann::json &elements, Z load, double f,
             const char *nameKey, const char *valueKey)
{
    EXPECT_EQ(path.size(), elements.size() + 1) << "one point per part plus the load";
    if (path.size() != elements.size() + 1)
        return {};
    EXPECT_EQ(path[0]["after"], "load");
    Z z = load;
    EXPECT_NEAR(std::abs(ZOf(path[0]) - z), 0, 1e-9 * std::abs(z));
    for (std::size_t k = 1; k < path.size(); ++k) {
        const auto &e = elements[elements.size() - k];
        EXPECT_EQ(path[k]["after"], e[nameKey]);
        z = Walk(e["kind"].get<std::string>(), e[valueKey].get<double>(), z, f);
        EXPECT_NEAR(std::abs(ZOf(path[k]) - z), 0, 1e-8 * std::max(1.0, std::abs(z)))
            << path[k] << " vs " << z;
    }
    return z;
}

double Reflection(Z z, double z0)
{
    return std::abs((z - z0) / (z + z0));
}

TEST(PathJson, TheTunedNetworkListsItsPathFromTheLoad)
{
    // 2 to 3 GHz, 50 to 8 ohms, order 8, series RC absorbing 10 pF.
    test_files::TempDir dir;
    const Args args{"--f1",    "2", "--f2",   "3",         "--zhigh",  "50", "--zlow", "8",
                    "--order", "8", "--load", "series-rc", "--absorb", "10", "--tune", "--json"};
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const auto tuned = nlohmann::json::parse(run.out)["tuned"];
    const double f = std::sqrt(2e9 * 3e9);
    const Z load = 8.0 + 1.0 / (j * 2.0 * std::numbers::pi * f * 10e-12);
    const Z last = ExpectWalk(tuned["path"], tuned["elements"], load, f, "part", "tuned");
    // The source sees the tuned match at the centre.
    EXPECT_LE(Reflection(last, 50), tuned["gammaMax"].get<double>() * 1.0001);
}

TEST(PathJson, EachCandidateListsItsPathByItsOwnPartNames)
{
    // 30 ohms + 2 nH from 50 ohms over 1.8 to 2.2 GHz.
    test_files::TempDir dir;
    const Args args{"--f1", "1.8",    "--f2",      "2.2",      "--zhigh", "50",           "--zlow",
                    "30",   "--load", "series-rl", "--absorb", "2",       "--candidates", "--json"};
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitTuned) << run.err;
    const auto candidates = nlohmann::json::parse(run.out)["candidates"];
    ASSERT_FALSE(candidates.empty());
    const double f = std::sqrt(1.8e9 * 2.2e9);
    const Z load = 30.0 + j * 2.0 * std::numbers::pi * f * 2e-9;
    for (const auto &c : candidates) {
        const Z last = ExpectWalk(c["path"], c["elements"], load, f, "name", "value");
        EXPECT_LE(Reflection(last, 50), c["gammaMax"].get<double>() * 1.0001) << c["topology"];
    }
}

// On a kit, each candidate's path walks its kit parts (their measured
// impedance, interpolated between the data's points), and the network the
// kit parts stand for keeps its own path beside its elements.
TEST(PathJson, OnAKitTheCandidatesPathWalksTheKitParts)
{
    test_files::TempDir dir;
    test_kit::WriteSyntheticKit(dir / "kit");
    const Args args{"--f1",         "1.8",       "--f2",     "2.2",
                    "--zhigh",      "50",        "--zlow",   "30",
                    "--load",       "series-rl", "--absorb", "2",
                    "--candidates", "--json",    "--parts",  (dir / "kit").string()};
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitTuned) << run.err;
    const auto candidates = nlohmann::json::parse(run.out)["candidates"];
    ASSERT_FALSE(candidates.empty());
    const double f = std::sqrt(1.8e9 * 2.2e9);
    const Z load = 30.0 + j * 2.0 * std::numbers::pi * f * 2e-9;
    for (const auto &c : candidates) {
        const auto &path = c["path"];
        const auto &elements = c["elements"];
        ASSERT_EQ(path.size(), elements.size() + 1);
        Z z = load;
        for (std::size_t k = 1; k < path.size(); ++k) {
            const auto &e = elements[elements.size() - k];
            EXPECT_EQ(path[k]["after"], e["name"]);
            const std::string kind = e["kind"].get<std::string>();
            const double value = e["value"].get<double>();
            const Z part = kind.ends_with("inductor") ? test_kit::InductorImpedance(value, f)
                                                      : test_kit::CapacitorImpedance(value, f);
            z = kind.starts_with("series") ? z + part : 1.0 / (1.0 / z + 1.0 / part);
            // The kit's files hold the impedance at points the walk falls between.
            EXPECT_NEAR(std::abs(ZOf(path[k]) - z), 0, 2e-3 * std::abs(z)) << path[k];
        }
        ExpectWalk(c["ideal"]["path"], c["ideal"]["elements"], load, f, "name", "value");
    }
}

} // namespace
} // namespace tevmar::cli
