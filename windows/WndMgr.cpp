#include "windows/WndMgr.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "host/ErrorQueue.h"
#include "host/HostContext.h"
#include "host/InputMgr.h"
#include "host/WindowCtrl.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

constexpr uint32_t kWheelInput = 3;

}  // namespace

bool CQRKWndMgr::SetScreenSize(int32_t width, int32_t height) {
    if (m_screen.HasImage() && m_screen.GetWidth() == width && m_screen.GetHeight() == height) return true;
    if (width < 0 || height < 0 || !IsSpriteSizeAllowed(width, height) || !IsRasterReady()) return false;
    // Everything new is made first; the old screen and maps go only once the
    // new ones exist, so a failed allocation keeps the previous screen usable.
    const int32_t columns = (width + 15) / 16;
    const int32_t rows = (height + 15) / 16;
    const uint64_t cells = static_cast<uint64_t>(columns) * static_cast<uint64_t>(rows) + 1;
    CSprite screen;
    CMemoryBlock<uint16_t> flags;
    CMemoryBlock<IQRKWnd*> owners;
    try {
        if (cells > UINT32_MAX) return false;
        if (!screen.Create(width, height, true)) return false;
        std::fill_n(flags.Alloc(static_cast<uint32_t>(cells)), cells, qrk_cells::kDirty);
        std::fill_n(owners.Alloc(static_cast<uint32_t>(cells)), cells, FreeCellMark());
    } catch (const std::bad_alloc&) {
        return false;
    }
    m_screen = std::move(screen);
    m_cellFlags = std::move(flags);
    m_cellOwners = std::move(owners);
    m_columns = columns;
    m_rows = rows;
    AddScreenDirtyRect(0, 0, width, height);
    return true;
}

void CQRKWndMgr::ReleaseScreen() noexcept {
    m_screen.Release();
    m_cellFlags.Free();
    m_cellOwners.Free();
    m_columns = 0;
    m_rows = 0;
}

void CQRKWndMgr::AddScreenDirtyRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    // Right and bottom saturate: a far-off window must not wrap onto the screen.
    const auto clamp = [](int64_t v) {
        return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
    };
    tagRECT* rect = m_screenDirty.AddNew();
    rect->left = x;
    rect->top = y;
    rect->right = clamp(int64_t{x} + width);
    rect->bottom = clamp(int64_t{y} + height);
}

QRKCellMap CQRKWndMgr::GetCellMap() noexcept {
    QRKCellMap map;
    if (m_cellFlags.GetBuffer() == nullptr || m_cellOwners.GetBuffer() == nullptr) return map;
    map.columns = m_columns;
    map.rows = m_rows;
    map.flags = m_cellFlags.GetBuffer();
    map.owners = m_cellOwners.GetBuffer();
    map.freeMark = FreeCellMark();
    return map;
}

bool CQRKWndMgr::GetMousePos(int32_t& x, int32_t& y) const {
    if (m_options & kStoredMousePoint) {
        x = m_storedX;
        y = m_storedY;
    } else {
        QRKHostContext* host = QRKCurrentHost();
        if (host == nullptr || host->host == nullptr || !host->host->GetMousePos(x, y)) return false;
    }
    x -= m_originX;
    y -= m_originY;
    return true;
}

void CQRKWndMgr::ReportNoInput() {
    // 入力オブジェクトが設定されていません
    ReportError("\x93\xfc\x97\xcd\x83\x49\x83\x75\x83\x57\x83\x46\x83\x4e\x83\x67\x82\xaa\x90\xdd\x92\xe8\x82\xb3"
                 "\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1",
                false);
}

CQRKWndMgr::CQRKWndMgr() {
    m_screenDirty.SetGrowthStep(10);
    QRKHostContext* host = QRKCurrentHost();
    m_errorQueue = host != nullptr ? host->errorQueue : nullptr;
}

void CQRKWndMgr::ReportError(const char* text, bool fatal) {
    if (m_errorQueue != nullptr) m_errorQueue->ReportError(text, fatal);
}

