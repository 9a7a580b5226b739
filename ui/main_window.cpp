#include "ui/main_window.h"

#include "report/report_file.h"
#include "session/io/report_reading.h"
#include "session/run/run.h"
#include "session/types.h"
#include "session/views/candidates.h"
#include "ui/about_window.h"
#include "ui/fixed_palette.h"
#include "ui/flat_style.h"
#include "ui/icons.h"
#include "ui/measured_load_dialog.h"
#include "ui/output_pane.h"
#include "ui/qt_line_printer.h"
#include "ui/response_window.h"
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
#include <cctype>
#include <filesystem>
#include <tuple>
#include <vector>

namespace tevmar {

namespace {

const QColor kWindowGrey(192, 192, 192);
const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);

template <class Enum> std::size_t Index(Enum value)
{
    return static_cast<std::size_t>(value);
}

QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
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

// A text box that only shows what Calculate writes into it: the window's
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

std::unique_ptr<LinePrinter> MainWindow::DefaultPrinter(QString &whyNot)
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

MainWindow::MainWindow(PrinterSource printers, std::shared_ptr<session::DesignState> state)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      printers_(std::move(printers)),
      state_(state ? std::move(state) : std::make_shared<session::DesignState>()),
      flat_(std::make_unique<FlatStyle>())
{
    setObjectName(QStringLiteral("Tevmar"));
    setWindowTitle(QStringLiteral("Tevmar Z-Match"));
    setWindowIcon(QIcon(QPixmap::fromImage(TevmarIcon())));
    setFixedSize(TwipsRect(0, 0, 6255, 4890).size());
    setPalette(FixedPalette(kWindowGrey, Qt::black));
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
    tools_ = std::make_unique<ResultTools>(*this, *pane_, *state_);
    tools_->SetMeasuredLoadMatcher([this] { AskAndMatchMeasuredLoad(); });
}

MainWindow::~MainWindow()
{
    // The controls draw with the flat style, so they go before it does.
    qDeleteAll(findChildren<QWidget *>(Qt::FindDirectChildrenOnly));
}

void MainWindow::BuildBrand()
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

void MainWindow::BuildInputs()
{
    struct Row
    {
        const char *labelName;
        const char *caption;
        Box box;
        const char *boxName;
        const char *unitName;
        int topTwips;
    };
    static const Row rows[] = {
        {"F1_label", "Lower Freq.=", Box::F1, "F1_text", "GHz_1", 840},
        {"F2_label", "Upper Freq.=", Box::F2, "F2_text", "GHz_2", 1200},
        {"Z_hi", "High Z Port =", Box::Zhigh, "Zhigh_text", "Ohms1", 1560},
        {"Z_lo", "Low Z Port =", Box::Zlow, "Zlow_text", "Ohms2", 1920},
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

void MainWindow::BuildAbsorption()
{
    lcAbs_ = new QCheckBox(QStringLiteral("LC Absorption"), this);
    lcAbs_->setObjectName(QStringLiteral("LC_abs"));
    lcAbs_->setGeometry(TwipsRect(240, 2280, 1452, 252));
    SetColour(lcAbs_, QPalette::WindowText, Qt::black);
    connect(lcAbs_, &QCheckBox::clicked, this, &MainWindow::ApplyAbsorptionRule);

    boxes_[Index(Box::UnitPrompt)] =
        AddDisplayBox(this, "LC_label", TwipsRect(1800, 2340, 492, 192));
    boxes_[Index(Box::AbsorbValue)] =
        AddBox(this, "LC_text", TwipsRect(2280, 2280, 612, 288), QStringLiteral(" 0.0"));
}

void MainWindow::BuildChoices()
{
    auto *load = new QGroupBox(QStringLiteral(" Type of Load"), this);
    load->setObjectName(QStringLiteral("LC_load"));
    load->setGeometry(TwipsRect(120, 2640, 1452, 1812));
    SetColour(load, QPalette::WindowText, Qt::black);
    struct Choice
    {
        const char *name;
        const char *caption;
        int topTwips;
    };
    // In the order of LoadType.
    static const Choice loads[] = {
        {"SRL", "Series RL", 240},
        {"SRC", "Series RC", 600},
        {"PRL", "Shunt RL", 960},
        {"PRC", "Shunt RC", 1320},
    };
    for (std::size_t k = 0; k < std::size(loads); ++k) {
        const Choice &c = loads[k];
        loads_[k] = AddOption(load, c.name, c.caption, TwipsRect(120, c.topTwips, 1212, 372));
        connect(loads_[k], &QRadioButton::clicked, this, &MainWindow::ApplyAbsorptionRule);
    }

    auto *order = new QGroupBox(QStringLiteral("Net.Order"), this);
    order->setObjectName(QStringLiteral("N_Order"));
    order->setGeometry(TwipsRect(1800, 2640, 1092, 1452));
    static const Choice orders[] = {
        {"N4", "  4", 240},
        {"N8", "  8", 600},
        {"N12", " 12 ", 960},
    };
    for (std::size_t k = 0; k < std::size(orders); ++k) {
        const Choice &c = orders[k];
        orders_[k] = AddOption(order, c.name, c.caption, TwipsRect(240, c.topTwips, 612, 372));
    }

    loads_[0]->setChecked(true);
    orders_[0]->setChecked(true);
    KeepSelectedOptionTabStop({loads_[0], loads_[1], loads_[2], loads_[3]});
    KeepSelectedOptionTabStop({orders_[0], orders_[1], orders_[2]});
}

void MainWindow::BuildCommands()
{
    printOut_ = AddButton(this, "PrintOut", "Print", TwipsRect(2400, 240, 612, 372));
    connect(printOut_, &QPushButton::clicked, this, &MainWindow::Print);
    calcBp_ = AddButton(this, "Calc_BP", "Calculate", TwipsRect(1800, 4200, 1092, 252));
    connect(calcBp_, &QPushButton::clicked, this, &MainWindow::Calculate);
    getAbout_ = AddButton(this, "GetAbout", "About Tevmar", TwipsRect(120, 4560, 2772, 252));
    connect(getAbout_, &QPushButton::clicked, this, &MainWindow::ShowAbout);
}

void MainWindow::BuildResults()
{
    pane_ = new OutputPane(this);
    pane_->setObjectName(QStringLiteral("Tevmar_Out"));
    pane_->setGeometry(TwipsRect(3120, 240, 3012, 4152));
    pane_->setFont(PaneFont());

    QLineEdit *error = AddDisplayBox(this, "Error_text", TwipsRect(3480, 4440, 2352, 288));
    SetColour(error, QPalette::Text, kRed);
    boxes_[Index(Box::Error)] = error;
}

void MainWindow::SetTabOrder()
{
    QWidget *const order[] = {
        BoxOf(Box::F1),
        BoxOf(Box::F2),
        BoxOf(Box::Zhigh),
        BoxOf(Box::Zlow),
        loads_[0],
        loads_[1],
        loads_[2],
        loads_[3],
        orders_[0],
        orders_[1],
        orders_[2],
        lcAbs_,
        BoxOf(Box::AbsorbValue),
        calcBp_,
        printOut_,
        BoxOf(Box::UnitPrompt),
        pane_,
        BoxOf(Box::Error),
        getAbout_,
    };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void MainWindow::ApplyFlatLook()
{
    for (QWidget *child : findChildren<QWidget *>()) {
        // The About button keeps the raised look; so do the pane's scroll bars.
        if (child != getAbout_ && (child == pane_ || !pane_->isAncestorOf(child)))
            child->setStyle(flat_.get());
    }
}

QLineEdit *MainWindow::BoxOf(Box box) const
{
    return boxes_[Index(box)];
}

void MainWindow::SetBoxText(Box box, std::string_view text)
{
    BoxOf(box)->setText(FromUtf8(text));
}

DesignInputs MainWindow::Inputs() const
{
    static constexpr int kOrders[] = {4, 8, 12};
    DesignInputs inputs;
    inputs.f1Text = BoxOf(Box::F1)->text().toStdString();
    inputs.f2Text = BoxOf(Box::F2)->text().toStdString();
    inputs.zhighText = BoxOf(Box::Zhigh)->text().toStdString();
    inputs.zlowText = BoxOf(Box::Zlow)->text().toStdString();
    for (std::size_t k = 0; k < std::size(orders_); ++k)
        if (orders_[k]->isChecked())
            inputs.networkOrder = kOrders[k];
    for (std::size_t k = 0; k < std::size(loads_); ++k)
        if (loads_[k]->isChecked())
            inputs.loadType = static_cast<LoadType>(k);
    inputs.absorb = lcAbs_->isChecked();
    inputs.absorbText = BoxOf(Box::AbsorbValue)->text().toStdString();
    return inputs;
}

void MainWindow::Calculate()
{
    session::Request request;
    request.design = Inputs();
    request.reportPath = kReportFileName;
    Present(request, session::Run(request));
}

void MainWindow::Present(const session::Request &request, const session::Outcome &outcome)
{
    ShowOutcome(outcome.design);
    state_->Follow(request, outcome);
    // Where the synthesis cannot absorb the load, the Response window offers
    // the networks that can.
    if (session::CandidatesMayHelp(outcome.design))
        tools_->ShowCandidatesFor(outcome.design, request);
}

void MainWindow::WriteInputs(const DesignInputs &inputs)
{
    static constexpr int kOrders[] = {4, 8, 12};
    SetBoxText(Box::F1, inputs.f1Text);
    SetBoxText(Box::F2, inputs.f2Text);
    SetBoxText(Box::Zhigh, inputs.zhighText);
    SetBoxText(Box::Zlow, inputs.zlowText);
    for (std::size_t k = 0; k < std::size(orders_); ++k)
        orders_[k]->setChecked(kOrders[k] == inputs.networkOrder);
    loads_[static_cast<std::size_t>(inputs.loadType)]->setChecked(true);
    lcAbs_->setChecked(inputs.absorb);
    SetBoxText(Box::AbsorbValue, inputs.absorbText); // the unit prompt follows the next run
}

std::string MainWindow::MatchMeasuredLoad(const QString &filePath, double sourceOhms,
                                          std::optional<LoadType> kind, const QString &sourceFile)
{
    session::Request request;
    request.design = Inputs(); // the band and the order
    request.measuredLoad = session::MeasuredLoadInput{};
    request.measuredLoad->filePath = filePath.toStdString();
    request.measuredLoad->sourceOhms = sourceOhms;
    request.measuredLoad->kind = kind;
    request.measuredLoad->label.clear();
    if (!sourceFile.isEmpty())
        request.measuredLoad->source =
            session::MeasuredSourceInput{sourceFile.toStdString(), {}, std::nullopt, ""};
    request.reportPath = kReportFileName;
    const session::Outcome outcome = session::Run(request);
    if (!outcome.match) {
        std::string problem;
        for (const session::Message &message : outcome.messages)
            problem += message.text;
        return problem;
    }
    if (outcome.match->dataUsedDirectly()) {
        // A fit far off its data is not the load: the boxes keep what they
        // held, and only networks tuned into the data are offered.
        Present(request, outcome);
        std::string reason = outcome.design.boxes.errorReason;
        if (!reason.empty())
            reason.front() =
                static_cast<char>(std::toupper(static_cast<unsigned char>(reason.front())));
        return reason +
               ". The Response window's Candidates tab tunes networks into the measured data.";
    }
    // The boxes take the fit, so that a plain Calculate designs for it again.
    WriteInputs(outcome.design.inputs);
    Present(request, outcome); // without a design, opens the Response window on the candidates
    if (outcome.design.solved()) {
        tools_->ShowResponse();
        return {};
    }
    return "The boxes hold the fit, but the synthesis has no design for it:" +
           outcome.design.boxes.errorText +
           ". The Response window's Candidates tab tunes other networks into the measured load.";
}

void MainWindow::AskAndMatchMeasuredLoad()
{
    QWidget *parent = tools_->responseWindow() ? static_cast<QWidget *>(tools_->responseWindow())
                                               : static_cast<QWidget *>(this);
    MeasuredLoadDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::string problem = MatchMeasuredLoad(dialog.filePath(), dialog.sourceOhms(),
                                                  dialog.loadKind(), dialog.sourceFilePath());
    if (!problem.empty())
        QMessageBox::warning(parent, QStringLiteral("Match a Measured Load"),
                             QString::fromStdString(problem));
}

void MainWindow::ShowOutcome(const session::CalculateOutcome &outcome)
{
    SetBoxText(Box::Error, outcome.boxes.errorText);
    // The box keeps the window's words; why there is no design is a tooltip.
    BoxOf(Box::Error)->setToolTip(FromUtf8(outcome.boxes.errorReason));
    SetBoxText(Box::UnitPrompt, outcome.boxes.unitPrompt);
    if (outcome.boxes.absorbText)
        SetBoxText(Box::AbsorbValue, *outcome.boxes.absorbText);
    pane_->Clear();
    pane_->Print(outcome.report.pane);
}

void MainWindow::ApplyAbsorptionRule()
{
    const DesignInputs inputs = Inputs();
    const AbsorptionPrompt prompt = AbsorptionRule(inputs.absorb, inputs.loadType);
    if (prompt.unitPrompt)
        SetBoxText(Box::UnitPrompt, *prompt.unitPrompt);
    if (prompt.absorbText)
        SetBoxText(Box::AbsorbValue, *prompt.absorbText);
}

void MainWindow::Print()
{
    std::error_code error;
    if (!std::filesystem::exists(kReportFileName, error)) {
        Tell(QString::fromLatin1(kNoReportMessage));
        return;
    }
    if (!ConfirmEarlierReport())
        return;
    QString whyNot;
    const std::unique_ptr<LinePrinter> printer = printers_(whyNot);
    if (!printer) {
        Tell(whyNot);
        return;
    }
    const PrintResult result = session::PrintReport(*printer);
    if (result.status != PrintStatus::Printed)
        Tell(QString::fromStdString(result.message));
}

bool MainWindow::ConfirmEarlierReport()
{
    QString why;
    if (state_->lastSaving() == session::ReportSaving::Untouched)
        why = QStringLiteral("The last Calculate found no solution.");
    else if (state_->lastSaving() == session::ReportSaving::NotSaved)
        why = QStringLiteral("The last Calculate's report could not be saved.");
    else
        return true;
    QMessageBox question(QMessageBox::Question, QStringLiteral("Print"),
                         why + QStringLiteral(" The saved report is of the design before it."),
                         QMessageBox::Cancel, this);
    QPushButton *print = question.addButton(QStringLiteral("Print"), QMessageBox::AcceptRole);
    question.setDefaultButton(QMessageBox::Cancel);
    question.exec();
    return question.clickedButton() == print;
}

void MainWindow::ShowAbout()
{
    if (!about_)
        about_ = new AboutPellmark; // deletes itself when closed
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void MainWindow::Tell(const QString &message)
{
    QMessageBox::warning(this, QStringLiteral("Print"), message);
}

} // namespace tevmar
