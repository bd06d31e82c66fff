// The host: frame loop, input recording, scenes, start-up and window geometry.
#include "host/WindowCtrl.h"

#include <cstring>
#include <ctime>
#include <string>

#include "foundation/util/Utilities.h"
#include "host/Scene.h"
#include "platform/Cp932.h"
#include "platform/MessageBox.h"
#include "platform/Utf8.h"
#include "platform/XdgPaths.h"
#include "raster/surface/sprite/RasterLibrary.h"

using platform::Rect;
using platform::WindowMessage;

namespace {

// "タイマエラー"
constexpr char kTimerError[] = "\x83^\x83\x43\x83}\x83G\x83\x89\x81[";
// "Popできるシーンがありません。"
constexpr char kNoSceneToPop[] =
    "Pop\x82\xC5\x82\xAB\x82\xE9\x83V\x81[\x83\x93\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
// "環境設定(&E)..."
constexpr char kMenuEnvironment[] = "\x8A\xC2\x8B\xAB\x90\xDD\x92\xE8(&E)...";
// "規定のウィンドウサイズ(&D)"
constexpr char kMenuDefaultSize[] = "\x8BK\x92\xE8\x82\xCC\x83\x45\x83\x42\x83\x93\x83h\x83\x45\x83T\x83\x43\x83Y(&D)";
// "フルスクリーン(&F)\tAlt+Enter"
constexpr char kMenuFullScreen[] = "\x83t\x83\x8B\x83X\x83N\x83\x8A\x81[\x83\x93(&F)\tAlt+Enter";
// "描画タイミングの調整(&R)"
constexpr char kMenuDrawTiming[] = "\x95`\x89\xE6\x83^\x83\x43\x83~\x83\x93\x83O\x82\xCC\x92\xB2\x90\xAE(&R)";
// "描画モード\nQDXPU proto "
constexpr char kDrawModeHead[] = "\x95`\x89\xE6\x83\x82\x81[\x83h\nQDXPU proto ";

constexpr char kProgramName[] = "Tarn Outline Crafter Tool";

constexpr uint32_t kVkShift = 0x10;
constexpr uint32_t kVkControl = 0x11;
constexpr uint32_t kVkMenu = 0x12;
constexpr uint32_t kVkReturn = 0x0D;
constexpr uint32_t kVkF1 = 0x70;
constexpr uint32_t kVkF10 = 0x79;
constexpr uint32_t kVkProcessKey = 0xE5;

constexpr int32_t kFrame = QRKFramePacing::kFrameUnits;
// A backlog above this (five frames) is dropped rather than worked off.
constexpr int32_t kBacklogLimit = 20000;

int64_t CalendarSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

// One "%d" item as the C library reads it: white space, an optional sign and
// at least one digit; what follows is ignored. A value beyond 32 bits keeps
// its low 32 bits (the magnitude saturating at 64 bits first), as strtol on a
// 64-bit system followed by the narrowing store gives.
bool ScanDecimal(const char* text, int32_t& value) noexcept {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    uint64_t magnitude = 0;
    bool saturated = false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        const uint64_t digit = *p - '0';
        if (magnitude > (UINT64_MAX - digit) / 10) saturated = true;
        if (!saturated) magnitude = magnitude * 10 + digit;
    }
    int64_t wide;
    if (negative) {
        wide = (saturated || magnitude > uint64_t{INT64_MAX} + 1) ? INT64_MIN
                                                                   : static_cast<int64_t>(0 - magnitude);
    } else {
        wide = (saturated || magnitude > uint64_t{INT64_MAX}) ? INT64_MAX : static_cast<int64_t>(magnitude);
    }
    value = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
    return true;
}

int32_t ReadNumber(CIniExCtrl_base<32, 32, 64>& settings, const char* key, int32_t fallback) {
    int32_t value = fallback;
    if (const auto* text = settings.FindValue(key)) {
        if (!ScanDecimal(text->GetText(), value)) value = fallback;
    }
    return value;
}

bool ReadBoolean(CIniExCtrl_base<32, 32, 64>& settings, const char* key, bool fallback) {
    const auto* text = settings.FindValue(key);
    if (text == nullptr) return fallback;
    return std::strcmp(text->GetText(), "true") == 0;
}

