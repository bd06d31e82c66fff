// The window base: the tree operations (create, close, move, resize, show,
// z-order, invalidation) and the per-frame pass.
//
// Sibling lists are walked in loops; only the three sub-lists of a window are
// entered by recursion, so a list of any length costs no stack. Where the
// order of a recursive "next sibling first" walk matters (the per-frame pass,
// refresh), the loop goes from the tail to the head, which is the order in
// which such a walk finishes its windows.
#include "windows/Window.h"

#include <algorithm>

#include "windows/WndMgr.h"

namespace {

int32_t ClampToInt32(int64_t v) noexcept {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

tagPOINT Offset(tagPOINT p, int32_t dx, int32_t dy) noexcept {
    return {ClampToInt32(int64_t(p.x) + dx), ClampToInt32(int64_t(p.y) + dy)};
}

IQRKWnd* TailOf(IQRKWnd* w) noexcept {
    while (w->GetNext() != nullptr) w = w->GetNext();
    return w;
}

// "IQRKWnd::NewWindow ウィンドウキャッシュの確保に失敗しました。"
constexpr const char kNewWindowCacheFailed[] =
    "IQRKWnd::NewWindow \x83\x45\x83\x42\x83\x93\x83\x68\x83\x45\x83\x4c\x83\x83\x83\x62\x83\x56\x83\x85\x82\xcc"
    "\x8a\x6d\x95\xdb\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";
// "IQRKWnd::ResizeWindow ウィンドウキャッシュの確保に失敗しました。"
constexpr const char kResizeWindowCacheFailed[] =
    "IQRKWnd::ResizeWindow \x83\x45\x83\x42\x83\x93\x83\x68\x83\x45\x83\x4c\x83\x83\x83\x62\x83\x56\x83\x85\x82\xcc"
    "\x8a\x6d\x95\xdb\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc\x82\xb5\x82\xbd\x81\x42";

}  // namespace

IQRKWnd::IQRKWnd() { m_dirty.SetGrowthStep(10); }

IQRKWnd::~IQRKWnd() {
    // A destructor sends nothing: the parent may be gone or half destroyed,
    // and this object's own overrides are gone already. The manager closes
    // every window before it goes; a window destroyed while still in a tree
    // is only unlinked.
    if (m_manager != nullptr) DetachQuietly();
}

void IQRKWnd::ResetState() {
    m_moveAnimation = {};
    m_opacityAnimation = {};
    m_colorAnimation = {};
    m_manager = nullptr;
    m_focusPrev = m_focusNext = nullptr;
    m_prev = m_next = nullptr;
    m_firstAttached = m_firstOwned = m_firstChild = nullptr;
    m_parent = nullptr;
    m_drawMode = 0;
    m_firstProcess = false;
    m_visible = false;
    m_x = m_y = 0;
    ReleaseCache();
    m_level = 128;
    m_toneColour = 0;
    m_redFactor = m_greenFactor = m_blueFactor = 0;
    m_dirty.RemoveAll();
    m_focusRouting = 0;
    m_active = true;
    m_inputEnabled = true;
}

void IQRKWnd::PaintStretched(int32_t dx, int32_t dy, int32_t, int32_t, CSprite& target, int32_t sx, int32_t sy,
                             int32_t sw, int32_t sh) {
    Paint(dx, dy, target, sx, sy, sw, sh);
}

void IQRKWnd::Paint(int32_t, int32_t, CSprite&, int32_t, int32_t, int32_t, int32_t) {}

int32_t IQRKWnd::ProcessList(IQRKWnd* head, CQRKInputMgr* input, IQRKWnd* focus, tagPOINT mouse, tagPOINT origin,
                             bool drawFrame) {
    if (head == nullptr) return 0;
    bool laterNonZero = false;
    IQRKWnd* w = TailOf(head);
    for (;;) {
        // Process may close the window; take the neighbour first.
        IQRKWnd* prev = w->m_prev;
        const int32_t r = w->Process(input, focus, mouse, origin, drawFrame);
        if (w == head) return laterNonZero ? (r | 2) : r;
        if (r != 0) laterNonZero = true;
        if (prev == nullptr) return laterNonZero ? 2 : 0;  // the head left the list meanwhile
        w = prev;
    }
}

int32_t IQRKWnd::Process(CQRKInputMgr* input, IQRKWnd* focus, tagPOINT mouse, tagPOINT origin, bool drawFrame) {
    if (m_firstProcess) {
        Invalidate();
        m_firstProcess = false;
    }
    int32_t result = 0;
    if (m_firstChild != nullptr && m_active && m_visible) {
        tagPOINT p = mouse, o = origin;
        ParentToClient(&p);
        ClientToParent(&o);
        if (ProcessList(m_firstChild, input, focus, p, o, drawFrame) != 0) result |= 1;
    }
    if (m_firstOwned != nullptr && m_active) {
        tagPOINT p = mouse, o = origin;
        ParentToClient(&p);
        ClientToParent(&o);
        if (ProcessList(m_firstOwned, input, focus, p, o, drawFrame) != 0) result |= 1;
    }
    if (m_firstAttached != nullptr) {
        if (ProcessList(m_firstAttached, input, focus, mouse, origin, drawFrame) != 0) result |= 1;
    }
    StepAnimations();
    return result;
}

int32_t CQRKWnd::Process(CQRKInputMgr* input, IQRKWnd* focus, tagPOINT mouse, tagPOINT origin, bool drawFrame) {
    int32_t r = IQRKWnd::Process(input, focus, mouse, origin, drawFrame);
    if (focus == this) r |= 1;
    return r;
}

int32_t IQRKWnd::OnGetFocus(IQRKWnd*, IQRKWnd**) { return 1; }
bool IQRKWnd::OnKillFocus() { return true; }
bool IQRKWnd::Invalidate() { return InvalidateRect(0, 0, m_width, m_height); }

bool IQRKWnd::InvalidateRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (m_manager == nullptr) return false;
    const int64_t right = int64_t(x) + width, bottom = int64_t(y) + height;
    if (right < 1 || bottom < 1 || x >= m_width || y >= m_height) return false;
    *m_dirty.AddNew() = {std::max(x, 0), std::max(y, 0), ClampToInt32(right), ClampToInt32(bottom)};
    return true;
}

