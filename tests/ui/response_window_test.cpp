#include "ui/main_window.h"
#include "ui/plot_widget.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "ui_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSpinBox>
#include <QTableWidget>

namespace tevmar::test {
namespace {

using Command = ResultTools::Command;

class ResponseWindowTest : public InScratchDirectory
{
  protected:
    static void Calculate(MainWindow &w, const char *f1, const char *f2, const char *zlow,
                          const char *order = "N4")
    {
        Type(w, "F1_text", QString::fromLatin1(f1));
        Type(w, "F2_text", QString::fromLatin1(f2));
        Type(w, "Zhigh_text", QStringLiteral("50"));
        Type(w, "Zlow_text", QString::fromLatin1(zlow));
        Click(w, order);
        Click(w, "Calc_BP");
    }

    static ResponseWindow &Open(MainWindow &w)
    {
        w.tools().action(Command::Response)->trigger();
        ResponseWindow *window = w.tools().responseWindow();
        EXPECT_NE(window, nullptr);
        return *window;
    }

    static QString Banner(const ResponseWindow &r)
    {
        return r.findChild<QLabel *>(QStringLiteral("designBanner"))->text();
    }

    static int OpenResponseWindows()
    {
        int count = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            count += dynamic_cast<ResponseWindow *>(window) && window->isVisible();
        return count;
    }

    static QStringList FigureNames(const ResponseWindow &r)
    {
        const auto *table = r.findChild<QTableWidget *>(QStringLiteral("figures"));
        QStringList names;
        for (int row = 0; row < table->rowCount(); ++row)
            names << table->item(row, 0)->text();
        return names;
    }