int32_t Clamp(int32_t value, int32_t low, int32_t high) noexcept {
    return value < low ? low : (value > high ? high : value);
}

// value * numerator / denominator with a 64-bit product, truncating toward zero.
int32_t Scale(int32_t value, int32_t numerator, int32_t denominator) noexcept {
    return static_cast<int32_t>(static_cast<int64_t>(value) * numerator / denominator);
}

// Keeps a span of `size` starting at `position` inside [low, high): the far
// edge first, then the near edge wins.
int32_t FitSpan(int64_t position, int32_t size, int32_t low, int32_t high) noexcept {
    if (position + size > high) position = static_cast<int64_t>(high) - size;
    if (position < low) position = low;
    return static_cast<int32_t>(position);
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction

CQRKWindowCtrl::CQRKWindowCtrl(platform::IHostWindow& window) : m_window(window), m_clock(CalendarSeconds) {
    m_inputMgr.SetHostTables(&m_input);
    m_window.SetClient(this);
}

CQRKWindowCtrl::~CQRKWindowCtrl() {
    // Withdraw the published services first: nothing may reach a host that is
    // going away.
    if (QRKCurrentHost() == &m_context) QRKPublishHost(nullptr);
    m_window.SetClient(nullptr);
    m_loader.Stop();
}

int32_t CQRKWindowCtrl::Reserved() { return 0; }

// ---------------------------------------------------------------------------
// Frame pacing

void CQRKWindowCtrl::TimerTick() {
    QRKFramePacing& p = m_pacing;
    p.phase = (p.phase + 1) % kFrame;
    p.accumulator += p.frameRate;
    if (p.resync) {
        p.accumulator =
            static_cast<int32_t>((static_cast<int64_t>(p.frameRate) * p.phase + p.phaseOffset) % kFrame) + kFrame;
        p.resync = false;
        p.postAllowed = true;
    }
    if (p.accumulator > 120000) {
        while (p.accumulator >= 124000) p.accumulator -= kFrame;
    } else if (p.accumulator < kFrame) {
        return;
    }
    if (p.postAllowed) {
        p.postAllowed = false;
        m_window.PostFrameMessage();
    }
}

bool CQRKWindowCtrl::SetFrameRate(int32_t rate) noexcept {
    if (rate < 100 || rate > 10000) return false;
    m_pacing.frameRate = rate;
    return true;
}

void CQRKWindowCtrl::FrameMessage() {
    QRKFramePacing& p = m_pacing;
    if (p.inFrame) return;
    if (p.accumulator > kBacklogLimit) {
        p.resync = true;
        return;
    }
    p.inFrame = true;
    if (p.accumulator < kFrame) {
        p.postAllowed = true;
        p.inFrame = false;
        return;
    }
    FrameIteration();
}

void CQRKWindowCtrl::FrameIteration() {
    QRKFramePacing& p = m_pacing;
    for (;;) {
        // A drag that lost its button-up (the capture outlived the buttons)
        // must not run frames: drop the whole frames that are due.
        if (m_window.HasCapture() && !AnyButtonDown()) {
            p.accumulator %= kFrame;
            p.inFrame = false;
            p.postAllowed = true;
            return;
        }
        const int32_t before = p.accumulator;
        m_window.PumpMessages();
        if (static_cast<int64_t>(p.accumulator) - before > kBacklogLimit) {
            p.resync = true;
            p.inFrame = false;
            return;
        }
        if (!((m_paused && m_input.wheel == 0) || p.environmentDialogOpen)) {
            UpdateScenes();
            if (!m_closing) DrawScenes();
        }
        if (!m_closing && m_errorQueue.HasPending()) {
            if (m_errorQueue.Display(m_window.GetOwnerHandle())) Quit();
        }
        p.accumulator -= kFrame;
        if (m_hookActive || p.accumulator < kFrame) break;
    }
    p.postAllowed = true;
    p.inFrame = false;
}

void CQRKWindowCtrl::UpdateScenes() {
    m_drawFrame = DecideDrawFrame();
    // The stacked scenes must not change meanwhile: the count is taken once
    // and the live stack indexed (a shrunk stack throws).
    const uint32_t stacked = m_sceneStack.GetCount();
    for (uint32_t i = 0; i < stacked; ++i) (*m_sceneStack.GetAt(i))->PreUpdate();
    if (m_currentScene != nullptr) {
        m_currentScene->PreUpdate();
        m_currentScene->Update();
    }
    ++m_updates;
}

void CQRKWindowCtrl::DrawScenes() {
    const uint32_t stacked = m_sceneStack.GetCount();
    for (uint32_t i = 0; i < stacked; ++i) (*m_sceneStack.GetAt(i))->Draw();
    if (m_currentScene != nullptr) m_currentScene->Draw();
    if (m_changed && Present()) ++m_presents;

    const int64_t now = m_clock();
    if (now == m_titleSecond) return;
    m_titleSecond = now;
    const int32_t wait = m_pacing.resync ? 0 : m_pacing.accumulator / kFrame - 1;
    CStr_base<64> title;
    MakeTitle(title, m_presents, m_updates, wait);
    m_window.SetTitle(title.GetText());
    m_presents = 0;
    m_updates = 0;
    m_shareSprites.Sweep(static_cast<uint32_t>(m_hostSettings.bitmapCacheLimit));
}

bool CQRKWindowCtrl::DecideDrawFrame() {
    const int32_t rate = m_hostSettings.drawRate;
    m_drawRateAccumulator += rate;
    if (m_drawRateAccumulator < 100) return false;
    if (m_drawRateAccumulator > 60 * rate) {
        m_drawRateAccumulator = 0;
        return true;
    }
    if (m_pacing.accumulator > 40000) return false;
    m_drawRateAccumulator -= 100;
    return true;
}

bool CQRKWindowCtrl::IsDrawFrame() { return m_drawFrame; }

void CQRKWindowCtrl::FormatFps(CStr_base<64>& out, int32_t presents, int32_t updates, int32_t wait) {
    switch (m_hostSettings.fpsInfo) {
    case 0:
        out.Assign("");
        break;
    case 1:
        out.Format("FPS:%d ", presents);
        break;
    case 3:
        out.Format("FPS:(L:%d V:%d) WAIT:%d ", updates, presents, wait);
        break;
    default:
        out.Format("FPS:%d WAIT:%d ", presents, wait);
        break;
    }
}

void CQRKWindowCtrl::MakeTitle(CStr_base<64>& out, int32_t presents, int32_t updates, int32_t wait) {
    FormatFps(out, presents, updates, wait);
    out.Append(kProgramName);
}

// ---------------------------------------------------------------------------
// Presentation

bool CQRKWindowCtrl::Present() {
    m_changed = false;
    if (!m_presenting) return false;
    platform::ISurfaceDevice* device = m_window.GetClientDevice();
    if (device == nullptr) return false;
    Rect client;
    if (!m_window.GetClientRect(client)) client = Rect{0, 0, m_clientWidth, m_clientHeight};
    m_backBuffer.StretchBltTo(device, 0, 0, client.Width(), client.Height(), 0, 0, m_bufferWidth, m_bufferHeight,
                              platform::SRCCOPY);
    return true;
}

// ---------------------------------------------------------------------------
// Scenes

void CQRKWindowCtrl::ChangeScene(IScene* scene) {
    if (m_currentScene != nullptr) m_currentScene->Leave();
    m_currentScene = scene;
    if (scene != nullptr) scene->Enter();
}

void CQRKWindowCtrl::PushScene(IScene* scene) {
    if (scene != nullptr) scene->Enter();
    *m_sceneStack.AddNew() = m_currentScene;
    m_currentScene = scene;
}

void CQRKWindowCtrl::PopScene() {
    const uint32_t count = m_sceneStack.GetCount();
    if (count == 0) {
        ReportError(kNoSceneToPop, false);
        return;
    }
    if (m_currentScene != nullptr) m_currentScene->Leave();
    m_currentScene = *m_sceneStack.GetAt(count - 1);
    m_sceneStack.RemoveAt(count - 1);
}

void CQRKWindowCtrl::Quit() {
    // A second Quit (a box shown from a frame, then the close box) must not
    // leave the scenes twice.
    if (m_closing) return;
    if (m_timerId != 0) {
        m_window.KillTimer(m_timerId);
        m_timerId = 0;
    }
    while (m_sceneStack.GetCount() != 0) PopScene();
    if (m_currentScene != nullptr) m_currentScene->Leave();
    m_pacing.accumulator = -200000;
    m_paused = true;
    m_closing = true;
    m_window.EndDialog(platform::IDCANCEL);
}

// ---------------------------------------------------------------------------
// Teardown

bool CQRKWindowCtrl::AddTeardown(int32_t list, void (*callback)(void*), void* argument) {
    if (list < 0 || list >= kTeardownLists) return false;
    QRKDestructorInfo* record = m_teardown[list].AddNew();
    record->callback = callback;
    record->argument = argument;
    return true;
}

void CQRKWindowCtrl::RunTeardown() {
    m_loader.Stop();
    for (auto& list : m_teardown) {
        for (uint32_t i = list.GetCount(); i-- > 0;) {
            // A callback may have shortened the list.
            if (i >= list.GetCount()) continue;
            const QRKDestructorInfo record = *list.GetAt(i);
            if (record.callback != nullptr) record.callback(record.argument);
        }
    }
}

// ---------------------------------------------------------------------------
// Messages

bool CQRKWindowCtrl::CallHook(const WindowMessage& message, uint32_t code) {
    if (m_hookFunction == nullptr) return false;
    WindowMessage forwarded = message;
    forwarded.code = code;
    m_hookFunction(this, forwarded, m_hookData);
    return true;
}

void CQRKWindowCtrl::RecordKeyDown(uint32_t key) {
    key &= 0xFF;
    if (m_input.keyDown[key] == 0) {
        m_input.keyDown[key] = 1;
        m_input.keyPressed[key] = 1;
    }
}

void CQRKWindowCtrl::RecordKeyUp(uint32_t key) {
    key &= 0xFF;
    m_input.keyDown[key] = 0;
    m_input.keyReleased[key] = 1;
}

bool CQRKWindowCtrl::AnyButtonDown() const noexcept {
    return m_input.mouse[0].down != 0 || m_input.mouse[1].down != 0 || m_input.mouse[2].down != 0;
}

void CQRKWindowCtrl::RecordButton(int32_t button, bool down, bool doubleClick) {
    QRKHostInputTables::Button& b = m_input.mouse[button];
    const bool othersUp = m_input.mouse[(button + 1) % 3].down == 0 && m_input.mouse[(button + 2) % 3].down == 0;
    if (down) {
        if (doubleClick)
            b.doubleClicked = 1;
        else
            b.pressed = 1;
        b.down = 1;
        if (othersUp) m_window.SetCapture();
    } else {
        b.down = 0;
        b.released = 1;
        if (othersUp) m_window.ReleaseCapture();
    }
}

bool CQRKWindowCtrl::PreTranslateMessage(const WindowMessage& message) {
    switch (message.code) {
    case platform::WM_KEYDOWN:
    case platform::WM_KEYUP: {
        uint32_t key = static_cast<uint32_t>(message.wParam) & 0xFF;
        if (m_hookActive) {
            CallHook(message, message.code);
            // While a field types, only Shift, Ctrl and F1 reach the tables.
            if (key != kVkShift && key != kVkControl && key != kVkF1) return false;
        } else if (message.code == platform::WM_KEYDOWN && key == kVkProcessKey) {
            key = m_window.GetImeVirtualKey();
        }
        if (message.code == platform::WM_KEYDOWN)
            RecordKeyDown(key);
        else
            RecordKeyUp(key);
        return true;
    }
    default:
        return false;
    }
}

void CQRKWindowCtrl::OnActivate(uint32_t state) {
    if (m_hostSettings.pauseEnable) {
        if (state == platform::WA_INACTIVE) {
            m_paused = true;
        } else {
            if (state == platform::WA_ACTIVE || state == platform::WA_CLICKACTIVE) m_paused = false;
            return;
        }
    } else if (state != platform::WA_INACTIVE) {
        return;
    }
    // Deactivated: the key-up and button-up messages go elsewhere now, so
    // everything held is released here.
    for (int32_t k = 0; k < 256; ++k) {
        if (m_input.keyDown[k] != 0) {
            m_input.keyDown[k] = 0;
            m_input.keyReleased[k] = 1;
        }
    }
    bool anyButton = false;
    for (auto& b : m_input.mouse) {
        if (b.down != 0) {
            b.down = 0;
            b.released = 1;
            anyButton = true;
        }
    }
    if (anyButton) m_window.ReleaseCapture();
}

intptr_t CQRKWindowCtrl::WindowProc(const WindowMessage& message) {
    switch (message.code) {
    case platform::WM_HOST_FRAME:
        FrameMessage();
        return 0;

    case platform::WM_PAINT:
        if (m_window.GetShowState() != platform::ShowState::Minimised && m_presenting) {
            if (platform::ISurfaceDevice* device = m_window.GetClientDevice()) {
                Rect client;
                if (!m_window.GetClientRect(client)) client = Rect{0, 0, m_clientWidth, m_clientHeight};
                m_backBuffer.StretchBltTo(device, 0, 0, client.Width(), client.Height(), 0, 0, m_bufferWidth,
                                          m_bufferHeight, platform::SRCCOPY);
            }
        }
        return 0;

    case platform::WM_SIZE:
        m_clientWidth = static_cast<int32_t>(static_cast<uint32_t>(message.lParam) & 0xFFFF);
        m_clientHeight = static_cast<int32_t>((static_cast<uint32_t>(message.lParam) >> 16) & 0xFFFF);
        m_changed = true;
        return 0;

    case platform::WM_SYSKEYDOWN:
    case platform::WM_SYSKEYUP: {
        const uint32_t key = static_cast<uint32_t>(message.wParam) & 0xFF;
        const bool down = message.code == platform::WM_SYSKEYDOWN;
        // Alt alone never opens the menu bar.
        if (key == kVkMenu) return 0;
        if (key == kVkF10) {
            if (m_hookActive) {
                CallHook(message, down ? platform::WM_KEYDOWN : platform::WM_KEYUP);
            } else if (down) {
                RecordKeyDown(key);
            } else {
                RecordKeyUp(key);
            }
            return 0;
        }
        if (!down && key == kVkReturn && (static_cast<uint64_t>(message.lParam) & (1u << 29)) != 0)
            ToggleFullScreen();
        return 0;
    }

    case platform::WM_LBUTTONDOWN:
        RecordButton(0, true, false);
        return 0;
    case platform::WM_RBUTTONDOWN:
        RecordButton(1, true, false);
        return 0;
    case platform::WM_MBUTTONDOWN:
        RecordButton(2, true, false);
        return 0;
    case platform::WM_LBUTTONDBLCLK:
        RecordButton(0, true, true);
        return 0;
    case platform::WM_RBUTTONDBLCLK:
        RecordButton(1, true, true);
        return 0;
    case platform::WM_MBUTTONDBLCLK:
        RecordButton(2, true, true);
        return 0;
    case platform::WM_LBUTTONUP:
        RecordButton(0, false, false);
        return 0;
    case platform::WM_RBUTTONUP:
        RecordButton(1, false, false);
        return 0;
    case platform::WM_MBUTTONUP:
        RecordButton(2, false, false);
        return 0;
    case platform::WM_MOUSEWHEEL:
        m_input.wheel += static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(message.wParam) >> 16));
        return 0;

    case platform::WM_CHAR:
    case platform::WM_IME_STARTCOMPOSITION:
    case platform::WM_IME_ENDCOMPOSITION:
    case platform::WM_IME_COMPOSITION:
    case platform::WM_IME_NOTIFY:
    case platform::WM_IME_CHAR:
        if (m_hookActive) CallHook(message, message.code);
        return 0;

    case platform::WM_ACTIVATE:
        OnActivate(static_cast<uint32_t>(message.wParam) & 0xFFFF);
        return 0;

    case platform::WM_SYSCOMMAND:
        switch (static_cast<uint32_t>(message.wParam) & 0xFFF0) {
        case kCmdEnvironment:
            RunEnvironmentDialog();
            break;
        case kCmdDefaultSize:
            ApplyDefaultWindowSize();
            break;
        case kCmdFullScreen:
            ToggleFullScreen();
            break;
        case kCmdDrawTiming:
            AdjustDrawTiming();
            break;
        default:
            break;
        }
        return 0;

    case platform::WM_SIZING:
        SizeWithAspect(static_cast<uint32_t>(message.wParam), message.rect);
        return 0;

    case platform::WM_CLOSE:
        OnCancel();
        return 0;

    case platform::WM_DESTROY:
        RunTeardown();
        return 0;

    default:
        return 0;
    }
}

