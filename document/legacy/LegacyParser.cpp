// QDXFactor::ParseLegacyText: the frame of the format-1.0 factor vocabulary
// (the disabled mark, the keyword lookup, the split, the count rule) and the
// keyword index over the legacy families.
//
// A parse writes the record in place and rolls nothing back: the caller (the
// format-1.0 object reader) discards a factor whose text was refused, so only
// an accepted text must leave exactly its kind's fields. Kind is stored last.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

#include "document/legacy/LegacyFields.h"
#include "document/legacy/LegacyTable.h"
#include "document/text/TextLexer.h"

namespace legacy {
namespace {

// The families in the order their keywords are listed; a new family is one
// more line here.
const LegacyFamily* const kLegacyFamilies[] = {
    &kLegacyShapeFamily,
    &kLegacyObjectDrawFamily,
    &kLegacyToneFamily,
    &kLegacyColourSpaceFamily,
    &kLegacyGradationFamily,
    &kLegacyFillFamily,
    &kLegacyReplaceDrawFamily,
    &kLegacyFilterFamily,
    &kLegacyTextFamily,
    &kLegacyStructureFamily,
};

// Keywords are ASCII and shorter than this, "(" included.
constexpr uint32_t kMaxLegacyKey = 64;

// Length of a text's key: up to and including its first "(", or 0 when there
// is none within kMaxLegacyKey bytes. Every keyword ends with its only "(", so
// the keyword that begins a text is the one whose key equals the text's key.
uint32_t LegacyKeyLength(const char* text) noexcept {
    for (uint32_t i = 0; i < kMaxLegacyKey; ++i) {
        if (text[i] == '(') return i + 1;
        if (text[i] == 0) return 0;
    }
    return 0;
}

struct LegacyIndex {
    std::vector<const LegacyRow*> rows;  // family by family
    std::vector<std::pair<std::string_view, const LegacyRow*>> byKey;  // sorted by key
    const char* problem = "";

    void Fail(const char* what) {
        if (*problem == 0) problem = what;
    }

    // Item positions of a field list: each below `limit` (the largest count
    // that reaches it), none twice, and a required one below `required`.
    void CheckFields(const vocabulary::FieldList& fields, uint32_t required, uint32_t limit) {
        bool seen[256] = {};
        for (uint32_t k = 0; k < fields.count; ++k) {
            const vocabulary::FactorField& field = fields.data[k];
            const bool optional = (field.flags & vocabulary::FactorField::kOptional) != 0;
            if (field.position >= (optional ? limit : required)) Fail("a field beyond the row's count");
            if (seen[field.position]) Fail("two fields of one item");
            seen[field.position] = true;
        }
    }

    void CheckRow(const LegacyRow& row) {
        const uint32_t key = LegacyKeyLength(row.keyword);
        if (key == 0 || row.keyword[key] != 0) Fail("a keyword that does not end with its only \"(\"");
        if (row.kind == 0) Fail("a row without a kind");
        switch (row.rule) {
        case LegacyCount::kExact:
            CheckFields(row.fields, row.count, row.count);
            break;
        case LegacyCount::kAtLeast:
            CheckFields(row.fields, row.count, 256);
            break;
        case LegacyCount::kExactOrOne:
            CheckFields(row.fields, row.count, row.count + 1u);
            break;
        case LegacyCount::kTwoCounts:
            if (row.shortCount == 0 || row.shortCount == row.count) Fail("two counts that are not two");
            CheckFields(row.fields, row.count, row.count);
            CheckFields(row.shortFields, row.shortCount, row.shortCount);
            break;
        }
    }

