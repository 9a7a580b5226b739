#include "analysis/model/resonance.h"

#include <algorithm>

namespace tevmar::analysis {

Clearance ResonanceRule::Of(const std::optional<double> &resonanceHz) const
{
    if (!resonanceHz)
        return Clearance::Clear;
    const double lowest = LowestHz();
    // A resonance that is not a number cannot be shown clear of the band.
    if (!(*resonanceHz >= lowest))
        return Clearance::Within;
    return *resonanceHz < lowest * (1 + kNearResonanceFraction) ? Clearance::Near
                                                                : Clearance::Clear;
}

ResonanceRule ResonanceRule::ForChipModels() const
{
    return {bandHighHz, std::max(marginPercent, kLeastChipModelMarginPercent)};
}

} // namespace tevmar::analysis
