#include "thumbnails/ThumbnailCache.h"

#include "gfx/Bmp.h"
#include "thumbnails/ImageExtract.h"
#include "thumbnails/OrderedWorkers.h"
#include "thumbnails/ThumbBitmap.h"
#include "platform/FileStream.h"
#include "platform/JoinPath.h"

#include <cstdio>
#include <exception>
#include <limits>

void BuildThumbnailCache(const std::string& folder, const std::vector<std::string>& fileNames,
                         platform::TFileStream& cache, std::vector<std::string>& offsets, int width,
                         int height, const TThumbnailProgress& progress, int threads)
{
    cache.SetSize(0);
    offsets.clear();
    const int count = static_cast<int>(fileNames.size());
    offsets.reserve(fileNames.size());
    // A worker makes the whole BMP image; only the writing stays here, in
    // index order, so the file is the same whatever the thread count.
    TOrderedWorkers workers(count, threads, 2 * threads, [&](int i) -> std::vector<uint8_t> {
        gfx::Bitmap bitmap = NewThumbBitmap(width, height, TPixelFormat::pfDevice);
        if (!ExtractThumbnail(platform::JoinPath(folder, fileNames[static_cast<size_t>(i)]), bitmap, ExtractFlagsNone))
            return {};
        return gfx::EncodeBmp(bitmap);
    });
    for (int i = 0; i < count; ++i) {
        if (progress.OnPhoto)
            progress.OnPhoto(i, count);
        offsets.push_back("-1");
        const int64_t offset = cache.Size();
        try {
            const std::vector<uint8_t> image = workers.TakeNext();
            if (image.empty())
                continue;
            cache.Seek(0, SEEK_END);
            cache.WriteBuffer(image.data(), image.size());
        } catch (...) {
            cache.SetSize(offset);
            offsets.resize(fileNames.size(), "-1");
            throw;
        }
        offsets.back() = std::to_string(offset);
        if (progress.OnWritten)
            progress.OnWritten(i);
    }
}

std::optional<int64_t> ParseThumbOffset(const std::string& text)
{
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<gfx::Bitmap> ReadThumbnail(platform::TFileStream& cache, const std::string& offsetText)
{
    auto offset = ParseThumbOffset(offsetText);
    if (!offset)
        return std::nullopt;
    return ReadBmp(cache, *offset);
}

std::optional<gfx::Bitmap> ReadBmp(platform::TFileStream& stream, int64_t offset)
{
    try {
        int64_t size = stream.Size();
        if (offset < 0 || offset > size || size - offset < static_cast<int64_t>(gfx::kBmpHeadersSize))
            return std::nullopt;
        uint8_t headers[gfx::kBmpHeadersSize];
        stream.Seek(offset, SEEK_SET);
        if (stream.Read(headers, sizeof headers) != sizeof headers)
            return std::nullopt;
        auto layout = gfx::ReadBmpHeaders(headers);
        if (!layout)
            return std::nullopt;
        int64_t available = size - offset;
        if (static_cast<int64_t>(layout->PixelOffset) > available ||
            available - static_cast<int64_t>(layout->PixelOffset) < static_cast<int64_t>(layout->PixelBytes))
            return std::nullopt;
        // The rows of the file and of the bitmap are both padded to 4 bytes.
        gfx::Bitmap bitmap(layout->Width, layout->Height, layout->Format, layout->Order);
        stream.Seek(offset + static_cast<int64_t>(layout->PixelOffset), SEEK_SET);
        if (stream.Read(bitmap.Memory(), layout->PixelBytes) != layout->PixelBytes)
            return std::nullopt;
        return bitmap;
    } catch (const std::exception&) {
        // An image that cannot be read is drawn like a photo without one.
        return std::nullopt;
    }
}
