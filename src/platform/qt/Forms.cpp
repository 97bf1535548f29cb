#include "Forms.h"

#include "platform/win32/GdiDraw.h"

#include <QApplication>
#include <QImage>
#include <QLayout>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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

void RefreshActiveForm(QWidget* form)
{
    QWidget* active = QApplication::activeWindow();
    if (!active)
        return;
    if (form->windowHandle())
        form->activateWindow();
    active->repaint();
    // The snapshot is read over another connection to the display: make sure
    // the repaint has reached it.
    QGuiApplication::sync();
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
