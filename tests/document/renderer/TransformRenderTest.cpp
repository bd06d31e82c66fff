// The resized and rotated object draws (Resize, Rotate and their ColorSpace and
// Tone forms): every kind drawn through a document equals its kernel calls on
// a copy of the canvas, in normal (supersampled) and fast drawing; rotations
// that land on whole pixels equal the same-size draws; the supersampling
// factor steps down instead of failing; a scratch canvas that cannot be sized
// fails with the out-of-memory message.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/SourceDraw.h"
#include "document/renderer/TransformDraw.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/document/renderer/RenderTestSupport.h"

namespace {

using rendertest::CopyCanvas;
using rendertest::PixelsOf;

constexpr int32_t kSrcW = 24, kSrcH = 18;

uint32_t RandomPixel(std::mt19937& rng) {
    uint32_t alpha = rng() & 0xFF;
    if ((rng() & 3) == 0) alpha = (rng() & 1) ? 255 : 0;
    return (alpha << 24) | (rng() & 0x00FFFFFFu);
}

// "Src" (random pixels), "Bg" (a random canvas), "Base" (Bg copied) and "Dst"
// (Bg copied, then the factor under test), all W x H but the source.
class TransformDocument {
public:
    TransformDocument(const std::string& factor, int32_t w = 20, int32_t h = 14, const std::string& scales = "") {
        const std::string size = std::to_string(w) + "," + std::to_string(h);
        EXPECT_TRUE(doc.AddObjectFromText("Src", "Render(24,18,0,array(Copy(0,0,1,1,\"Bg\",0,0)))"));
        EXPECT_TRUE(doc.AddObjectFromText("Bg", ("Render(" + size + ",0,array(Copy(0,0,1,1,\"Src\",0,0)))").c_str()));
        const std::string head = "Render(" + size + ",0," + scales + "array(Copy(0,0," + size + ",\"Bg\",0,0)";
        EXPECT_TRUE(doc.AddObjectFromText("Base", (head + "))").c_str()));
        EXPECT_TRUE(doc.AddObjectFromText("Dst", (head + "," + factor + "))").c_str())) << factor;
        std::mt19937 rng(106);
        QDXObject& src = Object("Src");
        EXPECT_TRUE(src.CreateSurface(kSrcW, kSrcH));
        for (int32_t y = 0; y < kSrcH; ++y)
            for (int32_t x = 0; x < kSrcW; ++x) *src.Canvas.PixelAt(x, y) = RandomPixel(rng);
        src.RenderState = QDXObject::kImageReady;
        QDXObject& bg = Object("Bg");
        EXPECT_TRUE(bg.CreateSurface(w, h));
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) *bg.Canvas.PixelAt(x, y) = RandomPixel(rng);
        bg.RenderState = QDXObject::kImageReady;
    }
    QDXObject& Object(const char* name) { return doc.Objects.Find(name)->GetValue(); }
    const CSprite& Source() { return Object("Src").Canvas; }

    CQDXCtrl doc;
};

// ---------------------------------------------------------------------------
// The kernels of each draw kind, by keyword.

using S = CSprite;
using PlainFn = void (S::*)(int32_t, int32_t, const S&, int32_t, int32_t, int32_t, int32_t);
using PlainOpacityFn = void (S::*)(int32_t, int32_t, const S&, int32_t, int32_t, int32_t, int32_t, uint8_t);
using StretchedFn = void (S::*)(int32_t, int32_t, int32_t, int32_t, const S&, int32_t, int32_t, int32_t, int32_t);
using StretchedOpacityFn = void (S::*)(int32_t, int32_t, int32_t, int32_t, const S&, int32_t, int32_t, int32_t,
                                       int32_t, uint8_t);
using ToneFn = void (S::*)(int32_t, int32_t, const S&, int32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t,
                           uint32_t, uint32_t, uint32_t);
using StretchedToneFn = void (S::*)(int32_t, int32_t, int32_t, int32_t, const S&, int32_t, int32_t, int32_t, int32_t,
                                    uint32_t, uint32_t, uint32_t, uint32_t, uint32_t);
using RotatedFn = bool (S::*)(OC_ROTATED_PARAMS);
using RotatedOpacityFn = bool (S::*)(OC_ROTATED_PARAMS, uint8_t);