bool IQRKWnd::CreateCache(int32_t width, int32_t height) {
    m_width = width;
    m_height = height;
    return true;
}

bool IQRKWnd::ResizeCache(int32_t width, int32_t height) {
    m_width = width;
    m_height = height;
    return true;
}

void IQRKWnd::ReleaseCache() { m_width = m_height = 0; }

void IQRKWnd::PropagateShow(bool shown) {
    // The effect on this window and every later sibling, head to tail, then
    // the sub-lists from the tail back: the order of the recursive form.
    for (IQRKWnd* w = this; w != nullptr; w = w->m_next) {
        if (!shown) {
            w->InvalidateOwnScreenArea();
        } else if (w->m_visible) {
            w->Refresh();
            w->InvalidateRect(0, 0, w->m_width, w->m_height);
        }
    }
    for (IQRKWnd* w = TailOf(this);; w = w->m_prev) {
        if (w->m_firstChild != nullptr) w->m_firstChild->PropagateShow(shown);
        if (w->m_firstOwned != nullptr) w->m_firstOwned->PropagateShow(shown);
        if (w->m_firstAttached != nullptr) w->m_firstAttached->PropagateShow(shown);
        if (w == this) break;
    }
}

void IQRKWnd::RefreshTree() {
    for (IQRKWnd* w = TailOf(this);; w = w->m_prev) {
        if (w->m_firstChild != nullptr) w->m_firstChild->RefreshTree();
        if (w->m_firstOwned != nullptr) w->m_firstOwned->RefreshTree();
        if (w->m_firstAttached != nullptr) w->m_firstAttached->RefreshTree();
        w->Refresh();
        if (w == this) break;
    }
}

