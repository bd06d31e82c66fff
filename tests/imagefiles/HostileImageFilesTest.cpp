// Hostile image files through the loaders a user reaches: each fails cleanly,
// leaves the sprite empty and costs the process little memory (measured in a
// forked child), whatever name the file carries.
#include <gtest/gtest.h>

#include <string>

#include "imagefiles/ImageFiles.h"
#include "tests/imagefiles/ImageFilesTestSupport.h"
#include "tests/platform/image/ChildMemory.h"

namespace {

using imagefiles_test::ImageFilesTest;
using testsupport::ReadText;
using testsupport::WriteText;

constexpr int64_t kRefusalBudgetKb = 64 * 1024;

std::string Fixture(const std::string& folder, const char* name) {
    return ReadText(std::string(OC_SOURCE_DIR) + "/tests/" + folder + "/data/hostile/" + name);
}

// The same file with another canvas size (stored less one, in 24 bits).
std::string WithCanvas(std::string bytes, uint32_t width, uint32_t height) {
    for (int i = 0; i < 3; ++i) {
        bytes[24 + i] = char((width - 1) >> (8 * i));
        bytes[27 + i] = char((height - 1) >> (8 * i));
    }
    return bytes;
}

TEST_F(ImageFilesTest, WebPAnimationCanvasIsRefusedFromTheHeader) {
    // 2097158 x 1026: the demuxer would allocate 8.6 GB for the canvas. At
    // 16384 x 8192 (512 MB) the allocation would succeed and show.
    const std::string fixture = Fixture("imagefiles", "webp-anim-canvas-oom.webp");
    for (const std::string& bytes : {fixture, WithCanvas(fixture, 16384, 8192)}) {
        const std::string path = Path("canvas.webp");
        WriteText(path, bytes);
        const testsupport::ChildOutcome outcome = testsupport::RunInChild([&] {
            CSprite fromMemory;
            CSprite fromFile;
            const bool decoded = DecodeWebP(fromMemory, reinterpret_cast<const uint8_t*>(bytes.data()),
                                            uint32_t(bytes.size()));
            const bool loaded = LoadImageFile(path.c_str(), fromFile);
            return decoded || loaded || fromMemory.HasImage() || fromFile.HasImage();
        });
        ASSERT_TRUE(outcome.finished) << "the decoding child died";
        EXPECT_FALSE(outcome.result);
        EXPECT_LT(outcome.peakGrowthKb, kRefusalBudgetKb);
    }
}

TEST_F(ImageFilesTest, WebPAnimationWithABadFrameLeavesNothing) {
    // Two frames whose second fails to decode: the half-written strip must
    // not stay behind in the sprite.
    const std::string bytes = Fixture("imagefiles", "webp-anim-bad-frame.webp");
    CSprite sprite;
    EXPECT_FALSE(DecodeWebP(sprite, reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size())));
    EXPECT_FALSE(sprite.HasImage());
    const std::string path = Path("bad-frame.webp");
    WriteText(path, bytes);
    EXPECT_FALSE(LoadImageFile(path.c_str(), sprite));
    EXPECT_FALSE(sprite.HasImage());
}

TEST_F(ImageFilesTest, LossyWebPMustHoldTheDataForItsSize) {
    // A flat lossy image spends close to a bit on each 16 x 16 block; its
    // header patched to 16000 x 16000 claims far more than its bytes hold.
    const CSprite flat = imagefiles_test::Painted(4096, 4096, [](int32_t, int32_t) { return 0xFF336699u; });
    CMemoryBlock<unsigned char> encoded;
    ASSERT_TRUE(EncodeWebP(flat, encoded, 50.0f));
    const std::string bytes(reinterpret_cast<const char*>(encoded.GetBuffer()), encoded.GetCount());
    ASSERT_EQ(bytes.substr(12, 4), "VP8 ");
    CSprite back;
    ASSERT_TRUE(DecodeWebP(back, encoded.GetBuffer(), encoded.GetCount()));
    EXPECT_EQ(back.GetWidth(), 4096);

    std::string claimed = bytes;
    for (size_t at : {size_t(26), size_t(28)}) {
        claimed[at] = char(16000 & 0xFF);
        claimed[at + 1] = char(16000 >> 8);
    }
    const testsupport::ChildOutcome outcome = testsupport::RunInChild([&claimed] {
        CSprite sprite;
        return DecodeWebP(sprite, reinterpret_cast<const uint8_t*>(claimed.data()), uint32_t(claimed.size())) ||
               sprite.HasImage();
    });
    ASSERT_TRUE(outcome.finished) << "the decoding child died";
    EXPECT_FALSE(outcome.result);
    EXPECT_LT(outcome.peakGrowthKb, kRefusalBudgetKb);
}

TEST_F(ImageFilesTest, HostileBitmapsFailUnderEveryName) {
    const char* const fixtures[] = {"rle8-32767x32767.bmp", "png-32767x32767.png", "jpeg-65500x16392.jpg"};
    const char* const names[] = {"a.bmp", "a.png", "a.jpg", "a.webp", "a"};
    for (const char* fixture : fixtures) {
        const std::string bytes = Fixture("platform/image", fixture);
        for (const char* name : names) {
            SCOPED_TRACE(std::string(fixture) + " as " + name);
            const std::string path = Path(name);
            WriteText(path, bytes);
            const testsupport::ChildOutcome outcome = testsupport::RunInChild([&] {
                CSprite sprite;
                return LoadImageFile(path.c_str(), sprite) || sprite.HasImage();
            });
            ASSERT_TRUE(outcome.finished) << "the loading child died";
            EXPECT_FALSE(outcome.result);
            EXPECT_LT(outcome.peakGrowthKb, kRefusalBudgetKb);
        }
    }
}

}  // namespace
