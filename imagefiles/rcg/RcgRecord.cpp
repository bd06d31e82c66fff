// RCG record decoder and raw-record builder.
//
// The decoder walks the command stream once, writing pixels straight into the
// sprite's buffer (rows are contiguous, so the image is one array of
// width x height words and every command simply continues where the last one
// stopped). Each command first checks that all of its operand bytes are present
// and that its pixel count fits the pixels left, and only then reads and writes;
// nothing can read past the record or write past the image, whatever the input.
//
// Colours come from literal bytes or from the stores (ring 16, table 256,
// dictionary 65,536) that earlier commands loaded. The pixel loops are
// specialised per source through small inline readers, so a hot loop holds no
// indirect calls; runs are block fills and literal ARGB sequences one copy.
//
// Result codes tell the failing check apart (callers only test for zero); the
// numbers are listed beside each check.
#include "imagefiles/rcg/RcgRecord.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "imagefiles/rcg/RcgStreams.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

bool RcgColourStores::Allocate() noexcept {
    m_words.Free();
    try {
        uint32_t* words = m_words.Alloc(kRcgStateWords);
        std::memset(words, 0, kRcgStateWords * sizeof(uint32_t));
    } catch (const std::bad_alloc&) {
        return false;
    }
    ringCursor = tableCursor = dictionaryCursor = 0;
    return true;
}

namespace {

// Calls fn(bit) for count 1-bit fields, most significant bit first; a last
// partial byte holds its p fields in its low p bits.
template <class Fn>
inline void ForEachBit(const uint8_t* bytes, uint32_t count, Fn&& fn) {
    const uint32_t whole = count >> 3;
    for (uint32_t i = 0; i < whole; ++i) {
        const uint32_t b = bytes[i];
        for (int k = 7; k >= 0; --k) fn((b >> k) & 1u);
    }
    const uint32_t rest = count & 7;
    if (rest != 0) {
        const uint32_t b = bytes[whole];
        for (int k = static_cast<int>(rest) - 1; k >= 0; --k) fn((b >> k) & 1u);
    }
}

// The same for 2-bit fields (last byte: its p fields in the low 2p bits).
template <class Fn>
inline void ForEachPair(const uint8_t* bytes, uint32_t count, Fn&& fn) {
    const uint32_t whole = count >> 2;
    for (uint32_t i = 0; i < whole; ++i) {
        const uint32_t b = bytes[i];
        fn(b >> 6);
        fn((b >> 4) & 3u);
        fn((b >> 2) & 3u);
        fn(b & 3u);
    }
    const uint32_t rest = count & 3;
    if (rest != 0) {
        const uint32_t b = bytes[whole];
        for (int k = static_cast<int>(rest) - 1; k >= 0; --k) fn((b >> (2 * k)) & 3u);
    }
}

// Writes count pixels under a mask (bit 1 takes the next colour, 0 repeats the
// last, 0 before the first) without a branch per pixel: read(i) gives the
// i-th colour taken and must be safe to call for every i up to the number of
// ones (its value is then unused).
template <class Read>
inline uint32_t* MaskedWrite(const uint8_t* mask, uint32_t count, uint32_t* out, Read&& read) {
    uint32_t colour = 0;
    uint32_t next = 0;
    ForEachBit(mask, count, [&](uint32_t bit) {
        const uint32_t candidate = read(next);
        const uint32_t take = 0u - bit;
        colour = (candidate & take) | (colour & ~take);
        next += bit;
        *out++ = colour;
    });
    return out;
}

// Sets bits low..high (low <= high <= 255) of a 256-bit set.
inline void MarkRange(uint64_t* set, uint32_t low, uint32_t high) {
    for (uint32_t w = low >> 6; w <= (high >> 6); ++w) {
        const uint32_t from = w == (low >> 6) ? (low & 63) : 0;
        const uint32_t to = w == (high >> 6) ? (high & 63) : 63;
        const uint64_t upper = to == 63 ? ~uint64_t{0} : (uint64_t{1} << (to + 1)) - 1;
        set[w] |= upper & (~uint64_t{0} << from);
    }
}

// Error codes of a command's colour operands, by case.
struct ColourErrors {
    int32_t literalAtCursor;
    int32_t literalRgbShort;
    int32_t literalArgbShort;
    int32_t ringShort;
    int32_t tableShort;
    int32_t dictionaryShort;
};

class RecordDecoder {
public:
    RecordDecoder(const uint8_t* body, const uint8_t* end, uint32_t* pixels, uint32_t pixelCount, uint16_t type,
                  RcgColourStores& stores)
        : m_p(body), m_end(end), m_out(pixels), m_left(pixelCount), m_type(type),
          m_literalBytes(RcgLiteralBytes(type)), m_s(stores) {}

    int32_t Decode() {
        while (m_p < m_end) {
            if (m_left == 0) return kRcgEndMismatch;
            const uint8_t command = *m_p;
            int32_t result = 0;
            switch (RcgCodeOf(command)) {
                case kRcgSequence: result = Sequence(command); break;
                case kRcgRun: result = Run(command); break;
                case kRcgTwoColourBlock: result = TwoColourBlock(command); break;
                case kRcgFourColourBlock: result = FourColourBlock(command); break;
                case kRcgLoad: result = Load(command); break;
                case kRcgRampBlock: result = RampBlock(command); break;
                case kRcgMaskedSequence: result = MaskedSequence(command); break;
                default: result = MaskedRamp(command); break;
            }
            if (result != 0) return result;
        }
        return m_left != 0 ? kRcgEndMismatch : kRcgOk;
    }

private:
    size_t Remaining() const { return static_cast<size_t>(m_end - m_p); }
    bool Has(uint64_t n) const { return Remaining() >= n; }

