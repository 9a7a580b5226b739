// Text with a unit, read and written: every unit an option takes reads to
// the value an engineer means, the refusals say what is wrong, and the text
// written for a value is exactly what the reports print.

#include "units/unit_text.h"

#include <gtest/gtest.h>
#include <limits>

namespace tevmar::units {
namespace {

TEST(ReadFrequency, EveryUnitInAnyCaseWithOrWithoutASpace)
{
    struct Case
    {
        const char *text;
        double hz;
    };
    for (const Case &c : {Case{"2.4GHz", 2.4e9}, Case{"900 MHz", 900e6}, Case{"10kHz", 10e3},
                          Case{"50 Hz", 50}, Case{"2.4ghz", 2.4e9}, Case{"  +1e3 mhz ", 1e9}}) {
        const UnitRead<Frequency> read = ReadFrequency(c.text);
        ASSERT_TRUE(read.value) << c.text << ": " << read.problem;
        EXPECT_DOUBLE_EQ(read.value->hz(), c.hz) << c.text;
    }
}

TEST(ReadLength, EveryUnitReadsToMetres)
{
    struct Case
    {
        const char *text;
        double metres;
    };
    for (const Case &c :
         {Case{"1.6mm", 1.6e-3}, Case{"35um", 35e-6}, Case{"35 \xC2\xB5m", 35e-6},
          Case{"62 mil", 62 * 25.4e-6}, Case{"0.2cm", 2e-3}, Case{"0.01 M", 0.01}}) {
        const UnitRead<Length> read = ReadLength(c.text);
        ASSERT_TRUE(read.value) << c.text << ": " << read.problem;
        EXPECT_DOUBLE_EQ(read.value->metres(), c.metres) << c.text;
    }
}

TEST(ReadLength, RefusalsSayWhatIsMissingOrWrong)
{
    EXPECT_EQ(ReadLength("1.6").problem,
              "\"1.6\" has no unit; write the length with its unit, such as 1.6mm");
    EXPECT_EQ(ReadLength("thick").problem, "\"thick\" is not a length such as 1.6mm");
    EXPECT_EQ(ReadLength("").problem, "\"\" is not a length such as 1.6mm");
    EXPECT_EQ(
        ReadLength("1.6 furlong").problem,
        "\"1.6 furlong\": \"furlong\" is not a unit of length (mm, um, \xC2\xB5m, mil, cm, m)");
    EXPECT_EQ(ReadFrequency("2.4 GHz z").problem,
              "\"2.4 GHz z\": \"GHz z\" is not a unit of frequency (GHz, MHz, kHz, Hz)");
    // A control byte never reaches a message.
    EXPECT_EQ(ReadFrequency("1\x1b[2J").problem,
              "\"1?[2J\": \"?[2J\" is not a unit of frequency (GHz, MHz, kHz, Hz)");
    EXPECT_FALSE(ReadFrequency("infGHz").value);
    EXPECT_FALSE(ReadFrequency("1e999GHz").value);
}

TEST(ReadSuffixed, TheNumberAgainstItsUnitAndEachRefusal)
{
    const SuffixRead ghz = ReadSuffixed("1.5GHz", {&kGigahertz, &kMegahertz});
    ASSERT_EQ(ghz.outcome, SuffixRead::Outcome::Read);
    EXPECT_EQ(ghz.written, 1.5);
    EXPECT_EQ(ghz.Si(), 1.5e9);
    const SuffixRead mhz = ReadSuffixed("900mhz", {&kGigahertz, &kMegahertz});
    ASSERT_EQ(mhz.outcome, SuffixRead::Outcome::Read);
    EXPECT_EQ(mhz.unit, &kMegahertz);
    EXPECT_EQ(mhz.Si(), 900e6);
    EXPECT_EQ(ReadSuffixed("0.157pF", {&kPicofarad}).written, 0.157);
    EXPECT_EQ(ReadSuffixed("0.45nH", {&kNanohenry}).Si(), 0.45 * kSiPerNanohenry);

    // A space, a second number or a sign other than minus is not a number.
    for (const char *text : {"1.5 GHz", "1.5.2GHz", "+1.5GHz", "GHzGHz"})
        EXPECT_EQ(ReadSuffixed(text, {&kGigahertz}).outcome, SuffixRead::Outcome::NotANumber)
            << text;
    const SuffixRead bare = ReadSuffixed("1.5", {&kGigahertz});
    EXPECT_EQ(bare.outcome, SuffixRead::Outcome::MissingUnit);
    EXPECT_EQ(bare.written, 1.5);
    // The unit alone is no number with a unit; neither is a wrong unit.
    for (const char *text : {"GHz", "1.5THz", "", "1.5e999GHz"})
        EXPECT_NE(ReadSuffixed(text, {&kGigahertz}).outcome, SuffixRead::Outcome::Read) << text;
}

TEST(PrefixScale, EveryPrefixOfAPartAndNothingElse)
{
    struct Case
    {
        const char *prefix;
        double scale;
    };
    for (const Case &c :
         {Case{"f", 1e-15}, Case{"p", 1e-12}, Case{"n", 1e-9}, Case{"u", 1e-6},
          Case{"\xC2\xB5", 1e-6}, Case{"\xCE\xBC", 1e-6}, Case{"m", 1e-3}, Case{"", 1},
          Case{"k", 1e3}, Case{"K", 1e3}, Case{"M", 1e6}, Case{"G", 1e9}})
        EXPECT_EQ(PrefixScale(c.prefix), c.scale) << c.prefix;
    for (const char *junk : {"N", "P", "T", "mm", "x", "meg"})
        EXPECT_FALSE(PrefixScale(junk)) << junk;
}

TEST(EngineeringValue, ThePrefixChangesExactlyAtItsBoundary)
{
    EXPECT_EQ(EngineeringValue(999.9e-9, "H"), "999.9 nH");
    EXPECT_EQ(EngineeringValue(1e-6, "H"), "1 uH");
    EXPECT_EQ(EngineeringValue(999.94e-12, "F", 4), "999.9 pF");
    EXPECT_EQ(EngineeringValue(999.96e-12, "F", 4), "1 nF");
    EXPECT_EQ(EngineeringValue(-4.7e3, "ohm"), "-4.7 kohm");
    EXPECT_EQ(EngineeringValue(2e12, "ohm"), "2000 Gohm"); // no prefix above G
    EXPECT_EQ(EngineeringValue(1e-18, "F"), "0.001 fF");   // nor below f
    EXPECT_EQ(EngineeringValue(0.05e-9, "H", 4, -9), "0.05 nH");
    EXPECT_EQ(EngineeringValue(std::numeric_limits<double>::quiet_NaN(), "H"), "-");
    EXPECT_EQ(EngineeringValue(std::numeric_limits<double>::infinity(), "F"), "-");
    EXPECT_EQ(PartValue(999.99, true), "1 uH");
    EXPECT_EQ(PartValue(1000, false), "1 nF");
}

TEST(GhzText, TheFigureAndTheUnitAsTheReportsWriteThem)
{
    EXPECT_EQ(GhzText(Frequency::FromGHz(2.45)), "2.45 GHz");
    EXPECT_EQ(GhzText(Frequency::FromHz(2'412'345'678)), "2.41235 GHz");
    EXPECT_EQ(GhzText(Frequency::FromHz(2'412'345'678), 4), "2.412 GHz");
    EXPECT_EQ(GhzFigure(Frequency::FromMHz(900)), "0.9");
    EXPECT_EQ(GhzFigure(Frequency::FromHz(1)), "1e-09");
    EXPECT_EQ(MillimetreText(Length::FromMetres(1.524e-3), 4), "1.524 mm");
    EXPECT_EQ(MillimetreText(Length::FromMils(62), 5), "1.5748 mm");
}

} // namespace
} // namespace tevmar::units
