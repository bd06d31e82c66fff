// Readers of the older RCG record layout: the record decoder and the stream
// container's unpacker.
//
// The record decoder walks the command stream once. A command byte names a
// pixel kind (its low three bits), which is also the block size of the colours
// a load brings in (0, 1, 2, 4, 16, 256, 65,536, 0); bits 6-7 say whether the
// command loads colours at the table's cursor, loads them at an explicit
// position, or names a table index. The load or index fixes the base that the
// kind's pixel values are added to; kinds 2-5 need a base aligned to their
// value range and kind 6 addresses the whole table from 0. Every operand is
// checked to be present before it is read and every count against the pixels
// left before anything is written.
//
// The unpacker decodes each stream by its coding (unit LZ tokens, optionally
// behind a run-length pre-stage) into a buffer that grows only with what is
// really decoded: lengths the container claims bound the output, they are never
// allocated ahead. Then the record is rebuilt by taking command bytes from
// stream 0 and each command's operands from their streams.
#include "imagefiles/rcg/RcgLegacy.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "imagefiles/rcg/RcgRecord.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// Block size by the low three bits of a command byte.
constexpr uint32_t kBlockSize[8] = {0, 1, 2, 4, 16, 256, 65536, 0};

constexpr uint16_t kTypeRgb = 1;
constexpr uint16_t kTypeArgb = 2;
constexpr uint16_t kTypeStreamFlag = 4;

constexpr uint8_t kNarrowBit = 0x10;  // 8-bit positions and indices
constexpr uint8_t kWideCountBit = 0x20;

inline uint32_t ReadColour(const uint8_t* p, uint32_t colourBytes) noexcept {
    if (colourBytes == 4) return RcgGet32(p);
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
}

// Writes count pixels T[base + v] for fields of `bits` bits (1, 2, 4, 8),
// most significant first; a last partial byte holds its fields in its low bits,
// the first of them highest. The caller checked alignment, so base + v < 65,536.
inline void WriteFields(uint32_t* out, const uint8_t* bytes, uint32_t count, uint32_t bits, const uint32_t* table,
                        uint32_t base) noexcept {
    const uint32_t perByte = 8 / bits;
    const uint32_t mask = (1u << bits) - 1;
    const uint32_t whole = count / perByte;
    const uint32_t* t = table + base;
    for (uint32_t i = 0; i < whole; ++i) {
        const uint32_t b = bytes[i];
        for (int32_t shift = static_cast<int32_t>(8 - bits); shift >= 0; shift -= static_cast<int32_t>(bits)) {
            *out++ = t[(b >> shift) & mask];
        }
    }
    const uint32_t rest = count % perByte;
    if (rest != 0) {
        const uint32_t b = bytes[whole];
        for (int32_t shift = static_cast<int32_t>((rest - 1) * bits); shift >= 0;
             shift -= static_cast<int32_t>(bits)) {
            *out++ = t[(b >> shift) & mask];
        }
    }
}

