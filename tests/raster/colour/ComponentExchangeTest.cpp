// Hue, Saturation, HueSaturation and Luminosity draws: worked values per model,
// and every member against a per-pixel model built on the single-colour
// conversions (RGBToHSV / HSVToRGB and siblings), over random pixels (alpha 0
// and 255 sources, grey sources, transparent destinations) and random,
// partly outside rectangles and clip rectangles.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "raster/colour/ColorModel.h"
#include "raster/colour/ComponentExchange.h"
#include "tests/raster/RasterTestSupport.h"

namespace component_exchange_test {

using blend::KernelEntry;
using blend::PlainFn;
using raster_test::Filled;

enum class Takes { Hue, Saturation, HueSaturation, Third };

struct Member {
    const char* name;
    ColorSpaceModel model;
    Takes takes;
};

const Member kMembers[] = {
    {"CompositeHueHSV", kColorSpaceHSV, Takes::Hue},
    {"CompositeHueHSL", kColorSpaceHSL, Takes::Hue},
    {"CompositeHueHSLY", kColorSpaceHSLY, Takes::Hue},
    {"CompositeSaturationHSV", kColorSpaceHSV, Takes::Saturation},
    {"CompositeSaturationHSL", kColorSpaceHSL, Takes::Saturation},
    {"CompositeSaturationHSLY", kColorSpaceHSLY, Takes::Saturation},
    {"CompositeHueSaturationHSV", kColorSpaceHSV, Takes::HueSaturation},
    {"CompositeHueSaturationHSL", kColorSpaceHSL, Takes::HueSaturation},
    {"CompositeHueSaturationHSLY", kColorSpaceHSLY, Takes::HueSaturation},
    {"CompositeLuminosityHSV", kColorSpaceHSV, Takes::Third},
    {"CompositeLuminosityHSL", kColorSpaceHSL, Takes::Third},
    {"CompositeLuminosityHSLY", kColorSpaceHSLY, Takes::Third},
};

// The member of the family table with this name (the rows are what the
// tests call, so a row wired to the wrong rule shows up below).
PlainFn FindMember(const std::string& name) {
    for (const KernelEntry& e : blend::ComponentExchangeKernels())
        if (name == e.name) return std::get<PlainFn>(e.fn);
    ADD_FAILURE() << name << " is not in the family table";
    return nullptr;
}

void ToModel(ColorSpaceModel m, uint32_t p, int32_t& h, int32_t& s, int32_t& t) {
    switch (m) {
        case kColorSpaceHSV: RGBToHSV(p, h, s, t); break;
        case kColorSpaceHSL: RGBToHSL(p, h, s, t); break;
        case kColorSpaceHSLY: RGBToHSLY(p, h, s, t); break;
    }
}

uint32_t FromModel(ColorSpaceModel m, int32_t h, int32_t s, int32_t t) {
    switch (m) {
        case kColorSpaceHSV: return HSVToRGB(h, s, t);
        case kColorSpaceHSL: return HSLToRGB(h, s, t);
        case kColorSpaceHSLY: return HSLYToRGB(h, s, t);
    }
    return 0;
}

// One pixel the way the draw is defined, through the single-colour functions.
uint32_t ModelPixel(const Member& m, uint32_t s, uint32_t d) {
    if ((s >> 24) == 0) return d;
    int32_t hs = 0, ss = 0, ts = 0, hd = 0, sd = 0, td = 0;
    ToModel(m.model, s, hs, ss, ts);
    ToModel(m.model, d, hd, sd, td);
    if (m.takes == Takes::Hue && ss == 0) return d;
    if (m.takes == Takes::Hue || m.takes == Takes::HueSaturation) hd = hs;
    if (m.takes == Takes::Saturation || m.takes == Takes::HueSaturation) sd = ss;
    if (m.takes == Takes::Third) td = ts;
    return (d & 0xFF000000u) | FromModel(m.model, hd, sd, td);
}

// One source pixel over one destination pixel through the member itself.
uint32_t DrawOne(const char* name, uint32_t s, uint32_t d) {
    CSprite source = Filled(1, 1, s);
    CSprite target = Filled(1, 1, d);
    const PlainFn fn = FindMember(name);
    if (fn == nullptr) return d;
    (target.*fn)(0, 0, source, 0, 0, 1, 1);
    return *target.PixelAt(0, 0);
}

class ComponentExchangeTest : public raster_test::ReadyLibraryTest {};

TEST_F(ComponentExchangeTest, FamilyTableHoldsTheTwelveMembersInColourForm) {
    std::set<std::string> names;
    for (const KernelEntry& e : blend::ComponentExchangeKernels()) {
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
        EXPECT_EQ(e.shape, blend::Shape::Plain) << e.name;
        EXPECT_EQ(e.form, blend::Form::C) << e.name;
    }
    EXPECT_EQ(names.size(), std::size(kMembers));
    for (const Member& m : kMembers) EXPECT_EQ(names.count(m.name), 1u) << m.name;
}

// Worked values: one row per (member, source, destination).
TEST_F(ComponentExchangeTest, WorkedValues) {
    struct Case {
        const char* what;
        const char* member;
        uint32_t source, destination, expected;
    };
    const Case cases[] = {
        // The saturation stays the destination's: a grey stays grey.
        {"hue of red onto grey", "CompositeHueHSV", 0xFFFF0000, 0xFF808080, 0xFF808080},
        {"hue of red onto grey", "CompositeHueHSL", 0xFFFF0000, 0xFF808080, 0xFF808080},
        {"hue of red onto grey", "CompositeHueHSLY", 0xFFFF0000, 0xFF808080, 0xFF808080},
        // A grey source has no hue to give.
        {"hue of grey onto red", "CompositeHueHSV", 0xFF808080, 0xFFFF0000, 0xFFFF0000},
        {"hue of grey onto red", "CompositeHueHSL", 0xFF808080, 0xFFFF0000, 0xFFFF0000},
        {"hue of grey onto red", "CompositeHueHSLY", 0xFF808080, 0xFFFF0000, 0xFFFF0000},
        {"hue of white onto blue", "CompositeHueHSV", 0xFFFFFFFF, 0xFF0000FF, 0xFF0000FF},
        {"hue of black onto blue", "CompositeHueHSLY", 0xFF000000, 0xFF0000FF, 0xFF0000FF},
        // Destination alpha kept; HSLY keeps blue's luma 29.
        {"hue of red onto half blue", "CompositeHueHSV", 0xFFFF0000, 0x800000FF, 0x80FF0000},
        {"hue of red onto half blue", "CompositeHueHSL", 0xFFFF0000, 0x800000FF, 0x80FF0000},
        {"hue of red onto half blue", "CompositeHueHSLY", 0xFFFF0000, 0x800000FF, 0x80610000},
        // Saturation 0 taken: value 256, lightness 128, luma 76 of red remain.
        {"saturation of grey onto red", "CompositeSaturationHSV", 0xFF808080, 0xFFFF0000, 0xFFFFFFFF},
        {"saturation of grey onto red", "CompositeSaturationHSL", 0xFF808080, 0xFFFF0000, 0xFF808080},
        {"saturation of grey onto red", "CompositeSaturationHSLY", 0xFF808080, 0xFFFF0000, 0xFF4C4C4C},
        // Full saturation onto grey (hue 0): value 128, lightness 129, luma 128.
        {"saturation of red onto grey", "CompositeSaturationHSV", 0xFFFF0000, 0xFF808080, 0xFF800000},
        {"saturation of red onto grey", "CompositeSaturationHSL", 0xFFFF0000, 0xFF808080, 0xFFFF0101},
        {"saturation of red onto grey", "CompositeSaturationHSLY", 0xFFFF0000, 0xFF808080, 0xFFFF4747},
        {"luminosity of black onto red", "CompositeLuminosityHSV", 0xFF000000, 0xFFFF0000, 0xFF000000},
        {"luminosity of black onto red", "CompositeLuminosityHSL", 0xFF000000, 0xFFFF0000, 0xFF000000},
        {"luminosity of black onto red", "CompositeLuminosityHSLY", 0xFF000000, 0xFFFF0000, 0xFF000000},
        // Red's value is already 256; a measured luma of 255 is not the white target.
        {"luminosity of white onto red", "CompositeLuminosityHSV", 0xFFFFFFFF, 0xFFFF0000, 0xFFFF0000},
        {"luminosity of white onto red", "CompositeLuminosityHSL", 0xFFFFFFFF, 0xFFFF0000, 0xFFFFFFFF},
        {"luminosity of white onto red", "CompositeLuminosityHSLY", 0xFFFFFFFF, 0xFFFF0000, 0xFFFFFDFD},
        {"hue and saturation of red onto white", "CompositeHueSaturationHSV", 0xFFFF0000, 0xFFFFFFFF, 0xFFFF0000},
        {"hue and saturation of red onto white", "CompositeHueSaturationHSL", 0xFFFF0000, 0xFFFFFFFF, 0xFFFFFFFF},
        {"hue and saturation of red onto white", "CompositeHueSaturationHSLY", 0xFFFF0000, 0xFFFFFFFF,
         0xFFFFFDFD},
        // Hue and saturation of green onto grey (lightness 129 in HSL).
        {"hue and saturation of green onto grey", "CompositeHueSaturationHSL", 0xFF00FF00, 0xFF808080, 0xFF01FF01},
        // Any non-zero source alpha counts fully; the destination alpha stays.
        {"source alpha 1 counts fully", "CompositeLuminosityHSV", 0x01000000, 0xFFFF0000, 0xFF000000},
        {"transparent destination recoloured", "CompositeHueHSV", 0xFFFF0000, 0x000000FF, 0x00FF0000},
        {"transparent destination recoloured", "CompositeSaturationHSL", 0x80808080, 0x00FF0000, 0x00808080},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DrawOne(c.member, c.source, c.destination), c.expected)
            << c.what << " (" << c.member << ") got " << std::hex << DrawOne(c.member, c.source, c.destination);
    }
}

