// The object renderer: one object's canvas brought up to date by its kind and
// render state, and the draw masks of a recipe object.
#include "document/renderer/ObjectRender.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "document/renderer/RenderMessages.h"
#include "document/text/Text128Codec.h"
#include "imagefiles/ImageFiles.h"
#include "raster/surface/sprite/RasterLibrary.h"

namespace {

int32_t ClampedEnd(int32_t start, int32_t size) noexcept {
    const int64_t end = int64_t{start} + size;
    return static_cast<int32_t>(std::clamp<int64_t>(end, INT32_MIN, INT32_MAX));
}

// Holds an object in render state 1 for one recipe draw. On every way out
// that is not a success (a failing factor, an exception passing through) the
// object is left not drawn, with no mask open and the whole canvas to draw on,
// so that a later draw does not find it "being drawn".
class RecipeDrawScope {
public:
    explicit RecipeDrawScope(QDXObject& object) noexcept : m_object(object) {
        m_object.RenderState = QDXObject::kDrawing;
        m_object.ActiveMask.SetNone();
    }
    ~RecipeDrawScope() {
        if (m_succeeded) return;
        m_object.RenderState = QDXObject::kNotDrawn;
        m_object.EndMask();
    }
    RecipeDrawScope(const RecipeDrawScope&) = delete;
    RecipeDrawScope& operator=(const RecipeDrawScope&) = delete;

