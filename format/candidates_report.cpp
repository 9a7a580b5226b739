#include "format/candidates_report.h"

#include "analysis/model/board_line.h"
#include "format/analysis_text.h"
#include "format/export_json.h"
#include "format/goal_report.h"
#include "format/json_number.h"
#include "format/path_json.h"
#include "report/number_format.h"
#include "units/quantity.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>

namespace tevmar::format {
using namespace analysis;
namespace {

double ReturnLossDb(double gamma)
{
    return -20 * std::log10(gamma);
}

// The parts with the smallest and the largest value (nH or pF).
std::pair<Part, Part> Extremes(const std::vector<Part> &parts)
{
    const auto [low, high] = std::minmax_element(
        parts.begin(), parts.end(), [](const auto &a, const auto &b) { return a.value < b.value; });
    return {*low, *high};
}

// A part as an engineer writes it: "L1 10 uH" rather than "L1 1e+04 nH".
std::string PartText(const Part &e)
{
    return e.label + " " + PartValueText(e);
}

// The DC path a folded larger ladder gave: its parts, where they stood, and
// what each port then sees at DC.
std::string VariantText(const DcVariant &v)
{
    std::string text =
        "DC " + std::string(DcPathName(v.sourceDc)) + "/" + DcPathName(v.loadDc) + " with ";
    for (std::size_t i = 0; i < v.parts.size(); ++i) {
        const Part &p = v.parts[i];
        text += (i ? ", " : "") + std::string(p.letter()) + " " + PartValueText(p) +
                (p.shunt() ? " across" : " in series") + " as part " +
                std::to_string(v.positions[i]);
    }
    return text + " (at the range limit; the match unchanged)";
}

Json ElementJson(const Part &e)
{
    Json json{{"name", e.label}, {"kind", e.Description()}, {"value", e.value}, {"unit", e.unit()}};
    // A line's length is given at the band's arithmetic centre, where the
    // candidates draw it.
    if (e.isLine()) {
        json["z0Ohms"] = e.line.z0Ohms;
        json["degrees"] = e.value;
        // A strip as the layout draws it: an open stub shorter than its
        // electrical length by its end's extension.
        if (e.line.board) {
            const auto mm = [](double metres) {
                return units::Length::FromMetres(metres).millimetres();
            };
            json["widthMm"] = mm(e.line.board->width);
            json["lengthMm"] = mm(DrawnLengthOf(e));
            json["endExtensionMm"] = mm(EndExtensionOf(e));
        }
    }
    return json;
}

// A part of a candidate's network, marked where it stands at a range limit
// and, where its resonance is known, that resonance and whether it lies
// close to the lowest the margin allows.
Json ElementJson(const Part &e, const PartRanges &ranges, const ResonanceRule &rule)
{
    Json json = ElementJson(e);
    json["atLimit"] = AtRangeLimit(e, ranges);
    if (const std::optional<double> hz = e.ResonanceHz()) {
        json["selfResonanceHz"] = Number(*hz);
        json["nearResonance"] = rule.Of(hz) != Clearance::Clear;
    }
    return json;
}

// The rule a candidate's chip parts were tuned under: its band's top and
// margin, never less than the chip models' least. (A kit part carries the
// verdict its kit gave it.)
ResonanceRule RuleOf(const Candidate &c)
{
    return ResonanceRule{c.problem.band.highHz, c.problem.built.srfMarginPercent}.ForChipModels();
}

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text + ' ';
}

// A distance above the Bode-Fano limit beyond which the limit bounds nothing
// a ladder reaches: a load with so little reactance that its limit is a
// return loss far past any practical match.
constexpr double kFarAboveLimitDb = 60;

} // namespace

std::optional<double> ShortOfLimitDb(double gamma, const std::optional<double> &limit)
{
    if (!limit || !(*limit > 0) || !(gamma > 0))
        return std::nullopt;
    const double db = 20 * std::log10(gamma / *limit);
    return std::isfinite(db) ? std::optional(db) : std::nullopt;
}

std::string ResonanceMark(const std::optional<double> &resonanceHz, Clearance clearance)
{
    if (clearance == Clearance::Clear || !resonanceHz)
        return {};
    return " (resonates at " + Figure(units::Frequency::FromHz(*resonanceHz).ghz(), 4) +
           " GHz, near the limit)";
}