    uint32_t LiteralAt(const uint8_t* q) const {
        if (m_type == kRcgTypeRgb) {
            return static_cast<uint32_t>(q[0]) | (static_cast<uint32_t>(q[1]) << 8) | (static_cast<uint32_t>(q[2]) << 16);
        }
        return RcgGet32(q);
    }

    uint32_t* StoreOf(uint8_t source) {
        return source == kRcgSourceRing ? m_s.Ring() : source == kRcgSourceTable ? m_s.Table() : m_s.Dictionary();
    }
    uint32_t& CursorOf(uint8_t source) {
        return source == kRcgSourceRing ? m_s.ringCursor
                                        : source == kRcgSourceTable ? m_s.tableCursor : m_s.dictionaryCursor;
    }
    static uint32_t MaskOf(uint8_t source) {
        return source == kRcgSourceRing ? kRcgRingSize - 1
                                        : source == kRcgSourceTable ? kRcgTableSize - 1 : kRcgDictionarySize - 1;
    }

    // Reads the command byte and the pixel count (one byte, or 16-bit with the
    // wide bit); the codes are for a short header, wide or narrow.
    bool Header(uint8_t command, uint32_t& count, int32_t wideShort, int32_t narrowShort, int32_t& error) {
        if (command & kRcgWideBit) {
            if (!Has(3)) {
                error = wideShort;
                return false;
            }
            count = RcgGet16(m_p + 1);
            m_p += 3;
        } else {
            if (!Has(2)) {
                error = narrowShort;
                return false;
            }
            count = m_p[1];
            m_p += 2;
        }
        return true;
    }

    // Fetches n (1, 2 or 4) colours for a command: explicit operands or at the
    // source's cursor (which then advances). 0 or the error code.
    int32_t FetchColours(uint8_t command, uint32_t n, uint32_t* colours, const ColourErrors& e) {
        const uint8_t source = RcgSourceOf(command);
        if (command & kRcgCursorBit) {
            if (source == kRcgSourceLiteral) return e.literalAtCursor;
            const uint32_t* store = StoreOf(source);
            const uint32_t mask = MaskOf(source);
            uint32_t& cursor = CursorOf(source);
            for (uint32_t i = 0; i < n; ++i) {
                colours[i] = store[cursor];
                cursor = (cursor + 1) & mask;
            }
            return 0;
        }
        switch (source) {
            case kRcgSourceLiteral: {
                if (!Has(static_cast<uint64_t>(n) * m_literalBytes)) {
                    return m_type == kRcgTypeRgb ? e.literalRgbShort : e.literalArgbShort;
                }
                for (uint32_t i = 0; i < n; ++i) {
                    colours[i] = LiteralAt(m_p);
                    m_p += m_literalBytes;
                }
                return 0;
            }
            case kRcgSourceRing: {
                const uint32_t bytes = n == 4 ? 2 : 1;
                if (!Has(bytes)) return e.ringShort;
                const uint32_t* ring = m_s.Ring();
                if (n == 1) {
                    colours[0] = ring[m_p[0] & 15];
                } else {
                    for (uint32_t i = 0; i < n; ++i) {
                        const uint8_t b = m_p[i >> 1];
                        colours[i] = ring[(i & 1) ? (b & 15) : (b >> 4)];
                    }
                }
                m_p += bytes;
                return 0;
            }
            case kRcgSourceTable: {
                if (!Has(n)) return e.tableShort;
                const uint32_t* table = m_s.Table();
                for (uint32_t i = 0; i < n; ++i) colours[i] = table[m_p[i]];
                m_p += n;
                return 0;
            }
            default: {
                if (!Has(2 * n)) return e.dictionaryShort;
                const uint32_t* dictionary = m_s.Dictionary();
                for (uint32_t i = 0; i < n; ++i) colours[i] = dictionary[RcgGet16(m_p + 2 * i)];
                m_p += 2 * n;
                return 0;
            }
        }
    }

    // Operand bytes of n explicit colours from this source.
    uint64_t ListBytes(uint8_t source, uint32_t n) const {
        switch (source) {
            case kRcgSourceLiteral: return static_cast<uint64_t>(n) * m_literalBytes;
            case kRcgSourceRing: return (static_cast<uint64_t>(n) + 1) / 2;
            case kRcgSourceTable: return n;
            default: return static_cast<uint64_t>(n) * 2;
        }
    }

    // The ring receives the 16 colours at a store's cursor (wrapping), rc = 0.
    void KeepFromCursor(uint8_t source) {
        const uint32_t* store = StoreOf(source);
        const uint32_t mask = MaskOf(source);
        const uint32_t cursor = CursorOf(source);
        uint32_t* ring = m_s.Ring();
        for (uint32_t i = 0; i < kRcgRingSize; ++i) ring[i] = store[(cursor + i) & mask];
        m_s.ringCursor = 0;
    }

