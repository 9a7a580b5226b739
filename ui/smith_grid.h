#pragma once

// The Smith chart's grid and positions, shared by every chart drawn in the
// reflection plane.

#include "session/views/smith.h"
#include "session/views/smith_path.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <functional>
#include <optional>
#include <vector>

class QFontMetrics;
class QPainter;

namespace tevmar {

// Where gamma lies on a chart of `radius` around (cx, cy).
QPointF PointOf(session::Complex gamma, double cx, double cy, double radius);

// The grid: circles of constant resistance and arcs of constant reactance,
// the real axis and the rim, with their labels.
void DrawGrid(QPainter &painter, double cx, double cy, double radius, const QColor &grid,
              const QColor &text);

// Where DrawGrid writes its labels (the resistances on the real axis, the
// reactances round the rim), for the chart's own labels to keep clear of.
std::vector<QRectF> GridLabelBoxes(const QFontMetrics &metrics, double cx, double cy,
                                   double radius);

// The admittance grid over the impedance one, in its own colour and dashed:
// circles of constant conductance and arcs of constant susceptance, with the
// conductances written just below the real axis (their arcs meet the rim
// where the reactance labels already stand).
void DrawAdmittanceGrid(QPainter &painter, double cx, double cy, double radius, const QColor &grid,
                        const QColor &text);

// Where DrawAdmittanceGrid writes its conductances.
std::vector<QRectF> AdmittanceLabelBoxes(const QFontMetrics &metrics, double cx, double cy,
                                         double radius);

// The path through a network's parts: each part's arc (the one under the
// pointer bolder), then the points, the termination's hollow in `hollow`,
// the rest filled. `at` places an impedance on the chart.
void DrawImpedancePath(QPainter &painter, const session::SmithPath &path,
                       const std::function<QPointF(session::Complex)> &at, const QColor &colour,
                       const QColor &hollow, std::optional<std::size_t> hoveredArc);

// The reading under the pointer at `p`: a ring round the point and the lines
// of `readout` in a box beside it, on `ground` nearly opaque, kept inside
// `area`.
void DrawPointerReadout(QPainter &painter, QPointF p, const QString &readout, const QColor &text,
                        QColor ground, const QRectF &area);

} // namespace tevmar
