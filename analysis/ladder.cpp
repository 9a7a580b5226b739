#include "analysis/ladder.h"

#include <cmath>
#include <stdexcept>

namespace tevmar::analysis {

Ladder FromDesign(const DesignResult &design, Precision precision)
{
    const std::vector<ElementRow> &table = design.table;
    if (table.size() < 2 || table.front().kind != ElementKind::Termination ||
        table.back().kind != ElementKind::Termination)
        throw std::invalid_argument("element table without its two terminations");

    const auto pick = [precision](const ElementRow &row) {
        return precision == Precision::Full ? row.fullValue : row.value;
    };
    Ladder ladder;
    ladder.port1Ohms = pick(table.front());
    ladder.port2Ohms = pick(table.back());
    for (const double ohms : {ladder.port1Ohms, ladder.port2Ohms})
        if (!std::isfinite(ohms) || ohms <= 0)
            throw std::invalid_argument("a port resistance that is not positive");
    for (std::size_t i = 1; i + 1 < table.size(); ++i) {
        const ElementRow &row = table[i];
        if (row.kind == ElementKind::Termination)
            throw std::invalid_argument("termination inside the element table");
        ladder.elements.push_back(LadderElement{row.kind, pick(row), std::string(row.label)});
    }
    return ladder;
}

} // namespace tevmar::analysis
