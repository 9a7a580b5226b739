#include "engine/absorption.h"
#include "engine/memory_window.h"

#include <gtest/gtest.h>

namespace tevmar {
namespace {

TEST(AbsorptionRule, CheckingRightAfterStartPromptsForInductance)
{
    MemoryWindow window;
    window.SetCheckBox(1);
    LC_abs_Click(window);
    EXPECT_EQ(window.ReadText(TextBox::LC_label), "L(nH)=");
    EXPECT_EQ(window.LC_value(), 0);
}

TEST(AbsorptionRule, LoadTypeChangesPromptAndKeepsValue)
{
    MemoryWindow window;
    window.SetCheckBox(1);
    window.Type(TextBox::LC_text, "12.5");
    window.Select(Option::PRC);
    LC_abs_Click(window);
    EXPECT_EQ(window.ReadText(TextBox::LC_label), "C(pF)=");
    EXPECT_EQ(window.LC_value(), 12.5);
    window.Select(Option::PRL);
    LC_abs_Click(window);
    EXPECT_EQ(window.ReadText(TextBox::LC_label), "L(nH)=");
    EXPECT_EQ(window.LC_value(), 12.5);
}

TEST(AbsorptionRule, UncheckedResetsValueAndTextButKeepsPrompt)
{
    MemoryWindow window;
    window.SetCheckBox(1);
    window.Select(Option::SRC);
    window.Type(TextBox::LC_text, "5");
    LC_abs_Click(window);
    EXPECT_EQ(window.ReadText(TextBox::LC_label), "C(pF)=");
    window.SetCheckBox(0);
    LC_abs_Click(window);
    EXPECT_EQ(window.ReadText(TextBox::LC_text), " 0.0");
    EXPECT_EQ(window.LC_value(), 0);
    EXPECT_EQ(window.ReadText(TextBox::LC_label), "C(pF)=");
    // Checking again reads the reset text: the typed value is gone.
    window.SetCheckBox(1);
    LC_abs_Click(window);
    EXPECT_EQ(window.LC_value(), 0);
}

TEST(AbsorptionRule, ReadsLeniently)
{
    MemoryWindow window;
    window.SetCheckBox(1);
    window.Type(TextBox::LC_text, "3.3nH");
    LC_abs_Click(window);
    EXPECT_EQ(window.LC_value(), 3.3);
    window.Type(TextBox::LC_text, "abc");
    LC_abs_Click(window);
    EXPECT_EQ(window.LC_value(), 0);
    window.Type(TextBox::LC_text, "-2");
    LC_abs_Click(window);
    EXPECT_EQ(window.LC_value(), -2);
}

TEST(MemoryWindow, OneOptionOfEachGroupIsSelected)
{
    MemoryWindow window;
    window.Select(Option::N12);
    window.Select(Option::PRL);
    for (Option option : {Option::SRL, Option::SRC, Option::PRC, Option::N4, Option::N8})
        EXPECT_FALSE(window.IsSelected(option));
    EXPECT_TRUE(window.IsSelected(Option::N12));
    EXPECT_TRUE(window.IsSelected(Option::PRL));
}

} // namespace
} // namespace tevmar
