// Warp paths: measuring the four sides, sampling them at equal arc-length
// steps, and the blended patch that the steps describe.
#include "raster/diagram/WarpPath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <new>
#include <numbers>
#include <random>
#include <vector>

#include "raster/surface/shape/DiagramInfo.h"

namespace {

constexpr double kPi = std::numbers::pi;

struct P {
    double x, y;
};

// Mesh point (i, j) of a resampled patch, as the warps evaluate it.
P Mesh(WarpPathPatch& patch, uint32_t i, uint32_t j) {
    const double* r = *patch.rows.GetAt(i);
    const double* c = *patch.columns.GetAt(j);
    return {r[0] + j * r[2] + c[0] + i * c[2], r[1] + j * r[3] + c[1] + i * c[3]};
}

P RowPoint(WarpPathPatch& patch, uint32_t i) { return {(*patch.rows.GetAt(i))[0], (*patch.rows.GetAt(i))[1]}; }

#define EXPECT_POINT_NEAR(p, ex, ey, tol) \
    do {                                   \
        const P p_ = (p);                  \
        EXPECT_NEAR(p_.x, (ex), (tol));    \
        EXPECT_NEAR(p_.y, (ey), (tol));    \
    } while (0)

// A path of straight sides through the corners, closed back to corner 0.
void StraightPath(DiagramInfo& path, const P (&c)[4]) {
    path.Reset();
    path.SetStartPoint(int32_t(c[0].x), int32_t(c[0].y));
    path.AddLine(int32_t(c[1].x), int32_t(c[1].y), 1);
    path.AddSeparator();
    path.AddLine(int32_t(c[2].x), int32_t(c[2].y), 1);
    path.AddSeparator();
    path.AddLine(int32_t(c[3].x), int32_t(c[3].y), 1);
    path.AddSeparator();
    path.AddLine(int32_t(c[0].x), int32_t(c[0].y), 1);
}

TEST(WarpPath, MeasuringFindsCornersAndSideLengths) {
    const struct {
        const char* name;
        std::function<void(DiagramInfo&)> build;
        bool result;
        P corners[4];
        double lengths[4];
    } cases[] = {
        {"closed square",
         [](DiagramInfo& d) { StraightPath(d, {{0, 0}, {160, 0}, {160, 320}, {0, 320}}); },
         true, {{0, 0}, {160, 0}, {160, 320}, {0, 320}}, {160, 320, 160, 320}},
        {"ends right after the third Separator: empty side 4",
         [](DiagramInfo& d) {
             StraightPath(d, {{0, 0}, {30, 40}, {30, 100}, {0, 100}});
             d.elements.RemoveAt(d.GetCount() - 1);
         },
         true, {{0, 0}, {30, 40}, {30, 100}, {0, 100}}, {50, 60, 30, 0}},
        {"side 4 stops at a fourth Separator",
         [](DiagramInfo& d) {
             StraightPath(d, {{0, 0}, {100, 0}, {100, 100}, {0, 100}});
             d.AddSeparator();
             d.AddLine(500, 500, 1);
         },
         true, {{0, 0}, {100, 0}, {100, 100}, {0, 100}}, {100, 100, 100, 100}},
        // The corner is the end of the last pen-moving element; Return and
        // Tip neither move it nor add length, a Jump does both.
        {"markers and jumps inside a side",
         [](DiagramInfo& d) {
             d.Reset();
             d.SetStartPoint(0, 0);
             d.AddLine(30, 40, 1);
             d.AddReturn();
             d.AddTip();
             d.AddSeparator();
             d.AddJump(30, 70);
             d.AddLine(0, 70, 1);
             d.AddSeparator();
             d.AddCircleCurve(0, 30, 0, 50, 1, 1);  // half turn about (0, 50): 20 pi
             d.AddSeparator();
             d.AddLine(0, 0, 1);
         },
         true, {{0, 0}, {30, 40}, {0, 70}, {0, 30}}, {50, 60, 20 * kPi, 30}},
        {"no Separator", [](DiagramInfo& d) { d.Reset(); d.AddLine(10, 0, 1); }, false, {}, {}},
        {"only two Separators",
         [](DiagramInfo& d) {
             StraightPath(d, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
             d.elements.RemoveAt(6);  // the third Separator
         },
         false, {}, {}},
        {"ends right after the first Separator",
         [](DiagramInfo& d) { d.Reset(); d.AddLine(10, 0, 1); d.AddSeparator(); }, false, {}, {}},
        {"ends right after the second Separator",
         [](DiagramInfo& d) {
             d.Reset();
             d.AddLine(10, 0, 1);
             d.AddSeparator();
             d.AddLine(10, 10, 1);
             d.AddSeparator();
         },
         false, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DiagramInfo path;
        c.build(path);
        WarpPathPatch patch;
        ASSERT_EQ(BuildDiagramSegments(patch, path), c.result);
        if (!c.result) continue;
        const double* got[4] = {patch.corner0, patch.corner1, patch.corner2, patch.corner3};
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(got[k][0], c.corners[k].x) << "corner " << k;
            EXPECT_EQ(got[k][1], c.corners[k].y) << "corner " << k;
        }
        const double lengths[4] = {patch.length1, patch.length2, patch.length3, patch.length4};
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(lengths[k], c.lengths[k], 1e-9) << "side " << (k + 1);
    }
}

// The samples of one side, as the patch's border shows them.
TEST(WarpPath, SidesAreSampledAtEqualDistances) {
    DiagramInfo path;
    WarpPathPatch patch;

    // Side 1 a Line of length 100, S = 4: 0, 25, 50, 75 along it, then the
    // end point itself.
    StraightPath(path, {{0, 0}, {100, 0}, {100, 60}, {0, 60}});
    ASSERT_TRUE(BuildDiagramSegments(patch, path));
    EXPECT_TRUE(ResampleWarpPath(patch, path, 3, 4));
    ASSERT_EQ(patch.rows.GetCount(), 5u);
    ASSERT_EQ(patch.columns.GetCount(), 4u);
    for (uint32_t i = 0; i <= 4; ++i) EXPECT_POINT_NEAR(RowPoint(patch, i), 25.0 * i, 0, 0);
    // Side 3 runs from (100, 60) back to (0, 60) and fills the far border
    // from its last entry; entry 0 is the copy of its end point.
    for (uint32_t i = 0; i <= 4; ++i) EXPECT_POINT_NEAR(Mesh(patch, i, 3), 25.0 * i, 60, 1e-12);
    // Sides 2 and 4 along the other border pair, 20 apart.
    for (uint32_t j = 0; j <= 3; ++j) {
        EXPECT_POINT_NEAR(Mesh(patch, 4, j), 100, 20.0 * j, 1e-12);
        EXPECT_POINT_NEAR(Mesh(patch, 0, j), 0, 20.0 * j, 1e-12);
    }

    // A side of one Arc: every sample is the point where the Arc starts (its
    // length is the chord, 100); the end comes only as the padding.
    path.Reset();
    path.AddArc(60, 80, 60, 0, 1);
    path.AddSeparator();
    path.AddLine(60, 200, 1);
    path.AddSeparator();
    path.AddLine(0, 200, 1);
    path.AddSeparator();
    path.AddLine(0, 0, 1);
    ASSERT_TRUE(BuildDiagramSegments(patch, path));
    ResampleWarpPath(patch, path, 2, 4);
    for (uint32_t i = 0; i < 4; ++i) EXPECT_POINT_NEAR(RowPoint(patch, i), 0, 0, 0);
    EXPECT_POINT_NEAR(RowPoint(patch, 4), 60, 80, 0);

    // A step longer than the elements allow (here a measured length that
    // overstates the side): the distance runs out after two samples, and the
    // missing entries are the side's end point.
    StraightPath(path, {{0, 0}, {100, 0}, {100, 60}, {0, 60}});
    ASSERT_TRUE(BuildDiagramSegments(patch, path));
    patch.length1 = 200;
    ResampleWarpPath(patch, path, 3, 4);
    const double expected[5] = {0, 50, 100, 100, 100};
    for (uint32_t i = 0; i <= 4; ++i) EXPECT_POINT_NEAR(RowPoint(patch, i), expected[i], 0, 0);
}

// Four straight sides sampled evenly make the blend bilinear: every mesh
// point is the bilinear interpolation of the corners. The patch is reused
// with growing and shrinking step counts, as the warps reuse theirs.
TEST(WarpPath, StraightSidesGiveTheBilinearPatch) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int32_t> coord(-3000, 3000);
    std::uniform_int_distribution<uint32_t> steps(1, 40);
    WarpPathPatch patch;
    DiagramInfo path;
    for (int round = 0; round < 40; ++round) {
        const P c[4] = {{double(coord(rng)), double(coord(rng))},
                        {double(coord(rng)), double(coord(rng))},
                        {double(coord(rng)), double(coord(rng))},
                        {double(coord(rng)), double(coord(rng))}};
        StraightPath(path, c);
        ASSERT_TRUE(BuildDiagramSegments(patch, path));
        const uint32_t S = steps(rng), T = steps(rng);
        ASSERT_TRUE(ResampleWarpPath(patch, path, T, S));
        ASSERT_EQ(patch.rows.GetCount(), S + 1);
        ASSERT_EQ(patch.columns.GetCount(), T + 1);
        for (uint32_t i = 0; i <= S; ++i)
            for (uint32_t j = 0; j <= T; ++j) {
                const double s = double(i) / S, t = double(j) / T;
                const double w[4] = {(1 - s) * (1 - t), s * (1 - t), s * t, (1 - s) * t};
                const double bx = w[0] * c[0].x + w[1] * c[1].x + w[2] * c[2].x + w[3] * c[3].x;
                const double by = w[0] * c[0].y + w[1] * c[1].y + w[2] * c[2].y + w[3] * c[3].y;
                EXPECT_POINT_NEAR(Mesh(patch, i, j), bx, by, 1e-7);
            }
    }
}

// Curved sides: the border of the mesh lies on the sides. Sides 1 and 3 are
// half circles of radius 800 about (800, 0) and (800, 1600), sides 2 and 4
// the straight lines x = 1600 and x = 0; the samples along a half circle are
// evenly spaced in angle.
TEST(WarpPath, BorderOfACurvedPatchLiesOnTheSides) {
    DiagramInfo path;
    path.SetStartPoint(0, 0);
    path.AddCircleCurve(1600, 0, 800, 0, 1, 1);  // over the top (y < 0)
    path.AddSeparator();
    path.AddLine(1600, 1600, 1);
    path.AddSeparator();
    path.AddCircleCurve(0, 1600, 800, 1600, 1, 1);  // under the bottom
    path.AddSeparator();
    path.AddLine(0, 0, 1);
    WarpPathPatch patch;
    ASSERT_TRUE(BuildDiagramSegments(patch, path));
    EXPECT_NEAR(patch.length1, 800 * kPi, 1e-9);
    EXPECT_NEAR(patch.length3, 800 * kPi, 1e-9);
    const uint32_t S = 12, T = 7;
    ASSERT_TRUE(ResampleWarpPath(patch, path, T, S));
    for (uint32_t i = 0; i <= S; ++i) {
        // Side 1 at angle pi + pi s; side 3, read backward, at pi - pi s.
        const double s = double(i) / S;
        EXPECT_POINT_NEAR(Mesh(patch, i, 0), 800 + 800 * std::cos(kPi + kPi * s), 800 * std::sin(kPi + kPi * s), 1e-6);
        EXPECT_POINT_NEAR(Mesh(patch, i, T), 800 + 800 * std::cos(kPi - kPi * s), 1600 + 800 * std::sin(kPi - kPi * s),
                          1e-6);
    }
    for (uint32_t j = 0; j <= T; ++j) {
        EXPECT_POINT_NEAR(Mesh(patch, 0, j), 0, 1600.0 * j / T, 1e-6);
        EXPECT_POINT_NEAR(Mesh(patch, S, j), 1600, 1600.0 * j / T, 1e-6);
    }
    // Inside, the blend bulges with the sides: the middle column's top half
    // rises above the chord y = 0 toward the top of side 1.
    EXPECT_LT(Mesh(patch, S / 2, 1).y, 1600.0 / T);
}

TEST(WarpPath, DegenerateStepCounts) {
    DiagramInfo path;
    StraightPath(path, {{0, 0}, {100, 0}, {100, 60}, {0, 60}});
    WarpPathPatch patch;
    ASSERT_TRUE(BuildDiagramSegments(patch, path));
    // No steps: one entry each, the side's first sample.
    EXPECT_TRUE(ResampleWarpPath(patch, path, 0, 0));
    EXPECT_EQ(patch.rows.GetCount(), 1u);
    EXPECT_EQ(patch.columns.GetCount(), 1u);
    EXPECT_POINT_NEAR(RowPoint(patch, 0), 0, 0, 0);
    // A count no array can hold fails as an allocation, before any sampling.
    EXPECT_THROW(ResampleWarpPath(patch, path, UINT32_MAX, 4), std::bad_alloc);
    EXPECT_THROW(ResampleWarpPath(patch, path, 4, UINT32_MAX), std::bad_alloc);
}

}  // namespace
