// The Response window's candidate mode as a state of its own: what is drawn
// after each thing the engineer does, and that a late search never draws a
// candidate for a design it was not found for.

#include "report/number_format.h"
#include "session/run/tuning.h"
#include "session/views/candidate_view_state.h"
#include "session/views/candidates.h"

#include <gtest/gtest.h>

namespace tevmar::session {
namespace {

using Showing = CandidateViewState::Showing;

// 30 ohms with 2 nH in series into 50 ohms over 1.8 to 2.2 GHz: the
// synthesis cannot absorb the inductance, the candidates can. Without the
// inductance the synthesis designs it.
DesignInputs Inputs(bool absorb)
{
    DesignInputs inputs{"1.8", "2.2 GHz", "50", "30", 4, LoadType::SeriesRL, absorb, "2"};
    return inputs;
}

class CandidateViewStateTest : public ::testing::Test
{
  protected:
    static void SetUpTestSuite()
    {
        unsolved_ = new CalculateOutcome(Calculate(Inputs(true)));
        solved_ = new CalculateOutcome(Calculate(Inputs(false)));
        found_ = new analysis::CandidateSet(*FindCandidates(*unsolved_, {}));
    }
    static void TearDownTestSuite()
    {
        delete unsolved_;
        delete solved_;
        delete found_;
    }

    static const CalculateOutcome &Unsolved() { return *unsolved_; }
    static const CalculateOutcome &Solved() { return *solved_; }
    static const analysis::CandidateSet &Found() { return *found_; }

