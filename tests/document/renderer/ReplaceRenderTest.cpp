// The fill, replacement, colour-matrix and region kinds of the fill family and
// every replace-copy / replace-draw kind, drawn through a document, equal
// their direct kernel call on a copy of the canvas (the 1 x 1 source cases
// included); ReplaceDataFromPixel's failure; nothing drawn, and success,
// while the raster library is not ready.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "document/renderer/RenderContext.h"
#include "raster/colour/ColourMatrix.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/document/renderer/RenderTestSupport.h"

namespace replace_render_test {

using rendertest::CopyCanvas;
using rendertest::PixelsOf;

constexpr int32_t kCanvasW = 20, kCanvasH = 14;
constexpr int32_t kSourceW = 9, kSourceH = 7;
constexpr uint32_t kKeyValue = 0x80102030u;

// "処理対象ピクセル座標が無効なため、描画できません\n"
const std::string kInvalidPixelPosition =
    "\x8F\x88\x97\x9D\x91\xCE\x8F\xDB\x83s\x83N\x83Z\x83\x8B\x8D\xC0\x95W\x82\xAA\x96\xB3\x8C\xF8\x82\xC8\x82\xBD\x82\xDF"
    "\x81\x41\x95`\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\n";

// Pixels crowded at the keys of the cases: the key value, its colour under
// other alphas, other colours under its alpha, and any pixel; runs of equal
// pixels make regions for the region fills.
uint32_t CrowdedPixel(std::mt19937& rng) {
    switch (rng() % 5) {
    case 0: return kKeyValue;
    case 1: return 0xFF102030u;
    case 2: return 0x80000000u | (rng() & 0xFFFFFFu);
    case 3: return 0x00000000u;
    default: return static_cast<uint32_t>(rng());
    }
}

// "Src" (the source object), "Bg" (the canvas pixels), "Base" (Bg copied)
// and "Dst" (Bg copied, then the factor).
class ReplaceDocument {
public:
    ReplaceDocument(const std::string& factor, const std::string& scales) {
        EXPECT_TRUE(doc.AddObjectFromText("Src", "Render(9,7,0,array(Copy(0,0,1,1,\"Bg\",0,0)))"));
        EXPECT_TRUE(doc.AddObjectFromText("Bg", "Render(20,14,0,array(Copy(0,0,1,1,\"Src\",0,0)))"));
        const std::string head = "Render(20,14,0," + scales + "array(Copy(0,0,20,14,\"Bg\",0,0)";
        EXPECT_TRUE(doc.AddObjectFromText("Base", (head + "))").c_str()));
        EXPECT_TRUE(doc.AddObjectFromText("Dst", (head + "," + factor + "))").c_str())) << factor;
        std::mt19937 rng(13);
        Fill(Object("Src"), kSourceW, kSourceH, rng);
        Fill(Object("Bg"), kCanvasW, kCanvasH, rng);
    }
    QDXObject& Object(const char* name) { return doc.Objects.Find(name)->GetValue(); }

    // Draws the factor (the second of Dst's list) onto canvas directly.
    bool DrawFactor(CSprite& canvas, CStr_base<64>& error) {
        RenderContext context;
        FactorCall call;
        call.Context = &context;
        call.Canvas = &canvas;
        call.Document = &doc;
        call.Object = &Object("Dst");
        call.ErrorText = &error;
        return RenderFactor(*Object("Dst").Factors.GetAt(1), call);
    }

    CQDXCtrl doc;

private:
    static void Fill(QDXObject& object, int32_t w, int32_t h, std::mt19937& rng) {
        EXPECT_TRUE(object.CreateSurface(w, h));
        uint32_t last = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) {
                if (rng() % 3 != 0) last = CrowdedPixel(rng);
                *object.Canvas.PixelAt(x, y) = last;
            }
        object.RenderState = QDXObject::kImageReady;
    }
};

using Kernel = std::function<void(CSprite& canvas, const CSprite& src)>;