// Steps 3-7 of the decoder for a type 1 or 2 record of `size` bytes (>= 10).
int32_t DecodePlainLegacy(CSprite& sprite, const uint8_t* record, uint32_t size) {
    const uint16_t type = RcgGet16(record + 8);
    if (type != kTypeRgb && type != kTypeArgb) return kRcgLegacyBadType;
    if (RcgGet32(record) != size) return kRcgLegacySizeMismatch;
    const int32_t width = RcgGet16(record + 4);
    const int32_t height = RcgGet16(record + 6);
    // The sizes come from the file: the canvas rule is applied before anything
    // is allocated, and a failed allocation is a result, not an exception.
    if (sprite.HasImage() || !IsSpriteSizeAllowed(width, height)) return kRcgLegacyCannotCreate;
    CMemoryBlock<uint32_t> tableBlock;
    try {
        if (!sprite.Create(width, height, true)) return kRcgLegacyCannotCreate;
        tableBlock.Alloc(kRcgLegacyTableSize);
    } catch (const std::bad_alloc&) {
        return kRcgLegacyCannotCreate;
    }
    uint32_t* const table = tableBlock.GetBuffer();
    std::memset(table, 0, kRcgLegacyTableSize * sizeof(uint32_t));
    uint32_t cursor = 0;

    const uint32_t colourBytes = type == kTypeRgb ? 3 : 4;
    const uint8_t* p = record + kRcgLegacyHeaderSize;
    const uint8_t* const end = record + size;
    uint32_t* out = sprite.GetPixels();
    uint32_t left = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
    auto remaining = [&]() -> uint64_t { return static_cast<uint64_t>(end - p); };

    while (left > 0) {
        // A command byte with a one-byte operand and a one-byte count is the
        // shortest command; the index and position operands are therefore
        // always present once three bytes are.
        if (remaining() < 3) return kRcgLegacyCommandShort;
        const uint8_t c = *p++;
        const uint32_t kind = c & 7u;
        const uint32_t block = kBlockSize[kind];
        const bool narrow = (c & kNarrowBit) != 0;
        uint32_t base;
        if (c < 0x40) {
            // Load at the cursor, rounded up to the block size.
            if (block != 0) cursor = ((cursor + block - 1) / block * block) & 0xFFFFu;
            uint32_t n = block;
            if (block == 256) {
                n = *p++;
            } else if (block == 65536) {
                n = RcgGet16(p);
                p += 2;
            }
            if (remaining() < static_cast<uint64_t>(n) * colourBytes) return kRcgLegacyLoadShort;
            base = cursor;
            for (uint32_t i = 0; i < n; ++i, p += colourBytes) {
                table[(cursor + i) & 0xFFFFu] = ReadColour(p, colourBytes);
            }
            cursor = (cursor + n) & 0xFFFFu;
        } else if (c < 0x80) {
            // Load at an explicit position; the cursor stays.
            if (block == 0) return kRcgLegacyLoadWithoutBlock;
            uint32_t position;
            if (narrow) {
                position = *p++;
            } else {
                position = RcgGet16(p);
                p += 2;
            }
            if (remaining() < 1) return kRcgLegacyLoadShort;
            const uint32_t n = *p++;
            if (position + n > kRcgLegacyTableSize) return kRcgLegacyLoadBeyondTable;
            if (remaining() < static_cast<uint64_t>(n) * colourBytes) return kRcgLegacyLoadShort;
            for (uint32_t i = 0; i < n; ++i, p += colourBytes) table[position + i] = ReadColour(p, colourBytes);
            base = position / block * block;
        } else {
            // An index, no load (also for bits 7 and 6 both set).
            if (narrow) {
                base = *p++;
            } else {
                base = RcgGet16(p);
                p += 2;
            }
        }

        uint32_t count;
        if (c & kWideCountBit) {
            if (remaining() < 2) return kRcgLegacyCountShort;
            count = RcgGet16(p);
            p += 2;
        } else {
            if (remaining() < 1) return kRcgLegacyCountShort;
            count = *p++;
        }
        if (count > left) return kRcgLegacyCountAboveLeft;

        switch (kind) {
            case 0: {
                if (remaining() < static_cast<uint64_t>(count) * colourBytes) return kRcgLegacyLiteralsShort;
                if (colourBytes == 4) {
                    std::memcpy(out, p, static_cast<size_t>(count) * 4);
                    if constexpr (std::endian::native != std::endian::little) {
                        for (uint32_t i = 0; i < count; ++i) out[i] = RcgGet32(p + 4 * i);
                    }
                } else {
                    for (uint32_t i = 0; i < count; ++i) out[i] = ReadColour(p + 3 * i, 3);
                }
                p += static_cast<size_t>(count) * colourBytes;
                break;
            }
            case 1: {
                const uint32_t colour = table[base];
                for (uint32_t i = 0; i < count; ++i) out[i] = colour;
                break;
            }
            case 2:
            case 3:
            case 4:
            case 5: {
                const uint32_t bits = kind == 2 ? 1 : kind == 3 ? 2 : kind == 4 ? 4 : 8;
                if ((base & (block - 1)) != 0) return kRcgLegacyBaseMisaligned;
                const uint32_t perByte = 8 / bits;
                const uint64_t bytes = (static_cast<uint64_t>(count) + perByte - 1) / perByte;
                if (remaining() < bytes) return kRcgLegacyDataShort;
                WriteFields(out, p, count, bits, table, base);
                p += bytes;
                break;
            }
            case 6: {
                if (base != 0) return kRcgLegacyBaseMisaligned;
                if (remaining() < 2 * static_cast<uint64_t>(count)) return kRcgLegacyDataShort;
                for (uint32_t i = 0; i < count; ++i) out[i] = table[RcgGet16(p + 2 * i)];
                p += 2 * static_cast<size_t>(count);
                break;
            }
            default: return kRcgLegacyInvalidKind;
        }
        out += count;
        left -= count;
    }
    return p == end ? 0 : kRcgLegacyBytesAfterPixels;
}

