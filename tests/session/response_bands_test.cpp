// The Response window's Bands and Reject boxes as the session reads them:
// what each band asks for in the figures the score divides by, the band the
// candidates' starting design is made for, and the loads several bands are
// not matched into here.

#include "session/run/calculation.h"
#include "session/run/study.h"
#include "session/views/response_bands.h"

#include <cmath>
#include <gtest/gtest.h>

namespace tevmar::session {
namespace {

TEST(ResponseBandsBoxes, EachBandAsksForWhatItsTextSays)
{
    const BandsReading r = ReadResponseBands(" 1.76:1.84@-15dB , 0.880:0.92@w2", "2.6:2.8@20dB");
    ASSERT_EQ(r.problem, "");
    ASSERT_EQ(r.bands.goal.bands.size(), 3u);
    const analysis::GoalBand &upper = r.bands.goal.bands[0], &lower = r.bands.goal.bands[1],
                             &harmonic = r.bands.goal.bands[2];
    // -15 dB: |S11| at most 0.178; a weight of 2 counts that band twice;
    // 20 dB of rejection: |S21| at most 0.1.
    EXPECT_NEAR(upper.level, 0.1778279, 1e-7);
    EXPECT_TRUE(upper.limitGiven);
    EXPECT_EQ(lower.weight, 2);
    EXPECT_DOUBLE_EQ(lower.band.lowHz, 0.88e9);
    EXPECT_TRUE(harmonic.reject);
    EXPECT_NEAR(harmonic.level, 0.1, 1e-12);
    // The starting design spans the passbands, its edges as written.
    EXPECT_EQ(r.bands.f1Text, "0.880");
    EXPECT_EQ(r.bands.f2Text, "1.84");
    EXPECT_DOUBLE_EQ(r.bands.goal.Span().highHz, 2.8e9);

    const BandsReading none = ReadResponseBands("  ", "");
    EXPECT_EQ(none.problem, "");
    EXPECT_FALSE(none.bands.several());
}

TEST(ResponseBandsBoxes, TheStartingDesignIsTheMainWindowsOnTheSpanAndAFitKeepsItsBand)
{
    const CalculateOutcome given =
        Calculate({"1", "2", "50", "10", 4, LoadType::SeriesRL, false, " 0.0"});
    const BandsReading r = ReadResponseBands("0.88:0.92, 1.76:1.84", "");
    Study study;
    const CalculateOutcome start = BandsDesign(study, given, r.bands);
    EXPECT_EQ(start.inputs.f1Text, "0.88");
    EXPECT_EQ(start.inputs.f2Text, "1.84");
    EXPECT_EQ(start.inputs.zlowText, "10");
    EXPECT_TRUE(start.solved());
    EXPECT_EQ(BandsProblem(r.bands, given), "");
    EXPECT_EQ(BandsNote(r.bands, given),
              "Bands 0.88-0.92, 1.76-1.84 GHz: no textbook design or report for several bands; "
              "the candidates are matched over every band. The main window's design keeps its "
              "band, 1 to 2 GHz.");

    CalculateOutcome measured = given;
    measured.measuredLoad = std::make_shared<analysis::MeasuredLoad>();
    EXPECT_EQ(BandsProblem(r.bands, measured).rfind("Bands: a measured load's fit", 0), 0u);
}

} // namespace
} // namespace tevmar::session