struct KindCase {
    std::string name;
    std::string factor;
    std::string scales;  // "sx,sy,st," for a scaled object
    Kernel kernel;
};

std::string Cells(std::initializer_list<std::pair<int, int32_t>> nonZero, std::vector<int32_t>* out) {
    std::vector<int32_t> m(36, 0);
    for (const auto& [i, v] : nonZero) m[i] = v;
    std::string text;
    for (const int32_t v : m) text += std::to_string(v) + ",";
    *out = m;
    return text;
}

// The matrix kind's kernel: pack, fold, dispatch.
void MatrixKernel(CSprite& canvas, const std::vector<int32_t>& m, uint8_t opacity, int32_t x, int32_t y, int32_t w,
                  int32_t h) {
    int32_t packed[36];
    int32_t count = ColorMatrix::CompactSimpleForm(m.data(), packed);
    if (count != 0) {
        ColorMatrix::ApplyOpacity(packed, count, opacity);
        canvas.ApplyColorMatrix(x, y, w, h, packed, count);
    } else {
        count = ColorExMatrix::Compact(m.data(), packed);
        ColorExMatrix::ApplyOpacity(packed, count, opacity);
        canvas.ApplyColorExMatrix(x, y, w, h, packed, count);
    }
}

std::vector<KindCase> FillCases() {
    static std::vector<int32_t> simple, extended;
    const std::string simpleText =
        Cells({{0, 0x8000}, {2, 0x8000}, {8, 0x200000}, {11, 0x10000}, {22, 0x10000}, {33, 0x10000}}, &simple);
    const std::string extendedText = Cells({{1, 0x10000}, {12, 0x10000}, {23, 0x10000}, {33, 0x10000}}, &extended);
    return {
        {"801 Fill ignores the colour's top byte", "Fill(2,1,10,8,ff3366,200)", "",
         [](CSprite& c, const CSprite&) { c.FillRectOpacity(2, 1, 10, 8, 0xFF3366u, 200); }},
        {"811 FillC", "FillC(2,1,10,8,ff3366,100)", "",
         [](CSprite& c, const CSprite&) { c.FillRectCOpacity(2, 1, 10, 8, 0xFF3366u, 100); }},
        {"821 FillA", "FillA(-3,1,10,30,119)", "", [](CSprite& c, const CSprite&) { c.FillRectA(-3, 1, 10, 30, 119); }},
        {"802 ReplaceDataFromAlpha", "ReplaceDataFromAlpha(0,0,20,14,ff3366,200,128,100)", "",
         [](CSprite& c, const CSprite&) { c.ReplaceDataFromAlphaIfReady(0, 0, 20, 14, 0x80, 0xC8FF3366u, 100); }},
        {"802 at level 255 over alpha 0", "ReplaceDataFromAlpha(0,0,20,14,ff3366,200,0,255)", "",
         [](CSprite& c, const CSprite&) { c.ReplaceDataFromAlphaIfReady(0, 0, 20, 14, 0, 0xC8FF3366u, 255); }},
        {"803 ReplaceDataFromColor", "ReplaceDataFromColor(1,1,18,12,ff3366,200,ff102030,77)", "",
         [](CSprite& c, const CSprite&) { c.ReplaceDataFromColor(1, 1, 18, 12, 0xFF102030u, 0xC8FF3366u, 77); }},
        {"804 ReplaceData", "ReplaceData(1,1,18,12,ff3366,200,80102030,128)", "",
         [](CSprite& c, const CSprite&) { c.ReplaceDataOpacity(1, 1, 18, 12, kKeyValue, 0xC8FF3366u, 128); }},
        {"812 ReplaceColorFromAlpha: the alpha argument is the key", "ReplaceColorFromAlpha(1,1,18,12,ff3366,128,200)",
         "", [](CSprite& c, const CSprite&) { c.ReplaceColorFromAlphaIfReady(1, 1, 18, 12, 0x80, 0xFF3366u, 200); }},
        {"813 ReplaceColor", "ReplaceColor(1,1,18,12,102030,ff3366,128)", "",
         [](CSprite& c, const CSprite&) { c.ReplaceColorOpacity(1, 1, 18, 12, 0x102030u, 0xFF3366u, 128); }},
        {"814 ReplaceColorFromData", "ReplaceColorFromData(1,1,18,12,80102030,ff3366,255)", "",
         [](CSprite& c, const CSprite&) { c.ReplaceColorFromData(1, 1, 18, 12, kKeyValue, 0xFF3366u, 255); }},
        {"822 ReplaceAlpha", "ReplaceAlpha(1,1,18,12,128,10,128)", "",
         [](CSprite& c, const CSprite&) { c.ReplaceAlphaOpacity(1, 1, 18, 12, 0x80, 10, 128); }},
        {"823 ReplaceAlphaFromColor", "ReplaceAlphaFromColor(1,1,18,12,102030,10,50)", "",
         [](CSprite& c, const CSprite&) { c.ReplaceAlphaFromColorIfReady(1, 1, 18, 12, 0x102030u, 10, 50); }},
        {"824 ReplaceAlphaFromData", "ReplaceAlphaFromData(1,1,18,12,80102030,10,255)", "",
         [](CSprite& c, const CSprite&) { c.ReplaceAlphaFromDataIfReady(1, 1, 18, 12, kKeyValue, 10, 255); }},
        {"851 ReplaceDataFromPixel: the key is the canvas pixel, also outside the rectangle",
         "ReplaceDataFromPixel(3,2,12,9,0,1,ff3366,200,128)", "",
         [](CSprite& c, const CSprite&) {
             c.ReplaceDataOpacity(3, 2, 12, 9, *c.PixelAt(0, 1), 0xC8FF3366u, 128);
         }},
        {"851 scaled: the rectangle scaled, the pixel position not", "ReplaceDataFromPixel(1,2,5,20,3,4,ff3366,200,255)",
         "2,0.5,1,",
         [](CSprite& c, const CSprite&) {
             c.ReplaceDataOpacity(2, 1, 10, 10, *c.PixelAt(3, 4), 0xC8FF3366u, 255);
         }},
        {"852 simple matrix", "ApplyColorMatrix(1,1,18,12," + simpleText + "200)", "",
         [](CSprite& c, const CSprite&) { MatrixKernel(c, simple, 200, 1, 1, 18, 12); }},
        {"852 extended matrix (complement columns)", "ApplyColorMatrix(-2,3,30,30," + extendedText + "255)", "",
         [](CSprite& c, const CSprite&) { MatrixKernel(c, extended, 255, -2, 3, 30, 30); }},
        {"854 RegionFill", "RegionFill(0,0,20,14,5,5,ff3366,200)", "",
         [](CSprite& c, const CSprite&) { c.FloodFill(0, 0, 20, 14, 5, 5, 0xC8FF3366u); }},
        {"854 scaled: the seed as written", "RegionFill(0,0,10,28,6,3,ff3366,200)", "2,0.5,1,",
         [](CSprite& c, const CSprite&) { c.FloodFill(0, 0, 20, 14, 6, 3, 0xC8FF3366u); }},
        {"855 RegionFillC", "RegionFillC(0,0,20,14,7,2,ff3366)", "",
         [](CSprite& c, const CSprite&) { c.FloodFillC(0, 0, 20, 14, 7, 2, 0xFF3366u); }},
    };
}

