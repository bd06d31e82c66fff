#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "document/model/QDXFactor.h"
#include "raster/surface/shape/DiagramInfo.h"

namespace {

constexpr double kPi = std::numbers::pi;

QDXPath Node(int32_t type, int32_t x, int32_t y, int32_t x2 = 0, int32_t y2 = 0, bool curve = false,
             bool enabled = true) {
    QDXPath node;
    node.Type = type;
    node.X = x;
    node.Y = y;
    node.X2 = x2;
    node.Y2 = y2;
    node.CurveFlag = curve;
    node.Enabled = enabled;
    return node;
}

// Every kind becomes its element; only Line, CircleCurve and Arc carry the
// disabled mark, and the coordinate-free kinds carry nothing but their type.
TEST(PathGeometryTest, EachNodeKindAppendsItsElement) {
    const struct {
        const char* name;
        QDXPath node;
        DiagramInfoFactor expected;
    } cases[] = {
        {"line", Node(1, 3, -4, 9, 9, true, false), {1, 3, -4, 0, 0, 0, 0}},
        {"circle curve", Node(2, 1, 2, 3, 4, true, false), {2, 1, 2, 3, 4, 1, 0}},
        {"circle curve backward", Node(2, 1, 2, 3, 4, false, true), {2, 1, 2, 3, 4, 0, 1}},
        {"arc", Node(3, 5, 6, 7, 8, true, false), {3, 5, 6, 7, 8, 0, 0}},
        {"disabled jump looks enabled", Node(4, 5, 6, 7, 8, true, false), {4, 5, 6, 0, 0, 0, 1}},
        {"return", Node(5, 5, 6, 7, 8, true, false), {5, 0, 0, 0, 0, 0, 1}},
        {"tip", Node(6, 5, 6, 7, 8), {6, 0, 0, 0, 0, 0, 1}},
        {"separator", Node(7, 5, 6, 7, 8), {7, 0, 0, 0, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        DiagramInfo outline;
        outline.AddLine(100, 100, 0);  // an earlier element must not leak into the new one
        outline.Reset();
        ASSERT_TRUE(c.node.AppendToDiagram(outline, 1.0, 1.0)) << c.name;
        ASSERT_EQ(outline.GetCount(), 2u) << c.name;
        const DiagramInfoFactor& e = outline[1];
        EXPECT_EQ(e.Type, c.expected.Type) << c.name;
        EXPECT_EQ(e.X, c.expected.X) << c.name;
        EXPECT_EQ(e.Y, c.expected.Y) << c.name;
        EXPECT_EQ(e.X2, c.expected.X2) << c.name;
        EXPECT_EQ(e.Y2, c.expected.Y2) << c.name;
        EXPECT_EQ(e.CurveFlag, c.expected.CurveFlag) << c.name;
        EXPECT_EQ(e.Enabled, c.expected.Enabled) << c.name;
    }
}

TEST(PathGeometryTest, TypesOutsideOneToSevenAppendNothing) {
    for (int32_t type : {0, 8, -1, 100}) {
        DiagramInfo outline;
        EXPECT_FALSE(Node(type, 1, 1).AppendToDiagram(outline, 2.0, 2.0)) << type;
        EXPECT_EQ(outline.GetCount(), 1u) << type;
    }
}

// Rounding half away from zero, by the sign of the unscaled coordinate; x
// scales with sx (X, X2) and y with sy (Y, Y2).
TEST(PathGeometryTest, ScalingRoundsHalfAwayFromZero) {
    const struct {
        double sx, sy;
        int32_t x, y, x2, y2;
        int32_t ex, ey, ex2, ey2;
    } cases[] = {
        {1.0, 1.0, 3, -3, 7, -7, 3, -3, 7, -7},
        {0.5, 0.5, 3, -3, 1, -1, 2, -2, 1, -1},
        {1.5, 1.5, 3, -3, 1, -1, 5, -5, 2, -2},
        {0.5, 1.5, 3, 3, -3, -3, 2, 5, -2, -5},
        {1.0, 2.0, 3, 3, 5, 5, 3, 6, 5, 10},  // one scale of 1 still scales the other
        {0.25, 0.25, 1, -1, 2, -2, 0, 0, 1, -1},
        {-0.5, -0.5, 3, -3, 0, 0, -1, 1, 0, 0},  // the side comes from the unscaled value
        // Beyond the 32-bit range the coordinates saturate.
        {1e10, -1e10, 5, 5, -5, -5, INT32_MAX, INT32_MIN, -INT32_MAX, INT32_MAX},
    };
    for (const auto& c : cases) {
        DiagramInfo outline;
        ASSERT_TRUE(Node(2, c.x, c.y, c.x2, c.y2).AppendToDiagram(outline, c.sx, c.sy));
        const DiagramInfoFactor& e = outline[1];
        EXPECT_EQ(e.X, c.ex) << c.sx << "," << c.sy;
        EXPECT_EQ(e.Y, c.ey) << c.sx << "," << c.sy;
        EXPECT_EQ(e.X2, c.ex2) << c.sx << "," << c.sy;
        EXPECT_EQ(e.Y2, c.ey2) << c.sx << "," << c.sy;
    }
}

// A path through AppendToDiagram, each element's length taken from the end of
// the element before it.
TEST(PathGeometryTest, LengthsThroughTheOutline) {
    const struct {
        const char* name;
        int32_t startX, startY;
        QDXPath node;
        double length;
        double tolerance;
    } cases[] = {
        {"line 3-4-5", 0, 0, Node(1, 3, 4), 5, 0},
        {"arc counts its chord", 0, 0, Node(3, 3, 4, 40, -9), 5, 0},
        {"quarter turn forward", 10, 0, Node(2, 0, 10, 0, 0, true), 5 * kPi, 1e-12},
        {"three quarters backward", 10, 0, Node(2, 0, 10, 0, 0, false), 15 * kPi, 1e-12},
        {"spiral 10 to 20 over a quarter turn", 10, 0, Node(2, 0, 20, 0, 0, true), 25.660, 5e-4},
        {"same angle backward: the radius difference", 10, 0, Node(2, 30, 0, 0, 0, false), 20, 1e-12},
        // The integral of sqrt(r^2 + k^2) over one turn, r from 10 to 30 and
        // k = 20 / 2 pi, worked out to 30 digits by adaptive quadrature.
        {"same angle forward: a full spiral turn", 10, 0, Node(2, 30, 0, 0, 0, true), 127.394768226855902, 1e-9},
    };
    for (const auto& c : cases) {
        DiagramInfo outline;
        outline.SetStartPoint(c.startX, c.startY);
        ASSERT_TRUE(c.node.AppendToDiagram(outline, 1.0, 1.0));
        DiagramInfoFactor& e = outline[1];
        e.ComputeLength(outline[0].X, outline[0].Y);
        EXPECT_NEAR(e.Length, c.length, c.tolerance) << c.name;
    }
}

}  // namespace
