#include "engine/lenient_number.h"

#include <clocale>
#include <cmath>
#include <gtest/gtest.h>

namespace tevmar {
namespace {

struct ReadCase
{
    const char *name;
    const char *text;
    double value;
};

class ReadNumberTest : public testing::TestWithParam<ReadCase>
{
};

TEST_P(ReadNumberTest, Reads)
{
    EXPECT_EQ(ReadNumber(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    LenientReader, ReadNumberTest,
    testing::Values(ReadCase{"Empty", "", 0}, ReadCase{"Letters", "abc", 0},
                    ReadCase{"PointOnly", ".", 0}, ReadCase{"SignOnly", "-", 0},
                    ReadCase{"Inf", "inf", 0}, ReadCase{"Nan", "nan", 0},
                    ReadCase{"Hex", "0x10", 0}, ReadCase{"Integer", "50", 50},
                    ReadCase{"LeadingBlanks", "   2.5", 2.5}, ReadCase{"Tab", "\t7", 7},
                    ReadCase{"TrailingBlanks", "2.5  ", 2.5}, ReadCase{"UnitSuffix", "3.3nH", 3.3},
                    ReadCase{"Exponent", "1e3", 1000}, ReadCase{"ExponentUpper", "2.5E-2", 0.025},
                    ReadCase{"ExponentPlus", "1e+2", 100}, ReadCase{"BareExponentIgnored", "2e", 2},
                    ReadCase{"SignedBareExponentIgnored", "2e-", 2}, ReadCase{"PlusSign", "+4", 4},
                    ReadCase{"MinusSign", "-4.5", -4.5}, ReadCase{"LeadingPoint", ".5", 0.5},
                    ReadCase{"TrailingPoint", "5.", 5}, ReadCase{"CommaIsNotAPoint", "2,5", 2},
                    ReadCase{"InitialZeroText", " 0.0", 0},
                    ReadCase{"BlankBetweenSignAndDigits", "- 4", 0},
                    ReadCase{"Underflow", "1e-400", 0}),
    [](const testing::TestParamInfo<ReadCase> &info) { return info.param.name; });

TEST(ReadNumber, TooLargeForDoubleIsInfinite)
{
    EXPECT_EQ(ReadNumber("1e400"), HUGE_VAL);
    EXPECT_EQ(ReadNumber("-1e999999999999"), -HUGE_VAL);
    EXPECT_EQ(ReadNumber(std::string(400, '9')), HUGE_VAL);
}

TEST(ReadNumber, IgnoresTheLocale)
{
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "locale de_DE.UTF-8 is not installed";
    EXPECT_EQ(ReadNumber("2.5"), 2.5);
    EXPECT_EQ(ReadNumber("2,5"), 2);
    std::setlocale(LC_ALL, "C");
}

} // namespace
} // namespace tevmar
