// Replacement by lookup maps and arrays: map entries against the pixel's own
// channel values, the map region and selector checks, the three targets, and
// the array's first match against a plain left-to-right search on random
// lists full of duplicates (short lists, stack-sized and heap-sized tables).
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace lookup_replace_test {

using raster_test::CopyPixels;
using raster_test::Painted;
using raster_test::Pixels;

class LookupReplaceTest : public raster_test::ReadyLibraryTest {};

enum class Target { Data, Color, Alpha };
constexpr Target kTargets[] = {Target::Data, Target::Color, Target::Alpha};
const char* TargetName(Target t) { return t == Target::Data ? "Data" : t == Target::Color ? "Color" : "Alpha"; }

uint32_t Written(Target t, uint32_t p, uint32_t v) {
    switch (t) {
    case Target::Data: return v;
    case Target::Color: return (p & 0xFF000000u) | (v & 0x00FFFFFFu);
    case Target::Alpha: return (v & 0xFF000000u) | (p & 0x00FFFFFFu);
    }
    return 0;
}

// The channel value a selector code names (1 B, 2 G, 4 R, 8 A).
uint32_t ChannelOf(uint32_t p, int32_t code) {
    const int32_t shift = code == 1 ? 0 : code == 2 ? 8 : code == 4 ? 16 : 24;
    return (p >> shift) & 0xFF;
}

void ReplaceMap(Target t, CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t mask, uint32_t key,
                int32_t column, int32_t row, const CSprite& map, int32_t mx, int32_t my) {
    switch (t) {
    case Target::Data: s.ReplaceDataMap(x, y, w, h, mask, key, column, row, map, mx, my); break;
    case Target::Color: s.ReplaceColorMap(x, y, w, h, mask, key, column, row, map, mx, my); break;
    case Target::Alpha: s.ReplaceAlphaMap(x, y, w, h, mask, key, column, row, map, mx, my); break;
    }
}

void ReplaceArray(Target t, CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t mask,
                  const CSprite& array, uint8_t raw) {
    switch (t) {
    case Target::Data: s.ReplaceDataArray(x, y, w, h, mask, array, raw); break;
    case Target::Color: s.ReplaceColorArray(x, y, w, h, mask, array, raw); break;
    case Target::Alpha: s.ReplaceAlphaArray(x, y, w, h, mask, array, raw); break;
    }
}

// Map entries that differ in every byte from their neighbours.
uint32_t MapPixel(int32_t x, int32_t y) {
    return static_cast<uint32_t>(x) * 0x01030507u ^ static_cast<uint32_t>(y) * 0x9E3779B1u;
}

// A destination where about half the pixels carry the key's bytes in the
// compared channels 0xFF00FF00 (alpha 0x80, green 0x40); the rest random.
CSprite KeyedCanvas(int32_t w, int32_t h, std::mt19937& rng) {
    return Painted(w, h, [&](int32_t, int32_t) {
        const uint32_t p = static_cast<uint32_t>(rng());
        return (rng() & 1) != 0 ? (p & 0x00FF00FFu) | 0x80004000u : p;
    });
}

TEST_F(LookupReplaceTest, MapTakesTheEntryAtThePixelsOwnChannelValues) {
    constexpr uint32_t kMask = 0xFF00FF00u, kKey = 0x80FF40FFu;  // key's R, B not compared
    struct Case {
        const char* name;
        int32_t column, row, mx, my, mapW, mapH;
        bool draws;
    };
    const Case cases[] = {
        {"one-row map, column red", 4, 0, 10, 2, 300, 3, true},
        {"one-row map on the map's last row", 1, 0, 0, 2, 256, 3, true},
        {"block, column green, row blue", 2, 1, 0, 0, 256, 256, true},
        {"block, column alpha, row red, offset", 8, 4, 44, 4, 300, 260, true},
        {"one-row map at the largest origin", 4, 0, 32767, 0, 33023, 1, true},
        {"256 x 256 map moved right by one", 2, 1, 1, 0, 256, 256, false},
        {"256 x 256 map moved down by one", 2, 1, 0, 1, 256, 256, false},
        {"map one column short", 4, 0, 0, 0, 255, 1, false},
        {"origin left of the map", 4, 0, -1, 0, 300, 1, false},
        {"origin beyond 32767", 4, 0, 32768, 0, 33100, 1, false},
        {"one-row origin below the map", 4, 0, 0, 3, 300, 3, false},
        {"one-row origin above the map", 4, 0, 0, -1, 300, 3, false},
        {"column code 0", 0, 0, 0, 0, 300, 3, false},
        {"column code 3", 3, 0, 0, 0, 300, 3, false},
        {"column code 16", 16, 0, 0, 0, 300, 3, false},
        {"row code 3", 4, 3, 0, 0, 300, 300, false},
        {"row code 16", 4, 16, 0, 0, 300, 300, false},
    };
    std::mt19937 rng(41);
    const CSprite base = KeyedCanvas(24, 16, rng);
    for (const Case& c : cases) {
        const CSprite map = Painted(c.mapW, c.mapH, MapPixel);
        for (const Target t : kTargets) {
            SCOPED_TRACE(std::string(c.name) + " / " + TargetName(t));
            CSprite s;
            CopyPixels(base, s);
            ReplaceMap(t, s, 0, 0, 24, 16, kMask, kKey, c.column, c.row, map, c.mx, c.my);
            int32_t changed = 0;
            for (int32_t y = 0; y < 16; ++y)
                for (int32_t x = 0; x < 24; ++x) {
                    const uint32_t p = *base.PixelAt(x, y);
                    uint32_t expected = p;
                    if (c.draws && (p & kMask) == (kKey & kMask)) {
                        const int32_t my = c.my + (c.row == 0 ? 0 : static_cast<int32_t>(ChannelOf(p, c.row)));
                        expected = Written(t, p, MapPixel(c.mx + static_cast<int32_t>(ChannelOf(p, c.column)), my));
                    }
                    ASSERT_EQ(*s.PixelAt(x, y), expected) << x << "," << y;
                    changed += expected != p;
                }
            if (c.draws) {
                EXPECT_GT(changed, 40);
            }
        }
    }
}

// Only the destination's clip rectangle limits the work; the map's own clip
// rectangle plays no part. An empty mask selects every pixel.
TEST_F(LookupReplaceTest, MapClipsTheDestinationOnlyAndAnEmptyMaskSelectsAll) {
    std::mt19937 rng(42);
    const CSprite base = raster_test::RandomWords(12, 10, rng);
    CSprite map = Painted(256, 1, MapPixel);
    map.SetClipRect(0, 0, 1, 1);
    CSprite s;
    CopyPixels(base, s);
    s.SetClipRect(2, 3, 9, 8);
    s.ReplaceDataMap(-5, -5, 100, 100, 0, 0x12345678u, 1, 0, map, 0, 0);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 12; ++x) {
            const uint32_t p = *base.PixelAt(x, y);
            const bool inside = x >= 2 && x < 9 && y >= 3 && y < 8;
            EXPECT_EQ(*s.PixelAt(x, y), inside ? MapPixel(static_cast<int32_t>(p & 0xFF), 0) : p) << x << "," << y;
        }
}

