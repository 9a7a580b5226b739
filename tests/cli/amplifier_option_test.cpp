// tevmar-cli --amplifier in-process: both networks from a transistor's file,
// every gain and noise figure in the JSON checked against the textbook
// formulas from the file's own data and the reflections claimed, the whole
// amplifier's files, and the ways of asking for it wrongly.

#include "cli/outcome_writer.h"
#include "tests/cli/cli_in_process.h"
#include "tests/common/gaas_fet.h"
#include "tests/common/silicon_bjt.h"
#include "tests/report/test_files.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <numbers>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;
using Complex = std::complex<double>;
using Json = nlohmann::ordered_json;

const std::string &kFet = test::kGaasFet;

struct Row
{
    double ghz;
    Complex s11, s21, s12, s22;
};

Complex Polar(double magnitude, double degrees)
{
    return std::polar(magnitude, degrees * std::numbers::pi / 180);
}

// The file's rows at 3.9, 4.0 and 4.1 GHz, and its noise at 4 GHz.
const Row kRows[] = {
    {3.9, Polar(0.73, -114), Polar(2.65, 77), Polar(0.030, 57), Polar(0.73, -53)},
    {4.0, Polar(0.72, -116), Polar(2.60, 76), Polar(0.030, 57), Polar(0.73, -54)},
    {4.1, Polar(0.71, -118), Polar(2.55, 75), Polar(0.031, 56), Polar(0.72, -55)},
};

std::string Write(const TempDir &dir, const char *name, const std::string &text)
{
    const std::string path = (dir / name).string();
    test_files::WriteBytes(path, text);
    return path;
}

Complex ComplexOf(const Json &pair)
{
    return {pair[0].get<double>(), pair[1].get<double>()};
}

double TransducerGainDb(const Row &s, Complex gs, Complex gl)
{
    return 10 *
           std::log10(std::norm(s.s21) * (1 - std::norm(gs)) * (1 - std::norm(gl)) /
                      std::norm((1.0 - s.s11 * gs) * (1.0 - s.s22 * gl) - s.s12 * s.s21 * gs * gl));
}

