// The palette section of the document text, the rendering of the palette strips
// and the resolution of palette references.
//
// Section: lines "Palette1(", "Palette2(" and "Palette4(", each with exactly
// 1024 items (or none: the keyword directly followed by ")" empties the table),
// separated by single line feeds. Items:
//   Palette1  "%x"                  colour code
//   Palette2  "%x#%x#%u"            start colour, end colour, length (<= 256)
//   Palette4  "%x#%x#%x#%x#%u#%u"   four corners, width, height (each <= 256)
// An empty item is an all-zero entry. Strips are rendered here, once, so that a
// colour lookup through a reference only reads a pixel.
#include <cstring>

#include "document/model/QDXPalette.h"
#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "foundation/containers/StrArray.h"
#include "foundation/strings/Str.h"
#include "raster/colour/ColorModel.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

constexpr uint32_t kMaxStripSize = 256;
constexpr uint32_t kKeywordLength = 9;  // "PaletteN("

// Colours a Length x 1 strip from start to end in the model of start (the
// model bits of end are not read).
void DrawStrip(CSprite& strip, uint32_t start, uint32_t end) {
    const int32_t w = strip.GetWidth();
    const uint32_t model = start >> 30;
    if (model == 0) {
        strip.GradationHC(0, 0, w, 1, start & 0xFFFFFFu, end & 0xFFFFFFu);
        return;
    }
    const ColorCodeComponents a = SplitColorCode(start);
    const ColorCodeComponents b = SplitColorCode(end);
    if (model == 1) {
        strip.GradationHSVHC(0, 0, w, 1, a.hue, a.saturation, a.third, b.hue, b.saturation, b.third);
    } else if (model == 2) {
        strip.GradationHSLHC(0, 0, w, 1, a.hue, a.saturation, a.third, b.hue, b.saturation, b.third);
    } else {
        strip.GradationHSLYHC(0, 0, w, 1, a.hue, a.saturation, a.third, b.hue, b.saturation, b.third);
    }
}

// Colours a rectangle from its four corners in the model of the top-left one.
void DrawRectangle(CSprite& strip, const uint32_t (&corners)[4]) {
    const int32_t w = strip.GetWidth();
    const int32_t h = strip.GetHeight();
    const uint32_t model = corners[0] >> 30;
    if (model == 0) {
        strip.GradationHVC(0, 0, w, h, corners[0] & 0xFFFFFFu, corners[1] & 0xFFFFFFu, corners[2] & 0xFFFFFFu,
                           corners[3] & 0xFFFFFFu);
        return;
    }
    const ColorCodeComponents c0 = SplitColorCode(corners[0]);
    const ColorCodeComponents c1 = SplitColorCode(corners[1]);
    const ColorCodeComponents c2 = SplitColorCode(corners[2]);
    const ColorCodeComponents c3 = SplitColorCode(corners[3]);
    if (model == 1) {
        strip.GradationHSVHVC(0, 0, w, h, c0.hue, c0.saturation, c0.third, c1.hue, c1.saturation, c1.third, c2.hue,
                              c2.saturation, c2.third, c3.hue, c3.saturation, c3.third);
    } else if (model == 2) {
        strip.GradationHSLHVC(0, 0, w, h, c0.hue, c0.saturation, c0.third, c1.hue, c1.saturation, c1.third, c2.hue,
                              c2.saturation, c2.third, c3.hue, c3.saturation, c3.third);
    } else {
        strip.GradationHSLYHVC(0, 0, w, h, c0.hue, c0.saturation, c0.third, c1.hue, c1.saturation, c1.third,
                               c2.hue, c2.saturation, c2.third, c3.hue, c3.saturation, c3.third);
    }
}

// Brings a strip to the size its entry asks for: kept when the size is
// unchanged, else released and, when the entry wants one, created opaque white
// (which needs a started raster library and a size the canvas rule allows).
// An entry that wants no strip never keeps one. False when the creation fails.
bool FitStrip(CSprite& strip, int32_t width, int32_t height, bool wanted) {
    if (strip.GetWidth() != width || strip.GetHeight() != height) {
        strip.Release();
        if (wanted) return strip.CreateWithinLimits(width, height, true);
    } else if (!wanted) {
        strip.Release();
    }
    return true;
}

bool ParsePalette1(QDXPalette& palette, const CStrArray_base<64>& items) {
    for (uint32_t i = 0; i < QDXPalette::kEntries; ++i) {
        const CStr_base<64>& item = *items.GetAt(i);
        if (item.IsEmpty()) {
            palette.Palette1[i] = 0;
        } else if (!ScanHex(item.GetText(), palette.Palette1[i])) {
            return false;
        }
    }
    return true;
}

