// Displacement maps that replace pixels (the factor forms) and the map
// rescaler. A per-pixel reference written from the rules (tile position by a
// 64-bit modulo, one sample per channel, the weight blend by its three cases)
// checks every form on random maps, words and phases; a table checks the
// worked cases; the entry points are checked with the canvas as its own
// source.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "raster/surface/sprite/RasterScratch.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Painted;
using raster_test::Pixels;

enum class Form { kWhole, kColour, kAlpha };

struct Words {
    uint32_t selectors = 0x01010101u;
    uint16_t weights = 0x7777u;
    uint16_t gains = 0;
};

uint32_t Channel(uint32_t p, uint32_t k) { return (p >> (8 * k)) & 0xFFu; }

int64_t Mod(int64_t a, int64_t m) { return ((a % m) + m) % m; }

// The expected output pixel (i, j) of a kernel call whose three rectangles
// lie inside their sprites (no clipping), before storing by the form.
uint32_t ReferenceSample(const CSprite& source, int32_t sx, int32_t sy, int32_t sw, int32_t sh, int64_t baseX,
                         int64_t baseY, const CSprite& map, int32_t mx, int32_t my, int32_t mw, int32_t mh,
                         int64_t phaseX, int64_t phaseY, uint32_t fill, const Words& words, int32_t i, int32_t j) {
    const uint32_t m = *map.PixelAt(mx + static_cast<int32_t>(Mod(phaseX + i, mw)),
                                    my + static_cast<int32_t>(Mod(phaseY + j, mh)));
    const auto at = [&](int64_t px, int64_t py) {
        if (px < 0 || py < 0 || px >= sw || py >= sh) return fill;
        return *source.PixelAt(sx + static_cast<int32_t>(px), sy + static_cast<int32_t>(py));
    };
    const auto move = [&](uint32_t field) -> int64_t {
        if (field >= 4) return 0;
        const uint32_t gain = (words.gains >> (4 * field)) & 7u;
        return (static_cast<int64_t>(Channel(m, field)) - 128) * (int64_t{1} << gain);
    };
    const uint32_t u = at(baseX + i, baseY + j);
    uint32_t out = 0;
    for (uint32_t k = 0; k < 4; ++k) {
        const uint32_t selector = (words.selectors >> (8 * k)) & 0xFFu;
        const uint32_t s = Channel(at(baseX + i + move((selector >> 4) & 7u), baseY + j + move(selector & 7u)), k);
        uint32_t c = s;
        const uint32_t field = (words.weights >> (4 * k)) & 7u;
        if (field < 4) {
            const uint32_t v = Channel(m, field);
            const uint32_t wt = v + (v >> 7);
            if (wt == 0)
                c = Channel(u, k);
            else if (wt < 256)
                c = (Channel(u, k) * (256 - wt) + s * wt) >> 8;
        }
        out |= c << (8 * k);
    }
    return out;
}

uint32_t StoreByForm(Form form, uint32_t old, uint32_t sample) {
    switch (form) {
        case Form::kWhole: return sample;
        case Form::kColour: return (old & 0xFF000000u) | (sample & 0x00FFFFFFu);
        case Form::kAlpha: return (old & 0x00FFFFFFu) | (sample & 0xFF000000u);
    }
    return 0;
}

void CallFrom(Form form, CSprite& out, int32_t dx, int32_t dy, int32_t w, int32_t h, const CSprite& source,
              int32_t sx, int32_t sy, int32_t sw, int32_t sh, int32_t baseX, int32_t baseY, const CSprite& map,
              int32_t mx, int32_t my, int32_t mw, int32_t mh, int32_t phaseX, int32_t phaseY, uint32_t fill,
              const Words& wd) {
    switch (form) {
        case Form::kWhole:
            out.DisplacementMapFrom(dx, dy, w, h, source, sx, sy, sw, sh, baseX, baseY, map, mx, my, mw, mh, phaseX,
                                    phaseY, fill, wd.selectors, wd.weights, wd.gains);
            break;
        case Form::kColour:
            out.DisplacementMapFromC(dx, dy, w, h, source, sx, sy, sw, sh, baseX, baseY, map, mx, my, mw, mh, phaseX,
                                     phaseY, fill, wd.selectors, wd.weights, wd.gains);
            break;
        case Form::kAlpha:
            out.DisplacementMapFromA(dx, dy, w, h, source, sx, sy, sw, sh, baseX, baseY, map, mx, my, mw, mh, phaseX,
                                     phaseY, fill, wd.selectors, wd.weights, wd.gains);
            break;
    }
}

