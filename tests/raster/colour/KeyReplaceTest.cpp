// Conditional replacement by key and by threshold: every member of the family
// tables against a per-pixel model written from the rules (random pixels
// crowded around the key or threshold, random rectangles, clip rectangles and
// opacities); the pre-mixing and ready wrappers; the threshold tests over every
// byte pair; the worked values and the tiled walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace key_replace_test {

using raster_test::Filled;
using raster_test::Painted;
using raster_test::Pixels;

class KeyReplaceTest : public raster_test::ReadyLibraryTest {};

enum class Target { Data, Color, Alpha };
enum class Check { FromAlpha, FromColor, FromData, IfGE, IfLE, IfGrOr, IfLeOr };

uint32_t Byte(uint32_t p, int i) { return (p >> (8 * i)) & 0xFF; }

bool Passes(Check test, uint32_t p, uint32_t key) {
    switch (test) {
    case Check::FromAlpha: return (p >> 24) == (key & 0xFF);
    case Check::FromColor: return (p & 0xFFFFFF) == (key & 0xFFFFFF);
    case Check::FromData: return p == key;
    default: break;
    }
    bool allGE = true, allLE = true;
    for (int i = 0; i < 4; ++i) {
        allGE = allGE && Byte(p, i) >= Byte(key, i);
        allLE = allLE && Byte(p, i) <= Byte(key, i);
    }
    switch (test) {
    case Check::IfGE: return allGE;
    case Check::IfLE: return allLE;
    case Check::IfGrOr: return !allLE;
    default: return !allGE;
    }
}

// The colour weight of the union rule, from its definition: c = op + ((256 -
// op) x a >> 8), weight = (op x ceil(2^23 / c)) >> 15.
uint32_t UnionWeight(uint32_t op, uint32_t a) {
    const uint32_t c = op + (((256 - op) * a) >> 8);
    const uint32_t reciprocal = ((1u << 23) + c - 1) / c;
    return (op * reciprocal) >> 15;
}

// The written pixel for value word v (alpha byte on top) at opacity op.
uint32_t Written(Target target, uint32_t p, uint32_t v, uint32_t op) {
    if (op == 255) {
        switch (target) {
        case Target::Data: return v;
        case Target::Color: return (p & 0xFF000000u) | (v & 0xFFFFFF);
        case Target::Alpha: return (v & 0xFF000000u) | (p & 0xFFFFFF);
        }
    }
    const uint32_t a = p >> 24, va = v >> 24;
    uint32_t out = 0;
    if (target == Target::Alpha) return (p & 0xFFFFFF) | (((a * (256 - op) + va * op) >> 8) << 24);
    const uint32_t w = target == Target::Data ? UnionWeight(op, a) : op;
    for (int i = 0; i < 3; ++i) out |= ((Byte(p, i) * (256 - w) + Byte(v, i) * w) >> 8) << (8 * i);
    const uint32_t alpha = target == Target::Data ? (((256 - op) * a) >> 8) + ((va * op) >> 8) : a;
    return out | alpha << 24;
}

struct Rect {
    int32_t x, y, w, h;
};

// The clip rule, written out: false when nothing is left.
bool Clip(const CSprite& s, Rect& r) {
    const int64_t x = std::max<int64_t>(r.x, s.GetClipLeft()), y = std::max<int64_t>(r.y, s.GetClipTop());
    const int64_t w = std::min<int64_t>(s.GetClipRight(), std::max<int64_t>(int64_t{r.x} + r.w, x)) - x;
    const int64_t h = std::min<int64_t>(s.GetClipBottom(), std::max<int64_t>(int64_t{r.y} + r.h, y)) - y;
    if (w <= 0 || h <= 0) return false;
    r = {int32_t(x), int32_t(y), int32_t(w), int32_t(h)};
    return true;
}

// One call: the rectangle, key (threshold), value, opacity, and for tiled
// members the source and its rectangle.
struct Args {
    Rect r;
    uint32_t key;
    uint32_t value;
    uint8_t opacity;
    const CSprite* src;
    Rect s;
};

