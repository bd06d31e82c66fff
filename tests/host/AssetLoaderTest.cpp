#include "host/AssetLoader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/ErrorQueue.h"
#include "host/HostContext.h"
#include "host/ShareSprite.h"
#include "platform/MessageBox.h"
#include "platform/Utf8.h"
#include "platform/image/ImageCodec.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/support/TempFolder.h"

namespace {

// The box texts, back in UTF-8: the tests spell the expected reports in UTF-8
// so that the program's code-page-932 escapes are checked independently.
class BoxRecorder final : public platform::IMessageBoxPresenter {
public:
    int32_t Show(void*, const char16_t* text, const char16_t*, uint32_t) override {
        std::u16string wide(text);
        std::string utf8;
        platform::Utf16ToUtf8(wide.data(), wide.size(), utf8);
        boxes.push_back(utf8);
        return platform::IDYES;
    }
    std::vector<std::string> boxes;
};

// frames.png: four pixels with distinct hues, one half transparent.
const uint32_t kFramesPixels[4 * 2] = {
    0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0x80808080,  //
    0xFF804020, 0xFFFFFFFF, 0xFF000000, 0x40FF00FF,
};

std::string AssetPng(const uint32_t* pixels, int32_t width, int32_t height) {
    platform::PixelRows rows;
    rows.firstRow = pixels;
    rows.stride = width * 4;
    rows.width = width;
    rows.height = height;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(platform::EncodePng(rows, 6, bytes));
    return std::string(bytes.begin(), bytes.end());
}

std::string AssetJpeg(uint32_t colour, int32_t width, int32_t height) {
    std::vector<uint32_t> pixels(size_t(width * height), colour);
    platform::PixelRows rows;
    rows.firstRow = pixels.data();
    rows.stride = width * 4;
    rows.width = width;
    rows.height = height;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(platform::EncodeJpeg(rows, 95, bytes));
    return std::string(bytes.begin(), bytes.end());
}

std::vector<uint32_t> AssetPixels(const CSprite& sprite) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < sprite.GetHeight(); ++y)
        for (int32_t x = 0; x < sprite.GetWidth(); ++x) out.push_back(*sprite.PixelAt(x, y));
    return out;
}

// A published host context over a temporary picture folder.
class AssetLoaderTest : public testsupport::TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        InitRasterLibrary(1);  // false when an earlier test started it
        m_pictureFolder = m_folder + "/";
        host.pictureFolder = m_pictureFolder.c_str();
        host.shareSprites = &table;
        host.loader = &loader;
        table.SetLoader(&loader);
        NewQueue();
        m_previousHost = QRKCurrentHost();
        QRKPublishHost(&host);
        m_previousPresenter = platform::SetMessageBoxPresenter(&presenter);
        testsupport::WriteText(Path("frames.png"), AssetPng(kFramesPixels, 4, 2));
    }
    void TearDown() override {
        platform::SetMessageBoxPresenter(m_previousPresenter);
        QRKPublishHost(m_previousHost);
        TempFolderTest::TearDown();
    }

    // A fresh queue: each distinct text is shown once per queue.
    void NewQueue() {
        queue = std::make_unique<CQRKErrorQueue>();
        host.errorQueue = queue.get();
    }
    // The texts reported since the last call, one per line of the box.
    std::vector<std::string> Reports() {
        presenter.boxes.clear();
        queue->Display(nullptr);
        NewQueue();
        std::vector<std::string> lines;
        if (presenter.boxes.empty()) return lines;
        const std::string& box = presenter.boxes[0];
        size_t start = 0;
        for (size_t end; (end = box.find('\n', start)) != std::string::npos && end != start; start = end + 1)
            lines.push_back(box.substr(start, end - start));
        return lines;
    }
    std::string Folder() const { return m_pictureFolder; }

    CAsyncLoader loader;
    CQRKShareSpriteMgr table;
    std::unique_ptr<CQRKErrorQueue> queue;
    QRKHostContext host;
    BoxRecorder presenter;

private:
    std::string m_pictureFolder;
    QRKHostContext* m_previousHost = nullptr;
    platform::IMessageBoxPresenter* m_previousPresenter = nullptr;
};