    // Calls fn(next) with a reader of an explicit colour list at q; the reader
    // returns the list's colours in order.
    template <class Fn>
    void WithListReader(uint8_t source, const uint8_t* q, uint32_t n, Fn&& fn) {
        switch (source) {
            case kRcgSourceLiteral:
                if (m_type == kRcgTypeRgb) {
                    fn([q]() mutable {
                        const uint32_t c = static_cast<uint32_t>(q[0]) | (static_cast<uint32_t>(q[1]) << 8) |
                                           (static_cast<uint32_t>(q[2]) << 16);
                        q += 3;
                        return c;
                    });
                } else {
                    fn([q]() mutable {
                        const uint32_t c = RcgGet32(q);
                        q += 4;
                        return c;
                    });
                }
                break;
            case kRcgSourceRing: {
                const uint32_t* ring = m_s.Ring();
                // Two indices per byte, high nibble first; an odd last index
                // is the low nibble of the last byte.
                const uint32_t lastOdd = (n & 1) ? n - 1 : UINT32_MAX;
                fn([q, ring, lastOdd, i = 0u]() mutable {
                    const uint8_t b = q[i >> 1];
                    const uint32_t c = ring[((i & 1) || i == lastOdd) ? (b & 15) : (b >> 4)];
                    ++i;
                    return c;
                });
                break;
            }
            case kRcgSourceTable: {
                const uint32_t* table = m_s.Table();
                fn([q, table]() mutable { return table[*q++]; });
                break;
            }
            default: {
                const uint32_t* dictionary = m_s.Dictionary();
                fn([q, dictionary]() mutable {
                    const uint32_t c = dictionary[RcgGet16(q)];
                    q += 2;
                    return c;
                });
                break;
            }
        }
    }

    // ring[0 .. min(n, 16) - 1] = colours[0 ..], rc = 0 (as the stores' own
    // rule; a full ring is one fixed-size copy).
    void KeepInRing(const uint32_t* colours, uint32_t n) {
        uint32_t* ring = m_s.Ring();
        if (n >= kRcgRingSize) {
            std::memcpy(ring, colours, kRcgRingSize * sizeof(uint32_t));
        } else {
            for (uint32_t i = 0; i < n; ++i) ring[i] = colours[i];
        }
        m_s.ringCursor = 0;
    }

    void Advance(uint32_t pixels) {
        m_out += pixels;
        m_left -= pixels;
    }

    // ---- Commands ----

    int32_t Sequence(uint8_t command) {
        uint32_t count;
        int32_t error;
        if (!Header(command, count, 6, 7, error)) return error;
        const uint8_t source = RcgSourceOf(command);
        const bool keep = (command & kRcgKeepBit) != 0;
        if (command & kRcgCursorBit) {
            if (source == kRcgSourceLiteral) return 8;
            if (count > m_left) return source == kRcgSourceRing ? 9 : source == kRcgSourceTable ? 10 : 11;
            if (keep && source != kRcgSourceRing) KeepFromCursor(source);
            const uint32_t* store = StoreOf(source);
            const uint32_t mask = MaskOf(source);
            uint32_t& cursor = CursorOf(source);
            uint32_t c = cursor;
            for (uint32_t i = 0; i < count; ++i) {
                m_out[i] = store[c];
                c = (c + 1) & mask;
            }
            cursor = c;
            Advance(count);
            return 0;
        }
        static constexpr int32_t kData[4] = {0, 16, 18, 20};
        static constexpr int32_t kPixels[4] = {0, 17, 19, 21};
        const int32_t dataCode = source == kRcgSourceLiteral ? (m_type == kRcgTypeRgb ? 12 : 14) : kData[source];
        const int32_t pixelCode = source == kRcgSourceLiteral ? (m_type == kRcgTypeRgb ? 13 : 15) : kPixels[source];
        const uint64_t bytes = ListBytes(source, count);
        if (!Has(bytes)) return dataCode;
        if (count > m_left) return pixelCode;
        uint32_t* out = m_out;
        const uint8_t* q = m_p;
        switch (source) {
            case kRcgSourceLiteral:
                if (m_type == kRcgTypeArgb && std::endian::native == std::endian::little) {
                    std::memcpy(out, q, static_cast<size_t>(count) * 4);
                } else {
                    for (uint32_t i = 0; i < count; ++i) out[i] = LiteralAt(q + static_cast<size_t>(i) * m_literalBytes);
                }
                break;
            case kRcgSourceRing: {
                const uint32_t* ring = m_s.Ring();
                for (uint32_t i = 0; i + 1 < count; i += 2) {
                    const uint8_t b = q[i >> 1];
                    out[i] = ring[b >> 4];
                    out[i + 1] = ring[b & 15];
                }
                // An odd last index is the low nibble of the last byte.
                if (count & 1) out[count - 1] = ring[q[count >> 1] & 15];
                break;
            }
            case kRcgSourceTable: {
                const uint32_t* table = m_s.Table();
                for (uint32_t i = 0; i < count; ++i) out[i] = table[q[i]];
                break;
            }
            default: {
                const uint32_t* dictionary = m_s.Dictionary();
                for (uint32_t i = 0; i < count; ++i) out[i] = dictionary[RcgGet16(q + 2 * static_cast<size_t>(i))];
                break;
            }
        }
        m_p += bytes;
        if (keep && source != kRcgSourceRing) KeepInRing(out, count);
        Advance(count);
        return 0;
    }

