// Linked files: image links (kind 3) and links to an object of another
// document (kind 4, "file?object").
//
// Stored link names keep the text the user gave them ("img\a.png",
// "..\parts.qdx?Leaf", an absolute path). A relative name is joined explicitly
// to the document's folder, or to the program's folder for a document that has
// none; the process's current directory is never read or changed. When no full
// path can be formed the link fails with the message of a file that cannot be
// loaded.
//
// A document link is drawn by loading the other file into a temporary document
// one nesting level deeper and rendering the object there. Files that link into
// each other, or into themselves, would be read again at every level: a file
// with N links back into itself was read N^10 times before the depth limit
// stopped the descent. So the outermost draw owns an ExternalDrawContext that
// every temporary document it makes shares:
//   - each file is loaded once per outermost draw and its document reused by
//     every link into it, its depth set to the asking document's plus one for
//     the time of the draw;
//   - a (file, object) pair asked for again while it is still being drawn is a
//     cycle, refused at once with the depth message.
// The limit of ten nesting levels stays as a bound on chains of distinct files.
#include <memory>
#include <string>
#include <vector>

#include "document/links/LinkPaths.h"
#include "document/model/QDXCtrl.h"
#include "foundation/containers/StrArray.h"
#include "foundation/pattern/StrRegexMatch.h"
#include "foundation/strings/UStr.h"
#include "imagefiles/ImageFiles.h"
#include "platform/XdgPaths.h"
#include "raster/surface/sprite/RasterLibrary.h"

// What the documents of one outermost draw of a document link share.
class ExternalDrawContext {
public:
    struct LoadedFile {
        CStr_base<64> path;  // full path, as the resolver formed it
        std::unique_ptr<CQDXCtrl> document;
        int32_t loadResult = 0;  // CQDXCtrl::LoadFile's code; the document is usable only at 0
    };
    // One link being drawn: pointers to strings that live until its draw ends.
    struct ActiveLink {
        const CStr_base<64>* path;
        const CStr_base<64>* object;
    };

    LoadedFile* Find(const CStr_base<64>& path) {
        for (const std::unique_ptr<LoadedFile>& file : files)
            if (file->path == path.GetText()) return file.get();
        return nullptr;
    }
    bool IsBeingDrawn(const CStr_base<64>& path, const CStr_base<64>& object) const {
        for (const ActiveLink& link : active)
            if (*link.path == path.GetText() && *link.object == object.GetText()) return true;
        return false;
    }

    // Files stay where they are while documents inside them draw.
    std::vector<std::unique_ptr<LoadedFile>> files;
    std::vector<ActiveLink> active;
};

