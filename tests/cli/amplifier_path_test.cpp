// The path through each of the amplifier's networks in tevmar-cli's JSON: the
// impedance after each part at the band's centre, the output network's from
// the load toward the device, the input network's from the device's input
// (as the output network and the load terminate it) toward the source. Each
// point is re-derived here by walking the listed parts with the textbook
// formulas from the device file's own row.

#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"
#include "tests/common/chain_check.h"
#include "tests/common/gaas_fet.h"
#include "tests/report/test_files.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Z = std::complex<double>;
using Json = nlohmann::ordered_json;
using Args = std::vector<std::string>;
constexpr Z j{0, 1};

// The FET's row at 4 GHz (S11 S21 S12 S22, magnitude and angle): 3.2 to 5 GHz
// has its geometric centre there, so no interpolation enters the check.
constexpr double kCentreHz = 4e9;
test::Scattering FetAt4GHz()
{
    const auto p = [](double mag, double deg) {
        return std::polar(mag, deg * std::numbers::pi / 180);
    };
    return {p(0.72, -116), p(2.60, 76), p(0.030, 57), p(0.73, -54)};
}

// A part of the JSON added to the impedance z looking toward the load.
Z Walk(const Json &e, Z z, double f)
{
    const std::string kind = e["kind"];
    const double value = e["value"].get<double>();
    const double w = 2 * std::numbers::pi * f;
    const Z part = kind.ends_with("resistor")   ? Z(value)
                   : kind.ends_with("inductor") ? j * w * value * 1e-9
                                                : 1.0 / (j * w * value * 1e-12);
    return kind.starts_with("series") ? z + part : 1.0 / (1.0 / z + 1.0 / part);
}

Z ZOf(const Json &point)
{
    return {point["z"][0].get<double>(), point["z"][1].get<double>()};
}

// The network's parts alone, as the path lists them: the stabilising
// resistor beside the device is not one of them.
Json PartsOf(const Json &side)
{
    Json parts = Json::array();
    for (const Json &e : side["elements"])
        if (!e.contains("stabiliser"))
            parts.push_back(e);
    return parts;
}

// The side's path against the walk from `start` through its parts from the
// last listed to the first; the last point walked.
Z ExpectPath(const Json &side, Z start, const std::string &label)
{
    const Json parts = PartsOf(side);
    const Json &path = side["path"];
    EXPECT_EQ(path.size(), parts.size() + 1) << label << ": one point per part plus the load";
    if (path.size() != parts.size() + 1)
        return {};
    EXPECT_EQ(path[0]["after"], "load") << label;
    Z z = start;
    EXPECT_NEAR(std::abs(ZOf(path[0]) - z), 0, 1e-9 * std::abs(z)) << label << path[0];
    for (std::size_t k = 1; k < path.size(); ++k) {
        const Json &e = parts[parts.size() - k];
        EXPECT_EQ(path[k]["after"], e["name"]) << label;
        z = Walk(e, z, kCentreHz);
        EXPECT_NEAR(std::abs(ZOf(path[k]) - z), 0, 1e-8 * std::max(1.0, std::abs(z)))
            << label << ": " << path[k] << " against " << z;
    }
    return z;
}

// The device's input impedance with `zl` at its output, against z0.
Z DeviceInput(const test::Scattering &s, Z zl, double z0)
{
    const Z gl = (zl - z0) / (zl + z0);
    const Z gin = s.s11 + s.s12 * s.s21 * gl / (1.0 - s.s22 * gl);
    return z0 * (1.0 + gin) / (1.0 - gin);
}

const Json &SweepAt(const Json &amplifier, double hz)
{
    for (const Json &p : amplifier["sweep"])
        if (std::abs(p["frequencyHz"].get<double>() - hz) < 1)
            return p;
    ADD_FAILURE() << "no sweep point at " << hz;
    return amplifier["sweep"][0];
}

