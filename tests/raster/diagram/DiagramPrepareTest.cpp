// The outline preparation: the element walk, Lines, Jumps and markers,
// CircleCurves (checked against an independent double model of the spiral:
// its extent, its pieces, the kinds of its end points and the solver start)
// and Arcs.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

#include "raster/diagram/DiagramLevels.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr int32_t kUntouched = 0x5EED;

// Marks the work fields of every element so that a test can tell which ones
// the preparation wrote.
void MarkWorkFields(DiagramInfo& record) {
    for (uint32_t i = 0; i < record.GetCount(); ++i) {
        DiagramInfoFactor& e = record[i];
        e.yMin = e.yMax = kUntouched;
        e.startAngle = e.endAngle = e.coefA = e.coefB = -1.0;
        e.arcShape = kUntouched;
    }
}

bool Untouched(const DiagramInfoFactor& e) {
    return e.yMin == kUntouched && e.yMax == kUntouched && e.startAngle == -1.0 && e.coefA == -1.0;
}

bool Prepare(int level, DiagramInfo& record, int32_t row = 0, int32_t rows = 1 << 20) {
    CSprite sprite;
    switch (level) {
    case 0:
        return sprite.PrepareDiagramAa0(0, row, 0, rows, record);
    case 1:
        return sprite.PrepareDiagramAa1(0, row, 0, rows, record);
    case 2:
        return sprite.PrepareDiagramAa2(0, row, 0, rows, record);
    case 4:
        return sprite.PrepareDiagramAa4(0, row, 0, rows, record);
    case 8:
        return sprite.PrepareDiagramAa8(0, row, 0, rows, record);
    default:
        return sprite.PrepareDiagramAa16(0, row, 0, rows, record);
    }
}

// The direction of travel from (x0, y0) to (x1, y1), 0 .. 2 pi.
double Heading(double dx, double dy) {
    double a = std::atan2(dy, dx);
    return a < 0 ? a + 2 * kPi : a;
}

// ---- element walk, Line, Jump, markers ----

TEST(DiagramPrepareWalk, EmptyOutlineThrowsIndexZeroAndOneElementIsDoneAtOnce) {
    DiagramInfo record;
    record.elements.RemoveAll();
    EXPECT_THROW(
        {
            try {
                Prepare(16, record);
            } catch (uint32_t index) {
                EXPECT_EQ(index, 0u);
                throw;
            }
        },
        uint32_t);

    record.Reset();
    record.SetStartPoint(40, 50);
    MarkWorkFields(record);
    for (int level : {0, 1, 2, 4, 8, 16}) {
        EXPECT_TRUE(Prepare(level, record));
        EXPECT_TRUE(Untouched(record[0]));
    }
}

