// A kit part's number is data, whatever bytes it holds: a file named to
// smuggle netlist cards, terminal controls and a spreadsheet formula comes out
// of the netlist, the bill of materials, the Touchstone file and the pane as
// inert text; parts.csv numbers that a spreadsheet would run are made text.

#include "analysis/search/kit_search.h"
#include "format/bom.h"
#include "format/export_spice.h"
#include "tests/analysis/ngspice_run.h"
#include "tests/kit/kit_fixture.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace tevmar {
namespace {

using test_files::TempDir;

// Netlist cards, a shell command, a terminal title and a bad byte, opened by
// a formula for a spreadsheet.
const std::string kHostile =
    "=cmd|'calc'!A0\n.control\nshell touch PWNED\n.endc\n\x1b]0;owned\x07\xff ";

// The cells of one CSV line, quotes undone.
std::vector<std::string> CsvCells(const std::string &line)
{
    std::vector<std::string> cells(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
            cells.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            cells.emplace_back();
        } else {
            cells.back() += c;
        }
    }
    return cells;
}

// True when a spreadsheet would read the cell as a formula.
bool Formula(const std::string &cell)
{
    return !cell.empty() && std::string("=+-@\t\r").find(cell.front()) != std::string::npos;
}

// No byte that moves the cursor or is not UTF-8: line feeds only.
void ExpectInert(const std::string &text, const std::string &what)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte == '\n' || (byte >= 0x20 && byte < 0x7f))
            << what << " holds byte " << static_cast<int>(byte) << ":\n"
            << text.substr(0, 2000);
        if (!(byte == '\n' || (byte >= 0x20 && byte < 0x7f)))
            return;
    }
}

// Every line of the netlist a comment or one of the cards the export writes.
void ExpectOnlyKnownCards(const std::string &netlist)
{
    std::istringstream lines(netlist);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '*')
            continue;
        std::istringstream words(line);
        std::string first;
        words >> first;
        if (first == ".subckt" || first == ".ends" || first == ".ac" || first == ".print" ||
            first == ".end")
            continue;
        std::vector<std::string> rest;
        for (std::string w; words >> w && w != ";";)
            rest.push_back(w);
        EXPECT_NE(std::string("RLCVEX").find(first[0]), std::string::npos) << line;
        EXPECT_GE(rest.size(), 3u) << line;
    }
}

class HostileKit : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        test_kit::WriteSyntheticKit(dir_ / "kit");
        test_kit::WriteAntenna(dir_ / "antenna.s1p");
    }
    TempDir dir_;
};

TEST_F(HostileKit, APartFileNamedAsCardsAndControlsStaysInertEverywhere)
{
    // Without parts.csv every file's stem is its part number.
    for (const auto &entry : std::filesystem::directory_iterator(dir_ / "kit"))
        std::filesystem::rename(entry.path(), entry.path().parent_path() /
                                                  (kHostile + entry.path().filename().string()));
    const std::string bom = (dir_ / "bom.csv").string(), cir = (dir_ / "net.cir").string(),
                      s2p = (dir_ / "net.s2p").string();
    std::vector<std::string> args = test_kit::AntennaArgs(dir_, dir_ / "kit");
    args.insert(args.end(), {"--bom", bom, "--spice", cir, "--touchstone", s2p});
    const test_kit::Cli run = test_kit::RunCli(args, dir_);
    ASSERT_EQ(run.code, 6) << run.err;

    // The pane shows the names escaped, on their own line.
    EXPECT_NE(run.out.find("=cmd|'calc'!A0\\x0a.control\\x0ashell touch PWNED\\x0a.endc\\x0a"
                           "\\x1b]0;owned\\x07\\xff ZL0402-"),
              std::string::npos)
        << run.out;
    ExpectInert(run.out, "standard output");
    ExpectInert(run.err, "standard error");

    const std::string netlist = test_files::ReadBytes(cir);
    ExpectInert(netlist, "the netlist");
    ExpectOnlyKnownCards(netlist);
    EXPECT_NE(netlist.find(" ; =cmd|'calc'!A0\\x0a.control"), std::string::npos) << netlist;
    if (!std::string(TEVMAR_NGSPICE).empty()) {
        // The netlist runs, and runs no command.
        const auto columns =
            test_ngspice::ReadPrintTables(test_ngspice::RunNgspice(TEVMAR_NGSPICE, cir));
        EXPECT_EQ(columns.count("vm(s11)"), 1u);
        EXPECT_FALSE(std::filesystem::exists("PWNED"));
    }
    ExpectInert(test_files::ReadBytes(s2p), "the Touchstone file");

    const std::string list = test_files::ReadBytes(bom);
    ExpectInert(list, "the bill of materials");
    const auto rows = test_files::LinesOf(list, "\n");
    ASSERT_GE(rows.size(), 3u);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const std::vector<std::string> cells = CsvCells(rows[i]);
        ASSERT_EQ(cells.size(), 7u) << rows[i];
        for (const std::string &cell : cells)
            EXPECT_FALSE(Formula(cell)) << rows[i];
        // The part's number, made text by its leading quote.
        EXPECT_TRUE(cells[1].starts_with("'=cmd|'calc'!A0\\x0a.control")) << rows[i];
    }
}

