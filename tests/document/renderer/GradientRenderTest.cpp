// The gradient factors drawn through the factor renderer: each kind draws what
// its kernel draws with the prepared rectangle, colours and bytes; the model
// number picks the member; palette references reach the colour points; the
// interpolation kinds ramp each line between its own end pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/SourceDraw.h"
#include "document/renderer/FactorFrame.h"
#include "raster/colour/ColorModel.h"
#include "raster/surface/gradient/MixGradation.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/raster/RasterTestSupport.h"

namespace {

using raster_test::CopyPixels;
using raster_test::Pixels;

// The canvas every case starts from: random pixels, so that colour-only and
// alpha-only kinds show what they keep.
constexpr int32_t kGradientCanvasW = 23;
constexpr int32_t kGradientCanvasH = 17;

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", v);
    return text;
}

struct KernelCase {
    std::string text;
    std::function<void(CSprite&)> kernel;  // the same drawing by a direct call
};


class GradientRenderTest : public raster_test::ReadyLibraryTest {
protected:
    void SetUp() override {
        raster_test::ReadyLibraryTest::SetUp();
        std::mt19937 rng(501);
        raster_test::Make(canvas, kGradientCanvasW, kGradientCanvasH);
        raster_test::Paint(canvas, [&](int32_t, int32_t) { return raster_test::RandomPixel(rng); });
        doc.PaletteTables->Palette1[5] = 0x00123456u;
        doc.PaletteTables->Palette1[6] = 0x40000000u | (30u << 18) | (256u << 9) | 256u;  // HSV 30 degrees
    }

    // Reads text into factor (named "O?0").
    static void Parse(QDXFactor& factor, const std::string& text) {
        ASSERT_TRUE(factor.ParseText(text.c_str())) << text;
        factor.AssignName("O", 0);
    }

    bool Draw(QDXFactor& factor, double scaleX = 1.0, double scaleY = 1.0) {
        FactorCall call;
        call.Context = &context;
        call.Canvas = &canvas;
        call.Document = &doc;
        call.ErrorText = &error;
        call.ScaleX = scaleX;
        call.ScaleY = scaleY;
        return RenderFactor(factor, call);
    }

    bool Draw(const std::string& text) {
        QDXFactor factor;
        Parse(factor, text);
        return Draw(factor);
    }

    // Each case's factor drawn on the canvas equals its kernel called directly
    // on a copy; the canvas is put back after each case.
    void ExpectKernelCases(const std::vector<KernelCase>& cases) {
        for (const KernelCase& c : cases) {
            SCOPED_TRACE(c.text);
            CSprite expected;
            CopyPixels(canvas, expected);
            c.kernel(expected);
            const std::vector<uint32_t> before = Pixels(canvas);
            ASSERT_NE(Pixels(expected), before) << "the case draws something";
            EXPECT_TRUE(Draw(c.text));
            EXPECT_EQ(Pixels(canvas), Pixels(expected));
            EXPECT_TRUE(error.IsEmpty());
            raster_test::Load(canvas, before);
        }
    }

    CQDXCtrl doc;
    RenderContext context;
    CSprite canvas;
    CStr_base<64> error;
};

// Hue, saturation, third component of a model colour code.
uint32_t Code(int32_t hue, uint32_t saturation, uint32_t third) {
    return (1u << 30) | ((static_cast<uint32_t>(hue) & 0x7FF) << 18) | ((saturation & 0x1FF) << 9) | (third & 0x1FF);
}

// The members of the three models, written out here on their own.
struct ModelMembers {
    using Two = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                  int32_t, int32_t, int32_t);
    using TwoC = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                   int32_t);
    using Four = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                   int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                   int32_t, int32_t);
    using FourC = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t,
                                    int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
    using Turn = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, int32_t);
    Two h, v;
    Four hv;
    TwoC hc, vc;
    FourC hvc;
    Turn ih, iv, ihc, ivc;
};

