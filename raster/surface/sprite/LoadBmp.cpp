// The system's own reader of Windows bitmap files: uncompressed (BI_RGB),
// bottom-up, 24 or 32 bits per pixel; everything else is left to the image-file
// layer's decoders.
//
// The file is read through the buffered file: the 14-byte file header, 40 bytes
// of the information header (a longer header, such as the 124-byte V5 one, is
// read no further: the pixels are found through bfOffBits), then the rows from
// bfOffBits, bottom row first. A 24-bit row is read into the start of its sprite
// row and widened in place from the right end, where the 3-byte pixels never
// overtake the 4-byte ones being written.
//
// A header comes from an untrusted file: the size is checked against the sprite
// size rule and the rows it promises against the file's size before any pixel
// memory is taken, so a hostile header costs neither a crash nor a huge block.
#include <cstdint>

#include "foundation/files/FFile.h"
#include "foundation/strings/Str.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr uint16_t kBitmapFileType = 0x4D42;  // "BM"
constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kUncompressed = 0;  // BI_RGB

uint16_t ReadU16(const unsigned char* p) noexcept { return uint16_t(p[0] | (p[1] << 8)); }

uint32_t ReadU32(const unsigned char* p) noexcept {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Bytes of one stored row: 24-bit rows are padded to a multiple of 4 bytes
// (width x 3 + width mod 4 is that multiple).
uint32_t StoredRowBytes(int32_t width, uint16_t bitCount) noexcept {
    const uint32_t w = uint32_t(width);
    return bitCount == 32 ? w * 4 : w * 3 + (w & 3);
}

// Turns the B, G, R triples at the start of a row into B, G, R, 0 pixels.
void WidenRow(unsigned char* row, int32_t width) noexcept {
    for (int32_t j = width - 1; j >= 1; --j) {
        const unsigned char* from = row + size_t(j) * 3;
        const unsigned char b = from[0], g = from[1], r = from[2];
        unsigned char* to = row + size_t(j) * 4;
        to[0] = b;
        to[1] = g;
        to[2] = r;
        to[3] = 0;
    }
    row[3] = 0;
}

}  // namespace

bool CSprite::LoadBMP(const char* path) {
    if (HasImage() || path == nullptr) return false;

    CFFile file;  // a 512 KiB ring; throws the int 0 when it cannot be had
    if (file.Open(path, "rb", IFFile::kAttributeArchive) != IFFile::kOk) return false;

    unsigned char header[kFileHeaderBytes + kInfoHeaderBytes];
    if (file.Read(header, kFileHeaderBytes) != kFileHeaderBytes) return false;
    if (file.Read(header + kFileHeaderBytes, kInfoHeaderBytes) != kInfoHeaderBytes) return false;
    const uint16_t type = ReadU16(header + 0);
    const uint32_t offBits = ReadU32(header + 10);
    const int32_t width = int32_t(ReadU32(header + 18));
    const int32_t height = int32_t(ReadU32(header + 22));
    const uint16_t bitCount = ReadU16(header + 28);
    const uint32_t compression = ReadU32(header + 30);
    if (type != kBitmapFileType || (bitCount != 24 && bitCount != 32) || compression != kUncompressed) {
        return false;
    }
    // Top-down files (negative height) and empty images are refused, and so is
    // anything the size rule would not let a sprite hold.
    if (width <= 0 || height <= 0 || !IsSpriteSizeAllowed(width, height)) return false;

    const uint32_t rowBytes = StoredRowBytes(width, bitCount);
    int64_t fileSize = 0;
    if (file.GetSize(fileSize) != IFFile::kOk) return false;
    if (int64_t(offBits) + int64_t(rowBytes) * height > fileSize) return false;

    const int64_t pixelStart = offBits;
    if (file.SetPosition(pixelStart) != IFFile::kOk) return false;
    if (!Create(width, height, true)) return false;

    for (int32_t y = height - 1; y >= 0; --y) {
        unsigned char* row = reinterpret_cast<unsigned char*>(PixelAt(0, y));
        if (file.Read(row, rowBytes) != rowBytes) {
            Release();
            return false;
        }
        if (bitCount == 24) WidenRow(row, width);
    }
    return true;
}

bool CSprite::LoadBMP(const char16_t* path) {
    if (HasImage() || path == nullptr) return false;
    // Characters outside code page 932 travel as escapes, which the file layer
    // turns back just before the system sees the path; a plain conversion would
    // put "?" in their place and could name another file.
    CStr_base<64> narrow;
    if (!narrow.FromWide(path, true)) return false;
    return LoadBMP(narrow.GetText());
}
