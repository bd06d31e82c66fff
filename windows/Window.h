#pragma once
// The window base. Every panel, list, field, frame and popup is a window of
// this system's own tree: drawn into a cache sprite and composed into the
// manager's screen, never a native window. A window is embedded by value in
// its owner; it joins a manager's tree with NewWindow and leaves it with
// Close, after which it is back in its constructed state.
//
// The tree: each window is in one sibling list (the head is the topmost) and
// heads three lists of its own: child windows (in its client frame, shown and
// processed only with it), owned windows (in its client frame, composed
// always) and attached windows (in its own frame). Sibling lists may hold
// thousands of windows, so every pass walks a list in a loop and recurses
// only into the three sub-lists: the stack grows with the depth of the tree,
// never with the length of a list.
#include <cstdint>

#include "foundation/containers/ArrayAuto.h"
#include "raster/surface/sprite/Sprite.h"

class CQRKWndMgr;
class CQRKInputMgr;

// Right and bottom exclusive.
struct tagRECT {
    int32_t left, top, right, bottom;
};

struct tagPOINT {
    int32_t x, y;
};

// Link types of NewWindow and GetLinkType.
enum : int32_t {
    kQRKLinkTopLevel = 0,
    kQRKLinkChild = 1,
    kQRKLinkOwned = 2,
    kQRKLinkAttached = 3,
    // NewWindow only: directly behind the relative window, in its list.
    kQRKLinkAfter = 4,
};

// The window system's message codes; codes from 0xFFFFF800 are broadcast.
enum : uint32_t {
    kQRKMsgCreated = 0xFFFFF001,
    kQRKMsgHidden = 0xFFFFF002,
    kQRKMsgShown = 0xFFFFF003,
    kQRKMsgMayClose = 0xFFFFF004,
    kQRKMsgClosed = 0xFFFFF005,
    kQRKMsgMoveQuery = 0xFFFFF008,
    kQRKMsgMoved = 0xFFFFF009,
    kQRKMsgResizeQuery = 0xFFFFF00A,
    kQRKMsgResized = 0xFFFFF00B,
    kQRKMsgDrawModeQuery = 0xFFFFF00C,
    kQRKMsgDrawModeChanged = 0xFFFFF00D,
    kQRKMsgHitAccept = 0xFFFFF00E,
    kQRKMsgMouseMoved = 0xFFFFF00F,
    kQRKMsgWheel = 0xFFFFF010,
    kQRKMsgParentMoved = 0xFFFFF011,
    kQRKMsgScrollPosition = 0xFFFFF102,
    kQRKMsgFocusChanged = 0xFFFFF801,
    kQRKMsgSystemFirst = 0xFFFFF000,
    kQRKMsgBroadcastFirst = 0xFFFFF800,
};

struct QRKMoveAnimation {
    int32_t startX = 0, startY = 0, startWidth = 0, startHeight = 0;
    int32_t deltaX = 0, deltaY = 0, deltaWidth = 0, deltaHeight = 0;
    int32_t counter = 0, frames = 0, endMode = 0;
};

struct QRKOpacityAnimation {
    int32_t start = 0, delta = 0;
    int32_t counter = 0, frames = 0, endMode = 0;
};

struct QRKColorAnimation {
    int32_t startRed = 0, startGreen = 0, startBlue = 0;
    int32_t startRedFactor = 0, startGreenFactor = 0, startBlueFactor = 0;
    int32_t deltaRed = 0, deltaGreen = 0, deltaBlue = 0;
    int32_t deltaRedFactor = 0, deltaGreenFactor = 0, deltaBlueFactor = 0;
    int32_t counter = 0, frames = 0, endMode = 0;
};

class IQRKWnd {
public:
    IQRKWnd();
    IQRKWnd(const IQRKWnd&) = delete;
    IQRKWnd& operator=(const IQRKWnd&) = delete;

