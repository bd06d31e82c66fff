// The masked colour-matrix kind drawn through a document equals packing the
// factor's matrix, folding its strength and calling the masked kernel on a
// copy of the canvas; the simple and the extended paths, scaled objects and
// the canvas edges.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "raster/colour/ColourMatrix.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/document/renderer/RenderTestSupport.h"

namespace mask_colour_matrix_render_test {

constexpr int32_t kMaskW = 16, kMaskH = 12;
constexpr int32_t kCanvasW = 20, kCanvasH = 14;
constexpr uint32_t kKey = 0xFF00FF00u;

using rendertest::CopyCanvas;
using rendertest::PixelsOf;

// "Mask" (the key, its RGB under another alpha, other pixels), "Bg" (random
// canvas pixels), "Base" (Bg copied) and "Dst" (Bg copied, then the factor).
class MatrixDocument {
public:
    MatrixDocument(const std::string& factor, const std::string& scales) {
        EXPECT_TRUE(doc.AddObjectFromText("Mask", "Render(16,12,0,array(Copy(0,0,1,1,\"Bg\",0,0)))"));
        EXPECT_TRUE(doc.AddObjectFromText("Bg", "Render(20,14,0,array(Copy(0,0,1,1,\"Mask\",0,0)))"));
        const std::string head = "Render(20,14,0," + scales + "array(Copy(0,0,20,14,\"Bg\",0,0)";
        EXPECT_TRUE(doc.AddObjectFromText("Base", (head + "))").c_str()));
        EXPECT_TRUE(doc.AddObjectFromText("Dst", (head + "," + factor + "))").c_str())) << factor;
        std::mt19937 rng(5);
        QDXObject& mask = Object("Mask");
        EXPECT_TRUE(mask.CreateSurface(kMaskW, kMaskH));
        for (int32_t y = 0; y < kMaskH; ++y)
            for (int32_t x = 0; x < kMaskW; ++x) {
                const uint32_t r = rng() % 3;
                *mask.Canvas.PixelAt(x, y) = r == 0 ? kKey : r == 1 ? 0x8000FF00u : static_cast<uint32_t>(rng());
            }
        mask.RenderState = QDXObject::kImageReady;
        QDXObject& bg = Object("Bg");
        EXPECT_TRUE(bg.CreateSurface(kCanvasW, kCanvasH));
        for (int32_t y = 0; y < kCanvasH; ++y)
            for (int32_t x = 0; x < kCanvasW; ++x) *bg.Canvas.PixelAt(x, y) = static_cast<uint32_t>(rng());
        bg.RenderState = QDXObject::kImageReady;
    }
    QDXObject& Object(const char* name) { return doc.Objects.Find(name)->GetValue(); }
    CQDXCtrl doc;
};

std::string MatrixText(const std::vector<int32_t>& m) {
    std::string out;
    for (const int32_t v : m) out += std::to_string(v) + ",";
    return out;
}

struct MatrixCase {
    const char* name;
    std::vector<int32_t> matrix;  // the 4 x 9 cells
    int32_t strength;
    int32_t x, y, w, h, mx, my;  // as written
    std::string scales;          // "sx,sy,st," for a scaled object
    int32_t dx, dy, dw, dh;      // after scaling
    int32_t simpleCount;         // 0: the extended path
};

std::vector<int32_t> Cells(std::initializer_list<std::pair<int, int32_t>> nonZero) {
    std::vector<int32_t> m(36, 0);
    for (const auto& [i, v] : nonZero) m[i] = v;
    return m;
}

TEST(MaskColourMatrixRender, EqualsPackFoldAndMaskedKernel) {
    ASSERT_TRUE(InitRasterLibrary(1) || IsRasterReady());
    std::mt19937 rng(9);
    std::vector<int32_t> dense(36);
    for (int32_t& v : dense) v = static_cast<int32_t>(rng() % 0x30000) - 0x18000;
    const MatrixCase cases[] = {
        {"simple 3x3 mix", Cells({{0, 0x8000}, {2, 0x8000}, {11, 0x10000}, {22, 0x10000}, {33, 0x10000}}), 255, 2, 1,
         10, 8, 3, 2, "", 2, 1, 10, 8, 9},
        {"simple 4x5 at partial strength",
         Cells({{0, -0x10000}, {8, 0xFF0000}, {11, 0x8000}, {6, 0x4000}, {22, 0x10000}, {33, 0x8000}, {35, 0x100000}}),
         100, 2, 1, 10, 8, 3, 2, "", 2, 1, 10, 8, 20},
        {"extended complement (inversion)", Cells({{1, 0x10000}, {12, 0x10000}, {23, 0x10000}, {33, 0x10000}}), 200, 0,
         0, 20, 14, 0, 0, "", 0, 0, 20, 14, 0},
        {"extended dense", dense, 255, -3, -2, 30, 30, 1, 0, "", -3, -2, 30, 30, 0},
        {"scaled object: x, y, w, h scaled, mask corner not",
         Cells({{0, 0x10000}, {8, 0x200000}, {11, 0x10000}, {22, 0x10000}, {33, 0x10000}}), 255, 3, 4, 5, 6, 1, 2,
         "2,0.5,1,", 6, 2, 10, 3, 6},
    };
    for (const MatrixCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string factor = "MaskApplyColorMatrix(" + std::to_string(c.x) + "," + std::to_string(c.y) + "," +
                                   std::to_string(c.w) + "," + std::to_string(c.h) + ",\"Mask\"," +
                                   std::to_string(c.mx) + "," + std::to_string(c.my) + ",ff00ff00," +
                                   MatrixText(c.matrix) + std::to_string(c.strength) + ")";
        MatrixDocument d(factor, c.scales);
        CStr_base<64> error;
        ASSERT_TRUE(d.Object("Base").Render(false, &error));
        ASSERT_TRUE(d.Object("Dst").Render(false, &error)) << error.GetText();
        EXPECT_STREQ(error.GetText(), "");

        int32_t packed[36];
        int32_t count = ColorMatrix::CompactSimpleForm(c.matrix.data(), packed);
        EXPECT_EQ(count, c.simpleCount);
        CSprite expected;
        CopyCanvas(d.Object("Base").Canvas, expected);
        const CSprite& mask = d.Object("Mask").Canvas;
        if (count != 0) {
            ColorMatrix::ApplyOpacity(packed, count, static_cast<uint32_t>(c.strength));
            expected.ApplyColorMatrixMasked(c.dx, c.dy, c.dw, c.dh, packed, count, kKey, mask, c.mx, c.my);
        } else {
            count = ColorExMatrix::Compact(c.matrix.data(), packed);
            ColorExMatrix::ApplyOpacity(packed, count, static_cast<uint32_t>(c.strength));
            expected.ApplyColorExMatrixMasked(c.dx, c.dy, c.dw, c.dh, packed, count, kKey, mask, c.mx, c.my);
        }
        EXPECT_EQ(PixelsOf(d.Object("Dst").Canvas), PixelsOf(expected));
        EXPECT_NE(PixelsOf(d.Object("Dst").Canvas), PixelsOf(d.Object("Base").Canvas)) << "drew nothing";
    }
}

}  // namespace mask_colour_matrix_render_test
