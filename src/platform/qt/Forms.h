#pragma once
// Forms as the drawing layer sees them. A form is a top-level window of the
// program; its bounds are its client area on the screen (the window manager
// draws the frame), in the coordinates of the primary screen.

#include "platform/win32/Gdi.h"
#include "platform/win32/GdiRegion.h"
#include "platform/win32/Rect.h"
#include "platform/win32/WinTypes.h"

#include <QList>

#include <functional>

class QWidget;

namespace platform::qt {

// The form's rectangle on the primary screen; a child widget's is mapped
// through its parent.
win32::TRect FormBounds(const QWidget* form);
// The screen position of the form's client origin.
win32::POINT FormClientOrigin(const QWidget* form);

// Whether the widget is a form: a window or dialog of the program (also when
// embedded in another widget), not a menu, tool tip or other pop-up.
bool IsForm(const QWidget* widget);
// The forms among the top-level widgets, in no particular order.
QList<QWidget*> ScreenForms();
// Whether the form lives inside a parent widget or a foreign window instead
// of being a window of its own. A dialog's owner is no parent in this sense.
bool HasParent(const QWidget* form);

// The application's main form: the one set, or else the first main window
// among the top-level widgets; null when there is none.
QWidget* MainForm();
void SetMainForm(QWidget* form);

// Waits until the display has handled every drawing request the toolkit
// made so far (on X; elsewhere nothing to wait for).
void SyncWithDisplay();

// When the program has an active window: brings the form forward. Then lets
// every other visible form repaint at once, so a snapshot taken next shows
// them up to date (and nothing of a menu that just closed over them).
void RefreshActiveForm(QWidget* form);

// Runs Action once, shortly after the form's window has been exposed and has
// painted itself (queued behind that paint), or after TimeoutMs when that
// does not happen first. The form may be gone by then: Action checks what it
// uses.
void WhenPainted(QWidget* form, int TimeoutMs, std::function<void()> Action);

// The colour the form's background is filled with: its palette's window colour.
win32::COLORREF FormBackgroundColor(const QWidget* form);

// Paints the form and its children into dc at (0, 0), also before the form's
// native window exists (what WM_PRINT does).
void PrintForm(QWidget* form, win32::HDC dc);

// Copies the form's window region (its mask) into rgn, in the form's own
// coordinates. Returns 0 (ERROR) and leaves rgn alone when it has none.
int GetWindowRgn(const QWidget* form, win32::HRGN rgn);

} // namespace platform::qt