// ---------------------------------------------------------------------------
// Stream codings
// ---------------------------------------------------------------------------

constexpr uint32_t kHistoryUnits = 32;

// Unit LZ tokens over in[0 .. n): `buffer` holds the zero history (history
// bytes) and grows by what the tokens produce, up to `plain` bytes after it.
int32_t DecodeUnitTokens(const uint8_t* in, size_t n, bool wideTokens, uint32_t unit, uint32_t plain,
                         std::vector<uint8_t>& buffer, size_t history) {
    size_t i = 0;
    while (i < n) {
        uint32_t token;
        if (wideTokens) {
            if (n - i < 2) return kRcgLegacyTokenShort;
            token = RcgGet16(in + i);
            i += 2;
        } else {
            token = in[i++];
        }
        const uint64_t produced = buffer.size() - history;
        const uint64_t length = static_cast<uint64_t>(token & 7u) * unit;
        const uint64_t distance = static_cast<uint64_t>(token >> 3) * unit;
        if (length != 0) {
            // Byte by byte, so an overlapping copy repeats bytes.
            if (distance == 0) return kRcgLegacyCopyDistanceZero;
            if (distance > buffer.size()) return kRcgLegacyCopyBeforeHistory;
            if (length > plain - produced) return kRcgLegacyCopyOverflow;
            const size_t to = buffer.size();
            buffer.resize(to + length);
            uint8_t* b = buffer.data();
            const size_t from = to - distance;
            for (size_t k = 0; k < length; ++k) b[to + k] = b[from + k];
        } else {
            if (distance > n - i) return kRcgLegacyLiteralShort;
            if (distance > plain - produced) return kRcgLegacyLiteralOverflow;
            buffer.insert(buffer.end(), in + i, in + i + distance);
            i += distance;
        }
    }
    return buffer.size() - history == plain ? 0 : kRcgLegacyLengthMismatch;
}

// The run-length pre-stage with element size e into `pre` (at most `limit` bytes).
int32_t DecodePreStage(const uint8_t* in, size_t n, uint32_t e, uint64_t limit, std::vector<uint8_t>& pre) {
    pre.clear();
    size_t i = 0;
    while (i < n) {
        const uint32_t b = in[i++];
        if (b >= 0x80) {
            if (i >= n) return kRcgLegacyPreLiteralHeaderShort;
            const uint64_t length = static_cast<uint64_t>((static_cast<uint32_t>(in[i++]) << 7) | (b & 0x7Fu)) * e;
            if (length > n - i) return kRcgLegacyPreLiteralShort;
            if (length > limit - pre.size()) return kRcgLegacyPreStageOverflow;
            pre.insert(pre.end(), in + i, in + i + length);
            i += length;
        } else if (b != 0) {
            if (pre.size() < e) return kRcgLegacyPreRepeatTooEarly;
            const uint64_t length = static_cast<uint64_t>(b) * e;
            if (length > limit - pre.size()) return kRcgLegacyPreStageOverflow;
            const size_t to = pre.size();
            pre.resize(to + length);
            uint8_t* q = pre.data();
            const size_t from = to - e;
            for (size_t k = 0; k < length; ++k) q[to + k] = q[from + k];
        }
    }
    return 0;
}

// Decodes one stream into `buffer`: history zero bytes, then exactly `plain`
// bytes. `pre` is the shared pre-stage scratch.
int32_t DecodeStreamWithHistory(const uint8_t* in, uint32_t stored, uint8_t coding, uint32_t unit, uint32_t plain,
                                uint64_t preStageLimit, std::vector<uint8_t>& buffer, size_t history,
                                std::vector<uint8_t>& pre) {
    buffer.assign(history, 0);
    switch (coding) {
        case 0:
        case 1: return DecodeUnitTokens(in, stored, coding == 1, unit, plain, buffer, history);
        case 2:
        case 3: {
            const int32_t r = DecodePreStage(in, stored, 1, preStageLimit, pre);
            if (r != 0) return r;
            return DecodeUnitTokens(pre.data(), pre.size(), coding == 3, unit, plain, buffer, history);
        }
        case 4: {
            const int32_t r = DecodePreStage(in, stored, unit, preStageLimit, pre);
            if (r != 0) return r;
            if (pre.size() != plain) return kRcgLegacyLengthMismatch;
            buffer.insert(buffer.end(), pre.begin(), pre.end());
            return 0;
        }
        case 5:
            if (stored != plain) return kRcgLegacyStoredMismatch;
            buffer.insert(buffer.end(), in, in + stored);
            return 0;
        default: return stored == 0 && plain == 0 ? 0 : kRcgLegacyUnknownCoding;
    }
}