TEST_F(AssetLoaderTest, NamesChooseTheFileAndTheWayItIsRead) {
    const uint32_t small[2] = {0xFF112233, 0x80445566};
    testsupport::WriteText(Path("a.JPG.png"), AssetPng(small, 2, 1));
    testsupport::WriteText(Path("a.JPG"), AssetJpeg(0xFF00FF00, 5, 5));
    testsupport::WriteText(Path("title.jpg"), AssetJpeg(0xFF2040C0, 6, 3));
    testsupport::WriteText(Path("bb.PNG"), AssetPng(small, 1, 2));
    testsupport::WriteText(Path("junk.png"), "not an image at all");
    testsupport::WriteText(Path("empty.jpg"), "");

    struct Case {
        const char* name;
        bool loaded;
        int32_t width, height;
        std::string report;  // UTF-8; empty: nothing reported
    };
    const std::string f = Folder();
    const Case cases[] = {
        {"frames", true, 4, 2, ""},
        {"a.JPG", true, 2, 1, ""},  // five bytes: a name, not a JPEG file name
        {"title.jpg", true, 6, 3, ""},
        {"bb.PNG", true, 1, 2, ""},
        {"?x", false, 0, 0, "ファイル名が無効です。"},
        {"?gsa", false, 0, 0, "ファイル名が無効です。"},
        {"missing", false, 0, 0, "\"" + f + "missing.png\"を開けません。"},
        {"junk.png", false, 0, 0, "\"" + f + "junk.png\"を開けません。(2)"},
        {"b.png", false, 0, 0, "\"" + f + "b.png.png\"を開けません。"},  // five bytes again
        {"empty.jpg", false, 0, 0, "\"" + f + "empty.jpg\"を開けません。(2)"},
        {"gone.jpg", false, 0, 0, "\"" + f + "gone.jpg\"を開けません。(1)"},
        {"junk", false, 0, 0, "\"" + f + "junk.png\"を開けません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite sprite;
        EXPECT_EQ(LoadBitmapAsset(c.name, &sprite), c.loaded);
        EXPECT_EQ(sprite.GetWidth(), c.width);
        EXPECT_EQ(sprite.GetHeight(), c.height);
        const std::vector<std::string> reports = Reports();
        if (c.report.empty())
            EXPECT_TRUE(reports.empty());
        else
            EXPECT_EQ(reports, std::vector<std::string>{c.report});
    }
}

TEST_F(AssetLoaderTest, PixelsArriveAsTheFileHoldsThem) {
    CSprite png;
    ASSERT_TRUE(LoadBitmapAsset("frames", &png));
    EXPECT_EQ(AssetPixels(png), std::vector<uint32_t>(std::begin(kFramesPixels), std::end(kFramesPixels)));

    // The stream path copies rows too (a .PNG name read through the file).
    testsupport::WriteText(Path("rows.png"), AssetPng(kFramesPixels, 4, 2));
    CSprite streamed;
    ASSERT_TRUE(LoadBitmapAsset("rows.png", &streamed));
    EXPECT_EQ(AssetPixels(streamed), AssetPixels(png));

    testsupport::WriteText(Path("title.jpg"), AssetJpeg(0xFF2040C0, 6, 3));
    CSprite jpeg;
    ASSERT_TRUE(LoadBitmapAsset("title.jpg", &jpeg));
    for (uint32_t p : AssetPixels(jpeg)) {
        EXPECT_EQ(p >> 24, 0xFFu);
        EXPECT_NEAR(int((p >> 16) & 0xFF), 0x20, 4);
        EXPECT_NEAR(int((p >> 8) & 0xFF), 0x40, 4);
        EXPECT_NEAR(int(p & 0xFF), 0xC0, 4);
    }
}

TEST_F(AssetLoaderTest, GsaTakesTheAlphaFromTheGreenByte) {
    const uint32_t parts[3] = {0xFF20A040, 0x10FF00FF, 0x00000000};
    testsupport::WriteText(Path("parts.png"), AssetPng(parts, 3, 1));
    CSprite sprite;
    ASSERT_TRUE(LoadBitmapAsset("parts?gsa", &sprite));
    // PNG keeps the colour of transparent pixels as written.
    EXPECT_EQ(AssetPixels(sprite), (std::vector<uint32_t>{0xA020A040, 0x00FF00FF, 0x00000000}));
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(table.Find("parts"), nullptr) << "gsa loads the base itself, not through the table";

    CSprite other;
    EXPECT_FALSE(LoadBitmapAsset("parts?gsax", &other));
    EXPECT_FALSE(other.HasImage());
    EXPECT_EQ(Reports(), std::vector<std::string>{"指定したオプションがありません。"});
}

TEST_F(AssetLoaderTest, OptionsCopyTheSharedBaseThroughTheColourKernels) {
    CSprite base;
    ASSERT_TRUE(LoadBitmapAsset("frames", &base));
    const int32_t w = base.GetWidth(), h = base.GetHeight();

    // What each option must equal: the kernel run on the base with the values
    // as written (L, V and Y take the low 16 bits, signed).
    auto hsl = [&](CSprite& s) { s.AdjustHSLCopy(0, 0, w, h, base, 0, 0, 30, 0, 0); };
    auto hsv = [&](CSprite& s) { s.AdjustHSVCopy(0, 0, w, h, base, 0, 0, -40, 50, -20); };
    auto hsly = [&](CSprite& s) { s.AdjustHSLYCopy(0, 0, w, h, base, 0, 0, 90, -30, 10); };
    auto tone = [&](CSprite& s) { s.DrawCopyTone(0, 0, base, 0, 0, w, h, 0xFF0000, 256, 0, 0, 256); };
    struct Case {
        const char* name;
        std::function<void(CSprite&)> expected;
    };
    const Case cases[] = {
        {"frames?L 30 0 0", hsl},
        {"frames?L 65566 0 0", hsl},  // 65566 = 65536 + 30
        {"frames?L\t30   0\n0 trailing words are ignored", hsl},
        {"frames?V -40 +50 -20", hsv},
        {"frames?Y 90 -30 10", hsly},
        {"frames?T FF0000 256 0 0 256", tone},
        {"frames?T 0xff0000 256 0 0 256", tone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite expected;
        ASSERT_TRUE(expected.Create(w, h, false));
        c.expected(expected);
        CSprite sprite;
        ASSERT_TRUE(LoadBitmapAsset(c.name, &sprite));
        EXPECT_EQ(AssetPixels(sprite), AssetPixels(expected));
        EXPECT_TRUE(Reports().empty());
    }
    // The option really changes the pixels: red turned by 30 degrees is orange.
    CSprite turned;
    ASSERT_TRUE(LoadBitmapAsset("frames?L 30 0 0", &turned));
    const uint32_t orange = *turned.PixelAt(0, 0);
    EXPECT_EQ(orange >> 16, 0xFFFFu);
    EXPECT_NEAR(int((orange >> 8) & 0xFF), 128, 2);
    EXPECT_EQ(orange & 0xFF, 0u);
    // Tinting grey fully towards red in the red channel only.
    CSprite tinted;
    ASSERT_TRUE(LoadBitmapAsset("frames?T FF0000 256 0 0 256", &tinted));
    EXPECT_EQ(*tinted.PixelAt(3, 0), 0x80FF8080u);
}

TEST_F(AssetLoaderTest, TheBaseIsSharedUncountedAndReusedUntilFreed) {
    CSprite first;
    ASSERT_TRUE(LoadBitmapAsset("frames?L 30 0 0", &first));
    const CQRKShareSpriteMgr::Entry* entry = table.Find("frames");
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(entry->sprite.HasImage());
    EXPECT_EQ(entry->references, 0) << "a derivation holds no reference";
    EXPECT_EQ(entry->idleLimit, 300);
    EXPECT_EQ(entry->loader, &LoadBitmapAsset);
    EXPECT_FALSE(entry->buildMask);

    // The second derivation reuses the cached base: the file is no longer needed.
    std::remove(Path("frames.png").c_str());
    CSprite second;
    ASSERT_TRUE(LoadBitmapAsset("frames?V 0 0 0", &second));
    EXPECT_TRUE(Reports().empty());

    // Once the sweep frees the idle base, the next derivation must reload it.
    for (int i = 0; i < 300; ++i) table.Sweep(UINT32_MAX);
    EXPECT_FALSE(entry->sprite.HasImage());
    CSprite third;
    EXPECT_FALSE(LoadBitmapAsset("frames?L 30 0 0", &third));
    EXPECT_FALSE(third.HasImage());
    EXPECT_EQ(Reports(), (std::vector<std::string>{"\"" + Folder() + "frames.png\"を開けません。",
                                                   "オプションを適用するベース画像をロードできません。"}));
}

TEST_F(AssetLoaderTest, OptionFailuresReportAndLeaveTheDestinationEmpty) {
    struct Case {
        const char* name;
        std::vector<std::string> reports;
    };
    const std::string f = Folder();
    const Case cases[] = {
        {"frames?L 30 0", {"HSLオプションの書式が正しくありません。"}},
        {"frames?V", {"HSVオプションの書式が正しくありません。"}},
        {"frames?Y 1 2 x", {"HSLYオプションの書式が正しくありません。"}},
        {"frames?T red 256 0 0 256", {"Toneオプションの書式が正しくありません。"}},
        {"frames?T FF0000 256 0 0", {"Toneオプションの書式が正しくありません。"}},
        {"frames?L 30,0,0", {"HSLオプションの書式が正しくありません。"}},
        {"frames?l 30 0 0", {"指定したオプションがありません。"}},
        {"frames?", {"指定したオプションがありません。"}},
        {"missing?L 1 2 3", {"\"" + f + "missing.png\"を開けません。", "オプションを適用するベース画像をロードできません。"}},
        // The last "?" splits: the base "frames?T" is itself a derivation that fails.
        {"frames?T?L 1 2 3",
         {"Toneオプションの書式が正しくありません。", "オプションを適用するベース画像をロードできません。"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite sprite;
        EXPECT_FALSE(LoadBitmapAsset(c.name, &sprite));
        EXPECT_FALSE(sprite.HasImage());
        EXPECT_EQ(Reports(), c.reports);
    }
}

TEST_F(AssetLoaderTest, ALoadedDestinationIsNeverOverwritten) {
    testsupport::WriteText(Path("title.jpg"), AssetJpeg(0xFF2040C0, 6, 3));
    const std::string taken = "既にビットマップが割り当て済みです。";
    struct Case {
        const char* name;
        std::string report;
    };
    const Case cases[] = {
        {"title.jpg", taken},
        {"frames?L 30 0 0", taken},
        {"frames?gsa", taken},
        {"frames", "\"" + Folder() + "frames.png\"を開けません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CSprite sprite;
        ASSERT_TRUE(sprite.Create(3, 3, true));
        EXPECT_FALSE(LoadBitmapAsset(c.name, &sprite));
        EXPECT_EQ(sprite.GetWidth(), 3);
        EXPECT_EQ(AssetPixels(sprite), std::vector<uint32_t>(9, 0xFFFFFFFFu));
        EXPECT_EQ(Reports(), std::vector<std::string>{c.report});
    }
}

TEST_F(AssetLoaderTest, SoundOperationsReportThatTheyAreSwitchedOff) {
    const std::string se = "SEの再生機能は有効化されていません";
    struct Case {
        const char* name;
        std::function<int32_t()> call;
        int32_t result;
        std::string report;
    };
    const Case cases[] = {
        {"PlaySE", [] { return int32_t(PlaySE("click", 1, 2, 3, 4)); }, 0, se},
        {"PlayBGM", [] { return PlayBGM("song"); }, -1, "BGMの再生機能は有効化されていません"},
        {"PlaySubBGM", [] { return PlaySubBGM("song"); }, -1, "サブBGMの再生機能は有効化されていません"},
        {"PlayMIDI", [] { return PlayMIDI("song"); }, -1, "MIDIの再生機能は有効化されていません"},
        {"PlayBGM null", [] { return PlayBGM(nullptr); }, 0, ""},
        {"PlaySubBGM null", [] { return PlaySubBGM(nullptr); }, 0, ""},
        {"PlayMIDI null", [] { return PlayMIDI(nullptr); }, 0, ""},
        {"StopAllSE", [] { return StopAllSE(); }, -1, se},
        {"PauseSE", [] { return int32_t(PauseSE()); }, 0, se},
        {"ResumeSE", [] { return int32_t(ResumeSE()); }, 0, se},
        {"MuteSE", [] { return int32_t(MuteSE()); }, 0, se},
        {"UnmuteSE", [] { return int32_t(UnmuteSE()); }, 0, se},
        {"StopBGM", [] { return StopBGM(); }, 0, ""},
        {"StopSubBGM", [] { return StopSubBGM(); }, 0, ""},
        {"StopMIDI", [] { return StopMIDI(); }, 0, ""},
        {"FadeOutBGM", [] { return FadeOutBGM(); }, 0, ""},
        {"PreloadBitmapAsset", [] { return int32_t(PreloadBitmapAsset("frames")); }, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), c.result);
        const std::vector<std::string> reports = Reports();
        if (c.report.empty())
            EXPECT_TRUE(reports.empty());
        else
            EXPECT_EQ(reports, std::vector<std::string>{c.report});
    }
}

}  // namespace
