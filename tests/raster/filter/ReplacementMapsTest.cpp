// Replacement maps: resampling through a map of quarter-pixel source
// coordinates, and the coordinate rescaler. The worked cases as a table; a
// reference written channel by channel (four weights out of 16, neighbours
// beyond the source rectangle dropped) on random maps and rectangles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Painted;
using raster_test::Pixels;

constexpr uint32_t Code(uint32_t x, uint32_t fx, uint32_t y, uint32_t fy) {
    return 0x40000000u | (x << 17) | (fx << 15) | (y << 2) | fy;
}

uint32_t SourcePixel(int32_t x, int32_t y) {
    return (static_cast<uint32_t>(x * 7 + y * 3 + 50) << 24) | (static_cast<uint32_t>(x * 13 + 1) << 16) |
           (static_cast<uint32_t>(y * 19 + 2) << 8) | static_cast<uint32_t>(x * 3 + y * 5);
}

// The sample at map pixel m from the source rectangle (sx, sy, sw, sh), by the
// rule: each channel (sum of weight x channel) >> 4.
uint32_t Reference(const CSprite& src, int32_t sx, int32_t sy, int32_t sw, int32_t sh, uint32_t m) {
    if ((m >> 30) == 0) return 0;
    const int32_t x = (m >> 17) & 0x1FFF, y = (m >> 2) & 0x1FFF;
    const int32_t fx = (m >> 15) & 3, fy = m & 3;
    if (x >= sw || y >= sh) return 0;
    const struct {
        int32_t dx, dy, weight;
    } taps[] = {{0, 0, (4 - fx) * (4 - fy)}, {1, 0, fx * (4 - fy)}, {0, 1, (4 - fx) * fy}, {1, 1, fx * fy}};
    uint32_t out = 0;
    for (int k = 0; k < 4; ++k) {
        uint32_t sum = 0;
        for (const auto& t : taps)
            if (t.weight != 0 && x + t.dx < sw && y + t.dy < sh)
                sum += t.weight * ((*src.PixelAt(sx + x + t.dx, sy + y + t.dy) >> (8 * k)) & 0xFFu);
        out |= (sum >> 4) << (8 * k);
    }
    return out;
}

enum class Form { kWhole, kColour, kAlpha };

void Call(Form form, CSprite& out, int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite& src, int32_t sx,
          int32_t sy, int32_t sw, int32_t sh, const CSprite& map, int32_t mx, int32_t my) {
    switch (form) {
        case Form::kWhole: out.ReplacementMap(dx, dy, w, h, src, sx, sy, sw, sh, map, mx, my); break;
        case Form::kColour: out.ReplacementMapC(dx, dy, w, h, src, sx, sy, sw, sh, map, mx, my); break;
        case Form::kAlpha: out.ReplacementMapA(dx, dy, w, h, src, sx, sy, sw, sh, map, mx, my); break;
    }
}

uint32_t Store(Form form, uint32_t old, uint32_t sample) {
    switch (form) {
        case Form::kWhole: return sample;
        case Form::kColour: return (old & 0xFF000000u) | (sample & 0x00FFFFFFu);
        case Form::kAlpha: return (old & 0x00FFFFFFu) | (sample & 0xFF000000u);
    }
    return 0;
}

uint32_t Half(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int k = 0; k < 32; k += 8) out |= ((8 * ((a >> k) & 0xFFu) + 8 * ((b >> k) & 0xFFu)) >> 4) << k;
    return out;
}

class ReplacementMapsTest : public raster_test::ReadyLibraryTest {};