    void Succeeded() noexcept { m_succeeded = true; }

private:
    QDXObject& m_object;
    bool m_succeeded = false;
};

// True when the name is "_PrevObject" (the recipe list keeps the previous
// name then).
bool IsPrevObject(const CStr_base<64>& name) noexcept { return IsPrevObjectName(name.GetText()); }

bool RenderRecipe(RenderContext& context, QDXObject& object, bool fast, CStr_base<64>* errorText) {
    RecipeDrawScope scope(object);
    if (IsRasterReady()) object.Canvas.FillRect(0, 0, object.Canvas.GetWidth(), object.Canvas.GetHeight(), object.Background);

    CQDXCtrl& document = *object.Owner;
    CStr_base<64> previousName;
    FactorCall call;
    call.Context = &context;
    call.Canvas = &object.Canvas;
    call.Document = &document;
    call.Object = &object;
    call.Fast = fast;
    call.ErrorText = errorText;
    call.ScaleX = object.ScaleX;
    call.ScaleY = object.ScaleY;
    call.ScaleThickness = object.ScaleThickness;

    for (uint32_t i = 0; i < object.Factors.GetCount(); ++i) {
        QDXFactor* step = object.Factors.GetAt(i);
        if (!step->Enabled) continue;
        if (step->Kind == QDXFactor::kGhostFactor) {
            const char* name = step->SourceName.GetText();
            if (IsPrevObject(step->SourceName)) name = previousName.GetText();
            auto* element = document.Objects.Find(name);
            if (element == nullptr) {
                AppendFactorObjectText(errorText, step->Name.GetText(), name, render_text::kNotFound);
                return false;
            }
            QDXObject& target = element->GetValue();
            if (static_cast<uint32_t>(step->RefNumber1) >= target.Factors.GetCount()) {
                AppendNamedText(errorText, step->Name.GetText(), render_text::kInvalidReference);
                return false;
            }
            QDXFactor* borrowed = target.Factors.GetAt(static_cast<uint32_t>(step->RefNumber1));
            if ((step->Options & 1u) != 0 && !borrowed->Enabled) continue;
            step = borrowed;
        }
        switch (step->Kind) {
        case 1113:  // SetMask
            if (!BeginMaskFromObject(context, object, *step, fast, previousName.GetText(), errorText)) return false;
            if (!IsPrevObject(step->SourceName)) previousName.AssignString(step->SourceName);
            continue;
        case 1114:  // ClearMask
            object.EndMask();
            continue;
        case QDXFactor::kSetMaskRef:
            if (!RenderReferenceMask(context, object, *step, fast, previousName.GetText(), errorText)) return false;
            continue;
        default:
            break;
        }
        call.PreviousName = previousName.GetText();
        if (!RenderFactor(*step, call)) return false;
        if (FactorKindNamesSourceObject(step->Kind) && !IsPrevObject(step->SourceName))
            previousName.AssignString(step->SourceName);
    }
    object.EndMask();
    object.RenderState = QDXObject::kDrawn;
    object.DrawnFast = fast;
    if (!fast) object.Canvas.BuildOpacityMask();
    scope.Succeeded();
    return true;
}

// Decodes a stored image text into bytes. False for an empty text, a text
// outside the alphabet and a text that yields no bytes.
bool DecodeStoredText(const CStr_base<64>& text, std::unique_ptr<uint8_t[]>& bytes, uint32_t& count) {
    if (text.IsEmpty()) return false;
    const uint32_t capacity = DecodeText128(text, nullptr, 0);
    bytes = std::make_unique_for_overwrite<uint8_t[]>(capacity);
    count = DecodeText128(text, bytes.get(), capacity);
    return count != kText128Failed && count != 0;
}

bool RenderBitmap(QDXObject& object, CStr_base<64>* errorText) {
    if (object.ImageText.IsEmpty()) return false;
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t count = 0;
    if (!DecodeStoredText(object.ImageText, bytes, count)) {
        AppendNamedText(errorText, object.Name.GetText(), render_text::kImageUnreadable);
        return false;
    }
    object.Canvas.Release();
    object.Factors.RemoveAll();
    if (!DecodeWebP(object.Canvas, bytes.get(), count)) {
        AppendNamedText(errorText, object.Name.GetText(), render_text::kImageUnreadable);
        return false;
    }
    if (!object.AlphaText.IsEmpty()) {
        CSprite alpha;
        if (!DecodeStoredText(object.AlphaText, bytes, count) || !DecodeWebP(alpha, bytes.get(), count)) {
            AppendNamedText(errorText, object.Name.GetText(), render_text::kImageUnreadable);
            return false;
        }
        if (IsRasterReady()) object.Canvas.DrawCopyA(0, 0, alpha, 0, 0, alpha.GetWidth(), alpha.GetHeight());
    }
    object.RenderState = QDXObject::kImageReady;
    object.Canvas.BuildOpacityMask();
    object.Width = object.Canvas.GetWidth();
    object.Height = object.Canvas.GetHeight();
    return true;
}

bool RenderLink(QDXObject& object, CStr_base<64>* errorText) {
    CQDXCtrl& document = *object.Owner;
    const bool loaded = object.Kind == QDXObject::kImageLink
                            ? document.LoadExternalImage(object.LinkPath.GetText(), object.Canvas, errorText)
                            : document.RenderExternalObject(object.LinkPath.GetText(), object.Canvas, errorText);
    if (!loaded) return false;
    object.RenderState = QDXObject::kImageReady;
    object.Canvas.BuildOpacityMask();
    object.Width = object.Canvas.GetWidth();
    object.Height = object.Canvas.GetHeight();
    return true;
}

// Makes the saved region a copy of the canvas rectangle the clip now covers.
bool SaveMaskedRegion(QDXObject& object, bool recreate, const char* factorName, CStr_base<64>* errorText) {
    CSprite& canvas = object.Canvas;
    const int32_t left = canvas.GetClipLeft();
    const int32_t top = canvas.GetClipTop();
    const int32_t width = canvas.GetClipRight() - left;
    const int32_t height = canvas.GetClipBottom() - top;
    if (width < 1 || height < 1) {
        object.SavedRegion.Release();
        return true;
    }
    const bool sized = recreate ? object.SavedRegion.RecreateIfReady(width, height)
                                : object.SavedRegion.ResizeUncleared(width, height);
    if (!sized) {
        if (recreate)
            AppendNamedText(errorText, factorName, render_text::kMemoryFor);
        else
            AppendRenderText(errorText, render_text::kSavedRegionMemory);
        return false;
    }
    object.SavedRegion.DrawCopy(0, 0, canvas, left, top, width, height);
    return true;
}

}  // namespace

bool RecreateObjectCanvas(CSprite& canvas, int32_t width, int32_t height, CStr_base<64>* errorText) {
    bool made = false;
    try {
        made = canvas.RecreateIfReady(width, height);
    } catch (const std::bad_alloc&) {
        made = false;
    }
    if (!made) AppendRenderText(errorText, render_text::kCanvasMemory);
    return made;
}

