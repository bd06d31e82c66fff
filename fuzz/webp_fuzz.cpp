// libFuzzer target over the WebP reader (still and animated) and over
// LoadImageFile's choice of reader by content and by name, with its fallbacks.
//
// Each input is
//   (a) decoded by DecodeWebP: a result must pass the sprite's size rule, and
//       an animation strip is at most kWebPStripMaxWidth wide;
//   (b) written to a file whose name the input's last byte picks (".bmp",
//       ".png", ".jpg", ".jpeg", ".webp", ".rcg", ".BMP", none) and loaded by
//       LoadImageFile: content no reader knows must fail whatever the name; a
//       result passes the size rule; a WebP file (or a bare VP8/VP8L
//       bitstream named .webp, which libwebp reads too) gives what (a) gave;
//       any other result is not fully transparent (the loader makes such
//       results opaque) and within the decoders' bound on pixels a byte.
// A breach aborts; the sanitizers catch memory faults and undefined behaviour.
//
// WebP images that the size rule takes but that hold more than kMaxPixels are
// not decoded: lossless WebP describes a flat image of any size in a few
// bytes, so they are only slow to fill; the refused sizes (and lossy images
// larger than their bytes can describe) cost nothing and are decoded. RCG content is left to imagefiles_fuzz.
//
// Seeds (fuzz/corpus/webp/): still lossy and lossless WebP with and without
// alpha, animations, a canvas too large for the program, and a PNG, JPEG and
// BMP for the other readers.
#include <unistd.h>
#include <webp/decode.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "imagefiles/ImageFiles.h"
#include "platform/image/ImageCodec.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace {

constexpr uint64_t kMaxPixels = 1u << 22;

std::string g_folder;

const char* const kNames[] = {"x.bmp", "x.png", "x.jpg", "x.jpeg", "x.webp", "x.rcg", "X.BMP", "x"};
constexpr size_t kNameCount = sizeof kNames / sizeof kNames[0];

bool SizeOk(const CSprite& sprite) {
    return sprite.HasImage() && sprite.GetWidth() > 0 && sprite.GetHeight() > 0 &&
           IsSpriteSizeAllowed(sprite.GetWidth(), sprite.GetHeight());
}

// Whether a WebP input is worth decoding (see above).
bool WebPFits(const uint8_t* data, size_t size) {
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) return true;
    if (features.width <= 0 || features.height <= 0) return true;
    if (!IsSpriteSizeAllowed(features.width, features.height)) return true;
    const uint64_t pixels = uint64_t(features.width) * uint64_t(features.height);
    // A lossy still image larger than its bytes can describe is refused at once.
    if (features.format == 1 && !features.has_animation && pixels > 4096 * uint64_t(size)) return true;
    return pixels <= kMaxPixels;
}

bool SamePixels(const CSprite& a, const CSprite& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (int32_t y = 0; y < a.GetHeight(); ++y) {
        if (std::memcmp(a.PixelAt(0, y), b.PixelAt(0, y), size_t(a.GetWidth()) * 4) != 0) return false;
    }
    return true;
}

bool WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

void RemoveFolder() {
    for (const char* name : kNames) std::remove((g_folder + "/" + name).c_str());
    rmdir(g_folder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitRasterLibrary(1);
    char pattern[] = "/tmp/webp_fuzz_XXXXXX";
    if (mkdtemp(pattern) == nullptr) std::abort();
    g_folder = pattern;
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > (1u << 20)) return 0;
    const ImageFileKind kind = ImageFileKindFromContent(data, size);
    if (kind == ImageFileKind::Rcg) return 0;
    if (!WebPFits(data, size)) return 0;

    CSprite direct;
    const bool decoded = DecodeWebP(direct, data, uint32_t(size));
    if (decoded) {
        if (!SizeOk(direct)) std::abort();
        WebPBitstreamFeatures features;
        if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) std::abort();
        if (features.has_animation && direct.GetWidth() > int32_t(kWebPStripMaxWidth)) std::abort();
    } else if (direct.HasImage()) {
        std::abort();  // a failure leaves the sprite empty
    }

    const char* const name = kNames[data[size - 1] % kNameCount];
    // Content no reader announces goes to the reader the name asks for, and
    // libwebp also reads a bare VP8 or VP8L bitstream: such a file named .webp
    // is a WebP file to the loader.
    const bool asWebP = kind == ImageFileKind::WebP ||
                        (kind == ImageFileKind::Unknown && ImageFileKindFromPath(name) == ImageFileKind::WebP);
    const std::string path = g_folder + "/" + name;
    if (!WriteFile(path, data, size)) return 0;
    CSprite loaded;
    const bool ok = LoadImageFile(path.c_str(), loaded);
    std::remove(path.c_str());
    if (!ok) {
        if (loaded.HasImage()) std::abort();
        if (asWebP && decoded) std::abort();  // the same bytes decoded in memory
        return 0;
    }
    if (!SizeOk(loaded)) std::abort();
    if (asWebP) {
        if (!decoded || !SamePixels(direct, loaded)) std::abort();
        return 0;
    }
    // Any other reader needs content it announces.
    if (kind == ImageFileKind::Unknown) std::abort();
    if (loaded.IsRectTransparent(0, 0, loaded.GetWidth(), loaded.GetHeight())) std::abort();
    const uint64_t pixels = uint64_t(loaded.GetWidth()) * uint64_t(loaded.GetHeight());
    if (pixels > platform::kUnbackedPixels && pixels > 8256 * uint64_t(size)) std::abort();
    return 0;
}
