#pragma once
// Decoding image files of other formats (PNG, JPEG, ...) into 32-bit pixels.
//
// The raster surface reads BMP itself. Every other format is decoded by the
// image-file layer, which lies above the raster surface and so cannot be called
// from here: it installs an IImageDecoder at start-up instead. The sprite loader
// CSprite::LoadFromGdiPlus and the host's asset loader read a decoded image
// through GDIPLoaderBitmap; with no decoder installed every load fails.
#include <cstddef>
#include <cstdint>

// One decoded image, as a decoder hands it over.
struct DecodedImage {
    int32_t width = 0;
    int32_t height = 0;
    // Row 0, the top row: pixels 0xAARRGGBB (bytes B, G, R, A), straight alpha.
    const void* firstRow = nullptr;
    // Bytes from one row to the next (negative: the rows run upwards in memory);
    // at least width x 4 in magnitude.
    int32_t stride = 0;
    // The decoder's own handle on the image, for Release.
    void* handle = nullptr;
};

class IImageDecoder {
public:
    virtual ~IImageDecoder() = default;
    // Decodes the file into `image`. On false nothing is held (the decoder has
    // already let go of whatever it made).
    virtual bool Decode(const char16_t* path, DecodedImage& image) = 0;
    // Decodes a whole file already in memory (the host's assets); the bytes are
    // not kept. The same contract as Decode; a decoder that cannot read memory
    // refuses.
    virtual bool DecodeMemory(const void* data, size_t size, DecodedImage& image) {
        (void)data, (void)size, (void)image;
        return false;
    }
    // Lets go of an image that Decode or DecodeMemory returned.
    virtual void Release(DecodedImage& image) noexcept = 0;
};

// Installs the decoder (null removes it) and returns the one installed before.
// A decoder must outlive its installation and every GDIPLoaderBitmap still
// holding an image of it. Installed once at start-up, on the GUI thread.
IImageDecoder* SetImageDecoder(IImageDecoder* decoder) noexcept;
IImageDecoder* GetImageDecoder() noexcept;

// A decoded image held for reading: width, height, the first row and the stride
// in bytes. The destructor lets go of the image, so every path out of a reader
// releases it.
class GDIPLoaderBitmap {
public:
    GDIPLoaderBitmap() noexcept = default;
    ~GDIPLoaderBitmap() { Release(); }
    GDIPLoaderBitmap(const GDIPLoaderBitmap&) = delete;
    GDIPLoaderBitmap& operator=(const GDIPLoaderBitmap&) = delete;

    // Decodes the file with the installed decoder, letting go of any image held
    // before. False when no decoder is installed, the decoder fails, or what it
    // returns is not a usable image (negative size, no rows, rows overlapping).
    bool LoadFromFile(const char16_t* path);
    // The same for a whole file in memory; the bytes need not outlive the call.
    bool LoadFromMemory(const void* data, size_t size);
    // Lets go of the image (nothing when none is held).
    void Release() noexcept;

    bool IsLoaded() const noexcept { return m_decoder != nullptr; }
    int32_t GetWidth() const noexcept { return m_image.width; }
    int32_t GetHeight() const noexcept { return m_image.height; }
    const void* GetFirstRow() const noexcept { return m_image.firstRow; }
    int32_t GetStride() const noexcept { return m_image.stride; }

private:
    // Takes what the decoder returned; false (nothing held) when it is unusable.
    bool Adopt(IImageDecoder* decoder, const DecodedImage& image) noexcept;

    // The decoder that holds the image; null when none is held.
    IImageDecoder* m_decoder = nullptr;
    DecodedImage m_image;
};
