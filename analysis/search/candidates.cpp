#include "analysis/search/candidates.h"

#include "analysis/model/termination.h"
#include "analysis/search/ladder_sequences.h"
#include "analysis/search/line_candidates.h"
#include "analysis/search/task_pool.h"
#include "engine/design.h"
#include "units/quantity.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <exception>
#include <future>
#include <mutex>
#include <numbers>
#include <string_view>

namespace tevmar::analysis {

const char *TopologyName(Topology topology)
{
    switch (topology) {
    case Topology::Bandpass:
        return "bandpass";
    case Topology::Lowpass:
        return "lowpass";
    case Topology::Highpass:
        return "highpass";
    case Topology::Stub:
        return "stub";
    case Topology::DoubleStub:
        return "2-stub";
    case Topology::QuarterWave:
        return "quarter";
    case Topology::Stepped:
        return "stepped";
    case Topology::Mixed:
        return "mixed";
    case Topology::Ladder:
        return "ladder";
    }
    return "";
}

std::string CandidateTopologyName(const Candidate &candidate)
{
    if (candidate.topology != Topology::Ladder)
        return TopologyName(candidate.topology);
    return SequenceName(SequenceOf(SourceToLoad(candidate.tuned.network)));
}

const char *DcPathName(DcPath path)
{
    switch (path) {
    case DcPath::Passes:
        return "passes";
    case DcPath::Blocks:
        return "blocks";
    case DcPath::Grounds:
        return "grounds";
    }
    return "";
}

std::vector<Part> SourceToLoad(const Network &network)
{
    std::vector<Part> parts = network.parts;
    if (LoadPortOf(network) == 1)
        std::reverse(parts.begin(), parts.end());
    return parts;
}

namespace {

template <typename It> DcPath DcFrom(It first, It last)
{
    for (; first != last; ++first) {
        if (first->blocksDc())
            return DcPath::Blocks;
        if (first->groundsDc())
            return DcPath::Grounds;
    }
    return DcPath::Passes;
}

using Complex = std::complex<double>;

double Omega(double frequencyHz)
{
    return 2 * std::numbers::pi * frequencyHz;
}

double SourceOhmsOf(const Network &network)
{
    return LoadPortOf(network) == 2 ? network.port1Ohms : network.port2Ohms;
}

// The true load's impedance: the data, or the model's resistance with its
// reactance in series (port 2) or across it (port 1).
Complex LoadImpedanceAt(const Network &network, double frequencyHz)
{
    return LoadTerminationOf(network).ImpedanceAt(frequencyHz);
}

// A part of the given place and topology with series reactance or shunt
// susceptance `immittance` (ohms or siemens, signed as the part makes it).
Part PartWith(bool series, double immittance, double omega)
{
    return Part::WithImmittance(series, immittance, omega);
}

bool IsSeries(std::size_t place, bool firstSeries)
{
    return (place % 2 == 0) == firstSeries;
}

// A series part of small reactance or a shunt part of small susceptance
// against the reference resistance: it barely touches the match, and the
// tune grows it where it helps.
Part NeutralPart(bool series, Topology topology, double referenceOhms, double omega)
{
    constexpr double kNeutral = 0.2;
    const double sign = topology == Topology::Lowpass ? 1 : -1;
    return PartWith(series, sign * (series ? kNeutral * referenceOhms : kNeutral / referenceOhms),
                    omega);
}

// A part of reactance or susceptance of the reference's own size.
Part FlatPart(bool series, Topology topology, double referenceOhms, double omega)
{
    const double sign = topology == Topology::Lowpass ? 1 : -1;
    return PartWith(series, sign * (series ? referenceOhms : 1 / referenceOhms), omega);
}

// `count` copies of the parts, each part moved in log value uniformly by up
// to 2 (a factor e^2 = 7.4 either way), from a fixed sequence seeded by
// `seed`: the same starts on every machine.
std::vector<std::vector<Part>> Spread(const std::vector<Part> &parts, int count, std::uint64_t seed)
{
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ULL;
    std::vector<std::vector<Part>> spread;
    for (int k = 0; k < count; ++k) {
        std::vector<Part> copy = parts;
        for (Part &part : copy) {
            // A 64-bit linear congruential step; its top 53 bits as [0, 1).
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            const double unit = static_cast<double>(state >> 11) * 0x1.0p-53;
            part.value *= std::exp(2.0 * (2 * unit - 1));
        }
        spread.push_back(std::move(copy));
    }
    return spread;
}

// Names parts from the source's side ("L1", "C2") in their labels.
void NameParts(std::vector<Part> &parts)
{
    for (std::size_t i = 0; i < parts.size(); ++i)
        parts[i].label = parts[i].letter() + std::to_string(i + 1);
}

Network WithParts(const Network &base, std::vector<Part> sourceToLoad)
{
    NameParts(sourceToLoad);
    Network network = base;
    if (LoadPortOf(base) == 1)
        std::reverse(sourceToLoad.begin(), sourceToLoad.end());
    network.parts = std::move(sourceToLoad);
    return network;
}

// The load's own reactance as a part: an inductor or a capacitor, in series
// with a series load's resistance or across a shunt load's.
ElementKind LoadKindOf(LoadType type)
{
    return Part::KindOf(IsInductiveLoad(type) ? Element{Inductor{}} : Element{Capacitor{}},
                        IsSeriesLoad(type) ? Placement::Series : Placement::Shunt);
}

// The ports, load and band as the boxes read, for inputs no synthesis designs.
std::optional<TuneProblem> TypedProblem(const InputValues &typed, LoadType loadType)
{
    const units::Frequency f1 = typed.f1(), f2 = typed.f2();
    const bool finite = std::isfinite(f1.hz()) && std::isfinite(f2.hz()) &&
                        std::isfinite(typed.zhighOhms) && std::isfinite(typed.zlowOhms);
    if (!finite || !(f1.hz() > 0) || !(f2.hz() > 0) || f1 == f2)
        return std::nullopt;
    TuneProblem problem;
    problem.band.lowHz = std::min(f1, f2).hz();
    problem.band.highHz = std::max(f1, f2).hz();
    problem.band.centreHz = std::sqrt(problem.band.lowHz * problem.band.highHz);
    problem.network.port1Ohms = typed.zhighOhms;
    problem.network.port2Ohms = typed.zlowOhms;
    if (typed.absorbedValue > 0) {
        Part reactance{LoadKindOf(loadType), typed.absorbedValue, ""};
        reactance.label = reactance.letter();
        problem.network.load = LoadReactance{reactance, loadType};
    }
    return problem;
}

// A figure for ranking: one that is not a number ranks below every other.
double Ranked(double figure)
{
    return std::isnan(figure) ? HUGE_VAL : figure;
}

// Less power lost, then less reflected: what reaches the load counts first.
// For ideal parts the loss follows |S11|, and this is the order of |S11|.
bool Better(const TuneResult &a, const TuneResult &b)
{
    // Against a goal of several bands the score alone ranks: it weighs the
    // bands' limits and the rejection the loss knows nothing of.
    if (a.scored || b.scored)
        return Ranked(a.gammaMax) < Ranked(b.gammaMax);
    const double lossA = Ranked(a.lossDbMax), lossB = Ranked(b.lossDbMax);
    return lossA != lossB ? lossA < lossB : Ranked(a.gammaMax) < Ranked(b.gammaMax);
}

struct Start
{
    TuneProblem problem;
    StartKind kind;
};

// The two parts (source side first) of the L-section of a series part whose
// reactance has the sign `seriesSign` (+1 an inductor, -1 a capacitor) and a
// shunt part whose susceptance has `shuntSign` (+1 a capacitor, -1 an
// inductor) that matches the source resistance to the load at one
// frequency; of the two solutions the first whose signs the parts can give.
std::optional<std::vector<Part>> SignedLSection(double sourceOhms, Complex loadOhms,
                                                double frequencyHz, double seriesSign,
                                                double shuntSign, bool firstSeries)
{
    if (!(sourceOhms > 0) || !(std::abs(loadOhms) > 0))
        return std::nullopt;
    const double omega = Omega(frequencyHz);
    for (const double root : {1.0, -1.0}) {
        double x = 0, b = 0;
        if (firstSeries) {
            // Across the load: a susceptance that leaves the source's
            // resistance in series, then a series part cancelling the rest.
            const Complex y = 1.0 / loadOhms;
            const double squared = y.real() / sourceOhms - y.real() * y.real();
            if (!(squared >= 0))
                return std::nullopt;
            const double total = root * std::sqrt(squared);
            b = total - y.imag();
            x = -(1.0 / Complex(y.real(), total)).imag();
        } else {
            // In series with the load: a reactance that leaves the source's
            // conductance across, then a shunt part cancelling the rest.
            const double squared = loadOhms.real() * sourceOhms - loadOhms.real() * loadOhms.real();
            if (!(squared >= 0))
                return std::nullopt;
            const double total = root * std::sqrt(squared);
            x = total - loadOhms.imag();
            b = -(1.0 / Complex(loadOhms.real(), total)).imag();
        }
        if (!(seriesSign * x > 0) || !(shuntSign * b > 0))
            continue;
        const Part series = PartWith(true, x, omega), shunt = PartWith(false, b, omega);
        if (!std::isfinite(series.value) || !std::isfinite(shunt.value))
            continue;
        return firstSeries ? std::vector{series, shunt} : std::vector{shunt, series};
    }
    return std::nullopt;
}

// The sign of a part's reactance in series or susceptance across: positive
// for a series inductor or a shunt capacitor.
double ImmittanceSign(ElementKind kind)
{
    return Part{kind, 1, ""}.immittanceGrowsWithValue() ? 1 : -1;
}

// The synthesis's bandpass ladder of one order with the true load, from a
// relaxed design where the typed one has no solution.
std::optional<Start> BandpassStart(DesignInputs inputs, int order, const DesignResult &design)
{
    const bool typedOrder = inputs.networkOrder == order;
    inputs.networkOrder = order;
    const DesignResult designed = typedOrder && design.solved ? design : RunDesign(inputs);
    if (designed.solved)
        return Start{TuneProblemOf(designed), StartKind::Synthesised};
    if (auto relaxed = RelaxedDesignFor(inputs))
        return Start{TuneProblemOf(relaxed->design, relaxed->loadValue), StartKind::Relaxed};
    return std::nullopt;
}

// Candidates tuned so far, counted across the threads that tune them.
class Progress
{
  public:
    Progress(const CandidateOptions &options, int total) : options_(options), total_(total) {}