// ---------------------------------------------------------------------------
// System-menu commands

void CQRKWindowCtrl::AdjustDrawTiming() {
    m_pacing.phaseOffset = (m_pacing.phaseOffset + 1520) % kFrame;
    m_pacing.resync = true;
}

void CQRKWindowCtrl::BuildDrawModeText(CStr_base<64>& out) const {
    out.Assign(kDrawModeHead);
    out.Append(IsRasterReady() ? "32bit BGRA-8888" : "Disabled");
    out.Append(" Convert\n");
    out.Append(m_presenting ? "GDI Compatible" : "Disabled");
}

void CQRKWindowCtrl::RunEnvironmentDialog() {
    m_pacing.environmentDialogOpen = true;
    CStr_base<64> mode;
    BuildDrawModeText(mode);
    m_window.RunEnvironmentDialog(mode.GetText());
    m_settings.Save(nullptr);
    m_pacing.resync = true;
    m_pacing.environmentDialogOpen = false;
    m_window.PostFrameMessage();
}

void CQRKWindowCtrl::ApplyDefaultWindowSize() {
    if (m_window.GetShowState() != platform::ShowState::Normal || m_fullScreen) return;
    // Clamped as at start-up: a tiny or zero client area would leave no room
    // to map the mouse into the back buffer.
    const int32_t width = Clamp(ReadNumber(m_settings, "/WndSize", 640), 160, 4096);
    const int32_t height = Clamp(ReadNumber(m_settings, "/WndSizeY", 625), 120, 3072);
    const Rect frame = m_window.AdjustWindowRect(Rect{0, 0, width, height});
    Rect current;
    if (!m_window.GetWindowRect(current)) current = Rect{};
    m_window.MoveWindow(Rect{current.left, current.top, current.left + frame.Width(), current.top + frame.Height()},
                        true);
    m_window.CenterWindow();
    m_window.PostFrameMessage();
}