    int32_t Run(uint8_t command) {
        uint32_t count;
        int32_t error;
        if (!Header(command, count, 22, 23, error)) return error;
        const uint8_t source = RcgSourceOf(command);
        const bool cursor = (command & kRcgCursorBit) != 0;
        uint32_t colour;
        const int32_t fetched = FetchColours(command, 1, &colour, ColourErrors{24, 28, 30, 32, 34, 36});
        if (fetched != 0) return fetched;
        if (count > m_left) {
            static constexpr int32_t kCursorPixels[4] = {0, 25, 26, 27};
            static constexpr int32_t kPixels[4] = {0, 33, 35, 37};
            if (cursor) return kCursorPixels[source];
            if (source == kRcgSourceLiteral) return m_type == kRcgTypeRgb ? 29 : 31;
            return kPixels[source];
        }
        std::fill_n(m_out, count, colour);
        if ((command & kRcgKeepBit) && source != kRcgSourceRing) KeepInRing(&colour, 1);
        Advance(count);
        return 0;
    }

    int32_t TwoColourBlock(uint8_t command) {
        uint32_t count;
        int32_t error;
        if (!Header(command, count, 38, 39, error)) return error;
        uint32_t c[2];
        const int32_t fetched = FetchColours(command, 2, c, ColourErrors{46, 40, 45, 47, 48, 49});
        if (fetched != 0) return fetched;
        const uint32_t bytes = (count + 7) >> 3;
        if (!Has(bytes)) return 50;
        if (count > m_left) return 51;
        uint32_t* out = m_out;
        ForEachBit(m_p, count, [&out, &c](uint32_t bit) { *out++ = c[bit]; });
        m_p += bytes;
        if (command & kRcgKeepBit) KeepInRing(c, 2);
        Advance(count);
        return 0;
    }

    int32_t FourColourBlock(uint8_t command) {
        uint32_t count;
        int32_t error;
        if (!Header(command, count, 52, 53, error)) return error;
        uint32_t c[4];
        const int32_t fetched = FetchColours(command, 4, c, ColourErrors{54, 55, 56, 57, 58, 59});
        if (fetched != 0) return fetched;
        const uint32_t bytes = (count + 3) >> 2;
        if (!Has(bytes)) return 60;
        if (count > m_left) return 61;
        uint32_t* out = m_out;
        ForEachPair(m_p, count, [&out, &c](uint32_t v) { *out++ = c[v]; });
        m_p += bytes;
        if (command & kRcgKeepBit) KeepInRing(c, 4);
        Advance(count);
        return 0;
    }

    int32_t RampBlock(uint8_t command) {
        uint32_t count;
        int32_t error;
        if (!Header(command, count, 76, 77, error)) return error;
        uint32_t pair[2];
        const int32_t fetched = FetchColours(command, 2, pair, ColourErrors{80, 78, 79, 81, 82, 83});
        if (fetched != 0) return fetched;
        if (!Has(1)) return 84;
        const uint8_t picks = *m_p++;
        const uint32_t bytes = (count + 3) >> 2;
        if (!Has(bytes)) return 85;
        if (count > m_left) return 86;
        uint32_t ramp[16];
        BuildColorRamp(pair[0], pair[1], ramp, 16);
        const uint32_t c[4] = {pair[0], ramp[picks >> 4], ramp[picks & 15], pair[1]};
        uint32_t* out = m_out;
        ForEachPair(m_p, count, [&out, &c](uint32_t v) { *out++ = c[v]; });
        m_p += bytes;
        if (command & kRcgKeepBit) KeepInRing(ramp, 16);
        Advance(count);
        return 0;
    }

