// Reading a kit folder: the parts, their kinds and values as a bill of
// materials needs them, the band each may serve, and every bad kit named.

#include "analysis/search/kit_search.h"
#include "session/run/part_kit_folder.h"
#include "tests/kit/kit_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tevmar {
namespace {

using analysis::KitPartRef;
using session::ReadPartKit;
using test_files::TempDir;

const KitPartRef *Find(const analysis::Kit &kit, const std::string &number)
{
    for (const std::vector<KitPartRef> *list : {&kit.inductors, &kit.capacitors})
        for (const KitPartRef &p : *list)
            if (p->partNumber == number)
                return &p;
    return nullptr;
}

TEST(KitReading, WithoutAListTheStemNamesThePartAndTheLowestFrequenciesItsValue)
{
    TempDir dir;
    test_kit::WriteSyntheticKit(dir / "kit");
    // No margin above the band: 8.2 pF (3.1 GHz) stays among the parts read.
    const analysis::KitReading r = ReadPartKit((dir / "kit").string(), 2.4e9, 2.5e9, 0);
    ASSERT_TRUE(r.problem.empty()) << r.problem;
    // The values a marking carries, read back from the data.
    for (const auto &[number, inductor, value] :
         std::vector<std::tuple<std::string, bool, double>>{{"ZL0402-2N7", true, 2.7},
                                                            {"ZL0402-1N0", true, 1.0},
                                                            {"ZC0402-0R5", false, 0.5},
                                                            {"ZC0402-1R3", false, 1.3},
                                                            {"ZC0402-8R2", false, 8.2}}) {
        const KitPartRef *p = Find(r.kit, number);
        ASSERT_NE(p, nullptr) << number;
        EXPECT_EQ((*p)->inductor, inductor) << number;
        EXPECT_DOUBLE_EQ((*p)->nominal, value) << number;
    }
    // Z = 2 Z0 (1 - S21) / S21 gives back the part at a data frequency.
    const KitPartRef &l = *Find(r.kit, "ZL0402-2N7");
    const std::complex<double> z = l->ImpedanceAt(2.45e9),
                               truth = test_kit::InductorImpedance(2.7, 2.45e9);
    EXPECT_NEAR(std::abs(z - truth) / std::abs(truth), 0, 1e-6);
    // Each kind by value, rising.
    for (const std::vector<KitPartRef> *list : {&r.kit.inductors, &r.kit.capacitors})
        EXPECT_TRUE(
            std::ranges::is_sorted(*list, {}, [](const KitPartRef &p) { return p->nominal; }));
}

TEST(KitReading, PartsThatResonateInTheBandAreLeftOutAndSaidSo)
{
    TempDir dir;
    test_kit::WriteSyntheticKit(dir / "kit");
    // No margin above the band: every part that keeps its kind over it.
    const analysis::KitReading r = ReadPartKit((dir / "kit").string(), 2.4e9, 2.5e9, 0);
    // 22 nH resonates near 2.7 GHz and 10 pF with its 0.45 nH near 2.4 GHz:
    // above it the large inductor would act as a small capacitor.
    EXPECT_NE(Find(r.kit, "ZL0402-18N"), nullptr);
    EXPECT_EQ(Find(r.kit, "ZL0402-47N"), nullptr);
    EXPECT_EQ(Find(r.kit, "ZC0402-10P"), nullptr);
    for (const KitPartRef &p : r.kit.inductors)
        for (const double hz : {2.4e9, 2.45e9, 2.5e9})
            EXPECT_GT(p->ImpedanceAt(hz).imag(), 0) << p->partNumber;
    for (const KitPartRef &p : r.kit.capacitors)
        for (const double hz : {2.4e9, 2.45e9, 2.5e9})
            EXPECT_LT(p->ImpedanceAt(hz).imag(), 0) << p->partNumber;
    const std::string all = ::testing::PrintToString(r.warnings);
    EXPECT_NE(all.find("resonate within 2.4 to 2.5 GHz"), std::string::npos) << all;
}

TEST(KitReading, AListGivesNumbersAndNominalValues)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "kit");
    std::ofstream(dir / "kit/a.s2p") << test_kit::SeriesThroughFile(
        [](double hz) { return test_kit::InductorImpedance(3.3, hz); });
    std::ofstream(dir / "kit/b.s2p") << test_kit::SeriesThroughFile(
        [](double hz) { return test_kit::CapacitorImpedance(1.5, hz); });
    // As typed, and as a spreadsheet saves it: a byte order mark first and
    // CR LF line ends.
    for (const std::string &list :
         {std::string(
              "part,kind,value,file\nLQ-33,inductor,3.3,a.s2p\nGQ-15,capacitor,1.5,b.s2p\n"),
          std::string("\xef\xbb\xbfpart,kind,value,file\r\nLQ-33,inductor,3.3,a.s2p\r\n"
                      "GQ-15,capacitor,1.5,b.s2p\r\n")}) {
        std::ofstream(dir / "kit/parts.csv") << list;
        const analysis::KitReading r = ReadPartKit((dir / "kit").string(), 1e9, 2e9);
        ASSERT_TRUE(r.problem.empty()) << r.problem;
        ASSERT_EQ(r.kit.inductors.size(), 1u);
        EXPECT_EQ(r.kit.inductors[0]->partNumber, "LQ-33");
        EXPECT_EQ(r.kit.capacitors[0]->partNumber, "GQ-15");
        EXPECT_DOUBLE_EQ(r.kit.capacitors[0]->nominal, 1.5);
    }
}