// ---------------------------------------------------------------------------
// Geometry

void CQRKWindowCtrl::SizeWithAspect(uint32_t edge, Rect* rect) {
    if (rect == nullptr) return;
    const int32_t aspect = m_hostSettings.aspectControl;
    Rect c = m_window.ClientFromWindowRect(*rect);
    const int32_t minHeight = aspect == 169 ? 90 : 120;
    if (c.Width() < 160) c.right = c.left + 160;
    if (c.Height() < minHeight) c.bottom = c.top + minHeight;
    if (aspect == 43 || aspect == 169) {
        // p / q is height / width; q is a power of two.
        const int32_t p = aspect == 43 ? 3 : 9;
        const int32_t q = aspect == 43 ? 4 : 16;
        const int32_t w = c.Width() & ~(q - 1);
        const int32_t h = p * (c.Height() / p);
        switch (edge) {
        case platform::WMSZ_LEFT:
        case platform::WMSZ_BOTTOMLEFT:
            c.left = c.right - w;
            c.bottom = c.top + Scale(w, p, q);
            break;
        case platform::WMSZ_RIGHT:
        case platform::WMSZ_BOTTOMRIGHT:
            c.right = c.left + w;
            c.bottom = c.top + Scale(w, p, q);
            break;
        case platform::WMSZ_TOP:
            c.top = c.bottom - h;
            c.right = c.left + Scale(h, q, p);
            break;
        case platform::WMSZ_TOPLEFT:
            c.left = c.right - w;
            c.top = c.bottom - Scale(w, p, q);
            break;
        case platform::WMSZ_TOPRIGHT:
            c.right = c.left + w;
            c.top = c.bottom - Scale(w, p, q);
            break;
        default:
            c.bottom = c.top + h;
            c.right = c.left + Scale(h, q, p);
            break;
        }
    }
    *rect = m_window.AdjustWindowRect(c);
}