void IQRKWnd::InvalidateScreenRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (m_manager == nullptr) return;
    if (m_parent == nullptr) {
        m_manager->AddScreenDirtyRect(x, y, width, height);
        return;
    }
    const int32_t type = GetLinkType();
    if (type == kQRKLinkChild || type == kQRKLinkOwned) {
        x = ClampToInt32(int64_t(x) + m_parent->m_x);
        y = ClampToInt32(int64_t(y) + m_parent->m_y);
    }
    m_parent->InvalidateScreenRect(x, y, width, height);
}

IQRKWnd** IQRKWnd::HeadSlot() {
    if (m_manager == nullptr) return nullptr;
    IQRKWnd* head = this;
    while (head->m_prev != nullptr) head = head->m_prev;
    if (m_parent == nullptr) return &m_manager->m_firstTopLevel;
    if (m_parent->m_firstOwned == head) return &m_parent->m_firstOwned;
    if (m_parent->m_firstChild == head) return &m_parent->m_firstChild;
    if (m_parent->m_firstAttached == head) return &m_parent->m_firstAttached;
    return nullptr;
}

void IQRKWnd::UnlinkFromSiblings() {
    if (m_prev != nullptr) {
        m_prev->m_next = m_next;
        if (m_next != nullptr) m_next->m_prev = m_prev;
        return;
    }
    IQRKWnd** slot = HeadSlot();
    if (slot != nullptr && *slot == this) *slot = m_next;
    if (m_next != nullptr) m_next->m_prev = nullptr;
}

void IQRKWnd::InsertBefore(IQRKWnd* sibling) {
    IQRKWnd** slot = sibling->m_prev == nullptr ? sibling->HeadSlot() : nullptr;
    m_prev = sibling->m_prev;
    m_next = sibling;
    sibling->m_prev = this;
    if (m_prev != nullptr) {
        m_prev->m_next = this;
    } else if (slot != nullptr) {
        *slot = this;
    }
}

void IQRKWnd::InvalidateOwnScreenArea() {
    if (m_visible) InvalidateScreenRect(m_x, m_y, m_width, m_height);
}

void IQRKWnd::InvalidateOwnedScreenAreas() {
    InvalidateOwnScreenArea();
    for (IQRKWnd* w = m_firstOwned; w != nullptr; w = w->m_next) w->InvalidateOwnedScreenAreas();
}

bool IQRKWnd::BringToFront() {
    if (m_manager == nullptr) return false;
    if (m_prev == nullptr) return true;
    IQRKWnd* head = m_prev;
    while (head->m_prev != nullptr) head = head->m_prev;
    UnlinkFromSiblings();
    InsertBefore(head);
    InvalidateOwnScreenArea();
    return true;
}

bool IQRKWnd::SendToBack() {
    if (m_manager == nullptr) return false;
    if (m_next == nullptr) return true;
    IQRKWnd* tail = TailOf(m_next);
    UnlinkFromSiblings();
    m_prev = tail;
    m_next = nullptr;
    tail->m_next = this;
    InvalidateOwnScreenArea();
    return true;
}

bool IQRKWnd::MoveInZOrder(int32_t places) {
    if (m_manager == nullptr || places == 0) return false;
    IQRKWnd* target = this;
    if (places < 0) {
        for (int64_t i = places; i < 0; ++i) {
            target = target->m_prev;
            if (target == nullptr) return false;
        }
        UnlinkFromSiblings();
        InsertBefore(target);
    } else {
        for (int32_t i = 0; i < places; ++i) {
            target = target->m_next;
            if (target == nullptr) return false;
        }
        IQRKWnd* after = target->m_next;
        UnlinkFromSiblings();
        if (after != nullptr) {
            InsertBefore(after);
        } else {
            m_prev = target;
            m_next = nullptr;
            target->m_next = this;
        }
    }
    InvalidateOwnScreenArea();
    return true;
}

bool IQRKWnd::SetActive(bool active) {
    m_active = active;
    for (IQRKWnd* w = m_firstChild; w != nullptr; w = w->m_next) w->SetActive(active);
    return true;
}

