#include "session/views/drag.h"

#include "analysis/figures/impedance_path.h"
#include "analysis/model/termination.h"
#include "analysis/search/kit_search.h"
#include "session/views/smith_path.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tevmar::session {
namespace {

using analysis::Complex;

// The point after one part as its value alone changes: the impedance at the
// node before it (the load, the parts between and their pads) is worked out
// once, and each trial value adds only the part's own section and, after a
// series part, the pad at the node it reaches, as the path draws it.
class PartLocus
{
  public:
    PartLocus(const analysis::Network &network, std::size_t index, double frequencyHz,
              double referenceOhms)
        : part_(network.parts.at(index)), pad_(network.Pad()), pads_(network.padPf > 0),
          omega_(2 * std::numbers::pi * frequencyHz), referenceOhms_(referenceOhms)
    {
        atPort2_ = analysis::LoadPortOf(network) == 2;
        Complex z = analysis::LoadTerminationOf(network).ImpedanceAt(frequencyHz);
        if (pads_)
            z = analysis::ImpedanceThrough(pad_.SectionAt(omega_), z, atPort2_);
        const std::size_t count = network.parts.size();
        for (std::size_t k = 0; k < count; ++k) {
            const std::size_t at = atPort2_ ? count - 1 - k : k;
            if (at == index)
                break;
            z = After(network.parts[at], z);
        }
        before_ = z;
    }

    // The reflection, against the chart's reference, of the point after the
    // part as `part` (the same part at another value, or a kit part).
    Complex GammaWith(const analysis::Part &part) const
    {
        const Complex z = After(part, before_);
        if (!std::isfinite(z.real()) || !std::isfinite(z.imag()))
            return {1, 0}; // an open circuit, at the chart's right-hand edge
        return (z - referenceOhms_) / (z + referenceOhms_);
    }
    Complex GammaAt(double value) const { return GammaWith(part_.WithValue(value)); }
    const analysis::Part &part() const { return part_; }

  private:
    Complex After(const analysis::Part &part, Complex z) const
    {
        z = analysis::ImpedanceThrough(part.SectionAt(omega_), z, atPort2_);
        if (pads_ && !part.shunt())
            z = analysis::ImpedanceThrough(pad_.SectionAt(omega_), z, atPort2_);
        return z;
    }

    analysis::Part part_, pad_;
    bool pads_;
    bool atPort2_ = true;
    double omega_, referenceOhms_;
    Complex before_;
};

// A distance that orders a NaN (a point that cannot be drawn) last.
double Distance(Complex a, Complex b)
{
    const double d = std::abs(a - b);
    return std::isnan(d) ? std::numeric_limits<double>::infinity() : d;
}

// The factor on `drawn` that gives `value` exactly when multiplied, as a
// step applies it: the quotient, nudged by an ulp where rounding misses.
double ExactFactor(double drawn, double value)
{
    double factor = value / drawn;
    for (int k = 0; k < 4 && drawn * factor != value; ++k)
        factor = std::nextafter(
            factor, drawn * factor < value ? std::numeric_limits<double>::infinity() : 0.0);
    return drawn * factor == value ? factor : value / drawn;
}

} // namespace

double DraggedValue(const analysis::Network &network, std::size_t index, double frequencyHz,
                    Complex gamma, double referenceOhms, std::pair<double, double> range)
{
    const PartLocus locus(network, index, frequencyHz, referenceOhms);
    double low = range.first, high = range.second;
    if (low > high)
        std::swap(low, high);
    low = std::max(low, std::numeric_limits<double>::min());
    high = std::max(high, low);
    // The locus is sampled evenly in the logarithm of the value, as a value's
    // effect on the match goes by ratio, then the nearest sample refined
    // between its neighbours by a golden-section search.
    constexpr int kSamples = 256;
    const double logLow = std::log(low), logHigh = std::log(high);
    const auto valueAt = [&](int k) {
        if (k <= 0)
            return low;
        if (k >= kSamples - 1)
            return high;
        return std::exp(logLow + (logHigh - logLow) * k / (kSamples - 1));
    };
    int best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    double worstDistance = 0;
    for (int k = 0; k < kSamples; ++k) {
        const double d = Distance(locus.GammaAt(valueAt(k)), gamma);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
        worstDistance = std::max(worstDistance, d);
    }
    if (!std::isfinite(bestDistance) || worstDistance - bestDistance < 1e-12)
        return std::clamp(locus.part().value, low, high);
    double a = std::log(valueAt(best - 1)), b = std::log(valueAt(best + 1));
    const double ratio = (std::sqrt(5.0) - 1) / 2;
    double c = b - ratio * (b - a), d = a + ratio * (b - a);
    double dc = Distance(locus.GammaAt(std::exp(c)), gamma);
    double dd = Distance(locus.GammaAt(std::exp(d)), gamma);
    for (int k = 0; k < 60 && b - a > 1e-13; ++k) {
        if (dc <= dd) {
            b = d;
            d = c;
            dd = dc;
            c = b - ratio * (b - a);
            dc = Distance(locus.GammaAt(std::exp(c)), gamma);
        } else {
            a = c;
            c = d;
            dc = dd;
            d = a + ratio * (b - a);
            dd = Distance(locus.GammaAt(std::exp(d)), gamma);
        }
    }
    const double refined = std::clamp(std::exp(0.5 * (a + b)), low, high);
    // The arc's ends are values of their own: a pointer past an end gives
    // that end exactly, not a rounding inside it.
    return Distance(locus.GammaAt(refined), gamma) < bestDistance ? refined : valueAt(best);
}

