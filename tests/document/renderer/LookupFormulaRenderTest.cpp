// The lookup maps and arrays (835-840), the per-channel formula (853) and the
// replacement factor (5007) drawn through a document equal their kernel
// called directly on a copy of the canvas with the arguments decoded by hand:
// the map option word's three fields, the array's channel bits, the formula's
// coefficients, the replacement factor's option bytes; scaled objects scale
// the rectangle only. Empty channel masks draw nothing and succeed, and a
// replacement factor without memory for its histograms fails with the
// out-of-memory message.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "document/renderer/RenderContext.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/document/renderer/RenderTestSupport.h"

namespace lookup_formula_render_test {

constexpr int32_t kCanvasW = 20, kCanvasH = 14;

using rendertest::CopyCanvas;
using rendertest::PixelsOf;

// "Src" (the map, array or histogram source, painted by srcPixel), "Bg" (the
// canvas pixels, painted by bgPixel), "Base" (Bg copied) and "Dst" (Bg
// copied, then the factor).
class LookupDocument {
public:
    LookupDocument(const std::string& factor, const std::string& scales, int32_t srcW, int32_t srcH,
                   const std::function<uint32_t(int32_t, int32_t)>& srcPixel,
                   const std::function<uint32_t(int32_t, int32_t)>& bgPixel) {
        EXPECT_TRUE(doc.AddObjectFromText("Src", "Render(4,4,0,array(Copy(0,0,1,1,\"Bg\",0,0)))"));
        EXPECT_TRUE(doc.AddObjectFromText("Bg", "Render(20,14,0,array(Copy(0,0,1,1,\"Src\",0,0)))"));
        const std::string head = "Render(20,14,0," + scales + "array(Copy(0,0,20,14,\"Bg\",0,0)";
        EXPECT_TRUE(doc.AddObjectFromText("Base", (head + "))").c_str()));
        EXPECT_TRUE(doc.AddObjectFromText("Dst", (head + "," + factor + "))").c_str())) << factor;
        Paint("Src", srcW, srcH, srcPixel);
        Paint("Bg", kCanvasW, kCanvasH, bgPixel);
    }
    QDXObject& Object(const char* name) { return doc.Objects.Find(name)->GetValue(); }
    CQDXCtrl doc;

private:
    void Paint(const char* name, int32_t w, int32_t h, const std::function<uint32_t(int32_t, int32_t)>& pixel) {
        QDXObject& object = Object(name);
        EXPECT_TRUE(object.CreateSurface(w, h));
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) *object.Canvas.PixelAt(x, y) = pixel(x, y);
        object.RenderState = QDXObject::kImageReady;
    }
};

struct KindCase {
    const char* name;
    std::string factor;
    std::string scales;  // "sx,sy,st," for a scaled object
    int32_t srcW, srcH;
    std::function<uint32_t(int32_t, int32_t)> srcPixel, bgPixel;
    // The expected canvas: the kernel on a copy of Base (null: unchanged).
    std::function<void(CSprite& canvas, const CSprite& src)> kernel;
};

void RunCases(const KindCase* cases, size_t count) {
    ASSERT_TRUE(InitRasterLibrary(1) || IsRasterReady());
    for (size_t i = 0; i < count; ++i) {
        const KindCase& c = cases[i];
        SCOPED_TRACE(std::string(c.name) + ": " + c.factor);
        LookupDocument d(c.factor, c.scales, c.srcW, c.srcH, c.srcPixel, c.bgPixel);
        CStr_base<64> error;
        ASSERT_TRUE(d.Object("Base").Render(false, &error));
        ASSERT_TRUE(d.Object("Dst").Render(false, &error)) << error.GetText();
        EXPECT_STREQ(error.GetText(), "");
        CSprite expected;
        CopyCanvas(d.Object("Base").Canvas, expected);
        if (c.kernel) {
            c.kernel(expected, d.Object("Src").Canvas);
            EXPECT_NE(PixelsOf(expected), PixelsOf(d.Object("Base").Canvas)) << "the case draws nothing";
        }
        EXPECT_EQ(PixelsOf(d.Object("Dst").Canvas), PixelsOf(expected));
    }
}

uint32_t MapPixel(int32_t x, int32_t y) {
    return static_cast<uint32_t>(x) * 0x01030507u ^ static_cast<uint32_t>(y) * 0x9E3779B1u;
}

// Canvas pixels of which about half carry alpha 0x7F, green 0x40 and blue
// 0x11 with a random red, so that keys on those channels select them.
std::function<uint32_t(int32_t, int32_t)> KeyedPixels(uint32_t seed) {
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng](int32_t, int32_t) {
        const uint32_t p = static_cast<uint32_t>((*rng)());
        return ((*rng)() & 1) != 0 ? (p & 0x00FF0000u) | 0x7F004011u : p;
    };
}

