// Start-up: the settings keys and their parse rules, window placement on the
// work area, sizing with aspect control, full screen, the default window size,
// the system-menu commands, presentation and the coordinate conversions.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/XdgPaths.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "tests/host/HostFixture.h"

namespace hosttest {
namespace {

using Settings = HostTest;
using platform::Rect;

TEST_F(Settings, KeysAndParseRules) {
    struct Row {
        const char* name;
        const char* settings;
        int32_t width, height, drawRate, fpsInfo, aspect;
        bool pause;
    } rows[] = {
        {"no file", nullptr, 640, 625, 100, 2, 0, true},
        {"empty file", "", 640, 625, 100, 2, 0, true},
        {"width 100 clamps to 160", "WndSize=100\n", 160, 625, 100, 2, 0, true},
        {"width 5000 clamps to 4096", "WndSize=5000\n", 4096, 625, 100, 2, 0, true},
        {"height 50 clamps to 120, width as read", "WndSize=700\nWndSizeY=50\n", 700, 120, 100, 2, 0, true},
        {"height 9000 clamps to 3072", "WndSizeY=9000\n", 640, 3072, 100, 2, 0, true},
        {"4:3 from 642", "WndSize=642\nAspectCtrl=43\n", 640, 480, 100, 2, 43, true},
        {"16:9 from 1000", "WndSize=1000\nAspectCtrl=169\n", 992, 558, 100, 2, 169, true},
        {"other aspect means none", "WndSize=1000\nAspectCtrl=44\n", 1000, 625, 100, 2, 44, true},
        {"a number reads its prefix", "WndSize= 700px\n", 700, 625, 100, 2, 0, true},
        {"a non-number takes the default", "WndSize=wide\nFPSInfo=\n", 640, 625, 100, 2, 0, true},
        {"draw rate 0 becomes 1", "DrawRate=0\n", 640, 625, 1, 2, 0, true},
        {"draw rate 250 becomes 100", "DrawRate=250\n", 640, 625, 100, 2, 0, true},
        {"draw rate x stays 100", "DrawRate=x\n", 640, 625, 100, 2, 0, true},
        {"draw rate -7 becomes 1", "DrawRate=-7\n", 640, 625, 1, 2, 0, true},
        {"FPSInfo read as is", "FPSInfo=3\n", 640, 625, 100, 3, 0, true},
        {"pause: only the exact text true", "PauseEnable=True\n", 640, 625, 100, 2, 0, false},
        {"pause: true", "PauseEnable=true\n", 640, 625, 100, 2, 0, true},
        {"pause: false", "PauseEnable=false\n", 640, 625, 100, 2, 0, false},
    };
    for (const Row& r : rows) {
        host.reset();
        std::filesystem::remove(SettingsPath());
        host = std::make_unique<CQRKWindowCtrl>(window);
        if (r.settings != nullptr) WriteSettings(r.settings);
        ASSERT_TRUE(host->Initialize());
        const QRKHostSettings& s = host->GetHostSettings();
        EXPECT_EQ(host->GetClientWidth(), r.width) << r.name;
        EXPECT_EQ(host->GetClientHeight(), r.height) << r.name;
        EXPECT_EQ(window.ClientRect().Width(), r.width) << r.name;
        EXPECT_EQ(window.ClientRect().Height(), r.height) << r.name;
        EXPECT_EQ(s.drawRate, r.drawRate) << r.name;
        EXPECT_EQ(s.fpsInfo, r.fpsInfo) << r.name;
        EXPECT_EQ(s.aspectControl, r.aspect) << r.name;
        EXPECT_EQ(s.pauseEnable, r.pause) << r.name;
    }
}

TEST_F(Settings, BooleansAndTheCacheLimit) {
    Start("SilentMode=true\nBGMSubEnable=TRUE\nMIDIEnable=true \nBitmapCacheLimit=-1\n");
    const QRKHostSettings& s = host->GetHostSettings();
    EXPECT_TRUE(s.silentMode);
    EXPECT_FALSE(s.bgmSubEnable);
    EXPECT_FALSE(s.midiEnable);
    EXPECT_EQ(s.bitmapCacheLimit, -1);

    host.reset();
    host = std::make_unique<CQRKWindowCtrl>(window);
    Start("");
    EXPECT_FALSE(host->GetHostSettings().silentMode);
    EXPECT_TRUE(host->GetHostSettings().bgmSubEnable);
    EXPECT_TRUE(host->GetHostSettings().midiEnable);
    EXPECT_EQ(host->GetHostSettings().bitmapCacheLimit, 131072000);
}

TEST_F(Settings, WindowPlacementOnTheWorkArea) {
    // The window is the client area plus 16 x 48 of frame: 656 x 673 by default.
    struct Row {
        const char* name;
        const char* settings;
        Rect work;
        bool monitor;
        int32_t left, top;
    } rows[] = {
        // Centred on the work area, its origin included.
        {"centred on a shifted work area", "", {100, 50, 1700, 1000}, true, 572, 188},
        {"centred on a monitor left of the primary", "", {-1920, 0, 0, 1040}, true, -1920 + 632, 183},
        {"x placed, y centred", "WndX=100\n", {100, 50, 1700, 1000}, true, 100, 188},
        {"x at -1048576 is centred", "WndX=-1048576\nWndY=60\n", {100, 50, 1700, 1000}, true, 572, 60},
        {"past the right and above the top", "WndX=1500\nWndY=-5\n", {100, 50, 1700, 1000}, true, 1044, 50},
        {"far past the right edge", "WndX=2147483000\n", {100, 50, 1700, 1000}, true, 1044, 188},
        {"wider than the work area: the left edge", "WndSize=2000\n", {100, 50, 1700, 1000}, true, 100, 188},
        {"no monitor: the primary screen", "", {0, 0, 0, 0}, false, 632, 203},
    };
    for (const Row& r : rows) {
        host.reset();
        host = std::make_unique<CQRKWindowCtrl>(window);
        window.workArea = r.work;
        window.hasMonitor = r.monitor;
        window.moves.clear();
        Start(r.settings);
        ASSERT_EQ(window.moves.size(), 1u) << r.name;
        EXPECT_EQ(window.moves[0].left, r.left) << r.name;
        EXPECT_EQ(window.moves[0].top, r.top) << r.name;
        EXPECT_EQ(window.moves[0].Width(), host->GetClientWidth() + 16) << r.name;
        EXPECT_EQ(window.moves[0].Height(), host->GetClientHeight() + 48) << r.name;
    }
}

TEST_F(Settings, SizingWithAspectControl) {
    struct Row {
        const char* name;
        const char* settings;
        uint32_t edge;
        Rect client;    // proposed
        Rect expected;  // corrected
    } rows[] = {
        {"4:3 right edge to 803", "AspectCtrl=43\n", platform::WMSZ_RIGHT, {10, 20, 813, 520}, {10, 20, 810, 620}},
        {"4:3 bottom-right", "AspectCtrl=43\n", platform::WMSZ_BOTTOMRIGHT, {0, 0, 803, 900}, {0, 0, 800, 600}},
        {"4:3 left edge", "AspectCtrl=43\n", platform::WMSZ_LEFT, {100, 0, 903, 500}, {103, 0, 903, 600}},
        {"4:3 bottom-left", "AspectCtrl=43\n", platform::WMSZ_BOTTOMLEFT, {100, 0, 903, 500}, {103, 0, 903, 600}},
        {"4:3 top edge", "AspectCtrl=43\n", platform::WMSZ_TOP, {0, 0, 700, 301}, {0, 1, 400, 301}},
        {"4:3 top-left", "AspectCtrl=43\n", platform::WMSZ_TOPLEFT, {0, 0, 803, 700}, {3, 100, 803, 700}},
        {"4:3 top-right", "AspectCtrl=43\n", platform::WMSZ_TOPRIGHT, {0, 0, 803, 700}, {0, 100, 800, 700}},
        {"4:3 bottom edge", "AspectCtrl=43\n", platform::WMSZ_BOTTOM, {0, 0, 700, 301}, {0, 0, 400, 300}},
        {"4:3 unknown edge: the bottom rule", "AspectCtrl=43\n", 0, {0, 0, 700, 301}, {0, 0, 400, 300}},
        {"4:3 minimum", "AspectCtrl=43\n", platform::WMSZ_RIGHT, {0, 0, 100, 50}, {0, 0, 160, 120}},
        {"16:9 right edge", "AspectCtrl=169\n", platform::WMSZ_RIGHT, {0, 0, 1000, 300}, {0, 0, 992, 558}},
        {"16:9 minimum height 90", "AspectCtrl=169\n", platform::WMSZ_BOTTOM, {0, 0, 400, 50}, {0, 0, 160, 90}},
        {"none: only the minimum", "", platform::WMSZ_RIGHT, {0, 0, 100, 50}, {0, 0, 160, 120}},
        {"none: free sizes stay", "", platform::WMSZ_RIGHT, {0, 0, 803, 500}, {0, 0, 803, 500}},
    };
    for (const Row& r : rows) {
        host.reset();
        host = std::make_unique<CQRKWindowCtrl>(window);
        Start(r.settings);
        Rect proposed = window.AdjustWindowRect(r.client);
        platform::WindowMessage m;
        m.code = platform::WM_SIZING;
        m.wParam = r.edge;
        m.rect = &proposed;
        window.Send(m);
        const Rect got = window.ClientFromWindowRect(proposed);
        EXPECT_EQ(got.left, r.expected.left) << r.name;
        EXPECT_EQ(got.top, r.expected.top) << r.name;
        EXPECT_EQ(got.right, r.expected.right) << r.name;
        EXPECT_EQ(got.bottom, r.expected.bottom) << r.name;
    }
}

TEST_F(Settings, FullScreenTwiceRestoresTheWindow) {
    Start("");
    const Rect before = window.windowRect;
    window.Send(platform::WM_SYSCOMMAND, CQRKWindowCtrl::kCmdFullScreen);
    EXPECT_TRUE(host->IsFullScreen());
    EXPECT_TRUE(window.IsFullScreen());
    EXPECT_TRUE(window.checked[48]);
    // The back buffer keeps its size; the client area follows the screen.
    EXPECT_EQ(host->GetBackBufferWidth(), 640);
    EXPECT_EQ(host->GetClientWidth(), 1920);

    // Alt+Enter: the system key-up of Enter with the Alt bit.
    window.Send(platform::WM_SYSKEYUP, 0x0D, intptr_t{1} << 29);
    EXPECT_FALSE(host->IsFullScreen());
    EXPECT_FALSE(window.IsFullScreen());
    EXPECT_FALSE(window.checked[48]);
    EXPECT_EQ(window.windowRect.left, before.left);
    EXPECT_EQ(window.windowRect.top, before.top);
    EXPECT_EQ(window.windowRect.right, before.right);
    EXPECT_EQ(window.windowRect.bottom, before.bottom);
    EXPECT_EQ(host->GetClientWidth(), 640);

    // Enter without Alt does nothing; a minimised window does not go full screen.
    window.Send(platform::WM_SYSKEYUP, 0x0D, 0);
    window.showState = platform::ShowState::Minimised;
    host->ToggleFullScreen();
    EXPECT_FALSE(host->IsFullScreen());
    EXPECT_EQ(window.fullScreenEntries, 1);
}

TEST_F(Settings, StartingInFullScreen) {
    Start("FullScreen=true\n");
    EXPECT_TRUE(host->IsFullScreen());
    EXPECT_EQ(window.fullScreenEntries, 1);
    host->ToggleFullScreen();
    // Back to the placed window.
    EXPECT_EQ(window.windowRect.Width(), 656);
    EXPECT_EQ(window.windowRect.Height(), 673);
}

TEST_F(Settings, DefaultWindowSize) {
    struct Row {
        const char* name;
        const char* settings;
        int32_t width, height;
    } rows[] = {
        {"missing keys", "", 640, 625},
        {"as stored", "WndSize=800\nWndSizeY=600\n", 800, 600},
        // Clamped as at start-up: a tiny or empty client area breaks the
        // mapping of the mouse into the back buffer.
        {"too small", "WndSize=100\nWndSizeY=0\n", 160, 120},
        {"too large", "WndSize=9000\nWndSizeY=9000\n", 4096, 3072},
        {"no aspect rule", "WndSize=1000\nAspectCtrl=43\n", 1000, 625},
    };
    for (const Row& r : rows) {
        host.reset();
        host = std::make_unique<CQRKWindowCtrl>(window);
        Start(r.settings);
        window.windowRect = Rect{10, 10, 500, 500};
        window.centres = 0;
        const int32_t posts = window.posts;
        window.Send(platform::WM_SYSCOMMAND, CQRKWindowCtrl::kCmdDefaultSize);
        EXPECT_EQ(window.ClientRect().Width(), r.width) << r.name;
        EXPECT_EQ(window.ClientRect().Height(), r.height) << r.name;
        EXPECT_EQ(window.centres, 1) << r.name;
        EXPECT_EQ(window.posts, posts + 1) << r.name;
    }

    // Only in the normal state and not in full screen.
    window.windowRect = Rect{10, 10, 500, 500};
    window.showState = platform::ShowState::Maximised;
    window.Send(platform::WM_SYSCOMMAND, CQRKWindowCtrl::kCmdDefaultSize);
    EXPECT_EQ(window.windowRect.right, 500);
    window.showState = platform::ShowState::Normal;
    host->ToggleFullScreen();
    const Rect full = window.windowRect;
    window.Send(platform::WM_SYSCOMMAND, CQRKWindowCtrl::kCmdDefaultSize);
    EXPECT_EQ(window.windowRect.right, full.right);
}

TEST_F(Settings, SystemMenuItems) {
    Start("");
    ASSERT_EQ(window.menu.size(), 6u);
    const uint32_t ids[] = {0, 32, 0, 64, 48, 96};
    const uint32_t flags[] = {platform::MF_SEPARATOR, 0, platform::MF_SEPARATOR, 0, 0, 0};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(window.menu[i].id, ids[i]) << i;
        EXPECT_EQ(window.menu[i].flags, flags[i]) << i;
    }
    // "フルスクリーン(&F)\tAlt+Enter"
    EXPECT_EQ(window.menu[4].text, "\x83t\x83\x8B\x83X\x83N\x83\x8A\x81[\x83\x93(&F)\tAlt+Enter");
}

TEST_F(Settings, TheDrawTimingAdjustmentMovesThePhase) {
    Start("");
    QRKFramePacing& p = host->GetPacing();
    const int32_t expected[] = {1520, 3040, 560};
    for (int32_t e : expected) {
        p.resync = false;
        window.Send(platform::WM_SYSCOMMAND, CQRKWindowCtrl::kCmdDrawTiming | 0x3);
        EXPECT_EQ(p.phaseOffset, e);
        EXPECT_TRUE(p.resync);
    }
}

TEST_F(Settings, TheEnvironmentDialogSuspendsScenesAndSavesTheSettings) {
    LogScene scene("s", nullptr);
    Start("WndSize=800\n", &scene);
    std::filesystem::remove(SettingsPath());
    int32_t updatesInside = -1;
    window.duringEnvironmentDialog = [&] {
        RunFrames(2);
        updatesInside = scene.updates;
    };
    const int32_t posts = window.posts;
    window.Send(platform::WM_SYSCOMMAND, CQRKWindowCtrl::kCmdEnvironment);
    EXPECT_EQ(updatesInside, 0);
    ASSERT_EQ(window.environmentTexts.size(), 1u);
    // "描画モード\nQDXPU proto 32bit BGRA-8888 Convert\nGDI Compatible"
    EXPECT_EQ(window.environmentTexts[0],
              "\x95`\x89\xE6\x83\x82\x81[\x83h\nQDXPU proto 32bit BGRA-8888 Convert\nGDI Compatible");
    EXPECT_EQ(testsupport::ReadText(SettingsPath()), "WndSize=800\n");
    EXPECT_TRUE(host->GetPacing().resync);
    EXPECT_FALSE(host->GetPacing().environmentDialogOpen);
    EXPECT_EQ(window.posts, posts + 1);
}

TEST_F(Settings, ATimerThatCannotStartIsReported) {
    window.failTimer = true;
    Start("");
    ASSERT_EQ(presenter.texts.size(), 1u);
    EXPECT_EQ(presenter.texts[0], u"\u30BF\u30A4\u30DE\u30A8\u30E9\u30FC");  // "タイマエラー"
    EXPECT_EQ(presenter.types[0] & platform::MB_TYPEMASK, platform::MB_OK);
    EXPECT_EQ(host->GetTimerId(), 0u);
}

TEST_F(Settings, StartedHostPublishesItselfAndItsFolders) {
    Start("");
    EXPECT_EQ(window.timerPeriod, 4u);
    EXPECT_EQ(host->GetTimerId(), 7u);
    EXPECT_TRUE(presenter.texts.empty());

    std::string folder;
    ASSERT_TRUE(platform::ProgramFolder(folder));
    EXPECT_EQ(std::string(host->GetProgramFolder().GetText()), folder);
    EXPECT_EQ(std::string(host->GetPictureFolder().GetText()), folder + "\\pic\\");
    EXPECT_EQ(std::string(host->GetBgmFolder().GetText()), folder + "\\bgm\\");
    EXPECT_EQ(std::string(host->GetSeFolder().GetText()), folder + "\\se\\");
    EXPECT_EQ(std::string(host->GetFontFolder().GetText()), folder + "\\font\\");

    QRKHostContext* context = QRKCurrentHost();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->host, host.get());
    EXPECT_EQ(context->backBuffer, &host->GetBackBuffer());
    EXPECT_EQ(context->errorQueue, &host->GetErrorQueue());
    EXPECT_STREQ(context->pictureFolder, host->GetPictureFolder().GetText());
    host.reset();
    EXPECT_EQ(QRKCurrentHost(), nullptr);
}