const ModelMembers kModels[3] = {
    {&CSprite::GradationHSVH, &CSprite::GradationHSVV, &CSprite::GradationHSVHV, &CSprite::GradationHSVHC,
     &CSprite::GradationHSVVC, &CSprite::GradationHSVHVC, &CSprite::InterpolationGradationHSVH,
     &CSprite::InterpolationGradationHSVV, &CSprite::InterpolationGradationHSVHC,
     &CSprite::InterpolationGradationHSVVC},
    {&CSprite::GradationHSLH, &CSprite::GradationHSLV, &CSprite::GradationHSLHV, &CSprite::GradationHSLHC,
     &CSprite::GradationHSLVC, &CSprite::GradationHSLHVC, &CSprite::InterpolationGradationHSLH,
     &CSprite::InterpolationGradationHSLV, &CSprite::InterpolationGradationHSLHC,
     &CSprite::InterpolationGradationHSLVC},
    {&CSprite::GradationHSLYH, &CSprite::GradationHSLYV, &CSprite::GradationHSLYHV, &CSprite::GradationHSLYHC,
     &CSprite::GradationHSLYVC, &CSprite::GradationHSLYHVC, &CSprite::InterpolationGradationHSLYH,
     &CSprite::InterpolationGradationHSLYV, &CSprite::InterpolationGradationHSLYHC,
     &CSprite::InterpolationGradationHSLYVC},
};

// Each line of the clipped rectangle through the two-colour member, between
// its own end pixels (alpha bytes for the alpha members).
void LinesByHand(CSprite& s, int32_t x, int32_t y, int32_t w, int32_t h, bool horizontal, bool alpha,
                 void (CSprite::*member)(int32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t)) {
    const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int32_t x1 = std::min(x + w, s.GetWidth()), y1 = std::min(y + h, s.GetHeight());
    if (horizontal) {
        for (int32_t r = y0; r < y1; ++r) {
            uint32_t a = *s.PixelAt(x0, r), b = *s.PixelAt(x1 - 1, r);
            if (alpha) a >>= 24, b >>= 24;
            (s.*member)(x0, r, x1 - x0, 1, a, b);
        }
    } else {
        for (int32_t c = x0; c < x1; ++c) {
            uint32_t a = *s.PixelAt(c, y0), b = *s.PixelAt(c, y1 - 1);
            if (alpha) a >>= 24, b >>= 24;
            (s.*member)(c, y0, 1, y1 - y0, a, b);
        }
    }
}

// Two points in text and in record form: a MIX point and an ADD point. The text
// gives the side scales as left, up, right, down.
const std::string kPointsText =
    "array(mixgradinfo(5,4,12,3,1,0.5,2,1.5,200,250,30,90,0.8,MIX),"
    "mixgradinfo(16,12,9,2,1,1,1,1,40,20,60,10,0.5,ADD))";

std::vector<MixGradationPoint> PointRecords() {
    MixGradationPoint a{5, 4, 12, 3, 0.5, 1.5, 1, 2, 200, 250, 30, 90, 0.8, kMixGradationMix};
    MixGradationPoint b{16, 12, 9, 2, 1, 1, 1, 1, 40, 20, 60, 10, 0.5, kMixGradationAdd};
    return {a, b};
}

