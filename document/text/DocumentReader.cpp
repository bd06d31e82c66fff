// Reading document text into a CQDXCtrl.
//
// Header, then the palette text up to "\n[QDXObject]\n", then one object line
// (name "=" definition) per line up to "\n[MetaData]\n", the metadata text, and
// in formats 1.1 and 1.2 "\n[ExtOption]\n" with the options in the settings
// text form. The text is cut in place: section markers and line feeds become
// NUL bytes and definitions are parsed straight from the buffer.
//
// Once the header is recognised the document is either read whole or cleared;
// ExtOptions keeps its content through a failure.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "document/model/QDXCtrl.h"
#include "document/text/NumberScan.h"
#include "document/text/TextLexer.h"
#include "foundation/files/SFile.h"
#include "foundation/strings/UStr.h"

namespace {

constexpr char kHeader10[] = "QDXTextFormat1.0\n[Pallet]\n";
constexpr char kHeader11[] = "QDXTextFormat1.1\n[Pallet]\n";
constexpr char kHeader12[] = "QDXTextFormat1.2\n[Palette]\n";
constexpr char kObjectMarker[] = "\n[QDXObject]\n";
constexpr char kMetaDataMarker[] = "\n[MetaData]\n";
// The metadata marker at the very start of the object section: the writer's
// form of a document without objects.
constexpr char kMetaDataLine[] = "[MetaData]\n";
constexpr char kOptionsMarker[] = "\n[ExtOption]\n";

constexpr int32_t kLoaded = 0;
constexpr int32_t kCannotOpen = 1;
constexpr int32_t kNoMemory = 2;
constexpr int32_t kShortRead = 3;
constexpr int32_t kNotADocument = 4;

// Whether p starts a character of the text that starts at `text`: the run of
// lead-byte values right before it is even (the byte before the run, if any,
// ends a character whatever it is, and the run pairs up from there).
bool StartsCharacter(const char* text, const char* p) noexcept {
    size_t run = 0;
    while (p - run > text && IsCp932Lead(static_cast<unsigned char>(p[-1 - std::ptrdiff_t(run)]))) ++run;
    return run % 2 == 0;
}

// The first c (not NUL) of the text at a character start, or null: as FindChar,
// with the library's byte search finding the candidates. Every candidate that
// is rejected is a trail byte, and the run looked back over ends at a byte that
// is not a lead-byte value, so the whole search reads each byte a bounded
// number of times.
char* FindCharStart(char* text, char c) noexcept {
    for (char* p = text;; ++p) {
        p = std::strchr(p, c);
        if (p == nullptr || StartsCharacter(text, p)) return p;
    }
}

// The first occurrence of a pattern at a character start, or null: as
// FindSubstring. Patterns here begin with a line feed, which is no lead byte.
char* FindTextStart(char* text, const char* pattern) noexcept {
    for (char* p = text;; ++p) {
        p = std::strstr(p, pattern);
        if (p == nullptr || StartsCharacter(text, p)) return p;
    }
}

// Reads a palette text: as it is, or (older wording) with every "Pallet" read
// as "Palette"; format 1.0 reads only the replaced copy when the text came
// before an object section, and only the text itself for a palette-only
// document.
bool ReadPalette(QDXPalette& palette, const char* text, bool tryPlain, bool tryReplaced) {
    if (tryPlain && palette.ParseText(text)) return true;
    if (!tryReplaced) return false;
    CStr_base<16384> copy(text);
    CStr_base<16384> scratch;
    copy.ReplaceAll("Pallet", "Palette", scratch);
    return palette.ParseText(copy.GetText());
}

// Applies a document-wide switch of the options: a value that scans as a
// number v >= 0 sets the flag of every object of the kind to (v == 1).
template <class F>
void ApplySwitch(CIniExCtrl_base<32, 32, 64>& options, const char* key, CMapSingle<QDXObject, 64, 32>& objects,
                 int32_t kind, F set) {
    const auto* value = options.FindValue(key);
    int32_t v = 0;
    if (value == nullptr || !ScanInt(value->GetText(), v) || v < 0) return;
    objects.ForEach([&](const char*, QDXObject& object) {
        if (object.Kind == kind) set(object, v == 1);
    });
}

}  // namespace

