#pragma once

// One step of a walk over a kit's parts, each part of a network held as its
// rank among the kit's parts of its kind: moves of one part by one to three
// steps either way, the best taken; when none helps, moves of two parts by
// one step each. Shared by the matching network's kit search and the
// amplifier's, which differ in what a step is, how a choice is scored and
// what "better" means.

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace tevmar::analysis {

// Single moves of one part: one to three steps either way.
inline constexpr int kSingleKitMoves[] = {-3, -2, -1, 1, 2, 3};

// Of two parts moved together: the first sign pair that helps, or the best
// of the four sign pairs of the first two parts where one helps.
enum class PairedMoves { FirstThatHelps, BestOfFirstPair };

// The neighbour of `ranks` better than `score` (which becomes its score), or
// empty when none is. `moved(i, steps, ranks)` moves part i and says whether
// it stays in its kit; `measure(ranks)` scores a choice (empty: not scored);
// `better(a, b)` orders two scores.
template <class Score, class Moved, class Measure, class Better>
std::vector<std::size_t> BetterNeighbour(const std::vector<std::size_t> &ranks, Score &score,
                                         Moved &&moved, Measure &&measure, Better &&better,
                                         PairedMoves paired)
{
    const std::size_t n = ranks.size();
    std::vector<std::size_t> best;
    const auto consider = [&](std::vector<std::size_t> &trial) {
        const std::optional<Score> s = measure(trial);
        if (s && better(*s, score)) {
            score = *s;
            best = std::move(trial);
        }
    };
    for (std::size_t i = 0; i < n; ++i)
        for (const int step : kSingleKitMoves) {
            std::vector<std::size_t> trial = ranks;
            if (moved(i, step, trial))
                consider(trial);
        }
    for (std::size_t i = 0; i < n && best.empty(); ++i)
        for (std::size_t j = i + 1; j < n && best.empty(); ++j)
            for (const int a : {-1, 1})
                for (const int b : {-1, 1}) {
                    if (paired == PairedMoves::FirstThatHelps && !best.empty())
                        continue;
                    std::vector<std::size_t> trial = ranks;
                    if (moved(i, a, trial) && moved(j, b, trial))
                        consider(trial);
                }
    return best;
}

} // namespace tevmar::analysis
