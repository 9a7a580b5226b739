#include "ui/plot_widget.h"

#include "format/analysis_text.h"
#include "session/types.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tevmar {

namespace {

constexpr int kLeftMargin = 64;
constexpr int kRightMargin = 16;
constexpr int kLegendGap = 12; // between the legend and the upper panel
constexpr int kBottomMargin = 44;
constexpr int kPanelGap = 30;
constexpr std::size_t kMaxMarkers = 4;

const QColor kMarkerColour(0, 150, 170);

// The plot's ground, text and grid follow the window's palette, so that the
// plot reads on a dark desktop as on a light one.
bool IsDark(const QPalette &palette)
{
    return palette.color(QPalette::Base).lightness() < 128;
}
const QColor kRippleColour(200, 0, 0);
const QColor kLimitColour(130, 40, 170);

QColor BandShade(const QPalette &p)
{
    return IsDark(p) ? QColor(92, 80, 30) : QColor(255, 236, 170);
}

// A band the network must reject: apart from the passbands' shade.
QColor RejectShade(const QPalette &p)
{
    return IsDark(p) ? QColor(40, 64, 96) : QColor(200, 222, 250);
}
const QColor kBandLineColour(0, 110, 60);

// The frequencies beyond a measured load's data, hatched.
QColor BeyondShade(const QPalette &p)
{
    return IsDark(p) ? QColor(88, 88, 88) : QColor(200, 200, 200);
}

QColor GridColour(const QPalette &p)
{
    return IsDark(p) ? QColor(70, 70, 70) : QColor(222, 222, 222);
}

QColor FrameColour(const QPalette &p)
{
    return IsDark(p) ? QColor(170, 170, 170) : QColor(90, 90, 90);
}

double ReturnLossDb(double gamma)
{
    return -20.0 * std::log10(gamma);
}

QString Number(double value, int digits = 6)
{
    return QString::fromStdString(Figure(value, digits));
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

std::vector<double> MarkersOnSweep(const std::vector<double> &markersGhz,
                                   const std::vector<double> &frequencyGhz)
{
    std::vector<double> placed;
    if (frequencyGhz.empty())
        return placed;
    for (const double f : markersGhz) {
        if (f < frequencyGhz.front() || f > frequencyGhz.back())
            continue;
        const auto above = std::lower_bound(frequencyGhz.begin(), frequencyGhz.end(), f);
        double nearest = *above;
        if (above != frequencyGhz.begin() && f - *(above - 1) < *above - f)
            nearest = *(above - 1);
        placed.push_back(nearest);
    }
    return placed;
}

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
    QString shortTitle; // when the panel is too low for the title
    QString unit;       // after a value in the hover box
    QRect rect;
    double low = 0;
    double high = 1;
    std::vector<double> PlotSeries::*values = nullptr;
    std::vector<Mark> marks;
    bool transmission = false; // shows the curves with the parts' loss too

    double YOf(double value) const
    {
        if (std::isnan(value))
            value = low;
        const double t = (value - low) / (high - low);
        const double y = rect.bottom() - t * rect.height();
        return std::clamp(y, rect.top() - 2000.0, rect.bottom() + 2000.0);
    }
};

void ResponsePlot::SetPanels(unsigned panels)
{
    panels &= kAllPanels;
    panels_ = panels ? panels : unsigned(ReturnLossPanel);
    PlaceLegend(); // the bands' limit lines are listed where their panel shows
    update();
}

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
    dragged_.reset();
    PlaceLegend();
    update();
    if (!markersGhz_.empty())
        SetMarkers(MarkersOnSweep(markersGhz_, data_.frequencyGhz));
}

QRect ResponsePlot::PlotArea() const
{
    return rect().adjusted(kLeftMargin, legendHeight_, -kRightMargin, -kBottomMargin);
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
    // The deepest in-band return loss drawn, or the ripple line, with a few
    // dB of room above; the Bode-Fano line when it lies within the ceiling.
    double deepest = data_.rippleGamma ? ReturnLossDb(*data_.rippleGamma) : 0;
    for (const PlotSeries &s : data_.series)
        for (std::size_t i = 0; i < data_.frequencyGhz.size() && i < s.returnLossDb.size(); ++i) {
            const double f = data_.frequencyGhz[i];
            if (!s.transmissionOnly && InBand(f) && std::isfinite(s.returnLossDb[i]))
                deepest = std::max(deepest, s.returnLossDb[i]);
        }
    if (data_.limitGamma && ReturnLossDb(*data_.limitGamma) < returnLossCeilingDb_)
        deepest = std::max(deepest, ReturnLossDb(*data_.limitGamma));
    const double top = std::ceil((deepest + 3) / 5) * 5;
    return std::clamp(top, std::min(20.0, returnLossCeilingDb_), returnLossCeilingDb_);
}

