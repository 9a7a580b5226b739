#include "ui/schematic_view.h"

#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <vector>

namespace tevmar {

namespace {

using session::Symbol;

// An inductor of four turns from a to b, along x or y.
void Inductor(QPainter &p, QPointF a, QPointF b)
{
    const bool horizontal = std::abs(b.y() - a.y()) < 1e-9;
    const double length = horizontal ? b.x() - a.x() : b.y() - a.y();
    const double coil = 40;
    const double lead = (length - coil) / 2;
    QPainterPath path(a);
    const QPointF along = horizontal ? QPointF(1, 0) : QPointF(0, 1);
    const QPointF start = a + along * lead;
    path.lineTo(start);
    for (int k = 0; k < 4; ++k) {
        const QPointF c = start + along * (k * 10.0 + 5);
        const QRectF arc(c.x() - 5, c.y() - 5, 10, 10);
        if (horizontal)
            path.arcTo(arc, 180, -180);
        else
            path.arcTo(arc, 90, 180);
    }
    path.lineTo(b);
    p.drawPath(path);
}

// A capacitor: two plates across the line from a to b.
void Capacitor(QPainter &p, QPointF a, QPointF b)
{
    const bool horizontal = std::abs(b.y() - a.y()) < 1e-9;
    const QPointF mid = (a + b) / 2;
    const QPointF along = horizontal ? QPointF(1, 0) : QPointF(0, 1);
    const QPointF across = horizontal ? QPointF(0, 1) : QPointF(1, 0);
    const double gap = 4, plate = 13;
    p.drawLine(a, mid - along * gap);
    p.drawLine(mid + along * gap, b);
    QPen pen = p.pen();
    pen.setWidthF(pen.widthF() * 1.8);
    p.save();
    p.setPen(pen);
    for (const double side : {-gap, gap})
        p.drawLine(mid + along * side - across * plate, mid + along * side + across * plate);
    p.restore();
}

// The run of a symbol drawn from a to b (vertical or horizontal): the unit
// steps along and across it, the body's length and the lead before it.
struct Run
{
    QPointF along, across;
    double body, lead;
};

Run SymbolRun(QPointF a, QPointF b)
{
    const bool horizontal = std::abs(b.y() - a.y()) < 1e-9;
    const double span = horizontal ? b.x() - a.x() : b.y() - a.y();
    const double body = std::min(48.0, std::abs(span) * 0.8);
    return {horizontal ? QPointF(1, 0) : QPointF(0, 1), horizontal ? QPointF(0, 1) : QPointF(1, 0),
            body, (span - body) / 2};
}

// A resistor, zigzag, from a to b (vertical or horizontal).
void Resistor(QPainter &p, QPointF a, QPointF b)
{
    const auto [along, across, body, lead] = SymbolRun(a, b);
    QPainterPath path(a);
    path.lineTo(a + along * lead);
    for (int k = 0; k < 6; ++k)
        path.lineTo(a + along * (lead + body * (k + 0.5) / 6) + across * (k % 2 ? -7 : 7));
    path.lineTo(a + along * (lead + body));
    path.lineTo(b);
    p.drawPath(path);
}

// A length of line: a narrow strip from a to b, as a board's track is
// drawn; a stub's far end open, or tied to ground by a short bar.
void LineStrip(QPainter &p, QPointF a, QPointF b, bool shorted)
{
    const auto [along, across, body, lead] = SymbolRun(a, b);
    const QPointF start = a + along * lead;
    const QPointF end = a + along * (lead + body);
    p.drawLine(a, start);
    p.drawRect(QRectF(start - across * 4, end + across * 4).normalized());
    if (shorted)
        p.drawLine(end, b);
    else
        p.drawLine(end - across * 7, end + across * 7);
}

void Part(QPainter &p, Symbol symbol, QPointF a, QPointF b)
{
    if (symbol == Symbol::SeriesLine || symbol == Symbol::ShuntShortStub) {
        LineStrip(p, a, b, true);
        return;
    }
    if (symbol == Symbol::ShuntOpenStub) {
        LineStrip(p, a, b, false);
        return;
    }
    if (symbol == Symbol::SeriesInductor || symbol == Symbol::ShuntInductor)
        Inductor(p, a, b);
    else if (symbol == Symbol::SeriesResistor || symbol == Symbol::ShuntResistor)
        Resistor(p, a, b);
    else
        Capacitor(p, a, b);
}

void Dot(QPainter &p, QPointF at)
{
    p.save();
    p.setBrush(p.pen().color());
    p.drawEllipse(at, 2.8, 2.8);
    p.restore();
}

void Ground(QPainter &p, QPointF at)
{
    p.drawLine(at, at + QPointF(0, 8));
    for (int k = 0; k < 3; ++k)
        p.drawLine(at + QPointF(-10 + 3 * k, 8 + 4 * k), at + QPointF(10 - 3 * k, 8 + 4 * k));
}

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

double Widest(const QFontMetricsF &m, const QStringList &lines)
{
    double widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, m.horizontalAdvance(line));
    return widest;
}

bool IsSeries(Symbol symbol)
{
    return symbol == Symbol::SeriesInductor || symbol == Symbol::SeriesCapacitor ||
           symbol == Symbol::SeriesResistor || symbol == Symbol::SeriesLine;
}

// A part's label: its name, its value as printed, then its standard and its
// re-tuned value when those are shown, each in its own ink.
SchematicLabel PartLabel(const session::Schematic &s, const session::SchematicPart &part)
{
    SchematicLabel label;
    label.lines = {Q(part.name), Q(part.value)};
    label.inks = {SchematicInk::Plain, SchematicInk::Plain};
    if (!part.standard.empty()) {
        label.lines << Q(s.standardSeries) + QStringLiteral(" ") + Q(part.standard);
        label.inks.push_back(SchematicInk::Standard);
    }
    if (!part.tuned.empty()) {
        label.lines << Q(s.tunedName) + QStringLiteral(" ") + Q(part.tuned);
        label.inks.push_back(SchematicInk::Tuned);
    }
    return label;
}

SchematicLabel TextLabel(QStringList lines, SchematicInk ink, Qt::Alignment align, int owner)
{
    SchematicLabel label;
    label.inks.assign(static_cast<std::size_t>(lines.size()), ink);
    label.lines = std::move(lines);
    label.align = align;
    label.owner = owner;
    return label;
}

// Gives a label its place: `x` is its left edge, or its centre when centred.
void Place(SchematicLabel &label, const QFontMetricsF &m, double x, double y)
{
    const double width = Widest(m, label.lines);
    if (label.align & Qt::AlignHCenter)
        x -= width / 2;
    label.rect = QRectF(x, y, width, static_cast<double>(label.lines.size()) * m.height());
}

// The sizes of the drawing at one scale of its symbols, in pixels; the text
// keeps its font's size whatever the scale.
struct Metrics
{
    const QFontMetricsF &m;
    double u;       // the symbols' scale
    double pad = 6; // between text and a box's edge or a neighbour
    double clear;   // from a rail to the labels of the parts on it
    double Line() const { return m.height(); }
};

// One termination's box from `left`: its columns, the resistance with its
// "R" and, for an absorbed load, the load's reactance with its label, run
// from the outside inwards towards the network; returns the box's width.
double LayOutPort(SchematicLayout &l, const session::SchematicPort &port, int index, double left,
                  const SchematicLayout::Row &row, double boxTop, double noteTop, const Metrics &k)
{
    const double u = k.u;
    const int owner = index == 0 ? SchematicLayout::kSourceBox : SchematicLayout::kLoadBox;
    const QString side = port.device || !port.showSide ? QString()
                         : index == 0                  ? QStringLiteral(" (high Z)")
                                                       : QStringLiteral(" (low Z)");
    SchematicLabel head = TextLabel({Q(port.label) + side, Q(port.resistance)}, SchematicInk::Plain,
                                    Qt::AlignHCenter, owner);
    SchematicLabel note = TextLabel({!port.note.empty() ? Q(port.note)
                                     : port.load        ? QStringLiteral("absorbed load")
                                     : index == 0       ? QStringLiteral("source")
                                                        : QStringLiteral("load")},
                                    SchematicInk::Muted, Qt::AlignHCenter, owner);
    SchematicLabel r = TextLabel({port.device ? QString() : QStringLiteral("R")},
                                 SchematicInk::Plain, Qt::AlignLeft, owner);
    const double resistorWidth = 10 * u + 12 * u + Widest(k.m, r.lines) + k.pad;

    const bool shuntLoad = port.load && !IsSeries(port.load->symbol);
    SchematicLabel load =
        TextLabel({QStringLiteral("load"), port.load ? Q(port.load->value) : QString()},
                  SchematicInk::Load, shuntLoad ? Qt::AlignLeft : Qt::AlignHCenter, owner);
    const double loadText = Widest(k.m, load.lines);
    const double loadWidth = !port.load  ? 0
                             : shuntLoad ? 14 * u + 16 * u + loadText + k.pad
                                         : std::max(68 * u, loadText + 2 * k.pad);

    const double inner = resistorWidth + loadWidth;
    const double width =
        std::max({124 * u, inner + 2 * k.pad + 12 * u, Widest(k.m, head.lines) + 2 * k.pad,
                  Widest(k.m, note.lines) + 2 * k.pad});
    const int columns = port.load ? 2 : 1;
    const double gap = (width - inner) / (columns + 1);
    // Port 1 has the resistance outermost (left); port 2 mirrors it.
    double x = left + gap;
    SchematicLayout::PortPlaces &place = l.ports[index];
    const auto resistorColumn = [&] {
        place.resistorX = x + 10 * u;
        Place(r, k.m, place.resistorX + 12 * u, (row.top + row.bottom) / 2 - k.Line() / 2);
        x += resistorWidth + gap;
    };
    const auto loadColumn = [&] {
        if (shuntLoad) {
            place.loadAxis = x + 14 * u;
            Place(load, k.m, place.loadAxis + 16 * u, (row.top + row.bottom) / 2 - k.Line());
        } else {
            place.loadAxis = x + loadWidth / 2;
            Place(load, k.m, place.loadAxis, row.top + k.clear);
        }
        place.loadFrom = place.loadAxis - 28 * u;
        place.loadTo = place.loadAxis + 28 * u;
        x += loadWidth + gap;
    };
    if (index == 0) {
        resistorColumn();
        if (port.load)
            loadColumn();
    } else {
        if (port.load)
            loadColumn();
        resistorColumn();
    }
    l.boxes[index] = QRectF(left, boxTop, width, noteTop + k.Line() + k.pad - boxTop);
    Place(head, k.m, left + width / 2, boxTop + 4);
    Place(note, k.m, left + width / 2, noteTop);
    for (SchematicLabel *label : {&head, &r, &note})
        l.labels.push_back(std::move(*label));
    if (port.load)
        l.labels.push_back(std::move(load));
    return width;
}

// The key to the inks, on one line where it fits and one item a line where not.
SchematicLabel KeyLabel(const session::Schematic &s, const QFontMetricsF &m, double width)
{
    QStringList items = {QStringLiteral("Values as printed")};
    if (!s.standardSeries.empty())
        items << Q(s.standardSeries) + QStringLiteral(" standard values in green");
    if (!s.tunedName.empty())
        items << Q(s.tunedName) + QStringLiteral(" values in light blue");
    const QString line = items.join(QStringLiteral("; "));
    return TextLabel(m.horizontalAdvance(line) <= width ? QStringList{line} : items,
                     SchematicInk::Muted, Qt::AlignLeft, SchematicLayout::kKey);
}

// Where the parts of one row go along it, left to right. Each part keeps
// clear of its neighbours' symbols; a series part's label, above the upper
// rail, keeps clear of the labels above the rail before it, and a shunt
// part's label, between the rails on its right, of the symbols and labels
// between the rails before it.
struct Lanes
{
    double symbols; // where the last symbol along the rail ends
    double above;   // where the last text above the upper rail ends
    double between; // where the last text or symbol between the rails ends