// Between 25 and 75 ohms: the output network's path starts at the load and
// ends where the device's output looks (the sweep's Gamma L there); the input
// network's starts at the device's input so terminated and ends at what the
// source sees (the sweep's input return loss).
TEST(AmplifierPath, EachNetworksPathWalksItsPartsFromItsLoad)
{
    TempDir dir;
    const std::string fet = (dir / "fet.s2p").string();
    test_files::WriteBytes(fet, test::kGaasFet);
    for (const char *goal : {"gain", "noise"}) {
        const CliRun run = RunCliIn({"--device", fet, "--amplifier", "--goal", goal, "--f1", "3.2",
                                     "--f2", "5", "--source", "25", "--load-ohms", "75", "--json"},
                                    dir);
        ASSERT_EQ(run.exitCode, kExitDesigned) << goal << run.err;
        const Json a = Json::parse(run.out)["amplifier"];
        const double z0 = a["referenceOhms"];
        const Z outputEnd = ExpectPath(a["output"], 75, std::string(goal) + " output");
        const Z deviceIn = DeviceInput(FetAt4GHz(), outputEnd, z0);
        const Z sourceSees = ExpectPath(a["input"], deviceIn, std::string(goal) + " input");

        const Json &p = SweepAt(a, kCentreHz);
        const Z gammaL{p["gammaL"][0].get<double>(), p["gammaL"][1].get<double>()};
        EXPECT_NEAR(std::abs((outputEnd - z0) / (outputEnd + z0) - gammaL), 0, 1e-9) << goal;
        EXPECT_NEAR(-20 * std::log10(std::abs((sourceSees - 25.0) / (sourceSees + 25.0))),
                    p["inputReturnLossDb"].get<double>(), 1e-6)
            << goal;
    }
}

// With a stabilising shunt resistor across the device's output, the output
// network's path ends at the resistor, and the input network's starts at the
// device's input with the resistor, the output network and the load behind it.
TEST(AmplifierPath, AStabilisingResistorStandsBetweenTheDeviceAndTheOutputPath)
{
    TempDir dir;
    const std::string fet = (dir / "fet.s2p").string();
    test_files::WriteBytes(fet, test::kGaasFet);
    const CliRun run = RunCliIn(
        {"--device", fet, "--amplifier", "--stabilise", "--f1", "3.2", "--f2", "5", "--json"}, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const Json a = Json::parse(run.out)["amplifier"];
    ASSERT_TRUE(a["stabiliser"]["outputShuntOhms"].is_number()) << a["stabiliser"];
    ASSERT_TRUE(a["stabiliser"]["inputSeriesOhms"].is_null()) << a["stabiliser"];
    const double rout = a["stabiliser"]["outputShuntOhms"];
    const Z outputEnd = ExpectPath(a["output"], 50, "output");
    const Z behindDevice = 1.0 / (1.0 / outputEnd + 1.0 / rout);
    ExpectPath(a["input"], DeviceInput(FetAt4GHz(), behindDevice, 50), "input");
}

// A measured load: the output network's path starts at the measured
// impedance, not at a port resistance.
TEST(AmplifierPath, AMeasuredLoadIsWhereTheOutputPathStarts)
{
    TempDir dir;
    const std::string fet = (dir / "fet.s2p").string();
    test_files::WriteBytes(fet, test::kGaasFet);
    // 40 + j15 ohms at 4 GHz against 50 ohms; other values either side.
    const auto s11 = [](Z z) { return (z - 50.0) / (z + 50.0); };
    std::string s1p = "# GHz S RI R 50\n";
    for (const auto &[ghz, z] : {std::pair{3.0, Z(35, 5)}, {4.0, Z(40, 15)}, {5.0, Z(45, 25)}})
        s1p += std::to_string(ghz) + " " + std::to_string(s11(z).real()) + " " +
               std::to_string(s11(z).imag()) + "\n";
    test_files::WriteBytes(dir / "load.s1p", s1p);
    const CliRun run = RunCliIn({"--device", fet, "--amplifier", "--f1", "3.2", "--f2", "5",
                                 "--load-s1p", (dir / "load.s1p").string(), "--json"},
                                dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const Json a = Json::parse(run.out)["amplifier"];
    EXPECT_TRUE(a["loadOhms"].is_null());
    const Z load = ZOf(a["output"]["path"][0]);
    // The file's six digits of S11 put the load within a milliohm of its value.
    EXPECT_NEAR(std::abs(load - Z(40, 15)), 0, 1e-3) << load;
    const Z outputEnd = ExpectPath(a["output"], load, "output");
    ExpectPath(a["input"], DeviceInput(FetAt4GHz(), outputEnd, 50), "input");
}

} // namespace
} // namespace tevmar::cli
