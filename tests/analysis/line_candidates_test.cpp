// The textbook starts of the line families: both single-stub solutions, the
// binomial and Chebyshev stepped transformers, each against the textbook's
// closed forms and worked examples written out here.

#include "analysis/search/line_candidates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace tevmar::analysis {
namespace {

using Complex = std::complex<double>;
constexpr double kPi = std::numbers::pi;

// A length in wavelengths folded into [0, 0.5).
double Folded(double wavelengths)
{
    return wavelengths - std::floor(wavelengths / 0.5) * 0.5;
}

// The single shunt stub as the textbook solves it: t = tan(beta d), the
// susceptance B at the stub, and the stub's length (open: -atan(B / Y0),
// shorted: atan(Y0 / B), over 2 pi), all in wavelengths.
struct TextbookStub
{
    double d, open, shorted;
};

std::array<TextbookStub, 2> TextbookSingleStub(double z0, Complex zl)
{
    const double r = zl.real(), x = zl.imag();
    std::array<TextbookStub, 2> out{};
    for (int k = 0; k < 2; ++k) {
        const double sign = k == 0 ? 1 : -1;
        const double t = (x + sign * std::sqrt(r * ((z0 - r) * (z0 - r) + x * x) / z0)) / (r - z0);
        const double b = (r * r * t - (z0 - x * t) * (x + z0 * t)) /
                         (z0 * (r * r + (x + z0 * t) * (x + z0 * t)));
        out[static_cast<std::size_t>(k)] = {Folded(std::atan(t) / (2 * kPi)),
                                            Folded(-std::atan(b * z0) / (2 * kPi)),
                                            Folded(std::atan(1 / (b * z0)) / (2 * kPi))};
    }
    return out;
}

// |Gamma| at the centre of a stub (open or shorted), `stubDeg` long, across
// a line of z0, `lineDeg` long, into zl, all on z0.
double StubMatchReflection(double z0, Complex zl, double lineDeg, double stubDeg, bool open)
{
    const double theta = lineDeg * kPi / 180, phi = stubDeg * kPi / 180;
    const Complex j{0, 1};
    const Complex zin = z0 * (zl + j * z0 * std::tan(theta)) / (z0 + j * zl * std::tan(theta));
    const Complex stub = open ? j * std::tan(phi) / z0 : -j / (std::tan(phi) * z0);
    const Complex y = 1.0 / zin + stub;
    return std::abs((1.0 / y - z0) / (1.0 / y + z0));
}

TEST(LineCandidates, BothSingleStubSolutionsAreTheTextbooks)
{
    // ZL = 60 - j80 on 50 ohm line (the textbook's worked example at 2 GHz):
    // the stub at 0.110 or 0.260 wavelength from the load, shorted 0.095 or
    // 0.405 long, open a quarter wave longer or shorter (0.345 or 0.155).
    const Complex zl{60, -80};
    const std::array<TextbookStub, 2> textbook = TextbookSingleStub(50, zl);
    const std::array<TextbookStub, 2> printed{{{0.110, 0.345, 0.095}, {0.260, 0.155, 0.405}}};
    for (const bool open : {true, false}) {
        const auto found = SingleStubMatches(50, zl, open ? LineEnd::Open : LineEnd::Short);
        ASSERT_EQ(found.size(), 2u);
        for (std::size_t k = 0; k < 2; ++k) {
            const double stub = open ? textbook[k].open : textbook[k].shorted;
            const double printedStub = open ? printed[k].open : printed[k].shorted;
            EXPECT_NEAR(found[k].first / 360, textbook[k].d, 0.005) << k;
            EXPECT_NEAR(found[k].second / 360, stub, 0.005) << k;
            EXPECT_NEAR(found[k].first / 360, printed[k].d, 0.005) << k;
            EXPECT_NEAR(found[k].second / 360, printedStub, 0.005) << k;
        }
    }
    // Any load with resistance: both solutions match at the centre, each
    // within half a wavelength; a load of R = Z0 too (one solution a quarter
    // wave on, the other at tan(beta d) = -X / 2 Z0).
    for (const Complex load : {Complex{60, -80}, Complex{12, 30}, Complex{200, 150},
                               Complex{50, 40}, Complex{50, -10}, Complex{20, 0}}) {
        for (const bool open : {true, false}) {
            const auto found = SingleStubMatches(50, load, open ? LineEnd::Open : LineEnd::Short);
            ASSERT_EQ(found.size(), 2u) << load;
            for (const auto &[line, stub] : found) {
                EXPECT_GT(line, 0) << load;
                EXPECT_LE(line, 180) << load;
                EXPECT_GT(stub, 0) << load;
                EXPECT_LE(stub, 180) << load;
                EXPECT_LT(StubMatchReflection(50, load, line, stub, open), 1e-9) << load;
            }
            EXPECT_GT(std::abs(found[0].first - found[1].first), 1) << load;
        }
    }
}

TEST(LineCandidates, SteppedTransformersFollowTheTextbooksExamples)
{
    // Three binomial sections from a 100 ohm line into 50 ohms: 91.7, 70.7
    // and 54.5 ohms.
    const std::vector<double> binomial = BinomialSections(100, 50, 3);
    ASSERT_EQ(binomial.size(), 3u);
    const std::array<double, 3> printedBinomial{91.7, 70.7, 54.5};
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(binomial[k], printedBinomial[k], 0.1) << k;

    // Three Chebyshev sections from 50 into 100 ohms for a ripple of 0.05:
    // sec(theta_m) = cosh(acosh(ln(ZL / Z0) / (2 Gamma_m)) / 3), the band
    // 2 - 4 theta_m / pi wide; 57.37, 70.71 and 87.15 ohms as the exact
    // synthesis tabulates them, which the small-reflection steps come within
    // 0.2 % of.
    const double sec = std::cosh(std::acosh(std::log(2.0) / (2 * 0.05)) / 3);
    const double width = 2 - 4 * std::acos(1 / sec) / kPi;
    const std::vector<double> chebyshev = ChebyshevSections(50, 100, 3, width);
    ASSERT_EQ(chebyshev.size(), 3u);
    const std::array<double, 3> printedChebyshev{57.37, 70.71, 87.15};
    for (std::size_t k = 0; k < 3; ++k)
        EXPECT_NEAR(chebyshev[k] / printedChebyshev[k], 1, 0.003) << k;

    // Either way up, any order: the steps are symmetric (Z_n Z_{N+1-n} =
    // Z0 ZL), rise monotonically, and a narrower band leaves the Chebyshev
    // sections nearer the binomial's.
    for (const int n : {2, 3, 4})
        for (const auto &[from, to] : {std::pair{50.0, 12.5}, std::pair{50.0, 150.0}}) {
            for (const std::vector<double> &z :
                 {BinomialSections(from, to, n), ChebyshevSections(from, to, n, 0.6)}) {
                ASSERT_EQ(z.size(), static_cast<std::size_t>(n));
                for (int k = 0; k < n; ++k) {
                    EXPECT_NEAR(z[static_cast<std::size_t>(k)] *
                                    z[static_cast<std::size_t>(n - 1 - k)],
                                from * to, 1e-9 * from * to);
                    const double before = k == 0 ? from : z[static_cast<std::size_t>(k - 1)];
                    EXPECT_GT((z[static_cast<std::size_t>(k)] - before) * (to - from), 0);
                }
            }
            const std::vector<double> flat = BinomialSections(from, to, n);
            const double wide = std::abs(ChebyshevSections(from, to, n, 1.2)[0] - flat[0]);
            const double narrow = std::abs(ChebyshevSections(from, to, n, 0.2)[0] - flat[0]);
            EXPECT_LT(narrow, wide);
        }
}

TEST(LineCandidates, EveryFamilyHasStartsWithinTheRanges)
{
    PartRanges ranges;
    ranges.lines = true;
    for (const Complex load : {Complex{60, -80}, Complex{25, 0}, Complex{300, 40}}) {
        const std::vector<LineFamily> families = LineFamilies(50, load, 1.8e9, 2.2e9, ranges);
        std::vector<Topology> topologies;
        for (const LineFamily &f : families) {
            topologies.push_back(f.topology);
            EXPECT_FALSE(f.starts.empty());
            for (const std::vector<Part> &start : f.starts)
                for (const Part &p : start)
                    if (p.isLine()) {
                        EXPECT_GE(p.line.z0Ohms, 20) << load;
                        EXPECT_LE(p.line.z0Ohms, 120) << load;
                        EXPECT_GT(p.value, 0) << load;
                        EXPECT_LE(p.value, 180) << load;
                        EXPECT_DOUBLE_EQ(p.line.referenceHz, 2e9);
                    }
        }
        for (const Topology t : {Topology::Stub, Topology::DoubleStub, Topology::QuarterWave,
                                 Topology::Stepped, Topology::Mixed})
            EXPECT_NE(std::find(topologies.begin(), topologies.end(), t), topologies.end())
                << TopologyName(t) << " for " << load;
    }
    // A load with no resistance has nothing to start from.
    EXPECT_TRUE(LineFamilies(50, Complex{0, 30}, 1.8e9, 2.2e9, ranges).empty());
    // A held Z0 holds every line.
    ranges.fixedLineZ0Ohms = 75;
    for (const LineFamily &f : LineFamilies(50, Complex{60, -80}, 1.8e9, 2.2e9, ranges))
        for (const std::vector<Part> &start : f.starts)
            for (const Part &p : start)
                EXPECT_TRUE(!p.isLine() || p.line.z0Ohms == 75) << p.line.z0Ohms;
}

} // namespace
} // namespace tevmar::analysis
