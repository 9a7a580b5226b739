#include "ui/smith_grid.h"

#include "session/views/smith_circles.h"

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

namespace {

constexpr double kGridValues[] = {0.2, 0.5, 1.0, 2.0, 5.0};

struct GridLabel
{
    QString text;
    QPointF baseline; // where the text starts, on its baseline
};

// The resistances just above the real axis, the reactances just outside the
// rim, centred on where their arcs meet it.
std::vector<GridLabel> GridLabels(const QFontMetrics &metrics, double cx, double cy, double radius)
{
    std::vector<GridLabel> labels;
    for (const double r : kGridValues) {
        const QPointF p = PointOf(session::ReflectionOf({r, 0}, 1), cx, cy, radius);
        labels.push_back({QString::number(r), QPointF(p.x() + 2, p.y() - 3)});
    }
    for (const double x : kGridValues)
        for (const double sign : {1.0, -1.0}) {
            const QPointF p = PointOf(session::ReflectionOf({0, sign * x}, 1), cx, cy, radius);
            const QPointF out((p.x() - cx) * 1.06 + cx, (p.y() - cy) * 1.06 + cy);
            const QString label =
                (sign > 0 ? QStringLiteral("+j") : QStringLiteral("\u2212j")) + QString::number(x);
            labels.push_back({label, QPointF(out.x() - metrics.horizontalAdvance(label) / 2.0,
                                             out.y() + metrics.ascent() / 2.0)});
        }
    return labels;
}

// The conductances just below the real axis, where each circle meets it.
std::vector<GridLabel> AdmittanceLabels(const QFontMetrics &metrics, double cx, double cy,
                                        double radius)
{
    std::vector<GridLabel> labels;
    for (const double g : session::kSmithGridValues) {
        const QPointF p = PointOf(session::GridAxisCrossing(g, true), cx, cy, radius);
        const QString text = QString::number(g);
        labels.push_back({text, QPointF(p.x() - 2 - metrics.horizontalAdvance(text),
                                        p.y() + metrics.ascent() + 2)});
    }
    return labels;
}

std::vector<QRectF> Boxes(const QFontMetrics &metrics, const std::vector<GridLabel> &labels)
{
    std::vector<QRectF> boxes;
    for (const GridLabel &l : labels)
        boxes.emplace_back(l.baseline.x(), l.baseline.y() - metrics.ascent(),
                           metrics.horizontalAdvance(l.text), metrics.height());
    return boxes;
}

} // namespace

std::vector<QRectF> AdmittanceLabelBoxes(const QFontMetrics &metrics, double cx, double cy,
                                         double radius)
{
    return Boxes(metrics, AdmittanceLabels(metrics, cx, cy, radius));
}

void DrawAdmittanceGrid(QPainter &painter, double cx, double cy, double radius, const QColor &grid,
                        const QColor &text)
{
    painter.setPen(QPen(grid, 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    for (const session::GridLine &line : session::SmithGridLines(true)) {
        QPainterPath path;
        for (std::size_t k = 0; k < line.gamma.size(); ++k) {
            const QPointF p = PointOf(line.gamma[k], cx, cy, radius);
            k == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        painter.drawPath(path);
    }
    painter.setPen(text);
    for (const GridLabel &l : AdmittanceLabels(painter.fontMetrics(), cx, cy, radius))
        painter.drawText(l.baseline, l.text);
}

std::vector<QRectF> GridLabelBoxes(const QFontMetrics &metrics, double cx, double cy, double radius)
{
    return Boxes(metrics, GridLabels(metrics, cx, cy, radius));
}

// The grid: circles of constant resistance and arcs of constant reactance,
// each traced as the image of its line in the impedance plane, clipped to the
// unit circle by construction.
void DrawGrid(QPainter &painter, double cx, double cy, double radius, const QColor &grid,
              const QColor &text)
{
    painter.setPen(QPen(grid, 1));
    painter.setBrush(Qt::NoBrush);
    const auto &values = kGridValues;
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
    for (const GridLabel &l : GridLabels(painter.fontMetrics(), cx, cy, radius))
        painter.drawText(l.baseline, l.text);
}

void DrawImpedancePath(QPainter &painter, const session::SmithPath &path,
                       const std::function<QPointF(session::Complex)> &at, const QColor &colour,
                       const QColor &hollow, std::optional<std::size_t> hoveredArc)
{
    painter.setBrush(Qt::NoBrush);
    for (std::size_t a = 0; a < path.arcs.size(); ++a) {
        const std::vector<session::Complex> &z = path.arcs[a].z;
        QPainterPath arc;
        for (std::size_t i = 0; i < z.size(); ++i)
            i == 0 ? arc.moveTo(at(z[i])) : arc.lineTo(at(z[i]));
        painter.setPen(QPen(colour, hoveredArc == a ? 3.6 : 2.0, Qt::SolidLine, Qt::RoundCap));
        painter.drawPath(arc);
    }
    for (std::size_t k = 0; k < path.points.size(); ++k) {
        painter.setPen(QPen(colour, 1.5));
        painter.setBrush(k == 0 ? hollow : colour);
        painter.drawEllipse(at(path.points[k].z), 3.5, 3.5);
    }
}

void DrawPointerReadout(QPainter &painter, QPointF p, const QString &readout, const QColor &text,
                        QColor ground, const QRectF &area)
{
    const QFontMetrics metrics = painter.fontMetrics();
    const QStringList lines = readout.split(QLatin1Char('\n'));
    int w = 0;
    for (const QString &line : lines)
        w = std::max(w, metrics.horizontalAdvance(line));
    QRectF box(p.x() + 12, p.y() + 12, w + 12, lines.size() * metrics.height() + 8);
    if (box.right() > area.right())
        box.moveRight(p.x() - 12);
    if (box.bottom() > area.bottom())
        box.moveBottom(p.y() - 12);
    painter.setPen(QPen(text, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(p, 6, 6);
    ground.setAlpha(235);
    painter.setBrush(ground);
    painter.drawRect(box);
    for (int k = 0; k < lines.size(); ++k)
        painter.drawText(
            QPointF(box.left() + 6, box.top() + 4 + k * metrics.height() + metrics.ascent()),
            lines[k]);
}

} // namespace tevmar
