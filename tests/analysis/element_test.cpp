// Element kinds and their places: a part's two-port section against the
// cascade that appends its immittance, the part a wanted immittance makes,
// and what the kinds say about direct current and the ranges, checked
// against the impedances they give.

#include "analysis/readers/part_kit.h"
#include "analysis/model/two_port.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace tevmar::analysis {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

const ChipInductor kInductor{55, units::Frequency::FromGHz(1.5),
                             units::Capacitance::FromPicofarads(0.157)};
const ChipCapacitor kCapacitor{units::Inductance::FromNanohenries(0.45),
                               units::Resistance::FromOhms(0.12), units::Frequency::FromGHz(1)};

Abcd Times(const Abcd &x, const Abcd &y)
{
    return {x.A * y.A + x.B * y.C, x.A * y.B + x.B * y.D, x.C * y.A + x.D * y.C,
            x.C * y.B + x.D * y.D};
}

void ExpectNear(Complex got, Complex want, const char *what)
{
    EXPECT_LE(std::abs(got - want), 1e-12 * std::max(1.0, std::abs(want))) << what;
}

// Every kind in every place under every model of its kind, with pads.
Network MixedNetwork()
{
    Network n;
    n.port1Ohms = 50;
    n.port2Ohms = 8;
    n.padPf = 0.05;
    const FiniteQ q{60, QModel::Constant, units::Frequency::FromGHz(2)};
    n.parts = {Part::Placed(Inductor{}, Placement::Shunt, 4.7, "LP=", kInductor),
               Part::Placed(Capacitor{}, Placement::Series, 1.8, "CS=", q),
               Part::Placed(Inductor{}, Placement::Series, 2.2, "LS="),
               Part::Placed(Capacitor{}, Placement::Shunt, 3.3, "CP=", kCapacitor),
               Part::Placed(Inductor{}, Placement::Series, 0.9, "LS=", q),
               Part::Placed(Capacitor{}, Placement::Shunt, 2.7, "CP=")};
    return n;
}

// The product of the sections' own matrices is the cascade that appends
// their immittances, at frequencies below, in and above the band and past
// the chip parts' resonances.
TEST(Element, SectionsMultiplyToTheCascade)
{
    const Network n = MixedNetwork();
    for (const double hz : {1e8, 9e8, 2.4e9, 7e9, 2.5e10}) {
        Abcd product;
        ForEachSection(n, false, [&](const Part &part) {
            product = Times(product, part.SectionAt(kTwoPi * hz));
        });
        const Abcd cascade = PartsAbcd(n, hz);
        ExpectNear(product.A, cascade.A, "A");
        ExpectNear(product.B, cascade.B, "B");
        ExpectNear(product.C, cascade.C, "C");
        ExpectNear(product.D, cascade.D, "D");
    }
}

// A series section is [1 Z; 0 1] and a shunt section [1 0; Y 1], Z and Y the
// part's own impedance and its reciprocal to ground.
TEST(Element, SectionPlacesTheImpedance)
{
    const double omega = kTwoPi * 2e9;
    for (const Placement at : {Placement::Series, Placement::Shunt})
        for (const Element e : {Element{Inductor{}}, Element{Capacitor{}}}) {
            const Part part = Part::Placed(e, at, 3.9);
            const Abcd m = part.SectionAt(omega);
            const Complex own{0, part.ReactanceAt(omega)};
            const Complex placed = at == Placement::Series ? own : 1.0 / own;
            ExpectNear(at == Placement::Series ? m.B : m.C, placed, part.Description().c_str());
            EXPECT_EQ(at == Placement::Series ? m.C : m.B, Complex{}) << part.Description();
            EXPECT_EQ(m.A, Complex{1}) << part.Description();
            EXPECT_EQ(m.D, Complex{1}) << part.Description();
        }
}

// The part made for a wanted immittance gives it back, of the kind that can:
// a positive series reactance is an inductor, a positive shunt susceptance a
// capacitor.
TEST(Element, PartForAnImmittanceGivesItBack)
{
    const double omega = kTwoPi * 1.7e9;
    struct Want
    {
        bool series;
        double immittance;
        const char *description;
    };
    for (const Want w :
         {Want{true, 37.0, "series inductor"}, Want{true, -12.5, "series capacitor"},
          Want{false, 0.021, "shunt capacitor"}, Want{false, -0.004, "shunt inductor"}}) {
        const Part part = Part::WithImmittance(w.series, w.immittance, omega);
        EXPECT_EQ(part.Description(), w.description);
        EXPECT_NEAR(part.ImmittanceAt(omega).imag(), w.immittance, 1e-12 * std::abs(w.immittance));
        EXPECT_EQ(part.ImmittanceAt(omega).real(), 0.0);
    }
}

// What a kind says of direct current is what its impedance does near 0 Hz:
// a series capacitor's grows without bound, a shunt inductor's admittance
// does; and whether the immittance grows with the value is what a larger
// part gives.
TEST(Element, KindFactsMatchTheImpedances)
{
    const double nearDc = kTwoPi * 1.0;
    const double omega = kTwoPi * 1e9;
    for (const Placement at : {Placement::Series, Placement::Shunt})
        for (const Element e : {Element{Inductor{}}, Element{Capacitor{}}}) {
            const Part part = Part::Placed(e, at, 10);
            const double dc = std::abs(part.ImmittanceAt(nearDc));
            EXPECT_EQ(part.blocksDc(), at == Placement::Series && dc > 1e6) << part.Description();
            EXPECT_EQ(part.groundsDc(), at == Placement::Shunt && dc > 1e6) << part.Description();
            const bool grows = std::abs(part.WithValue(20).ImmittanceAt(omega)) >
                               std::abs(part.ImmittanceAt(omega));
            EXPECT_EQ(part.immittanceGrowsWithValue(), grows) << part.Description();
        }
}

// A part's range, kit parts and unit are those of its kind, wherever it stands.
TEST(Element, RangesKitsAndUnitsFollowTheKind)
{
    const PartRanges ranges{0.2, 300, 0.3, 4000};
    Kit kit;
    KitPart inductor;
    inductor.partNumber = "L-1";
    kit.inductors.push_back(std::make_shared<KitPart>(inductor));
    for (const Placement at : {Placement::Series, Placement::Shunt}) {
        const Part l = Part::Placed(Inductor{}, at, 1);
        const Part c = Part::Placed(Capacitor{}, at, 1);
        EXPECT_EQ(l.RangeIn(ranges), (std::pair{0.2, 300.0}));
        EXPECT_EQ(c.RangeIn(ranges), (std::pair{0.3, 4000.0}));
        EXPECT_EQ(kit.Of(l.element()).size(), 1u);
        EXPECT_TRUE(kit.Of(c.element()).empty());
        EXPECT_STREQ(l.unit(), "nH");
        EXPECT_STREQ(c.unit(), "pF");
        EXPECT_DOUBLE_EQ(l.si(), 1e-9);
        EXPECT_DOUBLE_EQ(c.si(), 1e-12);
    }
}

} // namespace
} // namespace tevmar::analysis
