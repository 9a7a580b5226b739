#include "format/kit_report.h"

#include "format/candidates_report.h"
#include "format/export_json.h"
#include "format/goal_report.h"
#include "format/json_number.h"
#include "format/path_json.h"
#include "report/number_format.h"
#include "report/printable_text.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <span>

namespace tevmar::format {
using namespace analysis;
namespace {

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text + ' ';
}

// "LS 2.7 nH LQ15-2N7": the label without its "=", the nominal value and
// the part number.
std::string PartText(const Part &part)
{
    std::string label = part.label;
    if (!label.empty() && label.back() == '=')
        label.pop_back();
    const KitPart *kit = KitPartOf(part);
    return label + " " + Figure(part.value, 4) + " " + part.unit() +
           (kit ? " " + PrintableText(kit->partNumber) +
                      // the verdict the kit gave the part when read for the band
                      ResonanceMark(kit->resonanceHz, kit->clearance)
                : "");
}

Json PartsJson(const std::vector<Part> &parts)
{
    Json elements = Json::array();
    for (const Part &part : parts) {
        Json e{{"name", part.label},
               {"kind", part.Description()},
               {"value", part.value},
               {"unit", part.unit()}};
        if (const KitPart *kit = KitPartOf(part)) {
            e["part"] = kit->partNumber;
            if (kit->resonanceHz) {
                e["selfResonanceHz"] = Number(*kit->resonanceHz);
                e["nearResonance"] = kit->clearance != Clearance::Clear;
            }
        }
        elements.push_back(std::move(e));
    }
    return elements;
}

Json ElementsJson(const Network &network)
{
    return PartsJson(SourceToLoad(network));
}

Json FiguresJson(const BuiltFigures &f)
{
    return Json{{"gammaMax", Number(f.gammaMax)}, {"lossDbMax", Number(f.lossDbMax)}};
}

} // namespace

std::vector<std::string> KitCandidateLines(const CandidateSet &set,
                                           const std::vector<KitChoice> &choices)
{
    std::vector<std::string> lines;
    if (choices.empty()) {
        lines.push_back("Candidates on kit parts: none");
        return lines;
    }
    const bool goal = !set.goal.empty();
    lines.push_back(goal ? "Candidates on kit parts, best first by the score over every band "
                           "(passbands' max transducer loss and |S11| with the parts' data; parts "
                           "from the source's side):"
                         : "Candidates on kit parts, best first (in-band max transducer loss and "
                           "|S11| with the parts' data; parts from the source's side):");
    const std::size_t topologyWidth = TopologyColumnWidth(
        std::span(set.candidates).first(std::min(choices.size(), set.candidates.size())));
    lines.push_back("  " + Padded("#", 3) + Padded("topology", topologyWidth) + Padded("parts", 5) +
                    Padded("loss dB", 8) + Padded("|S11|max", 9) + Padded("ideal |S11|", 12) +
                    Padded("snapped loss dB", 16) + "snapped |S11|");
    for (std::size_t k = 0; k < choices.size() && k < set.candidates.size(); ++k) {
        const Candidate &c = set.candidates[k];
        const KitChoice &choice = choices[k];
        lines.push_back("  " + Padded(std::to_string(k + 1), 3) +
                        Padded(CandidateTopologyName(c), topologyWidth) +
                        Padded(std::to_string(c.parts), 5) +
                        Padded(Figure(choice.figures.lossDbMax, 3), 8) +
                        Padded(Figure(choice.figures.gammaMax, 4), 9) +
                        Padded(Figure(choice.idealFigures.gammaMax, 4), 12) +
                        Padded(Figure(choice.snappedFigures.lossDbMax, 3), 16) +
                        Figure(choice.snappedFigures.gammaMax, 4));
        std::string parts = "       ";
        const std::vector<Part> built = SourceToLoad(choice.network);
        for (std::size_t i = 0; i < built.size(); ++i)
            parts += (i ? ", " : "") + PartText(built[i]);
        lines.push_back(parts);
        if (goal)
            lines.push_back("       per band: " + BandFiguresText(set.goal, c.bandFigures) +
                            "; score " + Figure(choice.figures.score, 4));
    }
    return lines;
}

