#pragma once
// CQRKTileFontCore: the interface font. Every label, list row, status line and
// help text is drawn with it through its rich text (DrawRichText /
// DrawRichTextA), which also measures: type -1 lays the text out and reports
// its bounding rectangle without drawing.
//
// Glyphs come from pre-rendered images, not from the font service per string:
//   - the 94 printable ASCII characters are rendered once, at creation, into a
//     strip of 128 cells W x H (cell c at x = c W);
//   - every other character is rendered on first use into one of 1024 slots
//     (2 W x H, slot k at x = 2 W k) and kept in a glyph cache keyed by the
//     character; when the cache is full, every glyph with the oldest last-use
//     stamp goes at once (the glyphs of the least recent drawing call).
//
// Rich-text tags start with "%" ("%%" draws a percent sign): colours (%c,
// %ct, %cb, %s), colouring mode (%mf, %ms, %b), effects (%o[...]), width mode
// (%tf, %tv), minimum advances (%wh, %wf, %we), line height (%h), zoom (%z),
// pen positions (%x, %xr, %y, %yr), alignment (%ll, %lc, %lr), back to the
// initial state (%d[csmtowhzlr]), markers for the caller (%rb, %r, %K, %k),
// icons (%a[col,row]) and external glyphs (%eh, %ef).
#include <cstdint>
#include <memory>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/maps/NumMap.h"
#include "foundation/strings/UStr.h"
#include "platform/HostWindow.h"
#include "raster/surface/sprite/Sprite.h"
#include "raster/text/QRKFont.h"

namespace platform {
class FontEngine;
}

namespace qrk_internal {

// One glyph of the cache. The slot belongs to the element's storage: the
// element array is filled with 1024 elements (element k with slot k) and
// emptied again at construction, and an added glyph reuses the storage of the
// element freed last together with its slot, so the slots are shared out
// without a free list.
struct QRKTileFontCacheStruct {
    uint32_t code = 0;   // the key: a UTF-16 unit, or high | low << 16 for a pair
    uint64_t stamp = 0;  // draw stamp of the last call that used the glyph
    uint16_t slot = 0;   // 0 to 1023
};

}  // namespace qrk_internal

// One laid-out glyph, icon or marker reported to the caller. The text is rich
// text that, drawn with the same tile font at the x and y of the call that
// made the record, draws that glyph again in the same place and state.
struct CQRKTileFont_DrawDetail {
    CUStr_base<64> text;
    int32_t x = 0;
    int32_t y = 0;
    int32_t w = 0;
    int32_t h = 0;
    int32_t id = 0;
};

using CQRKTileFontDetailList = CArrayAuto<CQRKTileFont_DrawDetail>;

// Where the tile font's fonts come from: the font service, or in tests a face
// of exact boxes. Makes font a created font as CQRKFont_base::CreateFontPlain.
class IQRKTileFontFaces {
public:
    virtual ~IQRKTileFontFaces() = default;
    virtual bool CreateFontPlain(CQRKFont_base& font, int32_t w, int32_t h, uint32_t colour, uint32_t effectColour,
                                 const char16_t* face, int32_t size, uint8_t charSet) = 0;
};

class CQRKTileFontCore {
public:
    // Flag bits, given at creation.
    static constexpr uint32_t kLevelMask = 3;          // supersampling level s (drawn s + 1 times larger)
    static constexpr uint32_t kColourSheet = 4;        // default colouring from the colour sheet
    static constexpr uint32_t kEffectShift = 3;        // default effect 0-6 in bits 3-5
    static constexpr uint32_t kEffectMask = 7u << 3;
    static constexpr uint32_t kWiden = 0x40;           // widen every glyph by one pixel
    static constexpr uint32_t kWidthModeMask = 0x180;  // bits 7-8: the width mode
    static constexpr uint32_t kWidthFixed = 0;         // every glyph one cell (W, or 2 W)
    static constexpr uint32_t kWidthCentred = 0x80;    // fixed cells, each glyph centred in its cell
    static constexpr uint32_t kWidthProportional = 0x100;  // advance by the measured width

    static constexpr int32_t kSlotCount = 1024;
    static constexpr uint32_t kCacheBuckets = 1007;

    // Drawing types of the rich text.
    static constexpr int32_t kTypeMeasure = -1;
    static constexpr int32_t kTypeCopy = 0;
    static constexpr int32_t kTypeAlphaC = 1;
    static constexpr int32_t kTypeMax = 2;
    static constexpr int32_t kTypeAlpha = 3;
    static constexpr int32_t kTypeAlphaCLevel = 4;
    static constexpr int32_t kTypeAlphaLevel = 5;

    CQRKTileFontCore();
    ~CQRKTileFontCore();
    CQRKTileFontCore(const CQRKTileFontCore&) = delete;
    CQRKTileFontCore& operator=(const CQRKTileFontCore&) = delete;

    // Creates everything needed for drawing: cell size W x H (either 0: taken
    // from the face: W half its widest character, rounded up, H its height
    // plus 4), the glyph renderer with face (UTF-16) at size tenths of a
    // point times the supersampling factor, the ASCII strip rendered with
    // asciiFace (may be null: face), the slot strip and the work cell. A
    // second creation starts afresh: the glyph cache is emptied and the glyph
    // renderer made anew. False (the tile font unusable) when a face cannot
    // be opened or a sprite cannot be made.
    bool Create(platform::FontEngine& engine, int32_t W, int32_t H, uint32_t textColour, uint32_t effectColour,
                const char16_t* face, int32_t size, uint32_t flags, const char16_t* asciiFace);
    // The same with the face names in code page 932.
    bool CreateA(platform::FontEngine& engine, int32_t W, int32_t H, uint32_t textColour, uint32_t effectColour,
                 const char* face, int32_t size, uint32_t flags, const char* asciiFace);
    // Create with the fonts made by faces.
    bool CreateWith(IQRKTileFontFaces& faces, int32_t W, int32_t H, uint32_t textColour, uint32_t effectColour,
                    const char16_t* face, int32_t size, uint32_t flags, const char16_t* asciiFace);

