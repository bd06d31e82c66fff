#include "host/draw/FontInfo.h"

#include "host/HostContext.h"
#include "host/text/TileFont.h"
#include "raster/surface/sprite/RasterLibrary.h"

int32_t CountTextLines(const char* text) noexcept {
    int32_t lines = 1;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        const unsigned char c = *p;
        if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
            if (p[1] != 0) ++p;
        } else if (c == '\n') {
            if (lines < INT32_MAX) ++lines;
        }
    }
    return lines;
}

const char* QRKWDRFontInfo::SetText(const char* text) {
    m_text.Assign(text);
    m_changes.Increment();
    return m_text.GetText();
}

bool QRKWDRFontInfo::Reset() {
    tileFont = nullptr;
    m_text.Assign("");
    m_changes.Increment();
    return true;
}

CQRKTileFontCore* QRKWDRFontInfo::ResolveFont() const noexcept {
    if (tileFont != nullptr) return tileFont;
    const QRKHostContext* host = QRKCurrentHost();
    return host != nullptr ? host->tileFont : nullptr;
}

bool QRKWDRFontInfo::Draw(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint32_t,
                          CQRKDRConnector*) {
    if (IsRasterReady()) target.FillRect(x, y, w, h, 0);
    if (CQRKTileFontCore* font = ResolveFont()) {
        font->DrawRichTextA(m_text.GetText(), target, x, y, w, h, CQRKTileFontCore::kTypeMax, nullptr, nullptr, 128);
    }
    return true;
}

int32_t QRKWDRFontInfo::GetWidth() {
    const CQRKTileFontCore* font = ResolveFont();
    return font != nullptr ? ClampDrawPosition(int64_t{10} * font->GetCellWidth()) : 0;
}

int32_t QRKWDRFontInfo::GetHeight() {
    const CQRKTileFontCore* font = ResolveFont();
    if (font == nullptr) return 0;
    return ClampDrawPosition(int64_t{CountTextLines(m_text.GetText())} * font->GetCellHeight());
}
