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
#include <limits>
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

// ---- CircleCurve ----

// An independent model of a CircleCurve: the pen turns about the centre at a
// constant rate from the start angle to the end angle in its direction while
// the radius changes linearly; s runs from 0 (start) to 1 (end).
struct CurveModel {
    double cx, cy, ts, sweep, rs, re;
    bool forward;

    CurveModel(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t cxi, int32_t cyi, bool fwd)
        : cx(cxi), cy(cyi), forward(fwd) {
        const double sdx = double(x0) - cx, sdy = double(y0) - cy;
        const double edx = double(x1) - cx, edy = double(y1) - cy;
        ts = Heading(sdx, sdy);
        const double te = Heading(edx, edy);
        sweep = std::fmod((fwd ? te - ts : ts - te) + 4 * kPi, 2 * kPi);
        rs = std::hypot(sdx, sdy);
        re = std::hypot(edx, edy);
    }
    double AngleAt(double s) const { return forward ? ts + s * sweep : ts - s * sweep; }
    double RadiusAt(double s) const { return rs + s * (re - rs); }
    double Y(double s) const { return cy + RadiusAt(s) * std::sin(AngleAt(s)); }
    double X(double s) const { return cx + RadiusAt(s) * std::cos(AngleAt(s)); }
    // y relative to the centre at the polar angle t (any turn), measured as
    // the radius the pen has there when t is counted from the low end of the
    // angle interval.
    double YAtAngle(double t) const {
        const double lowAngle = forward ? ts : ts - sweep;
        const double lowRadius = forward ? rs : re;
        const double highRadius = forward ? re : rs;
        const double rAt = lowRadius + (t - lowAngle) / sweep * (highRadius - lowRadius);
        return rAt * std::sin(t);
    }
    double HeadingAt(double s) const {
        const double h = 1e-6;
        return s < 0.5 ? Heading(X(s + h) - X(s), Y(s + h) - Y(s)) : Heading(X(s) - X(s - h), Y(s) - Y(s - h));
    }
};

constexpr int kModelSamples = 200000;

struct CurveCase {
    const char* name;
    int32_t cx, cy, x0, y0, x1, y1;
    bool forward;
};

// Angles differ by at most a small tolerance, modulo a full turn.
double AngleGap(double a, double b) {
    const double d = std::fmod(std::fabs(a - b), 2 * kPi);
    return std::min(d, 2 * kPi - d);
}

int PiecesHolding(const DiagramInfoFactor& e, double v) {
    int n = 0;
    for (int k = 0; k < 4; ++k)
        if (e.pieceTop[k] != kDiagramNoY && e.pieceTop[k] <= v && v <= e.pieceBottom[k]) ++n;
    return n;
}

