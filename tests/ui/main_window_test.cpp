#include "engine/window_services.h"
#include "ui/flat_style.h"
#include "ui/main_window.h"
#include "ui/output_pane.h"
#include "ui/twips.h"
#include "ui_test_support.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <functional>
#include <unistd.h>
#include <vector>

namespace tevmar::test {
namespace {

using Window = ::tevmar::Tevmar;

class MainWindow : public InScratchDirectory
{
  protected:
    // The pane's rows written back as character columns: text placed at a
    // column stop starts at that column, other text follows directly.
    static std::vector<std::string> PaneText(const OutputPane &pane)
    {
        std::vector<std::string> lines;
        for (const OutputPane::Row &row : pane.rows()) {
            std::string line;
            for (const OutputPane::Fragment &fragment : row) {
                if (fragment.column > 0 && line.size() < std::size_t(fragment.column - 1))
                    line.resize(std::size_t(fragment.column - 1), ' ');
                line += fragment.text.toStdString();
            }
            lines.push_back(line);
        }
        return lines;
    }

    static std::vector<std::string> LinesOf(const std::string &text)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    static void TypeDesign(Window &w, const char *f1, const char *f2, const char *zhigh,
                           const char *zlow)
    {
        Type(w, "F1_text", QString::fromLatin1(f1));
        Type(w, "F2_text", QString::fromLatin1(f2));
        Type(w, "Zhigh_text", QString::fromLatin1(zhigh));
        Type(w, "Zlow_text", QString::fromLatin1(zlow));
    }