// Every kind against a direct call of its kernel on a copy of the canvas. The
// rectangles stick out of the canvas here and there, the colour-model codes
// carry a negative hue (bit 28) and components above 256.
TEST_F(GradientRenderTest, EveryKindDrawsWhatItsKernelDraws) {
    const std::vector<MixGradationPoint> points = PointRecords();
    const MixGradationPoint* p = points.data();
    ExpectKernelCases({
        {"GradationH(-4,2,20,9,80ff0000,ff00ff40)",
         [](CSprite& s) { s.GradationH(-4, 2, 20, 9, 0x80FF0000u, 0xFF00FF40u); }},
        // Palette references: the stored top byte with the palette's RGB.
        {"GradationH(0,0,23,17,P40050000#80,P40060000#0)",
         [](CSprite& s) { s.GradationH(0, 0, 23, 17, 0x80123456u, HSVToRGB(30, 256, 256)); }},
        {"GradationHVC(0,0,23,17,P40050000,1,2,P40060000)",
         [](CSprite& s) { s.GradationHVC(0, 0, 23, 17, 0x123456u, 1, 2, HSVToRGB(30, 256, 256)); }},
        {"GradationV(3,-5,30,19,ff102030,20a0b0c0)",
         [](CSprite& s) { s.GradationV(3, -5, 30, 19, 0xFF102030u, 0x20A0B0C0u); }},
        {"GradationHV(1,1,21,15,ff0000ff,8000ff00,40ff0000,ffffffff)",
         [](CSprite& s) { s.GradationHV(1, 1, 21, 15, 0xFF0000FFu, 0x8000FF00u, 0x40FF0000u, 0xFFFFFFFFu); }},
        {"MixGradation(0,0,23,17,80112233," + kPointsText + ")",
         [p](CSprite& s) { s.MixGradation(0, 0, 23, 17, p, 2, 0x80112233u); }},
        {"MixGradationA(2,3,40,40,30," + kPointsText + ")",
         [p](CSprite& s) { s.MixGradationA(2, 3, 40, 40, p, 2, 30); }},
        {"MixGradationC(-2,-2,15,15,445566," + kPointsText + ")",
         [p](CSprite& s) { s.MixGradationC(-2, -2, 15, 15, p, 2, 0x445566u); }},
        {"InterpolationGradationH(-3,2,20,10)",
         [](CSprite& s) { LinesByHand(s, -3, 2, 20, 10, true, false, &CSprite::GradationH); }},
        {"InterpolationGradationV(2,-3,10,30)",
         [](CSprite& s) { LinesByHand(s, 2, -3, 10, 30, false, false, &CSprite::GradationV); }},
        {"InterpolationGradationHA(0,0,23,17)",
         [](CSprite& s) { LinesByHand(s, 0, 0, 23, 17, true, true, &CSprite::GradationHA); }},
        {"InterpolationGradationVA(5,5,100,100)",
         [](CSprite& s) { LinesByHand(s, 5, 5, 100, 100, false, true, &CSprite::GradationVA); }},
        {"InterpolationGradationHC(1,0,9,17)",
         [](CSprite& s) { LinesByHand(s, 1, 0, 9, 17, true, false, &CSprite::GradationHC); }},
        {"InterpolationGradationVC(0,1,23,9)",
         [](CSprite& s) { LinesByHand(s, 0, 1, 23, 9, false, false, &CSprite::GradationVC); }},
        {"GradationHA(-2,0,20,17,10,240)", [](CSprite& s) { s.GradationHA(-2, 0, 20, 17, 10, 240); }},
        {"GradationVA(0,-2,23,20,255,0)", [](CSprite& s) { s.GradationVA(0, -2, 23, 20, 255, 0); }},
        {"GradationHVA(0,0,23,17,0,90,180,255)", [](CSprite& s) { s.GradationHVA(0, 0, 23, 17, 0, 90, 180, 255); }},
        {"GradationHC(0,0,23,17,ff0000,ff)", [](CSprite& s) { s.GradationHC(0, 0, 23, 17, 0xFF0000u, 0xFFu); }},
        {"GradationVC(4,4,8,8,123456,abcdef)", [](CSprite& s) { s.GradationVC(4, 4, 8, 8, 0x123456u, 0xABCDEFu); }},
        {"GradationHVC(-1,-1,30,30,ff,ff00,ff0000,ffffff)",
         [](CSprite& s) { s.GradationHVC(-1, -1, 30, 30, 0xFFu, 0xFF00u, 0xFF0000u, 0xFFFFFFu); }},
    });
}

