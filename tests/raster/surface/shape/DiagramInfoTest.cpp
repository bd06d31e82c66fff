#include "raster/surface/shape/DiagramInfo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "tests/raster/surface/shape/OutlineTestSupport.h"

namespace {

using namespace outline_test;
constexpr double kPi = std::numbers::pi;

// What a rasteriser pass and a length measurement leave in an element.
void Dirty(DiagramInfoFactor& e) {
    e.Type = 3;
    e.X = e.Y = 77;
    e.X2 = e.Y2 = -5;
    e.CurveFlag = 1;
    e.Enabled = 0;
    e.yMin = -9;
    e.yMax = 9;
    e.startAngle = e.endAngle = 1.5;
    e.coefA = e.coefB = 2.5;
    for (auto& piece : e.pieces) piece.angle = piece.step = piece.y = piece.limit = 4.25;
    for (int i = 0; i < 4; ++i) e.pieceTop[i] = e.pieceBottom[i] = 123;
    e.startPiece = e.endPiece = 3;
    e.startKind = e.endKind = 6;
    e.arcShape = 4;
    e.Length = 99;
}

void ExpectFreshWorkFields(const DiagramInfoFactor& e, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(e.yMin, 0);
    EXPECT_EQ(e.yMax, 0);
    EXPECT_EQ(e.startAngle, 0.0);
    EXPECT_EQ(e.endAngle, 0.0);
    EXPECT_EQ(e.coefA, 0.0);
    EXPECT_EQ(e.coefB, 0.0);
    for (const auto& piece : e.pieces) {
        EXPECT_EQ(piece.angle, 0.0);
        EXPECT_EQ(piece.step, 0.0);
        EXPECT_EQ(piece.y, 0.0);
        EXPECT_EQ(piece.limit, 0.0);
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(e.pieceTop[i], kDiagramNoY);
        EXPECT_EQ(e.pieceBottom[i], kDiagramNoY);
    }
    EXPECT_EQ(e.startPiece, 0u);
    EXPECT_EQ(e.endPiece, 0u);
    EXPECT_EQ(e.startKind, 0u);
    EXPECT_EQ(e.endKind, 0u);
    EXPECT_EQ(e.arcShape, 0);
    EXPECT_EQ(e.Length, 0.0);
}

TEST(DiagramInfo, NewAndResetRecordHoldOneStartElement) {
    DiagramInfo record;
    EXPECT_EQ(Snapshot(record), std::vector<Step>{Start(0, 0)});
    ExpectFreshWorkFields(record[0], "new");
    EXPECT_EQ(record.elements.GetGrowthStep(), 10u);
    // A new outline makes room for its start element only: outlines are made
    // by the hundred thousand and most are never drawn.
    EXPECT_EQ(record.elements.GetReserved(), 1u);
    EXPECT_LE(record.elements.GetIndexSize(), 2u);

    // Nor does it carry a scan work area until it is first filled.
    EXPECT_FALSE(record.HasScanWork());

    record.SetStartPoint(5, -6);
    record.AddLine(10, 20, 1);
    DiagramScanWork* work = &record.ScanWork();
    const uint32_t reserved = record.elements.GetReserved();
    record.Reset();
    EXPECT_EQ(Snapshot(record), std::vector<Step>{Start(0, 0)});
    // Reset frees nothing: the element storage and the work area stay.
    EXPECT_EQ(record.elements.GetReserved(), reserved);
    ASSERT_TRUE(record.HasScanWork());
    EXPECT_EQ(&record.ScanWork(), work);
}

TEST(DiagramInfo, AppendsWriteTheirFieldsAndStartRecycledElementsClean) {
    DiagramInfo record;
    for (int i = 0; i < 14; ++i) record.AddCircleCurve(i, i, i, i, 1, 0);  // two chunks
    std::vector<DiagramInfoFactor*> storage(record.elements.begin(), record.elements.end());
    for (DiagramInfoFactor* e : storage) Dirty(*e);

    record.Reset();
    record.SetStartPoint(-3, 4);
    record.AddLine(1, 2, 1);
    record.AddLine(5, 6, 0);
    record.AddCircleCurve(3, 4, 5, 6, 1, 1);
    record.AddCircleCurve(7, 8, 9, 10, 0, 0);
    record.AddArc(7, 8, 9, 10, 1);
    record.AddJump(11, 12);
    record.AddReturn();
    record.AddTip();
    record.AddSeparator();

    const std::vector<Step> expected = {
        {0, -3, 4, 0, 0, 0, 1},   {1, 1, 2, 0, 0, 0, 1},  {1, 5, 6, 0, 0, 0, 0},
        {2, 3, 4, 5, 6, 1, 1},    {2, 7, 8, 9, 10, 0, 0}, {3, 7, 8, 9, 10, 0, 1},
        {4, 11, 12, 0, 0, 0, 1},  {5, 0, 0, 0, 0, 0, 1},  {6, 0, 0, 0, 0, 0, 1},
        {7, 0, 0, 0, 0, 0, 1},
    };
    EXPECT_EQ(Snapshot(record), expected);
    for (uint32_t i = 0; i < record.GetCount(); ++i) {
        // The same storage came back, so the test really sees recycled elements.
        EXPECT_EQ(&record[i], storage[i]);
        ExpectFreshWorkFields(record[i], "recycled");
    }
}

TEST(DiagramInfo, StartPointNeedsElementZero) {
    DiagramInfo record;
    record.elements.RemoveAll();
    try {
        record.SetStartPoint(1, 2);
        FAIL() << "no throw";
    } catch (uint32_t index) {
        EXPECT_EQ(index, 0u);
    }
    record.Reset();
    EXPECT_TRUE(record.SetStartPoint(1, 2));
    EXPECT_EQ(Snapshot(record), std::vector<Step>{Start(1, 2)});
}

TEST(DiagramInfo, AngleNormalisation) {
    const struct {
        double in, out;
    } cases[] = {
        {0, 0},
        {2 * kPi, 2 * kPi},
        {-kPi / 2, 3 * kPi / 2},
        {5 * kPi / 2, kPi / 2},
        {-2 * kPi, 2 * kPi},
        {-5 * kPi / 2, 3 * kPi / 2},
        {7 * kPi / 2, 3 * kPi / 2},
        {9 * kPi, kPi},
    };
    for (const auto& c : cases) EXPECT_NEAR(NormalizeDiagramAngle(c.in), c.out, 1e-12) << c.in;
}

// The quarter arcs between two angles on the ellipse about (100, 200) with the
// axis points (170, 200) at 0, (100, 260) at pi/2, (40, 200) at pi and
// (100, 150) at 3 pi/2, ending at E = (7, 9).
TEST(DiagramInfo, ArcQuadrantsEndPoints) {
    const Step E = Arc(7, 9, 100, 200), Q0 = Arc(170, 200, 100, 200), Q90 = Arc(100, 260, 100, 200),
               Q180 = Arc(40, 200, 100, 200), Q270 = Arc(100, 150, 100, 200);
    const struct {
        const char* name;
        double a0, a1;
        bool forward;
        std::vector<Step> arcs;
    } cases[] = {
        {"whole turn forward", 0, 2 * kPi, true, {Q90, Q180, Q270, E}},
        {"quarter across pi/2", kPi / 4, 3 * kPi / 4, true, {Q90, E}},
        {"backward across 0", kPi / 4, 7 * kPi / 4, false, {Q0, E}},
        {"forward across 0", 7 * kPi / 4, kPi / 4, true, {Q0, E}},
        {"forward three quarters", 3 * kPi / 4, kPi / 4, true, {Q180, Q270, Q0, E}},
        {"forward nearly a whole turn", 15 * kPi / 8, 7 * kPi / 4, true, {Q0, Q90, Q180, Q270, E}},
        {"backward nearly a whole turn", kPi / 4, 3 * kPi / 8, false, {Q0, Q270, Q180, Q90, E}},
        {"backward from 2 pi", 2 * kPi, kPi / 4, false, {Q270, Q180, Q90, E}},
        {"start on an axis forward: zero-length arc", kPi / 2, kPi, true, {Q90, E}},
        {"start on 3 pi/2 forward", 3 * kPi / 2, 0, true, {Q270, E}},
        {"-pi/2 is 3 pi/2", -kPi / 2, 0, true, {Q270, E}},
        {"5 pi/2 is pi/2", 5 * kPi / 2, kPi, true, {Q90, E}},
        {"-7 pi/4 is pi/4", -7 * kPi / 4, 3 * kPi / 4, true, {Q90, E}},
        {"start on 2 pi forward", 2 * kPi, kPi / 4, true, {Q0, E}},
        {"end on an axis backward: zero-length arc", kPi / 4, 0, false, {Q0, E}},
        {"backward 3 pi/2 to 0", 3 * kPi / 2, 0, false, {Q180, Q90, Q0, E}},
        {"equal angles forward", kPi / 4, kPi / 4, true, {E}},
        {"equal angles backward", kPi / 4, kPi / 4, false, {E}},
        {"equal angles on an axis forward", kPi, kPi, true, {E}},
        {"equal angles on an axis backward", kPi, kPi, false, {E}},
    };
    for (const auto& c : cases) {
        DiagramInfo record;
        record.SetStartPoint(1, 1);
        EXPECT_TRUE(record.AddArcQuadrants(7, 9, 100, 200, 40, 150, 170, 260, c.forward ? 1 : 0, c.a0, c.a1, 1));
        std::vector<Step> expected{Start(1, 1)};
        expected.insert(expected.end(), c.arcs.begin(), c.arcs.end());
        EXPECT_EQ(Snapshot(record), expected) << c.name;
    }
}

TEST(DiagramInfo, ArcQuadrantsCarryTheEnabledFlag) {
    DiagramInfo record;
    record.AddArcQuadrants(7, 9, 100, 200, 40, 150, 170, 260, 1, 0, 2 * kPi, 0);
    ASSERT_EQ(record.GetCount(), 5u);
    for (uint32_t i = 1; i < 5; ++i) EXPECT_EQ(record[i].Enabled, 0) << i;
}

double LengthOf(uint32_t type, int32_t px, int32_t py, int32_t x, int32_t y, int32_t cx, int32_t cy,
                uint8_t direction) {
    DiagramInfoFactor e;
    e.Type = type;
    e.X = x;
    e.Y = y;
    e.X2 = cx;
    e.Y2 = cy;
    e.CurveFlag = direction;
    e.Length = 1234;  // a stale value must be replaced
    e.ComputeLength(px, py);
    return e.Length;
}

TEST(DiagramInfo, LengthWorkedExamples) {
    const struct {
        const char* name;
        uint32_t type;
        int32_t px, py, x, y, cx, cy;
        uint8_t direction;
        double length;
        double tolerance;
    } cases[] = {
        {"line 3-4-5", 1, 0, 0, 3, 4, 0, 0, 0, 5, 0},
        {"arc counts its chord", 3, 0, 0, 3, 4, 50, -7, 0, 5, 0},
        {"jump counts like a line", 4, 10, 10, 13, 14, 0, 0, 0, 5, 0},
        {"start", 0, 0, 0, 30, 40, 0, 0, 0, 0, 0},
        {"return", 5, 0, 0, 30, 40, 0, 0, 0, 0, 0},
        {"tip", 6, 0, 0, 30, 40, 0, 0, 0, 0, 0},
        {"separator", 7, 0, 0, 30, 40, 0, 0, 0, 0, 0},
        {"unknown kind", 9, 0, 0, 30, 40, 0, 0, 0, 0, 0},
        {"quarter circle forward", 2, 10, 0, 0, 10, 0, 0, 1, 5 * kPi, 1e-12},
        {"three quarters backward", 2, 10, 0, 0, 10, 0, 0, 0, 15 * kPi, 1e-12},
        {"spiral 10 to 20 over a quarter turn", 2, 10, 0, 0, 20, 0, 0, 1, 25.660, 5e-4},
        {"same angle backward: radius difference", 2, 10, 0, 20, 0, 0, 0, 0, 10, 1e-12},
        {"same point backward", 2, 10, 0, 10, 0, 0, 0, 0, 0, 0},
        {"same point forward: a whole circle", 2, 10, 0, 10, 0, 0, 0, 1, 20 * kPi, 1e-9},
        {"from the centre backward", 2, 0, 0, 10, 0, 0, 0, 0, 10, 1e-12},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(LengthOf(c.type, c.px, c.py, c.x, c.y, c.cx, c.cy, c.direction), c.length, c.tolerance)
            << c.name;
}

// Reference: the arc length of r(u) = r0 + k u over the sweep, integrated
// numerically (Simpson), with the sweep worked out from the polar angles.
double SpiralReference(int32_t px, int32_t py, int32_t x, int32_t y, int32_t cx, int32_t cy, bool forward) {
    const double twoPi = 2 * kPi;
    const double a0 = std::atan2(double(py) - cy, double(px) - cx);
    const double a1 = std::atan2(double(y) - cy, double(x) - cx);
    double sweep = std::fmod(forward ? a1 - a0 : a0 - a1, twoPi);
    if (sweep < 0) sweep += twoPi;
    if (forward && sweep == 0) sweep = twoPi;
    const double r0 = std::hypot(double(px) - cx, double(py) - cy);
    const double r1 = std::hypot(double(x) - cx, double(y) - cy);
    if (sweep == 0) return std::fabs(r1 - r0);
    const double k = (r1 - r0) / sweep;
    const int n = 20000;
    const double h = sweep / n;
    auto f = [&](double u) { return std::sqrt((r0 + k * u) * (r0 + k * u) + k * k); };
    double sum = f(0) + f(sweep);
    for (int i = 1; i < n; ++i) sum += f(i * h) * (i % 2 ? 4 : 2);
    return sum * h / 3;
}

TEST(DiagramInfo, SpiralLengthMatchesNumericIntegral) {
    std::mt19937 rng(6);
    std::uniform_int_distribution<int32_t> coord(-2000, 2000);
    for (int i = 0; i < 200; ++i) {
        const int32_t px = coord(rng), py = coord(rng), x = coord(rng), y = coord(rng);
        const int32_t cx = coord(rng) / 4, cy = coord(rng) / 4;
        const bool forward = i % 2 == 0;
        const double expected = SpiralReference(px, py, x, y, cx, cy, forward);
        EXPECT_NEAR(LengthOf(2, px, py, x, y, cx, cy, forward ? 1 : 0), expected, 1e-6 * expected + 1e-6)
            << px << "," << py << " -> " << x << "," << y << " about " << cx << "," << cy;
    }
}

}  // namespace
