// Scenes: change, push, pop and quit with their Enter/Leave calls, the order of
// the per-frame calls, and the start-up scene.
#include <gtest/gtest.h>

#include "host/StartupScene.h"
#include "host/text/TileFont.h"
#include "platform/fonts/FontEngine.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "tests/host/HostFixture.h"

namespace hosttest {
namespace {

using Scenes = HostTest;
using Log = std::vector<std::string>;

TEST_F(Scenes, ChangingToTheCurrentSceneLeavesAndEntersIt) {
    LogScene a("A", &log);
    host->ChangeScene(&a);
    host->ChangeScene(&a);
    EXPECT_EQ(log, (Log{"A.Enter", "A.Leave", "A.Enter"}));
    EXPECT_EQ(host->GetSceneStackCount(), 0u);
}

TEST_F(Scenes, PushEntersTheNewScenePopLeavesItAndResumesTheOld) {
    LogScene a("A", &log);
    LogScene b("B", &log);
    host->ChangeScene(&b);
    log.clear();
    host->PushScene(&a);
    EXPECT_EQ(host->GetCurrentScene(), &a);
    EXPECT_EQ(host->GetSceneStackCount(), 1u);
    host->PopScene();
    EXPECT_EQ(log, (Log{"A.Enter", "A.Leave"}));
    EXPECT_EQ(host->GetCurrentScene(), &b);
    EXPECT_EQ(host->GetSceneStackCount(), 0u);
}

TEST_F(Scenes, PopOnAnEmptyStackChangesNothing) {
    LogScene a("A", &log);
    host->ChangeScene(&a);
    log.clear();
    host->PopScene();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(host->GetCurrentScene(), &a);
}

TEST_F(Scenes, StackedScenesGetPreUpdateAndDrawButNotUpdate) {
    LogScene a("A", &log);
    LogScene b("B", &log);
    LogScene c("C", &log);
    Start("", &c);
    host->PushScene(&b);
    host->PushScene(&a);
    log.clear();
    RunFrames(1);
    EXPECT_EQ(log, (Log{"C.PreUpdate", "B.PreUpdate", "A.PreUpdate", "A.Update", "C.Draw", "B.Draw", "A.Draw"}));
}

TEST_F(Scenes, QuitLeavesEverySceneOnceAndRunsNoMoreFrames) {
    LogScene a("A", &log);
    LogScene b("B", &log);
    Start("", &b);
    host->PushScene(&a);
    log.clear();
    host->Quit();
    EXPECT_EQ(log, (Log{"A.Leave", "B.Leave"}));
    EXPECT_EQ(window.killedTimers, (std::vector<uint32_t>{7}));
    EXPECT_EQ(window.endResults, (std::vector<int32_t>{platform::IDCANCEL}));
    EXPECT_TRUE(host->IsClosing());

    // The close box afterwards, and a frame message still queued: nothing
    // more happens.
    window.Send(platform::WM_CLOSE);
    window.Send(platform::WM_HOST_FRAME);
    EXPECT_EQ(log, (Log{"A.Leave", "B.Leave"}));
    EXPECT_EQ(window.endResults.size(), 1u);
}

TEST_F(Scenes, TheCloseBoxGoesThroughTheVirtualQuit) {
    struct Refusing : CQRKWindowCtrl {
        using CQRKWindowCtrl::CQRKWindowCtrl;
        void Quit() override { ++asked; }
        int32_t asked = 0;
    };
    host.reset();
    auto refusing = std::make_unique<Refusing>(window);
    Refusing* r = refusing.get();
    host = std::move(refusing);
    LogScene a("A", &log);
    Start("", &a);
    log.clear();
    window.Send(platform::WM_CLOSE);
    EXPECT_EQ(r->asked, 1);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(host->IsClosing());
}

// ---- the start-up scene ----

using Startup = HostTest;

bool AllPixelsAre(const CSprite& sprite, uint32_t value) {
    for (int32_t y = 0; y < sprite.GetHeight(); ++y) {
        const uint32_t* row = sprite.PixelAt(0, y);
        for (int32_t x = 0; x < sprite.GetWidth(); ++x) {
            if (row[x] != value) return false;
        }
    }
    return true;
}

TEST_F(Startup, ClientAreaAndBackBuffer) {
    struct Row {
        const char* name;
        const char* settings;
        int32_t width, height;
        bool moved;
    } rows[] = {
        // Both sides are replaced, not only the short one.
        {"800x500", "WndSize=800\nWndSizeY=500\n", 640, 600, true},
        {"600x700", "WndSize=600\nWndSizeY=700\n", 640, 600, true},
        {"default 640x625", "", 640, 625, false},
        {"1024x768", "WndSize=1024\nWndSizeY=768\n", 1024, 768, false},
    };
    for (const Row& r : rows) {
        host.reset();
        host = std::make_unique<CQRKWindowCtrl>(window);
        window.centres = 0;
        SC_Startup startup(*host, nullptr);
        Start(r.settings, &startup);
        EXPECT_EQ(host->GetClientWidth(), r.width) << r.name;
        EXPECT_EQ(host->GetClientHeight(), r.height) << r.name;
        EXPECT_EQ(window.ClientRect().Width(), r.width) << r.name;
        EXPECT_EQ(window.ClientRect().Height(), r.height) << r.name;
        EXPECT_EQ(window.centres, r.moved ? 1 : 0) << r.name;
        // The back buffer is made again at the client size, opaque white.
        const CSpriteView& buffer = host->GetBackBuffer();
        EXPECT_EQ(buffer.GetWidth(), r.width) << r.name;
        EXPECT_EQ(buffer.GetHeight(), r.height) << r.name;
        EXPECT_EQ(host->GetBackBufferWidth(), r.width) << r.name;
        EXPECT_EQ(host->GetBackBufferHeight(), r.height) << r.name;
        EXPECT_TRUE(AllPixelsAre(buffer, 0xFFFFFFFFu)) << r.name;
        EXPECT_TRUE(buffer.HasGdiObjects()) << r.name;
    }
}

TEST_F(Startup, TheTenthUpdateHandsOverAndPausedFramesDoNotCount) {
    LogScene editor("E", &log);
    SC_Startup startup(*host, &editor);
    Start("", &startup);
    for (int32_t i = 0; i < 9; ++i) RunFrames(1);
    EXPECT_EQ(host->GetCurrentScene(), &startup);
    EXPECT_EQ(startup.GetUpdateCount(), 9);

    window.Send(platform::WM_ACTIVATE, platform::WA_INACTIVE);
    RunFrames(3);
    EXPECT_EQ(startup.GetUpdateCount(), 9);
    EXPECT_TRUE(log.empty());
    window.Send(platform::WM_ACTIVATE, platform::WA_ACTIVE);

    RunFrames(1);
    EXPECT_EQ(host->GetCurrentScene(), &editor);
    // The editor is entered inside the tenth frame and drawn in it.
    EXPECT_EQ(log, (Log{"E.Enter", "E.Draw"}));
}

TEST_F(Startup, UpdatesPresentTheWhiteBackBufferOnDrawingFrames) {
    SC_Startup startup(*host, nullptr);
    Start("DrawRate=50\n", &startup);
    const uint32_t* device = window.DevicePixels();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device[0], 0u);
    RunFrames(1);  // not a drawing frame
    EXPECT_EQ(device[0], 0u);
    RunFrames(1);
    EXPECT_EQ(device[0], 0xFFFFFFFFu);
    EXPECT_EQ(device[639], 0xFFFFFFFFu);
    EXPECT_EQ(device[624 * FakeHostWindow::DeviceStride()], 0xFFFFFFFFu);
    EXPECT_EQ(device[640], 0u);
}

TEST_F(Startup, EnterCreatesTheHostsTileFontWithTheInterfaceFace) {
    // The face name stands for an installed Japanese face through the font
    // service's aliases; without one there is nothing to check here.
    platform::FontEngine engine;
    if (!engine.FaceCoversLanguage("メイリオ", "ja")) GTEST_SKIP() << "no Japanese face installed";

    EXPECT_FALSE(host->GetTileFont().IsCreated());
    SC_Startup startup(*host, nullptr);
    Start("", &startup);
    CQRKTileFontCore& font = host->GetTileFont();
    ASSERT_TRUE(font.IsCreated());
    EXPECT_EQ(QRKCurrentHost()->tileFont, &font);
    EXPECT_EQ(font.GetCellWidth(), 23);
    EXPECT_EQ(font.GetCellHeight(), 23);
    EXPECT_EQ(font.GetFlags(), 0x100u) << "proportional advances, no supersampling, no default effect";
    EXPECT_EQ(font.GetGlyphRenderer().TextColour, 0x000000u);
    EXPECT_EQ(font.GetGlyphRenderer().EffectColour, 0xFFFFFFu);

    // Proportional: "i" advances less than "W".
    EXPECT_LT(font.GetWidthTable()[int('i')], font.GetWidthTable()[int('W')]);
    // Japanese text renders and draws dark pixels onto the white back buffer.
    const char kJapanese[] = "\x93\xFA\x96\x7B\x8C\xEA";  // 日本語
    CSpriteView& buffer = host->GetBackBuffer();
    platform::Rect bounds{};
    ASSERT_TRUE(font.DrawRichTextA(kJapanese, buffer, 10, 10, 200, 40, CQRKTileFontCore::kTypeAlphaC, &bounds,
                                   nullptr, 255));
    EXPECT_GT(bounds.right - bounds.left, 3 * 10);
    EXPECT_FALSE(AllPixelsAre(buffer, 0xFFFFFFFFu));
}

TEST_F(Startup, TheInterfaceFaceIsMeiryo) {
    // "メイリオ" in code page 932.
    EXPECT_STREQ(SC_Startup::InterfaceFace(), "\x83\x81\x83\x43\x83\x8A\x83I");
}

}  // namespace
}  // namespace hosttest
