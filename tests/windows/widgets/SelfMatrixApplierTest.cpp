// The colour-matrix applier: refusals that keep the old matrix, packing of
// full matrices, the description texts, and the pixels of Apply against a
// double-precision model (full level, folded level 0, reset, not started).
#include "windows/widgets/SelfMatrixApplier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr int32_t kOne = 0x10000;

// A full simple matrix (4 x 5) that is the identity but for red := 0.5 red.
std::vector<int32_t> HalfRedSimple() {
    std::vector<int32_t> m(20, 0);
    m[0] = kOne / 2;
    m[6] = kOne;
    m[12] = kOne;
    m[18] = kOne;
    return m;
}

// A full extended matrix (4 x 9) that is the identity but for
// red := 255 - red (the complement column of red).
std::vector<int32_t> InvertRedExtended() {
    std::vector<int32_t> m(36, 0);
    m[1] = kOne;
    m[9 + 2] = kOne;
    m[18 + 4] = kOne;
    m[27 + 6] = kOne;
    return m;
}

void MakeTestSprite(CSprite& s) {
    InitRasterLibrary(1);
    s.Release();
    ASSERT_TRUE(s.Create(16, 4, false));
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 16; ++x)
            *s.PixelAt(x, y) = 0x80000000u | (uint32_t(x * 16 + 3) << 16) | (uint32_t(y * 60) << 8) | uint32_t(x * 7);
}

std::vector<uint32_t> Pixels(const CSprite& s) {
    std::vector<uint32_t> v;
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        for (int32_t x = 0; x < s.GetWidth(); ++x) v.push_back(*s.PixelAt(x, y));
    return v;
}

std::string Describe(SelfMatrixApplier& a) {
    CStr_base<1024> text;
    a.Describe(text);
    return text.GetText();
}

TEST(SelfMatrixApplier, OversizedMatricesAreRefusedAndKeepTheOldOne) {
    SelfMatrixApplier a;
    const std::vector<int32_t> m = HalfRedSimple();
    ASSERT_TRUE(a.SetSimpleMatrix(m.data(), 20, 200));
    const std::string before = Describe(a);
    std::vector<int32_t> big(37, kOne);
    EXPECT_FALSE(a.SetSimpleMatrix(big.data(), 21, 1));
    EXPECT_FALSE(a.SetExtendedMatrix(big.data(), 37, 1));
    EXPECT_EQ(Describe(a), before);
    EXPECT_EQ(a.GetType(), SelfMatrixApplier::kTypeSimple);
    EXPECT_EQ(a.GetLevel(), 200);
}

TEST(SelfMatrixApplier, FullMatricesArePackedShorterOnesKeptAsGiven) {
    SelfMatrixApplier a;
    const std::vector<int32_t> simple = HalfRedSimple();
    ASSERT_TRUE(a.SetSimpleMatrix(simple.data(), 20, 255));
    EXPECT_EQ(Describe(a), "Type:ColorMatrix (3x1)[0.5,1,1] alv:255");

    const std::vector<int32_t> extended = InvertRedExtended();
    ASSERT_TRUE(a.SetExtendedMatrix(extended.data(), 36, 9));
    EXPECT_EQ(Describe(a), "Type:ColorExMatrix (3x2)[0,1,1,0,1,0] alv:9");

    // 19 coefficients are no full matrix: stored unchanged, no shape.
    ASSERT_TRUE(a.SetSimpleMatrix(simple.data(), 19, 255));
    EXPECT_EQ(a.GetCount(), 19u);
    EXPECT_EQ(a.GetCoefficients()[18], kOne);
}

TEST(SelfMatrixApplier, DescriptionTexts) {
    struct Case {
        const char* name;
        bool extended;
        std::vector<int32_t> coefficients;
        uint8_t level;
        const char* text;
    };
    const Case cases[] = {
        {"the worked example", false, {kOne, kOne / 2, 0}, 255, "Type:ColorMatrix (3x1)[1,0.5,0] alv:255"},
        {"simple 4x1", false, {kOne, 2 * kOne, 3 * kOne, -kOne}, 0, "Type:ColorMatrix (4x1)[1,2,3,-1] alv:0"},
        {"extended count 4 has no shape", true, {kOne, 0, 0, 0}, 7, "Type:ColorExMatrix (?\?\?)[1,0,0,0] alv:7"},
        {"simple count 12 is 3x4", false, std::vector<int32_t>(12, -kOne / 4), 1,
         "Type:ColorMatrix (3x4)[-0.25,-0.25,-0.25,-0.25,-0.25,-0.25,-0.25,-0.25,-0.25,-0.25,-0.25,-0.25] alv:1"},
        {"extended count 12 is 4x3", true, std::vector<int32_t>(12, 10 * kOne), 128,
         "Type:ColorExMatrix (4x3)[10,10,10,10,10,10,10,10,10,10,10,10] alv:128"},
        {"smallest step and no coefficients", false, {1}, 3, "Type:ColorMatrix (?\?\?)[0.000015] alv:3"},
        {"no coefficients drops the bracket", false, {}, 3, "Type:ColorMatrix (?\?\?)] alv:3"},
    };
    for (const Case& c : cases) {
        SelfMatrixApplier a;
        const uint32_t n = static_cast<uint32_t>(c.coefficients.size());
        ASSERT_TRUE(c.extended ? a.SetExtendedMatrix(c.coefficients.data(), n, c.level)
                               : a.SetSimpleMatrix(c.coefficients.data(), n, c.level))
            << c.name;
        EXPECT_EQ(Describe(a), c.text) << c.name;
    }
    SelfMatrixApplier none;
    EXPECT_EQ(Describe(none), "Type:None");
}

