#pragma once
// The platform's rectangle: 32-bit signed edges, right and bottom exclusive,
// empty when Right <= Left or Bottom <= Top.

#include <cstdint>

namespace win32 {

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

} // namespace win32
