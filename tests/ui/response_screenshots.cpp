// Saves pictures of the Response window as it appears on the X server, for a
// person to check that the plot is readable and labelled: the order-8 shunt RC
// design absorbing 1 pF (1 to 2 GHz, 50 to 10 ohms) with the automatic pass
// limit, then with E24 values, component Q of the constant model, a pass
// limit of VSWR 1.2 and the pointer over the plot, then after a failed
// Calculate, and the output pane's context menu; first of all, the window
// opened when the first Calculate found no design. Also the parts as built
// beside the ideal ones, and a part stepped by hand.
// Usage: tevmar_response_screenshots OUTPUT_DIR (run under xvfb-run).

#include "tests/session/chip_antenna.h"
#include "ui/main_window.h"
#include "ui/measured_load_dialog.h"
#include "ui/output_pane.h"
#include "ui/plot_widget.h"
#include "ui/response_views.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "ui/schematic_view.h"
#include "ui/smith_chart.h"
#include "window_driver.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTest>
#include <cstdio>

namespace {

using tevmar::test::Click;

// A dark desktop's colours, to check that every view reads on it.
QPalette DarkPalette()
{
    QPalette p;
    p.setColor(QPalette::Window, QColor(45, 45, 48));
    p.setColor(QPalette::WindowText, QColor(230, 230, 230));
    p.setColor(QPalette::Base, QColor(30, 30, 32));
    p.setColor(QPalette::AlternateBase, QColor(50, 50, 54));
    p.setColor(QPalette::Text, QColor(230, 230, 230));
    p.setColor(QPalette::Button, QColor(55, 55, 58));
    p.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    p.setColor(QPalette::Highlight, QColor(60, 110, 190));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

// Each view of the Response window in turn: the frequency panels with
// markers, both Smith charts and the schematic; `suffix` names the palette.
bool SaveViews(tevmar::ResponseWindow &response, const QDir &dir, const char *suffix)
{
    tevmar::ResponseViews &views = response.views();
    const auto name = [suffix](const char *what) {
        return QStringLiteral("%1%2.png")
            .arg(QString::fromLatin1(what), QString::fromLatin1(suffix));
    };
    bool ok = true;
    views.tabs().setCurrentIndex(0);
    for (const char *panel : {"viewTransmission", "viewDelay"})
        if (!views.viewAction(panel)->isChecked())
            views.viewAction(panel)->trigger();
    ok = tevmar::test::Save(response, dir, qPrintable(name("10-response-panels"))) && ok;
    views.viewAction("viewSmithS11")->trigger();
    ok = tevmar::test::Save(response, dir, qPrintable(name("11-response-smith-s11"))) && ok;
    views.viewAction("viewSmithS22")->trigger();
    ok = tevmar::test::Save(response, dir, qPrintable(name("12-response-smith-s22"))) && ok;
    views.viewAction("viewSchematic")->trigger();
    ok = tevmar::test::Save(response, dir, qPrintable(name("13-response-schematic"))) && ok;
    views.viewAction("viewSmithS11")->trigger();
    views.tabs().setCurrentIndex(0);
    return ok;
}
// The network re-tuned on E24 values: its curves among the design's, its
// values in the schematic and its values table.
bool SaveTuned(tevmar::ResponseWindow &response, const QDir &dir)
{
    response.findChild<QCheckBox *>(QStringLiteral("tune"))->setChecked(true);
    for (int i = 0; i < 2000 && response.tuneRunning(); ++i)
        QTest::qWait(5);
    QTest::qWait(400); // the tolerance trials
    tevmar::ResponseViews &views = response.views();
    bool ok = true;
    const std::pair<int, const char *> shots[] = {{0, "14-response-tuned.png"},
                                                  {1, "15-response-tuned-smith.png"},
                                                  {2, "16-response-tuned-schematic.png"},
                                                  {3, "17-response-tuned-values.png"}};
    for (const auto &[tab, name] : shots) {
        views.tabs().setCurrentIndex(tab);
        ok = tevmar::test::Save(response, dir, name) && ok;
    }
    views.tabs().setCurrentIndex(0);
    response.findChild<QCheckBox *>(QStringLiteral("tune"))->setChecked(false);
    return ok;
}

// The parts as built: chip inductors and capacitors with pads, drawn beside
// the ideal network in the panels and on the Smith chart, and the second part
// clicked in the schematic and stepped up twice by 5 %, with the step table.
bool SaveParts(tevmar::ResponseWindow &response, const QDir &dir)
{
    response.SetPartChoice(
        {tevmar::session::PartSource::ChipModels, "30@1.5GHz,0.2pF", "0.45nH,0.3@1GHz", "0.1pF"});
    QTest::qWait(400); // the tolerance trials
    tevmar::ResponseViews &views = response.views();
    bool ok = true;
    views.tabs().setCurrentIndex(0);
    ok = tevmar::test::Save(response, dir, "24-response-parts.png") && ok;
    views.viewAction("viewSmithS11")->trigger();
    ok = tevmar::test::Save(response, dir, "25-response-parts-smith.png") && ok;
    views.viewAction("viewSchematic")->trigger();
    tevmar::SchematicView &schematic = views.schematic();
    QTest::mouseClick(&schematic, Qt::LeftButton, {},
                      tevmar::PartArea(schematic.Layout(), 1).center().toPoint());
    response.findChild<QComboBox *>(QStringLiteral("stepSize"))->setCurrentIndex(1); // 5 %
    QTest::keyClick(&schematic, Qt::Key_Plus);
    QTest::keyClick(&schematic, Qt::Key_Plus);
    ok = tevmar::test::Save(response, dir, "26-response-parts-stepped-schematic.png") && ok;
    views.tabs().setCurrentIndex(3);
    ok = tevmar::test::Save(response, dir, "27-response-parts-stepped-values.png") && ok;
    views.tabs().setCurrentIndex(0);
    ok = tevmar::test::Save(response, dir, "28-response-parts-stepped.png") && ok;
    response.ClearSteps();
    // Mid-drag: the third part's point taken hold of on the Smith chart and
    // pulled back along its arc, every view following.
    views.viewAction("viewSmithS11")->trigger();
    tevmar::SmithChart &smith = views.smith();
    if (smith.path() && smith.path()->points.size() > 3) {
        const std::size_t samples = smith.path()->arcs[2].z.size();
        const QPoint press = smith.PathPointAt(3).toPoint();
        const QPoint pulled = smith.PathSampleAt(2, samples * 2 / 5).toPoint();
        QTest::mousePress(&smith, Qt::LeftButton, {}, press);
        QTest::mouseMove(&smith, pulled);
        ok = tevmar::test::Save(response, dir, "33-response-drag-smith.png") && ok;
        QTest::mouseRelease(&smith, Qt::LeftButton, {}, pulled);
        views.tabs().setCurrentIndex(3);
        ok = tevmar::test::Save(response, dir, "34-response-drag-values.png") && ok;
        views.tabs().setCurrentIndex(0);
        response.UndoStep();
    }
    response.SetPartChoice({});
    return ok;
}

// The chip antenna's measurement matched at order 4: its dialog, the curves
// into the data beside the fitted model's, and the load on the Smith chart.
bool SaveMeasuredLoad(tevmar::MainWindow &window, tevmar::ResponseWindow &response, const QDir &dir)
{
    QFile file(dir.filePath(QStringLiteral("antenna.s1p")));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(QByteArray::fromStdString(tevmar::test_files::ChipAntennaS1p())) < 0)
        return false;
    file.close();
    tevmar::MeasuredLoadDialog dialog(&response);
    dialog.findChild<QLineEdit *>(QStringLiteral("measuredFile"))
        ->setText(dir.filePath(QStringLiteral("antenna.s1p")));
    dialog.show();
    bool ok = QTest::qWaitForWindowExposed(&dialog) &&
              tevmar::test::Save(dialog, dir, "18-measured-load-dialog.png");
    dialog.close();

    tevmar::test::Type(window, "F1_text", "2.3");
    tevmar::test::Type(window, "F2_text", "2.6");
    Click(window, "N4");
    const std::string problem = window.MatchMeasuredLoad(QStringLiteral("antenna.s1p"), 50, {});
    if (!problem.empty())
        std::printf("FAILED to match the measured load: %s\n", problem.c_str());
    QTest::qWait(400); // the tolerance trials
    tevmar::ResponseViews &views = response.views();
    views.tabs().setCurrentIndex(0);
    ok = problem.empty() && tevmar::test::Save(response, dir, "19-response-measured.png") && ok;
    views.viewAction("viewSmithLoad")->trigger();
    ok = tevmar::test::Save(response, dir, "20-response-measured-load-smith.png") && ok;
    views.viewAction("viewSmithS11")->trigger();
    ok = tevmar::test::Save(response, dir, "21-response-measured-smith.png") && ok;
    views.tabs().setCurrentIndex(0);
    return ok;
}

// The window when the first Calculate found no design: nothing drawn, and
// the banner says why. (The main window opens it only once a design exists;
// the window itself is shown here as it stands in that case.)
bool SaveNoDesign(const QDir &dir)
{
    tevmar::ResponseWindow response(tevmar::session::ResponseSettings{});
    response.MarkStale(true);
    response.move(10, 10);
    response.show();
    return QTest::qWaitForWindowExposed(&response) &&
           tevmar::test::Save(response, dir, "5-response-no-design.png");
}

// The picked candidate's path through its parts on the Smith chart: as the
// window opens, with the pointer on the second part's arc, and in a small
// window where the labels must still stand apart; and the readout of a point
// of the chart away from the traces.
bool SavePath(tevmar::ResponseWindow &response, const QDir &dir)
{
    tevmar::ResponseViews &views = response.views();
    views.viewAction("viewSmithS11")->trigger();
    QTest::qWait(100);
    bool ok = tevmar::test::Save(response, dir, "29-response-path-smith.png");
    tevmar::SmithChart &smith = views.smith();
    if (smith.path() && smith.path()->arcs.size() > 1) {
        const std::size_t middle = smith.path()->arcs[1].z.size() / 2;
        QTest::mouseMove(&smith, smith.PathSampleAt(1, middle).toPoint());
        QTest::qWait(100);
        ok = tevmar::test::Save(response, dir, "30-response-path-hover.png") && ok;
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&smith, &leave);
    }
    // Away from the traces, the readout of the point under the pointer.
    QTest::mouseMove(&smith, QPoint(smith.width() * 35 / 100, smith.height() * 70 / 100));
    QTest::qWait(100);
    ok = tevmar::test::Save(response, dir, "32-response-chart-readout.png") && ok;
    QEvent away(QEvent::Leave);
    QApplication::sendEvent(&smith, &away);
    // The admittance grid over the impedance one, with the band's Q contour.
    views.viewAction("viewSmithAdmittance")->trigger();
    QTest::qWait(100);
    ok = tevmar::test::Save(response, dir, "33-response-smith-admittance.png") && ok;
    views.viewAction("viewSmithAdmittance")->trigger();
    const QSize before = response.size();
    response.resize(640, 480);
    QTest::qWait(200);
    ok = tevmar::test::Save(response, dir, "31-response-path-small.png") && ok;
    response.resize(before);
    QTest::qWait(100);
    return ok;
}