    void Step()
    {
        if (!options_.progress)
            return;
        const std::lock_guard lock(mutex_);
        options_.progress(++done_, total_);
    }

  private:
    const CandidateOptions &options_;
    std::mutex mutex_;
    int done_ = 0;
    int total_ = 0;
};

// One chain of candidates, tuned on its own thread.
class Builder
{
  public:
    Builder(const CandidateOptions &options, std::shared_ptr<const MeasuredLoad> measured,
            Progress &progress, TaskPool &pool)
        : options_(options), measured_(std::move(measured)), progress_(progress), pool_(pool)
    {
    }

    // The candidate from the best of its starts' tunes.
    void Add(std::vector<Start> starts, Topology topology)
    {
        Finish(Tuned(std::move(starts), topology));
    }

    // Every sequence (all of one size) screened in two rounds of one short
    // polish from each start: first from the closed-form L-section where the
    // two parts can give it and from every part of the ports' size; then the
    // better part of them also from starts spread widely around that. The
    // `keep` sequences whose polish matched best are searched at length from
    // the start that led them. A sequence far below the leaders after its
    // first round is one whose parts cannot move the load where it must go
    // over the band; the spread starts go to those that might lead.
    void AddSequences(const Network &base, const Band &band,
                      const std::vector<PartSequence> &sequences, std::size_t keep)
    {
        const double omega = Omega(band.centreHz);
        const double sourceOhms = SourceOhmsOf(base);
        const Complex load = LoadImpedanceAt(base, band.centreHz);
        const double reference = std::sqrt(sourceOhms * std::max(load.real(), 1e-3));
        std::vector<std::vector<Part>> flats;
        std::vector<Start> starts;
        std::vector<std::size_t> owner; // the sequence each start is of
        const auto add = [&](std::size_t s, std::vector<Part> parts, StartKind kind) {
            starts.push_back({TuneProblem{WithParts(base, std::move(parts)), band, {}}, kind});
            owner.push_back(s);
        };
        for (std::size_t s = 0; s < sequences.size(); ++s) {
            const PartSequence &sequence = sequences[s];
            std::vector<Part> flat;
            for (const ElementKind kind : sequence) {
                const bool series = !Part{kind, 1, ""}.shunt();
                const double sign = ImmittanceSign(kind);
                flat.push_back(
                    PartWith(series, sign * (series ? reference : 1 / reference), omega));
            }
            if (sequence.size() == 2 && flat[0].shunt() != flat[1].shunt()) {
                const bool firstSeries = !flat[0].shunt();
                const double seriesSign = ImmittanceSign(sequence[firstSeries ? 0 : 1]);
                const double shuntSign = ImmittanceSign(sequence[firstSeries ? 1 : 0]);
                if (auto section = SignedLSection(sourceOhms, load, band.centreHz, seriesSign,
                                                  shuntSign, firstSeries))
                    add(s, std::move(*section), StartKind::Synthesised);
            }
            add(s, flat, StartKind::Flat);
            flats.push_back(std::move(flat));
        }
        // Each sequence's best start so far.
        std::vector<std::optional<Candidate>> bestOf(sequences.size());
        const auto screen = [&] {
            std::vector<Candidate> tried = Polished(std::move(starts), Topology::Ladder);
            for (std::size_t k = 0; k < tried.size(); ++k) {
                std::optional<Candidate> &best = bestOf[owner[k]];
                if (!best || Better(tried[k].tuned, best->tuned))
                    best = std::move(tried[k]);
            }
            starts.clear();
            owner.clear();
        };
        // The sequences screened so far, best first (ties in their own order).
        const auto ranked = [&] {
            std::vector<std::size_t> order;
            for (std::size_t s = 0; s < sequences.size(); ++s)
                if (bestOf[s])
                    order.push_back(s);
            std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
                return Better(bestOf[a]->tuned, bestOf[b]->tuned);
            });
            return order;
        };
        screen();
        std::vector<std::size_t> order = ranked();
        order.resize(std::min(order.size(), (order.size() + 1) / kScreenSpreadShare));
        for (const std::size_t s : order)
            for (std::vector<Part> &spread :
                 Spread(flats[s], kScreenSpreadStarts, kScreenSeed + static_cast<std::uint64_t>(s)))
                add(s, std::move(spread), StartKind::Flat);
        screen();
        order = ranked();
        order.resize(std::min(order.size(), keep));
        for (const std::size_t s : order)
            Finish(Deepened(std::move(*bestOf[s])));
    }

