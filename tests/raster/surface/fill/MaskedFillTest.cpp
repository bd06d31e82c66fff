#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/surface/fill/FillTestSupport.h"

namespace {

using namespace fill_test;

using MaskedFillTest = FillTest;

CSprite Row(std::initializer_list<uint32_t> pixels) {
    CSprite s;
    EXPECT_TRUE(s.Create(static_cast<int32_t>(pixels.size()), 1, false));
    int32_t x = 0;
    for (uint32_t p : pixels) *s.PixelAt(x++, 0) = p;
    return s;
}

TEST_F(MaskedFillTest, WorkedExamples) {
    const uint32_t key = 0xFF00FF00;
    const CSprite ref = Row({key, 0x00000000, key, 0x0000FF00, 0xFF00FF01});
    struct Case {
        const char* name;
        std::vector<uint32_t> before;
        std::function<void(CSprite&)> call;
        std::vector<uint32_t> after;
    };
    const std::vector<uint32_t> start = {0x10203040, 0x50607080, 0x00000000, 0xFFFFFFFF, 0x80808080};
    const Case cases[] = {
        {"full opacity writes the value exactly where the reference holds the key", start,
         [&](CSprite& s) { s.MaskFill(0, 0, ref, 0, 0, 5, 1, key, 0x12345678, 255); },
         {0x12345678, 0x50607080, 0x12345678, 0xFFFFFFFF, 0x80808080}},
        {"a key that no reference pixel has changes nothing", start,
         [&](CSprite& s) { s.MaskFill(0, 0, ref, 0, 0, 5, 1, 0x12121212, 0x12345678, 255); }, start},
        {"opacity 0 changes nothing", start, [&](CSprite& s) { s.MaskFill(0, 0, ref, 0, 0, 5, 1, key, 0xFFFFFFFF, 0); },
         start},
        {"alpha at 128 toward 255 over a transparent pixel gives 127", {0, 0, 0, 0, 0},
         [&](CSprite& s) { s.MaskFillA(0, 0, ref, 0, 0, 5, 1, key, 255, 128); }, {0x7F000000, 0, 0x7F000000, 0, 0}},
        {"the colour form keeps alpha", start,
         [&](CSprite& s) { s.MaskFillC(0, 0, ref, 0, 0, 5, 1, key, 0x00ABCDEF, 255); },
         {0x10ABCDEF, 0x50607080, 0x00ABCDEF, 0xFFFFFFFF, 0x80808080}},
        {"mask 0x00FFFFFF compares colours only", start,
         [&](CSprite& s) { s.MaskFillBits(0, 0, ref, 0, 0, 5, 1, key, 0x01010101, 255, 0x00FFFFFF); },
         {0x01010101, 0x50607080, 0x01010101, 0x01010101, 0x80808080}},
        {"mask 0 lets every pixel pass", start,
         [&](CSprite& s) { s.MaskFillABits(0, 0, ref, 0, 0, 5, 1, 0x999, 0x3C, 255, 0); },
         {0x3C203040, 0x3C607080, 0x3C000000, 0x3CFFFFFF, 0x3C808080}},
        // U[128][0]: weight 256, the value's colour; alpha (128 * 0xFF1234 >> 24) + 0.
        {"half opacity over transparent", {0, 0, 0, 0, 0},
         [&](CSprite& s) { s.MaskFill(0, 0, ref, 0, 0, 1, 1, key, 0xFF123456, 128); }, {0x7F123456, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        CSprite s;
        ASSERT_TRUE(s.Create(5, 1, false));
        for (int32_t x = 0; x < 5; ++x) *s.PixelAt(x, 0) = c.before[static_cast<size_t>(x)];
        c.call(s);
        EXPECT_EQ(Pixels(s), c.after) << c.name;
    }
}

TEST_F(MaskedFillTest, AlphaAccumulationExamples) {
    CSprite dst = Row({0x80123456, 0x80123456, 0x00ABCDEF, 0x40FFFFFF});
    const CSprite src = Row({0x80000000, 0x00FFFFFF, 0xFF000000, 0xC8000000});
    dst.AddAlpha(0, 0, src, 0, 0, 3, 1);
    // 128 over 128 gives 128 + (128 x 128 >> 8) = 192; source alpha 0 leaves;
    // 255 gives 255; colours never change; the fourth pixel is outside the rectangle.
    EXPECT_EQ(Pixels(dst), (std::vector<uint32_t>{0xC0123456, 0x80123456, 0xFFABCDEF, 0x40FFFFFF}));
    dst.AddAlphaFromOpacity(3, 0, src, 3, 0, 1, 1, 1);  // 1 x 200 >> 8 = 0: nothing
    EXPECT_EQ(*dst.PixelAt(3, 0), 0x40FFFFFFu);
}

// All masked fills and both accumulations against the plain rule on random
// images, with the reference drawn from a small palette so that keys hit often.
TEST_F(MaskedFillTest, EveryMemberMatchesTheRule) {
    using Call = std::function<void(CSprite&, Rect, const CSprite&, int32_t, int32_t, uint32_t, uint32_t, uint8_t,
                                    uint32_t)>;
    using Rule = std::function<uint32_t(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t)>;
    // (p, reference, key, value, opacity, mask)
    auto passes = [](uint32_t r, uint32_t key, uint32_t mask) { return (r & mask) == (key & mask); };
    auto whole = [passes](uint32_t p, uint32_t r, uint32_t key, uint32_t v, uint32_t o, uint32_t mask) -> uint32_t {
        if (o == 0 || !passes(r, key, mask)) return p;
        if (o == 255) return v;
        const uint64_t alpha = ((uint64_t{o} * (v >> 8)) >> 24) + ((uint64_t{256 - o} * (p >> 8)) >> 24);
        return (static_cast<uint32_t>(alpha) << 24) | Mix(v, p, UnionWeight(o, Alpha(p)));
    };
    auto colour = [passes](uint32_t p, uint32_t r, uint32_t key, uint32_t c, uint32_t o, uint32_t mask) -> uint32_t {
        if (o == 0 || !passes(r, key, mask)) return p;
        if (o == 255) return WithColour(p, c);
        return WithColour(p, Mix(c, p, UnionWeight(o, Alpha(p))));
    };
    auto alpha = [passes](uint32_t p, uint32_t r, uint32_t key, uint32_t a, uint32_t o, uint32_t mask) -> uint32_t {
        if (o == 0 || !passes(r, key, mask)) return p;
        if (o == 255) return WithAlpha(p, a & 0xFF);
        return WithAlpha(p, ((a & 0xFF) * o) / 256 + (uint64_t{256 - o} * (p >> 8)) / (1u << 24));
    };
    auto accumulate = [](uint32_t p, uint32_t s, uint32_t, uint32_t, uint32_t o, uint32_t) -> uint32_t {
        uint32_t a = Alpha(s);
        if (o == 0) return p;
        if (o != 255) a = (o * (a == 255 ? 256 : a)) >> 8;
        if (a == 0) return p;
        return WithAlpha(p, a == 255 ? 255 : UnionAlpha(a, Alpha(p)));
    };
    struct Op {
        const char* name;
        Call call;
        Rule rule;
        bool usesMask;
    };
    const Op ops[] = {
        {"MaskFill",
         [](CSprite& s, Rect r, const CSprite& ref, int32_t rx, int32_t ry, uint32_t k, uint32_t v, uint8_t o,
            uint32_t) { s.MaskFill(r.x, r.y, ref, rx, ry, r.w, r.h, k, v, o); },
         whole, false},
        {"MaskFillC",
         [](CSprite& s, Rect r, const CSprite& ref, int32_t rx, int32_t ry, uint32_t k, uint32_t v, uint8_t o,
            uint32_t) { s.MaskFillC(r.x, r.y, ref, rx, ry, r.w, r.h, k, v, o); },
         colour, false},
        {"MaskFillA",
         [](CSprite& s, Rect r, const CSprite& ref, int32_t rx, int32_t ry, uint32_t k, uint32_t v, uint8_t o,
            uint32_t) { s.MaskFillA(r.x, r.y, ref, rx, ry, r.w, r.h, k, v, o); },
         alpha, false},
        {"MaskFillBits",
         [](CSprite& s, Rect r, const CSprite& ref, int32_t rx, int32_t ry, uint32_t k, uint32_t v, uint8_t o,
            uint32_t m) { s.MaskFillBits(r.x, r.y, ref, rx, ry, r.w, r.h, k, v, o, m); },
         whole, true},
        {"MaskFillCBits",
         [](CSprite& s, Rect r, const CSprite& ref, int32_t rx, int32_t ry, uint32_t k, uint32_t v, uint8_t o,
            uint32_t m) { s.MaskFillCBits(r.x, r.y, ref, rx, ry, r.w, r.h, k, v, o, m); },
         colour, true},
        {"MaskFillABits",
         [](CSprite& s, Rect r, const CSprite& ref, int32_t rx, int32_t ry, uint32_t k, uint32_t v, uint8_t o,
            uint32_t m) { s.MaskFillABits(r.x, r.y, ref, rx, ry, r.w, r.h, k, v, o, m); },
         alpha, true},
        {"AddAlpha",
         [](CSprite& s, Rect r, const CSprite& src, int32_t sx, int32_t sy, uint32_t, uint32_t, uint8_t, uint32_t) {
             s.AddAlpha(r.x, r.y, src, sx, sy, r.w, r.h);
         },
         [accumulate](uint32_t p, uint32_t s, uint32_t, uint32_t, uint32_t, uint32_t) {
             return accumulate(p, s, 0, 0, 255, 0);
         },
         false},
        {"AddAlphaFromOpacity",
         [](CSprite& s, Rect r, const CSprite& src, int32_t sx, int32_t sy, uint32_t, uint32_t, uint8_t o, uint32_t) {
             s.AddAlphaFromOpacity(r.x, r.y, src, sx, sy, r.w, r.h, o);
         },
         accumulate, false},
    };
    const uint32_t palette[] = {0xFF00FF00, 0x0000FF00, 0x80112233, 0x00000000, 0xFFFFFFFF, 0x01112233};
    const uint32_t masks[] = {0xFFFFFFFF, 0x00FFFFFF, 0xFF000000, 0, 0x0000FF00};
    for (const Op& op : ops) {
        for (int trial = 0; trial < 150; ++trial) {
            CSprite s = RandomSprite(RandomIn(1, 19), RandomIn(1, 7));
            RandomClip(s);
            CSprite ref;
            ASSERT_TRUE(ref.Create(RandomIn(1, 19), RandomIn(1, 7), false));
            for (int32_t y = 0; y < ref.GetHeight(); ++y)
                for (int32_t x = 0; x < ref.GetWidth(); ++x)
                    *ref.PixelAt(x, y) = rng() % 4 == 0 ? RandomPixel() : palette[rng() % std::size(palette)];
            const Rect r{RandomIn(-5, 20), RandomIn(-3, 8), RandomIn(-1, 22), RandomIn(-1, 9)};
            const int32_t rx = RandomIn(-5, 20), ry = RandomIn(-3, 8);
            const uint32_t key = palette[rng() % std::size(palette)];
            const uint32_t value = RandomPixel();
            const uint8_t o = RandomOpacity();
            const uint32_t mask = op.usesMask ? masks[rng() % std::size(masks)] : 0xFFFFFFFFu;
            const std::vector<uint32_t> expected = ModelBlit(
                s, Pixels(s), r, ref, rx, ry, [&](uint32_t p, uint32_t q) { return op.rule(p, q, key, value, o, mask); });
            op.call(s, r, ref, rx, ry, key, value, o, mask);
            ASSERT_EQ(Pixels(s), expected) << op.name << " trial " << trial << std::hex << " key " << key << " value "
                                           << value << " mask " << mask << std::dec << " opacity " << int{o};
        }
    }
}

}  // namespace
