#pragma once
// QRKWDRFactorInfo: a pre-rendered factor row. The owner draws the row image
// and sets the dirty flag; the resource only shows the image. The flag is
// consumed by every poll, whether or not drawing is allowed.
#include <cstdint>

#include "host/draw/DrawResource.h"
#include "raster/surface/sprite/Sprite.h"

class QRKWDRFactorInfo : public IQRKDrawResource {
public:
    static constexpr int32_t kRowHeight = 22;

    bool PollChange(CQRKDRConnector&, bool, int32_t& changed, uint8_t&) override {
        changed = dirty ? 1 : 0;
        dirty = false;
        return true;
    }
    // The top-left (w, h) of the row image copied to (x, y).
    bool Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t partFlags,
              CQRKDRConnector* connector) override;
    int32_t GetHeight() override { return kRowHeight; }

    CSprite rowImage;
    bool dirty = true;
};
