#include "document/model/ImageEncoder.h"

#include "foundation/util/ServiceSlot.h"
#include "imagefiles/ImageFiles.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

class ImageFileWebPEncoder final : public IWebPEncoder {
public:
    constexpr ImageFileWebPEncoder() noexcept = default;
    bool Encode(const CSprite& sprite, CMemoryBlock<unsigned char>& out, float quality) override {
        return EncodeWebP(sprite, out, quality);
    }
};

constinit ImageFileWebPEncoder g_imageFileEncoder;
constinit CServiceSlot<IWebPEncoder> g_encoder(&g_imageFileEncoder);

}  // namespace

IWebPEncoder& DefaultWebPEncoder() noexcept { return g_imageFileEncoder; }

IWebPEncoder* SetWebPEncoder(IWebPEncoder* encoder) noexcept { return g_encoder.Install(encoder); }

IWebPEncoder* GetWebPEncoder() noexcept { return g_encoder.Get(); }

bool EncodeSpriteWebP(const CSprite& sprite, CMemoryBlock<unsigned char>& out, float quality) {
    out.Free();
    if (g_encoder.Get() == nullptr || RasterPixelMode != 1) return false;
    if (sprite.GetWidth() <= 0 || sprite.GetHeight() <= 0) return false;
    if (!g_encoder.Get()->Encode(sprite, out, quality)) {
        out.Free();
        return false;
    }
    return out.GetCount() != 0;
}