int32_t CQDXCtrl::LoadText(char* text) {
    int32_t format;
    const char* body;
    if (KeywordPrefixMatch(text, kHeader10)) {
        format = 10;
        body = text + sizeof kHeader10 - 1;
    } else if (KeywordPrefixMatch(text, kHeader12)) {
        format = 12;
        body = text + sizeof kHeader12 - 1;
    } else if (KeywordPrefixMatch(text, kHeader11)) {
        format = 11;
        body = text + sizeof kHeader11 - 1;
    } else {
        return kNotADocument;
    }
    const bool legacy = format == 10;
    char* const bodyText = text + (body - text);

    try {
        char* const objectMarker = FindTextStart(bodyText, kObjectMarker);
        if (objectMarker == nullptr) {
            // A palette-only document.
            if (!ReadPalette(*PaletteTables, bodyText, true, !legacy)) {
                Clear();
                return kNotADocument;
            }
            RemoveAllObjects();
            MetaData.Free();
            BaseFolder.Free();
            ExtOptions.Clear();
            return kLoaded;
        }
        *objectMarker = 0;
        if (!ReadPalette(*PaletteTables, bodyText, !legacy, true)) {
            Clear();
            return kNotADocument;
        }
        RemoveAllObjects();

        char* section = objectMarker + sizeof kObjectMarker - 1;
        char* metaData = nullptr;
        if (KeywordPrefixMatch(section, kMetaDataLine)) {
            // No object lines at all, as written for a document without objects.
            metaData = section + sizeof kMetaDataLine - 1;
            *section = 0;
        } else {
            if (char* metaMarker = FindTextStart(section, kMetaDataMarker)) {
                *metaMarker = 0;
                metaData = metaMarker + sizeof kMetaDataMarker - 1;
            }
            char* line = section;
            CStr_base<64> name;
            for (;;) {
                char* const lineEnd = FindCharStart(line, '\n');
                char* next = nullptr;
                if (lineEnd != nullptr) {
                    *lineEnd = 0;
                    next = lineEnd + 1;
                }
                const char* const equals = FindCharStart(line, '=');
                if (equals == nullptr || equals - line > INT32_MAX) {
                    Clear();
                    return kNotADocument;
                }
                name.AssignBytesN(line, int32_t(equals - line));
                QDXObject* object = nullptr;
                if (!IsStorableObjectName(name.GetText()) ||
                    !Objects.Insert(name.GetText(), &object)) {
                    Clear();
                    return kNotADocument;
                }
                object->Name.AssignString(name);
                object->Owner = this;
                object->CompleteSave = true;
                const char* definition = equals + 1;
                if (!(legacy ? object->ParseLegacyText(definition) : object->ParseText(definition))) {
                    DeleteObject(name.GetText());
                    Clear();
                    return kNotADocument;
                }
                if (next == nullptr) break;
                line = next;
            }
        }

        BaseFolder.Free();
        if (metaData == nullptr) {
            MetaData.Free();
            ExtOptions.Clear();
            return kLoaded;
        }
        if (!legacy) {
            const int32_t optionsAt = FindSubstring(metaData, kOptionsMarker);
            if (optionsAt >= 0) {
                metaData[optionsAt] = 0;
                MetaData.Assign(metaData);
                // A malformed options text does not fail the load.
                ExtOptions.Parse(metaData + optionsAt + sizeof kOptionsMarker - 1, true);
                ExtOptions.SetCurrentSection(ExtOptions.GetRoot(), "");
                ApplySwitch(ExtOptions, "/AllVecFastDraw", Objects, QDXObject::kVector,
                            [](QDXObject& object, bool on) { object.FastDraw = on; });
                ApplySwitch(ExtOptions, "/AllBmpCompleteSave", Objects, QDXObject::kBitmap,
                            [](QDXObject& object, bool on) { object.CompleteSave = on; });
                return kLoaded;
            }
        }
        MetaData.Assign(metaData);
        ExtOptions.Clear();
        return kLoaded;
    } catch (...) {
        // Memory ran out (or a size passed a string's limit) part way: the
        // document is cleared as after any other fault.
        Clear();
        return kNotADocument;
    }
}

int32_t CQDXCtrl::LoadFile(const char* path) {
    CSFile file;
    if (file.Open(path, "rb", 32) != 0) return kCannotOpen;
    int64_t size = 0;
    if (file.GetSize(size) != 0) return kShortRead;
    if (size < 0 || size > kMaxDocumentFileSize) return kNoMemory;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size_t(size) + 2]);
    if (buffer == nullptr) return kNoMemory;
    uint64_t total = 0;
    while (total < uint64_t(size)) {
        const uint32_t got = file.Read(buffer.get() + total, uint32_t(uint64_t(size) - total));
        if (got == 0) break;
        total += got;
    }
    if (total != uint64_t(size)) return kShortRead;
    buffer[size_t(size)] = 0;
    buffer[size_t(size) + 1] = 0;
    file.Close();

    const int32_t result = LoadText(buffer.get());
    if (result == kLoaded) {
        try {
            CStr_base<64> full;
            if (MakeFullPath(path, full)) {
                CutAtLastPathSeparator(full);
                BaseFolder = std::move(full);
            }
        } catch (...) {
            // Without memory for the folder the document stays loaded, with no base folder.
        }
    }
    return result;
}

int32_t CQDXCtrl::LoadString(const char* text) {
    const size_t length = std::strlen(text);
    std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
    if (copy == nullptr) return kNoMemory;
    std::memcpy(copy.get(), text, length + 1);
    return LoadText(copy.get());
}
