// A termination written as a circuit: its impedance against the parts'
// formulas, the units an engineer writes, and every refusal naming where the
// text went wrong and what was expected there.

#include "analysis/model/circuit_expression.h"
#include "units/unit_text.h"

#include <gtest/gtest.h>
#include <numbers>

namespace tevmar::analysis {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

TEST(CircuitExpression, AChipAntennaModelHasTheImpedanceOfItsParts)
{
    const Circuit antenna = Circuit::Parse("(20 + 2.7nH) || 0.3pF");
    for (const double f : {0.9e9, 2.4e9, 5.8e9}) {
        const std::complex<double> chip(20, kTwoPi * f * 2.7e-9);
        const std::complex<double> pad(0, -1 / (kTwoPi * f * 0.3e-12));
        const std::complex<double> expected = chip * pad / (chip + pad);
        const std::complex<double> z = antenna.ImpedanceAt(f);
        EXPECT_NEAR(z.real(), expected.real(), 1e-9 * std::abs(expected));
        EXPECT_NEAR(z.imag(), expected.imag(), 1e-9 * std::abs(expected));
    }
    EXPECT_EQ(antenna.Text(), "(20 ohm + 2.7 nH) || 0.3 pF");
}

TEST(CircuitExpression, UnitsAndPrefixesAsEngineersWriteThem)
{
    const double f = 1e6, w = kTwoPi * f;
    struct Case
    {
        const char *text;
        std::complex<double> z;
    } cases[] = {
        {"50", {50, 0}},
        {"50ohm", {50, 0}},
        {"1k", {1000, 0}},
        {"1.5 kohm", {1500, 0}},
        {"4.7 \xCE\xA9", {4.7, 0}},
        {"2M", {2e6, 0}},
        {"100m", {0.1, 0}},
        {"10uH", {0, w * 10e-6}},
        {"10 \xC2\xB5H", {0, w * 10e-6}},
        {"1mH", {0, w * 1e-3}},
        {"100nF", {0, -1 / (w * 100e-9)}},
        {"2.2e1pF", {0, -1 / (w * 22e-12)}},
        {".5 H", {0, w * 0.5}},
        {"1 + 2 + 3", {6, 0}},
        {"100 || 100 || 100", {100.0 / 3, 0}},
    };
    for (const Case &c : cases) {
        const std::complex<double> z = Circuit::Parse(c.text).ImpedanceAt(f);
        EXPECT_NEAR(z.real(), c.z.real(), 1e-9 * std::abs(c.z) + 1e-12) << c.text;
        EXPECT_NEAR(z.imag(), c.z.imag(), 1e-9 * std::abs(c.z) + 1e-12) << c.text;
    }
}

TEST(CircuitExpression, IdealPartsAtTheirLimitsStayFiniteAndPassive)
{
    // A tank of ideal parts at resonance is an open circuit, a resistor of
    // zero ohms across anything a short.
    const double f0 = 1 / (kTwoPi * std::sqrt(1e-9 * 1e-12));
    const std::complex<double> tank = Circuit::Parse("1nH || 1pF").ImpedanceAt(f0);
    EXPECT_TRUE(std::isfinite(std::abs(tank)));
    EXPECT_LE(std::abs(tank), kOpenCircuitOhms);
    EXPECT_EQ(Circuit::Parse("0 || 1nH").ImpedanceAt(1e9), std::complex<double>(0, 0));
    const std::complex<double> low = Circuit::Parse("1fF").ImpedanceAt(1);
    EXPECT_TRUE(std::isfinite(low.imag()));
}

TEST(CircuitExpression, RefusalsNameThePositionAndWhatWasExpected)
{
    const std::pair<const char *, const char *> cases[] = {
        {"", "at character 1: found the end; expected a part (a number with its unit: 20, "
             "2.7nH, 0.3pF) or \"(\""},
        {"20 + ", "at character 6: found the end; expected a part"},
        {"(20 + 2.7nH || 0.3pF", "at character 13: found \"|\"; expected \"+\" again or "
                                 "parentheses: \"+\" and \"||\" side by side need parentheses"},
        {"(20 + 2.7nH", "at character 12: found the end; expected \")\" to close the \"(\" at "
                        "character 1"},
        {"20)", "at character 3: found \")\"; expected an operator (\"+\" or \"||\") or the end; "
                "this \")\" closes no \"(\""},
        {"20 | 3", "at character 5: found \" \"; expected a second \"|\""},
        {"2.7nX", "at character 4: found \"n\"; expected a unit: ohm (or none), H or F"},
        {"2.7 nH 3", "at character 8: found \"3\"; expected an operator"},
        {"1e400", "at character 1: found \"1\"; expected a number that a double holds"},
        {"5 H", "at character 1: found \"5\"; expected a value from 1 fH to 1 H"},
        {"20\x01", "at character 3: found byte 0x01; expected an operator"},
        {"-20", "at character 1: found \"-\"; expected a part"},
    };
    for (const auto &[text, message] : cases) {
        try {
            Circuit::Parse(text);
            ADD_FAILURE() << text << " was read";
        } catch (const CircuitError &e) {
            EXPECT_EQ(std::string(e.what()).substr(0, std::string(message).size()), message)
                << text;
        }
    }
}

TEST(CircuitExpression, LengthDepthAndPartsAreBounded)
{
    EXPECT_THROW(Circuit::Parse(std::string(kMaxCircuitText + 1, ' ') + "1"), CircuitError);
    const std::string deep =
        std::string(kMaxCircuitDepth, '(') + "1" + std::string(kMaxCircuitDepth, ')');
    EXPECT_NO_THROW(Circuit::Parse(deep));
    EXPECT_THROW(Circuit::Parse("(" + deep + ")"), CircuitError);
    std::string many = "1";
    for (std::size_t i = 1; i < kMaxCircuitParts; ++i)
        many += "+1";
    EXPECT_NO_THROW(Circuit::Parse(many));
    EXPECT_THROW(Circuit::Parse(many + "+1"), CircuitError);
}

TEST(EngineeringValue, PartsReadInTheirEngineeringUnit)
{
    using units::EngineeringValue;
    using units::PartValue;
    EXPECT_EQ(EngineeringValue(10e-6, "H"), "10 uH");
    EXPECT_EQ(EngineeringValue(100e-9, "F"), "100 nF");
    EXPECT_EQ(EngineeringValue(2.7e-9, "H"), "2.7 nH");
    EXPECT_EQ(EngineeringValue(0.3e-12, "F"), "300 fF");
    EXPECT_EQ(EngineeringValue(999.96e-9, "H"), "1 uH"); // rounds into the next prefix
    EXPECT_EQ(EngineeringValue(1500, "ohm"), "1.5 kohm");
    EXPECT_EQ(EngineeringValue(0, "F"), "0 F");
    // The tables' parts never go below nH and pF.
    EXPECT_EQ(PartValue(0.5, true), "0.5 nH");
    EXPECT_EQ(PartValue(1e4, true), "10 uH");
    EXPECT_EQ(PartValue(1e5, false), "100 nF");
    EXPECT_EQ(PartValue(0.0614, false), "0.0614 pF");
}

} // namespace
} // namespace tevmar::analysis
