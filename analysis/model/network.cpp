#include "analysis/model/network.h"

#include <algorithm>
#include <cmath>

namespace tevmar::analysis {

std::optional<std::size_t> AbsorbedRow(const DesignResult &design)
{
    if (!design.absorbed || design.table.size() < 3)
        return std::nullopt;
    // A series load sits at the low-impedance end, the last row before its
    // termination; a shunt load at the high-impedance end, the first row after.
    return IsSeriesLoad(design.loadType) ? design.table.size() - 2 : std::size_t{1};
}

std::string PartName(const Network &network, std::size_t index)
{
    return network.parts.at(index).letter() + std::to_string(index + 1);
}

Network WithLosses(const Network &network, const LossModel &losses)
{
    Network lossy = network;
    const units::Frequency centre = units::Frequency::FromHz(losses.centreHz);
    for (Part &part : lossy.parts) {
        part = part.WithQ(losses.inductorQ, losses.capacitorQ, losses.model, centre)
                   .WithChipModel(losses.inductorChip, losses.capacitorChip);
    }
    lossy.padPf = losses.padPf;
    return lossy;
}

bool AllPartsIdeal(const Network &network)
{
    for (const Part &part : network.parts)
        if (!part.lossless())
            return false;
    return true;
}

PartRanges WithinSelfResonance(PartRanges ranges, const LossModel &models, double highestHz)
{
    const ResonanceRule rule = ResonanceRule{highestHz, models.srfMarginPercent}.ForChipModels();
    const double omega = units::Frequency::FromHz(rule.LowestHz()).omega();
    // L CP w^2 < 1 and C ESL w^2 < 1, each limit kept above its lower one.
    if (models.inductorChip && models.inductorChip->parallel.si() > 0) {
        const double highest =
            units::Inductance::FromHenries(1 / (omega * omega * models.inductorChip->parallel.si()))
                .nanohenries();
        ranges.inductorHighNh =
            std::max(std::min(ranges.inductorHighNh, highest), ranges.inductorLowNh * (1 + 1e-6));
    }
    if (models.capacitorChip && models.capacitorChip->esl.si() > 0) {
        const double highest =
            units::Capacitance::FromFarads(1 / (omega * omega * models.capacitorChip->esl.si()))
                .picofarads();
        ranges.capacitorHighPf =
            std::max(std::min(ranges.capacitorHighPf, highest), ranges.capacitorLowPf * (1 + 1e-6));
    }
    return ranges;
}

bool IdealAsDrawn(const Network &network)
{
    return network.padPf == 0 && AllPartsIdeal(network);
}

} // namespace tevmar::analysis
