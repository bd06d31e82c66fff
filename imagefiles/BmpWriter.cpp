// The Windows bitmap writer: 32 bits per pixel, bottom-up, the 14-byte file
// header and the 40-byte information header, no palette. Rows of 32-bit pixels
// need no padding, and the alpha byte is written as it is (the system's own
// reader takes it back as alpha).
//
// The file is written through the atomic replace of the file layer: rows are
// gathered bottom row first into a buffer of about a megabyte and written in
// large pieces; any failed write leaves the old file as it was.
#include <cstring>
#include <memory>
#include <new>

#include "foundation/files/AtomicFile.h"
#include "foundation/strings/Str.h"
#include "imagefiles/ImageFiles.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kHeaderBytes = kFileHeaderBytes + kInfoHeaderBytes;
constexpr size_t kChunkBytes = size_t(1) << 20;

void Put16(unsigned char* p, uint32_t v) noexcept {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void Put32(unsigned char* p, uint32_t v) noexcept {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

}  // namespace

bool SaveBMP(const CSprite& sprite, const char* path) {
    if (path == nullptr || !sprite.HasImage()) return false;
    const int32_t width = sprite.GetWidth();
    const int32_t height = sprite.GetHeight();
    if (width < 0 || height < 0) return false;
    const uint64_t imageBytes = uint64_t(width) * uint64_t(height) * 4;
    if (imageBytes + kHeaderBytes > UINT32_MAX) return false;

    unsigned char header[kHeaderBytes] = {};
    Put16(header + 0, 0x4D42);  // "BM"
    Put32(header + 2, uint32_t(imageBytes) + kHeaderBytes);
    Put32(header + 10, kHeaderBytes);
    Put32(header + 14, kInfoHeaderBytes);
    Put32(header + 18, uint32_t(width));
    Put32(header + 22, uint32_t(height));
    Put16(header + 26, 1);   // planes
    Put16(header + 28, 32);  // bits per pixel
    Put32(header + 34, uint32_t(imageBytes));
    // Compression (BI_RGB), resolutions and colour counts stay 0.

    CAtomicFile file;
    if (file.Open(path, "wb", IFFile::kAttributeArchive) != IFFile::kOk) return false;
    if (file.Write(header, kHeaderBytes) != IFFile::kOk) return false;

    const size_t rowBytes = size_t(width) * 4;
    if (rowBytes != 0 && height != 0) {
        const size_t rowsPerChunk = rowBytes >= kChunkBytes ? 1 : kChunkBytes / rowBytes;
        const size_t chunkRows = rowsPerChunk < size_t(height) ? rowsPerChunk : size_t(height);
        std::unique_ptr<unsigned char[]> chunk(new (std::nothrow) unsigned char[chunkRows * rowBytes]);
        if (!chunk) return false;
        int32_t y = height - 1;
        while (y >= 0) {
            size_t filled = 0;
            for (size_t n = 0; n < chunkRows && y >= 0; ++n, --y) {
                std::memcpy(chunk.get() + filled, sprite.PixelAt(0, y), rowBytes);
                filled += rowBytes;
            }
            if (file.Write(chunk.get(), uint32_t(filled)) != IFFile::kOk) return false;
        }
    }
    return file.Commit() == IFFile::kOk;
}

bool SaveBMPWide(const CSprite& sprite, const char16_t* path) {
    if (path == nullptr) return false;
    // "?" is never a trail byte of code page 932, so a "?" the conversion
    // has more than the path is a character it could not convert.
    size_t questionMarks = 0;
    for (const char16_t* c = path; *c != 0; ++c) questionMarks += *c == u'?';
    CStr_base<64> narrow;
    try {
        if (!narrow.FromWide(path, false)) return false;
    } catch (...) {
        return false;
    }
    const char* text = narrow.GetText();
    for (int32_t i = 0; i < narrow.GetLength(); ++i) {
        if (text[i] != '?') continue;
        if (questionMarks == 0) return false;
        --questionMarks;
    }
    return SaveBMP(sprite, text);
}
