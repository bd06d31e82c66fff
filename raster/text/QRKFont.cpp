// Fonts as alpha images. (Being built: no font is created yet.)
#include "raster/text/QRKFont.h"

CQRKFont_base::CQRKFont_base() noexcept = default;
CQRKFont_base::~CQRKFont_base() = default;

bool CQRKFont_base::CreateFont(platform::FontEngine&, int32_t, int32_t, uint32_t, uint32_t, const char16_t*, int32_t,
                               int32_t, bool, bool, bool, uint8_t, uint8_t) {
    return false;
}
bool CQRKFont_base::CreateFontPlain(platform::FontEngine&, int32_t, int32_t, uint32_t, uint32_t, const char16_t*,
                                    int32_t, uint8_t) {
    return false;
}
bool CQRKFont_base::RenderString(int32_t, int32_t, const char16_t*, uint32_t, int32_t) { return false; }
bool CQRKFont_base::RenderStringA(int32_t, int32_t, const char*, uint32_t, int32_t) { return false; }
int32_t CQRKFont_base::MeasureString(const char16_t*) { return -1; }
void CQRKFont_base::Release() {}
void CQRKFont_base::Downsample2x(int32_t, int32_t, int32_t, int32_t) {}
void CQRKFont_base::Downsample3x(int32_t, int32_t, int32_t, int32_t) {}
void CQRKFont_base::Downsample4x(int32_t, int32_t, int32_t, int32_t) {}
void CQRKFont_base::CopyTo(int32_t, int32_t, int32_t, int32_t, CSprite&) {}
void CQRKFont_base::AlphaCTo(int32_t, int32_t, int32_t, int32_t, CSprite&) {}
void CQRKFont_base::MaxTo(int32_t, int32_t, int32_t, int32_t, CSprite&) {}
void CQRKFont_base::AlphaTo(int32_t, int32_t, int32_t, int32_t, CSprite&) {}
void CQRKFont_base::AlphaCTo(int32_t, int32_t, int32_t, int32_t, CSprite&, uint8_t) {}
void CQRKFont_base::AlphaTo(int32_t, int32_t, int32_t, int32_t, CSprite&, uint8_t) {}

bool CQRKFont::DrawString(const char*, CSprite&, int32_t, int32_t, int32_t, int32_t, bool, int32_t) { return false; }
bool CQRKFont::DrawStringA(const char*, CSprite&, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, uint8_t) {
    return false;
}
bool CQRKFont::DrawStringW(const char16_t*, CSprite&, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, uint8_t) {
    return false;
}
