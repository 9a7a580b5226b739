#include "ui/device_chart.h"

#include "session/views/chart_labels.h"
#include "session/views/smith.h"
#include "ui/smith_grid.h"
#include "units/quantity.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
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

QString Ghz(double hz)
{
    return QString::number(units::Frequency::FromHz(hz).ghz(), 'g', 6);
}

// The k-th of n frequencies' shade of `colour`: the lowest frequency faint,
// the highest full, each step apart enough to tell neighbours apart.
QColor Shade(const QColor &colour, const QColor &ground, std::size_t k, std::size_t n)
{
    if (n < 2)
        return colour;
    const double t = 0.35 + 0.65 * static_cast<double>(k) / static_cast<double>(n - 1);
    return QColor::fromRgbF(
        static_cast<float>(ground.redF() + t * (colour.redF() - ground.redF())),
        static_cast<float>(ground.greenF() + t * (colour.greenF() - ground.greenF())),
        static_cast<float>(ground.blueF() + t * (colour.blueF() - ground.blueF())));
}

// The path's colour: an orange apart from the circles' blue, green and red
// and the design's purple, legible on either ground.
QColor PathColour(bool dark)
{
    return dark ? QColor(255, 170, 60) : QColor(205, 100, 0);
}

// One frequency's labels, in drawing order.
QStringList PointLabels(const analysis::DevicePoint &p, bool source,
                        const std::optional<analysis::StabilityCircle> &stability)
{
    QStringList labels;
    if (stability)
        labels << QStringLiteral("stability");
    for (const analysis::LevelCircle &c : source ? p.availableGain : p.operatingGain)
        if (c.circle)
            labels << (source ? QStringLiteral("GA ") : QStringLiteral("GP ")) + Db(c.db);
    if (source)
        for (const analysis::LevelCircle &c : p.noiseFigure)
            if (c.circle)
                labels << QStringLiteral("NF ") + Db(c.db);
    if (source ? p.gammaS.has_value() : p.gammaL.has_value())
        labels << (source ? QStringLiteral("\u0393S") : QStringLiteral("\u0393L"));
    if (source && p.noise)
        labels << QStringLiteral("\u0393opt");
    return labels;
}

} // namespace

DeviceChart::DeviceChart(Plane plane, QWidget *parent) : QWidget(parent), plane_(plane)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void DeviceChart::SetPoint(const analysis::DevicePoint &point)
{
    points_ = {point};
    update();
}

void DeviceChart::SetFamily(std::vector<analysis::DevicePoint> family)
{
    points_ = std::move(family);
    update();
}

void DeviceChart::SetDesign(std::vector<Complex> locus)
{
    design_ = std::move(locus);
    update();
}

void DeviceChart::SetPath(std::optional<session::SmithPath> path, double referenceOhms)
{
    path_ = std::move(path);
    pathOhms_ = referenceOhms;
    arcHover_.reset();
    update();
}

QPointF DeviceChart::PathPointPosition(std::size_t k) const
{
    if (!path_ || k >= path_->points.size())
        return {};
    return Position(session::ReflectionOf(path_->points[k].z, pathOhms_));
}

QString DeviceChart::hoverText() const
{
    if (!arcHover_ || !path_)
        return {};
    const session::SmithPathArc &arc = path_->arcs[arcHover_->arc];
    return QString::fromStdString(arc.label) + QLatin1Char('\n') +
           QString::fromStdString(session::SmithReadout(
               path_->frequencyHz, session::ReflectionOf(arc.z[arcHover_->sample], pathOhms_),
               pathOhms_));
}

// The pointer within a few pixels of the path's arcs picks the nearest
// arc's sample.
void DeviceChart::mouseMoveEvent(QMouseEvent *event)
{
    std::optional<ArcHover> nearest;
    if (path_ && !points_.empty()) {
        double best = 8 * 8;
        for (std::size_t a = 0; a < path_->arcs.size(); ++a)
            for (std::size_t i = 0; i < path_->arcs[a].z.size(); ++i) {
                const QPointF d = Position(session::ReflectionOf(path_->arcs[a].z[i], pathOhms_)) -
                                  event->position();
                const double distance = d.x() * d.x() + d.y() * d.y();
                if (distance < best) {
                    best = distance;
                    nearest = ArcHover{a, i};
                }
            }
    }
    const bool changed =
        nearest.has_value() != arcHover_.has_value() ||
        (nearest && (nearest->arc != arcHover_->arc || nearest->sample != arcHover_->sample));
    arcHover_ = nearest;
    if (changed)
        update();
    QWidget::mouseMoveEvent(event);
}

