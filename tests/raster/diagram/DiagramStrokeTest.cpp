// The stroke drivers: the band a segment covers, the pen's walk over the
// outline (branches, jumps, pointed ends), the outlines of the segments, the
// path below full opacity, and the refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"
#include "tests/raster/surface/shape/OutlineTestSupport.h"

namespace {

using outline_test::Snapshot;
using outline_test::Step;
using raster_test::Filled;
using raster_test::Pixels;

constexpr double kPi = std::numbers::pi;
constexpr int32_t W = 64, H = 48;
constexpr uint32_t kBack = 0xFF204060;
constexpr uint32_t kInk = 0xC0E0B010;

uint32_t AlphaAt(const CSprite& s, int32_t x, int32_t y) { return *s.PixelAt(x, y) >> 24; }

class DiagramStroke : public raster_test::ReadyLibraryTest {};

// ---- the band of a Line ----

// Alpha strokes at level 16 on a transparent sprite: a row or column that the
// band covers for k of its 16 sub-lines gets alpha 16 k. The band runs from
// y - 8 to y + 8 for width 16 and from y - 7 to y + 8 for width 15 (the odd
// unit goes to the side left of the direction of travel); so a line on a
// pixel boundary shows which side is the wider one.
TEST_F(DiagramStroke, BandEdgesOfAStraightSegment) {
    const struct {
        const char* name;
        int32_t x1, y1, x2, y2, width;
        bool horizontal;  // the band crosses rows (else columns)
        uint32_t alpha[4];  // rows (columns) 6, 7, 8, 9
    } cases[] = {
        {"width 16 rightward, centred on a row", 16, 136, 900, 136, 16, true, {0, 0, 255, 0}},
        {"width 16 rightward, on a row boundary", 16, 128, 900, 128, 16, true, {0, 128, 128, 0}},
        {"width 15 rightward: y - 7 .. y + 8", 16, 128, 900, 128, 15, true, {0, 112, 128, 0}},
        {"width 15 leftward: y - 8 .. y + 7", 900, 128, 16, 128, 15, true, {0, 128, 112, 0}},
        {"width 15 downward: x - 8 .. x + 7", 128, 16, 128, 700, 15, false, {0, 128, 112, 0}},
        {"width 15 upward: x - 7 .. x + 8", 128, 700, 128, 16, 15, false, {0, 112, 128, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite s = Filled(W, H, 0);
        DiagramInfo path;
        path.SetStartPoint(c.x1, c.y1);
        path.AddLine(c.x2, c.y2, 1);
        ASSERT_TRUE(s.StrokeDiagramAlpha(0, 0, W, H, path, c.width, 16, nullptr, 255));
        for (int k = 0; k < 4; ++k) {
            // Sample well inside the segment's length.
            const uint32_t got = c.horizontal ? AlphaAt(s, 20, 6 + k) : AlphaAt(s, 6 + k, 20);
            EXPECT_NEAR(double(got), double(c.alpha[k]), 1.0) << "row/column " << (6 + k);
        }
    }
}

// ---- the walk ----

// One expected segment of a walk, drawn by the segment strokes themselves.
struct Segment {
    int32_t x1, y1, x2, y2;
    int startPointed, endPointed;
    bool curve = false;
    int32_t cx = 0, cy = 0;
    int direction = 0;
};

// The walk of each outline draws exactly the listed segments, in order, with
// the listed pointed ends.
TEST_F(DiagramStroke, WalkDrawsTheSegmentsOfThePen) {
    constexpr int32_t kWidth = 88;
    const struct {
        const char* name;
        std::function<void(DiagramInfo&)> build;
        std::vector<Segment> segments;
    } cases[] = {
        {"two Lines share their node",
         [](DiagramInfo& d) { d.AddLine(500, 100, 1); d.AddLine(500, 700, 1); },
         {{100, 100, 500, 100, 0, 0}, {500, 100, 500, 700, 0, 0}}},
        {"a disabled Line moves the pen without drawing",
         [](DiagramInfo& d) { d.AddLine(500, 100, 0); d.AddLine(500, 700, 1); },
         {{500, 100, 500, 700, 0, 0}}},
        {"Return: the next segment starts where the last one began",
         [](DiagramInfo& d) { d.AddLine(900, 100, 1); d.AddReturn(); d.AddLine(100, 700, 1); },
         {{100, 100, 900, 100, 0, 0}, {100, 100, 100, 700, 0, 0}}},
        {"Return after a disabled Line goes back to its start",
         [](DiagramInfo& d) { d.AddLine(900, 100, 0); d.AddReturn(); d.AddLine(100, 700, 1); },
         {{100, 100, 100, 700, 0, 0}}},
        {"a Jump moves the pen without drawing",
         [](DiagramInfo& d) { d.AddLine(900, 100, 1); d.AddJump(200, 600); d.AddLine(900, 600, 1); },
         {{100, 100, 900, 100, 0, 0}, {200, 600, 900, 600, 0, 0}}},
        {"Jump then Return: back to the point before the Jump",
         [](DiagramInfo& d) {
             d.AddLine(900, 100, 1);
             d.AddJump(200, 600);
             d.AddReturn();
             d.AddLine(900, 600, 1);
         },
         {{100, 100, 900, 100, 0, 0}, {900, 100, 900, 600, 0, 0}}},
        {"Tip between Lines: pointed at the shared node from both sides",
         [](DiagramInfo& d) { d.AddLine(500, 100, 1); d.AddTip(); d.AddLine(500, 700, 1); },
         {{100, 100, 500, 100, 0, 1}, {500, 100, 500, 700, 1, 0}}},
        {"Tips on both sides: pointed at the start only",
         [](DiagramInfo& d) {
             d.AddTip();
             d.AddLine(500, 100, 1);
             d.AddTip();
             d.AddLine(500, 700, 1);
         },
         {{100, 100, 500, 100, 1, 0}, {500, 100, 500, 700, 1, 0}}},
        {"the look-ahead sees one element: Line, Separator, Tip leaves the end square",
         [](DiagramInfo& d) {
             d.AddLine(500, 100, 1);
             d.AddSeparator();
             d.AddTip();
             d.AddLine(500, 700, 1);
         },
         {{100, 100, 500, 100, 0, 0}, {500, 100, 500, 700, 1, 0}}},
        {"a Separator keeps a pending pointed start",
         [](DiagramInfo& d) {
             d.AddLine(500, 100, 1);
             d.AddTip();
             d.AddSeparator();
             d.AddLine(500, 700, 1);
         },
         {{100, 100, 500, 100, 0, 1}, {500, 100, 500, 700, 1, 0}}},
        {"a Jump cancels a pending pointed start",
         [](DiagramInfo& d) {
             d.AddLine(500, 100, 1);
             d.AddTip();
             d.AddJump(200, 600);
             d.AddLine(900, 600, 1);
         },
         {{100, 100, 500, 100, 0, 1}, {200, 600, 900, 600, 0, 0}}},
        {"a Return cancels a pending pointed start",
         [](DiagramInfo& d) {
             d.AddLine(500, 100, 1);
             d.AddTip();
             d.AddReturn();
             d.AddLine(100, 700, 1);
         },
         {{100, 100, 500, 100, 0, 1}, {100, 100, 100, 700, 0, 0}}},
        {"a disabled Line clears a pending pointed start",
         [](DiagramInfo& d) {
             d.AddTip();
             d.AddLine(500, 100, 0);
             d.AddLine(500, 700, 1);
         },
         {{500, 100, 500, 700, 0, 0}}},
        {"a CircleCurve between Tips, with its centre and direction",
         [](DiagramInfo& d) {
             d.AddLine(300, 300, 1);
             d.AddTip();
             d.AddCircleCurve(700, 500, 500, 300, 0, 1);
             d.AddTip();
             d.AddLine(900, 700, 1);
         },
         {{100, 100, 300, 300, 0, 1},
          {300, 300, 700, 500, 1, 1, true, 500, 300, 0},
          {700, 500, 900, 700, 1, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagramInfo path;
        path.SetStartPoint(100, 100);
        c.build(path);
        CSprite walked = Filled(W, H, kBack);
        ASSERT_TRUE(walked.StrokeDiagram(0, 0, W, H, path, kWidth, kInk, 16, nullptr, 255));

        CSprite expected = Filled(W, H, kBack);
        for (const Segment& g : c.segments) {
            if (g.curve)
                ASSERT_TRUE(expected.StrokeCircleCurve(0, 0, W, H, g.x1, g.y1, g.x2, g.y2, g.cx, g.cy,
                                                       uint8_t(g.direction), kWidth, kInk, 16, nullptr,
                                                       uint8_t(g.startPointed), uint8_t(g.endPointed), 255));
            else
                ASSERT_TRUE(expected.StrokeLine(0, 0, W, H, g.x1, g.y1, g.x2, g.y2, kWidth, kInk, 16, nullptr,
                                                uint8_t(g.startPointed), uint8_t(g.endPointed), 255));
        }
        EXPECT_EQ(Pixels(walked), Pixels(expected));
    }
}

// ---- the outlines of the segments ----

// The last segment's outline stays in the scratch record.
TEST_F(DiagramStroke, SegmentOutlines) {
    using outline_test::Arc;
    using outline_test::Line;
    using outline_test::Start;
    const struct {
        const char* name;
        std::function<void(DiagramInfo&)> build;
        int32_t width;
        std::vector<Step> outline;
        bool filled = true;
    } cases[] = {
        // Arc ring about (400, 400) from angle 0 to pi / 2: half the width out
        // and in along the radius at each end.
        {"Arc ring", [](DiagramInfo& d) { d.SetStartPoint(800, 400); d.AddArc(400, 800, 400, 400, 1); }, 64,
         {Start(768, 400), Line(832, 400), Arc(400, 832, 400, 400), Line(400, 768), Arc(768, 400, 400, 400)}},
        {"Arc ring with a pointed start",
         [](DiagramInfo& d) { d.SetStartPoint(800, 400); d.AddTip(); d.AddArc(400, 800, 400, 400, 1); }, 64,
         {Start(800, 400), Arc(400, 832, 400, 400), Line(400, 768), Arc(800, 400, 400, 400)}},
        {"Arc ring with a pointed end",
         [](DiagramInfo& d) { d.SetStartPoint(800, 400); d.AddArc(400, 800, 400, 400, 1); d.AddTip(); }, 64,
         {Start(768, 400), Line(832, 400), Arc(400, 800, 400, 400), Arc(768, 400, 400, 400)}},
        // Offsets from the radius as doubles, the sums truncated toward zero:
        // at 3 pi / 4 the half offset is (-11.31, 11.31). The inner end
        // crosses into the next quadrant, so the fill refuses the ring.
        {"Arc ring across zero",
         [](DiagramInfo& d) { d.SetStartPoint(-10, 10); d.AddArc(0, 20, 0, 0, 1); }, 32,
         {Start(1, -1), Line(-21, 21), Arc(0, 36, 0, 0), Line(0, 4), Arc(1, -1, 0, 0)}, false},
        // The largest double below one half rounds up: B = 1 (W cos = 0.49999999999999994),
        // C = 67, so the sides lie at (+1, +34) and (0, -33).
        {"Line offsets: R(0.49999999999999994) = 1",
         [](DiagramInfo& d) { d.AddLine(9624014, -71823, 1); }, 67,
         {Start(1, 34), Line(9624015, -71789), Line(9624014, -71856), Line(0, -33), Line(1, 34)}},
        // B = R(-0.49999999999999994) = -1 and C = 4: D = 0, E = 2.
        {"Line offsets: R(-0.49999999999999994) = -1",
         [](DiagramInfo& d) { d.AddLine(122383177, 15418831, 1); }, 4,
         {Start(-1, 2), Line(122383176, 15418833), Line(122383177, 15418829), Line(0, -2), Line(-1, 2)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagramInfo path, scratch;
        c.build(path);
        CSprite s = Filled(W, H, 0);
        EXPECT_EQ(s.StrokeDiagramMask(0, 0, W, H, path, c.width, 4, &scratch, 255), c.filled);
        EXPECT_EQ(Snapshot(scratch), c.outline);
        // A refused segment outline is reported on the stroked element.
        EXPECT_EQ(path.RefusedElement(), c.filled ? DiagramInfo::kNoRefusal : 1u);
    }
}

// The colour-only segment strokes build the outlines of their siblings.
TEST_F(DiagramStroke, ColourOnlySegmentsShareTheGeometry) {
    DiagramInfo a, b;
    // Level -1 builds without filling.
    for (const uint8_t pointed : {0, 1, 2}) {
        const uint8_t sp = pointed == 1, ep = pointed == 2;
        EXPECT_FALSE(Filled(4, 4, 0).StrokeLineColor(0, 0, 4, 4, -50, 30, 700, -260, 45, kInk, -1, &a, sp, ep, 9));
        EXPECT_FALSE(Filled(4, 4, 0).StrokeLine(0, 0, 4, 4, -50, 30, 700, -260, 45, kInk, -1, &b, sp, ep, 9));
        EXPECT_EQ(Snapshot(a), Snapshot(b));
        EXPECT_FALSE(Filled(4, 4, 0).StrokeCircleCurveColor(0, 0, 4, 4, 300, -20, -120, 260, 10, 40, 1, 45, kInk, -1,
                                                            &a, sp, ep, 9));
        EXPECT_FALSE(Filled(4, 4, 0).StrokeCircleCurveMask(0, 0, 4, 4, 300, -20, -120, 260, 10, 40, 1, 45, -1, &b, sp,
                                                           ep, 9));
        EXPECT_EQ(Snapshot(a), Snapshot(b));
        EXPECT_GE(a.GetCount(), 4u);
    }
}

// A CircleCurve whose ends lie at one distance r from the centre is stroked
// as the ring between the circles r - W/2 and r + W/2, to within the unit
// that the truncated end offsets lose: here a quarter ring of 23 to 27 pixels
// about (30, 2) (pixels), drawn as alpha. The Arc ring adds its offsets
// before truncating and keeps the whole width.
TEST_F(DiagramStroke, CircleCurveWithEqualRadiiIsACircularBand) {
    const double cx = 30, cy = 2;  // pixels
    for (const bool viaArc : {false, true}) {
        SCOPED_TRACE(viaArc ? "Arc" : "CircleCurve");
        DiagramInfo path;
        path.SetStartPoint(int32_t((cx + 25) * 16), int32_t(cy * 16));
        if (viaArc)
            path.AddArc(int32_t(cx * 16), int32_t((cy + 25) * 16), int32_t(cx * 16), int32_t(cy * 16), 1);
        else
            path.AddCircleCurve(int32_t(cx * 16), int32_t((cy + 25) * 16), int32_t(cx * 16), int32_t(cy * 16), 1, 1);
        CSprite s = Filled(W, H, 0);
        ASSERT_TRUE(s.StrokeDiagramAlpha(0, 0, W, H, path, 64, 16, nullptr, 255));
        double area = 0;
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) area += AlphaAt(s, x, y) / 255.0;
        // pi / 4 ((25 + h)^2 - (25 - h)^2) = 25 pi h with h = W/2 = 2 pixels,
        // or a unit less for the spiral.
        const double full = 25 * kPi * 2, lessAUnit = 25 * kPi * (31.0 / 16);
        if (viaArc)
            EXPECT_NEAR(area, full, 0.5);
        else
            EXPECT_NEAR(area, lessAUnit, 0.5);
        // Along rays through the quarter: full between the circles, empty a
        // pixel and a half beyond either.
        for (double a = 0.15; a < kPi / 2 - 0.1; a += 0.1) {
            auto at = [&](double r) {
                return AlphaAt(s, int32_t(cx + r * std::cos(a)), int32_t(cy + r * std::sin(a)));
            };
            EXPECT_EQ(at(24.3), 255u) << a;
            EXPECT_EQ(at(25.7), 255u) << a;
            EXPECT_EQ(at(21.4), 0u) << a;
            EXPECT_EQ(at(28.6), 0u) << a;
            // A pixel on each circle is partly covered.
            EXPECT_GT(at(23.0) + at(27.0), 0u) << a;
        }
    }
}

// ---- targets and opacity ----

TEST_F(DiagramStroke, ColourDriverKeepsAlpha) {
    std::mt19937 rng(3);
    CSprite background;
    raster_test::MakeRandom(background, W, H, rng);
    DiagramInfo path;
    path.SetStartPoint(40, 60);
    path.AddLine(900, 300, 1);
    path.AddTip();
    path.AddCircleCurve(300, 700, 500, 500, 1, 1);
    path.AddArc(100, 500, 300, 500, 1);
    for (const uint8_t opacity : {255, 100}) {
        SCOPED_TRACE(int(opacity));
        CSprite s;
        raster_test::CopyPixels(background, s);
        ASSERT_TRUE(s.StrokeDiagramColor(0, 0, W, H, path, 70, kInk, 8, nullptr, opacity));
        const std::vector<uint32_t> before = Pixels(background), after = Pixels(s);
        size_t changed = 0;
        for (size_t i = 0; i < before.size(); ++i) {
            ASSERT_EQ(after[i] >> 24, before[i] >> 24) << i;
            changed += after[i] != before[i];
        }
        EXPECT_GT(changed, 100u);
    }
}

// Below full opacity the stroke is laid on once: a path that doubles back
// over itself weighs a fully covered pixel like a single segment, not twice.
TEST_F(DiagramStroke, BelowFullOpacityEachPixelIsWeighedOnce) {
    const uint8_t opacity = 128;
    DiagramInfo twice;
    twice.SetStartPoint(80, 200);
    twice.AddLine(900, 200, 1);
    twice.AddLine(80, 200, 1);
    DiagramInfo once;
    once.SetStartPoint(80, 200);
    once.AddLine(900, 200, 1);
    const struct {
        const char* name;
        uint32_t background;
        std::function<bool(CSprite&, DiagramInfo&)> stroke;
        std::function<bool(CSprite&)> segmentTwice;
    } cases[] = {
        {"plain", 0xFFFFFFFF, [&](CSprite& s, DiagramInfo& d) {
             return s.StrokeDiagram(0, 0, W, H, d, 48, kInk, 16, nullptr, opacity);
         },
         [&](CSprite& s) {
             return s.StrokeLine(0, 0, W, H, 80, 200, 900, 200, 48, kInk, 16, nullptr, 0, 0, opacity) &&
                    s.StrokeLine(0, 0, W, H, 900, 200, 80, 200, 48, kInk, 16, nullptr, 0, 0, opacity);
         }},
        {"colour only", 0x40FFFFFF, [&](CSprite& s, DiagramInfo& d) {
             return s.StrokeDiagramColor(0, 0, W, H, d, 48, kInk, 16, nullptr, opacity);
         },
         [&](CSprite& s) {
             return s.StrokeLineColor(0, 0, W, H, 80, 200, 900, 200, 48, kInk, 16, nullptr, 0, 0, opacity) &&
                    s.StrokeLineColor(0, 0, W, H, 900, 200, 80, 200, 48, kInk, 16, nullptr, 0, 0, opacity);
         }},
        {"alpha", 0x00336699, [&](CSprite& s, DiagramInfo& d) {
             return s.StrokeDiagramAlpha(0, 0, W, H, d, 48, 16, nullptr, opacity);
         },
         [&](CSprite& s) {
             return s.StrokeLineAlpha(0, 0, W, H, 80, 200, 900, 200, 48, 16, nullptr, 0, 0, opacity) &&
                    s.StrokeLineAlpha(0, 0, W, H, 900, 200, 80, 200, 48, 16, nullptr, 0, 0, opacity);
         }},
        {"mask", 0x00336699, [&](CSprite& s, DiagramInfo& d) {
             return s.StrokeDiagramMask(0, 0, W, H, d, 48, 16, nullptr, opacity);
         },
         [&](CSprite& s) {
             return s.StrokeLineAlpha(0, 0, W, H, 80, 200, 900, 200, 48, 16, nullptr, 0, 0, opacity) &&
                    s.StrokeLineAlpha(0, 0, W, H, 900, 200, 80, 200, 48, 16, nullptr, 0, 0, opacity);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite a = Filled(W, H, c.background), b = Filled(W, H, c.background), t = Filled(W, H, c.background);
        ASSERT_TRUE(c.stroke(a, twice));
        ASSERT_TRUE(c.stroke(b, once));
        ASSERT_TRUE(c.segmentTwice(t));
        // Row 12 lies in the middle of the 3-pixel band.
        for (int32_t x = 10; x < 50; ++x) {
            EXPECT_EQ(*a.PixelAt(x, 12), *b.PixelAt(x, 12)) << x;
            EXPECT_NE(*a.PixelAt(x, 12), *t.PixelAt(x, 12)) << x;
            EXPECT_NE(*a.PixelAt(x, 12), c.background) << x;
        }
    }
}

// Away from the origin (a rectangle at (x, y), or a clip rectangle that
// starts elsewhere), the work sprite lines up with the target: the pixels
// inside are those of the stroke over the whole sprite, the others untouched.
TEST_F(DiagramStroke, BelowFullOpacityAwayFromTheOrigin) {
    std::mt19937 rng(9);
    CSprite background;
    raster_test::MakeRandom(background, W, H, rng);
    DiagramInfo path;
    path.SetStartPoint(30, 40);
    path.AddLine(980, 500, 1);
    path.AddCircleCurve(200, 700, 400, 400, 0, 1);
    path.AddLine(30, 40, 1);
    const struct {
        const char* name;
        int32_t x, y, w, h;
        int32_t clipLeft, clipTop, clipRight, clipBottom;
    } cases[] = {
        {"rectangle at (11, 7)", 11, 7, 30, 25, 0, 0, W, H},
        {"clip rectangle from (9, 5)", 0, 0, W, H, 9, 5, 50, 40},
        {"both", 3, 2, 40, 30, 9, 5, 60, 44},
    };
    for (const uint8_t opacity : {90, 200}) {
        CSprite whole;
        raster_test::CopyPixels(background, whole);
        ASSERT_TRUE(whole.StrokeDiagramWhole(path, 56, kInk, 16, nullptr, opacity));
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            CSprite s;
            raster_test::CopyPixels(background, s);
            s.SetClipRect(c.clipLeft, c.clipTop, c.clipRight, c.clipBottom);
            ASSERT_TRUE(s.StrokeDiagram(c.x, c.y, c.w, c.h, path, 56, kInk, 16, nullptr, opacity));
            const int32_t left = std::max(c.x, c.clipLeft), top = std::max(c.y, c.clipTop);
            const int32_t right = std::min(c.x + c.w, c.clipRight), bottom = std::min(c.y + c.h, c.clipBottom);
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 0; x < W; ++x) {
                    const bool inside = x >= left && x < right && y >= top && y < bottom;
                    ASSERT_EQ(*s.PixelAt(x, y), inside ? *whole.PixelAt(x, y) : *background.PixelAt(x, y))
                        << x << ", " << y << " opacity " << int(opacity);
                }
        }
    }
}

// ---- results ----

TEST_F(DiagramStroke, ResultsAndRefusals) {
    DiagramInfo line;
    line.SetStartPoint(100, 100);
    line.AddLine(600, 400, 1);
    DiagramInfo markers;  // Jumps and markers only
    markers.AddJump(300, 300);
    markers.AddTip();
    markers.AddSeparator();
    markers.AddReturn();
    DiagramInfo lonely;   // its start point only
    DiagramInfo broken;   // a Line, then an Arc whose ends lie in different quadrants
    broken.SetStartPoint(100, 100);
    broken.AddLine(600, 100, 1);
    broken.AddArc(200, 500, 400, 300, 1);
    DiagramInfo scratch;

    const struct {
        const char* name;
        std::function<bool(CSprite&)> stroke;
        bool result;
        bool draws;
    } cases[] = {
        {"a Line", [&](CSprite& s) { return s.StrokeDiagram(0, 0, W, H, line, 32, kInk, 4, nullptr, 255); }, true,
         true},
        {"width 0", [&](CSprite& s) { return s.StrokeDiagram(0, 0, W, H, line, 0, kInk, 4, nullptr, 255); }, false,
         false},
        {"negative width",
         [&](CSprite& s) { return s.StrokeDiagramMask(0, 0, W, H, line, -5, 4, nullptr, 255); }, false, false},
        {"only the start point",
         [&](CSprite& s) { return s.StrokeDiagram(0, 0, W, H, lonely, 32, kInk, 4, nullptr, 255); }, false, false},
        {"level 3", [&](CSprite& s) { return s.StrokeDiagramAlpha(0, 0, W, H, line, 32, 3, nullptr, 255); }, false,
         false},
        {"level 3 below full opacity",
         [&](CSprite& s) { return s.StrokeDiagram(0, 0, W, H, line, 32, kInk, 3, nullptr, 100); }, false, false},
        {"Jumps and markers at level 3",
         [&](CSprite& s) { return s.StrokeDiagramColor(0, 0, W, H, markers, 32, kInk, 3, nullptr, 255); }, true,
         false},
        {"opacity 0", [&](CSprite& s) { return s.StrokeDiagram(0, 0, W, H, line, 32, kInk, 4, nullptr, 0); }, true,
         false},
        {"value 0 below full opacity",
         [&](CSprite& s) { return s.StrokeDiagramMask(0, 0, W, H, line, 32, 4, nullptr, 0); }, true, false},
        {"rectangle outside the clip",
         [&](CSprite& s) { return s.StrokeDiagram(W, 0, 20, H, line, 32, kInk, 4, nullptr, 255); }, false, false},
        {"rectangle outside the clip, below full opacity",
         [&](CSprite& s) { return s.StrokeDiagram(0, H + 1, W, 9, line, 32, kInk, 4, nullptr, 60); }, false, false},
        {"empty rectangle", [&](CSprite& s) { return s.StrokeDiagram(0, 0, 0, H, line, 32, kInk, 4, nullptr, 255); },
         false, false},
        // The segments before the refused one stay drawn.
        {"a segment the fill refuses ends the walk",
         [&](CSprite& s) { return s.StrokeDiagram(0, 0, W, H, broken, 32, kInk, 4, nullptr, 255); }, false, true},
        {"the same below full opacity leaves the target untouched",
         [&](CSprite& s) { return s.StrokeDiagram(0, 0, W, H, broken, 32, kInk, 4, nullptr, 100); }, false, false},
        {"the scratch record is the stroked outline",
         [&](CSprite& s) { return s.StrokeDiagram(0, 0, W, H, line, 32, kInk, 4, &line, 255); }, false, false},
        {"the scratch record is the stroked outline, mask driver",
         [&](CSprite& s) { return s.StrokeDiagramMask(0, 0, W, H, line, 32, 4, &line, 255); }, false, false},
        {"a scratch record of the caller's",
         [&](CSprite& s) { return s.StrokeDiagramAlpha(0, 0, W, H, line, 32, 4, &scratch, 255); }, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite s = Filled(W, H, 0x80808080);
        const std::vector<uint32_t> before = Pixels(s);
        const std::vector<Step> outline = Snapshot(line);
        EXPECT_EQ(c.stroke(s), c.result);
        EXPECT_EQ(Pixels(s) != before, c.draws);
        EXPECT_EQ(Snapshot(line), outline) << "the stroked outline is left as it was";
    }

    // The work sprite itself cannot be stroked below full opacity: that needs
    // it as the scratch image.
    CSprite& work = RasterWorkSprite();
    ASSERT_TRUE(work.ResizeUncleared(W, H));
    work.FillRect(0, 0, W, H, kBack);
    EXPECT_FALSE(work.StrokeDiagram(0, 0, W, H, line, 32, kInk, 4, nullptr, 100));
    EXPECT_EQ(work.GetWidth(), W);
    for (uint32_t p : Pixels(work)) ASSERT_EQ(p, kBack);
    // At full opacity it is an ordinary target.
    EXPECT_TRUE(work.StrokeDiagram(0, 0, W, H, line, 32, kInk, 4, nullptr, 255));

    // Without a started library the first segment refuses, and below full
    // opacity the work sprite cannot be sized.
    raster_test::ResetRasterLibrary();
    CSprite s = Filled(W, H, kBack);
    EXPECT_FALSE(s.StrokeDiagram(0, 0, W, H, line, 32, kInk, 4, nullptr, 255));
    EXPECT_FALSE(s.StrokeDiagramAlpha(0, 0, W, H, line, 32, 4, nullptr, 100));
    EXPECT_TRUE(s.StrokeDiagram(0, 0, W, H, markers, 32, kInk, 4, nullptr, 255));
    for (uint32_t p : Pixels(s)) ASSERT_EQ(p, kBack);
}

}  // namespace
