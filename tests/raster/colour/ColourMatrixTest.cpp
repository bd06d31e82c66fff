// Colour matrices: the compaction trees and packed layouts, the opacity
// folding with its worked values, and every kernel (18 shapes x 4 forms)
// against a 64-bit reference model of the per-pixel rule, on random pixels,
// rectangles partly outside the clip rectangle and masks smaller than the
// rectangle. The in-place shortcuts by their worked values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "raster/colour/ColourMatrix.h"
#include "tests/raster/RasterTestSupport.h"

namespace colour_matrix_test {

using raster_test::Filled;
using raster_test::Pixels;

using InPlaceFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const int32_t*);
using MaskedFn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const int32_t*, uint32_t, const CSprite&,
                                   int32_t, int32_t);
using DrawFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, const int32_t*);
using DrawMaskedFn = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t,
                                       const int32_t*, uint32_t, const CSprite&, int32_t, int32_t);

// One packed shape as the layout tables give it: positions in the full
// matrix in packed order, and the packed positions of the own-channel
// coefficients and of the constants.
struct ShapeCase {
    const char* label;
    bool extended;
    int32_t rows;
    std::vector<int> indices;
    std::vector<int> own;
    std::vector<int> constants;
    InPlaceFn inPlace;
    MaskedFn masked;
    DrawFn draw;
    DrawMaskedFn drawMasked;
};

std::vector<int> Range(std::initializer_list<std::pair<int, int>> spans) {
    std::vector<int> out;
    for (const auto& [first, last] : spans)
        for (int i = first; i <= last; ++i) out.push_back(i);
    return out;
}

#define SIMPLE(L)                                                                                     \
    &CSprite::ApplyColorMatrix##L, &CSprite::ApplyColorMatrixMasked##L, &CSprite::DrawColorMatrix##L, \
        &CSprite::DrawColorMatrixMasked##L
#define EXTENDED(L)                                                                                         \
    &CSprite::ApplyColorExMatrix##L, &CSprite::ApplyColorExMatrixMasked##L, &CSprite::DrawColorExMatrix##L, \
        &CSprite::DrawColorExMatrixMasked##L

const std::vector<ShapeCase>& Shapes() {
    static const std::vector<ShapeCase> shapes = {
        {"3x1", false, 3, {0, 6, 12}, {0, 1, 2}, {}, SIMPLE(3x1)},
        {"3x2", false, 3, {0, 4, 6, 9, 12, 14}, {0, 2, 4}, {1, 3, 5}, SIMPLE(3x2)},
        {"3x3", false, 3, {0, 1, 2, 5, 6, 7, 10, 11, 12}, {0, 4, 8}, {}, SIMPLE(3x3)},
        {"3x4", false, 3, {0, 1, 2, 4, 5, 6, 7, 9, 10, 11, 12, 14}, {0, 5, 10}, {3, 7, 11}, SIMPLE(3x4)},
        {"3x5", false, 3, Range({{0, 14}}), {0, 6, 12}, {4, 9, 14}, SIMPLE(3x5)},
        {"4x1", false, 4, {0, 6, 12, 18}, {0, 1, 2, 3}, {}, SIMPLE(4x1)},
        {"4x2", false, 4, {0, 4, 6, 9, 12, 14, 18, 19}, {0, 2, 4, 6}, {1, 3, 5, 7}, SIMPLE(4x2)},
        {"4x4", false, 4, Range({{0, 3}, {5, 8}, {10, 13}, {15, 18}}), {0, 5, 10, 15}, {}, SIMPLE(4x4)},
        {"4x5", false, 4, Range({{0, 19}}), {0, 6, 12, 18}, {4, 9, 14, 19}, SIMPLE(4x5)},
        {"ex3x2", true, 3, {0, 1, 11, 12, 22, 23}, {0, 2, 4}, {}, EXTENDED(3x2)},
        {"ex3x3", true, 3, {0, 1, 8, 11, 12, 17, 22, 23, 26}, {0, 3, 6}, {2, 5, 8}, EXTENDED(3x3)},
        {"ex3x6", true, 3, Range({{0, 5}, {9, 14}, {18, 23}}), {0, 8, 16}, {}, EXTENDED(3x6)},
        {"ex3x7", true, 3, Range({{0, 5}, {8, 14}, {17, 23}, {26, 26}}), {0, 9, 18}, {6, 13, 20}, EXTENDED(3x7)},
        {"ex3x9", true, 3, Range({{0, 26}}), {0, 11, 22}, {8, 17, 26}, EXTENDED(3x9)},
        {"ex4x2", true, 4, {0, 1, 11, 12, 22, 23, 33, 34}, {0, 2, 4, 6}, {}, EXTENDED(4x2)},
        {"ex4x3", true, 4, {0, 1, 8, 11, 12, 17, 22, 23, 26, 33, 34, 35}, {0, 3, 6, 9}, {2, 5, 8, 11}, EXTENDED(4x3)},
        {"ex4x8", true, 4, Range({{0, 7}, {9, 16}, {18, 25}, {27, 34}}), {0, 10, 20, 30}, {}, EXTENDED(4x8)},
        {"ex4x9", true, 4, Range({{0, 35}}), {0, 11, 22, 33}, {8, 17, 26, 35}, EXTENDED(4x9)},
    };
    return shapes;
}
#undef SIMPLE
#undef EXTENDED

