// A kit folder as the Response window's parts: read as tevmar-cli's --parts
// reads it, the tune put on the kit's parts with their numbers shown, and a
// kit part stepped to the kit's neighbouring value rather than a percentage.

#include "session/run/kit_parts.h"
#include "session/run/part_kit_folder.h"
#include "session/run/tuning.h"
#include "session/types.h"
#include "session/views/candidates.h"
#include "session/views/part_choice.h"
#include "session/views/part_steps.h"
#include "tests/common/synthetic_kit.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <unistd.h>

namespace tevmar::session {
namespace {

namespace fs = std::filesystem;

// A folder of this test process's own: ctest runs each test as a process of
// its own, side by side, and they must not write over each other's kits.
fs::path ProcessFolder()
{
    return fs::path(testing::TempDir()) / ("tevmar-kit-tests-" + std::to_string(::getpid()));
}

CalculateOutcome Design()
{
    return Calculate({"1", "2", "50", "10", 8, LoadType::ShuntRC, true, "1"});
}

// One synthetic kit for the whole suite: writing a hundred files per test
// would only slow it.
const fs::path &KitFolder()
{
    static const fs::path folder = [] {
        const fs::path f = ProcessFolder() / "tevmar-window-kit";
        fs::remove_all(f);
        test_kit::WriteSyntheticKit(f);
        return f;
    }();
    return folder;
}

TEST(KitChoice, AFolderIsReadForTheBandAndABadOneKeepsThePartsBefore)
{
    const analysis::Band band{1e9, 2e9};
    ResponseSettings before;
    before.inductorQ = 40;
    before.padPf = 0.05;

    const fs::path empty = ProcessFolder() / "tevmar-empty-kit";
    fs::create_directories(empty);
    const PartChoice bad{PartSource::Kit, "", "", "", empty.string()};
    const PartChoiceReading refused = ApplyPartChoice(bad, before, &band);
    EXPECT_EQ(refused.problem.rfind("--parts: ", 0), 0u) << refused.problem;
    EXPECT_EQ(refused.settings, before) << "a bad kit keeps the parts before";
    EXPECT_NE(ApplyPartChoice({PartSource::Kit}, before).problem, "") << "no folder chosen";

    const PartChoice kit{PartSource::Kit, "", "", "", KitFolder().string()};
    const PartChoiceReading read = ApplyPartChoice(kit, before, &band);
    ASSERT_EQ(read.problem, "");
    EXPECT_EQ(read.settings.partsFolder, KitFolder().string());
    EXPECT_FALSE(read.settings.inductorQ) << "measured parts carry their own loss";
    EXPECT_EQ(read.settings.padPf, 0);
    EXPECT_EQ(PartChoiceSummary(read.settings), "kit tevmar-window-kit");
    // Back to ideal parts leaves no kit behind.
    EXPECT_EQ(ApplyPartChoice({}, read.settings).settings.partsFolder, "");
}

TEST(KitChoice, TheTuneIsPutOnKitPartsNamedByTheirNumbers)
{
    const CalculateOutcome design = Design();
    ResponseSettings settings;
    settings.partsFolder = KitFolder().string();
    settings.eseries = analysis::ESeries::E24; // a kit takes the place of the series
    settings.trials = 50;
    const TunedResponse t = TuneForWindow(design, settings);
    ASSERT_TRUE(t.tuned) << t.problem;
    ASSERT_TRUE(t.kit);
    EXPECT_FALSE(t.tuned->standard) << "no series values beside the kit's";
    for (const analysis::Part &part : t.kit->network.parts)
        EXPECT_NE(analysis::KitPartOf(part), nullptr);

    const std::vector<TunedValueRow> rows = TunedValueRows(*t.tuned, &*t.kit);
    ASSERT_EQ(rows.size(), t.kit->network.parts.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const analysis::KitPart *part = analysis::KitPartOf(t.kit->network.parts[i]);
        EXPECT_EQ(rows[i].standard.rfind(part->partNumber + " (", 0), 0u) << rows[i].standard;
    }
    EXPECT_NE(TunedValuesText(t).find("\tTuned, kit parts\n"), std::string::npos);

    Response response = ComputeResponse(design, settings);
    AddTuned(response, *t.tuned, nullptr, &*t.kit);
    ASSERT_EQ(response.tuned.size(), 2u);
    EXPECT_EQ(response.tuned.back().name, "Tuned, kit parts");
    EXPECT_DOUBLE_EQ(response.tuned.back().gammaMax, t.kit->figures.gammaMax);
    EXPECT_EQ(response.curves.back().points.size(), response.frequenciesHz.size());
}

// The Candidates tab on a kit: every candidate built from the kit's parts,
// no series column beside them, and each part in the table named by its
// number as the bill of materials names it.
TEST(KitChoice, TheCandidatesAreBuiltFromTheKitAndTheirTableNamesThePartNumbers)
{
    const CalculateOutcome design = Design();
    ResponseSettings settings;
    settings.partsFolder = KitFolder().string();
    settings.eseries = analysis::ESeries::E24; // a kit takes the place of the series
    const std::optional<analysis::CandidateSet> set = FindCandidates(design, settings);
    ASSERT_TRUE(set);
    ASSERT_FALSE(set->candidates.empty());
    for (const std::string &head : CandidateHeads(*set))
        EXPECT_EQ(head.find("E24"), std::string::npos) << head;

    const std::vector<std::vector<CandidateCell>> rows = CandidateRows(*set);
    ASSERT_EQ(rows.size(), set->candidates.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::string &values = rows[k].back().text;
        for (const analysis::Part &part :
             analysis::SourceToLoad(set->candidates[k].tuned.network)) {
            const analysis::KitPart *kitPart = analysis::KitPartOf(part);
            ASSERT_NE(kitPart, nullptr) << part.label;
            EXPECT_NE(values.find(part.label + " " + kitPart->partNumber + " ("), std::string::npos)
                << values;
        }
    }

    // A kit that cannot serve the band offers no candidate at all rather than
    // networks of parts no one can buy.
    const fs::path empty = ProcessFolder() / "tevmar-candidates-empty-kit";
    fs::create_directories(empty);
    settings.partsFolder = empty.string();
    const std::optional<analysis::CandidateSet> none = FindCandidates(design, settings);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->candidates.empty());
}

// The window reads the kit under the margin its settings carry, as the
// command line's --srf-margin does: by default no part resonates within 25 %
// above the band's top (the 0402 inductors' 0.157 pF puts 24 nH at 2.59 GHz);
// with no margin the parts that keep their kind over the band come back.
TEST(KitChoice, TheWindowsKitKeepsItsPartsClearOfResonance)
{
    const analysis::Band band{2.4e9, 2.5e9};
    ResponseSettings settings;
    settings.partsFolder = KitFolder().string();
    const auto has = [](const analysis::Kit &kit, const std::string &number) {
        return std::ranges::any_of(
            kit.inductors, [&](const analysis::KitPartRef &p) { return p->partNumber == number; });
    };
    const std::shared_ptr<const analysis::Kit> clear = KitForSteps(settings, band);
    ASSERT_NE(clear, nullptr);
    EXPECT_FALSE(has(*clear, "ZL0402-24N"));
    EXPECT_TRUE(has(*clear, "ZL0402-15N"));
    for (const analysis::KitPartRef &p : clear->inductors)
        EXPECT_GE(1 / (2 * std::numbers::pi * std::sqrt(p->nominal * 1e-9 * 0.157e-12)),
                  1.25 * 2.5e9 * 0.995)
            << p->partNumber;
    settings.srfMarginPercent = 0;
    const std::shared_ptr<const analysis::Kit> all = KitForSteps(settings, band);
    ASSERT_NE(all, nullptr);
    EXPECT_TRUE(has(*all, "ZL0402-24N"));
    // A margin the window cannot use is named, not read.
    settings.srfMarginPercent = -1;
    EXPECT_NE(SettingsProblem(settings, band), "");
}

TEST(KitChoice, AKitPartStepsToTheNeighbouringKitValueOfItsKind)
{
    const analysis::Band band{1e9, 2e9};
    const analysis::KitReading reading = ReadPartKit(KitFolder().string(), band.lowHz, band.highHz);
    ASSERT_EQ(reading.problem, "");
    const auto kit = std::make_shared<const analysis::Kit>(reading.kit);
    const CalculateOutcome design = Design();
    ASSERT_TRUE(design.network);
    const analysis::Network network =
        analysis::ChooseKitParts(design.network->full, band, *kit).network;

    PartSteps steps;
    steps.Reset(network, kit);
    const analysis::KitPart *drawn = analysis::KitPartOf(network.parts[0]);
    ASSERT_NE(drawn, nullptr);
    const std::vector<analysis::KitPartRef> &kind = kit->Of(drawn->inductor);
    std::size_t at = 0;
    while (kind[at]->partNumber != drawn->partNumber)
        ++at;

    // Whatever percentage is asked, the part goes to the next value the kit has.
    ASSERT_TRUE(steps.Step(0, +1, 1));
    const analysis::KitPart *up = analysis::KitPartOf(steps.Apply(network).parts[0]);
    ASSERT_NE(up, nullptr);
    ASSERT_LT(at + 1, kind.size());
    EXPECT_EQ(up->partNumber, kind[at + 1]->partNumber);
    EXPECT_GT(up->nominal, drawn->nominal);
    EXPECT_EQ(steps.factor(0), 1) << "no percentage on a kit part";
    EXPECT_EQ(SteppedPartsText(network, steps),
              analysis::PartName(network, 0) + " " + kind[at + 1]->partNumber);
    const std::vector<SteppedValueRow> rows = SteppedValueRows(network, steps);
    EXPECT_NE(rows[0].stepped.find("(" + kind[at + 1]->partNumber + ")"), std::string::npos)
        << rows[0].stepped;

    // Down twice: back past the drawn part to the one below it.
    ASSERT_TRUE(steps.Step(0, -1, 5));
    EXPECT_FALSE(steps.any()) << "back on the drawn part";
    ASSERT_TRUE(steps.Step(0, -1, 5) || at == 0);
    // The kit ends: no step beyond its smallest value of the kind.
    while (steps.Step(0, -1, 5)) {
    }
    EXPECT_EQ(analysis::KitPartOf(steps.Apply(network).parts[0])->partNumber,
              kind.front()->partNumber);
    steps.Clear();
    EXPECT_EQ(analysis::KitPartOf(steps.Apply(network).parts[0])->partNumber, drawn->partNumber);

    // The response follows: its as-built curve is of the stepped kit part.
    ASSERT_TRUE(steps.Step(0, +1, 5));
    EXPECT_NE(analysis::KitPartOf(steps.Apply(network).parts[0]), nullptr);
}

} // namespace
} // namespace tevmar::session
