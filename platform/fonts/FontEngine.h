#pragma once
// Text as coverage: the font service of the program, over FreeType (glyphs)
// and fontconfig (finding faces), without Qt.
//
// What callers rely on is what the system's own text drawing did:
//   - a face is asked for by name, pixel height, weight, italic, underline and
//     strike-out; a negative height is the em size (character height), a
//     positive one the cell height (ascent + descent); Windows face names the
//     documents use ("ＭＳ ゴシック", "メイリオ", ...) are aliases, through a
//     fontconfig file of the program's own, for installed Japanese faces;
//   - metrics: ascent and descent from the face's OS/2 winAscent/winDescent,
//     whole-pixel advances, no kerning;
//   - drawing: text from the top-left of a box, lines broken at CR, LF and
//     CR LF, tabs drawn as glyphs (no expansion), no prefix processing,
//     everything clipped to the box; underline and strike-out drawn as bars;
//     a character the face lacks falls back to another face that has it.
// Coverage is 8-bit (0 none, 255 full) and is combined with what the plane
// holds by taking the larger value.
//
// The glyphs come from a GlyphSource: the engine's FreeType faces, or in tests
// a synthetic source with exact boxes, so that layout is testable to the pixel.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

struct FontMetrics {
    int32_t ascent = 0;  // pixels above the baseline
    int32_t descent = 0;  // pixels below it
    int32_t height = 0;   // ascent + descent: one line
    int32_t maxCharWidth = 0;
    int32_t averageCharWidth = 0;
    int32_t underlinePosition = 0;  // pixels below the baseline (top of the bar)
    int32_t underlineThickness = 1;
    int32_t strikeOutPosition = 0;  // pixels above the baseline (top of the bar)
    int32_t strikeOutThickness = 1;
};

// One glyph's image: coverage rows, placed relative to the pen position on
// the baseline (left: pixels right of the pen; top: pixels above the
// baseline), and the whole-pixel advance.
struct GlyphImage {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;  // bytes from one row to the next
    const uint8_t* coverage = nullptr;  // valid until the next call of the source
    int32_t advance = 0;
};

class GlyphSource {
public:
    virtual ~GlyphSource() = default;
    virtual const FontMetrics& Metrics() const noexcept = 0;
    // The glyph of c (after fallback); false when no face has it (nothing is
    // drawn for it and the pen does not move).
    virtual bool Glyph(char32_t c, GlyphImage& out) = 0;
};

// An 8-bit plane the text is drawn into.
struct CoveragePlane {
    uint8_t* data = nullptr;
    int32_t stride = 0;  // bytes per row
    int32_t width = 0;
    int32_t height = 0;
};

// One opened font: a glyph source and the decorations asked for.
class FontFace {
public:
    FontFace(std::unique_ptr<GlyphSource> glyphs, bool underline, bool strikeOut) noexcept;
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    const FontMetrics& Metrics() const noexcept;
    // Draws text into the plane from (left, top), within the box (left, top)
    // to (right, bottom) (exclusive), also clipped to the plane.
    void DrawText(const char32_t* text, size_t count, CoveragePlane& plane, int32_t left, int32_t top, int32_t right,
                  int32_t bottom);
    // The width of the widest line of text, in pixels.
    int32_t MeasureText(const char32_t* text, size_t count);

private:
    std::unique_ptr<GlyphSource> m_glyphs;
    bool m_underline;
    bool m_strikeOut;
};

struct FontRequest {
    std::string face;  // UTF-8
    int32_t height = 0;  // negative: em size in pixels; positive: cell height
    int32_t weight = 400;  // 600 and above bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// The font service: fontconfig with the program's aliases, FreeType, and the
// faces opened so far. One per user of fonts (the renderer keeps one in its
// context); not shared between threads.
class FontEngine {
public:
    FontEngine();
    ~FontEngine();
    FontEngine(const FontEngine&) = delete;
    FontEngine& operator=(const FontEngine&) = delete;

    // The face that best matches the request (a face of the name, an alias's
    // target, else fontconfig's choice), or null when no face can be opened.
    std::unique_ptr<FontFace> Open(const FontRequest& request);
    // Whether the named face (after aliasing) covers the language ("ja").
    bool FaceCoversLanguage(const std::string& face, const char* language);

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace platform
