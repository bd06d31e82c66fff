// Format sniffing, the decoder dispatch and whole-file reading for the image
// codecs (the codecs themselves are PngCodec.cpp, JpegCodec.cpp, BmpDecoder.cpp).
//
// Sizes a file may claim. Every format stores its size in a header that costs
// nothing to forge, and every decoder allocates the whole image before it reads
// the first pixel; a 60-byte file that claims 16383 x 16383 would cost a
// gigabyte before it fails (or, for a run-length bitmap ending at once, succeed
// as a gigabyte of palette entry 0). So beyond the size rule, an image larger
// than kUnbackedPixels must be one the data present in the file can describe.
// Each codec compares the least data its format needs for the claimed size with
// what follows the header:
//   PNG: the filtered rows (one filter byte a row plus the packed samples)
//        against kDeflateMaxRatio times the bytes left. This is exact: libpng
//        fails a stream that ends early, so no readable file is refused.
//   JPEG: the blocks of the first scan. A sequential Huffman scan, or a
//        progressive one that starts the DC values, spends at least one bit
//        a block. Arithmetic
//        coding is held to the same bit a block: its adaptive coder can spend
//        less, so a huge, nearly flat arithmetic-coded file may be refused.
//        A first scan that starts no DC values is not a valid progression and
//        backs nothing. (libjpeg fills data that ends at a marker with grey and
//        carries on, so without this bound a header alone would decode.)
//   BMP: uncompressed rows must be in the file whole. A run-length stream may
//        cover kRunLengthPixelsPerByte pixels a byte: an end-of-line code (two
//        bytes) on every row of the widest square image stays below that,
//        while a stream that ends the bitmap at once or skips it by deltas
//        describes nothing.
// So a byte of data stands for at most about 8192 pixels (32 KB of memory;
// a JPEG block of the smallest component covers up to 1024 pixels), and a file
// of a few hundred bytes never costs more than the kUnbackedPixels floor.
#include "platform/image/ImageCodec.h"

#include <cstring>
#include <new>

#include "platform/PosixFile.h"
#include "platform/image/ImageCodecDetail.h"

namespace platform {

ImageFormat SniffImageFormat(const void* data, size_t size) noexcept {
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (bytes == nullptr) return ImageFormat::Unknown;
    if (size >= 8 && std::memcmp(bytes, kPng, 8) == 0) return ImageFormat::Png;
    if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) return ImageFormat::Jpeg;
    if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return ImageFormat::Bmp;
    return ImageFormat::Unknown;
}

bool DecodeImage(const void* data, size_t size, DecodedPixels& out) noexcept {
    out = DecodedPixels();
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    bool ok = false;
    switch (SniffImageFormat(data, size)) {
        case ImageFormat::Png: ok = image_detail::DecodePng(bytes, size, out); break;
        case ImageFormat::Jpeg: ok = image_detail::DecodeJpeg(bytes, size, out); break;
        case ImageFormat::Bmp: ok = image_detail::DecodeBmp(bytes, size, out); break;
        case ImageFormat::Unknown: break;
    }
    if (!ok) out = DecodedPixels();
    return ok;
}

bool DecodeImageFile(const char* path, DecodedPixels& out) noexcept {
    out = DecodedPixels();
    if (path == nullptr) return false;
    FileOpenRequest request;
    request.shareRead = true;
    request.hint = FileAccessHint::Sequential;
    const int fd = OpenFile(path, request);
    if (fd < 0) return false;
    int64_t size = 0;
    std::unique_ptr<uint8_t[]> bytes;
    bool ok = GetFileSize(fd, size) && size > 0 && size < (int64_t(1) << 31);
    if (ok) {
        bytes.reset(new (std::nothrow) uint8_t[size_t(size)]);
        ok = bytes != nullptr && ReadFile(fd, bytes.get(), uint32_t(size)) == size;
    }
    CloseFile(fd);
    return ok && DecodeImage(bytes.get(), size_t(size), out);
}

namespace image_detail {

bool AllocatePixels(DecodedPixels& out, uint64_t width, uint64_t height) noexcept {
    out = DecodedPixels();
    if (!IsDecodedSizeAllowed(width, height)) return false;
    out.pixels.reset(new (std::nothrow) uint32_t[size_t(width * height)]);
    if (out.pixels == nullptr) return false;
    out.width = int32_t(width);
    out.height = int32_t(height);
    return true;
}

bool IsBackedByData(uint64_t width, uint64_t height, uint64_t needed, uint64_t available) noexcept {
    if (!IsDecodedSizeAllowed(width, height)) return false;
    return width * height <= kUnbackedPixels || needed <= available;
}

bool IsValidRows(const PixelRows& rows) noexcept {
    if (rows.firstRow == nullptr || rows.width <= 0 || rows.height <= 0) return false;
    const int64_t pixelBytes = rows.layout == PixelLayout::Bgra32 ? 4 : 3;
    const int64_t magnitude = rows.stride < 0 ? -int64_t(rows.stride) : int64_t(rows.stride);
    return rows.height == 1 || magnitude >= int64_t(rows.width) * pixelBytes;
}

}  // namespace image_detail
}  // namespace platform