    int32_t MaskedSequence(uint8_t command) {
        uint32_t count;
        int32_t error;
        if (!Header(command, count, 87, 88, error)) return error;
        const uint32_t maskBytes = (count + 7) >> 3;
        if (!Has(maskBytes)) return 89;
        if (count > m_left) return 90;
        const uint8_t* mask = m_p;
        const uint32_t k = RcgCountOnes(mask, maskBytes);
        m_p += maskBytes;
        const uint8_t source = RcgSourceOf(command);
        const bool keep = (command & kRcgKeepBit) != 0;
        uint32_t* out = m_out;
        if (command & kRcgCursorBit) {
            if (source == kRcgSourceLiteral) return 93;
            if (keep && source != kRcgSourceRing) KeepFromCursor(source);
            const uint32_t* store = StoreOf(source);
            const uint32_t storeMask = MaskOf(source);
            uint32_t& cursor = CursorOf(source);
            const uint32_t from = cursor;
            MaskedWrite(mask, count, out, [store, storeMask, from](uint32_t i) { return store[(from + i) & storeMask]; });
            cursor = (from + k) & storeMask;
        } else {
            const uint64_t bytes = ListBytes(source, k);
            if (!Has(bytes)) {
                static constexpr int32_t kShort[4] = {0, 94, 95, 96};
                if (source == kRcgSourceLiteral) return m_type == kRcgTypeRgb ? 91 : 92;
                return kShort[source];
            }
            const uint8_t* q = m_p;
            if (k == 0) {
                // No colour taken: every pixel repeats the initial 0.
                std::fill_n(out, count, 0u);
            } else {
                // Reads past the list's last colour are clamped to it.
                const uint32_t last = k - 1;
                switch (source) {
                    case kRcgSourceLiteral:
                        if (m_type == kRcgTypeRgb) {
                            MaskedWrite(mask, count, out, [q, last](uint32_t i) {
                                const uint8_t* c = q + static_cast<size_t>(std::min(i, last)) * 3;
                                return static_cast<uint32_t>(c[0]) | (static_cast<uint32_t>(c[1]) << 8) |
                                       (static_cast<uint32_t>(c[2]) << 16);
                            });
                        } else {
                            MaskedWrite(mask, count, out, [q, last](uint32_t i) {
                                uint32_t c;
                                std::memcpy(&c, q + static_cast<size_t>(std::min(i, last)) * 4, 4);
                                return c;
                            });
                        }
                        break;
                    case kRcgSourceRing: {
                        // Two indices per byte, high nibble first; an odd last
                        // index is the low nibble of the last byte.
                        const uint32_t* ring = m_s.Ring();
                        const uint32_t lastOdd = (k & 1) ? k - 1 : UINT32_MAX;
                        MaskedWrite(mask, count, out, [q, ring, last, lastOdd](uint32_t i) {
                            const uint32_t j = std::min(i, last);
                            const uint32_t shift = ((j & 1) != 0 || j == lastOdd) ? 0 : 4;
                            return ring[(q[j >> 1] >> shift) & 15];
                        });
                        break;
                    }
                    case kRcgSourceTable: {
                        const uint32_t* table = m_s.Table();
                        MaskedWrite(mask, count, out, [q, table, last](uint32_t i) { return table[q[std::min(i, last)]]; });
                        break;
                    }
                    default: {
                        const uint32_t* dictionary = m_s.Dictionary();
                        if (Has(bytes + 2)) {
                            // The record goes on past the list: the read one
                            // past its end stays inside and needs no clamp.
                            MaskedWrite(mask, count, out, [q, dictionary](uint32_t i) {
                                return dictionary[RcgGet16(q + 2 * static_cast<size_t>(i))];
                            });
                        } else {
                            MaskedWrite(mask, count, out, [q, dictionary, last](uint32_t i) {
                                return dictionary[RcgGet16(q + 2 * static_cast<size_t>(std::min(i, last)))];
                            });
                        }
                        break;
                    }
                }
            }
            if (keep && source != kRcgSourceRing) {
                uint32_t first[kRcgRingSize];
                const uint32_t m = std::min(k, kRcgRingSize);
                WithListReader(source, m_p, k, [&](auto next) {
                    for (uint32_t i = 0; i < m; ++i) first[i] = next();
                });
                KeepInRing(first, m);
            }
            m_p += bytes;
        }
        Advance(count);
        return 0;
    }

    int32_t MaskedRamp(uint8_t command) {
        uint32_t count;
        int32_t error;
        if (!Header(command, count, 97, 98, error)) return error;
        const uint32_t maskBytes = (count + 7) >> 3;
        if (!Has(maskBytes)) return 99;
        if (count > m_left) return 100;
        const uint8_t* mask = m_p;
        const uint32_t k = RcgCountOnes(mask, maskBytes);
        m_p += maskBytes;
        uint32_t pair[2];
        const int32_t fetched = FetchColours(command, 2, pair, ColourErrors{103, 101, 102, 104, 105, 106});
        if (fetched != 0) return fetched;
        if (k < 2 || k > kRcgScratchSize) return 107;
        uint32_t* ramp = m_s.Scratch();
        BuildColorRamp(pair[0], pair[1], ramp, static_cast<int32_t>(k));
        // k <= 256 colours in the 256-word scratch; a read one past the last
        // wraps inside it and is unused.
        MaskedWrite(mask, count, m_out, [ramp](uint32_t i) { return ramp[i & (kRcgScratchSize - 1)]; });
        if (command & kRcgKeepBit) KeepInRing(ramp, k);
        Advance(count);
        return 0;
    }

    // ---- Load ----

    int32_t Load(uint8_t command) {
        const uint8_t source = RcgSourceOf(command);
        if (command & kRcgKeepBit) return StoreLoad(command);
        if (command & kRcgCursorBit) return ProductLoad(source);
        // Cursor set.
        switch (source) {
            case kRcgSourceLiteral: return 72;
            case kRcgSourceRing:
                if (!Has(2)) return 73;
                m_s.ringCursor = m_p[1] & 15u;
                m_p += 2;
                return 0;
            case kRcgSourceTable:
                if (!Has(2)) return 74;
                m_s.tableCursor = m_p[1];
                m_p += 2;
                return 0;
            default:
                if (!Has(3)) return 75;
                m_s.dictionaryCursor = RcgGet16(m_p + 1);
                m_p += 3;
                return 0;
        }
    }

    // Codes of one load form: count missing, n over the form's limit, start
    // missing, start + n over the store, items short (RGB / ARGB literals or indices).
    struct LoadErrors {
        int32_t countMissing;
        int32_t tooMany;
        int32_t startMissing;
        int32_t overStore;
        int32_t itemsShort;
        int32_t itemsShortArgb;
    };

