// The format-1.0 replace draws (old condition words, the level as an item of
// its own), the pixel replacement with and without its strength, and the
// colour matrix in its full and its simple form.
#include <gtest/gtest.h>

#include <string>

#include "tests/document/legacy/LegacyEquivalence.h"

namespace {

using legacy_test::Equivalence;
using legacy_test::ExpectEquivalent;
using legacy_test::ExpectRefused;
using legacy_test::LegacyParsesAs;
using legacy_test::Repeat;

const std::string kHead = "0,0,10,10,\"Src\",1,2,3,4,";

TEST(LegacyReplaceDraws, EveryKeywordReadsAsItsCurrentText) {
    const std::string h = kHead;
    const Equivalence cases[] = {
        // MaskDraw: no strength item (255).
        {"MaskDrawCFromAlpha(" + h + "128)", 1351, "ReplaceDrawFromAlpha(" + h + "128,255)"},
        {"MaskDrawCFromColor(" + h + "ff00ff00)", 1352, "ReplaceDrawFromColor(" + h + "ff00ff00,255)"},
        {"MaskDrawFromAlpha(" + h + "7)", 1301, "ReplaceCopyFromAlpha(" + h + "7,255)"},
        {"MaskDrawFromColor(" + h + "P40010000)", 1302, "ReplaceCopyFromColor(" + h + "P40010000,255)"},
        // IfAlpha and IfColor: the current FromAlpha and FromColor.
        {"ReplaceDrawCIfAlpha(" + h + "128,64)", 1351, "ReplaceDrawFromAlpha(" + h + "128,64)"},
        {"ReplaceDrawCIfColor(" + h + "ff,64)", 1352, "ReplaceDrawFromColor(" + h + "ff,64)"},
        {"ReplaceDrawIfAlpha(" + h + "0,1)", 1301, "ReplaceCopyFromAlpha(" + h + "0,1)"},
        {"ReplaceDrawIfColor(" + h + "P5,2)", 1302, "ReplaceCopyFromColor(" + h + "P5,2)"},
        // The comparisons: the level goes into the colour's top byte; with
        // a C the current ReplaceDraw kinds, without it ReplaceCopy.
        {"ReplaceDrawCIfGE(" + h + "ff123456,128,200)", 1354, "ReplaceDrawIfGE(" + h + "80123456,200)"},
        {"ReplaceDrawCIfGE(" + h + "P40010000,128,200)", 1354, "ReplaceDrawIfGE(" + h + "P40010000#80,200)"},
        {"ReplaceDrawCIfLE(" + h + "123456,0,1)", 1355, "ReplaceDrawIfLE(" + h + "123456,1)"},
        {"ReplaceDrawCIfGrOr(" + h + "1,255,2)", 1356, "ReplaceDrawIfGrOr(" + h + "ff000001,2)"},
        {"ReplaceDrawCIfLeOr(" + h + "P2,1,3)", 1357, "ReplaceDrawIfLeOr(" + h + "P2#1,3)"},
        {"ReplaceDrawIfGE(" + h + "ff123456,128,200)", 1304, "ReplaceCopyIfGE(" + h + "80123456,200)"},
        {"ReplaceDrawIfLE(" + h + "ff,16,4)", 1305, "ReplaceCopyIfLE(" + h + "100000ff,4)"},
        {"ReplaceDrawIfGrOr(" + h + "P3,0,5)", 1306, "ReplaceCopyIfGrOr(" + h + "P3#0,5)"},
        {"ReplaceDrawIfLeOr(" + h + "abcdef,171,6)", 1307, "ReplaceCopyIfLeOr(" + h + "ababcdef,6)"},
        // The pixel replacement with and without its strength.
        {"ReplaceDataFromPixel(0,0,10,10,5,5,ff0000,255)", 851, "ReplaceDataFromPixel(0,0,10,10,5,5,ff0000,255,255)"},
        {"ReplaceDataFromPixel(0,0,10,10,5,5,P7,1,64)", 851, "ReplaceDataFromPixel(0,0,10,10,5,5,P7,1,64)"},
    };
    for (const Equivalence& c : cases) ExpectEquivalent(c);
}

TEST(LegacyReplaceDraws, LevelAndStrength) {
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "ReplaceDrawCIfGE(" + kHead + "ff123456,128,200)", 1354));
    EXPECT_EQ(f.Color1, 0x80123456u);
    EXPECT_EQ(f.ColorRef1, 0u);
    EXPECT_EQ(f.Alpha, 200);
    EXPECT_EQ(f.ByteParam2, 255);
    ASSERT_TRUE(LegacyParsesAs(f, "ReplaceDrawCIfGE(" + kHead + "P40010000,128,200)", 1354));
    EXPECT_EQ(f.ColorRef1, 0x40010000u);
    EXPECT_EQ(f.Color1, 0x80000000u);
    ASSERT_TRUE(LegacyParsesAs(f, "MaskDrawCFromColor(" + kHead + "ff00ff00)", 1352));
    EXPECT_EQ(f.Color1, 0xff00ff00u);  // all 32 bits kept
    EXPECT_EQ(f.Alpha, 255);
    ASSERT_TRUE(LegacyParsesAs(f, "MaskDrawCFromAlpha(" + kHead + "128)", 1351));
    EXPECT_EQ(f.Alpha, 128);
    EXPECT_EQ(f.ByteParam2, 255);
    EXPECT_EQ(f.X3, 1);
    EXPECT_EQ(f.Y4, 4);
}