TEST_F(ReplacementMapsTest, WorkedCases) {
    const CSprite src = Painted(12, 8, SourcePixel);
    constexpr uint32_t kOld = 0x7F123456u;
    const struct {
        const char* name;
        uint32_t code;
        Form form;
        uint32_t expected;
    } rows[] = {
        {"whole pixel (10, 5)", Code(10, 0, 5, 0), Form::kWhole, SourcePixel(10, 5)},
        {"x fraction 2: half of (10, 5) and (11, 5)", Code(10, 2, 5, 0), Form::kWhole,
         Half(SourcePixel(10, 5), SourcePixel(11, 5))},
        {"x fraction 2 at the last column: half the pixel", Code(11, 2, 5, 0), Form::kWhole,
         Half(SourcePixel(11, 5), 0)},
        {"y fraction 2 at the last row: half the pixel", Code(3, 0, 7, 2), Form::kWhole, Half(SourcePixel(3, 7), 0)},
        {"x outside the source", Code(12, 0, 0, 0), Form::kWhole, 0u},
        {"y outside the source", Code(0, 0, 8, 0), Form::kWhole, 0u},
        {"flag 0: transparent black", 0x3FFFFFFFu, Form::kWhole, 0u},
        {"flag 0, C form: black, alpha kept", 0x3FFFFFFFu, Form::kColour, kOld & 0xFF000000u},
        {"flag 0, A form: alpha 0, colour kept", 0x3FFFFFFFu, Form::kAlpha, kOld & 0x00FFFFFFu},
        {"flag 2 (bit 31) also points", 0x80000000u | (Code(2, 0, 3, 0) & 0x3FFFFFFFu), Form::kWhole,
         SourcePixel(2, 3)},
        {"C form takes the colour", Code(4, 0, 4, 0), Form::kColour,
         (kOld & 0xFF000000u) | (SourcePixel(4, 4) & 0x00FFFFFFu)},
        {"A form takes the alpha", Code(4, 0, 4, 0), Form::kAlpha,
         (kOld & 0x00FFFFFFu) | (SourcePixel(4, 4) & 0xFF000000u)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const CSprite map = raster_test::Filled(1, 1, r.code);
        CSprite out = raster_test::Filled(2, 2, kOld);
        Call(r.form, out, 1, 1, 1, 1, src, 0, 0, 12, 8, map, 0, 0);
        EXPECT_EQ(*out.PixelAt(1, 1), r.expected);
        EXPECT_EQ(*out.PixelAt(0, 0), kOld);
    }
}

TEST_F(ReplacementMapsTest, RandomMapsMatchTheReference) {
    std::mt19937 rng(25122);
    const CSprite src = Painted(40, 30, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        const CSprite map = Painted(20, 16, [&](int32_t, int32_t) {
            const uint32_t flag = (rng() % 5 == 0) ? 0u : 1u + rng() % 3;
            const uint32_t x = rng() % 34, fx = rng() % 4, y = rng() % 26, fy = rng() % 4;
            return (flag << 30) | (Code(x, fx, y, fy) & 0x3FFFFFFFu);
        });
        const int32_t sx = rng() % 8, sy = rng() % 6, sw = 20 + rng() % 12, sh = 16 + rng() % 8;
        const int32_t mx = static_cast<int32_t>(rng() % 6) - 3, my = static_cast<int32_t>(rng() % 6) - 3;
        for (Form form : {Form::kWhole, Form::kColour, Form::kAlpha}) {
            CSprite out = Painted(18, 14, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
            const std::vector<uint32_t> before = Pixels(out);
            Call(form, out, -1, 2, 30, 30, src, sx, sy, sw, sh, map, mx, my);
            for (int32_t y = 0; y < 14; ++y)
                for (int32_t x = 0; x < 18; ++x) {
                    // Output (x, y) meets map (mx + x + 1, my + y - 2) when that lies inside the map.
                    const int32_t ax = mx + x + 1, ay = my + y - 2;
                    uint32_t expected = before[static_cast<size_t>(y * 18 + x)];
                    if (y >= 2 && ax >= 0 && ay >= 0 && ax < 20 && ay < 16) {
                        expected = Store(form, expected, Reference(src, sx, sy, sw, sh, *map.PixelAt(ax, ay)));
                    }
                    ASSERT_EQ(*out.PixelAt(x, y), expected) << int(form) << " " << x << "," << y;
                }
        }
    }
}

TEST_F(ReplacementMapsTest, CalcRescalesCoordinatesAndKeepsFlags) {
    const struct {
        const char* name;
        uint32_t in;
        double sx, sy;
        int32_t ox, oy;
        uint32_t out;
    } rows[] = {
        {"identity", 0x5ABCDEF1u, 1.0, 1.0, 0, 0, 0x5ABCDEF1u},
        {"scale 0.5 halves, truncating", 0x40000000u | (21u << 15) | 7u, 0.5, 0.5, 0, 0,
         0x40000000u | (10u << 15) | 3u},
        {"offset -1 quarter on 0 wraps to 32767", 0x40000000u, 1.0, 1.0, -1, -1, 0x40000000u | 0x3FFFFFFFu},
        {"offset +1 quarter on x", 0x40000000u | (5u << 15) | 9u, 1.0, 1.0, 1, 0, 0x40000000u | (6u << 15) | 9u},
        {"flag 0 stays 0", 0x00000000u | (4u << 15) | 4u, 2.0, 2.0, 0, 0, (8u << 15) | 8u},
        {"flag 3 stays", 0xC0000000u | 1u, 1.0, -1.0, 0, 0, 0xC0000000u | 0x7FFFu},
        {"a negative scale wraps", 0x40000000u | (3u << 15), -1.0, 1.0, 0, 0, 0x40000000u | (0x7FFDu << 15)},
        {"a huge scale saturates, no overflow", 0x40000000u | (3u << 15) | 3u, 1e300, -1e300, 5, 5,
         0x40000000u | (((uint32_t(INT64_C(9200000000000000000) % 32768) + 5) & 0x7FFF) << 15) |
             ((uint32_t(-INT64_C(9200000000000000000) + 5) & 0x7FFF))},
        {"a scale that is not finite is refused", 0x41234567u, std::numeric_limits<double>::infinity(), 1.0, 3, 3,
         0x41234567u},
        {"NaN is refused", 0x41234567u, 1.0, std::nan(""), 3, 3, 0x41234567u},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        CSprite s = raster_test::Filled(3, 3, r.in);
        s.ReplacementCalc(1, 1, 5, 5, r.sx, r.sy, r.ox, r.oy);
        EXPECT_EQ(*s.PixelAt(2, 2), r.out);
        EXPECT_EQ(*s.PixelAt(0, 0), r.in);
    }
}

}  // namespace
