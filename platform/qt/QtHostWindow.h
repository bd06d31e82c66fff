#pragma once
// The program's main window on Qt Widgets: one top-level widget holding a menu
// bar (with the system-menu items) and the client area, on which the back
// buffer is shown. It turns the toolkit's events into the window messages of
// platform/HostWindow.h and delivers them to its client (the host) the way a
// dialog's message loop does: every message first to PreTranslateMessage, then,
// unless that consumed it, to WindowProc; a key press that reaches WindowProc
// is translated into character messages, one per UTF-16 unit of its text.
//
// Keys are taken before any widget or the menu bar sees them, so Alt and F10
// never open the menu bar and Tab never moves the focus. Auto-repeated presses
// arrive as key-down messages with bit 30 set (the host records only the
// first; a text field's hook takes every one); auto-repeated releases are
// dropped. The mouse is reported in client coordinates; a button held down
// keeps the mouse on the client area (the toolkit's implicit grab), which is
// what the host's capture asks for. The wheel reports 120 a notch.
//
// The periodic tick runs on the GUI thread: a precise timer wakes the loop,
// and a monotonic clock decides how many periods have passed, so ticks that the
// loop could not deliver in time are delivered late but not lost. The frame
// message is one posted event; at most one is waiting at a time.
//
// The window ends when its client calls EndDialog; closing it from the window
// manager asks the client (WM_CLOSE), which may refuse.
#include <QElapsedTimer>
#include <QEventLoop>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/HostWindow.h"

class QMenu;
class QMenuBar;
class QPainter;
class QTimer;
class QKeyEvent;
class QMouseEvent;

namespace platform {

class QtHostWindow;

// The client area as a drawing device. A stretch from memory presents: inside
// a paint of the client area it draws at once; outside one it makes the client
// area repaint now and draws there. The pixels are wrapped as an RGB32 image
// over the caller's memory (never copied), and scaled without smoothing.
class QtClientDevice final : public ISurfaceDevice {
public:
    explicit QtClientDevice(QtHostWindow& window) : m_window(window) {}

    bool FillSolidRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colorref) override;
    std::unique_ptr<ISurfaceDevice> CreateCompatibleDevice() override;
    std::unique_ptr<ISurfaceBitmap> CreateCompatibleBitmap(int32_t width, int32_t height) override;
    // The window's device has no bitmap of its own.
    ISurfaceBitmap* SelectBitmap(ISurfaceBitmap*) override { return nullptr; }
    int32_t SetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines, const uint32_t* rows,
                          int32_t width) override;
    int32_t GetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines, uint32_t* rows,
                          int32_t width) override;
    bool StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source, int32_t sx, int32_t sy,
                    int32_t sw, int32_t sh, uint32_t rasterOperation) override;
    bool BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source, int32_t sx, int32_t sy,
                uint32_t rasterOperation) override;
    const uint32_t* GetSelectedPixels(int32_t&, int32_t&) const override { return nullptr; }
    bool StretchFromMemory(int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t* pixels, int32_t width,
                           int32_t height, int32_t stride, int32_t sx, int32_t sy, int32_t sw, int32_t sh,
                           uint32_t rasterOperation) override;

private:
    QtHostWindow& m_window;
};

class QtHostWindow final : public QWidget, public IHostWindow {
    Q_OBJECT

public:
    QtHostWindow();
    ~QtHostWindow() override;

    // Shows the window, runs `initDialog` (the dialog's initialisation: the
    // window exists, its size is known to the client), then the window's
    // modal loop until EndDialog. Then the window hides and its client gets
    // WM_DESTROY. Returns the result given to EndDialog.
    template <typename Init>
    int32_t RunModal(Init&& initDialog) {
        BeginModal();
        initDialog();
        return FinishModal();
    }

