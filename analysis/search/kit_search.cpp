#include "analysis/search/kit_search.h"

#include "analysis/model/two_port.h"
#include "analysis/search/kit_walk.h"
#include "analysis/search/tuner.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tevmar::analysis {
namespace {

// G_T far below anything a network passes keeps the decibels finite.
constexpr double kSmallestGain = 1e-30;

// Losses are compared in steps of 2^-17 dB, about a hundredth of a
// millidecibel (below anything a bench resolves): within one step the
// reflection decides. A power of two keeps the steps exact.
constexpr double kLossStepsPerDb = 131072;

// A kind's parts, in the order of their reactance at the band's centre, are
// first walked in strides that leave about this many stops over the kind,
// then in strides a quarter as long, down to single parts. A kit of a few
// dozen parts a kind is walked part by part from the start.
constexpr std::size_t kStopsPerKind = 64;
constexpr std::size_t kStrideDivisor = 4;

// Moves taken at one stride, at most, for each part of the network. A
// search from a snap near the match takes a handful; the bound only stops a
// walk along a long, gently falling slope of a large kit.
constexpr std::size_t kMostMovesPerPart = 16;

// A network of two parts is tried on every pair of kit parts when the kinds
// give at most this many pairs, and otherwise on every pair of the parts of
// each kind nearest its ideal part in reactance at the band's centre.
constexpr std::size_t kMostPairs = 4096;
constexpr std::size_t kPairWindow = 64;

// Single moves of one part: one to three strides either way.
constexpr std::size_t kSingleMovesPerPart = std::size(kSingleKitMoves);
// Paired moves of two parts: one stride each, either way.
constexpr std::size_t kPairedMovesPerPair = 4;

double LossDb(const SParameters &s)
{
    return -10 * std::log10(std::max(std::norm(s.s21), kSmallestGain));
}

// A figure for ordering: not a number is the worst there is.
double Ordered(double figure)
{
    return std::isnan(figure) ? std::numeric_limits<double>::infinity() : figure;
}

// The stride that leaves at most kStopsPerKind stops over `size` parts.
std::size_t CoarsestStride(std::size_t size)
{
    std::size_t stride = 1;
    while (size / stride > kStopsPerKind)
        stride *= kStrideDivisor;
    return stride;
}

// The number of strides, coarsest to single parts, for a coarsest stride.
std::size_t StridesFrom(std::size_t coarsest)
{
    std::size_t count = 1;
    for (; coarsest > 1; coarsest /= kStrideDivisor)
        ++count;
    return count;
}

std::size_t StrideLevels(const std::vector<std::size_t> &sizes)
{
    std::size_t levels = 1;
    for (const std::size_t size : sizes)
        levels = std::max(levels, StridesFrom(CoarsestStride(size)));
    return levels;
}

std::size_t MostDescentMeasures(std::size_t parts, std::size_t levels)
{
    const std::size_t perStep =
        kSingleMovesPerPart * parts +
        kPairedMovesPerPair * parts * (parts - std::min<std::size_t>(parts, 1)) / 2;
    return 1 + levels * (kMostMovesPerPart * parts + 1) * perStep;
}

// One kind of part, ordered by reactance at the band's centre.
struct Ordering
{
    std::vector<std::size_t> kitIndex; // the kit's index of each rank
    std::vector<std::size_t> rankOf;   // the rank of each kit index
    std::vector<double> reactance;     // ohms at the centre, by rank
};

Ordering OrderByReactance(const std::vector<KitPartRef> &parts, double centreHz)
{
    std::vector<double> x(parts.size());
    for (std::size_t k = 0; k < parts.size(); ++k)
        x[k] = Ordered(parts[k]->ImpedanceAt(centreHz).imag());
    Ordering o;
    o.kitIndex.resize(parts.size());
    for (std::size_t k = 0; k < parts.size(); ++k)
        o.kitIndex[k] = k;
    // Equal reactances keep the kit's order, by nominal value.
    std::ranges::sort(o.kitIndex, [&x](std::size_t a, std::size_t b) {
        return x[a] != x[b] ? x[a] < x[b] : a < b;
    });
    o.rankOf.resize(parts.size());
    for (std::size_t r = 0; r < parts.size(); ++r) {
        o.rankOf[o.kitIndex[r]] = r;
        o.reactance.push_back(x[o.kitIndex[r]]);
    }
    return o;
}

struct RanksHash
{
    std::size_t operator()(const std::vector<std::size_t> &ranks) const
    {
        std::size_t h = ranks.size();
        for (const std::size_t r : ranks)
            h = h * 1000003u ^ std::hash<std::size_t>{}(r);
        return h;
    }
};

// A choice of kit parts for each position (ranks in its kind's ordering)
// with its figures on the search's grid.
struct Scored
{
    std::vector<std::size_t> ranks;
    BuiltFigures figures;
};

class Search
{
  public:
    Search(const Network &ideal, const Band &band, const Kit &kit, const std::atomic<bool> *stop,
           const Goal *goal = nullptr)
        : ideal_(ideal), kit_(kit), stop_(stop), goal_(goal)
    {
        const std::size_t n = ideal.parts.size();
        // A point every few megahertz of a narrow band and the edges: the
        // data's own points are some tens of megahertz apart.
        const int points = static_cast<int>(std::max<std::size_t>(41, 8 * (n + 1) + 1));
        if (goal)
            for (const GoalBand &b : goal->bands)
                goalGrids_.push_back(BandGrid(b.band, points));
        else
            grid_ = BandGrid(band, points);
        centreOmega_ = 2 * std::numbers::pi * band.centreHz;
        // Capacitors first: a network short of both names the capacitor.
        for (const Element element : {Element{Capacitor{}}, Element{Inductor{}}}) {
            const auto ofKind = [&](const Part &p) {
                return p.element().index() == element.index();
            };
            if (std::ranges::any_of(ideal.parts, ofKind) && kit.Of(element).empty())
                throw std::invalid_argument(std::string("the kit has no ") +
                                            std::visit([](auto e) { return e.noun; }, element));
            orderings_[element.index()] = OrderByReactance(kit.Of(element), band.centreHz);
        }
        std::vector<std::size_t> sizes;
        for (const Part &p : ideal.parts)
            sizes.push_back(Size(p));
        levels_ = StrideLevels(sizes);
    }

