#pragma once
// CIniExCtrl_base: the settings tree, the system's one store of configuration.
//
// A tree of named sections, each holding named string values, addressed by
// "/"-separated key paths such as "/QDXEditor/FastDraw". A path that begins with
// "/" starts at the root; any other path starts at the current section, which
// persists between calls. ".." moves to the parent and empty parts are skipped.
// Paths are scanned by code-page-932 characters, so the trail byte of a
// two-byte character is never taken for "/", "=" or ".".
//
// Storage: every section of a tree comes from one chunked array, and the map
// elements of all sections from two stores shared by the whole tree (one for the
// values, one for the subsection links), so a section costs two small bucket
// tables and nothing else once the arrays have grown. Removed sections and
// entries are recycled: a pointer handed out stays valid while its entry exists,
// and after a removal or Clear the same storage serves other entries.
//
// The text form (IniText.cpp) stores the tree as lines: "key=value" (the value
// escaped, see IniEscape.h), "[name]" to enter a subsection and "[EndSection]" to
// leave it, TAB-indented by depth.
//
// Damaged or hand-edited settings never end the program: a key path containing
// "=" or naming a missing section is reported as "not found" (null, false, 0).
// Names that the text form could not read back as they are (a key that begins
// with a blank or TAB or contains "=" or LF; a section named "", "EndSection", or
// containing "=" or LF) are refused by the operations that would create them.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/containers/ArrayAuto.h"
#include "foundation/containers/StrArray.h"
#include "foundation/maps/Map.h"
#include "foundation/strings/Str.h"

class IFFile;

namespace detail {

// Whether name[0..length) may name a section: it holds neither "/" nor "." at a
// character start. The same rule for AddSection and for the text reader.
bool IsIniSectionNameAllowed(const char* name, size_t length) noexcept;

}  // namespace detail

// One section: its parent (null for the root), its subsections by name and its
// values by key. Both maps draw their elements from the tree's shared stores.
template <unsigned NB, unsigned K, unsigned S>
struct IniExElement {
    IniExElement* parent = nullptr;
    CMapShared<IniExElement*, NB, K> sections;
    CMapSharedAuto<CStr_base<S>, NB, K> values;
};

template <unsigned NB, unsigned K, unsigned S>
class CIniExCtrl_base {
public:
    using Section = IniExElement<NB, K, S>;
    using Value = CStr_base<S>;
    using SectionArray = CArrayAuto<Section>;

    // An empty tree: a root section that is current, an empty current path and no
    // file name. Throws std::bad_alloc when a store cannot be made.
    CIniExCtrl_base();
    virtual ~CIniExCtrl_base();

    CIniExCtrl_base(const CIniExCtrl_base&) = delete;
    CIniExCtrl_base& operator=(const CIniExCtrl_base&) = delete;

    // --- the tree ---

    // Empties the tree down to a fresh root, which becomes current with an empty
    // current path. The file name stays.
    void Clear();

    // Makes a subsection of the current section; the current section does not
    // change. True when the subsection exists afterwards (new or old); false when
    // the name contains "/" or ".", or when a new section of that name could not
    // be written as a section line ("", "EndSection", or a name holding "=" or
    // LF).
    bool AddSection(const char* name);

    // The section a path names, or null.
    Section* FindSection(const char* path);

    // Makes the section a path names current and updates the current path;
    // false, with nothing changed, when the path names no section. An absolute
    // path is stored as written without its first "/"; a relative one is applied
    // to the stored path part by part (".." drops the last part).
    bool ChangeSection(const char* path);

    // --- values ---

    // The value of a key path, or null when the key is absent, the section is
    // missing or the path contains "=".
    Value* FindValue(const char* keyPath);

    // The value of a key path for writing, the key added when absent. A new
    // entry may be a recycled one that still holds an old text: set the value at
    // once. Null when the section is missing, the path contains "=", or the key
    // cannot be written as a value line (it begins with a blank or TAB, or holds
    // LF). Sections are never made.
    Value* GetOrAddValue(const char* keyPath);

    // GetOrAddValue, then the value becomes a copy of text; returns the stored
    // text, or null when GetOrAddValue refused.
    const char* SetString(const char* keyPath, const char* text);