// The replace-copy / replace-draw kinds: keyword, key text, opacity text,
// tiled call, single call with the source pixel P.
struct ConditionalKind {
    const char* keyword;
    const char* key;      // as written (key alpha, colour, value or threshold)
    const char* opacity;  // as written
    std::function<void(CSprite&, const CSprite&, int32_t, int32_t, int32_t, int32_t)> tiled;
    std::function<void(CSprite&, uint32_t)> single;
};

// Destination rectangle of every conditional case.
#define KR_DST 1, 2, 17, 11
std::vector<ConditionalKind> ConditionalKinds() {
    using S = const CSprite&;
    const uint32_t t = 0x80808080u;
    return {
        {"ReplaceCopyFromAlpha", "128", "200",
         [](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceDataFromAlphaTiled(KR_DST, 0x80, s, x, y, w, h, 200); },
         [](CSprite& c, uint32_t p) { c.ReplaceDataFromAlpha(KR_DST, 0x80, p, 200); }},
        {"ReplaceCopyFromColor", "102030", "255",
         [](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceDataFromColorTiled(KR_DST, 0x102030u, s, x, y, w, h, 255); },
         [](CSprite& c, uint32_t p) { c.ReplaceDataFromColor(KR_DST, 0x102030u, p, 255); }},
        {"ReplaceCopyFromData", "80102030", "128",
         [](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceDataFromDataTiled(KR_DST, kKeyValue, s, x, y, w, h, 128); },
         [](CSprite& c, uint32_t p) { c.ReplaceDataOpacity(KR_DST, kKeyValue, p, 128); }},
        {"ReplaceCopyIfGE", "80808080", "128",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceDataIfGETiled(KR_DST, t, s, x, y, w, h, 128); },
         [t](CSprite& c, uint32_t p) { c.ReplaceDataIfGE(KR_DST, t, p, 128); }},
        {"ReplaceCopyIfLE", "80808080", "255",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceDataIfLETiled(KR_DST, t, s, x, y, w, h, 255); },
         [t](CSprite& c, uint32_t p) { c.ReplaceDataIfLE(KR_DST, t, p, 255); }},
        {"ReplaceCopyIfGrOr", "80808080", "90",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceDataIfGrOrTiled(KR_DST, t, s, x, y, w, h, 90); },
         [t](CSprite& c, uint32_t p) { c.ReplaceDataIfGrOr(KR_DST, t, p, 90); }},
        {"ReplaceCopyIfLeOr", "80808080", "90",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceDataIfLeOrTiled(KR_DST, t, s, x, y, w, h, 90); },
         [t](CSprite& c, uint32_t p) { c.ReplaceDataIfLeOr(KR_DST, t, p, 90); }},
        {"ReplaceDrawFromAlpha", "128", "200",
         [](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceColorFromAlphaTiled(KR_DST, 0x80, s, x, y, w, h, 200); },
         [](CSprite& c, uint32_t p) { c.ReplaceColorFromAlpha(KR_DST, 0x80, p, 200); }},
        {"ReplaceDrawFromColor", "102030", "128",
         [](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceColorFromColorTiled(KR_DST, 0x102030u, s, x, y, w, h, 128); },
         [](CSprite& c, uint32_t p) { c.ReplaceColorOpacity(KR_DST, 0x102030u, p, 128); }},
        {"ReplaceDrawFromData", "80102030", "255",
         [](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceColorFromDataTiled(KR_DST, kKeyValue, s, x, y, w, h, 255); },
         [](CSprite& c, uint32_t p) { c.ReplaceColorFromData(KR_DST, kKeyValue, p, 255); }},
        {"ReplaceDrawIfGE", "80808080", "128",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceColorIfGETiled(KR_DST, t, s, x, y, w, h, 128); },
         [t](CSprite& c, uint32_t p) { c.ReplaceColorIfGE(KR_DST, t, p, 128); }},
        {"ReplaceDrawIfLE", "80808080", "128",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceColorIfLETiled(KR_DST, t, s, x, y, w, h, 128); },
         [t](CSprite& c, uint32_t p) { c.ReplaceColorIfLE(KR_DST, t, p, 128); }},
        {"ReplaceDrawIfGrOr", "80808080", "255",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceColorIfGrOrTiled(KR_DST, t, s, x, y, w, h, 255); },
         [t](CSprite& c, uint32_t p) { c.ReplaceColorIfGrOr(KR_DST, t, p, 255); }},
        {"ReplaceDrawIfLeOr", "80808080", "7",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceColorIfLeOrTiled(KR_DST, t, s, x, y, w, h, 7); },
         [t](CSprite& c, uint32_t p) { c.ReplaceColorIfLeOr(KR_DST, t, p, 7); }},
        {"ReplaceDrawAlpha", "128", "128",
         [](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceAlphaFromAlphaTiled(KR_DST, 0x80, s, x, y, w, h, 128); },
         [](CSprite& c, uint32_t p) { c.ReplaceAlphaOpacity(KR_DST, 0x80, uint8_t(p >> 24), 128); }},
        {"ReplaceDrawAlphaFromColor", "102030", "128",
         [](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceAlphaFromColorTiled(KR_DST, 0x102030u, s, x, y, w, h, 128); },
         [](CSprite& c, uint32_t p) { c.ReplaceAlphaFromColor(KR_DST, 0x102030u, uint8_t(p >> 24), 128); }},
        {"ReplaceDrawAlphaFromData", "80102030", "255",
         [](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceAlphaFromDataTiled(KR_DST, kKeyValue, s, x, y, w, h, 255); },
         [](CSprite& c, uint32_t p) { c.ReplaceAlphaFromData(KR_DST, kKeyValue, uint8_t(p >> 24), 255); }},
        {"ReplaceDrawAlphaIfGE", "80808080", "128",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceAlphaIfGETiled(KR_DST, t, s, x, y, w, h, 128); },
         [t](CSprite& c, uint32_t p) { c.ReplaceAlphaIfGE(KR_DST, t, uint8_t(p >> 24), 128); }},
        {"ReplaceDrawAlphaIfLE", "80808080", "128",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceAlphaIfLETiled(KR_DST, t, s, x, y, w, h, 128); },
         [t](CSprite& c, uint32_t p) { c.ReplaceAlphaIfLE(KR_DST, t, uint8_t(p >> 24), 128); }},
        {"ReplaceDrawAlphaIfGrOr", "80808080", "200",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceAlphaIfGrOrTiled(KR_DST, t, s, x, y, w, h, 200); },
         [t](CSprite& c, uint32_t p) { c.ReplaceAlphaIfGrOr(KR_DST, t, uint8_t(p >> 24), 200); }},
        {"ReplaceDrawAlphaIfLeOr", "80808080", "255",
         [t](CSprite& c, S s, int32_t x, int32_t y, int32_t w, int32_t h) { c.ReplaceAlphaIfLeOrTiled(KR_DST, t, s, x, y, w, h, 255); },
         [t](CSprite& c, uint32_t p) { c.ReplaceAlphaIfLeOr(KR_DST, t, uint8_t(p >> 24), 255); }},
    };
}
#undef KR_DST

