#include "session/views/candidates.h"

#include "analysis/network_analysis.h"
#include "analysis/two_port.h"
#include "engine/absorption.h"
#include "engine/design.h"
#include "report/number_format.h"

#include <algorithm>
#include <cmath>

namespace tevmar::session {
namespace {

using analysis::Candidate;
using analysis::Part;

// The element table's label and unit of a part of this kind.
ElementRow RowOf(const Part &e)
{
    static constexpr struct
    {
        ElementKind kind;
        const char *label;
        const char *unit;
    } kRows[] = {{ElementKind::SeriesInductor, "LS=", " Nano-Henry"},
                 {ElementKind::SeriesCapacitor, "CS=", " Pico-Farad"},
                 {ElementKind::ShuntInductor, "LP=", " Nano-Henry"},
                 {ElementKind::ShuntCapacitor, "CP=", " Pico-Farad"}};
    ElementRow row;
    for (const auto &r : kRows)
        if (r.kind == e.kind) {
            row.label = r.label;
            row.unit = r.unit;
        }
    row.kind = e.kind;
    row.fullValue = e.value;
    row.value = PrintedElementValue(e.value);
    return row;
}

ElementRow Termination(double ohms)
{
    ElementRow row;
    row.label = "R =";
    row.unit = " Ohms";
    row.kind = ElementKind::Termination;
    row.fullValue = ohms;
    row.value = PrintedElementValue(ohms);
    return row;
}

std::string PartText(const Part &e)
{
    return Figure(e.value, 4) + " " + e.unit();
}

} // namespace

std::optional<analysis::CandidateSet> FindCandidates(const CalculateOutcome &design,
                                                     const ResponseSettings &settings,
                                                     const std::atomic<bool> *stop,
                                                     std::function<void(int, int)> progress)
{
    analysis::CandidateOptions options;
    options.series = settings.eseries;
    options.ranges = settings.tuneRanges;
    options.built = PartModelsOf(AnalysisSettingsOf(settings));
    options.stop = stop;
    options.progress = std::move(progress);
    try {
        return analysis::BuildCandidates(design.inputs, design.result, design.measuredLoad,
                                         options);
    } catch (const analysis::TuneCancelled &) {
        return std::nullopt;
    }
}

CalculateOutcome CandidateOutcome(const CalculateOutcome &design, const Candidate &c)
{
    CalculateOutcome outcome = design;
    DesignResult &r = outcome.result;
    const analysis::Network &network = c.tuned.network;
    r.solved = true;
    r.n = std::max(1, c.parts / 2);
    r.zhighOhms = network.port1Ohms;
    r.zlowOhms = network.port2Ohms;
    r.absorbed = network.load.has_value();
    r.absorbedValue = network.load ? network.load->element.value : 0;
    if (network.load) {
        r.loadType = network.load->type;
        r.inductive = network.load->element.inductor();
    }
    // The in-band extremes of the network itself, so that the network check
    // compares like with like.
    const analysis::PassbandFigures figures = analysis::PassbandFiguresOf(network, c.problem.band);
    r.GammaMax = figures.gammaMax;
    r.GammaMin = figures.gammaMin;
    r.Smax = analysis::VswrOf(r.GammaMax);
    r.Smin = analysis::VswrOf(r.GammaMin);
    r.Lmax = -10 * std::log10(1 - r.GammaMax * r.GammaMax);
    r.Lmin = -10 * std::log10(1 - r.GammaMin * r.GammaMin);
    r.table.clear();
    r.table.push_back(Termination(network.port1Ohms));
    if (network.load && network.load->port() == 1)
        r.table.push_back(RowOf(network.load->element));
    for (const Part &e : network.parts)
        r.table.push_back(RowOf(e));
    if (network.load && network.load->port() == 2)
        r.table.push_back(RowOf(network.load->element));
    r.table.push_back(Termination(network.port2Ohms));
    return outcome;
}

std::vector<std::string> CandidateHeads(const analysis::CandidateSet &set)
{
    std::vector<std::string> heads{"#",       "Topology", "Parts",  "|S11| max",
                                   "RL (dB)", "Smallest", "Largest"};
    if (!set.candidates.empty() && set.candidates.front().standard)
        heads.push_back(analysis::SeriesName(set.candidates.front().standard->series) + " |S11|");
    heads.insert(heads.end(), {"DC source", "DC load", "Over Bode-Fano (dB)", "Values"});
    return heads;
}

std::vector<std::vector<CandidateCell>> CandidateRows(const analysis::CandidateSet &set)
{
    std::vector<std::vector<CandidateCell>> rows;
    for (std::size_t k = 0; k < set.candidates.size(); ++k) {
        const Candidate &c = set.candidates[k];
        const double rank = static_cast<double>(k);
        const std::vector<Part> parts = analysis::SourceToLoad(c.tuned.network);
        const auto [small, large] =
            std::minmax_element(parts.begin(), parts.end(),
                                [](const auto &a, const auto &b) { return a.value < b.value; });
        const double gamma = c.tuned.gammaMax;
        std::vector<CandidateCell> row{
            {std::to_string(k + 1), rank},
            {analysis::TopologyName(c.topology), static_cast<double>(c.topology) * 100 + rank},
            {std::to_string(c.parts), static_cast<double>(c.parts)},
            {Figure(gamma, 4), gamma},
            {Figure(-20 * std::log10(gamma), 3), -20 * std::log10(gamma)},
            {small->label + " " + PartText(*small), small->value},
            {large->label + " " + PartText(*large), large->value}};
        if (c.standard)
            row.push_back({Figure(c.standard->gammaMax, 4), c.standard->gammaMax});
        row.push_back({analysis::DcPathName(c.sourceDc), static_cast<double>(c.sourceDc)});
        row.push_back({analysis::DcPathName(c.loadDc), static_cast<double>(c.loadDc)});
        if (set.bodeFanoGamma && *set.bodeFanoGamma > 0 && gamma > 0) {
            const double db = 20 * std::log10(gamma / *set.bodeFanoGamma);
            row.push_back({std::isfinite(db) ? Figure(db, 3) : "-", std::isfinite(db) ? db : 0});
        } else {
            row.push_back({"-", 0});
        }
        std::string values;
        for (const Part &e : parts)
            values += (values.empty() ? "" : ", ") + e.label + " " + PartText(e);
        row.push_back({values, rank});
        rows.push_back(std::move(row));
    }
    return rows;
}

bool CandidatesMayHelp(const CalculateOutcome &outcome)
{
    if (outcome.solved())
        return false;
    const InputValues &typed = outcome.result.typed;
    return outcome.measuredLoad || (typed.absorbedValue > 0 && analysis::CandidatesPossibleFor(
                                                                   typed, outcome.inputs.loadType));
}

std::string CandidateSummary(const analysis::CandidateSet &set, std::size_t index)
{
    const Candidate &c = set.candidates.at(index);
    return "Candidate " + std::to_string(index + 1) + ": " + analysis::TopologyName(c.topology) +
           ", " + std::to_string(c.parts) + " parts, in-band max |S11| " +
           Figure(c.tuned.gammaMax, 4) + " (return loss " +
           Figure(-20 * std::log10(c.tuned.gammaMax), 3) + " dB) with the true load";
}

} // namespace tevmar::session