// Everything the model can tell about one prepared CircleCurve.
void CheckCurveAgainstModel(const CurveCase& c, int level, int32_t clipRow, int32_t clipRows) {
    SCOPED_TRACE(testing::Message() << c.name << ", level " << level << ", clip row " << clipRow);
    DiagramInfo record;
    record.SetStartPoint(c.x0, c.y0);
    record.AddCircleCurve(c.x1, c.y1, c.cx, c.cy, c.forward ? 1 : 0, 1);
    ASSERT_TRUE(Prepare(level, record, clipRow, clipRows));
    const DiagramInfoFactor& e = record[1];
    const CurveModel model(c.x0, c.y0, c.x1, c.y1, c.cx, c.cy, c.forward);
    const int32_t step = diagram::GridStep(level);
    const double scale = std::max(model.rs, model.re) * 1e-9 + 1e-6;

    std::vector<double> ys(kModelSamples + 1);
    for (int i = 0; i <= kModelSamples; ++i) ys[i] = model.Y(double(i) / kModelSamples);
    const double lowest = *std::min_element(ys.begin(), ys.end());
    const double highest = *std::max_element(ys.begin(), ys.end());

    // Extent: the turning points truncated toward the centre.
    EXPECT_GE(e.yMin, lowest - 0.01);
    EXPECT_LE(e.yMin, lowest + 1);
    EXPECT_LE(e.yMax, highest + 0.01);
    EXPECT_GE(e.yMax, highest - 1);

    // Directions of travel at both ends.
    EXPECT_LT(AngleGap(e.startAngle, model.HeadingAt(0)), 1e-3);
    EXPECT_LT(AngleGap(e.endAngle, model.HeadingAt(1)), 1e-3);

    // Each sample line away from the piece ends is met by as many pieces as
    // the curve crosses it.
    std::vector<int32_t> ends = {c.y0, c.y1};
    for (int k = 0; k < 4; ++k) {
        if (e.pieceTop[k] == kDiagramNoY) continue;
        EXPECT_EQ(e.pieceTop[k] % step, 0) << "piece " << k;
        EXPECT_LE(e.pieceTop[k], e.pieceBottom[k]) << "piece " << k;
        ends.push_back(e.pieceTop[k]);
        ends.push_back(e.pieceBottom[k]);
    }
    // The samples where y turns (and both ends): between two of them y is
    // monotonic, so a line crosses that run at most once.
    std::vector<int> turns = {0};
    for (int i = 1; i < kModelSamples; ++i)
        if ((ys[i] - ys[i - 1]) * (ys[i + 1] - ys[i]) < 0) turns.push_back(i);
    turns.push_back(kModelSamples);
    const int32_t first = int32_t(std::floor(lowest)) - 4, last = int32_t(std::ceil(highest)) + 4;
    const int32_t every = std::max<int32_t>(1, (last - first) / 400);
    for (int32_t v = first; v <= last; v += every) {
        bool nearEnd = false;
        for (int32_t end : ends) nearEnd = nearEnd || std::abs(int64_t(end) - v) <= step + 1;
        if (nearEnd) continue;
        int crossings = 0;
        for (size_t r = 1; r < turns.size(); ++r) crossings += (ys[turns[r - 1]] < v) != (ys[turns[r]] < v);
        EXPECT_EQ(PiecesHolding(e, v), crossings) << "sample line " << v;
    }

    // The end points: their pieces hold their y and their kinds follow the
    // travel (6 toward larger y, 1 toward smaller).
    ASSERT_LT(e.startPiece, 4u);
    ASSERT_LT(e.endPiece, 4u);
    EXPECT_LE(e.pieceTop[e.startPiece], c.y0);
    EXPECT_GE(e.pieceBottom[e.startPiece], c.y0);
    EXPECT_LE(e.pieceTop[e.endPiece], c.y1);
    EXPECT_GE(e.pieceBottom[e.endPiece], c.y1);
    EXPECT_EQ(e.startKind, model.Y(1e-4) > model.Y(0) ? 6u : 1u);
    EXPECT_EQ(e.endKind, model.Y(1) > model.Y(1 - 1e-4) ? 6u : 1u);

    // The solver of every piece that meets the clip is put on the first
    // sample line inside the piece and the clip. A piece top rounded up to the
    // grid can lie above the curve; then the solver stays at the piece's top,
    // below that line by less than one grid step. Either way its step reaches
    // the next sample line. (A line that is the piece's bottom end point may
    // be missed by a rounding error; the scan converter puts the end point
    // itself there.)
    const int64_t clipTop = int64_t{16} * clipRow, clipBottom = int64_t{16} * (int64_t{clipRow} + clipRows);
    for (int k = 0; k < 4; ++k) {
        if (e.pieceTop[k] == kDiagramNoY) continue;
        if (e.pieceTop[k] > clipBottom || e.pieceBottom[k] < clipTop) continue;
        SCOPED_TRACE(testing::Message() << "piece " << k);
        const DiagramPiece& p = e.pieces[k];
        const int64_t line = std::max<int64_t>(e.pieceTop[k], clipTop);
        EXPECT_NEAR(p.y, model.YAtAngle(p.angle), scale);
        const double target = double(line - c.cy);
        if (std::trunc(p.y) != target && line == e.pieceBottom[k]) {
            // The piece ends on the line (at an end point): its y there can
            // come out a rounding error short of it.
            EXPECT_NEAR(p.y, target, 1e-6);
        } else if (std::trunc(p.y) != target) {
            EXPECT_EQ(line, e.pieceTop[k]) << "a line inside the piece must be hit, y " << p.y;
            EXPECT_GT(p.y, target);
            EXPECT_LT(p.y, target + step + 1);
        }
        if (line + step <= e.pieceBottom[k]) {
            const double next = model.YAtAngle(p.angle + p.step);
            EXPECT_EQ(std::trunc(next), target + step) << "next y " << next;
        }
    }
}

