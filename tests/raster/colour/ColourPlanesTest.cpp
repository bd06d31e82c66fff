// Colour-space planes: the byte encoding of worked colours and round trips,
// both conversions of every model exhaustively over all 2^24 values against
// the single-colour functions, the alpha and clipping of the conversions, and
// the byte arithmetic (constant adds, windows, two planes) as tables of cases,
// with document values up to the 32-bit extremes.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

#include "raster/colour/ColorModel.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::Filled;
using raster_test::Pixels;

using Conversion = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);

struct Model {
    ColorSpaceModel code;
    Conversion toPlane;
    Conversion toRGB;
};
const Model kModels[] = {
    {kColorSpaceHSV, &CSprite::RGB2ColorSpaceHSV, &CSprite::ColorSpace2RGBHSV},
    {kColorSpaceHSL, &CSprite::RGB2ColorSpaceHSL, &CSprite::ColorSpace2RGBHSL},
    {kColorSpaceHSLY, &CSprite::RGB2ColorSpaceHSLY, &CSprite::ColorSpace2RGBHSLY},
};

// The plane bytes of a colour from the single-colour functions.
uint32_t ReferencePlane(ColorSpaceModel model, uint32_t rgb) {
    int32_t h = 0, s = 0, t = 0;
    switch (model) {
        case kColorSpaceHSV: RGBToHSV(rgb, h, s, t); break;
        case kColorSpaceHSL: RGBToHSL(rgb, h, s, t); break;
        default: RGBToHSLY(rgb, h, s, t); break;
    }
    const uint32_t hueByte = static_cast<uint32_t>(h) * 256 / 360;  // within 1 of the fixed-point rule
    const uint32_t fixedHue = (static_cast<uint32_t>(h) * 46603u) >> 16;
    EXPECT_LE(hueByte - fixedHue + 1, 2u) << h;
    return (fixedHue << 16) | (static_cast<uint32_t>(s == 256 ? 255 : s) << 8) |
           static_cast<uint32_t>(t == 256 ? 255 : t);
}

// The colour of plane bytes from the single-colour functions.
uint32_t ReferenceRGB(ColorSpaceModel model, uint32_t bytes) {
    const int32_t h = static_cast<int32_t>(((bytes >> 16) & 0xFF) * 360 / 256);
    const auto unfold = [](uint32_t b) { return static_cast<int32_t>(b == 255 ? 256 : b); };
    const int32_t s = unfold((bytes >> 8) & 0xFF), t = unfold(bytes & 0xFF);
    switch (model) {
        case kColorSpaceHSV: return HSVToRGB(h, s, t);
        case kColorSpaceHSL: return HSLToRGB(h, s, t);
        default: return HSLYToRGB(h, s, t);
    }
}

class ColourPlanesTest : public raster_test::ReadyLibraryTest {};

uint32_t Convert(Conversion c, uint32_t pixel, uint32_t destination = 0xFF000000) {
    const CSprite src = Filled(1, 1, pixel);
    CSprite dst = Filled(1, 1, destination);
    (dst.*c)(0, 0, src, 0, 0, 1, 1);
    return *dst.PixelAt(0, 0);
}

TEST_F(ColourPlanesTest, WorkedBytesAndRoundTrips) {
    struct Row {
        ColorSpaceModel model;
        uint32_t rgb, plane, back;
    };
    constexpr ColorSpaceModel V = kColorSpaceHSV, L = kColorSpaceHSL, Y = kColorSpaceHSLY;
    const Row rows[] = {
        {V, 0xFF0000, 0x00FFFF, 0xFF0000}, {L, 0xFF0000, 0x00FF80, 0xFF0000}, {Y, 0xFF0000, 0x00FF4C, 0xFF0000},
        {V, 0xFFFFFF, 0x0000FF, 0xFFFFFF}, {L, 0xFFFFFF, 0x0000FF, 0xFFFFFF}, {Y, 0xFFFFFF, 0x0000FF, 0xFFFFFF},
        {V, 0x808080, 0x000080, 0x808080}, {L, 0x808080, 0x000081, 0x808080}, {Y, 0x808080, 0x000080, 0x808080},
        {V, 0x000000, 0x000000, 0x000000}, {L, 0x000000, 0x000000, 0x000000}, {Y, 0x000000, 0x000000, 0x000000},
        {V, 0x00FF00, 0x55FFFF, 0x05FF00}, {L, 0x00FF00, 0x55FF80, 0x05FF00}, {Y, 0x00FF00, 0x55FF95, 0x04FD00},
        {V, 0x0000FF, 0xAAFFFF, 0x0005FF}, {L, 0x0000FF, 0xAAFF80, 0x0005FF},
        {V, 0xC86432, 0x0DC0C8, 0xC85F32}, {L, 0xC86432, 0x0D997D, 0xC65E32}, {Y, 0xC86432, 0x0D997C, 0xCB6134},
    };
    for (const Row& r : rows) {
        const Model& m = kModels[r.model];
        const uint32_t plane = Convert(m.toPlane, 0x12000000u | r.rgb, 0x80FFFFFF);
        EXPECT_EQ(plane, 0x80000000u | r.plane) << r.model << " " << std::hex << r.rgb;
        EXPECT_EQ(Convert(m.toRGB, plane, 0x34000000), 0x34000000u | r.back) << r.model << " " << std::hex << r.rgb;
    }
}

