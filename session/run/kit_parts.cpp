#include "session/run/kit_parts.h"

#include "analysis/search/task_pool.h"
#include "report/number_format.h"
#include "report/printable_text.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <future>
#include <limits>
#include <utility>

namespace tevmar::session {

std::vector<analysis::KitChoice> PutCandidatesOnKit(analysis::CandidateSet &set,
                                                    const analysis::Kit &kit,
                                                    const std::atomic<bool> *stop)
{
    std::vector<analysis::KitChoice> choices;
    std::vector<analysis::Candidate> &candidates = set.candidates;
    if (candidates.empty())
        return choices;
    const analysis::Band band = candidates.front().problem.band;
    const analysis::Goal &goal = set.goal;
    // Each candidate's search is its own: they run side by side, one a core.
    analysis::TaskPool pool(analysis::TaskPool::ThreadsBesideCaller());
    std::vector<std::future<analysis::KitChoice>> searches;
    for (const analysis::Candidate &c : candidates)
        searches.push_back(pool.Submit([&c, &band, &goal, &kit, stop] {
            return goal.empty() ? analysis::ChooseKitParts(c.tuned.network, band, kit, stop)
                                : analysis::ChooseKitParts(c.tuned.network, goal, kit, stop);
        }));
    std::vector<analysis::KitChoice> found;
    std::exception_ptr failure;
    for (std::future<analysis::KitChoice> &search : searches) {
        try {
            found.push_back(pool.Wait(search));
        } catch (...) {
            // Every search is waited for before the pool goes.
            if (!failure)
                failure = std::current_exception();
        }
    }
    // A cancelled or failed search leaves the candidates as they were.
    if (failure)
        std::rethrow_exception(failure);
    std::vector<std::pair<analysis::Candidate, analysis::KitChoice>> built;
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        candidates[k].tuned.network = found[k].network;
        candidates[k].tuned.gammaMax = found[k].figures.gammaMax;
        if (!goal.empty())
            candidates[k].bandFigures = analysis::GoalFiguresOf(found[k].network, goal);
        built.emplace_back(std::move(candidates[k]), std::move(found[k]));
    }
    // Less loss first (against several bands, a lower goal score); a figure
    // that is not a number last; equal figures keep the candidates' own order.
    std::ranges::stable_sort(built, {}, [&goal](const auto &b) {
        const double figure = goal.empty() ? b.second.figures.lossDbMax : b.second.figures.score;
        return std::isnan(figure) ? std::numeric_limits<double>::infinity() : figure;
    });
    candidates.clear();
    for (auto &[c, choice] : built) {
        candidates.push_back(std::move(c));
        choices.push_back(std::move(choice));
    }
    return choices;
}

std::string KitPartText(const analysis::Part &part)
{
    const analysis::KitPart *kit = analysis::KitPartOf(part);
    if (!kit)
        return {};
    return PrintableText(kit->partNumber) + " (" + Figure(kit->nominal, 6) + " " + kit->unit() +
           ")";
}

} // namespace tevmar::session
