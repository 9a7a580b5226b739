#pragma once

// Stepping the shown network's parts by hand, as an engineer on the bench
// swaps a part for the next value: each part keeps a factor on its value,
// stepped up or down by a percentage, and the curves of the network follow.
// Only the network's own sweep is evaluated again, so a step redraws at once;
// the trials, the sensitivity and a tune stay those of the network as drawn.

#include "analysis/search/kit_search.h"
#include "session/views/response.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// The nudges a step offers, in percent.
inline constexpr double kStepPercents[] = {1, 5};

// Every part's place as stepped, whole: what an Undo goes back to. A factor
// on the drawn value per part, and the kit part in place (its index among
// the kit's parts of its kind; -1 for a part not from the kit).
struct PartStepValues
{
    std::vector<double> factors;
    std::vector<int> kitParts;

    friend bool operator==(const PartStepValues &, const PartStepValues &) = default;
};

class PartSteps
{
  public:
    // A network of `parts` parts, every one at its own value, none selected.
    void Reset(std::size_t parts);
    // The same for `network`, whose kit parts step instead to the kit's
    // neighbouring value of their kind (the next larger or smaller nominal
    // value usable over the band), as a kit offers nothing between.
    void Reset(const analysis::Network &network, std::shared_ptr<const analysis::Kit> kit);
    std::size_t size() const { return factors_.size(); }

    // The part the keys and the step buttons act on.
    void Select(std::optional<std::size_t> index);
    std::optional<std::size_t> selected() const { return selected_; }

    // Steps part `index` up (`direction` +1) or down (-1) by `percent`: its
    // value times or divided by 1 + percent / 100, so that a step up and a
    // step down return to the value before; a kit part to the kit's next
    // value, whatever the percentage. False for no such part or step.
    bool Step(std::size_t index, int direction, double percent);
    // Every part back to its own value.
    void Clear();

    double factor(std::size_t index) const { return factors_.at(index); }

    // The values as they stand, and the same put back: false (nothing
    // changed) for values of a network of another size.
    PartStepValues values() const { return {factors_, kitNow_}; }
    bool Restore(const PartStepValues &values);
    // Part `index` at `factor` times its drawn value (a drag along its arc):
    // false for no such part, a kit part, or a factor not positive and finite.
    bool SetFactor(std::size_t index, double factor);
    // Kit part `index` on the kit's part `kitIndex` of its kind: false for a
    // part not from the kit or no such kit part.
    bool SetKitPart(std::size_t index, int kitIndex);
    // The kit's parts part `index` may take, or null for a part not from the kit.
    const std::vector<analysis::KitPartRef> *kitChoices(std::size_t index) const;
    // Whether part `index` is away from its drawn value or kit part.
    bool moved(std::size_t index) const;
    // The kit part now in place `index`, or null for a part not from the kit.
    const analysis::KitPart *kitPart(std::size_t index) const;
    bool any() const;

    // The network with each part at its stepped value, its model kept.
    analysis::Network Apply(const analysis::Network &network) const;

  private:
    std::vector<double> factors_;
    std::optional<std::size_t> selected_;
    std::shared_ptr<const analysis::Kit> kit_;
    // Per part: its place among the kit's parts of its kind, drawn and now;
    // -1 for a part not from the kit.
    std::vector<int> kitDrawn_, kitNow_;
    std::vector<bool> kitInductor_;
};

// The kit the settings name, read for the band, for stepping its parts; null
// without a kit or when the folder no longer serves the band.
std::shared_ptr<const analysis::Kit> KitForSteps(const ResponseSettings &settings,
                                                 const analysis::Band &band);

// The response with the parts stepped: the full-precision curves (as built
// and with ideal parts) and the as-printed one evaluated again over the same
// frequencies, the network's figures as built, and the stepped parts named
// in `stepped`. Standard values, trials, sensitivity and a tune are left as
// they were: they belong to the network as drawn.
Response SteppedResponse(const Response &drawn, const PartSteps &steps);
// The same in place: `shown` is `drawn` with the figures that came later (the
// trials, a tune's curves) added; its curves of the network as drawn and its
// figures are taken from `drawn` and stepped, the later ones kept.
void ApplySteps(Response &shown, const Response &drawn, const PartSteps &steps);

// "L1 +5.1 %, C2 −1 %": the parts away from their own value, or empty.
std::string SteppedPartsText(const analysis::Network &network, const PartSteps &steps);

// One row per part of the network: its name, the value drawn and the value
// stepped to (with its change), for the window's table of stepped values.
struct SteppedValueRow
{
    std::string part;    // "L1"
    std::string drawn;   // "3.217 nH"
    std::string stepped; // "3.378 nH (+5 %)", or the drawn value
};
std::vector<SteppedValueRow> SteppedValueRows(const analysis::Network &network,
                                              const PartSteps &steps);

} // namespace tevmar::session
