#pragma once

// The bill of materials of a built network: one row per part, as the
// assembler places them.

#include "analysis/model/network.h"

#include <string>

namespace tevmar::format {

// CSV with the header
//   reference,part,kind,value,unit,placement,position
// one row per part in order from the source: the reference as the SPICE
// subcircuit names the part ("L1", counted from port 1), the kit's part
// number (empty for a part of no kit), inductor or capacitor, the nominal
// value in nH or pF, series or shunt, and the position counted from the
// source's port (1 is next to the source). A line is no part to buy and
// has no row (format/layout_csv.h lists the lines).
std::string BomCsv(const analysis::Network &network);

// The header line, with its line break.
inline constexpr const char *kBomHeader = "reference,part,kind,value,unit,placement,position\n";

} // namespace tevmar::format