TEST_F(Settings, PresentStretchesTheBackBufferOverTheClientArea) {
    EXPECT_FALSE(host->Present());  // before start-up nothing presents
    Start("WndSize=1280\nWndSizeY=1250\n");
    CSpriteView& buffer = host->GetBackBuffer();
    ASSERT_EQ(buffer.GetWidth(), 640);
    buffer.PixelAt(639, 624)[0] = 0xFF123456u;
    host->RequestPresent();
    EXPECT_TRUE(host->Present());
    EXPECT_FALSE(host->IsChanged());
    const uint32_t* device = window.DevicePixels();
    const int32_t stride = FakeHostWindow::DeviceStride();
    EXPECT_EQ(device[0], 0xFFFFFFFFu);
    EXPECT_EQ(device[1249 * stride + 1279], 0xFF123456u);
    EXPECT_EQ(device[1249 * stride + 1280], 0u);

    // WM_SIZE records the client size and marks the buffer changed; WM_PAINT
    // shows it again.
    window.Send(platform::WM_SIZE, 0, (300 << 16) | 400);
    EXPECT_EQ(host->GetClientWidth(), 400);
    EXPECT_EQ(host->GetClientHeight(), 300);
    EXPECT_TRUE(host->IsChanged());
}

TEST_F(Settings, MouseAndBufferCoordinates) {
    Start("WndSize=1280\nWndSizeY=1250\n");  // twice the 640 x 625 back buffer
    struct Row {
        int32_t cx, cy, bx, by;
    } rows[] = {{100, 200, 50, 100}, {0, 0, 0, 0}, {-3, -1, -1, 0}, {2000, 1250, 1000, 625}};
    for (const Row& r : rows) {
        window.cursorX = r.cx;
        window.cursorY = r.cy;
        int32_t x = 0;
        int32_t y = 0;
        EXPECT_TRUE(host->GetMousePos(x, y));
        EXPECT_EQ(x, r.bx) << r.cx;
        EXPECT_EQ(y, r.by) << r.cy;
    }
    int32_t x = 0;
    int32_t y = 0;
    EXPECT_TRUE(host->BufferToClient(50, 100, x, y));
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 200);

    window.cursorReadable = false;
    EXPECT_FALSE(host->GetMousePos(x, y));
    EXPECT_EQ(x, -1);
    EXPECT_EQ(y, -1);

    // An empty client area answers (-1, -1).
    window.cursorReadable = true;
    window.windowRect = window.AdjustWindowRect(Rect{0, 0, 0, 300});
    EXPECT_FALSE(host->GetMousePos(x, y));
    EXPECT_EQ(x, -1);
    EXPECT_FALSE(host->BufferToClient(1, 1, x, y));
    EXPECT_EQ(y, -1);
}

}  // namespace
}  // namespace hosttest