// The colour-model kinds, each model: the codes split into hue (signed by bit
// 28), saturation and third component (capped at 256), the alphas from the
// opacity byte and the three bytes after it; the model bits of the codes are
// not read (the option value is the model).
TEST_F(GradientRenderTest, ColourModelKindsPassTheSplitCodes) {
    // -1 (0x3FF with bit 28) and 300 -> 256; -1024 (bit 28 alone) and 511 -> 256;
    // 1023 under other model bits and bit 29; 120 without model bits.
    const std::string h0 = Hex(Code(-1, 300, 128));
    const std::string h1 = Hex(Code(-1024, 200, 511));
    const std::string h2 = Hex(Code(1023, 0, 64) | 0xE0000000u);
    const std::string h3 = Hex(Code(120, 256, 256) & 0x3FFFFFFFu);
    for (int32_t model = 0; model < 3; ++model) {
        SCOPED_TRACE(model);
        const ModelMembers& m = kModels[model];
        const std::string md = std::to_string(model);
        ExpectKernelCases({
            {"GradationColorSpaceH(-3,1,25,12," + md + "," + h0 + ",200," + h1 + ",30)",
             [&](CSprite& s) { (s.*m.h)(-3, 1, 25, 12, -1, 256, 128, 200, -1024, 200, 256, 30); }},
            {"GradationColorSpaceV(1,-3,12,25," + md + "," + h2 + ",0," + h3 + ",255)",
             [&](CSprite& s) { (s.*m.v)(1, -3, 12, 25, 1023, 0, 64, 0, 120, 256, 256, 255); }},
            {"GradationColorSpaceHV(0,0,23,17," + md + "," + h0 + ",1," + h1 + ",2," + h2 + ",3," + h3 + ",4)",
             [&](CSprite& s) {
                 (s.*m.hv)(0, 0, 23, 17, -1, 256, 128, 1, -1024, 200, 256, 2, 1023, 0, 64, 3, 120, 256, 256, 4);
             }},
            {"GradationColorSpaceHC(2,2,19,13," + md + "," + h1 + "," + h0 + ")",
             [&](CSprite& s) { (s.*m.hc)(2, 2, 19, 13, -1024, 200, 256, -1, 256, 128); }},
            {"GradationColorSpaceVC(2,2,19,13," + md + "," + h3 + "," + h2 + ")",
             [&](CSprite& s) { (s.*m.vc)(2, 2, 19, 13, 120, 256, 256, 1023, 0, 64); }},
            {"GradationColorSpaceHVC(-5,-5,40,40," + md + "," + h3 + "," + h2 + "," + h1 + "," + h0 + ")",
             [&](CSprite& s) {
                 (s.*m.hvc)(-5, -5, 40, 40, 120, 256, 256, 1023, 0, 64, -1024, 200, 256, -1, 256, 128);
             }},
            {"InterpolationGradationColorSpaceH(-2,0,30,17," + md + ",180)",
             [&](CSprite& s) { (s.*m.ih)(-2, 0, 30, 17, 180); }},
            {"InterpolationGradationColorSpaceV(0,-2,23,30," + md + ",-360)",
             [&](CSprite& s) { (s.*m.iv)(0, -2, 23, 30, -360); }},
            {"InterpolationGradationColorSpaceHC(3,3,10,10," + md + ",0)",
             [&](CSprite& s) { (s.*m.ihc)(3, 3, 10, 10, 0); }},
            {"InterpolationGradationColorSpaceVC(3,3,10,10," + md + ",725)",
             [&](CSprite& s) { (s.*m.ivc)(3, 3, 10, 10, 725); }},
        });
    }
}

// A model number the kernels lack: nothing drawn, and the factor fails with
// the colour-model message.
TEST_F(GradientRenderTest, UnknownModelsFailWithoutDrawing) {
    const std::vector<uint32_t> before = Pixels(canvas);
    for (const char* model : {"3", "4294967295", "-1"}) {
        const std::string m = model;
        for (const std::string& text :
             {"GradationColorSpaceH(0,0,23,17," + m + ",1,255,2,255)",
              "GradationColorSpaceV(0,0,23,17," + m + ",1,255,2,255)",
              "GradationColorSpaceHV(0,0,23,17," + m + ",1,255,2,255,3,255,4,255)",
              "GradationColorSpaceHC(0,0,23,17," + m + ",1,2)", "GradationColorSpaceVC(0,0,23,17," + m + ",1,2)",
              "GradationColorSpaceHVC(0,0,23,17," + m + ",1,2,3,4)",
              "InterpolationGradationColorSpaceH(0,0,23,17," + m + ",0)",
              "InterpolationGradationColorSpaceV(0,0,23,17," + m + ",0)",
              "InterpolationGradationColorSpaceHC(0,0,23,17," + m + ",0)",
              "InterpolationGradationColorSpaceVC(0,0,23,17," + m + ",0)"}) {
            error.SetLength(0);
            EXPECT_FALSE(Draw(text)) << text;
            ASSERT_EQ(Pixels(canvas), before) << text;
            EXPECT_NE(std::string(error.GetText()).find(source_draw::kInvalidColourModel), std::string::npos) << text;
        }
    }
}