// Both conversions of every model over every 24-bit value, 1 M a pass.
TEST_F(ColourPlanesTest, EveryValueMatchesSingleColourFunctions) {
    CSprite src, dst;
    ASSERT_TRUE(src.Create(4096, 256, false));
    ASSERT_TRUE(dst.Create(4096, 256, false));
    for (const Model& m : kModels) {
        for (const bool toPlane : {true, false}) {
            std::vector<uint32_t> expected(1u << 24);
            for (uint32_t c = 0; c < (1u << 24); ++c)
                expected[c] = toPlane ? ReferencePlane(m.code, c) : ReferenceRGB(m.code, c);
            for (uint32_t block = 0; block < 16; ++block) {
                const auto value = [block](int32_t x, int32_t y) {
                    return (block << 20) | (static_cast<uint32_t>(y) << 12) | static_cast<uint32_t>(x);
                };
                raster_test::Paint(src, value);
                raster_test::Fill(dst, 0x5A000000);
                (dst.*(toPlane ? m.toPlane : m.toRGB))(0, 0, src, 0, 0, 4096, 256);
                uint32_t wrong = 0, first = 0;
                for (int32_t y = 0; y < 256; ++y)
                    for (int32_t x = 0; x < 4096; ++x)
                        if (*dst.PixelAt(x, y) != (0x5A000000u | expected[value(x, y)]) && wrong++ == 0)
                            first = value(x, y);
                ASSERT_EQ(wrong, 0u) << "model " << m.code << (toPlane ? " to plane" : " to RGB") << ", first "
                                     << std::hex << first;
            }
        }
    }
}