void CQRKWindowCtrl::ToggleFullScreen() {
    if (!m_fullScreen) {
        if (m_window.GetShowState() == platform::ShowState::Minimised) return;
        if (!m_window.GetWindowRect(m_savedWindowRect)) return;
        m_window.EnterFullScreen();
        m_fullScreen = true;
        m_window.CheckSystemMenuItem(kCmdFullScreen, true);
    } else {
        m_window.LeaveFullScreen(m_savedWindowRect);
        m_fullScreen = false;
        m_window.CheckSystemMenuItem(kCmdFullScreen, false);
    }
}

bool CQRKWindowCtrl::ClientToBuffer(int32_t clientX, int32_t clientY, int32_t& x, int32_t& y) {
    Rect client;
    if (!m_window.GetClientRect(client) || client.Width() == 0 || client.Height() == 0) {
        x = y = -1;
        return false;
    }
    x = Scale(clientX, m_bufferWidth, client.Width());
    y = Scale(clientY, m_bufferHeight, client.Height());
    return true;
}

bool CQRKWindowCtrl::GetMousePos(int32_t& x, int32_t& y) {
    int32_t cx = 0;
    int32_t cy = 0;
    if (!m_window.GetCursorClientPos(cx, cy)) {
        x = y = -1;
        return false;
    }
    return ClientToBuffer(cx, cy, x, y);
}

