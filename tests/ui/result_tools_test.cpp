#include "response_test_support.h"
#include "ui/main_window.h"
#include "ui/output_pane.h"
#include "ui/result_tools.h"
#include "ui_test_support.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <unistd.h>

namespace tevmar::test {
namespace {

using Command = ResultTools::Command;
using session::ExportFormat;
using session::ExportKind;

class PaneMenu : public InScratchDirectory
{
  protected:
    static void Calculate(MainWindow &w, const char *zlow)
    {
        Type(w, "F1_text", QStringLiteral("1"));
        Type(w, "F2_text", QStringLiteral("2"));
        Type(w, "Zhigh_text", QStringLiteral("50"));
        Type(w, "Zlow_text", QString::fromLatin1(zlow));
        Click(w, "Calc_BP");
    }
    static void Succeed(MainWindow &w) { Calculate(w, "10"); }
    static void Fail(MainWindow &w) { Calculate(w, "0"); } // no ratio to transform: out of range

    // The enabled state of the commands in menu order, "1" for enabled.
    static std::string Enabled(MainWindow &w)
    {
        w.tools().UpdateActions();
        std::string flags;
        for (const QAction *action : w.tools().menu().actions())
            flags += action->isEnabled() ? '1' : '0';
        return flags;
    }

    // Answers the export dialogs with `path`, keeping what they offered.
    void AnswerSaveDialogs(MainWindow &w, const std::filesystem::path &path)
    {
        w.tools().SetSavePathAsker([this, path](QWidget *, const ExportFormat &format) {
            offered_.push_back(format.suggestedName);
            return QString::fromStdString(path.string());
        });
    }

    std::vector<std::string> offered_;
};

TEST_F(PaneMenu, OffersTheResponseTheReportAndEveryExportInOrder)
{
    MainWindow w;
    QStringList texts;
    for (const QAction *action : w.tools().menu().actions())
        texts << action->text();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Response\u2026"), QStringLiteral("Copy Report"),
                                  QStringLiteral("Export JSON\u2026"),
                                  QStringLiteral("Export Touchstone\u2026"),
                                  QStringLiteral("Export Touchstone 2.0\u2026"),
                                  QStringLiteral("Export SPICE Netlist\u2026"),
                                  QStringLiteral("Export Sweep CSV\u2026"), QString(),
                                  QStringLiteral("Transistor &Figures\u2026")}));
}

TEST_F(PaneMenu, OnlyTheCommandsThatMakeSenseAreEnabled)
{
    MainWindow w;
    EXPECT_EQ(Enabled(w), "000000011") << "before any run";
    Fail(w);
    EXPECT_EQ(Enabled(w), "000000011") << "after a first run that failed";
    Succeed(w);
    EXPECT_EQ(Enabled(w), "111111111") << "after a design";
    Fail(w);
    // The Response window shows the earlier design marked as such, and the
    // report file still holds it (Print prints it); nothing is exported from
    // a design that is no longer the current one. A transistor's figures
    // (after the separator) need no design at all.
    EXPECT_EQ(Enabled(w), "110000011") << "after a failure that followed a design";
    Succeed(w);
    EXPECT_EQ(Enabled(w), "111111111") << "after the next design";
}

TEST_F(PaneMenu, AReportLeftByAnEarlierSessionCanBeCopiedBeforeAnyRun)
{
    WriteFile(Here() / "tevmar.prt", "         Qt=1.4142\r\n");
    MainWindow w;
    EXPECT_EQ(Enabled(w), "010000011");
}

TEST_F(PaneMenu, AReportThatCouldNotBeSavedIsNotCopied)
{
    MainWindow w;
    Succeed(w);
    // Directories where the report's temporary files must go: the next save fails.
    for (int attempt = 0; attempt < 100; ++attempt)
        std::filesystem::create_directory(Here() / ("tevmar.prt.tmp-" + std::to_string(::getpid()) +
                                                    "-" + std::to_string(attempt)));
    Calculate(w, "20");
    ASSERT_EQ(BoxText(w, "Error_text"), QStringLiteral("  REPORT NOT SAVED"));
    // The file holds the design before: copying it would pass it off as this one.
    EXPECT_EQ(Enabled(w), "101111111");
}

