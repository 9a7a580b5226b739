#pragma once

// Driving the main window as a user does, for the programs that take
// screenshots and time the Response window under a real X server.

#include "ui/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>

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

// The window as the X server shows it.
inline bool Save(QWidget &window, const QDir &dir, const char *name)
{
    QTest::qWait(150); // let the X server draw what the window painted
    QApplication::processEvents();
    return SavePixmap(window.screen()->grabWindow(window.winId()), dir, name);
}

} // namespace tevmar::test
