#include "analysis/kit_search.h"

#include "analysis/tuner.h"
#include "analysis/two_port.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tevmar::analysis {
namespace {

// G_T far below anything a network passes keeps the decibels finite.
constexpr double kSmallestGain = 1e-30;

double LossDb(const SParameters &s)
{
    return -10 * std::log10(std::max(std::norm(s.s21), kSmallestGain));
}

// The screen's measure of a network: its worst loss on the grid, then its
// worst reflection; lower is better in that order.
struct Score
{
    double lossDb = std::numeric_limits<double>::infinity();
    double gamma = std::numeric_limits<double>::infinity();

    bool Better(const Score &other) const
    {
        // A hundredth of a millidecibel is below anything a bench resolves.
        if (lossDb < other.lossDb - 1e-5)
            return true;
        return lossDb <= other.lossDb + 1e-5 && gamma < other.gamma - 1e-9;
    }
};

class Search
{
  public:
    Search(const Network &ideal, const Band &band, const Kit &kit, const std::atomic<bool> *stop)
        : ideal_(ideal), kit_(kit), stop_(stop)
    {
        const std::size_t n = ideal.parts.size();
        // A point every few megahertz of a narrow band and the edges: the
        // data's own points are some tens of megahertz apart.
        grid_ = BandGrid(band, static_cast<int>(std::max<std::size_t>(41, 8 * (n + 1) + 1)));
        centreOmega_ = 2 * std::numbers::pi * band.centreHz;
    }

    // The index of the kit part of the nearest nominal value.
    std::size_t NearestNominal(const Part &part) const
    {
        const std::vector<KitPartRef> &parts = kit_.Of(part.inductor());
        std::size_t best = 0;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (std::size_t k = 0; k < parts.size(); ++k) {
            const double d = std::abs(std::log(parts[k]->nominal / std::max(part.value, 1e-12)));
            if (d < bestDistance) {
                bestDistance = d;
                best = k;
            }
        }
        return best;
    }

    // The index of the kit part whose reactance at the band's centre is
    // nearest the ideal part's: a part near its resonance acts larger (an
    // inductor) or smaller (a capacitor's falling reactance) than marked.
    std::size_t NearestEffective(const Part &part) const
    {
        const std::vector<KitPartRef> &parts = kit_.Of(part.inductor());
        const double wanted = std::abs(part.ReactanceAt(centreOmega_));
        std::size_t best = 0;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (std::size_t k = 0; k < parts.size(); ++k) {
            const double x =
                std::abs(parts[k]->ImpedanceAt(centreOmega_ / (2 * std::numbers::pi)).imag());
            const double d = std::abs(std::log(std::max(x, 1e-300) / std::max(wanted, 1e-300)));
            if (d < bestDistance) {
                bestDistance = d;
                best = k;
            }
        }
        return best;
    }

    Network Built(const std::vector<std::size_t> &index) const
    {
        Network network = ideal_;
        for (std::size_t i = 0; i < network.parts.size(); ++i)
            network.parts[i] =
                KitPartAs(ideal_.parts[i], kit_.Of(ideal_.parts[i].inductor())[index[i]]);
        return network;
    }

    Score Measure(const std::vector<std::size_t> &index)
    {
        if (stop_ && stop_->load())
            throw TuneCancelled();
        // One network reused: only the parts' models and values change.
        if (work_.parts.empty())
            work_ = Built(index);
        for (std::size_t i = 0; i < work_.parts.size(); ++i) {
            const KitPartRef &part = kit_.Of(ideal_.parts[i].inductor())[index[i]];
            work_.parts[i].value = part->nominal;
            std::get<Measured>(work_.parts[i].model).part = part;
        }
        Score score{0, 0};
        for (const SweepPoint &p : EvaluateOver(work_, grid_)) {
            score.lossDb = std::max(score.lossDb, LossDb(p.s));
            score.gamma = std::max(score.gamma, std::abs(p.s.s11));
        }
        return score;
    }

