#include "ui/output_pane.h"
#include "ui_test_support.h"

#include <QScrollBar>
#include <memory>

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
    // Prints one report line built by `build` on a new line of its own.
    template <class Build> void Print(Build build)
    {
        LineList lines;
        build(lines.NewLine());
        pane.Print(lines);
    }
    OutputPane pane;
    int avg = 0;
    int space = 0;
};

TEST_F(Pane, ColumnStopsCountInAverageCharacterWidths)
{
    Print([](LineList &l) { l.Text("LP=").Column(6).Number(12.5).Column(15).Text(" Nano-Henry"); });
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
    Print([](LineList &l) { l.Text("Qt=").Text("1.4142").Spaces(2).Text("x"); });
    const OutputPane::Row &row = pane.rows()[0];
    ASSERT_EQ(row.size(), 3u);
    EXPECT_EQ(row[1].x, Width("Qt="));
    EXPECT_EQ(row[1].column, 0);
    EXPECT_EQ(row[2].x, Width("Qt=") + Width("1.4142") + Width("  "));
}

TEST_F(Pane, AStopThePenHasPassedStartsANewLine)
{
    // Exactly at the stop: no break. Past it: the unit goes to a new row at the stop.
    Print([](LineList &l) { l.Column(3).Column(3).Text("c"); });
    ASSERT_EQ(pane.rows().size(), 1u);
    EXPECT_EQ(pane.rows()[0][0].x, 2 * avg);
    Print([](LineList &l) { l.Text("R =").Column(6).Number(123456.789).Column(15).Text(" Ohms"); });
    ASSERT_EQ(pane.rows().size(), 3u);
    ASSERT_EQ(pane.rows()[2].size(), 1u);
    EXPECT_EQ(pane.rows()[2][0].x, 14 * avg);
    EXPECT_EQ(pane.rows()[2][0].text, " Ohms");
    EXPECT_EQ(pane.rows()[1].size(), 2u);
}

TEST_F(Pane, ClearingEmptiesThePaneAndTheNextLineStartsAtTheTop)
{
    Print([](LineList &l) { l.Text("one"); });
    pane.Clear();
    EXPECT_TRUE(pane.rows().empty());
    Print([](LineList &l) { l.Text("two"); });
    ASSERT_EQ(pane.rows().size(), 1u);
    EXPECT_EQ(pane.rows()[0][0].text, "two");
    pane.Clear();
    EXPECT_TRUE(pane.rows().empty()); // cleared with no line printed
}

TEST_F(Pane, ScrollsOnlyWhenTheLinesOutgrowIt)
{
    const int visible = pane.viewport()->height() / pane.RowHeight();
    for (int i = 0; i < visible; ++i)
        Print([](LineList &l) { l.Text("line"); });
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), 0);
    Print([](LineList &l) { l.Text("one more"); });
    Print([](LineList &l) { l.Text("and another"); });
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), 2);
    pane.verticalScrollBar()->setValue(2);
    pane.Clear();
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(pane.verticalScrollBar()->value(), 0);
}

TEST_F(Pane, KeepsItsLinesAcrossAFontChange)
{
    auto lines = std::make_unique<LineList>();
    lines->NewLine().Text("LP=").Column(6).Text("x");
    lines->NewLine().Text("CS=");
    pane.Print(*lines);
    lines.reset(); // the pane keeps lines of its own
    QFont wider = pane.font();
    wider.setPixelSize(18);
    pane.setFont(wider);
    ASSERT_EQ(pane.rows().size(), 2u);
    EXPECT_EQ(pane.rows()[0][1].x, 5 * QFontMetrics(wider).averageCharWidth());
    EXPECT_EQ(pane.rows()[1][0].text, "CS=");
}

TEST_F(Pane, PaintsItsLines)
{
    Print([](LineList &l) { l.Text("Qt=1.4142"); });
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