    int32_t StoreLoad(uint8_t command) {
        const uint8_t form = RcgLoadFormOf(command);
        const bool hasStart = (command & kRcgCursorBit) != 0;
        const bool wideOperands = form == kRcgLoadDictionaryLiterals || form == kRcgLoadDictionaryLiteralsOnly;
        // Limits and codes by form.
        uint32_t maxN, storeSize;
        LoadErrors e{};
        switch (form) {
            case kRcgLoadDictionaryLiterals:
            case kRcgLoadDictionaryLiteralsOnly:
                maxN = kRcgDictionarySize;
                storeSize = kRcgDictionarySize;
                e = LoadErrors{62, 0, 124, 125, 63, 64};
                break;
            case kRcgLoadTableLiterals:
                maxN = kRcgTableSize;
                storeSize = kRcgTableSize;
                e = LoadErrors{65, 0, 126, 127, 66, 67};
                break;
            case kRcgLoadTableFromDictionary:
            case kRcgLoadTableFromDictionaryOnly:
                maxN = kRcgTableSize;
                storeSize = kRcgTableSize;
                e = LoadErrors{109, 0, 130, 131, 110, 110};
                break;
            case kRcgLoadRingFromDictionary:
                maxN = kRcgRingSize;
                storeSize = kRcgRingSize;
                e = LoadErrors{109, 111, 132, 133, 110, 110};
                break;
            case kRcgLoadRingLiterals:
                maxN = kRcgRingSize;
                storeSize = kRcgRingSize;
                e = LoadErrors{68, 69, 128, 129, 70, 71};
                break;
            default:  // kRcgLoadRingFromTable
                maxN = kRcgRingSize;
                storeSize = kRcgRingSize;
                e = LoadErrors{112, 113, 134, 135, 114, 114};
                break;
        }
        const uint32_t operandBytes = wideOperands ? 2 : 1;
        const uint8_t* q = m_p + 1;
        if (!Has(1 + operandBytes)) return e.countMissing;
        const uint32_t n = (wideOperands ? RcgGet16(q) : *q) + 1u;
        q += operandBytes;
        if (n > maxN) return e.tooMany;
        uint32_t start = 0;
        if (hasStart) {
            if (static_cast<size_t>(m_end - q) < operandBytes) return e.startMissing;
            start = wideOperands ? RcgGet16(q) : *q;
            q += operandBytes;
        }
        if (start + n > storeSize) return e.overStore;
        const bool literals = form == kRcgLoadDictionaryLiterals || form == kRcgLoadDictionaryLiteralsOnly ||
                              form == kRcgLoadTableLiterals || form == kRcgLoadRingLiterals;
        const bool dictionaryIndices = form == kRcgLoadTableFromDictionary ||
                                       form == kRcgLoadTableFromDictionaryOnly || form == kRcgLoadRingFromDictionary;
        const uint64_t itemBytes =
            static_cast<uint64_t>(n) * (literals ? m_literalBytes : dictionaryIndices ? 2u : 1u);
        if (static_cast<uint64_t>(m_end - q) < itemBytes) {
            return literals && m_type == kRcgTypeArgb ? e.itemsShortArgb : e.itemsShort;
        }
        uint32_t* ring = m_s.Ring();
        uint32_t* table = m_s.Table();
        uint32_t* dictionary = m_s.Dictionary();
        switch (form) {
            case kRcgLoadDictionaryLiterals:
            case kRcgLoadDictionaryLiteralsOnly:
                for (uint32_t i = 0; i < n; ++i) dictionary[start + i] = LiteralAt(q + static_cast<size_t>(i) * m_literalBytes);
                m_s.dictionaryCursor = 0;
                if (form == kRcgLoadDictionaryLiterals) {
                    std::copy_n(dictionary, std::min(n, kRcgTableSize), table);
                    m_s.tableCursor = 0;
                }
                KeepInRing(dictionary, n);
                break;
            case kRcgLoadTableLiterals:
                for (uint32_t i = 0; i < n; ++i) table[start + i] = LiteralAt(q + static_cast<size_t>(i) * m_literalBytes);
                m_s.tableCursor = 0;
                // The ring takes the start of the store just loaded, as the
                // dictionary forms do.
                KeepInRing(table, n);
                break;
            case kRcgLoadTableFromDictionary:
            case kRcgLoadTableFromDictionaryOnly:
                for (uint32_t i = 0; i < n; ++i) table[start + i] = dictionary[RcgGet16(q + 2 * i)];
                m_s.tableCursor = 0;
                if (form == kRcgLoadTableFromDictionary) std::copy_n(table, std::min(n, kRcgRingSize), ring);
                break;
            case kRcgLoadRingFromDictionary:
                for (uint32_t i = 0; i < n; ++i) ring[start + i] = dictionary[RcgGet16(q + 2 * i)];
                m_s.ringCursor = 0;
                break;
            case kRcgLoadRingLiterals:
                for (uint32_t i = 0; i < n; ++i) ring[start + i] = LiteralAt(q + static_cast<size_t>(i) * m_literalBytes);
                m_s.ringCursor = 0;
                break;
            default:
                for (uint32_t i = 0; i < n; ++i) ring[start + i] = table[q[i]];
                m_s.ringCursor = 0;
                break;
        }
        m_p = q + itemBytes;
        return 0;
    }

