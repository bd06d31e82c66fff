// PNG and JPEG saving over the platform codecs.
#include "imagefiles/GdiPlus.h"

#include <vector>

#include "foundation/files/AtomicFile.h"
#include "foundation/strings/Str.h"
#include "platform/image/ImageCodec.h"

namespace {

// Code page 932 path for the file layer: characters without a code page 932
// form travel as escapes, which the file layer turns back.
bool ToFilePath(const char16_t* path, CStr_base<64>& narrow) {
    return path != nullptr && path[0] != 0 && narrow.FromWide(path, true);
}

// Replaces the file by `bytes`, or leaves it untouched.
bool WriteWholeFile(const char16_t* path, const std::vector<uint8_t>& bytes) noexcept {
    try {
        CStr_base<64> narrow;
        if (!ToFilePath(path, narrow)) return false;
        CAtomicFile file;
        if (file.Open(narrow.GetText(), "wb", 0x20) != 0) return false;
        constexpr size_t kChunk = size_t(1) << 30;
        for (size_t done = 0; done < bytes.size();) {
            const size_t count = bytes.size() - done < kChunk ? bytes.size() - done : kChunk;
            if (file.Write(bytes.data() + done, uint32_t(count)) != 0) return false;
            done += count;
        }
        return file.Commit() == 0;
    } catch (...) {
        // A path conversion or file object that cannot get memory.
        return false;
    }
}

enum class Codec { Png, Jpeg };

bool Save(Codec codec, const char16_t* path, const platform::PixelRows& rows, int quality) noexcept {
    if (path == nullptr || path[0] == 0) return false;
    std::vector<uint8_t> bytes;
    const bool encoded = codec == Codec::Png ? platform::EncodePng(rows, GDIPlusDLL::kPngLevel, bytes)
                                             : platform::EncodeJpeg(rows, quality, bytes);
    return encoded && WriteWholeFile(path, bytes);
}

platform::PixelRows Rows32(const void* pixels, int32_t width, int32_t height) {
    platform::PixelRows rows;
    rows.firstRow = pixels;
    rows.width = width;
    rows.height = height;
    rows.stride = ptrdiff_t(width) * 4;
    rows.layout = platform::PixelLayout::Bgra32;
    return rows;
}

// Rows of 3-byte pixels padded to 4 bytes; a negative height stores them upwards.
platform::PixelRows Rows24(const void* pixels, int32_t width, int32_t height) {
    platform::PixelRows rows;
    if (pixels == nullptr || width <= 0 || height == 0 || height == INT32_MIN) return rows;
    const ptrdiff_t stride = (ptrdiff_t(width) * 3 + 3) & ~ptrdiff_t(3);
    rows.width = width;
    rows.layout = platform::PixelLayout::Bgr24;
    if (height > 0) {
        rows.firstRow = pixels;
        rows.height = height;
        rows.stride = stride;
    } else {
        rows.height = -height;
        rows.firstRow = static_cast<const uint8_t*>(pixels) + stride * ptrdiff_t(rows.height - 1);
        rows.stride = -stride;
    }
    return rows;
}

}  // namespace

bool GDIPlusDLL::Load() noexcept { return true; }

bool GDIPlusDLL::SavePng32(const char16_t* path, const void* pixels, int32_t width, int32_t height) noexcept {
    return Save(Codec::Png, path, Rows32(pixels, width, height), 0);
}

bool GDIPlusDLL::SaveJpeg32(const char16_t* path, const void* pixels, int32_t width, int32_t height,
                            int quality) noexcept {
    return Save(Codec::Jpeg, path, Rows32(pixels, width, height), quality);
}

bool GDIPlusDLL::SavePng24(const char16_t* path, const void* pixels, int32_t width, int32_t height) noexcept {
    return Save(Codec::Png, path, Rows24(pixels, width, height), 0);
}

bool GDIPlusDLL::SaveJpeg24(const char16_t* path, const void* pixels, int32_t width, int32_t height,
                            int quality) noexcept {
    return Save(Codec::Jpeg, path, Rows24(pixels, width, height), quality);
}
