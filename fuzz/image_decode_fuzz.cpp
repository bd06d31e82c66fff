// libFuzzer target over the PNG, JPEG and BMP decoder (platform::DecodeImage).
//
// Whatever decodes must be a size the program takes (the sprite's size rule)
// and one the input's bytes can describe: above kUnbackedPixels, no format
// reaches more than 8256 pixels a byte (a 1-bit PNG inflating at deflate's
// best ratio). A breach aborts; the sanitizers catch memory faults and
// undefined behaviour, and libFuzzer's -malloc_limit_mb catches a large
// allocation even when the decode then fails.
//
// Seeds (fuzz/corpus/image_decode/): small files of every PNG colour type and
// depth, interlaced and 16-bit; baseline, progressive, greyscale and CMYK
// JPEG; BMPs of every depth and compression and header; and the hostile files
// that claimed gigapixels.
#include <cstdint>
#include <cstdlib>

#include "platform/image/ImageCodec.h"

namespace {

constexpr uint64_t kMostPixelsPerByte = 8256;

volatile uint32_t g_sink = 0;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::DecodedPixels image;
    if (!platform::DecodeImage(data, size, image)) {
        if (image.pixels != nullptr || image.width != 0 || image.height != 0) std::abort();
        return 0;
    }
    const uint64_t width = uint64_t(image.width);
    const uint64_t height = uint64_t(image.height);
    if (image.pixels == nullptr || !platform::IsDecodedSizeAllowed(width, height)) std::abort();
    if (width * height > platform::kUnbackedPixels && width * height > kMostPixelsPerByte * size) std::abort();
    // Every pixel was written: reading them all lets the sanitizers see the block.
    uint32_t any = 0;
    for (uint64_t i = 0, n = width * height; i < n; ++i) any |= image.pixels[i];
    g_sink = any;
    return 0;
}
