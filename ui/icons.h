#pragma once

#include <QImage>

namespace tevmar {

// The program's icon: an L/C ladder section (series coil between two shunt
// capacitors) on a white tile, drawn at any size from the same 32-unit design.
QImage TevmarIcon(int sizePx = 32);

// The small picture beside the brand lines: the same ladder section, 32 x 32
// pixels on a transparent background.
QImage LadderPicture();

} // namespace tevmar
