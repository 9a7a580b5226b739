#include "session/views/part_steps.h"

#include "report/number_format.h"
#include "session/views/schematic.h"

#include <cmath>

namespace tevmar::session {

void PartSteps::Reset(std::size_t parts)
{
    factors_.assign(parts, 1.0);
    selected_.reset();
}

void PartSteps::Select(std::optional<std::size_t> index)
{
    selected_ = index && *index < factors_.size() ? index : std::nullopt;
}

bool PartSteps::Step(std::size_t index, int direction, double percent)
{
    if (index >= factors_.size() || direction == 0 || !(percent > 0 && percent < 100))
        return false;
    const double ratio = 1 + percent / 100;
    factors_[index] = direction > 0 ? factors_[index] * ratio : factors_[index] / ratio;
    // A step back onto the drawn value lands on it exactly, not a rounding away.
    if (std::abs(factors_[index] - 1) < 1e-12)
        factors_[index] = 1;
    return true;
}

void PartSteps::Clear()
{
    factors_.assign(factors_.size(), 1.0);
}

bool PartSteps::any() const
{
    for (const double f : factors_)
        if (f != 1)
            return true;
    return false;
}

analysis::Network PartSteps::Apply(const analysis::Network &network) const
{
    analysis::Network stepped = network;
    for (std::size_t i = 0; i < stepped.parts.size() && i < factors_.size(); ++i)
        if (factors_[i] != 1)
            stepped.parts[i] = stepped.parts[i].Scaled(factors_[i]);
    return stepped;
}

void ApplySteps(Response &r, const Response &drawn, const PartSteps &steps)
{
    if (!r.problem.empty() || !drawn.problem.empty())
        return;
    analysis::NetworkAnalysis &a = r.analysis;
    a.full = drawn.analysis.full;
    a.printed = drawn.analysis.printed;
    a.asBuilt = drawn.analysis.asBuilt;
    r.stepped.reset();
    for (std::size_t c = 0; c < drawn.curves.size() && c < r.curves.size(); ++c)
        if (r.curves[c].role == drawn.curves[c].role)
            r.curves[c] = drawn.curves[c];
    if (!steps.any())
        return;
    a.full = steps.Apply(a.full);
    a.printed = steps.Apply(a.printed);
    for (std::size_t c = 0; c < drawn.curves.size() && c < r.curves.size(); ++c) {
        ResponseCurve &curve = r.curves[c];
        if (curve.role != CurveRole::Full && curve.role != CurveRole::Ideal &&
            curve.role != CurveRole::Printed)
            continue;
        // Each network carries its parts' models: as built, or ideal.
        curve = CurveOf(std::move(curve.name), steps.Apply(curve.network), r.frequenciesHz, {},
                        curve.role);
    }
    const analysis::PassbandFigures figures = analysis::PassbandFiguresOf(a.full, a.band);
    if (a.asBuilt)
        a.asBuilt = analysis::AsBuiltFigures{figures,
                                           analysis::LossDbMaxOf(a.full, a.band, figures.gammaMax)};
    r.stepped = SteppedFigures{SteppedPartsText(drawn.analysis.full, steps), figures};
}

Response SteppedResponse(const Response &drawn, const PartSteps &steps)
{
    Response r = drawn;
    ApplySteps(r, drawn, steps);
    return r;
}

namespace {

std::string ChangeText(double factor)
{
    const double percent = (factor - 1) * 100;
    return (percent >= 0 ? "+" : "\u2212") + Figure(std::abs(percent), 3) + " %";
}

} // namespace

std::string SteppedPartsText(const analysis::Network &network, const PartSteps &steps)
{
    std::string text;
    for (std::size_t i = 0; i < network.parts.size() && i < steps.size(); ++i)
        if (steps.factor(i) != 1)
            text += (text.empty() ? "" : ", ") + analysis::PartName(network, i) + " " +
                    ChangeText(steps.factor(i));
    return text;
}

std::vector<SteppedValueRow> SteppedValueRows(const analysis::Network &network,
                                              const PartSteps &steps)
{
    std::vector<SteppedValueRow> rows;
    const analysis::Network stepped = steps.Apply(network);
    for (std::size_t i = 0; i < network.parts.size(); ++i) {
        SteppedValueRow row{analysis::PartName(network, i), PrintedValue(network.parts[i]),
                            PrintedValue(stepped.parts[i])};
        if (i < steps.size() && steps.factor(i) != 1)
            row.stepped += " (" + ChangeText(steps.factor(i)) + ")";
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace tevmar::session
