// Loading image files into sprites, and the pixel side of a clipboard paste.
//
// The reader of a file is chosen by its first bytes: file names lie (a PNG saved
// as x.bmp, a WebP renamed to x.png), contents do not. The extension of the
// name decides only when the content announces none of the known kinds, which
// can only fail in the end but keeps the failure with the reader the name asks
// for. A WebP or RCG file is final for its reader: nothing else reads those
// formats, so a failure there is the answer. A Windows bitmap goes to the
// raster surface's own reader first and, when that refuses the variant, to the
// platform's image codecs (CSprite::LoadFromGdiPlus), which read every BMP
// variant, PNG and JPEG.
//
// Files that carry no alpha decode with alpha 0 everywhere (24-bit BMP, RGB
// RCG records): such a result is made opaque. WebP declares its alpha itself
// and is left as decoded.
#include "imagefiles/ImageFiles.h"

#include <cstring>
#include <new>

#include "foundation/files/SFile.h"
#include "foundation/strings/UStr.h"
#include "imagefiles/rcg/RcgContainer.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "platform/image/ImageCodec.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// A code-page-932 lead byte: the byte after it belongs to the same character.
bool IsLeadByte(unsigned char c) noexcept { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

char AsciiLower(char c) noexcept { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(const char* text, const char* lowerAscii) noexcept {
    for (; *lowerAscii != 0; ++text, ++lowerAscii) {
        if (AsciiLower(*text) != *lowerAscii) return false;
    }
    return *text == 0;
}

// Reads the first bytes of the file; the count read, or -1 when it cannot be opened.
int32_t ReadHead(const char* path, uint8_t* head, uint32_t size) {
    CSFile file;
    if (file.Open(path, "rb", IFFile::kAttributeArchive) != IFFile::kOk) return -1;
    return int32_t(file.Read(head, size));
}

// A fully transparent image carries no alpha: make it opaque.
void MakeOpaqueIfTransparent(CSprite& sprite) {
    if (!IsRasterReady()) return;
    if (sprite.IsRectTransparent(0, 0, sprite.GetWidth(), sprite.GetHeight())) {
        sprite.FillRectA(0, 0, sprite.GetWidth(), sprite.GetHeight(), 255);
    }
}

bool LoadThroughDecoder(const char* path, CSprite& sprite) {
    CUStr_base<64> wide;
    if (!wide.FromCP932(path, false)) return false;
    // Names with characters that code page 932 cannot hold arrive as escapes.
    wide.DecodeEscapes();
    if (!IsRasterReady()) return false;
    return sprite.LoadFromGdiPlus(wide.GetText());
}

bool LoadRcg(const char* path, CSprite& sprite) {
    CMemoryBlock<unsigned char> record;
    if (ReadRcgFrame(record, path, 0) == kRcgFrameNone) return false;
    if (!IsRasterReady()) return false;
    return DecodeRcg(sprite, record.GetBuffer(), record.GetCount()) == 0;
}

bool LoadByKind(const char* path, CSprite& sprite, ImageFileKind kind) {
    switch (kind) {
        case ImageFileKind::WebP:
            return LoadWebPFile(sprite, path);
        case ImageFileKind::Rcg:
            if (!LoadRcg(path, sprite)) return false;
            break;
        case ImageFileKind::Bmp:
            if (IsRasterReady() && sprite.LoadBMP(path)) break;
            sprite.Release();
            if (!LoadThroughDecoder(path, sprite)) return false;
            break;
        default:
            if (!LoadThroughDecoder(path, sprite)) return false;
            break;
    }
    MakeOpaqueIfTransparent(sprite);
    return true;
}

}  // namespace

ImageFileKind ImageFileKindFromPath(const char* path) {
    if (path == nullptr) return ImageFileKind::Unknown;
    const char* componentStart = path;
    const char* lastDot = nullptr;
    for (const char* p = path; *p != 0;) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (IsLeadByte(c)) {
            if (p[1] == 0) break;
            p += 2;
            continue;
        }
        if (c == '\\' || c == '/') {
            componentStart = p + 1;
            lastDot = nullptr;
        } else if (c == '.') {
            lastDot = p;
        }
        ++p;
    }
    // A name that starts with its only dot (".webp") has no extension.
    if (lastDot == nullptr || lastDot == componentStart) return ImageFileKind::Unknown;
    static constexpr struct {
        const char* extension;
        ImageFileKind kind;
    } kExtensions[] = {
        {".bmp", ImageFileKind::Bmp},   {".rcg", ImageFileKind::Rcg},   {".webp", ImageFileKind::WebP},
        {".png", ImageFileKind::Png},   {".jpg", ImageFileKind::Jpeg},  {".jpeg", ImageFileKind::Jpeg},
        {".jpe", ImageFileKind::Jpeg},
    };
    for (const auto& entry : kExtensions) {
        if (EqualsIgnoringCase(lastDot, entry.extension)) return entry.kind;
    }
    return ImageFileKind::Unknown;
}

