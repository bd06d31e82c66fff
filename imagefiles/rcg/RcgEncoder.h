#pragma once
// RCG record encoders.
//
// `RcgEncodeRecord` is what the container writer calls: it codes a sprite at a
// coding level (0-3) by trying the raw record, the block coder
// (`RcgEncodeBlocks`) and the stream container of either, keeping the smallest.
//
// The three spare encoders (run, quantising, ramp) write records of the same
// format into a buffer the caller supplies; nothing in the program calls them,
// they are kept as alternative coders and are read back by the same decoder.
//
// Every encoder here reports failure with false, also when memory runs short
// on a huge canvas: no allocation failure escapes as an exception.
#include <cstdint>

#include "foundation/containers/MemoryBlock.h"

class CSprite;

// Codes the sprite as one record of `type` (1 RGB, 2 ARGB) at `level`:
//   0  the raw record
//   1  the smaller of raw and block-coded
//   2  the smallest of raw, block-coded and the stream container of the block-coded record
//   3  as 2, and also the stream container of the raw record
// Sizes are compared in that order; on a tie the earlier candidate stays. On
// success `out` holds exactly the record (any earlier contents are released).
// False, with `out` unchanged, when the level is not 0-3 or a stage fails
// (no pixels, raster library not ready, bad type, memory short).
bool RcgEncodeRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, uint16_t type, int32_t level);

// The block coder: runs grouped into run, sequence, two- and four-colour,
// masked-sequence and ramp blocks, their colours loaded per segment as 512-colour
// cubes and a literal dictionary. `out` must be empty; on success it holds
// exactly the record. False when the sprite has no pixels or none at all
// (width x height = 0), the raster library is not ready, type is not 1 or 2,
// `out` already holds a buffer, or memory is short. A type-1 record stores no
// alpha, so its pixels decode with alpha 0 whatever the sprite held.
bool RcgEncodeBlocks(CMemoryBlock<unsigned char>& out, const CSprite& sprite, uint16_t type);

// ---------------------------------------------------------------------------
// Spare encoders. They write into out's existing buffer (capacity = its
// count), never allocating or growing it. The record header is written last;
// `size` receives the record's length, or 0 on failure. They require pixels,
// a non-zero pixel count, the raster library ready and a capacity of at least
// 20 bytes, and fail (leaving partial bytes) as soon as the rest of the buffer
// is smaller than the worst case of the next command.
// ---------------------------------------------------------------------------

// Lossless: runs of equal pixels as literal `Run`s, everything else as literal
// sequences. type 1 or 2.
bool RcgEncodeRunRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, uint16_t type, uint32_t& size);

// Reduces colours by `mode` and codes them through preloaded stores:
//   3      8 colours (top bit of each channel) in the ring
//   6      64 colours (top two bits) in the table
//   0, 9, 12, 15  32,768 15-bit colours in the dictionary
//   18, 21, 24    literal RGB (type 1)
//   32     literal ARGB
// Transparent black stays transparent black. Any other mode is refused.
bool RcgEncodeQuantisedRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, int32_t mode,
                              uint32_t& size);

// As the quantising encoder at mode 16 (15-bit through the dictionary), 24 or
// 32, and replaces stretches whose colours lie within `tolerance` (0-64) of a
// straight line by ramps (lossy unless the tolerance is 0 and the steps exact).
bool RcgEncodeRampRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, int32_t mode, int32_t tolerance,
                         uint32_t& size);

namespace rcg_detail {
// Test hook: when non-zero, any single work buffer of the record encoders
// larger than this many bytes is treated as an allocation failure, so tests can
// show what a canvas too large for memory does without allocating gigabytes.
void SetWorkAllocationLimit(uint64_t bytes) noexcept;
}  // namespace rcg_detail
