#include "windows/widgets/FillWindow.h"

void QRKWFillWindow::Paint(int32_t dx, int32_t dy, CSprite& target, int32_t sx, int32_t sy, int32_t w, int32_t h) {
    if (!IsCreated() || !m_visible) return;
    // The requested part cut to the window, in 64 bits so that no sum wraps.
    int64_t x = dx, y = dy, width = w, height = h;
    if (uint32_t(sx) + uint64_t(uint32_t(w)) > uint32_t(m_width) && uint32_t(sx) <= uint32_t(m_width))
        width = int64_t{m_width} - sx;
    if (sx < 0) {
        x -= sx;
        width += sx;
    }
    if (uint32_t(sy) + uint64_t(uint32_t(h)) > uint32_t(m_height) && uint32_t(sy) <= uint32_t(m_height))
        height = int64_t{m_height} - sy;
    if (sy < 0) {
        y -= sy;
        height += sy;
    }
    if (width <= 0 || height <= 0 || x > INT32_MAX || y > INT32_MAX) return;
    target.FillRectByMode(int32_t(x), int32_t(y), int32_t(width), int32_t(height), colour, m_drawMode, m_level);
}

int32_t QRKWFillWindow::Process(CQRKInputMgr* input, IQRKWnd* focus, tagPOINT mouse, tagPOINT origin,
                                bool drawFrame) {
    int32_t result = IQRKWnd::Process(input, focus, mouse, origin, drawFrame);
    if (focus == this) result |= 1;
    return result;
}

void QRKWFillWindow::ComposeCells(CSprite& screen, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                                  tagPOINT origin) {
    ComposeCellsFromCache(screen, columns, rows, flags, owners, origin);
}

void QRKWFillWindow::MarkCells(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners, tagPOINT origin) {
    MarkOwnedCells(columns, rows, flags, owners, origin);
}

bool QRKWFillWindow::ResetContents() {
    colour = 0xFFFFFF;
    return true;
}
