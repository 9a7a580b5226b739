#include "format/tuned_report.h"

#include "analysis/two_port.h"
#include "format/analysis_text.h"
#include "format/export_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace tevmar::format {
using namespace analysis;
namespace {

using Json = nlohmann::ordered_json;

// A figure, or null where it is not finite (a limit below double range).
Json Number(double value)
{
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

// Each part's export name, label and unit and its values in two networks of
// the same parts.
Json ElementsJson(const Ladder &from, const char *fromKey, const Ladder &to, const char *toKey)
{
    Json elements = Json::array();
    for (std::size_t i = 0; i < to.elements.size(); ++i)
        elements.push_back({{"part", PartName(to, i)},
                            {"label", to.elements[i].label},
                            {"unit", UnitOf(to.elements[i].kind)},
                            {"kind", ElementKindName(to.elements[i].kind)},
                            {"absorbedLoad", false},
                            {fromKey, from.elements[i].value},
                            {toKey, to.elements[i].value},
                            {"belowChipRange", BelowChipRange(to.elements[i])}});
    return elements;
}

// The load's reactance, held at its typed value, as the design's ports mark it.
Json LoadJson(const LoadReactance &load)
{
    return Json{{"port", load.port()},
                {"loadType", NamesOf(load.type).code},
                {"kind", ElementKindName(load.element.kind)},
                {"label", load.element.label},
                {"value", load.element.value},
                {"unit", UnitOf(load.element.kind)},
                {"absorbedLoad", true}};
}

} // namespace

std::string WithTunedJson(const std::string &designJson, const TunedNetwork &t)
{
    Json tuned = Json::object();
    if (t.relaxed)
        tuned["startingDesign"] = {{"note", "no design absorbs the load; tuned from the design "
                                            "for the largest value that solves"},
                                   {"absorbedValue", t.relaxed->relaxedValue}};
    const std::optional<LoadReactance> &load = t.problem.network.load;
    tuned["absorbedLoad"] = load ? LoadJson(*load) : Json(nullptr);
    if (t.problem.network.measured)
        tuned["intoMeasuredLoad"] = true;
    tuned["elements"] = ElementsJson(t.problem.network, "start", t.tuned.network, "tuned");
    tuned["startGammaMax"] = t.tuned.startGammaMax;
    tuned["gammaMax"] = t.tuned.gammaMax;
    tuned["vswrMax"] = VswrOf(t.tuned.gammaMax);
    if (const std::optional<double> limit = BodeFanoGammaOf(t.problem))
        tuned["bodeFano"] = {
            {"gammaLimit", *limit},
            {"returnLossShortOfLimitDb", Number(20 * std::log10(t.tuned.gammaMax / *limit))}};
    if (t.standard) {
        Json standard{
            {"series", SeriesName(t.standard->series)},
            {"elements", ElementsJson(t.tuned.network, "tuned", t.standard->network, "standard")},
            {"snappedGammaMax", t.standard->snappedGammaMax},
            {"gammaMax", t.standard->gammaMax},
            {"vswrMax", VswrOf(t.standard->gammaMax)}};
        tuned["standardValues"] = standard;
    }
    Json document = Json::parse(designJson);
    document["tuned"] = tuned;
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

namespace {

std::string ValueText(double value, ElementKind kind)
{
    return Figure(value) + (IsInductor(kind) ? " nH" : " pF");
}

std::string ValuesLine(const Ladder &network)
{
    std::string line = " ";
    for (const LadderElement &e : network.elements)
        line += " " + e.label + ValueText(e.value, e.kind);
    return line;
}

std::string FiguresText(double gammaMax)
{
    return "in-band max |S11| " + Figure(gammaMax) + " (VSWR " + Figure(VswrOf(gammaMax)) + ")";
}

// Tuning may drive a part below what is made as a chip; the engineer must know
// before ordering parts.
void AddBelowChipRange(std::vector<std::string> &lines, const Ladder &network)
{
    if (const std::string parts = BelowChipRangeParts(network); !parts.empty())
        lines.push_back("  Below chip range: " + parts + ": no chip part this small");
}

} // namespace

std::vector<std::string> TunedLines(const TunedNetwork &t)
{
    std::vector<std::string> lines;
    std::string heading = "Tuned network";
    if (t.problem.network.load) {
        const LadderElement &load = t.problem.network.load->element;
        if (t.relaxed)
            lines.push_back("No design absorbs the load; tuned from the design for " +
                            ValueText(t.relaxed->relaxedValue, load.kind) + " with the true " +
                            ValueText(load.value, load.kind) + ".");
        if (!t.problem.network.measured)
            heading += " (the load's " + load.label + ValueText(load.value, load.kind) + " held)";
    }
    if (t.problem.network.measured)
        heading += " into the measured load";
    lines.push_back(heading + ": " + FiguresText(t.tuned.gammaMax) + ", from " +
                    Figure(t.tuned.startGammaMax));
    lines.push_back(ValuesLine(t.tuned.network));
    AddBelowChipRange(lines, t.tuned.network);
    if (const std::optional<double> limit = BodeFanoGammaOf(t.problem))
        lines.push_back("  Bode-Fano limit |S11| " + Figure(*limit));
    if (t.standard) {
        lines.push_back("Tuned on " + SeriesName(t.standard->series) +
                        " values: " + FiguresText(t.standard->gammaMax) + ", snapped alone " +
                        Figure(t.standard->snappedGammaMax));
        lines.push_back(ValuesLine(t.standard->network));
        AddBelowChipRange(lines, t.standard->network);
    }
    return lines;
}

} // namespace tevmar::format
