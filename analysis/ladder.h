#pragma once

// The synthesised matching network as a ladder of ideal inductors and
// capacitors between two resistive ports, in physical order from the
// high-impedance port (port 1) to the low-impedance port (port 2).

#include "engine/design_result.h"

#include <string>
#include <vector>

namespace tevmar::analysis {

struct LadderElement
{
    ElementKind kind = ElementKind::SeriesInductor; // never Termination
    double value = 0;  // in the table's unit: nH for inductors, pF for capacitors
    std::string label; // the element table's label, "LP=", "CS=", ...
};

struct Ladder
{
    double port1Ohms = 0; // high-impedance termination (first table row)
    double port2Ohms = 0; // low-impedance termination (last table row)
    std::vector<LadderElement> elements;
};

// Which of the element table's two values the ladder is built from.
enum class Precision {
    Full,   // the values before rounding to 0.001 nH / pF
    Printed // the values as the report prints them
};

// Builds the ladder of a solved design. Throws std::invalid_argument when the
// table does not start and end with a termination or a port resistance is not
// positive.
Ladder FromDesign(const DesignResult &design, Precision precision);

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

} // namespace tevmar::analysis
