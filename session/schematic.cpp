#include "session/schematic.h"

#include "format/analysis_text.h"

#include <charconv>

namespace tevmar::session {

Symbol SymbolOf(ElementKind kind)
{
    switch (kind) {
    case ElementKind::ShuntInductor:
        return Symbol::ShuntInductor;
    case ElementKind::ShuntCapacitor:
        return Symbol::ShuntCapacitor;
    case ElementKind::SeriesCapacitor:
        return Symbol::SeriesCapacitor;
    default:
        return Symbol::SeriesInductor;
    }
}

std::string PrintedValue(const analysis::LadderElement &element)
{
    char digits[64];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, element.value, std::chars_format::fixed, 3);
    return std::string(digits, end.ptr) + " " + analysis::UnitOf(element.kind);
}

std::string StandardValue(const analysis::LadderElement &element)
{
    return Figure(element.value, 3) + " " + analysis::UnitOf(element.kind);
}

namespace {

std::string Ohms(double value)
{
    return Figure(value, 6) + " \u03A9";
}

} // namespace

Schematic SchematicOf(const analysis::Ladder &printed, const SchematicValues &standard,
                      const SchematicValues &tuned)
{
    Schematic s;
    s.source = {1, "Port 1", Ohms(printed.port1Ohms), std::nullopt};
    s.load = {2, "Port 2", Ohms(printed.port2Ohms), std::nullopt};
    if (standard.ladder)
        s.standardSeries = standard.name;
    if (tuned.ladder)
        s.tunedName = tuned.name;
    for (std::size_t i = 0; i < printed.elements.size(); ++i) {
        const analysis::LadderElement &e = printed.elements[i];
        SchematicPart part{
            SymbolOf(e.kind), analysis::PartName(printed, i), PrintedValue(e), {}, {}};
        if (standard.ladder && i < standard.ladder->elements.size())
            part.standard = StandardValue(standard.ladder->elements[i]);
        if (tuned.ladder && i < tuned.ladder->elements.size())
            part.tuned = tuned.onSeries ? StandardValue(tuned.ladder->elements[i])
                                        : PrintedValue(tuned.ladder->elements[i]);
        s.parts.push_back(std::move(part));
    }
    if (const auto &load = printed.load) {
        SchematicPart part{SymbolOf(load->element.kind),
                           "Load",
                           Figure(load->element.value, 6) + " " +
                               analysis::UnitOf(load->element.kind),
                           {},
                           {}};
        (load->port() == 1 ? s.source : s.load).load = std::move(part);
    }
    return s;
}

} // namespace tevmar::session