    // The 84 operations, in slot order.
    /*  1 */ virtual void ResetState();
    /*  2 */ virtual void PaintStretched(int32_t dx, int32_t dy, int32_t dw, int32_t dh, CSprite& target, int32_t sx,
                                        int32_t sy, int32_t sw, int32_t sh);
    /*  3 */ virtual void Paint(int32_t dx, int32_t dy, CSprite& target, int32_t sx, int32_t sy, int32_t w, int32_t h);
    // This window's own pass and its three lists; the window's later siblings
    // are walked by ProcessList, which the frame calls on a list head.
    /*  4 */ virtual int32_t Process(CQRKInputMgr* input, IQRKWnd* focus, tagPOINT mouse, tagPOINT origin,
                                     bool drawFrame);
    // 0 refuse, 1 accept, 2 pass to the parent, 3 pass to *delegate.
    /*  5 */ virtual int32_t OnGetFocus(IQRKWnd* previous, IQRKWnd** delegate);
    /*  6 */ virtual bool OnKillFocus();
    /*  7 */ virtual bool Invalidate();
    /*  8 */ virtual bool InvalidateRect(int32_t x, int32_t y, int32_t width, int32_t height);
    /*  9 */ virtual bool CreateCache(int32_t width, int32_t height);
    /* 10 */ virtual bool ResizeCache(int32_t width, int32_t height);
    /* 11 */ virtual void ReleaseCache();
    /* 12 */ virtual void ComposeCells(CSprite& screen, int32_t columns, int32_t rows, uint16_t* flags,
                                      IQRKWnd** owners, tagPOINT origin);
    /* 13 */ virtual void MarkCells(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                                   tagPOINT origin);
    // Reaches this window, every later sibling and all their descendants.
    /* 14 */ virtual void PropagateShow(bool shown);
    // Reaches this window, every later sibling and all their descendants.
    /* 15 */ virtual void RefreshTree();
    /* 16 */ virtual void InvalidateScreenRect(int32_t x, int32_t y, int32_t width, int32_t height);
    /* 17 */ virtual bool BringToFront();
    /* 18 */ virtual bool SendToBack();
    /* 19 */ virtual bool MoveInZOrder(int32_t places);
    /* 20 */ virtual bool SetActive(bool active);
    /* 21 */ virtual bool IsActive();
    /* 22 */ virtual bool SetInputEnabled(bool enabled);
    /* 23 */ virtual bool IsInputEnabled();
    /* 24 */ virtual bool SetFocusRouting(uint32_t routing);
    /* 25 */ virtual uint32_t GetFocusRouting();
    /* 26 */ virtual bool StartMoveAnimation(int32_t x, int32_t y, int32_t frames, int32_t endMode);
    /* 27 */ virtual bool StartMoveResizeAnimation(int32_t x, int32_t y, int32_t width, int32_t height, int32_t frames,
                                                   int32_t endMode);
    /* 28 */ virtual bool FinishMoveAnimation();
    /* 29 */ virtual void ClearMoveAnimation();
    /* 30 */ virtual bool StartOpacityAnimation(int32_t level, int32_t frames, int32_t endMode);
    /* 31 */ virtual bool FinishOpacityAnimation();
    /* 32 */ virtual void ClearOpacityAnimation();
    /* 33 */ virtual bool StartColorAnimation(uint32_t colour, int32_t red, int32_t green, int32_t blue, int32_t frames,
                                              int32_t endMode);
    /* 34 */ virtual bool FinishColorAnimation();
    /* 35 */ virtual void ClearColorAnimation();
    // point: two int32 (x, y) or four (left, top, right, bottom), or null.
    /* 36 */ virtual int32_t OnMessage(IQRKWnd* sender, uint32_t code, int32_t first, int32_t second, int32_t* point);
    /* 37 */ virtual bool Close();
    // Never messages anyone: a window still in a tree when it is destroyed is
    // taken out of it quietly (see DetachQuietly).
    /* 38 */ virtual ~IQRKWnd();
    /* 39 */ virtual bool NewWindow(int32_t x, int32_t y, int32_t width, int32_t height, CQRKWndMgr* manager,
                                    IQRKWnd* relative, int32_t linkType, uint32_t drawMode, uint32_t focusRouting,
                                    bool visible, uint8_t level);
    /* 40 */ virtual bool MoveWindow(int32_t x, int32_t y);
    /* 41 */ virtual bool ResizeWindow(int32_t x, int32_t y, int32_t width, int32_t height);
    /* 42 */ virtual bool ShowWindow(bool shown);
    /* 43 */ virtual uint32_t GetDrawMode();
    /* 44 */ virtual bool SetDrawMode(uint32_t mode);
    /* 45 */ virtual void ComposeTree(CSprite& screen, int32_t columns, int32_t rows, uint16_t* flags,
                                     IQRKWnd** owners, tagPOINT origin);
    /* 46 */ virtual void CollectDirtyTree(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                                          tagPOINT origin);
    /* 47 */ virtual void AdjustCellsTree(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                                         tagPOINT origin);
    /* 48 */ virtual bool PtInWindow(tagPOINT point);
    /* 49 */ virtual bool HitTest(tagPOINT point, const tagPOINT* origin);
    /* 50 */ virtual bool IsOnScreen(tagPOINT origin);
    /* 51 */ virtual bool KillFocus();
    /* 52 */ virtual int32_t GetX();
    /* 53 */ virtual int32_t GetY();
    /* 54 */ virtual int32_t GetWidth();
    /* 55 */ virtual int32_t GetHeight();
    /* 56 */ virtual bool GetRect(tagRECT* rect);
    /* 57 */ virtual bool IsShown();
    /* 58 */ virtual bool GetScreenPos(tagPOINT* point);
    /* 59 */ virtual void Refresh();
    /* 60 */ virtual void ParentToClient(tagPOINT* point);
    /* 61 */ virtual void ClientToParent(tagPOINT* point);
    /* 62 */ virtual int32_t GetLinkType();
    /* 63 */ virtual bool SetOpacity(uint8_t level);
    /* 64 */ virtual uint8_t GetOpacity();
    /* 65 */ virtual bool SetColorParams(uint32_t colour, int32_t red, int32_t green, int32_t blue);
    /* 66 */ virtual void GetColorParams(uint32_t* colour, int32_t* red, int32_t* green, int32_t* blue);
    /* 67 */ virtual void SetFocus();
    /* 68 */ virtual bool HasFocus();
    /* 69 */ virtual bool ResetContents();
    /* 70 */ virtual bool IsDescendantOf(const IQRKWnd* window);
    /* 71 */ virtual CQRKWndMgr* GetManager();
    /* 72 */ virtual IQRKWnd* GetParent();
    /* 73 */ virtual const IQRKWnd* GetParent() const;
    /* 74 */ virtual IQRKWnd* GetPrev();
    /* 75 */ virtual const IQRKWnd* GetPrev() const;
    /* 76 */ virtual IQRKWnd* GetNext();
    /* 77 */ virtual const IQRKWnd* GetNext() const;
    /* 78 */ virtual IQRKWnd* GetFirstAttached();
    /* 79 */ virtual const IQRKWnd* GetFirstAttached() const;
    /* 80 */ virtual IQRKWnd* GetFirstOwned();
    /* 81 */ virtual const IQRKWnd* GetFirstOwned() const;
    /* 82 */ virtual IQRKWnd* GetFirstChild();
    /* 83 */ virtual const IQRKWnd* GetFirstChild() const;
    /* 84 */ virtual bool IsPointInClient(tagPOINT point);

