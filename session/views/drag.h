#pragma once

// Dragging a part's point on the Smith chart, as an engineer slides a
// trimmer and watches the match move: the point after a part can only travel
// along that part's own locus (a series part's along its circle of constant
// resistance, a shunt part's along its circle of constant conductance, a
// length of line's round its own impedance), so the pointer is projected onto
// that locus and the part takes the value that puts its point there, held
// within the values the part may take, or the kit's part nearest to it. The
// values before each change are kept, for an Undo and a way back to the tune.

#include "analysis/model/network.h"
#include "analysis/readers/part_kit.h"
#include "session/views/part_steps.h"
#include "session/views/response.h"

#include <complex>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tevmar::session {

// The nominal value (nH, pF or degrees) within `range` that puts the point
// after part `index` of `network`, at `frequencyHz`, nearest to the chart's
// point `gamma` (a reflection against `referenceOhms`), the rest of the
// network held. Along the part's locus the value grows one way only, so a
// pointer moved along the arc moves the value monotonically; a pointer off
// the arc takes the value of the arc's nearest point, one past the arc's end
// the range's limit. Where every value gives the same point (a series part
// into an open circuit) the part's own value, held in range, is kept.
double DraggedValue(const analysis::Network &network, std::size_t index, double frequencyHz,
                    analysis::Complex gamma, double referenceOhms, std::pair<double, double> range);

// The same for a kit part: which of `choices` (the kit's parts of its kind)
// puts the point after part `index` nearest to `gamma`; the first of equals.
// The choices must not be empty.
std::size_t DraggedKitPart(const analysis::Network &network, std::size_t index, double frequencyHz,
                           analysis::Complex gamma, double referenceOhms,
                           const std::vector<analysis::KitPartRef> &choices);

// The network the Response window's steps and drags act on, as stepped: the
// drawn response's network as built (its first full-precision curve) with
// `steps` applied. Null when the response has no curve.
const analysis::Network *DrawnNetworkOf(const Response &drawn);

// The part named `name` ("C2", as the path names its points) in `network`.
std::optional<std::size_t> PartNamed(const analysis::Network &network, const std::string &name);

// One move of a drag of part `index` to the chart's point `gamma`: the part's
// value (within its range in `ranges`) or kit part set in `steps` so that its
// point lies nearest the pointer at the band's centre. True when the value
// changed; false for no such part or nothing to draw.
bool DragPart(PartSteps &steps, const Response &drawn, std::size_t index, analysis::Complex gamma,
              double referenceOhms, const analysis::PartRanges &ranges);

// One notch of the wheel over part `index`: a step up (`notches` > 0) or down
// by `percent` per notch, or to the kit's next part per notch, as many
// notches as turned. True when the value changed.
bool WheelPart(PartSteps &steps, std::size_t index, int notches, double percent);

// The steps that put the drawn network's parts on `target`'s values, part by
// part: a kit part on the same kit part, any other part at the factor that
// gives the target's value exactly. Unset when the two networks differ in
// shape, or a part of the target is a kit part the steps cannot take.
std::optional<PartStepValues> ValuesFor(const PartSteps &steps, const analysis::Network &drawn,
                                        const analysis::Network &target);

// The steps of "Back to tuned": the tune the path follows (on kit parts or
// standard values where it can be taken, else the tune itself) when the
// window shows one, else every part at its drawn value. `shown` carries the
// tune's curves, `drawn` the network drawn.
PartStepValues TunedValues(const PartSteps &steps, const Response &shown, const Response &drawn);

// The values before each change by hand (a step, a wheel's notch, a whole
// drag, a return to the tune), newest last, for Undo.
class ValueHistory
{
  public:
    // At most this many changes are kept: the oldest go first.
    static constexpr std::size_t kDepth = 200;

    // Keeps `before`, the values as they were before a change; a change that
    // left them as they were is not kept.
    void Push(const PartStepValues &before, const PartStepValues &after);
    // Puts the values before the latest change back into `steps`: false with
    // nothing to undo (values of another network are dropped).
    bool Undo(PartSteps &steps);
    bool empty() const { return done_.empty(); }
    std::size_t size() const { return done_.size(); }
    void Clear() { done_.clear(); }

  private:
    std::vector<PartStepValues> done_;
};

} // namespace tevmar::session
