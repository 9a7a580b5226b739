// tevmar-cli with a termination written as a circuit (--load-circuit,
// --source-circuit) and the files of a match into measured data: a circuit
// gives what its measurement gives, a bad circuit is refused at the place it
// goes wrong, and the CSV and SPICE files say which load they describe.

#include "cli/cli_main.h"
#include "cli/outcome_writer.h"
#include "tests/analysis/ngspice_run.h"
#include "tests/cli/cli_in_process.h"
#include "tests/report/test_files.h"
#include "tests/session/chip_antenna.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tevmar::cli {
namespace {

using test_files::TempDir;
using Args = std::vector<std::string>;

constexpr const char *kAntenna = "(18 + 1.2nH) || 0.2pF";

std::string Measured(const TempDir &dir)
{
    const std::string path = (dir / "antenna.s1p").string();
    test_files::WriteBytes(path, test_files::ChipAntennaS1p());
    return path;
}

TEST(CircuitOption, TheChipAntennaAsACircuitMatchesAsItsMeasurementDoes)
{
    TempDir dir;
    const Args band{"--f1", "2.3", "--f2", "2.6", "--source", "50", "--tune", "--json"};
    Args circuit = band, file = band;
    circuit.insert(circuit.end(), {"--load-circuit", kAntenna});
    file.insert(file.end(), {"--load-s1p", Measured(dir)});
    const CliRun a = RunCliIn(circuit, dir), b = RunCliIn(file, dir);
    ASSERT_EQ(a.exitCode, kExitDesigned) << a.err;
    ASSERT_EQ(b.exitCode, kExitDesigned) << b.err;
    // The circuit's fit says how far it is off, as a measurement's does.
    EXPECT_EQ(a.err, std::string("tevmar-cli: load circuit ") + kAntenna +
                         ": series RL fit, rms error 0.663 %\n");
    const auto ja = nlohmann::json::parse(a.out), jb = nlohmann::json::parse(b.out);
    EXPECT_EQ(ja["measuredLoad"]["chosen"]["kind"], "series-rl");
    EXPECT_NEAR(ja["measuredLoad"]["chosen"]["resistanceOhms"].get<double>(),
                jb["measuredLoad"]["chosen"]["resistanceOhms"].get<double>(), 0.01);
    // The file interpolates between points 10 MHz apart; the circuit is exact.
    const auto gamma = [](const nlohmann::json &j) {
        return j["analysis"]["selfCheck"]["fullPrecision"]["gammaMax"].get<double>();
    };
    EXPECT_NEAR(gamma(ja), gamma(jb), 2e-4);
    EXPECT_NEAR(ja["tuned"]["gammaMax"].get<double>(), jb["tuned"]["gammaMax"].get<double>(), 2e-3);
}

TEST(CircuitOption, AMeasuredLoadFromACircuitSource)
{
    TempDir dir;
    const CliRun run = RunCliIn({"--f1", "2.3", "--f2", "2.6", "--load-s1p", Measured(dir),
                                 "--source-circuit", "8 + 0.5nH", "--json"},
                                dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["measuredSource"]["chosen"]["kind"], "series-rl");
    EXPECT_NEAR(json["measuredSource"]["chosen"]["resistanceOhms"].get<double>(), 8, 1e-6);
    EXPECT_NEAR(json["measuredSource"]["chosen"]["inductanceNh"].get<double>(), 0.5, 1e-6);
}

TEST(CircuitOption, AMalformedCircuitIsRefusedWhereItGoesWrong)
{
    TempDir dir;
    const Args band{"--f1", "2.3", "--f2", "2.6", "--source", "50"};
    const std::pair<Args, std::string> cases[] = {
        {{"--load-circuit", "(20 + 2.7nH || 0.3pF"},
         "tevmar-cli: --load-circuit: at character 13: found \"|\"; expected \"+\" again or "
         "parentheses: \"+\" and \"||\" side by side need parentheses to say which joins "
         "first "},
        {{"--load-circuit", "20 + 2.7nX"},
         "tevmar-cli: --load-circuit: at character 9: found \"n\"; expected a unit: ohm (or "
         "none), H or F, each with an optional prefix f, p, n, u, m, k, M or G "},
        {{"--load-circuit", "20", "--load-s1p", "a.s1p"},
         "tevmar-cli: --load-circuit replaces --load-s1p; give one of them "},
        {{"--load-circuit", "20", "--zhigh", "50"},
         "tevmar-cli: --load-circuit replaces --zhigh, --zlow, --load and --absorb; --zhigh "
         "was given too "},
    };
    for (const auto &[extra, message] : cases) {
        Args args = band;
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = RunCliIn(args, dir);
        EXPECT_EQ(run.exitCode, kExitBadUsage);
        EXPECT_EQ(run.err.substr(0, message.size()), message) << run.err;
        EXPECT_EQ(run.out, "");
    }
    // A lossless circuit has nothing to deliver power into.
    Args lossless = band;
    lossless.insert(lossless.end(), {"--load-circuit", "2.7nH + 1pF"});
    const CliRun run = RunCliIn(lossless, dir);
    EXPECT_EQ(run.exitCode, kExitBadUsage);
    EXPECT_NE(run.err.find("has no resistance in the band"), std::string::npos) << run.err;
}

TEST(MeasuredExports, ABandPastTheDataIsRefusedNamingTheirRange)
{
    TempDir dir;
    const std::string path = Measured(dir);
    const CliRun run =
        RunCliIn({"--f1", "1.5", "--f2", "2.6", "--load-s1p", path, "--source", "50"}, dir);
    EXPECT_EQ(run.exitCode, kExitBadUsage);
    EXPECT_EQ(run.err, "tevmar-cli: --load-s1p: " + path +
                           ": the band 1.5 to 2.6 GHz reaches past the data (2 to 3 GHz); "
                           "expected data covering the band\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "tevmar.prt"));
}

// The rows of the CSV: each a map from column to text.
std::vector<std::map<std::string, std::string>> CsvRows(const std::string &text)
{
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    std::vector<std::string> head;
    for (std::istringstream cells(line); std::getline(cells, line, ',');)
        head.push_back(line);
    std::vector<std::map<std::string, std::string>> rows;
    while (std::getline(in, line)) {
        std::map<std::string, std::string> row;
        std::istringstream cells(line);
        for (std::size_t i = 0; std::getline(cells, line, ','); ++i)
            row[head.at(i)] = line;
        rows.push_back(row);
    }
    return rows;
}

TEST(MeasuredExports, TheSweepIsIntoTheDataWhereTheyReachAndMarkedBeyond)
{
    TempDir dir;
    const std::string csv = (dir / "sweep.csv").string(), cir = (dir / "bench.cir").string();
    const CliRun run = RunCliIn({"--f1", "2.3", "--f2", "2.6", "--load-s1p", Measured(dir),
                                 "--source", "50", "--json", "--sweep", csv, "--spice", cir},
                                dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    // The default sweep runs from half the lower edge to twice the upper.
    EXPECT_EQ(run.err, "tevmar-cli: measured load " + (dir / "antenna.s1p").string() +
                           ": series RL fit, rms error 0.682 %\n"
                           "tevmar-cli: warning: --sweep: the sweep 1.15 to 5.2 GHz reaches past "
                           "the load's data (2 to 3 GHz); rows beyond the data are into the "
                           "fitted model, marked fitted_model\n");
    const auto json = nlohmann::json::parse(run.out);
    const double intoData =
        json["analysis"]["selfCheck"]["fullPrecision"]["gammaMax"].get<double>();

    double inBandWorstDb = -1e9;
    std::size_t measured = 0, model = 0;
    for (const auto &row : CsvRows(test_files::ReadBytes(csv))) {
        const double hz = std::stod(row.at("frequency_hz"));
        const std::string &termination = row.at("termination");
        EXPECT_EQ(termination, hz >= 2e9 && hz <= 3e9 ? "measured" : "fitted_model") << hz;
        (termination == "measured" ? measured : model)++;
        if (hz >= 2.3e9 && hz <= 2.6e9)
            inBandWorstDb = std::max(inBandWorstDb, std::stod(row.at("full_s11_db")));
    }
    EXPECT_GT(measured, 100u);
    EXPECT_GT(model, 100u);
    // The in-band rows are into the data: their worst is the JSON's figure,
    // not the fitted model's (0.041).
    EXPECT_NEAR(std::pow(10, inBandWorstDb / 20), intoData, 2e-3);

    const std::string bench = test_files::ReadBytes(cir);
    EXPECT_NE(bench.find("* The bench terminates the network in the fitted model of the load, "
                         "not the measured data, which a netlist cannot hold\n"),
              std::string::npos)
        << bench;
    const double intoModel = json["analysis"]["selfCheck"]["designGammaMax"].get<double>();
    const std::size_t at = bench.find("* Worst in-band |S11| into the fitted model: ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NEAR(std::stod(bench.substr(at + 45)), intoModel, 5e-3 * intoModel + 1e-6);
    EXPECT_NE(bench.find("(into the measured data: "), std::string::npos);
}

// The SPICE bench of a load written as a circuit holds the circuit as typed,
// not its fit: ngspice then gives the worst in-band |S11| the run prints, and
// with ideal parts all the power not reflected reaches the load's resistors.
TEST(MeasuredExports, TheBenchOfACircuitLoadHoldsTheCircuitTyped)
{
    if (std::string(TEVMAR_NGSPICE).empty())
        GTEST_SKIP() << "ngspice is not installed";
    struct Case
    {
        const char *circuit;
        bool candidates;                // no textbook design absorbs it: the best candidate's
        std::vector<std::string> nodes; // the load's share of S21
    };
    const std::vector<Case> cases{
        {"(20 + 2.7nH) || 0.3pF", true, {"s21"}},
        {"(18 + 1.2nH) || (400 + 1pF)", false, {"s21_1", "s21_2"}},
        {"150 || 0.5pF", false, {"s21"}}, // a shunt kind: the load at port 1
    };
    for (const Case &c : cases) {
        TempDir dir;
        const std::string cir = (dir / "bench.cir").string();
        Args args{"--f1",           "2.4",     "--f2",   "2.5",     "--source", "50",
                  "--load-circuit", c.circuit, "--json", "--spice", cir};
        if (c.candidates)
            args.push_back("--candidates");
        const CliRun run = RunCliIn(args, dir);
        ASSERT_EQ(run.exitCode, c.candidates ? kExitTuned : kExitDesigned) << c.circuit << "\n"
                                                                           << run.err;
        const auto json = nlohmann::json::parse(run.out);
        const double printed =
            c.candidates ? json["candidates"][0]["gammaMax"].get<double>()
                         : json["analysis"]["selfCheck"]["fullPrecision"]["gammaMax"].get<double>();
        const std::string bench = test_files::ReadBytes(cir);
        EXPECT_NE(bench.find("RLOAD1 "), std::string::npos) << bench;
        for (const char *fitted : {"Lload", "Cload", "Rport2", "fitted model"})
            EXPECT_EQ(bench.find(fitted), std::string::npos) << fitted << "\n" << bench;

        auto columns = test_ngspice::ReadPrintTables(test_ngspice::RunNgspice(TEVMAR_NGSPICE, cir));
        const std::vector<double> &s11 = columns["vm(s11)"];
        ASSERT_GT(s11.size(), 100u) << bench;
        EXPECT_NEAR(*std::ranges::max_element(s11), printed, 5e-3 * printed + 1e-5)
            << c.circuit << "\n"
            << bench;
        for (std::size_t k = 0; k < s11.size(); ++k) {
            double power = s11[k] * s11[k];
            for (const std::string &node : c.nodes) {
                const std::vector<double> &share = columns["vm(" + node + ")"];
                ASSERT_EQ(share.size(), s11.size()) << node << "\n" << bench;
                power += share[k] * share[k];
            }
            EXPECT_NEAR(power, 1, 1e-4) << c.circuit << " at point " << k;
        }
    }
}

TEST(MeasuredExports, ADesignOfTypedValuesWritesTheSameCsvAsBefore)
{
    TempDir dir;
    const std::string csv = (dir / "sweep.csv").string();
    const CliRun run =
        RunCliIn({"--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "10", "--sweep", csv}, dir);
    ASSERT_EQ(run.exitCode, kExitDesigned) << run.err;
    const std::string text = test_files::ReadBytes(csv);
    EXPECT_EQ(text.find("termination"), std::string::npos);
}

} // namespace
} // namespace tevmar::cli
