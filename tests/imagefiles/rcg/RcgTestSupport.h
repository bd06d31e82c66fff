#pragma once
// Builds RCG records byte by byte for the decoder and container tests, so a
// test states the exact bytes a record holds rather than asking an encoder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace rcg_test {

class RecordBytes {
public:
    enum Layout { kCurrent, kLegacy };

    // The current header: total size, 32-bit width and height, type. The older
    // layout has 16-bit width and height, and only its type 2 carries alpha.
    RecordBytes(uint32_t width, uint32_t height, uint16_t type = 2, Layout layout = kCurrent)
        : m_type(type), m_layout(layout) {
        if (layout == kLegacy)
            U32(0).U16(width).U16(height).U16(type);
        else
            U32(0).U32(width).U32(height).U16(type);
    }
    RecordBytes& U8(uint32_t v) {
        m_bytes.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    RecordBytes& U8s(std::initializer_list<uint32_t> values) {
        for (uint32_t v : values) U8(v);
        return *this;
    }
    RecordBytes& U16(uint32_t v) { return U8(v).U8(v >> 8); }
    RecordBytes& U32(uint32_t v) { return U16(v).U16(v >> 16); }
    // A literal colour of the record's type (3 bytes B, G, R for type 1).
    RecordBytes& Colour(uint32_t c) {
        U8(c).U8(c >> 8).U8(c >> 16);
        if (m_layout == kLegacy ? m_type == 2 : m_type != 1) U8(c >> 24);
        return *this;
    }
    RecordBytes& Colours(std::initializer_list<uint32_t> colours) {
        for (uint32_t c : colours) Colour(c);
        return *this;
    }
    // The finished record with its total size filled in.
    std::vector<uint8_t> Done() const {
        std::vector<uint8_t> out = m_bytes;
        const uint32_t size = static_cast<uint32_t>(out.size());
        for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(size >> (8 * i));
        return out;
    }

private:
    uint16_t m_type;
    Layout m_layout;
    std::vector<uint8_t> m_bytes;
};

// A plain stream in one of the older layout's stream codings, literals only
// (no writer of those codings exists): 0 and 1 unit tokens of 1 and 2 bytes,
// 2 and 3 the same behind the byte pre-stage, 4 the pre-stage over units, any
// other coding the plain bytes.
inline std::vector<uint8_t> LegacyCodedStream(const std::vector<uint8_t>& plain, uint8_t coding, uint32_t unit) {
    auto unitTokens = [&](const std::vector<uint8_t>& in, bool wide) {
        std::vector<uint8_t> t;
        const size_t maxUnits = wide ? 8191 : 31;
        for (size_t i = 0; i < in.size();) {
            const size_t units = std::min(maxUnits, (in.size() - i) / unit);
            const uint32_t token = static_cast<uint32_t>(units << 3);
            t.push_back(static_cast<uint8_t>(token));
            if (wide) t.push_back(static_cast<uint8_t>(token >> 8));
            t.insert(t.end(), in.begin() + i, in.begin() + i + units * unit);
            i += units * unit;
        }
        return t;
    };
    auto preStage = [](const std::vector<uint8_t>& in, uint32_t e) {
        std::vector<uint8_t> t;
        for (size_t i = 0; i < in.size();) {
            const size_t n = std::min<size_t>(32767, (in.size() - i) / e);
            t.push_back(static_cast<uint8_t>(0x80 | (n & 0x7F)));
            t.push_back(static_cast<uint8_t>(n >> 7));
            t.insert(t.end(), in.begin() + i, in.begin() + i + n * e);
            i += n * e;
        }
        return t;
    };
    switch (coding) {
        case 0: return unitTokens(plain, false);
        case 1: return unitTokens(plain, true);
        case 2: return preStage(unitTokens(plain, false), 1);
        case 3: return preStage(unitTokens(plain, true), 1);
        case 4: return preStage(plain, unit);
        default: return plain;
    }
}

}  // namespace rcg_test
