#include "ui/measured_load_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <iterator>

namespace tevmar {

namespace {

constexpr LoadType kKinds[] = {LoadType::SeriesRL, LoadType::SeriesRC, LoadType::ShuntRL,
                               LoadType::ShuntRC};

} // namespace

MeasuredLoadDialog::MeasuredLoadDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MeasuredLoadDialog"));
    setWindowTitle(QStringLiteral("Match a Measured Load"));

    file_ = new QLineEdit(this);
    file_->setObjectName(QStringLiteral("measuredFile"));
    file_->setPlaceholderText(QStringLiteral("antenna.s1p"));
    file_->setMinimumWidth(320);
    auto *browse = new QPushButton(QStringLiteral("Browse\u2026"), this);
    browse->setObjectName(QStringLiteral("browseMeasuredFile"));
    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(file_, 1);
    fileRow->addWidget(browse);

    // Numbers read with "." as the decimal point under every locale, as the
    // main window's boxes do.
    QLocale numbers = QLocale::c();
    numbers.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    source_ = new QDoubleSpinBox(this);
    source_->setObjectName(QStringLiteral("sourceOhms"));
    source_->setLocale(numbers);
    source_->setRange(0.001, 1e6);
    source_->setDecimals(3);
    source_->setValue(50);
    source_->setSuffix(QStringLiteral(" \u03A9"));

    sourceFile_ = new QLineEdit(this);
    sourceFile_->setObjectName(QStringLiteral("sourceFile"));
    sourceFile_->setPlaceholderText(QStringLiteral("optional: the source's one-port file"));
    auto *browseSource = new QPushButton(QStringLiteral("Browse\u2026"), this);
    browseSource->setObjectName(QStringLiteral("browseSourceFile"));
    auto *sourceRow = new QHBoxLayout;
    sourceRow->addWidget(sourceFile_, 1);
    sourceRow->addWidget(browseSource);

    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("loadKind"));
    kind_->addItem(QStringLiteral("The kind that fits best"));
    for (const LoadType kind : kKinds)
        kind_->addItem(QString::fromLatin1(NamesOf(kind).phrase));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setText(QStringLiteral("Match"));
    ok_->setEnabled(false);

    auto *form = new QFormLayout(this);
    form->addRow(QStringLiteral("One-port file (.s1p)"), fileRow);
    form->addRow(QStringLiteral("Source resistance"), source_);
    form->addRow(QStringLiteral("Or a measured source (.s1p)"), sourceRow);
    form->addRow(QStringLiteral("Load kind"), kind_);
    form->addRow(buttons);

    connect(browse, &QPushButton::clicked, this, [this] { Browse(file_); });
    connect(browseSource, &QPushButton::clicked, this, [this] { Browse(sourceFile_); });
    // A measured source replaces the resistance.
    connect(sourceFile_, &QLineEdit::textChanged, this,
            [this](const QString &text) { source_->setEnabled(text.trimmed().isEmpty()); });
    connect(file_, &QLineEdit::textChanged, this,
            [this](const QString &text) { ok_->setEnabled(!text.trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        Remember();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Recall();
}

// The choices of the last match, kept in the user's settings, so that
// matching the same antenna again is a click; the kind by its word, which
// stays the same when the list's order changes.
namespace {
const QString kFileKey = QStringLiteral("measuredLoad/file");
const QString kSourceKey = QStringLiteral("measuredLoad/sourceOhms");
const QString kKindKey = QStringLiteral("measuredLoad/kind");
const QString kSourceFileKey = QStringLiteral("measuredLoad/sourceFile");
} // namespace

void MeasuredLoadDialog::Recall()
{
    const QSettings settings;
    file_->setText(settings.value(kFileKey).toString());
    sourceFile_->setText(settings.value(kSourceFileKey).toString());
    bool number = false;
    const double ohms = settings.value(kSourceKey).toDouble(&number);
    if (number && ohms >= source_->minimum() && ohms <= source_->maximum())
        source_->setValue(ohms);
    const std::optional<LoadType> kind =
        LoadTypeFromWord(settings.value(kKindKey).toString().toStdString());
    for (std::size_t k = 0; k < std::size(kKinds); ++k)
        if (kind == kKinds[k])
            kind_->setCurrentIndex(static_cast<int>(k) + 1);
}

void MeasuredLoadDialog::Remember() const
{
    QSettings settings;
    settings.setValue(kFileKey, filePath());
    settings.setValue(kSourceKey, sourceOhms());
    settings.setValue(kSourceFileKey, sourceFilePath());
    const std::optional<LoadType> kind = loadKind();
    settings.setValue(kKindKey, kind ? QString::fromLatin1(NamesOf(*kind).word) : QString());
}

void MeasuredLoadDialog::Browse(QLineEdit *into)
{
    const QString name = QFileDialog::getOpenFileName(
        this, QStringLiteral("Open a One-Port Measurement"), into->text(),
        QStringLiteral("Touchstone one-port (*.s1p *.S1P *.ts);;All files (*)"));
    if (!name.isEmpty())
        into->setText(name);
}

QString MeasuredLoadDialog::sourceFilePath() const
{
    return sourceFile_->text().trimmed();
}

QString MeasuredLoadDialog::filePath() const
{
    return file_->text().trimmed();
}

double MeasuredLoadDialog::sourceOhms() const
{
    return source_->value();
}

std::optional<LoadType> MeasuredLoadDialog::loadKind() const
{
    const int index = kind_->currentIndex();
    if (index < 1 || index > static_cast<int>(std::size(kKinds)))
        return std::nullopt;
    return kKinds[index - 1];
}

} // namespace tevmar