void DeviceChart::leaveEvent(QEvent *event)
{
    if (arcHover_) {
        arcHover_.reset();
        update();
    }
    QWidget::leaveEvent(event);
}

QString DeviceChart::Subtitle() const
{
    const bool source = plane_ == Plane::Source;
    const QString side = source ? QStringLiteral("out") : QStringLiteral("in");
    if (points_.size() == 1)
        return QStringLiteral("%1 GHz; shaded: unstable, |\u0393%2| > 1")
            .arg(Ghz(points_.front().frequencyHz), side);
    return QStringLiteral("%1 to %2 GHz in %3 steps, light to dark; shaded: |\u0393%4| > 1 at any")
        .arg(Ghz(points_.front().frequencyHz), Ghz(points_.back().frequencyHz))
        .arg(points_.size())
        .arg(side);
}

// The title and subtitle, wrapped to the width at any font size.
int DeviceChart::TitleHeight() const
{
    const QString title = plane_ == Plane::Source
                              ? QStringLiteral("Source plane \u0393S: available gain, noise figure")
                              : QStringLiteral("Load plane \u0393L: operating gain");
    const QString text = points_.empty() ? title : title + QLatin1Char('\n') + Subtitle();
    return fontMetrics()
               .boundingRect(QRect(0, 0, std::max(40, width() - 16), 10000), Qt::TextWordWrap, text)
               .height() +
           10;
}

DeviceChart::Geometry DeviceChart::ChartGeometry() const
{
    const int title = TitleHeight();
    // Room round the rim for the reactance labels.
    const double margin = fontMetrics().height() * 1.5 + 6;
    const double radius =
        std::max(40.0, std::min(width() - 2 * margin, height() - title - 2 * margin) / 2);
    return {width() / 2.0, title + (height() - title) / 2.0, radius};
}

QPointF DeviceChart::Position(Complex gamma) const
{
    const Geometry g = ChartGeometry();
    return PointOf(gamma, g.cx, g.cy, g.radius);
}

const std::optional<analysis::StabilityCircle> &
DeviceChart::Stability(const analysis::DevicePoint &p) const
{
    return plane_ == Plane::Source ? p.sourceStability : p.loadStability;
}

bool DeviceChart::Shaded(Complex gamma) const
{
    if (std::abs(gamma) > 1)
        return false;
    return std::ranges::any_of(points_, [&](const analysis::DevicePoint &p) {
        const std::optional<analysis::StabilityCircle> &s = Stability(p);
        if (!s)
            return false;
        const bool inside = std::abs(gamma - s->circle.center) < s->circle.radius;
        return inside != s->stableInside;
    });
}

QStringList DeviceChart::Labels() const
{
    // Across a band, each label once, in the order first drawn.
    QStringList labels;
    for (const analysis::DevicePoint &p : points_)
        for (const QString &l : PointLabels(p, plane_ == Plane::Source, Stability(p)))
            if (!labels.contains(l))
                labels << l;
    if (!design_.empty() && !points_.empty())
        labels << (plane_ == Plane::Source ? QStringLiteral("design \u0393S")
                                           : QStringLiteral("design \u0393L"));
    if (path_ && !points_.empty())
        for (const session::SmithPathPoint &p : path_->points)
            labels << QString::fromStdString(p.after);
    return labels;
}

void DeviceChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &pal = palette();
    const QColor text = pal.color(QPalette::Text);
    const QColor ground = pal.color(QPalette::Base);
    const bool dark = IsDark(pal);
    painter.fillRect(rect(), ground);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool source = plane_ == Plane::Source;
    const QString title = source
                              ? QStringLiteral("Source plane \u0393S: available gain, noise figure")
                              : QStringLiteral("Load plane \u0393L: operating gain");
    painter.setPen(text);
    const QRect titleBox(8, 4, std::max(40, width() - 16), TitleHeight());
    if (points_.empty()) {
        painter.drawText(titleBox, Qt::TextWordWrap, title);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No device to show."));
        return;
    }
    painter.drawText(titleBox, Qt::TextWordWrap, title + QLatin1Char('\n') + Subtitle());
    const Geometry g = ChartGeometry();
    const QColor red = dark ? QColor(255, 90, 90) : QColor(200, 30, 30);
    const std::size_t n = points_.size();
    QPainterPath disc;
    disc.addEllipse(QPointF(g.cx, g.cy), g.radius, g.radius);

    // The terminations unstable at any frequency, shaded under the grid.
    QPainterPath unstable;
    for (const analysis::DevicePoint &p : points_)
        if (const auto &s = Stability(p)) {
            QPainterPath circle;
            const double r = s->circle.radius * g.radius;
            circle.addEllipse(Position(s->circle.center), r, r);
            unstable = unstable.united(s->stableInside ? disc.subtracted(circle)
                                                       : disc.intersected(circle));
        }
    QColor shade = red;
    shade.setAlpha(dark ? 70 : 45);
    painter.fillPath(unstable, shade);
    // Each whole circle, much of which may lie beyond the chart, under the
    // grid and its labels so that those stay legible where a circle crosses.
    painter.save();
    painter.setClipRect(rect().adjusted(0, TitleHeight(), 0, 0));
    painter.setBrush(Qt::NoBrush);
    for (std::size_t k = 0; k < n; ++k)
        if (const auto &s = Stability(points_[k])) {
            painter.setPen(QPen(Shade(red, ground, k, n), 1.8));
            const double r = s->circle.radius * g.radius;
            painter.drawEllipse(Position(s->circle.center), r, r);
        }
    painter.restore();
    QColor clear = ground;
    clear.setAlpha(215);
    for (const QRectF &box : GridLabelBoxes(painter.fontMetrics(), g.cx, g.cy, g.radius))
        painter.fillRect(box, clear);
    DrawGrid(painter, g.cx, g.cy, g.radius, dark ? QColor(75, 75, 75) : QColor(215, 215, 215),
             dark ? QColor(170, 170, 170) : QColor(90, 90, 90));

    // The level circles; each level's label where its circle is nearest the
    // chart's centre (across a band, on the highest frequency's circle),
    // placed apart from every other label.
    struct Label
    {
        QPointF at;
        QString text;
        QColor colour;
    };
    std::vector<Label> labels;
    painter.save();
    painter.setClipPath(disc);
    const auto drawLevel = [&](const analysis::LevelCircle &c, const QColor &colour,
                               Qt::PenStyle style, const QString &name, bool labelled) {
        if (!c.circle)
            return;
        const double r = c.circle->radius * g.radius;
        painter.setPen(QPen(colour, 1.6, style));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(Position(c.circle->center), r, r);
        if (!labelled)
            return;
        const Complex toward = std::abs(c.circle->center) > 1e-9
                                   ? -c.circle->center / std::abs(c.circle->center)
                                   : Complex(1, 0);
        labels.push_back(
            {Position(c.circle->center + c.circle->radius * toward), name + Db(c.db), colour});
    };
    const QColor blue = dark ? QColor(110, 170, 255) : QColor(20, 80, 200);
    const QColor green = dark ? QColor(110, 210, 110) : QColor(20, 130, 40);
    for (std::size_t k = 0; k < n; ++k) {
        const analysis::DevicePoint &p = points_[k];
        for (const analysis::LevelCircle &c : source ? p.availableGain : p.operatingGain)
            drawLevel(c, Shade(blue, ground, k, n), Qt::SolidLine, QString(), k + 1 == n);
        if (source)
            for (const analysis::LevelCircle &c : p.noiseFigure)
                drawLevel(c, Shade(green, ground, k, n), Qt::DashLine, QStringLiteral("NF "),
                          k + 1 == n);
    }
    painter.restore();

    // The marks: a cross at each frequency, across a band joined into the
    // locus they trace, named once at the highest frequency.
    std::vector<session::LabelBox> keepClear; // every cross, named or not
    const auto marks = [&](auto gammaOf, const QColor &colour, const QString &name) {
        QPainterPath locus;
        std::optional<QPointF> last;
        for (std::size_t k = 0; k < n; ++k) {
            const std::optional<Complex> gamma = gammaOf(points_[k]);
            if (!gamma)
                continue;
            const QPointF p = Position(*gamma);
            const double size = k + 1 == n ? 5 : 3;
            painter.setPen(QPen(Shade(colour, ground, k, n), k + 1 == n ? 2.2 : 1.6));
            painter.drawLine(p + QPointF(-size, -size), p + QPointF(size, size));
            painter.drawLine(p + QPointF(-size, size), p + QPointF(size, -size));
            last ? locus.lineTo(p) : locus.moveTo(p);
            last = p;
            keepClear.push_back({p.x() - size - 1, p.y() - size - 1, 2 * size + 2, 2 * size + 2});
        }
        if (!last)
            return;
        painter.setPen(QPen(colour, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(locus);
        labels.push_back({*last, name, colour});
    };
    const QColor black = dark ? QColor(240, 240, 240) : QColor(0, 0, 0);
    marks([source](const analysis::DevicePoint &p) { return source ? p.gammaS : p.gammaL; }, black,
          source ? QStringLiteral("\u0393S") : QStringLiteral("\u0393L"));
    if (source)
        marks(
            [](const analysis::DevicePoint &p) {
                return p.noise ? std::optional<Complex>(p.noise->gammaOpt) : std::nullopt;
            },
            green, QStringLiteral("\u0393opt"));

    // The designed termination across the band: where the amplifier's
    // network actually puts the transistor, beside the circles.
    if (!design_.empty()) {
        const QColor purple = dark ? QColor(235, 130, 235) : QColor(150, 0, 150);
        QPainterPath locus;
        for (std::size_t i = 0; i < design_.size(); ++i)
            i == 0 ? locus.moveTo(Position(design_[i])) : locus.lineTo(Position(design_[i]));
        painter.setPen(QPen(purple, 2.4, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(locus);
        const QPointF start = Position(design_.front());
        painter.setBrush(purple);
        painter.drawEllipse(start, 3.5, 3.5);
        // The upper edge's arrow head, along the locus's last step.
        if (design_.size() > 1) {
            const QPointF end = Position(design_.back());
            QPointF along = end - Position(design_[design_.size() - 2]);
            const double length = std::hypot(along.x(), along.y());
            if (length > 1e-9) {
                along /= length;
                const QPointF across(-along.y(), along.x());
                const QPointF tip = end + along * 3;
                QPolygonF head;
                head << tip << tip - along * 9 + across * 4.5 << tip - along * 9 - across * 4.5;
                painter.drawPolygon(head);
            }
        }
        labels.push_back(
            {Position(design_[design_.size() / 2]),
             source ? QStringLiteral("design \u0393S") : QStringLiteral("design \u0393L"), purple});
    }

    // The path through the network's parts at the band's centre: each
    // part's arc, bolder under the pointer, and the points, the termination
    // hollow, each named by the part just passed.
    const QColor orange = PathColour(dark);
    if (path_) {
        const auto at = [&](Complex z) { return Position(session::ReflectionOf(z, pathOhms_)); };
        DrawImpedancePath(painter, *path_, at, orange, ground,
                          arcHover_ ? std::optional<std::size_t>(arcHover_->arc) : std::nullopt);
        for (std::size_t k = 0; k < path_->points.size(); ++k) {
            const QPointF p = at(path_->points[k].z);
            keepClear.push_back({p.x() - 4.5, p.y() - 4.5, 9, 9});
            labels.push_back({p, QString::fromStdString(path_->points[k].after), orange});
        }
    }

    const QFontMetrics metrics = painter.fontMetrics();
    std::vector<session::LabelRequest> asked;
    for (const Label &l : labels)
        asked.push_back({l.at.x(), l.at.y(), metrics.horizontalAdvance(l.text) + 4.0,
                         static_cast<double>(metrics.height())});
    std::vector<session::LabelBox> grid = keepClear;
    for (const QRectF &r : GridLabelBoxes(metrics, g.cx, g.cy, g.radius))
        grid.push_back({r.x(), r.y(), r.width(), r.height()});
    const double top = TitleHeight();
    const std::vector<session::LabelBox> boxes =
        session::PlaceLabels(asked, {2, top, width() - 4.0, height() - top - 2}, 4, grid);
    QColor behind = ground;
    behind.setAlpha(200);
    for (std::size_t k = 0; k < labels.size(); ++k) {
        const QRectF box(boxes[k].x, boxes[k].y, boxes[k].width, boxes[k].height);
        painter.fillRect(box, behind);
        painter.setPen(labels[k].colour);
        painter.drawText(QPointF(box.left() + 2, box.top() + metrics.ascent()), labels[k].text);
    }

    // The part under the pointer, its value and the reading there.
    if (arcHover_ && path_) {
        const QPointF p = Position(
            session::ReflectionOf(path_->arcs[arcHover_->arc].z[arcHover_->sample], pathOhms_));
        DrawPointerReadout(painter, p, hoverText(), text, ground, rect());
    }
}

} // namespace tevmar
