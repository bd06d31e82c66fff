// Offset-table blits: the sixteen members against DrawAlpha and against a
// reference that walks the caller's rectangle with the caller's tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "raster/filter/Easing.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

class OffsetBlitTest : public raster_test::ReadyLibraryTest {};

using raster_test::CopyPixels;
using raster_test::LayOver;
using raster_test::Make;
using raster_test::MakeRandom;
using raster_test::Pixels;

// Offsets of caller column j and row i (in the caller's rectangle).
using OffsetFn = std::function<int64_t(int32_t j, int32_t i)>;

int64_t Modulo(int64_t v, int64_t n) { return ((v % n) + n) % n; }

// Walks the caller's rectangle: destination (x + j, y + i) inside the clip
// rectangle takes source (ox + j + offX, oy + i + offY) within the source
// rectangle (clipped to the source's clip rectangle), skipped or wrapped.
void Reference(CSprite& dest, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& source, int32_t sx,
               int32_t sy, int32_t sw, int32_t sh, int32_t ox, int32_t oy, const OffsetFn& offX, const OffsetFn& offY,
               bool wrap, uint32_t opacity) {
    if (opacity == 0) return;
    const int32_t left = std::max(sx, source.GetClipLeft());
    const int32_t top = std::max(sy, source.GetClipTop());
    const int32_t right = std::min(sx + sw, source.GetClipRight());
    const int32_t bottom = std::min(sy + sh, source.GetClipBottom());
    if (right <= left || bottom <= top) return;
    for (int32_t i = 0; i < h; ++i) {
        for (int32_t j = 0; j < w; ++j) {
            const int32_t dx = x + j;
            const int32_t dy = y + i;
            if (dx < dest.GetClipLeft() || dx >= dest.GetClipRight() || dy < dest.GetClipTop() ||
                dy >= dest.GetClipBottom())
                continue;
            int64_t px = static_cast<int64_t>(ox) + j + offX(j, i);
            int64_t py = static_cast<int64_t>(oy) + i + offY(j, i);
            if (wrap) {
                px = left + Modulo(px - left, right - left);
                py = top + Modulo(py - top, bottom - top);
            } else if (px < left || px >= right || py < top || py >= bottom) {
                continue;
            }
            const uint32_t s = *source.PixelAt(static_cast<int32_t>(px), static_cast<int32_t>(py));
            uint32_t& d = *dest.PixelAt(dx, dy);
            uint32_t a = s >> 24;
            if (opacity == 255) {
                if (a == 255) d = s;
                else if (a != 0) d = LayOver(d, s, a);
            } else {
                a = (opacity * a) >> 8;
                if (a != 0) d = LayOver(d, s, a);
            }
        }
    }
}

// Caller's tables of w and h entries (exactly: a read past them is an ASan error).
struct Tables {
    std::vector<int32_t> colX, colY, rowX, rowY;
};

// Each given-table member as one callable: (dest, rect, source, source rect, origin, tables, opacity).
struct GivenMember {
    std::string name;
    bool product;
    bool wrap;
    std::function<void(CSprite&, int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t,
                       int32_t, int32_t, int32_t, const Tables&, uint8_t)>
        call;
};

std::vector<GivenMember> GivenMembers() {
#define OC_GIVEN(member, product, wrap)                                                                             \
    GivenMember{#member, product, wrap,                                                                             \
                [](CSprite& d, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& s, int32_t sx, int32_t sy, \
                   int32_t sw, int32_t sh, int32_t ox, int32_t oy, const Tables& t, uint8_t o) {                     \
                    if (o == 255)                                                                                   \
                        d.member(x, y, w, h, s, sx, sy, sw, sh, ox, oy, t.colX.data(), t.colY.data(),               \
                                 t.rowX.data(), t.rowY.data());                                                     \
                    else                                                                                            \
                        d.member##Opacity(x, y, w, h, s, sx, sy, sw, sh, ox, oy, t.colX.data(), t.colY.data(),      \
                                          t.rowX.data(), t.rowY.data(), o);                                         \
                }}
    return {OC_GIVEN(BlitOffsetProduct, true, false), OC_GIVEN(BlitOffsetProductWrap, true, true),
            OC_GIVEN(BlitOffsetSum, false, false), OC_GIVEN(BlitOffsetSumWrap, false, true)};
