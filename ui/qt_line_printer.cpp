#include "ui/qt_line_printer.h"

#include <QFontMetrics>
#include <QPrinter>

namespace tevmar {

QtLinePrinter::QtLinePrinter(std::unique_ptr<QPrinter> printer) : printer_(std::move(printer))
{
    printer_->setDocName(QStringLiteral("tevmar.prt"));
}

QtLinePrinter::~QtLinePrinter()
{
    // A document left open (a run that never reached its end) is still
    // closed, so the printer is not left holding half a job.
    if (painter_.isActive())
        painter_.end();
}

QFont QtLinePrinter::ReportFont()
{
    QFont font(QStringLiteral("Liberation Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(10);
    font.setWeight(QFont::Normal);
    return font;
}

bool QtLinePrinter::Begin()
{
    if (begun_)
        return painter_.isActive();
    begun_ = true;
    if (!painter_.begin(printer_.get())) {
        error_ = QStringLiteral("The printer could not start the print job.");
        return false;
    }
    painter_.setFont(ReportFont());
    const QFontMetrics metrics = painter_.fontMetrics();
    lineSpacing_ = metrics.lineSpacing();
    ascent_ = metrics.ascent();
    pageHeight_ = printer_->pageLayout().paintRectPixels(printer_->resolution()).height();
    nextTop_ = 0;
    return true;
}

// Moves to a new page when the next line would not fit on this one.
bool QtLinePrinter::NextLinePosition()
{
    if (nextTop_ == 0 || nextTop_ + lineSpacing_ <= pageHeight_)
        return true;
    if (!printer_->newPage()) {
        error_ = QStringLiteral("The printer could not start a new page.");
        return false;
    }
    nextTop_ = 0;
    return true;
}

void QtLinePrinter::PrintLine(std::string_view text)
{
    if (!error_.isEmpty() || !Begin() || !NextLinePosition())
        return;
    painter_.drawText(0, nextTop_ + ascent_,
                      QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    nextTop_ += lineSpacing_;
}

bool QtLinePrinter::EndDocument()
{
    if (!Begin())
        return false;
    if (!painter_.end() && error_.isEmpty())
        error_ = QStringLiteral("The printer did not accept the document.");
    if (printer_->printerState() == QPrinter::Error && error_.isEmpty())
        error_ = QStringLiteral("The printer reported an error.");
    return error_.isEmpty();
}

} // namespace tevmar
