// Eased raster scrolls: a copy of a source rectangle with every pixel displaced
// by separable offsets, one value per column and one per row and axis,
// combined by a product (16.16 x 16.16, whole pixels after >> 32) or a sum.
//
// One loop serves the eight members, chosen at compile time by the rule
// (product or sum), the edge (outside cleared to 0, or wrapped) and the tables
// (the caller's, or ramps built from easing curves). Offsets and positions are
// 64-bit (the eased products 128-bit, then limited), so no document value can
// overflow them, and a wrapped position is brought back with one modulo
// whatever its distance. The offset-table blits (BlitOffset*) share this shape
// but lay the source over the destination and skip what lies outside.
#include <algorithm>
#include <cstdint>

#include "raster/filter/Easing.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

__extension__ typedef __int128 ScrollInt128;

enum class ScrollRule { Product, Sum };

// Far beyond any sprite, yet small enough that adding a 33-bit position to it
// cannot overflow 64 bits.
constexpr int64_t kScrollOffsetLimit = int64_t{1} << 62;

inline int64_t ScrollOffset(ScrollRule rule, int64_t column, int64_t row) noexcept {
    if (rule == ScrollRule::Sum) return column + row;  // 32-bit entries: exact
    const ScrollInt128 v = (static_cast<ScrollInt128>(column) * row) >> 32;
    if (v > kScrollOffsetLimit) return kScrollOffsetLimit;
    if (v < -kScrollOffsetLimit) return -kScrollOffsetLimit;
    return static_cast<int64_t>(v);
}

// The caller's tables, read from the entries of the clipped rectangle.
struct ScrollGivenTables {
    const int32_t* colX;
    const int32_t* colY;
    const int32_t* rowX;
    const int32_t* rowY;

    void Prepare(int32_t skipX, int32_t skipY, int32_t, int32_t) noexcept {
        colX += skipX;
        colY += skipX;
        rowX += skipY;
        rowY += skipY;
    }
    int64_t ColumnX(int32_t j) const noexcept { return colX[j]; }
    int64_t ColumnY(int32_t j) const noexcept { return colY[j]; }
    int64_t RowX(int32_t i) const noexcept { return rowX[i]; }
    int64_t RowY(int32_t i) const noexcept { return rowY[i]; }
};

struct ScrollCurve {
    int32_t start;
    int32_t end;
    uint32_t type;
};

// start + Ease(type, t, n, end - start), the difference taken in 32 bits: with
// EaseValue and 32-bit wrap-around (T = int32_t), or widened to EaseValue64
// with a 64-bit sum (T = int64_t).
template <class T>
inline T RampEntry(const ScrollCurve& c, int32_t t, int32_t n) noexcept {
    const auto span = static_cast<int32_t>(static_cast<uint32_t>(c.end) - static_cast<uint32_t>(c.start));
    if constexpr (sizeof(T) == 4) {
        return static_cast<int32_t>(static_cast<uint32_t>(c.start) +
                                    static_cast<uint32_t>(EaseValue(c.type, t, n, span)));
    } else {
        return static_cast<int64_t>(c.start) + EaseValue64(c.type, t, n, span);
    }
}

// Ramps over the clipped rectangle; the two column ramps in the shared scratch
// block, the row values computed per row.
template <class T>
struct ScrollEasedTables {
    ScrollCurve colXCurve, colYCurve, rowXCurve, rowYCurve;
    T* colX = nullptr;
    T* colY = nullptr;
    int32_t height = 0;

    void Prepare(int32_t, int32_t, int32_t w, int32_t h) {
        const uint64_t bytes = static_cast<uint64_t>(w) * 2 * sizeof(T);
        colX = reinterpret_cast<T*>(RasterScratch().ScratchBytes(bytes, bytes));
        colY = colX + w;
        for (int32_t j = 0; j < w; ++j) {
            colX[j] = RampEntry<T>(colXCurve, j, w);
            colY[j] = RampEntry<T>(colYCurve, j, w);
        }
        height = h;
    }
    int64_t ColumnX(int32_t j) const noexcept { return colX[j]; }
    int64_t ColumnY(int32_t j) const noexcept { return colY[j]; }
    int64_t RowX(int32_t i) const noexcept { return RampEntry<T>(rowXCurve, i, height); }
    int64_t RowY(int32_t i) const noexcept { return RampEntry<T>(rowYCurve, i, height); }
};

// Position relative to the source rectangle's start, brought into 0..n - 1
// (n > 0): inside positions cost a comparison, outside ones one modulo.
inline int64_t ScrollWrap(int64_t rel, int64_t n) noexcept {
    if (static_cast<uint64_t>(rel) < static_cast<uint64_t>(n)) return rel;
    rel %= n;
    return rel < 0 ? rel + n : rel;
}