    double End() const { return std::max({symbols, above, between}); }
};

// Between two parts' labels side by side: wide enough that they read as two.
constexpr double kLabelGap = 16;

void PlacePart(SchematicLayout &l, SchematicLabel &label, Symbol symbol, int row, Lanes &lanes,
               const Metrics &k)
{
    const double u = k.u;
    const SchematicLayout::Row &r = l.rows[static_cast<std::size_t>(row)];
    const double text = Widest(k.m, label.lines);
    const double lines = static_cast<double>(label.lines.size()) * k.Line();
    SchematicLayout::PartPlace place{row, 0, 0, 0};
    if (IsSeries(symbol)) {
        place.axis = std::max(lanes.symbols + 12 * u + 28 * u, lanes.above + kLabelGap + text / 2);
        place.from = place.axis - 28 * u;
        place.to = place.axis + 28 * u;
        label.align = Qt::AlignHCenter;
        Place(label, k.m, place.axis, r.top - k.clear - lines);
        lanes.above = place.axis + text / 2;
        lanes.symbols = place.to;
    } else {
        place.axis = std::max(lanes.symbols + 24 * u, lanes.between + kLabelGap + 14 * u);
        place.from = place.to = place.axis;
        label.align = Qt::AlignLeft;
        Place(label, k.m, place.axis + 16 * u, (r.top + r.bottom - lines) / 2);
        lanes.between = place.axis + 16 * u + text;
        lanes.symbols = place.axis + 14 * u;
    }
    l.parts.push_back(place);
}

// A connector where the ladder breaks to the next row, and where it takes up
// again: a circle on the upper rail, named above it.
void PlaceConnector(SchematicLayout &l, int row, double x, bool end, const Metrics &k)
{
    const SchematicLayout::Row &r = l.rows[static_cast<std::size_t>(row)];
    SchematicLabel name =
        TextLabel({QString(QChar(u'A' + (end ? row : row - 1)))}, SchematicInk::Muted,
                  Qt::AlignHCenter, SchematicLayout::kConnector);
    Place(name, k.m, x, r.top - 6 * k.u - 2 - k.Line());
    l.connectors.push_back({row, x, end});
    l.labels.push_back(std::move(name));
}

SchematicLayout LayOutAt(const session::Schematic &s, const QFontMetricsF &m, double u, int rows,
                         QPointF origin)
{
    constexpr double kMargin = 12;
    constexpr double kRowGap = 14;
    const Metrics k{m, u, 6, 15 * u + 4};
    SchematicLayout l;
    l.unit = u;
    const std::size_t n = s.parts.size();
    rows = std::clamp(rows, 1, std::max<int>(1, static_cast<int>(n)));
    const std::size_t chunk =
        (n + static_cast<std::size_t>(rows) - 1) / static_cast<std::size_t>(rows);
    const auto rowOf = [&](std::size_t i) { return chunk ? static_cast<int>(i / chunk) : 0; };

    std::vector<SchematicLabel> labels;
    std::vector<std::size_t> seriesLines(static_cast<std::size_t>(rows), 0);
    std::size_t shuntLines = 0;
    for (std::size_t i = 0; i < n; ++i) {
        labels.push_back(PartLabel(s, s.parts[i]));
        labels.back().owner = static_cast<int>(i);
        const std::size_t count = static_cast<std::size_t>(labels.back().lines.size());
        if (IsSeries(s.parts[i].symbol))
            seriesLines[static_cast<std::size_t>(rowOf(i))] =
                std::max(seriesLines[static_cast<std::size_t>(rowOf(i))], count);
        else
            shuntLines = std::max(shuntLines, count);
    }
    const double line = k.Line();
    const double head = 2 * line + k.pad + 10 * u; // a box's top to the upper rail
    const double gap = std::max(
        {140 * u, static_cast<double>(shuntLines) * line + 2 * k.pad, k.clear + 2 * line + k.pad});
    const double note = 18 * u + 4; // from the ground rail to a box's note, under the ground
    double y = origin.y() + kMargin;
    for (int r = 0; r < rows; ++r) {
        const bool boxed = r == 0 || r == rows - 1;
        double above =
            static_cast<double>(seriesLines[static_cast<std::size_t>(r)]) * line + k.clear;
        above = std::max(above, boxed ? head : line + 6 * u + 2);
        SchematicLayout::Row row;
        row.top = y + above;
        row.bottom = row.top + gap;
        l.rows.push_back(row);
        y = row.bottom + (boxed ? note + line + k.pad : 20 * u + 4) + kRowGap;
    }

    double width = 0;
    std::size_t next = 0;
    for (int r = 0; r < rows; ++r) {
        SchematicLayout::Row &row = l.rows[static_cast<std::size_t>(r)];
        double x = origin.x() + kMargin;
        if (r == 0) {
            x += LayOutPort(l, s.source, 0, x, row, row.top - head, row.bottom + note, k);
        } else {
            x += 4 * u + line / 2;
            PlaceConnector(l, r, x, false, k);
            x += line / 2;
        }
        row.railFrom = r == 0 ? l.boxes[0].right() : l.connectors.back().x;
        Lanes lanes{x, x, x};
        for (; next < n && rowOf(next) == r; ++next)
            PlacePart(l, labels[next], s.parts[next].symbol, r, lanes, k);
        x = lanes.End() + k.pad + 6 * u;
        if (r == rows - 1) {
            row.railTo = x;
            x += LayOutPort(l, s.load, 1, x, row, row.top - head, row.bottom + note, k);
        } else {
            x += line / 2;
            PlaceConnector(l, r, x, true, k);
            row.railTo = x;
            x += line / 2 + 4 * u;
        }
        width = std::max(width, x + kMargin - origin.x());
    }
    for (SchematicLabel &label : labels)
        l.labels.push_back(std::move(label));

    SchematicLabel key = KeyLabel(s, m, width - 2 * kMargin);
    Place(key, m, origin.x() + kMargin, y - kRowGap + 8);
    l.bounds = QRectF(origin, QPointF(origin.x() + width, key.rect.bottom() + kMargin));
    l.labels.push_back(std::move(key));
    return l;
}
// Draws with the symbols' own sizes scaled by `u`: the points given in
// pixels, the pen's width kept.
template <class Draw> void Scaled(QPainter &p, double u, Draw draw)
{
    p.save();
    QPen pen = p.pen();
    pen.setWidthF(pen.widthF() / u);
    p.setPen(pen);
    p.scale(u, u);
    draw(1.0 / u);
    p.restore();
}

struct Inks
{
    QColor ground, ink, muted, load, standard, tuned;

