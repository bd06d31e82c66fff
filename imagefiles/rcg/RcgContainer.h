#pragma once
// RCG container files: a short header, a table of record offsets and the
// records back to back (each record as RcgRecord.h describes it).
//
//   "RCG2" "0"  count (32-bit)  count x offset (32-bit)  records...   written and read
//   "RCG1" "1"  count (16-bit)  count x offset (32-bit)  records...   read only
//
// All numbers are little-endian; offsets count from the start of the file. A
// record begins with its own total length, so the reader takes exactly that
// many bytes from the record's offset.
#include <cstdint>

#include "foundation/containers/MemoryBlock.h"

class CSprite;

// ReadRcgFrame results.
inline constexpr int32_t kRcgFrameNone = 0;  // nothing read
inline constexpr int32_t kRcgFrameRcg1 = 11; // a record of an "RCG1" container
inline constexpr int32_t kRcgFrameRcg2 = 20; // a record of an "RCG2" container

// Reads record `index` of the container at `path` (code page 932) into `out`,
// which must be empty; on success the block holds the whole record and its
// count is the record's length. 0 when the file cannot be opened, is not a
// container, the index is negative or not below the count, or the table entry
// or record cannot be read whole (a record length beyond the end of the file
// is refused before anything is allocated). `out` is left empty on failure.
int32_t ReadRcgFrame(CMemoryBlock<unsigned char>& out, const char* path, int32_t index);

// Returns the sprite of record `index`.
using RcgImageGetter = const CSprite* (*)(const void* items, uint32_t index);

// The getter of a one-image container whose items pointer is the sprite itself:
// items for index 0, null for any other.
const CSprite* GetSingleSprite(const void* items, uint32_t index);

// Writes an "RCG2" container of `count` records, record i coded from
// getter(items, i) at the record type and coding level given. The file is
// written beside the target and replaces it only when everything succeeded:
// false (old file untouched) when a sprite is missing, a record cannot be
// coded, the container would exceed 4 GiB, or a write fails.
bool SaveRcgFile(const char* path, const void* items, uint32_t count, uint16_t type, RcgImageGetter getter,
                 int32_t level);
