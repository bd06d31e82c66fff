// Distance transparency: a two-pass chamfer distance transform, then an alpha
// ramp by distance.
//
// The grid has one cell per pixel of the rectangle and a frame of zero cells
// around it (the outside counts as transparent). The forward pass (top to
// bottom, left to right) takes each opaque cell from its left, upper-left,
// upper and upper-right neighbours; the backward pass (bottom to top, right to
// left) from the right, lower-left, lower and lower-right ones. Afterwards
// every cell holds the 500 / 707 chamfer distance to the nearest zero cell.
//
// The ramp's slope is a 2^23 fixed-point number; the factor is computed in
// 64 bits and kept between the near and far factors, so that no distance
// setting (negative or huge distances included) can push an alpha outside its
// byte.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// trunc(d x 500), saturated to the signed 32-bit range.
int32_t DistanceUnits(double d) noexcept {
    const double v = std::trunc(d * 500.0);
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(v);
}

constexpr uint32_t kStraight = 500;
constexpr uint32_t kDiagonal = 707;

}  // namespace

bool CSprite::DistAlpha(int32_t x, int32_t y, int32_t w, int32_t h, double d0, double d1, uint8_t a0, uint8_t a1) {
    const uint32_t nearFactor = a0 + (a0 >> 7u);
    const uint32_t farFactor = a1 + (a1 >> 7u);
    if (a0 == a1) {
        ScaleAlpha(x, y, w, h, nearFactor);
        return true;
    }
    if (!std::isfinite(d0) || !std::isfinite(d1)) return true;
    if (m_pixels == nullptr || ClipRect(x, y, w, h) == 0 || h <= 0) return true;

    CSprite& work = RasterWorkSprite();
    if (&work == this) return false;  // the grid would overwrite the pixels
    const int64_t gw = int64_t(w) + 2, gh = int64_t(h) + 2;
    if (int64_t(work.GetWidth()) * work.GetHeight() < gw * gh || work.GetStride() != work.GetWidth()) {
        if (gw > INT32_MAX || gh > INT32_MAX) return false;
        if (!work.ResizeUncleared(static_cast<int32_t>(gw), static_cast<int32_t>(gh))) return false;
    }
    uint32_t* const grid = work.GetPixels();
    auto cell = [grid, gw](int64_t row, int64_t column) -> uint32_t& { return grid[row * gw + column]; };

    std::fill(grid, grid + gw, 0u);
    std::fill(grid + (gh - 1) * gw, grid + gh * gw, 0u);
    for (int64_t r = 1; r <= h; ++r) {
        cell(r, 0) = 0;
        cell(r, gw - 1) = 0;
        const uint32_t* px = PixelAt(x, y + static_cast<int32_t>(r - 1));
        const uint32_t* up = &cell(r - 1, 0);
        uint32_t* row = &cell(r, 0);
        for (int64_t c = 1; c <= w; ++c) {
            if ((px[c - 1] >> 24) == 0) {
                row[c] = 0;
            } else {
                row[c] = std::min({row[c - 1] + kStraight, up[c - 1] + kDiagonal, up[c] + kStraight,
                                   up[c + 1] + kDiagonal});
            }
        }
    }
    for (int64_t r = h; r >= 1; --r) {
        const uint32_t* down = &cell(r + 1, 0);
        uint32_t* row = &cell(r, 0);
        for (int64_t c = w; c >= 1; --c) {
            if (row[c] == 0) continue;
            row[c] = std::min({row[c], row[c + 1] + kStraight, down[c - 1] + kDiagonal, down[c] + kStraight,
                               down[c + 1] + kDiagonal});
        }
    }

    const int32_t nearUnits = DistanceUnits(d0), farUnits = DistanceUnits(d1);
    const uint32_t near = static_cast<uint32_t>(nearUnits), far = static_cast<uint32_t>(farUnits);
    const int64_t slope = nearUnits == farUnits ? 0
                                                : (int64_t(farFactor) - nearFactor) * (int64_t{1} << 23) /
                                                      (int64_t(farUnits) - nearUnits);
    const int64_t lowest = std::min(nearFactor, farFactor), highest = std::max(nearFactor, farFactor);
    for (int64_t r = 1; r <= h; ++r) {
        uint32_t* px = PixelAt(x, y + static_cast<int32_t>(r - 1));
        const uint32_t* row = &cell(r, 0);
        for (int64_t c = 1; c <= w; ++c) {
            const uint32_t d = row[c];
            uint32_t factor;
            if (d <= near) {
                factor = nearFactor;
            } else if (d >= far) {
                factor = farFactor;
            } else {
                // (d - near) < 2^32 and |slope| <= 2^31: the product fits 64 bits.
                const int64_t ramp = nearFactor + ((int64_t(d - near) * slope) >> 23);
                factor = static_cast<uint32_t>(std::clamp(ramp, lowest, highest));
            }
            uint32_t& p = px[c - 1];
            p = (p & 0x00FFFFFFu) | ((((p >> 24) * factor) >> 8) << 24);
        }
    }
    return true;
}
