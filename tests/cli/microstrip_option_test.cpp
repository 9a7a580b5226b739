// tevmar-cli --substrate --microstrip in-process: the width for an
// impedance and the figures of a width, as JSON and as a table, a line's
// S-parameters, and every way of asking for it wrongly.

#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;

constexpr const char *kFr4 = "er=4.4,h=1.6mm,t=35um,tand=0.02";

TEST(MicrostripOption, JsonOfTheWidthForAnImpedance)
{
    TempDir dir;
    const CliRun run = RunCliIn(
        {"--substrate", kFr4, "--microstrip", "50", "--at", "1GHz,2.4GHz,5800MHz", "--json"}, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(std::filesystem::exists(dir / "tevmar.prt")); // no design, no report
    const nlohmann::json j = nlohmann::json::parse(run.out);
    ASSERT_EQ(j.size(), 1u);
    const nlohmann::json &m = j.at("microstrip");
    EXPECT_EQ(m.size(), 3u);
    // 50 ohms on 1.6 mm FR-4 with 35 um copper: some 2.9 to 3.0 mm.
    EXPECT_NEAR(m.at("widthMm").get<double>(), 2.95, 0.1);
    EXPECT_NEAR(m.at("epsEffStatic").get<double>(), 3.3, 0.1);
    const nlohmann::json &points = m.at("points");
    ASSERT_EQ(points.size(), 3u);
    const double hz[] = {1e9, 2.4e9, 5.8e9};
    double loss = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const nlohmann::json &p = points[i];
        EXPECT_EQ(p.size(), 7u);
        EXPECT_DOUBLE_EQ(p.at("frequencyHz").get<double>(), hz[i]);
        EXPECT_NEAR(p.at("z0Ohms").get<double>(), 50, 1.5);
        EXPECT_GT(p.at("lossDbPerM").get<double>(), loss);
        loss = p.at("lossDbPerM").get<double>();
        EXPECT_TRUE(p.at("s21Db").is_null()); // no --length, no two-port
        EXPECT_TRUE(p.at("s11Db").is_null());
    }
}

