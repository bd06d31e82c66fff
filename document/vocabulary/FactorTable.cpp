// The keyword and kind indexes over the family tables.
#include "document/vocabulary/FactorTable.h"

#include <cstring>
#include <iterator>
#include <vector>

#include "document/text/TextLexer.h"

namespace vocabulary {

namespace {

// The families in the order their keywords are tested; a new family is one more
// line here.
const FactorFamily* const kFamilies[] = {
    &kShapeFamily,
    &kObjectDrawFamily,
    &kColourSpaceFamily,
    &kToneFamily,
    &kGradientFamily,
    &kFillFamily,
    &kChannelFamily,
    &kTextFamily,
    &kStructureFamily,
    &kBlendModeFamily,
    &kConditionalFamily,
    &kFilterFamily,
};

// Keys are at most this long (a keyword's bytes up to and including its "(").
constexpr uint32_t kMaxKeyLength = 64;
constexpr uint32_t kHashBits = 11;  // 2048 slots for a few hundred keywords
constexpr uint32_t kHashSize = 1u << kHashBits;

inline uint32_t HashKey(const char* key, uint32_t length) noexcept {
    uint32_t h = 2166136261u;  // FNV-1a
    for (uint32_t i = 0; i < length; ++i) {
        h ^= static_cast<unsigned char>(key[i]);
        h *= 16777619u;
    }
    return h ^ (h >> 15);
}

// Length of the key of a text: up to and including its first "(", or 0 when
// there is none within kMaxKeyLength bytes. Keywords are ASCII, so a "(" that
// is the second byte of a double-byte character only makes a key that no
// keyword has.
inline uint32_t KeyLength(const char* text) noexcept {
    for (uint32_t i = 0; i < kMaxKeyLength; ++i) {
        const char c = text[i];
        if (c == '(') return i + 1;
        if (c == 0) return 0;
    }
    return 0;
}

struct Slot {
    const char* keyword = nullptr;  // null: empty slot
    const FactorRow* row = nullptr;
    uint32_t hash = 0;
    uint32_t keyLength = 0;
};

}  // namespace

struct FactorIndex::Data {
    Slot slots[kHashSize];
    const FactorRow* byKind[kMaxFactorKind + 1] = {};
    uint32_t writeStart[kMaxFactorKind + 1] = {};
    std::vector<KeywordEntry> order;
    std::vector<const FactorField*> writeOrder;  // per row, its fields by position
    const char* problem = "";

    void Fail(const char* what) {
        if (*problem == 0) problem = what;
    }

    void Insert(const char* keyword, const FactorRow* row) {
        const uint32_t length = KeyLength(keyword);
        if (length == 0) {
            Fail("a keyword without \"(\" in its first 64 bytes");
            return;
        }
        // Only "Name()" forms may go on after their "(".
        const size_t total = std::strlen(keyword);
        if (total != length && !(row->rule == CountRule::kNone && total == length + 1 && keyword[length] == ')')) {
            Fail("a keyword that goes on after its \"(\"");
            return;
        }
        const uint32_t hash = HashKey(keyword, length);
        uint32_t i = hash & (kHashSize - 1);
        uint32_t probes = 0;
        while (slots[i].keyword != nullptr) {
            if (slots[i].keyLength == length && std::memcmp(slots[i].keyword, keyword, length) == 0) {
                Fail("two keywords alike up to their \"(\"");
                return;
            }
            i = (i + 1) & (kHashSize - 1);
            if (++probes == kHashSize) {
                Fail("more keywords than the hash table holds");
                return;
            }
        }
        slots[i] = Slot{keyword, row, hash, length};
        order.push_back(KeywordEntry{keyword, row});
    }

