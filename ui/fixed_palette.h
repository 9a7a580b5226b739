#pragma once

#include <QPalette>

namespace tevmar {

// A palette that sets every colour role in every state, for a window whose
// look is its own: with it the window is drawn the same whatever the
// desktop's palette (a dark theme would otherwise lend its light text to the
// window's own grey, or its dark boxes to black captions). `window` and `text`
// are the window's background and caption colours; buttons take them too,
// text boxes are black on white.
QPalette FixedPalette(const QColor &window, const QColor &text);

} // namespace tevmar
