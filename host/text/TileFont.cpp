// The tile font: creation (the ASCII strip, the slot strip, the width table)
// and the glyph cache.
//
// The cache is a number map over an element array that is filled with 1024
// elements at construction, element k carrying slot k, and emptied again
// without freeing them. Adding a glyph takes the element freed last, slot and
// all, so the 1024 slots are shared out without a free list and adding or
// removing glyphs allocates nothing. When the cache is full, every glyph with
// the smallest last-use stamp goes at once: the stamp is the number of the
// drawing call that last used the glyph, so a full cache is cleaned a whole
// old call at a time, and a glyph of the current call goes only when every
// cached glyph belongs to it.
#include "host/text/TileFont.h"

#include <algorithm>

#include "raster/surface/sprite/RasterLibrary.h"

namespace {

// The font service behind the tile font's fonts.
class EngineFaces final : public IQRKTileFontFaces {
public:
    explicit EngineFaces(platform::FontEngine& engine) noexcept : m_engine(engine) {}
    bool CreateFontPlain(CQRKFont_base& font, int32_t w, int32_t h, uint32_t colour, uint32_t effectColour,
                         const char16_t* face, int32_t size, uint8_t charSet) override {
        return font.CreateFontPlain(m_engine, w, h, colour, effectColour, face, size, charSet);
    }

private:
    platform::FontEngine& m_engine;
};

// Text drawing without prefix processing ("&" drawn as written).
constexpr uint32_t kNoPrefix = 0x800;
// Where a font's string image starts inside its canvas.
constexpr int32_t kCanvasMargin = 5;
constexpr uint8_t kJapaneseCharSet = 128;
constexpr uint8_t kDefaultCharSet = 0;

void Downsample(CQRKFont_base& font, int32_t k, int32_t w, int32_t h) {
    if (k == 2) font.Downsample2x(0, 0, w, h);
    if (k == 3) font.Downsample3x(0, 0, w, h);
    if (k == 4) font.Downsample4x(0, 0, w, h);
}

bool MakeSprite(CSprite& sprite, int64_t w, int64_t h) {
    if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return false;
    if (!IsRasterReady() || !IsSpriteSizeAllowed(int32_t(w), int32_t(h))) return false;
    return sprite.Create(int32_t(w), int32_t(h), false);
}

}  // namespace

CQRKTileFontCore::CQRKTileFontCore() {
    // The slot storage: element k keeps slot k for the life of the cache.
    auto& store = m_cache.GetStore();
    store.SetCount(kSlotCount);
    for (int32_t k = 0; k < kSlotCount; ++k) store.GetAt(uint32_t(k))->GetValue().slot = uint16_t(k);
    store.RemoveAll();
}

CQRKTileFontCore::~CQRKTileFontCore() = default;

void CQRKTileFontCore::ReleaseSprites() {
    m_asciiStrip.Release();
    m_workCell.Release();
    m_glyphSlots.Release();
}

void CQRKTileFontCore::EmptyCache() {
    m_cache.RemoveAll();
    m_glyphCount = 0;
}

bool CQRKTileFontCore::Create(platform::FontEngine& engine, int32_t W, int32_t H, uint32_t textColour,
                              uint32_t effectColour, const char16_t* face, int32_t size, uint32_t flags,
                              const char16_t* asciiFace) {
    EngineFaces faces(engine);
    return CreateWith(faces, W, H, textColour, effectColour, face, size, flags, asciiFace);
}

bool CQRKTileFontCore::CreateA(platform::FontEngine& engine, int32_t W, int32_t H, uint32_t textColour,
                               uint32_t effectColour, const char* face, int32_t size, uint32_t flags,
                               const char* asciiFace) {
    CUStr_base<64> wideFace;
    CUStr_base<64> wideAscii;
    if (face != nullptr && !wideFace.FromCP932(face, false)) return false;
    if (asciiFace != nullptr && !wideAscii.FromCP932(asciiFace, false)) return false;
    EngineFaces faces(engine);
    return CreateWith(faces, W, H, textColour, effectColour, face != nullptr ? wideFace.GetText() : nullptr, size,
                      flags, asciiFace != nullptr ? wideAscii.GetText() : nullptr);
}

