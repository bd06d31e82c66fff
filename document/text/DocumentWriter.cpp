// Writing a CQDXCtrl as document text, always in format 1.2:
//
//   "QDXTextFormat1.2\n[Palette]\n" palette "\n[QDXObject]\n"
//   name "=" definition "\n"   (every object but the built-ins, in map order)
//   "[MetaData]\n" metadata ["\n[ExtOption]\n" options]
//
// A file is written through CAtomicFile: the old file is replaced only once the
// whole new text is on disk, so a failure anywhere leaves it as it was.
//
// Link paths in a file. A link path below the file's folder is written relative
// to it. A relative link path names a file from the document's present folder;
// when the file goes to another folder (Save As) and the same name would there
// name another file, the link is written as the full path it names now, or
// relative to the new folder when that lies below it. Once the file is written
// the links in memory take the written text, so that the document goes on
// resolving every link to the file it resolved to before.
#include <cstring>
#include <utility>
#include <vector>

#include "document/links/LinkPaths.h"
#include "document/model/QDXCtrl.h"
#include "document/text/ObjectText.h"
#include "document/text/TextLexer.h"
#include "foundation/files/AtomicFile.h"
#include "foundation/strings/UStr.h"

namespace {

constexpr char kHeader[] = "QDXTextFormat1.2\n[Palette]\n";
constexpr char kObjectMarker[] = "\n[QDXObject]\n";
constexpr char kMetaDataLine[] = "[MetaData]\n";
constexpr char kOptionsMarker[] = "\n[ExtOption]\n";

// Collects the text in a string; a file sink hands it on in large blocks.
class TextSink {
public:
    explicit TextSink(CStr_base<16384>& text, IFFile* file) : m_text(text), m_file(file) {}

    void Append(const char* text) { Put(text, std::strlen(text)); }
    template <unsigned N>
    void Append(const CStr_base<N>& text) {
        Put(text.GetText(), size_t(text.GetLength()));
    }
    // Hands the collected text to the file; false when a write failed (then
    // and ever after).
    bool Flush() {
        if (m_file == nullptr || m_failed) return !m_failed;
        if (m_text.GetLength() != 0 && m_file->Write(m_text.GetText(), uint32_t(m_text.GetLength())) != 0)
            m_failed = true;
        m_text.SetLength(0);
        return !m_failed;
    }

private:
    static constexpr int32_t kBlock = 1 << 20;

    void Put(const char* text, size_t length) {
        m_text.AppendBytesN(text, int32_t(length));
        if (m_file != nullptr && m_text.GetLength() >= kBlock) Flush();
    }

    CStr_base<16384>& m_text;
    IFFile* m_file;
    bool m_failed = false;
};

// The rest of path after folder and one separator, or null when the path is
// not below the folder. "/" and "\" count as the same separator.
const char* PathBelow(const char* path, const char* folder) noexcept {
    const auto* p = reinterpret_cast<const unsigned char*>(path);
    const auto* f = reinterpret_cast<const unsigned char*>(folder);
    auto isSeparator = [](unsigned char c) { return c == '/' || c == '\\'; };
    while (*f != 0) {
        if (*p != *f && !(isSeparator(*p) && isSeparator(*f))) return nullptr;
        if (IsCp932Lead(*f) && f[1] != 0) {
            if (p[1] != f[1]) return nullptr;
            ++p;
            ++f;
        }
        ++p;
        ++f;
    }
    if (!isSeparator(*p)) return nullptr;
    return reinterpret_cast<const char*>(p + 1);
}

// Relative links whose text in the written file differs from their text in
// memory, with the written text.
using MovedLinks = std::vector<std::pair<QDXObject*, CStr_base<64>>>;

// The link path of object as a file in folder holds it. moved receives the
// relative links whose text changes.
const char* LinkPathForFolder(CQDXCtrl& document, QDXObject& object, const char* folder, MovedLinks& moved) {
    const char* stored = object.LinkPath.GetText();
    if (IsRootedLinkPath(stored)) {
        const char* relative = PathBelow(stored, folder);
        return relative != nullptr ? relative : stored;
    }
    CStr_base<64> named, fromNewFolder;
    if (!document.ResolveExternalPath(stored, named, nullptr)) return stored;
    if (ResolveLinkPathIn(folder, stored, fromNewFolder) && fromNewFolder == named.GetText()) return stored;
    CStr_base<64> written;
    const char* relative = PathBelow(named.GetText(), folder);
    written.Assign(relative != nullptr ? relative : named.GetText());
    moved.emplace_back(&object, std::move(written));
    return moved.back().second.GetText();
}

// The whole document into the sink; linkFolder (or null) is the folder of the
// file written, for which link paths are placed (moved receives the links
// whose text changes). False when a section cannot be produced; the sink then
// ends with the header, or with the failing object's name and "=".
bool WriteDocument(CQDXCtrl& document, TextSink& sink, const char* linkFolder, MovedLinks* moved) {
    sink.Append(kHeader);
    CStr_base<16384> scratch;
    if (!document.PaletteTables->WriteText(scratch)) return false;
    sink.Append(scratch);
    sink.Append(kObjectMarker);

    CMapPosition pos;
    document.Objects.GetFirst(pos);
    for (auto* element = document.Objects.GetElement(pos); element != nullptr;
         document.Objects.GetNext(pos), element = document.Objects.GetElement(pos)) {
        QDXObject& object = element->GetValue();
        if (object.Kind == QDXObject::kBuiltIn) continue;
        sink.Append(element->GetKey());
        sink.Append("=");
        const bool isLink = object.Kind == QDXObject::kImageLink || object.Kind == QDXObject::kDocumentLink;
        const bool written = isLink && linkFolder != nullptr
                                 ? WriteLinkDefinition(object.Kind,
                                                       LinkPathForFolder(document, object, linkFolder, *moved), scratch)
                                 : object.WriteText(scratch);
        if (!written) return false;
        sink.Append(scratch);
        sink.Append("\n");
    }

    sink.Append(kMetaDataLine);
    sink.Append(document.MetaData);
    CStr_base<1024> options;
    document.ExtOptions.WriteSectionToString(options, document.ExtOptions.GetRoot(), 0, true);
    if (!options.IsEmpty()) {
        sink.Append(kOptionsMarker);
        sink.Append(options);
    }
    return true;
}

}  // namespace

bool CQDXCtrl::SaveString(CStr_base<16384>& text) {
    text.SetLength(0);
    TextSink sink(text, nullptr);
    if (!WriteDocument(*this, sink, nullptr, nullptr)) return false;
    BaseFolder.Free();
    return true;
}

bool CQDXCtrl::SaveFile(const char* path) {
    CAtomicFile file;
    if (file.Open(path, "wb", 32) != 0) return false;

    // The folder of the target, without a trailing separator.
    CStr_base<64> folder;
    if (MakeFullPath(path, folder)) CutAtLastPathSeparator(folder);

    CStr_base<16384> pending;
    TextSink sink(pending, &file);
    MovedLinks moved;
    if (!WriteDocument(*this, sink, folder.IsEmpty() ? nullptr : folder.GetText(), &moved)) return false;
    if (!sink.Flush() || file.Commit() != 0) return false;
    for (auto& [object, written] : moved) object->LinkPath = std::move(written);
    BaseFolder = std::move(folder);
    return true;
}