    explicit Inks(const QPalette &palette)
        : ground(palette.color(QPalette::Base)), ink(palette.color(QPalette::Text))
    {
        const bool dark = ground.lightness() < 128;
        muted = dark ? QColor(160, 160, 160) : QColor(110, 110, 110);
        load = dark ? QColor(120, 190, 255) : QColor(0, 80, 180);
        standard = dark ? QColor(110, 210, 130) : QColor(0, 130, 50);
        tuned = dark ? QColor(100, 200, 255) : QColor(0, 135, 215);
    }

    QColor Of(SchematicInk which) const
    {
        switch (which) {
        case SchematicInk::Muted:
            return muted;
        case SchematicInk::Load:
            return load;
        case SchematicInk::Standard:
            return standard;
        case SchematicInk::Tuned:
            return tuned;
        default:
            return ink;
        }
    }
};

void DrawLabel(QPainter &p, const SchematicLabel &label, const Inks &inks)
{
    const QFontMetricsF m(p.font());
    for (int k = 0; k < label.lines.size(); ++k) {
        const double w = m.horizontalAdvance(label.lines[k]);
        const double x = label.align & Qt::AlignHCenter ? label.rect.center().x() - w / 2
                         : label.align & Qt::AlignRight ? label.rect.right() - w
                                                        : label.rect.left();
        p.setPen(inks.Of(label.inks[static_cast<std::size_t>(k)]));
        p.drawText(QPointF(x, label.rect.top() + k * m.height() + m.ascent()), label.lines[k]);
    }
}

// One termination's box: the port resistance to ground, and an absorbed
// load's reactance in it, a shunt one across the resistance and a series
// one in line towards the network.
void DrawPort(QPainter &p, const SchematicLayout &l, const session::SchematicPort &port, int index,
              const Inks &inks, double pen)
{
    const QRectF &box = l.boxes[index];
    const SchematicLayout::PortPlaces &place = l.ports[index];
    const SchematicLayout::Row &row = index == 0 ? l.rows.front() : l.rows.back();
    const double u = l.unit;
    p.save();
    p.setPen(QPen(inks.muted, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box, 6, 6);
    p.restore();

    const double edge = index == 0 ? box.right() : box.left();
    const double rx = place.resistorX;
    p.setPen(QPen(inks.ink, pen));
    if (port.load && IsSeries(port.load->symbol)) {
        const double nearEdge = index == 0 ? place.loadTo : place.loadFrom;
        const double nearR = index == 0 ? place.loadFrom : place.loadTo;
        p.drawLine(QPointF(edge, row.top), QPointF(nearEdge, row.top));
        p.drawLine(QPointF(nearR, row.top), QPointF(rx, row.top));
        p.setPen(QPen(inks.load, pen * 1.1));
        Scaled(p, u, [&](double k) {
            Part(p, port.load->symbol, QPointF(place.loadFrom, row.top) * k,
                 QPointF(place.loadTo, row.top) * k);
        });
        p.setPen(QPen(inks.ink, pen));
    } else {
        p.drawLine(QPointF(edge, row.top), QPointF(rx, row.top));
    }
    p.drawLine(QPointF(rx, row.bottom), QPointF(edge, row.bottom));
    if (port.device) {
        // The transistor's port: the rails end at its two pins.
        Scaled(p, u, [&](double k) {
            p.setBrush(Qt::NoBrush);
            for (const double y : {row.top, row.bottom})
                p.drawEllipse(QPointF(rx, y) * k, 3.5, 3.5);
        });
        return;
    }
    Scaled(p, u, [&](double k) {
        Resistor(p, QPointF(rx, row.top) * k, QPointF(rx, row.bottom) * k);
        Dot(p, QPointF(rx, row.top) * k);
        Ground(p, QPointF(rx, row.bottom) * k);
    });
    if (port.load && !IsSeries(port.load->symbol)) {
        p.setPen(QPen(inks.load, pen * 1.1));
        Scaled(p, u, [&](double k) {
            Part(p, port.load->symbol, QPointF(place.loadAxis, row.top) * k,
                 QPointF(place.loadAxis, row.bottom) * k);
            Dot(p, QPointF(place.loadAxis, row.top) * k);
            Dot(p, QPointF(place.loadAxis, row.bottom) * k);
        });
    }
}

// Each row's rails, the upper one broken where a series part sits in it,
// and its connectors with the ground beneath them.
void DrawRows(QPainter &p, const SchematicLayout &l, const session::Schematic &s)
{
    for (std::size_t r = 0; r < l.rows.size(); ++r) {
        const SchematicLayout::Row &row = l.rows[r];
        p.drawLine(QPointF(row.railFrom, row.bottom), QPointF(row.railTo, row.bottom));
        double from = row.railFrom;
        for (std::size_t i = 0; i < l.parts.size(); ++i)
            if (l.parts[i].row == static_cast<int>(r) && IsSeries(s.parts[i].symbol)) {
                p.drawLine(QPointF(from, row.top), QPointF(l.parts[i].from, row.top));
                from = l.parts[i].to;
            }
        p.drawLine(QPointF(from, row.top), QPointF(row.railTo, row.top));
    }
    for (const SchematicLayout::Connector &c : l.connectors) {
        const SchematicLayout::Row &row = l.rows[static_cast<std::size_t>(c.row)];
        Scaled(p, l.unit, [&](double k) {
            p.save();
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(c.x, row.top) * k, 4, 4);
            p.restore();
            Ground(p, QPointF(c.x, row.bottom) * k);
        });
    }
}

} // namespace