bool CQRKTileFontCore::CreateWith(IQRKTileFontFaces& faces, int32_t W, int32_t H, uint32_t textColour,
                                  uint32_t effectColour, const char16_t* face, int32_t size, uint32_t flags,
                                  const char16_t* asciiFace) {
    // A second creation starts afresh: glyphs cached or a renderer made for
    // other metrics would otherwise outlive them.
    m_created = false;
    EmptyCache();
    ReleaseSprites();
    m_renderer.Release();

    const int32_t s = int32_t(flags & kLevelMask);
    const int32_t k = s + 1;
    const int32_t scaledSize = int32_t(std::clamp<int64_t>(int64_t{size} * k, INT32_MIN, INT32_MAX));

    if (W == 0 || H == 0) {
        CQRKFont_base probe;
        if (!faces.CreateFontPlain(probe, 0, 0, textColour, effectColour, face, scaledSize, kJapaneseCharSet))
            return false;
        if (W == 0) W = (std::max(probe.Canvas.GetWidth() - 2 * kCanvasMargin, 0) + 1) / 2 / k;
        if (H == 0) H = std::max(probe.Canvas.GetHeight() - 2 * kCanvasMargin, 0) / k + 4;
    }
    if (W <= 0 || H <= 0) return false;
    const int64_t wk = int64_t{W} * k;
    const int64_t hk = int64_t{H} * k;
    if (2 * wk > INT32_MAX / 2 || hk > INT32_MAX / 2) return false;

    CQRKFont_base asciiFont;
    if (asciiFace != nullptr && !faces.CreateFontPlain(asciiFont, int32_t(wk), int32_t(hk), textColour, effectColour,
                                                       asciiFace, scaledSize, kDefaultCharSet))
        return false;
    if (!faces.CreateFontPlain(m_renderer, int32_t(2 * wk), int32_t(hk), textColour, effectColour, face, scaledSize,
                               kJapaneseCharSet))
        return false;
    if (!MakeSprite(m_asciiStrip, 128 * int64_t{W}, H) || !MakeSprite(m_workCell, 2 * int64_t{W} + 8, int64_t{H} + 8) ||
        !MakeSprite(m_glyphSlots, 2 * int64_t{W} * kSlotCount, H)) {
        ReleaseSprites();
        m_renderer.Release();
        return false;
    }
    std::fill(std::begin(m_widths), std::end(m_widths), 0);

    CQRKFont_base& ascii = asciiFace != nullptr ? asciiFont : m_renderer;
    char16_t one[2] = {u' ', 0};
    m_widths[32] = std::max(ascii.MeasureString(one) + s, 0) / k;
    for (char16_t c = 33; c <= 126; ++c) {
        one[0] = c;
        if (!ascii.RenderString(int32_t(wk), int32_t(hk), one, kNoPrefix, 0)) {
            ReleaseSprites();
            m_renderer.Release();
            return false;
        }
        const int32_t g = std::max(ascii.MeasureString(one) + s, 0) / k;
        m_widths[c] = g;
        Downsample(ascii, k, int32_t(wk), int32_t(hk));
        const int32_t cellX = int32_t(c) * W;
        if ((flags & kWidthModeMask) == kWidthCentred && g < W) {
            const int32_t left = (W - g) / 2;
            m_asciiStrip.FillRect(cellX, 0, left, H, 0);
            m_asciiStrip.DrawCopy(cellX + left, 0, ascii.Canvas, kCanvasMargin, kCanvasMargin, g, H);
            m_asciiStrip.FillRect(cellX + left + g, 0, W - left - g, H, 0);
        } else {
            m_asciiStrip.DrawCopy(cellX, 0, ascii.Canvas, kCanvasMargin, kCanvasMargin, W, H);
        }
    }
    m_widths[9] = 3 * m_widths[32];

    m_cellWidth = W;
    m_cellHeight = H;
    m_defaultExternalWidth = W;
    m_flags = flags;
    ++m_fontVersion;
    m_created = true;
    return true;
}

