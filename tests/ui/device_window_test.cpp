// The Transistor window: opened from the output pane's menu on a two-port
// file without any design, it shows the first unconditionally stable
// frequency, and each plane's circles, marks and unstable side follow the
// frequency chosen. Its Amplifier page designs both networks off the GUI
// thread and shows what tevmar-cli would design, or why there is none.

#include "analysis/amplifier/device_figures.h"
#include "response_test_support.h"
#include "session/run/study.h"
#include "session/views/amplifier_view.h"
#include "session/views/markers.h"
#include "session/views/response_bands.h"
#include "session/views/smith.h"
#include "session/views/smith_circles.h"
#include "session/views/smith_path.h"
#include "tests/common/gaas_fet.h"
#include "ui/amplifier_panel.h"
#include "ui/device_chart.h"
#include "ui/device_plot.h"
#include "ui/device_window.h"
#include "ui/main_window.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "ui/schematic_view.h"
#include "ui_test_support.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <fstream>

namespace tevmar::test {
namespace {

// A potentially unstable HFET at 2 GHz, an unconditionally stable FET at
// 4 GHz with noise parameters, and a device with |S11| above 1 at 8 GHz.
constexpr const char *kDevices = "# GHz S MA R 50\n"
                                 "2 0.894 -60.6 3.122 123.6 0.020 62.4 0.781 -27.6\n"
                                 "4 0.72 -116 2.60 76 0.03 57 0.73 -54\n"
                                 "8 1.2 -40 2.0 100 0.1 30 0.6 -50\n"
                                 "4 1.6 0.62 100 0.4\n";

class DeviceWindowTest : public InScratchDirectory
{
  protected:
    DeviceWindow &Open()
    {
        std::ofstream("fets.s2p") << kDevices;
        main_.tools().OpenDevice(QStringLiteral("fets.s2p"));
        return *main_.tools().deviceWindow();
    }
    MainWindow main_;
};

TEST_F(DeviceWindowTest, OpensOnTheFirstStableFrequencyWithCirclesNearTheBest)
{
    DeviceWindow &window = Open();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.frequencyBox().count(), 3);
    EXPECT_EQ(window.chosen(), 1u);
    EXPECT_EQ(window.frequencyBox().currentText(), QStringLiteral("4 GHz"));
    // MAG 16.71 dB: gain circles at 15, 14 and 13 dB; NFmin 1.6 dB: noise
    // circles at 1.85, 2.1 and 2.6 dB; the match and Gamma opt marked.
    EXPECT_EQ(
        window.sourceChart().Labels(),
        (QStringList{"stability", "GA 15 dB", "GA 14 dB", "GA 13 dB", "NF 1.85 dB", "NF 2.1 dB",
                     "NF 2.6 dB", QStringLiteral("\u0393S"), QStringLiteral("\u0393opt")}));
    EXPECT_EQ(window.loadChart().Labels(), (QStringList{"stability", "GP 15 dB", "GP 14 dB",
                                                        "GP 13 dB", QStringLiteral("\u0393L")}));
    // Unconditionally stable: nothing in the chart is shaded.
    EXPECT_FALSE(window.loadChart().Shaded({0.9, 0.4}));
    EXPECT_EQ(window.plot().data().chosenGhz, 4.0);
    EXPECT_GE(window.plot().stabilityTop(), 2.0);
}

TEST_F(DeviceWindowTest, ChoosingAFrequencyMovesTheUnstableSide)
{
    DeviceWindow &window = Open();
    window.frequencyBox().setCurrentIndex(0); // 2 GHz, potentially unstable
    EXPECT_EQ(window.chosen(), 0u);
    // No MAG: the circles fall from MSG 21.9 dB; no match to mark.
    EXPECT_EQ(window.loadChart().Labels(),
              (QStringList{"stability", "GP 20 dB", "GP 19 dB", "GP 18 dB"}));
    EXPECT_FALSE(window.loadChart().Shaded({0, 0}));
    EXPECT_TRUE(window.loadChart().Shaded(std::polar(0.95, 0.82))); // inside the load circle
    window.ChooseFrequency(2); // |S11| > 1: the chart's centre itself oscillates
    EXPECT_TRUE(window.loadChart().Shaded({0, 0}));
    EXPECT_FALSE(window.sourceChart().Shaded({0, 0}));
    EXPECT_EQ(window.plot().data().chosenGhz, 8.0);
    // The window draws without a fault at every frequency.
    for (int i = 0; i < 3; ++i) {
        window.ChooseFrequency(static_cast<std::size_t>(i));
        EXPECT_FALSE(window.grab().isNull());
    }
}

// Between the data frequencies the slider interpolates; a level typed in the
// boxes replaces the automatic circles; across the band the planes draw the
// circles of five frequencies at once, shading what is unstable at any.
TEST_F(DeviceWindowTest, TheSliderTheLevelsAndTheFamilyAcrossTheBand)
{
    DeviceWindow &window = Open();
    window.frequencySlider().setValue(50); // a quarter of 2 to 8 GHz: 3.5 GHz
    EXPECT_DOUBLE_EQ(window.shownHz(), 3.5e9);
    EXPECT_EQ(window.plot().data().chosenGhz, 3.5);
    // Between 2 GHz and 4 GHz: the device's own circles there, 1, 2 and 3 dB
    // below its best gain at 3.5 GHz.
    const analysis::DevicePoint bare = session::DeviceFiguresBetween(window.device(), 3.5e9, {});
    const double best = std::floor(bare.magDb ? *bare.magDb : *bare.msgDb);
    const QStringList load = window.loadChart().Labels();
    ASSERT_GE(load.size(), 4);
    EXPECT_EQ(load[0], QStringLiteral("stability"));
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(load[k], QStringLiteral("GP %1 dB").arg(best - k))
            << load.join(", ").toStdString();
    EXPECT_GT(std::abs(bare.s.s21), 2.60);
    EXPECT_LT(std::abs(bare.s.s21), 3.122);
    // A data frequency on the slider is the file's own and the box follows.
    window.frequencySlider().setValue(200);
    EXPECT_EQ(window.chosen(), 2u);
    EXPECT_EQ(window.frequencyBox().currentIndex(), 2);

    window.ChooseFrequency(1); // 4 GHz
    window.gainLevelBox().setValue(12);
    window.noiseLevelBox().setValue(2);
    EXPECT_EQ(window.sourceChart().Labels(),
              (QStringList{"stability", "GA 12 dB", "NF 2 dB", QStringLiteral("\u0393S"),
                           QStringLiteral("\u0393opt")}));
    window.gainLevelBox().setValue(window.gainLevelBox().minimum()); // auto again
    EXPECT_EQ(window.loadChart().Labels(), (QStringList{"stability", "GP 15 dB", "GP 14 dB",
                                                        "GP 13 dB", QStringLiteral("\u0393L")}));

    window.familyBox().setChecked(true);
    EXPECT_EQ(window.sourceChart().frequencies(), 5u);
    EXPECT_FALSE(window.frequencySlider().isEnabled());
    EXPECT_FALSE(window.plot().data().chosenGhz);
    // 8 GHz, where |S11| > 1, is in the band: the centre is shaded in the load plane.
    EXPECT_TRUE(window.loadChart().Shaded({0, 0}));
    EXPECT_FALSE(window.grab().isNull());
    window.familyBox().setChecked(false);
    EXPECT_EQ(window.sourceChart().frequencies(), 1u);
    EXPECT_FALSE(window.loadChart().Shaded({0, 0})); // back at 4 GHz
}

// The main window reaches the transistor's file and the Response window from
// the keyboard, as the pane's menu shows beside its entries.
TEST_F(DeviceWindowTest, TheMainWindowsKeysReachTheWindows)
{
    bool responseKey = false, deviceKey = false;
    for (const QAction *a : main_.actions()) {
        responseKey |= a->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_R) &&
                       a->objectName() == QStringLiteral("responseAction");
        deviceKey |= a->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_T) &&
                     a->objectName() == QStringLiteral("deviceAction");
    }
    EXPECT_TRUE(responseKey);
    EXPECT_TRUE(deviceKey);
}