TEST(DiagramPrepareWalk, LinesGetExtentSlopeAndHeading) {
    struct Case {
        const char* name;
        int32_t x0, y0, x1, y1;
        double slope;
    } const cases[] = {
        {"flat to the right", 16, 40, 160, 40, 0.0},
        {"flat to the left", 160, 40, 16, 40, 0.0},
        {"down and right", 0, 0, 32, 64, 0.5},
        {"up and right", 0, 64, 32, 0, -0.5},
        {"straight up", 5, 100, 5, -100, 0.0},
        {"down and left", 100, 0, 40, 20, -3.0},
        // Differences beyond 32 bits: no wrap into a negative slope.
        {"across the whole range", INT32_MIN, 0, INT32_MAX, 1, 4294967295.0},
        {"huge rise", 0, INT32_MIN, 1, INT32_MAX, 1.0 / 4294967295.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DiagramInfo record;
        record.SetStartPoint(c.x0, c.y0);
        record.AddLine(c.x1, c.y1, 1);
        ASSERT_TRUE(Prepare(16, record));
        const DiagramInfoFactor& e = record[1];
        EXPECT_EQ(e.yMin, std::min(c.y0, c.y1));
        EXPECT_EQ(e.yMax, std::max(c.y0, c.y1));
        EXPECT_DOUBLE_EQ(e.coefA, c.slope);
        const double heading = Heading(double(c.x1) - c.x0, double(c.y1) - c.y0);
        EXPECT_DOUBLE_EQ(e.startAngle, heading);
        EXPECT_DOUBLE_EQ(e.endAngle, heading);
        EXPECT_GE(e.startAngle, 0.0);
        EXPECT_LT(e.startAngle, 2 * kPi);
    }
}

// One outline through every walk rule: which elements are written, and from
// which current point each written one runs.
TEST(DiagramPrepareWalk, LookAheadSkipsBeforeReturnAndMarkersKeepThePen) {
    DiagramInfo record;
    record.SetStartPoint(0, 0);
    record.AddLine(32, 160, 1);  // 1 skipped with the Return after it
    record.AddReturn();          // 2 skipped
    record.AddLine(64, 16, 1);   // 3 from (0, 0)
    record.AddTip();             // 4 marker
    record.AddLine(64, 48, 1);   // 5 from (64, 16): the Tip did not move the pen
    record.AddLine(200, 300, 1); // 6 skipped with Tip and Return
    record.AddTip();             // 7 skipped
    record.AddReturn();          // 8 skipped
    record.AddJump(-16, 80);     // 9 from (64, 48)
    record.AddSeparator();       // 10 marker
    record.AddLine(-16, 96, 1);  // 11 from (-16, 80)
    record.elements.AddNew()->Type = DiagramInfoFactor::kStart;  // 12 a further start point
    record[12].X = 500;
    record[12].Y = 600;
    record.AddLine(516, 600, 1); // 13 from (500, 600)
    MarkWorkFields(record);
    ASSERT_TRUE(Prepare(4, record));

    for (uint32_t i : {0u, 1u, 2u, 6u, 7u, 8u, 12u}) EXPECT_TRUE(Untouched(record[i])) << "element " << i;
    for (uint32_t i : {4u, 10u}) {
        EXPECT_EQ(record[i].yMin, 0) << i;
        EXPECT_EQ(record[i].yMax, 0) << i;
        EXPECT_EQ(record[i].startAngle, 0.0) << i;
        EXPECT_EQ(record[i].endAngle, 0.0) << i;
    }
    EXPECT_EQ(record[3].yMin, 0);
    EXPECT_EQ(record[3].yMax, 16);
    EXPECT_DOUBLE_EQ(record[3].coefA, 4.0);
    EXPECT_EQ(record[5].yMin, 16);
    EXPECT_EQ(record[5].yMax, 48);
    EXPECT_DOUBLE_EQ(record[5].coefA, 0.0);
    EXPECT_DOUBLE_EQ(record[5].startAngle, kPi / 2);
    EXPECT_EQ(record[9].yMin, 48);
    EXPECT_EQ(record[9].yMax, 80);
    EXPECT_EQ(record[9].startAngle, 0.0);
    EXPECT_EQ(record[9].endAngle, 0.0);
    EXPECT_EQ(record[11].yMin, 80);
    EXPECT_EQ(record[11].yMax, 96);
    EXPECT_EQ(record[13].yMin, 600);
    EXPECT_EQ(record[13].yMax, 600);
    EXPECT_DOUBLE_EQ(record[13].startAngle, 0.0);
}

TEST(DiagramPrepareWalk, TrailingReturnAndTipAtTheEnd) {
    // A Tip as the last element has no Return after it: it is a marker.
    DiagramInfo record;
    record.SetStartPoint(0, 0);
    record.AddLine(16, 16, 1);
    record.AddTip();
    MarkWorkFields(record);
    ASSERT_TRUE(Prepare(16, record));
    EXPECT_EQ(record[1].yMax, 16);
    EXPECT_EQ(record[2].yMax, 0);

    // A Return right after the start point: the start point is never skipped.
    DiagramInfo back;
    back.SetStartPoint(0, 0);
    back.AddReturn();
    back.AddLine(16, 32, 1);
    MarkWorkFields(back);
    ASSERT_TRUE(Prepare(16, back));
    EXPECT_EQ(back[1].yMax, 0);
    EXPECT_EQ(back[2].yMin, 0);
    EXPECT_EQ(back[2].yMax, 32);
}

}  // namespace
