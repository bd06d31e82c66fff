// The blend-mode kinds (1201-1269) and the colour-space arithmetic with a
// second sprite (5005, 5006), drawn with RenderFactor onto a canvas, equal
// their kernel called directly on a copy of that canvas: every kind under
// every method value, including the values that select no kernel (nothing
// drawn, success) and the single-method kinds that ignore the value; Xor and
// XorC draw without the opacity their text carries. While the raster library
// is not ready these kinds draw nothing and succeed, while the replacement
// maps, whose scratch canvas cannot then be sized, fail with the
// out-of-memory message. The one-pixel path of the colour-only replace kinds
// passes the source colour with its alpha cleared.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "document/renderer/RenderContext.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/document/renderer/RenderTestSupport.h"

namespace blend_mode_render_test {

using rendertest::CopyCanvas;
using rendertest::PixelsOf;

constexpr int32_t kCanvasW = 20, kCanvasH = 14;
constexpr int32_t kSourceW = 11, kSourceH = 9;

using Kernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, uint8_t);
using PlainKernel = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);

// Pixels of every kind of alpha (transparent, opaque, partial) and colour.
uint32_t MixedPixel(std::mt19937& rng) {
    const uint32_t colour = static_cast<uint32_t>(rng()) & 0xFFFFFFu;
    switch (rng() % 4) {
    case 0: return colour;
    case 1: return 0xFF000000u | colour;
    default: return static_cast<uint32_t>(rng());
    }
}

void FillMixed(CSprite& sprite, int32_t w, int32_t h, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) *sprite.PixelAt(x, y) = MixedPixel(rng);
}

// A document with the source object "Src" (mixed pixels, ready) and "Dst",
// whose list the factor is drawn for; the canvas is a separate sprite of
// mixed pixels.
class BlendDocument {
public:
    BlendDocument() {
        EXPECT_TRUE(doc.AddObjectFromText("Src", "Render(11,9,0,array(Fill(0,0,1,1,0,0)))"));
        EXPECT_TRUE(doc.AddObjectFromText("Dst", "Render(20,14,0,array(Fill(0,0,1,1,0,0)))"));
        QDXObject& src = Source();
        EXPECT_TRUE(src.CreateSurface(kSourceW, kSourceH));
        FillMixed(src.Canvas, kSourceW, kSourceH, 7);
        src.RenderState = QDXObject::kImageReady;
        EXPECT_TRUE(canvas.Create(kCanvasW, kCanvasH, false));
        FillMixed(canvas, kCanvasW, kCanvasH, 11);
    }
    QDXObject& Source() { return doc.Objects.Find("Src")->GetValue(); }

    // Draws the factor written as text onto the canvas.
    bool Draw(const std::string& text, CStr_base<64>* error, double scaleX = 1.0, double scaleY = 1.0) {
        QDXFactor factor;
        EXPECT_TRUE(factor.ParseText(text.c_str())) << text;
        RenderContext context;
        FactorCall call;
        call.Context = &context;
        call.Canvas = &canvas;
        call.Document = &doc;
        call.Object = &doc.Objects.Find("Dst")->GetValue();
        call.ErrorText = error;
        call.ScaleX = scaleX;
        call.ScaleY = scaleY;
        return RenderFactor(factor, call);
    }

    CQDXCtrl doc;
    CSprite canvas;
};

// One blend-mode kind: the kernel of each method (null: none). A single-method
// kind lists its kernel once and answers every method with it; Xor lists its
// kernel without opacity.
struct BlendKind {
    uint32_t kind;
    const char* keyword;
    Kernel methods[3];
    bool everyMethod = false;
    PlainKernel withoutOpacity = nullptr;
};

