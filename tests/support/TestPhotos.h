#pragma once
// Small helpers for tests that need real photo files: JPEG files with or
// without an EXIF shooting date, file times, folder listings.

#include "support/ExifWriter.h"
#include "support/Files.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace support {

// A minimal JPEG: start of image, an APP1 EXIF segment (Intel order) whose
// Exif directory holds DateTimeOriginal, some image bytes that make every file
// distinct, end of image. An empty date writes no EXIF segment at all.
inline std::string JpegBytes(const std::string& dateTimeOriginal, const std::string& body = "pixels")
{
    auto u16 = [](std::string& s, unsigned v) {
        s += char(v & 0xFF);
        s += char((v >> 8) & 0xFF);
    };
    auto u32 = [&](std::string& s, std::uint32_t v) {
        u16(s, v & 0xFFFF);
        u16(s, v >> 16);
    };
    // A comment segment carrying the body.
    const Bytes jpeg = Soi() + Segment(0xFE, B(body)) + Bytes{0xFF, 0xD9};
    if (dateTimeOriginal.empty())
        return std::string(jpeg.begin(), jpeg.end());
    std::string tiff = "II";
    u16(tiff, 0x2A);
    u32(tiff, 8);
    u16(tiff, 1);  // IFD0: one entry, the Exif directory pointer
    u16(tiff, 0x8769);
    u16(tiff, 4);
    u32(tiff, 1);
    u32(tiff, 26);
    u32(tiff, 0);
    u16(tiff, 1);  // Exif IFD at 26: DateTimeOriginal
    u16(tiff, 0x9003);
    u16(tiff, 2);
    u32(tiff, static_cast<std::uint32_t>(dateTimeOriginal.size() + 1));
    u32(tiff, 44);
    u32(tiff, 0);
    tiff += dateTimeOriginal;
    tiff += '\0';
    const Bytes out = JpegWithExif(B(tiff), jpeg);
    return std::string(out.begin(), out.end());
}

inline void SetModified(const std::string& path, std::time_t when)
{
    timeval times[2] = {{when, 0}, {when, 0}};
    if (utimes(path.c_str(), times) != 0)
        throw std::runtime_error("utimes failed on " + path);
}

inline bool Exists(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Names in a folder, sorted, for comparing folder contents.
// The folder's names, sorted; the rename journal's own hidden files
// (".quistelor-rename-...") are left out, every other name is listed.
inline std::vector<std::string> Listing(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.path().filename().string().rfind(".quistelor-rename-", 0) != 0)
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs with TZ=UTC so file times turn into predictable local times.
inline void UseUtc()
{
    setenv("TZ", "UTC", 1);
    tzset();
}

} // namespace support
