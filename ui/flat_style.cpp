#include "ui/flat_style.h"

#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace tevmar {

namespace {

const QColor kLine(0, 0, 0);
const QColor kFrameLine(128, 128, 128);

// A one-pixel outline just inside the rectangle.
void Outline(QPainter *painter, const QRect &rect, const QColor &color)
{
    painter->setPen(color);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
}

void Button(const QStyleOption *option, QPainter *painter)
{
    const bool down = option->state & (QStyle::State_Sunken | QStyle::State_On);
    const QColor face = option->palette.color(QPalette::Button);
    painter->fillRect(option->rect, down ? face.darker(115) : face);
    Outline(painter, option->rect, kLine);
    if (option->state & QStyle::State_HasFocus) {
        painter->setPen(QPen(kLine, 1, Qt::DotLine));
        painter->drawRect(option->rect.adjusted(2, 2, -3, -3));
    }
}

void LineEdit(const QStyleOption *option, QPainter *painter)
{
    painter->fillRect(option->rect, option->palette.brush(QPalette::Base));
    const auto *frame = qstyleoption_cast<const QStyleOptionFrame *>(option);
    if (!frame || frame->lineWidth > 0)
        Outline(painter, option->rect, kLine);
}

// The indicator square of a check box, with a tick when checked.
void CheckBox(const QStyleOption *option, QPainter *painter)
{
    const QRect box = option->rect;
    painter->fillRect(box, option->palette.brush(QPalette::Base));
    Outline(painter, box, kLine);
    if (option->state & QStyle::State_On) {
        painter->setRenderHint(QPainter::Antialiasing, true);
        painter->setPen(QPen(kLine, 1.6));
        const QRectF r = QRectF(box).adjusted(3, 3, -3, -3);
        painter->drawPolyline(QPolygonF{{r.left(), r.center().y()},
                                        {r.left() + r.width() * 0.4, r.bottom()},
                                        {r.right(), r.top()}});
    }
}

// The round indicator of an option button, with a dot when selected.
void RadioButton(const QStyleOption *option, QPainter *painter)
{
    painter->setRenderHint(QPainter::Antialiasing, true);
    const QRectF circle = QRectF(option->rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter->setPen(kLine);
    painter->setBrush(option->palette.brush(QPalette::Base));
    painter->drawEllipse(circle);
    if (option->state & QStyle::State_On) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(kLine);
        const qreal inset = circle.width() * 0.3;
        painter->drawEllipse(circle.adjusted(inset, inset, -inset, -inset));
    }
}

// A frame drawn as one line whose top runs through the middle of its caption.
void GroupBox(const QStyle &style, const QStyleOptionGroupBox *box, QPainter *painter,
              const QWidget *widget)
{
    const QRect caption =
        style.subControlRect(QStyle::CC_GroupBox, box, QStyle::SC_GroupBoxLabel, widget);
    QRect frame = box->rect;
    frame.setTop(caption.center().y());
    Outline(painter, frame, kFrameLine);
    if (box->text.isEmpty())
        return;
    painter->fillRect(caption.adjusted(-1, 0, 1, 0), box->palette.brush(QPalette::Window));
    style.drawItemText(painter, caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextHideMnemonic,
                       box->palette, box->state & QStyle::State_Enabled, box->text,
                       QPalette::WindowText);
}

} // namespace

FlatStyle::FlatStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

void FlatStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                              QPainter *painter, const QWidget *widget) const
{
    painter->save();
    switch (element) {
    case PE_PanelButtonCommand:
        Button(option, painter);
        break;
    case PE_PanelLineEdit:
        LineEdit(option, painter);
        break;
    case PE_FrameLineEdit:
        Outline(painter, option->rect, kLine);
        break;
    case PE_FrameGroupBox:
        Outline(painter, option->rect, kFrameLine);
        break;
    case PE_IndicatorCheckBox:
        CheckBox(option, painter);
        break;
    case PE_IndicatorRadioButton:
        RadioButton(option, painter);
        break;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        break;
    }
    painter->restore();
}

void FlatStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option,
                                   QPainter *painter, const QWidget *widget) const
{
    const auto *box = qstyleoption_cast<const QStyleOptionGroupBox *>(option);
    if (control != CC_GroupBox || !box) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    painter->save();
    GroupBox(*this, box, painter, widget);
    painter->restore();
}

int FlatStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                           const QWidget *widget) const
{
    switch (metric) {
    case PM_DefaultFrameWidth: // the one-pixel line of a flat text box
        return 1;
    case PM_IndicatorWidth:
    case PM_IndicatorHeight:
    case PM_ExclusiveIndicatorWidth:
    case PM_ExclusiveIndicatorHeight:
        return 13;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

} // namespace tevmar
