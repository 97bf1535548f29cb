#include "metadata/JpegSegments.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using metadata::FindExifSegment;
using metadata::MarkerRule;

namespace {

// The walk over bytes held in memory.
std::optional<metadata::ExifSegment> Walk(const std::string& file, MarkerRule rule)
{
    return FindExifSegment(
        [&](std::uint64_t pos, void* out, std::size_t n) {
            if (pos > file.size() || n > file.size() - pos)
                return false;
            std::memcpy(out, file.data() + pos, n);
            return true;
        },
        rule);
}

const std::string kSoi("\xFF\xD8", 2);
const std::string kExif("\xFF\xE1\x00\x10" "Exif\0\0" "II*\0\x08\0\0\0", 18);  // base 10, end 18

} // namespace

TEST(JpegSegments, FindsTheExifSegmentWhereEachRuleReachesIt)
{
    const std::string app0("\xFF\xE0\x00\x04\x01\x02", 6);
    const struct {
        const char* name;
        std::string file;
        long long standard;  // base found by each rule, -1 for none
        long long lengthEverywhere;
    } cases[] = {
        {"FirstSegment", kSoi + kExif, 12, 12},
        {"BehindOtherSegments", kSoi + app0 + std::string("\xFF\xE1\x00\x04xx", 6) + kExif, 24, 24},
        {"BehindFillBytes", kSoi + "\xFF\xFF" + kExif, 14, -1},
        {"BehindARestartMarker", kSoi + "\xFF\xD3" + kExif, 14, -1},
        {"NotAJpeg", std::string("\xFF\xD9", 2) + kExif, -1, -1},
        {"StartOfScanFirst", kSoi + std::string("\xFF\xDA\x00\x02", 4) + kExif, -1, -1},
        {"LengthBelowTwo", kSoi + std::string("\xFF\xE0\x00\x01", 4) + kExif, -1, -1},
        {"NoMarkerWhereOneBelongs", kSoi + "x" + kExif, -1, -1},
        {"FileEndsInTheHeader", kSoi + kExif.substr(0, 8), -1, -1},
    };
    for (const auto& c : cases) {
        for (const auto& [rule, expected] : {std::pair{MarkerRule::Standard, c.standard},
                                              std::pair{MarkerRule::LengthEverywhere, c.lengthEverywhere}}) {
            const auto found = Walk(c.file, rule);
            EXPECT_EQ(found ? static_cast<long long>(found->base) : -1, expected) << c.name;
            if (found) {
                EXPECT_EQ(found->end, found->base + 8) << c.name;
            }
        }
    }
}

TEST(JpegSegments, ALengthTooShortForTheIdentifierEndsBeforeTheBase)
{
    const auto found = Walk(kSoi + std::string("\xFF\xE1\x00\x04" "Exif\0\0", 10), MarkerRule::Standard);
    ASSERT_TRUE(found);
    EXPECT_LE(found->end, found->base);
}
