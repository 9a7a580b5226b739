// The whole amplifier's files from tevmar-cli --amplifier, each checked
// against a cascade built here from the JSON's parts and the device file's own
// rows: both Touchstone versions against their references, the CSV sweep
// against the gain the 2.0 file's |S21| gives, and the networks' SPICE netlist
// run through ngspice for the reflections the networks present to the device.

#include "cli/outcome_writer.h"
#include "tests/analysis/ngspice_run.h"
#include "tests/cli/cli_in_process.h"
#include "tests/common/chain_check.h"
#include "tests/common/gaas_fet.h"
#include "tests/report/test_files.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <numbers>
#include <sstream>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Complex = std::complex<double>;
using Json = nlohmann::ordered_json;
using Args = std::vector<std::string>;

const std::string &kFet = test::kGaasFet;

using test::Chain;
using test::NumberRows;
using test::Scattering;

// The device's rows (S11 S21 S12 S22, magnitude and angle) by frequency.
std::map<double, Scattering> DeviceRows()
{
    std::map<double, Scattering> rows;
    for (const std::vector<double> &r : NumberRows(kFet)) {
        if (r.size() != 9)
            continue; // a noise line
        const auto polar = [&](int k) {
            return std::polar(r[k], r[k + 1] * std::numbers::pi / 180);
        };
        rows[std::round(r[0] * 1e9)] = {polar(1), polar(3), polar(5), polar(7)};
    }
    return rows;
}

// A ladder's chain matrix from the JSON's elements, in their listed order.
Chain LadderChain(const Json &elements, double hz)
{
    const double w = 2 * std::numbers::pi * hz;
    Chain m;
    for (const Json &e : elements) {
        const std::string kind = e["kind"];
        const double value = e["value"].get<double>();
        const bool inductor = kind.find("inductor") != std::string::npos;
        const bool resistor = kind.find("resistor") != std::string::npos;
        const Complex z = resistor   ? Complex(value)
                          : inductor ? Complex(0, w * value * 1e-9)
                                     : Complex(0, -1 / (w * value * 1e-12));
        if (kind.starts_with("series"))
            m = m * Chain{1, z, 0, 1};
        else
            m = m * Chain{1, 0, 1.0 / z, 1};
    }
    return m;
}

// The device's chain matrix from its S-parameters against z0.
Chain DeviceChain(const Scattering &s, double z0)
{
    const Complex two21 = 2.0 * s.s21;
    return {((1.0 + s.s11) * (1.0 - s.s22) + s.s12 * s.s21) / two21,
            z0 * ((1.0 + s.s11) * (1.0 + s.s22) - s.s12 * s.s21) / two21,
            ((1.0 - s.s11) * (1.0 - s.s22) - s.s12 * s.s21) / (two21 * z0),
            ((1.0 - s.s11) * (1.0 + s.s22) + s.s12 * s.s21) / two21};
}

// Scattering between z1 and z2 from the voltages a driven chain gives:
// a 2 V source behind z1 (or z2), the other end loaded.
Scattering Between(const Chain &m, double z1, double z2)
{
    const Complex det = m.a * m.d - m.b * m.c;
    const Complex zin = (m.a * z2 + m.b) / (m.c * z2 + m.d);
    const Complex zout = (m.d * z1 + m.b) / (m.c * z1 + m.a);
    const Complex v1 = 2.0 * zin / (zin + z1);
    const Complex v2 = 2.0 * zout / (zout + z2);
    return {(zin - z1) / (zin + z1), v1 / (m.a + m.b / z2) * std::sqrt(z1 / z2),
            v2 / (m.d / det + m.b / (det * z1)) * std::sqrt(z2 / z1), (zout - z2) / (zout + z2)};
}

Complex ComplexOf(const Json &pair)
{
    return {pair[0].get<double>(), pair[1].get<double>()};
}

void ExpectClose(Complex got, Complex want, const std::string &what, double within = 1e-7)
{
    EXPECT_LT(std::abs(got - want), within * std::max(1.0, std::abs(want)))
        << what << ": " << got << " against " << want;
}

