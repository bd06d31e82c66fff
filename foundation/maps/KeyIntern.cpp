// The interned-key table: one append-only CStrArray_base<64> under one mutex.
//
// Searches compare a parallel array of the entries' hashes before any text, so
// interning stays a linear scan of 4-byte values even with many long keys.
// The table is made on first use and never destroyed: maps in static objects may
// still read it while the program exits, and every index handed out must stay
// valid for the life of the process.
#include "foundation/maps/KeyIntern.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "foundation/containers/StrArray.h"

namespace detail {
namespace {

struct InternTable {
    CStrArray_base<64> keys;
    std::vector<uint32_t> hashes;  // hashes[i] == MapKeyHash(keys[i])
};

// Constant-initialised, so it exists before any static constructor runs.
std::mutex g_internLock;
InternTable* g_internTable = nullptr;  // made under the lock on the first append

}  // namespace

uint32_t InternMapKey(const char* key, const char** text) {
    const uint32_t hash = MapKeyHash(key);
    std::lock_guard<std::mutex> guard(g_internLock);
    if (g_internTable == nullptr) g_internTable = new InternTable;
    InternTable& table = *g_internTable;

    const uint32_t count = table.keys.GetCount();
    const uint32_t* hashes = table.hashes.data();
    for (uint32_t i = 0; i < count; ++i) {
        if (hashes[i] != hash) continue;
        const char* entry = table.keys.GetAt(i)->GetText();
        if (std::strcmp(entry, key) == 0) {
            if (text != nullptr) *text = entry;
            return i;
        }
    }

    // Reserve first so that the hash can be recorded without failing once the
    // text is in; a failed copy takes its entry back out.
    table.hashes.reserve(static_cast<size_t>(count) + 1);
    CStr_base<64>* entry = table.keys.AddNew();
    try {
        entry->Assign(key);
    } catch (...) {
        table.keys.RemoveAtSwap(count);
        throw;
    }
    table.hashes.push_back(hash);
    if (text != nullptr) *text = entry->GetText();
    return count;
}

const char* GetInternedMapKey(uint32_t index) {
    std::lock_guard<std::mutex> guard(g_internLock);
    if (g_internTable == nullptr || index >= g_internTable->keys.GetCount()) throw static_cast<uint32_t>(index);
    return g_internTable->keys.GetAt(index)->GetText();
}

uint32_t GetInternedMapKeyCount() {
    std::lock_guard<std::mutex> guard(g_internLock);
    return g_internTable == nullptr ? 0 : g_internTable->keys.GetCount();
}

}  // namespace detail
