#pragma once

// What the Response window draws: the design the main window gave it (or
// inputs the synthesis has no design for), the candidate networks found for
// it, and which of the two is in every view. The window keeps one of these
// and shows it; each engineer's action is one transition here, so that no
// entry point can leave a candidate drawn for a design it was not found for.

#include "analysis/search/candidates.h"
#include "session/run/calculation.h"

#include <cstddef>
#include <optional>

namespace tevmar::session {

class CandidateViewState
{
  public:
    // What the views draw.
    enum class Showing {
        Nothing,   // no design yet, or a search for inputs without one was stopped
        Searching, // no design: the best candidate is drawn once the search ends
        NoneFound, // no design, and the search found no candidate either
        Design,    // the main window's design
        Candidate, // a candidate in place of the design
    };

    // A new design from the main window: drawn at once, and the candidates of
    // the design before (found or still being found) no longer apply.
    void NewDesign(const CalculateOutcome &design);

    // Inputs the synthesis has no design for: nothing is drawn until the
    // candidates for them are found, then the best of them.
    void NoDesign(const CalculateOutcome &unsolved);

    // Several bands at once: the candidates are found for `start` (the
    // design whose band spans the passbands, which only gives them their
    // starts) and the best is drawn; `start` itself is never drawn, as it
    // answers one band only.
    void CandidatesOnly(const CalculateOutcome &start);

    // A search for candidates starts for what candidatesFor() holds; its
    // ticket names it when it ends. Empty when there is nothing to search for.
    std::optional<int> StartSearch();

    // The search `ticket` ended with `set`. A search started before the latest
    // design changes nothing and gives false. Without a design the best
    // candidate is drawn, if there is one.
    bool CandidatesFound(int ticket, analysis::CandidateSet set);

    // The search under way was stopped without a result: nothing will come,
    // so nothing waits for the best.
    void Cancel();

    // Draws candidate `index` (0 = the best). False, changing nothing, when
    // there is no such candidate.
    bool Pick(std::size_t index);

    // Draws the design again in place of a candidate. False, changing
    // nothing, when there is no design to draw.
    bool ShowDesign();

    Showing showing() const;
    // The outcome every view draws: the design, or the picked candidate made
    // into one. Empty when nothing is drawn.
    const std::optional<CalculateOutcome> &drawn() const { return drawn_; }
    // What the candidates are found for: the design, or inputs without one.
    const std::optional<CalculateOutcome> &candidatesFor() const { return own_; }
    const std::optional<analysis::CandidateSet> &candidates() const { return candidates_; }
    // The candidate drawn (0 = the best); empty while the design is.
    std::optional<std::size_t> picked() const { return picked_; }
    // A search ticket still awaited.
    bool searching() const { return searching_; }
    // Whether the Find Candidates and Show Design commands can act now.
    bool canFindCandidates() const { return own_.has_value() && !searching_; }
    bool canShowDesign() const { return picked_.has_value() && OwnDrawable(); }

  private:
    void Forget();
    bool OwnDrawable() const { return own_ && own_->solved() && !candidatesOnly_; }

    std::optional<CalculateOutcome> own_;
    std::optional<CalculateOutcome> drawn_;
    std::optional<analysis::CandidateSet> candidates_;
    std::optional<std::size_t> picked_;
    bool pickBest_ = false;
    bool candidatesOnly_ = false; // own_ is the start of several bands' candidates
    bool searching_ = false;
    int ticket_ = 0; // the latest search's
};

} // namespace tevmar::session
