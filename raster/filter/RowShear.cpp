// Sub-pixel row shear: every row of the rectangle moves sideways by its own
// 16.16 amount, the amount changing by a fixed step from row to row.
//
// Row i samples its old contents at k + m / 65536 with m = -startShift +
// i x step; the sample lies between pixels k + f and k + f + 1 (f = floor of
// m / 65536) at weight o, the fraction's top eight bits. Rows with m >= 0 read
// at or right of the pixel they write and run left to right; rows with m < 0
// read at or left of it and run right to left: so every read sees the row as
// it was, without a copy. Positions beyond the sprite read transparent black.
// Everything positional is 64-bit, so no shift or rectangle can overflow.
#include <cstdint>

#include "raster/surface/sprite/Sprite.h"

namespace {

// (a (256 - o) + b o) >> 8 per channel, two channels per 32-bit word.
inline uint32_t LerpPixel(uint32_t a, uint32_t b, uint32_t o) noexcept {
    if (a == b) return a;
    const uint32_t keep = 256 - o;
    const uint32_t rb = (((a & 0x00FF00FFu) * keep + (b & 0x00FF00FFu) * o) >> 8) & 0x00FF00FFu;
    const uint32_t ag = ((((a >> 8) & 0x00FF00FFu) * keep + ((b >> 8) & 0x00FF00FFu) * o)) & 0xFF00FF00u;
    return rb | ag;
}

}  // namespace

void CSprite::ShearRows(int32_t x, int32_t y, int32_t w, int32_t h, int32_t startShift, int32_t endShift) {
    ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    const int64_t step = (int64_t{h} + startShift - endShift - 1) / h;
    const int64_t width = m_width;
    for (int32_t i = 0; i < h; ++i) {
        const int64_t m = -int64_t{startShift} + int64_t{i} * step;
        const int64_t f = m >> 16;
        const uint32_t o = static_cast<uint32_t>((m >> 8) & 0xFF);
        uint32_t* row = PixelAt(0, y + i);
        const auto read = [&](int64_t at) -> uint32_t { return at >= 0 && at < width ? row[at] : 0u; };
        const auto value = [&](int64_t k) -> uint32_t {
            const uint32_t a = read(k + f);
            return o == 0 ? a : LerpPixel(a, read(k + f + 1), o);
        };
        if (m >= 0) {
            for (int64_t k = x; k < int64_t{x} + w; ++k) row[k] = value(k);
        } else {
            for (int64_t k = int64_t{x} + w - 1; k >= x; --k) row[k] = value(k);
        }
    }
}
