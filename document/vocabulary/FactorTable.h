#pragma once
// The factor vocabulary as data: one descriptor row per keyword drives both
// QDXFactor::ParseText and QDXFactor::WriteText.
//
// A row gives the kind code, the keyword (with its "("), the count rule, the
// typed fields in the order they are scanned, and optional hooks for members
// that do not fit the generic loop. Each field names its argument type, its
// position in the full argument list (which is also the order it is written
// in), the QDXFactor slot it stores into and, for reals, the written precision.
// The parser walks the fields in table order; the writer walks them in position
// order, writing every argument (optional ones included) separated by commas.
//
// Adding a family: write its rows (and aliases) in a file of its own, expose
// them as a FactorFamily declared below, and add it to the family list in
// FactorTable.cpp. The index is checked when it is built (CheckFactorTable
// reports the first problem): a keyword must end with its only "(" (or be a
// "Name()" form without arguments), and no keyword may be a prefix of another.
// The parser's scratch arrays are per thread and not re-entrant: a hook must
// not parse another factor text.
#include <cstddef>
#include <cstdint>

#include "document/model/QDXFactor.h"
#include "foundation/containers/StrArray.h"
#include "foundation/strings/Str.h"

namespace vocabulary {

enum class ArgType : uint8_t {
    kInt,      // "%d" into a signed 32-bit slot
    kReal,     // "%lf" into a double slot, finite only; written "%.<precision>f"
    kHex,      // "%x" into an unsigned 32-bit slot
    kULong,    // "%lu" into an unsigned 32-bit slot; written "%u"
    kULongInt,  // "%lu" into an unsigned 32-bit slot; written "%d" (2^31 and up negative)
    kColour,   // colour slot 1..4: "P%x" into ColorRefN, else "%x" into ColorN
    kAColour,  // colour slot 1..4 with its own alpha: "P%x#%x", else "%x"
    kAlpha,    // "%d" checked 0..255 into an 8-bit slot; written "%u"
    kName,     // a delimited text into a 64-class string, verbatim
    kFlag,     // true exactly for the item "t"; never fails; written t or f
    kList,     // a list with its opening word, read and written by a ListCodec
};

// A list argument: the opening word (with its "("), then elements up to the
// list's own closing bracket.
struct ListCodec {
    const char* opening;
    // Reads the text after the opening word into the factor's list field.
    bool (*parse)(QDXFactor& factor, const char* elements);
    // Appends the elements and the list's closing ")" to list, which already
    // holds the opening word. False when an element cannot be written.
    bool (*write)(const QDXFactor& factor, CStr_base<1024>& list);
};

// Where a field stores: a pointer to a QDXFactor member of the field's type, a
// colour slot number, or the list codec.
union FieldSlot {
    int32_t QDXFactor::*i;
    uint32_t QDXFactor::*u;
    double QDXFactor::*r;
    uint8_t QDXFactor::*b;
    bool QDXFactor::*f;
    CStr_base<64> QDXFactor::*s;
    uint32_t colour;  // 1..4
    const ListCodec* list;

    constexpr FieldSlot(int32_t QDXFactor::*p) : i(p) {}
    constexpr FieldSlot(uint32_t QDXFactor::*p) : u(p) {}
    constexpr FieldSlot(double QDXFactor::*p) : r(p) {}
    constexpr FieldSlot(uint8_t QDXFactor::*p) : b(p) {}
    constexpr FieldSlot(bool QDXFactor::*p) : f(p) {}
    constexpr FieldSlot(CStr_base<64> QDXFactor::*p) : s(p) {}
    constexpr FieldSlot(uint32_t colourSlot) : colour(colourSlot) {}
    constexpr FieldSlot(const ListCodec* codec) : list(codec) {}
};

struct FactorField {
    enum : uint8_t {
        kOptional = 1,     // absent in the short form: the default is stored instead
        kLateDefault = 2,  // ...and stored only after every other item was accepted
    };