bool CQRKWindowCtrl::BufferToClient(int32_t bufferX, int32_t bufferY, int32_t& x, int32_t& y) {
    Rect client;
    if (!m_window.GetClientRect(client) || client.Width() == 0 || client.Height() == 0 || m_bufferWidth == 0 ||
        m_bufferHeight == 0) {
        x = y = -1;
        return false;
    }
    x = Scale(bufferX, client.Width(), m_bufferWidth);
    y = Scale(bufferY, client.Height(), m_bufferHeight);
    return true;
}

void CQRKWindowCtrl::CopyBackBuffer(CSprite& target, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!IsRasterReady()) return;
    target.DrawCopy(0, 0, m_backBuffer, x, y, width, height);
}

// ---------------------------------------------------------------------------
// Start-up

void CQRKWindowCtrl::ComputeFolders() {
    m_programFolder.Assign("");
    std::string utf8;
    std::u16string wide;
    if (platform::ProgramFolder(utf8) && platform::Utf8ToUtf16(utf8.data(), utf8.size(), wide)) {
        std::string narrow(platform::Utf16ToCp932MaxBytes(wide.size()), '\0');
        bool lossy = false;
        const ptrdiff_t n = platform::Utf16ToCp932(wide.data(), wide.size(), narrow.data(), narrow.size(), &lossy);
        // A folder that code page 932 cannot spell would name another folder.
        if (n > 0 && !lossy) m_programFolder.AppendBytesN(narrow.data(), static_cast<int32_t>(n));
    }
    m_bgmFolder = m_programFolder;
    m_bgmFolder.Append("\\bgm\\");
    m_seFolder = m_programFolder;
    m_seFolder.Append("\\se\\");
    m_picFolder = m_programFolder;
    m_picFolder.Append("\\pic\\");
    m_fontFolder = m_programFolder;
    m_fontFolder.Append("\\font\\");
}