// Each bad kit: its message names what is wrong, and it comes at once.
TEST(KitReading, BadKitsAreNamed)
{
    TempDir dir;
    const auto inductor = [](double hz) { return test_kit::InductorImpedance(3.3, hz); };
    const auto capacitor = [](double hz) { return test_kit::CapacitorImpedance(1.5, hz); };
    const auto kit = [&](const std::string &name) {
        std::filesystem::create_directories(dir / name);
        return dir / name;
    };
    struct Case
    {
        std::string name;
        std::filesystem::path folder;
        double lowHz, highHz;
        std::string problem; // expected in the problem, or empty
        std::string warning; // expected in a warning, or empty
    };
    std::vector<Case> cases;

    cases.push_back({"empty", kit("empty"), 1e9, 2e9, "no .s2p files", ""});
    cases.push_back({"missing", dir / "nowhere", 1e9, 2e9, "not a folder", ""});

    const auto fifo = kit("fifo");
    std::ofstream(fifo / "l.s2p") << test_kit::SeriesThroughFile(inductor);
    std::ofstream(fifo / "c.s2p") << test_kit::SeriesThroughFile(capacitor);
    ASSERT_EQ(::mkfifo((fifo / "stuck.s2p").c_str(), 0600), 0);
    cases.push_back({"fifo", fifo, 1e9, 2e9, "", "stuck.s2p: cannot be read"});

    const auto onePort = kit("oneport");
    std::ofstream(onePort / "l.s2p") << test_kit::SeriesThroughFile(inductor);
    std::ofstream(onePort / "c.s2p") << test_kit::SeriesThroughFile(capacitor);
    std::ofstream(onePort / "ant.s2p") << "# GHz S RI R 50\n1 0.1 0.2\n2 0.1 0.3\n";
    cases.push_back({"one-port", onePort, 1e9, 2e9, "", "ant.s2p"});

    const auto short_ = kit("short");
    std::ofstream(short_ / "l.s2p") << test_kit::SeriesThroughFile(inductor);
    std::ofstream(short_ / "c.s2p") << test_kit::SeriesThroughFile(capacitor);
    cases.push_back({"band beyond data", short_, 8e9, 9e9, "do not cover the band 8 to 9 GHz", ""});

    const auto twice = kit("twice");
    std::ofstream(twice / "a.s2p") << test_kit::SeriesThroughFile(inductor);
    std::ofstream(twice / "b.s2p") << test_kit::SeriesThroughFile(capacitor);
    std::ofstream(twice / "parts.csv")
        << "part,kind,value,file\nX1,inductor,3.3,a.s2p\nX1,capacitor,1.5,b.s2p\n";
    cases.push_back({"duplicate", twice, 1e9, 2e9, "part \"X1\" appears twice", ""});

    const auto missing = kit("listmissing");
    std::ofstream(missing / "a.s2p") << test_kit::SeriesThroughFile(inductor);
    std::ofstream(missing / "parts.csv") << "part,kind,value,file\nX1,inductor,3.3,gone.s2p\n";
    cases.push_back({"list names a missing file", missing, 1e9, 2e9,
                     "parts.csv:2: part \"X1\" names \"gone.s2p\"", ""});

    // A list saved with semicolons: named, and quoted by a few characters.
    const auto semicolons = kit("semicolons");
    std::ofstream(semicolons / "a.s2p") << test_kit::SeriesThroughFile(inductor);
    std::ofstream(semicolons / "parts.csv") << "part;kind;value;file\nX1;inductor;3.3;a.s2p\n";
    cases.push_back({"list of semicolons", semicolons, 1e9, 2e9,
                     "parts.csv:1: \"part;kind;va... (20 bytes)\" is not the header", ""});

    const auto noCap = kit("nocap");
    std::ofstream(noCap / "a.s2p") << test_kit::SeriesThroughFile(inductor);
    cases.push_back({"no capacitor", noCap, 1e9, 2e9, "no usable capacitor", ""});

    const auto skew = kit("skew");
    std::string text = test_kit::SeriesThroughFile(inductor);
    std::ofstream(skew / "c.s2p") << test_kit::SeriesThroughFile(capacitor);
    // S22 made a tenth larger than S11: the part was not measured evenly.
    std::string skewed;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line);
        std::vector<std::string> w;
        for (std::string t; in >> t;)
            w.push_back(t);
        if (w.size() == 9)
            w[7] = std::to_string(std::stod(w[7]) + 0.1);
        for (std::size_t i = 0; i < w.size(); ++i)
            skewed += (i ? " " : "") + w[i];
        skewed += "\n";
    }
    std::ofstream(skew / "l.s2p") << skewed;
    cases.push_back({"asymmetric", skew, 1e9, 2e9, "", "S11 and S22 differ"});

    for (const Case &c : cases) {
        const auto start = std::chrono::steady_clock::now();
        const analysis::KitReading r = ReadPartKit(c.folder.string(), c.lowHz, c.highHz);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.name;
        if (c.problem.empty())
            EXPECT_TRUE(r.problem.empty()) << c.name << ": " << r.problem;
        else
            EXPECT_NE(r.problem.find(c.problem), std::string::npos) << c.name << ": " << r.problem;
        if (!c.warning.empty()) {
            const std::string all = ::testing::PrintToString(r.warnings);
            EXPECT_NE(all.find(c.warning), std::string::npos) << c.name << ": " << all;
        }
    }
}