// The 36 coefficients of a full matrix, all different: -100000, -99999 ...
std::string FullCoefficients() {
    std::string out;
    for (int i = 0; i < 36; ++i) out += std::to_string(-100000 + 4097 * i) + ",";
    return out;
}

TEST(LegacyReplaceDraws, ColourMatrix) {
    // The full form is the current one.
    ExpectEquivalent({"ApplyColorMatrix(0,0,10,10," + FullCoefficients() + "128)", 852,
                      "ApplyColorMatrix(0,0,10,10," + FullCoefficients() + "128)"});
    QDXFactor f;
    ASSERT_TRUE(LegacyParsesAs(f, "ApplyColorMatrix(0,0,10,10," + FullCoefficients() + "128)", 852));
    EXPECT_EQ(f.ColorExMatrix[1], -100000 + 4097);       // item 5: row 0, column 1
    EXPECT_EQ(f.ColorExMatrix[9], -100000 + 9 * 4097);   // item 13: row 1, column 0

    // The simple form: the identity, given as 4 x 5.
    std::string identity;
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 5; ++k) identity += (k == r ? "65536," : "0,");
    QDXFactor reset;
    reset.Reset();
    ASSERT_TRUE(LegacyParsesAs(f, "ApplyColorMatrix(0,0,10,10," + identity + "255)", 852));
    for (uint32_t e = 0; e < QDXFactor::kColorExMatrixSize; ++e) EXPECT_EQ(f.ColorExMatrix[e], reset.ColorExMatrix[e]) << e;

    // Values in every simple slot land in the value and constant columns; the
    // 255-minus columns are 0 whatever the matrix held.
    std::string simple;
    std::string full;
    for (int r = 0; r < 4; ++r) {
        for (int k = 0; k < 5; ++k) simple += std::to_string(100 * r + k + 1) + ",";
        for (int c = 0; c < 9; ++c) full += (c % 2 == 0 ? std::to_string(100 * r + c / 2 + 1) : "0") + ",";
    }
    ExpectEquivalent({"ApplyColorMatrix(1,2,3,4," + simple + "7)", 852, "ApplyColorMatrix(1,2,3,4," + full + "7)"});
    ASSERT_TRUE(LegacyParsesAs(f, "ApplyColorMatrix(1,2,3,4," + simple + "7)", 852));
    EXPECT_EQ(f.ColorExMatrix[8], 5);  // item 8, the constant of row 0
}

TEST(LegacyReplaceDraws, Refused) {
    ExpectRefused({
        "ReplaceDrawIfGE(" + kHead + "ff,256,200)",
        "ReplaceDrawIfGE(" + kHead + "ff,-1,200)",
        "ReplaceDrawCIfGE(" + kHead + "ff,x,200)",
        "ReplaceDrawCIfGE(" + kHead + "ff,1,256)",
        "ReplaceDrawCIfGE(" + kHead + "ff,200)",          // the current form
        "MaskDrawCFromAlpha(" + kHead + "128,255)",       // exactly 10
        "MaskDrawFromColor(" + kHead + "zz)",
        "ReplaceDrawCIfAlpha(" + kHead + "128)",
        "ReplaceDrawIfAlpha(0,0,10,10,Src,1,2,3,4,0,1)",  // the name is not closed
        "ReplaceDataFromPixel(0,0,10,10,5,5,ff0000)",
        "ReplaceDataFromPixel(0,0,10,10,5,5,ff0000,255,255,1)",
        "ReplaceDataFromPixel(0,0,10,10,5,5,ff0000,256)",
        "ApplyColorMatrix(0,0,10,10," + Repeat("0", 20) + ")",  // 24
        "ApplyColorMatrix(0,0,10,10," + Repeat("0", 22) + ")",  // 26
        "ApplyColorMatrix(0,0,10,10," + Repeat("0", 36) + ")",  // 40
        "ApplyColorMatrix(0,0,10,10," + Repeat("0", 38) + ")",  // 42
        "ApplyColorMatrix(0,0,10,10," + Repeat("0", 19) + ",x,255)",
        "ApplyColorMatrix(0,0,10,10," + Repeat("0", 20) + ",256)",
    });
}

}  // namespace
