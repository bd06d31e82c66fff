// The text kinds: a text laid out from the top-left of a box with a font of
// the document's font map, coloured, with one of the glyph effects, rendered
// into the document's scratch canvas and composited onto the canvas at full
// opacity (1001-1007) or at the factor's opacity (the Blend forms, 1008-1014).
//
// Fonts are made once per font description and document and shared by every
// factor naming it, so colours and effect are set on the font before each
// draw and its string image is always rendered anew. The font's string canvas
// and the scratch canvas grow in steps of 16 pixels and never shrink, so most
// draws allocate nothing.
//
// The glyphs come from the renderer's font service straight into the string
// canvas as coverage: no device context or bitmap is made for the canvas.
#include "document/renderer/TextRender.h"

#include <algorithm>
#include <string>

#include "document/model/QDXCtrl.h"
#include "document/renderer/RenderMessages.h"
#include "document/renderer/RenderTable.h"
#include "foundation/containers/StrArray.h"
#include "foundation/strings/UStr.h"
#include "platform/Utf8.h"
#include "raster/surface/sprite/DrawMode.h"
#include "raster/text/QRKFont.h"

namespace {

// "フォント指定" (T1's head)
constexpr char kTextFontDescriptionHead[] = "\x83t\x83H\x83\x93\x83g\x8Ew\x92\xE8";
// "フォント" (T2's and T3's head)
constexpr char kTextFontHead[] = "\x83t\x83H\x83\x93\x83g";
// "を解釈できません。\n"
constexpr char kTextFontDescriptionUnreadable[] = "\x82\xF0\x89\xF0\x8E\xDF\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "を利用できません。\n"
constexpr char kTextFontUnavailable[] = "\x82\xF0\x97\x98\x97p\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";

constexpr uint32_t kTextFirstKind = 1001;
constexpr uint32_t kTextFirstBlendKind = 1008;
constexpr uint32_t kTextLastKind = 1014;
// Room around the string image inside the font's canvas (5 pixels each side).
constexpr int64_t kTextCanvasMargin = 10;
constexpr uint32_t kTextCharsetJapanese = 128;

// head Q font description Q tail
void AppendTextFontMessage(CStr_base<64>* errorText, const char* head, const char* description, const char* tail) {
    if (errorText == nullptr) return;
    errorText->Append(head);
    AppendNamedText(errorText, description, tail);
}

// atoi's reading, saturated instead of overflowing.
int32_t TextSizeValue(const char* p) noexcept {
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > int64_t{INT32_MAX} + 1) value = int64_t{INT32_MAX} + 1;
    }
    if (negative) value = -value;
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// A document-driven size rounded up to a step of 16, in 64 bits.
int64_t TextGrownSize(int32_t wanted) noexcept { return (int64_t{wanted} + 15) & ~int64_t{15}; }

// The font of the font description, made and put in the map on
// its first use; null after the message.
CQRKFont* TextFindOrCreateFont(FactorFrame& frame, CQDXCtrl& document, const char* description) {
    if (auto* element = document.Fonts.Find(description)) return &element->GetValue();

    TextFontDescription parsed;
    if (!ParseTextFontDescription(description, parsed)) {
        AppendTextFontMessage(frame.ErrorText(), kTextFontDescriptionHead, description, kTextFontDescriptionUnreadable);
        return nullptr;
    }

    CQRKFont* font = nullptr;
    document.Fonts.Insert(description, &font);
    // A recycled element keeps the font it held (one whose creation failed):
    // back to a font never created.
    font->Release();
    font->Created = false;
    font->Cached = false;
    font->CachedText.Free();
    font->Pattern = nullptr;
    font->Flags = 0;
    font->TextFormat = CQRKFont::kNoPrefix;

    platform::FontEngine& engine = frame.Context().Fonts;
    CUStr_base<64> face16;
    face16.FromCP932(parsed.Face.GetText(), false);
    std::string faceUtf8;
    platform::Utf16ToUtf8(face16.GetText(), size_t(face16.GetLength()), faceUtf8);
    const uint8_t charSet = engine.FaceCoversLanguage(faceUtf8, "ja") ? kTextCharsetJapanese : 0;

    const int32_t scale = parsed.Level + 1;
    const int32_t size = int32_t(std::clamp<int64_t>(int64_t{scale} * parsed.Size, INT32_MIN, INT32_MAX));
    if (!font->CreateFont(engine, scale, scale, 0, 0, face16.GetText(), size, parsed.Weight, parsed.Italic,
                          parsed.Underline, parsed.StrikeOut, 0, charSet)) {
        AppendTextFontMessage(frame.ErrorText(), kTextFontHead, description, kTextFontUnavailable);
        document.Fonts.Remove(description);
        return nullptr;
    }
    font->Flags = uint32_t(parsed.Level);
    font->TextFormat = CQRKFont::kNoPrefix;
    return font;
}

// A string canvas with room for w x h at the font's scale.
bool TextEnsureStringCanvas(FactorFrame& frame, CQRKFont& font, const char* description, int32_t w, int32_t h) {
    const int64_t q = int64_t(font.Flags & CQRKFont::kLevelMask) + 1;
    const int64_t aw = std::max<int64_t>(font.Canvas.GetWidth() - kTextCanvasMargin, 0) / q;
    const int64_t ah = std::max<int64_t>(font.Canvas.GetHeight() - kTextCanvasMargin, 0) / q;
    if (w <= aw && h <= ah) return true;

    const int64_t nw = w > aw ? TextGrownSize(w) : aw;
    const int64_t nh = h > ah ? TextGrownSize(h) : ah;
    font.Cached = false;
    if (!font.Created) {
        AppendTextFontMessage(frame.ErrorText(), kTextFontHead, description, render_text::kDrawFailed);
        return false;
    }
    font.Canvas.Release();
    font.ImageWidth = font.ImageHeight = 0;
    const int64_t cw = nw * q + kTextCanvasMargin;
    const int64_t ch = nh * q + kTextCanvasMargin;
    if (cw > INT32_MAX || ch > INT32_MAX || !font.Canvas.CreateWithinLimits(int32_t(cw), int32_t(ch), true)) {
        AppendTextFontMessage(frame.ErrorText(), kTextFontHead, description, render_text::kDrawFailed);
        return false;
    }
    return true;
}

