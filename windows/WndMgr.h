#pragma once
// The window manager: one window tree, its screen and the focus.
#include <cstdint>
#include <vector>

#include "windows/Window.h"

class CQRKErrorQueue;

class CQRKWndMgr {
public:
    CQRKWndMgr();
    CQRKWndMgr(const CQRKWndMgr&) = delete;
    CQRKWndMgr& operator=(const CQRKWndMgr&) = delete;

    // The end of every window procedure: the standard answers, and one report
    // per unknown code.
    virtual int32_t DefaultMessage(IQRKWnd* window, IQRKWnd* sender, uint32_t code, int32_t first, int32_t second,
                                   int32_t* point);
    virtual ~CQRKWndMgr();

    bool SetFocusWindow(IQRKWnd* window);
    bool ReleaseFocus();
    void AddScreenDirtyRect(int32_t x, int32_t y, int32_t width, int32_t height);

    IQRKWnd* GetFirstTopLevel() const noexcept { return m_firstTopLevel; }
    IQRKWnd* GetFocusWindow() const noexcept { return m_focusWindow; }
    int32_t GetScreenWidth() const noexcept { return m_screen.GetWidth(); }
    int32_t GetScreenHeight() const noexcept { return m_screen.GetHeight(); }
    CSprite& GetScreen() noexcept { return m_screen; }

    // Where the windows' reports go: the published host's queue unless set.
    void SetErrorQueue(CQRKErrorQueue* queue) noexcept { m_errorQueue = queue; }
    void ReportError(const char* text, bool fatal);

    // A window leaving the tree without going through the focus rules (a
    // destroyed window): no longer the focus window, out of the history.
    void ForgetWindow(IQRKWnd* window) noexcept;

private:
    friend class IQRKWnd;

    CSprite m_screen;
    IQRKWnd* m_firstTopLevel = nullptr;
    IQRKWnd* m_focusWindow = nullptr;
    int32_t m_focusChangeState = 0;
    CArrayAuto<tagRECT> m_screenDirty;
    CQRKErrorQueue* m_errorQueue = nullptr;
    // Unknown message codes reported so far (each is reported once).
    std::vector<uint32_t> m_reportedCodes;
};
