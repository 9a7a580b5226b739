// tevmar: the window of Tevmar Z-Match.

#include "ui/main_window.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

bool Asked(int argc, char **argv, const char *option)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0)
            return true;
    return false;
}

// Qt needs a display unless a platform is named explicitly; without one it
// would abort with a message about plugins. Say plainly what to do instead.
bool DisplayAvailable(int argc, char **argv)
{
    const auto set = [](const char *name) {
        const char *value = std::getenv(name);
        return value && *value;
    };
    return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM") ||
           Asked(argc, argv, "-platform");
}

} // namespace

int main(int argc, char **argv)
{
    if (Asked(argc, argv, "--version")) {
        std::puts("tevmar " TEVMAR_VERSION);
        return 0;
    }
    if (Asked(argc, argv, "--help")) {
        std::puts("Usage: tevmar\n"
                  "Opens the Tevmar Z-Match window. The design is saved to tevmar.prt in the\n"
                  "working directory. For a design without a window, use tevmar-cli.\n\n"
                  "  --version  print the version and exit\n"
                  "  --help     print this help and exit");
        return 0;
    }
    if (!DisplayAvailable(argc, argv)) {
        std::fputs("tevmar: no display is available (neither DISPLAY nor WAYLAND_DISPLAY is "
                   "set), so the window cannot open.\n"
                   "Run the same design without a window with tevmar-cli "
                   "(tevmar-cli --help).\n",
                   stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tevmar Z-Match"));
    QApplication::setApplicationVersion(QStringLiteral(TEVMAR_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Vendrel Design Tools"));
    QApplication::setDesktopFileName(QStringLiteral("tevmar"));

    // The design state lives with the application; the windows show it.
    const auto state = std::make_shared<tevmar::session::DesignState>();
    tevmar::MainWindow window(&tevmar::MainWindow::DefaultPrinter, state);
    window.show();
    return QApplication::exec();
}
