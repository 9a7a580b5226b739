#include "session/views/schematic.h"

#include "format/analysis_text.h"

#include <charconv>

namespace tevmar::session {

Symbol SymbolOf(const analysis::Part &part)
{
    const bool shunt = part.shunt();
    return part.Visit(analysis::Overloaded{
        [&](analysis::Inductor) { return shunt ? Symbol::ShuntInductor : Symbol::SeriesInductor; },
        [&](analysis::Capacitor) {
            return shunt ? Symbol::ShuntCapacitor : Symbol::SeriesCapacitor;
        },
        [&](analysis::Line line) {
            return line.end == analysis::LineEnd::Through ? Symbol::SeriesLine
                   : line.end == analysis::LineEnd::Open  ? Symbol::ShuntOpenStub
                                                          : Symbol::ShuntShortStub;
        }});
}

Symbol SymbolOf(ElementKind kind)
{
    return SymbolOf(analysis::Part{kind});
}

std::string PrintedValue(const analysis::Part &element)
{
    char digits[64];
    const auto end =
        std::to_chars(digits, digits + sizeof digits, element.value, std::chars_format::fixed, 3);
    return std::string(digits, end.ptr) + " " + element.unit();
}

std::string StandardValue(const analysis::Part &element)
{
    return format::PartValueText(element, 3);
}

namespace {

std::string Ohms(double value)
{
    return Figure(value, 6) + " \u03A9";
}

} // namespace

Schematic SchematicOf(const analysis::Network &printed, const SchematicValues &standard,
                      const SchematicValues &tuned)
{
    Schematic s;
    s.source = {1, "Port 1", Ohms(printed.port1Ohms), std::nullopt};
    s.load = {2, "Port 2", Ohms(printed.port2Ohms), std::nullopt};
    if (standard.ladder)
        s.standardSeries = standard.name;
    if (tuned.ladder)
        s.tunedName = tuned.name;
    for (std::size_t i = 0; i < printed.parts.size(); ++i) {
        const analysis::Part &e = printed.parts[i];
        SchematicPart part{SymbolOf(e), analysis::PartName(printed, i), PrintedValue(e), {}, {}};
        if (standard.ladder && i < standard.ladder->parts.size())
            part.standard = StandardValue(standard.ladder->parts[i]);
        if (tuned.ladder && i < tuned.ladder->parts.size())
            part.tuned = tuned.onSeries ? StandardValue(tuned.ladder->parts[i])
                                        : PrintedValue(tuned.ladder->parts[i]);
        s.parts.push_back(std::move(part));
    }
    if (const auto &load = printed.load) {
        SchematicPart part{SymbolOf(load->element),
                           "Load",
                           Figure(load->element.value, 6) + " " + load->element.unit(),
                           {},
                           {}};
        (load->port() == 1 ? s.source : s.load).load = std::move(part);
    }
    return s;
}

} // namespace tevmar::session
