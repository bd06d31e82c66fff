// Windows and OS/2 bitmaps, for the variants the raster surface's own reader
// leaves aside: palettes of 1, 4 and 8 bits, RLE4 and RLE8, 16-bit pixels,
// bit fields, top-down rows.
//
// The file is untrusted: every header field is checked against the buffer
// before it is used, row strides and offsets are computed in 64 bits, and the
// run-length decoder clips every run to the image. Pixels that a run-length
// stream skips (end of line, delta, or an early end of the bitmap) take palette
// entry 0.
#include <cstring>

#include "platform/image/ImageCodec.h"
#include "platform/image/ImageCodecDetail.h"

namespace platform::image_detail {
namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;

inline uint32_t U16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
inline uint32_t U32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// One channel of a bit-field pixel, scaled to 0..255.
struct Field {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint64_t max = 0;

    void Set(uint32_t m) {
        mask = m;
        shift = 0;
        max = 0;
        if (m == 0) return;
        while (((m >> shift) & 1) == 0) ++shift;
        max = m >> shift;
    }
    uint32_t Get(uint32_t pixel, uint32_t absent) const {
        if (max == 0) return absent;
        return uint32_t(((uint64_t((pixel & mask) >> shift) * 255) + max / 2) / max);
    }
};

struct Header {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // signed: negative means top-down rows
    uint32_t bits = 0;
    uint32_t compression = kRgb;
    uint32_t coloursUsed = 0;
    bool core = false;  // OS/2 1.x header: 3-byte palette entries
    Field fields[4];    // red, green, blue, alpha
    size_t paletteOffset = 0;
};

bool ReadHeader(const uint8_t* data, size_t size, Header& h) {
    if (size < 14 + 12) return false;
    h.headerSize = U32(data + 14);
    if (h.headerSize == 12) {
        h.core = true;
        h.width = U16(data + 18);
        h.height = U16(data + 20);
        h.bits = U16(data + 24);
    } else {
        if (h.headerSize < 40 || h.headerSize > size - 14) return false;
        h.width = int32_t(U32(data + 18));
        h.height = int32_t(U32(data + 22));
        h.bits = U16(data + 28);
        h.compression = U32(data + 30);
        h.coloursUsed = U32(data + 46);
    }
    h.paletteOffset = 14 + size_t(h.headerSize);
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        if (h.bits != 16 && h.bits != 32) return false;
        const uint32_t count = h.compression == kAlphaBitFields ? 4 : 3;
        const uint8_t* masks = data + 54;
        if (size < 54 + 16) return false;
        if (h.headerSize < 52) {
            // The masks follow the 40-byte header, before the palette.
            if (size - h.paletteOffset < count * 4) return false;
            h.paletteOffset += count * 4;
        }
        for (uint32_t i = 0; i < 3; ++i) h.fields[i].Set(U32(masks + i * 4));
        if (count == 4 || h.headerSize >= 56) h.fields[3].Set(U32(masks + 12));
    } else if (h.bits == 16) {
        h.fields[0].Set(0x7C00);
        h.fields[1].Set(0x03E0);
        h.fields[2].Set(0x001F);
    }
    switch (h.compression) {
        case kRgb:
            if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32) {
                return false;
            }
            break;
        case kRle8:
            if (h.bits != 8) return false;
            break;
        case kRle4:
            if (h.bits != 4) return false;
            break;
        case kBitFields:
        case kAlphaBitFields:
            break;
        default:
            return false;
    }
    // Run-length streams are bottom-up by definition.
    if ((h.compression == kRle8 || h.compression == kRle4) && h.height < 0) return false;
    return h.width > 0 && h.height != 0;
}

