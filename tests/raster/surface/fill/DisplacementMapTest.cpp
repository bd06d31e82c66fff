#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/surface/fill/FillTestSupport.h"

namespace {

using namespace fill_test;

using DisplacementMapTest = FillTest;

enum class Form { kWhole, kAlpha, kColour };

struct Selection {
    uint32_t channelSelect = 0x01010101;
    uint16_t weightSelect = 0x7777;
    uint16_t scaleShifts = 0;
};

struct Call {
    Rect dst, src;
    int32_t baseX, baseY;
    Rect map;
    int32_t offsetX, offsetY;
    uint32_t outside;
};

void Draw(Form form, bool general, CSprite& d, const CSprite& source, const CSprite& map, const Call& c,
          const Selection& sel = {}) {
    if (general) {
        auto member = form == Form::kWhole   ? &CSprite::DisplacementMapTiledEx
                      : form == Form::kAlpha ? &CSprite::DisplacementMapTiledExA
                                             : &CSprite::DisplacementMapTiledExC;
        (d.*member)(c.dst.x, c.dst.y, c.dst.w, c.dst.h, source, c.src.x, c.src.y, c.src.w, c.src.h, c.baseX, c.baseY,
                    map, c.map.x, c.map.y, c.map.w, c.map.h, c.offsetX, c.offsetY, c.outside, sel.channelSelect,
                    sel.weightSelect, sel.scaleShifts);
    } else {
        auto member = form == Form::kWhole   ? &CSprite::DisplacementMapTiled
                      : form == Form::kAlpha ? &CSprite::DisplacementMapTiledA
                                             : &CSprite::DisplacementMapTiledC;
        (d.*member)(c.dst.x, c.dst.y, c.dst.w, c.dst.h, source, c.src.x, c.src.y, c.src.w, c.src.h, c.baseX, c.baseY,
                    map, c.map.x, c.map.y, c.map.w, c.map.h, c.offsetX, c.offsetY, c.outside);
    }
}

// A rectangle cut to a sprite's clip rectangle by plain intersection.
Rect Intersect(const CSprite& s, Rect r) {
    const int32_t x0 = std::max(r.x, s.GetClipLeft()), y0 = std::max(r.y, s.GetClipTop());
    const int32_t x1 = std::min(r.x + r.w, s.GetClipRight()), y1 = std::min(r.y + r.h, s.GetClipBottom());
    if (x1 <= x0 || y1 <= y0) return {x0, y0, 0, 0};
    return {x0, y0, x1 - x0, y1 - y0};
}

int32_t PositiveMod(int64_t n, int64_t m) { return static_cast<int32_t>(((n % m) + m) % m); }

// The draws written straight from their description: per destination pixel
// the tiled map pixel by modulo, every output channel fetched at its own
// position, weighted, then laid onto the pixel by the fetched alpha.
std::vector<uint32_t> Model(Form form, const CSprite& d, const CSprite& source, const CSprite& map, const Call& c,
                            const Selection& sel) {
    std::vector<uint32_t> out = Pixels(d);
    const Rect m = Intersect(map, c.map);
    if (m.w == 0) return out;
    const Rect dst = Intersect(d, c.dst), src = Intersect(source, c.src);
    if (dst.w == 0) return out;
    auto fetch = [&](int64_t px, int64_t py) -> uint32_t {
        if (px < 0 || py < 0 || px >= src.w || py >= src.h) return c.outside;
        return *source.PixelAt(src.x + static_cast<int32_t>(px), src.y + static_cast<int32_t>(py));
    };
    for (int32_t j = 0; j < dst.h; ++j) {
        for (int32_t i = 0; i < dst.w; ++i) {
            const uint32_t mp = *map.PixelAt(m.x + PositiveMod(int64_t{c.offsetX} + i, m.w),
                                             m.y + PositiveMod(int64_t{c.offsetY} + j, m.h));
            auto displacement = [&](uint32_t field) -> int64_t {
                if (field >= 4) return 0;
                const int64_t shift = (sel.scaleShifts >> (4 * field)) & 7;
                return (int64_t{Byte(mp, static_cast<int>(field))} - 128) * (int64_t{1} << shift);
            };
            const int64_t px = int64_t{c.baseX} + i, py = int64_t{c.baseY} + j;
            uint32_t f = 0;
            for (int k = 0; k < 4; ++k) {
                const uint32_t xf = (sel.channelSelect >> (8 * k + 4)) & 7, yf = (sel.channelSelect >> (8 * k)) & 7;
                uint32_t channel = Byte(fetch(px + displacement(xf), py + displacement(yf)), k);
                const uint32_t wf = (sel.weightSelect >> (4 * k)) & 7;
                if (wf < 4) {
                    const uint32_t b = Byte(mp, static_cast<int>(wf)), g = b + (b >> 7);
                    channel = (g * channel + (256 - g) * Byte(fetch(px, py), k)) >> 8;
                }
                f |= channel << (8 * k);
            }
            uint32_t& p = out[static_cast<size_t>((dst.y + j) * d.GetWidth() + dst.x + i)];
            const uint32_t fa = Alpha(f), pa = Alpha(p);
            if (fa == 0) continue;
            switch (form) {
                case Form::kWhole:
                    p = fa == 255 ? f : (UnionAlpha(fa, pa) << 24) | Mix(f, p, UnionWeight(fa, pa));
                    break;
                case Form::kAlpha:
                    p = WithAlpha(p, fa == 255 ? 255 : UnionAlpha(fa, pa));
                    break;
                case Form::kColour:
                    p = WithColour(p, fa == 255 ? f : Mix(f, p, UnionWeight(fa, pa)));
                    break;
            }
        }
    }
    return out;
}

TEST_F(DisplacementMapTest, NeutralMapCopiesTheSourceUnshifted) {
    CSprite source = RandomSprite(9, 6);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 9; ++x) *source.PixelAt(x, y) |= 0xFF000000u;  // opaque: a plain copy
    const CSprite map = Filled(3, 2, 0x80808080);
    CSprite d = Filled(9, 6, 0);
    Draw(Form::kWhole, false, d, source, map, {{0, 0, 9, 6}, {0, 0, 9, 6}, 0, 0, {0, 0, 3, 2}, 0, 0, 0});
    EXPECT_EQ(Pixels(d), Pixels(source));
}

