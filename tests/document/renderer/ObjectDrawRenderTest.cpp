// The same-size object draws: plain, tone, colour-model, masked-fill, channel
// and alpha-only kinds, each drawn through a document and compared, pixel for
// pixel, with its kernel called directly on a copy of the canvas.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "document/renderer/RenderContext.h"
#include "document/renderer/SourceDraw.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/document/renderer/RenderTestSupport.h"

namespace {

using KernelCall = std::function<void(CSprite& canvas, const CSprite& source)>;

constexpr int32_t kSourceW = 32, kSourceH = 12;  // two 16 x 4 block groups across, three down
constexpr int32_t kCanvasW = 20, kCanvasH = 14;
constexpr uint32_t kKey = 0xFF00FF00u;  // the mask key of the MaskFill rows

// Source pixels. Left half, by 4-row group: four opaque blocks, four clear
// blocks, then opaque, clear, mixed and opaque blocks, so that the block-mask
// kernels meet every kind of group. Right half: mixed alpha with the mask key
// and its RGB under another alpha scattered through it.
uint32_t SourcePixel(int32_t x, int32_t y, std::mt19937& rng) {
    const uint32_t colour = rng() & 0x00FFFFFFu;
    uint32_t alpha = rng() & 0xFF;
    if ((rng() & 3) == 0) alpha = (rng() & 1) ? 255 : 0;
    if (x < 16) {
        static constexpr uint32_t kBlockAlpha[3][4] = {
            {255, 255, 255, 255}, {0, 0, 0, 0}, {255, 0, 256, 255}};  // 256: mixed
        const uint32_t a = kBlockAlpha[y / 4][x / 4];
        return ((a == 256 ? alpha : a) << 24) | colour;
    }
    if ((x + 2 * y) % 7 == 0) return kKey;
    if ((x + 2 * y) % 7 == 3) return 0x8000FF00u;
    return (alpha << 24) | colour;
}

// After BuildOpacityMask these pixels disagree with their blocks' codes: the
// block-mask kernels copy the pixels of opaque blocks whole and skip clear
// blocks, the opacity kernels composite every pixel, so the result shows
// which kernel ran.
void MakeMaskDisagree(CSprite& source) {
    *source.PixelAt(1, 1) = 0x40A0B0C0u;    // group of four opaque blocks
    *source.PixelAt(5, 5) = 0xFF123456u;    // group of four clear blocks
    *source.PixelAt(13, 9) = 0x20102030u;   // opaque block of a mixed group
    *source.PixelAt(5, 10) = 0x80ABCDEFu;   // clear block of a mixed group
}

using rendertest::CopyCanvas;
using rendertest::PixelsOf;

struct SourceForm {
    bool blockMask;  // BuildOpacityMask, then MakeMaskDisagree
};

// A document with "Src" (the source), "Bg" (varied canvas pixels), "Base"
// (Bg copied) and "Dst" (Bg copied, then the factor under test).
class DrawDocument {
public:
    DrawDocument(const std::string& factor, const std::string& scales, SourceForm form) {
        EXPECT_TRUE(doc.AddObjectFromText("Src", "Render(32,12,0,array(Copy(0,0,1,1,\"Bg\",0,0)))"));
        EXPECT_TRUE(doc.AddObjectFromText("Bg", "Render(20,14,0,array(Copy(0,0,1,1,\"Src\",0,0)))"));
        const std::string head = "Render(20,14,0," + scales + "array(Copy(0,0,20,14,\"Bg\",0,0)";
        EXPECT_TRUE(doc.AddObjectFromText("Base", (head + "))").c_str()));
        EXPECT_TRUE(doc.AddObjectFromText("Dst", (head + "," + factor + "))").c_str())) << factor;

        std::mt19937 rng(7);
        QDXObject& src = Object("Src");
        EXPECT_TRUE(src.CreateSurface(kSourceW, kSourceH));
        for (int32_t y = 0; y < kSourceH; ++y)
            for (int32_t x = 0; x < kSourceW; ++x) *src.Canvas.PixelAt(x, y) = SourcePixel(x, y, rng);
        if (form.blockMask) {
            src.Canvas.BuildOpacityMask();
            MakeMaskDisagree(src.Canvas);
        }
        src.RenderState = QDXObject::kImageReady;

        QDXObject& bg = Object("Bg");
        EXPECT_TRUE(bg.CreateSurface(kCanvasW, kCanvasH));
        for (int32_t y = 0; y < kCanvasH; ++y)
            for (int32_t x = 0; x < kCanvasW; ++x) {
                uint32_t alpha = rng() & 0xFF;
                if ((rng() & 3) == 0) alpha = (rng() & 1) ? 255 : 0;
                *bg.Canvas.PixelAt(x, y) = (alpha << 24) | (rng() & 0x00FFFFFFu);
            }
        bg.RenderState = QDXObject::kImageReady;
    }

