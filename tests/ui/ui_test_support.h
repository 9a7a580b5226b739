#pragma once

// Helpers shared by the window tests: a scratch working directory, answering
// message boxes, finding controls by name, reading files back.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace tevmar::test {

// Runs a test inside an empty working directory of its own, where the design
// run writes "tevmar.prt", and returns to the previous one afterwards.
class InScratchDirectory : public testing::Test
{
  protected:
    InScratchDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(scratch_.path()); }
    ~InScratchDirectory() override
    {
        QDir::setCurrent(previous_);
        // Windows a test left open must not keep the next test's program alive.
        for (QWidget *window : QApplication::topLevelWidgets())
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::filesystem::path Here() const { return scratch_.path().toStdString(); }

  private:
    QTemporaryDir scratch_;
    QString previous_;
};

inline std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const std::filesystem::path &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

inline std::filesystem::path Golden(const char *name)
{
    return std::filesystem::path(TEVMAR_GOLDEN_DIR) / name;
}

// Runs `action` and answers the message box it opens. Returns the box's text,
// or "(no message)" when none opened.
inline QString MessageFrom(const std::function<void()> &action)
{
    QString text = QStringLiteral("(no message)");
    QTimer answer;
    answer.setInterval(0);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            text = box->text();
            box->accept();
        }
    });
    answer.start();
    action();
    answer.stop();
    return text;
}

template <class Widget = QWidget> Widget *Control(QWidget &window, const char *name)
{
    auto *widget = window.findChild<Widget *>(QString::fromLatin1(name));
    if (!widget)
        ADD_FAILURE() << "no control " << name;
    return widget;
}

// What a user does: replace a box's text by typing, click a control.
inline void Type(QWidget &window, const char *box, const QString &text)
{
    QLineEdit *edit = Control<QLineEdit>(window, box);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

inline void Click(QWidget &window, const char *name)
{
    auto *button = Control<QAbstractButton>(window, name);
    // Near the left end, where option buttons and the check box have their mark.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

inline QString BoxText(QWidget &window, const char *box)
{
    return Control<QLineEdit>(window, box)->text();
}

} // namespace tevmar::test