bool RenderObject(RenderContext& context, QDXObject& object, bool fast, CStr_base<64>* errorText) {
    if (object.FastDraw || (object.Owner != nullptr && object.Owner->ForceFast)) fast = true;

    if (object.Canvas.GetWidth() != object.Width || object.Canvas.GetHeight() != object.Height) {
        if (!RecreateObjectCanvas(object.Canvas, object.Width, object.Height, errorText)) return false;
        object.RenderState = QDXObject::kNotDrawn;
    }
    if (object.RenderState == QDXObject::kDrawn && !fast && object.DrawnFast) object.RenderState = QDXObject::kNotDrawn;
    if (object.RenderState != QDXObject::kNotDrawn)
        return object.RenderState == QDXObject::kDrawn || object.RenderState == QDXObject::kImageReady;
    // Only a draw goes deeper: an object already drawn answers at any depth.
    if (context.RenderDepth >= RenderContext::kMaxRenderDepth) {
        AppendNamedText(errorText, object.Name.GetText(), render_text::kRenderTooDeep);
        return false;
    }
    RenderDepthGuard depth(context.RenderDepth);
    object.Canvas.DropOpacityMask();

    switch (object.Kind) {
    case QDXObject::kVector:
        if (object.Owner == nullptr) return false;
        return RenderRecipe(context, object, fast, errorText);
    case QDXObject::kBitmap:
        try {
            return RenderBitmap(object, errorText);
        } catch (const std::bad_alloc&) {
            AppendRenderText(errorText, render_text::kNoMemoryToDraw);
            return false;
        }
    case QDXObject::kImageLink:
    case QDXObject::kDocumentLink:
        if (object.Owner == nullptr) return false;
        return RenderLink(object, errorText);
    case QDXObject::kBuiltIn:
        if (object.RenderCallback == nullptr || !object.RenderCallback(&object, fast, errorText)) return false;
        object.RenderState = QDXObject::kDrawn;
        object.DrawnFast = fast;
        if (!fast) object.Canvas.BuildOpacityMask();
        return true;
    default:
        return false;
    }
}

bool BeginMask(QDXObject& object, int32_t x, int32_t y, int32_t width, int32_t height, CSprite* mask, int32_t maskX,
               int32_t maskY, CStr_base<64>* errorText) {
    object.EndMask();
    CSprite& canvas = object.Canvas;
    // The clipping moves the rectangle's corner and the mask position
    // together; the merge at EndMask reads the mask from where the clipped
    // rectangle starts, so the origin is taken after the clipping.
    canvas.ClipBlit(x, y, *mask, maskX, maskY, width, height);
    object.MaskX = maskX;
    object.MaskY = maskY;
    object.ActiveMask.SetCanvas(*mask);
    canvas.SetClipRect(x, y, ClampedEnd(x, width), ClampedEnd(y, height));
    if (width < 1 || height < 1) {
        object.SavedRegion.Release();
        return true;
    }
    return SaveMaskedRegion(object, false, "", errorText);
}

bool BeginMaskFromObject(RenderContext& context, QDXObject& object, QDXFactor& factor, bool fast,
                         const char* previousName, CStr_base<64>* errorText) {
    const char* written = factor.SourceName.GetText();
    if (factor.SourceName.IsEmpty() || std::strncmp(written, "_Template", 9) == 0) {
        object.EndMask();
        object.ActiveMask.SetRectangleOnly();
        object.MaskX = 0;
        object.MaskY = 0;
        int32_t x = factor.X1;
        int32_t y = factor.Y1;
        int32_t w = factor.X2;
        int32_t h = factor.Y2;
        object.Canvas.ClipRect(x, y, w, h);
        object.Canvas.SetClipRect(x, y, ClampedEnd(x, w), ClampedEnd(y, h));
        return SaveMaskedRegion(object, true, factor.Name.GetText(), errorText);
    }
    const char* name = IsPrevObjectName(written) ? previousName : written;
    auto* element = object.Owner->Objects.Find(name);
    if (element == nullptr) {
        AppendFactorObjectText(errorText, factor.Name.GetText(), name, render_text::kNotFound);
        return false;
    }
    QDXObject& maskObject = element->GetValue();
    if (!RenderObject(context, maskObject, fast, errorText)) {
        object.EndMask();
        AppendFactorObjectText(errorText, factor.Name.GetText(), name, render_text::kDrawFailed);
        return false;
    }
    return BeginMask(object, factor.X1, factor.Y1, factor.X2, factor.Y2, &maskObject.Canvas, factor.X3, factor.Y3,
                     errorText);
}

bool DocumentRenderer::Render(QDXObject& object, bool fast, CStr_base<64>* errorText) {
    try {
        return RenderObject(m_context, object, fast, errorText);
    } catch (...) {
        // Allocation refused somewhere below (a kernel's work area, an
        // outline): the draw ends here; the guards have put every counter and
        // render state back.
        AppendRenderText(errorText, render_text::kNoMemoryToDraw);
        return false;
    }
}

// The renderer the document starts with (see QDXObject.cpp).
DocumentRenderer g_documentRenderer;

DocumentRenderer& DefaultDocumentRenderer() noexcept { return g_documentRenderer; }