    QDXObject& Object(const char* name) { return doc.Objects.Find(name)->GetValue(); }

    CQDXCtrl doc;
};

struct DrawCase {
    const char* name;
    std::string factor;  // the factor text, drawn over Bg in "Dst"
    KernelCall expected;  // the kernel call it must equal
    bool blockMask = false;
    std::string scales = "";  // "sx,sy,st," for a scaled object
};

// Geometry shared by most rows: destination (2, 1), 10 x 8, source corner
// (12, 1), across uniform and mixed source blocks.
#define G "2,1,10,8,\"Src\",12,1"
// The block-mask rows: a rectangle holding whole 16 x 4 source groups.
#define GM "1,1,18,12,\"Src\",0,0"

std::vector<DrawCase> DrawCases() {
    using S = CSprite;
    return {
        // ---- plain draws ----
        {"Copy", "Copy(" G ")", [](S& d, const S& s) { d.DrawCopy(2, 1, s, 12, 1, 10, 8); }},
        {"Copy at the canvas edges, source corner outside the source", "Copy(-3,5,30,30,\"Src\",-2,3)",
         [](S& d, const S& s) { d.DrawCopy(-3, 5, s, -2, 3, 30, 30); }},
        {"Alpha 255 without block mask", "Alpha(" G ",255)",
         [](S& d, const S& s) { d.DrawAlphaOpacity(2, 1, s, 12, 1, 10, 8, 255); }},
        {"Alpha 255 with block mask takes the masked kernel", "Alpha(" GM ",255)",
         [](S& d, const S& s) { d.DrawAlphaMasked(1, 1, s, 0, 0, 18, 12); }, true},
        {"Alpha 255 over whole groups without block mask", "Alpha(" GM ",255)",
         [](S& d, const S& s) { d.DrawAlphaOpacity(1, 1, s, 0, 0, 18, 12, 255); }},
        {"Alpha 254 with block mask takes the opacity kernel", "Alpha(" GM ",254)",
         [](S& d, const S& s) { d.DrawAlphaOpacity(1, 1, s, 0, 0, 18, 12, 254); }, true},
        {"Alpha 0 draws nothing", "Alpha(" G ",0)", [](S&, const S&) {}},
        {"Alpha at the right and bottom edges", "Alpha(9,6,12,12,\"Src\",0,0,128)",
         [](S& d, const S& s) { d.DrawAlphaOpacity(9, 6, s, 0, 0, 12, 12, 128); }},
        {"Alpha in a scaled object: x, y, w, h scaled, source corner not", "Alpha(3,4,5,6,\"Src\",1,2,200)",
         [](S& d, const S& s) { d.DrawAlphaOpacity(6, 2, s, 1, 2, 10, 3, 200); }, false, "2,0.5,1,"},
        {"Blend 128", "Blend(" G ",128)", [](S& d, const S& s) { d.DrawBlend(2, 1, s, 12, 1, 10, 8, 128); }},
        {"Blend 255", "Blend(" G ",255)", [](S& d, const S& s) { d.DrawBlend(2, 1, s, 12, 1, 10, 8, 255); }},
        {"Layer 255 without block mask", "Layer(" G ",255)",
         [](S& d, const S& s) { d.DrawLayerOpacity(2, 1, s, 12, 1, 10, 8, 255); }},
        {"Layer 255 with block mask", "Layer(" GM ",255)",
         [](S& d, const S& s) { d.DrawLayerMasked(1, 1, s, 0, 0, 18, 12); }, true},
        {"Layer 77 with block mask", "Layer(" GM ",77)",
         [](S& d, const S& s) { d.DrawLayerOpacity(1, 1, s, 0, 0, 18, 12, 77); }, true},
        {"Back 160", "Back(" G ",160)", [](S& d, const S& s) { d.DrawBackOpacity(2, 1, s, 12, 1, 10, 8, 160); }},
        {"CopyC", "CopyC(" G ")", [](S& d, const S& s) { d.DrawCopyC(2, 1, s, 12, 1, 10, 8); }},
        {"AlphaC 255 with block mask", "AlphaC(" GM ",255)",
         [](S& d, const S& s) { d.DrawAlphaCMasked(1, 1, s, 0, 0, 18, 12); }, true},
        {"AlphaC 255 without block mask", "AlphaC(" G ",255)",
         [](S& d, const S& s) { d.DrawAlphaCOpacity(2, 1, s, 12, 1, 10, 8, 255); }},
        {"AlphaC 90", "AlphaC(" G ",90)", [](S& d, const S& s) { d.DrawAlphaCOpacity(2, 1, s, 12, 1, 10, 8, 90); }},
        {"BlendC 128", "BlendC(" G ",128)", [](S& d, const S& s) { d.DrawBlendC(2, 1, s, 12, 1, 10, 8, 128); }},
        {"LayerC 255 with block mask", "LayerC(" GM ",255)",
         [](S& d, const S& s) { d.DrawLayerCMasked(1, 1, s, 0, 0, 18, 12); }, true},
        {"LayerC 40 with block mask", "LayerC(" GM ",40)",
         [](S& d, const S& s) { d.DrawLayerCOpacity(1, 1, s, 0, 0, 18, 12, 40); }, true},
        {"BackC 255", "BackC(" G ",255)", [](S& d, const S& s) { d.DrawBackCOpacity(2, 1, s, 12, 1, 10, 8, 255); }},

        // ---- tone draws: x, y, w, h, source, sx, sy, red, green, blue, amount, colour[, opacity] ----
        {"CopyTone passes the amount as written", "CopyTone(" G ",200,100,30,180,40c08040)",
         [](S& d, const S& s) { d.DrawCopyTone(2, 1, s, 12, 1, 10, 8, 0x40C08040u, 200, 100, 30, 180); }},
        {"AlphaTone 128 x 256 / 255 = 128", "AlphaTone(" G ",200,100,30,256,ff8040,128)",
         [](S& d, const S& s) { d.DrawAlphaTone(2, 1, s, 12, 1, 10, 8, 0xFF8040u, 200, 100, 30, 128); }},
        {"AlphaTone 255 keeps an amount of 300", "AlphaTone(" G ",256,0,64,300,ff8040,255)",
         [](S& d, const S& s) { d.DrawAlphaTone(2, 1, s, 12, 1, 10, 8, 0xFF8040u, 256, 0, 64, 300); }},
        {"AlphaTone 1 x 200 / 255 truncates to 0", "AlphaTone(" G ",200,100,30,200,ff8040,1)",
         [](S& d, const S& s) { d.DrawAlphaTone(2, 1, s, 12, 1, 10, 8, 0xFF8040u, 200, 100, 30, 0); }},
        // 255 x 16843010 wraps to 254 in 32 bits, which would give strength 0.
        {"AlphaTone: a huge amount is not wrapped", "AlphaTone(" G ",200,100,30,16843010,ff8040,255)",
         [](S& d, const S& s) { d.DrawAlphaTone(2, 1, s, 12, 1, 10, 8, 0xFF8040u, 200, 100, 30, 16843010); }},
        {"AlphaTone: a negative amount keeps its sign", "AlphaTone(" G ",200,100,30,-300,ff8040,128)",
         [](S& d, const S& s) {
             d.DrawAlphaTone(2, 1, s, 12, 1, 10, 8, 0xFF8040u, 200, 100, 30, static_cast<uint32_t>(-150));
         }},
        {"BlendTone", "BlendTone(" G ",10,20,30,256,123456,200)",
         [](S& d, const S& s) { d.DrawBlendTone(2, 1, s, 12, 1, 10, 8, 0x123456u, 10, 20, 30, 200); }},
        {"LayerTone", "LayerTone(" G ",90,180,270,128,abcdef,255)",
         [](S& d, const S& s) { d.DrawLayerTone(2, 1, s, 12, 1, 10, 8, 0xABCDEFu, 90, 180, 270, 128); }},
        {"BackTone", "BackTone(" G ",64,64,64,256,ff0000,100)",
         [](S& d, const S& s) { d.DrawBackTone(2, 1, s, 12, 1, 10, 8, 0xFF0000u, 64, 64, 64, 100); }},
        {"CopyToneC draws with BlendToneC and the amount as written", "CopyToneC(" G ",40,80,120,160,00ff00)",
         [](S& d, const S& s) { d.DrawBlendToneC(2, 1, s, 12, 1, 10, 8, 0x00FF00u, 40, 80, 120, 160); }},
        {"AlphaToneC", "AlphaToneC(" G ",40,80,120,256,00ff00,128)",
         [](S& d, const S& s) { d.DrawAlphaToneC(2, 1, s, 12, 1, 10, 8, 0x00FF00u, 40, 80, 120, 128); }},
        {"BlendToneC weighs the amount by the opacity", "BlendToneC(" G ",40,80,120,160,00ff00,64)",
         [](S& d, const S& s) { d.DrawBlendToneC(2, 1, s, 12, 1, 10, 8, 0x00FF00u, 40, 80, 120, 40); }},
        {"LayerToneC", "LayerToneC(" G ",256,256,256,256,0000ff,255)",
         [](S& d, const S& s) { d.DrawLayerToneC(2, 1, s, 12, 1, 10, 8, 0x0000FFu, 256, 256, 256, 256); }},
        {"BackToneC", "BackToneC(" G ",1,2,3,255,808080,255)",
         [](S& d, const S& s) { d.DrawBackToneC(2, 1, s, 12, 1, 10, 8, 0x808080u, 1, 2, 3, 255); }},

        // ---- compositing inside a colour model: ..., model, [windows,] opacity ----
        {"ColorSpaceAlphaBlend HSV", "ColorSpaceAlphaBlend(" G ",0,200)",
         [](S& d, const S& s) { d.ColorSpaceAlphaBlendHSV(2, 1, s, 12, 1, 10, 8, 200); }},
        {"ColorSpaceAlphaBlend HSL", "ColorSpaceAlphaBlend(" G ",1,255)",
         [](S& d, const S& s) { d.ColorSpaceAlphaBlendHSL(2, 1, s, 12, 1, 10, 8, 255); }},
        {"ColorSpaceAlphaBlend HSLY", "ColorSpaceAlphaBlend(" G ",2,100)",
         [](S& d, const S& s) { d.ColorSpaceAlphaBlendHSLY(2, 1, s, 12, 1, 10, 8, 100); }},
        {"ColorSpaceRangeAlphaBlend HSV: windows low before high",
         "ColorSpaceRangeAlphaBlend(" G ",0,-60,200,40,256,30,220,180)",
         [](S& d, const S& s) {
             d.ColorSpaceRangeAlphaBlendHSV(2, 1, s, 12, 1, 10, 8, -60, 200, 40, 256, 30, 220, 180);
         }},
        {"ColorSpaceRangeAlphaBlend HSL", "ColorSpaceRangeAlphaBlend(" G ",1,20,300,0,200,60,256,255)",
         [](S& d, const S& s) {
             d.ColorSpaceRangeAlphaBlendHSL(2, 1, s, 12, 1, 10, 8, 20, 300, 0, 200, 60, 256, 255);
         }},
        {"ColorSpaceRangeAlphaBlend HSLY", "ColorSpaceRangeAlphaBlend(" G ",2,0,359,50,256,0,128,128)",
         [](S& d, const S& s) {
             d.ColorSpaceRangeAlphaBlendHSLY(2, 1, s, 12, 1, 10, 8, 0, 359, 50, 256, 0, 128, 128);
         }},
        {"ColorSpaceAlphaBlendC HSV", "ColorSpaceAlphaBlendC(" G ",0,255)",
         [](S& d, const S& s) { d.ColorSpaceAlphaBlendCHSV(2, 1, s, 12, 1, 10, 8, 255); }},
        {"ColorSpaceAlphaBlendC HSLY", "ColorSpaceAlphaBlendC(" G ",2,77)",
         [](S& d, const S& s) { d.ColorSpaceAlphaBlendCHSLY(2, 1, s, 12, 1, 10, 8, 77); }},
        {"ColorSpaceRangeAlphaBlendC HSL", "ColorSpaceRangeAlphaBlendC(" G ",1,-90,90,30,256,20,240,200)",
         [](S& d, const S& s) {
             d.ColorSpaceRangeAlphaBlendCHSL(2, 1, s, 12, 1, 10, 8, -90, 90, 30, 256, 20, 240, 200);
         }},
        {"Hue HSV", "Hue(2,1,10,8,0,\"Src\",12,1)",
         [](S& d, const S& s) { d.CompositeHueHSV(2, 1, s, 12, 1, 10, 8); }},
        {"Hue HSLY", "Hue(2,1,10,8,2,\"Src\",12,1)",
         [](S& d, const S& s) { d.CompositeHueHSLY(2, 1, s, 12, 1, 10, 8); }},
        {"Saturation HSL", "Saturation(2,1,10,8,1,\"Src\",12,1)",
         [](S& d, const S& s) { d.CompositeSaturationHSL(2, 1, s, 12, 1, 10, 8); }},
        {"HueSaturation HSV", "HueSaturation(2,1,10,8,0,\"Src\",12,1)",
         [](S& d, const S& s) { d.CompositeHueSaturationHSV(2, 1, s, 12, 1, 10, 8); }},
        {"Luminosity HSLY", "Luminosity(2,1,10,8,2,\"Src\",12,1)",
         [](S& d, const S& s) { d.CompositeLuminosityHSLY(2, 1, s, 12, 1, 10, 8); }},
        {"Luminosity HSL at the canvas edges", "Luminosity(-4,-4,40,40,1,\"Src\",0,0)",
         [](S& d, const S& s) { d.CompositeLuminosityHSL(-4, -4, s, 0, 0, 40, 40); }},

        // ---- masked fills: the key (last) is compared in all 32 bits ----
        {"MaskFill: fill alpha from the opacity, strength the second weight byte",
         "MaskFill(" G ",ff8040,200,255,ff00ff00)",
         [](S& d, const S& s) { d.MaskFill(2, 1, s, 12, 1, 10, 8, kKey, 0xC8FF8040u, 255); }},
        {"MaskFill at partial strength", "MaskFill(" G ",ff8040,255,100,ff00ff00)",
         [](S& d, const S& s) { d.MaskFill(2, 1, s, 12, 1, 10, 8, kKey, 0xFFFF8040u, 100); }},
        {"MaskFill with a key of another alpha", "MaskFill(" G ",ff8040,255,255,8000ff00)",
         [](S& d, const S& s) { d.MaskFill(2, 1, s, 12, 1, 10, 8, 0x8000FF00u, 0xFFFF8040u, 255); }},
        {"MaskFillC", "MaskFillC(" G ",102030,150,ff00ff00)",
         [](S& d, const S& s) { d.MaskFillC(2, 1, s, 12, 1, 10, 8, kKey, 0x102030u, 150); }},
        {"MaskFillA: the alpha written is the opacity byte", "MaskFillA(" G ",60,255,ff00ff00)",
         [](S& d, const S& s) { d.MaskFillA(2, 1, s, 12, 1, 10, 8, kKey, 60, 255); }},
        {"MaskFillA at partial strength and the canvas edge", "MaskFillA(8,-3,20,20,\"Src\",0,0,200,90,ff00ff00)",
         [](S& d, const S& s) { d.MaskFillA(8, -3, s, 0, 0, 20, 20, kKey, 200, 90); }},

        // ---- channel draws ----
        {"Primary", "Primary(" G ")", [](S& d, const S& s) { d.DrawPrimary(2, 1, s, 12, 1, 10, 8); }},
        {"ChannelCopy: alpha from the opacity byte, then red, green, blue",
         "ChannelCopy(" G ",255,0,128,1)",
         [](S& d, const S& s) { d.ChannelCopy(2, 1, s, 12, 1, 10, 8, 255, 0, 128, 1); }},
        {"ChannelCopy at the canvas edges", "ChannelCopy(-2,-1,20,20,\"Src\",3,0,10,200,90,255)",
         [](S& d, const S& s) { d.ChannelCopy(-2, -1, s, 3, 0, 20, 20, 10, 200, 90, 255); }},
        // The map kinds: the source canvas is the map, in place on the canvas.
        {"MulSaturationBitmap short form: weights 1.0, mean grey", "MulSaturationBitmap(" G ")",
         [](S& d, const S& s) { d.MulSaturationBitmap(2, 1, 10, 8, s, 12, 1, 10, 8, 256, 256, 256, 0); }},
        {"MulSaturationBitmap: weights / 256 toward zero, grey & 3",
         "MulSaturationBitmap(" G ",-70000,131072,300,6)",
         [](S& d, const S& s) { d.MulSaturationBitmap(2, 1, 10, 8, s, 12, 1, 10, 8, -273, 512, 1, 2); }},
        {"MulSaturationBitmap in a scaled object: x, y, w, h scaled, source corner not",
         "MulSaturationBitmap(3,4,5,6,\"Src\",1,2,65536,65536,65536,3)",
         [](S& d, const S& s) { d.MulSaturationBitmap(6, 2, 10, 3, s, 1, 2, 10, 3, 256, 256, 256, 3); }, false,
         "2,0.5,1,"},
        {"MulAddBrightnessBitmap", "MulAddBrightnessBitmap(" G ")",
         [](S& d, const S& s) { d.MulAddBrightnessBitmap(2, 1, 10, 8, s, 12, 1, 10, 8); }},
        {"MulAddBrightnessBitmap at the canvas edges", "MulAddBrightnessBitmap(-2,-1,20,20,\"Src\",3,0)",
         [](S& d, const S& s) { d.MulAddBrightnessBitmap(-2, -1, 20, 20, s, 3, 0, 20, 20); }},
        // The in-place colour adjustments (no source object).
        {"MulSaturation short form: weights 1.0, mean grey", "MulSaturation(2,1,10,8,-98304)",
         [](S& d, const S&) { d.MulSaturation(2, 1, 10, 8, -98304, 256, 256, 256, 0); }},
        {"MulSaturation: weights / 256 toward zero, grey & 3", "MulSaturation(-1,3,30,8,-70000,131072,300,90000,7)",
         [](S& d, const S&) { d.MulSaturation(-1, 3, 30, 8, 90000, -273, 512, 1, 3); }},
        {"MulAddBrightness", "MulAddBrightness(2,1,10,8,98304,-1310720)",
         [](S& d, const S&) { d.MulAddBrightness(2, 1, 10, 8, 98304, -1310720); }},
        {"MulAddBrightness in a scaled object", "MulAddBrightness(3,4,5,6,40000,3000000)",
         [](S& d, const S&) { d.MulAddBrightness(6, 2, 10, 3, 40000, 3000000); }, false, "2,0.5,1,"},
        {"CopyA", "CopyA(" G ")", [](S& d, const S& s) { d.DrawCopyA(2, 1, s, 12, 1, 10, 8); }},
        {"MulA", "MulA(" G ")", [](S& d, const S& s) { d.BlendMulA(2, 1, s, 12, 1, 10, 8); }},
        {"AddA", "AddA(" G ")", [](S& d, const S& s) { d.BlendAddA(2, 1, s, 12, 1, 10, 8); }},
        {"SubA", "SubA(" G ")", [](S& d, const S& s) { d.BlendSubA(2, 1, s, 12, 1, 10, 8); }},
        {"XorA", "XorA(" G ")", [](S& d, const S& s) { d.BlendXorA(2, 1, s, 12, 1, 10, 8); }},
        {"DivA", "DivA(" G ")", [](S& d, const S& s) { d.BlendDivA(2, 1, s, 12, 1, 10, 8); }},
        {"RevMulA", "RevMulA(" G ")", [](S& d, const S& s) { d.BlendRevMulA(2, 1, s, 12, 1, 10, 8); }},
        {"RevMulA, source corner outside the source", "RevMulA(0,0,16,12,\"Src\",-5,-5)",
         [](S& d, const S& s) { d.BlendRevMulA(0, 0, s, -5, -5, 16, 12); }},
    };
}

class ObjectDrawRenderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InitRasterLibrary(1) || IsRasterReady()); }
    void TearDown() override {
        if (!IsRasterReady()) InitRasterLibrary(1);
    }
};