SchematicLayout LayOutSchematic(const session::Schematic &s, const QRectF &area, const QFont &font)
{
    // The largest scale of the symbols at which the drawing fits the area,
    // in one row or, where a long ladder would need small symbols, in more;
    // the text stays at the font's size, never smaller.
    const QFontMetricsF m(font);
    const auto fits = [&](double u, int rows) {
        const QRectF b = LayOutAt(s, m, u, rows, {}).bounds;
        return b.width() <= area.width() && b.height() <= area.height();
    };
    const auto largest = [&](int rows) {
        double low = 0.5, high = 3;
        if (fits(high, rows))
            return high;
        if (!fits(low, rows))
            return 0.0;
        for (int k = 0; k < 20; ++k) {
            const double mid = (low + high) / 2;
            (fits(mid, rows) ? low : high) = mid;
        }
        return low;
    };
    int rows = 1;
    double unit = largest(1);
    // A small network reads best as one ladder: it stays on one row
    // wherever one row fits at all.
    constexpr std::size_t kOneRowParts = 4;
    const int most = s.parts.size() <= kOneRowParts && unit > 0
                         ? 1
                         : std::clamp(static_cast<int>(s.parts.size()), 1, 4);
    for (int more = 2; more <= most; ++more)
        if (const double u = largest(more); u > unit * 1.15 || (unit == 0 && u > 0)) {
            rows = more;
            unit = u;
        }
    unit = std::max(unit, 0.5); // too small an area: the drawing runs over, the text stays
    const QSizeF size = LayOutAt(s, m, unit, rows, {}).bounds.size();
    const QPointF origin(area.left() + std::max(0.0, (area.width() - size.width()) / 2),
                         area.top() + std::max(0.0, (area.height() - size.height()) / 2));
    return LayOutAt(s, m, unit, rows, origin);
}