namespace {

// "外部画像ファイル\""
constexpr char kFileOpen[] = "\x8A\x4F\x95\x94\x89\xE6\x91\x9C\x83\x74\x83\x40\x83\x43\x83\x8B\"";
// "\"を読み込めませんでした。\n(完全名\""
constexpr char kCannotLoad[] =
    "\"\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42\n("
    "\x8A\xAE\x91\x53\x96\xBC\"";
constexpr char kCannotLoadEnd[] = "\")\n";
// "外部参照関係が複雑すぎるため読み込めませんでした。\n"
constexpr char kTooDeep[] =
    "\x8A\x4F\x95\x94\x8E\x51\x8F\xC6\x8A\xD6\x8C\x57\x82\xAA\x95\xA1\x8E\x47\x82\xB7\x82\xAC\x82\xE9\x82\xBD"
    "\x82\xDF\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42\n";
// "外部参照名が無効です。\n"
constexpr char kInvalidReference[] = "\x8A\x4F\x95\x94\x8E\x51\x8F\xC6\x96\xBC\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7\x81\x42\n";
// "\"内の\n\""
constexpr char kInside[] = "\"\x93\xE0\x82\xCC\n\"";
// "\"が見つかりません。\n"
constexpr char kNotFound[] = "\"\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "\"の描画に以下の理由で失敗しました。\n"
constexpr char kRenderFailed[] =
    "\"\x82\xCC\x95\x60\x89\xE6\x82\xC9\x88\xC8\x89\xBA\x82\xCC\x97\x9D\x97\x52\x82\xC5\x8E\xB8\x94\x73\x82\xB5"
    "\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "メモリ不足のため描画できません。\n"
constexpr char kNoMemory[] =
    "\x83\x81\x83\x82\x83\x8A\x95\x73\x91\xAB\x82\xCC\x82\xBD\x82\xDF\x95\x60\x89\xE6\x82\xC5\x82\xAB\x82\xDC"
    "\x82\xB9\x82\xF1\x81\x42\n";

void AppendCannotLoad(CStr_base<64>* errorText, const char* fullPath) {
    if (errorText == nullptr) return;
    CStr_base<64> file;
    ExtractFileName(fullPath, file);
    errorText->Append(kFileOpen).AppendString(file).Append(kCannotLoad).Append(fullPath).Append(kCannotLoadEnd);
}

// The start of "the object inside the file" messages: file name, then object.
void AppendInside(CStr_base<64>& errorText, const CStr_base<64>& fullPath, const CStr_base<64>& object) {
    CStr_base<64> file;
    ExtractFileName(fullPath.GetText(), file);
    errorText.Append(kFileOpen).AppendString(file).Append(kInside).AppendString(object);
}

// The folder of the running program in stored-path form; false when the
// system does not say where the program is.
bool ProgramFolder(CStr_base<64>& out) {
    std::string folder;
    return platform::ProgramFolder(folder) && PathFromSystem(folder.c_str(), out);
}

// Restores a document's nesting depth when a reused document's draw ends.
class DepthScope {
public:
    DepthScope(CQDXCtrl& document, int32_t depth) : m_document(document), m_saved(document.ExternalDepth) {
        document.ExternalDepth = depth;
    }
    ~DepthScope() { m_document.ExternalDepth = m_saved; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;

private:
    CQDXCtrl& m_document;
    int32_t m_saved;
};

// Marks a (file, object) pair as being drawn for the life of the scope.
class ActiveLinkScope {
public:
    ActiveLinkScope(ExternalDrawContext& context, const CStr_base<64>& path, const CStr_base<64>& object)
        : m_context(context) {
        context.active.push_back({&path, &object});
    }
    ~ActiveLinkScope() { m_context.active.pop_back(); }
    ActiveLinkScope(const ActiveLinkScope&) = delete;
    ActiveLinkScope& operator=(const ActiveLinkScope&) = delete;

private:
    ExternalDrawContext& m_context;
};

}  // namespace

bool ResolveLinkPathIn(const char* folder, const char* name, CStr_base<64>& full) {
    CStr_base<64> joined;
    if (IsRootedLinkPath(name)) {
        joined.Assign(name);
    } else {
        if (folder[0] == 0) return false;
        joined.Assign(folder).Append("/").Append(name);
    }
    return MakeFullPath(joined.GetText(), full);
}

bool CQDXCtrl::ResolveExternalPath(const char* name, CStr_base<64>& fullPath, CStr_base<64>* errorText) {
    CStr_base<64> programFolder;
    if (BaseFolder.IsEmpty() && !IsRootedLinkPath(name)) ProgramFolder(programFolder);
    const char* folder = BaseFolder.IsEmpty() ? programFolder.GetText() : BaseFolder.GetText();
    CStr_base<64> full;
    if (!ResolveLinkPathIn(folder, name, full)) {
        // No path to look at: reported as the file that cannot be loaded, under
        // the name as stored.
        AppendCannotLoad(errorText, name);
        return false;
    }
    fullPath = std::move(full);
    return true;
}

bool CQDXCtrl::LoadExternalImage(const char* name, CSprite& canvas, CStr_base<64>* errorText) {
    CStr_base<64> fullPath;
    if (!ResolveExternalPath(name, fullPath, errorText)) return false;
    if (LoadImageFile(fullPath.GetText(), canvas)) return true;
    AppendCannotLoad(errorText, fullPath.GetText());
    return false;
}

bool CQDXCtrl::RenderExternalObject(const char* reference, CSprite& canvas, CStr_base<64>* errorText) {
    if (ExternalDepth > 9) {
        if (errorText != nullptr) errorText->Append(kTooDeep);
        return false;
    }
    CStrArray_base<64> parts;
    if (parts.Split(reference, "?") != 2) {
        if (errorText != nullptr) errorText->Append(kInvalidReference);
        return false;
    }
    const CStr_base<64>& objectName = *parts.GetAt(1);
    CStr_base<64> fullPath;
    if (!ResolveExternalPath(parts.GetAt(0)->GetText(), fullPath, errorText)) return false;

    // The outermost draw owns the context; the temporary documents share it.
    std::unique_ptr<ExternalDrawContext> ownContext;
    ExternalDrawContext* context = m_externalDraw;
    if (context == nullptr) {
        ownContext = std::make_unique<ExternalDrawContext>();
        context = ownContext.get();
    }
    if (context->IsBeingDrawn(fullPath, objectName)) {
        if (errorText != nullptr) errorText->Append(kTooDeep);
        return false;
    }

    ExternalDrawContext::LoadedFile* file = context->Find(fullPath);
    if (file == nullptr) {
        auto loaded = std::make_unique<ExternalDrawContext::LoadedFile>();
        loaded->path = fullPath;
        loaded->document = std::make_unique<CQDXCtrl>();
        loaded->document->ExternalDepth = ExternalDepth + 1;
        loaded->document->m_externalDraw = context;
        // The load sets the other document's folder, so its own links resolve
        // against the place it lives in.
        loaded->loadResult = loaded->document->LoadFile(fullPath.GetText());
        context->files.push_back(std::move(loaded));
        file = context->files.back().get();
    }
    if (file->loadResult != 0) {
        AppendCannotLoad(errorText, fullPath.GetText());
        return false;
    }
    CQDXCtrl& other = *file->document;

    // A literal lookup: "_PrevObject" finds the other document's built-in.
    QDXObject* object = other.FindObject(objectName.GetText(), nullptr, "_PrevObject");
    if (object == nullptr) {
        if (errorText != nullptr) {
            AppendInside(*errorText, fullPath, objectName);
            errorText->Append(kNotFound);
        }
        return false;
    }

    {
        const ActiveLinkScope drawing(*context, fullPath, objectName);
        const DepthScope depth(other, ExternalDepth + 1);
        CStr_base<64> renderError;
        if (!object->Render(false, &renderError)) {
            if (errorText != nullptr) {
                AppendInside(*errorText, fullPath, objectName);
                errorText->Append(kRenderFailed).AppendString(renderError);
            }
            return false;
        }
    }

    canvas.Release();
    const CSprite& drawn = object->Canvas;
    const int32_t w = drawn.GetWidth();
    const int32_t h = drawn.GetHeight();
    if (!IsSpriteSizeAllowed(w, h) || RasterPixelMode != 1 || !canvas.Create(w, h, true)) {
        if (errorText != nullptr) errorText->Append(kNoMemory);
        return false;
    }
    canvas.DrawCopy(0, 0, drawn, 0, 0, w, h);
    return true;
}

bool QDXObject::MakeLinkPathAbsolute() {
    if ((Kind != kImageLink && Kind != kDocumentLink) || Owner == nullptr) return true;
    // A document reference is resolved whole: its "?object" part stays after
    // the file's full path. A name that cannot be resolved keeps its stored text.
    CStr_base<64> full;
    if (Owner->ResolveExternalPath(LinkPath.GetText(), full, nullptr)) LinkPath = std::move(full);
    return true;
}

bool ExtractFileName(const char* path, CStr_base<64>& out) {
    // An optional folder part up to the last "\" or "/", then the name as capture 0.
    static const char kNamePattern[] = "%0,1(%*j%[\\/%]%)%{%*j%P%![. %]%j%}";
    CStrArray_base<64> captures;
    if (StrRegexMatch(path, kNamePattern, "s", &captures) > 0 && captures.GetCount() != 0) {
        out = *captures.GetAt(0);
    } else if (path != out.GetText()) {
        CStr_base<64> whole(path);  // path may lie inside out's own buffer
        out = std::move(whole);
    }
    return true;
}
