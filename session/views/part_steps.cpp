#include "session/views/part_steps.h"

#include "report/number_format.h"
#include "report/printable_text.h"
#include "session/run/part_kit_folder.h"
#include "session/views/schematic.h"

#include <cmath>

namespace tevmar::session {

void PartSteps::Reset(std::size_t parts)
{
    factors_.assign(parts, 1.0);
    selected_.reset();
    kit_.reset();
    kitDrawn_.assign(parts, -1);
    kitNow_ = kitDrawn_;
    kitInductor_.assign(parts, false);
}

void PartSteps::Reset(const analysis::Network &network, std::shared_ptr<const analysis::Kit> kit)
{
    Reset(network.parts.size());
    if (!kit)
        return;
    for (std::size_t i = 0; i < network.parts.size(); ++i)
        if (const analysis::KitPart *part = analysis::KitPartOf(network.parts[i])) {
            const std::vector<analysis::KitPartRef> &kind = kit->Of(part->inductor);
            for (std::size_t k = 0; k < kind.size(); ++k)
                if (kind[k]->partNumber == part->partNumber) {
                    kitDrawn_[i] = static_cast<int>(k);
                    kitInductor_[i] = part->inductor;
                }
        }
    kitNow_ = kitDrawn_;
    kit_ = std::move(kit);
}

void PartSteps::Select(std::optional<std::size_t> index)
{
    selected_ = index && *index < factors_.size() ? index : std::nullopt;
}

bool PartSteps::Step(std::size_t index, int direction, double percent)
{
    if (index >= factors_.size() || direction == 0 || !(percent > 0 && percent < 100))
        return false;
    if (kit_ && kitNow_[index] >= 0) {
        const int next = kitNow_[index] + (direction > 0 ? 1 : -1);
        if (next < 0 || next >= static_cast<int>(kit_->Of(kitInductor_[index]).size()))
            return false;
        kitNow_[index] = next;
        return true;
    }
    const double ratio = 1 + percent / 100;
    factors_[index] = direction > 0 ? factors_[index] * ratio : factors_[index] / ratio;
    // A step back onto the drawn value lands on it exactly, not a rounding away.
    if (std::abs(factors_[index] - 1) < 1e-12)
        factors_[index] = 1;
    return true;
}

bool PartSteps::Restore(const PartStepValues &values)
{
    if (values.factors.size() != factors_.size() || values.kitParts.size() != kitNow_.size())
        return false;
    factors_ = values.factors;
    kitNow_ = values.kitParts;
    return true;
}

bool PartSteps::SetFactor(std::size_t index, double factor)
{
    if (index >= factors_.size() || kitNow_[index] >= 0 || !(factor > 0) || !std::isfinite(factor))
        return false;
    factors_[index] = factor;
    return true;
}

bool PartSteps::SetKitPart(std::size_t index, int kitIndex)
{
    const std::vector<analysis::KitPartRef> *choices = kitChoices(index);
    if (!choices || kitIndex < 0 || kitIndex >= static_cast<int>(choices->size()))
        return false;
    kitNow_[index] = kitIndex;
    return true;
}

const std::vector<analysis::KitPartRef> *PartSteps::kitChoices(std::size_t index) const
{
    if (!kit_ || index >= kitDrawn_.size() || kitDrawn_[index] < 0)
        return nullptr;
    return &kit_->Of(kitInductor_[index]);
}

void PartSteps::Clear()
{
    factors_.assign(factors_.size(), 1.0);
    kitNow_ = kitDrawn_;
}

bool PartSteps::any() const
{
    for (std::size_t i = 0; i < factors_.size(); ++i)
        if (moved(i))
            return true;
    return false;
}

bool PartSteps::moved(std::size_t index) const
{
    return factors_.at(index) != 1 || kitNow_.at(index) != kitDrawn_.at(index);
}

const analysis::KitPart *PartSteps::kitPart(std::size_t index) const
{
    if (!kit_ || index >= kitNow_.size() || kitNow_[index] < 0)
        return nullptr;
    return kit_->Of(kitInductor_[index]).at(static_cast<std::size_t>(kitNow_[index])).get();
}

analysis::Network PartSteps::Apply(const analysis::Network &network) const
{
    analysis::Network stepped = network;
    for (std::size_t i = 0; i < stepped.parts.size() && i < factors_.size(); ++i)
        if (kitNow_[i] != kitDrawn_[i])
            stepped.parts[i] = analysis::KitPartAs(
                stepped.parts[i],
                kit_->Of(kitInductor_[i]).at(static_cast<std::size_t>(kitNow_[i])));
        else if (factors_[i] != 1)
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
        a.asBuilt = analysis::AsBuiltFigures{
            figures, analysis::LossDbMaxOf(a.full, a.band, figures.gammaMax)};
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

// A kit part stepped is named by its number: the value alone would not say
// which part to fit.
std::string StepText(const PartSteps &steps, std::size_t index)
{
    if (const analysis::KitPart *part = steps.kitPart(index))
        return PrintableText(part->partNumber);
    return ChangeText(steps.factor(index));
}

} // namespace

std::shared_ptr<const analysis::Kit> KitForSteps(const ResponseSettings &settings,
                                                 const analysis::Band &band)
{
    if (settings.partsFolder.empty())
        return nullptr;
    analysis::KitReading reading =
        ReadPartKit(settings.partsFolder, band.lowHz, band.highHz, settings.srfMarginPercent);
    if (!reading.problem.empty())
        return nullptr;
    return std::make_shared<const analysis::Kit>(std::move(reading.kit));
}

std::string SteppedPartsText(const analysis::Network &network, const PartSteps &steps)
{
    std::string text;
    for (std::size_t i = 0; i < network.parts.size() && i < steps.size(); ++i)
        if (steps.moved(i))
            text += (text.empty() ? "" : ", ") + analysis::PartName(network, i) + " " +
                    StepText(steps, i);
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
        if (i < steps.size() && steps.moved(i))
            row.stepped += " (" + StepText(steps, i) + ")";
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace tevmar::session
