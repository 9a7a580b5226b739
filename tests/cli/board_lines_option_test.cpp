// tevmar-cli --candidates --lines microstrip in-process: stubs and lines
// etched on a board, their claimed figures worked out again from the widths
// and drawn lengths the JSON gives, the layout table of the picked network,
// and every way of asking for them wrongly.

#include "analysis/lines/microstrip.h"
#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"
#include "tests/common/fr4_board.h"
#include "tests/report/test_files.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>

namespace tevmar::cli {
namespace {

using test_files::ReadBytes;
using test_files::TempDir;
using Args = std::vector<std::string>;
using Complex = std::complex<double>;

constexpr const char *kFr4 = "er=4.4,h=1.6mm,t=35um,tand=0.02";
// 25 + j50 ohms at 2.4 GHz (25 ohms and 3.3157 nH in series) from 50 ohms
// over 2.38-2.42 GHz: a Wi-Fi antenna's feed, say.
const Args kLoad{"--f1",   "2.38", "--f2",   "2.42",      "--zhigh",  "50",
                 "--zlow", "25",   "--load", "series-rl", "--absorb", "3.3157"};
constexpr double kLoadHenries = 3.3157e-9;
constexpr double kCentreHz = 2.4e9;
constexpr double kSpeedOfLight = 299'792'458.0;

Args With(Args args, const std::vector<std::string> &extra)
{
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

using test::Fr4;

// The candidate's |S11| at `hz` into the load, cascaded here from each
// strip's width and drawn length (plus the end's extension for an open
// stub) through the line equations, element by element from the source.
double ReflectionOf(const nlohmann::json &elements, double hz)
{
    Complex a{1, 0}, b{0, 0}, c{0, 0}, d{1, 0};
    for (const auto &e : elements) {
        const analysis::lines::Microstrip strip(Fr4(), e.at("widthMm").get<double>() * 1e-3);
        const double length =
            (e.at("lengthMm").get<double>() + e.at("endExtensionMm").get<double>()) * 1e-3;
        const Complex gl = strip.PropagationConstant(hz) * length;
        const Complex z0 = strip.CharacteristicImpedance(hz);
        const std::string kind = e.at("kind").get<std::string>();
        Complex ea, eb, ec, ed;
        if (kind == "series line") {
            ea = ed = std::cosh(gl);
            eb = z0 * std::sinh(gl);
            ec = std::sinh(gl) / z0;
        } else {
            // The stub's input admittance: its line into an open or a short.
            ea = ed = 1;
            eb = 0;
            ec = kind == "shunt open stub" ? std::tanh(gl) / z0 : 1.0 / (z0 * std::tanh(gl));
        }
        const Complex na = a * ea + b * ec, nb = a * eb + b * ed;
        const Complex nc = c * ea + d * ec, nd = c * eb + d * ed;
        a = na, b = nb, c = nc, d = nd;
    }
    const Complex load{25, 2 * std::numbers::pi * hz * kLoadHenries};
    const Complex zin = (a * load + b) / (c * load + d);
    return std::abs((zin - 50.0) / (zin + 50.0));
}

TEST(BoardLinesOption, StubMatchOnFr4IsClaimedAsItsStripsGiveIt)
{
    TempDir dir;
    const CliRun run = RunCliIn(
        With(kLoad, {"--candidates", "--lines", "microstrip", "--substrate", kFr4, "--json"}), dir);
    ASSERT_TRUE(run.exitCode == kExitDesigned || run.exitCode == kExitTuned) << run.err;
    const nlohmann::json candidates = nlohmann::json::parse(run.out).at("candidates");
    int stubs = 0;
    for (const auto &candidate : candidates) {
        if (candidate.at("topology") != "stub")
            continue;
        ++stubs;
        const nlohmann::json &elements = candidate.at("elements");
        ASSERT_EQ(elements.size(), 2u);
        for (const auto &e : elements) {
            // Each strip within the default etchable widths, drawn on the
            // 0.05 mm grid, its electrical length the drawn one plus the
            // open end's extension.
            const double width = e.at("widthMm").get<double>();
            EXPECT_GE(width, 0.15 - 1e-12);
            EXPECT_LE(width, 5 + 1e-12);
            const double drawn = e.at("lengthMm").get<double>();
            EXPECT_NEAR(drawn / 0.05, std::round(drawn / 0.05), 1e-6) << e;
            const analysis::lines::Microstrip strip(Fr4(), width * 1e-3);
            const bool open = e.at("kind") == "shunt open stub";
            EXPECT_DOUBLE_EQ(e.at("endExtensionMm").get<double>(),
                             open ? strip.OpenEndExtension() * 1e3 : 0.0);
            const double electrical = (drawn + e.at("endExtensionMm").get<double>()) * 1e-3;
            const double degrees =
                360 * electrical * kCentreHz * std::sqrt(strip.EpsEff(kCentreHz)) / kSpeedOfLight;
            EXPECT_NEAR(e.at("degrees").get<double>(), degrees, 1e-9 * degrees);
            EXPECT_NEAR(e.at("z0Ohms").get<double>(), strip.Z0(kCentreHz), 1e-9);
        }
        // The claimed in-band maximum |S11|, from a dense grid of the cascade
        // above (a grid finds a peak from below, to well within 0.1 %).
        double worst = 0;
        for (int k = 0; k <= 400; ++k)
            worst = std::max(worst, ReflectionOf(elements, 2.38e9 + k * 0.04e9 / 400));
        const double claimed = candidate.at("gammaMax").get<double>();
        EXPECT_LE(worst, claimed * (1 + 1e-6)) << candidate;
        EXPECT_GE(worst, claimed * 0.999) << candidate;
        // A single stub on lossy FR-4 still matches a 40 MHz band well
        // (better than 20 dB return loss).
        EXPECT_LT(claimed, 0.1) << candidate;
    }
    EXPECT_EQ(stubs, 2); // open and shorted
}

TEST(BoardLinesOption, LayoutListsTheStripsOfThePickedNetwork)
{
    TempDir dir;
    const Args base =
        With(kLoad, {"--candidates", "--lines", "microstrip", "--substrate", kFr4, "--json"});
    const CliRun listed = RunCliIn(base, dir);
    const nlohmann::json candidates = nlohmann::json::parse(listed.out).at("candidates");
    std::size_t pick = 0;
    while (pick < candidates.size() && candidates[pick].at("topology") != "stub")
        ++pick;
    ASSERT_LT(pick, candidates.size());
    const std::string layout = (dir / "layout.csv").string();
    const CliRun run =
        RunCliIn(With(base, {"--pick", std::to_string(pick + 1), "--layout", layout}), dir);
    ASSERT_TRUE(run.exitCode == kExitDesigned || run.exitCode == kExitTuned) << run.err;
    // One row per strip, from the source, each cell as the JSON gives it to
    // three decimals.
    std::ostringstream expected;
    expected << "name,kind,width_mm,length_mm,end_extension_mm,z0_ohms,degrees\n";
    const auto decimals = [](const nlohmann::json &v) {
        char text[64];
        std::snprintf(text, sizeof text, "%.3f", v.get<double>());
        return std::string(text);
    };
    for (const auto &e : candidates[pick].at("elements"))
        expected << e.at("name").get<std::string>() << "," << e.at("kind").get<std::string>() << ","
                 << decimals(e.at("widthMm")) << "," << decimals(e.at("lengthMm")) << ","
                 << decimals(e.at("endExtensionMm")) << "," << decimals(e.at("z0Ohms")) << ","
                 << decimals(e.at("degrees")) << "\n";
    EXPECT_EQ(ReadBytes(layout), expected.str());

    // The layout is refused where it would overwrite the file it names as
    // another output, and where it would overwrite the report.
    const CliRun twice =
        RunCliIn(With(kLoad, {"--candidates", "--lines", "microstrip", "--substrate", kFr4,
                              "--layout", "same.csv", "--sweep", "same.csv"}),
                 dir);
    EXPECT_EQ(twice.exitCode, kExitBadUsage) << twice.err;
}

TEST(BoardLinesOption, BadBoardLineOptionsAreRefusedNamingTheOption)
{
    TempDir dir;
    const Args lines = With(kLoad, {"--candidates", "--lines", "microstrip"});
    const struct
    {
        Args args;
        const char *said;
    } cases[] = {
        {lines, "--lines microstrip needs --substrate"},
        {With(lines, {"--substrate", kFr4, "--width-range", "0.0001:5mm"}), "--width-range"},
        {With(lines, {"--substrate", kFr4, "--width-range", "0.15:5000mm"}), "--width-range"},
        {With(lines, {"--substrate", kFr4, "--width-range", "5:0.15mm"}), "--width-range"},
        {With(lines, {"--substrate", kFr4, "--width-range", "0.15:5"}), "--width-range"},
        {With(lines, {"--substrate", kFr4, "--length-step", "0mm"}), "--length-step"},
        {With(lines, {"--substrate", kFr4, "--length-step", "-0.05mm"}), "--length-step"},
        {With(lines, {"--substrate", kFr4, "--length-step", "0.05"}), "--length-step"},
        {With(lines, {"--substrate", kFr4, "--z0-range", "20:100"}), "--z0-range"},
        {With(lines, {"--substrate", kFr4, "--line-z0", "500"}), "--line-z0"},
        {With(kLoad, {"--candidates", "--lines", "ideal", "--width-range", "0.2:3mm"}),
         "--width-range applies to --lines microstrip"},
        {With(kLoad, {"--candidates", "--lines", "ideal", "--layout", "x.csv"}),
         "--layout applies to --lines microstrip"},
        {With(kLoad, {"--candidates", "--lines", "ideal", "--substrate", kFr4}),
         "--substrate applies to --microstrip and --lines microstrip"},
        {With(kLoad, {"--candidates", "--lines", "coax"}), "--lines"},
    };
    for (const auto &c : cases) {
        const CliRun run = RunCliIn(c.args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << c.said;
        EXPECT_EQ(run.out, "") << c.said;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << c.said << "\n" << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "x.csv"));
}

} // namespace
} // namespace tevmar::cli
