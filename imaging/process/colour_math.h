#pragma once

#include <QtGlobal>

#include <algorithm>

namespace tavlo::process {

// Small colour formulas shared by the pixel operations. Inline because they run once per pixel.

// Luma (ITU-R BT.601 weights 0.299, 0.587, 0.114 in 16-bit fixed point, rounded). The weights sum
// to exactly 65536, so a grey colour (v, v, v) gives v back: grey images survive a trip through
// direct colour unchanged.
inline int luma(int r, int g, int b)
{
    return (19595 * r + 38470 * g + 7471 * b + 32768) >> 16;
}

// A 5-bit channel of a 5-5-5 pixel widened to 8 bits by repeating its top bits (0 -> 0,
// 31 -> 255), the inverse of truncate8To5() for every 5-bit value.
inline int expand5(int v)
{
    return (v << 3) | (v >> 2);
}

// An 8-bit channel cut to 5 bits by dropping the low three bits.
inline int truncate8To5(int v)
{
    return v >> 3;
}

inline uchar clampToByte(int v)
{
    return uchar(std::clamp(v, 0, 255));
}

// Packs 8-bit channels into a 5-5-5 word (0RRRRRGGGGGBBBBB) by truncation.
inline quint16 pack555(int r, int g, int b)
{
    return quint16((truncate8To5(r) << 10) | (truncate8To5(g) << 5) | truncate8To5(b));
}

// Index of the nearest of the 16 even grey levels 0, 17, ..., 255 to a level.
inline int evenGrey16Index(int level)
{
    return (level + 8) / 17;
}

}  // namespace tavlo::process
