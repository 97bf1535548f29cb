#include "metadata/JpegSegments.h"

#include "metadata/TiffWalker.h"

#include <cstring>

namespace metadata {

std::optional<ExifSegment> FindExifSegment(const ReadAtFn& read, MarkerRule rule)
{
    const bool standard = rule == MarkerRule::Standard;
    static const std::uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
    std::uint8_t seg[10];
    if (!read(0, seg, 2) || seg[0] != 0xFF || seg[1] != 0xD8)
        return std::nullopt;
    std::uint64_t pos = 2;
    for (;;) {
        if (!read(pos, seg, 4) || seg[0] != 0xFF)
            return std::nullopt;
        const std::uint8_t marker = seg[1];
        if (standard && marker == 0xFF) {
            pos += 1;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            return std::nullopt;
        if (standard && (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))) {
            pos += 2;
            continue;
        }
        const std::uint16_t length = Be16(seg + 2);
        if (marker == 0xE1 && read(pos + 4, seg + 4, 6) && std::memcmp(seg + 4, kExifId, sizeof kExifId) == 0)
            return ExifSegment{pos + 10, pos + 2 + length};
        if (length < 2)
            return std::nullopt;
        pos += 2 + std::uint64_t(length);
    }
}

} // namespace metadata
