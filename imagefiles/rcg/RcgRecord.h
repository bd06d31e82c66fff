#pragma once
// RCG records: one coded image of the system's own raster container.
//
// A record is a 14-byte little-endian header (total size, width, height, type)
// followed by a command stream that writes the image's pixels in buffer order
// (rows top to bottom, each left to right). The commands draw their colours from
// literal bytes in the stream or from three colour stores that the stream itself
// fills: a ring of 16 colours, a table of 256 and a dictionary of 65,536, each
// with a wrapping cursor. This header holds what the decoder, the encoders and
// the stream container share: the header layout, the command-byte fields, the
// store sizes and the decoder's result codes.
//
// Design note: the decoder is a free function over the destination sprite
// (`DecodeRcg(sprite, record, size)`) rather than a member of CSprite, so that
// the raster surface does not depend on the image-file layer.
#include <cstdint>
#include <cstring>

#include "foundation/containers/MemoryBlock.h"

class CSprite;

// ---------------------------------------------------------------------------
// Record header
// ---------------------------------------------------------------------------

inline constexpr uint32_t kRcgHeaderSize = 14;

// Header field offsets.
inline constexpr uint32_t kRcgOffsetTotalSize = 0;
inline constexpr uint32_t kRcgOffsetWidth = 4;
inline constexpr uint32_t kRcgOffsetHeight = 8;
inline constexpr uint32_t kRcgOffsetType = 12;

// Record types. A type with kRcgTypeStreamFlag set is a stream container
// (5 holds an RGB record, 6 an ARGB record).
inline constexpr uint16_t kRcgTypeRgb = 1;   // literal colours of 3 bytes B, G, R; alpha decodes as 0
inline constexpr uint16_t kRcgTypeArgb = 2;  // literal colours of 4 bytes B, G, R, A
inline constexpr uint16_t kRcgTypeStreamFlag = 4;