int32_t Count(const ShapeCase& s) { return static_cast<int32_t>(s.indices.size()); }

// The full 36-coefficient extended matrix that a packed matrix stands for
// (a simple column c is extended column 2c); rows the shape lacks stay 0.
std::vector<int64_t> Unpack(const ShapeCase& s, const int32_t* packed) {
    std::vector<int64_t> full(36, 0);
    for (size_t k = 0; k < s.indices.size(); ++k) {
        const int i = s.indices[k];
        full[s.extended ? i : (i / 5) * 9 + 2 * (i % 5)] = packed[k];
    }
    return full;
}

// The per-pixel rule with every sum in 64 bits.
uint32_t Reference(const ShapeCase& s, const std::vector<int64_t>& full, uint32_t p) {
    const int64_t v[4] = {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF, p >> 24};
    int64_t out[4];
    for (int r = 0; r < 4; ++r) {
        int64_t sum = full[9 * r + 8];
        for (int j = 0; j < 4; ++j) sum += full[9 * r + 2 * j] * v[j] + full[9 * r + 2 * j + 1] * (255 - v[j]);
        const int64_t q = sum / 65536;
        out[r] = q < 0 ? 0 : q > 255 ? 255 : q;
    }
    if (s.rows == 3) out[3] = v[3];
    return static_cast<uint32_t>(out[3] << 24 | out[0] << 16 | out[1] << 8 | out[2]);
}

// ---- Compaction ----

// For every shape: a matrix whose non-zero coefficients are exactly the
// shape's positions (plus the identity A row for three-row shapes) packs to
// that shape, in the layout's order, by the compaction of its family.
TEST(ColourMatrixCompact, EveryShapeFromItsZeroPattern) {
    std::mt19937 rng(7);
    for (const ShapeCase& s : Shapes()) {
        std::vector<int32_t> full(s.extended ? 36 : 20, 0);
        if (s.rows == 3) full[s.extended ? 33 : 18] = 0x10000;
        std::vector<int32_t> expected;
        for (const int i : s.indices) {
            const int32_t v = static_cast<int32_t>(rng() % 0x40000) + 1;
            full[i] = v;
            expected.push_back(v);
        }
        std::vector<int32_t> out(37, 0x5A5A5A5A);
        const int32_t n = s.extended ? ColorExMatrix::Compact(full.data(), out.data())
                                     : ColorMatrix::Compact(full.data(), out.data());
        ASSERT_EQ(n, Count(s)) << s.label;
        EXPECT_EQ(std::vector<int32_t>(out.begin(), out.begin() + n), expected) << s.label;
        EXPECT_EQ(out[n], 0x5A5A5A5A) << s.label << ": wrote beyond the count";
    }
}

struct CompactCase {
    const char* what;
    std::vector<std::pair<int, int32_t>> extended;  // non-zero entries of the 4 x 9 matrix
    int32_t simpleCount;                            // CompactSimpleForm (0: refused)
    int32_t extendedCount;                          // ColorExMatrix::Compact
    std::vector<int32_t> packed;                    // what the renderer's path packs
};

