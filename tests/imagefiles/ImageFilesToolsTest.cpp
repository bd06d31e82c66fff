// The image files checked against independent readers and writers: libwebp's
// command-line tools and ImageMagick. Each test skips when its tool is missing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imagefiles/ImageFiles.h"
#include "tests/imagefiles/ImageFilesTestSupport.h"

namespace {

using imagefiles_test::ConvertTool;
using imagefiles_test::HaveTool;
using imagefiles_test::ImageFilesTest;
using imagefiles_test::Painted;
using imagefiles_test::Pixels;
using imagefiles_test::ReadPam;
using imagefiles_test::RunTool;
using imagefiles_test::WritePam;

#define REQUIRE_TOOL(name) \
    if (!HaveTool(name)) GTEST_SKIP() << name << " is not installed"

TEST_F(ImageFilesTest, LosslessFileDecodesExactlyWithDwebp) {
    REQUIRE_TOOL("dwebp");
    REQUIRE_TOOL("webpinfo");
    const CSprite source = imagefiles_test::NoiseWithAlpha(47, 29, 21);
    const std::string webp = Path("lossless.webp");
    ASSERT_TRUE(SaveWebPFile(source, webp.c_str(), kWebPLossless));
    ASSERT_EQ(RunTool("dwebp -pam '" + webp + "' -o '" + Path("out.pam") + "'"), 0);
    std::vector<uint32_t> decoded;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(ReadPam(Path("out.pam"), decoded, w, h));
    EXPECT_EQ(w, 47);
    EXPECT_EQ(h, 29);
    EXPECT_EQ(decoded, Pixels(source));  // colours under alpha 0 included
    std::string info;
    ASSERT_EQ(RunTool("webpinfo '" + webp + "'", &info), 0) << info;
    EXPECT_NE(info.find("VP8L"), std::string::npos) << info;
}

TEST_F(ImageFilesTest, LossyQualitiesShrinkInOrder) {
    REQUIRE_TOOL("webpinfo");
    const CSprite source = imagefiles_test::PhotoLike(256, 192, 5, true);
    size_t previous = SIZE_MAX;
    for (int quality : {100, 75, 40, 0}) {
        const std::string path = Path("q" + std::to_string(quality) + ".webp");
        ASSERT_TRUE(SaveWebPFile(source, path.c_str(), float(quality)));
        std::string info;
        ASSERT_EQ(RunTool("webpinfo '" + path + "'", &info), 0) << info;
        EXPECT_NE(info.find("Chunk VP8 "), std::string::npos) << quality << info;
        EXPECT_NE(info.find("Chunk ALPH"), std::string::npos) << quality << info;
        EXPECT_EQ(info.find("VP8L"), std::string::npos) << quality << info;
        const size_t size = testsupport::ReadText(path).size();
        EXPECT_LT(size, previous) << quality;
        previous = size;
    }
}

TEST_F(ImageFilesTest, Img2webpAnimationLoadsAsAStrip) {
    REQUIRE_TOOL("img2webp");
    REQUIRE_TOOL("webpmux");
    // 90 frames of 100 x 20 in distinct colours, with a transparent corner:
    // 8192 columns hold frames 0..81, the last cut after 92 columns.
    std::string command = "img2webp -loop 0 -lossless";
    std::vector<std::vector<uint32_t>> frames;
    for (int k = 0; k < 90; ++k) {
        std::vector<uint32_t> px;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 100; ++x)
                px.push_back(x < 3 && y < 3 ? 0u : 0xFF000000u | uint32_t(k * 0x020406 + x * 0x10000 + y));
        const std::string name = Path("f" + std::to_string(k) + ".pam");
        WritePam(name, px, 100, 20);
        command += " -d " + std::to_string(40 + k) + " '" + name + "'";
        frames.push_back(std::move(px));
    }
    const std::string anim = Path("anim.webp");
    std::string output;
    ASSERT_EQ(RunTool(command + " -o '" + anim + "'", &output), 0) << output;
    ASSERT_EQ(RunTool("webpmux -info '" + anim + "'", &output), 0) << output;
    EXPECT_NE(output.find("Number of frames: 90"), std::string::npos) << output;

