#include "ui/device_plot.h"

#include "ui/plot_widget.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tevmar {

namespace {

struct Curve
{
    const std::vector<double> *values;
    QString name;
    QColor colour;
    Qt::PenStyle style;
};

struct Panel
{
    QRect area;
    double low, high;
    QString title;
    std::vector<Curve> curves;
    std::optional<double> line; // a horizontal reference
};

bool IsDark(const QPalette &p)
{
    return p.color(QPalette::Base).lightness() < 128;
}

} // namespace

DevicePlot::DevicePlot(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DevicePlot::SetData(DevicePlotData data)
{
    data_ = std::move(data);
    update();
}

double DevicePlot::stabilityTop() const
{
    double top = 2;
    for (const auto *values : {&data_.k, &data_.mu, &data_.muPrime})
        for (const double v : *values)
            if (std::isfinite(v))
                top = std::max(top, std::min(5.0, std::ceil(v * 1.1 * 2) / 2));
    return top;
}

void DevicePlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &pal = palette();
    const QColor text = pal.color(QPalette::Text);
    const bool dark = IsDark(pal);
    const QColor grid = dark ? QColor(70, 70, 70) : QColor(220, 220, 220);
    painter.fillRect(rect(), pal.color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing);
    const std::vector<double> &f = data_.frequencyGhz;
    if (f.empty()) {
        painter.setPen(text);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No device to show."));
        return;
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const int left = metrics.horizontalAdvance(QStringLiteral("00.0")) + 14;
    const int right = 12, top = metrics.height() * 2 + 8, bottom = metrics.height() * 2 + 10;
    // Below the upper panel: its tick labels, then the lower panel's title and legend.
    const int gap = metrics.height() * 3 + 14;
    const int panelHeight = (height() - top - bottom - gap) / 2;
    const double fLow = f.front(), fHigh = f.size() > 1 ? f.back() : f.front() + 1;

    double gainLow = 1e300, gainHigh = -1e300;
    for (const auto *values : {&data_.msgDb, &data_.magDb})
        for (const double v : *values)
            if (std::isfinite(v)) {
                gainLow = std::min(gainLow, v);
                gainHigh = std::max(gainHigh, v);
            }
    if (gainLow > gainHigh)
        gainLow = 0, gainHigh = 10;
    gainLow = std::floor(gainLow / 5) * 5;
    gainHigh = std::max(gainLow + 5, std::ceil(gainHigh / 5) * 5);

    const QColor blue = dark ? QColor(100, 160, 255) : QColor(20, 80, 200);
    const QColor orange = dark ? QColor(255, 170, 60) : QColor(200, 100, 0);
    const QColor green = dark ? QColor(110, 210, 110) : QColor(20, 140, 40);
    const Panel panels[] = {
        {QRect(left, top, width() - left - right, panelHeight),
         0,
         stabilityTop(),
         QStringLiteral("Stability: K, \u03bc, \u03bc' (above 1: unconditionally stable)"),
         {{&data_.k, QStringLiteral("K"), blue, Qt::SolidLine},
          {&data_.mu, QStringLiteral("\u03bc"), orange, Qt::SolidLine},
          {&data_.muPrime, QStringLiteral("\u03bc'"), green, Qt::DashLine}},
         1.0},
        {QRect(left, top + panelHeight + gap, width() - left - right, panelHeight),
         gainLow,
         gainHigh,
         QStringLiteral("Gain (dB): MSG, MAG where unconditionally stable"),
         {{&data_.msgDb, QStringLiteral("MSG"), orange, Qt::DashLine},
          {&data_.magDb, QStringLiteral("MAG"), blue, Qt::SolidLine}},
         std::nullopt},
    };
    const auto xOf = [&](const QRect &a, double ghz) {
        return a.left() + (ghz - fLow) / (fHigh - fLow) * a.width();
    };
    for (const Panel &panel : panels) {
        const QRect &a = panel.area;
        const auto yOf = [&](double v) {
            const double clamped = std::clamp(v, panel.low, panel.high);
            return a.bottom() - (clamped - panel.low) / (panel.high - panel.low) * a.height();
        };
        painter.setPen(QPen(grid, 1));
        for (const double t : AxisTicks(panel.low, panel.high, false, 5)) {
            painter.drawLine(QPointF(a.left(), yOf(t)), QPointF(a.right(), yOf(t)));
            painter.setPen(text);
            const QString label = TickLabel(t);
            painter.drawText(QPointF(a.left() - 6 - metrics.horizontalAdvance(label),
                                     yOf(t) + metrics.ascent() / 2.0 - 1),
                             label);
            painter.setPen(QPen(grid, 1));
        }
        for (const double t : AxisTicks(fLow, fHigh, false, 6)) {
            painter.drawLine(QPointF(xOf(a, t), a.top()), QPointF(xOf(a, t), a.bottom()));
            painter.setPen(text);
            const QString label = TickLabel(t);
            painter.drawText(QPointF(xOf(a, t) - metrics.horizontalAdvance(label) / 2.0,
                                     a.bottom() + 4 + metrics.ascent()),
                             label);
            painter.setPen(QPen(grid, 1));
        }
        if (panel.line) {
            painter.setPen(QPen(text, 1.2, Qt::DashDotLine));
            painter.drawLine(QPointF(a.left(), yOf(*panel.line)),
                             QPointF(a.right(), yOf(*panel.line)));
        }
        if (data_.chosenGhz) {
            painter.setPen(
                QPen(dark ? QColor(200, 200, 200) : QColor(110, 110, 110), 1, Qt::DotLine));
            painter.drawLine(QPointF(xOf(a, *data_.chosenGhz), a.top()),
                             QPointF(xOf(a, *data_.chosenGhz), a.bottom()));
        }
        painter.setPen(QPen(text, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(a);
        painter.drawText(QPointF(a.left(), a.top() - 6 - metrics.height()), panel.title);
        // The legend on the title's line below it.
        double legendX = a.left();
        for (const Curve &curve : panel.curves) {
            const double y = a.top() - 6 - metrics.descent() - 2;
            painter.setPen(QPen(curve.colour, 2, curve.style));
            painter.drawLine(QPointF(legendX, y - metrics.ascent() / 3.0),
                             QPointF(legendX + 22, y - metrics.ascent() / 3.0));
            painter.setPen(text);
            painter.drawText(QPointF(legendX + 26, y), curve.name);
            legendX += 40 + metrics.horizontalAdvance(curve.name);
        }
        painter.save();
        painter.setClipRect(a.adjusted(0, -2, 0, 2));
        for (const Curve &curve : panel.curves) {
            QPainterPath path;
            bool drawing = false;
            for (std::size_t i = 0; i < f.size() && i < curve.values->size(); ++i) {
                const double v = (*curve.values)[i];
                if (!std::isfinite(v)) {
                    drawing = false;
                    continue;
                }
                const QPointF p(xOf(a, f[i]), yOf(v));
                drawing ? path.lineTo(p) : path.moveTo(p);
                drawing = true;
                // A lone point still shows.
                painter.setPen(Qt::NoPen);
                painter.setBrush(curve.colour);
                painter.drawEllipse(p, 2.5, 2.5);
            }
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(curve.colour, 2, curve.style));
            painter.drawPath(path);
        }
        painter.restore();
    }
    painter.setPen(text);
    const QString axis = QStringLiteral("Frequency (GHz)");
    painter.drawText(QPointF((width() - metrics.horizontalAdvance(axis)) / 2.0,
                             height() - metrics.descent() - 4),
                     axis);
}

} // namespace tevmar
