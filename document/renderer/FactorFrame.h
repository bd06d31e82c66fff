#pragma once
// One factor draw: the call (what the caller passes) and the frame (what the
// factor renderer prepares before it hands the factor to its kind's branch).
//
// The frame is made once per call of RenderFactor. Every branch reads its
// numbers from it, never from the factor's own coordinate fields: the
// coordinates are scaled there (x by ScaleX, y by ScaleY, each only when that
// scale is not exactly 1.0, rounding half away from zero; x2, y2, x3, y3 only
// for kinds below 200, since the source-drawing kinds use them as positions
// inside the source canvas), and the width by the thickness scale. Palette
// colours are resolved into the factor record itself (Color1..Color4 keep
// their own top byte), so a branch reads factor.Color1..Color4 or C[0..3].
#include <cstdint>

#include "document/model/QDXFactor.h"
#include "document/model/QDXObject.h"
#include "document/renderer/RenderContext.h"
#include "foundation/strings/Str.h"

class CQDXCtrl;

// The parameters of one factor draw, in the order the factor renderer takes
// them. Branches that draw other factors (Foreach, the ghosts) copy it and
// change what differs.
struct FactorCall {
    RenderContext* Context = nullptr;
    CSprite* Canvas = nullptr;     // the target (normally Object's canvas)
    CQDXCtrl* Document = nullptr;  // object map, palette, force-fast flag
    QDXObject* Object = nullptr;   // whose list the reference numbers index
    bool Fast = false;
    CStr_base<64>* ErrorText = nullptr;  // may be null
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    double ScaleThickness = 1.0;
    // Four names standing for "_Template1".."_Template4", or null at the top
    // level of an object.
    const CStr_base<64>* TemplateArgs = nullptr;
    // What "_PrevObject" stands for.
    const char* PreviousName = "";
};

struct FactorFrame {
    QDXFactor& Factor;
    const FactorCall& Call;

    bool Fast = false;  // Call.Fast, or the document's force-fast flag
    int32_t Level = 16;  // anti-alias level: 0 when Fast, else 16
    int32_t X[5] = {};   // x0..x4, scaled as above
    int32_t Y[5] = {};   // y0..y4
    int32_t W = 16;      // trunc(width x thickness scale + 0.5)
    uint32_t C[4] = {};  // Color1..Color4 after palette resolution
    uint8_t Opacity = 255;

    // For the kinds that name a source object: that object, drawn, and its
    // canvas. Null for every other kind.
    QDXObject* Source = nullptr;
    CSprite* SourceCanvas = nullptr;

    FactorFrame(QDXFactor& factor, const FactorCall& call) noexcept : Factor(factor), Call(call) {}

    CSprite& Canvas() const noexcept { return *Call.Canvas; }
    RenderContext& Context() const noexcept { return *Call.Context; }
    CStr_base<64>* ErrorText() const noexcept { return Call.ErrorText; }
    const char* Name() const noexcept { return Factor.Name.GetText(); }
};

// A kind's branch: draws the prepared factor; false after appending its
// message (failures are the branch Parts' own).
using FactorBranch = bool (*)(FactorFrame& frame);

// Draws one factor (the whole factor renderer: ghost objects, preparation,
// source objects, dispatch). True when drawn or when there was nothing to
// draw; false with message lines appended.
bool RenderFactor(QDXFactor& factor, const FactorCall& call);

// The scaling rule of the frame: v unchanged at a scale of exactly 1.0,
// otherwise v x scale rounded half away from zero (by the sign of v),
// saturated to the 32-bit range.
int32_t ScaleCoordinate(int32_t v, double scale) noexcept;
// trunc(width x thickness scale + 0.5), saturated to the 32-bit range.
int32_t ScaleWidth(int32_t width, double thicknessScale) noexcept;
