// The displacement and replacement map kinds (1409-1416) drawn through a
// document equal their kernel called directly on a copy of the canvas with the
// arguments decoded by hand: the tile as written, the fill colour or alpha,
// the last word split into weights (low half) and gains (high half), the
// 16.16 gains of DisplacementCalc cut to 8.8 toward zero, the ReplacementCalc
// scales and 1/8192 offsets; scaled objects scale the rectangle and the
// phase, not the map tile. A work sprite or scratch canvas that cannot be had
// fails the factor with the out-of-memory message.
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

namespace map_render_test {

using rendertest::CopyCanvas;
using rendertest::PixelsOf;

using PixelFn = std::function<uint32_t(int32_t, int32_t)>;

// "Src" (the map, painted by srcPixel), "Bg" (the canvas pixels), "Base" (Bg
// copied) and "Dst" (Bg copied, then the factor).
class MapDocument {
public:
    MapDocument(const std::string& factor, const std::string& scales, int32_t srcW, int32_t srcH,
                const PixelFn& srcPixel, const PixelFn& bgPixel) {
        EXPECT_TRUE(doc.AddObjectFromText("Src", "Render(4,4,0,array(Copy(0,0,1,1,\"Bg\",0,0)))"));
        EXPECT_TRUE(doc.AddObjectFromText("Bg", "Render(20,14,0,array(Copy(0,0,1,1,\"Src\",0,0)))"));
        const std::string head = "Render(20,14,0," + scales + "array(Copy(0,0,20,14,\"Bg\",0,0)";
        EXPECT_TRUE(doc.AddObjectFromText("Base", (head + "))").c_str()));
        EXPECT_TRUE(doc.AddObjectFromText("Dst", (head + "," + factor + "))").c_str())) << factor;
        Paint("Src", srcW, srcH, srcPixel);
        Paint("Bg", 20, 14, bgPixel);
    }
    QDXObject& Object(const char* name) { return doc.Objects.Find(name)->GetValue(); }
    CQDXCtrl doc;

private:
    void Paint(const char* name, int32_t w, int32_t h, const PixelFn& pixel) {
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
    PixelFn srcPixel;
    // The expected canvas: the kernel on a copy of Base.
    std::function<void(CSprite& canvas, const CSprite& src)> kernel;
};

PixelFn RandomPixels(uint32_t seed) {
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng](int32_t, int32_t) { return static_cast<uint32_t>((*rng)()); };
}

// Map bytes near 128, so that most samples land on the canvas.
PixelFn NearGreyMap(uint32_t seed) {
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng](int32_t, int32_t) {
        uint32_t p = 0;
        for (int k = 0; k < 4; ++k) p |= (120u + (*rng)() % 17u) << (8 * k);
        return p;
    };
}

// Replacement codes pointing into (and a few beyond) the 20 x 14 canvas.
PixelFn ReplacementCodes(uint32_t seed) {
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng](int32_t, int32_t) {
        const uint32_t flag = (*rng)() % 6 == 0 ? 0u : 1u;
        const uint32_t x = (*rng)() % 23, fx = (*rng)() % 4, y = (*rng)() % 16, fy = (*rng)() % 4;
        return (flag << 30) | (x << 17) | (fx << 15) | (y << 2) | fy;
    };
}

void RunCases(const KindCase* cases, size_t count) {
    ASSERT_TRUE(InitRasterLibrary(1) || IsRasterReady());
    for (size_t i = 0; i < count; ++i) {
        const KindCase& c = cases[i];
        SCOPED_TRACE(std::string(c.name) + ": " + c.factor);
        MapDocument d(c.factor, c.scales, c.srcW, c.srcH, c.srcPixel, RandomPixels(static_cast<uint32_t>(i) + 1));
        CStr_base<64> error;
        ASSERT_TRUE(d.Object("Base").Render(false, &error));
        ASSERT_TRUE(d.Object("Dst").Render(false, &error)) << error.GetText();
        EXPECT_STREQ(error.GetText(), "");
        CSprite expected;
        CopyCanvas(d.Object("Base").Canvas, expected);
        c.kernel(expected, d.Object("Src").Canvas);
        EXPECT_NE(PixelsOf(expected), PixelsOf(d.Object("Base").Canvas)) << "the case draws nothing";
        EXPECT_EQ(PixelsOf(d.Object("Dst").Canvas), PixelsOf(expected));
    }
}

