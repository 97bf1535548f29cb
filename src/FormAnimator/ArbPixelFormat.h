#pragma once
// Classes: TArbAttribute.
//
// Pixel-format choice through WGL_ARB_pixel_format: an exact pass that treats
// every non-zero wish as a hard requirement, then, when the driver offers no
// exact match, a scoring pass over every format where some mismatches exclude
// a format and others only cost points.

#include "GlPixelFormat.h"

#include <cstdint>

namespace FormAnimator {

// Penalty of one attribute: (table row, desired value, format's value, kind).
using TArbScorer = int32_t (*)(int32_t Row, int32_t Desired, int32_t Actual, int32_t Kind);

// How a row's mismatch is scored.
enum class TArbRule {
    SurfaceKind,  // excluded when the row is the wanted kind and the format cannot draw to it
    Exact,        // excluded unless equal
    Difference,   // |d - a|
    Acceleration, // 0 without a wish, else |d - a| * 256
    Buffer,       // 0 when enough; excluded when missing altogether; else d - a
    SwapMethod,   // 0 without a wish, else |d - a|
    Minimum,      // 0 when enough, else d - a
};

// One attribute: its id, how a mismatch is scored, whether it needs
// ARB_multisample, and what a description and a surface kind wish of it.
struct TArbAttribute {
    int32_t Attribute;
    TArbRule Rule;
    bool MultisampleOnly; // used only when the driver lists ARB_multisample
    int32_t (*Desired)(const TGlPixelFormat& PixelFormat, TGlSurfaceKind Kind);
};

inline constexpr int ArbAttributeCount = 13;
extern const TArbAttribute ArbAttributeTable[ArbAttributeCount];

// A penalty of this much or more excludes a format.
inline constexpr int32_t ArbExcluded = 0x10000;
// At most this many formats are considered in either pass.
inline constexpr int ArbMaxFormats = 4096;

// The desired value of each row for a description and a surface kind.
int32_t ArbDesiredValue(int Row, const TGlPixelFormat& PixelFormat, TGlSurfaceKind Kind);

int32_t ScoreAttribute(int32_t Row, int32_t Desired, int32_t Actual, int32_t Kind);

// Format index, or -1 when none fits or NullWindowedCanvas lacks
// WGL_ARB_pixel_format. A null PixelFormat stands for the default (all-zero)
// description; a null Scorer for ScoreAttribute. All driver calls go through
// NullWindowedCanvas's entry points, on its DC.
int SelectArbPixelFormat(const TGlPixelFormat* PixelFormat, TGlSurfaceKind Kind, TArbScorer Scorer);

} // namespace FormAnimator
