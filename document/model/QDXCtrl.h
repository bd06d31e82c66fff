#pragma once
// CQDXCtrl: the document. It owns the named objects, the palette, the base
// folder for linked files, the metadata text and the extension options.
//
// Five built-in objects exist from construction to destruction: "_Template1" to
// "_Template4" and "_PrevObject". Factors may name them; they are kind 5, draw
// as a transparent 1 x 1 image, are never written, and no operation of the
// document removes them.
//
// Reserved reference names, as every lookup applies them:
//   - "_PrevObject" exactly: the source object of the factor before this one;
//   - a name beginning with "_Template" whose tenth byte is 1..4: that template
//     argument (the bytes after the digit are not looked at);
//   - any other name, "_"-prefixed or not, is ordinary.
//
// Object names are code-page-932 texts, unique and compared byte for byte.
// Everything here runs on the GUI thread.
//
// Reading, writing and linked-file operations join this class as virtual
// members of their own; the destructor is virtual already.
#include <cstdint>

#include "document/model/QDXObject.h"
#include "document/model/QDXPalette.h"
#include "foundation/containers/MemoryBlock.h"
#include "foundation/maps/Map.h"
#include "foundation/settings/IniExCtrl.h"
#include "foundation/strings/Str.h"
#include "raster/surface/sprite/Sprite.h"
#include "raster/text/QRKFont.h"

class ExternalDrawContext;

class CQDXCtrl {
public:
    // An empty document: no objects but the five built-ins, zero palettes, empty
    // metadata, base folder and options. Throws std::bad_alloc when the palette
    // or the settings tree cannot be had.
    CQDXCtrl();
    virtual ~CQDXCtrl() = default;

    CQDXCtrl(const CQDXCtrl&) = delete;
    CQDXCtrl& operator=(const CQDXCtrl&) = delete;

    // Inserts a kind-5 object drawn by `callback` with `context`: no factors,
    // scales 1.0, background 0, state 0; a 1 x 1 transparent canvas (Width and
    // Height 1) when the raster library is started, else no canvas and Width and
    // Height 2. False, nothing changed, when the name is refused by
    // IsValidObjectName or taken.
    bool CreateBuiltInObject(const char* name, QDXRenderCallback callback, void* context);

    // The object a reference names, or null. "_PrevObject" stands for
    // previousName; with templateNames (four names, or null) a template name
    // stands for the matching one. Then the name is looked up as it is, so a
    // literal lookup (no template names, previousName "_PrevObject") finds the
    // built-ins themselves.
    QDXObject* FindObject(const char* name, const CStr_base<64>* templateNames, const char* previousName);

    // Removes one object with everything it holds (its active mask ended first).
    // False for a missing object or a built-in. Invalidating the objects that
    // referred to it is the caller's business.
    bool DeleteObject(const char* name);

    // Draws the named object (a literal lookup) and stores a pointer to its
    // canvas in *canvas (when given). False without drawing, *canvas untouched,
    // when no such object exists; otherwise the result of QDXObject::Render.
    bool RenderObject(const char* name, CSprite** canvas, bool fast, CStr_base<64>* errorText);

    // Removes every object except the built-ins, which keep their state.
    void RemoveAllObjects();

    // Back to a new document's content: zero palettes without strips, only the
    // built-ins, empty metadata and base folder, no edited factor. ExtOptions,
    // ForceFast, ExternalDepth, the fonts and the scratch canvas stay as they
    // are.
    void Clear();

    // For every object, built-ins included: frees the editor preview's cached
    // canvases and marks the cache unused.
    void FreeCachedSprites();

    // Creates an object from a definition text of the current vocabulary. False,
    // nothing changed, when the name is refused (IsValidObjectName, empty, or
    // ending in a lone lead byte) or taken; false, the half-made object removed
    // again, when the text does not parse.
    bool AddObjectFromText(const char* name, const char* text);

    // ---- dependencies and invalidation ----

    // Every vector object (allButBitmaps: every object but bitmaps) goes back
    // to stale.
    void InvalidateObjects(bool allButBitmaps);
    // Every drawn object that depends on the name goes back to stale, and so,
    // in turn, do the objects that depend on those; not the named object
    // itself. True when any object was reset.
    bool InvalidateDependents(const char* name);
    // Every drawn object with a factor whose palette reference selects the
    // entry of reference, and their dependents, go back to stale.
    bool InvalidatePaletteUsers(uint32_t reference);
    // Adds every object that uses the named object (recursive: and the objects
    // that use those) to set, under its name.
    void CollectDependents(const char* name, CMapSingle<QDXObject*, 64, 32>& set, bool onlyEnabled, bool recursive);

    // ---- renaming ----

    // Renames an object and its factors; with rewrite every reference to the
    // old name in the document follows. record (when given) receives what an
    // undo needs: "old/new" and "/object,position" for each rewritten factor.
    bool RenameObject(const char* oldName, const char* newName, bool rewrite, CStr_base<1024>* record);
    // Undoes the rename a record describes; checks the whole record before it
    // changes anything.
    bool ApplyRenameRecord(const char* record);