TEST(ColourMatrixCompact, Cases) {
    const CompactCase cases[] = {
        {"identity", {{0, 0x10000}, {11, 0x10000}, {22, 0x10000}, {33, 0x10000}}, 3, 6, {0x10000, 0x10000, 0x10000}},
        {"all zero", {}, 4, 8, {0, 0, 0, 0}},
        {"A row constant",
         {{0, 0x10000}, {11, 0x10000}, {22, 0x10000}, {33, 0x10000}, {35, 0x50000}},
         8,
         12,
         {0x10000, 0, 0x10000, 0, 0x10000, 0, 0x10000, 0x50000}},
        {"A diagonal 0x10001",
         {{0, 0x10000}, {11, 0x10000}, {22, 0x10000}, {33, 0x10001}},
         4,
         8,
         {0x10000, 0x10000, 0x10000, 0x10001}},
        {"R reads alpha",
         {{0, 0x10000}, {6, 0x100}, {11, 0x10000}, {22, 0x10000}, {33, 0x10000}},
         15,
         27,
         {0x10000, 0, 0, 0x100, 0, 0, 0x10000, 0, 0, 0, 0, 0, 0x10000, 0, 0}},
        {"complement only, A identity", {{1, 0x1234}, {33, 0x10000}}, 0, 6, {0, 0x1234, 0, 0, 0, 0}},
        {"complement only", {{1, 0x1234}}, 0, 8, {0, 0x1234, 0, 0, 0, 0, 0, 0}},
        {"own complement in 4 rows", {{0, 0x20000}, {1, -5}, {33, 7}, {34, 9}}, 0, 8, {0x20000, -5, 0, 0, 0, 0, 7, 9}},
        {"alpha complement column", {{7, 3}, {33, 0x10000}}, 0, 27, {}},
        {"cross term plus constant",
         {{0, 1}, {2, 1}, {33, 0x10000}, {26, -1}},
         12,
         21,
         {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1}},
    };
    for (const CompactCase& c : cases) {
        int32_t full[36] = {};
        for (const auto& [i, v] : c.extended) full[i] = v;
        int32_t simple[36];
        std::fill(std::begin(simple), std::end(simple), 0x77);
        int32_t extended[36];
        EXPECT_EQ(ColorMatrix::CompactSimpleForm(full, simple), c.simpleCount) << c.what;
        EXPECT_EQ(ColorExMatrix::Compact(full, extended), c.extendedCount) << c.what;
        if (c.simpleCount == 0) {
            EXPECT_EQ(simple[0], 0x77) << c.what << ": a refused matrix touched the buffer";
            if (!c.packed.empty()) {
                EXPECT_EQ(std::vector<int32_t>(extended, extended + c.extendedCount), c.packed) << c.what;
            }
        } else {
            EXPECT_EQ(std::vector<int32_t>(simple, simple + c.simpleCount), c.packed) << c.what;
        }
    }
}

// ---- Opacity folding ----

TEST(ColourMatrixOpacity, WorkedValues) {
    // Simple 3x4: RR, RG, RB, RK, GR, GG, GB, GK, BR, BG, BB, BK.
    int32_t m[12] = {0x10000, 0x10000, 0, 0xFF0000, 0, 0, 0, 0x1234F, 0, 0, 0, -0x1234F};
    ColorMatrix::ApplyOpacity(m, 12, 128);
    EXPECT_EQ(m[0], 0x10000);   // own 1.0 stays
    EXPECT_EQ(m[1], 0x8100);    // cross 1.0 x 129 / 256
    EXPECT_EQ(m[3], 0x807F00);  // constant: 0xFF00 x 129
    EXPECT_EQ(m[5], 0x7F00);    // own 0 moves toward 1.0
    int32_t k[12] = {0, 0, 0, 0x1234F, 0, 0, 0, -0x1234F, 0, 0, 0, 0};
    ColorMatrix::ApplyOpacity(k, 12, 255);
    EXPECT_EQ(k[3], 0x12300);
    EXPECT_EQ(k[7], -0x12300);  // truncated toward zero
    int32_t high[12] = {0, 0, 0, 0x1234F, 0, 0, 0, -0x1234F, 0, 0, 0, 0};
    ColorMatrix::ApplyOpacity(high, 12, 0x1FF);  // only the low byte counts
    EXPECT_EQ(std::vector<int32_t>(high, high + 12), std::vector<int32_t>(k, k + 12));
    // A channel coefficient of 256.0 would wrap in 32-bit products.
    int32_t big[6] = {0x10000, 0x1000000, 0x10000, 0, 0x10000, 0};
    ColorExMatrix::ApplyOpacity(big, 6, 128);
    EXPECT_EQ(big[1], 0x810000);
    int32_t huge[3] = {0x7FFFFFFF, -0x7FFFFFFF - 1, 0x40000000};
    ColorMatrix::ApplyOpacity(huge, 3, 100);
    EXPECT_EQ(huge[0], static_cast<int32_t>((int64_t{0x7FFFFFFF} * 100) / 256 + 156 * 256));
    EXPECT_EQ(huge[1], static_cast<int32_t>((int64_t{-0x80000000LL} * 100) / 256 + 156 * 256));
}

