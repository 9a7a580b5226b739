#include "ui/output_pane.h"
#include "ui_test_support.h"

#include <QScrollBar>

namespace tevmar::test {
namespace {

// A pane in a known font: Liberation Sans 9 px has an average width of 5 px.
class Pane : public testing::Test
{
  protected:
    Pane()
    {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(9);
        pane.setFont(font);
        pane.resize(201, 277);
        avg = QFontMetrics(font).averageCharWidth();
        space = QFontMetrics(font).horizontalAdvance(QLatin1Char(' '));
    }
    int Width(const char *text) const
    {
        return QFontMetrics(pane.font()).horizontalAdvance(QString::fromLatin1(text));
    }
    OutputPane pane;
    int avg = 0;
    int space = 0;
};

TEST_F(Pane, ColumnStopsCountInAverageCharacterWidths)
{
    pane.Print({Text("LP="), Column(6), Number(12.5), Column(15), Text(" Nano-Henry")});
    ASSERT_EQ(pane.rows().size(), 1u);
    const OutputPane::Row &row = pane.rows()[0];
    ASSERT_EQ(row.size(), 3u);
    EXPECT_EQ(row[0].x, 0);
    EXPECT_EQ(row[1].x, 5 * avg);
    EXPECT_EQ(row[1].text, " 12.5 "); // sign position, shortest digits, one blank
    EXPECT_EQ(row[2].x, 14 * avg);
    EXPECT_EQ(row[2].column, 15);
}

TEST_F(Pane, TextFollowsThePenAndSpacesMoveIt)
{
    pane.Print({Text("Qt="), Text("1.4142"), Spaces(2), Text("x")});
    const OutputPane::Row &row = pane.rows()[0];
    ASSERT_EQ(row.size(), 3u);
    EXPECT_EQ(row[1].x, Width("Qt="));
    EXPECT_EQ(row[1].column, 0);
    EXPECT_EQ(row[2].x, Width("Qt=") + Width("1.4142") + Width("  "));
}

TEST_F(Pane, AStopThePenHasPassedStartsANewLine)
{
    // Exactly at the stop: no break. Past it: the unit goes to a new row at the stop.
    pane.Print({Column(3), Column(3), Text("c")});
    ASSERT_EQ(pane.rows().size(), 1u);
    EXPECT_EQ(pane.rows()[0][0].x, 2 * avg);
    pane.Print({Text("R ="), Column(6), Number(123456.789), Column(15), Text(" Ohms")});
    ASSERT_EQ(pane.rows().size(), 3u);
    ASSERT_EQ(pane.rows()[2].size(), 1u);
    EXPECT_EQ(pane.rows()[2][0].x, 14 * avg);
    EXPECT_EQ(pane.rows()[2][0].text, " Ohms");
    EXPECT_EQ(pane.rows()[1].size(), 2u);
}

TEST_F(Pane, ClearingEmptiesThePaneAndTheNextLineStartsAtTheTop)
{
    pane.Print({Text("one")});
    pane.Clear();
    EXPECT_TRUE(pane.rows().empty());
    pane.Print({Text("two")});
    ASSERT_EQ(pane.rows().size(), 1u);
    EXPECT_EQ(pane.rows()[0][0].text, "two");
    pane.Clear();
    EXPECT_TRUE(pane.rows().empty()); // cleared with no line printed
}

TEST_F(Pane, ScrollsOnlyWhenTheLinesOutgrowIt)
{
    const int visible = pane.viewport()->height() / pane.RowHeight();
    for (int i = 0; i < visible; ++i)
        pane.Print({Text("line")});
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), 0);
    pane.Print({Text("one more")});
    pane.Print({Text("and another")});
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), 2);
    pane.verticalScrollBar()->setValue(2);
    pane.Clear();
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(pane.verticalScrollBar()->value(), 0);
}

TEST_F(Pane, KeepsItsLinesAcrossAFontChange)
{
    pane.Print({Text("LP="), Column(6), Text("x")});
    QFont wider = pane.font();
    wider.setPixelSize(18);
    pane.setFont(wider);
    ASSERT_EQ(pane.rows().size(), 1u);
    EXPECT_EQ(pane.rows()[0][1].x, 5 * QFontMetrics(wider).averageCharWidth());
}

TEST_F(Pane, PaintsItsLines)
{
    pane.Print({Text("Qt=1.4142")});
    QImage image(pane.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    pane.render(&image);
    // Some dark pixels inside the first row, none far below it.
    auto dark = [&](int top, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 1; x < 60; ++x)
                count += qGray(image.pixel(x, y)) < 128;
        return count;
    };
    EXPECT_GT(dark(1, 1 + pane.RowHeight()), 10);
    EXPECT_EQ(dark(40, 60), 0);
}

} // namespace
} // namespace tevmar::test