struct Member {
    std::string name;
    Target target;
    Check test;
    bool tiled;
    bool full;
    std::function<void(CSprite&, const Args&)> call;
};

// Every member of the tables the sprite declares.
std::vector<Member> AllMembers() {
    std::vector<Member> out;
#define SINGLE_OPACITY(Name, Full, T, Form, KeyT, ValueT)                                                 \
    out.push_back({#Name, Target::T, Check::Form, false, false, [](CSprite& d, const Args& a) {             \
                       d.Name(a.r.x, a.r.y, a.r.w, a.r.h, KeyT(a.key), ValueT(a.value), a.opacity);       \
                   }});                                                                                   \
    out.push_back({#Full, Target::T, Check::Form, false, true, [](CSprite& d, const Args& a) {              \
                       d.Full(a.r.x, a.r.y, a.r.w, a.r.h, KeyT(a.key), ValueT(a.value));                   \
                   }});
    OC_KEY_REPLACE_SINGLE(SINGLE_OPACITY)
    out.push_back({"ReplaceAlpha", Target::Alpha, Check::FromAlpha, false, true, [](CSprite& d, const Args& a) {
                       d.ReplaceAlpha(a.r.x, a.r.y, a.r.w, a.r.h, uint8_t(a.key), uint8_t(a.value));
                   }});
#define TILED(T, Form, KeyT)                                                                               \
    out.push_back({"Replace" #T #Form "Tiled", Target::T, Check::Form, true, false,                         \
                   [](CSprite& d, const Args& a) {                                                         \
                       d.Replace##T##Form##Tiled(a.r.x, a.r.y, a.r.w, a.r.h, KeyT(a.key), *a.src, a.s.x, a.s.y, \
                                                 a.s.w, a.s.h, a.opacity);                                 \
                   }});                                                                                    \
    out.push_back({"Replace" #T #Form "TiledFull", Target::T, Check::Form, true, true,                      \
                   [](CSprite& d, const Args& a) {                                                         \
                       d.Replace##T##Form##TiledFull(a.r.x, a.r.y, a.r.w, a.r.h, KeyT(a.key), *a.src, a.s.x, \
                                                     a.s.y, a.s.w, a.s.h);                                 \
                   }});
    OC_KEY_REPLACE_TILED(TILED)
#define THRESHOLD(T, C, ValueT)                                                                                   \
    out.push_back({"Replace" #T #C, Target::T, Check::C, false, false, [](CSprite& d, const Args& a) {              \
                       d.Replace##T##C(a.r.x, a.r.y, a.r.w, a.r.h, a.key, ValueT(a.value), a.opacity);            \
                   }});                                                                                           \
    out.push_back({"Replace" #T #C "Full", Target::T, Check::C, false, true, [](CSprite& d, const Args& a) {        \
                       d.Replace##T##C##Full(a.r.x, a.r.y, a.r.w, a.r.h, a.key, ValueT(a.value));                 \
                   }});                                                                                           \
    out.push_back({"Replace" #T #C "Tiled", Target::T, Check::C, true, false, [](CSprite& d, const Args& a) {       \
                       d.Replace##T##C##Tiled(a.r.x, a.r.y, a.r.w, a.r.h, a.key, *a.src, a.s.x, a.s.y, a.s.w,    \
                                              a.s.h, a.opacity);                                                  \
                   }});                                                                                           \
    out.push_back({"Replace" #T #C "TiledFull", Target::T, Check::C, true, true, [](CSprite& d, const Args& a) {    \
                       d.Replace##T##C##TiledFull(a.r.x, a.r.y, a.r.w, a.r.h, a.key, *a.src, a.s.x, a.s.y, a.s.w, \
                                                  a.s.h);                                                         \
                   }});
    OC_THRESHOLD_REPLACE(THRESHOLD)
#undef SINGLE_OPACITY
#undef TILED
#undef THRESHOLD
    return out;
}