void ResponsePlot::SetReturnLossCeiling(double db)
{
    returnLossCeilingDb_ = std::isfinite(db) && db >= 10 ? db : 60;
    update();
}

double ResponsePlot::vswrTop() const
{
    // The in-band VSWR is what the engineer reads off this panel, so the scale
    // follows the worst curve in the band and leaves the skirts to run off it.
    double worst = data_.rippleGamma ? session::VswrOf(*data_.rippleGamma) : 1.0;
    for (const PlotSeries &s : data_.series)
        for (std::size_t i = 0; i < data_.frequencyGhz.size() && i < s.vswr.size(); ++i) {
            const double f = data_.frequencyGhz[i];
            if (InBand(f) && std::isfinite(s.vswr[i]))
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
    Panel loss;
    loss.title = QStringLiteral("Return loss (dB)");
    loss.shortTitle = QStringLiteral("RL (dB)");
    loss.unit = QStringLiteral(" dB");
    loss.low = 0;
    loss.high = returnLossTopDb();
    loss.values = &PlotSeries::returnLossDb;

    Panel vswr;
    vswr.title = QStringLiteral("VSWR");
    vswr.shortTitle = vswr.title;
    vswr.low = 1;
    vswr.high = vswrTop();
    vswr.values = &PlotSeries::vswr;

    if (const auto gamma = data_.rippleGamma) {
        loss.marks.push_back({ReturnLossDb(*gamma),
                              data_.rippleName + QStringLiteral(", RL ") +
                                  Number(ReturnLossDb(*gamma), 4) + QStringLiteral(" dB"),
                              kRippleColour, Qt::DashLine, false});
        vswr.marks.push_back(
            {session::VswrOf(*gamma),
             data_.rippleName + QStringLiteral(", VSWR ") + Number(session::VswrOf(*gamma), 5),
             kRippleColour, Qt::DashLine, false});
    }
    if (const auto gamma = data_.limitGamma) {
        loss.marks.push_back({ReturnLossDb(*gamma),
                              QStringLiteral("Bode\u2013Fano limit, RL ") +
                                  Number(ReturnLossDb(*gamma), 4) + QStringLiteral(" dB"),
                              kLimitColour, Qt::DotLine, true});
        vswr.marks.push_back(
            {session::VswrOf(*gamma),
             QStringLiteral("Bode\u2013Fano limit, VSWR ") + Number(session::VswrOf(*gamma), 5),
             kLimitColour, Qt::DotLine, true});
    }

    // S21 from 0 dB down: deep enough for the skirts' first 40 dB, or for the
    // worst curve when it stays shallower.
    Panel transmission;
    transmission.title = QStringLiteral("S21 (dB)");
    transmission.shortTitle = transmission.title;
    transmission.unit = QStringLiteral(" dB");
    transmission.transmission = true;
    double deepest = 0;
    for (const PlotSeries &s : data_.series)
        for (const double v : s.s21Db)
            if (std::isfinite(v))
                deepest = std::min(deepest, v);
    // A rejection band's attenuation line lies within the panel.
    for (const PlotBand &b : data_.bands)
        if (b.reject && b.lineDb)
            deepest = std::min(deepest, -*b.lineDb - 5);
    transmission.low = -std::clamp(std::ceil(-deepest / 10) * 10, 1.0, 40.0);
    if (deepest > -1)
        transmission.low = -1;
    transmission.high = 0;
    transmission.values = &PlotSeries::s21Db;

    // Group delay over the range the curves reach in the band, with room for
    // the rise towards the band edges.
    Panel delay;
    delay.title = QStringLiteral("Group delay (ns)");
    delay.shortTitle = QStringLiteral("Delay (ns)");
    delay.unit = QStringLiteral(" ns");
    delay.transmission = true;
    double most = 0;
    for (const PlotSeries &s : data_.series)
        for (std::size_t i = 0; i < data_.frequencyGhz.size() && i < s.groupDelayNs.size(); ++i) {
            const double f = data_.frequencyGhz[i];
            if (InBand(f) && std::isfinite(s.groupDelayNs[i]))
                most = std::max(most, s.groupDelayNs[i]);
        }
    const std::vector<double> steps = AxisTicks(0, std::max(most * 1.6, 0.1), false, 5);
    delay.low = 0;
    delay.high = steps.empty() ? 1 : steps.back() + (steps.size() > 1 ? steps[1] - steps[0] : 0);
    delay.values = &PlotSeries::groupDelayNs;

    std::vector<Panel> shown;
    for (const auto &[kind, panel] :
         {std::pair{ReturnLossPanel, loss}, std::pair{VswrPanel, vswr},
          std::pair{TransmissionPanel, transmission}, std::pair{DelayPanel, delay}})
        if (panels_ & kind)
            shown.push_back(panel);

    // Equal heights, but the return loss over the VSWR keeps its larger share.
    const QRect area = PlotArea();
    const int count = static_cast<int>(shown.size());
    const int usable = area.height() - (count - 1) * kPanelGap;
    int top = area.top();
    for (int k = 0; k < count; ++k) {
        int height = usable / count;
        if (count == 2 && panels_ == (ReturnLossPanel | VswrPanel))
            height = k == 0 ? usable * 55 / 100 : usable - usable * 55 / 100;
        if (k == count - 1)
            height = area.bottom() - top;
        shown[static_cast<std::size_t>(k)].rect = QRect(area.left(), top, area.width(), height);
        top += height + kPanelGap;
    }
    return shown;
}

void ResponsePlot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing);
    if (data_.frequencyGhz.size() < 2 || PlotArea().height() < 4 * kPanelGap) {
        painter.setPen(FrameColour(palette()));
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
    painter.setPen(palette().color(QPalette::Text));
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
    DrawMarkers(painter, panels);
    if (hover_)
        DrawHover(painter, panels);
}

