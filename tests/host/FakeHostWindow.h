#pragma once
// A window for host tests: records what the host asks of it (titles, moves,
// posts, captures, menu items, full screen) and answers geometry from a few
// fields. The frame around the client area is 8 pixels on the left, right and
// bottom and 40 above (title and menu bar). Posted and test-queued messages
// wait in a queue until PumpMessages or Deliver hands them to the client
// (PreTranslateMessage, then WindowProc), as the real window does.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/HostWindow.h"
#include "platform/Surface.h"

namespace hosttest {

class FakeHostWindow : public platform::IHostWindow {
public:
    static constexpr int32_t kFrameSide = 8;
    static constexpr int32_t kFrameTop = 40;

    FakeHostWindow() {
        m_bitmap = m_device.CreateCompatibleBitmap(2048, 2048);
        m_device.SelectBitmap(m_bitmap.get());
    }
    ~FakeHostWindow() override { m_device.SelectBitmap(nullptr); }

    // ---- what the test sets ----
    platform::Rect windowRect{100, 100, 100 + 640 + 2 * kFrameSide, 100 + 625 + kFrameTop + kFrameSide};
    platform::Rect workArea{0, 0, 1920, 1040};
    bool hasMonitor = true;
    int32_t screenWidth = 1920;
    int32_t screenHeight = 1080;
    platform::ShowState showState = platform::ShowState::Normal;
    int32_t cursorX = 0;
    int32_t cursorY = 0;
    bool cursorReadable = true;
    bool failTimer = false;
    uint32_t imeKey = 0x41;
    // Run inside RunEnvironmentDialog (a modal loop: frames may arrive).
    std::function<void()> duringEnvironmentDialog;
    // Run at the start of every PumpMessages (time passing while the frame
    // handler pumps).
    std::function<void()> duringPump;
    // Sent to the client after MoveWindow and full-screen changes, as the
    // real window reports its new client size.
    bool sendSizeOnMove = true;

    // ---- what the host did ----
    platform::IWindowClient* client = nullptr;
    std::vector<std::string> titles;
    std::vector<platform::Rect> moves;
    int32_t posts = 0;
    int32_t pumps = 0;
    int32_t setCaptures = 0;
    int32_t releaseCaptures = 0;
    bool captured = false;
    uint32_t timerPeriod = 0;
    std::vector<uint32_t> killedTimers;
    int32_t centres = 0;
    int32_t fullScreenEntries = 0;
    int32_t fullScreenLeaves = 0;
    struct MenuItem {
        uint32_t flags;
        uint32_t id;
        std::string text;
    };
    std::vector<MenuItem> menu;
    std::map<uint32_t, bool> checked;
    std::vector<std::string> environmentTexts;
    std::vector<int32_t> endResults;
    std::deque<platform::WindowMessage> queue;

    // Queues a message as the system would (input waits for the next pump).
    void Queue(uint32_t code, uintptr_t wParam = 0, intptr_t lParam = 0) {
        platform::WindowMessage m;
        m.code = code;
        m.wParam = wParam;
        m.lParam = lParam;
        queue.push_back(m);
    }
    // Hands one message to the client now.
    intptr_t Send(const platform::WindowMessage& m) {
        if (client->PreTranslateMessage(m)) return 0;
        return client->WindowProc(m);
    }
    intptr_t Send(uint32_t code, uintptr_t wParam = 0, intptr_t lParam = 0) {
        platform::WindowMessage m;
        m.code = code;
        m.wParam = wParam;
        m.lParam = lParam;
        return Send(m);
    }
    // Delivers everything queued, frame messages included.
    void Deliver() {
        while (!queue.empty()) {
            const platform::WindowMessage m = queue.front();
            queue.pop_front();
            Send(m);
        }
    }
    // Ticks the timer n times, delivering what the ticks post after each.
    void Run(int32_t ticks) {
        for (int32_t i = 0; i < ticks; ++i) {
            client->TimerTick();
            Deliver();
        }
    }
    platform::Rect ClientRect() const { return ClientFromWindowRectConst(windowRect); }
    const uint32_t* DevicePixels() const {
        int32_t w = 0;
        int32_t h = 0;
        return m_device.GetSelectedPixels(w, h);
    }
    static int32_t DeviceStride() { return 2048; }