using S = CSprite;
// clang-format off
const BlendKind kBlendKinds[] = {
    {1201, "Mul", {&S::BlendMulImmediateOpacity, &S::BlendMulAlphaOpacity, &S::BlendMulMergeOpacity}},
    {1202, "Add", {&S::BlendAddImmediateOpacity, &S::BlendAddAlphaOpacity, &S::BlendAddMergeOpacity}},
    {1203, "Sub", {&S::BlendSubImmediateOpacity, &S::BlendSubAlphaOpacity, &S::BlendSubMergeOpacity}},
    {1204, "Screen", {&S::BlendScreenAlphaOpacity, &S::BlendScreenMergeOpacity, nullptr}},
    {1205, "Overlay", {&S::BlendOverlayAlphaOpacity, &S::BlendOverlayMergeOpacity, nullptr}},
    {1206, "HardLight", {&S::BlendHardLightAlphaOpacity, &S::BlendHardLightMergeOpacity, nullptr}},
    {1207, "ColorBurn", {&S::BlendColorBurnAlphaOpacity, &S::BlendColorBurnMergeOpacity, nullptr}},
    {1208, "ColorDodge", {&S::BlendColorDodgeAlphaOpacity, &S::BlendColorDodgeMergeOpacity, nullptr}},
    {1209, "Exclusion", {&S::BlendExclusionAlphaOpacity, &S::BlendExclusionMergeOpacity, nullptr}},
    {1210, "Difference", {&S::BlendDifferenceAlphaOpacity, &S::BlendDifferenceMergeOpacity, nullptr}},
    {1211, "Lighten", {&S::BlendLightenAlphaOpacity, &S::BlendLightenMergeOpacity, nullptr}},
    {1212, "Darken", {&S::BlendDarkenAlphaOpacity, &S::BlendDarkenMergeOpacity, nullptr}},
    {1213, "Xor", {}, false, &S::BlendXor},
    {1214, "Div", {&S::BlendDivImmediateOpacity, &S::BlendDivAlphaOpacity, &S::BlendDivMergeOpacity}},
    {1215, "RevMul", {&S::BlendRevMulOpacity, nullptr, nullptr}, true},
    {1216, "SoftLight", {&S::BlendSoftLightAlphaOpacity, &S::BlendSoftLightMergeOpacity, nullptr}},
    {1217, "VividLight", {&S::BlendVividLightAlphaOpacity, &S::BlendVividLightMergeOpacity, nullptr}},
    {1218, "LinearLight", {&S::BlendLinearLightAlphaOpacity, &S::BlendLinearLightMergeOpacity, nullptr}},
    {1219, "LinearBurn", {&S::BlendLinearBurnAlphaOpacity, &S::BlendLinearBurnMergeOpacity, nullptr}},
    {1251, "MulC", {&S::BlendMulCImmediateOpacity, &S::BlendMulCAlphaOpacity, &S::BlendMulCMergeOpacity}},
    {1252, "AddC", {&S::BlendAddCImmediateOpacity, &S::BlendAddCAlphaOpacity, &S::BlendAddCMergeOpacity}},
    {1253, "SubC", {&S::BlendSubCImmediateOpacity, &S::BlendSubCAlphaOpacity, &S::BlendSubCMergeOpacity}},
    {1254, "ScreenC", {&S::BlendScreenCAlphaOpacity, &S::BlendScreenCMergeOpacity, nullptr}},
    {1255, "OverlayC", {&S::BlendOverlayCAlphaOpacity, &S::BlendOverlayCMergeOpacity, nullptr}},
    {1256, "HardLightC", {&S::BlendHardLightCAlphaOpacity, &S::BlendHardLightCMergeOpacity, nullptr}},
    {1257, "ColorBurnC", {&S::BlendColorBurnCAlphaOpacity, &S::BlendColorBurnCMergeOpacity, nullptr}},
    {1258, "ColorDodgeC", {&S::BlendColorDodgeCAlphaOpacity, &S::BlendColorDodgeCMergeOpacity, nullptr}},
    {1259, "ExclusionC", {&S::BlendExclusionCAlphaOpacity, &S::BlendExclusionCMergeOpacity, nullptr}},
    {1260, "DifferenceC", {&S::BlendDifferenceCAlphaOpacity, &S::BlendDifferenceCMergeOpacity, nullptr}},
    {1261, "LightenC", {&S::BlendLightenCAlphaOpacity, &S::BlendLightenCMergeOpacity, nullptr}},
    {1262, "DarkenC", {&S::BlendDarkenCAlphaOpacity, &S::BlendDarkenCMergeOpacity, nullptr}},
    {1263, "XorC", {}, false, &S::BlendXorC},
    {1264, "DivC", {&S::BlendDivCImmediateOpacity, &S::BlendDivCAlphaOpacity, &S::BlendDivCMergeOpacity}},
    {1265, "RevMulC", {&S::BlendRevMulCOpacity, nullptr, nullptr}, true},
    {1266, "SoftLightC", {&S::BlendSoftLightCAlphaOpacity, &S::BlendSoftLightCMergeOpacity, nullptr}},
    {1267, "VividLightC", {&S::BlendVividLightCAlphaOpacity, &S::BlendVividLightCMergeOpacity, nullptr}},
    {1268, "LinearLightC", {&S::BlendLinearLightCAlphaOpacity, &S::BlendLinearLightCMergeOpacity, nullptr}},
    {1269, "LinearBurnC", {&S::BlendLinearBurnCAlphaOpacity, &S::BlendLinearBurnCMergeOpacity, nullptr}},
};
// clang-format on

