#include "session/views/response_state.h"

#include <tuple>

namespace tevmar::session {

bool SameParts(const ResponseSettings &a, const ResponseSettings &b)
{
    return std::tie(a.inductorQ, a.capacitorQ, a.qModel, a.inductorChip, a.capacitorChip, a.padPf,
                    a.partsFolder, a.srfMarginPercent) ==
           std::tie(b.inductorQ, b.capacitorQ, b.qModel, b.inductorChip, b.capacitorChip, b.padPf,
                    b.partsFolder, b.srfMarginPercent);
}

bool ResponseState::TuneFollowsSettings() const
{
    return tunedSeries == settings.eseries && tunedRanges == settings.tuneRanges &&
           SameParts(tunedParts, settings);
}

void ResponseState::TuneStarted()
{
    tuned.reset();
    tunedSeries = settings.eseries;
    tunedRanges = settings.tuneRanges;
    tunedParts = settings;
}

ResponseSettings ResponseState::Shown() const
{
    return side ? AmplifierSideSettings(settings) : settings;
}

} // namespace tevmar::session