    // Stores a list as the keys name[0], name[1], ... of the section the path
    // names (the last part of the path is the list name); then removes name[n],
    // name[n + 1], ... (n the list's length) up to the first index without a key,
    // and returns that index. Returns 0 and changes nothing when the path is
    // refused as by GetOrAddValue.
    int32_t SetStringList(const char* keyPath, const CStrArray_base<64>& list);

    // Replaces the list's items by the values of name[0], name[1], ... up to the
    // first missing index; returns the list's count (0, the list emptied, for a
    // refused path).
    int32_t GetStringList(const char* keyPath, CStrArray_base<64>& list);

    // --- files ---

    // Reads a settings file (UTF-16 path; null for the settings file of the user,
    // see platform/XdgPaths.h) and remembers its name. CR LF line ends are read
    // as LF. False when the file cannot be opened or read, else Parse's result.
    bool Load(const char16_t* path, bool clear);

    // Writes the whole tree to a file: the code-page-932 path (which may carry
    // escapes), or for null the remembered file name; an empty name means the
    // user's settings file, whose folder is made when missing. The new text
    // replaces the file only once it is completely written; on any failure the
    // old file stays as it was and the result is false. Lines end with LF, except
    // that a line ending in CR (a value can) gets CR LF after it, since loading
    // reads CR LF as LF.
    bool Save(const char* path);

    // --- text form ---

    // Reads a NUL-terminated settings text into the tree (emptied first when
    // `clear`). True when the whole text was read, and the root is then current;
    // false at "[EndSection]" in the root or at a section name containing "/" or
    // ".", with what was read before kept and the current section where reading
    // stopped. "[]" makes no section (the empty name is no path): the lines up to
    // its own "[EndSection]" belong to the section around it.
    bool Parse(const char* text, bool clear);

    // Writes a section and everything below it at `depth` (0 for the root).
    // False when a write fails.
    bool WriteSection(IFFile& file, Section* section, int32_t depth);

    // The same text appended to `out`; `noIndent` leaves out every TAB.
    bool WriteSectionToString(CStr_base<1024>& out, Section* section, int32_t depth, bool noIndent);

    // --- state ---

    Section* GetRoot() noexcept { return m_root; }
    Section* GetCurrentSection() noexcept { return m_current; }
    const CStr_base<64>& GetCurrentPath() const noexcept { return m_currentPath; }
    // Sets the current section and its path text directly (for owners that have
    // already found the section). The path is stored as given.
    void SetCurrentSection(Section* section, const char* path) {
        SetCurrentPath(path);
        m_current = section;
    }
    // The code-page-932 name (with escapes) of the file last loaded; empty when
    // none, or when the name could not be represented.
    const CStr_base<64>& GetFileName() const noexcept { return m_fileName; }

    // --- the sections array's callbacks ---

    // Attaches the tree's stores to sections coming into use that have none yet.
    static bool OnSectionsAdded(Section** slots, uint32_t count, uint64_t user, SectionArray* array);
    // Empties sections leaving use and removes their subtrees from the array.
    static void OnSectionsRemoved(Section** slots, uint32_t count, uint64_t user, SectionArray* array);

private:
    Section* ResolveSection(const char* path, size_t length);
    Section* ResolveKeyPath(const char* keyPath, const char** key);
    void ApplyRelativePath(const char* path);
    void SetCurrentPath(const char* path);
    void SplitCurrentPath();
    Section* MakeSubsection(const char* name);
    template <class Sink>
    bool WriteTree(Sink& sink, Section* section, int32_t depth, bool indent);

    // Sections whose contents are still to be removed; lets OnSectionsRemoved
    // take a subtree of any depth apart without recursion. Declared before the
    // sections array, whose destruction runs that callback.
    std::vector<Section*> m_pendingRemoval;
    bool m_removing = false;

    CMapSharedCarry<Value, K> m_valueStore;
    CMapSharedCarry<Section*, K> m_sectionStore;
    SectionArray m_sections;
    Section* m_current = nullptr;
    CStr_base<64> m_currentPath;
    Section* m_root = nullptr;
    CStr_base<64> m_fileName;
    // Where each part of the current path starts, as the path splits at "/".
    std::vector<uint32_t> m_pathParts{0};
};

extern template class CIniExCtrl_base<32, 32, 64>;