// Opacity 0 gives the identity of every shape's rows; the class of each
// position (own, constant, other) shows at opacity 64 (w = 64).
TEST(ColourMatrixOpacity, EveryShapeByPositionClass) {
    std::mt19937 rng(3);
    for (const ShapeCase& s : Shapes()) {
        const int32_t n = Count(s);
        std::vector<int32_t> m(n), zero, quarter;
        for (int32_t& v : m) v = static_cast<int32_t>(rng() % 0x200000) - 0x100000;
        zero = quarter = m;
        auto fold = [&](std::vector<int32_t>& v, uint32_t a) {
            if (s.extended)
                ColorExMatrix::ApplyOpacity(v.data(), n, a);
            else
                ColorMatrix::ApplyOpacity(v.data(), n, a);
        };
        fold(zero, 0);
        fold(quarter, 64);
        for (int32_t k = 0; k < n; ++k) {
            const bool own = std::find(s.own.begin(), s.own.end(), k) != s.own.end();
            const bool constant = std::find(s.constants.begin(), s.constants.end(), k) != s.constants.end();
            EXPECT_EQ(zero[k], own ? 0x10000 : 0) << s.label << " position " << k;
            const int32_t expected = constant ? (m[k] / 256) * 64
                                     : own    ? (m[k] * 64) / 256 + 192 * 256
                                              : (m[k] * 64) / 256;
            EXPECT_EQ(quarter[k], expected) << s.label << " position " << k;
        }
    }
    for (const int32_t count : {5, 7, 40}) {
        std::vector<int32_t> m(40, 0x12345), before = m;
        ColorMatrix::ApplyOpacity(m.data(), count, 0);
        ColorExMatrix::ApplyOpacity(m.data(), count, 0);
        EXPECT_EQ(m, before) << count;
    }
}

// ---- Kernels against the reference model ----

class ColourMatrixKernels : public raster_test::ReadyLibraryTest {};

// Random coefficients, one in every packed shape negative so that no
// in-place shortcut applies; a wide range checks the 64-bit sums.
std::vector<int32_t> RandomPacked(const ShapeCase& s, std::mt19937& rng, bool wide) {
    std::vector<int32_t> m(Count(s));
    for (int32_t& v : m) v = wide ? static_cast<int32_t>(rng()) : static_cast<int32_t>(rng() % 0x40000) - 0x20000;
    m[0] = -std::abs(m[0] / 2) - 1;
    return m;
}

