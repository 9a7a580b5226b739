#include "analysis/model/designed_network.h"

#include "engine/design.h"

#include <cmath>
#include <stdexcept>
#include <utility>

namespace tevmar::analysis {

DesignedNetwork DesignedNetworkOf(const DesignResult &design)
{
    if (!design.solved)
        throw std::invalid_argument("a design without a solution has no network");
    const std::vector<ElementRow> &table = design.table;
    if (table.size() < 2 || table.front().kind != ElementKind::Termination ||
        table.back().kind != ElementKind::Termination)
        throw std::invalid_argument("element table without its two terminations");

    DesignedNetwork d;
    d.band = BandOf(design.band);
    d.full.port1Ohms = design.zhighOhms;
    d.full.port2Ohms = design.zlowOhms;
    for (const double ohms : {d.full.port1Ohms, d.full.port2Ohms})
        if (!std::isfinite(ohms) || ohms <= 0)
            throw std::invalid_argument("a port resistance that is not positive");
    // Every design run comes here: room for the table's parts at once
    // rather than a reallocation (and a move of every part) per doubling.
    d.full.parts.reserve(table.size() - 2);
    const std::optional<std::size_t> absorbed = AbsorbedRow(design);
    // One part reused row by row and copied into place: a fresh part per row
    // would be cleared, built and moved, which costs more than the rest of
    // this function in a design run.
    Part part;
    for (std::size_t i = 1; i + 1 < table.size(); ++i) {
        const ElementRow &row = table[i];
        if (row.kind == ElementKind::Termination)
            throw std::invalid_argument("termination inside the element table");
        part.kind = row.kind;
        part.label.assign(row.label);
        if (i == absorbed) {
            // The load's reactance is what the engineer typed, at any precision.
            part.value = design.absorbedValue;
            d.full.load = LoadReactance{part, design.loadType};
            continue;
        }
        part.value = row.fullValue;
        d.full.parts.push_back(part);
    }
    d.gammaMax = design.GammaMax;
    d.gammaMin = design.GammaMin;
    d.vswrMax = design.Smax;
    d.bodeFano = BodeFanoOf(design, design.band.Qt);
    return d;
}

Network DesignedNetwork::Printed() const
{
    return roundedAsReported ? AsPrinted(full) : full;
}

Network AsPrinted(const Network &network)
{
    Network printed = network;
    for (Part &part : printed.parts)
        part.value = PrintedElementValue(part.value);
    return printed;
}

} // namespace tevmar::analysis
