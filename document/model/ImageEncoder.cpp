#include "document/model/ImageEncoder.h"

#include "raster/surface/sprite/RasterLibrary.h"

namespace {

IWebPEncoder* g_encoder = nullptr;

}  // namespace

IWebPEncoder* SetWebPEncoder(IWebPEncoder* encoder) noexcept {
    IWebPEncoder* old = g_encoder;
    g_encoder = encoder;
    return old;
}

IWebPEncoder* GetWebPEncoder() noexcept { return g_encoder; }

bool EncodeSpriteWebP(const CSprite& sprite, CMemoryBlock<unsigned char>& out, float quality) {
    out.Free();
    if (g_encoder == nullptr || RasterPixelMode != 1) return false;
    if (sprite.GetWidth() <= 0 || sprite.GetHeight() <= 0) return false;
    if (!g_encoder->Encode(sprite, out, quality)) {
        out.Free();
        return false;
    }
    return out.GetCount() != 0;
}
