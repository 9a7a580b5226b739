#include "ui/device_chart.h"

#include "ui/smith_grid.h"
#include "units/quantity.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace tevmar {

namespace {

using session::Complex;

bool IsDark(const QPalette &p)
{
    return p.color(QPalette::Base).lightness() < 128;
}

QString Db(double db)
{
    return QString::number(db, 'g', 4) + QStringLiteral(" dB");
}

} // namespace

DeviceChart::DeviceChart(Plane plane, QWidget *parent) : QWidget(parent), plane_(plane)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DeviceChart::SetPoint(const analysis::DevicePoint &point)
{
    point_ = point;
    update();
}

DeviceChart::Geometry DeviceChart::ChartGeometry() const
{
    const int title = fontMetrics().height() * 2 + 10;
    const double radius = std::max(40.0, std::min(width() - 40.0, height() - title - 30.0) / 2);
    return {width() / 2.0, title + (height() - title) / 2.0, radius};
}

QPointF DeviceChart::Position(Complex gamma) const
{
    const Geometry g = ChartGeometry();
    return PointOf(gamma, g.cx, g.cy, g.radius);
}

const std::optional<analysis::StabilityCircle> &DeviceChart::Stability() const
{
    return plane_ == Plane::Source ? point_->sourceStability : point_->loadStability;
}

bool DeviceChart::Shaded(Complex gamma) const
{
    if (!point_ || std::abs(gamma) > 1 || !Stability())
        return false;
    const analysis::StabilityCircle &s = *Stability();
    const bool inside = std::abs(gamma - s.circle.center) < s.circle.radius;
    return inside != s.stableInside;
}

QStringList DeviceChart::Labels() const
{
    QStringList labels;
    if (!point_)
        return labels;
    if (Stability())
        labels << QStringLiteral("stability");
    const auto &gain = plane_ == Plane::Source ? point_->availableGain : point_->operatingGain;
    for (const analysis::LevelCircle &c : gain)
        if (c.circle)
            labels << (plane_ == Plane::Source ? QStringLiteral("GA ") : QStringLiteral("GP ")) +
                          Db(c.db);
    if (plane_ == Plane::Source)
        for (const analysis::LevelCircle &c : point_->noiseFigure)
            if (c.circle)
                labels << QStringLiteral("NF ") + Db(c.db);
    if (plane_ == Plane::Source ? point_->gammaS.has_value() : point_->gammaL.has_value())
        labels << (plane_ == Plane::Source ? QStringLiteral("\u0393S") : QStringLiteral("\u0393L"));
    if (plane_ == Plane::Source && point_->noise)
        labels << QStringLiteral("\u0393opt");
    return labels;
}

void DeviceChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &pal = palette();
    const QColor text = pal.color(QPalette::Text);
    const bool dark = IsDark(pal);
    painter.fillRect(rect(), pal.color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing);
    const bool source = plane_ == Plane::Source;
    const QString title = source
                              ? QStringLiteral("Source plane \u0393S: available gain, noise figure")
                              : QStringLiteral("Load plane \u0393L: operating gain");
    painter.setPen(text);
    painter.drawText(QPointF(8, fontMetrics().ascent() + 4), title);
    if (!point_) {
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No device to show."));
        return;
    }
    painter.drawText(QPointF(8, fontMetrics().ascent() + fontMetrics().height() + 6),
                     QStringLiteral("%1 GHz; shaded: unstable, |\u0393%2| > 1")
                         .arg(units::Frequency::FromHz(point_->frequencyHz).ghz(), 0, 'g', 6)
                         .arg(source ? QStringLiteral("out") : QStringLiteral("in")));
    const Geometry g = ChartGeometry();
    const QColor red = dark ? QColor(255, 90, 90) : QColor(200, 30, 30);
    QPainterPath disc;
    disc.addEllipse(QPointF(g.cx, g.cy), g.radius, g.radius);

    // The unstable terminations inside the chart, shaded under the grid.
    if (const auto &s = Stability()) {
        QPainterPath circle;
        const double r = s->circle.radius * g.radius;
        circle.addEllipse(Position(s->circle.center), r, r);
        const QPainterPath unstable =
            s->stableInside ? disc.subtracted(circle) : disc.intersected(circle);
        QColor shade = red;
        shade.setAlpha(dark ? 70 : 45);
        painter.fillPath(unstable, shade);
    }
    DrawGrid(painter, g.cx, g.cy, g.radius, dark ? QColor(75, 75, 75) : QColor(215, 215, 215),
             dark ? QColor(170, 170, 170) : QColor(90, 90, 90));
    if (const auto &s = Stability()) {
        // The whole circle, much of which may lie beyond the chart.
        painter.save();
        painter.setClipRect(rect().adjusted(0, fontMetrics().height() * 2 + 10, 0, 0));
        painter.setPen(QPen(red, 1.8));
        painter.setBrush(Qt::NoBrush);
        const double r = s->circle.radius * g.radius;
        painter.drawEllipse(Position(s->circle.center), r, r);
        painter.restore();
    }

    const QFontMetrics metrics = painter.fontMetrics();
    painter.save();
    painter.setClipPath(disc);
    const auto drawLevel = [&](const analysis::LevelCircle &c, const QColor &colour,
                               Qt::PenStyle style, const QString &name) {
        if (!c.circle)
            return;
        const double r = c.circle->radius * g.radius;
        const QPointF centre = Position(c.circle->center);
        painter.setPen(QPen(colour, 1.6, style));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, r, r);
        // The label where the circle is nearest the chart's centre, inside it.
        const Complex toward = std::abs(c.circle->center) > 1e-9
                                   ? -c.circle->center / std::abs(c.circle->center)
                                   : Complex(1, 0);
        const QPointF at = Position(c.circle->center + c.circle->radius * toward);
        const QString label = name + Db(c.db);
        painter.setPen(colour);
        painter.drawText(QPointF(at.x() - metrics.horizontalAdvance(label) / 2.0, at.y() - 3),
                         label);
    };
    const QColor blue = dark ? QColor(110, 170, 255) : QColor(20, 80, 200);
    const QColor green = dark ? QColor(110, 210, 110) : QColor(20, 130, 40);
    for (const analysis::LevelCircle &c : source ? point_->availableGain : point_->operatingGain)
        drawLevel(c, blue, Qt::SolidLine, QString());
    if (source)
        for (const analysis::LevelCircle &c : point_->noiseFigure)
            drawLevel(c, green, Qt::DashLine, QStringLiteral("NF "));
    painter.restore();

    const auto mark = [&](Complex gamma, const QColor &colour, const QString &name) {
        const QPointF p = Position(gamma);
        painter.setPen(QPen(colour, 2.2));
        painter.drawLine(p + QPointF(-5, -5), p + QPointF(5, 5));
        painter.drawLine(p + QPointF(-5, 5), p + QPointF(5, -5));
        painter.setPen(colour);
        painter.drawText(p + QPointF(7, -5), name);
    };
    const QColor black = dark ? QColor(240, 240, 240) : QColor(0, 0, 0);
    if (const auto &match = source ? point_->gammaS : point_->gammaL)
        mark(*match, black, source ? QStringLiteral("\u0393S") : QStringLiteral("\u0393L"));
    if (source && point_->noise)
        mark(point_->noise->gammaOpt, green, QStringLiteral("\u0393opt"));
}

} // namespace tevmar
