#pragma once
// Fonts as alpha images: CQRKFont_base draws a string with the platform's font
// service into the string canvas as coverage (alpha); CQRKFont adds a cache
// of the last string, supersampling (drawn 2, 3 or 4 times larger and reduced),
// colouring by a colour or a pattern, and the glyph effects. The document's
// font map holds CQRKFont objects for the text factors; the host's tile font
// embeds a CQRKFont_base.
//
// The string image lies at (5, 5) inside the canvas; a margin of 5 pixels on
// every side stays transparent black, so that effects can spread into it.
//
// Text reaches the font service as UTF-32: every character is drawn, also
// those that code page 932 cannot hold.
#include <cstdint>
#include <memory>

#include "foundation/strings/UStr.h"
#include "platform/fonts/FontEngine.h"
#include "raster/surface/sprite/Sprite.h"
#include "raster/surface/sprite/SpriteView.h"

class CQRKFont_base {
public:
    CQRKFont_base() noexcept;
    virtual ~CQRKFont_base();
    CQRKFont_base(const CQRKFont_base&) = delete;
    CQRKFont_base& operator=(const CQRKFont_base&) = delete;

    // Opens the face (face in UTF-16; size in tenths of a point, the em size
    // in pixels being MulDiv(size, 96, 720); weight 0 is the default 400) and
    // makes the canvas (w + 10) x (h + 10), a zero w or h taken from the
    // face's maximum character width and line height. charSet 128 asks for a
    // face that covers Japanese. True at once when already created; false
    // (nothing made) when no face opens, the canvas size breaks the canvas
    // rule or the raster library is not started.
    bool CreateFont(platform::FontEngine& engine, int32_t w, int32_t h, uint32_t colour, uint32_t effectColour,
                    const char16_t* face, int32_t size, int32_t weight, bool italic, bool underline, bool strikeOut,
                    uint8_t quality, uint8_t charSet);
    // The same with weight 0, no italic, underline or strike-out, quality 0.
    bool CreateFontPlain(platform::FontEngine& engine, int32_t w, int32_t h, uint32_t colour, uint32_t effectColour,
                         const char16_t* face, int32_t size, uint8_t charSet);
    // The steps after the face is open: takes the face (null: false), sizes
    // and makes the canvas, stores the colours. For a face opened elsewhere,
    // such as a synthetic face in tests. True at once when already created
    // (the face is then dropped).
    bool CreateFromFace(std::unique_ptr<platform::FontFace> face, int32_t w, int32_t h, uint32_t colour,
                        uint32_t effectColour);

    // Renders the text into the string image, w x h at (5, 5), the text box
    // narrowed by inset on the left and right. False when not created.
    bool RenderString(int32_t w, int32_t h, const char16_t* text, uint32_t format, int32_t inset);
    // The same for a code-page-932 text.
    bool RenderStringA(int32_t w, int32_t h, const char* text, uint32_t format, int32_t inset);
    // The width of the text's widest line in canvas pixels; -1 when not created.
    int32_t MeasureString(const char16_t* text);
    // Back to not created: the face, the canvas and the image size go.
    void Release();

    // Reduce a supersampled image whose supersampled rectangle is (x, y, w, h)
    // relative to the image origin.
    void Downsample2x(int32_t x, int32_t y, int32_t w, int32_t h);
    void Downsample3x(int32_t x, int32_t y, int32_t w, int32_t h);
    void Downsample4x(int32_t x, int32_t y, int32_t w, int32_t h);

    // The image blits: the string image from (5, 5) onto target at (x, y),
    // min(w, image width) x min(h, image height); nothing before the raster
    // library is started. CopyTo first clears the part of (x, y, w, h) right
    // of and below the image.
    void CopyTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target);
    void AlphaCTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target);
    void MaxTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target);
    void AlphaTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target);
    void AlphaCTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint8_t level);
    void AlphaTo(int32_t x, int32_t y, int32_t w, int32_t h, CSprite& target, uint8_t level);

    // ---- fields ----
    CSpriteView Canvas;
    std::unique_ptr<platform::FontFace> Face;
    bool Created = false;
    uint32_t TextColour = 0;    // 0xRRGGBB
    uint32_t SecondColour = 0;  // the bottom of the tile font's gradient
    uint32_t EffectColour = 0;
    int32_t ImageWidth = 0;  // size of the last rendered string (after reduction)
    int32_t ImageHeight = 0;
};

class CQRKFont : public CQRKFont_base {
public:
    // Flag bits: supersampling level (drawn level + 1 times larger), pattern
    // colouring, effect code (0 none, 1 shadow 1, 2 shadow 2, 3 outline 1,
    // 4 outline 2, 5 shadow with outline 1, 6 shadow with outline 2), widening.
    static constexpr uint32_t kLevelMask = 3;
    static constexpr uint32_t kPattern = 4;
    static constexpr uint32_t kEffectShift = 3;
    static constexpr uint32_t kEffectMask = 7u << kEffectShift;
    static constexpr uint32_t kWiden = 64;
    // The text format the text factors use: "&" drawn as written.
    static constexpr uint32_t kNoPrefix = 2048;

    // Code page 932 text; blend false draws with type 0, true with type 1;
    // level 128.
    bool DrawString(const char* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, bool blend,
                    int32_t inset);
    bool DrawStringA(const char* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t type,
                     int32_t inset, uint8_t level);
    // Draws through the one-string cache. Types: 0 CopyTo, 1 AlphaC, 2 maximum
    // merge, 3 Alpha, 4 AlphaC with level, 5 Alpha with level; any other type
    // answers false (the new text stays cached).
    bool DrawStringW(const char16_t* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t type,
                     int32_t inset, uint8_t level);

    // ---- fields ----
    CUStr_base<64> CachedText;
    const CSprite* Pattern = nullptr;
    int32_t PatternX = 0;
    int32_t PatternY = 0;
    int32_t PatternWidth = 0;
    int32_t PatternHeight = 0;
    uint32_t Flags = 0;
    uint32_t TextFormat = kNoPrefix;
    bool Cached = false;  // the string image holds CachedText
};