// The plain search: pixel by pixel, keys read from the array as they are at
// that moment (so it also models an array that is the sprite itself).
void ReferenceArray(Target t, CSprite& s, int32_t x0, int32_t y0, int32_t w, int32_t h, uint32_t mask,
                    const CSprite& array, bool raw) {
    if (array.GetHeight() < 2) return;
    for (int32_t y = y0; y < y0 + h; ++y)
        for (int32_t x = x0; x < x0 + w; ++x) {
            uint32_t& p = *s.PixelAt(x, y);
            for (int32_t k = 0; k < array.GetWidth(); ++k) {
                const uint32_t key = *array.PixelAt(k, 0);
                if ((p & mask) == (raw ? key : key & mask)) {
                    p = Written(t, p, *array.PixelAt(k, 1));
                    break;
                }
            }
        }
}

// Words of bytes from a small alphabet: many pixels share keys, many keys
// repeat, and raw keys often have bytes outside the mask.
uint32_t AlphabetWord(std::mt19937& rng) {
    static constexpr uint8_t kBytes[] = {0x00, 0x01, 0x80, 0xFF};
    uint32_t v = 0;
    for (int32_t b = 0; b < 4; ++b) v = v << 8 | kBytes[rng() % 4];
    return v;
}

TEST_F(LookupReplaceTest, ArrayFirstMatchEqualsThePlainSearch) {
    const int32_t lengths[] = {1, 2, 8, 9, 64, 600, 3000};  // direct search, stack table, heap table
    const uint32_t masks[] = {0u, 0x000000FFu, 0xFF00FF00u, 0x00FFFFFFu, 0xFFFFFFFFu};
    std::mt19937 rng(43);
    for (const int32_t n : lengths) {
        const CSprite array = Painted(n, 3, [&](int32_t, int32_t y) {
            return y == 0 ? AlphabetWord(rng) : static_cast<uint32_t>(rng());
        });
        const CSprite base = Painted(20, 14, [&](int32_t, int32_t) { return AlphabetWord(rng); });
        for (const uint32_t mask : masks)
            for (const uint8_t raw : {uint8_t{0}, uint8_t{7}})
                for (const Target t : kTargets) {
                    SCOPED_TRACE(::testing::Message() << "n " << n << " mask " << std::hex << mask << " raw "
                                                      << int(raw) << " " << TargetName(t));
                    CSprite got, expected;
                    CopyPixels(base, got);
                    CopyPixels(base, expected);
                    ReplaceArray(t, got, 1, 2, 17, 11, mask, array, raw);
                    ReferenceArray(t, expected, 1, 2, 17, 11, mask, array, raw != 0);
                    ASSERT_EQ(Pixels(got), Pixels(expected));
                }
    }
}

