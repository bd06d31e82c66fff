// A small document of every built family (shapes and paths, alpha shapes,
// scaled shapes, gradients, object draws, channel and colour-model draws,
// target lists, masks and ghosts) rendered at full quality and compared with
// reviewed images, pixel for pixel.
//
// To make the images anew after a reviewed change, run the test with
// OC_UPDATE_GOLDEN=1: it writes the PNGs into the source tree, and the new
// pictures are looked at before they are committed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "platform/image/ImageCodec.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

const std::string kFolder = std::string(OC_SOURCE_DIR) + "/tests/document/data/render/";

bool WritePng(const CSprite& canvas, const std::string& path) {
    platform::PixelRows rows;
    rows.firstRow = canvas.GetPixels();
    rows.stride = ptrdiff_t(canvas.GetStride()) * 4;
    rows.width = canvas.GetWidth();
    rows.height = canvas.GetHeight();
    std::vector<uint8_t> bytes;
    if (!platform::EncodePng(rows, 9, bytes)) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

class GoldenRenderTest : public testing::TestWithParam<const char*> {
protected:
    static void SetUpTestSuite() { InitRasterLibrary(1); }
};

TEST_P(GoldenRenderTest, MatchesTheReviewedImage) {
    const std::string name = GetParam();
    CQDXCtrl doc;
    ASSERT_EQ(doc.LoadFile((kFolder + "families.qdx").c_str()), 0);
    QDXObject* object = doc.FindObject(name.c_str(), nullptr, "");
    ASSERT_NE(object, nullptr);
    CStr_base<64> error;
    ASSERT_TRUE(object->Render(false, &error)) << error.GetText();
    EXPECT_STREQ(error.GetText(), "");
    const CSprite& canvas = object->Canvas;
    const std::string golden = kFolder + name + ".png";

    if (std::getenv("OC_UPDATE_GOLDEN") != nullptr) {
        ASSERT_TRUE(WritePng(canvas, golden));
        GTEST_SKIP() << "wrote " << golden;
    }
    platform::DecodedPixels expected;
    ASSERT_TRUE(platform::DecodeImageFile(golden.c_str(), expected)) << golden;
    ASSERT_EQ(expected.width, canvas.GetWidth());
    ASSERT_EQ(expected.height, canvas.GetHeight());
    int differing = 0;
    for (int32_t y = 0; y < canvas.GetHeight(); ++y) {
        for (int32_t x = 0; x < canvas.GetWidth(); ++x) {
            const uint32_t got = *canvas.PixelAt(x, y);
            const uint32_t want = expected.Row(y)[x];
            if (got != want && differing++ < 5)
                ADD_FAILURE() << name << " (" << x << ", " << y << "): " << std::hex << got << " != " << want;
        }
    }
    EXPECT_EQ(differing, 0) << "pixels that differ from " << golden;
}

INSTANTIATE_TEST_SUITE_P(Families, GoldenRenderTest,
                         testing::Values("Shapes", "ShapesA", "Scaled", "Gradients", "Draws", "Channels",
                                         "Structure", "Colours"));

}  // namespace
