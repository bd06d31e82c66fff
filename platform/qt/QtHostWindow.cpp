#include "platform/qt/QtHostWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>

#include "platform/qt/QtEnvironmentDialog.h"
#include "platform/qt/QtKeyMap.h"
#include "platform/qt/QtText.h"

namespace platform {
namespace {

// "システム": the menu that holds the system-menu items.
constexpr char kSystemMenuTitle[] = "\x83V\x83X\x83\x65\x83\x80";

// The frame message's event type.
const QEvent::Type kFrameEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

// Ticks made up at once after a stall; a longer stall (a suspended machine, a
// debugger) skips the rest instead of running minutes of ticks in a burst.
constexpr int64_t kMaxCatchUpTicks = 250;

// Mouse-message key state (wParam).
constexpr uintptr_t MK_LBUTTON = 0x01;
constexpr uintptr_t MK_RBUTTON = 0x02;
constexpr uintptr_t MK_SHIFT = 0x04;
constexpr uintptr_t MK_CONTROL = 0x08;
constexpr uintptr_t MK_MBUTTON = 0x10;

constexpr uint32_t VK_MENU = 0x12;
constexpr uint32_t VK_F10 = 0x79;

uintptr_t MouseKeyState(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    uintptr_t state = 0;
    if (buttons & Qt::LeftButton) state |= MK_LBUTTON;
    if (buttons & Qt::RightButton) state |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) state |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier) state |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) state |= MK_CONTROL;
    return state;
}

// Two signed 16-bit coordinates in one parameter, x in the low word.
intptr_t PackPoint(int32_t x, int32_t y) {
    return static_cast<intptr_t>(static_cast<uint32_t>(static_cast<uint16_t>(x)) |
                                 (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16));
}

}  // namespace

// The client area: paints the back buffer and reports the mouse.
class QtClientArea final : public QWidget {
public:
    QtClientArea(QtHostWindow& window) : QWidget(&window), m_window(window) {
        // Every pixel is painted by the window; nothing to clear first.
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        m_window.PaintClient(painter);
    }
    void resizeEvent(QResizeEvent*) override { m_window.ReportClientSize(); }
    void mousePressEvent(QMouseEvent* e) override { m_window.DeliverMouse(ButtonCode(e->button(), 0), e); }
    void mouseReleaseEvent(QMouseEvent* e) override { m_window.DeliverMouse(ButtonCode(e->button(), 1), e); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { m_window.DeliverMouse(ButtonCode(e->button(), 2), e); }
    void mouseMoveEvent(QMouseEvent* e) override { m_window.DeliverMouse(WM_MOUSEMOVE, e); }
    void wheelEvent(QWheelEvent* e) override {
        const QPoint global = e->globalPosition().toPoint();
        m_window.DeliverWheel(e->angleDelta().y(), global.x(), global.y(), e->modifiers(), e->buttons());
    }

private:
    // The message of a button: 0 down, 1 up, 2 double click.
    static uint32_t ButtonCode(Qt::MouseButton button, int kind) {
        uint32_t base;
        switch (button) {
            case Qt::LeftButton: base = WM_LBUTTONDOWN; break;
            case Qt::RightButton: base = WM_RBUTTONDOWN; break;
            case Qt::MiddleButton: base = WM_MBUTTONDOWN; break;
            default: return 0;
        }
        return base + static_cast<uint32_t>(kind);
    }

    QtHostWindow& m_window;
};

// --- The client device -----------------------------------------------------

bool QtClientDevice::FillSolidRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colorref) {
    if (m_window.m_painter == nullptr) return false;
    if (right <= left || bottom <= top) return true;
    m_window.m_painter->fillRect(QRect(left, top, right - left, bottom - top),
                                 QColor(colorref & 0xFF, (colorref >> 8) & 0xFF, (colorref >> 16) & 0xFF));
    return true;
}

std::unique_ptr<ISurfaceDevice> QtClientDevice::CreateCompatibleDevice() {
    return std::make_unique<CMemorySurfaceDevice>();
}

std::unique_ptr<ISurfaceBitmap> QtClientDevice::CreateCompatibleBitmap(int32_t width, int32_t height) {
    CMemorySurfaceDevice memory;
    return memory.CreateCompatibleBitmap(width, height);
}

int32_t QtClientDevice::SetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines,
                                      const uint32_t* rows, int32_t width) {
    CMemorySurfaceDevice memory;
    return memory.SetBitmapRows(bitmap, startLine, lines, rows, width);
}