// Worked lists. Each runs as written and padded with pairs that match no
// pixel, so that the short direct search and the table both answer.
TEST_F(LookupReplaceTest, ArrayWorkedLists) {
    struct Case {
        const char* name;
        std::vector<uint32_t> keys, values;
        uint32_t mask;
        uint8_t raw;
        uint32_t pixel, expected;  // Data target
    };
    const Case cases[] = {
        {"a repeated key uses the leftmost pair", {0xFF112233u, 0xFF112233u}, {0x01010101u, 0x02020202u}, 0xFFFFFFFFu,
         0, 0xFF112233u, 0x01010101u},
        {"single pair", {0xFF112233u}, {0x44556677u}, 0xFFFFFFFFu, 0, 0xFF112233u, 0x44556677u},
        {"alpha only: the first key of that alpha, whatever the colours",
         {0x7F000000u, 0x80FFFFFFu, 0x80000000u}, {1, 2, 3}, 0xFF000000u, 0, 0x80123456u, 2},
        {"masked keys: bytes outside the mask do not matter", {0xAA0000FFu}, {9}, 0x000000FFu, 0, 0x000000FFu, 9},
        {"raw key with bytes outside the mask never matches; a later clean one does",
         {0xAA0000FFu, 0x000000FFu}, {9, 10}, 0x000000FFu, 1, 0x123456FFu, 10},
        {"no key matches", {0x00000001u}, {9}, 0x000000FFu, 0, 0x00000002u, 0x00000002u},
        {"empty mask: the first key matches everything", {0x5u, 0x6u}, {7, 8}, 0u, 0, 0x12345678u, 7},
    };
    for (const Case& c : cases)
        for (const bool padded : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (padded ? " (padded)" : ""));
            std::vector<uint32_t> keys = c.keys, values = c.values;
            if (padded)
                for (int32_t i = 0; i < 40; ++i) {
                    keys.push_back(c.pixel ^ 0x01010101u);  // differs from the pixel in every byte
                    values.push_back(0xDEAD0000u + static_cast<uint32_t>(i));
                }
            const CSprite array = Painted(static_cast<int32_t>(keys.size()), 2, [&](int32_t x, int32_t y) {
                return y == 0 ? keys[static_cast<size_t>(x)] : values[static_cast<size_t>(x)];
            });
            if (padded && c.mask == 0) continue;  // an empty mask matches the padding too
            for (const Target t : kTargets) {
                CSprite s = raster_test::Filled(3, 2, c.pixel);
                ReplaceArray(t, s, 0, 0, 3, 2, c.mask, array, c.raw);
                for (const uint32_t p : Pixels(s)) EXPECT_EQ(p, Written(t, c.pixel, c.expected)) << TargetName(t);
            }
        }
}

TEST_F(LookupReplaceTest, ArrayOfOneRowOrNoColumnsChangesNothing) {
    for (const auto& size : {std::pair{5, 1}, std::pair{0, 0}}) {
        CSprite array;
        ASSERT_TRUE(array.Create(size.first, size.second, false));
        for (int32_t x = 0; x < size.first; ++x) *array.PixelAt(x, 0) = 0x11111111u;
        CSprite s = raster_test::Filled(4, 4, 0x11111111u);
        s.ReplaceDataArray(0, 0, 4, 4, 0xFFFFFFFFu, array, 0);
        for (const uint32_t p : Pixels(s)) EXPECT_EQ(p, 0x11111111u);
    }
}

// An array that is the sprite being changed: every pixel searches the keys
// as they stand when it is reached, as the plain search does.
TEST_F(LookupReplaceTest, ArrayThatIsTheTargetItself) {
    std::mt19937 rng(44);
    const CSprite base = Painted(30, 4, [&](int32_t, int32_t) { return AlphabetWord(rng); });
    CSprite got, expected;
    CopyPixels(base, got);
    CopyPixels(base, expected);
    got.ReplaceDataArray(0, 0, 30, 4, 0x00FF00FFu, got, 0);
    ReferenceArray(Target::Data, expected, 0, 0, 30, 4, 0x00FF00FFu, expected, false);
    EXPECT_EQ(Pixels(got), Pixels(expected));
}

}  // namespace lookup_replace_test
