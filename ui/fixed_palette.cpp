#include "ui/fixed_palette.h"

namespace tevmar {

QPalette FixedPalette(const QColor &window, const QColor &text)
{
    const QColor white(255, 255, 255), black(0, 0, 0), grey(128, 128, 128);
    const struct
    {
        QPalette::ColorRole role;
        QColor colour;
    } roles[] = {
        {QPalette::Window, window},
        {QPalette::WindowText, text},
        {QPalette::Button, window},
        {QPalette::ButtonText, text},
        {QPalette::Base, white},
        {QPalette::AlternateBase, QColor(245, 245, 245)},
        {QPalette::Text, black},
        {QPalette::PlaceholderText, grey},
        {QPalette::BrightText, white},
        {QPalette::Light, window.lighter(150)},
        {QPalette::Midlight, window.lighter(125)},
        {QPalette::Mid, window.darker(150)},
        {QPalette::Dark, window.darker(200)},
        {QPalette::Shadow, black},
        {QPalette::Highlight, QColor(0, 0, 128)},
        {QPalette::HighlightedText, white},
        {QPalette::Link, QColor(0, 0, 255)},
        {QPalette::LinkVisited, QColor(128, 0, 128)},
        {QPalette::ToolTipBase, QColor(255, 255, 225)},
        {QPalette::ToolTipText, black},
    };
    QPalette palette;
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        for (const auto &[role, colour] : roles)
            palette.setColor(group, role, colour);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, grey);
    return palette;
}

} // namespace tevmar
