#pragma once
// Small pieces shared by the outline preparation and the scan converter of
// the diagram rasteriser: the sample grid of an anti-alias level, the spiral
// of a CircleCurve, and conversions that are defined for every input.
//
// Level n samples n lines per pixel row (levels 0 and 1 one line): the grid
// step is 16 / n sixteenths of a pixel, and SampleRow(y, step) is the sample
// line at or above y (y rounded down to the grid, also for negative y).
//
// A CircleCurve is the spiral r(t) = a t + b about its centre: the point at
// parameter t is (cx + r(t) cos t, cy + r(t) sin t), y growing downward. The
// products are written in one order so that every caller gets the same bits
// (the build keeps floating-point contraction off).
//
// Outline coordinates are any 32-bit values a document holds; a double that
// becomes an integer goes through TruncToInt32 / TruncToInt64 (toward zero,
// saturating, NaN as 0) and sums of coordinates are formed in 64 bits and
// saturated with SaturateToInt32, so that absurd input gives a wrong picture
// rather than undefined behaviour.
#include <cmath>
#include <cstdint>

namespace diagram {

// Grid step (sixteenths of a pixel) of level 0, 1, 2, 4, 8 or 16; 0 for any
// other level.
constexpr int32_t GridStep(int32_t level) noexcept {
    switch (level) {
    case 0:
    case 1:
        return 16;
    case 2:
        return 8;
    case 4:
        return 4;
    case 8:
        return 2;
    case 16:
        return 1;
    default:
        return 0;
    }
}

// The sample line at or above y on a grid of the given step (a power of two).
constexpr int32_t SampleRow(int32_t y, int32_t step) noexcept { return y & ~(step - 1); }

// r(t) = a t + b.
inline double SpiralRadius(double a, double b, double t) noexcept { return a * t + b; }

// y(t) = r(t) sin t, relative to the centre.
inline double SpiralY(double a, double b, double t) noexcept { return (a * t + b) * std::sin(t); }

// x(t) = cos t * r(t), relative to the centre.
inline double SpiralX(double a, double b, double t) noexcept { return std::cos(t) * (a * t + b); }

// Truncation toward zero, saturating at the type's range; NaN gives 0.
inline int32_t TruncToInt32(double v) noexcept {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

inline int64_t TruncToInt64(double v) noexcept {
    if (!(v == v)) return 0;
    if (v >= 9223372036854775807.0) return INT64_MAX;
    if (v <= -9223372036854775808.0) return INT64_MIN;
    return static_cast<int64_t>(v);
}

inline int32_t SaturateToInt32(int64_t v) noexcept {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(v);
}

}  // namespace diagram