TEST(LookupFormulaRender, MapKindsDecodeTheOptionWord) {
    const auto bg = KeyedPixels(1);
    const KindCase cases[] = {
        {"0x0F41: R, G, B, A compared, column R, row B: G and A remain", "ReplaceDataMap(1,2,15,10,\"Src\",3,2,F41,7F774011)",
         "", 300, 260, MapPixel, bg,
         [](CSprite& s, const CSprite& map) {
             s.ReplaceDataMap(1, 2, 15, 10, 0xFF00FF00u, 0x7F774011u, 4, 1, map, 3, 2);
         }},
        {"0x0144: B compared, column and row R: B remains", "ReplaceColorMap(0,0,20,14,\"Src\",0,0,144,00000011)", "",
         256, 256, MapPixel, bg,
         [](CSprite& s, const CSprite& map) { s.ReplaceColorMap(0, 0, 20, 14, 0x000000FFu, 0x11u, 4, 4, map, 0, 0); }},
        {"0x0320: G, B compared, column G, one-row map: B remains", "ReplaceAlphaMap(2,1,30,30,\"Src\",40,3,320,11)", "",
         300, 4, MapPixel, bg,
         [](CSprite& s, const CSprite& map) { s.ReplaceAlphaMap(2, 1, 30, 30, 0x000000FFu, 0x11u, 2, 0, map, 40, 3); }},
        {"a row field naming no channel reaches the kernel, which draws nothing",
         "ReplaceDataMap(0,0,20,14,\"Src\",0,0,343,4011)", "", 300, 300, MapPixel, bg, nullptr},
        {"scaled object: rectangle scaled, map origin not", "ReplaceDataMap(1,2,8,10,\"Src\",5,1,340,4011)",
         "2,0.5,1,", 300, 2, MapPixel, bg,
         [](CSprite& s, const CSprite& map) { s.ReplaceDataMap(2, 1, 16, 5, 0x0000FFFFu, 0x4011u, 4, 0, map, 5, 1); }},
        {"0x0110: the only compared channel is the column: nothing drawn", "ReplaceDataMap(0,0,20,14,\"Src\",0,0,110,11)",
         "", 300, 2, MapPixel, bg, nullptr},
        {"0x0818: alpha compared and the row channel: nothing drawn", "ReplaceColorMap(0,0,20,14,\"Src\",0,0,818,11)", "",
         300, 300, MapPixel, bg, nullptr},
    };
    RunCases(cases, std::size(cases));
}

// Keys and canvas pixels from a small alphabet, so that matches and repeated
// keys are common.
uint32_t AlphabetWord(std::mt19937& rng) {
    static constexpr uint8_t kBytes[] = {0x00, 0x80, 0xFF};
    uint32_t v = 0;
    for (int32_t b = 0; b < 4; ++b) v = v << 8 | kBytes[rng() % 3];
    return v;
}
std::function<uint32_t(int32_t, int32_t)> AlphabetPixels(uint32_t seed) {
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng](int32_t, int32_t) { return AlphabetWord(*rng); };
}
// Row 0 keys from the alphabet, row 1 random values.
std::function<uint32_t(int32_t, int32_t)> ArrayPixels(uint32_t seed) {
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng](int32_t, int32_t y) { return y == 0 ? AlphabetWord(*rng) : static_cast<uint32_t>((*rng)()); };
}

TEST(LookupFormulaRender, ArrayKindsMaskByTheLowFourBits) {
    const KindCase cases[] = {
        {"all four channels", "ReplaceDataArray(0,0,20,14,\"Src\",F)", "", 60, 2, ArrayPixels(1), AlphabetPixels(2),
         [](CSprite& s, const CSprite& a) { s.ReplaceDataArray(0, 0, 20, 14, 0xFFFFFFFFu, a, 0); }},
        {"the short form compares every channel", "ReplaceDataArray(0,0,20,14,\"Src\")", "", 60, 2, ArrayPixels(1),
         AlphabetPixels(2), [](CSprite& s, const CSprite& a) { s.ReplaceDataArray(0, 0, 20, 14, 0xFFFFFFFFu, a, 0); }},
        {"red and blue, colour only", "ReplaceColorArray(3,1,10,40,\"Src\",5)", "", 9, 3, ArrayPixels(3),
         AlphabetPixels(4), [](CSprite& s, const CSprite& a) { s.ReplaceColorArray(3, 1, 10, 40, 0x00FF00FFu, a, 0); }},
        {"alpha only", "ReplaceAlphaArray(0,0,20,14,\"Src\",8)", "", 3, 2, ArrayPixels(5), AlphabetPixels(6),
         [](CSprite& s, const CSprite& a) { s.ReplaceAlphaArray(0, 0, 20, 14, 0xFF000000u, a, 0); }},
        {"scaled object", "ReplaceDataArray(1,1,5,6,\"Src\",2)", "2,2,1,", 40, 2, ArrayPixels(7), AlphabetPixels(8),
         [](CSprite& s, const CSprite& a) { s.ReplaceDataArray(2, 2, 10, 12, 0x0000FF00u, a, 0); }},
        {"no channel bit: nothing drawn", "ReplaceDataArray(0,0,20,14,\"Src\",0)", "", 60, 2, ArrayPixels(1),
         AlphabetPixels(2), nullptr},
        {"bits above the four only: nothing drawn", "ReplaceAlphaArray(0,0,20,14,\"Src\",F0)", "", 60, 2,
         ArrayPixels(1), AlphabetPixels(2), nullptr},
    };
    RunCases(cases, std::size(cases));
}

