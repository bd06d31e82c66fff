#pragma once
// The raster library's shared scratch: one work sprite and one byte block.
//
// Several operations need a temporary image or table (the glyph outlines, the
// quarter turn, the wave warps, the eased offset blits, later the blurs and the
// maps). They share these two objects instead of allocating per call: both only
// grow, keep their last size and contents between calls, and hold undefined
// contents for every new user. Because they are shared, raster operations
// never run concurrently (all raster work runs on the GUI thread).
#include <cstdint>

#include "foundation/containers/MemoryBlock.h"
#include "raster/surface/sprite/Sprite.h"

class CRasterScratch {
public:
    CSprite& WorkSprite() noexcept { return m_work; }
    CMemoryBlock<unsigned char>& ScratchBlock() noexcept { return m_block; }

    // The scratch block holding at least `needed` bytes. When it holds fewer,
    // its buffer is freed and `allocate` bytes (at least `needed`) are taken
    // instead; a failed allocation throws std::bad_alloc and leaves the block
    // empty.
    unsigned char* ScratchBytes(uint64_t needed, uint64_t allocate);

    // Back to the start-up state: both empty.
    void Reset() noexcept;

private:
    CSprite m_work;
    CMemoryBlock<unsigned char> m_block;
};

// The process-wide scratch of the raster library.
CRasterScratch& RasterScratch();
inline CSprite& RasterWorkSprite() { return RasterScratch().WorkSprite(); }
inline CMemoryBlock<unsigned char>& RasterScratchBlock() { return RasterScratch().ScratchBlock(); }

namespace raster_test {
// Empties the work sprite and the scratch block, as at program start.
void ResetRasterScratch();
}  // namespace raster_test