TEST_F(PaneMenu, RightClickAndTheMenuKeyOpenTheMenu)
{
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QMenu &menu = w.tools().menu();
    QWidget *viewport = w.pane().viewport();
    const QPoint inside(30, 40);
    QContextMenuEvent click(QContextMenuEvent::Mouse, inside, viewport->mapToGlobal(inside));
    QApplication::sendEvent(viewport, &click);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();

    w.pane().setFocus();
    QTest::keyClick(&w.pane(), Qt::Key_Menu);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    QTest::keyClick(&w.pane(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
}

TEST_F(PaneMenu, CopyReportPutsExactlyTheFileTextOnTheClipboard)
{
    MainWindow w;
    Succeed(w);
    w.tools().action(Command::CopyReport)->trigger();
    const std::string file = ReadFile(Here() / "tevmar.prt");
    ASSERT_NE(file.find("\r\n"), std::string::npos);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), file);

    // The file went away behind the window's back: say so, copy nothing.
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    std::filesystem::remove(Here() / "tevmar.prt");
    const QString message = MessageFrom([&] { w.tools().CopyReport(); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("The report file tevmar.prt could not be read")))
        << message.toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(PaneMenu, EachExportWritesItsFileForTheCurrentDesign)
{
    MainWindow w;
    Succeed(w);
    const session::CalculateOutcome expected = Solve(Order4Plain());
    for (const ExportKind kind : session::kExportKinds) {
        const std::filesystem::path file = Here() / session::FormatOf(kind).suggestedName;
        AnswerSaveDialogs(w, file);
        const QString message = MessageFrom([&] { w.tools().exportAction(kind)->trigger(); });
        EXPECT_EQ(message, QStringLiteral("(no message)"));
        EXPECT_EQ(ReadFile(file), ExportFileText(kind, expected, {}))
            << session::FormatOf(kind).title;
    }
    EXPECT_EQ(offered_, (std::vector<std::string>{"tevmar.json", "tevmar.s2p", "tevmar-v2.s2p",
                                                  "tevmar.cir", "tevmar-sweep.csv"}));
}

TEST_F(PaneMenu, AnExportThatCannotBeWrittenSaysWhatFailed)
{
    MainWindow w;
    Succeed(w);
    const std::filesystem::path nowhere = Here() / "no such folder" / "design.s2p";
    AnswerSaveDialogs(w, nowhere);
    const QString message =
        MessageFrom([&] { w.tools().exportAction(ExportKind::Touchstone)->trigger(); });
    EXPECT_TRUE(message.startsWith(QString::fromStdString(nowhere.string()) +
                                   QStringLiteral(" could not be written: ")))
        << message.toStdString();
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

TEST_F(PaneMenu, AnExportNeverReplacesTheReport)
{
    MainWindow w;
    Succeed(w);
    const std::string report = ReadFile(Here() / "tevmar.prt");
    AnswerSaveDialogs(w, "tevmar.prt");
    const QString message =
        MessageFrom([&] { w.tools().exportAction(ExportKind::Json)->trigger(); });
    EXPECT_TRUE(message.contains(QStringLiteral("is the report file"))) << message.toStdString();
    EXPECT_EQ(ReadFile(Here() / "tevmar.prt"), report);
}

TEST_F(PaneMenu, ACancelledExportWritesNothing)
{
    MainWindow w;
    Succeed(w);
    w.tools().SetSavePathAsker([](QWidget *, const ExportFormat &) { return QString(); });
    const QString message =
        MessageFrom([&] { w.tools().exportAction(ExportKind::Spice)->trigger(); });
    EXPECT_EQ(message, QStringLiteral("(no message)"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Here()),
                            std::filesystem::directory_iterator()),
              1); // the report alone
}

} // namespace
} // namespace tevmar::test
