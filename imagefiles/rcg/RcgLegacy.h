#pragma once
// The older RCG record layout, read only.
//
// A legacy record is a 10-byte little-endian header (total size 32, width 16,
// height 16, type 16: 1 RGB with 3-byte colours decoding with alpha 0, 2 ARGB
// with 4-byte colours) and a command stream over one table of 65,536 colours
// with a 16-bit load cursor. Each command is a command byte, an optional load
// (at the cursor, or at a position) or an index, a pixel count (8 or 16 bits)
// and pixel data whose kind (the low three bits) is literal colours, a run of
// one table colour, or 1/2/4/8/16-bit table indices relative to a base.
//
// Types 5 and 6 are the legacy stream container of a type 1 or 2 record: a
// 16-byte header (total size, width, height, type, rebuilt length, layout),
// 9-byte stream descriptors (coding, stored length, plain length) and the
// streams. RcgUnpackStreamsLegacy decodes the streams and rebuilds the record;
// DecodeRcgLegacy decodes a record of either form.
//
// Nothing in the program writes this layout, and the container reader hands
// every record to the current decoder (RcgRecord.h); these readers are kept for
// old data and are as strict with untrusted input as the current ones.
//
// Design note: the decoder is a free function over the destination sprite
// rather than a member of CSprite, so that the raster surface does not depend
// on the image-file layer.
#include <cstdint>
#include <vector>

#include "foundation/containers/MemoryBlock.h"

class CSprite;

inline constexpr uint32_t kRcgLegacyHeaderSize = 10;
inline constexpr uint32_t kRcgLegacyContainerHeaderSize = 16;
inline constexpr uint32_t kRcgLegacyDescriptorSize = 9;
inline constexpr uint32_t kRcgLegacyTableSize = 65536;

// ---------------------------------------------------------------------------
// DecodeRcgLegacy results (callers test zero against non-zero)
// ---------------------------------------------------------------------------
inline constexpr int32_t kRcgLegacyNoData = 1;              // no record, or fewer than 10 bytes
inline constexpr int32_t kRcgLegacyBadType = 3;             // not 1 or 2 (after the container case)
inline constexpr int32_t kRcgLegacySizeMismatch = 4;        // total size differs from the length
inline constexpr int32_t kRcgLegacyCannotCreate = 5;        // sprite not empty, size refused, memory short
inline constexpr int32_t kRcgLegacyCommandShort = 6;        // fewer than 3 bytes where a command must start
inline constexpr int32_t kRcgLegacyLoadShort = 7;           // load count or colours missing
inline constexpr int32_t kRcgLegacyLoadBeyondTable = 8;     // position + n above 65,536
inline constexpr int32_t kRcgLegacyLoadWithoutBlock = 9;    // load at a position with block size 0
inline constexpr int32_t kRcgLegacyCountShort = 10;         // pixel count missing
inline constexpr int32_t kRcgLegacyInvalidKind = 11;        // pixel kind 7
inline constexpr int32_t kRcgLegacyLiteralsShort = 12;      // kind 0 colours missing
inline constexpr int32_t kRcgLegacyCountAboveLeft = 13;     // pixel count above the pixels left
inline constexpr int32_t kRcgLegacyDataShort = 14;          // kinds 2-6 data missing
inline constexpr int32_t kRcgLegacyBaseMisaligned = 16;     // base not aligned for its kind
inline constexpr int32_t kRcgLegacyBytesAfterPixels = 17;   // bytes left after the last pixel

