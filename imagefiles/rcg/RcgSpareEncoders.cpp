// Spare RCG encoders: run, quantising and ramp.
//
// They write records of the ordinary format into a buffer the caller owns and
// never grow it: before each command the rest of the buffer is checked against
// the command's worst case, and a shortfall ends the encoding with false.
//
// The quantising encoder maps every pixel to an index of a store that a short
// preamble fills (8 colours in the ring, 64 in the table, 32,768 15-bit colours
// in the dictionary) or keeps literal colours. Long stretches of equal pixels
// become runs; shorter segments become masked sequences, from the ring or table
// directly (8 and 64 colours), or through groups of up to 32 colours loaded
// into the table and read at its cursor (15-bit and literal modes). The ramp
// encoder adds one step: segment colours that stay within a tolerance band
// around a straight line become one masked ramp between the first and last
// colour.
//
// Pixels are read as one array of width x height words, which is how every
// sprite made by CSprite::Create stores them.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "imagefiles/rcg/RcgEncoder.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr uint32_t kMinCapacity = 20;
constexpr uint32_t kMaxSplitCount = 65530;
constexpr uint32_t kMaxStretch = 65535;

// The sprite's pixels as one array, or null when the sprite cannot be coded.
const uint32_t* CodablePixels(const CMemoryBlock<unsigned char>& out, const CSprite& sprite, uint32_t& count) {
    if (!sprite.HasImage() || RasterPixelMode != 1) return nullptr;
    if (out.GetBuffer() == nullptr || out.GetCount() < kMinCapacity) return nullptr;
    const int32_t width = sprite.GetWidth();
    const int32_t height = sprite.GetHeight();
    if (width <= 0 || height <= 0 || sprite.GetStride() != width) return nullptr;
    const uint64_t n = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (n >= UINT32_MAX) return nullptr;
    count = static_cast<uint32_t>(n);
    return sprite.GetPixels();
}

// Bytes written into the caller's buffer, with the room checks.
class Writer {
public:
    Writer(CMemoryBlock<unsigned char>& out) noexcept
        : m_data(out.GetBuffer()), m_capacity(out.GetCount()), m_size(kRcgHeaderSize) {}

    bool Room(uint64_t n) const noexcept { return m_capacity - m_size >= n; }
    void U8(uint32_t v) noexcept { m_data[m_size++] = static_cast<uint8_t>(v); }
    void U16(uint32_t v) noexcept {
        RcgPut16(m_data + m_size, v);
        m_size += 2;
    }
    void Colour(uint32_t c, uint32_t bytes) noexcept {
        U8(c);
        U8(c >> 8);
        U8(c >> 16);
        if (bytes == 4) U8(c >> 24);
    }
    void Bytes(const uint8_t* p, uint32_t n) noexcept {
        std::memcpy(m_data + m_size, p, n);
        m_size += n;
    }
    // Writes the header; returns the record's size.
    uint32_t Finish(const CSprite& sprite, uint16_t type) noexcept {
        RcgWriteHeader(m_data, RcgRecordHeader{m_size, static_cast<uint32_t>(sprite.GetWidth()),
                                               static_cast<uint32_t>(sprite.GetHeight()), type});
        return m_size;
    }

private:
    uint8_t* m_data;
    uint32_t m_capacity;
    uint32_t m_size;
};

// Writes count pixels as commands of at most 65,530 pixels, the last (or
// only) one below 256 in the narrow form: command byte, count, then body().
template <class Body>
void WriteSplit(Writer& w, uint8_t narrow, uint32_t count, Body&& body) {
    while (count > 0) {
        if (count < 256) {
            w.U8(narrow);
            w.U8(count);
            body(count);
            return;
        }
        const uint32_t chunk = std::min(count, kMaxSplitCount);
        w.U8(narrow | kRcgWideBit);
        w.U16(chunk);
        body(chunk);
        count -= chunk;
    }
}

uint32_t EqualFrom(const uint32_t* px, uint32_t i, uint32_t end) noexcept {
    const uint32_t c = px[i];
    uint32_t j = i + 1;
    while (j < end && px[j] == c) ++j;
    return j - i;
}

// ---------------------------------------------------------------------------
// Quantising modes
// ---------------------------------------------------------------------------