    // With two passbands or more, the L-section an engineer draws for two
    // bands: a parallel LC across and a series LC, each resonator capacitive
    // in the lower band and inductive in the upper, so that the same two
    // places make a highpass L-section at the one and a lowpass one at the
    // other. Each resonator's two values follow in closed form from the two
    // L-sections at the centres of the lowest and the highest passband; both
    // orientations are tuned and the better offered, whatever the families
    // reach, as the network the engineer will compare them with.
    void AddTwoBandSection(const Network &base, const Goal &goal)
    {
        const GoalBand *lowest = nullptr, *highest = nullptr;
        for (const GoalBand &b : goal.bands) {
            if (b.reject)
                continue;
            if (!lowest || b.band.centreHz < lowest->band.centreHz)
                lowest = &b;
            if (!highest || b.band.centreHz > highest->band.centreHz)
                highest = &b;
        }
        if (!lowest || lowest == highest)
            return;
        const double fa = lowest->band.centreHz, fb = highest->band.centreHz;
        const double wa = Omega(fa), wb = Omega(fb);
        const double sourceOhms = SourceOhmsOf(base);
        // The signed reactance (series) or susceptance (shunt) of a part.
        const auto immittance = [](const Part &p, double w) {
            return Part::IdealImmittance(p.immittanceGrowsWithValue(), w, p.si());
        };
        // The resonator with y(wa) = ya and y(wb) = yb, y = w u - v / w: u is
        // the series L (the shunt C), v the reciprocal of the series C (of
        // the shunt L).
        const auto resonator = [&](double ya,
                                   double yb) -> std::optional<std::pair<double, double>> {
            const double d = wb / wa - wa / wb;
            const double u = (yb / wa - ya / wb) / d, v = (wa * yb - wb * ya) / d;
            if (!(u > 0 && v > 0 && std::isfinite(u) && std::isfinite(v)))
                return std::nullopt;
            return std::pair{u, v};
        };
        std::vector<Start> starts;
        for (const bool firstSeries : {false, true}) {
            const auto a =
                SignedLSection(sourceOhms, LoadImpedanceAt(base, fa), fa, -1, -1, firstSeries);
            const auto b =
                SignedLSection(sourceOhms, LoadImpedanceAt(base, fb), fb, 1, 1, firstSeries);
            if (!a || !b)
                continue;
            const std::size_t series = firstSeries ? 0 : 1, shunt = 1 - series;
            const auto s = resonator(immittance((*a)[series], wa), immittance((*b)[series], wb));
            const auto p = resonator(immittance((*a)[shunt], wa), immittance((*b)[shunt], wb));
            if (!s || !p)
                continue;
            const std::vector<Part> seriesPair{
                {ElementKind::SeriesInductor, s->first * 1e9, ""},
                {ElementKind::SeriesCapacitor, 1e12 / s->second, ""}};
            const std::vector<Part> shuntPair{{ElementKind::ShuntInductor, 1e9 / p->second, ""},
                                              {ElementKind::ShuntCapacitor, p->first * 1e12, ""}};
            std::vector<Part> parts = firstSeries ? seriesPair : shuntPair;
            const std::vector<Part> &second = firstSeries ? shuntPair : seriesPair;
            parts.insert(parts.end(), second.begin(), second.end());
            starts.push_back(
                {TuneProblem{WithParts(base, parts), goal.PassSpan(), {}}, StartKind::Synthesised});
        }
        if (starts.empty())
            return;
        Candidate c = Tuned(std::move(starts), Topology::Ladder);
        c.twoBandSection = true;
        Finish(std::move(c));
    }