// The reflections the netlist's bench gives (the networks' impedances toward
// the device, 201 points from 3.5 GHz in 5 MHz steps) are the sweep's
// Gamma S and Gamma L, against 50 ohms.
void ExpectBenchGivesTheSweepsReflections(const std::filesystem::path &netlist, const Json &sweep,
                                          const std::string &label, double within)
{
    auto table = test_ngspice::ReadPrintTables(test_ngspice::RunNgspice(TEVMAR_NGSPICE, netlist));
    const std::vector<double> &hz = table["frequency"];
    ASSERT_EQ(hz.size(), 201u) << label;
    for (const Json &p : sweep) {
        const double f = p["frequencyHz"].get<double>();
        const auto row = static_cast<std::size_t>(std::lround((f - 3.5e9) / 5e6));
        ASSERT_NEAR(hz[row], f, 1);
        const Complex zs(table["real(v(zs))"][row], table["imag(v(zs))"][row]);
        const Complex zl(table["real(v(zl))"][row], table["imag(v(zl))"][row]);
        const std::string at = label + " at " + std::to_string(f);
        ExpectClose((zs - 50.0) / (zs + 50.0), ComplexOf(p["gammaS"]), "Gamma S " + at, within);
        ExpectClose((zl - 50.0) / (zl + 50.0), ComplexOf(p["gammaL"]), "Gamma L " + at, within);
    }
}