// Every kind, full and fast: the object drawn through the document equals
// Base's canvas with the kernel called on it.
TEST_F(ObjectDrawRenderTest, EachKindEqualsItsKernel) {
    for (const DrawCase& c : DrawCases()) {
        for (const bool fast : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (fast ? " (fast)" : " (full)"));
            DrawDocument d(c.factor, c.scales, SourceForm{c.blockMask});
            CStr_base<64> error;
            ASSERT_TRUE(d.Object("Base").Render(fast, &error));
            ASSERT_TRUE(d.Object("Dst").Render(fast, &error)) << error.GetText();
            EXPECT_STREQ(error.GetText(), "");

            CSprite expected;
            CopyCanvas(d.Object("Base").Canvas, expected);
            c.expected(expected, d.Object("Src").Canvas);
            EXPECT_EQ(PixelsOf(d.Object("Dst").Canvas), PixelsOf(expected));
        }
    }
}

// The rows that name a block-mask kernel prove the choice only if the two
// kernels differ on that source; so do the opacity rows for the other way.
TEST_F(ObjectDrawRenderTest, BlockMaskSourceTellsTheKernelsApart) {
    DrawDocument d("Alpha(" GM ",255)", "", SourceForm{true});
    const CSprite& source = d.Object("Src").Canvas;
    ASSERT_NE(source.GetOpacityMask(), nullptr);
    using Masked = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);
    using Opacity = void (CSprite::*)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t, uint8_t);
    const std::pair<Masked, Opacity> pairs[] = {{&CSprite::DrawAlphaMasked, &CSprite::DrawAlphaOpacity},
                                                {&CSprite::DrawLayerMasked, &CSprite::DrawLayerOpacity},
                                                {&CSprite::DrawAlphaCMasked, &CSprite::DrawAlphaCOpacity},
                                                {&CSprite::DrawLayerCMasked, &CSprite::DrawLayerCOpacity}};
    for (const auto& [masked, opacity] : pairs) {
        CSprite a, b;
        CopyCanvas(d.Object("Bg").Canvas, a);
        CopyCanvas(d.Object("Bg").Canvas, b);
        (a.*masked)(1, 1, source, 0, 0, 18, 12);
        (b.*opacity)(1, 1, source, 0, 0, 18, 12, 255);
        EXPECT_NE(PixelsOf(a), PixelsOf(b));
    }
}

