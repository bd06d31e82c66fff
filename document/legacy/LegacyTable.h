#pragma once
// The format-1.0 factor vocabulary as data. Documents of format 1.0 are only
// read: QDXFactor::ParseLegacyText turns each factor text into the record the
// current vocabulary makes for the same kind, and the document is saved in the
// current format.
//
// A row gives the keyword (with its "(", the only one), the kind it reads as,
// the count rule, the fields in item order (the current vocabulary's field
// forms: vocabulary::FactorField with the item index as its position), the
// constants the row stores and an optional hook for derived values. Several
// keywords may read as one kind. Destinations are named through
// LegacyFields.h.
//
// Count rules:
//   kExact       exactly `count` items;
//   kAtLeast     at least `count`; items past the last field are ignored;
//   kExactOrOne  `count`, or `count` + 1 with the optional last field;
//   kTwoCounts   `count` items read by `fields` (the long form) or
//                `shortCount` items read by `shortFields` (the short form).
// A field flagged vocabulary::FactorField::kOptional is read when the list
// has its item, else its default is stored. Any other field whose item is
// missing fails the row.
//
// Adding a family: a file of its own with its rows, exposed as a LegacyFamily
// declared below and listed in LegacyParser.cpp. CheckLegacyTable reports the
// first inconsistency of the tables (tested).
#include <cstdint>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"
#include "foundation/containers/StrArray.h"

namespace legacy {

enum class LegacyCount : uint8_t { kExact, kAtLeast, kExactOrOne, kTwoCounts };

// After every field was read: derived values and checks the fields cannot
// express. shortForm: a kTwoCounts row read its short form. False fails the row.
using LegacyHook = bool (*)(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count, bool shortForm);

struct LegacyRow {
    enum : uint8_t {
        kAlpha255 = 1,      // Alpha becomes 255 (a mode without an alpha item)
        kStoreOptions = 2,  // Options becomes `options` (a colour model code, say)
    };

    const char* keyword;  // with its "("
    uint32_t kind;
    LegacyCount rule;
    uint8_t count;
    uint8_t shortCount = 0;  // kTwoCounts only
    vocabulary::FieldList fields;
    vocabulary::FieldList shortFields = {};  // kTwoCounts only
    uint8_t flags = 0;
    uint32_t options = 0;
    LegacyHook hook = nullptr;
};

struct LegacyFamily {
    const LegacyRow* rows;
    uint32_t rowCount;
};

// The families (one file each).
extern const LegacyFamily kLegacyShapeFamily;        // 1-12, 101-112
extern const LegacyFamily kLegacyObjectDrawFamily;   // 201-279
extern const LegacyFamily kLegacyToneFamily;         // 401-479
extern const LegacyFamily kLegacyColourSpaceFamily;  // 301-394
extern const LegacyFamily kLegacyGradationFamily;    // 501-707
extern const LegacyFamily kLegacyFillFamily;         // 801-823, 901-964, 1201-1256
extern const LegacyFamily kLegacyReplaceDrawFamily;  // 851, 852, 1301-1357
extern const LegacyFamily kLegacyFilterFamily;       // 1107, 1108, 1401-1408
extern const LegacyFamily kLegacyTextFamily;         // 1001-1014
extern const LegacyFamily kLegacyStructureFamily;    // 1101-1109

// The row whose keyword begins text, or null.
const LegacyRow* FindLegacyKeyword(const char* text) noexcept;
// Every row, family by family.
const LegacyRow* const* GetLegacyRows(uint32_t& count) noexcept;
// Empty when the tables are consistent, else the first problem found.
const char* CheckLegacyTable() noexcept;

// Reads the text after a row's keyword into factor: count rule, fields in
// item order, constants, hook, then Kind. Fields read before a failing item
// keep their new values; Kind is stored only on success.
bool ParseLegacyArguments(QDXFactor& factor, const LegacyRow& row, const char* arguments);

// The short Rotate tail of the object draws (items 5-8: origin, angle and one
// scale in 1/65536): both scales from that one, and the whole source.
bool StoreShortRotate(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count, bool shortForm);

// The text of a quoted item with its escapes decoded (the drawn text of the
// text factors and "ExInfo("): the item's first byte is the delimiter; false
// when it is not closed.
bool ReadUnescapedText(const CStr_base<64>& item, CStr_base<64>& text);

}  // namespace legacy