    // The screen's effort: spread starts, from a fixed seed, for the best
    // 1 / kScreenSpreadShare of the sequences after their first round.
    static constexpr int kScreenSpreadStarts = 2;
    static constexpr std::size_t kScreenSpreadShare = 2;
    static constexpr std::uint64_t kScreenSeed = 101;

    // A tuned candidate given its standard values and DC paths, and counted.
    void Finish(Candidate c)
    {
        if (options_.series)
            c.standard = TuneToSeries(c.problem, c.tuned.network, *options_.series, options_.stop);
        std::tie(c.sourceDc, c.loadDc) = DcPathsOf(c.tuned.network);
        built_.push_back(std::move(c));
        progress_.Step();
    }

    // The bandpass ladder from the synthesis, and from the same parts with
    // every resonator tuned to the band's centre at the ports' impedance
    // level (each part's reactance or susceptance of the reference's size),
    // which reaches networks the synthesis's own values lie far from.
    void AddBandpass(Start start)
    {
        const Network &network = start.problem.network;
        const Band band = start.problem.band;
        const double omega = Omega(band.centreHz);
        const double sourceOhms = SourceOhmsOf(network);
        const double reference =
            std::sqrt(sourceOhms * std::max(LoadImpedanceAt(network, band.centreHz).real(), 1e-3));
        std::vector<Part> flat;
        for (const Part &part : SourceToLoad(network)) {
            const double sign = part.immittanceGrowsWithValue() ? 1 : -1;
            flat.push_back(
                PartWith(!part.shunt(), sign * (part.shunt() ? 1 / reference : reference), omega));
        }
        std::vector<Start> starts{std::move(start)};
        starts.push_back({TuneProblem{WithParts(network, flat), band, {}}, StartKind::Flat});
        for (std::vector<Part> &spread : Spread(flat, kWideBandpassStarts, 1))
            starts.push_back({TuneProblem{WithParts(network, spread), band, {}}, StartKind::Flat});
        Add(std::move(starts), Topology::Bandpass);
    }

    // Lowpass or highpass ladders of 2 to 6 parts with the first part at the
    // source in series or across: the two-part one from the L-section where
    // one exists, each larger one from the tuned one a part smaller.
    void AddLadders(const Network &base, const Band &band, Topology topology, bool firstSeries)
    {
        const double omega = Omega(band.centreHz);
        const double sourceOhms = SourceOhmsOf(base);
        const Complex load = LoadImpedanceAt(base, band.centreHz);
        const double reference = std::sqrt(sourceOhms * std::max(load.real(), 1e-3));
        std::vector<Part> parts;
        StartKind kind = StartKind::Synthesised;
        if (auto section = LSection(sourceOhms, load, band.centreHz, topology, firstSeries)) {
            parts = *section;
        } else {
            kind = StartKind::Grown;
            for (std::size_t i = 0; i < 2; ++i)
                parts.push_back(NeutralPart(IsSeries(i, firstSeries), topology, reference, omega));
        }
        for (std::size_t n = 2; n <= kMostParts; ++n) {
            std::vector<Start> starts{{TuneProblem{WithParts(base, parts), band, {}}, kind}};
            // A grown start keeps the smaller ladder's basin; the flat one,
            // every part of moderate size, reaches others.
            if (n > 2) {
                std::vector<Part> flat;
                for (std::size_t i = 0; i < n; ++i)
                    flat.push_back(FlatPart(IsSeries(i, firstSeries), topology, reference, omega));
                starts.push_back({TuneProblem{WithParts(base, flat), band, {}}, StartKind::Flat});
                if (n >= 4)
                    for (std::vector<Part> &spread : Spread(flat, kWideLadderStarts, n))
                        starts.push_back(
                            {TuneProblem{WithParts(base, spread), band, {}}, StartKind::Flat});
            }
            Add(std::move(starts), topology);
            parts = SourceToLoad(built_.back().tuned.network);
            parts.push_back(NeutralPart(IsSeries(n, firstSeries), topology, reference, omega));
            kind = StartKind::Grown;
        }
    }