QPalette PaperPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    return palette;
}

QSize SchematicSize(const session::Schematic &s)
{
    const QRectF bounds = LayOutAt(s, QFontMetricsF(QFont()), 1, 1, {}).bounds;
    return QSize(static_cast<int>(std::ceil(bounds.width())),
                 static_cast<int>(std::ceil(bounds.height())));
}

void PaintSchematic(QPainter &p, const session::Schematic &s, const QRectF &area,
                    const QPalette &palette)
{
    const Inks inks(palette);
    p.save();
    p.fillRect(area, inks.ground);
    p.setClipRect(area);
    p.setRenderHint(QPainter::Antialiasing);
    const SchematicLayout l = LayOutSchematic(s, area, p.font());
    const double pen = 1.6 * std::max(l.unit, 0.75);

    DrawPort(p, l, s.source, 0, inks, pen);
    DrawPort(p, l, s.load, 1, inks, pen);
    p.setPen(QPen(inks.ink, pen));
    DrawRows(p, l, s);
    for (std::size_t i = 0; i < s.parts.size(); ++i) {
        const Symbol symbol = s.parts[i].symbol;
        const SchematicLayout::PartPlace &place = l.parts[i];
        const SchematicLayout::Row &row = l.rows[static_cast<std::size_t>(place.row)];
        Scaled(p, l.unit, [&](double k) {
            if (IsSeries(symbol)) {
                Part(p, symbol, QPointF(place.from, row.top) * k, QPointF(place.to, row.top) * k);
            } else {
                Part(p, symbol, QPointF(place.axis, row.top) * k,
                     QPointF(place.axis, row.bottom) * k);
                Dot(p, QPointF(place.axis, row.top) * k);
                Dot(p, QPointF(place.axis, row.bottom) * k);
            }
        });
    }
    for (const SchematicLabel &label : l.labels)
        DrawLabel(p, label, inks);
    p.restore();
}

