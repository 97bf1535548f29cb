#include "main/thumbnails/ThumbnailCache.h"

#include "main/thumbnails/BmpFile.h"
#include "main/thumbnails/ImageExtract.h"
#include "platform/FileStream.h"

#include <cstdio>
#include <limits>

void BuildThumbnailCache(const std::string& folder, const std::vector<std::string>& fileNames,
                         platform::TFileStream& cache, std::vector<std::string>& offsets, int width,
                         int height, const TThumbnailProgress& progress)
{
    cache.SetSize(0);
    offsets.clear();
    const int count = static_cast<int>(fileNames.size());
    offsets.reserve(fileNames.size());
    for (int i = 0; i < count; ++i) {
        if (progress.OnPhoto)
            progress.OnPhoto(i, count);
        offsets.push_back("-1");
        TThumbBitmap bitmap(width, height, TPixelFormat::pfDevice);
        if (!ExtractThumbnail(folder + "/" + fileNames[static_cast<size_t>(i)], bitmap, ExtractFlagsNone))
            continue;
        const int64_t offset = cache.Size();
        try {
            cache.Seek(0, SEEK_END);
            WriteBmp(cache, bitmap);
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

std::optional<TThumbBitmap> ReadThumbnail(platform::TFileStream& cache, const std::string& offsetText)
{
    auto offset = ParseThumbOffset(offsetText);
    if (!offset)
        return std::nullopt;
    return ReadBmp(cache, *offset);
}
