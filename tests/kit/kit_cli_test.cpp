// tevmar-cli with --parts and --bom: what the engineer sees, the files, and
// the usage rules.

#include "tests/analysis/ngspice_run.h"
#include "tests/kit/kit_fixture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tevmar {
namespace {

using test_files::TempDir;

class KitCli : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        test_kit::WriteSyntheticKit(dir_ / "kit");
        test_kit::WriteAntenna(dir_ / "antenna.s1p");
    }
    std::vector<std::string> Args(std::vector<std::string> more) const
    {
        std::vector<std::string> args = test_kit::AntennaArgs(dir_, dir_ / "kit");
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }
    TempDir dir_;
};

TEST_F(KitCli, ThePaneNamesThePartsAndTheBillOfMaterialsListsTheBest)
{
    const std::string bom = (dir_ / "bom.csv").string();
    const test_kit::Cli run = test_kit::RunCli(Args({"--bom", bom}), dir_);
    // No textbook design absorbs the antenna: the candidates are written (6).
    ASSERT_EQ(run.code, 6) << run.err;
    EXPECT_NE(run.out.find("Candidates on kit parts, best first"), std::string::npos);
    const auto lines = test_files::LinesOf(run.out, "\n");
    const auto head = std::ranges::find_if(
        lines, [](const std::string &l) { return l.starts_with("Candidates on kit parts"); });
    ASSERT_NE(head, lines.end());
    // The best candidate's parts line: every part by its number (the best
    // may be of capacitors alone, as the two-capacitor L-section is here).
    const std::string parts = *(head + 3);
    EXPECT_TRUE(parts.find("ZL0402-") != std::string::npos ||
                parts.find("ZC0402-") != std::string::npos)
        << parts;

    const std::string text = test_files::ReadBytes(bom);
    const auto rows = test_files::LinesOf(text, "\n");
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0], "reference,part,kind,value,unit,placement,position");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        EXPECT_TRUE(rows[i].find(",ZL0402-") != std::string::npos ||
                    rows[i].find(",ZC0402-") != std::string::npos)
            << rows[i];
        EXPECT_TRUE(rows[i].ends_with("," + std::to_string(i))) << rows[i];
        // Each part's number appears in the pane's best line.
        const std::string number = rows[i].substr(rows[i].find(',') + 1, 10);
        EXPECT_NE(parts.find(number), std::string::npos) << number;
    }
    // The resonant parts were said to be left out.
    EXPECT_NE(run.err.find("resonate within"), std::string::npos) << run.err;
}

TEST_F(KitCli, TheFilesAreOfTheBuiltNetworkWithinTheKitsData)
{
    const std::string s2p = (dir_ / "built.s2p").string(), cir = (dir_ / "built.cir").string();
    const test_kit::Cli run = test_kit::RunCli(
        Args({"--touchstone", s2p, "--spice", cir, "--from", "0.05", "--to", "9"}), dir_);
    // No textbook design absorbs the antenna: the candidates are written (6).
    ASSERT_EQ(run.code, 6) << run.err;
    // The data run from 0.1 to 8 GHz: the sweep stops there and says so.
    EXPECT_NE(run.err.find("the sweep is cut to 0.1"), std::string::npos) << run.err;
    std::istringstream touchstone(test_files::ReadBytes(s2p));
    int points = 0;
    for (std::string line; std::getline(touchstone, line);) {
        if (line.empty() || line[0] == '!' || line[0] == '#')
            continue;
        const double ghz = std::stod(line) / 1e9; // the file is in Hz
        EXPECT_TRUE(ghz >= 0.1 && ghz <= 8) << line;
        ++points;
    }
    EXPECT_GT(points, 100);
    const std::string spice = test_files::ReadBytes(cir);
    EXPECT_NE(spice.find("fitted to their data over the band"), std::string::npos);
    EXPECT_NE(spice.find(" fitted\n"), std::string::npos) << spice;
}

// A tuned textbook design built from the kit: its lines, its JSON and the
// files, which carry the built network.
TEST_F(KitCli, TheTunedNetworkIsBuiltFromTheKitAndTheFilesCarryIt)
{
    const std::vector<std::string> base{"--f1",
                                        "2.4",
                                        "--f2",
                                        "2.5",
                                        "--zhigh",
                                        "50",
                                        "--zlow",
                                        "20",
                                        "--tune",
                                        "--parts",
                                        (dir_ / "kit").string()};
    const test_kit::Cli pane = test_kit::RunCli(base, dir_);
    ASSERT_EQ(pane.code, 0) << pane.err;
    EXPECT_NE(pane.out.find("On kit parts (with the parts' data): in-band max loss"),
              std::string::npos)
        << pane.out;

    std::vector<std::string> args = base;
    const std::string bom = (dir_ / "tuned-bom.csv").string();
    args.insert(args.end(), {"--json", "--bom", bom});
    const test_kit::Cli run = test_kit::RunCli(args, dir_);
    ASSERT_EQ(run.code, 0) << run.err;
    const nlohmann::json tuned = nlohmann::json::parse(run.out).at("tuned");
    const nlohmann::json &kit = tuned.at("kit");
    EXPECT_LE(kit.at("lossDbMax").get<double>(),
              kit.at("snapped").at("lossDbMax").get<double>() + 1e-12);
    EXPECT_TRUE(tuned.at("lossDbMax").is_number());
    const auto rows = test_files::LinesOf(test_files::ReadBytes(bom), "\n");
    ASSERT_EQ(rows.size(), kit.at("elements").size() + 1);
    for (std::size_t i = 0; i < kit.at("elements").size(); ++i) {
        const std::string part = kit.at("elements")[i].at("part");
        EXPECT_NE(rows[i + 1].find("," + part + ","), std::string::npos) << rows[i + 1];
    }
}