// ---------------------------------------------------------------------------
// Container
// ---------------------------------------------------------------------------

constexpr uint32_t kMaxStreams = 16;
constexpr uint32_t kStreamCommands = 0;
constexpr uint32_t kStreamBytes8 = 1;
constexpr uint32_t kStreamBytes16 = 2;
constexpr uint32_t kStreamCount8 = 3;
constexpr uint32_t kStreamCount16 = 4;
constexpr uint32_t kStreamKindData = 5;  // kinds 2-6: streams 5-9
constexpr uint32_t kStreamLoad8 = 10;
constexpr uint32_t kStreamLoad16 = 11;
constexpr uint32_t kStreamColours = 12;  // whole colours, or the red plane
constexpr uint32_t kStreamGreen = 13;
constexpr uint32_t kStreamBlue = 14;
constexpr uint32_t kStreamAlpha = 15;

// Element width per stream (stream 12 of layout 0 is a whole colour).
constexpr uint32_t kStreamUnit[kMaxStreams] = {1, 1, 2, 1, 2, 1, 1, 1, 1, 2, 1, 2, 1, 1, 1, 1};

struct StreamReader {
    const uint8_t* p = nullptr;
    uint64_t left = 0;
};

class Rebuilder {
public:
    Rebuilder(uint8_t* out, uint64_t room, const std::vector<uint8_t>* streams, size_t history[kMaxStreams],
              bool planar, uint32_t colourBytes)
        : m_out(out), m_room(room), m_planar(planar), m_colourBytes(colourBytes) {
        for (uint32_t i = 0; i < kMaxStreams; ++i) {
            if (streams[i].size() > history[i]) {
                m_s[i].p = streams[i].data() + history[i];
                m_s[i].left = streams[i].size() - history[i];
            }
        }
    }