    LegacyIndex() {
        for (const LegacyFamily* family : kLegacyFamilies) {
            for (uint32_t r = 0; r < family->rowCount; ++r) {
                const LegacyRow& row = family->rows[r];
                CheckRow(row);
                rows.push_back(&row);
                byKey.emplace_back(std::string_view(row.keyword, LegacyKeyLength(row.keyword)), &row);
            }
        }
        std::sort(byKey.begin(), byKey.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (size_t i = 1; i < byKey.size(); ++i)
            if (byKey[i - 1].first == byKey[i].first) Fail("two rows of one keyword");
    }
};

const LegacyIndex& GetLegacyIndex() {
    static const LegacyIndex index;
    return index;
}

// The argument items of one factor, kept from one call to the next (a legacy
// document holds thousands of factors).
CStrArray_base<64>& LegacyItems() {
    thread_local CStrArray_base<64> items;
    return items;
}

}  // namespace

const LegacyRow* FindLegacyKeyword(const char* text) noexcept {
    const uint32_t length = LegacyKeyLength(text);
    if (length == 0) return nullptr;
    const std::string_view key(text, length);
    const auto& byKey = GetLegacyIndex().byKey;
    const auto at = std::lower_bound(byKey.begin(), byKey.end(), key,
                                     [](const auto& entry, std::string_view k) { return entry.first < k; });
    return at != byKey.end() && at->first == key ? at->second : nullptr;
}

const LegacyRow* const* GetLegacyRows(uint32_t& count) noexcept {
    const LegacyIndex& index = GetLegacyIndex();
    count = uint32_t(index.rows.size());
    return index.rows.data();
}

const char* CheckLegacyTable() noexcept { return GetLegacyIndex().problem; }

bool ParseLegacyArguments(QDXFactor& factor, const LegacyRow& row, const char* arguments) {
    CStrArray_base<64>& items = LegacyItems();
    const uint32_t count = SplitArguments(items, arguments);
    const vocabulary::FieldList* fields = &row.fields;
    bool shortForm = false;
    switch (row.rule) {
    case LegacyCount::kExact:
        if (count != row.count) return false;
        break;
    case LegacyCount::kAtLeast:
        if (count < row.count) return false;
        break;
    case LegacyCount::kExactOrOne:
        if (count != row.count && count != row.count + 1u) return false;
        break;
    case LegacyCount::kTwoCounts:
        if (count == row.shortCount) {
            fields = &row.shortFields;
            shortForm = true;
        } else if (count != row.count) {
            return false;
        }
        break;
    }

    for (uint32_t k = 0; k < fields->count; ++k) {
        const vocabulary::FactorField& field = fields->data[k];
        if (field.position >= count) {
            // Only an optional field can lie past the count (the table check).
            if (!(field.flags & vocabulary::FactorField::kOptional)) return false;
            vocabulary::StoreDefault(factor, field);
            continue;
        }
        if (!vocabulary::ScanField(factor, field, *items.GetAt(field.position))) return false;
    }
    if (row.flags & LegacyRow::kAlpha255) factor.Alpha = 255;
    if (row.flags & LegacyRow::kStoreOptions) factor.Options = row.options;
    if (row.hook != nullptr && !row.hook(factor, items, count, shortForm)) return false;
    factor.Kind = row.kind;
    return true;
}

bool StoreShortRotate(QDXFactor& factor, const CStrArray_base<64>&, uint32_t, bool shortForm) {
    using namespace fields;
    if (!shortForm) return true;
    // The one scale item is in units of 1/65536 and serves both directions;
    // the short form always takes the whole source.
    factor.*Reals[3] /= 65536.0;
    factor.*Reals[4] = factor.*Reals[3];
    factor.*Ints[2] = factor.*Ints[7] = 0;
    factor.*Ints[3] = factor.*Ints[8] = 10000;
    return true;
}

}  // namespace legacy

bool QDXFactor::ParseLegacyText(const char* text) {
    ColorRef1 = ColorRef2 = ColorRef3 = ColorRef4 = 0;
    Enabled = *text != '!';
    if (!Enabled) ++text;  // one mark only: a second "!" matches no keyword
    const legacy::LegacyRow* row = legacy::FindLegacyKeyword(text);
    return row != nullptr && legacy::ParseLegacyArguments(*this, *row, text + std::strlen(row->keyword));
}