    // Draws or measures rich text (NUL-terminated UTF-16) with the pen starting
    // at (x, y); drawing is clipped to (x, y, w, h) within the target's clip
    // rectangle, which is restored on return. type: 0 copy, 1 AlphaC, 2
    // maximum merge, 3 Alpha, 4 AlphaC at level, 5 Alpha at level, -1 measure
    // only. bounds (may be null) receives the rectangle of everything laid out
    // ((x, y, x, y) when nothing was); details (may be null) receives one
    // record per glyph, icon and marker. False when a glyph or icon to be
    // drawn meets another type, or a character cannot be rendered: what was
    // drawn before stays, bounds is not written.
    bool DrawRichText(const char16_t* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t type,
                      platform::Rect* bounds, CQRKTileFontDetailList* details, uint8_t level);
    // The same for a code-page-932 text.
    bool DrawRichTextA(const char* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h, int32_t type,
                       platform::Rect* bounds, CQRKTileFontDetailList* details, uint8_t level);

    // Measuring without a target: the bounding rectangle of the text laid out
    // from (0, 0) (type -1, an empty rectangle).
    platform::Rect MeasureRichText(const char16_t* text);
    platform::Rect MeasureRichTextA(const char* text);

    // ---- state ----
    bool IsCreated() const noexcept { return m_created; }
    int32_t GetCellWidth() const noexcept { return m_cellWidth; }
    int32_t GetCellHeight() const noexcept { return m_cellHeight; }
    int32_t GetDefaultExternalWidth() const noexcept { return m_defaultExternalWidth; }
    uint32_t GetFlags() const noexcept { return m_flags; }
    uint32_t GetFontVersion() const noexcept { return m_fontVersion; }
    uint64_t GetDrawStamp() const noexcept { return m_drawStamp; }
    uint16_t GetGlyphCount() const noexcept { return m_glyphCount; }
    // Advance widths by character code (256 entries): 32 space, 33-126 the
    // measured widths, 9 the tab (three spaces); the rest 0.
    const int32_t* GetWidthTable() const noexcept { return m_widths; }
    // The cache slot of a character key, or -1 when it is not cached.
    int32_t FindCachedSlot(uint32_t key) const noexcept;
    // The last-use stamp of a cached key, or 0 when it is not cached.
    uint64_t GetCachedStamp(uint32_t key) const noexcept;

    const CSprite& GetAsciiStrip() const noexcept { return m_asciiStrip; }
    const CSprite& GetGlyphSlots() const noexcept { return m_glyphSlots; }
    // The glyph renderer; its colour fields are the defaults of the rich text.
    CQRKFont_base& GetGlyphRenderer() noexcept { return m_renderer; }
    // Sheets the tags %eh / %ef (external glyphs), %a (icons) and %ms
    // (colours) draw from; created empty, filled by their owners.
    CSprite& GetExternalGlyphSheet() noexcept { return m_externalSheet; }
    CSprite& GetIconSheet() noexcept { return m_iconSheet; }
    CSprite& GetColourSheet() noexcept { return m_colourSheet; }
    void SetIconCellSize(uint32_t w, uint32_t h) noexcept {
        m_iconCellWidth = w;
        m_iconCellHeight = h;
    }
    void SetDefaultColourSheetOffset(int32_t offset) noexcept { m_defaultColourOffset = offset; }
    // Forgets every cached glyph (they are rendered again on their next use).
    void EmptyGlyphCache() { EmptyCache(); }

private:
    // The layout of one rich-text call (RichText.cpp).
    struct RichTextRun;

    using GlyphCache = CNumMapSingle<qrk_internal::QRKTileFontCacheStruct, kCacheBuckets, unsigned long, unsigned long>;

    void ReleaseSprites();
    void EmptyCache();
    // Puts the glyph of key (units: 1 or 2 UTF-16 units) into its slot and
    // into the work cell at (2, 2); false when it cannot be rendered.
    bool FetchGlyph(uint32_t key, const char16_t* units, int32_t count);
    // The advance of a character from 128 up in the proportional mode.
    int32_t MeasureWide(const char16_t* units, int32_t count);

    CSprite m_asciiStrip;
    CSprite m_glyphSlots;
    int32_t m_widths[256] = {};
    CSprite m_workCell;
    CSprite m_externalSheet;
    CSprite m_iconSheet;
    uint32_t m_iconCellWidth = 0;
    uint32_t m_iconCellHeight = 0;
    GlyphCache m_cache;
    uint16_t m_glyphCount = 0;
    int32_t m_cellWidth = 0;
    int32_t m_cellHeight = 0;
    int32_t m_defaultExternalWidth = 0;
    CQRKFont_base m_renderer;
    CSprite m_colourSheet;
    int32_t m_defaultColourOffset = 0;
    uint32_t m_flags = 0;
    uint32_t m_fontVersion = 0;
    // 64 bits: a 32-bit stamp wraps after 2^32 calls, and the eviction would
    // then take the newest glyphs for the oldest.
    uint64_t m_drawStamp = 0;
    bool m_created = false;
    // The target of MeasureRichText: no pixels, so nothing can be drawn.
    CSprite m_measureTarget;
};