TEST_F(HostileKit, PartsListNumbersASpreadsheetWouldRunAreQuotedAsText)
{
    // parts.csv names every part with a leading =, +, - or @ in turn.
    test_kit::WriteSyntheticKit(dir_ / "kit", true);
    const std::string csv = test_files::ReadBytes(dir_ / "kit" / "parts.csv");
    std::string renamed;
    int row = 0;
    for (const std::string &line : test_files::LinesOf(csv, "\n"))
        renamed +=
            (row++ == 0 || line.empty() ? "" : std::string(1, "=+-@"[row % 4])) + line + "\n";
    test_files::WriteBytes(dir_ / "kit" / "parts.csv", renamed);

    const std::string bom = (dir_ / "bom.csv").string();
    std::vector<std::string> args = test_kit::AntennaArgs(dir_, dir_ / "kit");
    args.insert(args.end(), {"--bom", bom});
    const test_kit::Cli run = test_kit::RunCli(args, dir_);
    ASSERT_EQ(run.code, 6) << run.err;
    const auto rows = test_files::LinesOf(test_files::ReadBytes(bom), "\n");
    ASSERT_GE(rows.size(), 3u);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        // The cell is quoted and its text begins with the quote that makes it
        // text: '=ZL0402-24N shows as =ZL0402-24N and is not evaluated.
        const std::size_t comma = rows[i].find(',');
        EXPECT_EQ(rows[i].substr(comma + 1, 2), "\"'") << rows[i];
        const std::vector<std::string> cells = CsvCells(rows[i]);
        ASSERT_EQ(cells.size(), 7u) << rows[i];
        EXPECT_TRUE(cells[1].starts_with("'") && Formula(cells[1].substr(1))) << rows[i];
    }
}

// The bill of materials cell by cell: a formula's leading character, a tab or
// carriage return before one, a comma, a quote and a semicolon in a part
// number, and a plain one.
TEST(BillOfMaterials, EveryPartNumberIsOneInertCell)
{
    analysis::Network network;
    network.port1Ohms = 50;
    network.port2Ohms = 20;
    const std::vector<std::string> numbers{"\t=1+2", "\r@SUM(A1)", "-3", "a,b\"c;d", "ZC0402-1R1"};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        auto kit = std::make_shared<analysis::KitPart>();
        kit->partNumber = numbers[i];
        kit->inductor = i % 2 == 0;
        kit->nominal = 1.5;
        analysis::Part place;
        place.kind = kit->inductor ? ElementKind::SeriesInductor : ElementKind::ShuntCapacitor;
        place.value = 1.5;
        network.parts.push_back(analysis::KitPartAs(place, kit));
    }
    EXPECT_EQ(format::BomCsv(network), "reference,part,kind,value,unit,placement,position\n"
                                       "L1,\"'\\x09=1+2\",inductor,1.5,nH,series,1\n"
                                       "C2,\"'\\x0d@SUM(A1)\",capacitor,1.5,pF,shunt,2\n"
                                       "L3,\"'-3\",inductor,1.5,nH,series,3\n"
                                       "C4,\"a,b\"\"c;d\",capacitor,1.5,pF,shunt,4\n"
                                       "L5,ZC0402-1R1,inductor,1.5,nH,series,5\n");
}

} // namespace
} // namespace tevmar
