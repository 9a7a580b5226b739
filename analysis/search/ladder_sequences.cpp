#include "analysis/search/ladder_sequences.h"

#include <algorithm>

namespace tevmar::analysis {

namespace {

bool IsShunt(ElementKind kind)
{
    return kind == ElementKind::ShuntInductor || kind == ElementKind::ShuntCapacitor;
}

bool IsInductor(ElementKind kind)
{
    return kind == ElementKind::SeriesInductor || kind == ElementKind::ShuntInductor;
}

// The branches one place can hold: an inductor, a capacitor, or both (a
// series resonator in series, a parallel one across the line).
std::vector<PartSequence> BranchesAt(bool shunt)
{
    const ElementKind l = shunt ? ElementKind::ShuntInductor : ElementKind::SeriesInductor;
    const ElementKind c = shunt ? ElementKind::ShuntCapacitor : ElementKind::SeriesCapacitor;
    return {{l}, {c}, {l, c}};
}

void Extend(PartSequence &sequence, bool shunt, std::size_t mostParts,
            std::vector<PartSequence> &out)
{
    for (const PartSequence &branch : BranchesAt(shunt)) {
        if (sequence.size() + branch.size() > mostParts)
            continue;
        sequence.insert(sequence.end(), branch.begin(), branch.end());
        out.push_back(sequence);
        Extend(sequence, !shunt, mostParts, out);
        sequence.resize(sequence.size() - branch.size());
    }
}

} // namespace

std::vector<PartSequence> LadderSequences(std::size_t mostParts)
{
    std::vector<PartSequence> out;
    for (const bool shunt : {false, true}) {
        PartSequence sequence;
        Extend(sequence, shunt, mostParts, out);
    }
    std::stable_sort(out.begin(), out.end(), [](const PartSequence &a, const PartSequence &b) {
        return a.size() < b.size();
    });
    return out;
}

PartSequence SequenceOf(const std::vector<Part> &sourceToLoad)
{
    PartSequence sequence;
    for (const Part &part : sourceToLoad)
        sequence.push_back(part.kind);
    return sequence;
}

std::string SequenceName(const PartSequence &sequence)
{
    std::string name;
    for (const ElementKind kind : sequence) {
        if (!name.empty())
            name += ", ";
        name += IsShunt(kind) ? "shunt " : "series ";
        name += IsInductor(kind) ? "L" : "C";
    }
    return name;
}

bool IsLowpassOrHighpass(const PartSequence &sequence)
{
    if (sequence.empty())
        return false;
    // Lowpass: every series part an inductor; highpass: every series part a
    // capacitor, every shunt part the other kind.
    const bool lowpass = IsInductor(sequence.front()) != IsShunt(sequence.front());
    for (std::size_t i = 0; i < sequence.size(); ++i) {
        if (i > 0 && IsShunt(sequence[i]) == IsShunt(sequence[i - 1]))
            return false;
        if ((IsInductor(sequence[i]) != IsShunt(sequence[i])) != lowpass)
            return false;
    }
    return true;
}

} // namespace tevmar::analysis
