#pragma once
// The program's main window as the host frame sees it: a window that delivers
// messages to its client (the host), paces frames with a periodic tick, shows
// the back buffer on its client area, and can be placed, resized and switched
// to full screen.
//
// Messages keep their Windows codes and parameter layouts, because the host's
// key tables, its text-input hook and the text fields that take that hook pass
// them on as plain numbers. The window glue (platform/qt/) turns the toolkit's
// events into these messages; tests drive a host through a fake window.
#include <cstdint>

#include "platform/Surface.h"

namespace platform {

// Message codes.
inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_SIZE = 0x0005;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_PAINT = 0x000F;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_KEYDOWN = 0x0100;
inline constexpr uint32_t WM_KEYUP = 0x0101;
inline constexpr uint32_t WM_CHAR = 0x0102;
inline constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr uint32_t WM_IME_STARTCOMPOSITION = 0x010D;
inline constexpr uint32_t WM_IME_ENDCOMPOSITION = 0x010E;
inline constexpr uint32_t WM_IME_COMPOSITION = 0x010F;
inline constexpr uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
inline constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
inline constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
inline constexpr uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr uint32_t WM_SIZING = 0x0214;
inline constexpr uint32_t WM_IME_NOTIFY = 0x0282;
inline constexpr uint32_t WM_IME_CHAR = 0x0286;
// The host's own frame message, posted by its timer tick.
inline constexpr uint32_t WM_HOST_FRAME = 0xB001;

// WM_ACTIVATE states (low word of wParam).
inline constexpr uint32_t WA_INACTIVE = 0;
inline constexpr uint32_t WA_ACTIVE = 1;
inline constexpr uint32_t WA_CLICKACTIVE = 2;

// WM_SIZING edges (wParam).
inline constexpr uint32_t WMSZ_LEFT = 1;
inline constexpr uint32_t WMSZ_RIGHT = 2;
inline constexpr uint32_t WMSZ_TOP = 3;
inline constexpr uint32_t WMSZ_TOPLEFT = 4;
inline constexpr uint32_t WMSZ_TOPRIGHT = 5;
inline constexpr uint32_t WMSZ_BOTTOM = 6;
inline constexpr uint32_t WMSZ_BOTTOMLEFT = 7;
inline constexpr uint32_t WMSZ_BOTTOMRIGHT = 8;

// A rectangle: left and top inclusive, right and bottom exclusive.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const noexcept { return right - left; }
    int32_t Height() const noexcept { return bottom - top; }
};

// One message. Key messages carry the virtual-key code in wParam and the
// Windows key flags in lParam (bit 29: Alt held; bit 30: the key was already
// down, i.e. auto-repeat). Mouse messages carry the client position in lParam
// (x in the low word, y in the high word, both signed 16-bit) and, for the
// wheel, the signed delta (120 a notch) in the high word of wParam. WM_SIZE
// carries the client width and height in the low and high words of lParam;
// WM_SIZING the edge in wParam and the proposed window rectangle in `rect`.
// Text messages (WM_CHAR, WM_IME_CHAR) carry one UTF-16 unit in wParam; the
// IME messages carry their text, when they have one, in `text`.
struct WindowMessage {
    uint32_t code = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
    Rect* rect = nullptr;
    const char16_t* text = nullptr;
    int32_t textLength = 0;
};

// The window's client: the host. The window gives every message first to
// PreTranslateMessage (true: consumed, nothing more happens) and then to
// WindowProc, whose result is the message's result.
class IWindowClient {
public:
    virtual ~IWindowClient() = default;
    virtual bool PreTranslateMessage(const WindowMessage& message) = 0;
    virtual intptr_t WindowProc(const WindowMessage& message) = 0;
    // One tick of the periodic timer started by IHostWindow::StartTimer. The
    // glue calls it on the GUI thread; ticks that the event loop could not
    // deliver in time are made up for at once, in order.
    virtual void TimerTick() = 0;
};

// Show states of the window's placement.
enum class ShowState { Normal, Minimised, Maximised };

// System-menu items: flags for AppendSystemMenuItem.
inline constexpr uint32_t MF_STRING = 0x0;
inline constexpr uint32_t MF_SEPARATOR = 0x800;

class IHostWindow {
public:
    virtual ~IHostWindow() = default;

    // The client that receives the messages; set once before the window shows.
    virtual void SetClient(IWindowClient* client) = 0;

    // Title text, code page 932.
    virtual void SetTitle(const char* text) = 0;

    // The client rectangle (left and top 0); false when it cannot be read.
    virtual bool GetClientRect(Rect& rect) = 0;
    // The cursor in client coordinates; false when it cannot be read.
    virtual bool GetCursorClientPos(int32_t& x, int32_t& y) = 0;

    // Mouse capture: while captured, the window receives the mouse outside its
    // client area too.
    virtual void SetCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual bool HasCapture() = 0;

    // Posts WM_HOST_FRAME to the window's own queue (delivered later through
    // the client, like any message).
    virtual void PostFrameMessage() = 0;
    // Delivers every message waiting for this window, each through
    // PreTranslateMessage and WindowProc, until none is left.
    virtual void PumpMessages() = 0;

    // Starts the periodic tick (period and resolution in ms); returns its
    // identifier, 0 on failure. KillTimer stops it.
    virtual uint32_t StartTimer(uint32_t periodMs) = 0;
    virtual void KillTimer(uint32_t id) = 0;

    // The client area as a drawing device: a StretchBlt onto it presents.
    // Null while the window cannot be drawn on.
    virtual ISurfaceDevice* GetClientDevice() = 0;

    // Geometry, in screen coordinates. AdjustWindowRect turns a client
    // rectangle into the window rectangle around it (frame, title and menu
    // bar); ClientFromWindowRect is its inverse.
    virtual Rect AdjustWindowRect(const Rect& client) = 0;
    virtual Rect ClientFromWindowRect(const Rect& window) = 0;
    virtual bool GetWindowRect(Rect& rect) = 0;
    virtual void MoveWindow(const Rect& window, bool repaint) = 0;
    // Centres the window on the screen it is on.
    virtual void CenterWindow() = 0;
    // The work area of the monitor that the rectangle touches most, or of the
    // primary monitor; false when no monitor can be read.
    virtual bool GetWorkArea(const Rect& window, Rect& workArea) = 0;
    virtual void GetPrimaryScreenSize(int32_t& width, int32_t& height) = 0;
    virtual ShowState GetShowState() = 0;

    // Full screen: the window without frame and title, over the whole primary
    // screen and above other windows; leaving restores the frame and the
    // given window rectangle.
    virtual void EnterFullScreen() = 0;
    virtual void LeaveFullScreen(const Rect& windowRect) = 0;

    // The window's system menu: items with command ids (code page 932 text),
    // and their check marks. False when the window has no such menu.
    virtual bool AppendSystemMenuItem(uint32_t flags, uint32_t id, const char* text) = 0;
    virtual void CheckSystemMenuItem(uint32_t id, bool checked) = 0;

    // The IME's virtual key for a key message that the IME processed (0xE5).
    virtual uint32_t GetImeVirtualKey() = 0;

    // Runs the environment dialog modally with the drawing-mode text (code
    // page 932); returns its result (1 OK, 2 cancel).
    virtual int32_t RunEnvironmentDialog(const char* modeText) = 0;

    // Ends the window's modal loop with a result (the program then leaves
    // its event loop and the window is destroyed, sending WM_DESTROY).
    virtual void EndDialog(int32_t result) = 0;

    // The window handle that message boxes use as their owner.
    virtual void* GetOwnerHandle() = 0;
};

}  // namespace platform
