// Fonts as alpha images.
//
// A string becomes an alpha image in three stages:
//
//  1. Coverage. The font service draws the text as 8-bit coverage. The plane
//     it draws into is the canvas itself: each canvas row is read as a row of
//     bytes, the text lands in the first (w + 10) bytes of rows 5 .. h + 9,
//     and each row is then spread from right to left into pixels with the
//     coverage as alpha and colour 0. Pixel x takes bytes 4x .. 4x + 3, which
//     lie at or right of byte x, so walking right to left never overwrites a
//     byte that is still to be read. No second buffer is needed, and the
//     result is what the white-on-black drawing gave after its grey level was
//     turned into alpha.
//  2. Clearing. Whatever the canvas held right of or below the new image (the
//     previous, wider or taller string and the effects spread around it) is
//     cleared, and so are the four 5-pixel margins, so that effects spread
//     into a clean border.
//  3. Finishing (CQRKFont). A supersampled image is reduced in place; the
//     glyphs are widened, coloured (a colour or pattern tiles) and given an
//     effect; then the image is blitted with the sprite's own kernels.
//
// The text reaches the font service as UTF-32 (surrogate pairs joined), so no
// character is lost to a narrower code page.
#include "raster/text/QRKFont.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/Utf8.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

// Where the string image starts inside the canvas, and the width of the
// transparent margin on every side.
constexpr int32_t kMargin = 5;

// a * b / c rounded to the nearest, halves away from zero, in 64 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) noexcept {
    const int64_t p = static_cast<int64_t>(a) * b;
    const int64_t m = p < 0 ? -p : p;
    const int64_t q = (m + c / 2) / c;
    return static_cast<int32_t>(p < 0 ? -q : q);
}

// The Japanese face the service gives for the code page's default: the
// program's fontconfig file aliases it to an installed Japanese face.
constexpr const char* kJapaneseFallbackFace = "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";  // ＭＳ Ｐゴシック

// Opens the face of the request with the name (UTF-16) and the size (tenths of
// a point) filled in. The em size is the size at 96 dots per inch, negative so
// that the service matches the character height. With the Japanese character
// set (128) a face that lacks Japanese gives way to the Japanese default face,
// as the system's font mapper preferred the character set to the name; the
// named face is kept when that one cannot be opened either.
std::unique_ptr<platform::FontFace> OpenFace(platform::FontEngine& engine, platform::FontRequest& request,
                                             const char16_t* face, int32_t size, uint8_t charSet) {
    if (face != nullptr) {
        size_t units = 0;
        while (face[units] != 0) ++units;
        // A name that is not valid UTF-16 names no face: the service's own
        // choice is taken, as for an empty name.
        if (!platform::Utf16ToUtf8(face, units, request.face)) request.face.clear();
    }
    request.height = -MulDiv(size, 96, 720);
    if (charSet == 128 && !engine.FaceCoversLanguage(request.face, "ja")) {
        platform::FontRequest japanese = request;
        japanese.face = kJapaneseFallbackFace;
        if (std::unique_ptr<platform::FontFace> opened = engine.Open(japanese)) return opened;
    }
    return engine.Open(request);
}