// The document's scratch canvas at least w x h; it only grows.
bool TextEnsureScratch(FactorFrame& frame, CSprite& scratch, int32_t w, int32_t h) {
    const int32_t sw = scratch.GetWidth();
    const int32_t sh = scratch.GetHeight();
    if (w <= sw && h <= sh) return true;
    const int64_t nw = w > sw ? TextGrownSize(w) : sw;
    const int64_t nh = h > sh ? TextGrownSize(h) : sh;
    scratch.Release();
    if (nw > INT32_MAX || nh > INT32_MAX || !scratch.CreateWithinLimits(int32_t(nw), int32_t(nh), true)) {
        AppendRenderText(frame.ErrorText(), render_text::kNoMemoryToDraw);
        return false;
    }
    return true;
}

bool TextDraw(FactorFrame& frame) {
    QDXFactor& factor = frame.Factor;
    const char* description = factor.FontSpec.GetText();
    // The fonts and the scratch canvas are the document's: a call without one
    // cannot draw text.
    if (frame.Call.Document == nullptr) {
        AppendTextFontMessage(frame.ErrorText(), kTextFontHead, description, render_text::kDrawFailed);
        return false;
    }
    CQDXCtrl& document = *frame.Call.Document;
    const int32_t x = frame.X[0];
    const int32_t y = frame.Y[0];
    const int32_t w = frame.X[1];
    const int32_t h = frame.Y[1];

    CQRKFont* font = TextFindOrCreateFont(frame, document, description);
    if (font == nullptr) return false;
    if (!TextEnsureStringCanvas(frame, *font, description, w, h)) return false;

    // The font is shared by every factor of its font description.
    font->TextColour = font->SecondColour = frame.C[0];
    font->EffectColour = frame.C[1];
    font->Cached = false;

    if (!TextEnsureScratch(frame, document.Scratch, w, h)) return false;

    const uint32_t kind = uint32_t(factor.Kind);
    if (kind < kTextFirstKind || kind > kTextLastKind) return RenderKindNotBuilt(frame);
    const bool blend = kind >= kTextFirstBlendKind;
    const uint32_t effect = kind - (blend ? kTextFirstBlendKind : kTextFirstKind);

    font->Flags = (font->Flags & ~(CQRKFont::kPattern | CQRKFont::kEffectMask | CQRKFont::kWiden)) |
                  (effect << CQRKFont::kEffectShift);
    font->Cached = false;

    // An empty box draws nothing.
    if (w <= 0 || h <= 0) return true;
    CSprite& scratch = document.Scratch;
    // A string image that could not be made would leave the scratch holding an
    // earlier draw's text.
    if (!font->DrawString(factor.Text.GetText(), scratch, 0, 0, w, h, false, 0)) {
        AppendTextFontMessage(frame.ErrorText(), kTextFontHead, description, render_text::kDrawFailed);
        return false;
    }
    if (blend)
        frame.Canvas().DrawAlphaOpacityIfReady(x, y, scratch, 0, 0, w, h, frame.Opacity);
    else
        DrawSpriteMixAlpha(frame.Canvas(), x, y, scratch, 0, 0, w, h);
    return true;
}

constexpr RenderRow kTextRows[] = {
    {1001, TextDraw},  // Text(
    {1002, TextDraw},  // TextShadow1(
    {1003, TextDraw},  // TextShadow2(
    {1004, TextDraw},  // TextBorder1(
    {1005, TextDraw},  // TextBorder2(
    {1006, TextDraw},  // TextShadowBorder1(
    {1007, TextDraw},  // TextShadowBorder2(
    {1008, TextDraw},  // TextBlend(
    {1009, TextDraw},  // TextShadow1Blend(
    {1010, TextDraw},  // TextShadow2Blend(
    {1011, TextDraw},  // TextBorder1Blend(
    {1012, TextDraw},  // TextBorder2Blend(
    {1013, TextDraw},  // TextShadowBorder1Blend(
    {1014, TextDraw},  // TextShadowBorder2Blend(
};

}  // namespace

bool ParseTextFontDescription(const char* description, TextFontDescription& out) {
    CStrArray_base<64> fields;
    if (fields.Split(description, ";") != 3) return false;
    const CStr_base<64>& face = *fields.GetAt(2);
    if (face.GetLength() > kMaxTextFaceBytes) return false;

    const char* styles = fields.GetAt(1)->GetText();
    const auto has = [styles](char letter) { return FindChar(styles, letter) >= 0; };
    out.Size = TextSizeValue(fields.GetAt(0)->GetText());
    out.Level = has('q') ? 1 : has('Q') ? 3 : 0;
    out.Weight = has('b') ? 700 : 400;
    out.Italic = has('i');
    out.Underline = has('u');
    out.StrikeOut = has('s');
    out.Face.AssignString(face);
    return true;
}

const RenderFamily kTextRender = MakeRenderFamily(kTextRows);