    int32_t Run() {
        StreamReader& commands = m_s[kStreamCommands];
        while (m_room > 0) {
            if (commands.left == 0) return kRcgLegacyCommandsEndMismatch;
            const uint8_t c = *commands.p++;
            --commands.left;
            *m_out++ = c;
            --m_room;
            const uint32_t kind = c & 7u;
            const uint32_t block = kBlockSize[kind];
            const bool narrow = (c & kNarrowBit) != 0;
            int32_t r;
            if (c >= 0xC0) {
                // The record decoder reads such a byte as an index without a
                // load, so a rebuilt load here could only be misread: refuse.
                return kRcgLegacyRebuildIndexLoad;
            }
            if (c >= 0x80) {
                if ((r = TakeOperand(narrow)) != 0) return r;
            } else if (c >= 0x40) {
                if ((r = TakeOperand(narrow)) != 0) return r;
                uint32_t n;
                if ((r = TakeLoadCount(kStreamLoad8, 1, n)) != 0) return r;
                if ((r = TakeColours(n)) != 0) return r;
            } else if (block <= 16) {
                if ((r = TakeColours(block)) != 0) return r;
            } else {
                uint32_t n;
                if ((r = TakeLoadCount(block == 256 ? kStreamLoad8 : kStreamLoad16, block == 256 ? 1 : 2, n)) != 0)
                    return r;
                if ((r = TakeColours(n)) != 0) return r;
            }
            const bool wideCount = (c & kWideCountBit) != 0;
            if ((r = Take(wideCount ? kStreamCount16 : kStreamCount8, wideCount ? 2 : 1, kRcgLegacyPixelCountShort,
                          kRcgLegacyPixelCountNoRoom)) != 0) {
                return r;
            }
            const uint32_t count = wideCount ? RcgGet16(m_out - 2) : m_out[-1];
            switch (kind) {
                case 0: r = TakeColours(count); break;
                case 1: break;
                case 2: r = TakeData(kind, (static_cast<uint64_t>(count) + 7) / 8); break;
                case 3: r = TakeData(kind, (static_cast<uint64_t>(count) + 3) / 4); break;
                case 4: r = TakeData(kind, (static_cast<uint64_t>(count) + 1) / 2); break;
                case 5: r = TakeData(kind, count); break;
                case 6: r = TakeData(kind, 2 * static_cast<uint64_t>(count)); break;
                default: return kRcgLegacyRebuildInvalidKind;
            }
            if (r != 0) return r;
        }
        return commands.left == 0 ? 0 : kRcgLegacyCommandsEndMismatch;
    }

private:
    int32_t Take(uint32_t stream, uint64_t n, int32_t shortCode, int32_t roomCode) {
        StreamReader& s = m_s[stream];
        if (s.left < n) return shortCode;
        if (m_room < n) return roomCode;
        if (n != 0) std::memcpy(m_out, s.p, n);
        s.p += n;
        s.left -= n;
        m_out += n;
        m_room -= n;
        return 0;
    }
    int32_t TakeOperand(bool narrow) {
        return narrow ? Take(kStreamBytes8, 1, kRcgLegacyBytesShort, kRcgLegacyBytesNoRoom)
                      : Take(kStreamBytes16, 2, kRcgLegacyBytesShort, kRcgLegacyBytesNoRoom);
    }
    int32_t TakeLoadCount(uint32_t stream, uint32_t bytes, uint32_t& n) {
        const int32_t r = Take(stream, bytes, kRcgLegacyLoadCountShort, kRcgLegacyLoadCountNoRoom);
        if (r != 0) return r;
        n = bytes == 1 ? m_out[-1] : RcgGet16(m_out - 2);
        return 0;
    }
    int32_t TakeData(uint32_t kind, uint64_t bytes) {
        return Take(kStreamKindData + kind - 2, bytes, kRcgLegacyPixelDataShort, kRcgLegacyPixelDataNoRoom);
    }
    int32_t TakeColours(uint64_t n) {
        if (!m_planar) return Take(kStreamColours, n * m_colourBytes, kRcgLegacyColoursShort, kRcgLegacyColoursNoRoom);
        // Byte 0 from the blue plane, 1 green, 2 red, 3 alpha.
        const uint32_t planes[4] = {kStreamBlue, kStreamGreen, kStreamColours, kStreamAlpha};
        for (uint32_t b = 0; b < m_colourBytes; ++b) {
            if (m_s[planes[b]].left < n) return kRcgLegacyColoursShort;
        }
        if (m_room < n * m_colourBytes) return kRcgLegacyColoursNoRoom;
        for (uint32_t b = 0; b < m_colourBytes; ++b) {
            StreamReader& s = m_s[planes[b]];
            for (uint64_t i = 0; i < n; ++i) m_out[i * m_colourBytes + b] = s.p[i];
            s.p += n;
            s.left -= n;
        }
        m_out += n * m_colourBytes;
        m_room -= n * m_colourBytes;
        return 0;
    }

    uint8_t* m_out;
    uint64_t m_room;
    bool m_planar;
    uint32_t m_colourBytes;
    StreamReader m_s[kMaxStreams];
};

