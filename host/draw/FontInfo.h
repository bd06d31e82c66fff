#pragma once
// QRKWDRFontInfo: a piece of rich text (code page 932, with the tile font's
// tags) drawn with a tile font; the host's own tile font when it has none.
#include <cstdint>

#include "foundation/strings/Str.h"
#include "host/draw/DrawResource.h"

class CQRKTileFontCore;

class QRKWDRFontInfo : public IQRKDrawResource {
public:
    // Copies the text and counts the change; answers the stored text.
    const char* SetText(const char* text);
    const char* GetText() const noexcept { return m_text.GetText(); }

    bool Reset() override;
    bool OnConnect(CQRKDRConnector& connector) override { return m_changes.OnConnect(connector); }
    bool PollChange(CQRKDRConnector& connector, bool allow, int32_t& changed, uint8_t&) override {
        return m_changes.PollChange(connector, allow, changed);
    }
    void MarkStale(CQRKDRConnector& connector) override { m_changes.MarkStale(connector); }
    // Clears (x, y, w, h) to transparent black, then draws the text there
    // keeping the larger of text and cleared pixel (the maximum merge), so
    // the cache holds the text alone.
    bool Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t partFlags,
              CQRKDRConnector* connector) override;
    bool DrawItem(int32_t, int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target) override {
        return Draw(x, y, w, h, target, 0, nullptr);
    }
    // Ten cells of the font (0 without a font).
    int32_t GetWidth() override;
    // One line height (the font's cell height) per line of the text.
    int32_t GetHeight() override;

    // The font drawn with: the resource's own, else the host's (may be null).
    CQRKTileFontCore* ResolveFont() const noexcept;

    CQRKChangeCounter& Changes() noexcept { return m_changes; }

    // Null: the host's tile font.
    CQRKTileFontCore* tileFont = nullptr;

private:
    CStr_base<64> m_text;
    CQRKChangeCounter m_changes;
};

// Lines of a code-page-932 text: line feeds + 1. The second byte of a
// two-byte character (lead 0x81-0x9F or 0xE0-0xFC) is never a line feed.
int32_t CountTextLines(const char* text) noexcept;