    // The per-frame pass over a whole sibling list from `head`: every window
    // from the tail (lowest) to the head gets its Process. The result is the
    // head's, with bit 1 set when a later sibling answered non-zero.
    static int32_t ProcessList(IQRKWnd* head, CQRKInputMgr* input, IQRKWnd* focus, tagPOINT mouse, tagPOINT origin,
                               bool drawFrame);

    // Cell routines of the composition, shared by the cached window classes.
    void MarkOwnedCells(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners, tagPOINT origin);
    void MarkOpaqueCells(const CSprite& cache, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                         tagPOINT origin);
    void ComposeCellsFromCache(CSprite& screen, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                               tagPOINT origin);

    // Takes the window and its whole subtree out of the tree without a
    // message or a virtual call: for a destructor, and for a manager that goes
    // while a window refused to close. Every window of the subtree is then in
    // its constructed state as far as the tree is concerned.
    void DetachQuietly();

    // Read by the manager and the composition.
    bool IsCreated() const noexcept { return m_manager != nullptr; }
    bool IsVisible() const noexcept { return m_visible; }
    bool IsFirstProcessPending() const noexcept { return m_firstProcess; }
    const CArrayAuto<tagRECT>& DirtyRects() const noexcept { return m_dirty; }
    CArrayAuto<tagRECT>& DirtyRects() noexcept { return m_dirty; }
    IQRKWnd* FocusChainPrev() const noexcept { return m_focusPrev; }
    IQRKWnd* FocusChainNext() const noexcept { return m_focusNext; }
    void SetFocusChainLinks(IQRKWnd* prev, IQRKWnd* next) noexcept {
        m_focusPrev = prev;
        m_focusNext = next;
    }
    // Takes the window out of the focus history, linking its neighbours.
    void LeaveFocusChain() noexcept;

protected:
    void UnlinkFromSiblings();
    void InsertBefore(IQRKWnd* sibling);
    void InvalidateOwnScreenArea();
    void InvalidateOwnedScreenAreas();
    // One step of each running animation, at the end of Process.
    void StepAnimations();
    // The list head pointer that holds this window (top level or one of the
    // parent's three); null when the window is not in a list.
    IQRKWnd** HeadSlot();

