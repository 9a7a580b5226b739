#pragma once

// What the schematic of a design shows, without Qt: the ladder's parts in
// order from port 1 to port 2 with their symbols and value labels, the two
// terminations, and the absorbed load's reactance, which is drawn inside the
// load's box because it belongs to the load and is not a part to buy.

#include "analysis/model/network.h"

#include <optional>
#include <string>
#include <vector>

namespace tevmar::session {

// The resistors are an amplifier's stabilising ones, beside the transistor.
enum class Symbol {
    SeriesInductor,
    SeriesCapacitor,
    ShuntInductor,
    ShuntCapacitor,
    SeriesResistor,
    ShuntResistor,
    SeriesLine,
    ShuntOpenStub,
    ShuntShortStub
};

// The symbol of a part: its element kind drawn in its place.
Symbol SymbolOf(const analysis::Part &part);
// The symbol of an element table row of a part.
Symbol SymbolOf(ElementKind kind);

struct SchematicPart
{
    Symbol symbol = Symbol::SeriesInductor;
    std::string name;     // "L1", "C2": as the exports name it
    std::string value;    // "3.217 nH", as the report prints it
    std::string standard; // "3.3 nH": its standard value, when those are shown
    std::string tuned;    // its re-tuned value, when the tuned network is shown
};

struct SchematicPort
{
    int port = 1;
    std::string label;      // "Port 1"
    std::string resistance; // "50 Ω"
    // The absorbed load's reactance, drawn in this port's box: a shunt load
    // across the resistance at port 1, a series load in line at port 2.
    std::optional<SchematicPart> load;
    // Drawn under the box; empty: "source", "load" or "absorbed load".
    std::string note = {};
    // "(high Z)" or "(low Z)" after the label: which end of a Chebyshev
    // transformer this is. An amplifier's networks have no such ends.
    bool showSide = true;
    // The end at a transistor's port rather than a termination: no resistor
    // and no high or low impedance side, the rails end at the port's pins.
    bool device = false;
};

struct Schematic
{
    SchematicPort source; // port 1, the high-impedance end, on the left
    SchematicPort load;   // port 2, the low-impedance end, on the right
    std::vector<SchematicPart> parts;
    std::string standardSeries; // "E24" when standard values are shown
    std::string tunedName;      // "Tuned" or "Tuned, E24 values" when tuned values are shown
};

// A network beside the design's whose values the schematic shows too.
struct SchematicValues
{
    const analysis::Network *ladder = nullptr; // the same parts in the same order
    std::string name;                          // "E24", "Tuned", "Tuned, E24 values"
    bool onSeries = false;                     // standard values, shown with the series' own digits
};

// `printed` is the network built from the values as printed; `standard`, when
// given, the same network snapped to a standard series, and `tuned` the
// network re-tuned.
Schematic SchematicOf(const analysis::Network &printed, const SchematicValues &standard = {},
                      const SchematicValues &tuned = {});

// A value as the report prints it: three decimals and its unit, "3.217 nH".
std::string PrintedValue(const analysis::Part &element);

// A standard value with the series' own digits in its engineering unit,
// "3.3 nH", "10 uH".
std::string StandardValue(const analysis::Part &element);

} // namespace tevmar::session
