// How much a rectangle of one sprite differs from an equally placed rectangle
// of another: plain sums of absolute and squared channel differences, and a
// smoothed sum that compares 3 x 3 block sums, so that a one-pixel shift of
// fine detail costs less than in the plain sum.
//
// The smoothed sum walks the interior rows once: for each row the vertical
// three-row sums of every column are formed per channel for both sprites, and
// a sliding three-column window turns them into the block sums. The frame,
// which has no full block, counts its plain differences nine times.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "raster/surface/sprite/Sprite.h"

namespace {

inline uint32_t AbsChannelDifference(uint32_t p, uint32_t q) noexcept {
    uint32_t sum = 0;
    for (int k = 0; k < 32; k += 8) {
        const int32_t d = static_cast<int32_t>((p >> k) & 0xFFu) - static_cast<int32_t>((q >> k) & 0xFFu);
        sum += static_cast<uint32_t>(d < 0 ? -d : d);
    }
    return sum;
}

inline uint64_t SquaredChannelDifference(uint32_t p, uint32_t q) noexcept {
    uint64_t sum = 0;
    for (int k = 0; k < 32; k += 8) {
        const int64_t d = static_cast<int64_t>((p >> k) & 0xFFu) - static_cast<int64_t>((q >> k) & 0xFFu);
        sum += static_cast<uint64_t>(d * d);
    }
    return sum;
}

// Sums op(p, q) over a rectangle already clipped.
template <class Sum, class Op>
Sum SumOverClipped(const CSprite& a, int32_t dx, int32_t dy, const CSprite& b, int32_t sx, int32_t sy, int32_t w,
                   int32_t h, Op op) {
    Sum total = 0;
    for (int32_t j = 0; j < h; ++j) {
        const uint32_t* p = a.PixelAt(dx, dy + j);
        const uint32_t* q = b.PixelAt(sx, sy + j);
        for (int32_t i = 0; i < w; ++i) total += op(p[i], q[i]);
    }
    return total;
}

// Per column of one row: the four channel sums of the three rows centred on it.
void ColumnSums(const CSprite& s, int32_t x, int32_t y, int32_t w, int32_t* out) {
    const uint32_t* r0 = s.PixelAt(x, y - 1);
    const uint32_t* r1 = s.PixelAt(x, y);
    const uint32_t* r2 = s.PixelAt(x, y + 1);
    for (int32_t i = 0; i < w; ++i) {
        for (int k = 0; k < 4; ++k) {
            const int32_t shift = 8 * k;
            out[4 * i + k] = static_cast<int32_t>(((r0[i] >> shift) & 0xFFu) + ((r1[i] >> shift) & 0xFFu) +
                                                  ((r2[i] >> shift) & 0xFFu));
        }
    }
}

}  // namespace

uint32_t CSprite::SumAbsDifference(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy, int32_t w,
                                   int32_t h) const {
    ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return 0;
    return SumOverClipped<uint32_t>(*this, dx, dy, source, sx, sy, w, h, AbsChannelDifference);
}

uint64_t CSprite::SumSquaredDifference(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                                       int32_t w, int32_t h) const {
    ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 0 || h <= 0) return 0;
    return SumOverClipped<uint64_t>(*this, dx, dy, source, sx, sy, w, h, SquaredChannelDifference);
}

uint64_t CSprite::SumAbsDifferenceBox3x3(int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                                         int32_t w, int32_t h) const {
    ClipBlit(dx, dy, source, sx, sy, w, h);
    if (w <= 1 || h <= 1) return 0;
    uint64_t total = 0;
    if (w >= 3 && h >= 3) {
        std::vector<int32_t> mine(4 * static_cast<size_t>(w)), theirs(4 * static_cast<size_t>(w));
        for (int32_t j = 1; j <= h - 2; ++j) {
            ColumnSums(*this, dx, dy + j, w, mine.data());
            ColumnSums(source, sx, sy + j, w, theirs.data());
            for (int32_t i = 1; i <= w - 2; ++i) {
                for (int k = 0; k < 4; ++k) {
                    const size_t at = 4 * static_cast<size_t>(i) + k;
                    const int32_t a = mine[at - 4] + mine[at] + mine[at + 4];
                    const int32_t b = theirs[at - 4] + theirs[at] + theirs[at + 4];
                    total += static_cast<uint64_t>(std::abs(a - b));
                }
            }
        }
    }
    // The frame once: top row, right column below it, bottom row between the
    // corners, left column below the top row.
    uint32_t frame = SumAbsDifference(dx, dy, source, sx, sy, w, 1);
    frame += SumAbsDifference(dx + w - 1, dy + 1, source, sx + w - 1, sy + 1, 1, h - 1);
    frame += SumAbsDifference(dx + 1, dy + h - 1, source, sx + 1, sy + h - 1, w - 2, 1);
    frame += SumAbsDifference(dx, dy + 1, source, sx, sy + 1, 1, h - 1);
    return total + static_cast<uint64_t>(frame * 9u);
}
