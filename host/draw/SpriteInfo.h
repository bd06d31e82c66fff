#pragma once
// QRKWDRSpriteInfo: a rectangle of a sprite drawn with a draw mode, at its
// natural size one-to-one, at any other size stretched.
#include <cstdint>

#include "host/ShareSprite.h"
#include "host/draw/DrawResource.h"
#include "raster/surface/sprite/DrawMode.h"

// The sprite a reference shows: a linked reference the sprite of its shared
// object, a lazily named one its entry (acquired now; none when that fails),
// every other kind its sprite pointer. Null: nothing to draw.
CSprite* ResolveSpriteReference(CQRKSpriteMgr& reference);

class QRKWDRSpriteInfo : public IQRKDrawResource {
public:
    static constexpr uint32_t kDefaultMode = draw_mode::kBase | draw_mode::kCopy;
    static constexpr uint8_t kDefaultLevel = 128;

    // Takes a copy of the reference; the source rectangle becomes the whole
    // sprite it resolves to ((0, 0, 0, 0) without one); colour parameters 0.
    void SetSprite(const CQRKSpriteMgr& reference, uint32_t mode, uint8_t level);

    bool Reset() override;
    bool OnConnect(CQRKDRConnector& connector) override { return m_changes.OnConnect(connector); }
    bool PollChange(CQRKDRConnector& connector, bool allow, int32_t& changed, uint8_t&) override {
        return m_changes.PollChange(connector, allow, changed);
    }
    void MarkStale(CQRKDRConnector& connector) override { m_changes.MarkStale(connector); }
    bool Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t partFlags,
              CQRKDRConnector* connector) override;
    bool DrawItem(int32_t, int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target) override {
        return Draw(x, y, w, h, target, 0, nullptr);
    }
    // Draws the window of the source rectangle that starts at (sx, sy): a
    // negative offset moves the destination right (down) and narrows it
    // instead. False without a sprite, or when the offset lies at or past the
    // rectangle's end, or nothing of the width (height) is left.
    bool DrawPart(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, int32_t sx, int32_t sy) override;
    int32_t GetWidth() override { return sourceWidth; }
    int32_t GetHeight() override { return sourceHeight; }

    CQRKChangeCounter& Changes() noexcept { return m_changes; }
    CQRKSpriteMgr& Reference() noexcept { return m_reference; }

    // Owners may set these directly, then count the change.
    int32_t sourceX = 0;
    int32_t sourceY = 0;
    int32_t sourceWidth = 0;
    int32_t sourceHeight = 0;
    uint32_t mode = kDefaultMode;
    uint8_t level = kDefaultLevel;
    // Handed unchanged to the draw-mode blit (tone colour, packed factors).
    uint32_t colourParameter1 = 0;
    uint32_t colourParameter2 = 0;

private:
    CQRKSpriteMgr m_reference;
    CQRKChangeCounter m_changes;
};