bool ParsePalette2(QDXPalette& palette, const CStrArray_base<64>& items) {
    const bool ready = RasterPixelMode == 1;
    for (uint32_t i = 0; i < QDXPalette::kEntries; ++i) {
        const CStr_base<64>& item = *items.GetAt(i);
        Palette2Entry entry;
        if (!item.IsEmpty()) {
            if (ScanFormat(item.GetText(), "%x#%x#%u", {&entry.StartColor, &entry.EndColor, &entry.Length}) != 3)
                return false;
            if (entry.Length > kMaxStripSize) return false;
        }
        palette.Palette2[i] = entry;
        const int32_t length = static_cast<int32_t>(entry.Length);
        // No strip table yet and no strip wanted: there is nothing to release.
        if (length < 2 && !palette.Palette2Strips.IsMade()) continue;
        CSprite& strip = palette.Palette2Strips[i];
        // Only the width counts: a strip is always one row high.
        if (strip.GetWidth() != length) {
            strip.Release();
            if (length >= 2 && !strip.CreateWithinLimits(length, 1, true)) return false;
        } else if (length < 2) {
            strip.Release();
        }
        if (length >= 2 && ready) DrawStrip(strip, entry.StartColor, entry.EndColor);
    }
    return true;
}

bool ParsePalette4(QDXPalette& palette, const CStrArray_base<64>& items) {
    const bool ready = RasterPixelMode == 1;
    for (uint32_t i = 0; i < QDXPalette::kEntries; ++i) {
        const CStr_base<64>& item = *items.GetAt(i);
        Palette4Entry entry;
        if (!item.IsEmpty()) {
            if (ScanFormat(item.GetText(), "%x#%x#%x#%x#%u#%u",
                           {&entry.CornerColors[0], &entry.CornerColors[1], &entry.CornerColors[2],
                            &entry.CornerColors[3], &entry.StripWidth, &entry.StripHeight}) != 6)
                return false;
            if (entry.StripWidth > kMaxStripSize || entry.StripHeight > kMaxStripSize) return false;
        }
        palette.Palette4[i] = entry;
        const int32_t w = static_cast<int32_t>(entry.StripWidth);
        const int32_t h = static_cast<int32_t>(entry.StripHeight);
        const bool wanted = w >= 2 && h >= 2;
        if (!wanted && !palette.Palette4Strips.IsMade()) continue;
        CSprite& strip = palette.Palette4Strips[i];
        if (!FitStrip(strip, w, h, wanted)) return false;
        if (wanted && ready) DrawRectangle(strip, entry.CornerColors);
    }
    return true;
}

// ---- writing ----

// Worst-case item lengths with their comma: "%06x," is at most 9 bytes and
// "%u," at most 11.
constexpr uint32_t kMaxItem1 = 9;
constexpr uint32_t kMaxItem2 = 9 + 9 + 11;
constexpr uint32_t kMaxItem4 = 4 * 9 + 11 + 11;

inline bool IsEmptyEntry(uint32_t colour) noexcept { return colour == 0; }
inline bool IsEmptyEntry(const Palette2Entry& e) noexcept {
    return e.StartColor == 0 && e.EndColor == 0 && e.Length == 0;
}
inline bool IsEmptyEntry(const Palette4Entry& e) noexcept {
    return e.CornerColors[0] == 0 && e.CornerColors[1] == 0 && e.CornerColors[2] == 0 && e.CornerColors[3] == 0 &&
           e.StripWidth == 0 && e.StripHeight == 0;
}

// "%06x": lower-case hexadecimal, at least six digits.
inline char* PutHex6(char* out, uint32_t v) noexcept {
    static const char kDigits[] = "0123456789abcdef";
    uint32_t digits = 6;
    while (digits < 8 && (v >> (4 * digits)) != 0) ++digits;
    for (uint32_t i = digits; i-- > 0;) *out++ = kDigits[(v >> (4 * i)) & 0xF];
    return out;
}

// "%u".
inline char* PutUnsigned(char* out, uint32_t v) noexcept {
    char digits[10];
    uint32_t n = 0;
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n > 0) *out++ = digits[--n];
    return out;
}

inline char* PutItem(char* out, uint32_t colour) noexcept { return PutHex6(out, colour); }
inline char* PutItem(char* out, const Palette2Entry& e) noexcept {
    out = PutHex6(out, e.StartColor);
    *out++ = '#';
    out = PutHex6(out, e.EndColor);
    *out++ = '#';
    return PutUnsigned(out, e.Length);
}
inline char* PutItem(char* out, const Palette4Entry& e) noexcept {
    for (uint32_t colour : e.CornerColors) {
        out = PutHex6(out, colour);
        *out++ = '#';
    }
    out = PutUnsigned(out, e.StripWidth);
    *out++ = '#';
    return PutUnsigned(out, e.StripHeight);
}

