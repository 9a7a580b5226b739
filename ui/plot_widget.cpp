#include "ui/plot_widget.h"

#include "analysis/analysis_text.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tevmar {

namespace {

constexpr int kLeftMargin = 64;
constexpr int kRightMargin = 16;
constexpr int kLegendHeight = 40;
constexpr int kBottomMargin = 44;
constexpr int kPanelGap = 30;
constexpr double kMaxReturnLossDb = 120;

const QColor kBandShade(255, 236, 170);
const QColor kGrid(222, 222, 222);
const QColor kFrame(90, 90, 90);
const QColor kRippleColour(200, 0, 0);
const QColor kLimitColour(130, 40, 170);

double ReturnLossDb(double gamma)
{
    return -20.0 * std::log10(gamma);
}

double VswrOfGamma(double gamma)
{
    return (1.0 + gamma) / (1.0 - gamma);
}

QString Number(double value, int digits = 6)
{
    return QString::fromStdString(analysis::Figure(value, digits));
}

std::vector<double> LinearTicks(double low, double high, int wanted)
{
    std::vector<double> ticks;
    const double span = high - low;
    if (!(span > 0) || wanted < 1)
        return ticks;
    const double raw = span / wanted;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = 10 * magnitude;
    for (const double m : {1.0, 2.0, 5.0})
        if (m * magnitude >= raw * (1 - 1e-9)) {
            step = m * magnitude;
            break;
        }
    const double slack = step * 1e-9;
    for (double k = std::ceil((low - slack) / step);; ++k) {
        const double value = k * step;
        if (value > high + slack)
            break;
        ticks.push_back(std::abs(value) < slack ? 0.0 : value);
    }
    return ticks;
}

} // namespace

std::vector<double> AxisTicks(double low, double high, bool logarithmic, int wanted)
{
    if (!logarithmic || !(low > 0) || !(high > low))
        return LinearTicks(low, high, wanted);
    // Mantissas within each decade, from sparse to dense: the first set that
    // gives enough ticks for the span is used.
    static const std::vector<double> mantissas[] = {
        {1.0},
        {1.0, 2.0, 5.0},
        {1.0, 1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 8.0},
        {1.0, 1.2, 1.4, 1.6, 1.8, 2.0, 2.5, 3.0, 3.5, 4.0, 4.5, 5.0, 6.0, 7.0, 8.0, 9.0},
    };
    const int first = static_cast<int>(std::floor(std::log10(low)));
    const int last = static_cast<int>(std::ceil(std::log10(high)));
    std::vector<double> ticks;
    for (const std::vector<double> &set : mantissas) {
        ticks.clear();
        for (int decade = first; decade <= last; ++decade)
            for (const double m : set) {
                const double value = m * std::pow(10.0, decade);
                if (value >= low * (1 - 1e-9) && value <= high * (1 + 1e-9))
                    ticks.push_back(value);
            }
        if (static_cast<int>(ticks.size()) >= std::max(2, wanted - 1))
            return ticks;
    }
    return LinearTicks(low, high, wanted);
}

QString TickLabel(double value)
{
    return Number(value, 6);
}

// One of the two panels: its place on the widget, its value range and what it marks.
struct ResponsePlot::Panel
{
    struct Mark
    {
        double value;
        QString label;
        QColor colour;
        Qt::PenStyle style;
        bool bandOnly; // drawn over the passband alone
    };

    QString title;
    QString unit; // after a value in the hover box
    QRect rect;
    double low = 0;
    double high = 1;
    std::vector<double> PlotSeries::*values = nullptr;
    std::vector<Mark> marks;

    double YOf(double value) const
    {
        if (std::isnan(value))
            value = low;
        const double t = (value - low) / (high - low);
        const double y = rect.bottom() - t * rect.height();
        return std::clamp(y, rect.top() - 2000.0, rect.bottom() + 2000.0);
    }
};

