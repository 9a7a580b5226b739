// Measures how long the Response window takes to follow a change of one of its
// controls: from the new value to the plot painted with it, as the window
// does it (the widgets that changed repaint, the others keep their pixels),
// with the default 401-point sweep and 1000 tolerance trials, which run on
// another thread. Prints the median and the
// slowest of each kind of change, for the order-8 shunt RC design absorbing
// 1 pF and for an order-12 design.
// Usage: tevmar_response_timing [REPEATS] (offscreen or under xvfb-run).

#include "ui/main_window.h"
#include "ui/plot_widget.h"
#include "ui/response_views.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "ui/smith_chart.h"
#include "window_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using tevmar::test::Click;

// Counts the paint events of the widget it watches.
class PaintCounter final : public QObject
{
  public:
    int painted = 0;

  protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        painted += event->type() == QEvent::Paint;
        return false;
    }
};

// Milliseconds from the change to the plot painted with its result: events
// are handled as the window's event loop would until the plot has painted.
double TimeChange(PaintCounter &plot, const std::function<void()> &change)
{
    const int before = plot.painted;
    QElapsedTimer clock;
    clock.start();
    change();
    while (plot.painted == before && clock.elapsed() < 5000)
        QApplication::processEvents();
    if (plot.painted == before) {
        std::fprintf(stderr, "the plot did not repaint after a change\n");
        std::exit(1);
    }
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
    PaintCounter plot;
    r.plot().installEventFilter(&plot);
    auto *series = r.findChild<QComboBox *>(QStringLiteral("eseries"));
    auto *tolerance = r.findChild<QDoubleSpinBox *>(QStringLiteral("tolerance"));
    auto *inductorQ = r.findChild<QDoubleSpinBox *>(QStringLiteral("inductorQ"));
    auto *points = r.findChild<QSpinBox *>(QStringLiteral("sweepPoints"));
    std::vector<double> seriesTimes, toleranceTimes, qTimes, pointTimes, stepTimes, chipStepTimes;
    for (int i = 0; i < repeats; ++i) {
        seriesTimes.push_back(TimeChange(plot, [&] { series->setCurrentIndex(i % 2 ? 0 : 2); }));
        toleranceTimes.push_back(TimeChange(plot, [&] { tolerance->setValue(i % 2 ? 5.0 : 5.5); }));
        qTimes.push_back(TimeChange(plot, [&] { inductorQ->setValue(i % 2 ? 0.0 : 100.0); }));
        pointTimes.push_back(TimeChange(plot, [&] { points->setValue(i % 2 ? 401 : 402); }));
    }
    // A part stepped by hand, with ideal parts and with chip models.
    r.SelectPart(1);
    for (int i = 0; i < repeats; ++i)
        stepTimes.push_back(TimeChange(plot, [&] { r.StepPart(i % 2 ? -1 : 1, 5); }));
    r.SetPartChoice({tevmar::session::PartSource::ChipModels, "55@1.5GHz,0.157pF",
                     "0.45nH,0.12@1GHz", "0.05pF"});
    r.SelectPart(1);
    // The trials of the new parts run on their own; a step does not wait for them.
    for (int i = 0; i < 3000 && r.trialsRunning(); ++i)
        QTest::qWait(5);
    for (int i = 0; i < repeats; ++i)
        chipStepTimes.push_back(TimeChange(plot, [&] { r.StepPart(i % 2 ? -1 : 1, 5); }));
    const double stepMs = r.lastStepMs();
    // A part's point dragged on the Smith chart with chip models: each move
    // of the pointer to the chart repainted, the pointer swinging between
    // two places on the second part's arc.
    std::vector<double> dragTimes;
    tevmar::SmithChart &smith = r.views().smith();
    r.views().tabs().setCurrentWidget(&smith);
    QApplication::processEvents();
    double dragMs = 0;
    if (smith.path() && smith.path()->points.size() > 2) {
        PaintCounter chart;
        smith.installEventFilter(&chart);
        const std::size_t samples = smith.path()->arcs[1].z.size();
        const QPoint places[] = {smith.PathSampleAt(1, samples / 3).toPoint(),
                                 smith.PathSampleAt(1, samples * 2 / 3).toPoint()};
        QTest::mousePress(&smith, Qt::LeftButton, {}, smith.PathPointAt(2).toPoint());
        for (int i = 0; i < repeats; ++i)
            dragTimes.push_back(
                TimeChange(chart, [&] { QTest::mouseMove(&smith, places[i % 2]); }));
        dragMs = r.lastStepMs();
        QTest::mouseRelease(&smith, Qt::LeftButton, {}, places[(repeats - 1) % 2]);
        smith.removeEventFilter(&chart);
        r.UndoStep();
    }
    r.views().tabs().setCurrentIndex(0);
    r.SetPartChoice({});
    r.ClearSteps();
    series->setCurrentIndex(0);
    inductorQ->setValue(0);
    tolerance->setValue(5);
    points->setValue(401);
    Report("standard values (E24 / none)", seriesTimes);
    Report("tolerance (5 / 5.5 %)", toleranceTimes);
    Report("inductor Q (100 / ideal)", qTimes);
    Report("sweep points (401 / 402)", pointTimes);
    Report("a part stepped +-5 %", stepTimes);
    Report("a part stepped, chip models", chipStepTimes);
    std::printf("  a step's sweep, figures and views set, before painting: %.1f ms\n", stepMs);
    if (!dragTimes.empty()) {
        Report("a part dragged, chip models", dragTimes);
        std::printf("  a drag move's mapping, sweep, figures and views, before painting: %.1f ms\n",
                    dragMs);
    }
    r.plot().removeEventFilter(&plot);
    std::printf("  sweep and figures alone, last change: %.1f ms\n", r.lastComputeMs());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    QTemporaryDir scratch;
    QDir::setCurrent(scratch.path()); // the design run writes its report here
    // The parts chosen while timing are remembered in the run's own folder,
    // never in the user's settings.
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, scratch.path());

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