    ArgType type;
    uint8_t position;   // index of the item in the full form; the write order
    uint8_t flags;
    uint8_t precision;  // reals: decimals written ("%.9f" is 9)
    int32_t defaultValue;
    FieldSlot slot;
};

// Field constructors for the family tables.
constexpr FactorField Int(uint8_t position, int32_t QDXFactor::*slot) {
    return {ArgType::kInt, position, 0, 0, 0, slot};
}
constexpr FactorField Real(uint8_t position, double QDXFactor::*slot, uint8_t precision = 9) {
    return {ArgType::kReal, position, 0, precision, 0, slot};
}
constexpr FactorField Hex(uint8_t position, uint32_t QDXFactor::*slot) {
    return {ArgType::kHex, position, 0, 0, 0, slot};
}
constexpr FactorField ULong(uint8_t position, uint32_t QDXFactor::*slot) {
    return {ArgType::kULong, position, 0, 0, 0, slot};
}
// An unsigned value the writer prints signed: what was read as 4294967295 is
// written -1, which reads back as the same 32 bits.
constexpr FactorField ULongInt(uint8_t position, uint32_t QDXFactor::*slot) {
    return {ArgType::kULongInt, position, 0, 0, 0, slot};
}
constexpr FactorField Colour(uint8_t position, uint32_t colourSlot) {
    return {ArgType::kColour, position, 0, 0, 0, FieldSlot(colourSlot)};
}
constexpr FactorField AColour(uint8_t position, uint32_t colourSlot) {
    return {ArgType::kAColour, position, 0, 0, 0, FieldSlot(colourSlot)};
}
constexpr FactorField Alpha(uint8_t position, uint8_t QDXFactor::*slot = &QDXFactor::Alpha) {
    return {ArgType::kAlpha, position, 0, 0, 0, slot};
}
// An alpha that the short form omits; it then becomes 255.
constexpr FactorField OptionalAlpha(uint8_t position, uint8_t flags = 0) {
    return {ArgType::kAlpha, position, uint8_t(FactorField::kOptional | flags), 0, 255, &QDXFactor::Alpha};
}
constexpr FactorField Name(uint8_t position, CStr_base<64> QDXFactor::*slot) {
    return {ArgType::kName, position, 0, 0, 0, slot};
}
constexpr FactorField Flag(uint8_t position, bool QDXFactor::*slot) {
    return {ArgType::kFlag, position, 0, 0, 0, slot};
}
constexpr FactorField List(uint8_t position, const ListCodec* codec) {
    return {ArgType::kList, position, 0, 0, 0, codec};
}

enum class CountRule : uint8_t {
    kExact,        // exactly full
    kFullOrShort,  // full, or short with the optional fields omitted
    kAtLeast,      // at least full; items beyond are ignored
    kNone,         // no argument list: the keyword is a whole "Name()" form
    kCustom,       // the parse hook checks the count
};

// After the fields were read: checks and stores what the generic loop cannot.
// items/count are the split argument list. False fails the parse.
using ParseHook = bool (*)(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t count);
// Replaces the generic writer for the row: writes the whole text (mark
// included) into out, or returns false leaving out unchanged.
using WriteHook = bool (*)(const QDXFactor& factor, CStr_base<1024>& out);

struct FieldList {
    const FactorField* data = nullptr;
    uint32_t count = 0;

    constexpr FieldList() = default;
    template <size_t K>
    constexpr FieldList(const FactorField (&fields)[K]) : data(fields), count(uint32_t(K)) {}
};

struct FactorRow {
    enum : uint8_t {
        // Parsed into a scratch record and committed only when every argument
        // was accepted, so a failed parse leaves the factor exactly as it was
        // (a half-read list would leave its count and its elements apart). A
        // row with a list field is read so without the flag (ParsesWhole); a
        // row whose hook fills a list sets it.
        kAllOrNothing = 1,
    };

