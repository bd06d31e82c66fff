#pragma once
// CQRKWndMgr: one window tree and the screen it is composed into.
//
// The manager holds the top-level list, the focus window and its history,
// the screen sprite with the cell maps and the screen dirty list of the
// composition, and the input manager whose logical inputs the windows read.
// Once per frame its owner calls ProcessInput (focus by click, mouse-move and
// wheel messages), runs the top-level head's Process, and on drawing frames
// calls Draw, which composes the changed 16 x 16 cells into the back buffer.
#include <cstdint>
#include <vector>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/containers/MemoryBlock.h"
#include "raster/surface/sprite/Sprite.h"
#include "windows/CellMap.h"
#include "windows/Window.h"

class CQRKErrorQueue;

class CQRKWndMgr {
public:
    // Option bits.
    static constexpr uint8_t kFocusByClick = 0x01;
    static constexpr uint8_t kPollInput = 0x02;
    static constexpr uint8_t kMouseMessages = 0x04;
    static constexpr uint8_t kStoredMousePoint = 0x08;

    // Background modes of the composition.
    static constexpr int32_t kBackgroundNone = 0;
    static constexpr int32_t kBackgroundFill = 1;
    static constexpr int32_t kBackgroundCopy = 2;

    // Focus-change states of the current frame.
    static constexpr int32_t kFocusUnchanged = 0;
    static constexpr int32_t kFocusByClickChanged = 1;
    static constexpr int32_t kFocusChanged = 2;

    // Focus redirections (answers 2 and 3) allowed in one negotiation.
    static constexpr int32_t kMaxFocusRedirections = 200;
    // Depth of the hit test's explicit stack.
    static constexpr int32_t kMaxHitTestDepth = 127;

    CQRKWndMgr();
    // Closes every window first. A window that refuses to close at this point
    // is a broken invariant and stops the program.
    virtual ~CQRKWndMgr();
    CQRKWndMgr(const CQRKWndMgr&) = delete;
    CQRKWndMgr& operator=(const CQRKWndMgr&) = delete;

    // The end of every window procedure: 1 for system codes (the visible flag
    // for the hit query), else the code is reported, once per code, and 0.
    virtual int32_t DefaultMessage(IQRKWnd* window, IQRKWnd* sender, uint32_t code, int32_t first, int32_t second,
                                   int32_t* point);

    // The owner's set-up: the screen of the back buffer's size, then the
    // editor's defaults (see SetUp). False, nothing bound, when the screen
    // cannot be made.
    bool SetUp(int32_t width, int32_t height, CQRKInputMgr* input);

    // Sizes the screen (opaque white) and the cell maps; the whole screen
    // becomes dirty. The new screen and maps are made before the old ones
    // go, so a failure leaves the previous screen in use.
    bool SetScreenSize(int32_t width, int32_t height);

    // The per-frame input step; false only when bit 1 of the options is set
    // and the input manager is frozen.
    bool ProcessInput(int32_t mouseX, int32_t mouseY);

    // The topmost window accepting the point (screen coordinates); the out
    // point, when given, receives it in the found window's frame.
    IQRKWnd* FindWindowAt(int32_t x, int32_t y, int32_t* outX = nullptr, int32_t* outY = nullptr);

    bool SetFocusWindow(IQRKWnd* window);
    bool ReleaseFocus();

    void AddScreenDirtyRect(int32_t x, int32_t y, int32_t width, int32_t height);

    // Composes the changed cells and copies the screen rectangle (sx, sy, w, h)
    // to the target at (x, y); true when any cell changed.
    bool Draw(int32_t x, int32_t y, CSprite& target, int32_t sx, int32_t sy, int32_t width, int32_t height,
              bool copyOnlyWhenChanged);

    // The mouse position in screen coordinates for code of a window.
    bool GetMousePos(int32_t& x, int32_t& y) const;

    // ---- state ----
    CSprite& GetScreen() noexcept { return m_screen; }
    const CSprite& GetScreen() const noexcept { return m_screen; }
    int32_t GetScreenWidth() const noexcept { return m_screen.GetWidth(); }
    int32_t GetScreenHeight() const noexcept { return m_screen.GetHeight(); }
    IQRKWnd* GetFirstTopLevel() const noexcept { return m_firstTopLevel; }
    IQRKWnd* GetFocusWindow() const noexcept { return m_focusWindow; }
    int32_t GetFocusChangeState() const noexcept { return m_focusChangeState; }
    CQRKInputMgr* GetInputMgr() const noexcept { return m_input; }
    void SetInputMgr(CQRKInputMgr* input) noexcept { m_input = input; }
    uint8_t GetOptions() const noexcept { return m_options; }
    void SetOptions(uint8_t options) noexcept { m_options = options; }
    void SetBackground(int32_t mode, uint32_t colour) noexcept {
        m_backgroundMode = mode;
        m_backgroundColour = colour;
    }
    void SetClickInput(uint32_t input) noexcept { m_clickInput = input; }
    void SetOrigin(int32_t x, int32_t y) noexcept {
        m_originX = x;
        m_originY = y;
    }
    void SetStoredMousePoint(int32_t x, int32_t y) noexcept {
        m_storedX = x;
        m_storedY = y;
    }
    void SetModalWindow(IQRKWnd* window) noexcept { m_modal = window; }
    uint32_t GetScreenDirtyCount() const noexcept { return m_screenDirty.GetCount(); }

    // The cell map as the composition passes see it (empty without a screen).
    QRKCellMap GetCellMap() noexcept;
    // The owner of a cell that no window has claimed.
    IQRKWnd* FreeCellMark() noexcept { return reinterpret_cast<IQRKWnd*>(this); }

    // Where the windows' reports go: the published host's queue unless set.
    void SetErrorQueue(CQRKErrorQueue* queue) noexcept { m_errorQueue = queue; }
    void ReportError(const char* text, bool fatal);

    // A window leaving the tree without going through the focus rules (a
    // destroyed window): no longer the focus window, out of the history.
    void ForgetWindow(IQRKWnd* window) noexcept;

private:
    friend class IQRKWnd;

    void ReleaseScreen() noexcept;
    void ReportNoInput();
    bool AnyClickInput();
    // Asks a window to take its focus up again after a refused change.
    static void RestoreFocus(IQRKWnd* window);

    CSprite m_screen;
    IQRKWnd* m_firstTopLevel = nullptr;
    IQRKWnd* m_focusWindow = nullptr;
    int32_t m_focusChangeState = 0;
    CMemoryBlock<uint16_t> m_cellFlags;
    CMemoryBlock<IQRKWnd*> m_cellOwners;
    int32_t m_columns = 0;
    int32_t m_rows = 0;
    CQRKInputMgr* m_input = nullptr;
    uint8_t m_options = 0;
    int32_t m_backgroundMode = 0;
    uint32_t m_backgroundColour = 0;
    CArrayAuto<tagRECT> m_screenDirty;
    uint32_t m_clickInput = 0;
    int32_t m_originX = 0;
    int32_t m_originY = 0;
    int32_t m_lastMouseX = -1;
    int32_t m_lastMouseY = -1;
    int32_t m_storedX = 0;
    int32_t m_storedY = 0;
    IQRKWnd* m_modal = nullptr;
    CQRKErrorQueue* m_errorQueue = nullptr;
    // Unknown message codes reported so far (each is reported once).
    std::vector<uint32_t> m_reportedCodes;
};
