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
            const AbsorptionPrompt p = AbsorptionRule(false, type, typed);
            EXPECT_EQ(p.absorbText, " 0.0") << typed;
            EXPECT_FALSE(p.unitPrompt.has_value()) << typed;
            EXPECT_EQ(p.absorbedValue, 0) << typed;
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
        const AbsorptionPrompt p = AbsorptionRule(true, row.type, "12.5");
        EXPECT_EQ(p.unitPrompt, row.prompt) << NamesOf(row.type).word;
        EXPECT_FALSE(p.absorbText.has_value()) << NamesOf(row.type).word;
        EXPECT_EQ(p.absorbedValue, 12.5) << NamesOf(row.type).word;
    }
}

// The value is the number at the start of the box; anything else reads as 0.
TEST(AbsorptionRule, ReadsTheValueLeniently)
{
    const struct
    {
        const char *typed;
        double value;
    } rows[] = {
        {"3.3nH", 3.3}, {" 0.0", 0}, {"abc", 0}, {"", 0}, {"-2", -2}, {"1e3", 1000}, {"2,5", 2},
    };
    for (const auto &row : rows)
        EXPECT_EQ(AbsorptionRule(true, LoadType::SeriesRL, row.typed).absorbedValue, row.value)
            << row.typed;
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
