// The loader bitmap over the platform's image codecs, and the sprite loader that
// copies a decoded image into a sprite.
#include "raster/surface/sprite/ImageDecoder.h"

#include <cstring>
#include <new>
#include <string>

#include "foundation/strings/UStr.h"
#include "platform/Utf8.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// The file system's name of a program path: made absolute as the file layer
// does (a surrounding pair of double quotes dropped, "." and ".." resolved on the
// text, "/" separators), then UTF-8. False when it has no such name (an unpaired
// surrogate, a path beyond the system's limit).
bool SystemPath(const char16_t* path, std::string& utf8) {
    CUStr_base<64> full;
    if (!MakeFullPathWide(path, full)) return false;
    return platform::Utf16ToUtf8(full.GetText(), size_t(full.GetLength()), utf8);
}

}  // namespace

bool GDIPLoaderBitmap::LoadFromFile(const char16_t* path) {
    Release();
    if (path == nullptr || path[0] == 0) return false;
    try {
        std::string utf8;
        if (!SystemPath(path, utf8)) return false;
        return platform::DecodeImageFile(utf8.c_str(), m_image);
    } catch (const std::bad_alloc&) {
        // No memory for the path: nothing is held.
        return false;
    }
}

bool GDIPLoaderBitmap::LoadFromMemory(const void* data, size_t size) {
    Release();
    if (data == nullptr) return false;
    return platform::DecodeImage(data, size, m_image);
}

bool CSprite::LoadFromGdiPlus(const char16_t* path) {
    if (HasImage()) return false;
    GDIPLoaderBitmap bitmap;
    if (!bitmap.LoadFromFile(path)) return false;
    const int32_t width = bitmap.GetWidth();
    const int32_t height = bitmap.GetHeight();
    if (!Create(width, height, true)) return false;
    // The codecs hand over packed rows and never an empty image.
    const uint32_t* row = static_cast<const uint32_t*>(bitmap.GetFirstRow());
    const size_t rowBytes = size_t(width) * 4;
    for (int32_t y = 0; y < height; ++y, row += width) std::memcpy(PixelAt(0, y), row, rowBytes);
    return true;
}
