#pragma once
// Builds RCG records byte by byte for the decoder and container tests, so a
// test states the exact bytes a record holds rather than asking an encoder.
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

}  // namespace rcg_test