#undef OC_GIVEN
}

// (start, end, type) of one eased table.
struct EasedCurve {
    int64_t start, end;
    uint32_t type;
};

struct EasedMember {
    std::string name;
    bool product;
    bool wrap;
    std::function<void(CSprite&, int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t,
                       int32_t, int32_t, int32_t, const EasedCurve (&)[4], uint8_t)>
        call;
};

std::vector<EasedMember> EasedMembers() {
#define OC_EASED(member, product, wrap, T)                                                                          \
    EasedMember{#member, product, wrap,                                                                             \
                [](CSprite& d, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& s, int32_t sx, int32_t sy, \
                   int32_t sw, int32_t sh, int32_t ox, int32_t oy, const EasedCurve(&c)[4], uint8_t o) {                  \
                    if (o == 255)                                                                                   \
                        d.member(x, y, w, h, s, sx, sy, sw, sh, ox, oy, T(c[0].start), T(c[0].end), c[0].type,      \
                                 T(c[1].start), T(c[1].end), c[1].type, T(c[2].start), T(c[2].end), c[2].type,      \
                                 T(c[3].start), T(c[3].end), c[3].type);                                            \
                    else                                                                                            \
                        d.member##Opacity(x, y, w, h, s, sx, sy, sw, sh, ox, oy, T(c[0].start), T(c[0].end),        \
                                          c[0].type, T(c[1].start), T(c[1].end), c[1].type, T(c[2].start),          \
                                          T(c[2].end), c[2].type, T(c[3].start), T(c[3].end), c[3].type, o);        \
                }}
    return {OC_EASED(BlitOffsetProductEased, true, false, int64_t),
            OC_EASED(BlitOffsetProductEasedWrap, true, true, int64_t),
            OC_EASED(BlitOffsetSumEased, false, false, int32_t),
            OC_EASED(BlitOffsetSumEasedWrap, false, true, int32_t)};
#undef OC_EASED
}

// Every member, given and eased, bound to the tables it reads:
// (dest, rect, source, source rect, origin, opacity).
struct BoundMember {
    std::string name;
    std::function<void(CSprite&, int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t,
                       int32_t, int32_t, int32_t, uint8_t)>
        call;
};

std::vector<BoundMember> AllMembers(const Tables& tables, const EasedCurve (&curves)[4]) {
    std::vector<BoundMember> out;
    for (const GivenMember& m : GivenMembers())
        out.push_back({m.name, [&tables, call = m.call](CSprite& d, int32_t x, int32_t y, int32_t w, int32_t h,
                                                         const CSprite& s, int32_t sx, int32_t sy, int32_t sw,
                                                         int32_t sh, int32_t ox, int32_t oy, uint8_t o) {
                           call(d, x, y, w, h, s, sx, sy, sw, sh, ox, oy, tables, o);
                       }});
    for (const EasedMember& m : EasedMembers())
        out.push_back({m.name, [&curves, call = m.call](CSprite& d, int32_t x, int32_t y, int32_t w, int32_t h,
                                                         const CSprite& s, int32_t sx, int32_t sy, int32_t sw,
                                                         int32_t sh, int32_t ox, int32_t oy, uint8_t o) {
                           call(d, x, y, w, h, s, sx, sy, sw, sh, ox, oy, curves, o);
                       }});
    return out;
}

Tables ZeroTables(int32_t w, int32_t h) {
    return {std::vector<int32_t>(w, 0), std::vector<int32_t>(w, 0), std::vector<int32_t>(h, 0),
            std::vector<int32_t>(h, 0)};
}

