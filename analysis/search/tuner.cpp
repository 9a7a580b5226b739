#include "analysis/search/tuner.h"

#include "analysis/figures/network_analysis.h"
#include "analysis/lines/microstrip.h"
#include "analysis/model/board_line.h"
#include "analysis/model/network_gradient.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <nlopt.hpp>
#include <random>
#include <span>
#include <stdexcept>

namespace tevmar::analysis {
namespace {

bool PositiveFinite(double v)
{
    return std::isfinite(v) && v > 0;
}

// The cascade being tuned, its values moved in place. The variables are the
// natural logs of each part's value over its starting value: equal steps are
// equal ratios, which suits parts that differ by decades, and each part's
// range is a box of its own. A part the design put outside its range starts
// at the nearest limit: every tuned part lies within the ranges in force.
class Work
{
  public:
    explicit Work(const TuneProblem &problem)
        : network_(problem.network), band_(problem.band), goal_(problem.goal)
    {
        // Each band's figure as a power: a passband's lost power and a
        // rejection band's passed power, each on the scale of its limit.
        if (goal_.empty())
            segments_.push_back({band_, 1, false});
        for (const GoalBand &b : goal_.bands)
            segments_.push_back({b.band, b.Scale() * b.Scale(), b.reject});
        const PartRanges &ranges = problem.ranges;
        const auto add = [&](double start, double low, double high) {
            start_.push_back(start);
            low_.push_back(low);
            high_.push_back(high);
            lower_.push_back(std::log(low / start));
            upper_.push_back(std::log(high / start));
        };
        for (const Part &part : problem.network.parts) {
            const auto [low, high] = part.RangeIn(ranges);
            add(part.value, low, high);
        }
        // A line's characteristic impedance is a variable of its own, after
        // every part's value, unless the options hold every line at one.
        values_ = start_.size();
        for (std::size_t i = 0; i < network_.parts.size(); ++i) {
            Part &part = network_.parts[i];
            if (!part.isLine())
                continue;
            if (ranges.fixedLineZ0Ohms) {
                if (!part.line.board)
                    part.line.z0Ohms = *ranges.fixedLineZ0Ohms;
                continue;
            }
            lineOf_.push_back(i);
            // A strip on a board: its width, within what the board etches.
            if (part.line.board)
                add(std::clamp(part.line.board->width, ranges.lineLowWidth, ranges.lineHighWidth),
                    ranges.lineLowWidth, ranges.lineHighWidth);
            else
                add(part.line.z0Ohms, ranges.lineLowZ0Ohms, ranges.lineHighZ0Ohms);
        }
        byLogZ0_.resize(network_.parts.size());
        power_.Assign(network_);
    }

    std::size_t Parts() const { return start_.size(); }
    const Band &BandHz() const { return band_; }

    // A band of the goal as the search sees it: its figure is the power lost
    // (a passband) or passed (a rejection band), times `scale`.
    struct Segment
    {
        Band band;
        double scale = 1;
        bool reject = false;
    };
    const std::vector<Segment> &Segments() const { return segments_; }
    const std::vector<double> &Lower() const { return lower_; }
    const std::vector<double> &Upper() const { return upper_; }

    // Whether part i of a point lies at a limit of its range.
    bool AtLimit(const std::vector<double> &x, std::size_t i) const
    {
        return x[i] <= lower_[i] + 1e-6 || x[i] >= upper_[i] - 1e-6;
    }

    // A point moved into the box.
    void Clamp(std::vector<double> &x) const
    {
        for (std::size_t i = 0; i < Parts(); ++i)
            x[i] = std::clamp(x[i], lower_[i], upper_[i]);
    }

    void Set(const double *x)
    {
        for (std::size_t i = 0; i < Parts(); ++i) {
            const double v = std::clamp(start_[i] * std::exp(x[i]), low_[i], high_[i]);
            if (i < values_) {
                network_.parts[i].value = v;
                continue;
            }
            Part &line = network_.parts[lineOf_[i - values_]];
            if (line.line.board)
                line = WithWidthAtDegrees(line, v);
            else
                line.line.z0Ohms = v;
        }
        power_.ValuesMoved();
    }

    // |S11|^2 at one frequency for the values last set; with `byLog`, its
    // derivatives with respect to each part's log value.
    double Power(double frequencyHz, double *byLog = nullptr)
    {
        if (!goal_.empty())
            return GoalPower(frequencyHz, byLog);
        return LostPower(frequencyHz, byLog);
    }

