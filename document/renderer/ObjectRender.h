#pragma once
// The object renderer: brings one object's canvas up to date by its kind and
// render state, and opens and closes the draw masks of a recipe object.
//
// Everything outside the renderer reaches it through QDXObject::Render (the
// document's renderer, installed by default). Inside, the renderer calls
// RenderObject with its context, so the nesting counters follow the whole
// chain of draws.
#include <cstdint>

#include "document/model/ObjectRenderer.h"
#include "document/model/QDXObject.h"
#include "document/renderer/RenderContext.h"
#include "foundation/strings/Str.h"

// Draws the object as its kind requires (recipe, bitmap, links, built-in);
// fast is already forced by the document's ForceFast and the object's
// FastDraw. True when the canvas holds the finished picture (states 2, 3).
bool RenderObject(RenderContext& context, QDXObject& object, bool fast, CStr_base<64>* errorText);

// (Re)makes a canvas of an object (its own, or its mask canvas) at the size,
// cleared; when that is refused, or the memory is not there, appends
// "メモリの確保に失敗しました。" and returns false.
bool RecreateObjectCanvas(CSprite& canvas, int32_t width, int32_t height, CStr_base<64>* errorText);

// Opens a mask over the canvas rectangle (x, y, width, height) shaped by the
// alpha of mask from (maskX, maskY): what is drawn until EndMask survives only
// where the mask is opaque. Closes any mask open before.
bool BeginMask(QDXObject& object, int32_t x, int32_t y, int32_t width, int32_t height, CSprite* mask, int32_t maskX,
               int32_t maskY, CStr_base<64>* errorText);

// The SetMask factor's action: a rectangle-only mask (no object named, or a
// template name), or the named object's canvas as the mask.
bool BeginMaskFromObject(RenderContext& context, QDXObject& object, QDXFactor& factor, bool fast,
                         const char* previousName, CStr_base<64>* errorText);

// The SetMaskRef factor's action: masks the later factors with the outline of
// the factor its first reference number names.
bool RenderReferenceMask(RenderContext& context, QDXObject& object, QDXFactor& factor, bool fast,
                         const char* previousName, CStr_base<64>* errorText);

// The document's renderer: answers QDXObject::Render with RenderObject over a
// context of its own. Failures that escape a draw (an allocation refused deep
// inside a kernel) end that draw with the out-of-memory message instead of
// leaving the program.
class DocumentRenderer : public IObjectRenderer {
public:
    bool Render(QDXObject& object, bool fast, CStr_base<64>* errorText) override;
    RenderContext& Context() noexcept { return m_context; }

private:
    RenderContext m_context;
};

// The renderer installed from the start.
DocumentRenderer& DefaultDocumentRenderer() noexcept;