// 30 ohms + 2 nH from 50 ohms over 1.8-2.2 GHz, which the synthesis cannot
// absorb: the window opens on the candidates and draws the best; the tab
// shown sorted as it comes, the fourth-best (a lowpass ladder) chosen.
bool SaveCandidates(tevmar::MainWindow &window, tevmar::ResponseWindow &response, const QDir &dir)
{
    tevmar::test::Type(window, "F1_text", "1.8");
    tevmar::test::Type(window, "F2_text", "2.2");
    tevmar::test::Type(window, "Zhigh_text", "50");
    tevmar::test::Type(window, "Zlow_text", "30");
    tevmar::test::Click(window, "SRL");
    if (!window.findChild<QAbstractButton *>(QStringLiteral("LC_abs"))->isChecked())
        tevmar::test::Click(window, "LC_abs");
    tevmar::test::Type(window, "LC_text", "2");
    tevmar::test::Click(window, "Calc_BP");
    for (int i = 0; i < 4000 && response.candidatesRunning(); ++i)
        QTest::qWait(5);
    QTest::qWait(200);
    response.PickCandidate(3);
    response.views().tabs().setCurrentIndex(0); // the frequency panels
    QTest::qWait(400);
    bool ok = tevmar::test::Save(response, dir, "22-response-candidates-plot.png");
    response.views().tabs().setCurrentIndex(response.views().tabs().count() - 1);
    QTest::qWait(100);
    ok = tevmar::test::Save(response, dir, "23-response-candidates.png") && ok;
    ok = SavePath(response, dir) && ok;
    return ok;
}

