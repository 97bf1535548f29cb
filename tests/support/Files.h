#pragma once
// Reading and writing whole files, the one way tests, fuzz targets and
// benchmarks do it.

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace support {

// The file's bytes, as a std::string or a vector of bytes; empty when the
// file cannot be read.
template <class Bytes = std::string>
Bytes ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return Bytes(text.begin(), text.end());
}

// Writes bytes (any contiguous container of bytes, or a text) as the file at
// path, replacing it; throws std::runtime_error when it cannot.
template <class Bytes>
    requires requires(const Bytes& b) { b.data(); b.size(); }
void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

inline void WriteFile(const std::string& path, std::string_view text)
{
    WriteFile<std::string_view>(path, text);
}

} // namespace support