int32_t QtClientDevice::GetBitmapRows(ISurfaceBitmap& bitmap, int32_t startLine, int32_t lines, uint32_t* rows,
                                      int32_t width) {
    CMemorySurfaceDevice memory;
    return memory.GetBitmapRows(bitmap, startLine, lines, rows, width);
}

bool QtClientDevice::StretchBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source, int32_t sx,
                                int32_t sy, int32_t sw, int32_t sh, uint32_t rasterOperation) {
    int32_t width = 0;
    int32_t height = 0;
    const uint32_t* pixels = source.GetSelectedPixels(width, height);
    if (pixels == nullptr) return false;
    return StretchFromMemory(x, y, w, h, pixels, width, height, width, sx, sy, sw, sh, rasterOperation);
}

bool QtClientDevice::BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, ISurfaceDevice& source, int32_t sx,
                            int32_t sy, uint32_t rasterOperation) {
    return StretchBlt(x, y, w, h, source, sx, sy, w, h, rasterOperation);
}

bool QtClientDevice::StretchFromMemory(int32_t x, int32_t y, int32_t w, int32_t h, const uint32_t* pixels,
                                       int32_t width, int32_t height, int32_t stride, int32_t sx, int32_t sy,
                                       int32_t sw, int32_t sh, uint32_t rasterOperation) {
    if (rasterOperation != SRCCOPY || pixels == nullptr || width <= 0 || height <= 0 || stride < width) return false;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return false;
    if (m_window.m_painter != nullptr) {
        m_window.PaintPixels(*m_window.m_painter, x, y, w, h, pixels, width, height, stride, sx, sy, sw, sh);
        return true;
    }
    QWidget* area = m_window.m_clientArea;
    if (!area->isVisible()) return false;
    // Outside a paint: paint now, from the caller's memory, which stays valid
    // for the length of this call only.
    const QtHostWindow::Pending pending{pixels, width, height, stride, x, y, w, h, sx, sy, sw, sh};
    m_window.m_pending = &pending;
    area->repaint(QRect(x, y, w, h) & area->rect());
    m_window.m_pending = nullptr;
    return true;
}

// --- The window --------------------------------------------------------------

QtHostWindow::QtHostWindow() {
    m_menuBar = new QMenuBar(this);
    m_menuBar->setNativeMenuBar(false);
    m_systemMenu = m_menuBar->addMenu(QStringFromCp932(kSystemMenuTitle));
    m_clientArea = new QtClientArea(*this);
    m_clientArea->setFocus();
    // Installed after the menu bar's own filters, so it runs before them.
    qApp->installEventFilter(this);
    LayOut();
}

QtHostWindow::~QtHostWindow() {
    qApp->removeEventFilter(this);
    if (m_timer != nullptr) m_timer->stop();
}

void QtHostWindow::BeginModal() {
    m_ended = false;
    m_result = 0;
    show();
    LayOut();
    ReportClientSize();
}

int32_t QtHostWindow::FinishModal() {
    if (!m_ended) m_loop.exec();
    hide();
    Deliver(WindowMessage{WM_DESTROY, 0, 0, nullptr, nullptr, 0});
    return m_result;
}

void QtHostWindow::EndDialog(int32_t result) {
    m_result = result;
    m_ended = true;
    m_loop.exit(0);
}

intptr_t QtHostWindow::Deliver(const WindowMessage& message) {
    if (m_client == nullptr) return 0;
    if (m_client->PreTranslateMessage(message)) return 0;
    return m_client->WindowProc(message);
}

void QtHostWindow::SetTitle(const char* text) { setWindowTitle(QStringFromCp932(text)); }

bool QtHostWindow::GetClientRect(Rect& rect) {
    rect = Rect{0, 0, m_clientArea->width(), m_clientArea->height()};
    return true;
}

bool QtHostWindow::GetCursorClientPos(int32_t& x, int32_t& y) {
    const QPoint p = m_clientArea->mapFromGlobal(QCursor::pos());
    x = p.x();
    y = p.y();
    return true;
}

// --- Frames and the tick -------------------------------------------------------

void QtHostWindow::PostFrameMessage() {
    if (m_framePosted) return;
    m_framePosted = true;
    QCoreApplication::postEvent(this, new QEvent(kFrameEvent));
}

void QtHostWindow::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

uint32_t QtHostWindow::StartTimer(uint32_t periodMs) {
    if (periodMs == 0 || m_timer != nullptr) return 0;
    m_timer = new QTimer(this);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setInterval(static_cast<int>(periodMs));
    connect(m_timer, &QTimer::timeout, this, &QtHostWindow::OnTimer);
    m_periodNs = static_cast<int64_t>(periodMs) * 1000000;
    m_ticksDelivered = 0;
    m_ticksDropped = 0;
    m_tickBase = 0;
    m_clock.start();
    m_timer->start();
    m_timerId = m_nextTimerId++;
    return m_timerId;
}