QImage SchematicImage(const session::Schematic &s, const QPalette &palette, int scale)
{
    // Drawn at the natural size on `scale` times as many pixels, so that the
    // text keeps its size against the drawing and stays sharp.
    const QSize size = SchematicSize(s);
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(palette.color(QPalette::Base));
    QPainter painter(&image);
    PaintSchematic(painter, s, QRectF(QPointF(0, 0), QSizeF(size)), palette);
    return image;
}

QString SaveSchematic(const session::Schematic &s, const QString &fileName, const QPalette &palette)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QStringLiteral("svg")) {
        QSvgGenerator svg;
        svg.setFileName(fileName);
        svg.setSize(SchematicSize(s));
        svg.setViewBox(QRect(QPoint(0, 0), SchematicSize(s)));
        svg.setTitle(QStringLiteral("Matching network"));
        svg.setResolution(96);
        QPainter painter;
        if (!painter.begin(&svg))
            return QStringLiteral("the file could not be opened for writing");
        PaintSchematic(painter, s, QRectF(QPointF(0, 0), QSizeF(SchematicSize(s))), palette);
        painter.end();
        return QFileInfo(fileName).size() > 0 ? QString()
                                              : QStringLiteral("the file could not be written");
    }
    if (suffix == QStringLiteral("png"))
        return SchematicImage(s, palette, 2).save(fileName, "PNG")
                   ? QString()
                   : QStringLiteral("the file could not be written");
    return QStringLiteral("the name must end in .svg or .png");
}