struct Kind {
    const char* base;  // "", "Alpha", ... (inserted after Resize / Rotate)
    bool colourOnly;
    PlainFn plain;
    PlainOpacityFn plainOpacity;
    StretchedFn stretched;
    StretchedOpacityFn stretchedOpacity;
    RotatedFn rotated;
    RotatedOpacityFn rotatedOpacity;
    ToneFn tone;
    StretchedToneFn stretchedTone;
};
const Kind kKinds[] = {
    {"", false, &S::DrawCopy, nullptr, &S::DrawCopyStretched, nullptr, &S::BlitRotated, nullptr, &S::DrawCopyTone,
     &S::DrawCopyToneStretched},
    {"Alpha", false, nullptr, &S::DrawAlphaOpacity, nullptr, &S::DrawAlphaStretchedOpacity, nullptr,
     &S::BlitRotatedAlpha, &S::DrawAlphaTone, &S::DrawAlphaToneStretched},
    {"Blend", false, nullptr, &S::DrawBlend, nullptr, &S::DrawBlendStretched, nullptr, &S::BlitRotatedBlend,
     &S::DrawBlendTone, &S::DrawBlendToneStretched},
    {"Layer", false, nullptr, &S::DrawLayerOpacity, nullptr, &S::DrawLayerStretchedOpacity, nullptr,
     &S::BlitRotatedLayer, &S::DrawLayerTone, &S::DrawLayerToneStretched},
    {"Back", false, nullptr, &S::DrawBackOpacity, nullptr, &S::DrawBackStretchedOpacity, nullptr,
     &S::BlitRotatedBack, &S::DrawBackTone, &S::DrawBackToneStretched},
    {"", true, &S::DrawCopyC, nullptr, &S::DrawCopyCStretched, nullptr, &S::BlitRotatedC, nullptr,
     &S::DrawBlendToneC, &S::DrawBlendToneCStretched},
    {"Alpha", true, nullptr, &S::DrawAlphaCOpacity, nullptr, &S::DrawAlphaCStretchedOpacity, nullptr,
     &S::BlitRotatedAlphaC, &S::DrawAlphaToneC, &S::DrawAlphaToneCStretched},
    {"Blend", true, nullptr, &S::DrawBlendC, nullptr, &S::DrawBlendCStretched, nullptr, &S::BlitRotatedBlendC,
     &S::DrawBlendToneC, &S::DrawBlendToneCStretched},
    {"Layer", true, nullptr, &S::DrawLayerCOpacity, nullptr, &S::DrawLayerCStretchedOpacity, nullptr,
     &S::BlitRotatedLayerC, &S::DrawLayerToneC, &S::DrawLayerToneCStretched},
    {"Back", true, nullptr, &S::DrawBackCOpacity, nullptr, &S::DrawBackCStretchedOpacity, nullptr,
     &S::BlitRotatedBackC, &S::DrawBackToneC, &S::DrawBackToneCStretched},
};

bool IsCopy(const Kind& k) { return k.plain != nullptr; }
bool IsLayer(const Kind& k) { return std::string(k.base) == "Layer" && !k.colourOnly; }

// "Resize" + base + family + "C" + "(" + arguments [+ "," + opacity] + ")"
std::string Keyword(const char* geometry, const Kind& k, const char* family) {
    return std::string(geometry) + k.base + family + (k.colourOnly ? "C" : "") + "(";
}
std::string WithOpacity(const Kind& k, const std::string& args, int opacity) {
    return IsCopy(k) ? args + ")" : args + "," + std::to_string(opacity) + ")";
}

// ---------------------------------------------------------------------------
// The expected kernel calls.

struct Rect {
    int32_t x, y, w, h, sx, sy, sw, sh;
};

// The source rectangle resampled to w x h: stretched n times larger into a
// cleared sprite and reduced by n.
void Resampled(CSprite& out, const CSprite& source, const Rect& r, int32_t n, bool keepsCoverage) {
    out.Release();
    ASSERT_TRUE(out.Create(n * r.w, n * r.h, false));
    out.DrawCopyStretched(0, 0, n * r.w, n * r.h, source, r.sx, r.sy, r.sw, r.sh);
    if (n == 4) (out.*(keepsCoverage ? &S::Downsample4x4OpaqueAlpha : &S::Downsample4x4))(0, 0, 4 * r.w, 4 * r.h);
    if (n == 2) (out.*(keepsCoverage ? &S::Downsample2x2OpaqueAlpha : &S::Downsample2x2))(0, 0, 2 * r.w, 2 * r.h);
}