TEST_F(ColourMatrixKernels, EveryFormMatchesTheReference) {
    std::mt19937 rng(11);
    constexpr uint32_t kKey = 0x80FF00FFu;
    for (const ShapeCase& s : Shapes()) {
        for (int trial = 0; trial < 12; ++trial) {
            const std::vector<int32_t> m = RandomPacked(s, rng, trial % 4 == 3);
            const std::vector<int64_t> full = Unpack(s, m.data());
            CSprite dest, source, mask;
            raster_test::MakeRandom(dest, 13, 11, rng);
            raster_test::MakeRandom(source, 9, 10, rng);
            raster_test::Make(mask, 8, 7);
            raster_test::Paint(mask, [&](int32_t, int32_t) {
                const uint32_t r = rng() % 3;
                return r == 0 ? kKey : r == 1 ? (kKey ^ 0x01000000u) : static_cast<uint32_t>(rng());
            });
            dest.SetClipRect(1, 2, 12, 10);
            const int32_t x = static_cast<int32_t>(rng() % 9) - 3, y = static_cast<int32_t>(rng() % 9) - 3;
            const int32_t w = static_cast<int32_t>(rng() % 16), h = static_cast<int32_t>(rng() % 14);
            const int32_t sx = static_cast<int32_t>(rng() % 7) - 2, sy = static_cast<int32_t>(rng() % 7) - 2;
            const int32_t mx = static_cast<int32_t>(rng() % 7) - 2, my = static_cast<int32_t>(rng() % 7) - 2;
            const std::vector<uint32_t> before = Pixels(dest);
            // Which destination pixels the form touches, and from which input.
            auto expect = [&](bool fromSource, bool masked) {
                std::vector<uint32_t> out = before;
                for (int32_t Y = 2; Y < 10; ++Y)
                    for (int32_t X = 1; X < 12; ++X) {
                        const int32_t i = X - x, j = Y - y;
                        if (i < 0 || j < 0 || i >= w || j >= h) continue;
                        if (fromSource && (sx + i < 0 || sy + j < 0 || sx + i >= 9 || sy + j >= 10)) continue;
                        if (masked) {
                            if (mx + i < 0 || my + j < 0 || mx + i >= 8 || my + j >= 7) continue;
                            if (*mask.PixelAt(mx + i, my + j) != kKey) continue;
                        }
                        uint32_t& d = out[static_cast<size_t>(Y) * 13 + X];
                        d = Reference(s, full, fromSource ? *source.PixelAt(sx + i, sy + j) : d);
                    }
                return out;
            };
            const std::string what = std::string(s.label) + " trial " + std::to_string(trial);
            (dest.*s.inPlace)(x, y, w, h, m.data());
            EXPECT_EQ(Pixels(dest), expect(false, false)) << what << " in place";
            raster_test::Load(dest, before);
            (dest.*s.masked)(x, y, w, h, m.data(), kKey, mask, mx, my);
            EXPECT_EQ(Pixels(dest), expect(false, true)) << what << " masked";
            raster_test::Load(dest, before);
            (dest.*s.draw)(x, y, source, sx, sy, w, h, m.data());
            EXPECT_EQ(Pixels(dest), expect(true, false)) << what << " from source";
            raster_test::Load(dest, before);
            (dest.*s.drawMasked)(x, y, source, sx, sy, w, h, m.data(), kKey, mask, mx, my);
            EXPECT_EQ(Pixels(dest), expect(true, true)) << what << " masked from source";
            // The dispatchers reach the same kernels by count.
            raster_test::Load(dest, before);
            if (s.extended)
                dest.ApplyColorExMatrixMasked(x, y, w, h, m.data(), Count(s), kKey, mask, mx, my);
            else
                dest.ApplyColorMatrixMasked(x, y, w, h, m.data(), Count(s), kKey, mask, mx, my);
            EXPECT_EQ(Pixels(dest), expect(false, true)) << what << " masked dispatcher";
            raster_test::Load(dest, before);
            if (s.extended)
                dest.ApplyColorExMatrix(x, y, w, h, m.data(), Count(s));
            else
                dest.ApplyColorMatrix(x, y, w, h, m.data(), Count(s));
            EXPECT_EQ(Pixels(dest), expect(false, false)) << what << " dispatcher";
        }
    }
}

