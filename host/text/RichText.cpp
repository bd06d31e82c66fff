// Rich text: the tile font's drawing and measuring of tagged text.
//
// One call is one RichTextRun: the drawing state starts from the tile font
// (its glyph renderer's colours and its flags), the text is read unit by unit,
// tags change the state and every glyph, icon and external glyph is laid out
// at the pen: its cell widens the bounding rectangle, a detail record is
// appended when the caller asked for them, and, when the cell starts inside
// the text rectangle and the call draws, the glyph is prepared in the work
// cell (coloured, margins cleared), given its effect on the glyph renderer's
// canvas and blitted (stretched at zooms other than 100 percent).
//
// Centred and right-aligned lines are placed by measuring the rest of the line
// first. The measuring is a second run over just that line, type -1, that
// never aligns, so each line is measured once per alignment tag or line feed
// and a text of many alignment tags costs no more than its lines.
//
// Numbers from the text are bounded: decimal arguments saturate, the zoom and
// the pen stay in ranges whose products fit 64 bits, so hostile text cannot
// overflow the layout.
#include <algorithm>
#include <cstdio>

#include "host/text/TileFont.h"
#include "raster/surface/sprite/DrawMode.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

constexpr int64_t kDecimalLimit = INT32_MAX;    // decimal arguments saturate here
constexpr int64_t kMaxZoom = 256 * 100;         // 10000 percent
constexpr int64_t kPenLimit = int64_t{1} << 30; // pen positions stay within +-2^30
constexpr int32_t kCanvasMargin = 5;
constexpr int32_t kNone = 0x7FFFFFFF;

