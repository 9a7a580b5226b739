#include "analysis/network.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tevmar::analysis {

std::optional<std::size_t> AbsorbedRow(const DesignResult &design)
{
    if (!design.absorbed || design.table.size() < 3)
        return std::nullopt;
    // A series load sits at the low-impedance end, the last row before its
    // termination; a shunt load at the high-impedance end, the first row after.
    return IsSeriesLoad(design.loadType) ? design.table.size() - 2 : std::size_t{1};
}

Network FromDesign(const DesignResult &design, Precision precision)
{
    const std::vector<ElementRow> &table = design.table;
    if (table.size() < 2 || table.front().kind != ElementKind::Termination ||
        table.back().kind != ElementKind::Termination)
        throw std::invalid_argument("element table without its two terminations");

    const auto pick = [precision](const ElementRow &row) {
        return precision == Precision::Full ? row.fullValue : row.value;
    };
    Network ladder;
    ladder.port1Ohms = design.zhighOhms;
    ladder.port2Ohms = design.zlowOhms;
    for (const double ohms : {ladder.port1Ohms, ladder.port2Ohms})
        if (!std::isfinite(ohms) || ohms <= 0)
            throw std::invalid_argument("a port resistance that is not positive");
    const std::optional<std::size_t> absorbed = AbsorbedRow(design);
    for (std::size_t i = 1; i + 1 < table.size(); ++i) {
        const ElementRow &row = table[i];
        if (row.kind == ElementKind::Termination)
            throw std::invalid_argument("termination inside the element table");
        if (i == absorbed) {
            // The load's reactance is what the engineer typed, at any precision.
            ladder.load = LoadReactance{
                Part{row.kind, design.absorbedValue, std::string(row.label)}, design.loadType};
            continue;
        }
        ladder.parts.push_back(Part{row.kind, pick(row), std::string(row.label)});
    }
    return ladder;
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
        part = part.WithQ(losses.inductorQ, losses.capacitorQ, losses.model, centre);
        if (part.inductor() && losses.inductorChip)
            part.model = *losses.inductorChip;
        if (!part.inductor() && losses.capacitorChip)
            part.model = *losses.capacitorChip;
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
    const double omega = units::Frequency::FromHz(1.05 * highestHz).omega();
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
