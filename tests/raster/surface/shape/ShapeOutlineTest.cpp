// The outlines the shape builders leave in a passed record at level -1 (which
// rasterises nothing). Expected points are worked out by hand from the shape
// rules: trunc toward zero, halves of a width toward zero, half-axes by side.
#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <vector>

#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/surface/shape/OutlineTestSupport.h"

namespace {

using namespace outline_test;
constexpr double kPi = std::numbers::pi;
constexpr int32_t kOutlineOnly = -1;

class ShapeOutline : public ::testing::Test {
protected:
    CSprite sprite;
    DiagramInfo record;
};

TEST_F(ShapeOutline, EllipseWithOffCentreCentre) {
    // Box (0, 0)-(160, 96) about (40, 64): every quarter has its own half-axes.
    EXPECT_FALSE(sprite.FillEllipseMask(0, 0, 0, 0, 0, 0, 160, 96, 40, 64, kOutlineOnly, &record, 255));
    const std::vector<Step> expected = {Start(40, 0), Arc(160, 64, 40, 64), Arc(40, 96, 40, 64), Arc(0, 64, 40, 64),
                                        Arc(40, 0, 40, 64)};
    EXPECT_EQ(Snapshot(record), expected);
}

TEST_F(ShapeOutline, ThickLines) {
    const struct {
        const char* name;
        int32_t x1, y1, x2, y2, width;
        uint8_t startPointed, endPointed;
        std::vector<Step> outline;
    } cases[] = {
        // Normal (0, 3): sides moved by (0, 2) and (0, -1).
        {"horizontal width 3", 0, 0, 160, 0, 3, 0, 0,
         {Start(0, 2), Line(160, 2), Line(160, -1), Line(0, -1), Line(0, 2)}},
        // Normal rounds to (-1, 1), halves toward zero to (0, 0): the odd unit
        // goes to the side moved by (-1, 1).
        {"diagonal width 1", 0, 0, 16, 16, 1, 0, 0,
         {Start(-1, 1), Line(15, 17), Line(16, 16), Line(0, 0), Line(-1, 1)}},
        {"other diagonal width 1", 16, 0, 0, 16, 1, 0, 0,
         {Start(15, -1), Line(-1, 15), Line(0, 16), Line(16, 0), Line(15, -1)}},
        // Normal (-2, 2), halves (-1, 1): sides moved by (-1, 1) and (1, -1).
        {"diagonal width 3", 0, 0, 16, 16, 3, 0, 0,
         {Start(-1, 1), Line(15, 17), Line(17, 15), Line(1, -1), Line(-1, 1)}},
        {"pointed start", 0, 0, 160, 0, 3, 1, 0, {Start(0, 0), Line(160, 2), Line(160, -1), Line(0, 0)}},
        {"both pointed is the pointed start", 0, 0, 160, 0, 3, 1, 1,
         {Start(0, 0), Line(160, 2), Line(160, -1), Line(0, 0)}},
        {"pointed end", 0, 0, 160, 0, 3, 0, 1, {Start(0, 2), Line(160, 0), Line(0, -1), Line(0, 2)}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(sprite.StrokeLineMask(0, 0, 0, 0, c.x1, c.y1, c.x2, c.y2, c.width, kOutlineOnly, &record,
                                           c.startPointed, c.endPointed, 255));
        EXPECT_EQ(Snapshot(record), c.outline) << c.name;
    }
}

// A quarter circle of radius 160 about the origin, width 32. The normals come
// from a chord one ten-thousandth of the way along, so half the width along
// them is 15.99999995: truncated to 15.
TEST_F(ShapeOutline, ThickCircleCurves) {
    const struct {
        const char* name;
        uint8_t direction, startPointed, endPointed;
        std::vector<Step> outline;
    } cases[] = {
        {"clockwise",
         1,
         0,
         0,
         {Start(175, 0), Curve(0, 175, 0, 0, 1), Line(0, 145), Curve(145, 0, 0, 0, 0), Line(175, 0)}},
        {"pointed start",
         1,
         1,
         0,
         {Start(160, 0), Curve(0, 175, 0, 0, 1), Line(0, 145), Curve(160, 0, 0, 0, 0)}},
        {"pointed end", 1, 0, 1, {Start(175, 0), Curve(0, 160, 0, 0, 1), Curve(145, 0, 0, 0, 0), Line(175, 0)}},
        // The long way round: the sides swap.
        {"anticlockwise",
         0,
         0,
         0,
         {Start(145, 0), Curve(0, 145, 0, 0, 0), Line(0, 175), Curve(175, 0, 0, 0, 1), Line(145, 0)}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(sprite.StrokeCircleCurveMask(0, 0, 0, 0, 160, 0, 0, 160, 0, 0, c.direction, 32, kOutlineOnly,
                                                  &record, c.startPointed, c.endPointed, 255));
        EXPECT_EQ(Snapshot(record), c.outline) << c.name;
    }
}

// Ring segments about (100, 100) on the box (20, 40)-(200, 180), width 16:
// inner half-axes 100 right, 80 left, 80 below, 60 above; outer 16 more.
std::vector<Step> Ring(double a0, double a1) {
    CSprite sprite;
    DiagramInfo record;
    EXPECT_FALSE(
        sprite.FillRingSegmentMask(0, 0, 0, 0, 100, 100, a0, a1, 16, 20, 40, 200, 180, kOutlineOnly, &record, 255));
    return Snapshot(record);
}

TEST_F(ShapeOutline, RingSegments) {
    const int32_t c = 100;
    // pi/8: cos 0.92388, sin 0.38268; 3 pi/8 the other way round.
    EXPECT_EQ(Ring(kPi / 8, 3 * kPi / 8),
              (std::vector<Step>{Start(192, 130), Line(207, 136), Arc(144, 188, c, c), Line(138, 173),
                                 Arc(192, 130, c, c)}));

    const std::vector<Step> whole = {
        Start(200, 100),    Line(216, 100),      Arc(100, 196, c, c), Arc(4, 100, c, c),
        Arc(100, 24, c, c), Arc(216, 100, c, c), Line(200, 100),      Arc(100, 40, c, c),
        Arc(20, 100, c, c), Arc(100, 180, c, c), Arc(200, 100, c, c), Arc(200, 100, c, c),
    };
    EXPECT_EQ(Ring(0, 2 * kPi), whole);
    EXPECT_EQ(Ring(2 * kPi, 0), whole) << "a full turn downward is the same whole ring";
    EXPECT_EQ(Ring(1, 1 + 2 * kPi + 0.5), whole) << "more than a full turn";

    // Same start point, opposite senses from the caller's angles.
    EXPECT_EQ(Ring(-kPi / 2, 0), (std::vector<Step>{Start(100, 40), Line(100, 24), Arc(100, 24, c, c),
                                                     Arc(216, 100, c, c), Line(200, 100), Arc(100, 40, c, c),
                                                     Arc(100, 40, c, c)}))
        << "quarter turn forward";
    const std::vector<Step> backward = {Start(100, 40),     Line(100, 24),       Arc(4, 100, c, c),
                                        Arc(100, 196, c, c), Arc(216, 100, c, c), Arc(216, 100, c, c),
                                        Line(200, 100),     Arc(100, 180, c, c), Arc(20, 100, c, c),
                                        Arc(100, 40, c, c)};
    EXPECT_EQ(Ring(3 * kPi / 2, 0), backward) << "three quarters backward";
    // 7 pi/2 lies where 3 pi/2 does, but 7 pi/2 -> 0 falls by more than a turn.
    const std::vector<Step> quarterBack = {Start(100, 40), Line(100, 24),     Arc(4, 100, c, c),  Arc(4, 100, c, c),
                                           Line(20, 100),  Arc(20, 100, c, c), Arc(100, 40, c, c)};
    EXPECT_EQ(Ring(3 * kPi / 2, kPi), quarterBack);
    EXPECT_EQ(Ring(7 * kPi / 2, 3 * kPi), quarterBack);
    EXPECT_EQ(Ring(7 * kPi / 2, 0), whole);
}

TEST_F(ShapeOutline, ScaledRingSegments) {
    // About the origin, box +-64, width 16, scales left 0.5, top 0.75, right 2,
    // bottom 1.5. Outer axis points: 161 right, 121 below, -41 left, -61 above;
    // inner: 129, 97, -33, -49.
    auto ring = [&](double a0, double a1) {
        EXPECT_FALSE(sprite.FillEllipseRingScaledMask(0, 0, 0, 0, 0, 0, a0, a1, 16, -64, -64, 64, 64, 0.5, 0.75, 2,
                                                      1.5, kOutlineOnly, &record, 255));
        return Snapshot(record);
    };
    EXPECT_EQ(ring(kPi / 4, 3 * kPi / 4),
              (std::vector<Step>{Start(90, 67), Line(113, 84), Arc(0, 121, 0, 0), Arc(-28, 84, 0, 0), Line(-22, 67),
                                 Arc(0, 97, 0, 0), Arc(90, 67, 0, 0)}));
    EXPECT_EQ(ring(0, 2 * kPi),
              (std::vector<Step>{Start(128, 0), Line(160, 0), Arc(0, 121, 0, 0), Arc(-41, 0, 0, 0), Arc(0, -61, 0, 0),
                                 Arc(160, 0, 0, 0), Line(128, 0), Arc(0, -49, 0, 0), Arc(-33, 0, 0, 0),
                                 Arc(0, 97, 0, 0), Arc(129, 0, 0, 0), Arc(128, 0, 0, 0)}));
}

TEST_F(ShapeOutline, BoxFrameWidth3) {
    // One unit outside the left and top edges, two outside the right and bottom.
    EXPECT_FALSE(sprite.FillBoxFrameMask(0, 0, 0, 0, 16, 32, 160, 128, 3, kOutlineOnly, &record, 255));
    const std::vector<Step> expected = {Start(15, 31),  Line(15, 130), Line(162, 130), Line(162, 31),
                                        Line(18, 31),   Line(18, 34),  Line(159, 34),  Line(159, 127),
                                        Line(18, 127),  Line(18, 31),  Line(15, 31)};
    EXPECT_EQ(Snapshot(record), expected);
}

TEST_F(ShapeOutline, Pies) {
    EXPECT_FALSE(sprite.FillPieMask(0, 0, 0, 0, 100, 100, kPi / 8, 3 * kPi / 8, 20, 40, 200, 180, kOutlineOnly,
                                    &record, 255));
    EXPECT_EQ(Snapshot(record), (std::vector<Step>{Start(100, 100), Line(192, 130), Arc(138, 173, 100, 100),
                                                   Line(100, 100)}));

    // A full turn either way is the ellipse of the box.
    const std::vector<Step> ellipse = {Start(100, 40), Arc(200, 100, 100, 100), Arc(100, 180, 100, 100),
                                       Arc(20, 100, 100, 100), Arc(100, 40, 100, 100)};
    for (const double a1 : {2 * kPi, -2 * kPi, 7.0}) {
        record.Reset();
        EXPECT_FALSE(
            sprite.FillPieMask(0, 0, 0, 0, 100, 100, 0, a1, 20, 40, 200, 180, kOutlineOnly, &record, 255));
        EXPECT_EQ(Snapshot(record), ellipse) << a1;
    }
}

// Width below 1 and an empty ellipse box refuse before the reset: a passed
// record keeps its outline. Equal angles refuse after it.
TEST_F(ShapeOutline, Refusals) {
    using Build = std::function<bool(CSprite&, DiagramInfo*)>;
    const struct {
        const char* name;
        Build build;
        bool keepsRecord;
    } cases[] = {
        {"ellipse, empty width",
         [](CSprite& s, DiagramInfo* r) { return s.FillEllipseMask(0, 0, 9, 9, 50, 0, 50, 10, 50, 5, 16, r, 255); },
         true},
        {"ellipse, inverted height",
         [](CSprite& s, DiagramInfo* r) { return s.FillEllipseMask(0, 0, 9, 9, 0, 10, 50, 9, 25, 5, 16, r, 255); },
         true},
        {"line, width 0",
         [](CSprite& s, DiagramInfo* r) { return s.StrokeLineMask(0, 0, 9, 9, 0, 0, 10, 10, 0, 16, r, 0, 0, 255); },
         true},
        {"curve, width -3",
         [](CSprite& s, DiagramInfo* r) {
             return s.StrokeCircleCurveMask(0, 0, 9, 9, 10, 0, 0, 10, 0, 0, 1, -3, 16, r, 0, 0, 255);
         },
         true},
        {"ring, width 0",
         [](CSprite& s, DiagramInfo* r) {
             return s.FillRingSegmentMask(0, 0, 9, 9, 0, 0, 0, 1, 0, -9, -9, 9, 9, 16, r, 255);
         },
         true},
        {"scaled ring, width 0",
         [](CSprite& s, DiagramInfo* r) {
             return s.FillEllipseRingScaledMask(0, 0, 9, 9, 0, 0, 0, 1, 0, -9, -9, 9, 9, 1, 1, 1, 1, 16, r, 255);
         },
         true},
        {"box frame, width 0",
         [](CSprite& s, DiagramInfo* r) { return s.FillBoxFrameMask(0, 0, 9, 9, 0, 0, 9, 9, 0, 16, r, 255); }, true},
        {"ring, equal angles",
         [](CSprite& s, DiagramInfo* r) {
             return s.FillRingSegmentMask(0, 0, 9, 9, 0, 0, 1, 1, 4, -9, -9, 9, 9, 16, r, 255);
         },
         false},
        {"scaled ring, equal angles",
         [](CSprite& s, DiagramInfo* r) {
             return s.FillEllipseRingScaledMask(0, 0, 9, 9, 0, 0, 1, 1, 4, -9, -9, 9, 9, 1, 1, 1, 1, 16, r, 255);
         },
         false},
        {"pie, equal angles",
         [](CSprite& s, DiagramInfo* r) { return s.FillPieMask(0, 0, 9, 9, 0, 0, 2, 2, -9, -9, 9, 9, 16, r, 255); },
         false},
    };
    for (const auto& c : cases) {
        record.Reset();
        record.SetStartPoint(3, 4);
        record.AddLine(30, 40, 1);
        const std::vector<Step> before = Snapshot(record);
        EXPECT_FALSE(c.build(sprite, &record)) << c.name;
        EXPECT_EQ(Snapshot(record), c.keepsRecord ? before : std::vector<Step>{Start(0, 0)}) << c.name;
        EXPECT_FALSE(c.build(sprite, nullptr)) << c.name << " (own record)";
    }
}

}  // namespace