bool CallEntry(Form form, CSprite& canvas, int32_t x, int32_t y, int32_t w, int32_t h, const CSprite& map,
               int32_t mx, int32_t my, int32_t mw, int32_t mh, int32_t phaseX, int32_t phaseY, uint32_t fill,
               const Words& wd) {
    switch (form) {
        case Form::kWhole:
            return canvas.DisplacementMap(x, y, w, h, map, mx, my, mw, mh, phaseX, phaseY, fill, wd.selectors,
                                          wd.weights, wd.gains);
        case Form::kColour:
            return canvas.DisplacementMapC(x, y, w, h, map, mx, my, mw, mh, phaseX, phaseY, fill, wd.selectors,
                                           wd.weights, wd.gains);
        case Form::kAlpha:
            return canvas.DisplacementMapA(x, y, w, h, map, mx, my, mw, mh, phaseX, phaseY,
                                           static_cast<uint8_t>(fill >> 24), wd.selectors, wd.weights, wd.gains);
    }
    return false;
}

// A byte-varied canvas pixel, so that channel mix-ups show.
uint32_t CanvasPixel(int32_t x, int32_t y) {
    return 0x80000000u | (static_cast<uint32_t>(x * 9 + 7) << 16) | (static_cast<uint32_t>(y * 31 + 3) << 8) |
           static_cast<uint32_t>(x * 5 + y * 17 + 1);
}

class DisplacementMapsTest : public raster_test::ReadyLibraryTest {};

TEST_F(DisplacementMapsTest, KernelsMatchTheReferenceOnRandomWords) {
    std::mt19937 rng(25121);
    const int32_t phases[] = {0, -1, 7, INT32_MIN, INT32_MAX, INT32_MIN + 1, -1000003};
    const Form forms[] = {Form::kWhole, Form::kColour, Form::kAlpha};
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        const CSprite source = Painted(23, 17, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
        // Map bytes near 128 so that many samples land inside the source.
        const CSprite map = Painted(9, 7, [&](int32_t, int32_t) {
            uint32_t p = 0;
            for (int k = 0; k < 4; ++k) p |= ((rng() % 3 == 0) ? rng() & 0xFFu : 118u + rng() % 21u) << (8 * k);
            return p;
        });
        Words wd;
        wd.selectors = static_cast<uint32_t>(rng());
        wd.weights = static_cast<uint16_t>(rng());
        wd.gains = static_cast<uint16_t>(rng() & 0x1111u);  // shifts of 0 or 1
        if (round % 4 == 0) wd = Words{};                     // the plain words (Simple)
        if (round % 4 == 1) wd.weights = 0x7777u;
        const int32_t phaseX = phases[rng() % 7], phaseY = phases[rng() % 7];
        const int32_t mx = rng() % 3, my = rng() % 3, mw = 1 + rng() % (9 - mx), mh = 1 + rng() % (7 - my);
        const int32_t sx = rng() % 4, sy = rng() % 4, sw = 10 + rng() % 10, sh = 8 + rng() % 6;
        const int32_t baseX = static_cast<int32_t>(rng() % 30) - 5, baseY = static_cast<int32_t>(rng() % 20) - 5;
        const uint32_t fill = static_cast<uint32_t>(rng());
        for (Form form : forms) {
            CSprite out = Painted(14, 11, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
            const std::vector<uint32_t> before = Pixels(out);
            const int32_t dx = 1, dy = 2, w = 12, h = 8;
            CallFrom(form, out, dx, dy, w, h, source, sx, sy, sw, sh, baseX, baseY, map, mx, my, mw, mh, phaseX,
                     phaseY, fill, wd);
            for (int32_t y = 0; y < 11; ++y)
                for (int32_t x = 0; x < 14; ++x) {
                    uint32_t expected = before[static_cast<size_t>(y * 14 + x)];
                    if (x >= dx && x < dx + w && y >= dy && y < dy + h)
                        expected = StoreByForm(form, expected,
                                               ReferenceSample(source, sx, sy, sw, sh, baseX, baseY, map, mx, my, mw,
                                                               mh, phaseX, phaseY, fill, wd, x - dx, y - dy));
                    ASSERT_EQ(*out.PixelAt(x, y), expected) << "form " << int(form) << " at " << x << "," << y;
                }
        }
    }
}

TEST_F(DisplacementMapsTest, SimpleKernelsEqualTheFromKernelsWithThePlainWords) {
    std::mt19937 rng(7);
    const CSprite source = Painted(30, 20, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
    const CSprite map = Painted(5, 4, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()) | 0x7C7C00u; });
    const CSprite start = Painted(16, 12, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
    using Simple = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t,
                                     int32_t, int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t,
                                     int32_t, int32_t, uint32_t);
    const struct {
        Form form;
        Simple simple;
    } rows[] = {{Form::kWhole, &CSprite::DisplacementMapSimple},
                {Form::kColour, &CSprite::DisplacementMapSimpleC},
                {Form::kAlpha, &CSprite::DisplacementMapSimpleA}};
    for (const auto& row : rows) {
        CSprite a, b;
        raster_test::CopyPixels(start, a);
        raster_test::CopyPixels(start, b);
        (a.*row.simple)(-2, 1, 20, 20, source, 1, 1, 28, 18, 3, -4, map, 0, 0, 5, 4, -3, 11, 0x12345678u);
        CallFrom(row.form, b, -2, 1, 20, 20, source, 1, 1, 28, 18, 3, -4, map, 0, 0, 5, 4, -3, 11, 0x12345678u,
                 Words{});
        EXPECT_EQ(Pixels(a), Pixels(b)) << int(row.form);
    }
}