const std::string &kFet = tevmar::test::kGaasFet;

// The panel designs through the study it holds: Design pressed again with
// the same boxes shows the last design without designing again; a press
// while a design runs stops it, and only the newer design is shown.
TEST_F(DeviceWindowTest, AmplifierDesignPressedAgainAnswersFromTheStudy)
{
    std::ofstream("fet.s2p") << kFet;
    main_.tools().OpenDevice(QStringLiteral("fet.s2p"));
    AmplifierPanel &panel = main_.tools().deviceWindow()->amplifier();
    panel.f1Box().setText(QStringLiteral("3.9"));
    panel.f2Box().setText(QStringLiteral("4.1"));
    QTest::mouseClick(&panel.designButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 1, 30000);
    ASSERT_TRUE(panel.outcome());
    const double firstValue = panel.outcome()->amplifier.input.parts.front().value;
    QTest::mouseClick(&panel.designButton(), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 2, 30000);
    EXPECT_EQ(panel.study().runs(session::Stage::Amplifier), 1);
    EXPECT_EQ(panel.outcome()->amplifier.input.parts.front().value, firstValue);

    // Another margin designs again; pressed twice, the first run is stopped
    // and never shown.
    panel.marginBox().setText(QStringLiteral("0.8"));
    panel.Design();
    panel.Design();
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 3, 30000);
    EXPECT_FALSE(panel.designing());
    EXPECT_EQ(panel.outcome()->amplifier.stability.marginAsked, 0.8);
    QTest::qWait(200);
    EXPECT_EQ(panel.designsShown(), 3);
}