    // A product load: every combination of per-channel value lists. The colour
    // count is refused when it exceeds the target store (a larger product would
    // only overwrite itself, and would let a few bytes of input run billions of
    // iterations).
    int32_t ProductLoad(uint8_t source) {
        if (source == kRcgSourceLiteral) return 115;
        const bool wideStart = source == kRcgSourceDictionary;
        if (!Has(wideStart ? 8 : 7)) return wideStart ? 117 : 116;
        const uint8_t* q = m_p + 1;
        const uint32_t start = wideStart ? RcgGet16(q) : *q;
        q += wideStart ? 2 : 1;
        const uint8_t mode = *q++;
        uint32_t counts[4];
        for (uint32_t i = 0; i < 4; ++i) counts[i] = q[i] + 1u;
        q += 4;
        // Each channel's values as a 256-bit set (sorted and without repeats
        // however the list gives them), then listed in rising order.
        uint32_t values[4][256];
        uint32_t valueCount[4];
        for (uint32_t ch = 0; ch < 4; ++ch) {
            uint64_t marked[4] = {0, 0, 0, 0};
            const uint32_t want = counts[ch];
            if (mode & RcgProductRangesBit(ch)) {
                uint32_t total = 0;
                while (total < want) {
                    if (m_end - q < 2) return 119;
                    const uint32_t low = q[0];
                    const uint32_t high = q[1];
                    q += 2;
                    if (low > high) return 120;
                    MarkRange(marked, low, high);
                    total += high - low + 1;
                }
                if (total != want) return 121;
            } else {
                if (static_cast<uint32_t>(m_end - q) < want) return 118;
                for (uint32_t i = 0; i < want; ++i) marked[q[i] >> 6] |= uint64_t{1} << (q[i] & 63);
                q += want;
            }
            const uint64_t flip = (mode & RcgProductComplementBit(ch)) != 0 ? ~uint64_t{0} : 0;
            // Channel ch lands in bits 16 (red), 8 (green), 0 (blue), 24 (alpha).
            static constexpr uint32_t kShift[4] = {16, 8, 0, 24};
            const uint32_t shift = kShift[ch];
            uint32_t n = 0;
            for (uint32_t w = 0; w < 4; ++w) {
                uint64_t word = marked[w] ^ flip;
                while (word != 0) {
                    values[ch][n++] = ((w << 6) | static_cast<uint32_t>(std::countr_zero(word))) << shift;
                    word &= word - 1;
                }
            }
            valueCount[ch] = n;
        }
        const uint32_t storeMask = MaskOf(source);
        const uint64_t product = static_cast<uint64_t>(valueCount[0]) * valueCount[1] * valueCount[2] * valueCount[3];
        if (product > storeMask + 1u) return kRcgProductTooLarge;
        // The colours go to consecutive positions from the start, wrapping at
        // the store's end: blue rows are straight stores, split at the wrap.
        uint32_t* const store = StoreOf(source);
        uint32_t* const storeEnd = store + storeMask + 1u;
        uint32_t* out = store + (start & storeMask);
        const uint32_t nb = valueCount[2];
        const uint32_t* const blue = values[2];
        const uint32_t planeSize = valueCount[1] * nb;  // <= 65,536 (two counts of at most 256)
        constexpr uint32_t kPlaneWords = 1024;
        if (planeSize <= kPlaneWords && planeSize != 0) {
            // The green x blue plane once, then one run per alpha and red.
            uint32_t plane[kPlaneWords];
            for (uint32_t g = 0; g < valueCount[1]; ++g) {
                for (uint32_t b = 0; b < nb; ++b) plane[g * nb + b] = values[1][g] | blue[b];
            }
            for (uint32_t a = 0; a < valueCount[3]; ++a) {
                for (uint32_t r = 0; r < valueCount[0]; ++r) {
                    const uint32_t ar = values[3][a] | values[0][r];
                    uint32_t room = static_cast<uint32_t>(storeEnd - out);
                    if (room > planeSize) {
                        for (uint32_t i = 0; i < planeSize; ++i) out[i] = ar | plane[i];
                        out += planeSize;
                        continue;
                    }
                    // The run reaches the store's end: finish it from the start
                    // (as often as a store smaller than the plane needs).
                    uint32_t done = 0;
                    while (planeSize - done >= room) {
                        for (uint32_t i = 0; i < room; ++i) out[i] = ar | plane[done + i];
                        done += room;
                        out = store;
                        room = storeMask + 1u;
                    }
                    for (uint32_t i = done; i < planeSize; ++i) out[i - done] = ar | plane[i];
                    out += planeSize - done;
                }
            }
            CursorOf(source) = 0;
            m_p = q;
            return 0;
        }
        for (uint32_t a = 0; a < valueCount[3]; ++a) {
            for (uint32_t r = 0; r < valueCount[0]; ++r) {
                const uint32_t ar = values[3][a] | values[0][r];
                for (uint32_t g = 0; g < valueCount[1]; ++g) {
                    const uint32_t high = ar | values[1][g];
                    const uint32_t room = static_cast<uint32_t>(storeEnd - out);
                    if (room > nb) {
                        for (uint32_t b = 0; b < nb; ++b) out[b] = high | blue[b];
                        out += nb;
                    } else {
                        for (uint32_t b = 0; b < room; ++b) out[b] = high | blue[b];
                        out = store;
                        for (uint32_t b = room; b < nb; ++b) out[b - room] = high | blue[b];
                        out += nb - room;
                    }
                }
            }
        }
        CursorOf(source) = 0;
        m_p = q;
        return 0;
    }

