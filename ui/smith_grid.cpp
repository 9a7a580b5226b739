#include "ui/smith_grid.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace tevmar {

using session::ChartPoint;
using session::Complex;

QPointF PointOf(Complex gamma, double cx, double cy, double radius)
{
    const ChartPoint p = session::ChartPosition(gamma, cx, cy, radius);
    return {p.x, p.y};
}

// The grid: circles of constant resistance and arcs of constant reactance,
// each traced as the image of its line in the impedance plane, clipped to the
// unit circle by construction.
void DrawGrid(QPainter &painter, double cx, double cy, double radius, const QColor &grid,
              const QColor &text)
{
    painter.setPen(QPen(grid, 1));
    painter.setBrush(Qt::NoBrush);
    const double values[] = {0.2, 0.5, 1.0, 2.0, 5.0};
    const auto trace = [&](auto z) {
        QPainterPath path;
        for (int k = 0; k <= 400; ++k) {
            const double t = k / 400.0;
            const QPointF p = PointOf(session::ReflectionOf(z(t), 1), cx, cy, radius);
            k == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        painter.drawPath(path);
    };
    for (const double r : values) // x from -inf to inf through a tangent map
        trace([r](double t) { return Complex(r, std::tan((t - 0.5) * 3.1415)); });
    for (const double x : values)
        for (const double sign : {1.0, -1.0})
            trace([x, sign](double t) { return Complex(std::tan(t * 1.5707), sign * x); });
    painter.drawLine(QPointF(cx - radius, cy), QPointF(cx + radius, cy));
    painter.setPen(QPen(text, 1.2));
    painter.drawEllipse(QPointF(cx, cy), radius, radius);

    painter.setPen(text);
    const QFontMetrics metrics = painter.fontMetrics();
    for (const double r : values) {
        const QPointF p = PointOf(session::ReflectionOf({r, 0}, 1), cx, cy, radius);
        const QString label = QString::number(r);
        painter.drawText(QPointF(p.x() + 2, p.y() - 3), label);
    }
    for (const double x : values)
        for (const double sign : {1.0, -1.0}) {
            const QPointF p = PointOf(session::ReflectionOf({0, sign * x}, 1), cx, cy, radius);
            const QPointF out((p.x() - cx) * 1.06 + cx, (p.y() - cy) * 1.06 + cy);
            const QString label =
                (sign > 0 ? QStringLiteral("+j") : QStringLiteral("\u2212j")) + QString::number(x);
            painter.drawText(QPointF(out.x() - metrics.horizontalAdvance(label) / 2.0,
                                     out.y() + metrics.ascent() / 2.0),
                             label);
        }
}

} // namespace tevmar
