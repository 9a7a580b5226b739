#include "analysis/candidates.h"

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
    }
    return "";
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

int LoadPortOf(const Network &network)
{
    if (network.measured)
        return network.measured->port;
    return network.load ? network.load->port() : 2;
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
        if (first->kind == ElementKind::SeriesCapacitor)
            return DcPath::Blocks;
        if (first->kind == ElementKind::ShuntInductor)
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
    if (network.measured)
        return network.measured->ImpedanceAt(frequencyHz);
    const double omega = Omega(frequencyHz);
    if (LoadPortOf(network) == 2) {
        Complex z = network.port2Ohms;
        if (network.load) {
            const Part &e = network.load->element;
            z += Complex(0, e.ReactanceAt(omega));
        }
        return z;
    }
    const Part &e = network.load->element;
    const Complex y(1 / network.port1Ohms, e.SusceptanceAt(omega));
    return 1.0 / y;
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

ElementKind LoadKindOf(LoadType type)
{
    switch (type) {
    case LoadType::SeriesRL:
        return ElementKind::SeriesInductor;
    case LoadType::SeriesRC:
        return ElementKind::SeriesCapacitor;
    case LoadType::ShuntRL:
        return ElementKind::ShuntInductor;
    case LoadType::ShuntRC:
        return ElementKind::ShuntCapacitor;
    }
    return ElementKind::SeriesInductor;
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

// Less power lost, then less reflected: what reaches the load counts first.
// For ideal parts the loss follows |S11|, and this is the order of |S11|.
bool Better(const TuneResult &a, const TuneResult &b)
{
    return a.lossDbMax != b.lossDbMax ? a.lossDbMax < b.lossDbMax : a.gammaMax < b.gammaMax;
}

struct Start
{
    TuneProblem problem;
    StartKind kind;
};

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
            Progress &progress)
        : options_(options), measured_(std::move(measured)), progress_(progress)
    {
    }

    // The candidate from the best of its starts' tunes.
    void Add(std::vector<Start> starts, Topology topology)
    {
        std::optional<Candidate> best;
        for (Start &start : starts) {
            Candidate c = Tuned(std::move(start), topology);
            if (!best || Better(c.tuned, best->tuned))
                best = std::move(c);
        }
        Candidate &c = *best;
        if (options_.series)
            c.standard = TuneToSeries(c.problem, c.tuned.network, *options_.series, options_.stop);
        std::tie(c.sourceDc, c.loadDc) = DcPathsOf(c.tuned.network);
        built_.push_back(std::move(c));
        progress_.Step();
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
            }
            Add(std::move(starts), topology);
            parts = SourceToLoad(built_.back().tuned.network);
            parts.push_back(NeutralPart(IsSeries(n, firstSeries), topology, reference, omega));
            kind = StartKind::Grown;
        }
    }

    std::vector<Candidate> Take() { return std::move(built_); }

    static constexpr std::size_t kMostParts = 6;

  private:
    Candidate Tuned(Start start, Topology topology) const
    {
        Candidate c;
        c.topology = topology;
        c.parts = static_cast<int>(start.problem.network.parts.size());
        c.start = start.kind;
        c.problem = std::move(start.problem);
        c.problem.network.measured = measured_;
        c.problem.ranges = options_.ranges;
        c.problem.built = options_.built;
        // Every candidate names its parts alike, from the source's side.
        c.problem.network = WithParts(c.problem.network, SourceToLoad(c.problem.network));
        c.firstSeries = !SourceToLoad(c.problem.network).front().shunt();
        TuneOptions tune;
        tune.stop = options_.stop;
        tune.restarts = kRestarts;
        tune.hops = kHops;
        c.tuned = Tune(c.problem, tune);
        return c;
    }

    // Fewer than the tuner's own defaults: the starts here are good ones,
    // and some twenty candidates share the time one tune may take.
    static constexpr int kRestarts = 6;
    static constexpr int kHops = 4;

    const CandidateOptions &options_;
    std::shared_ptr<const MeasuredLoad> measured_;
    Progress &progress_;
    std::vector<Candidate> built_;
};

} // namespace

std::pair<DcPath, DcPath> DcPathsOf(const Network &network)
{
    const std::vector<Part> parts = SourceToLoad(network);
    return {DcFrom(parts.begin(), parts.end()), DcFrom(parts.rbegin(), parts.rend())};
}

std::optional<std::vector<Part>> LSection(double sourceOhms, Complex loadOhms, double frequencyHz,
                                          Topology topology, bool firstSeries)
{
    if (topology == Topology::Bandpass || !(sourceOhms > 0) || !(std::abs(loadOhms) > 0))
        return std::nullopt;
    const double omega = Omega(frequencyHz);
    const double sign = topology == Topology::Lowpass ? 1 : -1;
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
        if (!(sign * x > 0) || !(sign * b > 0))
            continue;
        const Part series = PartWith(true, x, omega), shunt = PartWith(false, b, omega);
        if (!std::isfinite(series.value) || !std::isfinite(shunt.value))
            continue;
        return firstSeries ? std::vector{series, shunt} : std::vector{shunt, series};
    }
    return std::nullopt;
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

    std::optional<TuneProblem> base = bandpass.empty() ? TypedProblem(design.typed, inputs.loadType)
                                                       : std::optional(bandpass.front().problem);
    CandidateSet set;
    if (!base)
        return set;
    base->network.parts.clear();
    // The limit for the model: for a measured load, its fit's.
    if (base->network.load)
        set.bodeFanoGamma = BodeFanoGammaOf(*base);
    base->network.measured = measured;
    Part probe;
    probe.value = 1;
    if (!TuneProblemError(TuneProblem{WithParts(base->network, {probe}), base->band, {}}).empty())
        return set;

    // The chains are independent and each is deterministic: they run side
    // by side and are gathered in a fixed order.
    Progress progress(options, static_cast<int>(bandpass.size() + 4 * (Builder::kMostParts - 1)));
    std::vector<std::future<std::vector<Candidate>>> chains;
    for (Start &start : bandpass)
        chains.push_back(std::async(std::launch::async, [&, start = std::move(start)]() mutable {
            Builder builder(options, measured, progress);
            builder.Add({std::move(start)}, Topology::Bandpass);
            return builder.Take();
        }));
    for (const Topology topology : {Topology::Lowpass, Topology::Highpass})
        for (const bool firstSeries : {true, false})
            chains.push_back(std::async(std::launch::async, [&, topology, firstSeries] {
                Builder builder(options, measured, progress);
                builder.AddLadders(base->network, base->band, topology, firstSeries);
                return builder.Take();
            }));
    // Every chain is waited for before the first failure is passed on.
    std::exception_ptr failure;
    for (auto &chain : chains) {
        try {
            for (Candidate &c : chain.get())
                set.candidates.push_back(std::move(c));
        } catch (...) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
    std::stable_sort(
        set.candidates.begin(), set.candidates.end(), [](const Candidate &a, const Candidate &b) {
            return Better(a.tuned, b.tuned) || (!Better(b.tuned, a.tuned) && a.parts < b.parts);
        });
    return set;
}

} // namespace tevmar::analysis
