#pragma once

#include <QProxyStyle>

namespace tevmar {

// Draws push buttons, text boxes, frames, check boxes and option buttons flat:
// a single dark line instead of a bevel, as the main window wants. A frame's
// caption sits on its top line. Everything
// else (text, focus, scroll bars) is left to the underlying style.
class FlatStyle final : public QProxyStyle
{
  public:
    FlatStyle();

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                            QPainter *painter, const QWidget *widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option = nullptr,
                    const QWidget *widget = nullptr) const override;
};

} // namespace tevmar