// Each conditional kind with a 3 x 2 source (tiled), a 1 x 1 source inside the
// canvas (the single-value path), a 1 x 1 source just outside it (the tiled
// member, which then draws nothing) and in a scaled object.
std::vector<KindCase> ConditionalCases() {
    std::vector<KindCase> out;
    for (const ConditionalKind& k : ConditionalKinds()) {
        const auto text = [&](const char* dst, const char* src) {
            return std::string(k.keyword) + "(" + dst + ",\"Src\"," + src + "," + k.key + "," + k.opacity + ")";
        };
        const auto tiled = k.tiled;
        const auto single = k.single;
        out.push_back({std::string(k.keyword) + " tiled", text("1,2,17,11", "2,1,3,2"), "",
                       [tiled](CSprite& c, const CSprite& s) { tiled(c, s, 2, 1, 3, 2); }});
        out.push_back({std::string(k.keyword) + " 1 x 1", text("1,2,17,11", "4,6,1,1"), "",
                       [single](CSprite& c, const CSprite& s) { single(c, *s.PixelAt(4, 6)); }});
        out.push_back({std::string(k.keyword) + " 1 x 1 outside the source", text("1,2,17,11", "9,0,1,1"), "",
                       [tiled](CSprite& c, const CSprite& s) { tiled(c, s, 9, 0, 1, 1); }});
        out.push_back({std::string(k.keyword) + " scaled object", text("2,2,34,11", "0,0,9,7"), "0.5,1,1,",
                       [tiled](CSprite& c, const CSprite& s) { tiled(c, s, 0, 0, 9, 7); }});
    }
    return out;
}