    uint32_t kind;
    const char* keyword;  // with its "(" ("Name()" for kNone)
    CountRule rule;
    uint8_t full;      // count of the full form (the least count for kAtLeast)
    uint8_t short_;    // count of the short form (kFullOrShort only)
    FieldList fields;  // in scan order
    ParseHook parseHook = nullptr;
    WriteHook writeHook = nullptr;
    uint8_t flags = 0;
};

// Another keyword read as an existing kind: a row of its own for reading (its
// keyword, count rule, fields and hooks; kind = the kind it reads as), never
// used for writing: the factor is written with its kind's own row.
struct FactorAlias {
    const FactorRow* row;
    const char* after;  // tested right after this keyword of its family; null: after the family's rows
};

struct FactorFamily {
    const FactorRow* rows;
    uint32_t rowCount;
    const FactorAlias* aliases;
    uint32_t aliasCount;
};

// The families, in the order their keywords are tested.
extern const FactorFamily kShapeFamily;        // 1-12, 101-112
extern const FactorFamily kObjectDrawFamily;   // 201-280
extern const FactorFamily kColourSpaceFamily;  // 301-394
extern const FactorFamily kToneFamily;         // 401-480
extern const FactorFamily kGradientFamily;     // 501-711
extern const FactorFamily kFillFamily;         // 801-857
extern const FactorFamily kChannelFamily;      // 901-967
extern const FactorFamily kTextFamily;         // 1001-1014
extern const FactorFamily kStructureFamily;    // 1101-1118
extern const FactorFamily kBlendModeFamily;    // 1201-1269
extern const FactorFamily kConditionalFamily;  // 1301-1387
extern const FactorFamily kFilterFamily;       // 1401-1417, 5001-5007

// Largest kind code the writer's index covers.
inline constexpr uint32_t kMaxFactorKind = 5007;

// Every keyword of an index, aliases included, in the sequential test order:
// family by family, rows in table order, an alias right after the keyword it
// follows (or after its family's rows).
struct KeywordEntry {
    const char* keyword;
    const FactorRow* row;
};

// The lookups over a list of families: keyword -> row by one hash probe of the
// text up to its first "(", kind -> row through a direct index, and each row's
// fields in write order. The vocabulary has one, built on first use over all
// families (the functions below); tests build their own.
class FactorIndex {
public:
    FactorIndex(const FactorFamily* const* families, uint32_t familyCount);
    ~FactorIndex();
    FactorIndex(const FactorIndex&) = delete;
    FactorIndex& operator=(const FactorIndex&) = delete;

    // The row whose keyword begins text, or null; for an alias, the alias's
    // own reading row.
    const FactorRow* Find(const char* text) const noexcept;
    // The row of a kind code, or null.
    const FactorRow* FindKind(uint32_t kind) const noexcept;
    // The fields of a row of this index in position (write) order.
    const FactorField* const* WriteOrder(const FactorRow& row) const noexcept;
    const KeywordEntry* Order(uint32_t& count) const noexcept;
    // Empty when the families are consistent; otherwise the first problem
    // found: two keywords alike up to their "(", a keyword that is a prefix of
    // another, a keyword going on after its "(", two rows of one kind, a kind
    // beyond the index, a count rule or field positions that do not fit the
    // fields, an alias of an unknown kind.
    const char* Problem() const noexcept;

private:
    struct Data;
    Data* m_data;
};

// The vocabulary's index, over every family.
const FactorIndex& GetFactorIndex();

inline const FactorRow* FindFactorKeyword(const char* text) { return GetFactorIndex().Find(text); }
inline const FactorRow* FindFactorKind(uint32_t kind) { return GetFactorIndex().FindKind(kind); }
inline const FactorField* const* WriteOrder(const FactorRow& row) { return GetFactorIndex().WriteOrder(row); }
inline const KeywordEntry* GetKeywordOrder(uint32_t& count) { return GetFactorIndex().Order(count); }
inline const char* CheckFactorTable() { return GetFactorIndex().Problem(); }

// The generic parts of ParseText and WriteText for one row (used by them, and
// by tests and tools with rows of their own). ParseArguments reads the text
// after the keyword: count rule, fields in scan order, parse hook, then Kind.
// It does not touch Enabled or the colour references (the frame does).
// WriteRow replaces out with the row's text, or returns false with out
// unchanged.
bool ParseArguments(QDXFactor& factor, const FactorRow& row, const char* arguments);
// Whether QDXFactor::ParseText reads the row all or nothing (kAllOrNothing, or
// a list field).
bool ParsesWhole(const FactorRow& row) noexcept;
bool WriteRow(const QDXFactor& factor, const FactorRow& row, CStr_base<1024>& out);

// One item read into its field by the field's form (the legacy vocabulary
// reads its items with the same forms); false when the item is not
// acceptable, with the fields before it as they were left. StoreDefault puts
// an omitted optional field's default in place.
bool ScanField(QDXFactor& factor, const FactorField& field, const CStr_base<64>& item);
void StoreDefault(QDXFactor& factor, const FactorField& field);

// The "qdxpath(" list: at most 10000 items, empty ones included; the empty
// ones are dropped and every other is one path node.
extern const ListCodec kPathList;

// The "array(" list of "mixgradinfo(" points of the mix gradations: at most
// 2000 items, empty ones included; the empty ones are dropped.
extern const ListCodec kGradationPointList;

}  // namespace vocabulary
