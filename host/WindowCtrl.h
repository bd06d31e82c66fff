#pragma once
// CQRKWindowCtrl: the host of the program's main window.
//
// The host owns the back buffer, the scene stack, the key and mouse tables
// that the input devices read, the settings tree, the error queue, the shared
// sprites and the teardown lists. It is the window's client: the window hands
// it every message (PreTranslateMessage, then WindowProc) and every timer tick.
//
// Frame pacing: a 4 ms tick adds the frame rate (1000 by default) to an
// accumulator counted in 1/4000 frame; once a whole frame is due, the tick
// posts the frame message, at most one at a time. The frame message works off
// what is due in one go, pumping input before each frame, and drops a backlog
// of more than five frames instead of queueing it up (the next tick then
// resynchronises the accumulator to the tick phase). The tick and the frame
// message both run on the GUI thread, so the pacing values need no locking.
//
// The main dialog derives from the host, makes the start-up scene current
// (SetStartScene) and calls Initialize; the window's modal loop runs until
// Quit ends it; WM_DESTROY then runs the teardown lists.
#include <cstdint>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/settings/IniExCtrl.h"
#include "foundation/strings/Str.h"
#include "host/ErrorQueue.h"
#include "host/HostContext.h"
#include "host/HostInput.h"
#include "host/InputMgr.h"
#include "host/ShareSprite.h"
#include "host/text/TileFont.h"
#include "platform/HostWindow.h"
#include "platform/fonts/FontEngine.h"
#include "raster/surface/sprite/SpriteView.h"

class IScene;

// The frame-pacing values shared by the tick and the frame message.
struct QRKFramePacing {
    // Accumulator units per frame.
    static constexpr int32_t kFrameUnits = 4000;

    // Added to the accumulator on every tick.
    int32_t frameRate = 1000;
    // Ticks modulo 4000.
    int32_t phase = 0;
    // Moved by the drawing-timing adjustment, modulo 4000.
    int32_t phaseOffset = 0;
    // Pending frame work in 1/4000 frame.
    int32_t accumulator = 0;
    // The next tick recomputes the accumulator from the phase.
    bool resync = true;
    // The tick may post the frame message.
    bool postAllowed = false;
    // A frame message is being handled (guards re-entry from nested loops).
    bool inFrame = false;
    // The environment dialog runs: frames skip the scene calls.
    bool environmentDialogOpen = false;
};

// The host's keys of the settings file, as read by Initialize.
struct QRKHostSettings {
    bool silentMode = false;
    bool bgmSubEnable = true;
    bool midiEnable = true;
    int32_t pixType = 0;
    // The shared-sprite cache limit in pixels.
    int32_t bitmapCacheLimit = 131072000;
    bool fullScreen = false;
    // 0 (none), 43 or 169.
    int32_t aspectControl = 0;
    int32_t fpsInfo = 2;
    // 1..100: frames drawn per hundred.
    int32_t drawRate = 100;
    bool pauseEnable = true;
    // kCentred or less: centred.
    int32_t windowX = kCentred;
    int32_t windowY = kCentred;

    static constexpr int32_t kCentred = -1048576;
};

class CQRKWindowCtrl : public platform::IWindowClient {
public:
    // A teardown record: the callback and the argument passed to it.
    struct QRKDestructorInfo {
        void (*callback)(void*) = nullptr;
        void* argument = nullptr;
    };
    static constexpr int32_t kTeardownLists = 10;

    // The text-input hook: a text field that takes the keyboard receives the
    // key, character and IME messages through it (the message code may be
    // rewritten: F10 arrives as WM_KEYDOWN / WM_KEYUP).
    using TextInputHook = void (*)(CQRKWindowCtrl* host, const platform::WindowMessage& message, void* data);

    // The calendar time in whole seconds (replaceable for tests).
    using SecondsClock = int64_t (*)();

    // System-menu command ids.
    static constexpr uint32_t kCmdEnvironment = 32;
    static constexpr uint32_t kCmdFullScreen = 48;
    static constexpr uint32_t kCmdDefaultSize = 64;
    static constexpr uint32_t kCmdDrawTiming = 96;

    // Becomes the window's client (until destroyed; the window outlives the
    // host). The back buffer is empty and 640 x 625 until Initialize.
    explicit CQRKWindowCtrl(platform::IHostWindow& window);
    ~CQRKWindowCtrl() override;

    CQRKWindowCtrl(const CQRKWindowCtrl&) = delete;
    CQRKWindowCtrl& operator=(const CQRKWindowCtrl&) = delete;

    // ---- the host's own virtual operations ----