TEST(AmplifierExports, TouchstoneFilesAndSweepAreTheWholeCascadeBetweenTheirReferences)
{
    TempDir dir;
    const std::string fet = (dir / "fet.s2p").string();
    test_files::WriteBytes(fet, kFet);
    const CliRun run =
        RunCliIn({"--device", fet, "--amplifier", "--f1", "3.5", "--f2", "4.5", "--load-ohms", "75",
                  "--json", "--touchstone", (dir / "v1.s2p").string(), "--touchstone-v2",
                  (dir / "v2.s2p").string(), "--sweep", (dir / "amp.csv").string()},
                 dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const Json a = Json::parse(run.out)["amplifier"];
    const std::map<double, Scattering> device = DeviceRows();

    const std::string v2 = test_files::ReadBytes(dir / "v2.s2p");
    EXPECT_NE(v2.find("\n[Reference] 50 75\n"), std::string::npos) << v2;
    EXPECT_NE(v2.find("\n[Number of Frequencies] 7\n"), std::string::npos) << v2;
    EXPECT_NE(v2.find("! Source: 50 ohms; load: 75 ohms\n"), std::string::npos) << v2;
    const auto v1Rows = NumberRows(test_files::ReadBytes(dir / "v1.s2p"));
    const auto v2Rows = NumberRows(v2);
    ASSERT_EQ(v1Rows.size(), device.size());
    ASSERT_EQ(v2Rows.size(), device.size());
    std::size_t i = 0;
    for (const auto &[hz, s] : device) {
        const Chain whole = LadderChain(a["input"]["elements"], hz) * DeviceChain(s, 50) *
                            LadderChain(a["output"]["elements"], hz);
        const std::string at = std::to_string(hz / 1e9) + " GHz";
        // 1.1: one reference for both ports, the data's 50 ohms; S11 S21 S12 S22.
        const Scattering at50 = Between(whole, 50, 50);
        const std::vector<double> &r1 = v1Rows[i];
        EXPECT_EQ(r1[0], hz);
        ExpectClose({r1[1], r1[2]}, at50.s11, "1.1 S11 at " + at);
        ExpectClose({r1[3], r1[4]}, at50.s21, "1.1 S21 at " + at);
        ExpectClose({r1[5], r1[6]}, at50.s12, "1.1 S12 at " + at);
        ExpectClose({r1[7], r1[8]}, at50.s22, "1.1 S22 at " + at);
        // 2.0: port 1 at the 50 ohm source, port 2 at the 75 ohm load; S11 S12 S21 S22.
        const Scattering own = Between(whole, 50, 75);
        const std::vector<double> &r2 = v2Rows[i];
        EXPECT_EQ(r2[0], hz);
        ExpectClose({r2[1], r2[2]}, own.s11, "2.0 S11 at " + at);
        ExpectClose({r2[3], r2[4]}, own.s12, "2.0 S12 at " + at);
        ExpectClose({r2[5], r2[6]}, own.s21, "2.0 S21 at " + at);
        ExpectClose({r2[7], r2[8]}, own.s22, "2.0 S22 at " + at);
        ++i;
    }

    // Between its own terminations the 2.0 file's |S21|^2 is the transducer
    // gain the sweep claims, and |S11|, |S22| its return losses.
    const auto csv = NumberRows([&] {
        std::string text = test_files::ReadBytes(dir / "amp.csv");
        std::replace(text.begin(), text.end(), ',', ' ');
        return text.substr(text.find('\n') + 1);
    }());
    // The sweep holds every data frequency, and the band's dense grid besides.
    ASSERT_GT(csv.size(), v2Rows.size());
    for (const std::vector<double> &r : v2Rows) {
        const auto row = std::ranges::find_if(
            csv, [&](const std::vector<double> &c) { return std::abs(c[0] - r[0]) < 1; });
        ASSERT_NE(row, csv.end()) << r[0];
        EXPECT_NEAR((*row)[1], 20 * std::log10(std::hypot(r[5], r[6])), 1e-6) << r[0];
        EXPECT_NEAR((*row)[7], -20 * std::log10(std::hypot(r[1], r[2])), 1e-5) << r[0];
        EXPECT_NEAR((*row)[8], -20 * std::log10(std::hypot(r[7], r[8])), 1e-5) << r[0];
    }
    std::size_t inBand = 0;
    for (const Json &p : a["sweep"])
        for (const auto &r : csv)
            if (std::abs(r[0] - p["frequencyHz"].get<double>()) < 1) {
                EXPECT_NEAR(r[1], p["gtDb"].get<double>(), 1e-6);
                ++inBand;
            }
    EXPECT_EQ(inBand, a["sweep"].size());
}

// The device stays out of the netlist, and ngspice, running the networks
// with their terminations, gives back the reflections the amplifier claims
// the networks present to the device.
TEST(AmplifierExports, SpiceNetworksPresentTheClaimedReflectionsAndLeaveTheDeviceOut)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    TempDir dir;
    const std::string fet = (dir / "fet.s2p").string();
    test_files::WriteBytes(fet, kFet);
    const CliRun run = RunCliIn({"--device", fet, "--amplifier", "--goal", "noise", "--f1", "3.5",
                                 "--f2", "4.5", "--source", "25", "--load-ohms", "75", "--json",
                                 "--spice", (dir / "amp.cir").string()},
                                dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const Json a = Json::parse(run.out)["amplifier"];
    const std::string netlist = test_files::ReadBytes(dir / "amp.cir");
    EXPECT_NE(netlist.find("* THE TRANSISTOR IS NOT IN THIS NETLIST"), std::string::npos);
    EXPECT_NE(
        netlist.find("designed between the source (p1, 25 ohms) and the device's input (p2, " +
                     fet + " referred to 50 ohms)"),
        std::string::npos)
        << netlist;
    EXPECT_NE(netlist.find("and the load (p2, 75 ohms)"), std::string::npos) << netlist;
    EXPECT_EQ(netlist.find("\nQ"), std::string::npos); // no transistor model of any kind
    EXPECT_EQ(netlist.find(".model"), std::string::npos);

    ExpectBenchGivesTheSweepsReflections(dir / "amp.cir", a["sweep"], "ideal parts", 1e-7);

    // A measured source has no SPICE element: no bench for the input network,
    // and the 2.0 file refers its port to the data's resistance.
    const std::string source = (dir / "src.s1p").string();
    test_files::WriteBytes(source, "# GHz Z RI R 50\n3 0.7 0.2\n5 0.7 0.2\n");
    const CliRun measured =
        RunCliIn({"--device", fet, "--amplifier", "--f1", "3.9", "--f2", "4.1", "--source-s1p",
                  source, "--load-ohms", "75", "--spice", (dir / "m.cir").string(),
                  "--touchstone-v2", (dir / "m.s2p").string()},
                 dir);
    ASSERT_EQ(measured.exitCode, kExitDesigned) << measured.err;
    const std::string m = test_files::ReadBytes(dir / "m.cir");
    EXPECT_NE(m.find("(p1, the impedance measured in " + source + ")"), std::string::npos) << m;
    EXPECT_NE(m.find("* no bench for the input network"), std::string::npos) << m;
    EXPECT_EQ(m.find("Xinput"), std::string::npos);
    EXPECT_NE(m.find("Xoutput zl load tevmar_amp_output"), std::string::npos);
    const std::string m2 = test_files::ReadBytes(dir / "m.s2p");
    EXPECT_NE(m2.find("\n[Reference] 50 75\n"), std::string::npos) << m2;
}

// The parts as built in both networks: each part as its model makes it and
// the pads where the figures put them, so that ngspice gives back the
// reflections the amplifier claims with those parts; a finite Q that follows
// the frequency as well as chip models and pads.
TEST(AmplifierExports, SpiceNetworksOfThePartsAsBuiltPresentTheClaimedReflections)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    TempDir dir;
    const std::string fet = (dir / "fet.s2p").string();
    test_files::WriteBytes(fet, kFet);
    const struct
    {
        Args models;
        std::vector<std::string> cards; // what the netlist must hold besides the parts
    } cases[] = {
        {{"--l-model", "40@4GHz,0.08pF", "--c-model", "0.4nH,0.2@4GHz", "--pad", "0.05pF"},
         {"* Parts as built: each L or C with its loss and parasitics beside it, a pad to ground "
          "at every node\n",
          "CPAD1 p1 0 0.05p ; pad\n", "hertz"}},
        {{"--q-l", "30", "--q-c", "150", "--q-model", "constant"},
         {"* Parts as built: each L or C with its loss and parasitics beside it\n", "; Q 30\n",
          "; Q 150\n"}},
    };
    for (const auto &c : cases) {
        const std::string label = c.models[0] + " " + c.models[1];
        Args args{"--device", fet,      "--amplifier", "--f1",
                  "3.5",      "--f2",   "4.5",         "--source",
                  "25",       "--json", "--spice",     (dir / "amp.cir").string()};
        args.insert(args.end(), c.models.begin(), c.models.end());
        const CliRun run = RunCliIn(args, dir);
        ASSERT_EQ(run.exitCode, kExitDesigned) << label << run.err;
        const Json a = Json::parse(run.out)["amplifier"];
        const std::string netlist = test_files::ReadBytes(dir / "amp.cir");
        for (const std::string &card : c.cards)
            EXPECT_NE(netlist.find(card), std::string::npos) << label << ": " << card << netlist;
        EXPECT_NE(netlist.find("* THE TRANSISTOR IS NOT IN THIS NETLIST"), std::string::npos);

        // ngspice prints seven digits; a part or pad amiss is off by far more.
        ExpectBenchGivesTheSweepsReflections(dir / "amp.cir", a["sweep"], label, 1e-6);
    }
}