// The method values tried: the three methods, the first value past them, and
// a negative one (stored as its 32-bit pattern).
const std::pair<const char*, uint32_t> kMethods[] = {{"0", 0}, {"1", 1}, {"2", 2}, {"3", 3}, {"-1", 0xFFFFFFFFu}};

// The factor's rectangle (1, 2, 15 x 10) reaches past the canvas's right edge;
// the source from (2, 1) past the source's bottom.
std::string BlendText(const BlendKind& k, const char* method, int opacity) {
    return std::string(k.keyword) + "(1,2,15,10," + method + ",\"Src\",2,1," + std::to_string(opacity) + ")";
}

// The canvas after the kind's kernel for this method value (unchanged when
// the value selects none).
std::vector<uint32_t> Expected(const BlendKind& k, uint32_t method, uint8_t opacity, const CSprite& canvas,
                               const CSprite& src, int32_t x = 1, int32_t y = 2, int32_t w = 15, int32_t h = 10) {
    CSprite expected;
    CopyCanvas(canvas, expected);
    if (k.withoutOpacity != nullptr) {
        (expected.*k.withoutOpacity)(x, y, src, 2, 1, w, h);
    } else {
        const Kernel kernel = k.everyMethod ? k.methods[0] : (method < 3 ? k.methods[method] : nullptr);
        if (kernel != nullptr) (expected.*kernel)(x, y, src, 2, 1, w, h, opacity);
    }
    return PixelsOf(expected);
}

class BlendModeRenderTest : public rendertest::RenderTest {};

TEST_F(BlendModeRenderTest, EveryKindAndMethodEqualsItsKernel) {
    for (const BlendKind& k : kBlendKinds) {
        std::vector<std::vector<uint32_t>> drawn;  // the distinct results of the kind's kernels
        for (const auto& [methodText, method] : kMethods) {
            const std::string text = BlendText(k, methodText, 200);
            SCOPED_TRACE(text);
            BlendDocument d;
            const std::vector<uint32_t> before = PixelsOf(d.canvas);
            const std::vector<uint32_t> expected = Expected(k, method, 200, d.canvas, d.Source().Canvas);
            CStr_base<64> error;
            EXPECT_TRUE(d.Draw(text, &error));
            EXPECT_STREQ(error.GetText(), "");
            EXPECT_EQ(PixelsOf(d.canvas), expected);
            if (expected != before && (method < 3 || k.withoutOpacity != nullptr || k.everyMethod))
                drawn.push_back(expected);
        }
        // The fixture tells the kernels apart: every method with a kernel
        // changes the canvas, and differently from the kind's other methods.
        const size_t methods = k.withoutOpacity != nullptr || k.everyMethod ? 1 : (k.methods[2] != nullptr ? 3 : 2);
        if (methods == 1) {
            EXPECT_EQ(drawn.size(), 5u) << k.keyword << ": every method value draws";
        } else {
            ASSERT_EQ(drawn.size(), methods) << k.keyword;
            for (size_t i = 0; i < methods; ++i)
                for (size_t j = i + 1; j < methods; ++j) EXPECT_NE(drawn[i], drawn[j]) << k.keyword;
        }
    }
}

