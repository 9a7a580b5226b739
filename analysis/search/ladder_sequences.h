#pragma once

// Every ladder of series and shunt inductors and capacitors of a few parts:
// the sequences the candidate search screens beside its lowpass, highpass
// and bandpass families.

#include "analysis/model/part.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tevmar::analysis {

// A ladder's parts from the source's side, each a series or shunt inductor
// or capacitor.
using PartSequence = std::vector<ElementKind>;

// Every distinct sequence of 1 to `mostParts` parts. Parts side by side in
// one place (two in series, or two across the line) are one branch: two of
// one kind are one part of the combined value, so a run holds at most an
// inductor and a capacitor, a series or parallel resonator, and their order
// within the run changes nothing, so it is written inductor first. Shorter
// sequences first, each length in a fixed order.
std::vector<PartSequence> LadderSequences(std::size_t mostParts);

// The sequence of a network's parts (source to load).
PartSequence SequenceOf(const std::vector<Part> &sourceToLoad);

// The parts in order as an engineer reads them: "shunt C, series C".
std::string SequenceName(const PartSequence &sequence);

// Whether the sequence is a lowpass (series inductors, shunt capacitors) or
// a highpass (series capacitors, shunt inductors) ladder, parts alternating
// between series and shunt: the families the candidates already grow.
bool IsLowpassOrHighpass(const PartSequence &sequence);

} // namespace tevmar::analysis