struct Mode {
    uint8_t source;         // store the indices name (kRcgSource...)
    uint16_t type;          // record type
    uint32_t runThreshold;  // runs from this length; the tail is shorter
    uint32_t maskLimit;     // longest segment of a masked sequence (ring and table modes)
    uint32_t excluded;      // ramp encoder: a colour that never joins a ramp
    bool hasExcluded;
};

bool ModeOf(int32_t mode, Mode& m) {
    switch (mode) {
        case 3: m = Mode{kRcgSourceRing, kRcgTypeArgb, 64, 63, 0, false}; return true;
        case 6: m = Mode{kRcgSourceTable, kRcgTypeArgb, 32, 31, 0, false}; return true;
        case 0:
        case 9:
        case 12:
        case 15: m = Mode{kRcgSourceDictionary, kRcgTypeArgb, 32, 0, 0, false}; return true;
        case 18:
        case 21:
        case 24: m = Mode{kRcgSourceLiteral, kRcgTypeRgb, 16, 0, 0, false}; return true;
        case 32: m = Mode{kRcgSourceLiteral, kRcgTypeArgb, 16, 0, 0, false}; return true;
        default: return false;
    }
}

// The store index of a pixel (the colour itself for literal modes).
inline uint32_t IndexOf(uint8_t source, uint32_t p) noexcept {
    switch (source) {
        case kRcgSourceRing:
            return p == 0 ? 9 : ((p >> 21) & 4) | ((p >> 14) & 2) | ((p >> 7) & 1);
        case kRcgSourceTable:
            return p == 0 ? 64 : ((p >> 18) & 0x30) | ((p >> 12) & 0x0C) | ((p >> 6) & 3);
        case kRcgSourceDictionary:
            return p == 0 ? 0x8000 : ((p >> 9) & 0x7C00) | ((p >> 6) & 0x03E0) | ((p >> 3) & 0x001F);
        default:
            return p;
    }
}

void WritePreamble(Writer& w, uint8_t source) {
    if (source == kRcgSourceRing) {
        // The 8 opaque colours of channels 0 and 255 at ring 0-7.
        static const uint8_t ring[] = {0x4C, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00,
                                       0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0xFF};
        w.Bytes(ring, sizeof ring);
    } else if (source == kRcgSourceTable) {
        // The 64 opaque colours of channels 00, 55, AA, FF at table 0-63.
        static const uint8_t table[] = {0x8C, 0x00, 0x00, 0x03, 0x03, 0x03, 0x00, 0xFF, 0xAA, 0x55,
                                        0x00, 0xFF, 0xAA, 0x55, 0x00, 0xFF, 0xAA, 0x55, 0x00, 0xFF};
        w.Bytes(table, sizeof table);
    } else if (source == kRcgSourceDictionary) {
        // The 32,768 opaque 15-bit colours at dictionary 0-32,767.
        static const uint8_t head[] = {0xCC, 0x00, 0x00, 0x00, 0x1F, 0x1F, 0x1F, 0x00};
        w.Bytes(head, sizeof head);
        for (int channel = 0; channel < 3; ++channel)
            for (uint32_t group = 0; group < 8; ++group)
                for (uint32_t k = 4; k-- > 0;) {
                    const uint32_t v = group * 4 + k;
                    w.U8((v << 3) | (v >> 2));
                }
        w.U8(0xFF);
    }
}

inline uint32_t PreambleSize(uint8_t source) noexcept {
    return source == kRcgSourceDictionary ? 110 : (source == kRcgSourceLiteral ? 0 : 30);
}

// One index operand of the mode's store (ring: a byte with the index in its low bits).
inline void PutIndex(Writer& w, uint8_t source, uint32_t index, uint32_t literalBytes) noexcept {
    switch (source) {
        case kRcgSourceRing:
        case kRcgSourceTable: w.U8(index); break;
        case kRcgSourceDictionary: w.U16(index); break;
        default: w.Colour(index, literalBytes); break;
    }
}

// Mask bits for the segments that start at segStart[0 .. k - 1] within a
// stretch of `count` pixels starting at `from`.
class MaskWriter {
public:
    static void Write(Writer& w, uint32_t from, uint32_t count, const uint32_t* starts, uint32_t k) {
        uint32_t acc = 0, filled = 0, next = 0;
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t bit = 0;
            if (next < k && starts[next] == from + i) {
                bit = 1;
                ++next;
            }
            acc = (acc << 1) | bit;
            if (++filled == 8) {
                w.U8(acc);
                acc = filled = 0;
            }
        }
        if (filled != 0) w.U8(acc);
    }
};