// Before the raster library is started no kind touches the canvas and each
// succeeds; the colour points still take their palette colours.
TEST_F(GradientRenderTest, NothingIsDrawnBeforeTheLibraryIsReady) {
    const std::string point = "array(mixgradinfo(5,4,12,3,1,1,1,1,77,40050000,1,MIX))";
    const std::string texts[] = {
        "GradationH(0,0,23,17,ff,ff00)", "GradationV(0,0,23,17,ff,ff00)", "GradationHV(0,0,23,17,1,2,3,4)",
        "MixGradation(0,0,23,17,ff," + point + ")", "GradationColorSpaceH(0,0,23,17,0,1,255,2,255)",
        "GradationColorSpaceV(0,0,23,17,1,1,255,2,255)", "GradationColorSpaceHV(0,0,23,17,2,1,1,2,2,3,3,4,4)",
        "InterpolationGradationH(0,0,23,17)", "InterpolationGradationV(0,0,23,17)",
        "InterpolationGradationColorSpaceH(0,0,23,17,0,0)", "InterpolationGradationColorSpaceV(0,0,23,17,1,0)",
        "GradationHA(0,0,23,17,0,255)", "GradationVA(0,0,23,17,0,255)", "GradationHVA(0,0,23,17,1,2,3,4)",
        "MixGradationA(0,0,23,17,9," + point + ")", "InterpolationGradationHA(0,0,23,17)",
        "InterpolationGradationVA(0,0,23,17)", "GradationHC(0,0,23,17,ff,ff00)", "GradationVC(0,0,23,17,ff,ff00)",
        "GradationHVC(0,0,23,17,1,2,3,4)", "MixGradationC(0,0,23,17,ff," + point + ")",
        "GradationColorSpaceHC(0,0,23,17,0,1,2)", "GradationColorSpaceVC(0,0,23,17,1,1,2)",
        "GradationColorSpaceHVC(0,0,23,17,2,1,2,3,4)", "InterpolationGradationHC(0,0,23,17)",
        "InterpolationGradationVC(0,0,23,17)", "InterpolationGradationColorSpaceHC(0,0,23,17,2,0)",
        "InterpolationGradationColorSpaceVC(0,0,23,17,0,0)"};
    const std::vector<uint32_t> before = Pixels(canvas);
    raster_test::ResetRasterLibrary();
    std::set<int32_t> kinds;
    for (const std::string& text : texts) {
        QDXFactor factor;
        Parse(factor, text);
        kinds.insert(factor.Kind);
        EXPECT_TRUE(Draw(factor)) << text;
        EXPECT_EQ(Pixels(canvas), before) << text;
        if (factor.Kind == 504 || factor.Kind == 704) {
            const MixGradationPoint& p = factor.GradationPoints.GetBuffer()[0];
            EXPECT_EQ(p.red, 0x12);
            EXPECT_EQ(p.blue, 0x56);
        }
    }
    EXPECT_TRUE(error.IsEmpty());
    EXPECT_EQ(kinds.size(), 28u) << "every kind";
}