    // Returns 0; nothing calls it.
    virtual int32_t Reserved();
    // Shuts down: stops the timer, leaves every scene once, marks the host
    // closing and ends the window's modal loop with the cancel result.
    virtual void Quit();
    // The FPS part of the title by the FPS-info mode.
    virtual void FormatFps(CStr_base<64>& out, int32_t presents, int32_t updates, int32_t wait);
    // FormatFps followed by the program's name.
    virtual void MakeTitle(CStr_base<64>& out, int32_t presents, int32_t updates, int32_t wait);
    // The draw-rate decision for this frame.
    virtual bool DecideDrawFrame();
    // The decision of the current frame.
    virtual bool IsDrawFrame();

    // ---- the window's client ----
    bool PreTranslateMessage(const platform::WindowMessage& message) override;
    intptr_t WindowProc(const platform::WindowMessage& message) override;
    void TimerTick() override;

    // ---- start-up (the start-up scene current first) ----

    // Makes a scene current without entering it: Initialize enters it.
    void SetStartScene(IScene* scene) noexcept { m_currentScene = scene; }
    // Reads the settings, prepares the back buffer, places the window, enters
    // the current scene and starts the timer. Always true.
    bool Initialize();

    // ---- frames and presentation ----

    // Marks the back buffer changed: it is presented at the end of the frame.
    void RequestPresent() noexcept { m_changed = true; }
    // Shows the back buffer stretched over the client area; clears the
    // changed flag. False when the host does not present (before Initialize).
    bool Present();
    // The close box and the cancel command.
    void OnCancel() { Quit(); }
    // The Enter key never closes the window.
    void OnOK() {}

    // 100..10000 (one frame per 4000 / rate ticks); false otherwise.
    bool SetFrameRate(int32_t rate) noexcept;
    int32_t GetFrameRate() const noexcept { return m_pacing.frameRate; }

    // ---- scenes ----

    // Leaves the current scene and enters the given one; the stack stays.
    void ChangeScene(IScene* scene);
    // Enters the given scene and suspends the current one on the stack.
    void PushScene(IScene* scene);
    // Leaves the current scene and resumes the top of the stack; an empty
    // stack is reported to the error queue.
    void PopScene();
    IScene* GetCurrentScene() const noexcept { return m_currentScene; }
    uint32_t GetSceneStackCount() const noexcept { return m_sceneStack.GetCount(); }

    // ---- errors ----
    void ReportError(const char* text, bool fatal) { m_errorQueue.ReportError(text, fatal); }

    // ---- teardown ----

    // Appends a callback to list 0..9; WM_DESTROY calls the lists in order,
    // each from its newest record to its oldest. False for a bad list.
    bool AddTeardown(int32_t list, void (*callback)(void*), void* argument);

    // ---- text input ----
    void SetTextInputHook(TextInputHook hook, void* data) noexcept {
        m_hookFunction = hook;
        m_hookData = data;
    }
    void SetTextInputHookActive(bool active) noexcept { m_hookActive = active; }
    bool IsTextInputHookActive() const noexcept { return m_hookActive; }

    // ---- geometry ----

    // The cursor in back-buffer coordinates; (-1, -1) and false when the
    // client area cannot be read or is empty.
    bool GetMousePos(int32_t& x, int32_t& y);
    bool ClientToBuffer(int32_t clientX, int32_t clientY, int32_t& x, int32_t& y);
    bool BufferToClient(int32_t bufferX, int32_t bufferY, int32_t& x, int32_t& y);
    // Copies (x, y, width, height) of the back buffer to (0, 0) of the sprite.
    void CopyBackBuffer(CSprite& target, int32_t x, int32_t y, int32_t width, int32_t height);
    void ToggleFullScreen();
    // The system-menu command: the settings' window size, centred.
    void ApplyDefaultWindowSize();
    // The system-menu command: moves the frame phase by about 6 ms.
    void AdjustDrawTiming();
    // The system-menu command: the environment dialog, then the settings saved.
    void RunEnvironmentDialog();
    // "描画モード\nQDXPU proto ..." for the environment dialog.
    void BuildDrawModeText(CStr_base<64>& out) const;

    // ---- state ----
    platform::IHostWindow& GetWindow() noexcept { return m_window; }
    QRKHostInputTables& GetInputTables() noexcept { return m_input; }
    CQRKInputMgr& GetInputMgr() noexcept { return m_inputMgr; }
    CQRKErrorQueue& GetErrorQueue() noexcept { return m_errorQueue; }
    CQRKShareSpriteMgr& GetShareSprites() noexcept { return m_shareSprites; }
    CAsyncLoader& GetLoader() noexcept { return m_loader; }
    CSpriteView& GetBackBuffer() noexcept { return m_backBuffer; }
    // The interface font (made by the start-up scene) and the font service it
    // draws its glyphs with.
    CQRKTileFontCore& GetTileFont() noexcept { return m_tileFont; }
    platform::FontEngine& GetFontEngine() noexcept { return m_fontEngine; }
    CIniExCtrl_base<32, 32, 64>& GetSettings() noexcept { return m_settings; }
    const QRKHostSettings& GetHostSettings() const noexcept { return m_hostSettings; }
    QRKFramePacing& GetPacing() noexcept { return m_pacing; }