// The worked values of the per-pixel rule and of the in-place shortcuts,
// on a one-pixel sprite: in place and masked (the masked form always takes
// the per-pixel rule).
TEST_F(ColourMatrixKernels, ShortcutsAndWorkedValues) {
    struct Case {
        const char* what;
        bool extended;
        std::vector<int32_t> packed;
        uint32_t pixel, inPlace, masked;
    };
    const Case cases[] = {
        {"identity", false, {0x10000, 0x10000, 0x10000}, 0x80123456, 0x80123456, 0x80123456},
        {"negative R", false, {-0x10000, 0x10000, 0x10000}, 0x80FF3456, 0x80003456, 0x80003456},
        {"0x80FF scale", false, {0x80FF, 0x80FF, 0x80FF}, 0x11FFFFFF, 0x117F7F7F, 0x11808080},
        {"half mix 3x3", false, {0x8000, 0x8000, 0, 0, 0x10000, 0, 0, 0, 0x10000}, 0xFFFF8000, 0xFFBF8000, 0xFFBF8000},
        {"offset -1.5",
         false,
         {0x10000, -0x18000, 0x10000, -0x18000, 0x10000, -0x18000},
         0x40800001,
         0x407F0000,
         0x407E0000},
        {"4x2 add",
         false,
         {0x10000, 0x20000, 0x10000, -0x30000, 0x10000, 0, 0x10000, 0x7FFF0000},
         0x10FE0201,
         0xFFFF0001,
         0xFFFF0001},
        {"4x2 alpha add",
         false,
         {0x10000, 0, 0x10000, 0, 0x10000, 0, 0x10000, -0x50000},
         0x03123456,
         0x00123456,
         0x00123456},
        {"4x1 channels", false, {0x8000, 0x10000, 0x20000, 0x4000}, 0x80808080, 0x204080FF, 0x204080FF},
        {"ex invert", true, {0, 0x10000, 0, 0x10000, 0, 0x10000}, 0xFFFF8000, 0xFF007FFF, 0xFF007FFF},
        {"ex saturate", true, {0, 0xFF0000, 0, 0xFF0000, 0, 0xFF0000}, 0xFFFF8000, 0xFF00FFFF, 0xFF00FFFF},
        {"ex 4x2 alpha complement",
         true,
         {0x10000, 0, 0x10000, 0, 0x10000, 0, 0, 0x10000},
         0x40123456,
         0xBF123456,
         0xBF123456},
        {"ex 4x2 all complements",
         true,
         {0, 0x10000, 0, 0x8000, 0, 0x20000, 0, 0x10000},
         0x40806010,
         0xBF7F4FFF,
         0xBF7F4FFF},
    };
    const CSprite mask = Filled(1, 1, 0xFF000001u);
    for (const Case& c : cases) {
        const int32_t n = static_cast<int32_t>(c.packed.size());
        CSprite d = Filled(1, 1, c.pixel);
        if (c.extended)
            d.ApplyColorExMatrix(0, 0, 1, 1, c.packed.data(), n);
        else
            d.ApplyColorMatrix(0, 0, 1, 1, c.packed.data(), n);
        EXPECT_EQ(*d.PixelAt(0, 0), c.inPlace) << c.what << " in place";
        *d.PixelAt(0, 0) = c.pixel;
        if (c.extended)
            d.ApplyColorExMatrixMasked(0, 0, 1, 1, c.packed.data(), n, 0xFF000001u, mask, 0, 0);
        else
            d.ApplyColorMatrixMasked(0, 0, 1, 1, c.packed.data(), n, 0xFF000001u, mask, 0, 0);
        EXPECT_EQ(*d.PixelAt(0, 0), c.masked) << c.what << " masked";
        // A mask differing from the key only in alpha leaves the pixel alone.
        *d.PixelAt(0, 0) = c.pixel;
        if (c.extended)
            d.ApplyColorExMatrixMasked(0, 0, 1, 1, c.packed.data(), n, 0x01000001u, mask, 0, 0);
        else
            d.ApplyColorMatrixMasked(0, 0, 1, 1, c.packed.data(), n, 0x01000001u, mask, 0, 0);
        EXPECT_EQ(*d.PixelAt(0, 0), c.pixel) << c.what << " other key";
    }
}

TEST_F(ColourMatrixKernels, DispatchersDoNothingForOtherCountsOrWhenNotReady) {
    const int32_t m[36] = {};  // would turn every pixel transparent black
    const CSprite mask = Filled(2, 2, 0);
    CSprite d = Filled(2, 2, 0x80402010u);
    for (const int32_t count : {0, 5, 7, 10, 18, 36}) d.ApplyColorMatrix(0, 0, 2, 2, m, count);
    for (const int32_t count : {0, 3, 4, 15, 16, 20}) d.ApplyColorExMatrix(0, 0, 2, 2, m, count);
    d.ApplyColorMatrixMasked(0, 0, 2, 2, m, 27, 0, mask, 0, 0);
    d.ApplyColorExMatrixMasked(0, 0, 2, 2, m, 15, 0, mask, 0, 0);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(4, 0x80402010u));
    raster_test::ResetRasterLibrary();
    ASSERT_FALSE(IsRasterReady());
    d.ApplyColorMatrix(0, 0, 2, 2, m, 4);
    d.ApplyColorExMatrix(0, 0, 2, 2, m, 8);
    d.ApplyColorMatrixMasked(0, 0, 2, 2, m, 4, 0, mask, 0, 0);
    d.ApplyColorExMatrixMasked(0, 0, 2, 2, m, 8, 0, mask, 0, 0);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(4, 0x80402010u));
}