TEST(MicrostripOption, LineBetweenPortsAndTheTable)
{
    TempDir dir;
    const Args args = {"--substrate",  "er=3.55, h=0.508mm, t=17um, tand=0.0027, rough=1um",
                       "--microstrip", "1.1mm",
                       "--at",         "1GHz,10GHz",
                       "--length",     "25mm"};
    Args json = args;
    json.push_back("--json");
    const CliRun run = RunCliIn(json, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const nlohmann::json m = nlohmann::json::parse(run.out).at("microstrip");
    EXPECT_DOUBLE_EQ(m.at("widthMm").get<double>(), 1.1);
    const nlohmann::json &at10 = m.at("points").at(1);
    // A near-50 ohm line of low-loss laminate: a small fraction of a dB
    // through, little reflected, and the phase 360 f l sqrt(eps_eff) / c
    // wrapped.
    const double s21 = at10.at("s21Db").get<double>();
    EXPECT_LT(s21, 0);
    EXPECT_GT(s21, -0.6);
    EXPECT_LT(at10.at("s11Db").get<double>(), -20);
    const double degrees =
        360 * 10e9 * 25e-3 * std::sqrt(at10.at("epsEff").get<double>()) / 299'792'458.0;
    EXPECT_NEAR(std::remainder(at10.at("s21Deg").get<double>() + degrees, 360), 0, 0.5);
    EXPECT_GT(m.at("points").at(0).at("s21Db").get<double>(), s21);

    const CliRun table = RunCliIn(args, dir);
    ASSERT_EQ(table.exitCode, kExitDesigned) << table.err;
    EXPECT_NE(table.out.find("Microstrip: width 1.1 mm"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("Line 25 mm long between 50 ohm ports"), std::string::npos);
    EXPECT_NE(table.out.find("S21 dB"), std::string::npos);
    EXPECT_NE(table.out.find("an open end adds"), std::string::npos);
}

TEST(MicrostripOption, BadSubstratesAndLinesAreRefusedNamingWhatIsWrong)
{
    TempDir dir;
    const struct
    {
        Args args;
        const char *said;
    } cases[] = {
        {{"--substrate", "er=4.4,h=1.6", "--microstrip", "50", "--at", "1GHz"}, "has no unit"},
        {{"--substrate", "er=0.8,h=1.6mm", "--microstrip", "50", "--at", "1GHz"}, "er=0.8"},
        {{"--substrate", "er=4.4,h=0mm", "--microstrip", "50", "--at", "1GHz"}, "h=0 mm"},
        {{"--substrate", "er=4.4,h=-1mm", "--microstrip", "50", "--at", "1GHz"}, "h=-1 mm"},
        {{"--substrate", "er=4.4", "--microstrip", "50", "--at", "1GHz"}, "needs h"},
        {{"--substrate", "er=4.4,h=1.6mm,w=3mm", "--microstrip", "50", "--at", "1GHz"},
         "unknown key \"w\""},
        {{"--substrate", "er=4.4,h=1.6mm,h=1mm", "--microstrip", "50", "--at", "1GHz"},
         "h given more than once"},
        {{"--substrate", "er=4.4,h=1.6mm,t=2mm", "--microstrip", "50", "--at", "1GHz"},
         "less than h"},
        {{"--substrate", "er=4.4,h=1.6mm,t=35furlongs", "--microstrip", "50", "--at", "1GHz"},
         "is not a unit of length"},
        {{"--substrate", kFr4, "--microstrip", "50", "--at", "2.4"}, "has no unit"},
        {{"--substrate", kFr4, "--microstrip", "50", "--at", "2.4GHz,0Hz"}, "expected above 0"},
        {{"--substrate", kFr4, "--microstrip", "3", "--at", "1GHz", "--length", "25"},
         "has no unit"},
        {{"--substrate", kFr4, "--microstrip", "3parsecs", "--at", "1GHz"}, "neither an impedance"},
        {{"--substrate", kFr4, "--microstrip", "-50", "--at", "1GHz"}, "above 0 ohms"},
        {{"--substrate", kFr4, "--microstrip", "1000", "--at", "1GHz"}, "no width"},
        {{"--substrate", kFr4, "--microstrip", "1um", "--at", "1GHz"}, "formulas cover W/h"},
        {{"--substrate", kFr4, "--microstrip", "50"}, "needs --at"},
        {{"--microstrip", "50", "--at", "1GHz"}, "needs --substrate"},
        {{"--substrate", kFr4, "--at", "1GHz"}, "--substrate applies to --microstrip"},
        {{"--substrate", kFr4, "--microstrip", "50", "--at", "1GHz", "--f1", "2"},
         "--f1 does not apply to --microstrip"},
    };
    for (const auto &c : cases) {
        const CliRun run = RunCliIn(c.args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << c.said;
        EXPECT_EQ(run.out, "") << c.said;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << c.said << "\n" << run.err;
    }
}

TEST(MicrostripOption, LengthsAndFrequenciesInAnyOfTheirUnits)
{
    TempDir dir;
    const auto line = [&dir](const std::string &substrate, const std::string &width,
                             const std::string &at) {
        const CliRun run =
            RunCliIn({"--substrate", substrate, "--microstrip", width, "--at", at, "--json"}, dir);
        EXPECT_EQ(run.exitCode, kExitDesigned) << run.err;
        return nlohmann::json::parse(run.out).at("microstrip");
    };
    // 62 mil board and 1.4 mil copper are 1.5748 mm and 35.56 um; a width of
    // 120 mil is 3.048 mm; units in any case, a space before them allowed.
    const nlohmann::json inMm = line("er=4.4,h=1.5748mm,t=35.56um", "3.048mm", "2400MHz,5.8GHz");
    for (const nlohmann::json &same :
         {line("er=4.4,h=62mil,t=1.4mil", "120mil", "2.4GHz,5800MHz"),
          line("ER=4.4, H=0.15748cm, T=0.03556 mm", "0.003048m", "2.4ghz,5.8 GHz"),
          line("er=4.4,h=1574.8um,t=35.56UM", "3048um", "2400000kHz,5.8e9Hz")}) {
        EXPECT_NEAR(same.at("widthMm").get<double>(), 3.048, 1e-12);
        for (std::size_t i = 0; i < 2; ++i) {
            const nlohmann::json &a = same.at("points").at(i), &b = inMm.at("points").at(i);
            EXPECT_NEAR(a.at("frequencyHz").get<double>(), b.at("frequencyHz").get<double>(), 1e-3);
            EXPECT_NEAR(a.at("z0Ohms").get<double>(), b.at("z0Ohms").get<double>(), 1e-9);
        }
    }
}

TEST(MicrostripOption, PlausibleButUnvalidatedAsksWarn)
{
    TempDir dir;
    // A 0.1 mm track on 1.6 mm board is W/h 0.06, below the dispersion
    // fits' range; at 40 GHz a 1.6 mm board is 0.2 wavelengths high.
    const CliRun run =
        RunCliIn({"--substrate", "er=4.4,h=1.6mm", "--microstrip", "0.1mm", "--at", "40GHz"}, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    EXPECT_NE(run.err.find("warning: --microstrip: W/h 0.0625 is outside 0.1 to 100"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("wavelengths high"), std::string::npos) << run.err;
}

} // namespace
} // namespace tevmar::cli