    CSprite s;
    ASSERT_TRUE(LoadImageFile(anim.c_str(), s));
    ASSERT_EQ(s.GetWidth(), 8192);
    ASSERT_EQ(s.GetHeight(), 20);
    for (int32_t x = 0; x < 8192; ++x) {
        for (int32_t y = 0; y < 20; y += 19) {
            const auto& frame = frames[size_t(x / 100)];
            ASSERT_EQ(*s.PixelAt(x, y), frame[size_t(y) * 100 + x % 100]) << x << "," << y;
        }
    }
}

TEST_F(ImageFilesTest, ImageMagickReadsTheBitmap) {
    const std::string convert = ConvertTool();
    REQUIRE_TOOL(convert.c_str());
    const CSprite one = Painted(1, 1, [](int32_t, int32_t) { return 0xFF336699u; });
    ASSERT_TRUE(SaveBMP(one, Path("one.bmp").c_str()));
    EXPECT_EQ(testsupport::ReadText(Path("one.bmp")).size(), 58u);
    std::string rgba;
    ASSERT_EQ(RunTool(convert + " '" + Path("one.bmp") + "' rgba:-", &rgba), 0);
    EXPECT_EQ(rgba, std::string("\x33\x66\x99\xFF", 4));

    // A larger opaque image, rows bottom-up in the file, read by an outside reader.
    const CSprite photo = imagefiles_test::PhotoLike(13, 7, 2, false);
    ASSERT_TRUE(SaveBMP(photo, Path("photo.bmp").c_str()));
    ASSERT_EQ(RunTool(convert + " '" + Path("photo.bmp") + "' '" + Path("photo.pam") + "'"), 0);
    std::vector<uint32_t> decoded;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(ReadPam(Path("photo.pam"), decoded, w, h));
    EXPECT_EQ(decoded, Pixels(photo));
}

TEST_F(ImageFilesTest, FilesMadeByOtherToolsLoadToTheSamePixels) {
    const std::string convert = ConvertTool();
    const CSprite source = imagefiles_test::NoiseWithAlpha(23, 17, 13);
    std::vector<uint32_t> expected = Pixels(source);
    const std::string pam = Path("source.pam");
    WritePam(pam, expected, 23, 17);

    // name, the tool that makes it, whether colours under alpha 0 survive it.
    const struct {
        const char* name;
        const char* tool;
        std::string command;
        bool exactUnderClear;
    } cases[] = {
        {"cwebp.webp", "cwebp", "cwebp -lossless -exact '" + pam + "' -o '" + Path("cwebp.webp") + "'", true},
        {"img2webp.webp", "img2webp", "img2webp -lossless '" + pam + "' -o '" + Path("img2webp.webp") + "'", false},
        {"magick.png", convert.c_str(), convert + " '" + pam + "' '" + Path("magick.png") + "'", true},
        {"magick.bmp", convert.c_str(), convert + " '" + pam + "' '" + Path("magick.bmp") + "'", true},
        {"magick.webp", convert.c_str(),
         convert + " '" + pam + "' -define webp:lossless=true '" + Path("magick.webp") + "'", false},
    };
    int ran = 0;
    for (const auto& c : cases) {
        if (!HaveTool(c.tool)) continue;
        std::string output;
        ASSERT_EQ(RunTool(c.command, &output), 0) << c.name << output;
        CSprite s;
        ASSERT_TRUE(LoadImageFile(Path(c.name).c_str(), s)) << c.name;
        ASSERT_EQ(s.GetWidth(), 23) << c.name;
        ASSERT_EQ(s.GetHeight(), 17) << c.name;
        const std::vector<uint32_t> got = Pixels(s);
        for (size_t i = 0; i < got.size(); ++i) {
            const bool clear = (expected[i] >> 24) == 0;
            if (clear && !c.exactUnderClear) {
                EXPECT_EQ(got[i] >> 24, 0u) << c.name << " pixel " << i;
            } else {
                EXPECT_EQ(got[i], expected[i]) << c.name << " pixel " << i;
            }
        }
        ++ran;
    }
    if (ran == 0) GTEST_SKIP() << "no outside tool is installed";
}

}  // namespace
