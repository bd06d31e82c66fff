#include "windows/WndMgr.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "host/ErrorQueue.h"
#include "host/HostContext.h"
#include "host/WindowCtrl.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

void ReportToHost(const char* text) {
    QRKHostContext* host = QRKCurrentHost();
    if (host != nullptr && host->errorQueue != nullptr) host->errorQueue->ReportError(text, false);
}

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
    QRKScreenRect* rect = m_screenDirty.AddNew();
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
    ReportToHost("\x93\xfc\x97\xcd\x83\x49\x83\x75\x83\x57\x83\x46\x83\x4e\x83\x67\x82\xaa\x90\xdd\x92\xe8\x82\xb3"
                 "\x82\xea\x82\xc4\x82\xa2\x82\xdc\x82\xb9\x82\xf1");
}
