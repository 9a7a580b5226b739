// Measures the window's start: the time from the moment the launching shell
// recorded (argument 1, nanoseconds of CLOCK_REALTIME, as `date +%s%N`
// prints it) to the end of the main window's first paint, and the peak
// resident memory then. With --design it then also runs an order-12 design
// and opens the About window before reading the peak memory.
// Prints: first_paint_ms=<ms> peak_rss_kib=<KiB>

#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/resource.h>

namespace {

long long NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

long PeakRssKib()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Quits once the window has painted for the first time.
class FirstPaint final : public QObject
{
  public:
    FirstPaint(tevmar::MainWindow &window, long long startNs, bool design)
        : window_(window), startNs_(startNs), design_(design)
    {
    }

  protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Runs once this paint pass (children included) is done.
            QTimer::singleShot(0, this, [this] { Report(); });
        }
        return false;
    }

  private:
    void Report()
    {
        const double ms = double(NowNs() - startNs_) / 1e6;
        if (design_)
            Design();
        std::printf("first_paint_ms=%.1f peak_rss_kib=%ld\n", ms, PeakRssKib());
        QCoreApplication::quit();
    }
    void Design()
    {
        const char *inputs[][2] = {
            {"F1_text", "1"}, {"F2_text", "2"}, {"Zhigh_text", "50"}, {"Zlow_text", "10"}};
        for (const auto &[box, text] : inputs)
            window_.findChild<QLineEdit *>(QString::fromLatin1(box))
                ->setText(QString::fromLatin1(text));
        for (const char *button : {"N12", "Calc_BP", "GetAbout"})
            window_.findChild<QAbstractButton *>(QString::fromLatin1(button))->click();
        QCoreApplication::processEvents();
    }

    tevmar::MainWindow &window_;
    long long startNs_;
    bool design_;
    bool seen_ = false;
};

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fputs("usage: tevmar_startup_probe START_NS [--design]\n", stderr);
        return 2;
    }
    const long long startNs = std::atoll(argv[1]);
    const bool design = argc > 2 && std::strcmp(argv[2], "--design") == 0;
    QApplication app(argc, argv);
    tevmar::MainWindow window;
    FirstPaint probe(window, startNs, design);
    window.installEventFilter(&probe);
    window.show();
    return QApplication::exec();
}
