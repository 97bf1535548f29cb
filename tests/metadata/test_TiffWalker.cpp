#include "metadata/TiffWalker.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

using metadata::TiffEntry;
using metadata::TiffWalker;

namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

// Serves the bytes behind the span from the whole block, as a file would.
class BlockTail : public TiffWalker::Tail {
public:
    explicit BlockTail(const std::vector<std::uint8_t>& block) : block_(block) {}
    std::uint64_t Size() override { return block_.size(); }
    bool Read(std::uint64_t pos, void* out, std::size_t n) override
    {
        if (pos > block_.size() || n > block_.size() - pos) ADD_FAILURE() << "tail read outside the block";
        std::copy_n(block_.begin() + std::ptrdiff_t(pos), n, static_cast<std::uint8_t*>(out));
        return true;
    }

private:
    const std::vector<std::uint8_t>& block_;
};

} // namespace

// The same rules hold for a block wholly in memory and for one whose span
// holds only its first half, the rest coming from the tail.
TEST(TiffWalker, ReadsNothingOutsideTheBlock)
{
    const std::vector<std::uint8_t> block = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Case {
        const char* name;
        std::uint64_t pos, n;
        bool inside;
        std::uint64_t available;
    } cases[] = {
        {"whole block", 0, 8, true, 8},
        {"nothing at the end", 8, 0, true, 0},
        {"last byte", 7, 1, true, 1},
        {"one byte past the end", 7, 2, false, 1},
        {"start past the end", 9, 0, false, 0},
        {"count that wraps around", 4, kMax, false, 4},
        {"position that wraps around", kMax, 2, false, 0},
        {"both at the maximum", kMax, kMax, false, 0},
    };
    BlockTail tail(block);
    for (const bool split : {false, true}) {
        TiffWalker w(split ? std::span(block).first(4) : std::span(block), false, split ? &tail : nullptr);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (split ? ", span and tail" : ", span"));
            EXPECT_EQ(w.Has(c.pos, c.n), c.inside);
            EXPECT_EQ(w.Available(c.pos, c.n), c.available);
            std::uint8_t out[8] = {};
            if (c.n <= sizeof out) {
                EXPECT_EQ(w.Read(c.pos, out, c.n), c.inside);
                if (c.inside && c.n) {
                    EXPECT_EQ(out[0], block[c.pos]);
                }
            }
        }
        EXPECT_EQ(w.U16(6), 0x0807);
        EXPECT_EQ(w.U16(7), std::nullopt);
        EXPECT_EQ(w.U32(4), 0x08070605u);
        EXPECT_EQ(w.U32(5), std::nullopt);
    }
}

// Two entries of which the second ends right at the end of the block: each
// entry is read only while `room` bytes lie at its position.
TEST(TiffWalker, DirectoryStopsAtTheFirstEntryThatDoesNotFit)
{
    const std::vector<std::uint8_t> block = {
        'M', 'M', 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0,   // tag 0x0112, SHORT, 1, 6
        0x02, 0x01, 0, 4, 0, 0, 0, 1, 0, 0, 0x14, 0,          // tag 0x0201, LONG, 1, 5120
    };
    struct Case {
        std::uint32_t count;
        std::uint64_t room;
        std::size_t read;
        bool complete;
    } cases[] = {
        {2, 12, 2, true},
        {2, 13, 1, false},
        {3, 12, 2, false},
        {0, 12, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("count " + std::to_string(c.count) + ", room " + std::to_string(c.room));
        TiffWalker w(block, true);
        std::vector<TiffEntry> seen;
        const TiffWalker::Walk walk = w.Directory(2, c.count, c.room, [&](const TiffEntry& e) { seen.push_back(e); });
        ASSERT_EQ(seen.size(), c.read);
        EXPECT_EQ(walk.complete, c.complete);
        EXPECT_EQ(walk.end, 2 + 12 * c.read);
        if (c.read == 2) {
            EXPECT_EQ(seen[0].tag, 0x0112);
            EXPECT_EQ(seen[0].type, metadata::kTiffShort);
            EXPECT_EQ(w.Get16(seen[0].raw), 6);
            EXPECT_EQ(seen[1].count, 1u);
            EXPECT_EQ(w.Get32(seen[1].raw), 5120u);
        }
    }
}