std::string CandidatePartText(const Part &part, const PartRanges &ranges,
                              const std::optional<ResonanceRule> &rule)
{
    const std::optional<double> resonanceHz = part.ResonanceHz();
    const std::string mark =
        rule ? ResonanceMark(resonanceHz, rule->Of(resonanceHz)) : std::string{};
    if (!AtRangeLimit(part, ranges))
        return PartText(part) + mark;
    const auto [low, high] = part.RangeIn(ranges);
    return PartText(part) + (part.value <= low * (1 + 1e-6) ? " (lower limit)" : " (upper limit)") +
           mark;
}

std::string AboveBodeFanoText(double gammaMax, const std::optional<double> &limit)
{
    const auto shortDb = ShortOfLimitDb(gammaMax, limit);
    return !shortDb                      ? "-"
           : *shortDb > kFarAboveLimitDb ? "> " + Figure(kFarAboveLimitDb) + " dB"
                                         : Figure(*shortDb, 3) + " dB";
}

std::size_t TopologyColumnWidth(std::span<const Candidate> candidates)
{
    std::size_t width = 9;
    for (const Candidate &c : candidates)
        width = std::max(width, CandidateTopologyName(c).size() + 1);
    return width;
}

// The smallest and largest parts' columns: wide enough for the longest cell,
// as a line's cell names its impedance (and on a board its width and length).
std::size_t ExtremesColumnWidth(std::span<const Candidate> candidates)
{
    std::size_t width = 13;
    for (const Candidate &c : candidates) {
        const auto [small, large] = Extremes(SourceToLoad(c.tuned.network));
        width = std::max({width, PartText(small).size() + 1, PartText(large).size() + 1});
    }
    return width;
}

std::vector<std::string> CandidateLines(const CandidateSet &set)
{
    std::vector<std::string> lines;
    if (set.candidates.empty()) {
        lines.push_back("Candidates: none (the load or band cannot be matched by these ladders)");
        return lines;
    }
    const bool series = set.candidates.front().standard.has_value();
    // Parts as built (models, Q, pads): ranked by the loss, shown beside |S11|.
    const bool built = !IdealAsDrawn(set.candidates.front().tuned.network);
    // Against several bands the score ranks: the worst band's |S11|, or
    // with limits, weights or rejection the worst band's share of its goal.
    const bool goal = !set.goal.empty();
    // With lossy parts a passband's figure is the root of the lost power.
    const bool scored = goal && (!ScoreIsGamma(set.goal) || built);
    if (goal && built)
        lines.push_back("Candidates, best first (score over every band with the parts as built: "
                        "weight x sqrt(1 - G_T)max / limit in each passband, |S21|max / allowed "
                        "in each rejection band; parts from the source's side):");
    else if (goal)
        lines.push_back(scored ? "Candidates, best first (score over every band, at most 1 meeting "
                                 "every limit: weight x |S11|max / limit in each passband, "
                                 "|S21|max / allowed in each rejection band; parts from the "
                                 "source's side):"
                               : "Candidates, best first (the worst band's in-band max |S11| "
                                 "with the true load; parts from the source's side):");
    else
        lines.push_back(built
                            ? "Candidates, best first (in-band max transducer loss with the parts "
                              "as built and the true load; parts from the source's side):"
                            : "Candidates, best first (in-band max |S11| with the true load; "
                              "parts from the source's side):");
    const std::size_t topologyWidth = TopologyColumnWidth(set.candidates);
    const std::size_t extremesWidth = ExtremesColumnWidth(set.candidates);
    std::string head = "  " + Padded("#", 3) + Padded("topology", topologyWidth) +
                       Padded("parts", 5) + Padded(scored ? "score" : "|S11|max", 9) +
                       (scored ? "" : Padded("RL dB", 6)) + (built ? Padded("loss dB", 8) : "") +
                       Padded("smallest", extremesWidth) + Padded("largest", extremesWidth);
    if (series)
        head += Padded(SeriesName(set.candidates.front().standard->series) + " |S11|", 10);
    head += Padded("DC source/load", 15) + "above Bode-Fano limit";
    lines.push_back(head);
    for (std::size_t k = 0; k < set.candidates.size(); ++k) {
        const Candidate &c = set.candidates[k];
        const std::vector<Part> parts = SourceToLoad(c.tuned.network);
        const auto [small, large] = Extremes(parts);
        std::string line =
            "  " + Padded(std::to_string(k + 1), 3) +
            Padded(CandidateTopologyName(c), topologyWidth) + Padded(std::to_string(c.parts), 5) +
            Padded(Figure(c.tuned.gammaMax, 4), 9) +
            (scored ? "" : Padded(Figure(ReturnLossDb(c.tuned.gammaMax), 3), 6)) +
            (built ? Padded(Figure(c.tuned.lossDbMax, 3), 8) : "") +
            Padded(PartText(small), extremesWidth) + Padded(PartText(large), extremesWidth);
        if (c.standard)
            line += Padded(Figure(c.standard->gammaMax, 4), 10);
        line += Padded(std::string(DcPathName(c.sourceDc)) + "/" + DcPathName(c.loadDc), 15);
        line += AboveBodeFanoText(c.tuned.gammaMax, set.bodeFanoGamma);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        lines.push_back(line);
        std::string values = "       ";
        for (std::size_t i = 0; i < parts.size(); ++i)
            values += (i ? ", " : "") + CandidatePartText(parts[i], set.ranges, RuleOf(c));
        lines.push_back(values);
        if (goal)
            lines.push_back("       per band: " + BandFiguresText(set.goal, c.bandFigures));
        for (const DcVariant &v : c.dcVariants)
            lines.push_back("       " + VariantText(v));
    }
    return lines;
}

