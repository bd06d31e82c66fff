#pragma once
// QRKWDRIconTextInfo<I, QRKWDRFontInfo>: an icon (a sprite or a colour fill)
// beside a text, the content of list rows.
//
// The composite keeps no change counter of its own: it holds its two parts
// through inner connectors (linked when the composite itself is connected),
// polls them separately and reports part bits (1 icon, 2 text, 3 both), which
// the holder hands back to Draw as part flags, so a row whose text changed
// redraws only its text. Reset sets the full-redraw mark: the next Draw draws
// both parts whatever part flags it is given.
#include <cstdint>

#include "host/draw/DrawResource.h"
#include "host/draw/FontInfo.h"

template <class I, class T = QRKWDRFontInfo>
class QRKWDRIconTextInfo : public IQRKDrawResource {
public:
    static constexpr uint32_t kIconPart = 1;
    static constexpr uint32_t kTextPart = 2;

    // Destruction: the text connector, then the icon connector, are
    // disconnected; the text part, then the icon part, destroyed; then the
    // composite's own connectors are let go (member order gives exactly this).
    ~QRKWDRIconTextInfo() override = default;

    bool OnConnect(CQRKDRConnector&) override {
        if (!m_iconConnector.Connect(&m_icon)) return false;
        return m_textConnector.Connect(&m_text);
    }
    void OnDisconnect(CQRKDRConnector&) override {
        m_iconConnector.Disconnect();
        m_textConnector.Disconnect();
    }
    bool Reset() override {
        m_fullRedraw = true;
        iconX = iconWidth = iconY = iconHeight = 0;
        textX = textWidth = textY = 0;
        m_icon.Reset();
        m_text.Reset();
        return true;
    }

    // Polls both parts with `allow`. False, `changed` untouched, when either
    // inner connector is free (the composite was never connected).
    bool PollChange(CQRKDRConnector&, bool allow, int32_t& changed, uint8_t& extra) override {
        if (!m_iconConnector.IsLinked() || !m_textConnector.IsLinked()) return false;
        int32_t iconChanged = 0, textChanged = 0;
        uint8_t iconExtra = 0, textExtra = 0;
        const bool iconPolled = m_icon.PollChange(m_iconConnector, allow, iconChanged, iconExtra);
        const bool textPolled = m_text.PollChange(m_textConnector, allow, textChanged, textExtra);
        if (!iconPolled || !textPolled) return false;
        changed = (iconChanged != 0 ? int32_t(kIconPart) : 0) | (textChanged != 0 ? int32_t(kTextPart) : 0);
        if (iconExtra != 0 || textExtra != 0) extra = 1;
        return true;
    }
    void MarkStale(CQRKDRConnector&) override {
        if (m_iconConnector.IsLinked()) m_icon.MarkStale(m_iconConnector);
        if (m_textConnector.IsLinked()) m_text.MarkStale(m_textConnector);
    }

    // Part flags 0 (or a pending full redraw) draw both parts; otherwise bit 0
    // the icon and bit 1 the text. Each part is cut at the right and bottom
    // edges of (x, y, w, h).
    bool Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t partFlags,
              CQRKDRConnector*) override {
        if (m_fullRedraw) {
            m_fullRedraw = false;
            partFlags = 0;
        }
        DrawParts(x, y, w, h, target, partFlags);
        return true;
    }
    // Both parts, the full-redraw mark left alone.
    bool DrawItem(int32_t, int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target) override {
        DrawParts(x, y, w, h, target, 0);
        return true;
    }

    int32_t GetWidth() override {
        const int64_t icon = int64_t{iconX} + iconWidth;
        const int64_t text = int64_t{textX} + textWidth;
        return ClampDrawPosition(icon > text ? icon : text);
    }
    int32_t GetHeight() override {
        const int64_t icon = int64_t{iconY} + iconHeight;
        const int64_t text = int64_t{m_text.GetHeight()} + textY;
        return ClampDrawPosition(icon > text ? icon : text);
    }

    I& Icon() noexcept { return m_icon; }
    T& Text() noexcept { return m_text; }
    CQRKDRConnector& IconConnector() noexcept { return m_iconConnector; }
    CQRKDRConnector& TextConnector() noexcept { return m_textConnector; }
    bool IsFullRedrawPending() const noexcept { return m_fullRedraw; }
    void SetFullRedraw() noexcept { m_fullRedraw = true; }

    // Relative to the composite's rectangle; the text's height comes from the
    // text itself.
    int32_t iconX = 0;
    int32_t iconWidth = 0;
    int32_t iconY = 0;
    int32_t iconHeight = 0;
    int32_t textX = 0;
    int32_t textWidth = 0;
    int32_t textY = 0;

private:
    // The length of a part at `offset` inside `room`: its own length, cut
    // where it would pass the end, never below 0.
    static int32_t Fit(int64_t offset, int64_t length, int64_t room) noexcept {
        if (offset + length > room) length = room - offset;
        return length < 0 ? 0 : ClampDrawPosition(length);
    }

    void DrawParts(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t partFlags) {
        const bool all = partFlags == 0;
        if ((all || (partFlags & kIconPart) != 0) && m_iconConnector.IsLinked()) {
            m_icon.Draw(ClampDrawPosition(int64_t{x} + iconX), ClampDrawPosition(int64_t{y} + iconY), Fit(iconX, iconWidth, w),
                        Fit(iconY, iconHeight, h), target, 0, &m_iconConnector);
        }
        if ((all || (partFlags & kTextPart) != 0) && m_textConnector.IsLinked()) {
            m_text.Draw(ClampDrawPosition(int64_t{x} + textX), ClampDrawPosition(int64_t{y} + textY), Fit(textX, textWidth, w),
                        Fit(textY, m_text.GetHeight(), h), target, 0, &m_textConnector);
        }
    }

    I m_icon;
    T m_text;
    CQRKDRConnector m_iconConnector;
    CQRKDRConnector m_textConnector;
    bool m_fullRedraw = false;
};