// Each side's schematic offers its network's files: what lands on disk is
// that side's network between its real ends, and the transistor's own file
// is never replaced by one.
TEST_F(DeviceWindowTest, EachAmplifierSideExportsItsOwnNetwork)
{
    std::ofstream("fet.s2p") << kFet;
    main_.tools().OpenDevice(QStringLiteral("fet.s2p"));
    AmplifierPanel &panel = main_.tools().deviceWindow()->amplifier();
    QString answer;
    panel.SetSavePathAsker([&answer](QWidget *, const session::ExportFormat &) { return answer; });
    EXPECT_FALSE(panel.ExportSide(session::AmplifierSide::Input, session::ExportKind::Spice)
                     .isEmpty()); // nothing designed yet
    panel.f1Box().setText(QStringLiteral("3.9"));
    panel.f2Box().setText(QStringLiteral("4.1"));
    panel.loadBox().setText(QStringLiteral("75"));
    panel.Design();
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 1, 30000);
    ASSERT_TRUE(panel.outcome());
    const auto read = [](const char *name) {
        std::ifstream in(name);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const session::AmplifierSideNetwork out =
        session::AmplifierSideOf(*panel.outcome(), session::AmplifierSide::Output);
    answer = QStringLiteral("out.csv");
    QAction *csv =
        panel.exportAction(session::AmplifierSide::Output, session::ExportKind::SweepCsv);
    ASSERT_NE(csv, nullptr);
    EXPECT_TRUE(panel.outputSchematic().actions().contains(csv));
    csv->trigger();
    EXPECT_EQ(read("out.csv"), session::AmplifierSideFile(out, session::ExportKind::SweepCsv));
    answer = QStringLiteral("in.s2p");
    EXPECT_TRUE(panel.ExportSide(session::AmplifierSide::Input, session::ExportKind::TouchstoneV2)
                    .isEmpty());
    const std::string v2 = read("in.s2p");
    EXPECT_EQ(v2, session::AmplifierSideFile(
                      session::AmplifierSideOf(*panel.outcome(), session::AmplifierSide::Input),
                      session::ExportKind::TouchstoneV2));
    EXPECT_NE(v2.find("! Port 1: the source, 50 ohms"), std::string::npos);

    const std::string device = read("fet.s2p");
    answer = QStringLiteral("fet.s2p");
    EXPECT_TRUE(panel.ExportSide(session::AmplifierSide::Input, session::ExportKind::Touchstone)
                    .contains(QStringLiteral("Nothing was written")));
    EXPECT_EQ(read("fet.s2p"), device);
    answer.clear(); // cancelled: nothing said, nothing written
    EXPECT_TRUE(
        panel.ExportSide(session::AmplifierSide::Input, session::ExportKind::Spice).isEmpty());
}

