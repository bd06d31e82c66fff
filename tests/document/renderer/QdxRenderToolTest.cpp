// The headless render tool, run as a program on a small document.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/image/ImageCodec.h"
#include "tests/document/renderer/RenderTestSupport.h"
#include "tests/support/TempFolder.h"

namespace rendertest {
namespace {

class QdxRenderToolTest : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        StartRaster();
        // A 4 x 3 picture with every pixel its own colour and alpha.
        CSprite picture;
        ASSERT_TRUE(picture.RecreateIfReady(4, 3));
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 4; ++x) *picture.PixelAt(x, y) = Expected(x, y);
        const std::string objects = "Pic=WebP(\"" + WebPText(picture) +
                                    "\")\n"
                                    "Bad=WebP(\"ab!cd\")\n"
                                    "Lost=Render(2,2,0,array(GhostFactor(\"Gone\",0)))";
        testsupport::WriteText(Path("doc.qdx"), "QDXTextFormat1.2\n[Palette]\nPalette1()\nPalette2()\nPalette4()\n"
                                                "[QDXObject]\n" +
                                                    objects + "\n[MetaData]\n");
    }
    static uint32_t Expected(int32_t x, int32_t y) {
        return uint32_t(0x40 + x * 0x30) << 24 | uint32_t(x * 60) << 16 | uint32_t(y * 100) << 8 | 0x21u;
    }

    // Runs the tool with the arguments (a shell command line); the exit
    // status, standard error in err.
    int Run(const std::string& arguments) {
        const std::string command = std::string(OC_QDXRENDER) + " " + arguments + " 2>" + Path("err.txt");
        const int status = std::system(command.c_str());
        err = testsupport::ReadText(Path("err.txt"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string err;
};

TEST_F(QdxRenderToolTest, WritesTheRenderedObjectAsPng) {
    for (const char* option : {"", "--fast "}) {
        SCOPED_TRACE(option);
        const std::string png = Path("pic.png");
        ASSERT_EQ(Run(option + Path("doc.qdx") + " Pic " + png), 0) << err;
        EXPECT_EQ(err, "");
        platform::DecodedPixels decoded;
        ASSERT_TRUE(platform::DecodeImageFile(png.c_str(), decoded));
        ASSERT_EQ(decoded.width, 4);
        ASSERT_EQ(decoded.height, 3);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 4; ++x) EXPECT_EQ(decoded.Row(y)[x], Expected(x, y)) << x << "," << y;
        if (std::system("command -v pngcheck >/dev/null 2>&1") == 0) {
            EXPECT_EQ(std::system(("pngcheck -q " + png + " >/dev/null").c_str()), 0);
        }
    }
}

TEST_F(QdxRenderToolTest, UsageErrorsExitWithTwo) {
    for (const std::string& arguments :
         {std::string(""), Path("doc.qdx"), Path("doc.qdx") + " Pic", "--fast " + Path("doc.qdx") + " Pic",
          Path("doc.qdx") + " Pic " + Path("a.png") + " extra", "--slow " + Path("doc.qdx") + " Pic x.png"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(Run(arguments), 2);
        EXPECT_NE(err.find("usage"), std::string::npos) << err;
        EXPECT_FALSE(testsupport::Exists(Path("a.png")));
    }
}

TEST_F(QdxRenderToolTest, FailuresExitWithOneAndSayWhy) {
    // The renderer's messages arrive as UTF-8.
    const std::string unreadable = "\"Bad\"の画像データを読み込めません。\n";
    const std::string notFound = "\"Lost?0\"に指定されている\"Gone\"が見つかりません。\n";
    struct Row {
        const char* name;
        std::string arguments;
        std::string said;
    } rows[] = {
        {"missing object", Path("doc.qdx") + " Nobody " + Path("out.png"), "no object \"Nobody\""},
        {"missing document", Path("none.qdx") + " Pic " + Path("out.png"), "cannot be opened"},
        {"undecodable bitmap", Path("doc.qdx") + " Bad " + Path("out.png"), unreadable},
        {"failing recipe", "--fast " + Path("doc.qdx") + " Lost " + Path("out.png"), notFound},
        {"unwritable PNG", Path("doc.qdx") + " Pic " + Path("no/such/folder/out.png"), "could not be written"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Run(row.arguments), 1);
        EXPECT_NE(err.find(row.said), std::string::npos) << err;
        EXPECT_FALSE(testsupport::Exists(Path("out.png")));
    }
}

}  // namespace
}  // namespace rendertest
