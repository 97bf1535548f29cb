#include "Forms.h"

#include "platform/win32/GdiDraw.h"

#include <QApplication>
#include <QBackingStore>
#include <QImage>
#include <QLayout>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>

using namespace win32;

namespace platform::qt {

namespace {

QPointer<QWidget>& SetForm()
{
    static QPointer<QWidget> form;
    return form;
}

QPoint ScreenOrigin()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry().topLeft() : QPoint();
}

// Watches the form's window for its exposure; see WhenPainted.
class TPaintWatch : public QObject {
public:
    TPaintWatch(QWidget* form, int timeoutMs, std::function<void()> action) : action_(std::move(action))
    {
        if (QWindow* window = form->windowHandle())
            window->installEventFilter(this);
        // The time counts from when the event loop runs again, after the
        // show (and its entrance) that is under way.
        QMetaObject::invokeMethod(
            this, [this, timeoutMs] { QTimer::singleShot(timeoutMs, this, &TPaintWatch::Run); },
            Qt::QueuedConnection);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The window paints while it handles the exposure: run behind it.
        if (event->type() == QEvent::Expose)
            QMetaObject::invokeMethod(
                this,
                [this, window = QPointer<QWindow>(static_cast<QWindow*>(watched))] {
                    if (window && window->isExposed())
                        Run();
                },
                Qt::QueuedConnection);
        return false;
    }

private:
    void Run()
    {
        if (!action_)
            return;
        const std::function<void()> action = std::move(action_);
        action_ = nullptr;
        deleteLater();
        action();
    }

    std::function<void()> action_;
};

} // namespace

TRect FormBounds(const QWidget* form)
{
    const POINT at = FormClientOrigin(form);
    return {at.X, at.Y, at.X + form->width(), at.Y + form->height()};
}

POINT FormClientOrigin(const QWidget* form)
{
    const QPoint global = form->isWindow() || !form->parentWidget() ? form->geometry().topLeft()
                                                                     : form->parentWidget()->mapToGlobal(form->pos());
    const QPoint at = global - ScreenOrigin();
    return {at.x(), at.y()};
}

bool IsForm(const QWidget* widget)
{
    switch (widget->windowType()) {
    case Qt::Widget:
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
    case Qt::Drawer:
    case Qt::Tool:
        return true;
    default:
        return false;
    }
}

QList<QWidget*> ScreenForms()
{
    QList<QWidget*> forms;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (IsForm(w))
            forms.append(w);
    return forms;
}

bool HasParent(const QWidget* form)
{
    if (!form->isWindow())
        return true;
    const QWindow* window = form->windowHandle();
    return window && window->parent();
}

QWidget* MainForm()
{
    if (SetForm())
        return SetForm();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(w))
            return w;
    return nullptr;
}

void SetMainForm(QWidget* form) { SetForm() = form; }

void SyncWithDisplay()
{
    // A round trip on the toolkit's own connection, which (unlike
    // QGuiApplication::sync) handles no events meanwhile.
    const auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
}

void RefreshActiveForm(QWidget* form)
{
    if (QApplication::activeWindow() && form->windowHandle())
        form->activateWindow();
    // Every other form on the screen repaints at once, not only the active
    // one: a menu or dialog that just closed left its pixels over them until
    // they repaint, and the snapshot must not show it. The closing reaches
    // the display first, so that it does not clip the repaints. A repaint
    // puts on the screen only what it painted anew, and children whose
    // painting was still valid (the folder tree under a closed menu) kept
    // the menu's pixels: the whole window is put back from its buffer.
    SyncWithDisplay();
    for (QWidget* shown : ScreenForms()) {
        if (shown == form || !shown->isVisible() || shown->isMinimized())
            continue;
        shown->repaint();
        if (QBackingStore* store = shown->backingStore())
            store->flush(QRegion(shown->rect()), shown->windowHandle());
    }
    // The snapshot is read over another connection to the display: make sure
    // the closing and the repaints have reached it.
    SyncWithDisplay();
}

void WhenPainted(QWidget* form, int TimeoutMs, std::function<void()> Action)
{
    new TPaintWatch(form, TimeoutMs, std::move(Action));
}

COLORREF FormBackgroundColor(const QWidget* form)
{
    const QColor c = form->palette().color(QPalette::Window);
    return RGB(c.red(), c.green(), c.blue());
}

void PrintForm(QWidget* form, HDC dc)
{
    const int w = form->width(), h = form->height();
    if (w <= 0 || h <= 0)
        return;
    // A form about to be shown for the first time has not laid out its children yet.
    if (!form->isVisible() && form->layout())
        form->layout()->activate();
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(form->palette().color(QPalette::Window));
    // The whole rectangle: what lies outside a window region is the caller's.
    form->render(&image, QPoint(), QRegion(),
                 QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h; // top-down, as QImage holds its rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, image.constBits(), &info, DIB_RGB_COLORS, SRCCOPY);
}

int GetWindowRgn(const QWidget* form, HRGN rgn)
{
    const QRegion mask = form->mask();
    if (mask.isEmpty())
        return ERROR;
    bool first = true;
    for (const QRect& r : mask) {
        const HRGN part = CreateRectRgn(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
        CombineRgn(rgn, first ? part : rgn, part, first ? RGN_COPY : RGN_OR);
        DeleteObject(part);
        first = false;
    }
    return mask.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

} // namespace platform::qt
