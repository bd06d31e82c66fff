// The manager's operations the window base calls; the manager's own file
// replaces these bodies.
#include "windows/WndMgr.h"

#include "host/ErrorQueue.h"
#include "host/HostContext.h"

CQRKWndMgr::CQRKWndMgr() {
    QRKHostContext* host = QRKCurrentHost();
    m_errorQueue = host != nullptr ? host->errorQueue : nullptr;
}

CQRKWndMgr::~CQRKWndMgr() {
    // Every window leaves the tree before the manager goes.
    while (m_firstTopLevel != nullptr) {
        IQRKWnd* head = m_firstTopLevel;
        if (!head->Close() && m_firstTopLevel == head) head->DetachQuietly();
    }
}

bool CQRKWndMgr::SetFocusWindow(IQRKWnd* window) {
    if (window == nullptr) return false;
    if (m_focusWindow == window) return true;
    window->LeaveFocusChain();
    window->SetFocusChainLinks(m_focusWindow, nullptr);
    if (m_focusWindow != nullptr) m_focusWindow->SetFocusChainLinks(m_focusWindow->FocusChainPrev(), window);
    m_focusWindow = window;
    return true;
}

bool CQRKWndMgr::ReleaseFocus() {
    if (m_focusWindow == nullptr) return false;
    IQRKWnd* old = m_focusWindow;
    m_focusWindow = old->FocusChainPrev();
    old->LeaveFocusChain();
    return true;
}

void CQRKWndMgr::AddScreenDirtyRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    tagRECT* r = m_screenDirty.AddNew();
    const int64_t right = int64_t(x) + width, bottom = int64_t(y) + height;
    *r = {x, y, int32_t(right > INT32_MAX ? INT32_MAX : right), int32_t(bottom > INT32_MAX ? INT32_MAX : bottom)};
}

void CQRKWndMgr::ReportError(const char* text, bool fatal) {
    if (m_errorQueue != nullptr) m_errorQueue->ReportError(text, fatal);
}

void CQRKWndMgr::ForgetWindow(IQRKWnd* window) noexcept {
    if (m_focusWindow == window) m_focusWindow = window->FocusChainPrev();
    window->LeaveFocusChain();
}
