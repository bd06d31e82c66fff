// Offset-table blits: a source drawn with every destination pixel displaced by
// offsets built from one table along the columns and one along the rows, per
// axis. Products of the two tables (16.16 x 16.16, whole pixels after >> 32)
// give shears and ripples whose strength varies across the picture; sums give
// plain per-row and per-column waves.
//
// One loop serves all sixteen members, chosen at compile time by
//   - the rule: product or sum of the column and row entries;
//   - the edge: positions outside the source rectangle skipped or wrapped;
//   - the tables: given by the caller, or eased (built here from curves: 32-bit
//     for the sum forms, 64-bit for the product forms);
//   - the opacity: full (opaque pixels written) or scaled alpha (always laid
//     over through AlphaUnionTable).
// Positions are computed in 64 bits (the eased products in 128 bits, then
// limited), so no table value can overflow them; a wrapped position outside
// the rectangle is brought back with one modulo, never a loop.
#include <algorithm>
#include <cstdint>

#include "raster/filter/Easing.h"
#include "raster/surface/sprite/PixelRules.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

__extension__ typedef __int128 Int128;

enum class Rule { Product, Sum };

// Far beyond any sprite, yet small enough that adding a 33-bit position to it
// cannot overflow 64 bits.
constexpr int64_t kOffsetLimit = int64_t{1} << 62;

inline int64_t ProductOffset(int64_t a, int64_t b) noexcept {
    const Int128 v = (static_cast<Int128>(a) * b) >> 32;
    if (v > kOffsetLimit) return kOffsetLimit;
    if (v < -kOffsetLimit) return -kOffsetLimit;
    return static_cast<int64_t>(v);
}

// Column and row entries of 32-bit tables: their product is exact in 64 bits.
template <Rule R>
inline int64_t Offset(int32_t column, int32_t row) noexcept {
    if constexpr (R == Rule::Product) return (static_cast<int64_t>(column) * row) >> 32;
    else return static_cast<int64_t>(column) + row;
}
// Entries of the 64-bit eased product tables.
template <Rule R>
inline int64_t Offset(int64_t column, int64_t row) noexcept {
    static_assert(R == Rule::Product);
    return ProductOffset(column, row);
}

// The tables given by the caller, read from the entries of the clipped rectangle.
struct GivenTables {
    using Value = int32_t;
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
    const int32_t* ColumnsX() const noexcept { return colX; }
    const int32_t* ColumnsY() const noexcept { return colY; }
    int32_t RowX(int32_t i) const noexcept { return rowX[i]; }
    int32_t RowY(int32_t i) const noexcept { return rowY[i]; }
};

template <class T>
struct Curve {
    T start;
    T end;
    uint32_t type;
};

// start + Ease(type, t, n, end - start) with wrap-around in the table's width
// (the sum forms' tables are 32-bit, the product forms' 64-bit).
inline int32_t EaseEntry(const Curve<int32_t>& c, int32_t t, int32_t n) noexcept {
    const auto span = static_cast<int32_t>(static_cast<uint32_t>(c.end) - static_cast<uint32_t>(c.start));
    return static_cast<int32_t>(static_cast<uint32_t>(c.start) + static_cast<uint32_t>(EaseValue(c.type, t, n, span)));
}
inline int64_t EaseEntry(const Curve<int64_t>& c, int64_t t, int64_t n) noexcept {
    const auto span = static_cast<int64_t>(static_cast<uint64_t>(c.end) - static_cast<uint64_t>(c.start));
    return static_cast<int64_t>(static_cast<uint64_t>(c.start) +
                                static_cast<uint64_t>(EaseValue64(c.type, t, n, span)));
}

// Tables built from curves over the clipped rectangle; the two column tables
// live in the shared scratch block, the row values are computed per row.
template <class T>
struct EasedTables {
    using Value = T;
    Curve<T> colXCurve, colYCurve, rowXCurve, rowYCurve;
    T* colX = nullptr;
    T* colY = nullptr;
    int32_t height = 0;

    void Prepare(int32_t, int32_t, int32_t w, int32_t h) {
        const uint64_t bytes = static_cast<uint64_t>(w) * 2 * sizeof(T);
        colX = reinterpret_cast<T*>(RasterScratch().ScratchBytes(bytes, bytes));
        colY = colX + w;
        for (int32_t j = 0; j < w; ++j) {
            colX[j] = EaseEntry(colXCurve, j, w);
            colY[j] = EaseEntry(colYCurve, j, w);
        }
        height = h;
    }
    const T* ColumnsX() const noexcept { return colX; }
    const T* ColumnsY() const noexcept { return colY; }
    T RowX(int32_t i) const noexcept { return EaseEntry(rowXCurve, i, height); }
    T RowY(int32_t i) const noexcept { return EaseEntry(rowYCurve, i, height); }
};