// The model of one member call on d.
void Model(const Member& m, CSprite& d, const Args& a) {
    const uint32_t op = m.full ? 255 : a.opacity;
    if (op == 0) return;
    Rect s = a.s;
    if (m.tiled && !Clip(*a.src, s)) return;
    Rect r = a.r;
    if (!Clip(d, r)) return;
    const uint32_t single = m.target == Target::Alpha ? (a.value & 0xFF) << 24 : a.value;
    for (int32_t j = 0; j < r.h; ++j)
        for (int32_t i = 0; i < r.w; ++i) {
            uint32_t& p = *d.PixelAt(r.x + i, r.y + j);
            const uint32_t v = m.tiled ? *a.src->PixelAt(s.x + i % s.w, s.y + j % s.h) : single;
            if (Passes(m.test, p, a.key)) p = Written(m.target, p, v, op);
        }
}

// A pixel near the key: the key itself, the key under another alpha, another
// colour under the key's alpha, a byte or two nudged by one (for the
// thresholds), or any pixel.
uint32_t NearKey(std::mt19937& rng, uint32_t key) {
    switch (rng() % 6) {
    case 0: return key;
    case 1: return (key & 0xFFFFFF) | (rng() & 0xFF000000u);
    case 2: return (key & 0xFF000000u) | (rng() & 0xFFFFFF);
    case 3:
    case 4: {
        uint32_t p = 0;
        for (int i = 0; i < 4; ++i) {
            const int32_t b = static_cast<int32_t>(Byte(key, i)) + static_cast<int32_t>(rng() % 3) - 1;
            p |= static_cast<uint32_t>(std::clamp(b, 0, 255)) << (8 * i);
        }
        return p;
    }
    default: return static_cast<uint32_t>(rng());
    }
}

Rect RandomRect(std::mt19937& rng, int32_t limitW, int32_t limitH) {
    const auto coord = [&](int32_t limit) { return static_cast<int32_t>(rng() % (limit + 8)) - 4; };
    return {coord(limitW), coord(limitH), static_cast<int32_t>(rng() % (limitW + 6)) - 2,
            static_cast<int32_t>(rng() % (limitH + 6)) - 2};
}