// Xor's text carries an opacity that it does not use: 0 still draws, and
// every opacity draws the same. The others take theirs: 0 draws nothing.
TEST_F(BlendModeRenderTest, XorDrawsWithoutItsOpacity) {
    for (const BlendKind& k : kBlendKinds) {
        for (const int opacity : {0, 77, 255}) {
            const std::string text = BlendText(k, "1", opacity);
            SCOPED_TRACE(text);
            BlendDocument d;
            const std::vector<uint32_t> before = PixelsOf(d.canvas);
            const std::vector<uint32_t> expected =
                Expected(k, 1, static_cast<uint8_t>(opacity), d.canvas, d.Source().Canvas);
            CStr_base<64> error;
            EXPECT_TRUE(d.Draw(text, &error));
            EXPECT_EQ(PixelsOf(d.canvas), expected);
            if (k.withoutOpacity != nullptr) {
                EXPECT_NE(PixelsOf(d.canvas), before);
            } else if (opacity == 0) {
                EXPECT_EQ(PixelsOf(d.canvas), before);
            }
        }
    }
}

// In a scaled object the rectangle is scaled, the source position is not.
TEST_F(BlendModeRenderTest, ScaledObjectScalesTheRectangleOnly) {
    for (const BlendKind& k : {kBlendKinds[1], kBlendKinds[12], kBlendKinds[25]}) {
        const std::string text = std::string(k.keyword) + "(1,4,7,20,1,\"Src\",2,1,180)";
        SCOPED_TRACE(text);
        BlendDocument d;
        const std::vector<uint32_t> expected = Expected(k, 1, 180, d.canvas, d.Source().Canvas, 2, 2, 14, 10);
        CStr_base<64> error;
        EXPECT_TRUE(d.Draw(text, &error, 2.0, 0.5));
        EXPECT_EQ(PixelsOf(d.canvas), expected);
    }
}

// AddForColorSpace2 and SubForColorSpace2 pass the option value whole; the
// kernel combines the bytes its low four bits enable.
TEST_F(BlendModeRenderTest, ColourSpaceArithmeticEqualsItsKernel) {
    struct Case {
        std::string text;
        void (CSprite::*kernel)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, int32_t);
        int32_t flags;
    };
    const Case cases[] = {
        {"AddForColorSpace2(1,2,15,10,\"Src\",2,1,15)", &S::AddForColorSpace2, 15},
        {"AddForColorSpace2(-2,0,30,30,\"Src\",0,0,5)", &S::AddForColorSpace2, 5},
        {"SubForColorSpace2(1,2,15,10,\"Src\",2,1,10)", &S::SubForColorSpace2, 10},
        {"SubForColorSpace2(0,0,20,14,\"Src\",1,3,-1)", &S::SubForColorSpace2, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BlendDocument d;
        QDXFactor parsed;
        ASSERT_TRUE(parsed.ParseText(c.text.c_str()));
        CSprite expected;
        CopyCanvas(d.canvas, expected);
        (expected.*c.kernel)(parsed.X1, parsed.Y1, d.Source().Canvas, parsed.X3, parsed.Y3, parsed.X2, parsed.Y2,
                             c.flags);
        ASSERT_NE(PixelsOf(expected), PixelsOf(d.canvas)) << "the case draws nothing";
        CStr_base<64> error;
        EXPECT_TRUE(d.Draw(c.text, &error));
        EXPECT_STREQ(error.GetText(), "");
        EXPECT_EQ(PixelsOf(d.canvas), PixelsOf(expected));
    }
}

