#pragma once
// Classes: TFramePlacement.
//
// Where the program's windows open: every window centres itself on the whole
// screen (not the work area), by its outer frame. The window manager draws
// that frame and tells its size only once the window is shown, so a window
// placed before is placed again as soon as its frame is known.

#include <QMargins>
#include <QObject>
#include <QSize>

class QWidget;

// Moves the window so that its outer frame is centred on the primary screen:
// left = (screen width - frame width) / 2, top likewise, truncated toward
// zero. Nothing happens without a screen.
void CentreOnScreen(QWidget* window);

// Gives the window a fixed outer size, frame included: its client area is
// that size less the frame.
void SetFixedOuterSize(QWidget* window, const QSize& outer);

// Placement of one window that waits for the window's frame: it watches the
// window until the frame is known (at the latest when the window first
// paints, before the user can move it), applies the outer size and the
// centring again, and then goes. A window maximized, minimized or
// full-screen by then keeps its place.
class TFramePlacement : public QObject {
    Q_OBJECT
public:
    // The window's placement helper, made on first use.
    static TFramePlacement* Of(QWidget* window);

    void SetOuterSize(const QSize& outer);
    void Centre();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TFramePlacement(QWidget* window);
    // The frame's width on each side; none until the window manager has
    // told it.
    QMargins Frame() const;
    bool FrameKnown() const;
    void Request();
    void Apply();
    void ApplyOnceFrameKnown();

    QWidget* window_;
    QSize outer_;            // empty: the size is the window's own
    bool centre_ = false;
    bool done_ = false;
};