    const uint8_t* m_p;
    const uint8_t* m_end;
    uint32_t* m_out;
    uint32_t m_left;
    uint16_t m_type;
    uint32_t m_literalBytes;
    RcgColourStores& m_s;
};

// Steps 3-8 for a type 1 or 2 record of exactly `size` bytes (size >= 14).
int32_t DecodePlainRecord(CSprite& sprite, const uint8_t* record, uint32_t size) {
    const RcgRecordHeader header = RcgReadHeader(record);
    if (header.type != kRcgTypeRgb && header.type != kRcgTypeArgb) return kRcgBadType;
    if (header.totalSize != size) return kRcgSizeMismatch;
    const int32_t width = static_cast<int32_t>(header.width);
    const int32_t height = static_cast<int32_t>(header.height);
    // Sizes come from the file: refuse negative ones and any the canvas rule
    // refuses before anything is allocated (the pixel count then fits 32 bits).
    if (width < 0 || height < 0 || !IsSpriteSizeAllowed(width, height)) return kRcgCannotCreate;
    const bool reusable = sprite.HasImage() && sprite.GetWidth() == width && sprite.GetHeight() == height &&
                          sprite.GetStride() == width && sprite.GetDepthCode() == 0;
    if (!reusable) {
        sprite.Release();
        try {
            if (!sprite.Create(width, height, true)) return kRcgCannotCreate;
        } catch (const std::bad_alloc&) {
            return kRcgCannotCreate;
        }
    }
    RcgColourStores stores;
    if (!stores.Allocate()) return kRcgCannotCreate;
    const uint32_t pixels = static_cast<uint32_t>(width) * static_cast<uint32_t>(height);
    RecordDecoder decoder(record + kRcgHeaderSize, record + size, sprite.GetPixels(), pixels, header.type, stores);
    return decoder.Decode();
}

}  // namespace

int32_t DecodeRcg(CSprite& sprite, const uint8_t* record, uint32_t size) {
    if (record == nullptr || size < kRcgHeaderSize) return kRcgShortRecord;
    const uint16_t type = RcgGet16(record + kRcgOffsetType);
    if (type & kRcgTypeStreamFlag) {
        // Rebuild the record into the shared scratch, decode it, free the scratch.
        RcgScratchGuard scratch;
        CMemoryBlock<unsigned char>& inner = RcgSharedRecordBlock();
        uint32_t innerSize = 0;
        const int32_t unpacked = RcgUnpackStreams(inner, innerSize, record, size);
        if (unpacked != 0) return unpacked;
        if (innerSize < kRcgHeaderSize || innerSize > inner.GetCount()) return kRcgShortRecord;
        return DecodePlainRecord(sprite, inner.GetBuffer(), innerSize);
    }
    return DecodePlainRecord(sprite, record, size);
}

bool RcgBuildRawRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, uint16_t type) {
    if (!sprite.HasImage() || RasterPixelMode != 1 || (type != kRcgTypeRgb && type != kRcgTypeArgb)) return false;
    if (out.GetBuffer() != nullptr) return false;
    const int32_t width = sprite.GetWidth();
    const int32_t height = sprite.GetHeight();
    if (width < 0 || height < 0) return false;
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    const uint64_t size = RcgRawRecordSize(pixels, type);
    if (size > UINT32_MAX) return false;
    uint8_t* p;
    try {
        p = out.Alloc(static_cast<uint32_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    RcgWriteHeader(p, RcgRecordHeader{static_cast<uint32_t>(size), static_cast<uint32_t>(width),
                                      static_cast<uint32_t>(height), type});
    p += kRcgHeaderSize;
    // Chunks of at most 65,535 pixels run across row ends.
    const uint32_t literalBytes = RcgLiteralBytes(type);
    int32_t x = 0;
    int32_t y = 0;
    uint64_t left = pixels;
    while (left > 0) {
        const uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(left, kRcgMaxWideCount));
        *p++ = RcgMakeCommand(kRcgSequence, kRcgSourceLiteral, kRcgWideBit);
        RcgPut16(p, chunk);
        p += 2;
        uint32_t chunkLeft = chunk;
        while (chunkLeft > 0) {
            const uint32_t span = std::min<uint32_t>(chunkLeft, static_cast<uint32_t>(width - x));
            const uint32_t* src = sprite.PixelAt(x, y);
            if (literalBytes == 4 && std::endian::native == std::endian::little) {
                std::memcpy(p, src, static_cast<size_t>(span) * 4);
                p += static_cast<size_t>(span) * 4;
            } else {
                for (uint32_t i = 0; i < span; ++i) {
                    const uint32_t c = src[i];
                    p[0] = static_cast<uint8_t>(c);
                    p[1] = static_cast<uint8_t>(c >> 8);
                    p[2] = static_cast<uint8_t>(c >> 16);
                    if (literalBytes == 4) p[3] = static_cast<uint8_t>(c >> 24);
                    p += literalBytes;
                }
            }
            chunkLeft -= span;
            x += static_cast<int32_t>(span);
            if (x == width) {
                x = 0;
                ++y;
            }
        }
        left -= chunk;
    }
    return true;
}
