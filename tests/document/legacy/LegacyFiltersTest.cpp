// The format-1.0 mapping matrices (the option byte, the fixed radius range)
// and filters (the old blur names without their alpha range, the optional
// RasterScroll option).
#include <gtest/gtest.h>

#include <string>

#include "tests/document/legacy/LegacyEquivalence.h"

namespace {

using legacy_test::Equivalence;
using legacy_test::ExpectEquivalent;
using legacy_test::ExpectRefused;
using legacy_test::LegacyParsesAs;
using legacy_test::Repeat;

// The identity of the XY matrix, and a matrix of 42 different values.
std::string IdentityXY() {
    std::string out;
    for (int k = 0; k < 42; ++k) out += (k == 0 || k == 8 ? "65536" : k == 20 ? "16777216" : "0") + std::string(",");
    return out;
}
std::string DistinctMatrix() {
    std::string out;
    for (int k = 0; k < 42; ++k) out += std::to_string(-70000 + 3001 * k) + ",";
    return out;
}

// Items 0-10 of both mapping matrices.
const std::string kMappingHead = "0,1,100,101,5,6,\"Src\",7,8,9,10,";

TEST(LegacyFilters, EveryKeywordReadsAsItsCurrentText) {
    const std::string xy = "XYMappingMatrix(" + kMappingHead + "0.5," + DistinctMatrix();
    const std::string ra = "RAMappingMatrix(" + kMappingHead + "0.5,2.25," + DistinctMatrix();
    const Equivalence cases[] = {
        {xy + "128,3)", 1107, xy + "128,3)"},
        {xy + "128,259)", 1107, xy + "128,3)"},  // the low 8 bits
        {xy + "0,-1)", 1107, xy + "0,255)"},
        {ra + "128,2)", 1108, ra + "128,2,0,10000)"},
        {"DistAlpha(0,0,100,100,2.5,10,255,0)", 1401, "DistAlpha(0,0,100,100,2.5,10,255,0)"},
        {"Mirror(0,0,100,100,3)", 1402, "Mirror(0,0,100,100,3)"},
        {"BlurColor(0,0,100,100,3)", 1403, "BlurC(0,0,100,100,3,0,255)"},
        {"BlurAlpha(0,0,100,100,4)", 1404, "BlurA(0,0,100,100,4,0,255)"},
        {"Blur(0,0,100,100,5)", 1405, "Blur(0,0,100,100,5,0,255)"},
        {"RasterScroll(0,0,100,100,0.5,4,20,0.25,2,10)", 1406, "RasterScroll(0,0,100,100,0.5,4,20,0.25,2,10,1)"},
        {"RasterScroll(0,0,100,100,0.5,4,20,0.25,2,10,0)", 1406, "RasterScroll(0,0,100,100,0.5,4,20,0.25,2,10,0)"},
        {"RasterScroll(0,0,100,100,0.5,4,20,0.25,2,10,0,x)", 1406, "RasterScroll(0,0,100,100,0.5,4,20,0.25,2,10,0)"},
        {"RasterScroll2(0,0,100,100,-2e3,4,1.5,5,7)", 1407, "RasterScroll2(0,0,100,100,-2000,4,1.5,5,7)"},
        {"Mosaic(0,0,100,100,8,8)", 1408, "Mosaic(0,0,100,100,8,8)"},
    };
    for (const Equivalence& c : cases) ExpectEquivalent(c);
}

TEST(LegacyFilters, MappingMatrixFields) {
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "XYMappingMatrix(" + kMappingHead + "1.5707963," + IdentityXY() + "255,2)", 1107));
    QDXFactor reset;
    reset.Reset();
    for (uint32_t k = 0; k < QDXFactor::kMappingMatrixSize; ++k) EXPECT_EQ(f.XYMatrix[k], reset.XYMatrix[k]) << k;
    EXPECT_EQ(f.Real1, 1.5707963);  // radians, unchanged
    EXPECT_EQ(f.Options, 2u);
    EXPECT_EQ(f.X3, 5);   // first origin
    EXPECT_EQ(f.Y4, 8);   // second origin
    EXPECT_EQ(f.X5, 9);   // near distance
    EXPECT_EQ(f.Y5, 10);  // far distance

    ASSERT_TRUE(LegacyParsesAs(f, "RAMappingMatrix(" + kMappingHead + "0,3.5," + DistinctMatrix() + "9,1)", 1108));
    EXPECT_EQ(f.Real8, 3.5);
    EXPECT_EQ(f.RAMatrix[0], -70000);
    EXPECT_EQ(f.RAMatrix[41], -70000 + 41 * 3001);
    EXPECT_EQ(f.Real11, 0.0);
    EXPECT_EQ(f.Real12, 10000.0);
    EXPECT_EQ(f.Alpha, 9);
    EXPECT_EQ(f.Options, 1u);
}

TEST(LegacyFilters, Refused) {
    const std::string xy = "XYMappingMatrix(" + kMappingHead + "0.5,";
    const std::string ra = "RAMappingMatrix(" + kMappingHead + "0.5,1,";
    ExpectRefused({
        xy + Repeat("0", 43) + ")",            // 55
        xy + Repeat("0", 45) + ")",            // 57
        xy + Repeat("0", 42) + ",256,0)",      // alpha above 255
        xy + Repeat("0", 41) + ",z,255,0)",
        xy + Repeat("0", 42) + ",255,z)",      // the option byte must still be a number
        ra + Repeat("0", 43) + ")",            // 56
        ra + Repeat("0", 45) + ")",            // 58
        ra + Repeat("0", 44) + ",0,10000)",    // 59: the current long form
        "Blur(0,0,100,100,3,0,255)",
        "BlurColor(0,0,100,100)",
        "RasterScroll(0,0,100,100,0.5,4,20,0.25,2)",
        "RasterScroll(0,0,100,100,0.5,4,20,0.25,2,10,x)",
        "DistAlpha(0,0,100,100,2.5,10,300,0)",
        "DistAlpha(0,0,100,100,inf,10,255,0)",
        "Mosaic(0,0,100,100,8)",
        "Mirror(0,0,100,100,3,1)",
    });
}

}  // namespace
