// The filter and colour-space kinds (1401-1408, 1417, 5001-5006) drawn through
// a document equal their kernels called directly on a copy of the canvas with
// the arguments taken from the text by hand; a scaled object scales the
// rectangle only. The supersampled raster scrolls equal the same kernels run
// on an enlarged copy and reduced. Kernels that cannot get their memory fail
// with the out-of-memory message instead of counting as drawn.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "document/renderer/RenderContext.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/document/renderer/RenderTestSupport.h"

namespace filter_render_test {

using rendertest::CopyCanvas;
using rendertest::PixelsOf;
using PixelFn = std::function<uint32_t(int32_t, int32_t)>;

// "Src" (a second plane), "Bg" (the canvas pixels), "Base" (Bg copied) and
// "Dst" (Bg copied, then the factor), all w x h.
class FilterDocument {
public:
    FilterDocument(const std::string& factor, const std::string& scales, int32_t w, int32_t h, const PixelFn& bgPixel,
                   const PixelFn& srcPixel) {
        const std::string size = std::to_string(w) + "," + std::to_string(h);
        EXPECT_TRUE(doc.AddObjectFromText("Src", ("Render(" + size + ",0,array(Copy(0,0,1,1,\"Bg\",0,0)))").c_str()));
        EXPECT_TRUE(doc.AddObjectFromText("Bg", ("Render(" + size + ",0,array(Copy(0,0,1,1,\"Src\",0,0)))").c_str()));
        const std::string head = "Render(" + size + ",0," + scales + "array(Copy(0,0," + size + ",\"Bg\",0,0)";
        EXPECT_TRUE(doc.AddObjectFromText("Base", (head + "))").c_str()));
        EXPECT_TRUE(doc.AddObjectFromText("Dst", (head + "," + factor + "))").c_str())) << factor;
        Paint("Src", w, h, srcPixel);
        Paint("Bg", w, h, bgPixel);
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

PixelFn RandomPixels(uint32_t seed) {
    auto rng = std::make_shared<std::mt19937>(seed);
    return [rng](int32_t, int32_t) {
        const uint32_t p = static_cast<uint32_t>((*rng)());
        switch ((*rng)() % 4) {
            case 0: return p & 0x00FFFFFFu;
            case 1: return p | 0xFF000000u;
            default: return p;
        }
    };
}

// Opaque rows whose blue grey zigzags in the middle third: AntiMoire's food.
uint32_t Zigzag(int32_t x, int32_t y) {
    const bool middle = x >= 8 && x < 24;
    const uint32_t grey = middle ? ((x & 1) != 0 ? 150u + uint32_t(y) : 90u) : 40u;
    return 0xFF000000u | (uint32_t(y) << 16) | grey;
}

struct KindCase {
    const char* name;
    std::string factor;
    std::string scales = "";  // "sx,sy,st," for a scaled object
    bool fast = false;
    // The expected canvas: the kernels on a copy of Base (null: unchanged).
    std::function<void(CSprite& canvas, const CSprite& src)> kernel;
    PixelFn bgPixel = RandomPixels(1);
    int32_t w = 32, h = 20;
};

void RunCases(const KindCase* cases, size_t count) {
    ASSERT_TRUE(InitRasterLibrary(1) || IsRasterReady());
    for (size_t i = 0; i < count; ++i) {
        const KindCase& c = cases[i];
        SCOPED_TRACE(std::string(c.name) + ": " + c.factor);
        FilterDocument d(c.factor, c.scales, c.w, c.h, c.bgPixel, RandomPixels(2));
        CStr_base<64> error;
        ASSERT_TRUE(d.Object("Base").Render(c.fast, &error));
        ASSERT_TRUE(d.Object("Dst").Render(c.fast, &error)) << error.GetText();
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

TEST(FilterRender, InPlaceKindsCallTheirKernels) {
    const KindCase cases[] = {
        {"DistAlpha: reals, opacity and second byte", "DistAlpha(2,1,28,17,0.5,2.5,0,255)", "", false,
         [](CSprite& s, const CSprite&) { EXPECT_TRUE(s.DistAlpha(2, 1, 28, 17, 0.5, 2.5, 0, 255)); }},
        {"DistAlpha, equal factors", "DistAlpha(0,0,32,20,1.0,3.0,100,100)", "", false,
         [](CSprite& s, const CSprite&) { s.ScaleAlpha(0, 0, 32, 20, 100); }},
        {"Mirror 3: a half turn", "Mirror(2,2,15,10,3)", "", false,
         [](CSprite& s, const CSprite&) { s.Mirror(2, 2, 15, 10, 3); }},
        {"Mirror 0x13: half turn and blue inverted", "Mirror(2,2,15,10,19)", "", false,
         [](CSprite& s, const CSprite&) {
             s.Mirror(2, 2, 15, 10, 3);
             s.InvertChannels(2, 2, 15, 10, 1);
         }},
        {"Mirror 0xE5: left-right, alpha red green inverted", "Mirror(0,1,9,19,229)", "", false,
         [](CSprite& s, const CSprite&) {
             s.Mirror(0, 1, 9, 19, 1);
             s.InvertChannels(0, 1, 9, 19, 14);
         }},
        {"Mirror 0x10: blue only", "Mirror(2,2,15,10,16)", "", false,
         [](CSprite& s, const CSprite&) { s.InvertChannels(2, 2, 15, 10, 1); }},
        {"Mirror 4 mirrors nothing", "Mirror(2,2,15,10,4)", "", false, nullptr},
        {"Blur", "Blur(1,2,25,12,3,0,255)", "", false,
         [](CSprite& s, const CSprite&) { EXPECT_TRUE(s.Blur(1, 2, 25, 12, 3, 0, 255)); }},
        {"Blur, short form", "Blur(0,0,32,20,2)", "", false,
         [](CSprite& s, const CSprite&) { EXPECT_TRUE(s.Blur(0, 0, 32, 20, 2, 0, 255)); }},
        {"BlurA with a range", "BlurA(0,0,32,20,4,1,200)", "", false,
         [](CSprite& s, const CSprite&) { EXPECT_TRUE(s.BlurA(0, 0, 32, 20, 4, 1, 200)); }},
        {"BlurC at the largest radius", "BlurC(3,3,20,10,45,0,255)", "", false,
         [](CSprite& s, const CSprite&) { EXPECT_TRUE(s.BlurC(3, 3, 20, 10, 45, 0, 255)); }},
        {"Blur radius 0 draws nothing", "Blur(0,0,32,20,0,0,255)", "", false, nullptr},
        {"Blur radius 46 draws nothing", "Blur(0,0,32,20,46,0,255)", "", false, nullptr},
        {"Blur, scaled object: rectangle scaled, radius not", "Blur(1,1,5,4,2,0,255)", "2,3,1,", false,
         [](CSprite& s, const CSprite&) { EXPECT_TRUE(s.Blur(2, 3, 10, 12, 2, 0, 255)); }},
        {"Mosaic", "Mosaic(1,1,30,17,3,4)", "", false,
         [](CSprite& s, const CSprite&) { s.Mosaic(1, 1, 30, 17, 3, 4); }},
        {"Mosaic, scaled object: cells not scaled", "Mosaic(1,1,10,8,3,2)", "2,2,1,", false,
         [](CSprite& s, const CSprite&) { s.Mosaic(2, 2, 20, 16, 3, 2); }},
        {"Mosaic, cell width 65536 is 0 as 16 bits", "Mosaic(1,1,30,17,65536,4)", "", false, nullptr},
        {"AntiMoire on the whole canvas", "AntiMoire(2,10,3)", "", false,
         [](CSprite& s, const CSprite&) { s.AntiMoire(2, 10, 3); }, Zigzag},
        {"AntiMoire window 100 acts as 63: canvas too narrow", "AntiMoire(100,10,3)", "", false, nullptr, Zigzag},
    };
    RunCases(cases, std::size(cases));
}

TEST(FilterRender, ColourSpaceKindsCallTheirKernels) {
    const KindCase cases[] = {
        {"RGB2ColorSpace HSL", "RGB2ColorSpace(2,2,15,10,1)", "", false,
         [](CSprite& s, const CSprite&) {
             CSprite copy;
             CopyCanvas(s, copy);
             s.RGB2ColorSpaceHSL(2, 2, copy, 2, 2, 15, 10);
         }},
        {"RGB2ColorSpace HSLY past the canvas edge", "RGB2ColorSpace(-3,10,40,30,2)", "", false,
         [](CSprite& s, const CSprite&) {
             CSprite copy;
             CopyCanvas(s, copy);
             s.RGB2ColorSpaceHSLY(0, 10, copy, 0, 10, 32, 10);
         }},
        {"ColorSpace2RGB HSV", "ColorSpace2RGB(0,0,32,20,0)", "", false,
         [](CSprite& s, const CSprite&) {
             CSprite copy;
             CopyCanvas(s, copy);
             s.ColorSpace2RGBHSV(0, 0, copy, 0, 0, 32, 20);
         }},
        {"RGB2ColorSpace model 3 converts nothing", "RGB2ColorSpace(0,0,32,20,3)", "", false, nullptr},
        {"AddForColorSpace", "AddForColorSpace(1,1,20,15,10,-20,30)", "", false,
         [](CSprite& s, const CSprite&) { s.AddForColorSpace(1, 1, 20, 15, 10, -20, 30); }},
        {"AddForColorSpaceRange: bounds in text order", "AddForColorSpaceRange(0,0,32,20,7,9,-11,-10,100,20,200,0,180)",
         "", false,
         [](CSprite& s, const CSprite&) {
             s.AddForColorSpaceRange(0, 0, 32, 20, 7, 9, -11, -10, 100, 20, 200, 0, 180);
         }},
        {"AddForColorSpace2: source position as written", "AddForColorSpace2(1,1,20,15,\"Src\",2,3,15)", "2,2,1,",
         false, [](CSprite& s, const CSprite& src) { s.AddForColorSpace2(2, 2, src, 2, 3, 40, 30, 15); }},
        {"SubForColorSpace2", "SubForColorSpace2(0,2,30,15,\"Src\",1,0,6)", "", false,
         [](CSprite& s, const CSprite& src) { s.SubForColorSpace2(0, 2, src, 1, 0, 30, 15, 6); }},
    };
    RunCases(cases, std::size(cases));
}

// The raster scrolls: fast on the canvas; otherwise on a copy enlarged s
// times (s = 4 up to 4194304 pixels), reduced and copied back. The confined
// forms copy the rectangle alone into a cleared scratch (Create clears it).
void ScrollConfined(CSprite& canvas, int32_t x, int32_t y, int32_t w, int32_t h, int32_t s,
                    const std::function<void(CSprite&, int32_t)>& scroll) {
    CSprite scratch;
    ASSERT_TRUE(scratch.Create(w * s, h * s, false));
    scratch.DrawCopyStretched(0, 0, w * s, h * s, canvas, x, y, w, h);
    scroll(scratch, s);
    if (s == 4) scratch.Downsample4x4(0, 0, w * s, h * s);
    else scratch.Downsample2x2(0, 0, w * s, h * s);
    canvas.DrawCopy(x, y, scratch, 0, 0, w, h);
}

void ScrollWhole(CSprite& canvas, int32_t s, const std::function<void(CSprite&, int32_t)>& scroll,
                 int32_t x, int32_t y, int32_t w, int32_t h) {
    const int32_t cw = canvas.GetWidth(), ch = canvas.GetHeight();
    CSprite scratch;
    ASSERT_TRUE(scratch.Create(cw * s, ch * s, false));
    scratch.DrawCopyStretched(0, 0, cw * s, ch * s, canvas, 0, 0, cw, ch);
    scroll(scratch, s);
    if (s == 4) scratch.Downsample4x4(0, 0, cw * s, ch * s);
    else scratch.Downsample2x2(0, 0, cw * s, ch * s);
    canvas.DrawCopy(x, y, scratch, x, y, w, h);
}

TEST(FilterRender, RasterScrollsSupersampleUnlessFast) {
    const KindCase cases[] = {
        {"RasterScroll fast", "RasterScroll(1,1,28,17,0.25,3,7,0.5,2,5,1)", "", true,
         [](CSprite& s, const CSprite&) { s.RasterScroll(1, 1, 28, 17, 0.25, 3, 7, 0.5, 2, 5, 1); }},
        {"RasterScroll fast, unconfined, scaled object", "RasterScroll(1,1,14,8,0.25,3,7,0.5,2,5,0)", "2,2,1,", true,
         [](CSprite& s, const CSprite&) { s.RasterScroll(2, 2, 28, 16, 0.25, 3, 7, 0.5, 2, 5, 0); }},
        {"RasterScroll confined, 4x", "RasterScroll(2,1,26,17,0.25,3,7,0.5,2,5,1)", "", false,
         [](CSprite& s, const CSprite&) {
             ScrollConfined(s, 2, 1, 26, 17, 4, [](CSprite& t, int32_t k) {
                 t.RasterScroll(0, 0, 26 * k, 17 * k, 0.25, 3 * k, 7 * k, 0.5, 2 * k, 5 * k, 1);
             });
         }},
        {"RasterScroll unconfined, 4x over the whole canvas", "RasterScroll(3,2,20,12,0.1,4,9,0.7,3,6,0)", "", false,
         [](CSprite& s, const CSprite&) {
             ScrollWhole(
                 s, 4,
                 [](CSprite& t, int32_t k) {
                     t.RasterScroll(3 * k, 2 * k, 20 * k, 12 * k, 0.1, 4 * k, 9 * k, 0.7, 3 * k, 6 * k, 0);
                 },
                 3, 2, 20, 12);
         }},
        {"RasterScroll2 fast", "RasterScroll2(0,0,32,20,0.1,8,0.3,6,4353)", "", true,
         [](CSprite& s, const CSprite&) { s.RasterScroll2(0, 0, 32, 20, 0.1, 8, 0.3, 6, 4353); }},
        {"RasterScroll2 4x", "RasterScroll2(1,1,30,18,0.1,8,0.3,6,4353)", "", false,
         [](CSprite& s, const CSprite&) {
             ScrollConfined(s, 1, 1, 30, 18, 4, [](CSprite& t, int32_t k) {
                 t.RasterScroll2(0, 0, 30 * k, 18 * k, 0.1, 8 * k, 0.3, 6 * k, 4353);
             });
         }},
        {"RasterScroll2 period 1500: 2x", "RasterScroll2(1,1,30,18,0.1,1500,0.3,6,17)", "", false,
         [](CSprite& s, const CSprite&) {
             ScrollConfined(s, 1, 1, 30, 18, 2, [](CSprite& t, int32_t k) {
                 t.RasterScroll2(0, 0, 30 * k, 18 * k, 0.1, 1500 * k, 0.3, 6 * k, 17);
             });
         }},
        {"RasterScroll2 period 3000: direct", "RasterScroll2(1,1,30,18,0.1,3000,0.3,6,17)", "", false,
         [](CSprite& s, const CSprite&) { s.RasterScroll2(1, 1, 30, 18, 0.1, 3000, 0.3, 6, 17); }},
    };
    RunCases(cases, std::size(cases));
}

// A canvas 4100 x 70 has few pixels, so the unconfined scroll asks for 4x;
// 16400 x 280 is beyond the sprite limits, and the scale steps down to 2x
// instead of failing.
TEST(FilterRender, RasterScrollStepsDownToAFittingScale) {
    const KindCase cases[] = {
        {"RasterScroll unconfined on a long strip", "RasterScroll(10,5,200,40,0.2,3,11,0.4,2,7,0)", "", false,
         [](CSprite& s, const CSprite&) {
             ScrollWhole(
                 s, 2,
                 [](CSprite& t, int32_t k) {
                     t.RasterScroll(10 * k, 5 * k, 200 * k, 40 * k, 0.2, 3 * k, 11 * k, 0.4, 2 * k, 7 * k, 0);
                 },
                 10, 5, 200, 40);
         },
         RandomPixels(4), 4100, 70},
        {"RasterScroll confined on a long rectangle", "RasterScroll(0,0,4100,70,0.2,3,11,0.4,2,7,1)", "", false,
         [](CSprite& s, const CSprite&) {
             ScrollConfined(s, 0, 0, 4100, 70, 2, [](CSprite& t, int32_t k) {
                 t.RasterScroll(0, 0, 4100 * k, 70 * k, 0.2, 3 * k, 11 * k, 0.4, 2 * k, 7 * k, 1);
             });
         },
         RandomPixels(5), 4100, 70},
    };
    RunCases(cases, std::size(cases));
}

class FilterRenderFailures : public rendertest::RenderTest {};

// The work sprite of a blur or the distance grid that cannot be had fails
// the factor with the out-of-memory message (16380 + 91 wide and 300 + 91
// high, or 16383 + 2 wide and 302 high, are beyond the limits). An empty
// conversion rectangle fails without a message.
TEST_F(FilterRenderFailures, MemoryAndEmptyRectangles) {
    struct Case {
        const char* name;
        std::string recipe;
        bool ok;
        bool memoryMessage;
    };
    const Case cases[] = {
        {"Blur needs a padded copy too large", rendertest::Recipe(16380, 300, "Blur(0,0,16380,300,45,0,255)"), false,
         true},
        {"BlurC on a part that fits", rendertest::Recipe(16380, 300, "BlurC(0,0,100,300,45,0,255)"), true, false},
        {"DistAlpha grid too large", rendertest::Recipe(16383, 300, "DistAlpha(0,0,16383,300,0.0,2.0,0,255)"),
         false, true},
        {"RGB2ColorSpace with width 0", rendertest::Recipe(10, 10, "RGB2ColorSpace(0,0,0,5,0)"), false, false},
        {"ColorSpace2RGB with height -1", rendertest::Recipe(10, 10, "ColorSpace2RGB(0,0,5,-1,0)"), false, false},
        {"RGB2ColorSpace outside the canvas", rendertest::Recipe(10, 10, "RGB2ColorSpace(20,0,5,5,0)"), true, false},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string name = "A" + std::to_string(index++);
        Add(name.c_str(), c.recipe);
        EXPECT_EQ(Render(name.c_str()), c.ok) << c.name;
        EXPECT_EQ(rendertest::CountOf(text, rendertest::kNoMemoryToDraw), c.memoryMessage ? 1u : 0u)
            << c.name << ": " << text;
    }
}

// Without the raster library nothing is drawn and every kind counts as drawn.
TEST_F(FilterRenderFailures, LibraryNotReady) {
    const char* factors[] = {"DistAlpha(0,0,8,8,0.0,2.0,0,255)", "Mirror(0,0,8,8,19)", "Blur(0,0,8,8,2,0,255)",
                             "RasterScroll(0,0,8,8,0.1,2,5,0.2,2,5,0)", "RasterScroll2(0,0,8,8,0.1,4,0.3,4,17)",
                             "Mosaic(0,0,8,8,2,2)", "AntiMoire(2,0,0)", "RGB2ColorSpace(0,0,8,8,0)",
                             "AddForColorSpace(0,0,8,8,1,1,1)"};
    for (const char* factor : factors) {
        QDXFactor parsed;
        ASSERT_TRUE(parsed.ParseText(factor)) << factor;
        CSprite canvas;
        ASSERT_TRUE(canvas.Create(8, 8, true));
        RenderContext context;
        FactorCall call;
        call.Context = &context;
        call.Canvas = &canvas;
        CStr_base<64> error;
        call.ErrorText = &error;
        raster_test::ResetRasterLibrary();
        const bool drawn = RenderFactor(parsed, call);
        ASSERT_TRUE(InitRasterLibrary(1));
        EXPECT_TRUE(drawn) << factor;
        EXPECT_STREQ(error.GetText(), "") << factor;
        EXPECT_EQ(rendertest::PixelsOf(canvas), std::vector<uint32_t>(64, 0xFFFFFFFFu)) << factor;
    }
}

}  // namespace filter_render_test