// A transparent source pixel leaves the destination exactly as it was, in every
// member and whatever the source colour.
TEST_F(ComponentExchangeTest, TransparentSourceLeavesThePixel) {
    for (const Member& m : kMembers) {
        for (uint32_t s : {0x00FF0000u, 0x00000000u, 0x00FFFFFFu, 0x0012AB34u}) {
            EXPECT_EQ(DrawOne(m.name, s, 0x12345678u), 0x12345678u) << m.name << " source " << std::hex << s;
        }
    }
}

// Random source pixel: alpha 0 or 255 a quarter of the time each, a grey (or
// black or white) colour a quarter of the time.
uint32_t RandomSourcePixel(std::mt19937& rng) {
    uint32_t p = raster_test::RandomPixel(rng);
    switch (rng() & 7) {
        case 0: {
            const uint32_t g = rng() & 0xFF;
            p = (p & 0xFF000000u) | (g * 0x010101u);
            break;
        }
        case 1: p = (p & 0xFF000000u) | ((rng() & 1) != 0 ? 0xFFFFFFu : 0u); break;
        default: break;
    }
    return p;
}

int32_t Range(std::mt19937& rng, int32_t lo, int32_t hi) {
    return lo + static_cast<int32_t>(rng() % static_cast<uint32_t>(hi - lo + 1));
}