// The canvas enlarged n times, drawn on by draw(enlarged, n), reduced and
// copied back.
void Supersampled(CSprite& canvas, int32_t n, const std::function<void(CSprite&, int32_t)>& draw) {
    const int32_t w = canvas.GetWidth(), h = canvas.GetHeight();
    CSprite big;
    ASSERT_TRUE(big.Create(n * w, n * h, false));
    big.DrawCopyStretched(0, 0, n * w, n * h, canvas, 0, 0, w, h);
    draw(big, n);
    if (n == 4) big.Downsample4x4(0, 0, 4 * w, 4 * h);
    else big.Downsample2x2(0, 0, 2 * w, 2 * h);
    canvas.DrawCopy(0, 0, big, 0, 0, w, h);
}

struct Rotation {
    int32_t x, y, w, h, ox, oy;
    double angle, scaleX, scaleY;
    int32_t sx, sy, sw, sh;
};
void DrawRotated(const Kind& k, CSprite& target, const CSprite& src, const Rotation& g, int32_t n, uint8_t opacity) {
    if (k.rotated != nullptr)
        (target.*k.rotated)(n * g.x, n * g.y, n * g.w, n * g.h, n * g.ox, n * g.oy, g.angle, n * g.scaleX,
                            n * g.scaleY, src, g.sx, g.sy, g.sw, g.sh, 0.5, 0.5);
    else
        (target.*k.rotatedOpacity)(n * g.x, n * g.y, n * g.w, n * g.h, n * g.ox, n * g.oy, g.angle, n * g.scaleX,
                                   n * g.scaleY, src, g.sx, g.sy, g.sw, g.sh, 0.5, 0.5, opacity);
}

void DrawPlainKind(const Kind& k, CSprite& canvas, const Rect& r, const CSprite& from, uint8_t opacity) {
    if (k.plain != nullptr) (canvas.*k.plain)(r.x, r.y, from, 0, 0, r.w, r.h);
    else (canvas.*k.plainOpacity)(r.x, r.y, from, 0, 0, r.w, r.h, opacity);
}
void DrawStretchedKind(const Kind& k, CSprite& canvas, const Rect& r, const CSprite& source, uint8_t opacity) {
    if (k.stretched != nullptr) (canvas.*k.stretched)(r.x, r.y, r.w, r.h, source, r.sx, r.sy, r.sw, r.sh);
    else (canvas.*k.stretchedOpacity)(r.x, r.y, r.w, r.h, source, r.sx, r.sy, r.sw, r.sh, opacity);
}

using Expectation = std::function<void(CSprite& canvas, const CSprite& source, bool fast)>;

struct TransformCase {
    std::string name;
    std::string factor;
    Expectation expected;
    std::string scales = "";
};

constexpr uint8_t kOpacity = 170;
constexpr uint32_t kTone = 0x40C08040u;
const Rect kResize = {2, 1, 15, 11, 3, 2, 7, 5};  // 15 x 11 from 7 x 5: resampled 4 times in normal drawing
const Rotation kRotation = {1, 2, 16, 11, 1, -2, 33, 1.3, -0.8, 2, 3, 11, 9};

std::string ResizeArgs(const Rect& r) {
    return std::to_string(r.x) + "," + std::to_string(r.y) + "," + std::to_string(r.w) + "," + std::to_string(r.h) +
           ",\"Src\"," + std::to_string(r.sx) + "," + std::to_string(r.sy) + "," + std::to_string(r.sw) + "," +
           std::to_string(r.sh);
}
const std::string kRotateArgs = "1,2,16,11,\"Src\",1,-2,33.000000000,1.300000000,-0.800000000,2,3,11,9";