// "Show in Response window" on a side's schematic draws that side between its
// real ends: every |S11| the window reads is the side's own S11 and the
// amplifier's return loss at that port (the networks are lossless, so the
// device's end reflects as much as the termination's). The controls that act
// on designs stand aside until a design is drawn again, and the window's
// exports write the side's files.
TEST_F(DeviceWindowTest, AnAmplifierSideShownInTheResponseWindowIsThatSideBetweenItsEnds)
{
    std::ofstream("fet.s2p") << kFet;
    main_.tools().OpenDevice(QStringLiteral("fet.s2p"));
    AmplifierPanel &panel = main_.tools().deviceWindow()->amplifier();
    panel.f1Box().setText(QStringLiteral("3.9"));
    panel.f2Box().setText(QStringLiteral("4.1"));
    panel.loadBox().setText(QStringLiteral("75"));
    panel.Design();
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 1, 30000);
    ASSERT_TRUE(panel.outcome());
    const session::AmplifierOutcome &amplifier = *panel.outcome();
    std::vector<double> hz;
    for (std::size_t k = 0; k < amplifier.whole.size(); k += 7)
        hz.push_back(amplifier.whole[k].frequencyHz);
    ASSERT_GE(hz.size(), 3u);

    for (const session::AmplifierSide side :
         {session::AmplifierSide::Input, session::AmplifierSide::Output}) {
        SCOPED_TRACE(static_cast<int>(side));
        QAction *show = panel.showAction(side);
        ASSERT_NE(show, nullptr);
        EXPECT_TRUE((side == session::AmplifierSide::Input ? panel.inputSchematic()
                                                           : panel.outputSchematic())
                        .actions()
                        .contains(show));
        show->trigger();
        ResponseWindow *window = main_.tools().responseWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        ASSERT_TRUE(window->amplifierSide());
        ASSERT_TRUE(window->response().problem.empty()) << window->response().problem;
        const session::AmplifierSideNetwork expected = session::AmplifierSideOf(amplifier, side);
        const std::vector<session::TwoPortS> s = session::AmplifierSideSParameters(expected, hz);
        const std::vector<session::MarkerReading> shown =
            session::ReadMarkers(window->response(), hz);
        ASSERT_EQ(shown.size(), hz.size());
        for (std::size_t k = 0; k < hz.size(); ++k) {
            const auto at = std::ranges::find_if(
                amplifier.whole, [&](const auto &p) { return p.frequencyHz == hz[k]; });
            const double returnLossDb = side == session::AmplifierSide::Input
                                            ? at->inputReturnLossDb
                                            : at->outputReturnLossDb;
            EXPECT_NEAR(shown[k].gamma, std::abs(s[k].s11), 1e-9) << hz[k];
            EXPECT_NEAR(shown[k].gamma, std::pow(10, -returnLossDb / 20), 1e-6) << hz[k];
        }
        const QString banner = window->findChild<QLabel *>(QStringLiteral("designBanner"))->text();
        EXPECT_TRUE(banner.startsWith(side == session::AmplifierSide::Input
                                          ? QStringLiteral("Amplifier input network")
                                          : QStringLiteral("Amplifier output network")))
            << banner.toStdString();
        // Named as the side, with nothing rounded for a report drawn beside it.
        const std::vector<session::FigureRow> rows = session::FigureRows(window->response());
        ASSERT_FALSE(rows.empty());
        EXPECT_EQ(rows.front().figure,
                  side == session::AmplifierSide::Input ? "Input network" : "Output network");
        for (const session::ResponseCurve &curve : window->response().curves)
            EXPECT_NE(curve.role, session::CurveRole::Printed);
        for (const char *name : {"tune", "eseries", "partSource", "findCandidates", "bands"})
            EXPECT_FALSE(window->findChild<QWidget *>(QString::fromLatin1(name))->isEnabled())
                << name;
        EXPECT_FALSE(window->tuneRunning());
        EXPECT_TRUE(window->findChild<QWidget *>(QStringLiteral("sweepLogarithmic"))->isEnabled());
    }

    // The Response window's own export menu writes the side shown.
    ResponseWindow &window = *main_.tools().responseWindow();
    QApplication::setActiveWindow(&window);
    QTRY_VERIFY(window.isActiveWindow());
    main_.tools().SetSavePathAsker(
        [](QWidget *, const session::ExportFormat &) { return QStringLiteral("side.s2p"); });
    main_.tools().exportAction(session::ExportKind::TouchstoneV2)->trigger();
    std::ifstream in("side.s2p");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              session::AmplifierSideFile(
                  session::AmplifierSideOf(amplifier, session::AmplifierSide::Output),
                  session::ExportKind::TouchstoneV2));

    // A design drawn again takes the design's controls back.
    window.ShowDesign(Solve(Order4Plain()));
    EXPECT_FALSE(window.amplifierSide());
    for (const char *name : {"tune", "eseries", "partSource", "findCandidates", "bands"})
        EXPECT_TRUE(window.findChild<QWidget *>(QString::fromLatin1(name))->isEnabled()) << name;
    EXPECT_TRUE(window.findChild<QLabel *>(QStringLiteral("designBanner"))
                    ->text()
                    .startsWith(QStringLiteral("Order 4")));
}