ImageFileKind ImageFileKindFromContent(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr) return ImageFileKind::Unknown;
    if (size >= 12 && std::memcmp(bytes, "RIFF", 4) == 0 && std::memcmp(bytes + 8, "WEBP", 4) == 0) {
        return ImageFileKind::WebP;
    }
    if (size >= 5 && ((std::memcmp(bytes, "RCG2", 4) == 0 && bytes[4] == '0') ||
                      (std::memcmp(bytes, "RCG1", 4) == 0 && bytes[4] == '1'))) {
        return ImageFileKind::Rcg;
    }
    switch (platform::SniffImageFormat(bytes, size)) {
        case platform::ImageFormat::Bmp:
            return ImageFileKind::Bmp;
        case platform::ImageFormat::Png:
            return ImageFileKind::Png;
        case platform::ImageFormat::Jpeg:
            return ImageFileKind::Jpeg;
        default:
            return ImageFileKind::Unknown;
    }
}

bool LoadImageFile(const char* path, CSprite& sprite) {
    sprite.Release();
    if (path == nullptr) return false;
    try {
        uint8_t head[16];
        const int32_t got = ReadHead(path, head, sizeof head);
        if (got < 0) return false;
        ImageFileKind kind = ImageFileKindFromContent(head, size_t(got));
        if (kind == ImageFileKind::Unknown) kind = ImageFileKindFromPath(path);
        return LoadByKind(path, sprite, kind);
    } catch (...) {
        // Short memory (or a read buffer that cannot be had) in any reader:
        // nothing was loaded.
        sprite.Release();
        return false;
    }
}

// ---------------------------------------------------------------------------
// Clipboard bitmaps
// ---------------------------------------------------------------------------

bool LoadFromClipboard(CSprite& sprite, IClipboardBitmap& bitmap) {
    if (!IsRasterReady()) return false;
    int32_t width = 0;
    int32_t height = 0;
    if (!bitmap.GetSize(width, height)) return false;
    if (height < 0) {
        if (height == INT32_MIN) return false;
        height = -height;
    }
    try {
        if (!sprite.ResizeUncleared(width, height)) return false;
    } catch (const std::bad_alloc&) {
        return false;  // the old image is intact
    }
    const int32_t rows = bitmap.ReadRows(sprite.GetPixels(), sprite.GetStride(), width, height);
    if (rows != height) {
        // Rows that never arrived hold whatever the block held before.
        sprite.Release();
        return false;
    }
    if (sprite.IsTransparentIfReady()) sprite.FillRectA(0, 0, width, height, 255);
    return true;
}

namespace {

class MemoryClipboardBitmap final : public IClipboardBitmap {
public:
    MemoryClipboardBitmap(const void* firstRow, ptrdiff_t strideBytes, int32_t width, int32_t height) noexcept
        : m_firstRow(static_cast<const unsigned char*>(firstRow)),
          m_strideBytes(strideBytes),
          m_width(width),
          m_height(height) {}

    bool GetSize(int32_t& width, int32_t& height) override {
        if (m_firstRow == nullptr || m_width < 0 || m_height < 0) return false;
        if (m_width > 0 && (m_strideBytes < 0 ? -m_strideBytes : m_strideBytes) < ptrdiff_t(m_width) * 4) {
            return false;
        }
        width = m_width;
        height = m_height;
        return true;
    }

    int32_t ReadRows(uint32_t* pixels, int32_t strideWords, int32_t width, int32_t height) override {
        const size_t rowBytes = size_t(width) * 4;
        for (int32_t y = 0; y < height; ++y) {
            std::memcpy(pixels + ptrdiff_t(y) * strideWords, m_firstRow + ptrdiff_t(y) * m_strideBytes, rowBytes);
        }
        return height;
    }

private:
    const unsigned char* m_firstRow;
    ptrdiff_t m_strideBytes;
    int32_t m_width;
    int32_t m_height;
};

}  // namespace

bool LoadFromClipboardPixels(CSprite& sprite, const void* firstRow, ptrdiff_t strideBytes, int32_t width,
                             int32_t height) {
    MemoryClipboardBitmap bitmap(firstRow, strideBytes, width, height);
    return LoadFromClipboard(sprite, bitmap);
}
