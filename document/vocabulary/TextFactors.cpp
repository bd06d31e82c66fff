// The factor family of text (1001-1014): a text laid out in a box with a font,
// in a text colour and, for the effects, a second colour for its shadow or
// border, composited onto the canvas at a position; the Blend forms (1008-1014)
// add a level.
//
// Code = 1000 + effect for the plain forms, 1007 + effect for the Blend forms,
// the effects being none 1, Shadow1 2, Shadow2 3, Border1 4, Border2 5,
// ShadowBorder1 6, ShadowBorder2 7. Every member reads draw X, Y, box width
// and height (whole pixels), the font description, the text colour (slot 1),
// the effect colour (slot 2) and the text, from left to right.
//
// The font description is kept byte for byte as it stood between its quotes.
// The text is unescaped when read and escaped again when written, so it may
// hold line breaks, tabs, quotes and backslashes. The generic rows keep every
// name verbatim and refuse a double quote between other delimiters, so the
// members are read and written by hooks.
//
// A quoted argument is written only when it reads back as the same bytes. A
// font description set by the editor may hold a bare double quote or end in a
// backslash, and a text may end in a lone lead byte; written between double
// quotes either would end the argument early (or swallow its closing quote)
// and the saved object could not be read again. Such a factor is not written:
// the writer reports the failure rather than saving a broken text.
#include <iterator>

#include "document/model/QDXFactor.h"
#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary {
namespace {

// A colour of slot 1 or 2: a palette reference "P%x" (the colour code keeps its
// value), else a colour code "%x".
bool ScanColour(const char* item, uint32_t& reference, uint32_t& colour) {
    if (item[0] == 'P' && ScanHex(item + 1, reference)) return true;
    return ScanHex(item, colour);
}

// Every member, read from left to right once the count is right. The text is
// unescaped as soon as it was read; it is quoted like a name, but a double
// quote between other delimiters is allowed: it is escaped when written.
template <uint32_t Count>
bool ParseTextFactor(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count) {
    if (count != Count) return false;
    auto item = [&items](uint32_t i) { return items.GetAt(i)->GetText(); };
    if (!ScanInt(item(0), factor.X1) || !ScanInt(item(1), factor.Y1) || !ScanInt(item(2), factor.X2) ||
        !ScanInt(item(3), factor.Y2))
        return false;
    const char* font;
    int32_t length;
    if (!FindQuotedText(item(4), font, length)) return false;
    factor.FontSpec.AssignN(font, length);
    if (!ScanColour(item(5), factor.ColorRef1, factor.Color1) ||
        !ScanColour(item(6), factor.ColorRef2, factor.Color2))
        return false;
    const char* text = item(7);
    const int32_t close = FindClosingQuote(text);
    if (close < 1) return false;
    factor.Text.AssignN(text + 1, close - 1);
    thread_local CStr_base<64> scratch;
    Unescape(factor.Text, scratch);
    if (Count == 8) return true;
    int32_t level;
    if (!ScanInt(item(8), level) || level < 0 || level > 255) return false;
    factor.Alpha = uint8_t(level);
    return true;
}

void AppendColour(CStr_base<1024>& out, uint32_t reference, uint32_t colour) {
    thread_local CStr_base<64> piece;
    if (reference != 0)
        piece.Format("P%x", reference);
    else
        piece.Format("%x", colour);
    out.AppendString(piece);
}

bool WriteTextFactor(const QDXFactor& factor, CStr_base<1024>& out) {
    const FactorRow* row = FindFactorKind(factor.Kind);
    if (row == nullptr) return false;
    thread_local CStr_base<64> text;
    thread_local CStr_base<64> scratch;
    text = factor.Text;
    Escape(text, scratch);
    if (!ReadsBackQuoted(factor.FontSpec.GetText(), factor.FontSpec.GetLength()) ||
        !ReadsBackQuoted(text.GetText(), text.GetLength()))
        return false;

    out.Format("%s%s%d,%d,%d,%d,\"", factor.Enabled ? "" : "!", row->keyword, factor.X1, factor.Y1, factor.X2,
               factor.Y2);
    out.AppendString(factor.FontSpec);
    out.Append("\",");
    AppendColour(out, factor.ColorRef1, factor.Color1);
    out.AppendChar(',');
    AppendColour(out, factor.ColorRef2, factor.Color2);
    out.Append(",\"");
    out.AppendString(text);
    if (factor.Kind > 1007) {
        scratch.Format("\",%d)", int32_t(factor.Alpha));
        out.AppendString(scratch);
    } else {
        out.Append("\")");
    }
    return true;
}

constexpr FactorRow Plain(uint32_t kind, const char* keyword) {
    return FactorRow{kind, keyword, CountRule::kCustom, 0, 0, {}, &ParseTextFactor<8>, &WriteTextFactor};
}
constexpr FactorRow Blend(uint32_t kind, const char* keyword) {
    return FactorRow{kind, keyword, CountRule::kCustom, 0, 0, {}, &ParseTextFactor<9>, &WriteTextFactor};
}

constexpr FactorRow kTextRows[] = {
    Plain(1001, "Text("),
    Plain(1002, "TextShadow1("),
    Plain(1003, "TextShadow2("),
    Plain(1004, "TextBorder1("),
    Plain(1005, "TextBorder2("),
    Plain(1006, "TextShadowBorder1("),
    Plain(1007, "TextShadowBorder2("),
    Blend(1008, "TextBlend("),
    Blend(1009, "TextShadow1Blend("),
    Blend(1010, "TextShadow2Blend("),
    Blend(1011, "TextBorder1Blend("),
    Blend(1012, "TextBorder2Blend("),
    Blend(1013, "TextShadowBorder1Blend("),
    Blend(1014, "TextShadowBorder2Blend("),
};

}  // namespace

constinit const FactorFamily kTextFamily = {kTextRows, uint32_t(std::size(kTextRows)), nullptr, 0};

}  // namespace vocabulary
