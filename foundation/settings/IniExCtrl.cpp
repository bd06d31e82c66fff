#include "foundation/settings/IniExCtrl.h"

#include <cstring>
#include <new>

#include "foundation/strings/Format.h"

namespace {

// A part of a path as a NUL-terminated key: short parts live on the stack, long
// ones in a string.
class PartKey {
public:
    PartKey(const char* text, size_t length) {
        if (length < sizeof m_small) {
            std::memcpy(m_small, text, length);
            m_small[length] = 0;
            m_text = m_small;
        } else {
            m_large.AssignBytesN(text, int32_t(length));
            m_text = m_large.GetText();
        }
    }
    const char* Get() const noexcept { return m_text; }

private:
    char m_small[128];
    CStr_base<64> m_large;
    const char* m_text;
};

// The next character boundary after position i of text[0..length).
inline size_t NextChar(const char* text, size_t i, size_t length) noexcept {
    const size_t step = IsCp932Lead(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i + step < length ? i + step : length;
}


// Whether text[0..length), scanned by characters from its start, ends in a lead
// byte without its second byte.
bool EndsInLoneLead(const char* text, size_t length) noexcept {
    // A byte that is no lead byte always ends a character, so only the parity
    // of the run of lead-range bytes at the end matters.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    size_t leads = 0;
    while (leads < length && IsCp932Lead(p[length - 1 - leads])) ++leads;
    return (leads & 1) != 0;
}

template <class Map>
bool HasEntries(const Map& map) noexcept {
    for (uint32_t b = 0; b < Map::kBuckets; ++b) {
        if (map.GetBucketHead(b) != nullptr) return true;
    }
    return false;
}

bool IsDotDot(const char* part, size_t length) noexcept { return length == 2 && part[0] == '.' && part[1] == '.'; }

// Calls visit(part, partLength) for every non-empty part of path[from..length) in
// order, the parts split at each "/" found at a character start, until visit
// returns false. Returns false when visit did.
template <class Visit>
bool ForEachPathPart(const char* path, size_t from, size_t length, Visit visit) {
    size_t i = from;
    while (i < length) {
        size_t end = i;
        while (end < length && path[end] != '/') end = NextChar(path, end, length);
        if (end != i && !visit(path + i, end - i)) return false;
        i = end + 1;
    }
    return true;
}

// A key the text form reads back as written: a value line loses leading blanks
// and TABs of its key, ends at LF and splits at the first "=".
bool IsWritableKey(const char* key) noexcept {
    if (key[0] == ' ' || key[0] == '\t') return false;
    for (const char* p = key; *p != 0; ++p) {
        if (*p == '\n' || *p == '=') return false;
    }
    return true;
}

// A section name the text form reads back as written: "[]" does not enter the
// section, "[EndSection]" ends one, a line with "=" is a value line and LF ends
// the line.
bool IsWritableSectionName(const char* name) noexcept {
    if (name[0] == 0 || std::strcmp(name, "EndSection") == 0) return false;
    for (const char* p = name; *p != 0; ++p) {
        if (*p == '\n' || *p == '=') return false;
    }
    return true;
}

}  // namespace

bool detail::IsIniSectionNameAllowed(const char* name, size_t length) noexcept {
    for (size_t i = 0; i < length; i = NextChar(name, i, length)) {
        if (name[i] == '/' || name[i] == '.') return false;
    }
    return true;
}

template <unsigned NB, unsigned K, unsigned S>
CIniExCtrl_base<NB, K, S>::CIniExCtrl_base() {
    if (!m_valueStore.Create() || !m_sectionStore.Create()) throw std::bad_alloc();
    m_sections.SetAddCallback(&OnSectionsAdded);
    m_sections.SetRemoveCallback(&OnSectionsRemoved);
    m_sections.SetUserValue(reinterpret_cast<uintptr_t>(this));
    m_root = m_sections.AddNew();
    m_root->parent = nullptr;
    m_current = m_root;
}

template <unsigned NB, unsigned K, unsigned S>
CIniExCtrl_base<NB, K, S>::~CIniExCtrl_base() {
    Clear();
    // The sections (and with them their map references) go before the stores'
    // own references, as the member order gives.
}

template <unsigned NB, unsigned K, unsigned S>
void CIniExCtrl_base<NB, K, S>::Clear() {
    // Every section in use belongs to the one tree, so emptying all of them
    // takes the whole tree apart in one pass, however deep it is.
    for (Section* section : m_sections) {
        section->values.RemoveAll();
        section->sections.RemoveAll();
    }
    m_sections.RemoveAll();
    m_root = m_sections.AddNew();
    m_root->parent = nullptr;
    m_current = m_root;
    SetCurrentPath("");
}

template <unsigned NB, unsigned K, unsigned S>
bool CIniExCtrl_base<NB, K, S>::OnSectionsAdded(Section** slots, uint32_t count, uint64_t user, SectionArray*) {
    auto* tree = reinterpret_cast<CIniExCtrl_base*>(static_cast<uintptr_t>(user));
    for (uint32_t i = 0; i < count; ++i) {
        Section* section = slots[i];
        // Attaching takes the section's reference on the store.
        if (section->values.GetStore() == nullptr) section->values.AttachStore(tree->m_valueStore.GetStore());
        if (section->sections.GetStore() == nullptr) section->sections.AttachStore(tree->m_sectionStore.GetStore());
    }
    return true;
}

template <unsigned NB, unsigned K, unsigned S>
void CIniExCtrl_base<NB, K, S>::OnSectionsRemoved(Section** slots, uint32_t count, uint64_t user, SectionArray* array) {
    auto* tree = reinterpret_cast<CIniExCtrl_base*>(static_cast<uintptr_t>(user));
    for (uint32_t i = 0; i < count; ++i) {
        Section* section = slots[i];
        section->values.RemoveAll();
        if (HasEntries(section->sections)) tree->m_pendingRemoval.push_back(section);
    }
    // Removing a subsection below runs this callback again; that inner call only
    // queues, and this loop takes the queued sections apart one by one, so a
    // subtree of any depth goes without recursion.
    if (tree->m_removing) return;
    tree->m_removing = true;
    try {
        while (!tree->m_pendingRemoval.empty()) {
            Section* section = tree->m_pendingRemoval.back();
            tree->m_pendingRemoval.pop_back();
            CMapPosition pos;
            section->sections.GetFirst(pos);
            while (section->sections.IsCurrent(pos)) {
                Section* child = section->sections.GetElement(pos)->GetValue();
                section->sections.GetNext(pos);
                Section** const inUse = array->GetIndex();
                const uint32_t inUseCount = array->GetCount();
                uint32_t index = 0;
                while (index < inUseCount && inUse[index] != child) ++index;
                if (index == inUseCount) throw static_cast<uint32_t>(0xFFFFFFFFu);
                array->RemoveAtSwap(index);
            }
            section->sections.RemoveAll();
        }
    } catch (...) {
        tree->m_pendingRemoval.clear();
        tree->m_removing = false;
        throw;
    }
    tree->m_removing = false;
}

template <unsigned NB, unsigned K, unsigned S>
typename CIniExCtrl_base<NB, K, S>::Section* CIniExCtrl_base<NB, K, S>::MakeSubsection(const char* name) {
    Section* section = m_sections.AddNew();
    Section** slot = nullptr;
    if (!m_current->sections.Insert(name, &slot, 0)) throw const_cast<char*>(name);
    *slot = section;
    section->parent = m_current;
    return section;
}

template <unsigned NB, unsigned K, unsigned S>
bool CIniExCtrl_base<NB, K, S>::AddSection(const char* name) {
    if (!detail::IsIniSectionNameAllowed(name, std::strlen(name))) return false;
    if (m_current->sections.Find(name, 0) != nullptr) return true;
    if (!IsWritableSectionName(name)) return false;
    MakeSubsection(name);
    return true;
}

// Walks the parts of path[0..length) from the current section, or from the root
// when the path begins with "/".
template <unsigned NB, unsigned K, unsigned S>
typename CIniExCtrl_base<NB, K, S>::Section* CIniExCtrl_base<NB, K, S>::ResolveSection(const char* path,
                                                                                        size_t length) {
    Section* section = m_current;
    size_t from = 0;
    if (length != 0 && path[0] == '/') {
        section = m_root;
        from = 1;
    }
    const bool found = ForEachPathPart(path, from, length, [&](const char* part, size_t partLength) {
        if (IsDotDot(part, partLength)) {
            section = section->parent;
            return section != nullptr;
        }
        const PartKey key(part, partLength);
        auto* element = section->sections.Find(key.Get(), 0);
        if (element == nullptr) return false;
        section = element->GetValue();
        return true;
    });
    return found ? section : nullptr;
}

template <unsigned NB, unsigned K, unsigned S>
typename CIniExCtrl_base<NB, K, S>::Section* CIniExCtrl_base<NB, K, S>::FindSection(const char* path) {
    return ResolveSection(path, std::strlen(path));
}

// The section and key of a key path: the text after the last "/" is the key,
// the text before it names the section (the root for a leading "/"); without "/"
// the key is in the current section. Null for a path containing "=" and for a
// missing section.
template <unsigned NB, unsigned K, unsigned S>
typename CIniExCtrl_base<NB, K, S>::Section* CIniExCtrl_base<NB, K, S>::ResolveKeyPath(const char* keyPath,
                                                                                        const char** key) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(keyPath);
    size_t lastSlash = SIZE_MAX;
    size_t i = 0;
    while (p[i] != 0) {
        if (p[i] == '=') return nullptr;
        if (p[i] == '/') lastSlash = i;
        if (IsCp932Lead(p[i])) {
            if (p[i + 1] == 0) break;
            ++i;
        }
        ++i;
    }
    if (lastSlash == SIZE_MAX) {
        *key = keyPath;
        return m_current;
    }
    *key = keyPath + lastSlash + 1;
    if (lastSlash == 0) return m_root;
    return ResolveSection(keyPath, lastSlash);
}