    // Moves of one part by one to three kit values either way, the best taken;
    // when none helps, of two parts by one value each. Every move improves
    // the score strictly, so the search ends.
    std::vector<std::size_t> Descend(std::vector<std::size_t> index)
    {
        Score current = Measure(index);
        const std::size_t n = index.size();
        const auto size = [&](std::size_t i) { return kit_.Of(ideal_.parts[i].inductor()).size(); };
        const auto moved = [&](std::size_t i, int step, std::vector<std::size_t> &to) {
            const long k = static_cast<long>(to[i]) + step;
            if (k < 0 || k >= static_cast<long>(size(i)))
                return false;
            to[i] = static_cast<std::size_t>(k);
            return true;
        };
        while (true) {
            std::vector<std::size_t> best;
            Score bestScore = current;
            for (std::size_t i = 0; i < n; ++i)
                for (const int step : {-3, -2, -1, 1, 2, 3}) {
                    std::vector<std::size_t> trial = index;
                    if (!moved(i, step, trial))
                        continue;
                    if (const Score s = Measure(trial); s.Better(bestScore)) {
                        bestScore = s;
                        best = std::move(trial);
                    }
                }
            if (best.empty()) {
                for (std::size_t i = 0; i < n && best.empty(); ++i)
                    for (std::size_t j = i + 1; j < n && best.empty(); ++j)
                        for (const int a : {-1, 1})
                            for (const int b : {-1, 1}) {
                                std::vector<std::size_t> trial = index;
                                if (!moved(i, a, trial) || !moved(j, b, trial))
                                    continue;
                                if (const Score s = Measure(trial); s.Better(bestScore)) {
                                    bestScore = s;
                                    best = std::move(trial);
                                }
                            }
            }
            if (best.empty())
                return index;
            index = std::move(best);
            current = bestScore;
        }
    }

    Score ScoreOf(const std::vector<std::size_t> &index) { return Measure(index); }

    // Every pair of kit parts for a network of two: a few thousand cascades,
    // and an L-section's best parts may lie far from its ideal values once
    // the parts' parasitics are in.
    std::vector<std::size_t> Exhaustive()
    {
        const std::size_t a = kit_.Of(ideal_.parts[0].inductor()).size();
        const std::size_t b = kit_.Of(ideal_.parts[1].inductor()).size();
        std::vector<std::size_t> best{0, 0};
        Score bestScore;
        for (std::size_t i = 0; i < a; ++i)
            for (std::size_t j = 0; j < b; ++j)
                if (const Score s = Measure({i, j}); s.Better(bestScore)) {
                    bestScore = s;
                    best = {i, j};
                }
        return best;
    }

  private:
    const Network &ideal_;
    const Kit &kit_;
    const std::atomic<bool> *stop_;
    std::vector<double> grid_;
    double centreOmega_ = 0;
    Network work_;
};

} // namespace

BuiltFigures BuiltFiguresOf(const Network &network, const Band &band)
{
    const Extremes gamma =
        FindExtremes([&](double hz) { return std::abs(Evaluate(network, hz).s.s11); }, band, 401);
    const Extremes loss =
        FindExtremes([&](double hz) { return LossDb(Evaluate(network, hz).s); }, band, 401);
    return {gamma.max, std::max(0.0, loss.max)};
}

Part KitPartAs(const Part &place, const KitPartRef &part)
{
    Part built = place;
    built.value = part->nominal;
    built.model = Measured{part};
    return built;
}

const KitPart *KitPartOf(const Part &part)
{
    const Measured *m = std::get_if<Measured>(&part.model);
    return m ? m->part.get() : nullptr;
}

KitChoice ChooseKitParts(const Network &ideal, const Band &band, const Kit &kit,
                         const std::atomic<bool> *stop)
{
    Search search(ideal, band, kit, stop);
    std::vector<std::size_t> nominal, effective;
    for (const Part &part : ideal.parts) {
        nominal.push_back(search.NearestNominal(part));
        effective.push_back(search.NearestEffective(part));
    }
    KitChoice choice;
    choice.ideal = ideal;
    choice.idealFigures = BuiltFiguresOf(ideal, band);
    choice.snapped = search.Built(nominal);
    choice.snappedFigures = BuiltFiguresOf(choice.snapped, band);
    // From the nominal snap and from the snap by reactance at the centre,
    // the better descent wins.
    std::vector<std::size_t> best = search.Descend(nominal);
    if (effective != nominal) {
        std::vector<std::size_t> other = search.Descend(effective);
        if (search.ScoreOf(other).Better(search.ScoreOf(best)))
            best = std::move(other);
    }
    if (ideal.parts.size() == 2) {
        std::vector<std::size_t> other = search.Exhaustive();
        if (search.ScoreOf(other).Better(search.ScoreOf(best)))
            best = std::move(other);
    }
    choice.network = search.Built(best);
    choice.figures = BuiltFiguresOf(choice.network, band);
    // The refined figures decide between the search's end and the plain
    // snap, so the choice is never worse than snapping.
    if (choice.snappedFigures.lossDbMax < choice.figures.lossDbMax) {
        choice.network = choice.snapped;
        choice.figures = choice.snappedFigures;
    }
    return choice;
}

} // namespace tevmar::analysis