std::size_t DraggedKitPart(const analysis::Network &network, std::size_t index, double frequencyHz,
                           Complex gamma, double referenceOhms,
                           const std::vector<analysis::KitPartRef> &choices)
{
    const PartLocus locus(network, index, frequencyHz, referenceOhms);
    std::size_t best = 0;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t k = 0; k < choices.size(); ++k) {
        const double d =
            Distance(locus.GammaWith(analysis::KitPartAs(locus.part(), choices[k])), gamma);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

const analysis::Network *DrawnNetworkOf(const Response &drawn)
{
    return drawn.curves.empty() ? nullptr : &drawn.curves.front().network;
}

std::optional<std::size_t> PartNamed(const analysis::Network &network, const std::string &name)
{
    for (std::size_t i = 0; i < network.parts.size(); ++i)
        if (analysis::PartName(network, i) == name)
            return i;
    return std::nullopt;
}

bool DragPart(PartSteps &steps, const Response &drawn, std::size_t index, Complex gamma,
              double referenceOhms, const analysis::PartRanges &ranges)
{
    const analysis::Network *network = DrawnNetworkOf(drawn);
    const double centreHz = drawn.analysis.band.centreHz;
    if (!drawn.problem.empty() || !network || index >= network->parts.size() ||
        index >= steps.size() || !std::isfinite(centreHz) || centreHz <= 0 ||
        !(referenceOhms > 0) || !std::isfinite(gamma.real()) || !std::isfinite(gamma.imag()))
        return false;
    const analysis::Network stepped = steps.Apply(*network);
    if (const std::vector<analysis::KitPartRef> *choices = steps.kitChoices(index)) {
        if (choices->empty())
            return false;
        const int k = static_cast<int>(
            DraggedKitPart(stepped, index, centreHz, gamma, referenceOhms, *choices));
        if (k == steps.values().kitParts[index])
            return false;
        return steps.SetKitPart(index, k);
    }
    const analysis::Part &part = network->parts[index];
    if (!(part.value > 0))
        return false;
    const double value =
        DraggedValue(stepped, index, centreHz, gamma, referenceOhms, part.RangeIn(ranges));
    const double factor = ExactFactor(part.value, value);
    if (factor == steps.factor(index))
        return false;
    return steps.SetFactor(index, factor);
}

bool WheelPart(PartSteps &steps, std::size_t index, int notches, double percent)
{
    bool moved = false;
    const int direction = notches > 0 ? 1 : -1;
    for (int k = 0; k < std::abs(notches); ++k)
        moved = steps.Step(index, direction, percent) || moved;
    return moved;
}

std::optional<PartStepValues> ValuesFor(const PartSteps &steps, const analysis::Network &drawn,
                                        const analysis::Network &target)
{
    const std::size_t count = drawn.parts.size();
    if (target.parts.size() != count || steps.size() != count)
        return std::nullopt;
    PartStepValues values{std::vector<double>(count, 1.0), steps.values().kitParts};
    for (std::size_t i = 0; i < count; ++i) {
        const analysis::Part &from = drawn.parts[i], &to = target.parts[i];
        // A tune moves values, not what a part is; a line whose impedance
        // the tune moved is not a factor on its length.
        if (from.kind != to.kind || (from.isLine() && from.line != to.line))
            return std::nullopt;
        const analysis::KitPart *kitPart = analysis::KitPartOf(to);
        if (const std::vector<analysis::KitPartRef> *choices = steps.kitChoices(i)) {
            const auto same =
                std::find_if(choices->begin(), choices->end(), [&](const analysis::KitPartRef &p) {
                    return kitPart && p->partNumber == kitPart->partNumber;
                });
            if (same == choices->end())
                return std::nullopt;
            values.kitParts[i] = static_cast<int>(same - choices->begin());
            continue;
        }
        if (kitPart || !(from.value > 0) || !(to.value > 0))
            return std::nullopt;
        values.factors[i] = ExactFactor(from.value, to.value);
    }
    return values;
}

PartStepValues TunedValues(const PartSteps &steps, const Response &shown, const Response &drawn)
{
    if (const analysis::Network *network = DrawnNetworkOf(drawn)) {
        // The tune the path follows first; where its parts cannot be taken
        // (kit parts in place of a design's chip models), the tune itself.
        std::vector<const ResponseCurve *> tunes{TunedCurveOf(shown)};
        for (const ResponseCurve &curve : shown.curves)
            if (curve.role == CurveRole::Tuned)
                tunes.push_back(&curve);
        for (const ResponseCurve *tune : tunes)
            if (tune)
                if (std::optional<PartStepValues> values =
                        ValuesFor(steps, *network, tune->network))
                    return *values;
    }
    PartSteps drawnValues = steps;
    drawnValues.Clear();
    return drawnValues.values();
}

void ValueHistory::Push(const PartStepValues &before, const PartStepValues &after)
{
    if (before == after)
        return;
    if (done_.size() >= kDepth)
        done_.erase(done_.begin());
    done_.push_back(before);
}

bool ValueHistory::Undo(PartSteps &steps)
{
    while (!done_.empty()) {
        const PartStepValues before = std::move(done_.back());
        done_.pop_back();
        if (steps.Restore(before))
            return true;
    }
    return false;
}

} // namespace tevmar::session