  private:
    static inline CalculateOutcome *unsolved_ = nullptr;
    static inline CalculateOutcome *solved_ = nullptr;
    static inline analysis::CandidateSet *found_ = nullptr;
};

TEST_F(CandidateViewStateTest, TheWorkedInputsAreWhatTheTestsNeed)
{
    ASSERT_FALSE(Unsolved().solved());
    ASSERT_TRUE(Solved().solved());
    ASSERT_GE(Found().candidates.size(), 3u);
}

// Inputs without a design draw nothing until the search ends, then the best.
TEST_F(CandidateViewStateTest, WithoutADesignTheBestCandidateIsDrawnOnceFound)
{
    CandidateViewState state;
    EXPECT_EQ(state.showing(), Showing::Nothing);
    EXPECT_FALSE(state.StartSearch()) << "nothing to search for yet";

    state.NoDesign(Unsolved());
    EXPECT_EQ(state.showing(), Showing::Searching);
    EXPECT_FALSE(state.drawn());
    const std::optional<int> ticket = state.StartSearch();
    ASSERT_TRUE(ticket);
    EXPECT_FALSE(state.canFindCandidates()) << "one search at a time";

    ASSERT_TRUE(state.CandidatesFound(*ticket, Found()));
    EXPECT_EQ(state.showing(), Showing::Candidate);
    EXPECT_EQ(state.picked(), 0u);
    ASSERT_TRUE(state.drawn());
    ASSERT_TRUE(state.drawn()->network);
    EXPECT_EQ(state.drawn()->network->gammaMax, Found().candidates[0].tuned.gammaMax);
    EXPECT_EQ(state.drawn()->origin.rank, 1);
    EXPECT_FALSE(state.canShowDesign()) << "there is no design to go back to";
    EXPECT_FALSE(state.ShowDesign());
    EXPECT_EQ(state.showing(), Showing::Candidate);
    EXPECT_TRUE(state.canFindCandidates());
}

// Picking draws the candidate; Show Design draws the design again.
TEST_F(CandidateViewStateTest, PickingAndGoingBackToTheDesign)
{
    CandidateViewState state;
    state.NewDesign(Solved());
    EXPECT_EQ(state.showing(), Showing::Design);
    EXPECT_FALSE(state.Pick(0)) << "no candidates yet";
    const int ticket = *state.StartSearch();
    ASSERT_TRUE(state.CandidatesFound(ticket, Found()));
    EXPECT_EQ(state.showing(), Showing::Design) << "a design is never replaced unasked";

    ASSERT_TRUE(state.Pick(2));
    EXPECT_EQ(state.showing(), Showing::Candidate);
    EXPECT_EQ(state.picked(), 2u);
    EXPECT_EQ(state.drawn()->network->gammaMax, Found().candidates[2].tuned.gammaMax);
    EXPECT_EQ(state.drawn()->origin.rank, 3);
    EXPECT_EQ(state.drawn()->result.GammaMax, Solved().result.GammaMax) << "the design run stays";
    EXPECT_FALSE(state.Pick(Found().candidates.size())) << "past the last candidate";
    EXPECT_EQ(state.picked(), 2u);

    ASSERT_TRUE(state.canShowDesign());
    ASSERT_TRUE(state.ShowDesign());
    EXPECT_EQ(state.showing(), Showing::Design);
    EXPECT_FALSE(state.picked());
    EXPECT_FALSE(state.drawn()->origin.candidate());
    EXPECT_EQ(state.drawn()->network->full.parts.size(), Solved().network->full.parts.size());
    EXPECT_EQ(state.drawn()->network->gammaMax, Solved().result.GammaMax);
}

// A search started before the latest design ends too late to count; a new
// design drops the candidates and the pick of the design before.
TEST_F(CandidateViewStateTest, ALateSearchDrawsNothingForTheNextDesign)
{
    CandidateViewState state;
    state.NoDesign(Unsolved());
    const int early = *state.StartSearch();
    state.NewDesign(Solved());
    EXPECT_FALSE(state.CandidatesFound(early, Found()));
    EXPECT_FALSE(state.candidates());
    EXPECT_EQ(state.showing(), Showing::Design);
    EXPECT_EQ(state.drawn()->result.GammaMax, Solved().result.GammaMax);

    const int ticket = *state.StartSearch();
    ASSERT_TRUE(state.CandidatesFound(ticket, Found()));
    ASSERT_TRUE(state.Pick(1));
    state.NoDesign(Unsolved());
    EXPECT_FALSE(state.candidates());
    EXPECT_FALSE(state.picked());
    EXPECT_EQ(state.showing(), Showing::Searching);
    EXPECT_FALSE(state.CandidatesFound(ticket, Found())) << "a finished search ends once";
}

// Searching again replaces the set: a candidate picked from the old set is
// not one of the new, so the design (or, without one, the new best) is drawn.
TEST_F(CandidateViewStateTest, SearchingAgainNeverLeavesAPickFromTheOldSet)
{
    CandidateViewState withDesign;
    withDesign.NewDesign(Solved());
    ASSERT_TRUE(withDesign.CandidatesFound(*withDesign.StartSearch(), Found()));
    ASSERT_TRUE(withDesign.Pick(2));
    ASSERT_TRUE(withDesign.CandidatesFound(*withDesign.StartSearch(), Found()));
    EXPECT_EQ(withDesign.showing(), Showing::Design);
    EXPECT_FALSE(withDesign.picked());

    CandidateViewState without;
    without.NoDesign(Unsolved());
    ASSERT_TRUE(without.CandidatesFound(*without.StartSearch(), Found()));
    ASSERT_TRUE(without.Pick(2));
    ASSERT_TRUE(without.CandidatesFound(*without.StartSearch(), Found()));
    EXPECT_EQ(without.showing(), Showing::Candidate);
    EXPECT_EQ(without.picked(), 0u);
}

// A stopped search leaves nothing waiting; one that finds nothing says so.
TEST_F(CandidateViewStateTest, AStoppedOrEmptySearch)
{
    CandidateViewState stopped;
    stopped.NoDesign(Unsolved());
    const int ticket = *stopped.StartSearch();
    stopped.Cancel();
    EXPECT_EQ(stopped.showing(), Showing::Nothing);
    EXPECT_FALSE(stopped.CandidatesFound(ticket, Found()));
    EXPECT_TRUE(stopped.canFindCandidates());

    CandidateViewState empty;
    empty.NoDesign(Unsolved());
    ASSERT_TRUE(empty.CandidatesFound(*empty.StartSearch(), analysis::CandidateSet{}));
    EXPECT_EQ(empty.showing(), Showing::NoneFound);
    EXPECT_FALSE(empty.drawn());
    EXPECT_FALSE(empty.Pick(0));
}

// A picked candidate is drawn as itself: its network, its own in-band
// figures and the Bode-Fano limit of its own load, while the design run
// (solved or not) stays what it was. The solved design here absorbs nothing
// (Bode-Fano does not apply to it); the candidates match 2 nH in series with
// 30 ohms: load Q = 2 pi 1.98997 GHz 2 nH / 30 ohms = 0.833559 over a band Q
// of 1.98997 / 0.4 = 4.97494, g1 = 0.167551.
TEST_F(CandidateViewStateTest, APickedCandidateIsDrawnWithItsOwnFigures)
{
    const analysis::Candidate &third = Found().candidates[2];
    for (const CalculateOutcome *design : {&Unsolved(), &Solved()}) {
        const CalculateOutcome picked = CandidateOutcome(*design, third, 3);
        EXPECT_EQ(picked.solved(), design->solved()) << "the design run is not dressed up";
        EXPECT_EQ(picked.result.LoadQ, design->result.LoadQ);
        ASSERT_TRUE(picked.network);
        EXPECT_EQ(picked.network->full.parts.size(), third.tuned.network.parts.size());

        const Response response = ComputeResponse(picked, {});
        ASSERT_TRUE(response.problem.empty()) << response.problem;
        const analysis::BodeFanoLimit &limit = response.analysis.bodeFano;
        ASSERT_TRUE(limit.applicable);
        EXPECT_NEAR(limit.g1, 0.833559 / 4.97494, 1e-6);
        EXPECT_DOUBLE_EQ(limit.gammaLimit, *Found().bodeFanoGamma);
        EXPECT_TRUE(response.analysis.selfCheck.agrees);

        const std::vector<FigureRow> rows = FigureRows(response);
        EXPECT_EQ(rows.front().gamma, Figure(third.tuned.gammaMax, 4)) << "Design ripple";
        EXPECT_EQ(DesignSummary(picked).rfind("Candidate 3, ", 0), 0u) << DesignSummary(picked);
        EXPECT_NE(DesignSummary(picked).find("series RL 2 nH absorbed"), std::string::npos);

        // The candidate was tuned when it was found: the window's tune is the
        // candidate, not a tune of the design it stands in for.
        const TunedResponse tuned = TuneForWindow(picked, {});
        ASSERT_TRUE(tuned.tuned) << tuned.problem;
        ASSERT_EQ(tuned.tuned->tuned.network.parts.size(), third.tuned.network.parts.size());
        for (std::size_t i = 0; i < third.tuned.network.parts.size(); ++i)
            EXPECT_EQ(tuned.tuned->tuned.network.parts[i].value,
                      third.tuned.network.parts[i].value);
    }
    EXPECT_FALSE(ComputeResponse(Solved(), {}).analysis.bodeFano.applicable);
}

} // namespace
} // namespace tevmar::session
