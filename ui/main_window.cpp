#include "ui/main_window.h"

#include "analysis/design_inputs.h"
#include "engine/absorption.h"
#include "engine/design_run.h"
#include "report/report_file.h"
#include "ui/about_window.h"
#include "ui/flat_style.h"
#include "ui/icons.h"
#include "ui/output_pane.h"
#include "ui/qt_line_printer.h"
#include "ui/result_tools.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <tuple>
#include <vector>

namespace tevmar {

namespace {

const QColor kWindowGrey(192, 192, 192);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

std::size_t Index(TextBox box)
{
    return static_cast<std::size_t>(box);
}
std::size_t Index(Option option)
{
    return static_cast<std::size_t>(option);
}

QFont Arial(qreal points, QFont::Weight weight, bool italic = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setWeight(weight);
    font.setItalic(italic);
    return font;
}

// "Small Fonts" has no counterpart on Linux; Liberation Sans at the same size
// (9 pixels) stays legible, and its narrow figures keep the widest report line
// inside the pane and every loss label clear of its column stop.
QFont PaneFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(6.75);
    font.setWeight(QFont::Normal);
    return font;
}

void SetColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QLabel *AddLabel(QWidget *parent, const char *name, const QString &text, const QRect &rect,
                 Qt::Alignment alignment)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(rect);
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit *AddBox(QWidget *parent, const char *name, const QRect &rect, const QString &text = {})
{
    auto *box = new QLineEdit(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(rect);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

// A text box that only shows what the design run writes into it: the window's
// grey, not editable, but still selectable so that a message can be copied.
QLineEdit *AddDisplayBox(QWidget *parent, const char *name, const QRect &rect)
{
    QLineEdit *box = AddBox(parent, name, rect);
    box->setReadOnly(true);
    box->setTextMargins(-4, 0, -4, 0); // room for "L(nH)=" in the narrow prompt box
    SetColour(box, QPalette::Base, kWindowGrey);
    return box;
}

QRadioButton *AddOption(QGroupBox *frame, const char *name, const char *caption, const QRect &rect)
{
    auto *option = new QRadioButton(QString::fromLatin1(caption), frame);
    option->setObjectName(QString::fromLatin1(name));
    option->setGeometry(rect);
    SetColour(option, QPalette::WindowText, kBlue);
    return option;
}

QPushButton *AddButton(QWidget *parent, const char *name, const char *caption, const QRect &rect)
{
    auto *button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(rect);
    // Plain push buttons: neither Enter nor Escape presses any of them.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// Within an option group only the selected option is a tab stop; the arrow
// keys move the selection (and the focus) inside the group.
void KeepSelectedOptionTabStop(std::initializer_list<QRadioButton *> group)
{
    const std::vector<QRadioButton *> members(group);
    auto update = [members] {
        for (QRadioButton *member : members)
            member->setFocusPolicy(member->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
    };
    for (QRadioButton *member : members)
        QObject::connect(member, &QRadioButton::toggled, member, update);
    update();
}

} // namespace

std::unique_ptr<LinePrinter> Tevmar::DefaultPrinter(QString &whyNot)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
        whyNot = QStringLiteral("No default printer is set up, so the report cannot be printed.\n\n"
                                "Choose a default printer in the system's printer settings "
                                "and press Print again.");
        return nullptr;
    }
    return std::make_unique<QtLinePrinter>(
        std::make_unique<QPrinter>(info, QPrinter::HighResolution));
}

Tevmar::Tevmar(PrinterSource printers)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      printers_(std::move(printers)), flat_(std::make_unique<FlatStyle>())
{
    setObjectName(QStringLiteral("Tevmar"));
    setWindowTitle(QStringLiteral("Tevmar Z-Match"));
    setWindowIcon(QIcon(QPixmap::fromImage(TevmarIcon())));
    setFixedSize(TwipsRect(0, 0, 6255, 4890).size());
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kWindowGrey);
    palette.setColor(QPalette::Button, kWindowGrey);
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(Arial(7.5, QFont::Bold));

    BuildBrand();
    BuildInputs();
    BuildAbsorption();
    BuildChoices();
    BuildCommands();
    BuildResults();
    SetTabOrder();
    ApplyFlatLook();
    tools_ = std::make_unique<ResultTools>(*this, *pane_);
}

Tevmar::~Tevmar()
{
    // The controls draw with the flat style, so they go before it does.
    qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
}

void Tevmar::BuildBrand()
{
    const QFont brand = Arial(9.75, QFont::Bold, true);
    for (const auto &[name, text, rect] :
         {std::tuple{"Label1", "Vendrel", TwipsRect(480, 120, 972, 252)},
          std::tuple{"Label2", "Design Tools", TwipsRect(240, 360, 1452, 252)}}) {
        QLabel *label = AddLabel(this, name, QString::fromLatin1(text), rect, Qt::AlignHCenter);
        label->setFont(brand);
        SetColour(label, QPalette::WindowText, kRed);
    }
    auto *image = new QLabel(this);
    image->setObjectName(QStringLiteral("Image1"));
    image->setGeometry(TwipsRect(1800, 240, 480, 480));
    image->setPixmap(QPixmap::fromImage(LadderPicture()));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void Tevmar::BuildInputs()
{
    struct Row
    {
        const char *labelName;
        const char *caption;
        TextBox box;
        const char *boxName;
        const char *unitName;
        int topTwips;
    };
    static const Row rows[] = {
        {"F1_label", "Lower Freq.=", TextBox::F1_text, "F1_text", "GHz_1", 840},
        {"F2_label", "Upper Freq.=", TextBox::F2_text, "F2_text", "GHz_2", 1200},
        {"Z_hi", "High Z Port =", TextBox::Zhigh_text, "Zhigh_text", "Ohms1", 1560},
        {"Z_lo", "Low Z Port =", TextBox::Zlow_text, "Zlow_text", "Ohms2", 1920},
    };
    const QString ohm(QChar(0x03A9));
    for (const Row &row : rows) {
        AddLabel(this, row.labelName, QString::fromLatin1(row.caption),
                 TwipsRect(240, row.topTwips, 1092, 252), Qt::AlignRight);
        boxes_[Index(row.box)] = AddBox(this, row.boxName, TwipsRect(1440, row.topTwips, 972, 288));
        const bool ohms = row.unitName[0] == 'O';
        QLabel *unit = AddLabel(this, row.unitName, ohms ? ohm : QStringLiteral("GHz"),
                                TwipsRect(2520, row.topTwips, 372, 252), Qt::AlignHCenter);
        if (ohms)
            unit->setFont(Arial(9.75, QFont::Normal));
    }
}

void Tevmar::BuildAbsorption()
{
    lcAbs_ = new QCheckBox(QStringLiteral("LC Absorption"), this);
    lcAbs_->setObjectName(QStringLiteral("LC_abs"));
    lcAbs_->setGeometry(TwipsRect(240, 2280, 1452, 252));
    SetColour(lcAbs_, QPalette::WindowText, Qt::black);
    connect(lcAbs_, &QCheckBox::clicked, this, &Tevmar::LC_abs_Click);

    boxes_[Index(TextBox::LC_label)] =
        AddDisplayBox(this, "LC_label", TwipsRect(1800, 2340, 492, 192));
    boxes_[Index(TextBox::LC_text)] =
        AddBox(this, "LC_text", TwipsRect(2280, 2280, 612, 288), QStringLiteral(" 0.0"));
}

void Tevmar::BuildChoices()
{
    auto *load = new QGroupBox(QStringLiteral(" Type of Load"), this);
    load->setObjectName(QStringLiteral("LC_load"));
    load->setGeometry(TwipsRect(120, 2640, 1452, 1812));
    SetColour(load, QPalette::WindowText, Qt::black);
    struct Choice
    {
        Option option;
        const char *name;
        const char *caption;
        int topTwips;
        void (Tevmar::*handler)();
    };
    static const Choice loads[] = {
        {Option::SRL, "SRL", "Series RL", 240, &Tevmar::SRL_Click},
        {Option::SRC, "SRC", "Series RC", 600, &Tevmar::SRC_Click},
        {Option::PRL, "PRL", "Shunt RL", 960, &Tevmar::PRL_Click},
        {Option::PRC, "PRC", "Shunt RC", 1320, &Tevmar::PRC_Click},
    };
    for (const Choice &c : loads) {
        QRadioButton *option =
            AddOption(load, c.name, c.caption, TwipsRect(120, c.topTwips, 1212, 372));
        options_[Index(c.option)] = option;
        connect(option, &QRadioButton::clicked, this, c.handler);
    }

    auto *order = new QGroupBox(QStringLiteral("Net.Order"), this);
    order->setObjectName(QStringLiteral("N_Order"));
    order->setGeometry(TwipsRect(1800, 2640, 1092, 1452));
    static const Choice orders[] = {
        {Option::N4, "N4", "  4", 240, nullptr},
        {Option::N8, "N8", "  8", 600, nullptr},
        {Option::N12, "N12", " 12 ", 960, nullptr},
    };
    for (const Choice &c : orders)
        options_[Index(c.option)] =
            AddOption(order, c.name, c.caption, TwipsRect(240, c.topTwips, 612, 372));

    options_[Index(Option::SRL)]->setChecked(true);
    options_[Index(Option::N4)]->setChecked(true);
    KeepSelectedOptionTabStop({options_[Index(Option::SRL)], options_[Index(Option::SRC)],
                               options_[Index(Option::PRL)], options_[Index(Option::PRC)]});
    KeepSelectedOptionTabStop(
        {options_[Index(Option::N4)], options_[Index(Option::N8)], options_[Index(Option::N12)]});
}

void Tevmar::BuildCommands()
{
    printOut_ = AddButton(this, "PrintOut", "Print", TwipsRect(2400, 240, 612, 372));
    connect(printOut_, &QPushButton::clicked, this, &Tevmar::PrintOut_Click);
    calcBp_ = AddButton(this, "Calc_BP", "Calculate", TwipsRect(1800, 4200, 1092, 252));
    connect(calcBp_, &QPushButton::clicked, this, &Tevmar::Calc_BP_Click);
    getAbout_ = AddButton(this, "GetAbout", "About Tevmar", TwipsRect(120, 4560, 2772, 252));
    connect(getAbout_, &QPushButton::clicked, this, &Tevmar::GetAbout_Click);
}

void Tevmar::BuildResults()
{
    pane_ = new OutputPane(this);
    pane_->setObjectName(QStringLiteral("Tevmar_Out"));
    pane_->setGeometry(TwipsRect(3120, 240, 3012, 4152));
    pane_->setFont(PaneFont());

    QLineEdit *error = AddDisplayBox(this, "Error_text", TwipsRect(3480, 4440, 2352, 288));
    SetColour(error, QPalette::Text, kRed);
    boxes_[Index(TextBox::Error_text)] = error;
}

void Tevmar::SetTabOrder()
{
    auto box = [this](TextBox b) -> QWidget * { return Box(b); };
    auto option = [this](Option o) -> QWidget * { return OptionButton(o); };
    QWidget *const order[] = {
        box(TextBox::F1_text),
        box(TextBox::F2_text),
        box(TextBox::Zhigh_text),
        box(TextBox::Zlow_text),
        option(Option::SRL),
        option(Option::SRC),
        option(Option::PRL),
        option(Option::PRC),
        option(Option::N4),
        option(Option::N8),
        option(Option::N12),
        lcAbs_,
        box(TextBox::LC_text),
        calcBp_,
        printOut_,
        box(TextBox::LC_label),
        pane_,
        box(TextBox::Error_text),
        getAbout_,
    };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void Tevmar::ApplyFlatLook()
{
    for (QWidget *child : findChildren<QWidget *>()) {
        // The About button keeps the raised look; so do the pane's scroll bars.
        if (child != getAbout_ && (child == pane_ || !pane_->isAncestorOf(child)))
            child->setStyle(flat_.get());
    }
}

QLineEdit *Tevmar::Box(TextBox box) const
{
    return boxes_[Index(box)];
}

QRadioButton *Tevmar::OptionButton(Option option) const
{
    return options_[Index(option)];
}

std::string Tevmar::ReadText(TextBox box) const
{
    return Box(box)->text().toStdString();
}

void Tevmar::WriteText(TextBox box, std::string_view text)
{
    Box(box)->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

bool Tevmar::IsSelected(Option option) const
{
    return OptionButton(option)->isChecked();
}

int Tevmar::CheckBoxState() const
{
    return lcAbs_->isChecked() ? 1 : 0;
}

void Tevmar::ClearPane()
{
    pane_->Clear();
}

void Tevmar::PrintLine(const Line &line)
{
    pane_->Print(line);
}

void Tevmar::Calc_BP_Click()
{
    // The inputs as typed: the run rewrites LC_text when absorption is off.
    const analysis::DesignInputs inputs = analysis::CaptureInputs(*this);
    ReportFile report; // "tevmar.prt" in the working directory
    const DesignResult result = tevmar::Calc_BP_Click(*this, state_, report);
    tools_->DesignRun(inputs, result, state_);
}

void Tevmar::PrintOut_Click()
{
    std::error_code error;
    if (!std::filesystem::exists(ReportFile::kDefaultName, error)) {
        Tell(QString::fromLatin1(kNoReportMessage));
        return;
    }
    QString whyNot;
    const std::unique_ptr<LinePrinter> printer = printers_(whyNot);
    if (!printer) {
        Tell(whyNot);
        return;
    }
    const PrintResult result = tevmar::PrintOut_Click(*printer);
    if (result.status != PrintStatus::Printed)
        Tell(QString::fromStdString(result.message));
}

void Tevmar::GetAbout_Click()
{
    if (!about_)
        about_ = new AboutPellmark; // deletes itself when closed
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void Tevmar::LC_abs_Click()
{
    tevmar::LC_abs_Click(*this);
}

void Tevmar::Tell(const QString &message)
{
    QMessageBox::warning(this, QStringLiteral("Print"), message);
}

} // namespace tevmar