// UTF-16 as UTF-32: a surrogate pair becomes its character; an unpaired
// surrogate becomes U+FFFD, so that it shows as the replacement glyph instead
// of vanishing. Short texts stay on the stack.
class Utf32Text {
public:
    explicit Utf32Text(const char16_t* text) {
        size_t units = 0;
        while (text[units] != 0) ++units;
        char32_t* out = m_local;
        if (units > kLocal) {
            m_heap.resize(units);
            out = m_heap.data();
        }
        m_data = out;
        for (size_t i = 0; i < units; ++i) {
            const char32_t u = text[i];
            if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                out[m_count++] = 0x10000 + ((u - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
                ++i;
            } else if (u >= 0xD800 && u <= 0xDFFF) {
                out[m_count++] = 0xFFFD;
            } else {
                out[m_count++] = u;
            }
        }
    }
    const char32_t* data() const noexcept { return m_data; }
    size_t size() const noexcept { return m_count; }

private:
    static constexpr size_t kLocal = 256;
    char32_t m_local[kLocal];
    std::vector<char32_t> m_heap;
    const char32_t* m_data = nullptr;
    size_t m_count = 0;
};

int32_t ClampToRange(int64_t v, int32_t low, int32_t high) noexcept {
    return static_cast<int32_t>(std::clamp<int64_t>(v, low, high));
}

// The source's colour copied into every destination pixel of the clipped
// rectangle whose alpha is not 0; the alpha is kept (pattern colouring).
void CopyColourWhereAlpha(CSprite& target, int32_t dx, int32_t dy, const CSprite& source, int32_t sx, int32_t sy,
                          int32_t w, int32_t h) {
    target.ClipBlit(dx, dy, source, sx, sy, w, h);
    for (int32_t j = 0; j < h; ++j) {
        uint32_t* d = target.PixelAt(dx, dy + j);
        const uint32_t* s = source.PixelAt(sx, sy + j);
        for (int32_t i = 0; i < w; ++i) {
            if ((d[i] & 0xFF000000u) != 0) d[i] = (d[i] & 0xFF000000u) | (s[i] & 0x00FFFFFFu);
        }
    }
}

}  // namespace

CQRKFont_base::CQRKFont_base() noexcept = default;
CQRKFont_base::~CQRKFont_base() = default;

bool CQRKFont_base::CreateFont(platform::FontEngine& engine, int32_t w, int32_t h, uint32_t colour,
                               uint32_t effectColour, const char16_t* face, int32_t size, int32_t weight, bool italic,
                               bool underline, bool strikeOut, uint8_t /*quality*/, uint8_t charSet) {
    if (Created) return true;
    platform::FontRequest request;
    request.weight = weight == 0 ? 400 : weight;
    request.italic = italic;
    request.underline = underline;
    request.strikeOut = strikeOut;
    std::unique_ptr<platform::FontFace> opened = OpenFace(engine, request, face, size, charSet);
    if (!opened) {
        Canvas.Release();
        return false;
    }
    return CreateFromFace(std::move(opened), w, h, colour, effectColour);
}

bool CQRKFont_base::CreateFontPlain(platform::FontEngine& engine, int32_t w, int32_t h, uint32_t colour,
                                    uint32_t effectColour, const char16_t* face, int32_t size, uint8_t charSet) {
    if (Created) return true;
    platform::FontRequest request;
    std::unique_ptr<platform::FontFace> opened = OpenFace(engine, request, face, size, charSet);
    if (!opened) return false;
    return CreateFromFace(std::move(opened), w, h, colour, effectColour);
}

bool CQRKFont_base::CreateFromFace(std::unique_ptr<platform::FontFace> face, int32_t w, int32_t h, uint32_t colour,
                                   uint32_t effectColour) {
    if (Created) return true;
    if (!face) return false;
    if (w == 0 || h == 0) {
        const platform::FontMetrics& metrics = face->Metrics();
        if (w == 0) w = metrics.maxCharWidth;
        if (h == 0) h = metrics.height;
    }
    // The margins; a size that cannot take them breaks the canvas rule.
    if (w < 0 || h < 0 || w > INT32_MAX - 2 * kMargin || h > INT32_MAX - 2 * kMargin) return false;
    w += 2 * kMargin;
    h += 2 * kMargin;
    if (!IsRasterReady() || !IsSpriteSizeAllowed(w, h) || !Canvas.RecreateIfReady(w, h)) return false;
    Face = std::move(face);
    TextColour = colour;
    SecondColour = colour;
    EffectColour = effectColour;
    Created = true;
    return true;
}