// A part that shows gain is left out by its name, made safe for a terminal,
// however the search would favour it; one whose data only round past the
// passive limit stays.
TEST(KitReading, PartsThatShowGainAreLeftOutByName)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "kit");
    std::ofstream(dir / "kit/l.s2p") << test_kit::SeriesThroughFile(
        [](double hz) { return test_kit::InductorImpedance(3.3, hz); });
    std::ofstream(dir / "kit/c.s2p") << test_kit::SeriesThroughFile(
        [](double hz) { return test_kit::CapacitorImpedance(1.5, hz); });
    // -30 ohms in series with 3.3 nH: |S21| 1.37 at 1 GHz.
    const std::string active = "GAIN\x1b]0;x\x07.s2p";
    std::ofstream(dir / "kit" / active) << test_kit::SeriesThroughFile([](double hz) {
        return std::complex<double>{-30, 2 * std::numbers::pi * hz * 3.3e-9};
    });
    // A lossless 1 nH written to four digits: |S21| rounds to 1 at 100 MHz.
    std::ofstream(dir / "kit/rounded.s2p") << test_kit::SeriesThroughFile(
        [](double hz) {
            return std::complex<double>{0, 2 * std::numbers::pi * hz * 1e-9};
        },
        159, 4);

    const analysis::KitReading r = ReadPartKit((dir / "kit").string(), 1e9, 2e9);
    ASSERT_TRUE(r.problem.empty()) << r.problem;
    EXPECT_EQ(r.kit.inductors.size(), 2u);
    EXPECT_NE(Find(r.kit, "rounded"), nullptr);
    EXPECT_EQ(Find(r.kit, "GAIN\x1b]0;x\x07"), nullptr);
    std::string all;
    for (const std::string &w : r.warnings)
        all += w + "\n";
    EXPECT_NE(all.find("GAIN\\x1b]0;x\\x07.s2p: part \"GAIN\\x1b]0;x\\x07\" shows gain at 0.1 GHz"),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("expected a passive part; left out"), std::string::npos) << all;
    EXPECT_EQ(all.find_first_of("\x1b\x07"), std::string::npos) << all;
}