class ReplaceRenderTest : public rendertest::RenderTest {};

void ExpectKindEqualsKernel(const KindCase& c) {
    SCOPED_TRACE(c.name + ": " + c.factor);
    ReplaceDocument d(c.factor, c.scales);
    CStr_base<64> error;
    ASSERT_TRUE(d.Object("Base").Render(false, &error));
    ASSERT_TRUE(d.Object("Dst").Render(false, &error)) << error.GetText();
    EXPECT_STREQ(error.GetText(), "");
    CSprite expected;
    CopyCanvas(d.Object("Base").Canvas, expected);
    c.kernel(expected, d.Object("Src").Canvas);
    EXPECT_EQ(PixelsOf(d.Object("Dst").Canvas), PixelsOf(expected));
}

TEST_F(ReplaceRenderTest, FillKindsEqualTheirKernel) {
    for (const KindCase& c : FillCases()) ExpectKindEqualsKernel(c);
}

TEST_F(ReplaceRenderTest, ConditionalKindsEqualTheirKernel) {
    for (const KindCase& c : ConditionalCases()) ExpectKindEqualsKernel(c);
}

// The cases draw something: a kind that drew nothing would equal a kernel
// that did nothing only by accident of the fixture.
TEST_F(ReplaceRenderTest, TheCasesChangeTheCanvas) {
    std::vector<KindCase> cases = FillCases();
    for (KindCase& c : ConditionalCases())
        if (c.name.find("outside") == std::string::npos) cases.push_back(c);
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReplaceDocument d(c.factor, c.scales);
        CStr_base<64> error;
        ASSERT_TRUE(d.Object("Base").Render(false, &error));
        ASSERT_TRUE(d.Object("Dst").Render(false, &error));
        EXPECT_NE(PixelsOf(d.Object("Dst").Canvas), PixelsOf(d.Object("Base").Canvas));
    }
}