    // A family of lines (and lines with chip parts) from its textbook
    // starts (analysis/search/line_candidates.h).
    void AddLineFamily(const Network &base, const Band &band, LineFamily family)
    {
        std::vector<Start> starts;
        for (std::vector<Part> &parts : family.starts)
            starts.push_back(
                {TuneProblem{WithParts(base, std::move(parts)), band, {}}, StartKind::Synthesised});
        if (!starts.empty())
            Add(std::move(starts), family.topology);
    }

    std::vector<Candidate> Take() { return std::move(built_); }

    static constexpr std::size_t kMostParts = 6;
    // Wide starts besides the flat one: the best bandpass and larger ladder
    // networks often lie in basins that neither the synthesis nor the flat
    // start leads into.
    static constexpr int kWideBandpassStarts = 10;
    static constexpr int kWideLadderStarts = 6;

  private:
    // A start as a candidate: the true load, the ranges and models in force,
    // its values brought within the ranges (a part that started outside
    // them could stay there), its parts named from the source's side.
    Candidate Prepared(Start start, Topology topology) const
    {
        Candidate c;
        c.topology = topology;
        c.parts = static_cast<int>(start.problem.network.parts.size());
        c.start = start.kind;
        c.problem = std::move(start.problem);
        c.problem.network.measured = measured_;
        c.problem.ranges = options_.ranges;
        c.problem.built = options_.built;
        if (!options_.goal.empty()) {
            c.problem.goal = options_.goal;
            c.problem.band = options_.goal.PassSpan();
        }
        c.problem.network = WithParts(c.problem.network, SourceToLoad(c.problem.network));
        for (Part &part : c.problem.network.parts) {
            const auto [low, high] = part.RangeIn(options_.ranges);
            part.value = std::clamp(part.value, low, high);
        }
        c.firstSeries = !SourceToLoad(c.problem.network).front().shunt();
        return c;
    }

    // Every start polished once, side by side (each tune is deterministic,
    // and they are compared in the starts' order); the best of them then
    // searched at length, with further rounds while they pay, within the
    // evaluation budget.
    Candidate Tuned(std::vector<Start> starts, Topology topology) const
    {
        std::vector<Candidate> tried = Polished(std::move(starts), topology);
        std::optional<Candidate> best;
        for (Candidate &c : tried)
            if (!best || Better(c.tuned, best->tuned))
                best = std::move(c);
        return Deepened(std::move(*best));
    }

    // Every start prepared and polished once, side by side, in the starts'
    // order.
    std::vector<Candidate> Polished(std::vector<Start> starts, Topology topology) const
    {
        TuneOptions once;
        once.stop = options_.stop;
        once.restarts = 0;
        once.hops = 0;
        once.finalists = 1;
        once.polishSteps = kStartPolishSteps;
        once.polishStall =
            topology == Topology::Bandpass ? kBandpassStartPolishStall : kStartPolishStall;
        if (topology == Topology::Bandpass)
            once.polishRounds = kBandpassStartPolishRounds;
        std::vector<Candidate> tried;
        for (Start &start : starts)
            tried.push_back(Prepared(std::move(start), topology));
        std::vector<std::future<TuneResult>> tunes;
        for (const Candidate &c : tried)
            tunes.push_back(pool_.Submit([&c, &once] { return Tune(c.problem, once); }));
        // Every tune is waited for before the first failure is passed on.
        std::exception_ptr failure;
        for (std::size_t k = 0; k < tried.size(); ++k) {
            try {
                tried[k].tuned = pool_.Wait(tunes[k]);
            } catch (...) {
                if (!failure)
                    failure = std::current_exception();
            }
        }
        if (failure)
            std::rethrow_exception(failure);
        return tried;
    }

    // The best start searched at length, with further rounds while they pay.
    Candidate Deepened(Candidate best) const
    {
        TuneOptions deep;
        deep.stop = options_.stop;
        deep.restarts = kRestarts;
        deep.hops = kHops;
        deep.finalists = kFinalists;
        deep.screenCutoff = kScreenCutoff;
        deep.evaluations = options_.evaluations;
        if (TuneResult again = Tune(best.problem, deep); Better(again, best.tuned))
            best.tuned = std::move(again);
        return best;
    }