    int32_t GetBackBufferWidth() const noexcept { return m_bufferWidth; }
    int32_t GetBackBufferHeight() const noexcept { return m_bufferHeight; }
    void SetBackBufferSize(int32_t width, int32_t height) noexcept {
        m_bufferWidth = width;
        m_bufferHeight = height;
    }
    int32_t GetClientWidth() const noexcept { return m_clientWidth; }
    int32_t GetClientHeight() const noexcept { return m_clientHeight; }
    void SetClientSize(int32_t width, int32_t height) noexcept {
        m_clientWidth = width;
        m_clientHeight = height;
    }
    bool IsPresenting() const noexcept { return m_presenting; }
    bool IsFullScreen() const noexcept { return m_fullScreen; }
    bool IsClosing() const noexcept { return m_closing; }
    bool IsPaused() const noexcept { return m_paused; }
    bool IsChanged() const noexcept { return m_changed; }
    uint32_t GetTimerId() const noexcept { return m_timerId; }

    // Folders, code page 932: the program's (no trailing separator) and its
    // assets' (ending in "\").
    const CStr_base<64>& GetProgramFolder() const noexcept { return m_programFolder; }
    const CStr_base<64>& GetBgmFolder() const noexcept { return m_bgmFolder; }
    const CStr_base<64>& GetSeFolder() const noexcept { return m_seFolder; }
    const CStr_base<64>& GetPictureFolder() const noexcept { return m_picFolder; }
    const CStr_base<64>& GetFontFolder() const noexcept { return m_fontFolder; }

    void SetSecondsClock(SecondsClock clock) noexcept { m_clock = clock; }

private:
    void FrameMessage();
    void FrameIteration();
    void UpdateScenes();
    void DrawScenes();
    void SizeWithAspect(uint32_t edge, platform::Rect* rect);
    void OnActivate(uint32_t state);
    void RecordKeyDown(uint32_t key);
    void RecordKeyUp(uint32_t key);
    void RecordButton(int32_t button, bool down, bool doubleClick);
    bool AnyButtonDown() const noexcept;
    void RunTeardown();
    void ReadSettings();
    void ComputeFolders();
    void PlaceWindow();
    void CentreWindowOnWorkArea();
    bool CallHook(const platform::WindowMessage& message, uint32_t code);

    platform::IHostWindow& m_window;

    QRKHostInputTables m_input;
    CQRKErrorQueue m_errorQueue;
    CQRKShareSpriteMgr m_shareSprites;
    int32_t m_bufferWidth = 640;
    int32_t m_bufferHeight = 625;
    bool m_changed = false;
    bool m_closing = false;
    CAsyncLoader m_loader;
    QRKHostSettings m_hostSettings;
    bool m_fullScreen = false;
    bool m_presenting = false;
    platform::Rect m_savedWindowRect;
    CStr_base<64> m_programFolder;
    CStr_base<64> m_bgmFolder;
    CStr_base<64> m_seFolder;
    CStr_base<64> m_picFolder;
    CStr_base<64> m_fontFolder;
    CQRKInputMgr m_inputMgr;
    CArrayAuto<IScene*> m_sceneStack;
    IScene* m_currentScene = nullptr;
    CArrayAuto<QRKDestructorInfo> m_teardown[kTeardownLists];
    CIniExCtrl_base<32, 32, 64> m_settings;
    int32_t m_clientWidth = 0;
    int32_t m_clientHeight = 0;
    uint32_t m_timerId = 0;
    bool m_paused = false;
    int64_t m_titleSecond = 0;
    int32_t m_presents = 0;
    int32_t m_updates = 0;
    CSpriteView m_backBuffer;
    // The engine before the tile font: the font's glyph renderer goes first.
    platform::FontEngine m_fontEngine;
    CQRKTileFontCore m_tileFont;
    bool m_drawFrame = false;
    int32_t m_drawRateAccumulator = 0;
    bool m_hookActive = false;
    TextInputHook m_hookFunction = nullptr;
    void* m_hookData = nullptr;
    QRKFramePacing m_pacing;
    SecondsClock m_clock;
    // What the host publishes to code without a host pointer.
    QRKHostContext m_context;
};
