#pragma once

#include "report/print_routine.h"

#include <QFont>
#include <QPainter>
#include <QString>
#include <memory>

class QPrinter;

namespace tevmar {

// Prints report lines on a QPrinter in a fixed-pitch font, so that the
// report's space-aligned columns stay aligned on paper. The document begins
// with the first line (or at its end, for an empty report), a new page starts
// when the next line would run past the printable area, and EndDocument hands
// the whole printout over as one job.
class QtLinePrinter final : public LinePrinter
{
  public:
    explicit QtLinePrinter(std::unique_ptr<QPrinter> printer);
    ~QtLinePrinter() override;

    void PrintLine(std::string_view text) override;
    bool EndDocument() override;

    // Why the printer did not take the document; empty while all is well.
    const QString &error() const { return error_; }

    // The font the report is printed in: "Liberation Mono" (or the system's
    // fixed-pitch face) at 10 points.
    static QFont ReportFont();

  private:
    bool Begin();
    bool NextLinePosition();

    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    int lineSpacing_ = 0;
    int ascent_ = 0;
    int pageHeight_ = 0;
    int nextTop_ = 0;
    bool begun_ = false;
    QString error_;
};

} // namespace tevmar
