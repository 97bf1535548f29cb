#pragma once
// Where the program's windows open: every window centres itself on the whole
// screen (not the work area).

class QWidget;

// Moves the window so that its outer frame is centred on the primary screen:
// left = (screen width - frame width) / 2, top likewise, truncated toward
// zero. Nothing happens without a screen.
void CentreOnScreen(QWidget* window);
