#pragma once

// The layout table of a network's strips: what the board's artwork needs
// of each line, as a CSV a layout tool or a spreadsheet reads.

#include "analysis/model/network.h"

#include <string>

namespace tevmar::format {

// CSV with the header
//   name,kind,width_mm,length_mm,end_extension_mm,z0_ohms,degrees
// one row per line of the network from the source (lumped parts are the
// bill of materials' rows, not these): the name as the SPICE subcircuit
// names it, "series line", "shunt open stub" or "shunt short stub", the
// strip's width and its length as drawn (an open stub shorter than its
// electrical length by its end's extension, given apart), its impedance and
// electrical length at the band's arithmetic centre. An ideal line has no
// width or drawn length: those cells are empty.
std::string LayoutCsv(const analysis::Network &network);

inline constexpr const char *kLayoutHeader =
    "name,kind,width_mm,length_mm,end_extension_mm,z0_ohms,degrees\n";

} // namespace tevmar::format