// Little-endian field access (no alignment needed).
inline uint16_t RcgGet16(const uint8_t* p) noexcept {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t RcgGet32(const uint8_t* p) noexcept {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline void RcgPut16(uint8_t* p, uint32_t value) noexcept {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}
inline void RcgPut32(uint8_t* p, uint32_t value) noexcept {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value >> 16);
    p[3] = static_cast<uint8_t>(value >> 24);
}

struct RcgRecordHeader {
    uint32_t totalSize = 0;  // whole record in bytes, header included
    uint32_t width = 0;      // pixels (a negative value as int32_t is refused by the decoder)
    uint32_t height = 0;
    uint16_t type = 0;
};

// Reads the header from at least kRcgHeaderSize bytes.
inline RcgRecordHeader RcgReadHeader(const uint8_t* record) noexcept {
    RcgRecordHeader h;
    h.totalSize = RcgGet32(record + kRcgOffsetTotalSize);
    h.width = RcgGet32(record + kRcgOffsetWidth);
    h.height = RcgGet32(record + kRcgOffsetHeight);
    h.type = RcgGet16(record + kRcgOffsetType);
    return h;
}

// Writes the header into kRcgHeaderSize bytes.
inline void RcgWriteHeader(uint8_t* record, const RcgRecordHeader& h) noexcept {
    RcgPut32(record + kRcgOffsetTotalSize, h.totalSize);
    RcgPut32(record + kRcgOffsetWidth, h.width);
    RcgPut32(record + kRcgOffsetHeight, h.height);
    RcgPut16(record + kRcgOffsetType, h.type);
}

// Bytes of one literal colour in a record of this type (1 or 2).
inline constexpr uint32_t RcgLiteralBytes(uint16_t type) noexcept { return type == kRcgTypeRgb ? 3u : 4u; }

// ---------------------------------------------------------------------------
// Command byte: bits 0-2 code, 3 cursor, 4 keep, 5 wide, 6-7 source
// ---------------------------------------------------------------------------

enum RcgCommandCode : uint8_t {
    kRcgSequence = 0,         // count pixels, one colour each
    kRcgRun = 1,              // count pixels of one colour
    kRcgTwoColourBlock = 2,   // two colours, 1 bit per pixel
    kRcgFourColourBlock = 3,  // four colours, 2 bits per pixel
    kRcgLoad = 4,             // loads stores or sets a cursor; no pixels
    kRcgRampBlock = 5,        // four colours of a 16-step ramp, 2 bits per pixel
    kRcgMaskedSequence = 6,   // mask bit 1 takes the next colour, 0 repeats
    kRcgMaskedRamp = 7,       // mask bit 1 steps along a ramp of K colours, 0 repeats
};

enum RcgSource : uint8_t {
    kRcgSourceLiteral = 0,
    kRcgSourceRing = 1,
    kRcgSourceTable = 2,
    kRcgSourceDictionary = 3,
};

inline constexpr uint8_t kRcgCodeMask = 0x07;
inline constexpr uint8_t kRcgCursorBit = 0x08;  // colours at the source's cursor, no index bytes
inline constexpr uint8_t kRcgKeepBit = 0x10;    // the ring receives the command's colours, rc = 0
inline constexpr uint8_t kRcgWideBit = 0x20;    // 16-bit pixel count (Load: part of the form)
inline constexpr uint32_t kRcgSourceShift = 6;

inline constexpr uint8_t RcgCodeOf(uint8_t command) noexcept { return command & kRcgCodeMask; }
inline constexpr uint8_t RcgSourceOf(uint8_t command) noexcept {
    return static_cast<uint8_t>(command >> kRcgSourceShift);
}
inline constexpr uint8_t RcgMakeCommand(uint8_t code, uint8_t source, uint8_t flags) noexcept {
    return static_cast<uint8_t>(code | flags | (source << kRcgSourceShift));
}

// Largest pixel count of one command: 255 narrow, 65,535 wide.
inline constexpr uint32_t kRcgMaxNarrowCount = 0xFF;
inline constexpr uint32_t kRcgMaxWideCount = 0xFFFF;

// Load with the keep bit: the form is bits 7-5 of the command byte
// (RcgLoadForm). n is the stored count plus one; the cursor bit adds a start
// operand (0 otherwise).
enum RcgLoadForm : uint8_t {
    kRcgLoadDictionaryLiterals = 0,      // 16-bit n-1, [16-bit start], n colours; dc, tc, rc = 0; table and ring copies
    kRcgLoadTableFromDictionary = 1,     // byte n-1, [byte start], n 16-bit indices; tc = 0; ring copy
    kRcgLoadDictionaryLiteralsOnly = 2,  // as 0 without the table copy
    kRcgLoadTableFromDictionaryOnly = 3, // as 1 without the ring copy
    kRcgLoadTableLiterals = 4,           // byte n-1, [byte start], n colours; tc = 0, rc = 0
    kRcgLoadRingFromDictionary = 5,      // byte n-1 (n <= 16), [byte start], n 16-bit indices; rc = 0
    kRcgLoadRingLiterals = 6,            // byte n-1 (n <= 16), [byte start], n colours; rc = 0
    kRcgLoadRingFromTable = 7,           // byte n-1 (n <= 16), [byte start], n table index bytes; rc = 0
};
inline constexpr uint8_t RcgLoadFormOf(uint8_t command) noexcept { return static_cast<uint8_t>(command >> 5); }

// Load with the keep bit clear and the cursor bit set is a product load into
// the store named by the source bits (ring, table, dictionary): start (byte, or
// 16-bit for the dictionary), mode byte, four counts minus one, then the value
// lists of red, green, blue, alpha. Channel i (0 red .. 3 alpha) uses mode bit
// 6 - 2i for ranges (byte pairs low..high) and bit 7 - 2i for the complement.
inline constexpr uint8_t RcgProductRangesBit(uint32_t channel) noexcept {
    return static_cast<uint8_t>(1u << (6 - 2 * channel));
}
inline constexpr uint8_t RcgProductComplementBit(uint32_t channel) noexcept {
    return static_cast<uint8_t>(1u << (7 - 2 * channel));
}

// Load with keep and cursor bits clear is a cursor set: ring one byte (& 15),
// table one byte, dictionary 16-bit; the literal source is invalid.

// ---------------------------------------------------------------------------
// Colour stores
// ---------------------------------------------------------------------------

inline constexpr uint32_t kRcgRingSize = 16;
inline constexpr uint32_t kRcgTableSize = 256;
inline constexpr uint32_t kRcgDictionarySize = 65536;
inline constexpr uint32_t kRcgScratchSize = 256;  // the colours of the current block or ramp
// The decoder state is one zero-filled allocation of this many words.
inline constexpr uint32_t kRcgStateWords = kRcgRingSize + kRcgTableSize + kRcgDictionarySize + kRcgScratchSize;

// The three stores and the scratch, with their cursors, all zero at the start of
// every record. The ring's keep rule is shared by the decoder and the
// encoders' model of it.
class RcgColourStores {
public:
    RcgColourStores() = default;
    RcgColourStores(const RcgColourStores&) = delete;
    RcgColourStores& operator=(const RcgColourStores&) = delete;

    // Allocates the zero-filled state; false when memory is short.
    bool Allocate() noexcept;

    uint32_t* Ring() noexcept { return m_words.GetBuffer(); }
    uint32_t* Table() noexcept { return m_words.GetBuffer() + kRcgRingSize; }
    uint32_t* Dictionary() noexcept { return m_words.GetBuffer() + kRcgRingSize + kRcgTableSize; }
    uint32_t* Scratch() noexcept { return m_words.GetBuffer() + kRcgRingSize + kRcgTableSize + kRcgDictionarySize; }

    // ring[0 .. min(n, 16) - 1] = colours[0 ..], rc = 0.
    void KeepInRing(const uint32_t* colours, uint32_t n) noexcept {
        uint32_t* ring = Ring();
        const uint32_t m = n < kRcgRingSize ? n : kRcgRingSize;
        for (uint32_t i = 0; i < m; ++i) ring[i] = colours[i];
        ringCursor = 0;
    }

    uint32_t ringCursor = 0;        // 0..15
    uint32_t tableCursor = 0;       // 0..255
    uint32_t dictionaryCursor = 0;  // 0..65535

private:
    CMemoryBlock<uint32_t> m_words;
};

// ---------------------------------------------------------------------------
// Decoder results (callers test zero against non-zero)
// ---------------------------------------------------------------------------

inline constexpr int32_t kRcgOk = 0;
inline constexpr int32_t kRcgShortRecord = 1;      // fewer than 14 bytes
inline constexpr int32_t kRcgBadType = 3;          // not 1 or 2 (after the stream container)
inline constexpr int32_t kRcgSizeMismatch = 4;     // header total size differs from the length
inline constexpr int32_t kRcgCannotCreate = 5;     // size refused or memory short
inline constexpr int32_t kRcgProductTooLarge = 123;  // product load with more colours than its store holds
inline constexpr int32_t kRcgEndMismatch = 136;    // pixels and command stream do not end together

// ---------------------------------------------------------------------------
// Operations
// ---------------------------------------------------------------------------

// Size of the raw record of n pixels: 14 + 3 x ceil(n / 65,535) + (3 or 4) x n.
inline constexpr uint64_t RcgRawRecordSize(uint64_t pixels, uint16_t type) noexcept {
    return kRcgHeaderSize + 3 * ((pixels + kRcgMaxWideCount - 1) / kRcgMaxWideCount) +
           RcgLiteralBytes(type) * pixels;
}

// The simplest valid record of the sprite: wide literal Sequence commands of at
// most 65,535 pixels. type 1 drops alpha. False, writing nothing, when the sprite
// has no pixels, the raster library is not ready, type is not 1 or 2, the
// record would not fit 32 bits, memory is short, or `out` already holds a buffer.
bool RcgBuildRawRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, uint16_t type);

// Decodes one record (types 1 and 2, or a stream container 5 and 6) into the
// sprite. The sprite is made anew at the record's size (opaque white) unless it
// already has that size. 0 on success, otherwise a result code; after a failure
// the pixels decoded so far remain.
int32_t DecodeRcg(CSprite& sprite, const uint8_t* record, uint32_t size);

// The bits set in n bytes (the colours a masked command reads): shared by the
// decoder and the stream container, which must count alike. No population-count
// instruction is assumed.
inline uint32_t RcgCountOnes(const uint8_t* bytes, uint32_t n) noexcept {
    auto ones64 = [](uint64_t x) {
        x = x - ((x >> 1) & 0x5555555555555555ull);
        x = (x & 0x3333333333333333ull) + ((x >> 2) & 0x3333333333333333ull);
        x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Full;
        return static_cast<uint32_t>((x * 0x0101010101010101ull) >> 56);
    };
    uint32_t ones = 0;
    uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        ones += ones64(word);
    }
    uint64_t tail = 0;
    for (uint32_t k = 0; i < n; ++i, k += 8) tail |= static_cast<uint64_t>(bytes[i]) << k;
    return ones + ones64(tail);
}