    // The search of the best start: fewer restarts than the tuner's own
    // defaults, as some twenty candidates share the time one tune may take,
    // and further rounds where the first leaves room. Each round polishes
    // its best network at length; a second finalist found nothing the
    // further rounds miss on 18 loads' 268 families, for an eighth of the
    // search's effort.
    static constexpr int kRestarts = 6;
    static constexpr int kHops = 4;
    static constexpr int kFinalists = 1;
    // A restart whose first screening round leaves it three times the best
    // screened so far is dropped; the best networks of every family on 18
    // loads came from restarts within that (at twice, the 6-part lowpass
    // ladder on a narrow-band high-impedance load was lost).
    static constexpr double kScreenCutoff = 3;
    // Each start's polish takes shorter solves than the best start's search:
    // enough to bring every start into its basin, whose floor the search
    // then follows at full length.
    static constexpr int kStartPolishSteps = 150;
    // and it ends once a round gains less than a tenth: the starts are only
    // ranked by it, and the tail of a polish (its last few per cent, in
    // rounds that each gain less) cost a third of all the starts' effort.
    // A bandpass ladder's starts come apart only late in their polish: the
    // one that leads to the best network often trails until its last
    // rounds, so they end at a thousandth.
    // Six such rounds take them as far as eight did on all 18 loads tried;
    // four lost the best 7- and 11-part networks of two.
    static constexpr double kStartPolishStall = 0.1;
    static constexpr double kBandpassStartPolishStall = 1e-3;
    static constexpr int kBandpassStartPolishRounds = 6;

    const CandidateOptions &options_;
    std::shared_ptr<const MeasuredLoad> measured_;
    Progress &progress_;
    TaskPool &pool_;
    std::vector<Candidate> built_;
};

// A part at the end of its range where it barely touches the match: a
// series part at its smallest reactance, a shunt part at its smallest
// susceptance.
bool Vanishes(const Part &part, const PartRanges &ranges)
{
    const auto [low, high] = part.RangeIn(ranges);
    return part.immittanceGrowsWithValue() ? part.value <= low * (1 + 1e-6)
                                           : part.value >= high * (1 - 1e-6);
}

// The ladder (source to load) with part `i` taken out; its neighbours, then
// side by side in the same place, become one part. Empty where they differ
// in kind or their sum leaves the ranges.
std::optional<std::vector<Part>> Without(const std::vector<Part> &parts, std::size_t i,
                                         const PartRanges &ranges)
{
    std::vector<Part> out = parts;
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(i));
    if (i == 0 || i + 1 >= parts.size())
        return out;
    Part &a = out[i - 1];
    const Part &b = out[i];
    if (a.kind != b.kind) // only parts of one kind in one place combine into one
        return std::nullopt;
    // Series inductors and shunt capacitors add; series capacitors and
    // shunt inductors combine as resistors in parallel do.
    a.value =
        a.immittanceGrowsWithValue() ? a.value + b.value : a.value * b.value / (a.value + b.value);
    const auto [low, high] = a.RangeIn(ranges);
    if (!(a.value >= low && a.value <= high))
        return std::nullopt;
    out.erase(out.begin() + static_cast<std::ptrdiff_t>(i));
    return out;
}

// A figure within 1 % of another: the same match for any use.
bool AsGood(double gamma, double than)
{
    return gamma <= than * 1.01 + 1e-9;
}

// Folds every lowpass or highpass candidate that is a smaller one with
// parts at their range ends that do nothing (the smaller one matching as
// well, or the larger without them) into that smaller one: the smaller
// takes the better of the two networks and notes the DC path the larger
// gave where it differs.
void FoldSameNetworks(std::vector<Candidate> &candidates, const CandidateOptions &options)
{
    std::vector<std::size_t> order(candidates.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return candidates[a].parts > candidates[b].parts;
    });
    std::vector<bool> folded(candidates.size(), false);
    for (const std::size_t k : order) {
        Candidate &c = candidates[k];
        if (c.topology != Topology::Lowpass && c.topology != Topology::Highpass)
            continue;
        std::vector<Part> parts = SourceToLoad(c.tuned.network);
        DcVariant variant{{}, {}, c.sourceDc, c.loadDc};
        // Positions in the larger ladder of the parts still in place.
        std::vector<int> place(parts.size());
        for (std::size_t i = 0; i < place.size(); ++i)
            place[i] = static_cast<int>(i) + 1;
        for (std::size_t i = 0; i < parts.size() && parts.size() > 2;) {
            const std::optional<std::vector<Part>> smaller = Vanishes(parts[i], options.ranges)
                                                                 ? Without(parts, i, options.ranges)
                                                                 : std::nullopt;
            if (!smaller) {
                ++i;
                continue;
            }
            if (!parts[i].immittanceGrowsWithValue()) {
                variant.parts.push_back(parts[i]);
                variant.positions.push_back(place[i]);
            }
            const bool merged = smaller->size() + 2 == parts.size();
            place.erase(place.begin() + static_cast<std::ptrdiff_t>(i));
            if (merged)
                place.erase(place.begin() + static_cast<std::ptrdiff_t>(i));
            parts = *smaller;
            i = 0;
        }
        if (static_cast<int>(parts.size()) == c.parts)
            continue;
        const bool firstSeries = !parts.front().shunt();
        Candidate *target = nullptr;
        for (std::size_t t = 0; t < candidates.size(); ++t)
            if (t != k && !folded[t] && candidates[t].topology == c.topology &&
                candidates[t].parts == static_cast<int>(parts.size()) &&
                candidates[t].firstSeries == firstSeries)
                target = &candidates[t];
        if (!target)
            continue;
        const Network reduced = WithParts(c.tuned.network, parts);
        const double gamma = InBandGammaMax(c.problem, reduced);
        if (!AsGood(target->tuned.gammaMax, c.tuned.gammaMax) && !AsGood(gamma, c.tuned.gammaMax))
            continue;
        if (gamma < target->tuned.gammaMax * (1 - 1e-6)) {
            // The larger one's network, without the parts it does not need,
            // is the better of the two.
            target->tuned.network = reduced;
            target->tuned.gammaMax = gamma;
            if (options.series)
                target->standard = TuneToSeries(target->problem, target->tuned.network,
                                                *options.series, options.stop);
            std::tie(target->sourceDc, target->loadDc) = DcPathsOf(target->tuned.network);
        }
        std::vector<DcVariant> variants = std::move(c.dcVariants);
        if (!variant.parts.empty())
            variants.insert(variants.begin(), std::move(variant));
        // One note for each DC path the row does not give itself.
        for (DcVariant &v : variants) {
            const bool known =
                (v.sourceDc == target->sourceDc && v.loadDc == target->loadDc) ||
                std::any_of(target->dcVariants.begin(), target->dcVariants.end(),
                            [&](const DcVariant &w) {
                                return w.sourceDc == v.sourceDc && w.loadDc == v.loadDc;
                            });
            if (!known)
                target->dcVariants.push_back(std::move(v));
        }
        folded[k] = true;
    }
    std::vector<Candidate> kept;
    for (std::size_t k = 0; k < candidates.size(); ++k)
        if (!folded[k])
            kept.push_back(std::move(candidates[k]));
    candidates = std::move(kept);
}