std::vector<TransformCase> Cases() {
    std::vector<TransformCase> out;
    for (const Kind& k : kKinds) {
        const std::string kindName = std::string(k.base) + (k.colourOnly ? "C" : "");
        // ---- Resize: the stretched kernel in fast drawing, the resampled
        // source through the plain kernel otherwise ----
        out.push_back({"Resize" + kindName, Keyword("Resize", k, "") + WithOpacity(k, ResizeArgs(kResize), kOpacity),
                       [&k](CSprite& c, const CSprite& s, bool fast) {
                           if (fast) return DrawStretchedKind(k, c, kResize, s, kOpacity);
                           CSprite r;
                           Resampled(r, s, kResize, 4, IsLayer(k));
                           DrawPlainKind(k, c, kResize, r, kOpacity);
                       }});
        const Rect whole = {2, 1, 14, 10, 3, 2, 7, 5};
        out.push_back({"Resize" + kindName + " by whole ratios",
                       Keyword("Resize", k, "") + WithOpacity(k, ResizeArgs(whole), kOpacity),
                       [&k, whole](CSprite& c, const CSprite& s, bool) { DrawStretchedKind(k, c, whole, s, kOpacity); }});
        // ---- ResizeTone: the same with the tone kernels; the amount weighed
        // by the opacity except for ResizeTone and ResizeToneC ----
        const uint32_t amount = IsCopy(k) ? 180 : kOpacity * 180 / 255;
        out.push_back({"Resize" + kindName + "Tone",
                       Keyword("Resize", k, "Tone") +
                           WithOpacity(k, ResizeArgs(kResize) + ",200,100,30,180,40c08040", kOpacity),
                       [&k, amount](CSprite& c, const CSprite& s, bool fast) {
                           const Rect& r = kResize;
                           if (fast)
                               return (c.*k.stretchedTone)(r.x, r.y, r.w, r.h, s, r.sx, r.sy, r.sw, r.sh, kTone, 200,
                                                           100, 30, amount);
                           CSprite t;
                           Resampled(t, s, r, 4, IsLayer(k));
                           (c.*k.tone)(r.x, r.y, t, 0, 0, r.w, r.h, kTone, 200, 100, 30, amount);
                       }});
        // ---- ResizeColorSpace: resampled (stretched only when fast), shifted
        // in place, drawn with the plain kernel ----
        out.push_back({"Resize" + kindName + "ColorSpace",
                       Keyword("Resize", k, "ColorSpace") + WithOpacity(k, ResizeArgs(kResize) + ",1,40,-20,30", kOpacity),
                       [&k](CSprite& c, const CSprite& s, bool fast) {
                           CSprite r;
                           Resampled(r, s, kResize, fast ? 1 : 4, IsLayer(k));
                           r.AdjustHSL(0, 0, kResize.w, kResize.h, 40, -20, 30);
                           DrawPlainKind(k, c, kResize, r, kOpacity);
                       }});
        // ---- Rotate: supersampled 4 times in normal drawing ----
        out.push_back({"Rotate" + kindName, Keyword("Rotate", k, "") + WithOpacity(k, kRotateArgs, kOpacity),
                       [&k](CSprite& c, const CSprite& s, bool fast) {
                           if (fast) return (void)DrawRotated(k, c, s, kRotation, 1, kOpacity);
                           Supersampled(c, 4, [&](CSprite& big, int32_t n) { DrawRotated(k, big, s, kRotation, n, kOpacity); });
                       }});
        // ---- RotateColorSpace: from the whole source shifted in the model ----
        out.push_back({"Rotate" + kindName + "ColorSpace",
                       Keyword("Rotate", k, "ColorSpace") + WithOpacity(k, kRotateArgs + ",2,-100,50,-40", kOpacity),
                       [&k](CSprite& c, const CSprite& s, bool fast) {
                           CSprite shifted;
                           ASSERT_TRUE(shifted.Create(kSrcW, kSrcH, false));
                           shifted.AdjustHSLYCopy(0, 0, kSrcW, kSrcH, s, 0, 0, -100, 50, -40);
                           if (fast) return (void)DrawRotated(k, c, shifted, kRotation, 1, kOpacity);
                           Supersampled(c, 4,
                                        [&](CSprite& big, int32_t n) { DrawRotated(k, big, shifted, kRotation, n, kOpacity); });
                       }});
        // ---- RotateTone: from the whole source tinted (amount as written),
        // never supersampled ----
        out.push_back({"Rotate" + kindName + "Tone",
                       Keyword("Rotate", k, "Tone") + WithOpacity(k, kRotateArgs + ",200,100,30,180,40c08040", kOpacity),
                       [&k](CSprite& c, const CSprite& s, bool) {
                           CSprite toned;
                           ASSERT_TRUE(toned.Create(kSrcW, kSrcH, false));
                           toned.DrawCopyTone(0, 0, s, 0, 0, kSrcW, kSrcH, kTone, 200, 100, 30, 180);
                           DrawRotated(k, c, toned, kRotation, 1, kOpacity);
                       }});
    }
    const Kind& copy = kKinds[0];
    const Kind& alpha = kKinds[1];
    // ---- single source pixels ----
    const auto fill = [](uint32_t (*value)(uint32_t), bool skipClear, bool colourOnly) {
        return [=](CSprite& c, const CSprite& s, bool) {
            const uint32_t p = *s.PixelAt(5, 6);
            if (skipClear && (p >> 24) == 0) return;
            if (colourOnly) c.FillRectCOpacity(2, 1, 15, 11, value(p), kOpacity);
            else c.FillRectOpacity(2, 1, 15, 11, value(p), kOpacity);
        };
    };
    const auto rgb = [](uint32_t p) { return p & 0x00FFFFFFu; };
    out.push_back({"Resize of one pixel fills with it, alpha included", "Resize(2,1,15,11,\"Src\",5,6,1,1)",
                   [](CSprite& c, const CSprite& s, bool) { c.FillRect(2, 1, 15, 11, *s.PixelAt(5, 6)); }});
    out.push_back({"ResizeC of one pixel fills its colour", "ResizeC(2,1,15,11,\"Src\",5,6,1,1)",
                   [](CSprite& c, const CSprite& s, bool) { c.FillRectC(2, 1, 15, 11, *s.PixelAt(5, 6)); }});
    out.push_back({"ResizeBlend of one pixel", "ResizeBlend(2,1,15,11,\"Src\",5,6,1,1,170)", fill(rgb, false, false)});
    out.push_back({"ResizeLayer of one pixel", "ResizeLayer(2,1,15,11,\"Src\",5,6,1,1,170)", fill(rgb, true, false)});
    out.push_back({"ResizeBlendC of one pixel", "ResizeBlendC(2,1,15,11,\"Src\",5,6,1,1,170)", fill(rgb, false, true)});
    out.push_back({"ResizeLayerC of one pixel", "ResizeLayerC(2,1,15,11,\"Src\",5,6,1,1,170)", fill(rgb, true, true)});
    out.push_back({"ResizeAlpha of one pixel resamples", "ResizeAlpha(2,1,15,11,\"Src\",5,6,1,1,170)",
                   [&alpha](CSprite& c, const CSprite& s, bool fast) {
                       const Rect r = {2, 1, 15, 11, 5, 6, 1, 1};
                       DrawStretchedKind(alpha, c, r, s, kOpacity);  // 15 and 11 are whole multiples of 1
                       (void)fast;
                   }});
    out.push_back({"Resize of one pixel outside the source draws nothing", "Resize(2,1,15,11,\"Src\",24,6,1,1)",
                   [](CSprite&, const CSprite&, bool) {}});
    out.push_back({"ResizeTone of one pixel outside the source draws nothing",
                   "ResizeTone(2,1,15,11,\"Src\",5,-1,1,1,1,2,3,256,ff0000)", [](CSprite&, const CSprite&, bool) {}});
    out.push_back({"Resize with an empty source draws nothing", "Resize(2,1,15,11,\"Src\",5,6,0,4)",
                   [](CSprite&, const CSprite&, bool) {}});
    out.push_back({"Resize onto an empty rectangle draws nothing", "Resize(2,1,-15,11,\"Src\",5,6,7,4)",
                   [](CSprite&, const CSprite&, bool) {}});
    // ---- amounts ----
    out.push_back({"ResizeAlphaTone 128 x 256 passes 128",
                   "ResizeAlphaTone(2,1,14,10,\"Src\",3,2,7,5,1,2,3,256,ff0000,128)",
                   [](CSprite& c, const CSprite& s, bool) {
                       c.DrawAlphaToneStretched(2, 1, 14, 10, s, 3, 2, 7, 5, 0xFF0000u, 1, 2, 3, 128);
                   }});
    out.push_back({"ResizeTone passes the amount as written", "ResizeTone(2,1,14,10,\"Src\",3,2,7,5,1,2,3,256,ff0000)",
                   [](CSprite& c, const CSprite& s, bool) {
                       c.DrawCopyToneStretched(2, 1, 14, 10, s, 3, 2, 7, 5, 0xFF0000u, 1, 2, 3, 256);
                   }});
    // ---- models ----
    out.push_back({"ResizeColorSpace with model 3 draws the resampled source unshifted",
                   "ResizeColorSpace(" + ResizeArgs(kResize) + ",3,40,-20,30)",
                   [&copy](CSprite& c, const CSprite& s, bool fast) {
                       CSprite r;
                       Resampled(r, s, kResize, fast ? 1 : 4, false);
                       DrawPlainKind(copy, c, kResize, r, 255);
                   }});
    out.push_back({"shifts are the low 16 bits, signed", "RotateColorSpace(" + kRotateArgs + ",0,65576,-65516,131072)",
                   [&copy](CSprite& c, const CSprite& s, bool fast) {
                       CSprite shifted;
                       ASSERT_TRUE(shifted.Create(kSrcW, kSrcH, false));
                       shifted.AdjustHSVCopy(0, 0, kSrcW, kSrcH, s, 0, 0, 40, 20, 0);
                       if (fast) return (void)DrawRotated(copy, c, shifted, kRotation, 1, 255);
                       Supersampled(c, 4, [&](CSprite& big, int32_t n) { DrawRotated(copy, big, shifted, kRotation, n, 255); });
                   }});
    // ---- the supersampling factor ----
    out.push_back({"Rotate with scale x 2.5 supersamples twice",
                   "Rotate(1,2,16,11,\"Src\",1,-2,33.000000000,2.500000000,1.000000000,2,3,11,9)",
                   [&copy](CSprite& c, const CSprite& s, bool fast) {
                       const Rotation g = {1, 2, 16, 11, 1, -2, 33, 2.5, 1, 2, 3, 11, 9};
                       if (fast) return (void)DrawRotated(copy, c, s, g, 1, 255);
                       Supersampled(c, 2, [&](CSprite& big, int32_t n) { DrawRotated(copy, big, s, g, n, 255); });
                   }});
    out.push_back({"Rotate with scale x 5 draws directly",
                   "Rotate(1,2,16,11,\"Src\",1,-2,33.000000000,5.000000000,1.000000000,2,3,11,9)",
                   [&copy](CSprite& c, const CSprite& s, bool) {
                       DrawRotated(copy, c, s, {1, 2, 16, 11, 1, -2, 33, 5, 1, 2, 3, 11, 9}, 1, 255);
                   }});
    out.push_back({"Rotate with scale x -3 supersamples 4 times",
                   "Rotate(1,2,16,11,\"Src\",1,-2,33.000000000,-3.000000000,1.000000000,2,3,11,9)",
                   [&copy](CSprite& c, const CSprite& s, bool fast) {
                       const Rotation g = {1, 2, 16, 11, 1, -2, 33, -3, 1, 2, 3, 11, 9};
                       if (fast) return (void)DrawRotated(copy, c, s, g, 1, 255);
                       Supersampled(c, 4, [&](CSprite& big, int32_t n) { DrawRotated(copy, big, s, g, n, 255); });
                   }});
    // ---- a scaled object: rectangle and offset scaled, source rectangle not ----
    out.push_back({"Rotate in a scaled object",
                   "RotateAlpha(1,2,8,11,\"Src\",3,-2,33.000000000,1.300000000,-0.800000000,2,3,11,9,170)",
                   [&alpha](CSprite& c, const CSprite& s, bool fast) {
                       const Rotation g = {2, 1, 16, 6, 6, -1, 33, 1.3, -0.8, 2, 3, 11, 9};
                       if (fast) return (void)DrawRotated(alpha, c, s, g, 1, kOpacity);
                       Supersampled(c, 4, [&](CSprite& big, int32_t n) { DrawRotated(alpha, big, s, g, n, kOpacity); });
                   },
                   "2,0.5,1,"});
    return out;
}

class TransformRenderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InitRasterLibrary(1) || IsRasterReady()); }
};

TEST_F(TransformRenderTest, EachKindEqualsItsKernelCalls) {
    for (const TransformCase& c : Cases()) {
        for (const bool fast : {false, true}) {
            SCOPED_TRACE(c.name + (fast ? " (fast)" : " (normal)") + ": " + c.factor);
            TransformDocument d(c.factor, 20, 14, c.scales);
            CStr_base<64> error;
            ASSERT_TRUE(d.Object("Base").Render(fast, &error));
            ASSERT_TRUE(d.Object("Dst").Render(fast, &error)) << error.GetText();
            EXPECT_STREQ(error.GetText(), "");
            CSprite expected;
            CopyCanvas(d.Object("Base").Canvas, expected);
            c.expected(expected, d.Source(), fast);
            ASSERT_EQ(PixelsOf(d.Object("Dst").Canvas), PixelsOf(expected));
        }
    }
}

// A rotation that lands on whole pixels gives, supersampled, exactly the
// same-size draw of its kind (each source pixel covers whole blocks of the
// enlarged canvas) and, at 90 degrees, exactly the quarter-turned source.
TEST_F(TransformRenderTest, WholePixelRotationsEqualTheSameSizeDraws) {
    const char* const plain[] = {"Copy", "Alpha", "Blend", "Layer", "Back", "CopyC", "AlphaC", "BlendC", "LayerC", "BackC"};
    for (size_t i = 0; i < 10; ++i) {
        const Kind& k = kKinds[i];
        const std::string rotate = Keyword("Rotate", k, "") +
                                   WithOpacity(k, "3,2,9,7,\"Src\",0,0,0.000000000,1.000000000,1.000000000,4,5,9,7", 99);
        const std::string same = std::string(plain[i]) + (IsCopy(k) ? "(3,2,9,7,\"Src\",4,5)" : "(3,2,9,7,\"Src\",4,5,99)");
        SCOPED_TRACE(rotate + " against " + same);
        TransformDocument a(rotate), b(same);
        CStr_base<64> error;
        ASSERT_TRUE(a.Object("Dst").Render(false, &error)) << error.GetText();
        ASSERT_TRUE(b.Object("Dst").Render(false, &error)) << error.GetText();
        EXPECT_EQ(PixelsOf(a.Object("Dst").Canvas), PixelsOf(b.Object("Dst").Canvas));
    }
    // 90 degrees clockwise: the source's top edge ends up on the right.
    TransformDocument d("Rotate(4,3,7,7,\"Src\",0,0,90.000000000,1.000000000,1.000000000,2,1,7,7)");
    CStr_base<64> error;
    ASSERT_TRUE(d.Object("Dst").Render(false, &error)) << error.GetText();
    const CSprite& out = d.Object("Dst").Canvas;
    for (int32_t i = 0; i < 7; ++i)
        for (int32_t j = 0; j < 7; ++j) EXPECT_EQ(*out.PixelAt(4 + j, 3 + i), *d.Source().PixelAt(2 + i, 1 + 6 - j));
}