bool IQRKWnd::IsActive() { return m_active; }

bool IQRKWnd::SetInputEnabled(bool enabled) {
    m_inputEnabled = enabled;
    for (IQRKWnd* w = m_firstChild; w != nullptr; w = w->m_next) w->SetInputEnabled(enabled);
    return true;
}

bool IQRKWnd::IsInputEnabled() { return m_inputEnabled; }

bool IQRKWnd::SetFocusRouting(uint32_t routing) {
    m_focusRouting = routing;
    return true;
}

uint32_t IQRKWnd::GetFocusRouting() { return m_focusRouting; }

bool IQRKWnd::Close() {
    if (m_manager == nullptr) return false;
    if (m_parent != nullptr && m_parent->OnMessage(this, kQRKMsgMayClose, 0, 0, nullptr) == 0) return false;
    for (IQRKWnd** list : {&m_firstAttached, &m_firstOwned, &m_firstChild}) {
        while (*list != nullptr) {
            IQRKWnd* head = *list;
            if (!head->Close()) return false;
            // A window that claims success but stays must not hold the loop.
            if (*list == head) head->DetachQuietly();
        }
    }
    InvalidateOwnScreenArea();
    UnlinkFromSiblings();
    CQRKWndMgr* manager = m_manager;
    if (manager->m_focusWindow == this) KillFocus();
    // Whatever the focus rules did, no pointer to this window stays behind.
    manager->ForgetWindow(this);
    IQRKWnd* parent = m_parent;
    if (parent != nullptr) parent->OnMessage(this, kQRKMsgClosed, 0, 0, nullptr);
    ResetState();
    return true;
}

void IQRKWnd::DetachQuietly() {
    if (m_manager == nullptr) return;
    for (IQRKWnd* list : {m_firstAttached, m_firstOwned, m_firstChild}) {
        for (IQRKWnd* w = list; w != nullptr;) {
            IQRKWnd* next = w->m_next;
            w->m_prev = nullptr;  // the whole list goes; no relinking needed
            w->DetachSubtreeOnly();
            w = next;
        }
    }
    m_firstAttached = m_firstOwned = m_firstChild = nullptr;
    if (m_visible) {
        // The area this window covered must be repainted from below; the
        // manager is alive while the window is in its tree.
        tagPOINT pos{};
        if (GetScreenPosQuietly(&pos)) m_manager->AddScreenDirtyRect(pos.x, pos.y, m_width, m_height);
    }
    UnlinkFromSiblings();
    m_manager->ForgetWindow(this);
    m_manager = nullptr;
    m_prev = m_next = m_parent = nullptr;
    m_visible = false;
    m_firstProcess = false;
    m_dirty.RemoveAll();
}

void IQRKWnd::DetachSubtreeOnly() {
    for (IQRKWnd* list : {m_firstAttached, m_firstOwned, m_firstChild}) {
        for (IQRKWnd* w = list; w != nullptr;) {
            IQRKWnd* next = w->m_next;
            w->DetachSubtreeOnly();
            w = next;
        }
    }
    m_firstAttached = m_firstOwned = m_firstChild = nullptr;
    if (m_manager != nullptr) m_manager->ForgetWindow(this);
    m_manager = nullptr;
    m_prev = m_next = m_parent = nullptr;
    m_visible = false;
    m_firstProcess = false;
    m_dirty.RemoveAll();
}

bool IQRKWnd::GetScreenPosQuietly(tagPOINT* point) const {
    int64_t x = m_x, y = m_y;
    const IQRKWnd* w = this;
    while (w->m_parent != nullptr) {
        const IQRKWnd* p = w->m_parent;
        // Child and owned windows live in the parent's client frame.
        const IQRKWnd* head = w;
        while (head->m_prev != nullptr) head = head->m_prev;
        if (p->m_firstChild == head || p->m_firstOwned == head) {
            x += p->m_x;
            y += p->m_y;
        }
        w = p;
    }
    point->x = ClampToInt32(x);
    point->y = ClampToInt32(y);
    return m_manager != nullptr;
}