void QtHostWindow::KillTimer(uint32_t id) {
    if (id == 0 || id != m_timerId || m_timer == nullptr) return;
    m_timer->stop();
    m_timer->deleteLater();
    m_timer = nullptr;
    m_timerId = 0;
}

void QtHostWindow::OnTimer() {
    // The periods that have passed by the clock, not the timeouts received:
    // a late or coalesced timeout delivers every tick it stands for.
    const uint64_t due = static_cast<uint64_t>(m_clock.nsecsElapsed() / m_periodNs);
    uint64_t& done = m_ticksDelivered;
    if (due > m_tickBase + done + kMaxCatchUpTicks) {
        const uint64_t skip = due - (m_tickBase + done) - kMaxCatchUpTicks;
        m_tickBase += skip;
        m_ticksDropped += skip;
    }
    const uint32_t timer = m_timerId;
    while (m_tickBase + done < due) {
        ++done;
        if (m_client != nullptr) m_client->TimerTick();
        if (m_timerId != timer) return;  // killed by the client
    }
}

// --- Geometry ----------------------------------------------------------------

void QtHostWindow::FrameMargins(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom) const {
    const QRect frame = frameGeometry();
    const QRect inner = geometry();
    left = inner.left() - frame.left();
    top = inner.top() - frame.top();
    right = frame.right() - inner.right();
    bottom = frame.bottom() - inner.bottom();
}

void QtHostWindow::LayOut() {
    const int menuHeight = m_menuBar->heightForWidth(width()) > 0 ? m_menuBar->heightForWidth(width())
                                                                   : m_menuBar->sizeHint().height();
    m_menuBar->setGeometry(0, 0, width(), menuHeight);
    m_clientArea->setGeometry(0, menuHeight, width(), std::max(0, height() - menuHeight));
}

void QtHostWindow::ReportClientSize() {
    const int32_t w = m_clientArea->width();
    const int32_t h = m_clientArea->height();
    if (w == m_reportedWidth && h == m_reportedHeight) return;
    m_reportedWidth = w;
    m_reportedHeight = h;
    const uintptr_t kind = isMaximized() ? 2 : 0;  // SIZE_MAXIMIZED, SIZE_RESTORED
    Deliver(WindowMessage{WM_SIZE, kind, PackPoint(w, h), nullptr, nullptr, 0});
}

Rect QtHostWindow::AdjustWindowRect(const Rect& client) {
    int32_t l, t, r, b;
    FrameMargins(l, t, r, b);
    const int32_t menu = m_menuBar->height();
    return Rect{client.left - l, client.top - menu - t, client.right + r, client.bottom + b};
}

Rect QtHostWindow::ClientFromWindowRect(const Rect& window) {
    int32_t l, t, r, b;
    FrameMargins(l, t, r, b);
    const int32_t menu = m_menuBar->height();
    return Rect{window.left + l, window.top + t + menu, window.right - r, window.bottom - b};
}

bool QtHostWindow::GetWindowRect(Rect& rect) {
    const QRect frame = frameGeometry();
    rect = Rect{frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()};
    return true;
}

void QtHostWindow::MoveWindow(const Rect& window, bool repaint) {
    int32_t l, t, r, b;
    FrameMargins(l, t, r, b);
    const bool wasInMove = m_inMove;
    m_inMove = true;
    setGeometry(window.left + l, window.top + t, std::max(1, window.Width() - l - r),
                std::max(1, window.Height() - t - b));
    LayOut();
    m_inMove = wasInMove;
    ReportClientSize();
    if (repaint) m_clientArea->update();
}

void QtHostWindow::CenterWindow() {
    QScreen* s = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (s == nullptr) return;
    const QRect area = s->availableGeometry();
    const QRect frame = frameGeometry();
    // The work area's origin counts: on a second monitor it is not (0, 0).
    const int32_t x = area.left() + (area.width() - frame.width()) / 2;
    const int32_t y = area.top() + (area.height() - frame.height()) / 2;
    Rect rect{x, y, x + frame.width(), y + frame.height()};
    MoveWindow(rect, true);
}