bool CQRKFont_base::RenderString(int32_t w, int32_t h, const char16_t* text, uint32_t /*format*/, int32_t inset) {
    if (!Created || !Face) return false;
    if (IsRasterReady() && Canvas.HasImage()) {
        const int32_t cw = Canvas.GetWidth();
        const int32_t ch = Canvas.GetHeight();
        // The image as far as the canvas holds it.
        const int32_t pw = std::clamp(w, 0, cw);
        const int32_t ph = std::clamp(h, 0, ch);

        // The image rectangle and its left margin (cleared anyway below) start
        // empty, so that the text's bytes land on zeros.
        Canvas.FillRect(0, kMargin, pw + 2 * kMargin, ph + kMargin, 0);

        platform::CoveragePlane plane;
        plane.data = reinterpret_cast<uint8_t*>(Canvas.GetPixels());
        plane.stride = Canvas.GetStride() * 4;
        plane.width = std::min(pw + 2 * kMargin, cw);
        plane.height = std::min(ph + 2 * kMargin, ch);
        if (text != nullptr && text[0] != 0) {
            const Utf32Text text32(text);
            const int32_t left = ClampToRange(int64_t{inset} + kMargin, -1, plane.width + 1);
            const int32_t right = ClampToRange(int64_t{w} - inset + kMargin, -1, plane.width + 1);
            const int32_t bottom = ClampToRange(int64_t{h} + kMargin, -1, plane.height + 1);
            Face->DrawText(text32.data(), text32.size(), plane, left, kMargin, right, bottom);
        }
        for (int32_t y = kMargin; y < plane.height; ++y) {
            uint32_t* row = Canvas.PixelAt(0, y);
            const uint8_t* bytes = reinterpret_cast<const uint8_t*>(row);
            for (int32_t x = plane.width - 1; x >= 0; --x) row[x] = uint32_t{bytes[x]} << 24;
        }

        // What the previous image left right of and below the new one, with
        // the margins its effects spread into.
        const int32_t previousRight = static_cast<int32_t>(std::min<int64_t>(int64_t{ImageWidth} + 2 * kMargin, cw));
        const int32_t previousBottom =
            static_cast<int32_t>(std::min<int64_t>(int64_t{ImageHeight} + 2 * kMargin, ch));
        if (ImageWidth > w) Canvas.FillRect(pw + kMargin, 0, previousRight - (pw + kMargin), previousBottom, 0);
        if (ImageHeight > h) Canvas.FillRect(0, ph + kMargin, previousRight, previousBottom - (ph + kMargin), 0);

        // The margins.
        Canvas.FillRect(0, 0, pw + 2 * kMargin, kMargin, 0);
        Canvas.FillRect(0, kMargin, kMargin, ph + kMargin, 0);
        Canvas.FillRect(pw + kMargin, kMargin, kMargin, ph + kMargin, 0);
        Canvas.FillRect(kMargin, ph + kMargin, pw, kMargin, 0);
    }
    ImageWidth = w;
    ImageHeight = h;
    return true;
}

bool CQRKFont_base::RenderStringA(int32_t w, int32_t h, const char* text, uint32_t format, int32_t inset) {
    CUStr_base<64> wide;
    // Text that is not code page 932 is refused rather than drawn garbled.
    if (text == nullptr || !wide.FromCP932(text, false)) return false;
    return RenderString(w, h, wide.GetText(), format, inset);
}

int32_t CQRKFont_base::MeasureString(const char16_t* text) {
    if (!Created || !Face) return -1;
    if (text == nullptr) return 0;
    const Utf32Text text32(text);
    return Face->MeasureText(text32.data(), text32.size());
}

void CQRKFont_base::Release() {
    Canvas.Release();
    Face.reset();
    Created = false;
    ImageWidth = 0;
    ImageHeight = 0;
}

// The reductions. The supersampled image of k w x k h lies at the image
// origin; its reduction replaces the top-left w x h of it. The two pixels
// right of and below the reduced image are cleared: the widening and the
// effects read them, and they still hold the supersampled drawing.
namespace {

void ClearBesideReduced(CSprite& canvas, int32_t reducedWidth, int32_t reducedHeight) {
    canvas.FillRect(kMargin + reducedWidth, kMargin, 2, reducedHeight + 2, 0);
    canvas.FillRect(kMargin, kMargin + reducedHeight, reducedWidth, 2, 0);
}

}  // namespace

