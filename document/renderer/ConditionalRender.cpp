// The replace-copy and replace-draw kinds: inside the factor's rectangle
// (x0, y0, x1, y1, scaled), the canvas pixels that pass the kind's test take a
// new value, in full (ReplaceCopy), in colour (ReplaceDraw) or in alpha
// (ReplaceDrawAlpha), from the source object's rectangle (x2, y2, x3, y3 as
// written) repeated over it. The key forms read the key alpha from the alpha
// argument or the key from the first colour and the opacity from the second
// weight byte; the threshold forms read the threshold from the first colour
// and the opacity from the alpha argument.
//
// A source rectangle of exactly 1 x 1 inside the source canvas (its size, not
// its clip rectangle) reads that one pixel and takes the single-value path of
// the fill-group twin; for the kinds whose key tests their own target that is
// the pre-mixing wrapper, so ReplaceCopyFromData then mixes the alpha linearly
// and ReplaceDrawAlpha weighs the opacity as op + (op >> 7). Nothing is drawn
// while the raster library is not ready; every kind succeeds.
#include <cstdint>
#include <type_traits>

#include "document/renderer/RenderTable.h"
#include "document/renderer/SourceDraw.h"

namespace {

enum class ConditionalKey {
    kAlpha,      // key alpha = the alpha argument, opacity = the second weight byte
    kColour,     // key (colour or value) = the first colour, opacity = the second weight byte
    kThreshold,  // threshold = the first colour, opacity = the alpha argument
};

template <class Key, class Value>
using ConditionalSingle = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, Key, Value, uint8_t);
template <class Key>
using ConditionalTiled = void (CSprite::*)(int32_t, int32_t, int32_t, int32_t, Key, const CSprite&, int32_t, int32_t,
                                           int32_t, int32_t, uint8_t);

// The single-value call with source pixel p: its alpha byte where the member
// takes an alpha.
template <class Key, class Value>
void ConditionalCallSingle(CSprite& canvas, ConditionalSingle<Key, Value> member, const FactorFrame& frame, Key key,
                           uint32_t p, uint8_t opacity) {
    const Value value = sizeof(Value) == 1 ? static_cast<Value>(p >> 24) : static_cast<Value>(p);
    (canvas.*member)(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], key, value, opacity);
}

template <ConditionalKey Form, auto Tiled, auto Single>
bool ConditionalReplace(FactorFrame& frame) {
    if (!IsRasterReady()) return true;
    const uint8_t opacity = Form == ConditionalKey::kThreshold ? frame.Opacity : frame.Factor.ByteParam2;
    const uint32_t key = Form == ConditionalKey::kAlpha ? frame.Opacity : frame.C[0];
    using Key = std::conditional_t<Form == ConditionalKey::kAlpha, uint8_t, uint32_t>;
    CSprite& canvas = frame.Canvas();
    const CSprite& src = *frame.SourceCanvas;
    const int32_t sx = frame.X[2], sy = frame.Y[2], sw = frame.X[3], sh = frame.Y[3];
    if (sw == 1 && sh == 1 && sx >= 0 && sy >= 0 && sx < src.GetWidth() && sy < src.GetHeight()) {
        ConditionalCallSingle(canvas, Single, frame, static_cast<Key>(key), *src.PixelAt(sx, sy), opacity);
    } else {
        (canvas.*Tiled)(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], static_cast<Key>(key), src, sx, sy, sw, sh,
                        opacity);
    }
    return true;
}

constexpr auto kKeyAlpha = ConditionalKey::kAlpha;
constexpr auto kKeyColour = ConditionalKey::kColour;
constexpr auto kThreshold = ConditionalKey::kThreshold;

