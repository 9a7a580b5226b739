#include "session/run/kit_parts.h"

#include "report/number_format.h"
#include "report/printable_text.h"

#include <algorithm>
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
    std::vector<std::pair<analysis::Candidate, analysis::KitChoice>> built;
    for (analysis::Candidate &c : candidates) {
        analysis::KitChoice choice = analysis::ChooseKitParts(c.tuned.network, band, kit, stop);
        c.tuned.network = choice.network;
        c.tuned.gammaMax = choice.figures.gammaMax;
        built.emplace_back(std::move(c), std::move(choice));
    }
    std::ranges::stable_sort(built, {}, [](const auto &b) { return b.second.figures.lossDbMax; });
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