QRectF PartArea(const SchematicLayout &l, std::size_t index)
{
    if (index >= l.parts.size())
        return {};
    const SchematicLayout::PartPlace &place = l.parts[index];
    const SchematicLayout::Row &row = l.rows[static_cast<std::size_t>(place.row)];
    const double half = 14 * l.unit; // the symbol's half width across its axis
    QRectF area = place.to > place.from
                      ? QRectF(place.from, row.top - half, place.to - place.from, 2 * half)
                      : QRectF(place.axis - half, row.top, 2 * half, row.bottom - row.top);
    for (const SchematicLabel &label : l.labels)
        if (label.owner == static_cast<int>(index))
            area = area.united(label.rect);
    return area.adjusted(-3, -3, 3, 3);
}

std::optional<std::size_t> PartAt(const SchematicLayout &l, QPointF point)
{
    for (std::size_t i = 0; i < l.parts.size(); ++i)
        if (PartArea(l, i).contains(point))
            return i;
    return std::nullopt;
}

SchematicView::SchematicView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus); // the keys step the selected part
}

SchematicLayout SchematicView::Layout() const
{
    return LayOutSchematic(schematic_, QRectF(rect()).adjusted(8, 8, -8, -8), font());
}

void SchematicView::SetSelected(std::optional<std::size_t> index)
{
    if (index && *index >= schematic_.parts.size())
        index.reset();
    if (selected_ == index)
        return;
    selected_ = index;
    update();
}

