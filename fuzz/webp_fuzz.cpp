// libFuzzer target over the WebP reader (still and animated) and over
// LoadImageFile's choice of reader by content and by name, with its fallbacks.
//
// Each input is
//   (a) decoded by DecodeWebP: a result must pass the sprite's size rule, and
//       an animation strip is at most kWebPStripMaxWidth wide;
//   (b) written to a file whose name the input's last byte picks (".bmp",
//       ".png", ".jpg", ".jpeg", ".webp", ".rcg", ".BMP", none) and loaded by
//       LoadImageFile: content no reader knows must fail whatever the name; a
//       result passes the size rule; a WebP file gives what (a) gave; any other
//       result is not fully transparent (the loader makes such results opaque).
// A breach aborts; the sanitizers catch memory faults and undefined behaviour.
//
// WebP images that the size rule takes but that hold more than kMaxPixels are
// not decoded: lossless WebP describes a flat image of any size in a few
// bytes, so they are only slow to fill; the refused sizes cost nothing and are
// decoded. RCG content is left to imagefiles_fuzz.
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

#include "imagefiles/GdiPlus.h"
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
    return uint64_t(features.width) * uint64_t(features.height) <= kMaxPixels;
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
    InstallImageDecoder();
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
    const bool webpFits = WebPFits(data, size);

    CSprite direct;
    bool decoded = false;
    if (webpFits) {
        decoded = DecodeWebP(direct, data, uint32_t(size));
        if (decoded) {
            if (!SizeOk(direct)) std::abort();
            WebPBitstreamFeatures features;
            if (WebPGetFeatures(data, size, &features) != VP8_STATUS_OK) std::abort();
            if (features.has_animation && direct.GetWidth() > int32_t(kWebPStripMaxWidth)) std::abort();
        } else if (direct.HasImage()) {
            std::abort();  // a failure leaves the sprite empty
        }
    }

    if (kind == ImageFileKind::WebP && !webpFits) return 0;
    const std::string path = g_folder + "/" + kNames[data[size - 1] % kNameCount];
    if (!WriteFile(path, data, size)) return 0;
    CSprite loaded;
    const bool ok = LoadImageFile(path.c_str(), loaded);
    std::remove(path.c_str());
    if (!ok) {
        if (loaded.HasImage()) std::abort();
        if (kind == ImageFileKind::WebP && decoded) std::abort();  // the same bytes decoded in memory
        return 0;
    }
    if (kind == ImageFileKind::Unknown || !SizeOk(loaded)) std::abort();
    if (kind == ImageFileKind::WebP) {
        if (!decoded || !SamePixels(direct, loaded)) std::abort();
    } else if (loaded.IsRectTransparent(0, 0, loaded.GetWidth(), loaded.GetHeight())) {
        std::abort();
    }
    if (kind != ImageFileKind::WebP) {
        const uint64_t pixels = uint64_t(loaded.GetWidth()) * uint64_t(loaded.GetHeight());
        if (pixels > platform::kUnbackedPixels && pixels > 8256 * uint64_t(size)) std::abort();
    }
    return 0;
}