// A file that starts at 0 Hz, as some models' files do: the value comes from
// the first points above it, whether the part passes nothing there (a
// capacitor's open circuit) or a little.
TEST(KitReading, AFirstPointAtDcLeavesTheValueToThePointsAboveIt)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "kit");
    const auto capacitor = [](double hz) { return test_kit::CapacitorImpedance(1.5, hz); };
    std::ofstream(dir / "kit/l.s2p") << test_kit::WithDcPoint(
        test_kit::SeriesThroughFile([](double hz) { return test_kit::InductorImpedance(3.3, hz); }),
        100 / 100.02, 0);
    std::ofstream(dir / "kit/open.s2p")
        << test_kit::WithDcPoint(test_kit::SeriesThroughFile(capacitor), 0, 0);
    std::ofstream(dir / "kit/tiny.s2p")
        << test_kit::WithDcPoint(test_kit::SeriesThroughFile(capacitor), 1e-9, 89.99);
    const analysis::KitReading r = ReadPartKit((dir / "kit").string(), 1e9, 2e9);
    ASSERT_TRUE(r.problem.empty()) << r.problem;
    for (const auto &[number, value] :
         std::vector<std::pair<std::string, double>>{{"l", 3.3}, {"open", 1.5}, {"tiny", 1.5}}) {
        const KitPartRef *p = Find(r.kit, number);
        ASSERT_NE(p, nullptr) << number << ": " << ::testing::PrintToString(r.warnings);
        EXPECT_DOUBLE_EQ((*p)->nominal, value) << number;
        EXPECT_TRUE(std::isfinite((*p)->fitted.main) && (*p)->fitted.main > 0) << number;
    }
}

// A link in the folder that leads out of it is refused by its name and never
// read; links within the folder, and a folder reached through a link, are
// read. A kit's own file is quoted by a few characters at most.
TEST(KitReading, LinksOutOfTheFolderAreRefusedUnread)
{
    TempDir dir;
    const std::string secret = "SECRET-0123456789-abcdefghijklmnopqrstuvwxyz";
    std::ofstream(dir / "secret.txt") << secret << "\n";
    std::ofstream(dir / "list.csv") << "part,kind,value,file\n";
    std::filesystem::create_directories(dir / "kit");
    std::ofstream(dir / "kit/l.s2p") << test_kit::SeriesThroughFile(
        [](double hz) { return test_kit::InductorImpedance(3.3, hz); });
    std::ofstream(dir / "kit/c.s2p") << test_kit::SeriesThroughFile(
        [](double hz) { return test_kit::CapacitorImpedance(1.5, hz); });
    std::ofstream(dir / "kit/junk.s2p") << secret << "\n";
    std::filesystem::create_symlink("../secret.txt", dir / "kit/leak.s2p");
    std::filesystem::create_symlink(dir / "secret.txt", dir / "kit/leak2.s2p");
    std::filesystem::create_symlink("c.s2p", dir / "kit/alias.s2p");
    std::filesystem::create_directory_symlink("kit", dir / "kitlink");

    const analysis::KitReading r = ReadPartKit((dir / "kitlink").string(), 1e9, 2e9);
    ASSERT_TRUE(r.problem.empty()) << r.problem;
    EXPECT_NE(Find(r.kit, "alias"), nullptr);
    EXPECT_EQ(Find(r.kit, "leak"), nullptr);
    const std::string all = ::testing::PrintToString(r.warnings);
    for (const std::string name : {"leak.s2p", "leak2.s2p"})
        EXPECT_NE(all.find(name + ": a link to a file outside the kit folder, not read; skipped"),
                  std::string::npos)
            << all;
    EXPECT_NE(all.find("junk.s2p"), std::string::npos) << all;
    EXPECT_EQ(all.find(secret.substr(0, 13)), std::string::npos) << all;

    std::filesystem::create_symlink("../list.csv", dir / "kit/parts.csv");
    const analysis::KitReading listed = ReadPartKit((dir / "kit").string(), 1e9, 2e9);
    EXPECT_NE(listed.problem.find("parts.csv: a link to a file outside the kit folder"),
              std::string::npos)
        << listed.problem;
}

// The SPICE equivalent of each part follows its data over the band.
TEST(KitReading, FittedEquivalentsFollowTheDataOverTheBand)
{
    TempDir dir;
    test_kit::WriteSyntheticKit(dir / "kit");
    const analysis::KitReading r = ReadPartKit((dir / "kit").string(), 2.4e9, 2.5e9);
    for (const std::vector<KitPartRef> *list : {&r.kit.inductors, &r.kit.capacitors})
        for (const KitPartRef &p : *list)
            for (const double hz : {2.4e9, 2.45e9, 2.5e9}) {
                const std::complex<double> data = p->ImpedanceAt(hz),
                                           fit = p->fitted.ImpedanceAt(p->inductor, hz);
                EXPECT_LT(std::abs(fit - data) / std::abs(data), 0.02)
                    << p->partNumber << " at " << hz;
            }
}

} // namespace
} // namespace tevmar
