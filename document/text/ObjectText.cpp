// Object definitions: the part of an object line after "=".
//
// Vector objects: "Render(" w, h, bg [, xs, ys, ts [, flags]], "array(" factor
// texts ")" ")". Bitmaps: "Bitmap(" w, h, raw pixels as text ")" (read only;
// decoded at once), "WebP(" image ")" or "WebPA(" colour image, alpha image ")"
// (kept as text until drawn). Links: "LinkPath(" or "QDXLinkPath(" with a
// quoted path whose backslashes are doubled. Arguments are raw items between
// top-level commas; numbers follow the C scanner's rules (NumberScan.h).
#include <cstring>
#include <memory>

#include "document/model/ImageEncoder.h"
#include "document/model/QDXCtrl.h"
#include "document/model/QDXObject.h"
#include "document/text/NumberScan.h"
#include "document/text/ObjectText.h"
#include "document/text/Text128Codec.h"
#include "document/text/TextLexer.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

constexpr uint32_t kMaxFactorTexts = 2000;
constexpr char kEmptyListFactor[] = "Fill(0,0,1,1,0,255)";
// Longest item a string can hold (a longer one makes the definition unreadable).
constexpr size_t kMaxItemLength = 0x7efffffd;

// A symbol of the image-as-text alphabet.
bool IsText128Symbol(unsigned char c) noexcept {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= '}') || (c >= 0xA1 && c <= 0xDF);
}

// Whether a text holds a double quote outside double-byte characters.
bool HoldsQuote(const char* text) noexcept { return FindChar(text, '"') >= 0; }

void ResetDrawState(QDXObject& object) {
    object.FastDraw = false;
    object.RenderState = QDXObject::kNotDrawn;
    object.CacheActive = false;
    object.DrawnFast = false;
    object.ScaleX = object.ScaleY = object.ScaleThickness = 1.0;
}

void Invalidate(QDXObject& object) {
    if (object.Owner != nullptr) object.Owner->InvalidateDependents(object.Name.GetText());
}

// The usual shape of a vector definition: plain leading arguments (no quote,
// bracket or double-byte character), then "array(". Returns where "array("
// begins, with the leading arguments' spans and count, or null for any other
// shape. On this shape FindArguments would give the same leading items.
const char* FindPlainListStart(const char* args, ArgumentSpan* spans, uint32_t capacity, uint32_t& count) noexcept {
    const char* item = args;
    count = 0;
    for (const char* p = args;; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        switch (c) {
        case ',':
            if (count == capacity) return nullptr;
            spans[count++] = ArgumentSpan{size_t(item - args), size_t(p - item)};
            item = p + 1;
            break;
        case '(':
            return p - item == 5 && std::memcmp(item, "array", 5) == 0 ? item : nullptr;
        case 0:
        case '"':
        case '\'':
        case '[':
        case '{':
        case ')':
        case ']':
        case '}':
            return nullptr;
        default:
            if (IsCp932Lead(c)) return nullptr;
            break;
        }
    }
}

