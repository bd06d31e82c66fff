#pragma once
// Decoding image files of other formats (PNG, JPEG, every BMP variant) into
// 32-bit pixels.
//
// The raster surface reads the plain BMP files itself; everything else is
// decoded by the platform's image codecs (platform/image/ImageCodec.h), which
// lie below the raster layer and are called directly. The sprite loader
// CSprite::LoadFromGdiPlus and the host's asset loader read a decoded image
// through GDIPLoaderBitmap. The format is chosen by the content, never by the
// file's name.
#include <cstddef>
#include <cstdint>

#include "platform/image/ImageCodec.h"

// A decoded image held for reading: width, height, the first row and the stride
// in bytes (rows packed, top row first, pixels 0xAARRGGBB with straight alpha).
// The destructor lets go of the image, so every path out of a reader releases
// it.
class GDIPLoaderBitmap {
public:
    GDIPLoaderBitmap() noexcept = default;
    ~GDIPLoaderBitmap() = default;
    GDIPLoaderBitmap(const GDIPLoaderBitmap&) = delete;
    GDIPLoaderBitmap& operator=(const GDIPLoaderBitmap&) = delete;

    // Decodes the file, letting go of any image held before. The path is
    // resolved as every path of the program is (relative to the current folder,
    // "\" or "/" separators) and handed to the codecs as the file system's UTF-8
    // name. False for a null or empty path, a file that cannot be read (missing,
    // a folder, empty, 2 GiB or more) or one the codecs refuse.
    bool LoadFromFile(const char16_t* path);
    // The same for a whole file in memory; the bytes need not outlive the call.
    bool LoadFromMemory(const void* data, size_t size);
    // Lets go of the image (nothing when none is held).
    void Release() noexcept { m_image = platform::DecodedPixels(); }

    bool IsLoaded() const noexcept { return m_image.pixels != nullptr; }
    int32_t GetWidth() const noexcept { return m_image.width; }
    int32_t GetHeight() const noexcept { return m_image.height; }
    const void* GetFirstRow() const noexcept { return m_image.pixels.get(); }
    // Bytes from one row to the next: the rows are packed.
    int32_t GetStride() const noexcept { return m_image.width * 4; }

private:
    platform::DecodedPixels m_image;
};