bool QtHostWindow::GetWorkArea(const Rect& window, Rect& workArea) {
    const QRect wanted(window.left, window.top, window.Width(), window.Height());
    QScreen* best = nullptr;
    int64_t bestArea = 0;
    for (QScreen* s : QGuiApplication::screens()) {
        const QRect common = s->geometry() & wanted;
        const int64_t area = static_cast<int64_t>(common.width()) * common.height();
        if (area > bestArea) {
            bestArea = area;
            best = s;
        }
    }
    if (best == nullptr) best = QGuiApplication::primaryScreen();
    if (best == nullptr) return false;
    const QRect a = best->availableGeometry();
    workArea = Rect{a.left(), a.top(), a.left() + a.width(), a.top() + a.height()};
    return true;
}

void QtHostWindow::GetPrimaryScreenSize(int32_t& width, int32_t& height) {
    QScreen* s = QGuiApplication::primaryScreen();
    width = s != nullptr ? s->geometry().width() : 0;
    height = s != nullptr ? s->geometry().height() : 0;
}

ShowState QtHostWindow::GetShowState() {
    if (isMinimized()) return ShowState::Minimised;
    if (isMaximized()) return ShowState::Maximised;
    return ShowState::Normal;
}

void QtHostWindow::EnterFullScreen() {
    if (QScreen* primary = QGuiApplication::primaryScreen(); primary != nullptr && windowHandle() != nullptr)
        windowHandle()->setScreen(primary);
    showFullScreen();
    LayOut();
    ReportClientSize();
}

void QtHostWindow::LeaveFullScreen(const Rect& windowRect) {
    showNormal();
    MoveWindow(windowRect, true);
}

// --- Menu and dialogs ---------------------------------------------------------

bool QtHostWindow::AppendSystemMenuItem(uint32_t flags, uint32_t id, const char* text) {
    if (flags & MF_SEPARATOR) {
        m_systemMenu->addSeparator();
        return true;
    }
    QAction* action = m_systemMenu->addAction(QStringFromCp932(text));
    action->setData(id);
    connect(action, &QAction::triggered, this, [this, id] {
        Deliver(WindowMessage{WM_SYSCOMMAND, id, 0, nullptr, nullptr, 0});
    });
    return true;
}

void QtHostWindow::CheckSystemMenuItem(uint32_t id, bool checked) {
    for (QAction* action : m_systemMenu->actions()) {
        if (action->isSeparator() || action->data().toUInt() != id) continue;
        action->setCheckable(true);
        action->setChecked(checked);
    }
}

int32_t QtHostWindow::RunEnvironmentDialog(const char* modeText) {
    QtEnvironmentDialog dialog(modeText);
    return dialog.exec() == QDialog::Accepted ? 1 : 2;
}

// --- Events --------------------------------------------------------------------

bool QtHostWindow::event(QEvent* e) {
    if (e->type() == kFrameEvent) {
        m_framePosted = false;
        Deliver(WindowMessage{WM_HOST_FRAME, 0, 0, nullptr, nullptr, 0});
        return true;
    }
    switch (e->type()) {
        case QEvent::WindowActivate:
            Deliver(WindowMessage{WM_ACTIVATE, WA_ACTIVE, 0, nullptr, nullptr, 0});
            break;
        case QEvent::WindowDeactivate:
            Deliver(WindowMessage{WM_ACTIVATE, WA_INACTIVE, 0, nullptr, nullptr, 0});
            break;
        default:
            break;
    }
    return QWidget::event(e);
}

bool QtHostWindow::eventFilter(QObject* watched, QEvent* e) {
    const QEvent::Type type = e->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) return false;
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this) return false;
    if (type == QEvent::ShortcutOverride) {
        e->accept();  // no shortcut, no menu-bar mnemonic: the key comes as a press
        return true;
    }
    DeliverKey(static_cast<QKeyEvent*>(e), type == QEvent::KeyPress);
    return true;
}

void QtHostWindow::closeEvent(QCloseEvent* e) {
    // The window goes only through EndDialog; the client decides (and may refuse).
    e->ignore();
    if (!m_ended) Deliver(WindowMessage{WM_CLOSE, 0, 0, nullptr, nullptr, 0});
}

void QtHostWindow::resizeEvent(QResizeEvent*) {
    LayOut();
    if (m_inMove || isFullScreen() || isMaximized() || isMinimized() || m_client == nullptr) return;
    // The toolkit reports a resize after the fact and without the dragged edge:
    // the client corrects the new rectangle as if the bottom-right corner had
    // been dragged, and the window takes the corrected rectangle.
    Rect proposed;
    GetWindowRect(proposed);
    Rect corrected = proposed;
    Deliver(WindowMessage{WM_SIZING, WMSZ_BOTTOMRIGHT, 0, &corrected, nullptr, 0});
    if (corrected.left != proposed.left || corrected.top != proposed.top || corrected.right != proposed.right ||
        corrected.bottom != proposed.bottom)
        MoveWindow(corrected, true);
}

