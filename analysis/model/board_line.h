#pragma once

// A length of microstrip as a part of a network: the line's section at any
// frequency from the microstrip model (analysis/lines/microstrip.h), its
// length as drawn on the board and as the wave sees it, and the moves a
// tuner, a tolerance trial and a layout grid make on its width and length.
//
// A board line keeps the part's value as its electrical length in degrees
// at the band's centre (LineShape::referenceHz), like an ideal line, so the
// tables, ranges and candidates read it alike; its physical length follows
// from the effective permittivity there. An open stub's electrical length
// includes the extension its end's fringing field adds: the strip is drawn
// shorter by that much.

#include "analysis/model/network.h"
#include "analysis/model/part.h"

namespace tevmar::analysis {

// The length the wave travels along the strip, m: the drawn length, plus
// the open end's extension for an open stub.
double ElectricalLengthOf(const Part &line);
// The open end's extension, m: an open stub's, zero for every other line.
double EndExtensionOf(const Part &line);
// The strip's length as drawn on the board, m.
double DrawnLengthOf(const Part &line);

// The same line at another width, its length held (the degrees follow the
// new effective permittivity) and its z0Ohms the new strip's at the centre.
Part WithWidth(const Part &line, double width);
// The same line at another width, its degrees at the centre held: the
// tuner's move, which keeps a width and a length as two variables apart.
Part WithWidthAtDegrees(const Part &line, double width);
// The same line drawn `drawn` metres long.
Part WithDrawnLength(const Part &line, double drawn);

// An ideal line made a strip on `substrate`: the width whose quasi-static
// impedance is the line's Z0, held within [lowWidth, highWidth], the same
// electrical length at the centre.
Part OnBoard(const Part &line, const lines::Substrate &substrate, double lowWidth,
             double highWidth);

// A tolerance trial of a strip: what etching and drawing hold to on an
// ordinary board, +-25 um of width (about an ounce of copper's undercut) and
// +-25 um of length. `widthDraw` and `lengthDraw` lie in [-1, 1).
inline constexpr double kWidthTolerance = units::Length::FromMillimetres(0.025).metres();
inline constexpr double kLengthTolerance = units::Length::FromMillimetres(0.025).metres();
Part TrialOf(const Part &line, double widthDraw, double lengthDraw);

// Every ideal line of the network made a strip on the ranges' board (the
// network as it is without one).
Network LinesOnBoard(const Network &network, const PartRanges &ranges);

// Every board line's drawn length snapped to the nearest multiple of
// `step` (m), at least one step long.
Network LengthsOnGrid(const Network &network, double step);

// Whether any part of the network is a strip on a board.
bool HasBoardLines(const Network &network);

// The section of a board line at omega, and how it moves per relative
// change of its length and of its width.
Abcd BoardSectionAt(const Part &line, double omega);
Abcd BoardSectionByLogLength(const Part &line, double omega);
Abcd BoardSectionByLogWidth(const Part &line, double omega);
// A board stub's admittance to ground, or a series line's input impedance
// into a match, Z0 tanh(gamma l).
Complex BoardImmittanceAt(const Part &line, double omega);

} // namespace tevmar::analysis
