#include "ui/smith_chart.h"

#include "format/analysis_text.h"
#include "session/types.h"
#include "session/views/chart_labels.h"
#include "session/views/smith.h"
#include "session/views/smith_circles.h"
#include "ui/curve_look.h"
#include "ui/smith_grid.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace tevmar {

namespace {

// The band edges marked on every trace: F1, F0 and F2 of the band, or with
// several bands each passband's edges, F1 and F2, F3 and F4, ...
std::vector<std::pair<double, QString>> EdgeMarks(const session::Response &response)
{
    const session::Band &band = response.analysis.band;
    if (response.goal.empty())
        return {{band.lowHz, QStringLiteral("F1")},
                {band.centreHz, QStringLiteral("F0")},
                {band.highHz, QStringLiteral("F2")}};
    std::vector<std::pair<double, QString>> marks;
    for (const auto &b : response.goal.bands)
        if (!b.reject) {
            marks.emplace_back(b.band.lowHz, QStringLiteral("F%1").arg(marks.size() + 1));
            marks.emplace_back(b.band.highHz, QStringLiteral("F%1").arg(marks.size() + 1));
        }
    return marks;
}

// The legend's note of what is bold.
QString PassbandNote(const session::Response *response)
{
    if (!response || response->goal.empty())
        return QStringLiteral("bold: passband F1\u2013F2");
    QString note = QStringLiteral("bold: passbands");
    const std::size_t edges = EdgeMarks(*response).size();
    for (std::size_t k = 1; k + 1 <= edges; k += 2)
        note += (k > 1 ? QStringLiteral(", ") : QStringLiteral(" ")) +
                QStringLiteral("F%1\u2013F%2").arg(k).arg(k + 1);
    return note;
}

using session::ChartPoint;
using session::Complex;

bool IsDark(const QPalette &p)
{
    return p.color(QPalette::Base).lightness() < 128;
}

// The path's colour: apart from every trace's, legible on either ground.
QColor PathColour(const QPalette &p)
{
    return IsDark(p) ? QColor(240, 120, 225) : QColor(165, 0, 135);
}

// The Q contour's colour: a muted teal, apart from the traces and the path.
QColor QColour(const QPalette &p)
{
    return IsDark(p) ? QColor(90, 200, 190) : QColor(0, 120, 115);
}

// The admittance grid's lines and labels: a warm tint, unlike the grey
// impedance grid beneath.
QColor AdmittanceGridColour(const QPalette &p)
{
    return IsDark(p) ? QColor(110, 85, 50) : QColor(240, 205, 160);
}

QColor AdmittanceTextColour(const QPalette &p)
{
    return IsDark(p) ? QColor(225, 170, 100) : QColor(160, 90, 0);
}

// A line of text broken between words to fit `width`; the lines after the
// first keep its indent and two spaces more, so a wrapped line reads as one.
QStringList Wrapped(const QString &text, const QFontMetrics &metrics, int width)
{
    qsizetype indent = 0;
    while (indent < text.size() && text[indent] == QLatin1Char(' '))
        ++indent;
    const QString lead = text.left(indent);
    const QString more = lead + QStringLiteral("  ");
    QStringList lines;
    QString line = lead;
    for (const QString &word : text.mid(lead.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer =
            line.trimmed().isEmpty() ? line + word : line + QLatin1Char(' ') + word;
        if (metrics.horizontalAdvance(longer) > width && !line.trimmed().isEmpty()) {
            lines << line;
            line = more + word;
        } else {
            line = longer;
        }
    }
    lines << line;
    return lines;
}

} // namespace

SmithChart::SmithChart(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SmithChart::SetResponse(const session::Response &response)
{
    response_ = &response;
    hover_.reset();
    UpdatePath();
    update();
}

void SmithChart::SetPort(int port)
{
    port_ = port == 2 || port == kLoadView ? port : 1;
    hover_.reset();
    UpdatePath();
    update();
}

void SmithChart::SetShowPath(bool show)
{
    showPath_ = show;
    UpdatePath();
    update();
}

void SmithChart::SetShowAdmittance(bool show)
{
    showAdmittance_ = show;
    update();
}

void SmithChart::SetShowQ(bool show)
{
    showQ_ = show;
    update();
}

std::optional<double> SmithChart::contourQ() const
{
    // Several bands have no one band Q to draw.
    if (!showQ_ || !response_ || port_ == kLoadView || !response_->problem.empty() ||
        !response_->goal.empty())
        return std::nullopt;
    const session::Band &band = response_->analysis.band;
    return session::BandQ(band.lowHz, band.highHz, band.centreHz);
}

void SmithChart::UpdatePath()
{
    arcHover_.reset();
    path_.reset();
    if (showPath_ && response_ && port_ != kLoadView)
        path_ = session::ResponsePath(*response_, ReferenceOhms());
}

std::vector<SmithChart::LegendEntry> SmithChart::Legend() const
{
    std::vector<LegendEntry> entries;
    if (response_)
        for (const session::ResponseCurve &curve : response_->curves) {
            const CurveLook look = LookOfCurve(curve);
            entries.push_back(
                {QString::fromStdString(curve.name), {}, QPen(look.colour, 2, look.style)});
        }
    entries.push_back({PassbandNote(response_), {}, std::nullopt});
    if (path_ && port_ != kLoadView)
        entries.push_back({response_->goal.empty()
                               ? QStringLiteral("path through the parts at F0, from the load")
                               : QStringLiteral("path through the parts at %1 GHz, from the load")
                                     .arg(QString::fromStdString(
                                         Figure(response_->analysis.band.centreHz / 1e9, 4))),
                           {},
                           QPen(PathColour(palette()), 2)});
    if (const std::optional<double> q = contourQ())
        entries.push_back({QStringLiteral("Q ") + QString::fromStdString(Figure(*q, 3)) +
                               QStringLiteral(" = F0 / (F2 \u2212 F1)"),
                           {},
                           QPen(QColour(palette()), 1.4, Qt::DotLine)});
    if (showAdmittance_)
        entries.push_back({QStringLiteral("admittance grid"),
                           {},
                           QPen(AdmittanceTextColour(palette()), 1, Qt::DashLine)});
    // Entries run on to a new line where the next would leave the chart.
    const QFontMetrics metrics(font());
    double x = 10;
    double y = 8 + static_cast<double>(TitleLines().size()) * metrics.height() + metrics.ascent();
    for (std::size_t c = 0; c < entries.size(); ++c) {
        const double line = entries[c].line ? 28 : 0;
        const double advance = line + metrics.horizontalAdvance(entries[c].name);
        if (x > 10 && x + advance > width() - 10) {
            x = 10;
            y += metrics.height() + 2;
        }
        entries[c].at = QPointF(x, y);
        x += advance + 18;
    }
    return entries;
}

QString SmithChart::Title() const
{
    if (!response_)
        return {};
    if (port_ == kLoadView) {
        if (!response_->load)
            return {};
        const bool source = !response_->load->sourceHz.empty();
        return QStringLiteral("Measured load (dots) and its fit (grey)") +
               (source ? QStringLiteral("; the measured source conjugated (blue dots) and its "
                                        "fit (light blue)")
                       : QString()) +
               QStringLiteral(", referred to ") +
               QString::fromStdString(Figure(response_->load->referenceOhms, 6)) +
               QStringLiteral(" \u03A9");
    }
    const bool measured = response_->load.has_value();
    if (measured && !response_->load->sourceHz.empty())
        return port_ == 2 ? QStringLiteral("Power-wave reflection at the measured load "
                                           "(between the two measurements)")
                          : QStringLiteral("Power-wave reflection at the measured source "
                                           "(between the two measurements)");
    return (port_ == 2 ? QStringLiteral("S22 at port 2, referred to ")
            : measured ? QStringLiteral("S11 at the source, referred to ")
                       : QStringLiteral("S11 at port 1, referred to ")) +
           QString::fromStdString(Figure(ReferenceOhms(), 6)) +
           (measured ? QStringLiteral(" \u03A9 (the network into the measured load)")
                     : QStringLiteral(" \u03A9 (the network with the load)"));
}

QStringList SmithChart::TitleLines() const
{
    return Wrapped(Title(), QFontMetrics(font()), width() - 20);
}

QStringList SmithChart::FitLines() const
{
    QStringList lines;
    if (port_ == kLoadView && response_ && response_->load)
        for (const std::string &line : response_->load->fitLines)
            lines << Wrapped(QString::fromStdString(line), QFontMetrics(font()), width() - 20);
    return lines;
}

SmithChart::Geometry SmithChart::ChartGeometry() const
{
    // The chart takes the room between the title and legend above and the
    // load's fit lines below, with a line's room for the reactance labels.
    const QFontMetrics metrics(font());
    const double line = metrics.height();
    const double above = port_ == kLoadView ? 4 + static_cast<double>(TitleLines().size()) * line
                                            : Legend().back().at.y() + metrics.descent();
    const double top = above + 12 + line;
    const double below = static_cast<double>(FitLines().size()) * line + 12 + line;
    const double radius = std::max(10.0, std::min(width() - 100.0, height() - top - below) / 2);
    return {width() / 2.0, top + radius, radius};
}

Complex SmithChart::GammaOf(const session::ResponseCurve &curve, std::size_t i) const
{
    return port_ == 1 ? curve.points[i].s.s11 : curve.points[i].s.s22;
}

double SmithChart::ReferenceOhms() const
{
    // Into a measured load the first trace is the source's reflection.
    if (port_ == 1 && response_->load)
        return response_->load->referenceOhms;
    return port_ == 1 ? response_->analysis.full.port1Ohms : response_->analysis.full.port2Ohms;
}

// A fitted model across the sweep, bold in the band.
void SmithChart::DrawModel(QPainter &painter, const std::vector<Complex> &ohms, double reference,
                           const QColor &colour) const
{
    const Geometry g = ChartGeometry();
    const session::Band &band = response_->analysis.band;
    QPainterPath whole, inBand;
    bool bandStarted = false;
    const std::vector<double> &f = response_->frequenciesHz;
    for (std::size_t i = 0; i < ohms.size() && i < f.size(); ++i) {
        const QPointF p = PointOf(session::ReflectionOf(ohms[i], reference), g.cx, g.cy, g.radius);
        i == 0 ? whole.moveTo(p) : whole.lineTo(p);
        if (f[i] >= band.lowHz && f[i] <= band.highHz) {
            bandStarted ? inBand.lineTo(p) : inBand.moveTo(p);
            bandStarted = true;
        }
    }
    painter.setPen(QPen(colour, 1.0));
    painter.drawPath(whole);
    painter.setPen(QPen(colour, 3.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(inBand);
}

// Measured points, filled in the band.
void SmithChart::DrawPoints(QPainter &painter, const std::vector<double> &hz,
                            const std::vector<Complex> &ohms, double reference,
                            const QColor &colour) const
{
    const Geometry g = ChartGeometry();
    const session::Band &band = response_->analysis.band;
    for (std::size_t i = 0; i < hz.size() && i < ohms.size(); ++i) {
        const QPointF p = PointOf(session::ReflectionOf(ohms[i], reference), g.cx, g.cy, g.radius);
        painter.setPen(QPen(colour, 1.2));
        painter.setBrush(hz[i] >= band.lowHz && hz[i] <= band.highHz ? QBrush(colour) : QBrush());
        painter.drawEllipse(p, 2.5, 2.5);
    }
}

void SmithChart::DrawLoad(QPainter &painter, const session::LoadTraces &load) const
{
    const QColor text = palette().color(QPalette::Text);
    const double reference = load.referenceOhms;
    DrawModel(painter, load.modelOhms, reference, QColor(128, 128, 128));
    DrawModel(painter, load.sourceModelConjugateOhms, reference, QColor(120, 170, 230));
    DrawPoints(painter, load.measuredHz, load.measuredOhms, reference, QColor(200, 40, 40));
    DrawPoints(painter, load.sourceHz, load.sourceConjugateOhms, reference, QColor(30, 80, 200));
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(text);
    DrawTitle(painter);
    const QStringList fit = FitLines();
    double y = height() - 6 - static_cast<double>(fit.size()) * metrics.height();
    for (const QString &line : fit) {
        painter.drawText(QPointF(10, y + metrics.ascent()), line);
        y += metrics.height();
    }
}

void SmithChart::DrawTitle(QPainter &painter) const
{
    const QFontMetrics metrics = painter.fontMetrics();
    double y = 4;
    for (const QString &line : TitleLines()) {
        painter.drawText(QPointF(10, y + metrics.ascent()), line);
        y += metrics.height();
    }
}

QPointF SmithChart::PathSampleAt(std::size_t arc, std::size_t sample) const
{
    if (!path_ || arc >= path_->arcs.size() || sample >= path_->arcs[arc].z.size())
        return {};
    const Geometry g = ChartGeometry();
    return PointOf(session::ReflectionOf(path_->arcs[arc].z[sample], ReferenceOhms()), g.cx, g.cy,
                   g.radius);
}

// Each part's arc from the point before it, and the points: the load hollow,
// the rest filled; the arc under the pointer drawn bolder.
void SmithChart::DrawPath(QPainter &painter, const Geometry &g) const
{
    const QColor colour = PathColour(palette());
    const double reference = ReferenceOhms();
    const auto at = [&](Complex z) {
        return PointOf(session::ReflectionOf(z, reference), g.cx, g.cy, g.radius);
    };
    DrawImpedancePath(painter, *path_, at, colour, palette().color(QPalette::Base),
                      arcHover_ ? std::optional<std::size_t>(arcHover_->arc) : std::nullopt);
}

// The band edges' labels of the first trace, then the path's part names,
// each beside its point and none over another, a point or the legend; a
// label pushed away from its point keeps a thin line to it.
void SmithChart::DrawLabels(QPainter &painter, const std::vector<PointLabel> &edges) const
{
    const QFontMetrics metrics = painter.fontMetrics();
    const Geometry g = ChartGeometry();
    const double reference = ReferenceOhms();
    std::vector<PointLabel> labels = edges;
    const std::size_t pathFrom = labels.size();
    if (path_)
        for (const session::SmithPathPoint &p : path_->points)
            labels.push_back({PointOf(session::ReflectionOf(p.z, reference), g.cx, g.cy, g.radius),
                              QString::fromStdString(p.after)});
    std::vector<session::LabelRequest> asked;
    for (const PointLabel &l : labels)
        asked.push_back({l.at.x(), l.at.y(), metrics.horizontalAdvance(l.text) + 4.0,
                         static_cast<double>(metrics.height())});
    const double top = Legend().back().at.y() + metrics.descent() + 2;
    const session::LabelBox bounds{2, top, width() - 4.0, height() - top - 2};
    std::vector<session::LabelBox> grid;
    for (const QRectF &r : GridLabelBoxes(metrics, g.cx, g.cy, g.radius))
        grid.push_back({r.x(), r.y(), r.width(), r.height()});
    if (showAdmittance_)
        for (const QRectF &r : AdmittanceLabelBoxes(metrics, g.cx, g.cy, g.radius))
            grid.push_back({r.x(), r.y(), r.width(), r.height()});
    const std::vector<session::LabelBox> boxes = session::PlaceLabels(asked, bounds, 4.5, grid);
    QColor ground = palette().color(QPalette::Base);
    ground.setAlpha(200);
    for (std::size_t k = 0; k < labels.size(); ++k) {
        const session::LabelBox &b = boxes[k];
        const QRectF box(b.x, b.y, b.width, b.height);
        const QColor colour =
            k < pathFrom ? palette().color(QPalette::Text) : PathColour(palette());
        const QPointF nearest(std::clamp(labels[k].at.x(), box.left(), box.right()),
                              std::clamp(labels[k].at.y(), box.top(), box.bottom()));
        const QPointF reach = nearest - labels[k].at;
        if (reach.x() * reach.x() + reach.y() * reach.y() > 12 * 12) {
            painter.setPen(QPen(colour, 0.8));
            painter.drawLine(labels[k].at, nearest);
        }
        painter.fillRect(box, ground);
        painter.setPen(colour);
        painter.drawText(QPointF(box.left() + 2, box.top() + metrics.ascent()), labels[k].text);
    }
}

// Both arcs of the contour dotted; the label beside the inductive arc's
// highest point, placed apart from the others with them.
void SmithChart::DrawQContour(QPainter &painter, const Geometry &g,
                              std::vector<PointLabel> &labels) const
{
    const std::optional<double> q = contourQ();
    if (!q)
        return;
    const session::QContour contour = session::ConstantQContour(*q);
    painter.setPen(QPen(QColour(palette()), 1.4, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    for (const std::vector<Complex> *arc : {&contour.inductive, &contour.capacitive}) {
        QPainterPath path;
        for (std::size_t i = 0; i < arc->size(); ++i) {
            const QPointF p = PointOf((*arc)[i], g.cx, g.cy, g.radius);
            i == 0 ? path.moveTo(p) : path.lineTo(p);
        }
        painter.drawPath(path);
    }
    const auto top = std::ranges::max_element(
        contour.inductive, [](Complex a, Complex b) { return a.imag() < b.imag(); });
    labels.push_back({PointOf(*top, g.cx, g.cy, g.radius),
                      QStringLiteral("Q ") + QString::fromStdString(Figure(*q, 3))});
}

void SmithChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &pal = palette();
    const QColor text = pal.color(QPalette::Text);
    const bool dark = IsDark(pal);
    painter.fillRect(rect(), pal.color(QPalette::Base));
    painter.setRenderHint(QPainter::Antialiasing);
    if (!response_ || !response_->problem.empty() || response_->curves.empty()) {
        painter.setPen(text);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No response to show."));
        return;
    }
    const Geometry g = ChartGeometry();
    DrawGrid(painter, g.cx, g.cy, g.radius, dark ? QColor(75, 75, 75) : QColor(215, 215, 215),
             dark ? QColor(170, 170, 170) : QColor(90, 90, 90));
    if (showAdmittance_)
        DrawAdmittanceGrid(painter, g.cx, g.cy, g.radius, AdmittanceGridColour(pal),
                           AdmittanceTextColour(pal));
    if (port_ == kLoadView) {
        if (response_->load)
            DrawLoad(painter, *response_->load);
        return;
    }

    const std::vector<double> &f = response_->frequenciesHz;
    std::vector<PointLabel> edgeLabels;
    // The design's own network is drawn last, over the others, so that the
    // network as built stays in sight where a snapped one runs close to it.
    std::vector<std::size_t> order;
    for (std::size_t c = 1; c < response_->curves.size(); ++c)
        order.push_back(c);
    if (!response_->curves.empty())
        order.push_back(0);
    for (const std::size_t c : order) {
        const session::ResponseCurve &curve = response_->curves[c];
        const auto [colour, style] = LookOfCurve(response_->curves[c]);
        QPainterPath whole, inBand;
        bool wasInBand = false; // each passband's stretch a path of its own
        for (std::size_t i = 0; i < curve.points.size(); ++i) {
            const QPointF p = PointOf(GammaOf(curve, i), g.cx, g.cy, g.radius);
            i == 0 ? whole.moveTo(p) : whole.lineTo(p);
            const bool in = session::InPassband(*response_, f[i]);
            if (in)
                wasInBand ? inBand.lineTo(p) : inBand.moveTo(p);
            wasInBand = in;
        }
        // The ideal network beside the one as built is the lesser line: the
        // built one, the network that will be soldered, stands out.
        const bool lesser = curve.role == session::CurveRole::Ideal;
        // Unfilled: the previous trace's band-edge markers leave the ground
        // as the brush, which would paint a trace's loop over the grid.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(colour, 1.0, style));
        painter.drawPath(whole);
        painter.setPen(QPen(colour, lesser ? 1.8 : 3.2, style, Qt::RoundCap));
        painter.drawPath(inBand);

        // F1, F0 and F2 on every trace, evaluated there rather than at the nearest point.
        for (const auto &[hz, name] : EdgeMarks(*response_)) {
            const session::SParameters s = session::Evaluate(curve.network, hz).s;
            const QPointF p = PointOf(port_ == 1 ? s.s11 : s.s22, g.cx, g.cy, g.radius);
            painter.setPen(QPen(colour, 1.5));
            painter.setBrush(pal.color(QPalette::Base));
            painter.drawEllipse(p, 4, 4);
            if (c == 0)
                edgeLabels.push_back({p, name});
        }
    }
    // The band's limit: the circle of the drawn network's in-band maximum
    // |Gamma|, inside which its whole passband lies.
    double inBandMax = 0;
    const session::ResponseCurve &drawn = response_->curves.front();
    for (std::size_t i = 0; i < drawn.points.size() && i < f.size(); ++i)
        if (session::InPassband(*response_, f[i]))
            inBandMax = std::max(inBandMax, std::abs(GammaOf(drawn, i)));
    if (inBandMax > 0 && inBandMax < 1) {
        const double r = inBandMax * g.radius;
        painter.setPen(QPen(text, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(g.cx, g.cy), r, r);
        edgeLabels.push_back(
            {QPointF(g.cx + r * 0.7071, g.cy + r * 0.7071),
             QStringLiteral("VSWR ") +
                 QString::fromStdString(Figure((1 + inBandMax) / (1 - inBandMax), 4))});
    }
    // The tolerance trials' pass limit, where it is known: the circle every
    // built network's passband must stay inside to count as passing.
    if (const std::optional<double> pass = passVswr()) {
        const double limit = *pass;
        const double gamma = (limit - 1) / (limit + 1);
        if (std::abs(gamma - inBandMax) * g.radius > 2) {
            const double r = gamma * g.radius;
            painter.setPen(QPen(text, 1, Qt::DashDotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(QPointF(g.cx, g.cy), r, r);
            edgeLabels.push_back(
                {QPointF(g.cx - r * 0.7071, g.cy + r * 0.7071),
                 QStringLiteral("pass VSWR ") + QString::fromStdString(Figure(limit, 4))});
        }
    }
    DrawQContour(painter, g, edgeLabels);
    if (path_)
        DrawPath(painter, g);
    DrawLabels(painter, edgeLabels);

    // Legend and title.
    const QFontMetrics metrics = painter.fontMetrics();
    painter.setPen(text);
    DrawTitle(painter);
    const std::vector<LegendEntry> legend = Legend();
    for (const LegendEntry &entry : legend) {
        const QPointF at = entry.at;
        if (entry.line) {
            painter.setPen(*entry.line);
            painter.drawLine(QPointF(at.x(), at.y() - metrics.ascent() / 2.0),
                             QPointF(at.x() + 22, at.y() - metrics.ascent() / 2.0));
        }
        painter.setPen(text);
        painter.drawText(at + QPointF(entry.line ? 28 : 0, 0), entry.name);
    }

    std::optional<QPointF> hovered;
    if (hover_)
        hovered =
            PointOf(GammaOf(response_->curves[hover_->curve], hover_->point), g.cx, g.cy, g.radius);
    else if (arcHover_ && path_)
        hovered = PointOf(session::ReflectionOf(path_->arcs[arcHover_->arc].z[arcHover_->sample],
                                                ReferenceOhms()),
                          g.cx, g.cy, g.radius);
    // Away from the traces and the path: what the point of the chart under
    // the pointer stands for.
    QString readout = hoverText();
    if (!hovered && pointer_) {
        hovered = pointer_;
        readout = pointerReadout();
    }
    if (hovered) {
        const QPointF p = *hovered;
        DrawPointerReadout(painter, p, readout, text, pal.color(QPalette::Base), rect());
    }
}

std::optional<double> SmithChart::passVswr() const
{
    if (!response_ || port_ != 1 || !response_->problem.empty() || !response_->analysis.yield)
        return std::nullopt;
    const double limit = response_->analysis.yield->options.vswrLimit;
    if (!(limit > 1) || !std::isfinite(limit))
        return std::nullopt;
    return limit;
}

QPointF SmithChart::ChartPositionOf(Complex gamma) const
{
    const Geometry g = ChartGeometry();
    return PointOf(gamma, g.cx, g.cy, g.radius);
}

QString SmithChart::pointerReadout() const
{
    if (!pointer_ || !response_)
        return {};
    const Geometry g = ChartGeometry();
    const Complex gamma = session::GammaAt({pointer_->x(), pointer_->y()}, g.cx, g.cy, g.radius);
    return QString::fromStdString(session::ChartPointReadout(gamma, ReferenceOhms()));
}

QString SmithChart::hoverText() const
{
    if (arcHover_ && path_ && response_) {
        const session::SmithPathArc &arc = path_->arcs[arcHover_->arc];
        const Complex z = arc.z[arcHover_->sample];
        return QString::fromStdString(arc.label) + QLatin1Char('\n') +
               QString::fromStdString(session::SmithReadout(
                   path_->frequencyHz, session::ReflectionOf(z, ReferenceOhms()), ReferenceOhms()));
    }
    if (!hover_ || !response_ || hover_->curve >= response_->curves.size())
        return {};
    const session::ResponseCurve &curve = response_->curves[hover_->curve];
    return QString::fromStdString(curve.name) + QLatin1Char('\n') +
           QString::fromStdString(session::SmithReadout(response_->frequenciesHz[hover_->point],
                                                        GammaOf(curve, hover_->point),
                                                        ReferenceOhms()));
}

QPointF SmithChart::PathPointAt(std::size_t point) const
{
    if (!path_ || point >= path_->points.size())
        return {};
    const Geometry g = ChartGeometry();
    return PointOf(session::ReflectionOf(path_->points[point].z, ReferenceOhms()), g.cx, g.cy,
                   g.radius);
}

// A press within a few pixels of a part's point (not the load's) takes hold
// of that part: its point then follows the pointer along the part's arc.
void SmithChart::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !path_ || !drag_.start) {
        QWidget::mousePressEvent(event);
        return;
    }
    double best = 8 * 8;
    std::optional<std::size_t> nearest;
    for (std::size_t k = 1; k < path_->points.size(); ++k) {
        const QPointF d = PathPointAt(k) - event->position();
        const double distance = d.x() * d.x() + d.y() * d.y();
        if (distance <= best) {
            best = distance;
            nearest = k;
        }
    }
    if (nearest && drag_.start(path_->points[*nearest].after)) {
        dragged_ = path_->points[*nearest].after;
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    QWidget::mousePressEvent(event);
}

void SmithChart::mouseReleaseEvent(QMouseEvent *event)
{
    if (dragged_ && event->button() == Qt::LeftButton) {
        dragged_.reset();
        unsetCursor();
        if (drag_.end)
            drag_.end();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void SmithChart::mouseMoveEvent(QMouseEvent *event)
{
    if (dragged_ && drag_.move) {
        // The pointer held within the chart: past the rim there is no
        // passive impedance to reach.
        const Geometry g = ChartGeometry();
        Complex gamma =
            session::GammaAt({event->position().x(), event->position().y()}, g.cx, g.cy, g.radius);
        if (std::abs(gamma) > 1)
            gamma /= std::abs(gamma);
        drag_.move(gamma, ReferenceOhms());
    }
    std::optional<Hover> nearest;
    if (response_ && response_->problem.empty() && port_ != kLoadView) {
        const Geometry g = ChartGeometry();
        double best = 12 * 12; // within 12 px of a trace
        for (std::size_t c = 0; c < response_->curves.size(); ++c)
            for (std::size_t i = 0; i < response_->curves[c].points.size(); ++i) {
                const QPointF p = PointOf(GammaOf(response_->curves[c], i), g.cx, g.cy, g.radius);
                const QPointF d = p - event->position();
                const double distance = d.x() * d.x() + d.y() * d.y();
                if (distance < best) {
                    best = distance;
                    nearest = Hover{c, i};
                }
            }
    }
    // An arc of the path nearer than any trace names its part instead.
    std::optional<ArcHover> onArc;
    if (path_ && response_ && response_->problem.empty()) {
        const Geometry g = ChartGeometry();
        double best = 12 * 12;
        if (nearest) {
            const QPointF d = PointOf(GammaOf(response_->curves[nearest->curve], nearest->point),
                                      g.cx, g.cy, g.radius) -
                              event->position();
            best = d.x() * d.x() + d.y() * d.y();
        }
        for (std::size_t a = 0; a < path_->arcs.size(); ++a)
            for (std::size_t i = 0; i < path_->arcs[a].z.size(); ++i) {
                const QPointF d =
                    PointOf(session::ReflectionOf(path_->arcs[a].z[i], ReferenceOhms()), g.cx, g.cy,
                            g.radius) -
                    event->position();
                const double distance = d.x() * d.x() + d.y() * d.y();
                if (distance < best) {
                    best = distance;
                    onArc = ArcHover{a, i};
                }
            }
        if (onArc)
            nearest.reset();
    }
    std::optional<QPointF> inside;
    if (response_ && response_->problem.empty() && port_ != kLoadView) {
        const Geometry g = ChartGeometry();
        const QPointF d = event->position() - QPointF(g.cx, g.cy);
        if (d.x() * d.x() + d.y() * d.y() <= g.radius * g.radius)
            inside = event->position();
    }
    if (inside != pointer_) {
        pointer_ = inside;
        update();
    }
    const bool arcChanged =
        onArc.has_value() != arcHover_.has_value() ||
        (onArc && (onArc->arc != arcHover_->arc || onArc->sample != arcHover_->sample));
    if (arcChanged || nearest.has_value() != hover_.has_value() ||
        (nearest && (nearest->curve != hover_->curve || nearest->point != hover_->point))) {
        hover_ = nearest;
        arcHover_ = onArc;
        update();
    }
}

void SmithChart::leaveEvent(QEvent *)
{
    if (hover_ || arcHover_ || pointer_) {
        hover_.reset();
        arcHover_.reset();
        pointer_.reset();
        update();
    }
}

} // namespace tevmar
