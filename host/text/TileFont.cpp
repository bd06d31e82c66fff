// The tile font: creation and the glyph cache.
#include "host/text/TileFont.h"

CQRKTileFontCore::CQRKTileFontCore() = default;
CQRKTileFontCore::~CQRKTileFontCore() = default;

bool CQRKTileFontCore::Create(platform::FontEngine&, int32_t, int32_t, uint32_t, uint32_t, const char16_t*, int32_t,
                              uint32_t, const char16_t*) {
    return false;
}
bool CQRKTileFontCore::CreateA(platform::FontEngine&, int32_t, int32_t, uint32_t, uint32_t, const char*, int32_t,
                               uint32_t, const char*) {
    return false;
}
bool CQRKTileFontCore::CreateWith(IQRKTileFontFaces&, int32_t, int32_t, uint32_t, uint32_t, const char16_t*, int32_t,
                                  uint32_t, const char16_t*) {
    return false;
}
bool CQRKTileFontCore::DrawRichText(const char16_t*, CSprite&, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                                    platform::Rect* bounds, CQRKTileFontDetailList*, uint8_t) {
    if (bounds != nullptr) *bounds = platform::Rect{x, y, x, y};
    return true;
}
bool CQRKTileFontCore::DrawRichTextA(const char*, CSprite&, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                                     platform::Rect* bounds, CQRKTileFontDetailList*, uint8_t) {
    if (bounds != nullptr) *bounds = platform::Rect{x, y, x, y};
    return true;
}
platform::Rect CQRKTileFontCore::MeasureRichText(const char16_t*) { return {}; }
platform::Rect CQRKTileFontCore::MeasureRichTextA(const char*) { return {}; }
int32_t CQRKTileFontCore::FindCachedSlot(uint32_t) const noexcept { return -1; }
uint64_t CQRKTileFontCore::GetCachedStamp(uint32_t) const noexcept { return 0; }