// The points of MixGradation and MixGradationC take red, green and blue from
// the palette on every draw, into the factor record; the alpha is the written
// one. MixGradationA reads no palette.
TEST_F(GradientRenderTest, ColourPointsFollowThePalette) {
    // A palette point at (5, 4) and a plain one at (16, 12).
    const std::string list = "array(mixgradinfo(5,4,12,3,1,1,1,1,77,40050000,0.9,MIX),"
                             "mixgradinfo(16,12,9,2,1,1,1,1,40,20,60,10,0.5,ADD))";
    MixGradationPoint points[2] = {{5, 4, 12, 3, 1, 1, 1, 1, 77, 0x12, 0x34, 0x56, 0.9, kMixGradationMix},
                                   {16, 12, 9, 2, 1, 1, 1, 1, 40, 20, 60, 10, 0.5, kMixGradationAdd}};
    const std::vector<uint32_t> before = Pixels(canvas);
    for (const bool colourOnly : {false, true}) {
        SCOPED_TRACE(colourOnly);
        QDXFactor factor;
        Parse(factor, std::string(colourOnly ? "MixGradationC" : "MixGradation") + "(0,0,23,17,80a0b0c0," + list +
                          ")");
        for (const uint32_t code : {0x00123456u, 0x40000000u | (240u << 18) | (256u << 9) | 256u}) {
            doc.PaletteTables->Palette1[5] = code;
            const uint32_t rgb = DecodeColorCode(code);
            points[0].red = rgb >> 16;
            points[0].green = (rgb >> 8) & 0xFF;
            points[0].blue = rgb & 0xFF;
            CSprite expected;
            CopyPixels(canvas, expected);
            if (colourOnly) {
                expected.MixGradationC(0, 0, 23, 17, points, 2, 0x80A0B0C0u);
            } else {
                expected.MixGradation(0, 0, 23, 17, points, 2, 0x80A0B0C0u);
            }
            EXPECT_TRUE(Draw(factor));
            EXPECT_EQ(Pixels(canvas), Pixels(expected)) << std::hex << code;
            const MixGradationPoint& stored = factor.GradationPoints.GetBuffer()[0];
            EXPECT_EQ(stored.red, points[0].red);
            EXPECT_EQ(stored.green, points[0].green);
            EXPECT_EQ(stored.blue, points[0].blue);
            EXPECT_EQ(stored.alpha, 77.0);
            EXPECT_EQ(factor.GradationPoints.GetBuffer()[1].red, 20.0) << "a point without reference keeps its own";
            raster_test::Load(canvas, before);
        }
    }

    QDXFactor alpha;
    Parse(alpha, "MixGradationA(0,0,23,17,30," + list + ")");
    EXPECT_TRUE(Draw(alpha));
    EXPECT_EQ(alpha.GradationPoints.GetBuffer()[0].red, 0.0);
    EXPECT_EQ(alpha.GradationPoints.GetBuffer()[0].blue, 0.0);
}

// A record whose count runs past its point block or its palette words (one
// built by hand, not read from text) draws the points it holds.
TEST_F(GradientRenderTest, PointCountBeyondTheRecordIsCut) {
    const std::vector<MixGradationPoint> points = PointRecords();
    QDXFactor factor;
    Parse(factor, "MixGradation(0,0,23,17,80112233," + kPointsText + ")");
    factor.GradationCount = 500;
    CSprite expected;
    CopyPixels(canvas, expected);
    expected.MixGradation(0, 0, 23, 17, points.data(), 2, 0x80112233u);
    EXPECT_TRUE(Draw(factor));
    EXPECT_EQ(Pixels(canvas), Pixels(expected));

    factor.GradationColors.RemoveAll();  // no palette words at all
    factor.GradationCount = 2;
    EXPECT_TRUE(Draw(factor));
    EXPECT_EQ(Pixels(canvas), Pixels(expected));
}

// The rectangle is the prepared one: position and size scaled by the object's
// scales, rounded half away from zero.
TEST_F(GradientRenderTest, TheRectangleFollowsTheObjectScales) {
    QDXFactor factor;
    Parse(factor, "GradationV(-3,2,21,7,ff0000ff,ffff0000)");
    CSprite expected;
    CopyPixels(canvas, expected);
    expected.GradationV(-2, 4, 11, 14, 0xFF0000FFu, 0xFFFF0000u);
    EXPECT_TRUE(Draw(factor, 0.5, 2.0));
    EXPECT_EQ(Pixels(canvas), Pixels(expected));
}