    // IHostWindow.
    void SetClient(IWindowClient* client) override { m_client = client; }
    void SetTitle(const char* text) override;
    bool GetClientRect(Rect& rect) override;
    bool GetCursorClientPos(int32_t& x, int32_t& y) override;
    void SetCapture() override { m_captured = true; }
    void ReleaseCapture() override { m_captured = false; }
    bool HasCapture() override { return m_captured; }
    void PostFrameMessage() override;
    void PumpMessages() override;
    uint32_t StartTimer(uint32_t periodMs) override;
    void KillTimer(uint32_t id) override;
    ISurfaceDevice* GetClientDevice() override { return &m_device; }
    Rect AdjustWindowRect(const Rect& client) override;
    Rect ClientFromWindowRect(const Rect& window) override;
    bool GetWindowRect(Rect& rect) override;
    void MoveWindow(const Rect& window, bool repaint) override;
    void CenterWindow() override;
    bool GetWorkArea(const Rect& window, Rect& workArea) override;
    void GetPrimaryScreenSize(int32_t& width, int32_t& height) override;
    ShowState GetShowState() override;
    void EnterFullScreen() override;
    void LeaveFullScreen(const Rect& windowRect) override;
    bool AppendSystemMenuItem(uint32_t flags, uint32_t id, const char* text) override;
    void CheckSystemMenuItem(uint32_t id, bool checked) override;
    uint32_t GetImeVirtualKey() override { return 0; }
    int32_t RunEnvironmentDialog(const char* modeText) override;
    void EndDialog(int32_t result) override;
    void* GetOwnerHandle() override { return this; }

    // Delivers one message to the client: PreTranslateMessage, then WindowProc
    // unless consumed. 0 without a client or when consumed.
    intptr_t Deliver(const WindowMessage& message);

    QMenuBar* MenuBar() const noexcept { return m_menuBar; }
    QMenu* SystemMenu() const noexcept { return m_systemMenu; }
    QWidget* ClientArea() const noexcept { return m_clientArea; }
    // Ticks delivered since the timer started, and the periods that could not
    // be made up because the loop stalled for longer than a second.
    uint64_t TicksDelivered() const noexcept { return m_ticksDelivered; }
    uint64_t TicksDropped() const noexcept { return m_ticksDropped; }

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class QtClientDevice;
    friend class QtClientArea;

    void BeginModal();
    int32_t FinishModal();
    void LayOut();
    // Sends WM_SIZE when the client area's size differs from the one last sent.
    void ReportClientSize();
    void OnTimer();
    void DeliverKey(QKeyEvent* event, bool down);
    void DeliverMouse(uint32_t code, QMouseEvent* event);
    void DeliverWheel(int32_t delta, int32_t screenX, int32_t screenY, Qt::KeyboardModifiers modifiers,
                      Qt::MouseButtons buttons);
    // Draws a stretch of memory pixels with the client area's painter.
    void PaintPixels(QPainter& painter, int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t* pixels,
                     int32_t width, int32_t height, int32_t stride, int32_t sx, int32_t sy, int32_t sw, int32_t sh);
    void PaintClient(QPainter& painter);
    // Frame margins (window frame minus widget geometry): left, top, right, bottom.
    void FrameMargins(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const;

    IWindowClient* m_client = nullptr;
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_systemMenu = nullptr;
    QWidget* m_clientArea = nullptr;
    QtClientDevice m_device{*this};
    QEventLoop m_loop;
    bool m_ended = false;
    int32_t m_result = 0;
    bool m_captured = false;
    bool m_framePosted = false;
    bool m_inMove = false;
    int32_t m_reportedWidth = -1;
    int32_t m_reportedHeight = -1;

    // The periodic tick.
    QTimer* m_timer = nullptr;
    uint32_t m_timerId = 0;
    uint32_t m_nextTimerId = 1;
    int64_t m_periodNs = 0;
    QElapsedTimer m_clock;
    uint64_t m_ticksDelivered = 0;
    uint64_t m_ticksDropped = 0;
    uint64_t m_tickBase = 0;  // periods skipped over, counted from the start

    // Painting: the painter of the client area's paint in progress, and a
    // present waiting for the repaint that it asked for.
    QPainter* m_painter = nullptr;
    bool m_paintedByClient = false;
    struct Pending {
        const uint32_t* pixels;
        int32_t width, height, stride;
        int32_t x, y, w, h, sx, sy, sw, sh;
    };
    const Pending* m_pending = nullptr;
};

}  // namespace platform