// Every member against the per-pixel model, with the clipping worked out
// independently: a destination pixel changes only where it lies in the clip
// rectangle and its paired source pixel lies in the source image. Sprites of
// different widths, so that each is walked by its own stride.
TEST_F(ComponentExchangeTest, MembersMatchThePerPixelModel) {
    std::mt19937 rng(931934);
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.name);
        const PlainFn fn = FindMember(m.name);
        ASSERT_NE(fn, nullptr);
        int64_t drawn = 0;  // pixels inside the clipped rectangle, so the rounds are known to draw
        for (int round = 0; round < 100; ++round) {
            const int32_t tw = Range(rng, 1, 48), th = Range(rng, 1, 32);
            const int32_t sw = Range(rng, 1, 40), sh = Range(rng, 1, 30);
            CSprite source = raster_test::Painted(sw, sh, [&](int32_t, int32_t) { return RandomSourcePixel(rng); });
            CSprite target = raster_test::Painted(tw, th, [&](int32_t, int32_t) { return raster_test::RandomPixel(rng); });
            const std::vector<uint32_t> before = raster_test::Pixels(target);

            // Corners and sizes often past an edge (or empty), but mostly
            // leaving something to draw.
            const int32_t dx = Range(rng, -6, tw / 2 + 2), dy = Range(rng, -6, th / 2 + 2);
            const int32_t sx = Range(rng, -5, sw / 2 + 2), sy = Range(rng, -5, sh / 2 + 2);
            const int32_t w = Range(rng, -2, sw + 10), h = Range(rng, -2, sh + 10);
            const int32_t left = Range(rng, -2, tw / 4), top = Range(rng, -2, th / 4);
            const int32_t right = Range(rng, left + (tw - left) / 2, tw + 2);
            const int32_t bottom = Range(rng, top + (th - top) / 2, th + 2);
            target.SetClipRect(left, top, right, bottom);
            (target.*fn)(dx, dy, source, sx, sy, w, h);

            for (int32_t y = 0; y < th; ++y) {
                for (int32_t x = 0; x < tw; ++x) {
                    const uint32_t d = before[static_cast<size_t>(y) * tw + x];
                    const int32_t px = sx + (x - dx), py = sy + (y - dy);
                    const bool inside = x >= dx && x < dx + w && y >= dy && y < dy + h && x >= left && x < right &&
                                        y >= top && y < bottom && px >= 0 && px < sw && py >= 0 && py < sh;
                    drawn += inside ? 1 : 0;
                    const uint32_t expected = inside ? ModelPixel(m, *source.PixelAt(px, py), d) : d;
                    const uint32_t got = *target.PixelAt(x, y);
                    if (got != expected) {
                        ADD_FAILURE() << "pixel (" << x << ", " << y << ") got " << std::hex << got << " expected "
                                      << expected << " source " << (inside ? *source.PixelAt(px, py) : 0u)
                                      << " destination " << d;
                        return;
                    }
                }
            }
        }
        EXPECT_GT(drawn, 1000);
    }
}

