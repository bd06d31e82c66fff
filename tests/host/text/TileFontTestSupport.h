#pragma once
// A tile font over the synthetic face of exact boxes: every glyph is a 4 x 9
// box one pixel right of the pen and 7 rows above the baseline (ascent 8,
// descent 3), with an advance of the style's choosing. Layout is then known to
// the pixel and no real glyph takes part in an exact comparison.
#include <memory>
#include <string>
#include <vector>

#include "host/text/TileFont.h"
#include "platform/Utf8.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "tests/platform/fonts/SyntheticGlyphs.h"

namespace tilefont_test {

class SyntheticFaces final : public IQRKTileFontFaces {
public:
    explicit SyntheticFaces(int32_t advance = 6) { style.advance = advance; }
    bool CreateFontPlain(CQRKFont_base& font, int32_t w, int32_t h, uint32_t colour, uint32_t effectColour,
                         const char16_t*, int32_t, uint8_t) override {
        ++fontsMade;
        auto face = std::make_unique<platform::FontFace>(std::make_unique<testfonts::SyntheticGlyphs>(style), false,
                                                         false);
        return font.CreateFromFace(std::move(face), w, h, colour, effectColour);
    }
    testfonts::SyntheticGlyphs::Style style;
    int fontsMade = 0;
};

inline bool MakeFont(CQRKTileFontCore& font, int32_t W, int32_t H, uint32_t flags, int32_t advance = 6) {
    InitRasterLibrary(1);
    SyntheticFaces faces(advance);
    return font.CreateWith(faces, W, H, 0x000000, 0xFFFFFF, u"face", 110, flags, nullptr);
}

inline std::string Utf8(const CUStr_base<64>& s) {
    std::string out;
    platform::Utf16ToUtf8(s.GetText(), size_t(s.GetLength()), out);
    return out;
}

}  // namespace tilefont_test