int32_t UnpackLegacy(CMemoryBlock<unsigned char>& out, const uint8_t* container, uint32_t size) {
    if (container == nullptr || size == 0) return kRcgLegacyNoContainer;
    if (out.GetBuffer() != nullptr) return kRcgLegacyOutputNotEmpty;
    if (size < kRcgLegacyContainerHeaderSize) return kRcgLegacyContainerBadType;
    const uint16_t type = RcgGet16(container + 8);
    if (type != (kTypeRgb | kTypeStreamFlag) && type != (kTypeArgb | kTypeStreamFlag)) {
        return kRcgLegacyContainerBadType;
    }
    const uint16_t layout = RcgGet16(container + 14);
    if (layout > 1) return kRcgLegacyContainerBadLayout;
    if (RcgGet32(container) != size) return kRcgLegacyContainerSizeMismatch;
    const uint32_t streams = layout == 0 ? 13 : (type == 5 ? 15 : 16);
    const uint64_t descriptorsEnd = kRcgLegacyContainerHeaderSize + kRcgLegacyDescriptorSize * streams;
    if (size < descriptorsEnd) return kRcgLegacyContainerSizesDisagree;
    uint64_t total = descriptorsEnd;
    uint64_t plainTotal = 0;
    for (uint32_t i = 0; i < streams; ++i) {
        const uint8_t* d = container + kRcgLegacyContainerHeaderSize + kRcgLegacyDescriptorSize * i;
        total += RcgGet32(d + 1);
        plainTotal += RcgGet32(d + 5);
    }
    if (total != size) return kRcgLegacyContainerSizesDisagree;
    const uint32_t rebuilt = RcgGet32(container + 10);
    if (rebuilt < kRcgLegacyHeaderSize) return kRcgLegacyRebuiltTooShort;
    // Every byte after the header comes from a stream.
    if (rebuilt - kRcgLegacyHeaderSize > plainTotal) return kRcgLegacyRebuiltTooLong;

    const uint32_t colourBytes = type == 5 ? 3 : 4;
    const uint64_t preStageLimit = 2 * static_cast<uint64_t>(rebuilt);
    std::vector<uint8_t> decoded[kMaxStreams];
    size_t history[kMaxStreams] = {};
    try {
        std::vector<uint8_t> pre;
        const uint8_t* data = container + descriptorsEnd;
        for (uint32_t i = 0; i < streams; ++i) {
            const uint8_t* d = container + kRcgLegacyContainerHeaderSize + kRcgLegacyDescriptorSize * i;
            const uint8_t coding = d[0];
            const uint32_t stored = RcgGet32(d + 1);
            const uint32_t plain = RcgGet32(d + 5);
            const uint32_t unit = (i == kStreamColours && layout == 0) ? colourBytes : kStreamUnit[i];
            history[i] = kHistoryUnits * unit;
            const int32_t r =
                DecodeStreamWithHistory(data, stored, coding, unit, plain, preStageLimit, decoded[i], history[i], pre);
            if (r != 0) return r;
            data += stored;
        }
    } catch (const std::bad_alloc&) {
        return kRcgLegacyStreamNoMemory;
    }

    uint8_t* record;
    try {
        record = out.Alloc(rebuilt);
    } catch (const std::bad_alloc&) {
        return kRcgLegacyContainerNoMemory;
    }
    RcgPut32(record, rebuilt);
    std::memcpy(record + 4, container + 4, 4);  // width and height
    RcgPut16(record + 8, static_cast<uint32_t>(type - kTypeStreamFlag));
    Rebuilder rebuilder(record + kRcgLegacyHeaderSize, rebuilt - kRcgLegacyHeaderSize, decoded, history, layout == 1,
                        colourBytes);
    return rebuilder.Run();
}

}  // namespace

int32_t RcgDecodeStreamLegacy(const uint8_t* in, uint32_t storedSize, uint8_t coding, uint32_t unit,
                              uint32_t plainSize, uint64_t preStageLimit, std::vector<uint8_t>& out) {
    if (unit < 1 || unit > 4 || (in == nullptr && storedSize != 0)) return kRcgLegacyLengthMismatch;
    try {
        std::vector<uint8_t> pre;
        const size_t history = kHistoryUnits * unit;
        const int32_t r =
            DecodeStreamWithHistory(in, storedSize, coding, unit, plainSize, preStageLimit, out, history, pre);
        out.erase(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(history));
        return r;
    } catch (const std::bad_alloc&) {
        out.clear();
        return kRcgLegacyStreamNoMemory;
    }
}

int32_t RcgUnpackStreamsLegacy(CMemoryBlock<unsigned char>& out, const uint8_t* container, uint32_t size) {
    return UnpackLegacy(out, container, size);
}

int32_t RcgUnpackStreamsLegacy(CMemoryBlock<unsigned char>& out, const CMemoryBlock<unsigned char>& container) {
    return UnpackLegacy(out, container.GetBuffer(), container.GetCount());
}

int32_t DecodeRcgLegacy(CSprite& sprite, const uint8_t* record, uint32_t size) {
    if (record == nullptr || size < kRcgLegacyHeaderSize) return kRcgLegacyNoData;
    if (RcgGet16(record + 8) & kTypeStreamFlag) {
        // The rebuilt record has type 1 or 2, so this recurses no further.
        CMemoryBlock<unsigned char> rebuilt;
        const int32_t unpacked = UnpackLegacy(rebuilt, record, size);
        if (unpacked != 0) return unpacked;
        return DecodePlainLegacy(sprite, rebuilt.GetBuffer(), rebuilt.GetCount());
    }
    return DecodePlainLegacy(sprite, record, size);
}

int32_t DecodeRcgLegacy(CSprite& sprite, const CMemoryBlock<unsigned char>& record) {
    return DecodeRcgLegacy(sprite, record.GetBuffer(), record.GetCount());
}