// 10 ohm to 50 ohm at 0.88-0.92 and 1.76-1.84 GHz at once, rejecting the
// third harmonic at 2.6-2.8 GHz by 20 dB: the best candidate over every band
// drawn in the frequency panels (each band shaded, the harmonic apart with its
// 20 dB line) and on the Smith chart (bold in each passband).
bool SaveTwoBands(tevmar::MainWindow &window, tevmar::ResponseWindow &response, const QDir &dir)
{
    tevmar::test::Type(window, "F1_text", "1");
    tevmar::test::Type(window, "F2_text", "2");
    tevmar::test::Type(window, "Zhigh_text", "50");
    tevmar::test::Type(window, "Zlow_text", "10");
    if (window.findChild<QAbstractButton *>(QStringLiteral("LC_abs"))->isChecked())
        tevmar::test::Click(window, "LC_abs");
    tevmar::test::Click(window, "Calc_BP");
    for (const auto &[box, text] :
         {std::pair{"reject", "2.6:2.8@20dB"}, std::pair{"bands", "0.88:0.92, 1.76:1.84"}}) {
        auto *edit = response.findChild<QLineEdit *>(QString::fromLatin1(box));
        edit->setText(QString::fromLatin1(text));
        emit edit->editingFinished();
    }
    for (int i = 0; i < 12000 && response.candidatesRunning(); ++i)
        QTest::qWait(5);
    QTest::qWait(200);
    response.views().tabs().setCurrentIndex(0); // the frequency panels, S21 among them
    if (QAction *s21 = response.views().viewAction("viewTransmission"); !s21->isChecked())
        s21->trigger();
    QTest::qWait(300);
    bool ok = tevmar::test::Save(response, dir, "35-response-two-bands.png");
    response.views().tabs().setCurrentIndex(1); // the Smith chart of S11
    QTest::qWait(300);
    ok = tevmar::test::Save(response, dir, "36-response-two-bands-smith.png") && ok;
    response.views().tabs().setCurrentIndex(response.views().tabs().count() - 1);
    QTest::qWait(100);
    ok = tevmar::test::Save(response, dir, "37-response-two-bands-candidates.png") && ok;
    return ok;
}