// Settings made for designs (several bands, a component Q, a standard series,
// a tune) leave a side as built: its figures are the same as under none.
TEST_F(DeviceWindowTest, AnAmplifierSideIsFiguredAsBuiltWhateverTheDesignSettings)
{
    std::ofstream("fet.s2p") << kFet;
    main_.tools().OpenDevice(QStringLiteral("fet.s2p"));
    AmplifierPanel &panel = main_.tools().deviceWindow()->amplifier();
    panel.f1Box().setText(QStringLiteral("3.9"));
    panel.f2Box().setText(QStringLiteral("4.1"));
    panel.Design();
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 1, 30000);
    ASSERT_TRUE(panel.outcome());
    const session::AmplifierSideNetwork side =
        session::AmplifierSideOf(*panel.outcome(), session::AmplifierSide::Output);

    session::ResponseSettings designs;
    const session::BandsReading bands = session::ReadResponseBands("3.8:3.9, 4.1:4.2", "");
    ASSERT_TRUE(bands.problem.empty()) << bands.problem;
    designs.bands = bands.bands;
    designs.inductorQ = 30;
    designs.eseries = analysis::ESeries::E24;
    designs.tune = true;
    ResponseWindow window(designs);
    window.ShowAmplifierSide(side);
    ResponseWindow plain{session::ResponseSettings{}};
    plain.ShowAmplifierSide(side);
    ASSERT_TRUE(window.response().problem.empty()) << window.response().problem;
    EXPECT_FALSE(window.tuneRunning());
    EXPECT_TRUE(window.response().goal.empty());
    const std::vector<double> hz = {3.9e9, 4.0e9, 4.1e9};
    const std::vector<session::MarkerReading> a = session::ReadMarkers(window.response(), hz);
    const std::vector<session::MarkerReading> b = session::ReadMarkers(plain.response(), hz);
    const std::vector<session::TwoPortS> s = session::AmplifierSideSParameters(side, hz);
    for (std::size_t k = 0; k < hz.size(); ++k) {
        EXPECT_EQ(a[k].gamma, b[k].gamma);
        EXPECT_NEAR(a[k].gamma, std::abs(s[k].s11), 1e-9);
    }
    EXPECT_EQ(window.response().curves.size(), plain.response().curves.size());
    // The engineer's settings are kept for the designs.
    EXPECT_EQ(window.settings().bands, designs.bands);
    EXPECT_EQ(window.settings().inductorQ, designs.inductorQ);
    EXPECT_EQ(window.settings().eseries, designs.eseries);
    EXPECT_TRUE(window.settings().tune);
    EXPECT_TRUE(window.findChild<QLabel *>(QStringLiteral("designBanner"))
                    ->text()
                    .startsWith(QStringLiteral("Amplifier output network")));
}

