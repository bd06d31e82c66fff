// Homography and 3D set-up. The four-point homography is checked against an
// independent double-precision solve (square-to-quad matrices composed with an
// adjugate): both map points of the destination quad to source points that
// agree within 0.01 source pixel. The 3D set-up is checked on its worked
// cases and on a tilted plane whose projected corners are computed here from
// the geometry.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <initializer_list>
#include <numbers>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "raster/filter/Homography.h"

namespace {

constexpr double kOne = 16777216.0;
constexpr double kTolerance = 0.01;  // source pixels

struct Mat3 {
    double m[9];
};

Mat3 Multiply(const Mat3& a, const Mat3& b) {
    Mat3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.m[i * 3 + j] += a.m[i * 3 + k] * b.m[k * 3 + j];
    return r;
}

Mat3 Adjugate(const Mat3& a) {
    const double* m = a.m;
    return Mat3{{m[4] * m[8] - m[5] * m[7], m[2] * m[7] - m[1] * m[8], m[1] * m[5] - m[2] * m[4],
                 m[5] * m[6] - m[3] * m[8], m[0] * m[8] - m[2] * m[6], m[2] * m[3] - m[0] * m[5],
                 m[3] * m[7] - m[4] * m[6], m[1] * m[6] - m[0] * m[7], m[0] * m[4] - m[1] * m[3]}};
}

// The projective map of the unit square onto the quad: (0,0) -> p0, (1,0) -> p1,
// (1,1) -> p2, (0,1) -> p3.
Mat3 SquareToQuad(const double x[4], const double y[4]) {
    const double dx1 = x[1] - x[2], dx2 = x[3] - x[2], dx3 = x[0] - x[1] + x[2] - x[3];
    const double dy1 = y[1] - y[2], dy2 = y[3] - y[2], dy3 = y[0] - y[1] + y[2] - y[3];
    const double det = dx1 * dy2 - dx2 * dy1;
    const double g = (dx3 * dy2 - dx2 * dy3) / det, h = (dx1 * dy3 - dx3 * dy1) / det;
    return Mat3{{x[1] - x[0] + g * x[1], x[3] - x[0] + h * x[3], x[0], y[1] - y[0] + g * y[1], y[3] - y[0] + h * y[3],
                 y[0], g, h, 1.0}};
}

// Reference homography from destination corners (TL, TR, BL, BR) to source corners.
Mat3 ReferenceHomography(const double dx[4], const double dy[4], const double sx[4], const double sy[4]) {
    // Reorder TL, TR, BL, BR into the square's TL, TR, BR, BL.
    const double qdx[4] = {dx[0], dx[1], dx[3], dx[2]}, qdy[4] = {dy[0], dy[1], dy[3], dy[2]};
    const double qsx[4] = {sx[0], sx[1], sx[3], sx[2]}, qsy[4] = {sy[0], sy[1], sy[3], sy[2]};
    return Multiply(SquareToQuad(qsx, qsy), Adjugate(SquareToQuad(qdx, qdy)));
}

void Apply(const double m[9], double x, double y, double& u, double& v) {
    const double w = m[6] * x + m[7] * y + m[8];
    u = (m[0] * x + m[1] * y + m[2]) / w;
    v = (m[3] * x + m[4] * y + m[5]) / w;
}

void ApplyFixed(const int64_t m[9], double x, double y, double& u, double& v) {
    double d[9];
    for (int k = 0; k < 9; ++k) d[k] = static_cast<double>(m[k]) / kOne;
    Apply(d, x, y, u, v);
}

bool Homography(const double dx[4], const double dy[4], const double sx[4], const double sy[4], int64_t out[9]) {
    return ComputeHomography(dx[0], dy[0], dx[1], dy[1], dx[2], dy[2], dx[3], dy[3], sx[0], sy[0], sx[1], sy[1], sx[2],
                             sy[2], sx[3], sy[3], out);
}

TEST(HomographyTest, IdentityIsExact) {
    const double x[4] = {0, 100, 0, 100}, y[4] = {0, 0, 60, 60};
    int64_t m[9];
    ASSERT_TRUE(Homography(x, y, x, y, m));
    const int64_t identity[9] = {1 << 24, 0, 0, 0, 1 << 24, 0, 0, 0, 1 << 24};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(m[k], identity[k]) << k;
}

TEST(HomographyTest, RandomQuadsAgreeWithTheReferenceSolve) {
    std::mt19937 rng(25123);
    std::uniform_real_distribution<double> jitter(-30.0, 30.0);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        // A convex-ish destination quad around a 200 x 150 box, a source rectangle.
        const double dx[4] = {jitter(rng), 200 + jitter(rng), jitter(rng), 200 + jitter(rng)};
        const double dy[4] = {jitter(rng), jitter(rng), 150 + jitter(rng), 150 + jitter(rng)};
        const double w = 20 + std::abs(jitter(rng)) * 5, h = 20 + std::abs(jitter(rng)) * 5;
        const double sx[4] = {0, w, 0, w}, sy[4] = {0, 0, h, h};
        int64_t m[9];
        ASSERT_TRUE(Homography(dx, dy, sx, sy, m));
        EXPECT_EQ(m[8], int64_t{1} << 24);
        const Mat3 ref = ReferenceHomography(dx, dy, sx, sy);
        for (double s = 0; s <= 1.0; s += 0.25)
            for (double t = 0; t <= 1.0; t += 0.25) {
                // A point of the destination quad (bilinear blend of its corners).
                const double px = (1 - s) * (1 - t) * dx[0] + s * (1 - t) * dx[1] + (1 - s) * t * dx[2] + s * t * dx[3];
                const double py = (1 - s) * (1 - t) * dy[0] + s * (1 - t) * dy[1] + (1 - s) * t * dy[2] + s * t * dy[3];
                double u, v, ru, rv;
                ApplyFixed(m, px, py, u, v);
                Apply(ref.m, px, py, ru, rv);
                EXPECT_NEAR(u, ru, kTolerance);
                EXPECT_NEAR(v, rv, kTolerance);
            }
    }
}