TEST_F(DisplacementMapTest, NegativeOffsetStartsAtTheWrappedMapColumn) {
    // Map column k moves right by k; the source row holds its column numbers.
    CSprite map;
    ASSERT_TRUE(map.Create(10, 1, false));
    for (int32_t k = 0; k < 10; ++k) *map.PixelAt(k, 0) = 0x80008000u | static_cast<uint32_t>(128 + k);
    CSprite source;
    ASSERT_TRUE(source.Create(40, 1, false));
    for (int32_t k = 0; k < 40; ++k) *source.PixelAt(k, 0) = 0xFF000000u | static_cast<uint32_t>(k);
    CSprite d = Filled(3, 1, 0);
    Draw(Form::kWhole, false, d, source, map, {{0, 0, 3, 1}, {0, 0, 40, 1}, 0, 0, {0, 0, 10, 1}, -1, 0, 0});
    // Column 0 reads map column 9 (source 0 + 9), then columns 0 and 1 of the next tile.
    EXPECT_EQ(Pixels(d), (std::vector<uint32_t>{0xFF000009, 0xFF000001, 0xFF000003}));
}

TEST_F(DisplacementMapTest, FetchesOutsideTheSourceGiveTheOutsideValue) {
    const CSprite source = Filled(4, 4, 0xFF112233);
    const CSprite map = Filled(1, 1, 0x80808088);  // 8 to the right: past the source for every pixel
    for (uint32_t outside : {0x00FFFFFFu, 0xFF445566u}) {
        CSprite d = Filled(4, 4, 0x80ABCDEF);
        Draw(Form::kWhole, false, d, source, map, {{0, 0, 4, 4}, {0, 0, 4, 4}, 0, 0, {0, 0, 1, 1}, 0, 0, outside});
        const uint32_t expected = (outside >> 24) == 0 ? 0x80ABCDEF : outside;
        EXPECT_EQ(Pixels(d), std::vector<uint32_t>(16, expected)) << std::hex << outside;
    }
}