template <class Entry>
uint32_t CountNonEmpty(const Entry (&table)[QDXPalette::kEntries]) noexcept {
    uint32_t n = 0;
    for (const Entry& entry : table) n += IsEmptyEntry(entry) ? 0 : 1;
    return n;
}

// Writes keyword, the items and ")"; an all-empty table gives keyword + ")".
template <class Entry>
char* PutTable(char* out, const char* keyword, const Entry (&table)[QDXPalette::kEntries], uint32_t nonEmpty) {
    std::memcpy(out, keyword, kKeywordLength);
    out += kKeywordLength;
    if (nonEmpty != 0) {
        for (const Entry& entry : table) {
            if (!IsEmptyEntry(entry)) out = PutItem(out, entry);
            *out++ = ',';
        }
        --out;  // the comma after the last item
    }
    *out++ = ')';
    return out;
}

}  // namespace

bool QDXPalette::ParseText(const char* text) {
    CStrArray_base<64> items;
    const char* line = text;
    for (;;) {
        int32_t table = 0;
        if (KeywordPrefixMatch(line, "Palette1(")) {
            table = 1;
        } else if (KeywordPrefixMatch(line, "Palette2(")) {
            table = 2;
        } else if (KeywordPrefixMatch(line, "Palette4(")) {
            table = 4;
        } else {
            return false;  // also an empty line, and so a line feed at the end
        }
        const char* list = line + kKeywordLength;
        if (*list == ')') {
            if (table == 1) {
                std::memset(Palette1, 0, sizeof Palette1);
            } else if (table == 2) {
                for (Palette2Entry& entry : Palette2) entry = Palette2Entry{};
                for (CSprite& strip : Palette2Strips) strip.Release();
            } else {
                for (Palette4Entry& entry : Palette4) entry = Palette4Entry{};
                for (CSprite& strip : Palette4Strips) strip.Release();
            }
        } else {
            if (SplitArguments(items, list) != kEntries) return false;
            const bool parsed = table == 1   ? ParsePalette1(*this, items)
                                : table == 2 ? ParsePalette2(*this, items)
                                             : ParsePalette4(*this, items);
            if (!parsed) return false;
        }
        // The next line starts after the first line feed of this one, searched
        // from its start (a list left open runs on, but the lines do not).
        const int32_t feed = FindChar(line, '\n');
        if (feed < 0) return true;
        line += feed + 1;
    }
}

bool QDXPalette::WriteText(CStr_base<16384>& out) const {
    const uint32_t nonEmpty1 = CountNonEmpty(Palette1);
    const uint32_t nonEmpty2 = CountNonEmpty(Palette2);
    const uint32_t nonEmpty4 = CountNonEmpty(Palette4);
    // Per table: keyword, one byte per item (its comma, or the ")"), the items'
    // own bytes; then the two line feeds and the NUL.
    const uint32_t bound = 3 * (kKeywordLength + kEntries) + nonEmpty1 * (kMaxItem1 - 1) +
                           nonEmpty2 * (kMaxItem2 - 1) + nonEmpty4 * (kMaxItem4 - 1) + 2 + 1;
    out.Reserve(bound);
    char* const begin = out.GetBuffer();
    char* p = begin;
    p = PutTable(p, "Palette1(", Palette1, nonEmpty1);
    *p++ = '\n';
    p = PutTable(p, "Palette2(", Palette2, nonEmpty2);
    *p++ = '\n';
    p = PutTable(p, "Palette4(", Palette4, nonEmpty4);
    out.SetLength(static_cast<int32_t>(p - begin));
    return true;
}

uint32_t QDXPalette::ResolveColor(uint32_t reference) const noexcept {
    if (reference < 0x40000000u) return 0;
    const uint32_t index = (reference >> 16) & 0x3FF;
    const int32_t column = static_cast<int32_t>((reference >> 8) & 0xFF);
    const int32_t row = static_cast<int32_t>(reference & 0xFF);
    switch (reference >> 30) {
    case 1:
        return DecodeColorCode(Palette1[index]) & 0xFFFFFFu;
    case 2:
        // GetPixelRGB gives 0 before the raster library is started, for an
        // empty strip and outside the strip.
        if (static_cast<uint32_t>(column) >= Palette2[index].Length) return 0;
        return Palette2Strips[index].GetPixelRGB(column, 0);
    default: {
        const Palette4Entry& entry = Palette4[index];
        if (static_cast<uint32_t>(column) >= entry.StripWidth || static_cast<uint32_t>(row) >= entry.StripHeight)
            return 0;
        return Palette4Strips[index].GetPixelRGB(column, row);
    }
    }
}
