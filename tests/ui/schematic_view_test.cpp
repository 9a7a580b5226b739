// The schematic's text is legible at the window's font size wherever it is
// drawn: no label lies over another or over a termination's box, in the
// default window, a large one and the saved picture's natural size.

#include "response_test_support.h"
#include "session/views/response.h"
#include "ui/schematic_view.h"

#include <QApplication>
#include <QFontMetricsF>
#include <gtest/gtest.h>

namespace tevmar::test {
namespace {

// The design's parts with E24 values and a second set standing in for a
// tune, so that every part carries four lines.
session::Schematic FullLabels(const DesignInputs &inputs)
{
    const session::CalculateOutcome design = Solve(inputs);
    EXPECT_TRUE(design.solved());
    session::ResponseSettings settings;
    settings.eseries = analysis::ESeries::E24;
    const session::Response r = session::ComputeResponse(design, settings, session::Trials::Later);
    EXPECT_TRUE(r.analysis.standardValues);
    const analysis::Network &e24 = r.analysis.standardValues->ladder;
    return session::SchematicOf(r.analysis.printed, {&e24, "E24", true}, {&e24, "Tuned E24", true});
}

std::string Lines(const SchematicLabel &label)
{
    return label.lines.join(QStringLiteral(" / ")).toStdString();
}

void ExpectLegible(const session::Schematic &s, const QRectF &area, const char *where)
{
    const QFont font = QApplication::font();
    const SchematicLayout l = LayOutSchematic(s, area, font);
    SCOPED_TRACE(where);
    const double line = QFontMetricsF(font).height();
    for (std::size_t a = 0; a < l.labels.size(); ++a) {
        const SchematicLabel &label = l.labels[a];
        // Text at the font's own size, inside the area.
        EXPECT_DOUBLE_EQ(label.rect.height(), static_cast<double>(label.lines.size()) * line);
        EXPECT_TRUE(area.contains(label.rect)) << Lines(label);
        for (std::size_t b = a + 1; b < l.labels.size(); ++b)
            EXPECT_FALSE(label.rect.intersects(l.labels[b].rect))
                << Lines(label) << " over " << Lines(l.labels[b]);
        for (int box = 0; box < 2; ++box) {
            const int owner = box == 0 ? SchematicLayout::kSourceBox : SchematicLayout::kLoadBox;
            if (label.owner == owner)
                EXPECT_TRUE(l.boxes[box].contains(label.rect)) << Lines(label);
            else
                EXPECT_FALSE(l.boxes[box].intersects(label.rect)) << Lines(label);
        }
    }
}

TEST(SchematicLayout, NoLabelOverAnotherOrOverAPortBox)
{
    // The order-8 design absorbing a shunt 1 pF at port 1, and an order-4
    // one absorbing a series inductance in port 2's box.
    const session::Schematic shunt = FullLabels(ShuntRc1pF());
    const session::Schematic series =
        FullLabels({"1", "2", "50", "10", 4, LoadType::SeriesRL, true, "0.5"});
    for (const session::Schematic *s : {&shunt, &series}) {
        ExpectLegible(*s, QRectF(8, 8, 524, 560), "the default window's tab");
        ExpectLegible(*s, QRectF(8, 8, 1400, 800), "a large window");
        ExpectLegible(*s, QRectF(QPointF(0, 0), QSizeF(SchematicSize(*s))), "the saved picture");
    }
    // The long ladder runs over rows in the default window, and the symbols
    // keep a useful size.
    const SchematicLayout l = LayOutSchematic(shunt, QRectF(8, 8, 524, 560), QApplication::font());
    EXPECT_GT(l.rows.size(), 1u);
    EXPECT_GE(l.unit, 0.6);
    EXPECT_EQ(l.connectors.size(), 2 * (l.rows.size() - 1));
    // A four-part network stays one ladder on one row.
    const SchematicLayout small =
        LayOutSchematic(series, QRectF(8, 8, 524, 560), QApplication::font());
    EXPECT_EQ(small.rows.size(), 1u);
    EXPECT_TRUE(small.connectors.empty());
}

} // namespace
} // namespace tevmar::test