bool ResponsePlot::HasBeyondMeasured() const
{
    return data_.measuredLowGhz && data_.measuredHighGhz && data_.frequencyGhz.size() >= 2 &&
           (data_.frequencyGhz.front() < *data_.measuredLowGhz ||
            data_.frequencyGhz.back() > *data_.measuredHighGhz);
}

bool ResponsePlot::InBand(double frequencyGhz) const
{
    if (data_.bands.empty())
        return frequencyGhz >= data_.bandLowGhz && frequencyGhz <= data_.bandHighGhz;
    return std::ranges::any_of(data_.bands, [frequencyGhz](const PlotBand &b) {
        return !b.reject && frequencyGhz >= b.lowGhz && frequencyGhz <= b.highGhz;
    });
}

void ResponsePlot::DrawBands(QPainter &painter, const Panel &panel) const
{
    const QRect &r = panel.rect;
    for (const PlotBand &b : data_.bands) {
        const double left = std::max<double>(r.left(), XOf(b.lowGhz));
        const double right = std::min<double>(r.right(), XOf(b.highGhz));
        if (right > left)
            painter.fillRect(QRectF(left, r.top(), right - left, r.height()),
                             b.reject ? RejectShade(palette()) : BandShade(palette()));
    }
}

bool ResponsePlot::Beyond(double frequencyGhz) const
{
    return data_.measuredLowGhz && data_.measuredHighGhz &&
           (frequencyGhz < *data_.measuredLowGhz || frequencyGhz > *data_.measuredHighGhz);
}

