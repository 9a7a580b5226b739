// The Response window's parts: chip models typed as the command line takes
// them, the network as built drawn beside the ideal one, the choice kept for
// the next session, and parts stepped from the schematic or the step table.

#include "response_test_support.h"
#include "session/views/part_choice.h"
#include "ui/plot_widget.h"
#include "ui/response_views.h"
#include "ui/response_window.h"
#include "ui/schematic_view.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace tevmar::test {
namespace {

const session::PartChoice kChips{session::PartSource::ChipModels, "55@1.5GHz,0.157pF",
                                 "0.45nH,0.12@1GHz", "0.05pF"};

QStringList SeriesNames(const ResponseWindow &w)
{
    QStringList names;
    for (const PlotSeries &s : w.plot().data().series)
        names << s.name;
    return names;
}

QStringList FigureNames(const ResponseWindow &w)
{
    const auto *table = w.findChild<QTableWidget *>(QStringLiteral("figures"));
    QStringList names;
    for (int row = 0; row < table->rowCount(); ++row)
        names << table->item(row, 0)->text();
    return names;
}

TEST(ResponseParts, ChipModelsDrawTheNetworkAsBuiltBesideTheIdealOneAndAreRemembered)
{
    {
        ResponseWindow w(session::ResponseSettings{});
        w.ShowDesign(Solve(ShuntRc1pF()));
        EXPECT_EQ(SeriesNames(w).filter(QStringLiteral("ideal parts")).size(), 0);

        w.SetPartChoice(kChips);
        EXPECT_EQ(w.partProblem(), QString());
        ASSERT_TRUE(w.settings().inductorChip && w.settings().capacitorChip);
        EXPECT_EQ(w.settings().padPf, 0.05);
        EXPECT_TRUE(SeriesNames(w).contains(QStringLiteral("Full precision, as built")));
        EXPECT_TRUE(SeriesNames(w).contains(QStringLiteral("Full precision, ideal parts")));
        EXPECT_TRUE(FigureNames(w).contains(QStringLiteral("As built, loss")));

        // A pad without its unit is refused in the command line's words, and
        // the models before stay in force.
        session::PartChoice bad = kChips;
        bad.pad = "0.05";
        const session::ResponseSettings before = w.settings();
        w.SetPartChoice(bad);
        EXPECT_TRUE(w.partProblem().startsWith(QStringLiteral("--pad: ")))
            << w.partProblem().toStdString();
        EXPECT_TRUE(w.findChild<QLabel *>(QStringLiteral("partProblem"))->isVisibleTo(&w));
        EXPECT_EQ(w.settings(), before);
        EXPECT_EQ(w.partChoice(), kChips);
    }
    // The next window starts from the parts chosen last.
    ResponseWindow next(session::ResponseSettings{});
    EXPECT_EQ(next.partChoice(), kChips);
    EXPECT_TRUE(next.settings().inductorChip);
    next.SetPartChoice({});
    EXPECT_FALSE(next.settings().inductorChip || next.settings().capacitorChip);
    EXPECT_EQ(next.settings().padPf, 0);
}

TEST(ResponseParts, APartClickedInTheSchematicIsSteppedAndEveryViewFollows)
{
    ResponseWindow w(session::ResponseSettings{});
    w.SetPartChoice({});
    w.ShowDesign(Solve(ShuntRc1pF()));
    w.show();
    SchematicView &schematic = w.views().schematic();
    w.views().tabs().setCurrentWidget(&schematic);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    const std::vector<analysis::SweepPoint> before = w.response().curves[0].points;
    const std::string valueBefore = schematic.schematic().parts[1].value;
    const QPointF at = PartArea(schematic.Layout(), 1).center();
    QTest::mouseClick(&schematic, Qt::LeftButton, {}, at.toPoint());
    ASSERT_EQ(w.steps().selected(), 1u);
    EXPECT_EQ(schematic.selected(), 1u);
    const QTableWidget &table = w.views().stepTable();
    ASSERT_EQ(table.selectedItems().size(), 3);
    EXPECT_EQ(table.selectedItems().front()->row(), 1);

    QTest::keyClick(&schematic, Qt::Key_Plus);
    EXPECT_DOUBLE_EQ(w.steps().factor(1), 1.01); // the first step size, 1 %
    EXPECT_NE(w.response().curves[0].points[10].s.s11, before[10].s.s11);
    EXPECT_NE(schematic.schematic().parts[1].value, valueBefore);
    EXPECT_TRUE(table.item(1, 2)->text().endsWith(QStringLiteral("(+1 %)")));
    EXPECT_FALSE(FigureNames(w).filter(QStringLiteral("Stepped: ")).isEmpty());
    EXPECT_GT(w.lastStepMs(), 0);

    // The buttons step by the size chosen, and back to the drawn values.
    w.findChild<QPushButton *>(QStringLiteral("stepDown"))->click();
    EXPECT_EQ(w.steps().factor(1), 1);
    EXPECT_EQ(w.response().curves[0].points[10].s.s11, before[10].s.s11);
    QTest::keyClick(&schematic, Qt::Key_Right); // the next part
    EXPECT_EQ(w.steps().selected(), 2u);
    w.findChild<QPushButton *>(QStringLiteral("stepUp"))->click();
    EXPECT_TRUE(w.steps().any());
    w.findChild<QPushButton *>(QStringLiteral("stepReset"))->click();
    EXPECT_FALSE(w.steps().any());
    for (std::size_t i = 0; i < before.size(); ++i)
        ASSERT_EQ(w.response().curves[0].points[i].s.s11, before[i].s.s11);
    EXPECT_TRUE(FigureNames(w).filter(QStringLiteral("Stepped: ")).isEmpty());

    // A click beside every part clears the selection; the keys then do nothing.
    QTest::mouseClick(&schematic, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(w.steps().selected());
    QTest::keyClick(&schematic, Qt::Key_Plus);
    EXPECT_FALSE(w.steps().any());
}

void WaitForTune(const ResponseWindow &w)
{
    for (int i = 0; i < 3000 && w.tuneRunning(); ++i)
        QTest::qWait(5);
}

TEST(ResponseParts, TheTuneFollowsTheParts)
{
    ResponseWindow w(session::ResponseSettings{});
    w.SetPartChoice({});
    w.ShowDesign(Solve(ShuntRc1pF()));
    w.findChild<QCheckBox *>(QStringLiteral("tune"))->setChecked(true);
    WaitForTune(w);
    ASSERT_TRUE(w.tuned() && w.tuned()->tuned);
    const analysis::Network ideal = w.tuned()->tuned->tuned.network;

    // Tuned with ideal parts is not tuned for these: the tune runs again.
    w.SetPartChoice(kChips);
    EXPECT_TRUE(w.tuneRunning() || !w.tuned());
    WaitForTune(w);
    ASSERT_TRUE(w.tuned() && w.tuned()->tuned);
    const analysis::Network built = w.tuned()->tuned->tuned.network;
    ASSERT_EQ(built.parts.size(), ideal.parts.size());
    bool moved = false;
    for (std::size_t i = 0; i < built.parts.size(); ++i)
        moved = moved || built.parts[i].value != ideal.parts[i].value;
    EXPECT_TRUE(moved);
}

} // namespace
} // namespace tevmar::test