// The worked cases, through the entry points on a 24 x 6 canvas.
TEST_F(DisplacementMapsTest, WorkedCasesThroughTheEntryPoints) {
    using Expect = std::function<uint32_t(const CSprite& original, int32_t x, int32_t y)>;
    const auto pixel = [](const CSprite& c, int32_t x, int32_t y) { return *c.PixelAt(x, y); };
    struct Case {
        const char* name;
        Form form;
        uint32_t mapPixel;  // a uniform 3 x 2 map
        int32_t phaseX;
        uint32_t fill;
        Words words;
        Expect expect;  // over the whole canvas (the rectangle is the whole canvas)
    };
    const Case cases[] = {
        {"mid-grey map copies", Form::kWhole, 0xFF808080u, 0, 0x11223344u, {}, pixel},
        {"blue 138 reads 10 to the right, fill near the edge", Form::kWhole, 0xFF80808Au, 0, 0x11223344u, {},
         [&](const CSprite& c, int32_t x, int32_t y) { return x + 10 < 24 ? pixel(c, x + 10, y) : 0x11223344u; }},
        {"gain 2 on blue: 129 moves 4", Form::kWhole, 0xFF808081u, 0, 0x11223344u, {0x01010101u, 0x7777u, 0x0002u},
         [&](const CSprite& c, int32_t x, int32_t y) { return x + 4 < 24 ? pixel(c, x + 4, y) : 0x11223344u; }},
        {"selectors 0x77777777: undisplaced", Form::kWhole, 0x00FF0000u, 0, 0x11223344u,
         {0x77777777u, 0x7777u, 0u}, pixel},
        {"weight channel 0 of value 0: undisplaced", Form::kWhole, 0xFF80A000u, 0, 0u, {0x11111111u, 0x0000u, 0u},
         pixel},
        {"weight of 255: the displaced sample", Form::kWhole, 0xFF8081FFu, 0, 0u, {0x11111111u, 0x0000u, 0u},
         [&](const CSprite& c, int32_t x, int32_t y) {
             return x + 1 < 24 && y + 1 < 6 ? pixel(c, x + 1, y + 1) : 0u;
         }},
        {"weight of 128 with a one-row move", Form::kWhole, 0xFF808180u, 0, 0u, {0x71717171u, 0x0000u, 0u},
         [&](const CSprite& c, int32_t x, int32_t y) {
             const uint32_t u = pixel(c, x, y), s = y + 1 < 6 ? pixel(c, x, y + 1) : 0u;
             uint32_t out = 0;
             for (uint32_t k = 0; k < 4; ++k) out |= ((Channel(u, k) * 127 + Channel(s, k) * 129) >> 8) << (8 * k);
             return out;
         }},
        {"A form with alpha 40: colour kept, alpha 40 outside", Form::kAlpha, 0xFF80808Au, 0, 40u << 24, {},
         [&](const CSprite& c, int32_t x, int32_t y) {
             const uint32_t alpha = x + 10 < 24 ? pixel(c, x + 10, y) >> 24 : 40u;
             return (pixel(c, x, y) & 0x00FFFFFFu) | (alpha << 24);
         }},
        {"C form: alpha kept", Form::kColour, 0xFF80808Au, 0, 0xFFABCDEFu, {},
         [&](const CSprite& c, int32_t x, int32_t y) {
             const uint32_t colour = x + 10 < 24 ? pixel(c, x + 10, y) : 0xFFABCDEFu;
             return (pixel(c, x, y) & 0xFF000000u) | (colour & 0x00FFFFFFu);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite canvas = Painted(24, 6, CanvasPixel);
        const CSprite original = Painted(24, 6, CanvasPixel);
        const CSprite map = Painted(3, 2, [&](int32_t, int32_t) { return c.mapPixel; });
        ASSERT_TRUE(CallEntry(c.form, canvas, 0, 0, 24, 6, map, 0, 0, 3, 2, c.phaseX, 0, c.fill, c.words));
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 24; ++x) ASSERT_EQ(*canvas.PixelAt(x, y), c.expect(original, x, y)) << x << "," << y;
    }
}

TEST_F(DisplacementMapsTest, PhaseMinusOneStartsAtTheLastMapColumn) {
    // A map whose columns move by 0, 1, 2 columns: phase -1 gives 2, 0, 1, 2, ...
    const CSprite map = Painted(3, 1, [](int32_t x, int32_t) { return 0xFF808080u + static_cast<uint32_t>(x); });
    CSprite canvas = Painted(24, 6, CanvasPixel);
    ASSERT_TRUE(canvas.DisplacementMap(0, 0, 24, 6, map, 0, 0, 3, 1, -1, 0, 0u, 0x01010101u, 0x7777u, 0));
    for (int32_t x = 0; x < 20; ++x) EXPECT_EQ(*canvas.PixelAt(x, 3), CanvasPixel(x + (x + 2) % 3, 3)) << x;
}

TEST_F(DisplacementMapsTest, AnEmptyMapFillsByTheForm) {
    const CSprite empty;
    const struct {
        Form form;
        std::function<uint32_t(uint32_t)> expect;
    } rows[] = {
        {Form::kWhole, [](uint32_t) { return 0x40ABCDEFu; }},
        {Form::kColour, [](uint32_t p) { return (p & 0xFF000000u) | 0x00ABCDEFu; }},
        {Form::kAlpha, [](uint32_t p) { return (p & 0x00FFFFFFu) | 0x40000000u; }},
    };
    for (const auto& row : rows) {
        CSprite canvas = Painted(10, 8, CanvasPixel);
        ASSERT_TRUE(CallEntry(row.form, canvas, 2, 1, 5, 4, empty, 0, 0, 4, 4, 0, 0, 0x40ABCDEFu, Words{}));
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 10; ++x) {
                const bool inside = x >= 2 && x < 7 && y >= 1 && y < 5;
                EXPECT_EQ(*canvas.PixelAt(x, y), inside ? row.expect(CanvasPixel(x, y)) : CanvasPixel(x, y))
                    << int(row.form) << " " << x << "," << y;
            }
    }
}

