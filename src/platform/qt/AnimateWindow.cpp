#include "AnimateWindow.h"

#include "Forms.h"
#include "Screen.h"

#include "platform/RealMath.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/GdiDraw.h"
#include "platform/win32/GdiRegion.h"
#include "platform/win32/Window.h"
#include "platform/win32/TickCount.h"

#include <algorithm>

using namespace win32;

namespace platform::qt {

namespace {

// A memory DC holding a fresh bitmap compatible with the screen.
struct TMemoryImage {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
    TMemoryImage(HDC screen, int w, int h)
        : dc(CreateCompatibleDC(screen)), bitmap(CreateCompatibleBitmap(screen, w, h)), old(SelectObject(dc, bitmap))
    {
    }
    ~TMemoryImage()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};

// One frame at progress p into work, which holds the screen under the form.
void DrawEffect(HDC work, HDC image, int W, int H, double p, DWORD flags)
{
    if (flags & AW_BLEND) {
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, BYTE(RoundEven(255 * p)), 0};
        AlphaBlend(work, 0, 0, W, H, image, 0, 0, W, H, blend);
        return;
    }
    if (flags & AW_CENTER) {
        const int w = RoundEven(W * p), h = RoundEven(H * p);
        StretchBlt(work, (W - w) / 2, (H - h) / 2, w, h, image, 0, 0, W, H, SRCCOPY);
        return;
    }
    // Rolling uncovers the image in place from an edge; sliding moves it in
    // from that edge, its far side first.
    const bool slide = flags & AW_SLIDE;
    const bool hor = flags & (AW_HOR_POSITIVE | AW_HOR_NEGATIVE);
    const bool ver = flags & (AW_VER_POSITIVE | AW_VER_NEGATIVE);
    const int w = hor ? RoundEven(W * p) : W, h = ver ? RoundEven(H * p) : H;
    const int dx = flags & AW_HOR_NEGATIVE ? W - w : 0, dy = flags & AW_VER_NEGATIVE ? H - h : 0;
    const int sx = !slide ? dx : (flags & AW_HOR_POSITIVE ? W - w : 0);
    const int sy = !slide ? dy : (flags & AW_VER_POSITIVE ? H - h : 0);
    BitBlt(work, dx, dy, w, h, image, sx, sy, SRCCOPY);
}

} // namespace

BOOL AnimateWindow(QWidget* form, DWORD time, DWORD flags)
{
    if (!form || (flags & AW_HIDE) || !InstallPrimaryScreen())
        return FALSE;
    const HWND desktop = GetDesktopWindow();
    const HDC screen = GetWindowDC(desktop);
    if (!screen)
        return FALSE;
    const TRect b = FormBoundsAsShown(form);
    const int W = b.Width(), H = b.Height();
    {
        TMemoryImage image(screen, W, H), back(screen, W, H), work(screen, W, H);
        const RECT whole{0, 0, W, H};
        const HBRUSH brush = CreateSolidBrush(FormBackgroundColor(form));
        FillRect(image.dc, &whole, brush);
        DeleteObject(brush);
        PrintForm(form, image.dc);
        BitBlt(back.dc, 0, 0, W, H, screen, b.Left, b.Top, SRCCOPY);
        // A shaped form shows the screen outside its region.
        const HRGN shape = CreateRectRgn(0, 0, W, H);
        if (GetWindowRgn(form, shape) != ERROR) {
            const HRGN outside = CreateRectRgn(0, 0, W, H);
            CombineRgn(outside, outside, shape, RGN_DIFF);
            SelectClipRgn(image.dc, outside);
            BitBlt(image.dc, 0, 0, W, H, back.dc, 0, 0, SRCCOPY);
            SelectClipRgn(image.dc, nullptr);
            DeleteObject(outside);
        }
        DeleteObject(shape);

        PlayFrames(time, [&](DWORD elapsed, DWORD duration) {
            BitBlt(work.dc, 0, 0, W, H, back.dc, 0, 0, SRCCOPY);
            DrawEffect(work.dc, image.dc, W, H, double(elapsed) / duration, flags);
            BitBlt(screen, b.Left, b.Top, W, H, work.dc, 0, 0, SRCCOPY);
        });
    }
    ReleaseDC(desktop, screen);
    return TRUE;
}

} // namespace platform::qt
