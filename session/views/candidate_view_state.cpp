#include "session/views/candidate_view_state.h"

#include "session/views/candidates.h"

#include <utility>

namespace tevmar::session {

void CandidateViewState::Forget()
{
    candidates_.reset();
    picked_.reset();
    pickBest_ = false;
    searching_ = false;
    ++ticket_; // a search still running was for what came before
}

void CandidateViewState::NewDesign(const CalculateOutcome &design)
{
    Forget();
    own_ = design;
    drawn_ = design;
    candidatesOnly_ = false;
}

void CandidateViewState::NoDesign(const CalculateOutcome &unsolved)
{
    Forget();
    own_ = unsolved;
    drawn_.reset();
    pickBest_ = true;
    candidatesOnly_ = false;
}

void CandidateViewState::CandidatesOnly(const CalculateOutcome &start)
{
    NoDesign(start);
    candidatesOnly_ = true;
}

std::optional<int> CandidateViewState::StartSearch()
{
    if (!own_)
        return std::nullopt;
    searching_ = true;
    return ++ticket_;
}

bool CandidateViewState::CandidatesFound(int ticket, analysis::CandidateSet set)
{
    if (!searching_ || ticket != ticket_)
        return false;
    searching_ = false;
    // A candidate picked from an earlier set is not one of these: the design
    // is drawn again, or without one the best of the new set.
    if (picked_) {
        picked_.reset();
        drawn_ = OwnDrawable() ? own_ : std::nullopt;
        pickBest_ = !drawn_;
    }
    candidates_ = std::move(set);
    if (pickBest_) {
        pickBest_ = false;
        Pick(0);
    }
    return true;
}

void CandidateViewState::Cancel()
{
    searching_ = false;
    pickBest_ = false;
    ++ticket_;
}

bool CandidateViewState::Pick(std::size_t index)
{
    if (!own_ || !candidates_ || index >= candidates_->candidates.size())
        return false;
    picked_ = index;
    pickBest_ = false;
    drawn_ = CandidateOutcome(*own_, candidates_->candidates[index], static_cast<int>(index) + 1);
    return true;
}

bool CandidateViewState::ShowDesign()
{
    if (!canShowDesign())
        return false;
    picked_.reset();
    drawn_ = own_;
    return true;
}

CandidateViewState::Showing CandidateViewState::showing() const
{
    if (drawn_)
        return picked_ ? Showing::Candidate : Showing::Design;
    if (pickBest_)
        return Showing::Searching;
    if (own_ && candidates_ && candidates_->candidates.empty())
        return Showing::NoneFound;
    return Showing::Nothing;
}

} // namespace tevmar::session