void ResponsePlot::DrawPanel(QPainter &painter, const Panel &panel) const
{
    const QRect &r = panel.rect;
    const QFontMetrics metrics = painter.fontMetrics();

    // The passband, F1 to F2, or several bands.
    const double bandLeft = std::max<double>(r.left(), XOf(data_.bandLowGhz));
    const double bandRight = std::min<double>(r.right(), XOf(data_.bandHighGhz));
    if (!data_.bands.empty())
        DrawBands(painter, panel);
    else if (bandRight > bandLeft)
        painter.fillRect(QRectF(bandLeft, r.top(), bandRight - bandLeft, r.height()),
                         BandShade(palette()));
    if (HasBeyondMeasured()) {
        const QBrush hatch(BeyondShade(palette()), Qt::BDiagPattern);
        const double below = std::min<double>(r.right(), XOf(*data_.measuredLowGhz));
        const double above = std::max<double>(r.left(), XOf(*data_.measuredHighGhz));
        if (below > r.left())
            painter.fillRect(QRectF(r.left(), r.top(), below - r.left(), r.height()), hatch);
        if (above < r.right())
            painter.fillRect(QRectF(above, r.top(), r.right() - above, r.height()), hatch);
    }

    // Grid and value labels.
    painter.setPen(QPen(GridColour(palette()), 1));
    for (const double tick :
         AxisTicks(data_.frequencyGhz.front(), data_.frequencyGhz.back(), data_.logarithmic)) {
        const double x = XOf(tick);
        painter.drawLine(QPointF(x, r.top()), QPointF(x, r.bottom()));
    }
    for (const double tick : AxisTicks(panel.low, panel.high, false, 5)) {
        const double y = panel.YOf(tick);
        painter.setPen(QPen(GridColour(palette()), 1));
        painter.drawLine(QPointF(r.left(), y), QPointF(r.right(), y));
        painter.setPen(palette().color(QPalette::Text));
        const QString label = TickLabel(tick);
        painter.drawText(QPointF(r.left() - 6 - metrics.horizontalAdvance(label),
                                 y + metrics.ascent() / 2.0 - 1),
                         label);
    }
    painter.save();
    painter.translate(14, r.center().y());
    painter.rotate(-90);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(
        QRect(-r.height() / 2, -metrics.ascent(), r.height(), metrics.height()), Qt::AlignHCenter,
        metrics.horizontalAdvance(panel.title) <= r.height() ? panel.title
                                                             : panel.shortTitle); // a low panel

    painter.restore();

    painter.save();
    painter.setClipRect(r.adjusted(0, 0, 1, 1));
    // Each band's limit: a passband's |S11| as return loss, a rejection
    // band's attenuation on S21, over the band alone.
    for (const PlotBand &b : data_.bands) {
        const bool here = b.reject ? panel.values == &PlotSeries::s21Db
                                   : panel.values == &PlotSeries::returnLossDb;
        if (!b.lineDb || !here)
            continue;
        const double y = panel.YOf(b.reject ? -*b.lineDb : *b.lineDb);
        const double left = std::max<double>(r.left(), XOf(b.lowGhz));
        const double right = std::min<double>(r.right(), XOf(b.highGhz));
        if (y < r.top() || y > r.bottom() || right <= left)
            continue;
        painter.setPen(QPen(kBandLineColour, 1.8, Qt::DashLine));
        painter.drawLine(QPointF(left, y), QPointF(right, y));
    }
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
        if (s.transmissionOnly && !panel.transmission)
            continue;
        const std::vector<double> &values = s.*(panel.values);
        // Beyond the measured data the curve is drawn faint and thin: it is
        // the network into the load's held end values, not into the data.
        QPainterPath measured, beyond;
        QPointF last;
        for (std::size_t i = 0; i < values.size() && i < data_.frequencyGhz.size(); ++i) {
            const QPointF point(XOf(data_.frequencyGhz[i]), panel.YOf(values[i]));
            if (i > 0) {
                const bool out = Beyond(data_.frequencyGhz[i]) || Beyond(data_.frequencyGhz[i - 1]);
                QPainterPath &path = out ? beyond : measured;
                if (path.elementCount() == 0 || path.currentPosition() != last)
                    path.moveTo(last);
                path.lineTo(point);
            }
            last = point;
        }
        painter.setPen(QPen(s.colour, s.style == Qt::SolidLine ? 2.0 : 1.6, s.style));
        painter.drawPath(measured);
        QColor faint = s.colour;
        faint.setAlpha(110);
        painter.setPen(QPen(faint, 1.2, s.style));
        painter.drawPath(beyond);
    }
    painter.restore();

    painter.setPen(QPen(FrameColour(palette()), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r);
}