// The quantising and ramp encoders share this coder.
class QuantisedCoder {
public:
    QuantisedCoder(Writer& w, const uint32_t* px, uint32_t n, const Mode& mode, bool ramps, int32_t tolerance)
        : m_w(w), m_px(px), m_n(n), m_mode(mode), m_ramps(ramps), m_tolerance(tolerance),
          m_literalBytes(RcgLiteralBytes(mode.type)) {
        std::fill(m_tableCopy, m_tableCopy + 256, 0u);
        std::fill(m_tableLoaded, m_tableLoaded + 256, false);
    }

    bool Run();

private:
    bool WriteRun(uint32_t index, uint32_t length);
    bool WriteMaskedSequence(uint32_t& i);
    bool WriteTableBlock(uint32_t& i);
    bool TryRamp(uint32_t& i, bool& written);
    bool WriteTail(uint32_t i);
    // Segments (maximal groups of equal pixels) from i up to end: starts into m_starts.
    uint32_t Segments(uint32_t i, uint32_t end, uint32_t maxSegments);

    Writer& m_w;
    const uint32_t* m_px;
    uint32_t m_n;
    Mode m_mode;
    bool m_ramps;
    int32_t m_tolerance;
    uint32_t m_literalBytes;
    uint32_t m_tableCopy[256];
    bool m_tableLoaded[256];
    uint32_t m_slot = 0;
    uint32_t m_starts[kMaxStretch + 1];
};

uint32_t QuantisedCoder::Segments(uint32_t i, uint32_t end, uint32_t maxSegments) {
    uint32_t k = 0;
    uint32_t p = i;
    while (p < end && k < maxSegments) {
        m_starts[k++] = p;
        p += EqualFrom(m_px, p, end);
    }
    m_starts[k] = p;  // end of the last segment
    return k;
}

bool QuantisedCoder::WriteRun(uint32_t index, uint32_t length) {
    if (!m_w.Room((static_cast<uint64_t>(length >> 15) + 2) * 7)) return false;
    const uint8_t narrow = RcgMakeCommand(kRcgRun, m_mode.source, 0);
    const uint8_t source = m_mode.source;
    const uint32_t bytes = m_literalBytes;
    Writer& w = m_w;
    WriteSplit(w, narrow, length, [&](uint32_t) { PutIndex(w, source, index, bytes); });
    return true;
}

bool QuantisedCoder::WriteMaskedSequence(uint32_t& i) {
    const uint32_t end = i + std::min(kMaxStretch, m_n - i);
    // Segments no longer than the limit; when the scan reaches the end, the last
    // one (which may go on beyond it) is left for later.
    uint32_t k = 0;
    uint32_t p = i;
    bool reachedEnd = true;
    while (p < end) {
        const uint32_t length = EqualFrom(m_px, p, end);
        if (length > m_mode.maskLimit) {
            reachedEnd = false;
            break;
        }
        m_starts[k++] = p;
        p += length;
    }
    if (reachedEnd && k > 1) {
        --k;
        p = m_starts[k];
    }
    const uint32_t count = p - i;
    const uint64_t need = 3 + (count + 7) / 8 + k;
    if (!m_w.Room(need)) return false;
    const bool wide = count >= 256;
    m_w.U8(RcgMakeCommand(kRcgMaskedSequence, m_mode.source, wide ? kRcgWideBit : 0));
    if (wide)
        m_w.U16(count);
    else
        m_w.U8(count);
    MaskWriter::Write(m_w, i, count, m_starts, k);
    if (m_mode.source == kRcgSourceRing) {
        for (uint32_t s = 0; s + 1 < k; s += 2)
            m_w.U8((IndexOf(kRcgSourceRing, m_px[m_starts[s]]) << 4) | IndexOf(kRcgSourceRing, m_px[m_starts[s + 1]]));
        if (k & 1) m_w.U8(IndexOf(kRcgSourceRing, m_px[m_starts[k - 1]]));
    } else {
        for (uint32_t s = 0; s < k; ++s) m_w.U8(IndexOf(kRcgSourceTable, m_px[m_starts[s]]));
    }
    i = p;
    return true;
}

