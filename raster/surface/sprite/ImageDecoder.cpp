// The decoder hook, the loader bitmap over it and the sprite loader that copies
// a decoded image into a sprite.
#include "raster/surface/sprite/ImageDecoder.h"

#include "foundation/util/ServiceSlot.h"

#include <cstddef>
#include <cstring>

#include "raster/surface/sprite/Sprite.h"

namespace {

CServiceSlot<IImageDecoder> g_decoder;

// The sprite copy trusts these: rows exist and do not overlap.
bool IsUsable(const DecodedImage& image) noexcept {
    if (image.width < 0 || image.height < 0) return false;
    if (image.width == 0 || image.height == 0) return true;
    if (image.firstRow == nullptr) return false;
    if (image.height == 1) return true;
    const int64_t magnitude = image.stride < 0 ? -int64_t(image.stride) : int64_t(image.stride);
    return magnitude >= int64_t(image.width) * 4;
}

}  // namespace

IImageDecoder* SetImageDecoder(IImageDecoder* decoder) noexcept { return g_decoder.Install(decoder); }

IImageDecoder* GetImageDecoder() noexcept { return g_decoder.Get(); }

bool GDIPLoaderBitmap::LoadFromFile(const char16_t* path) {
    Release();
    IImageDecoder* decoder = g_decoder.Get();
    if (decoder == nullptr || path == nullptr) return false;
    DecodedImage image;
    if (!decoder->Decode(path, image)) return false;
    return Adopt(decoder, image);
}

bool GDIPLoaderBitmap::LoadFromMemory(const void* data, size_t size) {
    Release();
    IImageDecoder* decoder = g_decoder.Get();
    if (decoder == nullptr || data == nullptr) return false;
    DecodedImage image;
    if (!decoder->DecodeMemory(data, size, image)) return false;
    return Adopt(decoder, image);
}

bool GDIPLoaderBitmap::Adopt(IImageDecoder* decoder, const DecodedImage& image) noexcept {
    m_decoder = decoder;
    m_image = image;
    if (!IsUsable(image)) {
        Release();
        return false;
    }
    return true;
}

void GDIPLoaderBitmap::Release() noexcept {
    if (m_decoder != nullptr) {
        m_decoder->Release(m_image);
        m_decoder = nullptr;
    }
    m_image = DecodedImage();
}

bool CSprite::LoadFromGdiPlus(const char16_t* path) {
    if (HasImage()) return false;
    GDIPLoaderBitmap bitmap;
    if (!bitmap.LoadFromFile(path)) return false;
    const int32_t width = bitmap.GetWidth();
    const int32_t height = bitmap.GetHeight();
    if (!Create(width, height, true)) return false;
    if (width == 0) return true;
    // The stride counts bytes; rows advance by whole pixels (truncating), so a
    // negative stride walks upwards.
    const ptrdiff_t step = ptrdiff_t(bitmap.GetStride() / 4) * 4;
    const unsigned char* row = static_cast<const unsigned char*>(bitmap.GetFirstRow());
    const size_t rowBytes = size_t(width) * 4;
    for (int32_t y = 0; y < height; ++y) {
        if (y != 0) row += step;
        std::memcpy(PixelAt(0, y), row, rowBytes);
    }
    return true;
}