ResponsePlot::ResponsePlot(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ResponsePlot::SetData(PlotData data)
{
    data_ = std::move(data);
    hover_.reset();
    update();
}

QRect ResponsePlot::PlotArea() const
{
    return rect().adjusted(kLeftMargin, kLegendHeight, -kRightMargin, -kBottomMargin);
}

double ResponsePlot::XOf(double frequencyGhz) const
{
    const QRect area = PlotArea();
    const double low = data_.frequencyGhz.front();
    const double high = data_.frequencyGhz.back();
    double t = 0;
    if (high > low)
        t = data_.logarithmic ? std::log(frequencyGhz / low) / std::log(high / low)
                              : (frequencyGhz - low) / (high - low);
    return area.left() + t * area.width();
}

double ResponsePlot::returnLossTopDb() const
{
    double top = 30;
    if (data_.rippleGamma)
        top = ReturnLossDb(*data_.rippleGamma) + 10;
    if (data_.limitGamma)
        top = std::max(top, ReturnLossDb(*data_.limitGamma) + 5);
    return std::clamp(std::ceil(top / 10) * 10, 20.0, kMaxReturnLossDb);
}

double ResponsePlot::vswrTop() const
{
    // The in-band VSWR is what the engineer reads off this panel, so the scale
    // follows the worst curve in the band and leaves the skirts to run off it.
    double worst = data_.rippleGamma ? VswrOfGamma(*data_.rippleGamma) : 1.0;
    for (const PlotSeries &s : data_.series)
        for (std::size_t i = 0; i < data_.frequencyGhz.size() && i < s.vswr.size(); ++i) {
            const double f = data_.frequencyGhz[i];
            if (f >= data_.bandLowGhz && f <= data_.bandHighGhz && std::isfinite(s.vswr[i]))
                worst = std::max(worst, s.vswr[i]);
        }
    const double wanted = 1 + 2.5 * (worst - 1);
    for (const double top : {1.05, 1.1, 1.2, 1.5, 2.0, 3.0, 5.0, 10.0, 20.0, 50.0})
        if (top >= wanted)
            return top;
    return 100.0;
}

std::vector<ResponsePlot::Panel> ResponsePlot::Panels() const
{
    const QRect area = PlotArea();
    const int upperHeight = (area.height() - kPanelGap) * 55 / 100;
    Panel loss;
    loss.title = QStringLiteral("Return loss (dB)");
    loss.unit = QStringLiteral(" dB");
    loss.rect = QRect(area.left(), area.top(), area.width(), upperHeight);
    loss.low = 0;
    loss.high = returnLossTopDb();
    loss.values = &PlotSeries::returnLossDb;

    Panel vswr;
    vswr.title = QStringLiteral("VSWR");
    vswr.rect = QRect(area.left(), loss.rect.bottom() + kPanelGap, area.width(),
                      area.bottom() - loss.rect.bottom() - kPanelGap);
    vswr.low = 1;
    vswr.high = vswrTop();
    vswr.values = &PlotSeries::vswr;

    if (const auto gamma = data_.rippleGamma) {
        loss.marks.push_back({ReturnLossDb(*gamma),
                              QStringLiteral("design ripple max, RL ") +
                                  Number(ReturnLossDb(*gamma), 4) + QStringLiteral(" dB"),
                              kRippleColour, Qt::DashLine, false});
        vswr.marks.push_back(
            {VswrOfGamma(*gamma),
             QStringLiteral("design ripple max, VSWR ") + Number(VswrOfGamma(*gamma), 5),
             kRippleColour, Qt::DashLine, false});
    }
    if (const auto gamma = data_.limitGamma) {
        loss.marks.push_back({ReturnLossDb(*gamma),
                              QStringLiteral("Bode\u2013Fano limit, RL ") +
                                  Number(ReturnLossDb(*gamma), 4) + QStringLiteral(" dB"),
                              kLimitColour, Qt::DotLine, true});
        vswr.marks.push_back(
            {VswrOfGamma(*gamma),
             QStringLiteral("Bode\u2013Fano limit, VSWR ") + Number(VswrOfGamma(*gamma), 5),
             kLimitColour, Qt::DotLine, true});
    }
    return {loss, vswr};
}

void ResponsePlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    if (data_.frequencyGhz.size() < 2 || PlotArea().height() < 2 * kPanelGap) {
        painter.setPen(kFrame);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap,
                         data_.message.isEmpty() ? QStringLiteral("No response to show.")
                                                 : data_.message);
        return;
    }
    const std::vector<Panel> panels = Panels();
    for (const Panel &panel : panels)
        DrawPanel(painter, panel);

    // The frequency axis under the lower panel.
    const Panel &lower = panels.back();
    painter.setPen(Qt::black);
    const QFontMetrics metrics = painter.fontMetrics();
    for (const double tick :
         AxisTicks(data_.frequencyGhz.front(), data_.frequencyGhz.back(), data_.logarithmic)) {
        const QString label = TickLabel(tick);
        const int x = static_cast<int>(std::lround(XOf(tick)));
        painter.drawText(x - metrics.horizontalAdvance(label) / 2,
                         lower.rect.bottom() + 4 + metrics.ascent(), label);
    }
    painter.drawText(QRect(lower.rect.left(), height() - metrics.height() - 4, lower.rect.width(),
                           metrics.height()),
                     Qt::AlignHCenter, QStringLiteral("Frequency (GHz)"));
    DrawLegend(painter);
    if (hover_)
        DrawHover(painter, panels);
}

