#include "windows/CellMap.h"

#include <algorithm>

#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/Sprite.h"

namespace qrk_cells {

namespace {

// Clamps a cell index computed in 64 bits into [0, limit].
int32_t ClampIndex(int64_t v, int32_t limit) noexcept {
    if (v < 0) return 0;
    if (v > limit) return limit;
    return static_cast<int32_t>(v);
}

inline size_t Index(const QRKCellMap& map, int32_t c, int32_t r) noexcept {
    return static_cast<size_t>(r) * static_cast<size_t>(map.columns) + static_cast<size_t>(c);
}

void ClaimRange(QRKCellMap& map, IQRKWnd* window, int32_t c0, int32_t c1, int32_t r0, int32_t r1) noexcept {
    for (int32_t r = r0; r < r1; ++r) {
        IQRKWnd** owner = map.owners + Index(map, c0, r);
        for (int32_t c = c0; c < c1; ++c, ++owner) {
            if (*owner == map.freeMark) *owner = window;
        }
    }
}

void TakeOverRange(QRKCellMap& map, IQRKWnd* window, int32_t c0, int32_t c1, int32_t r0, int32_t r1) noexcept {
    for (int32_t r = r0; r < r1; ++r) {
        const size_t i = Index(map, c0, r);
        for (int32_t c = c0; c < c1; ++c) {
            map.owners[i + static_cast<size_t>(c - c0)] = window;
            map.flags[i + static_cast<size_t>(c - c0)] = kClean;
        }
    }
}

// The cell range of a window rectangle at (sx, sy).
QRKCellRange WindowCells(const QRKCellMap& map, int64_t sx, int64_t sy, int64_t ex, int64_t ey) noexcept {
    return CellsOfRect(map, sx, sy, ex, ey);
}

}  // namespace

QRKCellRange CellsOfRect(const QRKCellMap& map, int64_t left, int64_t top, int64_t right, int64_t bottom) noexcept {
    QRKCellRange range;
    range.c0 = ClampIndex(left / 16, map.columns);
    range.r0 = ClampIndex(top / 16, map.rows);
    range.c1 = ClampIndex((right + 15) / 16, map.columns);
    range.r1 = ClampIndex((bottom + 15) / 16, map.rows);
    return range;
}

void MarkDirty(QRKCellMap& map, const QRKCellRange& range) noexcept {
    if (map.IsEmpty() || range.IsEmpty()) return;
    for (int32_t r = range.r0; r < range.r1; ++r) {
        std::fill_n(map.flags + Index(map, range.c0, r), range.c1 - range.c0, kDirty);
    }
}

void MarkRectDirty(QRKCellMap& map, int64_t left, int64_t top, int64_t right, int64_t bottom) noexcept {
    if (map.IsEmpty()) return;
    MarkDirty(map, CellsOfRect(map, left, top, right, bottom));
}

void MarkWindowRectDirty(QRKCellMap& map, int64_t sx, int64_t sy, int32_t width, int32_t height, int32_t left,
                         int32_t top, int32_t right, int32_t bottom) noexcept {
    const int64_t l = std::max<int32_t>(left, 0);
    const int64_t t = std::max<int32_t>(top, 0);
    const int64_t r = std::min(right, width);
    const int64_t b = std::min(bottom, height);
    if (l >= r || t >= b) return;
    MarkRectDirty(map, sx + l, sy + t, sx + r, sy + b);
}

void ClaimWindowCells(QRKCellMap& map, IQRKWnd* window, int64_t sx, int64_t sy, int32_t width, int32_t height,
                      uint32_t drawMode) noexcept {
    if (map.IsEmpty()) return;
    const int64_t ex = sx + width;
    const int64_t ey = sy + height;
    const QRKCellRange cells = WindowCells(map, sx, sy, ex, ey);
    if (cells.IsEmpty()) return;
    if (drawMode != draw_mode::Code(draw_mode::kCopy)) {
        ClaimRange(map, window, cells.c0, cells.c1, cells.r0, cells.r1);
        return;
    }
    // A COPY window hides every cell it covers whole. An edge strictly inside
    // the screen and off the cell lines leaves its column or row partly
    // uncovered: those cells are only claimed. Edges off the screen cut no
    // visible cell.
    const int64_t screenW = int64_t{16} * map.columns;
    const int64_t screenH = int64_t{16} * map.rows;
    const bool left = sx > 0 && sx < screenW && sx % 16 != 0;
    const bool top = sy > 0 && sy < screenH && sy % 16 != 0;
    const bool right = ex > 0 && ex < screenW && ex % 16 != 0;
    const bool bottom = ey > 0 && ey < screenH && ey % 16 != 0;
    const int32_t innerC0 = cells.c0 + (left ? 1 : 0);
    const int32_t innerC1 = cells.c1 - (right ? 1 : 0);
    const int32_t innerR0 = cells.r0 + (top ? 1 : 0);
    const int32_t innerR1 = cells.r1 - (bottom ? 1 : 0);
    if (left) ClaimRange(map, window, cells.c0, cells.c0 + 1, cells.r0, cells.r1);
    if (top) ClaimRange(map, window, innerC0, cells.c1, cells.r0, cells.r0 + 1);
    if (right) ClaimRange(map, window, cells.c1 - 1, cells.c1, innerR0, cells.r1);
    if (bottom) ClaimRange(map, window, innerC0, innerC1, cells.r1 - 1, cells.r1);
    if (innerC0 < innerC1 && innerR0 < innerR1) TakeOverRange(map, window, innerC0, innerC1, innerR0, innerR1);
}

bool OpaqueBlocksHide(uint32_t drawMode, uint8_t level) noexcept {
    switch (drawMode) {
        case draw_mode::Code(draw_mode::kAlpha):
        case draw_mode::Code(draw_mode::kLayer):
        case draw_mode::Code(draw_mode::kMixAlpha):
        case draw_mode::Code(draw_mode::kMixLayer):
            return true;
        case draw_mode::Code(draw_mode::kLayerBlend):
        case draw_mode::Code(draw_mode::kAlphaBlend):
        case draw_mode::Code(draw_mode::kMixLayerBlend):
        case draw_mode::Code(draw_mode::kMixAlphaBlend):
            return level == 255;
        default:
            return false;
    }
}

void ClaimOpaqueCells(QRKCellMap& map, IQRKWnd* window, int64_t sx, int64_t sy, int32_t width, int32_t height,
                      const CSprite& cache) noexcept {
    if (map.IsEmpty()) return;
    const uint8_t* mask = cache.GetOpacityMask();
    const int64_t ex = sx + std::min(cache.GetWidth(), width);
    const int64_t ey = sy + std::min(cache.GetHeight(), height);
    const QRKCellRange cells = WindowCells(map, sx, sy, ex, ey);
    if (cells.IsEmpty()) return;
    // Cells cut by an edge of the area are only claimed; an edge off the
    // screen makes the outermost column or row on the screen the edge.
    const bool left = sx % 16 != 0;
    const bool top = sy % 16 != 0;
    const bool right = ex % 16 != 0;
    const bool bottom = ey % 16 != 0;
    if (left) ClaimRange(map, window, cells.c0, cells.c0 + 1, cells.r0, cells.r1);
    if (right) ClaimRange(map, window, cells.c1 - 1, cells.c1, cells.r0, cells.r1);
    if (top) ClaimRange(map, window, cells.c0, cells.c1, cells.r0, cells.r0 + 1);
    if (bottom) ClaimRange(map, window, cells.c0, cells.c1, cells.r1 - 1, cells.r1);
    const int32_t innerC0 = cells.c0 + (left ? 1 : 0);
    const int32_t innerC1 = cells.c1 - (right ? 1 : 0);
    const int32_t innerR0 = cells.r0 + (top ? 1 : 0);
    const int32_t innerR1 = cells.r1 - (bottom ? 1 : 0);
    if (mask == nullptr) {
        ClaimRange(map, window, innerC0, innerC1, innerR0, innerR1);
        return;
    }
    // Inner cells lie wholly inside the area, so every block they overlap is
    // inside the cache and its mask.
    const int64_t maskStride = cache.GetMaskStride();
    for (int32_t r = innerR0; r < innerR1; ++r) {
        const int64_t y0 = int64_t{16} * r - sy;
        const int64_t by0 = y0 >> 2;
        const int64_t by1 = (y0 + 15) >> 2;
        for (int32_t c = innerC0; c < innerC1; ++c) {
            const int64_t x0 = int64_t{16} * c - sx;
            const int64_t bx0 = x0 >> 2;
            const int64_t bx1 = (x0 + 15) >> 2;
            bool opaque = true;
            for (int64_t by = by0; by <= by1 && opaque; ++by) {
                const uint8_t* row = mask + by * maskStride;
                for (int64_t bx = bx0; bx <= bx1; ++bx) {
                    const uint8_t bit = static_cast<uint8_t>(0x80u >> (2 * (bx & 3)));
                    if ((row[bx >> 2] & bit) == 0) {
                        opaque = false;
                        break;
                    }
                }
            }
            const size_t i = Index(map, c, r);
            if (opaque) {
                map.owners[i] = window;
                map.flags[i] = kClean;
            } else if (map.owners[i] == map.freeMark) {
                map.owners[i] = window;
            }
        }
    }
}

void ResetCells(QRKCellMap& map, uint16_t flag) noexcept {
    if (map.IsEmpty()) return;
    const size_t n = static_cast<size_t>(map.columns) * static_cast<size_t>(map.rows);
    std::fill_n(map.flags, n, flag);
    std::fill_n(map.owners, n, map.freeMark);
}

bool AnyDirty(const QRKCellMap& map) noexcept {
    if (map.IsEmpty()) return false;
    const size_t n = static_cast<size_t>(map.columns) * static_cast<size_t>(map.rows);
    for (size_t i = 0; i < n; ++i) {
        if (map.flags[i] == kDirty) return true;
    }
    return false;
}

}  // namespace qrk_cells
