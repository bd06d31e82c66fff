// SetMaskRef: a draw mask shaped like another factor's outline.
//
// The referenced factor (a shape or path of the same object, or a GhostFactor
// borrowing one) builds its outline with the object's scales, the outline's
// coverage is filled into the object's mask canvas, and that canvas opens the
// mask over the whole object: what the later factors draw survives only
// inside the shape. The referenced factor's enabled flag plays no part.
#include <new>

#include "document/model/QDXCtrl.h"
#include "document/renderer/ObjectRender.h"
#include "document/renderer/RenderMessages.h"
#include "document/renderer/ShapeRender.h"
#include "raster/surface/sprite/RasterLibrary.h"

bool RenderReferenceMask(RenderContext&, QDXObject& object, QDXFactor& factor, bool fast, const char* previousName,
                         CStr_base<64>* errorText) {
    const uint32_t index = static_cast<uint32_t>(factor.RefNumber1);
    if (index >= object.Factors.GetCount()) {
        AppendNamedText(errorText, factor.Name.GetText(), render_text::kInvalidReference);
        return false;
    }
    QDXFactor* target = object.Factors.GetAt(index);
    if (target->Kind == QDXFactor::kGhostFactor && object.Owner != nullptr) {
        QDXFactor* found = nullptr;
        const char* name = nullptr;
        // Only "_PrevObject" is resolved here: a mask is opened at the top of
        // an object's list, where no template arguments exist. A GhostFactor
        // that leads nowhere stays the target.
        if (shape_render::FindGhostTarget(*object.Owner, *target, nullptr, previousName, found, name) ==
            shape_render::GhostLookup::kFound)
            target = found;
    }
    if (!shape_render::HasBuildableOutline(target->Kind)) {
        AppendNamedText(errorText, target->Name.GetText(), render_text::kNoOutline);
        return false;
    }
    if (!target->BuildDiagram(object.ScaleX, object.ScaleY, object.ScaleThickness, errorText)) return false;

    object.EndMask();
    if (!RecreateObjectCanvas(object.MaskCanvas, object.Width, object.Height, errorText)) return false;
    if (IsRasterReady()) {
        DiagramInfo& outline = target->Diagram;
        CSprite& mask = object.MaskCanvas;
        outline.SetRefusedElement(DiagramInfo::kNoRefusal);
        const bool filled = fast ? mask.FillDiagramAlphaAa0(0, 0, mask.GetWidth(), mask.GetHeight(), outline, 255)
                                 : mask.FillDiagramAlphaAa16(0, 0, mask.GetWidth(), mask.GetHeight(), outline, 255);
        // A refused outline would leave the mask empty and hide everything
        // after it without a word.
        if (!filled && shape_render::ReportArcRefusal(outline, target->Name.GetText(), errorText)) return false;
    }
    return BeginMask(object, 0, 0, object.Width, object.Height, &object.MaskCanvas, 0, 0, errorText);
}