// The general form with the fast form's choice of bytes gives the fast
// form's result, also when it spells "no weight" or shifts of unused map bytes
// differently.
TEST_F(DisplacementMapTest, GeneralFormWithTheFastSelectionEqualsTheFastForm) {
    const Selection equivalents[] = {{0x01010101, 0x7777, 0}, {0x01010101, 0x4567, 0}, {0x01010101, 0x7777, 0x7700}};
    for (Form form : {Form::kWhole, Form::kAlpha, Form::kColour}) {
        for (const Selection& sel : equivalents) {
            CSprite source = RandomSprite(12, 9), map;
            ASSERT_TRUE(map.Create(5, 4, false));
            for (int32_t y = 0; y < 4; ++y)
                for (int32_t x = 0; x < 5; ++x) *map.PixelAt(x, y) = 0x80808080u ^ (Random32() & 0x07070707u);
            CSprite a = RandomSprite(10, 8), b;
            ASSERT_TRUE(b.Create(10, 8, false));
            for (int32_t y = 0; y < 8; ++y)
                for (int32_t x = 0; x < 10; ++x) *b.PixelAt(x, y) = *a.PixelAt(x, y);
            const Call c{{1, 0, 9, 8}, {1, 1, 10, 7}, 2, -1, {0, 0, 5, 4}, 3, -7, 0x80405060};
            Draw(form, false, a, source, map, c);
            Draw(form, true, b, source, map, c, sel);
            EXPECT_EQ(Pixels(a), Pixels(b)) << std::hex << sel.weightSelect << " " << sel.scaleShifts;
        }
    }
}

// Every form against the direct model on random images, clip rectangles, map
// rectangles, offsets and selections.
TEST_F(DisplacementMapTest, EveryFormMatchesTheModel) {
    for (int trial = 0; trial < 600; ++trial) {
        const Form form = static_cast<Form>(trial % 3);
        const bool general = (trial / 3) % 2 == 1;
        CSprite source = RandomSprite(RandomIn(1, 14), RandomIn(1, 9));
        CSprite map;
        ASSERT_TRUE(map.Create(RandomIn(1, 7), RandomIn(1, 5), false));
        for (int32_t y = 0; y < map.GetHeight(); ++y)
            for (int32_t x = 0; x < map.GetWidth(); ++x)
                *map.PixelAt(x, y) = rng() % 2 ? Random32() : (0x80808080u ^ (Random32() & 0x07070707u));
        CSprite d = RandomSprite(RandomIn(1, 16), RandomIn(1, 9));
        RandomClip(d);
        RandomClip(source);
        RandomClip(map);
        // Mostly the whole map, sometimes a part of it (which may lie outside).
        const int32_t mw = map.GetWidth(), mh = map.GetHeight();
        const Rect mapRect = rng() % 3 ? Rect{0, 0, mw, mh}
                                       : Rect{RandomIn(-2, mw - 1), RandomIn(-2, mh - 1), RandomIn(1, mw + 2),
                                              RandomIn(1, mh + 2)};
        const Call c{{RandomIn(-3, d.GetWidth() / 2), RandomIn(-3, d.GetHeight() / 2), RandomIn(4, 18), RandomIn(4, 10)},
                     {RandomIn(-3, source.GetWidth() / 2), RandomIn(-3, source.GetHeight() / 2), RandomIn(4, 16),
                      RandomIn(4, 10)},
                     RandomIn(-4, 4),
                     RandomIn(-4, 4),
                     mapRect,
                     RandomIn(-25, 25),
                     RandomIn(-25, 25),
                     rng() % 2 ? 0u : RandomPixel()};
        Selection sel;
        if (general) {
            sel.channelSelect = Random32() & 0x77777777u;
            sel.weightSelect = static_cast<uint16_t>(Random32() & 0x7777u);
            sel.scaleShifts = static_cast<uint16_t>(Random32() & 0x3333u);
        }
        const std::vector<uint32_t> expected = Model(form, d, source, map, c, sel);
        Draw(form, general, d, source, map, c, sel);
        ASSERT_EQ(Pixels(d), expected) << "trial " << trial << std::hex << " select " << sel.channelSelect << " weight "
                                       << sel.weightSelect << " shifts " << sel.scaleShifts;
    }
}

}  // namespace
