#pragma once

// The synthesised matching network as a ladder of ideal inductors and
// capacitors between two resistive ports, in physical order from the
// high-impedance port (port 1) to the low-impedance port (port 2).
//
// A design that absorbs a reactive load carries the load's own reactance as
// the outermost row of its element table. That reactance belongs to the load,
// not to the network: the ladder keeps it apart as `load`, so that snapping,
// component loss and tolerances touch the network's parts only, and the
// exports can describe the network alone.

#include "analysis/measured_load.h"
#include "engine/design_result.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tevmar::analysis {

struct LadderElement
{
    ElementKind kind = ElementKind::SeriesInductor; // never Termination
    double value = 0;  // in the table's unit: nH for inductors, pF for capacitors
    std::string label; // the element table's label, "LP=", "CS=", ...
};

// The reactance of a load that the network absorbs, standing at the outer end
// of one port: a series RL or RC load is the port-2 resistance with an
// inductor or capacitor in series (kind SeriesInductor or SeriesCapacitor),
// a shunt RL or RC load is the port-1 resistance with an inductor or
// capacitor across it (kind ShuntInductor or ShuntCapacitor). The value is the
// one the engineer typed, in nH or pF; it is always ideal and never snapped,
// given loss or varied.
struct LoadReactance
{
    LadderElement element;
    LoadType type = LoadType::SeriesRL;

    // 1 for a shunt load (at the high-impedance port), 2 for a series load.
    int port() const { return IsSeriesLoad(type) ? 2 : 1; }
};

struct Ladder
{
    double port1Ohms = 0;                             // high-impedance termination, as typed
    double port2Ohms = 0;                             // low-impedance termination, as typed
    std::vector<LadderElement> elements;              // the network's parts, port 1 to port 2
    std::optional<LoadReactance> load = std::nullopt; // the absorbed load's reactance, if any
    // A measured load, when the design was made for a fit to one: it then
    // terminates its port in place of that port's resistance and `load`, and
    // the response is the source's view through the network into the data.
    // The exports ignore it and describe the network alone. Shared, because
    // every copy of a ladder (snapped, perturbed, tuned) sees the same data.
    std::shared_ptr<const MeasuredLoad> measured = nullptr;
};

// Which of the element table's two values the ladder is built from.
enum class Precision {
    Full,   // the values before rounding to 0.001 nH / pF
    Printed // the values as the report prints them
};

// Builds the ladder of a solved design: the port resistances as the boxes
// read, the table's parts, and for an absorbing design the load's reactance
// (the table's last element for a series load, its first for a shunt load)
// as `load` with the typed value. Throws std::invalid_argument when the table
// does not start and end with a termination or a port resistance is not
// positive.
Ladder FromDesign(const DesignResult &design, Precision precision);

// The index in the design's element table (terminations included) of the row
// that is the absorbed load's reactance, or nothing when none is absorbed.
std::optional<std::size_t> AbsorbedRow(const DesignResult &design);

inline bool IsInductor(ElementKind kind)
{
    return kind == ElementKind::ShuntInductor || kind == ElementKind::SeriesInductor;
}

inline bool IsShunt(ElementKind kind)
{
    return kind == ElementKind::ShuntInductor || kind == ElementKind::ShuntCapacitor;
}

// The element's value in henries or farads.
inline double SiValue(const LadderElement &element)
{
    return element.value * (IsInductor(element.kind) ? 1e-9 : 1e-12);
}

// The part's name in every export: "L" or "C" and its place among the
// network's parts counted from port 1 ("C2"), as the SPICE subcircuit names it.
std::string PartName(const Ladder &ladder, std::size_t index);

// "nH" or "pF", the unit of the element's value.
inline const char *UnitOf(ElementKind kind)
{
    return IsInductor(kind) ? "nH" : "pF";
}

// Below 0.1 nH or 0.1 pF no chip part is made: such an element needs a
// printed structure or a different design.
inline constexpr double kSmallestChipValue = 0.1;

inline bool BelowChipRange(const LadderElement &element)
{
    return element.value < kSmallestChipValue;
}

} // namespace tevmar::analysis