namespace {

using ReduceAlpha = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t);

// Reduces the supersampled rectangle (x, y, w, h) of the image by k and
// clears the two pixels beside the result.
void ReduceImage(CSprite& canvas, int32_t& imageWidth, int32_t& imageHeight, ReduceAlpha reduce, int32_t k, int32_t x,
                 int32_t y, int32_t w, int32_t h) {
    if (IsRasterReady() && canvas.HasImage()) {
        (canvas.*reduce)(kMargin + x, kMargin + y, w, h);
        ClearBesideReduced(canvas, w / k, h / k);
    }
    imageWidth /= k;
    imageHeight /= k;
}

}  // namespace

void CQRKFont_base::Downsample2x(int32_t x, int32_t y, int32_t w, int32_t h) {
    ReduceImage(Canvas, ImageWidth, ImageHeight, &CSprite::DownsampleAlpha2x2, 2, x, y, w, h);
}

void CQRKFont_base::Downsample3x(int32_t x, int32_t y, int32_t w, int32_t h) {
    ReduceImage(Canvas, ImageWidth, ImageHeight, &CSprite::DownsampleAlpha3x3, 3, x, y, w, h);
}

void CQRKFont_base::Downsample4x(int32_t x, int32_t y, int32_t w, int32_t h) {
    ReduceImage(Canvas, ImageWidth, ImageHeight, &CSprite::DownsampleAlpha4x4, 4, x, y, w, h);
}

void CQRKFont_base::CopyTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target) {
    if (!IsRasterReady()) return;
    if (w > ImageWidth) target.FillRect(x + ImageWidth, y, w - ImageWidth, h, 0);
    if (h > ImageHeight) target.FillRect(x, y + ImageHeight, w, h - ImageHeight, 0);
    target.DrawCopy(x, y, Canvas, kMargin, kMargin, std::min(w, ImageWidth), std::min(h, ImageHeight));
}

void CQRKFont_base::AlphaCTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target) {
    if (!IsRasterReady()) return;
    target.DrawAlphaC(x, y, Canvas, kMargin, kMargin, std::min(w, ImageWidth), std::min(h, ImageHeight));
}

void CQRKFont_base::MaxTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target) {
    if (!IsRasterReady()) return;
    target.BlitMax(x, y, Canvas, kMargin, kMargin, std::min(w, ImageWidth), std::min(h, ImageHeight));
}

void CQRKFont_base::AlphaTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target) {
    if (!IsRasterReady()) return;
    target.DrawAlpha(x, y, Canvas, kMargin, kMargin, std::min(w, ImageWidth), std::min(h, ImageHeight));
}

void CQRKFont_base::AlphaCTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint8_t level) {
    if (!IsRasterReady()) return;
    target.DrawAlphaCOpacity(x, y, Canvas, kMargin, kMargin, std::min(w, ImageWidth), std::min(h, ImageHeight),
                             level);
}

void CQRKFont_base::AlphaTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint8_t level) {
    if (!IsRasterReady()) return;
    target.DrawAlphaOpacity(x, y, Canvas, kMargin, kMargin, std::min(w, ImageWidth), std::min(h, ImageHeight),
                            level);
}

bool CQRKFont::DrawString(const char* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, bool blend,
                          int32_t inset) {
    return DrawStringA(text, target, x, y, w, h, blend ? 1 : 0, inset, 128);
}

bool CQRKFont::DrawStringA(const char* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h,
                           int32_t type, int32_t inset, uint8_t level) {
    CUStr_base<64> wide;
    if (text == nullptr || !wide.FromCP932(text, false)) return false;
    return DrawStringW(wide.GetText(), target, x, y, w, h, type, inset, level);
}

