#include "format/candidates_report.h"

#include "format/export_json.h"
#include "format/json_number.h"
#include "report/number_format.h"

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

std::string PartText(const Part &e)
{
    return e.label + " " + Figure(e.value, 4) + " " + e.unit();
}

Json ElementJson(const Part &e)
{
    return Json{{"name", e.label},
                {"kind", ElementKindName(e.kind)},
                {"value", e.value},
                {"unit", e.unit()}};
}

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text + ' ';
}

// How far above the Bode-Fano limit a return loss lies, dB.
std::optional<double> ShortOfLimitDb(double gamma, const std::optional<double> &limit)
{
    if (!limit || !(*limit > 0) || !(gamma > 0))
        return std::nullopt;
    const double db = 20 * std::log10(gamma / *limit);
    return std::isfinite(db) ? std::optional(db) : std::nullopt;
}

} // namespace

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
    lines.push_back(built ? "Candidates, best first (in-band max transducer loss with the parts as "
                            "built and the true load; parts from the source's side):"
                          : "Candidates, best first (in-band max |S11| with the true load; parts "
                            "from the source's side):");
    std::string head = "  " + Padded("#", 3) + Padded("topology", 9) + Padded("parts", 5) +
                       Padded("|S11|max", 9) + Padded("RL dB", 6) +
                       (built ? Padded("loss dB", 8) : "") + Padded("smallest", 13) +
                       Padded("largest", 13);
    if (series)
        head += Padded(SeriesName(set.candidates.front().standard->series) + " |S11|", 10);
    head += Padded("DC source/load", 15) + "over Bode-Fano dB";
    lines.push_back(head);
    for (std::size_t k = 0; k < set.candidates.size(); ++k) {
        const Candidate &c = set.candidates[k];
        const std::vector<Part> parts = SourceToLoad(c.tuned.network);
        const auto [small, large] = Extremes(parts);
        std::string line =
            "  " + Padded(std::to_string(k + 1), 3) + Padded(TopologyName(c.topology), 9) +
            Padded(std::to_string(c.parts), 5) + Padded(Figure(c.tuned.gammaMax, 4), 9) +
            Padded(Figure(ReturnLossDb(c.tuned.gammaMax), 3), 6) +
            (built ? Padded(Figure(c.tuned.lossDbMax, 3), 8) : "") + Padded(PartText(small), 13) +
            Padded(PartText(large), 13);
        if (c.standard)
            line += Padded(Figure(c.standard->gammaMax, 4), 10);
        line += Padded(std::string(DcPathName(c.sourceDc)) + "/" + DcPathName(c.loadDc), 15);
        const auto shortDb = ShortOfLimitDb(c.tuned.gammaMax, set.bodeFanoGamma);
        line += shortDb ? Figure(*shortDb, 3) : "-";
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        lines.push_back(line);
        std::string values = "       ";
        for (std::size_t i = 0; i < parts.size(); ++i)
            values += (i ? ", " : "") + PartText(parts[i]);
        lines.push_back(values);
    }
    return lines;
}

std::string WithCandidatesJson(const std::string &json, const CandidateSet &set)
{
    Json candidates = Json::array();
    for (const Candidate &c : set.candidates) {
        const std::vector<Part> parts = SourceToLoad(c.tuned.network);
        Json elements = Json::array();
        for (const Part &e : parts)
            elements.push_back(ElementJson(e));
        Json start = Json::array();
        for (const Part &e : SourceToLoad(c.problem.network))
            start.push_back(ElementJson(e));
        const auto [small, large] = Extremes(parts);
        Json entry{{"topology", TopologyName(c.topology)},
                   {"parts", c.parts},
                   {"gammaMax", c.tuned.gammaMax},
                   {"returnLossDb", Number(ReturnLossDb(c.tuned.gammaMax))},
                   {"elements", elements},
                   {"startGammaMax", c.tuned.startGammaMax},
                   {"start", start},
                   {"smallestPart", ElementJson(small)},
                   {"largestPart", ElementJson(large)},
                   {"dc", {{"source", DcPathName(c.sourceDc)}, {"load", DcPathName(c.loadDc)}}}};
        if (!IdealAsDrawn(c.tuned.network))
            entry["lossDbMax"] = c.tuned.lossDbMax;
        if (c.standard) {
            Json standard = Json::array();
            for (const Part &e : SourceToLoad(c.standard->network))
                standard.push_back(ElementJson(e));
            entry["standardValues"] = {{"series", SeriesName(c.standard->series)},
                                       {"gammaMax", c.standard->gammaMax},
                                       {"elements", standard}};
            if (!IdealAsDrawn(c.standard->network))
                entry["standardValues"]["lossDbMax"] = c.standard->lossDbMax;
        }
        if (set.bodeFanoGamma)
            entry["bodeFano"] = {
                {"gammaLimit", Number(*set.bodeFanoGamma)},
                {"returnLossShortOfLimitDb",
                 Number(ShortOfLimitDb(c.tuned.gammaMax, set.bodeFanoGamma).value_or(NAN))}};
        candidates.push_back(std::move(entry));
    }
    Json document = Json::parse(json);
    document["candidates"] = std::move(candidates);
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace tevmar::format