void IQRKWnd::LeaveFocusChain() noexcept {
    if (m_focusPrev != nullptr && m_focusPrev->m_focusNext == this) m_focusPrev->m_focusNext = m_focusNext;
    if (m_focusNext != nullptr && m_focusNext->m_focusPrev == this) m_focusNext->m_focusPrev = m_focusPrev;
    m_focusPrev = m_focusNext = nullptr;
}

bool IQRKWnd::NewWindow(int32_t x, int32_t y, int32_t width, int32_t height, CQRKWndMgr* manager,
                        IQRKWnd* relative, int32_t linkType, uint32_t drawMode, uint32_t focusRouting, bool visible,
                        uint8_t level) {
    if (m_manager != nullptr || manager == nullptr || linkType < 0 || linkType > 4) return false;
    if (linkType != kQRKLinkTopLevel && (relative == nullptr || relative->m_manager != manager)) return false;
    m_manager = manager;
    IQRKWnd* next = nullptr;
    switch (linkType) {
        case kQRKLinkTopLevel:
            next = manager->m_firstTopLevel;
            manager->m_firstTopLevel = this;
            m_prev = nullptr;
            m_parent = nullptr;
            break;
        case kQRKLinkChild:
        case kQRKLinkOwned:
        case kQRKLinkAttached: {
            IQRKWnd** slot = linkType == kQRKLinkChild   ? &relative->m_firstChild
                             : linkType == kQRKLinkOwned ? &relative->m_firstOwned
                                                         : &relative->m_firstAttached;
            next = *slot;
            *slot = this;
            m_prev = nullptr;
            m_parent = relative;
            break;
        }
        default:
            next = relative->m_next;
            m_prev = relative;
            relative->m_next = this;
            m_parent = relative->m_parent;
            break;
    }
    m_next = next;
    if (next != nullptr) next->m_prev = this;
    m_drawMode = drawMode;
    m_visible = visible;
    m_level = level;
    m_focusRouting = focusRouting;
    m_firstAttached = m_firstOwned = m_firstChild = nullptr;
    m_x = x;
    m_y = y;
    m_focusPrev = m_focusNext = nullptr;
    ClearMoveAnimation();
    ClearOpacityAnimation();
    if (!CreateCache(width, height)) {
        manager->ReportError(kNewWindowCacheFailed, false);
        Close();
        return false;
    }
    m_dirty.RemoveAll();
    Refresh();
    if (m_parent != nullptr) m_parent->OnMessage(this, kQRKMsgCreated, linkType, 0, nullptr);
    m_firstProcess = true;
    return true;
}

bool IQRKWnd::MoveWindow(int32_t x, int32_t y) {
    if (m_manager == nullptr) return false;
    int32_t pt[2] = {x, y};
    if (m_parent != nullptr && m_parent->OnMessage(this, kQRKMsgMoveQuery, 0, 0, pt) == 0) return false;
    if (pt[0] == m_x && pt[1] == m_y) return true;
    InvalidateOwnScreenArea();
    for (IQRKWnd* w = m_firstOwned; w != nullptr; w = w->m_next) w->InvalidateOwnedScreenAreas();
    m_x = pt[0];
    m_y = pt[1];
    Invalidate();
    if (m_parent != nullptr) m_parent->OnMessage(this, kQRKMsgMoved, 0, 0, pt);
    if (m_firstChild != nullptr) m_firstChild->OnMessage(this, kQRKMsgParentMoved, 0, 0, nullptr);
    if (m_firstOwned != nullptr) m_firstOwned->OnMessage(this, kQRKMsgParentMoved, 0, 0, nullptr);
    return true;
}