TEST_F(ColourMatrixKernels, SaturatingAddsClampAndClip) {
    CSprite d = Filled(3, 1, 0x10F00080u);
    d.SetClipRect(1, 0, 3, 1);
    d.AddARGBSaturating(0, 0, 2, 1, -0x7FFFFFFF, 0x7FFFFFFF, 5, -0x80);
    EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0x10F00080u, 0x00FF0500u, 0x10F00080u}));
    d.AddAlphaSaturating(2, 0, 5, 1, 300);
    d.AddRGBSaturating(2, 0, 1, 1, -1, 1, 1);
    EXPECT_EQ(*d.PixelAt(2, 0), 0xFFEF0181u);
}

// ---- The 32-bit rows ----

// Sets the row-kind limit for one scope.
class RowKindLimit {
public:
    explicit RowKindLimit(colour_matrix::RowKind fastest) : previous_(colour_matrix::LimitRowKind(fastest)) {}
    ~RowKindLimit() { colour_matrix::LimitRowKind(previous_); }
    RowKindLimit(const RowKindLimit&) = delete;
    RowKindLimit& operator=(const RowKindLimit&) = delete;

private:
    colour_matrix::RowKind previous_;
};

const colour_matrix::Shape& ShapeOf(const ShapeCase& s) {
    const colour_matrix::Shape* shape =
        s.extended ? colour_matrix::ExtendedShape(Count(s)) : colour_matrix::SimpleShape(Count(s));
    EXPECT_NE(shape, nullptr) << s.label;
    return *shape;
}

// A row of a packed matrix set to one term: every coefficient of output row
// `row` is 0 except the one at full-matrix column `column` (extended
// numbering: 2c value, 2c + 1 complement, 8 constant), which is `value`.
void SetRowToOneTerm(const ShapeCase& s, std::vector<int32_t>& m, int row, int column, int32_t value) {
    bool found = false;
    for (size_t k = 0; k < s.indices.size(); ++k) {
        const int i = s.indices[k];
        const int r = s.extended ? i / 9 : i / 5;
        const int c = s.extended ? i % 9 : 2 * (i % 5);
        if (r != row) continue;
        m[k] = c == column ? value : 0;
        found = found || c == column;
    }
    ASSERT_TRUE(found) << s.label << " has no column " << column << " in row " << row;
}