    // The rank of the kit part of the nearest nominal value.
    std::size_t NearestNominal(const Part &part) const
    {
        const std::vector<KitPartRef> &parts = kit_.Of(part.element());
        std::size_t best = 0;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (std::size_t k = 0; k < parts.size(); ++k) {
            const double d = std::abs(std::log(parts[k]->nominal / std::max(part.value, 1e-12)));
            if (d < bestDistance) {
                bestDistance = d;
                best = k;
            }
        }
        return OrderOf(part).rankOf[best];
    }

    // The rank of the kit part whose reactance at the band's centre is
    // nearest the ideal part's: a part near its resonance acts larger (an
    // inductor) or smaller (a capacitor's falling reactance) than marked.
    std::size_t NearestEffective(const Part &part) const
    {
        const std::vector<double> &reactance = OrderOf(part).reactance;
        const double wanted = std::abs(part.ReactanceAt(centreOmega_));
        std::size_t best = 0;
        double bestDistance = std::numeric_limits<double>::infinity();
        for (std::size_t r = 0; r < reactance.size(); ++r) {
            const double d = std::abs(
                std::log(std::max(std::abs(reactance[r]), 1e-300) / std::max(wanted, 1e-300)));
            if (d < bestDistance) {
                bestDistance = d;
                best = r;
            }
        }
        return best;
    }

    Network Built(const std::vector<std::size_t> &ranks) const
    {
        Network network = ideal_;
        for (std::size_t i = 0; i < network.parts.size(); ++i)
            network.parts[i] = KitPartAs(ideal_.parts[i], PartAt(i, ranks[i]));
        return network;
    }

    BuiltFigures Measure(const std::vector<std::size_t> &ranks)
    {
        if (stop_ && stop_->load())
            throw TuneCancelled();
        // A descent meets its last position's neighbours again, and the
        // descents from both snaps often meet.
        if (const auto known = measured_.find(ranks); known != measured_.end())
            return known->second;
        // One network reused: only the parts' models and values change.
        if (work_.parts.empty())
            work_ = Built(ranks);
        for (std::size_t i = 0; i < work_.parts.size(); ++i) {
            const KitPartRef &part = PartAt(i, ranks[i]);
            work_.parts[i].value = part->nominal;
            std::get<Measured>(work_.parts[i].model).part = part;
        }
        BuiltFigures figures{0, 0, 0};
        if (goal_)
            figures = GoalFiguresOnGrids();
        else
            for (const SweepPoint &p : EvaluateOver(work_, grid_)) {
                figures.lossDbMax = std::max(figures.lossDbMax, Ordered(LossDb(p.s)));
                figures.gammaMax = std::max(figures.gammaMax, Ordered(std::abs(p.s.s11)));
            }
        measured_.emplace(ranks, figures);
        return figures;
    }