bool ParseRender(QDXObject& object, const char* args, bool legacy) {
    // The arguments are found in place; only the short leading ones are copied
    // for the number scanners, never the factor list. On the usual shape the
    // factor list is scanned once, for its items, which also tells where the
    // list ends; any other shape is split as a whole first.
    ArgumentSpan spans[9];
    // Written before read: FindArguments stores every span it reports.
    const auto factors = std::make_unique_for_overwrite<ArgumentSpan[]>(kMaxFactorTexts + 1);
    uint32_t factorCount = 0;
    bool factorsFound = false;
    uint32_t count = 0;
    uint32_t leading = 0;
    if (const char* array = FindPlainListStart(args, spans, 8, leading)) {
        const char* after = nullptr;
        const uint32_t found = FindArguments(array + 6, factors.get(), kMaxFactorTexts + 1, &after);
        // What follows the list's closing bracket belongs to the list's item
        // up to the next top-level comma; a further item changes which item
        // is last, which the general way handles.
        ArgumentSpan tail[1];
        if (FindArguments(after, tail, 1) == 1) {
            spans[leading] = ArgumentSpan{size_t(array - args), size_t(after - array) + tail[0].length};
            count = leading + 1;
            factorCount = found;
            factorsFound = true;
        }
    }
    if (!factorsFound) count = FindArguments(args, spans, 9);
    if (count != 4 && count != 7 && !(count == 8 && !legacy)) return false;
    CStr_base<64> items[7];
    for (uint32_t i = 0; i + 1 < count; ++i) {
        if (spans[i].length > kMaxItemLength) return false;
        items[i].AssignBytesN(args + spans[i].offset, int32_t(spans[i].length));
    }

    int32_t width = 0;
    int32_t height = 0;
    if (!ScanInt(items[0].GetText(), width) || !ScanInt(items[1].GetText(), height)) return false;
    if (width < 1 || height < 1) return false;
    object.Canvas.Release();
    object.Width = width;
    object.Height = height;
    if (!ScanHex(items[2].GetText(), object.Background)) return false;
    object.Factors.RemoveAll();

    // FastDraw changes only once its own step is reached: with the scales for
    // 4 arguments, with the flags for 8, after the factor list's checks for 7.
    if (count == 4) {
        object.ScaleX = object.ScaleY = object.ScaleThickness = 1.0;
        object.FastDraw = false;
    } else {
        // Drawing scales sizes by these; "inf" and "nan" are refused.
        if (!ScanFiniteReal(items[3].GetText(), object.ScaleX) ||
            !ScanFiniteReal(items[4].GetText(), object.ScaleY) ||
            !ScanFiniteReal(items[5].GetText(), object.ScaleThickness))
            return false;
        if (count == 8) {
            uint32_t flags = 0;
            if (!ScanHex(items[6].GetText(), flags)) return false;
            object.FastDraw = (flags & 1) != 0;
        }
    }

    const ArgumentSpan& last = spans[count - 1];
    const char* const list = args + last.offset;
    if (!KeywordPrefixMatch(list, "array(")) return false;
    // Where each factor text lies; they are copied one at a time, into one
    // string, as they are parsed.
    const char* const texts = list + 6;
    if (!factorsFound) factorCount = FindArguments(texts, factors.get(), kMaxFactorTexts + 1);
    if (factorCount > kMaxFactorTexts) return false;
    if (count == 7) object.FastDraw = false;
    // An object never parses to an empty factor list.
    const bool emptyList = !legacy && factorCount == 1 && factors[0].length == 0;

    // One chunk of records made to measure, instead of chunks by growth steps
    // that leave unused records behind.
    object.Factors.Grow(factorCount);
    const char* name = object.Name.GetText();
    CStr_base<64> factorText;
    for (uint32_t j = 0; j < factorCount; ++j) {
        QDXFactor* factor = object.Factors.AddNew();
        factor->Reset();
        factor->AssignName(name, int32_t(j));
        if (emptyList)
            factorText.Assign(kEmptyListFactor);
        else if (factors[j].length > kMaxItemLength)
            return false;
        else
            factorText.AssignBytesN(texts + factors[j].offset, int32_t(factors[j].length));
        const char* text = factorText.GetText();
        if (!(legacy ? factor->ParseLegacyText(text) : factor->ParseText(text))) {
            object.Factors.RemoveAt(object.Factors.GetCount() - 1);
            return false;
        }
    }

    object.Kind = QDXObject::kVector;
    object.RenderState = QDXObject::kNotDrawn;
    object.CacheActive = false;
    object.DrawnFast = false;
    if (legacy) object.FastDraw = false;
    Invalidate(object);
    object.ImageText.Free();
    object.AlphaText.Free();
    return true;
}

bool ParseBitmap(QDXObject& object, const char* args) {
    CStrArray_base<1024> items;
    if (SplitArguments(items, args) != 3) return false;
    int32_t width = 0;
    int32_t height = 0;
    if (!ScanInt(items.GetAt(0)->GetText(), width) || !ScanInt(items.GetAt(1)->GetText(), height)) return false;
    if (width < 1 || height < 1) return false;

    object.Canvas.Release();
    if (!object.Canvas.CreateWithinLimits(width, height, true)) return false;
    object.Width = width;
    object.Height = height;
    object.Factors.RemoveAll();

    // Any delimiter, and any byte inside: the text is decoded, never written
    // back, so a double quote in it is just a byte outside the alphabet.
    const char* const item = items.GetAt(2)->GetText();
    const int32_t close = FindClosingQuote(item);
    if (close < 1) return false;
    const char* const begin = item + 1;
    const int32_t length = close - 1;
    // Decoding stops at the first byte outside the alphabet and at the canvas's
    // size; the pixels not reached stay opaque white.
    int32_t symbols = 0;
    while (symbols < length && IsText128Symbol(static_cast<unsigned char>(begin[symbols]))) ++symbols;
    CStr_base<16384> text;
    text.AssignBytesN(begin, symbols);
    const uint32_t capacity = uint32_t(width) * uint32_t(height) * 4u;
    auto* pixels = reinterpret_cast<uint8_t*>(object.Canvas.PixelAt(0, 0));
    const uint32_t needed = DecodeText128(text, nullptr, 0);
    uint32_t decoded;
    if (needed <= capacity) {
        decoded = DecodeText128(text, pixels, capacity);
    } else {
        CMemoryBlock<uint8_t> scratch;
        uint8_t* bytes = scratch.Alloc(needed);
        decoded = DecodeText128(text, bytes, needed);
        if (decoded != kText128Failed) {
            std::memcpy(pixels, bytes, decoded < capacity ? decoded : capacity);
            if (decoded > capacity) decoded = capacity;
        }
    }
    if (decoded == 0 || decoded == kText128Failed) return false;

    object.Kind = QDXObject::kBitmap;
    ResetDrawState(object);
    object.RenderState = QDXObject::kImageReady;
    Invalidate(object);
    object.ImageText.Free();
    object.AlphaText.Free();
    object.CompleteSave = true;
    return true;
}

