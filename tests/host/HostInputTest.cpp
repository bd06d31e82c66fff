// Keyboard and mouse recording through the host's own entry, the text-input
// hook's routing, and activation.
#include <gtest/gtest.h>

#include "tests/host/HostFixture.h"

namespace hosttest {
namespace {

using Input = HostTest;
using platform::WindowMessage;

struct KeyState {
    int pressed, down, released;
    bool operator==(const KeyState&) const = default;
};

KeyState KeyOf(CQRKWindowCtrl& host, uint32_t key) {
    const QRKHostInputTables& t = host.GetInputTables();
    return KeyState{t.keyPressed[key], t.keyDown[key], t.keyReleased[key]};
}

void ClearEdges(CQRKWindowCtrl& host) {
    QRKHostInputTables& t = host.GetInputTables();
    std::fill(std::begin(t.keyPressed), std::end(t.keyPressed), 0);
    std::fill(std::begin(t.keyReleased), std::end(t.keyReleased), 0);
}

TEST_F(Input, KeyRecording) {
    constexpr uint32_t kDown = platform::WM_KEYDOWN;
    constexpr uint32_t kUp = platform::WM_KEYUP;
    constexpr uint32_t kSysDown = platform::WM_SYSKEYDOWN;
    constexpr uint32_t kSysUp = platform::WM_SYSKEYUP;
    struct Step {
        uint32_t code;
        uint32_t key;
        bool clearEdges;  // the input device's poll before this message
    };
    struct Row {
        const char* name;
        std::vector<Step> steps;
        uint32_t key;
        KeyState expected;
    } rows[] = {
        {"press", {{kDown, 'A', false}}, 'A', {1, 1, 0}},
        {"held: a repeat sets no new edge", {{kDown, 'A', false}, {kDown, 'A', true}}, 'A', {0, 1, 0}},
        {"press and release", {{kDown, 'A', false}, {kUp, 'A', false}}, 'A', {1, 0, 1}},
        {"only the low byte counts", {{kDown, 0x141, false}}, 0x41, {1, 1, 0}},
        {"F10 as a system key", {{kSysDown, 0x79, false}, {kSysUp, 0x79, false}}, 0x79, {1, 0, 1}},
        {"Alt is consumed, not recorded", {{kSysDown, 0x12, false}, {kSysUp, 0x12, false}}, 0x12, {0, 0, 0}},
        {"other system keys are not recorded", {{kSysDown, 0x73, false}}, 0x73, {0, 0, 0}},
        {"the IME's processing key becomes its virtual key", {{kDown, 0xE5, false}}, 0x1C, {1, 1, 0}},
    };
    for (const Row& r : rows) {
        host.reset();
        host = std::make_unique<CQRKWindowCtrl>(window);
        window.imeKey = 0x1C;
        for (const Step& s : r.steps) {
            if (s.clearEdges) ClearEdges(*host);
            window.Send(s.code, s.key);
        }
        EXPECT_EQ(KeyOf(*host, r.key), r.expected) << r.name;
    }
}

TEST_F(Input, KeyMessagesAreConsumedAndCharactersPassOn) {
    WindowMessage m;
    m.code = platform::WM_KEYDOWN;
    m.wParam = 'Q';
    EXPECT_TRUE(host->PreTranslateMessage(m));
    m.code = platform::WM_CHAR;
    EXPECT_FALSE(host->PreTranslateMessage(m));
}

struct HookLog {
    std::vector<std::pair<uint32_t, uintptr_t>> calls;
    static void Hook(CQRKWindowCtrl*, const WindowMessage& m, void* data) {
        static_cast<HookLog*>(data)->calls.emplace_back(m.code, m.wParam);
    }
};

TEST_F(Input, TheTextInputHookTakesTheKeyboard) {
    HookLog hook;
    host->SetTextInputHook(&HookLog::Hook, &hook);
    host->SetTextInputHookActive(true);

    WindowMessage m;
    m.code = platform::WM_KEYDOWN;
    m.wParam = 'A';
    // Typed keys go to the hook and on to translation, not into the tables.
    EXPECT_FALSE(host->PreTranslateMessage(m));
    EXPECT_EQ(KeyOf(*host, 'A'), (KeyState{0, 0, 0}));
    // Shift, Ctrl and F1 reach both.
    for (uint32_t key : {0x10u, 0x11u, 0x70u}) {
        m.wParam = key;
        EXPECT_TRUE(host->PreTranslateMessage(m)) << key;
        EXPECT_EQ(KeyOf(*host, key), (KeyState{1, 1, 0})) << key;
    }
    // F10 arrives as a plain key message; Alt still goes nowhere.
    window.Send(platform::WM_SYSKEYDOWN, 0x79);
    window.Send(platform::WM_SYSKEYUP, 0x79);
    window.Send(platform::WM_SYSKEYDOWN, 0x12);
    EXPECT_EQ(KeyOf(*host, 0x79), (KeyState{0, 0, 0}));
    // Text and IME messages.
    for (uint32_t code : {platform::WM_CHAR, platform::WM_IME_STARTCOMPOSITION, platform::WM_IME_COMPOSITION,
                          platform::WM_IME_ENDCOMPOSITION, platform::WM_IME_NOTIFY, platform::WM_IME_CHAR})
        window.Send(code, 0x3042);

    using Call = std::pair<uint32_t, uintptr_t>;
    const std::vector<Call> expected = {
        {platform::WM_KEYDOWN, 'A'},
        {platform::WM_KEYDOWN, 0x10},
        {platform::WM_KEYDOWN, 0x11},
        {platform::WM_KEYDOWN, 0x70},
        {platform::WM_KEYDOWN, 0x79},
        {platform::WM_KEYUP, 0x79},
        {platform::WM_CHAR, 0x3042},
        {platform::WM_IME_STARTCOMPOSITION, 0x3042},
        {platform::WM_IME_COMPOSITION, 0x3042},
        {platform::WM_IME_ENDCOMPOSITION, 0x3042},
        {platform::WM_IME_NOTIFY, 0x3042},
        {platform::WM_IME_CHAR, 0x3042},
    };
    EXPECT_EQ(hook.calls, expected);

    // Inactive: the tables again, and no hook calls.
    host->SetTextInputHookActive(false);
    hook.calls.clear();
    window.Send(platform::WM_KEYDOWN, 'A');
    window.Send(platform::WM_CHAR, 'a');
    EXPECT_TRUE(hook.calls.empty());
    EXPECT_EQ(KeyOf(*host, 'A'), (KeyState{1, 1, 0}));
}

TEST_F(Input, MouseButtonsCaptureAndWheel) {
    const QRKHostInputTables& t = host->GetInputTables();
    window.Send(platform::WM_LBUTTONDOWN);
    EXPECT_EQ(t.mouse[0].pressed, 1);
    EXPECT_EQ(t.mouse[0].down, 1);
    EXPECT_TRUE(window.captured);
    EXPECT_EQ(window.setCaptures, 1);
    // A second button while the first is down does not capture again, and
    // releasing the first keeps the capture for the second.
    window.Send(platform::WM_RBUTTONDOWN);
    EXPECT_EQ(window.setCaptures, 1);
    window.Send(platform::WM_LBUTTONUP);
    EXPECT_EQ(t.mouse[0].down, 0);
    EXPECT_EQ(t.mouse[0].released, 1);
    EXPECT_TRUE(window.captured);
    window.Send(platform::WM_RBUTTONUP);
    EXPECT_FALSE(window.captured);

    window.Send(platform::WM_MBUTTONDBLCLK);
    EXPECT_EQ(t.mouse[2].doubleClicked, 1);
    EXPECT_EQ(t.mouse[2].down, 1);
    EXPECT_EQ(t.mouse[2].pressed, 0);
    EXPECT_TRUE(window.captured);

    window.Send(platform::WM_MOUSEWHEEL, static_cast<uintptr_t>(120) << 16);
    window.Send(platform::WM_MOUSEWHEEL, static_cast<uintptr_t>(static_cast<uint16_t>(-240)) << 16);
    EXPECT_EQ(t.wheel, -120);
}

TEST_F(Input, DeactivationReleasesEverythingHeld) {
    struct Row {
        const char* name;
        const char* settings;
        uint32_t state;
        bool paused;
        bool released;
    } rows[] = {
        {"pause enabled, deactivated", "", platform::WA_INACTIVE, true, true},
        {"pause enabled, activated", "", platform::WA_ACTIVE, false, false},
        {"pause disabled, deactivated", "PauseEnable=false\n", platform::WA_INACTIVE, false, true},
        {"pause disabled, activated", "PauseEnable=false\n", platform::WA_CLICKACTIVE, false, false},
    };
    for (const Row& r : rows) {
        host.reset();
        host = std::make_unique<CQRKWindowCtrl>(window);
        Start(r.settings);
        window.Send(platform::WM_KEYDOWN, 'K');
        window.Send(platform::WM_LBUTTONDOWN);
        ClearEdges(*host);
        const int32_t releases = window.releaseCaptures;
        window.Send(platform::WM_ACTIVATE, r.state);
        EXPECT_EQ(host->IsPaused(), r.paused) << r.name;
        const QRKHostInputTables& t = host->GetInputTables();
        EXPECT_EQ(KeyOf(*host, 'K'), r.released ? (KeyState{0, 0, 1}) : (KeyState{0, 1, 0})) << r.name;
        EXPECT_EQ(t.mouse[0].down, r.released ? 0 : 1) << r.name;
        EXPECT_EQ(t.mouse[0].released, r.released ? 1 : 0) << r.name;
        EXPECT_EQ(window.releaseCaptures - releases, r.released ? 1 : 0) << r.name;
        window.Send(platform::WM_LBUTTONUP);
    }
    // Reactivation clears the pause.
    host.reset();
    host = std::make_unique<CQRKWindowCtrl>(window);
    Start("");
    window.Send(platform::WM_ACTIVATE, platform::WA_INACTIVE);
    window.Send(platform::WM_ACTIVATE, platform::WA_CLICKACTIVE);
    EXPECT_FALSE(host->IsPaused());
}

}  // namespace
}  // namespace hosttest