TEST(MapRender, DisplacementKindsEqualTheirKernels) {
    const KindCase cases[] = {
        {"whole, general words", "DisplacementMap(1,2,15,10,\"Src\",1,0,5,4,-3,7,ff123456,12300213,01017031)", "", 7,
         5, NearGreyMap(1),
         [](CSprite& s, const CSprite& map) {
             ASSERT_TRUE(s.DisplacementMap(1, 2, 15, 10, map, 1, 0, 5, 4, -3, 7, 0xFF123456u, 0x12300213u, 0x7031,
                                           0x0101));
         }},
        {"whole, plain words", "DisplacementMap(0,0,20,14,\"Src\",0,0,3,3,0,0,0,1010101,7777)", "", 3, 3,
         NearGreyMap(2),
         [](CSprite& s, const CSprite& map) {
             ASSERT_TRUE(s.DisplacementMap(0, 0, 20, 14, map, 0, 0, 3, 3, 0, 0, 0, 0x01010101u, 0x7777, 0));
         }},
        {"colour only, extreme phases", "DisplacementMapC(2,2,30,30,\"Src\",0,0,4,4,-2147483648,2147483647,80ff00ff,"
         "1010101,20007777)", "", 4, 4, NearGreyMap(3),
         [](CSprite& s, const CSprite& map) {
             ASSERT_TRUE(s.DisplacementMapC(2, 2, 30, 30, map, 0, 0, 4, 4, INT32_MIN, INT32_MAX, 0x80FF00FFu,
                                            0x01010101u, 0x7777, 0x2000));
         }},
        {"alpha only with its alpha", "DisplacementMapA(0,1,20,12,\"Src\",0,0,5,5,1,1,40,33333333,3333)", "", 5, 5,
         NearGreyMap(4),
         [](CSprite& s, const CSprite& map) {
             ASSERT_TRUE(s.DisplacementMapA(0, 1, 20, 12, map, 0, 0, 5, 5, 1, 1, 40, 0x33333333u, 0x3333, 0));
         }},
        {"scaled object: the rectangle and the phase", "DisplacementMap(1,1,6,5,\"Src\",1,1,3,3,2,1,ff000000,1010101,7777)",
         "2,2,1,", 5, 5, NearGreyMap(5),
         [](CSprite& s, const CSprite& map) {
             ASSERT_TRUE(s.DisplacementMap(2, 2, 12, 10, map, 1, 1, 3, 3, 4, 2, 0xFF000000u, 0x01010101u, 0x7777, 0));
         }},
        {"a map without pixels fills", "DisplacementMap(3,3,5,5,\"Src\",0,0,4,4,0,0,ff00ff00,1010101,7777)", "", 0, 0,
         RandomPixels(6),
         [](CSprite& s, const CSprite&) { s.FillRect(3, 3, 5, 5, 0xFF00FF00u); }},
    };
    RunCases(cases, std::size(cases));
}

