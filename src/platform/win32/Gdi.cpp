#include "Gdi.h"

#include "LastError.h"
#include "Objects.h"

#include <sys/mman.h>

#include <climits>

namespace win32 {

using namespace detail;

namespace {

// Every fresh memory DC holds this 1 x 1 monochrome bitmap; it is never freed.
Bitmap* StockBitmap()
{
    static Bitmap* stock = [] {
        auto* b = new Bitmap;
        b->stock = true;
        return Register(b);
    }();
    return stock;
}

constexpr long long kMaxDibBytes = 1LL << 31;

} // namespace

HDC CreateCompatibleDC(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (hdc && !Lookup<DeviceContext>(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    auto* dc = new DeviceContext;
    dc->kind = DcKind::Memory;
    dc->bitmap = StockBitmap();
    return reinterpret_cast<HDC>(Register(dc));
}

BOOL DeleteDC(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Lookup<DeviceContext>(hdc);
    if (!dc || dc->kind != DcKind::Memory) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (dc->currentCount > 0) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    if (dc->bitmap && !dc->bitmap->stock)
        dc->bitmap->selectedInto = nullptr;
    DestroyOwnSurface(dc);
    Unregister(dc);
    delete dc;
    return TRUE;
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits,
                         HANDLE hSection, DWORD)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (ppvBits)
        *ppvBits = nullptr;
    if (hdc && !Lookup<DeviceContext>(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (hSection) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    if (!pbmi || usage != DIB_RGB_COLORS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biCompression != BI_RGB
        || (h.biBitCount != 24 && h.biBitCount != 32) || h.biWidth <= 0 || h.biHeight == 0
        || h.biHeight == INT_MIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    long long rows = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
    long long stride = (static_cast<long long>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
    if (stride > kMaxDibBytes / rows) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    size_t size = static_cast<size_t>(stride * rows);
    void* bits = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (bits == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* b = new Bitmap;
    b->width = h.biWidth;
    b->height = h.biHeight;
    b->bitCount = h.biBitCount;
    b->stride = static_cast<size_t>(stride);
    b->size = size;
    b->bits = static_cast<unsigned char*>(bits);
    if (ppvBits)
        *ppvBits = bits;
    return reinterpret_cast<HBITMAP>(Register(b));
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    DeviceContext* dc = Lookup<DeviceContext>(hdc);
    Bitmap* b = Lookup<Bitmap>(object);
    if (!dc || !b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
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
    Bitmap* b = Lookup<Bitmap>(object);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (b->stock)
        return TRUE;
    if (b->selectedInto) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }
    munmap(b->bits, b->size);
    Unregister(b);
    delete b;
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (!Lookup<DeviceContext>(hdc)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
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

void GdiSyncBeforeRead(HDC hdc)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    SyncBitsIfCurrent(Lookup<DeviceContext>(hdc));
}

} // namespace win32
