#include "analysis/tuned_report.h"

#include "analysis/analysis_text.h"
#include "analysis/two_port.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace tevmar::analysis {
namespace {

using Json = nlohmann::ordered_json;

// A figure, or null where it is not finite (a limit below double range).
Json Number(double value)
{
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

// Each part's label and its values in two networks of the same parts.
Json ElementsJson(const Ladder &from, const char *fromKey, const Ladder &to, const char *toKey)
{
    Json elements = Json::array();
    for (std::size_t i = 0; i < to.elements.size(); ++i)
        elements.push_back({{"label", to.elements[i].label},
                            {fromKey, from.elements[i].value},
                            {toKey, to.elements[i].value}});
    return elements;
}

} // namespace

std::string WithTunedJson(const std::string &designJson, const TunedNetwork &t)
{
    Json tuned = Json::object();
    if (t.relaxed)
        tuned["startingDesign"] = {{"note", "no design absorbs the load; tuned from the design "
                                            "for the largest value that solves"},
                                   {"absorbedValue", t.relaxed->relaxedValue}};
    if (t.problem.load)
        tuned["load"] = {{"label", t.problem.load->element.label},
                         {"value", t.problem.load->element.value},
                         {"port", t.problem.load->port == LoadPort::Port1 ? 1 : 2}};
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
    return document.dump(2) + "\n";
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

} // namespace

std::vector<std::string> TunedLines(const TunedNetwork &t)
{
    std::vector<std::string> lines;
    std::string heading = "Tuned network";
    if (t.problem.load) {
        const LadderElement &load = t.problem.load->element;
        if (t.relaxed)
            lines.push_back("No design absorbs the load; tuned from the design for " +
                            ValueText(t.relaxed->relaxedValue, load.kind) + " with the true " +
                            ValueText(load.value, load.kind) + ".");
        heading += " (the load's " + load.label + ValueText(load.value, load.kind) + " held)";
    }
    lines.push_back(heading + ": " + FiguresText(t.tuned.gammaMax) + ", from " +
                    Figure(t.tuned.startGammaMax));
    lines.push_back(ValuesLine(t.tuned.network));
    if (const std::optional<double> limit = BodeFanoGammaOf(t.problem))
        lines.push_back("  Bode-Fano limit |S11| " + Figure(*limit));
    if (t.standard) {
        lines.push_back("Tuned on " + SeriesName(t.standard->series) +
                        " values: " + FiguresText(t.standard->gammaMax) + ", snapped alone " +
                        Figure(t.standard->snappedGammaMax));
        lines.push_back(ValuesLine(t.standard->network));
    }
    return lines;
}

} // namespace tevmar::analysis
