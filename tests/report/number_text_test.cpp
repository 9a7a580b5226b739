#include "report/number_text.h"

#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <stdexcept>

namespace tevmar {
namespace {

struct MaskCase
{
    const char *name;
    double value;
    Mask mask;
    const char *text;
};

class MaskTest : public testing::TestWithParam<MaskCase>
{
};

TEST_P(MaskTest, Formats)
{
    EXPECT_EQ(FormatMask(GetParam().value, GetParam().mask), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MaskTest,
    testing::Values(MaskCase{"WholeKeepsPoint", 10, Mask::Q, "10."},
                    MaskCase{"BelowOneWithZero", 0.5, Mask::Q, "0.5"},
                    MaskCase{"BelowOneWithoutZero", 0.5, Mask::Ratio, ".5"},
                    MaskCase{"RatioWhole", 5, Mask::Ratio, "5."},
                    MaskCase{"VswrKeepsAllIntegerDigits", 1234.5, Mask::Vswr, "1234.5"},
                    MaskCase{"Negative", -1.2, Mask::Q, "-1.2"},
                    MaskCase{"NegativeBelowOneNoZero", -0.25, Mask::Ratio, "-.25"},
                    MaskCase{"RoundsToZeroNoSign", -0.00001, Mask::Q, "0."},
                    MaskCase{"NegativeZero", -0.0, Mask::Q, "0."},
                    MaskCase{"NegativeZeroVswr", -0.0, Mask::Vswr, "."},
                    MaskCase{"Zero", 0, Mask::Element, "0."},
                    MaskCase{"CarryIntoIntegers", 9.99996, Mask::Q, "10."},
                    MaskCase{"CarryAcrossPoint", 99.9999999, Mask::Element, "100."},
                    MaskCase{"TrailingZerosDropped", 1.2000, Mask::Element, "1.2"},
                    MaskCase{"ElementRounding", 12.3456, Mask::Element, "12.346"},
                    MaskCase{"WorkedQt", 1.41421356, Mask::Q, "1.4142"},
                    MaskCase{"WorkedLoss", 0.079957, Mask::Q, "0.08"},
                    MaskCase{"WorkedVswr", 1.3123, Mask::Vswr, "1.31"},
                    MaskCase{"Large", 123456789012.5, Mask::Vswr, "123456789012.5"},
                    MaskCase{"BeyondFifteenDigits", 1e20, Mask::Q, "100000000000000000000."},
                    MaskCase{"Tiny", 1e-300, Mask::Q, "0."}),
    [](const testing::TestParamInfo<MaskCase> &info) { return info.param.name; });

TEST(NumberText, RefusesNonFiniteValues)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_THROW(FormatMask(inf, Mask::Q), std::domain_error);
    EXPECT_THROW(FormatMask(std::nan(""), Mask::Vswr), std::domain_error);
    EXPECT_THROW(BareNumber(-inf), std::domain_error);
}

struct BareCase
{
    const char *name;
    double value;
    const char *item;
};

class NumberItemTest : public testing::TestWithParam<BareCase>
{
};

TEST_P(NumberItemTest, Writes)
{
    EXPECT_EQ(NumberItemText(GetParam().value), GetParam().item);
}

INSTANTIATE_TEST_SUITE_P(
    BareNumbers, NumberItemTest,
    testing::Values(BareCase{"Whole", 50, " 50 "}, BareCase{"Fraction", 12.346, " 12.346 "},
                    BareCase{"Negative", -1.2, "-1.2 "}, BareCase{"Zero", 0, " 0 "},
                    BareCase{"NegativeZero", -0.0, " 0 "},
                    BareCase{"BelowOneKeepsZero", 0.5, " 0.5 "},
                    BareCase{"Thousands", 1234.567, " 1234.567 "},
                    BareCase{"NoExponent", 1e21, " 1000000000000000000000 "},
                    BareCase{"SmallNoExponent", 0.001, " 0.001 "}),
    [](const testing::TestParamInfo<BareCase> &info) { return info.param.name; });

// Element values are printed rounded to 0.001; whatever route the writer
// takes, the text is the shortest that reads back to the same double.
TEST(NumberText, PrintedElementValuesReadBackExactly)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> exponentOf(-4, 10);
    for (int i = 0; i < 20000; ++i) {
        const double thousandths = std::round(std::pow(10.0, exponentOf(random)) * 1000);
        const double value = (i % 2 ? -thousandths : thousandths) / 1000;
        char buffer[400];
        const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                       std::chars_format::fixed)
                             .ptr;
        const std::string expected = (value < 0 ? "-" : " ") + std::string(buffer, end) + " ";
        ASSERT_EQ(NumberItemText(value), expected) << std::hexfloat << value;
    }
}

} // namespace
} // namespace tevmar