// Where the 1 x 1 path differs from the tiled one, from an opaque source of
// 0x123456 at 128: ReplaceCopyFromData over a matching opaque pixel mixes the
// alpha linearly (255) instead of by the union rule (127 + 127), and
// ReplaceDrawAlpha over alpha 0 weighs the opacity 129 (alpha 128) instead of
// 128 (alpha 127).
TEST_F(ReplaceRenderTest, OnePixelSourceTakesThePreMixingPath) {
    struct Case {
        const char* background;
        const char* factor;  // %s: the source size
        const char* size;
        uint32_t expected;
    };
    const Case cases[] = {
        {"ff000000", "ReplaceCopyFromData(0,0,3,1,\"Src\",0,0,%s,ff000000,128)", "1,1", 0xFF091A2Bu},
        {"ff000000", "ReplaceCopyFromData(0,0,3,1,\"Src\",0,0,%s,ff000000,128)", "2,1", 0xFE091A2Bu},
        {"0", "ReplaceDrawAlpha(0,0,3,1,\"Src\",0,0,%s,0,128)", "1,1", 0x80000000u},
        {"0", "ReplaceDrawAlpha(0,0,3,1,\"Src\",0,0,%s,0,128)", "2,1", 0x7F000000u},
    };
    for (const Case& c : cases) {
        std::string factor = c.factor;
        factor.replace(factor.find("%s"), 2, c.size);
        SCOPED_TRACE(factor);
        CQDXCtrl doc;
        ASSERT_TRUE(doc.AddObjectFromText("Src", "Render(2,1,0,array(Fill(0,0,2,1,123456,255)))"));
        ASSERT_TRUE(doc.AddObjectFromText(
            "Dst", ("Render(3,1," + std::string(c.background) + ",array(" + factor + "))").c_str()));
        CStr_base<64> error;
        QDXObject& dst = doc.Objects.Find("Dst")->GetValue();
        ASSERT_TRUE(dst.Render(false, &error)) << error.GetText();
        EXPECT_EQ(*dst.Canvas.PixelAt(2, 0), c.expected);
    }
}

