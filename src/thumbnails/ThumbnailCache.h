#pragma once
// Classes: TThumbnailProgress.
//
// The thumbnail cache: one BMP image per photo that has a thumbnail, one
// after the other from offset 0, with no header, index or gap; and beside it
// one offset text per photo ("-1" for a photo without thumbnail). The
// images are written and read by the BMP codec of gfx/Bmp.h.
// Plain C++, no Qt.

#include "gfx/Bitmap.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class TFileStream;
}

struct TThumbnailProgress {
    // Before the thumbnail of photo index (0-based) of count is waited for
    // and written, on the thread that builds the cache.
    std::function<void(int index, int count)> OnPhoto;
    // After the thumbnail of photo index has been written to the cache.
    std::function<void(int index)> OnWritten;
};

// Empties cache and offsets, then for every photo in order: appends "-1",
// extracts the thumbnail of JoinPath(folder, fileNames[i]) at width x height
// (24 bits) and, when there is one, sets the entry to the cache size in
// decimal and appends its BMP image at the end of the file.
//
// With threads above 1 that many worker threads extract the thumbnails, at
// most two per thread ahead of the photo being written, while the calling
// thread writes them and reports progress in index order: the cache and the
// offsets come out byte for byte as with one thread.
//
// When writing an image fails (a full disk) or extraction throws, its
// partial bytes are cut off again, it and every later photo get "-1", and
// the error is rethrown: offsets always has one entry per photo and never
// points at a partial image.
void BuildThumbnailCache(const std::string& folder, const std::vector<std::string>& fileNames,
                         platform::TFileStream& cache, std::vector<std::string>& offsets, int width,
                         int height, const TThumbnailProgress& progress = {}, int threads = 1);

// The offset an entry of the offset list stands for: a plain non-negative
// decimal number, or nullopt for "-1" and anything malformed.
std::optional<int64_t> ParseThumbOffset(const std::string& text);

// Reads the thumbnail an offset entry points at; nullopt for "-1", a bad
// entry, or a truncated or damaged image.
std::optional<gfx::Bitmap> ReadThumbnail(platform::TFileStream& cache, const std::string& offsetText);

// Reads one BMP image at the given offset of the stream, with the checks of
// gfx::DecodeBmp; a read error, an offset outside the file or a truncated
// image give nullopt. Leaves the stream's position somewhere inside the file.
std::optional<gfx::Bitmap> ReadBmp(platform::TFileStream& stream, int64_t offset);
