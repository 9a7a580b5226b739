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
#include <QStyleOption>
#include <functional>
#include <unistd.h>
#include <vector>

namespace tevmar::test {
namespace {

using Window = ::tevmar::MainWindow;

class MainWindowTest : public InScratchDirectory
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

// The rectangle a control draws its caption in, as its own style lays it out.
QRect CaptionRect(QWidget &control)
{
    const QStyle &style = *control.style();
    if (auto *button = qobject_cast<QAbstractButton *>(&control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QStyle::SubElement element =
            qobject_cast<QCheckBox *>(button)      ? QStyle::SE_CheckBoxContents
            : qobject_cast<QRadioButton *>(button) ? QStyle::SE_RadioButtonContents
                                                   : QStyle::SE_PushButtonContents;
        return style.subElementRect(element, &option, button);
    }
    if (auto *box = qobject_cast<QGroupBox *>(&control)) {
        QStyleOptionGroupBox option;
        option.initFrom(box);
        option.text = box->title();
        option.lineWidth = 1;
        option.textAlignment = box->alignment();
        option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect label =
            style.subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
        return label & box->rect(); // the part of the title inside the frame's box
    }
    if (auto *edit = qobject_cast<QLineEdit *>(&control)) {
        // As QLineEdit paints: the frame's contents, less the text margins and
        // the two pixels it keeps clear at each end.
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.lineWidth =
            edit->hasFrame() ? style.pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
        const QRect contents = style.subElementRect(QStyle::SE_LineEditContents, &option, edit)
                                   .marginsRemoved(edit->textMargins());
        return contents.adjusted(2, 0, -2, 0);
    }
    return control.contentsRect();
}

QString CaptionOf(QWidget &control)
{
    if (auto *button = qobject_cast<QAbstractButton *>(&control))
        return button->text();
    if (auto *box = qobject_cast<QGroupBox *>(&control))
        return box->title();
    if (auto *edit = qobject_cast<QLineEdit *>(&control))
        return edit->text();
    if (auto *label = qobject_cast<QLabel *>(&control))
        return label->text();
    return {};
}

// The caption is drawn whole: as wide and as tall as its font draws it.
void ExpectWholeCaption(QWidget &control)
{
    const QString caption = CaptionOf(control);
    const QFontMetrics metrics(control.font());
    const QRect room = CaptionRect(control);
    const std::string name =
        control.objectName().toStdString() + " \"" + caption.toStdString() + "\"";
    EXPECT_LE(metrics.horizontalAdvance(caption), room.width()) << name;
    EXPECT_LE(metrics.height(), room.height() + 1) << name; // a descender may touch the edge
}

TEST_F(MainWindowTest, EveryCaptionAndMessageIsShownWholeInItsFont)
{
    Window w;
    w.show();
    int captions = 0;
    for (QWidget *control : w.findChildren<QWidget *>()) {
        if (w.pane().isAncestorOf(control) || qobject_cast<QLineEdit *>(control) ||
            CaptionOf(*control).isEmpty())
            continue;
        ExpectWholeCaption(*control);
        ++captions;
        if (auto *button = qobject_cast<QAbstractButton *>(control)) {
            EXPECT_TRUE(button->shortcut().isEmpty()) << button->objectName().toStdString();
        }
    }
    EXPECT_EQ(captions, 23); // 10 labels, 3 commands, the check box, 7 options, 2 frames

    // The texts Calculate and the absorption rule write into the display boxes.
    Click(w, "LC_abs");
    ExpectWholeCaption(*Control(w, "LC_label")); // L(nH)=
    Click(w, "PRC");
    ExpectWholeCaption(*Control(w, "LC_label")); // C(pF)=
    TypeDesign(w, "1", "2", "50", "0");
    Click(w, "Calc_BP");
    ExpectWholeCaption(*Control(w, "Error_text"));
    std::filesystem::create_directory(Here() / "tevmar.prt"); // the next save fails
    Type(w, "Zlow_text", QStringLiteral("10"));
    Click(w, "Calc_BP");
    ASSERT_EQ(BoxText(w, "Error_text"), "  REPORT NOT SAVED");
    ExpectWholeCaption(*Control(w, "Error_text"));
}

// What a control draws, in its parent's coordinates: the caption's text (and
// mark) of a label, check box or option, whose box is otherwise transparent;
// the whole box of anything with a frame or a face.
QRect DrawnArea(QWidget &control)
{
    auto *label = qobject_cast<QLabel *>(&control);
    auto *check = qobject_cast<QCheckBox *>(&control);
    auto *option = qobject_cast<QRadioButton *>(&control);
    if (!label && !check && !option)
        return control.geometry();
    if (label && label->text().isEmpty()) // a picture, drawn from the top-left corner
        return QRect(control.pos(), label->pixmap().deviceIndependentSize().toSize());
    const Qt::Alignment alignment = label ? label->alignment() : Qt::AlignLeft | Qt::AlignVCenter;
    QRect drawn = QFontMetrics(control.font())
                      .boundingRect(CaptionRect(control), int(alignment), CaptionOf(control));
    if (!label) {
        QStyleOptionButton mark;
        mark.initFrom(&control);
        drawn |= control.style()->subElementRect(check ? QStyle::SE_CheckBoxIndicator
                                                       : QStyle::SE_RadioButtonIndicator,
                                                 &mark, &control);
    }
    return drawn.translated(control.pos());
}

TEST_F(MainWindowTest, NothingIsDrawnOverAnotherControlOrOutsideTheWindow)
{
    Window w;
    for (QWidget *parent :
         {static_cast<QWidget *>(&w), Control(w, "LC_load"), Control(w, "N_Order")}) {
        const QList<QWidget *> controls =
            parent->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        ASSERT_GE(controls.size(), 3) << parent->objectName().toStdString();
        for (qsizetype i = 0; i < controls.size(); ++i) {
            QWidget &a = *controls[i];
            EXPECT_TRUE(parent->rect().contains(a.geometry())) << a.objectName().toStdString();
            EXPECT_FALSE(DrawnArea(a).isEmpty()) << a.objectName().toStdString();
            for (qsizetype j = i + 1; j < controls.size(); ++j) {
                QWidget &b = *controls[j];
                const QRect shared = DrawnArea(a) & DrawnArea(b);
                const QStringList pair{a.objectName(), b.objectName()};
                // The unit prompt runs 12 twips under the value box's edge:
                // one column of pixels, which the value box covers.
                if (pair.contains("LC_label") && pair.contains("LC_text")) {
                    EXPECT_LE(shared.width(), 1);
                    continue;
                }
                EXPECT_TRUE(shared.isEmpty()) << pair.join(" and ").toStdString();
            }
        }
    }
    // A fixed client area of 6255 x 4890 twips that cannot be maximised.
    EXPECT_EQ(w.minimumSize(), TwipsRect(0, 0, 6255, 4890).size());
    EXPECT_EQ(w.maximumSize(), w.minimumSize());
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(w.windowTitle(), "Tevmar Z-Match");
    EXPECT_FALSE(w.windowIcon().isNull());
}

TEST_F(MainWindowTest, TwipsRoundEachEdgeToTheNearestPixel)
{
    EXPECT_EQ(TwipsRect(0, 0, 6255, 4890), QRect(0, 0, 417, 326));
    // 1440 + 972 = 2412 twips = 160.8 px: the right edge rounds up.
    EXPECT_EQ(TwipsRect(1440, 840, 972, 288), QRect(96, 56, 65, 19));
}

TEST_F(MainWindowTest, StartsWithTheInitialTextsAndChoices)
{
    Window w;
    for (const char *box :
         {"F1_text", "F2_text", "Zhigh_text", "Zlow_text", "LC_label", "Error_text"})
        EXPECT_EQ(BoxText(w, box), "") << box;
    EXPECT_EQ(BoxText(w, "LC_text"), " 0.0");
    EXPECT_FALSE(Control<QCheckBox>(w, "LC_abs")->isChecked());
    EXPECT_TRUE(w.pane().rows().empty());

    const std::pair<const char *, bool> options[] = {{"SRL", true},  {"SRC", false}, {"PRL", false},
                                                     {"PRC", false}, {"N4", true},   {"N8", false},
                                                     {"N12", false}};
    for (const auto &[name, selected] : options)
        EXPECT_EQ(Control<QRadioButton>(w, name)->isChecked(), selected) << name;
    for (QPushButton *button : w.findChildren<QPushButton *>()) {
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
        EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, ThePaneAndTheMessagesReadAsDesigned)
{
    Window w;
    // The pane's layout counts in the average width of a regular 9 px face,
    // even though the window's own font is bold.
    const QFontInfo pane(Control(w, "Tevmar_Out")->font());
    EXPECT_EQ(pane.family(), "Liberation Sans");
    EXPECT_EQ(pane.pixelSize(), 9);
    EXPECT_FALSE(pane.bold());

    const QColor grey(192, 192, 192);
    EXPECT_EQ(w.palette().color(QPalette::Window), grey);
    for (const char *display : {"Error_text", "LC_label"}) {
        EXPECT_TRUE(Control<QLineEdit>(w, display)->isReadOnly()) << display;
        EXPECT_EQ(Control(w, display)->palette().color(QPalette::Base), grey) << display;
    }
    EXPECT_EQ(Control(w, "Error_text")->palette().color(QPalette::Text), QColor(255, 0, 0));
    for (const char *box : {"F1_text", "F2_text", "Zhigh_text", "Zlow_text", "LC_text"})
        EXPECT_FALSE(Control<QLineEdit>(w, box)->isReadOnly()) << box;

    for (QWidget *child : w.findChildren<QWidget *>()) {
        if (w.pane().isAncestorOf(child))
            continue; // the pane's scroll bars keep the system's look
        const bool flat = dynamic_cast<const FlatStyle *>(child->style()) != nullptr;
        EXPECT_EQ(flat, child->objectName() != "GetAbout") << child->objectName().toStdString();
    }
}

// --- Keyboard ---------------------------------------------------------------

class Keyboard : public MainWindowTest
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
    EXPECT_TRUE(Control<QRadioButton>(w, "SRC")->isChecked());
    EXPECT_EQ(BoxText(w, "LC_label"), "C(pF)=");
    // The newly selected option is now the group's tab stop.
    QTest::keyClick(Control(w, "SRC"), Qt::Key_Tab);
    EXPECT_EQ(Focus(), "N4");
    QTest::keyClick(Control(w, "N4"), Qt::Key_Down);
    EXPECT_TRUE(Control<QRadioButton>(w, "N8")->isChecked());
    EXPECT_TRUE(Control<QRadioButton>(w, "SRC")->isChecked()); // the groups are independent
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
};

class AbsorptionRule : public MainWindowTest, public testing::WithParamInterface<RuleCase>
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

TEST_P(AbsorptionRule, LeavesPromptAndText)
{
    const RuleCase &c = GetParam();
    Window w;
    c.steps(w);
    EXPECT_EQ(BoxText(w, "LC_label"), c.label);
    EXPECT_EQ(BoxText(w, "LC_text"), c.text);
    // The rule never touches the results.
    EXPECT_EQ(BoxText(w, "Error_text"), "");
    EXPECT_TRUE(w.pane().rows().empty());
    EXPECT_FALSE(ReportExists());
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, AbsorptionRule,
    testing::Values(
        RuleCase{"CheckedAtStartPromptsNanohenries", Do(Tick()), "L(nH)=", " 0.0"},
        RuleCase{"ShuntRcPromptsPicofaradsAndKeepsTheText", Do(Tick(), TypeLc("12.5"), Pick("PRC")),
                 "C(pF)=", "12.5"},
        RuleCase{"ShuntRlAfterShuntRcKeepsTheText",
                 Do(Tick(), TypeLc("12.5"), Pick("PRC"), Pick("PRL")), "L(nH)=", "12.5"},
        RuleCase{"SeriesRcPromptsPicofarads", Do(Tick(), Pick("SRC")), "C(pF)=", " 0.0"},
        RuleCase{"LoadTypeWhileUncheckedResetsTheText", Do(TypeLc("5"), Pick("SRC")), "", " 0.0"},
        RuleCase{"UncheckingKeepsTheLastPrompt", Do(Tick(), Pick("PRC"), TypeLc("2"), Tick()),
                 "C(pF)=", " 0.0"},
        RuleCase{"UncheckAndCheckLosesTheTypedValue", Do(Tick(), TypeLc("7"), Tick(), Tick()),
                 "L(nH)=", " 0.0"},
        RuleCase{"TextThatIsNoNumberStaysAsTyped", Do(Tick(), TypeLc("3.3nH"), Pick("SRL")),
                 "L(nH)=", "3.3nH"},
        RuleCase{"OrderOptionsRunNothing", Do(Tick(), TypeLc("4"), Pick("N8"), Pick("N12")),
                 "L(nH)=", "4"}),
    [](const testing::TestParamInfo<RuleCase> &info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, CalculateClearsAnUncheckedPromptAndResetsTheValue)
{
    Window w;
    TypeDesign(w, "1", "2", "50", "10");
    Click(w, "LC_abs");
    Click(w, "PRC");
    Click(w, "LC_abs");
    Type(w, "LC_text", QStringLiteral("5")); // typed while unchecked: never absorbed
    EXPECT_EQ(BoxText(w, "LC_label"), "C(pF)=");
    Click(w, "Calc_BP");
    EXPECT_EQ(BoxText(w, "LC_label"), "");
    EXPECT_EQ(BoxText(w, "LC_text"), " 0.0");
    EXPECT_EQ(PaneText(w.pane()), LinesOf(ReadFile(Golden("order4_shunt_rc.pane"))));
}

TEST_F(MainWindowTest, TypingAndOrderClicksRunNothing)
{
    Window w;
    TypeDesign(w, "1", "2", "50", "10");
    Type(w, "LC_text", "12");
    for (const char *order : {"N8", "N12", "N4"})
        Click(w, order);
    EXPECT_TRUE(w.pane().rows().empty());
    EXPECT_EQ(BoxText(w, "LC_label"), "");
    EXPECT_EQ(BoxText(w, "LC_text"), "12");
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

class Calculate : public MainWindowTest, public testing::WithParamInterface<Design>
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

TEST_F(MainWindowTest, AnOrderTwelveReportFitsThePane)
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

TEST_F(MainWindowTest, AReportLongerThanThePaneScrolls)
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

TEST_F(MainWindowTest, AFailedRunShowsTheMessageAndKeepsTheSavedReport)
{
    Window w;
    TypeDesign(w, "1", "2", "50", "10");
    Click(w, "Calc_BP");
    const std::string saved = ReadFile(Here() / "tevmar.prt");
    ASSERT_FALSE(saved.empty());

    Type(w, "Zlow_text", "-10");
    Click(w, "Calc_BP");
    EXPECT_EQ(BoxText(w, "Error_text"), "  SOLUTION OUT OF RANGE");
    // Why, in the words tevmar-cli uses, without touching the box or the pane.
    EXPECT_EQ(Control<QLineEdit>(w, "Error_text")->toolTip(),
              "a negative impedance: Zlow reads -10 ohms");
    EXPECT_TRUE(w.pane().rows().empty());
    EXPECT_EQ(ReadFile(Here() / "tevmar.prt"), saved);

    // The next good run clears the message.
    Type(w, "Zlow_text", "10");
    Click(w, "Calc_BP");
    EXPECT_EQ(BoxText(w, "Error_text"), "");
    EXPECT_EQ(Control<QLineEdit>(w, "Error_text")->toolTip(), "");
    EXPECT_FALSE(w.pane().rows().empty());
}

TEST_F(MainWindowTest, AReportThatCannotBeSavedIsStillShown)
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

TEST_F(MainWindowTest, AReadOnlyWorkingDirectoryGivesReportNotSaved)
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