    // ---- reading and writing the document text ----
    // Codes of the readers: 0 read, 1 the file cannot be opened, 2 no memory for
    // its bytes (or a file larger than kMaxDocumentFileSize), 3 the file cannot
    // be read whole, 4 not a readable document. After an unrecognised header
    // nothing has changed; after any later fault the document is cleared
    // (ExtOptions keeps its content).
    static constexpr int64_t kMaxDocumentFileSize = int64_t{1} << 30;

    // Reads a writable NUL-terminated text, which is cut in place (NUL bytes
    // replace the first byte of each section marker and the line feeds between
    // object lines). BaseFolder is empty afterwards on success.
    virtual int32_t LoadText(char* text);
    // Reads a whole file; on success BaseFolder is the file's folder.
    virtual int32_t LoadFile(const char* path);
    // Reads a copy of a constant text (2 when the copy cannot be had).
    virtual int32_t LoadString(const char* text);
    // Writes the document in format 1.2 over the file, which is replaced only
    // once the whole text is written; link paths below the file's folder are
    // written relative to it, and BaseFolder becomes that folder. False (the old
    // file untouched, BaseFolder unchanged) when anything fails.
    virtual bool SaveFile(const char* path);
    // Replaces text with the document in format 1.2 (link paths as held);
    // BaseFolder becomes empty. False when an object cannot be written: text
    // then ends with that object's name and "=".
    virtual bool SaveString(CStr_base<16384>& text);

    // ---- linked files ----

    // The full path of a linked file's stored name: taken against BaseFolder,
    // or the program's folder when the document has none.
    virtual bool ResolveExternalPath(const char* name, CStr_base<64>& fullPath, CStr_base<64>* errorText);
    // Loads a linked image file into canvas; on failure appends the reason.
    virtual bool LoadExternalImage(const char* name, CSprite& canvas, CStr_base<64>* errorText);
    // Draws the object a document link names ("file?object") into canvas; on
    // failure appends the reason.
    virtual bool RenderExternalObject(const char* reference, CSprite& canvas, CStr_base<64>* errorText);

    // ---- fields, in record order ----
    CMapSingle<QDXObject, 64, 32> Objects;
    CMapSingle<QDXObject*, 64, 32> AffectedObjects;  // filled by the editor preview
    QDXFactor* EditedFactor = nullptr;               // the factor the editor is changing
    bool EditedFactorGhosted = false;
    // The text factors' fonts, keyed by the whole font description byte for
    // byte: made on the first draw that names a font description and kept for the
    // document's lifetime (Clear and RemoveAllObjects leave them: they depend on
    // no object). A font whose creation failed is removed again.
    CMapSingle<CQRKFont, 64, 64> Fonts;
    CSprite Scratch;                      // work canvas of the text factors; only grows
    CMemoryBlock<QDXPalette> Palette;     // exactly one palette
    QDXPalette* PaletteTables = nullptr;  // the palette in Palette
    CStr_base<64> BaseFolder;             // folder of the document's file, no trailing separator; empty when none
    int32_t ExternalDepth = 0;            // nesting depth of documents opened to draw another document's object
    bool ForceFast = false;               // draw every object in fast mode
    CStr_base<16384> MetaData;            // the metadata section, verbatim
    CIniExCtrl_base<32, 32, 64> ExtOptions;

private:
    // Set on the temporary documents of one draw of another document's object:
    // the loaded files and the links being drawn, shared down the nesting (see
    // ExternalReferences.cpp). Not owned; null for every other document.
    ExternalDrawContext* m_externalDraw = nullptr;
};

// The callback of the document's built-ins: a transparent 1 x 1 canvas (Width
// and Height 1, state 0) and true once the raster library is started. Before
// that, with an error text: the out-of-memory message replaces it and the result
// is false; without one: true, nothing done. The fast flag is not used.
bool BuiltInObjectRender(QDXObject* object, bool fast, CStr_base<64>* errorText);

// The stricter rule for the name of a new object: IsValidObjectName, not
// empty, and not ending in a lone lead byte (such names cannot be read back).
bool IsStorableObjectName(const char* name) noexcept;

// The name rule: false when the name holds a slash, asterisk, question mark,
// equals sign, comma, apostrophe, double quote or backslash as a character of
// its own (the trail byte of a double-byte character never counts; a lead byte
// right before the end is a single byte). The empty name passes.
bool IsValidObjectName(const char* name) noexcept;

// Whether factors of this kind draw or use another object named by SourceName.
bool FactorKindNamesSourceObject(uint32_t kind) noexcept;

// The file name after the last "\" or "/" of path (the whole path when it has
// none). Always true.
bool ExtractFileName(const char* path, CStr_base<64>& out);

// True for "_PrevObject" exactly.
bool IsPrevObjectName(const char* name) noexcept;
// 1..4 for a template name ("_Template" and a tenth byte 1..4), else 0.
int32_t TemplateNameIndex(const char* name) noexcept;

// The name a reference stands for, with the replacements of CQDXCtrl::FindObject
// and no lookup: "_PrevObject" gives previousName, a template name with
// templateNames given gives the matching one, anything else the name itself.
const char* ResolveReferenceName(const char* name, const CStr_base<64>* templateNames, const char* previousName);

// Puts prefix in front of a referenced object name, unless the name is empty,
// "_PrevObject" or a template name (those keep referring to the same thing in
// the document the objects are copied into).
void PrefixReferenceName(const char* prefix, CStr_base<64>& name);