// Keeps a ladder of another sequence only where it helps: where it matches
// better than every candidate of the other families with as many parts (a
// single part, than every two-part one) and none of its parts sits at the end
// of its range where it does nothing (the network is then a smaller
// sequence, screened on its own).
void KeepLaddersThatHelp(std::vector<Candidate> &candidates, const PartRanges &ranges)
{
    std::vector<std::optional<std::size_t>> bestOfSize;
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const Candidate &c = candidates[k];
        if (c.topology == Topology::Ladder || c.parts < 0)
            continue;
        const auto size = static_cast<std::size_t>(c.parts);
        if (bestOfSize.size() <= size)
            bestOfSize.resize(size + 1);
        if (!bestOfSize[size] || Better(c.tuned, candidates[*bestOfSize[size]].tuned))
            bestOfSize[size] = k;
    }
    std::vector<bool> keep(candidates.size(), true);
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const Candidate &c = candidates[k];
        if (c.topology != Topology::Ladder)
            continue;
        const std::vector<Part> parts = SourceToLoad(c.tuned.network);
        const bool needed = parts.size() < 2 ||
                            std::none_of(parts.begin(), parts.end(),
                                         [&](const Part &part) { return Vanishes(part, ranges); });
        const auto rival = static_cast<std::size_t>(std::max(c.parts, 2));
        const bool better = rival >= bestOfSize.size() || !bestOfSize[rival] ||
                            Better(c.tuned, candidates[*bestOfSize[rival]].tuned);
        keep[k] = c.twoBandSection || (needed && better);
    }
    std::vector<Candidate> kept;
    for (std::size_t k = 0; k < candidates.size(); ++k)
        if (keep[k])
            kept.push_back(std::move(candidates[k]));
    candidates = std::move(kept);
}

// Whether the goal has two passbands or more.
bool TwoPassbands(const Goal &goal)
{
    return std::count_if(goal.bands.begin(), goal.bands.end(),
                         [](const GoalBand &b) { return !b.reject; }) >= 2;
}

// A parallel LC across and a series LC, in either order: the two-band
// L-section, searched on its own against two passbands.
bool IsTwoResonatorSection(const PartSequence &sequence)
{
    if (sequence.size() != 4)
        return false;
    const auto pair = [&](std::size_t i) {
        const Part a{sequence[i], 1, ""}, b{sequence[i + 1], 1, ""};
        return a.shunt() == b.shunt() && a.inductor() != b.inductor();
    };
    const Part first{sequence[0], 1, ""}, third{sequence[2], 1, ""};
    return pair(0) && pair(2) && first.shunt() != third.shunt();
}

// The sequences of up to this many parts are screened beside the families.
constexpr std::size_t kMostSequenceParts = 4;

// How many sequences of each size are searched at length after the screen:
// the screen's short polish ranks the leaders of a size reliably, but not
// always in their final order, and more so as the parts grow.
std::size_t SequencesSearchedOfSize(std::size_t size)
{
    return size <= 1 ? 1 : size <= 3 ? 2 : 3;
}

} // namespace

std::pair<DcPath, DcPath> DcPathsOf(const Network &network)
{
    const std::vector<Part> parts = SourceToLoad(network);
    return {DcFrom(parts.begin(), parts.end()), DcFrom(parts.rbegin(), parts.rend())};
}

std::optional<std::vector<Part>> LSection(double sourceOhms, Complex loadOhms, double frequencyHz,
                                          Topology topology, bool firstSeries)
{
    if (topology != Topology::Lowpass && topology != Topology::Highpass)
        return std::nullopt;
    const double sign = topology == Topology::Lowpass ? 1 : -1;
    return SignedLSection(sourceOhms, loadOhms, frequencyHz, sign, sign, firstSeries);
}

bool CandidatesPossibleFor(const InputValues &values, LoadType loadType)
{
    const std::optional<TuneProblem> typed = TypedProblem(values, loadType);
    if (!typed)
        return false;
    TuneProblem probe = *typed;
    probe.network.parts.push_back(Part{ElementKind::SeriesInductor, 1, "L1"});
    return TuneProblemError(probe).empty();
}