// The canvas is its own source: every pixel reads the canvas as it was, also
// in a part of the canvas the call has already written; the clip rectangle
// bounds the rectangle and the samples.
TEST_F(DisplacementMapsTest, EntryPointsReadTheCanvasAsItWas) {
    std::mt19937 rng(3);
    const CSprite map = Painted(7, 5, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()) | 0x787878u; });
    const Form forms[] = {Form::kWhole, Form::kColour, Form::kAlpha};
    const Words words[] = {Words{}, Words{0x12300213u, 0x7031u, 0x0101u}};
    for (Form form : forms)
        for (const Words& wd : words) {
            const CSprite original = Painted(40, 30, [&](int32_t, int32_t) { return static_cast<uint32_t>(rng()); });
            CSprite canvas;
            raster_test::CopyPixels(original, canvas);
            ASSERT_TRUE(CallEntry(form, canvas, 3, -2, 33, 40, map, 1, 1, 6, 4, -7, 9, 0xC0FFEE11u, wd));
            const uint32_t fill = form == Form::kAlpha ? 0xC0000000u : 0xC0FFEE11u;
            for (int32_t y = 0; y < 30; ++y)
                for (int32_t x = 0; x < 40; ++x) {
                    uint32_t expected = *original.PixelAt(x, y);
                    if (x >= 3 && x < 36 && y < 30)  // the clipped rectangle starts at (3, 0)
                        expected = StoreByForm(form, expected,
                                               ReferenceSample(original, 0, 0, 40, 30, 3, 0, map, 1, 1, 6, 4, -7, 9,
                                                               fill, wd, x - 3, y));
                    ASSERT_EQ(*canvas.PixelAt(x, y), expected) << int(form) << " " << x << "," << y;
                }
        }
}