    template <class Control> static Control *Find(const ResponseWindow &r, const char *name)
    {
        auto *control = r.findChild<Control *>(QString::fromLatin1(name));
        if (!control)
            ADD_FAILURE() << "no control " << name;
        return control;
    }
};

TEST_F(ResponseWindowTest, OneWindowFollowsEachCalculate)
{
    MainWindow w;
    Calculate(w, "1", "2", "10", "N8");
    ResponseWindow &r = Open(w);
    Open(w);
    EXPECT_EQ(OpenResponseWindows(), 1);
    EXPECT_EQ(Banner(r), QStringLiteral("Order 8, 1 to 2 GHz, 50 \u03A9 to 10 \u03A9, "
                                        "nothing absorbed"));
    EXPECT_EQ(r.response().frequenciesHz.front(), 0.5e9);
    EXPECT_EQ(r.plot().data().series.size(), 2u);

    Calculate(w, "2", "4", "20", "N4");
    EXPECT_EQ(w.tools().responseWindow(), &r);
    EXPECT_FALSE(r.stale());
    EXPECT_EQ(Banner(r), QStringLiteral("Order 4, 2 to 4 GHz, 50 \u03A9 to 20 \u03A9, "
                                        "nothing absorbed"));
    EXPECT_EQ(r.response().frequenciesHz.front(), 1e9);
    EXPECT_EQ(r.plot().data().bandLowGhz, 2.0);
    EXPECT_EQ(Find<QDoubleSpinBox>(r, "sweepFrom")->text(), QStringLiteral("1.0000 GHz"));
}

TEST_F(ResponseWindowTest, AFailedCalculateMarksTheShownDesignAsNotCurrent)
{
    MainWindow w;
    Calculate(w, "1", "2", "10");
    ResponseWindow &r = Open(w);
    const QString current = Banner(r);

    Calculate(w, "1", "2", "0");
    ASSERT_EQ(BoxText(w, "Error_text"), QStringLiteral("  SOLUTION OUT OF RANGE"));
    EXPECT_TRUE(r.stale());
    EXPECT_TRUE(Banner(r).startsWith(QStringLiteral("NOT THE CURRENT DESIGN: the latest "
                                                    "Calculate found no solution.")));
    EXPECT_TRUE(Banner(r).endsWith(current));
    EXPECT_TRUE(r.windowTitle().endsWith(QStringLiteral("(not the current design)")));

    Calculate(w, "1", "2", "25");
    EXPECT_FALSE(r.stale());
    EXPECT_EQ(Banner(r), QStringLiteral("Order 4, 1 to 2 GHz, 50 \u03A9 to 25 \u03A9, "
                                        "nothing absorbed"));
    EXPECT_EQ(r.windowTitle(), QString::fromUtf8(ResponseWindow::kTitle));
}

TEST_F(ResponseWindowTest, OpenedAfterAFailureItSaysSoAtOnce)
{
    MainWindow w;
    Calculate(w, "1", "2", "10");
    Calculate(w, "1", "2", "0");
    EXPECT_TRUE(Open(w).stale());
}

TEST_F(ResponseWindowTest, AClosedWindowKeepsItsChoicesAndCatchesUpWhenShownAgain)
{
    MainWindow w;
    Calculate(w, "1", "2", "10");
    ResponseWindow &r = Open(w);
    Find<QComboBox>(r, "eseries")->setCurrentIndex(2);
    r.close();
    EXPECT_EQ(OpenResponseWindows(), 0);

    Calculate(w, "2", "4", "10");
    ResponseWindow &again = Open(w);
    EXPECT_EQ(&again, &r);
    EXPECT_EQ(Banner(again), QStringLiteral("Order 4, 2 to 4 GHz, 50 \u03A9 to 10 \u03A9, "
                                            "nothing absorbed"));
    EXPECT_EQ(Find<QComboBox>(again, "eseries")->currentText(), QStringLiteral("E24"));
    EXPECT_EQ(again.plot().data().series.size(), 3u);
}

TEST_F(ResponseWindowTest, EveryControlRedrawsAndTheExportsFollowIt)
{
    MainWindow w;
    Calculate(w, "1", "2", "10");
    ResponseWindow &r = Open(w);

    Find<QComboBox>(r, "eseries")->setCurrentIndex(4); // E96
    EXPECT_EQ(r.plot().data().series.back().name, QStringLiteral("E96 values"));
    EXPECT_TRUE(FigureNames(r).contains(QStringLiteral("E96 values")));
    Find<QDoubleSpinBox>(r, "inductorQ")->setValue(80);
    EXPECT_TRUE(FigureNames(r).contains(QStringLiteral("Loss, QL 80 QC ideal")));
    Find<QDoubleSpinBox>(r, "tolerance")->setValue(2);
    Find<QSpinBox>(r, "trials")->setValue(500);
    EXPECT_TRUE(FigureNames(r).contains(QStringLiteral("Yield \u00B12 %, 500 trials")));
    Find<QSpinBox>(r, "sweepPoints")->setValue(201);
    EXPECT_EQ(r.plot().data().frequencyGhz.size(), 201u);
    Find<QCheckBox>(r, "sweepLogarithmic")->setChecked(false);
    EXPECT_FALSE(r.plot().data().logarithmic);

    const session::ResponseSettings &s = w.tools().settings();
    EXPECT_EQ(s.eseries, analysis::ESeries::E96);
    EXPECT_EQ(s.inductorQ, 80.0);
    EXPECT_EQ(s.capacitorQ, std::nullopt);
    EXPECT_EQ(s.tolerancePercent, 2.0);
    EXPECT_EQ(s.trials, 500);
    EXPECT_EQ(s.points, 201);
    EXPECT_FALSE(s.logarithmic);
}

TEST_F(ResponseWindowTest, ARangeOfItsOwnStartsFromTheBandsAndSaysWhatIsWrongWithIt)
{
    MainWindow w;
    Calculate(w, "1", "2", "10");
    ResponseWindow &r = Open(w);
    auto *from = Find<QDoubleSpinBox>(r, "sweepFrom");
    auto *to = Find<QDoubleSpinBox>(r, "sweepTo");
    EXPECT_FALSE(from->isEnabled());

    Find<QCheckBox>(r, "sweepFollowsBand")->setChecked(false);
    EXPECT_TRUE(from->isEnabled());
    EXPECT_EQ(w.tools().settings().fromGhz, 0.5);
    EXPECT_EQ(w.tools().settings().toGhz, 4.0);

    from->setValue(3);
    to->setValue(2.5);
    const auto *problem = Find<QLabel>(r, "settingsProblem");
    EXPECT_FALSE(problem->isHidden());
    EXPECT_EQ(problem->text(), QStringLiteral("The sweep's start must lie below its stop."));
    EXPECT_TRUE(r.plot().data().series.empty());
    EXPECT_EQ(r.plot().data().message, problem->text());
    // An export cannot follow the window there either, and says why.
    w.tools().SetSavePathAsker([this](QWidget *, const session::ExportFormat &) {
        return QString::fromStdString((Here() / "x.csv").string());
    });
    const QString message =
        MessageFrom([&] { w.tools().action(Command::ExportSweepCsv)->trigger(); });
    EXPECT_TRUE(message.endsWith(QStringLiteral("was not written: The sweep's start must lie "
                                                "below its stop.")))
        << message.toStdString();

    to->setValue(3.5);
    EXPECT_TRUE(problem->isHidden());
    EXPECT_EQ(r.plot().data().frequencyGhz.front(), 3.0);
}

TEST_F(ResponseWindowTest, NumbersUseThePointUnderADecimalCommaLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        MainWindow w;
        Calculate(w, "1", "2", "10");
        ResponseWindow &r = Open(w);
        EXPECT_EQ(Find<QDoubleSpinBox>(r, "sweepTo")->text(), QStringLiteral("4.0000 GHz"));
        EXPECT_EQ(Find<QDoubleSpinBox>(r, "tolerance")->text(), QStringLiteral("\u00B1 5.00 %"));
        EXPECT_TRUE(r.plot().hoverText().isEmpty());
        const auto *table = Find<QTableWidget>(r, "figures");
        EXPECT_FALSE(table->item(0, 1)->text().contains(QLatin1Char(',')));
    }
    QLocale::setDefault(before);
}

} // namespace
} // namespace tevmar::test