void CQRKWndMgr::ForgetWindow(IQRKWnd* window) noexcept {
    if (m_focusWindow == window) m_focusWindow = window->FocusChainPrev();
    window->LeaveFocusChain();
}

CQRKWndMgr::~CQRKWndMgr() {
    // Windows never message from their destructors: every window leaves the
    // tree here, while the manager and the windows are still whole.
    while (m_firstTopLevel != nullptr) {
        if (!m_firstTopLevel->Close()) {
            std::fputs("CQRKWndMgr: a top-level window refused to close\n", stderr);
            std::abort();
        }
    }
    ReleaseScreen();
}

bool CQRKWndMgr::SetUp(int32_t width, int32_t height, CQRKInputMgr* input) {
    if (!SetScreenSize(width, height)) return false;
    m_firstTopLevel = nullptr;
    m_focusWindow = nullptr;
    m_input = input;
    m_options = kFocusByClick | kMouseMessages;
    m_backgroundMode = kBackgroundNone;
    m_backgroundColour = 0;
    m_clickInput = 4;
    m_lastMouseX = -1;
    m_lastMouseY = -1;
    QRKHostContext* host = QRKCurrentHost();
    if (host != nullptr && host->host != nullptr) host->host->GetMousePos(m_lastMouseX, m_lastMouseY);
    m_originX = m_originY = 0;
    m_storedX = m_storedY = 0;
    m_modal = nullptr;
    m_focusChangeState = kFocusUnchanged;
    return true;
}

bool CQRKWndMgr::ProcessInput(int32_t mouseX, int32_t mouseY) {
    m_focusChangeState = kFocusUnchanged;
    if (m_options & kPollInput) {
        if (m_input != nullptr) {
            m_input->ClearFrameFlags();
            if (!m_input->Update()) return false;
        } else {
            ReportNoInput();
        }
    }
    if (m_firstTopLevel == nullptr) return true;
    if (m_options & kFocusByClick) {
        if (m_input != nullptr) {
            if (m_input->PeekPressedOrDouble(m_clickInput)) {
                IQRKWnd* hit = FindWindowAt(mouseX, mouseY);
                IQRKWnd* old = m_focusWindow;
                if (hit != nullptr && hit != m_focusWindow) SetFocusWindow(hit);
                if (m_focusWindow != old) m_focusChangeState = kFocusByClickChanged;
            }
        } else {
            ReportNoInput();
        }
    }
    if (m_options & kMouseMessages) {
        const bool moved = mouseX != m_lastMouseX || mouseY != m_lastMouseY;
        const int32_t wheel = m_input != nullptr ? m_input->GetAnalog(kWheelInput) : 0;
        if (!moved && wheel == 0) return true;
        int32_t local[2] = {0, 0};
        IQRKWnd* hit = FindWindowAt(mouseX, mouseY, &local[0], &local[1]);
        if (hit != nullptr) {
            if (moved) hit->OnMessage(nullptr, kQRKMsgMouseMoved, 0, 0, local);
            if (wheel != 0) {
                int32_t point[2] = {local[0], local[1]};
                hit->OnMessage(nullptr, kQRKMsgWheel, wheel, 0, point);
            }
        }
        m_lastMouseX = mouseX;
        m_lastMouseY = mouseY;
    }
    return true;
}