TEST(HomographyTest, SingularAndNearSingularSystemsAreRefused) {
    const struct {
        const char* name;
        double dx[4], dy[4];
    } rows[] = {
        {"three corners on one line", {0, 50, 100, 100}, {0, 50, 100, 0}},
        {"coincident corners", {10, 10, 10, 10}, {5, 5, 5, 5}},
        // Passes every pivot test, but the coefficients (about 1e13) do not fit
        // the 64-bit fixed-point matrix: converting them would be undefined.
        {"a quad of 1e-10 pixels", {0, 1e-10, 0, 1e-10}, {0, 0, 1e-10, 1e-10}},
        {"a corner that is not a number", {0, 100, std::nan(""), 100}, {0, 0, 60, 60}},
        {"an infinite corner", {0, 100, 0, std::numeric_limits<double>::infinity()}, {0, 0, 60, 60}},
    };
    const double sx[4] = {0, 1000, 0, 1000}, sy[4] = {0, 0, 1000, 1000};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        int64_t m[9];
        for (int64_t& e : m) e = 77;
        EXPECT_FALSE(Homography(r.dx, r.dy, sx, sy, m));
        for (int64_t e : m) EXPECT_EQ(e, 77);
    }
}

TEST(HomographyTest, SolversPivotAndRefuse) {
    // A zero leading pivot is exchanged with the first usable row below.
    double a[36] = {0, 1, 0, 0, 0, 0,  //
                    2, 0, 0, 0, 0, 0,  //
                    0, 0, 1, 0, 0, 0,  //
                    0, 0, 0, 4, 0, 0,  //
                    0, 0, 0, 0, 1, 1,  //
                    0, 0, 0, 0, 0, 1};
    double b[6] = {3, 4, 5, 8, 3, 1};
    ASSERT_TRUE(SolveLinear6(a, b));
    const double expected[6] = {2, 3, 5, 2, 2, 1};
    for (int k = 0; k < 6; ++k) EXPECT_DOUBLE_EQ(b[k], expected[k]) << k;
    // A column of zeros: singular.
    double z[64] = {};
    double c[8] = {};
    for (int k = 0; k < 8; ++k) z[k * 8 + k] = 1;
    z[3 * 8 + 3] = 1e-16;
    EXPECT_FALSE(SolveLinear8(z, c));
}

struct Projection {
    double centreX = 50, centreY = 30, depth = 0, planeW = 40, planeH = 20;
    double a = 0, b = 0, c = 0;
    double viewX = 0, viewY = 0, distance = 0.5, eyeX = 0, eyeY = 0;
    int32_t originX = 0, originY = 0;
};

