// The fills of the diagram rasteriser: the crossing lists of the worked
// shapes, coverage values, the pixel rule of each target, what draws nothing
// and what refuses, and the relations between levels and targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "raster/diagram/DiagramScan.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"
#include "tests/raster/diagram/DiagramTestSupport.h"

namespace {

using diagram_test::Crossings;
using diagram_test::Polygon;
using diagram_test::Trace;
using diagram_test::Traced;

enum class Target { Plain, Colour, Mask, Alpha, Pixel };

const char* Name(Target t) {
    switch (t) {
    case Target::Plain: return "plain";
    case Target::Colour: return "colour";
    case Target::Mask: return "mask";
    case Target::Alpha: return "alpha";
    default: return "pixel";
    }
}

constexpr int32_t kLevels[] = {0, 1, 2, 4, 8, 16};
constexpr Target kTargets[] = {Target::Plain, Target::Colour, Target::Mask, Target::Alpha};

// The member of a target and level; `value` is the opacity, the mask value
// or (pixel target) the gate byte.
bool FillWith(CSprite& s, Target t, int32_t level, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r,
              uint32_t colour, uint8_t value) {
    switch (t) {
    case Target::Plain:
        switch (level) {
        case 0: return s.FillDiagramAa0(x, y, w, h, r, colour, value);
        case 1: return s.FillDiagramAa1(x, y, w, h, r, colour, value);
        case 2: return s.FillDiagramAa2(x, y, w, h, r, colour, value);
        case 4: return s.FillDiagramAa4(x, y, w, h, r, colour, value);
        case 8: return s.FillDiagramAa8(x, y, w, h, r, colour, value);
        default: return s.FillDiagramAa16(x, y, w, h, r, colour, value);
        }
    case Target::Colour:
        switch (level) {
        case 0: return s.FillDiagramColorAa0(x, y, w, h, r, colour, value);
        case 1: return s.FillDiagramColorAa1(x, y, w, h, r, colour, value);
        case 2: return s.FillDiagramColorAa2(x, y, w, h, r, colour, value);
        case 4: return s.FillDiagramColorAa4(x, y, w, h, r, colour, value);
        case 8: return s.FillDiagramColorAa8(x, y, w, h, r, colour, value);
        default: return s.FillDiagramColorAa16(x, y, w, h, r, colour, value);
        }
    case Target::Mask:
        switch (level) {
        case 0: return s.FillDiagramMaskAa0(x, y, w, h, r, value);
        case 1: return s.FillDiagramMaskAa1(x, y, w, h, r, value);
        case 2: return s.FillDiagramMaskAa2(x, y, w, h, r, value);
        case 4: return s.FillDiagramMaskAa4(x, y, w, h, r, value);
        case 8: return s.FillDiagramMaskAa8(x, y, w, h, r, value);
        default: return s.FillDiagramMaskAa16(x, y, w, h, r, value);
        }
    case Target::Alpha:
        switch (level) {
        case 0: return s.FillDiagramAlphaAa0(x, y, w, h, r, value);
        case 1: return s.FillDiagramAlphaAa1(x, y, w, h, r, value);
        case 2: return s.FillDiagramAlphaAa2(x, y, w, h, r, value);
        case 4: return s.FillDiagramAlphaAa4(x, y, w, h, r, value);
        case 8: return s.FillDiagramAlphaAa8(x, y, w, h, r, value);
        default: return s.FillDiagramAlphaAa16(x, y, w, h, r, value);
        }
    default: return s.FillDiagramPixelAa0(x, y, w, h, r, colour, value);
    }
}

template <class Fn>
void ForLevel(int32_t level, Fn fn) {
    switch (level) {
    case 0: return fn(std::integral_constant<int, 0>());
    case 1: return fn(std::integral_constant<int, 1>());
    case 2: return fn(std::integral_constant<int, 2>());
    case 4: return fn(std::integral_constant<int, 4>());
    case 8: return fn(std::integral_constant<int, 8>());
    default: return fn(std::integral_constant<int, 16>());
    }
}

Traced TraceAt(int32_t level, CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, DiagramInfo& r) {
    Traced t;
    ForLevel(level, [&](auto l) { t = Trace<decltype(l)::value>(s, x, y, w, h, r); });
    return t;
}

// ---- shapes ----

using OutlineBuild = std::function<void(DiagramInfo&)>;

// The rectangle (16, 16) - (144, 144) drawn clockwise on the screen.
void Rectangle(DiagramInfo& r) { Polygon(r, {{16, 16}, {144, 16}, {144, 144}, {16, 144}}); }

// Pixel (1, 1) and parts of it.
void FullPixel(DiagramInfo& r) { Polygon(r, {{16, 16}, {32, 16}, {32, 32}, {16, 32}}); }
void HalfPixel(DiagramInfo& r) { Polygon(r, {{24, 16}, {32, 16}, {32, 32}, {24, 32}}); }
void OneSixteenthSquared(DiagramInfo& r) { Polygon(r, {{16, 16}, {17, 16}, {17, 17}, {16, 17}}); }
void OneColumn(DiagramInfo& r) { Polygon(r, {{16, 16}, {17, 16}, {17, 32}, {16, 32}}); }
void AllButOneSixteenthSquared(DiagramInfo& r) {
    Polygon(r, {{17, 16}, {32, 16}, {32, 32}, {16, 32}, {16, 17}, {17, 17}});
}

// ---- crossing lists ----

TEST(DiagramFill, CrossingListsOfTheWorkedShapes) {
    CSprite sprite;
    ASSERT_TRUE(sprite.Create(16, 16, false));
    const struct {
        const char* name;
        OutlineBuild shape;
        int32_t level, v;
        Crossings before, after;
    } cases[] = {
        // The closing crossing moves to the front of x 16; the pending flat
        // ends settle to 4 by the up vertex; the pass drops (16, 4).
        {"rectangle top", Rectangle, 0, 16, {{16, 1}, {16, 4}, {144, 4}, {144, 6}}, {{16, 1}, {144, 4}, {144, 6}}},
        {"rectangle inside", Rectangle, 0, 32, {{16, 0}, {144, 0}}, {{16, 0}, {144, 0}}},
        // The bottom edge is exclusive: what stays pairs to nothing.
        {"rectangle bottom", Rectangle, 0, 144, {{16, 3}, {16, 1}, {144, 6}, {144, 3}}, {{144, 6}, {144, 3}}},
        {"rectangle top, level 16", Rectangle, 16, 16, {{16, 1}, {16, 4}, {144, 4}, {144, 6}},
         {{16, 1}, {144, 4}, {144, 6}}},
        {"rectangle bottom, level 16", Rectangle, 16, 144, {{16, 3}, {16, 1}, {144, 6}, {144, 3}},
         {{144, 6}, {144, 3}}},
        // Top corner, right, bottom, left: the side corners on line 80.
        {"diamond", [](DiagramInfo& r) { Polygon(r, {{80, 16}, {144, 80}, {80, 144}, {16, 80}}); }, 0, 80,
         {{16, 1}, {16, 1}, {144, 6}, {144, 6}}, {{16, 1}, {144, 6}, {144, 6}}},
        // The apex on a sample line: the up and the down vertex stay a pair.
        {"triangle apex", [](DiagramInfo& r) { Polygon(r, {{80, 32}, {144, 160}, {16, 160}}); }, 0, 32,
         {{80, 1}, {80, 6}}, {{80, 1}, {80, 6}}},
        {"triangle apex, level 8", [](DiagramInfo& r) { Polygon(r, {{80, 32}, {144, 160}, {16, 160}}); }, 8, 32,
         {{80, 1}, {80, 6}}, {{80, 1}, {80, 6}}},
        // A flat Line after a Line going up: both ends rightward after an up
        // vertex.
        {"flat after up", [](DiagramInfo& r) { Polygon(r, {{0, 100}, {0, 40}, {160, 40}, {160, 100}}); }, 0, 32,
         {{0, 1}, {0, 4}, {160, 4}, {160, 6}}, {{0, 1}, {160, 4}, {160, 6}}},
        // An Arc that no ellipse about its centre passes through: only its
        // end markers, nothing between them.
        {"degenerate arc start",
         [](DiagramInfo& r) {
             r.Reset();
             r.SetStartPoint(130, 80);
             r.AddArc(110, 90, 100, 100, 1);
             r.AddLine(130, 80, 1);
         },
         16, 80, {{130, 1}, {130, 9}}, {{130, 1}, {130, 9}}},
        {"degenerate arc between",
         [](DiagramInfo& r) {
             r.Reset();
             r.SetStartPoint(130, 80);
             r.AddArc(110, 90, 100, 100, 1);
             r.AddLine(130, 80, 1);
         },
         16, 85, {{120, 0}}, {{120, 0}}},
        // A sub-path start on the line with no crossing at its x: its marker
        // goes to its sorted place, so that the list stays sorted (a further
        // start element moved the pen away without an edge).
        {"start marker alone at its x",
         [](DiagramInfo& r) {
             r.Reset();
             r.SetStartPoint(16, 32);
             DiagramInfoFactor* e = r.elements.AddNew();
             *e = DiagramInfoFactor{};
             e->X = 200;
             e->Y = 100;
             r.AddLine(300, 0, 1);
         },
         0, 32, {{16, 9}, {268, 0}}, {{16, 9}, {268, 0}}},
        // Open sub-paths: a marker at each end that is not closed on the line.
        {"open V",
         [](DiagramInfo& r) {
             r.Reset();
             r.SetStartPoint(16, 32);
             r.AddLine(64, 96, 1);
             r.AddLine(112, 32, 1);
         },
         0, 32, {{16, 9}, {16, 6}, {112, 1}, {112, 9}}, {{16, 9}, {112, 1}, {112, 9}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagramInfo record;
        c.shape(record);
        const Traced t = TraceAt(c.level, sprite, 0, 0, 16, 16, record);
        ASSERT_TRUE(t.result);
        const diagram_test::SampleLine* line = t.Line(c.v);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->before, c.before);
        EXPECT_EQ(line->after, c.after);
    }
}

// ---- coverage ----

TEST(DiagramFill, CoverageOfSmallShapes) {
    CSprite sprite;
    ASSERT_TRUE(sprite.Create(4, 4, false));
    const struct {
        const char* name;
        OutlineBuild shape;
        int32_t level, expected;
    } cases[] = {
        {"full pixel", FullPixel, 16, 256},
        {"full pixel, level 2", FullPixel, 2, 256},
        {"full pixel, level 1", FullPixel, 1, 256},
        {"half pixel", HalfPixel, 16, 128},
        {"half pixel, level 4", HalfPixel, 4, 128},
        {"one sixteenth squared", OneSixteenthSquared, 16, 1},
        {"all but one sixteenth squared", AllButOneSixteenthSquared, 16, 255},
        // What lies between two sample lines is flat on the upper one: at
        // level 4 the notch leaves no trace, and the small square vanishes.
        {"notch, level 4", AllButOneSixteenthSquared, 4, 256},
        {"one sixteenth squared, level 4", OneSixteenthSquared, 4, 0},
        {"one sixteenth squared, level 0", OneSixteenthSquared, 0, 0},
        // Level 0 samples the top line only; one sixteenth there counts as full.
        {"one column, level 0", OneColumn, 0, 256},
        // Level 1 too, but weighted: 16 per covered sixteenth.
        {"one column, level 1", OneColumn, 1, 16},
        {"one column, level 16", OneColumn, 16, 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagramInfo record;
        c.shape(record);
        const Traced t = TraceAt(c.level, sprite, 0, 0, 4, 4, record);
        ASSERT_TRUE(t.result);
        EXPECT_EQ(t.At(sprite, 1, 1), c.expected);
        int others = 0;
        for (int32_t y = 0; y < 4; ++y)
            for (int32_t x = 0; x < 4; ++x) others += (x != 1 || y != 1) && t.At(sprite, x, y) != 0;
        EXPECT_EQ(others, 0);
    }
}

// A rectangle of any corners in sixteenths covers, on every sample line from
// the line at or above its top to the line before the one at or above its
// bottom, its x range; each sixteenth adds the grid step. Both orientations.
TEST(DiagramFill, RectangleCoverageIsItsExtentOnTheSampleGrid) {
    std::mt19937 rng(5);
    CSprite sprite;
    ASSERT_TRUE(sprite.Create(10, 10, false));
    for (const int32_t level : kLevels) {
        const int32_t step = diagram::GridStep(level);
        for (int i = 0; i < 300; ++i) {
            const int32_t x0 = int32_t(rng() % 180) - 10, x1 = x0 + 1 + int32_t(rng() % 60);
            const int32_t y0 = int32_t(rng() % 180) - 10, y1 = y0 + 1 + int32_t(rng() % 60);
            DiagramInfo record;
            if (rng() & 1)
                Polygon(record, {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
            else
                Polygon(record, {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}});
            const Traced t = TraceAt(level, sprite, 0, 0, 10, 10, record);
            ASSERT_TRUE(t.result);
            for (int32_t py = 0; py < 10; ++py) {
                for (int32_t px = 0; px < 10; ++px) {
                    int32_t expected = 0;
                    for (int32_t v = 16 * py; v < 16 * py + 16; v += step) {
                        if (v < diagram::SampleRow(y0, step) || v >= diagram::SampleRow(y1, step)) continue;
                        const int32_t a = std::max(x0, 16 * px), b = std::min(x1, 16 * px + 16);
                        if (a < b) expected += (b - a) * step;
                    }
                    if (level == 0 && expected != 0) expected = 256;
                    ASSERT_EQ(t.At(sprite, px, py), expected)
                        << "level " << level << " rectangle " << x0 << ", " << y0 << " - " << x1 << ", " << y1
                        << " pixel " << px << ", " << py;
                }
            }
        }
    }
}

// The Arc's half width by its shortcut against the definition, also where the
// width comes within rounding of a whole number.
TEST(DiagramFill, ArcHalfWidthIsTheDefinitionsValue) {
    auto definition = [](double u, double rx) {
        const int64_t t = diagram::TruncToInt64(std::cos(std::asin(u)) * rx);
        constexpr int64_t kFar = int64_t(1) << 40;
        return std::clamp<int64_t>(t, -kFar, kFar);
    };
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    int64_t checked = 0;
    for (const double rx : {0.0, 0.5, 1.0, 7.0, 100.0, 1234.5, 3200.0, 65536.0, 1e6, 3e8, 5e11, 1e12, 1e15}) {
        for (int i = 0; i < 100000; ++i) {
            const double u = unit(rng);
            ASSERT_EQ(diagram::ArcHalfWidth(u, rx), definition(u, rx)) << u << " " << rx;
            ++checked;
        }
        // Heights where the width is a whole number k, and a few ulps around.
        const int64_t steps = std::min<int64_t>(int64_t(rx), 4000);
        for (int64_t j = 0; j <= steps; ++j) {
            const double k = rx * double(j) / double(std::max<int64_t>(steps, 1));
            const double whole = std::floor(k);
            double u = std::sqrt(1 - (whole / rx) * (whole / rx));
            if (!(u == u)) continue;
            for (int n = 0; n < 4; ++n) u = std::nextafter(u, 2.0);
            for (int n = 0; n < 9; ++n, u = std::nextafter(u, -2.0)) {
                for (const double sign : {1.0, -1.0}) {
                    ASSERT_EQ(diagram::ArcHalfWidth(sign * u, rx), definition(sign * u, rx)) << sign * u << " " << rx;
                    ++checked;
                }
            }
        }
    }
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    for (const double u : {-1.0, 1.0, 0.0, -0.0, 1.0000001, -3.0, inf, -inf, nan})
        for (const double rx : {0.0, 1.0, 16.0, 1e9, 1e300, -5.0, inf, nan})
            EXPECT_EQ(diagram::ArcHalfWidth(u, rx), definition(u, rx)) << u << " " << rx;
    EXPECT_GT(checked, 1000000);
}

// ---- pixel rules ----

class DiagramFillPixels : public raster_test::ReadyLibraryTest {};

// The rectangle (16, 16) - (144, 144) at level 0 covers pixels 1 to 8 of rows 1
// to 8 exactly, for every target.
TEST_F(DiagramFillPixels, LevelZeroRectangleCoversPixelsOneToEight) {
    constexpr uint32_t kBackground = 0x11223344, kColour = 0x80A0B0C0;
    const struct {
        Target target;
        uint8_t value;
        uint32_t inside;
    } cases[] = {
        {Target::Plain, 255, 0xFFA0B0C0},
        {Target::Colour, 255, 0x11A0B0C0},
        {Target::Mask, 77, 0x4D223344},
        {Target::Alpha, 255, 0xFF223344},
        {Target::Pixel, 1, kColour},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Name(c.target));
        CSprite s = raster_test::Filled(12, 12, kBackground);
        DiagramInfo record;
        Rectangle(record);
        EXPECT_TRUE(FillWith(s, c.target, 0, 0, 0, 12, 12, record, kColour, c.value));
        for (int32_t y = 0; y < 12; ++y) {
            for (int32_t x = 0; x < 12; ++x) {
                const bool inside = x >= 1 && x <= 8 && y >= 1 && y <= 8;
                ASSERT_EQ(*s.PixelAt(x, y), inside ? c.inside : kBackground) << x << ", " << y;
            }
        }
    }
}

struct PixelCase {
    const char* name;
    Target target;
    int32_t level;
    OutlineBuild shape;  // covers pixel (1, 1)
    uint32_t colour;
    uint8_t value;
    uint32_t before;
    uint32_t after;
};

void RunPixelCases(const std::vector<PixelCase>& cases) {
    for (const PixelCase& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite s = raster_test::Filled(3, 3, c.before);
        DiagramInfo record;
        c.shape(record);
        EXPECT_TRUE(FillWith(s, c.target, c.level, 0, 0, 3, 3, record, c.colour, c.value));
        EXPECT_EQ(*s.PixelAt(1, 1), c.after) << std::hex << *s.PixelAt(1, 1);
        EXPECT_EQ(*s.PixelAt(0, 0), c.before) << "an uncovered pixel stays";
    }
}

TEST_F(DiagramFillPixels, PlainSourceOver) {
    RunPixelCases({
        {"full cover at 255 stores", Target::Plain, 16, FullPixel, 0x12345678, 255, 0x80FFFFFF, 0xFF345678},
        {"level 0 full cover at 255", Target::Plain, 0, OneColumn, 0x00345678, 255, 0x00000000,
         0xFF345678},
        // a = 128 over a transparent pixel: alpha 128, the colour exactly.
        {"a 128 over transparent", Target::Plain, 16, HalfPixel, 0x336699, 255, 0x00FFFFFF, 0x80336699},
        // a = 128 over an opaque pixel: alpha 255, half and half (I = 128).
        {"a 128 over opaque", Target::Plain, 16, HalfPixel, 0x000000, 255, 0xFFFFFFFF, 0xFF7F7F7F},
        // Opacity 128 weighs 129, 127 weighs 127.
        {"opacity 128", Target::Plain, 0, FullPixel, 0x336699, 128, 0x00000000, 0x81336699},
        {"opacity 127", Target::Plain, 0, FullPixel, 0x336699, 127, 0x00000000, 0x7F336699},
        {"opacity 128 over opaque", Target::Plain, 1, FullPixel, 0xFFFFFF, 128, 0xFF000000, 0xFF808080},
        // Small coverage at low opacity gives weight 0: the pixel stays.
        {"weight 0", Target::Plain, 16, OneSixteenthSquared, 0xFFFFFF, 200, 0x20406080, 0x20406080},
    });
}

TEST_F(DiagramFillPixels, MaskAndAlphaTargets) {
    RunPixelCases({
        {"mask 200 level 0", Target::Mask, 0, FullPixel, 0, 200, 0x10203040, 0xC8203040},
        {"mask 200 level 16", Target::Mask, 16, FullPixel, 0, 200, 0x10203040, 0xC9203040},
        {"mask 200 coverage 128", Target::Mask, 16, HalfPixel, 0, 200, 0xFF203040, 0x64203040},
        {"mask 77 level 0 over opaque", Target::Mask, 0, OneColumn, 0, 77, 0xFF203040, 0x4D203040},
        {"mask 255 coverage 1", Target::Mask, 16, OneSixteenthSquared, 0, 255, 0xFF203040, 0x01203040},
        {"mask 255 coverage 255", Target::Mask, 16, AllButOneSixteenthSquared, 0, 255, 0x00203040, 0xFF203040},
        {"mask 255 coverage 256", Target::Mask, 16, FullPixel, 0, 255, 0x00203040, 0xFF203040},
        {"mask 1 coverage 256", Target::Mask, 16, FullPixel, 0, 1, 0xFF203040, 0x01203040},
        {"mask 1 coverage 255 weighs 0", Target::Mask, 16, AllButOneSixteenthSquared, 0, 1, 0xFF203040,
         0xFF203040},
        {"alpha 128 level 0 on 0", Target::Alpha, 0, FullPixel, 0, 128, 0x00203040, 0x81203040},
        {"alpha 128 level 0 on 100", Target::Alpha, 0, FullPixel, 0, 128, 0x64203040, 0xB2203040},
        {"alpha 128 level 0 on 255", Target::Alpha, 0, FullPixel, 0, 128, 0xFF203040, 0xFF203040},
        {"alpha 255 coverage 128 on 0", Target::Alpha, 16, HalfPixel, 0, 255, 0x00203040, 0x80203040},
        {"alpha 255 coverage 128 on 128", Target::Alpha, 16, HalfPixel, 0, 255, 0x80203040, 0xC0203040},
        {"alpha 255 full", Target::Alpha, 4, FullPixel, 0, 255, 0x12203040, 0xFF203040},
    });

    // Twice onto alpha 0 at opacity 128: 129, then 192.
    CSprite s = raster_test::Filled(3, 3, 0x00ABCDEF);
    DiagramInfo record;
    FullPixel(record);
    EXPECT_TRUE(s.FillDiagramAlphaAa0(0, 0, 3, 3, record, 128));
    EXPECT_EQ(*s.PixelAt(1, 1), 0x81ABCDEFu);
    EXPECT_TRUE(s.FillDiagramAlphaAa0(0, 0, 3, 3, record, 128));
    EXPECT_EQ(*s.PixelAt(1, 1), 0xC0ABCDEFu);
}

TEST_F(DiagramFillPixels, ColourOnlyTarget) {
    RunPixelCases({
        {"full at 255 keeps alpha", Target::Colour, 16, FullPixel, 0x123456, 255, 0x80FFFFFF, 0x80123456},
        {"transparent stays transparent", Target::Colour, 16, FullPixel, 0x123456, 255, 0x00FFFFFF, 0x00123456},
        {"colour alpha byte ignored", Target::Colour, 16, FullPixel, 0xFFFF0000, 255, 0x40000000, 0x40FF0000},
        {"colour alpha byte ignored too", Target::Colour, 16, FullPixel, 0x00FF0000, 255, 0x40000000, 0x40FF0000},
        {"opacity 128 weighs 129", Target::Colour, 0, FullPixel, 0xFFFFFF, 128, 0x7F000000, 0x7F808080},
        {"opacity 127 weighs 127", Target::Colour, 0, FullPixel, 0xFFFFFF, 127, 0x7F000000, 0x7F7E7E7E},
        // Level 0: one covered sixteenth mixes at the full weight 100.
        {"level 0 one sixteenth", Target::Colour, 0, OneColumn, 0xFFFFFF, 100, 0xFF000000, 0xFF636363},
        {"level 0 full at 100", Target::Colour, 0, FullPixel, 0xFFFFFF, 100, 0xFF000000, 0xFF636363},
        // Coverage 1 at 255: 200 toward 0 becomes 199.
        {"coverage 1 truncates", Target::Colour, 16, OneSixteenthSquared, 0x000000, 255, 0x33C8C8C8, 0x33C7C7C7},
        {"weight 0 stays", Target::Colour, 16, OneSixteenthSquared, 0x000000, 200, 0x33C8C8C8, 0x33C8C8C8},
    });
}

TEST_F(DiagramFillPixels, PixelValueTarget) {
    RunPixelCases({
        {"covered pixel takes the value", Target::Pixel, 0, OneColumn, 0x00ABCDEF, 1, 0xFF000000,
         0x00ABCDEF},
        {"gate 0 draws nothing", Target::Pixel, 0, FullPixel, 0x00ABCDEF, 0, 0xFF000000, 0xFF000000},
    });
}

// ---- results ----

TEST_F(DiagramFillPixels, RefusalsAndNothingToDraw) {
    const struct {
        const char* name;
        OutlineBuild shape;
        int32_t x, y, w, h;
        uint8_t value;
        bool result;
        bool refused = false;  // told apart from nothing to draw by the outline
    } cases[] = {
        {"value 0", Rectangle, 0, 0, 12, 12, 0, true},
        {"rectangle left of the sprite", Rectangle, -20, 0, 20, 12, 255, false},
        {"rectangle below the sprite", Rectangle, 0, 12, 12, 5, 255, false},
        {"empty rectangle", Rectangle, 3, 3, 0, 5, 255, false},
        {"outline above the rectangle", Rectangle, 0, 10, 12, 2, 255, true},
        {"outline right of the rectangle", Rectangle, 10, 0, 2, 12, 255, true},
        {"start element only", [](DiagramInfo& r) { r.Reset(); }, 0, 0, 12, 12, 255, false},
        {"start element only, elsewhere", [](DiagramInfo& r) { r.SetStartPoint(40, 40); }, 0, 0, 12, 12, 255, false},
        {"start and a Jump", [](DiagramInfo& r) { r.Reset(); r.AddJump(100, 100); }, 0, 0, 12, 12, 255, true},
        {"Arc across quadrants",
         [](DiagramInfo& r) {
             Rectangle(r);
             r.AddArc(50, 60, 40, 40, 1);
         },
         0, 0, 12, 12, 255, false, true},
    };
    std::mt19937 rng(3);
    for (const auto& c : cases) {
        for (const Target target : {Target::Plain, Target::Colour, Target::Mask, Target::Alpha, Target::Pixel}) {
            for (const int32_t level : kLevels) {
                if (target == Target::Pixel && level != 0) continue;
                SCOPED_TRACE(testing::Message() << c.name << ", " << Name(target) << ", level " << level);
                CSprite s;
                raster_test::MakeRandom(s, 12, 12, rng);
                const std::vector<uint32_t> before = raster_test::Pixels(s);
                DiagramInfo record;
                c.shape(record);
                EXPECT_EQ(FillWith(s, target, level, c.x, c.y, c.w, c.h, record, 0x123456, c.value), c.result);
                EXPECT_EQ(raster_test::Pixels(s), before);
                const uint32_t refused = record.RefusedElement();
                EXPECT_EQ(refused != DiagramInfo::kNoRefusal, c.refused);
                if (c.refused) {
                    EXPECT_EQ(refused, record.GetCount() - 1);
                    // The next fill prepares again and forgets the refusal.
                    record.Reset();
                    Rectangle(record);
                    FillWith(s, target, level, c.x, c.y, c.w, c.h, record, 0x123456, c.value);
                    EXPECT_EQ(record.RefusedElement(), DiagramInfo::kNoRefusal);
                }
            }
        }
    }
}

// ---- relations ----

// A random polygon in sixteenths around a w x h pixel sprite.
void RandomPolygon(DiagramInfo& r, std::mt19937& rng, int32_t w, int32_t h) {
    r.Reset();
    const int n = 3 + int(rng() % 6);
    auto coord = [&](int32_t size) { return int32_t(rng() % uint32_t(16 * size + 64)) - 32; };
    r.SetStartPoint(coord(w), coord(h));
    for (int i = 1; i < n; ++i) r.AddLine(coord(w), coord(h), 1);
    if (rng() & 1) r.AddJump(coord(w), coord(h));
    r.AddLine(coord(w), coord(h), 1);
    r.AddLine(r[0].X, r[0].Y, 1);
}

TEST_F(DiagramFillPixels, LevelOneEqualsLevelZeroWhereCoverageIsFull) {
    std::mt19937 rng(11);
    int full = 0, edge = 0;
    for (int i = 0; i < 60; ++i) {
        DiagramInfo record;
        RandomPolygon(record, rng, 20, 16);
        CSprite probe;
        ASSERT_TRUE(probe.Create(20, 16, false));
        const Traced one = Trace<1>(probe, 0, 0, 20, 16, record);
        const Traced zero = Trace<0>(probe, 0, 0, 20, 16, record);
        for (const Target target : kTargets) {
            const uint8_t value = uint8_t(1 + rng() % 255);
            CSprite s0, s1;
            raster_test::MakeRandom(s0, 20, 16, rng);
            raster_test::CopyPixels(s0, s1);
            const std::vector<uint32_t> before = raster_test::Pixels(s0);
            EXPECT_TRUE(FillWith(s0, target, 0, 0, 0, 20, 16, record, 0x5A6B7C, value));
            EXPECT_TRUE(FillWith(s1, target, 1, 0, 0, 20, 16, record, 0x5A6B7C, value));
            for (int32_t y = 0; y < 16; ++y) {
                for (int32_t x = 0; x < 20; ++x) {
                    const int32_t c = one.At(probe, x, y);
                    // The same sample lines: covered at level 1 exactly where at level 0.
                    ASSERT_EQ(c != 0, zero.At(probe, x, y) != 0);
                    if (c == 256 && target == Target::Mask) {
                        // Except the mask's value: level 0 writes v itself,
                        // the weighted levels v + (v >> 7) (255 at most).
                        ASSERT_EQ(*s0.PixelAt(x, y) >> 24, value);
                        ASSERT_EQ(*s1.PixelAt(x, y) >> 24, std::min(value + (value >> 7), 255));
                        ASSERT_EQ(*s1.PixelAt(x, y) & 0xFFFFFF, *s0.PixelAt(x, y) & 0xFFFFFF);
                    } else if (c == 256) {
                        ++full;
                        ASSERT_EQ(*s1.PixelAt(x, y), *s0.PixelAt(x, y)) << Name(target) << " " << x << ", " << y;
                    } else if (c == 0) {
                        ASSERT_EQ(*s1.PixelAt(x, y), before[size_t(y) * 20 + x]);
                    } else {
                        ++edge;
                    }
                }
            }
        }
    }
    EXPECT_GT(full, 1000);
    EXPECT_GT(edge, 500);
}

TEST_F(DiagramFillPixels, MaskAndAlphaKeepColourAndAlphaNeverFalls) {
    std::mt19937 rng(12);
    for (int i = 0; i < 80; ++i) {
        DiagramInfo record;
        RandomPolygon(record, rng, 16, 12);
        const int32_t level = kLevels[rng() % 6];
        const uint8_t value = uint8_t(rng() % 256);
        for (const Target target : {Target::Mask, Target::Alpha, Target::Colour}) {
            CSprite s;
            raster_test::MakeRandom(s, 16, 12, rng);
            const std::vector<uint32_t> before = raster_test::Pixels(s);
            EXPECT_TRUE(FillWith(s, target, level, 0, 0, 16, 12, record, 0x808080, value));
            const std::vector<uint32_t> after = raster_test::Pixels(s);
            for (size_t k = 0; k < after.size(); ++k) {
                if (target == Target::Colour) {
                    ASSERT_EQ(after[k] >> 24, before[k] >> 24) << "colour only keeps alpha";
                    continue;
                }
                ASSERT_EQ(after[k] & 0xFFFFFF, before[k] & 0xFFFFFF) << Name(target) << " keeps the colour";
                if (target != Target::Alpha) continue;
                ASSERT_GE(after[k] >> 24, before[k] >> 24) << "alpha never falls";
            }
        }
    }
}

// Only the rectangle's pixels change, and they change as in a fill of the
// whole sprite: crossings outside the rectangle still shape its spans.
TEST_F(DiagramFillPixels, TheRectangleLimitsWritesNotShapes) {
    std::mt19937 rng(13);
    for (int i = 0; i < 120; ++i) {
        DiagramInfo record;
        RandomPolygon(record, rng, 16, 12);
        const int32_t level = kLevels[rng() % 6];
        const Target target = kTargets[rng() % 4];
        const int32_t x = int32_t(rng() % 10), y = int32_t(rng() % 8);
        const int32_t w = 1 + int32_t(rng() % 8), h = 1 + int32_t(rng() % 6);
        CSprite whole, part;
        raster_test::MakeRandom(whole, 16, 12, rng);
        raster_test::CopyPixels(whole, part);
        const std::vector<uint32_t> before = raster_test::Pixels(whole);
        EXPECT_TRUE(FillWith(whole, target, level, 0, 0, 16, 12, record, 0x335577, 180));
        EXPECT_TRUE(FillWith(part, target, level, x, y, w, h, record, 0x335577, 180));
        for (int32_t py = 0; py < 12; ++py) {
            for (int32_t px = 0; px < 16; ++px) {
                const bool inside = px >= x && px < x + w && py >= y && py < y + h;
                ASSERT_EQ(*part.PixelAt(px, py), inside ? *whole.PixelAt(px, py) : before[size_t(py) * 16 + px])
                    << Name(target) << " level " << level << " at " << px << ", " << py;
            }
        }
    }
}

// The sprite's clip rectangle limits every write too.
TEST_F(DiagramFillPixels, TheClipRectangleLimitsWrites) {
    CSprite s = raster_test::Filled(12, 12, 0);
    s.SetClipRect(3, 4, 7, 6);
    DiagramInfo record;
    Rectangle(record);
    EXPECT_TRUE(s.FillDiagramAa16(0, 0, 12, 12, record, 0xFFFFFF, 255));
    for (int32_t y = 0; y < 12; ++y)
        for (int32_t x = 0; x < 12; ++x)
            EXPECT_EQ(*s.PixelAt(x, y), (x >= 3 && x < 7 && y >= 4 && y < 6) ? 0xFFFFFFFFu : 0u) << x << ", " << y;
}

// Coordinates at the ends of the 32-bit range (a document can hold any):
// every level and target runs to the end without overflow (the sanitizer
// build checks the arithmetic) and a shape that covers the sprite fills it.
TEST_F(DiagramFillPixels, CoordinatesAtTheEndsOfTheRange) {
    static constexpr int32_t lo = INT32_MIN, hi = INT32_MAX;
    const OutlineBuild shapes[] = {
        [](DiagramInfo& r) { Polygon(r, {{lo, lo}, {hi, lo}, {hi, hi}, {lo, hi}}); },
        [](DiagramInfo& r) { Polygon(r, {{lo, 7}, {hi, 100}, {lo, 250}}); },
        [](DiagramInfo& r) { Polygon(r, {{0, lo}, {hi, 40}, {5, hi}, {lo, 60}}); },
        [](DiagramInfo& r) {
            r.Reset();
            r.SetStartPoint(hi, 80);
            r.AddArc(80, hi, 80, 80, 1);
            r.AddArc(lo, 80, 80, 80, 1);
            r.AddCircleCurve(hi - 5, 90, 80, 80, 1, 1);
            r.AddLine(hi, 80, 1);
        },
    };
    for (const OutlineBuild& shape : shapes) {
        for (const int32_t level : kLevels) {
            for (const Target target : kTargets) {
                CSprite s = raster_test::Filled(16, 16, 0x00102030);
                DiagramInfo record;
                shape(record);
                FillWith(s, target, level, 0, 0, 16, 16, record, 0xFFFFFF, 255);
            }
        }
    }
    CSprite s = raster_test::Filled(16, 16, 0);
    DiagramInfo record;
    shapes[0](record);
    EXPECT_TRUE(s.FillDiagramAa16(0, 0, 16, 16, record, 0x123456, 255));
    EXPECT_EQ(raster_test::Pixels(s), std::vector<uint32_t>(256, 0xFF123456u));
}

// Once a record has been filled, filling it again takes no new memory.
TEST_F(DiagramFillPixels, TheWorkAreaIsKept) {
    CSprite s = raster_test::Filled(40, 40, 0);
    DiagramInfo record;
    Polygon(record, {{10, 10}, {600, 40}, {300, 620}, {20, 500}, {300, 300}});
    EXPECT_TRUE(s.FillDiagramAa16(0, 0, 40, 40, record, 0xFFFFFF, 255));
    const DiagramScanWork& work = record.ScanWork();
    const void* crossings = work.crossings.data();
    const void* events = work.events.data();
    const void* delta = work.delta.data();
    const void* active = work.active.data();
    EXPECT_TRUE(s.FillDiagramAa16(0, 0, 40, 40, record, 0xFFFFFF, 255));
    EXPECT_TRUE(s.FillDiagramAlphaAa8(0, 0, 40, 40, record, 255));
    EXPECT_EQ(work.crossings.data(), crossings);
    EXPECT_EQ(work.events.data(), events);
    EXPECT_EQ(work.delta.data(), delta);
    EXPECT_EQ(work.active.data(), active);
}

}  // namespace
