#include "format/tuned_report.h"

#include "analysis/model/two_port.h"
#include "analysis/search/kit_search.h"
#include "format/analysis_text.h"
#include "format/candidates_report.h"
#include "format/export_json.h"
#include "format/json_number.h"
#include "format/path_json.h"
#include "format/port_text.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace tevmar::format {
using namespace analysis;
namespace {

// The rule the tune held its chip parts under: its band's top (the highest
// passband's with several) and the margin asked, never less than the chip
// models' least.
ResonanceRule RuleOf(const TuneProblem &problem)
{
    return ResonanceRule{problem.band.highHz, problem.built.srfMarginPercent}.ForChipModels();
}

// Each part's export name, label and unit and its values in two networks of
// the same parts; a chip part's resonance and whether it stands near the
// margin's limit, as the candidates give them.
Json ElementsJson(const Network &from, const char *fromKey, const Network &to, const char *toKey,
                  const PartRanges &ranges, const ResonanceRule &rule)
{
    Json elements = Json::array();
    for (std::size_t i = 0; i < to.parts.size(); ++i) {
        Json element{{"part", PartName(to, i)},
                     {"label", to.parts[i].label},
                     {"unit", to.parts[i].unit()},
                     {"kind", to.parts[i].Description()},
                     {"absorbedLoad", false},
                     {fromKey, from.parts[i].value},
                     {toKey, to.parts[i].value},
                     {"belowChipRange", to.parts[i].belowChipRange()},
                     {"atLimit", AtRangeLimit(to.parts[i], ranges)}};
        if (const std::optional<double> hz = to.parts[i].ResonanceHz()) {
            element["selfResonanceHz"] = Number(*hz);
            element["nearResonance"] = rule.Of(hz) != Clearance::Clear;
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

Json RangesJson(const PartRanges &r)
{
    return Json{{"inductorNh", {r.inductorLowNh, r.inductorHighNh}},
                {"capacitorPf", {r.capacitorLowPf, r.capacitorHighPf}}};
}

// The tuned network's own figures where they were asked for: tolerance
// trials, sensitivity, finite Q.
void AddPartFigures(Json &tuned, const NetworkAnalysis &analysis)
{
    const Json figures = AnalysisTree(analysis);
    tuned["sensitivity"] = figures["sensitivity"];
    for (const char *key : {"finiteQ", "monteCarlo"})
        if (figures.contains(key))
            tuned[key] = figures[key];
}

// The load's reactance, held at its typed value, as the design's ports mark it.
Json LoadJson(const LoadReactance &load)
{
    return Json{{"port", load.port()},
                {"loadType", NamesOf(load.type).code},
                {"kind", load.element.Description()},
                {"label", load.element.label},
                {"value", load.element.value},
                {"unit", load.element.unit()},
                {"absorbedLoad", true}};
}

} // namespace

std::string AtLimitParts(const Network &network, const PartRanges &ranges)
{
    std::string text;
    for (std::size_t i = 0; i < network.parts.size(); ++i) {
        const Part &part = network.parts[i];
        if (!AtRangeLimit(part, ranges))
            continue;
        const auto [low, high] = part.RangeIn(ranges);
        // A part the design put outside the range may stay there.
        const bool lower = part.value <= std::sqrt(low * high);
        const bool beyond = lower ? part.value < low * (1 - 1e-6) : part.value > high * (1 + 1e-6);
        const char *where =
            beyond ? (lower ? " (below the range, as designed)" : " (above the range, as designed)")
                   : (lower ? " (lower limit)" : " (upper limit)");
        text += (text.empty() ? "" : ", ") + PartName(network, i) + " " + Figure(part.value) + " " +
                part.unit() + where;
    }
    return text;
}

bool NearResonanceLimit(const Part &part, const TuneProblem &problem)
{
    if (const KitPart *kit = KitPartOf(part))
        return kit->clearance != Clearance::Clear;
    return RuleOf(problem).Of(part.ResonanceHz()) != Clearance::Clear;
}

std::string NearResonanceParts(const Network &network, const ResonanceRule &rule)
{
    std::string text;
    for (std::size_t i = 0; i < network.parts.size(); ++i) {
        const Part &part = network.parts[i];
        const std::optional<double> hz = part.ResonanceHz();
        const std::string mark = ResonanceMark(hz, rule.Of(hz));
        if (!mark.empty())
            text += (text.empty() ? "" : ", ") + PartName(network, i) + " " + Figure(part.value) +
                    " " + part.unit() + mark;
    }
    return text;
}

Json TunedJson(const TunedNetwork &t, const NetworkAnalysis *analysis)
{
    Json tuned = Json::object();
    if (t.relaxed)
        tuned["startingDesign"] = {
            {"note", "no design absorbs the load; tuned, with the true load, from the design "
                     "for the nearest value of lower load Q that solves"},
            {"absorbedValue", t.relaxed->relaxedValue}};
    const std::optional<LoadReactance> &load = t.problem.network.load;
    // Data no fitted kind describes: the fit's reactance is no load's.
    tuned["absorbedLoad"] = load && !DataOnly(t.problem.network) ? LoadJson(*load) : Json(nullptr);
    if (t.problem.network.measured)
        tuned["intoMeasuredLoad"] = true;
    tuned["partRanges"] = RangesJson(t.problem.ranges);
    tuned["elements"] = ElementsJson(t.problem.network, "start", t.tuned.network, "tuned",
                                     t.problem.ranges, RuleOf(t.problem));
    tuned["startGammaMax"] = t.tuned.startGammaMax;
    tuned["gammaMax"] = t.tuned.gammaMax;
    tuned["vswrMax"] = VswrOf(t.tuned.gammaMax);
    if (!IdealAsDrawn(t.tuned.network))
        tuned["lossDbMax"] = t.tuned.lossDbMax;
    tuned["path"] = PathJson(t.tuned.network, t.problem.band.centreHz);
    if (const std::optional<double> limit = BodeFanoGammaOf(t.problem))
        tuned["bodeFano"] = {
            {"gammaLimit", *limit},
            {"returnLossShortOfLimitDb", Number(20 * std::log10(t.tuned.gammaMax / *limit))}};
    if (t.standard) {
        Json standard{{"series", SeriesName(t.standard->series)},
                      {"network", "tuned"},
                      {"elements", ElementsJson(t.tuned.network, "tuned", t.standard->network,
                                                "standard", t.problem.ranges, RuleOf(t.problem))},
                      {"snappedGammaMax", t.standard->snappedGammaMax},
                      {"gammaMax", t.standard->gammaMax},
                      {"vswrMax", VswrOf(t.standard->gammaMax)}};
        if (!IdealAsDrawn(t.standard->network))
            standard["lossDbMax"] = t.standard->lossDbMax;
        tuned["standardValues"] = standard;
    }
    if (analysis)
        AddPartFigures(tuned, *analysis);
    return tuned;
}

void AddTunedJson(Json &document, const TunedNetwork &t, const NetworkAnalysis *analysis)
{
    document["tuned"] = TunedJson(t, analysis);
}

namespace {

// A value of the part's kind (nH or pF) in its engineering unit: "2.2 nH",
// "10 uH" rather than "10000 nH".
std::string ValueText(double value, const Part &kind)
{
    return PartValueText(kind.WithValue(value), 6);
}

std::string ValuesLine(const Network &network)
{
    std::string line = " ";
    for (const Part &e : network.parts)
        line += " " + e.label + ValueText(e.value, e);
    return line;
}

// With the parts as built, the tune's own figure: the most power lost in band.
std::string LossText(const Network &network, double lossDbMax)
{
    return IdealAsDrawn(network)
               ? ""
               : "; parts as built, in-band max transducer loss " + Figure(lossDbMax, 4) + " dB";
}

std::string FiguresText(double gammaMax)
{
    return "in-band max |S11| " + Figure(gammaMax) + " (VSWR " + Figure(VswrOf(gammaMax)) + ")";
}

// Tuning may drive a part below what is made as a chip; the engineer must know
// before ordering parts.
void AddBelowChipRange(std::vector<std::string> &lines, const Network &network)
{
    if (const std::string parts = BelowChipRangeParts(network); !parts.empty())
        lines.push_back("  Below chip range: " + parts + ": no chip part this small");
}

// A part held at a range limit is where the search stopped, not where the
// match wanted it: a wider range may do better.
void AddAtLimit(std::vector<std::string> &lines, const Network &network, const PartRanges &ranges)
{
    if (const std::string parts = AtLimitParts(network, ranges); !parts.empty())
        lines.push_back("  At a range limit: " + parts);
}

// A part near its resonance's limit is one whose value swells with every
// tolerance and degree: the engineer checks its data before ordering it.
void AddNearResonance(std::vector<std::string> &lines, const Network &network,
                      const ResonanceRule &rule)
{
    if (const std::string parts = NearResonanceParts(network, rule); !parts.empty())
        lines.push_back("  Near resonance: " + parts);
}

} // namespace

std::vector<std::string> TunedLines(const TunedNetwork &t, const NetworkAnalysis *analysis)
{
    std::vector<std::string> lines;
    std::string heading = "Tuned network";
    if (t.problem.network.load) {
        const Part &load = t.problem.network.load->element;
        if (t.relaxed)
            lines.push_back("No design absorbs the load; tuned from the design for " +
                            ValueText(t.relaxed->relaxedValue, load) +
                            " (the nearest value of lower load Q that solves) with the true " +
                            ValueText(load.value, load) + ".");
        if (!t.problem.network.measured)
            heading += " (the load's " + load.label + ValueText(load.value, load) + " held)";
    }
    if (t.problem.network.measured)
        heading += " into the measured load";
    lines.push_back(heading + ": " + FiguresText(t.tuned.gammaMax) + ", from " +
                    Figure(t.tuned.startGammaMax) + LossText(t.tuned.network, t.tuned.lossDbMax));
    lines.push_back(ValuesLine(t.tuned.network));
    AddBelowChipRange(lines, t.tuned.network);
    AddAtLimit(lines, t.tuned.network, t.problem.ranges);
    AddNearResonance(lines, t.tuned.network, RuleOf(t.problem));
    if (const std::optional<double> limit = BodeFanoGammaOf(t.problem))
        lines.push_back("  Bode-Fano limit |S11| " + Figure(*limit));
    if (t.standard) {
        lines.push_back("Tuned network on " + SeriesName(t.standard->series) +
                        " values: " + FiguresText(t.standard->gammaMax) +
                        ", its tuned values snapped alone " + Figure(t.standard->snappedGammaMax) +
                        LossText(t.standard->network, t.standard->lossDbMax));
        lines.push_back(ValuesLine(t.standard->network));
        AddBelowChipRange(lines, t.standard->network);
        AddAtLimit(lines, t.standard->network, t.problem.ranges);
        AddNearResonance(lines, t.standard->network, RuleOf(t.problem));
    }
    if (analysis)
        for (const std::string &line : PartFiguresLines(*analysis))
            lines.push_back(line.starts_with(' ') ? line : "Tuned network: " + line);
    return lines;
}

} // namespace tevmar::format