// ---------------------------------------------------------------------------
// RcgUnpackStreamsLegacy results
// ---------------------------------------------------------------------------
inline constexpr int32_t kRcgLegacyNoContainer = 101;
inline constexpr int32_t kRcgLegacyContainerBadType = 102;     // shorter than 16 bytes, or type not 5 or 6
inline constexpr int32_t kRcgLegacyContainerBadLayout = 103;   // layout above 1
inline constexpr int32_t kRcgLegacyContainerSizeMismatch = 104;
inline constexpr int32_t kRcgLegacyContainerSizesDisagree = 105;  // 16 + 9 N + stored lengths
inline constexpr int32_t kRcgLegacyContainerNoMemory = 106;
inline constexpr int32_t kRcgLegacyOutputNotEmpty = 107;
inline constexpr int32_t kRcgLegacyRebuiltTooShort = 108;      // rebuilt length below its 10-byte header
inline constexpr int32_t kRcgLegacyRebuiltTooLong = 109;       // more than 10 + the streams' plain lengths
// Stream decoding.
inline constexpr int32_t kRcgLegacyUnknownCoding = 110;        // coding above 5 on a stream that is not empty
inline constexpr int32_t kRcgLegacyStoredMismatch = 111;       // stored stream whose lengths differ
inline constexpr int32_t kRcgLegacyPreLiteralHeaderShort = 112;
inline constexpr int32_t kRcgLegacyPreLiteralShort = 113;
inline constexpr int32_t kRcgLegacyPreStageOverflow = 114;     // output beyond twice the rebuilt length
inline constexpr int32_t kRcgLegacyPreRepeatTooEarly = 115;    // repeat before e bytes were produced
inline constexpr int32_t kRcgLegacyTokenShort = 116;           // trailing odd byte of 16-bit tokens
inline constexpr int32_t kRcgLegacyCopyDistanceZero = 117;
inline constexpr int32_t kRcgLegacyCopyBeforeHistory = 118;    // reaches before the 32-unit zero history
inline constexpr int32_t kRcgLegacyCopyOverflow = 119;         // beyond the plain length
inline constexpr int32_t kRcgLegacyLiteralShort = 120;
inline constexpr int32_t kRcgLegacyLiteralOverflow = 121;
inline constexpr int32_t kRcgLegacyLengthMismatch = 122;       // stream not exactly its plain length
// Rebuild: an operand's stream runs short, or the rebuilt record has no room.
inline constexpr int32_t kRcgLegacyBytesShort = 131;           // streams 1 and 2
inline constexpr int32_t kRcgLegacyBytesNoRoom = 132;
inline constexpr int32_t kRcgLegacyLoadCountShort = 135;       // streams 10 and 11
inline constexpr int32_t kRcgLegacyLoadCountNoRoom = 136;
inline constexpr int32_t kRcgLegacyColoursShort = 139;         // colour stream or plane
inline constexpr int32_t kRcgLegacyColoursNoRoom = 140;
inline constexpr int32_t kRcgLegacyPixelCountShort = 141;      // streams 3 and 4
inline constexpr int32_t kRcgLegacyPixelCountNoRoom = 142;
inline constexpr int32_t kRcgLegacyPixelDataShort = 145;       // streams 5-9
inline constexpr int32_t kRcgLegacyPixelDataNoRoom = 146;
inline constexpr int32_t kRcgLegacyRebuildInvalidKind = 147;   // kind 7
inline constexpr int32_t kRcgLegacyRebuildIndexLoad = 148;     // command byte with bits 7 and 6 set
inline constexpr int32_t kRcgLegacyCommandsEndMismatch = 173;  // stream 0 and the rebuilt length disagree
inline constexpr int32_t kRcgLegacyStreamNoMemory = 201;

// Decodes a legacy record (types 1 and 2, or a stream container 5 and 6) of
// `size` bytes into `sprite`, which must hold no image; it is created at the
// record's size, opaque white, when the canvas size rule allows that size.
// 0 on success, otherwise a result code (the unpacker's pass through); after a
// failure the sprite keeps the pixels decoded so far. Nothing is read beyond
// the record or written beyond the image.
int32_t DecodeRcgLegacy(CSprite& sprite, const uint8_t* record, uint32_t size);
int32_t DecodeRcgLegacy(CSprite& sprite, const CMemoryBlock<unsigned char>& record);

// Rebuilds the legacy record held in a stream container of `size` bytes into
// `out`, which must be empty; on 0 it holds exactly the record (its count is the
// record's length). Otherwise a result code; `out` may then hold a partial
// record. Every allocation is bounded by data actually decoded, never by a
// length the container merely claims.
int32_t RcgUnpackStreamsLegacy(CMemoryBlock<unsigned char>& out, const uint8_t* container, uint32_t size);
int32_t RcgUnpackStreamsLegacy(CMemoryBlock<unsigned char>& out, const CMemoryBlock<unsigned char>& container);

// Decodes one legacy stream of `storedSize` bytes under `coding` (0-5; any
// other only for an empty stream) into exactly `plainSize` bytes, replacing
// `out`. `unit` (1-4) is the stream's element width; the pre-stage of codings
// 2-4 may produce at most `preStageLimit` bytes. Back references reach into 32
// units of zeros before the stream, no further. 0 or one of the stream codes
// above (110-122, or 201 when memory is short).
int32_t RcgDecodeStreamLegacy(const uint8_t* in, uint32_t storedSize, uint8_t coding, uint32_t unit,
                              uint32_t plainSize, uint64_t preStageLimit, std::vector<uint8_t>& out);
