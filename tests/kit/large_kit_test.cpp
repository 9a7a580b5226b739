// Kits of a vendor's whole range: the search over thousands of parts ends
// within its bound of measured networks, a bound that hardly grows with the
// kit, and the networks it picks are as good as on a kit of a hundred parts.
// The order the search compares networks by is a strict weak order, ties and
// figures that are not numbers included.

#include "analysis/search/candidates.h"
#include "analysis/search/kit_search.h"
#include "analysis/search/tuner.h"
#include "engine/design.h"
#include "session/run/kit_parts.h"
#include "tests/kit/kit_fixture.h"

#include <atomic>
#include <gtest/gtest.h>
#include <limits>

namespace tevmar {
namespace {

using analysis::BuiltBefore;
using analysis::BuiltFigures;

TEST(KitOrder, IsAStrictWeakOrderWithTiesAndFiguresThatAreNotNumbers)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    // {gammaMax, lossDbMax}. The first three are the networks a descent once
    // went round in: each within a hundredth of a millidecibel of the next
    // with less reflection, the last far enough from the first to lose.
    const std::vector<BuiltFigures> figures{
        {1.0, 0},    {0.5, 0.9e-5},      {0.2, 1.8e-5},      {0.2, 1.8e-5}, {0.3, 0},
        {0.3, 0.25}, {0.3, 0.25 + 4e-6}, {0.1, 0.25 + 2e-5}, {nan, 0},      {0.1, nan},
        {nan, nan},  {0.9, inf},         {inf, 0.25},        {0.0, -0.2},   {0.0, 25.0}};
    const auto equivalent = [](const BuiltFigures &a, const BuiltFigures &b) {
        return !BuiltBefore(a, b) && !BuiltBefore(b, a);
    };
    for (std::size_t a = 0; a < figures.size(); ++a) {
        EXPECT_FALSE(BuiltBefore(figures[a], figures[a])) << a;
        for (std::size_t b = 0; b < figures.size(); ++b)
            for (std::size_t c = 0; c < figures.size(); ++c) {
                if (BuiltBefore(figures[a], figures[b]) && BuiltBefore(figures[b], figures[c])) {
                    EXPECT_TRUE(BuiltBefore(figures[a], figures[c])) << a << b << c;
                }
                if (equivalent(figures[a], figures[b]) && equivalent(figures[b], figures[c])) {
                    EXPECT_TRUE(equivalent(figures[a], figures[c])) << a << b << c;
                }
            }
    }
    // Less loss wins; within the loss's resolution less reflection does; a
    // loss that is not a number loses to any loss that is, even an infinite one.
    EXPECT_TRUE(BuiltBefore({0.9, 0.1}, {0.0, 0.2}));
    EXPECT_TRUE(BuiltBefore({0.1, 0.25 + 4e-6}, {0.3, 0.25}));
    EXPECT_TRUE(BuiltBefore({0.9, inf}, {0.1, nan}));
    EXPECT_TRUE(BuiltBefore({0.2, 0.25}, {nan, 0.25}));
    EXPECT_TRUE(BuiltBefore({nan, 0.25}, {0.1, nan}));
}

// The worked example's candidates for the chip antenna, found once.
const analysis::CandidateSet &AntennaCandidates()
{
    static const analysis::CandidateSet set = [] {
        auto data = std::make_shared<analysis::MeasuredLoad>();
        for (int k = 0; k <= 300; ++k) {
            data->frequenciesHz.push_back(1e9 + 1e7 * k);
            data->impedanceOhms.push_back(test_kit::AntennaImpedance(1e9 + 1e7 * k));
        }
        // The fit of this load: 30.24 ohm with 3.117 nH in series.
        const DesignInputs inputs{"2.4", "2.5",    "50", "30.2404", 4, LoadType::SeriesRL,
                                  true,  "3.11746"};
        return analysis::BuildCandidates(inputs, RunDesign(inputs), data);
    }();
    return set;
}

analysis::Kit KitOf(const std::vector<std::pair<std::string, std::string>> &texts)
{
    std::vector<analysis::KitFile> files;
    for (const auto &[name, text] : texts)
        files.push_back({name, text, {}});
    const analysis::KitReading reading =
        analysis::BuildKit(files, std::nullopt, "kit", 2.4e9, 2.5e9);
    EXPECT_TRUE(reading.problem.empty()) << reading.problem;
    return reading.kit;
}

class LargeKit : public ::testing::TestWithParam<int>
{
};

TEST_P(LargeKit, EveryCandidateEndsWithinTheBoundAndMatchesAsOnASmallKit)
{
    const analysis::Kit kit = KitOf(test_kit::DenseKitFiles(GetParam()));
    // Parts that resonate in the band are left out: most of the range stays.
    EXPECT_GT(kit.inductors.size() + kit.capacitors.size(), std::size_t(GetParam()) * 3 / 4);
    analysis::CandidateSet set = AntennaCandidates();
    ASSERT_GT(set.candidates.size(), 10u);
    const std::vector<analysis::KitChoice> choices = session::PutCandidatesOnKit(set, kit);
    ASSERT_EQ(choices.size(), set.candidates.size());
    // The bound on the kit's networks measured: at most four times that on
    // the kit of a hundred parts, searched part by part.
    const analysis::Kit small = KitOf(test_kit::SyntheticKitFiles());
    for (std::size_t k = 0; k < choices.size(); ++k) {
        const analysis::KitChoice &c = choices[k];
        const std::size_t n = c.network.parts.size();
        EXPECT_GT(c.networksMeasured, 0u);
        EXPECT_LE(c.networksMeasured, analysis::MostKitSearchMeasures(n, kit)) << k;
        EXPECT_LE(analysis::MostKitSearchMeasures(n, kit),
                  4 * analysis::MostKitSearchMeasures(n, small));
        EXPECT_LE(c.figures.lossDbMax, c.snappedFigures.lossDbMax + 1e-12) << k;
        for (const analysis::Part &p : c.network.parts)
            EXPECT_NE(analysis::KitPartOf(p), nullptr) << k;
    }
    // Ranked by loss; the best as good as the hundred-part kit's (under 0.1 dB).
    for (std::size_t k = 1; k < choices.size(); ++k)
        EXPECT_GE(choices[k].figures.lossDbMax, choices[k - 1].figures.lossDbMax);
    EXPECT_LT(choices.front().figures.lossDbMax, 0.1);
    EXPECT_LT(choices.front().figures.gammaMax, 0.1);
}

INSTANTIATE_TEST_SUITE_P(Parts, LargeKit, ::testing::Values(2048, 4096));

// A stop raised while the candidates' searches run side by side ends them
// all with the cancellation, the candidates untouched.
TEST(LargeKitStop, ARaisedStopEndsEverySearch)
{
    const analysis::Kit kit = KitOf(test_kit::SyntheticKitFiles());
    analysis::CandidateSet set = AntennaCandidates();
    const std::size_t count = set.candidates.size();
    const std::atomic<bool> stop{true};
    EXPECT_THROW(session::PutCandidatesOnKit(set, kit, &stop), analysis::TuneCancelled);
    ASSERT_EQ(set.candidates.size(), count);
    for (const analysis::Candidate &c : set.candidates)
        EXPECT_EQ(analysis::KitPartOf(c.tuned.network.parts.front()), nullptr);
}

} // namespace
} // namespace tevmar