    bool ReportExists() const { return std::filesystem::exists(Here() / "tevmar.prt"); }
};

// --- Layout and initial state ---------------------------------------------

struct Placement
{
    const char *name;
    int left, top, width, height; // twips, relative to the window or the frame
};

TEST_F(MainWindow, EveryControlSitsAtItsPlaceInTwips)
{
    const Placement table[] = {
        {"Label1", 480, 120, 972, 252},
        {"Label2", 240, 360, 1452, 252},
        {"Image1", 1800, 240, 480, 480},
        {"PrintOut", 2400, 240, 612, 372},
        {"F1_label", 240, 840, 1092, 252},
        {"F1_text", 1440, 840, 972, 288},
        {"GHz_1", 2520, 840, 372, 252},
        {"F2_label", 240, 1200, 1092, 252},
        {"F2_text", 1440, 1200, 972, 288},
        {"GHz_2", 2520, 1200, 372, 252},
        {"Z_hi", 240, 1560, 1092, 252},
        {"Zhigh_text", 1440, 1560, 972, 288},
        {"Ohms1", 2520, 1560, 372, 252},
        {"Z_lo", 240, 1920, 1092, 252},
        {"Zlow_text", 1440, 1920, 972, 288},
        {"Ohms2", 2520, 1920, 372, 252},
        {"LC_abs", 240, 2280, 1452, 252},
        {"LC_label", 1800, 2340, 492, 192},
        {"LC_text", 2280, 2280, 612, 288},
        {"LC_load", 120, 2640, 1452, 1812},
        {"SRL", 120, 240, 1212, 372},
        {"SRC", 120, 600, 1212, 372},
        {"PRL", 120, 960, 1212, 372},
        {"PRC", 120, 1320, 1212, 372},
        {"N_Order", 1800, 2640, 1092, 1452},
        {"N4", 240, 240, 612, 372},
        {"N8", 240, 600, 612, 372},
        {"N12", 240, 960, 612, 372},
        {"Calc_BP", 1800, 4200, 1092, 252},
        {"GetAbout", 120, 4560, 2772, 252},
        {"Tevmar_Out", 3120, 240, 3012, 4152},
        {"Error_text", 3480, 4440, 2352, 288},
    };
    Window w;
    for (const Placement &p : table) {
        QWidget *control = Control(w, p.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), TwipsRect(p.left, p.top, p.width, p.height)) << p.name;
    }
    EXPECT_EQ(Control(w, "SRL")->parentWidget()->objectName(), "LC_load");
    EXPECT_EQ(Control(w, "N12")->parentWidget()->objectName(), "N_Order");
    // The client area is 6255 x 4890 twips and cannot be resized or maximised.
    EXPECT_EQ(w.minimumSize(), QSize(417, 326));
    EXPECT_EQ(w.maximumSize(), QSize(417, 326));
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(w.windowTitle(), "Tevmar Z-Match");
    EXPECT_FALSE(w.windowIcon().isNull());
}

TEST_F(MainWindow, TwipsRoundEachEdgeToTheNearestPixel)
{
    EXPECT_EQ(TwipsRect(0, 0, 6255, 4890), QRect(0, 0, 417, 326));
    // 1440 + 972 = 2412 twips = 160.8 px: the right edge rounds up.
    EXPECT_EQ(TwipsRect(1440, 840, 972, 288), QRect(96, 56, 65, 19));
    // 2280 twips = 152 px exactly; 2292 = 152.8 px: the prompt box ends where
    // the value box begins, as in twips (they overlap by 12 twips).
    EXPECT_EQ(TwipsRect(1800, 2340, 492, 192).right() + 1, 153);
    EXPECT_EQ(TwipsRect(2280, 2280, 612, 288).left(), 152);
}

TEST_F(MainWindow, StartsWithTheInitialTextsAndChoices)
{
    Window w;
    for (const char *box :
         {"F1_text", "F2_text", "Zhigh_text", "Zlow_text", "LC_label", "Error_text"})
        EXPECT_EQ(BoxText(w, box), "") << box;
    EXPECT_EQ(BoxText(w, "LC_text"), " 0.0");
    EXPECT_EQ(w.LC_value(), 0.0);
    EXPECT_FALSE(Control<QCheckBox>(w, "LC_abs")->isChecked());
    EXPECT_TRUE(w.pane().rows().empty());

    const std::pair<const char *, bool> options[] = {{"SRL", true},  {"SRC", false}, {"PRL", false},
                                                     {"PRC", false}, {"N4", true},   {"N8", false},
                                                     {"N12", false}};
    for (const auto &[name, selected] : options)
        EXPECT_EQ(Control<QRadioButton>(w, name)->isChecked(), selected) << name;
    // The services see the same state.
    EXPECT_TRUE(w.IsSelected(Option::SRL));
    EXPECT_TRUE(w.IsSelected(Option::N4));
    EXPECT_EQ(w.CheckBoxState(), 0);
    EXPECT_EQ(w.ReadText(TextBox::LC_text), " 0.0");
}

TEST_F(MainWindow, CaptionsAreExactAndCarryNoAccessKeys)
{
    Window w;
    const std::pair<const char *, QString> captions[] = {
        {"Label1", "Vendrel"},
        {"Label2", "Design Tools"},
        {"F1_label", "Lower Freq.="},
        {"F2_label", "Upper Freq.="},
        {"Z_hi", "High Z Port ="},
        {"Z_lo", "Low Z Port ="},
        {"GHz_1", "GHz"},
        {"GHz_2", "GHz"},
        {"Ohms1", QString(QChar(0x03A9))},
        {"Ohms2", QString(QChar(0x03A9))},
    };
    for (const auto &[name, caption] : captions)
        EXPECT_EQ(Control<QLabel>(w, name)->text(), caption) << name;
    const std::pair<const char *, QString> buttons[] = {
        {"PrintOut", "Print"},
        {"Calc_BP", "Calculate"},
        {"GetAbout", "About Tevmar"},
        {"LC_abs", "LC Absorption"},
        {"SRL", "Series RL"},
        {"SRC", "Series RC"},
        {"PRL", "Shunt RL"},
        {"PRC", "Shunt RC"},
        {"N4", "  4"},
        {"N8", "  8"},
        {"N12", " 12 "},
    };
    for (const auto &[name, caption] : buttons) {
        auto *button = Control<QAbstractButton>(w, name);
        EXPECT_EQ(button->text(), caption) << name;
        EXPECT_TRUE(button->shortcut().isEmpty()) << name;
    }
    EXPECT_EQ(Control<QGroupBox>(w, "LC_load")->title(), " Type of Load");
    EXPECT_EQ(Control<QGroupBox>(w, "N_Order")->title(), "Net.Order");
    for (QPushButton *button : w.findChildren<QPushButton *>()) {
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
        EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
    }
}

TEST_F(MainWindow, FontsColoursAndTheFlatLook)
{
    Window w;
    struct Face
    {
        const char *control;
        int pixels;
        bool bold, italic;
    };
    // Points at 96 dpi: 7.5 pt = 10 px, 9.75 pt = 13 px, 6.75 pt = 9 px.
    const Face faces[] = {{"F1_label", 10, true, false}, {"Calc_BP", 10, true, false},
                          {"Label1", 13, true, true},    {"Label2", 13, true, true},
                          {"Ohms1", 13, false, false},   {"Tevmar_Out", 9, false, false}};
    for (const Face &face : faces) {
        const QFontInfo info(Control(w, face.control)->font());
        EXPECT_EQ(info.family(), "Liberation Sans") << face.control;
        EXPECT_EQ(info.pixelSize(), face.pixels) << face.control;
        EXPECT_EQ(info.bold(), face.bold) << face.control;
        EXPECT_EQ(info.italic(), face.italic) << face.control;
    }

    const QColor grey(192, 192, 192), red(255, 0, 0), blue(0, 0, 255);
    EXPECT_EQ(w.palette().color(QPalette::Window), grey);
    EXPECT_EQ(Control(w, "Label1")->palette().color(QPalette::WindowText), red);
    EXPECT_EQ(Control(w, "Label2")->palette().color(QPalette::WindowText), red);
    for (const char *option : {"SRL", "SRC", "PRL", "PRC", "N4", "N8", "N12"})
        EXPECT_EQ(Control(w, option)->palette().color(QPalette::WindowText), blue) << option;
    EXPECT_EQ(Control(w, "LC_abs")->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_EQ(Control(w, "Error_text")->palette().color(QPalette::Text), red);
    EXPECT_EQ(Control(w, "Error_text")->palette().color(QPalette::Base), grey);
    EXPECT_EQ(Control(w, "LC_label")->palette().color(QPalette::Base), grey);
    for (const char *box : {"F1_text", "F2_text", "Zhigh_text", "Zlow_text", "LC_text"}) {
        EXPECT_NE(Control(w, box)->palette().color(QPalette::Base), grey) << box;
        EXPECT_EQ(Control<QLineEdit>(w, box)->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    }
    EXPECT_TRUE(Control<QLineEdit>(w, "Error_text")->alignment() & Qt::AlignHCenter);

    for (QWidget *child : w.findChildren<QWidget *>()) {
        if (child->parentWidget() != &w && child->parentWidget()->objectName() != "LC_load" &&
            child->parentWidget()->objectName() != "N_Order")
            continue; // parts of composite controls, such as the pane's scroll bar
        const bool flat = dynamic_cast<const FlatStyle *>(child->style()) != nullptr;
        EXPECT_EQ(flat, child->objectName() != "GetAbout") << child->objectName().toStdString();
    }
}

// --- Keyboard ---------------------------------------------------------------

class Keyboard : public MainWindow
{
  protected:
    void Activate(Window &w)
    {
        w.show();
        QApplication::setActiveWindow(&w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    static QString Focus()
    {
        QWidget *focus = QApplication::focusWidget();
        return focus ? focus->objectName() : QStringLiteral("(none)");
    }
    static QStringList Walk(int steps, Qt::Key key)
    {
        QStringList visited;
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            visited << Focus();
        }
        return visited;
    }
};

TEST_F(Keyboard, TabVisitsTheControlsInOrderAndOnlyTheSelectedOptions)
{
    Window w;
    Activate(w);
    Control(w, "F1_text")->setFocus();
    const QStringList expected = {"F2_text",    "Zhigh_text", "Zlow_text", "SRL",      "N4",
                                  "LC_abs",     "LC_text",    "Calc_BP",   "PrintOut", "LC_label",
                                  "Tevmar_Out", "Error_text", "GetAbout",  "F1_text"};
    EXPECT_EQ(Walk(int(expected.size()), Qt::Key_Tab), expected);

    // Backwards from the check box, the order group is entered at its selected option.
    Control(w, "LC_abs")->setFocus();
    EXPECT_EQ(Walk(2, Qt::Key_Backtab), (QStringList{"N4", "SRL"}));
}

TEST_F(Keyboard, ArrowKeysMoveTheSelectionAndRunTheRule)
{
    Window w;
    Activate(w);
    Click(w, "LC_abs");
    Control(w, "SRL")->setFocus();
    QTest::keyClick(Control(w, "SRL"), Qt::Key_Down);
    EXPECT_EQ(Focus(), "SRC");
    EXPECT_TRUE(w.IsSelected(Option::SRC));
    EXPECT_EQ(BoxText(w, "LC_label"), "C(pF)=");
    // The newly selected option is now the group's tab stop.
    QTest::keyClick(Control(w, "SRC"), Qt::Key_Tab);
    EXPECT_EQ(Focus(), "N4");
    QTest::keyClick(Control(w, "N4"), Qt::Key_Down);
    EXPECT_TRUE(w.IsSelected(Option::N8));
    EXPECT_TRUE(w.IsSelected(Option::SRC)); // the groups are independent
    QTest::keyClick(Control(w, "N8"), Qt::Key_Backtab);
    EXPECT_EQ(Focus(), "SRC");
}

TEST_F(Keyboard, EnterAndEscapeStartNoCommandAnywhere)
{
    Window w;
    Activate(w);
    TypeDesign(w, "1", "2", "50", "10");
    for (const char *name : {"F1_text", "Zlow_text", "SRL", "N4", "LC_abs", "LC_text", "Calc_BP",
                             "PrintOut", "Tevmar_Out", "GetAbout"}) {
        Control(w, name)->setFocus();
        const QString message = MessageFrom([&] {
            for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
                QTest::keyClick(QApplication::focusWidget(), key);
        });
        EXPECT_EQ(message, "(no message)") << name;
        EXPECT_TRUE(w.isVisible()) << name;
    }
    EXPECT_FALSE(ReportExists());
    EXPECT_TRUE(w.pane().rows().empty());
    EXPECT_EQ(w.about(), nullptr);
}

// --- The absorption rule -----------------------------------------------------

struct RuleCase
{
    const char *name;
    std::function<void(Window &)> steps;
    QString label, text;
    double value;
};

class AbsorptionRule : public MainWindow, public testing::WithParamInterface<RuleCase>
{
};

auto Tick()
{
    return [](Window &w) { Click(w, "LC_abs"); };
}
auto Pick(const char *option)
{
    return [option](Window &w) { Click(w, option); };
}
auto TypeLc(const char *text)
{
    return [text](Window &w) { Type(w, "LC_text", QString::fromLatin1(text)); };
}
template <class... Steps> std::function<void(Window &)> Do(Steps... steps)
{
    return [=](Window &w) { (steps(w), ...); };
}

TEST_P(AbsorptionRule, LeavesPromptTextAndValue)
{
    const RuleCase &c = GetParam();
    Window w;
    c.steps(w);
    EXPECT_EQ(BoxText(w, "LC_label"), c.label);
    EXPECT_EQ(BoxText(w, "LC_text"), c.text);
    EXPECT_DOUBLE_EQ(w.LC_value(), c.value);
    // The rule never touches the results.
    EXPECT_EQ(BoxText(w, "Error_text"), "");
    EXPECT_TRUE(w.pane().rows().empty());
    EXPECT_FALSE(ReportExists());
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, AbsorptionRule,
    testing::Values(
        RuleCase{"CheckedAtStartPromptsNanohenries", Do(Tick()), "L(nH)=", " 0.0", 0},
        RuleCase{"ShuntRcTakesTheTypedPicofarads", Do(Tick(), TypeLc("12.5"), Pick("PRC")),
                 "C(pF)=", "12.5", 12.5},
        RuleCase{"ShuntRlAfterShuntRcKeepsTheValue",
                 Do(Tick(), TypeLc("12.5"), Pick("PRC"), Pick("PRL")), "L(nH)=", "12.5", 12.5},
        RuleCase{"SeriesRcPromptsPicofarads", Do(Tick(), Pick("SRC")), "C(pF)=", " 0.0", 0},
        RuleCase{"LoadTypeWhileUncheckedResetsTheText", Do(TypeLc("5"), Pick("SRC")), "", " 0.0",
                 0},
        RuleCase{"UncheckingKeepsTheLastPrompt", Do(Tick(), Pick("PRC"), TypeLc("2"), Tick()),
                 "C(pF)=", " 0.0", 0},
        RuleCase{"UncheckAndCheckLosesTheTypedValue", Do(Tick(), TypeLc("7"), Tick(), Tick()),
                 "L(nH)=", " 0.0", 0},
        RuleCase{"NumberFollowedByLettersReadsAsTheNumber",
                 Do(Tick(), TypeLc("3.3nH"), Pick("SRL")), "L(nH)=", "3.3nH", 3.3},
        RuleCase{"LettersOnlyReadAsZero", Do(Tick(), TypeLc("abc"), Pick("PRL")), "L(nH)=", "abc",
                 0},
        RuleCase{"NegativeValuesAreTakenAsTyped", Do(Tick(), TypeLc("-2"), Pick("PRC")),
                 "C(pF)=", "-2", -2},
        RuleCase{"TypingAloneChangesNoValue", Do(Tick(), TypeLc("4")), "L(nH)=", "4", 0},
        RuleCase{"TheNextClickTakesTheTypedValue", Do(Tick(), TypeLc("4"), Pick("SRL")),
                 "L(nH)=", "4", 4},
        RuleCase{"OrderOptionsRunNothing", Do(Tick(), TypeLc("4"), Pick("N8"), Pick("N12")),
                 "L(nH)=", "4", 0}),
    [](const testing::TestParamInfo<RuleCase> &info) { return std::string(info.param.name); });

TEST_F(MainWindow, UncheckedPromptGoesAtTheNextCalculate)
{
    Window w;
    TypeDesign(w, "1", "2", "50", "10");
    Click(w, "LC_abs");
    Click(w, "PRC");
    Click(w, "LC_abs");
    EXPECT_EQ(BoxText(w, "LC_label"), "C(pF)=");
    Click(w, "Calc_BP");
    EXPECT_EQ(BoxText(w, "LC_label"), "");
}

TEST_F(MainWindow, TypingAndOrderClicksRunNothing)
{
    Window w;
    TypeDesign(w, "1", "2", "50", "10");
    Type(w, "LC_text", "12");
    for (const char *order : {"N8", "N12", "N4"})
        Click(w, order);
    EXPECT_TRUE(w.pane().rows().empty());
    EXPECT_EQ(BoxText(w, "LC_label"), "");
    EXPECT_EQ(BoxText(w, "LC_text"), "12");
    EXPECT_EQ(w.LC_value(), 0.0);
    EXPECT_FALSE(ReportExists());
}

// --- Calculate -------------------------------------------------------------------

struct Design
{
    const char *golden; // base name of the hand-written pane and file reports
    const char *load;
    const char *order;
    const char *absorb; // nullptr: absorption off
};

class Calculate : public MainWindow, public testing::WithParamInterface<Design>
{
};

TEST_P(Calculate, FillsThePaneAndSavesTheReport)
{
    const Design &d = GetParam();
    Window w;
    TypeDesign(w, "1", "2", "50", "10");
    Click(w, d.load);
    Click(w, d.order);
    if (d.absorb) {
        Click(w, "LC_abs");
        Type(w, "LC_text", QString::fromLatin1(d.absorb));
    }
    Click(w, "Calc_BP");

    const std::string base = d.golden;
    EXPECT_EQ(BoxText(w, "Error_text"), "");
    EXPECT_EQ(PaneText(w.pane()), LinesOf(ReadFile(Golden((base + ".pane").c_str()))));
    EXPECT_EQ(ReadFile(Here() / "tevmar.prt"), ReadFile(Golden((base + ".prt").c_str())));

    // Text at a column stop starts (n - 1) average character widths from the edge.
    for (const OutputPane::Row &row : w.pane().rows())
        for (const OutputPane::Fragment &fragment : row)
            if (fragment.column > 0) {
                EXPECT_EQ(fragment.x, w.pane().ColumnX(fragment.column))
                    << fragment.text.toStdString();
            }
    EXPECT_EQ(w.pane().ColumnX(15), 14 * QFontMetrics(w.pane().font()).averageCharWidth());
}

INSTANTIATE_TEST_SUITE_P(WorkedDesigns, Calculate,
                         testing::Values(Design{"order4_shunt_rl", "PRL", "N4", nullptr},
                                         Design{"order4_shunt_rc", "PRC", "N4", nullptr},
                                         Design{"order8_series_rl_0p5nH", "SRL", "N8", "0.5"},
                                         Design{"order8_shunt_rc_1pF", "PRC", "N8", "1"}),
                         [](const testing::TestParamInfo<Design> &info) {
                             return std::string(info.param.golden);
                         });

TEST_F(MainWindow, AnOrderTwelveReportFitsThePane)
{
    Window w;
    w.show();
    TypeDesign(w, "1", "2", "50", "10");
    Click(w, "N12");
    Click(w, "Calc_BP");
    const OutputPane &pane = w.pane();
    ASSERT_EQ(pane.rows().size(), 27u);
    EXPECT_LE(27 * pane.RowHeight(), pane.viewport()->height());
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), 0);
    EXPECT_FALSE(pane.verticalScrollBar()->isVisible());
}

TEST_F(MainWindow, AReportLongerThanThePaneScrolls)
{
    Window w;
    w.show();
    // At a few megahertz the inductors run to thousands of nanohenries, whose
    // units wrap onto lines of their own.
    TypeDesign(w, "0.001", "0.002", "50", "10");
    Click(w, "N12");
    Click(w, "Calc_BP");
    OutputPane &pane = w.pane();
    QCoreApplication::processEvents(); // the scroll bar shows at the next layout pass
    const int visible = pane.viewport()->height() / pane.RowHeight();
    ASSERT_GT(int(pane.rows().size()), visible);
    EXPECT_TRUE(pane.verticalScrollBar()->isVisible());
    EXPECT_EQ(pane.verticalScrollBar()->maximum(), int(pane.rows().size()) - visible);
    // A wrapped unit starts its own row at column 15.
    bool wrapped = false;
    for (const OutputPane::Row &row : pane.rows())
        wrapped = wrapped || (row.size() == 1 && row.front().column == 15 &&
                              row.front().text == " Nano-Henry");
    EXPECT_TRUE(wrapped);
}

TEST_F(MainWindow, AFailedRunShowsTheMessageAndKeepsTheSavedReport)
{
    Window w;
    TypeDesign(w, "1", "2", "50", "10");
    Click(w, "Calc_BP");
    const std::string saved = ReadFile(Here() / "tevmar.prt");
    ASSERT_FALSE(saved.empty());

    Type(w, "Zlow_text", "0");
    Click(w, "Calc_BP");
    EXPECT_EQ(BoxText(w, "Error_text"), "  SOLUTION OUT OF RANGE");
    EXPECT_TRUE(w.pane().rows().empty());
    EXPECT_EQ(ReadFile(Here() / "tevmar.prt"), saved);

    // The next good run clears the message.
    Type(w, "Zlow_text", "10");
    Click(w, "Calc_BP");
    EXPECT_EQ(BoxText(w, "Error_text"), "");
    EXPECT_FALSE(w.pane().rows().empty());
}

TEST_F(MainWindow, AReportThatCannotBeSavedIsStillShown)
{
    // A directory where the report file must go: the save fails even for root.
    std::filesystem::create_directory(Here() / "tevmar.prt");
    Window w;
    TypeDesign(w, "1", "2", "50", "10");
    Click(w, "Calc_BP");
    EXPECT_EQ(BoxText(w, "Error_text"), "  REPORT NOT SAVED");
    EXPECT_EQ(w.pane().rows().size(), 19u);
    EXPECT_TRUE(std::filesystem::is_directory(Here() / "tevmar.prt"));
}

TEST_F(MainWindow, AReadOnlyWorkingDirectoryGivesReportNotSaved)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories; the test above puts a "
                        "directory in the report's place instead";
    std::filesystem::permissions(Here(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    Window w;
    TypeDesign(w, "1", "2", "50", "10");
    Click(w, "Calc_BP");
    std::filesystem::permissions(Here(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(BoxText(w, "Error_text"), "  REPORT NOT SAVED");
    EXPECT_FALSE(w.pane().rows().empty());
    EXPECT_FALSE(ReportExists());
}

} // namespace
} // namespace tevmar::test
