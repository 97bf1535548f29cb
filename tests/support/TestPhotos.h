#pragma once
// Small helpers for tests that need real photo files: JPEG files with or
// without an EXIF shooting date, file times, folder listings.

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

namespace testphotos {

using support::ScratchFolder;

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
    std::string out = "\xFF\xD8";
    if (!dateTimeOriginal.empty()) {
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
        std::string app1 = std::string("Exif\0\0", 6) + tiff;
        const unsigned len = static_cast<unsigned>(app1.size() + 2);
        out += "\xFF\xE1";
        out += char(len >> 8);
        out += char(len & 0xFF);
        out += app1;
    }
    out += "\xFF\xFE";  // a comment segment carrying the body
    const unsigned clen = static_cast<unsigned>(body.size() + 2);
    out += char(clen >> 8);
    out += char(clen & 0xFF);
    out += body;
    out += "\xFF\xD9";
    return out;
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + path);
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
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

} // namespace testphotos
