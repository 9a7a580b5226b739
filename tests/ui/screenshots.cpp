// Saves pictures of the main window and the About window, as they appear on
// the X server, for a person to compare with the window's layout: the fresh
// window, after an order-12 design (also enlarged three times for close
// inspection), after a failed design, with a report longer than the pane,
// and the About window.
// Usage: tevmar_screenshots OUTPUT_DIR (run under xvfb-run).

#include "ui/main_window.h"
#include "ui/output_pane.h"
#include "window_driver.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <cstdio>

using tevmar::test::Click;
using tevmar::test::Save;
using tevmar::test::Type;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!tevmar::test::ScreenshotArguments(argc, argv, "tevmar_screenshots"))
        return 2;
    QDir dir(QString::fromLocal8Bit(argv[1]));
    dir.mkpath(QStringLiteral("."));
    // The design run writes its report into the working directory.
    QDir::setCurrent(dir.absolutePath());

    tevmar::MainWindow window;
    window.move(40, 40);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    bool ok = Save(window, dir, "1-fresh.png");

    tevmar::test::TypeBandAndPorts(window, "1", "2", "50", "10");
    Click(window, "N12");
    Click(window, "Calc_BP");
    ok = Save(window, dir, "2-order12.png") && ok;

    const QPixmap zoom = window.screen()->grabWindow(window.winId());
    ok = zoom.scaled(zoom.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
             .save(dir.filePath(QStringLiteral("2-order12-zoom3.png")), "PNG") &&
         ok;

    Click(window, "LC_abs");
    Type(window, "LC_text", "3.3");
    Click(window, "PRC");
    Type(window, "Zlow_text", "0");
    Click(window, "Calc_BP");
    ok = Save(window, dir, "3-failed.png") && ok;

    // A few megahertz: inductors of thousands of nanohenries wrap their units.
    Click(window, "LC_abs");
    Type(window, "F1_text", "0.001");
    Type(window, "F2_text", "0.002");
    Type(window, "Zlow_text", "10");
    Click(window, "SRL");
    Click(window, "Calc_BP");
    ok = Save(window, dir, "4-long-report.png") && ok;

    Click(window, "GetAbout");
    tevmar::AboutPellmark *about = window.about();
    about->move(40, 420);
    if (!QTest::qWaitForWindowExposed(about))
        return 1;
    ok = Save(*about, dir, "5-about.png") && ok;
    about->close();
    return ok ? 0 : 1;
}