Json CandidatesJson(const CandidateSet &set)
{
    Json candidates = Json::array();
    for (const Candidate &c : set.candidates) {
        const std::vector<Part> parts = SourceToLoad(c.tuned.network);
        Json elements = Json::array();
        for (const Part &e : parts)
            elements.push_back(ElementJson(e, set.ranges, RuleOf(c)));
        Json start = Json::array();
        for (const Part &e : SourceToLoad(c.problem.network))
            start.push_back(ElementJson(e));
        const auto [small, large] = Extremes(parts);
        Json entry{{"topology", CandidateTopologyName(c)},
                   {"parts", c.parts},
                   {"gammaMax", c.tuned.gammaMax},
                   {"returnLossDb", Number(ReturnLossDb(c.tuned.gammaMax))},
                   {"elements", elements},
                   {"startGammaMax", c.tuned.startGammaMax},
                   {"start", start},
                   {"smallestPart", ElementJson(small)},
                   {"largestPart", ElementJson(large)},
                   {"dc", {{"source", DcPathName(c.sourceDc)}, {"load", DcPathName(c.loadDc)}}}};
        entry["path"] = PathJson(c.tuned.network, c.problem.band.centreHz, PathNames::ByLabel);
        if (!IdealAsDrawn(c.tuned.network))
            entry["lossDbMax"] = c.tuned.lossDbMax;
        if (c.standard) {
            Json standard = Json::array();
            for (const Part &e : SourceToLoad(c.standard->network))
                standard.push_back(ElementJson(e, set.ranges, RuleOf(c)));
            entry["standardValues"] = {{"series", SeriesName(c.standard->series)},
                                       {"gammaMax", c.standard->gammaMax},
                                       {"elements", standard}};
            if (!IdealAsDrawn(c.standard->network))
                entry["standardValues"]["lossDbMax"] = c.standard->lossDbMax;
        }
        if (!set.goal.empty()) {
            entry["bands"] = BandFiguresJson(set.goal, c.bandFigures);
            if (c.standard)
                entry["standardValues"]["bands"] = BandFiguresJson(set.goal, c.standardBandFigures);
        }
        if (!c.dcVariants.empty()) {
            Json variants = Json::array();
            for (const DcVariant &v : c.dcVariants) {
                Json parts = Json::array();
                for (std::size_t i = 0; i < v.parts.size(); ++i) {
                    Json part = ElementJson(v.parts[i], set.ranges, RuleOf(c));
                    part["position"] = v.positions[i];
                    parts.push_back(std::move(part));
                }
                variants.push_back(
                    {{"parts", std::move(parts)},
                     {"dc", {{"source", DcPathName(v.sourceDc)}, {"load", DcPathName(v.loadDc)}}}});
            }
            entry["dcVariants"] = std::move(variants);
        }
        if (set.bodeFanoGamma)
            entry["bodeFano"] = {
                {"gammaLimit", Number(*set.bodeFanoGamma)},
                {"returnLossShortOfLimitDb",
                 Number(ShortOfLimitDb(c.tuned.gammaMax, set.bodeFanoGamma).value_or(NAN))}};
        candidates.push_back(std::move(entry));
    }
    return candidates;
}

void AddCandidatesJson(Json &document, const CandidateSet &set)
{
    document["candidates"] = CandidatesJson(set);
    // The margin matters where some part has a resonance: chip models or a kit.
    for (const Candidate &c : set.candidates)
        for (const Part &part : c.tuned.network.parts)
            if (part.ResonanceHz()) {
                document["srfMarginPercent"] = c.problem.built.srfMarginPercent;
                return;
            }
}

} // namespace tevmar::format