    CQRKWndMgr* m_manager = nullptr;
    IQRKWnd* m_prev = nullptr;
    IQRKWnd* m_next = nullptr;
    IQRKWnd* m_firstAttached = nullptr;
    IQRKWnd* m_firstOwned = nullptr;
    IQRKWnd* m_firstChild = nullptr;
    IQRKWnd* m_parent = nullptr;
    uint32_t m_drawMode = 0;
    uint8_t m_level = 128;
    uint32_t m_toneColour = 0;
    int32_t m_redFactor = 0;
    int32_t m_greenFactor = 0;
    int32_t m_blueFactor = 0;
    bool m_visible = false;
    int32_t m_x = 0;
    int32_t m_y = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    CArrayAuto<tagRECT> m_dirty;
    IQRKWnd* m_focusPrev = nullptr;  // older in the focus history
    IQRKWnd* m_focusNext = nullptr;  // newer
    uint32_t m_focusRouting = 0;
    bool m_active = true;
    bool m_inputEnabled = true;
    bool m_firstProcess = false;
    QRKMoveAnimation m_moveAnimation;
    QRKOpacityAnimation m_opacityAnimation;
    QRKColorAnimation m_colorAnimation;

private:
    void DetachSubtreeOnly();
    bool GetScreenPosQuietly(tagPOINT* point) const;

    // Set by a list walk on a later sibling it hands a broadcast to, so that
    // the sibling forwards it into its own lists only.
    bool m_inSiblingWalk = false;
};

// A window with its own cache sprite, into which it draws its content and
// from which the manager composes the screen.
class CQRKWnd : public IQRKWnd {
public:
    CQRKWnd() = default;
    ~CQRKWnd() override;

    void PaintStretched(int32_t dx, int32_t dy, int32_t dw, int32_t dh, CSprite& target, int32_t sx, int32_t sy,
                        int32_t sw, int32_t sh) override;
    void Paint(int32_t dx, int32_t dy, CSprite& target, int32_t sx, int32_t sy, int32_t w, int32_t h) override;
    int32_t Process(CQRKInputMgr* input, IQRKWnd* focus, tagPOINT mouse, tagPOINT origin, bool drawFrame) override;
    bool CreateCache(int32_t width, int32_t height) override;
    bool ResizeCache(int32_t width, int32_t height) override;
    void ReleaseCache() override;
    void ComposeCells(CSprite& screen, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                      tagPOINT origin) override;
    void MarkCells(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners, tagPOINT origin) override;

    CSprite& GetCache() noexcept { return m_cache; }
    const CSprite& GetCache() const noexcept { return m_cache; }

protected:
    CSprite m_cache;
};