// The object's factor 1 drawn on its own onto canvas, messages into error.
bool DrawSecondFactor(CQDXCtrl& doc, QDXObject& object, CSprite& canvas, CStr_base<64>& error) {
    RenderContext context;
    FactorCall call;
    call.Context = &context;
    call.Canvas = &canvas;
    call.Document = &doc;
    call.Object = &object;
    call.ErrorText = &error;
    return RenderFactor(*object.Factors.GetAt(1), call);
}

// With the raster library stopped every kind succeeds and leaves the canvas
// as it was.
TEST_F(ObjectDrawRenderTest, LibraryNotReadyDrawsNothingAndSucceeds) {
    for (const DrawCase& c : DrawCases()) {
        SCOPED_TRACE(c.name);
        DrawDocument d(c.factor, c.scales, SourceForm{c.blockMask});
        QDXObject& dst = d.Object("Dst");
        CSprite canvas;
        CopyCanvas(d.Object("Bg").Canvas, canvas);
        const std::vector<uint32_t> before = PixelsOf(canvas);

        CStr_base<64> error;
        raster_test::ResetRasterLibrary();
        const bool drawn = DrawSecondFactor(d.doc, dst, canvas, error);
        ASSERT_TRUE(InitRasterLibrary(1));
        EXPECT_TRUE(drawn);
        EXPECT_STREQ(error.GetText(), "");
        EXPECT_EQ(PixelsOf(canvas), before);
    }
}

