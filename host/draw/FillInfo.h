#pragma once
// QRKWDRFillInfo: a plain colour laid into the rectangle by draw mode
// (CSprite::FillRectByMode): backgrounds, colour swatches, the fill window.
#include <cstdint>

#include "host/draw/DrawResource.h"
#include "raster/surface/sprite/DrawMode.h"

class QRKWDRFillInfo : public IQRKDrawResource {
public:
    static constexpr uint32_t kDefaultMode = draw_mode::kBase | draw_mode::kCopy;
    static constexpr uint8_t kDefaultLevel = 128;

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
    int32_t GetCurrentFrame(CQRKDRConnector*) override { return 0; }
    int32_t GetFrameCount() override { return 0; }

    CQRKChangeCounter& Changes() noexcept { return m_changes; }

    // Owners set these directly, then count the change.
    uint32_t colour = 0;  // 0xRRGGBB; the top byte is not used
    uint32_t mode = kDefaultMode;
    uint8_t level = kDefaultLevel;

private:
    CQRKChangeCounter m_changes;
};