std::vector<ResponsePlot::LegendEntry> ResponsePlot::Legend() const
{
    std::vector<LegendEntry> entries;
    for (const PlotSeries &s : data_.series)
        entries.push_back({s.name, s.colour, s.style, false, Qt::SolidPattern, {}});
    if (data_.rippleGamma)
        entries.push_back({data_.rippleName.left(1).toUpper() + data_.rippleName.mid(1),
                           kRippleColour,
                           Qt::DashLine,
                           false,
                           Qt::SolidPattern,
                           {}});
    if (data_.limitGamma)
        entries.push_back({QStringLiteral("Bode\u2013Fano limit"),
                           kLimitColour,
                           Qt::DotLine,
                           false,
                           Qt::SolidPattern,
                           {}});
    const bool rejects = std::ranges::any_of(data_.bands, &PlotBand::reject);
    // The limit lines' entry where a panel shown draws one: a passband's on
    // the return loss, a rejection band's on S21.
    const bool limits = std::ranges::any_of(data_.bands, [this](const PlotBand &b) {
        return b.lineDb && (panels_ & (b.reject ? TransmissionPanel : ReturnLossPanel));
    });
    entries.push_back(
        {data_.bands.empty() ? QStringLiteral("Passband F1\u2013F2") : QStringLiteral("Passbands"),
         BandShade(palette()),
         Qt::SolidLine,
         true,
         Qt::SolidPattern,
         {}});
    if (rejects)
        entries.push_back({QStringLiteral("Reject bands"),
                           RejectShade(palette()),
                           Qt::SolidLine,
                           true,
                           Qt::SolidPattern,
                           {}});
    if (limits)
        entries.push_back({QStringLiteral("Band limits"),
                           kBandLineColour,
                           Qt::DashLine,
                           false,
                           Qt::SolidPattern,
                           {}});
    if (HasBeyondMeasured())
        entries.push_back({QStringLiteral("Beyond the measured data: the load's end values held, "
                                          "curves faint"),
                           BeyondShade(palette()),
                           Qt::SolidLine,
                           true,
                           Qt::BDiagPattern,
                           {}});

    // Entries run on to a new row where the next would leave the plot.
    const QFontMetrics metrics(font());
    const int rowHeight = metrics.height() + 2;
    int x = kLeftMargin;
    int y = 4;
    for (LegendEntry &e : entries) {
        const int width = 28 + metrics.horizontalAdvance(e.name) + 18;
        if (x + width > this->width() - kRightMargin && x > kLeftMargin) {
            x = kLeftMargin;
            y += rowHeight;
        }
        e.place = QRect(x, y, width, rowHeight);
        x += width;
    }
    return entries;
}

void ResponsePlot::PlaceLegend()
{
    legendHeight_ = Legend().back().place.bottom() + kLegendGap;
}

void ResponsePlot::resizeEvent(QResizeEvent *)
{
    PlaceLegend();
}