namespace {

// Equal UTF-16 texts (both NUL-terminated).
bool SameText(const char16_t* a, const char16_t* b) noexcept {
    for (;; ++a, ++b) {
        if (*a != *b) return false;
        if (*a == 0) return true;
    }
}

// The image drawn onto the target by draw type; false for an unknown type.
bool DrawImageByType(CQRKFont_base& font, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t type,
                     uint8_t level) {
    switch (type) {
        case 0: font.CopyTo(x, y, w, h, target); return true;
        case 1: font.AlphaCTo(x, y, w, h, target); return true;
        case 2: font.MaxTo(x, y, w, h, target); return true;
        case 3: font.AlphaTo(x, y, w, h, target); return true;
        case 4: font.AlphaCTo(x, y, w, h, target, level); return true;
        case 5: font.AlphaTo(x, y, w, h, target, level); return true;
        default: return false;
    }
}

}  // namespace

bool CQRKFont::DrawStringW(const char16_t* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h,
                           int32_t type, int32_t inset, uint8_t level) {
    if (text == nullptr) return false;
    // A released font has no image left to serve, whatever the cache says.
    if (Created && Cached && inset == 0 && SameText(CachedText.GetText(), text)) {
        return DrawImageByType(*this, target, x, y, w, h, type, level);
    }

    // Drawn k times larger (the caller made the font k times larger), then
    // reduced. The sizes are kept far from overflow.
    constexpr int32_t kSizeLimit = int32_t{1} << 27;
    w = std::clamp(w, -kSizeLimit, kSizeLimit);
    h = std::clamp(h, -kSizeLimit, kSizeLimit);
    const int32_t k = static_cast<int32_t>(Flags & kLevelMask) + 1;
    const int32_t sw = w * k;
    const int32_t sh = h * k;
    if (!RenderString(sw, sh, text, TextFormat, inset)) return false;
    if (k == 2) Downsample2x(0, 0, sw, sh);
    if (k == 3) Downsample3x(0, 0, sw, sh);
    if (k == 4) Downsample4x(0, 0, sw, sh);

    if (IsRasterReady()) {
        if ((Flags & kWiden) != 0) Canvas.DilateFromLeft(5, 5, w + 2, h + 2);

        if ((Flags & kPattern) != 0) {
            // A missing pattern or an empty tile colours nothing.
            if (Pattern != nullptr && PatternWidth > 0 && PatternHeight > 0) {
                for (int64_t ty = 0; ty < h; ty += PatternHeight) {
                    for (int64_t tx = 0; tx < w; tx += PatternWidth) {
                        CopyColourWhereAlpha(Canvas, static_cast<int32_t>(5 + tx), static_cast<int32_t>(5 + ty),
                                             *Pattern, PatternX, PatternY,
                                             static_cast<int32_t>(std::min<int64_t>(PatternWidth, w - tx)),
                                             static_cast<int32_t>(std::min<int64_t>(PatternHeight, h - ty)));
                    }
                }
            }
        } else {
            Canvas.FillRectCVisible(5, 5, w, h, TextColour);
        }

        switch ((Flags & kEffectMask) >> kEffectShift) {
            case 1: Canvas.GlyphShadow1(5, 5, w + 2, h + 2, EffectColour); break;
            case 2: Canvas.GlyphShadow2(5, 5, w + 2, h + 2, EffectColour); break;
            case 3: Canvas.GlyphOutline1(3, 3, w + 4, h + 4, EffectColour); break;
            case 4: Canvas.GlyphOutline2(3, 3, w + 4, h + 4, EffectColour); break;
            case 5: Canvas.GlyphShadowOutline1(0, 0, w + 7, h + 7, EffectColour); break;
            case 6: Canvas.GlyphShadowOutline2(0, 0, w + 7, h + 7, EffectColour); break;
            default: break;  // 0 and 7: none
        }
    }

    // Only an image drawn without inset answers for the text alone: one drawn
    // with an inset is placed differently and must not serve a later draw.
    CachedText.Assign(text);
    Cached = inset == 0;
    return DrawImageByType(*this, target, x, y, w, h, type, level);
}
