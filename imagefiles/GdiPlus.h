#pragma once
// The imaging service for PNG, JPEG and the BMP variants the raster surface
// does not read itself: the platform's image codecs (libpng, libjpeg-turbo and
// a BMP reader of ours) under the names the rest of the program knows.
//
// GDIPlusDLL keeps the shape of a run-time binding: Load says whether the
// codecs are there (they are linked in, so it always succeeds), and the savers
// write PNG and JPEG files. Decoding needs nothing from here: the raster
// surface's CSprite::LoadFromGdiPlus and GDIPLoaderBitmap
// (raster/surface/sprite/ImageDecoder.h) call the codecs directly.
//
// Every saver writes the whole file to a temporary file beside the target and
// puts it in place only when every byte was written; on false the old file,
// if any, is left exactly as it was.
#include <cstdint>


class GDIPlusDLL {
public:
    // The JPEG quality of the savers.
    static constexpr int kJpegQuality = 75;
    // The zlib level of the PNG savers.
    static constexpr int kPngLevel = 6;

    // True: the codecs are part of the program.
    static bool Load() noexcept;

    // Write `pixels` (0xAARRGGBB words, straight alpha, rows width x 4 bytes
    // apart, top row first) as PNG (8-bit RGBA, alpha kept) or JPEG (alpha
    // dropped). False for a null path or pixels, a size of 0 or below, a JPEG
    // side above 65500, or any failure to encode or write.
    static bool SavePng32(const char16_t* path, const void* pixels, int32_t width, int32_t height) noexcept;
    static bool SaveJpeg32(const char16_t* path, const void* pixels, int32_t width, int32_t height,
                           int quality = kJpegQuality) noexcept;

    // The same from 3-byte pixels (B, G, R), rows width x 3 bytes rounded up to
    // a multiple of 4; a negative height means the rows are stored bottom-up
    // (the first row in memory is the image's last). PNG is written as 8-bit RGB.
    static bool SavePng24(const char16_t* path, const void* pixels, int32_t width, int32_t height) noexcept;
    static bool SaveJpeg24(const char16_t* path, const void* pixels, int32_t width, int32_t height,
                           int quality = kJpegQuality) noexcept;
};