// All tables zero (or flat curves at 0): every member is a plain source-over
// draw, the same pixels as DrawAlpha / DrawAlphaOpacity, at every opacity.
TEST_F(OffsetBlitTest, ZeroOffsetsDrawLikeDrawAlpha) {
    std::mt19937 rng(11);
    CSprite source, base;
    MakeRandom(source, 23, 17, rng);
    MakeRandom(base, 30, 26, rng);
    struct Case {
        int32_t x, y, w, h, sx, sy;
    };
    const Case cases[] = {{3, 4, 20, 13, 2, 3}, {-4, -3, 20, 15, 0, 0}, {12, 14, 23, 17, 0, 0}};
    const EasedCurve flat[4] = {{0, 0, 0}, {0, 0, 3}, {0, 0, 9}, {0, 0, 256}};
    for (const Case& c : cases) {
        const Tables zero = ZeroTables(c.w, c.h);
        for (uint8_t opacity : {uint8_t{255}, uint8_t{200}, uint8_t{1}}) {
            CSprite expected;
            CopyPixels(base, expected);
            if (opacity == 255) expected.DrawAlpha(c.x, c.y, source, c.sx, c.sy, c.w, c.h);
            else expected.DrawAlphaOpacity(c.x, c.y, source, c.sx, c.sy, c.w, c.h, opacity);
            // Skip forms with the source rectangle exactly the copied one; the
            // wrap forms never leave it at offset 0.
            const int32_t sw = std::min(c.w, source.GetWidth() - c.sx);
            const int32_t sh = std::min(c.h, source.GetHeight() - c.sy);
            for (const BoundMember& m : AllMembers(zero, flat)) {
                CSprite got;
                CopyPixels(base, got);
                m.call(got, c.x, c.y, c.w, c.h, source, c.sx, c.sy, sw, sh, c.sx, c.sy, opacity);
                EXPECT_EQ(Pixels(got), Pixels(expected)) << m.name << " opacity " << int(opacity) << " at " << c.x;
            }
        }
    }
}

// Nothing is drawn at opacity 0, whatever the tables, nor from an empty source
// rectangle (outside the source, or of size 0 or below), where a wrapping form
// returns instead of looping for ever.
TEST_F(OffsetBlitTest, NothingDrawn) {
    std::mt19937 rng(5);
    CSprite source, dest;
    MakeRandom(source, 8, 8, rng);
    MakeRandom(dest, 8, 8, rng);
    const auto before = Pixels(dest);
    const Tables t = ZeroTables(8, 8);
    const EasedCurve flat[4] = {};
    struct Case {
        const char* name;
        int32_t sx, sy, sw, sh;
        uint8_t opacity;
    };
    const Case cases[] = {{"opacity 0", 0, 0, 8, 8, 0},
                          {"source width 0", 0, 0, 0, 8, 255},
                          {"source height below 0", 0, 0, 8, -3, 255},
                          {"source rectangle right of the source", 10, 0, 4, 4, 255},
                          {"source rectangle above and left of the source", -8, -8, 5, 5, 255}};
    for (const Case& c : cases) {
        for (const BoundMember& m : AllMembers(t, flat))
            m.call(dest, 0, 0, 8, 8, source, c.sx, c.sy, c.sw, c.sh, 0, 0, c.opacity);
        EXPECT_EQ(Pixels(dest), before) << c.name;
    }
}