// Position relative to the source rectangle's start, brought into 0..n - 1
// (n > 0): inside positions cost a comparison, outside ones one modulo.
inline int64_t WrapInto(int64_t rel, int64_t n) noexcept {
    if (static_cast<uint64_t>(rel) < static_cast<uint64_t>(n)) return rel;
    rel %= n;
    return rel < 0 ? rel + n : rel;
}

template <Rule R, bool kWrap, bool kOpacity, class Tables>
void RunOffsetBlit(CSprite& dest, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                   int32_t sy, int32_t sw, int32_t sh, int32_t ox, int32_t oy, Tables tables, uint32_t opacity) {
    const int32_t x0 = x;
    const int32_t y0 = y;
    if (dest.ClipRect(x, y, w, h) == 0) return;
    if (source.ClipRect(sx, sy, sw, sh) == 0) return;
    // Clipping only moves the left and top edges right and down: keep the source
    // origin and the caller's tables aligned with the moved edges.
    const int32_t skipX = x - x0;
    const int32_t skipY = y - y0;
    const int64_t originX = static_cast<int64_t>(ox) + skipX;
    const int64_t originY = static_cast<int64_t>(oy) + skipY;
    tables.Prepare(skipX, skipY, w, h);
    const auto* colX = tables.ColumnsX();
    const auto* colY = tables.ColumnsY();

    for (int32_t i = 0; i < h; ++i) {
        const auto rowX = tables.RowX(i);
        const auto rowY = tables.RowY(i);
        const int64_t baseY = originY + i - sy;
        uint32_t* d = dest.PixelAt(x, y + i);
        for (int32_t j = 0; j < w; ++j) {
            int64_t relX = originX + j - sx + Offset<R>(colX[j], rowX);
            int64_t relY = baseY + Offset<R>(colY[j], rowY);
            if constexpr (kWrap) {
                relX = WrapInto(relX, sw);
                relY = WrapInto(relY, sh);
            } else {
                if (static_cast<uint64_t>(relX) >= static_cast<uint64_t>(sw) ||
                    static_cast<uint64_t>(relY) >= static_cast<uint64_t>(sh))
                    continue;
            }
            const uint32_t s = *source.PixelAt(sx + static_cast<int32_t>(relX), sy + static_cast<int32_t>(relY));
            uint32_t a = s >> 24;
            if constexpr (kOpacity) {
                a = (opacity * a) >> 8;
                if (a != 0) d[j] = pixel::LayOver(d[j], s, a);
            } else {
                if (a == 255) d[j] = s;
                else if (a != 0) d[j] = pixel::LayOver(d[j], s, a);
            }
        }
    }
}

// The opacity wrapper: 255 runs the full form, 0 draws nothing.
template <Rule R, bool kWrap, class Tables>
void RunWithOpacity(CSprite& dest, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
                    int32_t sy, int32_t sw, int32_t sh, int32_t ox, int32_t oy, const Tables& tables,
                    uint8_t opacity) {
    if (opacity == 0) return;
    if (opacity == 255)
        RunOffsetBlit<R, kWrap, false>(dest, x, y, w, h, source, sx, sy, sw, sh, ox, oy, tables, 255);
    else
        RunOffsetBlit<R, kWrap, true>(dest, x, y, w, h, source, sx, sy, sw, sh, ox, oy, tables, opacity);
}

template <class T>
EasedTables<T> MakeEased(T a0, T a1, uint32_t at, T b0, T b1, uint32_t bt, T c0, T c1, uint32_t ct, T d0, T d1,
                         uint32_t dt) noexcept {
    EasedTables<T> t;
    t.colXCurve = {a0, a1, at};
    t.colYCurve = {b0, b1, bt};
    t.rowXCurve = {c0, c1, ct};
    t.rowYCurve = {d0, d1, dt};
    return t;
}

}  // namespace

// ---- Given tables ----

#define OC_OFFSET_GIVEN_ARGS                                                                                        \
    int32_t x, int32_t y, int32_t w, int32_t h, const CSprite &source, int32_t sx, int32_t sy, int32_t sw,          \
        int32_t sh, int32_t ox, int32_t oy, const int32_t *colX, const int32_t *colY, const int32_t *rowX,          \
        const int32_t *rowY
#define OC_OFFSET_GIVEN_CALL x, y, w, h, source, sx, sy, sw, sh, ox, oy, GivenTables{colX, colY, rowX, rowY}

