#include "ui/output_pane.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>

namespace tevmar {

namespace {

// Lays out the items of one report line from the pen position onwards.
struct Placer
{
    const QFontMetrics &metrics;
    std::vector<OutputPane::Row> &rows;
    int pen = 0;
    int column = 0; // set by a column item, consumed by the text placed there

    void Put(const QString &text)
    {
        OutputPane::Fragment fragment;
        fragment.x = pen;
        fragment.text = text;
        fragment.column = column;
        rows.back().push_back(std::move(fragment));
        pen += metrics.horizontalAdvance(text);
        column = 0;
    }
    void Place(const LineView &line, const LineItem &item)
    {
        switch (item.kind) {
        case LineItem::Kind::Text: {
            const std::string_view text = line.TextOf(item);
            Put(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
            break;
        }
        case LineItem::Kind::Spaces:
            if (item.size > 0) {
                pen += metrics.horizontalAdvance(
                    QString(static_cast<qsizetype>(item.size), QLatin1Char(' ')));
                column = 0;
            }
            break;
        case LineItem::Kind::Column: {
            const int stop = (static_cast<int>(item.size) - 1) * metrics.averageCharWidth();
            if (pen > stop)
                rows.emplace_back();
            pen = stop;
            column = static_cast<int>(item.size);
            break;
        }
        }
    }
};

} // namespace

OutputPane::OutputPane(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
}

void OutputPane::Clear()
{
    printed_.clear();
    rows_.clear();
    UpdateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void OutputPane::Print(const LineList &lines)
{
    printed_.push_back(lines);
    for (std::size_t k = 0; k < lines.size(); ++k)
        Place(lines[k]);
    UpdateScrollRange();
    viewport()->update();
}

int OutputPane::ColumnX(int column) const
{
    return (column - 1) * QFontMetrics(font()).averageCharWidth();
}

int OutputPane::RowHeight() const
{
    return QFontMetrics(font()).lineSpacing();
}

void OutputPane::Place(const LineView &line)
{
    const QFontMetrics metrics(font());
    rows_.emplace_back();
    Placer placer{metrics, rows_};
    for (const LineItem &item : line.items)
        placer.Place(line, item);
}

void OutputPane::Relayout()
{
    rows_.clear();
    for (const LineList &lines : printed_)
        for (std::size_t k = 0; k < lines.size(); ++k)
            Place(lines[k]);
    UpdateScrollRange();
    viewport()->update();
}

void OutputPane::UpdateScrollRange()
{
    const int rowHeight = RowHeight();
    const int visibleRows = rowHeight > 0 ? viewport()->height() / rowHeight : 0;
    const int hidden = static_cast<int>(rows_.size()) - visibleRows;
    verticalScrollBar()->setRange(0, hidden > 0 ? hidden : 0);
    verticalScrollBar()->setPageStep(visibleRows > 0 ? visibleRows : 1);
    verticalScrollBar()->setSingleStep(1);
}

void OutputPane::paintEvent(QPaintEvent *)
{
    QPainter painter(viewport());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics(font());
    const int rowHeight = metrics.lineSpacing();
    const int first = verticalScrollBar()->value();
    for (std::size_t r = static_cast<std::size_t>(first); r < rows_.size(); ++r) {
        const int top = static_cast<int>(r - static_cast<std::size_t>(first)) * rowHeight;
        if (top >= viewport()->height())
            break;
        for (const Fragment &fragment : rows_[r])
            painter.drawText(fragment.x, top + metrics.ascent(), fragment.text);
    }
}

void OutputPane::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
}

void OutputPane::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        Relayout();
}

} // namespace tevmar