// With --stabilise the resistor stands in the element list beside the
// device, flagged; the Touchstone file is the cascade with it, and ngspice's
// bench gives the impedance the network and resistor present to the
// transistor, and the network's alone, which the sweep's reflection is.
TEST(AmplifierExports, TheStabilisingResistorIsInTheListTheFilesAndTheNetlist)
{
    ASSERT_STRNE(TEVMAR_NGSPICE, "") << "ngspice not found: run scripts/install-deps";
    TempDir dir;
    const std::string fet = (dir / "fet.s2p").string();
    test_files::WriteBytes(fet, kFet);
    const CliRun run = RunCliIn({"--device", fet, "--amplifier", "--stabilise", "--f1", "3.5",
                                 "--f2", "4.5", "--json", "--touchstone", (dir / "v1.s2p").string(),
                                 "--spice", (dir / "amp.cir").string()},
                                dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const Json a = Json::parse(run.out)["amplifier"];
    const Json &rout = a["output"]["elements"][0];
    EXPECT_EQ(rout["kind"], "shunt resistor");
    EXPECT_EQ(rout["unit"], "ohm");
    EXPECT_EQ(rout["stabiliser"], true);
    const double ohms = rout["value"].get<double>();
    EXPECT_EQ(a["stabiliser"]["outputShuntOhms"].get<double>(), ohms);
    EXPECT_TRUE(a["stabiliser"]["inputSeriesOhms"].is_null());
    EXPECT_GT(a["stabiliser"]["gainCostDb"].get<double>(), 0);
    EXPECT_TRUE(a["stable"].get<bool>());
    for (const Json &e : a["input"]["elements"])
        EXPECT_FALSE(e.contains("stabiliser"));

    const auto rows = NumberRows(test_files::ReadBytes(dir / "v1.s2p"));
    const std::map<double, Scattering> device = DeviceRows();
    ASSERT_EQ(rows.size(), device.size());
    std::size_t i = 0;
    for (const auto &[hz, s] : device) {
        const Scattering whole =
            Between(LadderChain(a["input"]["elements"], hz) * DeviceChain(s, 50) *
                        LadderChain(a["output"]["elements"], hz),
                    50, 50);
        ExpectClose({rows[i][3], rows[i][4]}, whole.s21, "S21 at " + std::to_string(hz));
        ExpectClose({rows[i][1], rows[i][2]}, whole.s11, "S11 at " + std::to_string(hz));
        ++i;
    }

    const std::string netlist = test_files::ReadBytes(dir / "amp.cir");
    EXPECT_NE(netlist.find("Rout p1 0 " + std::to_string(static_cast<int>(ohms))),
              std::string::npos)
        << netlist;
    auto table =
        test_ngspice::ReadPrintTables(test_ngspice::RunNgspice(TEVMAR_NGSPICE, dir / "amp.cir"));
    const std::vector<double> &hz = table["frequency"];
    ASSERT_EQ(hz.size(), 201u);
    for (const Json &p : a["sweep"]) {
        const double f = p["frequencyHz"].get<double>();
        const auto row = static_cast<std::size_t>(std::lround((f - 3.5e9) / 5e6));
        ASSERT_NEAR(hz[row], f, 1);
        const Complex zs(table["real(v(zs))"][row], table["imag(v(zs))"][row]);
        const Complex zl(table["real(v(zl))"][row], table["imag(v(zl))"][row]);
        const Complex zln(table["real(v(zln))"][row], table["imag(v(zln))"][row]);
        const std::string at = " at " + std::to_string(f);
        ExpectClose((zs - 50.0) / (zs + 50.0), ComplexOf(p["gammaS"]), "Gamma S" + at, 1e-6);
        ExpectClose((zln - 50.0) / (zln + 50.0), ComplexOf(p["gammaL"]), "Gamma L" + at, 1e-6);
        ExpectClose(zl, zln * ohms / (zln + ohms), "the transistor's load" + at, 1e-6);
    }

    // An input of negative resistance and no feedback takes a series
    // resistor at the input: in the input's subcircuit, at the transistor.
    const std::string wild = (dir / "wild.s2p").string();
    test_files::WriteBytes(wild, "# GHz S MA R 50\n3.9 1.2 -114 2.65 77 0 0 0.73 -53\n"
                                 "4.1 1.2 -118 2.55 75 0 0 0.72 -55\n");
    const CliRun series = RunCliIn({"--device", wild, "--amplifier", "--stabilise", "--f1", "3.9",
                                    "--f2", "4.1", "--json", "--spice", (dir / "in.cir").string()},
                                   dir);
    ASSERT_EQ(series.exitCode, kExitDesigned) << series.err;
    const Json w = Json::parse(series.out)["amplifier"];
    const Json &rin = w["input"]["elements"].back();
    EXPECT_EQ(rin["kind"], "series resistor");
    EXPECT_EQ(rin["stabiliser"], true);
    EXPECT_TRUE(w["stabiliser"]["gainCostDb"].is_null()); // the device alone has no bound
    const double rinOhms = rin["value"].get<double>();
    auto inTable =
        test_ngspice::ReadPrintTables(test_ngspice::RunNgspice(TEVMAR_NGSPICE, dir / "in.cir"));
    const std::vector<double> &inHz = inTable["frequency"];
    for (const Json &p : w["sweep"]) {
        const double f = p["frequencyHz"].get<double>();
        const auto row = static_cast<std::size_t>(
            std::ranges::min_element(inHz, {}, [f](double h) { return std::abs(h - f); }) -
            inHz.begin());
        ASSERT_NEAR(inHz[row], f, 1);
        const Complex zs(inTable["real(v(zs))"][row], inTable["imag(v(zs))"][row]);
        const Complex zsn(inTable["real(v(zsn))"][row], inTable["imag(v(zsn))"][row]);
        const std::string at = " at " + std::to_string(f);
        ExpectClose((zsn - 50.0) / (zsn + 50.0), ComplexOf(p["gammaS"]), "Gamma S" + at, 1e-6);
        ExpectClose(zs, zsn + rinOhms, "the transistor's source" + at, 1e-6);
    }
}

} // namespace
} // namespace tevmar::cli
