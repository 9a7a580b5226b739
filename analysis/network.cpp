#include "analysis/network.h"

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
    for (Part &part : lossy.parts)
        part = part.WithQ(losses.inductorQ, losses.capacitorQ, losses.model, centre);
    return lossy;
}

} // namespace tevmar::analysis
