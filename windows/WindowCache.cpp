// The cached window's cache and painting; placeholder bodies until the
// cache's own file replaces them.
#include "windows/Window.h"

CQRKWnd::~CQRKWnd() {
    // The base destructor takes a window still in a tree out of it quietly.
    m_cache.Release();
}

void CQRKWnd::PaintStretched(int32_t, int32_t, int32_t, int32_t, CSprite&, int32_t, int32_t, int32_t, int32_t) {}
void CQRKWnd::Paint(int32_t, int32_t, CSprite&, int32_t, int32_t, int32_t, int32_t) {}

bool CQRKWnd::CreateCache(int32_t width, int32_t height) {
    m_width = width;
    m_height = height;
    return true;
}

bool CQRKWnd::ResizeCache(int32_t width, int32_t height) {
    m_width = width;
    m_height = height;
    return true;
}

void CQRKWnd::ReleaseCache() {
    m_cache.Release();
    m_width = 0;
    m_height = 0;
}
