#include "Gdi.h"

#include "LastError.h"
#include "Objects.h"

#include <sys/mman.h>

#include <climits>
#include <cstring>
#include <new>
#include <type_traits>

namespace win32 {

using namespace detail;

namespace {

// Every fresh memory DC holds this 1 x 1 monochrome bitmap; it is never freed.
Bitmap* StockBitmap()
{
    static Bitmap* stock = [] {
        auto* b = new Bitmap;
        b->stock = true;
        b->pixels = gfx::Bitmap(1, 1, gfx::PixelFormat::Mono1);
        return Register(b);
    }();
    return stock;
}

struct StockObjects {
    Brush brushes[6];
    Pen pens[3];
    StockObjects()
    {
        const COLORREF greys[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                   RGB(64, 64, 64), RGB(0, 0, 0)};
        for (int i = 0; i < 6; ++i) {
            brushes[i].stock = true;
            brushes[i].null = i == NULL_BRUSH;
            brushes[i].color = i < 5 ? greys[i] : 0;
            Register(&brushes[i]);
        }
        const COLORREF penColors[3] = {RGB(255, 255, 255), 0, 0};
        for (int i = 0; i < 3; ++i) {
            pens[i].stock = true;
            pens[i].null = i == NULL_PEN - WHITE_PEN;
            pens[i].color = penColors[i];
            Register(&pens[i]);
        }
    }
};

StockObjects& Stock()
{
    static StockObjects* stock = new StockObjects;
    return *stock;
}

// Puts a brush or pen into a DC's slot, keeping the count of DCs that hold each.
template <class T>
void Select(T*& slot, std::type_identity_t<T*> object)
{
    if (slot)
        --slot->selections;
    slot = object;
    if (slot)
        ++slot->selections;
}

HBITMAP NewBitmap(gfx::Bitmap pixels)
{
    auto* b = new Bitmap;
    b->pixels = std::move(pixels);
    return reinterpret_cast<HBITMAP>(Register(b));
}

} // namespace

bool detail::DescribeDib(const BITMAPINFOHEADER& h, DibLayout& layout)
{
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB
        || (h.biBitCount != 24 && h.biBitCount != 32) || h.biWidth <= 0 || h.biHeight == 0
        || h.biHeight == INT_MIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    layout.width = h.biWidth;
    layout.rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    layout.format = h.biBitCount == 32 ? gfx::PixelFormat::Bgrx32 : gfx::PixelFormat::Bgr24;
    layout.order = h.biHeight > 0 ? gfx::RowOrder::BottomUp : gfx::RowOrder::TopDown;
    layout.stride = gfx::PaddedRowBytes(layout.width, layout.format);
    if (layout.stride == 0 || layout.stride > gfx::Bitmap::kMaxBytes / static_cast<size_t>(layout.rows)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

DeviceContext* detail::NewDeviceContext(DcKind kind)
{
    auto* dc = new DeviceContext;
    dc->kind = kind;
    Select(dc->brush, &Stock().brushes[WHITE_BRUSH]);
    Select(dc->pen, &Stock().pens[BLACK_PEN - WHITE_PEN]);
    return Register(dc);
}

void detail::ForgetDeviceContext(DeviceContext* dc)
{
    Select(dc->brush, nullptr);
    Select(dc->pen, nullptr);
    if (dc->bitmap && !dc->bitmap->stock)
        dc->bitmap->selectedInto = nullptr;
    Unregister(dc);
    delete dc;
}

HDC CreateCompatibleDC(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (hdc && !Find<DeviceContext>(hdc))
        return nullptr;
    DeviceContext* dc = NewDeviceContext(DcKind::Memory);
    dc->bitmap = StockBitmap();
    return reinterpret_cast<HDC>(dc);
}

BOOL DeleteDC(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return FALSE;
    if (dc->kind != DcKind::Memory) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (dc->currentCount > 0) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    DestroyOwnSurface(dc);
    ForgetDeviceContext(dc);
    return TRUE;
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (ppvBits)
        *ppvBits = nullptr;
    if (hdc && !Find<DeviceContext>(hdc))
        return nullptr;
    if (hSection) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (!pbmi || usage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DibLayout dib;
    if (!DescribeDib(pbmi->bmiHeader, dib))
        return nullptr;
    size_t size = dib.stride * static_cast<size_t>(dib.rows);
    void* bits = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (bits == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* b = new Bitmap;
    b->pixels = gfx::Bitmap::View(bits, dib.width, dib.rows, dib.format, dib.stride, dib.order);
    b->mapped = bits;
    b->mappedSize = size;
    if (ppvBits)
        *ppvBits = bits;
    return reinterpret_cast<HBITMAP>(Register(b));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (!Find<DeviceContext>(hdc))
        return nullptr;
    if (width < 0 || height < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0)
        return reinterpret_cast<HBITMAP>(StockBitmap());
    try {
        return NewBitmap(gfx::Bitmap(width, height, gfx::PixelFormat::Bgrx32));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (width < 0 || height < 0 || planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (width == 0 || height == 0)
        return reinterpret_cast<HBITMAP>(StockBitmap());
    try {
        bool mono = bitsPerPixel == 1;
        gfx::Bitmap pixels(width, height, mono ? gfx::PixelFormat::Mono1 : gfx::PixelFormat::Bgrx32);
        if (bits) {
            // The caller's rows are padded to 16 bits, ours to 32.
            size_t rowBytes = mono ? (static_cast<size_t>(width) + 15) / 16 * 2 : static_cast<size_t>(width) * 4;
            const auto* in = static_cast<const uint8_t*>(bits);
            for (int32_t y = 0; y < height; ++y) {
                std::memcpy(pixels.Row(y), in + y * rowBytes, rowBytes);
                if (mono)
                    gfx::MonoRowFromMsbFirst(pixels.Row(y), rowBytes);
            }
        }
        return NewBitmap(std::move(pixels));
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    auto* brush = new Brush;
    brush->color = color & 0xFFFFFF;
    return reinterpret_cast<HBRUSH>(Register(brush));
}

HPEN CreatePen(int style, int, COLORREF color)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (style != PS_SOLID && style != PS_NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* pen = new Pen;
    pen->color = color & 0xFFFFFF;
    pen->null = style == PS_NULL;
    return reinterpret_cast<HPEN>(Register(pen));
}

HGDIOBJ GetStockObject(int index)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (index >= WHITE_BRUSH && index <= NULL_BRUSH)
        return reinterpret_cast<HGDIOBJ>(&Stock().brushes[index]);
    if (index >= WHITE_PEN && index <= NULL_PEN)
        return reinterpret_cast<HGDIOBJ>(&Stock().pens[index - WHITE_PEN]);
    return nullptr;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return nullptr;
    if (Brush* brush = Lookup<Brush>(object)) {
        Brush* previous = dc->brush;
        Select(dc->brush, brush);
        return reinterpret_cast<HGDIOBJ>(previous);
    }
    if (Pen* pen = Lookup<Pen>(object)) {
        Pen* previous = dc->pen;
        Select(dc->pen, pen);
        return reinterpret_cast<HGDIOBJ>(previous);
    }
    Bitmap* b = Find<Bitmap>(object);
    if (!b)
        return nullptr;
    if (dc->kind != DcKind::Memory) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Bitmap* previous = dc->bitmap;
    if (b == previous)
        return reinterpret_cast<HGDIOBJ>(previous);
    if (!b->stock && b->selectedInto) {
        SetLastError(ERROR_BUSY);
        return nullptr;
    }
    // The bitmap leaves the DC: its bits must hold what GL drew so far.
    SyncBitsIfCurrent(dc);
    if (previous && !previous->stock)
        previous->selectedInto = nullptr;
    if (!b->stock)
        b->selectedInto = dc;
    dc->bitmap = b;
    return reinterpret_cast<HGDIOBJ>(previous);
}

BOOL DeleteObject(HGDIOBJ object)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (Rgn* r = Lookup<Rgn>(object)) {
        Unregister(r);
        delete r;
        return TRUE;
    }
    auto deleteDrawingTool = [](auto* tool) {
        if (tool->stock)
            return TRUE;
        if (tool->selections > 0) {
            SetLastError(ERROR_BUSY);
            return FALSE;
        }
        Unregister(tool);
        delete tool;
        return TRUE;
    };
    if (Brush* brush = Lookup<Brush>(object))
        return deleteDrawingTool(brush);
    if (Pen* pen = Lookup<Pen>(object))
        return deleteDrawingTool(pen);
    Bitmap* b = Find<Bitmap>(object);
    if (!b)
        return FALSE;
    if (b->stock)
        return TRUE;
    if (b->selectedInto) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    if (b->mapped)
        munmap(b->mapped, b->mappedSize);
    Unregister(b);
    delete b;
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (!Find<DeviceContext>(hdc))
        return 0;
    switch (index) {
    case BITSPIXEL:
        return 32; // the display's depth, which memory DCs share
    case PLANES:
        return 1;
    default:
        return 0;
    }
}

BOOL GdiFlush()
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    SyncBitsIfCurrent(Current().dc);
    return TRUE;
}

int SetStretchBltMode(HDC hdc, int mode)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return 0;
    if (mode < BLACKONWHITE || mode > HALFTONE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = dc->stretchMode;
    dc->stretchMode = mode;
    return previous;
}

int GetStretchBltMode(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    return dc ? dc->stretchMode : 0;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* previous)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Find<DeviceContext>(hdc);
    if (!dc)
        return FALSE;
    if (previous)
        *previous = dc->viewport;
    dc->viewport = {x, y};
    return TRUE;
}

void GdiSyncBeforeRead(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    SyncBitsIfCurrent(Lookup<DeviceContext>(hdc));
}

} // namespace win32
