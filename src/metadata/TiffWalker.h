#pragma once
// Classes: TiffEntry, TiffWalker.
//
// TiffWalker: bounds-checked reading of a TIFF structure, the body of an EXIF
// block, and the byte-order helpers it rests on. TExif and the thumbnail
// provider both read their directories through it. Plain C++, no Qt.
//
//  TIFF header, at the base (position 0):
//  +-----------+----------+------------------+
//  | "II"/"MM" |  42 (2)  | IFD0 offset (4)  |
//  +-----------+----------+------------------+
//  A directory: entry count (2) | count entries of 12 bytes | next IFD (4).
//  Every offset counts from the base.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace metadata {

inline std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
inline std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
inline std::uint32_t Be32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | std::uint32_t(p[3]);
}

//  A directory entry, 12 bytes:
//  +-------+-------+---------------+-----------------+
//  | tag 2 | type 2|    count 4    | value/offset 4  |
//  +-------+-------+---------------+-----------------+
//  tag, type and count in the block's byte order; the value field as it lies
//  in the file, since its meaning depends on the type.
struct TiffEntry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::uint8_t raw[4] = {};
};

// The TIFF value types.
enum : std::uint16_t {
    kTiffByte = 1, kTiffAscii, kTiffShort, kTiffLong, kTiffRational, kTiffSByte,
    kTiffUndefined, kTiffSShort, kTiffSLong, kTiffSRational, kTiffFloat,
};

// Bytes per value: 1 for BYTE, ASCII and UNDEFINED, 2 for SHORT, 4 for LONG
// and SLONG, 8 for the rationals, 0 for every other type: the EXIF reader
// takes those as having no value it could show.
constexpr std::uint64_t TiffUnitSize(std::uint16_t type)
{
    switch (type) {
    case kTiffByte: case kTiffAscii: case kTiffUndefined: return 1;
    case kTiffShort: return 2;
    case kTiffLong: case kTiffSLong: return 4;
    case kTiffRational: case kTiffSRational: return 8;
    default: return 0;
    }
}

// count x unit size; cannot overflow (at most 2^32 x 8).
constexpr std::uint64_t TiffByteSize(const TiffEntry& e) { return std::uint64_t(e.count) * TiffUnitSize(e.type); }

class TiffWalker {
public:
    // More of the block than the span holds: the rest of a file, read on
    // demand. Positions count from the base, as the walker's do.
    class Tail {
    public:
        virtual ~Tail() = default;
        // Bytes of the block in all, the span's included.
        virtual std::uint64_t Size() = 0;
        // Copies n bytes at pos; false when they cannot be had.
        virtual bool Read(std::uint64_t pos, void* out, std::size_t n) = 0;
    };

    // block starts at the base. Nothing outside block (and tail) is read.
    TiffWalker(std::span<const std::uint8_t> block, bool motorola, Tail* tail = nullptr)
        : block_(block), motorola_(motorola), tail_(tail)
    {
    }

    bool Motorola() const { return motorola_; }
    std::uint16_t Get16(const std::uint8_t* p) const { return motorola_ ? Be16(p) : Le16(p); }
    std::uint32_t Get32(const std::uint8_t* p) const { return motorola_ ? Be32(p) : Le32(p); }

    // Whether the block holds n bytes at pos.
    bool Has(std::uint64_t pos, std::uint64_t n)
    {
        if (InSpan(pos, n)) return true;
        if (!tail_) return false;
        const std::uint64_t size = tail_->Size();
        return pos <= size && n <= size - pos;
    }

    // min(n, bytes of the block behind pos).
    std::uint64_t Available(std::uint64_t pos, std::uint64_t n)
    {
        if (Has(pos, n)) return n;
        const std::uint64_t size = tail_ ? tail_->Size() : block_.size();
        return pos < size ? size - pos : 0;
    }

    // Copies n bytes at pos into out; false when the block does not hold them.
    bool Read(std::uint64_t pos, void* out, std::size_t n)
    {
        if (InSpan(pos, n)) {
            if (n) std::memcpy(out, block_.data() + pos, n);
            return true;
        }
        return tail_ && Has(pos, n) && tail_->Read(pos, out, n);
    }

    std::optional<std::uint16_t> U16(std::uint64_t pos)
    {
        std::uint8_t b[2];
        if (!Read(pos, b, sizeof b)) return std::nullopt;
        return Get16(b);
    }
    std::optional<std::uint32_t> U32(std::uint64_t pos)
    {
        std::uint8_t b[4];
        if (!Read(pos, b, sizeof b)) return std::nullopt;
        return Get32(b);
    }

    struct Walk {
        std::uint64_t end;  // behind the last entry read
        bool complete;      // all count entries were read
    };

    // Reads count entries from pos, one after another, and hands each to
    // visit. An entry is read only while room bytes (12 or more) lie at its
    // position; the walk stops at the first that cannot be read.
    template <typename Visit>
    Walk Directory(std::uint64_t pos, std::uint32_t count, std::uint64_t room, Visit&& visit)
    {
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint8_t raw[12];
            if (!Has(pos, room) || !Read(pos, raw, sizeof raw)) return {pos, false};
            pos += sizeof raw;
            TiffEntry e;
            e.tag = Get16(raw);
            e.type = Get16(raw + 2);
            e.count = Get32(raw + 4);
            std::memcpy(e.raw, raw + 8, 4);
            visit(e);
        }
        return {pos, true};
    }

private:
    bool InSpan(std::uint64_t pos, std::uint64_t n) const
    {
        return pos <= block_.size() && n <= block_.size() - pos;
    }

    std::span<const std::uint8_t> block_;
    bool motorola_;
    Tail* tail_;
};

} // namespace metadata
