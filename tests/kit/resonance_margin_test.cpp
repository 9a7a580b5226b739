// tevmar-cli --srf-margin: no part of a candidate, from a kit or a chip
// model, resonates within the margin above the band's top; each resonance is
// found here again from the parts' own circuits, apart from the tool's data.

#include "tests/kit/kit_fixture.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace tevmar {
namespace {

using nlohmann::json;
using test_files::TempDir;

constexpr double kBandTopHz = 2.5e9;

// Where the reactance of the synthetic kit's part first changes sign above
// the band, by bisection on its own circuit: the inductor's winding against
// its 0.157 pF, the capacitor against its 0.45 nH.
double PartResonanceHz(bool inductor, double value)
{
    const auto x = [&](double hz) {
        return inductor ? test_kit::InductorImpedance(value, hz).imag()
                        : test_kit::CapacitorImpedance(value, hz).imag();
    };
    const bool below = x(kBandTopHz) > 0;
    double low = kBandTopHz, high = 100e9;
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (low + high);
        ((x(mid) > 0) == below ? low : high) = mid;
    }
    return 0.5 * (low + high);
}

// 1 / (2 pi sqrt(value parasitic)) for a chip model's part, SI units.
double ModelResonanceHz(double value, double parasitic)
{
    return 1 / (2 * std::numbers::pi * std::sqrt(value * parasitic));
}

class SrfMargin : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        test_kit::WriteSyntheticKit(dir_ / "kit");
        test_kit::WriteAntenna(dir_ / "antenna.s1p");
    }
    test_kit::Cli Run(std::vector<std::string> more) const
    {
        std::vector<std::string> args = test_kit::AntennaArgs(dir_, dir_ / "kit");
        args.insert(args.end(), more.begin(), more.end());
        return test_kit::RunCli(args, dir_);
    }
    // Every kit part of every candidate, with the margin asked: none
    // resonates below the limit, and the JSON's resonance is the part's.
    static void ExpectClear(const json &document, double marginPercent)
    {
        const double limit = kBandTopHz * (1 + marginPercent / 100);
        EXPECT_EQ(document["kit"]["srfMarginPercent"].get<double>(), marginPercent);
        std::size_t parts = 0;
        for (const json &c : document["candidates"])
            for (const json &e : c["elements"]) {
                ASSERT_TRUE(e.contains("part")) << e.dump();
                const bool inductor = e["unit"] == "nH";
                const double hz = PartResonanceHz(inductor, e["value"].get<double>());
                EXPECT_GE(hz, limit) << e.dump();
                ASSERT_TRUE(e.contains("selfResonanceHz")) << e.dump();
                EXPECT_NEAR(e["selfResonanceHz"].get<double>(), hz, 0.005 * hz) << e.dump();
                EXPECT_EQ(e["nearResonance"].get<bool>(), hz < 1.1 * limit) << e.dump();
                ++parts;
            }
        EXPECT_GT(parts, 20u);
        // The kit offered holds no part within the margin either.
        for (const json &p : document["kit"]["parts"])
            EXPECT_GE(PartResonanceHz(p["kind"] == "inductor", p["value"].get<double>()), limit)
                << p.dump();
    }
    TempDir dir_;
};

