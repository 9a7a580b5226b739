// Saves pictures of the Transistor window, as it appears on the X server, for
// a person to look at: a potentially unstable HFET at 2 GHz, an
// unconditionally stable FET at 4 GHz with its noise parameters, and a device
// whose input is a negative resistance at 8 GHz (the stable side inside the
// load circle); and the Amplifier page on a GaAs FET from 3 to 5 GHz,
// designed for gain and for noise over 3.5 to 4.5 GHz; before that its
// planes with the circles of five frequencies across its band, and at a
// frequency between two of its data frequencies; then the planes with the
// design's terminations and each side's path through its parts.
// Usage: tevmar_device_screenshot OUTPUT_DIR [--dark] (run under xvfb-run).

#include "session/run/device.h"
#include "tests/common/gaas_fet.h"
#include "ui/amplifier_panel.h"
#include "ui/device_window.h"
#include "ui/response_views.h"
#include "ui/response_window.h"
#include "window_driver.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <algorithm>
#include <fstream>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!tevmar::test::ScreenshotArguments(argc, argv, "tevmar_device_screenshot"))
        return 2;
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));
    const std::string path = dir.filePath(QStringLiteral("fets.s2p")).toStdString();
    std::ofstream(path) << "! three transistors\n"
                           "# GHz S MA R 50\n"
                           "2 0.894 -60.6 3.122 123.6 0.020 62.4 0.781 -27.6\n"
                           "4 0.72 -116 2.60 76 0.03 57 0.73 -54\n"
                           "6 0.6 -60 1.9 81 0.05 26 0.5 -60\n"
                           "8 1.2 -40 2.0 100 0.1 30 0.6 -50\n"
                           "4 1.6 0.62 100 0.4\n"
                           "8 2.0 0.7 110 0.6\n";
    tevmar::session::DeviceInput input;
    input.filePath = path;
    tevmar::session::DeviceRun run = tevmar::session::RunDevice(input, {}, {});
    if (!run.outcome)
        return 1;
    tevmar::DeviceWindow window(std::move(*run.outcome));
    window.move(20, 20);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    bool ok = tevmar::test::Save(window, dir, "device-4ghz.png");
    window.ChooseFrequency(0);
    ok = tevmar::test::Save(window, dir, "device-2ghz.png") && ok;
    window.ChooseFrequency(3);
    ok = tevmar::test::Save(window, dir, "device-8ghz.png") && ok;

    const std::string fet = dir.filePath(QStringLiteral("fet.s2p")).toStdString();
    std::ofstream(fet) << tevmar::test::kGaasFet;
    input.filePath = fet;
    run = tevmar::session::RunDevice(input, {}, {});
    if (!run.outcome)
        return 1;
    tevmar::DeviceWindow amplifier(std::move(*run.outcome));
    amplifier.move(20, 20);
    amplifier.show();
    if (!QTest::qWaitForWindowExposed(&amplifier))
        return 1;
    // The GaAs FET's planes across 3 to 5 GHz at once, then at 4.45 GHz on
    // the slider between two data frequencies, with levels typed.
    amplifier.familyBox().setChecked(true);
    ok = tevmar::test::Save(amplifier, dir, "device-family.png") && ok;
    amplifier.familyBox().setChecked(false);
    amplifier.frequencySlider().setValue(145);
    amplifier.gainLevelBox().setValue(11);
    amplifier.noiseLevelBox().setValue(2.2);
    ok = tevmar::test::Save(amplifier, dir, "device-slider.png") && ok;
    amplifier.pages().setCurrentIndex(1);
    tevmar::AmplifierPanel &panel = amplifier.amplifier();
    panel.f1Box().setText(QStringLiteral("3.5"));
    panel.f2Box().setText(QStringLiteral("4.5"));
    for (const int goal : {0, 1}) {
        panel.goalBox().setCurrentIndex(goal);
        const int shown = panel.designsShown();
        panel.Design();
        if (!QTest::qWaitFor([&] { return panel.designsShown() > shown; }, 30000))
            return 1;
        ok = tevmar::test::Save(amplifier, dir,
                                goal == 0 ? "amplifier-gain.png" : "amplifier-noise.png") &&
             ok;
    }
    // The planes across the band with the noise design's terminations.
    amplifier.pages().setCurrentIndex(0);
    amplifier.familyBox().setChecked(true);
    ok = tevmar::test::Save(amplifier, dir, "device-family-design.png") && ok;
    // The same at the window's smallest, where the labels must still stand apart.
    const QSize before = amplifier.size();
    amplifier.resize(amplifier.minimumSizeHint());
    QTest::qWait(100);
    ok = tevmar::test::Save(amplifier, dir, "device-family-small.png") && ok;
    amplifier.resize(before);
    QTest::qWait(100);
    amplifier.familyBox().setChecked(false);
    // At one frequency, each side's path through its parts at the band's
    // centre, from the source and the load to the transistor.
    QTest::qWait(100);
    ok = tevmar::test::Save(amplifier, dir, "device-path.png") && ok;
    amplifier.pages().setCurrentIndex(1);
    // The device loaded until unconditionally stable: its resistor drawn.
    panel.goalBox().setCurrentIndex(0);
    panel.stabiliseBox().setChecked(true);
    const int shown = panel.designsShown();
    panel.Design();
    if (!QTest::qWaitFor([&] { return panel.designsShown() > shown; }, 30000))
        return 1;
    ok = tevmar::test::Save(amplifier, dir, "amplifier-stabilised.png") && ok;
    // The stabilised design's input side in the Response window, between the
    // source and the transistor's input with the output side behind it.
    tevmar::ResponseWindow response{tevmar::session::ResponseSettings{}};
    response.ShowAmplifierSide(
        tevmar::session::AmplifierSideOf(*panel.outcome(), tevmar::session::AmplifierSide::Input));
    response.move(20, 20);
    response.resize(std::min(1000, response.sizeHint().width()), 760);
    response.show();
    if (!QTest::qWaitForWindowExposed(&response))
        return 1;
    QTest::qWait(200);
    ok = tevmar::test::Save(response, dir, "amplifier-input-response.png") && ok;
    response.views().tabs().setCurrentIndex(1); // the Smith chart, with the path
    QTest::qWait(100);
    ok = tevmar::test::Save(response, dir, "amplifier-input-smith.png") && ok;
    return ok ? 0 : 1;
}