// The figures printed for a network built from the kit on pads are what
// ngspice gives for its netlist (each part there its fitted circuit).
TEST_F(KitCli, TheNetlistOnPadsGivesThePrintedFigures)
{
    if (std::string(TEVMAR_NGSPICE).empty())
        GTEST_SKIP() << "ngspice is not installed";
    const std::string cir = (dir_ / "padded.cir").string();
    const test_kit::Cli run = test_kit::RunCli(
        {"--f1", "2.4", "--f2", "2.5", "--zhigh", "50", "--zlow", "20", "--tune", "--parts",
         (dir_ / "kit").string(), "--pad", "0.2pF", "--json", "--spice", cir},
        dir_);
    ASSERT_EQ(run.code, 0) << run.err;
    const nlohmann::json kit = nlohmann::json::parse(run.out).at("tuned").at("kit");
    const auto columns =
        test_ngspice::ReadPrintTables(test_ngspice::RunNgspice(TEVMAR_NGSPICE, cir));
    const std::vector<double> &s11 = columns.at("vm(s11)"), &s21 = columns.at("vdb(s21)");
    ASSERT_GT(s11.size(), 100u);
    const double gammaMax = *std::ranges::max_element(s11);
    const double lossDbMax = -*std::ranges::min_element(s21);
    EXPECT_NEAR(gammaMax, kit.at("gammaMax").get<double>(), 3e-3) << test_files::ReadBytes(cir);
    EXPECT_NEAR(lossDbMax, kit.at("lossDbMax").get<double>(), 0.01);
}

// Capacitor files that start at 0 Hz, as some models' files do, give the
// same candidates, document and bill of materials as the kit without that
// point: the values come from the points above DC.
TEST_F(KitCli, CapacitorFilesStartingAtDcGiveTheSameDesign)
{
    const std::string bom = (dir_ / "bom.csv").string();
    const test_kit::Cli before = test_kit::RunCli(Args({"--json", "--bom", bom}), dir_);
    ASSERT_EQ(before.code, 6) << before.err;
    const std::string bomBefore = test_files::ReadBytes(bom);
    for (const double pf : test_kit::CapacitorValuesPf())
        std::ofstream(dir_ / "kit" / (test_kit::CapacitorNumber(pf) + ".s2p"))
            << test_kit::WithDcPoint(test_kit::SeriesThroughFile([pf](double hz) {
                                         return test_kit::CapacitorImpedance(pf, hz);
                                     }),
                                     1e-9, 89.99);
    const test_kit::Cli after = test_kit::RunCli(Args({"--json", "--bom", bom}), dir_);
    ASSERT_EQ(after.code, 6) << after.err;
    EXPECT_EQ(after.out, before.out);
    EXPECT_EQ(test_files::ReadBytes(bom), bomBefore);
    const nlohmann::json document = nlohmann::json::parse(after.out);
    for (const nlohmann::json &part : document.at("kit").at("parts"))
        EXPECT_TRUE(part.at("value").is_number()) << part;
}

TEST_F(KitCli, UsageAndBadKitsExitTwoWithTheirReason)
{
    struct Case
    {
        std::vector<std::string> args;
        std::string message;
    };
    std::filesystem::create_directories(dir_ / "empty");
    const std::string antenna = (dir_ / "antenna.s1p").string();
    const std::vector<Case> cases{
        {{"--f1", "2.4", "--f2", "2.5", "--load-s1p", antenna, "--source", "50", "--parts",
          (dir_ / "kit").string()},
         "--parts applies to --candidates, --tune and --amplifier"},
        {{"--f1", "2.4", "--f2", "2.5", "--load-s1p", antenna, "--source", "50", "--candidates",
          "--bom", (dir_ / "b.csv").string()},
         "--bom lists the parts of a kit; give --parts"},
        {{"--f1", "2.4", "--f2", "2.5", "--load-s1p", antenna, "--source", "50", "--candidates",
          "--parts", (dir_ / "empty").string()},
         "no .s2p files"},
        {{"--f1", "8.2", "--f2", "8.5", "--zhigh", "50", "--zlow", "10", "--candidates", "--parts",
          (dir_ / "kit").string()},
         "do not cover the band 8.2 to 8.5 GHz"},
    };
    for (const Case &c : cases) {
        const test_kit::Cli run = test_kit::RunCli(c.args, dir_);
        EXPECT_EQ(run.code, 2) << c.message << "\n" << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out.substr(0, 200);
    }
}

} // namespace
} // namespace tevmar