bool QuantisedCoder::WriteTableBlock(uint32_t& i) {
    const uint8_t source = m_mode.source;
    const uint32_t current = IndexOf(source, m_px[i]);
    const uint32_t firstLength = EqualFrom(m_px, i, m_n);
    const uint32_t next = IndexOf(source, m_px[i + firstLength]);

    // A pair already loaded at an even table position continues as far as the
    // following segments keep matching the table's next entries.
    int32_t found = -1;
    for (uint32_t k = 0; k < 256; k += 2)
        if (m_tableLoaded[k] && m_tableLoaded[k + 1] && m_tableCopy[k] == current && m_tableCopy[k + 1] == next) {
            found = static_cast<int32_t>(k);
            break;
        }

    uint32_t segments;
    uint32_t end;
    if (found >= 0) {
        const uint32_t limit = i + std::min(kMaxStretch, m_n - i);
        segments = 0;
        uint32_t p = i;
        uint32_t position = static_cast<uint32_t>(found);
        while (p < limit && position < 256) {
            if (segments >= 2 && (!m_tableLoaded[position] || m_tableCopy[position] != IndexOf(source, m_px[p])))
                break;
            m_starts[segments++] = p;
            p += EqualFrom(m_px, p, limit);
            ++position;
        }
        end = p;
        if (!m_w.Room(2)) return false;
        m_w.U8(0x84);
        m_w.U8(static_cast<uint32_t>(found));
    } else {
        const uint32_t limit = i + std::min<uint32_t>(255, m_n - i);
        segments = Segments(i, limit, 32);
        end = m_starts[segments];
        if (end == limit && segments > 1) {
            --segments;
            end = m_starts[segments];
        }
        const uint32_t itemBytes = source == kRcgSourceDictionary ? 2 : m_literalBytes;
        if (!m_w.Room(3 + static_cast<uint64_t>(segments) * itemBytes + 2)) return false;
        m_w.U8(source == kRcgSourceDictionary ? 0x7C : 0x9C);
        m_w.U8(segments - 1);
        m_w.U8(m_slot);
        for (uint32_t s = 0; s < segments; ++s) {
            const uint32_t index = IndexOf(source, m_px[m_starts[s]]);
            if (source == kRcgSourceDictionary)
                m_w.U16(index);
            else
                m_w.Colour(index, m_literalBytes);
            m_tableCopy[m_slot + s] = index;
            m_tableLoaded[m_slot + s] = true;
        }
        m_w.U8(0x84);
        m_w.U8(m_slot);
        m_slot = (m_slot + 32) & 0xFF;
    }

    const uint32_t count = end - i;
    if (!m_w.Room(3 + (count + 7) / 8)) return false;
    const bool wide = count >= 256;
    m_w.U8(wide ? 0xAE : 0x8E);
    if (wide)
        m_w.U16(count);
    else
        m_w.U8(count);
    MaskWriter::Write(m_w, i, count, m_starts, segments);
    i = end;
    return true;
}

