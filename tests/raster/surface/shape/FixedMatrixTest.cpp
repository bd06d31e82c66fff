#include "raster/surface/shape/FixedMatrix.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

namespace {

using M2 = std::array<double, 4>;  // row order
using M3 = std::array<double, 9>;

M2 Mul(const M2& a, const M2& b) {
    return {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
            a[2] * b[1] + a[3] * b[3]};
}

M3 Mul(const M3& a, const M3& b) {
    M3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r[i * 3 + j] += a[i * 3 + k] * b[k * 3 + j];
    return r;
}

TEST(FixedMatrix, AffineWorkedExamples) {
    struct Case {
        const char* name;
        double sx, sy, angle, shearX, shearY, pivotX, pivotY;
        int32_t order;
        std::array<int32_t, 6> expected;
        bool result;
    };
    const Case cases[] = {
        {"identity", 1, 1, 0, 0, 0, 0, 0, 1, {65536, 0, 0, 0, 65536, 0}, true},
        {"double width halves the inverse", 2, 1, 0, 0, 0, 0, 0, 1, {32768, 0, 0, 0, 65536, 0}, true},
        {"zero scale is degenerate", 0, 1, 0, 0, 0, 5, 7, 1, {0, 0, 0, 0, 0, 0}, false},
        {"scale 200 is clamped to 128", 200, 1, 0, 0, 0, 0, 0, 0, {512, 0, 0, 0, 65536, 0}, true},
        {"pivot", 1, 1, 0, 0, 0, 10, 20, 2, {65536, 0, -655360, 0, 65536, -1310720}, true},
        {"inverse entries clamp at 128", 1.0 / 1024, 1, 0, 0, 0, 0, 0, 1, {128 * 65536, 0, 0, 0, 65536, 0}, true},
        {"shear of 1 on both axes is singular", 1, 1, 0, 1, 1, 0, 0, 0, {0, 0, 0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        int32_t m[6] = {-1, -1, -1, -1, -1, -1};
        EXPECT_EQ(BuildAffineMatrixFixed(m, c.sx, c.sy, c.angle, c.shearX, c.shearY, c.pivotX, c.pivotY, c.order),
                  c.result)
            << c.name;
        for (int i = 0; i < 6; ++i) EXPECT_EQ(m[i], c.expected[i]) << c.name << " entry " << i;
    }
}

// The built matrix, against a model that composes R, D and H by matrix
// products in each order, stores them as 16.16 and inverts in doubles; and
// mapping a forward-transformed point back gives the source point.
TEST(FixedMatrix, AffineOrdersMatchMatrixProducts) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> scale(0.5, 3.0), angle(-3.14, 3.14), shear(-0.45, 0.45),
        pivot(-200.0, 200.0);
    for (int n = 0; n < 300; ++n) {
        const double sx = scale(rng), sy = scale(rng), a = angle(rng), hx = shear(rng), hy = shear(rng);
        const double px = pivot(rng), py = pivot(rng);
        const M2 R = {std::cos(a), -std::sin(a), std::sin(a), std::cos(a)};
        const M2 D = {sx, 0, 0, sy};
        const M2 H = {1, hx, hy, 1};
        for (int32_t order : {0, 1, 2, 5}) {
            const M2 forward = order == 0 ? Mul(H, Mul(D, R)) : order == 2 ? Mul(R, Mul(H, D)) : Mul(H, Mul(R, D));
            M2 fixed;
            for (int i = 0; i < 4; ++i) fixed[i] = std::trunc(forward[i] * 65536.0) / 65536.0;
            const double det = fixed[0] * fixed[3] - fixed[1] * fixed[2];
            const M2 inverse = {fixed[3] / det, -fixed[1] / det, -fixed[2] / det, fixed[0] / det};

            int32_t m[6];
            ASSERT_TRUE(BuildAffineMatrixFixed(m, sx, sy, a, hx, hy, px, py, order));
            const int32_t got[4] = {m[0], m[1], m[3], m[4]};
            for (int i = 0; i < 4; ++i)
                ASSERT_NEAR(got[i], inverse[i] * 65536.0, 2.0) << "order " << order << " entry " << i;

            // Destination = forward x source + pivot; the matrix maps it back.
            const double srcX = 13.0, srcY = -7.0;
            const double dstX = forward[0] * srcX + forward[1] * srcY + px;
            const double dstY = forward[2] * srcX + forward[3] * srcY + py;
            const double backX = (m[0] * dstX + m[1] * dstY + m[2]) / 65536.0;
            const double backY = (m[3] * dstX + m[4] * dstY + m[5]) / 65536.0;
            ASSERT_NEAR(backX, srcX, 0.05) << "order " << order;
            ASSERT_NEAR(backY, srcY, 0.05) << "order " << order;
        }
    }
}

TEST(FixedMatrix, InvertFixedMatrix2x2) {
    int32_t tiny[4] = {1, 2, 3, 4};
    EXPECT_FALSE(InvertFixedMatrix2x2(tiny, 1, 4));
    EXPECT_FALSE(InvertFixedMatrix2x2(tiny, 2, 1));
    EXPECT_EQ(tiny[0], 1);

    // 3 x 4: the 2 x 2 part inverted, columns 2 and 3 of rows 0 and 1 negated,
    // the third row untouched.
    int32_t m[12] = {2 * 65536, 0, 5, -6, 0, 4 * 65536, 7, INT32_MIN, 11, 12, 13, 14};
    EXPECT_TRUE(InvertFixedMatrix2x2(m, 3, 4));
    const int32_t expected[12] = {32768, 0, -5, 6, 0, 16384, -7, INT32_MAX, 11, 12, 13, 14};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(m[i], expected[i]) << i;

    // Rotation by 90 degrees inverts to its transpose.
    int32_t r[4] = {0, -65536, 65536, 0};
    EXPECT_TRUE(InvertFixedMatrix2x2(r, 2, 2));
    EXPECT_EQ(r[0], 0);
    EXPECT_EQ(r[1], 65536);
    EXPECT_EQ(r[2], -65536);
    EXPECT_EQ(r[3], 0);

    // A determinant within 1e-6 of zero clears the part.
    int32_t s[4] = {1, 0, 0, 1};  // det = 2^-32
    EXPECT_TRUE(InvertFixedMatrix2x2(s, 2, 2));
    for (int32_t v : s) EXPECT_EQ(v, 0);
}

TEST(FixedMatrix, RotationMatrix3D) {
    double r[9];
    BuildRotationMatrix3D(r, 0, 0, 0);
    const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(r[i], identity[i]);

    BuildRotationMatrix3D(r, std::numbers::pi / 2, 0, 0);
    const double quarter[9] = {0, -1, 0, 1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(r[i], quarter[i], 1e-15) << i;

    std::mt19937 rng(3);
    std::uniform_real_distribution<double> angle(-6.3, 6.3);
    for (int n = 0; n < 100; ++n) {
        const double a1 = angle(rng), a2 = angle(rng), a3 = angle(rng);
        const M3 Rz = {std::cos(a1), -std::sin(a1), 0, std::sin(a1), std::cos(a1), 0, 0, 0, 1};
        const M3 Rx = {1, 0, 0, 0, std::cos(a2), -std::sin(a2), 0, std::sin(a2), std::cos(a2)};
        const M3 Ry = {std::cos(a3), 0, std::sin(a3), 0, 1, 0, -std::sin(a3), 0, std::cos(a3)};
        const M3 model = Mul(Ry, Mul(Rx, Rz));
        BuildRotationMatrix3D(r, a1, a2, a3);
        for (int i = 0; i < 9; ++i) ASSERT_NEAR(r[i], model[i], 1e-12) << i;
    }
}

}  // namespace
