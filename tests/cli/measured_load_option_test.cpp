// tevmar-cli --load-s1p in-process: the chip antenna's file matched from the
// command line, and the ways of asking for it wrongly.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "session/options/design_options.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"
#include "tests/session/chip_antenna.h"

#include <array>
#include <charconv>
#include <complex>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>

namespace tevmar::cli {
namespace {

using namespace ::tevmar::session;

using test_files::TempDir;
using Args = std::vector<std::string>;

// The antenna's file in `dir`, and the arguments that match it over 2.3 to 2.6 GHz.
Args AntennaArgs(const TempDir &dir)
{
    const std::string path = (dir / "antenna.s1p").string();
    test_files::WriteBytes(path, test_files::ChipAntennaS1p());
    return {"--f1", "2.3", "--f2", "2.6", "--load-s1p", path, "--source", "50"};
}

TEST(LoadS1pOption, ChipAntennaFittedDesignedAndTunedIntoTheData)
{
    TempDir dir;
    Args args = AntennaArgs(dir);
    for (const char *extra : {"--json", "--tune"})
        args.push_back(extra);
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    const auto &chosen = json["measuredLoad"]["chosen"];
    EXPECT_EQ(chosen["kind"], "series-rl");
    EXPECT_NEAR(chosen["resistanceOhms"].get<double>(), 20.17, 0.005);
    EXPECT_NEAR(chosen["inductanceNh"].get<double>(), 1.196, 0.0005);
    EXPECT_NEAR(chosen["rmsRelativeError"].get<double>(), 0.0068, 0.0001);
    EXPECT_EQ(json["measuredLoad"]["fits"].size(), 4u);
    EXPECT_EQ(json["inputs"]["typed"]["Zlow_text"], "20.1709");
    const auto &check = json["analysis"]["selfCheck"];
    EXPECT_TRUE(check["intoMeasuredLoad"].get<bool>());
    EXPECT_NEAR(check["fullPrecision"]["gammaMax"].get<double>(), 0.049, 0.0005);
    EXPECT_LE(json["tuned"]["gammaMax"].get<double>(), 0.024);
    EXPECT_TRUE(std::filesystem::exists(dir / "tevmar.prt"));

    // Order 8 has no design for the fitted load: tuned from a relaxed start.
    args.insert(args.end(), {"--order", "8"});
    const CliRun order8 = RunCliIn(args, dir);
    ASSERT_EQ(order8.exitCode, kExitTuned) << order8.err;
    const auto tuned = nlohmann::json::parse(order8.out)["tuned"];
    EXPECT_LE(tuned["gammaMax"].get<double>(), 0.006);

    // A tuned part too small for a chip is named in the lines, as in the JSON.
    std::vector<std::string> flagged;
    for (const auto &element : tuned["elements"])
        if (element["belowChipRange"].get<bool>())
            flagged.push_back(element["part"].get<std::string>() + " ");
    std::erase(args, std::string("--json"));
    const CliRun text = RunCliIn(args, dir);
    const std::size_t at = text.out.find("  Below chip range: ");
    ASSERT_EQ(at != std::string::npos, !flagged.empty()) << text.out;
    const std::string line =
        at == std::string::npos ? "" : text.out.substr(at, text.out.find('\n', at) - at);
    for (const std::string &part : flagged)
        EXPECT_NE(line.find(part), std::string::npos) << line;
}

TEST(LoadS1pOption, PaneLinesThenTheFitThenTheFiguresIntoTheData)
{
    TempDir dir;
    const CliRun run = RunCliIn(AntennaArgs(dir), dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const std::size_t fit = run.out.find("  series RL: R 20.1709 ohms, L 1.19582 nH");
    const std::size_t check = run.out.find("  into the measured load:");
    EXPECT_LT(run.out.find("R =   20.171   Ohms"), fit);
    EXPECT_LT(fit, check);
    EXPECT_NE(check, std::string::npos);
    // A fit that describes its data says how closely, and nothing else.
    EXPECT_EQ(run.err, "tevmar-cli: measured load " + (dir / "antenna.s1p").string() +
                           ": series RL fit, rms error 0.682 %\n");

    // Under 1 % the design is the textbook one for the fit, its pane
    // lines exactly those of the same design typed in the boxes.
    const CliRun typed = RunCliIn({"--f1", "2.3", "--f2", "2.6", "--zhigh", "50", "--zlow",
                                   "20.1709", "--load", "series-rl", "--absorb", "1.19582"},
                                  dir);
    ASSERT_EQ(typed.exitCode, kExitDesigned);
    EXPECT_TRUE(run.out.starts_with(typed.out)) << run.out;
}

// An antenna near its series resonance: 15 ohms + 8 nH + 5 pF with 0.4 pF
// across its feed, measured at 33 points from 0.8 to 0.96 GHz. None of the
// four absorbable kinds describes it.
std::complex<double> ResonantAntennaOhms(double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    const std::complex<double> branch{15, w * 8e-9 - 1 / (w * 5e-12)};
    return 1.0 / (1.0 / branch + std::complex<double>{0, w * 0.4e-12});
}

std::vector<double> ResonantAntennaHz()
{
    std::vector<double> hz;
    for (int i = 0; i <= 32; ++i)
        hz.push_back(0.8e9 + i * 5e6);
    return hz;
}

std::string Shortest(double value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

Args ResonantAntennaArgs(const TempDir &dir)
{
    std::string text = "# GHz S RI R 50\n";
    for (const double hz : ResonantAntennaHz()) {
        const std::complex<double> z = ResonantAntennaOhms(hz);
        const std::complex<double> s = (z - 50.0) / (z + 50.0);
        text +=
            std::to_string(hz / 1e9) + " " + Shortest(s.real()) + " " + Shortest(s.imag()) + "\n";
    }
    const std::string path = (dir / "resonant.s1p").string();
    test_files::WriteBytes(path, text);
    return {"--f1", "0.8", "--f2", "0.96", "--load-s1p", path, "--source", "50"};
}

// The series RL fit's rms relative impedance error in percent, fitted here
// on its own: R the mean resistance, L by least squares on the reactance.
double SeriesRlErrorPercent()
{
    double r = 0, wx = 0, ww = 0;
    const std::vector<double> hz = ResonantAntennaHz();
    for (const double f : hz) {
        const double w = 2 * std::numbers::pi * f;
        r += ResonantAntennaOhms(f).real() / static_cast<double>(hz.size());
        wx += w * ResonantAntennaOhms(f).imag();
        ww += w * w;
    }
    double sum = 0;
    for (const double f : hz) {
        const std::complex<double> z = ResonantAntennaOhms(f);
        sum += std::norm(std::complex<double>{r, 2 * std::numbers::pi * f * wx / ww} - z) /
               std::norm(z);
    }
    return 100 * std::sqrt(sum / static_cast<double>(hz.size()));
}

TEST(LoadS1pOption, AFitFarOffItsDataGivesNoDesignAndTheDataAreUsedDirectly)
{
    TempDir dir;
    const double percent = SeriesRlErrorPercent();
    ASSERT_NEAR(percent, 23.8, 0.1);

    // Alone: no design, no report, no Bode-Fano figure from the fit; exit 1.
    const CliRun plain = RunCliIn(ResonantAntennaArgs(dir), dir);
    EXPECT_EQ(plain.exitCode, kExitNoSolution) << plain.err;
    EXPECT_NE(plain.err.find("resonant.s1p: series RL fit, rms error 23.8 %\n"), std::string::npos)
        << plain.err;
    EXPECT_NE(plain.err.find("--candidates and --tune match networks into the data"),
              std::string::npos)
        << plain.err;
    EXPECT_NE(plain.out.find("No textbook design: the best series RL fit is 23.8 % off the data "
                             "(more than 5 %); the load's data are used directly"),
              std::string::npos)
        << plain.out;
    for (const char *absent :
         {"MATCHING NETWORK", "Bode-Fano limit (g1", "SOLUTION OUT OF RANGE", "e-15"})
        EXPECT_EQ((plain.out + plain.err).find(absent), std::string::npos) << absent;
    EXPECT_FALSE(std::filesystem::exists(dir / "tevmar.prt"));

    // With candidates: every one tuned into the data, ranked against the
    // limit of the data's own resonance (a series RLC fit), exit 6.
    Args args = ResonantAntennaArgs(dir);
    const std::string s2p = (dir / "best.s2p").string(), cir = (dir / "best.cir").string();
    args.insert(args.end(), {"--candidates", "--json", "--touchstone", s2p, "--spice", cir});
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitTuned) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    const auto &measured = json["measuredLoad"];
    EXPECT_NEAR(measured["chosen"]["rmsErrorPercent"].get<double>(), percent, 1e-6 * percent);
    EXPECT_TRUE(measured["dataUsedDirectly"].get<bool>());
    EXPECT_EQ(measured["resonance"]["kind"], "series-rlc");
    EXPECT_LT(measured["resonance"]["rmsErrorPercent"].get<double>(), 5);
    EXPECT_NEAR(measured["resonance"]["inductanceNh"].get<double>(), 8, 0.5);
    EXPECT_NEAR(measured["resonance"]["capacitancePf"].get<double>(), 5, 0.3);
    // The limit of the series RLC through its inductor, exp(-pi R / (L dw)).
    const double rlcLimit =
        std::exp(-std::numbers::pi * measured["resonance"]["resistanceOhms"].get<double>() /
                 (measured["resonance"]["inductanceNh"].get<double>() * 1e-9 * 2 *
                  std::numbers::pi * 0.16e9));
    EXPECT_NEAR(measured["resonance"]["bodeFanoGammaLimit"].get<double>(), rlcLimit,
                1e-9 * rlcLimit);
    ASSERT_FALSE(json["candidates"].empty());
    for (const auto &c : json["candidates"])
        EXPECT_NEAR(c["bodeFano"]["gammaLimit"].get<double>(), rlcLimit, 1e-9 * rlcLimit);
    EXPECT_NE(run.err.find("no textbook design; the candidate networks were written instead"),
              std::string::npos);

    // The files carry the best candidate into the data, never the fit.
    const double best = json["candidates"][0]["gammaMax"].get<double>();
    for (const std::string &path : {s2p, cir}) {
        const std::string text = test_files::ReadBytes(path);
        for (const char *fitted : {"absorb", "series RL", "1.41874", "in the fitted model"})
            EXPECT_EQ(text.find(fitted), std::string::npos) << path << ": " << fitted;
        EXPECT_NE(text.find("Load: measured, 33 points from 0.8 to 0.96 GHz"), std::string::npos)
            << text.substr(0, 600);
    }
    const std::string netlist = test_files::ReadBytes(cir);
    const std::size_t at = netlist.find("into the measured data: ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NEAR(std::stod(netlist.substr(at + 24)), best, 1e-5 * best);
}

TEST(LoadS1pOption, AFitFarOffItsDataIsTunedFromTheFitsDesignIntoTheData)
{
    TempDir dir;
    Args args = ResonantAntennaArgs(dir);
    args.insert(args.end(), {"--tune", "--json"});
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitTuned) << run.err;
    const auto tuned = nlohmann::json::parse(run.out)["tuned"];
    EXPECT_TRUE(tuned["intoMeasuredLoad"].get<bool>());
    EXPECT_TRUE(tuned["absorbedLoad"].is_null());
    EXPECT_LT(tuned["gammaMax"].get<double>(), tuned["startGammaMax"].get<double>());
    EXPECT_GT(tuned["bodeFano"]["gammaLimit"].get<double>(), 1e-3);
}

struct UsageCase
{
    const char *name;
    Args extra; // after the antenna's arguments; "-" drops --source
    const char *message;
};

TEST(LoadS1pOption, BadUsageExitsTwoSayingWhy)
{
    const UsageCase cases[] = {
        {"MixedWithZlow",
         {"--zlow", "10"},
         "--load-s1p replaces --zhigh, --zlow, --load and --absorb; --zlow was given too"},
        {"MixedWithLoad", {"--load", "shunt-rc"}, "--load was given too"},
        {"WithoutSource", {"-"}, "--load-s1p needs --source"},
        {"TooFewPointsInBand",
         {"--f1", "2.301", "--f2", "2.325"},
         "2 measured points lie in the band 2.301 to 2.325 GHz; the fit needs at least 3"},
        {"UnknownKind", {"--load-kind", "series-rlc"}, "\"series-rlc\" is not one of series-rl"},
        {"KindOnTheWrongSide",
         {"--load-kind", "shunt-rl"},
         "the shunt RL fit's 36.93 ohms is not above the source's 50 ohms"},
    };
    for (const UsageCase &c : cases) {
        TempDir dir;
        Args args = AntennaArgs(dir);
        if (c.extra == Args{"-"}) {
            args.resize(args.size() - 2);
        } else if (c.extra.front() == "--f1") {
            args[1] = c.extra[1];
            args[3] = c.extra[3];
        } else {
            args.insert(args.end(), c.extra.begin(), c.extra.end());
        }
        const CliRun run = RunCliIn(args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << c.name;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.name << ": " << run.err;
        EXPECT_EQ(run.out, "") << c.name;
    }
    TempDir dir;
    const CliRun sourceAlone = RunCliIn({"--f1", "1", "--f2", "2", "--source", "50"}, dir);
    EXPECT_EQ(sourceAlone.exitCode, kExitBadUsage);
    EXPECT_NE(sourceAlone.err.find("--source applies to --load-s1p"), std::string::npos);
    const CliRun missing =
        RunCliIn({"--f1", "1", "--f2", "2", "--load-s1p", "none.s1p", "--source", "50"}, dir);
    EXPECT_EQ(missing.exitCode, kExitBadUsage);
    EXPECT_NE(missing.err.find("none.s1p: cannot be read"), std::string::npos);
}

// The PA's output as a one-port file in `dir`.
std::string PaFile(const TempDir &dir)
{
    const std::string path = (dir / "pa.s1p").string();
    test_files::WriteBytes(path, test_files::PaOutputS1p());
    return path;
}

TEST(SourceS1pOption, PaIntoTheAntennaTunedWithMeasuredSourceInTheJson)
{
    TempDir dir;
    Args args = AntennaArgs(dir);
    args.resize(args.size() - 2);
    const std::string pa = PaFile(dir);
    args.insert(args.end(), {"--source-s1p", pa, "--tune", "--json", "--touchstone-v2",
                             (dir / "n.s2p").string()});
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["measuredSource"]["file"], pa);
    EXPECT_EQ(doc["measuredSource"]["chosen"]["kind"], "series-rl");
    EXPECT_NEAR(doc["measuredSource"]["resistanceOhms"].get<double>(), 8, 1e-3);
    EXPECT_EQ(doc["measuredLoad"]["chosen"]["kind"], "shunt-rl");
    const std::string s2p = test_files::ReadBytes((dir / "n.s2p").string());
    EXPECT_NE(s2p.find("each port is referred to the fitted resistance at its end"),
              std::string::npos);
}

TEST(SourceS1pOption, RefusedAsTheLoadFileIsAndNeverOverwritten)
{
    TempDir dir;
    const Args load = AntennaArgs(dir);
    const Args noSource(load.begin(), load.end() - 2);
    const std::string pa = PaFile(dir);
    const std::pair<Args, std::string> usage[] = {
        {{"--source", "50", "--source-s1p", pa}, "--source-s1p replaces --source"},
        {{"--source", "50", "--source-kind", "series-rl"}, "--source-kind applies to --source-s1p"},
        {{"--source-s1p", pa, "--source-kind", "rlc"}, "\"rlc\" is not one of series-rl"},
        {{"--source-s1p", pa, "--report", pa}, "is the file --source-s1p reads"},
    };
    for (const auto &[extra, message] : usage) {
        Args args = extra.front() == "--source" ? load : noSource;
        args.insert(args.end(), extra.begin() + (extra.front() == "--source" ? 2 : 0), extra.end());
        const CliRun run = RunCliIn(args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << message;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
    }
    EXPECT_EQ(RunCliIn({"--f1", "2", "--f2", "3", "--source-s1p", pa}, dir).exitCode,
              kExitBadUsage);

    // A file the reader refuses gets the load's message, under the source's option.
    for (const char *text : {"# GHz S RI R 50\n2.0 0.1 0.2 0.3 0.4\n", "", "# GHz S XX R 50\n"}) {
        const std::string bad = (dir / "bad.s1p").string();
        test_files::WriteBytes(bad, text);
        Args asLoad = noSource, asSource = noSource;
        asLoad[5] = bad;
        asLoad.insert(asLoad.end(), {"--source", "50"});
        asSource.insert(asSource.end(), {"--source-s1p", bad});
        const CliRun l = RunCliIn(asLoad, dir), s = RunCliIn(asSource, dir);
        EXPECT_EQ(s.exitCode, kExitBadUsage);
        ASSERT_TRUE(l.err.starts_with("tevmar-cli: --load-s1p: ")) << l.err;
        EXPECT_EQ(s.err, "tevmar-cli: --source-s1p: " + l.err.substr(24)) << text;
    }
    Args missingArgs = noSource;
    missingArgs.insert(missingArgs.end(), {"--source-s1p", "none.s1p"});
    const CliRun missing = RunCliIn(missingArgs, dir);
    EXPECT_NE(missing.err.find("--source-s1p: none.s1p: cannot be read"), std::string::npos);
}

// The resonant antenna as the source (a PA's output seen through it), its
// file referred to 75 ohms, into a load of 5 ohms + 1 nH that the series RL
// fit describes exactly: the source's best fit is the same 23.8 % off.
std::complex<double> SmallLoadOhms(double hz)
{
    return {5, 2 * std::numbers::pi * hz * 1e-9};
}

std::string OnePortFile(const TempDir &dir, const char *name, double referenceOhms,
                        std::complex<double> (*ohms)(double))
{
    std::string text = "# GHz S RI R " + Shortest(referenceOhms) + "\n";
    for (const double hz : ResonantAntennaHz()) {
        const std::complex<double> s = (ohms(hz) - referenceOhms) / (ohms(hz) + referenceOhms);
        text +=
            std::to_string(hz / 1e9) + " " + Shortest(s.real()) + " " + Shortest(s.imag()) + "\n";
    }
    const std::string path = (dir / name).string();
    test_files::WriteBytes(path, text);
    return path;
}

Args ResonantSourceArgs(const TempDir &dir)
{
    return {"--f1",         "0.8",
            "--f2",         "0.96",
            "--load-s1p",   OnePortFile(dir, "load.s1p", 50, SmallLoadOhms),
            "--source-s1p", OnePortFile(dir, "source.s1p", 75, ResonantAntennaOhms)};
}

// A Touchstone 2.0 file's [Reference] and its rows (Hz, then S11 S12 S21 S22).
struct V2File
{
    double r1 = 0, r2 = 0;
    std::vector<std::array<double, 9>> rows;
};

V2File ReadV2(const std::string &text)
{
    V2File file;
    std::istringstream in(text);
    std::string line;
    bool data = false;
    while (std::getline(in, line)) {
        if (line.starts_with("[Reference] ")) {
            std::istringstream(line.substr(12)) >> file.r1 >> file.r2;
        } else if (line == "[Network Data]") {
            data = true;
        } else if (data && !line.empty() && line[0] != '[') {
            std::array<double, 9> row{};
            std::istringstream values(line);
            for (double &v : row)
                values >> v;
            file.rows.push_back(row);
        }
    }
    return file;
}

TEST(SourceS1pOption, ASourceFitFarOffItsDataGivesNoDesignAndItsDataAreUsedDirectly)
{
    TempDir dir;
    const double percent = SeriesRlErrorPercent();

    // Alone: the source's error on standard error, no design and no Bode-Fano
    // figure between fits, exit 1 as for the load's bad fit.
    const CliRun plain = RunCliIn(ResonantSourceArgs(dir), dir);
    EXPECT_EQ(plain.exitCode, kExitNoSolution) << plain.err;
    EXPECT_NE(plain.err.find("source.s1p: series RL fit, rms error 23.8 %\n"), std::string::npos)
        << plain.err;
    EXPECT_NE(plain.err.find("the source's data are used directly; --candidates and --tune match "
                             "networks into the data"),
              std::string::npos)
        << plain.err;
    EXPECT_NE(plain.out.find("No textbook design: the best series RL fit is 23.8 % off the data "
                             "(more than 5 %); the source's data are used directly"),
              std::string::npos)
        << plain.out;
    for (const char *absent : {"MATCHING NETWORK", "Bode-Fano between the two fits",
                               "Source port at the", "SOLUTION OUT OF RANGE"})
        EXPECT_EQ((plain.out + plain.err).find(absent), std::string::npos) << absent;
    EXPECT_FALSE(std::filesystem::exists(dir / "tevmar.prt"));

    // Candidates into the two data sets: the JSON never offers the fit as
    // the source, and the limit binding is the source data's own resonance.
    Args args = ResonantSourceArgs(dir);
    const std::string s2p = (dir / "best.s2p").string(), cir = (dir / "best.cir").string();
    args.insert(args.end(), {"--candidates", "--json", "--touchstone-v2", s2p, "--spice", cir,
                             "--from", "0.8", "--to", "0.96", "--points", "321"});
    const CliRun run = RunCliIn(args, dir);
    ASSERT_EQ(run.exitCode, kExitTuned) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    const auto &source = json["measuredSource"];
    EXPECT_TRUE(source["dataUsedDirectly"].get<bool>());
    EXPECT_TRUE(source["resistanceOhms"].is_null());
    EXPECT_FALSE(source["chosen"]["used"].get<bool>());
    EXPECT_NEAR(source["chosen"]["rmsErrorPercent"].get<double>(), percent, 1e-6 * percent);
    EXPECT_EQ(source["resonance"]["kind"], "series-rlc");
    EXPECT_LT(source["resonance"]["rmsErrorPercent"].get<double>(), 5);
    const double sourceLimit = std::exp(
        -std::numbers::pi * source["resonance"]["resistanceOhms"].get<double>() /
        (source["resonance"]["inductanceNh"].get<double>() * 1e-9 * 2 * std::numbers::pi * 0.16e9));
    EXPECT_NEAR(source["resonance"]["bodeFanoGammaLimit"].get<double>(), sourceLimit,
                1e-9 * sourceLimit);
    EXPECT_TRUE(json["inputs"]["typed"]["Zhigh_text"].is_null());
    EXPECT_TRUE(json["inputs"]["read"]["ZhighOhms"].is_null());
    EXPECT_EQ(json["inputs"]["read"]["ZlowOhms"], 5.0); // the load's fit describes it
    EXPECT_FALSE(json["inputs"]["measuredSource"]["fitUsed"].get<bool>());
    EXPECT_NEAR(json["inputs"]["measuredSource"]["rmsErrorPercent"].get<double>(), percent,
                1e-6 * percent);
    EXPECT_TRUE(json["measuredLoad"]["sourceOhms"].is_null());
    EXPECT_NE(json["status"], "solution out of range");
    ASSERT_FALSE(json["candidates"].empty());
    for (const auto &c : json["candidates"])
        EXPECT_NEAR(c["bodeFano"]["gammaLimit"].get<double>(), sourceLimit, 1e-9 * sourceLimit);

    // The files never carry the source's fit: port 1 is referred to the 75
    // ohms its data were measured against, in the header, the [Reference]
    // and the bench alike.
    const std::string touchstone = test_files::ReadBytes(s2p);
    const std::string netlist = test_files::ReadBytes(cir);
    for (const std::string *text : {&touchstone, &netlist}) {
        for (const char *fitted : {"15.546", "1.41874", "fitted resistance",
                                   "fitted model of the "
                                   "load and the source"})
            EXPECT_EQ(text->find(fitted), std::string::npos) << fitted << "\n"
                                                             << text->substr(0, 900);
        EXPECT_NE(text->find("Port 1: high-impedance end, from the source below (referred to 75 "
                             "ohms, the reference of its data)"),
                  std::string::npos);
    }
    EXPECT_NE(netlist.find("Rport1 drive p1 75"), std::string::npos);

    // The best candidate re-derived from its file alone: the load's
    // reflection against port 2's reference through the file's S, the input
    // impedance against port 1's, and the power-wave reflection against the
    // source's exact impedance (the tool interpolates its 5 MHz points, within 0.2 %).
    const V2File file = ReadV2(touchstone);
    ASSERT_EQ(file.r1, 75);
    ASSERT_EQ(file.r2, 5);
    ASSERT_EQ(file.rows.size(), 321u);
    double worst = 0;
    for (const auto &row : file.rows) {
        using C = std::complex<double>;
        const C s11{row[1], row[2]}, s12{row[3], row[4]}, s21{row[5], row[6]}, s22{row[7], row[8]};
        const C zl = SmallLoadOhms(row[0]), zs = ResonantAntennaOhms(row[0]);
        const C gl = (zl - file.r2) / (zl + file.r2);
        const C gin = s11 + s12 * s21 * gl / (1.0 - s22 * gl);
        const C zin = file.r1 * (1.0 + gin) / (1.0 - gin);
        worst = std::max(worst, std::abs(zin - std::conj(zs)) / std::abs(zin + zs));
    }
    const double best = json["candidates"][0]["gammaMax"].get<double>();
    EXPECT_NEAR(worst, best, 0.002 * best);
    const std::size_t at = netlist.find("into the measured data: ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NEAR(std::stod(netlist.substr(at + 24)), best, 1e-5 * best);
}

TEST(SourceS1pOption, ALoadFitFarOffItsDataIsReferredToItsDataInTheTouchstoneFile)
{
    // The antenna's file referred to 75 ohms: its port in the file is too,
    // and the file with the antenna's impedance gives the candidate's figure.
    TempDir dir;
    const std::string s2p = (dir / "best.s2p").string();
    const CliRun run = RunCliIn({"--f1", "0.8", "--f2", "0.96", "--load-s1p",
                                 OnePortFile(dir, "antenna.s1p", 75, ResonantAntennaOhms),
                                 "--source", "50", "--candidates", "--json", "--touchstone-v2", s2p,
                                 "--from", "0.8", "--to", "0.96"},
                                dir);
    ASSERT_EQ(run.exitCode, kExitTuned) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    for (const char *key : {"Zlow_text", "LC_text", "loadType", "absorb"})
        EXPECT_TRUE(json["inputs"]["typed"][key].is_null()) << key;
    EXPECT_EQ(json["inputs"]["typed"]["Zhigh_text"], "50");
    EXPECT_FALSE(json["inputs"]["measuredLoad"]["fitUsed"].get<bool>());
    EXPECT_FALSE(json["measuredLoad"]["chosen"]["used"].get<bool>());

    const std::string text = test_files::ReadBytes(s2p);
    EXPECT_EQ(text.find("15.546"), std::string::npos) << text.substr(0, 900);
    const V2File file = ReadV2(text);
    ASSERT_EQ(file.r1, 50);
    ASSERT_EQ(file.r2, 75);
    double worst = 0;
    for (const auto &row : file.rows) {
        using C = std::complex<double>;
        const C s11{row[1], row[2]}, s12{row[3], row[4]}, s21{row[5], row[6]}, s22{row[7], row[8]};
        const C zl = ResonantAntennaOhms(row[0]);
        const C gl = (zl - file.r2) / (zl + file.r2);
        worst = std::max(worst, std::abs(s11 + s12 * s21 * gl / (1.0 - s22 * gl)));
    }
    const double best = json["candidates"][0]["gammaMax"].get<double>();
    EXPECT_NEAR(worst, best, 0.002 * best);
}

} // namespace
} // namespace tevmar::cli