TEST_F(KeyReplaceTest, EveryMemberMatchesThePixelModel) {
    const std::vector<Member> members = AllMembers();
    ASSERT_EQ(members.size(), 17u + 18u + 48u);  // the key rows (one has no opacity member) and the threshold rows
    std::mt19937 rng(11);
    const uint8_t opacities[] = {0, 1, 64, 127, 128, 129, 200, 254, 255};
    for (const Member& m : members) {
        SCOPED_TRACE(m.name);
        for (int trial = 0; trial < 60; ++trial) {
            uint32_t key = static_cast<uint32_t>(rng());
            if (m.test == Check::FromAlpha) key &= 0xFF;
            const uint32_t keyPixel = m.test == Check::FromAlpha ? key << 24 | (rng() & 0xFFFFFF) : key;
            CSprite d = Painted(23, 9, [&](int32_t, int32_t) { return NearKey(rng, keyPixel); });
            if (trial % 3 == 1) d.SetClipRect(2, 1, 19, 8);
            const CSprite src = Painted(7, 5, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
            CSprite clippedSrc = Painted(7, 5, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
            clippedSrc.SetClipRect(1, 1, 6, 4);
            Args a{RandomRect(rng, 23, 9),
                   key,
                   static_cast<uint32_t>(rng()),
                   opacities[rng() % std::size(opacities)],
                   trial % 2 == 0 ? &src : &clippedSrc,
                   RandomRect(rng, 7, 5)};
            if (trial < 10) a.r = {0, 0, 23, 9};  // whole sprites: the vector body dominates
            if (trial < 5) a.s = {0, 0, 7, 5};
            CSprite expected;
            raster_test::CopyPixels(d, expected);
            expected.SetClipRect(d.GetClipLeft(), d.GetClipTop(), d.GetClipRight(), d.GetClipBottom());
            Model(m, expected, a);
            m.call(d, a);
            ASSERT_EQ(Pixels(d), Pixels(expected)) << "trial " << trial << " key " << std::hex << a.key
                                                   << " value " << a.value << std::dec << " opacity "
                                                   << int(a.opacity) << " rect " << a.r.x << "," << a.r.y << ","
                                                   << a.r.w << "," << a.r.h << " source " << a.s.x << ","
                                                   << a.s.y << "," << a.s.w << "," << a.s.h;
        }
    }
}

// Every threshold byte against every pixel byte, one channel at a time with
// the other three equal to the threshold's, and the complements.
TEST_F(KeyReplaceTest, ThresholdTestsOverEveryBytePair) {
    const uint32_t base = 0x80808080u;
    for (int channel = 0; channel < 4; ++channel) {
        const int shift = 8 * channel;
        const uint32_t rest = base & ~(0xFFu << shift);
        for (uint32_t t = 0; t < 256; ++t) {
            const uint32_t threshold = rest | t << shift;
            CSprite ge = Painted(256, 1, [&](int32_t x, int32_t) { return rest | uint32_t(x) << shift; });
            CSprite le, gr, lt;
            raster_test::CopyPixels(ge, le);
            raster_test::CopyPixels(ge, gr);
            raster_test::CopyPixels(ge, lt);
            ge.ReplaceDataIfGEFull(0, 0, 256, 1, threshold, 1);
            le.ReplaceDataIfLEFull(0, 0, 256, 1, threshold, 1);
            gr.ReplaceDataIfGrOrFull(0, 0, 256, 1, threshold, 1);
            lt.ReplaceDataIfLeOrFull(0, 0, 256, 1, threshold, 1);
            for (uint32_t v = 0; v < 256; ++v) {
                ASSERT_EQ(*ge.PixelAt(int32_t(v), 0) == 1, v >= t) << channel << " " << v << " " << t;
                ASSERT_EQ(*le.PixelAt(int32_t(v), 0) == 1, v <= t) << channel << " " << v << " " << t;
                ASSERT_EQ(*gr.PixelAt(int32_t(v), 0) == 1, v > t) << channel << " " << v << " " << t;
                ASSERT_EQ(*lt.PixelAt(int32_t(v), 0) == 1, v < t) << channel << " " << v << " " << t;
            }
        }
    }
}

struct OnePixel {
    const char* name;
    uint32_t pixel;
    std::function<void(CSprite&)> call;
    uint32_t expected;
};

void ExpectOnePixel(const OnePixel& c) {
    SCOPED_TRACE(c.name);
    // Five pixels so the four-pixel body and the one-pixel tail both run.
    CSprite d = Filled(5, 1, c.pixel);
    c.call(d);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(5, c.expected)) << std::hex << Pixels(d)[0];
}

TEST_F(KeyReplaceTest, WorkedValues) {
    const CSprite opaque = Filled(1, 1, 0xFF123456u);
    const CSprite opaqueWide = Filled(2, 1, 0xFF123456u);
    const OnePixel cases[] = {
        {"alpha pre-mix weighs 129 at 128", 0x00ABCDEFu,
         [](CSprite& d) { d.ReplaceAlphaOpacity(0, 0, 5, 1, 0, 255, 128); }, 0x80ABCDEFu},
        {"alpha opacity member weighs 128", 0x00102030u,
         [](CSprite& d) { d.ReplaceAlphaFromColor(0, 0, 5, 1, 0xFF102030u, 255, 128); }, 0x7F102030u},
        {"FromColor ignores the key's alpha", 0x40102030u,
         [](CSprite& d) { d.ReplaceDataFromColorFull(0, 0, 5, 1, 0x00102030u, 0x11223344u); }, 0x11223344u},
        {"FromColor ignores the key's alpha (opaque key)", 0x40102030u,
         [](CSprite& d) { d.ReplaceDataFromColorFull(0, 0, 5, 1, 0xFF102030u, 0x11223344u); }, 0x11223344u},
        {"FromData compares the alpha", 0x40102030u,
         [](CSprite& d) { d.ReplaceDataFromDataTiledFull(0, 0, 5, 1, 0xFF102030u, Filled(1, 1, 0), 0, 0, 1, 1); },
         0x40102030u},
        {"union over alpha 0 takes the colour exactly", 0x00FFFFFFu,
         [](CSprite& d) { d.ReplaceDataFromAlpha(0, 0, 5, 1, 0, 0xC8102030u, 128); }, 0x64102030u},
        {"opacity 0 changes nothing", 0x00FFFFFFu,
         [](CSprite& d) { d.ReplaceDataFromAlpha(0, 0, 5, 1, 0, 0xC8102030u, 0); }, 0x00FFFFFFu},
        {"pre-mix at 0 changes nothing", 0x10203040u,
         [](CSprite& d) { d.ReplaceDataOpacity(0, 0, 5, 1, 0x10203040u, 0xFFFFFFFFu, 0); }, 0x10203040u},
        {"pre-mix at 255 writes the value", 0x10203040u,
         [](CSprite& d) { d.ReplaceDataOpacity(0, 0, 5, 1, 0x10203040u, 0xFFFFFFFEu, 255); }, 0xFFFFFFFEu},
        {"colour pre-mix keeps the alpha", 0x10000000u,
         [](CSprite& d) { d.ReplaceColorOpacity(0, 0, 5, 1, 0xFF000000u, 0x00FF8000u, 128); }, 0x107F4000u},
        // A matching copy at 128 from an opaque source: linear (the 1 x 1
        // path) keeps 255, the union of a larger source gives 127 + 127.
        {"linear data pre-mix keeps alpha 255", 0xFF000000u,
         [](CSprite& d) { d.ReplaceDataOpacity(0, 0, 5, 1, 0xFF000000u, 0xFF123456u, 128); }, 0xFF091A2Bu},
        {"union of a 2 x 1 source gives 254", 0xFF000000u,
         [&](CSprite& d) { d.ReplaceDataFromDataTiled(0, 0, 5, 1, 0xFF000000u, opaqueWide, 0, 0, 2, 1, 128); },
         0xFE091A2Bu},
        {"threshold: red above, rest equal", 0x80FF0000u,
         [](CSprite& d) { d.ReplaceDataIfGEFull(0, 0, 5, 1, 0x80800000u, 7); }, 7},
        {"threshold: red above fails IfLE", 0x80FF0000u,
         [](CSprite& d) { d.ReplaceDataIfLEFull(0, 0, 5, 1, 0x80800000u, 7); }, 0x80FF0000u},
        {"threshold: mixed channels fail IfGE", 0xFF00FF00u,
         [](CSprite& d) { d.ReplaceDataIfGEFull(0, 0, 5, 1, 0x80808080u, 7); }, 0xFF00FF00u},
        {"threshold: mixed channels pass IfLeOr", 0xFF00FF00u,
         [](CSprite& d) { d.ReplaceDataIfLeOrFull(0, 0, 5, 1, 0x80808080u, 7); }, 7},
        {"equal pixel fails IfGrOr", 0x80808080u,
         [](CSprite& d) { d.ReplaceDataIfGrOrFull(0, 0, 5, 1, 0x80808080u, 7); }, 0x80808080u},
        {"IfGE 0 selects all", 0x00000000u, [](CSprite& d) { d.ReplaceColorIfGEFull(0, 0, 5, 1, 0, 0x123456u); },
         0x00123456u},
        {"IfLeOr 0 selects none", 0x00000000u,
         [](CSprite& d) { d.ReplaceColorIfLeOrFull(0, 0, 5, 1, 0, 0x123456u); }, 0},
        {"IfGrOr all ones selects none", 0xFFFFFFFFu,
         [](CSprite& d) { d.ReplaceDataIfGrOrFull(0, 0, 5, 1, 0xFFFFFFFFu, 0); }, 0xFFFFFFFFu},
        {"draw alpha IfGE at 128 from alpha 0", 0x00ABCDEFu,
         [&](CSprite& d) { d.ReplaceAlphaIfGETiled(0, 0, 5, 1, 0, opaque, 0, 0, 1, 1, 128); }, 0x7FABCDEFu},
        {"copy IfGE at 128 over alpha 0", 0x00ABCDEFu,
         [&](CSprite& d) { d.ReplaceDataIfGETiled(0, 0, 5, 1, 0, opaque, 0, 0, 1, 1, 128); }, 0x7F123456u},
        {"a failing source pixel is still written", 0x80808080u,
         [](CSprite& d) { d.ReplaceDataIfGE(0, 0, 5, 1, 0x80808080u, 0x00000000u, 255); }, 0},
    };
    for (const OnePixel& c : cases) ExpectOnePixel(c);
}

// The 1 x 1 tiled call equals the single-value member with that pixel.
TEST_F(KeyReplaceTest, OnePixelSourceEqualsSingleValue) {
    std::mt19937 rng(4);
    CSprite a = raster_test::RandomWords(9, 4, rng);
    for (int32_t x = 0; x < 9; x += 2) *a.PixelAt(x, 1) = 0x80102030u;
    CSprite b;
    raster_test::CopyPixels(a, b);
    const CSprite src = Filled(3, 3, 0xC0FFEE00u);
    for (const uint8_t op : {1, 100, 200}) {
        a.ReplaceColorFromDataTiled(0, 0, 9, 4, 0x80102030u, src, 1, 1, 1, 1, op);
        b.ReplaceColorFromData(0, 0, 9, 4, 0x80102030u, 0xC0FFEE00u, op);
        a.ReplaceAlphaIfLETiled(0, 0, 9, 4, 0x90909090u, src, 2, 0, 1, 1, op);
        b.ReplaceAlphaIfLE(0, 0, 9, 4, 0x90909090u, 0xC0, op);
    }
    EXPECT_EQ(Pixels(a), Pixels(b));
}

// A 3 x 2 source over 7 x 5 repeats columns 0 1 2 0 1 2 0 and rows 0 1 0 1 0;
// the repeat starts at the clipped corners of both rectangles.
TEST_F(KeyReplaceTest, TiledWalkAndClipping) {
    const CSprite src = Painted(5, 4, [](int32_t x, int32_t y) { return uint32_t(y * 10 + x); });
    const auto walk = [&](Rect r, Rect s, int32_t clipLeft, CSprite* source) {
        CSprite d = Filled(7, 5, 0xFFFFFFFFu);
        d.SetClipRect(clipLeft, 0, 7, 5);
        d.ReplaceDataFromDataTiledFull(r.x, r.y, r.w, r.h, 0xFFFFFFFFu, source ? *source : src, s.x, s.y, s.w, s.h);
        return Pixels(d);
    };
    const auto grid = [](std::function<uint32_t(int32_t, int32_t)> f) {
        std::vector<uint32_t> out;
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 7; ++x) out.push_back(f(x, y));
        return out;
    };
    EXPECT_EQ(walk({0, 0, 7, 5}, {1, 1, 3, 2}, 0, nullptr),
              grid([](int32_t x, int32_t y) { return uint32_t((1 + y % 2) * 10 + 1 + x % 3); }));
    EXPECT_EQ(walk({-2, 0, 9, 5}, {1, 1, 3, 2}, 0, nullptr),
              grid([](int32_t x, int32_t y) { return uint32_t((1 + y % 2) * 10 + 1 + x % 3); }))
        << "a destination cut on the left starts the repeat at its first visible column";
    EXPECT_EQ(walk({0, 0, 7, 5}, {1, 1, 3, 2}, 2, nullptr),
              grid([](int32_t x, int32_t y) {
                  return x < 2 ? 0xFFFFFFFFu : uint32_t((1 + y % 2) * 10 + 1 + (x - 2) % 3);
              }));
    EXPECT_EQ(walk({0, 0, 7, 5}, {-1, 3, 2, 4}, 0, nullptr),
              std::vector<uint32_t>(35, 30u))
        << "the source rectangle cut to (0, 3, 1, 1)";
    CSprite clipped = Painted(5, 4, [](int32_t x, int32_t y) { return uint32_t(y * 10 + x); });
    clipped.SetClipRect(2, 2, 5, 4);
    EXPECT_EQ(walk({0, 0, 7, 5}, {0, 0, 2, 2}, 0, &clipped), std::vector<uint32_t>(35, 0xFFFFFFFFu))
        << "a source rectangle outside the source's clip rectangle changes nothing";
}