bool Build(const Projection& p, int64_t m[9], int32_t rect[4]) {
    return BuildProjectionHomography(p.centreX, p.centreY, p.depth, p.planeW, p.planeH, p.a, p.b, p.c, 0, 0, 40, 20,
                                     p.viewX, p.viewY, p.distance, p.eyeX, p.eyeY, 0, 0, 0, m, p.originX, p.originY,
                                     rect[0], rect[1], rect[2], rect[3]);
}

// Expects the matrix to map each destination point (origin-relative) to the
// given source point.
void ExpectMaps(const int64_t m[9], std::initializer_list<std::array<double, 4>> points) {
    for (const auto& p : points) {
        double u, v;
        ApplyFixed(m, p[0], p[1], u, v);
        EXPECT_NEAR(u, p[2], kTolerance) << p[0] << "," << p[1];
        EXPECT_NEAR(v, p[3], kTolerance) << p[0] << "," << p[1];
    }
}

TEST(HomographyTest, ProjectionWorkedCases) {
    // Parallel projection: the plane unscaled, centred on the centre.
    {
        Projection p;
        int64_t m[9];
        int32_t rect[4] = {0, 0, 200, 100};
        ASSERT_TRUE(Build(p, m, rect));
        // Affine (last row exact), unscaled, (30, 20) showing the source corner.
        EXPECT_EQ(m[6], 0);
        EXPECT_EQ(m[7], 0);
        EXPECT_EQ(m[8], 1 << 24);
        ExpectMaps(m, {{30, 20, 0, 0}, {70, 40, 40, 20}, {50, 30, 20, 10}, {33, 37, 3, 17}});
        EXPECT_EQ((std::array<int32_t, 4>{rect[0], rect[1], rect[2], rect[3]}), (std::array<int32_t, 4>{30, 20, 41, 21}));
    }
    // The origin moves the narrowed rectangle, not the matrix.
    {
        Projection p;
        p.originX = 5, p.originY = 7;
        int64_t m[9];
        int32_t rect[4] = {0, 0, 200, 100};
        ASSERT_TRUE(Build(p, m, rect));
        ExpectMaps(m, {{30, 20, 0, 0}, {70, 40, 40, 20}});
        EXPECT_EQ((std::array<int32_t, 4>{rect[0], rect[1], rect[2], rect[3]}), (std::array<int32_t, 4>{35, 27, 41, 21}));
    }
    // Perspective with the plane in the eye's plane: the same as parallel.
    {
        Projection p;
        p.distance = 1000, p.eyeX = 50, p.eyeY = 30;
        int64_t m[9];
        int32_t rect[4] = {0, 0, 200, 100};
        ASSERT_TRUE(Build(p, m, rect));
        ExpectMaps(m, {{30, 20, 0, 0}, {70, 40, 40, 20}, {50, 30, 20, 10}, {33, 37, 3, 17}});
        EXPECT_EQ((std::array<int32_t, 4>{rect[0], rect[1], rect[2], rect[3]}), (std::array<int32_t, 4>{30, 20, 41, 21}));
    }
    // Depth equal to the distance halves the plane about the eye.
    {
        Projection p;
        p.distance = 1000, p.depth = 1000, p.eyeX = 50, p.eyeY = 30;
        int64_t m[9];
        int32_t rect[4] = {0, 0, 200, 100};
        ASSERT_TRUE(Build(p, m, rect));
        ExpectMaps(m, {{40, 25, 0, 0}, {60, 35, 40, 20}, {50, 30, 20, 10}, {45, 33, 10, 16}});
        EXPECT_EQ((std::array<int32_t, 4>{rect[0], rect[1], rect[2], rect[3]}), (std::array<int32_t, 4>{40, 25, 21, 11}));
    }
    // Seen from behind: the mirror image about the origin's vertical line.
    {
        Projection front, back;
        front.distance = 1000, front.eyeX = 10, front.eyeY = 5;
        back = front;
        back.distance = -1000;
        int64_t mf[9], mb[9];
        int32_t rf[4] = {-200, 0, 400, 100}, rb[4] = {-200, 0, 400, 100};
        ASSERT_TRUE(Build(front, mf, rf));
        ASSERT_TRUE(Build(back, mb, rb));
        for (double x : {-70.0, -55.5, -31.0})
            for (double y : {20.0, 33.0}) {
                double uf, vf, ub, vb;
                ApplyFixed(mf, -x, y, uf, vf);
                ApplyFixed(mb, x, y, ub, vb);
                EXPECT_NEAR(ub, uf, kTolerance);
                EXPECT_NEAR(vb, vf, kTolerance);
            }
        EXPECT_EQ(rb[0], -70);
        EXPECT_EQ(rb[2], 41);
    }
    // A quad lying right of the target rectangle leaves it empty.
    {
        Projection p;
        p.centreX = 100;
        int64_t m[9];
        int32_t rect[4] = {0, 0, 20, 100};
        ASSERT_TRUE(Build(p, m, rect));
        EXPECT_EQ(rect[2], 0);
    }
}