template <unsigned NB, unsigned K, unsigned S>
typename CIniExCtrl_base<NB, K, S>::Value* CIniExCtrl_base<NB, K, S>::FindValue(const char* keyPath) {
    const char* key = nullptr;
    Section* section = ResolveKeyPath(keyPath, &key);
    if (section == nullptr) return nullptr;
    auto* element = section->values.Find(key, 0);
    return element != nullptr ? &element->GetValue() : nullptr;
}

template <unsigned NB, unsigned K, unsigned S>
typename CIniExCtrl_base<NB, K, S>::Value* CIniExCtrl_base<NB, K, S>::GetOrAddValue(const char* keyPath) {
    const char* key = nullptr;
    Section* section = ResolveKeyPath(keyPath, &key);
    if (section == nullptr) return nullptr;
    auto* element = section->values.Find(key, 0);
    if (element != nullptr) return &element->GetValue();
    if (!IsWritableKey(key)) return nullptr;
    return section->values.GetOrAdd(key);
}

template <unsigned NB, unsigned K, unsigned S>
const char* CIniExCtrl_base<NB, K, S>::SetString(const char* keyPath, const char* text) {
    Value* value = GetOrAddValue(keyPath);
    if (value == nullptr) return nullptr;
    value->Assign(text);
    return value->GetText();
}

