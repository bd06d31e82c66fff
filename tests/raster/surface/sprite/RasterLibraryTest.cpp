#include "raster/surface/sprite/RasterLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

class RasterLibraryTest : public ::testing::Test {
protected:
    void TearDown() override { InitRasterLibrary(1); }  // leave the library started for others
};

TEST_F(RasterLibraryTest, StartsOnceAndOnlyWithModeOne) {
    raster_test::ResetRasterLibrary();
    EXPECT_EQ(RasterPixelMode, 0);
    EXPECT_FALSE(InitRasterLibrary(0));  // the host's first call with a missing setting
    EXPECT_FALSE(InitRasterLibrary(2));
    EXPECT_FALSE(InitRasterLibrary(-1));
    EXPECT_EQ(RasterPixelMode, 0);
    EXPECT_TRUE(InitRasterLibrary(1));
    EXPECT_EQ(RasterPixelMode, 1);
    EXPECT_FALSE(InitRasterLibrary(1));  // the host's unconditional second call
    EXPECT_FALSE(InitRasterLibrary(0));
    EXPECT_EQ(RasterPixelMode, 1);
}

TEST_F(RasterLibraryTest, ReciprocalTableIsTheRoundedUpReciprocal) {
    EXPECT_EQ(ReciprocalTable[0], 1u << 23);
    EXPECT_EQ(ReciprocalTable[1], 1u << 23);
    EXPECT_EQ(ReciprocalTable[3], 2796203u);
    EXPECT_EQ(ReciprocalTable[235], 35697u);
    EXPECT_EQ(ReciprocalTable[256], 32768u);
    for (uint64_t n = 1; n <= 256; ++n) {
        const uint64_t e = ReciprocalTable[n];
        EXPECT_TRUE(e * n >= (1u << 23) && (e - 1) * n < (1u << 23)) << "n = " << n;
    }
}

TEST_F(RasterLibraryTest, AlphaUnionTableKnownCells) {
    InitRasterLibrary(1);
    struct Cell {
        int a, b;
        uint16_t entry;
    };
    const Cell cells[] = {
        {0, 0, 0x0000},     {0, 200, 0x00C8},   {1, 0, 0xFF01},     {128, 0, 0xFF80},   {128, 128, 0xA9C0},
        {128, 255, 0x7FFF}, {255, 255, 0xFFFF}, {64, 192, 0x4DD0},  {179, 188, 0xC2EB}, {255, 0, 0xFFFF},
        {0, 255, 0x00FF},   {1, 255, 0x00FF},
    };
    for (const Cell& c : cells)
        EXPECT_EQ(AlphaUnionTable[c.a * 256 + c.b], c.entry) << "a = " << c.a << ", b = " << c.b;
}

// Against an independent model: u from the union rule, w compared with the
// exact quotient floor(256 a / u). The rounded-up reciprocal makes exactly the
// three cells a = 179, b = 187..189 (u = 235) one higher.
TEST_F(RasterLibraryTest, AlphaUnionTableFollowsTheConstructionRuleInEveryCell) {
    InitRasterLibrary(1);
    int irregular = 0;
    for (uint64_t a = 0; a < 256; ++a)
        for (uint64_t b = 0; b < 256; ++b) {
            const uint16_t entry = AlphaUnionTable[a * 256 + b];
            if (a == 0) {
                ASSERT_EQ(entry, b);
                continue;
            }
            const uint64_t u = a + ((256 - a) * b) / 256;
            ASSERT_EQ(entry & 0xFFu, u) << a << "," << b;
            const uint64_t w = (entry >> 8) + 1u;
            const uint64_t exact = 256 * a / u;
            const bool expectIrregular = a == 179 && b >= 187 && b <= 189;
            ASSERT_EQ(w, expectIrregular ? exact + 1 : exact) << a << "," << b;
            irregular += expectIrregular;
        }
    EXPECT_EQ(irregular, 3);
}

TEST_F(RasterLibraryTest, AlphaUnionTableChecksum) {
    InitRasterLibrary(1);
    // FNV-1a over the entries as little-endian 16-bit values.
    uint32_t h = 0x811C9DC5u;
    for (uint16_t v : AlphaUnionTable)
        for (uint32_t byte : {v & 0xFFu, static_cast<uint32_t>(v >> 8)}) {
            h ^= byte;
            h *= 16777619u;
        }
    EXPECT_EQ(h, 0xA7E146B5u);
}