TEST_F(SrfMargin, KitCandidatesKeepEveryPartClearOfResonance)
{
    const test_kit::Cli run = Run({"--json"});
    ASSERT_EQ(run.code, 6) << run.err;
    ExpectClear(json::parse(run.out), 25);
    // The parts that keep their kind over the band but resonate too close
    // above it are named with their resonance, each once.
    EXPECT_NE(run.err.find("resonate less than 25 % above the band's top (below 3.125 GHz); "
                           "not used"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("ZL0402-24N (2.59"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("ZC0402-6R2 ("), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("ZL0402-16N ("), std::string::npos) << run.err;

    // A wider margin narrows the kit again, and still holds.
    const test_kit::Cli wide = Run({"--json", "--srf-margin", "60"});
    ASSERT_EQ(wide.code, 6) << wide.err;
    ExpectClear(json::parse(wide.out), 60);
}

TEST_F(SrfMargin, NoMarginKeepsTheKitAsBeforeAndMarksThePartNearResonance)
{
    const test_kit::Cli run = Run({"--srf-margin", "0"});
    ASSERT_EQ(run.code, 6) << run.err;
    // Only parts resonating within the band are left out, as before.
    EXPECT_NE(run.err.find("resonate within 2.4 to 2.5 GHz"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("resonate less than"), std::string::npos) << run.err;
    const auto lines = test_files::LinesOf(run.out, "\n");
    const auto head = std::ranges::find_if(
        lines, [](const std::string &l) { return l.starts_with("Candidates on kit parts"); });
    ASSERT_NE(head, lines.end());
    ASSERT_GT(lines.end() - head, 5);
    // The kit's bandpass ladder without a margin, its figures unchanged, its
    // 24 nH inductor (2.593 GHz, 3.6 % above the band) now marked. (Two
    // capacitors rank above it: its row is the second.)
    EXPECT_EQ(*(head + 4), "  2   bandpass                               3     0.0395   0.04656   "
                           "0.03647      0.0427           0.0522");
    EXPECT_EQ(*(head + 5), "       L1 24 nH ZL0402-24N (resonates at 2.593 GHz, near the limit), "
                           "C2 1.1 pF ZC0402-1R1, C3 0.3 pF ZC0402-0R3");

    // With the default margin that inductor is gone and no part is within it.
    const test_kit::Cli clear = Run({});
    ASSERT_EQ(clear.code, 6) << clear.err;
    EXPECT_EQ(clear.out.find("ZL0402-24N"), std::string::npos) << clear.out;
}

TEST_F(SrfMargin, ChipModelsTuneEveryValueBelowTheMarginsLimit)
{
    const std::vector<std::string> antenna{"--f1",      "2.4",
                                           "--f2",      "2.5",
                                           "--zhigh",   "50",
                                           "--zlow",    "20",
                                           "--load",    "series-rl",
                                           "--absorb",  "2.7",
                                           "--json",    "--candidates",
                                           "--l-model", "55@1.5GHz,0.157pF",
                                           "--c-model", "0.45nH,0.12@1GHz"};
    for (const double margin : {25.0, 0.0}) {
        std::vector<std::string> args = antenna;
        if (margin != 25) {
            args.push_back("--srf-margin");
            args.push_back("0");
        }
        const test_kit::Cli run = test_kit::RunCli(args, dir_);
        ASSERT_EQ(run.code, 6) << run.err;
        const json document = json::parse(run.out);
        EXPECT_EQ(document["srfMarginPercent"].get<double>(), margin);
        const double limit = kBandTopHz * (1 + margin / 100);
        bool near = false;
        for (const json &c : document["candidates"])
            for (const json &e : c["elements"]) {
                const bool inductor = e["unit"] == "nH";
                const double value = e["value"].get<double>();
                const double hz = inductor ? ModelResonanceHz(value * 1e-9, 0.157e-12)
                                           : ModelResonanceHz(value * 1e-12, 0.45e-9);
                EXPECT_GE(hz, limit * (1 - 1e-6)) << e.dump();
                EXPECT_NEAR(e["selfResonanceHz"].get<double>(), hz, 1e-6 * hz);
                near = near || e["nearResonance"].get<bool>();
            }
        // The antenna's best networks want a large shunt inductor: some
        // candidate stands close to the limit, and says so.
        EXPECT_TRUE(near) << margin;
    }
}

// The antenna's parts as 0402 chip models: the inductor's winding 0.157 pF,
// the capacitor's 0.45 nH.
const std::vector<std::string> kChipAntenna{"--f1",      "2.4",
                                            "--f2",      "2.5",
                                            "--zhigh",   "50",
                                            "--zlow",    "20",
                                            "--load",    "series-rl",
                                            "--absorb",  "2.7",
                                            "--l-model", "55@1.5GHz,0.157pF",
                                            "--c-model", "0.45nH,0.12@1GHz"};

double ChipResonanceHz(const json &element, double value)
{
    return element["unit"] == "nH" ? ModelResonanceHz(value * 1e-9, 0.157e-12)
                                   : ModelResonanceHz(value * 1e-12, 0.45e-9);
}

TEST_F(SrfMargin, BelowFivePercentChipModelsKeepTheirEarlierLimit)
{
    // A margin under 5 % leaves the chip models where they stood before the
    // margin: the largest inductor is the one resonating 5 % above the band
    // (23.41 nH), as the pole at the band's top itself is no part.
    std::string text;
    for (const char *margin : {"0", "3", "5"}) {
        std::vector<std::string> args = kChipAntenna;
        args.insert(args.end(), {"--candidates", "--srf-margin", margin});
        const test_kit::Cli run = test_kit::RunCli(args, dir_);
        ASSERT_EQ(run.code, 6) << run.err;
        if (text.empty())
            text = run.out;
        EXPECT_EQ(run.out, text) << "--srf-margin " << margin;
    }
    EXPECT_NE(text.find("L1 23.41 nH (resonates at 2.625 GHz, near the limit)"), std::string::npos)
        << text;

    std::vector<std::string> args = kChipAntenna;
    args.insert(args.end(), {"--candidates", "--json", "--srf-margin", "0"});
    const test_kit::Cli run = test_kit::RunCli(args, dir_);
    ASSERT_EQ(run.code, 6) << run.err;
    const double limit = 1.05 * kBandTopHz;
    double largestNh = 0;
    const json document = json::parse(run.out);
    for (const json &c : document["candidates"])
        for (const json &e : c["elements"]) {
            const double value = e["value"].get<double>();
            const double hz = ChipResonanceHz(e, value);
            EXPECT_GE(hz, limit * (1 - 1e-9)) << e.dump();
            // Marked against the limit the part was held to.
            EXPECT_EQ(e["nearResonance"].get<bool>(), hz < 1.1 * limit) << e.dump();
            if (e["unit"] == "nH")
                largestNh = std::max(largestNh, value);
        }
    const double omega = 2 * std::numbers::pi * limit;
    EXPECT_NEAR(largestNh, 1e9 / (omega * omega * 0.157e-12), 1e-6);
}

TEST_F(SrfMargin, TunedNetworksKeepTheirPartsClearAndMarkThoseNearTheLimit)
{
    // Chip models, tuned and on E24 values: every part resonates at least
    // 25 % above the band, and the parts within 10 % of that are marked in
    // the JSON and named on a line of their own, as the candidates mark them.
    std::vector<std::string> args = kChipAntenna;
    args.insert(args.end(), {"--tune", "--eseries", "E24"});
    const test_kit::Cli text = test_kit::RunCli(args, dir_);
    args.push_back("--json");
    const test_kit::Cli run = test_kit::RunCli(args, dir_);
    ASSERT_EQ(run.code, 6) << run.err;
    const json tuned = json::parse(run.out)["tuned"];
    const double limit = 1.25 * kBandTopHz;
    // Each network's marked parts, as its line names them.
    std::vector<std::vector<std::string>> expected;
    const auto check = [&](const json &elements, const char *key) {
        std::vector<std::string> names;
        for (const json &e : elements) {
            const double value = e[key].get<double>();
            const double hz = ChipResonanceHz(e, value);
            EXPECT_GE(hz, limit * (1 - 1e-9)) << e.dump();
            EXPECT_NEAR(e["selfResonanceHz"].get<double>(), hz, 1e-6 * hz) << e.dump();
            EXPECT_EQ(e["nearResonance"].get<bool>(), hz < 1.1 * limit) << e.dump();
            if (e["nearResonance"].get<bool>())
                names.push_back(e["part"].get<std::string>() + " ");
        }
        if (!names.empty())
            expected.push_back(names);
    };
    check(tuned["elements"], "tuned");
    check(tuned["standardValues"]["elements"], "standard");
    // The antenna wants a large shunt inductor: the tuned network holds one
    // near the limit.
    ASSERT_FALSE(expected.empty());
    std::vector<std::string> marked;
    for (const std::string &line : test_files::LinesOf(text.out, "\n"))
        if (line.starts_with("  Near resonance: "))
            marked.push_back(line);
    ASSERT_EQ(marked.size(), expected.size()) << text.out;
    for (std::size_t i = 0; i < marked.size(); ++i) {
        EXPECT_TRUE(marked[i].starts_with("  Near resonance: " + expected[i].front())) << marked[i];
        for (const std::string &name : expected[i])
            EXPECT_NE(marked[i].find(name), std::string::npos) << marked[i];
        EXPECT_TRUE(marked[i].ends_with(" GHz, near the limit)")) << marked[i];
    }

    // Kit parts, tuned: none within the margin, the ones near it marked.
    const test_kit::Cli kit = Run({"--tune", "--json"});
    ASSERT_EQ(kit.code, 6) << kit.err;
    const json &kitDocument = json::parse(kit.out);
    std::size_t parts = 0;
    for (const json *elements : {&kitDocument["tuned"]["kit"]["elements"],
                                 &kitDocument["tuned"]["kit"]["snapped"]["elements"]})
        for (const json &e : *elements) {
            const double hz = PartResonanceHz(e["unit"] == "nH", e["value"].get<double>());
            EXPECT_GE(hz, limit) << e.dump();
            EXPECT_EQ(e["nearResonance"].get<bool>(), hz < 1.1 * limit) << e.dump();
            ++parts;
        }
    EXPECT_EQ(parts, 6u);
}

TEST_F(SrfMargin, BadMarginsAndAMarginWithoutRealPartsExitTwo)
{
    const struct
    {
        std::vector<std::string> args;
        const char *message;
    } cases[] = {
        {{"--srf-margin", "-1"}, "--srf-margin: \"-1\" is not a percentage from 0 to 1000"},
        {{"--srf-margin", "x"}, "--srf-margin: \"x\" is not a percentage from 0 to 1000"},
        {{"--srf-margin", "1001"}, "--srf-margin: \"1001\" is not a percentage from 0 to 1000"},
        {{"--srf-margin", "nan"}, "--srf-margin: \"nan\" is not a percentage from 0 to 1000"},
    };
    for (const auto &c : cases) {
        const test_kit::Cli run = Run(c.args);
        EXPECT_EQ(run.code, 2) << c.args[1];
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    // Ideal parts have no resonance to keep clear of.
    const test_kit::Cli ideal = test_kit::RunCli(
        {"--f1", "1", "--f2", "2", "--zhigh", "50", "--zlow", "10", "--srf-margin", "10"}, dir_);
    EXPECT_EQ(ideal.code, 2);
    EXPECT_NE(ideal.err.find("--srf-margin applies to --l-model, --c-model and --parts"),
              std::string::npos)
        << ideal.err;
    // The widest margin reads, and leaves no 0402 inductor of the kit (the
    // smallest resonates near 12.7 GHz): the kit cannot serve the band.
    const test_kit::Cli widest = Run({"--srf-margin", "1000"});
    EXPECT_EQ(widest.code, 2);
    EXPECT_EQ(widest.err.find("is not a percentage"), std::string::npos) << widest.err;
    EXPECT_NE(widest.err.find("no usable inductor"), std::string::npos) << widest.err;
}

} // namespace
} // namespace tevmar
