#include "ScreenDevice.h"

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

std::unique_ptr<ScreenDevice>& Installed()
{
    static std::unique_ptr<ScreenDevice> device;
    return device;
}

void CopyRows(const void* src, size_t srcStride, void* dst, size_t dstStride, size_t rowBytes, int rows)
{
    auto* s = static_cast<const unsigned char*>(src);
    auto* d = static_cast<unsigned char*>(dst);
    for (int y = 0; y < rows; ++y)
        std::memcpy(d + y * dstStride, s + y * srcStride, rowBytes);
}

} // namespace

ScreenDevice* PrimaryScreen() { return Installed().get(); }

void SetPrimaryScreen(std::unique_ptr<ScreenDevice> device) { Installed() = std::move(device); }

MemoryScreen::MemoryScreen(int width, int height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)), pixels_(size_t(width_) * height_)
{
}

void MemoryScreen::Fill(uint32_t pixel) { std::fill(pixels_.begin(), pixels_.end(), pixel); }

void MemoryScreen::Read(int x, int y, int w, int h, uint32_t* dst, size_t stride)
{
    CopyRows(Bits() + size_t(y) * width_ + x, Stride(), dst, stride, size_t(w) * 4, h);
}

void MemoryScreen::Draw(int x, int y, int w, int h, const uint32_t* src, size_t stride)
{
    CopyRows(src, stride, Bits() + size_t(y) * width_ + x, Stride(), size_t(w) * 4, h);
    ++draws_;
    if (AfterDraw)
        AfterDraw(AfterDrawContext, x, y, w, h);
}

} // namespace platform
