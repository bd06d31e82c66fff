// WebP through libwebp: decoding bytes and files into sprites, encoding sprites.
//
// A sprite pixel 0xAARRGGBB is, in memory, libwebp's BGRA byte order and, as a
// word, its ARGB sample, so rows pass in both directions without conversion.
//
// Decoding. A still image decodes straight into the sprite's pixels. An
// animation becomes one horizontal strip: the demuxer composes each frame on
// the canvas, and frame k is copied to x = k x canvas width of the strip, which
// ends at 8192 pixels; frames past the end are never decoded.
//
// Encoding goes through libwebp's advanced interface. Lossless encoding sets
// `exact`, so a pixel with alpha 0 keeps its colour: the simple interface
// would zero it, and the document stores its bitmaps losslessly and expects
// them back as they were. The other settings are those of the simple
// interface (the default preset; quality 70, method 4 for lossless).
#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <cstring>
#include <memory>
#include <new>

#include "foundation/files/AtomicFile.h"
#include "foundation/files/SFile.h"
#include "imagefiles/ImageFiles.h"
#include "platform/image/ImageCodec.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

// Lossless settings of libwebp's simple interface.
constexpr float kLosslessEffort = 70.0f;

struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const noexcept { WebPAnimDecoderDelete(decoder); }
};
using AnimDecoderPtr = std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter>;

// Whether a still image's data can describe its size. A lossy key frame codes
// a mode decision of fixed odds 145:111 (0.8 bit or more) for every 16 x 16
// macroblock; counting half a bit each, one byte covers at most 16 macroblocks,
// 4096 pixels: a header
// that claims more than that is refused before the sprite is allocated, as the
// image decoders do. A lossless stream can describe a flat image of any size
// in a few bytes, and such an image really decodes: only the size rule holds it.
bool IsStillBackedByData(uint32_t size, const WebPBitstreamFeatures& features) {
    constexpr uint64_t kLossyPixelsPerByte = 16 * 16 * 16;
    const uint64_t pixels = uint64_t(features.width) * uint64_t(features.height);
    return features.format != 1 || pixels <= platform::kUnbackedPixels || pixels <= kLossyPixelsPerByte * size;
}

bool DecodeStill(CSprite& sprite, const uint8_t* bytes, uint32_t size, const WebPBitstreamFeatures& features) {
    if (!IsStillBackedByData(size, features)) return false;
    if (!sprite.CreateWithinLimits(features.width, features.height, false)) return false;
    const int stride = sprite.GetStride() * 4;
    const size_t outputSize = size_t(stride) * size_t(features.height);
    if (WebPDecodeBGRAInto(bytes, size, reinterpret_cast<uint8_t*>(sprite.GetPixels()), outputSize, stride) ==
        nullptr) {
        sprite.Release();
        return false;
    }
    return true;
}

bool DecodeAnimation(CSprite& sprite, const uint8_t* bytes, uint32_t size, const WebPBitstreamFeatures& features) {
    // The demuxer allocates the whole canvas as soon as it is made; a canvas
    // the program cannot take is refused from the header, before that.
    if (features.width <= 0 || features.height <= 0 || !IsSpriteSizeAllowed(features.width, features.height)) {
        return false;
    }
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return false;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData data = {bytes, size};
    AnimDecoderPtr decoder(WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo info;
    if (decoder == nullptr || !WebPAnimDecoderGetInfo(decoder.get(), &info)) return false;

    const uint32_t canvasWidth = info.canvas_width;
    const uint32_t canvasHeight = info.canvas_height;
    if (canvasWidth == 0 || canvasHeight == 0 || canvasWidth > INT32_MAX || canvasHeight > INT32_MAX) return false;
    const uint64_t fullWidth = uint64_t(info.frame_count) * canvasWidth;
    const uint32_t stripWidth = fullWidth < kWebPStripMaxWidth ? uint32_t(fullWidth) : kWebPStripMaxWidth;
    // The canvas itself must be a size the program takes, not only the strip.
    if (canvasWidth != uint32_t(features.width) || canvasHeight != uint32_t(features.height) ||
        !IsSpriteSizeAllowed(int32_t(canvasWidth), int32_t(canvasHeight))) {
        return false;
    }
    if (!sprite.CreateWithinLimits(int32_t(stripWidth), int32_t(canvasHeight), false)) return false;

    const size_t frameStride = size_t(canvasWidth) * 4;
    for (uint32_t x = 0; x < stripWidth && WebPAnimDecoderHasMoreFrames(decoder.get()); x += canvasWidth) {
        uint8_t* frame = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp)) return false;
        const uint32_t columns = stripWidth - x < canvasWidth ? stripWidth - x : canvasWidth;
        const size_t rowBytes = size_t(columns) * 4;
        for (uint32_t y = 0; y < canvasHeight; ++y) {
            std::memcpy(sprite.PixelAt(int32_t(x), int32_t(y)), frame + y * frameStride, rowBytes);
        }
    }
    return true;
}