IQRKWnd* CQRKWndMgr::FindWindowAt(int32_t x, int32_t y, int32_t* outX, int32_t* outY) {
    // Depth first with an explicit stack of (window, next step). Steps of a
    // window: 0 its attached list, 1 its owned list (point in its client
    // frame), 2 its child list, 3 itself (point back in its own frame).
    struct Level {
        IQRKWnd* window;
        int32_t step;
    };
    Level stack[kMaxHitTestDepth];
    int32_t depth = 0;
    int32_t px = x;
    int32_t py = y;
    IQRKWnd* w = m_firstTopLevel;
    int32_t step = 0;
    for (;;) {
        if (w == nullptr) {
            if (depth == 0) return nullptr;
            --depth;
            w = stack[depth].window;
            step = stack[depth].step;
            continue;
        }
        IQRKWnd* list = nullptr;
        switch (step) {
            case 0:
                list = w->GetFirstAttached();
                step = 1;
                break;
            case 1:
                {
                    tagPOINT p{px, py};
                    w->ParentToClient(&p);
                    px = p.x;
                    py = p.y;
                }
                list = w->GetFirstOwned();
                step = 2;
                break;
            case 2: {
                if (w->IsVisible() && w->IsPointInClient(tagPOINT{px, py})) list = w->GetFirstChild();
                step = 3;
                break;
            }
            default:
                {
                    tagPOINT p{px, py};
                    w->ClientToParent(&p);
                    px = p.x;
                    py = p.y;
                }
                if (w->PtInWindow(tagPOINT{px, py}) && w->IsVisible() &&
                    w->OnMessage(nullptr, kQRKMsgHitAccept, 0, 0, nullptr) != 0) {
                    if (outX != nullptr) *outX = px;
                    if (outY != nullptr) *outY = py;
                    return w;
                }
                w = w->GetNext();
                step = 0;
                continue;
        }
        if (list != nullptr && depth < kMaxHitTestDepth) {
            stack[depth++] = Level{w, step};
            w = list;
            step = 0;
        }
    }
}

void CQRKWndMgr::RestoreFocus(IQRKWnd* window) {
    if (window == nullptr) return;
    IQRKWnd* delegate = nullptr;
    window->OnGetFocus(window, &delegate);
}

bool CQRKWndMgr::SetFocusWindow(IQRKWnd* window) {
    if (window == nullptr) return false;
    if (window == m_focusWindow) return true;
    if (m_modal != nullptr && window != m_modal && !window->IsDescendantOf(m_modal)) return false;
    // Routing: the highest ancestor whose byte for the list on the way says 1
    // (take it myself) or 2 (refuse) decides.
    IQRKWnd* target = window;
    bool refused = false;
    IQRKWnd* head = window;
    while (head->GetPrev() != nullptr) head = head->GetPrev();
    for (IQRKWnd* r = window->GetParent(); r != nullptr; r = r->GetParent()) {
        const uint32_t routing = r->GetFocusRouting();
        uint32_t byte = 0;
        if (head == r->GetFirstChild()) byte = routing & 0xFF;
        else if (head == r->GetFirstOwned()) byte = (routing >> 8) & 0xFF;
        else if (head == r->GetFirstAttached()) byte = (routing >> 16) & 0xFF;
        if (byte == 1) {
            target = r;
            refused = false;
        } else if (byte == 2) {
            refused = true;
        }
        head = r;
        while (head->GetPrev() != nullptr) head = head->GetPrev();
    }
    if (target == m_focusWindow) return true;
    if (refused) return false;
    if (m_focusWindow != nullptr && !m_focusWindow->OnKillFocus()) return false;
    int32_t redirections = 0;
    while (target != nullptr) {
        IQRKWnd* delegate = nullptr;
        const int32_t answer = target->OnGetFocus(m_focusWindow, &delegate);
        if (answer == 1) break;
        if ((answer == 2 || answer == 3) && redirections < kMaxFocusRedirections) {
            ++redirections;
            target = answer == 2 ? target->GetParent() : delegate;
            continue;
        }
        RestoreFocus(m_focusWindow);
        return false;
    }
    if (target == m_focusWindow) {
        RestoreFocus(m_focusWindow);
        return true;
    }
    if (target == nullptr) {
        // No window takes the focus: the whole history goes.
        for (IQRKWnd* p = m_focusWindow; p != nullptr;) {
            IQRKWnd* prev = p->FocusChainPrev();
            p->SetFocusChainLinks(nullptr, nullptr);
            p = prev;
        }
        m_focusWindow = nullptr;
    } else {
        IQRKWnd* prev = target->FocusChainPrev();
        IQRKWnd* next = target->FocusChainNext();
        if (prev != nullptr) prev->SetFocusChainLinks(prev->FocusChainPrev(), next);
        if (next != nullptr) next->SetFocusChainLinks(prev, next->FocusChainNext());
        target->SetFocusChainLinks(m_focusWindow, nullptr);
        if (m_focusWindow != nullptr) m_focusWindow->SetFocusChainLinks(m_focusWindow->FocusChainPrev(), target);
        m_focusWindow = target;
    }
    m_focusChangeState = kFocusChanged;
    if (m_firstTopLevel != nullptr) m_firstTopLevel->OnMessage(nullptr, kQRKMsgFocusChanged, 0, 0, nullptr);
    return true;
}

