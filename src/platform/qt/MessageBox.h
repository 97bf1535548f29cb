#pragma once
// Message boxes shown at their proper size.
//
// A message box works out its size only once it is on its way to the screen;
// until then it has a new widget's default size, and its window is made at
// that size. When its show is taken over (by an entrance animation), a display
// without a window manager keeps the window as it was made: an empty 100 x 30
// box that blocks the program. Every box of the program is therefore given its
// size hint before it is shown.

class QMessageBox;

namespace platform::qt {

// Gives the box its size hint, unless it was sized on purpose, then runs it
// modally; returns what QMessageBox::exec returns.
int ExecMessageBox(QMessageBox& box);

} // namespace platform::qt