template <unsigned NB, unsigned K, unsigned S>
int32_t CIniExCtrl_base<NB, K, S>::SetStringList(const char* keyPath, const CStrArray_base<64>& list) {
    const char* name = nullptr;
    Section* section = ResolveKeyPath(keyPath, &name);
    if (section == nullptr || !IsWritableKey(name)) return 0;
    CStr_base<64> key;
    const uint32_t count = list.GetCount();
    for (uint32_t i = 0; i < count; ++i) {
        key.Format("%s[%d]", name, int32_t(i));
        section->values.GetOrAdd(key.GetText())->AssignString(*list.GetAt(i));
    }
    uint32_t i = count;
    for (;; ++i) {
        key.Format("%s[%d]", name, int32_t(i));
        if (!section->values.Remove(key.GetText(), 0)) break;
    }
    return int32_t(i);
}

template <unsigned NB, unsigned K, unsigned S>
int32_t CIniExCtrl_base<NB, K, S>::GetStringList(const char* keyPath, CStrArray_base<64>& list) {
    list.RemoveAll();
    const char* name = nullptr;
    Section* section = ResolveKeyPath(keyPath, &name);
    if (section == nullptr) return 0;
    CStr_base<64> key;
    for (int32_t i = 0;; ++i) {
        key.Format("%s[%d]", name, i);
        auto* element = section->values.Find(key.GetText(), 0);
        if (element == nullptr) break;
        list.Add(element->GetValue().GetText());
    }
    return int32_t(list.GetCount());
}

