#pragma once

#include "report/line.h"

#include <QAbstractScrollArea>
#include <QString>
#include <vector>

namespace tevmar {

// The output pane Tevmar_Out. It keeps the report lines printed since it was
// last cleared and paints them itself, so the report survives being covered
// and uncovered. Column stops count in average character widths of the pane's
// font: column n begins (n - 1) average widths from the left edge, and a stop
// the pen has already passed starts a new line. When a report has more lines
// than the pane shows (long element values wrap their units), a vertical
// scroll bar appears instead of the last lines being cut off.
class OutputPane final : public QAbstractScrollArea
{
  public:
    // A piece of text placed on a row, `x` pixels from the pane's left edge.
    struct Fragment
    {
        int x = 0;
        QString text;
        int column = 0; // the column stop it starts at; 0 when it follows the text before it
    };
    using Row = std::vector<Fragment>;

    explicit OutputPane(QWidget *parent = nullptr);

    void Clear();
    // Prints the lines below those already shown.
    void Print(const LineList &lines);

    // The rows as placed, one per physical line, top to bottom.
    const std::vector<Row> &rows() const { return rows_; }
    // Pixels from the left edge at which column n (counted from 1) begins.
    int ColumnX(int column) const;
    int RowHeight() const;

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

  private:
    void Place(const LineView &line);
    void Relayout();
    void UpdateScrollRange();

    std::vector<LineList> printed_; // every Print since the last Clear, for a relayout
    std::vector<Row> rows_;
};

} // namespace tevmar