bool IQRKWnd::ResizeWindow(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (m_manager == nullptr) return false;
    int32_t rc[4] = {x, y, ClampToInt32(int64_t(x) + width), ClampToInt32(int64_t(y) + height)};
    if (m_parent != nullptr && m_parent->OnMessage(this, kQRKMsgResizeQuery, 0, 0, rc) == 0) return false;
    const int32_t nx = rc[0], ny = rc[1];
    const int32_t nw = ClampToInt32(int64_t(rc[2]) - rc[0]), nh = ClampToInt32(int64_t(rc[3]) - rc[1]);
    if (nx == m_x && ny == m_y && nw == m_width && nh == m_height) return true;
    InvalidateOwnScreenArea();
    for (IQRKWnd* w = m_firstOwned; w != nullptr; w = w->m_next) w->InvalidateOwnedScreenAreas();
    if (nw != m_width || nh != m_height) {
        if (!ResizeCache(nw, nh)) {
            m_manager->ReportError(kResizeWindowCacheFailed, false);
            Close();
            return false;
        }
        Refresh();
    }
    m_x = nx;
    m_y = ny;
    Invalidate();
    if (m_parent != nullptr) m_parent->OnMessage(this, kQRKMsgResized, 0, 0, rc);
    if (m_firstChild != nullptr) m_firstChild->OnMessage(this, kQRKMsgParentMoved, 0, 0, nullptr);
    if (m_firstOwned != nullptr) m_firstOwned->OnMessage(this, kQRKMsgParentMoved, 0, 0, nullptr);
    return true;
}

bool IQRKWnd::ShowWindow(bool shown) {
    if (m_manager == nullptr) return false;
    if (shown) {
        if (m_visible) return true;
        m_visible = true;
        if (m_parent != nullptr) m_parent->OnMessage(this, kQRKMsgShown, 0, 0, nullptr);
        PropagateShow(true);
        return true;
    }
    if (!m_visible) return true;
    PropagateShow(false);
    m_visible = false;
    if (m_parent != nullptr) m_parent->OnMessage(this, kQRKMsgHidden, 0, 0, nullptr);
    if (m_manager != nullptr && m_manager->m_focusWindow == this) KillFocus();
    return true;
}

uint32_t IQRKWnd::GetDrawMode() { return m_drawMode; }

bool IQRKWnd::SetDrawMode(uint32_t mode) {
    if (m_manager == nullptr) return false;
    if (mode == m_drawMode) return true;
    if (m_parent != nullptr && m_parent->OnMessage(this, kQRKMsgDrawModeQuery, int32_t(mode), 0, nullptr) == 0)
        return false;
    m_drawMode = mode;
    if (m_parent != nullptr) m_parent->OnMessage(this, kQRKMsgDrawModeChanged, int32_t(mode), 0, nullptr);
    Refresh();
    return true;
}

bool IQRKWnd::PtInWindow(tagPOINT p) {
    return m_x <= p.x && int64_t(p.x) < int64_t(m_x) + m_width && m_y <= p.y &&
           int64_t(p.y) < int64_t(m_y) + m_height;
}

bool IQRKWnd::HitTest(tagPOINT p, const tagPOINT* origin) {
    tagPOINT o{};
    if (origin != nullptr) {
        o = *origin;
    } else if (!GetScreenPos(&o)) {
        return false;
    }
    return o.x <= p.x && int64_t(p.x) < int64_t(o.x) + m_width && o.y <= p.y &&
           int64_t(p.y) < int64_t(o.y) + m_height;
}

bool IQRKWnd::IsOnScreen(tagPOINT origin) {
    if (m_manager == nullptr) return false;
    const int64_t sx = int64_t(origin.x) + m_x, sy = int64_t(origin.y) + m_y;
    return sx + m_width > 0 && sx < m_manager->GetScreenWidth() && sy + m_height > 0 &&
           sy < m_manager->GetScreenHeight();
}

bool IQRKWnd::KillFocus() {
    if (m_manager == nullptr || m_manager->m_focusWindow != this) return false;
    return m_manager->ReleaseFocus();
}

int32_t IQRKWnd::GetX() { return m_x; }
int32_t IQRKWnd::GetY() { return m_y; }
int32_t IQRKWnd::GetWidth() { return m_width; }
int32_t IQRKWnd::GetHeight() { return m_height; }

