#pragma once

// Which parts may serve a band, judged by their own resonance. A chip
// inductor's winding capacitance resonates with its inductance (above it the
// part is a capacitor); a chip capacitor's body inductance resonates with its
// capacitance (above it the part is an inductor). Near that resonance a
// part's value swells far beyond its nominal one and moves with every
// tolerance and every degree of temperature, so a part is used for a band
// only where its resonance lies a margin above the band's top. The kits, the
// chip models' value ranges and the window all ask this one rule.

#include <optional>

namespace tevmar::analysis {

// The margin, in percent of the band's top, that a part's resonance must
// keep above the band unless the engineer asks for another.
inline constexpr double kDefaultSrfMarginPercent = 25;
// The widest margin the options take: a part resonating at eleven times the
// band's top is as far from resonance as any chip part gets.
inline constexpr double kHighestSrfMarginPercent = 1000;
// The least margin a chip model's value range keeps, whatever the margin
// asked. A model's value is bounded where its resonance meets the limit, and
// the tuner drives values to their bounds: with no margin the bound would be
// the value resonating at the band's top itself, whose inductance (or
// capacitance) runs to infinity there, a pole no tolerance survives. A kit
// part is a measured part of fixed value and needs no such floor; its data
// show it keeping its kind over the band.
inline constexpr double kLeastChipModelMarginPercent = 5;
// A part whose resonance lies less than this fraction above the lowest one
// allowed is marked as close to it.
inline constexpr double kNearResonanceFraction = 0.10;

// How a part's resonance stands against a band's top.
enum class Clearance {
    Clear,  // at least the margin above the band's top, and more than 10 % beyond that
    Near,   // at least the margin above, but within 10 % of that limit
    Within, // less than the margin above the band's top (or inside the band)
};

struct ResonanceRule
{
    double bandHighHz = 0;
    double marginPercent = kDefaultSrfMarginPercent;

    // The lowest resonance a part may have and still serve the band.
    double LowestHz() const { return bandHighHz * (1 + marginPercent / 100); }
    // Where a part's resonance stands: a part whose resonance is not known
    // (an ideal part, a finite Q, a kit part measured nowhere near it) is clear.
    Clearance Of(const std::optional<double> &resonanceHz) const;
    // The rule a chip model's value range follows: this margin, or the
    // least one a model keeps where this is smaller.
    ResonanceRule ForChipModels() const;
};

} // namespace tevmar::analysis