// A colour model outside 0..2 is a fault of the document: the factor fails
// with its message instead of drawing nothing and reporting success.
TEST_F(ObjectDrawRenderTest, ColourModelOutsideTheThreeFails) {
    const char* const factors[] = {
        "ColorSpaceAlphaBlend(" G ",3,255)",
        "ColorSpaceRangeAlphaBlend(" G ",4294967295,0,359,0,256,0,256,255)",
        "ColorSpaceAlphaBlendC(" G ",7,128)",
        "ColorSpaceRangeAlphaBlendC(" G ",3,0,359,0,256,0,256,255)",
        "Hue(2,1,10,8,3,\"Src\",1,1)",
        "Saturation(2,1,10,8,100,\"Src\",1,1)",
        "HueSaturation(2,1,10,8,3,\"Src\",1,1)",
        "Luminosity(2,1,10,8,2147483648,\"Src\",1,1)",
    };
    for (const char* factor : factors) {
        SCOPED_TRACE(factor);
        DrawDocument d(factor, "", SourceForm{false});
        QDXObject& dst = d.Object("Dst");
        CSprite canvas;
        CopyCanvas(d.Object("Bg").Canvas, canvas);
        const std::vector<uint32_t> before = PixelsOf(canvas);
        CStr_base<64> error;
        EXPECT_FALSE(DrawSecondFactor(d.doc, dst, canvas, error));
        EXPECT_EQ(std::string(error.GetText()), std::string("\"Dst?1\"") + source_draw::kInvalidColourModel);
        EXPECT_EQ(PixelsOf(canvas), before);

        // Through the object: the draw fails and the object is left stale.
        error.SetLength(0);
        EXPECT_FALSE(dst.Render(false, &error));
        EXPECT_EQ(dst.RenderState, QDXObject::kNotDrawn);
        EXPECT_NE(std::string(error.GetText()).find(source_draw::kInvalidColourModel), std::string::npos);
    }
}

#undef G
#undef GM

}  // namespace