bool IQRKWnd::GetRect(tagRECT* rect) {
    if (m_manager == nullptr) return false;
    *rect = {m_x, m_y, ClampToInt32(int64_t(m_x) + m_width), ClampToInt32(int64_t(m_y) + m_height)};
    return true;
}

bool IQRKWnd::IsShown() { return m_width != 0 && m_height != 0 && m_visible; }

bool IQRKWnd::GetScreenPos(tagPOINT* point) {
    if (m_manager == nullptr) return false;
    return GetScreenPosQuietly(point);
}

void IQRKWnd::Refresh() {
    for (IQRKWnd* w = m_firstChild; w != nullptr; w = w->m_next) w->Refresh();
}

void IQRKWnd::ParentToClient(tagPOINT* point) { *point = Offset(*point, -m_x, -m_y); }
void IQRKWnd::ClientToParent(tagPOINT* point) { *point = Offset(*point, m_x, m_y); }

int32_t IQRKWnd::GetLinkType() {
    if (m_manager == nullptr) return -1;
    if (m_parent == nullptr) return kQRKLinkTopLevel;
    const IQRKWnd* head = this;
    while (head->m_prev != nullptr) head = head->m_prev;
    if (m_parent->m_firstChild == head) return kQRKLinkChild;
    if (m_parent->m_firstOwned == head) return kQRKLinkOwned;
    if (m_parent->m_firstAttached == head) return kQRKLinkAttached;
    return -1;
}

bool IQRKWnd::SetOpacity(uint8_t level) {
    m_level = level;
    return Invalidate();
}

uint8_t IQRKWnd::GetOpacity() { return m_level; }

bool IQRKWnd::SetColorParams(uint32_t colour, int32_t red, int32_t green, int32_t blue) {
    if (red > 256 || green > 256 || blue > 256) return false;
    m_toneColour = colour;
    m_redFactor = red;
    m_greenFactor = green;
    m_blueFactor = blue;
    Invalidate();
    return true;
}

void IQRKWnd::GetColorParams(uint32_t* colour, int32_t* red, int32_t* green, int32_t* blue) {
    *colour = m_toneColour;
    *red = m_redFactor;
    *green = m_greenFactor;
    *blue = m_blueFactor;
}

void IQRKWnd::SetFocus() {
    if (m_manager != nullptr) m_manager->SetFocusWindow(this);
}

bool IQRKWnd::HasFocus() { return m_manager != nullptr && m_manager->m_focusWindow == this; }
bool IQRKWnd::ResetContents() { return true; }

bool IQRKWnd::IsDescendantOf(const IQRKWnd* window) {
    for (const IQRKWnd* w = m_parent; w != nullptr; w = w->m_parent)
        if (w == window) return true;
    return false;
}

CQRKWndMgr* IQRKWnd::GetManager() { return m_manager; }
IQRKWnd* IQRKWnd::GetParent() { return m_parent; }
const IQRKWnd* IQRKWnd::GetParent() const { return m_parent; }
IQRKWnd* IQRKWnd::GetPrev() { return m_prev; }
const IQRKWnd* IQRKWnd::GetPrev() const { return m_prev; }
IQRKWnd* IQRKWnd::GetNext() { return m_next; }
const IQRKWnd* IQRKWnd::GetNext() const { return m_next; }
IQRKWnd* IQRKWnd::GetFirstAttached() { return m_firstAttached; }
const IQRKWnd* IQRKWnd::GetFirstAttached() const { return m_firstAttached; }
IQRKWnd* IQRKWnd::GetFirstOwned() { return m_firstOwned; }
const IQRKWnd* IQRKWnd::GetFirstOwned() const { return m_firstOwned; }
IQRKWnd* IQRKWnd::GetFirstChild() { return m_firstChild; }
const IQRKWnd* IQRKWnd::GetFirstChild() const { return m_firstChild; }
bool IQRKWnd::IsPointInClient(tagPOINT) { return true; }
