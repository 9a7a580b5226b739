#include "session/views/candidates.h"

#include "analysis/figures/network_analysis.h"
#include "analysis/model/two_port.h"
#include "format/analysis_text.h"
#include "format/candidates_report.h"
#include "format/goal_report.h"
#include "report/number_format.h"
#include "session/run/kit_parts.h"

#include <algorithm>
#include <cmath>

namespace tevmar::session {
namespace {

using analysis::Candidate;
using analysis::Part;

// A kit part by its number, which is what goes on the bill of materials;
// any other in its engineering unit, as the command line writes it.
std::string PartText(const Part &e)
{
    if (std::string kit = KitPartText(e); !kit.empty())
        return kit;
    return format::PartValueText(e);
}

// Against several bands with limits, weights, rejection or lossy parts the
// candidates are ranked by a score rather than by a worst |S11|, and the
// table heads it so, as the command line's does.
bool Scored(const analysis::CandidateSet &set)
{
    if (set.goal.empty())
        return false;
    return !format::ScoreIsGamma(set.goal) ||
           (!set.candidates.empty() &&
            !analysis::IdealAsDrawn(set.candidates.front().tuned.network));
}

} // namespace

SearchChoices SearchChoicesOf(const ResponseSettings &settings)
{
    // A kit's parts take the place of standard values.
    const bool onKit = !settings.partsFolder.empty();
    return {onKit ? std::nullopt : settings.eseries, settings.tuneRanges,
            PartModelsOf(AnalysisSettingsOf(settings)), settings.bands.goal};
}

std::optional<analysis::CandidateSet> FindCandidates(Study &study, const CalculateOutcome &design,
                                                     const ResponseSettings &settings,
                                                     const std::atomic<bool> *stop,
                                                     std::function<void(int, int)> progress)
{
    const SearchChoices choices = SearchChoicesOf(settings);
    try {
        analysis::CandidateSet set = study.Candidates(design, choices, stop, std::move(progress));
        if (!settings.partsFolder.empty() && !set.candidates.empty()) {
            // Over several bands the kit's data must cover them all, the
            // rejection bands included, as the command line reads it.
            const analysis::KitReading kit =
                study.Kit(settings.partsFolder,
                          set.goal.empty() ? set.candidates.front().problem.band : set.goal.Span(),
                          settings.srfMarginPercent);
            // Networks that cannot be built from the kit are none to offer.
            if (!kit.problem.empty())
                set.candidates.clear();
            else
                set = study
                          .CandidatesOnKitParts(design, choices, set, settings.partsFolder, kit.kit,
                                                stop)
                          .set;
        }
        return set;
    } catch (const analysis::TuneCancelled &) {
        return std::nullopt;
    }
}

std::optional<analysis::CandidateSet> FindCandidates(const CalculateOutcome &design,
                                                     const ResponseSettings &settings,
                                                     const std::atomic<bool> *stop,
                                                     std::function<void(int, int)> progress)
{
    Study study;
    return FindCandidates(study, design, settings, stop, std::move(progress));
}

CalculateOutcome CandidateOutcome(const CalculateOutcome &design, const Candidate &c, int rank)
{
    CalculateOutcome outcome = design;
    analysis::DesignedNetwork &d = outcome.network.emplace();
    d.band = c.problem.band;
    d.full = c.tuned.network;
    d.full.measured = nullptr; // the analysis puts the design's measured load back
    // The in-band extremes of the network itself, so that the network check
    // compares like with like, and the Bode-Fano limit of its own load.
    const analysis::PassbandFigures figures = analysis::PassbandFiguresOf(c.tuned.network, d.band);
    d.gammaMax = figures.gammaMax;
    d.gammaMin = figures.gammaMin;
    d.vswrMax = analysis::VswrOf(figures.gammaMax);
    d.bodeFano = analysis::BodeFanoOf(
        d.full, d.band, d.band.centreHz / (d.band.highHz - d.band.lowHz), figures.gammaMax);
    outcome.origin =
        NetworkOrigin{NetworkSource::Candidate, rank, analysis::CandidateTopologyName(c), c.parts,
                      analysis::TunedNetwork{c.problem, c.tuned, c.standard, std::nullopt}};
    return outcome;
}

std::vector<std::string> CandidateHeads(const analysis::CandidateSet &set)
{
    std::vector<std::string> heads{"#", "Topology", "Parts"};
    if (Scored(set))
        heads.push_back("Score");
    else
        heads.insert(heads.end(), {set.goal.empty() ? "|S11| max" : "Worst |S11|", "RL (dB)"});
    heads.insert(heads.end(), {"Smallest", "Largest"});
    if (!set.candidates.empty() && set.candidates.front().standard)
        heads.push_back(analysis::SeriesName(set.candidates.front().standard->series) + " |S11|");
    heads.insert(heads.end(), {"DC source", "DC load"});
    // Several bands have no closed-form limit: each band's figure instead.
    heads.push_back(set.goal.empty() ? "Above Bode-Fano limit" : "Per band");
    heads.push_back("Values");
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
            {analysis::CandidateTopologyName(c), static_cast<double>(c.topology) * 100 + rank},
            {std::to_string(c.parts), static_cast<double>(c.parts)},
            {Figure(gamma, 4), gamma}};
        if (!Scored(set))
            row.push_back({Figure(-20 * std::log10(gamma), 3), -20 * std::log10(gamma)});
        row.push_back({small->label + " " + PartText(*small), small->value});
        row.push_back({large->label + " " + PartText(*large), large->value});
        if (c.standard)
            row.push_back({Figure(c.standard->gammaMax, 4), c.standard->gammaMax});
        row.push_back({analysis::DcPathName(c.sourceDc), static_cast<double>(c.sourceDc)});
        row.push_back({analysis::DcPathName(c.loadDc), static_cast<double>(c.loadDc)});
        // Sorted by the distance itself, "> 60 dB" among the farthest.
        if (set.goal.empty())
            row.push_back({format::AboveBodeFanoText(gamma, set.bodeFanoGamma),
                           format::ShortOfLimitDb(gamma, set.bodeFanoGamma).value_or(0)});
        else
            row.push_back({format::BandFiguresText(set.goal, c.bandFigures), rank});
        std::string values;
        // A part close to resonance is marked as the command line marks it.
        const analysis::ResonanceRule rule{c.problem.band.highHz, c.problem.built.srfMarginPercent};
        for (const Part &e : parts) {
            const std::string kit = KitPartText(e);
            const std::optional<double> resonanceHz = e.ResonanceHz();
            values += (values.empty() ? "" : ", ") +
                      (kit.empty() ? format::CandidatePartText(e, set.ranges, rule.ForChipModels())
                                   : e.label + " " + kit +
                                         format::ResonanceMark(resonanceHz, rule.Of(resonanceHz)));
        }
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

std::string CandidateSummary(const analysis::CandidateSet &set, std::size_t index, bool perBand)
{
    const Candidate &c = set.candidates.at(index);
    const std::string head = "Candidate " + std::to_string(index + 1) + ": " +
                             analysis::CandidateTopologyName(c) + ", " + std::to_string(c.parts) +
                             " parts, ";
    if (!set.goal.empty())
        return head + (Scored(set) ? "score " : "worst band's |S11| ") +
               Figure(c.tuned.gammaMax, 4) + " with the true load" +
               (perBand ? ": " + format::BandFiguresText(set.goal, c.bandFigures)
                        : ", each band's figure beside the plot");
    return head + "in-band max |S11| " + Figure(c.tuned.gammaMax, 4) + " (return loss " +
           Figure(-20 * std::log10(c.tuned.gammaMax), 3) + " dB) with the true load";
}

} // namespace tevmar::session