constexpr RenderRow kConditionalRows[] = {
    {1301, ConditionalReplace<kKeyAlpha, &CSprite::ReplaceDataFromAlphaTiled, &CSprite::ReplaceDataFromAlpha>},  // ReplaceCopyFromAlpha(
    {1302, ConditionalReplace<kKeyColour, &CSprite::ReplaceDataFromColorTiled, &CSprite::ReplaceDataFromColor>},  // ReplaceCopyFromColor(
    {1303, ConditionalReplace<kKeyColour, &CSprite::ReplaceDataFromDataTiled, &CSprite::ReplaceDataOpacity>},  // ReplaceCopyFromData(
    {1304, ConditionalReplace<kThreshold, &CSprite::ReplaceDataIfGETiled, &CSprite::ReplaceDataIfGE>},  // ReplaceCopyIfGE(
    {1305, ConditionalReplace<kThreshold, &CSprite::ReplaceDataIfLETiled, &CSprite::ReplaceDataIfLE>},  // ReplaceCopyIfLE(
    {1306, ConditionalReplace<kThreshold, &CSprite::ReplaceDataIfGrOrTiled, &CSprite::ReplaceDataIfGrOr>},  // ReplaceCopyIfGrOr(
    {1307, ConditionalReplace<kThreshold, &CSprite::ReplaceDataIfLeOrTiled, &CSprite::ReplaceDataIfLeOr>},  // ReplaceCopyIfLeOr(
    {1351, ConditionalReplace<kKeyAlpha, &CSprite::ReplaceColorFromAlphaTiled, &CSprite::ReplaceColorFromAlpha>},  // ReplaceDrawFromAlpha(
    {1352, ConditionalReplace<kKeyColour, &CSprite::ReplaceColorFromColorTiled, &CSprite::ReplaceColorOpacity>},  // ReplaceDrawFromColor(
    {1353, ConditionalReplace<kKeyColour, &CSprite::ReplaceColorFromDataTiled, &CSprite::ReplaceColorFromData>},  // ReplaceDrawFromData(
    {1354, ConditionalReplace<kThreshold, &CSprite::ReplaceColorIfGETiled, &CSprite::ReplaceColorIfGE>},  // ReplaceDrawIfGE(
    {1355, ConditionalReplace<kThreshold, &CSprite::ReplaceColorIfLETiled, &CSprite::ReplaceColorIfLE>},  // ReplaceDrawIfLE(
    {1356, ConditionalReplace<kThreshold, &CSprite::ReplaceColorIfGrOrTiled, &CSprite::ReplaceColorIfGrOr>},  // ReplaceDrawIfGrOr(
    {1357, ConditionalReplace<kThreshold, &CSprite::ReplaceColorIfLeOrTiled, &CSprite::ReplaceColorIfLeOr>},  // ReplaceDrawIfLeOr(
    {1381, ConditionalReplace<kKeyAlpha, &CSprite::ReplaceAlphaFromAlphaTiled, &CSprite::ReplaceAlphaOpacity>},  // ReplaceDrawAlpha(
    {1382, ConditionalReplace<kKeyColour, &CSprite::ReplaceAlphaFromColorTiled, &CSprite::ReplaceAlphaFromColor>},  // ReplaceDrawAlphaFromColor(
    {1383, ConditionalReplace<kKeyColour, &CSprite::ReplaceAlphaFromDataTiled, &CSprite::ReplaceAlphaFromData>},  // ReplaceDrawAlphaFromData(
    {1384, ConditionalReplace<kThreshold, &CSprite::ReplaceAlphaIfGETiled, &CSprite::ReplaceAlphaIfGE>},  // ReplaceDrawAlphaIfGE(
    {1385, ConditionalReplace<kThreshold, &CSprite::ReplaceAlphaIfLETiled, &CSprite::ReplaceAlphaIfLE>},  // ReplaceDrawAlphaIfLE(
    {1386, ConditionalReplace<kThreshold, &CSprite::ReplaceAlphaIfGrOrTiled, &CSprite::ReplaceAlphaIfGrOr>},  // ReplaceDrawAlphaIfGrOr(
    {1387, ConditionalReplace<kThreshold, &CSprite::ReplaceAlphaIfLeOrTiled, &CSprite::ReplaceAlphaIfLeOr>},  // ReplaceDrawAlphaIfLeOr(
};

}  // namespace

const RenderFamily kConditionalRender = MakeRenderFamily(kConditionalRows);