// The interpolation kinds read each line's end pixels just before redrawing it:
// red and blue ends give a red-to-blue ramp, equal ends a uniform line, and
// the other bytes of the alpha and colour forms stay.
TEST_F(GradientRenderTest, InterpolationRampsEachLineBetweenItsEnds) {
    for (int32_t y = 0; y < kGradientCanvasH; ++y) {
        *canvas.PixelAt(2, y) = 0xFFFF0000u;
        *canvas.PixelAt(20, y) = y == 5 ? 0xFFFF0000u : 0xFF0000FFu;
    }
    EXPECT_TRUE(Draw("InterpolationGradationH(2,0,19,17)"));
    for (int32_t y = 0; y < kGradientCanvasH; ++y) {
        SCOPED_TRACE(y);
        uint32_t previous = *canvas.PixelAt(2, y);
        EXPECT_EQ(previous, 0xFFFF0000u);
        for (int32_t x = 3; x <= 20; ++x) {
            const uint32_t p = *canvas.PixelAt(x, y);
            if (y == 5) {
                EXPECT_EQ(p, 0xFFFF0000u) << x;
                continue;
            }
            EXPECT_EQ(p & 0xFF00FF00u, 0xFF000000u) << x;               // no green, opaque
            EXPECT_LT((p >> 16) & 0xFF, (previous >> 16) & 0xFF) << x;  // red falls
            EXPECT_GT(p & 0xFF, previous & 0xFF) << x;                  // blue rises
            previous = p;
        }
        if (y != 5) {
            EXPECT_EQ(previous, 0xFF0000FFu);
        }
    }

    // Alpha form: top alpha 0, bottom 255 in every column; colours kept.
    for (int32_t x = 0; x < kGradientCanvasW; ++x) {
        *canvas.PixelAt(x, 0) &= 0x00FFFFFFu;
        *canvas.PixelAt(x, kGradientCanvasH - 1) |= 0xFF000000u;
    }
    const std::vector<uint32_t> before = Pixels(canvas);
    EXPECT_TRUE(Draw("InterpolationGradationVA(0,0,23,17)"));
    for (int32_t y = 0; y < kGradientCanvasH; ++y)
        for (int32_t x = 0; x < kGradientCanvasW; ++x) {
            const uint32_t p = *canvas.PixelAt(x, y);
            ASSERT_EQ(p & 0xFFFFFFu, before[y * kGradientCanvasW + x] & 0xFFFFFFu) << x << "," << y;
            ASSERT_EQ(p >> 24, static_cast<uint32_t>(y * 255 / (kGradientCanvasH - 1))) << x << "," << y;
        }
}

// A line of one pixel, or a rectangle clipped away, is left alone.
TEST_F(GradientRenderTest, InterpolationNeedsTwoPixelsAlongTheLine) {
    const std::vector<uint32_t> before = Pixels(canvas);
    for (const char* text :
         {"InterpolationGradationH(22,0,5,17)", "InterpolationGradationHA(-4,0,5,17)",
          "InterpolationGradationHC(3,3,1,5)", "InterpolationGradationV(0,16,23,5)",
          "InterpolationGradationVA(0,-9,23,10)", "InterpolationGradationVC(3,3,5,1)",
          "InterpolationGradationH(30,0,5,17)", "InterpolationGradationV(0,0,0,17)"}) {
        EXPECT_TRUE(Draw(text)) << text;
        EXPECT_EQ(Pixels(canvas), before) << text;
    }
    // A one-pixel line across the ramp direction is drawn.
    EXPECT_TRUE(Draw("InterpolationGradationH(0,3,23,1)"));
    EXPECT_NE(Pixels(canvas), before);
}

// With turn 0 the hue runs straight from 10 to 350 degrees, through green and
// blue, not across red.
TEST_F(GradientRenderTest, HueTurnZeroTakesTheLongWay) {
    for (int32_t y = 0; y < kGradientCanvasH; ++y) {
        *canvas.PixelAt(0, y) = 0xFF000000u | HSVToRGB(10, 256, 256);
        *canvas.PixelAt(kGradientCanvasW - 1, y) = 0xFF000000u | HSVToRGB(350, 256, 256);
    }
    EXPECT_TRUE(Draw("InterpolationGradationColorSpaceH(0,0,23,17,0,0)"));
    const uint32_t middle = *canvas.PixelAt(11, 8);  // hue 180: cyan
    EXPECT_LT((middle >> 16) & 0xFF, 16u);
    EXPECT_GT((middle >> 8) & 0xFF, 240u);
    EXPECT_GT(middle & 0xFF, 240u);
}

}  // namespace