    double LostPower(double frequencyHz, double *byLog)
    {
        ++evaluations_;
        if (lineOf_.empty())
            return power_.Lost(frequencyHz,
                               byLog ? std::span<double>(byLog, Parts()) : std::span<double>{});
        if (!byLog)
            return power_.Lost(frequencyHz);
        const double power = power_.Lost(frequencyHz, std::span<double>(byLog, values_), byLogZ0_);
        for (std::size_t j = 0; j < lineOf_.size(); ++j)
            byLog[values_ + j] = byLogZ0_[lineOf_[j]];
        return power;
    }

    double GridMax(const std::vector<double> &x, const std::vector<double> &frequencies)
    {
        Set(x.data());
        double worst = 0;
        for (const double f : frequencies)
            worst = std::max(worst, Power(f));
        return worst;
    }

    // The in-band maximum |S11| as the passband figures measure it (with a
    // goal, its score, one measurement per band).
    double Measure(const std::vector<double> &x)
    {
        Set(x.data());
        if (!goal_.empty()) {
            evaluations_ += kMeasureEvaluations * goal_.bands.size();
            return GoalScoreOf(network_, goal_);
        }
        evaluations_ += kMeasureEvaluations;
        return MatchFigureOf(network_, band_);
    }

    Network NetworkAt(const std::vector<double> &x)
    {
        Set(x.data());
        return network_;
    }

    // Responses worked out so far, one frequency each: the search's effort,
    // the same on every machine.
    std::uint64_t Evaluations() const { return evaluations_; }

  private:
    // A measurement of the passband figures, counted as about the
    // frequencies its sweep and refinement take.
    static constexpr std::uint64_t kMeasureEvaluations = 400;

    // The goal's figure at one frequency, on its band's scale: the bands
    // never overlap, so the frequency names its band.
    double GoalPower(double frequencyHz, double *byLog)
    {
        const Segment *segment = &segments_.front();
        for (const Segment &s : segments_)
            if (frequencyHz >= s.band.lowHz && frequencyHz <= s.band.highHz)
                segment = &s;
        const double lost = LostPower(frequencyHz, byLog);
        const double sign = segment->reject ? -1 : 1;
        if (byLog)
            for (std::size_t i = 0; i < Parts(); ++i)
                byLog[i] *= sign * segment->scale;
        return segment->scale * (segment->reject ? std::max(0.0, 1 - lost) : lost);
    }

    std::uint64_t evaluations_ = 0;
    Network network_; // the load held, the parts' values moved
    Band band_;
    Goal goal_;
    std::vector<Segment> segments_; // the one band, or each band of the goal
    std::vector<double> start_;
    std::size_t values_ = 0;            // the parts' values, then the lines' Z0
    std::vector<std::size_t> lineOf_;   // the part of each Z0 variable
    std::vector<double> byLogZ0_;       // per part
    std::vector<double> lower_, upper_; // the ranges in log value over the start
    std::vector<double> low_, high_;    // the ranges themselves
    LadderPower power_;                 // network_'s cascade, read at each frequency
};

// The frequencies where |S11| peaks for the values last set: the local maxima
// of a dense grid, each refined by golden-section search between its
// neighbours. A ladder of n parts has at most about n peaks in the band; on a
// plateau flat to the last bit every sample would count, so only the highest
// 2 (n + 1) are kept.
void PeakFrequencies(Work &work, const Band &band, int gridPoints, std::vector<double> &peaks)
{
    const std::vector<double> grid = BandGrid(band, gridPoints);
    std::vector<double> power;
    for (const double f : grid)
        power.push_back(work.Power(f));
    const std::size_t last = grid.size() - 1;
    std::vector<std::size_t> maxima;
    for (std::size_t i = 0; i <= last; ++i) {
        const double before = i > 0 ? power[i - 1] : -1.0;
        const double after = i < last ? power[i + 1] : -1.0;
        if (power[i] >= before && power[i] >= after)
            maxima.push_back(i);
    }
    const std::size_t most = 2 * (work.Parts() + 1);
    if (maxima.size() > most) {
        std::stable_sort(maxima.begin(), maxima.end(),
                         [&power](std::size_t a, std::size_t b) { return power[a] > power[b]; });
        maxima.resize(most);
        std::sort(maxima.begin(), maxima.end());
    }

    for (const std::size_t i : maxima) {
        if (i == 0 || i == last) {
            peaks.push_back(grid[i]);
            continue;
        }
        constexpr double kInvPhi = 0.6180339887498949;
        double a = grid[i - 1], b = grid[i + 1];
        double c = b - kInvPhi * (b - a), d = a + kInvPhi * (b - a);
        double pc = work.Power(c), pd = work.Power(d);
        for (int k = 0; k < 24; ++k) {
            if (pc > pd) {
                b = d, d = c, pd = pc;
                c = b - kInvPhi * (b - a), pc = work.Power(c);
            } else {
                a = c, c = d, pc = pd;
                d = a + kInvPhi * (b - a), pd = work.Power(d);
            }
        }
        peaks.push_back(pc > pd ? c : d);
    }
}

// The peaks of every band of the goal (of the one band without a goal).
std::vector<double> PeakFrequencies(Work &work, int gridPoints)
{
    std::vector<double> peaks;
    for (const Work::Segment &segment : work.Segments())
        PeakFrequencies(work, segment.band, gridPoints, peaks);
    return peaks;
}

// A coarse even grid over every band of the goal.
std::vector<double> CoarseGrid(const Work &work, int points)
{
    std::vector<double> grid;
    for (const Work::Segment &segment : work.Segments()) {
        const std::vector<double> band = BandGrid(segment.band, points);
        grid.insert(grid.end(), band.begin(), band.end());
    }
    return grid;
}

// Throws TuneCancelled once the flag is raised.
void CheckStop(const std::atomic<bool> *stop)
{
    if (stop && stop->load(std::memory_order_relaxed))
        throw TuneCancelled();
}

// Epigraph form of the minimax: minimise t over (x, t) subject to
// |S11(f)|^2 <= t at a set of frequencies, solved by sequential quadratic
// programming with the analytic gradients. The set is a coarse even grid plus
// the response's peaks, found afresh each round (and those of the round
// before, so that a peak the last step raised is not lost): with the peaks as
// constraints the solver sees the minimax problem itself rather than many
// near-active grid points, and each round starts where the last one ended.
// The grid holds about one point per part, enough to catch a ripple the
// solver raises between the peaks; each point more costs every step of the
// solve its response and a row of the solver's own subproblem.
class MinimaxPolish
{
  public:
    MinimaxPolish(Work &work, const std::atomic<bool> *stop, double stall)
        : work_(work), stop_(stop), stall_(stall),
          coarse_(CoarseGrid(work, static_cast<int>(work.Parts() + 1) + 1)),
          densePoints_(16 * static_cast<int>(work.Parts() + 1))
    {
    }

