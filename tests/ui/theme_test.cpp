// The windows under a light and a dark desktop palette. The main and About
// windows draw in their own colours, so a dark theme changes nothing in them;
// the Response window follows the desktop, and every control in it keeps its
// text readable on its background. Its font is a proportional one.

#include "ui/about_window.h"
#include "ui/main_window.h"
#include "ui/response_window.h"
#include "ui/result_tools.h"
#include "ui_test_support.h"
#include "window_driver.h"

#include <QFontInfo>
#include <QStyle>
#include <cmath>

namespace tevmar::test {
namespace {

// WCAG's relative luminance and contrast ratio (1 to 21; 4.5 is readable text).
double Luminance(const QColor &colour)
{
    const auto linear = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

double Contrast(const QColor &a, const QColor &b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class Theme : public InScratchDirectory
{
  protected:
    ~Theme() override { QApplication::setPalette(QApplication::style()->standardPalette()); }

    static std::vector<std::pair<const char *, QPalette>> Desktops()
    {
        return {{"light", QApplication::style()->standardPalette()},
                {"dark", DarkDesktopPalette()}};
    }
};

TEST_F(Theme, MainAndAboutWindowsLookTheSameUnderADarkDesktop)
{
    std::vector<QImage> shots;
    for (const auto &[name, desktop] : Desktops()) {
        QApplication::setPalette(desktop);
        MainWindow window;
        AboutPellmark about;
        shots.push_back(window.grab().toImage());
        shots.push_back(about.grab().toImage());
    }
    EXPECT_TRUE(shots[0] == shots[2]) << "the main window changed with the desktop's palette";
    EXPECT_TRUE(shots[1] == shots[3]) << "the About window changed with the desktop's palette";
}

// Every visible, enabled control of `window` draws its text at a contrast of
// at least 4.5 to its background.
void ExpectReadable(QWidget &window, const std::string &state)
{
    for (QWidget *child : window.findChildren<QWidget *>()) {
        if (!child->isVisibleTo(&window) || !child->isEnabled())
            continue;
        const QPalette &p = child->palette();
        EXPECT_GE(Contrast(p.color(child->foregroundRole()), p.color(child->backgroundRole())), 4.5)
            << state << ": " << child->metaObject()->className() << " "
            << child->objectName().toStdString();
    }
}

TEST_F(Theme, ResponseWindowFollowsTheDesktopAndStaysReadable)
{
    for (const auto &[name, desktop] : Desktops()) {
        QApplication::setPalette(desktop);
        ResponseWindow empty(session::ResponseSettings{}, [](const session::ResponseSettings &) {});
        EXPECT_EQ(empty.palette().color(QPalette::Window), desktop.color(QPalette::Window)) << name;
        EXPECT_FALSE(QFontInfo(empty.font()).fixedPitch())
            << "fixed-pitch font " << QFontInfo(empty.font()).family().toStdString();
        ExpectReadable(empty, std::string(name) + ", no design");

        MainWindow window;
        CalculateShuntRc1pF(window);
        window.tools().action(ResultTools::Command::Response)->trigger();
        ResponseWindow *response = window.tools().responseWindow();
        ASSERT_NE(response, nullptr);
        ExpectReadable(*response, std::string(name) + ", a design");
        Type(window, "Zlow_text", "0");
        Click(window, "Calc_BP");
        ExpectReadable(*response, std::string(name) + ", an earlier design");
    }
}

} // namespace
} // namespace tevmar::test