void SchematicView::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    const std::optional<std::size_t> part = PartAt(Layout(), event->position());
    SetSelected(part);
    if (select_)
        select_(part);
}

void SchematicView::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    const std::size_t parts = schematic_.parts.size();
    if ((key == Qt::Key_Left || key == Qt::Key_Right) && parts > 0) {
        std::size_t next = 0;
        if (selected_)
            next = key == Qt::Key_Right ? std::min(*selected_ + 1, parts - 1)
                                        : (*selected_ > 0 ? *selected_ - 1 : 0);
        SetSelected(next);
        if (select_)
            select_(next);
        return;
    }
    const int direction = key == Qt::Key_Plus || key == Qt::Key_Equal || key == Qt::Key_Up ? 1
                          : key == Qt::Key_Minus || key == Qt::Key_Down                    ? -1
                                                                                           : 0;
    if (direction != 0 && selected_ && step_) {
        step_(direction);
        return;
    }
    QWidget::keyPressEvent(event);
}

void SchematicView::wheelEvent(QWheelEvent *event)
{
    const std::optional<std::size_t> part = PartAt(Layout(), event->position());
    if (!part || !step_) {
        QWidget::wheelEvent(event);
        return;
    }
    if (selected_ != part) {
        SetSelected(part);
        if (select_)
            select_(part);
        wheelEighths_ = 0;
    }
    // A notch is 120 eighths of a degree; a touchpad sends less at a time.
    wheelEighths_ += event->angleDelta().y();
    while (std::abs(wheelEighths_) >= 120) {
        const int direction = wheelEighths_ > 0 ? 1 : -1;
        wheelEighths_ -= direction * 120;
        step_(direction);
    }
    event->accept();
}

void SchematicView::SetSchematic(session::Schematic schematic)
{
    schematic_ = std::move(schematic);
    if (selected_ && *selected_ >= schematic_.parts.size())
        selected_.reset();
    update();
}

void SchematicView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    PaintSchematic(painter, schematic_, QRectF(rect()).adjusted(8, 8, -8, -8), palette());
    if (selected_) {
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(PartArea(Layout(), *selected_), 4, 4);
    }
}

} // namespace tevmar