TEST_F(KeyReplaceTest, WrappersDoNothingWhileNotReady) {
    CSprite d = Filled(3, 2, 0x80102030u);
    raster_test::ResetRasterLibrary();
    ASSERT_FALSE(IsRasterReady());
    d.ReplaceAlphaOpacity(0, 0, 3, 2, 0x80, 0, 255);
    d.ReplaceColorOpacity(0, 0, 3, 2, 0x102030u, 0, 255);
    d.ReplaceDataOpacity(0, 0, 3, 2, 0x80102030u, 0, 255);
    d.ReplaceAlphaFromColorIfReady(0, 0, 3, 2, 0x102030u, 0, 255);
    d.ReplaceAlphaFromDataIfReady(0, 0, 3, 2, 0x80102030u, 0, 255);
    d.ReplaceColorFromAlphaIfReady(0, 0, 3, 2, 0x80, 0, 255);
    d.ReplaceDataFromAlphaIfReady(0, 0, 3, 2, 0x80, 0, 255);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(6, 0x80102030u));
    ASSERT_TRUE(InitRasterLibrary(1));
    d.ReplaceColorFromAlphaIfReady(0, 0, 3, 2, 0x80, 0x00FFFFFFu, 255);
    EXPECT_EQ(Pixels(d), std::vector<uint32_t>(6, 0x80FFFFFFu));
}

