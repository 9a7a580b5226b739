#pragma once

// Driving the main window as a user does, for the programs that take
// screenshots and time the Response window under a real X server.

#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstring>

namespace tevmar::test {

// Replaces the text of a box by typing, key by key.
inline void Type(MainWindow &window, const char *box, const char *text)
{
    auto *edit = window.findChild<QLineEdit *>(QString::fromLatin1(box));
    edit->clear();
    QTest::keyClicks(edit, QString::fromLatin1(text));
}

// Clicks a button, option or check box near its left edge, where its mark is.
inline void Click(MainWindow &window, const char *name)
{
    auto *button = window.findChild<QAbstractButton *>(QString::fromLatin1(name));
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

// Types the band (GHz) and the two port impedances (ohms).
inline void TypeBandAndPorts(MainWindow &window, const char *f1, const char *f2, const char *zhigh,
                             const char *zlow)
{
    Type(window, "F1_text", f1);
    Type(window, "F2_text", f2);
    Type(window, "Zhigh_text", zhigh);
    Type(window, "Zlow_text", zlow);
}

// Calculates the order-8 design absorbing a 1 pF shunt RC load on 1 to 2 GHz,
// 50 to 10 ohms, starting from a fresh window.
inline void CalculateShuntRc1pF(MainWindow &window)
{
    TypeBandAndPorts(window, "1", "2", "50", "10");
    Click(window, "N8");
    Click(window, "PRC");
    Click(window, "LC_abs");
    Type(window, "LC_text", "1");
    Click(window, "Calc_BP");
}

inline bool SavePixmap(const QPixmap &shot, const QDir &dir, const char *name)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    const bool saved = shot.save(path, "PNG");
    std::printf("%s %s (%dx%d)\n", saved ? "saved" : "FAILED", qPrintable(path), shot.width(),
                shot.height());
    return saved;
}

// A dark desktop theme's palette: light text on dark grey.
inline QPalette DarkDesktopPalette()
{
    const QColor window(45, 45, 45), base(30, 30, 30), text(230, 230, 230), grey(127, 127, 127);
    QPalette palette(text, QColor(60, 60, 60), QColor(90, 90, 90), QColor(20, 20, 20),
                     QColor(50, 50, 50), text, QColor(255, 255, 255), base, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Highlight, QColor(42, 130, 218));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, grey);
    palette.setColor(QPalette::Link, QColor(100, 170, 255));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, grey);
    return palette;
}

// "OUTPUT_DIR [--dark]" of the screenshot programs: with --dark the desktop's
// palette is the dark one. Returns false (after saying how) when the
// arguments are not that.
inline bool ScreenshotArguments(int argc, char **argv, const char *program)
{
    const bool dark = argc == 3 && std::strcmp(argv[2], "--dark") == 0;
    if (argc != 2 && !dark) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [--dark]\n", program);
        return false;
    }
    if (dark)
        QApplication::setPalette(DarkDesktopPalette());
    // What the windows remember goes to a folder of the run's own, so that
    // the pictures never show, nor change, the user's settings.
    static const QTemporaryDir settings;
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
            QSettings::setPath(format, scope, settings.path());
    return true;
}

// The window as the X server shows it.
inline bool Save(QWidget &window, const QDir &dir, const char *name)
{
    QTest::qWait(150); // let the X server draw what the window painted
    QApplication::processEvents();
    return SavePixmap(window.screen()->grabWindow(window.winId()), dir, name);
}

} // namespace tevmar::test
