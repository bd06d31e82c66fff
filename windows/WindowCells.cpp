// The windows' side of the composition: the two passes over the tree and the
// cell routines of the window classes. Sibling lists are walked in a loop
// from the tail (lowest window) to the head; only the three sub-lists recurse,
// so a long list cannot exhaust the stack.
#include "windows/Window.h"
#include "windows/WndMgr.h"

#include <algorithm>

namespace {

QRKCellMap MakeMap(CQRKWndMgr* manager, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners) {
    QRKCellMap map;
    map.columns = columns;
    map.rows = rows;
    map.flags = flags;
    map.owners = owners;
    map.freeMark = manager != nullptr ? manager->FreeCellMark() : nullptr;
    return map;
}

}  // namespace

void IQRKWnd::MarkCells(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners, tagPOINT origin) {
    QRKCellMap map = MakeMap(m_manager, columns, rows, flags, owners);
    const int64_t sx = int64_t{origin.x} + m_x;
    const int64_t sy = int64_t{origin.y} + m_y;
    for (uint32_t i = 0; i < m_dirty.GetCount(); ++i) {
        const tagRECT* r = m_dirty.GetAt(i);
        qrk_cells::MarkWindowRectDirty(map, sx, sy, m_width, m_height, r->left, r->top, r->right, r->bottom);
    }
}

void IQRKWnd::MarkOwnedCells(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners, tagPOINT origin) {
    QRKCellMap map = MakeMap(m_manager, columns, rows, flags, owners);
    qrk_cells::ClaimWindowCells(map, this, int64_t{origin.x} + m_x, int64_t{origin.y} + m_y, m_width, m_height,
                                m_drawMode);
    IQRKWnd::MarkCells(columns, rows, flags, owners, origin);
}

void IQRKWnd::MarkOpaqueCells(const CSprite& cache, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                              tagPOINT origin) {
    if (cache.GetOpacityMask() == nullptr || !qrk_cells::OpaqueBlocksHide(m_drawMode, m_level)) {
        MarkOwnedCells(columns, rows, flags, owners, origin);
        return;
    }
    QRKCellMap map = MakeMap(m_manager, columns, rows, flags, owners);
    const int64_t sx = int64_t{origin.x} + m_x;
    const int64_t sy = int64_t{origin.y} + m_y;
    const QRKCellRange area = qrk_cells::CellsOfRect(map, sx, sy, sx + std::min(cache.GetWidth(), m_width),
                                                     sy + std::min(cache.GetHeight(), m_height));
    if (area.IsEmpty()) return;
    qrk_cells::ClaimOpaqueCells(map, this, sx, sy, m_width, m_height, cache);
    IQRKWnd::MarkCells(columns, rows, flags, owners, origin);
}

void IQRKWnd::ComposeCellsFromCache(CSprite& screen, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                                    tagPOINT origin) {
    QRKCellMap map = MakeMap(m_manager, columns, rows, flags, owners);
    const int64_t sx = int64_t{origin.x} + m_x;
    const int64_t sy = int64_t{origin.y} + m_y;
    const QRKCellRange cells = qrk_cells::CellsOfRect(map, sx, sy, sx + m_width, sy + m_height);
    for (int32_t r = cells.r0; r < cells.r1; ++r) {
        for (int32_t c = cells.c0; c < cells.c1; ++c) {
            const size_t i = static_cast<size_t>(r) * static_cast<size_t>(columns) + static_cast<size_t>(c);
            if (flags[i] != qrk_cells::kDirty || (owners[i] != nullptr && owners[i] != this)) continue;
            owners[i] = nullptr;
            Paint(16 * c, 16 * r, screen, static_cast<int32_t>(16 * c - sx), static_cast<int32_t>(16 * r - sy), 16,
                  16);
        }
    }
}

void IQRKWnd::ComposeCells(CSprite&, int32_t, int32_t, uint16_t*, IQRKWnd**, tagPOINT) {}

void IQRKWnd::CollectDirtyTree(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners, tagPOINT origin) {
    if (m_manager == nullptr) return;
    IQRKWnd* tail = this;
    while (tail->m_next != nullptr) tail = tail->m_next;
    for (IQRKWnd* w = tail;; w = w->m_prev) {
        if (w->m_manager != nullptr) {
            const tagPOINT inner{origin.x + w->m_x, origin.y + w->m_y};
            if (w->m_visible) {
                w->MarkCells(columns, rows, flags, owners, origin);
                w->m_dirty.RemoveAll();
                if (w->m_firstChild != nullptr) w->m_firstChild->CollectDirtyTree(columns, rows, flags, owners, inner);
            } else {
                w->m_dirty.RemoveAll();
            }
            if (w->m_firstOwned != nullptr) w->m_firstOwned->CollectDirtyTree(columns, rows, flags, owners, inner);
            if (w->m_firstAttached != nullptr)
                w->m_firstAttached->CollectDirtyTree(columns, rows, flags, owners, origin);
        }
        if (w == this) break;
    }
}

void IQRKWnd::AdjustCellsTree(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners, tagPOINT origin) {
    // Nothing changes at the window level; the walk is kept for windows that
    // override it.
    (void)columns;
    (void)rows;
    (void)flags;
    (void)owners;
    (void)origin;
}

void IQRKWnd::ComposeTree(CSprite& screen, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                          tagPOINT origin) {
    if (m_manager == nullptr) return;
    IQRKWnd* tail = this;
    while (tail->m_next != nullptr) tail = tail->m_next;
    for (IQRKWnd* w = tail;; w = w->m_prev) {
        if (w->m_manager != nullptr) {
            const tagPOINT inner{origin.x + w->m_x, origin.y + w->m_y};
            if (w->m_visible) {
                if (!w->m_firstProcess) w->ComposeCells(screen, columns, rows, flags, owners, origin);
                if (w->m_firstChild != nullptr)
                    w->m_firstChild->ComposeTree(screen, columns, rows, flags, owners, inner);
            }
            if (w->m_firstOwned != nullptr) w->m_firstOwned->ComposeTree(screen, columns, rows, flags, owners, inner);
            if (w->m_firstAttached != nullptr)
                w->m_firstAttached->ComposeTree(screen, columns, rows, flags, owners, origin);
        }
        if (w == this) break;
    }
}

void CQRKWnd::ComposeCells(CSprite& screen, int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners,
                           tagPOINT origin) {
    ComposeCellsFromCache(screen, columns, rows, flags, owners, origin);
}

void CQRKWnd::MarkCells(int32_t columns, int32_t rows, uint16_t* flags, IQRKWnd** owners, tagPOINT origin) {
    MarkOwnedCells(columns, rows, flags, owners, origin);
}
