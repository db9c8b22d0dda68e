#pragma once

#include <QIcon>

namespace quorvia::ui {

// Quorvia's icon, from the program itself (the installed icon theme may lack it, and this Qt reads no SVG):
// the icon of every window of the program.
QIcon ApplicationIcon();

// The desktop entry of the main window, whose name the window manager's class of its windows follows.
inline constexpr const char* kDesktopEntry = "org.quorvia.Quorvia";

}  // namespace quorvia::ui