void CSprite::BlitOffsetProduct(OC_OFFSET_GIVEN_ARGS) {
    RunOffsetBlit<Rule::Product, false, false>(*this, OC_OFFSET_GIVEN_CALL, 255);
}
void CSprite::BlitOffsetProductOpacity(OC_OFFSET_GIVEN_ARGS, uint8_t opacity) {
    RunWithOpacity<Rule::Product, false>(*this, OC_OFFSET_GIVEN_CALL, opacity);
}
void CSprite::BlitOffsetProductWrap(OC_OFFSET_GIVEN_ARGS) {
    RunOffsetBlit<Rule::Product, true, false>(*this, OC_OFFSET_GIVEN_CALL, 255);
}
void CSprite::BlitOffsetProductWrapOpacity(OC_OFFSET_GIVEN_ARGS, uint8_t opacity) {
    RunWithOpacity<Rule::Product, true>(*this, OC_OFFSET_GIVEN_CALL, opacity);
}
void CSprite::BlitOffsetSum(OC_OFFSET_GIVEN_ARGS) {
    RunOffsetBlit<Rule::Sum, false, false>(*this, OC_OFFSET_GIVEN_CALL, 255);
}
void CSprite::BlitOffsetSumOpacity(OC_OFFSET_GIVEN_ARGS, uint8_t opacity) {
    RunWithOpacity<Rule::Sum, false>(*this, OC_OFFSET_GIVEN_CALL, opacity);
}
void CSprite::BlitOffsetSumWrap(OC_OFFSET_GIVEN_ARGS) {
    RunOffsetBlit<Rule::Sum, true, false>(*this, OC_OFFSET_GIVEN_CALL, 255);
}
void CSprite::BlitOffsetSumWrapOpacity(OC_OFFSET_GIVEN_ARGS, uint8_t opacity) {
    RunWithOpacity<Rule::Sum, true>(*this, OC_OFFSET_GIVEN_CALL, opacity);
}

// ---- Eased tables ----

#define OC_OFFSET_EASED_ARGS(T)                                                                                     \
    int32_t x, int32_t y, int32_t w, int32_t h, const CSprite &source, int32_t sx, int32_t sy, int32_t sw,          \
        int32_t sh, int32_t ox, int32_t oy, T colXStart, T colXEnd, uint32_t colXType, T colYStart, T colYEnd,      \
        uint32_t colYType, T rowXStart, T rowXEnd, uint32_t rowXType, T rowYStart, T rowYEnd, uint32_t rowYType
#define OC_OFFSET_EASED_CALL(make)                                                                                  \
    x, y, w, h, source, sx, sy, sw, sh, ox, oy,                                                                     \
        make(colXStart, colXEnd, colXType, colYStart, colYEnd, colYType, rowXStart, rowXEnd, rowXType, rowYStart,   \
             rowYEnd, rowYType)

void CSprite::BlitOffsetProductEased(OC_OFFSET_EASED_ARGS(int64_t)) {
    RunOffsetBlit<Rule::Product, false, false>(*this, OC_OFFSET_EASED_CALL(MakeEased<int64_t>), 255);
}
void CSprite::BlitOffsetProductEasedOpacity(OC_OFFSET_EASED_ARGS(int64_t), uint8_t opacity) {
    RunWithOpacity<Rule::Product, false>(*this, OC_OFFSET_EASED_CALL(MakeEased<int64_t>), opacity);
}
void CSprite::BlitOffsetProductEasedWrap(OC_OFFSET_EASED_ARGS(int64_t)) {
    RunOffsetBlit<Rule::Product, true, false>(*this, OC_OFFSET_EASED_CALL(MakeEased<int64_t>), 255);
}
void CSprite::BlitOffsetProductEasedWrapOpacity(OC_OFFSET_EASED_ARGS(int64_t), uint8_t opacity) {
    RunWithOpacity<Rule::Product, true>(*this, OC_OFFSET_EASED_CALL(MakeEased<int64_t>), opacity);
}
void CSprite::BlitOffsetSumEased(OC_OFFSET_EASED_ARGS(int32_t)) {
    RunOffsetBlit<Rule::Sum, false, false>(*this, OC_OFFSET_EASED_CALL(MakeEased<int32_t>), 255);
}
void CSprite::BlitOffsetSumEasedOpacity(OC_OFFSET_EASED_ARGS(int32_t), uint8_t opacity) {
    RunWithOpacity<Rule::Sum, false>(*this, OC_OFFSET_EASED_CALL(MakeEased<int32_t>), opacity);
}
void CSprite::BlitOffsetSumEasedWrap(OC_OFFSET_EASED_ARGS(int32_t)) {
    RunOffsetBlit<Rule::Sum, true, false>(*this, OC_OFFSET_EASED_CALL(MakeEased<int32_t>), 255);
}
void CSprite::BlitOffsetSumEasedWrapOpacity(OC_OFFSET_EASED_ARGS(int32_t), uint8_t opacity) {
    RunWithOpacity<Rule::Sum, true>(*this, OC_OFFSET_EASED_CALL(MakeEased<int32_t>), opacity);
}