// "WebP(" (one image) and "WebPA(" (colour and alpha images).
bool ParseWebP(QDXObject& object, const char* args, bool withAlpha) {
    CStrArray_base<1024> items;
    if (SplitArguments(items, args) != (withAlpha ? 2u : 1u)) return false;
    const char* begin = nullptr;
    int32_t length = 0;
    // An empty image could never be written back (an empty stored text means
    // "encode the canvas", and there is no canvas).
    if (!FindQuotedText(items.GetAt(0)->GetText(), begin, length) || length == 0) return false;
    Invalidate(object);
    object.ImageText.AssignBytesN(begin, length);
    if (withAlpha) {
        if (!FindQuotedText(items.GetAt(1)->GetText(), begin, length)) return false;
        object.AlphaText.AssignBytesN(begin, length);
    } else {
        object.AlphaText.Free();
    }
    object.Canvas.Release();
    object.Width = object.Height = 0;
    object.Factors.RemoveAll();
    object.Kind = QDXObject::kBitmap;
    ResetDrawState(object);
    object.CompleteSave = withAlpha;
    return true;
}

// "LinkPath(" and "QDXLinkPath(": args is the byte after the keyword, which
// opens the quoted path.
bool ParseLink(QDXObject& object, const char* args, int32_t kind) {
    const char* begin = nullptr;
    int32_t length = 0;
    if (!FindQuotedText(args, begin, length)) return false;
    object.Factors.RemoveAll();
    object.LinkPath.SetLength(0);
    object.LinkPath.AppendN(begin, length);
    CStr_base<64> scratch;
    object.LinkPath.ReplaceAll("\\\\", "\\", scratch);
    // The writer doubles every backslash and quotes the path with double quotes:
    // a path holding one could not be read back.
    if (HoldsQuote(object.LinkPath.GetText())) return false;
    object.Kind = kind;
    ResetDrawState(object);
    object.Canvas.Release();
    object.Width = object.Height = 0;
    Invalidate(object);
    object.ImageText.Free();
    object.AlphaText.Free();
    return true;
}

bool ParseDefinition(QDXObject& object, const char* text, bool legacy) {
    if (KeywordPrefixMatch(text, "Render(")) return ParseRender(object, text + 7, legacy);
    if (KeywordPrefixMatch(text, "Bitmap(")) return ParseBitmap(object, text + 7);
    if (!legacy) {
        if (KeywordPrefixMatch(text, "WebP(")) return ParseWebP(object, text + 5, false);
        if (KeywordPrefixMatch(text, "WebPA(")) return ParseWebP(object, text + 6, true);
    }
    if (KeywordPrefixMatch(text, "LinkPath(")) return ParseLink(object, text + 9, QDXObject::kImageLink);
    if (KeywordPrefixMatch(text, "QDXLinkPath(")) return ParseLink(object, text + 12, QDXObject::kDocumentLink);
    return false;
}

// Encodes a sprite as lossless WebP, then as text.
bool EncodeAsText(const CSprite& sprite, CStr_base<64>& text) {
    CMemoryBlock<unsigned char> bytes;
    if (!EncodeSpriteWebP(sprite, bytes, -1.0f)) return false;
    return EncodeText128(text, bytes.GetBuffer(), bytes.GetCount());
}