TEST_F(DeviceWindowTest, AmplifierPageShowsTheDesignOfTheBoxesAndWhyThereIsNone)
{
    std::ofstream("fet.s2p") << kFet;
    main_.tools().OpenDevice(QStringLiteral("fet.s2p"));
    DeviceWindow &window = *main_.tools().deviceWindow();
    window.pages().setCurrentIndex(1);
    AmplifierPanel &panel = window.amplifier();
    // The band starts where the device is first unconditionally stable.
    EXPECT_EQ(panel.f1Box().text(), QStringLiteral("3.9"));
    EXPECT_EQ(panel.f2Box().text(), QStringLiteral("4"));
    EXPECT_FALSE(panel.inputSchematic().isVisible()); // nothing designed yet

    panel.f1Box().setText(QStringLiteral("3.5"));
    panel.f2Box().setText(QStringLiteral("4.5"));
    panel.loadBox().setText(QStringLiteral("75"));
    panel.goalBox().setCurrentIndex(1);
    QTest::mouseClick(&panel.designButton(), Qt::LeftButton);
    // The design runs on a worker thread: the click returns before it ends.
    EXPECT_TRUE(panel.designing());
    EXPECT_EQ(panel.status().text(), QStringLiteral("Designing both networks\u2026"));
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 1, 30000);

    // The same networks and figures as the session's own run of those boxes.
    session::AmplifierBoxes boxes{session::AmplifierGoal::Noise, "3.5", "4.5", "50", "75"};
    const session::AmplifierRun direct = session::RunAmplifierFromBoxes(window.device(), boxes);
    ASSERT_TRUE(direct.outcome);
    ASSERT_TRUE(panel.outcome());
    const analysis::Amplifier &a = panel.outcome()->amplifier;
    EXPECT_EQ(a.goal, analysis::AmplifierGoal::Noise);
    const session::Schematic &in = panel.inputSchematic().schematic();
    const session::Schematic &out = panel.outputSchematic().schematic();
    ASSERT_EQ(in.parts.size(), direct.outcome->amplifier.input.parts.size());
    ASSERT_EQ(out.parts.size(), direct.outcome->amplifier.output.parts.size());
    for (std::size_t i = 0; i < in.parts.size(); ++i)
        EXPECT_EQ(in.parts[i].value,
                  session::PrintedValue(direct.outcome->amplifier.input.parts[i]));
    for (std::size_t i = 0; i < out.parts.size(); ++i)
        EXPECT_EQ(out.parts[i].value,
                  session::PrintedValue(direct.outcome->amplifier.output.parts[i]));
    // Each network between its termination and the transistor's port.
    EXPECT_EQ(in.source.label, "Source");
    EXPECT_EQ(in.source.resistance, "50 \u03A9");
    EXPECT_TRUE(in.load.device);
    EXPECT_TRUE(out.source.device);
    EXPECT_EQ(out.load.label, "Load");
    EXPECT_EQ(out.load.resistance, "75 \u03A9");
    EXPECT_TRUE(panel.inputSchematic().isVisible());

    // The plot holds the whole file, the band shaded; the figures as the sweep's.
    const session::AmplifierView *view = panel.plot().view();
    ASSERT_NE(view, nullptr);
    // The file's two data frequencies outside the band and 201 points across
    // it, and the gaps outside the band filled a 400th of the span apart.
    ASSERT_EQ(view->frequencyGhz.size(), 203u + 99u + 99u);
    EXPECT_EQ(view->bandLowGhz, 3.5);
    EXPECT_EQ(view->bandHighGhz, 4.5);
    for (const analysis::AmplifierPoint &p : direct.outcome->whole) {
        const auto at = std::ranges::find_if(view->frequencyGhz, [&p](double ghz) {
            return std::abs(ghz * 1e9 - p.frequencyHz) <= 1e-9 * p.frequencyHz;
        });
        ASSERT_NE(at, view->frequencyGhz.end()) << p.frequencyHz;
        const auto i = static_cast<std::size_t>(at - view->frequencyGhz.begin());
        EXPECT_DOUBLE_EQ(view->gtDb[i], p.gtDb);
        EXPECT_DOUBLE_EQ(view->nfDb[i], *p.nfDb);
        EXPECT_DOUBLE_EQ(view->inputReturnLossDb[i], std::min(p.inputReturnLossDb, 60.0));
    }
    EXPECT_TRUE(panel.status().text().startsWith(QStringLiteral("GT ")))
        << panel.status().text().toStdString();
    EXPECT_TRUE(panel.status().text().contains(QStringLiteral("; NF at most ")));
    EXPECT_FALSE(window.grab().isNull());
    // The planes show where the networks put the transistor across the band:
    // the sweep's own reflections, from 3.5 to 4.5 GHz.
    const std::vector<session::Complex> &locus = window.sourceChart().design();
    ASSERT_EQ(locus.size(), 201u);
    EXPECT_EQ(locus.front(), direct.outcome->amplifier.dense.front().gammaS);
    EXPECT_EQ(window.loadChart().design().back(), direct.outcome->amplifier.dense.back().gammaL);
    EXPECT_TRUE(window.loadChart().Labels().contains(QStringLiteral("design \u0393L")));

    // A source that is not a resistance: the reason, and nothing of the old design.
    panel.sourceBox().setText(QStringLiteral("fifty"));
    QTest::keyClick(&panel.sourceBox(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 2, 30000);
    EXPECT_EQ(panel.status().text(),
              QStringLiteral("No amplifier: the source needs its resistance in ohms"));
    EXPECT_FALSE(panel.outcome());
    EXPECT_EQ(panel.plot().view(), nullptr);
    EXPECT_FALSE(panel.inputSchematic().isVisible());
    EXPECT_TRUE(window.sourceChart().design().empty()); // nothing of the old design

    // A stability margin that is not one.
    panel.sourceBox().setText(QStringLiteral("50"));
    panel.marginBox().setText(QStringLiteral("1.5"));
    QTest::keyClick(&panel.marginBox(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 3, 30000);
    EXPECT_EQ(panel.status().text(),
              QStringLiteral("No amplifier: the stability margin needs a number above 0 and "
                             "below 1"));

    // A band where no network keeps the device stable says so too.
    panel.marginBox().setText(QStringLiteral("0.9"));
    panel.f1Box().setText(QStringLiteral("2"));
    panel.Design();
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 4, 30000);
    EXPECT_TRUE(panel.status().text().contains(QStringLiteral("reaches past the data")))
        << panel.status().text().toStdString();
}

