#include "ui/output_pane.h"

#include "report/number_text.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>
#include <variant>

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
    void operator()(const TextItem &item) { Put(QString::fromStdString(item.text)); }
    void operator()(const NumberItem &item)
    {
        Put(QString::fromStdString(NumberItemText(item.value)));
    }
    void operator()(const SpacesItem &item)
    {
        if (item.count > 0) {
            pen += metrics.horizontalAdvance(QString(item.count, QLatin1Char(' ')));
            column = 0;
        }
    }
    void operator()(const ColumnItem &item)
    {
        const int stop = (item.column - 1) * metrics.averageCharWidth();
        if (pen > stop)
            rows.emplace_back();
        pen = stop;
        column = item.column;
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
    lines_.clear();
    rows_.clear();
    UpdateScrollRange();
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

void OutputPane::Print(const Line &line)
{
    lines_.push_back(line);
    Place(line);
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

void OutputPane::Place(const Line &line)
{
    const QFontMetrics metrics(font());
    rows_.emplace_back();
    Placer placer{metrics, rows_};
    for (const LineItem &item : line)
        std::visit(placer, item);
}

void OutputPane::Relayout()
{
    rows_.clear();
    for (const Line &line : lines_)
        Place(line);
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
