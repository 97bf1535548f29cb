#include "Screen.h"

#include "GdiRegion.h"
#include "Objects.h"

namespace win32 {

using namespace detail;

namespace {

// What the program's display code installs. Constructed on first use, so
// that a hook installed during another file's static set-up is kept.
struct Hooks {
    std::shared_ptr<ScreenDevice> device;
    std::function<gfx::Size()> size;
    std::function<bool(HWND, gfx::Region&)> region;
};

Hooks& Installed()
{
    static Hooks hooks;
    return hooks;
}

} // namespace

void SetScreenDevice(std::shared_ptr<ScreenDevice> device)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Installed().device = std::move(device);
}

std::shared_ptr<ScreenDevice> GetScreenDevice()
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    return Installed().device;
}

void SetScreenSizeProvider(std::function<gfx::Size()> provider)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Installed().size = std::move(provider);
}

gfx::Size ScreenSize()
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    const Hooks& hooks = Installed();
    if (hooks.size)
        return hooks.size();
    if (hooks.device)
        return hooks.device->Size();
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
    Installed().region = std::move(provider);
}

int GetWindowRgn(HWND window, HRGN region)
{
    std::lock_guard<std::recursive_mutex> guard(BindingLock());
    Rgn* target = Find<Rgn>(region);
    if (!target)
        return ERROR;
    gfx::Region shape;
    const auto& provider = Installed().region;
    if (!provider || !provider(window, shape))
        return ERROR;
    target->region = std::move(shape);
    return RegionKind(target->region);
}

} // namespace win32
