#pragma once
// The PNG, JPEG and BMP codecs behind the image-file layer (libpng and
// libjpeg-turbo, linked directly; a BMP reader of our own).
//
// Decoding turns a whole file, already in memory, into 32-bit pixels 0xAARRGGBB
// with straight alpha (memory bytes B, G, R, A), rows packed top row first. The
// format is chosen by the content (PNG signature, JPEG start-of-image marker,
// "BM"), never by a file name. Every input is treated as untrusted: sizes and
// offsets are checked against the buffer, truncated or corrupt data is refused,
// and sizes outside IsDecodedSizeAllowed or beyond what the file's data can
// describe are refused before anything is allocated.
//
// Encoding writes PNG (8-bit RGBA with straight alpha, or 8-bit RGB from 24-bit
// rows) and JPEG (alpha dropped) into memory; the caller writes the bytes to a
// file (through the atomic replace of the file layer).
//
// Nothing here throws: a failed allocation is a failed decode or encode.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

enum class ImageFormat { Unknown, Png, Jpeg, Bmp };

// The format the first bytes announce.
ImageFormat SniffImageFormat(const void* data, size_t size) noexcept;

// Sizes a decoder produces: the sprite's size rule, repeated here because the
// codecs sit below the raster layer. Both sides below 16384, or a strip of at
// most 500000 x 256; never an empty image.
constexpr int32_t kDecodedSideLimit = 16384;  // sides below this always pass
constexpr int32_t kMaxStripWidth = 500000;
constexpr int32_t kMaxStripHeight = 256;
constexpr bool IsDecodedSizeAllowed(uint64_t width, uint64_t height) noexcept {
    if (width == 0 || height == 0) return false;
    if (width < uint64_t(kDecodedSideLimit) && height < uint64_t(kDecodedSideLimit)) return true;
    return width <= uint64_t(kMaxStripWidth) && height <= uint64_t(kMaxStripHeight);
}

// Images of up to this many pixels (16 MB of pixels) are decoded whatever
// their data holds. A larger image must be one its file's data can describe
// (see ImageCodec.cpp): a file of a few hundred bytes that claims gigapixels
// is refused before anything is allocated.
constexpr uint64_t kUnbackedPixels = uint64_t(1) << 22;

// A decoded image: width x height pixels, rows packed, top row first.
struct DecodedPixels {
    int32_t width = 0;
    int32_t height = 0;
    std::unique_ptr<uint32_t[]> pixels;

    uint32_t* Row(int32_t y) noexcept { return pixels.get() + size_t(y) * size_t(width); }
    const uint32_t* Row(int32_t y) const noexcept {
        return pixels.get() + size_t(y) * size_t(width);
    }
};

// Decodes PNG, JPEG or BMP bytes. On false `out` is left empty. Sizes outside
// IsDecodedSizeAllowed, and sizes above kUnbackedPixels that the file's data
// cannot describe, are refused before the pixels are allocated.
//   PNG: every colour type and bit depth; palette and tRNS give alpha, 16-bit
//        channels are scaled to 8 bits, interlaced files are read whole. No
//        gamma correction: the stored values are the pixels.
//   JPEG: baseline and progressive, greyscale, RGB/YCbCr, CMYK and YCCK (inks
//        stored inverted, Adobe's convention) converted to RGB; alpha 255.
//   BMP: 1/4/8-bit palettes, RLE4 and RLE8, 16-bit (5-5-5 or bit fields),
//        24-bit, 32-bit (plain or bit fields), bottom-up or top-down, with the
//        Windows, OS/2 1.x and V4/V5 headers. Alpha comes from an alpha bit
//        field; 32-bit plain pixels keep their fourth byte as alpha unless it is
//        0 everywhere (then the image is opaque); everything else has alpha 255.
bool DecodeImage(const void* data, size_t size, DecodedPixels& out) noexcept;

// Reads the file (a UTF-8 file-system path) whole and decodes it. Files of 2 GiB
// or more are refused.
bool DecodeImageFile(const char* path, DecodedPixels& out) noexcept;

// Pixel rows handed to an encoder.
enum class PixelLayout {
    Bgra32,  // 4 bytes a pixel: B, G, R, A (a 0xAARRGGBB word in memory)
    Bgr24,   // 3 bytes a pixel: B, G, R
};
struct PixelRows {
    const void* firstRow = nullptr;  // the top row
    ptrdiff_t stride = 0;            // bytes from one row to the next (negative: upwards)
    int32_t width = 0;
    int32_t height = 0;
    PixelLayout layout = PixelLayout::Bgra32;
};

// PNG: 8-bit RGBA with straight alpha from Bgra32 rows, 8-bit RGB from Bgr24
// rows, not interlaced, zlib at `level` (0-9) with adaptive filtering. False for
// an empty or invalid image or a failure; `out` then holds nothing.
bool EncodePng(const PixelRows& rows, int level, std::vector<uint8_t>& out) noexcept;

// JPEG: baseline, YCbCr 4:2:0 at `quality` (1-100, clamped); alpha is dropped.
// Sides above 65500 cannot be stored and fail.
bool EncodeJpeg(const PixelRows& rows, int quality, std::vector<uint8_t>& out) noexcept;

}  // namespace platform
