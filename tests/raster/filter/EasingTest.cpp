// Easing curves: known values, end values, and the guarded inputs.
#include <gtest/gtest.h>

#include <cstdint>

#include "raster/filter/Easing.h"

namespace {

TEST(EasingTest, KnownValues) {
    struct Case {
        uint32_t type;
        int32_t t, duration, c, expected;
    };
    const Case cases[] = {
        {0, 5, 10, 100, 50},
        {1, 5, 10, 100, 27},            // 100 x 15 / 55
        {2, 5, 10, 100, 72},            // 100 x (55 - 15) / 55
        {3, 5, 10, 100, 50},            // second half starts at r
        {3, 7, 10, 100, 80},            // 50 + 50 x (15 - 6) / 15
        {3, 2, 10, 100, 10},            // 50 x 3 / 15
        {4, 2, 10, 100, 30},            // 50 x (15 - 6) / 15
        {4, 7, 10, 100, 60},            // 50 + 50 x 3 / 15
        {5, 5, 10, 100, 25},            // 0.5 x 0.5 x 100
        {6, 5, 10, 100, 75},
        {7, 2, 10, 100, 8},             // 0.4^2 x 50
        {8, 2, 10, 100, 32},            // (1 - 0.6^2) x 50
        {9, 5, 10, 100, 29},            // (cos(3 pi / 4) + 1) x 100 = 29.3
        {10, 5, 10, 100, 70},           // sin(pi / 4) x 100 = 70.7
        {13, 5, 10, 100, 100},          // at half: sin 0
        {13, 2, 10, 100, 40},           // the linear half
        {15, 7, 10, 100, 123},          // 100 + trunc(sin(2 pi / 5) x 25)
        {13, 7, 10, 100, 77},           // 100 - trunc(23.78)
        {256, 2, 8, 100, 25},           // 0.25 x sin(pi / 2) x 100
        {257, 2, 8, 100, 75},
        {258, 4, 8, 100, -50},          // 0.5 x cos(pi) x 100
        {0x20000u | 256, 1, 8, 100, 12},  // two cycles: 0.125 x sin(pi / 2) x 100
        {-1u, 3, 10, 100, 100},         // unknown curve number
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EaseValue(c.type, c.t, c.duration, c.c), c.expected)
            << "type " << c.type << " t " << c.t;
        EXPECT_EQ(EaseValue64(c.type, c.t, c.duration, c.c), c.expected) << "64-bit, type " << c.type;
    }
    EXPECT_EQ(EaseTriangularIn(5, 10, 100), 27);
    EXPECT_EQ(EaseTriangularOut64(5, 10, 100), 72);
    EXPECT_EQ(EaseSineOut(5, 10, 100), 70);
    EXPECT_EQ(EaseDecayingSine(2, 8, 100, 1), 75);
}

TEST(EasingTest, EndValuesAndUnknownCurves) {
    for (uint32_t curve = 0; curve <= 18; ++curve) {
        EXPECT_EQ(EaseValue(curve, 10, 10, 100), 100) << curve;
        EXPECT_EQ(EaseValue(curve, 11, 10, 100), 100) << curve;
    }
    const int32_t oscillatingEnds[8] = {0, 0, 100, 0, 0, 0, 0, 100};
    for (uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(EaseValue(256 + i, 10, 10, 100), oscillatingEnds[i]) << 256 + i;
        EXPECT_EQ(EaseValue(0x20000u | (256 + i), 10, 10, 100), oscillatingEnds[i]) << 256 + i;
    }
    for (uint32_t curve : {19u, 255u, 264u, 0xFFFFu})
        for (int32_t t : {0, 3, 9}) EXPECT_EQ(EaseValue(curve, t, 10, 100), 100) << curve;
}

TEST(EasingTest, CycleCountZeroIsOneAndHalvesUseTheWholeAmount) {
    for (uint32_t curve = 256; curve <= 263; ++curve)
        for (int32_t t = 0; t < 40; ++t)
            ASSERT_EQ(EaseValue(curve, t, 40, 1000), EaseValue(0x10000u | curve, t, 40, 1000)) << curve << " " << t;
    // 260: the first half is curve 256 over (t, half), the second 257 over (t2, T2).
    for (int32_t t = 0; t < 40; ++t) {
        const int32_t expected = t < 20 ? EaseGrowingSine(t, 20, 1000, 3) : EaseDecayingSine(t - 20, 20, 1000, 3);
        EXPECT_EQ(EaseValue(0x30000u | 260, t, 40, 1000), expected) << t;
    }
    // 18 with T2 = 1 uses only its last segment, which starts at c.
    EXPECT_EQ(EaseValue(18, 1, 2, 100), 100);
}

TEST(EasingTest, WideAmountsAndGuardedInputs) {
    EXPECT_EQ(EaseValue64(0, 7, 10, 3000000000LL), 2100000000LL);
    EXPECT_EQ(EaseValue64(1, 9, 10, 3000000000LL), 3000000000LL * 45 / 55);
    EXPECT_EQ(EaseValue64(2, 1000000, 3000000, 4000000000000LL),
              static_cast<int64_t>((static_cast<__int128>(4500001500000LL - 2000001000000LL) * 4000000000000LL) /
                                   4500001500000LL));
    // The 32-bit form does not overflow on a large triangular product.
    EXPECT_EQ(EaseValue(1, 50000, 100000, 1000), static_cast<int32_t>(1250025000LL * 1000 / 5000050000LL));
    // A duration of 0 or below gives the end value; a step below 0 counts as 0.
    for (uint32_t curve : {0u, 1u, 5u, 9u, 13u, 18u}) {
        EXPECT_EQ(EaseValue(curve, 0, 0, 100), 100) << curve;
        EXPECT_EQ(EaseValue(curve, 3, -5, 100), 100) << curve;
        EXPECT_EQ(EaseValue(curve, -7, 10, 100), EaseValue(curve, 0, 10, 100)) << curve;
    }
    EXPECT_EQ(EaseValue(256, 0, 0, 100), 0);
    EXPECT_EQ(EaseValue(258, -3, 0, 100), 100);
    EXPECT_EQ(EaseSineIn(4, 0, 77), 77);
    EXPECT_EQ(EaseGrowingCosine64(-1, -1, 5, 2), 5);
}

TEST(EasingTest, ArcTangentWrappers) {
    EXPECT_DOUBLE_EQ(Atan2Int(1.0, -1), 3.0 * 3.141592653589793 / 4);
    EXPECT_GT(Atan2UInt(-1.0, 0xFFFFFFFFu), -1e-9);  // x is a large positive number
}

}  // namespace