// A lattice of colours with greys and the channel ties of the hue rule, every
// one over every one: each channel order is met on both sides.
TEST_F(ComponentExchangeTest, DenseColourPairsMatchThePerPixelModel) {
    std::vector<uint32_t> colours;
    for (uint32_t r = 0; r < 256; r += 51)
        for (uint32_t g = 0; g < 256; g += 51)
            for (uint32_t b = 0; b < 256; b += 51) colours.push_back(0xFF000000u | (r << 16) | (g << 8) | b);
    for (uint32_t v : {1u, 2u, 127u, 128u, 129u, 254u}) colours.push_back(0xFF000000u | v * 0x010101u);
    colours.push_back(0xFF0B0B00u);
    colours.push_back(0xFF000001u);
    colours.push_back(0xFF020000u);
    const int32_t n = static_cast<int32_t>(colours.size());
    CSprite source = raster_test::Painted(n, n, [&](int32_t x, int32_t) { return colours[static_cast<size_t>(x)]; });
    for (const Member& m : kMembers) {
        SCOPED_TRACE(m.name);
        CSprite target =
            raster_test::Painted(n, n, [&](int32_t, int32_t y) { return colours[static_cast<size_t>(y)]; });
        const PlainFn fn = FindMember(m.name);
        ASSERT_NE(fn, nullptr);
        (target.*fn)(0, 0, source, 0, 0, n, n);
        int failures = 0;
        for (int32_t y = 0; y < n && failures < 5; ++y)
            for (int32_t x = 0; x < n && failures < 5; ++x) {
                const uint32_t expected =
                    ModelPixel(m, colours[static_cast<size_t>(x)], colours[static_cast<size_t>(y)]);
                if (*target.PixelAt(x, y) != expected) {
                    ++failures;
                    ADD_FAILURE() << std::hex << "source " << colours[static_cast<size_t>(x)] << " destination "
                                  << colours[static_cast<size_t>(y)] << " got " << *target.PixelAt(x, y)
                                  << " expected " << expected;
                }
            }
    }
}

}  // namespace component_exchange_test