TEST_F(TransformRenderTest, RotateToneIsTheSameInNormalAndFastDrawing) {
    TransformDocument normal("RotateAlphaTone(" + kRotateArgs + ",1,2,3,200,123456,140)");
    TransformDocument fast("RotateAlphaTone(" + kRotateArgs + ",1,2,3,200,123456,140)");
    CStr_base<64> error;
    ASSERT_TRUE(normal.Object("Dst").Render(false, &error));
    ASSERT_TRUE(fast.Object("Dst").Render(true, &error));
    EXPECT_EQ(PixelsOf(normal.Object("Dst").Canvas), PixelsOf(fast.Object("Dst").Canvas));
}

// Where 4 times the canvas exceeds the sprite size rule the factor steps down
// to 2 (and to 1) instead of failing: a 4096 x 1024 canvas is drawn.
TEST_F(TransformRenderTest, SupersamplingStepsDownToFitTheScratch) {
    EXPECT_EQ(transform_draw::FittingFactor(4, 4096, 1024), 2);
    EXPECT_EQ(transform_draw::FittingFactor(4, 4095, 1024), 4);
    EXPECT_EQ(transform_draw::FittingFactor(4, 100, 100), 4);
    EXPECT_EQ(transform_draw::FittingFactor(2, 8192, 200), 1);
    EXPECT_EQ(transform_draw::FittingFactor(4, 8192, 200), 1);
    EXPECT_EQ(transform_draw::FittingFactor(4, 8192, 100), 2);  // 16384 x 200 is a strip
    EXPECT_EQ(transform_draw::FittingFactor(4, 125000, 64), 4);  // a strip of 500000 x 256 passes
    EXPECT_EQ(transform_draw::FittingFactor(4, 125000, 65), 2);
    EXPECT_EQ(transform_draw::FittingFactor(4, 250001, 10), 1);

    const Kind& copy = kKinds[0];
    {
        const std::string factor = "Rotate(100,200,900,300,\"Src\",3,-7,21.000000000,1.000000000,1.500000000,1,2,20,15)";
        TransformDocument d(factor, 4096, 1024);
        CStr_base<64> error;
        ASSERT_TRUE(d.Object("Dst").Render(false, &error)) << error.GetText();
        CSprite expected;
        ASSERT_TRUE(d.Object("Base").Render(false, &error));
        CopyCanvas(d.Object("Base").Canvas, expected);
        const Rotation g = {100, 200, 900, 300, 3, -7, 21, 1, 1.5, 1, 2, 20, 15};
        Supersampled(expected, 2, [&](CSprite& big, int32_t n) { DrawRotated(copy, big, d.Source(), g, n, 255); });
        EXPECT_TRUE(PixelsOf(d.Object("Dst").Canvas) == PixelsOf(expected));
    }
    {
        // Resize onto 4096 x 100 from 3 x 3: 16384 x 400 is refused, 8192 x 200 is not.
        TransformDocument d("Resize(0,0,4096,100,\"Src\",1,1,3,3)", 4096, 100);
        CStr_base<64> error;
        ASSERT_TRUE(d.Object("Dst").Render(false, &error)) << error.GetText();
        CSprite expected, resampled;
        ASSERT_TRUE(d.Object("Base").Render(false, &error));
        CopyCanvas(d.Object("Base").Canvas, expected);
        Resampled(resampled, d.Source(), {0, 0, 4096, 100, 1, 1, 3, 3}, 2, false);
        expected.DrawCopy(0, 0, resampled, 0, 0, 4096, 100);
        EXPECT_TRUE(PixelsOf(d.Object("Dst").Canvas) == PixelsOf(expected));
    }
}