struct MemoryWriter {
    MemoryWriter() noexcept { WebPMemoryWriterInit(&writer); }
    ~MemoryWriter() { WebPMemoryWriterClear(&writer); }
    MemoryWriter(const MemoryWriter&) = delete;
    MemoryWriter& operator=(const MemoryWriter&) = delete;
    WebPMemoryWriter writer;
};

struct Picture {
    Picture() noexcept { WebPPictureInit(&picture); }
    ~Picture() { WebPPictureFree(&picture); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    WebPPicture picture;
};

// Encodes the sprite into the writer; false on any failure (nothing to free
// beyond the writer itself).
bool EncodeInto(const CSprite& sprite, float quality, MemoryWriter& output) {
    if (!IsRasterReady() || !sprite.HasImage() || sprite.GetWidth() <= 0 || sprite.GetHeight() <= 0) return false;
    const bool lossless = quality < 0.0f;
    WebPConfig config;
    if (!WebPConfigPreset(&config, WEBP_PRESET_DEFAULT, lossless ? kLosslessEffort : quality)) return false;
    if (lossless) {
        config.lossless = 1;
        config.exact = 1;
    }
    if (!WebPValidateConfig(&config)) return false;

    Picture holder;
    WebPPicture& picture = holder.picture;
    picture.use_argb = lossless ? 1 : 0;
    picture.width = sprite.GetWidth();
    picture.height = sprite.GetHeight();
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &output.writer;
    if (!WebPPictureImportBGRA(&picture, reinterpret_cast<const uint8_t*>(sprite.GetPixels()),
                               sprite.GetStride() * 4)) {
        return false;
    }
    return WebPEncode(&config, &picture) != 0 && output.writer.size != 0;
}

}  // namespace

bool DecodeWebP(CSprite& sprite, const uint8_t* bytes, uint32_t size) {
    if (!IsRasterReady() || sprite.HasImage() || bytes == nullptr) return false;
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(bytes, size, &features) != VP8_STATUS_OK) return false;
    try {
        if (!features.has_animation) return DecodeStill(sprite, bytes, size, features);
        if (!DecodeAnimation(sprite, bytes, size, features)) {
            // A frame that fails to decode leaves the strip half written.
            sprite.Release();
            return false;
        }
    } catch (const std::bad_alloc&) {
        sprite.Release();
        return false;
    }
    // A still image without alpha already decodes with alpha 255; the parts of
    // an animation's canvas that no frame covers are transparent.
    if (!features.has_alpha) sprite.FillRectA(0, 0, sprite.GetWidth(), sprite.GetHeight(), 255);
    return true;
}

bool LoadWebPFile(CSprite& sprite, const char* path) {
    if (!IsRasterReady() || sprite.HasImage() || path == nullptr) return false;
    CMemoryBlock<unsigned char> block;
    {
        CSFile file;
        if (file.Open(path, "rb", IFFile::kAttributeArchive) != IFFile::kOk) return false;
        int64_t size = 0;
        if (file.GetSize(size) != IFFile::kOk || size < 0 || size > int64_t(UINT32_MAX)) return false;
        try {
            block.Alloc(uint32_t(size));
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (file.Read(block.GetBuffer(), block.GetCount()) != block.GetCount()) return false;
    }
    return DecodeWebP(sprite, block.GetBuffer(), block.GetCount());
}

bool EncodeWebP(const CSprite& sprite, CMemoryBlock<unsigned char>& out, float quality) {
    if (out.GetBuffer() != nullptr) return false;
    MemoryWriter output;
    if (!EncodeInto(sprite, quality, output)) return false;
    if (output.writer.size > UINT32_MAX) return false;
    try {
        std::memcpy(out.Alloc(uint32_t(output.writer.size)), output.writer.mem, output.writer.size);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool SaveWebPFile(const CSprite& sprite, const char* path, float quality) {
    if (path == nullptr) return false;
    MemoryWriter output;
    if (!EncodeInto(sprite, quality, output)) return false;
    if (output.writer.size > UINT32_MAX) return false;
    CAtomicFile file;
    if (file.Open(path, "wb", IFFile::kAttributeArchive) != IFFile::kOk) return false;
    if (file.Write(output.writer.mem, uint32_t(output.writer.size)) != IFFile::kOk) return false;
    return file.Commit() == IFFile::kOk;
}
