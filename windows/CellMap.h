#pragma once
// The cell map of the composition: the screen cut into 16 x 16-pixel cells,
// each with a dirty flag and an owner.
//
// Flag 0 = dirty (repainted this frame), 1 = clean. The owner of a dirty cell
// decides who paints it: the free mark (the manager) when no window covers it,
// a window that must paint it first (windows below it skip the cell), or null
// once that window has painted it (every window above paints it too).
//
// A window "claims" a cell by becoming its owner when the cell is still free;
// it "takes a cell over" by becoming its owner and making it clean, whatever
// it was: an opaque window hides every change below it.
//
// Window rectangles are handed in as 64-bit screen positions: a window placed
// by document data can lie far outside the 32-bit range once its parents'
// positions are added.
#include <cstdint>

class CSprite;
class IQRKWnd;

struct QRKCellMap {
    int32_t columns = 0;
    int32_t rows = 0;
    uint16_t* flags = nullptr;
    IQRKWnd** owners = nullptr;
    // The owner of a cell no window has claimed.
    IQRKWnd* freeMark = nullptr;

    bool IsEmpty() const noexcept { return flags == nullptr || columns <= 0 || rows <= 0; }
};

// A range of cells, end exclusive.
struct QRKCellRange {
    int32_t c0 = 0;
    int32_t c1 = 0;
    int32_t r0 = 0;
    int32_t r1 = 0;
    bool IsEmpty() const noexcept { return c0 >= c1 || r0 >= r1; }
};

namespace qrk_cells {

constexpr uint16_t kDirty = 0;
constexpr uint16_t kClean = 1;

// The cells under the screen rectangle [left, right) x [top, bottom), clamped
// to the grid (divisions truncate toward zero).
QRKCellRange CellsOfRect(const QRKCellMap& map, int64_t left, int64_t top, int64_t right, int64_t bottom) noexcept;

// Every cell of the range becomes dirty.
void MarkDirty(QRKCellMap& map, const QRKCellRange& range) noexcept;
// The cells under a screen rectangle become dirty.
void MarkRectDirty(QRKCellMap& map, int64_t left, int64_t top, int64_t right, int64_t bottom) noexcept;
// A window's dirty rectangle (its own coordinates, right and bottom
// exclusive) clipped to its width x height, placed at (sx, sy) on the screen.
void MarkWindowRectDirty(QRKCellMap& map, int64_t sx, int64_t sy, int32_t width, int32_t height, int32_t left,
                         int32_t top, int32_t right, int32_t bottom) noexcept;

// Claims the cells of the window rectangle at (sx, sy); a COPY window
// (exactly 0x70000001) takes over the cells it covers whole and claims only
// those cut by one of its edges inside the screen.
void ClaimWindowCells(QRKCellMap& map, IQRKWnd* window, int64_t sx, int64_t sy, int32_t width, int32_t height,
                      uint32_t drawMode) noexcept;

// Whether a cache with an opacity mask hides what lies below its fully opaque
// blocks in this draw mode at this level.
bool OpaqueBlocksHide(uint32_t drawMode, uint8_t level) noexcept;

// The cells of a window whose cache carries an opacity mask: cells whose
// every overlapping 4 x 4 block is opaque are taken over, the rest claimed.
// The caller has checked OpaqueBlocksHide and the mask.
void ClaimOpaqueCells(QRKCellMap& map, IQRKWnd* window, int64_t sx, int64_t sy, int32_t width, int32_t height,
                      const CSprite& cache) noexcept;

// Step 2 of the composition: every flag becomes `flag`, every owner the free mark.
void ResetCells(QRKCellMap& map, uint16_t flag) noexcept;
// Whether any cell is dirty.
bool AnyDirty(const QRKCellMap& map) noexcept;

}  // namespace qrk_cells
