#pragma once

#include <QWidget>

namespace tevmar {

// The About window: the tool's credit line and contact address in pale yellow
// on black. A top-level tool window with a close button only and no taskbar
// entry; it is destroyed when closed. It keeps the program running while it
// is open, also after the main window has been closed.
class AboutPellmark final : public QWidget
{
  public:
    static constexpr const char *kTitle = "About Pellmark   -   Version 1.0";
    static constexpr const char *kCredit = "Tevmar by Vendrel";
    static constexpr const char *kContact = "tevmar@example.com";

    AboutPellmark();
};

} // namespace tevmar
