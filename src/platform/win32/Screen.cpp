#include "Screen.h"

#include "GdiRegion.h"
#include "Objects.h"

namespace win32 {

using namespace detail;

namespace {

std::shared_ptr<ScreenDevice>& Device()
{
    static std::shared_ptr<ScreenDevice> device;
    return device;
}

std::function<gfx::Size()>& SizeProvider()
{
    static std::function<gfx::Size()> provider;
    return provider;
}

std::function<bool(HWND, gfx::Region&)>& RegionProvider()
{
    static std::function<bool(HWND, gfx::Region&)> provider;
    return provider;
}

} // namespace

void SetScreenDevice(std::shared_ptr<ScreenDevice> device)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Device() = std::move(device);
}

std::shared_ptr<ScreenDevice> GetScreenDevice()
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    return Device();
}

void SetScreenSizeProvider(std::function<gfx::Size()> provider)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    SizeProvider() = std::move(provider);
}

gfx::Size ScreenSize()
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    if (SizeProvider())
        return SizeProvider()();
    if (Device())
        return Device()->Size();
    return {1024, 768};
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN:
        return ScreenSize().Width;
    case SM_CYSCREEN:
        return ScreenSize().Height;
    default:
        return 0;
    }
}

void SetWindowRegionProvider(std::function<bool(HWND, gfx::Region&)> provider)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    RegionProvider() = std::move(provider);
}

int GetWindowRgn(HWND window, HRGN region)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Rgn* target = Find<Rgn>(region);
    if (!target)
        return ERROR;
    gfx::Region shape;
    if (!RegionProvider() || !RegionProvider()(window, shape))
        return ERROR;
    target->region = std::move(shape);
    return RegionKind(target->region);
}

} // namespace win32
