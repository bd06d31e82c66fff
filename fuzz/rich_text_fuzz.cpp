// libFuzzer target for the tile font's rich text.
//
// The input's first bytes choose the font (width mode, effect, supersampling),
// the drawing type, the rectangle and the level; the rest becomes UTF-16 text
// through a byte map that favours what the reader must survive: "%" and tag
// letters, brackets, signs and long digit runs, line feeds and tabs, lone and
// paired surrogates and Japanese characters. Each text is drawn with a detail
// list and then measured; the bounds and records are checked for sanity and
// the target's clip rectangle for being restored.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "host/text/TileFont.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "tests/platform/fonts/SyntheticGlyphs.h"

namespace {

class SyntheticFaces final : public IQRKTileFontFaces {
public:
    bool CreateFontPlain(CQRKFont_base& font, int32_t w, int32_t h, uint32_t colour, uint32_t effectColour,
                         const char16_t*, int32_t, uint8_t) override {
        auto face =
            std::make_unique<platform::FontFace>(std::make_unique<testfonts::SyntheticGlyphs>(), false, false);
        return font.CreateFromFace(std::move(face), w, h, colour, effectColour);
    }
};

void Check(bool ok) {
    if (!ok) std::abort();
}

// Font flags of the fonts the inputs choose from.
constexpr uint32_t kFontFlags[4] = {0x000, 0x080 | (3 << 3), 0x100 | 0x40 | (6 << 3), 0x101};

CQRKTileFontCore& Font(uint32_t which) {
    static std::unique_ptr<CQRKTileFontCore> fonts[4];
    if (!fonts[which]) {
        InitRasterLibrary(1);
        fonts[which] = std::make_unique<CQRKTileFontCore>();
        SyntheticFaces faces;
        Check(fonts[which]->CreateWith(faces, 6, 12, 0x102030, 0xF0E0D0, u"face", 110, kFontFlags[which], nullptr));
        fonts[which]->SetIconCellSize(8, 8);
        fonts[which]->GetIconSheet().Create(32, 32, true);
        fonts[which]->GetExternalGlyphSheet().Create(40, 12, true);
        fonts[which]->GetColourSheet().Create(40, 12, true);
    }
    return *fonts[which];
}

// Fragments the high byte values stand for.
constexpr const char16_t* kFragments[] = {
    u"%",   u"%%",  u"%c[", u"%ct[", u"%cb[", u"%s[",  u"%b[",  u"%mf", u"%ms", u"%tf", u"%tv",  u"%o[",
    u"%d[", u"%eh[", u"%ef[", u"%x[", u"%xr[", u"%y[", u"%yr[", u"%wh[", u"%wf[", u"%we[", u"%h[", u"%z[",
    u"%r[", u"%rb[", u"%K[", u"%k[", u"%lc", u"%lr", u"%ll",  u"%a[",  u"]",   u",",   u"-",   u"\n",
    u"\t",  u"99999999999", u"200", u"sb2", u"ds1", u"csmtowhzlr", u"FFFFFF", u"%z[1000]", u"%z[0]"};
constexpr size_t kFragmentCount = sizeof(kFragments) / sizeof(kFragments[0]);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    CQRKTileFontCore& font = Font(data[0] & 3);
    const int32_t type = int32_t(data[1] % 8) - 1;  // -1 to 6 (6 fails)
    const int32_t x = int32_t(data[2] % 64) - 16;
    const int32_t y = int32_t(data[3] % 32) - 8;
    const int32_t w = int32_t(data[4] % 128);
    const uint8_t level = data[5];

    std::u16string text;
    for (size_t i = 6; i < size; ++i) {
        const uint8_t b = data[i];
        if (b < 0x80) {
            if (b != 0) text += char16_t(b);
        } else if (b < 0x88) {
            text += char16_t(0xD800 + (b & 7) * 0x51);  // high surrogate
        } else if (b < 0x90) {
            text += char16_t(0xDC00 + (b & 7) * 0x33);  // low surrogate
        } else if (b < 0xB0) {
            text += char16_t(0x3040 + (b - 0x90) * 37);  // Japanese and beyond
        } else {
            text += kFragments[(b - 0xB0) % kFragmentCount];
        }
    }

    static CSprite target;
    if (!target.HasImage()) target.Create(96, 48, false);
    target.SetClipRect(3, 2, 90, 45);
    CQRKTileFontDetailList details;
    platform::Rect bounds{};
    const bool ok = font.DrawRichText(text.c_str(), target, x, y, w, 40, type, &bounds, &details, level);
    Check(target.GetClipLeft() == 3 && target.GetClipTop() == 2 && target.GetClipRight() == 90 &&
          target.GetClipBottom() == 45);
    Check(font.GetGlyphRenderer().EffectColour == 0xF0E0D0);
    if (ok) Check(bounds.left <= bounds.right && bounds.top <= bounds.bottom);
    Check(font.GetGlyphCount() <= CQRKTileFontCore::kSlotCount);

    const platform::Rect measured = font.MeasureRichText(text.c_str());
    Check(measured.left <= measured.right && measured.top <= measured.bottom);
    return 0;
}
