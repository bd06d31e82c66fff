// The least of invalidation the object parser needs: a changed object sends
// the drawn objects that depend on it back to stale. Which factor depends on
// which name is the renderer's answer; without a renderer nothing depends on
// anything.
#include "document/model/ObjectRenderer.h"
#include "document/model/QDXCtrl.h"
#include "document/model/QDXObject.h"

bool QDXObject::InvalidateIfDependsOn(const char* name) {
    if (RenderState == kDrawn) {
        IObjectRenderer* renderer = GetObjectRenderer();
        if (renderer == nullptr) return false;
        const uint32_t count = Factors.GetCount();
        for (uint32_t i = 0; i < count; ++i) {
            const QDXFactor& factor = *Factors.GetAt(i);
            if (factor.Enabled && renderer->DependsOnForInvalidate(factor, name, *this)) {
                RenderState = kNotDrawn;
                return true;
            }
        }
        return false;
    }
    if (Kind == kBitmap && RenderState == kImageReady && !ImageText.IsEmpty() && Name == name) {
        ImageText.Free();
        AlphaText.Free();
    }
    return false;
}

bool CQDXCtrl::InvalidateDependents(const char* name) {
    if (GetObjectRenderer() == nullptr) {
        // Nothing depends on anything: only the named object's own stored
        // image can be dropped.
        if (auto* element = Objects.Find(name)) element->GetValue().InvalidateIfDependsOn(name);
        return false;
    }
    // An object sent back to stale is never drawn again during the walk, so the
    // recursion ends even with reference cycles.
    bool any = false;
    Objects.ForEach([this, name, &any](const char* key, QDXObject& object) {
        if (object.InvalidateIfDependsOn(name)) {
            any = true;
            InvalidateDependents(key);
        }
    });
    return any;
}