void CQRKWindowCtrl::ReadSettings() {
    CIniExCtrl_base<32, 32, 64>& ini = m_settings;
    QRKHostSettings& s = m_hostSettings;
    s.silentMode = ReadBoolean(ini, "/SilentMode", false);
    s.bgmSubEnable = ReadBoolean(ini, "/BGMSubEnable", true);
    s.midiEnable = ReadBoolean(ini, "/MIDIEnable", true);
    s.pixType = ReadNumber(ini, "/PixType", 0);
    InitRasterLibrary(s.pixType);
    s.bitmapCacheLimit = ReadNumber(ini, "/BitmapCacheLimit", 131072000);
    int32_t width = ReadNumber(ini, "/WndSize", m_bufferWidth);
    s.fullScreen = ReadBoolean(ini, "/FullScreen", false);
    width = Clamp(width, 160, 4096);
    int32_t height = Clamp(ReadNumber(ini, "/WndSizeY", m_bufferHeight), 120, 3072);
    s.aspectControl = ReadNumber(ini, "/AspectCtrl", 0);
    s.fpsInfo = ReadNumber(ini, "/FPSInfo", 2);
    if (s.aspectControl == 43) {
        width &= ~3;
        height = width * 3 / 4;
    } else if (s.aspectControl == 169) {
        width &= ~15;
        height = width * 9 / 16;
    }
    m_clientWidth = width;
    m_clientHeight = height;
    s.drawRate = 100;
    if (const auto* text = ini.FindValue("/DrawRate")) {
        int32_t rate = 0;
        if (ScanDecimal(text->GetText(), rate)) s.drawRate = Clamp(rate, 1, 100);
    }
    s.pauseEnable = ReadBoolean(ini, "/PauseEnable", true);
    s.windowX = ReadNumber(ini, "/WndX", QRKHostSettings::kCentred);
    s.windowY = ReadNumber(ini, "/WndY", QRKHostSettings::kCentred);
}