int32_t CQRKTileFontCore::FindCachedSlot(uint32_t key) const noexcept {
    const auto* e = m_cache.Find(key);
    return e != nullptr ? int32_t(e->GetValue().slot) : -1;
}

uint64_t CQRKTileFontCore::GetCachedStamp(uint32_t key) const noexcept {
    const auto* e = m_cache.Find(key);
    return e != nullptr ? e->GetValue().stamp : 0;
}

int32_t CQRKTileFontCore::MeasureWide(const char16_t* units, int32_t count) {
    const char16_t text[3] = {units[0], count > 1 ? units[1] : char16_t(0), 0};
    const int32_t k = int32_t(m_flags & kLevelMask) + 1;
    return std::max(m_renderer.MeasureString(text) + int32_t(m_flags & kLevelMask), 0) / k;
}

bool CQRKTileFontCore::FetchGlyph(uint32_t key, const char16_t* units, int32_t count) {
    const int32_t W = m_cellWidth;
    const int32_t H = m_cellHeight;
    int32_t slot = -1;
    if (auto* e = m_cache.Find(key)) {
        e->GetValue().stamp = m_drawStamp;
        slot = e->GetValue().slot;
    } else {
        if (!m_renderer.Created) return false;
        if (m_cache.GetCount() >= uint32_t(kSlotCount)) {
            uint64_t oldest = UINT64_MAX;
            m_cache.ForEach([&](unsigned long, qrk_internal::QRKTileFontCacheStruct& v) {
                oldest = std::min(oldest, v.stamp);
            });
            m_cache.ForEach([&](unsigned long k, qrk_internal::QRKTileFontCacheStruct& v) {
                if (v.stamp == oldest) {
                    m_cache.Remove(k);
                    --m_glyphCount;
                }
            });
        }
        const int32_t k = int32_t(m_flags & kLevelMask) + 1;
        const char16_t text[3] = {units[0], count > 1 ? units[1] : char16_t(0), 0};
        if (!m_renderer.RenderString(2 * W * k, H * k, text, kNoPrefix, 0)) return false;
        Downsample(m_renderer, k, 2 * W * k, H * k);
        qrk_internal::QRKTileFontCacheStruct* v = m_cache.Add(key);
        v->code = key;
        ++m_glyphCount;
        slot = v->slot;
        const int32_t slotX = 2 * W * slot;
        if ((m_flags & kWidthModeMask) == kWidthCentred) {
            const int32_t g = MeasureWide(units, count);
            if (g < 2 * W) {
                const int32_t left = (2 * W - g) / 2;
                m_glyphSlots.FillRect(slotX, 0, left, H, 0);
                m_glyphSlots.DrawCopy(slotX + left, 0, m_renderer.Canvas, kCanvasMargin, kCanvasMargin, g, H);
                m_glyphSlots.FillRect(slotX + left + g, 0, 2 * W - left - g, H, 0);
            } else {
                m_glyphSlots.DrawCopy(slotX, 0, m_renderer.Canvas, kCanvasMargin, kCanvasMargin, 2 * W, H);
            }
        } else {
            m_glyphSlots.DrawCopy(slotX, 0, m_renderer.Canvas, kCanvasMargin, kCanvasMargin, 2 * W, H);
        }
        v->stamp = m_drawStamp;
    }
    m_workCell.DrawCopy(2, 2, m_glyphSlots, 2 * W * slot, 0, 2 * W, H);
    return true;
}
