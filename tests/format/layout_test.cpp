// The layout table of a network's strips, the bill of materials without
// them, and the SPICE header's word on what a strip's card leaves out.

#include "analysis/model/board_line.h"
#include "format/bom.h"
#include "format/export_spice.h"
#include "format/layout_csv.h"
#include "tests/common/fr4_board.h"

#include <gtest/gtest.h>

namespace tevmar::format {
namespace {

using analysis::LineEnd;
using analysis::Part;

using test::Strip;

// 50 ohms to 25: a 3 mm strip 10 mm long, a 1.5 mm open stub drawn 5 mm, and
// a capacitor across the 25 ohm port.
analysis::Network SmallBoard()
{
    analysis::Network n;
    n.port1Ohms = 50;
    n.port2Ohms = 25;
    n.parts = {Strip(LineEnd::Through, 3e-3, 10e-3), Strip(LineEnd::Open, 1.5e-3, 5e-3),
               Part::Placed(analysis::Capacitor{}, analysis::Placement::Shunt, 1.2)};
    return n;
}

TEST(LayoutCsv, ListsEachStripAsDrawnAndTheBillOfMaterialsNone)
{
    const analysis::Network n = SmallBoard();
    // The widths and drawn lengths as built; the stub's extension, Z0 and
    // degrees from the microstrip model at 2.4 GHz, as the calculator gives
    // them (--microstrip 1.5mm: 72.2 ohms, an open end adding 0.546 mm).
    EXPECT_EQ(LayoutCsv(n), "name,kind,width_mm,length_mm,end_extension_mm,z0_ohms,degrees\n"
                            "T1,series line,3.000,10.000,0.000,50.188,52.761\n"
                            "T2,shunt open stub,1.500,5.000,0.546,72.250,28.379\n");
    EXPECT_EQ(BomCsv(n), std::string(kBomHeader) + "C3,,capacitor,1.2,pF,shunt,3\n");
    // The netlist says what its lossy lines leave out.
    const std::string netlist = SpiceNetlist(n, analysis::Band{2.3e9, 2.5e9, 2.4e9});
    EXPECT_NE(netlist.find("* Microstrip lines as ngspice LTRA lines"), std::string::npos)
        << netlist;
    EXPECT_EQ(netlist.find("* Parts as built"), std::string::npos) << netlist;
}

} // namespace
} // namespace tevmar::format