// The stored texts of a bitmap from its canvas: one image, or (complete) the
// colour channels over opaque white and the alpha channel over black.
bool EncodeCanvas(QDXObject& object, bool complete) {
    CStr_base<64> image;
    CStr_base<64> alpha;
    if (!complete) {
        if (!EncodeAsText(object.Canvas, image)) return false;
    } else {
        const int32_t width = object.Canvas.GetWidth();
        const int32_t height = object.Canvas.GetHeight();
        CSprite work;
        if (!work.CreateWithinLimits(width, height, true)) return false;
        work.DrawCopyC(0, 0, object.Canvas, 0, 0, width, height);
        if (!EncodeAsText(work, image)) return false;
        work.DrawCopyA(0, 0, object.Canvas, 0, 0, width, height);
        work.FillRectC(0, 0, width, height, 0);
        if (!EncodeAsText(work, alpha)) return false;
    }
    object.ImageText = std::move(image);
    object.AlphaText = std::move(alpha);
    return true;
}

bool WriteBitmap(QDXObject& object, CStr_base<16384>& out) {
    if (object.ImageText.IsEmpty()) {
        if (!EncodeCanvas(object, object.CompleteSave)) return false;
    } else if (object.CompleteSave == object.AlphaText.IsEmpty()) {
        // The storage form changed since the text was stored: a new text from
        // the decoded pixels, or the stored form when no encoding can be had
        // (writing the stored colour image alone would lose its alpha).
        if (object.RenderState == QDXObject::kImageReady && object.Canvas.GetWidth() > 0 &&
            GetWebPEncoder() != nullptr)
            EncodeCanvas(object, object.CompleteSave);
    }
    if (!object.AlphaText.IsEmpty()) {
        out.Assign("WebPA(\"");
        out.AppendString(object.ImageText);
        out.Append("\",\"");
        out.AppendString(object.AlphaText);
        out.Append("\")");
    } else {
        out.Assign("WebP(\"");
        out.AppendString(object.ImageText);
        out.Append("\")");
    }
    return true;
}

}  // namespace

bool QDXObject::ParseText(const char* text) { return ParseDefinition(*this, text, false); }

bool QDXObject::ParseLegacyText(const char* text) { return ParseDefinition(*this, text, true); }

bool WriteLinkDefinition(int32_t kind, const char* path, CStr_base<16384>& out) {
    out.Assign(kind == QDXObject::kImageLink ? "LinkPath(\"" : "QDXLinkPath(\"");
    out.Append(path);
    out.Append("\")");
    CStr_base<16384> scratch;
    out.ReplaceAll("\\", "\\\\", scratch);
    return true;
}

bool QDXObject::WriteText(CStr_base<16384>& out) {
    switch (Kind) {
        case kVector: {
            out.Format("Render(%d,%d,%x,%f,%f,%f,%x,array(", Width, Height, Background, ScaleX, ScaleY,
                       ScaleThickness, FastDraw ? 1u : 0u);
            CStr_base<1024> factorText;
            const uint32_t count = Factors.GetCount();
            for (uint32_t i = 0; i < count; ++i) {
                if (!Factors.GetAt(i)->WriteText(factorText)) return false;
                out.AppendString(factorText);
                out.AppendChar(',');
            }
            if (count != 0) out.DropLastChar();
            out.Append("))");
            return true;
        }
        case kBitmap:
            return WriteBitmap(*this, out);
        case kImageLink:
        case kDocumentLink:
            return WriteLinkDefinition(Kind, LinkPath.GetText(), out);
        case kBuiltIn:
            out.Assign("MetaObject");
            return false;
        default:
            return false;
    }
}

bool IsStorableObjectName(const char* name) noexcept {
    if (*name == 0 || !IsValidObjectName(name)) return false;
    for (const auto* p = reinterpret_cast<const unsigned char*>(name); *p != 0; ++p) {
        if (IsCp932Lead(*p)) {
            if (p[1] == 0) return false;
            ++p;
        }
    }
    return true;
}

bool CQDXCtrl::AddObjectFromText(const char* name, const char* text) {
    if (!IsStorableObjectName(name)) return false;
    QDXObject* object = nullptr;
    if (!Objects.Insert(name, &object)) return false;
    object->Name.Assign(name);
    object->Owner = this;
    object->CompleteSave = true;
    bool parsed = false;
    try {
        parsed = object->ParseText(text);
    } catch (...) {
        DeleteObject(name);
        throw;
    }
    if (!parsed) DeleteObject(name);
    return parsed;
}