const CurveCase kCurves[] = {
    {"quarter circle down the right side", 800, 800, 960, 800, 800, 960, true},
    {"the same quarter backward", 800, 800, 800, 960, 960, 800, false},
    {"small circle over its top, angle falling", 1000, 1000, 1010, 997, 990, 997, false},
    {"small circle under its bottom, angle rising", 1000, 1000, 1010, 1003, 990, 1003, true},
    {"growing spiral, almost a full turn forward", 2000, 1500, 2000 + 96, 1500 + 30, 2000 + 300, 1500 + 20, true},
    {"shrinking spiral, almost a full turn backward", 2000, 1500, 2000 + 300, 1500 - 20, 2000 + 96, 1500 - 30,
     false},
    {"spiral from below the top through a second top", 4000, 4000, 4000 + 57, 4000 - 190, 4000 + 90, 4000 - 360,
     true},
    {"spiral from the upper left through the top and around", 3000, 3000, 3000 - 166, 3000 + 364, 3000 + 283,
     3000 + 399, true},
    {"wide spiral backward in the upper left", 5000, 5000, 5000 - 1200, 5000 - 300, 5000 - 1600, 5000 - 100,
     false},
    {"circle up the right side, angle falling", 700, 700, 700 + 100, 700 + 40, 700 + 100, 700 - 40, false},
    {"spiral from the upper right over the bottom into the upper left", 6000, 6000, 6057, 5808, 5756, 5909, true},
    {"huge circle near the top of the range", 0, 0, 2000000000, 0, -2000000000, 0, true},
};

TEST(DiagramPrepareCurve, MatchesAnIndependentModelOfTheSpiral) {
    for (const CurveCase& c : kCurves) {
        for (int level : {1, 4, 16}) {
            // Solvers placed from the curve's top, and from a clip that starts
            // inside the curve.
            CheckCurveAgainstModel(c, level, 0, 1 << 26);
            const int32_t middle = int32_t((int64_t{c.y0} + c.y1) / 32);
            CheckCurveAgainstModel(c, level, middle, 40);
        }
    }
}

