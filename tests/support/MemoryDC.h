#pragma once
// MemoryDC: a memory DC of the win32 binding with a bitmap selected, for
// tests and benchmarks, freed with the bitmap when the object goes. Header
// only: only the tests that include it link the binding.

#include "platform/win32/Win32.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace support {

inline win32::BITMAPINFO DibHeader(int Width, int Height, int Bits)
{
    win32::BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(win32::BITMAPINFOHEADER);
    info.bmiHeader.biWidth = Width;
    info.bmiHeader.biHeight = Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<win32::WORD>(Bits);
    return info;
}

struct MemoryDC {
    // The bitmap given (a monochrome mask, a DIB section), or a black 32-bit
    // one compatible with the screen.
    MemoryDC(int Width, int Height, win32::HBITMAP Given = nullptr) : width(Width), height(Height)
    {
        win32::HDC screen = win32::GetDC(nullptr);
        Select(Given ? Given : win32::CreateCompatibleBitmap(screen, Width, Height), screen);
        win32::ReleaseDC(nullptr, screen);
    }
    // A top-down 32-bit DIB section, whose pixels `bits` points to.
    struct TopDownDib {};
    MemoryDC(int Width, int Height, TopDownDib) : width(Width), height(Height)
    {
        const win32::BITMAPINFO info = DibHeader(Width, -Height, 32);
        void* memory = nullptr;
        Select(win32::CreateDIBSection(nullptr, &info, win32::DIB_RGB_COLORS, &memory, nullptr, 0), nullptr);
        bits = static_cast<uint32_t*>(memory);
    }
    ~MemoryDC()
    {
        win32::SelectObject(dc, old);
        win32::DeleteDC(dc);
        win32::DeleteObject(bitmap);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;

    // 0xRRGGBB of every pixel, top-down.
    std::vector<uint32_t> Pixels() const
    {
        std::vector<uint32_t> p(static_cast<size_t>(width) * height);
        win32::BITMAPINFO info = DibHeader(width, -height, 32);
        if (win32::GetDIBits(dc, bitmap, 0, height, p.data(), &info, win32::DIB_RGB_COLORS) != height)
            throw std::runtime_error("GetDIBits failed");
        for (uint32_t& v : p)
            v &= 0xFFFFFF;
        return p;
    }
    uint32_t At(int x, int y) const { return Pixels()[static_cast<size_t>(y) * width + x]; }
    void Fill(win32::COLORREF c, win32::RECT r)
    {
        win32::HBRUSH brush = win32::CreateSolidBrush(c);
        win32::FillRect(dc, &r, brush);
        win32::DeleteObject(brush);
    }
    // '#' for every pixel that is not black, '.' for black, a line a row.
    std::string Picture() const
    {
        std::string s;
        const auto p = Pixels();
        for (int y = 0; y < height; ++y, s += '\n')
            for (int x = 0; x < width; ++x)
                s += p[static_cast<size_t>(y) * width + x] ? '#' : '.';
        return s;
    }

    win32::HDC dc = nullptr;
    win32::HBITMAP bitmap = nullptr;
    win32::HGDIOBJ old = nullptr;
    int width, height;
    uint32_t* bits = nullptr;

private:
    void Select(win32::HBITMAP Bitmap, win32::HDC Screen)
    {
        dc = win32::CreateCompatibleDC(Screen);
        bitmap = Bitmap;
        old = win32::SelectObject(dc, bitmap);
    }
};

} // namespace support