int64_t ClampPen(int64_t v) noexcept { return std::clamp(v, -kPenLimit, kPenLimit); }
int32_t To32(int64_t v) noexcept { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

bool IsHex(char16_t c) noexcept {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
uint32_t HexValue(char16_t c) noexcept {
    if (c <= u'9') return uint32_t(c - u'0');
    if (c <= u'F') return uint32_t(c - u'A' + 10);
    return uint32_t(c - u'a' + 10);
}

// The effect tags of the detail records, by effect value, without and with
// the widen bit (widen with effect 7, which no tag makes, reads as widen alone).
constexpr const char* kEffectTags[8] = {"%o[]", "%o[s1]", "%o[s2]", "%o[b1]", "%o[b2]", "%o[sb1]", "%o[sb2]", "%o[]"};
constexpr const char* kWidenEffectTags[8] = {"%o[]%o[d]", "%o[ds1]", "%o[ds2]", "%o[db1]",
                                             "%o[db2]",   "%o[dsb1]", "%o[dsb2]", "%o[d]"};

// %o forms and the effect bits they set (effect in bits 3-5, widen bit 6).
struct EffectForm {
    const char16_t* text;
    uint32_t bits;
};
constexpr EffectForm kEffectForms[] = {
    {u"", 0},          {u"s1", 1 << 3},  {u"s2", 2 << 3},  {u"b1", 3 << 3},  {u"b2", 4 << 3},
    {u"sb1", 5 << 3},  {u"sb2", 6 << 3}, {u"d", 0x40},     {u"ds1", 0x48},   {u"ds2", 0x50},
    {u"db1", 0x58},    {u"db2", 0x60},   {u"dsb1", 0x68},  {u"dsb2", 0x70},
};

}  // namespace

struct CQRKTileFontCore::RichTextRun {
    struct State {
        int64_t penX = 0;
        int64_t penY = 0;
        uint32_t textColour = 0;
        uint32_t secondColour = 0;
        uint32_t colourMode = 0;
        int32_t colourOffset = 0;
        uint32_t effectBits = 0;
        uint32_t widthMode = 0;
        int64_t wh = 1;
        int64_t wf = 2;
        int64_t we = 0;
        int64_t lineHeight = 0;
        int64_t zoom = 256;
        int32_t align = 0;  // 0 left, 1 centre, 2 right
        int32_t linkId = -1;
    };

    // What a laid-out glyph shows, prepared only when it is drawn.
    struct GlyphSource {
        enum Kind { kAscii, kWide, kExternal } kind = kAscii;
        uint32_t code = 0;               // ASCII code or cache key
        const char16_t* units = nullptr; // the source units for the record
        int32_t count = 0;
        int64_t sheetX = 0;              // external glyphs
    };

    CQRKTileFontCore& font;
    CSprite& target;
    const char16_t* text;
    int64_t x, y, w, h;
    int32_t type;
    uint8_t level;
    CQRKTileFontDetailList* details;
    bool lineOnly;  // measuring one line for alignment: stop at a line feed, never align

    State initial;
    State st;
    uint32_t initialEffectColour = 0;
    int64_t left = kNone, top = kNone, right, bottom;

    RichTextRun(CQRKTileFontCore& f, CSprite& t, const char16_t* s, int64_t x0, int64_t y0, int64_t w0, int64_t h0,
                int32_t ty, uint8_t lv, CQRKTileFontDetailList* d, bool line)
        : font(f), target(t), text(s), x(x0), y(y0), w(w0), h(h0), type(ty), level(lv), details(d), lineOnly(line),
          right(x0), bottom(y0) {
        initial.penX = x;
        initial.penY = y;
        initial.textColour = font.m_renderer.TextColour;
        initial.secondColour = font.m_renderer.SecondColour;
        initial.colourMode = (font.m_flags & kColourSheet) != 0 ? 1 : 0;
        initial.colourOffset = font.m_defaultColourOffset;
        initial.effectBits = font.m_flags & (kEffectMask | kWiden);
        initial.widthMode = font.m_flags & kWidthModeMask;
        initial.we = font.m_defaultExternalWidth;
        initial.lineHeight = font.m_cellHeight;
        initialEffectColour = font.m_renderer.EffectColour;
        st = initial;
    }

    void Grow(int64_t l, int64_t t, int64_t r, int64_t b) noexcept {
        left = std::min(left, l);
        top = std::min(top, t);
        right = std::max(right, r);
        bottom = std::max(bottom, b);
    }

    int64_t Zoomed(int64_t v) const noexcept { return v * st.zoom / 256; }

    // ---- reading numbers ----

    // Decimal digits (none: 0), saturating; p is left on the first non-digit.
    static int64_t ReadDecimal(const char16_t*& p) noexcept {
        int64_t v = 0;
        while (*p >= u'0' && *p <= u'9') {
            v = std::min(v * 10 + (*p - u'0'), kDecimalLimit);
            ++p;
        }
        return v;
    }
    // Digits closed by "]" (consumed); false (p on the character that ended
    // the digits) otherwise.
    static bool ReadClosedDecimal(const char16_t*& p, int64_t& v, bool allowMinus) noexcept {
        bool negative = false;
        if (allowMinus && *p == u'-') {
            negative = true;
            ++p;
        }
        v = ReadDecimal(p);
        if (negative) v = -v;
        if (*p != u']') return false;
        ++p;
        return true;
    }
    // Up to six hexadecimal digits filling a 24-bit value from the top; the
    // character after them is consumed (unless it is the end) and returned.
    static char16_t ReadHex(const char16_t*& p, uint32_t& v) noexcept {
        v = 0;
        for (int32_t n = 0; n < 6 && IsHex(*p); ++n, ++p) v |= HexValue(*p) << (20 - 4 * n);
        const char16_t end = *p;
        if (end != 0) ++p;
        return end;
    }

    // ---- layout ----

    void AddRecord(int64_t rx, int64_t ry, int64_t rw, int64_t rh, int32_t id, const char* state,
                   const char16_t* units, int32_t count) {
        CQRKTileFont_DrawDetail* d = details->AddNew();
        d->x = To32(rx);
        d->y = To32(ry);
        d->w = To32(rw);
        d->h = To32(rh);
        d->id = id;
        char16_t wide[512];
        int32_t n = 0;
        for (const char* s = state; *s != 0 && n < 511; ++s) wide[n++] = char16_t(static_cast<unsigned char>(*s));
        wide[n] = 0;
        d->text.Assign(wide);
        if (count > 0) d->text.AppendUnitsN(units, count);
    }

    void StateText(char* out, size_t size) const {
        const uint32_t e = (st.effectBits >> kEffectShift) & 7;
        const char* effect = (st.effectBits & kWiden) != 0 ? kWidenEffectTags[e] : kEffectTags[e];
        std::snprintf(out, size, "%%c[%06X,%06X]%%s[%06X]%s%s%%b[%d]%%wh[%lld]%%wf[%lld]%%we[%lld]%%h[%lld]%%z[%lld]%%x[%d]%%y[%d]",
                      st.textColour & 0xFFFFFF, st.secondColour & 0xFFFFFF, font.m_renderer.EffectColour & 0xFFFFFF,
                      st.colourMode == 1 ? "%ms" : "%mf", effect, st.colourOffset, (long long)st.wh,
                      (long long)st.wf, (long long)st.we, (long long)st.lineHeight,
                      (long long)(st.zoom * 100 / 256), To32(st.penX - x), To32(st.penY - y));
    }

    bool Drawn() const noexcept { return type != kTypeMeasure && st.penX < x + w && st.penY < y + h; }

    // Lays out one glyph of advance g and minimum advance m.
    bool LayOutGlyph(int64_t g, int64_t m, const GlyphSource& source) {
        const int32_t H = font.m_cellHeight;
        Grow(st.penX, st.penY, st.penX + Zoomed(g + 6), st.penY + Zoomed(H + 6));
        if (details != nullptr) {
            char state[400];
            StateText(state, sizeof state);
            AddRecord(st.penX, st.penY, Zoomed(std::max(m, g)), Zoomed(H + 6), st.linkId, state, source.units,
                      source.count);
        }
        if (!Drawn()) {
            st.penX = ClampPen(st.penX + Zoomed(std::max(m, g)));
            return true;
        }
        if (type < 0 || type > 5) return false;
        if (IsRasterReady() && !DrawGlyph(int32_t(g), source)) return false;
        st.penX = ClampPen(st.penX + Zoomed(std::max(m, type == 0 ? g + 4 : g)));
        return true;
    }

    bool DrawGlyph(int32_t g, const GlyphSource& source) {
        const int32_t W = font.m_cellWidth;
        const int32_t H = font.m_cellHeight;
        CSprite& cell = font.m_workCell;
        switch (source.kind) {
        case GlyphSource::kAscii:
            cell.DrawCopy(2, 2, font.m_asciiStrip, int32_t(source.code) * W, 0, W, H);
            cell.FillRect(2 + W, 2, W, H, 0);  // nothing of a wider glyph before it
            break;
        case GlyphSource::kWide:
            if (!font.FetchGlyph(source.code, source.units, source.count)) return false;
            break;
        case GlyphSource::kExternal:
            cell.DrawCopy(2, 2, font.m_externalSheet, int32_t(source.sheetX), 0, g, H);
            cell.FillRect(2 + g, 2, 2 * W - g, H, 0);
            break;
        }
        if ((st.effectBits & kWiden) != 0) cell.DilateFromLeft(0, 0, g + 6, H + 6);
        if (st.colourMode == 1) {
            cell.DrawCopyC(2, 2, font.m_colourSheet, st.colourOffset, 0, g, H);
        } else if (st.textColour == st.secondColour) {
            cell.FillRectC(2, 2, g, H, st.textColour);
        } else {
            cell.GradationVC(2, 2, g, H, st.textColour, st.secondColour);
        }
        cell.FillRect(0, 0, g + 6, 2, 0);
        cell.FillRect(0, 2, 2, H + 4, 0);
        cell.FillRect(g + 2, 2, 4, H + 4, 0);
        cell.FillRect(2, H + 2, g, 4, 0);

        CQRKFont_base& r = font.m_renderer;
        if (r.Created) {
            CSprite& canvas = r.Canvas;
            canvas.FillRect(0, 0, g + 16, 5, 0);
            canvas.FillRect(0, 5, 5, H + 11, 0);
            canvas.FillRect(g + 11, 5, 5, H + 11, 0);
            canvas.FillRect(5, H + 11, g + 6, 5, 0);
            canvas.DrawCopy(kCanvasMargin, kCanvasMargin, cell, 0, 0, g + 6, H + 6);
            r.ImageWidth = g + 6;
            r.ImageHeight = H + 6;
            const uint32_t colour = r.EffectColour;
            switch ((st.effectBits >> kEffectShift) & 7) {
            case 1: canvas.GlyphShadow1(5, 5, g + 8, H + 8, colour); break;
            case 2: canvas.GlyphShadow2(5, 5, g + 8, H + 8, colour); break;
            case 3: canvas.GlyphOutline1(3, 3, g + 10, H + 10, colour); break;
            case 4: canvas.GlyphOutline2(3, 3, g + 10, H + 10, colour); break;
            case 5: canvas.GlyphShadowOutline1(0, 0, g + 13, H + 13, colour); break;
            case 6: canvas.GlyphShadowOutline2(0, 0, g + 13, H + 13, colour); break;
            default: break;
            }
        }
        BlitCanvas(g + 6, H + 6);
        return true;
    }

    // The glyph (or its effect canvas) from the canvas point (5, 5) to the pen.
    void BlitCanvas(int32_t sw, int32_t sh) {
        CQRKFont_base& r = font.m_renderer;
        const int32_t px = To32(st.penX);
        const int32_t py = To32(st.penY);
        if (st.zoom == 256) {
            switch (type) {
            case 0: r.CopyTo(px, py, sw, sh, target); break;
            case 1: r.AlphaCTo(px, py, sw, sh, target); break;
            case 2: r.MaxTo(px, py, sw, sh, target); break;
            case 3: r.AlphaTo(px, py, sw, sh, target); break;
            case 4: r.AlphaCTo(px, py, sw, sh, target, level); break;
            case 5: r.AlphaTo(px, py, sw, sh, target, level); break;
            default: break;
            }
            return;
        }
        const int32_t dw = To32(Zoomed(sw));
        const int32_t dh = To32(Zoomed(sh));
        const CSprite& c = r.Canvas;
        const int32_t m = kCanvasMargin;
        switch (type) {
        case 0: target.DrawCopyStretched(px, py, dw, dh, c, m, m, sw, sh); break;
        case 1: target.DrawAlphaCStretched(px, py, dw, dh, c, m, m, sw, sh); break;
        case 2: target.StretchBlitMax(px, py, dw, dh, c, m, m, sw, sh); break;
        case 3: target.DrawAlphaStretched(px, py, dw, dh, c, m, m, sw, sh); break;
        case 4: target.DrawAlphaCStretchedOpacity(px, py, dw, dh, c, m, m, sw, sh, level); break;
        case 5: target.DrawAlphaStretchedOpacity(px, py, dw, dh, c, m, m, sw, sh, level); break;
        default: break;
        }
    }

    bool LayOutIcon(int64_t col, int64_t row, const char16_t* tagStart, const char16_t* tagEnd) {
        const int64_t cw = font.m_iconCellWidth;
        const int64_t ch = font.m_iconCellHeight;
        const int64_t iconX = st.penX;
        const int64_t zw = Zoomed(cw);
        const int64_t zh = Zoomed(ch);
        Grow(iconX, st.penY, iconX + zw, st.penY + zh);
        st.penX = ClampPen(st.penX + zw);
        if (details != nullptr) {
            char state[96];
            std::snprintf(state, sizeof state, "%%z[%lld]%%x[%d]%%y[%d]", (long long)(st.zoom * 100 / 256),
                          To32(iconX - x), To32(st.penY - y));
            AddRecord(iconX, st.penY, zw, zh, st.linkId, state, tagStart, int32_t(tagEnd - tagStart));
        }
        if (type == kTypeMeasure || iconX >= x + w || st.penY >= y + h) return true;
        if (type < 0 || type > 5) return false;
        if (!IsRasterReady()) return true;
        const CSprite& sheet = font.m_iconSheet;
        const int32_t sx = To32(col * cw), sy = To32(row * ch);
        const int32_t ix = To32(iconX), iy = To32(st.penY);
        const int32_t iw = To32(cw), ih = To32(ch);
        if (st.zoom == 256) {
            switch (type) {
            case 0: target.DrawCopy(ix, iy, sheet, sx, sy, iw, ih); break;
            case 1: DrawSpriteAlpha(target, ix, iy, sheet, sx, sy, iw, ih); break;
            case 2:
            case 3: DrawSpriteMixAlpha(target, ix, iy, sheet, sx, sy, iw, ih); break;
            case 4:
                if (level == 255)
                    DrawSpriteAlpha(target, ix, iy, sheet, sx, sy, iw, ih);
                else
                    target.DrawAlphaCOpacity(ix, iy, sheet, sx, sy, iw, ih, level);
                break;
            case 5:
                if (level == 255)
                    DrawSpriteMixAlpha(target, ix, iy, sheet, sx, sy, iw, ih);
                else
                    target.DrawAlphaOpacity(ix, iy, sheet, sx, sy, iw, ih, level);
                break;
            default: break;
            }
            return true;
        }
        const int32_t dw = To32(zw), dh = To32(zh);
        switch (type) {
        case 0: target.DrawCopyStretched(ix, iy, dw, dh, sheet, sx, sy, iw, ih); break;
        case 1: target.DrawAlphaCStretched(ix, iy, dw, dh, sheet, sx, sy, iw, ih); break;
        case 4: target.DrawAlphaCStretchedOpacity(ix, iy, dw, dh, sheet, sx, sy, iw, ih, level); break;
        case 5: target.DrawAlphaStretchedOpacity(ix, iy, dw, dh, sheet, sx, sy, iw, ih, level); break;
        default: target.DrawAlphaStretched(ix, iy, dw, dh, sheet, sx, sy, iw, ih); break;
        }
        return true;
    }

    // The width of the line from p to the next line feed, measured in the
    // current zoom, widths and width mode, never aligning.
    int64_t MeasureLine(const char16_t* p) {
        RichTextRun sub(font, target, p, 0, 0, 0, 0, kTypeMeasure, 128, nullptr, true);
        sub.initial.zoom = st.zoom;
        sub.initial.wh = st.wh;
        sub.initial.wf = st.wf;
        sub.initial.we = st.we;
        sub.initial.widthMode = st.widthMode;
        sub.st = sub.initial;
        sub.Run();
        font.m_renderer.EffectColour = sub.initialEffectColour;
        return sub.right;
    }

    void Align(const char16_t* rest) {
        if (lineOnly || st.align == 0) return;
        const int64_t measured = MeasureLine(rest);
        if (st.align == 1)
            st.penX = ClampPen(x + (w - measured) / 2 + 1);
        else
            st.penX = ClampPen(x + w - measured);
    }

    // Reads the text; false on a failure return.
    bool Run() {
        const int32_t W = font.m_cellWidth;
        const char16_t* p = text;
        while (*p != 0) {
            const char16_t c = *p;
            if (c == 9) {
                ++p;
                const int64_t T = std::max<int64_t>(font.m_widths[9], 1);
                const int64_t r = st.penX - x;
                const int64_t old = st.penX;
                st.penX = ClampPen(x + Zoomed(r - r % T + T));
                Grow(old, st.penY, st.penX + Zoomed(6), st.penY + Zoomed(font.m_cellHeight + 6));
                continue;
            }
            if (c == 10) {
                if (lineOnly) return true;
                ++p;
                st.penX = x;
                st.penY = ClampPen(st.penY + Zoomed(st.lineHeight));
                Align(p);
                continue;
            }
            if (c == u'%') {
                if (!Tag(p)) return false;
                continue;
            }
            GlyphSource source;
            source.units = p;
            if (c < 128) {
                source.kind = GlyphSource::kAscii;
                source.code = c;
                source.count = 1;
                ++p;
                const int64_t g = st.widthMode == kWidthProportional ? font.m_widths[c] : W;
                if (!LayOutGlyph(g, st.wh, source)) return false;
                continue;
            }
            source.kind = GlyphSource::kWide;
            source.count = 1;
            source.code = c;
            if (c >= 0xD800 && c <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
                source.count = 2;
                source.code = uint32_t(c) | uint32_t(p[1]) << 16;
            }
            p += source.count;
            const int64_t g =
                st.widthMode == kWidthProportional ? font.MeasureWide(source.units, source.count) : 2 * int64_t{W};
            if (!LayOutGlyph(g, st.wf, source)) return false;
        }
        return true;
    }

    // One tag at p ("%"); p is left after what the tag consumed.
    bool Tag(const char16_t*& p) {
        const char16_t* start = p;
        const char16_t c = p[1];
        switch (c) {
        case 0:
            p += 1;  // a "%" at the end ends the text
            return true;
        case u'%': {
            p += 2;
            GlyphSource source;
            source.kind = GlyphSource::kAscii;
            source.code = u'%';
            source.units = start;
            source.count = 1;
            const int64_t g = st.widthMode == kWidthProportional ? font.m_widths[u'%'] : font.m_cellWidth;
            return LayOutGlyph(g, st.wh, source);
        }
        case u'c': return ColourTag(p);
        case u's': {
            if (p[2] != u'[') break;
            p += 3;
            uint32_t v;
            if (ReadHex(p, v) == u']') font.m_renderer.EffectColour = v;
            return true;
        }
        case u'm':
            if (p[2] == u'f' || p[2] == u's') {
                st.colourMode = p[2] == u's' ? 1 : 0;
                p += 3;
                return true;
            }
            break;
        case u't':
            if ((p[2] == u'f' || p[2] == u'v') && st.widthMode != kWidthCentred) {
                st.widthMode = p[2] == u'v' ? kWidthProportional : kWidthFixed;
                p += 3;
                return true;
            }
            break;
        case u'o': return EffectTag(p);
        case u'b': {
            if (p[2] != u'[') break;
            p += 3;
            int64_t v;
            if (ReadClosedDecimal(p, v, false)) st.colourOffset = To32(v);
            return true;
        }
        case u'd': return DefaultsTag(p);
        case u'e': {
            if (p[2] != u'h' && p[2] != u'f') break;
            const bool full = p[2] == u'f';
            if (p[3] != u'[') {
                p += 3;
                return true;
            }
            p += 4;
            int64_t n;
            if (!ReadClosedDecimal(p, n, false)) return true;
            int64_t width = full ? 2 * st.we : st.we;
            const int64_t sheetWidth = font.m_externalSheet.GetWidth();
            if (n + width > sheetWidth) width = std::max<int64_t>(sheetWidth - n, 0);
            GlyphSource source;
            source.kind = GlyphSource::kExternal;
            source.sheetX = n;
            source.units = start;
            source.count = int32_t(p - start);
            return LayOutGlyph(width, full ? st.wf : st.wh, source);
        }
        case u'x':
        case u'y': {
            const bool relative = p[2] == u'r';
            if (relative && p[3] != u'[') {
                p += 3;
                return true;
            }
            if (!relative && p[2] != u'[') break;
            p += relative ? 4 : 3;
            int64_t v;
            if (!ReadClosedDecimal(p, v, true)) return true;
            int64_t& pen = c == u'x' ? st.penX : st.penY;
            pen = ClampPen((relative ? pen : (c == u'x' ? x : y)) + v);
            return true;
        }
        case u'w': {
            const char16_t which = p[2];
            if ((which != u'h' && which != u'f' && which != u'e') || p[3] != u'[') break;
            p += 4;
            int64_t v;
            if (ReadClosedDecimal(p, v, false)) (which == u'h' ? st.wh : which == u'f' ? st.wf : st.we) = v;
            return true;
        }
        case u'h': {
            if (p[2] != u'[') break;
            p += 3;
            int64_t v;
            if (ReadClosedDecimal(p, v, false)) st.lineHeight = v;
            return true;
        }
        case u'z': {
            if (p[2] != u'[') break;
            p += 3;
            int64_t v;
            if (ReadClosedDecimal(p, v, false)) st.zoom = std::min(v * 256 / 100, kMaxZoom);
            return true;
        }
        case u'r': {
            const bool link = p[2] == u'b';
            if (link ? p[3] != u'[' : p[2] != u'[') break;
            p += link ? 4 : 3;
            int64_t v;
            if (!ReadClosedDecimal(p, v, false)) return true;
            if (link) {
                st.linkId = To32(v);
            } else if (details != nullptr) {
                AddRecord(st.penX, st.penY, 0, 0, To32(v * 512), "", nullptr, 0);
            }
            return true;
        }
        case u'K':
        case u'k': {
            if (p[2] != u'[') break;
            const char16_t* q = p + 3;
            while (*q != 0 && *q != u']') ++q;
            if (details != nullptr) AddRecord(st.penX, st.penY, 0, 0, 0, "", start, int32_t(q - start));
            p = *q == u']' ? q + 1 : q;
            return true;
        }
        case u'l':
            if (p[2] == u'c' || p[2] == u'r') {
                st.align = p[2] == u'c' ? 1 : 2;
                p += 3;
                Align(p);
                return true;
            }
            if (p[2] == u'l') {
                st.align = 0;
                st.penX = x;
                p += 3;
                return true;
            }
            break;
        case u'a': {
            if (p[2] != u'[') break;
            p += 3;
            const int64_t col = ReadDecimal(p);
            if (*p != u',') return true;
            ++p;
            int64_t row;
            if (!ReadClosedDecimal(p, row, false)) return true;
            return LayOutIcon(col, row, start, p);
        }
        default:
            // Starts no tag: the "%" goes, the character is read as text.
            p += 1;
            return true;
        }
        // A tag letter without what must follow it: "%" and the letter go.
        p += 2;
        return true;
    }

    bool ColourTag(const char16_t*& p) {
        uint32_t* only = nullptr;
        if (p[2] == u't' || p[2] == u'b') {
            if (p[3] != u'[') {
                p += 2;
                return true;
            }
            only = p[2] == u't' ? &st.textColour : &st.secondColour;
            p += 4;
            uint32_t v;
            if (ReadHex(p, v) == u']') *only = v;
            return true;
        }
        if (p[2] != u'[') {
            p += 2;
            return true;
        }
        p += 3;
        uint32_t first;
        const char16_t end = ReadHex(p, first);
        if (end == u']') {
            st.textColour = st.secondColour = first;
        } else if (end == u',') {
            st.textColour = first;
            uint32_t second;
            if (ReadHex(p, second) == u']') st.secondColour = second;
        }
        return true;
    }

    bool EffectTag(const char16_t*& p) {
        if (p[2] == u'[') {
            const char16_t* q = p + 3;
            const char16_t* close = q;
            while (close - q < 5 && *close != 0 && *close != u']') ++close;
            if (*close == u']') {
                for (const EffectForm& form : kEffectForms) {
                    const char16_t* f = form.text;
                    const char16_t* t = q;
                    while (*f != 0 && t < close && *f == *t) ++f, ++t;
                    if (*f == 0 && t == close) {
                        st.effectBits = form.bits;
                        p = close + 1;
                        return true;
                    }
                }
            }
        }
        p += 2;
        return true;
    }

    bool DefaultsTag(const char16_t*& p) {
        if (p[2] != u'[') {
            p += 2;
            return true;
        }
        p += 3;
        static constexpr char16_t kLetters[] = u"csmtowhzlr";
        int32_t next = 0;
        for (;;) {
            const char16_t c = *p;
            int32_t found = -1;
            for (int32_t i = next; i < 10; ++i) {
                if (kLetters[i] == c) {
                    found = i;
                    break;
                }
            }
            if (found < 0) {
                if (c == u']') ++p;
                return true;
            }
            ++p;
            next = found + 1;
            switch (c) {
            case u'c': st.textColour = initial.textColour, st.secondColour = initial.secondColour; break;
            case u's': font.m_renderer.EffectColour = initialEffectColour; break;
            case u'm': st.colourMode = initial.colourMode; break;
            case u't': st.widthMode = initial.widthMode; break;
            case u'o': st.effectBits = initial.effectBits; break;
            case u'w': st.wh = initial.wh, st.wf = initial.wf, st.we = initial.we; break;
            case u'h': st.lineHeight = initial.lineHeight; break;
            case u'z': st.zoom = initial.zoom; break;
            case u'l': st.align = 0; break;
            case u'r': st.linkId = -1; break;
            default: break;
            }
        }
    }
};

namespace {

// Restores the target's clip rectangle and the renderer's effect colour on
// every return of a drawing call.
class DrawCallGuard {
public:
    DrawCallGuard(CSprite& target, uint32_t& effectColour) noexcept
        : m_target(target), m_effectColour(effectColour), m_savedEffect(effectColour),
          m_left(target.GetClipLeft()), m_top(target.GetClipTop()), m_right(target.GetClipRight()),
          m_bottom(target.GetClipBottom()) {}
    ~DrawCallGuard() {
        m_effectColour = m_savedEffect;
        m_target.SetClipRect(m_left, m_top, m_right, m_bottom);
    }
    DrawCallGuard(const DrawCallGuard&) = delete;
    DrawCallGuard& operator=(const DrawCallGuard&) = delete;

    int32_t Left() const noexcept { return m_left; }
    int32_t Top() const noexcept { return m_top; }
    int32_t Right() const noexcept { return m_right; }
    int32_t Bottom() const noexcept { return m_bottom; }

private:
    CSprite& m_target;
    uint32_t& m_effectColour;
    uint32_t m_savedEffect;
    int32_t m_left, m_top, m_right, m_bottom;
};

}  // namespace

bool CQRKTileFontCore::DrawRichText(const char16_t* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h,
                                    int32_t type, platform::Rect* bounds, CQRKTileFontDetailList* details,
                                    uint8_t level) {
    ++m_drawStamp;
    DrawCallGuard guard(target, m_renderer.EffectColour);
    const int64_t right = int64_t{x} + std::max(w, 0);
    const int64_t bottom = int64_t{y} + std::max(h, 0);
    target.SetClipRect(std::max(x, guard.Left()), std::max(y, guard.Top()),
                       To32(std::min<int64_t>(right, guard.Right())), To32(std::min<int64_t>(bottom, guard.Bottom())));
    RichTextRun run(*this, target, text != nullptr ? text : u"", x, y, w, h, type, level, details, false);
    if (!run.Run()) return false;
    if (bounds != nullptr) {
        if (run.left == kNone)
            *bounds = platform::Rect{x, y, x, y};
        else
            *bounds = platform::Rect{To32(run.left), To32(run.top), To32(run.right), To32(run.bottom)};
    }
    return true;
}

bool CQRKTileFontCore::DrawRichTextA(const char* text, CSprite& target, int32_t x, int32_t y, int32_t w, int32_t h,
                                     int32_t type, platform::Rect* bounds, CQRKTileFontDetailList* details,
                                     uint8_t level) {
    CUStr_base<64> wide;
    if (text != nullptr) wide.FromCP932(text, false);
    return DrawRichText(wide.GetText(), target, x, y, w, h, type, bounds, details, level);
}

platform::Rect CQRKTileFontCore::MeasureRichText(const char16_t* text) {
    platform::Rect r;
    DrawRichText(text, m_measureTarget, 0, 0, 0, 0, kTypeMeasure, &r, nullptr, 128);
    return r;
}

platform::Rect CQRKTileFontCore::MeasureRichTextA(const char* text) {
    platform::Rect r;
    DrawRichTextA(text, m_measureTarget, 0, 0, 0, 0, kTypeMeasure, &r, nullptr, 128);
    return r;
}