    // The values a polish ends on and their highest peak found, |S11|^2 (or
    // the lost power): within the peak search's precision of the in-band
    // maximum, and found with no sweep of its own.
    struct Polished
    {
        std::vector<double> x;
        double peak = HUGE_VAL;
    };

    // Up to `rounds` solves of at most `evaluations` steps each; stops when a
    // round no longer lowers the highest peak. Returns the values with the
    // lowest peak seen.
    Polished Run(const std::vector<double> &start, int rounds, int evaluations)
    {
        std::vector<double> x = start;
        std::vector<double> best = start;
        double bestPeak = HUGE_VAL;
        std::vector<double> previous;
        for (int round = 0;; ++round) {
            CheckStop(stop_);
            work_.Set(x.data());
            std::vector<double> peaks = PeakFrequencies(work_, densePoints_);
            double peak = 0;
            for (const double f : peaks)
                peak = std::max(peak, work_.Power(f));
            const bool stalled = peak > bestPeak * (1 - stall_);
            if (peak < bestPeak) {
                bestPeak = peak;
                best = x;
            }
            if (round == rounds || stalled)
                break;
            std::vector<double> frequencies = coarse_;
            frequencies.insert(frequencies.end(), peaks.begin(), peaks.end());
            frequencies.insert(frequencies.end(), previous.begin(), previous.end());
            x = Solve(x, frequencies, evaluations);
            previous = std::move(peaks);
        }
        return {best, bestPeak};
    }

  private:
    struct Pass
    {
        Work *work;
        const std::vector<double> *frequencies;
        double scale;
        std::vector<double> bestX;
        double bestMax;
    };

