// Format sniffing, the decoder dispatch and whole-file reading for the image
// codecs (the codecs themselves are PngCodec.cpp, JpegCodec.cpp, BmpDecoder.cpp).
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
    if (width == 0 || height == 0 || width > uint64_t(kMaxDecodedSide) ||
        height > uint64_t(kMaxDecodedSide) || width * height > kMaxDecodedPixels) {
        return false;
    }
    out.pixels.reset(new (std::nothrow) uint32_t[size_t(width * height)]);
    if (out.pixels == nullptr) return false;
    out.width = int32_t(width);
    out.height = int32_t(height);
    return true;
}

bool IsValidRows(const PixelRows& rows) noexcept {
    if (rows.firstRow == nullptr || rows.width <= 0 || rows.height <= 0) return false;
    const int64_t pixelBytes = rows.layout == PixelLayout::Bgra32 ? 4 : 3;
    const int64_t magnitude = rows.stride < 0 ? -int64_t(rows.stride) : int64_t(rows.stride);
    return rows.height == 1 || magnitude >= int64_t(rows.width) * pixelBytes;
}

}  // namespace image_detail
}  // namespace platform