template <ScrollRule R, bool kTiled, class Tables>
void RunScroll(CSprite& dest, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
               int32_t sy, int32_t sw, int32_t sh, int32_t ox, int32_t oy, Tables tables) {
    const int32_t x0 = x;
    const int32_t y0 = y;
    dest.ClipRect(x, y, w, h);
    if (w <= 0 || h <= 0) return;
    source.ClipRect(sx, sy, sw, sh);
    if (sw <= 0 || sh <= 0) {
        // Nothing to sample: every position lies outside. Wrapping could never
        // reach the rectangle, so the tiled forms draw nothing.
        if (!kTiled)
            for (int32_t i = 0; i < h; ++i) std::fill_n(dest.PixelAt(x, y + i), w, 0u);
        return;
    }
    const int32_t skipX = x - x0;
    const int32_t skipY = y - y0;
    // Source position of clipped column 0, row 0, relative to the source rectangle.
    const int64_t originX = static_cast<int64_t>(ox) + skipX - sx;
    const int64_t originY = static_cast<int64_t>(oy) + skipY - sy;
    tables.Prepare(skipX, skipY, w, h);
    const uint32_t* base = source.PixelAt(sx, sy);
    const int64_t stride = source.GetStride();

    for (int32_t i = 0; i < h; ++i) {
        const int64_t rowX = tables.RowX(i);
        const int64_t rowY = tables.RowY(i);
        uint32_t* d = dest.PixelAt(x, y + i);
        for (int32_t j = 0; j < w; ++j) {
            int64_t relX = originX + j + ScrollOffset(R, tables.ColumnX(j), rowX);
            int64_t relY = originY + i + ScrollOffset(R, tables.ColumnY(j), rowY);
            if constexpr (kTiled) {
                relX = ScrollWrap(relX, sw);
                relY = ScrollWrap(relY, sh);
            } else if (static_cast<uint64_t>(relX) >= static_cast<uint64_t>(sw) ||
                       static_cast<uint64_t>(relY) >= static_cast<uint64_t>(sh)) {
                d[j] = 0;
                continue;
            }
            d[j] = base[relY * stride + relX];
        }
    }
}

template <class T>
ScrollEasedTables<T> MakeRamps(int32_t a0, int32_t a1, uint32_t at, int32_t b0, int32_t b1, uint32_t bt, int32_t c0,
                               int32_t c1, uint32_t ct, int32_t d0, int32_t d1, uint32_t dt) noexcept {
    ScrollEasedTables<T> t;
    t.colXCurve = {a0, a1, at};
    t.colYCurve = {b0, b1, bt};
    t.rowXCurve = {c0, c1, ct};
    t.rowYCurve = {d0, d1, dt};
    return t;
}

}  // namespace

#define OC_SCROLL_TABLE_CALL x, y, w, h, source, sx, sy, sw, sh, ox, oy, ScrollGivenTables{colX, colY, rowX, rowY}
#define OC_SCROLL_EASED_CALL(T)                                                                                   \
    x, y, w, h, source, sx, sy, sw, sh, ox, oy,                                                                   \
        MakeRamps<T>(colXStart, colXEnd, colXType, colYStart, colYEnd, colYType, rowXStart, rowXEnd, rowXType,    \
                     rowYStart, rowYEnd, rowYType)

void CSprite::RasterScrollProduct(OC_SCROLL_TABLE_PARAMS) {
    RunScroll<ScrollRule::Product, false>(*this, OC_SCROLL_TABLE_CALL);
}
void CSprite::RasterScrollProductTiled(OC_SCROLL_TABLE_PARAMS) {
    RunScroll<ScrollRule::Product, true>(*this, OC_SCROLL_TABLE_CALL);
}
void CSprite::RasterScrollSum(OC_SCROLL_TABLE_PARAMS) {
    RunScroll<ScrollRule::Sum, false>(*this, OC_SCROLL_TABLE_CALL);
}
void CSprite::RasterScrollSumTiled(OC_SCROLL_TABLE_PARAMS) {
    RunScroll<ScrollRule::Sum, true>(*this, OC_SCROLL_TABLE_CALL);
}
void CSprite::RasterScrollProductEased(OC_SCROLL_EASED_PARAMS) {
    RunScroll<ScrollRule::Product, false>(*this, OC_SCROLL_EASED_CALL(int64_t));
}
void CSprite::RasterScrollProductEasedTiled(OC_SCROLL_EASED_PARAMS) {
    RunScroll<ScrollRule::Product, true>(*this, OC_SCROLL_EASED_CALL(int64_t));
}
void CSprite::RasterScrollSumEased(OC_SCROLL_EASED_PARAMS) {
    RunScroll<ScrollRule::Sum, false>(*this, OC_SCROLL_EASED_CALL(int32_t));
}
void CSprite::RasterScrollSumEasedTiled(OC_SCROLL_EASED_PARAMS) {
    RunScroll<ScrollRule::Sum, true>(*this, OC_SCROLL_EASED_CALL(int32_t));
}