std::function<uint32_t(int32_t, int32_t)> RandomPixels(uint32_t seed) {
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng](int32_t, int32_t) { return static_cast<uint32_t>((*rng)()); };
}

TEST(LookupFormulaRender, FormulaCoefficientsInTextOrder) {
    const auto unused = RandomPixels(0);
    const KindCase cases[] = {
        {"a mix of all seven terms",
         "ApplyFormula(1,2,15,9,7,30,220,16384,-32768,49152,8192,-16384,24576,4096)", "", 1, 1, unused,
         RandomPixels(1),
         [](CSprite& s, const CSprite&) {
             s.ApplyFormula(1, 2, 15, 9, 7, 30, 220, 0.25, -0.5, 0.75, 0.125, -0.25, 0.375, 0.0625);
         }},
        {"inversion of alpha and blue, range written high to low", "ApplyFormula(0,0,20,14,9,200,40,0,0,0,0,0,65536,0)",
         "", 1, 1, unused, RandomPixels(2),
         [](CSprite& s, const CSprite&) { s.ApplyFormula(0, 0, 20, 14, 9, 200, 40, 0, 0, 0, 0, 0, 1.0, 0); }},
        {"scaled object", "ApplyFormula(1,1,4,4,2,0,255,0,65536,0,0,0,0,0)", "3,2,1,", 1, 1, unused, RandomPixels(3),
         [](CSprite& s, const CSprite&) { s.ApplyFormula(3, 2, 12, 8, 2, 0, 255, 0, 1.0, 0, 0, 0, 0, 0); }},
        {"channels 0: nothing drawn", "ApplyFormula(0,0,20,14,0,0,255,0,0,0,0,0,65536,0)", "", 1, 1, unused,
         RandomPixels(4), nullptr},
    };
    RunCases(cases, std::size(cases));
}

TEST(LookupFormulaRender, ReplaceFactorTakesTheOptionBytes) {
    const KindCase cases[] = {
        {"key B, replace R and G (262)", "ReplaceFactor(0,0,20,14,\"Src\",2,1,9,8,262,255)", "", 12, 10,
         AlphabetPixels(1), RandomPixels(2),
         [](CSprite& s, const CSprite& src) { s.ReplaceFactor(0, 0, 20, 14, src, 2, 1, 9, 8, 1, 6, 255); }},
        {"key R, replace A, G, B at opacity 100; bytes 2 and 3 ignored",
         "ReplaceFactor(3,2,10,30,\"Src\",0,0,12,10," + std::to_string(0x7F00040B) + ",100)", "", 12, 10,
         AlphabetPixels(3), RandomPixels(4),
         [](CSprite& s, const CSprite& src) { s.ReplaceFactor(3, 2, 10, 30, src, 0, 0, 12, 10, 4, 0x0B, 100); }},
        {"scaled object: the source rectangle as written", "ReplaceFactor(1,1,5,5,\"Src\",1,2,6,5,2049,255)",
         "2,2,1,", 12, 10, AlphabetPixels(5), RandomPixels(6),
         [](CSprite& s, const CSprite& src) { s.ReplaceFactor(2, 2, 10, 10, src, 1, 2, 6, 5, 8, 1, 255); }},
        {"opacity 0: nothing drawn", "ReplaceFactor(0,0,20,14,\"Src\",0,0,12,10,262,0)", "", 12, 10,
         AlphabetPixels(7), RandomPixels(8), nullptr},
        {"selector 3: nothing drawn", "ReplaceFactor(0,0,20,14,\"Src\",0,0,12,10,774,255)", "", 12, 10,
         AlphabetPixels(7), RandomPixels(8), nullptr},
    };
    RunCases(cases, std::size(cases));
}

// Takes the process's address space up to a little above what it holds and
// then every heap block of 64 KiB it can still get, so that the replacement
// factor's 1 MiB cannot be had while small allocations still can; then draws
// the factor alone (the document's own entry would turn any exception into
// the same message, so it is not the way in). 0: the factor failed with the
// message and left the canvas as it was.
#if !defined(__SANITIZE_ADDRESS__)
int DrawWithoutScratchMemory() {
    LookupDocument d("ReplaceFactor(0,0,20,14,\"Src\",0,0,12,10,262,255)", "", 12, 10, AlphabetPixels(1),
                     RandomPixels(2));
    QDXObject& dst = d.Object("Dst");
    if (!dst.Render(false, nullptr)) return 2;  // canvas and source drawn
    return rendertest::RenderSecondFactorWithoutMemory(d.doc, dst);
}
#endif

TEST(LookupFormulaRender, ReplaceFactorWithoutMemoryFailsWithItsMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer aborts on a failed allocation instead of throwing";
#else
    ASSERT_TRUE(InitRasterLibrary(1) || IsRasterReady());
    EXPECT_EXIT(std::_Exit(DrawWithoutScratchMemory()), ::testing::ExitedWithCode(0), "");
#endif
}

}  // namespace lookup_formula_render_test
