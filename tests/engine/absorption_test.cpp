#include "engine/absorption.h"

#include <gtest/gtest.h>

namespace tevmar {
namespace {

constexpr LoadType kLoadTypes[] = {LoadType::SeriesRL, LoadType::SeriesRC, LoadType::ShuntRL,
                                   LoadType::ShuntRC};

// Unticked, the box shows " 0.0" whatever was typed, nothing is absorbed, and
// the prompt keeps the unit it showed last.
TEST(AbsorptionRule, UntickedResetsTheValueAndKeepsThePrompt)
{
    for (LoadType type : kLoadTypes) {
        for (const char *typed : {" 0.0", "12.5", "abc", ""}) {
            const AbsorptionPrompt p = AbsorptionRule(false, type);
            EXPECT_EQ(p.absorbText, " 0.0") << typed;
            EXPECT_FALSE(p.unitPrompt.has_value()) << typed;
            DesignInputs inputs;
            inputs.loadType = type;
            inputs.absorbText = typed;
            EXPECT_EQ(ReadInputValues(inputs).absorbedValue, 0) << typed;
        }
    }
}

// Ticked, the prompt names the unit of the load's reactance and the value box
// keeps what the engineer typed.
TEST(AbsorptionRule, TickedPromptsForTheUnitOfTheLoadType)
{
    const struct
    {
        LoadType type;
        const char *prompt;
    } rows[] = {
        {LoadType::SeriesRL, "L(nH)="},
        {LoadType::ShuntRL, "L(nH)="},
        {LoadType::SeriesRC, "C(pF)="},
        {LoadType::ShuntRC, "C(pF)="},
    };
    for (const auto &row : rows) {
        const AbsorptionPrompt p = AbsorptionRule(true, row.type);
        EXPECT_EQ(p.unitPrompt, row.prompt) << NamesOf(row.type).word;
        EXPECT_FALSE(p.absorbText.has_value()) << NamesOf(row.type).word;
    }
}

// Every box is read by the one lenient rule: the number at its start, with a
// unit or anything else after it ignored; a box with no number reads 0.
TEST(InputValues, EveryBoxIsReadLeniently)
{
    const struct
    {
        const char *typed;
        double value;
    } rows[] = {
        {"3.3nH", 3.3}, {" 0.0", 0}, {"abc", 0},       {"", 0},        {"-2", -2},
        {"1e3", 1000},  {"2,5", 2},  {"2.2 GHz", 2.2}, {"50 ohm", 50}, {" 1.8", 1.8},
    };
    for (const auto &row : rows) {
        const DesignInputs inputs{row.typed, row.typed,         row.typed, row.typed,
                                  8,         LoadType::ShuntRC, true,      row.typed};
        const InputValues read = ReadInputValues(inputs);
        EXPECT_EQ(read.f1Ghz, row.value) << row.typed;
        EXPECT_EQ(read.f2Ghz, row.value) << row.typed;
        EXPECT_EQ(read.zhighOhms, row.value) << row.typed;
        EXPECT_EQ(read.zlowOhms, row.value) << row.typed;
        EXPECT_EQ(read.absorbedValue, row.value) << row.typed;
    }
}

// The band edges stay the numbers typed in GHz, the design run's starting
// point; the analysis takes them in hertz.
TEST(InputValues, BandEdgesAreKeptInGigahertzAndGivenInHertz)
{
    DesignInputs inputs;
    inputs.f1Text = "1.8";
    inputs.f2Text = "2.2 GHz";
    const InputValues read = ReadInputValues(inputs);
    EXPECT_EQ(read.f1Ghz, 1.8);
    EXPECT_EQ(read.f2Ghz, 2.2);
    EXPECT_EQ(read.f1().hz(), 1.8 * 1e9);
    EXPECT_EQ(read.f2().hz(), 2.2 * 1e9);
}

TEST(LoadTypeNames, CommandLineWordsNameEachLoadTypeOnce)
{
    for (LoadType type : kLoadTypes)
        EXPECT_EQ(LoadTypeFromWord(NamesOf(type).word), type) << NamesOf(type).word;
    EXPECT_STREQ(NamesOf(LoadType::ShuntRC).code, "PRC");
    EXPECT_STREQ(NamesOf(LoadType::SeriesRL).phrase, "series RL");
    for (const char *word : {"", "SRL", "series", "series-rl "})
        EXPECT_FALSE(LoadTypeFromWord(word).has_value()) << word;
}

} // namespace
} // namespace tevmar
