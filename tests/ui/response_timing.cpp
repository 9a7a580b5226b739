// Measures how long the Response window takes to follow a change of one of its
// controls: from the new value to the repainted plot and figures, with the
// default 401-point sweep and 1000 tolerance trials. Prints the median and the
// slowest of each kind of change, for the order-8 shunt RC design absorbing
// 1 pF and for an order-12 design.
// Usage: tevmar_response_timing [REPEATS] (offscreen or under xvfb-run).

#include "ui/main_window.h"
#include "ui/plot_widget.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "window_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using tevmar::test::Click;

// Milliseconds from the change to the window painted with its result.
double TimeChange(tevmar::ResponseWindow &response, const std::function<void()> &change)
{
    QElapsedTimer clock;
    clock.start();
    change();
    response.repaint();
    QApplication::processEvents();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void Report(const char *what, std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    std::printf("  %-34s median %6.1f ms   slowest %6.1f ms\n", what, times[times.size() / 2],
                times.back());
}

void Measure(tevmar::ResponseWindow &r, int repeats)
{
    auto *series = r.findChild<QComboBox *>(QStringLiteral("eseries"));
    auto *tolerance = r.findChild<QDoubleSpinBox *>(QStringLiteral("tolerance"));
    auto *inductorQ = r.findChild<QDoubleSpinBox *>(QStringLiteral("inductorQ"));
    auto *points = r.findChild<QSpinBox *>(QStringLiteral("sweepPoints"));
    std::vector<double> seriesTimes, toleranceTimes, qTimes, pointTimes;
    for (int i = 0; i < repeats; ++i) {
        seriesTimes.push_back(TimeChange(r, [&] { series->setCurrentIndex(i % 2 ? 0 : 2); }));
        toleranceTimes.push_back(TimeChange(r, [&] { tolerance->setValue(i % 2 ? 5.0 : 5.5); }));
        qTimes.push_back(TimeChange(r, [&] { inductorQ->setValue(i % 2 ? 0.0 : 100.0); }));
        pointTimes.push_back(TimeChange(r, [&] { points->setValue(i % 2 ? 401 : 402); }));
    }
    series->setCurrentIndex(0);
    inductorQ->setValue(0);
    tolerance->setValue(5);
    points->setValue(401);
    Report("standard values (E24 / none)", seriesTimes);
    Report("tolerance (5 / 5.5 %)", toleranceTimes);
    Report("inductor Q (100 / ideal)", qTimes);
    Report("sweep points (401 / 402)", pointTimes);
    std::printf("  sweep and figures alone, last change: %.1f ms\n", r.lastComputeMs());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path()); // the design run writes its report here

    tevmar::MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    tevmar::test::CalculateShuntRc1pF(window);
    window.tools().ShowResponse();
    tevmar::ResponseWindow &response = *window.tools().responseWindow();
    if (!QTest::qWaitForWindowExposed(&response))
        return 1;
    std::printf("Order 8, shunt RC 1 pF, 1 to 2 GHz, 50 to 10 ohms (401 points, 1000 trials):\n");
    Measure(response, repeats);

    tevmar::test::TypeBandAndPorts(window, "11", "31", "381", "99");
    Click(window, "LC_abs");
    Click(window, "N12");
    Click(window, "Calc_BP");
    std::printf("Order 12, 11 to 31 GHz, 381 to 99 ohms (401 points, 1000 trials):\n");
    Measure(response, repeats);
    return 0;
}
