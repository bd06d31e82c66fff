// The interned-key table: one append-only CStrArray_base<64> under one mutex,
// with a hash index so that interning a key costs O(1) expected.
//
// The index is an open-addressing table (linear probing, at most half full) of
// entry numbers; beside the entries a parallel array keeps each entry's
// KeyBytesHash, so the index can be rebuilt on growth without touching any text,
// and a probe compares 64-bit hashes before any text. As entries are never
// removed, the index needs no deletion.
//
// The table is made on first use and never destroyed: maps in static objects may
// still read it while the program exits, and every index handed out must stay
// valid for the life of the process.
#include "foundation/maps/KeyIntern.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "foundation/containers/StrArray.h"

namespace detail {
namespace {

constexpr uint32_t kNoEntry = UINT32_MAX;

struct InternTable {
    CStrArray_base<64> keys;
    std::vector<uint64_t> hashes;           // hashes[i] == KeyBytesHash(keys[i])
    std::unique_ptr<uint32_t[]> slots;      // entry numbers, kNoEntry when empty
    uint32_t mask = 0;                      // slot count - 1; no slots yet while 0

    // Makes sure the index holds `count` entries at most half full; may throw
    // std::bad_alloc, leaving the table as it was.
    void ReserveIndex(uint32_t count) {
        if (slots != nullptr && uint64_t(count) * 2 <= uint64_t(mask) + 1) return;
        uint64_t size = 64;
        while (size < uint64_t(count) * 2) size *= 2;
        if (size > (uint64_t(1) << 32)) throw std::bad_alloc();
        std::unique_ptr<uint32_t[]> grown(new uint32_t[size]);
        std::fill(grown.get(), grown.get() + size, kNoEntry);
        const uint32_t newMask = static_cast<uint32_t>(size - 1);
        const uint32_t entries = keys.GetCount();
        for (uint32_t i = 0; i < entries; ++i) {
            uint32_t s = static_cast<uint32_t>(hashes[i]) & newMask;
            while (grown[s] != kNoEntry) s = (s + 1) & newMask;
            grown[s] = i;
        }
        slots = std::move(grown);
        mask = newMask;
    }
};

// Constant-initialised, so it exists before any static constructor runs.
std::mutex g_internLock;
InternTable* g_internTable = nullptr;  // made under the lock on the first append

}  // namespace

uint32_t InternMapKey(const char* key, const char** text) {
    const size_t length = std::strlen(key);
    return InternMapKey(key, length, KeyBytesHash(key, length), text);
}

uint32_t InternMapKey(const char* key, size_t length, uint64_t bytesHash, const char** text) {
    std::lock_guard<std::mutex> guard(g_internLock);
    if (g_internTable == nullptr) g_internTable = new InternTable;
    InternTable& table = *g_internTable;

    const uint32_t count = table.keys.GetCount();
    uint32_t s = static_cast<uint32_t>(bytesHash) & table.mask;
    if (table.slots != nullptr) {
        for (uint32_t entry; (entry = table.slots[s]) != kNoEntry; s = (s + 1) & table.mask) {
            if (table.hashes[entry] != bytesHash) continue;
            const CStr_base<64>* candidate = table.keys.GetAt(entry);
            if (static_cast<size_t>(candidate->GetLength()) == length &&
                std::memcmp(candidate->GetText(), key, length) == 0) {
                if (text != nullptr) *text = candidate->GetText();
                return entry;
            }
        }
    }

    // Everything that can fail happens before the text goes in, except the copy
    // itself, which takes its entry back out when it fails.
    if (count == kNoEntry) throw std::bad_alloc();
    if (table.hashes.size() == table.hashes.capacity())
        table.hashes.reserve(std::max<size_t>(64, table.hashes.capacity() * 2));
    if (table.slots == nullptr || uint64_t(count + 1) * 2 > uint64_t(table.mask) + 1) {
        table.ReserveIndex(count + 1);
        s = static_cast<uint32_t>(bytesHash) & table.mask;
        while (table.slots[s] != kNoEntry) s = (s + 1) & table.mask;
    }
    CStr_base<64>* entry = table.keys.AddNew();
    try {
        entry->Assign(key);
    } catch (...) {
        table.keys.RemoveAtSwap(count);
        throw;
    }
    table.hashes.push_back(bytesHash);
    table.slots[s] = count;
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