// The fast rows against the 64-bit reference model: every shape, every form,
// each row kind this build and processor have (the AVX2 rows forced off
// among them) and the 64-bit loop itself, with moderate random coefficients
// and with one row's reach just inside and just outside 32 bits. The reach of
// a row is |K'| + 255 x sum |c'| after folding the complements
// (c' = value - complement, K' = constant + 255 x sum complement); a lone
// value term c' = -+X reaches exactly 255 X, a lone complement term X reaches
// 510 X. A sum that wrapped in 32 bits would turn the lone value rows' 0 into
// 255 or back, so the outside cases also prove that the wide loop ran.
TEST_F(ColourMatrixKernels, NarrowRowsMatchTheReferenceAtTheBound) {
    using colour_matrix::RowKind;
    constexpr int64_t kLimit = 0x7FFFFFFF;
    constexpr int32_t kValueInside = kLimit / 255, kComplementInside = kLimit / 510;
    struct Variant {
        const char* what;
        int row, column;   // the row set to one term (-1: none)
        int32_t value;
        bool inside;
    };
    const Variant kVariants[] = {
        {"moderate", -1, 0, 0, true},
        {"R value -X inside", 0, 0, -kValueInside, true},
        {"R value -X outside", 0, 0, -(kValueInside + 1), false},
        {"G value +X inside", 1, 2, kValueInside, true},
        {"G value +X outside", 1, 2, kValueInside + 1, false},
        {"B complement inside", 2, 5, kComplementInside, true},
        {"B complement outside", 2, 5, kComplementInside + 1, false},
    };
    constexpr int32_t kW = 300, kH = 3;  // past one masked chunk of 256
    constexpr uint32_t kKey = 0x7F00FF00u;
    const uint32_t kCorners[] = {0xFFFFFFFFu, 0x00000000u, 0x00FF0000u, 0xFF00FF00u, 0x000000FFu, 0x80FF00FFu};

    std::mt19937 rng(121);
    for (const RowKind kind : {RowKind::kWide, RowKind::kScalar, RowKind::kSse2, RowKind::kAvx2}) {
        const RowKindLimit limit(kind);
        const std::vector<int32_t> probe = {-0x10000, 0x10000, 0x10000};
        if (colour_matrix::KernelRowKind(*colour_matrix::SimpleShape(3), probe.data()) != kind) continue;
        for (const ShapeCase& s : Shapes()) {
            for (const Variant& v : kVariants) {
                const std::string what = std::string(s.label) + ", " + v.what + ", kind " +
                                         std::to_string(static_cast<int>(kind));
                if (s.extended == false && v.column % 2 == 1) continue;  // no complement columns
                std::vector<int32_t> m = RandomPacked(s, rng, false);  // m[0] < 0: no shortcut
                if (v.row >= 0) SetRowToOneTerm(s, m, v.row, v.column, v.value);
                EXPECT_EQ(colour_matrix::KernelRowKind(ShapeOf(s), m.data()), v.inside ? kind : RowKind::kWide)
                    << what;
                const std::vector<int64_t> full = Unpack(s, m.data());

                CSprite dest, source, mask;
                raster_test::MakeRandom(dest, kW, kH, rng);
                raster_test::MakeRandom(source, kW, kH, rng);
                for (size_t i = 0; i < std::size(kCorners); ++i) {
                    *dest.PixelAt(static_cast<int32_t>(i), 0) = kCorners[i];
                    *source.PixelAt(static_cast<int32_t>(i) + 40, 1) = kCorners[i];
                }
                raster_test::Make(mask, kW, kH);
                raster_test::Paint(mask, [&](int32_t, int32_t) { return rng() % 2 == 0 ? kKey : kKey ^ 1u; });
                const std::vector<uint32_t> before = Pixels(dest);
                auto expect = [&](bool fromSource, bool masked) {
                    std::vector<uint32_t> out = before;
                    for (int32_t y = 0; y < kH; ++y)
                        for (int32_t x = 0; x < kW; ++x) {
                            if (masked && *mask.PixelAt(x, y) != kKey) continue;
                            uint32_t& d = out[static_cast<size_t>(y) * kW + x];
                            d = Reference(s, full, fromSource ? *source.PixelAt(x, y) : d);
                        }
                    return out;
                };
                (dest.*s.inPlace)(0, 0, kW, kH, m.data());
                EXPECT_EQ(Pixels(dest), expect(false, false)) << what << " in place";
                raster_test::Load(dest, before);
                (dest.*s.masked)(0, 0, kW, kH, m.data(), kKey, mask, 0, 0);
                EXPECT_EQ(Pixels(dest), expect(false, true)) << what << " masked";
                raster_test::Load(dest, before);
                (dest.*s.draw)(0, 0, source, 0, 0, kW, kH, m.data());
                EXPECT_EQ(Pixels(dest), expect(true, false)) << what << " from source";
                raster_test::Load(dest, before);
                (dest.*s.drawMasked)(0, 0, source, 0, 0, kW, kH, m.data(), kKey, mask, 0, 0);
                EXPECT_EQ(Pixels(dest), expect(true, true)) << what << " masked from source";
            }
        }
    }
}

// The narrow rows at widths that leave every remainder after the 8- and
// 4-pixel steps, on a sprite whose stride is wider than the rectangle: the
// pixels beside the rectangle stay as they were.
TEST_F(ColourMatrixKernels, NarrowRowsAtEveryRemainder) {
    using colour_matrix::RowKind;
    std::mt19937 rng(1211);
    const ShapeCase& s = Shapes()[8];  // 4x5
    ASSERT_STREQ(s.label, "4x5");
    for (const RowKind kind : {RowKind::kScalar, RowKind::kSse2, RowKind::kAvx2}) {
        const RowKindLimit limit(kind);
        const std::vector<int32_t> m = RandomPacked(s, rng, false);
        if (colour_matrix::KernelRowKind(ShapeOf(s), m.data()) != kind) continue;
        const std::vector<int64_t> full = Unpack(s, m.data());
        for (int32_t w = 1; w <= 19; ++w) {
            CSprite d;
            raster_test::MakeRandom(d, 24, 2, rng);
            const std::vector<uint32_t> before = Pixels(d);
            d.ApplyColorMatrix4x5(3, 1, w, 1, m.data());
            std::vector<uint32_t> want = before;
            for (int32_t i = 0; i < w; ++i) want[24 + 3 + i] = Reference(s, full, want[24 + 3 + i]);
            EXPECT_EQ(Pixels(d), want) << "width " << w << ", kind " << static_cast<int>(kind);
        }
    }
}

}  // namespace colour_matrix_test