    // One solve on fixed frequencies; returns the values whose highest
    // constraint was lowest, whether or not the solver ended on them.
    std::vector<double> Solve(const std::vector<double> &x, const std::vector<double> &frequencies,
                              int evaluations)
    {
        const std::size_t n = work_.Parts();
        const double startMax = work_.GridMax(x, frequencies);
        if (!(startMax > 0))
            return x;
        // Scaled so that t starts at 1, which makes the tolerances relative.
        Pass pass{&work_, &frequencies, 1.0 / startMax, x, startMax};

        nlopt::opt opt(nlopt::LD_SLSQP, static_cast<unsigned>(n + 1));
        std::vector<double> lower = work_.Lower(), upper = work_.Upper();
        lower.push_back(0);
        upper.push_back(HUGE_VAL);
        opt.set_lower_bounds(lower);
        opt.set_upper_bounds(upper);
        // The objective is t, the last variable.
        opt.set_min_objective(
            [](unsigned dims, const double *v, double *grad, void *) {
                if (grad) {
                    std::fill_n(grad, dims, 0.0);
                    grad[dims - 1] = 1.0;
                }
                return v[dims - 1];
            },
            nullptr);
        opt.add_inequality_mconstraint(&MinimaxPolish::Constraints, &pass,
                                       std::vector<double>(frequencies.size(), 1e-10));
        // Ends when a step changes t by less than 1e-7 of itself: below the
        // figures' printed digits, where a tighter end only adds steps.
        opt.set_ftol_rel(1e-7);
        opt.set_xtol_abs(1e-9);
        opt.set_maxeval(evaluations);

        std::vector<double> v = x;
        v.push_back(1.0);
        double t = 0;
        try {
            opt.optimize(v, t);
        } catch (const std::exception &) {
            // Round-off and failed steps end the solve; the best values seen stay.
        }
        return pass.bestX;
    }

    static void Constraints(unsigned m, double *result, unsigned dims, const double *v,
                            double *grad, void *data)
    {
        Pass &pass = *static_cast<Pass *>(data);
        const std::size_t n = dims - 1;
        pass.work->Set(v);
        double worst = 0;
        for (unsigned k = 0; k < m; ++k) {
            double *row = grad ? grad + static_cast<std::size_t>(k) * dims : nullptr;
            const double power = pass.work->Power((*pass.frequencies)[k], row);
            worst = std::max(worst, power);
            result[k] = power * pass.scale - v[n];
            if (row) {
                for (std::size_t i = 0; i < n; ++i)
                    row[i] *= pass.scale;
                row[n] = -1.0;
            }
        }
        if (worst < pass.bestMax) {
            pass.bestMax = worst;
            pass.bestX.assign(v, v + n);
        }
    }