TEST_F(ReplaceRenderTest, PixelPositionOutsideTheCanvasFails) {
    const char* const factors[] = {
        "ReplaceDataFromPixel(0,0,20,14,20,0,ff3366,200,255)",
        "ReplaceDataFromPixel(0,0,20,14,-1,0,ff3366,200,255)",
        "ReplaceDataFromPixel(0,0,20,14,0,14,ff3366,200,255)",
        "ReplaceDataFromPixel(0,0,20,14,0,-1,ff3366,200,255)",
    };
    for (const char* factor : factors) {
        SCOPED_TRACE(factor);
        for (const bool ready : {true, false}) {
            ReplaceDocument d(factor, "");
            CSprite canvas;
            CopyCanvas(d.Object("Bg").Canvas, canvas);
            canvas.SetClipRect(2, 2, 10, 10);  // the canvas size decides, not the clip
            const std::vector<uint32_t> before = PixelsOf(canvas);
            CStr_base<64> error;
            if (!ready) raster_test::ResetRasterLibrary();
            const bool drawn = d.DrawFactor(canvas, error);
            rendertest::StartRaster();
            EXPECT_FALSE(drawn);
            EXPECT_EQ(std::string(error.GetText()), kInvalidPixelPosition);
            EXPECT_EQ(PixelsOf(canvas), before);
        }
    }
    // Inside the canvas but outside its clip rectangle: a valid key.
    ReplaceDocument d("ReplaceDataFromPixel(0,0,20,14,19,13,ff3366,200,255)", "");
    CSprite canvas;
    CopyCanvas(d.Object("Bg").Canvas, canvas);
    canvas.SetClipRect(2, 2, 10, 10);
    CStr_base<64> error;
    EXPECT_TRUE(d.DrawFactor(canvas, error));
    // Without a message sink the failure is still reported.
    RenderContext context;
    FactorCall call;
    call.Context = &context;
    call.Canvas = &canvas;
    call.Document = &d.doc;
    call.Object = &d.Object("Dst");
    QDXFactor factor;
    ASSERT_TRUE(factor.ParseText("ReplaceDataFromPixel(0,0,20,14,20,0,ff3366,200,255)"));
    EXPECT_FALSE(RenderFactor(factor, call));
}

// While the raster library is not ready every kind draws nothing and succeeds.
TEST_F(ReplaceRenderTest, NotReadyDrawsNothingAndSucceeds) {
    std::vector<KindCase> cases = FillCases();
    for (KindCase& c : ConditionalCases()) cases.push_back(c);
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        ReplaceDocument d(c.factor, c.scales);
        CSprite canvas;
        CopyCanvas(d.Object("Bg").Canvas, canvas);
        const std::vector<uint32_t> before = PixelsOf(canvas);
        CStr_base<64> error;
        raster_test::ResetRasterLibrary();
        const bool drawn = d.DrawFactor(canvas, error);
        ASSERT_TRUE(InitRasterLibrary(1));
        EXPECT_TRUE(drawn);
        EXPECT_STREQ(error.GetText(), "");
        EXPECT_EQ(PixelsOf(canvas), before);
    }
}

}  // namespace replace_render_test