// Red of every pixel against a double model of the matrix: 0.5 red and
// 255 - red, other channels untouched.
TEST(SelfMatrixApplier, ApplyAtFullLevelMatchesTheMatrix) {
    struct Case {
        const char* name;
        bool extended;
        std::vector<int32_t> matrix;
        double (*red)(double);
    };
    const Case cases[] = {
        {"half red", false, HalfRedSimple(), [](double r) { return std::floor(r / 2); }},
        {"inverted red", true, InvertRedExtended(), [](double r) { return 255 - r; }},
    };
    for (const Case& c : cases) {
        CSprite s;
        MakeTestSprite(s);
        const std::vector<uint32_t> before = Pixels(s);
        SelfMatrixApplier a;
        ASSERT_TRUE(c.extended ? a.SetExtendedMatrix(c.matrix.data(), 36, 255)
                               : a.SetSimpleMatrix(c.matrix.data(), 20, 255));
        a.Apply(s, 0, 0, 16, 4);
        const std::vector<uint32_t> after = Pixels(s);
        for (size_t i = 0; i < before.size(); ++i) {
            const uint32_t red = static_cast<uint32_t>(c.red(double((before[i] >> 16) & 0xFF)));
            EXPECT_EQ(after[i], (before[i] & 0xFF00FFFFu) | (red << 16)) << c.name << " pixel " << i;
        }
    }
}

// Level 0 folds the matrix into the identity; Reset and an unstarted raster
// library leave every pixel as it was; Apply only touches its rectangle.
TEST(SelfMatrixApplier, ApplyLeavesPixelsWhereItShould) {
    const std::vector<int32_t> simple = HalfRedSimple();
    const std::vector<int32_t> extended = InvertRedExtended();
    struct Case {
        const char* name;
        bool extended;
        uint8_t level;
        bool reset;
        bool unstarted;
    };
    const Case cases[] = {
        {"simple at level 0", false, 0, false, false},
        {"extended at level 0", true, 0, false, false},
        {"simple after Reset", false, 255, true, false},
        {"extended after Reset", true, 255, true, false},
        {"raster library not started", true, 255, false, true},
    };
    for (const Case& c : cases) {
        CSprite s;
        MakeTestSprite(s);
        const std::vector<uint32_t> before = Pixels(s);
        SelfMatrixApplier a;
        ASSERT_TRUE(c.extended ? a.SetExtendedMatrix(extended.data(), 36, c.level)
                               : a.SetSimpleMatrix(simple.data(), 20, c.level));
        if (c.reset) a.Reset();
        if (c.unstarted) raster_test::ResetRasterLibrary();
        a.Apply(s, 0, 0, 16, 4);
        InitRasterLibrary(1);
        EXPECT_EQ(Pixels(s), before) << c.name;
    }

    CSprite s;
    MakeTestSprite(s);
    const std::vector<uint32_t> before = Pixels(s);
    SelfMatrixApplier a;
    ASSERT_TRUE(a.SetExtendedMatrix(extended.data(), 36, 255));
    a.Apply(s, 4, 1, 2, 2);
    const std::vector<uint32_t> after = Pixels(s);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            const size_t i = size_t(y * 16 + x);
            const bool inside = x >= 4 && x < 6 && y >= 1 && y < 3;
            EXPECT_EQ(after[i] != before[i], inside) << x << "," << y;
        }
}

// A level between 0 and 255 moves each channel part of the way: red of the
// half-red matrix at level 128 (weight 129 / 256) lies between the two ends
// (within the 1/256 steps of the kernels' fast paths).
TEST(SelfMatrixApplier, PartialLevelBlendsTowardsTheIdentity) {
    CSprite s;
    MakeTestSprite(s);
    const std::vector<uint32_t> before = Pixels(s);
    SelfMatrixApplier a;
    const std::vector<int32_t> m = HalfRedSimple();
    ASSERT_TRUE(a.SetSimpleMatrix(m.data(), 20, 128));
    a.Apply(s, 0, 0, 16, 4);
    const std::vector<uint32_t> after = Pixels(s);
    for (size_t i = 0; i < before.size(); ++i) {
        const double r = double((before[i] >> 16) & 0xFF);
        const double w = 129.0 / 256.0;
        const double expected = r * (1 - w) + r / 2 * w;
        EXPECT_NEAR(double((after[i] >> 16) & 0xFF), expected, 1.5) << i;
        EXPECT_EQ(after[i] & 0xFF00FFFFu, before[i] & 0xFF00FFFFu) << i;
    }
    // The stored matrix itself is not folded.
    EXPECT_EQ(a.GetCoefficients()[0], kOne / 2);
}

}  // namespace