// The parameter interval of a CircleCurve whose ends lie at one angle: 1e-7
// radians forward, a full turn less 1e-7 backward. The radius change over it
// tells its length.
TEST(DiagramPrepareCurve, EqualEndAnglesSpanATinyStepForwardAndAlmostATurnBackward) {
    DiagramInfo record;
    record.SetStartPoint(1100, 1000);
    record.AddCircleCurve(1200, 1000, 1000, 1000, 1, 1);
    ASSERT_TRUE(Prepare(16, record));
    EXPECT_NEAR(record[1].coefA, 100 / 1e-7, 100 / 1e-7 * 1e-6);
    EXPECT_EQ(record[1].yMin, 1000);
    EXPECT_EQ(record[1].yMax, 1000);

    record[1].CurveFlag = 0;
    ASSERT_TRUE(Prepare(16, record));
    EXPECT_NEAR(record[1].coefA, -100 / (2 * kPi - 1e-7), 1e-9);
    // A full turn: the top and bottom of the circle are reached.
    DiagramInfo circle;
    circle.SetStartPoint(1100, 1000);
    circle.AddCircleCurve(1100, 1000, 1000, 1000, 0, 1);
    ASSERT_TRUE(Prepare(16, circle));
    EXPECT_GE(circle[1].yMin, 900);
    EXPECT_LE(circle[1].yMin, 901);
    EXPECT_GE(circle[1].yMax, 1099);
    EXPECT_LE(circle[1].yMax, 1100);
    circle[1].CurveFlag = 1;
    ASSERT_TRUE(Prepare(16, circle));
    EXPECT_EQ(circle[1].yMin, 1000);
    EXPECT_EQ(circle[1].yMax, 1000);

    // An end angle 1e-9 below the start angle is pushed 1e-7 further down:
    // backward the curve spans 1.01e-7, forward the rest of the turn.
    DiagramInfo close;
    close.SetStartPoint(1000000000, 1);
    close.AddCircleCurve(1000000, 0, 0, 0, 0, 1);
    ASSERT_TRUE(Prepare(16, close));
    const double rs = std::hypot(1e9, 1.0), re = 1e6, gap = std::atan2(1.0, 1e9) + 1e-7;
    EXPECT_NEAR(close[1].coefA, (rs - re) / gap, (rs - re) / gap * 1e-6);
    EXPECT_EQ(close[1].yMin, 0);
    EXPECT_EQ(close[1].yMax, 1);
    close[1].CurveFlag = 1;
    ASSERT_TRUE(Prepare(16, close));
    EXPECT_NEAR(close[1].coefA, (re - rs) / (2 * kPi - gap), 1e-3);
}

// The top of a turn is truncated toward the centre: a top 10.44 above the
// centre is cy - 10, not the row of the point itself, also where the sum
// would leave the 32-bit range.
TEST(DiagramPrepareCurve, TopOfATurnIsTruncatedTowardTheCentre) {
    struct Case {
        int32_t cy;
        int32_t yMin;
    } const cases[] = {
        {1000, 990},
        {-1000, -1010},
        {INT32_MIN + 5, INT32_MIN},  // saturates
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cy);
        DiagramInfo record;
        record.SetStartPoint(10, c.cy - 3);
        record.AddCircleCurve(-10, c.cy - 3, 0, c.cy, 0, 1);  // through the top, radius sqrt(109)
        ASSERT_TRUE(Prepare(16, record, c.cy / 16, 4));
        EXPECT_EQ(record[1].yMin, c.yMin);
        EXPECT_EQ(record[1].yMax, c.cy - 3);
        EXPECT_EQ(record[1].pieceTop[0], c.yMin);
        EXPECT_EQ(record[1].pieceTop[2], c.yMin);
    }
}

// A piece that the clip rows do not meet keeps the state it was entered
// with (the solver at its anchor), but its top is rounded to the grid all
// the same; one that the clip meets moves.
TEST(DiagramPrepareCurve, PiecesOutsideTheClipKeepTheirAnchor) {
    for (int32_t clipRow : {0, 2000}) {
        SCOPED_TRACE(clipRow);
        DiagramInfo record;
        record.SetStartPoint(960, 803);
        record.AddCircleCurve(800, 963, 800, 803, 1, 1);  // quarter circle, rising from angle 0
        ASSERT_TRUE(Prepare(4, record, clipRow, 10));
        const DiagramInfoFactor& e = record[1];
        EXPECT_EQ(e.pieceTop[0], 800);
        EXPECT_EQ(e.pieceBottom[0], 963);
        EXPECT_EQ(e.pieces[0].angle, 0.0);
        EXPECT_EQ(e.pieces[0].step, 0.01);
        EXPECT_EQ(e.pieces[0].y, 0.0);
        EXPECT_NEAR(e.pieces[0].limit, kPi / 2, 1e-8);
        for (int k = 1; k < 4; ++k) EXPECT_EQ(e.pieceTop[k], kDiagramNoY);
    }
    DiagramInfo record;
    record.SetStartPoint(960, 803);
    record.AddCircleCurve(800, 963, 800, 803, 1, 1);
    ASSERT_TRUE(Prepare(4, record, 52, 10));  // sample line 832 first
    EXPECT_EQ(std::trunc(record[1].pieces[0].y), 832.0 - 803);
}