// The conversions clip like any one-to-one draw and keep every destination
// alpha; equal colours under other alphas come through the cache unchanged.
TEST_F(ColourPlanesTest, ConversionsClipAndKeepDestinationAlpha) {
    std::mt19937 rng(103);
    for (const Model& m : kModels) {
        for (const Conversion c : {m.toPlane, m.toRGB}) {
            uint32_t last = 0;
            const CSprite src = raster_test::Painted(6, 5, [&](int32_t, int32_t) {
                if ((rng() & 1) != 0) last = rng() & 0xFFFFFF;
                return last | (rng() & 0xFF000000u);
            });
            CSprite dst = raster_test::RandomWords(7, 6, rng);
            dst.SetClipRect(1, 1, 6, 5);
            const std::vector<uint32_t> before = Pixels(dst);
            (dst.*c)(-1, 2, src, 1, -1, 9, 9);  // dst (1..4, 2..4) from src (3..5 ... ) after clipping
            for (int32_t y = 0; y < 6; ++y) {
                for (int32_t x = 0; x < 7; ++x) {
                    const int32_t fx = x + 2, fy = y - 3;
                    const bool drawn = x >= 1 && x < 6 && y >= 3 && y < 5 && fx < 6 && fy >= 0 && fy < 5;
                    const uint32_t old = before[static_cast<size_t>(y * 7 + x)];
                    const uint32_t want =
                        drawn ? (old & 0xFF000000u) |
                                    (c == m.toPlane ? ReferencePlane(m.code, *src.PixelAt(fx, fy) & 0xFFFFFF)
                                                    : ReferenceRGB(m.code, *src.PixelAt(fx, fy) & 0xFFFFFF))
                              : old;
                    EXPECT_EQ(*dst.PixelAt(x, y), want) << m.code << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST_F(ColourPlanesTest, ConstantAdds) {
    struct Row {
        const char* what;
        uint32_t in;
        int32_t hue, saturation, third;
        uint32_t out;
    };
    const Row rows[] = {
        {"plain", 0x80102030, 1, 2, 3, 0x80112233},
        {"hue wraps up", 0x01FA0000, 10, 0, 0, 0x01040000},
        {"hue wraps down", 0x01030000, -5, 0, 0, 0x01FE0000},
        {"hue add of many turns", 0x01030000, 256 * 1000 + 1, 0, 0, 0x01040000},
        {"bytes stop at 255", 0x00FFF0F0, 0, 100, 1000, 0x00FFFFFF},
        {"bytes stop at 0", 0x00FF1010, 0, -100, -1000, 0x00FF0000},
        {"extreme adds", 0x7F808080, INT32_MAX, INT32_MAX, INT32_MIN, 0x7F7FFF00},
        {"INT32_MIN hue is a whole number of turns", 0x7F808080, INT32_MIN, 0, 0, 0x7F808080},
    };
    for (const Row& r : rows) {
        CSprite s = Filled(2, 1, r.in);
        s.AddForColorSpace(1, 0, 5, 5, r.hue, r.saturation, r.third);
        EXPECT_EQ(Pixels(s), (std::vector<uint32_t>{r.in, r.out})) << r.what;
    }
}

TEST_F(ColourPlanesTest, WindowedAdds) {
    struct Row {
        const char* what;
        int32_t hueLow, hueHigh, saturationLow, saturationHigh, thirdLow, thirdHigh;
        std::vector<uint32_t> changed;  // hue bytes that change (saturation 0x40, third 0x60)
    };
    const std::vector<uint32_t> all = {0, 10, 20, 21, 245, 246, 255};
    const Row rows[] = {
        {"full windows", 0, 255, 0, 255, 0, 255, all},
        {"negative low wraps", -10, 20, 0, 255, 0, 255, {0, 10, 20, 246, 255}},
        {"high above 255 does not wrap", 240, 270, 0, 255, 0, 255, {245, 246, 255}},
        {"bounds inclusive", 10, 10, 0x40, 0x40, 0x60, 0x60, {10}},
        {"empty hue window", 20, 10, 0, 255, 0, 255, {}},
        {"saturation outside", 0, 255, 0x41, 255, 0, 255, {}},
        {"third outside", 0, 255, 0, 255, 0, 0x5F, {}},
        {"extreme bounds hold all", INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MAX, all},
        {"extreme low holds nothing", INT32_MAX, INT32_MAX, 0, 255, 0, 255, {}},
    };
    for (const Row& r : rows) {
        CSprite s = raster_test::Painted(static_cast<int32_t>(all.size()), 1, [&](int32_t x, int32_t) {
            return 0x9C004060u | (all[static_cast<size_t>(x)] << 16);
        });
        s.AddForColorSpaceRange(0, 0, 100, 1, 3, -4, 5, r.hueLow, r.hueHigh, r.saturationLow, r.saturationHigh,
                                r.thirdLow, r.thirdHigh);
        for (size_t i = 0; i < all.size(); ++i) {
            const bool change = std::find(r.changed.begin(), r.changed.end(), all[i]) != r.changed.end();
            const uint32_t in = 0x9C004060u | (all[i] << 16);
            const uint32_t out = change ? 0x9C003C65u | (((all[i] + 3) & 0xFF) << 16) : in;
            EXPECT_EQ(*s.PixelAt(static_cast<int32_t>(i), 0), out) << r.what << " hue byte " << all[i];
        }
    }
}

TEST_F(ColourPlanesTest, TwoPlanes) {
    struct Row {
        const char* what;
        bool subtract;
        int32_t flags;
        uint32_t source, destination, out;
    };
    const Row rows[] = {
        {"add all", false, 15, 0x10203040, 0x20406080, 0x306090C0},
        {"add saturates, hue wraps", false, 15, 0xC0F0C0C0, 0x80105050, 0xFF00FFFF},
        {"add third only", false, 1, 0x10203040, 0x20406080, 0x204060C0},
        {"add saturation only", false, 2, 0x10203040, 0x20406080, 0x20406080 + 0x3000},
        {"add hue only", false, 4, 0x10203040, 0x20406080, 0x20606080},
        {"add alpha only", false, 8, 0x10203040, 0x20406080, 0x30406080},
        {"no flags rewrites unchanged", false, 0, 0x10203040, 0x20406080, 0x20406080},
        {"bits above 3 ignored", false, 0x10 | 1, 0x10203040, 0x20406080, 0x204060C0},
        {"transparent source skips", false, 15, 0x00FFFFFF, 0x20406080, 0x20406080},
        {"subtract all", true, 15, 0x10203040, 0x20406080, 0x10203040},
        {"subtract stops at 0, hue wraps", true, 15, 0x80050505, 0x40030303, 0x00FE0000},
        {"subtract transparent source skips", true, 15, 0x00010101, 0x20406080, 0x20406080},
        {"subtract hue only", true, 4, 0x01050000, 0x20036080, 0x20FE6080},
    };
    for (const Row& r : rows) {
        const CSprite src = Filled(2, 2, r.source);
        CSprite dst = Filled(2, 2, r.destination);
        if (r.subtract)
            dst.SubForColorSpace2(1, 1, src, 0, 0, 2, 2, r.flags);
        else
            dst.AddForColorSpace2(1, 1, src, 0, 0, 2, 2, r.flags);
        const uint32_t d = r.destination;
        EXPECT_EQ(Pixels(dst), (std::vector<uint32_t>{d, d, d, r.out})) << r.what;
    }
}

}  // namespace