// A million tolerance trials under way: the progress bar and its Cancel
// button above the figures; cancelled, and set back, once shown.
bool SaveTrialsRunning(tevmar::ResponseWindow &response, const QDir &dir)
{
    auto *trials = response.findChild<QSpinBox *>(QStringLiteral("trials"));
    const int before = trials->value();
    trials->setValue(1000000);
    QTest::qWait(500);
    const bool ok = tevmar::test::Save(response, dir, "7a-response-trials-running.png");
    response.CancelTrials();
    trials->setValue(before);
    return ok;
}

// The pointer leaves the plot, and its readout with it.
void LeavePlot(tevmar::ResponsePlot &plot)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&plot, &leave);
}

using tevmar::test::Save;
using tevmar::test::SavePixmap;
using tevmar::test::Type;

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!tevmar::test::ScreenshotArguments(argc, argv, "tevmar_response_screenshots"))
        return 2;
    QDir dir(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    dir.mkpath(QStringLiteral("."));
    QDir::setCurrent(dir.absolutePath()); // the design run writes its report here

    bool ok = SaveNoDesign(dir);
    tevmar::MainWindow window;
    window.move(10, 10);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    tevmar::test::CalculateShuntRc1pF(window);

    // The context menu over the pane, grabbed from the whole screen.
    tevmar::ResultTools &tools = window.tools();
    tools.ShowMenu(window.pane().mapToGlobal(QPoint(40, 60)));
    QTest::qWait(150);
    const QRect menuArea =
        window.frameGeometry().united(tools.menu().geometry()).adjusted(0, 0, 8, 8);
    ok = SavePixmap(window.screen()->grabWindow(0, menuArea.x(), menuArea.y(), menuArea.width(),
                                                menuArea.height()),
                    dir, "6-pane-menu.png");
    tools.menu().hide();

    tools.ShowResponse();
    tevmar::ResponseWindow *response = tools.responseWindow();
    response->move(10, 10);
    if (!QTest::qWaitForWindowExposed(response))
        return 1;
    ok = Save(*response, dir, "7-response.png") && ok;
    ok = SaveTrialsRunning(*response, dir) && ok;

    response->findChild<QComboBox *>(QStringLiteral("eseries"))->setCurrentIndex(2); // E24
    response->findChild<QDoubleSpinBox *>(QStringLiteral("inductorQ"))->setValue(100);
    response->findChild<QDoubleSpinBox *>(QStringLiteral("capacitorQ"))->setValue(300);
    response->findChild<QComboBox *>(QStringLiteral("qModel"))->setCurrentIndex(1); // constant
    response->findChild<QDoubleSpinBox *>(QStringLiteral("yieldVswr"))->setValue(1.2);
    tevmar::ResponsePlot &plot = response->plot();
    QTest::mouseMove(&plot, QPoint(plot.width() * 45 / 100, plot.height() / 2));
    ok = Save(*response, dir, "8-response-e24-hover.png") && ok;
    LeavePlot(plot);

    // Two markers, every panel, the Smith charts and the schematic.
    plot.SetMarkers({1.0, 1.5});
    QTest::qWait(400); // the tolerance trials
    ok = SaveViews(*response, dir, "") && ok;
    const QString svg = dir.filePath(QStringLiteral("13-response-schematic.svg"));
    const QString problem = tevmar::SaveSchematic(response->views().schematic().schematic(), svg,
                                                  tevmar::PaperPalette());
    std::printf("%s %s\n", problem.isEmpty() ? "saved" : "FAILED", qPrintable(svg));
    ok = problem.isEmpty() && ok;
    const QPalette light = QApplication::palette();
    QApplication::setPalette(DarkPalette());
    ok = SaveViews(*response, dir, "-dark") && ok;
    QApplication::setPalette(light);
    plot.SetMarkers({});
    for (const char *panel : {"viewTransmission", "viewDelay"})
        response->views().viewAction(panel)->trigger();
    ok = SaveTuned(*response, dir) && ok;
    response->findChild<QDoubleSpinBox *>(QStringLiteral("inductorQ"))->setValue(0);
    response->findChild<QDoubleSpinBox *>(QStringLiteral("capacitorQ"))->setValue(0);
    ok = SaveParts(*response, dir) && ok;

    Type(window, "Zlow_text", "0");
    Click(window, "Calc_BP");
    ok = Save(*response, dir, "9-response-stale.png") && ok;
    ok = SaveMeasuredLoad(window, *response, dir) && ok;
    ok = SaveCandidates(window, *response, dir) && ok;
    ok = SaveTwoBands(window, *response, dir) && ok;
    response->close();
    return ok ? 0 : 1;
}