// Piece tops by level: rounded down to the level's grid (also below zero),
// not at all at level 16.
TEST(DiagramPrepareCurve, PieceTopsAreRoundedToTheGridOfTheLevel) {
    struct Case {
        int level;
        int32_t topAt803, topAtMinus13;
    } const cases[] = {
        {0, 800, -16}, {1, 800, -16}, {2, 800, -16}, {4, 800, -16}, {8, 802, -14}, {16, 803, -13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        DiagramInfo record;
        record.SetStartPoint(960, 803);
        record.AddCircleCurve(800, 963, 800, 803, 1, 1);
        record.AddJump(160, -13);
        record.AddCircleCurve(0, 147, 0, -13, 1, 1);
        ASSERT_TRUE(Prepare(c.level, record));
        EXPECT_EQ(record[1].pieceTop[0], c.topAt803);
        EXPECT_EQ(record[3].pieceTop[0], c.topAtMinus13);
        // The element's own extent is never rounded.
        EXPECT_EQ(record[1].yMin, 803);
        EXPECT_EQ(record[3].yMin, -13);
    }
}

void ExpectSameWorkFields(const DiagramInfoFactor& a, const DiagramInfoFactor& b) {
    EXPECT_EQ(a.yMin, b.yMin);
    EXPECT_EQ(a.yMax, b.yMax);
    EXPECT_EQ(a.startAngle, b.startAngle);
    EXPECT_EQ(a.endAngle, b.endAngle);
    EXPECT_EQ(a.coefA, b.coefA);
    EXPECT_EQ(a.coefB, b.coefB);
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(a.pieces[k].angle, b.pieces[k].angle) << k;
        EXPECT_EQ(a.pieces[k].step, b.pieces[k].step) << k;
        EXPECT_EQ(a.pieces[k].y, b.pieces[k].y) << k;
        EXPECT_EQ(a.pieces[k].limit, b.pieces[k].limit) << k;
        EXPECT_EQ(a.pieceTop[k], b.pieceTop[k]) << k;
        EXPECT_EQ(a.pieceBottom[k], b.pieceBottom[k]) << k;
    }
    EXPECT_EQ(a.startPiece, b.startPiece);
    EXPECT_EQ(a.endPiece, b.endPiece);
    EXPECT_EQ(a.startKind, b.startKind);
    EXPECT_EQ(a.endKind, b.endKind);
    EXPECT_EQ(a.arcShape, b.arcShape);
}

void BuildMixedOutline(DiagramInfo& record) {
    record.Reset();
    record.SetStartPoint(3, 5);
    record.AddLine(400, 37, 1);
    record.AddCircleCurve(2096, 1530, 2000, 1500, 1, 1);
    record.AddCircleCurve(2300, 1520, 2000, 1500, 1, 1);
    record.AddArc(2315, 1536, 2300, 1520, 1);
    record.AddTip();
    record.AddJump(4057, 3810);
    record.AddCircleCurve(4090, 3640, 4000, 4000, 1, 1);
    record.AddLine(3, 5, 1);
}

TEST(DiagramPrepareLevels, LevelsZeroAndOneAnnotateAlike) {
    for (int32_t clipRow : {0, 100, 230}) {
        DiagramInfo zero, one;
        BuildMixedOutline(zero);
        BuildMixedOutline(one);
        ASSERT_TRUE(Prepare(0, zero, clipRow, 30));
        ASSERT_TRUE(Prepare(1, one, clipRow, 30));
        for (uint32_t i = 0; i < zero.GetCount(); ++i) {
            SCOPED_TRACE(testing::Message() << "clip row " << clipRow << ", element " << i);
            ExpectSameWorkFields(zero[i], one[i]);
        }
    }
}