// Given tables of varied values, the caller's rectangle partly outside the
// destination (negative x and y, and a clip rectangle not at 0): every member
// and opacity equals the reference that reads the caller's tables at the
// caller's columns and rows.
TEST_F(OffsetBlitTest, GivenTablesMatchReferenceWithClippedEdges) {
    std::mt19937 rng(21);
    CSprite source, base;
    MakeRandom(source, 19, 15, rng);
    MakeRandom(base, 24, 20, rng);
    source.SetClipRect(1, 2, 18, 14);  // the source rectangle is cut by it too
    struct Case {
        const char* name;
        int32_t x, y, w, h;
        int32_t clipLeft, clipTop;
        int32_t sx, sy, sw, sh, ox, oy;
    };
    const Case cases[] = {
        {"inside", 2, 3, 15, 12, 0, 0, 0, 0, 19, 15, 1, 2},
        {"negative x, y", -5, -4, 20, 16, 0, 0, 2, 1, 14, 12, 3, -2},
        {"clip not at 0", 1, -2, 21, 18, 4, 3, 3, 3, 12, 9, 0, 0},
        {"rect beyond source", 0, 0, 24, 20, 0, 0, -6, -6, 40, 40, 5, 5},
    };
    for (const Case& c : cases) {
        Tables t;
        for (int32_t j = 0; j < c.w; ++j) {
            t.colX.push_back(static_cast<int32_t>(rng() % 13) - 6);
            t.colY.push_back(static_cast<int32_t>(rng() % 9) - 4);
        }
        for (int32_t i = 0; i < c.h; ++i) {
            t.rowX.push_back(static_cast<int32_t>(rng() % 11) - 5);
            t.rowY.push_back(static_cast<int32_t>(rng() % 7) - 3);
        }
        for (const GivenMember& m : GivenMembers()) {
            // Product factors: column entries in whole pixels x 65536, row
            // entries around 1.0, so the products are small, varied offsets.
            Tables use = t;
            if (m.product) {
                for (auto& v : use.colX) v *= 65536;
                for (auto& v : use.colY) v *= 65536;
                for (auto& v : use.rowX) v = 65536 + v * 9000;
                for (auto& v : use.rowY) v = 65536 + v * 9000;
            }
            const OffsetFn offX = [&](int32_t j, int32_t i) -> int64_t {
                if (m.product) return (static_cast<int64_t>(use.colX[j]) * use.rowX[i]) >> 32;
                return static_cast<int64_t>(use.colX[j]) + use.rowX[i];
            };
            const OffsetFn offY = [&](int32_t j, int32_t i) -> int64_t {
                if (m.product) return (static_cast<int64_t>(use.colY[j]) * use.rowY[i]) >> 32;
                return static_cast<int64_t>(use.colY[j]) + use.rowY[i];
            };
            for (uint8_t opacity : {uint8_t{255}, uint8_t{130}}) {
                CSprite got, want;
                CopyPixels(base, got);
                CopyPixels(base, want);
                got.SetClipRect(c.clipLeft, c.clipTop, 24, 20);
                want.SetClipRect(c.clipLeft, c.clipTop, 24, 20);
                m.call(got, c.x, c.y, c.w, c.h, source, c.sx, c.sy, c.sw, c.sh, c.ox, c.oy, use, opacity);
                Reference(want, c.x, c.y, c.w, c.h, source, c.sx, c.sy, c.sw, c.sh, c.ox, c.oy, offX, offY, m.wrap,
                          opacity);
                EXPECT_EQ(Pixels(got), Pixels(want)) << m.name << " / " << c.name << " opacity " << int(opacity);
            }
        }
    }
}