// The wrappers against their rule: the key mixed toward the value, then the
// Full member, over random pixels crowded at the key.
TEST_F(KeyReplaceTest, PreMixingWrappersMatchTheirRule) {
    std::mt19937 rng(21);
    for (int trial = 0; trial < 200; ++trial) {
        const uint32_t key = static_cast<uint32_t>(rng()), value = static_cast<uint32_t>(rng());
        const uint8_t op = static_cast<uint8_t>(rng());
        const int form = trial % 3;
        CSprite d = Painted(6, 3, [&](int32_t, int32_t) { return NearKey(rng, form == 0 ? key & 0xFF000000u : key); });
        std::vector<uint32_t> expected = Pixels(d);
        for (uint32_t& p : expected) {
            if (op == 0) break;
            if (form == 0 && (p >> 24) == (key >> 24)) {
                const uint32_t l = op + (op >> 7);
                p = (p & 0xFFFFFF) | ((((256 - l) * (key >> 24) + l * (value >> 24)) >> 8) << 24);
            } else if (form == 1 && (p & 0xFFFFFF) == (key & 0xFFFFFF)) {
                p = Written(Target::Color, p, value, op);
            } else if (form == 2 && p == key) {
                uint32_t out = 0;
                for (int i = 0; i < 4; ++i) out |= ((Byte(key, i) * (256 - op) + Byte(value, i) * op) >> 8) << (8 * i);
                p = op == 255 ? value : out;
            }
        }
        if (form == 0) d.ReplaceAlphaOpacity(0, 0, 6, 3, uint8_t(key >> 24), uint8_t(value >> 24), op);
        if (form == 1) d.ReplaceColorOpacity(0, 0, 6, 3, key, value, op);
        if (form == 2) d.ReplaceDataOpacity(0, 0, 6, 3, key, value, op);
        ASSERT_EQ(Pixels(d), expected) << trial;
    }
}

}  // namespace key_replace_test