Json KitNetworkElementsJson(const Network &network)
{
    return PartsJson(network.parts);
}

void PutCandidatesOnKitJson(Json &candidates, const std::vector<KitChoice> &choices, double pathHz)
{
    for (std::size_t k = 0; k < choices.size() && k < candidates.size(); ++k) {
        const KitChoice &choice = choices[k];
        Json &entry = candidates[k];
        entry["elements"] = ElementsJson(choice.network);
        entry["gammaMax"] = Number(choice.figures.gammaMax);
        entry["lossDbMax"] = Number(choice.figures.lossDbMax);
        Json ideal = FiguresJson(choice.idealFigures);
        ideal["elements"] = ElementsJson(choice.ideal);
        if (pathHz > 0) {
            ideal["path"] = PathJson(choice.ideal, pathHz, PathNames::ByLabel);
            entry["path"] = PathJson(choice.network, pathHz, PathNames::ByLabel);
        }
        entry["ideal"] = std::move(ideal);
        Json snapped = FiguresJson(choice.snappedFigures);
        snapped["elements"] = ElementsJson(choice.snapped);
        entry["snapped"] = std::move(snapped);
    }
}

void AddKitJson(Json &document, const Kit &kit, const std::vector<KitChoice> &choices)
{
    PutCandidatesOnKitJson(document["candidates"], choices, std::sqrt(kit.lowHz * kit.highHz));
    Json parts = Json::array();
    for (const std::vector<KitPartRef> *list : {&kit.inductors, &kit.capacitors})
        for (const KitPartRef &p : *list) {
            Json part{{"part", p->partNumber},
                      {"kind", p->inductor ? "inductor" : "capacitor"},
                      {"value", p->nominal},
                      {"unit", p->unit()},
                      {"file", p->fileName}};
            if (p->resonanceHz)
                part["selfResonanceHz"] = Number(*p->resonanceHz);
            parts.push_back(std::move(part));
        }
    document["kit"] = Json{{"bandLowHz", kit.lowHz},
                           {"bandHighHz", kit.highHz},
                           {"srfMarginPercent", kit.srfMarginPercent},
                           {"parts", parts}};
}

std::vector<std::string> KitTunedLines(const KitChoice &choice)
{
    std::vector<std::string> lines;
    lines.push_back("On kit parts (with the parts' data): in-band max loss " +
                    Figure(choice.figures.lossDbMax, 3) + " dB, |S11| max " +
                    Figure(choice.figures.gammaMax, 4) + "; ideal |S11| max " +
                    Figure(choice.idealFigures.gammaMax, 4) + "; snapped to the nearest values " +
                    Figure(choice.snappedFigures.lossDbMax, 3) + " dB, |S11| max " +
                    Figure(choice.snappedFigures.gammaMax, 4));
    std::string parts = "  ";
    const std::vector<Part> built = SourceToLoad(choice.network);
    for (std::size_t i = 0; i < built.size(); ++i)
        parts += (i ? ", " : "") + PartText(built[i]);
    lines.push_back(parts + " (from the source's side)");
    return lines;
}

void PutTunedOnKitJson(Json &tuned, const KitChoice &choice)
{
    tuned["lossDbMax"] = Number(choice.idealFigures.lossDbMax);
    Json kit = FiguresJson(choice.figures);
    kit["elements"] = ElementsJson(choice.network);
    Json snapped = FiguresJson(choice.snappedFigures);
    snapped["elements"] = ElementsJson(choice.snapped);
    kit["snapped"] = std::move(snapped);
    tuned["kit"] = std::move(kit);
}

void AddTunedKitJson(Json &document, const KitChoice &choice)
{
    PutTunedOnKitJson(document["tuned"], choice);
}

} // namespace tevmar::format
