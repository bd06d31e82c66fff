#pragma once
// The seam through which the document reaches its renderer. Process-wide; the
// document's own renderer (document/renderer/ObjectRender.h) from the start.
// Tests install their own to watch or fake the drawing of objects.
//
// With none installed (null) QDXObject::Render draws only the built-in objects
// (through their callbacks) and fails for every other kind, appending nothing.
#include "foundation/strings/Str.h"

class QDXObject;

class IObjectRenderer {
public:
    virtual ~IObjectRenderer() = default;

    // Brings the object's canvas up to date as its kind requires; the fast flag
    // already includes the document's ForceFast and the object's FastDraw. On
    // failure appends the reason to errorText (when given) and returns false.
    virtual bool Render(QDXObject& object, bool fast, CStr_base<64>* errorText) = 0;
};

// Installs the renderer (null: none); returns the one it replaces.
IObjectRenderer* SetObjectRenderer(IObjectRenderer* renderer) noexcept;
IObjectRenderer* GetObjectRenderer() noexcept;