// The palette as opaque pixels; 256 entries, those the file lacks black.
void ReadPalette(const uint8_t* data, size_t size, size_t limit, const Header& h, uint32_t* palette) {
    for (int i = 0; i < 256; ++i) palette[i] = 0xFF000000u;
    if (h.bits > 8) return;
    const size_t entry = h.core ? 3 : 4;
    size_t count = h.coloursUsed == 0 || h.coloursUsed > (1u << h.bits) ? (size_t(1) << h.bits)
                                                                        : h.coloursUsed;
    const size_t end = limit < size ? limit : size;
    const size_t available = end > h.paletteOffset ? (end - h.paletteOffset) / entry : 0;
    if (count > available) count = available;
    const uint8_t* p = data + h.paletteOffset;
    for (size_t i = 0; i < count; ++i, p += entry) {
        palette[i] = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
}

void DecodeRow(const uint8_t* src, uint32_t* out, uint32_t width, const Header& h,
               const uint32_t* palette) {
    switch (h.bits) {
        case 1:
            for (uint32_t x = 0; x < width; ++x) out[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (uint32_t x = 0; x < width; ++x) out[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
            break;
        case 8:
            for (uint32_t x = 0; x < width; ++x) out[x] = palette[src[x]];
            break;
        case 16:
            for (uint32_t x = 0; x < width; ++x, src += 2) {
                const uint32_t v = U16(src);
                out[x] = h.fields[3].Get(v, 255) << 24 | h.fields[0].Get(v, 0) << 16 |
                         h.fields[1].Get(v, 0) << 8 | h.fields[2].Get(v, 0);
            }
            break;
        case 24:
            for (uint32_t x = 0; x < width; ++x, src += 3) {
                out[x] = 0xFF000000u | uint32_t(src[2]) << 16 | uint32_t(src[1]) << 8 | src[0];
            }
            break;
        case 32:
            if (h.compression == kRgb) {
                std::memcpy(out, src, size_t(width) * 4);  // B, G, R, A: the pixel's own order
            } else {
                for (uint32_t x = 0; x < width; ++x, src += 4) {
                    const uint32_t v = U32(src);
                    out[x] = h.fields[3].Get(v, 255) << 24 | h.fields[0].Get(v, 0) << 16 |
                             h.fields[1].Get(v, 0) << 8 | h.fields[2].Get(v, 0);
                }
            }
            break;
        default:
            break;
    }
}

// Decodes an RLE4 or RLE8 stream into the bottom-up image; false when the data
// ends before the bitmap does.
bool DecodeRunLengths(const uint8_t* p, const uint8_t* end, DecodedPixels& out, bool four,
                      const uint32_t* palette) {
    const uint32_t width = uint32_t(out.width);
    const uint32_t height = uint32_t(out.height);
    uint64_t x = 0;
    uint64_t y = 0;  // counted from the bottom row
    while (y < height) {
        if (end - p < 2) return false;
        const uint32_t count = p[0];
        const uint32_t value = p[1];
        p += 2;
        uint32_t* row = out.Row(int32_t(height - 1 - y));
        if (count > 0) {
            // A run: one index (RLE8) or two alternating indices (RLE4).
            const uint32_t first = four ? palette[value >> 4] : palette[value];
            const uint32_t second = four ? palette[value & 15] : first;
            for (uint32_t i = 0; i < count && x < width; ++i, ++x) row[x] = (i & 1) ? second : first;
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:  // end of bitmap
                return true;
            case 2:  // delta
                if (end - p < 2) return false;
                x += p[0];
                y += p[1];
                p += 2;
                break;
            default: {  // `value` literal indices, padded to a 16-bit boundary
                const size_t bytes = four ? (value + 1) / 2 : value;
                const size_t padded = (bytes + 1) & ~size_t(1);
                if (size_t(end - p) < bytes) return false;
                for (uint32_t i = 0; i < value && x < width; ++i, ++x) {
                    const uint32_t index = four ? (p[i >> 1] >> ((i & 1) ? 0 : 4)) & 15 : p[i];
                    row[x] = palette[index];
                }
                p += size_t(end - p) < padded ? size_t(end - p) : padded;
                break;
            }
        }
    }
    return true;
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, DecodedPixels& out) noexcept {
    Header h;
    if (!ReadHeader(data, size, h)) return false;
    const bool topDown = h.height < 0;
    const uint64_t width = uint64_t(h.width);
    const uint64_t height = uint64_t(topDown ? -h.height : h.height);
    const size_t offset = U32(data + 10);
    if (offset < h.paletteOffset || offset >= size) return false;
    uint32_t palette[256];
    ReadPalette(data, size, offset, h, palette);

    if (h.compression == kRle8 || h.compression == kRle4) {
        const uint64_t dataBytes = size - offset;
        if (!IsBackedByData(width, height, width * height, dataBytes * kRunLengthPixelsPerByte)) return false;
        if (!AllocatePixels(out, width, height)) return false;
        for (uint64_t i = 0, n = width * height; i < n; ++i) out.pixels[i] = palette[0];
        if (!DecodeRunLengths(data + offset, data + size, out, h.compression == kRle4, palette)) {
            out = DecodedPixels();
            return false;
        }
        return true;
    }

    // Uncompressed rows: whole 32-bit words each; the last row need not be padded.
    const uint64_t rowBytes = (width * h.bits + 7) / 8;
    const uint64_t stride = (width * h.bits + 31) / 32 * 4;
    if (!IsDecodedSizeAllowed(width, height)) return false;
    if (stride * (height - 1) + rowBytes > size - offset) return false;
    if (!AllocatePixels(out, width, height)) return false;
    for (uint64_t r = 0; r < height; ++r) {
        const uint8_t* src = data + offset + r * stride;
        DecodeRow(src, out.Row(int32_t(topDown ? r : height - 1 - r)), uint32_t(width), h, palette);
    }
    if (h.bits == 32 && h.compression == kRgb) {
        // A fourth byte that is 0 everywhere is padding, not transparency.
        const size_t n = size_t(width * height);
        uint32_t any = 0;
        for (size_t i = 0; i < n; ++i) any |= out.pixels[i];
        if ((any >> 24) == 0) {
            for (size_t i = 0; i < n; ++i) out.pixels[i] |= 0xFF000000u;
        }
    }
    return true;
}

}  // namespace platform::image_detail
