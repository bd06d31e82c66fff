#include "document/model/QDXObject.h"

#include "foundation/util/ServiceSlot.h"

#include "document/model/ObjectRenderer.h"
#include "document/model/QDXCtrl.h"
#include "document/renderer/ObjectRender.h"

extern DocumentRenderer g_documentRenderer;

namespace {

// The document's own renderer from the start; tests put in their own.
constinit CServiceSlot<IObjectRenderer> g_renderer(&g_documentRenderer);

}  // namespace

IObjectRenderer* SetObjectRenderer(IObjectRenderer* renderer) noexcept { return g_renderer.Install(renderer); }

IObjectRenderer* GetObjectRenderer() noexcept { return g_renderer.Get(); }

bool QDXObject::Render(bool fast, CStr_base<64>* errorText) {
    if (FastDraw || (Owner != nullptr && Owner->ForceFast)) fast = true;
    if (IObjectRenderer* renderer = g_renderer.Get()) return renderer->Render(*this, fast, errorText);
    // No renderer yet: only a built-in can draw itself.
    if (Kind != kBuiltIn || RenderCallback == nullptr) return false;
    if (!RenderCallback(this, fast, errorText)) return false;
    RenderState = kDrawn;
    return true;
}

bool QDXObject::EndMask() {
    if (!ActiveMask.IsActive()) return true;
    if (CSprite* mask = ActiveMask.Sprite) {
        // The clip rectangle is the masked rectangle; SavedRegion holds what it
        // covered before the masked drawing began.
        const int32_t left = Canvas.GetClipLeft();
        const int32_t top = Canvas.GetClipTop();
        const int32_t width = Canvas.GetClipRight() - left;
        const int32_t height = Canvas.GetClipBottom() - top;
        Canvas.DrawCopyByInverseMaskAlpha(left, top, SavedRegion, 0, 0, width, height, *mask, MaskX, MaskY, width,
                                          height);
    }
    Canvas.SetClipRect(0, 0, Canvas.GetWidth(), Canvas.GetHeight());
    ActiveMask.SetNone();
    return true;
}

bool QDXObject::CreateSurface(int32_t width, int32_t height) {
    if (!Canvas.RecreateIfReady(width, height)) return false;
    Width = width;
    Height = height;
    RenderState = kNotDrawn;
    return true;
}

void QDXObject::FreeCacheSprites() {
    CacheSprites.FreeAll();
    CacheSprites.SetGrowthStep(10);
    CacheActive = false;
    CacheStartIndex = -1;
    CacheEditIndex = -1;
}

void QDXObject::ReleaseAll() {
    EndMask();
    ImageText.Free();
    AlphaText.Free();
    Canvas.Release();
    FreeCacheSprites();
    MaskCanvas.Release();
    SavedRegion.Release();
    Factors.FreeAll();
    Factors.SetGrowthStep(10);

    // The values of a new object, for the map's next insertion of this element.
    Width = 0;
    Height = 0;
    LinkPath.Free();
    Kind = 0;
    Background = 0;
    ScaleX = ScaleY = ScaleThickness = 1.0;
    FastDraw = false;
    Name.Free();
    Owner = nullptr;
    RenderState = kNotDrawn;
    DrawnFast = false;
    RenderCallback = nullptr;
    CallbackContext = nullptr;
    CompleteSave = false;
    MaskX = 0;
    MaskY = 0;
}
