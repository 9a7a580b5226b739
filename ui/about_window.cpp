#include "ui/about_window.h"

#include "ui/fixed_palette.h"
#include "ui/twips.h"

#include <QLabel>

namespace tevmar {

namespace {

const QColor kPaleYellow(255, 255, 128);

QFont Arial(qreal points, bool italic)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(italic);
    return font;
}

void AddLine(QWidget *window, const char *name, const char *text, const QRect &rect, qreal points)
{
    auto *label = new QLabel(QString::fromUtf8(text), window);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(rect);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setFont(Arial(points, true));
}

} // namespace

AboutPellmark::AboutPellmark()
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutPellmark"));
    setWindowTitle(QString::fromLatin1(kTitle));
    setAttribute(Qt::WA_DeleteOnClose);
    // Qt leaves tool windows out when it decides that the last window has
    // closed; this one must keep the program alive like the main window does.
    setAttribute(Qt::WA_QuitOnClose, true);
    setFixedSize(TwipsRect(0, 0, 6255, 900).size());

    setPalette(FixedPalette(Qt::black, kPaleYellow));
    setAutoFillBackground(true);
    setFont(Arial(10.5, false));

    AddLine(this, "Label1", kCredit, TwipsRect(1560, 120, 3012, 372), 14.25);
    AddLine(this, "email", kContact, TwipsRect(1560, 600, 3012, 252), 11.25);
}

} // namespace tevmar