TEST(MapRender, CalcKindsEqualTheirKernels) {
    const KindCase cases[] = {
        {"DisplacementCalc: gains to 8.8, colour about 128, alpha about 0",
         "DisplacementCalc(0,0,20,14,65536,0,32768,131072)", "", 1, 1, RandomPixels(7),
         [](CSprite& s, const CSprite&) { s.DisplacementCalc(0, 0, s, 0, 0, 20, 14, 256, 0, 128, 512, 128, 128, 128, 0); }},
        {"DisplacementCalc: a negative gain truncates toward zero", "DisplacementCalc(2,1,10,10,-300,65536,-65536,511)",
         "", 1, 1, RandomPixels(8),
         [](CSprite& s, const CSprite&) { s.DisplacementCalc(2, 1, s, 2, 1, 10, 10, -1, 256, -256, 1, 128, 128, 128, 0); }},
        {"ReplacementCalc: scales and quarter-pixel offsets",
         "ReplacementCalc(0,0,20,14,32768,98304,-8192,16384)", "", 1, 1, RandomPixels(9),
         [](CSprite& s, const CSprite&) { s.ReplacementCalc(0, 0, 20, 14, 0.5, 1.5, -1, 2); }},
        {"ReplacementCalc: offsets truncate toward zero", "ReplacementCalc(1,1,5,5,65536,65536,-12000,8191)", "", 1, 1,
         RandomPixels(10), [](CSprite& s, const CSprite&) { s.ReplacementCalc(1, 1, 5, 5, 1.0, 1.0, -1, 0); }},
        {"ReplacementCalc: scaled object", "ReplacementCalc(1,1,5,5,65536,65536,8192,8192)", "2,2,1,", 1, 1,
         RandomPixels(11), [](CSprite& s, const CSprite&) { s.ReplacementCalc(2, 2, 10, 10, 1.0, 1.0, 1, 1); }},
    };
    RunCases(cases, std::size(cases));
}

// The replacement maps read a copy of the canvas as it was before the factor.
TEST(MapRender, ReplacementKindsEqualTheirKernels) {
    const auto onCopy = [](auto member, int32_t x, int32_t y, int32_t w, int32_t h, int32_t mx, int32_t my) {
        return [=](CSprite& s, const CSprite& map) {
            CSprite before;
            CopyCanvas(s, before);
            (s.*member)(x, y, w, h, before, 0, 0, 20, 14, map, mx, my);
        };
    };
    const KindCase cases[] = {
        {"whole", "ReplacementMap(1,2,15,10,\"Src\",3,2)", "", 22, 16, ReplacementCodes(12),
         onCopy(&CSprite::ReplacementMap, 1, 2, 15, 10, 3, 2)},
        {"colour only", "ReplacementMapC(0,0,20,14,\"Src\",0,0)", "", 20, 14, ReplacementCodes(13),
         onCopy(&CSprite::ReplacementMapC, 0, 0, 20, 14, 0, 0)},
        {"alpha only", "ReplacementMapA(-2,-1,30,30,\"Src\",1,1)", "", 20, 14, ReplacementCodes(14),
         onCopy(&CSprite::ReplacementMapA, -2, -1, 30, 30, 1, 1)},
        {"scaled object: the rectangle only", "ReplacementMap(1,1,6,5,\"Src\",2,3)", "2,2,1,", 20, 20,
         ReplacementCodes(15), onCopy(&CSprite::ReplacementMap, 2, 2, 12, 10, 2, 3)},
    };
    RunCases(cases, std::size(cases));
}

#if !defined(__SANITIZE_ADDRESS__)
// Renders factor 1 of "Dst" with a fresh context and empty raster scratch while
// (almost) no memory is left; 0 when it failed with the out-of-memory message
// and left the canvas as it was.
int DrawWithoutMemory(const std::string& factor) {
    MapDocument d(factor, "", 8, 8, NearGreyMap(16), RandomPixels(17));
    QDXObject& dst = d.Object("Dst");
    if (!dst.Render(false, nullptr)) return 2;
    return rendertest::RenderSecondFactorWithoutMemory(d.doc, dst);
}
#endif

TEST(MapRender, WithoutMemoryTheMapKindsFailWithTheirMessage) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer aborts on a failed allocation instead of throwing";
#else
    ASSERT_TRUE(InitRasterLibrary(1) || IsRasterReady());
    for (const char* factor : {"DisplacementMap(0,0,20,14,\"Src\",0,0,8,8,0,0,ff000000,1010101,7777)",
                               "DisplacementMapA(0,0,20,14,\"Src\",0,0,8,8,0,0,9,1010101,7777)",
                               "ReplacementMap(0,0,20,14,\"Src\",0,0)"}) {
        SCOPED_TRACE(factor);
        EXPECT_EXIT(std::_Exit(DrawWithoutMemory(factor)), ::testing::ExitedWithCode(0), "");
    }
#endif
}

}  // namespace map_render_test
