#pragma once

#include <QRect>

namespace tevmar {

// The window's layout is kept in twips (1/1440 inch); 15 twips make one
// logical pixel at 96 dots per inch, and Qt scales logical pixels on high-DPI
// screens. Each edge is rounded on its own, so controls that touch or line up
// in twips still touch or line up in pixels.
constexpr int TwipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect TwipsRect(int left, int top, int width, int height)
{
    const int x = TwipsToPixels(left);
    const int y = TwipsToPixels(top);
    return QRect(x, y, TwipsToPixels(left + width) - x, TwipsToPixels(top + height) - y);
}

} // namespace tevmar