void ResponsePlot::DrawPanel(QPainter &painter, const Panel &panel) const
{
    const QRect &r = panel.rect;
    const QFontMetrics metrics = painter.fontMetrics();

    // The passband, F1 to F2.
    const double bandLeft = std::max<double>(r.left(), XOf(data_.bandLowGhz));
    const double bandRight = std::min<double>(r.right(), XOf(data_.bandHighGhz));
    if (bandRight > bandLeft)
        painter.fillRect(QRectF(bandLeft, r.top(), bandRight - bandLeft, r.height()), kBandShade);

    // Grid and value labels.
    painter.setPen(QPen(kGrid, 1));
    for (const double tick :
         AxisTicks(data_.frequencyGhz.front(), data_.frequencyGhz.back(), data_.logarithmic)) {
        const double x = XOf(tick);
        painter.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    for (const double tick : AxisTicks(panel.low, panel.high, false, 5)) {
        const double y = panel.YOf(tick);
        painter.setPen(QPen(kGrid, 1));
        painter.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        painter.setPen(Qt::black);
        const QString label = TickLabel(tick);
        painter.drawText(QPointF(r.left() - 6 - metrics.horizontalAdvance(label),
                                 y + metrics.ascent() / 2.0 - 1),
                         label);
    }
    painter.save();
    painter.translate(14, r.center().y());
    painter.rotate(-90);
    painter.setPen(Qt::black);
    painter.drawText(QRect(-r.height() / 2, -metrics.ascent(), r.height(), metrics.height()),
                     Qt::AlignHCenter, panel.title);
    painter.restore();

    painter.save();
    painter.setClipRect(r.adjusted(0, 0, 1, 1));
    for (const Panel::Mark &mark : panel.marks) {
        const double y = panel.YOf(mark.value);
        if (y < r.top() || y > r.bottom())
            continue;
        const double left = mark.bandOnly ? bandLeft : r.left();
        const double right = mark.bandOnly ? bandRight : r.right();
        painter.setPen(QPen(mark.colour, 1.5, mark.style));
        painter.drawLine(QPointF(left, y), QPointF(right, y));
    }
    for (const PlotSeries &s : data_.series) {
        const std::vector<double> &values = s.*(panel.values);
        QPainterPath path;
        for (std::size_t i = 0; i < values.size() && i < data_.frequencyGhz.size(); ++i) {
            const QPointF point(XOf(data_.frequencyGhz[i]), panel.YOf(values[i]));
            if (i == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        painter.setPen(QPen(s.colour, s.style == Qt::SolidLine ? 2.0 : 1.6, s.style));
        painter.drawPath(path);
    }
    painter.restore();

    painter.setPen(QPen(kFrame, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
}

void ResponsePlot::DrawLegend(QPainter &painter) const
{
    struct Entry
    {
        QString name;
        QColor colour;
        Qt::PenStyle style;
        bool shade;
    };
    std::vector<Entry> entries;
    for (const PlotSeries &s : data_.series)
        entries.push_back({s.name, s.colour, s.style, false});
    if (data_.rippleGamma)
        entries.push_back(
            {QStringLiteral("Design ripple max"), kRippleColour, Qt::DashLine, false});
    if (data_.limitGamma)
        entries.push_back(
            {QStringLiteral("Bode\u2013Fano limit"), kLimitColour, Qt::DotLine, false});
    entries.push_back({QStringLiteral("Passband F1\u2013F2"), kBandShade, Qt::SolidLine, true});

    const QFontMetrics metrics = painter.fontMetrics();
    const int rowHeight = metrics.height() + 2;
    int x = kLeftMargin;
    int y = 4;
    for (const Entry &e : entries) {
        const int width = 28 + metrics.horizontalAdvance(e.name) + 18;
        if (x + width > this->width() - kRightMargin && x > kLeftMargin) {
            x = kLeftMargin;
            y += rowHeight;
        }
        const int middle = y + rowHeight / 2;
        if (e.shade) {
            painter.fillRect(QRect(x, middle - 5, 22, 10), e.colour);
        } else {
            painter.setPen(QPen(e.colour, 2, e.style));
            painter.drawLine(x, middle, x + 22, middle);
        }
        painter.setPen(Qt::black);
        painter.drawText(x + 28, y + (rowHeight + metrics.ascent() - metrics.descent()) / 2,
                         e.name);
        x += width;
    }
}

void ResponsePlot::DrawHover(QPainter &painter, const std::vector<Panel> &panels) const
{
    const std::size_t i = *hover_;
    const double x = XOf(data_.frequencyGhz[i]);
    painter.setPen(QPen(QColor(60, 60, 60), 1, Qt::DashLine));
    for (const Panel &panel : panels)
        painter.drawLine(QPointF(x, panel.rect.top()), QPointF(x, panel.rect.bottom()));

    const QStringList lines = hoverText().split(QLatin1Char('\n'));
    const QFontMetrics metrics = painter.fontMetrics();
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, metrics.horizontalAdvance(line));
    QRect box(0, 0, width + 12, static_cast<int>(lines.size()) * metrics.height() + 8);
    const QRect area = PlotArea();
    box.moveTopLeft(QPoint(static_cast<int>(x) + 12, area.top() + 8));
    if (box.right() > area.right())
        box.moveRight(static_cast<int>(x) - 12);
    painter.setPen(QPen(kFrame, 1));
    painter.setBrush(QColor(255, 255, 255, 235));
    painter.drawRect(box);
    painter.setPen(Qt::black);
    for (int k = 0; k < lines.size(); ++k)
        painter.drawText(box.left() + 6, box.top() + 4 + k * metrics.height() + metrics.ascent(),
                         lines[k]);
}

QString ResponsePlot::hoverText() const
{
    if (!hover_ || *hover_ >= data_.frequencyGhz.size())
        return {};
    const std::size_t i = *hover_;
    QString text = Number(data_.frequencyGhz[i], 6) + QStringLiteral(" GHz");
    for (const PlotSeries &s : data_.series)
        if (i < s.returnLossDb.size() && i < s.vswr.size())
            text += QLatin1Char('\n') + s.name + QStringLiteral(": RL ") +
                    Number(s.returnLossDb[i], 4) + QStringLiteral(" dB, VSWR ") +
                    Number(s.vswr[i], 5);
    return text;
}

void ResponsePlot::mouseMoveEvent(QMouseEvent *event)
{
    const QRect area = PlotArea();
    const QPointF at = event->position();
    std::optional<std::size_t> nearest;
    if (data_.frequencyGhz.size() >= 2 && area.contains(at.toPoint())) {
        double best = 1e300;
        for (std::size_t i = 0; i < data_.frequencyGhz.size(); ++i) {
            const double distance = std::abs(XOf(data_.frequencyGhz[i]) - at.x());
            if (distance < best) {
                best = distance;
                nearest = i;
            }
        }
    }
    if (nearest != hover_) {
        hover_ = nearest;
        update();
    }
}

void ResponsePlot::leaveEvent(QEvent *)
{
    if (hover_) {
        hover_.reset();
        update();
    }
}

} // namespace tevmar