    Work &work_;
    const std::atomic<bool> *stop_;
    double stall_; // the least fraction a round must lower the highest peak by
    std::vector<double> coarse_;
    int densePoints_;
};

// The search's effort, found by trials on absorbed and plain designs of
// orders 4 to 12 and on a measured antenna written with 6 to 17 digits:
// - perturbed starts spread each part uniformly in log value within a factor
//   e^0.9 = 2.5 of the start: the network's local minima lie far apart, and
//   smaller spreads mostly fall back into the start's own basin;
// - the global stage hops from the best network so far, alternately far
//   (into another basin) and near (a neighbouring arrangement of the
//   ripples), which makes the answer depend on the problem rather than on
//   where the first starts happened to fall;
// - every start and hop gets a short polish, the best two a long one.
constexpr double kStartSpread = 0.9;
constexpr double kHopSpreads[] = {0.6, 0.25};
constexpr int kScreenRounds = 3;
constexpr int kScreenEvaluations = 40;
// With an evaluation budget, further rounds start within a factor e^1.8 = 6
// of the best network so far and of the given values, alternately: far
// enough to leave the basin of a ladder with a part run to its range limit,
// where the first round's starts mostly fall back. A round pays when it
// lowers the best by more than 1 %; the first that does not ends the search.
constexpr double kRoundSpread = 1.8;
constexpr double kPayingRound = 0.01;
constexpr double kRevivedSpread = 0.5;

// Polished points and their in-band maximum |S11| as the polish's peak
// search found it, best first.
using Candidates = std::vector<std::pair<double, std::vector<double>>>;

// The first `count` candidates (best first) that differ from each better one
// chosen by more than 1 % in some part: hops often land in the same basin as
// the best, and polishing one basin twice wastes the long polish.
std::vector<std::size_t> DistinctBest(const Candidates &candidates, int count)
{
    std::vector<std::size_t> chosen;
    for (std::size_t k = 0; k < candidates.size() && chosen.size() < std::size_t(count); ++k) {
        const std::vector<double> &x = candidates[k].second;
        const bool distinct = std::all_of(chosen.begin(), chosen.end(), [&](std::size_t c) {
            const std::vector<double> &y = candidates[c].second;
            for (std::size_t i = 0; i < x.size(); ++i)
                if (std::abs(x[i] - y[i]) > 0.01)
                    return true;
            return false;
        });
        if (distinct)
            chosen.push_back(k);
    }
    return chosen;
}

// A tuned network replaces the start only when it is better by more than the
// measurement's own precision; otherwise the start comes back unchanged.
constexpr double kRealImprovement = 1e-6;

// Starts of the standard-value search besides the plain snap.
constexpr std::size_t kOtherSeriesStarts = 2;

// Moves of the standard-value descent, at most, for each part and each value
// a decade of its series holds: as many as twelve decades of the series, more
// than any range spans.
constexpr std::size_t kMostSeriesMovesPerValue = 12;

// Uniform in [-1, 1) from the generator's raw output, the same on every
// machine (the standard distributions are not).
double Symmetric(std::mt19937_64 &random)
{
    return static_cast<double>(random() >> 11) * 0x1.0p-52 - 1.0;
}

// `x` with each part moved uniformly in log value by up to `spread`.
std::vector<double> Perturbed(std::vector<double> x, double spread, std::mt19937_64 &random)
{
    for (double &xi : x)
        xi += spread * Symmetric(random);
    return x;
}

// The series value `steps` places above (below, when negative) a value of
// the series, across decades.
double StepInSeries(double value, ESeries series, int steps)
{
    const std::span<const double> values = SeriesValues(series);
    const int size = static_cast<int>(values.size());
    int exponent = static_cast<int>(std::floor(std::log10(value)));
    // The nearest series mantissa in ratio; 10 is the next decade's first value.
    int index = 0;
    double nearest = HUGE_VAL;
    for (int i = 0; i <= size; ++i) {
        const double candidate = SeriesValueAt(i < size ? values[i] : 10.0, exponent);
        const double distance = std::abs(std::log(value / candidate));
        if (distance < nearest) {
            nearest = distance;
            index = i;
        }
    }
    index += steps;
    while (index >= size) {
        index -= size;
        ++exponent;
    }
    while (index < 0) {
        index += size;
        --exponent;
    }
    return SeriesValueAt(values[index], exponent);
}

} // namespace

std::string PartRangesError(const PartRanges &r)
{
    for (const auto &[low, high] : {std::pair{r.inductorLowNh, r.inductorHighNh},
                                    std::pair{r.capacitorLowPf, r.capacitorHighPf}})
        if (!(low >= kLowestRangeLimit) || !(high <= kHighestRangeLimit) || !(low < high))
            return "a part range needs two limits from 1e-06 to 1e+09, the lower below the upper";
    if (!(r.lineLowDegrees > 0) || !(r.lineHighDegrees <= 360) ||
        !(r.lineLowDegrees < r.lineHighDegrees))
        return "a line's length range needs two limits above 0 and up to 360 degrees, the lower "
               "below the upper";
    if (!(r.lineLowZ0Ohms > 0) || !(r.lineLowZ0Ohms < r.lineHighZ0Ohms) ||
        !std::isfinite(r.lineHighZ0Ohms))
        return "a line's Z0 range needs two positive limits, the lower below the upper";
    if (r.fixedLineZ0Ohms && (!std::isfinite(*r.fixedLineZ0Ohms) || !(*r.fixedLineZ0Ohms > 0)))
        return "a line's Z0 must be positive";
    if (r.board) {
        const double h = r.board->height;
        if (!(r.lineLowWidth >= lines::kLeastWidthRatio * h) ||
            !(r.lineHighWidth <= lines::kMostWidthRatio * h) || !(r.lineLowWidth < r.lineHighWidth))
            return "a strip's width range needs two limits the microstrip formulas cover, the "
                   "lower below the upper";
        if (!(r.lineLengthStep > 0) || !std::isfinite(r.lineLengthStep))
            return "a strip's length step must be positive";
    }
    return {};
}

bool AtRangeLimit(const Part &part, const PartRanges &ranges)
{
    const auto [low, high] = part.RangeIn(ranges);
    return part.value <= low * (1 + 1e-6) || part.value >= high * (1 - 1e-6);
}

std::string TuneProblemError(const TuneProblem &problem)
{
    if (!PositiveFinite(problem.network.port1Ohms) || !PositiveFinite(problem.network.port2Ohms))
        return "port resistances must be positive";
    const Band &band = problem.band;
    if (!PositiveFinite(band.lowHz) || !PositiveFinite(band.highHz) || !(band.lowHz < band.highHz))
        return "the band needs two positive edges, the lower below the upper";
    if (problem.network.parts.empty())
        return "there are no parts to tune";
    if (const std::string goal = GoalError(problem.goal); !goal.empty())
        return goal;
    for (const Part &part : problem.network.parts)
        if (!PositiveFinite(part.value) || part.kind == ElementKind::Termination)
            return "every part needs a positive value";
    if (const std::optional<LoadReactance> &load = problem.network.load) {
        const Part &e = load->element;
        if (!PositiveFinite(e.value) || e.kind == ElementKind::Termination ||
            e.shunt() != (load->port() == 1))
            return "the load's reactance must be a shunt part at port 1 or a series part at port 2";
    }
    return PartRangesError(problem.ranges);
}

double InBandGammaMax(const TuneProblem &problem, const Network &network)
{
    if (!problem.goal.empty())
        return GoalScoreOf(network, problem.goal);
    return MatchFigureOf(network, problem.band);
}

namespace {

// The tune compares networks by their match figure; a lossy network is
// reported by its reflection and its loss, both.
void ReportFigures(const TuneProblem &problem, const Network &network, double figure,
                   double &gammaMax, double &lossDbMax)
{
    if (!problem.goal.empty()) {
        // The score ranks; the loss is the worst passband's.
        gammaMax = figure;
        lossDbMax = 0;
        for (const GoalBand &b : problem.goal.bands)
            if (!b.reject)
                lossDbMax =
                    std::max(lossDbMax, LossDbMaxOf(network, b.band,
                                                    PassbandFiguresOf(network, b.band).gammaMax));
        return;
    }
    const Band &band = problem.band;
    if (AllPartsIdeal(network)) {
        gammaMax = figure;
        lossDbMax = MismatchLossDbOf(figure);
        return;
    }
    gammaMax = PassbandFiguresOf(network, band).gammaMax;
    lossDbMax = LossDbMaxOf(network, band, gammaMax);
}

} // namespace

TuneResult Tune(const TuneProblem &problem, const TuneOptions &options)
{
    if (const std::string error = TuneProblemError(problem); !error.empty())
        throw std::invalid_argument(error);
    if (options.restarts < 0 || options.hops < 0 || options.finalists < 1 ||
        options.polishSteps < 1 || options.polishRounds < 1 ||
        !(options.polishStall >= 0 && options.polishStall < 1) ||
        !(options.screenCutoff >= 0 && std::isfinite(options.screenCutoff)))
        throw std::invalid_argument(
            "tuning needs a finalist, polish rounds and steps, a stall fraction from 0 to 1, "
            "a finite screening cut-off and no negative restarts or hops");
    // The parts as they will be built, when the problem gives their models.
    // A Q fixed at the centre frequency takes the band's when none is given.
    TuneProblem built = problem;
    // Ideal lines become strips on the board the ranges name.
    built.network = LinesOnBoard(problem.network, problem.ranges);
    if (!problem.built.lossless()) {
        LossModel models = problem.built;
        if (models.centreHz == 0)
            models.centreHz = problem.band.centreHz;
        built.network = WithLosses(built.network, models);
        built.ranges = WithinSelfResonance(problem.ranges, models, problem.band.highHz);
    }
    Work work(built);
    MinimaxPolish polish(work, options.stop, options.polishStall);
    // The start, its parts brought within their ranges.
    std::vector<double> origin(work.Parts(), 0.0);
    work.Clamp(origin);
    const bool withinRanges =
        std::all_of(origin.begin(), origin.end(), [](double x) { return x == 0; });
    const double givenGamma = InBandGammaMax(built, built.network);
    const double originGamma = withinRanges ? givenGamma : work.Measure(origin);
    std::mt19937_64 random(options.seed);
    Candidates candidates;
    const auto polishBriefly = [&](std::vector<double> x) {
        work.Clamp(x);
        MinimaxPolish::Polished screened;
        if (options.screenCutoff > 0 && !candidates.empty()) {
            screened = polish.Run(x, 1, kScreenEvaluations);
            if (!(std::sqrt(screened.peak) > options.screenCutoff * candidates.front().first))
                screened = polish.Run(screened.x, kScreenRounds - 1, kScreenEvaluations);
        } else {
            screened = polish.Run(x, kScreenRounds, kScreenEvaluations);
        }
        // A network whose response overflows is no candidate (and would
        // break the ordering).
        if (const double gamma = std::sqrt(screened.peak); std::isfinite(gamma))
            candidates.emplace_back(gamma, std::move(screened.x));
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
    };

    std::vector<double> best = origin;
    double bestGamma = originGamma * (1 - kRealImprovement);
    // A start outside the ranges is never the answer.
    bool improved = !withinRanges;
    if (improved)
        bestGamma = originGamma;
    // One round: screening of the starts `start(run)` gives, hops from the
    // best screened, and a long polish of the best distinct networks.
    const auto round = [&](const std::function<std::vector<double>(int)> &start) {
        candidates.clear();
        for (int run = 0; run <= options.restarts; ++run)
            polishBriefly(start(run));
        for (int hop = 0; hop < options.hops; ++hop)
            polishBriefly(Perturbed(candidates.empty() ? origin : candidates.front().second,
                                    kHopSpreads[hop % 2], random));
        for (const std::size_t k : DistinctBest(candidates, options.finalists)) {
            const auto &[screenedGamma, screenedX] = candidates[k];
            std::vector<double> x =
                polish.Run(screenedX, options.polishRounds, options.polishSteps).x;
            // The finalists are measured as the figures are; the screened
            // values only where their peaks promise better.
            double gamma = work.Measure(x);
            if (screenedGamma < gamma) {
                if (const double measured = work.Measure(screenedX); measured < gamma) {
                    gamma = measured;
                    x = screenedX;
                }
            }
            if (gamma < bestGamma) {
                bestGamma = gamma;
                best = std::move(x);
                improved = true;
            }
        }
    };
    // The given values and perturbed copies of them.
    round([&](int run) { return run == 0 ? origin : Perturbed(origin, kStartSpread, random); });
    // Further rounds while the budget lasts and each pays: from the best
    // network with every part its range stopped given back its starting
    // value (the range's middle where it started at a limit too), and wide
    // around the given values and the best network.
    while (work.Evaluations() < options.evaluations) {
        const double before = bestGamma;
        const std::vector<double> centre = best;
        std::vector<double> revived = best;
        for (std::size_t i = 0; i < revived.size(); ++i)
            if (work.AtLimit(revived, i))
                revived[i] =
                    work.AtLimit(origin, i) ? 0.5 * (work.Lower()[i] + work.Upper()[i]) : origin[i];
        round([&](int run) {
            switch (run % 3) {
            case 0:
                return run == 0 ? revived : Perturbed(revived, kRevivedSpread, random);
            case 1:
                return Perturbed(origin, kRoundSpread, random);
            default:
                return Perturbed(centre, kRoundSpread, random);
            }
        });
        if (!(bestGamma < before * (1 - kPayingRound)))
            break;
    }
    TuneResult result;
    result.startGammaMax = givenGamma;
    result.network = improved ? work.NetworkAt(best) : built.network;
    result.gammaMax = improved ? bestGamma : givenGamma;
    // Strips are drawn on the layout's grid: the figures are the drawn
    // network's.
    if (HasBoardLines(result.network)) {
        result.network = LengthsOnGrid(result.network, problem.ranges.lineLengthStep);
        result.gammaMax = InBandGammaMax(built, result.network);
    }
    result.evaluations = work.Evaluations();
    result.scored = !problem.goal.empty();
    if (!AllPartsIdeal(result.network)) {
        double startLoss = 0;
        ReportFigures(problem, built.network, givenGamma, result.startGammaMax, startLoss);
    }
    ReportFigures(problem, result.network, result.gammaMax, result.gammaMax, result.lossDbMax);
    return result;
}

StandardTuneResult TuneToSeries(const TuneProblem &problem, const Network &network, ESeries series,
                                const std::atomic<bool> *stop)
{
    if (const std::string error =
            TuneProblemError(TuneProblem{network, problem.band, problem.ranges});
        !error.empty())
        throw std::invalid_argument(error);
    StandardTuneResult result;
    result.series = series;
    result.snapped = SnapNetwork(network, series);
    // Each part's range, widened to its tuned value where the design put it
    // outside; a snap that crosses a limit takes the series value inside it.
    std::vector<std::pair<double, double>> limits;
    const PartRanges ranges =
        WithinSelfResonance(problem.ranges, problem.built, problem.band.highHz);
    for (const Part &part : network.parts) {
        const auto [low, high] = part.RangeIn(ranges);
        limits.emplace_back(std::min(low, part.value) * (1 - 1e-9),
                            std::max(high, part.value) * (1 + 1e-9));
    }
    const auto allInRange = [&](const Network &ladder) {
        for (std::size_t i = 0; i < ladder.parts.size(); ++i)
            if (ladder.parts[i].value < limits[i].first || ladder.parts[i].value > limits[i].second)
                return false;
        return true;
    };
    for (std::size_t i = 0; i < network.parts.size(); ++i) {
        double &value = result.snapped.parts[i].value;
        for (int k = 0; k < 2 && (value < limits[i].first || value > limits[i].second); ++k)
            value = StepInSeries(value, series, value < limits[i].first ? 1 : -1);
    }
    result.snappedGammaMax = InBandGammaMax(problem, result.snapped);

    // Moves of one part by one or two series steps either way and, when none
    // of those helps, of two parts by one step each. Candidates are ranked by
    // their maximum on a fixed grid, a lower bound of the true maximum: one
    // whose bound is not below the current maximum cannot improve on it, the
    // others are measured in rank order and the first that improves is taken.
    // Every move improves strictly, so the search ends; the moves are bounded
    // besides, far beyond the few a snap near its match takes.
    const int screenPoints = 20 * static_cast<int>(network.parts.size() + 1) + 1;
    std::vector<double> screenGrid;
    std::vector<std::pair<double, bool>> screenScale; // per grid point, with a goal
    if (problem.goal.empty())
        screenGrid = BandGrid(problem.band, screenPoints);
    for (const GoalBand &b : problem.goal.bands)
        for (const double f : BandGrid(b.band, screenPoints)) {
            screenGrid.push_back(f);
            screenScale.emplace_back(b.Scale() * b.Scale(), b.reject);
        }
    // One evaluator for every candidate: the measured terminations on the
    // grid are interpolated once for them all.
    LadderPower power;
    const auto screen = [&](const Network &candidate) {
        power.Assign(candidate);
        double worst = 0;
        for (std::size_t k = 0; k < screenGrid.size(); ++k) {
            double lost = power.Lost(screenGrid[k]);
            if (!screenScale.empty())
                lost = screenScale[k].first * (screenScale[k].second ? 1 - lost : lost);
            worst = std::max(worst, lost);
        }
        return std::sqrt(worst);
    };
    const std::size_t parts = network.parts.size();
    const auto stepped = [&](std::size_t part, int steps, Network ladder) {
        // A line keeps its tuned length: standard values are for parts.
        if (ladder.parts[part].isLine())
            return ladder;
        ladder.parts[part].value = StepInSeries(ladder.parts[part].value, series, steps);
        return ladder;
    };
    const auto descend = [&](Network current, double currentGamma) {
        const auto improve = [&](const std::vector<Network> &candidates) {
            std::vector<std::pair<double, std::size_t>> ranked;
            for (std::size_t c = 0; c < candidates.size(); ++c)
                if (const double bound = screen(candidates[c]);
                    bound < currentGamma && allInRange(candidates[c]))
                    ranked.emplace_back(bound, c);
            std::stable_sort(ranked.begin(), ranked.end());
            for (const auto &[bound, c] : ranked) {
                if (const double gamma = InBandGammaMax(problem, candidates[c]);
                    gamma < currentGamma) {
                    current = candidates[c];
                    currentGamma = gamma;
                    return true;
                }
            }
            return false;
        };
        const std::size_t mostMoves =
            kMostSeriesMovesPerValue * SeriesValues(series).size() * parts;
        for (std::size_t move = 0; move < mostMoves; ++move) {
            CheckStop(stop);
            std::vector<Network> singles;
            for (std::size_t i = 0; i < parts; ++i)
                for (const int steps : {-2, -1, 1, 2})
                    singles.push_back(stepped(i, steps, current));
            if (improve(singles))
                continue;
            std::vector<Network> pairs;
            for (std::size_t i = 0; i < parts; ++i)
                for (std::size_t j = i + 1; j < parts; ++j)
                    for (const int si : {-1, 1})
                        for (const int sj : {-1, 1})
                            pairs.push_back(stepped(j, sj, stepped(i, si, current)));
            if (!improve(pairs))
                break;
        }
        return std::pair{current, currentGamma};
    };

    // The greedy descent ends in the nearest local minimum, which depends on
    // where it starts. Besides the plain snap, it starts from the snaps with
    // one part rounded the other way (to the series value on the other side
    // of its tuned value), the most promising of them by the grid bound.
    std::vector<std::pair<double, Network>> starts;
    for (std::size_t i = 0; i < parts; ++i) {
        const int away = result.snapped.parts[i].value > network.parts[i].value ? -1 : 1;
        Network start = stepped(i, away, result.snapped);
        if (allInRange(start))
            starts.emplace_back(screen(start), std::move(start));
    }
    // The screen of a start is a maximum of figures that are numbers, but a
    // bound that is not one would rank last.
    std::stable_sort(starts.begin(), starts.end(), [](const auto &a, const auto &b) {
        return a.first < b.first || (std::isnan(b.first) && !std::isnan(a.first));
    });
    starts.resize(std::min(starts.size(), kOtherSeriesStarts));

    auto [current, currentGamma] = descend(result.snapped, result.snappedGammaMax);
    for (auto &[bound, start] : starts) {
        const double startGamma = InBandGammaMax(problem, start);
        if (auto [ladder, gamma] = descend(std::move(start), startGamma); gamma < currentGamma) {
            current = std::move(ladder);
            currentGamma = gamma;
        }
    }
    result.network = std::move(current);
    result.gammaMax = currentGamma;
    ReportFigures(problem, result.snapped, result.snappedGammaMax, result.snappedGammaMax,
                  result.snappedLossDbMax);
    ReportFigures(problem, result.network, result.gammaMax, result.gammaMax, result.lossDbMax);
    return result;
}

} // namespace tevmar::analysis
