// libFuzzer target: the thumbnail provider and the cache's BMP reader on
// arbitrary bytes. The bytes become a photo file that ExtractThumbnail opens
// by path with a 100 x 100 24-bit request, and a cache file whose image at
// offset 0 the checked BMP reader reads back.

#include "FuzzSupport.h"
#include "gfx/Bmp.h"
#include "gfx/GfxTestSupport.h"
#include "thumbnails/ImageExtract.h"
#include "thumbnails/ThumbBitmap.h"
#include "thumbnails/ThumbnailCache.h"
#include "platform/FileStream.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>


namespace {

platform::TFileStream& CacheFile()
{
    static platform::TFileStream stream = [] {
        char dir[] = "/tmp/thumb-fuzz-XXXXXX";
        if (!mkdtemp(dir)) std::abort();
        const std::string path = std::string(dir) + "/cache.bmp";
        platform::TFileStream s = platform::TFileStream::CreateExclusive(path);
        // Only the open handle is needed.
        unlink(path.c_str());
        rmdir(dir);
        return s;
    }();
    return stream;
}

// The contract: either a thumbnail fitted in the box, or false with the
// bitmap as it was.
void CheckExtract(const std::string& path)
{
    gfx::Bitmap bitmap = NewThumbBitmap(100, 100, TPixelFormat::pf24bit);
    const std::uint8_t* before = bitmap.Memory();
    if (ExtractThumbnail(path, bitmap, ExtractFlagsNone)) {
        if (bitmap.Width() < 1 || bitmap.Width() > 100 || bitmap.Height() < 1 || bitmap.Height() > 100 ||
            (bitmap.Width() != 100 && bitmap.Height() != 100) || bitmap.Format() != gfx::PixelFormat::Bgr24 ||
            bitmap.Stride() != gfx::PaddedRowBytes(bitmap.Width(), bitmap.Format()))
            std::abort();
    } else if (bitmap.Width() != 100 || bitmap.Height() != 100 || bitmap.Memory() != before) {
        std::abort();
    }
}

void CheckBmp(const std::uint8_t* data, std::size_t size)
{
    platform::TFileStream& cache = CacheFile();
    cache.SetSize(0);
    cache.Seek(0, SEEK_SET);
    if (size) cache.WriteBuffer(data, size);
    auto fromFile = ReadBmp(cache, 0);
    auto fromMemory = gfx::DecodeBmp(data, size);
    // Both readers apply the same checks.
    if (fromFile.has_value() != fromMemory.has_value()) std::abort();
    if (fromFile) {
        if (fromFile->ByteSize() != fromMemory->ByteSize() || fromFile->Width() != fromMemory->Width() ||
            fromFile->Height() != fromMemory->Height() ||
            std::memcmp(fromFile->Memory(), fromMemory->Memory(), fromFile->ByteSize()) != 0)
            std::abort();
        // What was read writes back to an image the reader accepts again,
        // with the same colours (the unused byte of 32-bit pixels is written
        // as 0, whatever the file held).
        const std::vector<std::uint8_t> again = gfx::EncodeBmp(*fromFile);
        auto round = gfx::DecodeBmp(again.data(), again.size());
        if (!round || round->Width() != fromFile->Width() || round->Height() != fromFile->Height() ||
            round->Format() != fromFile->Format())
            std::abort();
        for (int y = 0; y < round->Height(); ++y)
            for (int x = 0; x < round->Width(); ++x)
                if (gfxtest::Get(*round, x, y) != gfxtest::Get(*fromFile, x, y)) std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckExtract(fuzz::FillMemoryFile(data, size));
    CheckBmp(data, size);
    return 0;
}
