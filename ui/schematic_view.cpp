#include "ui/schematic_view.h"

#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <algorithm>
#include <vector>

namespace tevmar {

namespace {

using session::Symbol;

// The drawing's grid in pixels: one slot per part, a box per termination.
constexpr double kSlot = 84;
constexpr double kBox = 124;
constexpr double kMargin = 16;
constexpr double kTop = 74;     // the upper rail
constexpr double kBottom = 214; // the ground rail
constexpr double kHeight = 300;

double DrawingWidth(const session::Schematic &s)
{
    return 2 * kMargin + 2 * kBox +
           static_cast<double>(std::max<std::size_t>(s.parts.size(), 1)) * kSlot;
}

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

// A resistor, zigzag, vertical from a to b.
void Resistor(QPainter &p, QPointF a, QPointF b)
{
    const double body = 48;
    const double lead = (b.y() - a.y() - body) / 2;
    QPainterPath path(a);
    path.lineTo(a.x(), a.y() + lead);
    for (int k = 0; k < 6; ++k)
        path.lineTo(a.x() + (k % 2 ? -7 : 7), a.y() + lead + body * (k + 0.5) / 6);
    path.lineTo(a.x(), a.y() + lead + body);
    path.lineTo(b);
    p.drawPath(path);
}

void Part(QPainter &p, Symbol symbol, QPointF a, QPointF b)
{
    if (symbol == Symbol::SeriesInductor || symbol == Symbol::ShuntInductor)
        Inductor(p, a, b);
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

void Lines(QPainter &p, QPointF at, const QStringList &lines, Qt::Alignment align,
           const QColor &first, const QColor &rest)
{
    const QFontMetricsF m(p.font());
    double y = at.y();
    for (int k = 0; k < lines.size(); ++k) {
        const double w = m.horizontalAdvance(lines[k]);
        const double x = align & Qt::AlignHCenter ? at.x() - w / 2
                         : align & Qt::AlignRight ? at.x() - w
                                                  : at.x();
        p.setPen(k == 0 ? first : rest);
        p.drawText(QPointF(x, y + m.ascent()), lines[k]);
        y += m.height();
    }
}

// Lines of text, each in its own colour.
void InkLines(QPainter &p, QPointF at, const QStringList &lines, const std::vector<QColor> &inks,
              Qt::Alignment align)
{
    const double height = QFontMetricsF(p.font()).height();
    for (int k = 0; k < lines.size(); ++k) {
        const QColor &ink = inks[static_cast<std::size_t>(k)];
        Lines(p, QPointF(at.x(), at.y() + k * height), {lines[k]}, align, ink, ink);
    }
}

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

// One termination's box: the port resistance to ground, and an absorbed
// load's reactance beside it; `railX` is where the box meets the network.
void PortBox(QPainter &p, const session::SchematicPort &port, double left, const QColor &ink,
             const QColor &muted, const QColor &loadInk)
{
    const bool source = port.port == 1;
    const QRectF box(left, kTop - 44, kBox, kBottom - kTop + 80);
    p.save();
    QPen dashed(muted, 1, Qt::DashLine);
    p.setPen(dashed);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(box, 6, 6);
    p.restore();

    QStringList head = {Q(port.label) +
                            (source ? QStringLiteral(" (high Z)") : QStringLiteral(" (low Z)")),
                        Q(port.resistance)};
    Lines(p, QPointF(box.center().x(), box.top() + 4), head, Qt::AlignHCenter, ink, ink);

    p.setPen(QPen(ink, 1.6));
    const double edge = source ? box.right() : box.left();
    const double resistorX = box.center().x() + (source ? -28 : 28);
    const double tapX = box.center().x() + (source ? 30 : -30); // load's shunt branch
    // The rail from the network into the box.
    double railEnd = resistorX;
    if (port.load && port.load->symbol != Symbol::ShuntInductor &&
        port.load->symbol != Symbol::ShuntCapacitor) {
        // A series load in line between the box's edge and the resistance.
        const double from = edge;
        const double to = resistorX;
        const double a = std::min(from, to) + 10, b = std::max(from, to) - 10;
        p.drawLine(QPointF(from, kTop), QPointF(source ? b : a, kTop));
        p.setPen(QPen(loadInk, 1.8));
        Part(p, port.load->symbol, QPointF(a, kTop), QPointF(b, kTop));
        p.setPen(QPen(ink, 1.6));
        p.drawLine(QPointF(source ? a : b, kTop), QPointF(to, kTop));
        Lines(p, QPointF((a + b) / 2, kTop + 16), {QStringLiteral("load"), Q(port.load->value)},
              Qt::AlignHCenter, loadInk, loadInk);
        railEnd = edge;
    } else {
        p.drawLine(QPointF(edge, kTop), QPointF(resistorX, kTop));
    }
    (void)railEnd;
    Resistor(p, QPointF(resistorX, kTop), QPointF(resistorX, kBottom));
    Dot(p, QPointF(resistorX, kTop));
    p.drawLine(QPointF(resistorX, kBottom), QPointF(edge, kBottom));
    Ground(p, QPointF(resistorX, kBottom));
    Lines(p, QPointF(resistorX + (source ? -12 : 12), (kTop + kBottom) / 2 - 8),
          {QStringLiteral("R")}, source ? Qt::AlignRight : Qt::AlignLeft, ink, ink);

    if (port.load && (port.load->symbol == Symbol::ShuntInductor ||
                      port.load->symbol == Symbol::ShuntCapacitor)) {
        p.setPen(QPen(loadInk, 1.8));
        Part(p, port.load->symbol, QPointF(tapX, kTop), QPointF(tapX, kBottom));
        Dot(p, QPointF(tapX, kTop));
        Dot(p, QPointF(tapX, kBottom));
        Lines(p, QPointF(tapX + (source ? -14 : 14), (kTop + kBottom) / 2 + 22),
              {QStringLiteral("load"), Q(port.load->value)},
              source ? Qt::AlignRight : Qt::AlignLeft, loadInk, loadInk);
    }
    Lines(p, QPointF(box.center().x(), box.bottom() - 20),
          {port.load ? QStringLiteral("absorbed load")
                     : (source ? QStringLiteral("source") : QStringLiteral("load"))},
          Qt::AlignHCenter, muted, muted);
}

} // namespace

QPalette PaperPalette()
{
    QPalette palette;
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    return palette;
}

QSize SchematicSize(const session::Schematic &s)
{
    return QSize(static_cast<int>(DrawingWidth(s)), static_cast<int>(kHeight));
}

void PaintSchematic(QPainter &p, const session::Schematic &s, const QRectF &area,
                    const QPalette &palette)
{
    const QColor ground = palette.color(QPalette::Base);
    const QColor ink = palette.color(QPalette::Text);
    const bool dark = ground.lightness() < 128;
    const QColor muted = dark ? QColor(160, 160, 160) : QColor(110, 110, 110);
    const QColor loadInk = dark ? QColor(120, 190, 255) : QColor(0, 80, 180);
    const QColor standardInk = dark ? QColor(110, 210, 130) : QColor(0, 130, 50);
    const QColor tunedInk = dark ? QColor(100, 200, 255) : QColor(0, 135, 215);
    p.save();
    p.fillRect(area, ground);
    p.setRenderHint(QPainter::Antialiasing);
    const double width = DrawingWidth(s);
    const double scale = std::min(area.width() / width, area.height() / kHeight);
    p.translate(area.left() + (area.width() - width * scale) / 2,
                area.top() + (area.height() - kHeight * scale) / 2);
    p.scale(scale, scale);

    const double first = kMargin + kBox;
    const double last = first + static_cast<double>(s.parts.size()) * kSlot;
    PortBox(p, s.source, kMargin, ink, muted, loadInk);
    PortBox(p, s.load, last, ink, muted, loadInk);

    p.setPen(QPen(ink, 1.6));
    p.drawLine(QPointF(first, kBottom), QPointF(last, kBottom)); // the ground rail
    for (std::size_t k = 0; k < s.parts.size(); ++k) {
        const session::SchematicPart &part = s.parts[k];
        const double left = first + static_cast<double>(k) * kSlot;
        const double mid = left + kSlot / 2;
        QStringList label = {Q(part.name), Q(part.value)};
        std::vector<QColor> inks = {ink, ink};
        if (!part.standard.empty()) {
            label << Q(s.standardSeries) + QStringLiteral(" ") + Q(part.standard);
            inks.push_back(standardInk);
        }
        if (!part.tuned.empty()) {
            label << Q(s.tunedName) + QStringLiteral(" ") + Q(part.tuned);
            inks.push_back(tunedInk);
        }
        // Labels above a series part grow upwards, away from the wire.
        const double extraLines = std::max(0.0, static_cast<double>(label.size()) - 3);
        const double lineHeight = QFontMetricsF(p.font()).height();
        p.setPen(QPen(ink, 1.6));
        if (part.symbol == Symbol::SeriesInductor || part.symbol == Symbol::SeriesCapacitor) {
            Part(p, part.symbol, QPointF(left, kTop), QPointF(left + kSlot, kTop));
            InkLines(p, QPointF(mid, kTop - 62 - extraLines * lineHeight), label, inks,
                     Qt::AlignHCenter);
        } else {
            p.drawLine(QPointF(left, kTop), QPointF(left + kSlot, kTop));
            Part(p, part.symbol, QPointF(mid, kTop), QPointF(mid, kBottom));
            Dot(p, QPointF(mid, kTop));
            Dot(p, QPointF(mid, kBottom));
            InkLines(p, QPointF(mid + 16, (kTop + kBottom) / 2 - 22 - extraLines * lineHeight / 2),
                     label, inks, Qt::AlignLeft);
        }
    }
    QString key = QStringLiteral("Values as printed");
    if (!s.standardSeries.empty())
        key += QStringLiteral("; ") + Q(s.standardSeries) +
               QStringLiteral(" standard values in green");
    if (!s.tunedName.empty())
        key += QStringLiteral("; ") + Q(s.tunedName) + QStringLiteral(" values in light blue");
    Lines(p, QPointF(kMargin, kHeight - 22), {key}, Qt::AlignLeft, muted, muted);
    p.restore();
}

QImage SchematicImage(const session::Schematic &s, const QPalette &palette, int scale)
{
    const QSize size = SchematicSize(s) * scale;
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
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

SchematicView::SchematicView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SchematicView::SetSchematic(session::Schematic schematic)
{
    schematic_ = std::move(schematic);
    update();
}

void SchematicView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    PaintSchematic(painter, schematic_, QRectF(rect()).adjusted(8, 8, -8, -8), palette());
}

} // namespace tevmar
