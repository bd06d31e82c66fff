#pragma once
// QDXObject: one named object of a document, and the canvas that holds its last
// rendering.
//
// Kinds: 1 a vector recipe (Factors drawn into the canvas over Background, with
// the three scales and FastDraw), 2 a bitmap (the canvas is the image; ImageText
// and AlphaText keep its stored text), 3 a link to an image file and 4 a link to
// an object of another document (LinkPath), 5 a built-in placeholder that draws
// itself through RenderCallback. Fields a kind does not use keep the values of a
// new object (empty lists and texts, scales 1.0, flags false).
//
// Render states: 0 stale (draw before use), 1 being drawn (a reference back to
// the object now is a cycle), 2 drawn from factors or links, 3 the canvas is the
// decoded image that is the object's content.
//
// Objects live as values in the document's map, which recycles the value of a
// removed element for a later insertion: ReleaseAll puts an object back to the
// state of a new one, so every insertion starts from the same place.
#include <cstdint>

#include "document/model/QDXFactor.h"
#include "foundation/containers/ArrayAuto.h"
#include "foundation/strings/Str.h"
#include "raster/surface/sprite/Sprite.h"

class CQDXCtrl;
class QDXObject;

// How a built-in object draws itself: (object, fast flag, error text or null).
using QDXRenderCallback = bool (*)(QDXObject* object, bool fast, CStr_base<64>* errorText);

// The draw mask in force while an object is drawn: none, a mask canvas (the
// drawing survives where the mask is opaque), or the rectangle-only marker (the
// canvas's clip rectangle alone limits the drawing).
struct QDXActiveMask {
    CSprite* Sprite = nullptr;
    bool RectangleOnly = false;

    bool IsActive() const noexcept { return Sprite != nullptr || RectangleOnly; }
    void SetNone() noexcept {
        Sprite = nullptr;
        RectangleOnly = false;
    }
    void SetCanvas(CSprite& mask) noexcept {
        Sprite = &mask;
        RectangleOnly = false;
    }
    void SetRectangleOnly() noexcept {
        Sprite = nullptr;
        RectangleOnly = true;
    }
};

class QDXObject {
public:
    enum : int32_t { kVector = 1, kBitmap = 2, kImageLink = 3, kDocumentLink = 4, kBuiltIn = 5 };
    enum : int32_t { kNotDrawn = 0, kDrawing = 1, kDrawn = 2, kImageReady = 3 };

    QDXObject() = default;
    QDXObject(const QDXObject&) = delete;
    QDXObject& operator=(const QDXObject&) = delete;
    // Members go in reverse order; no mask is ended, nothing is drawn.
    ~QDXObject() = default;

    // Draws the object into its canvas (see ObjectRenderer.h); fast is forced on
    // by the document's ForceFast or the object's FastDraw. A built-in calls its
    // callback and is drawn (state 2) when that returns true.
    bool Render(bool fast, CStr_base<64>* errorText);

    // Closes the active mask: a mask canvas has SavedRegion merged back through it
    // over the clip rectangle (so what was drawn survives only where the mask is
    // opaque); the rectangle-only marker merges nothing; then the clip rectangle
    // is the whole canvas and no mask is active. Nothing without an active mask.
    // Always true.
    bool EndMask();

    // (Re)makes the canvas at width x height, cleared. On success Width and
    // Height take the size and RenderState 0; on failure (library not started,
    // size refused) nothing changes.
    bool CreateSurface(int32_t width, int32_t height);

    // Releases everything the object holds (the active mask ended first) and
    // puts every field back to its value in a new object.
    void ReleaseAll();

    // Frees the editor preview's cached canvases and marks the cache unused.
    void FreeCacheSprites();

    // ---- definition text (the part of an object line after "=") ----