// Once a design is shown, each plane carries the path through its side's
// parts at the band's centre, read from the transistor toward the
// termination: its last point is the design's Gamma S or Gamma L there.
TEST_F(DeviceWindowTest, PlanesDrawEachSidesPathEndingAtTheDesignsTermination)
{
    std::ofstream("fet.s2p") << kFet;
    main_.tools().OpenDevice(QStringLiteral("fet.s2p"));
    DeviceWindow &window = *main_.tools().deviceWindow();
    EXPECT_FALSE(window.sourceChart().path());
    EXPECT_FALSE(window.loadChart().path());
    AmplifierPanel &panel = window.amplifier();
    panel.f1Box().setText(QStringLiteral("3.5"));
    panel.f2Box().setText(QStringLiteral("4.5"));
    panel.Design();
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 1, 30000);
    ASSERT_TRUE(panel.outcome());
    const session::AmplifierOutcome &o = *panel.outcome();
    const analysis::Amplifier &a = o.amplifier;
    const double z0 = o.data.referenceOhms;
    const double centre = std::sqrt(3.5e9 * 4.5e9);

    // The load plane's path is the output side's, point for point.
    ASSERT_TRUE(window.loadChart().path());
    const session::SmithPath &load = *window.loadChart().path();
    const session::SmithPath side2 = session::AmplifierSidePath(o, 2);
    ASSERT_EQ(load.points.size(), side2.points.size());
    ASSERT_EQ(load.points.size(), a.output.parts.size() + 1);
    for (std::size_t k = 0; k < load.points.size(); ++k) {
        EXPECT_EQ(load.points[k].z, side2.points[k].z) << k;
        EXPECT_EQ(load.points[k].label, side2.points[k].label) << k;
    }
    EXPECT_NEAR(load.frequencyHz, centre, 1e-3 * centre);

    // The amplifier's own sweep at the centre: the terminations the
    // networks present to the transistor, from their two-port cascades.
    const analysis::AmplifierPoint at = analysis::AmplifierPointAt(
        centre, analysis::DeviceScatteringAt(o.data, centre),
        analysis::NoiseAt(o.data.noise, centre), z0, a.input, a.output, o.source, o.load);
    const auto near = [](session::Complex x, session::Complex y) { return std::abs(x - y) < 1e-9; };
    EXPECT_PRED2(near, session::ReflectionOf(load.points.back().z, z0), at.gammaL);

    // The source plane's path starts at the 50 ohm source and passes the
    // input network's parts from the source to the transistor, ending on
    // Gamma S (not on the reflection the source sees, which is the other
    // way round through the same parts).
    ASSERT_TRUE(window.sourceChart().path());
    const session::SmithPath &source = *window.sourceChart().path();
    ASSERT_EQ(source.points.size(), a.input.parts.size() + 1);
    EXPECT_EQ(source.points.front().after, "source");
    EXPECT_PRED2(near, source.points.front().z, session::Complex(50, 0));
    EXPECT_PRED2(near, session::ReflectionOf(source.points.back().z, z0), at.gammaS);
    const session::SmithPath side1 = session::AmplifierSidePath(o, 1);
    for (std::size_t k = 1; k < source.points.size(); ++k)
        EXPECT_EQ(source.points[k].label, side1.points[source.points.size() - k].label) << k;
    ASSERT_EQ(source.arcs.size(), a.input.parts.size());
    for (std::size_t k = 0; k < source.arcs.size(); ++k) {
        EXPECT_PRED2(near, source.arcs[k].z.front(), source.points[k].z);
        EXPECT_PRED2(near, source.arcs[k].z.back(), source.points[k + 1].z);
    }
    // Each point labelled by its part beside the planes' other labels.
    const QStringList labels = window.sourceChart().Labels();
    EXPECT_TRUE(labels.contains(QStringLiteral("source")));
    for (std::size_t k = 1; k < source.points.size(); ++k)
        EXPECT_TRUE(labels.contains(QString::fromStdString(source.points[k].after))) << k;

    // Hovering the middle of an arc names its part and value; off the path,
    // nothing.
    window.pages().setCurrentIndex(0);
    DeviceChart &chart = window.loadChart();
    const session::SmithPathArc &arc = load.arcs.back();
    const QPointF middle = chart.Position(session::ReflectionOf(arc.z[arc.z.size() / 2], z0));
    QTest::mouseMove(&chart, middle.toPoint());
    QTRY_VERIFY(!chart.hoverText().isEmpty());
    bool named = false;
    for (const session::SmithPathArc &each : load.arcs)
        named = named || chart.hoverText().startsWith(QString::fromStdString(each.label) + '\n');
    EXPECT_TRUE(named) << chart.hoverText().toStdString();
    EXPECT_FALSE(chart.grab().isNull());
    QTest::mouseMove(&chart, QPoint(2, chart.height() - 2));
    QTRY_VERIFY(chart.hoverText().isEmpty());

    // A design that fails takes the paths away with it.
    window.pages().setCurrentIndex(1);
    panel.sourceBox().setText(QStringLiteral("fifty"));
    panel.Design();
    QTRY_COMPARE_WITH_TIMEOUT(panel.designsShown(), 2, 30000);
    EXPECT_FALSE(window.sourceChart().path());
    EXPECT_FALSE(window.loadChart().path());
}

} // namespace
} // namespace tevmar::test