TEST(DiagramPrepareLevels, SharedHelpers) {
    struct Case {
        int32_t level, step, row803, rowMinus13;
    } const cases[] = {
        {0, 16, 800, -16}, {1, 16, 800, -16}, {2, 8, 800, -16}, {4, 4, 800, -16}, {8, 2, 802, -14}, {16, 1, 803, -13},
        {3, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(diagram::GridStep(c.level), c.step) << c.level;
        if (c.step == 0) continue;
        EXPECT_EQ(diagram::SampleRow(803, c.step), c.row803) << c.level;
        EXPECT_EQ(diagram::SampleRow(-13, c.step), c.rowMinus13) << c.level;
    }
    EXPECT_EQ(diagram::TruncToInt32(-10.5), -10);
    EXPECT_EQ(diagram::TruncToInt32(10.9), 10);
    EXPECT_EQ(diagram::TruncToInt32(3e9), INT32_MAX);
    EXPECT_EQ(diagram::TruncToInt32(-3e9), INT32_MIN);
    EXPECT_EQ(diagram::TruncToInt32(std::nan("")), 0);
    EXPECT_EQ(diagram::TruncToInt64(-1e300), INT64_MIN);
    EXPECT_EQ(diagram::TruncToInt64(std::numeric_limits<double>::infinity()), INT64_MAX);
    EXPECT_EQ(diagram::TruncToInt64(-4294967296.75), -4294967296);
    EXPECT_EQ(diagram::SaturateToInt32(int64_t{INT32_MAX} + 1), INT32_MAX);
    EXPECT_EQ(diagram::SaturateToInt32(int64_t{INT32_MIN} - 1), INT32_MIN);
    // The spiral r(t) = a t + b: at t = pi/2 the point lies r below the centre.
    EXPECT_DOUBLE_EQ(diagram::SpiralY(2.0, 10.0, kPi / 2), 2.0 * kPi / 2 + 10.0);
    EXPECT_NEAR(diagram::SpiralX(2.0, 10.0, kPi), -(2.0 * kPi + 10.0), 1e-12);
}

// ---- Arc ----

TEST(DiagramPrepareArc, QuarterEllipsesGetTheirAxesQuadrantAndKind) {
    // Points of the ellipse x^2/25^2 + y^2/20^2 = 1: (25, 0), (20, 12),
    // (15, 16), (0, 20) and their mirror images; the last row scaled by 4000,
    // where the squares of the offsets pass 2^31.
    struct Case {
        const char* name;
        int64_t dx0, dy0, dx1, dy1;
        int32_t shape;
        double rx, ry;
        uint32_t startKind;
    } const cases[] = {
        {"lower right, downward", 25, 0, 15, 16, 1, 25, 20, 6},
        {"lower right, upward", 15, 16, 20, 12, 1, 25, 20, 1},
        {"lower right from the y axis", 0, 20, 20, 12, 1, 25, 20, 1},
        {"lower left, upward", -20, 12, -25, 0, 2, 25, 20, 1},
        {"lower left from the x axis", -25, 0, 0, 20, 2, 25, 20, 6},
        {"upper left, upward", -15, -16, 0, -20, 3, 25, 20, 1},
        {"upper left from the x axis", -25, 0, -20, -12, 3, 25, 20, 1},
        {"upper left, downward", -15, -16, -20, -12, 3, 25, 20, 6},
        {"upper right from the y axis", 0, -20, 20, -12, 4, 25, 20, 6},
        {"upper right from the x axis", 25, 0, 15, -16, 4, 25, 20, 1},
        {"offsets beyond 2^15.5", 60000, 64000, 80000, 48000, 1, 100000, 80000, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int32_t cx = 1000, cy = -2000;
        DiagramInfo record;
        record.SetStartPoint(int32_t(cx + c.dx0), int32_t(cy + c.dy0));
        record.AddArc(int32_t(cx + c.dx1), int32_t(cy + c.dy1), cx, cy, 1);
        ASSERT_TRUE(Prepare(16, record));
        const DiagramInfoFactor& e = record[1];
        EXPECT_EQ(e.arcShape, c.shape);
        EXPECT_NEAR(e.coefA, c.rx, c.rx * 1e-12);
        EXPECT_NEAR(e.coefB, c.ry, c.ry * 1e-12);
        EXPECT_EQ(e.startKind, c.startKind);
        EXPECT_EQ(e.yMin, cy + std::min(c.dy0, c.dy1));
        EXPECT_EQ(e.yMax, cy + std::max(c.dy0, c.dy1));
    }
}

// On a circle the directions at both ends are the true directions of travel
// along the quarter from the start to the end.
TEST(DiagramPrepareArc, CircleQuartersHeadTheWayTheyRun) {
    const int32_t ends[][2] = {{25, 0}, {24, 7}, {20, 15}, {15, 20}, {7, 24}, {0, 25}};
    for (int qx : {1, -1})
        for (int qy : {1, -1})
            for (const auto& a : ends)
                for (const auto& b : ends) {
                    if (&a == &b) continue;
                    const int32_t x0 = qx * a[0], y0 = qy * a[1], x1 = qx * b[0], y1 = qy * b[1];
                    if (x0 == x1) continue;  // vertical: its own shape
                    SCOPED_TRACE(testing::Message() << "(" << x0 << ", " << y0 << ") to (" << x1 << ", " << y1 << ")");
                    DiagramInfo record;
                    record.SetStartPoint(500 + x0, 500 + y0);
                    record.AddArc(500 + x1, 500 + y1, 500, 500, 1);
                    ASSERT_TRUE(Prepare(16, record));
                    const DiagramInfoFactor& e = record[1];
                    ASSERT_GE(e.arcShape, 1);
                    ASSERT_LE(e.arcShape, 4);
                    EXPECT_NEAR(e.coefA, 25, 1e-9);
                    EXPECT_NEAR(e.coefB, 25, 1e-9);
                    const double as = std::atan2(double(y0), double(x0));
                    const double ae = std::atan2(double(y1), double(x1));
                    const double turn = std::remainder(ae - as, 2 * kPi);
                    const double sense = turn > 0 ? kPi / 2 : -kPi / 2;
                    EXPECT_LT(AngleGap(e.startAngle, as + sense), 1e-9);
                    EXPECT_LT(AngleGap(e.endAngle, ae + sense), 1e-9);
                    EXPECT_GE(e.startAngle, 0.0);
                    EXPECT_LT(e.startAngle, 2 * kPi);
                    EXPECT_EQ(e.startKind, y1 > y0 ? 6u : 1u);
                }
}

TEST(DiagramPrepareArc, VerticalAndDegenerateArcs) {
    struct Case {
        const char* name;
        int32_t dx0, dy0, dx1, dy1;
        int32_t shape;
        double angle;
        uint32_t startKind;  // 0: not written
    } const cases[] = {
        {"same x offset, downward", 10, 5, 10, 30, 5, kPi / 2, 6},
        {"same x offset, upward", -10, -5, -10, -30, 5, 3 * kPi / 2, 1},
        {"both ends on the centre", 0, 0, 0, 0, 5, 3 * kPi / 2, 1},
        {"same y offset", 10, 5, 20, 5, 0, 0, 0},
        {"in line with the centre", 10, 5, 20, 10, 0, 0, 0},
        {"widening downward", 10, 0, 11, 100, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DiagramInfo record;
        record.SetStartPoint(300 + c.dx0, 300 + c.dy0);
        record.AddArc(300 + c.dx1, 300 + c.dy1, 300, 300, 1);
        MarkWorkFields(record);
        record[1].startKind = 0;
        ASSERT_TRUE(Prepare(16, record));
        const DiagramInfoFactor& e = record[1];
        EXPECT_EQ(e.arcShape, c.shape);
        EXPECT_EQ(e.startAngle, c.angle);
        EXPECT_EQ(e.endAngle, c.angle);
        EXPECT_EQ(e.startKind, c.startKind);
        EXPECT_EQ(e.coefA, -1.0);  // no axes
        EXPECT_EQ(e.yMin, 300 + std::min(c.dy0, c.dy1));
        EXPECT_EQ(e.yMax, 300 + std::max(c.dy0, c.dy1));
    }
}

// Ends on opposite sides of the centre stop the preparation there: the
// elements before are annotated, the ones after are not.
TEST(DiagramPrepareArc, EndsInDifferentQuadrantsFail) {
    const int32_t cases[][4] = {
        {10, -5, -10, 5},  // both
        {10, 5, -10, 5},   // x only
        {10, -5, 10, 5},   // y only
        {0, -5, 10, 5},    // y, one end on the axis
    };
    for (const auto& c : cases) {
        DiagramInfo record;
        record.SetStartPoint(0, 0);
        record.AddLine(100 + c[0], 100 + c[1], 1);
        record.AddArc(100 + c[2], 100 + c[3], 100, 100, 1);
        record.AddLine(0, 0, 1);
        MarkWorkFields(record);
        for (int level : {0, 1, 2, 4, 8, 16}) {
            EXPECT_FALSE(Prepare(level, record)) << c[0] << ", " << c[1] << " to " << c[2] << ", " << c[3];
            EXPECT_FALSE(Untouched(record[1]));
            EXPECT_TRUE(Untouched(record[3]));
        }
    }
}

// ---- coordinates at the ends of the 32-bit range ----

TEST(DiagramPrepareRange, ExtremeCoordinatesNeitherWrapNorOverflow) {
    // A quarter circle of radius 2^32 - 1: its offsets do not fit 32 bits.
    DiagramInfo arc;
    arc.SetStartPoint(INT32_MAX, INT32_MIN);
    arc.AddArc(INT32_MIN, INT32_MAX, INT32_MIN, INT32_MIN, 1);
    ASSERT_TRUE(Prepare(16, arc));
    EXPECT_EQ(arc[1].arcShape, 1);
    EXPECT_NEAR(arc[1].coefA, 4294967295.0, 1e-3);
    EXPECT_NEAR(arc[1].coefB, 4294967295.0, 1e-3);
    EXPECT_EQ(arc[1].startKind, 6u);
    EXPECT_EQ(arc[1].yMin, INT32_MIN);
    EXPECT_EQ(arc[1].yMax, INT32_MAX);

    // Every kind of element between extreme points, at every level and clip:
    // the sanitizers watch for overflow; the extents stay ordered.
    const int32_t values[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, 7, INT32_MAX - 1, INT32_MAX};
    const int32_t rows[] = {INT32_MIN / 16, -1, 0, 1 << 20, INT32_MAX / 16};
    uint32_t seed = 12345;
    auto pick = [&] {
        seed = seed * 1103515245u + 12345u;
        return values[(seed >> 16) % 8];
    };
    for (int n = 0; n < 400; ++n) {
        DiagramInfo record;
        record.SetStartPoint(pick(), pick());
        for (int i = 0; i < 6; ++i) {
            const int32_t x = pick(), y = pick(), cx = pick(), cy = pick();
            switch ((seed >> 8) % 4) {
            case 0:
                record.AddLine(x, y, 1);
                break;
            case 1:
                record.AddCircleCurve(x, y, cx, cy, uint8_t(seed & 1), 1);
                break;
            case 2:
                record.AddArc(x, y, cx, cy, 1);
                break;
            default:
                record.AddJump(x, y);
                break;
            }
        }
        for (int level : {0, 2, 4, 8, 16}) {
            const bool ok = Prepare(level, record, rows[n % 5], n % 3 == 0 ? INT32_MAX : 4);
            for (uint32_t i = 1; i < record.GetCount(); ++i) {
                const DiagramInfoFactor& e = record[i];
                if (!ok && e.Type == DiagramInfoFactor::kArc) break;
                if (e.Type == DiagramInfoFactor::kArc && e.arcShape == 0) continue;
                EXPECT_LE(e.yMin, e.yMax) << n << ", element " << i;
                EXPECT_FALSE(std::isnan(e.startAngle)) << n << ", element " << i;
            }
        }
    }
}

}  // namespace