// A rectangle whose work sprite the size rule refuses: false, canvas untouched
// (the renderer then reports the shortage instead of counting it as drawn).
TEST_F(DisplacementMapsTest, AWorkSpriteThatCannotBeSizedIsReported) {
    raster_test::ResetRasterScratch();
    CSprite canvas;
    ASSERT_TRUE(canvas.Create(16384, 260, false));
    *canvas.PixelAt(5, 5) = 0x12345678u;
    const CSprite map = raster_test::Filled(2, 2, 0xFF80808Au);
    EXPECT_FALSE(canvas.DisplacementMap(0, 0, 16384, 260, map, 0, 0, 2, 2, 0, 0, 0xFFFFFFFFu, 0x01010101u, 0x7777u, 0));
    EXPECT_EQ(*canvas.PixelAt(5, 5), 0x12345678u);
    EXPECT_TRUE(canvas.DisplacementMap(16380, 0, 4, 4, map, 0, 0, 2, 2, 0, 0, 0xFFFFFFFFu, 0x01010101u, 0x7777u, 0));
    EXPECT_EQ(*canvas.PixelAt(16380, 0), 0xFFFFFFFFu);  // a small rectangle still draws
    raster_test::ResetRasterScratch();
}

TEST_F(DisplacementMapsTest, DisplacementCalcScalesAboutThePivot) {
    const struct {
        const char* name;
        int32_t gain;
        int32_t pivot;
        uint32_t in, out;
    } rows[] = {
        {"gain 1.0 keeps", 256, 128, 200, 200},
        {"gain 0 gives the pivot", 0, 128, 13, 128},
        {"gain 0.5 toward the pivot, truncated toward it", 128, 128, 127, 128},
        {"gain 0.5 above", 128, 128, 201, 164},
        {"gain 2.0 clamps high", 512, 128, 250, 255},
        {"gain 2.0 clamps low", 512, 128, 3, 0},
        {"negative gain mirrors", -256, 128, 138, 118},
        {"32-bit extreme gain, no overflow", INT32_MAX, 128, 255, 255},
        {"32-bit extreme gain below the pivot", INT32_MAX, 128, 0, 0},
        {"32-bit extreme negative gain", INT32_MIN, 128, 255, 0},
        {"alpha about 0", 128, 0, 201, 100},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        // The same gain and pivot on every channel, the value in every channel.
        CSprite s = raster_test::Filled(3, 2, r.in * 0x01010101u);
        s.DisplacementCalc(0, 0, s, 0, 0, 3, 2, r.gain, r.gain, r.gain, r.gain, r.pivot, r.pivot, r.pivot, r.pivot);
        EXPECT_EQ(*s.PixelAt(2, 1), r.out * 0x01010101u);
    }
    // Channels keep their own gains; a second sprite and a clipped blit.
    const CSprite src = raster_test::Filled(4, 4, 0x40C08020u);
    CSprite dst = raster_test::Filled(4, 4, 0u);
    dst.DisplacementCalc(2, 2, src, 0, 0, 4, 4, 0, 256, 512, 128, 128, 128, 128, 0);
    EXPECT_EQ(*dst.PixelAt(3, 3), 0x20808000u);
    EXPECT_EQ(*dst.PixelAt(1, 1), 0u);
}

}  // namespace
