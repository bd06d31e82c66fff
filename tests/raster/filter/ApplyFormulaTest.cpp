// The per-channel formula: the power tables against long-double powers, the
// curve's worked entries and saturation, each coefficient on its own term,
// and the pixel pass (channel mask, range in either order, clipping).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "raster/filter/ApplyFormula.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace apply_formula_test {

using raster_test::Filled;
using raster_test::Painted;
using raster_test::Pixels;

class ApplyFormulaTest : public raster_test::ReadyLibraryTest {};

TEST(FormulaPowerTables, EachEntryIsTheNearestDouble) {
    const std::array<double, 256>* tables[] = {&formula::LinearTable, &formula::SquareTable, &formula::CubeTable};
    for (int32_t p = 1; p <= 3; ++p)
        for (int32_t i = 0; i < 256; ++i) {
            const long double exact = std::pow(static_cast<long double>(i) / 255.0L, p);
            const double entry = (*tables[p - 1])[i];
            const long double error = std::fabs(static_cast<long double>(entry) - exact);
            // No neighbouring double is closer.
            EXPECT_LE(error, std::fabs(static_cast<long double>(std::nextafter(entry, 2.0)) - exact));
            EXPECT_LE(error, std::fabs(static_cast<long double>(std::nextafter(entry, -1.0)) - exact));
        }
    EXPECT_EQ(formula::CubeTable[255], 1.0);
    EXPECT_EQ(formula::SquareTable[0], 0.0);
}

std::vector<int32_t> Curve(std::initializer_list<double> c) {
    double k[7] = {};
    int32_t i = 0;
    for (const double v : c) k[i++] = v;
    int32_t curve[256];
    formula::BuildFormulaCurve(k, curve);
    return std::vector<int32_t>(curve, curve + 256);
}

TEST(FormulaCurve, WorkedCurves) {
    const std::vector<int32_t> identity = Curve({0, 0, 1});
    const std::vector<int32_t> inversion = Curve({0, 0, 0, 0, 0, 1});
    for (int32_t i = 0; i < 256; ++i) {
        EXPECT_EQ(identity[i], i);
        EXPECT_EQ(inversion[i], 255 - i);
    }
    const std::vector<int32_t> square = Curve({0, 1});
    EXPECT_EQ(square[0], 0);
    EXPECT_EQ(square[64], 16);
    EXPECT_EQ(square[128], 64);
    EXPECT_EQ(square[192], 144);
    EXPECT_EQ(square[255], 255);
    for (const int32_t v : Curve({0, 0, 0, 0, 0, 0, 2})) EXPECT_EQ(v, 255) << "above 1 saturates";
    for (const int32_t v : Curve({0, 0, 0, 0, 0, 0, -0.5})) EXPECT_EQ(v, 0) << "below 0 saturates";
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const int32_t v : Curve({0, 0, 0, 0, 0, 0, nan})) EXPECT_EQ(v, 0) << "not a number gives 0";
    // Mid-curve saturation: 2x - 0.5 clips at both ends.
    const std::vector<int32_t> steep = Curve({0, 0, 2, 0, 0, 0, -0.5});
    EXPECT_EQ(steep[0], 0);
    EXPECT_EQ(steep[63], 0);
    EXPECT_EQ(steep[128], static_cast<int32_t>((2.0 * 128 / 255 - 0.5) * 255.0));
    EXPECT_EQ(steep[192], 255);
}

// Each coefficient multiplies its own power of x or of 1 - x: the term alone
// at weight 0.5 against the power computed directly.
TEST(FormulaCurve, EachCoefficientHasItsOwnTerm) {
    struct Term {
        const char* name;
        int32_t coefficient;  // 0..6
        bool complement;      // a power of 1 - x
        int32_t power;        // 0 = the constant
    };
    const Term terms[] = {{"c1 x^3", 0, false, 3},         {"c2 x^2", 1, false, 2},         {"c3 x", 2, false, 1},
                          {"c4 (1-x)^3", 3, true, 3},      {"c5 (1-x)^2", 4, true, 2},      {"c6 (1-x)", 5, true, 1},
                          {"c7 constant", 6, false, 0}};
    for (const Term& t : terms) {
        double k[7] = {};
        k[t.coefficient] = 0.5;
        int32_t curve[256];
        formula::BuildFormulaCurve(k, curve);
        for (int32_t i = 0; i < 256; ++i) {
            const double x = (t.complement ? 255 - i : i) / 255.0;
            const double expected = 0.5 * std::pow(x, t.power) * 255.0;
            EXPECT_NEAR(curve[i], std::floor(expected), 1.0) << t.name << " at " << i;
            EXPECT_LE(curve[i], expected + 1e-9) << t.name << " at " << i;
        }
    }
}

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

TEST_F(ApplyFormulaTest, ChannelsAndRange) {
    struct Case {
        const char* name;
        int32_t channels;
        uint8_t lo, hi;
        uint32_t pixel, expected;  // under the inversion
    };
    const Case cases[] = {
        {"mask 0 changes nothing", 0, 0, 255, Argb(1, 2, 3, 4), Argb(1, 2, 3, 4)},
        {"mask 15, full range: all four, alpha too", 15, 0, 255, Argb(1, 2, 3, 4), Argb(254, 253, 252, 251)},
        {"bits above 3 ignored", 0xF1, 0, 255, Argb(1, 2, 3, 4), Argb(1, 2, 3, 251)},
        {"red and green in 100..200: only green", 6, 100, 200, Argb(9, 50, 150, 9), Argb(9, 50, 105, 9)},
        {"range written 200, 100", 6, 200, 100, Argb(9, 50, 150, 9), Argb(9, 50, 105, 9)},
        {"range ends are inside", 9, 100, 200, Argb(100, 7, 7, 200), Argb(155, 7, 7, 55)},
        {"one-value range", 2, 7, 7, Argb(7, 7, 7, 8), Argb(7, 7, 248, 8)},
        {"each channel judged on its own value", 15, 0, 127, Argb(0, 128, 127, 255), Argb(255, 128, 128, 255)},
    };
    for (const Case& c : cases) {
        CSprite s = Filled(2, 2, c.pixel);
        s.ApplyFormula(0, 0, 2, 2, c.channels, c.lo, c.hi, 0, 0, 0, 0, 0, 1, 0);
        for (const uint32_t p : Pixels(s)) EXPECT_EQ(p, c.expected) << c.name << std::hex << " got 0x" << p;
    }
}

TEST_F(ApplyFormulaTest, ClipsToTheRectangle) {
    CSprite s = Filled(8, 6, Argb(10, 20, 30, 40));
    s.SetClipRect(1, 1, 7, 5);
    s.ApplyFormula(-3, 2, 6, 100, 4, 0, 255, 0, 0, 0, 0, 0, 0, 1);  // red to 255
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const bool inside = x >= 1 && x < 3 && y >= 2 && y < 5;
            EXPECT_EQ(*s.PixelAt(x, y), Argb(10, inside ? 255 : 20, 30, 40)) << x << "," << y;
        }
}

}  // namespace apply_formula_test
