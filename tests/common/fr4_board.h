#pragma once

// The board the strip tests draw on: 1.6 mm FR-4 with 35 um copper and a loss
// tangent of 0.02, and a strip on it of a given width and drawn length.

#include "analysis/lines/substrate.h"
#include "analysis/model/board_line.h"
#include "analysis/model/part.h"

namespace tevmar::test {

inline analysis::lines::Substrate Fr4()
{
    analysis::lines::Substrate s;
    s.relativePermittivity = 4.4;
    s.height = 1.6e-3;
    s.thickness = 35e-6;
    s.lossTangent = 0.02;
    return s;
}

// A strip `width` wide drawn `drawn` long (metres), of the given end: a 50 ohm,
// 90 degree line at 2.4 GHz put on the board at that width.
inline analysis::Part Strip(analysis::LineEnd end, double width, double drawn)
{
    const analysis::Part ideal = analysis::Part::LineOf(end, 50, 90, 2.4e9);
    return analysis::WithDrawnLength(analysis::OnBoard(ideal, Fr4(), width, width), drawn);
}

} // namespace tevmar::test
