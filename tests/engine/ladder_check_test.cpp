// A physical check of the synthesised network: cascade the element table as
// the ladder it describes and compare its passband reflection with the
// figures the design reports. Catches topology and sign faults that matching
// numbers alone would miss.

#include "design_fixture.h"

#include <complex>
#include <gtest/gtest.h>

namespace tevmar {
namespace {

using Complex = std::complex<double>;

struct Abcd
{
    Complex a{1}, b{0}, c{0}, d{1};
    Abcd operator*(const Abcd &o) const
    {
        return {a * o.a + b * o.c, a * o.b + b * o.d, c * o.a + d * o.c, c * o.b + d * o.d};
    }
};

// The reactive rows of the table between the two terminations, at one frequency.
Abcd Network(const DesignResult &r, double frequencyHz)
{
    const double w = 2 * 3.14159265358979 * frequencyHz;
    Abcd total;
    for (std::size_t i = 1; i + 1 < r.table.size(); ++i) {
        const ElementRow &row = r.table[i];
        const double henry = row.fullValue * 1e-9;
        const double farad = row.fullValue * 1e-12;
        switch (row.kind) {
        case ElementKind::SeriesInductor:
            total = total * Abcd{1, Complex(0, w * henry), 0, 1};
            break;
        case ElementKind::SeriesCapacitor:
            total = total * Abcd{1, Complex(0, -1 / (w * farad)), 0, 1};
            break;
        case ElementKind::ShuntInductor:
            total = total * Abcd{1, 0, Complex(0, -1 / (w * henry)), 1};
            break;
        case ElementKind::ShuntCapacitor:
            total = total * Abcd{1, 0, Complex(0, w * farad), 1};
            break;
        case ElementKind::Termination:
            ADD_FAILURE() << "termination inside the ladder";
            break;
        case ElementKind::SeriesLine:
        case ElementKind::ShuntOpenStub:
        case ElementKind::ShuntShortStub:
            ADD_FAILURE() << "the synthesis draws no lines";
        }
    }
    return total;
}

// |Gamma| at the high-impedance port with the low port terminated by its resistance.
double Reflection(const DesignResult &r, double frequencyHz)
{
    const double rHigh = r.table.front().fullValue;
    const double rLow = r.table.back().fullValue;
    const Abcd m = Network(r, frequencyHz);
    const Complex zIn = (m.a * rLow + m.b) / (m.c * rLow + m.d);
    return std::abs((zIn - rHigh) / (zIn + rHigh));
}

struct LadderCase
{
    const char *name;
    int order;
    LoadType load;
    const char *absorb;
};

class LadderCheck : public testing::TestWithParam<LadderCase>
{
};

TEST_P(LadderCheck, PassbandReflectionMatchesReportedFigures)
{
    const DesignResult r =
        RunDesign(WorkedInputs(GetParam().order, GetParam().load, GetParam().absorb));
    ASSERT_TRUE(r.solved);
    double largest = 0;
    double smallest = 1;
    constexpr int kPoints = 4001;
    for (int i = 0; i < kPoints; ++i) {
        const double fMHz = r.band.F1 + (r.band.F2 - r.band.F1) * i / (kPoints - 1);
        const double gamma = Reflection(r, fMHz * 1e6);
        largest = std::max(largest, gamma);
        smallest = std::min(smallest, gamma);
    }
    EXPECT_NEAR(largest, r.GammaMax, 0.01 * r.GammaMax);
    EXPECT_LE(smallest, r.GammaMin + 0.01 * r.GammaMax);
    // Outside the band the match must fall away.
    EXPECT_GT(Reflection(r, r.band.F1 * 1e6 / 3), 3 * r.GammaMax);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedDesigns, LadderCheck,
    testing::Values(LadderCase{"Order4ShuntRl", 4, LoadType::ShuntRL, nullptr},
                    LadderCase{"Order4ShuntRc", 4, LoadType::ShuntRC, nullptr},
                    LadderCase{"Order4SeriesRl", 4, LoadType::SeriesRL, nullptr},
                    LadderCase{"Order8SeriesRl", 8, LoadType::SeriesRL, "0.5"},
                    LadderCase{"Order8ShuntRc", 8, LoadType::ShuntRC, "1"},
                    LadderCase{"Order8SeriesRc", 8, LoadType::SeriesRC, "20"},
                    LadderCase{"Order12ShuntRl", 12, LoadType::ShuntRL, "12"}),
    [](const testing::TestParamInfo<LadderCase> &info) { return info.param.name; });

} // namespace
} // namespace tevmar