TEST(AmplifierOption, JsonClaimsAreTheFormulasOfTheFilesDataAndTheReflections)
{
    TempDir dir;
    const std::string path = Write(dir, "fet.s2p", kFet);
    const CliRun run =
        RunCliIn({"--device", path, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--json"}, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    EXPECT_EQ(run.err, "");
    const Json a = Json::parse(run.out)["amplifier"];
    EXPECT_EQ(a["goal"], "gain");
    for (const char *side : {"input", "output"}) {
        const Json &network = a[side];
        EXPECT_TRUE(network["topology"] == "lowpass" || network["topology"] == "highpass" ||
                    network["topology"] == "bandpass");
        ASSERT_GE(network["elements"].size(), 2u);
        ASSERT_LE(network["elements"].size(), 6u);
        std::vector<std::string> keys;
        for (const auto &[key, value] : network["elements"][0].items())
            keys.push_back(key);
        EXPECT_EQ(keys, (std::vector<std::string>{"name", "kind", "value", "unit"}));
    }
    ASSERT_EQ(a["sweep"].size(), 3u);
    double least = HUGE_VAL;
    for (std::size_t i = 0; i < 3; ++i) {
        const Json &p = a["sweep"][i];
        EXPECT_EQ(p["frequencyHz"], kRows[i].ghz * 1e9);
        const double gt = p["gtDb"].get<double>();
        EXPECT_NEAR(gt, TransducerGainDb(kRows[i], ComplexOf(p["gammaS"]), ComplexOf(p["gammaL"])),
                    1e-9);
        least = std::min(least, gt);
        EXPECT_GT(p["mu"].get<double>(), 1);
    }
    EXPECT_EQ(a["gtDbMin"].get<double>(), least);
    // MAG at 4 GHz is 16.71 dB; a flat 200 MHz band keeps within 1 dB of it.
    EXPECT_GT(least, 15.7);
    // The noise figure at 4 GHz from the file's noise parameters.
    const Json &mid = a["sweep"][1];
    const Complex gs = ComplexOf(mid["gammaS"]), opt = Polar(0.62, 100);
    const double f = std::pow(10, 0.16) +
                     4 * 0.4 * std::norm(gs - opt) / ((1 - std::norm(gs)) * std::norm(1.0 + opt));
    EXPECT_NEAR(mid["nfDb"].get<double>(), 10 * std::log10(f), 1e-9);
    // mu dips below 1 at 3 GHz, outside the band but in the file.
    EXPECT_FALSE(a["stable"].get<bool>());
}

TEST(AmplifierOption, NoiseGoalTextAndTheWholeAmplifiersFiles)
{
    TempDir dir;
    const std::string path = Write(dir, "fet.s2p", kFet);
    const CliRun run =
        RunCliIn({"--device", path, "--amplifier", "--goal", "noise", "--f1", "3.96", "--f2",
                  "4.04", "--source", "50", "--load-ohms", "75", "--sweep",
                  (dir / "amp.csv").string(), "--touchstone", (dir / "amp.s2p").string()},
                 dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    EXPECT_NE(run.out.find("Amplifier designed for the least noise figure: " + path +
                           ", data referred to 50 ohms; source 50 ohms, load 75 ohms\n"
                           "Input network (source to device), "),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\n  4.0000 "), std::string::npos);
    EXPECT_NE(run.out.find("; NF at most 1.6"), std::string::npos) << run.out; // NFmin 1.60 dB
    EXPECT_FALSE(std::filesystem::exists(dir / "tevmar.prt"));

    const std::string csv = test_files::ReadBytes(dir / "amp.csv");
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "frequency_hz,gt_db,nf_db,gamma_s_re,gamma_s_im,gamma_l_re,gamma_l_im,"
              "input_return_loss_db,output_return_loss_db,gamma_in_mag,gamma_out_mag,mu");
    // The six data frequencies outside the band and 201 points across it (4 GHz
    // among them), under the header.
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 208);
    const std::string s2p = test_files::ReadBytes(dir / "amp.s2p");
    EXPECT_NE(s2p.find("\n# HZ S RI R 50\n3000000000 "), std::string::npos) << s2p;
    EXPECT_EQ(std::count(s2p.begin(), s2p.end(), '\n'), 9);
}

// A measured source and load: the gain claimed is the share of the source's
// available power that reaches the load, through the networks and the device,
// with the reflections against the measured impedances.
TEST(AmplifierOption, MeasuredSourceAndLoadReplaceTheResistances)
{
    TempDir dir;
    const std::string path = Write(dir, "fet.s2p", kFet);
    // 35+j10 ohms at both ends of the band, and 70-j15 ohms.
    const std::string source = Write(dir, "src.s1p", "# GHz Z RI R 50\n3 0.7 0.2\n5 0.7 0.2\n");
    const std::string load = Write(dir, "ld.s1p", "# GHz Z RI R 50\n3 1.4 -0.3\n5 1.4 -0.3\n");
    const CliRun run = RunCliIn({"--device", path, "--amplifier", "--f1", "3.9", "--f2", "4.1",
                                 "--source-s1p", source, "--load-s1p", load, "--json"},
                                dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const Json a = Json::parse(run.out)["amplifier"];
    EXPECT_TRUE(a["sourceOhms"].is_null());
    EXPECT_TRUE(a["loadOhms"].is_null());
    EXPECT_EQ(a["sourceS1p"], source);
    EXPECT_EQ(a["loadS1p"], load);
    for (std::size_t i = 0; i < 3; ++i) {
        const Json &p = a["sweep"][i];
        EXPECT_NEAR(p["gtDb"].get<double>(),
                    TransducerGainDb(kRows[i], ComplexOf(p["gammaS"]), ComplexOf(p["gammaL"])),
                    1e-9);
    }
    EXPECT_GT(a["gtDbMin"].get<double>(), 15.7);

    const CliRun text = RunCliIn(
        {"--device", path, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--load-s1p", load}, dir);
    EXPECT_NE(text.out.find("; source 50 ohms, load " + load + " (measured)\n"), std::string::npos)
        << text.out;
}

TEST(AmplifierOption, NoDesignIsExitOneWithTheReason)
{
    TempDir dir;
    // No noise data: the noise goal has nothing to minimise.
    const std::string plain = Write(dir, "plain.s2p",
                                    "# GHz S MA R 50\n"
                                    "3.9 0.73 -114 2.65 77 0.030 57 0.73 -53\n"
                                    "4.1 0.71 -118 2.55 75 0.031 56 0.72 -55\n");
    const CliRun noise = RunCliIn(
        {"--device", plain, "--amplifier", "--goal", "noise", "--f1", "3.9", "--f2", "4.1"}, dir);
    EXPECT_EQ(noise.exitCode, kExitNoSolution);
    EXPECT_EQ(noise.out, "");
    EXPECT_NE(noise.err.find("no amplifier: the noise goal needs the device's noise parameters"),
              std::string::npos)
        << noise.err;
    // An input that reflects more than it receives (a negative resistance)
    // is held stable by the source the input network shows it: both loops
    // within the margin in band, below 1 over the data.
    const std::string wild = Write(dir, "wild.s2p",
                                   "# GHz S MA R 50\n"
                                   "3.9 1.2 -114 2.65 77 0 0 0.73 -53\n"
                                   "4.1 1.2 -118 2.55 75 0 0 0.72 -55\n");
    const CliRun held =
        RunCliIn({"--device", wild, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--json"}, dir);
    ASSERT_EQ(held.exitCode, kExitDesigned) << held.err;
    const Json stability = Json::parse(held.out)["amplifier"]["stability"];
    EXPECT_LE(stability["worstLoopInBand"].get<double>(), 0.81 + 1e-6);
    EXPECT_LT(stability["worstLoopOverData"].get<double>(), 1);
    // No forward gain at a frequency in the band: nothing to amplify.
    const std::string dead = Write(dir, "dead.s2p",
                                   "# GHz S MA R 50\n"
                                   "3.9 0.73 -114 2.65 77 0.030 57 0.73 -53\n"
                                   "4.0 0.72 -116 0 0 0.030 57 0.73 -54\n"
                                   "4.1 0.71 -118 2.55 75 0.031 56 0.72 -55\n");
    const CliRun none =
        RunCliIn({"--device", dead, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--json"}, dir);
    EXPECT_EQ(none.exitCode, kExitNoSolution);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("no amplifier: the device has no forward gain at 4 GHz"),
              std::string::npos)
        << none.err;
}

// A potentially unstable BJT: the JSON and the text say which margin held,
// over which frequencies and at which tolerance, and that the device is only
// conditionally stable; the gain stays below the device's MSG.
TEST(AmplifierOption, APotentiallyUnstableDeviceSaysWhatWasChecked)
{
    TempDir dir;
    const std::string path = Write(dir, "bjt.s2p", test::kSiliconBjt);
    const CliRun run =
        RunCliIn({"--device", path, "--amplifier", "--f1", "1.7", "--f2", "2.1", "--json"}, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const Json a = Json::parse(run.out)["amplifier"];
    EXPECT_FALSE(a["stable"].get<bool>());
    const Json &st = a["stability"];
    std::vector<std::string> keys;
    for (const auto &[key, value] : st.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"marginAsked", "worstLoopInBand", "worstLoopOverData",
                                              "atFrequencyHz", "toleranceChecked"}));
    EXPECT_EQ(st["marginAsked"], 0.9);
    EXPECT_LE(st["worstLoopInBand"].get<double>(), 0.81 + 1e-6);
    EXPECT_LT(st["worstLoopOverData"].get<double>(), 1);
    EXPECT_GE(st["worstLoopOverData"].get<double>(), st["worstLoopInBand"].get<double>());
    EXPECT_GE(st["atFrequencyHz"].get<double>(), 0.5e9);
    EXPECT_LE(st["atFrequencyHz"].get<double>(), 4e9);
    EXPECT_EQ(st["toleranceChecked"], 2);
    // MSG |S21 / S12|, a power ratio, at the data frequencies in the band.
    const double msgDb[] = {10 * std::log10(5.867 / 0.0364), 10 * std::log10(5.531 / 0.0388),
                            10 * std::log10(5.230 / 0.0412)};
    ASSERT_EQ(a["sweep"].size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_LE(a["sweep"][i]["gtDb"].get<double>(), msgDb[i] + 1e-6);
        EXPECT_GT(a["sweep"][i]["gtDb"].get<double>(), msgDb[i] - 2);
    }

    const CliRun text = RunCliIn({"--device", path, "--amplifier", "--f1", "1.7", "--f2", "2.1",
                                  "--stability-margin", "0.85", "--tolerance", "5"},
                                 dir);
    ASSERT_EQ(text.exitCode, kExitDesigned) << text.err;
    for (const char *words :
         {"\nIn band, 1.7 to 2.1 GHz: both loops (|GammaS Gamma in|, |GammaL Gamma out|) at most ",
          ", within 0.7225 (a margin of 0.85 each way); GT at or below the device's MAG, or MSG",
          "\nOver the whole data, 0.5 to 4 GHz, with each part also moved alone by +-5 %: both "
          "loops below 1, at most ",
          "\nConditionally stable: the device's mu falls to 0.650 at 0.5 GHz, so the amplifier "
          "is stable with these terminations, not with every passive source and load\n"})
        EXPECT_NE(text.out.find(words), std::string::npos) << words << "\n" << text.out;

    // A band of one data frequency is named as that frequency.
    const CliRun spot =
        RunCliIn({"--device", path, "--amplifier", "--f1", "1.9", "--f2", "1.9"}, dir);
    ASSERT_EQ(spot.exitCode, kExitDesigned) << spot.err;
    EXPECT_NE(spot.out.find("\nIn band, at 1.9 GHz: both loops "), std::string::npos) << spot.out;
}

// --stabilise on the BJT: the resistor in the element list beside the
// device, a line for what it holds and costs, and an unconditionally stable
// amplifier; a device already stable gets none, and one no resistor can
// hold is exit 1 with the reason.
TEST(AmplifierOption, StabiliseLoadsTheDeviceAndSaysWhatItCosts)
{
    TempDir dir;
    const std::string bjt = Write(dir, "bjt.s2p", test::kSiliconBjt);
    const CliRun run = RunCliIn(
        {"--device", bjt, "--amplifier", "--f1", "1.7", "--f2", "2.1", "--stabilise"}, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    for (const char *words :
         {"\nOutput network (device to load), ", ": Rout 188 ohms shunt (stabiliser), ",
          "\nStabilised by the resistors beside the device: mu at least ",
          "each resistor also moved alone by +-2 %; the band's least MAG ",
          "\nUnconditionally stable: mu above 1 at every data frequency\n"})
        EXPECT_NE(run.out.find(words), std::string::npos) << words << "\n" << run.out;

    const std::string stable = Write(dir, "stable.s2p",
                                     "# GHz S MA R 50\n"
                                     "3.9 0.73 -114 2.65 77 0.030 57 0.73 -53\n"
                                     "4.0 0.72 -116 2.60 76 0.030 57 0.73 -54\n"
                                     "4.1 0.71 -118 2.55 75 0.031 56 0.72 -55\n");
    const Args asked{"--device", stable, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--json"};
    const CliRun plain = RunCliIn(asked, dir);
    Args withStabilise = asked;
    withStabilise.push_back("--stabilise");
    const CliRun none = RunCliIn(withStabilise, dir);
    ASSERT_EQ(none.exitCode, kExitDesigned) << none.err;
    Json a = Json::parse(none.out)["amplifier"];
    EXPECT_TRUE(a["stabiliser"]["inputSeriesOhms"].is_null());
    EXPECT_TRUE(a["stabiliser"]["outputShuntOhms"].is_null());
    EXPECT_EQ(a["stabiliser"]["gainCostDb"], 0);
    a.erase("stabiliser");
    EXPECT_EQ(a, Json::parse(plain.out)["amplifier"]);
    withStabilise.pop_back();
    withStabilise.pop_back();
    withStabilise.push_back("--stabilise");
    const CliRun text = RunCliIn(withStabilise, dir);
    EXPECT_NE(text.out.find("\nStabilised: no resistor needed, the device's own mu at least "),
              std::string::npos)
        << text.out;

    // An input of -2 kohm with no feedback: beyond any series resistor.
    const std::string wild = Write(dir, "wild.s2p",
                                   "# GHz S RI R 50\n"
                                   "3.9 1.0512820513 0 2 0 0 0 0.5 0\n"
                                   "4.1 1.0512820513 0 2 0 0 0 0.5 0\n");
    const CliRun refused = RunCliIn(
        {"--device", wild, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--stabilise"}, dir);
    EXPECT_EQ(refused.exitCode, kExitNoSolution);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("no amplifier: no series resistor at the device's input (0.1 to "
                               "1000 ohms) or shunt resistor across its output (1 to 100000 "
                               "ohms), alone or together, makes its mu reach 1.02"),
              std::string::npos)
        << refused.err;
}

// A network of the JSON's parts as built with a constant Q (an inductor's
// series loss w L / Q, a capacitor's parallel conductance w C / Q) and a pad
// to ground at the first node and after each series part, as chain terms.
struct Chain
{
    Complex a{1}, b{0}, c{0}, d{1};
    Chain operator*(const Chain &m) const
    {
        return {a * m.a + b * m.c, a * m.b + b * m.d, c * m.a + d * m.c, c * m.b + d * m.d};
    }
};

Chain BuiltChain(const Json &elements, double hz, double qL, double qC, double padPf)
{
    const double w = 2 * std::numbers::pi * hz;
    const Chain pad{1, 0, Complex(0, w * padPf * 1e-12), 1};
    Chain m = pad;
    for (const Json &e : elements) {
        const std::string kind = e["kind"];
        const double v = e["value"].get<double>();
        const bool inductor = kind.find("inductor") != std::string::npos;
        const Complex z = inductor ? Complex(w * v * 1e-9 / qL, w * v * 1e-9)
                                   : 1.0 / Complex(w * v * 1e-12 / qC, w * v * 1e-12);
        if (kind.starts_with("series"))
            m = m * Chain{1, z, 0, 1} * pad;
        else
            m = m * Chain{1, 0, 1.0 / z, 1};
    }
    return m;
}

Chain DeviceChain(const Row &s)
{
    const Complex twice = 2.0 * s.s21, loop = s.s12 * s.s21;
    return {((1.0 + s.s11) * (1.0 - s.s22) + loop) / twice,
            50.0 * ((1.0 + s.s11) * (1.0 + s.s22) - loop) / twice,
            ((1.0 - s.s11) * (1.0 - s.s22) - loop) / (twice * 50.0),
            ((1.0 - s.s11) * (1.0 + s.s22) + loop) / twice};
}

// The available-power gain of a chain fed from zs at its first port.
double AvailableGain(const Chain &m, Complex zs)
{
    const Complex zout = (m.d * zs + m.b) / (m.c * zs + m.a);
    return zs.real() / (std::norm(m.a + m.c * zs) * zout.real());
}

TEST(AmplifierOption, PartsAsBuiltSetEveryFigureOfTheJson)
{
    TempDir dir;
    const std::string path = Write(dir, "fet.s2p", kFet);
    const CliRun run = RunCliIn({"--device", path, "--amplifier", "--f1", "3.9", "--f2", "4.1",
                                 "--goal", "noise", "--q-l", "30", "--q-c", "150", "--q-model",
                                 "constant", "--pad", "0.05pF", "--json"},
                                dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const Json a = Json::parse(run.out)["amplifier"];
    ASSERT_EQ(a["sweep"].size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const Json &p = a["sweep"][i];
        const double hz = kRows[i].ghz * 1e9;
        const Chain in = BuiltChain(a["input"]["elements"], hz, 30, 150, 0.05);
        const Chain out = BuiltChain(a["output"]["elements"], hz, 30, 150, 0.05);
        const Chain whole = in * DeviceChain(kRows[i]) * out;
        const double gt = 4 * 50.0 * 50.0 /
                          std::norm(whole.a * 50.0 + whole.b + whole.c * 2500.0 + whole.d * 50.0);
        EXPECT_NEAR(p["gtDb"].get<double>(), 10 * std::log10(gt), 1e-9);
        const Complex zs = (in.d * 50.0 + in.b) / (in.c * 50.0 + in.a);
        EXPECT_NEAR(std::abs(ComplexOf(p["gammaS"]) - (zs - 50.0) / (zs + 50.0)), 0, 1e-12);
        // The device's own gain between the lossy reflections is not the
        // amplifier's: the networks' loss comes off it.
        EXPECT_LT(p["gtDb"].get<double>(),
                  TransducerGainDb(kRows[i], ComplexOf(p["gammaS"]), ComplexOf(p["gammaL"])));
    }
    // At 4 GHz the noise of input network, device and output network by
    // Friis, each network's noise factor its available-power loss.
    const Json &mid = a["sweep"][1];
    const Row &s = kRows[1];
    const Chain in = BuiltChain(a["input"]["elements"], 4e9, 30, 150, 0.05);
    const Chain out = BuiltChain(a["output"]["elements"], 4e9, 30, 150, 0.05);
    const Complex gs = ComplexOf(mid["gammaS"]), opt = Polar(0.62, 100);
    const double device = std::pow(10, 0.16) + 4 * 0.4 * std::norm(gs - opt) /
                                                   ((1 - std::norm(gs)) * std::norm(1.0 + opt));
    const Complex gout = s.s22 + s.s12 * s.s21 * gs / (1.0 - s.s11 * gs);
    const double deviceGain = std::norm(s.s21) * (1 - std::norm(gs)) /
                              (std::norm(1.0 - s.s11 * gs) * (1 - std::norm(gout)));
    const double gIn = AvailableGain(in, 50.0);
    const double gOut = AvailableGain(out, 50.0 * (1.0 + gout) / (1.0 - gout));
    EXPECT_LT(gIn, 1);
    const double friis = 1 / gIn + (device - 1) / gIn + (1 / gOut - 1) / (gIn * deviceGain);
    EXPECT_NEAR(mid["nfDb"].get<double>(), 10 * std::log10(friis), 1e-9);
    EXPECT_GT(mid["nfDb"].get<double>(), 10 * std::log10(device) + 0.05);
}

TEST(AmplifierOption, RefusesOptionsThatDoNotFit)
{
    TempDir dir;
    const std::string device = Write(dir, "fet.s2p", kFet);
    const struct
    {
        Args args;
        std::string err;
    } cases[] = {
        {{"--amplifier"}, "tevmar-cli: --amplifier needs --device, the transistor's two-port file"},
        {{"--device", device, "--goal", "noise"}, "tevmar-cli: --goal applies to --amplifier"},
        {{"--device", device, "--amplifier", "--f1", "4"},
         "tevmar-cli: --amplifier: give the band with --f1 and --f2"},
        {{"--device", device, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--zhigh", "50"},
         "tevmar-cli: --zhigh does not apply to --amplifier"},
        {{"--device", device, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--load-ohms", "1e7"},
         "tevmar-cli: --load-ohms: 1e+07 ohms; expected 0.001 to 1e+06 ohms"},
        {{"--device", device, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--load-s1p", device,
          "--load-ohms", "50"},
         "tevmar-cli: --load-s1p replaces --load-ohms; give one of them"},
        {{"--device", device, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--source-s1p",
          (dir / "missing.s1p").string()},
         "tevmar-cli: --source-s1p: " + (dir / "missing.s1p").string() + ": cannot be read"},
        {{"--device", device, "--amplifier", "--goal", "flat"},
         "tevmar-cli: --goal: \"flat\" is not one of gain, noise"},
        {{"--device", device, "--amplifier", "--stability-margin", "1"},
         "tevmar-cli: --stability-margin: \"1\" is not a margin above 0 and below 1"},
        {{"--device", device, "--stability-margin", "0.8"},
         "tevmar-cli: --stability-margin applies to --amplifier"},
        {{"--device", device, "--stabilise"}, "tevmar-cli: --stabilise applies to --amplifier"},
        // A kit builds the amplifier's networks; a folder that is none is bad usage.
        {{"--device", device, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--parts",
          (dir / "no-kit").string()},
         "tevmar-cli: --parts: " + (dir / "no-kit").string() + ": not a folder"},
        {{"--device", device, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--q-l", "40",
          "--l-model", "40@4GHz,0.05pF", "--spice", (dir / "a.cir").string()},
         "tevmar-cli: --l-model gives the inductors' Q; not with --q-l"},
        {{"--device", device, "--amplifier", "--f1", "2", "--f2", "4"},
         "tevmar-cli: --device: " + device + ": the band 2 to 4 GHz reaches past the data"},
    };
    for (const auto &c : cases) {
        const CliRun run = RunCliIn(c.args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage) << c.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.substr(0, c.err.size()), c.err);
    }
}

} // namespace
} // namespace tevmar::cli