    // Checks a row; a row of the vocabulary (not an alias's reading row) is
    // also entered under its kind with its fields in write order.
    void AddRow(const FactorRow& row, bool isAlias) {
        if (row.kind == 0 || row.kind > kMaxFactorKind) {
            Fail("a kind code outside the index");
            return;
        }
        if (!isAlias && byKind[row.kind] != nullptr) {
            Fail("two rows of one kind code");
            return;
        }

        // Positions must cover 0..count-1 once each, the optional fields must
        // account for the short form, and a row may hold one list at most.
        const uint32_t n = row.fields.count;
        uint32_t optional = 0;
        uint32_t lists = 0;
        std::vector<const FactorField*> byPosition(n, nullptr);
        for (uint32_t k = 0; k < n; ++k) {
            const FactorField& field = row.fields.data[k];
            if (field.position >= n || byPosition[field.position] != nullptr) {
                Fail("field positions that are not 0..count-1 once each");
                return;
            }
            byPosition[field.position] = &field;
            if (field.flags & FactorField::kOptional) ++optional;
            if (field.type == ArgType::kList) ++lists;
            if ((field.type == ArgType::kColour || field.type == ArgType::kAColour) &&
                (field.slot.colour < 1 || field.slot.colour > 4))
                Fail("a colour slot outside 1..4");
        }
        if (lists > 1) Fail("more than one list in a row");
        switch (row.rule) {
        case CountRule::kExact:
        case CountRule::kAtLeast:
            if (row.full != n || optional != 0) Fail("a count that does not match the fields");
            break;
        case CountRule::kFullOrShort:
            if (row.full != n || optional == 0 || row.short_ + optional != row.full)
                Fail("a short form that does not match the optional fields");
            break;
        case CountRule::kNone:
            if (n != 0) Fail("fields in a form without arguments");
            break;
        case CountRule::kCustom:
            if (row.parseHook == nullptr) Fail("a custom count without a parse hook");
            break;
        }
        if (isAlias) return;
        byKind[row.kind] = &row;
        writeStart[row.kind] = uint32_t(writeOrder.size());
        writeOrder.insert(writeOrder.end(), byPosition.begin(), byPosition.end());
    }

    void InsertAlias(const FactorAlias& alias, const FactorFamily* const* families, uint32_t familyCount) {
        // An alias may read as a kind of a family added later.
        bool known = false;
        for (uint32_t f = 0; f < familyCount && !known; ++f)
            for (uint32_t r = 0; r < families[f]->rowCount && !known; ++r)
                known = families[f]->rows[r].kind == alias.row->kind;
        if (!known) {
            Fail("an alias of an unknown kind");
            return;
        }
        AddRow(*alias.row, true);
        Insert(alias.row->keyword, alias.row);
    }

    void Build(const FactorFamily* const* families, uint32_t familyCount) {
        for (uint32_t f = 0; f < familyCount; ++f) {
            const FactorFamily& family = *families[f];
            for (uint32_t r = 0; r < family.rowCount; ++r) {
                const FactorRow& row = family.rows[r];
                AddRow(row, false);
                Insert(row.keyword, &row);
                for (uint32_t a = 0; a < family.aliasCount; ++a) {
                    const FactorAlias& alias = family.aliases[a];
                    if (alias.after != nullptr && std::strcmp(alias.after, row.keyword) == 0)
                        InsertAlias(alias, families, familyCount);
                }
            }
            for (uint32_t a = 0; a < family.aliasCount; ++a) {
                if (family.aliases[a].after == nullptr) InsertAlias(family.aliases[a], families, familyCount);
            }
        }
        // No keyword may begin another: then the first match of the sequential
        // tests is the only one, and the hash lookup finds the same row.
        for (const KeywordEntry& a : order) {
            for (const KeywordEntry& b : order) {
                if (a.keyword != b.keyword && KeywordPrefixMatch(b.keyword, a.keyword))
                    Fail("a keyword that is a prefix of another");
            }
        }
    }
};

FactorIndex::FactorIndex(const FactorFamily* const* families, uint32_t familyCount) : m_data(new Data) {
    m_data->Build(families, familyCount);
}

FactorIndex::~FactorIndex() { delete m_data; }

const FactorRow* FactorIndex::Find(const char* text) const noexcept {
    const uint32_t length = KeyLength(text);
    if (length == 0) return nullptr;
    const uint32_t hash = HashKey(text, length);
    for (uint32_t i = hash & (kHashSize - 1), probes = 0; probes < kHashSize; i = (i + 1) & (kHashSize - 1), ++probes) {
        const Slot& slot = m_data->slots[i];
        if (slot.keyword == nullptr) return nullptr;
        if (slot.hash == hash && slot.keyLength == length && std::memcmp(slot.keyword, text, length) == 0) {
            // The bytes after the "(" of a "Name()" form must follow too.
            return KeywordPrefixMatch(text + length, slot.keyword + length) ? slot.row : nullptr;
        }
    }
    return nullptr;
}

const FactorRow* FactorIndex::FindKind(uint32_t kind) const noexcept {
    return kind <= kMaxFactorKind ? m_data->byKind[kind] : nullptr;
}

const FactorField* const* FactorIndex::WriteOrder(const FactorRow& row) const noexcept {
    return m_data->writeOrder.data() + m_data->writeStart[row.kind <= kMaxFactorKind ? row.kind : 0];
}

const KeywordEntry* FactorIndex::Order(uint32_t& count) const noexcept {
    count = uint32_t(m_data->order.size());
    return m_data->order.data();
}

const char* FactorIndex::Problem() const noexcept { return m_data->problem; }

const FactorIndex& GetFactorIndex() {
    static const FactorIndex index(kFamilies, uint32_t(std::size(kFamilies)));
    return index;
}

}  // namespace vocabulary
