// A part's point dragged along its arc on the Response window's Smith chart,
// the wheel over a schematic symbol, Undo (its button and Ctrl+Z) and Back
// to tuned, as an engineer uses them with the mouse.

#include "response_test_support.h"
#include "session/views/drag.h"
#include "session/views/smith.h"
#include "ui/response_views.h"
#include "ui/response_window.h"
#include "ui/schematic_view.h"
#include "ui/smith_chart.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace tevmar::test {
namespace {

double Distance(QPointF a, QPointF b)
{
    const QPointF d = a - b;
    return std::hypot(d.x(), d.y());
}

TEST(PartDrag, ThePointFollowsThePointerAlongItsArcAndUndoPutsItBack)
{
    ResponseWindow w(session::ResponseSettings{});
    w.SetPartChoice({});
    w.ShowDesign(Solve(ShuntRc1pF()));
    w.show();
    SmithChart &smith = w.views().smith();
    w.views().tabs().setCurrentWidget(&smith);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(smith.path());
    const session::SmithPath before = *smith.path();
    const std::vector<analysis::SweepPoint> curve = w.response().curves[0].points;

    // Take hold of the third part's point and move the pointer halfway back
    // along that part's arc: the point comes to the pointer.
    const std::size_t point = 3;
    const std::string name = before.points[point].after;
    const session::SmithPathArc &arc = before.arcs[point - 1];
    const QPoint press = smith.PathPointAt(point).toPoint();
    const QPoint halfway = smith.PathSampleAt(point - 1, arc.z.size() / 2).toPoint();
    QTest::mousePress(&smith, Qt::LeftButton, {}, press);
    ASSERT_EQ(smith.draggedPart(), name);
    QTest::mouseMove(&smith, halfway);
    EXPECT_LT(Distance(smith.PathPointAt(point), halfway), 2.0);
    EXPECT_EQ(smith.path()->points[point].after, name);
    QTest::mouseRelease(&smith, Qt::LeftButton, {}, halfway);
    EXPECT_FALSE(smith.draggedPart());

    // Every view follows: the curves, the step table, and one change to undo.
    const std::optional<std::size_t> index =
        session::PartNamed(w.response().curves[0].network, name);
    ASSERT_TRUE(index);
    EXPECT_TRUE(w.steps().moved(*index));
    EXPECT_EQ(w.steps().selected(), index);
    EXPECT_NE(w.response().curves[0].points[10].s.s11, curve[10].s.s11);
    EXPECT_TRUE(w.response().stepped);
    EXPECT_EQ(w.history().size(), 1u);
    auto *undo = w.findChild<QPushButton *>(QStringLiteral("stepUndo"));
    ASSERT_NE(undo, nullptr);
    EXPECT_TRUE(undo->isEnabled());

    // Ctrl+Z: every value as before the drag, to the last bit.
    QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(w.steps().any());
    EXPECT_EQ(w.response().curves[0].points[10].s.s11, curve[10].s.s11);
    for (std::size_t k = 0; k < before.points.size(); ++k)
        EXPECT_EQ(smith.path()->points[k].z, before.points[k].z) << k;
    EXPECT_FALSE(undo->isEnabled());
}

TEST(PartDrag, TheWheelOverASymbolStepsItAndBackToTunedUndoesEveryStep)
{
    ResponseWindow w(session::ResponseSettings{});
    w.SetPartChoice({});
    w.ShowDesign(Solve(ShuntRc1pF()));
    w.show();
    SchematicView &schematic = w.views().schematic();
    w.views().tabs().setCurrentWidget(&schematic);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const std::vector<analysis::SweepPoint> curve = w.response().curves[0].points;

    // Two notches up over the third part: two 1 % steps, each undoable.
    const QPointF at = PartArea(schematic.Layout(), 2).center();
    QWheelEvent wheel(at, schematic.mapToGlobal(at), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&schematic, &wheel);
    EXPECT_EQ(w.steps().selected(), 2u);
    EXPECT_DOUBLE_EQ(w.steps().factor(2), 1.01 * 1.01);
    EXPECT_TRUE(w.views().stepTable().item(2, 2)->text().endsWith(QStringLiteral("(+2.01 %)")))
        << w.views().stepTable().item(2, 2)->text().toStdString();
    EXPECT_EQ(w.history().size(), 2u);

    // Without a tune, Back to tuned is the drawn values, and undoable too.
    w.findChild<QPushButton *>(QStringLiteral("backToTuned"))->click();
    EXPECT_FALSE(w.steps().any());
    EXPECT_EQ(w.response().curves[0].points[10].s.s11, curve[10].s.s11);
    w.findChild<QPushButton *>(QStringLiteral("stepUndo"))->click();
    EXPECT_DOUBLE_EQ(w.steps().factor(2), 1.01 * 1.01);
}

} // namespace
} // namespace tevmar::test
