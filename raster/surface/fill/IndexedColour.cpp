// Indexed-colour conversion: a sprite of at most 256 distinct 32-bit values
// becomes packed palette indices behind one header row.
//
// Layout of the result (width in words, one more row than the source):
//   row 0:  FF 00 FF FF | 00 FF 00 FF | "INDEX" 01 bits 00 | palette (2^bits
//           words from word 4) | zeros
//   row 1+y: source row y, 32 / bits pixels a word, the leftmost pixel in the
//           most significant bits.
// The minimum widths of the depth table are exactly the widths whose word
// count holds the header row; the indexed readers (ClipBlitIndexed and the
// kernels drawing from indexed sources) rely on that.
//
// The palette is collected in first-met order, scanning rows top to bottom and
// each row left to right. A small open-addressed hash replaces the linear
// search of the palette; the order, and so the result, is the same.
#include <cstdint>
#include <cstring>

#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr int32_t kMaxColours = 256;
constexpr int32_t kMaxSourceHeight = 8190;

// Value -> palette index, for at most 256 values (load factor at most 1/4).
class PaletteIndex {
public:
    PaletteIndex() { std::memset(m_slotIndex, 0xFF, sizeof m_slotIndex); }

    // The index of value, appending it when new; -1 when the palette is full.
    int32_t Find(uint32_t value) {
        uint32_t slot = Hash(value);
        while (m_slotIndex[slot] >= 0) {
            if (m_slotValue[slot] == value) return m_slotIndex[slot];
            slot = (slot + 1) & (kSlots - 1);
        }
        if (m_count == kMaxColours) return -1;
        m_slotValue[slot] = value;
        m_slotIndex[slot] = static_cast<int16_t>(m_count);
        m_palette[m_count] = value;
        return m_count++;
    }

    int32_t Count() const { return m_count; }
    const uint32_t* Palette() const { return m_palette; }

private:
    static constexpr uint32_t kSlots = 1024;
    static uint32_t Hash(uint32_t v) { return (v * 0x9E3779B1u) >> 22; }

    uint32_t m_slotValue[kSlots];
    int16_t m_slotIndex[kSlots];
    uint32_t m_palette[kMaxColours] = {};
    int32_t m_count = 0;
};

struct DepthRule {
    uint32_t bits;
    int32_t minWidth;
    int32_t multiple;
};

// Depth codes 1..4: 1, 2, 4, 8 bits per pixel.
constexpr DepthRule kDepths[4] = {{1, 192, 32}, {2, 128, 16}, {4, 160, 8}, {8, 1040, 4}};

// The depth code (1..4) for `colours` colours at source width `width`, or 0.
uint32_t ChooseDepth(int32_t colours, int32_t width) {
    uint32_t code = colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 3 : 4;
    for (; code <= 4; ++code) {
        const DepthRule& rule = kDepths[code - 1];
        if (width >= rule.minWidth && width % rule.multiple == 0) return code;
    }
    return 0;
}

// One row of indices. The last (rightmost) pixel of a word ends in its low bits.
template <uint32_t Bits>
void PackRow(const uint32_t* source, int32_t width, uint32_t* words, PaletteIndex& palette) {
    constexpr int32_t kPerWord = 32 / Bits;
    for (int32_t x = 0; x < width; x += kPerWord) {
        uint32_t word = 0;
        for (int32_t k = 0; k < kPerWord; ++k)
            word = (word << Bits) | static_cast<uint32_t>(palette.Find(source[x + k]));
        *words++ = word;
    }
}

}  // namespace

bool CSprite::ConvertToIndexed(const CSprite& source) {
    if (m_pixels != nullptr) return false;
    const int32_t width = source.GetWidth();
    const int32_t height = source.GetHeight();
    if (height >= kMaxSourceHeight) return false;
    if (width < 0 || height < 0) return false;

    PaletteIndex palette;
    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = source.PixelAt(0, y);
        uint32_t last = 0;
        bool haveLast = false;
        for (int32_t x = 0; x < width; ++x) {
            // Runs of one value are the common case in rendered images.
            if (haveLast && row[x] == last) continue;
            if (palette.Find(row[x]) < 0) return false;
            last = row[x];
            haveLast = true;
        }
    }

    const uint32_t depth = ChooseDepth(palette.Count(), width);
    if (depth == 0) return false;
    const uint32_t bits = kDepths[depth - 1].bits;
    const int32_t words = width / static_cast<int32_t>(32 / bits);
    if (!IsSpriteSizeAllowed(words, height + 1)) return false;
    if (RasterPixelMode != 1) return false;
    if (!Create(words, height + 1, false)) return false;

    // Header row, byte by byte.
    static constexpr uint8_t kMarker[13] = {0xFF, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 'I', 'N', 'D', 'E', 'X'};
    uint8_t* header = reinterpret_cast<uint8_t*>(m_pixels);
    std::memcpy(header, kMarker, sizeof kMarker);
    header[13] = 0x01;
    header[14] = static_cast<uint8_t>(bits);
    header[15] = 0x00;
    std::memcpy(m_pixels + 4, palette.Palette(), sizeof(uint32_t) * static_cast<size_t>(palette.Count()));

    for (int32_t y = 0; y < height; ++y) {
        const uint32_t* row = source.PixelAt(0, y);
        uint32_t* out = PixelAt(0, y + 1);
        switch (bits) {
            case 1: PackRow<1>(row, width, out, palette); break;
            case 2: PackRow<2>(row, width, out, palette); break;
            case 4: PackRow<4>(row, width, out, palette); break;
            default: PackRow<8>(row, width, out, palette); break;
        }
    }
    m_flags = (m_flags & ~kDepthMask) | depth;
    return true;
}
