#include "ui/about_window.h"
#include "ui/main_window.h"
#include "ui_test_support.h"

#include <QLabel>

namespace tevmar::test {
namespace {

using Window = ::tevmar::MainWindow;

int OpenAboutWindows()
{
    int open = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        open += window->objectName() == "AboutPellmark" && window->isVisible();
    return open;
}

class About : public InScratchDirectory
{
};

TEST_F(About, ShowsTheCreditAndContactInPaleYellowOnBlack)
{
    AboutPellmark about;
    EXPECT_EQ(about.windowTitle(), "About Pellmark   -   Version 1.0");
    EXPECT_EQ(about.minimumSize(), QSize(417, 60));
    EXPECT_EQ(about.maximumSize(), QSize(417, 60));
    EXPECT_EQ(about.palette().color(QPalette::Window), QColor(Qt::black));
    const Qt::WindowFlags flags = about.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool); // no taskbar entry
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    struct Line
    {
        const char *name;
        const char *text;
        int pixels;
    };
    // 14.25 pt and 11.25 pt at 96 dpi: 19 and 15 pixels, italic, regular weight.
    for (const Line &line :
         {Line{"Label1", AboutPellmark::kCredit, 19}, Line{"email", AboutPellmark::kContact, 15}}) {
        auto *label = Control<QLabel>(about, line.name);
        EXPECT_EQ(label->text(), line.text);
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 255, 128));
        EXPECT_TRUE(label->alignment() & Qt::AlignHCenter);
        const QFontInfo font(label->font());
        EXPECT_EQ(font.pixelSize(), line.pixels);
        EXPECT_TRUE(font.italic());
        EXPECT_FALSE(font.bold());
        // The line fits its label: nothing is cut off at either end.
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(label->text()), label->width());
    }
    EXPECT_TRUE(QString::fromLatin1(AboutPellmark::kContact).endsWith("@example.com"));
}

TEST_F(About, ASecondCommandRaisesTheOpenWindow)
{
    Window w;
    w.show();
    Click(w, "GetAbout");
    QPointer<AboutPellmark> first = w.about();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->parent(), nullptr); // not owned by the main window
    Click(w, "GetAbout");
    EXPECT_EQ(w.about(), first.data());
    EXPECT_EQ(OpenAboutWindows(), 1);
    // The main window stays usable: the About window is not modal.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // Closing destroys it; the next command builds a fresh one.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(w.about(), nullptr);
    Click(w, "GetAbout");
    ASSERT_NE(w.about(), nullptr);
    EXPECT_EQ(OpenAboutWindows(), 1);
}

TEST_F(About, KeepsTheProgramRunningUntilItClosesAfterTheMainWindow)
{
    // Qt does not count tool windows when it looks for the last open window;
    // the About window must count, or closing the main window first would end
    // the program under the user's eyes. Qt decides this only inside exec():
    // the main window closes first, then the About window, and exec() must
    // return only after the second close.
    Window w;
    w.show();
    Click(w, "GetAbout");
    QPointer<AboutPellmark> about = w.about();
    bool aboutOpenAfterMainClosed = false;
    QTimer::singleShot(0, &w, [&] { w.close(); });
    QTimer::singleShot(50, qApp, [&] {
        aboutOpenAfterMainClosed = about && about->isVisible();
        if (about)
            about->close();
    });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    safety.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(aboutOpenAfterMainClosed);
}

} // namespace
} // namespace tevmar::test