bool QuantisedCoder::TryRamp(uint32_t& i, bool& written) {
    written = false;
    const uint32_t limit = i + std::min(kMaxStretch, m_n - i);
    const uint32_t firstLength = EqualFrom(m_px, i, limit);
    if (i + firstLength >= limit) return true;
    const uint32_t c0 = m_px[i];
    const uint32_t c1 = m_px[i + firstLength];
    if (m_mode.hasExcluded && c1 == m_mode.excluded) return true;

    const int channels = m_mode.type == kRcgTypeArgb && m_mode.source == kRcgSourceLiteral ? 4 : 3;
    constexpr int kShift = 21;
    const int64_t t = static_cast<int64_t>(m_tolerance) << kShift;
    auto channel = [](uint32_t c, int ch) -> int64_t {
        // 0 red, 1 green, 2 blue, 3 alpha
        static const int shifts[4] = {16, 8, 0, 24};
        return static_cast<int64_t>((c >> shifts[ch]) & 0xFF) << kShift;
    };
    int64_t lowPoint[4], lowSlope[4], highPoint[4], highSlope[4];
    for (int ch = 0; ch < channels; ++ch) {
        const int64_t v0 = channel(c0, ch), v1 = channel(c1, ch);
        lowPoint[ch] = v1 - t;
        highPoint[ch] = v1 + t;
        lowSlope[ch] = (v1 - v0) - t;
        highSlope[ch] = (v1 - v0) + t;
    }
    uint32_t k = 2;
    m_starts[0] = i;
    m_starts[1] = i + firstLength;
    uint32_t p = m_starts[1] + EqualFrom(m_px, m_starts[1], limit);
    uint32_t lastPixel = p - 1;
    while (p < limit && k < 255) {
        const uint32_t c = m_px[p];
        if (m_mode.hasExcluded && c == m_mode.excluded) break;
        bool outside = false, raiseLow = false, lowerHigh = false;
        for (int ch = 0; ch < channels; ++ch) {
            lowPoint[ch] += lowSlope[ch];
            highPoint[ch] += highSlope[ch];
            const int64_t v = channel(c, ch);
            if (v < lowPoint[ch] || v > highPoint[ch]) outside = true;
            if (v - t > lowPoint[ch]) raiseLow = true;
            if (v + t < highPoint[ch]) lowerHigh = true;
        }
        if (outside) break;
        for (int ch = 0; ch < channels; ++ch) {
            const int64_t v = channel(c, ch);
            const int64_t v0 = channel(c0, ch);
            if (raiseLow) {
                lowPoint[ch] = v - t;
                lowSlope[ch] = (v - t - v0) / static_cast<int64_t>(k);
            }
            if (lowerHigh) {
                highPoint[ch] = v + t;
                highSlope[ch] = (v + t - v0) / static_cast<int64_t>(k);
            }
        }
        m_starts[k++] = p;
        p += EqualFrom(m_px, p, limit);
        lastPixel = p - 1;
    }
    if (k < 4) return true;

    const uint32_t count = p - i;
    if (!m_w.Room(3 + (count + 7) / 8 + 8)) return false;
    const bool wide = count >= 256;
    const uint8_t base = m_mode.source == kRcgSourceDictionary ? 0xC7 : 0x07;
    m_w.U8(base | (wide ? kRcgWideBit : 0));
    if (wide)
        m_w.U16(count);
    else
        m_w.U8(count);
    MaskWriter::Write(m_w, i, count, m_starts, k);
    if (m_mode.source == kRcgSourceDictionary) {
        m_w.U16(IndexOf(kRcgSourceDictionary, c0));
        m_w.U16(IndexOf(kRcgSourceDictionary, m_px[lastPixel]));
    } else {
        m_w.Colour(c0, m_literalBytes);
        m_w.Colour(m_px[lastPixel], m_literalBytes);
    }
    i = p;
    written = true;
    return true;
}

bool QuantisedCoder::WriteTail(uint32_t i) {
    const uint32_t count = m_n - i;
    if (count == 0) return true;
    const uint8_t source = m_mode.source;
    uint64_t need = 2;
    switch (source) {
        case kRcgSourceRing: need += (count + 1) / 2; break;
        case kRcgSourceTable: need += count; break;
        case kRcgSourceDictionary: need += 2ull * count; break;
        default: need += static_cast<uint64_t>(count) * m_literalBytes; break;
    }
    if (!m_w.Room(need)) return false;
    m_w.U8(RcgMakeCommand(kRcgSequence, source, 0));
    m_w.U8(count);
    if (source == kRcgSourceRing) {
        uint32_t j = i;
        for (; j + 1 < m_n; j += 2) m_w.U8((IndexOf(source, m_px[j]) << 4) | IndexOf(source, m_px[j + 1]));
        if (j < m_n) m_w.U8(IndexOf(source, m_px[j]));
    } else {
        for (uint32_t j = i; j < m_n; ++j) PutIndex(m_w, source, IndexOf(source, m_px[j]), m_literalBytes);
    }
    return true;
}