    // Moves of one part by one to three strides either way, the best taken;
    // when none helps, of two parts by one stride each, the first that helps.
    // Every move leads to a strictly better network in a strict weak order,
    // so none is visited twice; the moves at each stride are bounded besides.
    Scored Descend(std::vector<std::size_t> ranks)
    {
        BuiltFigures current = Measure(ranks);
        const std::size_t n = ranks.size();
        for (std::size_t level = 0; level < levels_; ++level) {
            std::vector<long> stride(n);
            for (std::size_t i = 0; i < n; ++i)
                stride[i] = static_cast<long>(StrideAt(i, level));
            const auto moved = [&](std::size_t i, int strides, std::vector<std::size_t> &to) {
                const long k = static_cast<long>(to[i]) + strides * stride[i];
                if (k < 0 || k >= static_cast<long>(Size(ideal_.parts[i])))
                    return false;
                to[i] = static_cast<std::size_t>(k);
                return true;
            };
            for (std::size_t move = 0; move < kMostMovesPerPart * n; ++move) {
                BuiltFigures bestFigures = current;
                std::vector<std::size_t> best = BetterNeighbour(
                    ranks, bestFigures, moved,
                    [&](const std::vector<std::size_t> &trial) {
                        return std::optional<BuiltFigures>(Measure(trial));
                    },
                    [](const BuiltFigures &a, const BuiltFigures &b) { return BuiltBefore(a, b); },
                    PairedMoves::BestOfFirstPair);
                if (best.empty())
                    break;
                ranks = std::move(best);
                current = bestFigures;
            }
        }
        return {std::move(ranks), current};
    }

    // Every pair of kit parts for a network of two, or in a large kit every
    // pair of the parts nearest each ideal part in reactance at the centre:
    // an L-section's best parts may lie some values from its ideal ones once
    // the parts' parasitics are in, but not far from its reactances.
    Scored Pairs(const std::vector<std::size_t> &effective)
    {
        const std::size_t a = Size(ideal_.parts[0]), b = Size(ideal_.parts[1]);
        const bool all = a * b <= kMostPairs;
        const auto window = [&](std::size_t size, std::size_t around) {
            if (all || size <= kPairWindow)
                return std::pair<std::size_t, std::size_t>{0, size};
            const std::size_t from =
                std::min(around - std::min(around, kPairWindow / 2), size - kPairWindow);
            return std::pair{from, from + kPairWindow};
        };
        const auto [aFrom, aTo] = window(a, effective[0]);
        const auto [bFrom, bTo] = window(b, effective[1]);
        Scored best{{aFrom, bFrom}, {}};
        best.figures = {std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::infinity()};
        for (std::size_t i = aFrom; i < aTo; ++i)
            for (std::size_t j = bFrom; j < bTo; ++j)
                if (const BuiltFigures f = Measure({i, j}); BuiltBefore(f, best.figures))
                    best = {{i, j}, f};
        return best;
    }

    std::size_t NetworksMeasured() const { return measured_.size(); }

  private:
    // The work network's figures against the goal on each band's grid: a
    // passband's share the square root of the power lost (kit parts are
    // lossy: power burnt in them is not power matched), a rejection band's
    // its largest |S21|, each by the band's scale.
    BuiltFigures GoalFiguresOnGrids() const
    {
        BuiltFigures figures{0, 0, 0};
        for (std::size_t b = 0; b < goal_->bands.size(); ++b) {
            const GoalBand &band = goal_->bands[b];
            double worst = 0;
            for (const SweepPoint &p : EvaluateOver(work_, goalGrids_[b])) {
                const double transmitted = std::norm(p.s.s21);
                if (band.reject) {
                    worst = std::max(worst, Ordered(std::sqrt(transmitted)));
                    continue;
                }
                worst = std::max(worst, Ordered(std::sqrt(std::clamp(1 - transmitted, 0.0, 1.0))));
                figures.lossDbMax = std::max(figures.lossDbMax, Ordered(LossDb(p.s)));
                figures.gammaMax = std::max(figures.gammaMax, Ordered(std::abs(p.s.s11)));
            }
            figures.score = std::max(figures.score, worst * band.Scale());
        }
        return figures;
    }

    const Ordering &OrderOf(const Part &part) const { return orderings_[part.element().index()]; }
    std::size_t Size(const Part &part) const { return kit_.Of(part.element()).size(); }
    const KitPartRef &PartAt(std::size_t position, std::size_t rank) const
    {
        const Part &part = ideal_.parts[position];
        return kit_.Of(part.element())[OrderOf(part).kitIndex[rank]];
    }
    // The stride of a position's moves at a level: its kind's coarsest at
    // level 0, a quarter of it at each level further, single parts at last.
    std::size_t StrideAt(std::size_t position, std::size_t level) const
    {
        std::size_t stride = CoarsestStride(Size(ideal_.parts[position]));
        for (std::size_t l = 0; l < level && stride > 1; ++l)
            stride /= kStrideDivisor;
        return level + 1 == levels_ ? 1 : stride;
    }

