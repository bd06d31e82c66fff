#pragma once
// QRKWDRFrameInfo: a frame drawn from small sprites by nine-slice stretching
// or tiling, one layer over the other: every panel and list-window border and
// the list cursor.
//
// A layer's cuts x1 < x2 and y1 < y2 split its sprite into three columns
// [0, x1), [x1, x2), [x2, width) and three rows likewise. The corners are
// drawn unscaled at the corners of the destination; the edges and the centre
// fill the room between them, stretched (edge mode 1) or tiled from the
// top-left with a shortened last tile (edge mode 2). A destination smaller
// than the borders, a layer without pixels or with cuts outside its sprite
// is invalid: DrawFrame stops there with false (earlier layers stay drawn).
//
// Positions are summed in 64 bits (x + w may pass 2^31); tiles wholly
// outside the target's clip rectangle are skipped, so a huge frame costs
// only the tiles that can show.
#include <cstdint>

#include "foundation/containers/MemoryBlock.h"
#include "host/ShareSprite.h"
#include "host/draw/DrawResource.h"
#include "raster/surface/sprite/Sprite.h"

class QRKWDRFrameInfo : public IQRKDrawResource {
public:
    class FrameLayer {
    public:
        static constexpr uint32_t kEdgeModeMask = 3;
        static constexpr uint32_t kStretch = 1;
        static constexpr uint32_t kTile = 2;
        static constexpr uint32_t kBlendShift = 2;
        static constexpr uint32_t kBlendMask = 7u << kBlendShift;
        // Blend indices (bits 2-4 of the flags): 0, 1 and 7 copy.
        enum Blend : uint32_t { kCopy = 1, kAlpha = 2, kLayer = 3, kMixAlpha = 4, kMixLayer = 5, kCopyA = 6 };

        // The reference starts as a direct reference to the layer's own sprite.
        FrameLayer() noexcept : reference(&sprite) {}
        FrameLayer(const FrameLayer&) = delete;
        FrameLayer& operator=(const FrameLayer&) = delete;

        // Storage for the layer's image when the layer holds it itself.
        CSprite sprite;
        // What the layer draws from (destroyed before the own sprite).
        CQRKSpriteMgr reference;
        int32_t x1 = 0;
        int32_t x2 = 0;
        int32_t y1 = 0;
        int32_t y2 = 0;
        // Bits 0-1 the edge mode (1 stretch, 2 tile), bits 2-4 the blend index.
        uint32_t flags = 0;
    };

    // n constructed layers. A frame that already has layers refuses with
    // std::bad_alloc, as does a failed allocation.
    FrameLayer* AllocateLayers(uint32_t n) { return m_layers.Alloc(n); }
    FrameLayer* GetLayers() noexcept { return m_layers.GetBuffer(); }
    uint32_t GetLayerCount() const noexcept { return m_layers.GetCount(); }

    // Destroys the layers; counts a change.
    bool Reset() override;
    bool OnConnect(CQRKDRConnector& connector) override { return m_changes.OnConnect(connector); }
    bool PollChange(CQRKDRConnector& connector, bool allow, int32_t& changed, uint8_t&) override {
        return m_changes.PollChange(connector, allow, changed);
    }
    void MarkStale(CQRKDRConnector& connector) override { m_changes.MarkStale(connector); }
    bool Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t,
              CQRKDRConnector*) override {
        return DrawFrame(x, y, target, w, h);
    }
    bool DrawItem(int32_t, int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target) override {
        return DrawFrame(x, y, target, w, h);
    }
    // Draws every layer into (x, y, w, h) in order; false at the first
    // invalid layer.
    virtual bool DrawFrame(int32_t x, int32_t y, CSprite& target, int32_t w, int32_t h);

    CQRKChangeCounter& Changes() noexcept { return m_changes; }

private:
    CMemoryBlock<FrameLayer> m_layers;
    CQRKChangeCounter m_changes;
};