CandidateSet BuildCandidates(const DesignInputs &inputs, const DesignResult &design,
                             std::shared_ptr<const MeasuredLoad> measured,
                             const CandidateOptions &options)
{
    if (const std::string error = PartRangesError(options.ranges); !error.empty())
        throw std::invalid_argument(error);
    std::vector<Start> bandpass;
    for (const int order : {4, 8, 12})
        if (auto start = BandpassStart(inputs, order, design))
            bandpass.push_back(std::move(*start));
    // Every other sequence of a few parts, by size: not the lowpass and
    // highpass ladders, grown on their own, nor a bandpass ladder's.
    std::vector<std::vector<PartSequence>> sequencesOfSize(kMostSequenceParts + 1);
    for (PartSequence &sequence : LadderSequences(kMostSequenceParts)) {
        const bool bandpassOwn = std::any_of(bandpass.begin(), bandpass.end(), [&](const Start &b) {
            return SequenceOf(SourceToLoad(b.problem.network)) == sequence;
        });
        if (!IsLowpassOrHighpass(sequence) && !bandpassOwn &&
            !(TwoPassbands(options.goal) && IsTwoResonatorSection(sequence)))
            sequencesOfSize[sequence.size()].push_back(std::move(sequence));
    }
    std::size_t sequencesSearched = 0;
    for (std::size_t size = 1; size < sequencesOfSize.size(); ++size)
        sequencesSearched += std::min(sequencesOfSize[size].size(), SequencesSearchedOfSize(size));

    std::optional<TuneProblem> base = bandpass.empty() ? TypedProblem(design.typed, inputs.loadType)
                                                       : std::optional(bandpass.front().problem);
    CandidateSet set;
    if (!base)
        return set;
    base->network.parts.clear();
    // The limit for the model: for a measured load, its fit's, or its
    // resonance's where the fitted kind does not describe the data.
    base->network.measured = measured;
    // The limit is for one band; several bands at once have none in closed form.
    if (base->network.load && options.goal.empty())
        set.bodeFanoGamma = BodeFanoGammaOf(*base);
    Part probe;
    probe.value = 1;
    if (!TuneProblemError(TuneProblem{WithParts(base->network, {probe}), base->band, {}}).empty())
        return set;

    // With lines, the families of lines the load's impedance at the band's
    // arithmetic centre gives starts for.
    std::vector<LineFamily> lineFamilies;
    if (options.ranges.lines)
        lineFamilies = LineFamilies(
            SourceOhmsOf(base->network),
            LoadImpedanceAt(base->network, 0.5 * (base->band.lowHz + base->band.highHz)),
            base->band.lowHz, base->band.highHz, options.ranges);

    // The chains are independent and each is deterministic: they run side
    // by side and are gathered in a fixed order.
    Progress progress(options, static_cast<int>(bandpass.size() + 4 * (Builder::kMostParts - 1) +
                                                sequencesSearched + lineFamilies.size() +
                                                (TwoPassbands(options.goal) ? 1 : 0)));
    TaskPool pool(TaskPool::ThreadsBesideCaller());
    // The largest bandpass ladder first: its chain is the longest, and one
    // that began last would end alone on one core.
    std::vector<std::future<std::vector<Candidate>>> chains(bandpass.size());
    for (std::size_t k = bandpass.size(); k-- > 0;)
        chains[k] = pool.Submit([&, start = std::move(bandpass[k])]() mutable {
            Builder builder(options, measured, progress, pool);
            builder.AddBandpass(std::move(start));
            return builder.Take();
        });
    // The other sequences, the largest first; gathered after every family,
    // so that ties keep the families' order.
    std::vector<std::future<std::vector<Candidate>>> sequenceChains;
    for (std::size_t size = sequencesOfSize.size(); size-- > 1;)
        if (!sequencesOfSize[size].empty())
            sequenceChains.push_back(pool.Submit([&, size] {
                Builder builder(options, measured, progress, pool);
                builder.AddSequences(base->network, base->band, sequencesOfSize[size],
                                     SequencesSearchedOfSize(size));
                return builder.Take();
            }));
    for (const Topology topology : {Topology::Lowpass, Topology::Highpass})
        for (const bool firstSeries : {true, false})
            chains.push_back(pool.Submit([&, topology, firstSeries] {
                Builder builder(options, measured, progress, pool);
                builder.AddLadders(base->network, base->band, topology, firstSeries);
                return builder.Take();
            }));
    if (TwoPassbands(options.goal))
        chains.push_back(pool.Submit([&] {
            Builder builder(options, measured, progress, pool);
            builder.AddTwoBandSection(base->network, options.goal);
            return builder.Take();
        }));
    for (LineFamily &family : lineFamilies)
        chains.push_back(pool.Submit([&, family = std::move(family)]() mutable {
            Builder builder(options, measured, progress, pool);
            builder.AddLineFamily(base->network, base->band, std::move(family));
            return builder.Take();
        }));
    // Every chain is waited for before the first failure is passed on.
    std::exception_ptr failure;
    for (auto &chain : sequenceChains)
        chains.push_back(std::move(chain));
    for (auto &chain : chains) {
        try {
            for (Candidate &c : pool.Wait(chain))
                set.candidates.push_back(std::move(c));
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
    FoldSameNetworks(set.candidates, options);
    KeepLaddersThatHelp(set.candidates, options.ranges);
    set.ranges = options.ranges;
    set.goal = options.goal;
    if (!options.goal.empty())
        for (Candidate &c : set.candidates) {
            c.bandFigures = GoalFiguresOf(c.tuned.network, options.goal);
            if (c.standard)
                c.standardBandFigures = GoalFiguresOf(c.standard->network, options.goal);
        }
    std::stable_sort(
        set.candidates.begin(), set.candidates.end(), [](const Candidate &a, const Candidate &b) {
            return Better(a.tuned, b.tuned) || (!Better(b.tuned, a.tuned) && a.parts < b.parts);
        });
    return set;
}

} // namespace tevmar::analysis
