#include "cli_run.h"
#include "format/analysis_text.h"
#include "session/views/markers.h"
#include "session/views/smith.h"
#include "tests/common/synthetic_kit.h"
#include "tests/session/chip_antenna.h"
#include "ui/main_window.h"
#include "ui/measured_load_dialog.h"
#include "ui/plot_widget.h"
#include "ui/response_views.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "ui/smith_chart.h"
#include "ui_test_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableWidget>
#include <algorithm>
#include <filesystem>

namespace tevmar::test {
namespace {

using Command = ResultTools::Command;
using session::ExportKind;

class ResponseWindowTest : public InScratchDirectory
{
  protected:
    // A design from 50 ohms; with `load` (its button, "SRC") it absorbs `value`.
    static void Calculate(MainWindow &w, const char *f1, const char *f2, const char *zlow,
                          const char *order = "N4", const char *load = nullptr,
                          const char *value = nullptr)
    {
        Type(w, "F1_text", QString::fromLatin1(f1));
        Type(w, "F2_text", QString::fromLatin1(f2));
        Type(w, "Zhigh_text", QStringLiteral("50"));
        Type(w, "Zlow_text", QString::fromLatin1(zlow));
        Click(w, order);
        if (load) {
            Click(w, load);
            Click(w, "LC_abs");
            Type(w, "LC_text", QString::fromLatin1(value));
        }
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

    // The tolerance trials run off the GUI thread; their rows fill in when done.
    static void WaitForTrials(const ResponseWindow &r)
    {
        for (int i = 0; i < 2000 && r.trialsRunning(); ++i)
            QTest::qWait(5);
    }

    static QStringList FigureNames(const ResponseWindow &r)
    {
        WaitForTrials(r);
        const auto *table = r.findChild<QTableWidget *>(QStringLiteral("figures"));
        QStringList names;
        for (int row = 0; row < table->rowCount(); ++row)
            names << table->item(row, 0)->text();
        return names;
    }

    // The text beside the figure whose name starts with `name`, once the trials are done.
    static QString FigureText(const ResponseWindow &r, const QString &name)
    {
        WaitForTrials(r);
        return ShownFigureText(r, name);
    }

    // The same as the table shows it now.
    static QString ShownFigureText(const ResponseWindow &r, const QString &name)
    {
        const auto *table = r.findChild<QTableWidget *>(QStringLiteral("figures"));
        for (int row = 0; row < table->rowCount(); ++row)
            if (table->item(row, 0)->text().startsWith(name))
                return table->item(row, 1)->text();
        return QStringLiteral("(no row ") + name + QStringLiteral(")");
    }

    // Replaces a spin box's text by typing and presses Enter.
    static void Enter(QAbstractSpinBox *box, const QString &text)
    {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
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

// The Smith chart's path through the parts of the design shown: from the
// load to the point the source sees, which is the S11 trace's own F0; the
// pointer on an arc names that part and its value; the View menu hides it.
TEST_F(ResponseWindowTest, TheSmithChartWalksThePartsFromTheLoadToTheTracesF0)
{
    MainWindow w;
    Calculate(w, "1", "2", "10", "N8");
    ResponseWindow &r = Open(w);
    r.views().viewAction("viewSmithS11")->trigger();
    SmithChart &smith = r.views().smith();
    ASSERT_TRUE(smith.path());
    const session::SmithPath &path = *smith.path();
    const auto &shown = r.response().curves.front().network;
    ASSERT_EQ(path.points.size(), shown.parts.size() + 1);
    EXPECT_EQ(path.points.front().after, "load");
    EXPECT_NEAR(std::abs(path.points.front().z - 10.0), 0, 1e-12) << "the 10 ohm load";
    const double f0 = r.response().analysis.band.centreHz;
    const session::Complex s11 = session::Evaluate(shown, f0).s.s11;
    EXPECT_NEAR(std::abs(session::ReflectionOf(path.points.back().z, 50) - s11), 0, 1e-9);

    const session::SmithPathArc &arc = path.arcs[1];
    QTest::mouseMove(&smith, smith.PathSampleAt(1, arc.z.size() / 2).toPoint());
    EXPECT_TRUE(smith.hoverText().startsWith(QString::fromStdString(arc.label) + "\n"))
        << smith.hoverText().toStdString();

    r.views().viewAction("viewSmithPath")->trigger();
    EXPECT_FALSE(smith.path());
    r.views().viewAction("viewSmithPath")->trigger();
    EXPECT_TRUE(smith.path());
}

// The chart's circles: the contour of the Q the 1-2 GHz band allows (its
// geometric centre over its width, 1.414) is drawn and named in the legend
// until the View menu hides it; the admittance grid is there on request; the
// readout under the pointer gives Z, Y, Gamma, VSWR and Q of that point.
TEST_F(ResponseWindowTest, TheSmithChartDrawsTheBandsQContourAndTheAdmittanceGridOnRequest)
{
    MainWindow w;
    Calculate(w, "1", "2", "10", "N8");
    ResponseWindow &r = Open(w);
    r.views().viewAction("viewSmithS11")->trigger();
    SmithChart &smith = r.views().smith();
    ASSERT_TRUE(smith.contourQ());
    EXPECT_NEAR(*smith.contourQ(), std::sqrt(2.0), 1e-12);
    EXPECT_TRUE(r.views().viewAction("viewSmithQ")->isChecked());
    EXPECT_FALSE(smith.showsAdmittance());
    const QImage plain = smith.grab().toImage();
    r.views().viewAction("viewSmithAdmittance")->trigger();
    EXPECT_TRUE(smith.showsAdmittance());
    EXPECT_NE(smith.grab().toImage(), plain); // the grid drawn over the chart
    r.views().viewAction("viewSmithQ")->trigger();
    EXPECT_FALSE(smith.contourQ());
    // The trials' pass limit as its own circle once the trials are done: the
    // automatic one, the drawn network's worst in-band VSWR x 1.1.
    QTRY_VERIFY_WITH_TIMEOUT(!r.response().trialsPending, 30000);
    ASSERT_TRUE(smith.passVswr());
    double worst = 0;
    const session::Response &shown = r.response();
    for (std::size_t i = 0; i < shown.frequenciesHz.size(); ++i)
        if (shown.frequenciesHz[i] >= 1e9 && shown.frequenciesHz[i] <= 2e9)
            worst = std::max(worst, std::abs(shown.curves.front().points[i].s.s11));
    const double worstVswr = (1 + worst) / (1 - worst);
    EXPECT_NEAR(*smith.passVswr(), 1.1 * worstVswr, 0.01 * worstVswr);
    r.views().viewAction("viewSmithS22")->trigger();
    EXPECT_FALSE(smith.passVswr()); // the trials judge S11 alone
    r.views().viewAction("viewSmithS11")->trigger();

    // A point of the chart away from every trace: 25 + j25 ohms at 50 ohms.
    r.views().viewAction("viewSmithPath")->trigger(); // the path out of the way
    const session::Complex gamma = session::ReflectionOf({25, 25}, 50);
    const QPointF at = smith.ChartPositionOf(gamma);
    QTest::mouseMove(&smith, at.toPoint());
    // The pointer lands on a whole pixel: the figures read to that precision.
    const QString text = smith.pointerReadout();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Z = "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nY = "))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\nVSWR 2."))) << text.toStdString(); // 2.62
    EXPECT_TRUE(text.contains(QStringLiteral("\nQ 0.9")) || text.contains(QStringLiteral("\nQ 1")))
        << text.toStdString();
}

TEST_F(ResponseWindowTest, MarkersStayAtTheirFrequencyWithTheNewDesignsValues)
{
    MainWindow w;
    Calculate(w, "1", "2", "10", "N8");
    ResponseWindow &r = Open(w);
    r.plot().SetMarkers({1.5, 0.6});
    const QTableWidget &table = r.views().markerTable();
    ASSERT_EQ(table.rowCount(), 2);
    const QString before = table.item(0, 3)->text();

    // The new sweep runs from 1 GHz: the marker at 0.6 GHz goes, the one at
    // 1.5 GHz moves to the nearest new sweep point and reads the new network.
    Calculate(w, "2", "4", "20", "N4");
    ASSERT_EQ(r.plot().markersGhz().size(), 1u);
    const double f = r.plot().markersGhz()[0];
    EXPECT_NEAR(f, 1.5, 0.01);
    const std::vector<double> &sweep = r.response().frequenciesHz;
    EXPECT_NE(std::find(sweep.begin(), sweep.end(), f * 1e9), sweep.end());
    ASSERT_EQ(table.rowCount(), 1);
    const std::vector<std::string> cells =
        session::MarkerCells(session::ReadMarkers(r.response(), {f * 1e9}).at(0));
    for (int c = 0; c < table.columnCount(); ++c)
        EXPECT_EQ(table.item(0, c)->text().toStdString(), cells[static_cast<std::size_t>(c)]);
    EXPECT_NE(table.item(0, 3)->text(), before);
}

TEST_F(ResponseWindowTest, TheMeasuredLoadDialogOpensWithTheLastMatchsChoices)
{
    const auto ok = [](MeasuredLoadDialog &d) {
        return d.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    };
    {
        MeasuredLoadDialog first;
        first.findChild<QLineEdit *>(QStringLiteral("measuredFile"))->setText("/data/chip.s1p");
        first.findChild<QDoubleSpinBox *>(QStringLiteral("sourceOhms"))->setValue(75);
        first.findChild<QComboBox *>(QStringLiteral("loadKind"))->setCurrentIndex(3);
        ok(first)->click();
        EXPECT_EQ(first.result(), QDialog::Accepted);
    }
    {
        MeasuredLoadDialog cancelled; // a cancelled dialog changes nothing kept
        EXPECT_EQ(cancelled.filePath(), QStringLiteral("/data/chip.s1p"));
        cancelled.findChild<QLineEdit *>(QStringLiteral("measuredFile"))->setText("other.s1p");
        cancelled.reject();
    }
    MeasuredLoadDialog again;
    EXPECT_EQ(again.filePath(), QStringLiteral("/data/chip.s1p"));
    EXPECT_EQ(again.sourceOhms(), 75);
    EXPECT_EQ(again.loadKind(), LoadType::ShuntRL);
    EXPECT_TRUE(ok(again)->isEnabled()); // a remembered file can be matched at once
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
    auto *qModel = Find<QComboBox>(r, "qModel");
    EXPECT_FALSE(qModel->isEnabled()) << "ideal parts have no loss to model";
    Find<QDoubleSpinBox>(r, "inductorQ")->setValue(80);
    EXPECT_TRUE(FigureNames(r).contains(QStringLiteral("Loss, QL 80 QC ideal")));
    EXPECT_TRUE(qModel->isEnabled());
    const QString centreLoss = FigureText(r, QStringLiteral("Loss, QL 80"));
    qModel->setCurrentIndex(1);
    EXPECT_NE(FigureText(r, QStringLiteral("Loss, QL 80")), centreLoss);
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
    EXPECT_EQ(s.qModel, analysis::QModel::Constant);
    EXPECT_EQ(s.tolerancePercent, 2.0);
    EXPECT_EQ(s.trials, 500);
    EXPECT_EQ(s.points, 201);
    EXPECT_FALSE(s.logarithmic);
}

TEST_F(ResponseWindowTest, ParametricPartsTakeTheirThreeValuesAndABadTextIsMarked)
{
    MainWindow w;
    Calculate(w, "1", "2", "10");
    ResponseWindow &r = Open(w);
    auto *inductor = Find<QLineEdit>(r, "inductorModel");
    Find<QComboBox>(r, "partSource")->setCurrentIndex(1);
    inductor->setText(QStringLiteral("55@1.5GHz,0.157pF"));
    emit inductor->editingFinished();
    Find<QLineEdit>(r, "pad")->setText(QStringLiteral("0.05pF"));
    emit Find<QLineEdit>(r, "pad")->editingFinished();
    const session::ResponseSettings &s = w.tools().settings();
    ASSERT_TRUE(s.inductorChip.has_value());
    EXPECT_EQ(s.inductorChip->q, 55);
    EXPECT_EQ(s.padPf, 0.05);
    EXPECT_EQ(s.capacitorChip, std::nullopt);
    EXPECT_TRUE(FigureNames(r).contains(QStringLiteral("As built, loss")));

    // A text without its unit keeps the value before, marked with why.
    auto *capacitor = Find<QLineEdit>(r, "capacitorModel");
    capacitor->setText(QStringLiteral("0.45,0.12@1GHz"));
    emit capacitor->editingFinished();
    EXPECT_EQ(s.capacitorChip, std::nullopt);
    EXPECT_TRUE(r.partProblem().contains(QStringLiteral("needs its unit, nH")))
        << r.partProblem().toStdString();
    capacitor->clear();
    emit capacitor->editingFinished();

    Find<QComboBox>(r, "partSource")->setCurrentIndex(0);
    EXPECT_EQ(s.inductorChip, std::nullopt);
    EXPECT_EQ(s.padPf, 0);
    EXPECT_FALSE(FigureNames(r).contains(QStringLiteral("As built, loss")));
}

TEST_F(ResponseWindowTest, ALongTrialRunShowsItsProgressAndCancelLeavesNoHalfFigures)
{
    MainWindow w;
    Calculate(w, "1", "2", "10", "N8");
    ResponseWindow &r = Open(w);
    auto *busy = Find<QWidget>(r, "trialsBusy");
    auto *bar = Find<QProgressBar>(r, "trialsProgress");
    auto *trials = Find<QSpinBox>(r, "trials");
    WaitForTrials(r);
    EXPECT_TRUE(busy->isHidden()) << "a finished run hides its progress";
    EXPECT_EQ(trials->maximum(), 1000000) << "as many trials as tevmar-cli allows";

    trials->setValue(1000000);
    ASSERT_TRUE(r.trialsRunning());
    EXPECT_FALSE(busy->isHidden());
    EXPECT_EQ(bar->maximum(), 1000000);
    EXPECT_EQ(ShownFigureText(r, QStringLiteral("Tolerance trials")),
              QStringLiteral("running\u2026"));
    for (int i = 0; i < 400 && bar->value() < 300; ++i)
        QTest::qWait(10);
    const int early = bar->value();
    EXPECT_GE(early, 256) << "the bar follows the trials done";
    QTest::qWait(300);
    EXPECT_GT(bar->value(), early);
    EXPECT_LT(bar->value(), 1000000);

    Click(r, "cancelTrials");
    EXPECT_FALSE(r.trialsRunning());
    EXPECT_TRUE(busy->isHidden());
    QTest::qWait(300); // nothing of the stopped run may arrive later
    EXPECT_EQ(ShownFigureText(r, QStringLiteral("Tolerance trials")), QStringLiteral("cancelled"));
    EXPECT_EQ(ShownFigureText(r, QStringLiteral("Most sensitive")), QStringLiteral("cancelled"));
    EXPECT_TRUE(ShownFigureText(r, QStringLiteral("Yield")).startsWith(QStringLiteral("(no row")));
    EXPECT_FALSE(r.response().analysis.yield);

    // The next change of settings runs the trials afresh.
    trials->setValue(200);
    EXPECT_EQ(FigureNames(r).filter(QStringLiteral("200 trials")).size(), 1);
    EXPECT_TRUE(busy->isHidden());
}

TEST_F(ResponseWindowTest, TheTunedNetworkJoinsEveryViewWithoutHoldingTheWindow)
{
    // 2 to 3 GHz, 50 to 8 ohms, order 8, series RC absorbing 10 pF: |S11| 0.042
    // by design, under 0.008 tuned.
    MainWindow w;
    Calculate(w, "2", "3", "8", "N8", "SRC", "10");
    ResponseWindow &r = Open(w);
    Find<QComboBox>(r, "eseries")->setCurrentIndex(2); // E24
    Find<QCheckBox>(r, "tune")->setChecked(true);
    // The tune runs apart: the window is back at once and says it is tuning.
    EXPECT_TRUE(r.tuneRunning());
    EXPECT_EQ(ShownFigureText(r, QStringLiteral("Tuned network")), QStringLiteral("tuning\u2026"));
    for (int i = 0; i < 2000 && r.tuneRunning(); ++i)
        QTest::qWait(5);
    ASSERT_TRUE(r.tuned() && r.tuned()->tuned);

    QStringList curves;
    for (const PlotSeries &s : r.plot().data().series)
        curves << s.name;
    EXPECT_EQ(curves, (QStringList{"Full precision", "As printed", "E24 values", "Tuned",
                                   "Tuned, E24 values"}));
    EXPECT_LE(FigureText(r, QStringLiteral("Tuned")).toDouble(), 0.008);
    // Where the tuned lines wrap, no value parts from its unit.
    const QString lines = Find<QLabel>(r, "tunedLines")->text();
    EXPECT_TRUE(lines.contains(QStringLiteral("\u00A0nH")));
    EXPECT_FALSE(lines.contains(QRegularExpression(QStringLiteral("\\d (nH|pF|GHz|dB)"))))
        << lines.toStdString();
    const auto *values = Find<QTableWidget>(r, "tunedValues");
    EXPECT_EQ(values->rowCount(), 7);
    EXPECT_EQ(values->columnCount(), 4);
    QApplication::clipboard()->clear();
    r.findChild<QAction *>(QStringLiteral("copyTunedValuesAction"))->trigger();
    EXPECT_TRUE(QApplication::clipboard()->text().contains(
        values->item(0, 0)->text() + "\t" + values->item(0, 1)->text() + "\t" +
        values->item(0, 2)->text() + "\t" + values->item(0, 3)->text() + "\n"));

    // Another tolerance sweeps the tuned network again without a new tune.
    Find<QDoubleSpinBox>(r, "tolerance")->setValue(2);
    EXPECT_FALSE(r.tuneRunning());
    EXPECT_EQ(r.plot().data().series.size(), 5u);
    Find<QCheckBox>(r, "tune")->setChecked(false);
    EXPECT_EQ(r.plot().data().series.size(), 3u);
}

TEST_F(ResponseWindowTest, AMeasuredSourceDrawsBothEndsAndEveryCurveIsBetweenThem)
{
    // A PA output, 8 ohms with 0.5 nH, into the chip antenna.
    WriteFile(Here() / "pa.s1p", test_files::PaOutputS1p());
    WriteFile(Here() / "antenna.s1p", test_files::ChipAntennaS1p());
    MainWindow w;
    Calculate(w, "2.3", "2.6", "10");
    ResponseWindow &r = Open(w);
    EXPECT_EQ(w.MatchMeasuredLoad(QStringLiteral("antenna.s1p"), 50, std::nullopt,
                                  QStringLiteral("pa.s1p")),
              "");
    EXPECT_EQ(BoxText(w, "Zlow_text"), QStringLiteral("8"));
    EXPECT_TRUE(Banner(r).endsWith(QStringLiteral(
        "figures between the source measured in pa.s1p and the load measured in antenna.s1p")));
    // The PA's 0.5 nH is not in the textbook design: between the two data sets
    // the design reflects 0.46; the Smith chart has the source conjugated.
    EXPECT_NEAR(FigureText(r, QStringLiteral("Full precision")).toDouble(), 0.461, 0.002);
    ASSERT_TRUE(r.response().load);
    const session::LoadTraces &load = *r.response().load;
    ASSERT_EQ(load.sourceHz.size(), 101u);
    EXPECT_LT(load.sourceConjugateOhms.front().imag(), 0);
    EXPECT_EQ(load.sourceModelConjugateOhms.size(), r.response().frequenciesHz.size());
    Find<QCheckBox>(r, "tune")->setChecked(true);
    for (int i = 0; i < 2000 && r.tuneRunning(); ++i)
        QTest::qWait(5);
    EXPECT_LE(FigureText(r, QStringLiteral("Tuned")).toDouble(), 0.016);
}

TEST_F(ResponseWindowTest, AMeasuredLoadFillsTheBoxesAndEveryCurveIsIntoTheData)
{
    // The chip antenna measured from 2 to 3 GHz, matched over 2.3 to 2.6 GHz
    // from 50 ohms at order 4: the best fit is series RL, 20.17 ohms and
    // 1.196 nH; into the data the design's in-band |S11| max is 0.049.
    WriteFile(Here() / "antenna.s1p", test_files::ChipAntennaS1p());
    MainWindow w;
    Calculate(w, "2.3", "2.6", "10");
    ResponseWindow &r = Open(w);
    ASSERT_NE(r.findChild<QAction *>(QStringLiteral("matchMeasuredLoadAction")), nullptr);
    EXPECT_EQ(w.MatchMeasuredLoad(QStringLiteral("antenna.s1p"), 50, std::nullopt), "");

    EXPECT_EQ(BoxText(w, "Zhigh_text"), QStringLiteral("50"));
    EXPECT_EQ(BoxText(w, "Zlow_text"), QStringLiteral("20.1709"));
    EXPECT_EQ(BoxText(w, "LC_text"), QStringLiteral("1.19582"));
    EXPECT_TRUE(w.findChild<QAbstractButton *>(QStringLiteral("SRL"))->isChecked());
    EXPECT_EQ(BoxText(w, "Error_text"), QString());
    EXPECT_NE(ReadFile(Here() / "tevmar.prt").find("20.171"), std::string::npos);

    EXPECT_TRUE(
        Banner(r).endsWith(QStringLiteral("figures into the load measured in antenna.s1p")));
    QStringList curves;
    for (const PlotSeries &s : r.plot().data().series)
        curves << s.name;
    EXPECT_EQ(curves, (QStringList{"Full precision", "As printed", "Into the fitted model"}));
    // The sweep, 1.15 to 5.2 GHz, runs beyond the 2 to 3 GHz measurement: the
    // plot knows where the data stop, to hatch what lies beyond.
    EXPECT_EQ(r.plot().data().measuredLowGhz, 2.0);
    EXPECT_EQ(r.plot().data().measuredHighGhz, 3.0);
    EXPECT_NEAR(FigureText(r, QStringLiteral("Full precision")).toDouble(), 0.049, 0.0005);
    EXPECT_NEAR(FigureText(r, QStringLiteral("Into the fitted model")).toDouble(), 0.0414, 0.0005);
    ASSERT_TRUE(r.response().load);
    EXPECT_TRUE(r.views().viewAction("viewSmithLoad")->isEnabled());
    EXPECT_FALSE(r.views().viewAction("viewSmithS22")->isEnabled());

    // Tuned against the data: 0.021.
    Find<QCheckBox>(r, "tune")->setChecked(true);
    for (int i = 0; i < 2000 && r.tuneRunning(); ++i)
        QTest::qWait(5);
    EXPECT_LE(FigureText(r, QStringLiteral("Tuned")).toDouble(), 0.024);
    Find<QCheckBox>(r, "tune")->setChecked(false);

    // A file that is not Touchstone says so, and the boxes stay as they are.
    WriteFile(Here() / "notes.s1p", "antenna notes\n");
    EXPECT_NE(w.MatchMeasuredLoad(QStringLiteral("notes.s1p"), 50, std::nullopt).find("notes.s1p"),
              std::string::npos);
    EXPECT_EQ(BoxText(w, "Zlow_text"), QStringLiteral("20.1709"));

    // A plain Calculate afterwards is the fitted model's design again.
    Click(w, "Calc_BP");
    EXPECT_FALSE(r.response().load);
    EXPECT_FALSE(r.views().viewAction("viewSmithLoad")->isEnabled());
}

TEST_F(ResponseWindowTest, ThePassLimitSetsTheTrialsYieldAndAutoFollowsTheDesign)
{
    MainWindow w;
    Calculate(w, "1", "2", "10");
    ResponseWindow &r = Open(w);
    auto *limit = Find<QDoubleSpinBox>(r, "yieldVswr");
    const double automatic = r.design()->result.Smax * 1.1;
    const QString automaticText = QString::fromStdString(Figure(automatic, 5));
    EXPECT_EQ(limit->text(),
              QStringLiteral("auto: ") + automaticText + QStringLiteral(" (design \u00D7 1.1)"));
    const QString yieldAuto = FigureText(r, QStringLiteral("Yield"));
    EXPECT_TRUE(yieldAuto.endsWith(QStringLiteral(" below VSWR ") + automaticText))
        << yieldAuto.toStdString();

    Enter(limit, QStringLiteral("1.5"));
    EXPECT_EQ(w.tools().settings().yieldVswr, 1.5);
    EXPECT_EQ(FigureText(r, QStringLiteral("Yield")), QStringLiteral("95.8 % below VSWR 1.5"));

    Enter(limit, QStringLiteral("auto"));
    EXPECT_EQ(w.tools().settings().yieldVswr, std::nullopt);
    EXPECT_EQ(FigureText(r, QStringLiteral("Yield")), yieldAuto);
    EXPECT_TRUE(limit->text().startsWith(QStringLiteral("auto: ")));
    // An empty box is the automatic limit too.
    Enter(limit, QStringLiteral("1.2"));
    Enter(limit, QString());
    EXPECT_EQ(w.tools().settings().yieldVswr, std::nullopt);

    // A step from the automatic limit starts at its value.
    limit->stepBy(1);
    ASSERT_TRUE(w.tools().settings().yieldVswr);
    EXPECT_NEAR(*w.tools().settings().yieldVswr, automatic + 0.05, 1e-4);

    // The automatic limit follows the next design.
    Enter(limit, QStringLiteral("auto"));
    Calculate(w, "1", "2", "25");
    const QString next = QString::fromStdString(Figure(r.design()->result.Smax * 1.1, 5));
    ASSERT_NE(next, automaticText);
    EXPECT_TRUE(FigureText(r, QStringLiteral("Yield")).endsWith(QStringLiteral(" VSWR ") + next));
    EXPECT_TRUE(limit->text().startsWith(QStringLiteral("auto: ") + next));
}

TEST_F(ResponseWindowTest, TouchstoneTwoIsTheFileTevmarCliWritesForTheDesignAndSweepShown)
{
    MainWindow w;
    Calculate(w, "1", "2", "10", "N8", "PRC", "1");
    ResponseWindow &r = Open(w);
    Find<QCheckBox>(r, "sweepFollowsBand")->setChecked(false);
    Find<QDoubleSpinBox>(r, "sweepFrom")->setValue(0.8);
    Find<QDoubleSpinBox>(r, "sweepTo")->setValue(2.5);
    Find<QSpinBox>(r, "sweepPoints")->setValue(101);
    Find<QCheckBox>(r, "sweepLogarithmic")->setChecked(false);

    const std::filesystem::path fromWindow = Here() / "window.s2p";
    w.tools().SetSavePathAsker([&](QWidget *, const session::ExportFormat &) {
        return QString::fromStdString(fromWindow.string());
    });
    const QString message =
        MessageFrom([&] { w.tools().exportAction(ExportKind::TouchstoneV2)->trigger(); });
    EXPECT_EQ(message, QStringLiteral("(no message)"));

    QTemporaryDir dir;
    const QString fromCli = dir.filePath(QStringLiteral("cli.s2p"));
    const CliRun cli =
        RunCli(dir.path(), {"--f1",     "1",        "--f2",     "2",       "--zhigh",
                            "50",       "--zlow",   "10",       "--order", "8",
                            "--load",   "shunt-rc", "--absorb", "1",       "--touchstone-v2",
                            fromCli,    "--from",   "0.8",      "--to",    "2.5",
                            "--points", "101",      "--lin"});
    ASSERT_EQ(cli.exitCode, 0);
    const std::string file = ReadFile(fromWindow);
    EXPECT_EQ(file, ReadFile(fromCli.toStdString()));
    // Port 1 at the high-impedance termination, port 2 at the low one.
    EXPECT_NE(file.find("[Reference] 50 10"), std::string::npos) << file.substr(0, 800);
    EXPECT_NE(file.find("[Number of Frequencies] 101"), std::string::npos);
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
        MessageFrom([&] { w.tools().exportAction(ExportKind::SweepCsv)->trigger(); });
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

TEST_F(ResponseWindowTest, AKitFolderBuildsTheTuneFromItsPartsAndABadOneIsMarked)
{
    MainWindow w;
    Calculate(w, "2", "3", "8", "N8", "SRC", "10");
    ResponseWindow &r = Open(w);
    const std::filesystem::path empty = std::filesystem::current_path() / "empty-kit";
    std::filesystem::create_directories(empty);
    const std::filesystem::path folder = std::filesystem::current_path() / "kit";
    test_kit::WriteSyntheticKit(folder);

    // A folder without a part in it keeps the ideal parts, marked with why.
    auto *kitFolder = Find<QLineEdit>(r, "kitFolder");
    kitFolder->setText(QString::fromStdString(empty.string()));
    Find<QComboBox>(r, "partSource")->setCurrentIndex(2);
    const session::ResponseSettings &s = w.tools().settings();
    EXPECT_EQ(s.partsFolder, "");
    EXPECT_TRUE(r.partProblem().startsWith(QStringLiteral("--parts: ")))
        << r.partProblem().toStdString();

    kitFolder->setText(QString::fromStdString(folder.string()));
    emit kitFolder->editingFinished();
    EXPECT_EQ(r.partProblem(), QString());
    EXPECT_EQ(s.partsFolder, folder.string());

    Find<QCheckBox>(r, "tune")->setChecked(true);
    for (int i = 0; i < 4000 && r.tuneRunning(); ++i)
        QTest::qWait(5);
    ASSERT_TRUE(r.tuned() && r.tuned()->kit) << r.tuned()->problem;
    QStringList curves;
    for (const PlotSeries &series : r.plot().data().series)
        curves << series.name;
    EXPECT_TRUE(curves.contains(QStringLiteral("Tuned, kit parts")))
        << curves.join(", ").toStdString();
    const auto *values = Find<QTableWidget>(r, "tunedValues");
    ASSERT_EQ(values->columnCount(), 4);
    EXPECT_EQ(values->horizontalHeaderItem(3)->text(), QStringLiteral("Kit part"));
    const std::string first = analysis::KitPartOf(r.tuned()->kit->network.parts[0])->partNumber;
    EXPECT_TRUE(values->item(0, 3)->text().startsWith(QString::fromStdString(first + " (")))
        << values->item(0, 3)->text().toStdString();
}

// A kit chosen, then its folder deleted (as a remembered choice finds it in a
// later session): the part line says why in tevmar-cli's own words, and as
// the command line refuses the run, no candidate and no tune is put on the
// kit. The folder back, the candidates are found on it again.
TEST_F(ResponseWindowTest, AKitFolderDeletedAfterItWasChosenIsSaidAndBuildsNothing)
{
    MainWindow w;
    Calculate(w, "2", "3", "8", "N8");
    ResponseWindow &r = Open(w);
    const std::filesystem::path folder = Here() / "kit";
    test_kit::WriteSyntheticKit(folder);
    const auto findCandidates = [&r] {
        r.FindCandidates();
        for (int i = 0; i < 4000 && r.candidatesRunning(); ++i)
            QTest::qWait(5);
        QTest::qWait(20); // the progress updates queued before the result
    };

    Find<QLineEdit>(r, "kitFolder")->setText(QString::fromStdString(folder.string()));
    Find<QComboBox>(r, "partSource")->setCurrentIndex(2);
    ASSERT_EQ(r.partProblem(), QString());
    findCandidates();
    ASSERT_TRUE(r.candidates() && !r.candidates()->candidates.empty());

    std::filesystem::remove_all(folder);
    findCandidates();
    ASSERT_TRUE(r.candidates());
    EXPECT_TRUE(r.candidates()->candidates.empty());
    EXPECT_EQ(w.tools().settings().partsFolder, folder.string()); // none, not ideal parts
    const CliRun cli =
        RunCli(QString::fromStdString(Here().string()),
               {"--f1", "2", "--f2", "3", "--zhigh", "50", "--zlow", "8", "--order", "8",
                "--candidates", "--parts", QString::fromStdString(folder.string())});
    EXPECT_EQ(cli.exitCode, 2);
    EXPECT_EQ("tevmar-cli: " + r.partProblem().toStdString() + " (see \"tevmar-cli --help\")\n",
              cli.standardError);
    EXPECT_TRUE(Find<QLabel>(r, "partProblem")->isVisibleTo(&r));
    {
        // The next session opens on the remembered kit and says the same at once.
        MainWindow again;
        Calculate(again, "2", "3", "8", "N8");
        const ResponseWindow &reopened = Open(again);
        EXPECT_EQ(reopened.partProblem(), r.partProblem());
        EXPECT_EQ(again.tools().settings().partsFolder, folder.string());
    }

    Find<QCheckBox>(r, "tune")->setChecked(true);
    for (int i = 0; i < 4000 && r.tuneRunning(); ++i)
        QTest::qWait(5);
    ASSERT_TRUE(r.tuned() && r.tuned()->tuned) << r.tuned()->problem;
    EXPECT_FALSE(r.tuned()->kit);
    EXPECT_TRUE(r.partProblem().startsWith(QStringLiteral("--parts: ")))
        << r.partProblem().toStdString();

    test_kit::WriteSyntheticKit(folder);
    findCandidates();
    ASSERT_TRUE(r.candidates());
    EXPECT_FALSE(r.candidates()->candidates.empty());
    EXPECT_EQ(r.partProblem(), QString());
    EXPECT_FALSE(Find<QLabel>(r, "partProblem")->isVisibleTo(&r));
}

} // namespace
} // namespace tevmar::test