bool QuantisedCoder::Run() {
    if (!m_w.Room(PreambleSize(m_mode.source))) return false;
    WritePreamble(m_w, m_mode.source);
    const uint32_t threshold = m_mode.runThreshold;
    uint32_t i = 0;
    while (m_n - i >= threshold) {
        const uint32_t c = m_px[i];
        uint32_t equal = 1;
        while (equal < threshold && m_px[i + equal] == c) ++equal;
        if (equal == threshold) {
            equal = EqualFrom(m_px, i, m_n);
            if (!WriteRun(IndexOf(m_mode.source, c), equal)) return false;
            i += equal;
            continue;
        }
        if (m_mode.source == kRcgSourceRing || m_mode.source == kRcgSourceTable) {
            if (!WriteMaskedSequence(i)) return false;
            continue;
        }
        if (m_ramps) {
            bool written = false;
            if (!TryRamp(i, written)) return false;
            if (written) continue;
        }
        if (!WriteTableBlock(i)) return false;
    }
    return WriteTail(i);
}

bool EncodeQuantised(CMemoryBlock<unsigned char>& out, const CSprite& sprite, const Mode& mode, bool ramps,
                     int32_t tolerance, uint32_t& size) {
    size = 0;
    uint32_t n = 0;
    const uint32_t* px = CodablePixels(out, sprite, n);
    if (px == nullptr) return false;
    Writer w(out);
    // The coder holds a 256 KB segment list: on the heap, and a refusal is a false.
    std::unique_ptr<QuantisedCoder> coder(new (std::nothrow) QuantisedCoder(w, px, n, mode, ramps, tolerance));
    if (coder == nullptr) return false;
    const bool ok = coder->Run();
    if (!ok) return false;
    size = w.Finish(sprite, mode.type);
    return true;
}

}  // namespace

bool RcgEncodeRunRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, uint16_t type, uint32_t& size) {
    size = 0;
    if (type != kRcgTypeRgb && type != kRcgTypeArgb) return false;
    uint32_t n = 0;
    const uint32_t* px = CodablePixels(out, sprite, n);
    if (px == nullptr) return false;
    const uint32_t bytes = RcgLiteralBytes(type);
    Writer w(out);
    uint32_t i = 0;
    while (n - i >= 2) {
        if (px[i + 1] == px[i]) {
            const uint32_t length = EqualFrom(px, i, n);
            if (!w.Room((static_cast<uint64_t>(length >> 15) + 2) * (bytes == 3 ? 6 : 7))) return false;
            const uint32_t colour = px[i];
            WriteSplit(w, RcgMakeCommand(kRcgRun, kRcgSourceLiteral, 0), length,
                       [&](uint32_t) { w.Colour(colour, bytes); });
            i += length;
            continue;
        }
        // Up to the pixel before the next pair of equal pixels.
        uint32_t j = i + 1;
        while (j + 1 < n && px[j] != px[j + 1]) ++j;
        if (j + 1 >= n) j = n;
        const uint32_t length = j - i;
        const uint64_t chunks = static_cast<uint64_t>(length >> 15) + 2;
        const uint64_t need = bytes == 3 ? (chunks + length) * 3 : chunks * 3 + 4ull * length;
        if (!w.Room(need)) return false;
        uint32_t next = i;
        WriteSplit(w, RcgMakeCommand(kRcgSequence, kRcgSourceLiteral, 0), length, [&](uint32_t count) {
            for (uint32_t k = 0; k < count; ++k) w.Colour(px[next + k], bytes);
            next += count;
        });
        i = j;
    }
    if (i < n) {
        if (!w.Room(6)) return false;
        w.U8(RcgMakeCommand(kRcgSequence, kRcgSourceLiteral, 0));
        w.U8(1);
        w.Colour(px[i], bytes);
    }
    size = w.Finish(sprite, type);
    return true;
}

bool RcgEncodeQuantisedRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, int32_t mode,
                              uint32_t& size) {
    size = 0;
    Mode m;
    if (!ModeOf(mode, m)) return false;
    return EncodeQuantised(out, sprite, m, false, 0, size);
}

bool RcgEncodeRampRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, int32_t mode, int32_t tolerance,
                         uint32_t& size) {
    size = 0;
    if (tolerance < 0 || tolerance > 64) return false;
    Mode m;
    switch (mode) {
        case 16:
            ModeOf(15, m);
            m.excluded = 0;
            m.hasExcluded = true;
            break;
        case 24:
            ModeOf(24, m);
            m.excluded = 0x00FFFFFFu;
            m.hasExcluded = true;
            break;
        case 32: ModeOf(32, m); break;
        default: return false;
    }
    return EncodeQuantised(out, sprite, m, true, tolerance, size);
}