// A scratch canvas the size rule refuses fails the factor with the
// out-of-memory message, and nothing is drawn.
TEST_F(TransformRenderTest, ScratchThatCannotBeSizedFailsWithTheMemoryMessage) {
    const char* const factors[] = {
        // The shifted result itself (20000 x 300) is beyond the rule, at any factor.
        "ResizeColorSpace(0,0,20000,300,\"Src\",0,0,24,18,0,10,10,10)",
        "ResizeAlphaColorSpaceC(0,0,300,20000,\"Src\",0,0,24,18,1,10,10,10,200)",
    };
    for (const char* factor : factors) {
        for (const bool fast : {false, true}) {
            SCOPED_TRACE(std::string(factor) + (fast ? " (fast)" : " (normal)"));
            TransformDocument d(factor);
            CStr_base<64> error;
            ASSERT_TRUE(d.Object("Base").Render(fast, &error));
            EXPECT_FALSE(d.Object("Dst").Render(fast, &error));
            EXPECT_NE(std::string(error.GetText()).find(rendertest::kNoMemoryToDraw), std::string::npos)
                << error.GetText();
        }
    }
}

// A colour model other than 0, 1 and 2 is a fault of the document: the rotated
// colour-model draw fails with its message instead of silently drawing nothing.
TEST_F(TransformRenderTest, RotateColorSpaceWithAnUnknownModelFails) {
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "fast" : "normal");
        TransformDocument d("RotateColorSpace(" + kRotateArgs + ",3,40,-20,30)");
        CStr_base<64> error;
        ASSERT_TRUE(d.Object("Base").Render(fast, &error));
        EXPECT_FALSE(d.Object("Dst").Render(fast, &error));
        EXPECT_NE(std::string(error.GetText()).find(source_draw::kInvalidColourModel), std::string::npos)
            << error.GetText();
    }
}

}  // namespace
