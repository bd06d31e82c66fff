#pragma once
// What the shape branches, the outline builder (QDXFactor::BuildDiagram), the
// target-list branches and the reference masks share: the shape geometry of
// a factor and the one call of its shape builder, the kinds that have an
// outline, the lookup through a GhostFactor, and the message of an outline
// the rasteriser refuses.
//
// A shape's branch draws with the builder and BuildDiagram builds with the
// same builder from the same numbers (coordinates scaled by the x and y
// scales, the width by the thickness scale, as the factor frame prepares
// them), so the outline a FrameRef strokes, a SetMaskRef fills or a warp
// follows is the outline of the shape on the canvas.
#include <cstdint>

#include "document/model/QDXFactor.h"
#include "foundation/strings/Str.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/Sprite.h"

class CQDXCtrl;

namespace shape_render {

// "の円弧を描画できません。\n": the rasteriser refused an Arc of the outline
// (its two ends lie in different quadrants about its centre), so nothing of
// the shape could be drawn.
inline constexpr char kArcRefused[] = "\x82\xCC\x89~\x8C\xCA\x82\xF0\x95`\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";

// Kinds whose outline a shape builder makes: 2-8, 10 and 102-108, 110.
constexpr bool IsBuilderShapeKind(uint32_t kind) noexcept {
    const uint32_t family = kind >= 100 && kind < 200 ? kind - 100 : kind;
    return family >= 2 && family <= 10 && family != 9;
}
// Kinds that have an outline at all: the builder shapes and the paths 1, 11,
// 101, 111 (not the Square and FrameRef forms).
constexpr bool HasBuildableOutline(uint32_t kind) noexcept {
    return IsBuilderShapeKind(kind) || kind == 1 || kind == 11 || kind == 101 || kind == 111;
}

// The scaled numbers of a shape: x0..x2, y0..y2 and the width W.
struct ShapeGeometry {
    int32_t X[3] = {};
    int32_t Y[3] = {};
    int32_t W = 0;
};

// The factor's geometry by the frame's rules (ScaleCoordinate, ScaleWidth).
ShapeGeometry MakeShapeGeometry(const QDXFactor& factor, double scaleX, double scaleY, double scaleThickness) noexcept;

// Which of the builder's three forms draws.
enum class ShapeFill { kMask, kAlpha, kColour };

// Calls the builder of a builder shape kind (IsBuilderShapeKind) on sprite
// over (0, 0, areaWidth, areaHeight) at the level, building into outline; the
// angles, radius scales and curve direction come from the factor. Returns
// the builder's result.
bool CallShapeBuilder(const QDXFactor& factor, const ShapeGeometry& geometry, ShapeFill fill, CSprite& sprite,
                      int32_t areaWidth, int32_t areaHeight, int32_t level, DiagramInfo& outline, uint32_t colour,
                      uint8_t value);

// A GhostFactor's target: the factor at the GhostFactor's first reference
// number in the object its source name names (resolved with templateArgs and
// previousName). resolvedName receives the resolved name.
enum class GhostLookup { kFound, kNoObject, kBadIndex };
GhostLookup FindGhostTarget(CQDXCtrl& document, const QDXFactor& ghost, const CStr_base<64>* templateArgs,
                            const char* previousName, QDXFactor*& target, const char*& resolvedName);

// After a fill or stroke of outline that drew nothing: when the rasteriser
// refused one of its Arcs, appends Q name Q kArcRefused and returns true.
bool ReportArcRefusal(const DiagramInfo& outline, const char* name, CStr_base<64>* errorText);

}  // namespace shape_render