    // ---- IHostWindow ----
    void SetClient(platform::IWindowClient* c) override { client = c; }
    void SetTitle(const char* text) override { titles.emplace_back(text); }
    bool GetClientRect(platform::Rect& rect) override {
        const platform::Rect c = ClientRect();
        rect = platform::Rect{0, 0, c.Width(), c.Height()};
        return true;
    }
    bool GetCursorClientPos(int32_t& x, int32_t& y) override {
        if (!cursorReadable) return false;
        x = cursorX;
        y = cursorY;
        return true;
    }
    void SetCapture() override {
        ++setCaptures;
        captured = true;
    }
    void ReleaseCapture() override {
        ++releaseCaptures;
        captured = false;
    }
    bool HasCapture() override { return captured; }
    void PostFrameMessage() override {
        ++posts;
        Queue(platform::WM_HOST_FRAME);
    }
    void PumpMessages() override {
        ++pumps;
        if (duringPump) duringPump();
        // Input only: a frame message found while a frame runs would return
        // at once anyway; keeping it queued lets tests count posts.
        std::deque<platform::WindowMessage> later;
        while (!queue.empty()) {
            const platform::WindowMessage m = queue.front();
            queue.pop_front();
            if (m.code == platform::WM_HOST_FRAME)
                later.push_back(m);
            else
                Send(m);
        }
        queue = later;
    }
    uint32_t StartTimer(uint32_t periodMs) override {
        timerPeriod = periodMs;
        return failTimer ? 0 : 7;
    }
    void KillTimer(uint32_t id) override { killedTimers.push_back(id); }
    platform::ISurfaceDevice* GetClientDevice() override { return &m_device; }
    platform::Rect AdjustWindowRect(const platform::Rect& c) override {
        return platform::Rect{c.left - kFrameSide, c.top - kFrameTop, c.right + kFrameSide, c.bottom + kFrameSide};
    }
    platform::Rect ClientFromWindowRect(const platform::Rect& w) override { return ClientFromWindowRectConst(w); }
    bool GetWindowRect(platform::Rect& rect) override {
        rect = windowRect;
        return true;
    }
    void MoveWindow(const platform::Rect& window, bool) override {
        moves.push_back(window);
        windowRect = window;
        SendSize();
    }
    void CenterWindow() override {
        ++centres;
        const int32_t w = windowRect.Width();
        const int32_t h = windowRect.Height();
        windowRect.left = workArea.left + (workArea.Width() - w) / 2;
        windowRect.top = workArea.top + (workArea.Height() - h) / 2;
        windowRect.right = windowRect.left + w;
        windowRect.bottom = windowRect.top + h;
    }
    bool GetWorkArea(const platform::Rect&, platform::Rect& area) override {
        if (!hasMonitor) return false;
        area = workArea;
        return true;
    }
    void GetPrimaryScreenSize(int32_t& width, int32_t& height) override {
        width = screenWidth;
        height = screenHeight;
    }
    platform::ShowState GetShowState() override { return showState; }
    void EnterFullScreen() override {
        ++fullScreenEntries;
        m_fullScreen = true;
        windowRect = platform::Rect{0, 0, screenWidth, screenHeight};
        SendSize();
    }
    void LeaveFullScreen(const platform::Rect& rect) override {
        ++fullScreenLeaves;
        m_fullScreen = false;
        windowRect = rect;
        SendSize();
    }
    bool AppendSystemMenuItem(uint32_t flags, uint32_t id, const char* text) override {
        menu.push_back(MenuItem{flags, id, text});
        return true;
    }
    void CheckSystemMenuItem(uint32_t id, bool on) override { checked[id] = on; }
    uint32_t GetImeVirtualKey() override { return imeKey; }
    int32_t RunEnvironmentDialog(const char* modeText) override {
        environmentTexts.emplace_back(modeText);
        if (duringEnvironmentDialog) duringEnvironmentDialog();
        return 1;
    }
    void EndDialog(int32_t result) override { endResults.push_back(result); }
    void* GetOwnerHandle() override { return this; }

    bool IsFullScreen() const { return m_fullScreen; }

private:
    platform::Rect ClientFromWindowRectConst(const platform::Rect& w) const {
        if (m_fullScreen) return w;
        return platform::Rect{w.left + kFrameSide, w.top + kFrameTop, w.right - kFrameSide, w.bottom - kFrameSide};
    }
    void SendSize() {
        if (!sendSizeOnMove || client == nullptr) return;
        const platform::Rect c = ClientRect();
        platform::WindowMessage m;
        m.code = platform::WM_SIZE;
        m.lParam = static_cast<intptr_t>((static_cast<uint32_t>(c.Height()) << 16) | static_cast<uint32_t>(c.Width()));
        client->WindowProc(m);
    }

    platform::CMemorySurfaceDevice m_device;
    std::unique_ptr<platform::ISurfaceBitmap> m_bitmap;
    bool m_fullScreen = false;
};

}  // namespace hosttest
