// The fixed-point lookup tables: known entries, the guards, the symmetries the
// readers rely on, and every table against the function it stands for, in
// doubles.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <numbers>
#include <string>

#include "raster/filter/TrigTables.h"

namespace {

// Built once for the whole file on a table set of its own.
class TrigTablesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        tables = new CTrigTables;
        tables->InitSphereRatioTable();
    }
    static void TearDownTestSuite() {
        delete tables;
        tables = nullptr;
    }
    static CTrigTables* tables;
};
CTrigTables* TrigTablesTest::tables = nullptr;

constexpr uint32_t kTurn = CTrigTables::kTurn;

TEST_F(TrigTablesTest, KnownEntries) {
    struct Row {
        const char* what;
        int64_t got, want;
    };
    const uint32_t* polar = tables->Polar();
    const int32_t* sine = tables->Sine();
    const int32_t* arcsine = tables->Arcsine();
    const int32_t* root = tables->CircleRoot();
    const uint32_t* sqrt22 = tables->SquareRoot();
    const uint32_t* ratio = tables->SphereRatio();
    auto p = [&](uint32_t row, uint32_t column) { return int64_t{polar[row * 2048 + column]}; };
    const Row rows[] = {
        {"polar (0, 0)", p(0, 0), 0x00000000},
        {"polar (0, 1)", p(0, 1), 0x00800000},
        {"polar (1, 0): a quarter turn is 32767", p(1, 0), 0x00807FFF},
        {"polar (1, 1)", p(1, 1), 0x00B53FFF},
        {"polar (3, 4)", p(3, 4), 0x0280346F},
        {"polar (0, 256): 1/32 pixel", p(0, 256), 0x10000000},
        {"polar (2047, 2047)", p(2047, 2047), 0xB4EEBFFF},
        {"polar (0, 255) radius", p(0, 255) >> 15, 65280},
        {"polar (0, 256) radius", p(0, 256) >> 15, 8192},
        {"sine 1", sine[1], 402},
        {"sine 0x8000", sine[0x8000], 11863283},
        {"sine 0", sine[0], 0},
        {"sine quarter", sine[1 << 16], 16777216},
        {"sine half", sine[1 << 17], 0},
        {"sine three quarters", sine[3 << 16], -16777216},
        {"sine full turn", sine[kTurn], 0},
        {"sine guard repeats entry 3", sine[kTurn + 3], sine[3]},
        {"sine guard repeats entry 7", sine[kTurn + 7], sine[7]},
        {"arcsine 0", arcsine[0], 0},
        {"arcsine 0x20000", arcsine[0x20000], 8784529},
        {"arcsine 0x3FFFF", arcsine[0x3FFFF], 26307248},
        {"arcsine first guard is asin 1", arcsine[kTurn], 26353589},
        {"arcsine last guard", arcsine[kTurn + 7], 26353589},
        {"circle root 0", root[0], 0x40000000},
        {"circle root 1", root[1], 0x3FFFFFFF},
        {"circle root 0x20000", root[0x20000], 929887696},
        {"circle root 0x3FFFF", root[0x3FFFF], 2965817},
        {"circle root guards", root[kTurn] + root[kTurn + 7], 0},
        {"square root 0", sqrt22[0], 0},
        {"square root 1", sqrt22[1], 1 << 22},
        {"square root 0x10000", sqrt22[0x10000], 1 << 30},
        {"square root 0xFFFFF", sqrt22[0xFFFFF], 4294965247},
        {"square root guard", sqrt22[1 << 20], 0xFFFFFFFF},
        {"square root last guard", sqrt22[(1 << 20) + 7], 0xFFFFFFFF},
        {"sphere ratio 1", ratio[1], 26307248},
        {"sphere ratio 0x10000", ratio[0x10000], 22839347},
        {"sphere ratio 0x20000", ratio[0x20000], 20286947},
        {"sphere ratio 0x3FFFF", ratio[0x3FFFF], 16775439},
        {"sphere ratio 0: the equator by the same rule", ratio[0], 26353588},
        {"sphere ratio guard", ratio[kTurn + 7], 26353589},
    };
    for (const Row& r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

// Each table against the function it stands for. The tables truncate, so an
// entry lies at most one unit below the exact value (the sine's mirrored
// quarters within one unit of it on either side).
TEST_F(TrigTablesTest, EveryEntryFollowsItsFunction) {
    const int32_t* sine = tables->Sine();
    for (uint32_t i = 0; i <= kTurn; ++i) {
        const double exact = std::sin(i * 2 * std::numbers::pi / kTurn) * 16777216.0;
        ASSERT_LE(std::fabs(sine[i] - exact), 1.0) << i;
    }
    const int32_t* arcsine = tables->Arcsine();
    const int32_t* root = tables->CircleRoot();
    for (uint32_t j = 0; j < kTurn; ++j) {
        const double x = double(j) / kTurn;
        const double a = std::asin(x) * 16777216.0, c = std::sqrt(1 - x * x) * 1073741824.0;
        ASSERT_TRUE(arcsine[j] <= a + 1e-6 && arcsine[j] > a - 1) << j;
        ASSERT_TRUE(root[j] <= c + 1e-3 && root[j] > c - 1) << j;
    }
    const uint32_t* sqrt22 = tables->SquareRoot();
    for (uint32_t k = 0; k < (1u << 20); k += 7) {
        const double s = std::sqrt(double(k)) * 4194304.0;
        ASSERT_TRUE(sqrt22[k] <= s + 1e-6 && sqrt22[k] > s - 1) << k;
    }
    // The ratio is acos(x) / sqrt(1 - x^2) computed from the two tables above.
    // Near x = 0 it reads the arc sine close to 1, where that table is coarse,
    // so it is held to 4e-3 there and to 1e-3 elsewhere.
    const uint32_t* ratio = tables->SphereRatio();
    for (uint32_t k = 1; k < kTurn - 64; k += 5) {
        const double x = double(k) / kTurn;
        const double exact = std::acos(x) / std::sqrt(1 - x * x);
        ASSERT_NEAR(ratio[k] / 16777216.0, exact, k < 4096 ? 4e-3 : 1e-3) << k;
    }
    // Polar: radius within half a unit, angle one unit below atan2 at most.
    const uint32_t* polar = tables->Polar();
    for (uint32_t row = 0; row < 2048; row += 3)
        for (uint32_t column = 0; column < 2048; column += 5) {
            const uint32_t e = polar[row * 2048 + column];
            const double units = (row < 256 && column < 256) ? 256 : 32;
            ASSERT_LE(std::fabs((e >> 15) - std::hypot(row, column) * units), 0.5 + 1e-9) << row << "," << column;
            const double angle = std::atan2(row, column) * 65536 / std::numbers::pi;
            ASSERT_TRUE((e & 0x7FFF) <= angle && (e & 0x7FFF) > angle - 2) << row << "," << column;
        }
}

// The readers: the polar lookup in all four quadrants and at the near/far
// radius switch, sine and cosine from one table, and both square-root ladders
// at their inclusive bounds.
TEST_F(TrigTablesTest, ReadersFollowTheirConventions) {
    const uint32_t* polar = tables->Polar();
    struct PolarRow {
        int32_t dx, dy;
    };
    const PolarRow polarRows[] = {{3, 4},     {-3, 4},    {-3, -4},    {3, -4},  {0, 1},     {0, -1},   {-1, 0},
                                  {1, 0},     {255, 0},   {256, 0},    {0, 300}, {-700, 20}, {37, -999}, {2047, 2047},
                                  {-2047, 1}, {12, -255}, {255, -256}, {0, 0}};
    for (const PolarRow& r : polarRows) {
        SCOPED_TRACE(std::to_string(r.dx) + "," + std::to_string(r.dy));
        ASSERT_TRUE(trig::InPolarRange(r.dx, r.dy));
        const trig::PolarValue v = trig::PolarLookup(polar, r.dx, r.dy);
        // Far radii are 1/32 pixel times 8: within 4 units of 1/256.
        const double radius = std::hypot(r.dx, r.dy) * 256;
        const bool near = std::abs(r.dx) < 256 && std::abs(r.dy) < 256;
        EXPECT_LE(std::fabs(v.radius - radius), near ? 0.5 : 4.0 + 1e-9);
        double exact = std::atan2(r.dy, r.dx) * kTurn / (2 * std::numbers::pi);
        if (exact < 0) exact += kTurn;
        const int32_t masked = v.angle & 0x3FFFF;
        double diff = std::fabs(masked - exact);
        diff = std::min(diff, kTurn - diff);
        EXPECT_LE(diff, 2.0);
    }
    EXPECT_FALSE(trig::InPolarRange(2048, 0));
    EXPECT_FALSE(trig::InPolarRange(0, -2048));
    EXPECT_EQ(trig::PolarLookup(polar, 0, 1).angle, 65534);  // 32767 x 2, never a full quarter
    EXPECT_EQ(trig::PolarLookup(polar, 256, 0).radius, 65536u);

    const int32_t* sine = tables->Sine();
    EXPECT_EQ(trig::CosineOf(sine, 0), 16777216);
    EXPECT_EQ(trig::CosineOf(sine, 0x30000), 0);
    EXPECT_EQ(trig::SineOf(sine, -0x10000), -16777216);
    EXPECT_EQ(trig::SineOf(sine, -0x2345), -trig::SineOf(sine, 0x2345));
    EXPECT_EQ(trig::CosineOf(sine, -0x2345), trig::CosineOf(sine, 0x2345));

    const uint32_t* root = tables->SquareRoot();
    struct RootRow {
        const char* what;
        bool large;
        uint64_t v, want;
    };
    const RootRow rootRows[] = {
        {"small 2^20 reads the guard", false, uint64_t{1} << 20, 0xFFFFFFFFu},
        {"small 2^22", false, uint64_t{1} << 22, uint64_t{0xFFFFFFFFu} * 2},
        {"small 2^26", false, uint64_t{1} << 26, uint64_t{0xFFFFFFFFu} * 8},
        {"small beyond: doubles", false, (uint64_t{1} << 26) + 1, uint64_t(std::sqrt(67108865.0) * 4194304.0)},
        {"large 2^40 reads the guard", true, uint64_t{1} << 40, (uint64_t{1} << 42) - 1024},
        {"large 2^40 + 1", true, (uint64_t{1} << 40) + 1, uint64_t{1} << 42},
        {"large 2^58", true, uint64_t{1} << 58, uint64_t{0xFFFFFFFFu} << 19},
        {"large beyond: doubles", true, uint64_t{1} << 60, uint64_t{1} << 52},
    };
    for (const RootRow& r : rootRows)
        EXPECT_EQ(r.large ? trig::SquareRootLarge(root, r.v) : trig::SquareRootSmall(root, r.v), r.want) << r.what;
    // Every rung keeps at least 16 significant bits of the index, so each is
    // within a relative 2^-16 of the true root (the small ladder 2^-18); the
    // large ladder is meant for products of 2^38 and more.
    for (uint64_t v = 3; v < (uint64_t{1} << 62); v = v * 3 + 1) {
        const double exact = std::sqrt(double(v)) * 4194304.0;
        if (v <= (uint64_t{1} << 30)) {
            EXPECT_NEAR(double(trig::SquareRootSmall(root, v)), exact, exact * 0x1p-18 + 9) << v;
        }
        if (v >= (uint64_t{1} << 38)) {
            EXPECT_NEAR(double(trig::SquareRootLarge(root, v)), exact, exact * 0x1p-16) << v;
        }
    }
}

// A second call builds nothing again; the sphere ratio's initialiser builds
// every other table first.
TEST(TrigTablesBuildTest, InitialisersBuildOnceAndInOrder) {
    CTrigTables fresh;
    EXPECT_EQ(fresh.Polar(), nullptr);
    EXPECT_EQ(fresh.SphereRatio(), nullptr);
    fresh.InitSphereRatioTable();
    const uint32_t* polar = fresh.Polar();
    const int32_t* sine = fresh.Sine();
    const uint32_t* ratio = fresh.SphereRatio();
    ASSERT_NE(polar, nullptr);
    ASSERT_NE(sine, nullptr);
    ASSERT_NE(fresh.SquareRoot(), nullptr);
    ASSERT_NE(ratio, nullptr);
    // The four trigonometric tables lie back to back in one block.
    EXPECT_EQ(fresh.Arcsine(), sine + (kTurn + 8));
    EXPECT_EQ(fresh.CircleRoot(), sine + 2 * (kTurn + 8));
    EXPECT_EQ(static_cast<const void*>(fresh.SquareRoot()), static_cast<const void*>(sine + 3 * (kTurn + 8)));
    fresh.InitTrigTables();
    fresh.InitSphereRatioTable();
    EXPECT_EQ(fresh.Polar(), polar);
    EXPECT_EQ(fresh.Sine(), sine);
    EXPECT_EQ(fresh.SphereRatio(), ratio);
}

}  // namespace