TEST(RasterTablesTest, DivisionTableCellsAndQuotients) {
    EXPECT_EQ(DivisionTable[0], 0xFFFFFFu);
    EXPECT_EQ(DivisionTable[1], 0xFF0000u);
    EXPECT_EQ(DivisionTable[2], 0x7F8000u);
    EXPECT_EQ(DivisionTable[3], 0x550000u);
    EXPECT_EQ(DivisionTable[255], 0x10000u);
    // Exact quotients below the overflow point, for every byte x and n >= 1;
    // the product passes 0xFFFFFF exactly when the quotient would pass 255.
    for (uint32_t n = 1; n < 256; ++n)
        for (uint32_t x = 0; x < 256; ++x) {
            const uint64_t product = uint64_t{x} * DivisionTable[n];
            ASSERT_LT(product, uint64_t{1} << 32);
            ASSERT_EQ(product >= 0x1000000u, 255 * x >= 256 * n) << x << " / " << n;
            if (product < 0x1000000u) {
                ASSERT_EQ(product >> 16, 255 * x / n) << x << " / " << n;
            }
            if (x <= n) {
                ASSERT_EQ((x * DivisionTable[n]) >> 16, 255 * x / n) << x << "/" << n;
            }
        }
    // q(d, s) = min(255, floor(255 d / s)), 255 for s = 0 unless d = 0.
    for (uint32_t s = 0; s < 256; ++s)
        for (uint32_t d = 0; d < 256; ++d) {
            const uint32_t q = std::min<uint32_t>(0xFFFFFF, d * DivisionTable[s]) >> 16;
            const uint32_t expected = s == 0 ? (d ? 255 : 0) : std::min<uint32_t>(255, 255 * d / s);
            ASSERT_EQ(q, expected) << d << "/" << s;
        }
}

TEST(RasterTablesTest, SoftLightCurveCellsAndShape) {
    const uint32_t cells[][2] = {{0, 0},     {1, 756},   {2, 1488},  {3, 2197}, {64, 16384},
                                 {252, 509}, {253, 382}, {254, 255}, {255, 127}};
    for (const auto& c : cells) EXPECT_EQ(SoftLightCurve[c[0]], c[1]) << "entry " << c[0];
    for (uint32_t i = 0; i < 256; ++i) {
        // The defining curve, evaluated in double precision away from integers.
        const double x = i / 256.0;
        const double f = x <= 0.25 ? ((16 * x - 12) * x + 4) * x : std::sqrt(x);
        const double exact = 65536.0 * (f - x);
        EXPECT_EQ(SoftLightCurve[i], static_cast<uint32_t>(std::floor(exact + 1e-9))) << "entry " << i;
        EXPECT_LE(SoftLightCurve[i], 16384u);
        EXPECT_LT(255u * SoftLightCurve[i], 1u << 24);
    }
}

TEST_F(RasterLibraryTest, BuildColorRampExamples) {
    struct Case {
        const char* name;
        uint32_t first, last;
        std::vector<uint32_t> expected;
    };
    const Case cases[] = {
        {"blue rises over three steps", 0xFF000000, 0xFF0000FF, {0xFF000000, 0xFF000000, 0xFF000055, 0xFF0000FF}},
        {"two entries are the ends", 0x12345678, 0x9ABCDEF0, {0x12345678, 0x9ABCDEF0}},
        {"every channel moves, some up and some down",
         0x80402010,
         0x20E0F0FF,
         {0x80402010, 0x80402010, 0x6C60493F, 0x5980736F, 0x46A09C9F, 0x20E0F0FF}},
        // (10 - 200) << 20 / 6 truncates toward zero; a floor division would give 105 in entry 4.
        {"negative step truncates toward zero", 0x0000000A, 0x000000C8, {10, 10, 41, 73, 104, 136, 200}},
    };
    for (const Case& c : cases) {
        const int32_t count = static_cast<int32_t>(c.expected.size());
        std::vector<uint32_t> out(c.expected.size() + 2, 0xDEADBEEF);
        BuildColorRamp(c.first, c.last, out.data() + 1, count);
        EXPECT_EQ(out.front(), 0xDEADBEEF) << c.name;
        EXPECT_EQ(out.back(), 0xDEADBEEF) << c.name;
        EXPECT_EQ(std::vector<uint32_t>(out.begin() + 1, out.end() - 1), c.expected) << c.name;
    }
}

}  // namespace