    const Network &ideal_;
    const Kit &kit_;
    const std::atomic<bool> *stop_;
    const Goal *goal_;
    std::vector<double> grid_;
    std::vector<std::vector<double>> goalGrids_; // one a goal's band, in its order
    double centreOmega_ = 0;
    Ordering orderings_[std::variant_size_v<Element>]; // by the element kind's alternative
    std::size_t levels_ = 1;
    Network work_;
    std::unordered_map<std::vector<std::size_t>, BuiltFigures, RanksHash> measured_;
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

BuiltFigures BuiltFiguresOf(const Network &network, const Goal &goal)
{
    BuiltFigures figures{0, 0, GoalScoreOf(network, goal)};
    for (const GoalBand &b : goal.bands) {
        if (b.reject)
            continue;
        const BuiltFigures in = BuiltFiguresOf(network, b.band);
        figures.gammaMax = std::max(figures.gammaMax, Ordered(in.gammaMax));
        figures.lossDbMax = std::max(figures.lossDbMax, Ordered(in.lossDbMax));
    }
    return figures;
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

bool BuiltBefore(const BuiltFigures &a, const BuiltFigures &b)
{
    // Not a number after every number, infinity included.
    const auto key = [](const BuiltFigures &f) {
        const bool noLoss = std::isnan(f.lossDbMax), noGamma = std::isnan(f.gammaMax);
        const bool noScore = std::isnan(f.score);
        return std::tuple{noScore, noScore ? 0.0 : f.score,
                          noLoss,  noLoss ? 0.0 : std::floor(f.lossDbMax * kLossStepsPerDb),
                          noGamma, noGamma ? 0.0 : f.gammaMax};
    };
    return key(a) < key(b);
}

std::size_t MostKitSearchMeasures(std::size_t parts, const Kit &kit)
{
    const std::size_t levels = StrideLevels({kit.inductors.size(), kit.capacitors.size()});
    return 2 * MostDescentMeasures(parts, levels) + (parts == 2 ? kMostPairs : 0);
}

namespace {

// The search from both snaps (and over every pair for two parts), never
// worse than the plain nominal snap.
template <class Figures>
KitChoice Choose(const Network &ideal, Search &search, Figures figuresOf, bool byScore)
{
    std::vector<std::size_t> nominal, effective;
    for (const Part &part : ideal.parts) {
        nominal.push_back(search.NearestNominal(part));
        effective.push_back(search.NearestEffective(part));
    }
    KitChoice choice;
    choice.ideal = ideal;
    choice.idealFigures = figuresOf(ideal);
    choice.snapped = search.Built(nominal);
    choice.snappedFigures = figuresOf(choice.snapped);
    // From the nominal snap and from the snap by reactance at the centre,
    // the better descent wins.
    Scored best = search.Descend(nominal);
    if (effective != nominal) {
        if (Scored other = search.Descend(effective); BuiltBefore(other.figures, best.figures))
            best = std::move(other);
    }
    if (ideal.parts.size() == 2) {
        if (Scored other = search.Pairs(effective); BuiltBefore(other.figures, best.figures))
            best = std::move(other);
    }
    choice.network = search.Built(best.ranks);
    choice.figures = figuresOf(choice.network);
    choice.networksMeasured = search.NetworksMeasured();
    // The refined figures decide between the search's end and the plain
    // snap, so the choice is never worse than snapping.
    const bool snapBetter =
        byScore ? Ordered(choice.snappedFigures.score) < Ordered(choice.figures.score)
                : Ordered(choice.snappedFigures.lossDbMax) < Ordered(choice.figures.lossDbMax);
    if (snapBetter) {
        choice.network = choice.snapped;
        choice.figures = choice.snappedFigures;
    }
    return choice;
}

} // namespace

KitChoice ChooseKitParts(const Network &ideal, const Band &band, const Kit &kit,
                         const std::atomic<bool> *stop)
{
    Search search(ideal, band, kit, stop);
    return Choose(
        ideal, search, [&band](const Network &n) { return BuiltFiguresOf(n, band); }, false);
}

KitChoice ChooseKitParts(const Network &ideal, const Goal &goal, const Kit &kit,
                         const std::atomic<bool> *stop)
{
    // Parts ordered by their reactance at the centre of the passbands' span.
    Search search(ideal, goal.PassSpan(), kit, stop, &goal);
    return Choose(
        ideal, search, [&goal](const Network &n) { return BuiltFiguresOf(n, goal); }, true);
}

} // namespace tevmar::analysis
