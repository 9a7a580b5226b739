#include "ui/device_plot.h"

#include "ui/plot_widget.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tevmar {

namespace {

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
    const bool dark = IsDark(palette());
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
    const std::vector<PlotPanel> panels = {
        {0,
         stabilityTop(),
         QStringLiteral("Stability: K, \u03bc, \u03bc' (above 1: unconditionally stable)"),
         {{&data_.k, QStringLiteral("K"), blue, Qt::SolidLine},
          {&data_.mu, QStringLiteral("\u03bc"), orange, Qt::SolidLine},
          {&data_.muPrime, QStringLiteral("\u03bc'"), green, Qt::DashLine}},
         1.0},
        {gainLow,
         gainHigh,
         QStringLiteral("Gain (dB): MSG, MAG where unconditionally stable"),
         {{&data_.msgDb, QStringLiteral("MSG"), orange, Qt::DashLine},
          {&data_.magDb, QStringLiteral("MAG"), blue, Qt::SolidLine}},
         std::nullopt},
    };
    PaintFrequencyPanels(painter, rect(), palette(), data_.frequencyGhz, panels, data_.chosenGhz,
                         std::nullopt, QStringLiteral("No device to show."),
                         data_.measured.empty() ? nullptr : &data_.measured);
}

void PaintFrequencyPanels(QPainter &painter, const QRect &area, const QPalette &pal,
                          const std::vector<double> &f, const std::vector<PlotPanel> &panels,
                          std::optional<double> chosenGhz,
                          std::optional<std::pair<double, double>> bandGhz, const QString &empty,
                          const std::vector<bool> *marked)
{
    const QColor text = pal.color(QPalette::Text);
    const bool dark = IsDark(pal);
    const QColor grid = dark ? QColor(70, 70, 70) : QColor(220, 220, 220);
    painter.fillRect(area, pal.color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing);
    if (f.empty() || panels.empty()) {
        painter.setPen(text);
        painter.drawText(area, Qt::AlignCenter, empty);
        return;
    }
    const QFontMetrics metrics = painter.fontMetrics();
    const int left = area.left() + metrics.horizontalAdvance(QStringLiteral("00.0")) + 14;
    // Above each panel its title, and its legend on a line of its own below
    // the title, clear of the title's descenders.
    const int right = 12, top = metrics.lineSpacing() * 2 + 14, bottom = metrics.height() * 2 + 10;
    // Below each panel: its tick labels, then the next panel's title and legend.
    const int gap = top + metrics.height() + 6;
    const int count = static_cast<int>(panels.size());
    const int panelHeight = (area.height() - top - bottom - gap * (count - 1)) / count;
    const int plotWidth = area.right() + 1 - left - right;
    const double fLow = f.front(), fHigh = f.size() > 1 ? f.back() : f.front() + 1;
    const auto xOf = [&](const QRect &a, double ghz) {
        return a.left() + (ghz - fLow) / (fHigh - fLow) * a.width();
    };
    for (int n = 0; n < count; ++n) {
        const PlotPanel &panel = panels[static_cast<std::size_t>(n)];
        const QRect a(left, area.top() + top + n * (panelHeight + gap), plotWidth, panelHeight);
        const auto yOf = [&](double v) {
            const double clamped = std::clamp(v, panel.low, panel.high);
            return a.bottom() - (clamped - panel.low) / (panel.high - panel.low) * a.height();
        };
        if (bandGhz) {
            const double x1 = std::max<double>(a.left(), xOf(a, bandGhz->first));
            const double x2 = std::min<double>(a.right(), xOf(a, bandGhz->second));
            painter.fillRect(QRectF(x1 - 1, a.top(), x2 - x1 + 2, a.height()),
                             dark ? QColor(45, 60, 80) : QColor(228, 238, 252));
        }
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
        if (chosenGhz) {
            painter.setPen(
                QPen(dark ? QColor(200, 200, 200) : QColor(110, 110, 110), 1, Qt::DotLine));
            painter.drawLine(QPointF(xOf(a, *chosenGhz), a.top()),
                             QPointF(xOf(a, *chosenGhz), a.bottom()));
        }
        painter.setPen(QPen(text, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(a);
        const double legendBaseline = a.top() - 6 - metrics.descent();
        // The title from above the tick labels where the plot is narrow, cut
        // short with an ellipsis rather than at the widget's edge.
        const int titleLeft = metrics.horizontalAdvance(panel.title) > area.right() - a.left()
                                  ? area.left() + 6
                                  : a.left();
        painter.drawText(
            QPointF(titleLeft, legendBaseline - metrics.lineSpacing() - 2),
            metrics.elidedText(panel.title, Qt::ElideRight, area.right() - titleLeft - 2));
        double legendX = a.left();
        for (const PlotCurve &curve : panel.curves) {
            const double y = legendBaseline;
            painter.setPen(QPen(curve.colour, 2, curve.style));
            painter.drawLine(QPointF(legendX, y - metrics.ascent() / 3.0),
                             QPointF(legendX + 22, y - metrics.ascent() / 3.0));
            painter.setPen(text);
            painter.drawText(QPointF(legendX + 26, y), curve.name);
            legendX += 40 + metrics.horizontalAdvance(curve.name);
        }
        painter.save();
        painter.setClipRect(a.adjusted(0, -2, 0, 2));
        for (const PlotCurve &curve : panel.curves) {
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
                // A lone point still shows.
                const bool next = i + 1 < f.size() && i + 1 < curve.values->size() &&
                                  std::isfinite((*curve.values)[i + 1]);
                const bool alone = !drawing && !next;
                drawing = true;
                if (marked && i < marked->size() && !(*marked)[i] && !alone)
                    continue;
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
    painter.drawText(QPointF(area.left() + (area.width() - metrics.horizontalAdvance(axis)) / 2.0,
                             area.bottom() + 1 - metrics.descent() - 4),
                     axis);
}

} // namespace tevmar
