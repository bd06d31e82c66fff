// Text layout over any glyph source, as the system's text drawing did it:
// lines start at the top-left of the box and follow one another at the line
// height (ascent + descent); CR, LF and CR LF end a line; every other
// character, tab included, is its glyph, placed at the pen on the baseline,
// and moves the pen by its whole-pixel advance (no kerning). Everything is
// clipped to the box and to the plane, and coverage is combined with the
// plane's by taking the larger value, so overlapping glyphs do not add up.
// Underline and strike-out are full-coverage bars across the drawn width of
// each line (the sum of its advances) at the metrics' positions.
//
// Pen positions are 64-bit: a long line of wide advances must not wrap into
// the box again.
#include "platform/fonts/FontEngine.h"

#include <algorithm>
#include <utility>

namespace platform {

namespace {

// The visible area: the box cut by the plane, as half-open ranges.
struct Clip {
    int64_t left, top, right, bottom;
    bool Empty() const { return left >= right || top >= bottom; }
};

void MaxInto(CoveragePlane& plane, const Clip& clip, int64_t x, int64_t y, const uint8_t* rows, int32_t width,
             int32_t height, int32_t pitch) {
    const int64_t x0 = std::max(x, clip.left), x1 = std::min(x + width, clip.right);
    const int64_t y0 = std::max(y, clip.top), y1 = std::min(y + height, clip.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    for (int64_t py = y0; py < y1; ++py) {
        const uint8_t* src = rows + (py - y) * pitch + (x0 - x);
        uint8_t* dst = plane.data + py * plane.stride + x0;
        for (int64_t n = x1 - x0; n > 0; --n, ++src, ++dst) {
            if (*src > *dst) *dst = *src;
        }
    }
}

void Bar(CoveragePlane& plane, const Clip& clip, int64_t x, int64_t y, int64_t width, int32_t thickness) {
    const int64_t x0 = std::max(x, clip.left), x1 = std::min(x + width, clip.right);
    const int64_t y0 = std::max(y, clip.top), y1 = std::min(y + thickness, clip.bottom);
    for (int64_t py = y0; py < y1; ++py) {
        if (x0 < x1) std::fill(plane.data + py * plane.stride + x0, plane.data + py * plane.stride + x1, uint8_t(255));
    }
}

// The length of the line starting at text[i] and the index after its break.
struct Line {
    size_t end;   // one past the last character of the line
    size_t next;  // the first character of the next line
};

Line NextLine(const char32_t* text, size_t count, size_t i) {
    size_t e = i;
    while (e < count && text[e] != U'\r' && text[e] != U'\n') ++e;
    size_t n = e;
    if (n < count) {
        n += (text[n] == U'\r' && n + 1 < count && text[n + 1] == U'\n') ? 2 : 1;
    }
    return {e, n};
}

}  // namespace

FontFace::FontFace(std::unique_ptr<GlyphSource> glyphs, bool underline, bool strikeOut) noexcept
    : m_glyphs(std::move(glyphs)), m_underline(underline), m_strikeOut(strikeOut) {}

FontFace::~FontFace() = default;

const FontMetrics& FontFace::Metrics() const noexcept { return m_glyphs->Metrics(); }

void FontFace::DrawText(const char32_t* text, size_t count, CoveragePlane& plane, int32_t left, int32_t top,
                        int32_t right, int32_t bottom) {
    if (!text || !plane.data) return;
    const Clip clip{std::max<int64_t>(left, 0), std::max<int64_t>(top, 0), std::min<int64_t>(right, plane.width),
                    std::min<int64_t>(bottom, plane.height)};
    if (clip.Empty()) return;
    const FontMetrics& m = m_glyphs->Metrics();
    const int64_t lineHeight = std::max(m.height, 1);
    int64_t lineTop = top;
    GlyphImage g;
    for (size_t i = 0; i < count && lineTop < clip.bottom;) {
        const Line line = NextLine(text, count, i);
        const int64_t baseline = lineTop + m.ascent;
        int64_t pen = left;
        for (; i < line.end; ++i) {
            if (!m_glyphs->Glyph(text[i], g)) continue;
            if (g.coverage) {
                MaxInto(plane, clip, pen + g.left, baseline - g.top, g.coverage, g.width, g.height, g.pitch);
            }
            pen += g.advance;
        }
        if (m_underline) Bar(plane, clip, left, baseline + m.underlinePosition, pen - left, m.underlineThickness);
        if (m_strikeOut) Bar(plane, clip, left, baseline - m.strikeOutPosition, pen - left, m.strikeOutThickness);
        i = line.next;
        lineTop += lineHeight;
    }
}

int32_t FontFace::MeasureText(const char32_t* text, size_t count) {
    if (!text) return 0;
    int64_t widest = 0;
    GlyphImage g;
    for (size_t i = 0; i < count;) {
        const Line line = NextLine(text, count, i);
        int64_t width = 0;
        for (; i < line.end; ++i) {
            if (m_glyphs->Glyph(text[i], g)) width += g.advance;
        }
        widest = std::max(widest, width);
        i = line.next;
    }
    return int32_t(std::min<int64_t>(widest, INT32_MAX));
}

}  // namespace platform
