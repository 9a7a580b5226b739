// Saves pictures of the Response window as it appears on the X server, for a
// person to check that the plot is readable and labelled: the order-8 shunt RC
// design absorbing 1 pF (1 to 2 GHz, 50 to 10 ohms), then with E24 values,
// component Q and the pointer over the plot, then after a failed Calculate,
// and the output pane's context menu.
// Usage: tevmar_response_screenshots OUTPUT_DIR (run under xvfb-run).

#include "ui/main_window.h"
#include "ui/output_pane.h"
#include "ui/plot_widget.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "window_driver.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTest>
#include <cstdio>

namespace {

using tevmar::test::Click;
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
    bool ok = SavePixmap(window.screen()->grabWindow(0, menuArea.x(), menuArea.y(),
                                                     menuArea.width(), menuArea.height()),
                         dir, "6-pane-menu.png");
    tools.menu().hide();

    tools.ShowResponse();
    tevmar::ResponseWindow *response = tools.responseWindow();
    response->move(10, 10);
    if (!QTest::qWaitForWindowExposed(response))
        return 1;
    ok = Save(*response, dir, "7-response.png") && ok;

    response->findChild<QComboBox *>(QStringLiteral("eseries"))->setCurrentIndex(2); // E24
    response->findChild<QDoubleSpinBox *>(QStringLiteral("inductorQ"))->setValue(100);
    response->findChild<QDoubleSpinBox *>(QStringLiteral("capacitorQ"))->setValue(300);
    tevmar::ResponsePlot &plot = response->plot();
    QTest::mouseMove(&plot, QPoint(plot.width() * 45 / 100, plot.height() / 2));
    ok = Save(*response, dir, "8-response-e24-hover.png") && ok;

    Type(window, "Zlow_text", "0");
    Click(window, "Calc_BP");
    ok = Save(*response, dir, "9-response-stale.png") && ok;
    response->close();
    return ok ? 0 : 1;
}