void CQRKWindowCtrl::PlaceWindow() {
    const QRKHostSettings& s = m_hostSettings;
    const bool placedX = s.windowX > QRKHostSettings::kCentred;
    const bool placedY = s.windowY > QRKHostSettings::kCentred;
    // The shifted client rectangle only picks the monitor; far-off positions
    // are limited so that it and the frame around it stay representable.
    constexpr int32_t kFar = 1 << 28;
    Rect client{0, 0, m_clientWidth, m_clientHeight};
    if (placedX) {
        const int32_t dx = Clamp(s.windowX, -kFar, kFar);
        client.left += dx;
        client.right += dx;
    }
    if (placedY) {
        const int32_t dy = Clamp(s.windowY, -kFar, kFar);
        client.top += dy;
        client.bottom += dy;
    }
    const Rect window = m_window.AdjustWindowRect(client);
    Rect work;
    if (!m_window.GetWorkArea(window, work)) {
        int32_t screenWidth = 0;
        int32_t screenHeight = 0;
        m_window.GetPrimaryScreenSize(screenWidth, screenHeight);
        work = Rect{0, 0, screenWidth, screenHeight};
    }
    const int32_t width = window.Width();
    const int32_t height = window.Height();
    // Centred on the work area itself, origin included: a monitor left of or
    // above the primary one has a negative or shifted origin.
    const int64_t x = placedX ? s.windowX : work.left + (work.Width() - width) / 2;
    const int64_t y = placedY ? s.windowY : work.top + (work.Height() - height) / 2;
    const int32_t left = FitSpan(x, width, work.left, work.right);
    const int32_t top = FitSpan(y, height, work.top, work.bottom);
    m_window.MoveWindow(Rect{left, top, left + width, top + height}, true);
}

bool CQRKWindowCtrl::Initialize() {
    m_window.AppendSystemMenuItem(platform::MF_SEPARATOR, 0, "");
    m_window.AppendSystemMenuItem(platform::MF_STRING, kCmdEnvironment, kMenuEnvironment);
    m_window.AppendSystemMenuItem(platform::MF_SEPARATOR, 0, "");
    m_window.AppendSystemMenuItem(platform::MF_STRING, kCmdDefaultSize, kMenuDefaultSize);
    m_window.AppendSystemMenuItem(platform::MF_STRING, kCmdFullScreen, kMenuFullScreen);
    m_window.AppendSystemMenuItem(platform::MF_STRING, kCmdDrawTiming, kMenuDrawTiming);

    m_context.host = this;
    m_context.errorQueue = &m_errorQueue;
    m_context.shareSprites = &m_shareSprites;
    m_context.loader = &m_loader;
    m_context.tileFont = &m_tileFont;
    QRKPublishHost(&m_context);

    m_input.Clear();
    m_errorQueue.ClearFatal();
    if (!m_shareSprites.HasLoader()) m_shareSprites.SetLoader(&m_loader);
    ComputeFolders();

    m_settings.Load(nullptr, true);
    ReadSettings();

    m_presenting = true;
    InitRasterLibrary(1);
    if (IsSpriteSizeAllowed(m_bufferWidth, m_bufferHeight) && IsRasterReady())
        m_backBuffer.Create(m_bufferWidth, m_bufferHeight, true);

    PlaceWindow();

    m_titleSecond = m_clock();
    m_presents = 0;
    m_updates = 0;
    m_paused = false;
    m_changed = false;
    m_pacing.postAllowed = true;

    m_context.backBuffer = &m_backBuffer;
    m_context.pictureFolder = m_picFolder.GetText();

    if (m_hostSettings.fullScreen) {
        m_fullScreen = false;
        ToggleFullScreen();
    }

    m_drawFrame = false;
    m_drawRateAccumulator = 0;
    if (m_currentScene != nullptr) m_currentScene->Enter();

    m_timerId = m_window.StartTimer(4);
    if (m_timerId == 0) ShowMessageBox(kTimerError, platform::MB_OK);
    return true;
}