// While the raster library is not ready: nothing drawn, success, for every
// kind here; the replacement maps cannot size their scratch canvas and fail
// with the out-of-memory message (also without a message sink), the canvas
// untouched.
TEST_F(BlendModeRenderTest, NotReady) {
    std::vector<std::string> succeed;
    for (const BlendKind& k : kBlendKinds) succeed.push_back(BlendText(k, "1", 200));
    succeed.push_back("AddForColorSpace2(1,2,15,10,\"Src\",2,1,15)");
    succeed.push_back("SubForColorSpace2(1,2,15,10,\"Src\",2,1,15)");
    const char* const fail[] = {"ReplacementMap(0,0,20,14,\"Src\",0,0)", "ReplacementMapC(0,0,20,14,\"Src\",0,0)",
                                "ReplacementMapA(0,0,20,14,\"Src\",0,0)"};
    const auto drawNotReady = [](BlendDocument& d, const std::string& text, CStr_base<64>* error) {
        raster_test::ResetRasterLibrary();
        const bool drawn = d.Draw(text, error);
        rendertest::StartRaster();
        return drawn;
    };
    for (const std::string& text : succeed) {
        SCOPED_TRACE(text);
        BlendDocument d;
        const std::vector<uint32_t> before = PixelsOf(d.canvas);
        CStr_base<64> error;
        EXPECT_TRUE(drawNotReady(d, text, &error));
        EXPECT_STREQ(error.GetText(), "");
        EXPECT_EQ(PixelsOf(d.canvas), before);
    }
    for (const char* text : fail) {
        SCOPED_TRACE(text);
        BlendDocument d;
        const std::vector<uint32_t> before = PixelsOf(d.canvas);
        CStr_base<64> error;
        EXPECT_FALSE(drawNotReady(d, text, &error));
        EXPECT_EQ(std::string(error.GetText()), rendertest::kNoMemoryToDraw);
        EXPECT_EQ(PixelsOf(d.canvas), before);
        EXPECT_FALSE(drawNotReady(d, text, nullptr));
        EXPECT_EQ(PixelsOf(d.canvas), before);
    }
}

// The colour-only replace kinds on the one-pixel path take the source pixel's
// colour with its alpha cleared; the result equals that call even for a
// source pixel of partial alpha.
TEST_F(BlendModeRenderTest, OnePixelColourReplaceTakesTheColourOnly) {
    struct Case {
        const char* text;
        void (*kernel)(CSprite& canvas, uint32_t rgb);
    };
    const Case cases[] = {
        {"ReplaceDrawFromAlpha(0,0,20,14,\"Src\",4,6,1,1,0,200)",
         [](CSprite& c, uint32_t rgb) { c.ReplaceColorFromAlpha(0, 0, 20, 14, 0, rgb, 200); }},
        {"ReplaceDrawFromColor(0,0,20,14,\"Src\",4,6,1,1,102030,128)",
         [](CSprite& c, uint32_t rgb) { c.ReplaceColorOpacity(0, 0, 20, 14, 0x102030u, rgb, 128); }},
        {"ReplaceDrawFromData(0,0,20,14,\"Src\",4,6,1,1,102030,255)",
         [](CSprite& c, uint32_t rgb) { c.ReplaceColorFromData(0, 0, 20, 14, 0x102030u, rgb, 255); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        BlendDocument d;
        // Keys that match: alpha 0 (key alpha 0) and colour 0x102030 at alpha 0.
        for (int32_t x = 0; x < kCanvasW; x += 2) *d.canvas.PixelAt(x, 3) = 0x00102030u;
        *d.Source().Canvas.PixelAt(4, 6) = 0x80C0D0E0u;
        CSprite expected;
        CopyCanvas(d.canvas, expected);
        c.kernel(expected, d.Source().Canvas.GetPixelRGB(4, 6));
        ASSERT_NE(PixelsOf(expected), PixelsOf(d.canvas)) << "the case draws nothing";
        CStr_base<64> error;
        EXPECT_TRUE(d.Draw(c.text, &error));
        EXPECT_EQ(PixelsOf(d.canvas), PixelsOf(expected));
    }
}

}  // namespace blend_mode_render_test
