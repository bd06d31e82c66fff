// The factor renderer: the frame around every kind's branch. Ghost objects
// are expanded here; every other kind gets its prepared values (fast flag and
// anti-alias level, scaled coordinates and width, palette colours) and, when
// it draws from another object, that object drawn first; then the kind's row
// of the render table draws it.
#include <cmath>
#include <cstdint>
#include <utility>

#include "document/model/QDXCtrl.h"
#include "document/model/QDXPalette.h"
#include "document/renderer/ObjectRender.h"
#include "document/renderer/RenderMessages.h"
#include "document/renderer/RenderTable.h"

namespace {

int32_t SaturateToInt(double v) noexcept {
    if (!(v > -2147483648.0)) return v != v ? 0 : INT32_MIN;  // NaN gives 0
    if (v >= 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(v);
}

// The object of that exact name (already resolved), or null.
QDXObject* FindNamed(CQDXCtrl& document, const char* name) {
    auto* element = document.Objects.Find(name);
    return element != nullptr ? &element->GetValue() : nullptr;
}

// GhostObject: the named recipe object's factors drawn here, in this call's
// canvas and scales, with the ghost's template names (resolved where the
// ghost stands) as the template arguments.
bool RenderGhostObject(QDXFactor& factor, const FactorCall& call) {
    CQDXCtrl& document = *call.Document;
    CStr_base<64>* errorText = call.ErrorText;
    const char* name = ResolveReferenceName(factor.SourceName.GetText(), call.TemplateArgs, call.PreviousName);
    QDXObject* ghost = FindNamed(document, name);
    if (ghost == nullptr) {
        AppendFactorObjectText(errorText, factor.Name.GetText(), name, render_text::kNotFound);
        return false;
    }
    if (ghost->Kind != QDXObject::kVector) return true;
    RenderContext& context = *call.Context;
    if (context.GhostDepth > RenderContext::kMaxGhostDepth) {
        AppendNamedText(errorText, factor.Name.GetText(), render_text::kGhostTooDeep);
        return false;
    }
    RenderDepthGuard ghostDepth(context.GhostDepth);

    CStr_base<64> templateArgs[4];
    for (uint32_t i = 0; i < 4; ++i) {
        const CStr_base<64>& written = std::as_const(factor.TemplateNames)[i];
        templateArgs[i].Assign(ResolveReferenceName(written.GetText(), call.TemplateArgs, call.PreviousName));
    }
    FactorCall inner = call;
    inner.Object = ghost;
    inner.TemplateArgs = templateArgs;
    CStr_base<64> previousName;  // the running "_PrevObject" of the ghost's list
    inner.PreviousName = previousName.GetText();

    const uint32_t count = ghost->Factors.GetCount();
    for (uint32_t i = 0; i < count && i < ghost->Factors.GetCount(); ++i) {
        QDXFactor* step = ghost->Factors.GetAt(i);
        if (!step->Enabled) continue;
        if (step->Kind == QDXFactor::kGhostFactor) {
            const char* targetName = ResolveReferenceName(step->SourceName.GetText(), templateArgs, "");
            QDXObject* target = FindNamed(document, targetName);
            if (target == nullptr) {
                AppendFactorObjectText(errorText, step->Name.GetText(), targetName, render_text::kNotFound);
                return false;
            }
            if (static_cast<uint32_t>(step->RefNumber1) >= target->Factors.GetCount()) {
                AppendNamedText(errorText, step->Name.GetText(), render_text::kInvalidReference);
                return false;
            }
            QDXFactor* borrowed = target->Factors.GetAt(static_cast<uint32_t>(step->RefNumber1));
            if ((step->Options & 1u) != 0 && !borrowed->Enabled) continue;
            step = borrowed;
        }
        inner.PreviousName = previousName.GetText();
        if (!RenderFactor(*step, inner)) {
            AppendNamedText(errorText, step->Name.GetText(), render_text::kGhostFailed);
            return false;
        }
        // Unlike the object's own list, the name is taken as written, even
        // "_PrevObject".
        if (FactorKindNamesSourceObject(step->Kind)) previousName.AssignString(step->SourceName);
    }
    return true;
}

// The named source object, drawn when it is not (or only fast when a full
// draw asks). False with F1, F5 or F6.
bool ResolveSource(FactorFrame& frame) {
    const FactorCall& call = frame.Call;
    QDXFactor& factor = frame.Factor;
    const char* name = ResolveReferenceName(factor.SourceName.GetText(), call.TemplateArgs, call.PreviousName);
    QDXObject* source = FindNamed(*call.Document, name);
    if (source == nullptr) {
        AppendFactorObjectText(call.ErrorText, factor.Name.GetText(), name, render_text::kNotFound);
        return false;
    }
    if (source->RenderState == QDXObject::kDrawn && !frame.Fast && source->DrawnFast)
        source->RenderState = QDXObject::kNotDrawn;
    switch (source->RenderState) {
    case QDXObject::kNotDrawn:
        if (!RenderObject(*call.Context, *source, frame.Fast, call.ErrorText)) {
            AppendFactorObjectText(call.ErrorText, factor.Name.GetText(), name, render_text::kCannotDraw);
            return false;
        }
        break;
    case QDXObject::kDrawing:
        AppendCyclicText(call.ErrorText, factor.Name.GetText(), name);
        return false;
    default:
        break;
    }
    frame.Source = source;
    frame.SourceCanvas = &source->Canvas;
    return true;
}

void Prepare(FactorFrame& frame) {
    const FactorCall& call = frame.Call;
    QDXFactor& factor = frame.Factor;
    frame.Fast = call.Fast || (call.Document != nullptr && call.Document->ForceFast);
    frame.Level = frame.Fast ? 0 : 16;

    const int32_t xs[5] = {factor.X1, factor.X2, factor.X3, factor.X4, factor.X5};
    const int32_t ys[5] = {factor.Y1, factor.Y2, factor.Y3, factor.Y4, factor.Y5};
    const bool sourcePositions = factor.Kind >= 200;
    for (int i = 0; i < 5; ++i) {
        const bool keep = sourcePositions && (i == 2 || i == 3);
        frame.X[i] = keep ? xs[i] : ScaleCoordinate(xs[i], call.ScaleX);
        frame.Y[i] = keep ? ys[i] : ScaleCoordinate(ys[i], call.ScaleY);
    }
    frame.W = ScaleWidth(factor.Width, call.ScaleThickness);

    uint32_t* const colours[4] = {&factor.Color1, &factor.Color2, &factor.Color3, &factor.Color4};
    const uint32_t references[4] = {factor.ColorRef1, factor.ColorRef2, factor.ColorRef3, factor.ColorRef4};
    const QDXPalette* palette = call.Document != nullptr ? call.Document->PaletteTables : nullptr;
    for (int i = 0; i < 4; ++i) {
        if (references[i] != 0 && palette != nullptr)
            *colours[i] = (*colours[i] & 0xFF000000u) | palette->ResolveColor(references[i]);
        frame.C[i] = *colours[i];
    }
    frame.Opacity = factor.Alpha;
}

}  // namespace

bool RenderGhostObjectBranch(FactorFrame& frame) { return RenderGhostObject(frame.Factor, frame.Call); }

int32_t ScaleCoordinate(int32_t v, double scale) noexcept {
    if (scale == 1.0) return v;
    const double scaled = static_cast<double>(v) * scale;
    return v >= 0 ? SaturateToInt(scaled + 0.5) : -SaturateToInt(0.5 - scaled);
}

int32_t ScaleWidth(int32_t width, double thicknessScale) noexcept {
    return SaturateToInt(static_cast<double>(width) * thicknessScale + 0.5);
}

bool RenderFactor(QDXFactor& factor, const FactorCall& call) {
    RenderContext& context = *call.Context;
    if (context.RenderDepth >= RenderContext::kMaxRenderDepth) {
        AppendNamedText(call.ErrorText, factor.Name.GetText(), render_text::kRenderTooDeep);
        return false;
    }
    RenderDepthGuard depth(context.RenderDepth);

    if (factor.Kind == QDXFactor::kGhostObject) return RenderGhostObject(factor, call);

    FactorFrame frame(factor, call);
    Prepare(frame);
    if (FactorKindNamesSourceObject(factor.Kind) && !ResolveSource(frame)) return false;
    const FactorBranch branch = FindRenderBranch(factor.Kind);
    if (branch == nullptr) return RenderKindNotBuilt(frame);
    return branch(frame);
}