// The known displacements: colX 65536 x rowX 655360 moves by 10 columns; a
// wrapped offset of exactly sw (or any multiple, far outside, either sign)
// reads what offset 0 (or the remainder) reads.
TEST_F(OffsetBlitTest, KnownDisplacements) {
    std::mt19937 rng(3);
    CSprite source;
    Make(source, 32, 6);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 32; ++x) *source.PixelAt(x, y) = 0xFF000000u | static_cast<uint32_t>(y << 8 | x);

    {  // product: 1.0 x 10.0 = 10 pixels to the right in the source
        CSprite dest;
        Make(dest, 32, 6);
        Tables t = ZeroTables(32, 6);
        std::fill(t.colX.begin(), t.colX.end(), 65536);
        std::fill(t.rowX.begin(), t.rowX.end(), 655360);
        dest.BlitOffsetProduct(0, 0, 32, 6, source, 0, 0, 32, 6, 0, 0, t.colX.data(), t.colY.data(), t.rowX.data(),
                               t.rowY.data());
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 32; ++x)
                EXPECT_EQ(*dest.PixelAt(x, y), x + 10 < 32 ? *source.PixelAt(x + 10, y) : 0u) << x << "," << y;
    }

    struct WrapCase {
        const char* name;
        int32_t colX, rowY;  // sum offsets
        int32_t equivalentX, equivalentY;
    };
    const int32_t sw = 20, sh = 5;  // source rectangle (4, 1, 20, 5)
    const WrapCase cases[] = {
        {"exactly sw", sw, 0, 0, 0},
        {"minus sw, plus sh", -sw, sh, 0, 0},
        {"far right", 1000 * sw + 3, 0, 3, 0},
        {"far left", -1000 * sw - 1, -7 * sh - 2, sw - 1, sh - 2},
        {"extremes", INT32_MAX, INT32_MIN, INT32_MAX % sw, static_cast<int32_t>(Modulo(INT32_MIN, sh))},
    };
    for (const WrapCase& c : cases) {
        CSprite got, want;
        Make(got, 20, 5);
        Make(want, 20, 5);
        Tables far = ZeroTables(20, 5), near = ZeroTables(20, 5);
        std::fill(far.colX.begin(), far.colX.end(), c.colX);
        std::fill(far.rowY.begin(), far.rowY.end(), c.rowY);
        std::fill(near.colX.begin(), near.colX.end(), c.equivalentX);
        std::fill(near.rowY.begin(), near.rowY.end(), c.equivalentY);
        got.BlitOffsetSumWrap(0, 0, 20, 5, source, 4, 1, sw, sh, 4, 1, far.colX.data(), far.colY.data(),
                              far.rowX.data(), far.rowY.data());
        want.BlitOffsetSumWrap(0, 0, 20, 5, source, 4, 1, sw, sh, 4, 1, near.colX.data(), near.colY.data(),
                               near.rowX.data(), near.rowY.data());
        EXPECT_EQ(Pixels(got), Pixels(want)) << c.name;
        // The remainder form itself: column j shows source column 4 + (j + rem) mod sw.
        EXPECT_EQ(*got.PixelAt(0, 0), *source.PixelAt(4 + c.equivalentX % sw, 1 + c.equivalentY % sh)) << c.name;
    }

    {  // product wrap: sw x 65536 times 1.0 is exactly sw
        CSprite got, want;
        Make(got, 20, 5);
        Make(want, 20, 5);
        Tables t = ZeroTables(20, 5);
        std::fill(t.colX.begin(), t.colX.end(), sw * 65536);
        std::fill(t.rowX.begin(), t.rowX.end(), 65536);
        const Tables zero = ZeroTables(20, 5);
        got.BlitOffsetProductWrap(0, 0, 20, 5, source, 4, 1, sw, sh, 4, 1, t.colX.data(), t.colY.data(),
                                  t.rowX.data(), t.rowY.data());
        want.BlitOffsetProductWrap(0, 0, 20, 5, source, 4, 1, sw, sh, 4, 1, zero.colX.data(), zero.colY.data(),
                                   zero.rowX.data(), zero.rowY.data());
        EXPECT_EQ(Pixels(got), Pixels(want));
    }
}

