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
    bool plain; // the text is the number and nothing else
};

class ReadNumberTest : public testing::TestWithParam<ReadCase>
{
};

TEST_P(ReadNumberTest, Reads)
{
    EXPECT_EQ(ReadNumber(GetParam().text), GetParam().value);
    const NumberReading reading = ExamineNumber(GetParam().text);
    EXPECT_EQ(reading.value, GetParam().value);
    EXPECT_EQ(reading.plain, GetParam().plain);
}

INSTANTIATE_TEST_SUITE_P(
    LenientReader, ReadNumberTest,
    testing::Values(
        ReadCase{"Empty", "", 0, false}, ReadCase{"Letters", "abc", 0, false},
        ReadCase{"PointOnly", ".", 0, false}, ReadCase{"SignOnly", "-", 0, false},
        ReadCase{"Inf", "inf", 0, false}, ReadCase{"Nan", "nan", 0, false},
        ReadCase{"Hex", "0x10", 0, false}, ReadCase{"Integer", "50", 50, true},
        ReadCase{"LeadingBlanks", "   2.5", 2.5, true}, ReadCase{"Tab", "\t7", 7, true},
        ReadCase{"TrailingBlanks", "2.5  ", 2.5, true}, ReadCase{"UnitSuffix", "3.3nH", 3.3, false},
        ReadCase{"Exponent", "1e3", 1000, true}, ReadCase{"ExponentUpper", "2.5E-2", 0.025, true},
        ReadCase{"ExponentPlus", "1e+2", 100, true},
        ReadCase{"BareExponentIgnored", "2e", 2, false},
        ReadCase{"SignedBareExponentIgnored", "2e-", 2, false}, ReadCase{"PlusSign", "+4", 4, true},
        ReadCase{"MinusSign", "-4.5", -4.5, true}, ReadCase{"LeadingPoint", ".5", 0.5, true},
        ReadCase{"TrailingPoint", "5.", 5, true}, ReadCase{"CommaIsNotAPoint", "2,5", 2, false},
        ReadCase{"InitialZeroText", " 0.0", 0, true},
        ReadCase{"BlankBetweenSignAndDigits", "- 4", 0, false},
        ReadCase{"Underflow", "1e-400", 0, false}),
    [](const testing::TestParamInfo<ReadCase> &info) { return info.param.name; });

TEST(ReadNumber, TooLargeForDoubleIsInfinite)
{
    EXPECT_EQ(ReadNumber("1e400"), HUGE_VAL);
    EXPECT_EQ(ReadNumber("-1e999999999999"), -HUGE_VAL);
    EXPECT_EQ(ReadNumber(std::string(400, '9')), HUGE_VAL);
    EXPECT_FALSE(ExamineNumber("1e400").plain);
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