    // Reads a definition of the current vocabulary ("Render(", "Bitmap(",
    // "WebP(", "WebPA(", "LinkPath(", "QDXLinkPath(") into this object, which is
    // already in its document with Name and Owner set. False for a malformed
    // text; the object may then be partly changed and the caller discards it.
    bool ParseText(const char* text);
    // The same for a format-1.0 definition: no "WebP(" forms, no flags item, and
    // the factor texts go to the legacy factor parser.
    bool ParseLegacyText(const char* text);
    // Replaces out with the definition (a vector object always in the
    // eight-argument form). A bitmap whose stored text is empty, or whose stored
    // form no longer matches CompleteSave, is encoded from its canvas first and
    // the text kept for later writes. False for a built-in, an unknown kind, a
    // factor that cannot be written or an image that cannot be encoded.
    bool WriteText(CStr_base<16384>& out);

    // When the object is drawn (state 2) and one of its enabled factors depends
    // on name (QDXFactor::DependsOnForInvalidate): state 0 and true. A
    // bitmap showing its decoded image (state 3) under that very name drops its
    // stored texts (false). Otherwise false.
    bool InvalidateIfDependsOn(const char* name);

    // ---- dependencies ----

    // Back to stale (state 0), true; a bitmap showing its decoded image keeps
    // it (false).
    bool Invalidate();
    // Whether one of the factors (only enabled ones with onlyEnabled) references
    // name.
    bool DependsOn(const char* name, bool onlyEnabled);
    // Adds every name the object references, transitively, to map.
    void CollectReferences(CMapSingle<const char*, 64, 32>& map, bool onlyEnabled);
    // When drawn and some factor's palette reference selects the entry key
    // (reference AND 0xC3FF0000): state 0 and true.
    bool UsesPaletteEntry(uint32_t key);

    // ---- factor list editing (vector objects only) ----
    // Positions are kept consistent: factor names and every factor number that
    // points into this list (here and in ghost factors of other objects) follow
    // the moved factors. A change sends the object and its dependents to stale.

    bool AppendFactor(const char* text);
    bool InsertFactor(uint32_t n, const char* text);
    bool DeleteFactor(uint32_t n);
    bool SwapFactorWithNext(uint32_t a);
    bool SwapFactorWithPrevious(uint32_t a);
    bool MoveFactor(uint32_t from, uint32_t to);
    bool RemoveLastFactor();
    // Parses text into factor n in place (its name kept).
    bool ReplaceFactorText(uint32_t n, const char* text);

    // ---- links ----

    // A link object's LinkPath becomes the full path its document resolves it
    // to (a document link keeps its "?object" part). Always true.
    bool MakeLinkPathAbsolute();

    // ---- fields, in record order ----
    CArrayAuto<CSprite> CacheSprites;  // editor preview's intermediate canvases
    int32_t CacheStartIndex = -1;      // first factor the preview redraws; -1 unused
    bool CacheActive = false;
    int32_t CacheEditIndex = -1;    // factor being edited; -1 unused
    CArrayAuto<QDXFactor> Factors;  // kind 1 only; at most 2000 from text
    CSprite Canvas;
    int32_t Width = 0;  // requested canvas size
    int32_t Height = 0;
    CStr_base<64> LinkPath;  // kinds 3 and 4
    int32_t Kind = 0;
    uint32_t Background = 0;  // colour code
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    double ScaleThickness = 1.0;
    bool FastDraw = false;
    CStr_base<64> Name;         // equal to the object's key in the document's map
    CQDXCtrl* Owner = nullptr;  // not owned
    int32_t RenderState = kNotDrawn;
    bool DrawnFast = false;
    QDXRenderCallback RenderCallback = nullptr;  // kind 5 only
    void* CallbackContext = nullptr;
    CStr_base<64> ImageText;    // kind 2: the stored image as text; empty when the canvas is the only copy
    CStr_base<64> AlphaText;    // kind 2, two-image form: the alpha image as text
    bool CompleteSave = false;  // kind 2: written as colour and alpha images
    CSprite MaskCanvas;         // a SetMaskRef factor rasterises its mask here
    QDXActiveMask ActiveMask;
    CSprite SavedRegion;  // canvas pixels saved under the active mask
    int32_t MaskX = 0;    // origin of the active mask canvas
    int32_t MaskY = 0;
};
