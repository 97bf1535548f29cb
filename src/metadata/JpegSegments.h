#pragma once
// Classes: ExifSegment.
//
// The walk along a JPEG file's marker segments to its EXIF segment. The EXIF
// reader and the thumbnail provider both find their block through it, so a
// file has EXIF for both or for neither. Plain C++, no Qt.
//
//  FF D8                                          start of image
//  FF xx | length (2, big-endian, counts itself) | data   a segment
//  FF E1 | length | 'E' 'x' 'i' 'f' 0 0 | TIFF header (the base) ...
//  FF FF                                          a fill byte before a marker
//  FF 01, FF D0 .. FF D7                          markers without a length
//  FF DA (start of scan), FF D9 (end of image)    the walk ends

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace metadata {

struct ExifSegment {
    std::uint64_t base = 0;  // file position of the TIFF header, behind "Exif\0\0"
    std::uint64_t end = 0;   // file position behind the segment, as its length
                             // says; at or before base when the length is too
                             // short to hold even the identifier
};

// Copies n bytes at pos of the file into out; false when it cannot.
using ReadAtFn = std::function<bool(std::uint64_t pos, void* out, std::size_t n)>;

// How the walk reads FF FF and the markers without a length.
enum class MarkerRule {
    Standard,        // a fill byte is skipped, FF 01 and FF D0..D7 are two bytes
    LengthEverywhere // every marker is followed by a length
};

// Walks from the start of image to the first APP1 segment that begins with
// "Exif\0\0". None when the file does not start with FF D8, or the walk meets
// the start of scan, the end of image, a byte that is no marker, a length
// below 2 or the end of the file first. Every step moves forward, so the walk
// ends at the file's end.
std::optional<ExifSegment> FindExifSegment(const ReadAtFn& read, MarkerRule rule = MarkerRule::Standard);

} // namespace metadata