void QtHostWindow::DeliverKey(QKeyEvent* e, bool down) {
    if (!down && e->isAutoRepeat()) return;  // the key is still held
    const Qt::KeyboardModifiers mods = e->modifiers();
    const uint32_t vk = VirtualKeyFromQtKey(e->key(), (mods & Qt::KeypadModifier) != 0);
    // The Alt key itself counts as held while it goes down and not once it is
    // up, whatever state the toolkit reports around a modifier's own event.
    const bool alt = vk == VK_MENU ? down : (mods & Qt::AltModifier) != 0;
    // Repeat count 1, the scan code, Alt (bit 29), the previous state (bit 30)
    // and, for a release, the transition (bit 31).
    uint32_t flags = 1u | ((e->nativeScanCode() & 0xFFu) << 16);
    if (alt) flags |= 1u << 29;
    if (!down || e->isAutoRepeat()) flags |= 1u << 30;
    if (!down) flags |= 1u << 31;
    const intptr_t lParam = static_cast<intptr_t>(flags);
    const QString text = e->text();
    if (vk == 0) {
        // A key without a virtual-key code still types its text.
        if (down)
            for (QChar c : text) Deliver(WindowMessage{WM_CHAR, c.unicode(), lParam, nullptr, nullptr, 0});
        return;
    }
    const bool system = (alt && !(mods & Qt::ControlModifier)) || vk == VK_MENU || vk == VK_F10;
    const uint32_t code = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    const WindowMessage message{code, vk, lParam, nullptr, nullptr, 0};
    if (m_client == nullptr || m_client->PreTranslateMessage(message)) return;
    m_client->WindowProc(message);
    // Translation: a key press that was not consumed types its text.
    if (code != WM_KEYDOWN) return;
    for (QChar c : text) Deliver(WindowMessage{WM_CHAR, c.unicode(), lParam, nullptr, nullptr, 0});
}

void QtHostWindow::DeliverMouse(uint32_t code, QMouseEvent* e) {
    if (code == 0) return;
    const QPoint p = e->position().toPoint();
    Deliver(WindowMessage{code, MouseKeyState(e->buttons(), e->modifiers()), PackPoint(p.x(), p.y()), nullptr,
                          nullptr, 0});
}

void QtHostWindow::DeliverWheel(int32_t delta, int32_t screenX, int32_t screenY, Qt::KeyboardModifiers modifiers,
                                Qt::MouseButtons buttons) {
    if (delta == 0) return;
    delta = std::clamp(delta, -32768, 32767);
    const uintptr_t wParam =
        (static_cast<uintptr_t>(static_cast<uint16_t>(delta)) << 16) | MouseKeyState(buttons, modifiers);
    Deliver(WindowMessage{WM_MOUSEWHEEL, wParam, PackPoint(screenX, screenY), nullptr, nullptr, 0});
}

// --- Painting ------------------------------------------------------------------

void QtHostWindow::PaintPixels(QPainter& painter, int32_t x, int32_t y, int32_t w, int32_t h,
                               const uint32_t* pixels, int32_t width, int32_t height, int32_t stride, int32_t sx,
                               int32_t sy, int32_t sw, int32_t sh) {
    // The sprite's own memory seen as an image: 0xAARRGGBB words are RGB32
    // pixels, the alpha byte ignored as a plain copy to the screen ignores it.
    const QImage image(reinterpret_cast<const uchar*>(pixels), width, height,
                       static_cast<qsizetype>(stride) * 4, QImage::Format_RGB32);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRect(x, y, w, h), image, QRect(sx, sy, sw, sh));
    m_paintedByClient = true;
}

void QtHostWindow::PaintClient(QPainter& painter) {
    m_paintedByClient = false;
    if (m_pending != nullptr) {
        const Pending& p = *m_pending;
        PaintPixels(painter, p.x, p.y, p.w, p.h, p.pixels, p.width, p.height, p.stride, p.sx, p.sy, p.sw, p.sh);
        return;
    }
    // An exposure: the client paints through the client device.
    QPainter* outer = m_painter;
    m_painter = &painter;
    Deliver(WindowMessage{WM_PAINT, 0, 0, nullptr, nullptr, 0});
    m_painter = outer;
    if (!m_paintedByClient) painter.fillRect(m_clientArea->rect(), Qt::white);
}

}  // namespace platform