template <unsigned NB, unsigned K, unsigned S>
bool CIniExCtrl_base<NB, K, S>::ChangeSection(const char* path) {
    Section* section = FindSection(path);
    if (section == nullptr) return false;
    m_current = section;
    if (path[0] == '/')
        SetCurrentPath(path + 1);
    else
        ApplyRelativePath(path);
    return true;
}

// Applies a relative path to the stored current path as text: the stored path
// and the new one are taken as parts split at "/"; each non-empty new part is
// appended, except "..", which drops the last part when there is one; finally an
// empty first part is dropped and the parts are joined with "/". The split of
// the stored path is kept alongside it (m_pathParts), so a step costs the length
// of the new path, not of the stored one.
template <unsigned NB, unsigned K, unsigned S>
void CIniExCtrl_base<NB, K, S>::ApplyRelativePath(const char* path) {
    CStr_base<64>& text = m_currentPath;
    std::vector<uint32_t>& parts = m_pathParts;
    // Set when a part follows one that ends in a lone lead byte: splitting the
    // joined text again then pairs that byte with the "/" and gives fewer parts.
    bool resplit = false;
    ForEachPathPart(path, 0, std::strlen(path), [&](const char* part, size_t partLength) {
        if (IsDotDot(part, partLength)) {
            if (!parts.empty()) {
                text.SetLength(parts.size() > 1 ? int32_t(parts.back() - 1) : 0);
                parts.pop_back();
            }
            return true;
        }
        if (!parts.empty()) {
            if (EndsInLoneLead(text.GetText() + parts.back(), size_t(text.GetLength()) - parts.back()))
                resplit = true;
            text.AppendChar('/');
        }
        parts.push_back(uint32_t(text.GetLength()));
        text.AppendBytesN(part, int32_t(partLength));
        return true;
    });
    // An empty first part goes (alone, it joins to "" either way).
    if (parts.size() > 1 && parts[1] == 1) {
        text.Assign(text.GetText() + 1);
        parts.erase(parts.begin());
        for (uint32_t& start : parts) --start;
    }
    if (parts.empty() || resplit) SplitCurrentPath();
}

// Splits the stored current path into m_pathParts as the path operations split
// texts: at "/" found at character starts, empty parts kept ("" is one part).
template <unsigned NB, unsigned K, unsigned S>
void CIniExCtrl_base<NB, K, S>::SplitCurrentPath() {
    const char* text = m_currentPath.GetText();
    const size_t length = size_t(m_currentPath.GetLength());
    m_pathParts.clear();
    m_pathParts.push_back(0);
    for (size_t i = 0; i < length; i = NextChar(text, i, length)) {
        if (text[i] == '/') m_pathParts.push_back(uint32_t(i + 1));
    }
}

template <unsigned NB, unsigned K, unsigned S>
void CIniExCtrl_base<NB, K, S>::SetCurrentPath(const char* path) {
    m_currentPath.Assign(path);
    SplitCurrentPath();
}

template class CIniExCtrl_base<32, 32, 64>;