bool CQRKWndMgr::ReleaseFocus() {
    if (m_focusWindow == nullptr) return false;
    IQRKWnd* releasing = m_focusWindow;
    IQRKWnd* after = m_focusWindow;
    IQRKWnd* found = nullptr;
    for (IQRKWnd* p = after->FocusChainPrev(); p != nullptr; p = after->FocusChainPrev()) {
        // Cut the link between p and the window after it, both ways.
        after->SetFocusChainLinks(nullptr, after->FocusChainNext());
        p->SetFocusChainLinks(p->FocusChainPrev(), nullptr);
        IQRKWnd* delegate = nullptr;
        if (p->IsVisible() && p->OnGetFocus(releasing, &delegate) == 1) {
            found = p;
            break;
        }
        after = p;
    }
    m_focusWindow = found;
    m_focusChangeState = kFocusChanged;
    return true;
}

bool CQRKWndMgr::Draw(int32_t x, int32_t y, CSprite& target, int32_t sx, int32_t sy, int32_t width, int32_t height,
                      bool copyOnlyWhenChanged) {
    if (m_firstTopLevel == nullptr || !m_screen.HasImage()) {
        if (!copyOnlyWhenChanged && m_backgroundMode == kBackgroundFill && IsRasterReady()) {
            target.FillRectC(x, y, width, height, m_backgroundColour);
        }
        return false;
    }
    QRKCellMap map = GetCellMap();
    qrk_cells::ResetCells(map, m_backgroundMode == kBackgroundCopy ? qrk_cells::kDirty : qrk_cells::kClean);
    m_firstTopLevel->CollectDirtyTree(map.columns, map.rows, map.flags, map.owners, tagPOINT{0, 0});
    for (uint32_t i = 0; i < m_screenDirty.GetCount(); ++i) {
        const tagRECT* r = m_screenDirty.GetAt(i);
        qrk_cells::MarkRectDirty(map, r->left, r->top, r->right, r->bottom);
    }
    m_screenDirty.RemoveAll();
    m_firstTopLevel->AdjustCellsTree(map.columns, map.rows, map.flags, map.owners, tagPOINT{0, 0});
    const bool changed = qrk_cells::AnyDirty(map);
    if (changed && m_backgroundMode != kBackgroundNone && IsRasterReady()) {
        for (int32_t r = 0; r < map.rows; ++r) {
            for (int32_t c = 0; c < map.columns; ++c) {
                if (map.flags[static_cast<size_t>(r) * map.columns + c] != qrk_cells::kDirty) continue;
                if (m_backgroundMode == kBackgroundFill) {
                    m_screen.FillRectC(16 * c, 16 * r, 16, 16, m_backgroundColour);
                } else {
                    m_screen.DrawCopy(16 * c, 16 * r, target, 16 * c + x - sx, 16 * r + y - sy, 16, 16);
                }
            }
        }
    }
    if (changed) m_firstTopLevel->ComposeTree(m_screen, map.columns, map.rows, map.flags, map.owners, tagPOINT{0, 0});
    if ((changed || !copyOnlyWhenChanged) && IsRasterReady()) target.DrawCopy(x, y, m_screen, sx, sy, width, height);
    return changed;
}