// Eased forms equal the reference fed with tables built here by EaseValue
// (sum forms, 32-bit) and EaseValue64 (product forms, 64-bit) over the clipped
// rectangle; the curves start at the clipped edge, only ox/oy follow it.
TEST_F(OffsetBlitTest, EasedFormsMatchTablesBuiltWithEaseValue) {
    std::mt19937 rng(34);
    CSprite source, base;
    MakeRandom(source, 40, 30, rng);
    MakeRandom(base, 36, 28, rng);
    struct Case {
        const char* name;
        int32_t x, y, w, h;
    };
    const Case cases[] = {{"inside", 2, 3, 30, 22}, {"negative x, y", -4, -6, 34, 30}};
    for (const Case& c : cases) {
        int32_t cx = c.x, cy = c.y, cw = c.w, ch = c.h;
        base.ClipRect(cx, cy, cw, ch);
        const int32_t skipX = cx - c.x, skipY = cy - c.y;
        for (const EasedMember& m : EasedMembers()) {
            // Sum forms: whole-pixel waves; product forms: 16.16 factors whose
            // products need the full 64 bits before the shift.
            const EasedCurve sumCurves[4] = {{-3, 5, 10}, {4, -2, 6}, {2, -6, 0x20100}, {-1, 3, 1}};
            // Column factors beyond 32 bits times tiny row factors.
            const EasedCurve productCurves[4] = {{int64_t{5} << 31, -(int64_t{3} << 31), 9},
                                            {-(int64_t{3} << 31), int64_t{3} << 31, 2},
                                            {2, 8, 5},
                                            {1, 4, 0x30101}};
            const EasedCurve(&curves)[4] = m.product ? productCurves : sumCurves;
            auto entry = [&](const EasedCurve& k, int32_t t, int32_t n) -> int64_t {
                if (m.product) return k.start + EaseValue64(k.type, t, n, k.end - k.start);
                return static_cast<int32_t>(k.start) +
                       EaseValue(k.type, t, n, static_cast<int32_t>(k.end - k.start));
            };
            auto offset = [&](const EasedCurve& col, const EasedCurve& row, int32_t j, int32_t i) -> int64_t {
                const int64_t a = entry(col, j - skipX, cw);
                const int64_t b = entry(row, i - skipY, ch);
                if (!m.product) return a + b;
                __extension__ typedef __int128 Wide;
                return static_cast<int64_t>((static_cast<Wide>(a) * b) >> 32);
            };
            const OffsetFn offX = [&](int32_t j, int32_t i) { return offset(curves[0], curves[2], j, i); };
            const OffsetFn offY = [&](int32_t j, int32_t i) { return offset(curves[1], curves[3], j, i); };
            for (uint8_t opacity : {uint8_t{255}, uint8_t{77}}) {
                CSprite got, want;
                CopyPixels(base, got);
                CopyPixels(base, want);
                m.call(got, c.x, c.y, c.w, c.h, source, 2, 1, 35, 27, 5, 2, curves, opacity);
                Reference(want, c.x, c.y, c.w, c.h, source, 2, 1, 35, 27, 5, 2, offX, offY, m.wrap, opacity);
                EXPECT_EQ(Pixels(got), Pixels(want)) << m.name << " / " << c.name << " opacity " << int(opacity);
            }
        }
    }
}

// The eased column tables live in the shared scratch block: it grows to the
// 8 or 16 bytes per column the call needs and a later, smaller call keeps it.
TEST_F(OffsetBlitTest, EasedFormsUseTheSharedScratchBlock) {
    raster_test::ResetRasterScratch();
    CSprite source, dest;
    Make(source, 50, 4);
    Make(dest, 50, 4);
    dest.BlitOffsetSumEased(0, 0, 50, 4, source, 0, 0, 50, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(RasterScratchBlock().GetCount(), 50u * 8);
    dest.BlitOffsetProductEased(0, 0, 50, 4, source, 0, 0, 50, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(RasterScratchBlock().GetCount(), 50u * 16);
    dest.BlitOffsetSumEased(0, 0, 10, 4, source, 0, 0, 50, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(RasterScratchBlock().GetCount(), 50u * 16);
    raster_test::ResetRasterScratch();
}

}  // namespace