// A plane tilted about x by 0.3, pushed back by 100, seen from 800: its
// corners projected here from the geometry map to the source corners.
TEST(HomographyTest, TiltedPlaneMapsItsProjectedCorners) {
    Projection p;
    p.b = 0.3, p.depth = 100, p.distance = 800, p.eyeX = 45, p.eyeY = 25;
    int64_t m[9];
    int32_t rect[4] = {0, 0, 200, 100};
    ASSERT_TRUE(Build(p, m, rect));
    const double cb = std::cos(0.3), sb = std::sin(0.3);
    const double corners[4][2] = {{-20, -10}, {20, -10}, {-20, 10}, {20, 10}};
    const double sources[4][2] = {{0, 0}, {40, 0}, {0, 20}, {40, 20}};
    for (int k = 0; k < 4; ++k) {
        const double x = corners[k][0] + 50, y = cb * corners[k][1] + 30, z = sb * corners[k][1] - 100;
        const double scale = 800 / (800 - z);
        double u, v;
        ApplyFixed(m, (x - 45) * scale + 45, (y - 25) * scale + 25, u, v);
        EXPECT_NEAR(u, sources[k][0], kTolerance) << k;
        EXPECT_NEAR(v, sources[k][1], kTolerance) << k;
    }
    EXPECT_GT(rect[2], 0);
}

TEST(HomographyTest, ProjectionRefusalsLeaveTheOutputs) {
    const struct {
        const char* name;
        Projection p;
    } rows[] = {
        {"edge-on plane (turned 90 degrees about y), parallel", [] {
             Projection p;
             p.c = std::numbers::pi / 2;
             return p;
         }()},
        {"a depth that is not a number", [] {
             Projection p;
             p.distance = 1000, p.depth = std::nan("");
             return p;
         }()},
        {"an infinite centre", [] {
             Projection p;
             p.centreX = std::numeric_limits<double>::infinity();
             return p;
         }()},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        int64_t m[9];
        for (int64_t& e : m) e = 5;
        int32_t rect[4] = {1, 2, 3, 4};
        EXPECT_FALSE(Build(r.p, m, rect));
        for (int64_t e : m) EXPECT_EQ(e, 5);
        EXPECT_EQ((std::array<int32_t, 4>{rect[0], rect[1], rect[2], rect[3]}), (std::array<int32_t, 4>{1, 2, 3, 4}));
    }
}

TEST(HomographyTest, ClampSpanAndFixedRotation) {
    const struct {
        int32_t p, s, c0, c1, c2, c3, wantP, wantS;
    } spans[] = {
        {0, 100, 10, 20, 30, 40, 10, 31},
        {0, 100, -50, 20, 30, 40, 0, 41},
        {0, 100, 150, 160, 170, 180, 101, 0},
        {50, 100, -10, -5, 0, 10, 50, 1},  // the span keeps its start pixel
        {INT32_MAX - 5, 100, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 1},  // no overflow
        {INT32_MIN, 10, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, 1},
    };
    for (const auto& r : spans) {
        int32_t p = r.p, s = r.s;
        ClampSpanToCorners(p, s, r.c0, r.c1, r.c2, r.c3);
        EXPECT_EQ(p, r.wantP) << r.p << " " << r.s;
        EXPECT_EQ(s, r.wantS) << r.p << " " << r.s;
    }
    int64_t m[9];
    BuildRotationMatrix3DFixed(m, 0, 0, 0);
    const int64_t identity[9] = {1 << 24, 0, 0, 0, 1 << 24, 0, 0, 0, 1 << 24};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(m[k], identity[k]);
    BuildRotationMatrix3DFixed(m, std::numbers::pi / 2, 0, 0);
    const int64_t quarter[9] = {0, -(1 << 24), 0, 1 << 24, 0, 0, 0, 0, 1 << 24};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(m[k], quarter[k]) << k;
}

}  // namespace
