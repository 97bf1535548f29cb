#include "FormAnimator.h"

#include "platform/OSError.h"
#include "platform/Random.h"
#include "platform/RealMath.h"
#include "platform/qt/AnimateWindow.h"
#include "platform/qt/Forms.h"
#include "platform/qt/Screen.h"
#include "platform/win32/GdiDraw.h"
#include "platform/win32/GdiRegion.h"
#include "platform/win32/Screen.h"
#include "platform/win32/TickCount.h"
#include "platform/win32/Window.h"

#include <algorithm>

using namespace win32;
using platform::Power;
using platform::Random;
using platform::RoundEven;

namespace FormAnimator {

DWORD AnimationDuration = 700;

const DWORD WinAnimateDirections[8] = {
    AW_HOR_POSITIVE,
    AW_HOR_NEGATIVE,
    AW_VER_POSITIVE,
    AW_VER_NEGATIVE,
    AW_HOR_POSITIVE | AW_VER_POSITIVE,
    AW_HOR_NEGATIVE | AW_VER_POSITIVE,
    AW_HOR_POSITIVE | AW_VER_NEGATIVE,
    AW_HOR_NEGATIVE | AW_VER_NEGATIVE,
};

namespace {

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

// Runs a clean-up on every way out of a scope.
template <class F>
struct TFinally {
    F f;
    ~TFinally() noexcept(false) { f(); }
};
template <class F>
TFinally(F) -> TFinally<F>;

} // namespace

void TFormAnimator::Animate(TForm* AForm) { Form = AForm; }

std::string TWinAnimator::Description() { return "Animations système"; }

void TWinAnimator::Animate(TForm* AForm)
{
    TFormAnimator::Animate(AForm);
    DWORD flags = 0;
    switch (Random(4)) {
    case 0: flags = AW_BLEND; break;
    case 1: flags = AW_CENTER; break;
    case 2: flags = WinAnimateDirections[Random(8)]; break;
    default: flags = WinAnimateDirections[Random(8)] | AW_SLIDE; break;
    }
    platform::qt::AnimateWindow(Form, AnimationDuration, flags);
}

void TCustomFormAnimator::Animate(TForm* AForm)
{
    TFormAnimator::Animate(AForm);
    OriginKind = Random(7);
    StartBounds = StartRect();
    EndBounds = platform::qt::FormBounds(Form);

    // Where the screen can be neither read nor drawn nobody would see the
    // animation: the form is shown at once.
    if (!platform::qt::InstallPrimaryScreen())
        return;
    // Under a window manager the form ends where the manager will put it.
    EndBounds = platform::qt::FormBoundsAsShown(Form);
    const HWND desktop = GetDesktopWindow();
    ScreenDC = GetWindowDC(desktop);
    platform::qt::RefreshActiveForm(Form);

    const int SW = ScreenWidth(), SH = ScreenHeight();
    const int W = EndBounds.Width(), H = EndBounds.Height();
    BackDC = CreateCompatibleDC(ScreenDC);
    FormDC = CreateCompatibleDC(ScreenDC);
    BackBitmap = CreateCompatibleBitmap(ScreenDC, SW, SH);
    FormBitmap = CreateCompatibleBitmap(ScreenDC, W, H);
    BackOldBitmap = SelectObject(BackDC, BackBitmap);
    FormOldBitmap = SelectObject(FormDC, FormBitmap);
    TFinally release{[&] {
        SelectObject(FormDC, FormOldBitmap);
        DeleteDC(FormDC);
        DeleteObject(FormBitmap);
        SelectObject(BackDC, BackOldBitmap);
        DeleteDC(BackDC);
        DeleteObject(BackBitmap);
        ReleaseDC(desktop, ScreenDC);
    }};

    const RECT whole{0, 0, W, H};
    const HBRUSH brush = CreateSolidBrush(platform::qt::FormBackgroundColor(Form));
    FillRect(FormDC, &whole, brush);
    DeleteObject(brush);
    platform::qt::PrintForm(Form, FormDC);

    BitBlt(BackDC, 0, 0, SW, SH, ScreenDC, 0, 0, SRCCOPY);

    // Pixels of the form's rectangle outside its window region show the screen.
    const HRGN A = CreateRectRgn(0, 0, W, H);
    platform::qt::GetWindowRgn(Form, A);
    const HRGN B = CreateRectRgn(0, 0, W, H);
    CombineRgn(B, B, A, RGN_DIFF);
    SelectClipRgn(FormDC, B);
    SetViewportOrgEx(FormDC, 0, 0, nullptr);
    BitBlt(FormDC, 0, 0, W, H, ScreenDC, EndBounds.Left, EndBounds.Top, SRCCOPY);
    SelectClipRgn(FormDC, nullptr);
    DeleteObject(A);
    DeleteObject(B);

    Run();
}

TRect TCustomFormAnimator::StartRect()
{
    const int SW = ScreenWidth(), SH = ScreenHeight();
    switch (OriginKind) {
    case 0: return {0, 0, 0, 0};
    case 1: return {SW, 0, SW, 0};
    case 2: return {0, SH, 0, SH};
    case 3: return {SW, SH, SW, SH};
    case 4: {
        TForm* main = platform::qt::MainForm();
        return platform::qt::FormBounds(main ? main : Form);
    }
    case 5: {
        const TRect b = platform::qt::FormBounds(Form);
        const POINT c = platform::qt::FormClientOrigin(Form);
        const int x = c.X + b.Width() / 2, y = c.Y + b.Height() / 2;
        return {x, y, x, y};
    }
    default: return {-SW, -SH, 2 * SW, 2 * SH};
    }
}

TRect TCustomFormAnimator::FrameRect(float Progress)
{
    const float rest = 1.0f - Progress;
    const auto mix = [&](int32_t s, int32_t e) { return RoundEven(double(s) * rest + double(e) * Progress); };
    TRect r{mix(StartBounds.Left, EndBounds.Left), mix(StartBounds.Top, EndBounds.Top),
            mix(StartBounds.Right, EndBounds.Right), mix(StartBounds.Bottom, EndBounds.Bottom)};
    if (r.IsEmpty()) {
        r.Right = r.Left + 1;
        r.Bottom = r.Top + 1;
    }
    return r;
}

void TGDIFormAnimator::Run()
{
    const int SW = ScreenWidth(), SH = ScreenHeight();
    const HBITMAP workBitmap = CreateCompatibleBitmap(ScreenDC, SW, SH);
    const HDC WorkDC = CreateCompatibleDC(ScreenDC);
    const HGDIOBJ workOld = SelectObject(WorkDC, workBitmap);
    TFinally release{[&] {
        SelectObject(WorkDC, workOld);
        DeleteDC(WorkDC);
        DeleteObject(workBitmap);
    }};

    TRect PrevRect{0, 0, 0, 0};
    BitBlt(WorkDC, 0, 0, SW, SH, BackDC, 0, 0, SRCCOPY);
    PlayFrames(AnimationDuration, [&](DWORD elapsed, DWORD duration) {
        BitBlt(WorkDC, PrevRect.Left, PrevRect.Top, PrevRect.Width(), PrevRect.Height(), BackDC, PrevRect.Left,
               PrevRect.Top, SRCCOPY);
        TRect Cur{0, 0, SW, SH};
        const float Progress = float(elapsed) / float(duration);
        DrawFrame(BackDC, WorkDC, FormDC, Progress, Cur);
        TRect Dirty;
        UnionRect(&Dirty, &PrevRect, &Cur);
        if (elapsed >= duration)
            Dirty = {0, 0, SW, SH};
        BitBlt(ScreenDC, Dirty.Left, Dirty.Top, Dirty.Width(), Dirty.Height(), WorkDC, Dirty.Left, Dirty.Top,
               SRCCOPY);
        PrevRect = Cur;
    });
}

std::string TClassicAnimator::Description() { return "Animations émulées simples"; }

void TClassicAnimator::DrawFrame(HDC, HDC WorkDC, HDC FormDC, float Progress, TRect& FrameRect)
{
    const BYTE alpha = BYTE(RoundEven(255 * Power(Progress, 0.5)));
    const TRect R = this->FrameRect(float(Power(Progress, 0.7)));
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
    AlphaBlend(WorkDC, R.Left, R.Top, R.Width(), R.Height(), FormDC, 0, 0, EndBounds.Width(), EndBounds.Height(),
               blend);
    FrameRect = R;
}

std::string TVistaEmulationAnimator::Description() { return "Animations style Vista, accélération logicielle"; }

void TVistaEmulationAnimator::Run()
{
    FlipU = Random() > 0.5;
    FlipV = Random() > 0.5;
    const int CW = EndBounds.Width() / MeshSize + 1, CH = EndBounds.Height() / MeshSize + 1;

    // Monochrome cell masks, white (bit 1, copy) except a black polygon.
    const auto makeMask = [&](const POINT (&black)[3]) {
        const HBITMAP mask = CreateBitmap(CW, CH, 1, 1, nullptr);
        const HDC dc = CreateCompatibleDC(nullptr);
        const HGDIOBJ old = SelectObject(dc, mask);
        const RECT all{0, 0, CW, CH};
        FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
        const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
        const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
        Polygon(dc, black, 3);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        SelectObject(dc, old);
        DeleteDC(dc);
        return mask;
    };
    TFinally release{[&] {
        DeleteObject(LowerRightMask);
        DeleteObject(UpperLeftMask);
        LowerRightMask = UpperLeftMask = nullptr;
    }};
    LowerRightMask = makeMask({{0, 0}, {CW - 1, 0}, {0, CH - 1}});
    // The white upper-left triangle reaches two pixels past the diagonal and
    // overlaps the lower-right one, so no seam shows between them.
    UpperLeftMask = makeMask({{CW, CH}, {CW + 2, 0}, {0, CH + 2}});
    TGDIFormAnimator::Run();
}

POINT TMeshFrame::GridPoint(float u, float v)
{
    const float X1 = R1.Right * u + R1.Left * (1 - u), X2 = R2.Right * u + R2.Left * (1 - u),
                X3 = R3.Right * u + R3.Left * (1 - u);
    const float Y1 = R1.Bottom * v + R1.Top * (1 - v), Y2 = R2.Bottom * v + R2.Top * (1 - v),
                Y3 = R3.Bottom * v + R3.Top * (1 - v);
    const float a = FlipU ? 1 - u : u;
    const float b = FlipV ? 1 - v : v;
    const float fx = (u * X1 + (1 - u) * X2) * b + (u * X2 + (1 - u) * X3) * (1 - b);
    const float fy = (v * Y1 + (1 - v) * Y2) * a + (v * Y2 + (1 - v) * Y3) * (1 - a);
    const POINT p{RoundEven(fx), RoundEven(fy)};
    if (p.X > F.Right)
        F.Right = p.X;
    if (p.X < F.Left)
        F.Left = p.X;
    if (p.Y > F.Bottom)
        F.Bottom = p.Y;
    if (p.Y < F.Top)
        F.Top = p.Y;
    return p;
}

void TMeshFrame::PlaceGrid(TGrid& Grid)
{
    for (int i = 0; i <= MeshSize; ++i)
        for (int j = 0; j <= MeshSize; ++j)
            Grid[i][j] = GridPoint(float(i) / MeshSize, float(j) / MeshSize);
}

void TVistaEmulationAnimator::DrawFrame(HDC BackDC, HDC WorkDC, HDC FormDC, float Progress, TRect& FrameRect)
{
    if (SetStretchBltMode(WorkDC, HALFTONE) == 0)
        platform::AssertionFailed("Assertion failure", FormAnimatorUnit, 411);
    if (SetStretchBltMode(FormDC, HALFTONE) == 0)
        platform::AssertionFailed("Assertion failure", FormAnimatorUnit, 412);

    const BYTE fadeAlpha = BYTE(255 - RoundEven(255 * Power(Progress, 1.5)));
    const float q = float(Power(Progress, 0.4));
    TMeshFrame m;
    m.R1 = this->FrameRect(Clamp01(2 * q - 1));
    m.R2 = this->FrameRect(Clamp01(2 * q - 0.5f));
    m.R3 = this->FrameRect(Clamp01(2 * q));
    m.FlipU = FlipU;
    m.FlipV = FlipV;
    UnionRect(&m.F, &m.R1, &m.R2);
    UnionRect(&m.F, &m.F, &m.R3);

    TMeshFrame::TGrid P;
    m.PlaceGrid(P);

    const int W = EndBounds.Width(), H = EndBounds.Height();
    const auto cellEdge = [](int k, int size) { return RoundEven(double(k * size) / MeshSize); };
    for (int i = 0; i < MeshSize; ++i) {
        const int x0 = cellEdge(i, W), x1 = cellEdge(i + 1, W);
        for (int j = 0; j < MeshSize; ++j) {
            const int y0 = cellEdge(j, H), y1 = cellEdge(j + 1, H);
            const POINT upperLeft[3] = {P[i][j], P[i + 1][j], P[i][j + 1]};
            PlgBlt(WorkDC, upperLeft, FormDC, x0, y0, x1 - x0, y1 - y0, UpperLeftMask, 0, 0);
            const POINT lowerRight[3] = {
                {P[i + 1][j].X + P[i][j + 1].X - P[i + 1][j + 1].X, P[i + 1][j].Y + P[i][j + 1].Y - P[i + 1][j + 1].Y},
                P[i + 1][j],
                P[i][j + 1]};
            PlgBlt(WorkDC, lowerRight, FormDC, x0, y0, x1 - x0, y1 - y0, LowerRightMask, 0, 0);
        }
    }

    const TRect screen{0, 0, ScreenWidth(), ScreenHeight()};
    IntersectRect(&m.F, &m.F, &screen);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, fadeAlpha, 0};
    AlphaBlend(WorkDC, m.F.Left, m.F.Top, m.F.Width(), m.F.Height(), BackDC, m.F.Left, m.F.Top, m.F.Width(),
               m.F.Height(), blend);
    FrameRect = m.F;
}

} // namespace FormAnimator