void ResponsePlot::DrawLegend(QPainter &painter) const
{
    const QFontMetrics metrics = painter.fontMetrics();
    for (const LegendEntry &e : Legend()) {
        const QRect &r = e.place;
        const int middle = r.center().y();
        if (e.shade) {
            painter.fillRect(QRect(r.left(), middle - 5, 22, 10), QBrush(e.colour, e.pattern));
        } else {
            painter.setPen(QPen(e.colour, 2, e.style));
            painter.drawLine(r.left(), middle, r.left() + 22, middle);
        }
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(r.left() + 28,
                         r.top() + (r.height() + metrics.ascent() - metrics.descent()) / 2, e.name);
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
    painter.setPen(QPen(FrameColour(palette()), 1));
    QColor boxColour = palette().color(QPalette::Base);
    boxColour.setAlpha(235);
    painter.setBrush(boxColour);
    painter.drawRect(box);
    painter.setPen(palette().color(QPalette::Text));
    for (int k = 0; k < lines.size(); ++k)
        painter.drawText(box.left() + 6, box.top() + 4 + k * metrics.height() + metrics.ascent(),
                         lines[k]);
}

QString ResponsePlot::hoverText() const
{
    if (!hover_ || *hover_ >= data_.frequencyGhz.size())
        return {};
    const std::size_t i = *hover_;
    const bool match = panels_ & (ReturnLossPanel | VswrPanel);
    const bool transmission = panels_ & (TransmissionPanel | DelayPanel);
    QString text = Number(data_.frequencyGhz[i], 6) + QStringLiteral(" GHz");
    for (const PlotSeries &s : data_.series) {
        QStringList parts;
        if (match && !s.transmissionOnly && i < s.returnLossDb.size() && i < s.vswr.size())
            parts << QStringLiteral("RL ") + Number(s.returnLossDb[i], 4) +
                         QStringLiteral(" dB, VSWR ") + Number(s.vswr[i], 5);
        if (transmission && i < s.s21Db.size() && i < s.groupDelayNs.size())
            parts << QStringLiteral("S21 ") + Number(s.s21Db[i], 4) + QStringLiteral(" dB, ") +
                         Number(s.groupDelayNs[i], 4) + QStringLiteral(" ns");
        if (!parts.isEmpty())
            text += QLatin1Char('\n') + s.name + QStringLiteral(": ") +
                    parts.join(QStringLiteral(", "));
    }
    return text;
}

std::optional<std::size_t> ResponsePlot::NearestPoint(double x) const
{
    std::optional<std::size_t> nearest;
    double best = 1e300;
    for (std::size_t i = 0; i < data_.frequencyGhz.size(); ++i) {
        const double distance = std::abs(XOf(data_.frequencyGhz[i]) - x);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

std::optional<std::size_t> ResponsePlot::MarkerNear(double x) const
{
    for (std::size_t k = 0; k < markersGhz_.size(); ++k)
        if (std::abs(XOf(markersGhz_[k]) - x) <= 5)
            return k;
    return std::nullopt;
}

void ResponsePlot::SetMarkers(std::vector<double> markersGhz)
{
    if (markersGhz.size() > kMaxMarkers)
        markersGhz.resize(kMaxMarkers);
    markersGhz_ = std::move(markersGhz);
    update();
    if (markersChanged_)
        markersChanged_();
}

void ResponsePlot::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = event->position();
    if (data_.frequencyGhz.size() < 2 || !PlotArea().contains(at.toPoint()))
        return;
    const std::optional<std::size_t> marker = MarkerNear(at.x());
    if (event->button() == Qt::RightButton && marker) {
        std::vector<double> markers = markersGhz_;
        markers.erase(markers.begin() + static_cast<std::ptrdiff_t>(*marker));
        SetMarkers(std::move(markers));
    } else if (event->button() == Qt::LeftButton) {
        if (marker) {
            dragged_ = marker;
        } else if (markersGhz_.size() < kMaxMarkers) {
            std::vector<double> markers = markersGhz_;
            markers.push_back(data_.frequencyGhz[*NearestPoint(at.x())]);
            dragged_ = markers.size() - 1;
            SetMarkers(std::move(markers));
        }
    }
}

void ResponsePlot::mouseReleaseEvent(QMouseEvent *)
{
    dragged_.reset();
}

void ResponsePlot::mouseMoveEvent(QMouseEvent *event)
{
    const QRect area = PlotArea();
    const QPointF at = event->position();
    std::optional<std::size_t> nearest;
    if (data_.frequencyGhz.size() >= 2 && area.contains(at.toPoint()))
        nearest = NearestPoint(at.x());
    if (dragged_ && nearest && *dragged_ < markersGhz_.size() &&
        markersGhz_[*dragged_] != data_.frequencyGhz[*nearest]) {
        std::vector<double> markers = markersGhz_;
        markers[*dragged_] = data_.frequencyGhz[*nearest];
        SetMarkers(std::move(markers));
    }
    if (nearest != hover_) {
        hover_ = nearest;
        update();
    }
}

// Each marker as a line through every panel, numbered at the top, with the
// value of the first curve shown in that panel beside it.
void ResponsePlot::DrawMarkers(QPainter &painter, const std::vector<Panel> &panels) const
{
    const QFontMetrics metrics = painter.fontMetrics();
    for (std::size_t k = 0; k < markersGhz_.size(); ++k) {
        const double f = markersGhz_[k];
        if (f < data_.frequencyGhz.front() || f > data_.frequencyGhz.back())
            continue;
        const double x = XOf(f);
        const std::size_t i = *NearestPoint(x);
        const QString name = QStringLiteral("M%1").arg(k + 1);
        for (const Panel &panel : panels) {
            painter.setPen(QPen(kMarkerColour, 1.5));
            painter.drawLine(QPointF(x, panel.rect.top()), QPointF(x, panel.rect.bottom()));
            const PlotSeries *shown = nullptr;
            for (const PlotSeries &s : data_.series)
                if (panel.transmission || !s.transmissionOnly)
                    if (!shown || (panel.transmission && s.transmissionOnly))
                        shown = &s;
            if (!shown || i >= (shown->*(panel.values)).size())
                continue;
            const double value = (shown->*(panel.values))[i];
            const double y =
                std::clamp(panel.YOf(value), double(panel.rect.top()), double(panel.rect.bottom()));
            painter.setBrush(kMarkerColour);
            painter.drawPolygon(
                QPolygonF({QPointF(x, y), QPointF(x - 5, y - 8), QPointF(x + 5, y - 8)}));
            const QString label = name + QStringLiteral(" ") + Number(value, 4) + panel.unit;
            const int width = metrics.horizontalAdvance(label) + 8;
            QRectF box(x + 6,
                       panel.rect.top() + 4 + static_cast<double>(k) * (metrics.height() + 2),
                       width, metrics.height());
            if (box.right() > panel.rect.right())
                box.moveRight(x - 6);
            QColor ground = palette().color(QPalette::Base);
            ground.setAlpha(220);
            painter.fillRect(box, ground);
            painter.setPen(kMarkerColour);
            painter.drawText(box, Qt::AlignCenter, label);
        }
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
