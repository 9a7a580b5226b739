#include "ui/icons.h"

#include <QPainter>
#include <QPainterPath>

namespace tevmar {

namespace {

const QColor kWire(0, 0, 0);
const QColor kCoil(192, 0, 0);
const QColor kPlates(0, 0, 192);

// A pi section in a 32 x 32 unit square: top and bottom rails, a series
// inductor on the top rail and a shunt capacitor at each end.
void DrawLadder(QPainter &p)
{
    const qreal top = 9;
    const qreal bottom = 25;
    QPen wire(kWire, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(wire);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(2, top), QPointF(9, top));
    p.drawLine(QPointF(23, top), QPointF(30, top));
    p.drawLine(QPointF(2, bottom), QPointF(30, bottom));

    // Series coil: four turns drawn as half circles above the rail.
    QPainterPath coil(QPointF(9, top));
    for (int turn = 0; turn < 4; ++turn)
        coil.arcTo(QRectF(9 + turn * 3.5, top - 1.75, 3.5, 3.5), 180, -180);
    p.setPen(QPen(kCoil, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(coil);

    // Shunt capacitors: leads from the rails to two plates.
    for (const qreal x : {6.0, 26.0}) {
        p.setPen(wire);
        p.drawLine(QPointF(x, top), QPointF(x, 15.5));
        p.drawLine(QPointF(x, 18.5), QPointF(x, bottom));
        p.setPen(QPen(kPlates, 2.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(x - 4, 15.5), QPointF(x + 4, 15.5));
        p.drawLine(QPointF(x - 4, 18.5), QPointF(x + 4, 18.5));
    }

    // Port terminals.
    p.setPen(Qt::NoPen);
    p.setBrush(kWire);
    for (const QPointF &end :
         {QPointF(2, top), QPointF(30, top), QPointF(2, bottom), QPointF(30, bottom)})
        p.drawEllipse(end, 1.4, 1.4);
}

QImage Blank(int sizePx)
{
    QImage image(sizePx, sizePx, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QImage TevmarIcon(int sizePx)
{
    QImage image = Blank(sizePx);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(sizePx / 32.0, sizePx / 32.0);
    p.setPen(QPen(QColor(64, 64, 64), 1.0));
    p.setBrush(QColor(255, 255, 224));
    p.drawRoundedRect(QRectF(0.5, 0.5, 31, 31), 4, 4);
    DrawLadder(p);
    return image;
}

QImage LadderPicture()
{
    QImage image = Blank(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    DrawLadder(p);
    return image;
}

} // namespace tevmar
